// Outline union and merging at size: UniteAreas of two overlapping areas of 10,000 points each
// (wavy circles, so that their outlines cross many times), and Edit > Merge of 2,000 line
// pieces of one chain, selected in a shuffled order.
#include "BenchMap.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "edit/Merge.h"
#include "render/PolyClip.h"

#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

using namespace zemo;

namespace {

constexpr int AreaPoints = 10000;
constexpr int LinePieces = 2000;

// A circle of 50 mm radius whose edge waves 1 mm in and out 60 times round; the two areas
// differ in the waves' phase, so that their outlines cross 120 times.
std::vector<Cord> WavyCircle(double phase)
{
    std::vector<Cord> ring;
    for (int k = 0; k < AreaPoints; ++k) {
        const double a = 2 * std::numbers::pi * k / AreaPoints;
        const double r = 50 + std::sin(60 * a + phase);
        ring.push_back(bench::AtMm(r * std::cos(a), r * std::sin(a)));
    }
    return ring;
}

void BM_UniteAreas(benchmark::State& state)
{
    const std::vector<Cord> a = WavyCircle(0), b = WavyCircle(std::numbers::pi / 2);
    int points = 0;
    for (auto _ : state) {
        const bool ok = UniteAreas(a.data(), b.data(), AreaPoints, [&points](const Cord*, int n) { points = n; },
                                   AreaPoints);
        if (!ok)
            state.SkipWithError("the union failed");
    }
    state.SetItemsProcessed(state.iterations() * 2 * AreaPoints);
    state.counters["points"] = double(points);
    state.counters["crossings"] = double(PolyClip.CrossingTable.size());
}
BENCHMARK(BM_UniteAreas)->Unit(benchmark::kMillisecond);

// A wave of 2,000 pieces of about 1 mm along x, stored in a shuffled order.
std::string ChainMap()
{
    std::vector<Cord> path;
    for (int k = 0; k <= LinePieces; ++k)
        path.push_back(bench::AtMm(k, 5 * std::sin(k / 10.0)));
    std::vector<int> order(LinePieces);
    for (int k = 0; k < LinePieces; ++k)
        order[size_t(k)] = k;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    bench::BenchMap map;
    map.colours = bench::BenchColours({{0, 0, 0, 200}});
    SymbolBytes line = bench::BenchSymbolHead(424, 10, LineObject, 18, 0);
    SetSymI16(line, 348, 0);
    SetSymI16(line, 350, 35);
    map.symbols.push_back(line);
    map.objectCount = LinePieces;
    map.object = [path, order](int o) {
        const int k = order[size_t(o)];
        return bench::BenchObject{10, LineObject, {path[size_t(k)], path[size_t(k) + 1]}};
    };
    return bench::WriteBenchMap("chain", map);
}

void BM_MergeLines(benchmark::State& state)
{
    static const std::string original = ChainMap();
    const QString work = QString::fromStdString(original) + QStringLiteral(".work");
    ResetIndexState();
    int lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(work);
        QFile::copy(QString::fromStdString(original), work);
        auto z = std::make_unique<TZmd>();
        z->WorkFile.Open(work);
        SetCurrentMap(z.get());
        LoadMap();
        Index.MapOpen = true;
        for (int n = 1; n <= LinePieces; ++n)
            if (GetIndex(n))
                ToggleSelection(n);
        state.ResumeTiming();
        MergeObjects();
        state.PauseTiming();
        lines = CountObjects();
        SetCurrentMap(nullptr);
        Index.MapOpen = false;
        z.reset();
        state.ResumeTiming();
    }
    if (lines != 1)
        state.SkipWithError("the pieces did not become one line");
    state.SetItemsProcessed(state.iterations() * LinePieces);
}
BENCHMARK(BM_MergeLines)->Unit(benchmark::kMillisecond);

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
