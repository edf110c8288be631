// The georeference dialog of a TIFF template (TTiffDlg): the image's extent on the ground, and
// whether the map takes a new real-world offset and angle from it or keeps its own.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "external/TiffGeo.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace zemo {

class TTiffDlg : public TMapDlgForm {
public:
    TTiffDlg(QWidget* parent, const TiffDlgFields& fields);
    // The checks; a failing field keeps the dialog open with the focus on it.
    void accept() override;
    TiffDlgFields Fields() const;

private:
    TiffDlgFields shown_;
    QRadioButton* newOfsB_;
    QRadioButton* existingOfsB_;
    QLineEdit* horOfsB_;
    QLineEdit* verOfsB_;
    QLineEdit* angleB_;
    QComboBox* mapScaleB_;
};

// True on OK with the dialog's fields.
bool ExecTiffDlg(QWidget* parent, TiffDlgFields& fields);

} // namespace zemo
