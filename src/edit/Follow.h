// Follow: reusing existing geometry while a line is drawn with the curve tool or the freehand
// and straight tool. Following (Ctrl): a press on a line or an area outline starts a stretch
// that copies that outline's points, from the press to the release, into the line being
// drawn, so that borders match exactly. Continuing (Shift): the first press on an end point of
// a line of the current symbol (or on the end of an area's outer ring) loads that object, and
// the new points extend it instead of starting a new one.
//
// The followed object lives in AuxElement1 (a double line's side line when that was hit) and
// its marks stand in for those of the object being drawn until the release. Nothing here
// draws the line being drawn: the tools erase their feedback before these calls and draw it
// again after.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

namespace zemo {

struct FollowUnitState {
    int FollowStart = 0;          // index of the follow start in AuxElement1
    bool FollowMarksShown = false;  // MarksShown before the followed object was marked
    bool FollowMarked = false;    // the followed object's marks are on the screen
    int FollowSymbolNumber = 0;   // the followed object's symbol (its outline tolerance)
    bool ContinueReversed = false;
    int ContinueHolePoints = 0;   // hole points moved in front of a continued area's outer ring
};

extern FollowUnitState Follow;

void ResetFollowUnit();

// A press (Work.CursorMapPos) on a line or area outline: the outline goes to AuxElement1, cut
// at the press, and CurElement (the line being drawn) is joined to it: its last point moved
// onto the follow start when it lies within the pick tolerance, else the start appended.
bool BeginFollow();
// At the release: the stretch of the followed outline from the press to the release appended
// to CurElement, the short way round a ring; nothing when the release is off the outline or
// on the line's last point. False when the point limit stopped it.
bool EndFollow();
// The followed object's marks leave the screen (a drawing that ends while following).
void CancelFollow();
// For a followed area: only the ring that was hit, turned to start half-way round from the
// follow start, so that any stretch from the follow start takes the shorter way.
void PrepareRingFollow();

// Shift on the first press: a line of the current symbol whose end lies at the press is
// loaded into CurElement (turned round when the press is at its first point), becomes the
// selected object and is marked as it is stored; for an area the same with its outer ring,
// its holes moved in front of it. True when such an object was found.
bool BeginContinueLine();
// When the drawing ends: an area's outer ring back in front of its holes; a line or ring
// turned round for the continuation back in its own direction.
void FinishContinueLine();
// The marks of the continued object, as stored, leave the screen.
void UnmarkContinuedLine();

} // namespace zemo
