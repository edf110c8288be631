// Shared core of the axis clippers (area splitting and rectangle clipping): one straight or
// curve segment cut to the half-plane x <= c of a frame turned by quarter turns.
//
// Points here hold their coordinates in 64 bits without flags and the flags apart, so that a
// coordinate can be negated or turned without touching them.
#pragma once

#include "core/Cord.h"

#include <cstdint>

namespace zemo {

struct FramePt {
    int64_t x = 0;
    int64_t y = 0;
    int32_t fx = 0;   // flag bits of x
    int32_t fy = 0;   // flag bits of y
    bool cut = false; // made on the cut line (a crossing), not taken from the input
};

inline FramePt ToFrame(Cord c) { return {Masked(c.x), Masked(c.y), Flags(c.x), Flags(c.y), false}; }

// k quarter turns counter-clockwise about the origin: 1 maps (x, y) to (-y, x), 2 to (-x, -y),
// 3 to (y, -x). Flags stay with their axis names (x flags stay in fx).
inline FramePt Turn(FramePt p, int k)
{
    switch (k & 3) {
    case 1: return {-p.y, p.x, p.fx, p.fy, p.cut};
    case 2: return {-p.x, -p.y, p.fx, p.fy, p.cut};
    case 3: return {p.y, -p.x, p.fx, p.fy, p.cut};
    default: return p;
    }
}

// Largest multiple of 256 not above v.
inline int64_t FloorGrid(int64_t v) { return (v >> 8) * 256; }

// One kept piece of a segment: 2 points (straight) or 4 (curve). startsAtCut / endsAtCut say
// whether the piece begins or ends inside the segment, on the cut line.
struct KeptPart {
    FramePt pts[4];
    int n = 0;
    bool startsAtCut = false;
    bool endsAtCut = false;
};

inline constexpr int MaxKeptParts = 4;

// Cuts the segment seg[0..n-1] (n = 2 straight, n = 4 curve; in the frame) to x <= c, c a
// multiple of 256. Writes the kept parts in order and returns their count. Output points have
// structural curve flags (FirstBezierFlag / SecondBezierFlag on control points only) and no
// HoleFlag; a curve's split points carry the NoLeftLineFlag / NoRightLineFlag of its start.
// Crossing points have no flags and `cut` set; every point on the kept side's boundary lies
// exactly on x = c.
int ClipSegment(const FramePt* seg, int n, int64_t c, KeptPart* out);

} // namespace zemo
