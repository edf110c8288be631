// Cuts an area outline (outer ring and holes, with Bezier segments) into smaller areas along
// axis-parallel lines through the middle of each piece, until a caller's test accepts each one.
// Used to fill areas on devices that take only small polygons without holes.
#pragma once

#include "core/Cord.h"

#include <functional>
#include <vector>

namespace zemo {

// Offered each piece (points, count); true means the piece is handled and needs no more cuts.
using AreaAcceptFn = std::function<bool(const Cord* points, int count)>;

// Pieces still refused at this depth are dropped.
inline constexpr int MaxSplitDepth = 32;

// Sides of ClipAtAxis: which half of the line is kept.
enum AxisSide : int {
    KeepXBelow = 0,  // x <= cut
    KeepYAbove = 1,  // y >= cut
    KeepXAbove = 2,  // x >= cut
    KeepYBelow = 3,  // y <= cut
};

// Offers the area to `accept`; a refused piece is cut in two across the longer side of its
// bounding box and each half is split again (depth + 1). Halves without area are dropped, and
// a piece whose box is below 0.02 mm on both sides is not cut further. False when a refused
// piece was dropped that way or at MaxSplitDepth: part of the area reached no piece.
bool SplitArea(const Cord* points, int count, const AreaAcceptFn& accept, int depth = 0);

// Keeps the part of the area on one side of the line at `cut` (see AxisSide) and hands it to
// SplitArea at depth + 1. Crossing points carry CornerFlag; curves stay curves. Nothing happens
// when the kept half has no area.
void ClipAtAxis(const Cord* points, int count, int32_t cut, int side, const AreaAcceptFn& accept,
                int depth);

// The kept half itself, as ClipAtAxis would hand it on (empty when it has no area).
std::vector<Cord> ClipAreaAtAxis(const Cord* points, int count, int32_t cut, int side);

} // namespace zemo
