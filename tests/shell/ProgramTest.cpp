// The built program, started as separate processes.
#include "InstanceProbe.h"
#include "shell/SingleInstance.h"
#include "shell/widgets/Program.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

using namespace zemo;

namespace {

QString ZemoBinary()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../zemo"));
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFileInfo::exists(ZemoBinary())) << ZemoBinary().toStdString();
        // This process and its children share the state folder, so they meet at one lock.
        qputenv("XDG_STATE_HOME", dir.filePath(QStringLiteral("state")).toUtf8());
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        // Qt keeps some process-wide caches to the end; their reports are not ours.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        paths = DefaultInstancePaths();
    }
    void TearDown() override
    {
        for (QProcess* p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }

    QProcess* Start(const QStringList& args, const QString& workDir = {},
                    const QString& program = {})
    {
        auto* p = new QProcess;
        started.push_back(p);
        p->setProcessEnvironment(env);
        if (!workDir.isEmpty())
            p->setWorkingDirectory(workDir);
        p->start(program.isEmpty() ? ZemoBinary() : program, args);
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }

    // True once some process holds the instance lock and listens.
    bool WaitForRunningInstance(int ms)
    {
        for (int waited = 0; waited < ms; waited += 50) {
            InstanceLock probe(paths.lockFile);
            if (ChannelListens(paths.channel) && !probe.TryAcquire())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
    InstancePaths paths;
    std::vector<QProcess*> started;
};

} // namespace

TEST_F(ProgramTest, WithoutStringsIniTheProgramSaysSoAndEndsWithCode1)
{
    // A copy of the program where no data folder is to be found (beside it, one level up,
    // or ../share/zemo).
    const QString bin = dir.filePath(QStringLiteral("lonely/bin/zemo"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(bin).path()));
    ASSERT_TRUE(QFile::copy(ZemoBinary(), bin));
    QProcess* p = Start({}, {}, bin);
    ASSERT_TRUE(p->waitForFinished(30000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 1);
    EXPECT_TRUE(p->readAllStandardError().contains(StringResourceError));

    // With a screen the same text comes in a box titled with the program's name.
    QMessageBox* box = MakeStringResourceErrorBox();
    EXPECT_EQ(box->text(), QString::fromLatin1(StringResourceError));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("ZEMO"));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    delete box;
}

TEST_F(ProgramTest, ASecondStartHandsItsRelativePathToTheFirstAndEnds)
{
    // This test plays the running instance.
    InstanceLock lock(paths.lockFile);
    ASSERT_TRUE(lock.TryAcquire());
    InstanceServer server;
    ASSERT_TRUE(server.Listen(paths.channel));
    QStringList received;
    QObject::connect(&server, &InstanceServer::FileReceived, [&](const QString& f) { received << f; });

    const QString work = dir.filePath(QStringLiteral("work"));
    ASSERT_TRUE(QDir().mkpath(work));
    QProcess* second = Start({QStringLiteral("maps/My"), QStringLiteral("Map.zmd")}, work);
    // A sanitized start on a busy machine takes its time; and a start that ended after its
    // last word may have left that word in the socket, read only when this loop runs again.
    QDeadlineTimer deadline(90000);
    while (!deadline.hasExpired()
           && (second->state() != QProcess::NotRunning || (received.isEmpty() && second->exitCode() == 0))) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        second->waitForFinished(10);
    }
    ASSERT_EQ(second->state(), QProcess::NotRunning);
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0], QDir(work).filePath(QStringLiteral("maps/My Map.zmd")));
}

TEST_F(ProgramTest, AfterTheFirstIsKilledTheNextStartBecomesFirst)
{
    QProcess* first = Start({});
    ASSERT_TRUE(WaitForRunningInstance(30000));
    // The running instance answers a hand-off.
    EXPECT_TRUE(HandOffFile(paths.channel, QStringLiteral("/maps/x.zmd"), 10000));

    ::kill(pid_t(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(10000));
    if (paths.channel.abstract)
        EXPECT_FALSE(ChannelListens(paths.channel)) << "the kernel drops the name with its holder";
    else
        ASSERT_TRUE(QFileInfo::exists(paths.channel.name)) << "a stale socket stays behind";

    QProcess* next = Start({QStringLiteral("/maps/y.zmd")});
    EXPECT_FALSE(next->waitForFinished(2000)) << "it must not hand off to a dead instance";
    ASSERT_TRUE(WaitForRunningInstance(30000));
    EXPECT_TRUE(HandOffFile(paths.channel, QStringLiteral("/maps/z.zmd"), 10000))
        << "the next start serves";
    EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(ProgramTest, TwoSimultaneousStartsDoNotBothBecomeFirst)
{
    QProcess* a = Start({QStringLiteral("/maps/same.zmd")});
    QProcess* b = Start({QStringLiteral("/maps/same.zmd")});
    // The one that is not first hands its file over and ends.
    QProcess* ended = nullptr;
    for (int i = 0; i < 600 && !ended; ++i) {
        if (a->waitForFinished(50))
            ended = a;
        else if (b->waitForFinished(50))
            ended = b;
    }
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->exitCode(), 0);
    QProcess* other = ended == a ? b : a;
    EXPECT_FALSE(other->waitForFinished(1000));
    EXPECT_EQ(other->state(), QProcess::Running);
}

TEST_F(ProgramTest, WithHomeAndTempOf200BytesASecondStartHandsItsFileToTheFirst)
{
    ScopedEnv scoped;
    const QString home = FolderOfLength(dir.path(), QStringLiteral("home-"), 200);
    const QString tmp = FolderOfLength(dir.path(), QStringLiteral("tmp-"), 200);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.remove(QStringLiteral("XDG_STATE_HOME"));
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    scoped.Set("HOME", home);
    scoped.Set("TMPDIR", tmp);
    scoped.Set("XDG_STATE_HOME", QString());
    paths = DefaultInstancePaths();
    ASSERT_TRUE(paths.lockFile.startsWith(home));

    QProcess* first = Start({});
    ASSERT_TRUE(WaitForRunningInstance(30000));
    QProcess* second = Start({QStringLiteral("maps/x.zmd")}, home);
    ASSERT_TRUE(second->waitForFinished(60000))
        << "the second start went on as a program of its own";
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished(10000);
    EXPECT_FALSE(first->readAllStandardError().contains("cannot hand"));
}

TEST_F(ProgramTest, AFirstStartWithoutAChannelSaysWhyOnceAndGoesOn)
{
    // Another program holds the name: the first start gets the lock but not the channel.
    QLocalServer squatter;
    if (paths.channel.abstract)
        squatter.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    ASSERT_TRUE(squatter.listen(paths.channel.name));

    QProcess* first = Start({});
    QByteArray all, said;
    for (int i = 0; i < 600 && !said.contains('\n'); ++i) {
        first->waitForReadyRead(50);
        all += first->readAllStandardError();
        const qsizetype at = all.indexOf("zemo: later starts");
        if (at >= 0)
            said = all.mid(at);
    }
    ASSERT_TRUE(said.startsWith("zemo: later starts cannot hand their maps to this one: "))
        << all.toStdString();
    EXPECT_TRUE(said.contains(paths.channel.name.toUtf8())) << "the reason names the channel";
    EXPECT_FALSE(first->waitForFinished(1000));
    EXPECT_EQ(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished(10000);
    all += first->readAllStandardError();
    EXPECT_EQ(all.count("later starts cannot"), 1) << all.toStdString();
}
