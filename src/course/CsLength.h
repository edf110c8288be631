// Course lengths: the length text of a course for one leg and team, with the leg details that
// course exports list, and the length of a marked route.
#pragma once

#include "core/Element.h"

#include <QString>

namespace zemo {

struct CsLengthState {
    // Metres from the last control to the finish of the last length measured, rounded to
    // 10 m, as text ("150"); empty when that course had no finish.
    QString FinishMetres;
};
extern CsLengthState CsLength;
void ResetCsLength();

// A marked route's length in metres on the ground: a line object's path at the map's scale;
// 0 for other objects.
double MarkedRouteLength(const ElementRecord& e);

// The length text of a course (an index into the current map's course list) for a leg and a
// team (leg 0 runs a relay's last leg, team 0 counts as the relay's first start number; a
// one-man relay runs all its legs in turn): kilometres with 3 decimals, starting at the extra length E. With details, ";"
// and the climb in whole metres follow, then ";" + code for every start, control and finish
// passed, each from the second on preceded by ";" + the kilometres from the one before.
// Fields naming no course object with a map object are passed over. False for a course
// index outside the list.
bool CourseLength(int course, int leg, int team, QString& text, bool details);

} // namespace zemo
