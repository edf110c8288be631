// Reading a 14,000 x 10,000 TIFF template, ours (ReadTiffFile, the whole file into the record,
// silently) against libtiff (TIFFReadEncodedStrip over every strip into one buffer), in three
// kinds: 1-bit Group 4 fax, 8-bit grey LZW with horizontal differencing, and 24-bit RGB LZW.
// The files are written by libtiff once per run into a temporary folder, in strips of 64
// rows, with a map-like picture (lines and areas of a few tones).
//
// Like with like: both read from the page cache and decode every strip; ours also expands
// RGB to blue, green, red and undoes the differencing per row as libtiff does.
#include "core/Messages.h"
#include "document/Index.h"
#include "external/Template.h"
#include "external/Tiff.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int Width = 14000;
constexpr int Height = 10000;
constexpr int RowsPerStrip = 64;

struct Kind {
    const char* name;
    int bits;
    int samples;
    int compression;
    int predictor;
};
constexpr Kind G4{"g4", 1, 1, COMPRESSION_CCITTFAX4, 1};
constexpr Kind Grey{"grey-lzw-predictor", 8, 1, COMPRESSION_LZW, 2};
constexpr Kind Rgb{"rgb-lzw", 8, 3, COMPRESSION_LZW, 1};

// A tone for (x, y): areas of a few tones crossed by lines, as a scanned map has.
uint8_t Tone(int x, int y)
{
    if ((x + 2 * y) % 997 < 3 || (3 * x - y + 100000) % 1409 < 2)
        return 0;
    const int area = (x / 700 + y / 500 * 3) % 5;
    return uint8_t(255 - area * 40 - ((x ^ y) & 3));
}

// The run's file of the kind, written on first use into a folder removed when the run ends.
QString WriteFile(const Kind& k)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("%1.tif").arg(QLatin1String(k.name)));
    if (QFile::exists(path))
        return path;
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!t)
        throw std::runtime_error("cannot write the TIFF");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(Width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(Height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(k.bits));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(k.samples));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 uint16_t(k.samples == 3 ? PHOTOMETRIC_RGB : k.bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(k.compression));
    if (k.predictor != 1)
        TIFFSetField(t, TIFFTAG_PREDICTOR, uint16_t(k.predictor));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(RowsPerStrip));
    const size_t rowBytes = (size_t(Width) * k.bits * k.samples + 7) / 8;
    std::vector<uint8_t> strip;
    for (int row = 0, s = 0; row < Height; row += RowsPerStrip, ++s) {
        const int rows = std::min(RowsPerStrip, Height - row);
        strip.assign(rowBytes * size_t(rows), 0);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < Width; ++x) {
                const uint8_t v = Tone(x, row + y);
                uint8_t* r = strip.data() + size_t(y) * rowBytes;
                if (k.bits == 1) {
                    if (v < 128)
                        r[x / 8] |= uint8_t(0x80 >> (x % 8));
                } else {
                    for (int c = 0; c < k.samples; ++c)
                        r[size_t(x) * size_t(k.samples) + size_t(c)] = uint8_t(v - 30 * c);
                }
            }
        if (TIFFWriteEncodedStrip(t, uint32_t(s), strip.data(), tmsize_t(strip.size())) < 0)
            throw std::runtime_error("cannot write a strip");
    }
    TIFFWriteDirectory(t);
    TIFFClose(t);
    return path;
}

void BM_Ours(benchmark::State& state, const Kind& k)
{
    const QString path = WriteFile(k);
    zemo::RecordingMessages messages;
    for (auto _ : state) {
        auto t = std::make_unique<zemo::TTmp>();
        zemo::TemplateUnit.CurrentTemplate = t.get();
        const bool ok = zemo::ReadTiffFile(path, zemo::TemplateLoadSilent);
        zemo::TemplateUnit.CurrentTemplate = nullptr;
        if (!ok || messages.Count() > 0)
            state.SkipWithError("the reader failed");
        benchmark::DoNotOptimize(t->Row(0));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height * k.samples * k.bits / 8);
}

void BM_Libtiff(benchmark::State& state, const Kind& k)
{
    const QString path = WriteFile(k);
    for (auto _ : state) {
        TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
        if (!t) {
            state.SkipWithError("libtiff cannot open the file");
            break;
        }
        const tmsize_t stripSize = TIFFStripSize(t);
        const uint32_t strips = TIFFNumberOfStrips(t);
        std::vector<uint8_t> image(size_t(stripSize) * strips);
        for (uint32_t s = 0; s < strips; ++s)
            if (TIFFReadEncodedStrip(t, s, image.data() + size_t(s) * size_t(stripSize), stripSize) < 0)
                state.SkipWithError("libtiff failed");
        TIFFClose(t);
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height * k.samples * k.bits / 8);
}

} // namespace

BENCHMARK_CAPTURE(BM_Ours, g4, G4)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Libtiff, g4, G4)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Ours, grey_lzw_predictor, Grey)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Libtiff, grey_lzw_predictor, Grey)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Ours, rgb_lzw, Rgb)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Libtiff, rgb_lzw, Rgb)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
