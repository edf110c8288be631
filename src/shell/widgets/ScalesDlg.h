// Options > Scales on the current map's setup record.
#pragma once

#include "shell/Scales.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace zemo {

class TRealUpDown;

class TScalesDlg : public QDialog {
public:
    TScalesDlg(QWidget* parent, const SetupRecord& setup);
    // The checks; a failing field keeps the dialog open with the focus on it.
    void accept() override;
    // What the fields hold (after OK: what they held then).
    ScalesFields Fields() const;
    // What the fields held when the dialog opened.
    const ScalesFields& Shown() const { return shown_; }

private:
    ScalesFields shown_;
    QComboBox* mapScaleB_;
    QLineEdit* gridDistE_;
    QRadioButton* paperCordB_;
    QRadioButton* realCordB_;
    QLineEdit* horOfsE_;
    QLineEdit* verOfsE_;
    QLineEdit* angleB_;
    QLineEdit* realGridE_;
};

// The dialog on the current map; on OK the fields changed go into the setup record, which is
// written into the map file when it differs, and the map's windows are drawn anew. False when there is no map or the dialog was cancelled.
bool RunScales(QWidget* parent);

} // namespace zemo
