#include "render/Bezier.h"

#include "Fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zemo {
namespace {

using testgeo::Pt;

constexpr double Pi = std::numbers::pi;
constexpr int32_t Mm = 25600;

double MinDistanceToCurve(const Cord* seg, Pt p)
{
    const Pt q[4] = {testgeo::Bare(seg[0]), testgeo::Bare(seg[1]), testgeo::Bare(seg[2]),
                     testgeo::Bare(seg[3])};
    double best = 1e300;
    for (int k = 0; k <= 4000; ++k) {
        const Pt c = testgeo::CubicPoint(q, k / 4000.0);
        best = std::min(best, std::hypot(c.x - p.x, c.y - p.y));
    }
    return best;
}

TEST(Bezier, MidPointHalvesEachValueTowardZero)
{
    EXPECT_EQ(MidPoint({-3, 3}, {-3, 3}), (Cord{-2, 2}));
    EXPECT_EQ(MidPoint({100, -7}, {301, 7}), (Cord{200, 0}));
}

TEST(Bezier, LongCurveFlattensToAtMostTwoToTheDepthPointsEndingOnItsEnd)
{
    const Cord seg[4] = {{0, 0}, {100 * Mm | FirstBezierFlag, 200 * Mm},
                         {300 * Mm | SecondBezierFlag, -100 * Mm}, {400 * Mm, 0 | CornerFlag}};
    Cord out[32];
    const int n = FlattenBezier(seg, out, 5, 4);
    EXPECT_EQ(n, 32);
    EXPECT_EQ(out[n - 1], seg[3]);  // the end point unchanged, flags and all
    for (int k = 0; k + 1 < n; ++k) {
        EXPECT_EQ(Flags(out[k].x), 0);
        EXPECT_EQ(Flags(out[k].y), 0);
        EXPECT_LT(MinDistanceToCurve(seg, testgeo::Bare(out[k])), 512) << k;
    }
    std::vector<Cord> v;
    FlattenBezierTo(seg, v, 5, 4);
    EXPECT_EQ(v, std::vector<Cord>(out, out + n));
}

TEST(Bezier, SmallCurveIsOnePiece)
{
    const Cord seg[4] = {{0, 0}, {256 | FirstBezierFlag, 512}, {512 | SecondBezierFlag, 256}, {768, 0}};
    Cord out[16];
    ASSERT_EQ(FlattenBezier(seg, out, 4, 4), 1);
    EXPECT_EQ(out[0], seg[3]);
}

// A curve whose end meets its start is not a point: its control points say how far it goes.
TEST(Bezier, LoopDoesNotCollapseToItsEndPoint)
{
    const Cord seg[4] = {{0, 0}, {-10 * Mm | FirstBezierFlag, 20 * Mm},
                         {10 * Mm | SecondBezierFlag, 20 * Mm}, {0, 0}};
    Cord out[64];
    const int n = FlattenBezier(seg, out, 6, 4);
    ASSERT_GT(n, 8);
    double far = 0;
    for (int k = 0; k < n; ++k)
        far = std::max(far, double(out[k].y));
    EXPECT_GT(far, 14 * Mm);  // the loop's top lies at 15 mm
}

TEST(Bezier, SCurveWithCloseEndsKeepsItsSwing)
{
    const Cord seg[4] = {{0, 0}, {0 | FirstBezierFlag, 30 * Mm}, {256 | SecondBezierFlag, -30 * Mm}, {256, 0}};
    Cord out[64];
    const int n = FlattenBezier(seg, out, 6, 4);
    double hi = 0, lo = 0;
    for (int k = 0; k < n; ++k) {
        hi = std::max(hi, double(out[k].y));
        lo = std::min(lo, double(out[k].y));
    }
    EXPECT_GT(hi, 8 * Mm);
    EXPECT_LT(lo, -8 * Mm);
    for (int k = 0; k < n; ++k)
        EXPECT_LT(MinDistanceToCurve(seg, testgeo::Bare(out[k])), 512);
}

TEST(Bezier, SubdivisionWritesMaskedPiecesWithCurveFlags)
{
    const Cord seg[4] = {{7, 1 | CornerFlag}, {50 * Mm | FirstBezierFlag | NoLeftLineFlag, 50 * Mm},
                         {100 * Mm | SecondBezierFlag, 50 * Mm}, {150 * Mm | 4, 0 | DashFlag}};
    Cord out[12];
    ASSERT_EQ(SubdivideBezier(seg, out, 2, 4), 12);
    for (int k = 0; k < 12; k += 3) {
        EXPECT_EQ(Flags(out[k].x), FirstBezierFlag);
        EXPECT_EQ(Flags(out[k + 1].x), SecondBezierFlag);
        EXPECT_EQ(Flags(out[k + 2].x), 0);
        EXPECT_EQ(Flags(out[k].y) | Flags(out[k + 1].y) | Flags(out[k + 2].y), 0);
    }
    EXPECT_EQ(out[11], (Cord{150 * Mm, 0}));
    // The middle piece boundary is the curve's point at t = 1/2: (75 mm, 37.5 mm).
    EXPECT_NEAR(out[5].x, 75 * Mm, 256);
    EXPECT_NEAR(out[5].y, 37.5 * Mm, 256);
}

TEST(Bezier, SplitAtZeroAndOneAndHalf)
{
    const Cord seg[4] = {{0, 0}, {80 * Mm | FirstBezierFlag, 0}, {80 * Mm | SecondBezierFlag, 80 * Mm},
                         {160 * Mm, 80 * Mm}};
    Cord c1, c2, at;
    SplitBezierFirstHalf(seg, 0, c1, c2, at);
    EXPECT_EQ(c1, (Cord{FirstBezierFlag, 0}));
    EXPECT_EQ(c2, (Cord{SecondBezierFlag, 0}));
    EXPECT_EQ(at, (Cord{0, 0}));
    SplitBezierSecondHalf(seg, 1, at, c1, c2);
    EXPECT_EQ(at, (Cord{160 * Mm, 80 * Mm}));
    EXPECT_EQ(c1, (Cord{160 * Mm | FirstBezierFlag, 80 * Mm}));
    EXPECT_EQ(c2, (Cord{160 * Mm | SecondBezierFlag, 80 * Mm}));
    SplitBezierFirstHalf(seg, 0.5, c1, c2, at);
    EXPECT_EQ(c1, (Cord{40 * Mm | FirstBezierFlag, 0}));
    EXPECT_EQ(c2, (Cord{60 * Mm | SecondBezierFlag, 20 * Mm}));
    EXPECT_EQ(at, (Cord{80 * Mm, 40 * Mm}));
    SplitBezierSecondHalf(seg, 0.5, at, c1, c2);
    EXPECT_EQ(at, (Cord{80 * Mm, 40 * Mm}));
    EXPECT_EQ(c1, (Cord{100 * Mm | FirstBezierFlag, 60 * Mm}));
    EXPECT_EQ(c2, (Cord{120 * Mm | SecondBezierFlag, 80 * Mm}));
}

TEST(Bezier, DirectionsCountFromNorth)
{
    EXPECT_DOUBLE_EQ(DirectionAngle({0, 0}, {0, 25600}), 0);
    EXPECT_DOUBLE_EQ(DirectionAngle({0, 0}, {25600, 0}), -Pi / 2);
    EXPECT_DOUBLE_EQ(DirectionAngle({0, 0}, {-25600, 0}), Pi / 2);
    EXPECT_DOUBLE_EQ(DirectionAngle({0, 0}, {0, -25600}), -Pi);
    EXPECT_DOUBLE_EQ(DirectionAngle({0, 0}, {700, 700}), 0);
    // Flag bits do not make a direction.
    EXPECT_DOUBLE_EQ(DirectionAngle({0, 0}, {3 * 256 | 0xFF, 3 * 256 | 0xFF}), 0);
    EXPECT_NEAR(DirectionAngle({0, 0}, {-25600, 25600}), Pi / 4, 1e-12);
}

TEST(Bezier, PointAtAngleMovesAlongTheDirectionAndKeepsTargetFlags)
{
    Cord t{0 | FirstBezierFlag, 0 | HoleFlag};
    PointAtAngle({10 * Mm | SecondBezierFlag, 0}, 0, 5 * Mm, t);
    EXPECT_EQ(t, (Cord{10 * Mm | FirstBezierFlag, 5 * Mm | HoleFlag}));
    PointAtAngle({0, 0}, -Pi / 2, 5 * Mm, t);  // east
    EXPECT_EQ(t, (Cord{5 * Mm | FirstBezierFlag, 0 | HoleFlag}));
}

TEST(Bezier, DistanceToSegment)
{
    int side = 0;
    double t = -1;
    const Cord a{0, 0}, b{100 * Mm, 0};
    EXPECT_EQ(DistanceToSegment({25 * Mm, 2 * Mm}, a, b, side, t, 4 * Mm), 2 * Mm);
    EXPECT_DOUBLE_EQ(t, 0.25);
    const int left = side;
    DistanceToSegment({25 * Mm, -2 * Mm}, a, b, side, t, 4 * Mm);
    EXPECT_NE(side, left);
    EXPECT_TRUE(left == 1 || left == 2);
    // Beyond the end, even close by: not near.
    EXPECT_EQ(DistanceToSegment({100 * Mm + 256, 0}, a, b, side, t, 4 * Mm), 8 * Mm);
    // Farther than tol from the line.
    EXPECT_EQ(DistanceToSegment({50 * Mm, 5 * Mm}, a, b, side, t, 4 * Mm), 8 * Mm);
    // Zero length.
    EXPECT_EQ(DistanceToSegment({0, 0}, a, a, side, t, 4 * Mm), 8 * Mm);
    // Coordinates far apart: the cross product needs more than 32 bits.
    const Cord fa{-1000000000, -1000000000}, fb{1000000000, 1000000000};
    EXPECT_LE(DistanceToSegment({256, 0}, fa, fb, side, t, 4 * Mm), 256);
    EXPECT_NEAR(t, 0.5, 1e-6);
}

TEST(Bezier, NearestOnBezierFindsTheMiddleAndStopsAtItsLimits)
{
    const Cord seg[4] = {{0, 0}, {0 | FirstBezierFlag, 40 * Mm}, {100 * Mm | SecondBezierFlag, 40 * Mm},
                         {100 * Mm, 0}};
    int side = 0;
    double t = -1;
    // The curve's point at t = 1/2 is (50 mm, 30 mm).
    const int64_t d = NearestOnBezier({50 * Mm, 30 * Mm + 512}, seg, 4 * Mm, side, t);
    EXPECT_LT(d, 2048);
    EXPECT_NEAR(t, 0.5, 0.01);
    int farSide = 7;
    double farT = -7;
    EXPECT_EQ(NearestOnBezier({50 * Mm, 60 * Mm}, seg, 4 * Mm, farSide, farT), 32 * Mm);
    EXPECT_EQ(farSide, 7);
    EXPECT_EQ(farT, -7);

    // A box of at most 1024 units is not halved: the middle of [0, 1].
    const Cord tiny[4] = {{0, 0}, {256 | FirstBezierFlag, 512}, {768 | SecondBezierFlag, 512}, {1024, 0}};
    NearestOnBezier({512, 256}, tiny, 4096, side, t);
    EXPECT_EQ(t, 0.5);
    // A huge curve is halved to depth 15 at most: t is a multiple of 2^-15.
    const Cord huge[4] = {{-1000000000, 0}, {-1000000000 | FirstBezierFlag, 900000000},
                          {1000000000 | SecondBezierFlag, 900000000}, {1000000000, 0}};
    NearestOnBezier({1000, 675000000}, huge, 1 << 26, side, t);
    const double scaled = t * 32768;
    EXPECT_EQ(scaled, std::floor(scaled));
    EXPECT_NEAR(t, 0.5, 0.01);
}

TEST(Bezier, CrossingsAreBracketedSortedAndUnique)
{
    double params[8];
    // x(t) - c for a curve crossing three times at parameters that no halving meets exactly.
    const double v[4] = {-1000, 3000, -3000, 1000};
    const int n = BezierCrossings(v, params, 8);
    ASSERT_EQ(n, 3);
    EXPECT_LT(params[0], params[1]);
    EXPECT_LT(params[1], params[2]);
    for (int k = 0; k < n; ++k) {
        const double t = params[k], u = 1 - t;
        const double x = u * u * u * v[0] + 3 * u * u * t * v[1] + 3 * u * t * t * v[2] + t * t * t * v[3];
        EXPECT_NEAR(x, 0, 0.05) << t;
    }
    EXPECT_NEAR(params[1], 0.5, 1e-9);
    // Touching ends are no crossings, a curve lying on the line has none, one side has none.
    const double ends[4] = {0, 5, 5, 0};
    EXPECT_EQ(BezierCrossings(ends, params, 8), 0);
    const double on[4] = {0, 0, 0, 0};
    EXPECT_EQ(BezierCrossings(on, params, 8), 0);
    const double side[4] = {1, 2, 3, 4};
    EXPECT_EQ(BezierCrossings(side, params, 8), 0);
    // A crossing exactly at the middle is met by the halving and recorded once.
    const double mid[4] = {-8, -8, 8, 8};
    ASSERT_EQ(BezierCrossings(mid, params, 8), 1);
    EXPECT_EQ(params[0], 0.5);
}

TEST(Bezier, SubCurveMatchesTheCurve)
{
    const double x[4] = {0, 100, 300, 400}, y[4] = {0, 200, -100, 50};
    double sx[4], sy[4];
    BezierSubCurve(x, y, 0.2, 0.7, sx, sy);
    const Pt q[4] = {{x[0], y[0]}, {x[1], y[1]}, {x[2], y[2]}, {x[3], y[3]}};
    const Pt s[4] = {{sx[0], sy[0]}, {sx[1], sy[1]}, {sx[2], sy[2]}, {sx[3], sy[3]}};
    for (double u : {0.0, 0.3, 0.5, 1.0}) {
        const Pt a = testgeo::CubicPoint(s, u);
        const Pt b = testgeo::CubicPoint(q, 0.2 + 0.5 * u);
        EXPECT_NEAR(a.x, b.x, 1e-9);
        EXPECT_NEAR(a.y, b.y, 1e-9);
    }
    BezierSubCurve(x, y, 0, 0, sx, sy);
    EXPECT_EQ(sx[3], 0);
}

TEST(Bezier, RoundToGridSaturates)
{
    EXPECT_EQ(RoundToGrid(int64_t(383)), 256);
    EXPECT_EQ(RoundToGrid(int64_t(384)), 512);
    EXPECT_EQ(RoundToGrid(int64_t(-129)), -256);
    EXPECT_EQ(RoundToGrid(1e12), int32_t(0x7FFFFF00));
    EXPECT_EQ(RoundToGrid(-1e12), INT32_MIN);
    EXPECT_EQ(RoundToGrid(std::nan("")), 0);
}

} // namespace
} // namespace zemo
