// Extras > Create grid lines: the distances of the two families of lines, their angle, the
// point they pass through and which families are made. It opens on the map's grid: the
// real-world grid when the map shows real-world coordinates, else the paper grid. The offset
// point is kept from one run to the next.
#pragma once

#include "edit/GridLine.h"
#include "edit/widgets/MapDlgForm.h"

namespace zemo {

inline constexpr int GridLineHelpContext = 99;

struct GridLineDlgUnitState {
    double HorOffsetMm = 0;
    double VerOffsetMm = 0;
};
extern GridLineDlgUnitState GridLineDlgState;
void ResetGridLineDlgUnit();

class TGridLineDlg : public TMapDlgForm {
public:
    explicit TGridLineDlg(QWidget* parent = nullptr);
    // The offsets first, then the distances, then the angle.
    void accept() override;
    GridLineValues Values() const { return values_; }

private:
    SpinField horDist_;
    SpinField verDist_;
    SpinField angle_;
    SpinField horOfs_;
    SpinField verOfs_;
    QCheckBox* verLineB_;
    QCheckBox* horLineB_;
    GridLineValues values_;
};

bool ExecGridLineDlg(QWidget* parent, GridLineValues& v);

} // namespace zemo
