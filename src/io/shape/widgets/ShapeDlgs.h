// The dialogs of the shape files: the import's size, offset, units and key field
// (TImpShapeDlg) and the export's kinds and dataset (TExpShapeDlg), thin views over
// io/shape/ImpShape.h and io/shape/ExpShape.h.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/shape/ExpShape.h"
#include "io/shape/ImpShape.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace zemo {

class TImpShapeDlg : public TMapDlgForm {
public:
    TImpShapeDlg(QWidget* parent, ImpShapeOptions& options);
    void accept() override;

private:
    void ProposeScale();

    ImpShapeOptions& options_;
    QRadioButton* newOfsB_;
    QRadioButton* existingOfsB_;
    QLineEdit* horOfsB_;
    QLineEdit* verOfsB_;
    QLineEdit* angleB_;
    QComboBox* mapScaleB_;
    QComboBox* unitsB_;
    QRadioButton* newKeyB_;
    QRadioButton* existingKeyB_;
    QComboBox* fieldsB_;
};

bool ExecImpShapeDlg(QWidget* parent, ImpShapeOptions& options);

class TExpShapeDlg : public TMapDlgForm {
public:
    TExpShapeDlg(QWidget* parent, ExpShapeOptions& options);
    void accept() override;

private:
    ExpShapeOptions& options_;
    QListWidget* objectsB_;
    QRadioButton* allB_;
    QRadioButton* datasetB_;
    QComboBox* datasetsB_;
};

bool ExecExpShapeDlg(QWidget* parent, ExpShapeOptions& options);

} // namespace zemo
