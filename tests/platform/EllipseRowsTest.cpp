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

TEST(RowPlotter, ConvexFillsMovedByWholePixelsLightThePixelsScannedWhereTheyLie)
{
    // Dots of a map: a flattened ellipse (or a many-sided ring) scanned once at its fraction of
    // a pixel, then put down at whole-pixel offsets, against the same ring filled where it lies.
    std::mt19937 rng(41);
    QImage moved = Noise(rng, QImage::Format_RGB32), filled = moved.copy();
    RowPlotter rows(moved), fresh(filled);
    int put = 0;
    for (int round = 0; round < 300; ++round) {
        const QPointF fraction((rng() % 64) / 64.0 + (round % 5 == 0 ? 1.0 / 3 : 0), (rng() % 64) / 64.0);
        const double w = 0.5 + (rng() % 400) / 10.0, h = round % 3 == 0 ? w : 0.5 + (rng() % 400) / 10.0;
        std::vector<QPointF> ring;
        if (round % 2 == 0) {
            QPainterPath path;
            path.addEllipse(QRectF(fraction, QSizeF(w, h)));
            const QList<QPolygonF> polygons = path.toSubpathPolygons(QTransform::fromScale(2, 2));
            for (const QPointF& p : polygons.front())
                ring.push_back(p / 2);
        } else {
            const int n = 3 + int(rng() % 30);
            for (int i = 0; i < n; ++i)
                ring.push_back(fraction + QPointF(w / 2 * (1 + std::cos(i * 6.2832 / n)), h / 2 * (1 + std::sin(i * 6.2832 / n))));
        }
        const RowPlotter::ConvexRuns shape = rows.scanConvex(ring);
        ASSERT_TRUE(shape.usable) << "round " << round;
        rows.setClip(round % 4 == 3 ? std::optional(QRegion(10, 10, 100, 80)) : std::nullopt);
        fresh.setClip(round % 4 == 3 ? std::optional(QRegion(10, 10, 100, 80)) : std::nullopt);
        for (int k = 0; k < 3; ++k) {
            const QPoint by(int(rng() % (Width + 20)) - 20, int(rng() % (Height + 20)) - 20);
            const DeviceColor ink{uint8_t(rng()), uint8_t(round), 77};
            std::vector<QPointF> there;
            for (const QPointF& p : ring)
                there.push_back(p + QPointF(by));
            const int size[1] = {int(there.size())};
            ASSERT_TRUE(fresh.fillSolid(there, size, FillRule::OddEven, ink, RasterOp::Copy));
            if (rows.fillRuns(shape, by, ink, RasterOp::Copy))
                ++put;
            else  // cut by the clip: the rows scan it where it lies
                ASSERT_TRUE(rows.fillSolid(there, size, FillRule::OddEven, ink, RasterOp::Copy));
            ASSERT_EQ(moved, filled) << "round " << round << " at " << by.x() << "," << by.y();
        }
    }
    EXPECT_GT(put, 300);

    // A ring turning both ways or back on itself is not taken; nor is anything under XOR, nor
    // with the cache off.
    const std::vector<QPointF> star{{10, 0}, {12, 8}, {20, 10}, {12, 12}, {10, 20}, {8, 12}, {0, 10}, {8, 8}};
    EXPECT_FALSE(rows.scanConvex(star).usable);
    const std::vector<QPointF> spike{{0, 0}, {10, 0}, {20, 0}, {5, 0}, {0, 10}};
    EXPECT_FALSE(rows.scanConvex(spike).usable);
    const std::vector<QPointF> square{{0.25, 0.25}, {8.25, 0.25}, {8.25, 8.25}, {0.25, 8.25}};
    const RowPlotter::ConvexRuns s = rows.scanConvex(square);
    rows.setClip(std::nullopt);
    EXPECT_FALSE(rows.fillRuns(s, {20, 20}, {1, 2, 3}, RasterOp::Xor));
    rows.setShapeCache(false);
    EXPECT_FALSE(rows.fillRuns(s, {20, 20}, {1, 2, 3}, RasterOp::Copy));
    rows.setShapeCache(true);
    const QImage before = moved.copy();
    ASSERT_TRUE(rows.fillRuns(s, {20, 20}, {1, 2, 3}, RasterOp::Copy));
    // The square's pixel centres: columns and rows 20 to 27.
    for (int y = 18; y < 31; ++y)
        for (int x = 18; x < 31; ++x)
            EXPECT_EQ(moved.pixel(x, y), x >= 20 && x < 28 && y >= 20 && y < 28 ? 0xFF010203u : before.pixel(x, y))
                << x << "," << y;
}

} // namespace zemo
