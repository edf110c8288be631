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

// The generated map as a file: symbols without a number get one of their own.
const std::string& MapFile()
{
    static const std::string path = [] {
        const GeneratedMap g = GeneratePaintersMap();
        BenchMap map;
        std::vector<std::array<uint8_t, 4>> cmyk;
        for (uint32_t ink : Inks)
            cmyk.push_back({uint8_t(ink), uint8_t(ink >> 8), uint8_t(ink >> 16), uint8_t(ink >> 24)});
        map.colours = BenchColours(cmyk);
        map.setup.MapScale = 15000;
        map.setup.PrintScale = 15000;
        std::vector<int16_t> numbers;
        for (size_t i = 0; i < g.symbols.size(); ++i) {
            SymbolBytes r = g.symbols[i].b;
            int16_t number = int16_t(r[2] | r[3] << 8);
            if (number == 0) {
                number = int16_t(7000 + 10 * i);
                r[2] = uint8_t(number & 0xFF);
                r[3] = uint8_t(number >> 8);
            }
            numbers.push_back(number);
            map.symbols.push_back(std::move(r));
        }
        map.objectCount = int(g.objects.size());
        map.object = [g, numbers](int i) {
            const MapObject& o = g.objects[size_t(i)];
            return BenchObject{numbers[size_t(o.symbol)], o.type, o.cords};
        };
        return WriteBenchMap("export_eps", map);
    }();
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
