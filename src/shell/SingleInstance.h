// One running instance per user and state folder: the first start holds a lock file and
// listens on a local socket; a later start with a file hands the file over and ends once the
// running instance has acknowledged it. The lock decides who is first, so two starts at the
// same moment cannot both be first, and a killed instance leaves no stale claim behind (the
// kernel drops its lock).
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

// How a later start reaches the running one. On Linux the name lives in the abstract
// namespace: no file, so neither a long state folder nor a long TMPDIR can keep it from being
// made, and nothing stale stays behind when an instance is killed.
struct InstanceChannel {
    QString name;          // the abstract name, or the socket file's path
    bool abstract = false;
};

struct InstancePaths {
    QString lockFile;
    InstanceChannel channel;
};

#ifdef Q_OS_LINUX
inline constexpr bool AbstractSocketsAvailable = true;
#else
inline constexpr bool AbstractSocketsAvailable = false;
#endif

// The lock beside the working copies in the state folder; the channel named after the user
// and the state folder (however it is spelt), so that two users or two state folders never
// meet. Without abstract sockets: a socket file beside the lock, or in the temporary folder
// when that path is too long.
InstancePaths InstancePathsFor(const QString& stateFolder, const QString& tempFolder, uint uid,
                               bool abstractSockets);
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
    // Why the last TryAcquire could not tell whether another instance holds the lock (the
    // file cannot be opened, the file system has no locks); empty when it could.
    const QString& Failure() const { return failure_; }
    void Release();

private:
    QString path_;
    QString failure_;
    int fd_ = -1;
};

// The wire form of a hand-off: "ZEMO-OPEN <bytes>\n" and the absolute UTF-8 path; the answer
// is "ZEMO-OK\n", and the sender's "ZEMO-GO\n" commits it. A sender that gave up waiting for
// a busy instance sends nothing more and keeps its file, so no map is opened by both.
QByteArray HandOffRequest(const QString& file);
inline constexpr int MaxHandOffBytes = 65536;

// Sends the file to the instance listening on the channel; true only when it answered.
// Connecting is retried until the time is up (the first instance may still be starting). A
// listener of another user is never told the file.
bool HandOffFile(const InstanceChannel& channel, const QString& file, int timeoutMs);

// The running instance's end: accepts hand-offs of this user's processes and acknowledges
// each complete request.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;
    // A socket file left by a killed instance is removed first. The holder of the instance
    // lock knows that any file there is stale; without the lock, a file where another start
    // still answers is left to it.
    bool Listen(const InstanceChannel& channel, bool holdsLock = true);
    QString ServerName() const;
    // Why the last Listen failed.
    const QString& Failure() const { return failure_; }

Q_SIGNALS:
    void FileReceived(const QString& file);

private:
    void Accept();
    void ReadFrom(QLocalSocket* socket);
    void Commit(QLocalSocket* socket);

    QLocalServer* server_;
    struct Pending {
        QByteArray data;
        QString file; // answered, waiting for the sender's go
    };
    QHash<QLocalSocket*, Pending> pending_;
    QString failure_;
};

// Outcome of the start-up check.
struct InstanceRole {
    bool first = false;     // recovery and the start-up map are ours, and so is the channel
    bool handedOff = false; // the file went to the running instance: end with exit code 0
    QString lockFailure;    // the lock could not be had (see InstanceLock::Failure)
};

// Takes the lock, or hands the file (when there is one) to the instance that holds it.
// A file the running instance did not acknowledge stays with this start. When the lock
// cannot be had at all, a file is offered to whichever instance answers on the channel and
// otherwise this start goes on as the first: without a lock nobody could ever be first.
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
