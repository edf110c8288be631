#include "TiffLzwStrips.h"

#include <algorithm>
#include <memory>
#include <tiffio.h>

namespace zemo::test {

namespace {

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

bool setGreyLzwTags(TIFF* tif, int width, int height, int rowsPerStrip)
{
    return TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width))
        && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height))
        && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8))
        && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1))
        && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK))
        && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG))
        && TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW))
        && TIFFSetField(tif, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_NONE))
        && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
}

} // namespace

bool WriteTiffRawLzwStrips(const std::string& path, int width, int height, int rowsPerStrip,
                           const TiffStrips& compressedStrips)
{
    TiffFile tif(TIFFOpen(path.c_str(), "w"));
    if (!tif || !setGreyLzwTags(tif.get(), width, height, rowsPerStrip))
        return false;
    for (size_t i = 0; i < compressedStrips.size(); ++i) {
        auto& strip = compressedStrips[i];
        if (TIFFWriteRawStrip(tif.get(), uint32_t(i), const_cast<uint8_t*>(strip.data()),
                              tmsize_t(strip.size())) != tmsize_t(strip.size()))
            return false;
    }
    return TIFFWriteDirectory(tif.get()) == 1;
}

bool WriteTiffLzwImage(const std::string& path, int width, int height, int rowsPerStrip,
                       const std::vector<uint8_t>& pixels)
{
    TiffFile tif(TIFFOpen(path.c_str(), "w"));
    if (!tif || !setGreyLzwTags(tif.get(), width, height, rowsPerStrip)
        || pixels.size() != size_t(width) * size_t(height))
        return false;
    for (int row = 0, strip = 0; row < height; row += rowsPerStrip, ++strip) {
        const int rows = std::min(rowsPerStrip, height - row);
        const tmsize_t size = tmsize_t(rows) * width;
        if (TIFFWriteEncodedStrip(tif.get(), uint32_t(strip),
                                  const_cast<uint8_t*>(pixels.data() + size_t(row) * size_t(width)),
                                  size) != size)
            return false;
    }
    return TIFFWriteDirectory(tif.get()) == 1;
}

TiffStrips ReadTiffDecodedStrips(const std::string& path)
{
    TiffFile tif(TIFFOpen(path.c_str(), "r"));
    if (!tif)
        return {};
    TiffStrips strips;
    const tmsize_t stripSize = TIFFStripSize(tif.get());
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif.get()); ++s) {
        std::vector<uint8_t> buf(static_cast<size_t>(stripSize));
        const tmsize_t got = TIFFReadEncodedStrip(tif.get(), s, buf.data(), stripSize);
        if (got < 0)
            return {};
        buf.resize(size_t(got));
        strips.push_back(std::move(buf));
    }
    return strips;
}

TiffStrips ReadTiffRawStrips(const std::string& path)
{
    TiffFile tif(TIFFOpen(path.c_str(), "r"));
    if (!tif)
        return {};
    uint64_t* counts = nullptr;
    if (!TIFFGetField(tif.get(), TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts)
        return {};
    TiffStrips strips;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif.get()); ++s) {
        std::vector<uint8_t> buf(static_cast<size_t>(counts[s]));
        if (TIFFReadRawStrip(tif.get(), s, buf.data(), tmsize_t(buf.size())) != tmsize_t(buf.size()))
            return {};
        strips.push_back(std::move(buf));
    }
    return strips;
}

} // namespace zemo::test
