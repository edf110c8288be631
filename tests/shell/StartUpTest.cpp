// The start-up opening of the first showing: the undo file, recovery, the command-line map
// and the configured start-up map, first instance or not.
#include "ShellFixture.h"

#include "core/Folders.h"
#include "core/LangTexts.h"
#include "document/Undo.h"
#include "shell/StartUp.h"

#include <QDir>
#include <QFileInfo>

using namespace zemo;

TEST(CommandLineFile, ParametersJoinIntoOneAbsolutePath)
{
    const QString home = QStringLiteral("/home/u");
    EXPECT_EQ(CommandLineFile({}, home), QString());
    EXPECT_EQ(CommandLineFile({QStringLiteral("maps/a.zmd")}, home), QStringLiteral("/home/u/maps/a.zmd"));
    EXPECT_EQ(CommandLineFile({QStringLiteral("/data/My"), QStringLiteral("Maps/b.zmd")}, home),
              QStringLiteral("/data/My Maps/b.zmd"));
    EXPECT_EQ(CommandLineFile({QStringLiteral("../x.zmd")}, home), QStringLiteral("/home/x.zmd"));
}

struct StartupCase {
    const char* what;
    bool first, autoLoad, given;
    const char* opened; // empty: none
};
void PrintTo(const StartupCase& c, std::ostream* os) { *os << c.what; }

class StartUp : public test::ShellTest, public ::testing::WithParamInterface<StartupCase> {};

// Each row in a process of its own, as the program starts once.
INSTANTIATE_TEST_SUITE_P(
    Rows, StartUp,
    ::testing::Values(StartupCase{"FirstRecoversAndOpensTheStartUpMap", true, true, false, "last.zmd"},
                      StartupCase{"ACommandLineMapWins", true, true, true, "given.zmd"},
                      StartupCase{"WithoutAutoLoadNoStartUpMap", true, false, false, ""},
                      StartupCase{"ASecondInstanceNeitherRecoversNorOpensIt", false, true, false, ""},
                      StartupCase{"ASecondInstanceOpensAGivenMap", false, true, true, "given.zmd"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_P(StartUp, RecoveryTheUndoFileAndTheMapOpened)
{
    const StartupCase& r = GetParam();
    const QString last = WriteSample(QStringLiteral("last.zmd"));
    const QString given = WriteSample(QStringLiteral("given.zmd"));
    // Left by an earlier run: a working copy and an undo file.
    ASSERT_TRUE(QDir().mkpath(StateFolder()));
    ASSERT_TRUE(QFile::copy(last, StateFolder() + QStringLiteral("temp0007.~md")));
    const QString staleUndo = StateFolder() + QStringLiteral("undo0003.tmp");
    QFile stale(staleUndo);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    ProgramConfig.AutoLoad = r.autoLoad;
    ProgramConfig.File = last;
    NoOtherInstance = r.first;
    CloseUndoFile();
    messages.QueueAnswer(IdCancel); // the copy is not recovered

    ASSERT_TRUE(RunInFrame([&] { StartupOpen(r.given ? given : QString()); }, "FormPaint"));
    QStringList open;
    for (const OpenDocument& d : Opening.OpenDocuments)
        open << QFileInfo(d.Name).fileName();
    EXPECT_EQ(open.join(u','), QLatin1String(r.opened));
    EXPECT_EQ(messages.CountOf(TextKey::SessionAborted), r.first ? 1 : 0);
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
    EXPECT_GE(UndoUnit.FileHandle, 0) << "the undo file is made";
    // An earlier run's undo file is removed by the first; it may be the first's own.
    EXPECT_EQ(QFileInfo::exists(staleUndo), !r.first);
}
