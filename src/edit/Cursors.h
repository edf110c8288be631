// The program's own mouse cursors, 1..37 by name, drawn in code at first use.
#pragma once

#include <QCursor>

namespace zemo {

inline constexpr int CursorCount = 37;

// The cursors by number: 0 leaves the surface's standard cursor, 1 .. 37 in CursorName's order.
enum CursorId : int {
    StandardCursor = 0,
    MoveCrossCursor = 1,
    MoveEWCursor = 2,
    MoveNSCursor = 3,
    MoveNECursor = 4,
    MoveNWCursor = 5,
    EditObjectCursor = 6,
    EditPointCursor = 7,
    AnchorCursor = 8,
    RotateCursor = 9,
    NormalPointCursor = 10,
    CornerPointCursor = 11,
    DashPointCursor = 12,
    RemovePointCursor = 13,
    RotatePatternCursor = 14,
    CutCursor = 15,
    DrawCurveCursor = 16,
    DrawEllipseCursor = 17,
    DrawCircleCursor = 18,
    Draw45Cursor = 19,
    DrawFreehandCursor = 20,
    DrawStraightCursor = 21,
    DrawPointCursor = 22,
    DrawRectCursor = 23,
    DrawTextCursor = 24,
    MoveViewCursor = 25,
    ZoomCursor = 26,
    AdjTemplateCursor = 27,
    AdjScreenCursor = 28,
    AdjGpsCursor = 29,
    MoveParallelCursor = 30,
    DrawCurveCutCursor = 31,
    DrawEllipseCutCursor = 32,
    DrawCircleCutCursor = 33,
    Draw45CutCursor = 34,
    DrawFreehandCutCursor = 35,
    DrawStraightCutCursor = 36,
    InsertTextCursor = 37,
};
static_assert(InsertTextCursor == CursorCount);

// "MOVECROSS" .. "INSERTTEXT"; nullptr outside 1..37.
const char* CursorName(int index);
// The program's own cursor 1..37 (the arrow outside). The drawing surface shows the
// standard cursors of 0 and the negative indexes itself.
QCursor ToolCursor(int index);
// Shows cursor n on the current window's drawing surface (only while a map window is current).
void SetToolCursor(int index);

} // namespace zemo
