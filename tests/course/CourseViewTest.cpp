// What the map window and the Courses tab show while courses are set: the course's marks come
// and go with the course the tab shows, a new course title is painted whole, and a relay's
// diagram fits the panel it opens in. The window's pixels are compared with a full repaint.
#include "CourseEvent.h"

#include "../support/ImageDiff.h"
#include "course/Courses.h"
#include "course/widgets/CoursePanel.h"
#include "edit/widgets/MdiChild.h"
#include "shell/widgets/Panels.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

namespace zemo::test {
namespace {

class CourseViewTest : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        Settle();
        panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
        ASSERT_TRUE(panel);
        // The whole event in view: 0.8 mm a pixel, centred between start and finish.
        TZmd& z = Z();
        MapView& v = ActiveChild()->View();
        z.Setup.Zoom = 0.4;
        z.Setup.ViewCenterX = 0;
        z.Setup.ViewCenterY = 180 * CsMm;
        Trigger(Cmd::ViewRedraw);
        UpdateViewOf(v);
        if (v.SwallowClick)
            Click(Surface(), {2, 2});
    }

    QImage Shown() const { return ActiveChild()->Surface().copy(); }
    // The window painted anew (View > Redraw, F5).
    QImage Repainted()
    {
        Trigger(Cmd::ViewRedraw);
        Settle();
        return Shown();
    }
    void Page(int page)
    {
        panel->CsPageControl->setCurrentIndex(page);
        Settle();
    }
    void Course(const QString& name)
    {
        const int item = CourseIndex(name) + 1;
        ASSERT_GT(item, 0);
        panel->CourseSelB->setCurrentIndex(item);
        Q_EMIT panel->CourseSelB->activated(item);
        Settle();
        ASSERT_EQ(CurrentCourseText().section(u'\t', 0, 0), name);
    }
    static std::string Where(const QImage& a, const QImage& b)
    {
        const QRect r = DifferingPixels(a, b);
        return QStringLiteral("differ in %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
    }

    TCoursePanel* panel = nullptr;
};

TEST_F(CourseViewTest, TheCoursesMarksComeAndGoWithTheCourseTheTabShows)
{
    Page(CsObjectsPage);
    const QImage plain = Repainted();
    Page(CsCoursesPage);
    Course(QStringLiteral("Short"));
    const QImage shortMarks = Shown();
    EXPECT_NE(shortMarks, plain) << "the legs are marked";
    EXPECT_EQ(shortMarks, Repainted()) << Where(shortMarks, Repainted());
    // Another course: its legs only.
    Course(QStringLiteral("Long"));
    const QImage longMarks = Shown();
    EXPECT_NE(longMarks, shortMarks);
    EXPECT_EQ(longMarks, Repainted()) << Where(longMarks, Repainted());
    // Leaving the tab takes them away.
    Page(CsObjectsPage);
    EXPECT_EQ(Shown(), plain) << Where(Shown(), plain);
    // And coming back shows the course the list kept.
    Page(CsCoursesPage);
    EXPECT_EQ(Shown(), longMarks) << Where(Shown(), longMarks);
}

TEST_F(CourseViewTest, ANewCourseTitleIsPaintedWhole)
{
    Page(CsObjectsPage);
    SetCurrentSymbolPos(SymbolPos(TitleSymbol));
    Trigger(Cmd::CurveBtn);
    ASSERT_EQ(Work.ToolMode, ToolModes::PlaceText);
    const QImage before = Repainted();
    CodeDialogSeen seen;
    {
        const CodeDialogAnswer answer({}, seen);
        Click(Surface(), At(-40, 30));
    }
    Settle();
    ASSERT_TRUE(seen.shown);
    const int title = ObjectOf(seen.proposed);
    ASSERT_GT(title, 0);
    const QImage placed = Shown();
    EXPECT_NE(placed, before);
    EXPECT_EQ(placed, Repainted()) << Where(placed, Repainted());
}

TEST_F(CourseViewTest, ARelaysDiagramFitsThePanelItOpensWith)
{
    // Two legs, S1, a team variation, a leg variation, F1: four columns at the standard
    // spacing, wider than the panel's diagram at its opening width.
    AddCourse({QStringLiteral("Duo"), 0, 0, 3, CourseKind::Relay, 2, 101, 103},
              Sequence({"sS1", "c46", "r2", "v", "c47", "v", "c49", "q", "c50", "l", "b1", "c51", "b2", "c55", "p",
                        "fF1"}));
    Page(CsCoursesPage);
    QScrollArea* box = panel->CourseScrollB;
    const QFontMetrics fm(panel->CoursePaintB->font());
    Course(QStringLiteral("Duo"));
    const QString duo = CurrentCourseText();
    const int standard = LayoutCourse(duo, {CaretEndClick, CaretEndClick}).Width;
    ASSERT_GT(standard, box->viewport()->width());
    const auto check = [&] {
        const CourseDiagram& d = CsCourses.Diagram;
        EXPECT_FALSE(box->horizontalScrollBar()->isVisible()) << d.Width << " in " << box->viewport()->width();
        // Every code and leg number within the visible width, leg 2's too.
        bool leg2 = false;
        for (const DiagramText& t : d.Texts) {
            const int right = panel->CoursePaintB->mapTo(box->viewport(), QPoint(t.X, t.Y)).x()
                              + fm.horizontalAdvance(t.Text) / 2;
            EXPECT_LE(right, box->viewport()->width()) << t.Text.toStdString();
            leg2 = leg2 || (t.Blue && t.Text == u"2");
        }
        EXPECT_TRUE(leg2);
        // Codes keep apart: no two texts of one line overlap.
        for (const DiagramText& a : d.Texts)
            for (const DiagramText& b : d.Texts)
                if (&a != &b && a.Y == b.Y && a.X < b.X)
                    EXPECT_LE(a.X + fm.horizontalAdvance(a.Text) / 2, b.X - fm.horizontalAdvance(b.Text) / 2)
                        << a.Text.toStdString() << " " << b.Text.toStdString();
    };
    {
        SCOPED_TRACE("at the opening width");
        check();
    }
    // A click in the fitted diagram places the caret where it shows: on 55, leg 2's branch.
    for (const DiagramText& t : CsCourses.Diagram.Texts)
        if (t.Text == QLatin1String("55"))
            Click(panel->CoursePaintB, QPoint(t.X, t.Y + DiagramLine / 2));
    Settle();
    EXPECT_EQ(CsCourses.Diagram.CaretLegs, QStringLiteral("2"));
    // The panel made wider (the dock's splitter dragged): the standard spacing comes back.
    QWidget* bar = PanelsOf(Frame())->SymSplitter;
    DragPoint(bar, bar->rect().center(), bar->rect().center() - QPoint(300, 0));
    Settle();
    ASSERT_GT(box->viewport()->width(), standard + 8);
    {
        SCOPED_TRACE("wider");
        check();
        EXPECT_EQ(CsCourses.Diagram.Width, standard);
        EXPECT_EQ(CsCourses.Diagram.CaretLegs, QStringLiteral("2"));
    }
}

// The event's relay of three legs (a team variation of three branches, a leg variation with a
// team variation inside, another team variation), and the same after a dozen controls whose
// running numbers take three characters, at the panel's opening width: everything the diagram
// paints, caret strokes included, lies inside the panel's visible part and its texts keep
// apart, with the caret at the end and on each branch's codes.
TEST_F(CourseViewTest, AThreeLegRelaysDrawingLiesInsideThePanelAtItsOpeningWidth)
{
    QString longer = Sequence({"sS1"});
    for (int code = 31; code <= 42; ++code)
        longer += QStringLiteral("\tc") + QString::number(code);
    longer += RelayRun().mid(RelayRun().indexOf(QStringLiteral("\tc46")));
    AddCourse({QStringLiteral("Relay12"), 0, 0, 20, CourseKind::Relay, 3, 1, 20}, longer);
    Page(CsCoursesPage);
    QScrollArea* box = panel->CourseScrollB;
    TCoursePaint* paint = panel->CoursePaintB;
    const QColor background = paint->palette().color(QPalette::Base);
    const QFontMetrics fm(paint->font());
    const auto check = [&](const std::string& where) {
        SCOPED_TRACE(where);
        Settle();
        EXPECT_FALSE(box->horizontalScrollBar()->isVisible()) << CsCourses.Diagram.Width << " in " << box->viewport()->width();
        const QImage img = paint->grab().toImage();
        int right = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != background)
                    right = std::max(right, x);
        ASSERT_GE(right, 0) << "nothing drawn";
        EXPECT_LT(paint->mapTo(box->viewport(), QPoint(right, 0)).x(), box->viewport()->width()) << "drawn to " << right;
        EXPECT_GE(paint->mapTo(box->viewport(), QPoint(0, 0)).x(), 0);
        for (const DiagramText& a : CsCourses.Diagram.Texts)
            for (const DiagramText& b : CsCourses.Diagram.Texts)
                if (&a != &b && a.Y == b.Y && a.X < b.X) {
                    EXPECT_LT(a.X + fm.horizontalAdvance(a.Text) / 2, b.X - fm.horizontalAdvance(b.Text) / 2)
                        << a.Text.toStdString() << " " << b.Text.toStdString();
                }
    };
    for (const char* course : {"Relay", "Relay12"}) {
        Course(QString::fromLatin1(course));
        check(std::string(course) + ", caret at the end");
        for (const char* code : {"47", "48", "49", "51", "52", "53", "55", "44", "45"}) {
            QPoint at(-1, -1);
            for (const DiagramText& t : CsCourses.Diagram.Texts)
                if (t.Text == QLatin1String(code) && !t.Blue)
                    at = {t.X, t.Y + DiagramLine / 2};
            ASSERT_GE(at.x(), 0) << code;
            Click(paint, at);
            check(std::string(course) + ", caret on " + code);
            EXPECT_EQ(CsCourses.Diagram.CaretAt.x(), at.x()) << course << " " << code;
        }
    }
}

} // namespace
} // namespace zemo::test
