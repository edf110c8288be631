// File > Export > DXF: real-world metres or millimetres, a layer table, OEM texts, and only
// the objects of selected symbols.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "io/ExpDxf.h"

class QCheckBox;
class QLabel;
class QRadioButton;

namespace zemo {

class TExpDxfDlg : public TMapDlgForm {
public:
    TExpDxfDlg(QWidget* parent, ExpDxfOptions& options);
    void accept() override;

private:
    ExpDxfOptions& options_;
    QRadioButton* gisB_;
    QRadioButton* mmB_;
    QLabel* crtFileB_;
    QCheckBox* oemB_;
    QCheckBox* selSymB_;
};

bool ExecExpDxfDlg(QWidget* parent, ExpDxfOptions& options);

} // namespace zemo
