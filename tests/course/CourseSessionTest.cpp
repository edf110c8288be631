// A course setter's session through the running program: what the Objects tab holds is stored
// however the tab is left; a map saved during a preview holds none of its objects, and opening
// a map removes what an unfinished preview left; damaged courses are named when a map is read;
// the leg length follows undo and redo; the diagram keeps its lines off the labels; the
// Objects tab's rows do not overlap and the panel widens with its dock.
#include "CourseEvent.h"

#include "core/Messages.h"
#include "course/Courses.h"
#include "course/CsPreview.h"
#include "course/Ports.h"
#include "edit/widgets/MdiChild.h"
#include "course/widgets/CoursePanel.h"
#include "course/widgets/CsObjectTab.h"
#include "shell/widgets/Panels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

namespace zemo::test {
namespace {

class CourseSession : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        path = TempPath(QStringLiteral("event.zmd"));
        dialogs.QueueAnswer(true, path);
        Trigger(Cmd::FileSaveAs);
        ASSERT_FALSE(Z().Modified);
        FindPanel();
    }
    void FindPanel()
    {
        Settle();
        panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
        ASSERT_TRUE(panel);
        tab = static_cast<TCsObjectTab*>(panel->findChild<QWidget*>(QStringLiteral("CsObjectTab")));
        ASSERT_TRUE(tab);
    }
    void Reopen(const QString& file)
    {
        Trigger(Cmd::FileClose);
        ASSERT_TRUE(OpenMap(file));
        FindPanel();
    }
    void Page(int page)
    {
        panel->CsPageControl->setCurrentIndex(page);
        Settle();
    }
    void Select(const char* code)
    {
        if (panel->CsPageControl->currentIndex() != CsObjectsPage)
            Page(CsObjectsPage);
        ASSERT_TRUE(tab->isVisible());
        const int row = CsIndex(QLatin1String(code));
        ASSERT_GE(row, 0) << code;
        QListWidgetItem* item = tab->CsObjectB->item(row);
        Click(tab->CsObjectB->viewport(), tab->CsObjectB->visualItemRect(item).center());
        ASSERT_EQ(CsObj.Selected, row);
    }
    static void Type(QWidget* w, const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
        }
    }
    static QString Field(const char* code, char field)
    {
        const int i = CsIndex(QLatin1String(code));
        return i < 0 ? QStringLiteral("?") : GetParamText(Z().CsObjects.Strings(i), QLatin1Char(field));
    }
    void PreviewOf(const char* course)
    {
        Page(CsCoursesPage);
        SelectCourse(CourseIndex(QLatin1String(course)) + 1);
        if (!panel->CoursePreviewBtn->isChecked())
            panel->CoursePreviewBtn->click();
        ASSERT_TRUE(Z().CoursePreviewOn);
    }
    // Stored objects, shown or hidden, and those of the generator's symbols among them.
    static bool Stored(const ObjectIndexEntry& e) { return e.Length != 0 && int16_t(e.Symbol) > 0; }
    static int Live()
    {
        int n = 0;
        for (int i = 1; i <= Z().HighestObject; ++i)
            n += Stored(Z().Entry(i));
        return n;
    }
    static int Generated()
    {
        int n = 0;
        for (int i = 1; i <= Z().HighestObject; ++i) {
            const ObjectIndexEntry& e = Z().Entry(i);
            const int symbol = e.Symbol & ~CourseOnlyMark;
            n += Stored(e) && (symbol == ConnectionLineSymbol || symbol == ControlNumberSymbol);
        }
        return n;
    }
    static int UntouchedLinks()
    {
        int n = 0;
        for (int i = 0; i < Z().CsObjectLinks.Count(); ++i)
            n += Z().CsObjectLinks.Strings(i).startsWith(QLatin1Char('~'));
        return n;
    }

    // The symbol panel's splitter dragged to the left.
    void WidenDock(int by)
    {
        if (by == 0)
            return;
        QWidget* bar = PanelsOf(Frame())->SymSplitter;
        const QPoint at = bar->rect().center();
        Mouse(bar, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(bar, QEvent::MouseMove, at - QPoint(by, 0), Qt::NoButton, Qt::LeftButton);
        Mouse(bar, QEvent::MouseButtonRelease, at - QPoint(by, 0), Qt::LeftButton, Qt::NoButton);
        Settle();
    }

    QString path;
    TCoursePanel* panel = nullptr;
    TCsObjectTab* tab = nullptr;
};

TEST_F(CourseSession, WhatTheObjectsTabHoldsIsStoredHoweverTheTabIsLeft)
{
    // A tab switch: the tab is hidden before the switch is told.

    Select("38");
    Type(tab->CsDescB, QStringLiteral("Watercourse bend"));
    Page(CsCoursesPage);
    EXPECT_EQ(Field("38", 't'), QStringLiteral("Watercourse bend"));
    EXPECT_TRUE(Z().Modified);
    // Saving.
    Page(CsObjectsPage);
    Select("M1");
    tab->CsFunnelB->click();
    Trigger(Cmd::FileSave);
    EXPECT_EQ(Field("M1", 'm'), QStringLiteral("f"));
    EXPECT_FALSE(Z().Modified);
    // Closing: the tick changed the map, which asks and is saved.
    Select("D1");
    tab->CsTextCDB->click();
    messages.QueueAnswer(IdYes);
    Trigger(Cmd::FileClose);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 1);
    ASSERT_TRUE(OpenMap(path));
    EXPECT_EQ(Field("38", 't'), QStringLiteral("Watercourse bend"));
    EXPECT_EQ(Field("M1", 'm'), QStringLiteral("f"));
    EXPECT_EQ(Field("D1", 'o'), QStringLiteral("t"));
    // Fields shown for one object never go into another.
    FindPanel();
    Select("39");
    EXPECT_EQ(tab->CsDescB->text(), QString());
    Page(CsCoursesPage);
    EXPECT_EQ(Field("39", 't'), QString());
    EXPECT_EQ(Field("38", 't'), QStringLiteral("Watercourse bend"));
}

TEST_F(CourseSession, AMapSavedDuringAPreviewHoldsNoneOfItsObjectsAndShowingChangesNothing)
{
    const int live = Live();
    ASSERT_EQ(Generated(), 0);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        PreviewOf("Long");
        EXPECT_GT(Generated(), 10);
        EXPECT_FALSE(Z().Modified);
        Trigger(Cmd::FileSave);
        // The preview is there again after the save.
        EXPECT_TRUE(Z().CoursePreviewOn);
        EXPECT_GT(Generated(), 10);
        EXPECT_FALSE(Z().Modified);
        panel->CoursePreviewBtn->click();
        EXPECT_FALSE(Z().CoursePreviewOn);
        EXPECT_FALSE(Z().Modified);
        messages.Clear();
        Reopen(path);
        EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
        EXPECT_EQ(messages.CountOf(TextKey::PreviewObjectsRemoved), 0);
        EXPECT_EQ(Live(), live);
        EXPECT_EQ(Generated(), 0);
        EXPECT_EQ(UntouchedLinks(), 0);
    }
}

TEST_F(CourseSession, OpeningAMapRemovesWhatAnUnfinishedPreviewLeftWithOneMessage)
{
    const int live = Live();
    PreviewOf("Relay");
    // An older program dropped an untouched link and left its object behind, hidden.
    const int left = Generated();
    ASSERT_GT(left, 10);
    const int orphan = Z().CsObjectLinks.Count() - 1;
    ASSERT_TRUE(Z().CsObjectLinks.Strings(orphan).startsWith(QLatin1Char('~')));
    ClearPString(Z().CsObjectLinks.GetNumber(orphan));
    Z().CsObjectLinks.Delete(orphan);
    // The map file as a crash during the preview leaves it.
    const QString crashed = TempPath(QStringLiteral("crashed.zmd"));
    WriteSetup();
    Z().WorkFile.Flush();
    ASSERT_TRUE(QFile::copy(Z().WorkFile.FileName(), crashed));
    panel->CoursePreviewBtn->click();
    messages.SetDefaultAnswer(IdNo);
    Trigger(Cmd::FileClose);
    messages.Clear();
    ASSERT_TRUE(OpenMap(crashed));
    FindPanel();
    ASSERT_EQ(messages.CountOf(TextKey::PreviewObjectsRemoved), 1);
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_TRUE(MessageText(messages.Last()).contains(QStringLiteral(" %1 ").arg(left)))
        << left << MessageText(messages.Last()).toStdString();
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(Generated(), 0);
    EXPECT_EQ(UntouchedLinks(), 0);
    EXPECT_FALSE(Z().Modified);
    // Put right once: the next read has nothing to say.
    Trigger(Cmd::FileSave);
    messages.Clear();
    Reopen(crashed);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(CourseSession, DamagedCoursesAreNamedWhenTheMapIsRead)
{
    // Flipped bytes merged the start into the climb, and a code names no control; a course
    // not yet set lacks nothing.
    const int i = CourseIndex(QStringLiteral("Long"));
    const QString damaged = QStringLiteral("Long\tE0.50\tC250sS1\tR40\tYn\tc35\tc99\tfF1");
    ASSERT_TRUE(SavePString(Z().Courses.GetNumber(i), damaged));
    AddCourse({QStringLiteral("Fresh")}, {});
    Trigger(Cmd::FileSave);
    messages.Clear();
    Reopen(path);
    ASSERT_EQ(messages.CountOf(TextKey::DamagedCourses), 1);
    const QString shown = MessageText(messages.Last());
    EXPECT_TRUE(shown.contains(QStringLiteral("Long: ") + Text(TextKey::CourseWithoutStart))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(Text(TextKey::ObjectNotFound) + QStringLiteral(" 99")));
    EXPECT_FALSE(shown.contains(Text(TextKey::CourseWithoutFinish)));
    for (const char* sound : {"Short", "Relay", "Solo", "Fresh"})
        EXPECT_FALSE(shown.contains(QLatin1String(sound))) << sound;
    EXPECT_FALSE(Z().Modified);
}

TEST_F(CourseSession, TheLegLengthFollowsDeleteUndoAndRedo)
{
    Page(CsCoursesPage);
    SelectCourse(CourseIndex(QStringLiteral("Short")) + 1);
    const QString whole = panel->CourseLengthB->text();
    ASSERT_TRUE(whole.endsWith(QStringLiteral(" km")));
    // Control 41 sits off the line from 39 to 42: without it the course is shorter.
    ClickCsObjectList(CsIndex(QStringLiteral("41")));
    ASSERT_GT(Index.SelectedIndex, 0);
    Trigger(Cmd::EditDelete);
    Settle();
    const QString shorter = panel->CourseLengthB->text();
    EXPECT_NE(shorter, whole);
    Trigger(Cmd::EditUndo);
    Settle();
    EXPECT_EQ(panel->CourseLengthB->text(), whole);
    Trigger(Cmd::EditRedo);
    Settle();
    EXPECT_EQ(panel->CourseLengthB->text(), shorter);
}

TEST_F(CourseSession, ANewCoursesTitleShowsAtOnce)
{
    Trigger(Cmd::ViewEntire);
    PreviewOf("Short");
    CoursePorts().RunCourseDialog.Bind([](CourseProps& p, int, int, bool) {
        p.Name = QStringLiteral("Night");
        return true;
    });
    panel->CourseNewBtn->click();
    Settle();
    ASSERT_EQ(GetParamName(CurrentCourseText()), QStringLiteral("Night"));
    EXPECT_EQ(panel->CourseSelB->currentText(), QStringLiteral("Night"));
    // The title object says so, and the window shows what a redraw would.
    bool titled = false;
    for (int n = 1; n <= Z().HighestObject; ++n)
        if (EntryLive(Z().Entry(n)) && ReadElement(n, AuxElement2) && AuxElement2.Symbol == TitleSymbol)
            titled = titled || QLatin1String(reinterpret_cast<const char*>(AuxElement2.TextBytes())) == QLatin1String("Night");
    EXPECT_TRUE(titled);
    const QImage shown = ActiveChild()->Surface().copy();
    Trigger(Cmd::ViewRedraw);
    Settle();
    EXPECT_TRUE(ActiveChild()->Surface() == shown);
}

TEST_F(CourseSession, TheRelayDiagramKeepsItsLinesOffTheLabelsAndWidensWithThePanel)
{
    Page(CsCoursesPage);
    SelectCourse(CourseIndex(QStringLiteral("Relay")) + 1);
    const CourseDiagram& d = CsCourses.Diagram;
    ASSERT_FALSE(d.Lines.empty());
    // A label covers its line of the diagram, as wide as its text at 7 pixels a character.
    for (const DiagramText& t : d.Texts) {
        const int half = int(t.Text.size()) * 7 / 2;
        const QRectF box(t.X - half, t.Y - DiagramLine / 2 + 2, 2 * half, DiagramLine - 4);
        for (const DiagramLineSeg& l : d.Lines) {
            const int steps = std::max({std::abs(l.To.x() - l.From.x()), std::abs(l.To.y() - l.From.y()), 1});
            for (int k = 0; k <= steps; ++k) {
                const QPointF p = QPointF(l.From) + (QPointF(l.To) - QPointF(l.From)) * (double(k) / steps);
                EXPECT_FALSE(box.contains(p)) << t.Text.toStdString() << " at " << p.x() << "," << p.y();
            }
        }
    }
    // The dock widened by its splitter: the diagram's view takes the room, no sideways scroll.
    MainFramePanels* panels = PanelsOf(Frame());
    ASSERT_TRUE(panels);
    const int before = panel->CourseScrollB->viewport()->width();
    WidenDock(d.Width);
    EXPECT_GE(panel->CourseScrollB->viewport()->width(), before + d.Width / 2);
    EXPECT_GE(panel->CourseScrollB->viewport()->width(), d.Width);
    EXPECT_FALSE(panel->CourseScrollB->horizontalScrollBar()->isVisible());
}

TEST_F(CourseSession, TheObjectsTabsRowsDoNotOverlapAtAnyWidth)
{
    Select("38");
    MainFramePanels* panels = PanelsOf(Frame());
    ASSERT_TRUE(panels);
    for (int wider : {0, 300}) {
        SCOPED_TRACE(wider);
        WidenDock(wider);
        std::vector<QWidget*> shown;
        for (QWidget* w : {static_cast<QWidget*>(tab->CsDescB), static_cast<QWidget*>(tab->CsObjPropBtn),
                           static_cast<QWidget*>(tab->CsTextCDB), static_cast<QWidget*>(tab->CsFunnelB),
                           static_cast<QWidget*>(tab->CsObjGrid), static_cast<QWidget*>(tab->CsObjectB)})
            if (w->isVisible())
                shown.push_back(w);
        ASSERT_EQ(shown.size(), 4u); // a control: no options
        for (size_t a = 0; a < shown.size(); ++a) {
            const QRect g = shown[a]->geometry();
            EXPECT_TRUE(g.left() >= 0 && g.right() < tab->width()) << shown[a]->objectName().toStdString();
            for (size_t b = a + 1; b < shown.size(); ++b)
                EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
                    << shown[a]->objectName().toStdString() << " " << shown[b]->objectName().toStdString();
        }
        // The button shows its whole caption.
        EXPECT_GE(tab->CsObjPropBtn->width(), tab->CsObjPropBtn->sizeHint().width());
    }
    // The options of a box and of a route share the button's row without touching it.
    for (const char* code : {"D1", "M1"}) {
        Select(code);
        QCheckBox* option = *code == 'D' ? tab->CsTextCDB : tab->CsFunnelB;
        ASSERT_TRUE(option->isVisible());
        EXPECT_FALSE(option->geometry().intersects(tab->CsObjPropBtn->geometry())) << code;
        EXPECT_TRUE(tab->rect().contains(option->geometry())) << code;
    }
}

} // namespace
} // namespace zemo::test
