// 1-pixel lines and hatch fills written straight into image rows against the rules they keep: the
// LineTo pixel rule computed pixel by pixel, and the raster engine's own texture fill.
#include "PlatformFixture.h"

#include <random>

namespace zemo {

constexpr int Side = 48;

// Random pixels, so that XOR and overwrites show.
static QImage noise(std::mt19937& rng, QImage::Format format = QImage::Format_RGB32)
{
    QImage img(Side, Side, format);
    for (int i = 0; i < Side * Side; ++i)
        img.setPixel(i % Side, i / Side, 0xFF000000u | rng() % 0x1000000u);
    return img;
}

// The clip of a paint: the whole image, one rectangle, or two.
static QRegion randomClip(std::mt19937& rng)
{
    const int pick = int(rng() % 3);
    return pick == 0 ? QRegion(0, 0, Side, Side)
        : pick == 1  ? QRegion(int(rng() % 20), int(rng() % 20), 10 + int(rng() % 40),
                               10 + int(rng() % 40))
                     : QRegion(2, 3, 20, 30) + QRegion(30, 10, 30, 20);
}

static double coordinate(std::mt19937& rng, int scale)
{
    return (int(rng() % (64 * scale)) - 8 * scale) / double(scale);
}

// Pixel i of the line from (x0, y0) by (dx, dy): LineTo's rule, one division per pixel.
static QPoint linePixel(int x0, int y0, int dx, int dy, int i)
{
    const int n = std::max(std::abs(dx), std::abs(dy));
    const auto minor = [&](int d) { return int(std::floor((2.0 * i * d + n) / (2.0 * n))); };
    if (std::abs(dx) >= std::abs(dy))
        return QPoint(x0 + (dx > 0 ? i : -i), y0 + minor(dy));
    return QPoint(x0 + minor(dx), y0 + (dy > 0 ? i : -i));
}

TEST(RowPlotter, OnePixelLinesLightThePixelsOfTheLineToRule)
{
    std::mt19937 rng(20);
    const auto px = [](QPointF p) {
        return QPoint(int(std::nearbyint(p.x())), int(std::nearbyint(p.y())));
    };
    for (int round = 0; round < 400; ++round) {
        QImage img = noise(rng), want = img.copy();
        const QRegion clip = randomClip(rng);
        const bool xorOp = round % 3 == 0, dotted = round % 4 == 1,
                   opaque = !xorOp && round % 5 != 0;
        const DevicePen pen{dotted ? PenStyle::Dot : PenStyle::Solid, {uint8_t(rng()), 40, 200}, 1};
        const DeviceColor gap{9, 99, 199};
        // Short segments like real map lines, some long ones, some off the image.
        std::vector<QPointF> points{{coordinate(rng, 2), coordinate(rng, 2)}};
        for (int i = 0, n = 2 + int(rng() % 12); i < n; ++i) {
            const double reach = i % 5 == 4 ? 40 : 3, dx = int(rng() % 1000) / 500.0 - 1,
                         dy = int(rng() % 1000) / 500.0 - 1;
            points.push_back(points.back() + QPointF(dx, dy) * reach);
        }
        // Every dot first, then the gaps.
        std::vector<std::pair<QPoint, bool>> pixels;
        for (size_t k = 1, phase = 0; k < points.size(); ++k) {
            const QPoint a = px(points[k - 1]), d = px(points[k]) - a;
            const int n = std::max(std::abs(d.x()), std::abs(d.y()));
            for (int i = 0; i < n; ++i)
                pixels.emplace_back(linePixel(a.x(), a.y(), d.x(), d.y(), i),
                                    !dotted || (phase + size_t(i)) % 6 < 3);
            phase += size_t(n);
        }
        for (const bool dots : {true, false})
            for (const auto& [p, on] : pixels)
                if (on == dots && clip.contains(p) && want.rect().contains(p) && (on || opaque)) {
                    const QRgb c = Rgb(on ? pen.color : gap);
                    want.setPixel(p, xorOp ? (want.pixel(p) ^ c) | 0xFF000000u : c);
                }
        {
            PainterDevice dev(&img);
            dev.setBaseClip(clip);
            dev.setRasterOp(xorOp ? RasterOp::Xor : RasterOp::Copy);
            dev.setBackground(opaque ? BackgroundMode::Opaque : BackgroundMode::Transparent, gap);
            dev.setPen(pen);
            dev.polyline(points);
        }
        ASSERT_EQ(img, want) << "round " << round;
    }
}

TEST(RowPlotter, HatchFillsMatchTheRasterEnginesTextureFill)
{
    // Corners on half pixels lie exactly on scan rows and pixel centres; 1/128 pixels are the
    // halves of the engine's fixed point.
    std::mt19937 rng(3);
    for (int round = 0; round < 600; ++round) {
        const QImage::Format format =
            round % 5 == 2 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
        QImage img = noise(rng, format), want = img.copy();
        const QRegion clip = randomClip(rng);
        const HatchStyle style = AllHatches[rng() % 6];
        const QPoint origin(int(rng() % 16) - 8, int(rng() % 16) - 8);
        const DeviceColor ink{200, uint8_t(rng()), 30}, gap{1, 2, 3};
        const bool opaque = round % 4 == 3,
                   xorOp = format == QImage::Format_RGB32 && round % 3 == 1;
        const FillRule rule = round % 7 == 0 ? FillRule::Winding : FillRule::OddEven;
        const int scale = round % 3 == 0 ? 1 : round % 3 == 1 ? 2 : 128;
        std::vector<QPointF> points;
        std::vector<int> rings;
        QPainterPath area;
        area.setFillRule(rule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill);
        for (int r = 0, count = 1 + int(rng() % 2); r < count; ++r) {
            rings.push_back(3 + int(rng() % 6));
            for (int i = 0; i < rings.back(); ++i) {
                points.emplace_back(coordinate(rng, scale), coordinate(rng, scale));
                i ? area.lineTo(points.back()) : area.moveTo(points.back());
            }
            area.closeSubpath();
        }
        QImage tile(HatchPeriod, HatchPeriod, QImage::Format_ARGB32_Premultiplied);
        for (int i = 0; i < HatchPeriod * HatchPeriod; ++i)
            tile.setPixel(i % HatchPeriod, i / HatchPeriod,
                          HatchLit(style, {}, i % HatchPeriod, i / HatchPeriod)
                              ? Rgb(ink)
                              : opaque ? Rgb(gap) : 0u);
        {
            QPainter p(&want);
            p.setClipRegion(clip);
            p.setBrushOrigin(origin);
            if (xorOp)
                p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.fillPath(area, QBrush(tile));
        }
        {
            PainterDevice dev(&img);
            dev.setBaseClip(clip);
            dev.setRasterOp(xorOp ? RasterOp::Xor : RasterOp::Copy);
            dev.setFillRule(rule);
            dev.setPen(NullPen);
            dev.setBrush(Hatch(style, ink));
            dev.setBrushOrigin(origin);
            dev.setBackground(opaque ? BackgroundMode::Opaque : BackgroundMode::Transparent, gap);
            // Straight, or as a path of polygons or of open lines (which the fill closes).
            const int route = round / 3 % 3;
            if (route)
                dev.beginPath();
            if (route < 2)
                dev.polygon(points, rings);
            else
                for (size_t at = 0; int n : rings)
                    dev.polyline(
                        std::span(points).subspan(std::exchange(at, at + size_t(n)), size_t(n)));
            if (route) {
                dev.endPath();
                ASSERT_TRUE(dev.fillPath());
            }
        }
        ASSERT_EQ(img, want) << "round " << round;
    }
}

TEST(RowPlotter, PolygonCornersOnAHatchRowCountOnce)
{
    // A diamond, and a box with a notch whose apex on row 20 leaves the row whole; corners on pixel
    // centres of the hatch rows. A row takes an edge whose top lies above its centre and whose
    // bottom at or below it, so a side corner is crossed once. {row, first, end} of each lit run;
    // every other row stays white.
    const std::pair<std::vector<QPointF>, std::vector<std::array<int, 3>>> cases[] = {
        {{{30.5, 4.5}, {50.5, 20.5}, {30.5, 36.5}, {10.5, 20.5}},
         {{12, 21, 41}, {20, 11, 51}, {28, 21, 41}}},
        {{{10.5, 4.5}, {50.5, 4.5}, {50.5, 36.5}, {30.5, 20.5}, {10.5, 36.5}},
         {{12, 11, 51}, {20, 11, 51}, {28, 11, 21}, {28, 41, 51}}}};
    for (const auto& [polygon, runs] : cases)
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
            const QImage img = Draw(
                {64, 48}, NullPen, Hatch(HatchStyle::Horizontal, Red),
                [&](PainterDevice& dev) {
                    dev.setBrushOrigin({0, 4});
                    dev.polygon(polygon);
                },
                format);
            QImage want(img.size(), QImage::Format_RGB32);
            want.fill(Qt::white);
            for (const auto& [y, from, end] : runs)
                for (int x = from; x < end; ++x)
                    want.setPixel(x, y, Rgb(Red));
            EXPECT_EQ(img, want) << polygon.size() << " corners, format " << format;
        }
}

} // namespace zemo
