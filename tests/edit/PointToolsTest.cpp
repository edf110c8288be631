// The point-editing tools on an offscreen window: kinds of points set and inserted, points
// removed, directions given, rings and lines moved parallel; coordinates read back from the
// store, one undo step per click or drag, nothing of the feedback left behind.
#include "EditToolFixture.h"

#include "edit/Parallel.h"

#include <cmath>

namespace zemo::test {
namespace {

using PointTools = EditToolTest;

constexpr int32_t B1 = FirstBezierFlag, B2 = SecondBezierFlag;

// A straight line -5..5 mm along y = 0, then a curve to (9, 0) whose controls lie 2 mm off.
std::vector<TestCord> LineAndCurve()
{
    return {{-5 * Mm, 0}, {5 * Mm, 0}, {6 * Mm | B1, 2 * Mm}, {8 * Mm | B2, 2 * Mm}, {9 * Mm, 0}};
}

TEST_F(PointTools, KindsOfPointsAreSetOnAnchorsAndInsertedBetweenThem)
{
    struct Row {
        const char* what;
        int workMode;
        double x, y;                 // the click, mm
        std::vector<TestCord> expect;  // the line afterwards; empty: unchanged
    };
    const Row rows[] = {
        {"a corner between two points", WorkModes::CornerPoint, 1, 0,
         {{-5 * Mm, 0}, {Mm, CornerFlag}, {5 * Mm, 0}, {6 * Mm | B1, 2 * Mm}, {8 * Mm | B2, 2 * Mm}, {9 * Mm, 0}}},
        {"an anchor made a corner", WorkModes::CornerPoint, 5, 0,
         {{-5 * Mm, 0}, {5 * Mm, CornerFlag}, {6 * Mm | B1, 2 * Mm}, {8 * Mm | B2, 2 * Mm}, {9 * Mm, 0}}},
        {"a control point stays as it is", WorkModes::CornerPoint, 6, 2, {}},
        {"a dash point between two points", WorkModes::DashPoint, -3, 0,
         {{-5 * Mm, 0}, {-3 * Mm, DashFlag}, {5 * Mm, 0}, {6 * Mm | B1, 2 * Mm}, {8 * Mm | B2, 2 * Mm}, {9 * Mm, 0}}},
        {"the end made a dash point", WorkModes::DashPoint, 9, 0,
         {{-5 * Mm, 0}, {5 * Mm, 0}, {6 * Mm | B1, 2 * Mm}, {8 * Mm | B2, 2 * Mm}, {9 * Mm, DashFlag}}},
        {"a normal point inserted", WorkModes::NormalPoint, 2, 0,
         {{-5 * Mm, 0}, {2 * Mm, 0}, {5 * Mm, 0}, {6 * Mm | B1, 2 * Mm}, {8 * Mm | B2, 2 * Mm}, {9 * Mm, 0}}},
        {"a click beside the line", WorkModes::NormalPoint, 0, 4, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Line(LineN, LineAndCurve())});
        SelectAndStart({1}, r.workMode);
        ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
        const std::vector<Cord> before = Points(1);
        ClickM(PxMm(r.x, r.y));
        const std::vector<Cord> after = Points(1);
        if (r.expect.empty()) {
            EXPECT_EQ(after, before);
            EXPECT_FALSE(CanUndo());
        } else {
            ASSERT_EQ(after.size(), r.expect.size());
            for (size_t k = 0; k < after.size(); ++k)
                EXPECT_EQ(after[k], (Cord{r.expect[k].x, r.expect[k].y})) << k;
        }
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
    // A corner made a normal point again.
    OpenEditMap({TestObject::Line(LineN, {{-5 * Mm, 0}, {0, CornerFlag | DashFlag}, {5 * Mm, 0}})});
    SelectAndStart({1}, WorkModes::NormalPoint);
    ClickM(PxMm(0, 0));
    EXPECT_EQ(Points(1)[1], (Cord{0, 0}));
}

TEST_F(PointTools, APointInsertedOnACurveSplitsIt)
{
    OpenEditMap({TestObject::Line(LineN, LineAndCurve())});
    SelectAndStart({1}, WorkModes::CornerPoint);
    ClickM(PxMm(7, 1.5));  // the curve's middle
    const std::vector<Cord> p = Points(1);
    ASSERT_EQ(p.size(), 8u);
    EXPECT_EQ(p[2].x & 3, B1);
    EXPECT_EQ(p[3].x & 3, B2);
    EXPECT_EQ(p[4].y & (CornerFlag | DashFlag), CornerFlag);
    EXPECT_EQ(p[5].x & 3, B1);
    EXPECT_EQ(p[6].x & 3, B2);
    EXPECT_EQ(p[7], (Cord{9 * Mm, 0}));
    EXPECT_LE(std::abs(Masked(p[4].x) - 7 * Mm), 2560);
    EXPECT_LE(std::abs(Masked(p[4].y) - 3 * Mm / 2), 2560);
}

TEST_F(PointTools, RemovingPointsJoinsCurvesAndHandsOnTheHoleFlag)
{
    struct Row {
        const char* what;
        TestObject object;
        double x, y;
        std::vector<TestCord> expect;  // empty: refused
    };
    const Row rows[] = {
        // Controls straight up from A and straight down to C: 0.4 of the 12 mm chord.
        {"the middle of two curves",
         TestObject::Line(LineN, {{-6 * Mm, 0}, {-6 * Mm | B1, 2 * Mm}, {-2 * Mm | B2, 2 * Mm}, {0, 0},
                                  {2 * Mm | B1, -2 * Mm}, {6 * Mm | B2, -2 * Mm}, {6 * Mm, 0}}),
         0, 0, {{-6 * Mm, 0}, {-6 * Mm | B1, 122880}, {6 * Mm | B2, -122880}, {6 * Mm, 0}}},
        {"the first point of a hole",
         TestObject::Area(AreaN, {{-8 * Mm, -8 * Mm}, {8 * Mm, -8 * Mm}, {8 * Mm, 8 * Mm}, {-8 * Mm, 8 * Mm},
                                  {-2 * Mm, -2 * Mm | HoleFlag}, {-2 * Mm, 2 * Mm}, {2 * Mm, 2 * Mm}, {2 * Mm, -2 * Mm}}),
         -2, -2,
         {{-8 * Mm, -8 * Mm}, {8 * Mm, -8 * Mm}, {8 * Mm, 8 * Mm}, {-8 * Mm, 8 * Mm},
          {-2 * Mm, 2 * Mm | HoleFlag}, {2 * Mm, 2 * Mm}, {2 * Mm, -2 * Mm}}},
        {"the end of a curve", TestObject::Line(LineN, LineAndCurve()), 9, 0, {{-5 * Mm, 0}, {5 * Mm, 0}}},
        {"the first point of a line", TestObject::Line(LineN, {{-5 * Mm, 0}, {0, 0}, {5 * Mm, 0}}), -5, 0,
         {{0, 0}, {5 * Mm, 0}}},
        {"a line of two points", TestObject::Line(LineN, {{-5 * Mm, 0}, {5 * Mm, 0}}), 5, 0, {}},
        {"one curve", TestObject::Line(LineN, {{-5 * Mm, 0}, {-2 * Mm | B1, 2 * Mm}, {2 * Mm | B2, 2 * Mm}, {5 * Mm, 0}}),
         5, 0, {}},
        {"an area of three points", TestObject::Area(AreaN, {{-5 * Mm, 0}, {5 * Mm, 0}, {0, 5 * Mm}}), 0, 5, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({r.object});
        SelectAndStart({1}, WorkModes::RemovePoint);
        const std::vector<Cord> before = Points(1);
        ClickM(PxMm(r.x, r.y));
        const std::vector<Cord> after = Points(1);
        if (r.expect.empty()) {
            EXPECT_EQ(after, before);
        } else {
            ASSERT_EQ(after.size(), r.expect.size());
            for (size_t k = 0; k < after.size(); ++k)
                EXPECT_EQ(after[k], (Cord{r.expect[k].x, r.expect[k].y})) << k;
        }
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(PointTools, TheDirectionCountsFromEastForTextsFromNorthForPointsLessTheHatchForAreas)
{
    struct Row {
        const char* what;
        TestObject object;
        double dx, dy;  // the drag, mm
        int16_t angle;
    };
    const std::vector<TestCord> square = {{-2 * Mm, -2 * Mm}, {2 * Mm, -2 * Mm}, {2 * Mm, 2 * Mm}, {-2 * Mm, 2 * Mm}};
    const Row rows[] = {
        {"a point dragged north", TestObject::Point(PointN, 0, 0), 0, 5, 0},
        {"a point dragged east", TestObject::Point(PointN, 0, 0), 5, 0, -900},
        {"a point dragged west", TestObject::Point(PointN, 0, 0), -5, 0, 900},
        {"a text dragged east", Text(0, 0, "Hut"), 5, 0, 0},
        {"a text dragged north", Text(0, 0, "Hut"), 0, 5, 900},
        {"a hatched area dragged east", TestObject::Area(HatchN, square), 5, 0, -HatchAngle},
        {"a hatched area dragged north", TestObject::Area(HatchN, square), 0, 5, 900 - HatchAngle},
        {"a plain area keeps its angle", TestObject::Area(AreaN, square), 0, 5, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({r.object});
        SelectAndStart({1}, WorkModes::Direction);
        ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
        Drag(PxMm(4, -4), PxMm(4 + r.dx, -4 + r.dy));
        EXPECT_EQ(Stored(1).Angle, r.angle);
        EXPECT_EQ(CanUndo(), r.angle != 0) << "an unchanged angle is no step";
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(PointTools, TheDirectionButtonFollowsWhatIsSelected)
{
    OpenEditMap({TestObject::Line(LineN, {{0, 0}, {Mm, 0}}), TestObject::Point(PointN, 0, 0),
                 TestObject::Rect(RectN, 0, 0, Mm, Mm),
                 TestObject::Area(AreaN, {{0, 0}, {4 * Mm, 0}, {0, 4 * Mm}, {Mm, Mm | HoleFlag}, {2 * Mm, Mm}, {Mm, 2 * Mm}})});
    const struct {
        std::vector<int> selection;
        int hole;
        bool can;
    } rows[] = {{{1}, 0, false}, {{2}, 0, true}, {{3}, 0, false}, {{4}, 0, true},
                {{4}, 3, false}, {{1, 3}, 0, false}, {{1, 2}, 0, true}, {{}, 0, false}};
    for (const auto& r : rows) {
        SelectAndStart(r.selection, WorkModes::EditObject, r.hole);
        EXPECT_EQ(CanSetDirection(), r.can) << r.selection.size() << " " << r.hole;
    }
    // Several objects take the direction in one step.
    SelectAndStart({1, 2, 4}, WorkModes::Direction);
    ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
    const MapSnapshot before = Snap();
    Drag(PxMm(0, 0), PxMm(-5, 0));
    EXPECT_EQ(Stored(2).Angle, 900);
    EXPECT_EQ(Stored(1).Angle, 0);
    ExpectNoLeftovers("several turned");
    UndoWindowEdit();
    EXPECT_EQ(Snap(), before);
}

// The outer square -5..5 mm of an area with a square hole.
std::vector<TestCord> SquareWithHole()
{
    return {{-5 * Mm, -5 * Mm}, {5 * Mm, -5 * Mm}, {5 * Mm, 5 * Mm}, {-5 * Mm, 5 * Mm},
            {-2 * Mm, -2 * Mm | HoleFlag}, {-2 * Mm, 2 * Mm}, {2 * Mm, 2 * Mm}, {2 * Mm, -2 * Mm}};
}

TEST_F(PointTools, ASquareRingMovedParallelIsTheSquareOffsetAndTheOtherRingStays)
{
    OpenEditMap({TestObject::Area(AreaN, SquareWithHole())});
    SelectAndStart({1}, WorkModes::MoveParallel);
    ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
    const ElementRecord& e0 = Stored(1);
    const std::vector<uint8_t> hole(reinterpret_cast<const uint8_t*>(e0.Cords() + 4),
                                    reinterpret_cast<const uint8_t*>(e0.Cords() + 8));
    // From the first corner 1 mm down, away from the square: 1 mm out on every side.
    Drag(PxMm(-5, -5), PxMm(-5, -6));
    const ElementRecord& e = Stored(1);
    ASSERT_EQ(e.nItem, 8);
    const Cord expect[4] = {{-6 * Mm, -6 * Mm}, {6 * Mm, -6 * Mm}, {6 * Mm, 6 * Mm}, {-6 * Mm, 6 * Mm}};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(e.Cords()[k], expect[k]) << k;
    EXPECT_EQ(std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(e.Cords() + 4),
                                   reinterpret_cast<const uint8_t*>(e.Cords() + 8)),
              hole);
    ExpectNoLeftovers("ring moved");

    // The hole moved out by half a millimetre: its first point keeps the hole flag.
    Drag(PxMm(-2, -2), PxMm(-2.5, -2));
    const std::vector<Cord> p = Points(1);
    ASSERT_EQ(p.size(), 8u);
    EXPECT_EQ(p[4], (Cord{-2 * Mm - Mm / 2, -2 * Mm - Mm / 2 | HoleFlag}));
    EXPECT_EQ(p[6], (Cord{2 * Mm + Mm / 2, 2 * Mm + Mm / 2}));
    EXPECT_EQ(p[0], expect[0]);
}

TEST_F(PointTools, AParallelMoveLeavingTooFewPointsIsRefused)
{
    struct Row {
        const char* what;
        TestObject object;
        double fx, fy, tx, ty;  // the drag, mm
    };
    const Row rows[] = {
        {"a hole moved in past its middle", TestObject::Area(AreaN, SquareWithHole()), -2, -2, 1.5, 0},
        // Moved 2.8 mm into its opening, a V 1 mm deep keeps only its first point.
        {"a V moved into its opening", TestObject::Line(LineN, {{-Mm, Mm}, {0, 0}, {Mm, Mm}}), -1, 1, 1, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({r.object});
        SelectAndStart({1}, WorkModes::MoveParallel);
        const MapSnapshot before = Snap();
        Drag(PxMm(r.fx, r.fy), PxMm(r.tx, r.ty));
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(Snap(), before);
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST(Parallel, AnchorsThatTurnBackAreDroppedWithTheirControlsAndCurvesKeepTheirDirections)
{
    static ElementRecord source, out;
    auto set = [](ElementRecord& e, uint8_t type, std::vector<Cord> pts) {
        e.ObjectType = type;
        e.nItem = uint16_t(pts.size());
        e.nText = 0;
        std::copy(pts.begin(), pts.end(), e.Cords());
    };
    // A 10 x 1 mm ring moved 0.6 mm inward: its short sides turn back, one corner goes.
    set(source, AreaObject, {{0, 0}, {10 * Mm, 0}, {10 * Mm, Mm}, {0, Mm}});
    ASSERT_TRUE(ParallelLine(source, -60, true, out));
    ASSERT_EQ(out.nItem, 3);
    EXPECT_EQ(out.Cords()[0], (Cord{15360, 15360}));
    EXPECT_EQ(out.Cords()[1], (Cord{10 * Mm - 15360, 15360}));
    EXPECT_EQ(out.Cords()[2], (Cord{15360, Mm - 15360}));
    // Further in nothing but its first corner would be left.
    EXPECT_FALSE(ParallelLine(source, -600, true, out));
    EXPECT_EQ(out.nItem, 3) << "the output stays as it was";

    // A curve moved sideways: its controls keep their directions, scaled with the chord.
    set(source, LineObject, {{0, 0}, {0 | FirstBezierFlag, 4 * Mm}, {10 * Mm | SecondBezierFlag, 4 * Mm}, {10 * Mm, 0}});
    ASSERT_TRUE(ParallelLine(source, 100, false, out));
    ASSERT_EQ(out.nItem, 4);
    // The ends move 1 mm to the right of the curve's way (into its arch), the controls
    // follow at 8/10 of their length as the chord shrinks from 10 to 8 mm.
    EXPECT_EQ(out.Cords()[0], (Cord{Mm, 0}));
    EXPECT_EQ(out.Cords()[3], (Cord{9 * Mm, 0}));
    EXPECT_EQ(out.Cords()[1], (Cord{Mm | FirstBezierFlag, 81920}));
    EXPECT_EQ(out.Cords()[2], (Cord{9 * Mm | SecondBezierFlag, 81920}));
    // A sharp spike moves at most ten times the distance.
    set(source, LineObject, {{0, 0}, {10 * Mm, 256}, {0, 512}});
    ASSERT_TRUE(ParallelLine(source, 10, false, out));
    EXPECT_LE(std::abs(Masked(out.Cords()[1].x) - 10 * Mm), 10 * 10 * 256 + 256);
    // The smallest closed line, a triangle of four points, moves as a ring: its ends meet again.
    set(source, LineObject, {{0, 0}, {10 * Mm, 0}, {0, 10 * Mm}, {0, 0}});
    ASSERT_TRUE(ParallelLine(source, 100, false, out));
    ASSERT_EQ(out.nItem, 4);
    EXPECT_EQ(out.Cords()[3], out.Cords()[0]);
    EXPECT_NE(out.Cords()[0], (Cord{0, 0}));
}

// Where two offset lines of a ring meet: the corner v between edges u->v and v->w, moved d
// to the right of the way (y up), is v + d (n1 + n2) / (1 + n1.n2) with the edges' unit right
// normals n1 and n2.
Cord MitredCorner(TestCord u, TestCord v, TestCord w, double d)
{
    const auto normal = [](TestCord a, TestCord b) {
        const double dx = double(b.x) - a.x, dy = double(b.y) - a.y, l = std::hypot(dx, dy);
        return std::pair{dy / l, -dx / l};
    };
    const auto [n1x, n1y] = normal(u, v);
    const auto [n2x, n2y] = normal(v, w);
    const double k = d / (1 + n1x * n2x + n1y * n2y);
    const auto grid = [](double c) { return int32_t(std::floor(c / 256 + 0.5) * 256); };
    return {grid(v.x + k * (n1x + n2x)), grid(v.y + k * (n1y + n2y))};
}

TEST(Parallel, AClosedLineGetsTheMitredCornerOfARingWhereItStartsAndEnds)
{
    static ElementRecord source, out;
    struct Row {
        const char* what;
        std::vector<TestCord> ring;  // without the closing point
        int32_t d;                   // 0.01 mm
    };
    const Row rows[] = {
        // The start is the sharp corner: its mitre lies 3 mm out along the bottom edge, not
        // 1 mm below the start as an open line's end would.
        {"a triangle moved out", {{0, 0}, {8 * Mm, 0}, {8 * Mm, 6 * Mm}}, 100},
        {"a triangle moved in", {{0, 0}, {8 * Mm, 0}, {8 * Mm, 6 * Mm}}, -50},
        {"a quadrilateral turning the other way", {{0, 0}, {3 * Mm, 9 * Mm}, {12 * Mm, 7 * Mm}, {10 * Mm, 0}}, 70},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const size_t n = r.ring.size();
        source.ObjectType = LineObject;
        source.nItem = uint16_t(n + 1);
        source.nText = 0;
        for (size_t k = 0; k <= n; ++k)
            source.Cords()[k] = {r.ring[k % n].x, r.ring[k % n].y};
        ASSERT_TRUE(ParallelLine(source, r.d, false, out));
        ASSERT_EQ(out.nItem, n + 1);
        const double d = double(r.d) * 256;
        for (size_t k = 0; k <= n; ++k) {
            const Cord want = MitredCorner(r.ring[(k + n - 1) % n], r.ring[k % n], r.ring[(k + 1) % n], d);
            EXPECT_LE(std::abs(out.Cords()[k].x - want.x), 256) << k;
            EXPECT_LE(std::abs(out.Cords()[k].y - want.y), 256) << k;
        }
        EXPECT_EQ(out.Cords()[n], out.Cords()[0]);
    }
    // The triangle's start, worked out by hand: 3 mm left and 1 mm below it.
    source.nItem = 4;
    const Cord triangle[] = {{0, 0}, {8 * Mm, 0}, {8 * Mm, 6 * Mm}, {0, 0}};
    std::copy(std::begin(triangle), std::end(triangle), source.Cords());
    ASSERT_TRUE(ParallelLine(source, 100, false, out));
    EXPECT_EQ(out.Cords()[0], (Cord{-3 * Mm, -Mm}));
    EXPECT_EQ(out.Cords()[1], (Cord{9 * Mm, -Mm}));
    EXPECT_EQ(out.Cords()[2], (Cord{9 * Mm, 8 * Mm}));
    EXPECT_EQ(out.Cords()[3], (Cord{-3 * Mm, -Mm}));
}

TEST_F(PointTools, EveryClickAndDragIsOneUndoStepAndEndingMidDragChangesNothing)
{
    struct Row {
        const char* what;
        std::vector<int> selection;
        int workMode;
        double fx, fy, tx, ty;  // mm
    };
    const Row rows[] = {
        {"a corner inserted", {1}, WorkModes::CornerPoint, 1, 0, 1, 0},
        {"a dash point", {1}, WorkModes::DashPoint, 5, 0, 5, 0},
        {"a point removed", {1}, WorkModes::RemovePoint, 5, 0, 5, 0},
        {"a direction", {2}, WorkModes::Direction, 0, 5, 3, 8},
        {"two directions", {2, 4}, WorkModes::Direction, 0, 5, 3, 8},
        {"a ring moved parallel", {3}, WorkModes::MoveParallel, -5, -5, -6, -6},
        {"a line moved parallel", {1}, WorkModes::MoveParallel, -5, 0, -5, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        // (A hatched area is left out: its hatch repainted in part differs by a few pixels
        // from a whole repaint, which would hide what this compares.)
        OpenEditMap({TestObject::Line(LineN, LineAndCurve()), TestObject::Point(PointN, 0, 5 * Mm),
                     TestObject::Area(AreaN, SquareWithHole()), Text(-12 * Mm, -10 * Mm, "Hut")});
        SelectAndStart(r.selection, r.workMode);
        ASSERT_EQ(Work.ToolMode, ToolModes::PointEdit);
        const QPoint from = PxMm(r.fx, r.fy), to = PxMm(r.tx, r.ty);
        CheckUndoRedo([this] { return Snap(); },
                      [&] {
                          Drag(from, to);
                          ExpectNoLeftovers(r.what);
                      });
        // Once more, ended before the release.
        const MapSnapshot before = Snap();
        PressM(from);
        MoveM((from + to) / 2 + QPoint(2, 3));
        EndCurrentTool();
        EXPECT_EQ(Snap(), before);
        ExpectNoLeftovers(r.what);
        ReleaseM(to);
        CloseRow();
    }
}

} // namespace
} // namespace zemo::test
