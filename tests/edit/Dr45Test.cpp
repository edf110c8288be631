// The rectangular-line tool: closed figures of right angles, the corner held to the nearer
// axis, and what is kept when a figure ends early.
#include "DrawFixture.h"

#include <numbers>

namespace zemo::test {
namespace {

using RectLineTool = DrawTest;

constexpr QPoint A{100, 250}, B{300, 250};

TEST_F(RectLineTool, AFirstSideOneCornerAndAClickMakeAClosedRectangle)
{
    OpenDrawMap();
    StartTool(AreaSym, WorkModes::Rectangular);
    ASSERT_EQ(Work.ToolMode, ToolModes::Rectangular);
    DragPoint(A, B);
    EXPECT_EQ(Dr45.RectLineState, CornerPlaced);
    // Dragged up and a little to the right: the corner stays above B.
    DragPoint({250, 200}, {310, 100});
    Click({50, 50});
    ASSERT_EQ(Live(), 1);
    const ElementRecord& e = Stored(1);
    EXPECT_EQ(e.ObjectType, AreaObject);
    const Cord a = At(A), b = At(B), c = At({300, 100}), d = At({100, 100});
    const std::vector<Cord> expected = {a, {b.x, b.y | CornerFlag}, {c.x, c.y | CornerFlag}, {d.x, d.y | CornerFlag}, a};
    EXPECT_EQ(PointsOf(1), expected);
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(RectLineTool, WithAFirstSideAtThirtyDegreesTheSidesMeetAtRightAngles)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Rectangular);
    // 173 right and 100 up: 30 degrees.
    DragPoint({100, 250}, {273, 150});
    DragPoint({240, 100}, {220, 60});
    Click({20, 20});
    ASSERT_EQ(Live(), 1);
    const std::vector<Cord> p = PointsOf(1);
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p.front(), p.back());
    for (size_t k = 1; k < 4; ++k) {
        EXPECT_NEAR(Cosine(p[k], p[k - 1], p[k + 1]), 0.0, 1e-3) << k;
        EXPECT_TRUE(p[k].y & CornerFlag) << k;
    }
    EXPECT_NEAR(Cosine(p[0], p[1], p[3]), 0.0, 1e-3);
    // The first side keeps its drag: 30 degrees.
    const double first = std::atan2(double(Masked(p[1].y)) - Masked(p[0].y), double(Masked(p[1].x)) - Masked(p[0].x));
    EXPECT_NEAR(first * 180 / std::numbers::pi, 30.03, 0.01);
}

TEST_F(RectLineTool, ADiagonalCornerSnapsToTheNearerAxisAndATieKeepsTheLastCornersU)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Rectangular);
    DragPoint(A, B);
    Press({200, 100});
    const struct {
        QPoint pointer;
        QPoint corner;
    } rows[] = {
        {{330, 240}, {330, 250}},  // mostly along the first side
        {{310, 220}, {300, 220}},  // mostly across it
        {{320, 230}, {300, 230}},  // a tie: across
        {{280, 270}, {300, 270}},
        {{260, 260}, {260, 250}},
    };
    for (const auto& r : rows) {
        Move(r.pointer);
        EXPECT_EQ(CurElement.Cords()[CurElement.nItem], At(r.corner)) << r.pointer.x() << "," << r.pointer.y();
        // The closing corner: on the start's side, level with the corner.
        EXPECT_EQ(CurElement.Cords()[CurElement.nItem + 1], At({A.x(), r.corner.y()}));
    }
    Release(rows[4].pointer);
    EXPECT_EQ(CurElement.nItem, 3);
}

TEST_F(RectLineTool, AShortFirstSideOrAClickAfterItAloneStoresNothing)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Rectangular);
    DragPoint(A, A + QPoint(2, -1));  // within the pick tolerance of the start
    EXPECT_EQ(Dr45.RectLineState, RectLineIdle);
    EXPECT_EQ(CurElement.nItem, 0);
    DragPoint(A, B);
    Click({200, 100});  // five points need one corner before the click
    EXPECT_EQ(Dr45.RectLineState, RectLineIdle);
    EXPECT_EQ(Live(), 0);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(RectLineTool, EndingTheToolWhileACornerIsDraggedClosesFromTheLastPlacedCorner)
{
    OpenDrawMap();
    StartTool(LineSym, WorkModes::Rectangular);
    DragPoint(A, B);
    DragPoint({300, 200}, {300, 150});
    Press({200, 150});
    Move({150, 120});
    EndCurrentTool();
    ASSERT_EQ(Live(), 1);
    const Cord a = At(A), b = At(B), c = At({300, 150}), d = At({100, 150});
    const std::vector<Cord> expected = {a, {b.x, b.y | CornerFlag}, {c.x, c.y | CornerFlag}, {d.x, d.y | CornerFlag}, a};
    EXPECT_EQ(PointsOf(1), expected);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(RectLineTool, AFigureDrawnAsAHoleIsFlaggedInTheSelectedArea)
{
    const int32_t s = 10 * Mm;
    OpenDrawMap({TestObject::Area(20, {{-s, -s}, {s, -s}, {s, s}, {-s, s}})});
    ProgramConfig.LineMode = WorkModes::Rectangular;
    SelectOnly(1);
    SelectWorkMode(WorkModes::CutHole);
    ASSERT_EQ(Work.ToolMode, ToolModes::Rectangular);
    ASSERT_TRUE(Dr45.RectLineHole);
    const QPoint a{220, 180}, b{280, 180};
    DragPoint(a, b);
    DragPoint({280, 150}, {280, 140});
    Click({260, 100});
    ASSERT_EQ(Live(), 1);
    const std::vector<Cord> p = PointsOf(1);
    ASSERT_EQ(p.size(), 4u + 5u);
    EXPECT_EQ(p[4], (Cord{At(a).x, At(a).y | HoleFlag}));
    EXPECT_EQ(Masked(p[8].y), At(a).y);
    for (size_t k = 5; k < 8; ++k)
        EXPECT_EQ(p[k].y & (CornerFlag | HoleFlag), CornerFlag) << k;
    EXPECT_EQ(Index.SelectedIndex, 1);
    EndCurrentTool();
    EXPECT_TRUE(ShowsAFreshPaint());
}

} // namespace
} // namespace zemo::test
