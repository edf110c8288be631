// Area fills straight into image rows: rows crossed two or four times are filled from the
// crossings kept with the row, the others from runs of sorted crossings. Both ways must light the toolkit's pixels on the shapes a
// map's areas take: blobs, concave outlines, holes, outlines touching themselves, many separate
// rings, corners off whole pixels, and outlines running out of the clip and the image.
#include "PlatformFixture.h"

#include "platform/RowPlotter.h"

#include <random>

namespace zemo {

namespace {

constexpr int Width = 160, Height = 120;

struct Shape {
    std::vector<QPointF> points;
    std::vector<int> rings;
    const char* kind = "";
};

void AddRing(Shape& s, const std::vector<QPointF>& ring)
{
    s.points.insert(s.points.end(), ring.begin(), ring.end());
    s.rings.push_back(int(ring.size()));
}

// A map's small area: corners round a centre at irregular distances, whole pixels moved by
// `offset`.
std::vector<QPointF> Blob(std::mt19937& rng, QPointF centre, double radius, int corners, QPointF offset)
{
    std::vector<QPointF> ring;
    for (int k = 0; k < corners; ++k) {
        const double a = k * 6.2832 / corners, r = radius * (0.75 + (rng() % 26) / 100.0);
        ring.emplace_back(std::round(centre.x() + r * std::cos(a)) + offset.x(),
                          std::round(centre.y() + r * std::sin(a)) + offset.y());
    }
    return ring;
}

// Teeth hanging from a bar: rows through the teeth are crossed many times, in one run.
std::vector<QPointF> Comb(QPointF at, int teeth, double tooth, double gap, double length)
{
    std::vector<QPointF> ring{at};
    double x = at.x();
    for (int k = 0; k < teeth; ++k) {
        ring.emplace_back(x, at.y() + 6 + length);
        ring.emplace_back(x + tooth, at.y() + 6 + length);
        x += tooth;
        if (k + 1 < teeth) {
            ring.emplace_back(x, at.y() + 6);
            ring.emplace_back(x + gap, at.y() + 6);
            x += gap;
        }
    }
    ring.emplace_back(x, at.y());
    return ring;
}

std::vector<QPointF> Box(double x, double y, double w, double h) { return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}; }

// Pixel offsets of the corners: whole pixels, quarters, the engine's 1/64 steps and the halves
// between them, which lie on row centres.
QPointF Offset(std::mt19937& rng)
{
    switch (rng() % 5) {
    case 0: return {0, 0};
    case 1: return {0.5, 0.5};
    case 2: return {(rng() % 4) / 4.0, (rng() % 4) / 4.0};
    case 3: return {(rng() % 64) / 64.0, (rng() % 64) / 64.0};
    default: return {(rng() % 128) / 128.0, (rng() % 128) / 128.0};
    }
}

Shape RandomShape(std::mt19937& rng, int pick)
{
    Shape s;
    const QPointF offset = Offset(rng);
    const QPointF centre(double(int(rng() % (Width + 40)) - 20), double(int(rng() % (Height + 40)) - 20));
    switch (pick) {
    case 0: {
        // Turning either way: which crossing of a row goes down and which up changes sides.
        s.kind = "blob";
        std::vector<QPointF> ring = Blob(rng, centre, 15 + rng() % 16, 16 + int(rng() % 25), offset);
        if (rng() % 2)
            std::reverse(ring.begin(), ring.end());
        AddRing(s, ring);
        break;
    }
    case 1: {
        // An outline with a hole turning either way (under the winding rule a hole turning as
        // its outline does is filled).
        s.kind = "blob with a hole";
        AddRing(s, Blob(rng, centre, 22 + rng() % 10, 16 + int(rng() % 25), offset));
        std::vector<QPointF> hole = Blob(rng, centre, 6 + rng() % 8, 5 + int(rng() % 10), offset);
        if (rng() % 2)
            std::reverse(hole.begin(), hole.end());
        AddRing(s, hole);
        break;
    }
    case 2:
        s.kind = "comb";
        AddRing(s, Comb(centre - QPointF(40, 20) + offset, 3 + int(rng() % 10), 2 + rng() % 4, 1 + rng() % 4,
                        8 + rng() % 30));
        break;
    case 3: {
        // Staggered boxes, each its own ring: bands of rows crossed 2, 4 and 6 times, then not
        // at all, again and again.
        s.kind = "staggered boxes";
        const double w = 4 + rng() % 6, h = 2 + rng() % 5;
        for (int row = 0; row < 14; ++row)
            for (int col = 0; col < 3; ++col)
                AddRing(s, Box(10 + col * (w + 3) + offset.x(), 4 + row * (h + 2) + col * 1.5 + offset.y(), w, h));
        break;
    }
    case 4:
        // Two triangles meeting at a corner, and a bow tie crossing itself.
        s.kind = "self-touching";
        AddRing(s, {centre + offset, centre + offset + QPointF(30, -20), centre + offset + QPointF(30, 20)});
        AddRing(s, {centre + offset, centre + offset + QPointF(-25, 18), centre + offset + QPointF(-28, -15)});
        AddRing(s, {centre + offset + QPointF(-20, 30), centre + offset + QPointF(20, 55),
                    centre + offset + QPointF(20, 30), centre + offset + QPointF(-20, 55)});
        break;
    default: {
        // One ring that winds back over itself: its winding is 2 in the middle.
        s.kind = "double loop";
        std::vector<QPointF> ring = Blob(rng, centre, 25, 20, offset);
        const std::vector<QPointF> inner = Blob(rng, centre, 12, 12, offset);
        ring.push_back(ring.front());
        ring.insert(ring.end(), inner.begin(), inner.end());
        ring.push_back(inner.front());
        AddRing(s, ring);
        break;
    }
    }
    return s;
}

QRegion RandomClip(std::mt19937& rng)
{
    switch (rng() % 3) {
    case 0: return QRegion(0, 0, Width, Height);
    case 1: return QRegion(int(rng() % 40), int(rng() % 30), 60 + int(rng() % 80), 40 + int(rng() % 60));
    default: return QRegion(12, 7, 60, 80) + QRegion(80, 30, 70, 60);
    }
}

QPainterPath PathOf(const Shape& s, FillRule rule)
{
    QPainterPath path;
    path.setFillRule(rule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (size_t at = 0; int n : s.rings) {
        for (int i = 0; i < n; ++i)
            i ? path.lineTo(s.points[at + size_t(i)]) : path.moveTo(s.points[at + size_t(i)]);
        path.closeSubpath();
        at += size_t(n);
    }
    return path;
}

} // namespace

TEST(AreaFillRows, RowsCrossedUpToFourTimesFillAsSortedCrossingsAndTheToolkitDo)
{
    std::mt19937 rng(75);
    int filled = 0;
    for (int round = 0; round < 900; ++round) {
        const Shape shape = RandomShape(rng, round % 6);
        const FillRule rule = round % 4 < 2 ? FillRule::OddEven : FillRule::Winding;
        const bool xorOp = round % 7 == 3;
        const QRegion clip = RandomClip(rng);
        const DeviceColor ink{uint8_t(rng()), uint8_t(round), 90};
        const QImage start = NoiseImage(rng, Width, Height);
        QImage twice = start.copy(), sorted = start.copy(), theirs = start.copy();
        for (const bool rowEnds : {true, false}) {
            RowPlotter rows(rowEnds ? twice : sorted);
            rows.setRowEnds(rowEnds);
            rows.setClip(clip);
            ASSERT_TRUE(rows.fillSolid(shape.points, shape.rings, rule, ink, xorOp ? RasterOp::Xor : RasterOp::Copy));
        }
        QPainter p(&theirs);
        p.setClipRegion(clip);
        if (xorOp)
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillPath(PathOf(shape, rule), QColor(ink.r, ink.g, ink.b));
        p.end();
        filled += twice != start;
        ASSERT_EQ(twice, sorted) << "round " << round << ", " << shape.kind;
        ASSERT_EQ(twice, theirs) << "round " << round << ", " << shape.kind;
    }
    // Most shapes lie at least partly within the clip.
    EXPECT_GT(filled, 600);
}

TEST(AreaFillRows, HatchesAndClipPathsOfManyRunsKeepTheirRowsInOrder)
{
    // A clip path's runs are kept row by row from the top and left to right: rows filled from
    // their kept crossings and runs of sorted rows must come out in that order.
    std::mt19937 rng(76);
    for (int round = 0; round < 240; ++round) {
        const Shape shape = RandomShape(rng, round % 6);
        const FillRule rule = round % 2 ? FillRule::OddEven : FillRule::Winding;
        const QImage start = NoiseImage(rng, Width, Height);
        QImage hatched[2] = {start.copy(), start.copy()}, clipped[2] = {start.copy(), start.copy()};
        const RowPlotter::Hatch hatch{AllHatches[rng() % 6], QPoint(int(rng() % 8), 0), {200, 20, 20},
                                      round % 3 ? std::nullopt : std::optional(DeviceColor{1, 2, 3})};
        for (const int way : {0, 1}) {
            RowPlotter rows(hatched[way]);
            rows.setRowEnds(way == 0);
            ASSERT_TRUE(rows.fillHatch(shape.points, shape.rings, rule, hatch, RasterOp::Copy));
            RowPlotter inside(clipped[way]);
            inside.setRowEnds(way == 0);
            ASSERT_TRUE(inside.setClipPath(shape.points, shape.rings, rule));
            const QPointF all[] = {{-5, -5}, {Width + 5.0, -5}, {Width + 5.0, Height + 5.0}, {-5, Height + 5.0}};
            const int one[] = {4};
            ASSERT_TRUE(inside.fillSolid(all, one, FillRule::OddEven, {10, 220, 30}, RasterOp::Copy));
        }
        ASSERT_EQ(hatched[0], hatched[1]) << "round " << round << ", " << shape.kind;
        ASSERT_EQ(clipped[0], clipped[1]) << "round " << round << ", " << shape.kind;
        QImage theirs = start.copy();
        QPainter p(&theirs);
        p.setClipPath(PathOf(shape, rule));
        p.fillRect(theirs.rect(), QColor(10, 220, 30));
        p.end();
        ASSERT_EQ(clipped[0], theirs) << "round " << round << ", " << shape.kind;
    }
}

} // namespace zemo
