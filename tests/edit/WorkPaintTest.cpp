// Painting through the document window: colour passes, the pending rectangle, interruption
// by input and the repaint that follows it.
#include "EditFixture.h"

namespace zemo::test {
namespace {

using WorkPaint = EditTest;

// The paint polls for input after every object it read: `each` runs there, before the poll.
void AfterEachObject(std::function<void()> each)
{
    EditPorts().PollInput.Bind([each = std::move(each)] {
        each();
        return PollHeldInput();
    });
}

DeviceColor ScreenInk(const TZmd& z, int i)
{
    const auto& c = z.ColorBlock.Colors[size_t(i)].Cmyk;
    return ColorToDevice(ScreenCorrectedColor(uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16
                                              | uint32_t(c[3]) << 24));
}

bool PixelIs(const QImage& img, QPoint p, DeviceColor c)
{
    return img.pixel(p) == qRgb(c.r, c.g, c.b);
}

TEST_F(WorkPaint, FullPaintEqualsThePaintersColourByColourWithColourZeroOnTop)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    PaintNow(w);
    EXPECT_FALSE(w->View().PendingValid);
    EXPECT_FALSE(Work.PaintBusy);
    const QImage direct = DirectPaint(w->View());
    ASSERT_EQ(w->Surface().size(), direct.size());
    EXPECT_TRUE(w->Surface() == direct);

    // Where the black diagonal crosses the red and blue lines, black is on top; where red
    // crosses blue, red is.
    UpdateViewOf(w->View());
    const QPoint origin = CordToDevice(Cord{0, 0});
    EXPECT_TRUE(PixelIs(w->Surface(), origin, ScreenInk(*zmd, 0)));
    const QPoint redOverBlue = CordToDevice(Cord{3 * Mm, 0});
    EXPECT_TRUE(PixelIs(w->Surface(), redOverBlue, ScreenInk(*zmd, 1)));
    // Something of every colour is there at all.
    EXPECT_TRUE(PixelIs(w->Surface(), CordToDevice(Cord{-7 * Mm, 0}), ScreenInk(*zmd, 2)));
}

TEST_F(WorkPaint, ObjectsOfHiddenSymbolsAreNotPaintedAndOfProtectedOnesAre)
{
    TestMapWriter m = ThreeColourMap();
    m.symbols[0].status = 1;  // black protected
    m.symbols[1].status = 2;  // red hidden
    OpenMap(m);
    TMdiChild* w = NewWindow();
    PaintNow(w);
    UpdateViewOf(w->View());
    // Only the red vertical line passes here; where red crossed blue, blue shows.
    EXPECT_EQ(w->Surface().pixel(CordToDevice(Cord{0, -4 * Mm})), qRgb(255, 255, 255));
    EXPECT_TRUE(PixelIs(w->Surface(), CordToDevice(Cord{3 * Mm, 0}), ScreenInk(*zmd, 2)));
    EXPECT_TRUE(PixelIs(w->Surface(), CordToDevice(Cord{0, 0}), ScreenInk(*zmd, 0)));
    int red = 0;
    const QImage& img = w->Surface();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            red += PixelIs(img, {x, y}, ScreenInk(*zmd, 1));
    EXPECT_EQ(red, 0);
}

TEST_F(WorkPaint, PaintIsClippedToTheRectangleBeingPainted)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    w->Surface().fill(qRgb(10, 20, 30));
    w->InvalidateRect({20, 30, 90, 100});
    w->HandlePaintMessage();
    // The painters clip their paths to the map rectangle of the paint.
    const QImage direct = DirectPaint(w->View(), PixRect{20, 30, 90, 100});

    for (int y = 0; y < direct.height(); ++y)
        for (int x = 0; x < direct.width(); ++x) {
            const bool inside = x >= 20 && x < 90 && y >= 30 && y < 100;
            const QRgb want = inside ? direct.pixel(x, y) : qRgb(10, 20, 30);
            ASSERT_EQ(w->Surface().pixel(x, y), want) << x << "," << y;
        }
}

TEST_F(WorkPaint, AKeyStopsThePaintIsHandledAfterItAndTheRectangleIsPaintedAgain)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    InstallEdit();
    std::vector<int> keys;
    RegisterTool(ToolModes::Edit, {[](const ToolStartArgs&) { Work.ToolMode = ToolModes::Edit; },
                                   [] { Work.ToolMode = ToolModes::None; }, {}, {}, {}, {},
                                   [&](int ch) { keys.push_back(ch); }});
    Work.ToolMode = ToolModes::Edit;
    int painted = 0;
    int keysSeenWhilePainting = 0;
    AfterEachObject([&] {
        ++painted;
        if (painted == 2)
            QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
        keysSeenWhilePainting += int(keys.size());
    });
    PaintNow(w);
    // Stopped right after the object during which the key came; nothing handled meanwhile.
    EXPECT_EQ(painted, 2);
    EXPECT_EQ(keysSeenWhilePainting, 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(w->View().PendingValid);
    EXPECT_EQ(w->View().PendingRect, (PixRect{0, 0, w->View().ClientWidth, w->View().ClientHeight}));
    EXPECT_FALSE(Work.PaintBusy);

    // After the paint the key reaches the tool, and the stopped paint is done again in full.
    Process(20);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0], 'a');
    EXPECT_EQ(painted, 2 + 6);
    EXPECT_FALSE(w->View().PendingValid);
    EXPECT_TRUE(w->Surface() == DirectPaint(w->View()));
}

TEST_F(WorkPaint, ShiftAloneDoesNotStopAPaint)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    InstallEdit();
    int painted = 0;
    AfterEachObject([&] {
        if (++painted == 1)
            QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier));
    });
    PaintNow(w);
    EXPECT_EQ(painted, 6);
    EXPECT_FALSE(w->View().PendingValid);
}

TEST_F(WorkPaint, NothingPaintsWhileAButtonIsHeldAndTheReleasePaintsIt)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    InstallEdit();
    int painted = 0;
    AfterEachObject([&] { ++painted; });
    SendMouse(w->WorkWin(), QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(Work.ButtonUp);
    PaintNow(w);
    EXPECT_EQ(painted, 0);
    EXPECT_TRUE(w->View().PendingValid);
    SendMouse(w->WorkWin(), QEvent::MouseButtonRelease, {50, 50}, Qt::LeftButton, Qt::NoButton);
    Process(10);
    EXPECT_EQ(painted, 6);
    EXPECT_FALSE(w->View().PendingValid);
}

TEST_F(WorkPaint, APaintRectangleThatMissesThePendingOneMergesAndWaits)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    int painted = 0;
    AfterEachObject([&] { ++painted; });
    MapView& v = w->View();
    v.PendingValid = true;
    v.PendingRect = {0, 0, 30, 30};
    w->InvalidateRect({100, 100, 120, 120});
    w->HandlePaintMessage();
    EXPECT_EQ(painted, 0);
    EXPECT_EQ(v.PendingRect, (PixRect{0, 0, 120, 120}));
    // Invalidating the pending rectangle paints it.
    InvalidatePending(v);
    w->HandlePaintMessage();
    EXPECT_GT(painted, 0);
    EXPECT_FALSE(v.PendingValid);
}

TEST_F(WorkPaint, ACommandRepaintsThePendingRectangleOfEveryWindow)
{
    OpenMap(ThreeColourMap());
    TMdiChild* a = NewWindow();
    TMdiChild* b = NewWindow();
    a->View().PendingValid = true;
    a->View().PendingRect = {5, 5, 40, 40};
    b->View().PendingValid = true;
    b->View().PendingRect = {10, 20, 30, 60};
    bool ran = false;
    RunInCommandFrame([&] {
        ran = true;
        EXPECT_TRUE(CommandIsRunning());
    });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(CommandIsRunning());
    EXPECT_EQ(a->UpdateRegion().boundingRect(), QRect(5, 5, 35, 35));
    EXPECT_EQ(b->UpdateRegion().boundingRect(), QRect(10, 20, 20, 40));
    Process(10);
    EXPECT_FALSE(a->View().PendingValid);
    EXPECT_FALSE(b->View().PendingValid);
}

TEST_F(WorkPaint, ACommandThatRunsHoldsThePaintBack)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    int painted = 0;
    AfterEachObject([&] { ++painted; });
    Work.CommandBusy = true;
    PaintNow(w);
    EXPECT_EQ(painted, 0);
    EXPECT_TRUE(w->View().PendingValid);
    Work.CommandBusy = false;
}

TEST_F(WorkPaint, ClickThatActivatesAWindowReachesNoTool)
{
    OpenMap(ThreeColourMap());
    TMdiChild* a = NewWindow();
    TMdiChild* b = NewWindow();
    int downs = 0, ups = 0;
    RegisterTool(ToolModes::Edit, {[](const ToolStartArgs&) { Work.ToolMode = ToolModes::Edit; },
                                   [] { Work.ToolMode = ToolModes::None; }, [&] { ++downs; },
                                   {}, {}, [&] { ++ups; }, {}});
    a->Activate();
    ASSERT_EQ(Work.ActiveView, &a->View());
    b->Activate();
    ASSERT_EQ(Work.ActiveView, &b->View());
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    SendMouse(b->WorkWin(), QEvent::MouseButtonPress, {40, 40}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(b->WorkWin(), QEvent::MouseButtonRelease, {40, 40}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(downs, 0);
    EXPECT_EQ(ups, 0);
    SendMouse(b->WorkWin(), QEvent::MouseButtonPress, {40, 40}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(b->WorkWin(), QEvent::MouseButtonRelease, {40, 40}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
}

} // namespace
} // namespace zemo::test
