// Symbol > Enlarge over every symbol of a generated map of 100,000 objects (points of a circle
// symbol, curves of a dashed line symbol with a main symbol, areas of a hatched symbol), the
// objects' index rectangles measured again included: in objects per second. Runs grow by 200 %
// and shrink by 50 % in turn, so that every run starts from the same symbols.
#include "BenchMap.h"

#include "core/ByteIO.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "symbols/EnlargeSym.h"

#include <benchmark/benchmark.h>

#include <QString>

using namespace zemo;

namespace {

constexpr int ObjectCount = 100000;
constexpr int16_t PointSym = 10, LineSym = 20, AreaSym = 30;

// A circle of 1 mm about the origin and a line through it, as an element list.
std::vector<uint8_t> Elements()
{
    std::vector<uint8_t> list(3 * 8 + 4 * 8, 0);
    StoreLE<uint16_t>(list.data() + ElemKind, ElementCircle);
    StoreLE<uint16_t>(list.data() + ElemWidth, 15);
    StoreLE<uint16_t>(list.data() + ElemDiameter, 100);
    StoreLE<int16_t>(list.data() + ElemCount, 1);
    uint8_t* line = list.data() + 24;
    StoreLE<uint16_t>(line + ElemKind, ElementLine);
    StoreLE<uint16_t>(line + ElemWidth, 20);
    StoreLE<int16_t>(line + ElemCount, 2);
    StoreLE<int32_t>(line + ElemCords, -60 * UnitsPerHundredthMm);
    StoreLE<int32_t>(line + ElemCords + 8, 60 * UnitsPerHundredthMm | CornerFlag);
    return list;
}

bench::BenchMap Symbols()
{
    const std::vector<uint8_t> list = Elements();
    const int16_t slots = int16_t(list.size() / 8);
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}, {0, 100, 200, 0}});
    SymbolBytes p =
        bench::BenchSymbolHead(PointSymbolFixedBytes + list.size(), PointSym, PointObject, 60, 0);
    SetSymI16(p, PointSymbolSlotsOffset, slots);
    std::copy(list.begin(), list.end(), p.begin() + PointSymbolFixedBytes);
    map.symbols.push_back(p);
    SymbolBytes l =
        bench::BenchSymbolHead(LineSymbolFixedBytes + list.size(), LineSym, LineObject, 60, 1);
    SetSymI16(l, LsLineWidth, 18);
    SetSymI16(l, LsMainLength, 400);
    SetSymI16(l, LsMainGap, 50);
    SetSymI16(l, LsNPrimSym, 1);
    SetSymI16(l, LsMainSymCount, slots);
    std::copy(list.begin(), list.end(), l.begin() + LineSymbolFixedBytes);
    map.symbols.push_back(l);
    SymbolBytes a = bench::BenchSymbolHead(AreaSymbolFixedBytes, AreaSym, AreaObject, 0, 1);
    SetSymI16(a, AreaFillOn, -1);
    SetSymI16(a, AreaHatchMode, 1);
    SetSymI16(a, AreaHatchLineWidth, 10);
    SetSymI16(a, AreaHatchDist, 50);
    map.symbols.push_back(a);
    return map;
}

// Object i on a 400 x 250 grid of 1.6 mm cells, in turn a point, a curve and an area.
bench::BenchObject Object(int i)
{
    return bench::MixedGridObject(i, PointSym, LineSym, AreaSym);
}

void BM_EnlargeAllSymbols(benchmark::State& state)
{
    RecordingMessages messages;
    bench::BenchMap map = Symbols();
    map.objectCount = ObjectCount;
    map.object = Object;
    ResetIndexState();
    TZmd zmd;
    zmd.WorkFile.Open(QString::fromStdString(bench::WriteBenchMap("enlarge_symbols", map)));
    SetCurrentMap(&zmd);
    LoadMap();
    Index.MapOpen = true;
    bool grow = true;
    for (auto _ : state) {
        if (EnlargeSymbolsBy({grow ? 200.0 : 50.0, true}) != 3)
            state.SkipWithError("not every symbol was scaled");
        grow = !grow;
    }
    if (messages.Count() > 0)
        state.SkipWithError("a message was shown");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_EnlargeAllSymbols)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
