// The internet map of the painters' generated map of 100,000 objects (400 x 225 mm): three
// levels at 150 dpi with an applet of 400 x 300 pixels, 132 GIF tiles of 200 x 150, the ".kiv"
// and the page, into a folder of their own.
#include "BenchMap.h"
#include "PaintersMap.h"
#include "document/Index.h"
#include "io/ExpKiv.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace zemo;
using namespace zemo::bench;

namespace {

const std::string& MapFile()
{
    static const std::string path = WritePaintersMapFile("export_kiv");
    return path;
}

void ThreeLevelInternetMap(benchmark::State& state)
{
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(MapFile()));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    QTemporaryDir dir;
    KivOptions o;
    o.FileName = dir.filePath(QStringLiteral("web.html"));
    o.Levels = 3;
    o.AntiAlias = false;
    o.ColorCorrection = false;
    int tiles = 0;
    for (auto _ : state) {
        if (!WriteKiv(o)) {
            state.SkipWithError("the export failed");
            break;
        }
        tiles = int(QDir(dir.path()).entryList({QStringLiteral("web_*.gif")}, QDir::Files).size());
    }
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
    state.counters["tiles"] = tiles;
    state.counters["objects/s"] =
        benchmark::Counter(double(state.iterations()) * ObjectCount, benchmark::Counter::kIsRate);
}
BENCHMARK(ThreeLevelInternetMap)->Unit(benchmark::kMillisecond);

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
