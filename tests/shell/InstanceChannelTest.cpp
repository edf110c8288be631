// The channel between a running instance and later starts: its name, long folders, separate
// state folders, other users, and a state folder without a usable lock.
#include "InstanceProbe.h"
#include "core/Folders.h"
#include "shell/SingleInstance.h"
#include "shell/StartUp.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zemo;

namespace {

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        NoOtherInstance = true;
    }

    QString Sub(const QString& name) const { return dir.filePath(name); }
    void Collect(InstanceServer& server)
    {
        QObject::connect(&server, &InstanceServer::FileReceived,
                         [this](const QString& f) { received << f; });
    }

    QTemporaryDir dir;
    QStringList received;
    ScopedEnv env;
};

// The kernel's address of an abstract channel, as another process dials it.
struct RawAddress {
    sockaddr_un addr {};
    socklen_t length = 0;
};

RawAddress AbstractAddress(const QString& name)
{
    RawAddress a;
    a.addr.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(name);
    std::memcpy(a.addr.sun_path + 1, bytes.constData(), size_t(bytes.size()));
    a.length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + bytes.size());
    return a;
}

// Child exit codes of the raw peers below.
enum : int { PeerAnswered = 0, PeerGotNothing = 1, PeerCannotDial = 2, PeerCannotBecomeUser = 3 };

// Forked child: becomes the given user (or stays when uid < 0), then runs the work and
// leaves with its result. Only plain system calls happen in the child.
template <typename Work>
pid_t ForkAs(int uid, Work work)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (uid >= 0 && (::setgid(gid_t(uid)) != 0 || ::setuid(uid_t(uid)) != 0))
            ::_exit(PeerCannotBecomeUser);
        ::_exit(work());
    }
    return pid;
}

// Serves this process's events until the child has ended and its last words are read; its
// exit code.
int ServeUntilExit(pid_t pid)
{
    int status = 0;
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            // What the child sent before it ended is still to be read.
            for (int i = 0; i < 20; ++i)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

bool WaitReadable(int fd, int ms)
{
    pollfd p {fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
}

constexpr int Nobody = 65534;

} // namespace

TEST_F(InstanceChannelTest, TheNameFollowsTheUserAndTheStateFolderNotItsSpelling)
{
    const QString state = Sub(QStringLiteral("state/zemo"));
    ASSERT_TRUE(QDir().mkpath(state));
    ASSERT_TRUE(QFile::link(Sub(QStringLiteral("state")), Sub(QStringLiteral("link"))));
    const QString tmp = dir.path();
    const InstanceChannel base = InstancePathsFor(state, tmp, 1000, true).channel;
    EXPECT_TRUE(base.abstract);
    EXPECT_TRUE(base.name.startsWith(QStringLiteral("zemo-1000-"))) << base.name.toStdString();

    const struct {
        const char* what;
        QString state;
        uint uid;
        bool same;
    } rows[] = {
        {"a trailing separator", state + QLatin1Char('/'), 1000, true},
        {"a link to the same folder", Sub(QStringLiteral("link/zemo")), 1000, true},
        {"a dotted path to it", Sub(QStringLiteral("state/../state/zemo")), 1000, true},
        {"another user", state, 1001, false},
        {"another state folder", Sub(QStringLiteral("other/zemo")), 1000, false},
        {"a folder not made yet", Sub(QStringLiteral("state/zemo2")), 1000, false},
    };
    for (const auto& row : rows) {
        const InstancePaths p = InstancePathsFor(row.state, tmp, row.uid, true);
        EXPECT_EQ(p.channel.name == base.name, row.same) << row.what;
        EXPECT_TRUE(p.channel.abstract) << row.what;
    }
    // The lock stays beside the working copies.
    EXPECT_EQ(InstancePathsFor(state + QLatin1Char('/'), tmp, 1000, true).lockFile,
              state + QStringLiteral("/instance.lock"));
}

TEST_F(InstanceChannelTest, WithoutAbstractNamesTheSocketFileMovesToTheTemporaryFolderOrSaysWhy)
{
    const QString shortState = Sub(QStringLiteral("s"));
    const QString longState = FolderOfLength(dir.path(), QStringLiteral("state-"), 200);
    const QString shortTmp = Sub(QStringLiteral("t"));
    const QString longTmp = FolderOfLength(dir.path(), QStringLiteral("tmp-"), 200);
    ASSERT_TRUE(QDir().mkpath(shortState));
    ASSERT_TRUE(QDir().mkpath(shortTmp));

    const struct {
        const char* what;
        QString state, tmp;
        QString expectedFolder; // empty: the socket cannot be made
    } rows[] = {
        {"a short state folder", shortState, longTmp, shortState},
        {"a long state folder", longState, shortTmp, shortTmp},
        {"both long", longState, longTmp, QString()},
    };
    for (const auto& row : rows) {
        const InstanceChannel channel = InstancePathsFor(row.state, row.tmp, 1000, false).channel;
        EXPECT_FALSE(channel.abstract) << row.what;
        InstanceServer server;
        const bool listening = server.Listen(channel, true);
        if (row.expectedFolder.isEmpty()) {
            EXPECT_FALSE(listening) << row.what;
            EXPECT_TRUE(server.Failure().contains(QStringLiteral("longer than"))) << row.what;
        } else {
            EXPECT_EQ(QFileInfo(channel.name).path(), row.expectedFolder) << row.what;
            EXPECT_TRUE(listening) << row.what << ": " << server.Failure().toStdString();
            EXPECT_TRUE(ChannelListens(channel)) << row.what;
        }
    }
}

TEST_F(InstanceChannelTest, WithHomeAndTempOf200BytesASecondStartHandsItsFileOver)
{
    const QString home = FolderOfLength(dir.path(), QStringLiteral("home-"), 200);
    const QString tmp = FolderOfLength(dir.path(), QStringLiteral("tmp-"), 200);
    env.Set("HOME", home);
    env.Set("TMPDIR", tmp);
    env.Set("XDG_STATE_HOME", QString());

    const InstancePaths paths = DefaultInstancePaths();
    ASSERT_TRUE(paths.lockFile.startsWith(home)) << "the state folder is under the long home";
    ASSERT_TRUE(paths.channel.abstract);
    // The file-system socket could not be made here, neither beside the lock nor in TMPDIR.
    EXPECT_FALSE(InstanceServer().Listen(
        InstancePathsFor(StateFolder(), QDir::tempPath(), ::getuid(), false).channel, true));

    InstanceLock firstLock(paths.lockFile);
    ASSERT_TRUE(ElectInstance(firstLock, paths, QString(), 300).first);
    InstanceServer server;
    Collect(server);
    ASSERT_TRUE(server.Listen(paths.channel, firstLock.Held())) << server.Failure().toStdString();

    const QString file = home + QStringLiteral("/maps/Über Karte.zmd");
    InstanceLock secondLock(paths.lockFile);
    InstanceRole second;
    ServeWhile([&] { second = ElectInstance(secondLock, paths, file, 5000); });
    EXPECT_FALSE(second.first);
    EXPECT_TRUE(second.handedOff);
    EXPECT_FALSE(NoOtherInstance);
    EXPECT_EQ(received, QStringList{file});
}

TEST_F(InstanceChannelTest, TwoStateFoldersHaveTwoChannels)
{
    env.Set("XDG_STATE_HOME", Sub(QStringLiteral("a")));
    const InstancePaths a = DefaultInstancePaths();
    env.Set("XDG_STATE_HOME", Sub(QStringLiteral("b")));
    const InstancePaths b = DefaultInstancePaths();
    ASSERT_NE(a.channel.name, b.channel.name);
    ASSERT_NE(a.lockFile, b.lockFile);

    // Each folder has its own first instance, and a file goes to the one of its folder.
    InstanceLock lockA(a.lockFile), lockB(b.lockFile);
    ASSERT_TRUE(ElectInstance(lockA, a, QString(), 300).first);
    ASSERT_TRUE(ElectInstance(lockB, b, QString(), 300).first);
    InstanceServer serverA, serverB;
    QStringList inA, inB;
    QObject::connect(&serverA, &InstanceServer::FileReceived, [&](const QString& f) { inA << f; });
    QObject::connect(&serverB, &InstanceServer::FileReceived, [&](const QString& f) { inB << f; });
    ASSERT_TRUE(serverA.Listen(a.channel, true)) << serverA.Failure().toStdString();
    ASSERT_TRUE(serverB.Listen(b.channel, true)) << serverB.Failure().toStdString();

    bool toA = false, toB = false;
    ServeWhile([&] {
        toA = HandOffFile(a.channel, QStringLiteral("/maps/a.zmd"), 5000);
        toB = HandOffFile(b.channel, QStringLiteral("/maps/b.zmd"), 5000);
    });
    EXPECT_TRUE(toA);
    EXPECT_TRUE(toB);
    EXPECT_EQ(inA, QStringList{QStringLiteral("/maps/a.zmd")});
    EXPECT_EQ(inB, QStringList{QStringLiteral("/maps/b.zmd")});
}

TEST_F(InstanceChannelTest, AnotherUsersStartIsNotHeard)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can start a process of another user here";
    const InstanceChannel channel =
        InstancePathsFor(dir.path(), dir.path(), ::getuid(), true).channel;
    InstanceServer server;
    Collect(server);
    ASSERT_TRUE(server.Listen(channel, true));
    const RawAddress address = AbstractAddress(channel.name);
    const QByteArray request = HandOffRequest(QStringLiteral("/maps/theirs.zmd"));

    const struct {
        const char* what;
        int uid;
        int exitCode;
        qsizetype opened;
    } rows[] = {
        {"this user", -1, PeerAnswered, 1},
        {"another user", Nobody, PeerGotNothing, 0},
    };
    for (const auto& row : rows) {
        received.clear();
        const pid_t pid = ForkAs(row.uid, [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address.addr),
                                    address.length) != 0)
                return int(PeerCannotDial);
            if (::write(fd, request.constData(), size_t(request.size())) != request.size())
                return int(PeerGotNothing);
            char reply[16];
            if (!WaitReadable(fd, 3000) || ::read(fd, reply, sizeof reply) <= 0)
                return int(PeerGotNothing);
            return ::write(fd, "ZEMO-GO\n", 8) == 8 ? int(PeerAnswered) : int(PeerGotNothing);
        });
        ASSERT_GT(pid, 0);
        EXPECT_EQ(ServeUntilExit(pid), row.exitCode) << row.what;
        EXPECT_EQ(received.size(), row.opened) << row.what;
    }
}

TEST_F(InstanceChannelTest, AListenerOfAnotherUserIsNotToldTheFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can start a process of another user here";
    const InstanceChannel channel =
        InstancePathsFor(dir.path(), dir.path(), ::getuid(), true).channel;
    const RawAddress address = AbstractAddress(channel.name);

    const struct {
        const char* what;
        int uid;
        bool handedOff;
        int exitCode;
    } rows[] = {
        {"this user", -1, true, PeerAnswered},
        {"another user", Nobody, false, PeerGotNothing},
    };
    for (const auto& row : rows) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ForkAs(row.uid, [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 ||
                ::bind(fd, reinterpret_cast<const sockaddr*>(&address.addr), address.length) != 0 ||
                ::listen(fd, 1) != 0)
                return int(PeerCannotDial);
            (void)!::write(ready[1], "r", 1);
            if (!WaitReadable(fd, 5000))
                return int(PeerGotNothing);
            const int peer = ::accept(fd, nullptr, nullptr);
            char request[256];
            if (peer < 0 || !WaitReadable(peer, 3000) || ::read(peer, request, sizeof request) <= 0)
                return int(PeerGotNothing);
            (void)!::write(peer, "ZEMO-OK\n", 8);
            // Stay for the sender's go, so that its write has someone to go to.
            return WaitReadable(peer, 3000) && ::read(peer, request, sizeof request) > 0
                       ? int(PeerAnswered)
                       : int(PeerGotNothing);
        });
        ASSERT_GT(pid, 0);
        ::close(ready[1]);
        char byte = 0;
        ASSERT_TRUE(WaitReadable(ready[0], 10000) && ::read(ready[0], &byte, 1) == 1) << row.what;
        ::close(ready[0]);
        EXPECT_EQ(HandOffFile(channel, QStringLiteral("/maps/mine.zmd"), 2000), row.handedOff)
            << row.what;
        EXPECT_EQ(ServeUntilExit(pid), row.exitCode) << row.what;
    }
}

TEST_F(InstanceChannelTest, WithoutAUsableLockAFileGoesToWhoeverAnswersElseThisStartIsFirst)
{
    const InstancePaths paths =
        InstancePathsFor(Sub(QStringLiteral("gone/zemo")), dir.path(), ::getuid(), true);
    InstanceLock lock(paths.lockFile);
    EXPECT_FALSE(lock.TryAcquire());
    EXPECT_TRUE(lock.Failure().contains(paths.lockFile)) << lock.Failure().toStdString();

    // Another holder is not a failure: that start simply is not first.
    const QString usable = Sub(QStringLiteral("instance.lock"));
    InstanceLock holder(usable), other(usable);
    ASSERT_TRUE(holder.TryAcquire());
    EXPECT_FALSE(other.TryAcquire());
    EXPECT_TRUE(other.Failure().isEmpty());

    InstanceRole role = ElectInstance(lock, paths, QStringLiteral("/maps/a.zmd"), 300);
    EXPECT_TRUE(role.first) << "nobody answers: this start serves";
    EXPECT_FALSE(role.handedOff);
    EXPECT_FALSE(role.lockFailure.isEmpty());
    EXPECT_TRUE(NoOtherInstance);

    InstanceServer running;
    Collect(running);
    ASSERT_TRUE(running.Listen(paths.channel, false));
    ServeWhile([&] { role = ElectInstance(lock, paths, QStringLiteral("/maps/b.zmd"), 300); });
    EXPECT_FALSE(role.first);
    EXPECT_TRUE(role.handedOff);
    EXPECT_FALSE(NoOtherInstance);
    EXPECT_EQ(received, QStringList{QStringLiteral("/maps/b.zmd")});

    // A socket file that is alive is left to its owner by a start without the lock.
    const InstanceChannel file{Sub(QStringLiteral("i.sock")), false};
    InstanceServer owner, intruder;
    ASSERT_TRUE(owner.Listen(file, true));
    EXPECT_FALSE(intruder.Listen(file, false));
    EXPECT_FALSE(intruder.Failure().isEmpty());
    EXPECT_TRUE(ChannelListens(file));
    EXPECT_TRUE(QFileInfo::exists(file.name));
}
