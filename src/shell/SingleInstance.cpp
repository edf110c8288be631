#include "shell/SingleInstance.h"

#include "core/Folders.h"
#include "document/Open.h"
#include "shell/CommandFrame.h"
#include "shell/StartUp.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zemo {

namespace {

constexpr char RequestMagic[] = "ZEMO-OPEN ";
constexpr char Answer[] = "ZEMO-OK\n";
// sockaddr_un holds 108 bytes with the terminating NUL.
constexpr int MaxSocketPath = 100;

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
    file = QString::fromUtf8(data.mid(newline + 1, bytes));
    return Parse::Done;
}

} // namespace

InstancePaths DefaultInstancePaths()
{
    const QString state = StateFolder();
    InstancePaths p;
    p.lockFile = state + QStringLiteral("instance.lock");
    p.serverName = state + QStringLiteral("instance.sock");
    if (p.serverName.toUtf8().size() > MaxSocketPath) {
        const QByteArray hash =
            QCryptographicHash::hash(state.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        p.serverName = QDir::tempPath() + QStringLiteral("/zemo-") + QString::fromLatin1(hash) +
                       QStringLiteral(".sock");
    }
    return p;
}

InstanceLock::~InstanceLock()
{
    Release();
}

bool InstanceLock::TryAcquire()
{
    if (fd_ >= 0)
        return true;
    const QByteArray path = QFile::encodeName(path_);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
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

bool HandOffFile(const QString& serverName, const QString& file, int timeoutMs)
{
    // Refused here exactly as the receiver would refuse it, so this start keeps its file.
    if (file.toUtf8().size() > MaxHandOffBytes)
        return false;
    const QByteArray request = HandOffRequest(file);
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(request);
            if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            QByteArray reply;
            while (reply.size() < qsizetype(sizeof(Answer) - 1) &&
                   socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                reply += socket.readAll();
            return reply == Answer;
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
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const QString& serverName)
{
    QLocalServer::removeServer(serverName);
    return server_->listen(serverName);
}

QString InstanceServer::ServerName() const
{
    return server_->fullServerName();
}

void InstanceServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        pending_.insert(socket, QByteArray());
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
    it.value() += socket->readAll();
    QString file;
    switch (ParseRequest(it.value(), file)) {
    case Parse::Incomplete:
        return;
    case Parse::Bad:
        pending_.erase(it);
        socket->abort();
        return;
    case Parse::Done:
        pending_.erase(it);
        socket->write(Answer);
        socket->flush();
        socket->disconnectFromServer();
        Q_EMIT FileReceived(file);
        return;
    }
}

InstanceRole ElectInstance(InstanceLock& lock, const InstancePaths& paths, const QString& file,
                           int timeoutMs)
{
    InstanceRole role;
    if (lock.TryAcquire()) {
        role.first = true;
        return role;
    }
    NoOtherInstance = false;
    if (!file.isEmpty())
        role.handedOff = HandOffFile(paths.serverName, file, timeoutMs);
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
