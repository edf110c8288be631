// Plain numeric and coordinate helpers: range checks, saturating rounding, vector arithmetic
// on Cords, point-list rotation, ring orientation, colour models, CordRect and element-head
// operations. No state of their own.
//
// Arithmetic that can leave 32 bits (differences of two Cords, their products, sums of
// offsets) is done in 64 bits or wider; results that go back into a Cord saturate instead of
// wrapping. Flag bits are carried apart from the coordinate wherever a value is turned or
// negated, and put back unchanged.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <cstdint>

namespace zemo {

// ---- Range checks: keep X when Min <= X <= Max (both inclusive), else store Default. ----
void CheckIntRange(int32_t& x, int32_t min, int32_t max, int32_t def);
void CheckSmallIntRange(int16_t& x, int16_t min, int16_t max, int16_t def);
// A NaN or infinite X is always out of range.
void CheckDoubleRange(double& x, double min, double max, double def);

// ---- Conversions ----
inline constexpr int32_t SafeRoundMax = 1073741823;   // 0x3FFFFFFF
inline constexpr int32_t SafeRoundMin = -1073741824;  // 0xC0000000
inline constexpr int16_t SafeRoundSmallMax = 32767;
inline constexpr int16_t SafeRoundSmallMin = -32764;

// Round to nearest, halves to even; saturates at 32767 and -32764. NaN gives 0.
int16_t SafeRoundSmall(double x);
// Round to nearest, halves to even; saturates at SafeRoundMax and SafeRoundMin. NaN gives 0
// (a computed coordinate that is not a number lands on the origin rather than at a limit).
int32_t SafeRound(double x);
// The full signed product.
constexpr int64_t MulInt64(int32_t a, int32_t b) { return int64_t(a) * int64_t(b); }
// Byte order reversal for big-endian fields of foreign formats.
uint32_t SwapLong(uint32_t v);
double SwapDouble(double d);

// ---- Vectors and angles (raw Cord values, flags included, unless noted) ----
// sqrt(dx^2 + dy^2) in coordinate units.
double PointDistance(Cord a, Cord b);
// max(|dx|, |dy|) + min(|dx|, |dy|) div 2. 64-bit: two Cords can lie 2^32 apart.
int64_t ApproxDistance(Cord a, Cord b);
// (B - A) . (D - C)
double DotProduct(Cord a, Cord b, Cord c, Cord d);
// (By - Ay)(Dx - Cx) - (Bx - Ax)(Dy - Cy), computed exactly and then converted, so its sign
// (and whether it is zero) is always right.
double CrossProduct(Cord a, Cord b, Cord c, Cord d);
// Radians counter-clockwise from +x (y up), in (-pi, pi]. At the origin -pi/2; (-1, 0) gives pi.
double VectorAngle(double dx, double dy);
// P moved by distance d in direction a: each offset rounded (saturating like SafeRound) and
// masked; P's own flag bits carry over and Flag is or-ed into x. The moved coordinate
// saturates at the SafeRound limits rather than wrapping.
Cord PolarPoint(Cord p, int32_t flag, double a, double d);
// x where segment AB meets height y, masked. Horizontal segment (masked y equal): midpoint of
// the x values. Computed in 64 bits / double; saturates to the 32-bit range.
int32_t CrossingX(Cord a, Cord b, int32_t y);

// Most Cords ArcToBezier writes: the sweep is capped at one full turn (5 segments).
inline constexpr int ArcToBezierMaxCords = 16;
// Circular arc from startAngle to endAngle (radians, counter-clockwise) as a Bezier path:
// one start point, then per segment control 1 (FirstBezierFlag), control 2 (SecondBezierFlag)
// and end point. Returns 1 + 3n with 1 <= n <= 5; `out` must hold ArcToBezierMaxCords.
// endAngle is raised by whole turns to reach startAngle; a sweep beyond a full turn is cut to
// a full turn. A non-finite angle or radius gives one degenerate segment at the centre.
int ArcToBezier(Cord centre, Cord* out, double startAngle, double endAngle, double radius);

// ---- Point lists ----
// Turn n points about (cx, cy) counter-clockwise (y up) by the angle with cosine cosA and
// sine sinA. Coordinates are turned without their flags, saturated, masked, and each point
// gets its own x and y flags back. src and dst may be the same array.
void RotatePoints(int32_t cx, int32_t cy, const Cord* src, int n, double cosA, double sinA,
                  Cord* dst);
// The inverse turn of RotatePoints with the same cosine and sine.
void RotatePointsBack(int32_t cx, int32_t cy, const Cord* src, int n, double cosA, double sinA,
                      Cord* dst);
// In place, k quarter turns (k and 3) counter-clockwise about the origin on masked values:
// 1 maps (x, y) to (-y, x), 2 to (-x, -y), 3 to (y, -x). x keeps its flags, y keeps its flags.
void RotatePoints90(Cord* points, int n, int k);

// Rings of an area: ring 0 starts at index 0, every other ring at a point whose y carries
// HoleFlag. RingEnd gives one past the last index of the ring that starts at i.
int RingEnd(const Cord* points, int n, int i);
// True when the ring starting at i runs counter-clockwise (y up): the shoelace sum over all its
// points, control points included, is positive. Exact (128-bit) sum.
bool RingIsCcw(const Cord* points, int n, int i);
// Reverse the ring starting at i in place: whole Cords swap, the Bezier flags in x are exchanged,
// HoleFlag is set on the new first point of a hole (i >= 1) and cleared on the new last point.
void ReverseRing(Cord* points, int n, int i);

// ---- Colours: TColor 0x00BBGGRR; packed CMYK = C, M, Y, K bytes from the low byte, 0..200 ----
uint32_t RgbToCmyk(uint32_t color);
uint32_t CmykToRgb(uint32_t cmyk);

// ---- Cord and CordRect operations ----
// Masked x and masked y equal.
bool CordsEqual(Cord a, Cord b);
// A += masked P - masked Q; A keeps its flags; saturates rather than wrapping.
void ShiftCord(Cord& a, Cord p, Cord q);
// |dx| <= tol and |dy| <= tol on raw values (tol in coordinate units).
bool CordsWithin(Cord a, Cord b, int32_t tol);
// Masked |dx| <= tol * 256 and masked |dy| <= tol * 256 (tol in 0.01 mm).
bool CordsWithinUnits(Cord a, Cord b, int32_t tol);
void InitRect(CordRect& r, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Bounds inclusive; the rectangle's and the point's flag bits are ignored where they could
// push a point just outside.
bool CordInRect(const CordRect& r, Cord p);
// Touching counts as overlap. Inline and without branches: scans ask it of every index entry,
// and for entries spread over a map its answers follow no pattern.
inline bool RectsOverlap(const CordRect& a, const CordRect& b)
{
    return (a.x1 <= b.x2) & (a.x2 >= b.x1) & (a.y1 <= b.y2) & (a.y2 >= b.y1);
}
// A contains all of B.
bool RectContains(const CordRect& a, const CordRect& b);
// A becomes the union of A and B.
void ExtendRect(CordRect& a, const CordRect& b);
// All four values moved by P - Q (raw), saturating at the 32-bit range.
void MoveRect(CordRect& r, Cord p, Cord q);
// R = max of the minima, min of the maxima; an empty result (x1 > x2 or y1 > y2) is not flagged.
void IntersectRects(CordRect& r, const CordRect& a, const CordRect& b);
// Swaps x1/x2 and y1/y2 where needed.
void NormalizeRect(CordRect& r);

// ---- ElementRecord head ----
// Sets the symbol word, object type, counts and angle; clears the flags byte, the three
// symbol-graphics words and the layer name. Leaves the slots alone. Returns false when
// nItem + nText does not fit the buffer (the head is set all the same; slot helpers refuse it).
bool InitElement(ElementRecord& e, int16_t symbol, uint8_t objectType, uint16_t nItem,
                 uint16_t nText, int16_t angle);
// Removes Cord i (0 <= i < nItem): every slot after it, Cords and text alike, moves down one
// place and nItem drops by one. Returns false and changes nothing for a bad index or a head
// whose nItem + nText does not fit the buffer.
bool DeleteCord(ElementRecord& e, int i);
// Adds (dx, dy) to Cord 0 of a point object, else to all nItem Cords (at most the buffer's
// capacity). dx and dy are whole steps (multiples of 256), so flags stay; saturates.
void MoveElement(ElementRecord& e, int32_t dx, int32_t dy);

} // namespace zemo
