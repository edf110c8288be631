// The geometry under the painters: curves, the line walker, area rings, splitting and clipping,
// and the view and real-world transforms. Curves are checked against their polynomial evaluated
// in double precision, never through the production flattener.
#include "core/Numeric.h"
#include "render/AreaRings.h"
#include "render/AreaSplt.h"
#include "render/Bezier.h"
#include "render/PathWalk.h"
#include "render/RectClip.h"
#include "render/Scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace zemo {
namespace {

constexpr int32_t Mm = 25600;
constexpr double Pi = std::numbers::pi;

struct Pt {
    double x = 0, y = 0;
};

Pt Bare(Cord c) { return {double(Masked(c.x)), double(Masked(c.y))}; }

Pt CubicPoint(const Pt* p, double t)
{
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x, a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

// Rings of an outline as dense polygons (`steps` per curve), closed unless they are lines.
std::vector<std::vector<Pt>> DenseRings(const Cord* pts, int n, bool closed = true, int steps = 64)
{
    std::vector<std::vector<Pt>> rings;
    for (int s = 0; s < n;) {
        int e = s + 1;
        while (e < n && !(pts[e].y & HoleFlag))
            ++e;
        std::vector<Pt> ring{Bare(pts[s])};
        for (int i = s; i + 1 < e;) {
            if (i + 3 < e && (pts[i + 1].x & FirstBezierFlag)) {
                const Pt q[4] = {Bare(pts[i]), Bare(pts[i + 1]), Bare(pts[i + 2]), Bare(pts[i + 3])};
                for (int k = 1; k <= steps; ++k)
                    ring.push_back(CubicPoint(q, double(k) / steps));
                i += 3;
            } else {
                ring.push_back(Bare(pts[++i]));
            }
        }
        if (closed)
            ring.push_back(ring.front());
        rings.push_back(std::move(ring));
        s = e;
    }
    return rings;
}

// Area of an outline whose first ring holds all the others as disjoint holes.
double OuterMinusHoles(const Cord* pts, int n)
{
    const auto rings = DenseRings(pts, n);
    double a = 0;
    for (size_t r = 0; r < rings.size(); ++r) {
        double s = 0;
        for (size_t k = 0; k + 1 < rings[r].size(); ++k)
            s += rings[r][k].x * rings[r][k + 1].y - rings[r][k + 1].x * rings[r][k].y;
        a += (r == 0 ? 0.5 : -0.5) * std::abs(s);
    }
    return a;
}

double SegmentDistance(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 == 0 ? 0 : std::fmax(0, std::fmin(1, ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double MinDistanceToCurve(const Cord* seg, Pt p)
{
    const Pt q[4] = {Bare(seg[0]), Bare(seg[1]), Bare(seg[2]), Bare(seg[3])};
    double best = 1e300;
    for (int k = 0; k <= 4000; ++k) {
        const Pt c = CubicPoint(q, k / 4000.0);
        best = std::min(best, std::hypot(c.x - p.x, c.y - p.y));
    }
    return best;
}

int32_t Grid(double v) { return int32_t(std::floor(v / 256)) * 256; }

// A star-shaped ring round (cx, cy), every other edge a gentle curve, never crossing itself.
void AppendStarRing(std::vector<Cord>& out, std::mt19937& rng, double cx, double cy, double rMin, double rMax,
                    int n, bool hole, bool clockwise)
{
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<Pt> v(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double a = 2 * Pi * (k + 0.4 * (u(rng) - 0.5)) / n * (clockwise ? -1 : 1);
        const double r = rMin + (rMax - rMin) * u(rng);
        v[size_t(k)] = {cx + r * std::cos(a), cy + r * std::sin(a)};
    }
    const size_t first = out.size();
    for (int k = 0; k < n; ++k) {
        const Pt a = v[size_t(k)], b = v[size_t((k + 1) % n)];
        out.push_back({Grid(a.x), Grid(a.y)});
        if (k % 2 == 1 && k + 1 < n) {
            const double bulge = 0.05 * (2 * u(rng) - 1), nx = -(b.y - a.y), ny = b.x - a.x;
            out.push_back({Grid(a.x + (b.x - a.x) / 3 + nx * bulge) | FirstBezierFlag,
                           Grid(a.y + (b.y - a.y) / 3 + ny * bulge)});
            out.push_back({Grid(a.x + 2 * (b.x - a.x) / 3 + nx * bulge) | SecondBezierFlag,
                           Grid(a.y + 2 * (b.y - a.y) / 3 + ny * bulge)});
        }
    }
    if (hole)
        out[first].y |= HoleFlag;
}

std::vector<Cord> Square(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool ccw, bool hole)
{
    std::vector<Cord> r = ccw ? std::vector<Cord>{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}
                              : std::vector<Cord>{{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}};
    if (hole)
        r[0].y |= HoleFlag;
    return r;
}

std::vector<Cord> Join(std::vector<Cord> a, const std::vector<Cord>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 10 mm square less a 4 mm square hole: 840,000 square 0.01 mm.
std::vector<Cord> SquareWithHole(bool holeCcw = true)
{
    return Join(Square(0, 0, 10 * Mm, 10 * Mm, true, false), Square(3 * Mm, 3 * Mm, 7 * Mm, 7 * Mm, holeCcw, true));
}

std::vector<Cord> Circle(Cord centre, double r, double from = 0)
{
    Cord out[ArcToBezierMaxCords];
    const int n = ArcToBezier(centre, out, from, from + 2 * Pi, r);
    return {out, out + n};
}

bool HasHole(const Cord* p, int n)
{
    for (int k = 1; k < n; ++k)
        if (p[k].y & HoleFlag)
            return true;
    return false;
}

// Curves come in whole: a control point pair is always followed by an end point of the ring.
void ExpectWellFormedCurves(const Cord* p, int n)
{
    for (int k = 0; k < n; ++k)
        if (p[k].x & FirstBezierFlag) {
            ASSERT_LT(k + 2, n);
            EXPECT_TRUE(p[k + 1].x & SecondBezierFlag);
            EXPECT_FALSE(p[k + 2].x & (FirstBezierFlag | SecondBezierFlag));
            EXPECT_FALSE((p[k + 1].y | p[k + 2].y) & HoleFlag);
        }
}

// ---- Curves ----

TEST(Bezier, SmallHelpersAtTheirBounds)
{
    EXPECT_EQ(MidPoint({-3, 3}, {-3, 3}), (Cord{-2, 2}));  // halves toward zero
    EXPECT_EQ(MidPoint({100, -7}, {301, 7}), (Cord{200, 0}));
    EXPECT_EQ(RoundToGrid(int64_t(383)), 256);
    EXPECT_EQ(RoundToGrid(int64_t(384)), 512);
    EXPECT_EQ(RoundToGrid(int64_t(-129)), -256);
    EXPECT_EQ(RoundToGrid(1e12), int32_t(0x7FFFFF00));
    EXPECT_EQ(RoundToGrid(-1e12), INT32_MIN);
    EXPECT_EQ(RoundToGrid(std::nan("")), 0);
    // Directions count from north; flag bits do not make a direction.
    const struct { Cord to; double angle; } dirs[] = {
        {{0, Mm}, 0}, {{Mm, 0}, -Pi / 2}, {{-Mm, 0}, Pi / 2}, {{0, -Mm}, -Pi}, {{700, 700}, 0},
        {{3 * 256 | 0xFF, 3 * 256 | 0xFF}, 0}, {{-Mm, Mm}, Pi / 4}};
    for (const auto& d : dirs)
        EXPECT_NEAR(DirectionAngle({0, 0}, d.to), d.angle, 1e-12) << d.to.x << "," << d.to.y;
    Cord t{0 | FirstBezierFlag, 0 | HoleFlag};
    PointAtAngle({10 * Mm | SecondBezierFlag, 0}, 0, 5 * Mm, t);
    EXPECT_EQ(t, (Cord{10 * Mm | FirstBezierFlag, 5 * Mm | HoleFlag}));  // the target's flags stay
    PointAtAngle({0, 0}, -Pi / 2, 5 * Mm, t);
    EXPECT_EQ(t, (Cord{5 * Mm | FirstBezierFlag, 0 | HoleFlag}));
    int32_t dx = 3, dy = 4;
    ScaleVector(dx, dy, 100);
    EXPECT_EQ(dx, 60 * 256);
    EXPECT_EQ(dy, 80 * 256);
    dx = dy = 0;
    ScaleVector(dx, dy, 100);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(SegmentXAtY({0, 0}, {10 * Mm, 10 * Mm}, 5 * Mm), 5 * Mm);
    EXPECT_EQ(SegmentXAtY({0, 7 * Mm}, {10 * Mm, 7 * Mm | CornerFlag}, 7 * Mm), 5 * Mm);
    EXPECT_EQ(SegmentXAtY({-2000000000, 0}, {2000000000, 256}, 256), 1073741823 & CoordMask);
    EXPECT_EQ(SegmentLengthEstimate({0, 0}, {300 * 256, -400 * 256}), 400 + 150);
    // Whole units of each step, whichever way it goes, flags left out.
    EXPECT_EQ(SegmentLengthEstimate({-1000 | FirstBezierFlag, 77 * 256}, {-1000 + 255, 77 * 256 + 511 | CornerFlag}), 1);
    EXPECT_EQ(SegmentLengthEstimate({5 * 256 + 17, -9 * 256}, {-3 * 256, 12 * 256 + 255 | DashFlag}), 21 + 4);
    EXPECT_EQ(SegmentLengthEstimate({MapAreaLimit, -MapAreaLimit}, {-MapAreaLimit, MapAreaLimit}), 400000 + 200000);
}

TEST(Bezier, FlatteningStaysOnTheCurveAndEndsOnItsEnd)
{
    struct Case {
        Cord seg[4];
        int depth, minPoints, maxPoints;
        double hi, lo;  // the flattened y must reach beyond these
    };
    const Case cases[] = {
        // Long: 2^depth points; small: one piece.
        {{{0, 0}, {100 * Mm | FirstBezierFlag, 200 * Mm}, {300 * Mm | SecondBezierFlag, -100 * Mm},
          {400 * Mm, 0 | CornerFlag}}, 5, 32, 32, 40 * Mm, -10 * Mm},
        {{{0, 0}, {256 | FirstBezierFlag, 512}, {512 | SecondBezierFlag, 256}, {768, 0}}, 4, 1, 1, -1, 1},
        // A loop whose end meets its start, and an S with close ends, keep their swing.
        {{{0, 0}, {-10 * Mm | FirstBezierFlag, 20 * Mm}, {10 * Mm | SecondBezierFlag, 20 * Mm}, {0, 0}}, 6, 9, 64,
         14 * Mm, 1},
        {{{0, 0}, {0 | FirstBezierFlag, 30 * Mm}, {256 | SecondBezierFlag, -30 * Mm}, {256, 0}}, 6, 9, 64, 8 * Mm,
         -8 * Mm},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        Cord out[64];
        const int n = FlattenBezier(c.seg, out, c.depth, 4);
        ASSERT_GE(n, c.minPoints);
        ASSERT_LE(n, c.maxPoints);
        EXPECT_EQ(out[n - 1], c.seg[3]);  // flags and all
        double hi = 0, lo = 0;
        for (int k = 0; k < n; ++k) {
            if (k + 1 < n) {
                EXPECT_EQ(Flags(out[k].x) | Flags(out[k].y), 0);
            }
            EXPECT_LT(MinDistanceToCurve(c.seg, Bare(out[k])), 512) << k;
            hi = std::max(hi, double(out[k].y));
            lo = std::min(lo, double(out[k].y));
        }
        EXPECT_GT(hi, c.hi);
        EXPECT_LT(lo, c.lo);
        std::vector<Cord> v;
        FlattenBezierTo(c.seg, v, c.depth, 4);
        EXPECT_EQ(v, std::vector<Cord>(out, out + n));
    }
}

TEST(Bezier, SubdivisionAndSplitsGiveMaskedPiecesOfTheSameCurve)
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
    EXPECT_NEAR(out[5].x, 75 * Mm, 256);  // the point at t = 1/2
    EXPECT_NEAR(out[5].y, 37.5 * Mm, 256);

    const Cord s[4] = {{0, 0}, {80 * Mm | FirstBezierFlag, 0}, {80 * Mm | SecondBezierFlag, 80 * Mm}, {160 * Mm, 80 * Mm}};
    const struct { double t; bool first; Cord c1, c2, at; } splits[] = {
        {0, true, {FirstBezierFlag, 0}, {SecondBezierFlag, 0}, {0, 0}},
        {1, false, {160 * Mm | FirstBezierFlag, 80 * Mm}, {160 * Mm | SecondBezierFlag, 80 * Mm}, {160 * Mm, 80 * Mm}},
        {0.5, true, {40 * Mm | FirstBezierFlag, 0}, {60 * Mm | SecondBezierFlag, 20 * Mm}, {80 * Mm, 40 * Mm}},
        {0.5, false, {100 * Mm | FirstBezierFlag, 60 * Mm}, {120 * Mm | SecondBezierFlag, 80 * Mm}, {80 * Mm, 40 * Mm}},
    };
    for (const auto& w : splits) {
        Cord c1, c2, at;
        if (w.first)
            SplitBezierFirstHalf(s, w.t, c1, c2, at);
        else
            SplitBezierSecondHalf(s, w.t, at, c1, c2);
        EXPECT_EQ(c1, w.c1) << w.t << w.first;
        EXPECT_EQ(c2, w.c2) << w.t << w.first;
        EXPECT_EQ(at, w.at) << w.t << w.first;
    }
    const double x[4] = {0, 100, 300, 400}, y[4] = {0, 200, -100, 50};
    double sx[4], sy[4];
    BezierSubCurve(x, y, 0.2, 0.7, sx, sy);
    const Pt q[4] = {{x[0], y[0]}, {x[1], y[1]}, {x[2], y[2]}, {x[3], y[3]}};
    const Pt sub[4] = {{sx[0], sy[0]}, {sx[1], sy[1]}, {sx[2], sy[2]}, {sx[3], sy[3]}};
    for (double u : {0.0, 0.3, 1.0}) {
        EXPECT_NEAR(CubicPoint(sub, u).x, CubicPoint(q, 0.2 + 0.5 * u).x, 1e-9);
        EXPECT_NEAR(CubicPoint(sub, u).y, CubicPoint(q, 0.2 + 0.5 * u).y, 1e-9);
    }
}

TEST(Bezier, NearestPointsOnSegmentsAndCurves)
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
    // Beyond the end, farther than tol, or no length: not near (twice tol).
    EXPECT_EQ(DistanceToSegment({100 * Mm + 256, 0}, a, b, side, t, 4 * Mm), 8 * Mm);
    EXPECT_EQ(DistanceToSegment({50 * Mm, 5 * Mm}, a, b, side, t, 4 * Mm), 8 * Mm);
    EXPECT_EQ(DistanceToSegment({0, 0}, a, a, side, t, 4 * Mm), 8 * Mm);
    // Coordinates far apart: the cross product needs more than 32 bits.
    EXPECT_LE(DistanceToSegment({256, 0}, {-1000000000, -1000000000}, {1000000000, 1000000000}, side, t, 4 * Mm), 256);
    EXPECT_NEAR(t, 0.5, 1e-6);

    const Cord seg[4] = {{0, 0}, {0 | FirstBezierFlag, 40 * Mm}, {100 * Mm | SecondBezierFlag, 40 * Mm}, {100 * Mm, 0}};
    EXPECT_LT(NearestOnBezier({50 * Mm, 30 * Mm + 512}, seg, 4 * Mm, side, t), 2048);  // t = 1/2 is (50, 30) mm
    EXPECT_NEAR(t, 0.5, 0.01);
    int farSide = 7;
    double farT = -7;
    EXPECT_EQ(NearestOnBezier({50 * Mm, 60 * Mm}, seg, 4 * Mm, farSide, farT), 32 * Mm);
    EXPECT_EQ(farSide, 7);
    EXPECT_EQ(farT, -7);
    // A box of at most 1024 units is not halved; a huge curve is halved to depth 15 at most.
    const Cord tiny[4] = {{0, 0}, {256 | FirstBezierFlag, 512}, {768 | SecondBezierFlag, 512}, {1024, 0}};
    NearestOnBezier({512, 256}, tiny, 4096, side, t);
    EXPECT_EQ(t, 0.5);
    const Cord huge[4] = {{-1000000000, 0}, {-1000000000 | FirstBezierFlag, 900000000},
                          {1000000000 | SecondBezierFlag, 900000000}, {1000000000, 0}};
    NearestOnBezier({1000, 675000000}, huge, 1 << 26, side, t);
    EXPECT_EQ(t * 32768, std::floor(t * 32768));
    EXPECT_NEAR(t, 0.5, 0.01);
}

TEST(Bezier, CrossingsAreBracketedSortedAndUnique)
{
    const struct { double v[4]; std::vector<double> at; } cases[] = {
        {{-1000, 3000, -3000, 1000}, {-1, 0.5, -1}},  // three, at parameters no halving meets
        {{-8, -8, 8, 8}, {0.5}},                      // exactly at the middle: once
        {{0, 5, 5, 0}, {}},                           // touching ends
        {{0, 0, 0, 0}, {}},                           // lying on the line
        {{1, 2, 3, 4}, {}},                           // one side
    };
    for (const auto& c : cases) {
        double params[8];
        const int n = BezierCrossings(c.v, params, 8);
        ASSERT_EQ(n, int(c.at.size())) << c.v[1];
        for (int k = 0; k < n; ++k) {
            const double t = params[k], u = 1 - t;
            EXPECT_NEAR(u * u * u * c.v[0] + 3 * u * u * t * c.v[1] + 3 * u * t * t * c.v[2] + t * t * t * c.v[3], 0, 0.05);
            if (c.at[size_t(k)] >= 0) {
                EXPECT_NEAR(t, c.at[size_t(k)], 1e-9);
            }
            if (k > 0) {
                EXPECT_LT(params[k - 1], t);
            }
        }
    }
}

// ---- The line walker ----

class PathWalkTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPathWalkState(); }
};

TEST_F(PathWalkTest, PartsEndOnCornersAndDashPoints)
{
    const struct { std::vector<Cord> line; std::vector<int> lengths; } cases[] = {
        {{{0, 0}, {10 * Mm, 0}}, {1000}},
        {{{0, 0}, {10 * Mm, 0 | DashFlag}, {10 * Mm, 4 * Mm}}, {1000, 400}},
    };
    for (const auto& c : cases) {
        PrepareLinePath(c.line.data(), int(c.line.size()));
        ASSERT_EQ(PathWalk.PartCount, int(c.lengths.size()));
        ASSERT_EQ(PathWalk.PathPointCount, int(c.line.size()));
        for (size_t k = 0; k < c.lengths.size(); ++k)
            EXPECT_EQ(PathWalk.PartLengths[k], c.lengths[k]);
        EXPECT_EQ(PathWalk.LongestPart, 1000);
        EXPECT_EQ(PathWalk.PathPoints[c.line.size() - 1].y & CornerFlag, CornerFlag);
        EXPECT_EQ(PathWalk.PathPoints[1].y & (CornerFlag | DashFlag), c.lengths.size() == 1 ? CornerFlag : DashFlag);
    }
}

TEST_F(PathWalkTest, CurvesAreCutIntoShortPiecesCarryingTheSideFlags)
{
    const Cord line[4] = {{0 | NoLeftLineFlag, 0 | NoRightLineFlag}, {0 | FirstBezierFlag, 40 * Mm},
                          {40 * Mm | SecondBezierFlag, 40 * Mm}, {40 * Mm, 0}};
    PrepareLinePath(line, 4);
    ASSERT_EQ(PathWalk.PathPointCount, 13);
    for (int k = 0; k < 12; ++k) {
        EXPECT_TRUE(PathWalk.PathPoints[k].x & NoLeftLineFlag) << k;
        EXPECT_TRUE(PathWalk.PathPoints[k].y & NoRightLineFlag) << k;
    }
    EXPECT_FALSE(PathWalk.PathPoints[12].x & NoLeftLineFlag);
    EXPECT_TRUE(PathWalk.PathPoints[12].y & CornerFlag);
    EXPECT_TRUE(PathWalk.PathPoints[1].x & FirstBezierFlag);
    EXPECT_TRUE(PathWalk.PathPoints[2].x & SecondBezierFlag);
}

// A curve flag on one of the last two points has no curve behind it: the points after the
// end (here far off) are never read, the path ends straight.
TEST_F(PathWalkTest, PathEndingInAStrayCurveFlagStopsAtItsEnd)
{
    for (int n : {2, 3}) {
        Cord line[6] = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {900 * Mm, 900 * Mm}, {900 * Mm, 0}, {0, 900 * Mm}};
        line[n - 1].x |= FirstBezierFlag;
        PrepareLinePath(line, n);
        EXPECT_EQ(PathWalk.PathPointCount, n) << n;
        EXPECT_EQ(PathWalk.PartLengths[0], 1000 * (n - 1)) << n;
    }
}

TEST_F(PathWalkTest, WalkingFollowsLinesAndCurvesAndStopsAtTheEnd)
{
    const Cord line[3] = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}};
    PrepareLinePath(line, 3);
    StartPathWalk();
    EXPECT_EQ(PathWalk.TotalLength, 2000);
    const struct { int to; Cord at; } steps[] = {
        {500, {5 * Mm, 0}}, {1500, {10 * Mm, 5 * Mm}}, {5000, {10 * Mm, 10 * Mm}}, {9000, {10 * Mm, 10 * Mm}}};
    for (const auto& s : steps) {
        WalkPathTo(s.to);
        EXPECT_EQ(PathWalk.Current, s.at) << s.to;
    }
    // Half way round a quarter circle is the curve's own middle, heading north-west.
    Cord arc[ArcToBezierMaxCords];
    const double r = 10 * Mm;
    const int n = ArcToBezier({0, 0}, arc, 0, Pi / 2 - 1e-9, r);
    ASSERT_EQ(n, 4);
    PrepareLinePath(arc, n);
    StartPathWalk();
    WalkPathTo(PathWalk.TotalLength / 2);
    const Pt q[4] = {Bare(arc[0]), Bare(arc[1]), Bare(arc[2]), Bare(arc[3])};
    const Pt mid = CubicPoint(q, 0.5);
    EXPECT_NEAR(mid.x, r * std::cos(Pi / 4), 0.01 * r);
    EXPECT_NEAR(PathWalk.Current.x, mid.x, 256);
    EXPECT_NEAR(PathWalk.Current.y, mid.y, 256);
    double s, c;
    PathDirectionHere(s, c);
    EXPECT_NEAR(s, std::sqrt(0.5), 0.02);
    EXPECT_NEAR(c, -std::sqrt(0.5), 0.02);
}

TEST_F(PathWalkTest, OffsetsAreSquareToTheLineAndOnTheBisectorAtCorners)
{
    const Cord line[2] = {{0, 0}, {20 * Mm, 0}};
    PrepareLinePath(line, 2);
    StartPathWalk();
    WalkPathTo(1000);
    double s, c;
    PathDirectionHere(s, c);
    EXPECT_DOUBLE_EQ(s, 0);
    EXPECT_DOUBLE_EQ(c, 1);
    Cord left, right;
    WalkOffsetPoints(50, left, right);
    EXPECT_EQ(left, (Cord{10 * Mm, Mm / 2}));
    EXPECT_EQ(right, (Cord{10 * Mm, -Mm / 2}));
    Cord pts[3] = {{0, 0}, {10 * Mm, 0}, {20 * Mm, 0}};
    OffsetWorkPath(pts, 3, -100);
    for (const Cord& p : pts)
        EXPECT_EQ(Masked(p.y), Mm);
    EXPECT_EQ(pts[2].x, 20 * Mm);

    // Straight on, a right angle (the mitre sqrt 2 offsets out), a hairpin (held at 4).
    const struct { Cord path[3]; double factor; Cord left, right; } corners[] = {
        {{{0, 0}, {10 * Mm, 0}, {20 * Mm, 0}}, 1, {10 * Mm, Mm}, {10 * Mm, -Mm}},
        {{{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}}, std::sqrt(2.0), {9 * Mm, Mm}, {11 * Mm, -Mm}},
        {{{0, 0}, {10 * Mm, 0 | CornerFlag}, {0, 0}}, 4, {10 * Mm, 4 * Mm}, {10 * Mm, -4 * Mm}},
    };
    for (const auto& k : corners) {
        PathAngleAt(k.path, 0, -100, 3, 100, left, right);
        PathAngleAt(k.path, 1, -100, 3, 100, left, right);
        EXPECT_NEAR(CornerAngleAt(k.path, 3, 0), 1.0, 1e-12);
        EXPECT_NEAR(CornerAngleAt(k.path, 3, 1), k.factor, 1e-12);
        EXPECT_NEAR(std::hypot(double(Masked(left.x)) - 10 * Mm, double(Masked(left.y))), k.factor * Mm, 256);
        if (k.factor < 4) {
            EXPECT_NEAR(Masked(left.x), k.left.x, 256);
            EXPECT_NEAR(Masked(left.y), k.left.y, 256);
            EXPECT_NEAR(Masked(right.x), k.right.x, 256);
            EXPECT_NEAR(Masked(right.y), k.right.y, 256);
        } else {
            EXPECT_EQ(left.y & 0xFF, CornerFlag);  // the point's own flags stay
        }
    }
}

TEST_F(PathWalkTest, DashFitOfAPart)
{
    const Cord line[2] = {{0, 0}, {100 * Mm, 0}};  // 10,000 (0.01 mm)
    PrepareLinePath(line, 2);
    PathWalk.PartIndex = 0;
    ASSERT_TRUE(BeginLinePart(400, 100, 200, 0, 0));
    // rest = 10000 - 200 - 100 - 200 = 9500; n = round(9500 / 500) = 19; s = 8000 / 8000.
    EXPECT_EQ(PathWalk.DashCount, 19);
    EXPECT_EQ(PathWalk.StartLen, 200);
    EXPECT_EQ(PathWalk.EndLen, 200);
    EXPECT_DOUBLE_EQ(PathWalk.DashScale, 1.0);
    ASSERT_TRUE(BeginLinePart(400, 100, 200, 300, 500));
    EXPECT_EQ(PathWalk.StartDist, 500);
    EXPECT_EQ(PathWalk.EndDist, 300);
    // A part too short for a dash keeps none unless the symbol asks for one.
    const Cord shortLine[2] = {{0, 0}, {3 * Mm, 0}};
    PrepareLinePath(shortLine, 2);
    BeginLinePart(400, 100, 200, 0, 0);
    EXPECT_EQ(PathWalk.DashCount, 0);
    BeginLinePart(400, 100, 200, 0, 0, 1);
    EXPECT_EQ(PathWalk.DashCount, 1);
    // Dash points halve the end dashes; the walk starts again at the part.
    const Cord dashed[3] = {{0, 0}, {10 * Mm, 0 | DashFlag}, {20 * Mm, 0}};
    PrepareLinePath(dashed, 3);
    PathWalk.PartIndex = 1;
    BeginLinePart(400, 100, 200, 0, 0);
    EXPECT_EQ(PathWalk.StartLen, 200);
    EXPECT_EQ(PathWalk.EndLen, 200);
    PathWalk.PartIndex = 0;
    BeginLinePart(300, 100, 200, 0, 0);
    EXPECT_EQ(PathWalk.EndLen, 150);
    PathWalk.PartIndex = 1;
    BeginLinePart(300, 100, 200, 0, 0);
    WalkPathTo(500);
    EXPECT_EQ(PathWalk.Current, (Cord{15 * Mm, 0}));
}

ElementRecord& Element(int type, std::vector<Cord> pts, int nText = 0)
{
    static ElementRecord e;
    e = ElementRecord{};
    InitElement(e, 10, uint8_t(type), uint16_t(pts.size() - size_t(nText)), uint16_t(nText), 0);
    std::memcpy(e.Cords(), pts.data(), pts.size() * sizeof(Cord));
    return e;
}

TEST_F(PathWalkTest, SplittingSegmentsKeepsFlagsTextAndRings)
{
    const Cord curve[4] = {{0, 0}, {10 * Mm | FirstBezierFlag, 10 * Mm}, {20 * Mm | SecondBezierFlag, 10 * Mm},
                           {30 * Mm, 0}};
    ElementRecord& e = Element(LineObject, {curve, curve + 4});
    int i = 0;
    ASSERT_TRUE(SplitSegmentAt(e, i, 0));  // at 0 nothing changes
    EXPECT_EQ(i, 0);
    EXPECT_EQ(std::vector<Cord>(e.Cords(), e.Cords() + e.nItem), std::vector<Cord>(curve, curve + 4));
    ASSERT_TRUE(SplitSegmentAt(e, i, 1));  // at 1 only the index moves on
    EXPECT_EQ(i, 3);
    EXPECT_EQ(e.nItem, 4);

    const Cord text{0x41424344, 0x45464748};
    ElementRecord& m = Element(LineObject, {{0 | NoLeftLineFlag, 0}, {0 | FirstBezierFlag, 80 * Mm},
                                            {80 * Mm | SecondBezierFlag, 80 * Mm}, {80 * Mm, 0}, text}, 1);
    i = 0;
    ASSERT_TRUE(SplitSegmentAt(m, i, 0.5));
    EXPECT_EQ(i, 3);
    ASSERT_EQ(m.nItem, 7);
    EXPECT_EQ(std::vector<Cord>(m.Cords() + 1, m.Cords() + 8),
              (std::vector<Cord>{{0 | FirstBezierFlag | NoLeftLineFlag, 40 * Mm},
                                 {20 * Mm | SecondBezierFlag | NoLeftLineFlag, 60 * Mm},
                                 {40 * Mm | NoLeftLineFlag, 60 * Mm},
                                 {60 * Mm | FirstBezierFlag | NoLeftLineFlag, 60 * Mm},
                                 {80 * Mm | SecondBezierFlag | NoLeftLineFlag, 40 * Mm}, {80 * Mm, 0}, text}));

    // The closing segment of an area ring returns to the ring's start.
    ElementRecord& a = Element(AreaObject, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm},
                                            {2 * Mm, 2 * Mm | HoleFlag}, {4 * Mm, 2 * Mm}, {4 * Mm, 4 * Mm}});
    i = 2;
    ASSERT_TRUE(SplitSegmentAt(a, i, 0.5));
    EXPECT_EQ(i, 0);
    ASSERT_EQ(a.nItem, 7);
    EXPECT_EQ(a.Cords()[3], (Cord{5 * Mm, 5 * Mm}));
    EXPECT_TRUE(a.Cords()[4].y & HoleFlag);
    i = 6;
    ASSERT_TRUE(SplitSegmentAt(a, i, 0.5));
    EXPECT_EQ(i, 4);
    EXPECT_EQ(a.Cords()[7], (Cord{3 * Mm, 3 * Mm}));
    // A line's last point starts no segment.
    a.ObjectType = LineObject;
    i = a.nItem - 1;
    EXPECT_TRUE(SplitSegmentAt(a, i, 0.5));
    EXPECT_EQ(a.nItem, 8);
}

// The text slots count: a full buffer takes no more points.
TEST_F(PathWalkTest, InsertRefusesWhenPointsAndTextWouldOverflow)
{
    ElementRecord& e = Element(LineObject, {{0, 0}, {256, 0}});
    EXPECT_TRUE(InsertElementPoint(0, {128 * 256, 0}, e));
    EXPECT_EQ(e.nItem, 3);
    EXPECT_EQ(e.Cords()[1], (Cord{128 * 256, 0}));
    EXPECT_TRUE(InsertElementPoint(-1, {7 * 256, 0}, e));
    EXPECT_EQ(e.Cords()[0], (Cord{7 * 256, 0}));
    EXPECT_FALSE(InsertElementPoint(4, {0, 0}, e));
    EXPECT_FALSE(InsertElementPoint(-2, {0, 0}, e));
    e.nText = uint16_t(ElementSlotCapacity - e.nItem);
    EXPECT_FALSE(InsertElementPoint(0, {0, 0}, e));
    EXPECT_EQ(e.nItem, 4);
    e.nText = 0;
    e.nItem = MaxElementItems;
    EXPECT_FALSE(InsertElementPoint(0, {0, 0}, e));
    // A head whose counts already overrun the buffer is refused too.
    e.nItem = 100;
    e.nText = uint16_t(ElementSlotCapacity);
    EXPECT_FALSE(InsertElementPoint(0, {0, 0}, e));
    int i = 0;
    EXPECT_FALSE(SplitSegmentAt(e, i, 0.5));
}

// ---- Area rings ----

TEST(AreaRings, AreaCountsHolesNegativeWhateverTheirDirection)
{
    for (bool ccw : {true, false}) {
        const std::vector<Cord> a = SquareWithHole(ccw);
        EXPECT_DOUBLE_EQ(PolygonArea(a.data(), int(a.size())), 840000.0) << ccw;
    }
    EXPECT_EQ(PolygonArea(nullptr, 0), 0);
    // Near the limits products of differences need more than 64 bits.
    const int32_t big = 1000000000 & CoordMask;
    const std::vector<Cord> s = Square(-big, -big, big, big, true, false);
    const double side = 2.0 * big / 256;
    EXPECT_DOUBLE_EQ(PolygonArea(s.data(), int(s.size())), side * side);
    // Orientation: outer rings counter-clockwise, holes clockwise; an island after the hole.
    std::vector<Cord> b = Join(SquareWithHole(), Square(20 * Mm, 0, 25 * Mm, 5 * Mm, false, true));
    std::reverse(b.begin() + 1, b.begin() + 4);
    const int n = int(b.size());
    OrientAreaRings(b.data(), n);
    EXPECT_TRUE(RingIsCcw(b.data(), n, 0));
    EXPECT_FALSE(RingIsCcw(b.data(), n, 4));
    EXPECT_TRUE(RingIsCcw(b.data(), n, 8));
    for (int k = 1; k < 12; ++k)
        EXPECT_EQ(b[size_t(k)].y & HoleFlag, k % 4 ? 0 : HoleFlag) << k;
    EXPECT_DOUBLE_EQ(PolygonArea(b.data(), n), 840000.0 + 250000.0);
}

TEST(AreaRings, CurvedAreaAndLength)
{
    const std::vector<Cord> c = Circle({5 * Mm, -3 * Mm}, 20 * Mm);
    const double area = PolygonArea(c.data(), int(c.size()));
    const double exact = OuterMinusHoles(c.data(), int(c.size())) / 256 / 256;
    EXPECT_NEAR(area, exact, exact * 0.001);
    EXPECT_NEAR(area, Pi * 2000 * 2000, Pi * 2000 * 2000 * 0.03);
    const auto dense = DenseRings(c.data(), int(c.size()), false);
    double exactLen = 0;
    for (size_t k = 0; k + 1 < dense[0].size(); ++k)
        exactLen += std::hypot(dense[0][k + 1].x - dense[0][k].x, dense[0][k + 1].y - dense[0][k].y) / 256;
    EXPECT_NEAR(PathLength(c.data(), int(c.size())), exactLen, exactLen * 0.01);
    const Cord line[3] = {{0, 0}, {3 * Mm | 0x7, 4 * Mm | 0x7}, {3 * Mm, 0}};
    EXPECT_DOUBLE_EQ(PathLength(line, 3), 500.0 + 400.0);
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
    EXPECT_GT(PathWalk.Current.x, here.x);
}

// ---- Splitting areas at an axis ----

TEST(AreaSplt, EachSideKeepsItsPart)
{
    const std::vector<Cord> a = SquareWithHole();
    const int n = int(a.size());
    const struct { int side; int32_t at; double area; } cases[] = {
        {KeepXBelow, 2 * Mm, 200000}, {KeepXAbove, 2 * Mm, 640000}, {KeepYBelow, 2 * Mm, 200000},
        {KeepYAbove, 2 * Mm, 640000}, {KeepXAbove, 20 * Mm, 0}, {KeepYBelow, -1 * Mm, 0},
        {KeepXAbove, 10 * Mm, 0},  // touching along an edge is no area either
        {KeepXBelow, 20 * Mm, 840000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.side * 1000 + c.at / Mm);
        const bool below = c.side == KeepXBelow || c.side == KeepYBelow;
        const std::vector<Cord> part = ClipAreaAtAxis(a.data(), n, c.at, c.side);
        if (c.area == 0) {
            EXPECT_TRUE(part.empty());
            continue;
        }
        EXPECT_NEAR(PolygonArea(part.data(), int(part.size())), c.area, 1e-6);
        for (const Cord& p : part) {
            const int32_t v = (c.side == KeepXBelow || c.side == KeepXAbove) ? Masked(p.x) : Masked(p.y);
            EXPECT_TRUE(below ? v <= c.at : v >= c.at) << v;
        }
        if (c.area == 840000) {
            EXPECT_EQ(part, a);  // whole, hole included
        }
    }
    int offers = 0;
    ClipAtAxis(a.data(), n, 20 * Mm, KeepYAbove, [&](const Cord*, int) { return ++offers > 0; }, 0);
    EXPECT_EQ(offers, 0);
}

TEST(AreaSplt, CurveCrossingTheCutStaysACurve)
{
    const std::vector<Cord> circle = Circle({0, 0}, 10 * Mm, 0.3);
    const int n = int(circle.size());
    const std::vector<Cord> left = ClipAreaAtAxis(circle.data(), n, 1 * Mm, KeepXBelow);
    const std::vector<Cord> right = ClipAreaAtAxis(circle.data(), n, 1 * Mm, KeepXAbove);
    EXPECT_GE(std::count_if(left.begin(), left.end(), [](Cord c) { return c.x & FirstBezierFlag; }), 3);
    ExpectWellFormedCurves(left.data(), int(left.size()));
    ExpectWellFormedCurves(right.data(), int(right.size()));
    const double whole = OuterMinusHoles(circle.data(), n);
    EXPECT_NEAR(OuterMinusHoles(left.data(), int(left.size())) + OuterMinusHoles(right.data(), int(right.size())),
                whole, whole * 1e-4);
    for (const Cord& c : left)
        if (!(c.x & (FirstBezierFlag | SecondBezierFlag))) {
            EXPECT_LE(Masked(c.x), 1 * Mm);
        }
}

// Refusing everything still ends: halves shrink until they cannot be cut any more, and an
// outline without area gives no halves at all.
TEST(AreaSplt, SplittingEndsWhateverTheCallbackSays)
{
    const struct { std::vector<Cord> area; long minOffers, maxOffers; } cases[] = {
        {{{0, 0}, {1 * Mm, 0}, {1 * Mm, 1 * Mm}, {0, 1 * Mm}}, 101, 1000000},
        {{{0, 0}, {50 * Mm, 0}, {100 * Mm, 0}, {30 * Mm, 0}}, 1, 1},
    };
    for (const auto& c : cases) {
        long offers = 0;
        SplitArea(c.area.data(), int(c.area.size()), [&](const Cord*, int) { return ++offers < 0; });
        EXPECT_GE(offers, c.minOffers);
        EXPECT_LE(offers, c.maxOffers);
    }
    // A sliver ring (one edge forth and back) inside a good ring is dropped from the halves.
    const std::vector<Cord> a = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm},
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
        AppendStarRing(area, rng, cx, cy, 0.7 * r, r, 10 + int(u(rng) * 90), false, false);
        const int holes = int(u(rng) * 4);
        for (int h = 0; h < holes; ++h) {
            const double a = 2 * Pi * (h + 0.2 * u(rng)) / std::max(holes, 1);
            const double d = holes == 1 ? 0.2 * r * u(rng) : 0.4 * r;
            AppendStarRing(area, rng, cx + d * std::cos(a), cy + d * std::sin(a), 0.05 * r, 0.08 * r,
                           6 + int(u(rng) * 20), true, u(rng) < 0.5);
        }
        const double expected = OuterMinusHoles(area.data(), int(area.size()));
        double total = 0;
        int pieces = 0;
        SplitArea(area.data(), int(area.size()), [&](const Cord* p, int n) {
            if (n > 128 || HasHole(p, n))
                return false;
            ExpectWellFormedCurves(p, n);
            total += OuterMinusHoles(p, n);
            ++pieces;
            return true;
        });
        ASSERT_GE(pieces, 1);
        allPieces += pieces;
        ASSERT_NEAR(total, expected, expected * 0.001) << "round " << round << " pieces " << pieces;
    }
    EXPECT_GT(allPieces, 2500);  // most areas really were cut
}

// ---- Clipping lines to a rectangle ----

using Pieces = std::vector<std::vector<Cord>>;

Pieces Clip(const std::vector<Cord>& path, const CordRect& r)
{
    Pieces out;
    ClipLineToRect(path.data(), int(path.size()), r, [&](const Cord* p, int n) { out.emplace_back(p, p + n); });
    return out;
}

const CordRect Box{0, 0, 100 * Mm, 50 * Mm};

TEST(RectClip, PiecesFromEntryToExit)
{
    const std::vector<Cord> inside = {{10 * Mm, 10 * Mm | CornerFlag}, {20 * Mm | FirstBezierFlag | NoLeftLineFlag, 40 * Mm},
                                      {30 * Mm | SecondBezierFlag, 40 * Mm}, {40 * Mm, 10 * Mm | DashFlag}, {90 * Mm, 20 * Mm}};
    // A curve ending exactly on an edge, and a hump touching it at t = 1/2: no split, no repeat.
    const std::vector<Cord> ending = {{10 * Mm, 10 * Mm}, {40 * Mm | FirstBezierFlag, 10 * Mm},
                                      {70 * Mm | SecondBezierFlag, 30 * Mm}, {100 * Mm, 30 * Mm}, {120 * Mm, 30 * Mm}};
    const std::vector<Cord> touch = {{10 * Mm, 20 * Mm}, {30 * Mm | FirstBezierFlag, 60 * Mm},
                                     {50 * Mm | SecondBezierFlag, 60 * Mm}, {70 * Mm, 20 * Mm}};
    const struct { const char* what; std::vector<Cord> path; Pieces want; } cases[] = {
        {"inside", inside, {inside}},
        {"outside", {{-10 * Mm, -10 * Mm}, {-10 * Mm, 80 * Mm}, {200 * Mm, 80 * Mm}}, {}},
        {"bulging towards it", {{-10 * Mm, 0}, {-1 * Mm | FirstBezierFlag, 20 * Mm}, {-1 * Mm | SecondBezierFlag, 30 * Mm},
                                {-10 * Mm, 50 * Mm}}, {}},
        {"across", {{-50 * Mm, 0}, {150 * Mm, 50 * Mm}}, {{{0, 25 * Mm / 2}, {100 * Mm, 75 * Mm / 2}}}},
        {"through a corner region", {{-10 * Mm, -10 * Mm}, {20 * Mm, 20 * Mm}, {20 * Mm, 80 * Mm}},
         {{{0, 0}, {20 * Mm, 20 * Mm}, {20 * Mm, 50 * Mm}}}},
        {"ending on an edge", ending, {{ending.begin(), ending.begin() + 4}}},
        {"touching an edge", touch, {touch}},
        {"hole flag", {{10 * Mm, 10 * Mm}, {20 * Mm, 10 * Mm}, {30 * Mm, 10 * Mm | HoleFlag}, {40 * Mm, 10 * Mm}},
         {{{10 * Mm, 10 * Mm}, {20 * Mm, 10 * Mm}}, {{30 * Mm, 10 * Mm}, {40 * Mm, 10 * Mm}}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Clip(c.path, Box), c.want) << c.what;
}

TEST(RectClip, ArcLeavingAndReenteringGivesTwoCurvePieces)
{
    // Rises above y = 50 mm between two crossings that no halving meets exactly.
    const std::vector<Cord> arc = {{10 * Mm, 30 * Mm}, {30 * Mm | FirstBezierFlag, 77 * Mm},
                                   {70 * Mm | SecondBezierFlag, 77 * Mm}, {90 * Mm, 30 * Mm}};
    const Pieces p = Clip(arc, Box);
    ASSERT_EQ(p.size(), 2u);
    for (const auto& piece : p) {
        ASSERT_EQ(piece.size(), 4u);
        EXPECT_TRUE(piece[1].x & FirstBezierFlag);
        EXPECT_TRUE(piece[2].x & SecondBezierFlag);
    }
    EXPECT_EQ(p[0][0], arc[0]);
    EXPECT_EQ(Masked(p[0][3].y), 50 * Mm);
    EXPECT_EQ(Masked(p[1][0].y), 50 * Mm);
    EXPECT_EQ(p[1][3], arc[3]);
    EXPECT_NEAR(Masked(p[0][3].x) + Masked(p[1][0].x), 100 * Mm, 512);  // symmetric about x = 50 mm
    // On the curve: the cubic's y at the crossing is 50 mm.
    const Pt q[4] = {Bare(arc[0]), Bare(arc[1]), Bare(arc[2]), Bare(arc[3])};
    double best = 1e300;
    for (int k = 0; k <= 100000; ++k) {
        const Pt c = CubicPoint(q, k / 100000.0);
        best = std::min(best, std::hypot(c.x - Masked(p[0][3].x), c.y - 50 * Mm));
    }
    EXPECT_LT(best, 400);
}

TEST(RectClip, RandomPathsStayInsideTheRectangleAndLoseNothingInside)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> u(0, 1);
    const auto at = [&] { return Grid((u(rng) - 0.3) * 120 * Mm); };
    for (int round = 0; round < 300; ++round) {
        const CordRect r{Grid((u(rng) - 0.5) * 40 * Mm) + int32_t(u(rng) * 255),
                         Grid((u(rng) - 0.5) * 40 * Mm) + int32_t(u(rng) * 255),
                         Grid((0.5 + u(rng)) * 60 * Mm) + int32_t(u(rng) * 255),
                         Grid((0.5 + u(rng)) * 60 * Mm) + int32_t(u(rng) * 255)};
        std::vector<Cord> path;
        const int segs = 2 + int(u(rng) * 10);
        path.push_back({at(), at()});
        for (int s = 0; s < segs; ++s) {
            if (u(rng) < 0.6) {
                path.push_back({at() | FirstBezierFlag, at()});
                path.push_back({at() | SecondBezierFlag, at()});
            }
            path.push_back({at(), at()});
        }
        std::vector<std::vector<Pt>> flat;
        for (const auto& piece : Clip(path, r)) {
            ASSERT_GE(piece.size(), 2u);
            for (size_t k = 0; k < piece.size(); ++k) {
                const Cord c = piece[k];
                if (!(c.x & (FirstBezierFlag | SecondBezierFlag))) {
                    ASSERT_TRUE(Masked(c.x) >= r.x1 && Masked(c.x) <= r.x2 && Masked(c.y) >= r.y1 && Masked(c.y) <= r.y2)
                        << "round " << round << " point " << k;
                }
                EXPECT_FALSE(c.y & HoleFlag);
                if (k + 3 < piece.size() && (piece[k + 1].x & FirstBezierFlag)) {
                    // The flattened piece stays inside within the flattening tolerance.
                    Cord out[64];
                    const int n = FlattenBezier(&piece[k], out, 6, 1);
                    for (int j = 0; j < n; ++j) {
                        EXPECT_TRUE(Masked(out[j].x) >= r.x1 - 768 && Masked(out[j].x) <= r.x2 + 768) << round;
                        EXPECT_TRUE(Masked(out[j].y) >= r.y1 - 768 && Masked(out[j].y) <= r.y2 + 768) << round;
                    }
                }
            }
            flat.push_back(DenseRings(piece.data(), int(piece.size()), false, 256)[0]);
        }
        // Every point of the path well inside the rectangle is covered by some piece.
        const auto dense = DenseRings(path.data(), int(path.size()), false, 64);
        for (const Pt& q : dense[0]) {
            if (q.x < r.x1 + 1024 || q.x > r.x2 - 1024 || q.y < r.y1 + 1024 || q.y > r.y2 - 1024)
                continue;
            double best = 1e300;
            for (const auto& f : flat)
                for (size_t k = 0; k + 1 < f.size(); ++k)
                    best = std::min(best, SegmentDistance(q, f[k], f[k + 1]));
            ASSERT_LT(best, 1024) << "round " << round;
        }
    }
}

// ---- The view and real-world transforms ----

class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override { ResetScaleState(); }
};

TEST_F(ScaleTest, ZoomSetsScalesTolerancesAndTheVisibleRectangle)
{
    ViewParams p;
    p.Zoom = 1;
    p.Width = 800;
    p.Height = 600;
    p.SelectTolerance = 3;
    ASSERT_TRUE(UpdateViewTransform(p));
    EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 1.0 / 8192);
    EXPECT_DOUBLE_EQ(Scale.ViewScaleY, -1.0 / 8192);
    EXPECT_EQ(Scale.FlattenTolerance, 128);
    EXPECT_EQ(Scale.PickTolerance, 24704);
    EXPECT_EQ(Scale.DrawRect, (CordRect{-3276800, -2457600, 3276800, 2457600}));
    EXPECT_EQ(Scale.ViewOrigin, (Cord{-3276800, 2457600}));
    // Unequal resolutions scale the other axis by their ratio.
    for (bool wideX : {true, false}) {
        Scale.ScreenPixelsPerInchX = wideX ? 120 : 96;
        Scale.ScreenPixelsPerInchY = wideX ? 96 : 120;
        p.Zoom = 2;
        ASSERT_TRUE(UpdateViewTransform(p));
        EXPECT_DOUBLE_EQ(Scale.ViewScaleX, 2.0 * (wideX ? 1 : 0.8) / 8192);
        EXPECT_DOUBLE_EQ(Scale.ViewScaleY, -2.0 * (wideX ? 0.8 : 1) / 8192);
    }
}

TEST_F(ScaleTest, ZoomAndCentreAreHeldToTheMapArea)
{
    // A small zoom is raised until the window fits the map.
    const struct { int w, h; double zoom; } small[] = {{1000, 100, 0.08}, {100, 2000, 0.16}};
    for (const auto& s : small) {
        ViewParams p;
        p.Zoom = 0.01;
        p.Width = s.w;
        p.Height = s.h;
        ASSERT_TRUE(UpdateViewTransform(p));
        EXPECT_DOUBLE_EQ(p.Zoom, s.zoom);
        EXPECT_LE(Scale.DrawRect.x2 - Scale.DrawRect.x1, 2 * MapAreaLimit);
    }
    ViewParams p;
    p.Zoom = 1.024;  // 250 pixels then span 2,000,000 units: half width 999,936 after masking
    p.Width = p.Height = 250;
    const int32_t hw = 999936;
    for (int sign : {1, -1}) {
        p.CenterX = sign * 51000000;
        p.CenterY = -sign * 51000000;
        ASSERT_TRUE(UpdateViewTransform(p));
        EXPECT_EQ(p.CenterX, sign * (MapAreaLimit - hw));
        EXPECT_EQ(p.CenterY, -sign * (MapAreaLimit - hw));
        EXPECT_EQ(p.HScrollPos, sign > 0 ? (MapAreaLimit - hw) / 25600 : -1960);  // toward zero
        if (sign > 0) {
            EXPECT_EQ(p.VScrollPos, (MapAreaLimit - hw) / 25600);
        }
    }
    EXPECT_EQ(Scale.DrawRect.x1, -MapAreaLimit);
    EXPECT_EQ(Scale.DrawRect.y2, MapAreaLimit);
    // A zoom that is zero, negative or not finite changes nothing.
    const ScaleState before = Scale;
    for (double z : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        ViewParams q;
        q.Zoom = z;
        EXPECT_FALSE(UpdateViewTransform(q)) << z;
        EXPECT_EQ(Scale.ViewScaleX, before.ViewScaleX);
        EXPECT_EQ(Scale.FlattenTolerance, before.FlattenTolerance);
    }
    Scale.ScreenPixelsPerInchX = 0;
    EXPECT_FALSE(UpdateViewTransform(p));
}

TEST_F(ScaleTest, DeviceConversionsSaturateAndPointDown)
{
    ViewParams p;
    p.Zoom = 32;
    ASSERT_TRUE(UpdateViewTransform(p));
    ASSERT_EQ(Scale.ViewOrigin, (Cord{0, 0}));
    // 10 m of paper to the right at zoom 32: a million pixels, held at 32767.
    EXPECT_EQ(CordToDevice({256000000, 0}), QPoint(32767, 0));
    EXPECT_EQ(CordToDevice({-256000000, 0}), QPoint(-32764, 0));
    // 1 mm right is 100 pixels; a point above the origin lies at negative device y.
    EXPECT_EQ(CordToDevice({25600, 25600}), QPoint(100, -100));
    Cord back[2];
    const QPoint dev[2] = {QPoint(100, -100), QPoint(3, 7)};
    DeviceToCord(dev, back, 2);
    EXPECT_EQ(back[0], (Cord{25600, 25600}));
    EXPECT_EQ(back[1], (Cord{768, -1792}));
    // Far beyond the 30-bit range on the way back.
    Scale.ViewScaleX = 1e-6;
    EXPECT_EQ(DeviceToCord(QPoint(30000, 0)).x, 1073741823 & CoordMask);
    Scale.ViewScaleX = 0;
    EXPECT_EQ(DeviceToCord(QPoint(5, 5)), (Cord{0, 0}));
}

TEST_F(ScaleTest, RealWorldRoundTripAtThirtyDegrees)
{
    RealWorldRef ref;
    ref.MapScale = 15000;
    ref.OffsetEast = 600000;
    ref.OffsetNorth = 7000000;
    ref.GridAngle = 30;
    for (double de : {0.0, 123.456, -987.6, 2500.25})
        for (double dn : {0.0, 77.7, -1500.5}) {
            Cord c;
            ASSERT_TRUE(RealWorldToCord(ref.OffsetEast + de, ref.OffsetNorth + dn, ref, c));
            EXPECT_EQ(Flags(c.x) | Flags(c.y), 0);
            double e, n;
            ASSERT_TRUE(CordToRealWorld(c, ref, e, n));
            // Back on the map: within one 0.01 mm step each way; a masked map point exactly.
            EXPECT_LE(std::hypot(e - ref.OffsetEast - de, n - ref.OffsetNorth - dn) * UnitsPerMetre / ref.MapScale,
                      256 * std::sqrt(2.0));
            Cord again;
            ASSERT_TRUE(RealWorldToCord(e, n, ref, again));
            EXPECT_EQ(again, c);
        }
    // The rotation takes ground east to map north-east.
    Cord c;
    ASSERT_TRUE(RealWorldToCord(ref.OffsetEast + 15, ref.OffsetNorth, ref, c));
    EXPECT_NEAR(c.x, 25600 * std::cos(Pi / 6), 256);
    EXPECT_NEAR(c.y, 25600 * 0.5, 256);
    // Turned by -90 degrees: map x becomes ground -north, map y ground east.
    ref = RealWorldRef{};
    ref.MapScale = 10000;
    ref.GridAngle = 90;
    RealWorldBox box;
    ASSERT_TRUE(RealWorldExtent({0, 0, 2560000, 1280000}, ref, box));
    EXPECT_NEAR(box.MinEast, 0, 1e-6);
    EXPECT_NEAR(box.MaxEast, 500, 1e-6);
    EXPECT_NEAR(box.MinNorth, -1000, 1e-6);
    EXPECT_NEAR(box.MaxNorth, 0, 1e-6);
    ASSERT_TRUE(ExtendRealWorldBox(-2560000, 0, ref, box));
    EXPECT_NEAR(box.MaxNorth, 1000, 1e-6);
    // At 30 degrees each corner of 1000 x 500 m gives one side of the box.
    ref.GridAngle = 30;
    ASSERT_TRUE(RealWorldExtent({0, 0, 2560000, 1280000}, ref, box));
    const double c30 = std::cos(Pi / 6);
    EXPECT_NEAR(box.MinEast, 0, 1e-6);
    EXPECT_NEAR(box.MaxEast, 1000 * c30 + 250, 1e-6);
    EXPECT_NEAR(box.MinNorth, -500, 1e-6);
    EXPECT_NEAR(box.MaxNorth, 500 * c30, 1e-6);
}

TEST_F(ScaleTest, RealWorldScaleThatIsNotPositiveAndFiniteIsRefused)
{
    RealWorldRef ref;
    ref.MapScale = 1;
    Cord c{1, 1};
    ASSERT_TRUE(RealWorldToCord(1000, -1000, ref, c));
    EXPECT_EQ(c, (Cord{204800000, -204800000}));
    for (double s : {0.0, -15000.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        ref.MapScale = s;
        c = {1, 1};
        EXPECT_FALSE(RealWorldToCord(10, 10, ref, c)) << s;
        EXPECT_EQ(c, (Cord{1, 1}));
        double e = 5, n = 5;
        EXPECT_FALSE(CordToRealWorld({25600, 0}, ref, e, n));
        EXPECT_EQ(e, 5);
    }
    ref.MapScale = 10000;
    EXPECT_FALSE(RealWorldToCord(std::nan(""), 0, ref, c));
}

} // namespace
} // namespace zemo
