// The edit tool driven by presses, moves and keys on an offscreen window: what it selects,
// where points, objects, rectangles and stretched selections land in the store, the map
// area it keeps to, and one undo step per gesture with nothing left of its feedback.
#include "EditToolFixture.h"

namespace zemo::test {
namespace {

using EditingTool = EditToolTest;

TEST_F(EditingTool, APressBesideAPointNeitherSelectsNorStartsABox)
{
    struct Row {
        const char* what;
        int32_t beside;     // units between the press and the line's end
        int pressState;
        bool stillSelected;
    };
    // The pick tolerance is 3 pixels and a half (7808 units); 1.3 times it is 10150.
    const Row rows[] = {{"on the point", 7680, MovingVertex, true},
                        {"within 1.3 times the tolerance", 9216, EditIdle, true},
                        {"beyond it", 10496, SelectFrame, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Line(LineN, {{0, 0}, {-10 * Mm, 0}})});
        const QPoint p = PxMm(-3, 4);
        const Cord at = At(p);
        Change(1, [&](ElementRecord& e) {
            e.Cords()[0] = {at.x - r.beside, at.y};
            e.Cords()[1] = {at.x - r.beside - 10 * Mm, at.y};
        });
        ASSERT_EQ(Scale.PickTolerance, 7808);
        SelectAndStart({1}, WorkModes::EditPoint);
        ASSERT_TRUE(EditSys.MarksShown);
        PressM(p);
        EXPECT_EQ(EditTool.EditState, r.pressState);
        ReleaseM(p);
        EXPECT_EQ(Index.SelectedIndex == 1, r.stillSelected);
        EXPECT_EQ(Points(1)[0], (Cord{at.x - r.beside, at.y}));
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(EditingTool, ABoxSelectsWhatItTakesInAndWithShiftAddsToTheSelection)
{
    OpenEditMap({TestObject::Line(LineN, {{-15 * Mm, 0}, {-10 * Mm, 5 * Mm}}),
                 TestObject::Area(AreaN, {{5 * Mm, 0}, {10 * Mm, 0}, {10 * Mm, 5 * Mm}}),
                 TestObject::Point(PointN, 0, -10 * Mm)});
    Tool(WorkModes::EditObject);
    Drag(PxMm(-17, 7), PxMm(-8, -2));
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_TRUE(EditSys.MarksShown);
    const ShiftState shift{true, false, false};
    Drag(PxMm(3, 7), PxMm(12, -2), shift);
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(Index.SelectionCount, 2);
    EXPECT_TRUE(IsSelected(1) && IsSelected(2));
    EXPECT_TRUE(EditSys.MultiMarksShown);
    ExpectNoLeftovers("two selected");
    // Without Shift a box starts afresh.
    Drag(PxMm(-2, -8), PxMm(2, -12));
    EXPECT_EQ(Index.SelectedIndex, 3);
    EXPECT_FALSE(IsSelected(1) || IsSelected(2));
    ExpectNoLeftovers("the point alone");
    // Escape lets go of it.
    Key(27);
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_FALSE(EditSys.MarksShown);
    ExpectNoLeftovers("nothing selected");
}

TEST_F(EditingTool, TheMarksFollowTheButtonsWithoutLeftovers)
{
    // Edit point marks control points and corners, edit object only anchors, with the frame.
    OpenEditMap({TestObject::Line(LineN, {{-6 * Mm, 0}, {-4 * Mm | FirstBezierFlag, 2 * Mm},
                                          {-2 * Mm | SecondBezierFlag, 2 * Mm}, {0, CornerFlag}}),
                 TestObject::Area(AreaN, {{2 * Mm, 0}, {6 * Mm, 0}, {4 * Mm, 3 * Mm}})});
    SelectAndStart({1}, WorkModes::EditPoint);
    const QImage point = Shown();
    for (int mode : {WorkModes::EditObject, WorkModes::EditPoint, WorkModes::Rotate, WorkModes::CornerPoint,
                     WorkModes::Curve, WorkModes::EditObject}) {
        SelectWorkMode(mode);
        ExpectNoLeftovers("another button");
    }
    EXPECT_TRUE(EditSys.StretchShown);
    SelectWorkMode(WorkModes::EditPoint);
    EXPECT_FALSE(EditSys.StretchShown);
    EXPECT_TRUE(Shown() == point);
    // The same for two objects.
    SelectAndStart({1, 2}, WorkModes::EditObject);
    for (int mode : {WorkModes::EditPoint, WorkModes::Rotate, WorkModes::Direction, WorkModes::EditObject}) {
        SelectWorkMode(mode);
        ExpectNoLeftovers("another button, two objects");
    }
}

TEST_F(EditingTool, ADeferredRedrawJoinsTheDragsOfOneObjectIntoOneStep)
{
    OpenEditMap({TestObject::Line(LineN, {{-6 * Mm, 0}, {-2 * Mm, 0}}), TestObject::Line(LineN, {{2 * Mm, 0}, {6 * Mm, 0}})});
    ProgramConfig.LineUpdate = true;
    const MapSnapshot original = Snap();
    SelectAndStart({1}, WorkModes::EditPoint);
    DragAs(MovingVertex, PxMm(-2, 0), PxMm(-2, 3));
    DragAs(MovingVertex, PxMm(-2, 3), PxMm(-1, 4));
    EXPECT_TRUE(EditSys.ElementChanged) << "the redraw waits";
    EXPECT_EQ(Points(1)[1], At(PxMm(-1, 4)));
    const MapSnapshot firstDone = Snap();
    // Another object: the waiting redraw is done first, its edit is a step of its own.
    ClickM(PxMm(4, 0));
    ASSERT_EQ(Index.SelectedIndex, 2);
    EXPECT_FALSE(EditSys.ElementChanged);
    DragAs(MovingVertex, PxMm(6, 0), PxMm(6, -2));
    EndCurrentTool();
    ExpectNoLeftovers("after the redraw at the tool's end");
    UndoWindowEdit();
    EXPECT_EQ(Snap(), firstDone);
    UndoWindowEdit();
    EXPECT_EQ(Snap(), original);
}

// A, c1, c2, B, c3, c4, C along y = 0, 2 mm apart.
std::vector<TestCord> TwoCurves()
{
    return {{-6 * Mm, 0},           {-4 * Mm | FirstBezierFlag, 2 * Mm}, {-2 * Mm | SecondBezierFlag, 2 * Mm},
            {0, 0},                 {2 * Mm | FirstBezierFlag, -2 * Mm}, {4 * Mm | SecondBezierFlag, -2 * Mm},
            {6 * Mm, 0}};
}

TEST_F(EditingTool, ADraggedAnchorTakesItsControlPointsAlong)
{
    OpenEditMap({TestObject::Line(LineN, TwoCurves())});
    SelectAndStart({1}, WorkModes::EditPoint);
    const std::vector<Cord> before = Points(1);
    const QPoint to = PxMm(2, 3);
    Drag(PxMm(0, 0), to);
    const std::vector<Cord> after = Points(1);
    ASSERT_EQ(after.size(), 7u);
    const Cord b = At(to);
    EXPECT_EQ(after[3], b);
    EXPECT_EQ(after[2], (Cord{before[2].x + b.x, before[2].y + b.y}));
    EXPECT_EQ(after[4], (Cord{before[4].x + b.x, before[4].y + b.y}));
    for (int k : {0, 1, 5, 6})
        EXPECT_EQ(after[size_t(k)], before[size_t(k)]) << k;
    ExpectNoLeftovers("vertex moved");
}

TEST_F(EditingTool, ARectanglesLeftEdgeDraggedPastItsRightEdgeKeepsTheCornerOrder)
{
    OpenEditMap({TestObject::Rect(RectN, -4 * Mm, -2 * Mm, 4 * Mm, 2 * Mm)});
    SelectAndStart({1}, WorkModes::EditPoint);
    const QPoint to = PxMm(8, 1);
    Drag(PxMm(-4, 0), to);
    const int32_t x = At(to).x;
    const std::vector<Cord> after = Points(1);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0], (Cord{4 * Mm, -2 * Mm}));
    EXPECT_EQ(after[1], (Cord{x, -2 * Mm}));
    EXPECT_EQ(after[2], (Cord{x, 2 * Mm}));
    EXPECT_EQ(after[3], (Cord{4 * Mm, 2 * Mm}));
    EXPECT_EQ(Stored(1).Angle, 0);
    // A corner takes both of its edges.
    Drag(PxMm(4, 2), PxMm(0, 5));
    EXPECT_EQ(Points(1)[3], At(PxMm(0, 5)));
    EXPECT_EQ(Points(1)[2], (Cord{x, At(PxMm(0, 5)).y}));
    ExpectNoLeftovers("rectangle resized");
}

TEST_F(EditingTool, TheStretchHandlesKeepProportionsTheCentreOrMirrorExactly)
{
    struct Row {
        const char* what;
        double hx, hy;   // the handle, mm
        double tx, ty;   // dragged to, mm
        bool shift;
        std::vector<TestCord> expect;
    };
    // The square -2..2 mm; its handles lie 8 pixels (0.8 mm) outside.
    const Row rows[] = {
        {"a corner keeps the proportions", 2.8, 2.8, 7.6, 12.4, false,
         {{-2 * Mm, -2 * Mm}, {6 * Mm, -2 * Mm}, {6 * Mm, 6 * Mm}, {-2 * Mm, 6 * Mm}}},
        {"with Shift the centre stays", 2.8, 2.8, 5.6, 8.4, true,
         {{-4 * Mm, -4 * Mm}, {4 * Mm, -4 * Mm}, {4 * Mm, 4 * Mm}, {-4 * Mm, 4 * Mm}}},
        {"across the anchor it mirrors", 2.8, 2.8, -6.8, -11.6, false,
         {{-2 * Mm, -2 * Mm}, {-6 * Mm, -2 * Mm}, {-6 * Mm, -6 * Mm}, {-2 * Mm, -6 * Mm}}},
        {"a side handle stretches one axis", 2.8, 0, 7.6, 3, false,
         {{-2 * Mm, -2 * Mm}, {6 * Mm, -2 * Mm}, {6 * Mm, 2 * Mm}, {-2 * Mm, 2 * Mm}}},
        {"the bottom handle with Shift", 0, -2.8, 1, -5.6, true,
         {{-2 * Mm, -4 * Mm}, {2 * Mm, -4 * Mm}, {2 * Mm, 4 * Mm}, {-2 * Mm, 4 * Mm}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Area(AreaN, {{-2 * Mm, -2 * Mm}, {2 * Mm, -2 * Mm}, {2 * Mm, 2 * Mm}, {-2 * Mm, 2 * Mm}})});
        SelectAndStart({1}, WorkModes::EditObject);
        ASSERT_TRUE(EditSys.StretchShown);
        ASSERT_EQ(EditSys.StretchBox, (CordRect{-2 * Mm, -2 * Mm, 2 * Mm, 2 * Mm}));
        Drag(PxMm(r.hx, r.hy), PxMm(r.tx, r.ty), {r.shift, false, false});
        const std::vector<Cord> after = Points(1);
        ASSERT_EQ(after.size(), r.expect.size());
        for (size_t k = 0; k < after.size(); ++k)
            EXPECT_EQ(after[k], (Cord{r.expect[k].x, r.expect[k].y})) << k;
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(EditingTool, AFlatFrameOffTheOriginStretchesEachAxisByItsOwnSide)
{
    struct Row {
        const char* what;
        double hx, hy, tx, ty;  // handle and target, mm
        bool shift;
        double x1, y1, x2, y2;  // the stretched frame, mm
    };
    // The frame 1..7 by 2..4 mm: its handles lie 0.8 mm outside, the side ones at its middle.
    const Row rows[] = {
        {"a corner doubles both from the far corner", 7.8, 4.8, 14.6, 9, false, 1, 2, 13, 6},
        {"the right side doubles the width only", 7.8, 3, 14.6, 5, false, 1, 2, 13, 4},
        {"the top side with Shift keeps the middle row", 4, 4.8, 6, 6.6, true, 1, 1, 7, 5},
        {"a corner with Shift keeps the centre", 7.8, 4.8, 11.6, 6.6, true, -2, 1, 10, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Area(AreaN, {{Mm, 2 * Mm}, {7 * Mm, 2 * Mm}, {7 * Mm, 4 * Mm}, {Mm, 4 * Mm}})});
        SelectAndStart({1}, WorkModes::EditObject);
        ASSERT_EQ(EditSys.StretchBox, (CordRect{Mm, 2 * Mm, 7 * Mm, 4 * Mm}));
        Drag(PxMm(r.hx, r.hy), PxMm(r.tx, r.ty), {r.shift, false, false});
        const auto at = [](double x, double y) { return Cord{int32_t(x * Mm), int32_t(y * Mm)}; };
        EXPECT_EQ(Points(1), (std::vector<Cord>{at(r.x1, r.y1), at(r.x2, r.y1), at(r.x2, r.y2), at(r.x1, r.y2)}));
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(EditingTool, AnArrowKeyMovesByOneScreenPixelInWholeHundredths)
{
    struct Row {
        double zoom;
        int key;
        int32_t dx, dy;
    };
    // Zoom 1 shows 8192 units (32 hundredths) a pixel, zoom 32 one hundredth; at zoom 70 a
    // pixel is less than half a hundredth.
    const Row rows[] = {{1, Qt::Key_Left, -32 * 256, 0}, {1, Qt::Key_Up, 0, 32 * 256},
                        {32, Qt::Key_Right, 256, 0},      {32, Qt::Key_Down, 0, -256},
                        {70, Qt::Key_Right, 0, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.zoom);
        OpenEditMap({TestObject::Point(PointN, 0, 0),
                     TestObject::Line(LineN, {{Mm, Mm}, {2 * Mm, Mm}}),
                     TestObject::Line(LineN, {{-Mm, Mm}, {-2 * Mm, Mm}})});
        S().Zoom = r.zoom;
        UpdateViewOf(*view);
        PaintNow(win);
        SelectAndStart({1}, WorkModes::EditObject);
        ArrowKey(r.key);
        EXPECT_EQ(Points(1)[0], (Cord{r.dx, r.dy}));
        EXPECT_EQ(CanUndo(), r.dx != 0 || r.dy != 0);
        ExpectNoLeftovers("nudged one");
        // The same step for a multiple selection.
        SelectAndStart({2, 3}, WorkModes::EditObject);
        ArrowKey(r.key);
        EXPECT_EQ(Points(2)[0], (Cord{Mm + r.dx, Mm + r.dy}));
        EXPECT_EQ(Points(3)[1], (Cord{-2 * Mm + r.dx, Mm + r.dy}));
        ExpectNoLeftovers("nudged two");
        CloseRow();
    }
}

TEST_F(EditingTool, ASelectionDraggedByAMemberMovesAllOfItAndAPointsFurtherCoordinatesStay)
{
    // A point with two more coordinates, as a cut circle keeps its gap angles.
    TestObject circle = TestObject::Point(PointN, -4 * Mm, 0);
    circle.cords.push_back({450, 0});
    circle.cords.push_back({2700, 0});
    // Its rectangle as the store makes it, round its position alone.
    circle.bounds = TestRect{-4 * Mm - 12800, -12800, -4 * Mm + 12800, 12800};
    OpenEditMap({circle, TestObject::Area(AreaN, {{2 * Mm, -2 * Mm}, {6 * Mm, -2 * Mm}, {4 * Mm, 3 * Mm}})});
    SelectAndStart({1, 2}, WorkModes::EditObject);
    const MapSnapshot before = Snap();
    const QPoint from = PxMm(4, 0), to = PxMm(6, -3);
    Drag(from, to);
    const Cord d{At(to).x - At(from).x, At(to).y - At(from).y};
    const std::vector<Cord> point = Points(1);
    ASSERT_EQ(point.size(), 3u);
    EXPECT_EQ(point[0], (Cord{-4 * Mm + d.x, d.y}));
    EXPECT_EQ(point[1], (Cord{450, 0}));
    EXPECT_EQ(point[2], (Cord{2700, 0}));
    EXPECT_EQ(Points(2)[2], (Cord{4 * Mm + d.x, 3 * Mm + d.y}));
    ExpectNoLeftovers("selection moved");
    const MapSnapshot after = Snap();
    UndoWindowEdit();
    EXPECT_EQ(Snap(), before) << "the undone move leaves the gap angles where they were";
    RedoWindowEdit();
    EXPECT_EQ(Snap(), after);

    // Stretched together, the point's further coordinates stay as well.
    SelectAndStart({1, 2}, WorkModes::EditObject);
    const CordRect box = EditSys.StretchBox;
    const int32_t e = 8 * 2560;
    Drag(Px({box.x2 + e, (box.y1 + box.y2) / 2}), Px({box.x2 + e + 2 * Mm, (box.y1 + box.y2) / 2}));
    EXPECT_EQ(Points(1)[1], (Cord{450, 0}));
    EXPECT_EQ(Points(1)[2], (Cord{2700, 0}));
    EXPECT_GT(Points(2)[1].x, 6 * Mm + d.x) << "the area's right end follows the handle";
    ExpectNoLeftovers("selection stretched");
}

// Every gesture, on one object and on several: a single undo step that takes the map back
// to its snapshot and a redo that repeats it, and nothing of its feedback left behind.
TEST_F(EditingTool, EveryGestureIsOneUndoStepAndLeavesNoFeedbackBehind)
{
    struct Row {
        const char* what;
        std::vector<int> selection;
        int workMode;
        std::function<void(EditToolTest&)> gesture;
        int hole = 0;
    };
    const Row rows[] = {
        {"a vertex", {1}, WorkModes::EditPoint,
         [](EditToolTest& t) { t.DragAs(MovingVertex, PxMm(0, 0), PxMm(1, 2)); }},
        {"an object by its point", {2}, WorkModes::EditObject,
         [](EditToolTest& t) { t.DragAs(MovingObject, PxMm(8, -8), PxMm(10, -5)); }},
        {"a hole", {2}, WorkModes::EditObject,
         [](EditToolTest& t) { t.DragAs(MovingObject, PxMm(11, -4), PxMm(12, -3)); }, 4},
        {"a rectangle's edge", {4}, WorkModes::EditPoint,
         [](EditToolTest& t) { t.DragAs(ResizingRectangle, PxMm(-16, 7), PxMm(-14, 7)); }},
        {"a selection", {1, 2}, WorkModes::EditObject,
         [](EditToolTest& t) { t.DragAs(MovingSelection, PxMm(8, -8), PxMm(6, -6)); }},
        {"a stretch of one", {2}, WorkModes::EditObject,
         [](EditToolTest& t) { t.DragAs(Stretching, PxMm(8 - 0.8, -8 - 0.8), PxMm(6, -10)); }},
        {"a stretch of two", {1, 3}, WorkModes::EditObject,
         [](EditToolTest& t) {
             const CordRect b = EditSys.StretchBox;
             const Cord h{b.x2 + 8 * 2560, b.y2 + 8 * 2560};
             t.DragAs(Stretching, Px(h), Px(h) + QPoint(20, -10));
         }},
        {"a nudge of one", {3}, WorkModes::EditObject, [](EditToolTest& t) { t.ArrowKey(Qt::Key_Up); }},
        {"a nudge of two", {3, 4}, WorkModes::EditObject, [](EditToolTest& t) { t.ArrowKey(Qt::Key_Left); }},
        {"an inserted point", {1}, WorkModes::EditPoint,
         [](EditToolTest& t) { t.ClickM(PxMm(3, -1.5), {true, true, false}); }},
        {"a removed point", {1}, WorkModes::EditPoint,
         [](EditToolTest& t) { t.ClickM(PxMm(0, 0), {false, true, false}); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Line(LineN, TwoCurves()),
                     TestObject::Area(AreaN, {{8 * Mm, -8 * Mm}, {14 * Mm, -8 * Mm}, {14 * Mm, -2 * Mm}, {8 * Mm, -2 * Mm},
                                              {10 * Mm | 0, -6 * Mm | HoleFlag}, {12 * Mm, -6 * Mm}, {11 * Mm, -4 * Mm}}),
                     Text(-10 * Mm, -10 * Mm, "Hut"),
                     TestObject::Rect(RectN, -16 * Mm, 5 * Mm, -12 * Mm, 9 * Mm)});
        SelectAndStart(r.selection, r.workMode, r.hole);
        CheckUndoRedo([this] { return Snap(); },
                      [&] {
                          r.gesture(*this);
                          ExpectNoLeftovers(r.what);
                      });
        CloseRow();
    }
}

TEST_F(EditingTool, EndingTheToolMidDragLeavesTheObjectsAndNoFeedback)
{
    struct Row {
        const char* what;
        std::vector<int> selection;
        int workMode;
        std::function<QPoint()> press;
    };
    const auto handle0 = [] { return Px({EditSys.StretchBox.x1 - 8 * 2560, EditSys.StretchBox.y1 - 8 * 2560}); };
    const Row rows[] = {
        {"a box", {}, WorkModes::EditObject, [] { return PxMm(-18, -12); }},
        {"a vertex", {1}, WorkModes::EditPoint, [] { return PxMm(0, 0); }},
        {"an object", {1}, WorkModes::EditObject, [] { return PxMm(0, 0); }},
        {"a selection", {1, 2}, WorkModes::EditObject, [] { return PxMm(8, -8); }},
        {"a stretch", {2}, WorkModes::EditObject, handle0},
        {"a stretch of two", {1, 2}, WorkModes::EditObject, handle0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Line(LineN, TwoCurves()),
                     TestObject::Area(AreaN, {{8 * Mm, -8 * Mm}, {14 * Mm, -8 * Mm}, {11 * Mm, -2 * Mm}})});
        SelectAndStart(r.selection, r.workMode);
        const MapSnapshot before = Snap();
        const QPoint press = r.press();
        PressM(press);
        MoveM(press + QPoint(10, 5));
        MoveM(press + QPoint(25, 15));
        EXPECT_NE(EditTool.EditState, EditIdle);
        EndCurrentTool();
        EXPECT_EQ(Snap(), before);
        ExpectNoLeftovers(r.what);
        ReleaseM(press + QPoint(25, 15));
        EXPECT_EQ(Snap(), before);
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

TEST_F(EditingTool, AChangeBeyondTheMapAreaIsRefusedWithABeep)
{
    struct Row {
        const char* what;
        std::vector<int> selection;
        int workMode;
        std::function<void(EditToolTest&)> gesture;
    };
    // A square 7.8 mm wide ending at 51,000,064: stretched to twice its width from its left
    // edge it would end beyond 51,200,000. Line 3 lies at the corner of the area, line 4 a
    // pixel inside its right edge.
    constexpr int32_t Right = 199219 * 256, Left = Right - 782 * 256, Edge = 199984 * 256;
    const auto stretch = [](EditToolTest& t) {
        const CordRect b = EditSys.StretchBox;
        const QPoint at = Px({b.x2 + 8 * 8192, (b.y1 + b.y2) / 2});
        t.DragAs(Stretching, at, at + QPoint(60, 0));
    };
    const Row rows[] = {
        {"stretched by 2 and more", {1}, WorkModes::EditObject, stretch},
        {"two stretched", {1, 2}, WorkModes::EditObject, stretch},
        {"moved out", {1}, WorkModes::EditObject,
         [](EditToolTest& t) { t.DragAs(MovingObject, Px({Right, Mm}), Px({Right, Mm}) + QPoint(60, 0)); }},
        {"two moved out", {1, 2}, WorkModes::EditObject,
         [](EditToolTest& t) { t.DragAs(MovingSelection, Px({Right - Mm, 0}), Px({Right - Mm, 0}) + QPoint(60, 0)); }},
        {"a point moved out", {1}, WorkModes::EditPoint,
         [](EditToolTest& t) { t.DragAs(MovingVertex, Px({Right, Mm}), Px({Right, Mm}) + QPoint(60, 0)); }},
        {"nudged out", {4}, WorkModes::EditObject, [](EditToolTest& t) { t.ArrowKey(Qt::Key_Right); }},
        {"turned out by the tool", {1}, WorkModes::Rotate,
         [](EditToolTest& t) {
             t.ClickM(Px({Left, -30 * Mm}));
             t.Drag(Px({Left, 0}), Px({Right, -30 * Mm}));
         }},
        {"turned out about the origin", {3}, WorkModes::EditObject, [](EditToolTest&) { RotateSelectionBy(45); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        OpenEditMap({TestObject::Area(AreaN, {{Left, -Mm}, {Right, -Mm}, {Right, Mm}, {Left, Mm}}),
                     TestObject::Line(LineN, {{Left, -2 * Mm}, {Right, -2 * Mm}}),
                     TestObject::Line(LineN, {{Left, Right}, {Right, Right}}),
                     TestObject::Line(LineN, {{Edge - Mm, 3 * Mm}, {Edge, 3 * Mm}})});
        S().Zoom = 1;
        S().ViewCenterX = Right - 20 * Mm;
        S().ViewCenterY = 0;
        UpdateViewOf(*view);
        PaintNow(win);
        SelectAndStart(r.selection, r.workMode);
        const MapSnapshot before = Snap();
        r.gesture(*this);
        EXPECT_EQ(beeps, 1);
        EXPECT_EQ(Snap(), before);
        EXPECT_FALSE(CanUndo());
        ExpectNoLeftovers(r.what);
        CloseRow();
    }
}

} // namespace
} // namespace zemo::test
