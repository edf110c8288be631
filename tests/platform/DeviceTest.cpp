// Pixel rules of the QPainter device on raster images: fills, pens, shapes, hatches, clips, XOR.
#include "PlatformFixture.h"

#include <QRawFont>
#include <array>
#include <cstring>
#include <cmath>
#include <numbers>

namespace zemo {
namespace {

using DeviceFill = PlatformTest;
using DeviceLine = PlatformTest;
using DeviceShape = PlatformTest;
using DeviceHatch = PlatformTest;
using DeviceClip = PlatformTest;
using DeviceRop = PlatformTest;

TEST_F(DeviceFill, FillRulesDecideHolesAndRingSizesThatDoNotAddUpDrawNothing)
{
    // Outer ring and hole both clockwise: only odd-even, the default, keeps the hole. The right
    // and bottom edges are not covered.
    const std::vector<QPointF> pts{{10, 10}, {90, 10}, {90, 90}, {10, 90}, {30, 30}, {70, 30}, {70, 70}, {30, 70}};
    struct Case { FillRule rule; std::vector<int> rings; bool ring, hole; QRect bounds; };
    for (const Case& c : {Case{FillRule::OddEven, {4, 4}, true, false, {10, 10, 80, 80}},
                          Case{FillRule::Winding, {4, 4}, true, true, {10, 10, 80, 80}},
                          Case{FillRule::OddEven, {3, 3}, false, false, {}}, Case{FillRule::Winding, {9, -1}, false, false, {}}}) {
        const QImage img = Draw({100, 100}, [&](PainterDevice& dev) {
            dev.setPen(NullPen);
            dev.setBrush(Solid(Blue));
            if (c.rule == FillRule::Winding)
                dev.setFillRule(c.rule);
            dev.polygon(pts, c.rings);
        });
        EXPECT_EQ(Painted(img, 20, 20), c.ring) << c.rings[0];
        EXPECT_EQ(Painted(img, 50, 50), c.hole) << c.rings[0];
        EXPECT_EQ(PaintedBounds(img), c.bounds) << c.rings[0];
    }
}

TEST_F(DeviceLine, MitreBevelsBeyondTenTimesTheWidth)
{
    // Two legs meeting at v, the join pointing to +x. The mitre is width / sin(angle / 2) long:
    // 9.57 widths at 12 degrees, 10.43 at 11.
    constexpr double w = 10;
    const QPointF v(200, 100);
    const auto half = [](double degrees) { return degrees / 2 * std::numbers::pi / 180; };
    const auto draw = [&](double degrees) {
        return Draw({300, 200}, [&](PainterDevice& dev) {
            dev.setPen(Pen(w, Black, PenJoin::Mitre));
            const QPointF leg(-150 * std::cos(half(degrees)), 150 * std::sin(half(degrees)));
            Line(dev, {v + QPointF(leg.x(), -leg.y()), v, v + leg});
        });
    };
    const double tip = w / 2 / std::sin(half(12));
    const QImage mitred = draw(12);
    EXPECT_TRUE(Painted(mitred, int(v.x() + 0.9 * tip), int(v.y())));
    EXPECT_FALSE(Painted(mitred, int(v.x() + tip + 2), int(v.y())));
    // A bevel ends about w/2 beyond the vertex; a cut-off mitre would reach further.
    const QImage bevelled = draw(11);
    EXPECT_TRUE(Painted(bevelled, int(v.x()), int(v.y())));
    EXPECT_FALSE(Painted(bevelled, int(v.x() + 8), int(v.y())));
}

TEST_F(DeviceLine, CapsAndJoins)
{
    // A leg from (50, 50) to (100, 50), then down to (100, 100), 10 wide. Pixels: (46, 50) square
    // and round caps; (46, 46) the square cap alone; (103, 47) round and mitre joins; (104, 46)
    // the mitre alone.
    const std::tuple<PenCap, PenJoin, std::array<bool, 4>> cases[] = {
        {PenCap::Flat, PenJoin::Bevel, {false, false, false, false}},
        {PenCap::Square, PenJoin::Mitre, {true, true, true, true}},
        {PenCap::Round, PenJoin::Round, {true, false, true, false}}};
    for (const auto& [cap, join, want] : cases) {
        const QImage img = Draw({160, 160}, [&](PainterDevice& dev) {
            dev.setPen(Pen(10, Black, join, cap));
            Line(dev, {{50, 50}, {100, 50}, {100, 100}});
        });
        SCOPED_TRACE(int(cap) * 10 + int(join));
        const std::array<bool, 4> got{Painted(img, 46, 50), Painted(img, 46, 46), Painted(img, 103, 47), Painted(img, 104, 46)};
        EXPECT_EQ(got, want);
        EXPECT_TRUE(Painted(img, 75, 46) && !Painted(img, 75, 44) && !Painted(img, 44, 50));
    }
}

TEST_F(DeviceLine, FarOffCoordinatesKeepSlopesAndEdges)
{
    // One end millions of pixels away: the visible parts still run at slope 1/2.
    for (double width : {1.0, 3.0}) {
        const QImage img = Draw({200, 200}, [&](PainterDevice& dev) {
            dev.setPen(Pen(width));
            Line(dev, {{0, 20}, {2e6, 20 + 1e6}});
            Line(dev, {{-3e6, 150 - 1.5e6}, {100, 200}});
        });
        for (auto [x, y] : {std::pair{0, 20}, {60, 50}, {120, 80}, {198, 119}, {0, 150}, {40, 170}, {98, 199}})
            EXPECT_TRUE(Painted(img, x, y) && !Painted(img, x, y - 4) && (y > 195 || !Painted(img, x, y + 4)))
                << width << ": " << x;
    }
    // A triangle far larger than the device whose long edge crosses it diagonally.
    const QImage tri = Draw({100, 100}, [](PainterDevice& dev) {
        dev.setPen(NullPen);
        dev.setBrush(Solid(Blue));
        dev.polygon(std::vector<QPointF>{{-1e7, -1e7 + 1}, {1e7, 1e7 + 1}, {-1e7, 1e7}});
    });
    EXPECT_TRUE(Painted(tri, 10, 50) && Painted(tri, 40, 45) && !Painted(tri, 50, 40) && !Painted(tri, 90, 10));
}

TEST_F(DeviceShape, FramedShapesKeepOutlineAndFillInTheirBox)
{
    // An inside-frame ring of `width` pixels in red (none for 0), the brush inside it.
    struct Case { bool ellipse; QRect box; double width; bool filled; };
    for (const Case& c : {Case{true, {20, 20, 60, 40}, 1, false}, Case{true, {20, 20, 60, 40}, 7, false},
                          Case{true, {10, 10, 80, 80}, 5, true}, Case{true, {40, 40, 3, 3}, 0, true},
                          Case{false, {10, 10, 20, 20}, 1, true}}) {
        const QImage img = Draw({100, 100}, [&](PainterDevice& dev) {
            DevicePen pen = c.width > 0 ? Pen(c.width, Red) : NullPen;
            pen.insideFrame = true;
            dev.setPen(pen);
            dev.setBrush(c.filled ? Solid(Blue) : DeviceBrush{});
            c.ellipse ? dev.ellipse(c.box) : dev.rectangle(c.box);
        });
        SCOPED_TRACE(testing::Message() << c.ellipse << " " << c.width);
        EXPECT_EQ(PaintedBounds(img), c.box);
        const int x = c.box.center().x(), w = int(c.width);
        const QRgb inside = Rgb(c.filled ? Blue : White), ring = Rgb(w ? Red : White);
        // Down the middle: the ring (or outside), the inside, the centre, the ring at the bottom.
        EXPECT_EQ((std::array{img.pixel(x, c.box.top() + w - 1), img.pixel(x, c.box.top() + w + 1), img.pixel(c.box.center()),
                              img.pixel(x, c.box.bottom() - w + 1)}),
                  (std::array{ring, inside, inside, ring}));
        EXPECT_EQ(img.pixel(c.box.bottomRight()) == Rgb(Red), w && !c.ellipse);
    }
}

TEST_F(DeviceHatch, PeriodDirectionOriginAndBackgroundOnEveryPath)
{
    // RGB32 rows are written directly, other formats filled with the engine's texture, SVG gets
    // strips (antialiased diagonals still cover most of their own pixels).
    const QPoint origin(3, 5);
    for (int target : {int(QImage::Format_RGB32), int(QImage::Format_RGB888), 0})
        for (HatchStyle style : AllHatches)
            for (bool opaque : {false, target != 0}) {
                const auto paint = [&](Device& dev) {
                    dev.setPen(NullPen);
                    dev.setBrush(Hatch(style, Red));
                    dev.setBrushOrigin(origin);
                    dev.setBackground(opaque ? BackgroundMode::Opaque : BackgroundMode::Transparent, Blue);
                    dev.polygon(std::vector<QPointF>{{4, 4}, {60, 4}, {60, 60}, {4, 60}});
                };
                const QImage img = target ? Draw({64, 64}, paint, QImage::Format(target))
                                          : DrawSvg(Path(QString("hatch%1.svg").arg(int(style))), {64, 64}, paint);
                ASSERT_EQ(img.size(), QSize(64, 64));
                int mismatches = 0;
                for (int y = 0; y < 64; ++y)
                    for (int x = 0; x < 64; ++x) {
                        const bool inside = QRect(4, 4, 56, 56).contains(x, y), lit = inside && HatchLit(style, origin, x, y);
                        const QRgb want = Rgb(lit ? Red : inside && opaque ? Blue : White), got = img.pixel(x, y);
                        mismatches += target ? got != want : (qGreen(got) < 128) != lit;
                    }
                EXPECT_EQ(mismatches, 0) << "target " << target << " style " << int(style) << " opaque " << opaque;
            }
}

TEST_F(DeviceClip, ClipPathsIntersectWithinTheBaseClipAndRestoreDropsTheLaterOne)
{
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    dev.setPen(NullPen);
    const auto clipTo = [&](QRectF r) {
        dev.beginPath();
        dev.rectangle(r);
        dev.endPath();
        return dev.clipToPath();
    };
    const auto fill = [&](DeviceColor c) {
        img.fill(Qt::white);
        dev.setBrush(Solid(c));
        dev.rectangle(QRectF(0, 0, 100, 100));
        return PaintedBounds(img);
    };
    dev.setBaseClip(QRegion(0, 0, 50, 100));
    ASSERT_TRUE(clipTo(QRectF(25, 0, 50, 100)));
    EXPECT_FALSE(dev.clipToPath()); // the path is used up
    EXPECT_EQ(fill(Blue), QRect(25, 0, 25, 100));
    // Dropping the clip path returns to the base clip, never to the whole device.
    dev.resetClip();
    EXPECT_EQ(fill(Red), QRect(0, 0, 50, 100));
    EXPECT_EQ(img.pixel(30, 50), Rgb(Red));

    dev.clearBaseClip();
    ASSERT_TRUE(clipTo(QRectF(10, 10, 60, 60)));
    dev.save();
    ASSERT_TRUE(clipTo(QRectF(40, 40, 60, 60)));
    EXPECT_EQ(fill(Blue), QRect(40, 40, 30, 30));
    dev.restore();
    EXPECT_EQ(fill(Blue), QRect(10, 10, 60, 60));
}

TEST_F(DeviceRop, XorTwiceRestoresTheImageAndBlitsAlwaysCopy)
{
    QImage img = Draw({120, 120}, [](PainterDevice& dev) {
        dev.setPen(Pen(3, Red, PenJoin::Round, PenCap::Round));
        dev.setBrush(Solid({10, 200, 30}));
        dev.ellipse(QRectF(5, 5, 100, 70));
        Line(dev, {{0, 119}, {119, 0}});
    });
    const QImage before = img.copy();
    PainterDevice dev(&img);
    ASSERT_TRUE(dev.canXor());
    ASSERT_TRUE(dev.setRasterOp(RasterOp::Xor));
    const auto marks = [&] {
        dev.setPen(Pen(1, White));
        dev.setBrush(DeviceBrush{});
        Line(dev, {{0, 0}, {60, 90}, {119, 10}, {0, 0}});
        dev.rectangle(QRectF(20, 20, 40, 30));
        dev.setPen(Pen(6, White, PenJoin::Mitre, PenCap::Square));
        Line(dev, {{10, 100}, {50, 60}, {90, 100}});
        dev.setPen(NullPen);
        dev.setBrush(Solid(White));
        dev.polygon(std::vector<QPointF>{{70, 70}, {80, 70}, {75, 90}});
        dev.setPixel(QPoint(115, 115), White);
    };
    marks();
    EXPECT_NE(img, before);
    EXPECT_EQ(img.pixel(115, 115), qRgb(0, 0, 0));
    marks();
    EXPECT_EQ(img, before);

    // An image is copied and scaled even under XOR.
    QImage src(2, 2, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)};
    std::memcpy(src.bits(), colours, sizeof colours);
    const QImage blit = Draw({20, 20}, [&](PainterDevice& d) {
        d.setRasterOp(RasterOp::Xor);
        d.drawImage(QRectF(4, 4, 8, 8), src, QRect(0, 0, 2, 2));
    });
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(blit.pixel(4 + 7 * (i % 2), 4 + 7 * (i / 2)), colours[i]) << i;
    EXPECT_EQ(PaintedBounds(blit), QRect(4, 4, 8, 8));
}

TEST_F(DeviceShape, GlyphsTurnCounterClockwiseAboutTheOrigin)
{
    const QString file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ASSERT_TRUE(QFile::exists(file)) << "needs DejaVu Sans (Debian package fonts-dejavu-core)";
    const QRawFont font(file, 40);
    ASSERT_TRUE(font.isValid());
    const std::vector<uint32_t> glyphs{font.glyphIndexesForString("l").value(0)};
    const auto bounds = [&](double angle) {
        return PaintedBounds(Draw({100, 100}, [&](PainterDevice& dev) {
            dev.drawGlyphs(font, glyphs, std::vector<QPointF>{{0, 0}}, QPointF(50, 50), angle, Black);
        }));
    };
    const QRect upright = bounds(0);
    ASSERT_FALSE(upright.isNull());
    EXPECT_GT(upright.height(), 3 * upright.width());
    EXPECT_LE(upright.bottom(), 50);
    // Turned a quarter counter-clockwise, the letter lies on its back to the left.
    const QRect turned = bounds(90);
    EXPECT_GT(turned.width(), 3 * turned.height());
    EXPECT_LE(turned.right(), 50);
}

} // namespace
} // namespace zemo
