// CutCircle: the circle cut tool (tool mode 14) on a selected point object whose symbol is a
// single circle. A drag along the circle cuts a gap into it (the shorter arc between press and
// release); a click in a gap closes it again. The gaps are stored in the point object after
// its position: one Cord a gap, x the start and y the end angle in tenths of a degree from
// the object's angle, sorted by start. Each change is one undo step.
#pragma once

#include "core/Cord.h"

#include <vector>

namespace zemo {

struct CircleGap {
    int Start = 0;  // tenths of a degree
    int End = 0;
    friend bool operator==(const CircleGap&, const CircleGap&) = default;
};

struct CutCircleUnitState {
    int CircleCutState = 0;     // 1 while a gap is dragged
    Cord CircleCentre;
    int32_t CircleRadius = 0;     // 0.01 mm
    int32_t CircleTolerance = 0;  // 0.01 mm
    Cord CutFrom;
    Cord CutTo;
    int StartAngle = 0;         // tenths of a degree from the object's angle
    bool BandShown = false;
};

extern CutCircleUnitState CutCircle;

void ResetCutCircleUnit();

// Every end within a turn after its start and no gap over half a turn (the shorter arc is
// kept), starts within one turn, sorted; overlapping gaps merged, a gap round the whole circle
// removing them all, the last one wrapping onto the first merged into it.
void NormalizeCircleGaps(std::vector<CircleGap>& gaps);

void CircleCutStart();
void CircleCutEnd();
void CircleCutMouseDown();
void CircleCutMoveBefore();
void CircleCutMoveAfter();
void CircleCutMouseUp();

} // namespace zemo
