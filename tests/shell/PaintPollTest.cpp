// A map paint lets the window system's queue run while it polls for input. What comes then and
// would change the paint's window under it waits for the paint's end, also across the restart
// after a killed session: three maps recovered while the frame changes size.
#include "ShellFixture.h"
#include "core/Folders.h"
#include "core/Status.h"
#include "edit/Ports.h"
#include "edit/Work.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPropertyAnimation>
#include <QStyle>
#include <QTimer>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

// Wide lines and dot-patterned areas (their painter runs the queue itself): many polls.
TestMapWriter BusyMap(int objects)
{
    TestMapWriter w(8);
    TestSymbol area = TestSymbol::Area(401, 0, {TestElement::Dot(0, 40)});
    area.SetI16(350, 0);
    w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), area};
    for (int i = 0; i < objects; ++i) {
        const int32_t x = (i % 40 - 20) * 3 * Mm, y = (i / 40 % 30 - 15) * 3 * Mm;
        if (i % 3 == 0)
            w.objects.push_back(
                TestObject::Area(401, {{x, y}, {x + 6 * Mm, y}, {x + 6 * Mm, y + 6 * Mm}, {x, y}}));
        else
            w.objects.push_back(
                TestObject::Line(201, {{x, y}, {x + 5 * Mm, y + 2 * Mm}, {x, y + 4 * Mm}}));
    }
    return w;
}

// Runs `act` while `when` holds (a paint runs, whose poll lets the queue run), at its skip-th
// pass of the queue, the first `times` times `when` comes to hold.
class WhileDrawing {
public:
    WhileDrawing(int times, int skip, std::function<bool()> when, std::function<void()> act)
    {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [=, this, seen = 0]() mutable {
            if (!when()) {
                seen = 0;
            } else if (done < times && seen++ == skip) {
                ++done;
                act();
            }
        });
        timer_.start();
    }
    int done = 0;

private:
    QTimer timer_;
};

class PaintPoll : public ShellTest {
protected:
    // Every picture has its window's size and nothing of it waits to be painted.
    void ExpectPaintedWhole()
    {
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList()) {
            auto* c = qobject_cast<TMdiChild*>(w->widget());
            EXPECT_EQ(c->Surface().size(), c->WorkWin()->size());
            EXPECT_EQ(QSize(c->View().ClientWidth, c->View().ClientHeight), c->WorkWin()->size());
            EXPECT_FALSE(c->View().PendingValid);
        }
        EXPECT_FALSE(Work.PaintBusy);
        EXPECT_TRUE(Work.AfterPaint.empty());
    }

    // Two maps side by side: `subB` is active.
    void OpenTwoTiled()
    {
        ASSERT_TRUE(OpenWritten(BusyMap(900), QStringLiteral("a.zmd")));
        ASSERT_TRUE(OpenWritten(BusyMap(900), QStringLiteral("b.zmd")));
        for (QMdiSubWindow* w : Frame().MdiArea()->subWindowList())
            w->showNormal();
        Frame().MdiArea()->tileSubWindows();
        Settle(20);
        subA = Frame().MdiArea()->subWindowList().front();
        subB = Frame().MdiArea()->subWindowList().back();
    }
    QMdiSubWindow* subA = nullptr;
    QMdiSubWindow* subB = nullptr;
};

TEST_F(PaintPoll, WhatComesDuringAPaintWaitsForItsEnd)
{
    ASSERT_NO_FATAL_FAILURE(OpenTwoTiled());
    QMdiArea* area = Frame().MdiArea();
    auto* a = qobject_cast<TMdiChild*>(subA->widget());
    auto* b = qobject_cast<TMdiChild*>(subB->widget());
    const QSize grow(40, 30);
    QSize painted;
    QImage rulers[2];
    int idleRuns = 0;
    bool idleInPaint = false;
    // What comes, what holds inside the paint right after it, and after the paint.
    const struct {
        const char* what;
        std::function<void()> act, during, after;
    } rows[] = {
        {"the window changes size",
         [&] { painted = b->Surface().size(); subB->resize(subB->size() + grow); },
         [&] {
             EXPECT_EQ(b->Surface().size(), painted);
             EXPECT_EQ(b->View().ClientWidth, painted.width());
             // What it would still draw is out of date.
             EXPECT_TRUE(AbortRequested);
         },
         [&] {
             EXPECT_EQ(b->Surface().size(), painted + grow);
             // The picture is the one a paint at that size makes.
             const QImage shown = b->Surface().copy();
             Trigger(Cmd::ViewRedraw);
             EXPECT_TRUE(b->Surface() == shown);
         }},
        {"another window is activated", [&] { area->setActiveSubWindow(subA); },
         [&] {
             EXPECT_EQ(Work.ActiveView, &b->View());
             EXPECT_EQ(Index.ActiveZmd, b->View().Document);
         },
         [&] {
             EXPECT_EQ(Work.ActiveView, &a->View());
             EXPECT_EQ(Index.ActiveZmd, a->View().Document);
         }},
        {"the other window's rulers repaint",
         [&] {
             rulers[0] = a->HorScale()->grab().toImage();
             rulers[1] = a->VerScale()->grab().toImage();
         },
         [] {},
         [&] {
             // They showed their scale while the paint ran, as they show it now.
             EXPECT_TRUE(rulers[0] == a->HorScale()->grab().toImage());
             EXPECT_TRUE(rulers[1] == a->VerScale()->grab().toImage());
             // and left the running paint its own transform.
             const QImage shown = b->Surface().copy();
             Trigger(Cmd::ViewRedraw);
             EXPECT_TRUE(b->Surface() == shown);
         }},
        {"work waits for the program to be idle",
         [&] { EditPorts().WhenIdle([&] { idleInPaint = Work.PaintBusy; ++idleRuns; }); }, [] {},
         [&] { EXPECT_EQ(idleRuns, 1); EXPECT_FALSE(idleInPaint); }},
        {"the program loses the focus",
         [] { Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive); },
         [] { EXPECT_NE(Work.ToolMode, ToolModes::None); },
         [] {
             EXPECT_EQ(Work.ToolMode, ToolModes::None);
             Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
             EXPECT_NE(Work.ToolMode, ToolModes::None);
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        area->setActiveSubWindow(subB);
        Settle(20);
        ASSERT_EQ(Work.ActiveView, &b->View());
        ASSERT_NE(Work.ToolMode, ToolModes::None);
        WhileDrawing inside(1, 3, [] { return Work.PaintBusy; }, [&] { r.act(); r.during(); });
        Trigger(Cmd::ViewRedraw);
        Settle(20);
        ASSERT_EQ(inside.done, 1);
        r.after();
        ExpectPaintedWhole();
    }
}

// An object redrawn on its own (a dot pattern lets Esc through as it goes) while the window
// changes size: the window is laid out and painted whole after the redraw.
TEST_F(PaintPoll, AWindowResizedWhileAnObjectIsRedrawnIsLaidOutAfter)
{
    TestMapWriter w = BusyMap(0);
    w.objects.push_back(TestObject::Area(
        401, {{-30 * Mm, -20 * Mm}, {30 * Mm, -20 * Mm}, {30 * Mm, 20 * Mm}, {-30 * Mm, -20 * Mm}}));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("one.zmd")));
    ProgramConfig.RedrawBackground = false;
    Trigger(Cmd::EditObjBtn);
    if (ActiveChild()->View().SwallowClick)
        Click(Surface(), {5, 5});
    Click(Surface(), Surface()->rect().center() + QPoint(20, 10));
    ASSERT_EQ(Index.SelectedIndex, 1);
    TMdiChild* c = ActiveChild();
    WhileDrawing resize(1, 2, [c] { return !Work.PaintBusy && c->Surface().paintingActive(); },
                        [this] { Frame().resize(Frame().size() - QSize(120, 90)); });
    Trigger(Cmd::DuplicateBtn);
    Settle(20);
    EXPECT_EQ(resize.done, 1);
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 2);
    ExpectPaintedWhole();
}

// Activation starts the window's view timer, whose first tick gives the surface the focus: the
// tick of a window left before it must not take the focus, and the activation, back to it.
TEST_F(PaintPoll, AWindowLeftBeforeItsTimerTicksStaysLeft)
{
    ASSERT_NO_FATAL_FAILURE(OpenTwoTiled());
    auto* b = qobject_cast<TMdiChild*>(subB->widget());
    Frame().MdiArea()->setActiveSubWindow(subA);
    Frame().MdiArea()->setActiveSubWindow(subB);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        Settle(1);
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow(), subB);
    EXPECT_EQ(Work.ActiveView, &b->View());
}

// The restart after a killed session, again and again: each of the three questions answered
// as Enter does, and the frame changes size while the active recovered map paints for the
// first time (as a window manager may do then), at another moment of the paint each round.
TEST_F(PaintPoll, RecoveredMapsPaintWholeWhileTheFrameChangesSize)
{
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        for (const OpenDocument& d : Opening.OpenDocuments)
            d.Zmd->Modified = 0;
        Frame().MdiArea()->closeAllSubWindows();
        Settle();
        ASSERT_TRUE(QDir().mkpath(StateFolder()));
        for (int n = 0; n < 3; ++n) {
            TestMapWriter copy = BusyMap(600);
            const QString map = TempPath(QStringLiteral("map%1.zmd").arg(n));
            PutShortString(copy.setup, setup::MapPath, map.toStdString(), 255);
            const QString path =
                StateFolder() + QStringLiteral("temp%1.~md").arg(n, 4, 10, QLatin1Char('0'));
            ASSERT_TRUE(copy.WriteTo(QFile::encodeName(path).toStdString()));
        }
        Frame().close();
        messages.Clear();
        const auto toggle = [this] {
            Frame().resize(Frame().width() == 1000 ? QSize(860, 640) : QSize(1000, 760));
        };
        // The frame's size reaches the maximized window, the active one (painted: current).
        WhileDrawing resize(3, round * 2, [this] {
            return Work.PaintBusy && ActiveChild() && Work.ActiveView == &ActiveChild()->View();
        }, toggle);
        Restart();
        Settle(40);
        EXPECT_EQ(messages.CountOf(TextKey::SessionAborted), 3);
        ASSERT_EQ(Windows(), 3);
        EXPECT_GT(resize.done, 0);
        ExpectPaintedWhole();
    }
}

} // namespace

// The open lays the frame out (the symbol panel comes in) inside its command: nothing of that
// layout may wait in the queue for the command's end, where every input poll of a paint would
// walk over it again; and the panel and the map area still end up side by side.
TEST_F(PaintPoll, TheOpensLayoutLeavesNothingQueuedForThePaintsPolls)
{
    auto* panel = Frame().findChild<QDockWidget*>(QStringLiteral("SymDock"));
    ASSERT_NE(panel, nullptr);
    ASSERT_FALSE(panel->isVisible());
    const QString path = TempPath(QStringLiteral("a.zmd"));
    ASSERT_TRUE(BusyMap(30).WriteTo(QFile::encodeName(path).toStdString()));
    dialogs.QueueAnswer(true, path);
    Frame().Action(Cmd::FileOpen)->trigger();
    ASSERT_TRUE(Index.MapOpen);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(Frame().findChildren<QPropertyAnimation*>().size(), 0);
    Settle();
    ExpectPaintedWhole();
    const QRect area = Frame().MdiArea()->geometry(), side = panel->geometry();
    EXPECT_LT(area.right(), side.left());
    EXPECT_GT(area.width(), side.width());
    EXPECT_EQ(area.top(), side.top());
}
