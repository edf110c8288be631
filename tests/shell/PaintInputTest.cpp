// Input while a map paints, as the window system delivers it: a key (menu shortcuts included)
// or a press stops the paint and is handled after it, Esc leaves the rest for the next
// command, right-clicks reach the map's pop-up; and the zoom frame on the screen.
#include "ShellFixture.h"
#include "../support/ImageDiff.h"
#include "edit/View.h"
#include "edit/Work.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <optional>

// QtGui's own entries for input typed or clicked into a window (the ones QtTest uses): the
// event takes the whole way real input takes, shortcut map and popups included.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text = QString(), bool autorep = false,
                                    ushort count = 1);
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* w, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

using namespace zemo;
using namespace zemo::test;

namespace {

class PaintInput : public ShellTest {
protected:
    void TearDown() override
    {
        inject_.stop();
        ShellTest::TearDown();
    }
    // Lines 201 across the view, or areas 401 with a dot pattern and no fill (their painter
    // lets the queue run on every row of dots): a paint polls for input many times.
    bool OpenBig(bool patterned)
    {
        TestMapWriter w(8);
        TestSymbol area = TestSymbol::Area(401, 0, {TestElement::Dot(0, 40)});
        area.SetI16(350, 0);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), area};
        for (int i = 0; i < 600; ++i) {
            const int32_t x = (i % 30 - 15) * 3 * Mm, y = (i / 30 - 10) * 3 * Mm;
            if (patterned)
                w.objects.push_back(TestObject::Area(
                    401, {{x, y}, {x + 8 * Mm, y}, {x + 8 * Mm, y + 8 * Mm}, {x, y + 8 * Mm}, {x, y}}));
            else
                w.objects.push_back(TestObject::Line(201, {{x, y}, {x + 5 * Mm, y + 2 * Mm}}));
        }
        if (!OpenWritten(w, QStringLiteral("big.zmd")))
            return false;
        // The click that activated the window is spent.
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
        return !ActiveChild()->View().SwallowClick;
    }
    // `input` runs once, from inside the next map paint, where the window system's queue runs.
    void DuringNextPaint(std::function<void()> input)
    {
        inject_.setInterval(0);
        QObject::disconnect(&inject_, nullptr, nullptr, nullptr);
        QObject::connect(&inject_, &QTimer::timeout, [this, input] {
            if (!Work.PaintBusy)
                return;
            inject_.stop();
            injected_ = true;
            input();
        });
        injected_ = false;
        inject_.start();
    }
    QWindow* Window() const { return Frame().windowHandle(); }
    void TypeKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        qt_handleKeyEvent(Window(), QEvent::KeyPress, key, mods, text);
        qt_handleKeyEvent(Window(), QEvent::KeyRelease, key, mods, text);
    }
    void Press(Qt::MouseButton b, QPoint onSurface)
    {
        const QPointF global = Surface()->mapToGlobal(QPointF(onSurface));
        const QPointF local = Window()->mapFromGlobal(global.toPoint());
        qt_handleMouseEvent(Window(), local, global, b, b, QEvent::MouseButtonPress, {}, 0);
        qt_handleMouseEvent(Window(), local, global, {}, b, QEvent::MouseButtonRelease, {}, 0);
    }
    MapView& View() const { return ActiveChild()->View(); }

    QTimer inject_;
    bool injected_ = false;
};

// The first delivery of an event of this type after the paint: was the paint cut short then?
class CutShortWhenHandled : public QObject {
public:
    CutShortWhenHandled(QEvent::Type type, MapView& v) : type_(type), view_(v)
    {
        qApp->installEventFilter(this);
    }
    ~CutShortWhenHandled() override { qApp->removeEventFilter(this); }
    bool seen = false;
    bool cutShort = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (!seen && !Work.PaintBusy && e->type() == type_) {
            seen = true;
            cutShort = view_.PendingValid;
        }
        return false;
    }

private:
    QEvent::Type type_;
    MapView& view_;
};

TEST_F(PaintInput, EveryKeyButShiftCtrlAltAndEveryPressStopsAPaintAndIsHandledAfterIt)
{
    ASSERT_TRUE(OpenBig(false));
    const struct {
        const char* what;
        QEvent::Type handledAs;
        bool stops;
        std::function<void()> input;
    } rows[] = {
        {"F8, a menu shortcut", QEvent::Shortcut, true,
         [this] { TypeKey(Qt::Key_F8); }},
        {"Shift+F8, a menu shortcut", QEvent::Shortcut, true,
         [this] { TypeKey(Qt::Key_F8, Qt::ShiftModifier); }},
        {"a letter", QEvent::KeyPress, true,
         [this] { TypeKey(Qt::Key_A, Qt::NoModifier, QStringLiteral("a")); }},
        {"a left press", QEvent::MouseButtonPress, true,
         [this] { Press(Qt::LeftButton, {200, 150}); }},
        {"Shift", QEvent::KeyPress, false,
         [this] { TypeKey(Qt::Key_Shift, Qt::ShiftModifier); }},
        {"Ctrl", QEvent::KeyPress, false,
         [this] { TypeKey(Qt::Key_Control, Qt::ControlModifier); }},
    };
    for (const auto& r : rows) {
        CutShortWhenHandled probe(r.handledAs, View());
        DuringNextPaint(r.input);
        Trigger(Cmd::ViewRedraw);
        ASSERT_TRUE(injected_) << r.what;
        ASSERT_TRUE(probe.seen) << r.what;
        EXPECT_EQ(probe.cutShort, r.stops) << r.what;
        // Whatever stopped it, the map is whole again afterwards.
        EXPECT_FALSE(View().PendingValid) << r.what;
        EXPECT_FALSE(Work.PaintBusy) << r.what;
        Trigger(Cmd::ViewEntire);
    }
}

TEST_F(PaintInput, EscStopsThePaintAndTheRestWaitsForTheNextCommand)
{
    ASSERT_TRUE(OpenBig(false));
    const QImage before = ActiveChild()->Surface().copy();
    DuringNextPaint([&] { TypeKey(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")); });
    Trigger(Cmd::ViewRedraw);
    ASSERT_TRUE(injected_);
    EXPECT_FALSE(Work.PaintBusy);
    EXPECT_TRUE(View().PendingValid);
    // Nothing paints on its own: the window stays as the stopped paint left it.
    Settle(20);
    EXPECT_TRUE(View().PendingValid);
    EXPECT_FALSE(ActiveChild()->Surface() == before);
    // F5 paints it whole.
    Trigger(Cmd::ViewRedraw);
    EXPECT_FALSE(View().PendingValid);
    EXPECT_TRUE(ActiveChild()->Surface() == before);

    // So does any other command.
    DuringNextPaint([&] { TypeKey(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")); });
    Trigger(Cmd::ViewRedraw);
    ASSERT_TRUE(View().PendingValid);
    Trigger(Cmd::View1X);
    EXPECT_FALSE(View().PendingValid);
}

TEST_F(PaintInput, ARightClickDuringAPaintOpensTheMapMenuOrTogglesDrawingAndEditing)
{
    // The painter of patterned areas lets the queue run itself: nothing may get lost there.
    ASSERT_TRUE(OpenBig(true));
    ProgramConfig.ContextMenu = true;
    DuringNextPaint([&] { Press(Qt::RightButton, {150, 120}); });
    Trigger(Cmd::ViewRedraw);
    ASSERT_TRUE(injected_);
    ASSERT_TRUE(Frame().WorkPopUp()->isVisible());
    const QPoint at = Surface()->mapToGlobal(QPoint(149, 120));
    EXPECT_EQ(Frame().WorkPopUp()->pos(), at);
    Frame().WorkPopUp()->close();
    Settle();

    // Without the pop-up, the release switches between the drawing tool and editing.
    ProgramConfig.ContextMenu = false;
    ChooseSymbol(1);
    Trigger(Cmd::CurveBtn);
    ASSERT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    DuringNextPaint([&] { Press(Qt::RightButton, {150, 120}); });
    Trigger(Cmd::ViewRedraw);
    ASSERT_TRUE(injected_);
    EXPECT_FALSE(Frame().WorkPopUp()->isVisible());
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditPoint);
}

// ---- The zoom frame ----

class ZoomFrame : public ShellTest {
protected:
    // What the screen shows of the surface (the window's backing store).
    QImage OnScreen() const
    {
        const QPoint o = Surface()->mapTo(&Frame(), QPoint(0, 0));
        return Frame().screen()
            ->grabWindow(Frame().winId(), o.x(), o.y(), Surface()->width(), Surface()->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // Pixels where the surface differs from the map without the frame.
    QRect Changed(const QImage& img) const { return DifferingPixels(img, plain_); }
    // The frame about this centre, as its outline covers pixels.
    QRect FrameAt(QPoint c) const
    {
        const int w = ViewTool.FrameHalfWidth, h = ViewTool.FrameHalfHeight;
        return QRect(QPoint(c.x() - w, c.y() - h), QPoint(c.x() + w, c.y() + h))
            .intersected(Surface()->rect());
    }
    void PointerTo(QPoint onSurface)
    {
        QCursor::setPos(Surface()->mapToGlobal(onSurface));
        Mouse(Surface(), QEvent::MouseMove, onSurface, Qt::NoButton, Qt::NoButton);
        Settle();
    }
    // The frame is on the screen and in the image, once, about c (or nowhere).
    void ExpectFrame(const std::optional<QPoint>& c, const char* step)
    {
        const QImage& img = ActiveChild()->Surface();
        EXPECT_EQ(Changed(img), c ? FrameAt(*c) : QRect()) << step;
        EXPECT_TRUE(OnScreen() == img) << step;
    }

    QImage plain_;
};

TEST_F(ZoomFrame, FollowsThePointerOnTheScreenAndLeavesNothingBehind)
{
    ASSERT_TRUE(OpenSample());
    if (ActiveChild()->View().SwallowClick)
        Click(Surface(), {5, 5});
    const QPoint a{200, 150}, b{260, 190}, c{180, 120};
    PointerTo(a);
    plain_ = ActiveChild()->Surface().copy();
    ASSERT_TRUE(OnScreen() == plain_);

    // A higher zoom than the current one: the frame shows what it will cover.
    Trigger(Cmd::View16X);
    ASSERT_EQ(Work.ToolMode, ToolModes::View);
    ASSERT_GT(ViewTool.FrameHalfWidth, 0);
    ExpectFrame(a, "drawn at once");
    PointerTo(b);
    ExpectFrame(b, "after a move");
    // A paint under the frame (the window exposed) keeps it, once.
    const MapView& v = ActiveChild()->View();
    ActiveChild()->InvalidateRect({0, 0, v.ClientWidth, v.ClientHeight});
    Settle();
    ExpectFrame(b, "after a paint");
    PointerTo(c);
    ExpectFrame(c, "moved after the paint");

    // The pointer leaves the window: the view timer takes the frame away.
    QCursor::setPos(Surface()->mapToGlobal(QPoint(-40, -40)));
    for (int i = 0; i < 50 && ViewTool.FrameShown; ++i) {
        QThread::msleep(10);
        Settle(2);
    }
    ExpectFrame(std::nullopt, "after leaving");
    PointerTo(a);
    ExpectFrame(a, "back in the window");
    Key(Surface(), Qt::Key_Escape);
    EXPECT_NE(Work.ToolMode, ToolModes::View);
    ExpectFrame(std::nullopt, "after Esc");
}

} // namespace
