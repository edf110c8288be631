#include "core/Config.h"
#include "shell/StartUp.h"

#include <gtest/gtest.h>

using namespace zemo;

namespace {

struct Recorder {
    QStringList calls;
    StartupHooks Hooks()
    {
        StartupHooks h;
        h.restoreToolbarLayout = [this] { calls << QStringLiteral("layout"); };
        h.hideSymbolPanels = [this] { calls << QStringLiteral("panels"); };
        h.clearMapOpen = [this] { calls << QStringLiteral("clear"); };
        h.recoverWorkingCopies = [this] { calls << QStringLiteral("recover"); };
        h.openMapByName = [this](const QString& f) {
            calls << QStringLiteral("open ") + f;
            return true;
        };
        return h;
    }
};

class StartupOpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DefaultConfig(ProgramConfig);
        ProgramConfig.File = QStringLiteral("/maps/last.zmd");
        NoOtherInstance = true;
    }
    Recorder rec;
};

} // namespace

TEST_F(StartupOpenTest, TheFirstInstanceRecoversAndOpensTheStartupMap)
{
    StartupOpen(rec.Hooks(), QString());
    EXPECT_EQ(rec.calls, (QStringList{QStringLiteral("layout"), QStringLiteral("panels"),
                                      QStringLiteral("clear"), QStringLiteral("recover"),
                                      QStringLiteral("open /maps/last.zmd")}));
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
}

TEST_F(StartupOpenTest, ACommandLineMapWinsOverTheStartupMap)
{
    StartupOpen(rec.Hooks(), QStringLiteral("/maps/given.zmd"));
    EXPECT_EQ(rec.calls.last(), QStringLiteral("open /maps/given.zmd"));
    EXPECT_EQ(rec.calls.filter(QStringLiteral("open")).size(), 1);
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
}

TEST_F(StartupOpenTest, ASecondInstanceNeitherRecoversNorOpensTheStartupMap)
{
    NoOtherInstance = false;
    StartupOpen(rec.Hooks(), QString());
    EXPECT_FALSE(rec.calls.contains(QStringLiteral("recover")));
    EXPECT_TRUE(rec.calls.filter(QStringLiteral("open")).isEmpty());
    EXPECT_TRUE(ProgramConfig.File.isEmpty());

    rec.calls.clear();
    StartupOpen(rec.Hooks(), QStringLiteral("/maps/given.zmd"));
    EXPECT_EQ(rec.calls.last(), QStringLiteral("open /maps/given.zmd")) << "always opens";
}

TEST_F(StartupOpenTest, WithoutAutoLoadNoStartupMapOpens)
{
    ProgramConfig.AutoLoad = false;
    StartupOpen(rec.Hooks(), QString());
    EXPECT_TRUE(rec.calls.contains(QStringLiteral("recover")));
    EXPECT_TRUE(rec.calls.filter(QStringLiteral("open")).isEmpty());
}

TEST_F(StartupOpenTest, HooksNotYetRegisteredDoNothing)
{
    StartupOpen(StartupHooks{}, QStringLiteral("/maps/given.zmd"));
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
}

TEST(CommandLineFile, ParametersJoinIntoOneAbsolutePath)
{
    EXPECT_EQ(CommandLineFile({}, QStringLiteral("/home/u")), QString());
    EXPECT_EQ(CommandLineFile({QStringLiteral("maps/a.zmd")}, QStringLiteral("/home/u")),
              QStringLiteral("/home/u/maps/a.zmd"));
    EXPECT_EQ(CommandLineFile({QStringLiteral("/data/My"), QStringLiteral("Maps/b.zmd")},
                              QStringLiteral("/home/u")),
              QStringLiteral("/data/My Maps/b.zmd"));
    EXPECT_EQ(CommandLineFile({QStringLiteral("../x.zmd")}, QStringLiteral("/home/u")),
              QStringLiteral("/home/x.zmd"));
}
