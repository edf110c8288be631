// Objects, vertices and handles under the cursor; clicks and boxes turned into the selection.
#include "EditFixture.h"

#include "render/Lines.h"

#include <climits>

namespace zemo::test {
namespace {

constexpr int32_t Hole = HoleFlag;

class PickTest : public EditTest {
protected:
    void SetUp() override
    {
        EditTest::SetUp();
        ProgramConfig.WorkMode = WorkModes::EditPoint;
    }
    static Cord At(double xMm, double yMm) { return AtMm(xMm, yMm); }
};

TestMapWriter Base()
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200)};
    w.symbols = {TestSymbol::Area(10), TestSymbol::Line(20, 0, 35),
                 TestSymbol::Point(30, {TestElement::Circle(0, 100)})};
    return w;
}

// A click of the edit tool at p (a box narrower than 10 pixels).
void ToolClick(Cord p)
{
    Work.CursorMapPos = p;
    SelectByRect({p.x, p.y, p.x, p.y});
}

TEST_F(PickTest, RepeatedClicksCycleThroughOverlappingObjectsAndWrap)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Area(10, {{-5 * Mm, -5 * Mm}, {5 * Mm, -5 * Mm}, {5 * Mm, 5 * Mm}, {-5 * Mm, 5 * Mm}}),
                 TestObject::Line(20, {{-6 * Mm, 0}, {6 * Mm, 0}}), TestObject::Point(30, 0, 0)};
    Show(w);
    const int expected[] = {1, 2, 3, 1, 2, 3, 1};
    for (int n : expected) {
        ASSERT_TRUE(PickAt(At(0, 0)));
        EXPECT_EQ(Index.SelectedIndex, n);
    }
    // Where only the area lies, every click finds the area.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PickAt(At(4, 4)));
        EXPECT_EQ(Index.SelectedIndex, 1);
    }
    EXPECT_FALSE(PickAt(At(9, 9)));
}

TEST_F(PickTest, AClickInAHoleSelectsTheHoleAndInTheFillTheWholeArea)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Area(10, {{-10 * Mm, -10 * Mm}, {10 * Mm, -10 * Mm}, {10 * Mm, 10 * Mm},
                                       {-10 * Mm, 10 * Mm}, {-3 * Mm, -3 * Mm | Hole}, {3 * Mm, -3 * Mm},
                                       {3 * Mm, 3 * Mm}, {-3 * Mm, 3 * Mm}})};
    Show(w);
    struct Case {
        Cord at;
        bool hit;
        int hole;
    };
    const Case cases[] = {{At(0, 0), true, 4}, {At(6, 6), true, 0}, {At(-2.5, 2.5), true, 4},
                          {At(-9, 0), true, 0}, {At(12, 0), false, 0}};
    for (const Case& c : cases) {
        Index.SelectedHoleStart = -1;
        EXPECT_EQ(PickAt(c.at), c.hit) << c.at.x << "," << c.at.y;
        if (c.hit) {
            EXPECT_EQ(Index.SelectedHoleStart, c.hole) << c.at.x << "," << c.at.y;
        }
    }
    // Through the edit tool's click the hole stays the selected part of a single selection.
    ToolClick(At(0, 0));
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_EQ(Index.SelectedHoleStart, 4);
    EXPECT_TRUE(EditSys.MarksShown);
}

TEST_F(PickTest, ALineIsHitWithinHalfItsDrawnWidthOrThePickTolerance)
{
    struct Case {
        int16_t width;    // 0.01 mm
        int32_t offset;   // coordinate units off the line
        bool hit;
    };
    // Half of 2 mm is 25600 units, far beyond the 7808 units of the pick tolerance.
    const Case cases[] = {{200, 0, true},      {200, 20224, true}, {200, 25344, true}, {200, 25600, false},
                          {200, -25344, true}, {10, 6912, true},   {10, 7936, false},  {10, 20224, false},
                          {700, 89344, true},  {700, 89600, false}};
    for (const Case& c : cases) {
        TestMapWriter w = Base();
        w.symbols[1] = TestSymbol::Line(20, 0, c.width);
        w.objects = {TestObject::Line(20, {{-8 * Mm, 0}, {8 * Mm, 0}})};
        Show(w);
        ASSERT_EQ(Scale.PickTolerance, 3 * 2560 + 128);
        EXPECT_EQ(PickAt({Masked(Mm), c.offset}), c.hit) << c.width << " at " << c.offset;
        CloseMap();
        ResetPickUnit();
    }
}

TEST_F(PickTest, ACurvedLineIsHitNearTheCurveNotNearItsControlPolygon)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(20, {{0, 0}, {0 | FirstBezierFlag, 10 * Mm}, {10 * Mm | SecondBezierFlag, 10 * Mm},
                                       {10 * Mm, 0}})};
    Show(w);
    ASSERT_TRUE(PickAt(At(5, 7.5)));
    EXPECT_EQ(Pick.HitSegment, 0);
    EXPECT_NEAR(Pick.HitT, 0.5, 0.01);
    EXPECT_FALSE(PickAt(At(5, 5)));
    EXPECT_FALSE(PickAt(At(2, 9.8)));
    EXPECT_TRUE(PickAt(At(10, 0.1)));
}

TEST_F(PickTest, ProtectedAndHiddenObjectsAreNeverPicked)
{
    TestMapWriter w = Base();
    TestSymbol protectedLine = TestSymbol::Line(40, 0, 100);
    protectedLine.status = 1;
    TestSymbol hiddenArea = TestSymbol::Area(50);
    hiddenArea.status = 2;
    w.symbols.push_back(protectedLine);
    w.symbols.push_back(hiddenArea);
    w.objects = {TestObject::Line(40, {{-6 * Mm, 0}, {6 * Mm, 0}}),
                 TestObject::Area(50, {{-5 * Mm, -5 * Mm}, {5 * Mm, -5 * Mm}, {5 * Mm, 5 * Mm}, {-5 * Mm, 5 * Mm}}),
                 TestObject::Point(30, 4 * Mm, 2 * Mm)};
    Show(w);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(PickAt(At(0, 0)));
    ToolClick(At(0, 0));
    EXPECT_EQ(Index.SelectedIndex, 0);
    // A box round everything takes only the normal point.
    SelectByRect({-7 * Mm, -7 * Mm, 7 * Mm, 7 * Mm});
    EXPECT_EQ(Index.SelectedIndex, 3);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_FALSE(IsSelected(1));
    EXPECT_FALSE(IsSelected(2));
}

TEST_F(PickTest, BoxSelectionFollowsTheSelectMode)
{
    struct Case {
        int mode;
        CordRect box;
        bool line;    // the bent straight line
        bool curve;   // the curve
    };
    const CordRect corner{-Mm, -Mm, Mm, Mm};          // the line's first vertex only
    const CordRect all{-Mm, -Mm, 11 * Mm, 11 * Mm};   // the whole line
    const CordRect ends{-Mm, -Mm, 21 * Mm, Mm};       // both curve ends, not its bulge
    const CordRect control{11 * Mm, 7 * Mm, 13 * Mm, 9 * Mm};  // the curve's first control point only
    const Case cases[] = {{0, corner, true, false}, {1, corner, false, false}, {0, all, true, false},
                          {1, all, true, false},    {0, ends, true, true},     {1, ends, false, false},
                          {0, control, false, false}, {1, control, false, false}};
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(20, {{0, 0}, {10 * Mm, 0}, {10 * Mm, 10 * Mm}}),
                 TestObject::Line(20, {{12 * Mm, 0}, {12 * Mm | FirstBezierFlag, 8 * Mm},
                                       {20 * Mm | SecondBezierFlag, 8 * Mm}, {20 * Mm, 0}})};
    Show(w);
    for (const Case& c : cases) {
        ProgramConfig.SelectMode = c.mode;
        ClearSelection();
        EditSys.MarksShown = EditSys.MultiMarksShown = false;
        SelectByRect(c.box);
        EXPECT_EQ(Index.SelectedIndex == 1 || IsSelected(1), c.line) << "mode " << c.mode << " box to " << c.box.x2;
        EXPECT_EQ(Index.SelectedIndex == 2 || IsSelected(2), c.curve) << "mode " << c.mode << " box to " << c.box.x2;
    }
}

TEST_F(PickTest, ABoxWithOneObjectGivesASingleSelectionAndWithTwoAMultiSelection)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(20, {{0, 0}, {4 * Mm, 0}}), TestObject::Line(20, {{0, 2 * Mm}, {4 * Mm, 2 * Mm}})};
    Show(w);
    SelectByRect({-Mm, -Mm, 5 * Mm, Mm});
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_TRUE(EditSys.MarksShown);
    EXPECT_FALSE(EditSys.MultiMarksShown);
    GetIndex(1);
    EXPECT_EQ(EditSys.StretchBox, Index.CurIndex.Rect);

    // The single object's marks become the first member when the next box adds the second.
    SelectByRect({-Mm, Mm, 5 * Mm, 3 * Mm});
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(Index.SelectionCount, 2);
    EXPECT_TRUE(IsSelected(1) && IsSelected(2));
    EXPECT_TRUE(EditSys.MultiMarksShown);
    EXPECT_FALSE(EditSys.MarksShown);
    GetIndex(1);
    CordRect both = Index.CurIndex.Rect;
    GetIndex(2);
    ExtendRect(both, Index.CurIndex.Rect);
    EXPECT_EQ(EditSys.StretchBox, both);

    // A click on a member of the multi-selection takes it out: one is left, a single selection.
    ToolClick(At(2, 2));
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_TRUE(EditSys.MarksShown);
    EXPECT_FALSE(EditSys.MultiMarksShown);
}

TEST_F(PickTest, ABoxUnderTheCoursePreviewTakesOnlyThePreviewsObjects)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(20, {{0, 0}, {4 * Mm, 0}}), TestObject::Line(20, {{0, Mm}, {4 * Mm, Mm}}),
                 TestObject::Line(20, {{0, 2 * Mm}, {4 * Mm, 2 * Mm}})};
    Show(w);
    zmd->CourseMap = 1;
    zmd->CoursePreviewOn = 1;
    zmd->TaggedObjects = {2};
    SelectByRect({-Mm, -Mm, 5 * Mm, 3 * Mm});
    EXPECT_EQ(Index.SelectedIndex, 2);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_FALSE(IsSelected(1));
    EXPECT_FALSE(IsSelected(3));

    // Two objects caught, neither in the preview: nothing is selected.
    ClearSelection();
    EditSys.MarksShown = false;
    zmd->TaggedObjects = {3};
    SelectByRect({-Mm, -Mm, 5 * Mm, Mm + Mm / 2});
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(Index.SelectionCount, 0);
    EXPECT_FALSE(EditSys.MultiMarksShown);

    // Clicks obey the same filter.
    EXPECT_FALSE(PickAt(At(1, 0)));
    EXPECT_TRUE(PickAt(At(1, 2)));
    EXPECT_EQ(Index.SelectedIndex, 3);
}

TEST_F(PickTest, TheLaterOfOverlappingStretchHandlesWins)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Point(30, 0, 0)};
    Show(w);
    EditSys.StretchShown = true;
    const int32_t e = Masked(SafeRound(8 / Scale.ViewScaleX));
    EditSys.StretchBox = {0, 0, 10 * Mm, 10 * Mm};
    const Cord handles[8] = {{-e, -e}, {5 * Mm, -e}, {10 * Mm + e, -e}, {10 * Mm + e, 5 * Mm},
                             {10 * Mm + e, 10 * Mm + e}, {5 * Mm, 10 * Mm + e}, {-e, 10 * Mm + e}, {-e, 5 * Mm}};
    for (int i = 0; i < 8; ++i) {
        Work.CursorMapPos = {handles[i].x + 2 * 256 * 10, handles[i].y - 2 * 256 * 10};  // 2 pixels off
        EXPECT_TRUE(HitStretchHandle());
        EXPECT_EQ(Pick.HitHandle, i);
    }
    Work.CursorMapPos = {5 * Mm, 5 * Mm};
    EXPECT_FALSE(HitStretchHandle());
    EXPECT_EQ(Pick.HitHandle, -1);

    // A box turned inside out (a mirrored stretch) puts all eight handles on one spot.
    EditSys.StretchBox = {0, 0, -2 * e, -2 * e};
    Work.CursorMapPos = {-e, -e};
    EXPECT_TRUE(HitStretchHandle());
    EXPECT_EQ(Pick.HitHandle, 7);

    EditSys.StretchShown = false;
    EXPECT_FALSE(HitStretchHandle());
}

TEST_F(PickTest, VerticesAreFoundOnlyWhileMarksAreShown)
{
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(20, {{0, 0}, {4 * Mm, 0}, {4 * Mm, 4 * Mm}})};
    Show(w);
    ToolClick(At(2, 0));
    ASSERT_EQ(Index.SelectedIndex, 1);
    ASSERT_TRUE(EditSys.MarksShown);
    EXPECT_TRUE(HitVertex(At(4.1, 3.9), Scale.PickTolerance));
    EXPECT_EQ(Pick.HitVertexIndex, 2);
    EXPECT_FALSE(HitVertex(At(2, 2), Scale.PickTolerance));
    EditSys.MarksShown = false;
    EXPECT_FALSE(HitVertex(At(4, 4), Scale.PickTolerance));
}

TEST_F(PickTest, DistancesStayExactAcrossTheWholeCoordinateRange)
{
    // Two points at opposite ends of the range lie 2^32 - 1 units apart on each axis.
    const Cord lo{SafeRoundMin, SafeRoundMin}, hi{Masked(SafeRoundMax), Masked(SafeRoundMax)};
    const int64_t span = int64_t(Masked(SafeRoundMax)) - SafeRoundMin;
    EXPECT_EQ(FastDistance(lo, hi), span + span / 2);
    EXPECT_EQ(FastDistance(Cord{INT32_MIN & CoordMask, 0}, Cord{INT32_MAX & CoordMask, 0}),
              int64_t(INT32_MAX & CoordMask) - (INT32_MIN & CoordMask));

    // The diagonal of the map area: products of two differences leave 32 bits.
    uint8_t side = 0;
    double t = -1;
    const Cord a{-MapAreaLimit, -MapAreaLimit}, b{MapAreaLimit, MapAreaLimit};
    const int64_t tol = 1 << 20;
    // L = 1.5 x 102400000; the cross product is 1024 x 102400000.
    EXPECT_EQ(SegmentDistance({0, 1024}, a, b, tol, side, t), 683);
    EXPECT_EQ(side, 1);
    EXPECT_DOUBLE_EQ(t, (102400000.0 + 1024) / 204800000.0);
    EXPECT_EQ(SegmentDistance({1024, 0}, a, b, tol, side, t), 683);
    EXPECT_EQ(side, 2);

    // A segment across the whole range, point on it and beside it: no overflow, sound answers.
    EXPECT_EQ(SegmentDistance({0, 0}, lo, hi, tol, side, t), 0);
    EXPECT_EQ(SegmentDistance({0, 256 * 1000}, lo, hi, tol, side, t), 170667);
    // Beyond the end the segment does not answer.
    EXPECT_EQ(SegmentDistance(Cord{Masked(SafeRoundMax), Masked(SafeRoundMax)}, a, b, tol, side, t), 2 * tol);

    const Cord curve[4] = {lo, {lo.x | FirstBezierFlag, hi.y}, {hi.x | SecondBezierFlag, hi.y}, {hi.x, lo.y}};
    double ct = 0;
    uint8_t cs = 0;
    const int64_t far = BezierDistance({0, 0}, curve, tol, ct, cs);
    EXPECT_EQ(far, 2 * tol);
    // The curve's top at t = 1/2 lies at 3/4 of the height.
    const int64_t top = int64_t(SafeRoundMin) + (span / 4) * 3;
    const int64_t near = BezierDistance({0, Masked(int32_t(top))}, curve, tol, ct, cs);
    EXPECT_LT(near, tol);
    EXPECT_NEAR(ct, 0.5, 0.01);
}

TEST_F(PickTest, ObjectsAtTheEdgeOfTheMapAreaArePickedAndBoxed)
{
    const int32_t edge = MapAreaLimit - 100 * 256;
    TestMapWriter w = Base();
    w.objects = {TestObject::Line(20, {{edge - 10 * Mm, edge}, {edge, edge}}),
                 TestObject::Area(10, {{-edge, -edge}, {-edge + 5 * Mm, -edge}, {-edge + 5 * Mm, -edge + 5 * Mm},
                                       {-edge, -edge + 5 * Mm}})};
    Show(w);
    zmd->Setup.ViewCenterX = edge;
    zmd->Setup.ViewCenterY = edge;
    UpdateViewOf(*Work.ActiveView);
    EXPECT_TRUE(PickAt({Masked(edge - 5 * Mm), Masked(edge + 4000)}));
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_FALSE(PickAt({Masked(edge - 5 * Mm), Masked(edge - 20000)}));
    EXPECT_TRUE(PickAt({-edge + Mm, -edge + Mm}));
    EXPECT_EQ(Index.SelectedIndex, 2);
    ClearSelection();
    SelectByRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit});
    EXPECT_EQ(Index.SelectionCount, 2);
}

// A double line 4 mm wide: a left side line 1 mm wide whose centre lies 2.5 mm left of the
// path, a right one 1.5 mm wide at 2 mm + 0.75 mm to the right, and the fill between.
TestSymbol DoubleLineSymbol(int16_t leftWidth = 100, int16_t rightWidth = 150)
{
    TestSymbol s = TestSymbol::Line(40, 0, 0);
    s.SetI16(LsDblMode, 1);
    s.SetI16(LsDblFlags, 1);
    s.SetI16(LsDblWidth, 400);
    s.SetI16(LsDblLeftWidth, leftWidth);
    s.SetI16(LsDblRightWidth, rightWidth);
    s.extent = 400;
    return s;
}

class DoubleLineSideTest : public PickTest {
protected:
    void ShowLine(std::vector<TestCord> cords, TestSymbol sym = DoubleLineSymbol())
    {
        TestMapWriter w = Base();
        w.symbols.push_back(sym);
        w.objects = {TestObject::Line(40, std::move(cords))};
        Show(w);
        ASSERT_TRUE(ReadElement(1, Index.CurElement));
        GetSymbol(Index.CurElement.Symbol, Index.CurSymbol);
    }
    // The side hit at p (0: none), with the outline's hit fields left alone.
    int SideAt(Cord p)
    {
        Pick.HitSegment = 77;
        Pick.HitT = 0.25;
        Pick.HitSide = 1;
        int64_t d = -1;
        const bool hit = HitDoubleLineSide(p, Index.CurElement, d);
        EXPECT_EQ(hit, Pick.DoubleLineSide != 0);
        EXPECT_GE(d, 0);
        EXPECT_EQ(Pick.HitSegment, 77);
        EXPECT_EQ(Pick.HitT, 0.25);
        EXPECT_EQ(Pick.HitSide, 1);
        return Pick.DoubleLineSide;
    }
};

TEST_F(DoubleLineSideTest, AStraightDoubleLineGivesTheSideUnderTheClickWithinItsWidth)
{
    ShowLine({{-8 * Mm, 0}, {8 * Mm, 0}});
    const int32_t left = 64000;    // 2.5 mm: left of a line drawn to the east is north
    const int32_t right = -70400;  // 2.75 mm south
    // Tolerances: the left line's half width 12800 and the right one's 19200, both above the
    // pick tolerance of 7808.
    struct Case {
        int32_t y;
        int side;
    };
    const Case cases[] = {{left, 1},          {left + 12544, 1},  {left + 12800, 0}, {left - 12544, 1},
                          {left - 12800, 0},  {0, 0},             {25600, 0},        {-25600, 0},
                          {right, 2},         {right - 18944, 2}, {right - 19200, 0}, {right + 18944, 2},
                          {right + 19200, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(SideAt({Masked(Mm), c.y}), c.side) << c.y;

    // The side line found is the one the painter strokes, end to end.
    ASSERT_EQ(SideAt({Masked(-3 * Mm), left}), 1);
    const ElementRecord& a = Index.AuxElement2;
    ASSERT_EQ(a.nItem, 2);
    EXPECT_EQ(a.ObjectType, LineObject);
    EXPECT_EQ(a.Symbol, 40);
    EXPECT_EQ(a.Cords()[0], (Cord{-8 * Mm, left}));
    EXPECT_EQ(a.Cords()[1], (Cord{8 * Mm, left}));
    EXPECT_EQ(Pick.SideSegment, 0);
    EXPECT_NEAR(Pick.SideT, 5.0 / 16, 1e-9);
    ASSERT_EQ(SideAt({Masked(7 * Mm), right}), 2);
    EXPECT_EQ(a.Cords()[0], (Cord{-8 * Mm, right}));
    EXPECT_EQ(a.Cords()[1], (Cord{8 * Mm, right}));

    // The distance out is the nearest side's, hit or not.
    int64_t d = 0;
    EXPECT_FALSE(HitDoubleLineSide({0, 0}, Index.CurElement, d));
    EXPECT_GE(d, 12800);
    EXPECT_TRUE(HitDoubleLineSide({0, left + 2560}, Index.CurElement, d));
    EXPECT_EQ(d, 2560);
}

TEST_F(DoubleLineSideTest, NarrowSideLinesAreHitWithinThePickToleranceAndUndrawnOnesNever)
{
    // Left 0.2 mm: its half width 2560 is below the pick tolerance, which counts instead.
    // Right 0: no line is drawn there.
    ShowLine({{-8 * Mm, 0}, {8 * Mm, 0}}, DoubleLineSymbol(20, 0));
    const int32_t left = 53760;  // (400 + 20) / 2 = 2.1 mm
    EXPECT_EQ(SideAt({0, left + 7680}), 1);
    EXPECT_EQ(SideAt({0, left + 7936}), 0);
    EXPECT_EQ(SideAt({0, -51200}), 0);
    EXPECT_EQ(SideAt({0, -51200 - 2560}), 0);

    // A line without a double line has no sides.
    TestSymbol plain = DoubleLineSymbol();
    plain.SetI16(LsDblMode, 0);
    CloseMap();
    ShowLine({{-8 * Mm, 0}, {8 * Mm, 0}}, plain);
    EXPECT_EQ(SideAt({0, 64000}), 0);
}

TEST_F(DoubleLineSideTest, ACurvedDoubleLineGivesTheSideAlongTheCurve)
{
    // Up from the origin, over the top at (5 mm, 7.5 mm) to the east, down to (10 mm, 0).
    ShowLine({{0, 0}, {0 | FirstBezierFlag, 10 * Mm}, {10 * Mm | SecondBezierFlag, 10 * Mm}, {10 * Mm, 0}});
    struct Case {
        double x, y;  // mm
        int side;
    };
    const Case cases[] = {
        {5, 10, 1},     {5, 10.4, 1},  {5, 7.5, 0},   {5, 6.2, 0},  {5, 4.75, 2},  {5, 4.1, 2},
        {-2.5, 1, 1},   {2.75, 1, 2},  {0, 1, 0},     {12.5, 1, 1}, {7.25, 1, 2},  {5, 12, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SideAt(At(c.x, c.y)), c.side) << c.x << ", " << c.y;

    // The side line kept is a curve path from beside the start to beside the end.
    ASSERT_EQ(SideAt(At(5, 10)), 1);
    const ElementRecord& a = Index.AuxElement2;
    ASSERT_GE(a.nItem, 4);
    const Cord first = a.Cords()[0], last = a.Cords()[a.nItem - 1];
    EXPECT_FALSE(first.x & (FirstBezierFlag | SecondBezierFlag));
    EXPECT_FALSE(last.x & (FirstBezierFlag | SecondBezierFlag));
    EXPECT_LE(FastDistance(first, At(-2.5, 0)), 512);
    EXPECT_LE(FastDistance(last, At(12.5, 0)), 512);
    EXPECT_TRUE(a.Cords()[1].x & FirstBezierFlag);
    ASSERT_LT(Pick.SideSegment, int(a.nItem));
    EXPECT_LT(FastDistance(a.Cords()[Pick.SideSegment], At(5, 10)), 4 * Mm);
}

TEST_F(DoubleLineSideTest, ALongSideLineKeepsAWindowRoundTheHit)
{
    // 6000 arches 0.3 mm wide and 5 mm high: the side line has more points than an object may.
    std::vector<TestCord> cords;
    const int arches = 6000;
    const int32_t step = 7680;
    const int32_t x0 = -arches / 2 * step;
    cords.push_back({x0, 0});
    for (int k = 0; k < arches; ++k) {
        const int32_t x = x0 + k * step;
        cords.push_back({x | FirstBezierFlag, 5 * Mm});
        cords.push_back({(x + step) | SecondBezierFlag, 5 * Mm});
        cords.push_back({x + step, 0});
    }
    ShowLine(cords);
    // Above the top of arch 4500 (3.75 mm high) by the left side's 2.5 mm.
    const Cord p{Masked(x0 + 4500 * step + step / 2), Masked(int32_t(6.25 * Mm))};
    ASSERT_EQ(SideAt(p), 1);
    const int whole = Graph.WorkPoints2Count;
    ASSERT_GT(whole, MaxElementItems);
    const ElementRecord& a = Index.AuxElement2;
    EXPECT_LE(int(a.nItem), MaxElementItems);
    EXPECT_LT(int(a.nItem), whole);
    EXPECT_FALSE(a.Cords()[0].x & (FirstBezierFlag | SecondBezierFlag));
    EXPECT_FALSE(a.Cords()[a.nItem - 1].x & (FirstBezierFlag | SecondBezierFlag));
    // The window is the part of the whole side line round the hit.
    const int from = int(std::find(WorkPoints2.begin(), WorkPoints2.begin() + whole, a.Cords()[0]) - WorkPoints2.begin());
    ASSERT_LT(from, whole);
    EXPECT_TRUE(std::equal(a.Cords(), a.Cords() + a.nItem, WorkPoints2.begin() + from));
    EXPECT_GT(from, 0);
    EXPECT_LE(from + int(a.nItem), whole);
    EXPECT_GE(int(a.nItem), MaxElementItems - 4);  // less only the control points cut off
    // The hit piece, counted in the kept side line, passes the click.
    const int k = Pick.SideSegment;
    ASSERT_LT(k + 1, int(a.nItem));
    const int64_t tol = 12800;
    uint8_t side = 0;
    double t = 0;
    const Cord* c = a.Cords() + k;
    const int64_t d = (c[1].x & FirstBezierFlag) ? BezierDistance(p, c, tol, t, side)
                                                  : std::min(SegmentDistance(p, c[0], c[1], tol, side, t),
                                                             FastDistance(p, c[0]));
    EXPECT_LT(d, tol);
}

TEST_F(DoubleLineSideTest, SidesAreFoundAtTheLimitsOfTheMapArea)
{
    // Across the whole map area: every product of two differences leaves 32 bits.
    ShowLine({{-MapAreaLimit, -MapAreaLimit}, {MapAreaLimit, MapAreaLimit}});
    // 2.5 mm to the left of a line to the north-east lies to the north-west: 45255 each way.
    EXPECT_EQ(SideAt({-45312, 45312}), 1);
    EXPECT_EQ(SideAt({49920, -49920}), 2);
    EXPECT_EQ(SideAt({0, 0}), 0);
    EXPECT_EQ(SideAt({MapAreaLimit - 10 * Mm - 45312, MapAreaLimit - 10 * Mm + 45312}), 1);
    ASSERT_EQ(SideAt({-MapAreaLimit + 10 * Mm + 49920, -MapAreaLimit + 10 * Mm - 49920}), 2);
    const ElementRecord& a = Index.AuxElement2;
    ASSERT_EQ(a.nItem, 2);
    EXPECT_LE(FastDistance(a.Cords()[0], {-MapAreaLimit + 49920, -MapAreaLimit - 49920}), 512);
    EXPECT_LE(FastDistance(a.Cords()[1], {MapAreaLimit + 49920, MapAreaLimit - 49920}), 512);

    // A line along the very edge: the left side lies outside the area and is still found.
    CloseMap();
    ShowLine({{MapAreaLimit - 10 * Mm, MapAreaLimit}, {MapAreaLimit, MapAreaLimit}});
    EXPECT_EQ(SideAt({Masked(MapAreaLimit - 5 * Mm), MapAreaLimit + 64000}), 1);
    EXPECT_EQ(SideAt({Masked(MapAreaLimit - 5 * Mm), MapAreaLimit - 70400}), 2);
    EXPECT_EQ(SideAt({Masked(MapAreaLimit - 5 * Mm), MapAreaLimit}), 0);
}

} // namespace
} // namespace zemo::test
