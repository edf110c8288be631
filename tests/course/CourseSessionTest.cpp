// A course setter's session through the running program: the Objects tab's fields kept however
// the tab is left; no preview object in a saved map, and those an unfinished preview left
// removed on opening; damaged courses named on opening; the leg length after undo and redo;
// the diagram's lines off its labels; the Objects tab without overlaps.
#include "CourseEvent.h"

#include "../support/TestMapReader.h"

#include "core/Messages.h"
#include "core/widgets/OwnControls.h"
#include "course/Courses.h"
#include "course/CsPreview.h"
#include "course/widgets/CoursePanel.h"
#include "course/widgets/CsObjectTab.h"
#include "shell/widgets/Panels.h"

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QRegion>
#include <QScrollArea>
#include <QTabWidget>

namespace zemo::test {
namespace {

class CourseSession : public CourseEventTest {
protected:
    void SetUp() override
    {
        CourseEventTest::SetUp();
        BuildEvent();
        dialogs.QueueAnswer(true, path = TempPath(QStringLiteral("event.zmd")));
        Trigger(Cmd::FileSaveAs);
        Open({});
    }
    // The map opened (none: the one open), the course panel found.
    void Open(const QString& file)
    {
        if (!file.isEmpty()) {
            Trigger(Cmd::FileClose);
            ASSERT_TRUE(OpenMap(file));
        }
        Settle();
        panel = static_cast<TCoursePanel*>(Frame().findChild<QWidget*>(QStringLiteral("CoursePanel")));
        tab = static_cast<TCsObjectTab*>(Frame().findChild<QWidget*>(QStringLiteral("CsObjectTab")));
        ASSERT_TRUE(panel && tab);
    }
    void Page(int page)
    {
        panel->CsPageControl->setCurrentIndex(page);
        Settle();
    }
    void Select(const char* code)
    {
        Page(CsObjectsPage);
        QListWidgetItem* item = tab->CsObjectB->item(CsIndex(QLatin1String(code)));
        ASSERT_TRUE(item) << code;
        Click(tab->CsObjectB->viewport(), tab->CsObjectB->visualItemRect(item).center());
    }
    static QString Field(const char* code, char field)
    {
        return GetParamText(Z().CsObjects.Strings(CsIndex(QLatin1String(code))), QLatin1Char(field));
    }
    void Preview(const char* course)
    {
        Page(CsCoursesPage);
        SelectCourse(CourseIndex(QLatin1String(course)) + 1);
        panel->CoursePreviewBtn->click();
        ASSERT_TRUE(Z().CoursePreviewOn);
    }
    // Stored objects, shown or hidden; those of the generator's lines and numbers.
    static int Stored(bool generated)
    {
        int n = 0;
        for (int i = 1; i <= Z().HighestObject; ++i) {
            const ObjectIndexEntry& e = Z().Entry(i);
            const int symbol = e.Symbol & ~CourseOnlyMark;
            n += e.Length != 0 && int16_t(e.Symbol) > 0
                 && (!generated || symbol == ConnectionLineSymbol || symbol == ControlNumberSymbol);
        }
        return n;
    }

    QString path;
    TCoursePanel* panel = nullptr;
    TCsObjectTab* tab = nullptr;
};

TEST_F(CourseSession, WhatTheObjectsTabHoldsIsStoredHoweverTheTabIsLeft)
{
    Select("38");
    for (QChar c : QStringLiteral("Watercourse bend")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(tab->CsDescB, &key);
    }
    Page(CsCoursesPage); // the tab is hidden before the switch is told
    EXPECT_EQ(Field("38", 't'), QStringLiteral("Watercourse bend"));
    Select("M1");
    tab->CsFunnelB->click();
    Trigger(Cmd::FileSave);
    EXPECT_FALSE(Z().Modified);
    Select("D1");
    tab->CsTextCDB->click();
    messages.QueueAnswer(IdYes); // closing asks about the tick, and saves it
    Open(path);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 1);
    EXPECT_EQ(Field("38", 't'), QStringLiteral("Watercourse bend"));
    EXPECT_EQ(Field("M1", 'm'), QStringLiteral("f"));
    EXPECT_EQ(Field("D1", 'o'), QStringLiteral("t"));
    // The fields of one object never go into another.
    Select("39");
    Page(CsCoursesPage);
    EXPECT_EQ(Field("39", 't'), QString());
}

TEST_F(CourseSession, ListChangesUnderTheObjectsTabNeverPutItsFieldsIntoAnotherObject)
{
    const auto type = [this](const QString& text) {
        for (QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(tab->CsDescB, &key);
        }
    };
    const auto holders = [](const QString& text) {
        QStringList codes;
        for (int i = 0; i < Z().CsObjects.Count(); ++i)
            if (GetParamText(Z().CsObjects.Strings(i), QLatin1Char('t')) == text)
                codes << CsObjectCode(Z().CsObjects.Strings(i));
        return codes;
    };

    // A rename that moves the object from the middle of the list to its end: 39 takes its row.
    Select("38");
    const int row = CsObj.Selected;
    type(QStringLiteral("Thicket"));
    {
        CodeDialogSeen seen;
        const CodeDialogAnswer answer({QStringLiteral("99")}, seen);
        tab->CsObjPropBtn->click();
        ASSERT_TRUE(seen.shown);
    }
    Settle();
    ASSERT_EQ(CsObjectCode(Z().CsObjects.Strings(row)), QStringLiteral("39"));
    EXPECT_EQ(CsObjectCode(SelectedCsRecord()), QStringLiteral("99"));
    EXPECT_EQ(tab->CsDescB->text(), QStringLiteral("Thicket"));
    type(QStringLiteral(" edge"));
    Page(CsCoursesPage);
    EXPECT_EQ(holders(QStringLiteral("Thicket edge")), QStringList{QStringLiteral("99")});
    EXPECT_EQ(Field("39", 't'), QString());

    // Undo of the object the tab was filled for, while its typed text was not yet stored.
    Page(CsObjectsPage);
    ASSERT_GT(Store(ControlSymbol, MmPoint{200, 200}, {QStringLiteral("100")}), 0);
    Settle();
    ASSERT_EQ(CsObjectCode(SelectedCsRecord()), QStringLiteral("100"));
    type(QStringLiteral("Fence corner"));
    Trigger(Cmd::EditUndo);
    ASSERT_EQ(ObjectOf(QStringLiteral("100")), 0);
    ASSERT_EQ(CsIndex(QStringLiteral("100")), -1);
    // The tab shows what the list now selects, and leaving it stores nothing elsewhere.
    type(QStringLiteral("!"));
    Page(CsCoursesPage);
    EXPECT_TRUE(holders(QStringLiteral("Fence corner")).isEmpty());
    EXPECT_TRUE(holders(QStringLiteral("Fence corner!")).isEmpty());
    // Redo brings the object back with what was typed for it, and nothing else with it.
    Trigger(Cmd::EditRedo);
    ASSERT_GE(CsIndex(QStringLiteral("100")), 0);
    const QStringList fence = holders(QStringLiteral("Fence corner"));
    EXPECT_TRUE(fence.isEmpty() || fence == QStringList{QStringLiteral("100")}) << fence.join(u',').toStdString();
    EXPECT_EQ(holders(QStringLiteral("Thicket edge")), QStringList{QStringLiteral("99")});
}

TEST_F(CourseSession, SavedMapsHoldNoPreviewObjectsAndOpeningRemovesThoseLeftBehind)
{
    const int stored = Stored(false);
    for (int round = 1; round <= 2; ++round) {
        Preview("Long");
        EXPECT_GT(Stored(true), 10);
        Trigger(Cmd::FileSave);
        EXPECT_TRUE(Z().CoursePreviewOn); // built again after the save
        // Ended by its button, then by the close: showing is no change, nor is ending.
        if (round == 1) {
            panel->CoursePreviewBtn->click();
            EXPECT_FALSE(Z().Modified);
        }
        Open(path);
        EXPECT_EQ(messages.Count(), 0) << round;
        EXPECT_EQ(Stored(false), stored) << round;
    }
    // A crash during a preview, after an older program had dropped one untouched link.
    Preview("Relay");
    const int left = Stored(true);
    const int last = Z().CsObjectLinks.Count() - 1;
    ClearPString(Z().CsObjectLinks.GetNumber(last));
    Z().CsObjectLinks.Delete(last);
    WriteSetup();
    Z().WorkFile.Flush();
    const QString crashed = TempPath(QStringLiteral("crashed.zmd"));
    ASSERT_TRUE(QFile::copy(Z().WorkFile.FileName(), crashed));
    messages.SetDefaultAnswer(IdNo);
    Open(crashed);
    ASSERT_EQ(messages.Count(), 2); // the question about the map closed unsaved, and one report
    EXPECT_EQ(messages.Last().key, TextKey::PreviewObjectsRemoved);
    EXPECT_EQ(messages.Last().params, crashed + QStringLiteral(";%1").arg(left));
    EXPECT_EQ(Stored(false), stored);
    EXPECT_FALSE(Z().Modified);
}

TEST_F(CourseSession, SavingDuringAPreviewWritesNothingOfIt)
{
    // What a saved map holds: its objects and strings with their contents, not their places.
    const auto held = [this] {
        const ReadMap m = ReadMapFile(QFile::encodeName(path).toStdString());
        EXPECT_TRUE(m.Sound()) << m.Problems();
        QStringList items;
        for (const ReadObject& o : m.objects) {
            QString item = QStringLiteral("object %1 symbol %2:").arg(o.number).arg(o.symbol);
            for (const TestCord& c : o.cords)
                item += QStringLiteral(" %1,%2").arg(c.x).arg(c.y);
            items << item + u' ' + QString::fromStdString(o.Text8());
        }
        for (const ReadString& t : m.strings)
            items << QStringLiteral("string %1 of %2: ").arg(t.type).arg(t.object) + QString::fromStdString(t.text);
        items.sort();
        return items;
    };
    const auto bytes = [this] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // A link text that nothing refers to would stand in the file as it was written.
    const auto links = [](const QByteArray& b) {
        return b.count("~Long") + b.count("~Relay") + b.count("~Short");
    };
    Trigger(Cmd::FileSave);
    const QByteArray off = bytes();
    const QStringList offHeld = held();
    ASSERT_GT(off.size(), 0);
    Preview("Long");
    for (const char* course : {"Long", "Relay", "Short", "Long"}) {
        SCOPED_TRACE(course);
        SelectCourse(CourseIndex(QLatin1String(course)) + 1);
        ASSERT_TRUE(Z().CoursePreviewOn);
        for (int save = 0; save < 2; ++save) {
            Trigger(Cmd::FileSave);
            ASSERT_TRUE(Z().CoursePreviewOn); // built again after the save
            const QByteArray on = bytes();
            EXPECT_LE(on.size(), off.size());
            EXPECT_EQ(links(on), 0);
            EXPECT_EQ(held(), offHeld);
        }
    }
    // Switched off and saved: the map as saved before any preview.
    panel->CoursePreviewBtn->click();
    ASSERT_FALSE(Z().CoursePreviewOn);
    Trigger(Cmd::FileSave);
    EXPECT_LE(bytes().size(), off.size());
    EXPECT_EQ(links(bytes()), 0);
    EXPECT_EQ(held(), offHeld);
}

TEST_F(CourseSession, OneObjectLeftBehindIsReportedInTheSingular)
{
    // A start and a finish: the preview's one stored object is the line between them.
    AddCourse({QStringLiteral("Pair")}, Sequence({"sS1", "fF1"}));
    Trigger(Cmd::FileSave);
    Preview("Pair");
    ASSERT_EQ(Stored(true), 1);
    WriteSetup();
    Z().WorkFile.Flush();
    const QString crashed = TempPath(QStringLiteral("crashed.zmd"));
    ASSERT_TRUE(QFile::copy(Z().WorkFile.FileName(), crashed));
    messages.SetDefaultAnswer(IdNo);
    Open(crashed);
    ASSERT_EQ(messages.Last().key, TextKey::PreviewObjectRemoved);
    EXPECT_EQ(MergeMsgParams(Text(messages.Last().key), messages.Last().params),
              QStringLiteral("The map %1 held 1 object that a course preview had made and left behind. It has been "
                             "removed.").arg(crashed));
}

TEST_F(CourseSession, DamagedCoursesAreNamedWhenTheMapIsRead)
{
    // Flipped bytes merged the start into the climb; a code names no control. A course not
    // yet set lacks nothing.
    SavePString(Z().Courses.GetNumber(CourseIndex(QStringLiteral("Long"))),
                QStringLiteral("Long\tE0.50\tC250sS1\tR40\tYn\tc35\tc99\tfF1"));
    AddCourse({QStringLiteral("Fresh")}, {});
    Trigger(Cmd::FileSave);
    Open(path);
    ASSERT_EQ(messages.CountOf(TextKey::DamagedCourses), 1);
    EXPECT_EQ(MessageText(messages.Last()), Text(TextKey::DamagedCourses) + QStringLiteral(" \r\nLong: ")
                                                + Text(TextKey::CourseWithoutStart) + u' '
                                                + Text(TextKey::ObjectNotFound) + QStringLiteral(" 99"));
}

TEST_F(CourseSession, TheLegLengthFollowsDeleteUndoAndRedo)
{
    Page(CsCoursesPage);
    SelectCourse(CourseIndex(QStringLiteral("Short")) + 1);
    const QString whole = panel->CourseLengthB->text();
    ClickCsObjectList(CsIndex(QStringLiteral("41"))); // off the line from 39 to 42
    Trigger(Cmd::EditDelete);
    const QString shorter = panel->CourseLengthB->text();
    EXPECT_NE(shorter, whole);
    Trigger(Cmd::EditUndo);
    EXPECT_EQ(panel->CourseLengthB->text(), whole);
    Trigger(Cmd::EditRedo);
    EXPECT_EQ(panel->CourseLengthB->text(), shorter);
}

TEST_F(CourseSession, TheDiagramKeepsLinesOffLabelsAndTheObjectsTabHasNoOverlaps)
{
    Page(CsCoursesPage);
    SelectCourse(CourseIndex(QStringLiteral("Relay")) + 1);
    const int view = panel->CourseScrollB->viewport()->width();
    // A label covers its line, 7 pixels a character; every pixel of every line is checked.
    for (const DiagramText& t : CsCourses.Diagram.Texts)
        for (const DiagramLineSeg& l : CsCourses.Diagram.Lines) {
            const QRectF box(t.X - t.Text.size() * 3.5, t.Y - 5, t.Text.size() * 7.0, 10);
            const QPoint d = l.To - l.From;
            const int steps = std::max({std::abs(d.x()), std::abs(d.y()), 1});
            for (int k = 0; k <= steps; ++k)
                ASSERT_FALSE(box.contains(QPointF(l.From) + QPointF(d) * (double(k) / steps))) << t.Text.toStdString();
        }
    // At the default width and 300 pixels wider (the dock's splitter dragged): nothing on the
    // Objects tab overlaps, and the Properties button shows its whole caption.
    for (int wider : {0, 300}) {
        QWidget* bar = PanelsOf(Frame())->SymSplitter;
        DragPoint(bar, bar->rect().center(), bar->rect().center() - QPoint(wider, 0));
        for (const char* code : {"38", "D1", "M1"}) {
            Select(code);
            QRegion taken;
            for (QWidget* w : tab->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (w->isVisible()) {
                    EXPECT_FALSE(taken.intersects(w->geometry())) << code << w->objectName().toStdString();
                    EXPECT_TRUE(w->geometry().left() >= 0 && w->geometry().right() < tab->width());
                    taken += w->geometry();
                }
            EXPECT_GE(tab->CsObjPropBtn->width(), tab->CsObjPropBtn->sizeHint().width());
        }
    }
    // The diagram takes the room the wider panel gives.
    Page(CsCoursesPage);
    EXPECT_GE(panel->CourseScrollB->viewport()->width(), view + 250);
}

// Values typed on the Objects tab for one object, then another object selected by a click in
// the list, by the arrow keys in the list or by a click on the map: the first keeps what was
// typed, the second shows and keeps its own; back on the first, its typed values show again.
TEST_F(CourseSession, ValuesTypedForOneObjectStayWithItWhenAnotherIsSelected)
{
    const auto type = [this](const QString& text) {
        tab->CsDescB->setFocus();
        tab->CsDescB->selectAll();
        for (QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(tab->CsDescB, &key);
        }
    };
    // A control beside the start, both in view at 0.1 mm a pixel.
    ASSERT_GT(Store(ControlSymbol, MmPoint{6, 4}, {QStringLiteral("60")}), 0);
    Settle();
    const auto key = [this](int k) {
        Page(CsObjectsPage);
        tab->CsObjectB->setFocus();
        Key(tab->CsObjectB, k);
        Settle();
    };
    const auto onMap = [this](MmPoint p) {
        Page(CsObjectsPage);
        Trigger(Cmd::EditObjBtn);
        ShowAtTenthMillimetres();
        Click(Surface(), At(p.x, p.y));
        Settle();
    };
    struct Road {
        const char* what;
        const char* a;
        const char* b;
        std::function<void()> toB, toA;
    };
    const Road roads[] = {
        {"a click in the list", "38", "40", [&] { Select("40"); }, [&] { Select("38"); }},
        {"the arrow keys", "41", "42", [&] { key(Qt::Key_Down); }, [&] { key(Qt::Key_Up); }},
        {"a click on the map", "S1", "60", [&] { onMap({6, 4}); }, [&] { onMap({0, 0}); }},
    };
    for (const Road& r : roads) {
        SCOPED_TRACE(r.what);
        const QString own = QStringLiteral("own of ") + QLatin1String(r.b);
        const QString typed = QStringLiteral("typed for ") + QLatin1String(r.a);
        Select(r.b);
        type(own);
        Select(r.a);
        ASSERT_EQ(Field(r.b, 't'), own);
        type(typed);
        r.toB();
        EXPECT_EQ(CsObjectCode(SelectedCsRecord()).toStdString(), r.b);
        EXPECT_EQ(tab->CsObjectB->currentItem()->text().toStdString(), r.b);
        EXPECT_EQ(Field(r.a, 't').toStdString(), typed.toStdString());
        EXPECT_EQ(Field(r.b, 't').toStdString(), own.toStdString());
        EXPECT_EQ(tab->CsDescB->text().toStdString(), own.toStdString());
        r.toA();
        EXPECT_EQ(CsObjectCode(SelectedCsRecord()).toStdString(), r.a);
        EXPECT_EQ(tab->CsDescB->text().toStdString(), typed.toStdString());
        EXPECT_EQ(Field(r.b, 't').toStdString(), own.toStdString());
    }
    // A click on the row the arrow keys reached centres the map on its object, as any click
    // in the list does.
    key(Qt::Key_Down);
    const QString reached = tab->CsObjectB->currentItem()->text();
    ShowAtTenthMillimetres();
    const QPoint before = At(0, 0);
    Select(reached.toLatin1().constData());
    EXPECT_NE(At(0, 0), before);
}

} // namespace
} // namespace zemo::test
