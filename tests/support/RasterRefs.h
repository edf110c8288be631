// Independent writers and decoders for the raster template tests: TIFF files written and read
// by libtiff, pictures read by Qt's image readers, and the outside tools (ImageMagick's
// convert, libtiff's tiffcp, giflib's gifbuild) started on files of a test's own.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace zemo::test {

// A picture as 0xRRGGBB values, top row first.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    bool operator==(const RgbPicture&) const = default;
};

// The picture as Qt's readers decode it; empty when they cannot.
RgbPicture QtPicture(const QString& path);
// The picture as libtiff decodes it (TIFFReadRGBAImageOriented, top row first); empty when it
// cannot.
RgbPicture LibTiffPicture(const QString& path);

// A TIFF image for libtiff to write: rows packed as the tags say (samples of a pixel
// together), one directory.
struct LibTiffImage {
    int width = 0;
    int height = 0;
    int bitsPerSample = 8;
    int samples = 1;
    int photometric = 1;        // 0 white is zero, 1 black is zero, 2 RGB, 3 palette
    int compression = 1;
    int rowsPerStrip = 0;       // 0: one strip
    int predictor = 1;
    uint32_t t4Options = 0;     // Group 3 options of compression 3
    bool bigEndian = false;
    bool extraAlpha = false;    // the fourth sample of RGB is unassociated alpha
    std::vector<uint16_t> colorMap; // red, then green, then blue entries
    std::vector<uint8_t> rows;

    int64_t RowBytes() const { return (int64_t(width) * bitsPerSample * samples + 7) / 8; }
};
bool WriteLibTiff(const QString& path, const LibTiffImage& image);

// Runs the program to its end; true when it exited with 0. Its error output goes to the test's
// output on failure; its standard output into `out` when given.
bool RunTool(const QString& program, const QStringList& args, const QByteArray& input = {}, QByteArray* out = nullptr);

} // namespace zemo::test
