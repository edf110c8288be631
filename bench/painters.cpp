// The object painters on a generated orienteering-like map of 100,000 objects (contours,
// paths, fences, roads, point features, vegetation areas), rendered whole colour pass by
// colour pass into a 1920x1080 image; objects per second. The same through the recording
// device in the same run: the painters' layout cost without rasterising.
#include "PaintersMap.h"
#include "core/Element.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "platform/PainterDevice.h"
#include "platform/RecordingDevice.h"
#include "render/GraphSys.h"
#include "render/PathWalk.h"
#include "render/Redraw.h"
#include "render/Scale.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace zemo;
using namespace zemo::bench;

namespace {

constexpr int W = 1920, H = 1080;

const GeneratedMap& Map()
{
    static const GeneratedMap m = GeneratePaintersMap();
    return m;
}

// The whole map in the image, y up.
void Transform()
{
    ResetScaleState();
    ResetGraphSysState();
    ResetPathWalkState();
    const double s = double(W) / MapWidth / 256;
    Scale.ViewOrigin = Cord{0, MapHeight * 256};
    Scale.ViewScaleX = s;
    Scale.ViewScaleY = -s;
    Scale.FlattenTolerance = 4;
    Scale.DrawRect = CordRect{0, 0, MapWidth * 256, MapHeight * 256};
    Graph.ClipRect = Scale.DrawRect;
}

// Every colour pass, last colour first, each object drawn for the colours its symbol has.
void RenderMap(RecordingDevice* rec)
{
    const GeneratedMap& m = Map();
    for (int color = ColorCount - 1; color >= 0; --color) {
        Graph.CurrentColor = color;
        Graph.OutputCmyk = Inks[color];
        int sinceClear = 0;
        for (const MapObject& o : m.objects) {
            if (!m.symbolColors[size_t(o.symbol)][size_t(color)])
                continue;
            DrawElement.ObjectType = o.type;
            DrawElement.nItem = uint16_t(o.cords.size());
            DrawElement.nText = 0;
            DrawElement.Angle = 0;
            std::copy(o.cords.begin(), o.cords.end(), DrawElement.Slots.begin());
            DrawSymbol = m.symbols[size_t(o.symbol)].b.data();
            DrawObjectByType();
            if (rec && ++sinceClear == 4096) {
                rec->clear();
                sinceClear = 0;
            }
        }
    }
}

void PaintersIntoImage(benchmark::State& state)
{
    Map();
    Transform();
    QImage img(W, H, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        PainterDevice dev(&img);
        Graph.OutputMode = BitmapOutput;
        Graph.OutputDC = &dev;
        BeginDrawing(false);
        RenderMap(nullptr);
        EndDrawing();
        dev.finish();
        Graph.OutputDC = nullptr;
    }
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    state.counters["objects/s"] = benchmark::Counter(double(state.iterations()) * ObjectCount,
                                                     benchmark::Counter::kIsRate);
    // For people to look at: ZEMO_PAINTERS_PNG=<file> keeps the picture.
    const QByteArray keep = qgetenv("ZEMO_PAINTERS_PNG");
    if (!keep.isEmpty())
        img.save(QString::fromLocal8Bit(keep));
}
BENCHMARK(PaintersIntoImage)->Unit(benchmark::kMillisecond);

void PaintersRecordingOnly(benchmark::State& state)
{
    Map();
    Transform();
    RecordingDevice rec(QSize(W, H));
    for (auto _ : state) {
        rec.clear();
        Graph.OutputMode = BitmapOutput;
        Graph.OutputDC = &rec;
        BeginDrawing(false);
        RenderMap(&rec);
        EndDrawing();
        Graph.OutputDC = nullptr;
    }
    state.SetItemsProcessed(state.iterations() * ObjectCount);
    state.counters["objects/s"] = benchmark::Counter(double(state.iterations()) * ObjectCount,
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(PaintersRecordingOnly)->Unit(benchmark::kMillisecond);

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
