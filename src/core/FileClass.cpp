#include "core/FileClass.h"
#include "core/Ports.h"

#include "core/Errors.h"
#include "core/Messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace zemo {

namespace {

QByteArray NativePath(const QString& name) { return QFile::encodeName(name); }

bool IsSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

// O_NONBLOCK keeps the open of a FIFO from hanging; it is cleared again at once.
int OpenHandle(const QByteArray& path, int flags)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        const int fl = ::fcntl(fd, F_GETFL);
        if (fl >= 0)
            ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    }
    return fd;
}

// False only when another open file description holds the lock. A file system without
// flock support leaves the file unlocked rather than unusable.
bool LockHandle(int fd)
{
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 || errno != EWOULDBLOCK;
}

// Exactly count bytes at offset, unless the file ends first: the number read, -1 on error.
int64_t PreadFull(int fd, char* p, int64_t count, int64_t offset)
{
    int64_t done = 0;
    while (done < count) {
        const ssize_t r = ::pread(fd, p + done, size_t(count - done), off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += r;
    }
    return done;
}

void CloseHandle(int fd) { ::close(fd); }

// Why a copy between two handles stopped short.
enum class CopyFault { None, Read, Write };

// count bytes from in at inPos to out at outPos: by the kernel where it can (copy_file_range,
// as few calls as it takes), else through a buffer. The bytes copied; fewer when in ends first.
int64_t CopyBetween(int in, int64_t inPos, int out, int64_t outPos, int64_t count, CopyFault& fault)
{
    fault = CopyFault::None;
    int64_t done = 0;
    bool kernel = true;
    while (kernel && done < count) {
        loff_t from = inPos + done, to = outPos + done;
        const ssize_t r = ::copy_file_range(in, &from, out, &to, size_t(std::min<int64_t>(count - done, 1 << 30)), 0);
        if (r > 0) {
            done += r;
        } else if (r == 0) {
            return done;
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF
                   || errno == ETXTBSY) {
            kernel = false;  // not for these files: the buffer does the rest
        } else {
            fault = errno == ENOSPC || errno == EFBIG || errno == EDQUOT || errno == EPERM ? CopyFault::Write
                                                                                             : CopyFault::Read;
            return done;
        }
    }
    std::vector<char> buffer;
    while (done < count) {
        buffer.resize(size_t(std::min<int64_t>(count - done, TFileClass::CopyBlockSize)));
        const int64_t got = PreadFull(in, buffer.data(), int64_t(buffer.size()), inPos + done);
        if (got < 0) {
            fault = CopyFault::Read;
            return done;
        }
        for (int64_t put = 0; put < got;) {
            const ssize_t w = ::pwrite(out, buffer.data() + put, size_t(got - put), off_t(outPos + done + put));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                fault = CopyFault::Write;
                return done + put;
            }
            put += w;
        }
        done += got;
        if (got < int64_t(buffer.size()))
            break;
    }
    return done;
}

// ---- Copies out of a mapping that may fault ----
// A mapped file another program cuts short raises SIGBUS on the pages past its new end. The
// copy runs under a guard that the handler jumps back to; a fault anywhere else goes on to
// the handler that was there before (the default one ends the program as it would have).

struct BusGuard {
    sigjmp_buf back;
    const char* from;
    const char* to;
};
// Read by the handler: one guard per thread, set only around the copy.
[[gnu::tls_model("initial-exec")]] thread_local BusGuard* volatile ActiveBusGuard = nullptr;
struct sigaction PreviousBusAction {};

void OnBusFault(int signal, siginfo_t* info, void* context)
{
    BusGuard* const g = ActiveBusGuard;
    const char* const at = info ? static_cast<const char*>(info->si_addr) : nullptr;
    if (g && at >= g->from && at < g->to) {
        ActiveBusGuard = nullptr;
        siglongjmp(g->back, 1);
    }
    const struct sigaction& p = PreviousBusAction;
    if (p.sa_flags & SA_SIGINFO) {
        p.sa_sigaction(signal, info, context);
    } else if (p.sa_handler != SIG_DFL && p.sa_handler != SIG_IGN) {
        p.sa_handler(signal);
    } else {
        // The fault repeats when this returns, under the disposition taken back.
        ::sigaction(SIGBUS, &p, nullptr);
    }
}

bool BusGuardInstalled()
{
    static const bool installed = [] {
        struct sigaction a {};
        a.sa_sigaction = OnBusFault;
        // Not blocked while handled: the jump back leaves no signal mask to restore, so the
        // guard needs no system call.
        a.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&a.sa_mask);
        return ::sigaction(SIGBUS, &a, &PreviousBusAction) == 0;
    }();
    return installed;
}

// False when the mapping faulted on the way: nothing about `to` may be relied on then.
[[gnu::noinline]] bool CopyFromMapping(char* to, const char* from, size_t count)
{
    BusGuard guard;
    guard.from = from;
    guard.to = from + count;
    if (sigsetjmp(guard.back, 0) != 0)
        return false;
    ActiveBusGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(to, from, count);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    ActiveBusGuard = nullptr;
    return true;
}

// The file objects whose reads have touched their mappings since the pages last went.
std::vector<const TFileClass*>& TouchedFiles()
{
    static std::vector<const TFileClass*> files;
    return files;
}

uint64_t NextStamp()
{
    static uint64_t last = 0;
    return ++last;
}

} // namespace

TFileClass::TFileClass() = default;

TFileClass::~TFileClass() { Release(); }

void TFileClass::Release() noexcept
{
    Unmap();
    if (fd_ >= 0)
        CloseHandle(fd_);
    fd_ = -1;
    stamp_ = NextStamp();
    ForgetHeld();
    makeCopy_ = nullptr;
}

void TFileClass::ForgetHeld()
{
    held_.clear();
    heldAt_.clear();
    heldEmpty_ = 0;
}

void TFileClass::FailRead()
{
    if (!failed_) {
        failed_ = true;
        ErrorMsg(TextKey::CannotRead, ShownName());
    }
    throw EAbort();
}

void TFileClass::FailWrite()
{
    if (!failed_) {
        failed_ = true;
        ErrorMsg(TextKey::CannotWrite, ShownName());
    }
    throw EAbort();
}

void TFileClass::DropReadAhead()
{
    line_.clear();
    eof_ = false;
}

void TFileClass::OpenAs(const QString& name, Access access, const TFileClass* notSameAs)
{
    Close();
    fileName_ = name.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(name).absoluteFilePath());
    line_.clear();
    failed_ = false;
    dirty_ = false;

    const int flags = access == Access::ReadOnly ? O_RDONLY
                      : access == Access::Create ? O_RDWR | O_CREAT
                                                 : O_RDWR;
    if (name.isEmpty())
        throw EAbort();
    // Never O_TRUNC: the file is emptied only once it is ours.
    const int fd = OpenHandle(NativePath(fileName_), flags);
    if (fd < 0)
        throw EAbort();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || !LockHandle(fd)) {
        CloseHandle(fd);
        throw EAbort();
    }
    if (notSameAs && notSameAs->IsOpen()) {
        struct stat other {};
        if (::fstat(notSameAs->fd_, &other) != 0
            || (other.st_dev == st.st_dev && other.st_ino == st.st_ino)) {
            CloseHandle(fd);
            throw EAbort();
        }
    }
    regular_ = S_ISREG(st.st_mode);
    if (access == Access::Create && regular_ && st.st_size > 0) {
        int rc;
        do {
            rc = ::ftruncate(fd, 0);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            CloseHandle(fd);
            throw EAbort();
        }
        dirty_ = true;
    }
    fd_ = fd;
    stamp_ = NextStamp();
    size_ = access == Access::Create ? 0 : int64_t(st.st_size);
    readOnly_ = access == Access::ReadOnly;
    position_ = 0;
    eof_ = false;
}

void TFileClass::Open(const QString& name) { OpenAs(name, Access::ReadWrite); }

bool TFileClass::OpenDeferred(const QString& name, int64_t lastBytes, std::function<void(TFileClass&)> makeCopy)
{
    Close();
    line_.clear();
    failed_ = false;
    dirty_ = false;
    if (name.isEmpty() || !makeCopy)
        throw EAbort();
    const QString full = QDir::cleanPath(QFileInfo(name).absoluteFilePath());
    const int fd = OpenHandle(NativePath(full), O_RDONLY);
    if (fd < 0)
        throw EAbort();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        CloseHandle(fd);
        throw EAbort();
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0 && errno == EWOULDBLOCK) {
        CloseHandle(fd);
        return false;
    }
    fd_ = fd;
    fileName_.clear();
    sourceName_ = full;
    hold_ = false;
    ForgetHeld();
    makeCopy_ = std::move(makeCopy);
    lastBytes_ = std::max<int64_t>(lastBytes, 0);
    sourceSize_ = int64_t(st.st_size);
    sourceTime_ = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    size_ = sourceSize_;
    regular_ = true;
    readOnly_ = false;
    stamp_ = NextStamp();
    position_ = 0;
    eof_ = false;
    return true;
}

void TFileClass::Unmap() const noexcept
{
    if (touchedTo_ > touchedFrom_)
        std::erase(TouchedFiles(), this);
    touchedFrom_ = touchedTo_ = 0;
    if (map_)
        ::munmap(const_cast<char*>(map_), size_t(mapLength_));
    map_ = nullptr;
    mapLength_ = 0;
    mapRefused_ = false;
    cutTo_ = -1;
}

void TFileClass::RecheckSize() const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return;
    const int64_t known = Deferred() ? sourceSize_ : size_;
    cutTo_ = int64_t(st.st_size) < known ? int64_t(st.st_size) : -1;
}

bool TFileClass::MapUpTo(int64_t end) const
{
    if (map_ && end <= mapLength_)
        return true;
    if (mapRefused_ || fd_ < 0 || !regular_)
        return false;
    const int64_t known = Deferred() ? sourceSize_ : size_;
    if (known < MinMappedSize || end > known)
        return false;
    Unmap();
    // A file that is written grows: room for it, so that its mapping is not made anew at
    // every object added.
    const bool grows = !Deferred() && !readOnly_;
    const int64_t page = ::sysconf(_SC_PAGESIZE);
    int64_t length = known + (grows ? std::max<int64_t>(known / 4, 16 << 20) : 0);
    length = (length + page - 1) / page * page;
    void* m = MAP_FAILED;
    if (BusGuardInstalled() && length > 0 && uint64_t(length) <= SIZE_MAX)
        m = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, fd_, 0);
    if (m == MAP_FAILED) {
        mapRefused_ = true;
        return false;
    }
    map_ = static_cast<const char*>(m);
    mapLength_ = length;
    RecheckSize();
    return true;
}

void TFileClass::LetReadPagesGo() const
{
    if (touchedTo_ <= touchedFrom_)
        return;
    std::erase(TouchedFiles(), this);
    const int64_t page = ::sysconf(_SC_PAGESIZE);
    const int64_t from = touchedFrom_ / page * page;
    const int64_t to = std::min((touchedTo_ + page - 1) / page * page, mapLength_);
    touchedFrom_ = touchedTo_ = 0;
    // A shared mapping of a file loses nothing by this: its pages come back from the file.
    if (map_ && to > from)
        ::madvise(const_cast<char*>(map_) + from, size_t(to - from), MADV_DONTNEED);
}

void TFileClass::LetAllReadPagesGo()
{
    // Each call takes itself off the list.
    while (!TouchedFiles().empty())
        TouchedFiles().back()->LetReadPagesGo();
}

void TFileClass::Prefetch(int64_t pos, int64_t count) const noexcept
{
    if (!map_ || pos < 0 || count <= 0 || pos >= mapLength_)
        return;
    // A few lines: the processor fetches the rest of a record on its own once it reads on.
    const int64_t end = std::min({pos + count, pos + 256, mapLength_});
    for (int64_t at = pos & ~int64_t(63); at < end; at += 64)
        __builtin_prefetch(map_ + at);
}

bool TFileClass::ReadsMapped() const
{
    return fd_ >= 0 && (map_ || MapUpTo(Deferred() ? sourceSize_ : size_));
}

int64_t TFileClass::ReadHandle(char* p, int64_t count, int64_t pos) const
{
    // Past the end the mapping gives zeros where pread gives nothing.
    if (count > 0 && pos >= 0 && MapUpTo(pos + count)
        && pos + count <= (cutTo_ >= 0 ? cutTo_ : Deferred() ? sourceSize_ : size_)) {
        if (CopyFromMapping(p, map_ + pos, size_t(count))) {
            if (touchedTo_ <= touchedFrom_) {
                TouchedFiles().push_back(this);
                touchedFrom_ = pos;
                touchedTo_ = pos + count;
            } else {
                touchedFrom_ = std::min(touchedFrom_, pos);
                touchedTo_ = std::max(touchedTo_, pos + count);
            }
            return count;
        }
        // The file is shorter than it was: pread says how much is left.
        RecheckSize();
    }
    return PreadFull(fd_, p, count, pos);
}

int64_t TFileClass::ReadAt(char* p, int64_t count, int64_t pos) const
{
    if (!Deferred())
        return ReadHandle(p, count, pos);
    count = std::clamp<int64_t>(size_ - pos, 0, count);
    // Only the bytes the source had at the open: held writes may lie beyond them.
    const int64_t fromSource = std::clamp<int64_t>(sourceSize_ - pos, 0, count);
    if (fromSource > 0 && ReadHandle(p, fromSource, pos) != fromSource)
        return -1;
    std::fill(p + fromSource, p + count, char(0));
    for (const auto& [at, bytes] : held_) {
        const int64_t from = std::max(at, pos), to = std::min<int64_t>(at + bytes.size(), pos + count);
        if (from < to)
            std::copy(bytes.constData() + (from - at), bytes.constData() + (to - at), p + (from - pos));
    }
    return count;
}

void TFileClass::MakeOwnCopy()
{
    if (!Deferred())
        return;
    DropReadAhead();
    failed_ = false;  // every change refused says why
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || int64_t(st.st_size) != sourceSize_
        || int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec != sourceTime_)
        FailRead();
    TFileClass copy;
    makeCopy_(copy);
    try {
        const auto failRead = [&] { FailRead(); };
        const int64_t head = std::min(lastBytes_, size_);
        if (sourceSize_ > head) {
            copy.Seek(head);
            copy.CopyIn(fd_, head, sourceSize_ - head, failRead);
        }
        for (const auto& [at, bytes] : held_) {
            const int64_t skip = std::clamp<int64_t>(head - at, 0, bytes.size());
            if (skip < bytes.size()) {
                copy.Seek(at + skip);
                copy.Write(bytes.constData() + skip, bytes.size() - skip);
            }
        }
        std::vector<char> first(static_cast<size_t>(head));
        if (ReadAt(first.data(), head, 0) != head)
            FailRead();
        copy.Seek(0);
        copy.Write(first.data(), head);
    } catch (...) {
        copy.CloseAndDelete();
        throw;
    }
    Unmap();
    CloseHandle(fd_);
    fd_ = std::exchange(copy.fd_, -1);
    fileName_ = copy.fileName_;
    size_ = std::max(size_, copy.size_);
    regular_ = copy.regular_;
    dirty_ = true;
    ForgetHeld();
    makeCopy_ = nullptr;
    stamp_ = NextStamp();
}

void TFileClass::OpenRead(const QString& name) { OpenAs(name, Access::ReadOnly); }

void TFileClass::Rewrite(const QString& name) { OpenAs(name, Access::Create); }

bool TFileClass::OpenChecked(const QString& name)
{
    try {
        OpenAs(name, Access::ReadWrite);
    } catch (const EAbort&) {
        return false;
    }
    // Only read: the lock already proves nobody else has the file.
    char head[4];
    if (PreadFull(fd_, head, 4, 0) != 4) {
        Release();
        return false;
    }
    return true;
}

// Every read and write is positional: the handle's own offset is never used, so a seek
// costs no system call.
bool TFileClass::Seek(int64_t pos)
{
    line_.clear();
    if (fd_ < 0 || pos < 0)
        throw EAbort();
    position_ = pos;
    eof_ = false;
    return true;
}

int64_t TFileClass::Size() const
{
    return fd_ < 0 ? 0 : size_;
}

bool TFileClass::ReadAtOrSkip(void* buffer, int64_t count, int64_t pos)
{
    if (fd_ < 0 || count < 0 || pos < 0)
        return false;
    if (ReadAt(static_cast<char*>(buffer), count, pos) == count)
        return true;
    if (!failed_) {
        failed_ = true;
        ErrorMsg(TextKey::CannotRead, ShownName());
    }
    return false;
}

bool TFileClass::Read(void* buffer, int64_t count)
{
    if (fd_ < 0)
        return false;
    DropReadAhead();
    if (count < 0 || ReadAt(static_cast<char*>(buffer), count, position_) != count)
        FailRead();
    position_ += count;
    return true;
}

int64_t TFileClass::ReadBlock(void* buffer, int64_t count)
{
    if (fd_ < 0)
        return 0;
    DropReadAhead();
    const int64_t got = ReadAt(static_cast<char*>(buffer), std::max<int64_t>(count, 0), position_);
    if (got < 0)
        FailRead();
    position_ += got;
    return got;
}

bool TFileClass::Write(const void* buffer, int64_t count)
{
    if (fd_ < 0)
        return false;
    DropReadAhead();
    if (count < 0)
        FailWrite();
    if (Deferred() && hold_) {
        // A record written again (the setup at every zoom) replaces its earlier bytes.
        const auto [at, added] = heldAt_.try_emplace({position_, count}, held_.size());
        if (!added) {
            held_[at->second].second.clear();
            at->second = held_.size();
            ++heldEmpty_;
        }
        held_.emplace_back(position_, QByteArray(static_cast<const char*>(buffer), qsizetype(count)));
        if (heldEmpty_ > held_.size() / 2) {
            // Kept in their order without the empty slots.
            std::erase_if(held_, [](const auto& h) { return h.second.isEmpty(); });
            heldAt_.clear();
            for (size_t i = 0; i < held_.size(); ++i)
                heldAt_[{held_[i].first, held_[i].second.size()}] = i;
            heldEmpty_ = 0;
        }
        stamp_ = NextStamp();
        size_ = std::max(size_, position_ + count);
        position_ += count;
        return true;
    }
    MakeOwnCopy();
    const char* p = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t r = ::pwrite(fd_, p + done, size_t(count - done), off_t(position_ + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) // no progress on a full disk counts as a failure too
            FailWrite();
        done += r;
        dirty_ = true;
        stamp_ = NextStamp();
        size_ = std::max(size_, position_ + done);
        if (cutTo_ >= 0)
            cutTo_ = std::max(cutTo_, position_ + done);
    }
    position_ += count;
    return true;
}

void TFileClass::FillReadAhead()
{
    char block[ReadAheadSize];
    const int64_t got = ReadAt(block, ReadAheadSize, position_ + line_.size());
    if (got < 0)
        FailRead();
    line_.append(block, qsizetype(got));
    if (got < ReadAheadSize)
        eof_ = true;
}

bool TFileClass::ReadLn(QByteArray& s)
{
    if (fd_ < 0)
        return false;
    s.clear();
    for (;;) {
        if (line_.size() < ReadAheadSize && !eof_)
            FillReadAhead();
        qsizetype p = 0;
        while (p < line_.size() && line_[p] != '\r' && line_[p] != '\n')
            ++p;
        if (p < line_.size()) {
            // A CR ending the buffer may be the first half of a CR LF: look further first.
            if (line_[p] == '\r' && p == line_.size() - 1 && !eof_) {
                FillReadAhead();
                continue;
            }
            const qsizetype brk = line_[p] == '\r' && p + 1 < line_.size() && line_[p + 1] == '\n' ? 2 : 1;
            s.append(line_.constData(), p);
            line_.remove(0, p + brk);
            position_ += p + brk;
            break;
        }
        if (eof_) {
            s.append(line_);
            position_ += line_.size();
            line_.clear();
            break;
        }
        // A long line: keep what fits, skip the rest 64 bytes at a time.
        if (s.size() < MaxLineLength)
            s.append(line_.constData(), 64);
        line_.remove(0, 64);
        position_ += 64;
    }
    if (s.size() > MaxLineLength)
        s.truncate(MaxLineLength);
    return true;
}

bool TFileClass::WriteLn(QByteArrayView s)
{
    QByteArray line;
    line.reserve(s.size() + 2);
    line.append(s.data(), s.size());
    line.append("\r\n", 2);
    return Write(line);
}

bool TFileClass::CopyTo(TFileClass& target, int64_t size)
{
    if (fd_ < 0)
        return false;
    MakeOwnCopy();
    DropReadAhead();
    const auto failRead = [&] {
        // The message names the file that failed; the target is left for its owner.
        if (!failed_) {
            failed_ = true;
            ErrorMsg(TextKey::CannotRead, fileName_);
        }
        throw EAbort();
    };
    if (size < 0)
        failRead();
    target.CopyIn(fd_, position_, size, failRead);
    position_ += size;
    return true;
}

void TFileClass::CopyIn(int source, int64_t from, int64_t count, const std::function<void()>& failRead)
{
    if (fd_ < 0 || readOnly_)
        FailWrite();
    MakeOwnCopy();
    DropReadAhead();
    if (count <= 0)
        return;
    // The whole source onto this empty file: shared blocks where the file system clones.
    struct stat st {};
    if (from == 0 && position_ == 0 && size_ == 0 && regular_ && ::fstat(source, &st) == 0 && S_ISREG(st.st_mode)
        && st.st_size == count && ::ioctl(fd_, FICLONE, source) == 0) {
        size_ = count;
        cutTo_ = -1;
    } else {
        CopyFault fault = CopyFault::None;
        const int64_t done = CopyBetween(source, from, fd_, position_, count, fault);
        if (done > 0) {
            size_ = std::max(size_, position_ + done);
            if (cutTo_ >= 0)
                cutTo_ = std::max(cutTo_, position_ + done);
            dirty_ = true;
        }
        if (fault == CopyFault::Write)
            FailWrite();
        if (fault == CopyFault::Read || done < count)
            failRead();
    }
    dirty_ = true;
    stamp_ = NextStamp();
    position_ += count;
}

void TFileClass::AppendHandle(int source, int64_t size, const QString& sourceName)
{
    CopyIn(source, 0, size, [&] {
        ErrorMsg(TextKey::CannotRead, sourceName);
        throw EAbort();
    });
}

bool TFileClass::AppendFile(const QString& name)
{
    if (fd_ < 0)
        return false;
    TFileClass source;
    source.OpenRead(name);
    source.CopyTo(*this, source.Size());
    return true;
}

bool TFileClass::SaveCopy(const QString& name)
{
    try {
        Seek(0);
        TFileClass copy;
        copy.OpenAs(name, Access::Create, this);
        CopyTo(copy, Size());
        copy.Close();
        return true;
    } catch (const EAbort&) {
        return false;
    }
}

// False when the data may not have reached the disk.
bool TFileClass::SyncIfDirty()
{
    if (fd_ < 0 || readOnly_ || !dirty_ || !regular_)
        return true;
    dirty_ = false;
    int rc;
    do {
        rc = ::fsync(fd_);
    } while (rc != 0 && errno == EINTR);
    // EINVAL and ENOTSUP: a file system that cannot sync, not a lost write.
    return rc == 0 || errno == EINVAL || errno == ENOTSUP;
}

void TFileClass::Truncate(int64_t size)
{
    if (fd_ < 0 || size < 0 || size >= size_)
        return;
    DropReadAhead();
    MakeOwnCopy();
    int rc;
    do {
        rc = ::ftruncate(fd_, off_t(size));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        FailWrite();
    dirty_ = true;
    stamp_ = NextStamp();
    size_ = size;
    if (cutTo_ >= size)
        cutTo_ = -1;
    position_ = std::min(position_, size);
}

void TFileClass::Flush()
{
    if (!SyncIfDirty())
        FailWrite();
}

void TFileClass::Close()
{
    if (fd_ < 0)
        return;
    if (failed_ || Deferred()) {
        // The operation has already been stopped with its one message.
        Release();
        return;
    }
    const bool synced = SyncIfDirty();
    Unmap();
    // Linux releases the descriptor even when close reports an error: never retry.
    const bool closed = ::close(fd_) == 0 || errno == EINTR;
    fd_ = -1;
    stamp_ = NextStamp();
    if (!readOnly_ && (!synced || !closed))
        FailWrite();
}

void TFileClass::CloseAndDelete()
{
    // Deleted while still locked, so nobody opens it in between; its data is not needed,
    // so nothing is synced.
    if (!fileName_.isEmpty())
        ::unlink(NativePath(fileName_).constData());
    Release();
}

// ---- Helpers ----

bool CopyWholeFile(const QString& source, const QString& target)
{
    try {
        TFileClass from;
        from.OpenRead(source);
        return from.SaveCopy(target);
    } catch (const EAbort&) {
        return false;
    }
}

bool FileInUse(const QString& name)
{
    const QByteArray path = NativePath(name);
    struct stat st {};
    if (name.isEmpty() || ::stat(path.constData(), &st) != 0)
        return !(name.isEmpty() || errno == ENOENT || errno == ENOTDIR);
    const int fd = OpenHandle(path, O_RDWR);
    if (fd < 0)
        return true;
    char head[4];
    const bool free = LockHandle(fd) && PreadFull(fd, head, 4, 0) == 4;
    CloseHandle(fd);
    return !free;
}

void ChangeToFileFolder(const QString& name)
{
    qsizetype i = name.size();
    while (i > 0 && !IsSeparator(name[i - 1]))
        --i;
    if (i == 0)
        return;
    const QString folder = i == 1 ? name.left(1) : name.left(i - 1);
    QDir::setCurrent(folder);
}

int64_t DiskFreeMB(const QString& path)
{
    QString p = path.isEmpty() ? QDir::currentPath() : QFileInfo(path).absoluteFilePath();
    for (;;) {
        struct statvfs vs {};
        if (::statvfs(NativePath(p).constData(), &vs) == 0) {
            const unsigned __int128 bytes = static_cast<unsigned __int128>(vs.f_bavail) * vs.f_frsize;
            const unsigned __int128 mb = bytes >> 20;
            return mb > static_cast<unsigned __int128>(INT64_MAX) ? INT64_MAX : int64_t(mb);
        }
        const QString parent = QFileInfo(p).absolutePath();
        if (parent == p || parent.isEmpty())
            return 0;
        p = parent;
    }
}

QString ExpandToMapFolder(const QString& name, const QString& mapPath)
{
    if (std::any_of(name.begin(), name.end(), IsSeparator))
        return name;
    qsizetype i = mapPath.size();
    while (i > 0 && !IsSeparator(mapPath[i - 1]))
        --i;
    return mapPath.left(i) + name;
}

QString ExpandToMapFolder(const QString& name)
{
    return ExpandToMapFolder(name, CorePorts().CurrentMapPath());
}

QString GetLongFileName(const QString& name)
{
    if (name.isEmpty())
        return name;
    const bool absolute = IsSeparator(name[0]);
    QString result = absolute ? QStringLiteral("/") : QString();
    const auto join = [](const QString& folder, const QString& part) {
        if (folder.isEmpty())
            return part;
        return folder.endsWith(QLatin1Char('/')) ? folder + part : folder + QLatin1Char('/') + part;
    };
    qsizetype i = 0;
    while (i < name.size()) {
        while (i < name.size() && IsSeparator(name[i]))
            ++i;
        qsizetype e = i;
        while (e < name.size() && !IsSeparator(name[e]))
            ++e;
        if (e == i)
            break;
        const QString part = name.mid(i, e - i);
        i = e;
        const QString exact = join(result, part);
        struct stat st {};
        if (part == QLatin1String(".") || part == QLatin1String("..")
            || ::lstat(NativePath(exact).constData(), &st) == 0) {
            result = exact;
            continue;
        }
        const QDir folder(result.isEmpty() ? QStringLiteral(".") : result);
        const QStringList entries = folder.entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& entry) {
            return entry.compare(part, Qt::CaseInsensitive) == 0;
        });
        result = match != entries.end() ? join(result, *match) : exact;
    }
    return result;
}

} // namespace zemo
