// The main frame of the running program: its menus and toolbars, which commands it offers,
// shortcuts, help, closing and the next start, and files handed over by a second start.
#include "ShellFixture.h"

#include "core/Help.h"
#include "core/LangTexts.h"
#include "core/widgets/QtServices.h"
#include "edit/DrCurve.h"
#include "edit/Work.h"
#include "platform/Settings.h"
#include "shell/HelpRouting.h"
#include "shell/SingleInstance.h"
#include "shell/widgets/ToolIcons.h"
#include "shell/toolbars/widgets/Toolbar97.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QWindow>

// QtGui's own entry for a key typed into a window (the one QtTest uses): the event takes
// the whole way a real key takes, shortcut map included.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k,
                                    Qt::KeyboardModifiers mods, const QString& text = QString(),
                                    bool autorep = false, ushort count = 1);

using namespace zemo;

namespace {
class MainFm : public test::ShellTest {};
} // namespace

TEST_F(MainFm, BuildsTheWholeMenuTreeAndBothToolbarsFromTheTexts)
{
    TMainFm& m = Frame();
    EXPECT_EQ(m.windowTitle(), QStringLiteral("ZEMO "));
    EXPECT_EQ(m.menuBar()->actions().size(), 11);
    EXPECT_EQ(m.Action(Cmd::FileOpen)->text(), Text(TextKey::FileOpen) + QStringLiteral("..."));
    EXPECT_EQ(m.Action(Cmd::OpenBtn)->toolTip(), Text(TextKey::FileOpen).remove(u'&'));
    EXPECT_EQ(m.Action(Cmd::FileExportEps)->parent(), m.Menu(Cmd::FileExport));
    EXPECT_EQ(m.Action(Cmd::FileSave)->property("helpContext").toInt(), 114);
    EXPECT_EQ(m.Action(Cmd::FileSave)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    int separators = 0;
    for (QWidget* w : m.StandardToolbar()->Controls())
        separators += qobject_cast<TToolbarSep97*>(w) != nullptr;
    EXPECT_EQ(separators, 5);
    EXPECT_EQ(m.StandardToolbar()->Controls().size() - 5, 26u) << "26 buttons and 5 separators";
    EXPECT_EQ(m.EditToolbar()->Caption(), Text(TextKey::EditToolbar));
    for (DockPosition p : {DockPosition::Top, DockPosition::Bottom, DockPosition::Left, DockPosition::Right})
        EXPECT_TRUE(m.EditToolbar()->DockableTo(p)) << int(p);
    EXPECT_TRUE(m.SymPopUp()->actions().contains(m.Menu(Cmd::SymbolSelectPop)->menuAction()));
}

TEST_F(MainFm, CommandsAndToolsNotBuiltYetArePresentButDisabled)
{
    ASSERT_TRUE(OpenSample());
    ChooseSymbol(1); // the line: drawn with the curve tool
    TMainFm& m = Frame();
    m.UpdateCommandStates();
    for (Cmd c : {Cmd::EditJoin, Cmd::JoinBtn, Cmd::CutBtn}) {
        ASSERT_NE(m.Action(c), nullptr) << CmdName(c);
        EXPECT_FALSE(m.Action(c)->text().isEmpty()) << CmdName(c);
        EXPECT_FALSE(m.Action(c)->isEnabled()) << CmdName(c);
    }
    for (Cmd c : {Cmd::FileNew, Cmd::FileExit, Cmd::GridBtn, Cmd::CurveBtn, Cmd::StraightBtn,
                  Cmd::FreehandBtn, Cmd::HelpContents, Cmd::HelpMenu, Cmd::HelpToolbar, Cmd::HelpHome,
                  Cmd::EditObjBtn, Cmd::SymbolNew, Cmd::OptionsPref, Cmd::OptionsScales,
                  Cmd::OptionsColorCor, Cmd::HelpMap, Cmd::OptionsOpenGps, Cmd::OptionsCloseGps,
                  Cmd::OptionsAdjGps, Cmd::HelpAbout})
        EXPECT_TRUE(m.Action(c)->isEnabled()) << CmdName(c);
}

TEST_F(MainFm, AShortcutWorksWithoutTheMenuHavingBeenOpened)
{
    Key(&Frame(), Qt::Key_F7);
    EXPECT_EQ(Work.ToolMode, ToolModes::None) << "no map: zoom is disabled";

    // Opening the map is a command: the states follow when it ends, no menu opened.
    ASSERT_TRUE(OpenSample());
    Key(Surface(), Qt::Key_F7);
    EXPECT_EQ(Work.ToolMode, ToolModes::View) << "the view tool frames the zoom";
}

TEST_F(MainFm, ClipboardChangesEnableSymbolPaste)
{
    ASSERT_TRUE(OpenSample());
    const struct {
        std::vector<const char*> formats;
        bool enabled;
    } rows[] = {
        {{"text/plain"}, false},
        {{"application/x-zemo6-symbol"}, true},
        {{"application/x-zemo6-symbol", "application/x-zemo6-object"}, false}, // objects first
    };
    for (const auto& r : rows) {
        auto* mime = new QMimeData;
        for (const char* f : r.formats)
            mime->setData(QLatin1String(f), QByteArray("x"));
        QApplication::clipboard()->setMimeData(mime);
        Settle();
        EXPECT_EQ(Enabled(Cmd::SymbolPaste), r.enabled) << r.formats.back();
    }
}

TEST_F(MainFm, TheClipboardIsReadOnceAfterEachChangeOfIt)
{
    ASSERT_TRUE(OpenSample());
    // Every look at what the clipboard holds, counted.
    struct CountingMime : QMimeData {
        mutable int asked = 0;
        bool hasFormat(const QString& f) const override
        {
            ++asked;
            return QMimeData::hasFormat(f);
        }
        QStringList formats() const override
        {
            ++asked;
            return QMimeData::formats();
        }
    };
    for (const bool symbol : {true, false}) {
        auto* mime = new CountingMime;
        mime->setData(QLatin1String(symbol ? "application/x-zemo6-symbol" : "text/plain"), QByteArray("x"));
        QApplication::clipboard()->setMimeData(mime);
        Settle();
        const int asked = mime->asked;
        EXPECT_GT(asked, 0) << "read after its change";
        // Each command's end and each switch of the tool brings the states up to date.
        for (int i = 0; i < 3; ++i)
            Frame().UpdateCommandStates();
        Trigger(Cmd::EditObjBtn);
        Trigger(Cmd::CurveBtn);
        EXPECT_EQ(mime->asked, asked);
        EXPECT_EQ(Enabled(Cmd::SymbolPaste), symbol);
    }
}

TEST_F(MainFm, ConfiguredShortcutsOfOneKeyReplaceTheDefaultsOnItemAndTwin)
{
    const struct {
        int index; // in the configured texts
        const char* text;
        Cmd item, twin;
        QKeySequence expected;
    } rows[] = {
        {8, "", Cmd::ViewRedraw, Cmd::None, {}},  // F5 by default
        {21, "Ctrl+7", Cmd::SymbolNormal, Cmd::SymbolNormalPop, QKeySequence(Qt::CTRL | Qt::Key_7)},
        {12, "Shift+Nonsense", Cmd::ViewEntire, Cmd::None, {}},
        {9, "Ctrl+K, Ctrl+D", Cmd::ViewMove, Cmd::None, {}},  // two chords: no shortcut
        {10, "F7, F8", Cmd::ViewZoomIn, Cmd::None, {}},
        {11, "Shift+F3", Cmd::ViewZoomOut, Cmd::None, QKeySequence(Qt::SHIFT | Qt::Key_F3)},
    };
    for (const auto& r : rows)
        ProgramConfig.ShortCutTexts[size_t(r.index)] = QString::fromLatin1(r.text);
    Frame().ApplyShortCuts();
    for (const auto& r : rows) {
        EXPECT_EQ(Frame().Action(r.item)->shortcut().toString(), r.expected.toString()) << r.text;
        if (r.twin != Cmd::None) {
            EXPECT_EQ(Frame().Action(r.twin)->shortcut().toString(), r.expected.toString()) << r.text;
        }
    }
    EXPECT_EQ(Frame().Action(Cmd::View1X)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F7)) << "default";
    EXPECT_EQ(Frame().Action(Cmd::SymbolHidePop)->shortcut(), QKeySequence()) << "standard: none";
}

TEST_F(MainFm, F1PrefersTheMenuItemThenTheControlThenTheFrame)
{
    RecordingHelp help;
    ASSERT_TRUE(OpenSample());
    TMainFm& m = Frame();
    QWidget* surface = Surface();
    ASSERT_NE(surface, nullptr);
    QCursor::setPos(surface->mapToGlobal(surface->rect().center()));
    EXPECT_EQ(m.HelpContextForF1(), m.property("helpContext").toInt()) << "the frame's";
    auto* panel = new QWidget(m.MdiArea());
    panel->setProperty("helpContext", 555);
    panel->setGeometry(0, 0, m.MdiArea()->width(), m.MdiArea()->height());
    panel->show();
    panel->raise();
    Settle();
    EXPECT_EQ(m.HelpContextForF1(), 555) << "the control under the pointer";

    QMenu* file = m.Menu(Cmd::FileMnu);
    file->popup(m.mapToGlobal(QPoint(10, 10)));
    Settle();
    file->setActiveAction(m.Action(Cmd::FileSaveAs));
    EXPECT_EQ(m.HelpContextForF1(), 115) << "the open menu's item";
    file->close();
    QMenu* windows = m.Menu(Cmd::WindowMnu);
    windows->popup(m.mapToGlobal(QPoint(50, 50)));
    Settle();
    windows->setActiveAction(m.Action(Cmd::WindowTile));
    EXPECT_EQ(m.HelpContextForF1(), 152) << "an item without context: its menu's";

    // F1 itself goes through the same order.
    Key(windows, Qt::Key_F1);
    ASSERT_EQ(help.Topics().size(), 1u);
    EXPECT_EQ(help.Topics()[0], 152);
    windows->close();
}

TEST_F(MainFm, ClosingIsRefusedWhileACommandRuns)
{
    TMainFm& m = Frame();
    bool closedInside = true;
    ASSERT_TRUE(RunInFrame([&] { closedInside = m.close(); }, "Test"));
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(QFileInfo::exists(Settings::DefaultFilePath())) << "nothing written yet";
    EXPECT_TRUE(m.close()) << "once the command ended";
    EXPECT_TRUE(QFileInfo::exists(Settings::DefaultFilePath()));
}

TEST_F(MainFm, ClosingWritesTheSettingsAndTheNextStartReadsThemBack)
{
    TMainFm& m = Frame();
    m.EditToolbar()->SetDockedTo(m.Dock(3));
    Trigger(Cmd::Smooth2Btn);
    const bool grid = !ProgramConfig.ScreenGrid;
    Trigger(Cmd::GridBtn);
    ProgramConfig.File = QStringLiteral("/maps/open.zmd");
    EXPECT_TRUE(m.close());
    EXPECT_EQ(ProgramConfig.Smoothing, 2);

    DefaultConfig(ProgramConfig);
    Restart();
    TMainFm& again = Frame();
    EXPECT_EQ(ProgramConfig.Smoothing, 2);
    EXPECT_EQ(ProgramConfig.ScreenGrid, grid);
    EXPECT_TRUE(ProgramConfig.File.isEmpty()) << "cleared at close";
    EXPECT_TRUE(again.Action(Cmd::Smooth2Btn)->isChecked());
    EXPECT_EQ(again.Action(Cmd::GridBtn)->isChecked(), grid);
    EXPECT_EQ(again.EditToolbar()->DockedTo(), again.Dock(3)) << "the left dock";
    EXPECT_EQ(again.StandardToolbar()->DockedTo(), again.Dock(1)) << "the top dock";
}

TEST_F(MainFm, ToolButtonsSelectTheToolAndStayInOneGroup)
{
    ASSERT_TRUE(OpenSample());
    ChooseSymbol(1);
    TMainFm& m = Frame();
    Trigger(Cmd::StraightBtn);
    ASSERT_EQ(ProgramConfig.WorkMode, WorkModes::Straight);
    CommandBusy = true;
    Trigger(Cmd::CurveBtn);
    EXPECT_NE(ProgramConfig.WorkMode, WorkModes::Curve) << "dropped while busy";
    EXPECT_FALSE(m.Action(Cmd::CurveBtn)->isChecked()) << "the click's toggle is undone";
    CommandBusy = false;

    ProgramConfig.LineMode = WorkModes::Straight;
    Trigger(Cmd::CurveBtn);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    EXPECT_EQ(ProgramConfig.LineMode, WorkModes::Curve);
    EXPECT_TRUE(m.Action(Cmd::CurveBtn)->isChecked());
    // A second click on the pressed button keeps it down: one button of the group is down.
    Trigger(Cmd::CurveBtn);
    EXPECT_TRUE(m.Action(Cmd::CurveBtn)->isChecked());
    int down = 0;
    for (QWidget* w : m.EditToolbar()->Controls())
        if (auto* b = qobject_cast<TToolbarButton97*>(w))
            down += b->Down();
    EXPECT_EQ(down, 1);
}

TEST_F(MainFm, AHandedOverFileWaitsForTheRunningCommand)
{
    QStringList paths;
    for (const char* name : {"b.zmd", "c.zmd", "d.zmd"})
        paths << WriteSample(QLatin1String(name));
    TMainFm& m = Frame();
    const auto opened = [] { return Index.MapOpen ? DocumentPath(Index.ActiveZmd) : QString(); };
    ASSERT_TRUE(RunInFrame(
        [&] {
            m.HandOff()->Receive(paths[0]);
            Settle();
            EXPECT_TRUE(opened().isEmpty());
            EXPECT_EQ(m.HandOff()->Pending(), QStringList{paths[0]});
        },
        "Test"));
    Settle();
    EXPECT_EQ(opened(), paths[0]);

    PaintBusy = true;
    m.HandOff()->Receive(paths[1]);
    Settle();
    EXPECT_EQ(opened(), paths[0]);
    PaintBusy = false;
    for (int i = 0; i < 30 && opened() != paths[1]; ++i) {
        QThread::msleep(20);
        Settle();
    }
    EXPECT_EQ(opened(), paths[1]) << "picked up once the paint is over";

    m.HandOff()->Receive(paths[2]);
    EXPECT_EQ(opened(), paths[2]) << "idle: opened at once";
}

TEST_F(MainFm, F1WhileTheCurveToolRunsOpensItsPage)
{
    RecordingHelp help;
    ASSERT_TRUE(OpenSample());
    ChooseSymbol(1);
    Trigger(Cmd::CurveBtn);
    ASSERT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    QWidget* surface = Surface();
    ASSERT_NE(surface, nullptr);
    QCursor::setPos(surface->mapToGlobal(surface->rect().center()));
    Click(surface, surface->rect().center()); // the first point
    Key(surface, Qt::Key_F1);
    EXPECT_EQ(help.Topics(), std::vector<int>{CurveHelpContext});
}

TEST_F(MainFm, HelpMenuItemsOpenTheirPagesOfTheShippedHelp)
{
    auto* viewer = dynamic_cast<HelpViewer*>(CurrentHelpService());
    ASSERT_NE(viewer, nullptr) << "the program's own help window";
    struct Case {
        Cmd item;
        const char* page;
    };
    for (Case c : {Case{Cmd::HelpContents, "index.html"}, Case{Cmd::HelpMenu, "menus.html"},
                   Case{Cmd::HelpToolbar, "toolbars.html"}, Case{Cmd::HelpHome, "home.html"}}) {
        Trigger(c.item);
        EXPECT_EQ(QFileInfo(viewer->ShownFile()).fileName(), QLatin1String(c.page)) << CmdName(c.item);
    }
    EXPECT_EQ(messages.Count(), 0) << "every page is there";
    viewer->Window()->close();
}

TEST_F(MainFm, TheHelpWindowStaysUsableWhileTheBoxThatOpenedItIsUp)
{
    auto* viewer = dynamic_cast<HelpViewer*>(CurrentHelpService());
    ASSERT_NE(viewer, nullptr);
    QDialog box(&Frame());
    int keys = 0;
    QTimer::singleShot(0, &box, [&] {
        ShowHelp(MenuHelpContext);
        Settle(3);
        QWidget* help = viewer->Window();
        ASSERT_NE(help, nullptr);
        // A key typed into the help window reaches it: no modal box blocks it.
        struct Counter : QObject {
            int* n;
            bool eventFilter(QObject*, QEvent* e) override
            {
                *n += e->type() == QEvent::KeyPress;
                return false;
            }
        } counter;
        counter.n = &keys;
        help->windowHandle()->installEventFilter(&counter);
        qt_handleKeyEvent(help->windowHandle(), QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        qt_handleKeyEvent(help->windowHandle(), QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
        Settle(3);
        help->windowHandle()->removeEventFilter(&counter);
        box.reject();
    });
    box.exec();
    EXPECT_EQ(keys, 1);
    viewer->Window()->close();
}

TEST_F(MainFm, TheMapMenuOffersToDrawWithTheCurrentSymbolAndItsImage)
{
    ASSERT_TRUE(OpenSample());
    ProgramConfig.ContextMenu = true;
    // The click that activated the window reaches nothing.
    for (int i = 0; i < 50 && ActiveChild()->View().SwallowClick; ++i) {
        QThread::msleep(10);
        Settle(2);
    }
    QAction* draw = Frame().Action(Cmd::WorkDraw);
    const struct {
        int symbol;
        TextKey caption;
        DrawImage image;
    } rows[] = {{0, TextKey::PointObject, DrawImage::Point}, {2, TextKey::Text, DrawImage::Text}};
    for (const auto& r : rows) {
        ChooseSymbol(r.symbol);
        // The item is offered while editing.
        ProgramConfig.WorkMode = WorkModes::EditPoint;
        ASSERT_GT(ProgramConfig.WorkMode, WorkModes::Curve);
        Click(Surface(), Surface()->rect().center(), Qt::RightButton);
        ASSERT_TRUE(Frame().WorkPopUp()->isVisible()) << r.symbol;
        EXPECT_TRUE(draw->isVisible()) << r.symbol;
        EXPECT_EQ(draw->text(), Text(r.caption));
        EXPECT_EQ(draw->icon().pixmap(24).toImage(), DrawImageIcon(r.image).pixmap(24).toImage());
        Frame().WorkPopUp()->close();
    }
}
