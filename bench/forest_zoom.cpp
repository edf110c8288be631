// The document window's paint of a forest map at the editing zooms 2X, 4X and 8X: 5,000 objects
// drawn with the shipped orienteering symbol set at its own line widths, contours,
// watercourses and roads with round joins and caps, vegetation and marsh areas with hatch lines
// and structures (boulder fields, stony ground, scattered trees, orchards, cultivated land),
// over 280 x 180 mm of paper, painted offscreen into a 1757 x 918 window at the map's centre.
// ZEMO_PAINT_MAP_DIR=<folder> keeps the pictures there, to compare two builds pixel by pixel.
#include "BenchMap.h"
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

#include <cmath>
#include <random>
#include <string>

using namespace zemo;
using bench::AtMm;

namespace {

constexpr int WindowWidth = 1757, WindowHeight = 918;
constexpr double PaperWidthMm = 280, PaperHeightMm = 180;
constexpr int ObjectCount = 5000;

// Symbols by number x 10, each with its share of the objects in per mille.
struct Share {
    int16_t symbol;
    uint8_t type;
    int perMille;
};
constexpr Share Shares[] = {
    // Round joins and caps: contours, index contours, watercourses, roads.
    {1010, LineObject, 200}, {1020, LineObject, 40}, {3040, LineObject, 20}, {3050, LineObject, 30},
    {5030, LineObject, 20},
    // Dashed lines: form lines and small paths.
    {1030, LineObject, 30}, {5060, LineObject, 30},
    // Hatched areas: undergrowth, marsh, impassable.
    {4070, AreaObject, 50}, {4090, AreaObject, 50}, {3080, AreaObject, 20}, {3090, AreaObject, 40},
    {5290, AreaObject, 10},
    // Structures: boulder fields, stony ground, indistinct marsh, scattered trees, orchards, fields.
    {2080, AreaObject, 30}, {2100, AreaObject, 30}, {3110, AreaObject, 30}, {4020, AreaObject, 40},
    {4120, AreaObject, 20}, {4150, AreaObject, 20},
    // Plain fills: open land, green.
    {4030, AreaObject, 40}, {4060, AreaObject, 50}, {4080, AreaObject, 40}, {4100, AreaObject, 20},
    // Points: knolls, depressions, boulders, trees.
    {1090, PointObject, 60}, {1110, PointObject, 30}, {2060, PointObject, 30}, {4180, PointObject, 20},
};

bench::BenchObject ObjectOf(std::mt19937& rng, const Share& share)
{
    std::uniform_real_distribution<double> ux(-PaperWidthMm / 2, PaperWidthMm / 2),
        uy(-PaperHeightMm / 2, PaperHeightMm / 2), unit(0, 1);
    double x = ux(rng), y = uy(rng);
    bench::BenchObject o;
    o.symbol = share.symbol;
    o.type = share.type;
    if (share.type == LineObject) {
        // Wandering in steps of 0.3 to 1.2 mm, a corner at every step.
        double heading = unit(rng) * 6.2832;
        for (int k = 0, n = 20 + int(unit(rng) * 80); k < n; ++k) {
            o.cords.push_back(AtMm(x, y));
            heading += (unit(rng) - 0.5) * 0.9;
            const double step = 0.3 + unit(rng) * 0.9;
            x += step * std::cos(heading);
            y += step * std::sin(heading);
        }
    } else if (share.type == AreaObject) {
        const int n = 20 + int(unit(rng) * 40);
        const double r = 2 + unit(rng) * 6;
        for (int k = 0; k < n; ++k) {
            const double a = k * 6.2832 / n;
            const double rr = r * (0.7 + 0.3 * unit(rng));
            o.cords.push_back(AtMm(x + rr * std::cos(a), y + rr * std::sin(a)));
        }
        o.cords.push_back(o.cords.front());
    } else {
        o.cords.push_back(AtMm(x, y));
    }
    return o;
}

// The orienteering set's colours and symbols and the objects.
const std::string& ForestMap()
{
    static const std::string path = [] {
        bench::BenchMap map = bench::OrienteeringSymbols();
        if (map.symbols.empty())
            return std::string();
        map.objectCount = ObjectCount;
        auto rng = std::make_shared<std::mt19937>(45);
        map.object = [rng](int) {
            int pick = int((*rng)() % 1000);
            for (const Share& share : Shares) {
                if (pick < share.perMille)
                    return ObjectOf(*rng, share);
                pick -= share.perMille;
            }
            return ObjectOf(*rng, Shares[0]);
        };
        return bench::WriteBenchMap("forest_zoom", map);
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
