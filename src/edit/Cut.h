// Cut: the line cut tool (tool mode 13) on the selected line object. A click splits the line
// into two objects that share the clicked point; a drag along the line removes the stretch
// between press and release, whichever way it runs; a drag along one side line of a double
// line hides that side line along the stretch (NoLeftLineFlag or NoRightLineFlag) and leaves
// the other whole. Each cut is one undo step. The rubber line from the press is XOR feedback.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "symbols/store/SymbolRecords.h"

namespace zemo {

enum CutStateValue : int {
    CutIdle = 0,
    CuttingLine = 1,
    CuttingSideLine = 2,
};

// The cut tools' topic.
inline constexpr int CutHelpContext = 223;

struct CutUnitState {
    int CutState = CutIdle;
    Cord CutFrom;
    Cord CutTo;
    int CutSide = 0;        // 1 left, 2 right side line
    bool BandShown = false;
    int PressSegment = 0;   // where the press lies on the outline
    double PressT = 0;
    bool Marked = false;    // CutWork's marks are on the screen
    // The object as the press left it: cut at the press (or the side line, state 2).
    ElementRecord* CutWork = nullptr;
};

extern CutUnitState CutTool;

void ResetCutUnit();
// Enters the line cut and the circle cut in the tool table (tool modes 13 and 14).
void RegisterCutTools();

void CutStart();
void CutEnd();
void CutMouseDown();
void CutMoveBefore();
void CutMoveAfter();
void CutMouseUp();

// The outline of e cut at (segment, t) as the outline search found it: the index of the point
// that lies there now (a new one, or a point already there); -1 when there is no room.
int SplitAtHit(ElementRecord& e, int segment, double t);
// The point at t on the segment of e that starts at i (a ring's last point: its closing
// segment), on the grid.
Cord OutlinePointAt(const ElementRecord& e, int i, double t);

// A point object whose symbol is a single circle with room for gaps: a record of 352 + 8 x k
// bytes (k >= 3 slots) whose first element is a circle.
bool IsCuttableCircle(const ElementRecord& e, const SymbolBytes& s);
// The same for the selected object (the shell's enabling of the cut button).
bool IsCuttableCircle();

} // namespace zemo
