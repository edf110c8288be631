#include "shell/SingleInstance.h"

#include "core/Folders.h"
#include "document/Open.h"
#include "shell/CommandFrame.h"
#include "shell/StartUp.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zemo {

namespace {

constexpr char RequestMagic[] = "ZEMO-OPEN ";
constexpr char Answer[] = "ZEMO-OK\n";
constexpr char Go[] = "ZEMO-GO\n";
// sockaddr_un holds 108 bytes; Qt wants two of them for its own use.
constexpr int MaxSocketPath = int(sizeof(sockaddr_un::sun_path)) - 2;

QString ErrnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// The user of the process at the other end of a connected local socket; -1 when unknown.
qint64 PeerUid(qintptr fd)
{
    if (fd < 0)
        return -1;
#ifdef Q_OS_LINUX
    ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
        return -1;
    return qint64(cred.uid);
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(int(fd), &uid, &gid) != 0)
        return -1;
    return qint64(uid);
#endif
}

bool SameUser(qintptr fd)
{
    return PeerUid(fd) == qint64(::getuid());
}

enum class Parse { Incomplete, Done, Bad };

// A complete request gives its file; an over-long or malformed one is refused.
Parse ParseRequest(const QByteArray& data, QString& file)
{
    const qsizetype newline = data.indexOf('\n');
    if (newline < 0)
        return data.size() > 32 ? Parse::Bad : Parse::Incomplete;
    const QByteArray head = data.left(newline);
    if (!head.startsWith(RequestMagic))
        return Parse::Bad;
    bool ok = false;
    const QByteArray count = head.mid(int(sizeof(RequestMagic)) - 1);
    const int bytes = count.toInt(&ok);
    if (!ok || bytes <= 0 || bytes > MaxHandOffBytes || count.startsWith('+'))
        return Parse::Bad;
    const qsizetype available = data.size() - newline - 1;
    if (available < bytes)
        return Parse::Incomplete;
    if (available > bytes)
        return Parse::Bad;
    // The sender makes its name absolute; a relative one would name a file of this
    // process's folder, and a NUL would cut the name short.
    const QByteArray name = data.mid(newline + 1, bytes);
    if (!name.startsWith('/') || name.contains('\0'))
        return Parse::Bad;
    file = QString::fromUtf8(name);
    return Parse::Done;
}

} // namespace

InstancePaths InstancePathsFor(const QString& stateFolder, const QString& tempFolder, uint uid,
                               bool abstractSockets)
{
    const QString folder = QDir::cleanPath(stateFolder);
    // One folder under two spellings (a link, a trailing "/") is still one folder.
    QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir(folder).absolutePath();
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(canonical), QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    const QString tag = QStringLiteral("zemo-%1-%2").arg(uid).arg(QString::fromLatin1(hash));

    InstancePaths p;
    p.lockFile = folder + QStringLiteral("/instance.lock");
    if (abstractSockets) {
        p.channel = {tag, true};
        return p;
    }
    p.channel.name = folder + QStringLiteral("/instance.sock");
    if (QFile::encodeName(p.channel.name).size() > MaxSocketPath)
        p.channel.name =
            QDir::cleanPath(tempFolder) + QLatin1Char('/') + tag + QStringLiteral(".sock");
    return p;
}

InstancePaths DefaultInstancePaths()
{
    return InstancePathsFor(StateFolder(), QDir::tempPath(), ::getuid(), AbstractSocketsAvailable);
}

InstanceLock::~InstanceLock()
{
    Release();
}

bool InstanceLock::TryAcquire()
{
    failure_.clear();
    if (fd_ >= 0)
        return true;
    const QByteArray path = QFile::encodeName(path_);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        failure_ = path_ + QStringLiteral(": ") + ErrnoText(errno);
        return false;
    }
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        if (errno != EWOULDBLOCK)
            failure_ = path_ + QStringLiteral(": ") + ErrnoText(errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::Release()
{
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

QByteArray HandOffRequest(const QString& file)
{
    const QByteArray path = file.toUtf8();
    return RequestMagic + QByteArray::number(path.size()) + '\n' + path;
}

bool HandOffFile(const InstanceChannel& channel, const QString& file, int timeoutMs)
{
    // Refused here exactly as the receiver would refuse it, so this start keeps its file.
    if (file.toUtf8().size() > MaxHandOffBytes)
        return false;
    const QByteArray request = HandOffRequest(file);
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QLocalSocket socket;
        if (channel.abstract)
            socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket.connectToServer(channel.name);
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            // Whoever holds the name, only our own user hears which map we open.
            if (!SameUser(socket.socketDescriptor()))
                return false;
            socket.write(request);
            if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            QByteArray reply;
            while (reply.size() < qsizetype(sizeof(Answer) - 1) &&
                   socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                reply += socket.readAll();
            if (reply != Answer)
                return false;
            // Into the kernel's buffer is enough: the instance reads it even after we end.
            socket.write(Go);
            return socket.waitForBytesWritten(1000) && socket.bytesToWrite() == 0;
        }
        if (deadline.hasExpired())
            return false;
        // Not listening yet: the first instance may be starting.
        QThread::msleep(50);
        if (deadline.hasExpired())
            return false;
    }
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this))
{
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const InstanceChannel& channel, bool holdsLock)
{
    failure_.clear();
    if (channel.name.isEmpty()) {
        failure_ = QStringLiteral("the channel has no name");
        return false;
    }
    const qsizetype bytes = QFile::encodeName(channel.name).size();
    if (bytes > MaxSocketPath) {
        failure_ = QStringLiteral("%1: %2 bytes, longer than a local socket's name may be (%3)")
                       .arg(channel.name)
                       .arg(bytes)
                       .arg(MaxSocketPath);
        return false;
    }
    if (channel.abstract) {
        // No file: permissions mean nothing here, the peer's user is checked on each connection.
        server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    } else {
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        // Qt puts its socket in place by renaming, so it would take over a live one too.
        if (!holdsLock && QFileInfo::exists(channel.name)) {
            QLocalSocket probe;
            probe.connectToServer(channel.name);
            if (probe.waitForConnected(500)) {
                probe.abort();
                failure_ = channel.name + QStringLiteral(": another start listens there");
                return false;
            }
        }
        QLocalServer::removeServer(channel.name);
    }
    errno = 0;
    if (server_->listen(channel.name))
        return true;
    const int err = errno;
    failure_ = channel.name + QStringLiteral(": ") +
               (err != 0 ? ErrnoText(err) : server_->errorString());
    return false;
}

QString InstanceServer::ServerName() const
{
    return server_->fullServerName();
}

void InstanceServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // An abstract name is open to every user of the machine.
        if (!SameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        pending_.insert(socket, Pending());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
        // A client that never completes its request is dropped.
        QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            ReadFrom(socket);
    }
}

void InstanceServer::ReadFrom(QLocalSocket* socket)
{
    auto it = pending_.find(socket);
    if (it == pending_.end())
        return;
    Pending& p = it.value();
    p.data += socket->readAll();
    if (!p.file.isEmpty()) {
        if (p.data == Go) {
            Commit(socket);
        } else if (!QByteArray(Go).startsWith(p.data)) {
            pending_.erase(it);
            socket->abort();
        }
        return;
    }
    QString file;
    switch (ParseRequest(p.data, file)) {
    case Parse::Incomplete:
        return;
    case Parse::Bad:
        pending_.erase(it);
        socket->abort();
        return;
    case Parse::Done:
        p.data.clear();
        p.file = file;
        socket->write(Answer);
        socket->flush();
        return;
    }
}

void InstanceServer::Commit(QLocalSocket* socket)
{
    const QString file = pending_.take(socket).file;
    socket->disconnectFromServer();
    Q_EMIT FileReceived(file);
}

InstanceRole ElectInstance(InstanceLock& lock, const InstancePaths& paths, const QString& file,
                           int timeoutMs)
{
    InstanceRole role;
    if (lock.TryAcquire()) {
        role.first = true;
        return role;
    }
    role.lockFailure = lock.Failure();
    if (!role.lockFailure.isEmpty()) {
        // An instance that already runs answers at once; nobody waits for one still starting.
        if (!file.isEmpty() && HandOffFile(paths.channel, file, qMin(timeoutMs, 1000))) {
            NoOtherInstance = false;
            role.handedOff = true;
        } else {
            role.first = true;
        }
        return role;
    }
    NoOtherInstance = false;
    if (!file.isEmpty())
        role.handedOff = HandOffFile(paths.channel, file, timeoutMs);
    return role;
}

HandOffQueue::HandOffQueue(QObject* parent) : QObject(parent), retry_(new QTimer(this))
{
    // A paint may hold the program busy without a command ending: look again now and then.
    retry_->setInterval(100);
    connect(retry_, &QTimer::timeout, this, &HandOffQueue::OpenPending);
    listener_ = AddStateListener([this] {
        if (!queue_.isEmpty())
            QTimer::singleShot(0, this, &HandOffQueue::OpenPending);
    });
}

HandOffQueue::~HandOffQueue()
{
    RemoveStateListener(listener_);
}

void HandOffQueue::Receive(const QString& file)
{
    if (bringToFront_)
        bringToFront_();
    queue_.append(file);
    OpenPending();
}

void HandOffQueue::OpenPending()
{
    while (!queue_.isEmpty() && !IsBusy()) {
        const QString file = queue_.takeFirst();
        RunInFrame([&file] { OpenMapByName(file); }, "HandOff");
    }
    if (queue_.isEmpty())
        retry_->stop();
    else if (!retry_->isActive())
        retry_->start();
}

} // namespace zemo
