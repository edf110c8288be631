// The program's file object and the plain file helpers around it.
//
// A TFileClass holds an exclusive flock() on its file while it is open, so that no other
// file object - in this process or another - opens the same file meanwhile. Opens and Seek
// fail with the silent abort (EAbort) and no message; Read, ReadBlock, ReadLn, Write,
// Flush and Close show CannotRead/CannotWrite with the file's full name first, so that an
// operation stops with exactly one message.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace zemo {

class TFileClass {
public:
    static constexpr int ReadAheadSize = 128; // ReadLn fills its buffer in steps of this
    static constexpr int MaxLineLength = 255; // longer lines are cut, the rest skipped
    static constexpr int CopyBlockSize = 1 << 20; // copies the kernel cannot make go through this
    // Regular files of this size or more are read from a shared read-only mapping: a read
    // copies only its own bytes, never a trip through the kernel.
    static constexpr int64_t MinMappedSize = 1 << 20;

    TFileClass();
    // Closes an open handle without flushing and without a message.
    ~TFileClass();
    TFileClass(const TFileClass&) = delete;
    TFileClass& operator=(const TFileClass&) = delete;

    // Every open first closes a file that is still open on this object.
    void Open(const QString& name);         // read and write, existing file
    bool OpenChecked(const QString& name);  // as Open, and the first 4 bytes readable; never throws
    void OpenRead(const QString& name);     // read only, existing file
    void Rewrite(const QString& name);      // read and write, created or emptied
    // Reads name itself, read-only, until the first write that is not held (HoldWrites); that
    // write first copies name with the held writes into the file makeCopy opens, the first
    // lastBytes written last so that a copy cut short is never whole. Until then Handle() is
    // -1 and FileName() empty: nobody writes, copies over or deletes name. A shared lock keeps
    // file objects that would write name in place away meanwhile; false (nothing opened) when
    // one holds it already.
    bool OpenDeferred(const QString& name, int64_t lastBytes, std::function<void(TFileClass&)> makeCopy);
    bool Deferred() const { return makeCopy_ != nullptr; }
    // The copy of a deferred open made now; nothing otherwise. A source another program
    // changed since the open is refused (CannotRead): its bytes are no longer the ones read.
    void MakeOwnCopy();
    // While true, writes to a deferred file stay in memory (bookkeeping that a kill may lose).
    void HoldWrites(bool hold) { hold_ = hold; }
    bool HoldingWrites() const { return hold_; }

    bool Seek(int64_t pos);
    int64_t Position() const { return position_; }
    // The last ReadLn reached the end of the file.
    bool Eof() const { return eof_ && line_.isEmpty(); }
    // The size is kept by this object (taken at the open, grown by every write): no file
    // object writes this file meanwhile, the lock sees to that.
    int64_t Size() const;

    // All reads and writes act at Position().
    bool Read(void* buffer, int64_t count);          // exactly count bytes
    int64_t ReadBlock(void* buffer, int64_t count);  // up to count bytes
    bool Write(const void* buffer, int64_t count);
    bool Write(QByteArrayView bytes) { return Write(bytes.data(), bytes.size()); }
    // One line without its break (CR, LF or CR LF), at most MaxLineLength bytes.
    // True whenever the file is open, also at the end: loop while !Eof().
    bool ReadLn(QByteArray& s);
    // Exactly count bytes at pos, Position() left alone; a failure is reported once, as Read
    // reports it, but returns false instead of raising the silent abort: a paint leaves out the
    // object it could not read and goes on.
    bool ReadAtOrSkip(void* buffer, int64_t count, int64_t pos);
    // Reads come from the mapping (made now when the file qualifies): one read costs no more
    // than the copy of its bytes, so reading far ahead no longer pays.
    bool ReadsMapped() const;
    // Asks the processor to bring the mapped bytes at pos into its caches, for a read soon;
    // nothing where they are not mapped (a hint: it never faults).
    void Prefetch(int64_t pos, int64_t count) const noexcept;
    // Asks the system how long the file is now: another program may have cut it short behind
    // the lock. Mapped reads stay inside what is left (past it they fail as pread's do); a
    // read that faults asks by itself, and each scan of the index asks as it starts.
    void RecheckSize() const;
    // The pages of the mapping that reads have touched since they last went are let go: the
    // system keeps the file's bytes in its cache, and a later read maps them again. Until then
    // they count to the program's resident memory, a whole big map after a paint of it.
    void LetReadPagesGo() const;
    // The same for every file object whose reads have touched its mapping.
    static void LetAllReadPagesGo();
    bool WriteLn(QByteArrayView s); // s + CR LF

    // Copies the whole file name to this file at Position(); errors go on to the caller.
    bool AppendFile(const QString& name);
    // Copies the first size bytes of an open handle (not locked by this object) to this file at
    // Position(); a short or failed read shows CannotRead with sourceName. Copies go through
    // the kernel (a clone where the file system shares blocks), else through a buffer.
    void AppendHandle(int source, int64_t size, const QString& sourceName);
    // This file's whole content into a new or emptied file name; never throws. Refuses
    // this very file (also through another name or a hard link).
    bool SaveCopy(const QString& name);

    // Cuts the file to its first size bytes (a size not below the file's does nothing); a
    // deferred file makes its copy first. A failure is reported and raises the silent abort.
    void Truncate(int64_t size);

    void Flush();
    void Close();
    // Deletes FileName() (working copies and temporary files); closes first when open.
    void CloseAndDelete();

    // Changes whenever the file's content may have: at every open, write and close. Unique
    // within the process, so that bytes kept from a read can be checked against it.
    uint64_t ChangeStamp() const { return stamp_; }

    const QString& FileName() const { return fileName_; }
    // The name messages give: a deferred file's source too.
    const QString& ShownName() const { return Deferred() ? sourceName_ : fileName_; }
    bool IsOpen() const { return fd_ >= 0; }
    bool IsReadOnly() const { return readOnly_; }
    int Handle() const { return Deferred() ? -1 : fd_; }

private:
    enum class Access { ReadWrite, ReadOnly, Create };
    // notSameAs: a file this open must not reach (the source of a copy); checked after
    // the lock and before anything is truncated.
    void OpenAs(const QString& name, Access access, const TFileClass* notSameAs = nullptr);
    void Release() noexcept; // closes without flushing or reporting
    [[noreturn]] void FailRead();
    [[noreturn]] void FailWrite();
    void DropReadAhead();
    void FillReadAhead();
    bool SyncIfDirty();
    bool CopyTo(TFileClass& target, int64_t size);
    // count bytes of source from the offset to this file at Position(); failRead reports a
    // source that fails or ends first and must throw.
    void CopyIn(int source, int64_t from, int64_t count, const std::function<void()>& failRead);
    // As PreadFull; from a deferred file, the source's bytes with the held writes over them.
    int64_t ReadAt(char* p, int64_t count, int64_t pos) const;
    // The handle's own bytes (never the held writes): through the mapping where it covers
    // them and the copy out of it does not fault, else by pread.
    int64_t ReadHandle(char* p, int64_t count, int64_t pos) const;
    // A mapping of the handle reaching at least `end` (what the file object knows it holds).
    bool MapUpTo(int64_t end) const;
    void Unmap() const noexcept;

    int64_t position_ = 0;
    int64_t size_ = 0;
    uint64_t stamp_ = 0;
    bool eof_ = false;
    QByteArray line_;       // ReadLn's read-ahead: the file's bytes from Position() on
    int fd_ = -1;
    QString fileName_;
    bool readOnly_ = false;
    bool regular_ = false;  // only regular files are synced and truncated
    bool dirty_ = false;    // written since the last sync
    bool failed_ = false;   // a failure was reported: no second message for this handle
    bool hold_ = false;
    int64_t lastBytes_ = 0;
    int64_t sourceSize_ = 0;
    int64_t sourceTime_ = 0;  // its modification time in nanoseconds at the open
    QString sourceName_;
    std::vector<std::pair<int64_t, QByteArray>> held_;  // in the order written
    // Where the held write of each (position, size) lies in held_, so that writing many
    // records costs no pass over all held ones; replaced writes leave empty slots behind.
    std::map<std::pair<int64_t, int64_t>, size_t> heldAt_;
    size_t heldEmpty_ = 0;
    void ForgetHeld();
    // Set by a deferred open, until the copy is made: fd_ is then the source, read only.
    std::function<void(TFileClass&)> makeCopy_;
    // The handle's mapping; past the file's end when the file was to grow (those pages are
    // only read once a write has put bytes there).
    mutable const char* map_ = nullptr;
    mutable int64_t mapLength_ = 0;
    mutable bool mapRefused_ = false;  // the handle cannot be mapped: pread only
    // The size the system gave when it was less than the file object counts, else -1: the
    // pages past it read as zeros or fault.
    mutable int64_t cutTo_ = -1;
    // The part of the mapping reads have touched since its pages last went; empty when
    // touchedTo_ <= touchedFrom_.
    mutable int64_t touchedFrom_ = 0, touchedTo_ = 0;
};

// Holds the writes to a deferred file for its lifetime.
class HeldWrites {
public:
    explicit HeldWrites(TFileClass& f) : f_(f), was_(f.HoldingWrites()) { f.HoldWrites(true); }
    ~HeldWrites() { f_.HoldWrites(was_); }
    HeldWrites(const HeldWrites&) = delete;
    HeldWrites& operator=(const HeldWrites&) = delete;

private:
    TFileClass& f_;
    bool was_;
};

// The whole of source into a new or emptied target; never throws. Refuses to copy a file
// onto itself.
bool CopyWholeFile(const QString& source, const QString& target);

// True when name exists and cannot be opened exclusively for reading and writing (another
// file object holds it, it is not writable, it is a folder) or is shorter than 4 bytes.
// Writes nothing.
bool FileInUse(const QString& name);

// The folder part of name becomes the current folder; errors are ignored.
void ChangeToFileFolder(const QString& name);

// Free space in units of 2^20 bytes of the volume holding path (the nearest existing
// folder above it when path does not exist yet); 0 when it cannot be found.
int64_t DiskFreeMB(const QString& path);

// A bare file name (no "/" or "\") gets the folder of mapPath in front; other names are
// returned as they are.
QString ExpandToMapFolder(const QString& name, const QString& mapPath);
// The same with the map path of the open map (none open: an empty path).
QString ExpandToMapFolder(const QString& name);

// Each component of name that does not exist as written is replaced by the entry of its
// folder that matches it without regard to case (the first in name order). Accepts "/"
// and "\" as separators; the result uses "/".
QString GetLongFileName(const QString& name);

} // namespace zemo
