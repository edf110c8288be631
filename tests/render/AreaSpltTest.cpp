#include "render/AreaSplt.h"

#include "core/Numeric.h"
#include "render/AreaRings.h"

#include "Fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace zemo {
namespace {

constexpr int32_t Mm = 25600;

bool HasHole(const Cord* p, int n)
{
    for (int k = 1; k < n; ++k)
        if (p[k].y & HoleFlag)
            return true;
    return false;
}

std::vector<Cord> SquareWithHole()
{
    return {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm},
            {3 * Mm, 3 * Mm | HoleFlag}, {3 * Mm, 7 * Mm}, {7 * Mm, 7 * Mm}, {7 * Mm, 3 * Mm}};
}

// Curves come in whole: a control point pair is always followed by an end point of the ring.
void ExpectWellFormedCurves(const Cord* p, int n)
{
    for (int k = 0; k < n; ++k) {
        if (p[k].x & FirstBezierFlag) {
            ASSERT_LT(k + 2, n);
            EXPECT_TRUE(p[k + 1].x & SecondBezierFlag);
            EXPECT_FALSE(p[k + 2].x & (FirstBezierFlag | SecondBezierFlag));
            EXPECT_FALSE((p[k + 1].y | p[k + 2].y) & HoleFlag);
        }
    }
}

TEST(AreaSplt, SquareWithHoleIsCutOnceIntoTwoUShapes)
{
    const std::vector<Cord> a = SquareWithHole();
    int offers = 0;
    std::vector<std::vector<Cord>> accepted;
    SplitArea(a.data(), int(a.size()), [&](const Cord* p, int n) {
        ++offers;
        if (HasHole(p, n))
            return false;
        accepted.emplace_back(p, p + n);
        return true;
    });
    EXPECT_EQ(offers, 3);
    ASSERT_EQ(accepted.size(), 2u);
    double total = 0;
    for (const auto& piece : accepted) {
        EXPECT_EQ(piece.size(), 8u);  // a U: four corners of its own, two on each side of the cut
        EXPECT_NEAR(PolygonArea(piece.data(), int(piece.size())), 420000.0, 1e-6);
        total += PolygonArea(piece.data(), int(piece.size()));
        for (const Cord& c : piece) {
            if (Masked(c.x) == 5 * Mm) {
                EXPECT_TRUE(c.y & CornerFlag);  // made on the cut
            }
        }
    }
    EXPECT_DOUBLE_EQ(total, 840000.0);
    // Left half first.
    for (const Cord& c : accepted[0])
        EXPECT_LE(Masked(c.x), 5 * Mm);
}

TEST(AreaSplt, APolygonOnOneSideGivesNothingOnTheOther)
{
    const std::vector<Cord> a = SquareWithHole();
    EXPECT_TRUE(ClipAreaAtAxis(a.data(), int(a.size()), 20 * Mm, KeepXAbove).empty());
    EXPECT_TRUE(ClipAreaAtAxis(a.data(), int(a.size()), -1 * Mm, KeepYBelow).empty());
    // Touching the line along an edge is no area either.
    EXPECT_TRUE(ClipAreaAtAxis(a.data(), int(a.size()), 10 * Mm, KeepXAbove).empty());
    // The side it lies on keeps it whole, holes included.
    const std::vector<Cord> all = ClipAreaAtAxis(a.data(), int(a.size()), 20 * Mm, KeepXBelow);
    EXPECT_EQ(all, a);
    int offers = 0;
    ClipAtAxis(a.data(), int(a.size()), 20 * Mm, KeepYAbove, [&](const Cord*, int) {
        ++offers;
        return true;
    }, 0);
    EXPECT_EQ(offers, 0);
}

TEST(AreaSplt, EachSideKeepsItsHalf)
{
    const std::vector<Cord> a = SquareWithHole();
    const int n = int(a.size());
    for (int side : {KeepXBelow, KeepXAbove, KeepYBelow, KeepYAbove}) {
        const bool below = side == KeepXBelow || side == KeepYBelow;
        const std::vector<Cord> half = ClipAreaAtAxis(a.data(), n, 2 * Mm, side);
        // The strip below 2 mm is 2 mm x 10 mm; the rest holds the hole.
        const double expect = below ? 200.0 * 1000 : 840000.0 - 200000.0;
        EXPECT_NEAR(PolygonArea(half.data(), int(half.size())), expect, 1e-6) << side;
        for (const Cord& p : half) {
            const int32_t v = (side == KeepXBelow || side == KeepXAbove) ? Masked(p.x) : Masked(p.y);
            if (below) {
                EXPECT_LE(v, 2 * Mm);
            } else {
                EXPECT_GE(v, 2 * Mm);
            }
        }
    }
}

TEST(AreaSplt, CurveCrossingTheCutStaysACurve)
{
    Cord circle[ArcToBezierMaxCords];
    const int n = ArcToBezier({0, 0}, circle, 0.3, 0.3 + 2 * std::numbers::pi, 10 * Mm);
    const double whole = testgeo::OuterMinusHoles(circle, n);
    const std::vector<Cord> left = ClipAreaAtAxis(circle, n, 1 * Mm, KeepXBelow);
    const std::vector<Cord> right = ClipAreaAtAxis(circle, n, 1 * Mm, KeepXAbove);
    int curves = 0;
    for (const Cord& c : left)
        curves += (c.x & FirstBezierFlag) != 0;
    EXPECT_GE(curves, 3);
    ExpectWellFormedCurves(left.data(), int(left.size()));
    ExpectWellFormedCurves(right.data(), int(right.size()));
    const double sum = testgeo::OuterMinusHoles(left.data(), int(left.size()))
        + testgeo::OuterMinusHoles(right.data(), int(right.size()));
    EXPECT_NEAR(sum, whole, whole * 1e-4);
    for (const Cord& c : left) {
        if (!(c.x & (FirstBezierFlag | SecondBezierFlag))) {
            EXPECT_LE(Masked(c.x), 1 * Mm);
        }
    }
}

// Refusing everything still ends: halves shrink until they cannot be cut any more.
TEST(AreaSplt, NeverAcceptingCallbackEndsOnASmallPolygon)
{
    const std::vector<Cord> a = {{0, 0}, {1 * Mm, 0}, {1 * Mm, 1 * Mm}, {0, 1 * Mm}};
    long offers = 0;
    SplitArea(a.data(), int(a.size()), [&](const Cord*, int) {
        ++offers;
        return false;
    });
    EXPECT_GT(offers, 100);
}

// An outline without area gives no halves at all rather than recursing to the depth bound.
TEST(AreaSplt, DegenerateAreaIsDroppedAtOnce)
{
    const std::vector<Cord> line = {{0, 0}, {50 * Mm, 0}, {100 * Mm, 0}, {30 * Mm, 0}};
    long offers = 0;
    SplitArea(line.data(), int(line.size()), [&](const Cord*, int) {
        ++offers;
        return false;
    });
    EXPECT_EQ(offers, 1);
    // A sliver ring (one edge forth and back) inside a good ring is dropped from the halves.
    std::vector<Cord> a = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm},
                           {2 * Mm, 2 * Mm | HoleFlag}, {4 * Mm, 2 * Mm}};
    const std::vector<Cord> half = ClipAreaAtAxis(a.data(), int(a.size()), 5 * Mm, KeepXBelow);
    EXPECT_FALSE(HasHole(half.data(), int(half.size())));
}

TEST(AreaSplt, RandomAreasWithHolesSplitIntoSmallHoleFreePiecesOfTheSameArea)
{
    std::mt19937 rng(20240607);
    std::uniform_real_distribution<double> u(0, 1);
    long allPieces = 0;
    for (int round = 0; round < 1000; ++round) {
        std::vector<Cord> area;
        const double r = (20 + 280 * u(rng)) * Mm;
        const double cx = (u(rng) - 0.5) * 1000 * Mm, cy = (u(rng) - 0.5) * 1000 * Mm;
        testgeo::AppendStarRing(area, rng, cx, cy, 0.7 * r, r, 10 + int(u(rng) * 90), false, false);
        const int holes = int(u(rng) * 4);
        for (int h = 0; h < holes; ++h) {
            const double a = 2 * std::numbers::pi * (h + 0.2 * u(rng)) / std::max(holes, 1);
            const double d = holes == 1 ? 0.2 * r * u(rng) : 0.4 * r;
            testgeo::AppendStarRing(area, rng, cx + d * std::cos(a), cy + d * std::sin(a), 0.05 * r,
                                    0.08 * r, 6 + int(u(rng) * 20), true, u(rng) < 0.5);
        }
        const double expected = testgeo::OuterMinusHoles(area.data(), int(area.size()));
        double total = 0;
        int pieces = 0;
        SplitArea(area.data(), int(area.size()), [&](const Cord* p, int n) {
            if (n > 128 || HasHole(p, n))
                return false;
            ExpectWellFormedCurves(p, n);
            total += testgeo::OuterMinusHoles(p, n);
            ++pieces;
            return true;
        });
        ASSERT_GE(pieces, 1);
        allPieces += pieces;
        ASSERT_NEAR(total, expected, expected * 0.001) << "round " << round << " pieces " << pieces;
    }
    // Most areas had holes or too many points: they really were cut.
    EXPECT_GT(allPieces, 2500);
}

} // namespace
} // namespace zemo
