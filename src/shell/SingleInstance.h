// One running instance per user: the first start holds a lock file and listens on a local
// socket; a later start with a file hands the file over and ends once the running instance
// has acknowledged it. The lock decides who is first, so two starts at the same moment
// cannot both be first, and a killed instance leaves no stale claim behind (the kernel drops
// its lock).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace zemo {

struct InstancePaths {
    QString lockFile;
    QString serverName; // the socket's path
};

// Beside the working copies in the state folder (a shorter path in the temporary folder
// when that one is too long for a socket).
InstancePaths DefaultInstancePaths();

class InstanceLock {
public:
    explicit InstanceLock(QString path) : path_(std::move(path)) {}
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting; false when another process (or another InstanceLock)
    // holds it or the file cannot be opened.
    bool TryAcquire();
    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    QString path_;
    int fd_ = -1;
};

// The wire form of a hand-off: "ZEMO-OPEN <bytes>\n" and the UTF-8 path; the answer is
// "ZEMO-OK\n".
QByteArray HandOffRequest(const QString& file);
inline constexpr int MaxHandOffBytes = 65536;

// Sends the file to the instance listening under the name; true only when it answered.
// Connecting is retried until the time is up (the first instance may still be starting).
bool HandOffFile(const QString& serverName, const QString& file, int timeoutMs);

// The running instance's end: accepts hand-offs and acknowledges each complete request.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;
    // Call only while holding the instance lock: a socket left by a killed instance is
    // removed first.
    bool Listen(const QString& serverName);
    QString ServerName() const;

Q_SIGNALS:
    void FileReceived(const QString& file);

private:
    void Accept();
    void ReadFrom(QLocalSocket* socket);

    QLocalServer* server_;
    QHash<QLocalSocket*, QByteArray> pending_;
};

// Outcome of the start-up check.
struct InstanceRole {
    bool first = false;     // holds the lock: recovery and the start-up map are ours
    bool handedOff = false; // the file went to the running instance: end with exit code 0
};

// Takes the lock, or hands the file (when there is one) to the instance that holds it.
// A file the running instance did not acknowledge stays with this start.
InstanceRole ElectInstance(InstanceLock& lock, const InstancePaths& paths, const QString& file,
                           int timeoutMs);

// The receiving side inside the program: brings the frame to the front, opens a received
// file in the command frame, or queues it while a command runs and opens it once the
// program is idle again.
class HandOffQueue : public QObject {
    Q_OBJECT
public:
    explicit HandOffQueue(QObject* parent = nullptr);
    ~HandOffQueue() override;
    void SetBringToFront(std::function<void()> fn) { bringToFront_ = std::move(fn); }
    void Receive(const QString& file);
    const QStringList& Pending() const { return queue_; }

private:
    void OpenPending();

    std::function<void()> bringToFront_;
    QStringList queue_;
    QTimer* retry_;
    int listener_ = 0;
};

} // namespace zemo
