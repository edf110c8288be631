// The drawing tools: thinning the longest freehand line an object can hold at each smoothing
// strength, building a circle's outline, and a freehand line recorded move by move through the
// document window's input with its XOR feedback, then thinned and stored.
#include "BenchMap.h"

#include "core/Config.h"
#include "document/Index.h"
#include "edit/DrCircle.h"
#include "edit/DrCurve.h"
#include "edit/DrFree.h"
#include "edit/EditSys.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "render/Scale.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace zemo;

namespace {

// A hand-drawn wobble round a circle 200 mm across: a point every 0.02 mm of arc, each off
// the circle by up to 0.05 mm.
std::vector<Cord> RecordedPath(int n)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> wobble(-0.05, 0.05);
    std::vector<Cord> p;
    for (int k = 0; k < n; ++k) {
        const double a = 2 * std::numbers::pi * k / n;
        const double r = 100 + wobble(rng);
        p.push_back(bench::AtMm(r * std::cos(a), r * std::sin(a)));
    }
    return p;
}

void BM_SmoothFreehandLine(benchmark::State& state)
{
    const int strength = int(state.range(0));
    static const std::vector<Cord> path = RecordedPath(MaxElementItems - 4);
    size_t kept = 0;
    for (auto _ : state) {
        std::copy(path.begin(), path.end(), CurElement.Cords());
        CurElement.nItem = uint16_t(path.size());
        CurElement.nText = 0;
        kept = size_t(SmoothFreehandLine(0, int(path.size()) - 1, strength) + 1);
        benchmark::ClobberMemory();
    }
    state.counters["kept"] = double(kept);
    state.SetItemsProcessed(state.iterations() * int64_t(path.size()));
}
BENCHMARK(BM_SmoothFreehandLine)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_BuildOutline(benchmark::State& state)
{
    double angle = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildOutline({1000 * 256, 0}, 256000, 102400, angle, true));
        angle += 0.001;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildOutline);

// A map with one line symbol, shown in a 1000 x 800 window image.
const std::string& LineMap()
{
    static const std::string path = [] {
        bench::BenchMap map;
        map.colours = bench::BenchColours({{0, 0, 0, 200}});
        SymbolBytes l = bench::BenchSymbolHead(424, 1010, LineObject, 10, 0);
        SetSymI16(l, LsLineColor, 0);
        SetSymI16(l, LsLineWidth, 10);
        map.symbols.push_back(l);
        return bench::WriteBenchMap("drawing_tools", map);
    }();
    return path;
}

// One freehand line per iteration: a click, `moves` pointer moves along a wobbling circle
// (each recorded as a point with its segment and band drawn in XOR), a click to end; the
// line is thinned at the default strength and stored.
void BM_RecordFreehandLine(benchmark::State& state)
{
    const int moves = int(state.range(0));
    ResetIndexState();
    ResetWorkUnit();
    InitGraphSys();
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(LineMap()));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    ProgramConfig.ScreenGrid = false;
    ProgramConfig.AutoJoin = false;
    ProgramConfig.AutoScroll = false;
    z.Setup.Zoom = 4;
    z.Setup.CurrentSymbolIndex = 0;
    ImageMapWindow win(1000, 800);
    MapView view;
    InitMapView(view, &win);
    view.MapShown = true;
    FormResize(view, 1000, 800);
    Work.ActiveView = &view;
    RegisterFreeTool();
    ProgramConfig.WorkMode = ProgramConfig.LineMode = WorkModes::Freehand;
    StartCurrentTool();
    std::vector<QPoint> path;
    for (int k = 0; k <= moves; ++k) {
        const double a = 2 * std::numbers::pi * k / moves;
        const double r = 300 + 3 * std::sin(37 * a);
        path.emplace_back(int(std::lround(500 + r * std::cos(a))), int(std::lround(400 + r * std::sin(a))));
    }
    for (auto _ : state) {
        WorkWinMouseDown(view, MouseBtn::Left, path[0], {});
        WorkWinMouseUp(view, MouseBtn::Left, path[0], {});
        for (size_t k = 1; k < path.size(); ++k)
            WorkWinMouseMove(view, path[k], {}, false);
        WorkWinMouseDown(view, MouseBtn::Left, path.back(), {});
        WorkWinMouseUp(view, MouseBtn::Left, path.back(), {});
        if (DrFree.FreeState != FreeIdle)
            state.SkipWithError("the line did not end");
    }
    state.counters["points"] = double(CurElement.nItem);
    state.SetItemsProcessed(state.iterations() * moves);
    EndCurrentTool();
    UnregisterMapView(&view);
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_RecordFreehandLine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
