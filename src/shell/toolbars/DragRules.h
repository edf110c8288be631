// Where a dragged tool window goes: the outline that follows the cursor, whether a dock
// takes it, how far a floating window may leave the screen, and how a floating window is
// brought back onto it.
#pragma once

#include "shell/toolbars/DockRows.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <span>

namespace zemo {

// The drag's start: where the window was grabbed (relative to its outer top-left) and the
// outer size it had.
struct DragGrab {
    QPoint grab;
    QSize start;
};

// The outline of a size placed under the cursor so that the grab point keeps its proportion
// of the window.
QRect PlaceOutline(const DragGrab& g, QPoint cursor, QSize outline);

// The room a dock leaves around itself for a drop, before the grab's share: 32 pixels
// along x, 20 along y.
inline constexpr int DockReachX = 32;
inline constexpr int DockReachY = 20;

// Whether a dock takes the window at the cursor. dockRect is the dock's client rectangle on
// the screen (an empty dock 0 thick); outline is the window's size in that dock. A dock whose
// outer side lies at the edge of the work area (a maximised window's) would have the part of
// its reach beyond that edge out of the pointer's way: that part reaches into the window
// instead.
bool DockAccepts(QRect dockRect, DockPosition position, const DragGrab& g, QPoint cursor,
                 QSize outline, QRect workArea = QRect());

// A floating outline kept within reach on the work area: it overlaps the area shrunk by the
// floating frame and 4 pixels, and its top lies no higher than 4 pixels of caption on it.
QRect KeepFloatingOutline(QRect outline, QRect workArea, int frame, int caption);

// The cursor clamped into the work area.
QPoint ClampToArea(QPoint p, QRect area);

// A floating window kept on the screens' work areas. With onlyWhenOff a window that overlaps
// any of them stays where it is; otherwise it is shifted into the area it overlaps most (the
// nearest when none): its right edge, then bottom, then left, then top within the area.
QRect MoveOnScreen(QRect window, std::span<const QRect> workAreas, bool onlyWhenOff);

} // namespace zemo
