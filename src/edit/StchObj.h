// StchObj: stretching the selection by the eight handles of the stretch frame (EditSys draws
// the frame). A handle's opposite side stays in place, or with Shift the frame's centre; a
// side handle stretches one axis, a corner handle both by the factor of smaller magnitude, so
// that the proportions stay (each axis keeps its own sign: crossing the anchor mirrors).
//
// A single object is stretched from its copy in AuxElement1 and shown by its marks; a
// multiple selection is previewed by its stretched rectangles and changed at the release as
// one undo step.
#pragma once

#include "core/Cord.h"

#include <cstdint>

namespace zemo {

struct StchObjState {
    int Handle = -1;
    int64_t AnchorX = 0;     // StretchAnchor
    int64_t AnchorY = 0;
    int64_t RefX = 0;        // StretchRef: 0 where the axis does not stretch
    int64_t RefY = 0;
    double FactorX = 1;      // StretchFactor, as last shown
    double FactorY = 1;
    bool PreviewShown = false;
};

extern StchObjState StchObj;

void ResetStchObj();

// ---- Geometry ----
// The anchor and reference of handle h of the frame for a press at p; aboutCentre: Shift.
void StretchSetUp(const CordRect& frame, int handle, bool aboutCentre, Cord p, StchObjState& s);
// The factors for the pointer at p.
void StretchFactors(const StchObjState& s, Cord p, double& fx, double& fy);
// r stretched by the factors about the anchor, normalised.
CordRect StretchedRect(const CordRect& r, const StchObjState& s);

// ---- The gesture (Pick.HitHandle, Work.CursorMapPos) ----
void BeginStretch();
void UpdateStretch();
void EraseStretch();
void EndStretch();
// The tool ends mid-drag: the preview goes, the object stays as stored.
void CancelStretch();

} // namespace zemo
