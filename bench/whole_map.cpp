// The whole-map commands on a generated map of 100,000 objects over 400 x 400 mm (points,
// four-point curves and areas of five corners): move, rotate and change scale, in objects per
// second; and grid lines every millimetre over a 400 x 400 mm map.
#include "BenchMap.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/ChangeSym.h"
#include "edit/GridLine.h"
#include "edit/MapTrans.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <memory>

using namespace zemo;

namespace {

constexpr int ObjectCount = 100000;
constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30;

bench::BenchMap Symbols()
{
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}});
    SymbolBytes p = bench::BenchSymbolHead(PointSymbolFixedBytes, PointSym, PointObject, 50, 0);
    SetSymU8(p, SymFlags, SymRotatableFlag);
    map.symbols.push_back(p);
    SymbolBytes l = bench::BenchSymbolHead(LineSymbolFixedBytes, LineSym, LineObject, 10, 0);
    SetSymI16(l, LsLineWidth, 18);
    map.symbols.push_back(l);
    SymbolBytes a = bench::BenchSymbolHead(AreaSymbolFixedBytes, AreaSym, AreaObject, 0, 0);
    SetSymI16(a, AreaFillOn, -1);
    map.symbols.push_back(a);
    return map;
}

// Object i on a 400 x 250 grid of 1.6 mm cells, in turn a point, a curve and an area.
bench::BenchObject Object(int i)
{
    return bench::MixedGridObject(i, PointSym, LineSym, AreaSym);
}

// The map open as the current one, with an undo ring as a window gives it.
class OpenMap {
public:
    OpenMap(const std::string& stem, int objects, std::function<bench::BenchObject(int)> object)
    {
        bench::BenchMap map = Symbols();
        map.objectCount = objects;
        map.object = std::move(object);
        ResetIndexState();
        zmd_.WorkFile.Open(QString::fromStdString(bench::WriteBenchMap(stem, map)));
        SetCurrentMap(&zmd_);
        LoadMap();
        Index.MapOpen = true;
        SetActiveUndoRing(&ring_);
    }
    ~OpenMap()
    {
        SetActiveUndoRing(nullptr);
        SetCurrentMap(nullptr);
    }
    OpenMap(const OpenMap&) = delete;
    OpenMap& operator=(const OpenMap&) = delete;
    TZmd& Map() { return zmd_; }

private:
    TZmd zmd_;
    UndoRing ring_;
};

// Runs a whole-map change per iteration, `there` and `back` taking turns so that the map
// stays in its place.
void RunPass(benchmark::State& state, const std::string& stem, const std::function<void(bool)>& change)
{
    RecordingMessages messages;
    OpenMap open(stem, ObjectCount, Object);
    bool there = true;
    for (auto _ : state) {
        change(there);
        there = !there;
    }
    if (messages.Count() > 0)
        state.SkipWithError("a message was shown");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}

void BM_MoveMap(benchmark::State& state)
{
    RunPass(state, "whole_map_move", [](bool there) { MoveMapBy({there ? 1.5 : -1.5, there ? -2.0 : 2.0}); });
}
BENCHMARK(BM_MoveMap)->Unit(benchmark::kMillisecond);

void BM_RotateMap(benchmark::State& state)
{
    RunPass(state, "whole_map_rotate", [](bool there) { RotateMapBy({there ? 30.0 : -30.0, false}); });
}
BENCHMARK(BM_RotateMap)->Unit(benchmark::kMillisecond);

void BM_ChangeScale(benchmark::State& state)
{
    RunPass(state, "whole_map_scale",
            [](bool there) { ChangeScaleTo({there ? 10000.0 : 15000.0, false}); });
}
BENCHMARK(BM_ChangeScale)->Unit(benchmark::kMillisecond);

// Grid lines every millimetre over four corner points 400 mm apart; each run's lines are taken
// back (untimed) so that every run starts on the same map.
void BM_GridLines(benchmark::State& state)
{
    RecordingMessages messages;
    OpenMap open("whole_map_grid", 4, [](int i) {
        return bench::BenchObject{PointSym, PointObject, {bench::AtMm(i % 2 ? 200 : -200, i / 2 ? 200 : -200)}};
    });
    SetCurrentSymbolPos(1);
    int64_t lines = 0;
    for (auto _ : state) {
        lines += CreateGridLinesWith({1, 1, 0, 0.5, 0.5, true, true});
        state.PauseTiming();
        UndoEdit();
        state.ResumeTiming();
    }
    if (messages.Count() > 0)
        state.SkipWithError("a message was shown");
    state.SetItemsProcessed(lines);
    state.counters["lines"] = double(lines) / double(state.iterations());
}
BENCHMARK(BM_GridLines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
