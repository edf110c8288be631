// Integer geometry of cubic Bezier segments in map coordinates: midpoints, flattening,
// subdivision, splitting, directions, polar offsets and distances.
//
// A curve segment in a Cord list is start point, first control point (FirstBezierFlag in x),
// second control point (SecondBezierFlag in x), end point. Inside these routines the flag bits
// are held apart from the coordinates; results that become stored points are masked and get
// their flags put back explicitly.
#pragma once

#include "core/Cord.h"

#include <cstdint>
#include <vector>

namespace zemo {

// Depth limits beyond this would ask for more than 2^16 output points per segment.
inline constexpr int MaxBezierDepth = 16;

// (a.x div 2 + b.x div 2, a.y div 2 + b.y div 2), halves truncated toward zero, raw values.
Cord MidPoint(Cord a, Cord b);

// Flattens the segment p[0..3] into straight pieces: writes their end points (not the start
// point) and returns how many. `out` must hold 2^maxDepth points. A piece is final once all
// four of its points lie within tol x 256 units of its start in both axes, or at the depth
// limit. Inner points are masked (no flags); the last one is p[3] unchanged.
int FlattenBezier(const Cord* p, Cord* out, int maxDepth, int tol);
// The same, appending to a vector.
void FlattenBezierTo(const Cord* p, std::vector<Cord>& out, int maxDepth, int tol);

// Cuts the segment p[0..3] into smaller curves by the flattening rule: per piece three Cords
// (first control point | FirstBezierFlag, second control point | SecondBezierFlag, end point),
// all masked, the input's flags dropped. `out` must hold 3 x 2^maxDepth Cords. Returns the
// number of Cords written.
int SubdivideBezier(const Cord* p, Cord* out, int maxDepth, int tol);

// Splits p[0..3] at t (0..1) by de Casteljau, every level rounded to whole units.
// First half: its first control point (FirstBezierFlag), second control point
// (SecondBezierFlag) and the point at t. Second half: the point at t, its first control point
// (FirstBezierFlag) and second control point (SecondBezierFlag). All masked before the flags.
void SplitBezierFirstHalf(const Cord* p, double t, Cord& c1, Cord& c2, Cord& at);
void SplitBezierSecondHalf(const Cord* p, double t, Cord& at, Cord& c1, Cord& c2);

// The point at t on the curve (masked coordinates, exact double arithmetic).
void BezierPointAt(const double* x, const double* y, double t, double& px, double& py);

// Direction from A to B in radians counted counter-clockwise from north (+y): north 0,
// west pi/2, east -pi/2, south -pi. 0 when A and B lie within 0.03 mm in both axes.
double DirectionAngle(Cord a, Cord b);

// target := base moved by distance along angle (counted as DirectionAngle counts), masked;
// target keeps the flag bits it had.
void PointAtAngle(Cord base, double angle, double distance, Cord& target);

// Distance of P from the straight segment A-B when P projects inside it and lies within tol
// (coordinate units) of it; then side (1 right, 2 left) and t (0..1) are set. Otherwise 2 x tol.
int64_t DistanceToSegment(Cord p, Cord a, Cord b, int& side, double& t, int64_t tol);

// Smallest distance of P from the curve p[0..3] found by halving, when below 8 x tol (then
// side and t are set); else 8 x tol.
int64_t NearestOnBezier(Cord pt, const Cord* p, int64_t tol, int& side, double& t);

// Parameters in (0, 1) where the cubic with coordinate values v[0..3] crosses 0: each recorded
// where a sub-curve's end lies exactly on 0 or where the sign changes across a sub-curve at the
// depth limit. Sorted, without duplicates and without the ends 0 and 1. Returns the count
// written to `params` (at most `maxParams`). A cubic that is 0 everywhere has no crossing.
int BezierCrossings(const double* v, double* params, int maxParams, int maxDepth = 20);

// The part of the curve (x[0..3], y[0..3]) between parameters a and b as four control values.
void BezierSubCurve(const double* x, const double* y, double a, double b, double* sx,
                    double* sy);

// Rounds a coordinate to the nearest multiple of 256 (ties upward), saturating in the 32-bit range.
int32_t RoundToGrid(double v);
int32_t RoundToGrid(int64_t v);

} // namespace zemo
