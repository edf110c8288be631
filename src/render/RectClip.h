// Cuts a path of straight and Bezier segments to a rectangle and hands every inside piece to a
// callback. Curves stay curves: a curve crossing an edge is split at the crossing.
#pragma once

#include "core/Cord.h"

#include <functional>

namespace zemo {

using PathPieceFn = std::function<void(const Cord* points, int count)>;

// Clips the path (points, count) to the rectangle (bounds inclusive). The callback gets each
// inside piece of at least two points, in path order; not at all when the path lies outside.
// Every on-curve point of a piece lies inside the rectangle. A point with HoleFlag starts a new
// sub-path; pieces carry no HoleFlag. Crossing points have no flags; curve pieces made by a
// split carry the NoLeftLineFlag / NoRightLineFlag of the curve's start.
void ClipLineToRect(const Cord* points, int count, const CordRect& rect, const PathPieceFn& callback);

} // namespace zemo
