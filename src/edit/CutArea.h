// CutArea: an area object cut in two along a line drawn with the curve tool or the freehand
// and straight tool (drawing with cut flag 1). The line starts and ends on the area's outer
// ring; the part on its one side keeps the object, the other becomes a new one, each with the
// holes that lie in it. The whole cut is one undo step; a line that does not start or end on
// the outer ring is refused with CutAreaMsg and the area stays as it was.
#pragma once

#include "core/Element.h"

namespace zemo {

// The messages' topics: a cutting line off the outline.
inline constexpr int CutAreaHelpContext = 72;

struct CutAreaUnitState {
    bool Active = false;     // a cutting line is being drawn
    int Area = 0;            // the object being cut
    bool Marked = false;     // the buffer's marks are on the screen
};

extern CutAreaUnitState CutArea;

void ResetCutAreaUnit();

// The area being cut, its outer ring turned to start at the press (ending on it again),
// followed by its holes.
ElementRecord& CutAreaBuffer();

// The first press of the cutting line (Work.CursorMapPos): it must lie on the outer ring of
// the selected area, else a beep and CutAreaMsg and the drawing does not start.
bool BeginCutArea();
// The finished cutting line in CurElement cuts the area.
void CutAreaAlongLine();
// The cutting line was abandoned: the area as it is stored, marked again.
void CancelCutArea();

} // namespace zemo
