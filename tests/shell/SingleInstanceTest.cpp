#include "shell/SingleInstance.h"
#include "shell/StartUp.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace zemo;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        paths.lockFile = dir.filePath(QStringLiteral("instance.lock"));
        paths.serverName = dir.filePath(QStringLiteral("instance.sock"));
        NoOtherInstance = true;
    }

    // Runs the blocking client on its own thread while this thread serves.
    bool HandOffFromThread(const QString& file, int timeoutMs = 5000)
    {
        std::atomic<int> result{-1};
        std::thread client([&] { result = HandOffFile(paths.serverName, file, timeoutMs) ? 1 : 0; });
        while (result < 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        client.join();
        QCoreApplication::processEvents();
        return result == 1;
    }

    // Sends raw bytes and returns what came back before the server hung up.
    QByteArray SendRaw(const QByteArray& bytes)
    {
        QByteArray reply;
        std::atomic<bool> done{false};
        std::thread client([&] {
            QLocalSocket s;
            s.connectToServer(paths.serverName);
            if (s.waitForConnected(2000)) {
                s.write(bytes);
                s.waitForBytesWritten(2000);
                while (s.waitForReadyRead(500))
                    reply += s.readAll();
            }
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        client.join();
        return reply;
    }

    QTemporaryDir dir;
    InstancePaths paths;
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

TEST_F(SingleInstanceTest, TheServerAcknowledgesAndReportsAHandedOverFile)
{
    InstanceServer server;
    ASSERT_TRUE(server.Listen(paths.serverName));
    QStringList received;
    QObject::connect(&server, &InstanceServer::FileReceived, [&](const QString& f) { received << f; });
    const QString name = QStringLiteral("/maps/Über Karte.zmd");
    EXPECT_TRUE(HandOffFromThread(name));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.at(0), name);
}

TEST_F(SingleInstanceTest, MalformedRequestsGetNoAnswerAndOpenNothing)
{
    InstanceServer server;
    ASSERT_TRUE(server.Listen(paths.serverName));
    QStringList received;
    QObject::connect(&server, &InstanceServer::FileReceived, [&](const QString& f) { received << f; });
    EXPECT_TRUE(SendRaw("HELLO\n").isEmpty());
    EXPECT_TRUE(SendRaw("ZEMO-OPEN 999999999\n/x").isEmpty()) << "a count beyond the limit";
    EXPECT_TRUE(SendRaw("ZEMO-OPEN -3\n").isEmpty());
    EXPECT_TRUE(SendRaw("ZEMO-OPEN 2\n/abc").isEmpty()) << "more bytes than announced";
    EXPECT_TRUE(SendRaw(QByteArray(100, 'Z')).isEmpty()) << "a header line without end";
    EXPECT_EQ(received.size(), 0);
    EXPECT_EQ(SendRaw(HandOffRequest(QStringLiteral("/ok.zmd"))), QByteArray("ZEMO-OK\n"));
    EXPECT_EQ(received.size(), 1);
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
    InstanceServer server;
    QStringList received;
    QObject::connect(&server, &InstanceServer::FileReceived, [&](const QString& f) { received << f; });
    std::atomic<int> result{-1};
    std::thread client([&] {
        result = HandOffFile(paths.serverName, QStringLiteral("/late.zmd"), 5000) ? 1 : 0;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(server.Listen(paths.serverName));
    while (result < 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    client.join();
    EXPECT_EQ(result, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 1);
}

TEST_F(SingleInstanceTest, SocketPathStaysShortEnough)
{
    qputenv("XDG_STATE_HOME", (dir.path() + QStringLiteral("/") + QString(120, u'd')).toUtf8());
    const InstancePaths p = DefaultInstancePaths();
    EXPECT_LE(p.serverName.toUtf8().size(), 100);
    EXPECT_TRUE(p.lockFile.endsWith(QStringLiteral("zemo/instance.lock")));
}
