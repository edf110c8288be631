// The raster exports of the painters' generated map of 100,000 objects (400 x 225 mm) at
// 300 dpi, 4724 x 2657 pixels: TIFF with LZW, GIF (two rendering passes) and JPEG, each into a
// file; and the TIFF writer's LZW strips against libtiff writing the same strips.
#include "BenchMap.h"
#include "PaintersMap.h"
#include "core/Element.h"
#include "document/Index.h"
#include "io/ExpGif.h"
#include "io/ExpJpeg.h"
#include "io/ExpTiff.h"
#include "render/GraphSys.h"
#include "render/TemplateDraw.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <tiffio.h>

using namespace zemo;
using namespace zemo::bench;

namespace {

constexpr int Dpi = 300;

const std::string& MapFile()
{
    static const std::string path = WritePaintersMapFile("export_raster");
    return path;
}

// The map open for one benchmark.
class OpenMap {
public:
    OpenMap()
    {
        z_.WorkFile.Open(QString::fromStdString(MapFile()));
        SetCurrentMap(&z_);
        LoadMap();
        Index.MapOpen = true;
    }
    ~OpenMap()
    {
        Index.MapOpen = false;
        SetCurrentMap(nullptr);
    }

private:
    TZmd z_;
};

QString Target(const char* extension)
{
    return QDir::temp().filePath(QStringLiteral("zemo-bench-raster-%1.%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(extension)));
}

template <class Export>
void RunExport(benchmark::State& state, const char* extension, Export run)
{
    OpenMap map;
    CordRect extent;
    if (!ExportExtent(false, extent)) {
        state.SkipWithError("no extent");
        return;
    }
    const QString target = Target(extension);
    qint64 bytes = 0;
    for (auto _ : state) {
        Graph.OutputColorMode = CompositeColors;
        if (!run(extent, target)) {
            state.SkipWithError("the export failed");
            break;
        }
        bytes = QFile(target).size();
    }
    QFile::remove(target);
    state.counters["objects/s"] =
        benchmark::Counter(double(state.iterations()) * ObjectCount, benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(bytes);
}

void LzwTiffOfTheGeneratedMap(benchmark::State& state)
{
    RunExport(state, "tif", [](const CordRect& extent, const QString& target) {
        TiffJob j;
        j.Rect = extent;
        j.FileName = target;
        j.Lzw = true;
        j.Dpi = Dpi;
        j.ShowProgress = false;
        return WriteTiff(j);
    });
}
BENCHMARK(LzwTiffOfTheGeneratedMap)->Unit(benchmark::kMillisecond);

void GifOfTheGeneratedMap(benchmark::State& state)
{
    RunExport(state, "gif", [](const CordRect& extent, const QString& target) {
        return RenderGif(extent, target, false, false, false, Dpi) == RasterResult::Written;
    });
}
BENCHMARK(GifOfTheGeneratedMap)->Unit(benchmark::kMillisecond);

void JpegOfTheGeneratedMap(benchmark::State& state)
{
    RunExport(state, "jpg", [](const CordRect& extent, const QString& target) {
        return RenderJpeg(extent, target, false, false, false, Dpi) == RasterResult::Written;
    });
}
BENCHMARK(JpegOfTheGeneratedMap)->Unit(benchmark::kMillisecond);

// ---- Strips alone: the same rows to our writer and to libtiff ----

constexpr int StripWidth = 4724, StripRows = 64, Strips = 42;  // 4724 x 2688 pixels

// Map-like rows: long runs of a few colours with edges.
const std::vector<uint8_t>& Rows()
{
    static const std::vector<uint8_t> rows = [] {
        std::vector<uint8_t> r(size_t(StripWidth) * 3 * StripRows);
        for (int y = 0; y < StripRows; ++y)
            for (int x = 0; x < StripWidth; ++x) {
                uint8_t* p = r.data() + (size_t(y) * StripWidth + size_t(x)) * 3;
                const int zone = ((x / 37) ^ (y / 11) ^ (x * y / 997)) % 5;
                static const uint8_t colours[5][3] = {{255, 255, 255}, {0, 0, 0}, {255, 128, 0}, {0, 200, 255}, {60, 160, 60}};
                std::memcpy(p, colours[zone], 3);
            }
        return r;
    }();
    return rows;
}

void OurLzwTiffStrips(benchmark::State& state)
{
    const QString target = Target("strips.tif");
    TiffJob job;
    job.Lzw = true;
    job.Dpi = Dpi;
    for (auto _ : state) {
        ExportFile file;
        file.Begin(target);
        TiffStripWriter w(job);
        w.Begin(file, StripWidth, StripRows * Strips);
        for (int s = 0; s < Strips; ++s)
            w.WriteStrip(file, Rows().data(), StripWidth * 3, s * StripRows, StripRows);
        w.Finish(file);
        file.Commit();
    }
    state.counters["bytes"] = double(QFile(target).size());
    QFile::remove(target);
    state.SetBytesProcessed(int64_t(state.iterations()) * StripWidth * 3 * StripRows * Strips);
}
BENCHMARK(OurLzwTiffStrips)->Unit(benchmark::kMillisecond);

void LibtiffLzwStrips(benchmark::State& state)
{
    const QByteArray target = QFile::encodeName(Target("libtiff.tif"));
    // libtiff takes red first: the rows turned once, outside the timing.
    std::vector<uint8_t> rgb = Rows();
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        std::swap(rgb[i], rgb[i + 2]);
    for (auto _ : state) {
        TIFF* t = TIFFOpen(target.constData(), "w");
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, StripWidth);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, StripRows * Strips);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, StripRows);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        for (int s = 0; s < Strips; ++s)
            TIFFWriteEncodedStrip(t, uint32_t(s), rgb.data(), tmsize_t(rgb.size()));
        TIFFClose(t);
    }
    state.counters["bytes"] = double(QFile(QString::fromLocal8Bit(target)).size());
    QFile::remove(QString::fromLocal8Bit(target));
    state.SetBytesProcessed(int64_t(state.iterations()) * StripWidth * 3 * StripRows * Strips);
}
BENCHMARK(LibtiffLzwStrips)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
