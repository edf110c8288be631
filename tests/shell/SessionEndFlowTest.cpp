// The end of the desktop session in the running program: what the session manager is told
// to start again, and the maps kept for the next start.
#include "ShellFixture.h"

#include "core/Folders.h"
#include "shell/StartUp.h"

#include <QCoreApplication>
#include <QDir>

using namespace zemo;
using namespace zemo::test;

namespace {

class SessionEnd : public ShellTest {
protected:
    static QStringList WorkingCopies()
    {
        return QDir(StateFolder()).entryList({QStringLiteral("temp*.~md")}, QDir::Files);
    }
};

} // namespace

TEST_F(SessionEnd, TheRestartCommandOpensTheFirstMapAndTheEditsComeBackThroughRecovery)
{
    const QString program = QCoreApplication::applicationFilePath();
    EXPECT_EQ(Frame().CommitSession(), QStringList{program});
    Key(&Frame(), Qt::Key_Shift);  // the session goes on

    ASSERT_TRUE(OpenSample(QStringLiteral("first.zmd")));
    ASSERT_TRUE(OpenSample(QStringLiteral("second.zmd")));
    Choose(Cmd::ViewHatch);  // a view, kept with the edit that follows
    DeleteTheLine();         // an edit of the second, active map
    Settle();
    ASSERT_EQ(WorkingCopies().size(), 1);  // the first is only looked at

    const QStringList command = Frame().CommitSession();
    EXPECT_EQ(command, (QStringList{program, TempPath(QStringLiteral("first.zmd"))}));
    EXPECT_EQ(CommandLineFile(command.mid(1), QDir::rootPath()), TempPath(QStringLiteral("first.zmd")));
    Frame().close();
    Settle();
    EXPECT_EQ(messages.Count(), 0) << "no question at the session's end";
    EXPECT_EQ(WorkingCopies().size(), 1);
    EXPECT_EQ(ProgramConfig.File, TempPath(QStringLiteral("first.zmd")));

    Restart();
    EXPECT_EQ(messages.CountOf(TextKey::SessionAborted), 1);
    OpenDocument* second = FindDocument(TempPath(QStringLiteral("second.zmd")));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->Zmd->Setup.HatchView);
    EXPECT_NE(FindDocument(TempPath(QStringLiteral("first.zmd"))), nullptr);
}

TEST_F(SessionEnd, InputAfterTheRequestMeansTheSessionWentOnAndClosingAsksAgain)
{
    ASSERT_TRUE(OpenSample());
    DeleteTheLine();
    Settle();
    Frame().CommitSession();
    Key(Surface(), Qt::Key_Shift);
    messages.QueueAnswer(IdNo);
    Frame().close();
    Settle();
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 1);
    EXPECT_TRUE(WorkingCopies().isEmpty());
}
