// File > Export EPS of the painters' generated map of 100,000 objects, written as a map file
// and opened as the program opens it: the whole document (header, prolog, every colour pass)
// into a file beside the others; objects per second and bytes per run.
#include "BenchMap.h"
#include "PaintersMap.h"
#include "core/Element.h"
#include "document/Index.h"
#include "io/ExpEps.h"
#include "render/GraphSys.h"
#include "render/TemplateDraw.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace zemo;
using namespace zemo::bench;

namespace {

const std::string& MapFile()
{
    static const std::string path = WritePaintersMapFile("export_eps");
    return path;
}

void ExportEpsOfTheGeneratedMap(benchmark::State& state)
{
    TZmd z;
    z.WorkFile.Open(QString::fromStdString(MapFile()));
    SetCurrentMap(&z);
    LoadMap();
    Index.MapOpen = true;
    const QString target = QDir::temp().filePath(QStringLiteral("zemo-bench-export-%1.eps").arg(QCoreApplication::applicationPid()));
    qint64 bytes = 0;
    for (auto _ : state) {
        Graph.OutputColorMode = CompositeColors;
        if (!ExportEpsFile(target, false, false)) {
            state.SkipWithError("the export failed");
            break;
        }
        bytes = QFile(target).size();
    }
    QFile::remove(target);
    Index.MapOpen = false;
    SetCurrentMap(nullptr);
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    state.counters["objects/s"] =
        benchmark::Counter(double(state.iterations()) * ObjectCount, benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(ExportEpsOfTheGeneratedMap)->Unit(benchmark::kMillisecond);

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
