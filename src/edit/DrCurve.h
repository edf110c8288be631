// DrCurve: the curve tool (tool mode 8). Lines and areas are drawn as chains of cubic Bezier
// segments: a press places a point, the drag sets its direction. The same gestures draw the
// cutting line of the area-cutting command and a new hole in the selected area.
//
// The object grows in CurElement. While a direction is dragged, the point's outgoing control
// point (the handle) lives one slot past the counted coordinates. The feedback is XOR on the
// edit device: the line drawn so far is EditSys's draft (MarkDraft from EditSys.DraftStart);
// the tool adds the handle line being dragged.
#pragma once

#include "core/Cord.h"


namespace zemo {

enum CurveStateValue : int {
    CurveIdle = 0,
    FirstDirection = 1,
    PointPlaced = 2,
    NewPointDirection = 3,
    FollowingLine = 4,
    FollowDone = 5,
    CornerDirection = 6,
    StraightPointDirection = 7,
    MovingPoint = 8,
};

// The tool's topics: drawing, cutting a line or an area, cutting a hole; too many points.
inline constexpr int CurveHelpContext = 226;
inline constexpr int CurveCutHelpContext = 223;
inline constexpr int CurveHoleHelpContext = 73;
inline constexpr int MaxPointsHelpContext = 71;

struct DrCurveState {
    int CurveState = CurveIdle;
    int CurveToolFlag = 0;      // 0 new object, 1 cutting line, 2 new hole
    int StartCount = 0;
    double HandleLength = 0;
    bool BezierShown = false;
    int ToolCursor = 0;
    bool Continuing = false;    // an existing line is continued from its end
    int MoveTailStart = 0;      // first index of the draft hidden while a point moves
};

extern DrCurveState DrCurve;

void ResetDrCurve();
// Enters the curve tool's seven procedures in the tool table (tool mode 8).
void RegisterCurveTool();

// The most coordinates a drawing may count before a further point is refused.
int CurvePointLimit();

void CurveStart(int flag);
void CurveEnd();
void CurveMouseDown();
void CurveMoveBefore();
void CurveMoveAfter();
void CurveMouseUp();
void CurveKey(int ch);
void TerminateLine();

} // namespace zemo
