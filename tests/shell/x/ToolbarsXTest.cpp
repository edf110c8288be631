// The toolbars on an X server, the pointer and keys going the window system's whole way
// (mouse grab, keyboard grab, shortcut map): a grip dropped on a dock or a row's edge, Ctrl
// held and let go, and the floating window's close button.
#include "../ShellFixture.h"

#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"

#include <QApplication>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <functional>
#include <optional>

// QtGui's own entries for input into a window (the ones its test library uses).
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text = QString(), bool autorep = false,
                                    ushort count = 1);

using namespace zemo;

namespace {

class ToolbarsX : public test::ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under xvfb-run";
        Frame().move(0, 0);
        Frame().activateWindow();
        WaitFor([&] { return QGuiApplication::applicationState() == Qt::ApplicationActive; });
    }
    static void WaitFor(const std::function<bool()>& done)
    {
        for (int i = 0; i < 100 && !done(); ++i) {
            QThread::msleep(10);
            Settle(2);
        }
    }
    // A pointer event at a screen point, into the window the press went to.
    void Pointer(QWindow* w, QEvent::Type type, QPoint global, Qt::MouseButtons held,
                 Qt::MouseButton button = Qt::NoButton, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        qt_handleMouseEvent(w, w->mapFromGlobal(global), global, held, button, type, mods, ++time_);
        Settle(2);
    }
    // Pressed at `from`, moved there in steps, released.
    // mods: held from the press; release: held at the release.
    void Drag(QWindow* w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier,
              const std::function<void()>& underway = {},
              std::optional<Qt::KeyboardModifiers> release = std::nullopt)
    {
        Pointer(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, mods);
        ASSERT_NE(CurrentTracking(), nullptr) << "the drag started";
        for (int i = 1; i <= 4; ++i)
            Pointer(w, QEvent::MouseMove, from + (to - from) * i / 4, Qt::LeftButton, Qt::NoButton, mods);
        if (underway)
            underway();
        Pointer(w, QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::LeftButton, release.value_or(mods));
        Settle();
    }
    QPoint GripOf(const TToolbar97& t) const
    {
        QWidget* grip = t.Host()->findChild<QWidget*>(QStringLiteral("Grip"));
        return grip->mapToGlobal(QPoint(4, 10));
    }
    QWindow* FrameWindow() const { return Frame().windowHandle(); }
    TToolbar97& Standard() const { return *Frame().StandardToolbar(); }
    TToolbar97& Edit() const { return *Frame().EditToolbar(); }

    int time_ = 1000;
};

TEST_F(ToolbarsX, AGripDroppedOnTheRightDockDocksThere)
{
    const QRect right = Frame().Dock(4)->ScreenRect();
    bool outlineShown = false;
    Drag(FrameWindow(), GripOf(Standard()), QPoint(right.left() - 10, right.top() + 100), Qt::NoModifier,
         [&] {
             const ToolWindowTracking* t = CurrentTracking();
             ASSERT_NE(t, nullptr);
             outlineShown = t->dock == Frame().Dock(4);
             bool shown = false;
             for (QWidget* w : QApplication::topLevelWidgets())
                 shown = shown || (qobject_cast<TToolWindowOutline*>(w) && w->isVisible() &&
                                   w->geometry() == t->outline);
             EXPECT_TRUE(shown) << "the outline's window lies over the screen";
         });
    EXPECT_TRUE(outlineShown);
    EXPECT_EQ(CurrentTracking(), nullptr);
    EXPECT_EQ(Standard().DockedTo(), Frame().Dock(4));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "the grab ends with the drag";
    Settle();
    EXPECT_EQ(Standard().OuterScreenRect().right(), Frame().mapToGlobal(Frame().rect().topRight()).x())
        << "against the frame's right edge";
}

TEST_F(ToolbarsX, DroppedOnARowsTopFivePixelsItOpensARow)
{
    ASSERT_EQ(Edit().DockRow(), 1);
    const QRect top = Frame().Dock(1)->ScreenRect();
    // The grip is grabbed 12 pixels into the 26 of the toolbar: the outline's middle is the
    // cursor's row.
    Drag(FrameWindow(), GripOf(Edit()), QPoint(top.left() + 300, top.top() + 5));
    EXPECT_EQ(Edit().DockedTo(), Frame().Dock(1));
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Standard().DockRow(), 1);
    Settle();
    EXPECT_LT(Edit().OuterScreenRect().top(), Standard().OuterScreenRect().top());
}

TEST_F(ToolbarsX, WithCtrlHeldItNeverDocksAndLettingGoDocksAtOnce)
{
    const QRect top = Frame().Dock(1)->ScreenRect();
    const QPoint over(top.left() + 400, top.top() + 10);
    Drag(FrameWindow(), GripOf(Standard()), over, Qt::ControlModifier, [&] {
        EXPECT_EQ(CurrentTracking()->dock, nullptr) << "over a dock, yet floating";
        EXPECT_EQ(CurrentTracking()->outline.size(), Standard().OuterSizeFor(nullptr));
    });
    EXPECT_FALSE(Standard().Docked());
    ASSERT_NE(Standard().FloatingWindow(), nullptr);
    WaitFor([&] { return Standard().FloatingWindow()->isVisible(); });
    EXPECT_TRUE(Standard().FloatingWindow()->isVisible());

    // Dragged by its caption with Ctrl, Ctrl let go over the dock: it docks.
    QWindow* floating = Standard().FloatingWindow()->windowHandle();
    const QPoint caption = Standard().FloatingWindow()->mapToGlobal(QPoint(20, FloatFrame + 5));
    Drag(floating, caption, over, Qt::ControlModifier, [&] {
        EXPECT_EQ(CurrentTracking()->dock, nullptr);
        qt_handleKeyEvent(floating, QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
        Settle(2);
        EXPECT_EQ(CurrentTracking()->dock, Frame().Dock(1)) << "docks at once";
    }, Qt::NoModifier);
    EXPECT_EQ(Standard().DockedTo(), Frame().Dock(1));
}

TEST_F(ToolbarsX, TheCloseButtonHidesOnlyWhenReleasedOverIt)
{
    ASSERT_TRUE(OpenSample()); // the View menu ticks with a map
    Standard().SetFloatingPosition({300, 500});
    Standard().SetDockedTo(nullptr);
    TFloatingWindow* w = Standard().FloatingWindow();
    ASSERT_NE(w, nullptr);
    WaitFor([&] { return w->isVisible() && w->windowHandle()->isExposed(); });
    QWindow* window = w->windowHandle();
    const QPoint close = w->mapToGlobal(FloatCloseRect(w->size()).center());
    Pointer(window, QEvent::MouseButtonPress, close, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(w->ClosePressed());
    EXPECT_EQ(CurrentTracking(), nullptr) << "no drag from the close button";
    Pointer(window, QEvent::MouseMove, close + QPoint(0, 40), Qt::LeftButton);
    EXPECT_FALSE(w->ClosePressed()) << "drawn up off the button";
    Pointer(window, QEvent::MouseButtonRelease, close + QPoint(0, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(Standard().Visible());
    EXPECT_TRUE(w->isVisible());

    Pointer(window, QEvent::MouseButtonPress, close, Qt::LeftButton, Qt::LeftButton);
    Pointer(window, QEvent::MouseButtonRelease, close, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(Standard().Visible());
    EXPECT_FALSE(w->isVisible());
    Frame().UpdateCommandStates();
    EXPECT_FALSE(Frame().Action(Cmd::ViewStandard)->isChecked());
    EXPECT_EQ(QApplication::activeWindow(), &Frame()) << "the frame stays active";
}

TEST_F(ToolbarsX, ADoubleClickOnTheGripFloatsTheToolbarBesideItsDock)
{
    // The first click's drag drops it where it was; the second press is the window system's
    // double-click.
    const QRect docked = Standard().OuterScreenRect();
    const QRect dock = Frame().Dock(1)->ScreenRect();
    const QPoint grip = GripOf(Standard());
    for (int click = 0; click < 2; ++click) {
        Pointer(FrameWindow(), QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
        Pointer(FrameWindow(), QEvent::MouseButtonRelease, grip, Qt::NoButton, Qt::LeftButton);
    }
    Settle();
    EXPECT_EQ(CurrentTracking(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    ASSERT_FALSE(Standard().Docked());
    TFloatingWindow* w = Standard().FloatingWindow();
    ASSERT_NE(w, nullptr);
    WaitFor([&] { return w->isVisible(); });
    EXPECT_EQ(w->geometry().topLeft(), QPoint(docked.left(), dock.bottom() + 1 + BesideDockGap));
}

} // namespace
