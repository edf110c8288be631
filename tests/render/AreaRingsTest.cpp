#include "render/AreaRings.h"

#include "core/Numeric.h"
#include "render/PathWalk.h"

#include "Fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace zemo {
namespace {

constexpr int32_t Mm = 25600;
constexpr double Pi = std::numbers::pi;

std::vector<Cord> Square(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool ccw, bool hole)
{
    std::vector<Cord> r = ccw ? std::vector<Cord>{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}
                              : std::vector<Cord>{{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}};
    if (hole)
        r[0].y |= HoleFlag;
    return r;
}

std::vector<Cord> SquareWithHole()
{
    std::vector<Cord> a = Square(0, 0, 10 * Mm, 10 * Mm, true, false);
    const std::vector<Cord> h = Square(3 * Mm, 3 * Mm, 7 * Mm, 7 * Mm, true, true);
    a.insert(a.end(), h.begin(), h.end());
    return a;
}

std::vector<Cord> Circle(Cord centre, double r)
{
    Cord out[ArcToBezierMaxCords];
    const int n = ArcToBezier(centre, out, 0, 2 * Pi, r);
    return {out, out + n};
}

TEST(AreaRings, AreaCountsHolesNegativeWhateverTheirDirection)
{
    std::vector<Cord> a = SquareWithHole();
    // 10 mm square less a 4 mm square, in square 0.01 mm.
    EXPECT_DOUBLE_EQ(PolygonArea(a.data(), int(a.size())), 1000.0 * 1000 - 400.0 * 400);
    std::vector<Cord> b = Square(0, 0, 10 * Mm, 10 * Mm, false, false);
    const std::vector<Cord> h = Square(3 * Mm, 3 * Mm, 7 * Mm, 7 * Mm, false, true);
    b.insert(b.end(), h.begin(), h.end());
    EXPECT_DOUBLE_EQ(PolygonArea(b.data(), int(b.size())), 840000.0);
    EXPECT_EQ(PolygonArea(nullptr, 0), 0);
}

TEST(AreaRings, CurvedAreaAndLength)
{
    const std::vector<Cord> c = Circle({5 * Mm, -3 * Mm}, 20 * Mm);
    const double area = PolygonArea(c.data(), int(c.size()));
    // Against the curves' own area (the arc's control points make it a little rounder than a
    // circle), evaluated densely from the polynomial.
    const double exact = testgeo::OuterMinusHoles(c.data(), int(c.size())) / 256 / 256;
    EXPECT_NEAR(area, exact, exact * 0.001);
    EXPECT_NEAR(area, Pi * 2000 * 2000, Pi * 2000 * 2000 * 0.03);
    const auto dense = testgeo::DenseRings(c.data(), int(c.size()), false);
    double exactLen = 0;
    for (size_t k = 0; k + 1 < dense[0].size(); ++k)
        exactLen += std::hypot(dense[0][k + 1].x - dense[0][k].x, dense[0][k + 1].y - dense[0][k].y);
    exactLen /= 256;
    const double len = PathLength(c.data(), int(c.size()));
    EXPECT_NEAR(len, exactLen, exactLen * 0.01);
    const Cord line[3] = {{0, 0}, {3 * Mm | 0x7, 4 * Mm | 0x7}, {3 * Mm, 0}};
    EXPECT_DOUBLE_EQ(PathLength(line, 3), 500.0 + 400.0);
}

// Coordinates near the limits: products of differences need more than 64 bits.
TEST(AreaRings, HugeAreaDoesNotOverflow)
{
    const int32_t big = 1000000000 & CoordMask;
    const std::vector<Cord> s = Square(-big, -big, big, big, true, false);
    const double side = 2.0 * big / 256;
    EXPECT_DOUBLE_EQ(PolygonArea(s.data(), int(s.size())), side * side);
}

TEST(AreaRings, RingTests)
{
    const std::vector<Cord> a = SquareWithHole();
    const int n = int(a.size());
    EXPECT_FALSE(RingInsideArea(a.data(), n, 0));
    EXPECT_TRUE(RingInsideArea(a.data(), n, 4));
    // In the hole: inside both rings (outside the area); with the hole skipped, inside ring 0.
    EXPECT_FALSE(PointInOtherRings({5 * Mm, 5 * Mm}, a.data(), n, -1));
    EXPECT_TRUE(PointInOtherRings({5 * Mm, 5 * Mm}, a.data(), n, 4));
    EXPECT_TRUE(PointInOtherRings({1 * Mm, 1 * Mm}, a.data(), n, -1));
    EXPECT_FALSE(PointInOtherRings({11 * Mm, 1 * Mm}, a.data(), n, -1));
    // Curved rings are flattened for the test.
    const std::vector<Cord> c = Circle({0, 0}, 10 * Mm);
    EXPECT_TRUE(PointInOtherRings({9 * Mm, 0}, c.data(), int(c.size()), -1));
    EXPECT_FALSE(PointInOtherRings({7 * Mm + 12800, 7 * Mm + 10240}, c.data(), int(c.size()), -1));
    // A ring of control points only has no vote: outside.
    std::vector<Cord> d = Square(0, 0, 10 * Mm, 10 * Mm, true, false);
    d.push_back({2 * Mm | FirstBezierFlag, 2 * Mm | HoleFlag});
    d.push_back({3 * Mm | SecondBezierFlag, 2 * Mm});
    EXPECT_FALSE(RingInsideArea(d.data(), int(d.size()), 4));
}

TEST(AreaRings, OrientationPutsOuterRingsCounterClockwiseAndHolesClockwise)
{
    std::vector<Cord> b = Square(0, 0, 10 * Mm, 10 * Mm, false, false);
    const std::vector<Cord> h = Square(3 * Mm, 3 * Mm, 7 * Mm, 7 * Mm, true, true);
    b.insert(b.end(), h.begin(), h.end());
    // A separate island after the hole, clockwise.
    const std::vector<Cord> island = Square(20 * Mm, 0, 25 * Mm, 5 * Mm, false, true);
    b.insert(b.end(), island.begin(), island.end());
    const int n = int(b.size());
    OrientAreaRings(b.data(), n);
    EXPECT_TRUE(RingIsCcw(b.data(), n, 0));
    EXPECT_FALSE(RingIsCcw(b.data(), n, 4));
    EXPECT_TRUE(RingIsCcw(b.data(), n, 8));
    EXPECT_EQ(b[4].y & HoleFlag, HoleFlag);
    EXPECT_EQ(b[8].y & HoleFlag, HoleFlag);
    for (int k : {1, 2, 3, 5, 6, 7, 9, 10, 11})
        EXPECT_EQ(b[k].y & HoleFlag, 0) << k;
    EXPECT_DOUBLE_EQ(PolygonArea(b.data(), n), 840000.0 + 250000.0);
}

// The ring routines keep their own scratch space: a path walk survives them.
TEST(AreaRings, RunDuringAPathWalkWithoutDisturbingIt)
{
    const Cord line[4] = {{0, 0}, {10 * Mm | FirstBezierFlag, 10 * Mm}, {20 * Mm | SecondBezierFlag, 10 * Mm},
                          {30 * Mm, 0}};
    PrepareLinePath(line, 4);
    StartPathWalk();
    const std::vector<Cord> before = PathWalk.PathPoints;
    WalkPathTo(500);
    const Cord here = PathWalk.Current;
    std::vector<Cord> c = Circle({0, 0}, 10 * Mm);
    PolygonArea(c.data(), int(c.size()));
    PathLength(c.data(), int(c.size()));
    OrientAreaRings(c.data(), int(c.size()));
    EXPECT_EQ(PathWalk.PathPoints, before);
    WalkPathTo(1000);
    EXPECT_NE(PathWalk.Current, here);
    EXPECT_GT(PathWalk.Current.x, here.x);
}

} // namespace
} // namespace zemo
