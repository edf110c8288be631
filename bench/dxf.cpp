// DXF: the import of a generated drawing of 200,000 vertices (200 closed LWPOLYLINEs of 1000
// vertices, some bulged, and their layer table) into an empty map, and the export of the
// painters' generated map of 100,000 objects in real-world metres into a file.
#include "BenchMap.h"
#include "PaintersMap.h"
#include "core/Errors.h"
#include "document/Index.h"
#include "symbols/CrtTable.h"
#include "io/ExpDxf.h"
#include "io/ImpDxf.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cmath>

using namespace zemo;
using namespace zemo::bench;

namespace {

constexpr int Polylines = 200;
constexpr int VerticesEach = 1000;

QByteArray Drawing()
{
    QByteArray d = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    for (int p = 0; p < Polylines; ++p) {
        d += "  0\r\nLWPOLYLINE\r\n  8\r\n" + QByteArray(p % 2 ? "contours" : "unlisted") + "\r\n 70\r\n1\r\n";
        for (int v = 0; v < VerticesEach; ++v) {
            const double a = v * 2 * 3.141592653589793 / VerticesEach;
            d += " 10\r\n" + QByteArray::number(5000 + 10 * p + 800 * std::cos(a), 'f', 3) + "\r\n 20\r\n"
                + QByteArray::number(3000 + 5 * p + 600 * std::sin(a), 'f', 3) + "\r\n";
            if (v % 50 == 0)
                d += " 42\r\n0.1\r\n";
        }
    }
    return d + "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

void OpenMapFile(TZmd& z, const std::string& path)
{
    z.WorkFile.Open(QString::fromStdString(path));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
}

void CloseMap()
{
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
}

void ImportOfA200000VertexDrawing(benchmark::State& state)
{
    const QByteArray drawing = Drawing();
    BenchMap empty;
    empty.symbols.clear();
    const std::string path = WriteBenchMap("dxf_import", empty);
    DxfImportSettings s;
    s.OffsetX = 5000;
    s.OffsetY = 3000;
    s.Factor = 10;
    int objects = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TZmd z;
        QFile::remove(QString::fromStdString(path) + ".work");
        QFile::copy(QString::fromStdString(path), QString::fromStdString(path) + ".work");
        OpenMapFile(z, path + ".work");
        state.ResumeTiming();
        try {
            objects = ImportDxfEntities(drawing, s, {});
        } catch (const EAbort&) {
            state.SkipWithError("the import stopped");
        }
        state.PauseTiming();
        CloseMap();
        state.ResumeTiming();
    }
    QFile::remove(QString::fromStdString(path) + ".work");
    state.counters["objects"] = objects;
    state.counters["vertices/s"] =
        benchmark::Counter(double(state.iterations()) * Polylines * VerticesEach, benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(drawing.size());
}
BENCHMARK(ImportOfA200000VertexDrawing)->Unit(benchmark::kMillisecond);

void ExportOfTheGeneratedMap(benchmark::State& state)
{
    static const std::string path = WritePaintersMapFile("dxf_export");
    TZmd z;
    OpenMapFile(z, path);
    const QString target =
        QDir::temp().filePath(QStringLiteral("zemo-bench-export-%1.dxf").arg(QCoreApplication::applicationPid()));
    qint64 bytes = 0;
    for (auto _ : state) {
        ExportFile f;
        if (!f.Begin(target) || !WriteDxfFile(f, ExpDxfOptions{}, {}) || !f.Commit()) {
            state.SkipWithError("the export failed");
            break;
        }
        bytes = QFile(target).size();
    }
    QFile::remove(target);
    CloseMap();
    state.counters["objects/s"] =
        benchmark::Counter(double(state.iterations()) * ObjectCount, benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(ExportOfTheGeneratedMap)->Unit(benchmark::kMillisecond);

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
