// DrEllips: the ellipse tool (tool mode 7). An ellipse takes two drags: one axis, then the
// other half-axis, as the pointer's distance from the first. Its outline is the circle
// tool's (DrCircle), with a corner at the far end of the first axis.
#pragma once

#include "edit/DrCircle.h"

namespace zemo {

enum EllipseStateValue : int {
    EllipseIdle = 0,
    AxisDrag = 1,
    AxisPlaced = 2,
    WidthDrag = 3,
};

inline constexpr int EllipseHelpContext = 227;

struct DrEllipsState {
    int EllipseState = EllipseIdle;
    bool EllipseHole = false;
    Cord EllipseCentre;
    double EllipseAngle = 0;
    double EllipseSin = 0;
    double EllipseCos = 1;
    double EllipseA = 0;
    double EllipseB = 0;
    int StartCount = 0;
    OutlinePreview Preview;
};

extern DrEllipsState DrEllips;

void ResetDrEllips();
// Enters the tool's seven procedures in the tool table (tool mode 7).
void RegisterEllipseTool();

void EllipseStart(int flag);
void EllipseEnd();
void EllipseMouseDown();
void EllipseMoveBefore();
void EllipseMoveAfter();
void EllipseMouseUp();
void EllipseKey(int ch);

// The outline with the second half-axis through the pointer.
void BuildEllipse();

} // namespace zemo
