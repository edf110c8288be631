// Extras > Change scale: the map's new scale (at most ten times larger or smaller than the
// current one) and whether the symbols follow it.
#pragma once

#include "edit/ChangeSym.h"
#include "edit/widgets/MapDlgForm.h"

class QComboBox;

namespace zemo {

inline constexpr int ChangeScaleHelpContext = 15;

class TChangeScaleDlg : public TMapDlgForm {
public:
    explicit TChangeScaleDlg(QWidget* parent = nullptr);
    void accept() override;
    ChangeScaleValues Values() const { return values_; }

private:
    double scale_;
    QComboBox* newScaleB_;
    QCheckBox* enlargeSymB_;
    ChangeScaleValues values_;
};

bool ExecChangeScaleDlg(QWidget* parent, ChangeScaleValues& v);

} // namespace zemo
