// EditTransform: the point transforms the editing tools share (shift, stretch, turn), and the
// map-area test that lets a tool refuse a change putting points beyond the area. Every
// product and sum of coordinates is taken in 64 bits or doubles; results saturate, are
// masked and keep each point's own flag bits.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <cstdint>

namespace zemo {

// A run of coordinates [From, To) of an object.
struct PointRange {
    int From = 0;
    int To = 0;
};

// How many coordinates of an object are positions: one for a point object (a cut circle
// keeps its gap angles in the further ones), all of them otherwise.
int MovedCount(const ElementRecord& e);
// The positions a move takes: the selected hole's ring of an area (holeStart > 0), else all.
PointRange MovedRange(const ElementRecord& e, int holeStart);

bool InsideMapArea(int64_t v);
bool InsideMapArea(Cord c);
// The change from `before` to `after` leaves every point it touched inside the map area
// (points the change did not touch may lie where they lay). With a changed point count
// every position of `after` is checked.
bool ChangeKeptInMapArea(const ElementRecord& before, const ElementRecord& after);

// The head and the used slots of src (an element buffer is far larger than most objects).
void CopyRecord(const ElementRecord& src, ElementRecord& dst);
// Head and used slots equal.
bool SameRecord(const ElementRecord& a, const ElementRecord& b);

// Points r of src written into dst (the same record or a copy of it), the others untouched.
void ShiftPoints(const ElementRecord& src, ElementRecord& dst, PointRange r, int64_t dx, int64_t dy);
// v := anchor + (v - anchor) x factor per axis, rounded to whole 0.01 mm.
void StretchPoints(const ElementRecord& src, ElementRecord& dst, PointRange r, int64_t anchorX,
                   int64_t anchorY, double fx, double fy);
// Counter-clockwise about the centre.
void TurnPoints(const ElementRecord& src, ElementRecord& dst, PointRange r, Cord centre, double cosA,
                double sinA);
// Sine and cosine of a turn in tenths of a degree; quarter turns are exact.
void TurnSinCos(double tenths, double& sinA, double& cosA);
// A head angle plus a turn, brought into -1800..1800 tenths.
int16_t TurnedAngle(int angle, int64_t turn);
// The object types whose head angle turns with their points: point, text and rectangle.
bool AngleTurns(const ElementRecord& e);

} // namespace zemo
