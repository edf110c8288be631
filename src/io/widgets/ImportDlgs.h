// The dialogs of File > Import: the map import's placing (TImportDlg) and the DXF import's
// coordinates, offset and options (TImpDxfDlg), thin views over io/Import.h and io/ImpDxf.h.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/ImpDxf.h"
#include "io/Import.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace zemo {

class TImportDlg : public TMapDlgForm {
public:
    TImportDlg(QWidget* parent, ImportMapOptions& options);
    void accept() override;

private:
    ImportMapOptions& options_;
    QRadioButton* mouseB_;
    QRadioButton* offsetB_;
    SpinField hor_;
    SpinField ver_;
};

bool ExecImportDlg(QWidget* parent, ImportMapOptions& options);

class TImpDxfDlg : public TMapDlgForm {
public:
    TImpDxfDlg(QWidget* parent, ImpDxfOptions& options);
    void accept() override;

private:
    ImpDxfOptions& options_;
    QRadioButton* gisB_;
    QRadioButton* otherB_;
    QLineEdit* otherCordB_;
    QRadioButton* newOfsB_;
    QRadioButton* existingOfsB_;
    QLineEdit* horOfsB_;
    QLineEdit* verOfsB_;
    QLineEdit* angleB_;
    QComboBox* mapScaleB_;
    QCheckBox* impCordB_;
    QCheckBox* oemB_;
    QCheckBox* insertB_;
    QLabel* crtFileB_;
};

bool ExecImpDxfDlg(QWidget* parent, ImpDxfOptions& options);

} // namespace zemo
