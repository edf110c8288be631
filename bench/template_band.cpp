// A 10,000 x 14,000 pixel 8-bit template (0.1 mm pixels, turned 30 degrees) rendered into a
// 1920 x 1080 band at zooms 0.25, 1 and 8: the template renderer against QPainter::drawImage
// of the same pixels (an indexed image over the same memory) with the same transform and no
// smoothing, into an RGB32 image of the band's size.
#include "document/Index.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>

using namespace zemo;

namespace {

constexpr int BandW = 1920, BandH = 1080;
constexpr int TmpW = 10000, TmpH = 14000;
constexpr double Degrees = 30;

TTmp& Template()
{
    static TTmp t = [] {
        TTmp t;
        t.Width = TmpW;
        t.Height = TmpH;
        t.BitsPerPixel = 8;
        t.U = t.V = 10;
        t.Angle = Degrees * std::numbers::pi / 180;
        for (int i = 0; i < 256; ++i) {
            t.Red[size_t(i)] = uint8_t(i);
            t.Green[size_t(i)] = uint8_t(255 - i);
            t.Blue[size_t(i)] = uint8_t(i / 2);
        }
        t.AllocatePixels();
        for (int y = 0; y < TmpH; ++y) {
            uint8_t* row = t.Row(y);
            for (int x = 0; x < TmpW; ++x)
                row[x] = uint8_t((x / 7) ^ (y / 5));
        }
        return t;
    }();
    return t;
}

// The screen's transform at a zoom (8192 units a pixel at zoom 1), the template's centre in
// the middle of the band.
void SetView(double zoom)
{
    Scale.ViewScaleX = zoom / 8192;
    Scale.ViewScaleY = -zoom / 8192;
    Scale.ViewOrigin = {int32_t(-BandW / 2 / Scale.ViewScaleX), int32_t(BandH / 2 / -Scale.ViewScaleY)};
    Graph.OutputMode = BitmapOutput;
}

void TemplateRenderer(benchmark::State& state)
{
    const double zoom = double(state.range(0)) / 100;
    TTmp& t = Template();
    SetBandScreenSize(QSize(BandW, BandH));
    SetView(zoom);
    for (auto _ : state) {
        RenderBand(0, true);
        RenderTemplateBitmap(t, BandW, BandH);
        benchmark::DoNotOptimize(BandRow(0, 0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(BandW) * BandH);
}
BENCHMARK(TemplateRenderer)->Arg(25)->Arg(100)->Arg(800)->Unit(benchmark::kMillisecond);

void QPainterDrawImage(benchmark::State& state)
{
    const double zoom = double(state.range(0)) / 100;
    TTmp& t = Template();
    QImage source(TmpW, TmpH, QImage::Format_Indexed8);
    for (int y = 0; y < TmpH; ++y)
        std::memcpy(source.scanLine(y), t.Row(y), size_t(TmpW));
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours << qRgb(t.Red[size_t(i)], t.Green[size_t(i)], t.Blue[size_t(i)]);
    source.setColorTable(colours);
    QImage band(BandW, BandH, QImage::Format_RGB32);
    // Template pixels to device pixels: 0.1 mm a template pixel, 8192 / zoom units a device
    // pixel; turned counter-clockwise on the map, that is clockwise on the screen.
    const double pixels = 10 * 256 * zoom / 8192;
    QTransform m;
    m.translate(BandW / 2.0, BandH / 2.0);
    m.rotate(-Degrees);
    m.scale(pixels, pixels);
    m.translate(-TmpW / 2.0, -TmpH / 2.0);
    for (auto _ : state) {
        band.fill(Qt::white);
        QPainter p(&band);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.setTransform(m);
        p.drawImage(QPointF(0, 0), source);
        p.end();
        benchmark::DoNotOptimize(band.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(BandW) * BandH);
}
BENCHMARK(QPainterDrawImage)->Arg(25)->Arg(100)->Arg(800)->Unit(benchmark::kMillisecond);

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
