// Pick: finds the map objects, vertices and stretch handles under the mouse, and turns clicks
// and dragged boxes into the selection.
//
// Distances use the fast approximate metric (longer axis plus half the shorter). Every
// difference, product and distance is held in 64 bits (cross and dot products of two
// differences in 128 bits): two Cords near opposite edges of the coordinate range lie more
// than 2^31 apart.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <cstdint>

namespace zemo {

struct PickUnitState {
    int PickStart = 0;          // index number after which the next pick scan starts
    int HitVertexIndex = -1;    // HitVertex
    int HitSegment = 0;         // outline search: first vertex of the nearest segment
    double HitT = 0;            // 0..1 along that segment
    uint8_t HitSide = 0;        // 1 or 2
    int HitHandle = -1;         // HitStretchHandle: 0..7
    bool WedgeHit = false;      // line text: a vertex hit inside the turn of its segments
    // HitDoubleLineSide: 1 left, 2 right, 0 none; where on the side line (in AuxElement2) the
    // hit lies. The outline's own HitSegment, HitT and HitSide are left as they were.
    int DoubleLineSide = 0;
    int SideSegment = 0;
    double SideT = 0;
    uint8_t SideHitSide = 0;
};

extern PickUnitState Pick;

void ResetPickUnit();

// ---- Distances ----
int64_t FastDistance(Cord a, Cord b);
// Distance of p from the straight segment a-b when p projects onto it and lies within tol,
// with the side (1: cross product positive, else 2) and the parameter t; else 2 x tol.
int64_t SegmentDistance(Cord p, Cord a, Cord b, int64_t tol, uint8_t& side, double& t);
// The nearest chord midpoint of the halved curve c[0..3] when below 2 x tol, with t and side.
int64_t BezierDistance(Cord p, const Cord* c, int64_t tol, double& t, uint8_t& side);

// ---- Hit tests on an object (CurSymbol is its symbol) ----
// Outline search widened by the symbol's drawn width; sets HitSegment, HitT, HitSide.
bool HitOutline(Cord p, const ElementRecord& e);
// The same with a fixed tolerance of 1024 units and no widening (cut and follow tools).
bool HitOutlineFixed(Cord p, const ElementRecord& e);
// The side line of a double line (CurSymbol) under p, left side first: the side line's
// path goes to AuxElement2 (at most MaxElementItems points, a window round the hit when
// longer) and DoubleLineSide says which. distance: the nearest side line's distance.
bool HitDoubleLineSide(Cord p, const ElementRecord& e, int64_t& distance);
// The point object in CurElement.
bool HitPoint(Cord p);
// Containment; a click in a hole sets SelectedHoleStart to the hole's first vertex.
bool HitArea(Cord p, const ElementRecord& e);
// The vertex of CurElement under p (box test within tol); only while its marks are shown.
bool HitVertex(Cord p, int32_t tol);

// ---- Selection ----
bool PreviewAllows(int n);
// The next object under p after PickStart becomes SelectedIndex.
bool PickAt(Cord p);
// CurElement with the current index entry inside r, by the configuration's SelectMode.
bool ObjectInRect(const CordRect& r);
// Work.CursorMapPos inside the frame of a selected object.
bool CursorInSelection();
void SetSelectionBox();
// The edit tool's selection step: r from the press to the release point.
void SelectByRect(CordRect r);
// Every way of dropping the selection ends here: the vertex marks, object frames and stretch
// box leave the screen, then the store forgets the objects and the selected hole.
void DropSelection();
// The object's symbol (or its layer name) in the status line.
void ShowObjectSymbol(const ElementRecord& e);
// The stretch handle under Work.CursorMapPos (the last of overlapping ones); sets HitHandle.
bool HitStretchHandle();

} // namespace zemo
