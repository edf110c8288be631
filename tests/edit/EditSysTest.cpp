// The edit marks in XOR, their survival across scrolling and painting, the course marks'
// own buffer, and the auto-join of line ends.
#include "EditFixture.h"

#include "render/Grid.h"

#include <cstring>

namespace zemo::test {
namespace {

using EditMarks = EditTest;

// Only axis-parallel lines: their pixels do not depend on where a paint cuts them.
TestMapWriter SquareMap()
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 100, 0, 0)};
    w.symbols = {TestSymbol::Line(10, 0, 40), TestSymbol::Line(20, 1, 90)};
    w.objects.push_back(TestObject::Line(20, {{-9 * Mm, -2 * Mm}, {9 * Mm, -2 * Mm}}));
    w.objects.push_back(TestObject::Line(10, {{-4 * Mm, -7 * Mm}, {-4 * Mm, 7 * Mm}, {5 * Mm, 7 * Mm}}));
    w.objects.push_back(TestObject::Line(10, {{2 * Mm, 1 * Mm}, {2 * Mm, 6 * Mm}}));
    return w;
}

void MakeLine(ElementRecord& e, int16_t symbol, std::initializer_list<Cord> cords, uint8_t type = LineObject)
{
    e = ElementRecord{};
    e.Symbol = symbol;
    e.ObjectType = type;
    e.nItem = uint16_t(cords.size());
    int i = 0;
    for (const Cord& c : cords)
        e.Slots[size_t(i++)] = c;
}

TEST_F(EditMarks, EveryMarkDrawnTwiceLeavesTheImageAsItWas)
{
    OpenMap(SquareMap());
    TMdiChild* w = NewWindow();
    const QImage before = w->Surface().copy();
    ElementRecord& e = Index.CurElement;
    // Anchor, Bezier controls, corner, dash, normal and last vertices; and a hole ring.
    MakeLine(e, 10, {{-5 * Mm, -5 * Mm}, {(-3 * Mm) | FirstBezierFlag, -5 * Mm},
                     {(-2 * Mm) | SecondBezierFlag, -3 * Mm}, {-1 * Mm, (-3 * Mm) | CornerFlag},
                     {1 * Mm, (2 * Mm) | DashFlag}, {3 * Mm, 2 * Mm}, {4 * Mm, 4 * Mm}});
    auto twice = [&](const char* what, const std::function<void()>& draw) {
        draw();
        ReleaseEditDC();
        EXPECT_FALSE(w->Surface() == before) << what << " drew nothing";
        draw();
        ReleaseEditDC();
        EXPECT_TRUE(w->Surface() == before) << what;
    };
    for (int mode : {11, 12}) {
        ProgramConfig.WorkMode = mode;
        twice("line vertices", [&] { MarkElement(e); });
    }
    ProgramConfig.WorkMode = WorkModes::EditPoint;
    twice("draft", [] { MarkDraft(); });
    ElementRecord area;
    MakeLine(area, 10, {{-6 * Mm, -6 * Mm}, {6 * Mm, -6 * Mm}, {6 * Mm, 6 * Mm}, {-1 * Mm, (-1 * Mm) | HoleFlag},
                        {1 * Mm, -1 * Mm}, {0, 1 * Mm}}, AreaObject);
    twice("area", [&] { MarkElement(area); });
    Index.SelectedHoleStart = 3;
    twice("hole ring", [&] { MarkElement(area); });
    Index.SelectedHoleStart = 0;
    ElementRecord text;
    MakeLine(text, 10, {{0, 0}, {-2 * Mm, -1 * Mm}, {2 * Mm, -1 * Mm}, {2 * Mm, 1 * Mm}, {-2 * Mm, 1 * Mm}}, TextObject);
    twice("text frame", [&] { MarkElement(text); });
    ElementRecord rect;
    MakeLine(rect, 10, {{-3 * Mm, -3 * Mm}, {3 * Mm, -3 * Mm}, {3 * Mm, 3 * Mm}, {-3 * Mm, 3 * Mm}}, RectangleObject);
    twice("rectangle", [&] { MarkElement(rect); });
    EditSys.GpsPosition = {1 * Mm, 1 * Mm};
    twice("gps", [] { MarkGps(); EditSys.GpsMarkShown = false; });
    EditSys.AnchorPos = {-2 * Mm, 3 * Mm};
    twice("anchor", [] { MarkAnchor(); });
    EditSys.ScreenWinRect[0] = {-5 * Mm, -4 * Mm};
    EditSys.ScreenWinRect[1] = {6 * Mm, 5 * Mm};
    twice("screen window", [] { MarkScreenWin(); });
    EditSys.CaretPoints = {{30, 30}, {30, 50}};
    twice("caret line", [] { MarkCaret(); });
    EditSys.CaretPoints = {{30, 30}, {40, 30}, {40, 50}, {30, 50}};
    twice("caret box", [] { MarkCaret(); });
    // Frames of a multi-selection and the stretch box of a single one.
    SelectOnly(1);
    ToggleSelection(3);
    twice("multi frames", [] { MarkMulti(0, 0); });
    ClearSelection();
    Index.SelectedIndex = 2;
    ReadElement(2, Index.CurElement);
    ProgramConfig.WorkMode = WorkModes::EditObject;
    ProgramConfig.ObjectStretch = true;
    twice("stretch box", [] { MarkStretch(); });
    // Not in edit-point mode.
    ProgramConfig.WorkMode = WorkModes::EditPoint;
    MarkStretch();
    EXPECT_FALSE(EditSys.StretchShown);
    ReleaseEditDC();
    EXPECT_TRUE(w->Surface() == before);
}

TEST_F(EditMarks, HideScrollAndMarkAgainEqualsAFreshPaintWithTheMarks)
{
    OpenMap(SquareMap());
    TMdiChild* w = NewWindow();
    MapView& v = w->View();
    Index.SelectedIndex = 2;
    ReadElement(2, Index.CurElement);
    MarkElement(Index.CurElement);
    EditSys.GpsPosition = {3 * Mm, -4 * Mm};
    MarkGps();
    ReleaseEditDC();
    for (QPoint step : {QPoint(37, 0), QPoint(0, -23), QPoint(-11, 0)}) {
        ScrollWindowBy(v, step.x(), step.y(), true);
        // Only the uncovered strip is painted.
        const QRect strip = w->UpdateRegion().boundingRect();
        EXPECT_EQ(strip.width() * strip.height(),
                  step.x() ? std::abs(step.x()) * v.ClientHeight : std::abs(step.y()) * v.ClientWidth);
        w->HandlePaintMessage();
        const QImage scrolled = w->Surface().copy();
        PaintNow(w);
        EXPECT_TRUE(scrolled == w->Surface()) << step.x() << "," << step.y();
    }
    // And the marks are really there: hiding them leaves the bare map.
    HideMark();
    ReleaseEditDC();
    EXPECT_TRUE(w->Surface() == DirectPaint(v));
}

TEST_F(EditMarks, ScreenGridDrawnTwiceRestoresTheImage)
{
    OpenMap(SquareMap());
    TMdiChild* w = NewWindow();
    zmd->Setup.PaperGridDistance = 5;
    zmd->Setup.RealWorldCoords = 0;
    const QImage before = w->Surface().copy();
    UpdateViewOf(w->View());
    const GridGeometry g = MakeGridGeometry(zmd->Setup, false);
    {
        PainterDevice dc(&w->Surface());
        DrawScreenGrid(dc, g);
    }
    EXPECT_FALSE(w->Surface() == before);
    {
        PainterDevice dc(&w->Surface());
        DrawScreenGrid(dc, g);
    }
    EXPECT_TRUE(w->Surface() == before);
    // A paint with the grid on draws the same grid over the map.
    ProgramConfig.ScreenGrid = true;
    PaintNow(w);
    {
        PainterDevice dc(&w->Surface());
        DrawScreenGrid(dc, g);
    }
    EXPECT_TRUE(w->Surface() == before);
}

TEST_F(EditMarks, CourseMarksLeaveTheLineBeingDrawnAlone)
{
    OpenMap(SquareMap());
    TMdiChild* w = NewWindow();
    zmd->Courses.AddNumber(QStringLiteral("A\ts1\tc31\tc32\tf2"), 0);
    zmd->CurrentCourse = 0;
    EditPorts().FindCsObject.Bind([](const QString& code) {
        return code == QLatin1String("1") ? 1 : code == QLatin1String("31") ? 2 : code == QLatin1String("32") ? 3 : 3;
    });
    const QImage before = w->Surface().copy();
    ElementRecord& e = Index.CurElement;
    MakeLine(e, 10, {{-1 * Mm, -1 * Mm}, {1 * Mm, 2 * Mm}, {3 * Mm, -2 * Mm}});
    std::vector<Cord> drawn(e.Cords(), e.Cords() + e.nItem);
    ShowCourseMarks();
    ReleaseEditDC();
    EXPECT_FALSE(w->Surface() == before);
    // A repaint draws the marks again: the draft in CurElement must survive it.
    PaintNow(w);
    HideCourseMarks();
    ReleaseEditDC();
    EXPECT_TRUE(w->Surface() == before);
    ASSERT_EQ(e.nItem, 3);
    EXPECT_EQ(e.Symbol, 10);
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), e.Cords()));
}

TEST_F(EditMarks, AutoJoinDoesNotOpenALineItJustClosed)
{
    TestMapWriter m = SquareMap();
    // Another line of the same symbol ends 0.45 mm from the new line's first point.
    m.objects.push_back(TestObject::Line(10, {{-20 * Mm, -Mm / 5}, {-Mm * 2 / 5, -Mm / 5}}));
    OpenMap(m);
    NewWindow();
    ProgramConfig.JoinTolerance = 25;
    ElementRecord& e = Index.CurElement;
    // The symbol's 0.4 mm width widens the tolerance to 0.4 mm... and 0.25 is below it.
    MakeLine(e, 10, {{0, 0}, {-30 * Mm, 40 * Mm}, {-31 * Mm, 41 * Mm}, {Mm * 3 / 10, Mm / 10}});
    JoinMain(0);
    EXPECT_EQ(e.Cords()[3], (Cord{0, 0}));
    EXPECT_EQ(e.Cords()[0], (Cord{0, 0}));

    // Without the self-close the first point does join the other line's end.
    MakeLine(e, 10, {{0, 0}, {-30 * Mm, 40 * Mm}, {-31 * Mm, 41 * Mm}, {20 * Mm, 20 * Mm}});
    JoinMain(0);
    EXPECT_EQ(e.Cords()[0], (Cord{-Mm * 2 / 5, -Mm / 5}));
}

TEST_F(EditMarks, JoinTakesTheNearerEndAndKeepsTheVertexFlags)
{
    TestMapWriter m = SquareMap();
    m.objects.push_back(TestObject::Line(10, {{Mm / 5, 0}, {9 * Mm, 9 * Mm}}));
    m.objects.push_back(TestObject::Line(10, {{9 * Mm, -9 * Mm}, {Mm / 10, Mm / 10}}));
    OpenMap(m);
    NewWindow();
    ElementRecord& e = Index.CurElement;
    MakeLine(e, 10, {{-5 * Mm, 0}, {0, CornerFlag}});
    EXPECT_TRUE(Join(1, 0));
    EXPECT_EQ(e.Cords()[1], (Cord{Mm / 10, Mm / 10 | CornerFlag}));
    // Its own first vertex is no candidate for a line of three points or fewer.
    MakeLine(e, 10, {{0, 0}, {5 * Mm, 0}, {Mm / 10, Mm / 10 - 30 * Mm}});
    EXPECT_FALSE(Join(2, 0));
}

TEST_F(EditMarks, UpdateRectInvalidatesTheDeviceRectangleUnitedWithThePendingOne)
{
    OpenMap(SquareMap());
    TMdiChild* w = NewWindow();
    MapView& v = w->View();
    UpdateViewOf(v);
    const QPoint a = CordToDevice(Cord{-1 * Mm, -1 * Mm}), b = CordToDevice(Cord{1 * Mm, 1 * Mm});
    UpdateRect({-1 * Mm, -1 * Mm, 1 * Mm, 1 * Mm});
    EXPECT_EQ(w->UpdateRegion().boundingRect(),
              QRect(QPoint(a.x() - 2, b.y() - 2), QPoint(b.x() + 1, a.y() + 1)));
    w->HandlePaintMessage();
    v.PendingValid = true;
    v.PendingRect = {0, 0, 5, 5};
    UpdateRect({-1 * Mm, -1 * Mm, 1 * Mm, 1 * Mm});
    EXPECT_EQ(w->UpdateRegion().boundingRect(), QRect(QPoint(0, 0), QPoint(b.x() + 1, a.y() + 1)));
}

TEST(EditSysDirections, FromNorthAndFromEast)
{
    const Cord o{0, 0};
    EXPECT_EQ(LGetDirection(o, {0, Mm}), 0);
    EXPECT_EQ(LGetDirection(o, {0, -Mm}), -1800);
    EXPECT_EQ(LGetDirection(o, {Mm, 0}), -900);
    EXPECT_EQ(LGetDirection(o, {-Mm, 0}), 900);
    EXPECT_EQ(LGetDirection(o, {Mm, Mm}), -450);
    EXPECT_EQ(LGetDirection(o, {3 * 256, -3 * 256}), 0);  // within 0.03 mm: no direction
    EXPECT_EQ(LGetHorDir(o, {Mm, 0}), 0);
    EXPECT_EQ(LGetHorDir(o, {0, Mm}), 900);
    EXPECT_EQ(LGetHorDir(o, {0, -Mm}), -900);
    EXPECT_EQ(LGetHorDir(o, {-Mm, Mm}), 1350);
    ElementRecord e;
    MakeLine(e, 10, {{0, 0}, {1, 0}, {2, HoleFlag}, {3, 0}}, AreaObject);
    EXPECT_EQ(LineItems(e), 2);
}

} // namespace
} // namespace zemo::test
