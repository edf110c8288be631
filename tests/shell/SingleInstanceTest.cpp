#include "InstanceProbe.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace zemo;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        paths.lockFile = dir.filePath(QStringLiteral("instance.lock"));
        paths.channel = {dir.filePath(QStringLiteral("instance.sock")), false};
        NoOtherInstance = true;
        QObject::connect(&server, &InstanceServer::FileReceived, [this](const QString& f) { received << f; });
    }
    // The blocking client runs on its own thread while this one serves.
    void OnThread(const std::function<void()>& client) { ServeWhile(client); }
    bool HandOff(const QString& file, int timeoutMs = 5000)
    {
        bool ok = false;
        OnThread([&] { ok = HandOffFile(paths.channel, file, timeoutMs); });
        return ok;
    }
    // Raw bytes sent; what came back before the server hung up.
    QByteArray SendRaw(const QByteArray& bytes, const QByteArray& go = "ZEMO-GO\n")
    {
        QByteArray reply;
        OnThread([&] {
            QLocalSocket s;
            s.connectToServer(paths.channel.name);
            if (s.waitForConnected(2000)) {
                s.write(bytes);
                s.waitForBytesWritten(2000);
                while (!reply.endsWith('\n') && s.waitForReadyRead(500))
                    reply += s.readAll();
                if (reply == "ZEMO-OK\n") {
                    s.write(go);
                    s.waitForBytesWritten(2000);
                }
                while (s.waitForReadyRead(500))
                    reply += s.readAll();
            }
        });
        return reply;
    }

    QTemporaryDir dir;
    InstancePaths paths;
    InstanceServer server;
    QStringList received;
};

} // namespace

TEST_F(SingleInstanceTest, OnlyOneHolderOfTheLockAtATime)
{
    InstanceLock first(paths.lockFile);
    InstanceLock second(paths.lockFile);
    EXPECT_TRUE(first.TryAcquire());
    EXPECT_FALSE(second.TryAcquire());
    first.Release();
    EXPECT_TRUE(second.TryAcquire());
    InstanceLock nowhere(dir.filePath(QStringLiteral("no/such/folder/lock")));
    EXPECT_FALSE(nowhere.TryAcquire());
}

TEST_F(SingleInstanceTest, RequestsUpToTheLengthCapAreAnsweredAndMalformedOnesOpenNothing)
{
    ASSERT_TRUE(server.Listen(paths.channel));
    const QByteArray atCap = '/' + QByteArray(MaxHandOffBytes - 1, 'a');
    const struct {
        const char* what;
        QByteArray bytes;
        bool answered;
    } rows[] = {
        {"no magic", "HELLO\n", false},
        {"a count beyond the cap", "ZEMO-OPEN 999999999\n/x", false},
        {"a negative count", "ZEMO-OPEN -3\n", false},
        {"more bytes than announced", "ZEMO-OPEN 2\n/abc", false},
        {"a header line without end", QByteArray(100, 'Z'), false},
        {"one byte over the cap", "ZEMO-OPEN 65537\n" + atCap + 'a', false},
        {"a relative name", "ZEMO-OPEN 5\nx.zmd", false},
        {"a half-sent name", "ZEMO-OPEN 10\n/ab", false},
        {"a NUL inside the name", QByteArray("ZEMO-OPEN 7\n/a\0b.zm", 19), false},
        {"exactly the cap", "ZEMO-OPEN 65536\n" + atCap, true},
        {"a UTF-8 path", HandOffRequest(QStringLiteral("/maps/Über Karte.zmd")), true},
    };
    for (const auto& row : rows) {
        received.clear();
        EXPECT_EQ(SendRaw(row.bytes), row.answered ? QByteArray("ZEMO-OK\n") : QByteArray()) << row.what;
        EXPECT_EQ(received.size(), row.answered ? 1 : 0) << row.what;
    }
    EXPECT_EQ(received.value(0), QStringLiteral("/maps/Über Karte.zmd"));
}

TEST_F(SingleInstanceTest, AFileOpensOnlyOnceItsSenderConfirmsTheAnswer)
{
    ASSERT_TRUE(server.Listen(paths.channel));
    const QByteArray request = HandOffRequest(QStringLiteral("/maps/a.zmd"));
    const struct {
        const char* what;
        QByteArray go;
        bool opened;
    } rows[] = {
        {"the go", "ZEMO-GO\n", true},
        {"nothing: the sender gave up", "", false},
        {"something else", "ZEMO-NO\n", false},
        {"the go and more", "ZEMO-GO\nZEMO-GO\n", false},
    };
    for (const auto& row : rows) {
        received.clear();
        EXPECT_TRUE(SendRaw(request, row.go).startsWith("ZEMO-OK\n")) << row.what;
        EXPECT_EQ(received.size(), row.opened ? 1 : 0) << row.what;
    }
}

TEST_F(SingleInstanceTest, AStartThatGaveUpOnABusyInstanceKeepsItsFileAndTheInstanceDropsIt)
{
    ASSERT_TRUE(server.Listen(paths.channel));
    // The instance handles no events while the start waits: it is busy.
    bool ok = true;
    std::thread start([&] { ok = HandOffFile(paths.channel, QStringLiteral("/maps/a.zmd"), 300); });
    start.join();
    EXPECT_FALSE(ok);
    // Later the instance reads the whole request, answers into the void and opens nothing:
    // the start has the map.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(received.isEmpty());
    EXPECT_TRUE(HandOff(QStringLiteral("/maps/b.zmd"))) << "and serves the next start as usual";
    EXPECT_EQ(received, QStringList{QStringLiteral("/maps/b.zmd")});
}

TEST_F(SingleInstanceTest, TheSenderRefusesWhatTheReceiverWouldRefuseWithoutConnecting)
{
    // At the cap the whole way through; one byte more never leaves this start.
    const QString atCap = QLatin1Char('/') + QString(MaxHandOffBytes - 1, u'm');
    ASSERT_TRUE(server.Listen(paths.channel));
    EXPECT_TRUE(HandOff(atCap));
    EXPECT_TRUE(received == QStringList{atCap});

    QLocalServer silent;
    const QString name = dir.filePath(QStringLiteral("silent.sock"));
    ASSERT_TRUE(silent.listen(name));
    for (int over : {1, 16, 17, 48}) {
        bool ok = true;
        OnThread([&] { ok = HandOffFile({name}, atCap + QString(over, u'x'), 300); });
        EXPECT_FALSE(ok) << over;
        EXPECT_FALSE(silent.hasPendingConnections()) << over << " bytes over the cap were sent";
    }
}

TEST_F(SingleInstanceTest, ASecondStartHandsOverOrKeepsItsFile)
{
    InstanceLock running(paths.lockFile);
    ASSERT_TRUE(running.TryAcquire());

    // The lock is held but nobody answers: the file stays with this start.
    InstanceLock mine(paths.lockFile);
    InstanceRole role = ElectInstance(mine, paths, QStringLiteral("/maps/a.zmd"), 300);
    EXPECT_FALSE(role.first);
    EXPECT_FALSE(role.handedOff);
    EXPECT_FALSE(NoOtherInstance);

    NoOtherInstance = true;
    role = ElectInstance(mine, paths, QString(), 300);
    EXPECT_FALSE(role.first);
    EXPECT_FALSE(role.handedOff) << "without a file a second instance starts normally";
    EXPECT_FALSE(NoOtherInstance);

    running.Release();
    NoOtherInstance = true;
    role = ElectInstance(mine, paths, QStringLiteral("/maps/a.zmd"), 300);
    EXPECT_TRUE(role.first);
    EXPECT_TRUE(NoOtherInstance);
}

TEST_F(SingleInstanceTest, AClientWaitsForAnInstanceThatIsStillStarting)
{
    std::atomic<int> result{-1};
    std::thread client([&] { result = HandOffFile(paths.channel, QStringLiteral("/late.zmd"), 5000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(server.Listen(paths.channel));
    while (result < 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    client.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(received, QStringList{QStringLiteral("/late.zmd")});
}

TEST_F(SingleInstanceTest, SocketPathStaysShortEnough)
{
    qputenv("XDG_STATE_HOME", (dir.path() + QStringLiteral("/") + QString(120, u'd')).toUtf8());
    const InstancePaths p = DefaultInstancePaths();
    EXPECT_LE(p.channel.name.toUtf8().size(), 100);
    EXPECT_TRUE(p.lockFile.endsWith(QStringLiteral("zemo/instance.lock")));
}
