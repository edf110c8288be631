#include "external/Bmp.h"

#include "core/ByteIO.h"
#include "core/Messages.h"
#include "external/RasterLoad.h"
#include "external/TempResol.h"
#include "external/Template.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zemo {

namespace {

// File header (14 bytes), little-endian:
//   offset size meaning
//   0      2    "BM"
//   2      4    file size (not used)
//   10     4    offset of the pixel rows
// Info header at 14, its size first. Core header (12 bytes): 4 u16 width, 6 u16 height,
// 10 u16 bits per pixel; colour entries of 3 bytes (blue, green, red). Any larger header:
// 4 i32 width, 8 i32 height (negative: rows top-down), 14 u16 bits per pixel, 16 u32
// compression, 24 i32 horizontal pixels per metre, 32 u32 colours used; colour entries of 4
// bytes (blue, green, red, unused). The colour table follows the info header whole, at
// 14 + its size.
constexpr uint16_t BmpSignature = 0x4D42;
constexpr int FileHeaderBytes = 14;
constexpr int PixelOffsetAt = 10;
constexpr int CoreHeaderBytes = 12;
constexpr int CoreWidthAt = 4, CoreHeightAt = 6, CoreBitsAt = 10;
constexpr int WidthAt = 4, HeightAt = 8, BitsAt = 14, CompressionAt = 16, PixelsPerMetreAt = 24,
              ColorsUsedAt = 32;
constexpr int MinInfoHeaderBytes = 16;
constexpr int MaxInfoHeaderRead = 124;
constexpr uint32_t Uncompressed = 0;
// Below this many pixels per metre (25 dpi) a bitmap counts as having no resolution.
constexpr int MinPixelsPerMetre = 1001;

struct BmpHeader {
    int64_t pixelOffset = 0;
    int64_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0; // negative: top-down
    int bits = 0;
    uint32_t compression = Uncompressed;
    int32_t pixelsPerMetre = 0;
    uint32_t colorsUsed = 0;
    int entryBytes = 4;
};

enum class HeaderResult { Ok, Invalid, NotSupported };

HeaderResult ReadHeader(RasterFile& f, BmpHeader& h)
{
    uint8_t file[FileHeaderBytes + 4];
    if (!f.ReadAt(0, file, sizeof file))
        return HeaderResult::Invalid;
    ByteReader fr(file, sizeof file);
    if (fr.U16(0) != BmpSignature)
        return HeaderResult::Invalid;
    h.pixelOffset = fr.U32(PixelOffsetAt);
    h.headerSize = fr.U32(FileHeaderBytes);
    if (h.headerSize != CoreHeaderBytes && h.headerSize < MinInfoHeaderBytes)
        return HeaderResult::Invalid;
    std::vector<uint8_t> info;
    if (!f.ReadAt(FileHeaderBytes, info, std::min<int64_t>(h.headerSize, MaxInfoHeaderRead)))
        return HeaderResult::Invalid;
    ByteReader r(info.data(), info.size());
    if (h.headerSize == CoreHeaderBytes) {
        h.width = r.U16(CoreWidthAt);
        h.height = r.U16(CoreHeightAt);
        h.bits = r.U16(CoreBitsAt);
        h.entryBytes = 3;
    } else {
        h.width = r.I32(WidthAt);
        h.height = r.I32(HeightAt);
        h.bits = r.U16(BitsAt);
        const auto field = [&](int at) { return int64_t(info.size()) >= at + 4 ? r.U32(size_t(at)) : 0u; };
        h.compression = field(CompressionAt);
        h.pixelsPerMetre = int32_t(field(PixelsPerMetreAt));
        h.colorsUsed = field(ColorsUsedAt);
    }
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24)
        return HeaderResult::NotSupported;
    if (h.compression != Uncompressed)
        return HeaderResult::NotSupported;
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN)
        return HeaderResult::Invalid;
    return HeaderResult::Ok;
}

// The colour table into the palette: the entries the header names that lie before the pixel
// rows; a 1-bit image repeats entry 1 upward, a 4-bit one has index i and 16 i give one colour.
bool ReadPalette(RasterFile& f, const BmpHeader& h, TTmp& t)
{
    if (h.bits > 8)
        return true;
    const int64_t start = FileHeaderBytes + h.headerSize;
    int64_t entries = int64_t(1) << h.bits;
    if (h.colorsUsed > 0 && h.colorsUsed < entries)
        entries = h.colorsUsed;
    entries = std::clamp<int64_t>((h.pixelOffset - start) / h.entryBytes, 0, entries);
    std::vector<uint8_t> table;
    if (!f.ReadAt(start, table, entries * h.entryBytes))
        return false;
    for (int64_t i = 0; i < entries; ++i) {
        const uint8_t* e = table.data() + i * h.entryBytes;
        t.Blue[size_t(i)] = e[0];
        t.Green[size_t(i)] = e[1];
        t.Red[size_t(i)] = e[2];
    }
    const auto copy = [&t](size_t to, size_t from) {
        t.Red[to] = t.Red[from];
        t.Green[to] = t.Green[from];
        t.Blue[to] = t.Blue[from];
    };
    if (h.bits == 1)
        for (size_t i = 2; i < 256; ++i)
            copy(i, 1);
    else if (h.bits == 4)
        for (size_t i = 1; i < 16; ++i)
            copy(16 * i, i);
    return true;
}

int DpiOf(int32_t pixelsPerMetre)
{
    return pixelsPerMetre < MinPixelsPerMetre ? 0 : int(std::nearbyint(pixelsPerMetre * 0.0254));
}

} // namespace

bool ReadBmpFile(const QString& name, int mode)
{
    TTmp* t = TemplateUnit.CurrentTemplate;
    RasterFile f;
    if (!t || !f.Open(name))
        return false;
    BmpHeader h;
    switch (ReadHeader(f, h)) {
    case HeaderResult::Ok: break;
    case HeaderResult::Invalid: ErrorMsg(TextKey::InvalidBmp, name); return false;
    case HeaderResult::NotSupported: ErrorMsg(TextKey::BmpNotSupported, QString::number(h.bits)); return false;
    }
    const int64_t rows = std::abs(h.height);
    const int64_t rowBytes = (h.width * h.bits + 7) / 8;
    const int64_t fileRowBytes = (h.width * h.bits + 31) / 32 * 4;
    // Every row must be in the file before memory is taken for it (the last without its padding).
    const int64_t pixelBytes = f.Size() - h.pixelOffset;
    if (h.pixelOffset < FileHeaderBytes + h.headerSize || pixelBytes < rowBytes
        || (rows - 1) > (pixelBytes - rowBytes) / fileRowBytes) {
        ErrorMsg(TextKey::InvalidBmp, name);
        return false;
    }
    if (!ReadPalette(f, h, *t)) {
        ErrorMsg(TextKey::InvalidBmp, name);
        return false;
    }
    t->Width = int32_t(h.width);
    t->Height = int32_t(rows);
    t->BitsPerPixel = h.bits;
    // The file holds its rows: only a side no template can have asks.
    if (!ConfirmTemplateSize(*t, pixelBytes, StoredHeldPerByte, name) || !AllocateTemplatePixels(*t))
        return false;
    if (mode == TemplateLoadAsk && !AskTemplateResolution(DpiOf(h.pixelsPerMetre)))
        return false;

    TemplateProgress progress(TextKey::LoadingTemp, int(rows));
    std::vector<uint8_t> row(static_cast<size_t>(fileRowBytes));
    for (int64_t k = 0; k < rows; ++k) {
        const int64_t at = h.pixelOffset + k * fileRowBytes;
        if (!f.ReadAt(at, row.data(), std::min(fileRowBytes, f.Size() - at)))
            return false;
        const int64_t y = h.height < 0 ? k : rows - 1 - k;
        std::copy_n(row.data(), rowBytes, t->Row(int(y)));
        if (!progress.Step(int(k + 1)))
            return false;
    }
    return true;
}

} // namespace zemo
