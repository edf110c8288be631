#include "document/FileReplace.h"

#include "core/LangTexts.h"
#include "core/Messages.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemo {

namespace {

constexpr size_t BufferBytes = 1 << 20;

bool WriteAll(int fd, const uint8_t* data, size_t count, int64_t pos)
{
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, data, count, off_t(pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        pos += n;
        count -= size_t(n);
    }
    return true;
}

mode_t CurrentUmask()
{
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

} // namespace

TReplacingFile::~TReplacingFile()
{
    Abandon();
}

bool TReplacingFile::Begin(const QString& target)
{
    Abandon();
    target_ = target;
    failed_ = false;
    size_ = flushed_ = 0;
    buffer_.clear();
    const QFileInfo info(target);
    temp_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                              + QStringLiteral(".XXXXXX"));
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        temp_.clear();
        return Fail();
    }
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    struct stat old {};
    if (::stat(QFile::encodeName(target).constData(), &old) == 0)
        ::fchmod(fd_, old.st_mode & 07777);
    else
        ::fchmod(fd_, 0666 & ~CurrentUmask());
    return true;
}

bool TReplacingFile::Fail()
{
    if (!failed_) {
        failed_ = true;
        ErrorMsg(TextKey::CannotWrite, target_);
    }
    return false;
}

bool TReplacingFile::Flush()
{
    if (failed_ || fd_ < 0)
        return false;
    if (!buffer_.empty() && !WriteAll(fd_, buffer_.data(), buffer_.size(), flushed_))
        return Fail();
    flushed_ += int64_t(buffer_.size());
    buffer_.clear();
    return true;
}

bool TReplacingFile::Append(std::span<const uint8_t> bytes)
{
    return WriteAt(size_, bytes);
}

bool TReplacingFile::WriteAt(int64_t pos, std::span<const uint8_t> bytes)
{
    if (failed_ || fd_ < 0 || pos < 0)
        return failed_ ? false : Fail();
    // The part before the buffer goes to the file at once; the rest into the buffer, which
    // grows with writes at its end.
    if (pos < flushed_) {
        const size_t n = size_t(std::min<int64_t>(int64_t(bytes.size()), flushed_ - pos));
        if (!WriteAll(fd_, bytes.data(), n, pos))
            return Fail();
        bytes = bytes.subspan(n);
        pos += int64_t(n);
    }
    if (bytes.empty())
        return true;
    const size_t at = size_t(pos - flushed_);
    if (at + bytes.size() > buffer_.size())
        buffer_.resize(at + bytes.size(), 0);
    std::memcpy(buffer_.data() + at, bytes.data(), bytes.size());
    size_ = std::max(size_, pos + int64_t(bytes.size()));
    return buffer_.size() < BufferBytes || Flush();
}

bool TReplacingFile::AppendFrom(int fd, int64_t size)
{
    std::vector<uint8_t> chunk(1 << 16);
    for (int64_t pos = 0; pos < size;) {
        const ssize_t n = ::pread(fd, chunk.data(), size_t(std::min<int64_t>(int64_t(chunk.size()), size - pos)), off_t(pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail();
        if (!Append(std::span(chunk).first(size_t(n))))
            return false;
        pos += n;
    }
    return true;
}

bool TReplacingFile::Commit()
{
    if (fd_ < 0 || !Flush() || ::fsync(fd_) != 0) {
        Fail();
        Abandon();
        return false;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || ::rename(temp_.constData(), QFile::encodeName(target_).constData()) != 0) {
        Fail();
        Abandon();
        return false;
    }
    temp_.clear();
    const int dir = ::open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void TReplacingFile::Abandon()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty())
        ::unlink(temp_.constData());
    temp_.clear();
    buffer_.clear();
}

} // namespace zemo
