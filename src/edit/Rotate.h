// Rotate: the rotate tool (tool mode 11) turns the selected object, its selected hole, or a
// multiple selection about a centre the user places, by the angle dragged about that centre;
// and Edit > Rotate (RotateByAngle) turns the selection about the map origin by an angle
// typed into the Rotate Objects dialog. Point, text and rectangle objects turn their angle
// too. A turn that would put a point beyond the map area is refused with a beep.
#pragma once

#include "core/Cord.h"

namespace zemo {

enum RotateStateValue : int {
    WaitingForCentre = 0,
    CentrePressed = 1,
    CentrePlaced = 2,
    Rotating = 3,
};

inline constexpr int RotateHelpContext = 222;

struct RotateUnitState {
    int RotateState = WaitingForCentre;
    Cord RotateCentre;
    Cord RotatePoint;
    int RotateStartAngle = 0;  // tenths of a degree from +x
    int RotateAngle = 0;
    double RotateSin = 0;
    double RotateCos = 1;
    bool PreviewShown = false;  // the selection's turned outlines (a single object: its marks)
};

extern RotateUnitState RotateTool;

void ResetRotateTool();
// Enters the tool's procedures in the tool table (tool mode 11).
void RegisterRotateTool();

void RotateStart();
void RotateEnd();
void RotateMouseDown();
void RotateMoveBefore();
void RotateMoveAfter();
void RotateMouseUp();
// Draws (or, drawn again, removes) the selection turned to `angle`.
void PreviewRotation(int angle);

// Edit > Rotate: the dialog, then the turn.
void RotateByAngle();
// The selection turned counter-clockwise about the map origin by `degrees`.
void RotateSelectionBy(double degrees);

} // namespace zemo
