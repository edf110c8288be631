#include "external/Gif.h"

#include "core/ByteIO.h"
#include "core/Lzw.h"
#include "core/Messages.h"
#include "external/RasterLoad.h"
#include "external/TempResol.h"
#include "external/Template.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace zemo {

namespace {

// File layout, little-endian:
//   offset size meaning
//   0      6    "GIF87a" or "GIF89a"
//   6      2    logical screen width (not used: each image has its own size)
//   8      2    logical screen height (not used)
//   10     1    bit 7: global colour table; bits 0-2: its size n (2^(n+1) entries)
//   13          the global colour table (3 bytes an entry: red, green, blue), then blocks
// Blocks begin with 0x2C (image), 0x21 (extension), 0x3B (end); 0x00 is skipped. An image:
// 9 bytes (left, top, width, height as u16; flags: bit 7 own colour table, bit 6 interlaced,
// bits 0-2 its size), the table, the LZW code size, then sub-blocks (a length byte and that
// many bytes) up to a length of 0. An extension: its label, then sub-blocks.
constexpr int SignatureBytes = 6;
constexpr int ScreenFlagsAt = 10;
constexpr int64_t BlocksAt = 13;
constexpr int ImageWidthAt = 4, ImageHeightAt = 6, ImageFlagsAt = 8, ImageDescriptorBytes = 9;
constexpr uint8_t ImageIntroducer = 0x2C, ExtensionIntroducer = 0x21, Trailer = 0x3B;
constexpr uint8_t TableFlag = 0x80, InterlaceFlag = 0x40, TableSizeMask = 0x07;

struct ColorTable {
    int64_t at = 0; // of its first entry
    int entries = 0;
    int bits = 0;   // bits per pixel it gives: 1, 4 or 8
};

struct GifImage {
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::optional<ColorTable> table;
    int codeSize = 0;
    int64_t dataAt = 0;    // the first sub-block
    int64_t dataBytes = 0; // sum of the sub-blocks' lengths
    bool cut = false;      // the file ends inside its data
};

ColorTable TableOf(int64_t at, uint8_t flags)
{
    const int n = flags & TableSizeMask;
    return {at, 2 << n, n == 0 ? 1 : n <= 3 ? 4 : 8};
}

enum class Parse { Ok, Invalid, BadCodeSize };

// Walks the blocks: the last image, its sub-blocks measured. Data that end after a whole
// block end the file as the trailer would; a file cut inside an image's data ends with that
// image, its data as far as they go.
Parse ParseBlocks(ByteReader& r, int64_t pos, std::optional<GifImage>& last)
{
    const int64_t size = int64_t(r.size());
    // False when the file ends inside them; `total` then counts the bytes up to the end.
    const auto skipSubBlocks = [&](int64_t& p, int64_t* total) {
        for (;;) {
            if (!r.Fits(size_t(p), 1))
                return false;
            const uint8_t n = r.U8(size_t(p++));
            if (n == 0)
                return true;
            if (!r.Fits(size_t(p), n)) {
                if (total)
                    *total += size - p;
                return false;
            }
            p += n;
            if (total)
                *total += n;
        }
    };
    while (r.Fits(size_t(pos), 1)) {
        const uint8_t b = r.U8(size_t(pos++));
        if (b == Trailer)
            break;
        if (b == 0)
            continue;
        if (b == ExtensionIntroducer) {
            if (!r.Fits(size_t(pos), 1))
                return Parse::Invalid;
            ++pos; // the label
            if (!skipSubBlocks(pos, nullptr))
                return Parse::Invalid;
            continue;
        }
        if (b != ImageIntroducer || !r.Fits(size_t(pos), ImageDescriptorBytes))
            return Parse::Invalid;
        GifImage img;
        img.width = r.U16(size_t(pos + ImageWidthAt));
        img.height = r.U16(size_t(pos + ImageHeightAt));
        const uint8_t flags = r.U8(size_t(pos + ImageFlagsAt));
        img.interlaced = flags & InterlaceFlag;
        pos += ImageDescriptorBytes;
        if (flags & TableFlag) {
            img.table = TableOf(pos, flags);
            pos += 3 * img.table->entries;
        }
        if (!r.Fits(size_t(pos), 1))
            return Parse::Invalid;
        img.codeSize = r.U8(size_t(pos++));
        if (img.codeSize < 2 || img.codeSize > 8)
            return Parse::BadCodeSize;
        img.dataAt = pos;
        if (!skipSubBlocks(pos, &img.dataBytes)) {
            img.cut = true;
            last = img;
            break;
        }
        last = img;
    }
    return Parse::Ok;
}

void SetPalette(TTmp& t, ByteReader& r, const ColorTable& table)
{
    for (int i = 0; i < table.entries && r.Fits(size_t(table.at + 3 * i), 3); ++i) {
        const size_t at = size_t(table.at + 3 * i);
        t.Red[size_t(i)] = r.U8(at);
        t.Green[size_t(i)] = r.U8(at + 1);
        t.Blue[size_t(i)] = r.U8(at + 2);
    }
}

// Decoded indexes into the rows, de-interlaced; each row's last byte is stored even when its
// pixels do not fill it. Memory is taken for a row as it is reached; when it cannot be had,
// the rest is dropped and noMemory set. rowsDone counts the rows completed.
class PixelStore {
public:
    PixelStore(TTmp& t, bool interlaced, int& rowsDone, int& rowsEnd, bool& noMemory)
        : t_(t), bits_(t.BitsPerPixel), mask_(uint8_t((1u << std::min(bits_, 8)) - 1)),
          width_(t.Width), height_(t.Height), interlaced_(interlaced), rowsDone_(rowsDone), rowsEnd_(rowsEnd),
          noMemory_(noMemory)
    {
    }

    void operator()(const uint8_t* p, size_t n)
    {
        for (size_t i = 0; i < n && rows_ < height_; ++i)
            Put(p[i]);
    }
    void operator()(uint8_t b) { (*this)(&b, 1); }

private:
    // The row the n-th completed row goes to: rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6,
    // ..., then the odd rows.
    int TargetRow(int n) const
    {
        if (!interlaced_)
            return n;
        const int h = height_;
        const int pass1 = (h + 7) / 8, pass2 = (h + 3) / 4, pass3 = (h + 1) / 2;
        if (n < pass1)
            return 8 * n;
        if (n < pass2)
            return 8 * (n - pass1) + 4;
        if (n < pass3)
            return 4 * (n - pass2) + 2;
        return 2 * (n - pass3) + 1;
    }

    void Put(uint8_t index)
    {
        if (column_ == 0) {
            y_ = TargetRow(rows_);
            if (y_ >= 0 && y_ < height_ && !noMemory_ && !GrowTemplateRows(t_, int64_t(y_) + 1))
                noMemory_ = true;
            row_ = y_ >= 0 && y_ < height_ && !noMemory_ ? t_.Row(y_) : nullptr;
            acc_ = 0;
        }
        index &= mask_;
        if (row_) {
            if (bits_ == 8)
                row_[column_] = index;
            else if (bits_ == 4) {
                acc_ = acc_ << 4 | index;
                if (column_ & 1)
                    row_[column_ >> 1] = uint8_t(acc_);
            } else {
                acc_ = acc_ << 1 | index;
                if ((column_ & 7) == 7)
                    row_[column_ >> 3] = uint8_t(acc_);
            }
        }
        if (++column_ < width_)
            return;
        if (row_ && bits_ == 4 && (width_ & 1))
            row_[width_ >> 1] = uint8_t(acc_ << 4);
        if (row_ && bits_ == 1 && (width_ & 7))
            row_[width_ >> 3] = uint8_t(acc_ << (8 - (width_ & 7)));
        column_ = 0;
        rowsDone_ = ++rows_;
        if (row_)
            rowsEnd_ = std::max(rowsEnd_, y_ + 1);
    }

    TTmp& t_;
    int bits_;
    uint8_t mask_;
    int width_;
    int height_;
    bool interlaced_;
    int column_ = 0;
    int rows_ = 0;
    int& rowsDone_;
    int& rowsEnd_;
    bool& noMemory_;
    int y_ = 0;
    uint32_t acc_ = 0;
    uint8_t* row_ = nullptr;
};

// Polls for Esc while the data are decoded.
constexpr int64_t PollsPerRead = 256;

bool Fail(TextKey key, const QString& name)
{
    ErrorMsg(key, name);
    return false;
}

} // namespace

bool ReadGifFile(const QString& name, int mode)
{
    TTmp* t = TemplateUnit.CurrentTemplate;
    RasterFile f;
    if (!t || !f.Open(name))
        return false;
    std::vector<uint8_t> data;
    if (!f.ReadAt(0, data, f.Size()))
        return f.Size() < BlocksAt ? Fail(TextKey::GifError, name) : false;
    ByteReader r(data.data(), data.size());
    const std::string_view signature(reinterpret_cast<const char*>(data.data()), std::min<size_t>(data.size(), SignatureBytes));
    if (data.size() < size_t(BlocksAt) || (signature != "GIF87a" && signature != "GIF89a"))
        return Fail(TextKey::GifError, name);

    std::optional<ColorTable> global;
    const uint8_t screenFlags = r.U8(ScreenFlagsAt);
    if (screenFlags & TableFlag)
        global = TableOf(BlocksAt, screenFlags);
    const int64_t blocks = BlocksAt + (global ? 3 * global->entries : 0);
    std::optional<GifImage> image;
    switch (ParseBlocks(r, blocks, image)) {
    case Parse::Ok: break;
    case Parse::Invalid: return Fail(TextKey::GifError, name);
    case Parse::BadCodeSize: return Fail(TextKey::ErrorGif, name);
    }
    if (!image || image->width == 0 || image->height == 0)
        return Fail(TextKey::GifError, name);
    // No code gives more than 4096 indexes: more pixels than that cannot come from the data.
    const int64_t codes = image->dataBytes * 8 / (image->codeSize + 1) + 1;
    if (int64_t(image->width) * image->height > codes * int64_t(LzwMaxCodes))
        return Fail(TextKey::ErrorGif, name);

    const std::optional<ColorTable>& table = image->table ? image->table : global;
    if (global)
        SetPalette(*t, r, *global);
    if (image->table)
        SetPalette(*t, r, *image->table);
    if (!table)
        for (int i = 0; i < 256; ++i)
            t->Red[size_t(i)] = t->Green[size_t(i)] = t->Blue[size_t(i)] = uint8_t(i);
    t->Width = image->width;
    t->Height = image->height;
    t->BitsPerPixel = table ? table->bits : 8;
    if (!TemplatePixelsFit(*t)) {
        TemplateMemoryMsg();
        return false;
    }
    if (!ConfirmTemplateSize(*t, image->dataBytes, LzwHeldPerByte, name))
        return false;
    if (mode == TemplateLoadAsk && !AskTemplateResolution(0))
        return false;

    // Memory is taken as the rows decode; a file cut inside its data keeps the rows before the
    // cut.
    t->ReleasePixels();
    int rowsDone = 0, rowsEnd = 0;
    bool noMemory = false;
    BasicLzwDecoder<PixelStore> decoder(PixelStore(*t, image->interlaced, rowsDone, rowsEnd, noMemory));
    decoder.LzwDecodeInit(image->codeSize);
    const int64_t end = int64_t(data.size());
    TemplateProgress progress(TextKey::LoadingTemp, t->Height);
    const int64_t pollEvery = std::max<int64_t>(image->dataBytes / PollsPerRead, 1);
    for (int64_t pos = image->dataAt, poll = pos + pollEvery; pos < end && !noMemory;) {
        const uint8_t n = r.U8(size_t(pos));
        if (n == 0 || !decoder.LzwDecodeBytes(data.data() + pos + 1, size_t(std::min<int64_t>(n, end - pos - 1))))
            break;
        pos += 1 + n;
        if (pos >= poll) {
            poll += pollEvery;
            if (!progress.Step(rowsDone)) {
                t->ReleasePixels();
                return false;
            }
        }
    }
    progress.End();
    if (noMemory) {
        t->ReleasePixels();
        TemplateMemoryMsg();
        return false;
    }
    // A row the data ended in is given up.
    t->KeepRows(rowsEnd);
    if (rowsDone == 0) {
        t->ReleasePixels();
        ReportPictureUnread(name);
        return false;
    }
    if (rowsDone < t->Height)
        ReportPartialPicture(name, rowsDone, t->Height, mode);
    return true;
}

} // namespace zemo
