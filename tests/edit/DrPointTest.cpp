// Placing points, rectangles and texts: the turn of a point by its drag, the rectangle from
// the dialog and round the whole map, point texts and text boxes with typing, and a new
// object that course setting refuses.
#include "DrawFixture.h"

namespace zemo::test {
namespace {

using PlaceTool = DrawTest;

constexpr QPoint P{200, 150};

TEST_F(PlaceTool, APointIsTurnedTowardItsDragBeyondTwelvePixels)
{
    OpenDrawMap();
    StartTool(PointSym, WorkModes::Curve);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    const struct {
        QPoint drag;
        int angle;
    } rows[] = {
        {{12, 0}, 0},      {{0, -12}, 0},     {{13, 0}, -900},  {{0, 13}, -1800},
        {{0, -13}, 0},     {{-13, 0}, 900},   {{13, 13}, -1350}, {{-20, -20}, 450},
        {{30, -10}, -716}, // atan(1/3) is 18.43 degrees
    };
    int n = 0;
    for (const auto& r : rows) {
        DragPoint(P, P + r.drag);
        ASSERT_EQ(Live(), ++n);
        const ElementRecord& e = Stored(n);
        EXPECT_EQ(e.ObjectType, PointObject);
        EXPECT_EQ(e.Symbol, 50);
        ASSERT_EQ(e.nItem, 1);
        EXPECT_EQ(e.Cords()[0], At(P));
        EXPECT_EQ(e.Angle, r.angle) << r.drag.x() << "," << r.drag.y();
        EXPECT_EQ(Index.SelectedIndex, n);
    }
    EXPECT_TRUE(ShowsAFreshPaint());
    EXPECT_EQ(PointDragAngle({0, 0}, {768, -768}), 0) << "within 0.03 mm: no turn";
}

TEST_F(PlaceTool, ARectangleIsStoredNormalisedFromADragOrTheDialog)
{
    OpenDrawMap();
    StartTool(RectSym, WorkModes::Curve);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlacePoint);
    ASSERT_TRUE(DrPoint.RectangleSymbol);
    const Cord p = At(P);
    const auto rect = [](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        return std::vector<Cord>{{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
    };
    DragPoint(P, P + QPoint(-50, 30));
    ASSERT_EQ(Live(), 1);
    const Cord q = At(P + QPoint(-50, 30));
    EXPECT_EQ(PointsOf(1), rect(q.x, q.y, p.x, p.y));
    EXPECT_EQ(Stored(1).ObjectType, RectangleObject);
    EXPECT_EQ(dialogs, 0);

    // 10 by -5 mm: 1000 x 256 units right of the press and 500 x 256 below it.
    Answer(true, 10, -5);
    Click(P);
    ASSERT_EQ(Live(), 2);
    EXPECT_EQ(PointsOf(2), rect(p.x, p.y - 500 * 256, p.x + 1000 * 256, p.y));
    Answer(false, 10, -5);
    Click(P);
    EXPECT_EQ(Live(), 2);
    // Metres on a real-world map: 20 m at 1:4000 are 5 mm.
    S().RealWorldCoords = 1;
    S().MapScale = 4000;
    Answer(true, -20, 20);
    Click(P);
    ASSERT_EQ(Live(), 3);
    EXPECT_EQ(PointsOf(3), rect(p.x - 500 * 256, p.y, p.x, p.y + 500 * 256));
    // Beyond the map area: RectOut, nothing.
    Answer(true, 10000, 0);
    Click(P);
    EXPECT_EQ(messages.CountOf(TextKey::RectOut), 1);
    EXPECT_EQ(Live(), 3);
    EXPECT_EQ(dialogs, 4);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(PlaceTool, AroundTheEntireMapTakesItsExtentAndOnAnEmptyMapMakesNothing)
{
    OpenDrawMap();
    StartTool(RectSym, WorkModes::Curve);
    Answer(true, 0, 0, true);
    Click(P);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Live(), 0) << "no objects: no extent to draw round";
    EXPECT_EQ(messages.Count(), 0);

    CloseMap();
    OpenDrawMap({TestObject::Line(10, {{-30 * Mm, -10 * Mm}, {20 * Mm, 15 * Mm}})});
    CordRect r;
    ASSERT_TRUE(GetFullExtent(r));
    EXPECT_LE(r.x1, -30 * Mm);
    EXPECT_GE(r.y2, 15 * Mm);
    StartTool(RectSym, WorkModes::Curve);
    Answer(true, 0, 0, true);
    Click(P);
    ASSERT_EQ(Live(), 2);
    EXPECT_EQ(PointsOf(2), (std::vector<Cord>{{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}}));
}

TEST_F(PlaceTool, ANarrowDragPlacesAPointTextAndAWideOneATextBoxThenTypingStarts)
{
    OpenDrawMap();
    StartTool(TextSym, WorkModes::Curve);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlaceText);
    // Tall but 11 pixels wide: a point text at the press.
    DragPoint(P, P + QPoint(11, 80));
    ASSERT_EQ(Live(), 1);
    EXPECT_TRUE(EditSys.TypingActive);
    EXPECT_EQ(Index.SelectedIndex, 1);
    Type(u"Hill 12");
    CommitTyping();
    // A press away from the text ends typing and places the next text there.
    Click({20, 20});
    ASSERT_EQ(Live(), 2);
    EXPECT_EQ(Index.SelectedIndex, 2);
    {
        const ElementRecord& e = Stored(1);
        EXPECT_EQ(e.ObjectType, TextObject);
        EXPECT_EQ(e.Symbol, 40);
        EXPECT_EQ(e.nItem, 5);
        EXPECT_EQ(e.Angle, 0);
        EXPECT_EQ(e.Cords()[0], At(P));
        EXPECT_EQ(TextOf(e), u"Hill 12");
    }

    // 12 pixels wide: a box over the normalised rectangle. The empty text goes.
    DragPoint(P + QPoint(12, 40), P);
    EXPECT_EQ(Live(), 2);
    ASSERT_EQ(Index.SelectedIndex, 3);
    ASSERT_TRUE(EditSys.TypingActive);
    const Cord a = At(P), b = At(P + QPoint(12, 40));
    EXPECT_EQ(Stored(3).ObjectType, RectangleObject);
    EXPECT_EQ(Stored(3).Symbol, 40);
    // The box's top and sides are the drag's; its bottom follows the text's layout.
    const std::vector<Cord> box = PointsOf(3);
    ASSERT_EQ(box.size(), 4u);
    EXPECT_EQ(box[2], (Cord{b.x, a.y}));
    EXPECT_EQ(box[3], (Cord{a.x, a.y}));
    EXPECT_EQ(box[0].x, a.x);
    EXPECT_EQ(box[1].x, b.x);
    EXPECT_EQ(box[0].y, box[1].y);
    EXPECT_LT(box[0].y, a.y);
    Type(u"Box");
    CommitTyping();
    EndCurrentTool();
    EXPECT_FALSE(EditSys.TypingActive);
    EXPECT_EQ(TextOf(Stored(3)), u"Box");
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(PlaceTool, AnUntypedTextLeavesNoObject)
{
    OpenDrawMap();
    StartTool(TextSym, WorkModes::Curve);
    Click(P);
    ASSERT_EQ(Live(), 1);
    ASSERT_TRUE(EditSys.TypingActive);
    EndCurrentTool();
    EXPECT_EQ(Live(), 0);
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(PlaceTool, ANewObjectThatCourseSettingRefusesIsDeletedAgain)
{
    OpenDrawMap();
    DocumentPorts().CheckCsObject.Bind([] { return false; });
    const struct {
        int symbol;
        int workMode;
    } rows[] = {{TextSym, WorkModes::Curve}, {PointSym, WorkModes::Curve}, {LineSym, WorkModes::Straight},
                {AreaSym, WorkModes::Circle}};
    for (const auto& r : rows) {
        StartTool(r.symbol, r.workMode);
        DragPoint(P, P + QPoint(40, 30));
        Click(P + QPoint(40, 30));
        EXPECT_EQ(Live(), 0) << r.symbol;
        EXPECT_EQ(Index.SelectedIndex, 0) << r.symbol;
        EXPECT_FALSE(EditSys.TypingActive) << r.symbol;
    }
    EXPECT_GT(zmd->HighestObject, 0) << "each was appended first";
    EXPECT_TRUE(ShowsAFreshPaint());
}

} // namespace
} // namespace zemo::test
