#include "render/PathWalk.h"

#include "core/Numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace zemo {
namespace {

constexpr int32_t Mm = 25600;
constexpr double Pi = std::numbers::pi;

class PathWalkTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPathWalkState(); }
};

TEST_F(PathWalkTest, TwoPointLineIsOnePartEndingOnACorner)
{
    const Cord line[2] = {{0, 0}, {10 * Mm, 0}};
    PrepareLinePath(line, 2);
    ASSERT_EQ(PathWalk.PartCount, 1);
    ASSERT_EQ(PathWalk.PathPointCount, 2);
    EXPECT_EQ(PathWalk.PathPoints[1].y & CornerFlag, CornerFlag);
    EXPECT_EQ(PathWalk.PartLengths[0], 1000);
    EXPECT_EQ(PathWalk.LongestPart, 1000);
}

TEST_F(PathWalkTest, DashPointSplitsTheLineIntoTwoParts)
{
    const Cord line[3] = {{0, 0}, {10 * Mm, 0 | DashFlag}, {10 * Mm, 4 * Mm}};
    PrepareLinePath(line, 3);
    ASSERT_EQ(PathWalk.PartCount, 2);
    EXPECT_EQ(PathWalk.PathPoints[1].y & DashFlag, DashFlag);
    EXPECT_EQ(PathWalk.PathPoints[1].y & CornerFlag, 0);
    EXPECT_EQ(PathWalk.PathPoints[2].y & CornerFlag, CornerFlag);
    EXPECT_EQ(PathWalk.PartLengths[0], 1000);
    EXPECT_EQ(PathWalk.PartLengths[1], 400);
    EXPECT_EQ(PathWalk.LongestPart, 1000);
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

TEST_F(PathWalkTest, WalkingBeyondTheEndStaysOnTheLastPoint)
{
    const Cord line[3] = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}};
    PrepareLinePath(line, 3);
    StartPathWalk();
    EXPECT_EQ(PathWalk.TotalLength, 2000);
    WalkPathTo(500);
    EXPECT_EQ(PathWalk.Current, (Cord{5 * Mm, 0}));
    WalkPathTo(1500);
    EXPECT_EQ(PathWalk.Current, (Cord{10 * Mm, 5 * Mm}));
    WalkPathTo(5000);
    EXPECT_EQ(PathWalk.Current, (Cord{10 * Mm, 10 * Mm}));
    WalkPathTo(9000);
    EXPECT_EQ(PathWalk.Current, (Cord{10 * Mm, 10 * Mm}));
}

TEST_F(PathWalkTest, HalfWayRoundAQuarterCircleIsTheArcsMiddle)
{
    Cord arc[ArcToBezierMaxCords];
    const double r = 10 * Mm;
    const int n = ArcToBezier({0, 0}, arc, 0, Pi / 2 - 1e-9, r);
    ASSERT_EQ(n, 4);
    PrepareLinePath(arc, n);
    StartPathWalk();
    WalkPathTo(PathWalk.TotalLength / 2);
    // The curve's own middle (t = 1/2; the arc's control points make it a little rounder than
    // the circle).
    const double mx = (Masked(arc[0].x) + 3.0 * Masked(arc[1].x) + 3.0 * Masked(arc[2].x) + Masked(arc[3].x)) / 8;
    const double my = (Masked(arc[0].y) + 3.0 * Masked(arc[1].y) + 3.0 * Masked(arc[2].y) + Masked(arc[3].y)) / 8;
    EXPECT_NEAR(mx, r * std::cos(Pi / 4), 0.01 * r);
    EXPECT_NEAR(PathWalk.Current.x, mx, 256);
    EXPECT_NEAR(PathWalk.Current.y, my, 256);
    // The direction there points north-west, along the arc.
    double s, c;
    PathDirectionHere(s, c);
    EXPECT_NEAR(s, std::sqrt(0.5), 0.02);
    EXPECT_NEAR(c, -std::sqrt(0.5), 0.02);
}

TEST_F(PathWalkTest, DirectionAndOffsetsOnAStraightLine)
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
}

TEST_F(PathWalkTest, CornerOffsetsLieOnTheBisector)
{
    // Straight on: the offset point is the offset away, square to the line.
    const Cord straight[3] = {{0, 0}, {10 * Mm, 0}, {20 * Mm, 0}};
    Cord left, right;
    PathAngleAt(straight, 0, -100, 3, 100, left, right);
    PathAngleAt(straight, 1, -100, 3, 100, left, right);
    EXPECT_EQ(left, (Cord{10 * Mm, Mm}));
    EXPECT_EQ(right, (Cord{10 * Mm, -Mm}));
    // A right-angle turn: the mitre lies sqrt(2) offsets out.
    const Cord corner[3] = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}};
    PathAngleAt(corner, 0, -100, 3, 100, left, right);
    PathAngleAt(corner, 1, -100, 3, 100, left, right);
    EXPECT_NEAR(left.x, 9 * Mm, 256);
    EXPECT_NEAR(left.y, 1 * Mm, 256);
    EXPECT_NEAR(right.x, 11 * Mm, 256);
    EXPECT_NEAR(right.y, -1 * Mm, 256);
    // A hairpin (180 degrees): the factor is held at 4.
    const Cord hairpin[3] = {{0 | 0, 0}, {10 * Mm, 0 | CornerFlag}, {0, 0}};
    PathAngleAt(hairpin, 0, -100, 3, 100, left, right);
    PathAngleAt(hairpin, 1, -100, 3, 100, left, right);
    EXPECT_NEAR(std::hypot(double(Masked(left.x)) - 10 * Mm, double(Masked(left.y))), 4 * Mm, 256);
    EXPECT_EQ(left.y & 0xFF, CornerFlag);  // the point's own flags stay
    EXPECT_DOUBLE_EQ(CornerAngleAt(hairpin, 3, 0), 1.0);
    EXPECT_DOUBLE_EQ(CornerAngleAt(hairpin, 3, 1), 4.0);
    EXPECT_NEAR(CornerAngleAt(corner, 3, 0), 1.0, 1e-12);
    EXPECT_NEAR(CornerAngleAt(corner, 3, 1), std::sqrt(2.0), 1e-12);
}

TEST_F(PathWalkTest, OffsetWorkPathMovesEveryPointSideways)
{
    Cord pts[3] = {{0, 0}, {10 * Mm, 0}, {20 * Mm, 0}};
    OffsetWorkPath(pts, 3, -100);
    for (const Cord& p : pts)
        EXPECT_EQ(Masked(p.y), Mm);
    EXPECT_EQ(pts[2].x, 20 * Mm);
}

TEST_F(PathWalkTest, DashFitOfAPart)
{
    const Cord line[2] = {{0, 0}, {100 * Mm, 0}};  // 10,000 (0.01 mm)
    PrepareLinePath(line, 2);
    PathWalk.PartIndex = 0;
    ASSERT_TRUE(BeginLinePart(400, 100, 200, 0, 0));
    // rest = 10000 - 200 - 100 - 200 = 9500; n = round(9500 / 500) = 19.
    EXPECT_EQ(PathWalk.DashCount, 19);
    EXPECT_EQ(PathWalk.StartLen, 200);
    EXPECT_EQ(PathWalk.EndLen, 200);
    // s = (10000 - 20 x 100) / (200 + 19 x 400 + 200).
    EXPECT_DOUBLE_EQ(PathWalk.DashScale, 8000.0 / 8000.0);
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

ElementRecord& Element()
{
    static ElementRecord e;
    e = ElementRecord{};
    return e;
}

TEST_F(PathWalkTest, SplitAtZeroChangesNothing)
{
    ElementRecord& e = Element();
    InitElement(e, 10, LineObject, 4, 0, 0);
    const Cord pts[4] = {{0, 0}, {10 * Mm | FirstBezierFlag, 10 * Mm}, {20 * Mm | SecondBezierFlag, 10 * Mm},
                         {30 * Mm, 0}};
    std::memcpy(e.Cords(), pts, sizeof pts);
    int i = 0;
    ASSERT_TRUE(SplitSegmentAt(e, i, 0));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(e.nItem, 4);
    EXPECT_EQ(std::vector<Cord>(e.Cords(), e.Cords() + 4), std::vector<Cord>(pts, pts + 4));
    // At 1 only the index moves on.
    ASSERT_TRUE(SplitSegmentAt(e, i, 1));
    EXPECT_EQ(i, 3);
    EXPECT_EQ(e.nItem, 4);
}

TEST_F(PathWalkTest, SplitCurveInTheMiddle)
{
    ElementRecord& e = Element();
    InitElement(e, 10, LineObject, 4, 1, 0);
    const Cord pts[5] = {{0 | NoLeftLineFlag, 0}, {0 | FirstBezierFlag, 80 * Mm}, {80 * Mm | SecondBezierFlag, 80 * Mm},
                         {80 * Mm, 0}, {0x41424344, 0x45464748}};
    std::memcpy(e.Cords(), pts, sizeof pts);
    int i = 0;
    ASSERT_TRUE(SplitSegmentAt(e, i, 0.5));
    EXPECT_EQ(i, 3);
    ASSERT_EQ(e.nItem, 7);
    const Cord* p = e.Cords();
    EXPECT_EQ(p[1], (Cord{0 | FirstBezierFlag | NoLeftLineFlag, 40 * Mm}));
    EXPECT_EQ(p[2], (Cord{20 * Mm | SecondBezierFlag | NoLeftLineFlag, 60 * Mm}));
    EXPECT_EQ(p[3], (Cord{40 * Mm | NoLeftLineFlag, 60 * Mm}));
    EXPECT_EQ(p[4], (Cord{60 * Mm | FirstBezierFlag | NoLeftLineFlag, 60 * Mm}));
    EXPECT_EQ(p[5], (Cord{80 * Mm | SecondBezierFlag | NoLeftLineFlag, 40 * Mm}));
    EXPECT_EQ(p[6], pts[3]);
    EXPECT_EQ(p[7], pts[4]);  // the text slot moved up with the points
}

TEST_F(PathWalkTest, SplitClosingSegmentOfAnAreaReturnsToTheRingStart)
{
    ElementRecord& e = Element();
    InitElement(e, 10, AreaObject, 6, 0, 0);
    const Cord pts[6] = {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm},
                         {2 * Mm, 2 * Mm | HoleFlag}, {4 * Mm, 2 * Mm}, {4 * Mm, 4 * Mm}};
    std::memcpy(e.Cords(), pts, sizeof pts);
    int i = 2;
    ASSERT_TRUE(SplitSegmentAt(e, i, 0.5));  // closing segment of ring 0
    EXPECT_EQ(i, 0);
    ASSERT_EQ(e.nItem, 7);
    EXPECT_EQ(e.Cords()[3], (Cord{5 * Mm, 5 * Mm}));
    EXPECT_TRUE(e.Cords()[4].y & HoleFlag);
    i = 6;
    ASSERT_TRUE(SplitSegmentAt(e, i, 0.5));  // closing segment of the hole
    EXPECT_EQ(i, 4);
    EXPECT_EQ(e.Cords()[7], (Cord{3 * Mm, 3 * Mm}));
    // A line's last point starts no segment.
    e.ObjectType = LineObject;
    i = e.nItem - 1;
    const uint16_t before = e.nItem;
    EXPECT_TRUE(SplitSegmentAt(e, i, 0.5));
    EXPECT_EQ(e.nItem, before);
}

// The text slots count: a full buffer takes no more points.
TEST_F(PathWalkTest, InsertRefusesWhenPointsAndTextWouldOverflow)
{
    ElementRecord& e = Element();
    InitElement(e, 10, LineObject, 2, 0, 0);
    e.Cords()[0] = {0, 0};
    e.Cords()[1] = {256, 0};
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

TEST_F(PathWalkTest, SmallHelpers)
{
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
}

} // namespace
} // namespace zemo
