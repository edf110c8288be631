// The object store on a generated map of 1,000,000 point objects (a 1000 x 1000 grid, 1 mm
// apart): loading the index and scanning by rectangle, against a plain sequential read of the
// same file in the same run.
#include "BenchMap.h"
#include "core/Setup.h"
#include "document/Index.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zemo;

namespace {

constexpr int ObjectCount = 1000000;
constexpr int32_t Mm = 25600;

// Header, colour block, setup, one point symbol (a dot of colour 0), then each object index
// block followed by its 256 records.
const std::string& GeneratedMap()
{
    static const std::string path = [] {
        bench::BenchMap map;
        map.colours = bench::BenchColours({{0, 0, 0, 200}});
        SymbolBytes sym = bench::BenchSymbolHead(376, 10, PointObject, 0, 0);
        SetSymI16(sym, 348, 3);
        SetSymI16(sym, 352, 4);
        SetSymI16(sym, 360, 50);
        SetSymI16(sym, 362, 1);
        map.symbols.push_back(sym);
        map.objectCount = ObjectCount;
        map.object = [](int o) {
            const int32_t x = (o % 1000 - 500) * Mm, y = (o / 1000 - 500) * Mm;
            return bench::BenchObject{10, PointObject, {{x, y}}};
        };
        return bench::WriteBenchMap("map", map);
    }();
    return path;
}

int64_t FileSizeOf(const std::string& p)
{
    std::ifstream f(p, std::ios::binary | std::ios::ate);
    return int64_t(f.tellg());
}

void BM_SequentialRead(benchmark::State& state)
{
    const std::string& p = GeneratedMap();
    std::vector<char> buf(1 << 16);
    for (auto _ : state) {
        const int fd = ::open(p.c_str(), O_RDONLY);
        int64_t sum = 0;
        for (ssize_t r; (r = ::read(fd, buf.data(), buf.size())) > 0;)
            sum += r;
        ::close(fd);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * FileSizeOf(p));
}
BENCHMARK(BM_SequentialRead)->Unit(benchmark::kMillisecond);

void BM_LoadIndex(benchmark::State& state)
{
    const std::string& p = GeneratedMap();
    ResetIndexState();
    for (auto _ : state) {
        TZmd z;
        z.WorkFile.Open(QString::fromStdString(p));
        SetCurrentMap(&z);
        LoadMap();
        if (z.HighestObject != ObjectCount)
            state.SkipWithError("wrong object count");
        SetCurrentMap(nullptr);
    }
    state.SetBytesProcessed(state.iterations() * FileSizeOf(p));
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}
BENCHMARK(BM_LoadIndex)->Unit(benchmark::kMillisecond);

// A scan over a square of side state.range(0) mm in the middle of the map, with reading each
// found object as a paint does.
void BM_RectScan(benchmark::State& state)
{
    const std::string& p = GeneratedMap();
    ResetIndexState();
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(p));
    SetCurrentMap(&z);
    LoadMap();
    const int32_t half = int32_t(state.range(0)) * Mm / 2;
    const CordRect r{-half, -half, half, half};
    int64_t found = 0;
    for (auto _ : state) {
        StartElementScan(0);
        while (NextElementInRect(r, 0)) {
            ReadElement(Index.CurIndexNo, Index.DrawElement);
            ++found;
        }
    }
    state.SetItemsProcessed(found);
    state.counters["objects"] = double(found) / double(state.iterations());
    SetCurrentMap(nullptr);
}
BENCHMARK(BM_RectScan)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
