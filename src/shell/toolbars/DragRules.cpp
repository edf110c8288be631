#include "shell/toolbars/DragRules.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace zemo {

namespace {

// grab / (start - 1) of a length, taken times n; a window one pixel long counts as grabbed
// at its start.
int64_t Share(int n, int grab, int start)
{
    return start > 1 ? int64_t(n) * grab / (start - 1) : 0;
}

int Clamp32(int64_t v)
{
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min() / 2,
                                   std::numeric_limits<int>::max() / 2));
}

} // namespace

QRect PlaceOutline(const DragGrab& g, QPoint cursor, QSize outline)
{
    const int64_t left = cursor.x() - Share(outline.width() - 1, g.grab.x(), g.start.width());
    const int64_t top = cursor.y() - Share(outline.height() - 1, g.grab.y(), g.start.height());
    return QRect(Clamp32(left), Clamp32(top), outline.width(), outline.height());
}

bool DockAccepts(QRect dockRect, DockPosition position, const DragGrab& g, QPoint cursor,
                 QSize outline, QRect workArea)
{
    QRect r = dockRect;
    // An empty dock still has a line to drop on.
    if (IsVerticalDock(position)) {
        if (r.width() <= 0)
            r.setWidth(1);
    } else if (r.height() <= 0) {
        r.setHeight(1);
    }
    const int64_t a = Share(DockReachX, g.grab.x(), g.start.width());
    const int64_t b = Share(DockReachY, g.grab.y(), g.start.height());
    int64_t left = r.left() - (DockReachX - a);
    int64_t right = int64_t(r.left()) + r.width() - 1 + a;
    int64_t top = r.top() - (DockReachY - b);
    int64_t bottom = int64_t(r.top()) + r.height() - 1 + b;
    // The reach lost beyond the edge of the work area that the dock lies on (not of one that a
    // window larger than the screen hangs over); the dock's own rectangle grows inwards by it
    // for the outline to meet.
    if (workArea.isValid()) {
        const bool vertical = IsVerticalDock(position);
        const bool outerLow = position == DockPosition::Left || position == DockPosition::Top;
        int64_t& low = vertical ? left : top;
        int64_t& high = vertical ? right : bottom;
        const int reach = vertical ? DockReachX : DockReachY;
        const QPoint areaEdge = outerLow ? workArea.topLeft() : workArea.bottomRight();
        const QPoint dockEdge = outerLow ? r.topLeft() : r.bottomRight();
        const int edge = vertical ? areaEdge.x() : areaEdge.y();
        const int64_t lost = outerLow ? edge - low : high - edge;
        if (lost > 0 && std::abs((vertical ? dockEdge.x() : dockEdge.y()) - edge) < reach) {
            const int64_t shift = outerLow ? lost : -lost;
            low += shift;
            high += shift;
            if (position == DockPosition::Left)
                r.setRight(r.right() + int(lost));
            else if (position == DockPosition::Right)
                r.setLeft(r.left() - int(lost));
            else if (position == DockPosition::Top)
                r.setBottom(r.bottom() + int(lost));
            else
                r.setTop(r.top() - int(lost));
        }
    }
    const int64_t x = cursor.x();
    const int64_t y = cursor.y();
    if (x < left || x > right || y < top || y > bottom)
        return false;
    if (IsVerticalDock(position) && (y < r.top() || y > r.bottom()))
        return false;
    return PlaceOutline(g, cursor, outline).intersects(r);
}

QRect KeepFloatingOutline(QRect outline, QRect workArea, int frame, int caption)
{
    const int inset = frame + 4;
    const QRect inner = workArea.adjusted(inset, inset, -inset, -inset);
    QRect r = outline;
    if (r.right() < inner.left())
        r.moveRight(inner.left());
    if (r.left() > inner.right())
        r.moveLeft(inner.right());
    if (r.bottom() < inner.top())
        r.moveBottom(inner.top());
    if (r.top() > inner.bottom())
        r.moveTop(inner.bottom());
    // At least 4 pixels of the caption stay on the work area.
    const int highest = workArea.top() - (frame + caption) + 4;
    if (r.top() < highest)
        r.moveTop(highest);
    return r;
}

QPoint ClampToArea(QPoint p, QRect area)
{
    if (area.isEmpty())
        return p;
    return {std::clamp(p.x(), area.left(), area.right()),
            std::clamp(p.y(), area.top(), area.bottom())};
}

QRect MoveOnScreen(QRect window, std::span<const QRect> workAreas, bool onlyWhenOff)
{
    const QRect* target = nullptr;
    int64_t best = 0;
    for (const QRect& a : workAreas) {
        const QRect common = a & window;
        const int64_t area = int64_t(common.width()) * common.height();
        if (!common.isEmpty() && area > best) {
            best = area;
            target = &a;
        }
    }
    if (target && onlyWhenOff)
        return window;
    if (!target) {
        // Off every screen: the nearest one takes it.
        int64_t nearest = std::numeric_limits<int64_t>::max();
        for (const QRect& a : workAreas) {
            const QPoint d = a.center() - window.center();
            const int64_t dist = int64_t(d.x()) * d.x() + int64_t(d.y()) * d.y();
            if (dist < nearest) {
                nearest = dist;
                target = &a;
            }
        }
    }
    if (!target || target->isEmpty())
        return window;
    QRect r = window;
    if (r.right() > target->right())
        r.moveRight(target->right());
    if (r.bottom() > target->bottom())
        r.moveBottom(target->bottom());
    if (r.left() < target->left())
        r.moveLeft(target->left());
    if (r.top() < target->top())
        r.moveTop(target->top());
    return r;
}

} // namespace zemo
