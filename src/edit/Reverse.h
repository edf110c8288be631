// ReverseLine: a line object's points in the opposite order. Following and merging lines use
// it as well as Reverse of the edit toolbar.
#pragma once

#include "core/Element.h"

namespace zemo {

// Reverses the Cords of e (a line of at least 2 points; anything shorter stays as it is).
// The Bezier control-point flags of x change places, so that every curve segment keeps its
// shape. The side flags (NoLeftLineFlag in x, NoRightLineFlag in y) belong to the segment
// that starts at a point: each moves with its segment to the segment's new start, left and
// right exchanged, and the new last point carries neither. Corner, dash and every other flag
// stays with its point; the text slots are left alone.
void ReverseLine(ElementRecord& e);

} // namespace zemo
