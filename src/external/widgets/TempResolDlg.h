// The template resolution dialog (TTempResolDlg): the scanner's resolution, the scale of the
// scanned drawing, the template's angle and the map scale for a new raster template.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "external/TempResol.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace zemo {

class TTempResolDlg : public TMapDlgForm {
public:
    TTempResolDlg(QWidget* parent, const TempResolFields& fields);
    // The checks; a failing field keeps the dialog open with the focus on it.
    void accept() override;
    TempResolFields Fields() const;

private:
    QLabel* noTempResolL_;
    QComboBox* resolB_;
    QComboBox* draftScaleB_;
    QLineEdit* angleB_;
    QComboBox* mapScaleB_;
};

// True on OK with the dialog's fields.
bool ExecTempResolDlg(QWidget* parent, TempResolFields& fields);

} // namespace zemo
