// Template > Options (TTempOptDlg): dim, transparency, the spot colour of a raster template,
// and rendering a map template in spot colours.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "external/TempOpt.h"

class QCheckBox;
class QComboBox;

namespace zemo {

class TTempOptDlg : public TMapDlgForm {
public:
    TTempOptDlg(QWidget* parent, const TempOptValues& values);
    // Checks the dim; stays open with a message when it is out of range.
    void accept() override;
    TempOptValues Values() const { return values_; }

private:
    TempOptValues values_;
    SpinField dim_;
    QCheckBox* transparent_;
    QCheckBox* assign_;
    QComboBox* spot_;
    QCheckBox* render_;
};

bool ExecTempOptDlg(QWidget* parent, TempOptValues& values);

} // namespace zemo
