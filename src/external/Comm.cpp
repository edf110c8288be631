#include "external/Comm.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zemo {

namespace {

// A poll reads in buffer-sized steps; this bounds one poll's work on a flooding device.
constexpr int MaxReadsPerPoll = 64;

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

tcflag_t SizeOf(int bits)
{
    switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

int QueuedBytes(int fd)
{
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 && n > 0 ? n : 0;
}

// The device hung up or reports an error.
bool HungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

QString CommDevicePath(const QString& name)
{
    const QString t = name.trimmed();
    if (t.size() > 3 && t.left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const int n = t.mid(3).toInt(&ok);
        if (ok && n >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    if (t.startsWith(u'/'))
        return t;
    return QStringLiteral("/dev/") + t;
}

void SplitCommLines(QByteArray& buffer, const CommSink& sink)
{
    qsizetype start = 0;
    const qsizetype n = buffer.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && buffer[end] != '\r' && buffer[end] != '\n')
            ++end;
        if (end == n)
            break;
        if (end > start && sink)
            sink(buffer.mid(start, end - start));
        while (end < n && (buffer[end] == '\r' || buffer[end] == '\n'))
            ++end;
        start = end;
    }
    buffer.remove(0, start);
    if (buffer.size() >= CommBufferSize)
        buffer.clear();
}

void SplitCommPackets(QByteArray& buffer, const CommSink& sink)
{
    for (;;) {
        const qsizetype lf = buffer.indexOf('\n');
        if (lf < 0) {
            buffer.clear();
            return;
        }
        buffer.remove(0, lf);
        if (buffer.size() < 3)
            return;
        const int need = uint8_t(buffer[2]) + 6;
        if (need > CommBufferSize) {
            const qsizetype next = buffer.indexOf('\n', 1);
            if (next < 0) {
                buffer.clear();
                return;
            }
            buffer.remove(0, next);
            continue;
        }
        if (buffer.size() < need)
            return;
        if (sink)
            sink(buffer.left(need));
        buffer.remove(0, need);
        if (buffer.isEmpty())
            return;
    }
}

TComm::TComm(QObject* parent) : QObject(parent)
{
    timer_.setInterval(CommPollMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
}

TComm::~TComm() { Close(); }

void TComm::SetEnabled(bool on)
{
    if (on && Enabled())
        return;
    Close();
    if (on)
        Open();
}

void TComm::SetPort(const QString& name, int baudRate, int byteSize, int parity)
{
    portName_ = name;
    baud_ = baudRate;
    byteSize_ = byteSize;
    parity_ = parity;
    if (Enabled()) {
        Close();
        Open();
    }
}

bool CommTermios(termios& t, int baudRate, int byteSize, int parity)
{
    const speed_t speed = SpeedOf(baudRate);
    if (speed == B0)
        return false;
    cfmakeraw(&t);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= SizeOf(byteSize) | CLOCAL | CREAD;
    if (parity == CommParity::Odd)
        t.c_cflag |= PARENB | PARODD;
    else if (parity == CommParity::Even)
        t.c_cflag |= PARENB;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return true;
}

bool TComm::Open()
{
    if (SpeedOf(baud_) == B0)
        return false;
    const QByteArray path = CommDevicePath(portName_).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    // TIOCEXCL does not hold against root, the lock does: a second open of the port fails.
    termios t{};
    if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 || tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    CommTermios(t, baud_, byteSize_, parity_);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    buffer_.clear();
    haveCounts_ = false;
    ReadOverrun();
    timer_.start();
    return true;
}

void TComm::Close()
{
    timer_.stop();
    retrying_ = false;
    CloseDevice();
}

void TComm::CloseDevice()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

// True when the device counted an overrun since the last look; devices without the counters
// (a pseudo-terminal) never report one.
bool TComm::ReadOverrun()
{
    serial_icounter_struct c{};
    if (ioctl(fd_, TIOCGICOUNT, &c) != 0)
        return false;
    const uint64_t total = uint64_t(unsigned(c.overrun)) + uint64_t(unsigned(c.buf_overrun));
    const bool more = haveCounts_ && total != overruns_;
    overruns_ = total;
    haveCounts_ = true;
    return more;
}

void TComm::Poll()
{
    if (fd_ < 0) {
        if (retrying_ && ++retryPolls_ >= CommRetryPolls) {
            retryPolls_ = 0;
            Retry();
        }
        return;
    }
    if (ReadOverrun()) {
        char sink[512];
        while (::read(fd_, sink, sizeof sink) > 0) {
        }
        buffer_.clear();
        return;
    }
    const CommSink deliver = [this](const QByteArray& text) {
        if (OnLine)
            OnLine(text);
    };
    for (int i = 0; i < MaxReadsPerPoll && fd_ >= 0; ++i) {
        const int room = CommBufferSize - int(buffer_.size());
        const int want = std::min(room, QueuedBytes(fd_));
        if (want <= 0)
            break;
        const qsizetype old = buffer_.size();
        buffer_.resize(old + want);
        const ssize_t got = ::read(fd_, buffer_.data() + old, size_t(want));
        const int error = errno;
        buffer_.resize(old + std::max<qsizetype>(0, got));
        if (got < 0 && error != EAGAIN && error != EINTR) {
            Lost();
            return;
        }
        if (got <= 0)
            break;
        // OnLine may close the port.
        if (Mode == CommMode::Packets)
            SplitCommPackets(buffer_, deliver);
        else
            SplitCommLines(buffer_, deliver);
    }
    if (fd_ >= 0 && QueuedBytes(fd_) == 0 && HungUp(fd_))
        Lost();
}

void TComm::Lost()
{
    // The timer goes on: its polls try the port again.
    CloseDevice();
    buffer_.clear();
    retrying_ = true;
    retryPolls_ = 0;
    if (OnLost)
        OnLost();
}

void TComm::Retry()
{
    if (!Open())
        return;
    // A device that is there but hung up (a terminal whose other side is gone) is still lost.
    if (HungUp(fd_)) {
        CloseDevice();
        return;
    }
    retrying_ = false;
    if (OnReconnect)
        OnReconnect();
}

} // namespace zemo
