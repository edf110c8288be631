// Parallel: a line, or one ring of an area, moved parallel to itself by a distance d. Each
// anchor moves along the bisector of its turn by d / cos(half the turn), at most ten times d
// at a sharp spike; an anchor whose new segment would run against its old one is dropped with
// the control points leading to it; the control points of a curve segment keep their
// directions, scaled with the segment's chord.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <cstdint>

namespace zemo {

// Points first..last of `whole` (a line, or one ring of an area) copied into `range`, every
// curve segment that turns by more than a third of a half turn split in two while the record
// has room, so that the control points can follow the move.
void PrepareParallelRange(const ElementRecord& whole, int first, int last, ElementRecord& range);

// The points of `source` (a line, or a closed ring) moved by d (0.01 mm; positive to the right
// of the direction of travel, y up) into `out`, whose head is source's. False, leaving `out`
// alone, when fewer anchors than 2 (a line) or 3 (a ring) would remain. A ring keeps the
// hole flag of its first point on its first point. A line whose ends meet moves as a ring and
// stays closed.
bool ParallelLine(const ElementRecord& source, int32_t d, bool ring, ElementRecord& out);

} // namespace zemo
