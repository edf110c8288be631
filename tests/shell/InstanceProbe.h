// Helpers of the instance tests: a look at a channel from outside, long folders, a scoped
// environment, a client on a thread of its own.
#pragma once

#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace zemo {

// True while something listens on the channel (a listener that is busy still takes the
// connection: the kernel queues it).
inline bool ChannelListens(const InstanceChannel& channel)
{
    QLocalSocket socket;
    if (channel.abstract)
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(channel.name);
    const bool connected = socket.waitForConnected(200);
    socket.abort();
    return connected;
}

// A folder whose path is exactly `bytes` long, made under base.
inline QString FolderOfLength(const QString& base, const QString& stem, int bytes)
{
    const QString head = base + QLatin1Char('/') + stem;
    const QString folder = head + QString(bytes - int(head.toUtf8().size()), u'x');
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder;
}

// Environment variables set for one test and put back at its end (libraries that read HOME
// late, fontconfig at exit, find the usual one again).
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second.isNull())
                qunsetenv(it->first);
            else
                qputenv(it->first, it->second);
        }
    }
    // An empty value removes the variable.
    void Set(const char* name, const QString& value)
    {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }

private:
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

// Runs a blocking client on a thread of its own while this thread serves.
inline void ServeWhile(const std::function<void()>& client)
{
    std::atomic<bool> done{false};
    std::thread t([&] {
        client();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    t.join();
    QCoreApplication::processEvents();
}

} // namespace zemo
