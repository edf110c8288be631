// The screen-window tool: the print, export and partial-map rectangles set with the mouse.
#include "EditFixture.h"

#include "core/LangTexts.h"

namespace zemo::test {
namespace {

class ScrnWinTest : public EditTest {
protected:
    MapView& Show()
    {
        EditPorts().SetHelpContext.Bind([this](int c) { helpContexts.push_back(c); });
        EditPorts().HelpContext.Bind([] { return 250; });
        MapView& v = EditTest::Show(ThreeColourMap());
        RegisterScreenWinTool();
        return v;
    }
    // The dialogs start the tool through the work mode.
    void Start(int workMode)
    {
        EndCurrentTool();
        ProgramConfig.WorkMode = workMode;
        StartCurrentTool();
        ASSERT_EQ(Work.ToolMode, ToolModes::ScreenWindow);
    }
    // A surface point of a map position (1 pixel = 0.1 mm, the origin at 100, 80).
    static QPoint Px(double xMm, double yMm) { return {100 + int(xMm * 10), 80 - int(yMm * 10)}; }
    static void Drag(MapView& v, QPoint from, QPoint to)
    {
        WorkWinMouseDown(v, MouseBtn::Left, from, {});
        WorkWinMouseMove(v, (from + to) / 2, {}, true);
        WorkWinMouseMove(v, to, {}, true);
        WorkWinMouseUp(v, MouseBtn::Left, to, {});
    }

    std::vector<int> helpContexts;
};

TEST_F(ScrnWinTest, ThePrintWindowIsStoredNormalisedByTheSetupsChecks)
{
    MapView& v = Show();
    S().PrintRange = {0, 0, 6 * Mm, 4 * Mm};
    Start(27);
    EXPECT_TRUE(EditSys.ScreenWinShown);
    EXPECT_EQ(EditSys.ScreenWinRect[0], (Cord{0, 0}));
    EXPECT_EQ(EditSys.ScreenWinRect[1], (Cord{6 * Mm, 4 * Mm}));
    EXPECT_EQ(helpContexts.back(), PrintRangeHelpContext);
    // The left edge dragged past the right one.
    Drag(v, Px(0, 2), Px(8, 2));
    EXPECT_EQ(EditSys.ScreenWinRect[0].x, 8 * Mm);
    EXPECT_EQ(EditSys.ScreenWinRect[1].x, 6 * Mm);
    EndCurrentTool();
    EXPECT_FALSE(EditSys.ScreenWinShown);
    EXPECT_EQ(Work.ToolMode, ToolModes::None);
    EXPECT_EQ(S().PrintRange, (CordRect{6 * Mm, 0, 8 * Mm, 4 * Mm}));
    EXPECT_EQ(S().PartialRange, CordRect{});
    EXPECT_EQ(helpContexts.back(), MainFrameHelpContext);
}

TEST_F(ScrnWinTest, ThePartialMapWindowIsStoredAsDragged)
{
    MapView& v = Show();
    S().PartialRange = {0, 0, 6 * Mm, 4 * Mm};
    const CordRect print = S().PrintRange;
    Start(31);
    EXPECT_EQ(helpContexts.back(), PartialMapHelpContext);
    Drag(v, Px(0, 2), Px(8, 2));
    // The top edge pulled below the bottom.
    Drag(v, Px(7, 4), Px(7, -1));
    ScreenWinEnd();
    EXPECT_EQ(helpContexts.back(), 250);
    EXPECT_EQ(S().PartialRange, (CordRect{8 * Mm, 0, 6 * Mm, -Mm}));
    EXPECT_EQ(S().PrintRange, print);
    // Written into the working file as it is.
    const std::vector<uint8_t> bytes = FlushedBytes();
    ASSERT_GE(bytes.size(), size_t(zmd->Header.SetupPos) + SetupRecordBytes);
    const SetupRecord stored = ReadSetupBytes(std::span(bytes).subspan(size_t(zmd->Header.SetupPos), SetupRecordBytes));
    EXPECT_EQ(stored.PartialRange, (CordRect{8 * Mm, 0, 6 * Mm, -Mm}));
}

TEST_F(ScrnWinTest, EdgesAndCornersAreFoundWithinFourPixelsAndTheFixedSheetOnlyMoves)
{
    MapView& v = Show();
    S().PrintRange = {0, 0, 6 * Mm, 4 * Mm};
    Start(29);
    struct Case {
        double x, y;  // mm
        int part;
    };
    const Case cases[] = {{0, 0, 3},     {0, 4, 9},     {6, 4, 12},    {6, 0, 6},   {0, 2, 1},
                          {3, 4, 8},     {6, 2, 4},     {3, 0, 2},     {3, 2, 15},  {0.3, 2, 1},
                          {-0.3, 4.3, 9}, {1.2, 2, 15}, {10, 2, 0},    {3, -1.2, 0}};
    for (const Case& c : cases) {
        Work.CursorMapPos = {Masked(int32_t(c.x * Mm)), Masked(int32_t(c.y * Mm))};
        EXPECT_EQ(ScreenWinHitTest(), c.part) << c.x << ", " << c.y;
    }
    // The fixed sheet only moves: its edges and corners count as inside.
    ScreenWinEnd();
    Start(28);
    for (const Case& c : cases) {
        Work.CursorMapPos = {Masked(int32_t(c.x * Mm)), Masked(int32_t(c.y * Mm))};
        EXPECT_EQ(ScreenWinHitTest(), c.part == 0 ? 0 : 15) << c.x << ", " << c.y;
    }
    // So a drag on its edge moves it whole.
    Drag(v, Px(0, 2), Px(2, 1));
    EXPECT_EQ(EditSys.ScreenWinRect[0], (Cord{2 * Mm, -Mm}));
    EXPECT_EQ(EditSys.ScreenWinRect[1], (Cord{8 * Mm, 3 * Mm}));
    EndCurrentTool();
    EXPECT_EQ(S().PrintRange, (CordRect{2 * Mm, -Mm, 8 * Mm, 3 * Mm}));
}

TEST_F(ScrnWinTest, AnEmptyWindowStartsWithTheExtentOfTheMap)
{
    Show();
    S().PartialRange = {};
    Start(31);
    CordRect extent;
    GetMapExtent(extent);
    EXPECT_EQ(EditSys.ScreenWinRect[0], (Cord{extent.x1, extent.y1}));
    EXPECT_EQ(EditSys.ScreenWinRect[1], (Cord{extent.x2, extent.y2}));
}

TEST_F(ScrnWinTest, TheSizeTextGivesMapOrPrintedMillimetres)
{
    Show();
    S().MapScale = 10000;
    S().PrintScale = 5000;
    S().PartialRange = {0, 0, 6 * Mm, 4 * Mm};
    Start(31);
    EXPECT_EQ(ScreenWinSizeText(), Text(TextKey::MapSize) + QStringLiteral(": 6.0 x 4.0 mm"));
    ScreenWinEnd();
    S().PrintRange = {0, 0, 6 * Mm, 4 * Mm + Mm / 4};
    Start(27);
    EXPECT_EQ(ScreenWinSizeText(), Text(TextKey::PrintSize) + QStringLiteral(": 12.0 x 8.5 mm"));
}

} // namespace
} // namespace zemo::test
