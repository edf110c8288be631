// The document window's paint of a forest map at the editing zooms 2X, 4X and 8X: 5,000 objects
// drawn with the shipped orienteering symbol set at its own line widths, contours,
// watercourses and roads with round joins and caps, vegetation and marsh areas with hatch lines
// and structures (boulder fields, stony ground, scattered trees, orchards, cultivated land),
// over 280 x 180 mm of paper, painted offscreen into a 1757 x 918 window at the map's centre.
// ZEMO_PAINT_MAP_DIR=<folder> keeps the pictures there, to compare two builds pixel by pixel.
#include "BenchMap.h"
#include "ForestMap.h"
#include "core/Config.h"
#include "core/Element.h"
#include "document/Index.h"
#include "document/NewMap.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "symbols/store/SymbolRecords.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QDir>
#include <QTemporaryDir>

#include <string>

using namespace zemo;

namespace {

constexpr int WindowWidth = 1757, WindowHeight = 918;
constexpr int ObjectCount = 5000;

const std::string& ForestMap()
{
    static const std::string path = [] {
        const bench::BenchMap map = bench::ForestMap(ObjectCount, false);
        return map.symbols.empty() ? std::string() : bench::WriteBenchMap("forest_zoom", map);
    }();
    return path;
}

void PaintForest(benchmark::State& state)
{
    const double zoom = double(state.range(0));
    const std::string& path = ForestMap();
    if (path.empty()) {
        state.SkipWithError("the orienteering symbol set is missing");
        return;
    }
    ResetIndexState();
    ResetWorkUnit();
    InitGraphSys();
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    ProgramConfig.ScreenGrid = false;
    z.Setup.Zoom = zoom;
    z.Setup.ViewCenterX = 0;
    z.Setup.ViewCenterY = 0;
    {
        ImageMapWindow win(WindowWidth, WindowHeight);
        MapView view;
        InitMapView(view, &win);
        view.MapShown = true;
        FormResize(view, WindowWidth, WindowHeight);
        Work.ActiveView = &view;
        for (auto _ : state) {
            view.PendingValid = false;
            WorkWinWmPaint(view, {0, 0, WindowWidth, WindowHeight});
            if (view.PendingValid)
                state.SkipWithError("the paint did not finish");
        }
        const QByteArray keep = qgetenv("ZEMO_PAINT_MAP_DIR");
        if (!keep.isEmpty())
            win.image.save(QDir(QString::fromLocal8Bit(keep)).filePath(QStringLiteral("forest-zoom-%1x.png").arg(int(zoom))));
        UnregisterMapView(&view);
    }
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}
BENCHMARK(PaintForest)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
