// The object functions at size: ConvertToCurve of a 30,000-point freehand line at each
// smoothing, and Copy and Paste of 10,000 selected line objects (the clipboard blocks, the
// symbol elements and the SVG picture, then the checked paste with its one undo list).
#include "BenchMap.h"
#include "core/Config.h"
#include "core/Numeric.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/ObjClip.h"
#include "edit/ToCurve.h"
#include "render/GraphSys.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace zemo;

namespace {

constexpr int FreehandPoints = 30000;
constexpr int CopiedObjects = 10000;

// A hand-drawn line: a slow meander with the tremor of a hand, a point every 0.1 mm or so.
std::vector<Cord> FreehandLine()
{
    std::mt19937 rng(7);
    std::normal_distribution<double> tremor(0, 0.02 * bench::Mm);
    std::vector<Cord> line;
    double x = 0, y = 0, heading = 0;
    for (int i = 0; i < FreehandPoints; ++i) {
        heading += 0.02 * std::sin(i / 400.0);
        x += 0.1 * bench::Mm * std::cos(heading);
        y += 0.1 * bench::Mm * std::sin(heading);
        line.push_back({Masked(int32_t(x + tremor(rng))), Masked(int32_t(y + tremor(rng)))});
    }
    return line;
}

void BM_ConvertToCurve(benchmark::State& state)
{
    static const std::vector<Cord> line = FreehandLine();
    ResetIndexState();
    ProgramConfig.Smoothing = int(state.range(0));
    int64_t cords = 0;
    for (auto _ : state) {
        InitElement(CurElement, 10, LineObject, uint16_t(line.size()), 0, 0);
        std::copy(line.begin(), line.end(), CurElement.Cords());
        if (ConvertToCurve() != ConvertResult::Converted)
            state.SkipWithError("not converted");
        cords = CurElement.nItem;
    }
    state.SetItemsProcessed(state.iterations() * FreehandPoints);
    state.counters["cords"] = double(cords);
}
BENCHMARK(BM_ConvertToCurve)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// 10,000 short lines of one 0.35 mm symbol, all selected.
std::unique_ptr<TZmd> OpenCopyMap()
{
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}});
    SymbolBytes line = bench::BenchSymbolHead(424, 10, LineObject, 18, 0);
    SetSymI16(line, 348, 0);
    SetSymI16(line, 350, 35);
    map.symbols.push_back(line);
    map.objectCount = CopiedObjects;
    map.object = [](int o) {
        const double x = (o % 100) * 2.0, y = (o / 100) * 2.0;
        return bench::BenchObject{10, LineObject,
                                  {bench::AtMm(x, y), bench::AtMm(x + 1, y + 0.5), bench::AtMm(x + 1.5, y + 1.5),
                                   bench::AtMm(x + 0.5, y + 1.8)}};
    };
    static const std::string path = bench::WriteBenchMap("copy", map);
    auto z = std::make_unique<TZmd>();
    z->WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(z.get());
    LoadMap();
    Index.MapOpen = true;
    for (int n = 1; n <= CopiedObjects; ++n)
        if (GetIndex(n))
            ToggleSelection(n);
    return z;
}

void BM_CopyObjects(benchmark::State& state)
{
    ResetIndexState();
    ResetGraphSysState();
    const std::unique_ptr<TZmd> z = OpenCopyMap();
    for (auto _ : state)
        if (!CopyObjects())
            state.SkipWithError("nothing copied");
    state.SetItemsProcessed(state.iterations() * CopiedObjects);
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_CopyObjects)->Unit(benchmark::kMillisecond);

// Each paste adds 10,000 objects to the working file (a copy of the map, grown by the run).
void BM_PasteObjects(benchmark::State& state)
{
    ResetIndexState();
    ResetGraphSysState();
    const std::unique_ptr<TZmd> z = OpenCopyMap();
    CopyObjects();
    UndoRing ring;
    SetActiveUndoRing(&ring);
    for (auto _ : state) {
        const int before = z->HighestObject;
        PasteObjects();
        if (z->HighestObject != before + CopiedObjects)
            state.SkipWithError("not pasted");
    }
    state.SetItemsProcessed(state.iterations() * CopiedObjects);
    SetActiveUndoRing(nullptr);
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_PasteObjects)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RecordingMessages quiet;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
