// Drawing inside a clip path (an area's outline, as hatch lines and structures are drawn) and
// framed rectangles straight into image rows against the same calls drawn by the toolkit on an image format the
// row plotter does not take.
#include "PlatformFixture.h"

#include <iostream>
#include <random>

namespace zemo {

namespace {

constexpr int Width = 150, Height = 110;

QImage Noise(std::mt19937& rng) { return NoiseImage(rng, Width, Height); }

std::vector<QPointF> Blob(std::mt19937& rng, QPointF centre, double radius, int corners)
{
    std::vector<QPointF> ring;
    for (int k = 0; k < corners; ++k) {
        const double a = k * 6.2832 / corners, r = radius * (0.5 + (rng() % 50) / 100.0);
        ring.emplace_back(std::round((centre.x() + r * std::cos(a)) * 4) / 4,
                          std::round((centre.y() + r * std::sin(a)) * 4) / 4);
    }
    return ring;
}

} // namespace

TEST(RowPlotter, DrawingInsideAClipPathMatchesTheToolkit)
{
    std::mt19937 rng(12);
    int64_t drawn = 0, differing = 0;
    for (int round = 0; round < 240; ++round) {
        const bool xorOp = round % 4 == 3, baseClip = round % 3 == 1;
        const QPointF centre(double(20 + rng() % 110), double(15 + rng() % 80));
        std::vector<QPointF> area = Blob(rng, centre, 20 + rng() % 60, 5 + int(rng() % 40));
        // Half of the outlines have a hole, as an area's clip path does, turning either way: under
        // the winding rule a hole turning as its outline does is no hole.
        std::vector<int> rings{int(area.size())};
        if (round % 2 == 0) {
            const std::vector<QPointF> hole = Blob(rng, centre, 8, 4 + int(rng() % 6));
            if (round % 8 < 4)
                area.insert(area.end(), hole.rbegin(), hole.rend());
            else
                area.insert(area.end(), hole.begin(), hole.end());
            rings.push_back(int(hole.size()));
        }
        const FillRule clipRule = round % 4 < 2 ? FillRule::OddEven : FillRule::Winding;
        const DeviceColor ink{uint8_t(rng()), 40, 180};
        const double width = round % 5 == 0 ? 1 : 1.5 + (rng() % 80) / 10.0;
        const PenJoin join = round % 2 ? PenJoin::Round : PenJoin::Bevel;
        const PenCap cap = round % 2 ? PenCap::Round : PenCap::Flat;
        // Hatch lines across, a structure of dots and triangles, and a hatch fill.
        std::vector<std::vector<QPointF>> lines, triangles;
        for (double y = -10 + rng() % 7; y < Height + 10; y += 5 + rng() % 6)
            lines.push_back({{-20, y}, {Width + 20.0, y + double(rng() % 30) - 15}});
        std::vector<QRectF> dots;
        for (int k = 0; k < 30; ++k) {
            const QPointF at(double(rng() % Width), double(rng() % Height));
            dots.emplace_back(at, QSizeF(1 + rng() % 8, 1 + rng() % 8));
            triangles.push_back({at + QPointF(3, 0), at + QPointF(6, 5), at + QPointF(0, 5.5)});
        }
        const HatchStyle hatch = AllHatches[rng() % 6];
        // Framed rectangles on whole, half and any pixels, inside the clip and after it.
        std::vector<QRectF> frames;
        for (int k = 0; k < 8; ++k) {
            const double fraction = k % 3 == 0 ? 0 : k % 3 == 1 ? 0.5 : (rng() % 64) / 64.0;
            frames.emplace_back(double(rng() % Width) - 10 + fraction, double(rng() % Height) - 10 + fraction,
                                1 + rng() % 40, 1 + rng() % 30);
        }
        const int frameWidth = int(rng() % 7);
        const auto drawFrames = [&](PainterDevice& dev) {
            dev.setPen(frameWidth == 0 ? NullPen : Pen(frameWidth, ink, PenJoin::Bevel, PenCap::Flat, round % 2 == 0));
            dev.setBrush(round % 3 == 0 ? DeviceBrush{} : Solid({20, 200, 20}));
            for (const QRectF& frame : frames)
                dev.rectangle(frame);
        };
        const auto paint = [&](QImage& img) {
            PainterDevice dev(&img);
            if (baseClip)
                dev.setBaseClip(QRegion(0, 0, Width / 2, Height) + QRegion(Width / 2 + 10, 20, 50, 60));
            if (xorOp)
                dev.setRasterOp(RasterOp::Xor);
            dev.setFillRule(clipRule);
            dev.beginPath();
            dev.polygon(area, rings);
            dev.endPath();
            ASSERT_TRUE(dev.clipToPath());
            dev.setPen(Pen(width, ink, join, cap));
            for (const std::vector<QPointF>& line : lines)
                dev.polyline(line);
            dev.setPen(NullPen);
            dev.setBrush(Solid(ink));
            for (const QRectF& dot : dots)
                dev.ellipse(dot);
            for (const std::vector<QPointF>& triangle : triangles)
                dev.polygon(triangle);
            dev.setBrush(Hatch(hatch, {0, 0, 0}));
            dev.setBrushOrigin({int(rng() % 8), 3});
            dev.polygon(Blob(rng, {75, 55}, 60, 9));
            drawFrames(dev);
            dev.resetClip();
            drawFrames(dev);
            // The clip path gone, the image's rows take the rest again.
            dev.setPen(Pen(3, ink));
            dev.polyline(std::vector<QPointF>{{0, 50}, {Width, 50}});
        };
        QImage ours = Noise(rng);
        QImage theirs = ours.convertToFormat(QImage::Format_RGBX8888);
        const QImage before = ours.copy();
        const std::mt19937 same = rng;
        paint(ours);
        rng = same;
        paint(theirs);
        theirs = theirs.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                drawn += theirs.pixel(x, y) != before.pixel(x, y);
                differing += ours.pixel(x, y) != theirs.pixel(x, y);
            }
    }
    std::cout << "inside clip paths: " << differing << " of " << drawn << " drawn pixels differ from the toolkit's\n";
    // The clip path's pixels are the toolkit's exactly; so are these strokes' within it.
    EXPECT_EQ(differing, 0);
    EXPECT_GT(drawn, 100000);
}

} // namespace zemo

namespace zemo {

TEST(RowPlotter, AClipPathKeptAsFiguresClipsTheToolkitAsItsPainterPathWould)
{
    // The clip of an area's outline is kept as its figures: the rows clip to their rings at
    // once, the toolkit's path is made only when the painter draws. Antialiased fills go
    // through the painter; a second clip path, a clip saved and restored and one with a curve
    // mix both ways.
    std::mt19937 rng(31);
    for (int round = 0; round < 60; ++round) {
        const QPointF centre(double(30 + rng() % 90), double(25 + rng() % 60));
        const std::vector<QPointF> outline = Blob(rng, centre, 30 + rng() % 40, 8 + int(rng() % 30));
        const std::vector<QPointF> hole = Blob(rng, centre, 8, 4 + int(rng() % 6));
        const std::vector<QPointF> open = {{5, 5}, {60, 10}, {30, 40}};
        const bool winding = round % 2 == 1;
        const int kind = round % 4;
        const DeviceColor ink{uint8_t(rng()), 90, 160};
        const auto draw = [&](auto&& clip, auto&& fill) {
            clip();
            fill(true);
            fill(false);
        };
        QImage ours = Noise(rng), theirs = ours.copy();
        {
            PainterDevice dev(&ours);
            dev.setFillRule(winding ? FillRule::Winding : FillRule::OddEven);
            dev.setPen(NullPen);
            dev.setBrush(Solid(ink));
            const auto clip = [&] {
                dev.beginPath();
                dev.polygon(outline);
                dev.polygon(hole);
                dev.polyline(open);
                if (kind == 3)
                    dev.ellipse(QRectF(centre, QSizeF(20, 14)));
                dev.endPath();
                ASSERT_TRUE(dev.clipToPath());
                if (kind == 1) {
                    dev.beginPath();
                    dev.polygon(std::vector<QPointF>{{0, 0}, {Width * 0.7, 0}, {Width * 0.7, Height}, {0, Height}});
                    dev.endPath();
                    ASSERT_TRUE(dev.clipToPath());
                }
                if (kind == 2) {
                    dev.save();
                    dev.resetClip();
                    dev.restore();
                }
            };
            const auto fill = [&](bool smooth) {
                dev.setAntialiasing(smooth);
                dev.polygon(std::vector<QPointF>{{-3, 2.5}, {Width + 3.0, 8.25}, {Width - 9.5, Height + 2.0}, {4, Height - 6.5}});
            };
            draw(clip, fill);
            dev.finish();
        }
        {
            QPainter p(&theirs);
            QPainterPath area;
            area.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
            for (const std::vector<QPointF>* ring : {&outline, &hole}) {
                area.moveTo(ring->front());
                for (size_t i = 1; i < ring->size(); ++i)
                    area.lineTo((*ring)[i]);
                area.closeSubpath();
            }
            area.moveTo(open[0]);
            area.lineTo(open[1]);
            area.lineTo(open[2]);
            if (kind == 3)
                area.addEllipse(QRectF(centre, QSizeF(20, 14)));
            const auto clip = [&] {
                p.setClipPath(area);
                if (kind == 1)
                    p.setClipRect(QRectF(0, 0, Width * 0.7, Height), Qt::IntersectClip);
            };
            const auto fill = [&](bool smooth) {
                p.setRenderHint(QPainter::Antialiasing, smooth);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(ink.r, ink.g, ink.b));
                p.drawPolygon(QPolygonF({{-3, 2.5}, {Width + 3.0, 8.25}, {Width - 9.5, Height + 2.0}, {4, Height - 6.5}}));
            };
            draw(clip, fill);
        }
        ASSERT_EQ(ours, theirs) << "round " << round << " kind " << kind;
    }
}

} // namespace zemo
