// A file that replaces another only once it is whole: written as a new file beside its target
// and renamed over it at the commit, so that the target keeps its old bytes until then and no
// crash or full device can leave it half written. Saves, exports and the optimised map all
// reach their files this way.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace zemo {

class TReplacingFile {
public:
    TReplacingFile() = default;
    // An uncommitted file is deleted.
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // A new empty file beside target, with the target's mode when it exists. False (reported)
    // when it cannot be made.
    bool Begin(const QString& target);

    // Writes go through a buffer; every failure is reported once, as CannotWrite with the
    // target's name, and every later write and the commit fail too.
    bool Append(std::span<const uint8_t> bytes);
    bool WriteAt(int64_t pos, std::span<const uint8_t> bytes);
    // size bytes of an open file from its start, appended.
    bool AppendFrom(int fd, int64_t size);
    int64_t Size() const { return size_; }
    bool Failed() const { return failed_; }
    const QString& Target() const { return target_; }

    // Flushed, synced and renamed over the target. False (reported, the new file deleted)
    // after any failure.
    bool Commit();
    // Deleted without a word; the target stays as it was.
    void Abandon();

private:
    bool Fail();
    bool Flush();

    QString target_;
    QByteArray temp_;           // the new file's name, in the target's folder
    int fd_ = -1;
    int64_t size_ = 0;          // the file's size as written so far, buffer included
    int64_t flushed_ = 0;       // bytes on disk before the buffer
    std::vector<uint8_t> buffer_;
    bool failed_ = false;
};

} // namespace zemo
