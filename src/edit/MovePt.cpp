#include "edit/MovePt.h"

#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "render/Bezier.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace zemo {

MovePtState MovePt;

namespace {

bool IsFirst(const ElementRecord& e, int k)
{
    return k >= 0 && k < e.nItem && (e.Cords()[k].x & FirstBezierFlag);
}

bool IsSecond(const ElementRecord& e, int k)
{
    return k >= 0 && k < e.nItem && (e.Cords()[k].x & SecondBezierFlag);
}

bool IsSmooth(const ElementRecord& e, int k)
{
    return k >= 0 && k < e.nItem && !(e.Cords()[k].y & CornerFlag);
}

double Distance(Cord a, Cord b)
{
    const double dx = double(Masked(a.x)) - Masked(b.x), dy = double(Masked(a.y)) - Masked(b.y);
    return std::hypot(dx, dy);
}

int32_t Coord(int64_t v)
{
    return Masked(SafeRound(double(v)));
}

// `target` := the point at `length` from `anchor` on the side opposite to `toward`.
void Opposite(Cord anchor, Cord toward, int length, Cord& target)
{
    const double dx = double(Masked(toward.x)) - Masked(anchor.x);
    const double dy = double(Masked(toward.y)) - Masked(anchor.y);
    const double d = std::hypot(dx, dy);
    if (!(d > 0))
        return;
    target.x = Masked(RoundToGrid(Masked(anchor.x) - dx / d * length)) | Flags(target.x);
    target.y = Masked(RoundToGrid(Masked(anchor.y) - dy / d * length)) | Flags(target.y);
}

// The points that move with point i (for their marks).
std::vector<int> MovingPoints(const ElementRecord& e, int i)
{
    std::vector<int> p{i};
    if (i > 2 && IsSecond(e, i - 1))
        p.push_back(i - 1);
    if (i < e.nItem - 1 && IsFirst(e, i + 1))
        p.push_back(i + 1);
    if (IsFirst(e, i) && i > 3 && IsSmooth(e, i - 1) && IsSecond(e, i - 2))
        p.push_back(i - 2);
    if (IsSecond(e, i) && i >= 2 && i < e.nItem - 2 && IsSmooth(e, i + 1) && IsFirst(e, i + 2))
        p.push_back(i + 2);
    return p;
}

void DrawMovingFigure()
{
    const ElementRecord& e = Index.CurElement;
    const int i = Pick.HitVertexIndex;
    if (i < 0 || i >= e.nItem)
        return;
    for (int s : DependentSegments(e, i))
        MarkBezier(e, s);
    for (int k : MovingPoints(e, i))
        MarkPoint(e, k);
}

} // namespace

void ResetMovePt()
{
    MovePt = MovePtState{};
}

int OppositeHandleLengthOf(const ElementRecord& e, int i)
{
    const int n = e.nItem;
    if (i < 0 || i >= n)
        return 0;
    const Cord* c = e.Cords();
    if (IsFirst(e, i) && i > 3 && IsSmooth(e, i - 1) && IsSecond(e, i - 2))
        return int(std::nearbyint(Distance(c[i - 1], c[i - 2])));
    if (IsSecond(e, i) && i >= 2 && i < n - 2 && IsSmooth(e, i + 1) && IsFirst(e, i + 2))
        return int(std::nearbyint(Distance(c[i + 1], c[i + 2])));
    return 0;
}

std::vector<int> DependentSegments(const ElementRecord& e, int i)
{
    std::vector<int> s;
    const int n = e.nItem;
    auto add = [&](int k) {
        if (k >= 0 && k + 3 < n && IsFirst(e, k + 1) && std::find(s.begin(), s.end(), k) == s.end())
            s.push_back(k);
    };
    if (IsFirst(e, i)) {
        add(i - 1);
        if (i > 3 && IsSmooth(e, i - 1) && IsSecond(e, i - 2))
            add(i - 4);
    }
    if (IsSecond(e, i)) {
        add(i - 2);
        if (i < n - 4 && IsSmooth(e, i + 1) && IsFirst(e, i + 2))
            add(i + 1);
    }
    if (i > 2 && IsSecond(e, i - 1))
        add(i - 3);
    if (i < n - 3 && IsFirst(e, i + 1))
        add(i);
    return s;
}

void MovePointTo(ElementRecord& e, int i, Cord to, int oppositeLength)
{
    const int n = e.nItem;
    if (i < 0 || i >= n)
        return;
    Cord* c = e.Cords();
    const Cord target{Masked(to.x), Masked(to.y)};
    const int64_t dx = int64_t(target.x) - Masked(c[i].x);
    const int64_t dy = int64_t(target.y) - Masked(c[i].y);
    auto shift = [&](Cord& p) {
        p.x = Coord(Masked(p.x) + dx) | Flags(p.x);
        p.y = Coord(Masked(p.y) + dy) | Flags(p.y);
    };
    if (i > 2 && IsSecond(e, i - 1))
        shift(c[i - 1]);
    if (i < n - 1 && IsFirst(e, i + 1))
        shift(c[i + 1]);
    if (IsFirst(e, i) && i > 3 && IsSmooth(e, i - 1) && IsSecond(e, i - 2))
        Opposite(c[i - 1], target, oppositeLength, c[i - 2]);
    else if (IsSecond(e, i) && i >= 2 && i < n - 2 && IsSmooth(e, i + 1) && IsFirst(e, i + 2))
        Opposite(c[i + 1], target, oppositeLength, c[i + 2]);
    c[i] = {target.x | Flags(c[i].x), target.y | Flags(c[i].y)};
}

void BeginMovePoint()
{
    GuardEvent("MovePt", "BeginMovePoint", [] {
        MovePt.OppositeHandleLength = OppositeHandleLengthOf(Index.CurElement, Pick.HitVertexIndex);
        DrawMovingFigure();
    });
}

void MovePointBefore()
{
    GuardEvent("MovePt", "MovePointBefore", [] { DrawMovingFigure(); });
}

void MovePointAfter()
{
    GuardEvent("MovePt", "MovePointAfter", [] {
        MovePointTo(Index.CurElement, Pick.HitVertexIndex, Work.CursorMapPos, MovePt.OppositeHandleLength);
        DrawMovingFigure();
    });
}

void EndMovePoint()
{
    GuardEvent("MovePt", "EndMovePoint", [] { DrawMovingFigure(); });
}

} // namespace zemo
