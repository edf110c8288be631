// ToCurve: runs of straight segments of line and area objects replaced by cubic Bezier
// segments that pass within a tolerance of the given points. Edit > To curve, the conversion of
// every object of the current symbol (Extras), and the freehand tool's conversion of the runs
// it drew.
//
// The fit splits a run at its point farthest from the chord and fits one segment to each side
// with tangents taken from the chord, splitting further where a point stays away from the
// curve. The splitting works on a stack of its own: a run is as long as its object.
#pragma once

#include "core/Cord.h"

#include <cstdint>
#include <vector>

namespace zemo {

inline constexpr int ToCurveSymHelpContext = 63;
// An angle below this means no tangent is given.
inline constexpr double NoTangent = -1000;
// Each retry of a result that is too large raises the tolerance by this much.
inline constexpr int32_t ToleranceStep = 1280;

// A freehand stretch of CurElement: its first and last index.
struct FreehandRun {
    int First = 0;
    int Last = 0;
};

struct ToCurveState {
    int32_t Tolerance = 2560;       // coordinate units, during a conversion
    std::vector<Cord> Result;       // the converted Cords being built
    // The freehand tool's runs of the line it drew, in order.
    std::vector<FreehandRun> FreehandRuns;
};

extern ToCurveState ToCurve;

void ResetToCurveUnit();

// The tolerance of the Smoothing preference: 0 gives 0.05 mm, 1 gives 0.1 mm, 2 gives 0.2 mm.
int32_t CurveTolerance(int smoothing);

enum class ConvertResult {
    Unchanged,   // nothing to convert: CurElement is as it was
    Converted,   // CurElement holds the curves
    TooLarge,    // no tolerance makes the result fit an object: CurElement is as it was
};

// Converts CurElement (a line or an area of at least 2 points) with the preference's
// tolerance: the outer ring, or only the selected hole's ring (Index.SelectedHoleStart).
// Quiet: the caller reports TooLarge.
ConvertResult ConvertToCurve();
// Converts ToCurve.FreehandRuns of CurElement; runs out of order or outside the object are
// left as drawn. Shows MaxPoints when the result cannot fit.
ConvertResult FreehandRunsToCurve();

// The fitting steps on the Cords of CurElement at ToCurve.Tolerance, appending to
// ToCurve.Result. FitCurve needs b >= a + 2; FitSegment appends nothing when it fails.
void FitCurve(int a, int b, double startAngle, double endAngle);
bool FitSegment(int a, int b, double startAngle, double endAngle);
// Whether p lies within the tolerance (in x and in y) of a point of the curve c[0..3].
bool NearBezier(Cord p, const Cord* c, int32_t tolerance);

// Edit > To curve: the single object, or every selected object, as one undo step.
void ObjectsToCurve();
// Extras > Convert objects to curves: every object of the current symbol (or of the symbols
// selected in the box), after the question, as one undo step.
void SymbolObjectsToCurve();

} // namespace zemo
