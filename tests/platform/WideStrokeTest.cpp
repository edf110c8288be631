// Strokes wider than a pixel plotted straight into image rows against the toolkit's own stroker:
// the same pixels but for a few on the outline's edge, each drawn once under XOR.
#include "PlatformFixture.h"

#include <cmath>
#include <iostream>
#include <random>

namespace zemo {

namespace {

constexpr int Width = 160, Height = 120;
// Where strokes are centred: just short of the pixel centres (see PainterDevice).
constexpr double Centre = 0.5 - 1.0 / 32;

QImage Noise(std::mt19937& rng) { return NoiseImage(rng, Width, Height); }

// A wandering line whose corners are sharp, obtuse or reversing, on whole pixels like the device
// points of a map.
std::vector<QPointF> Wander(std::mt19937& rng, double width, bool closed)
{
    std::vector<QPointF> pts{{double(rng() % Width), double(rng() % Height)}};
    double heading = (rng() % 628) / 100.0;
    const int n = 2 + int(rng() % 9);
    for (int i = 1; i < n; ++i) {
        const int corner = int(rng() % 4);
        heading += corner == 0 ? 3.0 + (rng() % 30) / 100.0   // nearly reversing
                   : corner == 1 ? 1.6 + (rng() % 120) / 100.0  // sharp
                                 : ((rng() % 200) / 100.0 - 1.0) * 0.8;  // obtuse
        const double step = 2 + (rng() % 100) / 100.0 * std::max(8.0, width * 2);
        pts.emplace_back(std::round(pts.back().x() + step * std::cos(heading)),
                         std::round(pts.back().y() + step * std::sin(heading)));
    }
    if (closed)
        pts.push_back(pts.front());
    return pts;
}

// A line from a pixel in or up to 20 beyond the image, in fewest to fewest + more - 1 steps of
// step to step + stepSpread pixels, turning by up to `turn` radians at each: its points are
// rounded to whole pixels, the walk goes on from the exact places.
std::vector<QPointF> Walk(std::mt19937& rng, int fewest, int more, double turn, double step, double stepSpread)
{
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<QPointF> line{{double(int(rng() % (Width + 40)) - 20), double(int(rng() % (Height + 40)) - 20)}};
    double x = line[0].x(), y = line[0].y(), heading = unit(rng) * 6.2832;
    for (int i = 0, n = fewest + int(rng() % more); i < n; ++i) {
        heading += (unit(rng) * 2 - 1) * turn;
        const double length = step + unit(rng) * stepSpread;
        x += length * std::cos(heading);
        y += length * std::sin(heading);
        line.emplace_back(std::round(x), std::round(y));
    }
    return line;
}

// Pixels whose state differs from a neighbour's: the outline's edge.
bool OnEdge(const QImage& stroked, int x, int y)
{
    const bool in = stroked.pixel(x, y) != 0xFF000000u;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < Width && ny < Height
                && (stroked.pixel(nx, ny) != 0xFF000000u) != in)
                return true;
        }
    return false;
}

} // namespace

TEST(RowPlotter, WideStrokesLightThePixelsOfTheToolkitsStroke)
{
    std::mt19937 rng(77);
    // Three rectangles cut every stroke; one in three strokes is drawn whole as well.
    const QRegion clips[] = {QRegion(0, 0, Width, Height), QRegion(10, 5, 70, 90)
                                                               + QRegion(90, 20, 60, 40)
                                                               + QRegion(40, 80, 110, 35)};
    // Bevel and mitre joins, then round joins and caps, which may differ a little more on the
    // edge where the arcs are cut into chords.
    int64_t stroked[2] = {}, differing[2] = {}, offEdge = 0;
    for (int round = 0; round < 800; ++round) {
        const double width = round % 10 == 0 ? 1.5 : 1.5 + (rng() % 3850) / 100.0;
        const bool closed = round % 3 == 1, mitre = round % 4 == 2, xorOp = round % 5 == 3;
        const bool rounded = round >= 400, roundCaps = rounded && round % 7 != 0;
        const PenJoin join = rounded && round % 8 != 2 ? PenJoin::Round : mitre ? PenJoin::Mitre : PenJoin::Bevel;
        const QRegion& clip = clips[round % 3 == 0 ? 0 : 1];
        std::vector<QPointF> line = Wander(rng, width, closed);
        const DeviceColor ink{uint8_t(rng()), 60, 200};

        QImage ours = Noise(rng), theirs = ours.copy(), mask(Width, Height, QImage::Format_RGB32);
        RowPlotter rows(ours);
        rows.setClip(clip);
        // A ring either ends where it starts or is closed by the figure (a polygon's outline).
        const bool ring = closed && round % 2 == 0;
        if (ring)
            line.pop_back();
        const RowPlotter::StrokeFigure figure[1] = {{line, ring}};
        ASSERT_TRUE(rows.strokeWide(figure, {Centre, Centre}, width, join, roundCaps, ink,
                                    xorOp ? RasterOp::Xor : RasterOp::Copy));

        QPen pen(QColor(ink.r, ink.g, ink.b), width, Qt::SolidLine, roundCaps ? Qt::RoundCap : Qt::FlatCap,
                 join == PenJoin::Round   ? Qt::RoundJoin
                 : join == PenJoin::Mitre ? Qt::SvgMiterJoin
                                          : Qt::BevelJoin);
        pen.setMiterLimit(MitreLimit);
        QPolygonF shifted;
        for (const QPointF& p : line)
            shifted << p + QPointF(Centre, Centre);
        QPainterPath path;
        path.addPolygon(shifted);
        if (ring)
            path.closeSubpath();
        {
            QPainter p(&theirs);
            p.setClipRegion(clip);
            if (xorOp)
                p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.setPen(pen);
            p.drawPath(path);
        }
        // The toolkit's whole stroke alone, white on black, says which pixels it covers and
        // where its edge runs (not the clip's).
        mask.fill(Qt::black);
        {
            QPainter p(&mask);
            pen.setColor(Qt::white);
            p.setPen(pen);
            p.drawPath(path);
        }
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                stroked[rounded] += mask.pixel(x, y) != 0xFF000000u && clip.contains(QPoint(x, y));
                if (ours.pixel(x, y) != theirs.pixel(x, y)) {
                    ++differing[rounded];
                    if (!OnEdge(mask, x, y)) {
                        ++offEdge;
                        ADD_FAILURE() << "round " << round << " width " << width << ": pixel " << x
                                      << "," << y << " inside the stroke";
                    }
                }
            }
    }
    for (const bool rounded : {false, true}) {
        std::cout << (rounded ? "round" : "bevel and mitre") << " wide strokes: " << differing[rounded] << " of "
                  << stroked[rounded] << " stroked pixels differ from the toolkit's\n";
        RecordProperty(rounded ? "RoundStrokedPixels" : "StrokedPixels", std::to_string(stroked[rounded]));
        RecordProperty(rounded ? "RoundDifferingPixels" : "DifferingPixels", std::to_string(differing[rounded]));
        EXPECT_GT(stroked[rounded], 100000);
    }
    EXPECT_EQ(offEdge, 0);
    EXPECT_LE(differing[0] * 1000, stroked[0]) << differing[0] << " of " << stroked[0];
    EXPECT_LE(differing[1] * 200, stroked[1]) << differing[1] << " of " << stroked[1];
}

} // namespace zemo

namespace zemo {

TEST(RowPlotter, StrokePiecesFromTheShapeCacheLightThePixelsScannedAnew)
{
    // Thin strokes of short steps on whole pixels, as a map draws them, in widths, joins, caps,
    // centres and clips that change from stroke to stroke, many running off the image: one
    // plotter keeps its shapes throughout, the other scans every piece.
    std::mt19937 rng(11);
    QImage cached = Noise(rng), scanned = cached.copy();
    RowPlotter withShapes(cached), without(scanned);
    without.setShapeCache(false);
    const double widths[] = {2, 4, 3, 1.5, 2.5, 6, 9.75};
    const PenJoin joins[] = {PenJoin::Round, PenJoin::Bevel, PenJoin::Mitre};
    const QPointF shifts[] = {{Centre, Centre}, {0.5, 0.5}, {0, 0}, {0.3, Centre}};
    for (int round = 0; round < 2000; ++round) {
        const double width = widths[round % 7];
        const PenJoin join = joins[round / 7 % 3];
        const bool roundCaps = round % 4 != 1;
        // Late on, more centres than the cache keeps classes for.
        const QPointF shift = round < 1000 ? shifts[round / 21 % 4] : QPointF(round % 80 / 80.0, Centre);
        std::vector<QPointF> line{{double(int(rng() % (Width + 20)) - 10), double(int(rng() % (Height + 20)) - 10)}};
        for (int i = 0, n = 2 + int(rng() % 30); i < n; ++i)
            line.emplace_back(line.back() + QPointF(int(rng() % 13) - 6, int(rng() % 13) - 6));
        if (round % 9 == 4)
            line.push_back(line.front());
        // All points at one fraction of a pixel, or one point off it.
        if (round % 5 == 2)
            for (QPointF& p : line)
                p += QPointF(0.25, 0.75);
        if (round % 7 == 3)
            line[line.size() / 2] += QPointF(0.5, 0);
        const RowPlotter::StrokeFigure figure[1] = {{line, round % 18 == 4}};
        const int clip = round / 5 % 3;
        for (RowPlotter* rows : {&withShapes, &without}) {
            rows->setClip(clip == 1 ? std::optional(QRegion(10, 5, 70, 90) + QRegion(90, 20, 60, 40)) : std::nullopt);
            if (clip == 2) {
                const std::vector<QPointF> path{{20, 10}, {150, 30}, {120, 110}, {30, 90}};
                const int size[1] = {4};
                ASSERT_TRUE(rows->setClipPath(path, size, FillRule::Winding));
            }
            const DeviceColor ink{uint8_t(round), uint8_t(round / 3), 200};
            ASSERT_TRUE(rows->strokeWide(figure, shift, width, join, roundCaps, ink, RasterOp::Copy));
        }
        ASSERT_EQ(cached, scanned) << "round " << round << " width " << width << " join " << int(join);
    }
}

TEST(RowPlotter, StrokesOnWholePixelsLightThePixelsOfTheirPiecesScannedAnew)
{
    // Figures on whole pixels, as the device gives a map's lines, take their segments from the
    // shape cache in one pass of whole steps: short steps, steps about the longest the cache
    // keeps and beyond it, repeated points, rings, several figures a call (one of them now and
    // then off whole pixels, or beyond the exact range), shifts below zero and past a pixel,
    // widths up to the widest kept, and every kind of clip.
    std::mt19937 rng(23);
    QImage cached = Noise(rng), scanned = cached.copy();
    const QImage noise = cached.copy();
    RowPlotter withShapes(cached), without(scanned);
    without.setShapeCache(false);
    // Some widths put the sides of steps along an axis exactly on halves of the raster
    // engine's 1/64 steps.
    const double widths[] = {2, 1.25, 97.0 / 64, 3, 5.5, 12, 161.0 / 64, 20, 31.5, 225.0 / 64, 32};
    const QPointF shifts[] = {{Centre, Centre}, {-0.25, 1.75}, {3, -2}, {0.5, 0}, {0.125, 0.875}};
    const std::vector<QPointF> clipPath{{20, 10}, {150, 30}, {120, 110}, {30, 90}};
    const int clipSize[1] = {4};
    for (int round = 0; round < 2200; ++round) {
        const double width = widths[round % 11];
        const PenJoin join = round / 8 % 7 == 6 ? PenJoin::Mitre : round / 8 % 2 ? PenJoin::Bevel : PenJoin::Round;
        const bool roundCaps = round % 3 != 1;
        const QPointF shift = shifts[round / 30 % 5];
        std::vector<std::vector<QPointF>> lines(1 + size_t(round % 3));
        for (std::vector<QPointF>& line : lines) {
            line.emplace_back(int(rng() % (Width + 40)) - 20, int(rng() % (Height + 40)) - 20);
            for (int i = 0, n = 1 + int(rng() % 12); i < n; ++i) {
                const int reach = rng() % 4 == 0 ? 60 : rng() % 2 ? 33 : 7;
                if (rng() % 3 == 0) {
                    // Along an axis, where the halves lie.
                    line.push_back(line.back() + (rng() % 2 ? QPointF(int(rng() % 9) - 4, 0) : QPointF(0, int(rng() % 9) - 4)));
                    continue;
                }
                const auto step = [&] { return int(rng() % unsigned(2 * reach + 1)) - reach; };
                const int dx = step(), dy = step();
                line.push_back(line.back() + QPointF(dx, dy));
                if (rng() % 10 == 0)
                    line.push_back(line.back());
            }
            if (rng() % 6 == 0)
                line.push_back(line.front());
            if (rng() % 9 == 0)
                line[rng() % line.size()] += QPointF(0.5, 0);
            else if (rng() % 8 == 0)
                for (QPointF& p : line)
                    p += QPointF(0.25, 0.75);
            if (round % 97 == 50)
                line.back() = QPointF(16100, 40);
        }
        std::vector<RowPlotter::StrokeFigure> figures;
        for (const std::vector<QPointF>& line : lines)
            figures.push_back({line, rng() % 5 == 0});
        const int clip = round % 4;
        bool drawn[2] = {};
        for (RowPlotter* rows : {&withShapes, &without}) {
            rows->setClip(clip == 1   ? std::optional(QRegion(7, 9, 131, 97))
                          : clip == 2 ? std::optional(QRegion(10, 5, 70, 90) + QRegion(90, 20, 60, 40))
                                      : std::nullopt);
            if (clip == 3) {
                ASSERT_TRUE(rows->setClipPath(clipPath, clipSize, FillRule::Winding));
            }
            const DeviceColor ink{uint8_t(round), uint8_t(round / 5), uint8_t(90 + round % 7)};
            drawn[rows == &without] = rows->strokeWide(figures, shift, width, join, roundCaps, ink, RasterOp::Copy);
        }
        ASSERT_EQ(drawn[0], drawn[1]) << "round " << round;
        ASSERT_EQ(drawn[0], round % 97 != 50) << "round " << round;
        ASSERT_EQ(cached, scanned) << "round " << round << " width " << width << " join " << int(join);
    }
    int untouched = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            untouched += cached.pixel(x, y) == noise.pixel(x, y);
    EXPECT_LT(untouched, Width * Height / 20);

    // More shapes than the cache keeps, of one class, each met often enough to be kept: it
    // starts again midway through a figure.
    for (int figure = 0; figure < 4400; ++figure) {
        std::vector<QPointF> line{{double(rng() % Width), double(rng() % Height)}};
        for (int i = 0; i < 8; ++i)
            line.push_back(line.back() + QPointF(int(rng() % 65) - 32, int(rng() % 65) - 32));
        const RowPlotter::StrokeFigure one[1] = {{line, false}};
        for (int again = 0; again < 4; ++again) {
            const DeviceColor ink{uint8_t(figure), uint8_t(30 + again), uint8_t(figure / 7)};
            for (RowPlotter* rows : {&withShapes, &without}) {
                rows->setClip(std::nullopt);
                ASSERT_TRUE(rows->strokeWide(one, {Centre, Centre}, 2.5, PenJoin::Round, true, ink, RasterOp::Copy));
            }
        }
        ASSERT_EQ(cached, scanned) << "figure " << figure;
    }
}

TEST(RowPlotter, RandomWalkStrokesLightThePixelsOfTheirPiecesScannedAnew)
{
    // Lines that wander in long steps on whole pixels, turning by up to half a radian at each
    // point, as contours and paths at editing zooms: the bends at their joints are scanned
    // where they lie, the rest of their pieces come from shapes kept for the segments' sides.
    // Pens of a width, join and centre for a while at a time, as a map's colour pass has them;
    // centres on and off the raster's 1/64 steps; lines closed, cut by clips and off the image.
    std::mt19937 rng(53);
    QImage cached = Noise(rng), scanned = cached.copy();
    const QImage noise = cached.copy();
    RowPlotter withShapes(cached), without(scanned);
    without.setShapeCache(false);
    struct Pen {
        double width;
        PenJoin join;
        bool roundCaps;
        QPointF shift;
    };
    const Pen pens[] = {{2, PenJoin::Round, true, {Centre, Centre}},   {3, PenJoin::Round, true, {Centre, Centre}},
                        {4, PenJoin::Bevel, false, {0.5, 0.5}},        {1.75, PenJoin::Round, true, {0.3, 0.7}},
                        {5, PenJoin::Round, false, {0, 0}},            {2.5, PenJoin::Bevel, true, {0.125, Centre}}};
    const std::vector<QPointF> clipPath{{20, 10}, {150, 30}, {120, 110}, {30, 90}};
    const int clipSize[1] = {4};
    for (int round = 0; round < 2400; ++round) {
        const Pen& pen = pens[round / 400];
        std::vector<QPointF> line = Walk(rng, 2, 28, 0.5, 4, 8);
        const bool closed = round % 13 == 6;
        if (closed)
            line.push_back(line.front());
        const RowPlotter::StrokeFigure figure[1] = {{line, closed && round % 2 == 0}};
        const int clip = round % 11 == 3 ? 1 + round / 11 % 3 : 0;
        for (RowPlotter* rows : {&withShapes, &without}) {
            rows->setClip(clip == 1   ? std::optional(QRegion(7, 9, 131, 97))
                          : clip == 2 ? std::optional(QRegion(10, 5, 70, 90) + QRegion(90, 20, 60, 40))
                                      : std::nullopt);
            if (clip == 3) {
                ASSERT_TRUE(rows->setClipPath(clipPath, clipSize, FillRule::Winding));
            }
            const DeviceColor ink{uint8_t(round), uint8_t(round / 7), uint8_t(60 + round % 11)};
            ASSERT_TRUE(rows->strokeWide(figure, pen.shift, pen.width, pen.join, pen.roundCaps, ink, RasterOp::Copy));
        }
        ASSERT_EQ(cached, scanned) << "round " << round << " width " << pen.width;
    }
    int untouched = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            untouched += cached.pixel(x, y) == noise.pixel(x, y);
    EXPECT_LT(untouched, Width * Height / 20);
}

TEST(RowPlotter, SolidFillsMatchTheToolkitsFillSmallAndLarge)
{
    // Small polygons are counted in a box of windings, large ones with few crossings by sorted
    // edges; both give the toolkit's pixels exactly, for either rule, under XOR and a clip.
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const bool large = round % 2 == 1, xorOp = round % 5 == 2;
        const FillRule rule = round % 3 == 0 ? FillRule::Winding : FillRule::OddEven;
        const int side = large ? 600 : 60;
        QImage ours(side, side * 2 / 3, QImage::Format_RGB32);
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x)
                ours.setPixel(x, y, 0xFF000000u | rng() % 0x1000000u);
        QImage theirs = ours.copy();
        const QRegion clip = round % 4 == 0 ? QRegion(ours.rect())
                                            : QRegion(side / 10, side / 20, side / 2, side / 2)
                                                  + QRegion(side / 2, side / 4, side / 3, side / 3);
        std::vector<QPointF> points;
        std::vector<int> rings;
        QPainterPath area;
        area.setFillRule(rule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill);
        for (int r = 0, count = 1 + int(rng() % 3); r < count; ++r) {
            rings.push_back(3 + int(rng() % 9));
            for (int i = 0; i < rings.back(); ++i) {
                points.emplace_back((int(rng() % (side * 24)) - side * 2) / 20.0,
                                    (int(rng() % (side * 16)) - side * 2) / 20.0);
                i ? area.lineTo(points.back()) : area.moveTo(points.back());
            }
            area.closeSubpath();
        }
        const DeviceColor ink{uint8_t(rng()), 10, 240};
        RowPlotter rows(ours);
        rows.setClip(clip);
        ASSERT_TRUE(
            rows.fillSolid(points, rings, rule, ink, xorOp ? RasterOp::Xor : RasterOp::Copy));
        {
            QPainter p(&theirs);
            p.setClipRegion(clip);
            if (xorOp)
                p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.fillPath(area, QColor(ink.r, ink.g, ink.b));
        }
        ASSERT_EQ(ours, theirs) << "round " << round;
    }
}

TEST(RowPlotter, SmallManyPointedAreasFillAsTheToolkitFillsThem)
{
    // A map's small areas: rings of many points round a centre, a couple of crossings a row,
    // painted over each other, some running off the image or cut by the clip.
    std::mt19937 rng(23);
    QImage ours = Noise(rng), theirs = ours.copy();
    for (int round = 0; round < 400; ++round) {
        const QRegion clip = round % 3 == 0 ? QRegion(0, 0, Width, Height)
                             : round % 3 == 1 ? QRegion(12, 7, 90, 80)
                                              : QRegion(12, 7, 60, 80) + QRegion(80, 30, 70, 60);
        const QPointF centre((int(rng() % (Width + 40)) - 20) + (rng() % 64) / 64.0,
                             (int(rng() % (Height + 40)) - 20) + (rng() % 64) / 64.0);
        const int n = 16 + int(rng() % 25);
        const double radius = 2 + (rng() % 2800) / 100.0;
        std::vector<QPointF> points;
        QPainterPath area;
        area.setFillRule(Qt::OddEvenFill);
        for (int i = 0; i < n; ++i) {
            const double a = i * 6.2832 / n, r = radius * (0.75 + (rng() % 25) / 100.0);
            points.emplace_back(std::round(centre.x() + r * std::cos(a)), std::round(centre.y() + r * std::sin(a)));
            i ? area.lineTo(points.back()) : area.moveTo(points.back());
        }
        area.closeSubpath();
        const int rings[1] = {n};
        const DeviceColor ink{uint8_t(rng()), uint8_t(round), 90};
        RowPlotter rows(ours);
        rows.setClip(clip);
        ASSERT_TRUE(rows.fillSolid(points, rings, FillRule::OddEven, ink, RasterOp::Copy));
        QPainter p(&theirs);
        p.setClipRegion(clip);
        p.fillPath(area, QColor(ink.r, ink.g, ink.b));
        p.end();
        ASSERT_EQ(ours, theirs) << "round " << round;
    }
}

} // namespace zemo

namespace zemo {

TEST(RowPlotter, XorStrokesFlipTheOverlapOfTheirSegmentsOnce)
{
    // A hairpin: both segments and the join cover the joint's neighbourhood, which a stroke drawn
    // piece by piece would flip back to white.
    const DeviceColor ink{0, 200, 90};
    for (const PenJoin join : {PenJoin::Bevel, PenJoin::Mitre, PenJoin::Round}) {
        const QImage img = Draw({80, 60}, [&](PainterDevice& dev) {
            ASSERT_TRUE(dev.setRasterOp(RasterOp::Xor));
            dev.setPen(Pen(14, ink, join, join == PenJoin::Round ? PenCap::Round : PenCap::Flat));
            Line(dev, {{10, 20}, {60, 30}, {12, 36}, {12, 50}});
        });
        const QRgb flipped = qRgb(255 ^ ink.r, 255 ^ ink.g, 255 ^ ink.b);
        for (const QPoint at : {QPoint(58, 30), QPoint(50, 30), QPoint(30, 30), QPoint(12, 40)})
            EXPECT_EQ(img.pixel(at), flipped) << "join " << int(join) << " at " << at.x() << "," << at.y();
        EXPECT_EQ(img.pixel(75, 5), qRgb(255, 255, 255));
    }
}

TEST(RowPlotter, ALongSegmentTurningIntoAShortEndKeepsItsBendToTheOutline)
{
    // Filled from its leftmost to its rightmost crossing on each row, the long segment's piece
    // with the bevel taken in would fill the corner inside the bend, which the short last
    // segment does not cover.
    const QImage img = Draw({100, 100}, Pen(20, Black), {}, [](PainterDevice& dev) {
        Line(dev, {{10, 10}, {70, 70}, {68, 72}});
    });
    EXPECT_EQ(img.pixel(66, 75), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(68, 64), qRgb(0, 0, 0));
}

} // namespace zemo

namespace zemo {

TEST(RowPlotter, StrokesWhosePiecesRecurByTurnsLightThePixelsOfTheirPiecesScannedAnew)
{
    // One pen for lines in long wandering steps, whose whole pieces seldom recur, and for lines
    // in short steps, whose pieces do, by turns: the plotter stops looking for the former's
    // pieces and starts again for the latter's. Bends cut by the clip's edges, and lines off
    // the image, fall back to their pieces scanned where they lie.
    std::mt19937 rng(61);
    QImage cached = Noise(rng), scanned = cached.copy();
    RowPlotter withShapes(cached), without(scanned);
    without.setShapeCache(false);
    for (int round = 0; round < 1800; ++round) {
        const bool longSteps = round / 150 % 2 == 0;
        const double width = round < 900 ? 2.5 : 3.75;
        const PenJoin join = round < 900 ? PenJoin::Round : PenJoin::Bevel;
        const std::vector<QPointF> line = longSteps ? Walk(rng, 3, 40, 0.5, 5, 17) : Walk(rng, 3, 40, 1.2, 1, 2);
        const RowPlotter::StrokeFigure figure[1] = {{line, false}};
        for (RowPlotter* rows : {&withShapes, &without}) {
            rows->setClip(round % 7 == 3 ? std::optional(QRegion(10, 5, 70, 90) + QRegion(90, 20, 60, 40)) : std::nullopt);
            const DeviceColor ink{uint8_t(round), uint8_t(round / 9), uint8_t(40 + round % 13)};
            ASSERT_TRUE(rows->strokeWide(figure, {Centre, Centre}, width, join, true, ink, RasterOp::Copy));
        }
        ASSERT_EQ(cached, scanned) << "round " << round;
    }
}

} // namespace zemo
