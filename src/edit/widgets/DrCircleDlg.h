// The Draw Circle dialog: a circle's radius about the clicked point. A value out of range
// keeps it open with the range message.
#pragma once

#include "edit/widgets/MapDlgForm.h"

class QShowEvent;

namespace zemo {

class TDrCircleDlg : public TMapDlgForm {
public:
    explicit TDrCircleDlg(QWidget* parent = nullptr);

    void accept() override;

    double Radius() const { return radius_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    SpinField radiusB_;
    double radius_ = 0;
};

// Runs the dialog; true on OK with the radius (metres on a real-world map, else millimetres).
bool ExecDrCircleDlg(QWidget* parent, double& radius);

} // namespace zemo
