// What the raster template readers (BMP, GIF, TIFF) share: the pixel memory of the record they
// fill, the progress of a load with its Esc question, and byte reads from the file that are
// checked against its size first.
#pragma once

#include "core/FileClass.h"
#include "core/LangTexts.h"
#include "document/Index.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace zemo {

inline constexpr int TempMemoryHelpContext = 327;

// The memory templates may take. A few bytes of a file may rightly ask for an image far
// larger than they are (a white fax page of any width), so the readers take memory for the
// rows as they decode them, within these bounds: one template's pixels and its decoder's
// working memory, all loaded templates together, and what the machine can still give with
// room kept for the rest of the program.
struct RasterLoadLimits {
    int64_t MaxPixelBytes = int64_t(1) << 32;
    // 0: three quarters of the machine's memory.
    int64_t MaxTotalBytes = 0;
    int64_t KeptFree = int64_t(256) << 20;
    // The memory the machine can still give, -1 when it cannot be told.
    std::function<int64_t()> AvailableBytes = MachineAvailableBytes;
    // The pixels any file may claim without the question of ConfirmTemplateSize, and the
    // longest side a template can have: 2^17 pixels are 1.3 m at 2540 dpi, and a square
    // 1-bit template of that side already takes half of MaxPixelBytes.
    int64_t UnaskedBytes = int64_t(64) << 20;
    int64_t MaxSide = int64_t(1) << 17;
    // What TIFF strips may be read beyond twice the bytes they cover: strips sharing bytes are
    // read again for each, and a few bytes named by thousands of strips would be read thousands
    // of times.
    int64_t StripRereadBytes = int64_t(16) << 20;

    static int64_t MachineAvailableBytes();
};
extern RasterLoadLimits RasterLimits;

// The largest sum of template memory seen, for the accounting's own checks.
struct TemplateMemoryState {
    int64_t Peak = 0;
};
extern TemplateMemoryState TemplateMemory;

// The memory every loaded template holds, but `except`.
int64_t HeldTemplateBytes(const TTmp* except = nullptr);

// True when t may take `more` bytes on top of what it holds while its decoder holds
// libraryBytes, within every bound (nothing is taken).
bool TemplateMemoryFits(const TTmp& t, int64_t more, int64_t libraryBytes = 0);

// True when t's width, height and bits stay within the limit of one template (nothing is
// taken).
bool TemplatePixelsFit(const TTmp& t);

// Rows 0..rows-1 of t held, as the rows are decoded; false, without a message, when the
// memory is beyond the bounds or cannot be had.
bool GrowTemplateRows(TTmp& t, int64_t rows, int64_t libraryBytes = 0);

// Every row of t held, zeroed, for a file that has shown it holds them all; "TempMemory"
// when that is beyond the bounds or cannot be had.
bool AllocateTemplatePixels(TTmp& t);

// The held bytes one byte of coded data plausibly gives, by coding: stored data hold their
// pixels; a PackBits pair repeats a byte at most 128 times; an LZW or fax code gives more than
// a kilobyte only in pictures nearly blank, and a JPEG of a picture takes a tenth of a bit a
// pixel or more (its pixels held in 3 bytes).
inline constexpr int64_t StoredHeldPerByte = 1;
inline constexpr int64_t PackBitsHeldPerByte = 64;
inline constexpr int64_t LzwHeldPerByte = 1024;
inline constexpr int64_t FaxHeldPerByte = 1024;
inline constexpr int64_t JpegHeldPerByte = 256;

// True when the picture t claims (width, height, bits) may be read: its pixels stay within
// UnaskedBytes or what `coded` bytes of data plausibly give at heldPerByte, and its sides within
// MaxSide; else the user is asked ("LargeTemplate", Cancel by default). Nothing is taken.
bool ConfirmTemplateSize(const TTmp& t, int64_t coded, int64_t heldPerByte, const QString& name);

// "TempMemory" with its help context.
void TemplateMemoryMsg();

// A file none of whose rows could be read: "PictureUnread"; no template is made of it.
void ReportPictureUnread(const QString& name);

// A file that held only part of its picture (cut short, or its data damaged): rowsRead of its
// rows were read. A template being added says so in a warning; one
// read again as its map opens only in the status line, so the same file does not warn at
// every open.
void ReportPartialPicture(const QString& name, int64_t rowsRead, int64_t rows, int mode);
// The same for any message of a read that kept part of a file: a warning, or the status line.
void ReportPartialRead(TextKey key, const QString& params, int mode);

// The rows read so far in the status line while a template loads. Esc asks "CloseTemp": OK
// stops the load, Cancel goes on.
class TemplateProgress {
public:
    // total: the bar's end; rows by default.
    TemplateProgress(TextKey caption, int rows, int total = -1);
    ~TemplateProgress();
    TemplateProgress(const TemplateProgress&) = delete;
    TemplateProgress& operator=(const TemplateProgress&) = delete;

    // After rows or a strip: false when the user chose to stop the load.
    bool Step(int rowsDone) { return Step(rowsDone, rowsDone); }
    // The rows in the count and the bar at position.
    bool Step(int rowsDone, int position);
    // The progress display gone before the reader's last word in the status line.
    void End();

private:
    bool running_ = true;
};

// An open file read at offsets: every read is checked against the file's size first, so
// that a count or offset taken from the file never reads past it.
class RasterFile {
public:
    // Opens read-only; false (after the file object's message, or none for a file that
    // cannot be opened) when it cannot be read.
    bool Open(const QString& name);
    int64_t Size() const { return size_; }
    // True when count bytes at offset lie inside the file.
    bool Holds(int64_t offset, int64_t count) const
    {
        return offset >= 0 && count >= 0 && offset <= size_ && count <= size_ - offset;
    }
    // Exactly count bytes at offset; false when they are not in the file or cannot be read.
    bool ReadAt(int64_t offset, void* buffer, int64_t count);
    bool ReadAt(int64_t offset, std::vector<uint8_t>& bytes, int64_t count);
    TFileClass& File() { return file_; }

private:
    TFileClass file_;
    int64_t size_ = 0;
};

} // namespace zemo
