#include "core/Numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

namespace zemo {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr int32_t I32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t I32Max = std::numeric_limits<int32_t>::max();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

Cord C(int32_t x, int32_t y) { return Cord{x, y}; }
// Whole coordinate steps (multiples of 256) plus flags.
Cord U(int32_t x, int32_t y, int32_t fx = 0, int32_t fy = 0) { return Cord{x * 256 | fx, y * 256 | fy}; }

TEST(RangeChecks, KeepInclusiveBoundsAndReplaceEverythingElse)
{
    int32_t v = 10;
    CheckIntRange(v, 10, 20, 15);
    EXPECT_EQ(v, 10);
    v = 20;
    CheckIntRange(v, 10, 20, 15);
    EXPECT_EQ(v, 20);
    v = 21;
    CheckIntRange(v, 10, 20, 15);
    EXPECT_EQ(v, 15);

    // 16-bit values compare signed: 0x8000 is -32768, below a minimum of 0.
    int16_t s = int16_t(0x8000);
    CheckSmallIntRange(s, 0, 100, 7);
    EXPECT_EQ(s, 7);
    s = -5;
    CheckSmallIntRange(s, -10, 10, 0);
    EXPECT_EQ(s, -5);

    for (double bad : {NaN, Inf, -Inf}) {
        double d = bad;
        CheckDoubleRange(d, -Inf, Inf, 1.5);
        EXPECT_EQ(d, 1.5) << bad;
    }
    double d = 0.25;
    CheckDoubleRange(d, 0.25, 0.5, 1);
    EXPECT_EQ(d, 0.25);
    d = 0.5000001;
    CheckDoubleRange(d, 0.25, 0.5, 1);
    EXPECT_EQ(d, 1);
}

TEST(SafeRound, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(SafeRound(2.5), 2);
    EXPECT_EQ(SafeRound(3.5), 4);
    EXPECT_EQ(SafeRound(-2.5), -2);
    EXPECT_EQ(SafeRound(-3.5), -4);
    EXPECT_EQ(SafeRound(0.5), 0);
    EXPECT_EQ(SafeRound(2.5000001), 3);
    EXPECT_EQ(SafeRoundSmall(6.5), 6);
    EXPECT_EQ(SafeRoundSmall(-7.5), -8);
}

TEST(SafeRound, SaturatesAtThirtyBitAndSixteenBitLimits)
{
    EXPECT_EQ(SafeRound(1073741823.6), 1073741823);
    EXPECT_EQ(SafeRound(1073741823.4), 1073741823);
    EXPECT_EQ(SafeRound(-1073741824.4), -1073741824);
    EXPECT_EQ(SafeRound(-2e9), -1073741824);
    EXPECT_EQ(SafeRound(1e300), 1073741823);
    EXPECT_EQ(SafeRound(Inf), 1073741823);
    EXPECT_EQ(SafeRound(-Inf), -1073741824);
    EXPECT_EQ(SafeRound(NaN), 0);

    EXPECT_EQ(SafeRoundSmall(-40000), -32764);
    EXPECT_EQ(SafeRoundSmall(-32765), -32764);
    EXPECT_EQ(SafeRoundSmall(-32764.4), -32764);
    EXPECT_EQ(SafeRoundSmall(40000), 32767);
    EXPECT_EQ(SafeRoundSmall(32766.5), 32766);
    EXPECT_EQ(SafeRoundSmall(-Inf), -32764);
    EXPECT_EQ(SafeRoundSmall(NaN), 0);
}

TEST(ByteOrder, SwapsReverseBytesAndMulInt64KeepsTheFullProduct)
{
    EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
    const uint8_t bigEndianOne[8] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    double raw;
    std::memcpy(&raw, bigEndianOne, 8);
    EXPECT_EQ(SwapDouble(raw), 1.0);
    EXPECT_EQ(SwapDouble(SwapDouble(-123.456)), -123.456);

    EXPECT_EQ(MulInt64(I32Min, I32Min), int64_t(1) << 62);
    EXPECT_EQ(MulInt64(I32Max, I32Min), -int64_t(I32Max) * 2147483648LL);
}

TEST(Vectors, DistancesSpanTheWhole32BitRange)
{
    EXPECT_DOUBLE_EQ(PointDistance(C(I32Min, 0), C(I32Max, 0)), 4294967295.0);
    EXPECT_EQ(ApproxDistance(C(I32Min, I32Max), C(I32Max, I32Min)), 4294967295LL + 2147483647LL);
    EXPECT_EQ(ApproxDistance(C(0, 0), C(300, 400)), 400 + 150);
    EXPECT_EQ(ApproxDistance(C(0, 0), C(-7, 3)), 7 + 1);
    EXPECT_DOUBLE_EQ(PointDistance(C(0, 0), C(300, -400)), 500);
}

TEST(Vectors, CrossAndDotProductsAreExactNearTheInt32Limits)
{
    const int32_t a = I32Max;
    const Cord o = C(0, 0);
    // y1*x2 - x1*y2 = (a-1)^2 - a(a-2) = 1: in doubles both products round to the same value.
    EXPECT_EQ(CrossProduct(o, C(a, a - 1), o, C(a - 1, a - 2)), 1.0);
    EXPECT_EQ(CrossProduct(o, C(a - 1, a - 2), o, C(a, a - 1)), -1.0);
    // a(a-2) - (a-1)^2 = -1
    EXPECT_EQ(DotProduct(o, C(a, a - 1), o, C(a - 2, -(a - 1))), -1.0);

    // Differences of 2^32 - 1 in every factor: 32 and 64 bits both overflow here.
    const Cord lo = C(I32Min, I32Min), hi = C(I32Max, I32Max);
    const Cord c = C(I32Min, I32Max), d = C(I32Max, I32Min);
    const double span = 4294967295.0;
    EXPECT_DOUBLE_EQ(CrossProduct(lo, hi, c, d), 2 * span * span);
    EXPECT_DOUBLE_EQ(CrossProduct(lo, hi, d, c), -2 * span * span);
    EXPECT_DOUBLE_EQ(DotProduct(lo, hi, lo, hi), 2 * span * span);
}

TEST(Vectors, VectorAngleCoversMinusPiExclusiveToPiInclusive)
{
    EXPECT_DOUBLE_EQ(VectorAngle(0, 0), -Pi / 2);
    EXPECT_DOUBLE_EQ(VectorAngle(-1, 0), Pi);
    EXPECT_DOUBLE_EQ(VectorAngle(-1, -0.0), Pi);  // atan2 would say -pi here
    EXPECT_DOUBLE_EQ(VectorAngle(0, 5), Pi / 2);
    EXPECT_DOUBLE_EQ(VectorAngle(0, -5), -Pi / 2);
    EXPECT_DOUBLE_EQ(VectorAngle(1, 1), Pi / 4);
    EXPECT_DOUBLE_EQ(VectorAngle(-1, 1), 3 * Pi / 4);
    EXPECT_DOUBLE_EQ(VectorAngle(-1, -1), -3 * Pi / 4);
    EXPECT_DOUBLE_EQ(VectorAngle(-4294967295.0, 1), Pi - 1 / 4294967295.0);
}

TEST(Vectors, PolarPointKeepsFlagsAndSaturates)
{
    const Cord p = U(1000, 2000, NoLeftLineFlag, CornerFlag | DashFlag);
    const Cord q = PolarPoint(p, SecondBezierFlag, 0, 2560.6);
    EXPECT_EQ(q.x, (1000 * 256 + 2560) | NoLeftLineFlag | SecondBezierFlag);
    EXPECT_EQ(q.y, p.y);
    const Cord up = PolarPoint(p, 0, Pi / 2, 25600);
    EXPECT_EQ(up.x, p.x);
    EXPECT_EQ(up.y, (2100 * 256) | CornerFlag | DashFlag);

    const Cord edge = C(Masked(SafeRoundMax) | 4, SafeRoundMin | 1);
    const Cord far = PolarPoint(edge, 0, Pi / 4, 1e15);
    EXPECT_EQ(far.x, Masked(SafeRoundMax) | 4);
    const Cord farDown = PolarPoint(edge, 0, -Pi / 2, 1e15);
    EXPECT_EQ(farDown.y, SafeRoundMin | 1);
    EXPECT_EQ(PolarPoint(U(3, 4), 0, NaN, 100000), U(3, 4));
    EXPECT_EQ(PolarPoint(U(3, 4), 0, 1.0, NaN), U(3, 4));
}

TEST(Vectors, CrossingXIsMaskedAndNeverOverflows)
{
    EXPECT_EQ(CrossingX(U(0, 0), U(10, 10), 5 * 256), 5 * 256);
    EXPECT_EQ(CrossingX(U(0, 0, 3, 1), U(10, 20), 5 * 256 + 7), 2 * 256);
    // Horizontal: the midpoint of raw x, masked.
    EXPECT_EQ(CrossingX(U(1, 2, 0, 3), U(4, 2), 0), 2 * 256);
    // The x span and the horizontal sum exceed 32 bits.
    EXPECT_EQ(CrossingX(C(I32Min, -(1 << 30)), C(I32Max & CoordMask, 1 << 30), 0), -256);
    EXPECT_EQ(CrossingX(C(I32Max & CoordMask, 5 * 256), C(I32Max & CoordMask, 5 * 256 | 3), 0),
              I32Max & CoordMask);
    EXPECT_EQ(CrossingX(C(I32Min, 0), C(I32Min, 256), 0), I32Min);
    // Far outside the segment the line's x saturates instead of wrapping.
    EXPECT_EQ(CrossingX(C(0, 0), C(1 << 30, 256), 1 << 30), I32Max & CoordMask);
    EXPECT_EQ(CrossingX(C(0, 0), C(1 << 30, 256), -(1 << 30)), I32Min);
}

struct Arc {
    std::vector<Cord> cords;
    int count = 0;
};

Arc MakeArc(Cord centre, double a0, double a1, double r)
{
    Arc arc;
    // Guard cells behind the documented maximum catch a write past it.
    arc.cords.assign(ArcToBezierMaxCords + 4, C(0x5A5A5A5A, 0x5A5A5A5A));
    arc.count = ArcToBezier(centre, arc.cords.data(), a0, a1, r);
    for (int i = ArcToBezierMaxCords; i < int(arc.cords.size()); ++i)
        EXPECT_EQ(arc.cords[i], C(0x5A5A5A5A, 0x5A5A5A5A));
    return arc;
}

TEST(ArcToBezier, SegmentCountFollowsTheSweepAndIsCappedAtAFullTurn)
{
    const Cord c = U(1000, 1000);
    EXPECT_EQ(MakeArc(c, 0, 1.0, 25600).count, 4);
    EXPECT_EQ(MakeArc(c, 0, Pi / 2, 25600).count, 7);
    EXPECT_EQ(MakeArc(c, 0, 2 * Pi, 25600).count, 16);
    EXPECT_EQ(MakeArc(c, 1, 1, 25600).count, 4);
    // End before start is raised by a turn: 2 pi - 0.5 is four segments.
    EXPECT_EQ(MakeArc(c, 1.0, 0.5, 25600).count, 13);
    // Huge sweeps and huge magnitudes end, with a bounded count.
    EXPECT_EQ(MakeArc(c, 0, 1e6, 25600).count, 16);
    EXPECT_EQ(MakeArc(c, 0, 1e300, 25600).count, 16);
    EXPECT_LE(MakeArc(c, 1e300, -1e300, 25600).count, ArcToBezierMaxCords);
    EXPECT_LE(MakeArc(c, 1e17, 3, 25600).count, ArcToBezierMaxCords);
}

TEST(ArcToBezier, NonFiniteInputGivesOneDegenerateSegmentAtTheCentre)
{
    const Cord c = U(-50, 70);
    for (auto [a0, a1, r] : {std::tuple{NaN, 1.0, 100.0}, {0.0, Inf, 100.0}, {-Inf, 0.0, 100.0},
                             {0.0, 1.0, NaN}, {0.0, 1.0, Inf}}) {
        const Arc arc = MakeArc(c, a0, a1, r);
        ASSERT_EQ(arc.count, 4);
        EXPECT_EQ(arc.cords[0], c);
        EXPECT_EQ(arc.cords[1], C(c.x | FirstBezierFlag, c.y));
        EXPECT_EQ(arc.cords[2], C(c.x | SecondBezierFlag, c.y));
        EXPECT_EQ(arc.cords[3], c);
    }
}

TEST(ArcToBezier, FullCircleIsClosedFlaggedAndRound)
{
    const Cord c = U(200, -300);
    const double r = 100 * 256.0 * 100;  // 100 mm
    const Arc arc = MakeArc(c, 0, 2 * Pi, r);
    ASSERT_EQ(arc.count, 16);
    EXPECT_EQ(arc.cords[0], C(c.x + int32_t(r), c.y));
    EXPECT_TRUE(CordsWithin(arc.cords[15], arc.cords[0], 256));
    for (int s = 0; s < 5; ++s) {
        const Cord* p = &arc.cords[3 * s];
        EXPECT_EQ(p[1].x & 3, FirstBezierFlag);
        EXPECT_EQ(p[2].x & 3, SecondBezierFlag);
        EXPECT_EQ(p[3].x & 3, 0);
        // The curve's middle lies on the circle within 2.5 percent (wrong control
        // directions would bulge it in or out by far more).
        const double mx = (Masked(p[0].x) + 3.0 * Masked(p[1].x) + 3.0 * Masked(p[2].x) + Masked(p[3].x)) / 8;
        const double my = (Masked(p[0].y) + 3.0 * Masked(p[1].y) + 3.0 * Masked(p[2].y) + Masked(p[3].y)) / 8;
        EXPECT_NEAR(std::hypot(mx - c.x, my - c.y), r, r * 0.025) << "segment " << s;
    }
}

TEST(Rotation, HalfTurnKeepsEveryFlagBitOutOfTheArithmetic)
{
    // All eight flag bits set in both values: turning raw values would shift them into the
    // coordinate.
    std::vector<Cord> pts = {U(10, 20, 0xFF, 0xFF), U(-30, 5, FirstBezierFlag, HoleFlag)};
    std::vector<Cord> out(2);
    RotatePoints(0, 0, pts.data(), 2, -1, 0, out.data());
    EXPECT_EQ(out[0], U(-10, -20, 0xFF, 0xFF));
    EXPECT_EQ(out[1], U(30, -5, FirstBezierFlag, HoleFlag));
}

TEST(Rotation, QuarterTurnAboutACentreInPlaceAndBack)
{
    std::vector<Cord> pts = {U(20, 10, FirstBezierFlag, CornerFlag), U(10, 10, 0, DashFlag)};
    const std::vector<Cord> orig = pts;
    RotatePoints(10 * 256, 10 * 256, pts.data(), 2, 0, 1, pts.data());
    EXPECT_EQ(pts[0], U(10, 20, FirstBezierFlag, CornerFlag));
    EXPECT_EQ(pts[1], orig[1]);
    RotatePointsBack(10 * 256, 10 * 256, pts.data(), 2, 0, 1, pts.data());
    EXPECT_EQ(pts, orig);

    // An arbitrary angle and back lands within two coordinate steps (each pass masks).
    const double a = 30 * Pi / 180;
    std::vector<Cord> big = {U(123456, -98765, 1, 2), U(-4000, 77, 4, 8)};
    std::vector<Cord> turned(2), back(2);
    RotatePoints(5000, -7000, big.data(), 2, std::cos(a), std::sin(a), turned.data());
    RotatePointsBack(5000, -7000, turned.data(), 2, std::cos(a), std::sin(a), back.data());
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(CordsWithin(Cord{Masked(back[i].x), Masked(back[i].y)},
                                Cord{Masked(big[i].x), Masked(big[i].y)}, 512));
        EXPECT_EQ(Flags(back[i].x), Flags(big[i].x));
        EXPECT_EQ(Flags(back[i].y), Flags(big[i].y));
    }
}

TEST(Rotation, QuarterTurnsMapAxesAndKeepFlags)
{
    const Cord p = U(3, 7, FirstBezierFlag | NoLeftLineFlag, HoleFlag);
    const auto turn = [&](int k) {
        Cord q = p;
        RotatePoints90(&q, 1, k);
        return q;
    };
    EXPECT_EQ(turn(0), p);
    EXPECT_EQ(turn(1), U(-7, 3, FirstBezierFlag | NoLeftLineFlag, HoleFlag));
    EXPECT_EQ(turn(2), U(-3, -7, FirstBezierFlag | NoLeftLineFlag, HoleFlag));
    EXPECT_EQ(turn(3), U(7, -3, FirstBezierFlag | NoLeftLineFlag, HoleFlag));
    EXPECT_EQ(turn(5), turn(1));
    EXPECT_EQ(turn(-1), turn(3));

    Cord q = U(-9, 11, 0xFF, 0xFF);
    for (int i = 0; i < 4; ++i)
        RotatePoints90(&q, 1, 1);
    EXPECT_EQ(q, U(-9, 11, 0xFF, 0xFF));

    // The most negative coordinate has no positive counterpart: it saturates.
    Cord m = C(I32Min | 5, 0);
    RotatePoints90(&m, 1, 2);
    EXPECT_EQ(m, C((I32Max & CoordMask) | 5, 0));
}

// An area: outer ring 0..4 with a Bezier segment, hole 5..7.
std::vector<Cord> AreaWithHole()
{
    return {U(0, 0, 0, CornerFlag),
            U(40, -10, FirstBezierFlag),
            U(80, -10, SecondBezierFlag),
            U(100, 0, 0, CornerFlag),
            U(100, 100, NoLeftLineFlag),
            U(10, 10, 0, HoleFlag),
            U(20, 10, 0, DashFlag),
            U(20, 20)};
}

TEST(Rings, OrientationUsesExactSumsEvenAtTheCoordinateLimits)
{
    std::vector<Cord> pts = AreaWithHole();
    EXPECT_TRUE(RingIsCcw(pts.data(), 8, 0));
    EXPECT_TRUE(RingIsCcw(pts.data(), 8, 5));
    EXPECT_EQ(RingEnd(pts.data(), 8, 0), 5);
    EXPECT_EQ(RingEnd(pts.data(), 8, 5), 8);

    // Terms of about 2^65: a 64-bit sum wraps and reports the wrong sense.
    const int32_t lo = I32Min, hi = I32Max & CoordMask;
    std::vector<Cord> huge = {C(lo, lo), C(hi, lo), C(hi, hi), C(lo, hi)};
    EXPECT_TRUE(RingIsCcw(huge.data(), 4, 0));
    ReverseRing(huge.data(), 4, 0);
    EXPECT_FALSE(RingIsCcw(huge.data(), 4, 0));

    EXPECT_FALSE(RingIsCcw(pts.data(), 1, 0));
    EXPECT_FALSE(RingIsCcw(pts.data(), 8, 8));
}

TEST(Rings, ReverseSwapsBezierFlagsAndMovesTheHoleStart)
{
    std::vector<Cord> pts = AreaWithHole();
    const std::vector<Cord> orig = pts;

    ReverseRing(pts.data(), 8, 0);
    EXPECT_EQ(pts[0], orig[4]);
    EXPECT_EQ(pts[1], orig[3]);
    EXPECT_EQ(pts[2], U(80, -10, FirstBezierFlag));
    EXPECT_EQ(pts[3], U(40, -10, SecondBezierFlag));
    EXPECT_EQ(pts[4], orig[0]);
    EXPECT_FALSE(RingIsCcw(pts.data(), 8, 0));
    for (int i = 5; i < 8; ++i)
        EXPECT_EQ(pts[i], orig[i]);

    ReverseRing(pts.data(), 8, 5);
    EXPECT_EQ(pts[5], U(20, 20, 0, HoleFlag));
    EXPECT_EQ(pts[6], U(20, 10, 0, DashFlag));
    EXPECT_EQ(pts[7], U(10, 10));
    EXPECT_FALSE(RingIsCcw(pts.data(), 8, 5));

    ReverseRing(pts.data(), 8, 0);
    ReverseRing(pts.data(), 8, 5);
    EXPECT_EQ(pts, orig);

    // A one-point hole keeps its start flag.
    std::vector<Cord> single = {U(0, 0), U(1, 1), U(5, 5, 0, HoleFlag)};
    ReverseRing(single.data(), 3, 2);
    EXPECT_EQ(single[2], U(5, 5, 0, HoleFlag));
}

TEST(Colours, ConversionsHitTheirEndsAndRoundTripClosely)
{
    EXPECT_EQ(RgbToCmyk(0x00FFFFFF), 0u);
    EXPECT_EQ(RgbToCmyk(0x00000000), 200u << 24);
    EXPECT_EQ(RgbToCmyk(0x000000FF), 0x00C8C800u);  // red: full magenta and yellow
    EXPECT_EQ(RgbToCmyk(0x020000FF), 0x00C8C800u);  // palette bit ignored
    EXPECT_EQ(CmykToRgb(200u << 24), 0u);
    EXPECT_EQ(CmykToRgb(0xC8C8C8C8), 0u);
    EXPECT_EQ(CmykToRgb(0x00C8C800), 0x000000FFu);
    EXPECT_EQ(CmykToRgb(0), 0x00FFFFFFu);

    for (uint32_t r = 0; r < 256; r += 15)
        for (uint32_t g = 0; g < 256; g += 15)
            for (uint32_t b = 0; b < 256; b += 15) {
                const uint32_t back = CmykToRgb(RgbToCmyk(r | g << 8 | b << 16));
                EXPECT_LE(std::abs(int(back & 0xFF) - int(r)), 3);
                EXPECT_LE(std::abs(int(back >> 8 & 0xFF) - int(g)), 3);
                EXPECT_LE(std::abs(int(back >> 16 & 0xFF) - int(b)), 3);
            }
}

TEST(CordOps, ComparisonsIgnoreFlagsWhereMaskedAndNeverOverflow)
{
    EXPECT_TRUE(CordsEqual(U(5, 6, 3, 9), U(5, 6)));
    EXPECT_FALSE(CordsEqual(U(5, 6), U(5, 7)));

    EXPECT_TRUE(CordsWithin(C(0, 0), C(-10, 10), 10));
    EXPECT_FALSE(CordsWithin(C(0, 0), C(11, 0), 10));
    EXPECT_FALSE(CordsWithin(C(I32Min, 0), C(I32Max, 0), I32Max));

    EXPECT_TRUE(CordsWithinUnits(U(0, 0, 0xFF, 0xFF), U(25, -25), 25));
    EXPECT_FALSE(CordsWithinUnits(U(0, 0), U(26, 0), 25));
    EXPECT_TRUE(CordsWithinUnits(C(I32Min, 0), C(I32Max, 0), I32Max));
    EXPECT_FALSE(CordsWithinUnits(C(I32Min, 0), C(I32Max, 0), 1 << 23));

    Cord a = U(10, 10, FirstBezierFlag, CornerFlag);
    ShiftCord(a, U(5, 1, 0xFF, 0xFF), U(2, 4, 0, 0));
    EXPECT_EQ(a, U(13, 7, FirstBezierFlag, CornerFlag));
    Cord edge = C((I32Max & CoordMask) | 2, I32Min | 1);
    ShiftCord(edge, U(1000, 0), U(0, 1000));
    EXPECT_EQ(edge, C((I32Max & CoordMask) | 2, I32Min | 1));
}

TEST(RectOps, InclusiveBoundsOverlapsAndUnions)
{
    CordRect r;
    InitRect(r, 0, 0, 2560, 2560);
    EXPECT_EQ(r, (CordRect{0, 0, 2560, 2560}));
    EXPECT_TRUE(CordInRect(r, C(2560 | 3, 0 | 1)));  // flags on the max edge stay inside
    EXPECT_TRUE(CordInRect(r, C(0, 2560)));
    EXPECT_FALSE(CordInRect(r, C(2816, 0)));
    EXPECT_FALSE(CordInRect(r, C(0, -256)));

    const CordRect touching{2560, 0, 5000, 10};
    const CordRect apart{2561, 0, 5000, 10};
    EXPECT_TRUE(RectsOverlap(r, touching));
    EXPECT_FALSE(RectsOverlap(r, apart));
    EXPECT_TRUE(RectContains(r, r));
    EXPECT_TRUE(RectContains(r, CordRect{1, 1, 2560, 2559}));
    EXPECT_FALSE(RectContains(r, touching));

    CordRect u = r;
    ExtendRect(u, CordRect{-5, 100, 3000, 200});
    EXPECT_EQ(u, (CordRect{-5, 0, 3000, 2560}));

    CordRect x;
    IntersectRects(x, r, apart);
    EXPECT_GT(x.x1, x.x2);
    CordRect alias = r;
    IntersectRects(alias, alias, CordRect{100, -100, 200, 300});
    EXPECT_EQ(alias, (CordRect{100, 0, 200, 300}));

    CordRect n{10, 20, -10, -20};
    NormalizeRect(n);
    EXPECT_EQ(n, (CordRect{-10, -20, 10, 20}));

    CordRect m{0, 0, 10, 10};
    MoveRect(m, C(5, 1), C(2, 3));
    EXPECT_EQ(m, (CordRect{3, -2, 13, 8}));
    CordRect far{I32Max - 10, I32Min + 10, I32Max, 0};
    MoveRect(far, C(I32Max, I32Min), C(0, 0));
    EXPECT_EQ(far, (CordRect{I32Max, I32Min, I32Max, I32Min}));
}

std::unique_ptr<ElementRecord> NewElement() { return std::make_unique<ElementRecord>(); }

TEST(ElementHead, InitClearsTheHeadAndReportsOversizedCounts)
{
    auto e = NewElement();
    e->Flags = 1;
    e->Word10 = e->Word12 = e->Word14 = 9;
    e->LayerName.fill(0x41);
    e->Slots[0] = U(1, 2);
    EXPECT_TRUE(InitElement(*e, -30, LineObject, 5, 8, 900));
    EXPECT_EQ(e->Symbol, -30);
    EXPECT_EQ(e->ObjectType, LineObject);
    EXPECT_EQ(e->nItem, 5);
    EXPECT_EQ(e->nText, 8);
    EXPECT_EQ(e->Angle, 900);
    EXPECT_EQ(e->Flags, 0);
    EXPECT_EQ(e->Word10 | e->Word12 | e->Word14, 0);
    EXPECT_EQ(e->LayerName, (std::array<uint8_t, 16>{}));
    EXPECT_EQ(e->Slots[0], U(1, 2));
    EXPECT_FALSE(InitElement(*e, 10, LineObject, 32768, 2048, 0));
}

TEST(ElementHead, DeleteCordMovesTextSlotsDownAndRefusesBadIndexes)
{
    auto e = NewElement();
    InitElement(*e, 10, TextObject, 3, 8, 0);
    e->Slots[0] = U(1, 1);
    e->Slots[1] = U(2, 2);
    e->Slots[2] = U(3, 3);
    std::memcpy(e->TextBytes(), "Hello", 6);
    e->Slots[10] = U(7, 7);  // the last text slot
    e->Slots[11] = U(8, 8);  // past the record: never touched

    for (int bad : {-1, 3, 4, 1 << 30}) {
        EXPECT_FALSE(DeleteCord(*e, bad));
        EXPECT_EQ(e->nItem, 3);
    }
    ASSERT_TRUE(DeleteCord(*e, 1));
    EXPECT_EQ(e->nItem, 2);
    EXPECT_EQ(e->Slots[0], U(1, 1));
    EXPECT_EQ(e->Slots[1], U(3, 3));
    EXPECT_STREQ(reinterpret_cast<const char*>(e->TextBytes()), "Hello");
    EXPECT_EQ(e->Slots[9], U(7, 7));
    EXPECT_EQ(e->Slots[10], Cord{});
    EXPECT_EQ(e->Slots[11], U(8, 8));

    ASSERT_TRUE(DeleteCord(*e, 0));
    ASSERT_TRUE(DeleteCord(*e, 0));
    EXPECT_EQ(e->nItem, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(e->TextBytes()), "Hello");
    EXPECT_FALSE(DeleteCord(*e, 0));

    // A head claiming more slots than the buffer holds is never moved.
    InitElement(*e, 10, TextObject, 32768, 2048, 0);
    EXPECT_FALSE(DeleteCord(*e, 0));
    EXPECT_EQ(e->nItem, 32768);

    // A completely full buffer: the last slot moves down and is cleared.
    InitElement(*e, 10, TextObject, 32768, uint16_t(ElementSlotCapacity - 32768), 0);
    e->Slots[ElementSlotCapacity - 1] = U(9, 9);
    ASSERT_TRUE(DeleteCord(*e, 32767));
    EXPECT_EQ(e->Slots[ElementSlotCapacity - 2], U(9, 9));
    EXPECT_EQ(e->Slots[ElementSlotCapacity - 1], Cord{});
}

TEST(ElementHead, MoveElementMovesOnlyTheCordsItShould)
{
    auto e = NewElement();
    InitElement(*e, 10, PointObject, 3, 0, 0);
    e->Slots[0] = U(1, 1, FirstBezierFlag, CornerFlag);
    e->Slots[1] = U(2, 2);
    MoveElement(*e, 256 * 10, -256 * 5);
    EXPECT_EQ(e->Slots[0], U(11, -4, FirstBezierFlag, CornerFlag));
    EXPECT_EQ(e->Slots[1], U(2, 2));

    InitElement(*e, 10, TextObject, 2, 8, 0);
    e->Slots[0] = U(1, 1, 0, DashFlag);
    e->Slots[1] = C((I32Max & CoordMask) | 4, 0);
    e->Slots[2] = U(5, 5);  // first text slot
    MoveElement(*e, 256 * 10, 0);
    EXPECT_EQ(e->Slots[0], U(11, 1, 0, DashFlag));
    EXPECT_EQ(e->Slots[1], C((I32Max & CoordMask) | 4, 0));
    EXPECT_EQ(e->Slots[2], U(5, 5));
}

} // namespace
} // namespace zemo
