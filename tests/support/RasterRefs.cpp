#include "RasterRefs.h"

#include <QFile>
#include <QImage>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <tiffio.h>

namespace zemo::test {

namespace {

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

} // namespace

RgbPicture QtPicture(const QString& path)
{
    QImage image(path);
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_RGB32);
    RgbPicture p{image.width(), image.height(), {}};
    p.pixels.reserve(size_t(p.width) * size_t(p.height));
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            p.pixels.push_back(image.pixel(x, y) & 0xFFFFFFu);
    return p;
}

RgbPicture LibTiffPicture(const QString& path)
{
    TiffFile tif(TIFFOpen(QFile::encodeName(path).constData(), "r"));
    uint32_t w = 0, h = 0;
    if (!tif || !TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h))
        return {};
    std::vector<uint32_t> raster(size_t(w) * h);
    if (!TIFFReadRGBAImageOriented(tif.get(), w, h, raster.data(), ORIENTATION_TOPLEFT, 0))
        return {};
    RgbPicture p{int(w), int(h), {}};
    p.pixels.reserve(raster.size());
    for (uint32_t v : raster)
        p.pixels.push_back(uint32_t(TIFFGetR(v)) << 16 | uint32_t(TIFFGetG(v)) << 8 | TIFFGetB(v));
    return p;
}

bool WriteLibTiff(const QString& path, const LibTiffImage& m)
{
    TiffFile tif(TIFFOpen(QFile::encodeName(path).constData(), m.bigEndian ? "wb" : "wl"));
    if (!tif || m.rows.size() != size_t(m.RowBytes() * m.height))
        return false;
    TIFF* t = tif.get();
    const int rowsPerStrip = m.rowsPerStrip > 0 ? m.rowsPerStrip : m.height;
    bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(m.width))
           && TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(m.height))
           && TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(m.bitsPerSample))
           && TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(m.samples))
           && TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(m.photometric))
           && TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG))
           && TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(m.compression))
           && TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
    if (ok && m.predictor != 1)
        ok = TIFFSetField(t, TIFFTAG_PREDICTOR, uint16_t(m.predictor));
    if (ok && m.compression == COMPRESSION_CCITTFAX3)
        ok = TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, m.t4Options);
    if (ok && m.extraAlpha) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        ok = TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    if (ok && !m.colorMap.empty()) {
        const size_t n = m.colorMap.size() / 3;
        ok = TIFFSetField(t, TIFFTAG_COLORMAP, m.colorMap.data(), m.colorMap.data() + n, m.colorMap.data() + 2 * n);
    }
    for (int row = 0, strip = 0; ok && row < m.height; row += rowsPerStrip, ++strip) {
        const int rows = std::min(rowsPerStrip, m.height - row);
        const tmsize_t size = tmsize_t(rows) * m.RowBytes();
        std::vector<uint8_t> data(m.rows.begin() + row * m.RowBytes(), m.rows.begin() + row * m.RowBytes() + size);
        ok = TIFFWriteEncodedStrip(t, uint32_t(strip), data.data(), size) == size;
    }
    return ok && TIFFWriteDirectory(t) == 1;
}

bool RunTool(const QString& program, const QStringList& args, const QByteArray& input, QByteArray* out)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(30000))
        return false;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return false;
    if (out)
        *out = p.readAllStandardOutput();
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        std::fprintf(stderr, "%s %s: %s\n", qPrintable(program), qPrintable(args.join(u' ')),
                     p.readAllStandardError().constData());
    return ok;
}

} // namespace zemo::test
