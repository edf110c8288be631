#include "render/AreaRings.h"

#include "core/Numeric.h"
#include "render/Bezier.h"

#include <cstdlib>
#include <vector>

namespace zemo {

namespace {

__extension__ typedef __int128 Int128;

constexpr int32_t BezierFlags = FirstBezierFlag | SecondBezierFlag;

Cord Bare(Cord c) { return {Masked(c.x), Masked(c.y)}; }

// Walks the ring starting at s as straight pieces between masked points: curves flattened at
// the given depth and tolerance, the last point joined back to the first.
template <typename Piece>
void ScanRing(const Cord* points, int n, int s, int maxDepth, int tol, std::vector<Cord>& scratch,
              Piece&& piece)
{
    const int e = RingEnd(points, n, s);
    int i = s;
    while (i < e) {
        if (i + 3 < e && (points[i + 1].x & FirstBezierFlag)) {
            scratch.clear();
            FlattenBezierTo(points + i, scratch, maxDepth, tol);
            Cord a = Bare(points[i]);
            for (Cord q : scratch) {
                const Cord b = Bare(q);
                piece(a, b);
                a = b;
            }
            i += 3;
        } else if (i + 1 < e) {
            piece(Bare(points[i]), Bare(points[i + 1]));
            ++i;
        } else {
            piece(Bare(points[i]), Bare(points[s]));
            break;
        }
    }
}

} // namespace

double PathLength(const Cord* points, int n)
{
    constexpr int Depth = 6;
    Cord pieces[3 << Depth];
    double sum = 0;
    int i = 0;
    while (i < n - 1) {
        if (i < n - 3 && (points[i + 1].x & FirstBezierFlag)) {
            const int m = SubdivideBezier(points + i, pieces, Depth, 4);
            Cord s = Bare(points[i]);
            for (int k = 0; k + 2 < m; k += 3) {
                const Cord c1 = Bare(pieces[k]);
                const Cord e = Bare(pieces[k + 2]);
                sum += PointDistance(s, c1) + PointDistance(c1, e);
                s = e;
            }
            i += 3;
        } else {
            sum += PointDistance(Bare(points[i]), Bare(points[i + 1]));
            ++i;
        }
    }
    return sum / 256;
}

bool PointInOtherRings(Cord p, const Cord* points, int n, int skip)
{
    const Cord pm = Bare(p);
    std::vector<Cord> scratch;
    int crossings = 0;
    for (int s = 0; s < n; s = RingEnd(points, n, s)) {
        if (s == skip)
            continue;
        ScanRing(points, n, s, 4, 4, scratch, [&](Cord a, Cord b) {
            if ((pm.y > a.y) != (pm.y > b.y) && CrossingX(a, b, pm.y) <= pm.x)
                ++crossings;
        });
    }
    return crossings % 2 == 1;
}

bool RingInsideArea(const Cord* points, int n, int i)
{
    const int e = RingEnd(points, n, i);
    int inside = 0, outside = 0;
    for (int k = i; k < e; ++k) {
        if (points[k].x & BezierFlags)
            continue;
        if (PointInOtherRings(points[k], points, n, i))
            ++inside;
        else
            ++outside;
    }
    return inside > outside;
}

double PolygonArea(const Cord* points, int n)
{
    if (n <= 0)
        return 0;
    const int64_t x0 = Masked(points[0].x);
    std::vector<Cord> scratch;
    Int128 total = 0;
    for (int s = 0; s < n; s = RingEnd(points, n, s)) {
        Int128 ring = 0;
        ScanRing(points, n, s, 7, 8, scratch, [&](Cord a, Cord b) {
            ring += Int128(int64_t(b.y) - a.y) * (int64_t(a.x) + b.x - 2 * x0);
        });
        if (ring < 0)
            ring = -ring;
        if (RingInsideArea(points, n, s))
            total -= ring;
        else
            total += ring;
    }
    return double(total) / 2 / 256 / 256;
}

void OrientAreaRings(Cord* points, int n)
{
    for (int s = 0; s < n; s = RingEnd(points, n, s)) {
        if (RingInsideArea(points, n, s) == RingIsCcw(points, n, s))
            ReverseRing(points, n, s);
    }
}

} // namespace zemo
