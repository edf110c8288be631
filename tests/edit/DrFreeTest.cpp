// The straight and freehand tool: segments, the Draw Line point, Backspace, the freehand
// recording and its runs, and the thinning of a run, read back from the working file.
#include "DrawFixture.h"

#include "edit/ToCurve.h"

#include <numbers>

namespace zemo::test {
namespace {

using FreeTool = DrawTest;

constexpr QPoint A{100, 200}, B{200, 180}, C{300, 120}, D{380, 220};

TEST_F(FreeTool, ALoneStraightClickAsksForTheSecondPointUnlessShiftOrCtrlIsHeld)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Straight);
    ASSERT_EQ(Work.ToolMode, ToolModes::Freehand);
    ASSERT_TRUE(DrFree.StraightMode);
    const Cord a = At(A);
    const struct {
        ShiftState mods;
        bool ok;
        double length, angle;
        int dialogs;
        std::vector<Cord> stored;  // empty: nothing stored
    } rows[] = {
        // 50 mm at 90 degrees: 5000 x 256 units to the left.
        {{}, true, 50, 90, 1, {a, {a.x - 5000 * 256, a.y}}},
        {{}, true, 20, 0, 1, {a, {a.x, a.y + 2000 * 256}}},
        {{}, true, 20, 180, 1, {a, {a.x, a.y - 2000 * 256}}},
        {{}, false, 50, 90, 1, {}},
        {{true, false, false}, true, 50, 90, 0, {}},
        {{false, true, false}, true, 50, 90, 0, {}},
    };
    int stored = 0;
    for (const auto& r : rows) {
        dialogs = 0;
        Answer(r.ok, r.length, r.angle);
        // Ctrl on one of the lines drawn so far would follow it: off them.
        const QPoint at = r.mods.ctrl ? A + QPoint(30, 30) : A;
        Press(at, r.mods);
        Release(at, r.mods);
        EXPECT_EQ(dialogs, r.dialogs) << r.length << " " << r.mods.shift << r.mods.ctrl;
        EXPECT_EQ(DrFree.FreeState, FreeIdle);
        if (r.stored.empty()) {
            EXPECT_EQ(Live(), stored);
            continue;
        }
        ASSERT_EQ(Live(), ++stored);
        EXPECT_EQ(PointsOf(zmd->HighestObject), r.stored) << r.length << " at " << r.angle;
        EXPECT_EQ(Index.SelectedIndex, zmd->HighestObject);
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FreeTool, TheDrawLinePointUsesMetresAndTheGridAngleOnARealWorldMap)
{
    OpenDrawMap();
    const Cord from{1000 * 256, 2000 * 256};
    const struct {
        bool realWorld;
        double scale, gridAngle, length, angle;
        bool inside;
        Cord to;
    } rows[] = {
        {false, 15000, 30, 50, 90, true, {from.x - 5000 * 256, from.y}},
        // 100 m at 1:10000 are 10 mm; 60 + 30 degrees point west.
        {true, 10000, 30, 100, 60, true, {from.x - 1000 * 256, from.y}},
        // 45 degrees: sin and cos of 1000 x 0.01 mm rounded to 707.
        {true, 10000, 0, 100, 45, true, {from.x - 707 * 256, from.y + 707 * 256}},
        {true, 10000, -90, 100, 0, true, {from.x + 1000 * 256, from.y}},
        // 1990 mm to the north leave the map area; so does a map without a scale.
        {false, 15000, 0, 1990, 0, false, {}},
        {true, 0, 0, 1, 0, false, {}},
    };
    for (const auto& r : rows) {
        S().RealWorldCoords = r.realWorld ? 1 : 0;
        S().MapScale = r.scale;
        S().RealWorldAngle = r.gridAngle;
        Cord to{};
        EXPECT_EQ(DrawLinePoint(from, r.length, r.angle, to), r.inside) << r.length << " at " << r.angle;
        if (r.inside)
            EXPECT_EQ(to, r.to) << r.length << " at " << r.angle;
    }
}

TEST_F(FreeTool, ADrawLinePointOutsideTheMapAreaIsRefusedWithLineOut)
{
    OpenDrawMap();
    // The window looks at a place 1900 mm left of the origin.
    S().ViewCenterX = -1900 * Mm;
    UpdateViewOf(*view);
    StartTool(LineSym, WorkModes::Straight);
    Answer(true, 200, 90);
    Click(A);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(messages.CountOf(TextKey::LineOut), 1);
    EXPECT_EQ(Live(), 0) << "a line of one point";
}

TEST_F(FreeTool, StraightSegmentsAreCornersAndBackspaceTakesThemBackToNothing)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Straight);
    DragPoint(A, B);
    DragPoint(B, C);
    ASSERT_EQ(CurElement.nItem, 3);
    EXPECT_EQ(DrFree.FreeState, StraightPlaced);
    Key(8);
    EXPECT_EQ(CurElement.nItem, 2);
    EXPECT_EQ(CurElement.Cords()[1], (Cord{At(B).x, At(B).y | CornerFlag}));
    Key(8);
    EXPECT_EQ(CurElement.nItem, 1);
    EXPECT_EQ(DrFree.FreeState, StraightPlaced);
    Key(8);  // after the first point: the drawing goes
    EXPECT_EQ(DrFree.FreeState, FreeIdle);
    EXPECT_FALSE(EditSys.DraftShown);
    EXPECT_TRUE(ShowsAFreshPaint());
    EndCurrentTool();
    EXPECT_EQ(Live(), 0);

    StartTool(LineSym, WorkModes::Straight);
    DragPoint(A, B);
    DragPoint(B, C);
    DragPoint(C, D);
    Click(D);
    ASSERT_EQ(Live(), 1);
    // Inner points are corners; the end is not.
    const std::vector<Cord> expected = {At(A), {At(B).x, At(B).y | CornerFlag}, {At(C).x, At(C).y | CornerFlag},
                                        At(D)};
    EXPECT_EQ(PointsOf(1), expected);
}

TEST_F(FreeTool, AnAreaNeedsThreePoints)
{
    OpenDrawMap();
    StartTool(AreaSym, WorkModes::Straight);
    DragPoint(A, B);
    Click(B);
    EXPECT_EQ(Live(), 0);
    EXPECT_EQ(Index.SelectedIndex, 0);
    DragPoint(A, B);
    DragPoint(B, C);
    Click(C);
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(Stored(1).ObjectType, AreaObject);
    EXPECT_EQ(Stored(1).nItem, 3);
}

TEST_F(FreeTool, APathAlongOnePixelRowAddsNoInnerPointsAndABendingPathDoes)
{
    OpenDrawMap();
    ProgramConfig.Smoothing = 0;
    StartTool(LineSym, WorkModes::Freehand);
    ASSERT_FALSE(DrFree.StraightMode);
    Click(A);  // the first press and release fix the start
    EXPECT_EQ(DrFree.FreeState, FreeRecording);
    for (int x = A.x() + 4; x <= 300; x += 4)
        Move({x, A.y()}, false);
    EXPECT_EQ(CurElement.nItem, 1);
    const QPoint end{300, A.y()};
    Click(end);  // the press closes the run at itself; a release there ends the line
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(PointsOf(1), (std::vector<Cord>{At(A), At(end)}));

    // A zigzag: every bend is recorded (and kept: the bends lie far off the chords).
    const auto zig = [](int k) { return QPoint(A.x() + 20 * k, A.y() - (k % 2) * 30); };
    Click(A);
    for (int k = 1; k <= 8; ++k)
        Move(zig(k), false);
    Click(zig(8));
    ASSERT_EQ(Live(), 2);
    const std::vector<Cord> p = PointsOf(2);
    ASSERT_EQ(p.size(), 9u);
    for (int k = 0; k <= 8; ++k)
        EXPECT_EQ(p[size_t(k)], At(zig(k))) << k;
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(FreeTool, AFreehandLineOfThreeHundredPressesKeepsEveryRun)
{
    OpenDrawMap();
    ProgramConfig.Smoothing = 0;
    StartTool(LineSym, WorkModes::Freehand);
    Click({20, 20});
    QPoint at;
    for (int k = 0; k < 300; ++k) {
        at = {20 + (k % 40) * 11, 30 + (k / 40) * 35};
        DragPoint(at, at + QPoint(6, 8));
    }
    // Each press closed a run and its drag opened the next.
    EXPECT_EQ(DrFree.FreehandRuns.size(), 301u);
    EXPECT_EQ(CurElement.nItem, 1 + 2 * 300);
    Click(at + QPoint(6, 8));
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(messages.Count(), 0);
    // Every run holds two points: nothing to thin.
    const std::vector<Cord> p = PointsOf(1);
    ASSERT_EQ(p.size(), 601u);
    EXPECT_EQ(p.front(), At({20, 20}));
    EXPECT_EQ(p[600], At(at + QPoint(6, 8)));
}

TEST_F(FreeTool, TheStrokeIsThinnedByTheSmoothingStrengthWhenTheLineEnds)
{
    OpenDrawMap();
    // 1 pixel = 0.01 mm: the wave below is 0.02 mm high.
    S().Zoom = 32;
    UpdateViewOf(*view);
    StartTool(LineSym, WorkModes::Freehand);
    const auto draw = [&] {
        Click(A);
        for (int k = 1; k <= 12; ++k)
            Move({A.x() + 10 * k, A.y() - (k % 2) * 2}, false);
        Click({A.x() + 120, A.y()});
        return PointsOf(zmd->HighestObject).size();
    };
    ProgramConfig.Smoothing = 0;
    const size_t weak = draw();
    ProgramConfig.Smoothing = 2;
    const size_t strong = draw();
    // 0.02 mm lies beyond the tolerance of strength 0 and within that of strength 2.
    EXPECT_EQ(weak, 13u);
    EXPECT_LT(strong, 5u);
    EXPECT_EQ(Live(), 2);
}

// With the preference on, the freehand runs become curves instead of being thinned: the
// line's ends stay where they were drawn.
TEST_F(FreeTool, WithFreehandToCurveTheRunsBecomeCurves)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Freehand);
    ProgramConfig.FreehandToCurve = true;
    Click(A);
    for (int k = 1; k <= 40; ++k)
        Move({A.x() + 5 * k, A.y() - int(std::lround(30 * std::sin(k / 6.0)))}, false);
    Click({A.x() + 200, A.y()});
    const std::vector<Cord> p = PointsOf(zmd->HighestObject);
    ASSERT_GE(p.size(), 4u);
    EXPECT_EQ(p.front(), At(A));
    EXPECT_EQ(Masked(p.back().x), Masked(At({A.x() + 200, A.y()}).x));
    int curves = 0;
    for (const Cord& c : p)
        curves += (c.x & FirstBezierFlag) ? 1 : 0;
    EXPECT_GE(curves, 2);
    EXPECT_LT(p.size(), 41u);
}

// With the preference on, each of 300 runs (more than the 257 the runs once had room for)
// becomes curves, and every recorded point lies within the tolerance of the result.
TEST_F(FreeTool, WithFreehandToCurveEveryRecordedPointLiesNearTheCurvesOfEveryRun)
{
    OpenDrawMap();
    ProgramConfig.FreehandToCurve = true;
    ProgramConfig.Smoothing = 1;
    StartTool(LineSym, WorkModes::Freehand);
    // Each run: from the end of a short straight drag, up over a bend, to the next press.
    const auto p = [](int k) { return QPoint(20 + 18 * (k % 25), 20 + 24 * (k / 25)); };
    DragPoint({10, 10}, p(0) + QPoint(6, 0));
    for (int k = 0; k < 300; ++k) {
        Move(p(k) + QPoint(10, 8), false);
        Move(p(k) + QPoint(14, 0), false);
        if (k < 299)
            DragPoint(p(k + 1), p(k + 1) + QPoint(6, 0));
    }
    const QPoint end = p(299) + QPoint(14, 0);
    std::vector<Cord> recorded(CurElement.Cords(), CurElement.Cords() + CurElement.nItem);
    recorded.push_back(At(end));
    ASSERT_EQ(recorded.size(), 2u + 300 * 3 - 1);
    Click(end);
    ASSERT_EQ(Live(), 1);
    const std::vector<Cord> c = PointsOf(1);
    int curves = 0;
    for (const Cord& q : c)
        curves += (q.x & FirstBezierFlag) ? 1 : 0;
    EXPECT_EQ(curves, 2 * 300) << "two curve segments for each run of three points";
    const int32_t tolerance = CurveTolerance(1);
    int far = 0;
    for (const Cord& r : recorded) {
        bool near = false;
        for (size_t i = 0; i < c.size() && !near; ++i) {
            near = CordsEqual(r, c[i]);
            if (i + 3 < c.size() && (c[i + 1].x & FirstBezierFlag))
                near = near || NearBezier(r, &c[i], tolerance);
        }
        far += near ? 0 : 1;
    }
    EXPECT_EQ(far, 0);
    EXPECT_EQ(c.front(), At({10, 10}));
    EXPECT_EQ(c.back(), At(end));
}

// Points in 0.01 mm with their flag bits.
struct SmoothPoint {
    int32_t x, y, xFlags = 0, yFlags = 0;
};

std::vector<Cord> Cords(const std::vector<SmoothPoint>& pts)
{
    std::vector<Cord> out;
    for (const SmoothPoint& p : pts)
        out.push_back({p.x * 256 | p.xFlags, p.y * 256 | p.yFlags});
    return out;
}

TEST(SmoothFreehandLine, KeepsAndNudgesExactlyThePointsTheStrengthAsksFor)
{
    constexpr int32_t F = FirstBezierFlag, Sc = SecondBezierFlag, Nl = NoLeftLineFlag;
    const struct {
        const char* what;
        int strength;
        std::vector<SmoothPoint> in, out;
    } rows[] = {
        {"0.01 mm off the chord goes", 0, {{0, 0}, {10, 1}, {20, 0}}, {{0, 0}, {20, 0}}},
        {"0.02 mm off stays, unmoved", 0, {{0, 0}, {10, 2}, {20, 0}}, {{0, 0}, {10, 2}, {20, 0}}},
        {"strength 1: nudged, then gone", 1, {{0, 0}, {10, 2}, {20, 0}}, {{0, 0}, {20, 0}}},
        {"strength 1: two passes", 1, {{0, 0}, {10, 6}, {20, 0}}, {{0, 0}, {10, 4}, {20, 0}}},
        {"strength 2: four passes", 2, {{0, 0}, {10, 6}, {20, 0}}, {{0, 0}, {10, 2}, {20, 0}}},
        {"strength 2: gone in the third", 2, {{0, 0}, {10, 4}, {20, 0}}, {{0, 0}, {20, 0}}},
        {"across a steep chord, by x", 1, {{0, 0}, {4, 10}, {0, 20}}, {{0, 0}, {2, 10}, {0, 20}}},
        {"steep chord, within 0.01 mm", 0, {{0, 0}, {1, 10}, {0, 20}}, {{0, 0}, {0, 20}}},
        {"the ratios are real: 0.4 x 10 - 3", 0, {{0, 0}, {10, 3}, {25, 10}}, {{0, 0}, {25, 10}}},
        {"near the last kept point", 0, {{0, 0}, {1, 1}, {20, 5}}, {{0, 0}, {20, 5}}},
        {"on a straight run", 0, {{0, 0}, {10, 0}, {20, 0}, {30, 0}}, {{0, 0}, {30, 0}}},
        {"corner and dash points stay unmoved", 2,
         {{0, 0}, {10, 8, 0, CornerFlag}, {20, 0}, {30, 8, 0, DashFlag}, {40, 0}},
         {{0, 0}, {10, 8, 0, CornerFlag}, {20, 4}, {30, 8, 0, DashFlag}, {40, 0}}},
        {"a curve and its anchors stay", 0,
         {{0, 0}, {10, 0}, {20, 0, F}, {30, 0, Sc}, {40, 0}, {50, 0}, {60, 0}},
         {{0, 0}, {10, 0}, {20, 0, F}, {30, 0, Sc}, {40, 0}, {60, 0}}},
        {"a hole start and the point before it stay", 0,
         {{0, 0}, {10, 0}, {20, 0, 0, HoleFlag}, {30, 0}, {40, 0}},
         {{0, 0}, {10, 0}, {20, 0, 0, HoleFlag}, {40, 0}}},
        {"a change of the no-line flags stays", 0, {{0, 0}, {10, 0, Nl}, {20, 0, Nl}, {30, 0}},
         {{0, 0}, {10, 0, Nl}, {30, 0}}},
        {"two points are left alone", 2, {{0, 0}, {10, 9}}, {{0, 0}, {10, 9}}},
    };
    static ElementRecord e;
    for (const auto& r : rows) {
        const std::vector<Cord> in = Cords(r.in);
        std::copy(in.begin(), in.end(), e.Cords());
        e.nItem = uint16_t(in.size());
        e.nText = 0;
        std::swap(e, CurElement);
        const int last = SmoothFreehandLine(0, int(in.size()) - 1, r.strength);
        std::swap(e, CurElement);
        EXPECT_EQ(std::vector<Cord>(e.Cords(), e.Cords() + e.nItem), Cords(r.out)) << r.what;
        EXPECT_EQ(last, e.nItem - 1) << r.what;
    }
}

TEST(SmoothFreehandLine, ThePointsBehindTheRunMoveDown)
{
    static ElementRecord e;
    const std::vector<Cord> in = Cords({{-10, 5}, {0, 0}, {10, 1}, {20, 0}, {30, 5}, {40, 5}});
    std::copy(in.begin(), in.end(), e.Cords());
    e.nItem = uint16_t(in.size());
    e.nText = 0;
    std::swap(e, CurElement);
    const int last = SmoothFreehandLine(1, 3, 0);
    std::swap(e, CurElement);
    EXPECT_EQ(last, 2);
    EXPECT_EQ(std::vector<Cord>(e.Cords(), e.Cords() + e.nItem), Cords({{-10, 5}, {0, 0}, {20, 0}, {30, 5}, {40, 5}}));
}

} // namespace
} // namespace zemo::test
