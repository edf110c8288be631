// Dr45: the rectangular-line tool (tool mode 5). The first side is dragged freely and sets
// the orientation; every further corner is held to a side parallel or perpendicular to it,
// and a click closes the figure back to its start with one more right angle. It draws new
// lines and areas, and holes in the selected area.
//
// With n counted points, the working points lie past them in CurElement: P[n] the corner
// being dragged, P[n+1] the corner that would close the figure, P[n+2] a copy of the first
// point. The counted sides are EditSys's draft; the side being dragged and the dotted closing
// preview are the tool's own XOR figures.
#pragma once

#include "core/Cord.h"

namespace zemo {

enum RectLineStateValue : int {
    RectLineIdle = 0,
    FirstSideDrag = 1,
    CornerPlaced = 2,
    NextCornerDrag = 3,
};

inline constexpr int RectangularHelpContext = 229;

struct Dr45State {
    int RectLineState = RectLineIdle;
    bool RectLineHole = false;
    int RectLineCursor = 0;
    Cord RefOrigin;
    double RefAngle = 0;
    double RefSin = 0;
    double RefCos = 1;
    Cord LastInFrame;
    Cord CornerPress;
    int StartCount = 0;
};

extern Dr45State Dr45;

void ResetDr45();
// Enters the tool's seven procedures in the tool table (tool mode 5).
void RegisterRectLineTool();

void RectLineStart(int flag);
void RectLineEnd();
void RectLineMouseDown();
void RectLineMoveBefore();
void RectLineMoveAfter();
void RectLineMouseUp();
void RectLineKey(int ch);

// P[n] := the pointer held to the nearer axis of the first side's frame through the last
// corner (a tie keeps the last corner's u); P[n+1] := the corner that closes the figure.
void ConstrainCorner();
// Counts the closing corner and the first point again and stores the figure when it has a
// corner beyond its first side; otherwise nothing is kept.
void FinishRectLine();

} // namespace zemo
