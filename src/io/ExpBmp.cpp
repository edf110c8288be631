#include "io/ExpBmp.h"

#include "core/ByteIO.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "io/Ports.h"

#include <cmath>
#include <vector>

namespace zemo {

namespace {

// File header, 14 bytes, then the information header, 40 bytes (little-endian):
//   offset size meaning
//   0      2    "BM"
//   2      4    file size
//   6      4    reserved, 0
//   10     4    offset of the pixels, 54
//   14     4    information header size, 40
//   18     4    width
//   22     4    height (positive: rows bottom-up)
//   26     2    planes, 1
//   28     2    bits per pixel, 24
//   30     4    compression, 0
//   34     4    image size
//   38     4    horizontal pixels per metre
//   42     4    vertical pixels per metre
//   46     8    colours used and important, 0
constexpr uint16_t BmpSignature = 0x4D42;
constexpr uint32_t PixelsAt = 54;
constexpr uint32_t InfoHeaderBytes = 40;

struct BmpUnitState {
    RasterExpOptions Options;
};
BmpUnitState BmpUnit;

} // namespace

QString BmpFileSizeText(const QString& resolution)
{
    int dpi = 0;
    CordRect extent;
    if (!Index.ActiveZmd || !TryTrimStrToInt(resolution, dpi) || !ExportExtent(false, extent))
        return {};
    const QSize size = RasterSize(extent, dpi);
    return QString::number(int64_t(size.width()) * 3 * size.height() + PixelsAt);
}

int BmpPixelsPerMetre(int dpi)
{
    return int(std::nearbyint(dpi / 2540.0 * 100000));
}

bool BmpStripWriter::Begin(ExportFile& file, int width, int height)
{
    rowBytes_ = (size_t(width) * 3 + 3) & ~size_t(3);
    const uint64_t image = uint64_t(rowBytes_) * uint64_t(height);
    std::vector<uint8_t> bytes;
    ByteWriter w(bytes);
    w.AddU16(BmpSignature);
    w.AddU32(uint32_t(image + PixelsAt));
    w.AddU32(0);
    w.AddU32(PixelsAt);
    w.AddU32(InfoHeaderBytes);
    w.AddI32(width);
    w.AddI32(height);
    w.AddU16(1);
    w.AddU16(24);
    w.AddU32(0);
    w.AddU32(uint32_t(image));
    w.AddI32(BmpPixelsPerMetre(dpi_));
    w.AddI32(BmpPixelsPerMetre(dpi_));
    w.AddU32(0);
    w.AddU32(0);
    file.Write(std::span<const uint8_t>(bytes));
    return true;
}

bool BmpStripWriter::WriteStrip(ExportFile& file, const uint8_t* rows, int rowBytes, int, int count)
{
    // The strip's lowest row first.
    for (int r = count - 1; r >= 0; --r)
        file.Write(std::span(rows + size_t(r) * size_t(rowBytes), rowBytes_));
    return true;
}

RasterResult RenderBmp(const CordRect& extent, const QString& fileName, bool antiAlias, bool colorCorrection,
                       int dpi)
{
    BmpStripWriter writer(dpi);
    RasterSettings s;
    s.Dpi = dpi;
    s.AntiAlias = antiAlias;
    s.ColorCorrection = colorCorrection;
    return ExportRaster(extent, s, writer, fileName);
}

RasterExpOptions& BmpOptions()
{
    return BmpUnit.Options;
}

void ResetExpBmpUnit()
{
    BmpUnit = {};
}

void ExportBmp()
{
    if (!Index.ActiveZmd)
        return;
    RasterExpOptions& o = BmpUnit.Options;
    if (!IoPorts().RunBmpDialog(o))
        return;
    int dpi = 0;
    QString name;
    CordRect extent;
    if (!RasterExportTarget(o, ExportKind::Bmp, dpi, name, extent))
        return;
    RenderBmp(extent, name, o.AntiAlias, o.ColorCorrection, dpi);
}

} // namespace zemo
