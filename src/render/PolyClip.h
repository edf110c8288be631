// PolyClip: operations on whole outlines (Cord lists with rings and Bezier segments) for the
// editing functions and the partial-map export: coincident points, the nearest point of an
// outline, inside tests, the crossings of two outlines, a line or an area clipped to the
// inside of a boundary area, the union of two areas and the separation of a many-ring outline
// into areas.
//
// An outline's ring starts at its first point and at each point with HoleFlag (y); curves are
// marked by FirstBezierFlag and SecondBezierFlag (x). Results are handed to a callback as one
// outline (points, count): HoleFlag starts each ring after the first, curves stay curves.
//
// Crossings are found exactly against B's outline cut into short straight edges (curves
// within 0.0025 mm), each edge knowing its place on B, so no crossing between two steps of a
// walk goes unseen; rings that run along B's outline are walked in steps of 0.5 mm (1 mm on
// curves) instead. The rings are traced through the crossings, each crossing passed at most
// once; an operation whose rings do not close, or whose result would pass MaxOutlinePoints,
// fails (false) and hands nothing on.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zemo {

// One crossing of outline A with outline B.
struct Crossing {
    int IndexA = 0;      // first point of A's segment
    int IndexB = 0;      // first point of B's segment
    int Link = -1;       // the next crossing along B (tracing)
    int RingA = 0;       // first point of the ring of A
    int RingB = 0;       // first point of the ring of B
    double TA = 0;       // 0..1 along A's segment
    Cord Point;
    double TB = 0;       // 0..1 along B's segment
    uint8_t State = 0;   // 1: A is inside B after the crossing
    uint8_t Visited = 0; // passed by a traced ring
    uint8_t Used = 0;    // a traced ring started here
};

// The most points an outline made here may have (one object's).
inline constexpr int MaxOutlinePoints = MaxElementItems;
// NearestSegmentPoint: a point or segment within this distance (0.08 mm) is on the outline.
inline constexpr int64_t OutlineHitDistance = 2048;

struct SeparateRing {
    int First = 0;
    int Count = 0;
    int Parent = -1;     // the first other ring in list order that contains it, -1 none
    bool Emitted = false;
};

struct PolyClipState {
    std::vector<Crossing> CrossingTable;
    std::vector<Cord> Result;              // the outline being built
    std::vector<SeparateRing> Rings;       // SeparateAreas
};

extern PolyClipState PolyClip;

void ResetPolyClip();

using OutlineFn = std::function<void(const Cord* points, int count)>;

// Drops points (neither the first nor the last, nor a ring's first or last) lying within
// 0.03 mm of the last kept point in x and y, 0.06 mm after a curve; corner points and control
// points stay, and so does a point between two curves. A dropped curve start hands its curve
// to the last kept point. Returns the new count.
int RemoveDuplicatePoints(Cord* points, int count);

// The point after i in i's ring, the ring's first point after its last.
int NextRingIndex(const Cord* points, int count, int i);

// The nearest point of the outline to p (control points are not on it): its segment's first
// point in `index` and the parameter along it in `t`. True when it lies within
// OutlineHitDistance.
bool NearestSegmentPoint(Cord p, const Cord* points, int count, double& t, int& index);

// Even-odd inside test against the ring starting at ringStart, or every ring (-1); curves are
// flattened (depth 4, tolerance 4).
bool PointInRing(Cord p, const Cord* points, int count, int ringStart);
bool PointInArea(Cord p, const Cord* points, int count);

// Fills CrossingTable with the crossings of A (a line when `open`, else an area) with the area
// B, in A's order. An open line starting inside B gets a first record (index 0, state 1), one
// ending inside a last (its last index, state 0). False when a crossing cannot be placed on B.
bool FindCrossings(const Cord* a, const Cord* b, int countA, bool open, int countB);

// Each piece of the line inside the boundary to fn. False when the pieces could not be found.
bool ClipLineToArea(const Cord* line, const Cord* boundary, int lineCount, const OutlineFn& fn,
                    int boundaryCount);
// The part of the area inside the boundary to fn (nothing when they do not overlap).
bool ClipAreaToArea(const Cord* area, const Cord* boundary, int areaCount, const OutlineFn& fn,
                    int boundaryCount);
// The union of the two areas to fn as one outline of rings.
bool UniteAreas(const Cord* a, const Cord* b, int countA, const OutlineFn& fn, int countB);
// One call per separate area: each outermost ring with the rings inside it.
bool SeparateAreas(const Cord* outline, int count, const OutlineFn& fn);

} // namespace zemo
