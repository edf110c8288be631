#include "edit/Parallel.h"

#include "core/Numeric.h"
#include "edit/EditTransform.h"
#include "render/Bezier.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace zemo {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr int32_t ControlFlags = FirstBezierFlag | SecondBezierFlag;
// Points closer than this (0.01 mm, in x and in y) give no direction.
constexpr int32_t SameSpot = 5;
// The most a spike's anchor moves: ten times the distance.
constexpr double MostFactor = 10;
// Curve segments turning by more than this are split before the move.
constexpr double SplitTurn = Pi / 3;

bool IsControl(Cord c)
{
    return (c.x & ControlFlags) != 0;
}

double Normalised(double a)
{
    while (a > Pi)
        a -= 2 * Pi;
    while (a < -Pi)
        a += 2 * Pi;
    return a;
}

double Direction(Cord from, Cord to)
{
    return std::atan2(double(Masked(to.y)) - Masked(from.y), double(Masked(to.x)) - Masked(from.x));
}

double Length(Cord a, Cord b)
{
    return std::hypot(double(Masked(a.x)) - Masked(b.x), double(Masked(a.y)) - Masked(b.y));
}

int32_t Put(double v, int32_t flagsFrom)
{
    return Masked(SafeRound(v)) | Flags(flagsFrom);
}

// The nearest point before (step -1) or after (step 1) point i that lies apart from it; a
// ring wraps around. -1 when there is none.
int Neighbour(const Cord* p, int n, int i, int step, bool ring)
{
    for (int k = 1; k < n; ++k) {
        int j = i + step * k;
        if (ring)
            j = ((j % n) + n) % n;
        else if (j < 0 || j >= n)
            return -1;
        if (!CordsWithinUnits(p[j], p[i], SameSpot))
            return j;
    }
    return -1;
}

// The anchor moved along the bisector of its turn.
Cord MovedAnchor(const Cord* p, int n, int i, int32_t d, bool ring)
{
    const int prev = Neighbour(p, n, i, -1, ring), next = Neighbour(p, n, i, 1, ring);
    if (prev < 0 && next < 0)
        return p[i];
    const double a1 = prev >= 0 ? Direction(p[prev], p[i]) : Direction(p[i], p[next]);
    const double a2 = next >= 0 ? Direction(p[i], p[next]) : a1;
    const double h = Normalised(a2 - a1) / 2;
    const double c = std::cos(h);
    const double factor = c <= 0.1 ? MostFactor : 1 / c;
    const double bisector = a2 - h;
    const double distance = double(d) * UnitsPerHundredthMm * factor;
    // To the right of the direction of travel.
    const int64_t dx = RoundToGrid(distance * std::sin(bisector));
    const int64_t dy = RoundToGrid(-distance * std::cos(bisector));
    return {Put(double(Masked(p[i].x)) + double(dx), p[i].x), Put(double(Masked(p[i].y)) + double(dy), p[i].y)};
}

} // namespace

void PrepareParallelRange(const ElementRecord& whole, int first, int last, ElementRecord& range)
{
    const int n = whole.nItem;
    first = std::clamp(first, 0, std::max(n - 1, 0));
    last = std::clamp(last, first, std::max(n - 1, 0));
    range.Symbol = whole.Symbol;
    range.ObjectType = whole.ObjectType;
    range.Flags = whole.Flags;
    range.nText = 0;
    range.Angle = whole.Angle;
    range.Word10 = whole.Word10;
    range.Word12 = whole.Word12;
    range.Word14 = whole.Word14;
    range.LayerName = whole.LayerName;
    const Cord* p = whole.Cords();
    Cord* out = range.Cords();
    int m = 0;
    const int room = std::min(MaxElementItems, int(ElementSlotCapacity));
    int i = first;
    while (n > 0 && i <= last) {
        out[m++] = p[i];
        const bool curve = i + 3 <= last && (p[i + 1].x & FirstBezierFlag);
        if (!curve) {
            ++i;
            continue;
        }
        const double turn = Normalised(Direction(p[i + 2], p[i + 3]) - Direction(p[i], p[i + 1]));
        Cord half[6];
        int count = 0;
        if (std::fabs(turn) > SplitTurn && m + (last - i) + 4 <= room)
            count = SubdivideBezier(p + i, half, 1, 5);
        if (count == 6) {
            // The pieces keep the side-line flags of the segment; its end (written as the
            // next start) keeps its own.
            const int32_t sideX = p[i].x & NoLeftLineFlag, sideY = p[i].y & NoRightLineFlag;
            for (int k = 0; k < 5; ++k)
                out[m++] = {half[k].x | sideX, half[k].y | sideY};
        } else {
            out[m++] = p[i + 1];
            out[m++] = p[i + 2];
        }
        i += 3;
    }
    range.nItem = uint16_t(m);
}

bool ParallelLine(const ElementRecord& source, int32_t d, bool ring, ElementRecord& out)
{
    const int n = std::min<int>(source.nItem, int(ElementSlotCapacity));
    const Cord* p = source.Cords();
    // A line whose ends meet moves as a ring, so that its ends move alike and meet again.
    const bool closedLine = !ring && n >= 4 && !IsControl(p[0]) && !IsControl(p[n - 1])
                            && CordsEqual(p[0], p[n - 1]);
    const bool wraps = ring || closedLine;
    std::vector<Cord> moved(size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        if (!IsControl(p[i]))
            moved[size_t(i)] = MovedAnchor(p, n, i, d, wraps);

    // An anchor whose new segment turns back against its old one goes.
    std::vector<bool> keep(size_t(std::max(n, 0)), false);
    int anchors = 0, lastKept = -1;
    for (int i = 0; i < n; ++i) {
        if (IsControl(p[i]))
            continue;
        bool ok = true;
        if (lastKept >= 0) {
            const double ox = double(Masked(p[i].x)) - Masked(p[lastKept].x);
            const double oy = double(Masked(p[i].y)) - Masked(p[lastKept].y);
            const double nx = double(Masked(moved[size_t(i)].x)) - Masked(moved[size_t(lastKept)].x);
            const double ny = double(Masked(moved[size_t(i)].y)) - Masked(moved[size_t(lastKept)].y);
            ok = ox * nx + oy * ny > 0;
        }
        if (ok) {
            keep[size_t(i)] = true;
            lastKept = i;
            ++anchors;
        }
    }
    if (anchors < (wraps ? 3 : 2))
        return false;

    // The control points follow the anchors of their segment.
    for (int i = 0; i + 3 < n; ++i) {
        if (IsControl(p[i]) || !(p[i + 1].x & FirstBezierFlag) || IsControl(p[i + 3]))
            continue;
        const Cord a = moved[size_t(i)], b = moved[size_t(i + 3)];
        const double chord = Length(p[i], p[i + 3]);
        const double factor = chord <= 1024 ? 1.0 : Length(a, b) / chord;
        // A control point: its new anchor plus its old leg, scaled.
        const auto follow = [factor](Cord anchor, Cord control, Cord oldAnchor) {
            const double dx = (double(Masked(control.x)) - Masked(oldAnchor.x)) * factor;
            const double dy = (double(Masked(control.y)) - Masked(oldAnchor.y)) * factor;
            return Cord{Put(Masked(anchor.x) + dx, control.x), Put(Masked(anchor.y) + dy, control.y)};
        };
        moved[size_t(i + 1)] = follow(a, p[i + 1], p[i]);
        moved[size_t(i + 2)] = follow(b, p[i + 2], p[i + 3]);
        i += 2;
    }

    // A control point stays with the anchor its segment leads to.
    std::vector<Cord> result;
    result.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        int to = i;
        while (to < n && IsControl(p[to]))
            ++to;
        if (to < n && keep[size_t(to)])
            result.push_back(moved[size_t(i)]);
    }
    if (ring && !result.empty() && n > 0)
        result.front().y = (result.front().y & ~HoleFlag) | (p[0].y & HoleFlag);
    if (closedLine) {
        // The end point may have been dropped as a spike: the line still ends where it starts.
        const Cord start = result.front(), end = p[n - 1];
        const Cord closing{Masked(start.x) | Flags(end.x), Masked(start.y) | Flags(end.y)};
        if (keep[size_t(n - 1)])
            result.back() = closing;
        else
            result.push_back(closing);
    }
    out.Symbol = source.Symbol;
    out.ObjectType = source.ObjectType;
    out.Flags = source.Flags;
    out.nText = 0;
    out.Angle = source.Angle;
    out.Word10 = source.Word10;
    out.Word12 = source.Word12;
    out.Word14 = source.Word14;
    out.LayerName = source.LayerName;
    std::copy(result.begin(), result.end(), out.Cords());
    out.nItem = uint16_t(result.size());
    return true;
}

} // namespace zemo
