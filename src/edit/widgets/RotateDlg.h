// The Rotate Objects dialog of Edit > Rotate: an angle in degrees, counter-clockwise,
// -360 to 360. A value out of range or no number keeps the dialog open on the field.
#pragma once

#include <QDialog>

class QLineEdit;
class QShowEvent;

namespace zemo {

class TRealUpDown;

// The last accepted angle, shown again the next time.
struct RotateDlgUnitState {
    double Angle = 0;
};
extern RotateDlgUnitState RotateDlgState;
void ResetRotateDlgUnit();

class TRotateDlg : public QDialog {
public:
    explicit TRotateDlg(QWidget* parent = nullptr);

    void accept() override;
    double Angle() const { return angle_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* angleE_ = nullptr;
    TRealUpDown* angleB_ = nullptr;
    double angle_ = 0;
};

// Runs the dialog; true on OK with the angle in degrees.
bool ExecRotateDlg(QWidget* parent, double& degrees);

} // namespace zemo
