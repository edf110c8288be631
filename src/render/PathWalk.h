// The path walker: prepares an object's path once (curves cut into short Bezier pieces, parts
// between corner and dash points with their lengths) and then answers, for a distance along
// it, the point, the direction and the points at a sideways offset. Also small point-list
// services of the editing tools.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zemo {

// One walk at a time: the prepared path and the walker's position are process-wide.
struct PathWalkState {
    std::vector<Cord> PathPoints;      // the prepared path
    int PathPointCount = 0;
    std::vector<int32_t> PartLengths;  // 0.01 mm
    std::vector<int> PartStarts;       // PathPoints index of each part's first point
    int PartCount = 0;
    int32_t LongestPart = 0;

    // Walker.
    int PartIndex = 0;        // current part
    int Index = 0;            // PathPoints index of the current segment's end
    int PartLast = 0;         // PathPoints index of the walk's last point
    Cord SegStart{}, SegC1{}, SegC2{}, SegEnd{};
    bool SegIsCurve = false;
    bool SegEndIsCorner = false;
    int32_t Walked = 0;       // 0.01 mm up to the segment's start
    int32_t SegLength = 0;    // 0.01 mm
    Cord Current{};           // the walker's point
    double CurT = 0;          // parameter of the walker's point on a curve segment
    int32_t TotalLength = 0;

    // Direction outputs.
    double HereSin = 0, HereCos = 1;   // PathDirectionHere
    Cord LeftPoint{}, RightPoint{};    // WalkOffsetPoints, PathAngleAt
    double PrevDirection = 0, CurDirection = 0;
    double BisectorSin = 0, BisectorCos = 1, AcrossFactor = 1;  // CornerAngleAt

    // Dash fit of the current part.
    int32_t StartDist = 0, StartLen = 0, DashCount = 0, EndLen = 0, EndDist = 0;
    double DashScale = 0;
};

extern PathWalkState PathWalk;

void ResetPathWalkState();

// Length estimate of a straight piece in 0.01 mm: max + min div 2 of the whole-unit steps.
inline int32_t SegmentLengthEstimate(Cord a, Cord b)
{
    // The steps are never negative: a shift divides them.
    const int64_t dx = std::abs(int64_t(Masked(b.x)) - Masked(a.x)) >> 8;
    const int64_t dy = std::abs(int64_t(Masked(b.y)) - Masked(a.y)) >> 8;
    return int32_t(std::max(dx, dy) + std::min(dx, dy) / 2);
}

// Prepares the path of an object's n points (the painters pass DrawElement's): fills PathPoints,
// PartLengths, PartCount and LongestPart and puts the walker on the first point. Every part ends
// on a point with CornerFlag or DashFlag; the last point gets CornerFlag.
void PrepareLinePath(const Cord* points, int n);
void PrepareLinePath(const ElementRecord& e);

// Walks the whole path: total length, walked 0, first segment loaded.
void StartPathWalk();
// Starts part PathWalk.PartIndex: computes its dash fit (dash a, gap C, end dash b, distances
// kept free at the end and the start of the line, the symbol's minimum dash count) and loads
// its first segment; distances then count from the part's start. Always true.
bool BeginLinePart(int32_t a, int32_t c, int32_t b, int32_t dEnd, int32_t dStart, int minSym = 0);
void NextPathSegment();
// Moves the walker to distance d (0.01 mm from the start of the walk or part).
void WalkPathTo(int32_t d);
// Sine and cosine of the direction at the walker (also left in HereSin, HereCos).
void PathDirectionHere(double& sinA, double& cosA);
// The points at plus and minus the half width (0.01 mm) across the walker's direction.
void WalkOffsetPoints(int32_t halfWidth, Cord& left, Cord& right);

// The two offset points at point i on the bisector of the turn there, at the offsets (0.01 mm)
// divided by the cosine of half the turn, at most 4 times the offset.
void PathAngleAt(const Cord* points, int i, int32_t leftOffset, int count, int32_t rightOffset,
                 Cord& left, Cord& right);
// Bisector direction at point i (BisectorSin, BisectorCos) and the across factor 1 / cos of
// half the turn (4 when that cosine is 0.25 or less). Returns the factor.
double CornerAngleAt(const Cord* points, int count, int i);
// Replaces every point by its offset point (PathAngleAt with the offset on the left side).
void OffsetWorkPath(Cord* points, int count, int32_t offset);

// Splits the segment that starts at point i at t: curves by de Casteljau, straight segments
// by a new point. i moves on to the segment's end. False when nothing could be inserted for
// want of room.
bool SplitSegmentAt(ElementRecord& e, int& i, double t);
// Inserts the point after point `index` (-1: before the first). False, changing nothing, when
// the index is out of range or the Cords and text slots would no longer fit the buffer.
bool InsertElementPoint(int index, Cord point, ElementRecord& e);
// Scales (dx, dy) to `length` (0.01 mm), in coordinate units.
void ScaleVector(int32_t& dx, int32_t& dy, int32_t length);
// x of the straight segment AB at height y, masked.
int32_t SegmentXAtY(Cord a, Cord b, int32_t y);

} // namespace zemo
