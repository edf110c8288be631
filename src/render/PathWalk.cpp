#include "render/PathWalk.h"

#include "core/Numeric.h"
#include "render/Bezier.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace zemo {

PathWalkState PathWalk;

namespace {

constexpr double Pi = std::numbers::pi;
constexpr int64_t QuarterMm = 25 * 256;    // 0.25 mm
constexpr int64_t TwentiethMm = 5 * 256;   // 0.05 mm

Cord Bare(Cord c) { return {Masked(c.x), Masked(c.y)}; }

bool Far(Cord a, Cord b, int64_t lim)
{
    return std::abs(int64_t(Masked(a.x)) - Masked(b.x)) > lim
        || std::abs(int64_t(Masked(a.y)) - Masked(b.y)) > lim;
}

int32_t ClampGrid(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX & CoordMask));
}

// The point at t by de Casteljau with every level rounded to whole units; also the second
// level's two points, whose difference is the tangent.
void CurveAt(const Cord* p, double t, double& x, double& y, double& tx, double& ty)
{
    double px[4], py[4];
    for (int k = 0; k < 4; ++k) {
        px[k] = Masked(p[k].x);
        py[k] = Masked(p[k].y);
    }
    auto lerp = [t](double a, double b) { return std::nearbyint(b * t + a * (1 - t)); };
    const double q1x = lerp(px[0], px[1]), q1y = lerp(py[0], py[1]);
    const double r1x = lerp(px[1], px[2]), r1y = lerp(py[1], py[2]);
    const double sx = lerp(px[2], px[3]), sy = lerp(py[2], py[3]);
    const double q2x = lerp(q1x, r1x), q2y = lerp(q1y, r1y);
    const double r2x = lerp(r1x, sx), r2y = lerp(r1y, sy);
    x = lerp(q2x, r2x);
    y = lerp(q2y, r2y);
    tx = r2x - q2x;
    ty = r2y - q2y;
}

bool AtWalkEnd() { return PathWalk.Index >= PathWalk.PartLast; }

void LoadWalk(int first, int last)
{
    PathWalkState& w = PathWalk;
    w.Index = first;
    w.PartLast = last;
    w.Walked = 0;
    w.SegLength = 0;
    w.SegEnd = w.PathPointCount > 0 ? w.PathPoints[first] : Cord{};
    w.SegStart = w.SegEnd;
    w.SegIsCurve = false;
    w.Current = Bare(w.SegEnd);
    w.CurT = 0;
    NextPathSegment();
    w.Walked = 0;
}

// Direction of the straight stretch round the walker: from a point behind to a point ahead
// that lie clear of the walker.
void StraightDirection(double& dx, double& dy)
{
    const PathWalkState& w = PathWalk;
    const std::vector<Cord>& pp = w.PathPoints;
    const int e = std::min(w.Index, w.PathPointCount - 1);
    int b = std::max(e - 1, 0);
    while (b > 0 && !Far(pp[b], w.Current, QuarterMm) && !Far(pp[b], pp[e], QuarterMm))
        --b;
    int f = e;
    while (f < w.PathPointCount - 1 && !Far(pp[f], w.Current, QuarterMm)
           && !Far(pp[f], pp[b], QuarterMm))
        ++f;
    dx = double(Masked(pp[f].x)) - Masked(pp[b].x);
    dy = double(Masked(pp[f].y)) - Masked(pp[b].y);
}

double SegmentDirection(double dx, double dy)
{
    if (dx == 0)
        return dy >= 1 ? Pi / 2 : -Pi / 2;
    double a = std::atan(dy / dx);
    if (dx < 0)
        a += dy >= 1 ? Pi : -Pi;
    return a;
}

// The corner rule's start: updates the two directions and returns half the turn.
double HalfTurnAt(const Cord* points, int i, int count)
{
    PathWalkState& w = PathWalk;
    if (i == 0)
        w.PrevDirection = 0;
    if (!(points[i].x & SecondBezierFlag))
        w.PrevDirection = w.CurDirection;
    const int start = (points[i].x & FirstBezierFlag) && i + 1 < count ? i + 1 : i;
    int j = start + 1;
    while (j < count - 1 && !Far(points[j], points[start], TwentiethMm))
        ++j;
    if (j < count && Far(points[j], points[start], TwentiethMm)) {
        const double dx = double(Masked(points[j].x)) - Masked(points[start].x);
        const double dy = double(Masked(points[j].y)) - Masked(points[start].y);
        w.CurDirection = SegmentDirection(dx, dy);
        if (i == 0)
            w.PrevDirection = w.CurDirection;
    }
    double h = w.CurDirection - w.PrevDirection;
    if (h < -Pi)
        h += 2 * Pi;
    else if (h > Pi)
        h -= 2 * Pi;
    return h / 2;
}

Cord OffsetPoint(Cord base, double angle, double offset, double factor)
{
    const double dx = std::cos(angle) * offset * factor;
    const double dy = std::sin(angle) * offset * factor;
    return {Masked(SafeRound(dx + Masked(base.x))) | Flags(base.x),
            Masked(SafeRound(dy + Masked(base.y))) | Flags(base.y)};
}

int RingStartOf(const ElementRecord& e, int i)
{
    while (i > 0 && !(e.Cords()[i].y & HoleFlag))
        --i;
    return i;
}

bool ElementFits(const ElementRecord& e)
{
    return size_t(e.nItem) + e.nText <= ElementSlotCapacity;
}

} // namespace

void ResetPathWalkState()
{
    PathWalk = PathWalkState{};
}

void PrepareLinePath(const Cord* points, int n)
{
    PathWalkState& w = PathWalk;
    w.PathPoints.clear();
    w.PartLengths.clear();
    w.PartStarts.clear();
    w.PartCount = 0;
    w.LongestPart = 0;
    if (n > 0)
        w.PathPoints.push_back(points[0]);
    int k = 0;
    int s = 0;
    Cord pieces[3 * 4];
    while (k < n - 1) {
        if ((points[k + 1].x & FirstBezierFlag) && k < n - 3) {
            const size_t startAt = w.PathPoints.size() - 1;
            const int m = SubdivideBezier(points + k, pieces, 2, 4);
            w.PathPoints.insert(w.PathPoints.end(), pieces, pieces + m);
            const size_t last = w.PathPoints.size() - 1;
            for (size_t j = startAt; j < last; ++j) {
                if (points[k].x & NoLeftLineFlag)
                    w.PathPoints[j].x |= NoLeftLineFlag;
                if (points[k].y & NoRightLineFlag)
                    w.PathPoints[j].y |= NoRightLineFlag;
            }
            k += 2;
        } else {
            w.PathPoints.push_back(points[k + 1]);
        }
        if (k <= n - 3 && !(points[k + 1].y & (CornerFlag | DashFlag))) {
            ++k;
            continue;
        }
        Cord& end = w.PathPoints.back();
        end.y |= (points[k + 1].y & DashFlag) ? DashFlag : CornerFlag;
        const int count = int(w.PathPoints.size());
        int64_t len = 0;
        for (int j = s; j < count - 1;) {
            if ((w.PathPoints[j + 1].x & FirstBezierFlag) && j < count - 3) {
                len += SegmentLengthEstimate(w.PathPoints[j], w.PathPoints[j + 3]);
                j += 3;
            } else {
                len += SegmentLengthEstimate(w.PathPoints[j], w.PathPoints[j + 1]);
                ++j;
            }
        }
        const int32_t partLen = int32_t(std::min<int64_t>(len, INT32_MAX));
        w.PartStarts.push_back(s);
        w.PartLengths.push_back(partLen);
        w.LongestPart = std::max(w.LongestPart, partLen);
        s = count - 1;
        ++k;
    }
    w.PartCount = int(w.PartLengths.size());
    w.PathPointCount = int(w.PathPoints.size());
    w.PartIndex = 0;
    w.Index = 0;
    w.PartLast = std::max(w.PathPointCount - 1, 0);
    w.Walked = 0;
    w.SegLength = 0;
    w.SegIsCurve = false;
    w.Current = w.PathPointCount > 0 ? Bare(w.PathPoints[0]) : Cord{};
    w.SegStart = w.SegEnd = w.PathPointCount > 0 ? w.PathPoints[0] : Cord{};
}

void PrepareLinePath(const ElementRecord& e)
{
    const int n = int(std::min<size_t>(e.nItem, ElementSlotCapacity));
    PrepareLinePath(e.Cords(), n);
}

void StartPathWalk()
{
    PathWalkState& w = PathWalk;
    int64_t total = 0;
    for (int32_t l : w.PartLengths)
        total += l;
    w.TotalLength = int32_t(std::min<int64_t>(total, INT32_MAX));
    w.PartIndex = 0;
    LoadWalk(0, std::max(w.PathPointCount - 1, 0));
}

bool BeginLinePart(int32_t a, int32_t c, int32_t b, int32_t dEnd, int32_t dStart, int minSym)
{
    PathWalkState& w = PathWalk;
    if (w.PartIndex < 0 || w.PartIndex >= w.PartCount) {
        w.StartDist = w.StartLen = w.DashCount = w.EndLen = w.EndDist = 0;
        w.DashScale = 0;
        return true;
    }
    const int first = w.PartStarts[w.PartIndex];
    const int last = w.PartIndex + 1 < w.PartCount ? w.PartStarts[w.PartIndex + 1]
                                                   : w.PathPointCount - 1;
    const int64_t len = w.PartLengths[w.PartIndex];
    const int64_t sStart = w.PartIndex == 0 ? dStart : 0;
    const int64_t sEnd = w.PartIndex == w.PartCount - 1 ? dEnd : 0;
    const int64_t startLen = sStart == 0 && (w.PathPoints[first].y & DashFlag) ? a / 2 : b;
    const int64_t endLen = sEnd == 0 && (w.PathPoints[last].y & DashFlag) ? a / 2 : b;
    const int64_t rest = len - sStart - startLen - c - endLen - sEnd;
    int64_t n = 0;
    if (int64_t(a) + c >= 1 && rest >= 1)
        n = int64_t(std::nearbyint(double(rest) / double(int64_t(a) + c)));
    if (n == 0 && minSym > 0)
        n = 1;
    const int64_t total = sStart + startLen + n * a + endLen + sEnd;
    const int64_t free = len - (n + 1) * c;
    w.DashScale = total > 0 && free > 0 ? double(free) / double(total) : 0;
    w.StartDist = int32_t(sStart);
    w.StartLen = int32_t(startLen);
    w.DashCount = int32_t(std::min<int64_t>(n, INT32_MAX));
    w.EndLen = int32_t(endLen);
    w.EndDist = int32_t(sEnd);
    LoadWalk(first, last);
    return true;
}

void NextPathSegment()
{
    PathWalkState& w = PathWalk;
    w.Walked += w.SegLength;
    if (w.PathPointCount == 0 || AtWalkEnd()) {
        w.SegStart = w.SegEnd;
        w.SegIsCurve = false;
        w.SegLength = 0;
        return;
    }
    w.SegStart = w.PathPoints[w.Index];
    ++w.Index;
    w.SegIsCurve = false;
    if ((w.PathPoints[w.Index].x & FirstBezierFlag) && w.Index < w.PartLast - 1) {
        w.SegC1 = w.PathPoints[w.Index];
        w.SegC2 = w.PathPoints[w.Index + 1];
        w.Index += 2;
        w.SegIsCurve = true;
    }
    w.SegEnd = w.PathPoints[w.Index];
    w.SegEndIsCorner = (w.SegEnd.y & CornerFlag) != 0;
    w.SegLength = SegmentLengthEstimate(w.SegStart, w.SegEnd);
    w.CurT = 0;
}

void WalkPathTo(int32_t d)
{
    PathWalkState& w = PathWalk;
    while ((int64_t(d) > int64_t(w.Walked) + w.SegLength || w.SegLength == 0) && !AtWalkEnd())
        NextPathSegment();
    if (int64_t(d) > int64_t(w.Walked) + w.SegLength || w.SegLength == 0) {
        w.Current = Bare(w.SegEnd);
        w.Walked = d;
        w.SegLength = 0;
        w.CurT = 1;
        return;
    }
    const double u = std::clamp(double(int64_t(d) - w.Walked) / w.SegLength, 0.0, 1.0);
    if (!w.SegIsCurve) {
        const double x = Masked(w.SegStart.x) + u * (double(Masked(w.SegEnd.x)) - Masked(w.SegStart.x));
        const double y = Masked(w.SegStart.y) + u * (double(Masked(w.SegEnd.y)) - Masked(w.SegStart.y));
        w.Current = {Masked(SafeRound(x)), Masked(SafeRound(y))};
        w.CurT = u;
        return;
    }
    const Cord seg[4] = {w.SegStart, w.SegC1, w.SegC2, w.SegEnd};
    const double sx = Masked(w.SegStart.x), sy = Masked(w.SegStart.y);
    const double ex = Masked(w.SegEnd.x), ey = Masked(w.SegEnd.y);
    double t = u, x = sx, y = sy, tx, ty;
    for (int round = 0; round < 32; ++round) {
        CurveAt(seg, t, x, y, tx, ty);
        const double a = std::hypot(x - sx, y - sy);
        const double b = std::hypot(x - ex, y - ey);
        if (a + b == 0)
            break;
        const double f = a / (a + b);
        if (std::abs(f - u) * (a + b) < 256)
            break;
        t = std::clamp(t + std::clamp(u - f, -0.05, 0.05), 0.0, 1.0);
    }
    w.CurT = t;
    w.Current = {Masked(SafeRound(x)), Masked(SafeRound(y))};
}

void PathDirectionHere(double& sinA, double& cosA)
{
    PathWalkState& w = PathWalk;
    double dx = 0, dy = 0;
    if (w.SegIsCurve) {
        const Cord seg[4] = {w.SegStart, w.SegC1, w.SegC2, w.SegEnd};
        double x, y;
        CurveAt(seg, w.CurT, x, y, dx, dy);
    } else if (w.PathPointCount > 0) {
        StraightDirection(dx, dy);
    }
    double len = std::hypot(dx, dy);
    if (len == 0)
        len = 1;
    sinA = dy / len;
    cosA = dx / len;
    w.HereSin = sinA;
    w.HereCos = cosA;
}

void WalkOffsetPoints(int32_t halfWidth, Cord& left, Cord& right)
{
    PathWalkState& w = PathWalk;
    double dx = 0, dy = 0;
    if (w.SegIsCurve) {
        dx = double(Masked(w.SegC1.x)) - Masked(w.SegStart.x);
        dy = double(Masked(w.SegC1.y)) - Masked(w.SegStart.y);
    } else if (w.PathPointCount > 0) {
        StraightDirection(dx, dy);
    }
    const double len = std::hypot(dx, dy) == 0 ? 1 : std::hypot(dx, dy);
    const int64_t ox = int64_t(SafeRound(halfWidth / len * dx)) * 256;
    const int64_t oy = int64_t(SafeRound(halfWidth / len * dy)) * 256;
    const int64_t x = w.Current.x, y = w.Current.y;
    left = {ClampGrid(x - oy), ClampGrid(y + ox)};
    right = {ClampGrid(x + oy), ClampGrid(y - ox)};
    w.LeftPoint = left;
    w.RightPoint = right;
}

void PathAngleAt(const Cord* points, int i, int32_t leftOffset, int count, int32_t rightOffset,
                 Cord& left, Cord& right)
{
    if (i < 0 || i >= count)
        return;
    const double h = HalfTurnAt(points, i, count);
    const double c = std::cos(h);
    const double factor = c <= 0.25 ? 4.0 * 256 : 256 / c;
    const double angle = h + PathWalk.PrevDirection - Pi / 2;
    left = OffsetPoint(points[i], angle, leftOffset, factor);
    right = OffsetPoint(points[i], angle, rightOffset, factor);
    PathWalk.LeftPoint = left;
    PathWalk.RightPoint = right;
}

double CornerAngleAt(const Cord* points, int count, int i)
{
    PathWalkState& w = PathWalk;
    if (i < 0 || i >= count)
        return w.AcrossFactor;
    const double h = HalfTurnAt(points, i, count);
    const double c = std::cos(h);
    w.BisectorSin = std::sin(h + w.PrevDirection);
    w.BisectorCos = std::cos(h + w.PrevDirection);
    w.AcrossFactor = c <= 0.25 ? 4.0 : 1 / c;
    return w.AcrossFactor;
}

void OffsetWorkPath(Cord* points, int count, int32_t offset)
{
    std::vector<Cord> out(std::max(count, 0));
    for (int i = 0; i < count; ++i) {
        Cord right;
        PathAngleAt(points, i, offset, count, 0, out[i], right);
    }
    std::copy(out.begin(), out.end(), points);
}

bool InsertElementPoint(int index, Cord point, ElementRecord& e)
{
    if (!ElementFits(e) || index < -1 || index >= int(e.nItem))
        return false;
    if (e.nItem >= MaxElementItems || size_t(e.nItem) + e.nText + 1 > ElementSlotCapacity)
        return false;
    Cord* slots = e.Slots.data();
    const size_t used = size_t(e.nItem) + e.nText;
    std::memmove(slots + index + 2, slots + index + 1, (used - size_t(index + 1)) * sizeof(Cord));
    slots[index + 1] = point;
    ++e.nItem;
    return true;
}

bool SplitSegmentAt(ElementRecord& e, int& i, double t)
{
    if (!ElementFits(e))
        return false;
    const int n = e.nItem;
    const bool area = e.ObjectType == AreaObject;
    if (i < 0 || i >= n || (!area && i > n - 2))
        return true;
    Cord* p = e.Cords();
    const int32_t sideX = p[i].x & NoLeftLineFlag;
    const int32_t sideY = p[i].y & NoRightLineFlag;
    if (i < n - 3 && (p[i + 1].x & FirstBezierFlag)) {
        Cord c1, c2, x, x2, d1, d2;
        SplitBezierFirstHalf(p + i, t, c1, c2, x);
        SplitBezierSecondHalf(p + i, t, x2, d1, d2);
        if (CordsWithinUnits(x, p[i], 4))
            return true;
        if (CordsWithinUnits(x, p[i + 3], 4)) {
            i += 3;
            return true;
        }
        if (e.nItem + 3 > MaxElementItems || size_t(e.nItem) + e.nText + 3 > ElementSlotCapacity)
            return false;
        auto side = [&](Cord c) { return Cord{c.x | sideX, c.y | sideY}; };
        p[i + 1] = side(c1);
        p[i + 2] = side(c2);
        InsertElementPoint(i + 2, side(x), e);
        InsertElementPoint(i + 3, side(d1), e);
        InsertElementPoint(i + 4, side(d2), e);
        i += 3;
        return true;
    }
    const bool closing = i + 1 >= n || (p[i + 1].y & HoleFlag);
    const Cord end = closing ? p[RingStartOf(e, i)] : p[i + 1];
    t = std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.0;
    const double dx = double(Masked(end.x)) - Masked(p[i].x);
    const double dy = double(Masked(end.y)) - Masked(p[i].y);
    const Cord x{Masked(SafeRound(Masked(p[i].x) + std::nearbyint(t * dx))) | sideX,
                 Masked(SafeRound(Masked(p[i].y) + std::nearbyint(t * dy))) | sideY};
    if (CordsWithinUnits(x, p[i], 4))
        return true;
    if (!CordsWithinUnits(x, end, 4) && !InsertElementPoint(i, x, e))
        return false;
    i = closing ? RingStartOf(e, i) : i + 1;
    return true;
}

void ScaleVector(int32_t& dx, int32_t& dy, int32_t length)
{
    double len = std::hypot(double(dx), double(dy));
    if (len == 0)
        len = 1;
    const int64_t x = int64_t(SafeRound(length / len * dx)) * 256;
    const int64_t y = int64_t(SafeRound(length / len * dy)) * 256;
    dx = ClampGrid(x);
    dy = ClampGrid(y);
}

int32_t SegmentXAtY(Cord a, Cord b, int32_t y)
{
    if (Masked(a.y) == Masked(b.y))
        return Masked(int32_t((int64_t(a.x) + b.x) / 2));
    const double x = a.x + double(int64_t(b.x) - a.x) / double(int64_t(b.y) - a.y) * (double(y) - a.y);
    return Masked(SafeRound(x));
}

} // namespace zemo
