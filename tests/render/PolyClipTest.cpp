// Outline operations: coincident points, nearest points, inside tests, crossings, clipping,
// union and separation; union and clip measured against GEOS on random areas with holes and
// curves (flattened the same way for both).
#include "core/Numeric.h"
#include "render/Bezier.h"
#include "render/PolyClip.h"

#include <geos_c.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace zemo {
namespace {

constexpr int32_t Mm = 25600;
using Points = std::vector<Cord>;

Cord P(double xMm, double yMm, int32_t fx = 0, int32_t fy = 0)
{
    return {RoundToGrid(xMm * Mm) | fx, RoundToGrid(yMm * Mm) | fy};
}

// An axis-parallel rectangle, counter-clockwise; `hole` flags its first point.
Points Rect(double x1, double y1, double x2, double y2, bool hole = false)
{
    return {P(x1, y1, 0, hole ? HoleFlag : 0), P(x2, y1), P(x2, y2), P(x1, y2)};
}

Points Join(std::initializer_list<Points> rings)
{
    Points out;
    for (const Points& r : rings)
        out.insert(out.end(), r.begin(), r.end());
    return out;
}

std::vector<Points> Collect(bool (*op)(const Cord*, const Cord*, int, const OutlineFn&, int), const Points& a,
                            const Points& b, bool* ok = nullptr)
{
    std::vector<Points> got;
    const bool r = op(a.data(), b.data(), int(a.size()), [&got](const Cord* p, int n) { got.emplace_back(p, p + n); },
                      int(b.size()));
    if (ok)
        *ok = r;
    return got;
}

// ---- Flattening and GEOS ----

constexpr int CurveSteps = 200;

// The rings of an outline as closed point lists in millimetres, curves flattened finely.
std::vector<std::vector<std::pair<double, double>>> FlatRings(const Cord* p, int n)
{
    std::vector<std::vector<std::pair<double, double>>> rings;
    auto mm = [](Cord c) { return std::pair{double(Masked(c.x)) / Mm, double(Masked(c.y)) / Mm}; };
    for (int s = 0; s < n; s = RingEnd(p, n, s)) {
        const int e = RingEnd(p, n, s);
        std::vector<std::pair<double, double>> ring{mm(p[s])};
        for (int i = s; i < e;) {
            if (i + 3 < e && (p[i + 1].x & FirstBezierFlag)) {
                // Not rounded to the grid: short pieces would zigzag and lengthen the curve.
                double x[4], y[4];
                for (int k = 0; k < 4; ++k) {
                    x[k] = Masked(p[i + k].x);
                    y[k] = Masked(p[i + k].y);
                }
                for (int k = 1; k <= CurveSteps; ++k) {
                    double px, py;
                    BezierPointAt(x, y, double(k) / CurveSteps, px, py);
                    ring.emplace_back(px / Mm, py / Mm);
                }
                i += 3;
            } else {
                ring.push_back(mm(p[i + 1 < e ? i + 1 : s]));
                ++i;
            }
        }
        if (ring.back() != ring.front())
            ring.push_back(ring.front());
        rings.push_back(std::move(ring));
    }
    return rings;
}

double FlatLength(const Points& line)
{
    double sum = 0;
    for (const auto& ring : FlatRings(line.data(), int(line.size())))
        for (size_t k = 1; k + 1 < ring.size(); ++k)  // the closing piece is not part of a line
            sum += std::hypot(ring[k].first - ring[k - 1].first, ring[k].second - ring[k - 1].second);
    return sum;
}

class Geos {
public:
    Geos() : h_(GEOS_init_r()) {}
    ~Geos()
    {
        for (GEOSGeometry* g : owned_)
            GEOSGeom_destroy_r(h_, g);
        GEOS_finish_r(h_);
    }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    GEOSGeometry* Keep(GEOSGeometry* g)
    {
        if (g)
            owned_.push_back(g);
        return g;
    }
    GEOSCoordSequence* Seq(const std::vector<std::pair<double, double>>& pts)
    {
        GEOSCoordSequence* s = GEOSCoordSeq_create_r(h_, unsigned(pts.size()), 2);
        for (size_t k = 0; k < pts.size(); ++k)
            GEOSCoordSeq_setXY_r(h_, s, unsigned(k), pts[k].first, pts[k].second);
        return s;
    }
    // The first ring as the shell, the others as its holes.
    GEOSGeometry* RingsPolygon(const Points& area)
    {
        auto rings = FlatRings(area.data(), int(area.size()));
        GEOSGeometry* shell = GEOSGeom_createLinearRing_r(h_, Seq(rings[0]));
        std::vector<GEOSGeometry*> holes;
        for (size_t k = 1; k < rings.size(); ++k)
            holes.push_back(GEOSGeom_createLinearRing_r(h_, Seq(rings[k])));
        return GEOSGeom_createPolygon_r(h_, shell, holes.data(), unsigned(holes.size()));
    }
    GEOSGeometry* RingPolygon(const std::vector<std::pair<double, double>>& ring)
    {
        GEOSGeometry* shell = GEOSGeom_createLinearRing_r(h_, Seq(ring));
        return GEOSGeom_createPolygon_r(h_, shell, nullptr, 0);
    }
    // The area an outline fills by the even-odd rule: the rings' polygons taken in turn by
    // symmetric difference, each made valid first.
    GEOSGeometry* EvenOdd(const Cord* p, int n)
    {
        GEOSGeometry* acc = GEOSGeom_createEmptyPolygon_r(h_);
        for (const auto& ring : FlatRings(p, n)) {
            if (ring.size() < 4)
                continue;
            GEOSGeometry* poly = RingPolygon(ring);
            GEOSGeometry* valid = GEOSMakeValid_r(h_, poly);
            GEOSGeom_destroy_r(h_, poly);
            GEOSGeometry* next = GEOSSymDifference_r(h_, acc, valid);
            GEOSGeom_destroy_r(h_, valid);
            GEOSGeom_destroy_r(h_, acc);
            acc = next;
        }
        return Keep(acc);
    }
    GEOSGeometry* Line(const Points& line)
    {
        auto rings = FlatRings(line.data(), int(line.size()));
        auto pts = rings.front();
        pts.pop_back();  // the closing point
        return Keep(GEOSGeom_createLineString_r(h_, Seq(pts)));
    }
    GEOSGeometry* Union(GEOSGeometry* a, GEOSGeometry* b) { return Keep(GEOSUnion_r(h_, a, b)); }
    GEOSGeometry* Intersection(GEOSGeometry* a, GEOSGeometry* b) { return Keep(GEOSIntersection_r(h_, a, b)); }
    double Area(const GEOSGeometry* g)
    {
        double a = 0;
        GEOSArea_r(h_, g, &a);
        return a;
    }
    double Length(const GEOSGeometry* g)
    {
        double l = 0;
        GEOSLength_r(h_, g, &l);
        return l;
    }
    bool Valid(const GEOSGeometry* g) { return GEOSisValid_r(h_, g) == 1; }
    // Distance of a point (mm) from the geometry.
    double Distance(const GEOSGeometry* g, double x, double y)
    {
        GEOSGeometry* pt = GEOSGeom_createPointFromXY_r(h_, x, y);
        double d = 0;
        GEOSDistance_r(h_, g, pt, &d);
        GEOSGeom_destroy_r(h_, pt);
        return d;
    }

private:
    GEOSContextHandle_t h_;
    std::vector<GEOSGeometry*> owned_;
};

// ---- Random areas ----

// A star-shaped ring round (cx, cy) with radii between rMin and r; some segments curved a
// little to either side (not enough to cross a neighbour). Counter-clockwise.
Points StarRing(std::mt19937& rng, double cx, double cy, double rMin, double r, bool curves, bool hole)
{
    std::uniform_real_distribution<double> u(0, 1);
    const int k = 6 + int(u(rng) * 7);
    std::vector<std::pair<double, double>> v;
    for (int j = 0; j < k; ++j) {
        const double a = (j + (u(rng) - 0.5) * 0.6) * 2 * std::numbers::pi / k;
        const double rad = rMin + (r - rMin) * u(rng);
        v.emplace_back(cx + rad * std::cos(a), cy + rad * std::sin(a));
    }
    Points ring{P(v[0].first, v[0].second, 0, hole ? HoleFlag : 0)};
    for (int j = 0; j < k; ++j) {
        const auto [x0, y0] = v[size_t(j)];
        const auto [x1, y1] = v[size_t((j + 1) % k)];
        const bool last = j == k - 1;
        if (curves && u(rng) < 0.4) {
            const double nx = -(y1 - y0), ny = x1 - x0;  // the chord turned a quarter: its length
            const double o1 = (u(rng) - 0.5) * 0.16, o2 = (u(rng) - 0.5) * 0.16;
            ring.push_back(P(x0 + (x1 - x0) / 3 + nx * o1, y0 + (y1 - y0) / 3 + ny * o1, FirstBezierFlag));
            ring.push_back(P(x0 + 2 * (x1 - x0) / 3 + nx * o2, y0 + 2 * (y1 - y0) / 3 + ny * o2, SecondBezierFlag));
            ring.push_back(P(x1, y1));  // a curve back to the start ends on it
        } else if (!last) {
            ring.push_back(P(x1, y1));
        }
    }
    return ring;
}

// An outer ring with a hole (most of the time) round a random centre.
Points RandomArea(std::mt19937& rng, double spread)
{
    std::uniform_real_distribution<double> u(0, 1);
    const double cx = (u(rng) - 0.5) * spread, cy = (u(rng) - 0.5) * spread;
    const double r = 10 + 30 * u(rng);
    Points area = StarRing(rng, cx, cy, 0.6 * r, r, true, false);
    if (u(rng) < 0.7) {
        const Points hole = StarRing(rng, cx + (u(rng) - 0.5) * 0.1 * r, cy, 0.08 * r, 0.18 * r, u(rng) < 0.5, true);
        area.insert(area.end(), hole.begin(), hole.end());
    }
    return area;
}

// |ours - reference| within 0.5 % of the reference; the few hundredths of a square millimetre
// allowed beside it are what crossings placed to 0.005 mm can move on a short overlap.
::testing::AssertionResult Near(double ours, double reference, double slack)
{
    if (std::fabs(ours - reference) <= 0.005 * std::fabs(reference) + slack)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ours << " against " << reference;
}

// ---- Tests ----

TEST(PolyClip, CoincidentPointsGoCornersControlsAndRingEndsStay)
{
    struct Case {
        const char* name;
        Points in;
        Points out;
    };
    const Case cases[] = {
        {"a point within 0.03 mm of the last goes", {P(0, 0), P(0.02, 0.02), P(5, 0)}, {P(0, 0), P(5, 0)}},
        {"0.04 mm away it stays", {P(0, 0), P(0.04, 0), P(5, 0)}, {P(0, 0), P(0.04, 0), P(5, 0)}},
        {"a corner on its neighbour stays", {P(0, 0), P(0.01, 0, 0, CornerFlag), P(5, 0)},
         {P(0, 0), P(0.01, 0, 0, CornerFlag), P(5, 0)}},
        {"the last point stays", {P(0, 0), P(5, 0), P(5.01, 0)}, {P(0, 0), P(5, 0), P(5.01, 0)}},
        {"a ring's last and the next ring's first stay",
         {P(0, 0), P(5, 0), P(5, 5), P(5.01, 5), P(5.01, 5, 0, HoleFlag), P(6, 6), P(7, 6)},
         {P(0, 0), P(5, 0), P(5, 5), P(5.01, 5), P(5.01, 5, 0, HoleFlag), P(6, 6), P(7, 6)}},
        {"a curve's start on the last point hands the curve to it",
         {P(0, 0), P(0.01, 0), P(2, 2, FirstBezierFlag), P(4, 2, SecondBezierFlag), P(6, 0), P(9, 0)},
         {P(0, 0), P(2, 2, FirstBezierFlag), P(4, 2, SecondBezierFlag), P(6, 0), P(9, 0)}},
        {"a curve that stays within 0.06 mm goes whole",
         {P(0, 0), P(0.02, 0.01, FirstBezierFlag), P(0.04, 0.01, SecondBezierFlag), P(0.05, 0), P(9, 0)},
         {P(0, 0), P(9, 0)}},
        {"a short curve with far controls stays",
         {P(0, 0), P(3, 3, FirstBezierFlag), P(-3, 3, SecondBezierFlag), P(0.05, 0), P(9, 0)},
         {P(0, 0), P(3, 3, FirstBezierFlag), P(-3, 3, SecondBezierFlag), P(0.05, 0), P(9, 0)}},
    };
    for (const Case& c : cases) {
        Points p = c.in;
        const int n = RemoveDuplicatePoints(p.data(), int(p.size()));
        EXPECT_EQ(Points(p.begin(), p.begin() + n), c.out) << c.name;
    }
}

TEST(PolyClip, RingsNearestPointsAndInsideTests)
{
    const Points area = Join({Rect(0, 0, 10, 10), Rect(3, 3, 6, 6, true)});
    EXPECT_EQ(NextRingIndex(area.data(), 8, 2), 3);
    EXPECT_EQ(NextRingIndex(area.data(), 8, 3), 0);   // the outer ring's last wraps to its first
    EXPECT_EQ(NextRingIndex(area.data(), 8, 7), 4);   // the hole's last to the hole's first

    struct Hit {
        Cord p;
        bool on;
        int index;
        double t;
    };
    const Hit hits[] = {
        {P(5, 0.05), true, 0, 0.5},      // 0.05 mm off the first edge
        {P(10, 10), true, 2, 0},         // on a corner
        {P(0, 5), true, 3, 0.5},         // on the closing edge of the outer ring
        {P(6, 4.5), true, 5, 0.5},       // on the hole
        {P(5, 0.1), false, 0, 0.5},      // 0.1 mm off: beyond 0.08 mm
    };
    for (const Hit& h : hits) {
        double t = -1;
        int index = -1;
        EXPECT_EQ(NearestSegmentPoint(h.p, area.data(), 8, t, index), h.on) << h.p.x << "," << h.p.y;
        if (h.on) {
            EXPECT_EQ(index, h.index);
            EXPECT_NEAR(t, h.t, 1e-3);
        }
    }
    // A curve: the nearest point lies on the arc, not on its control polygon.
    const Points curve{P(0, 0), P(0, 5, FirstBezierFlag), P(10, 5, SecondBezierFlag), P(10, 0)};
    double t = 0;
    int index = -1;
    EXPECT_TRUE(NearestSegmentPoint(P(5, 3.75), curve.data(), 4, t, index));
    EXPECT_EQ(index, 0);
    EXPECT_NEAR(t, 0.5, 0.02);
    EXPECT_FALSE(NearestSegmentPoint(P(5, 5), curve.data(), 4, t, index));

    struct Inside {
        Cord p;
        int ring;
        bool in;
    };
    const Inside tests[] = {
        {P(1, 1), -1, true}, {P(4, 4), -1, false}, {P(4, 4), 0, true}, {P(4, 4), 4, true},
        {P(1, 1), 4, false}, {P(11, 5), -1, false}, {P(-1, 5), 0, false},
    };
    for (const Inside& c : tests)
        EXPECT_EQ(PointInRing(c.p, area.data(), 8, c.ring), c.in) << c.p.x << "," << c.p.y << " ring " << c.ring;
    EXPECT_TRUE(PointInArea(P(5, 3), curve.data(), 4));
    EXPECT_FALSE(PointInArea(P(5, 4.5), curve.data(), 4));
}

TEST(PolyClip, CrossingsLieOnBothOutlinesAndAlternate)
{
    // A square over B's corner, one edge along a curve of B.
    const Points a = Rect(0, 0, 10, 10);
    const Points b{P(5, 5), P(20, 5), P(20, 20), P(5, 20, FirstBezierFlag), P(3, 12, SecondBezierFlag), P(5, 5)};
    ASSERT_TRUE(FindCrossings(a.data(), b.data(), 4, false, 6));
    const std::vector<Crossing>& table = PolyClip.CrossingTable;
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].State, 1);
    EXPECT_EQ(table[1].State, 0);
    // Along A's edges within 128 units (A is straight: its x or y is exact).
    EXPECT_EQ(table[0].IndexA, 1);
    EXPECT_LE(std::abs(Masked(table[0].Point.y) - 5 * Mm), 256);
    EXPECT_NEAR(table[0].TA, 0.5, 128.0 / (10 * Mm));
    EXPECT_EQ(table[1].IndexA, 2);
    EXPECT_EQ(Masked(table[1].Point.y), 10 * Mm);
    for (const Crossing& c : table) {
        double t = 0;
        int index = 0;
        EXPECT_TRUE(NearestSegmentPoint(c.Point, b.data(), 6, t, index));
        EXPECT_EQ(c.IndexB, index);
    }
    EXPECT_EQ(table[0].IndexB, 0);
    EXPECT_EQ(table[1].IndexB, 2);

    // An open line that starts and ends inside gets records at its ends.
    const Points line{P(2, 2), P(8, 12), P(8, 2)};
    ASSERT_TRUE(FindCrossings(line.data(), a.data(), 3, true, 4));
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(std::vector<int>({table[0].State, table[1].State, table[2].State, table[3].State}),
              std::vector<int>({1, 0, 1, 0}));
    EXPECT_EQ(table[0].IndexA, 0);
    EXPECT_EQ(table[3].IndexA, 2);
}

TEST(PolyClip, LinesClippedToAnArea)
{
    const Points square = Join({Rect(0, 0, 10, 10), Rect(4, 4, 6, 6, true)});
    struct Case {
        const char* name;
        Points line;
        std::vector<Points> pieces;
    };
    const Case cases[] = {
        {"wholly inside: the line itself", {P(1, 1), P(3, 1, 0, CornerFlag), P(3, 3)},
         {{P(1, 1), P(3, 1, 0, CornerFlag), P(3, 3)}}},
        {"wholly outside: nothing", {P(11, 1), P(13, 8)}, {}},
        {"across: the inner stretch", {P(-5, 2), P(15, 2)}, {{P(0, 2), P(10, 2)}}},
        {"through the hole: two pieces", {P(-5, 5), P(15, 5)}, {{P(0, 5), P(4, 5)}, {P(6, 5), P(10, 5)}}},
        {"in and out again", {P(-2, 8), P(2, 8), P(2, 12), P(8, 12), P(8, 8), P(12, 8)},
         {{P(0, 8), P(2, 8), P(2, 10)}, {P(8, 10), P(8, 8), P(10, 8)}}},
    };
    for (const Case& c : cases) {
        std::vector<Points> got;
        EXPECT_TRUE(ClipLineToArea(c.line.data(), square.data(), int(c.line.size()),
                                   [&got](const Cord* p, int n) { got.emplace_back(p, p + n); }, int(square.size())));
        ASSERT_EQ(got.size(), c.pieces.size()) << c.name;
        for (size_t k = 0; k < got.size(); ++k) {
            ASSERT_EQ(got[k].size(), c.pieces[k].size()) << c.name;
            for (size_t j = 0; j < got[k].size(); ++j) {
                EXPECT_LE(std::abs(Masked(got[k][j].x) - c.pieces[k][j].x), 256) << c.name << " piece " << k;
                EXPECT_LE(std::abs(Masked(got[k][j].y) - Masked(c.pieces[k][j].y)), 256) << c.name << " piece " << k;
            }
            EXPECT_FALSE(got[k][0].y & HoleFlag);
        }
    }
}

TEST(PolyClip, UnionAndClipOfSimpleAreas)
{
    Geos g;
    struct Case {
        const char* name;
        Points a, b;
        double unionArea, clipArea;  // mm2
        int unionRings, clipRings;
    };
    const Case cases[] = {
        {"apart: both rings, nothing in common", Rect(0, 0, 4, 4), Rect(10, 0, 14, 4), 32, 0, 2, 0},
        {"overlapping squares", Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), 175, 25, 1, 1},
        {"one inside the other", Rect(0, 0, 10, 10), Rect(2, 2, 4, 4), 100, 4, 1, 1},
        {"a hole partly covered", Join({Rect(0, 0, 10, 10), Rect(3, 3, 7, 7, true)}), Rect(5, 2, 12, 8), 104, 22, 2, 1},
        {"a hole covered whole", Join({Rect(0, 0, 10, 10), Rect(3, 3, 7, 7, true)}), Rect(2, 2, 8, 8), 100, 20, 1, 2},
        {"the other's hole holds it", Rect(3, 3, 5, 5), Join({Rect(0, 0, 10, 10), Rect(2, 2, 8, 8, true)}), 68, 0, 3,
         0},
        {"sharing an edge", Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), 200, 0, 1, 0},
    };
    for (const Case& c : cases) {
        bool ok = false;
        const std::vector<Points> u = Collect(UniteAreas, c.a, c.b, &ok);
        EXPECT_TRUE(ok) << c.name;
        ASSERT_EQ(u.size(), 1u) << c.name;
        EXPECT_FALSE(u[0][0].y & HoleFlag);
        int rings = 0;
        for (int s = 0; s < int(u[0].size()); s = RingEnd(u[0].data(), int(u[0].size()), s))
            ++rings;
        EXPECT_NEAR(g.Area(g.EvenOdd(u[0].data(), int(u[0].size()))), c.unionArea, 0.01) << c.name;
        if (std::string(c.name) != "sharing an edge") {
            EXPECT_EQ(rings, c.unionRings) << c.name;
        }

        const std::vector<Points> k = Collect(ClipAreaToArea, c.a, c.b, &ok);
        EXPECT_TRUE(ok) << c.name;
        double clip = 0;
        for (const Points& r : k)
            clip += g.Area(g.EvenOdd(r.data(), int(r.size())));
        EXPECT_NEAR(clip, c.clipArea, 0.01) << c.name;
        if (c.clipRings > 0) {
            ASSERT_EQ(k.size(), 1u) << c.name;
            rings = 0;
            for (int s = 0; s < int(k[0].size()); s = RingEnd(k[0].data(), int(k[0].size()), s))
                ++rings;
            EXPECT_EQ(rings, c.clipRings) << c.name;
        }
    }
    // Disjoint areas: the second ring starts with HoleFlag.
    const std::vector<Points> apart = Collect(UniteAreas, Rect(0, 0, 4, 4), Rect(10, 0, 14, 4));
    ASSERT_EQ(apart[0].size(), 8u);
    EXPECT_TRUE(apart[0][4].y & HoleFlag);
}

// An island in a lake in an island, against a square over part of all three.
TEST(PolyClip, IslandInALakeInAnIsland)
{
    Geos g;
    const Points a = Join({Rect(0, 0, 30, 30), Rect(5, 5, 25, 25, true), Rect(10, 10, 20, 20, true)});
    for (const Points& b : {Rect(15, -5, 40, 35), Rect(12, 12, 18, 40), Rect(-5, 14, 35, 16)}) {
        GEOSGeometry* ga = g.EvenOdd(a.data(), int(a.size()));
        GEOSGeometry* gb = g.EvenOdd(b.data(), int(b.size()));
        bool ok = false;
        double ours = 0;
        for (const Points& r : Collect(UniteAreas, a, b, &ok))
            ours += g.Area(g.EvenOdd(r.data(), int(r.size())));
        ASSERT_TRUE(ok);
        EXPECT_TRUE(Near(ours, g.Area(g.Union(ga, gb)), 0.01));
        ours = 0;
        for (const Points& r : Collect(ClipAreaToArea, a, b, &ok))
            ours += g.Area(g.EvenOdd(r.data(), int(r.size())));
        ASSERT_TRUE(ok);
        EXPECT_TRUE(Near(ours, g.Area(g.Intersection(ga, gb)), 0.01));
    }
}

TEST(PolyClip, AgreesWithGeosOnRandomAreasWithHolesAndCurves)
{
    Geos g;
    std::mt19937 rng(20240611);
    int failures = 0, compared = 0, lines = 0;
    for (int pair = 0; pair < 500; ++pair) {
        // Areas GEOS takes as valid polygons (a curve may still touch a neighbour).
        Points a, b;
        GEOSGeometry *ga = nullptr, *gb = nullptr;
        do {
            a = RandomArea(rng, 40);
            ga = g.Keep(g.RingsPolygon(a));
        } while (!g.Valid(ga));
        do {
            b = RandomArea(rng, 40);
            gb = g.Keep(g.RingsPolygon(b));
        } while (!g.Valid(gb));

        bool okU = false, okC = false;
        const std::vector<Points> u = Collect(UniteAreas, a, b, &okU);
        const std::vector<Points> c = Collect(ClipAreaToArea, a, b, &okC);
        if (!okU || !okC) {
            ++failures;
            continue;
        }
        ++compared;
        double ours = 0;
        for (const Points& r : u)
            ours += g.Area(g.EvenOdd(r.data(), int(r.size())));
        EXPECT_TRUE(Near(ours, g.Area(g.Union(ga, gb)), 0.05)) << "union of pair " << pair;
        ours = 0;
        for (const Points& r : c)
            ours += g.Area(g.EvenOdd(r.data(), int(r.size())));
        EXPECT_TRUE(Near(ours, g.Area(g.Intersection(ga, gb)), 0.05)) << "clip of pair " << pair;

        // A line through both: its pieces lie inside, as long as GEOS's inside part.
        Points line;
        std::uniform_real_distribution<double> u01(0, 1);
        for (int k = 0; k < 8; ++k) {
            const bool curve = k > 0 && u01(rng) < 0.3;
            const Cord to = P((u01(rng) - 0.5) * 80, (u01(rng) - 0.5) * 80);
            if (curve) {
                const Cord from = line.back();
                line.push_back({Masked(from.x / 2 + to.x / 2) | FirstBezierFlag, Masked(from.y)});
                line.push_back({Masked(to.x) | SecondBezierFlag, Masked(from.y / 2 + to.y / 2)});
            }
            line.push_back(to);
        }
        std::vector<Points> pieces;
        if (!ClipLineToArea(line.data(), a.data(), int(line.size()),
                            [&pieces](const Cord* p, int n) { pieces.emplace_back(p, p + n); }, int(a.size()))) {
            ++failures;
            continue;
        }
        ++lines;
        double length = 0;
        for (const Points& piece : pieces) {
            length += FlatLength(piece);
            for (const auto& ring : FlatRings(piece.data(), int(piece.size())))
                for (size_t k = 0; k + 1 < ring.size(); ++k)
                    EXPECT_LE(g.Distance(ga, ring[k].first, ring[k].second), 0.02) << "piece of pair " << pair;
        }
        EXPECT_TRUE(Near(length, g.Length(g.Intersection(g.Line(line), ga)), 0.01)) << "line of pair " << pair;
    }
    EXPECT_LE(failures, 5);
    EXPECT_GE(compared, 495);
    EXPECT_GE(lines, 490);
}

// Outlines that touch, coincide or cross themselves: every operation comes back, and what it
// hands on fits one object.
TEST(PolyClip, TouchingCoincidentAndCrossedOutlinesEnd)
{
    const Points bowtie{P(0, 0), P(10, 10), P(10, 0), P(0, 10)};
    const std::vector<std::pair<Points, Points>> pairs = {
        {Rect(0, 0, 10, 10), Rect(0, 0, 10, 10)},
        {Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)},
        {Rect(0, 0, 10, 10), Rect(10, 10, 20, 20)},
        {Rect(0, 0, 10, 10), Rect(0, 0, 5, 10)},
        {Join({Rect(0, 0, 10, 10), Rect(0, 0, 10, 10, true)}), Rect(5, 5, 15, 15)},
        {bowtie, Rect(3, -1, 7, 11)},
        {Rect(3, -1, 7, 11), bowtie},
    };
    for (const auto& [a, b] : pairs) {
        for (auto op : {UniteAreas, ClipAreaToArea}) {
            bool ok = false;
            for (const Points& r : Collect(op, a, b, &ok)) {
                EXPECT_LE(int(r.size()), MaxOutlinePoints);
                EXPECT_FALSE(r[0].y & HoleFlag);
            }
        }
    }
}

// A crossing missed or met twice leaves a ring that cannot close: the operation fails and
// hands nothing on, instead of tracing for ever. The bowtie's second loop runs the wrong way
// round, so its crossings come in the wrong order along it.
TEST(PolyClip, ARingThatCannotCloseFailsTheOperation)
{
    const Points bowtie{P(0, 0), P(20, 20), P(20, 0), P(0, 20)};
    const Points bar = Rect(-5, 8, 25, 12);
    int calls = 0;
    const bool ok = UniteAreas(bowtie.data(), bar.data(), 4, [&calls](const Cord*, int) { ++calls; }, 4);
    EXPECT_FALSE(ok);
    EXPECT_EQ(calls, 0);
    for (const Crossing& c : PolyClip.CrossingTable)
        EXPECT_LE(c.Visited, 1);
}

// The union is stored as one object: beyond 32768 points it fails instead of being cut off.
TEST(PolyClip, AUnionBeyondOneObjectFails)
{
    auto wavy = [](double x0, int teeth) {
        Points p;
        for (int k = 0; k < teeth; ++k) {
            p.push_back(P(x0 + k * 0.02, 0));
            p.push_back(P(x0 + k * 0.02 + 0.01, 1));
        }
        p.push_back(P(x0 + teeth * 0.02, 20));
        p.push_back(P(x0, 20));
        return p;
    };
    const Points a = wavy(0, 9000), b = wavy(200, 9000);  // apart: 36004 points together
    int calls = 0;
    EXPECT_FALSE(UniteAreas(a.data(), b.data(), int(a.size()), [&calls](const Cord*, int) { ++calls; }, int(b.size())));
    EXPECT_EQ(calls, 0);
    const Points small = wavy(200, 7000);  // 32004: fits
    EXPECT_TRUE(UniteAreas(a.data(), small.data(), int(a.size()), [&calls](const Cord*, int) { ++calls; },
                           int(small.size())));
    EXPECT_EQ(calls, 1);
}

// A square with more of its corners on the sides that the inside test counts as inside (top
// and left): two of them contain each other.
Points Lopsided(bool hole)
{
    return {P(0, 0, 0, hole ? HoleFlag : 0), P(10, 0), P(10, 10), P(6, 10), P(3, 10), P(0, 10), P(0, 7), P(0, 4)};
}

TEST(PolyClip, SeparationEmitsEachRingOnce)
{
    struct Case {
        const char* name;
        Points outline;
        std::vector<int> ringsPerArea;
    };
    const Case cases[] = {
        {"two apart", Join({Rect(0, 0, 4, 4), Rect(10, 0, 14, 4, true)}), {1, 1}},
        {"a hole with its outer ring", Join({Rect(0, 0, 10, 10), Rect(2, 2, 4, 4, true), Rect(20, 0, 24, 4, true)}),
         {2, 1}},
        {"an island in a lake in an island", Join({Rect(10, 10, 20, 20), Rect(5, 5, 25, 25, true), Rect(0, 0, 30, 30, true)}),
         {3}},
        {"two coincident rings", Join({Lopsided(false), Lopsided(true)}), {2}},
        {"three coincident rings", Join({Lopsided(false), Lopsided(true), Lopsided(true)}), {3}},
        {"rings of two points are dropped", Join({Rect(0, 0, 10, 10), {P(2, 2, 0, HoleFlag), P(3, 3)}}), {1}},
    };
    for (const Case& c : cases) {
        std::vector<int> rings;
        int points = 0;
        EXPECT_TRUE(SeparateAreas(c.outline.data(), int(c.outline.size()), [&](const Cord* p, int n) {
            int count = 0;
            for (int s = 0; s < n; s = RingEnd(p, n, s))
                ++count;
            EXPECT_FALSE(p[0].y & HoleFlag) << c.name;
            rings.push_back(count);
            points += n;
        }));
        const int dropped = std::string(c.name) == "rings of two points are dropped" ? 2 : 0;
        EXPECT_EQ(int(rings.size()), int(c.ringsPerArea.size())) << c.name;
        EXPECT_EQ(points, int(c.outline.size()) - dropped) << c.name;  // every ring once
        std::sort(rings.begin(), rings.end(), std::greater<>());
        std::vector<int> want = c.ringsPerArea;
        std::sort(want.begin(), want.end(), std::greater<>());
        EXPECT_EQ(rings, want) << c.name;
    }
}

} // namespace
} // namespace zemo
