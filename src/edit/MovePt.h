// MovePt: moves one point of the object in CurElement together with the control points that
// depend on it. An anchor carries its two control points; a control point of a smooth
// anchor turns the opposite control point with it, keeping that one's length.
//
// The point is Pick.HitVertexIndex. The moving figure (the dependent curve segments and the
// marks of every coordinate that moves) is drawn in XOR: BeginMovePoint shows it,
// MovePointBefore removes it, MovePointAfter moves the point to Work.CursorMapPos and shows
// it again, EndMovePoint removes it for good; the caller then draws the final state.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <vector>

namespace zemo {

struct MovePtState {
    int OppositeHandleLength = 0;
};

extern MovePtState MovePt;

void ResetMovePt();

// ---- Geometry, no drawing ----
// The rounded distance from the anchor to the control point opposite to control point i
// (0 when i is not a control point of a smooth anchor with an opposite control point).
int OppositeHandleLengthOf(const ElementRecord& e, int i);
// Moves point i of e to `to` (masked, the point's own flags kept), shifting an anchor's
// control points and turning the opposite control point of a smooth anchor.
void MovePointTo(ElementRecord& e, int i, Cord to, int oppositeLength);
// First indexes of the curve segments whose shape depends on point i.
std::vector<int> DependentSegments(const ElementRecord& e, int i);

// ---- The moving figure on CurElement ----
void BeginMovePoint();
void MovePointBefore();
void MovePointAfter();
void EndMovePoint();

} // namespace zemo
