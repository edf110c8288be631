// The Draw Line dialog: the second point of a straight line by its length and angle from the
// first. Values out of range keep it open with the range message.
#pragma once

#include "edit/widgets/MapDlgForm.h"

class QShowEvent;

namespace zemo {

// The range of a length field of the drawing dialogs: metres up to `scaleFactor` times the
// map's scale on a real-world map, else millimetres up to `mm`.
struct LengthRange {
    double max = 0;
    QString unit;
};
LengthRange DialogLengthRange(double scaleFactor, double mm);

class TDrawLineDlg : public TMapDlgForm {
public:
    explicit TDrawLineDlg(QWidget* parent = nullptr);

    // Checks the angle, then the length; stays open on the first that fails.
    void accept() override;

    double Length() const { return length_; }
    double Angle() const { return angle_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    SpinField lengthB_;
    SpinField angleB_;
    double length_ = 0;
    double angle_ = 0;
};

// Runs the dialog; true on OK with the length (metres on a real-world map, else millimetres)
// and the angle (degrees, counter-clockwise).
bool ExecDrawLineDlg(QWidget* parent, double& length, double& angle);

} // namespace zemo
