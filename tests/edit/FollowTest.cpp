// Following another outline (Ctrl) and going on with a line (Shift) with the curve tool and the
// straight tool, driven by synthesized events; the drawn lines read back from the working file.
#include "CutFixture.h"

namespace zemo::test {
namespace {

using Follow = CutTest;

// The two drawing methods that follow and go on with lines.
constexpr int Methods[] = {WorkModes::Curve, WorkModes::Straight};

TEST_F(Follow, PastARingsStartTheShortWayIsTaken)
{
    for (int method : Methods) {
        OpenCutMap({TestObject::Area(AreaN, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm}})});
        StartTool(LinePos, method);
        Drag(PxMm(0, 1), PxMm(1, 0), Ctrl());
        Click(PxMm(1, 0));
        ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 2})) << method;
        EXPECT_EQ(PlainPointsOf(2), (std::vector<Cord>{AtMm(0, 1), AtMm(0, 0), AtMm(1, 0)})) << method;
        EXPECT_EQ(PointsOf(1).size(), 4u) << method << ": the area stays as it was";
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(Follow, BackwardsAlongACurveItsControlPointsComeReversedAndValid)
{
    for (int method : Methods) {
        OpenCutMap({TestObject::Line(LineN, {{0, 0}, {3 * Mm | FirstBezierFlag, 4 * Mm},
                                             {7 * Mm | SecondBezierFlag, 4 * Mm}, {10 * Mm, 0}, {20 * Mm, 0}})});
        StartTool(OtherLinePos, method);
        Drag(PxMm(15, 0), PxMm(0, 0), Ctrl());
        Click(PxMm(0, 0));
        ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 2})) << method;
        const std::vector<Cord> p = PointsOf(2);
        ASSERT_EQ(p.size(), 5u) << method;
        EXPECT_EQ(Plain(p[0]), AtMm(15, 0)) << method;
        EXPECT_EQ(Plain(p[1]), AtMm(10, 0)) << method;
        EXPECT_EQ(p[2].x, AtMm(7, 4).x | FirstBezierFlag) << method;
        EXPECT_EQ(p[3].x, AtMm(3, 4).x | SecondBezierFlag) << method;
        EXPECT_EQ(Plain(p[2]), AtMm(7, 4)) << method;
        EXPECT_EQ(Plain(p[3]), AtMm(3, 4)) << method;
        EXPECT_EQ(Plain(p[4]), AtMm(0, 0)) << method;
        EXPECT_EQ(p[1].x & (FirstBezierFlag | SecondBezierFlag), 0) << method;
        EXPECT_EQ(p[4].x & (FirstBezierFlag | SecondBezierFlag), 0) << method;
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(Follow, AReleaseOnThePressAddsNothing)
{
    for (int method : Methods) {
        OpenCutMap({TestObject::Line(LineN, {{0, 0}, {10 * Mm, 0}})});
        StartTool(OtherLinePos, method);
        Press(PxMm(5, 0), Ctrl());
        Release(PxMm(5, 0));
        EXPECT_EQ(CurElement.nItem, 1) << method;
        EXPECT_EQ(Plain(CurElement.Cords()[0]), AtMm(5, 0)) << method;
        // Backspace gives the line up.
        Key(8);
        EXPECT_EQ(LiveObjects(), std::vector<int>{1}) << method;
        EXPECT_EQ(PointsOf(1), (std::vector<Cord>{AtMm(0, 0), AtMm(10, 0)})) << method;
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(Follow, EndingTheToolWhileFollowingLeavesNoFigure)
{
    for (int method : Methods) {
        OpenCutMap({TestObject::Area(AreaN, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {0, 10 * Mm}})});
        StartTool(LinePos, method);
        Press(PxMm(5, 0), Ctrl());
        Move(PxMm(8, 1));
        EndCurrentTool();
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        CloseMap();
    }
}

TEST_F(Follow, ShiftOnALinesFirstPointGoesOnWithItThereInItsOwnOrder)
{
    for (int method : Methods) {
        OpenCutMap({TestObject::Line(LineN, {{0, 0}, {10 * Mm, 0}})});
        StartTool(LinePos, method);
        if (method == WorkModes::Curve) {
            Drag(PxMm(0, 0), PxMm(-2, 0), Shift());
            Drag(PxMm(-5, 0), PxMm(-7, 0));
            Click(PxMm(-5, 0));
        } else {
            Drag(PxMm(0, 0), PxMm(-5, 0), Shift());
            Click(PxMm(-5, 0));
        }
        ASSERT_EQ(LiveObjects(), std::vector<int>{1}) << method;
        const std::vector<Cord> p = PlainPointsOf(1);
        ASSERT_GE(p.size(), 3u) << method;
        EXPECT_EQ(p.front(), AtMm(-5, 0)) << method;
        EXPECT_EQ(p[p.size() - 2], AtMm(0, 0)) << method;
        EXPECT_EQ(p.back(), AtMm(10, 0)) << method;
        if (method == WorkModes::Curve) {
            ASSERT_EQ(p.size(), 5u);
            EXPECT_EQ(PointsOf(1)[1].x & FirstBezierFlag, FirstBezierFlag);
            EXPECT_EQ(PointsOf(1)[2].x & SecondBezierFlag, SecondBezierFlag);
        }
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        // One undo step: the line as it was.
        UndoWindowEdit();
        EXPECT_EQ(PointsOf(1), (std::vector<Cord>{AtMm(0, 0), AtMm(10, 0)})) << method;
        EndCurrentTool();
        CloseMap();
    }
}

// The new points must not run over the text stored behind the line's points.
TEST_F(Follow, ALineTextGoesOnWithItsText)
{
    OpenCutMap({TestObject::LineText(LineTextN, {{0, 0}, {10 * Mm, 0}}, "Brook")});
    StartTool(LineTextPos, WorkModes::Straight);
    Drag(PxMm(10, 0), PxMm(20, 0), Shift());
    Click(PxMm(20, 0));
    ASSERT_EQ(LiveObjects(), std::vector<int>{1});
    EXPECT_EQ(PlainPointsOf(1), (std::vector<Cord>{AtMm(0, 0), AtMm(10, 0), AtMm(20, 0)}));
    EXPECT_EQ(TextOf(Stored(1)), u"Brook");
}

TEST_F(Follow, OnlyLinesOfTheCurrentSymbolGoOn)
{
    for (int method : Methods) {
        OpenCutMap({TestObject::Line(OtherLineN, {{0, 0}, {10 * Mm, 0}})});
        StartTool(LinePos, method);
        Drag(PxMm(0, 0), PxMm(0, -5), Shift());
        if (method == WorkModes::Curve)
            Drag(PxMm(-5, 0), PxMm(-7, 0));
        Click(PxMm(-5, 0));
        ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 2})) << method;
        EXPECT_EQ(PointsOf(1), (std::vector<Cord>{AtMm(0, 0), AtMm(10, 0)})) << method;
        EXPECT_EQ(Stored(2).Symbol, LineN) << method;
        EXPECT_EQ(PlainPointsOf(2).front(), AtMm(0, 0)) << method;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(Follow, AnAreasOuterRingGoesOnWithItsHolesKept)
{
    OpenCutMap({TestObject::Area(AreaN, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}, {4 * Mm, 4 * Mm | HoleFlag},
                                         {6 * Mm, 4 * Mm}, {6 * Mm, 6 * Mm}})});
    StartTool(AreaPos, WorkModes::Straight);
    Drag(PxMm(10, 10), PxMm(0, 10), Shift());
    Click(PxMm(0, 10));
    ASSERT_EQ(LiveObjects(), std::vector<int>{1});
    EXPECT_EQ(PlainPointsOf(1), (std::vector<Cord>{AtMm(0, 0), AtMm(10, 0), AtMm(10, 10), AtMm(0, 10), AtMm(4, 4),
                                                   AtMm(6, 4), AtMm(6, 6)}));
    EXPECT_EQ(PointsOf(1)[4].y & HoleFlag, HoleFlag);
    EXPECT_EQ(PointsOf(1)[0].y & HoleFlag, 0);
    EXPECT_TRUE(ShowsAFreshPaint());
}

} // namespace
} // namespace zemo::test
