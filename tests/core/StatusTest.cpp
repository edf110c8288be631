#include "core/Config.h"
#include "core/Ports.h"
#include "core/Status.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

struct StatusFixture : ::testing::Test {
    void SetUp() override
    {
        ResetStatusUnit(); // also forgets the display: install the recorder again
        SetStatusDisplay(&status);
        SetBusyCursor(&status);
        QLocale::setDefault(QLocale::c());
        SetText(TextKey::PressEsc, "Press Esc to stop");
        SetText(TextKey::Undefined, "Undefined");
    }
    void TearDown() override
    {
        ResetStatusUnit();
        QLocale::setDefault(QLocale::system());
    }
    RecordingStatus status{100};
};

} // namespace

TEST_F(StatusFixture, ZoomTextsChangeDecimalsAtTenAndOne)
{
    EXPECT_EQ(ZoomText(16), "16X");
    EXPECT_EQ(ZoomText(10), "10X");
    EXPECT_EQ(ZoomText(9.5), "9.5X");
    EXPECT_EQ(ZoomText(4), "4.0X");
    EXPECT_EQ(ZoomText(1), "1.0X");
    EXPECT_EQ(ZoomText(0.5), "0.50X");
    EXPECT_EQ(ZoomText(0.25), "0.25X");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ZoomText(4), "4,0X");
    EXPECT_EQ(ZoomText(0.5), "0,50X");
}

TEST_F(StatusFixture, ShowZoomOnlyWhileAMapIsOpen)
{
    ShowZoom();
    EXPECT_TRUE(status.Events().empty());
    CorePorts().CurrentZoom.Bind([](double& z) { z = 2; return true; });
    ShowZoom();
    EXPECT_EQ(status.Panel(StatusPanel::Zoom), "2.0X");
    CorePorts().CurrentZoom.Bind([](double&) { return false; });
    status.Clear();
    ShowZoom();
    EXPECT_TRUE(status.Events().empty());
    CorePorts().CurrentZoom.Unbind();
}

TEST_F(StatusFixture, CountTextAppearsOncePerStepNeverTwiceForOneCount)
{
    StartProgress(QStringLiteral("Checking"), QStringLiteral("Objects checked:"), 95, 10, true);
    EXPECT_EQ(status.Panel(StatusPanel::Left), "Checking...");
    EXPECT_EQ(status.Panel(StatusPanel::Right), "Press Esc to stop");
    EXPECT_TRUE(status.BoxVisible());
    EXPECT_TRUE(status.Busy());
    for (int i = 1; i <= 95; ++i) {
        UpdateProgress(i, i);
        UpdateProgress(i, i); // a repeat never shows the text again
    }
    for (int i = 1; i <= 95; ++i) {
        const QString text = QStringLiteral("Objects checked: %1").arg(i);
        const int expected = (i % 10 == 0 || i == 95) ? 1 : 0;
        EXPECT_EQ(status.CountText(StatusPanel::Left, text), expected) << i;
    }
    // The last count was shown because position reached the total, not as a step.
    EXPECT_EQ(status.Panel(StatusPanel::Left), "Objects checked: 95");
}

TEST_F(StatusFixture, PositionEqualToTotalShowsUnlessJustShown)
{
    StartProgress(QString(), QStringLiteral("n"), 20, 10, false);
    EXPECT_EQ(status.Panel(StatusPanel::Left), "...");
    EXPECT_EQ(status.Panel(StatusPanel::Right), "");
    UpdateProgress(20, 20);
    UpdateProgress(20, 20);
    EXPECT_EQ(status.CountText(StatusPanel::Left, "n 20"), 1);
}

TEST_F(StatusFixture, BarRedrawsOnlyWhenItsWidthChanges)
{
    StartProgress(QStringLiteral("c"), QString(), 1000, 1, true);
    for (int i = 0; i <= 1000; ++i)
        UpdateProgress(i, i);
    const std::vector<int> widths = status.BarWidths();
    // 100 pixels wide: one draw per pixel, 1 .. 100.
    ASSERT_EQ(widths.size(), 100u);
    for (size_t k = 0; k < widths.size(); ++k)
        EXPECT_EQ(widths[k], int(k) + 1);
    // Beyond the total: a full bar, already drawn, so nothing more.
    UpdateProgress(1001, 5000);
    EXPECT_EQ(status.BarWidths().size(), 100u);
}

TEST_F(StatusFixture, BarEdges)
{
    StartProgress(QStringLiteral("c"), QString(), 3, 1, false);
    UpdateProgress(0, 7);
    EXPECT_EQ(status.BarWidths(), std::vector<int>{100});
    // Halves go to even: 1/8 of 100 = 12.5 -> 12.
    StartProgress(QStringLiteral("c"), QString(), 8, 1, false);
    UpdateProgress(0, 1);
    UpdateProgress(0, -5); // below 0: an empty bar, not a negative one
    EXPECT_EQ(status.BarWidths(), (std::vector<int>{100, 12, 0}));
    // A total of 0 draws no bar but still shows the count.
    status.Clear();
    StartProgress(QStringLiteral("c"), QStringLiteral("n"), 0, 1, false);
    UpdateProgress(3, 3);
    EXPECT_TRUE(status.BarWidths().empty());
    EXPECT_EQ(status.Panel(StatusPanel::Left), "n 3");
}

TEST_F(StatusFixture, StepBelowOneCountsAsOne)
{
    for (int step : {0, -3}) {
        status.Clear();
        StartProgress(QStringLiteral("c"), QStringLiteral("n"), 100, step, false);
        UpdateProgress(7, 7);
        UpdateProgress(8, 8);
        EXPECT_EQ(status.CountText(StatusPanel::Left, "n 7"), 1);
        EXPECT_EQ(status.CountText(StatusPanel::Left, "n 8"), 1);
    }
    EndProgress();
}

TEST_F(StatusFixture, EndProgressPutsTheKeptTextsBack)
{
    SetStatusText(QStringLiteral("Ready"));
    ShowCurrentSymbol(123, QStringLiteral("Contour"));
    AbortRequested = true;
    StartProgress(QStringLiteral("Saving"), QString(), 10, 1, true);
    EXPECT_FALSE(AbortRequested);
    EXPECT_EQ(KeptStatusText(), "Ready");
    EndProgress();
    EXPECT_FALSE(status.BoxVisible());
    EXPECT_FALSE(status.Busy());
    EXPECT_FALSE(ProgressRunning());
    EXPECT_EQ(status.Panel(StatusPanel::Left), "Ready");
    EXPECT_EQ(status.Panel(StatusPanel::Right), "12.3 Contour");
}

TEST_F(StatusFixture, PanelTextsAndTheirKeptCopies)
{
    SetStatusText(QStringLiteral("a"));
    ShowStatusNow(QStringLiteral("File;saved"), QStringLiteral("x.zmd"));
    EXPECT_EQ(status.Panel(StatusPanel::Left), "File x.zmd saved");
    RestoreStatusText();
    EXPECT_EQ(status.Panel(StatusPanel::Left), "a");
    ClearStatusText();
    RestoreStatusText();
    EXPECT_EQ(status.Panel(StatusPanel::Left), "");

    ShowCurrentSymbol(-5, QStringLiteral("neg"));
    ShowHintNow(QStringLiteral("hint"));
    EXPECT_EQ(status.Panel(StatusPanel::Right), "hint");
    RestoreRightStatus();
    EXPECT_EQ(status.Panel(StatusPanel::Right), "-0.5 neg");
    ClearSymbolStatus();
    RestoreRightStatus();
    EXPECT_EQ(status.Panel(StatusPanel::Right), "");

    ProgramConfig.GpsEnabled = true;
    ShowCoordText(QStringLiteral("1 2"));
    EXPECT_EQ(status.Panel(StatusPanel::Center), "");
    ShowGpsText(QStringLiteral("gps"));
    EXPECT_EQ(status.Panel(StatusPanel::Center), "gps");
    ProgramConfig.GpsEnabled = false;
    ShowCoordText(QStringLiteral("1 2"));
    EXPECT_EQ(status.Panel(StatusPanel::Center), "1 2");
}

TEST_F(StatusFixture, ObjectSymbolStatus)
{
    ShowObjectSymbolStatus(1234, false, QString(), QString());
    EXPECT_EQ(status.Panel(StatusPanel::Left), "123.4 Undefined");
    ShowObjectSymbolStatus(1234, false, QString(), QStringLiteral("Roads"));
    EXPECT_EQ(KeptStatusText(), "Roads");
    ShowObjectSymbolStatus(1010, true, QStringLiteral("Path"), QStringLiteral("Roads"));
    EXPECT_EQ(KeptStatusText(), "101.0 Path");

    const int expected[] = {10, 9, 8, 7, 6, 5};
    for (int tool = 1; tool <= 6; ++tool)
        EXPECT_EQ(LineModeForPreferredTool(tool, 3), expected[tool - 1]);
    EXPECT_EQ(LineModeForPreferredTool(0, 7), 7);
    EXPECT_EQ(LineModeForPreferredTool(7, 7), 7);
}

TEST(StatusRecentFiles, AddMovesAnExistingNameToTheTop)
{
    std::array<QString, 5> f{"a", "b", "c", "d", "e"};
    AddRecentFile(f, "c");
    EXPECT_EQ(f, (std::array<QString, 5>{"c", "a", "b", "d", "e"}));
    AddRecentFile(f, "new");
    EXPECT_EQ(f, (std::array<QString, 5>{"new", "c", "a", "b", "d"}));
    AddRecentFile(f, "");
    EXPECT_EQ(f[0], "new");
    // Exact comparison: another case is another file.
    AddRecentFile(f, "A");
    EXPECT_EQ(f, (std::array<QString, 5>{"A", "new", "c", "a", "b"}));
}

TEST(StatusRecentFiles, RemoveClosesTheGapAndDropsDuplicates)
{
    std::array<QString, 5> f{"x", "a", "x", "b", "x"};
    RemoveRecentFile(f, "x");
    EXPECT_EQ(f, (std::array<QString, 5>{"a", "b", "", "", ""}));
    RemoveRecentFile(f, "");
    EXPECT_EQ(f, (std::array<QString, 5>{"a", "b", "", "", ""}));
    AddRecentFile(f, "b");
    EXPECT_EQ(f, (std::array<QString, 5>{"b", "a", "", "", ""}));

    ProgramConfig.RecentFiles = {"1", "2", "3", "4", "5"};
    AddRecentFile(QStringLiteral("5"));
    RemoveRecentFile(QStringLiteral("2"));
    EXPECT_EQ(ProgramConfig.RecentFiles, (std::array<QString, 5>{"5", "1", "3", "4", ""}));
}
