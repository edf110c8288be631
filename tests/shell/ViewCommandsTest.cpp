// The View menu, the view buttons and the map's pop-up view items in the running main frame:
// each one reaches the view tool and changes the view of the open map; without a map they
// are disabled and do nothing.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MoveViewDlg.h"
#include "render/Scale.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

using namespace zemo;
using zemo::test::TestMapWriter;
using zemo::test::TestObject;
using zemo::test::TestSymbol;

namespace {

// 1 mm in map units; the test map is at 1:15000 with its real-world origin at the map's.
constexpr int32_t Mm = 25600;
constexpr int CurveToolMode = 8;

class ViewCommands : public zemo::test::ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    // A line across 200 x 100 mm about the map's origin.
    void OpenMap()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(101)};
        w.objects.push_back(TestObject::Line(101, {{-100 * Mm, -50 * Mm}, {100 * Mm, 50 * Mm}}));
        const QString path = TempPath(QStringLiteral("view.zmd"));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        ASSERT_TRUE(OpenMapByName(path));
        Settle();
        child = ActiveChild();
        ASSERT_NE(child, nullptr);
        ASSERT_EQ(Work.ActiveView, &child->View());
        surface = child->WorkWin();
        // The window's activating click is spent here, away from the tests' clicks.
        Click({3, 3});
        // A drawing tool runs, as it would after any tool button: the view tool comes back to it.
        Setup().CurrentSymbolIndex = 0;
        Frame().UpdateCommandStates();
        Frame().Action(Cmd::CurveBtn)->trigger();
        Settle();
        ASSERT_EQ(Work.ToolMode, CurveToolMode);
    }
    SetupRecord& Setup() const { return Index.ActiveZmd->Setup; }
    QPoint Centre() const { return {child->View().ClientWidth / 2, child->View().ClientHeight / 2}; }
    // The cursor is put where the event happens, as the window system would.
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held)
    {
        QCursor::setPos(surface->mapToGlobal(at));
        const Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(at), surface->mapToGlobal(QPointF(at)), b, held, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &e);
    }
    void Click(QPoint at)
    {
        Mouse(QEvent::MouseMove, at, Qt::NoButton);
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
        Settle(2);
    }
    void Drag(QPoint from, QPoint to)
    {
        Mouse(QEvent::MouseMove, from, Qt::NoButton);
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
        Settle(2);
    }
    void Escape()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(surface, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(surface, &release);
        Settle(2);
    }
    // What the user does: the menu opens (its states are brought up to date), then the
    // item is clicked.
    void Choose(Cmd c)
    {
        Frame().UpdateCommandStates();
        QAction* a = Frame().Action(c);
        ASSERT_NE(a, nullptr) << CmdName(c);
        a->trigger();
        Settle(2);
    }
    Cord ViewCentre() const { return {Setup().ViewCenterX, Setup().ViewCenterY}; }
    QTimer* ViewTimer() const { return Frame().findChild<QTimer*>(QStringLiteral("ViewTimer"), Qt::FindDirectChildrenOnly); }

    QTemporaryDir dir;
    TMdiChild* child = nullptr;
    QWidget* surface = nullptr;
};

const Cmd ViewItems[] = {Cmd::ViewRedraw, Cmd::ViewMove,   Cmd::ViewMoveTo, Cmd::ViewZoomIn,
                         Cmd::ViewZoomOut, Cmd::ViewEntire, Cmd::View025X,  Cmd::View05X,
                         Cmd::View1X,     Cmd::View2X,     Cmd::View4X,    Cmd::View8X,
                         Cmd::View16X,    Cmd::View32X,    Cmd::MoveBtn,   Cmd::ZoomInBtn,
                         Cmd::ZoomOutBtn, Cmd::ZoomEntireBtn};
// The map's pop-up opens only over a map window; its items have no rule of their own.
const Cmd PopUpItems[] = {Cmd::WorkMove, Cmd::WorkZoomIn, Cmd::WorkZoomOut, Cmd::WorkEntire};

TEST_F(ViewCommands, ItemsAndButtonsAreDisabledWithoutAMapAndEnabledWithOne)
{
    Frame().UpdateCommandStates();
    for (Cmd c : ViewItems)
        EXPECT_FALSE(Frame().Action(c)->isEnabled()) << CmdName(c);
    // Reached anyway (a shortcut, the route itself): nothing happens without a map.
    for (Cmd c : {Cmd::ViewZoomIn, Cmd::ViewZoomOut, Cmd::ViewEntire, Cmd::ViewMove, Cmd::View2X,
                  Cmd::ViewMoveTo, Cmd::ViewRedraw})
        EXPECT_TRUE(RunCommand(c)) << CmdName(c);
    EXPECT_EQ(Work.ToolMode, 0);
    EXPECT_EQ(ViewTool.ViewPreviousMode, 0);

    OpenMap();
    for (Cmd c : ViewItems)
        EXPECT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
    for (Cmd c : PopUpItems)
        EXPECT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0);

    Frame().Action(Cmd::FileClose)->trigger();
    Settle();
    ASSERT_FALSE(Index.MapOpen);
    Frame().UpdateCommandStates();
    for (Cmd c : ViewItems)
        EXPECT_FALSE(Frame().Action(c)->isEnabled()) << CmdName(c);
}

TEST_F(ViewCommands, ZoomInClickDoublesAboutThePointAndZoomOutGoesBackThenHalves)
{
    OpenMap();
    const int before = Work.ToolMode;
    const double zoom = Setup().Zoom;
    const Cord centre = ViewCentre();

    Choose(Cmd::ViewZoomIn);
    ASSERT_EQ(Work.ToolMode, 1);
    EXPECT_EQ(ViewTool.ViewState, ViewZoomWaiting);
    const Cord clicked = DeviceToCord(Centre());
    Click(Centre());
    EXPECT_EQ(Work.ToolMode, before);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom * 2);
    EXPECT_EQ(ViewCentre(), (Cord{Masked(clicked.x), Masked(clicked.y)}));
    EXPECT_LE(std::abs(ViewCentre().x - centre.x), 256 * 40);
    EXPECT_EQ(Setup().ViewHistoryCount, 1);

    // The toolbar button and the pop-up item are the same command.
    Choose(Cmd::ZoomInBtn);
    ASSERT_EQ(Work.ToolMode, 1);
    Click(Centre());
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom * 4);

    // Back through the history to the first view, then halving about the same centre.
    Choose(Cmd::ViewZoomOut);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom * 2);
    Choose(Cmd::ZoomOutBtn);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom);
    EXPECT_EQ(ViewCentre(), centre);
    EXPECT_EQ(Setup().ViewHistoryCount, 0);
    Choose(Cmd::WorkZoomOut);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom / 2);
    EXPECT_EQ(ViewCentre(), centre);
    EXPECT_EQ(Work.ToolMode, before);
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0);
}

TEST_F(ViewCommands, EntireMapBringsTheWholeExtentIntoView)
{
    OpenMap();
    // Far away and close up first.
    Setup().ViewCenterX = 400 * Mm;
    Setup().ViewCenterY = -300 * Mm;
    Setup().Zoom = 16;
    Setup().ViewHistoryCount = 1;

    Choose(Cmd::ViewEntire);
    ASSERT_TRUE(UpdateViewOf(child->View()));
    const int w = child->View().ClientWidth, h = child->View().ClientHeight;
    const QPoint a = CordToDevice(Cord{-100 * Mm, -50 * Mm});
    const QPoint b = CordToDevice(Cord{100 * Mm, 50 * Mm});
    for (QPoint p : {a, b}) {
        EXPECT_GE(p.x(), 0);
        EXPECT_LE(p.x(), w);
        EXPECT_GE(p.y(), 0);
        EXPECT_LE(p.y(), h);
    }
    // It fills the window in one direction, within the small margin.
    const double fillX = std::abs(b.x() - a.x()) / double(w);
    const double fillY = std::abs(b.y() - a.y()) / double(h);
    EXPECT_GE(std::max(fillX, fillY), 0.9);
    const QPoint mid = CordToDevice(Cord{0, 0});
    EXPECT_LE(std::abs(mid.x() - w / 2), 2);
    EXPECT_LE(std::abs(mid.y() - h / 2), 2);
    EXPECT_EQ(Setup().ViewHistoryCount, 0);

    // The same from the button and from the map's pop-up menu.
    const double zoom = Setup().Zoom;
    Setup().Zoom = 8;
    Choose(Cmd::ZoomEntireBtn);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom);
    Setup().Zoom = 8;
    Choose(Cmd::WorkEntire);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom);
}

TEST_F(ViewCommands, FixedZoomsSetLowerZoomsAtOnceAndFrameHigherOnes)
{
    OpenMap();
    const int before = Work.ToolMode;
    const Cord centre = ViewCentre();
    Setup().ViewHistoryCount = 2;

    // Below the current zoom: set at once about the same centre, the history dropped.
    Choose(Cmd::View05X);
    EXPECT_DOUBLE_EQ(Setup().Zoom, 0.5);
    EXPECT_EQ(ViewCentre(), centre);
    EXPECT_EQ(Setup().ViewHistoryCount, 0);
    EXPECT_EQ(Work.ToolMode, before);
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(Cmd::View05X)->isChecked());
    for (Cmd c : {Cmd::View025X, Cmd::View1X, Cmd::View2X, Cmd::View32X})
        EXPECT_FALSE(Frame().Action(c)->isChecked()) << CmdName(c);
    Choose(Cmd::View025X);
    EXPECT_DOUBLE_EQ(Setup().Zoom, 0.25);

    // Above it: a frame follows the cursor, and a click puts the new zoom there.
    Mouse(QEvent::MouseMove, Centre(), Qt::NoButton);
    Choose(Cmd::View2X);
    ASSERT_EQ(Work.ToolMode, 1);
    EXPECT_EQ(ViewTool.ViewState, ViewFrameFollowing);
    EXPECT_TRUE(ViewTool.FrameShown);
    ASSERT_NE(ViewTimer(), nullptr);
    EXPECT_TRUE(ViewTimer()->isActive());
    EXPECT_EQ(ViewTimer()->interval(), 100);
    // The frame outlines what zoom 2 will show: an eighth of the window from zoom 0.25.
    EXPECT_EQ(ViewTool.FrameHalfWidth, int(std::nearbyint(child->View().ClientWidth / 2.0 / 8)));

    const QPoint at = Centre() + QPoint(80, -40);
    const Cord target = DeviceToCord(at);
    Click(at);
    EXPECT_DOUBLE_EQ(Setup().Zoom, 2);
    EXPECT_EQ(ViewCentre(), target);
    EXPECT_EQ(Setup().ViewHistoryCount, 1);
    EXPECT_EQ(Work.ToolMode, before);
    EXPECT_FALSE(ViewTimer()->isActive());
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(Cmd::View2X)->isChecked());
    EXPECT_FALSE(Frame().Action(Cmd::View025X)->isChecked());

    // The same zoom again: the hand instead.
    Choose(Cmd::View2X);
    EXPECT_EQ(Work.ToolMode, 1);
    EXPECT_EQ(ViewTool.ViewState, ViewPanWaiting);
    Escape();
    EXPECT_EQ(Work.ToolMode, before);
    EXPECT_DOUBLE_EQ(Setup().Zoom, 2);
}

TEST_F(ViewCommands, TheZoomFrameDisappearsWhenTheCursorLeavesTheWindow)
{
    OpenMap();
    Setup().Zoom = 1;
    Mouse(QEvent::MouseMove, Centre(), Qt::NoButton);
    Choose(Cmd::View4X);
    ASSERT_EQ(ViewTool.ViewState, ViewFrameFollowing);
    ASSERT_TRUE(ViewTool.FrameShown);
    ASSERT_TRUE(ViewTimer()->isActive());

    // Out of the window: only the view timer can notice.
    QCursor::setPos(surface->mapToGlobal(QPoint(-50, -50)));
    QElapsedTimer t;
    t.start();
    while (ViewTool.FrameShown && t.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(ViewTool.FrameShown);
    EXPECT_FALSE(ViewTimer()->isActive());
    EXPECT_EQ(Work.ToolMode, 1);

    // Back in: the frame follows again.
    Mouse(QEvent::MouseMove, Centre(), Qt::NoButton);
    EXPECT_TRUE(ViewTool.FrameShown);
    EXPECT_TRUE(ViewTimer()->isActive());
    Escape();
    EXPECT_NE(Work.ToolMode, 1);
    EXPECT_FALSE(ViewTimer()->isActive());
    EXPECT_DOUBLE_EQ(Setup().Zoom, 1);
}

TEST_F(ViewCommands, TheHandButtonSwitchesToTheViewToolAndBack)
{
    OpenMap();
    const int before = Work.ToolMode;
    const double zoom = Setup().Zoom;

    Choose(Cmd::MoveBtn);
    ASSERT_EQ(Work.ToolMode, 1);
    EXPECT_EQ(ViewTool.ViewState, ViewPanWaiting);
    EXPECT_EQ(ViewTool.ViewPreviousMode, before);

    // The map follows the hand: what was under the press is under the release.
    const QPoint from = Centre(), to = Centre() + QPoint(60, 30);
    const Cord grabbed = DeviceToCord(from);
    Drag(from, to);
    EXPECT_EQ(Work.ToolMode, before);
    ASSERT_TRUE(UpdateViewOf(child->View()));
    const QPoint now = CordToDevice(grabbed);
    EXPECT_LE(std::abs(now.x() - to.x()), 1);
    EXPECT_LE(std::abs(now.y() - to.y()), 1);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom);

    // Menu item and pop-up item start it too; Escape gives the previous tool back.
    for (Cmd c : {Cmd::ViewMove, Cmd::WorkMove}) {
        Choose(c);
        ASSERT_EQ(Work.ToolMode, 1) << CmdName(c);
        Escape();
        EXPECT_EQ(Work.ToolMode, before) << CmdName(c);
    }
    EXPECT_EQ(ProgramConfig.WorkMode, 10);
}

TEST_F(ViewCommands, MoveViewToCentresTheEnteredPositionAndCancelLeavesTheView)
{
    OpenMap();
    const Cord centre = ViewCentre();
    bool shown = false;
    const auto answer = [&](const QString& east, const QString& north, bool ok) {
        QTimer::singleShot(0, [&shown, east, north, ok] {
            auto* dlg = dynamic_cast<TViewDlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            shown = true;
            dlg->findChild<QLineEdit*>(QStringLiteral("HorPosB"))->setText(east);
            dlg->findChild<QLineEdit*>(QStringLiteral("VerPosB"))->setText(north);
            dlg->findChild<QPushButton*>(ok ? QStringLiteral("OKBtn") : QStringLiteral("CancelBtn"))->click();
        });
    };

    answer(QStringLiteral("450"), QStringLiteral("300"), false);
    Choose(Cmd::ViewMoveTo);
    ASSERT_TRUE(shown);
    EXPECT_EQ(ViewCentre(), centre);

    // 1:15000: 450 m east is 30 mm on the map, 300 m north 20 mm.
    shown = false;
    answer(QStringLiteral("450"), QStringLiteral("-300"), true);
    Choose(Cmd::ViewMoveTo);
    ASSERT_TRUE(shown);
    EXPECT_EQ(ViewCentre(), (Cord{30 * Mm, -20 * Mm}));
    EXPECT_NE(Work.ToolMode, 1);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(ViewCommands, RedrawRepaintsTheWholeWindowAndDropsAPendingRectangle)
{
    OpenMap();
    Settle();
    child->HandlePaintMessage();
    Settle();
    MapView& v = child->View();
    v.PendingValid = true;
    v.PendingRect = {10, 10, 40, 40};

    Frame().UpdateCommandStates();
    ASSERT_TRUE(child->UpdateRegion().isEmpty());
    Frame().Action(Cmd::ViewRedraw)->trigger();
    EXPECT_FALSE(v.PendingValid);
    EXPECT_TRUE(child->UpdateRegion().contains(QRect(0, 0, v.ClientWidth, v.ClientHeight)));
    EXPECT_EQ(QApplication::focusWidget(), surface);
}

TEST_F(ViewCommands, ACommandWhileTheMapPaintsIsDropped)
{
    OpenMap();
    const double zoom = Setup().Zoom;
    PaintBusy = true;
    Choose(Cmd::ViewZoomOut);
    Choose(Cmd::ViewEntire);
    Choose(Cmd::MoveBtn);
    PaintBusy = false;
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom);
    EXPECT_NE(Work.ToolMode, 1);
    Choose(Cmd::ViewZoomOut);
    EXPECT_DOUBLE_EQ(Setup().Zoom, zoom / 2);
}

} // namespace
