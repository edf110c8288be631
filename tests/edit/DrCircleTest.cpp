// The circle and ellipse tools: the 13-point outlines against their table, the radius from
// the dialog, holes, and what ending the tool between drags leaves.
#include "DrawFixture.h"

namespace zemo::test {
namespace {

using CircleTool = DrawTest;

constexpr int32_t F = FirstBezierFlag, Sc = SecondBezierFlag;

// The outline table for centre (cx, cy) and half-axes a, b (k a and k b given masked).
std::vector<Cord> Table(int32_t cx, int32_t cy, int32_t a, int32_t b, int32_t ka, int32_t kb, int32_t corner6 = 0)
{
    return {{cx - a, cy},
            {(cx - a) | F, cy - kb},
            {(cx - ka) | Sc, cy - b},
            {cx, cy - b},
            {(cx + ka) | F, cy - b},
            {(cx + a) | Sc, cy - kb},
            {cx + a, cy | corner6},
            {(cx + a) | F, cy + kb},
            {(cx + ka) | Sc, cy + b},
            {cx, cy + b},
            {(cx - ka) | F, cy + b},
            {(cx - a) | Sc, cy + kb},
            {cx - a, cy}};
}

TEST_F(CircleTool, ADiameterOrARadiusWithShiftGivesTheTablesPoints)
{
    OpenDrawMap();
    const QPoint origin = CordToDevice(Cord{0, 0});
    ASSERT_EQ(At(origin), (Cord{0, 0}));
    const QPoint east = origin + QPoint(200, 0);  // 2000 x 256 units
    ASSERT_EQ(At(east), (Cord{2000 * 256, 0}));
    const struct {
        ShiftState mods;
        std::vector<Cord> outline;
    } rows[] = {
        // Centre (1000, 0), radius 1000 (x 256); 0.55 x 1000 = 550.
        {{}, Table(1000 * 256, 0, 1000 * 256, 1000 * 256, 550 * 256, 550 * 256)},
        {{true, false, false}, Table(0, 0, 2000 * 256, 2000 * 256, 1100 * 256, 1100 * 256)},
    };
    StartTool(LineSym, WorkModes::Circle);
    ASSERT_EQ(Work.ToolMode, ToolModes::Circle);
    int n = 0;
    for (const auto& r : rows) {
        Press(origin, r.mods);
        Move(origin + QPoint(100, 0));
        Move(east);
        Release(east, r.mods);
        ASSERT_EQ(Live(), ++n);
        EXPECT_EQ(PointsOf(n), r.outline) << "shift " << r.mods.shift;
        EXPECT_EQ(Stored(n).ObjectType, LineObject);
    }
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(CircleTool, AClickTakesTheRadiusFromTheDialogAndANegativeOneTurnsTheCircle)
{
    OpenDrawMap();
    const QPoint origin = CordToDevice(Cord{0, 0});
    StartTool(AreaSym, WorkModes::Circle);
    Answer(true, 10);
    Click(origin);
    Answer(true, -10);
    Click(origin);
    Answer(false, 10);
    Click(origin);
    EXPECT_EQ(dialogs, 3);
    ASSERT_EQ(Live(), 2);
    const std::vector<Cord> up = PointsOf(1), down = PointsOf(2);
    ASSERT_EQ(up.size(), 13u);
    ASSERT_EQ(down.size(), 13u);
    // 10 mm about the click, from its south point round by east.
    EXPECT_EQ(up[0], (Cord{0, -1000 * 256}));
    EXPECT_EQ(up[3], (Cord{1000 * 256, 0}));
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(Masked(down[i].x), -Masked(up[i].x)) << i;
        EXPECT_EQ(Masked(down[i].y), -Masked(up[i].y)) << i;
        EXPECT_EQ(Flags(down[i].x), Flags(up[i].x)) << i;
        EXPECT_EQ(Flags(down[i].y), 0) << i;
    }

    // A radius that leaves the map area is refused.
    S().ViewCenterX = 1500 * Mm;
    UpdateViewOf(*view);
    Answer(true, 600);
    Click({250, 160});
    EXPECT_EQ(messages.CountOf(TextKey::CircleOut), 1);
    EXPECT_EQ(Live(), 2);
}

TEST_F(CircleTool, TheEllipseHasTheTablesPointsWithACornerAtIndexSixOnly)
{
    OpenDrawMap();
    const QPoint origin = CordToDevice(Cord{0, 0});
    StartTool(LineSym, WorkModes::Ellipse);
    ASSERT_EQ(Work.ToolMode, ToolModes::Ellipse);
    DragPoint(origin, origin + QPoint(200, 0));
    EXPECT_EQ(DrEllips.EllipseState, AxisPlaced);
    // The other half-axis: 40 pixels (0.4 x 10 mm) off the axis.
    DragPoint(origin + QPoint(120, -10), origin + QPoint(60, -40));
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(PointsOf(1), Table(1000 * 256, 0, 1000 * 256, 400 * 256, 550 * 256, 220 * 256, CornerFlag));
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(CircleTool, EndingTheToolBetweenOrDuringDragsStoresNothingAndLeavesNoFigure)
{
    OpenDrawMap();
    const QPoint p{150, 200}, q{300, 120};
    const struct {
        int workMode;
        std::function<void()> gesture;
    } rows[] = {
        {WorkModes::Ellipse, [&] { DragPoint(p, q); }},
        {WorkModes::Ellipse, [&] {
             DragPoint(p, q);
             Press({250, 100});
             Move({240, 80});
         }},
        {WorkModes::Ellipse, [&] {
             Press(p);
             Move(q);
         }},
        {WorkModes::Circle, [&] {
             Press(p);
             Move(q);
         }},
    };
    for (const auto& r : rows) {
        StartTool(AreaSym, r.workMode);
        r.gesture();
        EndCurrentTool();
        EXPECT_EQ(Live(), 0) << r.workMode;
        EXPECT_TRUE(ShowsAFreshPaint()) << r.workMode;
    }
}

TEST_F(CircleTool, ACircleOrEllipseDrawnAsAHoleIsFlaggedInTheSelectedArea)
{
    const int32_t s = 12 * Mm;
    OpenDrawMap({TestObject::Area(20, {{-s, -s}, {s, -s}, {s, s}, {-s, s}})});
    SelectOnly(1);
    const QPoint origin = CordToDevice(Cord{0, 0});
    for (int mode : {WorkModes::Circle, WorkModes::Ellipse}) {
        ProgramConfig.LineMode = mode;
        SelectWorkMode(WorkModes::CutHole);
        ASSERT_EQ(Work.ToolMode, mode == WorkModes::Circle ? ToolModes::Circle : ToolModes::Ellipse);
        DragPoint(origin - QPoint(30, 0), origin + QPoint(30, 0));
        if (mode == WorkModes::Ellipse)
            DragPoint(origin + QPoint(0, 10), origin + QPoint(0, 20));
        EndCurrentTool();
    }
    ASSERT_EQ(Live(), 1);
    const std::vector<Cord> p = PointsOf(1);
    ASSERT_EQ(p.size(), 4u + 13u + 13u);
    EXPECT_EQ(p[4], (Cord{-300 * 256, HoleFlag}));
    EXPECT_EQ(p[17], (Cord{-300 * 256, HoleFlag}));
    EXPECT_EQ(p[17 + 6], (Cord{300 * 256, CornerFlag}));
    EXPECT_EQ(p[17 + 3], (Cord{0, -200 * 256}));
    EXPECT_TRUE(ShowsAFreshPaint());
}

} // namespace
} // namespace zemo::test
