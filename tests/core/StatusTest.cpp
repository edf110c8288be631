#include "core/Status.h"

#include "CoreFixture.h"
#include "core/Config.h"
#include "core/Ports.h"

namespace zemo {
namespace {

class Status : public test::CoreTest {
public:
    void SetUp() override
    {
        CoreTest::SetUp();
        ResetStatusUnit();  // also forgets the display: install the recorder again
        SetStatusDisplay(&status);
        SetBusyCursor(&status);
        SetText(TextKey::PressEsc, "Press Esc to stop");
        SetText(TextKey::Undefined, "Undefined");
    }
    void TearDown() override { ResetStatusUnit(); }
    RecordingStatus status{100};
};

TEST_F(Status, ZoomTextsChangeDecimalsAtTenAndOneAndShowOnlyWhileAMapIsOpen)
{
    struct Row { double zoom; const char* text; };
    for (Row r : {Row{16, "16X"}, {10, "10X"}, {9.5, "9.5X"}, {4, "4.0X"}, {1, "1.0X"}, {0.99, "0.99X"}, {0.25, "0.25X"}})
        EXPECT_EQ(ZoomText(r.zoom), r.text) << r.zoom;
    German();
    EXPECT_EQ(ZoomText(0.5), "0,50X");
    ShowZoom();
    EXPECT_TRUE(status.Events().empty());
    CorePorts().CurrentZoom.Bind([](double& z) { z = 2; return true; });
    ShowZoom();
    EXPECT_EQ(status.Panel(StatusPanel::Zoom), "2,0X");
    CorePorts().CurrentZoom.Bind([](double&) { return false; });
    status.Clear();
    ShowZoom();
    EXPECT_TRUE(status.Events().empty());
    CorePorts().CurrentZoom.Unbind();
}

TEST_F(Status, CountTextAppearsOncePerStepAndAtTheTotal)
{
    StartProgress("Checking", "Objects checked:", 95, 10, true);
    EXPECT_EQ(status.Panel(StatusPanel::Left), "Checking...");
    EXPECT_EQ(status.Panel(StatusPanel::Right), "Press Esc to stop");
    EXPECT_TRUE(status.BoxVisible());
    EXPECT_TRUE(status.Busy());
    for (int i = 1; i <= 95; ++i) {
        UpdateProgress(i, i);
        UpdateProgress(i, i);  // a repeat never shows the text again
    }
    for (int i = 1; i <= 95; ++i)
        EXPECT_EQ(status.CountText(StatusPanel::Left, QStringLiteral("Objects checked: %1").arg(i)),
                  (i % 10 == 0 || i == 95) ? 1 : 0) << i;

    // A step below one counts as one; no text before the count leaves "...".
    for (int step : {0, -3}) {
        status.Clear();
        StartProgress(QString(), "n", 100, step, false);
        EXPECT_EQ(status.Panel(StatusPanel::Left), "...");
        EXPECT_EQ(status.Panel(StatusPanel::Right), "");
        UpdateProgress(7, 7);
        UpdateProgress(8, 8);
        EXPECT_EQ(status.CountText(StatusPanel::Left, "n 7"), 1);
        EXPECT_EQ(status.CountText(StatusPanel::Left, "n 8"), 1);
    }
}

TEST_F(Status, BarRedrawsOnlyWhenItsWidthChanges)
{
    StartProgress("c", QString(), 1000, 1, true);
    for (int i = 0; i <= 1000; ++i)
        UpdateProgress(i, i);
    UpdateProgress(1001, 5000);  // beyond the total: full, already drawn
    std::vector<int> expected(100);
    for (int k = 0; k < 100; ++k)
        expected[size_t(k)] = k + 1;
    EXPECT_EQ(status.BarWidths(), expected);

    status.Clear();
    StartProgress("c", QString(), 8, 1, false);
    UpdateProgress(0, 8);
    UpdateProgress(0, 1);   // 1/8 of 100 = 12.5: halves go to even
    UpdateProgress(0, -5);  // below 0: an empty bar, not a negative one
    EXPECT_EQ(status.BarWidths(), (std::vector<int>{100, 12, 0}));
    // A total of 0 draws no bar but still shows the count.
    status.Clear();
    StartProgress("c", "n", 0, 1, false);
    UpdateProgress(3, 3);
    EXPECT_TRUE(status.BarWidths().empty());
    EXPECT_EQ(status.Panel(StatusPanel::Left), "n 3");
}

TEST_F(Status, PanelsKeepTheirTextsAcrossProgressHintsAndMessages)
{
    SetStatusText("Ready");
    ShowCurrentSymbol(123, "Contour");
    AbortRequested = true;
    StartProgress("Saving", QString(), 10, 1, true);
    EXPECT_FALSE(AbortRequested);
    EndProgress();
    EXPECT_FALSE(status.BoxVisible());
    EXPECT_FALSE(status.Busy());
    EXPECT_FALSE(ProgressRunning());
    EXPECT_EQ(status.Panel(StatusPanel::Left), "Ready");
    EXPECT_EQ(status.Panel(StatusPanel::Right), "12.3 Contour");

    ShowStatusNow("File;saved", "x.zmd");
    EXPECT_EQ(status.Panel(StatusPanel::Left), "File x.zmd saved");
    RestoreStatusText();
    EXPECT_EQ(status.Panel(StatusPanel::Left), "Ready");
    ClearStatusText();
    RestoreStatusText();
    EXPECT_EQ(status.Panel(StatusPanel::Left), "");
    ShowCurrentSymbol(-5, "neg");
    ShowHintNow("hint");
    RestoreRightStatus();
    EXPECT_EQ(status.Panel(StatusPanel::Right), "-0.5 neg");
    ClearSymbolStatus();
    RestoreRightStatus();
    EXPECT_EQ(status.Panel(StatusPanel::Right), "");

    ProgramConfig.GpsEnabled = true;
    ShowCoordText("1 2");
    EXPECT_EQ(status.Panel(StatusPanel::Center), "");
    ShowGpsText("gps");
    EXPECT_EQ(status.Panel(StatusPanel::Center), "gps");

    ShowObjectSymbolStatus(1234, false, QString(), QString());
    EXPECT_EQ(status.Panel(StatusPanel::Left), "123.4 Undefined");
    ShowObjectSymbolStatus(1234, false, QString(), "Roads");
    EXPECT_EQ(KeptStatusText(), "Roads");
    ShowObjectSymbolStatus(1010, true, "Path", "Roads");
    EXPECT_EQ(KeptStatusText(), "101.0 Path");
    for (int tool = 0; tool <= 7; ++tool)
        EXPECT_EQ(LineModeForPreferredTool(tool, 3), tool >= 1 && tool <= 6 ? 11 - tool : 3) << tool;
}

TEST(StatusRecentFiles, AddMovesToTheTopRemoveClosesTheGap)
{
    std::array<QString, 5> f{"a", "b", "c", "d", "e"};
    AddRecentFile(f, "c");
    EXPECT_EQ(f, (std::array<QString, 5>{"c", "a", "b", "d", "e"}));
    AddRecentFile(f, "");
    AddRecentFile(f, "A");  // another case is another file
    EXPECT_EQ(f, (std::array<QString, 5>{"A", "c", "a", "b", "d"}));
    f = {"x", "a", "x", "b", "x"};
    RemoveRecentFile(f, "x");
    RemoveRecentFile(f, "");
    EXPECT_EQ(f, (std::array<QString, 5>{"a", "b", "", "", ""}));
    ProgramConfig.RecentFiles = {"1", "2", "3", "4", "5"};
    AddRecentFile(QStringLiteral("5"));
    RemoveRecentFile(QStringLiteral("2"));
    EXPECT_EQ(ProgramConfig.RecentFiles, (std::array<QString, 5>{"5", "1", "3", "4", ""}));
}

} // namespace
} // namespace zemo
