// DrPoint: placing point objects and rectangles (tool mode 2). A point goes where the button
// went down, turned toward where it came up; a rectangle is dragged corner to corner, and a
// click asks for its size or for one round the whole map.
#pragma once

#include "core/Cord.h"

namespace zemo {

enum PlaceStateValue : int {
    PlaceIdle = 0,
    PlacingPoint = 1,      // a line from the press to the pointer shows the direction
    PlacingRectangle = 2,  // a rubber rectangle
};

inline constexpr int PointHelpContext = 100;
inline constexpr int RectangleHelpContext = 162;
inline constexpr int DrawRectHelpContext = 244;

struct DrPointState {
    int PlaceState = PlaceIdle;
    Cord PlaceStart;
    Cord PlaceEnd;
    CordRect PlaceRect;  // first corner the press, second the pointer (not normalised)
    bool RectangleSymbol = false;
};

extern DrPointState DrPoint;

void ResetDrPoint();
// Enters the tool's procedures in the tool table (tool mode 2; it takes no keys).
void RegisterPointTool();

void PointStart();
void PointEnd();
void PointMouseDown();
void PointMoveBefore();
void PointMoveAfter();
void PointMouseUp();

// The angle of a point dragged from `from` to `to`, in tenths of a degree counter-clockwise
// from north: 0 for no drag (within 0.03 mm).
int PointDragAngle(Cord from, Cord to);
// The Draw Rectangle dialog: on OK, PlaceRect from the press by the size entered, or round
// the whole map and its shown templates. False when cancelled or when there is no such
// rectangle (outside the map area: RectOut; an empty map: nothing).
bool RunDrawRectDialog();

} // namespace zemo
