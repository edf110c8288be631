// EMF: the import of a generated enhanced metafile of 100,000 polylines of 8 points (alternately
// 16-bit and 32-bit point records, a pen selected every 1000) into an empty map.
#include "BenchMap.h"
#include "document/Index.h"
#include "io/ImpEmf.h"

#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace zemo;
using namespace zemo::bench;

namespace {

constexpr int Polylines = 100000;
constexpr int PointsEach = 8;

void Put(QByteArray& b, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b += char((v >> (8 * k)) & 0xFF);
}

// A header of a 100 x 100 mm picture on a device of 1024 x 768 pixels over 320 x 240 mm, in
// map mode 8 with 10000 x 10000 logical units over 400 x 400 pixels.
QByteArray Drawing()
{
    QByteArray records;
    for (uint32_t v : {17u, 12u, 8u, 9u, 16u, 10000u, 10000u, 11u, 16u, 400u, 400u})
        Put(records, v);
    for (int p = 0; p < Polylines; ++p) {
        if (p % 1000 == 0)
            for (uint32_t v : {37u, 12u, 1u})
                Put(records, v);
        const bool wide = p % 2 == 1;
        Put(records, wide ? 4 : 87);
        Put(records, 28 + PointsEach * (wide ? 8 : 4));
        for (int k = 0; k < 4; ++k)
            Put(records, 0);
        Put(records, PointsEach);
        for (int k = 0; k < PointsEach; ++k) {
            const uint32_t x = uint32_t(p % 9000 + 100 * k), y = uint32_t(p / 10 + 37 * (k % 3));
            if (wide) {
                Put(records, x);
                Put(records, y);
            } else {
                Put(records, (x & 0xFFFF) | (y << 16));
            }
        }
    }
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u})
        Put(records, v);
    QByteArray d;
    for (uint32_t v : {1u, 88u, 0u, 0u, 400u, 400u, 0u, 0u, 10000u, 10000u, EmfSignature, 0x10000u})
        Put(d, v);
    Put(d, uint32_t(88 + records.size()));
    for (uint32_t v : {uint32_t(Polylines + 6), 2u, 0u, 0u, 0u, 1024u, 768u, 320u, 240u})
        Put(d, v);
    return d + records;
}

void OpenMapFile(TZmd& z, const std::string& path)
{
    z.WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
}

void ImportOf100000Polylines(benchmark::State& state)
{
    const QByteArray drawing = Drawing();
    BenchMap empty;
    empty.symbols.clear();
    const std::string path = WriteBenchMap("emf_import", empty);
    const QString work = QString::fromStdString(path) + QStringLiteral(".work");
    int objects = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TZmd z;
        QFile::remove(work);
        QFile::copy(QString::fromStdString(path), work);
        OpenMapFile(z, work.toStdString());
        state.ResumeTiming();
        if (!ImportEmfHandle(drawing, &objects) || objects != Polylines)
            state.SkipWithError("the import failed");
        state.PauseTiming();
        Index.MapOpen = false;
        SetCurrentMap(nullptr);
        state.ResumeTiming();
    }
    QFile::remove(work);
    state.counters["objects"] = objects;
    state.counters["polylines/s"] = benchmark::Counter(double(state.iterations()) * Polylines, benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(drawing.size());
}
BENCHMARK(ImportOf100000Polylines)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
