// The main frame's toolbars in the running program: where the docks show them, the saved
// layout across a restart, the floating window, and dragging with the pointer.
#include "ShellFixture.h"

#include "platform/Settings.h"
#include "shell/toolbars/DragRules.h"
#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

#include <functional>
#include <set>
#include <stdexcept>

using namespace zemo;

namespace {

enum DockNo { Top = 1, Bottom = 2, Left = 3, Right = 4 };

class Toolbars : public test::ShellTest {
protected:
    TToolbar97& Standard() const { return *Frame().StandardToolbar(); }
    TToolbar97& Edit() const { return *Frame().EditToolbar(); }
    TDock97* Dock(int n) const { return Frame().Dock(n); }
    // The docked toolbar's rectangle in the frame.
    QRect InFrame(const TToolbar97& t) const
    {
        return QRect(t.Host()->mapTo(&Frame(), QPoint(0, 0)), t.Host()->size());
    }
    // The settings file's value of a toolbar's section.
    static QString Saved(const char* bar, const char* value)
    {
        QString text;
        Settings::OpenDefault().ReadString(QStringLiteral("Zemo8/Toolbars/%1/%2").arg(QLatin1String(bar), QLatin1String(value)), text);
        return text;
    }
    static void Store(const char* bar, std::initializer_list<std::pair<const char*, const char*>> values)
    {
        Settings s = Settings::OpenDefault();
        for (const auto& [k, v] : values)
            s.WriteString(QStringLiteral("Zemo8/Toolbars/%1/%2").arg(QLatin1String(bar), QLatin1String(k)), QLatin1String(v));
        ASSERT_TRUE(s.Save());
    }
    // The grip pressed 4, 10 into it, dragged to a screen point and let go there.
    static void DragGrip(TToolbar97& t, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* grip = t.Host()->findChild<QWidget*>(QStringLiteral("Grip"));
        ASSERT_NE(grip, nullptr);
        const QPoint at(4, 10);
        Mouse(grip, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, mods);
        ASSERT_NE(CurrentTracking(), nullptr);
        const QPoint local = grip->mapFromGlobal(to);
        Mouse(grip, QEvent::MouseMove, (at + local) / 2, Qt::NoButton, Qt::LeftButton, mods);
        Mouse(grip, QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton, mods);
        Mouse(grip, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton, mods);
        Settle();
        EXPECT_EQ(CurrentTracking(), nullptr);
    }
    // Closing saves the layout; stored values are written after it.
    void CloseAndRestart(const std::function<void()>& whileClosed = {})
    {
        ASSERT_TRUE(Frame().close());
        if (whileClosed)
            whileClosed();
        Restart();
        Settle();
    }
};

TEST_F(Toolbars, TheFrameStartsWithBothToolbarsInTwoRowsOfTheTopDock)
{
    EXPECT_EQ(Standard().DockedTo(), Dock(Top));
    EXPECT_EQ(Edit().DockedTo(), Dock(Top));
    EXPECT_EQ(Standard().DockRow(), 0);
    EXPECT_EQ(Edit().DockRow(), 1);
    EXPECT_EQ(Edit().DockPos(), 24) << "as designed";
    for (int n = Top; n <= Right; ++n)
        EXPECT_EQ(Dock(n)->objectName(), QStringLiteral("Dock97%1").arg(n));
    const QRect s = InFrame(Standard());
    const QRect e = InFrame(Edit());
    const QRect dock = Dock(Top)->ClientRect();
    EXPECT_EQ(s.topLeft(), dock.topLeft());
    EXPECT_EQ(e.topLeft(), QPoint(dock.left() + 24, s.bottom() + 1)) << "the second row under the first";
    EXPECT_EQ(s.size(), Standard().OuterSizeFor(Dock(Top)));
    EXPECT_EQ(e.size(), Edit().OuterSizeFor(Dock(Top)));
    EXPECT_EQ(dock.height(), s.height() + e.height());
    EXPECT_EQ(Dock(Left)->Thickness(), 0);

    // The window system places every control where the toolbar's own layout says.
    const ToolbarArrangement a = OrderControls(Standard().Describe(),
                                               DockType::Horizontal, 0, Dock(Top)->RowSizes()[0]);
    const std::vector<QWidget*> controls = Standard().Controls();
    for (size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->geometry(), a.places[i].translated(DockedFrame + GripSize, DockedFrame)) << i;
}

TEST_F(Toolbars, ThePlacesComeBackAfterARestart)
{
    ASSERT_TRUE(OpenSample()); // the View menu needs a map
    // StandardToolbar docked left, EditToolbar floating at (300, 200) in three lines, then hidden.
    Standard().SetDockedTo(Dock(Left));
    const int threeLines = 4 + 8 * 23 + 4; // the drawing tools, then the cutting and the point tools
    Edit().SetFloatRightX(threeLines);
    Edit().SetFloatingPosition({300, 200});
    Edit().SetDockedTo(nullptr);
    ASSERT_NE(Edit().FloatingWindow(), nullptr);
    EXPECT_EQ(Edit().FloatingWindow()->Client()->LineSeps().size(), 2u) << "three lines";
    Choose(Cmd::ViewEdit);
    EXPECT_FALSE(Edit().Visible());
    EXPECT_FALSE(Edit().FloatingWindow()->isVisible());
    CloseAndRestart();

    // The values as the settings file holds them, in their order's meaning.
    const struct {
        const char* bar;
        const char* value;
        const char* text;
    } saved[] = {
        {"StandardToolbar", "Rev", "2"},        {"StandardToolbar", "Visible", "1"},
        {"StandardToolbar", "DockedTo", "Dock973"}, {"StandardToolbar", "DockRow", "0"},
        {"StandardToolbar", "DockPos", "0"},    {"StandardToolbar", "FloatRightX", "0"},
        {"EditToolbar", "Rev", "2"},            {"EditToolbar", "Visible", "0"},
        {"EditToolbar", "DockedTo", "+"},       {"EditToolbar", "FloatLeft", "300"},
        {"EditToolbar", "FloatTop", "200"},     {"EditToolbar", "FloatRightX", "192"},
    };
    for (const auto& v : saved)
        EXPECT_EQ(Saved(v.bar, v.value).toStdString(), v.text) << v.bar << "/" << v.value;

    EXPECT_EQ(Standard().DockedTo(), Dock(Left));
    EXPECT_EQ(Standard().Host()->orientation(), Qt::Vertical);
    EXPECT_EQ(InFrame(Standard()).topLeft(), Dock(Left)->ClientRect().topLeft());
    EXPECT_EQ(Dock(Top)->Thickness(), 0) << "nothing left in the top dock";
    EXPECT_FALSE(Edit().Docked());
    EXPECT_FALSE(Edit().Visible());
    EXPECT_EQ(Edit().FloatRightX(), 192);
    if (!Index.MapOpen)
        ASSERT_TRUE(OpenSample());
    Frame().UpdateCommandStates();
    EXPECT_FALSE(Frame().Action(Cmd::ViewEdit)->isChecked());
    EXPECT_TRUE(Frame().Action(Cmd::ViewStandard)->isChecked());
    Choose(Cmd::ViewEdit);
    ASSERT_NE(Edit().FloatingWindow(), nullptr);
    EXPECT_TRUE(Edit().FloatingWindow()->isVisible());
    EXPECT_EQ(Edit().FloatingWindow()->geometry().topLeft(), QPoint(300, 200));
    EXPECT_EQ(Edit().FloatingWindow()->Client()->LineSeps().size(), 2u);
    EXPECT_EQ(Edit().FloatingWindow()->size(), Edit().OuterSizeFor(nullptr));
    EXPECT_TRUE(Frame().Action(Cmd::ViewEdit)->isChecked());
}

TEST_F(Toolbars, AStoredPlaceIsTakenByItsRules)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* name;
        std::initializer_list<std::pair<const char*, const char*>> standard;
        int dock; // 0 floating
        int row;
        bool visible;
    } rows[] = {
        {"a row with empty rows before it closes up",
         {{"Rev", "2"}, {"Visible", "1"}, {"DockedTo", "Dock972"}, {"DockRow", "5"}, {"DockPos", "0"}}, Bottom, 0, true},
        {"revision 1 leaves it as designed",
         {{"Rev", "1"}, {"Visible", "0"}, {"DockedTo", "Dock973"}, {"DockRow", "0"}}, Top, 0, true},
        {"an unknown dock leaves its place, takes Visible",
         {{"Rev", "2"}, {"Visible", "0"}, {"DockedTo", "Dock975"}, {"DockRow", "3"}}, Top, 0, false},
        {"an empty dock name takes Visible only",
         {{"Rev", "2"}, {"Visible", "1"}, {"DockedTo", ""}, {"DockRow", "3"}}, Top, 0, true},
        {"a place off every screen is moved on",
         {{"Rev", "2"}, {"Visible", "1"}, {"DockedTo", "+"}, {"FloatLeft", "-5000"}, {"FloatTop", "-5000"}}, 0, 0, true},
    };
    for (const auto& r : rows) {
        CloseAndRestart([&] { Store("StandardToolbar", r.standard); });
        EXPECT_EQ(Standard().Visible(), r.visible) << r.name;
        if (r.dock == 0) {
            ASSERT_NE(Standard().FloatingWindow(), nullptr) << r.name;
            EXPECT_TRUE(Standard().FloatingWindow()->geometry().intersects(screen)) << r.name;
            EXPECT_TRUE(screen.contains(Standard().FloatingPosition())) << r.name;
        } else {
            EXPECT_EQ(Standard().DockedTo(), Dock(r.dock)) << r.name;
            EXPECT_EQ(Standard().DockRow(), r.row) << r.name;
        }
        // The next case starts as designed.
        Settings s = Settings::OpenDefault();
        for (const char* v : {"Rev", "Visible", "DockedTo", "DockRow", "DockPos", "FloatLeft", "FloatTop", "FloatRightX"})
            s.Remove(QStringLiteral("Zemo8/Toolbars/StandardToolbar/") + QLatin1String(v));
        Standard().SetVisible(true);
        Standard().SetRowAndPos(0, 0);
        Standard().SetDockedTo(Dock(Top));
        ASSERT_TRUE(s.Save());
    }
}

TEST_F(Toolbars, RowsOfTheBottomAndRightDocksCountFromTheirTopAndLeft)
{
    ASSERT_TRUE(OpenSample()); // the View menu needs a map
    for (int n : {Bottom, Right}) {
        Standard().SetRowAndPos(0, 0);
        Standard().SetDockedTo(Dock(n));
        Edit().SetRowAndPos(1, 0);
        Edit().SetDockedTo(Dock(n));
        Settle();
        const QRect s = InFrame(Standard());
        const QRect e = InFrame(Edit());
        const QRect dock = Dock(n)->ClientRect();
        EXPECT_EQ(s.topLeft(), dock.topLeft()) << "row 0 first, dock " << n;
        if (n == Bottom)
            EXPECT_EQ(e.top(), s.bottom() + 1);
        else
            EXPECT_EQ(e.left(), s.right() + 1);
        EXPECT_EQ(n == Bottom ? dock.height() : dock.width(), Dock(n)->Thickness());
    }
    // A hidden toolbar takes no room and comes back to its row.
    Choose(Cmd::ViewStandard);
    EXPECT_EQ(Dock(Right)->DockList().size(), 1u);
    EXPECT_EQ(Edit().DockRow(), 0);
    Settle();
    EXPECT_EQ(InFrame(Edit()).topLeft(), Dock(Right)->ClientRect().topLeft());
    Choose(Cmd::ViewStandard);
    EXPECT_EQ(Dock(Right)->DockList().size(), 2u);
}

TEST_F(Toolbars, TheGripDragsAToolbarToADockARowOrTheScreen)
{
    auto drag = [&](TToolbar97& t, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        DragGrip(t, to, mods);
    };
    // Onto the top 5 pixels of the standard toolbar's row: a row of its own before it.
    ASSERT_EQ(Edit().DockRow(), 1);
    const QRect top = Dock(Top)->ScreenRect();
    // Grabbed 12 pixels into its 26: the outline's centre is the cursor's row.
    drag(Edit(), QPoint(top.left() + 200, top.top() + 5));
    EXPECT_EQ(Edit().DockedTo(), Dock(Top));
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Standard().DockRow(), 1);
    // 6 pixels in is the row itself: beside the standard toolbar.
    drag(Edit(), QPoint(top.left() + 900, Dock(Top)->ScreenRect().top() + 26 + 6));
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Standard().DockRow(), 0);
    EXPECT_GT(Edit().DockPos(), Standard().DockPos());

    // Onto the empty right dock: just inside the frame's right edge.
    const QRect right = Dock(Right)->ScreenRect();
    drag(Standard(), QPoint(right.left() - 10, right.top() + 100));
    EXPECT_EQ(Standard().DockedTo(), Dock(Right));
    EXPECT_EQ(Standard().Host()->orientation(), Qt::Vertical);

    // With Ctrl held it floats, even over a dock.
    const QRect dockNow = Dock(Top)->ScreenRect();
    drag(Standard(), QPoint(dockNow.left() + 300, dockNow.top() + 10), Qt::ControlModifier);
    EXPECT_FALSE(Standard().Docked());
    ASSERT_NE(Standard().FloatingWindow(), nullptr);
    EXPECT_TRUE(Standard().FloatingWindow()->isVisible());
}
TEST_F(Toolbars, TheFloatingWindowsFrameCaptionAndCloseButton)
{
    ASSERT_TRUE(OpenSample()); // the View menu ticks with a map
    Standard().SetFloatingPosition({100, 300});
    Standard().SetDockedTo(nullptr);
    TFloatingWindow* w = Standard().FloatingWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(w->parentWidget(), &Frame()) << "owned by the frame";
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->geometry(), QRect(QPoint(100, 300), Standard().OuterSizeFor(nullptr)));
    EXPECT_EQ(w->ShownCaption(), Standard().Caption());
    const QRect oneLine = w->geometry();
    Standard().SetFloatRightX(1); // its narrowest
    Standard().SetCaption(QStringLiteral("A caption far too long for the window's narrow caption bar, and longer"));
    EXPECT_TRUE(w->ShownCaption().endsWith(QStringLiteral("...")));
    EXPECT_LT(w->ShownCaption().size(), Standard().Caption().size());
    EXPECT_LT(w->width(), oneLine.width());
    EXPECT_GT(w->height(), oneLine.height());

    // Pressed, moved off and released: still shown.
    const QPoint close = FloatCloseRect(w->size()).center();
    Mouse(w, QEvent::MouseButtonPress, close, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(w->ClosePressed());
    Mouse(w, QEvent::MouseMove, close + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(w->ClosePressed());
    Mouse(w, QEvent::MouseButtonRelease, close + QPoint(30, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(Standard().Visible());
    EXPECT_TRUE(w->isVisible());
    // Closed: hidden, and the View menu unticks it.
    int closed = 0;
    QObject::connect(&Standard(), &TToolbar97::OnClose, [&] { ++closed; });
    Click(w, close);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(Standard().Visible());
    EXPECT_FALSE(w->isVisible());
    Frame().UpdateCommandStates();
    EXPECT_FALSE(Frame().Action(Cmd::ViewStandard)->isChecked());
    Choose(Cmd::ViewStandard);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(Toolbars, AFloatingWindowLeavesTheFrameActiveAndHidesWithTheApplication)
{
    Edit().SetFloatingPosition({200, 250});
    Edit().SetDockedTo(nullptr);
    TFloatingWindow* w = Edit().FloatingWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QWidget other;
    other.show();
    other.activateWindow();
    Settle();
    ASSERT_EQ(QApplication::activeWindow(), &other);
    // A press on the caption starts a drag and activates the frame, not the window.
    Mouse(w, QEvent::MouseButtonPress, {20, 8}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(CurrentTracking(), nullptr);
    EXPECT_EQ(CurrentTracking()->dock, nullptr);
    EXPECT_EQ(CurrentTracking()->outline, w->geometry());
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &Frame());
    QKeyEvent cancel(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &cancel); // ends the drag where it started
    EXPECT_EQ(CurrentTracking(), nullptr);
    EXPECT_EQ(QApplication::activeWindow(), &Frame());
    EXPECT_EQ(w->geometry().topLeft(), QPoint(200, 250));

    // Inactive, it hides; active again, it is back; without HideWhenInactive it stays.
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(w->isVisible());
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(w->isVisible());
    Edit().SetHideWhenInactive(false);
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(w->isVisible());
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    // The frame minimised takes it along.
    Frame().showMinimized();
    Settle();
    EXPECT_FALSE(w->isVisible());
    Frame().showNormal();
    Settle();
    EXPECT_TRUE(w->isVisible());

    // Esc in the floating window gives the frame the focus.
    other.activateWindow();
    Settle();
    ASSERT_EQ(QApplication::activeWindow(), &other);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &esc);
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &Frame());
    other.hide();

    // A double-click docks it first in row 0 of its default dock; one on the grip floats it.
    Mouse(w, QEvent::MouseButtonDblClick, {30, 8}, Qt::LeftButton, Qt::LeftButton);
    Settle();
    EXPECT_EQ(CurrentTracking(), nullptr);
    EXPECT_EQ(Edit().DockedTo(), Dock(Top));
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Edit().DockPos(), 0);
    EXPECT_EQ(Standard().DockPos(), Edit().DockedLength(Dock(Top))) << "after it in row 0";
    QWidget* grip = Edit().Host()->findChild<QWidget*>(QStringLiteral("Grip"));
    Mouse(grip, QEvent::MouseButtonDblClick, {4, 4}, Qt::LeftButton, Qt::LeftButton);
    Settle();
    EXPECT_FALSE(Edit().Docked());
    EXPECT_EQ(Edit().FloatingWindow()->geometry().topLeft(), QPoint(200, 250));
}

TEST_F(Toolbars, AFloatingToolbarIsSizedInStepsByItsEdge)
{
    Edit().SetFloatingPosition({100, 100});
    Edit().SetDockedTo(nullptr);
    TFloatingWindow* w = Edit().FloatingWindow();
    ASSERT_NE(w, nullptr);
    const std::vector<FloatSize> sizes =
        PossibleFloatSizes(Edit().Describe(), FloatFrameExtra());
    ASSERT_GE(sizes.size(), 3u);
    const QSize one = w->size();
    ASSERT_EQ(one, sizes[0].outer);
    const QPoint edge(one.width() - 2, 30);
    Mouse(w, QEvent::MouseButtonPress, edge, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(CurrentTracking(), nullptr);
    EXPECT_TRUE(CurrentTracking()->sizing);
    Mouse(w, QEvent::MouseMove, edge - QPoint(12, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(CurrentTracking()->outline.size(), one) << "within the snap tolerance";
    // Past the next narrower width: that size, its top-left where it was.
    const int to = sizes[1].outer.width();
    Mouse(w, QEvent::MouseMove, edge - QPoint(one.width() - to, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(CurrentTracking()->outline, QRect(QPoint(100, 100), sizes[1].outer));
    Mouse(w, QEvent::MouseButtonRelease, edge - QPoint(one.width() - to, 0), Qt::LeftButton, Qt::NoButton);
    Settle();
    EXPECT_EQ(Edit().FloatRightX(), sizes[1].wrap);
    EXPECT_EQ(w->geometry(), QRect(QPoint(100, 100), sizes[1].outer));
    // Esc cancels a sizing: the wrap width stays.
    Mouse(w, QEvent::MouseButtonPress, QPoint(w->width() - 2, 30), Qt::LeftButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, QPoint(10, 30), Qt::NoButton, Qt::LeftButton);
    QKeyEvent cancel(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &cancel);
    EXPECT_EQ(CurrentTracking(), nullptr);
    EXPECT_EQ(Edit().FloatRightX(), sizes[1].wrap);
    EXPECT_EQ(w->size(), sizes[1].outer);
}

TEST_F(Toolbars, ARowLongerThanItsDockIsPulledBackAndRunsOverItsEnd)
{
    Settle();
    ASSERT_EQ(Edit().DockPos(), 24);
    const int editLength = Edit().DockedLength(Dock(Top));
    const int standardLength = Standard().DockedLength(Dock(Top));
    // Narrower than the edit toolbar at 24: it is pulled back until its end meets the dock's
    // end; the standard toolbar cannot be pulled back and runs over the end.
    const int narrow = editLength + 10;
    ASSERT_LT(narrow, standardLength);
    Frame().resize(narrow, 700);
    Settle();
    const QRect dock = Dock(Top)->ClientRect();
    ASSERT_EQ(dock.width(), narrow);
    EXPECT_EQ(Edit().DockPos(), narrow - editLength);
    EXPECT_EQ(InFrame(Edit()), QRect(dock.left() + narrow - editLength, InFrame(Edit()).top(), editLength,
                                     InFrame(Edit()).height()));
    EXPECT_EQ(InFrame(Standard()).topLeft(), dock.topLeft());
    EXPECT_EQ(InFrame(Standard()).width(), standardLength) << "its own length, past the dock's end";
    // Wider again: the places stay where they were pulled.
    Frame().resize(1000, 760);
    Settle();
    EXPECT_EQ(Edit().DockPos(), narrow - editLength);
}

TEST_F(Toolbars, ADockWithoutDraggingKeepsItsToolbarsAndOneNotDockableIsNotOffered)
{
    const int withGrip = InFrame(Standard()).width();
    Dock(Top)->SetAllowDrag(false);
    Settle();
    EXPECT_EQ(InFrame(Standard()).width(), withGrip - GripSize) << "no grip";
    // A press on its frame starts nothing.
    Mouse(Standard().Host(), QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(CurrentTracking(), nullptr);
    Mouse(Standard().Host(), QEvent::MouseButtonRelease, {1, 1}, Qt::LeftButton, Qt::NoButton);
    CloseAndRestart();
    EXPECT_EQ(Saved("StandardToolbar", "DockedTo"), QString()) << "no dock named";
    EXPECT_EQ(Standard().DockedTo(), Dock(Top)) << "as designed";

    // The right dock refused: a drop there floats.
    Standard().SetDockableTo(DockPosition::Right, false);
    QWidget* grip = Standard().Host()->findChild<QWidget*>(QStringLiteral("Grip"));
    const QRect right = Dock(Right)->ScreenRect();
    const QPoint to = grip->mapFromGlobal(QPoint(right.left() - 10, right.top() + 100));
    Mouse(grip, QEvent::MouseButtonPress, {4, 10}, Qt::LeftButton, Qt::LeftButton);
    Mouse(grip, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    ASSERT_NE(CurrentTracking(), nullptr);
    EXPECT_EQ(CurrentTracking()->dock, nullptr);
    Mouse(grip, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    Settle();
    EXPECT_FALSE(Standard().Docked());
}

TEST_F(Toolbars, DisabledButtonsShowTheirOwnPicturesGreyed)
{
    // No map: most buttons are disabled. Each shows its picture's own disabled image over the
    // face, where the glyph of a 23 by 22 button goes.
    const ToolbarColors c = ToolbarColors::Of(Frame().palette());
    int checked = 0;
    std::set<QRgb> shades;
    for (TToolbar97* t : {&Standard(), &Edit()})
        for (QWidget* w : t->Controls()) {
            auto* b = qobject_cast<TToolbarButton97*>(w);
            if (!b || b->isEnabled() || b->size() != ToolbarButtonSize)
                continue;
            QImage want(16, 16, QImage::Format_RGB32);
            want.fill(c.face);
            QPainter(&want).drawPixmap(0, 0, b->Action()->icon().pixmap(QSize(16, 16), QIcon::Disabled));
            const QImage got = b->grab().toImage().copy(3, 3, 16, 16).convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(got, want) << b->objectName().toStdString();
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    shades.insert(got.pixel(x, y));
            ++checked;
        }
    EXPECT_GE(checked, 10);
    EXPECT_GT(shades.size(), 8u) << "greys of the pictures, not one embossed silhouette colour";
}

TEST_F(Toolbars, ADoubleClickFloatsBesideTheDockAndLaterWhereItLastFloated)
{
    const auto doubleClickGrip = [&](TToolbar97& t) {
        QWidget* grip = t.Host()->findChild<QWidget*>(QStringLiteral("Grip"));
        ASSERT_NE(grip, nullptr);
        Mouse(grip, QEvent::MouseButtonDblClick, {4, 10}, Qt::LeftButton, Qt::LeftButton);
        Settle();
    };
    // Never floated: just under the top dock, level with where it sat.
    const QRect docked = Standard().OuterScreenRect();
    const QRect dock = Dock(Top)->ScreenRect();
    doubleClickGrip(Standard());
    ASSERT_NE(Standard().FloatingWindow(), nullptr);
    const QRect beside = Standard().FloatingWindow()->geometry();
    EXPECT_EQ(beside.topLeft(), QPoint(docked.left(), dock.bottom() + 1 + BesideDockGap));
    const QWidget* menu = Frame().menuWidget();
    EXPECT_GT(beside.top(), menu->mapToGlobal(menu->rect().bottomLeft()).y()) << "not over the menus";

    // Moved, docked again by its own double-click, floated again: where it was moved to.
    Standard().SetFloatingPosition({250, 310});
    Mouse(Standard().FloatingWindow()->Client(), QEvent::MouseButtonDblClick, {2, 2},
          Qt::LeftButton, Qt::LeftButton);
    Settle();
    ASSERT_EQ(Standard().DockedTo(), Dock(Top));
    doubleClickGrip(Standard());
    ASSERT_NE(Standard().FloatingWindow(), nullptr);
    EXPECT_EQ(Standard().FloatingWindow()->geometry().topLeft(), QPoint(250, 310));
    Standard().DockByDoubleClick();

    // After a restart: the one that floated before keeps its place; the one that never did
    // (its saved place 0, 0) opens beside its dock again.
    CloseAndRestart();
    ASSERT_EQ(Saved("EditToolbar", "FloatLeft"), QStringLiteral("0"));
    doubleClickGrip(Standard());
    ASSERT_NE(Standard().FloatingWindow(), nullptr);
    EXPECT_EQ(Standard().FloatingWindow()->geometry().topLeft(), QPoint(250, 310));
    const QRect edit = Edit().OuterScreenRect();
    const QRect dockNow = Dock(Top)->ScreenRect();
    doubleClickGrip(Edit());
    ASSERT_NE(Edit().FloatingWindow(), nullptr);
    EXPECT_EQ(Edit().FloatingWindow()->geometry().topLeft(),
              QPoint(edit.left(), dockNow.bottom() + 1 + BesideDockGap));
}

TEST_F(Toolbars, NeverFloatedItOpensBesideALeftOrBottomDockToo)
{
    Edit().SetDockedTo(Dock(Left));
    Standard().SetDockedTo(Dock(Bottom));
    Settle();
    const QRect edit = Edit().OuterScreenRect();
    const QRect standard = Standard().OuterScreenRect();
    const QRect left = Dock(Left)->ScreenRect();
    const QRect bottom = Dock(Bottom)->ScreenRect();
    Edit().FloatByDoubleClick();
    Standard().FloatByDoubleClick();
    ASSERT_NE(Edit().FloatingWindow(), nullptr);
    ASSERT_NE(Standard().FloatingWindow(), nullptr);
    EXPECT_EQ(Edit().FloatingWindow()->geometry().topLeft(), QPoint(left.right() + 1 + BesideDockGap, edit.top()));
    EXPECT_EQ(Standard().FloatingWindow()->geometry().bottomLeft(),
              QPoint(standard.left(), bottom.top() - 1 - BesideDockGap));
}

TEST_F(Toolbars, NeverFloatedItOpensBesideARightDockByItsOwnWidth)
{
    Edit().SetDockedTo(Dock(Right));
    Settle();
    const QRect edit = Edit().OuterScreenRect();
    const QRect right = Dock(Right)->ScreenRect();
    Edit().FloatByDoubleClick();
    ASSERT_NE(Edit().FloatingWindow(), nullptr);
    EXPECT_EQ(Edit().FloatingWindow()->geometry().topRight(), QPoint(right.left() - 1 - BesideDockGap, edit.top()));
}

TEST_F(Toolbars, AnEmptySideDockOfAMaximisedFrameTakesADropWithinItsReach)
{
    Frame().showMaximized();
    Settle();
    const QRect area = Frame().screen()->availableGeometry();
    // The window's frame may leave a pixel or two at the screen's edge.
    ASSERT_LT(Dock(Left)->ScreenRect().left() - area.left(), DockReachX);
    // Grabbed at its grip, the reach lies on the window's side of the screen's edge: 32
    // pixels in docks, 33 floats.
    const int middle = Dock(Left)->ScreenRect().center().y();
    DragGrip(Edit(), {area.left() + 33, middle});
    EXPECT_FALSE(Edit().Docked());
    Edit().SetDockedTo(Dock(Top));
    DragGrip(Edit(), {area.left() + 32, middle});
    EXPECT_EQ(Edit().DockedTo(), Dock(Left));
    DragGrip(Standard(), {area.right() - 20, middle});
    EXPECT_EQ(Standard().DockedTo(), Dock(Right));
}

// ---- The dock's options and the tool window's events ----

// Where the MDI area begins in the frame: the docks' room before it.
QPoint DocumentsAt(TMainFm& frame)
{
    return frame.MdiArea()->mapTo(&frame, QPoint(0, 0));
}

TEST_F(Toolbars, AnEmptyDockTakesNoRoomOrOnePixelWithFixAlign)
{
    const QPoint documents = DocumentsAt(Frame());
    // Left: empty from the start.
    EXPECT_EQ(Dock(Left)->OuterThickness(), 0);
    EXPECT_FALSE(Dock(Left)->isVisible());
    Dock(Left)->SetFixAlign(true);
    Settle();
    EXPECT_TRUE(Dock(Left)->isVisible());
    EXPECT_EQ(Dock(Left)->width(), 1);
    EXPECT_EQ(Dock(Left)->ClientRect().width(), 1);
    EXPECT_EQ(DocumentsAt(Frame()), documents + QPoint(1, 0));
    // Top: emptied, it keeps 1 pixel with FixAlign and none without.
    Standard().SetDockedTo(Dock(Bottom));
    Edit().SetDockedTo(Dock(Bottom));
    Dock(Top)->SetFixAlign(true);
    Settle();
    EXPECT_EQ(Dock(Top)->height(), 1);
    EXPECT_EQ(Dock(Top)->ClientRect().height(), 1);
    EXPECT_EQ(DocumentsAt(Frame()).y(), Dock(Top)->ClientRect().bottom() + 1);
    Dock(Top)->SetFixAlign(false);
    Settle();
    EXPECT_FALSE(Dock(Top)->isVisible());
    EXPECT_EQ(DocumentsAt(Frame()).y(), Dock(Top)->ClientRect().top());
    EXPECT_EQ(Dock(Top)->ClientRect().height(), 0);
}

TEST_F(Toolbars, OneRowAndAFullSizeToolbarInTheRunningFrame)
{
    Settle();
    const int standardLength = Standard().DockedLength(Dock(Top));
    // One row: the edit toolbar follows the standard toolbar in row 0.
    Dock(Top)->SetLimitToOneRow(true);
    Settle();
    EXPECT_EQ(Dock(Top)->RowSizes().size(), 1u);
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Edit().DockPos(), standardLength);
    EXPECT_EQ(InFrame(Edit()).topLeft(), InFrame(Standard()).topRight() + QPoint(1, 0));
    EXPECT_EQ(Dock(Top)->ClientRect().height(), InFrame(Standard()).height());
    Dock(Top)->SetLimitToOneRow(false);

    // Full size beside the standard toolbar in row 0: alone there over the whole dock, the
    // standard toolbar (and a third toolbar in the row after) one row further down.
    auto* third = new TToolbar97(&Frame(), QStringLiteral("ThirdToolbar"), QStringLiteral("Third"));
    third->AddSeparator();
    third->SetRowAndPos(1, 300);
    third->SetDockedTo(Dock(Top));
    Edit().SetRowAndPos(0, 600);
    Edit().SetFullSize(true);
    Settle();
    const QRect dock = Dock(Top)->ClientRect();
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Standard().DockRow(), 1);
    EXPECT_EQ(third->DockRow(), 2);
    EXPECT_EQ(InFrame(Edit()), QRect(dock.topLeft(), QSize(dock.width(), InFrame(Edit()).height())));
    EXPECT_EQ(InFrame(Standard()).topLeft(), QPoint(dock.left(), InFrame(Edit()).bottom() + 1));
    EXPECT_EQ(InFrame(*third).topLeft(), QPoint(dock.left() + 300, InFrame(Standard()).bottom() + 1));
    EXPECT_EQ(dock.height(), InFrame(Edit()).height() + InFrame(Standard()).height() + InFrame(*third).height());
    // Wider frame, wider toolbar.
    Frame().resize(Frame().width() + 40, Frame().height());
    Settle();
    EXPECT_EQ(InFrame(Edit()).width(), Dock(Top)->ClientRect().width());

    // Dragged onto the row of the standard toolbar, it opens a row after it.
    DragGrip(Edit(), Standard().OuterScreenRect().center());
    EXPECT_EQ(Standard().DockRow(), 0);
    EXPECT_EQ(Edit().DockRow(), 1);
    EXPECT_EQ(third->DockRow(), 2);
}

TEST_F(Toolbars, BoundLinesFrameTheDockAndItsToolbarsMoveInside)
{
    Settle();
    const QRect before = Dock(Top)->ClientRect();
    const QPoint documents = DocumentsAt(Frame());
    Dock(Top)->SetBoundLines(blTop | blBottom | blLeft);
    Settle();
    const QRect client = Dock(Top)->ClientRect();
    EXPECT_EQ(client, QRect(before.topLeft() + QPoint(1, 1), QSize(before.width() - 1, before.height())));
    EXPECT_EQ(Dock(Top)->height(), before.height() + 2);
    EXPECT_EQ(DocumentsAt(Frame()), documents + QPoint(0, 2));
    EXPECT_EQ(InFrame(Standard()).topLeft(), client.topLeft());
    // Shadow on the top and left, highlight on the bottom; nothing on the right.
    const QImage img = Dock(Top)->grab().toImage();
    const ToolbarColors c = ToolbarColors::Of(Dock(Top)->palette());
    const int w = img.width(), h = img.height();
    for (int x : {0, w / 2, w - 1})
        EXPECT_EQ(img.pixel(x, 0), c.shadow.rgb()) << x;
    for (int x : {1, w / 2, w - 1})
        EXPECT_EQ(img.pixel(x, h - 1), c.highlight.rgb()) << x;
    for (int y : {1, h / 2, h - 2})
        EXPECT_EQ(img.pixel(0, y), c.shadow.rgb()) << y;
    EXPECT_EQ(img.pixel(w - 1, h / 2), Dock(Top)->Color().rgb());
    // A dock that takes its toolbars away loses the lines: 0 thick.
    Dock(Left)->SetBoundLines(blLeft | blRight);
    Settle();
    EXPECT_EQ(Dock(Left)->OuterThickness(), 0);
}

// A picture of 7 by 5 pixels whose bottom-left colour is also found inside it.
QImage TilePicture()
{
    QImage tile(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            tile.setPixel(x, y, qRgb(30 * x, 40 * y, 200 - 20 * x));
    tile.setPixel(0, 4, qRgb(255, 0, 255));
    tile.setPixel(3, 1, qRgb(255, 0, 255));
    return tile;
}

TEST_F(Toolbars, ATiledTransparentBackgroundRunsOnAcrossTheDockAndItsToolbarsInsideTheBoundLines)
{
    Settle();
    TDock97& dock = *Dock(Top);
    const QColor colour(10, 120, 30);
    dock.SetColor(colour);
    dock.SetBoundLines(blTop | blLeft | blBottom | blRight);
    dock.SetBackground(TilePicture());
    dock.SetBackgroundTransparent(true);
    Settle();
    // The copy is made once and kept; a change of colour makes it again.
    const qint64 copy = dock.ShownBackground().cacheKey();
    EXPECT_EQ(dock.ShownBackground().cacheKey(), copy);
    const QImage tile = TilePicture();
    const auto shown = [&](int u, int v) {
        const QRgb p = tile.pixel(((u % 7) + 7) % 7, ((v % 5) + 5) % 5);
        return p == qRgb(255, 0, 255) ? colour.rgb() : p;
    };
    // The dock as the window system shows it, toolbars and all.
    const QImage img = dock.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString folder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../screenshots"));
    QDir().mkpath(folder);
    img.save(folder + QStringLiteral("/dock-background.png"));
    const QRect client = dock.ClientArea();
    ASSERT_EQ(client, QRect(1, 1, img.width() - 2, img.height() - 2));
    int checked = 0;
    // Beside the toolbars: the tiles from the client's corner.
    const QRect standard(Standard().Host()->pos(), Standard().Host()->size());
    const QRect edit(Edit().Host()->pos(), Edit().Host()->size());
    for (int y = client.top(); y <= client.bottom(); ++y)
        for (int x = client.left(); x <= client.right(); ++x) {
            if (standard.contains(x, y) || edit.contains(x, y))
                continue;
            ASSERT_EQ(img.pixel(x, y), shown(x - client.left(), y - client.top())) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 24 * edit.height()) << "the edit toolbar's row starts at 24";
    // Inside each toolbar's raised edge the tiles run on, in the dock's client coordinates.
    for (const QRect& bar : {standard, edit})
        for (int y = bar.top() + 1; y < bar.bottom(); ++y)
            EXPECT_EQ(img.pixel(bar.left() + 1, y), shown(bar.left() + 1 - client.left(), y - client.top())) << y;
    const ToolbarColors c = ToolbarColors::Of(dock.palette());
    EXPECT_EQ(img.pixel(0, 0), c.shadow.rgb());
    EXPECT_EQ(img.pixel(img.width() - 1, img.height() - 1), c.highlight.rgb());

    // Without the picture on the toolbars they show their own colour there.
    dock.SetBackgroundOnToolbars(false);
    Edit().SetColor(QColor(200, 10, 10));
    Settle();
    const QImage plain = dock.grab().toImage();
    EXPECT_EQ(plain.pixelColor(edit.left() + 1, edit.top() + 5), QColor(200, 10, 10));
    EXPECT_EQ(plain.pixel(edit.left() - 1, edit.top() + 5), shown(edit.left() - 1 - client.left(), edit.top() + 5 - client.top()));
    dock.SetColor(QColor(0, 0, 90));
    EXPECT_NE(dock.ShownBackground().cacheKey(), copy);
    EXPECT_EQ(dock.ShownBackground().pixel(0, 4), qRgb(0, 0, 90));
}

TEST_F(Toolbars, EachLookOfTheDockRepaintsTheDockAndItsToolbars)
{
    Settle();
    struct Count : QObject {
        std::map<QObject*, int> paints;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints[o];
            return false;
        }
    } count;
    TDock97& dock = *Dock(Top);
    for (QWidget* w : {static_cast<QWidget*>(&dock), static_cast<QWidget*>(Standard().Host()),
                       static_cast<QWidget*>(Edit().Host())})
        w->installEventFilter(&count);
    const std::pair<const char*, std::function<void()>> setters[] = {
        {"Background", [&] { dock.SetBackground(TilePicture()); }},
        {"BackgroundTransparent", [&] { dock.SetBackgroundTransparent(true); }},
        {"BackgroundOnToolbars", [&] { dock.SetBackgroundOnToolbars(false); }},
        {"Color", [&] { dock.SetColor(Qt::darkCyan); }},
    };
    for (const auto& [name, set] : setters) {
        count.paints.clear();
        set();
        Settle();
        EXPECT_GE(count.paints[&dock], 1) << name;
        EXPECT_GE(count.paints[Standard().Host()], 1) << name;
        EXPECT_GE(count.paints[Edit().Host()], 1) << name;
    }
    count.paints.clear();
    dock.SetBoundLines(blBottom);
    Settle();
    EXPECT_GE(count.paints[&dock], 1) << "BoundLines";
}

TEST_F(Toolbars, TheDockSaysItsResizeAndMayRefuseAToolbar)
{
    Settle();
    int resized = 0;
    QObject::connect(Dock(Top), &TDock97::OnResize, [&] { ++resized; });
    Frame().resize(Frame().width() - 30, Frame().height());
    Settle();
    EXPECT_GE(resized, 1);
    // Refused while dragged over it: the drop floats.
    std::vector<TToolbar97*> asked;
    QObject::connect(Dock(Right), &TDock97::OnRequestDock, [&](TToolbar97* bar, bool& accept) {
        asked.push_back(bar);
        accept = false;
    });
    const QRect right = Dock(Right)->ScreenRect();
    DragGrip(Standard(), QPoint(right.left() - 10, right.top() + 100));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), &Standard());
    EXPECT_FALSE(Standard().Docked());
    // Inserting and removing are said too.
    std::vector<std::pair<bool, TToolbar97*>> changes;
    QObject::connect(Dock(Left), &TDock97::OnInsertRemoveBar,
                     [&](bool inserting, TToolbar97* bar) { changes.emplace_back(inserting, bar); });
    Edit().SetDockedTo(Dock(Left));
    Edit().SetVisible(false);
    EXPECT_EQ(changes, (std::vector<std::pair<bool, TToolbar97*>>{{true, &Edit()}, {false, &Edit()}}));
    // Hidden with its dock.
    Edit().SetVisible(true);
    Dock(Left)->SetVisible(false);
    Settle();
    EXPECT_FALSE(Edit().Host()->isVisible());
    EXPECT_EQ(DocumentsAt(Frame()).x(), 0);
}

TEST_F(Toolbars, AChangeOfParentSaysItselfInItsOrder)
{
    Settle();
    using Said = std::vector<std::string>;
    const auto listen = [](TToolbar97& t, Said& said) {
        QObject::connect(&t, &TToolbar97::OnDockChanging, [&] { said.push_back("DockChanging"); });
        QObject::connect(&t, &TToolbar97::OnRecreating, [&] { said.push_back("Recreating"); });
        QObject::connect(&t, &TToolbar97::OnResize, [&] { said.push_back("Resize"); });
        QObject::connect(&t, &TToolbar97::OnMove, [&] { said.push_back("Move"); });
        QObject::connect(&t, &TToolbar97::OnRecreated, [&] { said.push_back("Recreated"); });
        QObject::connect(&t, &TToolbar97::OnDockChanged, [&] { said.push_back("DockChanged"); });
    };
    Said said;
    listen(Standard(), said);
    Standard().SetFloatingPosition({200, 300});
    said.clear();
    Standard().SetDockedTo(nullptr);
    EXPECT_EQ(said, (Said{"DockChanging", "Recreating", "Resize", "Move", "Recreated", "DockChanged"}));
    said.clear();
    Standard().SetDockedTo(Dock(Left));
    EXPECT_EQ(said, (Said{"DockChanging", "Recreating", "Resize", "Move", "Recreated", "DockChanged"}));
    said.clear();
    Standard().SetDockedTo(Dock(Left));
    EXPECT_EQ(said, Said{}) << "the same parent: nothing changes";
    // A wider row on a new neighbour resizes it without a change of parent.
    auto* tall = new TToolbar97(&Frame(), QStringLiteral("TallToolbar"), QStringLiteral("Tall"));
    auto* wide = new QWidget;
    wide->setFixedSize(40, 40);
    tall->AddControl(wide);
    Said tallSaid;
    listen(*tall, tallSaid);
    tall->SetRowAndPos(0, 0);
    tall->SetDockedTo(Dock(Left));
    EXPECT_EQ(tallSaid, (Said{"DockChanging", "Resize", "Move", "Recreated", "DockChanged"}))
        << "no parent before: not recreated";
    EXPECT_EQ(said, Said{"Resize"}) << "the standard toolbar's row grows to the new one's width";
}

TEST_F(Toolbars, ASlavePairShowsOneControlByTheDockType)
{
    auto* bar = new TToolbar97(&Frame(), QStringLiteral("PairToolbar"), QStringLiteral("Pair"));
    auto* across = new QWidget;
    across->setObjectName(QStringLiteral("Across"));
    across->setFixedSize(60, 20);
    auto* down = new QWidget;
    down->setObjectName(QStringLiteral("Down"));
    down->setFixedSize(20, 60);
    auto* plain = new QWidget;
    plain->setFixedSize(23, 22);
    bar->AddControl(across);
    bar->AddControl(down);
    bar->AddControl(plain);
    bar->SetSlaveControl(across, down);
    const struct {
        const char* where;
        TDock97* dock;
        QWidget* shown;
        QWidget* hidden;
    } rows[] = {
        {"top", Dock(Top), across, down},
        {"left", Dock(Left), down, across},
        {"bottom", Dock(Bottom), across, down},
        {"right", Dock(Right), down, across},
        {"floating", nullptr, across, down},
    };
    for (const auto& r : rows) {
        bar->SetFloatingPosition({300, 300});
        bar->SetDockedTo(r.dock);
        Settle();
        EXPECT_TRUE(r.shown->isVisible()) << r.where;
        EXPECT_FALSE(r.hidden->isVisible()) << r.where;
        EXPECT_TRUE(bar->ControlVisible(r.shown)) << r.where;
        EXPECT_FALSE(bar->ControlVisible(r.hidden)) << r.where;
        // The hidden one takes no room: the plain control follows the shown one.
        const bool vertical = r.dock && r.dock->Vertical();
        EXPECT_EQ(vertical ? plain->y() : plain->x(), vertical ? r.shown->geometry().bottom() + 1 : r.shown->geometry().right() + 1)
            << r.where;
    }
    // Measured for a dock it is not in, as it would be there.
    EXPECT_EQ(bar->OuterSizeFor(Dock(Left)).height(), 2 * DockedFrame + GripSize + 60 + 22);
    EXPECT_EQ(bar->OuterSizeFor(Dock(Top)).width(), 2 * DockedFrame + GripSize + 60 + 23);
    // A control of no pair follows its own flag.
    bar->SetControlVisible(plain, false);
    EXPECT_FALSE(plain->isVisible());
    EXPECT_FALSE(bar->ControlVisible(plain));
}

TEST_F(Toolbars, ColourHintsMenuTabOrderAndDropsOfAToolbar)
{
    Settle();
    // Colour: behind the controls of the docked and the floating toolbar.
    Standard().SetColor(QColor(1, 2, 3));
    Settle();
    EXPECT_EQ(Standard().Host()->grab().toImage().pixelColor(1, 1), QColor(1, 2, 3));

    // Hints: shown as tips unless ShowHint is off; ParentShowHint brings them back.
    QWidget* button = Standard().Controls().front();
    const auto tipShown = [&] {
        QToolTip::showText(QPoint(10, 10), QStringLiteral("another tip"));
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &help);
        return QToolTip::text() == button->toolTip();
    };
    ASSERT_FALSE(button->toolTip().isEmpty());
    EXPECT_TRUE(Standard().ParentShowHint());
    EXPECT_TRUE(tipShown());
    Standard().SetShowHint(false);
    EXPECT_FALSE(Standard().ParentShowHint());
    EXPECT_FALSE(tipShown());
    Standard().SetParentShowHint(true);
    EXPECT_TRUE(Standard().ShowHint());
    EXPECT_TRUE(tipShown());
    QToolTip::hideText();

    // Pop-up menus: the toolbar's beside its controls, the dock's beside its toolbars.
    QMenu barMenu, dockMenu;
    barMenu.addAction(QStringLiteral("bar"));
    dockMenu.addAction(QStringLiteral("dock"));
    Standard().SetPopupMenu(&barMenu);
    Dock(Top)->SetPopupMenu(&dockMenu);
    QContextMenuEvent onBar(QContextMenuEvent::Mouse, QPoint(1, 1), Standard().Host()->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(Standard().Host(), &onBar);
    EXPECT_TRUE(barMenu.isVisible());
    barMenu.close();
    const QPoint free(Dock(Top)->width() - 5, 5);
    QContextMenuEvent onDock(QContextMenuEvent::Mouse, free, Dock(Top)->mapToGlobal(free));
    QApplication::sendEvent(Dock(Top), &onDock);
    EXPECT_TRUE(dockMenu.isVisible());
    EXPECT_FALSE(barMenu.isVisible());
    dockMenu.close();

    // Tab order: the focus goes round the toolbars' controls in their TabOrder.
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    Standard().AddControl(first);
    Edit().AddControl(second);
    Standard().SetTabOrder(1);
    Edit().SetTabOrder(0);
    EXPECT_EQ(second->nextInFocusChain(), first);
    Standard().SetTabOrder(0);
    Edit().SetTabOrder(1);
    EXPECT_EQ(first->nextInFocusChain(), second);

    // Something dragged over a toolbar: taken where OnDragOver accepts it, then dropped.
    std::vector<QPoint> dropped;
    QObject::connect(&Edit(), &TToolbar97::OnDragOver,
                     [](const QMimeData* data, QPoint, bool& accept) { accept = data->text() == QStringLiteral("take"); });
    QObject::connect(&Edit(), &TToolbar97::OnDragDrop, [&](const QMimeData*, QPoint at) { dropped.push_back(at); });
    for (const char* text : {"leave", "take"}) {
        QMimeData data;
        data.setText(QLatin1String(text));
        QDragEnterEvent enter(QPoint(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Edit().Host(), &enter);
        QDragMoveEvent over(QPoint(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Edit().Host(), &over);
        EXPECT_EQ(over.isAccepted(), std::string(text) == "take") << text;
    }
    QMimeData data;
    data.setText(QStringLiteral("take"));
    QDropEvent drop(QPointF(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Edit().Host(), &drop);
    EXPECT_EQ(dropped, std::vector<QPoint>{QPoint(3, 4)});
}


TEST_F(Toolbars, AnEmptyDockMovesToAnotherSideAndOneWithAToolbarKeepsItsOwn)
{
    Settle();
    const auto refused = [](TDock97* dock, DockPosition to) {
        try {
            dock->SetPosition(to);
        } catch (const std::logic_error& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    const std::string message = "Cannot change Position of a TDock97 if it already contains controls";
    EXPECT_EQ(refused(Dock(Top), DockPosition::Left), message);
    EXPECT_EQ(Dock(Top)->Position(), DockPosition::Top);
    EXPECT_EQ(Standard().DockedTo(), Dock(Top));
    // A hidden toolbar takes no room in its dock, but the dock still holds it.
    Edit().SetDockedTo(Dock(Bottom));
    Edit().SetVisible(false);
    ASSERT_TRUE(Dock(Bottom)->DockList().empty());
    EXPECT_EQ(refused(Dock(Bottom), DockPosition::Right), message);
    EXPECT_EQ(Dock(Bottom)->Position(), DockPosition::Bottom);

    // The empty left dock goes under the documents: a toolbar docked there lies across it.
    Dock(Left)->SetPosition(DockPosition::Bottom);
    EXPECT_FALSE(Dock(Left)->Vertical());
    EXPECT_EQ(Dock(Left)->Area(), Qt::BottomToolBarArea);
    // Its resize is said once the new size holds.
    std::vector<QSize> sizes;
    QObject::connect(Dock(Left), &TDock97::OnResize, [&] { sizes.push_back(Dock(Left)->size()); });
    Standard().SetDockedTo(Dock(Left));
    Settle();
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back(), Dock(Left)->size());
    EXPECT_EQ(sizes.back().height(), InFrame(Standard()).height());
    EXPECT_EQ(Standard().Host()->orientation(), Qt::Horizontal);
    const QRect documents(DocumentsAt(Frame()), Frame().MdiArea()->size());
    const QRect dock = Dock(Left)->ClientRect();
    EXPECT_GT(dock.top(), documents.bottom());
    EXPECT_EQ(dock.left(), documents.left());
    EXPECT_EQ(dock.width(), documents.width());
    EXPECT_EQ(InFrame(Standard()).topLeft(), dock.topLeft());
    EXPECT_EQ(InFrame(Standard()).size(), Standard().OuterSizeFor(Dock(Left)));
    EXPECT_EQ(dock.height(), InFrame(Standard()).height());
    EXPECT_EQ(DocumentsAt(Frame()).x(), 0) << "no room left of the documents";
}

TEST_F(Toolbars, ADockWaitsWithItsLayoutWhileSuspended)
{
    Settle();
    const QRect standard = InFrame(Standard());
    const QRect edit = InFrame(Edit());
    TDock97& dock = *Dock(Top);
    dock.BeginUpdate();
    dock.BeginUpdate();
    Edit().SetDockRow(0);
    Edit().SetDockPos(0);
    EXPECT_EQ(InFrame(Edit()), edit);
    dock.EndUpdate();
    EXPECT_EQ(InFrame(Edit()), edit) << "still suspended once";
    dock.EndUpdate();
    // Now laid out: both in row 0 at 0, the edit toolbar after the standard toolbar (list
    // order), the dock one row thin.
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Standard().DockRow(), 0);
    EXPECT_EQ(InFrame(Standard()), standard);
    EXPECT_EQ(Edit().DockPos(), standard.width());
    EXPECT_EQ(InFrame(Edit()).topLeft(), standard.topRight() + QPoint(1, 0));
    EXPECT_EQ(dock.RowSizes().size(), 1u);
    // A dock that does not wait lays out at once.
    // Alone in row 1 it is pulled back from beyond the dock's end.
    ASSERT_GT(standard.width() + Edit().DockedLength(&dock), dock.ClientRect().width());
    Edit().SetDockRow(1);
    EXPECT_EQ(InFrame(Edit()).topLeft(), QPoint(dock.ClientRect().right() + 1 - Edit().DockedLength(&dock),
                                                standard.bottom() + 1));
}

TEST_F(Toolbars, WithoutItsHandleAToolbarHasNoGripAndIsDraggedByItsFrame)
{
    Settle();
    const QRect with = InFrame(Standard());
    QWidget* grip = Standard().Host()->findChild<QWidget*>(QStringLiteral("Grip"));
    ASSERT_NE(grip, nullptr);
    QWidget* first = Standard().Controls().front();
    const QPoint firstAt = first->pos();
    ASSERT_EQ(firstAt.x(), DockedFrame + GripSize);
    Standard().SetDragHandle(false);
    Settle();
    EXPECT_FALSE(grip->isVisible());
    EXPECT_EQ(InFrame(Standard()).width(), with.width() - GripSize);
    EXPECT_EQ(first->pos(), QPoint(DockedFrame, firstAt.y()));
    EXPECT_EQ(Standard().DockedLength(Dock(Top)), with.width() - GripSize);
    // Its frame still drags it: onto the empty right dock.
    const QRect right = Dock(Right)->ScreenRect();
    QWidget* host = Standard().Host();
    Mouse(host, QEvent::MouseButtonPress, {1, 10}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(CurrentTracking(), nullptr);
    const QPoint to = host->mapFromGlobal(QPoint(right.left() - 10, right.top() + 100));
    Mouse(host, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(CurrentTracking()->dock, Dock(Right));
    Mouse(host, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    Settle();
    EXPECT_EQ(Standard().DockedTo(), Dock(Right));
    EXPECT_EQ(Standard().Controls().front()->pos().y(), DockedFrame) << "no grip above it either";
    Standard().SetDragHandle(true);
    Settle();
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(Standard().Controls().front()->pos().y(), DockedFrame + GripSize);
}

TEST_F(Toolbars, AFloatingWindowWithoutCloseButtonOrParentActivation)
{
    Standard().SetFloatingPosition({150, 320});
    Standard().SetDockedTo(nullptr);
    TFloatingWindow* w = Standard().FloatingWindow();
    ASSERT_NE(w, nullptr);
    Standard().SetFloatRightX(1); // its narrowest
    const QRect close = FloatCloseRect(w->size());
    const QString longCaption = QStringLiteral("A caption far too long for the window's narrow caption bar");
    Standard().SetCaption(longCaption);
    const QString withButton = w->ShownCaption();
    ASSERT_TRUE(withButton.endsWith(QStringLiteral("...")));
    Standard().SetCloseButton(false);
    Settle();
    // The caption runs on over the button's place.
    EXPECT_GT(w->ShownCaption().size(), withButton.size());
    EXPECT_TRUE(longCaption.startsWith(w->ShownCaption().chopped(3)));
    // With a short caption only the caption bar is drawn there.
    Standard().SetCaption(QStringLiteral("S"));
    Settle();
    const QImage img = w->grab().toImage();
    const QColor captionBar = img.pixelColor(FloatCaptionRect(w->size()).left() + 1, FloatCaptionRect(w->size()).top() + 1);
    int unlike = 0;
    for (int y = close.top(); y <= close.bottom(); ++y)
        for (int x = close.left() + close.width() / 2; x <= close.right(); ++x)
            unlike += img.pixelColor(x, y) != captionBar;
    EXPECT_EQ(unlike, 0) << "no button, no cross";
    // A press there drags the window; nothing closes it.
    int closed = 0;
    QObject::connect(&Standard(), &TToolbar97::OnClose, [&] { ++closed; });
    Mouse(w, QEvent::MouseButtonPress, close.center(), Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(CurrentTracking(), nullptr);
    EXPECT_FALSE(CurrentTracking()->sizing);
    QKeyEvent cancel(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &cancel);
    Mouse(w, QEvent::MouseButtonRelease, close.center(), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(Standard().Visible());
    EXPECT_TRUE(w->isVisible());

    // Without ActivateParent a press on it leaves the other window active.
    QWidget other;
    other.show();
    other.activateWindow();
    Settle();
    ASSERT_EQ(QApplication::activeWindow(), &other);
    Standard().SetActivateParent(false);
    Mouse(w, QEvent::MouseButtonPress, {20, 8}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_NE(CurrentTracking(), nullptr);
    QApplication::sendEvent(w, &cancel);
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &other);
    Standard().SetActivateParent(true);
    Mouse(w, QEvent::MouseButtonPress, {20, 8}, Qt::LeftButton, Qt::LeftButton);
    QApplication::sendEvent(w, &cancel);
    Settle();
    EXPECT_EQ(QApplication::activeWindow(), &Frame());
    other.hide();
}

TEST_F(Toolbars, ADoubleClickDocksOnlyIntoTheDefaultDockFirstInItsRowZero)
{
    Standard().SetDockedTo(Dock(Bottom));
    Edit().SetFloatingPosition({220, 330});
    Edit().SetDockedTo(nullptr);
    TFloatingWindow* w = Edit().FloatingWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Edit().DefaultDock(), Dock(Top)) << "the frame's";
    Edit().SetDefaultDock(nullptr);
    Mouse(w, QEvent::MouseButtonDblClick, {30, 8}, Qt::LeftButton, Qt::LeftButton);
    Settle();
    EXPECT_FALSE(Edit().Docked()) << "no default dock: it stays floating";
    EXPECT_EQ(Edit().FloatingWindow(), w);
    Edit().SetDefaultDock(Dock(Bottom));
    Mouse(w, QEvent::MouseButtonDblClick, {30, 8}, Qt::LeftButton, Qt::LeftButton);
    Settle();
    ASSERT_EQ(Edit().DockedTo(), Dock(Bottom));
    EXPECT_EQ(Edit().DockRow(), 0);
    EXPECT_EQ(Edit().DockPos(), 0);
    EXPECT_EQ(Standard().DockRow(), 0);
    EXPECT_EQ(Standard().DockPos(), Edit().DockedLength(Dock(Bottom)));
    const QRect dock = Dock(Bottom)->ClientRect();
    EXPECT_EQ(InFrame(Edit()).topLeft(), dock.topLeft());
    EXPECT_EQ(InFrame(Standard()).topLeft(), dock.topLeft() + QPoint(Edit().DockedLength(Dock(Bottom)), 0));
}

TEST_F(Toolbars, ShowingAndHidingAToolbarSaysSoAndItsDockClosesTheGap)
{
    ASSERT_TRUE(OpenSample()); // the View menu ticks with a map
    Settle();
    std::vector<bool> said;
    QObject::connect(&Edit(), &TToolbar97::OnVisibleChanged, [&](bool visible) { said.push_back(visible); });
    const int standardRow = InFrame(Standard()).height();
    // The View menu hides it: its row goes, the documents move up.
    Choose(Cmd::ViewEdit);
    Settle();
    EXPECT_EQ(said, std::vector<bool>{false});
    EXPECT_FALSE(Edit().Host()->isVisible());
    EXPECT_EQ(Dock(Top)->ClientRect().height(), standardRow);
    EXPECT_EQ(DocumentsAt(Frame()).y(), Dock(Top)->ClientRect().bottom() + 1);
    Edit().SetVisible(false);
    EXPECT_EQ(said, std::vector<bool>{false}) << "no change, nothing said";
    Choose(Cmd::ViewEdit);
    Settle();
    EXPECT_EQ(said, (std::vector<bool>{false, true}));
    EXPECT_TRUE(Edit().Host()->isVisible());
    EXPECT_EQ(InFrame(Edit()).top(), InFrame(Standard()).bottom() + 1);
    // Floating, its close button hides it too.
    Edit().SetFloatingPosition({200, 300});
    Edit().SetDockedTo(nullptr);
    TFloatingWindow* w = Edit().FloatingWindow();
    ASSERT_NE(w, nullptr);
    Click(w, FloatCloseRect(w->size()).center());
    EXPECT_EQ(said, (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(w->isVisible());
}

TEST_F(Toolbars, ASeparatorTakesItsSizeAlongTheLineAndDrawsItsLineUnlessBlank)
{
    Settle();
    const std::vector<QWidget*> controls = Standard().Controls();
    size_t at = 0;
    while (at < controls.size() && !qobject_cast<TToolbarSep97*>(controls[at]))
        ++at;
    ASSERT_LT(at + 1, controls.size());
    auto* sep = qobject_cast<TToolbarSep97*>(controls[at]);
    QWidget* next = controls[at + 1];
    EXPECT_EQ(sep->SizeHorz(), 6);
    EXPECT_EQ(sep->SizeVert(), 6);
    const int length = Standard().DockedLength(Dock(Top));
    const int nextX = next->x();
    EXPECT_EQ(sep->width(), 6);
    sep->SetSizeHorz(20);
    Settle();
    EXPECT_EQ(sep->width(), 20);
    EXPECT_EQ(next->x(), nextX + 14);
    EXPECT_EQ(Standard().DockedLength(Dock(Top)), length + 14);
    EXPECT_EQ(InFrame(Standard()).width(), length + 14);
    // The etched line through its middle: shadow, then highlight.
    const ToolbarColors c = ToolbarColors::Of(sep->palette());
    const QRect r = sep->geometry();
    QImage img = Standard().Host()->grab().toImage();
    for (int y : {r.top(), r.center().y(), r.bottom()}) {
        EXPECT_EQ(img.pixel(r.left() + 9, y), c.shadow.rgb()) << y;
        EXPECT_EQ(img.pixel(r.left() + 10, y), c.highlight.rgb()) << y;
        EXPECT_EQ(img.pixel(r.left() + 8, y), Standard().Color().rgb()) << y;
    }
    sep->SetBlank(true);
    Settle();
    img = Standard().Host()->grab().toImage();
    for (int x = r.left(); x <= r.right(); ++x)
        EXPECT_EQ(img.pixel(x, r.center().y()), Standard().Color().rgb()) << x;
    EXPECT_EQ(next->x(), nextX + 14) << "blank, it keeps its room";
    sep->SetBlank(false);

    // In a left dock its room down the line is SizeVert, and its line runs across.
    Standard().SetDockedTo(Dock(Left));
    Settle();
    EXPECT_EQ(sep->height(), 6);
    const int nextY = next->y();
    sep->SetSizeVert(11);
    Settle();
    EXPECT_EQ(sep->height(), 11);
    EXPECT_EQ(next->y(), nextY + 5);
    EXPECT_EQ(sep->width(), Dock(Left)->RowSizes()[0]);
    img = Standard().Host()->grab().toImage();
    const QRect v = sep->geometry();
    EXPECT_EQ(img.pixel(v.center().x(), v.top() + 4), c.shadow.rgb());
    EXPECT_EQ(img.pixel(v.center().x(), v.top() + 5), c.highlight.rgb());
}

} // namespace
