// Strokes and fills per second through the output layer into a 1920x1080 image, and the same
// device paths drawn straight with QPainter in the same run (the layer's overhead). Short
// strokes are 1-pixel lines like a map's, segments of 1 to 3 pixels, against Qt's cosmetic pen.
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Scale.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

using namespace zemo;

namespace {

constexpr int W = 1920, H = 1080;

// 1 device unit per 0.01 mm, y up, the whole image visible.
void Transform()
{
    ResetScaleState();
    ResetGraphSysState();
    Scale.ViewOrigin = Cord{0, H * 256};
    Scale.ViewScaleX = 1.0 / 256;
    Scale.ViewScaleY = -1.0 / 256;
    Scale.FlattenTolerance = 1;
    Graph.ClipRect = CordRect{0, 0, W * 256, H * 256};
    Graph.OutputCmyk = 200u << 24;
}

Cord At(double px, double py)
{
    return Cord{Masked(int32_t(std::lround(px * 256))), Masked(int32_t(std::lround((H - py) * 256)))};
}

std::vector<Cord> Zigzag()
{
    std::vector<Cord> pts;
    for (int i = 0; i < 50; ++i)
        pts.push_back(At(20 + (i * 37 + 11) % 1880, 20 + std::fmod(i * 53.0 + 7, 1040)));
    return pts;
}

std::vector<Cord> Star()
{
    std::vector<Cord> pts;
    for (int i = 0; i < 20; ++i) {
        const double r = i % 2 ? 40 : 90;
        const double a = i * 3.14159265358979 / 10;
        pts.push_back(At(391 + r * std::cos(a), 283 + r * std::sin(a)));
    }
    return pts;
}

// 200 lines of 40 points wandering in steps of 1 to 3 pixels.
std::vector<std::vector<Cord>> ShortSegmentLines()
{
    std::vector<std::vector<Cord>> lines;
    std::mt19937 rng(7);
    for (int k = 0; k < 200; ++k) {
        double x = 20.0 + rng() % 1880, y = 20.0 + rng() % 1040;
        std::vector<Cord> pts{At(x, y)};
        while (pts.size() < 40) {
            const int dx = int(rng() % 7) - 3, dy = int(rng() % 7) - 3;
            if (dx != 0 || dy != 0)
                pts.push_back(At(x += dx, y += dy));
        }
        lines.push_back(std::move(pts));
    }
    return lines;
}

constexpr int64_t ShortSegments = 200 * 39;

void Load(const std::vector<Cord>& pts)
{
    EnsureWorkPoints2(int(pts.size()));
    Graph.WorkPoints2Count = 0;
    for (Cord c : pts)
        GraphLineTo(c.x, c.y);
}

// The device points the layer sends for a path.
std::vector<QPointF> DevicePath(const std::vector<Cord>& pts)
{
    Load(pts);
    PathToDevice(1);
    return Graph.DevicePoints;
}

void GraphSysStrokes(benchmark::State& state)
{
    Transform();
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    Graph.OutputMode = BitmapOutput;
    Graph.OutputDC = &dev;
    BeginDrawing(false);
    const auto line = Zigzag();
    const int width = int(state.range(0));
    for (auto _ : state) {
        Load(line);
        GraphStroke(width, 4);
    }
    EndDrawing();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GraphSysStrokes)->Arg(1)->Arg(4);

void QPainterStrokes(benchmark::State& state)
{
    Transform();
    const auto dp = DevicePath(Zigzag());
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QPen pen(Qt::black, double(state.range(0)));
    pen.setJoinStyle(Qt::SvgMiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    pen.setMiterLimit(10);
    p.setPen(pen);
    const QPolygonF poly(QList<QPointF>(dp.begin(), dp.end()));
    for (auto _ : state)
        p.drawPolyline(poly);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QPainterStrokes)->Arg(1)->Arg(4);

void GraphSysShortStrokes(benchmark::State& state)
{
    Transform();
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    Graph.OutputMode = BitmapOutput;
    Graph.OutputDC = &dev;
    BeginDrawing(false);
    const auto lines = ShortSegmentLines();
    for (auto _ : state)
        for (const auto& line : lines) {
            Load(line);
            GraphStroke(1, 0);
        }
    EndDrawing();
    state.SetItemsProcessed(state.iterations() * ShortSegments);
}
BENCHMARK(GraphSysShortStrokes);

void QPainterCosmeticShortStrokes(benchmark::State& state)
{
    Transform();
    std::vector<QPolygonF> polys;
    for (const auto& line : ShortSegmentLines()) {
        const auto dp = DevicePath(line);
        polys.emplace_back(QList<QPointF>(dp.begin(), dp.end()));
    }
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QPen pen(Qt::black, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    for (auto _ : state)
        for (const QPolygonF& poly : polys)
            p.drawPolyline(poly);
    state.SetItemsProcessed(state.iterations() * ShortSegments);
}
BENCHMARK(QPainterCosmeticShortStrokes);

void GraphSysFills(benchmark::State& state)
{
    Transform();
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    Graph.OutputMode = BitmapOutput;
    Graph.OutputDC = &dev;
    BeginDrawing(false);
    const auto shape = Star();
    for (auto _ : state) {
        Load(shape);
        GraphFill(false);
    }
    EndDrawing();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GraphSysFills);

void QPainterFills(benchmark::State& state)
{
    Transform();
    const auto dp = DevicePath(Star());
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    const QPolygonF poly(QList<QPointF>(dp.begin(), dp.end()));
    for (auto _ : state)
        p.drawPolygon(poly, Qt::OddEvenFill);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QPainterFills);

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
