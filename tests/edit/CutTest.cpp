// The cut tools driven by synthesized events on an offscreen window: lines cut by a click and
// by drags, a double line's side line hidden along a stretch, gaps cut into a circle and
// closed again, areas cut along lines drawn with the drawing tools; points read back from the
// working file, one undo step a cut, and no XOR figure left on the window.
#include "CutFixture.h"

#include <cmath>
#include <numbers>

namespace zemo::test {
namespace {

using CutTool = CutTest;

TEST_F(CutTool, AClickSplitsALineAndADragRemovesTheStretchEitherWay)
{
    const std::vector<TestCord> straight = {{-10 * Mm, 0}, {10 * Mm, 0}};
    const std::vector<TestCord> curve = {{-10 * Mm, 0}, {-5 * Mm | FirstBezierFlag, 4 * Mm},
                                         {5 * Mm | SecondBezierFlag, 4 * Mm}, {10 * Mm, 0}};
    const struct {
        const char* name;
        std::vector<TestCord> line;
        Cord press, release;
        std::vector<Cord> first, second;
        int32_t slack;  // a curve is hit where its nearest piece's middle lies
    } rows[] = {
        {"a click", straight, AtMm(2, 0), AtMm(2, 0), {AtMm(-10, 0), AtMm(2, 0)}, {AtMm(2, 0), AtMm(10, 0)}, 0},
        {"a drag forward", straight, AtMm(-4, 0), AtMm(4, 0), {AtMm(-10, 0), AtMm(-4, 0)},
         {AtMm(4, 0), AtMm(10, 0)}, 0},
        {"a drag backward", straight, AtMm(4, 0), AtMm(-4, 0), {AtMm(-10, 0), AtMm(-4, 0)},
         {AtMm(4, 0), AtMm(10, 0)}, 0},
        {"a click halves a curve", curve, AtMm(0, 3), AtMm(0, 3),
         {AtMm(-10, 0), AtMm(-7.5, 2), AtMm(-3.75, 3), AtMm(0, 3)},
         {AtMm(0, 3), AtMm(3.75, 3), AtMm(7.5, 2), AtMm(10, 0)}, 3 * 256},
    };
    for (const auto& r : rows) {
        OpenCutMap({TestObject::Line(LineN, r.line)});
        SelectAndStart(1, WorkModes::Cut);
        ASSERT_EQ(Work.ToolMode, ToolModes::CutLine) << r.name;
        // One undo step takes the whole cut back, one redo makes it again.
        CheckUndoRedo(Snap(), [&] { Drag(Px(r.press), Px(r.release)); }, UndoWindowEdit, RedoWindowEdit);
        ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 2})) << r.name;
        const auto near = [&](const std::vector<Cord>& got, const std::vector<Cord>& want) {
            if (got.size() != want.size())
                return false;
            for (size_t k = 0; k < got.size(); ++k)
                if (std::abs(Masked(got[k].x) - want[k].x) > r.slack || std::abs(Masked(got[k].y) - want[k].y) > r.slack)
                    return false;
            return true;
        };
        EXPECT_TRUE(near(PlainPointsOf(1), r.first)) << r.name;
        EXPECT_TRUE(near(PlainPointsOf(2), r.second)) << r.name;
        // After a click both pieces share the cut point exactly.
        if (r.press == r.release) {
            EXPECT_EQ(Plain(PointsOf(1).back()), Plain(PointsOf(2).front())) << r.name;
        }
        EXPECT_TRUE(ShowsAFreshPaint()) << r.name;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(CutTool, PiecesOfALineTextKeepTheTextAndAClickAtAnEndChangesNothing)
{
    OpenCutMap({TestObject::LineText(LineTextN, {{-10 * Mm, 0}, {0, 0}, {10 * Mm, 0}}, "Brook")});
    SelectAndStart(1, WorkModes::Cut);
    Drag(PxMm(-10, 0), PxMm(-10, 0));
    EXPECT_EQ(LiveObjects(), std::vector<int>{1});
    EXPECT_FALSE(CanUndo());
    Drag(PxMm(5, 0), PxMm(5, 0));
    ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 2}));
    EXPECT_EQ(TextOf(Stored(1)), u"Brook");
    EXPECT_EQ(TextOf(Stored(2)), u"Brook");
    EXPECT_EQ(PlainPointsOf(1), (std::vector<Cord>{AtMm(-10, 0), AtMm(0, 0), AtMm(5, 0)}));
    EXPECT_EQ(PlainPointsOf(2), (std::vector<Cord>{AtMm(5, 0), AtMm(10, 0)}));
}

// The left side line of a line running east lies to its north.
TEST_F(CutTool, ADragAlongADoubleLinesSideHidesThatSideThereOnly)
{
    const struct {
        const char* name;
        double y;        // of the drag, mm
        int32_t xFlag;   // expected on the stretch's points
        int32_t yFlag;
    } rows[] = {
        {"left side", 0.6, NoLeftLineFlag, 0},
        {"right side", -0.6, 0, NoRightLineFlag},
    };
    for (const auto& r : rows) {
        OpenCutMap({TestObject::Line(DoubleN, {{-10 * Mm, 0}, {10 * Mm, 0}})});
        SelectAndStart(1, WorkModes::Cut);
        Drag(PxMm(-3, r.y), PxMm(3, r.y));
        const std::vector<int> live = LiveObjects();
        ASSERT_EQ(live.size(), 1u) << r.name;
        const std::vector<Cord> p = PointsOf(live[0]);
        ASSERT_EQ(p.size(), 4u) << r.name;
        EXPECT_EQ(p[0], AtMm(-10, 0)) << r.name;
        EXPECT_EQ(p[1], (Cord{AtMm(-3, 0).x | r.xFlag, AtMm(-3, 0).y | r.yFlag})) << r.name;
        EXPECT_EQ(p[2], AtMm(3, 0)) << r.name;
        EXPECT_EQ(p[3], AtMm(10, 0)) << r.name;
        EXPECT_EQ(Index.SelectedIndex, live[0]) << r.name;
        EXPECT_TRUE(ShowsAFreshPaint()) << r.name;
        UndoWindowEdit();
        EXPECT_EQ(LiveObjects(), std::vector<int>{1}) << r.name;
        EXPECT_EQ(PointsOf(1), (std::vector<Cord>{AtMm(-10, 0), AtMm(10, 0)})) << r.name;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(CutTool, EndingTheToolMidDragLeavesTheMapAndTheWindowAsTheyWere)
{
    OpenCutMap({TestObject::Line(LineN, {{-10 * Mm, 0}, {10 * Mm, 0}}),
                TestObject::Point(CircleN, 0, -20 * Mm)});
    const std::vector<uint8_t> bytes = FlushedBytes();
    SelectAndStart(1, WorkModes::Cut);
    Press(PxMm(-4, 0));
    Move(PxMm(0, 0));
    Move(PxMm(3, 0));
    ASSERT_EQ(::zemo::CutTool.CutState, CuttingLine);
    EndCurrentTool();
    EXPECT_TRUE(ShowsAFreshPaint());
    EXPECT_EQ(FlushedBytes(), bytes);

    SelectAndStart(2, WorkModes::Cut);
    ASSERT_EQ(Work.ToolMode, ToolModes::CutCircle);
    Press(PxMm(9.9, -20));
    Move(PxMm(0, -10.1));
    EndCurrentTool();
    EXPECT_TRUE(ShowsAFreshPaint());
    EXPECT_EQ(FlushedBytes(), bytes);
}

TEST_F(CutTool, EndingTheToolWhileACuttingLineIsDrawnLeavesNoFigure)
{
    OpenCutMap({TestObject::Area(AreaN, {{-10 * Mm, -10 * Mm}, {10 * Mm, -10 * Mm}, {10 * Mm, 10 * Mm},
                                         {-10 * Mm, 10 * Mm}})});
    for (int method : {WorkModes::Straight, WorkModes::Curve}) {
        CutWith(1, method);
        Press(PxMm(0, -10));
        Move(PxMm(0, -5));
        EndCurrentTool();
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        EXPECT_EQ(LiveObjects(), std::vector<int>{1}) << method;
    }
}

TEST(CircleGaps, NormalizedToShortArcsSortedAndMerged)
{
    const struct {
        const char* name;
        std::vector<CircleGap> in, out;
    } rows[] = {
        {"a quarter", {{0, 900}}, {{0, 900}}},
        {"over half: the shorter arc", {{0, 2700}}, {{2700, 3600}}},
        {"an end before the start goes round", {{900, 0}}, {{0, 900}}},
        {"starts brought into one turn and sorted", {{4500, 5000}, {-3000, -2800}}, {{600, 800}, {900, 1400}}},
        {"overlaps merged", {{0, 900}, {450, 1350}}, {{0, 1350}}},
        {"touching ones merged", {{0, 900}, {900, 1000}}, {{0, 1000}}},
        {"the last wrapping onto the first", {{100, 500}, {3000, 3800}}, {{-600, 500}}},
        {"empty gaps dropped", {{300, 300}, {0, 100}}, {{0, 100}}},
        {"three halves cover the circle", {{0, 1700}, {1600, 3300}, {3200, 4900}}, {}},
    };
    for (const auto& r : rows) {
        std::vector<CircleGap> g = r.in;
        NormalizeCircleGaps(g);
        EXPECT_EQ(g, r.out) << r.name;
    }
}

TEST_F(CutTool, CircleGapsAreCutByDragsAndClosedByClicks)
{
    // The circle of radius 9.9 mm round the origin, as pixels at an angle in degrees.
    const auto on = [](double degrees) {
        const double a = degrees * std::numbers::pi / 180;
        return QPoint(250 + int(std::lround(99 * std::cos(a))), 160 - int(std::lround(99 * std::sin(a))));
    };
    const struct {
        const char* name;
        std::vector<TestCord> gaps;  // stored before
        double press, release;       // degrees; equal: a click
        std::vector<Cord> after;
    } rows[] = {
        {"a quarter cut", {}, 0, 90, {{0, 900}}},
        {"over half kept as the shorter arc", {}, 0, 270, {{2700, 3600}}},
        {"an overlapping cut merged", {{0, 900}}, 45, 135, {{0, 1350}}},
        {"a click in a gap closes it", {{0, 900}, {1800, 2000}}, 45, 45, {{1800, 2000}}},
        {"a click beside the gaps changes nothing", {{0, 900}}, 180, 180, {{0, 900}}},
    };
    for (const auto& r : rows) {
        TestObject circle = TestObject::Point(CircleN, 0, 0);
        for (const TestCord& g : r.gaps)
            circle.cords.push_back(g);
        OpenCutMap({circle});
        SelectAndStart(1, WorkModes::Cut);
        ASSERT_EQ(Work.ToolMode, ToolModes::CutCircle) << r.name;
        Drag(on(r.press), on(r.release));
        std::vector<Cord> want{AtMm(0, 0)};
        want.insert(want.end(), r.after.begin(), r.after.end());
        EXPECT_EQ(PointsOf(1), want) << r.name;
        std::vector<Cord> before;
        for (const TestCord& g : r.gaps)
            before.push_back({g.x, g.y});
        EXPECT_EQ(CanUndo(), r.after != before) << r.name;
        EXPECT_TRUE(ShowsAFreshPaint()) << r.name;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(CutTool, APressOffTheRingCutsNoGap)
{
    OpenCutMap({TestObject::Point(CircleN, 0, 0)});
    SelectAndStart(1, WorkModes::Cut);
    Drag(PxMm(5, 0), PxMm(0, 5));
    EXPECT_EQ(PointsOf(1), std::vector<Cord>{AtMm(0, 0)});
    EXPECT_FALSE(CanUndo());
}

// A square of 20 mm with a hole on the right, cut along x = 0 from the bottom to the top.
TEST_F(CutTool, AnAreaCutByEachDrawingMethodKeepsItsHoleInItsPiece)
{
    const std::vector<TestCord> area = {{-10 * Mm, -10 * Mm}, {10 * Mm, -10 * Mm}, {10 * Mm, 10 * Mm},
                                        {-10 * Mm, 10 * Mm},  {2 * Mm, 2 * Mm | HoleFlag}, {2 * Mm, 6 * Mm},
                                        {6 * Mm, 6 * Mm},     {6 * Mm, 2 * Mm}};
    for (int method : {WorkModes::Straight, WorkModes::Freehand, WorkModes::Curve}) {
        OpenCutMap({TestObject::Area(AreaN, area)});
        CutWith(1, method);
        const QPoint from = PxMm(0, -10), to = PxMm(0, 10);
        if (method == WorkModes::Freehand) {
            Click(from);
            Move(to, false);
            Click(to);
        } else if (method == WorkModes::Curve) {
            // A point and its direction, the second point with a direction along the line.
            Drag(from, PxMm(0, -5));
            Drag(to, PxMm(0, 15));
            Click(to);
        } else {
            Drag(from, to);
            Click(to);
        }
        ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 2})) << method;
        EXPECT_EQ(messages.Count(), 0) << method;
        int holes = 0;
        double total = 0;
        for (int n : {1, 2}) {
            const ElementRecord& e = Stored(n);
            int rings = 0;
            for (int s = 0; s < e.nItem; s = RingEnd(e.Cords(), e.nItem, s))
                ++rings;
            const int32_t maxX = Masked(std::max_element(e.Cords(), e.Cords() + e.nItem, [](Cord a, Cord b) {
                                            return Masked(a.x) < Masked(b.x);
                                        })->x);
            // The piece on the right holds the hole.
            EXPECT_EQ(rings, maxX > 0 ? 2 : 1) << method << " object " << n;
            holes += rings - 1;
            total += PolygonArea(e.Cords(), e.nItem);
            for (int k = 0; k < e.nItem; ++k)
                EXPECT_TRUE(Masked(e.Cords()[k].x) >= 0 || maxX <= 0) << method << " object " << n;
        }
        EXPECT_EQ(holes, 1) << method;
        EXPECT_NEAR(total, (400.0 - 16) * 10000, method == WorkModes::Curve ? 2000.0 : 1.0) << method;
        EXPECT_EQ(Index.SelectedIndex, 2) << method;
        EXPECT_TRUE(ShowsAFreshPaint()) << method;
        UndoWindowEdit();
        EXPECT_EQ(LiveObjects(), std::vector<int>{1}) << method;
        EXPECT_EQ(PointsOf(1).size(), area.size()) << method;
        EndCurrentTool();
        CloseMap();
    }
}

TEST_F(CutTool, ACuttingLineOffTheOutlineLeavesTheAreaAsItWas)
{
    OpenCutMap({TestObject::Area(AreaN, {{-10 * Mm, -10 * Mm}, {10 * Mm, -10 * Mm}, {10 * Mm, 10 * Mm},
                                         {-10 * Mm, 10 * Mm}})});
    const std::vector<uint8_t> bytes = FlushedBytes();
    CutWith(1, WorkModes::Straight);
    // A line ending inside the area.
    Drag(PxMm(0, -10), PxMm(0, 0));
    Click(PxMm(0, 0));
    EXPECT_EQ(messages.CountOf(TextKey::CutAreaMsg), 1);
    EXPECT_EQ(messages.Last().helpContext, CutAreaHelpContext);
    EXPECT_EQ(FlushedBytes(), bytes);
    EXPECT_TRUE(ShowsAFreshPaint());
    // A press inside: a beep and the message, no line begins.
    Press(PxMm(0, 0));
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(messages.CountOf(TextKey::CutAreaMsg), 2);
    EXPECT_EQ(DrFree.FreeState, FreeIdle);
    Release(PxMm(0, 0));
    EXPECT_EQ(FlushedBytes(), bytes);
    EXPECT_FALSE(CanUndo());
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(CutTool, TheCutButtonAndTheShellsTestFollowTheSelectedObject)
{
    OpenCutMap({TestObject::Line(LineN, {{-10 * Mm, 0}, {10 * Mm, 0}}), TestObject::Point(CircleN, 0, -20 * Mm),
                TestObject::Area(AreaN, {{0, 20 * Mm}, {5 * Mm, 20 * Mm}, {5 * Mm, 25 * Mm}})});
    // An area is cut by a line drawn with the drawing method of the moment.
    const struct {
        int object;
        bool cuttableCircle;
        int tool;
    } rows[] = {{1, false, ToolModes::CutLine}, {2, true, ToolModes::CutCircle}, {3, false, ToolModes::Curve}};
    for (const auto& r : rows) {
        SelectAndStart(r.object, WorkModes::Cut);
        EXPECT_EQ(IsCuttableCircle(), r.cuttableCircle) << r.object;
        EXPECT_EQ(Work.ToolMode, r.tool) << r.object;
    }
    EndCurrentTool();
    DropSelection();
    EXPECT_FALSE(IsCuttableCircle());
}

} // namespace
} // namespace zemo::test
