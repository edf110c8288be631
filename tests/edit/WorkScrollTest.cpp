// Scrolling the document window: the clamped step at the view limit, the wheel, the
// auto-scroll while dragging outside, and the scroll-bar thumb.
#include "EditFixture.h"

#include <QTimer>

namespace zemo::test {
namespace {

using WorkScroll = EditTest;

constexpr int32_t UnitsPerPixel = 2560;  // zoom 3.2

// A picture no two columns or rows of which are alike.
void Stripes(QImage& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x & 255, y & 255, (x * 7 + y * 3) & 255));
}

bool ShiftedBy(const QImage& before, const QImage& after, int dx, int dy)
{
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const int sx = x + dx, sy = y + dy;
            if (sx < 0 || sy < 0 || sx >= before.width() || sy >= before.height())
                continue;
            if (after.pixel(x, y) != before.pixel(sx, sy))
                return false;
        }
    return true;
}

TEST_F(WorkScroll, AtTheLimitThePixelsMoveByTheClampedStepOnly)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    MapView& v = w->View();
    const int32_t half = v.ClientWidth / 2 * UnitsPerPixel;
    const int32_t limit = MapAreaLimit - half;
    zmd->Setup.ViewCenterX = limit - 20 * UnitsPerPixel;
    UpdateViewOf(v);
    Stripes(w->Surface());
    const QImage before = w->Surface().copy();
    ScrollWindowBy(v, 50, 0, true);
    EXPECT_EQ(zmd->Setup.ViewCenterX, limit);
    EXPECT_TRUE(ShiftedBy(before, w->Surface(), 20, 0));
    EXPECT_FALSE(ShiftedBy(before, w->Surface(), 50, 0));
    EXPECT_EQ(w->UpdateRegion().boundingRect(), QRect(v.ClientWidth - 20, 0, 20, v.ClientHeight));
    // At the limit nothing moves at all.
    w->HandlePaintMessage();
    const QImage atLimit = w->Surface().copy();
    ScrollWindowBy(v, 30, 0, true);
    EXPECT_TRUE(w->Surface() == atLimit);
    EXPECT_TRUE(w->UpdateRegion().isEmpty());

    // The same downward at the lower limit (device y grows downward).
    const int32_t halfH = v.ClientHeight / 2 * UnitsPerPixel;
    zmd->Setup.ViewCenterY = -MapAreaLimit + halfH + 7 * UnitsPerPixel;
    UpdateViewOf(v);
    Stripes(w->Surface());
    const QImage below = w->Surface().copy();
    ScrollWindowBy(v, 0, 40, false);
    EXPECT_EQ(zmd->Setup.ViewCenterY, -MapAreaLimit + halfH);
    EXPECT_TRUE(ShiftedBy(below, w->Surface(), 0, 7));
}

TEST_F(WorkScroll, AWheelNotchScrollsATenthOfTheHeight)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow(200, 160);
    MapView& v = w->View();
    const int32_t y0 = zmd->Setup.ViewCenterY;
    const QImage before = w->Surface().copy();
    SendWheel(w->WorkWin(), {50, 50}, 120);
    EXPECT_EQ(zmd->Setup.ViewCenterY, y0 + 16 * UnitsPerPixel);
    EXPECT_TRUE(ShiftedBy(before, w->Surface(), 0, -16));
    EXPECT_EQ(w->UpdateRegion().boundingRect(), QRect(0, 0, v.ClientWidth, 16));
    SendWheel(w->WorkWin(), {50, 50}, -240);
    EXPECT_EQ(zmd->Setup.ViewCenterY, y0 - 16 * UnitsPerPixel);
    // Outside the surface nothing scrolls.
    SendWheel(w->WorkWin(), {v.ClientWidth + 1, 50}, 120);
    EXPECT_EQ(zmd->Setup.ViewCenterY, y0 - 16 * UnitsPerPixel);
}

TEST_F(WorkScroll, TheWheelIsIgnoredWhileAButtonIsHeld)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    RegisterTool(ToolModes::Edit, {[](const ToolStartArgs&) { Work.ToolMode = ToolModes::Edit; },
                                   [] { Work.ToolMode = ToolModes::None; }, {}, {}, {}, {}, {}});
    Work.ToolMode = ToolModes::Edit;
    const int32_t y0 = zmd->Setup.ViewCenterY;
    SendMouse(w->WorkWin(), QEvent::MouseButtonPress, {60, 60}, Qt::LeftButton, Qt::LeftButton);
    const QImage during = w->Surface().copy();
    SendWheel(w->WorkWin(), {60, 60}, 120, Qt::LeftButton);
    EXPECT_EQ(zmd->Setup.ViewCenterY, y0);
    EXPECT_TRUE(w->Surface() == during);
    SendMouse(w->WorkWin(), QEvent::MouseButtonRelease, {60, 60}, Qt::LeftButton, Qt::NoButton);
    SendWheel(w->WorkWin(), {60, 60}, 120);
    EXPECT_NE(zmd->Setup.ViewCenterY, y0);
}

TEST_F(WorkScroll, DraggingOutsideScrollsTenPixelsATick)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    MapView& v = w->View();
    ProgramConfig.AutoScroll = true;
    int draws = 0;
    RegisterTool(ToolModes::Edit, {[](const ToolStartArgs&) { Work.ToolMode = ToolModes::Edit; },
                                   [] { Work.ToolMode = ToolModes::None; }, {}, {},
                                   [&] { ++draws; }, {}, {}});
    Work.ToolMode = ToolModes::Edit;
    const int32_t x0 = zmd->Setup.ViewCenterX;
    SendMouse(w->WorkWin(), QEvent::MouseButtonPress, {100, 80}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w->WorkWin(), QEvent::MouseMove, {v.ClientWidth + 30, 80}, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(w->ScrollTimer()->isActive());
    EXPECT_EQ(w->ScrollTimer()->interval(), 100);
    EXPECT_EQ(draws, 0);  // outside: the tool's draw step waits
    const QImage before = w->Surface().copy();
    QElapsedTimer t;
    t.start();
    while (zmd->Setup.ViewCenterX == x0 && t.elapsed() < 2000)
        Process(5);
    const int32_t moved = zmd->Setup.ViewCenterX - x0;
    ASSERT_GT(moved, 0);
    EXPECT_EQ(moved % (10 * UnitsPerPixel), 0);
    const int ticks = moved / (10 * UnitsPerPixel);
    EXPECT_TRUE(ShiftedBy(before, w->Surface(), 10 * ticks, 0));
    EXPECT_TRUE(v.RepaintAfterDrag);
    // The release stops the timer; the deferred repaint of the strips happens now.
    SendMouse(w->WorkWin(), QEvent::MouseButtonRelease, {v.ClientWidth + 30, 80}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(w->ScrollTimer()->isActive());
    EXPECT_FALSE(v.RepaintAfterDrag);
    Process(10);
    EXPECT_FALSE(v.PendingValid);
    EXPECT_TRUE(w->Surface() == DirectPaint(v));
}

TEST_F(WorkScroll, TheThumbSetsTheViewInMillimetres)
{
    OpenMap(ThreeColourMap());
    TMdiChild* w = NewWindow();
    MapView& v = w->View();
    VScrollScroll(v, ScrollCode::Thumb, 5);
    EXPECT_EQ(zmd->Setup.ViewCenterY, -5 * Mm);
    HScrollScroll(v, ScrollCode::Thumb, -7);
    EXPECT_EQ(zmd->Setup.ViewCenterX, -7 * Mm);
    EXPECT_EQ(w->UpdateRegion().boundingRect(), QRect(0, 0, v.ClientWidth, v.ClientHeight));
    w->HandlePaintMessage();
    EXPECT_EQ(w->HScroll()->Position(), -7);
    EXPECT_EQ(w->VScroll()->Position(), 5);
    // A line step is a tenth of the surface.
    const int32_t x0 = zmd->Setup.ViewCenterX;
    HScrollScroll(v, ScrollCode::LineDown, 0);
    EXPECT_EQ(zmd->Setup.ViewCenterX, x0 + v.ClientWidth / 10 * UnitsPerPixel);
    HScrollScroll(v, ScrollCode::PageUp, 0);
    EXPECT_EQ(zmd->Setup.ViewCenterX, x0 - 8 * (v.ClientWidth / 10) * UnitsPerPixel);
}

} // namespace
} // namespace zemo::test
