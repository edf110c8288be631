#include "core/Messages.h"
#include "core/Errors.h"
#include "document/Index.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/MenuModel.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using namespace zemo;

namespace {

// A window whose stopped paint is painted again.
class LoggingWindow : public ImageMapWindow {
public:
    explicit LoggingWindow(std::vector<std::string>& log) : ImageMapWindow(8, 8), log_(log) {}
    void InvalidateRect(const PixRect&) override { log_.push_back("Repaint"); }

private:
    std::vector<std::string>& log_;
};

// The edit library's own steps, seen through a running tool, a window with a pending
// paint and the listeners StartTool tells.
class CommandFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCommandFrame();
        ResetWorkUnit();
        Index.MapOpen = true;
        ToolProcs procs;
        procs.End = [this] { log.push_back("EndTool"); };
        RegisterTool(RunningTool, procs);
        Work.ToolMode = RunningTool;
        view.Form = &window;
        view.PendingValid = true;
        RegisterMapView(&view);
        AddStateListener([this] {
            log.push_back("StartTool");
            Work.ToolMode = RunningTool;
        });
    }
    void TearDown() override
    {
        UnregisterMapView(&view);
        ResetCommandFrame();
        Index.MapOpen = false;
    }
    static constexpr int RunningTool = 4;

    // Every command a click can run, with a worker that records itself and the busy flag.
    std::vector<Cmd> RegisterAll()
    {
        std::vector<Cmd> routed;
        for (int i = 0; i < CmdCount; ++i) {
            const Cmd c = static_cast<Cmd>(i);
            if (RouteOf(c) == Route::None)
                continue;
            routed.push_back(c);
            RegisterWorker(c, [this, c] {
                ++runs[c];
                busyInside[c] = CommandBusy;
                log.push_back(CmdName(c));
            });
        }
        return routed;
    }

    std::vector<std::string> log;
    LoggingWindow window{log};
    MapView view;
    std::map<Cmd, int> runs;
    std::map<Cmd, bool> busyInside;
};

} // namespace

TEST_F(CommandFrameTest, EveryRoutedCommandIsDroppedWhileACommandRunsOrAWindowPaints)
{
    const std::vector<Cmd> routed = RegisterAll();
    ASSERT_GT(routed.size(), 150u);
    for (bool* flag : {&CommandBusy, &PaintBusy}) {
        *flag = true;
        for (Cmd c : routed)
            EXPECT_FALSE(RunCommand(c)) << CmdName(c);
        *flag = false;
    }
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(log.empty()) << "a dropped command must not even end the tool";

    for (Cmd c : routed) {
        EXPECT_TRUE(RunCommand(c)) << CmdName(c);
        EXPECT_EQ(runs[c], 1) << CmdName(c);
    }
}

TEST_F(CommandFrameTest, RoutesWrapTheWorkerInTheirOwnSteps)
{
    RegisterAll();
    ASSERT_TRUE(RunCommand(Cmd::FileSave)); // frame
    EXPECT_EQ(log, (std::vector<std::string>{"EndTool", "FileSave", "Repaint", "StartTool"}));
    EXPECT_TRUE(busyInside[Cmd::FileSave]);
    EXPECT_FALSE(CommandBusy);

    log.clear();
    ASSERT_TRUE(RunCommand(Cmd::CurveBtn)); // tool
    EXPECT_EQ(log, (std::vector<std::string>{"EndTool", "CurveBtn", "Repaint", "StartTool"}));
    EXPECT_FALSE(busyInside[Cmd::CurveBtn]);

    log.clear();
    ASSERT_TRUE(RunCommand(Cmd::ViewZoomIn)); // guard: the held-back paint too
    EXPECT_EQ(log, (std::vector<std::string>{"ViewZoomIn", "Repaint"}));
}

TEST_F(CommandFrameTest, EditCommandsRunTheTextWorkerOutsideTheFrameWhileTyping)
{
    RegisterAll();
    EditSys.TypingActive = true;
    int textRuns = 0;
    RegisterTextWorker(Cmd::EditCut, [&] {
        ++textRuns;
        EXPECT_FALSE(CommandBusy);
    });
    ASSERT_TRUE(RunCommand(Cmd::EditCut));
    EXPECT_EQ(textRuns, 1);
    EXPECT_EQ(runs[Cmd::EditCut], 0);
    EXPECT_EQ(log, (std::vector<std::string>{"Repaint"})) << "no frame, but the paint";

    EditSys.TypingActive = false;
    ASSERT_TRUE(RunCommand(Cmd::EditCut));
    EXPECT_EQ(runs[Cmd::EditCut], 1);
    EXPECT_TRUE(busyInside[Cmd::EditCut]);
}

TEST_F(CommandFrameTest, CommandsWithoutWorkerOrRouteDoNothing)
{
    EXPECT_FALSE(HasWorker(Cmd::FileNew));
    EXPECT_FALSE(RunCommand(Cmd::FileNew));
    EXPECT_TRUE(log.empty());
    RegisterWorker(Cmd::FileMnu, [] { FAIL() << "a menu only opens"; });
    EXPECT_FALSE(RunCommand(Cmd::FileMnu));
    bool available = false;
    RegisterWorker(Cmd::HelpMenu, [] {}, [&] { return available; });
    EXPECT_FALSE(HasWorker(Cmd::HelpMenu));
    available = true;
    EXPECT_TRUE(HasWorker(Cmd::HelpMenu));
}

TEST_F(CommandFrameTest, AFailingWorkerIsReportedAndTheFrameStillCloses)
{
    RecordingMessages messages;
    RegisterWorker(Cmd::FileOpen, [] { throw std::runtime_error("disk gone"); });
    RegisterWorker(Cmd::FileSave, [] { throw EAbort(); });
    log.clear();
    int listened = 0;
    AddStateListener([&] { ++listened; });

    EXPECT_TRUE(RunCommand(Cmd::FileOpen));
    EXPECT_FALSE(CommandBusy);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::InternalError);
    EXPECT_TRUE(messages.Last().label.contains(QStringLiteral("Main.FileOpen")));
    EXPECT_EQ(messages.Last().params, QStringLiteral("disk gone"));

    EXPECT_TRUE(RunCommand(Cmd::FileSave));
    EXPECT_EQ(messages.Count(), 1) << "the silent abort shows nothing";
    EXPECT_FALSE(CommandBusy);
    EXPECT_EQ(listened, 2) << "every command ends by telling the listeners";
}
