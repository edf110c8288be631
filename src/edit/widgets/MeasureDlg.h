// The result dialog of Edit > Measure: the map's scale and the length or area measured.
#pragma once

#include "edit/Measure.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QShowEvent;

namespace zemo {

class TMeasureDlg : public QDialog {
public:
    TMeasureDlg(QWidget* parent, const MeasureReport& report);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* okBtn_ = nullptr;
};

// Shows the result modally.
void ExecMeasureDlg(QWidget* parent, const MeasureReport& report);

} // namespace zemo
