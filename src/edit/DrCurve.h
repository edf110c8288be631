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

// ---- Shared by every drawing tool ----
// A drawing tool's start: the symbol it draws with (for a hole or a cutting line, flag > 0,
// the selected object's, whose marks are shown), its cursor and its help topic.
void BeginDrawingTool(int flag, int cursor, int cutCursor, int helpContext);
// A drawing tool's end once its drawing is stored or dropped: typing ends, the marks of the
// object it drew into go, the cursor and the status line are cleared.
void EndDrawingTool(bool intoObject);
// The text typing hooks that come first in every drawing tool while a text is typed: true
// when typing took the press or the move.
bool TypingTakesPress();
bool TypingTakesMove();
// A key while nothing is being drawn: to typing, else Escape lets go of the selection.
void IdleToolKey(int ch);
// The outline of a rectangle (corners in any order) in XOR.
void XorRectangle(const CordRect& r);
// The pointer (Work.CursorMapPos) without flag bits.
Cord DrawCursor();
// |dx| and |dy| within the pick tolerance.
bool NearPress(Cord a, Cord b);
// More than px device pixels apart in x or in y.
bool PixelsApart(Cord a, Cord b, int px);
// The straight line from a to b in XOR on the edit device.
void XorSegment(Cord a, Cord b);
void MaxPointsError();
// The most coordinates a drawing may count before a further point is refused: a new line
// text keeps room for its text run.
int DrawingPointLimit(bool newObject);
// CurElement becomes a new object of the current symbol (an undo step begun, the selection
// dropped); false without a current symbol.
bool BeginNewObject();
// The selected object, in CurElement, is about to get a hole or a cutting line: its undo
// copy is taken once. False without a single selection.
bool BeginSelectedEdit();
// Stores CurElement as a new object (a line text with its empty text run, typing started on
// it): selected alone and shown. Its number, or 0 when nothing stayed (too few points, the
// append failed, course setting refused it).
int StoreNewObject();
// Stores the points from startCount on into the selected object: as a hole (the first one
// flagged) or as the continuation of a line. A hole of fewer than 3 points, or a
// continuation without a point, leaves the object as it was.
void StoreIntoSelected(int startCount, bool hole, bool continuing);

void CurveStart(int flag);
void CurveEnd();
void CurveMouseDown();
void CurveMoveBefore();
void CurveMoveAfter();
void CurveMouseUp();
void CurveKey(int ch);
void TerminateLine();

} // namespace zemo
