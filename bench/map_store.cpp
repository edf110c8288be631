// The object store on a generated map of 1,000,000 point objects (a 1000 x 1000 grid, 1 mm
// apart): loading the index and scanning by rectangle, against a plain sequential read of the
// same file in the same run.
#include "core/ByteIO.h"
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

std::string MapPath()
{
    return std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/zemo_bench_map_"
        + std::to_string(::getpid()) + ".zmd";
}

// Builds the file field by field: header, colour block, setup, one point symbol, then each
// object index block followed by its 256 records.
const std::string& GeneratedMap()
{
    static const std::string path = [] {
        const std::string p = MapPath();
        std::vector<uint8_t> b;
        ByteWriter w(b);
        w.AddZeros(VariablePartPos);
        w.PutI16(48, 1);  // one colour
        const auto setup = WriteSetupBytes(DefaultSetupRecord());
        w.AddBytes(setup);
        const int32_t symbolBlock = int32_t(b.size());
        w.AddI32(0);
        w.AddI32(symbolBlock + SymbolIndexBlockBytes);
        w.AddZeros(255 * 4);
        // A point symbol of one dot of colour 0.
        SymbolBytes sym(376, 0);
        SetSymI16(sym, SymSize, 376);
        SetSymI16(sym, SymNumber, 10);
        SetSymI16(sym, SymObjectType, 1);
        SetSymI16(sym, 348, 3);
        SetSymI16(sym, 352, 4);
        SetSymI16(sym, 360, 50);
        SetSymI16(sym, 362, 1);
        w.AddBytes(sym);
        const int32_t firstBlock = int32_t(b.size());
        for (int k = 0; k < ObjectCount; k += 256) {
            const size_t block = b.size();
            const int n = std::min(256, ObjectCount - k);
            const size_t records = block + ObjectIndexBlockBytes;
            const size_t next = records + size_t(n) * 40;
            w.AddI32(k + 256 < ObjectCount ? int32_t(next) : 0);
            for (int i = 0; i < 256; ++i) {
                ObjectIndexEntry e;
                if (i < n) {
                    const int o = k + i;
                    const int32_t x = (o % 1000 - 500) * Mm, y = (o / 1000 - 500) * Mm;
                    e = {{x, y, x, y}, int32_t(records + size_t(i) * 40), 1, 10};
                }
                w.AddBytes(WriteObjectIndexEntry(e));
            }
            for (int i = 0; i < n; ++i) {
                const int o = k + i;
                w.AddI16(10);
                w.AddU8(1);
                w.AddU8(0);
                w.AddU16(1);
                w.AddZeros(26);
                w.AddI32((o % 1000 - 500) * Mm);
                w.AddI32((o / 1000 - 500) * Mm);
            }
        }
        MapFileHeader h;
        h.SymbolIndexPos = symbolBlock;
        h.ObjectIndexPos = firstBlock;
        h.SetupPos = VariablePartPos;
        h.SetupSize = int32_t(SetupRecordBytes);
        w.PutBytes(0, WriteMapHeaderBytes(h));
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        std::atexit([] { std::remove(MapPath().c_str()); });
        return p;
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
