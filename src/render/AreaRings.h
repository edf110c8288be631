// Lengths, areas and ring tests of paths and area outlines that need their curves flattened.
// Rings: ring 0 starts at index 0, every other ring at a point whose y carries HoleFlag.
// Each routine keeps its own scratch space, so they may run during a path walk.
#pragma once

#include "core/Cord.h"

namespace zemo {

// Length of the path in 0.01 mm; curves are measured over small sub-curves.
double PathLength(const Cord* points, int n);

// Area of the outline in square 0.01 mm: rings inside others count negative.
double PolygonArea(const Cord* points, int n);

// True when P lies inside the rings other than the one starting at `skip` (even-odd rule).
bool PointInOtherRings(Cord p, const Cord* points, int n, int skip);

// True when more of the ring's on-curve points lie inside the other rings than outside.
bool RingInsideArea(const Cord* points, int n, int i);

// Outer rings counter-clockwise, rings inside others clockwise (y up).
void OrientAreaRings(Cord* points, int n);

} // namespace zemo
