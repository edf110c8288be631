// The view tool: zoom by rectangle, the view history, the entire map, centring on an object
// and panning.
#include "EditFixture.h"

#include "document/ServiceHooks.h"

namespace zemo::test {
namespace {

class ViewToolTest : public EditTest {
protected:
    MapView& Show()
    {
        MapView& v = EditTest::Show(ThreeColourMap());
        RegisterViewTool();
        return v;
    }
    // A click of the left button at a surface point, through the window's input.
    static void ClickAt(MapView& v, QPoint p)
    {
        WorkWinMouseDown(v, MouseBtn::Left, p, {});
        WorkWinMouseUp(v, MouseBtn::Left, p, {});
    }
    double StoredZoom() { return GetF64(FlushedBytes(), size_t(zmd->Header.SetupPos) + setup::Zoom); }
};

TEST_F(ViewToolTest, ARectangleZoomsToFitItAndStopsAt32)
{
    MapView& v = Show();
    ZoomIn();
    // 50 x 20 pixels of a 200 x 160 window: four times wider in x, eight in y.
    WorkWinMouseDown(v, MouseBtn::Left, {20, 20}, {});
    WorkWinMouseMove(v, {45, 30}, {}, true);
    WorkWinMouseMove(v, {70, 40}, {}, true);
    WorkWinMouseUp(v, MouseBtn::Left, {70, 40}, {});
    EXPECT_DOUBLE_EQ(S().Zoom, 3.2 * 4);
    EXPECT_EQ(S().ViewHistoryCount, 1);

    struct Case {
        double from;
        double to;
        int pushed;
    };
    const Case cases[] = {{20, 32, 1}, {32, 32, 0}, {16, 32, 1}, {31.9, 32, 1}};
    for (const Case& c : cases) {
        S().Zoom = c.from;
        S().ViewHistoryCount = 0;
        ZoomIn();
        ClickAt(v, {100, 80});
        EXPECT_DOUBLE_EQ(S().Zoom, c.to) << c.from;
        EXPECT_EQ(S().ViewHistoryCount, c.pushed) << c.from;
    }
}

TEST_F(ViewToolTest, NineZoomsInAndOutWalkTheEightEntryHistory)
{
    MapView& v = Show();
    S().Zoom = 0.05;
    UpdateViewOf(v);
    struct View {
        double zoom;
        int32_t x, y;
    };
    std::vector<View> seen;
    for (int i = 0; i < 9; ++i) {
        seen.push_back({S().Zoom, S().ViewCenterX, S().ViewCenterY});
        ZoomIn();
        ClickAt(v, {100 + 7 * i, 80 - 5 * i});
        UpdateViewOf(v);
    }
    EXPECT_DOUBLE_EQ(S().Zoom, 0.05 * 512);
    EXPECT_EQ(S().ViewHistoryCount, 8);
    // Out again: the eight newest views come back newest first, then the zoom halves.
    for (int i = 8; i >= 1; --i) {
        ZoomOut();
        EXPECT_DOUBLE_EQ(S().Zoom, seen[size_t(i)].zoom) << i;
        EXPECT_EQ(S().ViewCenterX, seen[size_t(i)].x) << i;
        EXPECT_EQ(S().ViewCenterY, seen[size_t(i)].y) << i;
        EXPECT_EQ(S().ViewHistoryCount, i - 1);
    }
    ZoomOut();
    EXPECT_DOUBLE_EQ(S().Zoom, seen[1].zoom / 2);
    EXPECT_EQ(S().ViewHistoryCount, 0);
    EXPECT_DOUBLE_EQ(StoredZoom(), seen[1].zoom / 2);
    // Halving never leaves the range the setup keeps (a zoom below it would turn into 4).
    for (int i = 0; i < 12; ++i)
        ZoomOut();
    EXPECT_GE(S().Zoom, 0.01);
    EXPECT_LT(S().Zoom, 0.05);
    EXPECT_NEAR(StoredZoom(), S().Zoom, 1e-12);
}

TEST_F(ViewToolTest, TheEntireMapFillsTheWindow)
{
    MapView& v = Show();
    S().Zoom = 20;
    S().ViewCenterX = 40 * Mm;
    S().ViewHistoryCount = 3;
    ViewEntire();
    UpdateViewOf(v);
    CordRect extent;
    GetMapExtent(extent);
    const CordRect& d = Scale.DrawRect;
    EXPECT_LE(d.x1, extent.x1);
    EXPECT_LE(d.y1, extent.y1);
    EXPECT_GE(d.x2, extent.x2);
    EXPECT_GE(d.y2, extent.y2);
    // The tighter direction gets the 1 % margin only.
    const double fx = double(extent.x2 - extent.x1) / (d.x2 - d.x1);
    const double fy = double(extent.y2 - extent.y1) / (d.y2 - d.y1);
    EXPECT_NEAR(std::max(fx, fy), 1 / 1.02, 0.01);
    EXPECT_EQ(S().ViewHistoryCount, 0);
    EXPECT_EQ(S().ViewCenterX, Masked(int32_t((int64_t(extent.x1) + extent.x2) / 2)));
}

TEST_F(ViewToolTest, CentringLeavesAnObjectAlreadyInsideAlone)
{
    MapView& v = Show();
    // Object 2 is the vertical line through the origin, well inside the 20 x 16 mm view.
    CenterOnObject(2);
    EXPECT_EQ(S().ViewCenterX, 0);
    EXPECT_EQ(S().ViewCenterY, 0);
    EXPECT_EQ(Index.SelectedIndex, 2);
    EXPECT_EQ(Index.SelectionCount, 0);
    GetIndex(2);
    EXPECT_EQ(EditSys.StretchBox, Index.CurIndex.Rect);

    // Scrolled so that the line sticks out of the view: the view moves onto its centre.
    S().ViewCenterX = 9 * Mm;
    UpdateViewOf(v);
    CenterOnObject(2);
    GetIndex(2);
    const CordRect r = Index.CurIndex.Rect;
    EXPECT_EQ(S().ViewCenterX, Masked(int32_t((int64_t(r.x1) + r.x2) / 2)));
    EXPECT_EQ(S().ViewCenterY, Masked(int32_t((int64_t(r.y1) + r.y2) / 2)));
    // Once there it stays.
    const int32_t x = S().ViewCenterX;
    CenterOnObject(2);
    EXPECT_EQ(S().ViewCenterX, x);
}

TEST_F(ViewToolTest, TheHandDragsTheMapAndEscapeEndsTheTool)
{
    MapView& v = Show();
    ProgramConfig.AutoScroll = true;
    StartMoveView();
    WorkWinMouseDown(v, MouseBtn::Left, {100, 80}, {});
    EXPECT_FALSE(ProgramConfig.AutoScroll);
    WorkWinMouseMove(v, {110, 75}, {}, true);
    // The map follows the hand: 10 pixels right and 5 up move the centre 1 mm left, 0.5 mm down.
    EXPECT_EQ(S().ViewCenterX, -Mm);
    EXPECT_EQ(S().ViewCenterY, -Mm / 2);
    WorkWinMouseUp(v, MouseBtn::Left, {110, 75}, {});
    EXPECT_TRUE(ProgramConfig.AutoScroll);
    EXPECT_NE(Work.ToolMode, ToolModes::View);

    Work.ToolMode = ToolModes::Edit;
    ZoomIn();
    ViewKeyPress(27);
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    EXPECT_DOUBLE_EQ(S().Zoom, 3.2);
}

} // namespace
} // namespace zemo::test
