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
constexpr int32_t TopX = I32Max & CoordMask;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

Cord C(int32_t x, int32_t y) { return Cord{x, y}; }
// Whole coordinate steps (multiples of 256) plus flags.
Cord U(int32_t x, int32_t y, int32_t fx = 0, int32_t fy = 0) { return Cord{x * 256 | fx, y * 256 | fy}; }

TEST(Numeric, RangeChecksKeepInclusiveBoundsOnly)
{
    struct Row { int32_t v, min, max, out; };
    for (Row r : {Row{10, 10, 20, 10}, {20, 10, 20, 20}, {21, 10, 20, 15}, {9, 10, 20, 15}}) {
        int32_t v = r.v;
        CheckIntRange(v, r.min, r.max, 15);
        EXPECT_EQ(v, r.out) << r.v;
    }
    // 16-bit values compare signed: 0x8000 is -32768, below a minimum of 0.
    int16_t s = int16_t(0x8000);
    CheckSmallIntRange(s, 0, 100, 7);
    EXPECT_EQ(s, 7);
    struct D { double v, out; };
    for (D r : {D{0.25, 0.25}, {0.5, 0.5}, {0.5000001, 1}, {0.2499999, 1}, {NaN, 1}}) {
        double d = r.v;
        CheckDoubleRange(d, 0.25, 0.5, 1);
        EXPECT_EQ(d, r.out) << r.v;
    }
    double d = Inf;  // infinity is out of even an infinite range
    CheckDoubleRange(d, -Inf, Inf, 1);
    EXPECT_EQ(d, 1);
}

TEST(Numeric, SafeRoundHalvesToEvenAndSaturates)
{
    struct Row { double in; int32_t out; };
    for (Row r : {Row{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {2.5000001, 3}, {1073741823.6, 1073741823},
                  {-1073741824.4, -1073741824}, {-2e9, SafeRoundMin}, {1e300, SafeRoundMax},
                  {Inf, SafeRoundMax}, {-Inf, SafeRoundMin}, {NaN, 0}})
        EXPECT_EQ(SafeRound(r.in), r.out) << r.in;
    for (Row r : {Row{6.5, 6}, {-7.5, -8}, {-32764.4, -32764}, {-32765, -32764}, {40000, 32767},
                  {32766.5, 32766}, {-Inf, -32764}, {NaN, 0}})
        EXPECT_EQ(SafeRoundSmall(r.in), r.out) << r.in;

    EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
    const uint8_t bigEndianOne[8] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    double raw;
    std::memcpy(&raw, bigEndianOne, 8);
    EXPECT_EQ(SwapDouble(raw), 1.0);
    EXPECT_EQ(MulInt64(I32Min, I32Min), int64_t(1) << 62);
}

TEST(Numeric, VectorArithmeticIsExactAcrossTheWhole32BitRange)
{
    EXPECT_DOUBLE_EQ(PointDistance(C(I32Min, 0), C(I32Max, 0)), 4294967295.0);
    EXPECT_DOUBLE_EQ(PointDistance(C(0, 0), C(300, -400)), 500);
    EXPECT_EQ(ApproxDistance(C(I32Min, I32Max), C(I32Max, I32Min)), 4294967295LL + 2147483647LL);
    EXPECT_EQ(ApproxDistance(C(0, 0), C(-7, 3)), 7 + 1);

    // y1*x2 - x1*y2 = (a-1)^2 - a(a-2) = 1: in doubles both products round to the same value.
    const int32_t a = I32Max;
    const Cord o = C(0, 0);
    EXPECT_EQ(CrossProduct(o, C(a, a - 1), o, C(a - 1, a - 2)), 1.0);
    EXPECT_EQ(CrossProduct(o, C(a - 1, a - 2), o, C(a, a - 1)), -1.0);
    EXPECT_EQ(DotProduct(o, C(a, a - 1), o, C(a - 2, -(a - 1))), -1.0);
    const double span = 4294967295.0;
    const Cord lo = C(I32Min, I32Min), hi = C(I32Max, I32Max);
    EXPECT_DOUBLE_EQ(CrossProduct(lo, hi, C(I32Min, I32Max), C(I32Max, I32Min)), 2 * span * span);
    EXPECT_DOUBLE_EQ(DotProduct(lo, hi, lo, hi), 2 * span * span);

    // (-pi, pi]: atan2 would give -pi for (-1, -0).
    struct Row { double dx, dy, angle; };
    for (Row r : {Row{0, 0, -Pi / 2}, {-1, 0, Pi}, {-1, -0.0, Pi}, {0, 5, Pi / 2}, {-1, -1, -3 * Pi / 4},
                  {-4294967295.0, 1, Pi - 1 / 4294967295.0}})
        EXPECT_DOUBLE_EQ(VectorAngle(r.dx, r.dy), r.angle) << r.dx << " " << r.dy;
}

TEST(Numeric, PolarPointAndCrossingXKeepFlagsAndSaturate)
{
    const Cord p = U(1000, 2000, NoLeftLineFlag, CornerFlag | DashFlag);
    EXPECT_EQ(PolarPoint(p, SecondBezierFlag, 0, 2560.6),
              C((1000 * 256 + 2560) | NoLeftLineFlag | SecondBezierFlag, p.y));
    EXPECT_EQ(PolarPoint(p, 0, Pi / 2, 25600), C(p.x, (2100 * 256) | CornerFlag | DashFlag));
    const Cord edge = C(Masked(SafeRoundMax) | 4, SafeRoundMin | 1);
    EXPECT_EQ(PolarPoint(edge, 0, Pi / 4, 1e15).x, Masked(SafeRoundMax) | 4);
    EXPECT_EQ(PolarPoint(edge, 0, -Pi / 2, 1e15).y, SafeRoundMin | 1);
    EXPECT_EQ(PolarPoint(U(3, 4), 0, NaN, 100000), U(3, 4));
    EXPECT_EQ(PolarPoint(U(3, 4), 0, 1.0, NaN), U(3, 4));

    EXPECT_EQ(CrossingX(U(0, 0, 3, 1), U(10, 20), 5 * 256 + 7), 2 * 256);
    EXPECT_EQ(CrossingX(U(1, 2, 0, 3), U(4, 2), 0), 2 * 256);  // horizontal: the masked midpoint
    EXPECT_EQ(CrossingX(C(I32Min, -(1 << 30)), C(TopX, 1 << 30), 0), -256);
    EXPECT_EQ(CrossingX(C(TopX, 5 * 256), C(TopX, 5 * 256 | 3), 0), TopX);
    EXPECT_EQ(CrossingX(C(0, 0), C(1 << 30, 256), 1 << 30), TopX);
    EXPECT_EQ(CrossingX(C(0, 0), C(1 << 30, 256), -(1 << 30)), I32Min);
}

int ArcCount(std::vector<Cord>& cords, Cord centre, double a0, double a1, double r)
{
    // Guard cells behind the documented maximum catch a write past it.
    cords.assign(ArcToBezierMaxCords + 4, C(0x5A5A5A5A, 0x5A5A5A5A));
    const int n = ArcToBezier(centre, cords.data(), a0, a1, r);
    for (size_t i = ArcToBezierMaxCords; i < cords.size(); ++i)
        EXPECT_EQ(cords[i], C(0x5A5A5A5A, 0x5A5A5A5A));
    return n;
}

TEST(Numeric, ArcToBezierCountsSegmentsByTheSweepAndStaysRound)
{
    const Cord c = U(200, -300);
    std::vector<Cord> arc;
    struct Row { double a0, a1; int count; };
    // End before start is raised by a turn; huge sweeps are cut to one turn.
    for (Row r : {Row{0, 1.0, 4}, {0, Pi / 2, 7}, {0, 2 * Pi, 16}, {1, 1, 4}, {1.0, 0.5, 13}, {0, 1e300, 16},
                  {1e300, -1e300, -1}, {1e17, 3, -1}}) {
        const int n = ArcCount(arc, c, r.a0, r.a1, 25600);
        if (r.count < 0)
            EXPECT_LE(n, ArcToBezierMaxCords);
        else
            EXPECT_EQ(n, r.count) << r.a0 << " " << r.a1;
    }
    for (auto [a0, a1, rad] : {std::tuple{NaN, 1.0, 100.0}, {0.0, Inf, 100.0}, {0.0, 1.0, NaN}}) {
        ASSERT_EQ(ArcCount(arc, c, a0, a1, rad), 4);
        EXPECT_EQ(arc[0], c);
        EXPECT_EQ(arc[1], C(c.x | FirstBezierFlag, c.y));
        EXPECT_EQ(arc[2], C(c.x | SecondBezierFlag, c.y));
        EXPECT_EQ(arc[3], c);
    }

    const double r = 100 * 256.0 * 100;
    ASSERT_EQ(ArcCount(arc, c, 0, 2 * Pi, r), 16);
    EXPECT_EQ(arc[0], C(c.x + int32_t(r), c.y));
    EXPECT_TRUE(CordsWithin(arc[15], arc[0], 256));
    for (int s = 0; s < 5; ++s) {
        const Cord* p = &arc[size_t(3 * s)];
        EXPECT_EQ(p[1].x & 3, FirstBezierFlag);
        EXPECT_EQ(p[2].x & 3, SecondBezierFlag);
        // The curve's middle lies on the circle (wrong control directions bulge it).
        const double mx = (Masked(p[0].x) + 3.0 * Masked(p[1].x) + 3.0 * Masked(p[2].x) + Masked(p[3].x)) / 8;
        const double my = (Masked(p[0].y) + 3.0 * Masked(p[1].y) + 3.0 * Masked(p[2].y) + Masked(p[3].y)) / 8;
        EXPECT_NEAR(std::hypot(mx - c.x, my - c.y), r, r * 0.025) << "segment " << s;
    }
}

TEST(Numeric, RotationsTurnCoordinatesWithoutTheirFlags)
{
    // All flag bits set: turning raw values would shift them into the coordinate.
    std::vector<Cord> pts = {U(10, 20, 0xFF, 0xFF), U(-30, 5, FirstBezierFlag, HoleFlag)};
    RotatePoints(0, 0, pts.data(), 2, -1, 0, pts.data());
    EXPECT_EQ(pts, (std::vector<Cord>{U(-10, -20, 0xFF, 0xFF), U(30, -5, FirstBezierFlag, HoleFlag)}));

    pts = {U(20, 10, FirstBezierFlag, CornerFlag), U(10, 10, 0, DashFlag)};
    const std::vector<Cord> orig = pts;
    RotatePoints(10 * 256, 10 * 256, pts.data(), 2, 0, 1, pts.data());
    EXPECT_EQ(pts[0], U(10, 20, FirstBezierFlag, CornerFlag));
    RotatePointsBack(10 * 256, 10 * 256, pts.data(), 2, 0, 1, pts.data());
    EXPECT_EQ(pts, orig);

    const Cord p = U(3, 7, FirstBezierFlag | NoLeftLineFlag, HoleFlag);
    const int fx = FirstBezierFlag | NoLeftLineFlag;
    const Cord turned[] = {p, U(-7, 3, fx, HoleFlag), U(-3, -7, fx, HoleFlag), U(7, -3, fx, HoleFlag)};
    for (int k : {0, 1, 2, 3, 5, -1}) {
        Cord q = p;
        RotatePoints90(&q, 1, k);
        EXPECT_EQ(q, turned[(k % 4 + 4) % 4]) << k;
    }
    // The most negative coordinate has no positive counterpart: it saturates.
    Cord m = C(I32Min | 5, 0);
    RotatePoints90(&m, 1, 2);
    EXPECT_EQ(m, C(TopX | 5, 0));
}

TEST(Numeric, RingsOrientAndReverseExactly)
{
    // Outer ring 0..4 with a Bezier segment, hole 5..7.
    std::vector<Cord> pts = {U(0, 0, 0, CornerFlag), U(40, -10, FirstBezierFlag), U(80, -10, SecondBezierFlag),
                             U(100, 0, 0, CornerFlag), U(100, 100, NoLeftLineFlag), U(10, 10, 0, HoleFlag),
                             U(20, 10, 0, DashFlag), U(20, 20)};
    const std::vector<Cord> orig = pts;
    EXPECT_TRUE(RingIsCcw(pts.data(), 8, 0));
    EXPECT_TRUE(RingIsCcw(pts.data(), 8, 5));
    EXPECT_EQ(RingEnd(pts.data(), 8, 0), 5);
    EXPECT_EQ(RingEnd(pts.data(), 8, 5), 8);
    EXPECT_FALSE(RingIsCcw(pts.data(), 8, 8));

    ReverseRing(pts.data(), 8, 0);
    EXPECT_EQ(pts[0], orig[4]);
    EXPECT_EQ(pts[2], U(80, -10, FirstBezierFlag));
    EXPECT_EQ(pts[3], U(40, -10, SecondBezierFlag));
    EXPECT_FALSE(RingIsCcw(pts.data(), 8, 0));
    ReverseRing(pts.data(), 8, 5);
    EXPECT_EQ(pts[5], U(20, 20, 0, HoleFlag));
    EXPECT_EQ(pts[7], U(10, 10));
    ReverseRing(pts.data(), 8, 0);
    ReverseRing(pts.data(), 8, 5);
    EXPECT_EQ(pts, orig);

    // Terms of about 2^65: a 64-bit sum wraps and reports the wrong sense.
    std::vector<Cord> huge = {C(I32Min, I32Min), C(TopX, I32Min), C(TopX, TopX), C(I32Min, TopX)};
    EXPECT_TRUE(RingIsCcw(huge.data(), 4, 0));
    ReverseRing(huge.data(), 4, 0);
    EXPECT_FALSE(RingIsCcw(huge.data(), 4, 0));
}

TEST(Numeric, ColourConversionsRoundAndRoundTrip)
{
    struct Row { uint32_t rgb, cmyk; };
    // Red: full magenta and yellow; the palette bit is ignored; one step of 255 is one of 200.
    for (Row r : {Row{0x00FFFFFF, 0}, {0x00000000, 200u << 24}, {0x000000FF, 0x00C8C800},
                  {0x020000FF, 0x00C8C800}, {0x00FFFFFE, 1}, {0x00FEFEFE, 1u << 24}})
        EXPECT_EQ(RgbToCmyk(r.rgb), r.cmyk) << std::hex << r.rgb;
    EXPECT_EQ(CmykToRgb(0xC8C8C8C8), 0u);
    EXPECT_EQ(CmykToRgb(0x00C8C800), 0x000000FFu);
    for (uint32_t r = 0; r < 256; r += 15)
        for (uint32_t g = 0; g < 256; g += 15)
            for (uint32_t b = 0; b < 256; b += 15) {
                const uint32_t back = CmykToRgb(RgbToCmyk(r | g << 8 | b << 16));
                EXPECT_LE(std::abs(int(back & 0xFF) - int(r)), 3);
                EXPECT_LE(std::abs(int(back >> 8 & 0xFF) - int(g)), 3);
                EXPECT_LE(std::abs(int(back >> 16 & 0xFF) - int(b)), 3);
            }
}

TEST(Numeric, CordAndRectOperationsAtTheirEdges)
{
    EXPECT_TRUE(CordsEqual(U(5, 6, 3, 9), U(5, 6)));
    EXPECT_FALSE(CordsWithin(C(0, 0), C(11, 0), 10));
    EXPECT_FALSE(CordsWithin(C(I32Min, 0), C(I32Max, 0), I32Max));
    EXPECT_TRUE(CordsWithinUnits(U(0, 0, 0xFF, 0xFF), U(25, -25), 25));
    EXPECT_FALSE(CordsWithinUnits(U(0, 0), U(26, 0), 25));
    EXPECT_FALSE(CordsWithinUnits(C(I32Min, 0), C(I32Max, 0), 1 << 23));
    Cord a = U(10, 10, FirstBezierFlag, CornerFlag);
    ShiftCord(a, U(5, 1, 0xFF, 0xFF), U(2, 4));
    EXPECT_EQ(a, U(13, 7, FirstBezierFlag, CornerFlag));
    Cord edge = C(TopX | 2, I32Min | 1);
    ShiftCord(edge, U(1000, 0), U(0, 1000));
    EXPECT_EQ(edge, C(TopX | 2, I32Min | 1));

    CordRect r;
    InitRect(r, 0, 0, 2560, 2560);
    EXPECT_TRUE(CordInRect(r, C(2560 | 3, 0 | 1)));  // flags on the max edge stay inside
    EXPECT_FALSE(CordInRect(r, C(2816, 0)));
    EXPECT_FALSE(CordInRect(r, C(0, -256)));
    // Touching counts as overlap on every side, in either order.
    for (CordRect t : {CordRect{2560, 0, 5000, 10}, CordRect{-10, 0, 0, 10}, CordRect{0, 2560, 10, 3000},
                       CordRect{0, -50, 10, 0}}) {
        EXPECT_TRUE(RectsOverlap(r, t));
        EXPECT_TRUE(RectsOverlap(t, r));
    }
    const CordRect apart{2561, 0, 5000, 10};
    EXPECT_FALSE(RectsOverlap(r, apart));
    EXPECT_FALSE(RectsOverlap(apart, r));
    EXPECT_TRUE(RectContains(r, CordRect{1, 1, 2560, 2559}));
    EXPECT_FALSE(RectContains(r, CordRect{2560, 0, 5000, 10}));
    CordRect u = r;
    ExtendRect(u, CordRect{-5, 100, 3000, 200});
    EXPECT_EQ(u, (CordRect{-5, 0, 3000, 2560}));
    CordRect alias = r;
    IntersectRects(alias, alias, CordRect{100, -100, 200, 300});
    EXPECT_EQ(alias, (CordRect{100, 0, 200, 300}));
    CordRect n{10, 20, -10, -20};
    NormalizeRect(n);
    EXPECT_EQ(n, (CordRect{-10, -20, 10, 20}));
    CordRect far{I32Max - 10, I32Min + 10, I32Max, 0};
    MoveRect(far, C(I32Max, I32Min), C(0, 0));
    EXPECT_EQ(far, (CordRect{I32Max, I32Min, I32Max, I32Min}));
}

TEST(Numeric, ElementHeadInitDeleteAndMove)
{
    auto e = std::make_unique<ElementRecord>();
    e->Flags = 1;
    e->Word10 = e->Word12 = e->Word14 = 9;
    e->LayerName.fill(0x41);
    e->Slots[0] = U(1, 2);
    EXPECT_TRUE(InitElement(*e, -30, TextObject, 3, 8, 900));
    EXPECT_EQ(e->Symbol, -30);
    EXPECT_EQ(e->Angle, 900);
    EXPECT_EQ(e->Flags | e->Word10 | e->Word12 | e->Word14, 0);
    EXPECT_EQ(e->LayerName, (std::array<uint8_t, 16>{}));
    EXPECT_EQ(e->Slots[0], U(1, 2));
    EXPECT_FALSE(InitElement(*e, 10, LineObject, 32768, 2048, 0));

    InitElement(*e, 10, TextObject, 3, 8, 0);
    e->Slots[1] = U(2, 2);
    e->Slots[2] = U(3, 3);
    std::memcpy(e->TextBytes(), "Hello", 6);
    e->Slots[10] = U(7, 7);  // the last text slot
    e->Slots[11] = U(8, 8);  // past the record: never touched
    for (int bad : {-1, 3, 1 << 30})
        EXPECT_FALSE(DeleteCord(*e, bad));
    ASSERT_TRUE(DeleteCord(*e, 1));
    EXPECT_EQ(e->nItem, 2);
    EXPECT_EQ(e->Slots[1], U(3, 3));
    EXPECT_STREQ(reinterpret_cast<const char*>(e->TextBytes()), "Hello");
    EXPECT_EQ(e->Slots[9], U(7, 7));
    EXPECT_EQ(e->Slots[10], Cord{});
    EXPECT_EQ(e->Slots[11], U(8, 8));
    // A head claiming more slots than the buffer holds is never moved.
    InitElement(*e, 10, TextObject, 32768, 2048, 0);
    EXPECT_FALSE(DeleteCord(*e, 0));
    // A completely full buffer: the last slot moves down and is cleared.
    InitElement(*e, 10, TextObject, 32768, uint16_t(ElementSlotCapacity - 32768), 0);
    e->Slots[ElementSlotCapacity - 1] = U(9, 9);
    ASSERT_TRUE(DeleteCord(*e, 32767));
    EXPECT_EQ(e->Slots[ElementSlotCapacity - 2], U(9, 9));
    EXPECT_EQ(e->Slots[ElementSlotCapacity - 1], Cord{});

    // A point object moves its one Cord; others move all nItem Cords and saturate.
    InitElement(*e, 10, PointObject, 3, 0, 0);
    e->Slots[0] = U(1, 1, FirstBezierFlag, CornerFlag);
    e->Slots[1] = U(2, 2);
    MoveElement(*e, 256 * 10, -256 * 5);
    EXPECT_EQ(e->Slots[0], U(11, -4, FirstBezierFlag, CornerFlag));
    EXPECT_EQ(e->Slots[1], U(2, 2));
    InitElement(*e, 10, TextObject, 2, 8, 0);
    e->Slots[1] = C(TopX | 4, 0);
    e->Slots[2] = U(5, 5);  // first text slot
    MoveElement(*e, 256 * 10, 0);
    EXPECT_EQ(e->Slots[0], U(21, -4, FirstBezierFlag, CornerFlag));
    EXPECT_EQ(e->Slots[1], C(TopX | 4, 0));
    EXPECT_EQ(e->Slots[2], U(5, 5));
}

} // namespace
} // namespace zemo
