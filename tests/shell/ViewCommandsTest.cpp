// The View menu, the view buttons and the map's pop-up view items in the running main frame:
// each reaches its step of the view tool; without a map they are disabled and do nothing.
#include "ShellFixture.h"

#include "core/LangTexts.h"
#include "edit/View.h"
#include "edit/Work.h"
#include "edit/widgets/MoveViewDlg.h"
#include "render/Scale.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <cmath>

using namespace zemo;
using zemo::test::Mm;

namespace {


class ViewCommands : public test::ShellTest {
protected:
    // The sample map with the curve tool running on its line: the view tool comes back to it.
    void OpenWithCurveTool()
    {
        ASSERT_TRUE(OpenSample());
        child = ActiveChild();
        surface = Surface();
        ASSERT_EQ(Work.ActiveView, &child->View());
        Click(surface, {3, 3}); // the window's activating click, away from the tests' clicks
        Setup().CurrentSymbolIndex = 1;
        Choose(Cmd::CurveBtn);
        ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
    }
    SetupRecord& Setup() const { return Index.ActiveZmd->Setup; }
    QPoint Centre() const { return {child->View().ClientWidth / 2, child->View().ClientHeight / 2}; }
    Cord ViewCentre() const { return {Setup().ViewCenterX, Setup().ViewCenterY}; }
    // The cursor is put where the event happens, as the window system would.
    void MoveTo(QPoint at, Qt::MouseButtons held = Qt::NoButton)
    {
        QCursor::setPos(surface->mapToGlobal(at));
        Mouse(surface, QEvent::MouseMove, at, Qt::NoButton, held);
    }
    void Escape()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(surface, &press);
        Settle(2);
    }
    QTimer* ViewTimer() const
    {
        return Frame().findChild<QTimer*>(QStringLiteral("ViewTimer"), Qt::FindDirectChildrenOnly);
    }

    TMdiChild* child = nullptr;
    QWidget* surface = nullptr;
};

} // namespace

TEST_F(ViewCommands, WithoutAMapTheViewStepsDoNothing)
{
    // Reached anyway (a shortcut, the route itself) while the items are disabled.
    for (Cmd c : {Cmd::ViewZoomIn, Cmd::ViewZoomOut, Cmd::ViewEntire, Cmd::ViewMove, Cmd::View2X,
                  Cmd::View05X, Cmd::ViewMoveTo, Cmd::ViewRedraw})
        EXPECT_TRUE(RunCommand(c)) << CmdName(c);
    EXPECT_EQ(Work.ToolMode, ToolModes::None);
    EXPECT_EQ(ViewTool.ViewPreviousMode, 0);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(ViewCommands, EveryItemButtonAndPopUpItemReachesItsStepOfTheViewTool)
{
    OpenWithCurveTool();
    constexpr int AtOnce = -1; // no view tool: the zoom is set at once
    const struct {
        Cmd c;
        int state;
        double zoom; // from zoom 1 without history
    } rows[] = {
        {Cmd::ViewZoomIn, ViewZoomWaiting, 2},  {Cmd::ZoomInBtn, ViewZoomWaiting, 2},
        {Cmd::WorkZoomIn, ViewZoomWaiting, 2},  {Cmd::ViewMove, ViewPanWaiting, 1},
        {Cmd::MoveBtn, ViewPanWaiting, 1},      {Cmd::WorkMove, ViewPanWaiting, 1},
        {Cmd::View2X, ViewFrameFollowing, 2},   {Cmd::View1X, ViewPanWaiting, 1},
        {Cmd::ViewZoomOut, AtOnce, 0.5},        {Cmd::ZoomOutBtn, AtOnce, 0.5},
        {Cmd::WorkZoomOut, AtOnce, 0.5},        {Cmd::View05X, AtOnce, 0.5},
        {Cmd::View025X, AtOnce, 0.25},
    };
    MoveTo(Centre());
    for (const auto& r : rows) {
        Setup().Zoom = 1;
        Setup().ViewHistoryCount = 0;
        const Cord centre = ViewCentre();
        Choose(r.c);
        if (r.state == AtOnce) {
            EXPECT_EQ(Work.ToolMode, ToolModes::Curve) << CmdName(r.c);
            EXPECT_DOUBLE_EQ(Setup().Zoom, r.zoom) << CmdName(r.c);
            EXPECT_EQ(ViewCentre(), centre) << CmdName(r.c);
            Frame().UpdateCommandStates();
            EXPECT_EQ(Frame().Action(Cmd::View05X)->isChecked(), r.zoom == 0.5) << CmdName(r.c);
            continue;
        }
        ASSERT_EQ(Work.ToolMode, ToolModes::View) << CmdName(r.c);
        EXPECT_EQ(ViewTool.ViewState, r.state) << CmdName(r.c);
        EXPECT_EQ(ViewTool.ViewPreviousMode, ToolModes::Curve) << CmdName(r.c);
        // A click (a drag for the hand) puts the view there, within a pixel.
        const QPoint at = Centre() + QPoint(80, -40);
        const Cord target = DeviceToCord(at);
        MoveTo(at);
        Mouse(surface, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        if (r.state == ViewPanWaiting)
            MoveTo(Centre(), Qt::LeftButton);
        Mouse(surface, QEvent::MouseButtonRelease, r.state == ViewPanWaiting ? Centre() : at,
              Qt::LeftButton, Qt::NoButton);
        Settle(2);
        EXPECT_EQ(Work.ToolMode, ToolModes::Curve) << CmdName(r.c);
        EXPECT_DOUBLE_EQ(Setup().Zoom, r.zoom) << CmdName(r.c);
        EXPECT_LE(std::abs(ViewCentre().x - target.x), 8192) << CmdName(r.c);
        EXPECT_LE(std::abs(ViewCentre().y - target.y), 8192) << CmdName(r.c);
    }

    // Entire map: from far away and close up, back to the map's middle, each at one zoom.
    double entire = 0;
    for (Cmd c : {Cmd::ViewEntire, Cmd::ZoomEntireBtn, Cmd::WorkEntire}) {
        Setup().ViewCenterX = 400 * Mm;
        Setup().ViewCenterY = -300 * Mm;
        Setup().Zoom = 16;
        Choose(c);
        entire = entire > 0 ? entire : Setup().Zoom;
        EXPECT_LT(Setup().Zoom, 2) << CmdName(c);
        EXPECT_DOUBLE_EQ(Setup().Zoom, entire) << CmdName(c);
        EXPECT_LE(std::abs(ViewCentre().x) + std::abs(ViewCentre().y), 2 * Mm) << CmdName(c);
    }

    // Move view to: its dialog, whose Cancel leaves the view.
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        if (auto* dlg = dynamic_cast<TViewDlg*>(QApplication::activeModalWidget())) {
            shown = true;
            dlg->findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click();
        }
    });
    const Cord centre = ViewCentre();
    Choose(Cmd::ViewMoveTo);
    EXPECT_TRUE(shown);
    EXPECT_EQ(ViewCentre(), centre);
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 0);
}

TEST_F(ViewCommands, TheZoomFrameFollowsTheCursorAndGoesWhenItLeavesTheWindow)
{
    OpenWithCurveTool();
    Setup().Zoom = 1;
    MoveTo(Centre());
    Choose(Cmd::View4X);
    ASSERT_EQ(ViewTool.ViewState, ViewFrameFollowing);
    ASSERT_TRUE(ViewTool.FrameShown);
    ASSERT_NE(ViewTimer(), nullptr);
    ASSERT_TRUE(ViewTimer()->isActive());
    EXPECT_EQ(ViewTimer()->interval(), 100);
    // The frame outlines what zoom 4 will show: a quarter of the window from zoom 1.
    EXPECT_EQ(ViewTool.FrameHalfWidth, int(std::nearbyint(child->View().ClientWidth / 2.0 / 4)));

    // Out of the window: only the view timer can notice.
    QCursor::setPos(surface->mapToGlobal(QPoint(-50, -50)));
    QElapsedTimer t;
    t.start();
    while (ViewTool.FrameShown && t.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(ViewTool.FrameShown);
    EXPECT_FALSE(ViewTimer()->isActive());
    EXPECT_EQ(Work.ToolMode, ToolModes::View);

    // Back in: the frame follows again, until Escape gives the previous tool back.
    MoveTo(Centre());
    EXPECT_TRUE(ViewTool.FrameShown);
    EXPECT_TRUE(ViewTimer()->isActive());
    Escape();
    EXPECT_EQ(Work.ToolMode, ToolModes::Curve);
    EXPECT_FALSE(ViewTimer()->isActive());
    EXPECT_DOUBLE_EQ(Setup().Zoom, 1);
}

TEST_F(ViewCommands, RedrawRepaintsTheWholeWindowAndDropsAPendingRectangle)
{
    OpenWithCurveTool();
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
