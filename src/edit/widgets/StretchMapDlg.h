// Extras > Stretch map: the horizontal and vertical factors (%) of the whole map about its
// origin, and whether it is mirrored on either axis.
#pragma once

#include "edit/MapTrans.h"
#include "edit/widgets/MapDlgForm.h"

namespace zemo {

inline constexpr int StretchMapHelpContext = 177;

class TStretchMapDlg : public TMapDlgForm {
public:
    explicit TStretchMapDlg(QWidget* parent = nullptr);
    void accept() override;
    StretchMapValues Values() const { return values_; }

private:
    SpinField hor_;
    SpinField ver_;
    QCheckBox* mirrorHor_;
    QCheckBox* mirrorVer_;
    StretchMapValues values_;
};

bool ExecStretchMapDlg(QWidget* parent, StretchMapValues& v);

} // namespace zemo
