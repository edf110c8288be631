#include "io/ExpGif.h"

#include "core/ByteIO.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "io/Ports.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zemo {

namespace {

// File layout, little-endian:
//   offset size meaning
//   0      6    "GIF87a"
//   6      2    width
//   8      2    height
//   10     1    flags 0xF7: global table of 256 entries, 8 bits of colour resolution
//   11     1    background index 0
//   12     1    aspect ratio 0
//   13     768  global colour table (red, green, blue), rewritten after the reduction
//   781    10   image descriptor: 0x2C, left, top, width, height, flags 0
//   791    1    LZW minimum code size 8
//   792         sub-blocks of up to 255 bytes, a zero block, ";"
constexpr int PaletteAt = 13;
constexpr uint8_t ScreenFlags = 0xF7;
constexpr uint8_t ImageSeparator = 0x2C;
constexpr uint8_t Trailer = 0x3B;
constexpr int GifCodeSize = 8;
constexpr size_t SubBlockBytes = 255;
// The nearest-colour search starts above any distance of two colours.
constexpr int FarDistance = 100000;

struct GifUnitState {
    RasterExpOptions Options;
};
GifUnitState GifUnit;

} // namespace

// ---- Colour reduction ----

void GifColorTable::Clear()
{
    count_.assign(size_t(Cells) * Cells * Cells, 0);
    map_.assign(count_.size(), 0);
    palette_.fill(0);
}

void GifColorTable::AddToCell(int red, int green, int blue, uint64_t pixels)
{
    count_[size_t(CellOf(red, green, blue))] += pixels;
}

uint64_t GifColorTable::SliceCount(const Box& b, int axis, int v) const
{
    const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
    uint64_t sum = 0;
    int c[3];
    c[axis] = v;
    for (c[a1] = b.lo[a1]; c[a1] <= b.hi[a1]; ++c[a1])
        for (c[a2] = b.lo[a2]; c[a2] <= b.hi[a2]; ++c[a2])
            sum += At(c);
    return sum;
}

void GifColorTable::Shrink(Box& b) const
{
    for (int axis = 0; axis < 3; ++axis) {
        while (b.lo[axis] < b.hi[axis] && SliceCount(b, axis, b.lo[axis]) == 0)
            ++b.lo[axis];
        while (b.hi[axis] > b.lo[axis] && SliceCount(b, axis, b.hi[axis]) == 0)
            --b.hi[axis];
    }
    b.pixels = 0;
    for (int v = b.lo[0]; v <= b.hi[0]; ++v)
        b.pixels += SliceCount(b, 0, v);
    b.volume = (b.hi[0] - b.lo[0] + 1) * (b.hi[1] - b.lo[1] + 1) * (b.hi[2] - b.lo[2] + 1);
}

void GifColorTable::Split(Box& b, Box& added) const
{
    const int r = b.hi[0] - b.lo[0], g = b.hi[1] - b.lo[1], bl = b.hi[2] - b.lo[2];
    int axis;
    if (r <= g && bl <= g)
        axis = 1;
    else if (r > g && bl <= r)
        axis = 0;
    else
        axis = 2;
    const uint64_t half = b.pixels / 2;
    uint64_t sum = 0;
    int split = b.lo[axis];
    for (;; ++split) {
        sum += SliceCount(b, axis, split);
        if (split >= b.hi[axis]) {
            split = b.hi[axis] - 1;
            break;
        }
        if (sum >= half)
            break;
    }
    added = b;
    added.hi[axis] = split;
    b.lo[axis] = split + 1;
}

int GifColorTable::ReduceGifColors()
{
    std::vector<Box> boxes;
    boxes.reserve(MaxColors);
    boxes.push_back(Box{{0, 0, 0}, {Cells - 1, Cells - 1, Cells - 1}, 0, 0});
    Shrink(boxes[0]);
    const auto choose = [&boxes]() -> int {
        int best = -1;
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxes[size_t(i)].volume >= 2 && (best < 0 || boxes[size_t(i)].pixels > boxes[size_t(best)].pixels))
                best = i;
        return best;
    };
    for (int chosen = choose(); int(boxes.size()) < MaxColors && chosen >= 0; chosen = choose()) {
        Box added;
        Split(boxes[size_t(chosen)], added);
        Shrink(added);
        Shrink(boxes[size_t(chosen)]);
        boxes.push_back(added);
    }

    palette_.fill(0);
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        int mean[3];
        if (b.pixels == 0) {
            for (int axis = 0; axis < 3; ++axis)
                mean[axis] = (b.lo[axis] + b.hi[axis]) / 2;
        } else {
            uint64_t sums[3] = {0, 0, 0};
            int c[3];
            for (c[0] = b.lo[0]; c[0] <= b.hi[0]; ++c[0])
                for (c[1] = b.lo[1]; c[1] <= b.hi[1]; ++c[1])
                    for (c[2] = b.lo[2]; c[2] <= b.hi[2]; ++c[2]) {
                        const uint64_t n = At(c);
                        for (int axis = 0; axis < 3; ++axis)
                            sums[axis] += n * uint64_t(c[axis]);
                    }
            for (int axis = 0; axis < 3; ++axis)
                mean[axis] = int(std::nearbyint(double(sums[axis]) / double(b.pixels)));
        }
        for (int axis = 0; axis < 3; ++axis)
            palette_[3 * i + size_t(axis)] = uint8_t(mean[axis] == Cells - 1 ? 255 : mean[axis] * 8);
    }

    for (int r = 0; r < Cells; ++r)
        for (int g = 0; g < Cells; ++g)
            for (int b = 0; b < Cells; ++b)
                if (count_[size_t(CellOf(r, g, b))] != 0)
                    map_[size_t(CellOf(r, g, b))] = uint8_t(NearestGifColor(r * 8, g * 8, b * 8));
    return int(boxes.size());
}

int GifColorTable::NearestGifColor(int red, int green, int blue) const
{
    int best = 0, bestDistance = FarDistance;
    for (int i = 0; i < MaxColors; ++i) {
        const int d = std::abs(red - palette_[size_t(3 * i)]) + std::abs(green - palette_[size_t(3 * i + 1)]) +
                      std::abs(blue - palette_[size_t(3 * i + 2)]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// ---- The writer ----

bool GifStripWriter::Begin(ExportFile& file, int width, int height)
{
    width_ = width;
    colors_.Clear();
    std::vector<uint8_t> bytes;
    ByteWriter head(bytes);
    head.AddBytes(std::span(reinterpret_cast<const uint8_t*>("GIF87a"), 6));
    head.AddU16(uint16_t(width));
    head.AddU16(uint16_t(height));
    head.AddU8(ScreenFlags);
    head.AddU8(0);
    head.AddU8(0);
    head.AddZeros(3 * GifColorTable::MaxColors);
    head.AddU8(ImageSeparator);
    head.AddU16(0);
    head.AddU16(0);
    head.AddU16(uint16_t(width));
    head.AddU16(uint16_t(height));
    head.AddU8(0);
    head.AddU8(GifCodeSize);
    file.Write(std::span<const uint8_t>(bytes));
    encoded_.clear();
    encoder_.emplace(Sink{&encoded_});
    return encoder_->LzwEncodeInit(GifCodeSize, true);
}

int GifStripWriter::Passes(bool oneCell) const
{
    passes_ = oneCell ? 1 : 2;
    return passes_;
}

// The reduction runs between two passes: the second writes the indices.
bool GifStripWriter::BeginPass(ExportFile&, int pass)
{
    pass_ = pass;
    passesMade_ = pass + 1;
    if (pass == 1)
        colors_.ReduceGifColors();
    return true;
}

void GifStripWriter::CountStrip(const uint8_t* rows, int rowBytes, int count)
{
    for (int r = 0; r < count; ++r) {
        const uint8_t* p = rows + size_t(r) * size_t(rowBytes);
        for (int x = 0; x < width_; ++x, p += 3)
            colors_.CountGifColor(p[0], p[1], p[2]);
    }
}

void GifStripWriter::WriteSubBlocks(ExportFile& file, bool last)
{
    size_t at = 0;
    std::vector<uint8_t> blocks;
    blocks.reserve(encoded_.size() + encoded_.size() / SubBlockBytes + 2);
    while (encoded_.size() - at >= SubBlockBytes || (last && at < encoded_.size())) {
        const size_t n = std::min(SubBlockBytes, encoded_.size() - at);
        blocks.push_back(uint8_t(n));
        blocks.insert(blocks.end(), encoded_.begin() + ptrdiff_t(at), encoded_.begin() + ptrdiff_t(at + n));
        at += n;
    }
    encoded_.erase(encoded_.begin(), encoded_.begin() + ptrdiff_t(at));
    if (last)
        blocks.push_back(0);
    file.Write(std::span<const uint8_t>(blocks));
}

bool GifStripWriter::WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int, int count)
{
    // The first of two passes only counts; one pass counts the one cell and writes it at once.
    if (pass_ == 0) {
        CountStrip(rows, rowBytes, count);
        if (passes_ > 1)
            return true;
        colors_.ReduceGifColors();
    }
    indices_.resize(size_t(width_));
    for (int r = 0; r < count; ++r) {
        const uint8_t* p = rows + size_t(r) * size_t(rowBytes);
        for (int x = 0; x < width_; ++x, p += 3)
            indices_[size_t(x)] = colors_.GifColorIndex(p[0], p[1], p[2]);
        if (!encoder_->LzwEncodeBytes(indices_.data(), indices_.size()))
            return false;
    }
    WriteSubBlocks(file, false);
    return true;
}

bool GifStripWriter::Finish(ExportFile& file)
{
    if (!encoder_->LzwEncodeFinish())
        return false;
    WriteSubBlocks(file, true);
    const uint8_t trailer = Trailer;
    file.Write(std::span(&trailer, 1));
    file.WriteAt(PaletteAt, colors_.Palette());
    return true;
}

RasterResult RenderGif(const CordRect& extent, const QString& fileName, bool antiAlias, bool showProgress,
                       bool colorCorrection, int dpi)
{
    RasterSettings s;
    s.Dpi = dpi;
    s.AntiAlias = antiAlias;
    s.ShowProgress = showProgress;
    s.ColorCorrection = colorCorrection;
    return RenderGif(extent, fileName, s);
}

RasterResult RenderGif(const CordRect& extent, const QString& fileName, const RasterSettings& settings)
{
    GifStripWriter writer;
    return ExportRaster(extent, settings, writer, fileName);
}

bool RasterExportTarget(const RasterExpOptions& o, ExportKind kind, int& dpi, QString& name, CordRect& extent)
{
    if (!TryTrimStrToInt(o.Resolution, dpi) || dpi < MinRasterExportDpi || dpi > MaxRasterExportDpi)
        return false;
    return AskExportFileName(ExportFormatOf(kind), name) && ExportExtent(false, extent);
}

RasterExpOptions& GifOptions()
{
    return GifUnit.Options;
}

void ResetExpGifUnit()
{
    GifUnit = {};
}

void ExportGif()
{
    if (!Index.ActiveZmd)
        return;
    RasterExpOptions& o = GifUnit.Options;
    if (!IoPorts().RunGifDialog(o))
        return;
    int dpi = 0;
    QString name;
    CordRect extent;
    if (!RasterExportTarget(o, ExportKind::Gif, dpi, name, extent))
        return;
    RenderGif(extent, name, o.AntiAlias, true, o.ColorCorrection, dpi);
}

} // namespace zemo
