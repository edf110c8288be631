#include "core/ControlRules.h"
#include "core/widgets/OwnControls.h"
#include "core/widgets/Ports.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>

#include <gtest/gtest.h>

#include <vector>

using namespace zemo;

TEST(CoreUiScrollBar, RangeLimitsThePositionMinAboveMaxIsRefusedAndScrollsOnlyReport)
{
    TZScrollBar bar;
    int changes = 0;
    bar.OnChange = [&] { ++changes; };
    bar.SetParams(10, -2000, 2000);
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(bar.SetMin(3000), EInvalidOperation);
    EXPECT_THROW(bar.SetMax(-3000), EInvalidOperation);
    EXPECT_EQ(bar.Min(), -2000);
    EXPECT_EQ(bar.Max(), 2000);
    EXPECT_EQ(bar.Position(), 10);
    EXPECT_EQ(bar.minimum(), -2000);
    EXPECT_EQ(changes, 1);

    // The range limits the position; only a change of it is reported.
    bar.SetPosition(80);
    bar.SetMax(50);
    EXPECT_EQ(bar.Position(), 50);
    EXPECT_EQ(bar.value(), 50);
    EXPECT_EQ(changes, 3);
    bar.SetMax(60);
    EXPECT_EQ(changes, 3);
    bar.SetParams(-5, 0, 60);
    EXPECT_EQ(bar.Position(), 0);

    std::vector<int> codes;
    bar.OnScroll = [&](int code, int&) { codes.push_back(code); };
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(codes, (std::vector<int>{TZScrollBar::LineDown, TZScrollBar::PageUp, TZScrollBar::Bottom}));
    // The owner did not move it, so it stays.
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.value(), 0);
    // An owner that follows the request moves it.
    bar.OnScroll = [&](int, int& pos) { bar.SetPosition(pos); };
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar.Position(), 1);
    EXPECT_EQ(bar.value(), 1);

    const QSize s = bar.size();
    bar.SetKind(Qt::Vertical);
    EXPECT_EQ(bar.size(), s.transposed());
}

namespace {

struct FakeHintHost : GridHintTimer::Host {
    bool timer = false;
    bool shown = false;
    int shows = 0;
    int asks = 0;
    QPoint at;
    QString text = QStringLiteral("hint");
    void StartTimer() override { timer = true; }
    void StopTimer() override { timer = false; }
    QString HintText(int, int) override { ++asks; return text; }
    void ShowHint(const QString&, QPoint p) override { shown = true; ++shows; at = p; }
    void HideHint() override { shown = false; }
};

// Ticks until the hint shows; the number of ticks, or -1 after 50.
int TicksUntilShown(GridHintTimer& h, FakeHintHost& host)
{
    for (int i = 1; i <= 50; ++i) {
        h.Tick(true, QPoint(10, 10));
        if (host.shown)
            return i;
    }
    return -1;
}

} // namespace

TEST(CoreUiHintGrid, HintTimingWithAFakeClock)
{
    FakeHintHost host;
    GridHintTimer h(host);
    h.MouseMove(1, 1);
    EXPECT_TRUE(host.timer);
    EXPECT_EQ(TicksUntilShown(h, host), 5); // 500 ms
    EXPECT_EQ(host.at, QPoint(10, 30));
    // Shown until 2500 ms of rest: 20 more ticks.
    int ticks = 0;
    while (host.shown && ticks < 50) {
        h.Tick(true, QPoint(10, 10));
        ++ticks;
    }
    EXPECT_EQ(ticks, 20);
    EXPECT_EQ(h.CurrentState(), GridHintTimer::Finished);
    EXPECT_EQ(h.RestMs(), 2500);

    // From a shown hint the next cell's hint comes after one tick.
    h.MouseMove(2, 1);
    TicksUntilShown(h, host);
    h.MouseMove(3, 1);
    EXPECT_FALSE(host.shown);
    EXPECT_EQ(TicksUntilShown(h, host), 1);

    // Leaving the client area clears everything.
    h.Tick(false, QPoint());
    EXPECT_FALSE(host.shown);
    EXPECT_FALSE(host.timer);
    EXPECT_EQ(h.Col(), -1);
    h.MouseMove(3, 1);
    EXPECT_EQ(TicksUntilShown(h, host), 5);
}

TEST(CoreUiHintGrid, EmptyTextOrAClickMeansNoHintUntilAnotherCell)
{
    FakeHintHost host;
    GridHintTimer h(host);
    host.text.clear();
    h.MouseMove(0, 0);
    EXPECT_EQ(TicksUntilShown(h, host), -1);
    EXPECT_EQ(host.asks, 1);
    h.MouseMove(0, 0); // the same cell again
    EXPECT_EQ(TicksUntilShown(h, host), -1);
    EXPECT_EQ(host.asks, 1);
    host.text = QStringLiteral("x");
    h.MouseMove(0, 1);
    EXPECT_EQ(TicksUntilShown(h, host), 5);

    h.Button(0, 2);
    EXPECT_FALSE(host.shown);
    EXPECT_FALSE(host.timer);
    h.MouseMove(0, 2);
    EXPECT_FALSE(host.timer);
    h.MouseMove(0, 3);
    EXPECT_TRUE(host.timer);
}

TEST(CoreUiHintGrid, GridAsksForTheCellUnderTheMouse)
{
    THintGrid grid;
    grid.setRowCount(3);
    grid.setColumnCount(3);
    grid.resize(300, 200);
    grid.show();
    int askedCol = -9, askedRow = -9;
    grid.OnGridHint = [&](int c, int r, QString& t) { askedCol = c; askedRow = r; t = "cell"; };
    grid.Hints().MouseMove(2, 1);
    const QPoint inside = grid.viewport()->mapToGlobal(QPoint(5, 5));
    for (int i = 0; i < 5; ++i)
        grid.TickAt(inside);
    EXPECT_EQ(askedCol, 2);
    EXPECT_EQ(askedRow, 1);
    EXPECT_TRUE(grid.HintWindow()->isVisible());
    grid.TickAt(grid.viewport()->mapToGlobal(QPoint(-50, -50)));
    EXPECT_FALSE(grid.HintWindow()->isVisible());
}

TEST(CoreUiSplitter, SizeLimits)
{
    EXPECT_EQ(SplitterClampSize(500, 30, 400, true), 350);
    EXPECT_EQ(SplitterClampSize(350, 30, 400, true), 350);
    EXPECT_EQ(SplitterClampSize(31, 30, 400, true), 31);
    EXPECT_EQ(SplitterClampSize(30, 30, 400, true), 0);
    EXPECT_EQ(SplitterClampSize(10, 30, 400, false), 30);
    EXPECT_EQ(SplitterClampSize(-10, 30, 400, false), 30);
    EXPECT_EQ(SplitterClampSize(100, 30, 40, false), 30); // a tiny parent
}

TEST(CoreUiSplitter, DraggingResizesTheNeighbourWithinItsParent)
{
    QWidget parent;
    parent.resize(400, 300);
    auto* left = new QWidget(&parent);
    left->setGeometry(0, 0, 100, 300);
    TZSplitter* bar = new TZSplitter(&parent);
    bar->setGeometry(100, 0, 3, 300);
    EXPECT_EQ(bar->FindControl(), left);
    int moved = 0;
    bar->OnMoved = [&] { ++moved; };

    ASSERT_TRUE(bar->BeginDrag());
    bar->DragBy(1000);
    EXPECT_EQ(left->width(), 100); // pattern style: only at release
    bar->EndDrag();
    EXPECT_EQ(left->width(), 350);
    EXPECT_EQ(bar->x(), 350);
    EXPECT_EQ(moved, 1);

    ASSERT_TRUE(bar->BeginDrag());
    bar->DragBy(-330); // 20 <= MinSize: snaps shut
    bar->EndDrag();
    EXPECT_EQ(left->width(), 0);

    bar->Style = TZSplitter::RsUpdate;
    bar->AutoSnap = false;
    ASSERT_TRUE(bar->BeginDrag());
    bar->DragBy(10);
    EXPECT_EQ(left->width(), 30);
    bar->DragBy(80);
    EXPECT_EQ(left->width(), 80);
    bar->CancelDrag(); // Esc puts it back
    EXPECT_EQ(left->width(), 0);

    bar->Style = TZSplitter::RsNone;
    bar->OnCanResize = [](int& size, bool& accept) { accept = size != 200; };
    ASSERT_TRUE(bar->BeginDrag());
    bar->DragBy(200);
    bar->EndDrag();
    EXPECT_EQ(left->width(), 0);
}

TEST(CoreUiWorkWin, PaintHandlerAndKeys)
{
    TWorkWin w;
    w.resize(50, 40);
    int paints = 0;
    w.OnWmPaint = [&](QPaintEvent*) { ++paints; };
    w.show();
    QCoreApplication::processEvents();
    w.repaint();
    EXPECT_GE(paints, 1);
    std::vector<int> keys;
    w.OnKeyDown = [&](QKeyEvent* e) { keys.push_back(e->key()); };
    for (int k : {int(Qt::Key_Tab), int(Qt::Key_Left)}) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &e);
    }
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Tab, Qt::Key_Left}));
    w.SetCursorNumber(-3);
    EXPECT_EQ(w.cursor().shape(), Qt::CrossCursor);
    CoreWidgetsPorts().OwnCursor.Bind([](int) { return QCursor(Qt::PointingHandCursor); });
    w.SetCursorNumber(4);
    EXPECT_EQ(w.cursor().shape(), Qt::PointingHandCursor);
    CoreWidgetsPorts().OwnCursor.Unbind();
}
