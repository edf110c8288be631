// Strokes and fills per second into a 1920x1080 image: through the QPainter device, and the
// same shapes drawn straight with QPainter (the device layer's overhead). Short strokes are
// lines like a map's, segments of 1 to 3 pixels, against Qt's cosmetic pen; wide short strokes
// the same lines 3 to 20 pixels wide with bevel joins and flat caps, against Qt's stroker; point
// rings (framed ellipses 6 to 16 pixels across) against Qt's fill of the same ring.
#include "platform/PainterDevice.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>

using namespace zemo;

namespace {

std::vector<QPointF> zigzag(int n, int seed)
{
    std::vector<QPointF> pts;
    for (int i = 0; i < n; ++i)
        pts.emplace_back(20 + (i * 37 + seed * 11) % 1880, 20 + std::fmod(i * 53.0 + seed * 7, 1040));
    return pts;
}

std::vector<QPointF> star(int seed)
{
    std::vector<QPointF> pts;
    const QPointF c(100 + (seed * 97) % 1700, 100 + (seed * 61) % 880);
    for (int i = 0; i < 20; ++i) {
        const double r = i % 2 ? 40 : 90;
        const double a = i * 3.14159265358979 / 10;
        pts.emplace_back(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    return pts;
}

// 200 lines of 40 points wandering in steps of 1 to 3 pixels.
std::vector<std::vector<QPointF>> shortSegmentLines()
{
    std::vector<std::vector<QPointF>> lines;
    std::mt19937 rng(7);
    for (int k = 0; k < 200; ++k) {
        std::vector<QPointF> pts{{20.0 + rng() % 1880, 20.0 + rng() % 1040}};
        while (pts.size() < 40) {
            const int dx = int(rng() % 7) - 3, dy = int(rng() % 7) - 3;
            if (dx != 0 || dy != 0)
                pts.emplace_back(pts.back().x() + dx, pts.back().y() + dy);
        }
        lines.push_back(std::move(pts));
    }
    return lines;
}

constexpr int64_t ShortSegments = 200 * 39;

void DeviceShortStrokes(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    dev.setPen(DevicePen{});
    const auto lines = shortSegmentLines();
    for (auto _ : state)
        for (const auto& line : lines)
            dev.polyline(line);
    state.SetItemsProcessed(state.iterations() * ShortSegments);
}
BENCHMARK(DeviceShortStrokes);

void QPainterCosmeticShortStrokes(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QPen pen(Qt::black, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    std::vector<QPolygonF> polys;
    for (const auto& line : shortSegmentLines())
        polys.emplace_back(QList<QPointF>(line.begin(), line.end()));
    for (auto _ : state)
        for (const QPolygonF& poly : polys)
            p.drawPolyline(poly);
    state.SetItemsProcessed(state.iterations() * ShortSegments);
}
BENCHMARK(QPainterCosmeticShortStrokes);

void DeviceWideShortStrokes(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    DevicePen pen;
    pen.width = double(state.range(0));
    dev.setPen(pen);
    const auto lines = shortSegmentLines();
    for (auto _ : state)
        for (const auto& line : lines)
            dev.polyline(line);
    state.SetItemsProcessed(state.iterations() * ShortSegments);
}
BENCHMARK(DeviceWideShortStrokes)->Arg(3)->Arg(6)->Arg(10)->Arg(20);

void QPainterWideShortStrokes(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QPen(Qt::black, double(state.range(0)), Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    std::vector<QPolygonF> polys;
    for (const auto& line : shortSegmentLines())
        polys.emplace_back(QList<QPointF>(line.begin(), line.end()));
    for (auto _ : state)
        for (const QPolygonF& poly : polys)
            p.drawPolyline(poly);
    state.SetItemsProcessed(state.iterations() * ShortSegments);
}
BENCHMARK(QPainterWideShortStrokes)->Arg(3)->Arg(6)->Arg(10)->Arg(20);

// 1000 rings like a map's point symbols: boxes of 6 to 16 pixels, outlines 1 to 3 pixels wide.
struct Ring {
    QRectF box;
    double width;
};
std::vector<Ring> pointRings()
{
    std::vector<Ring> rings;
    std::mt19937 rng(11);
    for (int k = 0; k < 1000; ++k) {
        const double side = 6 + rng() % 11;
        rings.push_back({QRectF(10 + rng() % 1880, 10 + rng() % 1040, side, side), 1.0 + rng() % 3});
    }
    return rings;
}

void DevicePointRings(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    dev.setBrush(DeviceBrush{});
    const auto rings = pointRings();
    for (auto _ : state)
        for (const Ring& r : rings) {
            DevicePen pen;
            pen.width = r.width;
            pen.insideFrame = true;
            dev.setPen(pen);
            dev.ellipse(r.box);
        }
    state.SetItemsProcessed(state.iterations() * int64_t(rings.size()));
}
BENCHMARK(DevicePointRings);

void QPainterPointRings(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const auto rings = pointRings();
    for (auto _ : state)
        for (const Ring& r : rings) {
            QPainterPath ring;
            ring.addEllipse(r.box);
            ring.addEllipse(r.box.adjusted(r.width, r.width, -r.width, -r.width));
            p.fillPath(ring, Qt::black);
        }
    state.SetItemsProcessed(state.iterations() * int64_t(rings.size()));
}
BENCHMARK(QPainterPointRings);

void DeviceStrokes(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    DevicePen pen;
    pen.width = static_cast<double>(state.range(0));
    pen.join = PenJoin::Mitre;
    dev.setPen(pen);
    const auto line = zigzag(50, 1);
    for (auto _ : state)
        dev.polyline(line);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DeviceStrokes)->Arg(1)->Arg(4);

void QPainterStrokes(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QPen pen(Qt::black, static_cast<double>(state.range(0)));
    pen.setJoinStyle(Qt::SvgMiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    const auto line = zigzag(50, 1);
    const QPolygonF poly(QList<QPointF>(line.begin(), line.end()));
    for (auto _ : state)
        p.drawPolyline(poly);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QPainterStrokes)->Arg(1)->Arg(4);

void DeviceFills(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    dev.setPen(NullPen);
    dev.setBrush(DeviceBrush{BrushStyle::Solid, {0, 0, 200}, HatchStyle::Horizontal});
    const auto shape = star(3);
    for (auto _ : state)
        dev.polygon(shape);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DeviceFills);

void QPainterFills(benchmark::State& state)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 200));
    const auto shape = star(3);
    const QPolygonF poly(QList<QPointF>(shape.begin(), shape.end()));
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
