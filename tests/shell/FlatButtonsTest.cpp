// The toolbar buttons: groups and toggles, a press that leaves before it is released, repeats
// on a clock of the test's own, the combo's two parts, and how they look.
#include "ShellFixture.h"

#include "edit/Work.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolbarButton97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QEnterEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <algorithm>

using namespace zemo;

namespace {

// Timers that run when the test moves the clock on.
class TestClock {
public:
    class Timer : public ButtonTimer {
    public:
        explicit Timer(TestClock* clock) : clock_(clock) { clock_->timers_.push_back(this); }
        ~Timer() override { std::erase(clock_->timers_, this); }
        void Start(int ms) override
        {
            interval_ = ms;
            due_ = clock_->now_ + ms;
            active_ = true;
        }
        void Stop() override { active_ = false; }
        bool Active() const override { return active_; }
        int Interval() const override { return interval_; }

    private:
        friend class TestClock;
        TestClock* clock_;
        int interval_ = 0;
        int due_ = 0;
        bool active_ = false;
    };

    TestClock()
    {
        SetButtonTimerFactory([this] { return std::make_unique<Timer>(this); });
    }
    ~TestClock() { SetButtonTimerFactory({}); }

    void AdvanceTo(int t)
    {
        for (;;) {
            Timer* next = nullptr;
            for (Timer* timer : timers_)
                if (timer->active_ && timer->due_ <= t && (!next || timer->due_ < next->due_))
                    next = timer;
            if (!next)
                break;
            now_ = next->due_;
            next->due_ = now_ + next->interval_;
            if (next->OnTick)
                next->OnTick();
        }
        now_ = t;
    }
    int Now() const { return now_; }

private:
    int now_ = 0;
    std::vector<Timer*> timers_;
};

class FlatButtons : public test::ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        panel_ = std::make_unique<QWidget>();
        panel_->resize(200, 60);
        panel_->show();
    }
    void TearDown() override
    {
        panel_.reset();
        ShellTest::TearDown();
    }
    TToolbarButton97* Button(int x, int* clicks = nullptr)
    {
        auto* b = new TToolbarButton97(panel_.get());
        b->move(x, 10);
        b->show();
        if (clicks)
            QObject::connect(b, &TToolbarButton97::clicked, [clicks] { ++*clicks; });
        return b;
    }
    static void Press(QWidget* w, QPoint at = {5, 5})
    {
        Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    }
    static void Release(QWidget* w, QPoint at = {5, 5})
    {
        Mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    static void MoveTo(QWidget* w, QPoint at)
    {
        Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    static void Enter(QWidget* w)
    {
        QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), w->mapToGlobal(QPointF(4, 4)));
        QApplication::sendEvent(w, &enter);
    }
    static void Leave(QWidget* w)
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }
    std::unique_ptr<QWidget> panel_;
};

TEST_F(FlatButtons, AGroupKeepsOneDownAndAToggleGoesUpAgain)
{
    TToolbarButton97* group[3] = {Button(0), Button(25), Button(50)};
    for (TToolbarButton97* b : group)
        b->SetGroupIndex(1);
    group[0]->SetDown(true);
    Click(group[1], {5, 5});
    EXPECT_FALSE(group[0]->Down());
    EXPECT_TRUE(group[1]->Down());
    Click(group[1], {5, 5});
    EXPECT_TRUE(group[1]->Down()) << "no AllowAllUp: it stays down";
    group[1]->SetDown(false);
    EXPECT_TRUE(group[1]->Down()) << "nor can it be set up";
    EXPECT_EQ(group[1]->State(), TToolbarButton97::DrawState::Exclusive);

    TToolbarButton97* toggle = Button(100);
    toggle->SetGroupIndex(2);
    toggle->SetAllowAllUp(true);
    Click(toggle, {5, 5});
    EXPECT_TRUE(toggle->Down());
    Click(toggle, {5, 5});
    EXPECT_FALSE(toggle->Down());
    EXPECT_TRUE(group[1]->Down()) << "another group";

    TToolbarButton97* plain = Button(150);
    plain->SetDown(true);
    EXPECT_FALSE(plain->Down()) << "outside a group a button stays up";
}

TEST_F(FlatButtons, APressThatLeavesBeforeItsReleaseDoesNotClick)
{
    int clicks = 0;
    TToolbarButton97* b = Button(0, &clicks);
    Press(b);
    EXPECT_EQ(b->State(), TToolbarButton97::DrawState::Pressed);
    MoveTo(b, {40, 5});
    EXPECT_NE(b->State(), TToolbarButton97::DrawState::Pressed) << "drawn up outside";
    MoveTo(b, {5, 5});
    EXPECT_EQ(b->State(), TToolbarButton97::DrawState::Pressed) << "and down again inside";
    MoveTo(b, {40, 5});
    Release(b, {40, 5});
    EXPECT_EQ(clicks, 0);
    EXPECT_NE(b->State(), TToolbarButton97::DrawState::Pressed);
    Press(b);
    Release(b);
    EXPECT_EQ(clicks, 1) << "released inside: a click";
}

TEST_F(FlatButtons, AHeldButtonRepeatsOnItsClockAndPausesOutside)
{
    TestClock clock;
    int clicks = 0;
    std::vector<int> at;
    TToolbarButton97* b = Button(0);
    QObject::connect(b, &TToolbarButton97::clicked, [&] {
        ++clicks;
        at.push_back(clock.Now());
    });
    b->SetRepeating(true);
    Press(b);
    clock.AdvanceTo(650);
    EXPECT_EQ(at, (std::vector<int>{0, 400, 500, 600}));
    MoveTo(b, {40, 5}); // outside: the next tick stops it
    clock.AdvanceTo(900);
    EXPECT_EQ(clicks, 4);
    MoveTo(b, {5, 5}); // back inside at 900: every 100 again
    clock.AdvanceTo(1050);
    EXPECT_EQ(at.back(), 1000);
    EXPECT_EQ(clicks, 5);
    Release(b);
    clock.AdvanceTo(2000);
    EXPECT_EQ(clicks, 5) << "the release ends it and clicks no more";
}

TEST_F(FlatButtons, AComboClicksOnItsLeftPartAndOpensItsMenuOnTheRight)
{
    int clicks = 0;
    TToolbarButton97* b = Button(0, &clicks);
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    b->SetDropdownMenu(&menu);
    b->SetDropdownCombo(true);
    EXPECT_EQ(b->width(), 23 + 11);
    int opened = 0;
    const auto pressAt = [&](int x) {
        QTimer::singleShot(0, &menu, [&] {
            opened += menu.isVisible();
            menu.close();
        });
        Press(b, {x, 5});
        Release(b, {x, 5});
        Settle();
    };
    pressAt(5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(opened, 0);
    pressAt(23 + 11 - 11);
    EXPECT_EQ(clicks, 1) << "the right 11 pixels only open the menu";
    EXPECT_EQ(opened, 1);
    pressAt(22);
    EXPECT_EQ(clicks, 2);
    b->SetDropdownCombo(false);
    EXPECT_EQ(b->width(), 23);
}

TEST_F(FlatButtons, HotBorderHeldDownPatternAndDisabledGlyphPixels)
{
    const ToolbarColors c = ToolbarColors::Of(panel_->palette());
    TToolbarButton97* b = Button(0);
    QImage img = b->grab().toImage();
    EXPECT_EQ(img.pixel(0, 0), c.face.rgb()) << "flat: no border at rest";
    Enter(b);
    EXPECT_TRUE(b->Hot());
    img = b->grab().toImage();
    EXPECT_EQ(img.pixel(0, 0), c.highlight.rgb());
    EXPECT_EQ(img.pixel(10, 0), c.highlight.rgb());
    EXPECT_EQ(img.pixel(22, 21), c.shadow.rgb());
    EXPECT_EQ(img.pixel(22, 0), c.shadow.rgb()) << "the top-right corner is the shadow's";
    EXPECT_EQ(img.pixel(5, 5), c.face.rgb());
    TToolbarButton97* next = Button(25);
    Leave(b);
    EXPECT_EQ(b->grab().toImage().pixel(0, 0), c.face.rgb()) << "borderless before the next";
    Enter(next);
    EXPECT_TRUE(next->Hot());
    EXPECT_FALSE(b->Hot());

    // Held down: a sunken border, the face in the pattern, away from the pointer.
    TToolbarButton97* held = Button(50);
    held->SetGroupIndex(3);
    held->SetDown(true);
    img = held->grab().toImage();
    EXPECT_EQ(img.pixel(0, 0), c.shadow.rgb());
    EXPECT_EQ(img.pixel(22, 21), c.highlight.rgb());
    for (QPoint p : {QPoint(2, 2), QPoint(3, 3), QPoint(4, 2), QPoint(2, 3), QPoint(5, 2)})
        EXPECT_EQ(img.pixel(p), ((p.x() ^ p.y()) & 1) == 0 ? c.highlight.rgb() : c.face.rgb())
            << p.x() << "," << p.y();
    Enter(held);
    EXPECT_EQ(held->grab().toImage().pixel(3, 2), c.face.rgb()) << "no pattern under the pointer";
    // A button that is not flat has its soft raised border at rest, two pixels wide.
    TToolbarButton97* raised = Button(75);
    raised->SetFlat(false);
    img = raised->grab().toImage();
    EXPECT_EQ(img.pixel(0, 0), c.highlight.rgb());
    EXPECT_EQ(img.pixel(22, 21), c.darkShadow.rgb());
    EXPECT_EQ(img.pixel(21, 20), c.shadow.rgb());

    // Disabled: the glyph's shape embossed, shadow in place and highlight one pixel down-right.
    QImage glyph(16, 16, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    glyph.setPixel(5, 5, qRgb(0, 0, 0));
    glyph.setPixel(9, 5, qRgb(255, 255, 255)); // white is no part of the shape
    glyph.setPixel(11, 5, qRgb(0xC0, 0xC0, 0xC0)); // nor light grey
    TToolbarButton97* off = Button(100);
    off->SetGlyph(QIcon(QPixmap::fromImage(glyph)));
    img = off->grab().toImage();
    EXPECT_EQ(img.pixel(3 + 5, 3 + 5), qRgb(0, 0, 0)) << "enabled: the glyph itself, at 3,3";
    off->setEnabled(false);
    EXPECT_EQ(off->State(), TToolbarButton97::DrawState::Disabled);
    img = off->grab().toImage();
    EXPECT_EQ(img.pixel(8, 8), c.shadow.rgb());
    EXPECT_EQ(img.pixel(9, 9), c.highlight.rgb());
    EXPECT_EQ(img.pixel(12, 8), c.face.rgb());
    EXPECT_EQ(img.pixel(14, 8), c.face.rgb());
}

TEST_F(FlatButtons, OneEditToolbarButtonIsDownForEachWorkMode)
{
    ASSERT_TRUE(OpenSample());
    ChooseSymbol(1);
    TToolbar97& edit = *Frame().EditToolbar();
    // Cutting, cutting holes, dash points and parallel moves press no button.
    const Cmd pressNone[] = {Cmd::CutBtn, Cmd::CutHoleBtn, Cmd::DashPtBtn, Cmd::MoveParallelBtn};
    for (const ButtonDef& d : ToolButtons()) {
        if (d.toolbar != ToolbarId::Edit || d.workMode == WorkModes::None)
            continue;
        ProgramConfig.WorkMode = d.workMode;
        Frame().UpdateCommandStates();
        int down = 0;
        for (QWidget* w : edit.Controls())
            if (auto* b = qobject_cast<TToolbarButton97*>(w))
                down += b->Down();
        TToolbarButton97* own = edit.ButtonFor(Frame().Action(d.id));
        ASSERT_NE(own, nullptr) << CmdName(d.id);
        if (std::find(std::begin(pressNone), std::end(pressNone), d.id) != std::end(pressNone)) {
            EXPECT_EQ(down, 0) << CmdName(d.id);
            continue;
        }
        EXPECT_EQ(down, 1) << CmdName(d.id);
        EXPECT_TRUE(own->Down()) << CmdName(d.id);
        EXPECT_EQ(own->State(), own->isEnabled() ? TToolbarButton97::DrawState::Exclusive
                                                  : TToolbarButton97::DrawState::Disabled);
    }
    // A click on a tool button selects its tool through the command frame.
    TToolbarButton97* curve = edit.ButtonFor(Frame().Action(Cmd::CurveBtn));
    ProgramConfig.WorkMode = WorkModes::Straight;
    Frame().UpdateCommandStates();
    Click(curve, {5, 5});
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    EXPECT_TRUE(curve->Down());
}

TEST_F(FlatButtons, ADropDownMenuOpensBesideTheButtonByItsDockSide)
{
    QMenu menu;
    menu.addAction(QStringLiteral("A long enough entry"));
    // The frame within the screen, so that no menu is pushed back onto it.
    Frame().move(0, 0);
    Frame().resize(QGuiApplication::primaryScreen()->availableSize() * 3 / 4);
    Settle();
    TToolbar97& bar = *Frame().StandardToolbar();
    auto* b = new TToolbarButton97;
    b->SetDropdownMenu(&menu);
    bar.AddControl(b);
    const struct {
        int dock;
        const char* name;
    } rows[] = {{1, "top: under its bottom-left corner"}, {3, "left: at its right edge"},
                {4, "right: ending at its left edge"}};
    for (const auto& r : rows) {
        bar.SetDockedTo(Frame().Dock(r.dock));
        Settle();
        QRect shown;
        QTimer::singleShot(0, &menu, [&] {
            shown = menu.geometry();
            menu.close();
        });
        Press(b);
        Release(b);
        Settle();
        const QRect button(b->mapToGlobal(QPoint(0, 0)), b->size());
        ASSERT_TRUE(shown.isValid()) << r.name;
        if (r.dock == 1)
            EXPECT_EQ(shown.topLeft(), button.bottomLeft() + QPoint(0, 1)) << r.name;
        else if (r.dock == 3)
            EXPECT_EQ(shown.topLeft(), button.topRight() + QPoint(1, 0)) << r.name;
        else
            EXPECT_EQ(shown.topRight(), button.topLeft() - QPoint(1, 0)) << r.name;
    }
}

} // namespace
