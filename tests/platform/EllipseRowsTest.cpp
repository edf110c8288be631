// Ellipses (point rings and dots) plotted straight into image rows against the same calls
// drawn by the toolkit: an image format the row plotter does not take goes the toolkit's way.
#include "PlatformFixture.h"

#include <iostream>
#include <random>

namespace zemo {

namespace {

constexpr int Width = 140, Height = 110;

QImage Noise(std::mt19937& rng, QImage::Format format) { return NoiseImage(rng, Width, Height, format); }

} // namespace

TEST(RowPlotter, EllipsesLightThePixelsOfTheToolkitsEllipses)
{
    std::mt19937 rng(31);
    const QRegion clips[] = {QRegion(0, 0, Width, Height),
                             QRegion(5, 8, 60, 70) + QRegion(70, 0, 50, 50)
                                 + QRegion(30, 85, 100, 20)};
    int64_t drawn = 0, differing = 0;
    for (int round = 0; round < 600; ++round) {
        // Corners on whole pixels (as a map's points), on halves and anywhere between.
        const int kind = round % 4;
        const double fx = kind == 0 ? 0 : kind == 1 ? 0.5 : (rng() % 64) / 64.0;
        const double fy = kind == 0 ? 0 : kind == 1 ? 0.5 : (rng() % 64) / 64.0;
        const double w = 1 + rng() % 70, h = round % 3 == 0 ? w : 1 + rng() % 70;
        const QRectF box(-15 + int(rng() % (Width - 10)) + fx,
                         -15 + int(rng() % (Height - 10)) + fy, w, h);
        const int penWidth = int(rng() % 9);  // 0: no outline
        const bool insideFrame = round % 2 == 0, xorOp = round % 5 == 4;
        // No brush, solid, hatched with its gaps seen through or opaque.
        const int brushKind = int(rng() % 4);
        const DeviceColor ink{uint8_t(rng()), 50, 220}, fill{30, uint8_t(rng()), 90};
        const HatchStyle hatch = AllHatches[rng() % 6];
        const QPoint origin(int(rng() % 8), int(rng() % 8));
        const QRegion& clip = clips[round % 3 == 2 ? 1 : 0];
        const auto paint = [&](QImage& img, bool xorIt) {
            PainterDevice dev(&img);
            dev.setBaseClip(clip);
            dev.setPen(penWidth == 0
                           ? NullPen
                           : Pen(penWidth, ink, PenJoin::Bevel, PenCap::Flat, insideFrame));
            dev.setBrush(brushKind == 0   ? DeviceBrush{}
                         : brushKind == 1 ? Solid(fill)
                                          : Hatch(hatch, fill));
            dev.setBackground(brushKind == 3 ? BackgroundMode::Opaque
                                             : BackgroundMode::Transparent,
                              {200, 200, 10});
            dev.setBrushOrigin(origin);
            if (xorIt)
                dev.setRasterOp(RasterOp::Xor);
            // The same size again moved by whole pixels and by a fraction.
            for (const QPointF move : {QPointF(0, 0), QPointF(9, -7), QPointF(-6.25, 4.5)})
                dev.ellipse(box.translated(move));
        };
        QImage ours = Noise(rng, QImage::Format_RGB32);
        QImage theirs = ours.convertToFormat(QImage::Format_RGBX8888);
        const QImage before = ours.copy();
        paint(ours, xorOp);
        paint(theirs, xorOp);
        theirs = theirs.convertToFormat(QImage::Format_RGB32);
        // The toolkit's shape alone on black: outline, inside and hatch apart.
        QImage parts(Width, Height, QImage::Format_RGBX8888);
        parts.fill(Qt::black);
        paint(parts, false);
        parts = parts.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                drawn += theirs.pixel(x, y) != before.pixel(x, y);
                if (ours.pixel(x, y) == theirs.pixel(x, y))
                    continue;
                ++differing;
                bool edge = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = std::clamp(x + dx, 0, Width - 1);
                        const int ny = std::clamp(y + dy, 0, Height - 1);
                        edge = edge || parts.pixel(nx, ny) != parts.pixel(x, y);
                    }
                EXPECT_TRUE(edge) << "round " << round << ": pixel " << x << "," << y
                                  << " inside a part";
            }
    }
    std::cout << "ellipses: " << differing << " of " << drawn
              << " drawn pixels differ from the toolkit's\n";
    RecordProperty("DrawnPixels", std::to_string(drawn));
    RecordProperty("DifferingPixels", std::to_string(differing));
    EXPECT_LE(differing * 10000, drawn) << differing << " of " << drawn;
    EXPECT_GT(drawn, 200000);
}

} // namespace zemo
