// The document window's paint of big maps, painted offscreen into a 1757 x 918 window at the
// view a map opens with (zoom 4 at its centre) and with the entire map in view:
// - 100,000 objects on 400 x 300 mm of paper (lines of short segments, areas shown hatched,
//   point rings) with lines 0.1 mm wide (1 pixel at both views) and 0.35 mm wide;
// - the same objects drawn with the shipped orienteering symbol set's own symbols (contours,
//   small paths, open land, green, water, knolls) at their stored widths, areas filled;
// - the whole open of 1,000,000 such objects with 0.35 mm lines: the working copy, the index
//   load and the first paint, through the program's own open.
// ZEMO_PAINT_MAP_DIR=<folder> keeps the pictures there, to compare two builds pixel by pixel.
// The window's own input check runs after every object, as in the program.
#include "BenchMap.h"
#include "InputCheck.h"
#include "core/Config.h"
#include "core/Element.h"
#include "core/Setup.h"
#include "document/Index.h"
#include "document/NewMap.h"
#include "document/Open.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "symbols/store/SymbolRecords.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace zemo;
using bench::AtMm;

namespace {

constexpr int WindowWidth = 1757, WindowHeight = 918;
constexpr double MapWidthMm = 400, MapHeightMm = 300;

// The six kinds of object by symbol number (x 10): contour, path, three areas, point.
using Kinds = std::array<int16_t, 6>;
constexpr Kinds GeneratedKinds{1010, 5060, 4010, 4060, 3010, 5010};
// The orienteering set's contour, small path, open land, slow running green, water and small knoll.
constexpr Kinds OrienteeringKinds{1010, 5060, 4010, 4060, 3010, 1090};

// Black, blue, brown, green, yellow; 0 brown contour, 1 black path, 2 yellow, 3 green, 4 blue
// areas, 5 a black ring 0.8 mm across.
bench::BenchMap GeneratedSymbols(int lineWidth)
{
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}, {200, 0, 0, 0}, {0, 112, 200, 36}, {152, 0, 182, 0}, {0, 54, 200, 0}});
    map.setup.HatchView = true;
    for (auto [number, color] : {std::pair{1010, 2}, std::pair{5060, 0}}) {
        SymbolBytes l = bench::BenchSymbolHead(424, number, LineObject, lineWidth / 2 + 5, color);
        SetSymI16(l, LsLineColor, int16_t(color));
        SetSymI16(l, LsLineWidth, int16_t(lineWidth));
        map.symbols.push_back(l);
    }
    for (auto [number, color] : {std::pair{4010, 4}, std::pair{4060, 3}, std::pair{3010, 1}}) {
        SymbolBytes a = bench::BenchSymbolHead(AreaSymbolFixedBytes, number, AreaObject, 0, color);
        SetSymI16(a, AreaFillOn, -1);
        SetSymI16(a, AreaFillColor, int16_t(color));
        map.symbols.push_back(a);
    }
    SymbolBytes p = bench::BenchSymbolHead(PointSymbolFixedBytes + 24, 5010, PointObject, 46, 0);
    SetSymI16(p, PointSymbolSlotsOffset, 3);
    const size_t e = PointSymbolFixedBytes;
    SetSymI16(p, e + 0, ElementCircle);
    SetSymI16(p, e + 4, 0);     // colour
    SetSymI16(p, e + 6, 12);    // width
    SetSymI16(p, e + 8, 80);    // diameter
    SetSymI16(p, e + 10, 1);    // one Cord, the centre
    map.symbols.push_back(p);
    return map;
}

// 40 % lines wandering in steps of 0.1 to 0.3 mm (1 to 4 pixels at zoom 4), 35 % areas 1 to 2 mm
// across their centre, 25 % points, spread evenly over the paper around the map origin; object
// i of a sequence made in order.
std::function<bench::BenchObject(int)> Objects(const Kinds& kinds)
{
    auto rng = std::make_shared<std::mt19937>(2024);
    return [rng, kinds](int i) {
        std::uniform_real_distribution<double> ux(-MapWidthMm / 2, MapWidthMm / 2), uy(-MapHeightMm / 2, MapHeightMm / 2),
            unit(0, 1);
        const int kind = i % 20;
        double x = ux(*rng), y = uy(*rng);
        bench::BenchObject o;
        if (kind < 8) {
            o.symbol = kinds[kind < 5 ? 0 : 1];
            o.type = LineObject;
            double heading = unit(*rng) * 6.2832;
            for (int k = 0, n = 20 + int(unit(*rng) * 30); k < n; ++k) {
                o.cords.push_back(AtMm(x, y));
                heading += (unit(*rng) - 0.5) * 0.6;
                const double step = 0.1 + unit(*rng) * 0.2;
                x += step * std::cos(heading);
                y += step * std::sin(heading);
            }
        } else if (kind < 15) {
            o.symbol = kinds[size_t(2 + kind % 3)];
            o.type = AreaObject;
            const int n = 16 + int(unit(*rng) * 24);
            const double r = 1 + unit(*rng);
            for (int k = 0; k < n; ++k) {
                const double a = k * 6.2832 / n;
                const double rr = r * (0.75 + 0.25 * unit(*rng));
                o.cords.push_back(AtMm(x + rr * std::cos(a), y + rr * std::sin(a)));
            }
            o.cords.push_back(o.cords.front());
        } else {
            o.symbol = kinds[5];
            o.type = PointObject;
            o.cords.push_back(AtMm(x, y));
        }
        return o;
    };
}

std::string GeneratedMap(int lineWidth, int count)
{
    bench::BenchMap map = GeneratedSymbols(lineWidth);
    map.objectCount = count;
    map.object = Objects(GeneratedKinds);
    return bench::WriteBenchMap("paint_map_" + std::to_string(lineWidth) + "_" + std::to_string(count), map);
}

const std::string& ThinLineMap()
{
    static const std::string path = GeneratedMap(10, 100000);
    return path;
}

const std::string& WideLineMap()
{
    static const std::string path = GeneratedMap(35, 100000);
    return path;
}

const std::string& MillionObjectMap()
{
    static const std::string path = GeneratedMap(35, 1000000);
    return path;
}

const std::string& OrienteeringMap()
{
    static const std::string path = [] {
        bench::BenchMap map = bench::OrienteeringSymbols();
        map.objectCount = map.symbols.empty() ? 0 : 100000;
        map.object = Objects(OrienteeringKinds);
        return bench::WriteBenchMap("paint_map_orienteering", map);
    }();
    return path;
}

// The current map painted into a window of the benchmark's size at the zoom, centred on the map
// origin; the picture kept when asked.
struct Window {
    ImageMapWindow win{WindowWidth, WindowHeight};
    MapView view;

    explicit Window(double zoom)
    {
        ProgramConfig.ScreenGrid = false;
        Index.ActiveZmd->Setup.Zoom = zoom;
        Index.ActiveZmd->Setup.ViewCenterX = 0;
        Index.ActiveZmd->Setup.ViewCenterY = 0;
        InitMapView(view, &win);
        view.MapShown = true;
        FormResize(view, WindowWidth, WindowHeight);
        Work.ActiveView = &view;
    }
    ~Window() { UnregisterMapView(&view); }

    // False when the paint stopped early.
    bool Paint()
    {
        view.PendingValid = false;
        WorkWinWmPaint(view, {0, 0, WindowWidth, WindowHeight});
        return !view.PendingValid;
    }
    void Keep(const char* picture) const
    {
        const QByteArray keep = qgetenv("ZEMO_PAINT_MAP_DIR");
        if (!keep.isEmpty())
            win.image.save(QDir(QString::fromLocal8Bit(keep)).filePath(QString::fromLatin1(picture)));
    }
};

// Zoom 4 at the centre is the view a map opens with; the entire map needs the zoom at which
// its paper nearly fills the window (1 pixel is 0.32 mm / zoom).
constexpr double OpeningZoom = 4.0;
const double EntireMapZoom = std::min(WindowWidth / MapWidthMm, WindowHeight / MapHeightMm) * 0.32 * 0.95;

void PaintMap(benchmark::State& state, const std::string& path, double zoom, const char* picture)
{
    ResetIndexState();
    ResetWorkUnit();
    InitGraphSys();
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    if (z.HighestObject == 0)
        state.SkipWithError("the map has no objects");
    {
        Window w(zoom);
        for (auto _ : state)
            if (!w.Paint())
                state.SkipWithError("the paint did not finish");
        w.Keep(picture);
    }
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}

void BM_PaintMapDefaultView(benchmark::State& state) { PaintMap(state, ThinLineMap(), OpeningZoom, "default-view.png"); }
BENCHMARK(BM_PaintMapDefaultView)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintMapEntireMap(benchmark::State& state) { PaintMap(state, ThinLineMap(), EntireMapZoom, "entire-map.png"); }
BENCHMARK(BM_PaintMapEntireMap)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintWideLinesDefaultView(benchmark::State& state)
{
    PaintMap(state, WideLineMap(), OpeningZoom, "wide-default-view.png");
}
BENCHMARK(BM_PaintWideLinesDefaultView)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintWideLinesEntireMap(benchmark::State& state)
{
    PaintMap(state, WideLineMap(), EntireMapZoom, "wide-entire-map.png");
}
BENCHMARK(BM_PaintWideLinesEntireMap)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintOrienteeringDefaultView(benchmark::State& state)
{
    PaintMap(state, OrienteeringMap(), OpeningZoom, "orienteering-default-view.png");
}
BENCHMARK(BM_PaintOrienteeringDefaultView)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintOrienteeringEntireMap(benchmark::State& state)
{
    PaintMap(state, OrienteeringMap(), EntireMapZoom, "orienteering-entire-map.png");
}
BENCHMARK(BM_PaintOrienteeringEntireMap)->Unit(benchmark::kMillisecond)->Iterations(3);

// Open (working copy and index) and first paint of a million objects, as File > Open does it;
// the map is closed again, its working copy deleted, outside the timing.
void BM_OpenAndFirstPaintMillion(benchmark::State& state)
{
    const QString path = QString::fromStdString(MillionObjectMap());
    ResetIndexState();
    ResetWorkUnit();
    ResetOpenUnit();
    InitGraphSys();
    ProgramConfig.AutoSave = false;
    for (auto _ : state) {
        if (!OpenMapFile(path, path, true, false)) {
            state.SkipWithError("the map did not open");
            break;
        }
        Index.MapOpen = true;
        {
            Window w(OpeningZoom);
            if (!w.Paint())
                state.SkipWithError("the paint did not finish");
            state.PauseTiming();
            w.Keep("million-default-view.png");
        }
        CloseDocument(Index.ActiveZmd);
        Index.MapOpen = false;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndFirstPaintMillion)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Working copies go to a state folder of the run's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QApplication app(argc, argv);
    bench::BindWindowInputCheck();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
