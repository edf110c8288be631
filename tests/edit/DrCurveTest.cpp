// The curve tool: what a chain of presses and drags stores, read back from the working file,
// and moving one point of a curve.
#include "EditFixture.h"

namespace zemo::test {
namespace {

using CurveTool = EditTest;

constexpr QPoint A{100, 150}, B{200, 150}, C{300, 100}, D{350, 200};

TEST_F(CurveTool, SmoothPointsInCurveModeZeroHaveCollinearControlsAtFourTenthsOfTheChord)
{
    OpenCurveMap();
    StartCurve(LineSym);
    DragPoint(A, A + QPoint(30, -30));
    DragPoint(B, B + QPoint(40, 0));
    DragPoint(C, C + QPoint(20, 20));
    Click(D);  // no drag: completes the line at C
    ASSERT_EQ(Live(), 1);
    const ElementRecord& e = Stored(1);
    ASSERT_EQ(e.nItem, 7);
    EXPECT_EQ(e.ObjectType, LineObject);
    EXPECT_EQ(e.Symbol, 10);
    const Cord* p = e.Cords();
    // Anchors exactly where pressed, without flags; the controls flagged.
    EXPECT_EQ(p[0], At(A));
    EXPECT_EQ(p[3], At(B));
    EXPECT_EQ(p[6], At(C));
    EXPECT_EQ(p[1].x & 3, FirstBezierFlag);
    EXPECT_EQ(p[2].x & 3, SecondBezierFlag);
    EXPECT_EQ(p[4].x & 3, FirstBezierFlag);
    EXPECT_EQ(p[5].x & 3, SecondBezierFlag);
    EXPECT_EQ(p[3].y & CornerFlag, 0);
    const double ab = Dist(p[0], p[3]), bc = Dist(p[3], p[6]);
    // The first handle keeps its drag direction at 0.4 of the first chord.
    EXPECT_NEAR(Dist(p[0], p[1]), 0.4 * ab, 256);
    EXPECT_NEAR(Cosine(p[0], p[1], At(A + QPoint(30, -30))), 1.0, 1e-3);
    // At B: the incoming control at 0.4 x AB, the outgoing at 0.4 x BC, on one line through B.
    EXPECT_NEAR(Dist(p[3], p[2]), 0.4 * ab, 256);
    EXPECT_NEAR(Dist(p[3], p[4]), 0.4 * bc, 256);
    EXPECT_NEAR(Cosine(p[3], p[2], p[4]), -1.0, 1e-4);
    EXPECT_NEAR(Cosine(p[3], p[4], At(B + QPoint(40, 0))), 1.0, 1e-4);
    // C's incoming control turned against its drag.
    EXPECT_NEAR(Cosine(p[6], p[5], At(C + QPoint(20, 20))), -1.0, 1e-4);
    EXPECT_NEAR(Dist(p[6], p[5]), 0.4 * bc, 256);
    EXPECT_EQ(Index.SelectedIndex, 1);
}

TEST_F(CurveTool, CurveModeOneKeepsTheDragLengthOnBothSides)
{
    OpenCurveMap();
    ProgramConfig.CurveMode = 1;
    StartCurve(LineSym);
    DragPoint(A, A + QPoint(30, 0));
    DragPoint(B, B + QPoint(0, 50));
    DragPoint(C, C + QPoint(25, 0));
    Click(D);
    const ElementRecord& e = Stored(1);
    ASSERT_EQ(e.nItem, 7);
    const Cord* p = e.Cords();
    const double dragA = Dist(At(A), At(A + QPoint(30, 0)));
    const double dragB = Dist(At(B), At(B + QPoint(0, 50)));
    const double dragC = Dist(At(C), At(C + QPoint(25, 0)));
    EXPECT_NEAR(Dist(p[0], p[1]), dragA, 256);
    EXPECT_NEAR(Dist(p[3], p[2]), dragB, 256);
    EXPECT_NEAR(Dist(p[3], p[4]), dragB, 256);
    EXPECT_NEAR(Dist(p[6], p[5]), dragC, 256);
    EXPECT_NEAR(Cosine(p[3], p[2], p[4]), -1.0, 1e-6);
}

TEST_F(CurveTool, APressWithoutDragStoresNothingAtTheFirstAndSecondPoint)
{
    OpenCurveMap();
    StartCurve(LineSym);
    Click(A);  // first point: the drawing is abandoned
    EXPECT_EQ(DrCurve.CurveState, CurveIdle);
    EXPECT_FALSE(EditSys.DraftShown);
    EXPECT_EQ(Live(), 0);
    DragPoint(A, A + QPoint(30, 0));
    Click(B);  // second point: a line of one point is not stored
    EXPECT_EQ(DrCurve.CurveState, CurveIdle);
    EXPECT_EQ(Live(), 0);
    EXPECT_EQ(Index.SelectedIndex, 0);
    DragPoint(A, A + QPoint(30, 0));
    DragPoint(B, B + QPoint(30, 0));
    Click(C);  // a later point completes the drawing without itself
    ASSERT_EQ(Live(), 1);
    const ElementRecord& e = Stored(1);
    ASSERT_EQ(e.nItem, 4);
    EXPECT_EQ(e.Cords()[3], At(B));
}

TEST_F(CurveTool, ASecondPressMakesACornerAndBackspaceMakesItSmoothAgain)
{
    OpenCurveMap();
    StartCurve(LineSym);
    DragPoint(A, A + QPoint(20, -20));
    DragPoint(B, B + QPoint(30, 0));
    DragPoint(B + QPoint(1, 1), B + QPoint(0, -40));  // again on B: a corner
    EXPECT_EQ(DrCurve.CurveState, PointPlaced);
    {
        const ElementRecord& e = CurElement;
        ASSERT_EQ(e.nItem, 5);
        EXPECT_TRUE(e.Cords()[3].y & CornerFlag);
        EXPECT_EQ(Masked(e.Cords()[4].x), Masked(At(B + QPoint(0, -40)).x));
    }
    Key(8);
    {
        const Cord* p = CurElement.Cords();
        ASSERT_EQ(CurElement.nItem, 5);
        EXPECT_FALSE(p[3].y & CornerFlag);
        // The handle mirrored from the incoming control point.
        EXPECT_EQ(Masked(p[4].x), 2 * Masked(p[3].x) - Masked(p[2].x));
        EXPECT_EQ(Masked(p[4].y), 2 * Masked(p[3].y) - Masked(p[2].y));
        EXPECT_EQ(p[4].x & 3, FirstBezierFlag);
    }
    DragPoint(C, C + QPoint(20, 0));
    Click(D);
    const ElementRecord& e = Stored(1);
    ASSERT_EQ(e.nItem, 7);
    EXPECT_FALSE(e.Cords()[3].y & CornerFlag);
    EXPECT_NEAR(Cosine(e.Cords()[3], e.Cords()[2], e.Cords()[4]), -1.0, 1e-4);
}

TEST_F(CurveTool, ANewLineDropsTheOldSelectionAndACornerReleasedOnItsPointEndsIt)
{
    OpenCurveMap({TestObject::Line(10, {{0, 0}, {Mm, 0}}), TestObject::Line(10, {{0, Mm}, {Mm, Mm}})});
    StartCurve(LineSym);
    SelectOnly(1);
    ToggleSelection(2);
    ASSERT_EQ(Index.SelectionCount, 2);
    Press(A);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_FALSE(IsSelected(1) || IsSelected(2));
    Move(A + QPoint(20, -20));
    Release(A + QPoint(20, -20));
    DragPoint(B, B + QPoint(30, 0));
    Click(B);
    ASSERT_EQ(Live(), 3);
    EXPECT_EQ(Index.SelectedIndex, 3);
    const ElementRecord& e = Stored(3);
    ASSERT_EQ(e.nItem, 4);
    EXPECT_TRUE(e.Cords()[3].y & CornerFlag);
}

TEST_F(CurveTool, BackspaceTakesThePointsBackToNothing)
{
    OpenCurveMap();
    StartCurve(LineSym);
    DragPoint(A, A + QPoint(20, -20));
    DragPoint(B, B + QPoint(30, 0));
    DragPoint(C, C + QPoint(30, 0));
    ASSERT_EQ(CurElement.nItem, 8);
    Key(8);  // C goes, B's handle is last again
    EXPECT_EQ(CurElement.nItem, 5);
    EXPECT_EQ(DrCurve.CurveState, PointPlaced);
    Key(8);
    EXPECT_EQ(CurElement.nItem, 2);
    Key(8);  // A's handle
    EXPECT_EQ(CurElement.nItem, 1);
    EXPECT_EQ(DrCurve.CurveState, FollowDone);
    Key(8);
    EXPECT_EQ(DrCurve.CurveState, CurveIdle);
    EXPECT_FALSE(EditSys.DraftShown);
    EndCurrentTool();
    EXPECT_EQ(Live(), 0);
}

TEST_F(CurveTool, TheFeedbackIsGoneFromTheSurfaceWhenTheLineEnds)
{
    OpenCurveMap();
    StartCurve(LineSym);
    const QImage before = win->Surface().copy();
    Press(A);
    for (int k = 1; k <= 5; ++k)
        Move(A + QPoint(6 * k, -4 * k));
    Release(A + QPoint(30, -20));
    Press(B);
    for (int k = 1; k <= 5; ++k)
        Move(B + QPoint(5 * k, 3 * k));
    Release(B + QPoint(25, 15));
    EXPECT_NE(win->Surface(), before);
    // Re-shape the last segment by its first control point, then go on.
    const Cord c1 = CurElement.Cords()[1];
    const QPoint h = CordToDevice(Cord{Masked(c1.x), Masked(c1.y)});
    Press(h);
    Move(h + QPoint(3, 9));
    Move(h + QPoint(5, 12));
    Release(h + QPoint(5, 12));
    EXPECT_EQ(DrCurve.CurveState, PointPlaced);
    EXPECT_EQ(Masked(CurElement.Cords()[1].x), Masked(At(h + QPoint(5, 12)).x));
    EXPECT_EQ(CurElement.Cords()[1].x & 3, FirstBezierFlag);
    Press(C);
    Move(C + QPoint(10, 10));
    Move(C + QPoint(2, 1));  // back near the anchor: the control point stays
    Move(C + QPoint(12, 20));
    Release(C + QPoint(12, 20));
    Click(D);
    ASSERT_EQ(Live(), 1);
    EXPECT_TRUE(win->Surface() == before) << "XOR feedback left on the surface";
}

TEST_F(CurveTool, AnAreaOfTwoCoordinatesIsNotStored)
{
    OpenCurveMap();
    StartCurve(AreaSym);
    // A, then a straight point B, then a click: the area would be A-B alone.
    DragPoint(A, A + QPoint(20, 0));
    Key(8);
    DragPoint(B, B + QPoint(20, 20));
    Click(C);
    EXPECT_EQ(DrCurve.CurveState, CurveIdle);
    EXPECT_EQ(Live(), 0);
    EXPECT_EQ(Index.SelectedIndex, 0);
    // Two curve points make four coordinates: that area is kept.
    DragPoint(A, A + QPoint(20, -20));
    DragPoint(B, B + QPoint(0, 30));
    Click(C);
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(Stored(1).ObjectType, AreaObject);
    EXPECT_EQ(Stored(1).nItem, 4);
}

TEST_F(CurveTool, AHoleOfTwoPointsIsDroppedAndOneOfThreeGetsTheHoleFlag)
{
    const int32_t s = 40 * Mm;
    OpenCurveMap({TestObject::Area(20, {{-s, -s}, {s, -s}, {s, s}, {-s, s}})});
    SelectOnly(1);
    SelectWorkMode(WorkModes::CutHole);
    ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
    EXPECT_EQ(DrCurve.CurveToolFlag, 2);
    const QPoint a{170, 130}, b{230, 130}, c{200, 180}, d{260, 200};
    DragPoint(a, a + QPoint(10, 0));
    Key(8);
    DragPoint(b, b + QPoint(10, 10));
    Click(c);
    EXPECT_EQ(Stored(1).nItem, 4);  // unchanged
    DragPoint(a, a + QPoint(10, -10));
    DragPoint(b, b + QPoint(10, 10));
    DragPoint(c, c + QPoint(-10, 0));
    Click(d);
    const ElementRecord& e = Stored(1);
    ASSERT_EQ(e.nItem, 4 + 7);
    EXPECT_EQ(e.Cords()[4].x, At(a).x);
    EXPECT_EQ(Masked(e.Cords()[4].y), At(a).y);
    EXPECT_TRUE(e.Cords()[4].y & HoleFlag);
    for (int k = 5; k < 11; ++k)
        EXPECT_FALSE(e.Cords()[k].y & HoleFlag) << k;
    EXPECT_EQ(e.Cords()[10], At(c));
    EXPECT_EQ(Live(), 1);
}

TEST_F(CurveTool, ThePointLimitRefusesAPointAndStoresWhatThereIs)
{
    OpenCurveMap();
    StartCurve(LineSym);
    DragPoint(A, A + QPoint(20, 0));
    ElementRecord& e = CurElement;
    const int n = GrowToLimit(At(B));
    ASSERT_LE(n, 32764);
    DragPoint(C, C + QPoint(20, 0));  // still accepted
    EXPECT_EQ(e.nItem, n + 3);
    EXPECT_EQ(beeps, 0);
    Press(D);  // beyond the limit
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(messages.CountOf(TextKey::MaxPoints), 1);
    EXPECT_EQ(messages.Last().helpContext, MaxPointsHelpContext);
    Release(D);
    ASSERT_EQ(Live(), 1);
    const ElementRecord& s = Stored(1);
    EXPECT_EQ(s.nItem, n + 2);
    EXPECT_EQ(s.Cords()[n + 1], At(C));
}

TEST_F(CurveTool, ALineTextGetsOneEmptyTextRunAndTypingStarts)
{
    OpenCurveMap();
    StartCurve(LineTextSym);
    DragPoint(A, A + QPoint(30, 0));
    DragPoint(B, B + QPoint(30, 0));
    Click(C);
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(Stored(1).nText, 8);
    EXPECT_EQ(Stored(1).TextBytes()[0], 0);
    EXPECT_TRUE(EditSys.TypingActive);
    Key('H');
    Key('i');
    Key(13);  // no line breaks in a line text
    CommitTyping();
    Press({20, 20});  // away from the text: typing ends
    EXPECT_FALSE(EditSys.TypingActive);
    Release({20, 20});
    PrepareTextSymbol(Stored(1));
    EXPECT_EQ(Texts.TextBuffer, u"Hi");
}

TEST_F(CurveTool, ALineTextNearThePointLimitStillHoldsItsText)
{
    OpenCurveMap();
    StartCurve(LineTextSym);
    DragPoint(A, A + QPoint(20, 0));
    GrowToLimit(At(B));
    DragPoint(C, C + QPoint(20, 0));
    Press(D);  // refused: the line is stored with the room for its text
    Release(D);
    ASSERT_EQ(Live(), 1);
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0);
    const int items = Stored(1).nItem;
    EXPECT_LE(items + Stored(1).nText, MaxElementItems);
    ASSERT_TRUE(EditSys.TypingActive);
    const int room = MaxTypingChars(CurElement);
    EXPECT_GT(room, 0);
    EXPECT_LT(room, 100);
    for (int k = 0; k < room + 40; ++k)
        TypingKey(u'a' + char16_t(k % 26));
    CommitTyping();
    EndTyping();
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0);
    const ElementRecord& s = Stored(1);
    EXPECT_EQ(s.nItem, items);
    EXPECT_LE(s.nItem + s.nText, MaxElementItems);
    PrepareTextSymbol(s);
    EXPECT_EQ(int(Texts.TextBuffer.size()), room);
}

// A, c1, c2, B (smooth or a corner), c3, c4, C, 1 mm apart.
void Curve(ElementRecord& e, int32_t cornerAtB = 0)
{
    const Cord pts[7] = {{0, 0},           {Mm | FirstBezierFlag, Mm},  {2 * Mm | SecondBezierFlag, 0},
                         {4 * Mm, cornerAtB}, {6 * Mm | FirstBezierFlag, 0}, {7 * Mm | SecondBezierFlag, Mm},
                         {8 * Mm, 0}};
    e.nItem = 7;
    std::copy(pts, pts + 7, e.Cords());
}

TEST(MovePt, AnAnchorCarriesItsControlPoints)
{
    static ElementRecord e;
    Curve(e);
    MovePointTo(e, 3, {5 * Mm + 7, Mm}, 0);
    const Cord* p = e.Cords();
    EXPECT_EQ(p[3], (Cord{5 * Mm, Mm}));
    EXPECT_EQ(p[2], (Cord{3 * Mm | SecondBezierFlag, Mm}));
    EXPECT_EQ(p[4], (Cord{7 * Mm | FirstBezierFlag, Mm}));
    EXPECT_EQ(p[1], (Cord{Mm | FirstBezierFlag, Mm}));
    EXPECT_EQ(p[5], (Cord{7 * Mm | SecondBezierFlag, Mm}));
    EXPECT_EQ(DependentSegments(e, 3), (std::vector<int>{0, 3}));
}

TEST(MovePt, AControlPointOfASmoothAnchorTurnsTheOppositeOneAtItsLengthAndOfACornerMovesAlone)
{
    static ElementRecord e;
    Curve(e);
    const int opp = OppositeHandleLengthOf(e, 4);
    EXPECT_EQ(opp, 2 * Mm);
    MovePointTo(e, 4, {4 * Mm, 3 * Mm}, opp);
    const Cord* p = e.Cords();
    EXPECT_EQ(p[4], (Cord{4 * Mm | FirstBezierFlag, 3 * Mm}));
    EXPECT_EQ(p[2], (Cord{4 * Mm | SecondBezierFlag, -2 * Mm}));
    EXPECT_EQ(p[3], (Cord{4 * Mm, 0}));
    EXPECT_EQ(DependentSegments(e, 4), (std::vector<int>{3, 0}));
    // The second control point before B turns the first one after it.
    MovePointTo(e, 2, {4 * Mm, 2 * Mm}, OppositeHandleLengthOf(e, 2));
    EXPECT_EQ(Masked(p[4].x), 4 * Mm);
    EXPECT_EQ(Masked(p[4].y), -3 * Mm);

    Curve(e, CornerFlag);
    EXPECT_EQ(OppositeHandleLengthOf(e, 4), 0);
    MovePointTo(e, 4, {5 * Mm, 2 * Mm}, 0);
    EXPECT_EQ(p[2], (Cord{2 * Mm | SecondBezierFlag, 0}));
    EXPECT_EQ(p[3], (Cord{4 * Mm, CornerFlag}));
    EXPECT_EQ(DependentSegments(e, 4), (std::vector<int>{3}));
}

} // namespace
} // namespace zemo::test
