#include "core/Config.h"
#include "core/LangTexts.h"
#include "platform/Settings.h"
#include "shell/CommandFrame.h"
#include "shell/HelpRouting.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QThread>
#include <QToolBar>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

// QtGui's own entry for a key typed into a window (the one QtTest uses): the event takes
// the whole way a real key takes, shortcut map included.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k,
                                    Qt::KeyboardModifiers mods, const QString& text = QString(),
                                    bool autorep = false, ushort count = 1);

using namespace zemo;

namespace {

class MainFmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_STATE_HOME", dir.filePath(QStringLiteral("state")).toUtf8());
        ASSERT_TRUE(LoadTexts());
        ResetCommandFrame();
        ClearShellStateSources();
        DefaultConfig(ProgramConfig);
        FirstPaintPending = true;
    }
    void TearDown() override
    {
        fm.reset();
        ResetCommandFrame();
        ClearShellStateSources();
        SetShowHelpHook({});
        SetActiveHelpContextHook({});
        SetOpenMapHook({});
    }
    TMainFm& Make(bool readConfig = true)
    {
        fm = std::make_unique<TMainFm>(TMainFm::Options{readConfig});
        return *fm;
    }
    static void Settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    QTemporaryDir dir;
    std::unique_ptr<TMainFm> fm;
};

ShellStateSource MapWith(int selected, int type)
{
    return [selected, type](ShellState& s) {
        s.mapOpen = true;
        s.selectedIndex = selected;
        s.selectionCount = selected > 0 ? 1 : 0;
        s.objectType = type;
    };
}

} // namespace

TEST_F(MainFmTest, BuildsTheWholeMenuTreeAndBothToolbarsFromTheTexts)
{
    SetText(TextKey::FileOpen, "&Open");
    TMainFm& m = Make();
    EXPECT_EQ(m.windowTitle(), QStringLiteral("ZEMO "));
    EXPECT_EQ(m.menuBar()->actions().size(), 11);
    EXPECT_EQ(m.Action(Cmd::FileOpen)->text(), QStringLiteral("&Open..."));
    EXPECT_EQ(m.Action(Cmd::OpenBtn)->toolTip(), QStringLiteral("Open"));
    EXPECT_EQ(m.Action(Cmd::FileExportEps)->parent(), m.Menu(Cmd::FileExport));
    EXPECT_EQ(m.Action(Cmd::FileSave)->property("helpContext").toInt(), 114);
    EXPECT_EQ(m.Action(Cmd::FileSave)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(m.StandardToolbar()->actions().size() - 5, 26) << "26 buttons and 5 separators";
    EXPECT_EQ(m.EditToolbar()->windowTitle(), Text(TextKey::EditToolbar));
    EXPECT_EQ(m.EditToolbar()->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_TRUE(m.SymPopUp()->actions().contains(m.Menu(Cmd::SymbolSelectPop)->menuAction()));
}

TEST_F(MainFmTest, ItemsWithoutAWorkerArePresentButDisabled)
{
    AddShellStateSource(MapWith(3, 2));
    TMainFm& m = Make();
    for (Cmd c : {Cmd::FileNew, Cmd::FileSave, Cmd::EditJoin, Cmd::ViewZoomIn, Cmd::SymbolNew,
                  Cmd::OptionsPref, Cmd::HelpAbout, Cmd::NewBtn, Cmd::SaveBtn, Cmd::JoinBtn}) {
        ASSERT_NE(m.Action(c), nullptr) << CmdName(c);
        EXPECT_FALSE(m.Action(c)->text().isEmpty()) << CmdName(c);
        EXPECT_FALSE(m.Action(c)->isEnabled()) << CmdName(c);
    }
    EXPECT_TRUE(m.Action(Cmd::FileExit)->isEnabled());
    EXPECT_TRUE(m.Action(Cmd::GridBtn)->isEnabled());
    EXPECT_TRUE(m.Action(Cmd::CurveBtn)->isEnabled() == false) << "no current symbol";
    EXPECT_TRUE(m.Action(Cmd::EditObjBtn)->isEnabled());
    EXPECT_FALSE(m.Action(Cmd::HelpMenu)->isEnabled()) << "no help system yet";
    SetShowHelpHook([](int) {});
    m.UpdateCommandStates();
    EXPECT_TRUE(m.Action(Cmd::HelpMenu)->isEnabled());
}

TEST_F(MainFmTest, AShortcutWorksWithoutTheMenuHavingBeenOpened)
{
    int zooms = 0;
    RegisterWorker(Cmd::ViewZoomIn, [&] { ++zooms; });
    int joins = 0;
    RegisterWorker(Cmd::EditJoin, [&] { ++joins; });
    ProgramConfig.ShortCutTexts[0] = QStringLiteral("Ctrl+J"); // EditJoin
    bool mapOpen = false;
    int selected = 0;
    AddShellStateSource([&](ShellState& s) {
        s.mapOpen = mapOpen;
        s.selectedIndex = selected;
        s.selectionCount = selected ? 1 : 0;
        s.objectType = 2;
    });
    TMainFm& m = Make(false);
    m.show();
    m.activateWindow();
    QApplication::setActiveWindow(&m);
    Settle();
    QWindow* window = m.windowHandle();
    ASSERT_NE(window, nullptr);
    auto press = [&](int key, Qt::KeyboardModifiers mods) {
        qt_handleKeyEvent(window, QEvent::KeyPress, key, mods);
        qt_handleKeyEvent(window, QEvent::KeyRelease, key, mods);
        Settle();
    };

    press(Qt::Key_F7, Qt::NoModifier);
    EXPECT_EQ(zooms, 0) << "no map: zoom is disabled";

    // The map opens and an object gets selected: the states follow at once, no menu opened.
    mapOpen = true;
    NotifyStateChanged();
    press(Qt::Key_F7, Qt::NoModifier);
    EXPECT_EQ(zooms, 1);

    press(Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(joins, 0) << "nothing selected";

    selected = 5;
    NotifyStateChanged();
    press(Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(joins, 1);

    // A command that changes the state brings the shortcuts up to date when it ends.
    RegisterWorker(Cmd::FileSave, [&] { selected = 0; });
    ASSERT_TRUE(RunCommand(Cmd::FileSave));
    press(Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(joins, 1);
}

TEST_F(MainFmTest, ClipboardChangesEnablePaste)
{
    RegisterWorker(Cmd::EditPaste, [] {});
    AddShellStateSource(MapWith(0, 0));
    TMainFm& m = Make();
    QApplication::clipboard()->setText(QStringLiteral("plain"));
    Settle();
    EXPECT_FALSE(m.Action(Cmd::EditPaste)->isEnabled());
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("application/x-zemo6-object"), QByteArray("x"));
    QApplication::clipboard()->setMimeData(mime);
    Settle();
    EXPECT_TRUE(m.Action(Cmd::EditPaste)->isEnabled());
}

TEST_F(MainFmTest, ConfiguredShortcutsReplaceTheDefaultsOnItemAndTwin)
{
    ProgramConfig.ShortCutTexts[8] = QString();               // ViewRedraw: F5 by default
    ProgramConfig.ShortCutTexts[21] = QStringLiteral("Ctrl+7"); // SymbolNormal and its twin
    ProgramConfig.ShortCutTexts[12] = QStringLiteral("Shift+Nonsense");
    TMainFm m(TMainFm::Options{false});
    EXPECT_TRUE(m.Action(Cmd::ViewRedraw)->shortcut().isEmpty());
    EXPECT_EQ(m.Action(Cmd::SymbolNormal)->shortcut(), QKeySequence(QStringLiteral("Ctrl+7")));
    EXPECT_EQ(m.Action(Cmd::SymbolNormalPop)->shortcut(), QKeySequence(QStringLiteral("Ctrl+7")));
    EXPECT_TRUE(m.Action(Cmd::ViewEntire)->shortcut().isEmpty());
    EXPECT_EQ(m.Action(Cmd::ViewZoomIn)->shortcut(), QKeySequence(Qt::Key_F7));
    EXPECT_EQ(m.Action(Cmd::SymbolHidePop)->shortcut(), QKeySequence()) << "standard: none";
}

TEST_F(MainFmTest, F1PrefersTheRunningDialogThenTheMenuItemThenTheControl)
{
    std::vector<int> shown;
    SetShowHelpHook([&](int c) { shown.push_back(c); });
    int active = 0;
    SetActiveHelpContextHook([&] { return active; });
    // Enabled items can be highlighted: a map and workers for the two items used.
    AddShellStateSource(MapWith(0, 0));
    RegisterWorker(Cmd::FileRestore, [] {});
    RegisterWorker(Cmd::FileExportEps, [] {});
    TMainFm& m = Make();
    m.resize(800, 600);
    m.show();
    Settle();

    QCursor::setPos(m.mapToGlobal(m.MdiArea()->geometry().center()));
    EXPECT_EQ(m.HelpContextForF1(), 101) << "over the main frame";
    auto* panel = new QWidget(m.MdiArea());
    panel->setProperty("helpContext", 555);
    panel->setGeometry(0, 0, m.MdiArea()->width(), m.MdiArea()->height());
    panel->show();
    Settle();
    EXPECT_EQ(m.HelpContextForF1(), 555) << "the control under the pointer";

    QMenu* file = m.Menu(Cmd::FileMnu);
    file->popup(m.mapToGlobal(QPoint(10, 10)));
    Settle();
    file->setActiveAction(m.Action(Cmd::FileRestore));

    EXPECT_EQ(m.HelpContextForF1(), 135) << "the open menu's item";
    QMenu* exports = m.Menu(Cmd::FileExport);
    file->setActiveAction(exports->menuAction());
    exports->popup(m.mapToGlobal(QPoint(50, 50)));
    Settle();
    exports->setActiveAction(m.Action(Cmd::FileExportEps));
    EXPECT_EQ(m.HelpContextForF1(), 45) << "an item without context: its menu's";

    active = 77;
    EXPECT_EQ(m.HelpContextForF1(), 77) << "the running dialog first";

    // F1 itself goes through the same order.
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(exports, &f1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], 77);
    exports->close();
    file->close();
}

TEST_F(MainFmTest, ClosingIsRefusedWhileACommandRuns)
{
    TMainFm& m = Make();
    m.show();
    Settle();
    bool closedInside = true;
    RegisterWorker(Cmd::FileSave, [&] { closedInside = m.close(); });
    ASSERT_TRUE(RunCommand(Cmd::FileSave));
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(QFileInfo::exists(Settings::DefaultFilePath())) << "nothing written yet";
    EXPECT_TRUE(m.close()) << "once the command ended";
    EXPECT_TRUE(QFileInfo::exists(Settings::DefaultFilePath()));
}

TEST_F(MainFmTest, ClosingWritesTheSettingsAndTheNextStartReadsThemBack)
{
    {
        TMainFm& m = Make();
        m.show();
        Settle(); // the first showing restores the (empty) layout
        m.addToolBar(Qt::LeftToolBarArea, m.EditToolbar());
        m.Action(Cmd::Smooth2Btn)->trigger();
        m.Action(Cmd::AutoJoinBtn)->trigger();
        ProgramConfig.File = QStringLiteral("/maps/open.zmd");
        EXPECT_TRUE(m.close());
        fm.reset();
    }
    EXPECT_EQ(ProgramConfig.Smoothing, 2);
    DefaultConfig(ProgramConfig);
    FirstPaintPending = true;
    TMainFm& again = Make();
    EXPECT_EQ(ProgramConfig.Smoothing, 2);
    EXPECT_FALSE(ProgramConfig.AutoJoin);
    EXPECT_TRUE(ProgramConfig.File.isEmpty()) << "cleared at close";
    EXPECT_TRUE(again.Action(Cmd::Smooth2Btn)->isChecked());
    EXPECT_FALSE(again.Action(Cmd::AutoJoinBtn)->isChecked());
    again.show();
    Settle();
    EXPECT_EQ(again.toolBarArea(again.EditToolbar()), Qt::LeftToolBarArea);
    EXPECT_EQ(again.toolBarArea(again.StandardToolbar()), Qt::TopToolBarArea);
}

TEST_F(MainFmTest, ToolButtonsSelectTheToolAndStayInOneGroup)
{
    AddShellStateSource([](ShellState& s) {
        s.mapOpen = true;
        s.currentSymbolIndex = 0;
        s.hasCurrentSymbol = true;
        s.currentSymbolType = 2;
        s.selectedIndex = 1;
        s.selectionCount = 1;
        s.objectType = 2;
    });
    TMainFm& m = Make();
    m.Action(Cmd::StraightBtn)->trigger();
    EXPECT_EQ(ProgramConfig.WorkMode, 6);
    EXPECT_EQ(ProgramConfig.LineMode, 6);
    EXPECT_TRUE(m.Action(Cmd::StraightBtn)->isChecked());
    m.Action(Cmd::EditObjBtn)->trigger();
    EXPECT_EQ(ProgramConfig.WorkMode, 12);
    EXPECT_EQ(ProgramConfig.LineMode, 6);
    EXPECT_FALSE(m.Action(Cmd::StraightBtn)->isChecked());
    m.Action(Cmd::CutBtn)->trigger();
    EXPECT_EQ(ProgramConfig.WorkMode, 13);
    EXPECT_FALSE(m.Action(Cmd::CutBtn)->isChecked()) << "the cut tool presses no button";

    CommandBusy = true;
    m.Action(Cmd::CurveBtn)->trigger();
    EXPECT_EQ(ProgramConfig.WorkMode, 13) << "dropped while busy";
    EXPECT_FALSE(m.Action(Cmd::CurveBtn)->isChecked()) << "the click's toggle is undone";
    CommandBusy = false;
}

TEST_F(MainFmTest, AHandedOverFileWaitsForTheRunningCommand)
{
    QStringList opened;
    SetOpenMapHook([&](const QString& f) {
        EXPECT_TRUE(CommandBusy) << "opened inside the command frame";
        opened << f;
        return true;
    });
    TMainFm& m = Make();
    RegisterWorker(Cmd::FileSave, [&] {
        m.HandOff()->Receive(QStringLiteral("/maps/b.zmd"));
        Settle();
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_EQ(m.HandOff()->Pending(), QStringList{QStringLiteral("/maps/b.zmd")});
    });
    ASSERT_TRUE(RunCommand(Cmd::FileSave));
    Settle();
    EXPECT_EQ(opened, QStringList{QStringLiteral("/maps/b.zmd")});

    PaintBusy = true;
    m.HandOff()->Receive(QStringLiteral("/maps/c.zmd"));
    Settle();
    EXPECT_EQ(opened.size(), 1);
    PaintBusy = false;
    for (int i = 0; i < 30 && opened.size() < 2; ++i) {
        QThread::msleep(20);
        Settle();
    }
    EXPECT_EQ(opened.size(), 2) << "picked up once the paint is over";

    m.HandOff()->Receive(QStringLiteral("/maps/d.zmd"));
    EXPECT_EQ(opened.last(), QStringLiteral("/maps/d.zmd")) << "idle: opened at once";
}
