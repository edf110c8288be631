// The object painters on a generated orienteering-like map of 100,000 objects (contours,
// paths, fences, roads, point features, vegetation areas), rendered whole colour pass by
// colour pass into a 1920x1080 image; objects per second. The same through the recording
// device in the same run: the painters' layout cost without rasterising.
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

namespace {

constexpr int W = 1920, H = 1080;
constexpr int ObjectCount = 100000;
constexpr int MapWidth = 40000, MapHeight = 22500;   // 0.01 mm: 400 x 225 mm of paper
constexpr int ColorCount = 6;                          // 0 black .. 5 orange
constexpr uint32_t Inks[ColorCount] = {
    200u << 24,                        // black
    200u,                              // blue
    100u << 8 | 200u << 16 | 60u << 24,   // brown
    120u | 200u << 16,                 // green
    60u << 8 | 200u << 16,             // yellow
    100u << 8 | 200u << 16,            // orange
};

// ---- Symbol records, written at their offsets ----

struct Record {
    std::vector<uint8_t> b;
    explicit Record(size_t n) : b(n, 0) { put(0, int(n)); }
    void put(size_t at, int v)
    {
        b[at] = uint8_t(v & 0xFF);
        b[at + 1] = uint8_t((v >> 8) & 0xFF);
    }
    void color(int c) { b[20 + size_t(c) / 8] |= uint8_t(1u << (c % 8)); }
    void bytes(size_t at, const std::vector<uint8_t>& v) { std::memcpy(b.data() + at, v.data(), v.size()); }
};

std::vector<uint8_t> Element(int kind, int color, int width, int diameter, std::vector<std::pair<int, int>> cords)
{
    std::vector<uint8_t> e(16 + 8 * cords.size(), 0);
    const auto put = [&e](size_t at, int v) {
        e[at] = uint8_t(v & 0xFF);
        e[at + 1] = uint8_t((v >> 8) & 0xFF);
    };
    put(0, kind);
    put(4, color);
    put(6, width);
    put(8, diameter);
    put(10, int(cords.size()));
    for (size_t i = 0; i < cords.size(); ++i) {
        const int32_t x = cords[i].first * 256, y = cords[i].second * 256;
        std::memcpy(e.data() + 16 + 8 * i, &x, 4);
        std::memcpy(e.data() + 20 + 8 * i, &y, 4);
    }
    return e;
}

Record LineSymbol(int number, int color, int width, std::vector<std::pair<size_t, int>> fields,
                  std::vector<uint8_t> mainList = {})
{
    Record r(424 + mainList.size());
    r.put(2, number);
    r.put(4, LineObject);
    r.color(color);
    r.put(348, color);
    r.put(350, width);
    for (auto [at, v] : fields)
        r.put(at, v);
    r.put(412, int(mainList.size() / 8));
    if (!mainList.empty())
        r.bytes(424, mainList);
    return r;
}

struct MapObject {
    uint8_t type;
    int symbol;                // index into the symbol table
    std::vector<Cord> cords;
};

struct GeneratedMap {
    std::vector<Record> symbols;
    std::vector<std::vector<bool>> symbolColors;
    std::vector<MapObject> objects;
};

Cord C(double x, double y)
{
    return {Masked(int32_t(std::lround(x * 256))), Masked(int32_t(std::lround(y * 256)))};
}

GeneratedMap Generate()
{
    GeneratedMap m;
    // 0 contour, 1 dashed path, 2 fence with ticks, 3 road (double line with fill)
    m.symbols.push_back(LineSymbol(1010, 2, 14, {}));
    m.symbols.push_back(LineSymbol(5050, 0, 25, {{358, 300}, {360, 150}, {362, 60}}));
    {
        Record r = LineSymbol(5240, 0, 18, {{358, 200}, {360, 100}, {370, 1}},
                              Element(1, 0, 18, 0, {{0, 0}, {0, 60}}));
        m.symbols.push_back(r);
    }
    {
        Record r = LineSymbol(5020, 0, 0, {{374, 1}, {376, 1}, {378, 5}, {380, 0}, {382, 0},
                                           {384, 60}, {386, 15}, {388, 15}});
        r.color(5);
        m.symbols.push_back(r);
    }
    // 4 point: a black ring; 5 point: a green dot
    {
        const auto list = Element(3, 0, 15, 60, {{0, 0}});
        Record r(352 + list.size());
        r.put(4, PointObject);
        r.put(348, int(list.size() / 8));
        r.bytes(352, list);
        r.color(0);
        m.symbols.push_back(r);
    }
    {
        const auto list = Element(4, 3, 0, 50, {{0, 0}});
        Record r(352 + list.size());
        r.put(4, PointObject);
        r.put(348, int(list.size() / 8));
        r.bytes(352, list);
        r.color(3);
        m.symbols.push_back(r);
    }
    // 6 yellow open land, 7 green forest: plain fills
    for (int color : {4, 3}) {
        Record r(380);
        r.put(4, AreaObject);
        r.put(350, -1);
        r.put(352, color);
        r.color(color);
        m.symbols.push_back(r);
    }
    for (const Record& r : m.symbols) {
        std::vector<bool> has(ColorCount);
        for (int c = 0; c < ColorCount; ++c)
            has[size_t(c)] = (r.b[20 + size_t(c) / 8] >> (c % 8)) & 1;
        m.symbolColors.push_back(has);
    }

    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> ux(0, MapWidth), uy(0, MapHeight), unit(0, 1);
    m.objects.reserve(ObjectCount);
    for (int i = 0; i < ObjectCount; ++i) {
        MapObject o;
        const double x0 = ux(rng), y0 = uy(rng);
        const int kind = i % 20;   // 8 contours, 3 paths, 1 fence, 1 road, 4 points, 3 areas
        if (kind < 13) {
            o.type = LineObject;
            o.symbol = kind < 8 ? 0 : kind < 11 ? 1 : kind < 12 ? 2 : 3;
            double x = x0, y = y0, a = unit(rng) * 6.283;
            const int n = 8 + int(unit(rng) * 12);
            for (int k = 0; k < n; ++k) {
                o.cords.push_back(C(x, y));
                a += (unit(rng) - 0.5) * 0.8;
                const double step = 100 + unit(rng) * 200;
                x = std::clamp(x + step * std::cos(a), 0.0, double(MapWidth));
                y = std::clamp(y + step * std::sin(a), 0.0, double(MapHeight));
            }
            o.cords.back().y |= CornerFlag;
        } else if (kind < 17) {
            o.type = PointObject;
            o.symbol = kind < 15 ? 4 : 5;
            o.cords.push_back(C(x0, y0));
        } else {
            o.type = AreaObject;
            o.symbol = kind < 19 ? 6 : 7;
            const int n = 6 + int(unit(rng) * 6);
            const double r = 150 + unit(rng) * 400;
            for (int k = 0; k < n; ++k) {
                const double a = k * 6.283 / n;
                const double rr = r * (0.7 + 0.3 * unit(rng));
                o.cords.push_back(C(x0 + rr * std::cos(a), y0 + rr * std::sin(a)));
            }
            o.cords.push_back(o.cords.front());
        }
        m.objects.push_back(std::move(o));
    }
    return m;
}

const GeneratedMap& Map()
{
    static const GeneratedMap m = Generate();
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
