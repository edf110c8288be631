// Extras > Rotate map: the angle (degrees, counter-clockwise) the whole map turns by about its
// origin, and whether the symbols that face north turn with it.
#pragma once

#include "edit/MapTrans.h"
#include "edit/widgets/MapDlgForm.h"

namespace zemo {

inline constexpr int RotateMapHelpContext = 178;

class TRotateMapDlg : public TMapDlgForm {
public:
    explicit TRotateMapDlg(QWidget* parent = nullptr);
    void accept() override;
    RotateMapValues Values() const { return values_; }

private:
    SpinField angle_;
    QCheckBox* rotSym_;
    RotateMapValues values_;
};

bool ExecRotateMapDlg(QWidget* parent, RotateMapValues& v);

} // namespace zemo
