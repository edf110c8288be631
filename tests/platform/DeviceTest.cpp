// The devices: pixel rules of the QPainter device (fills, pens, shapes, hatches, clips, XOR), its
// SVG rendered by rsvg-convert, and the recording device's text.
#include "PlatformFixture.h"
#include "platform/RecordingDevice.h"

#include <QRawFont>
#include <limits>
#include <numbers>

namespace zemo {

using Devices = PlatformTest;

TEST_F(Devices, FillRulesDecideHolesAndRingSizesThatDoNotAddUpDrawNothing)
{
    // Outer ring and hole both clockwise: only odd-even, the default, keeps the hole. The right and
    // bottom edges are not covered.
    const std::vector<QPointF> pts{{10, 10}, {90, 10}, {90, 90}, {10, 90},
                                   {30, 30}, {70, 30}, {70, 70}, {30, 70}};
    struct Case { FillRule rule; std::vector<int> rings; bool ring, hole; QRect bounds; };
    for (const Case& c : {Case{FillRule::OddEven, {4, 4}, true, false, {10, 10, 80, 80}},
                          Case{FillRule::Winding, {4, 4}, true, true, {10, 10, 80, 80}},
                          Case{FillRule::OddEven, {3, 3}, false, false, {}},
                          Case{FillRule::Winding, {9, -1}, false, false, {}}}) {
        const QImage img = Draw({100, 100}, NullPen, Solid(Blue), [&](PainterDevice& dev) {
            if (c.rule == FillRule::Winding)
                dev.setFillRule(c.rule);
            dev.polygon(pts, c.rings);
        });
        EXPECT_TRUE(Painted(img, 20, 20) == c.ring && Painted(img, 50, 50) == c.hole
                    && PaintedBounds(img) == c.bounds)
            << c.rings[0];
    }
}

TEST_F(Devices, MitreBevelsBeyondTenTimesTheWidth)
{
    // Legs 10 wide meeting at (200, 100), pointing to +x. The mitre is width / sin(angle / 2): 9.57
    // widths at 12 degrees, to x = 247.8; 10.43 at 11, so a bevel ends about 5 beyond. {angle, a
    // pixel painted, one clear}.
    const std::tuple<double, int, int> cases[] = {{12, 243, 249}, {11, 200, 208}};
    for (const auto& [degrees, last, clear] : cases) {
        const QPointF leg(-150 * std::cos(degrees / 360 * std::numbers::pi),
                          150 * std::sin(degrees / 360 * std::numbers::pi));
        const QImage img =
            Draw({300, 200}, Pen(10, Black, PenJoin::Mitre), {}, [&](PainterDevice& dev) {
                Line(dev, {QPointF(200 + leg.x(), 100 - leg.y()), {200, 100},
                           QPointF(200, 100) + leg});
            });
        EXPECT_TRUE(Painted(img, last, 100) && !Painted(img, clear, 100)) << degrees;
    }
}

TEST_F(Devices, PenCapsAndJoins)
{
    // A leg from (50, 50) to (100, 50), then down to (100, 100), 10 wide. Pixels: (46, 50) square
    // and round caps; (46, 46) the square cap alone; (103, 47) round and mitre joins; (104, 46) the
    // mitre alone.
    const std::tuple<PenCap, PenJoin, std::array<bool, 4>> cases[] = {
        {PenCap::Flat, PenJoin::Bevel, {false, false, false, false}},
        {PenCap::Square, PenJoin::Mitre, {true, true, true, true}},
        {PenCap::Round, PenJoin::Round, {true, false, true, false}}};
    for (const auto& [cap, join, want] : cases) {
        const QImage img = Draw({160, 160}, Pen(10, Black, join, cap), {}, [](PainterDevice& dev) {
            Line(dev, {{50, 50}, {100, 50}, {100, 100}});
        });
        SCOPED_TRACE(int(cap) * 10 + int(join));
        EXPECT_EQ((std::array{Painted(img, 46, 50), Painted(img, 46, 46), Painted(img, 103, 47),
                              Painted(img, 104, 46)}),
                  want);
        EXPECT_TRUE(Painted(img, 75, 46) && !Painted(img, 75, 44) && !Painted(img, 44, 50));
    }
}

TEST_F(Devices, FarOffCoordinatesKeepSlopesAndEdges)
{
    // One end millions of pixels away: the visible parts still run at slope 1/2.
    for (double width : {1.0, 3.0}) {
        const QImage img = Draw({200, 200}, Pen(width), {}, [](PainterDevice& dev) {
            Line(dev, {{0, 20}, {2e6, 20 + 1e6}});
            Line(dev, {{-3e6, 150 - 1.5e6}, {100, 200}});
        });
        for (auto [x, y] :
             {std::pair{0, 20}, {60, 50}, {120, 80}, {198, 119}, {0, 150}, {40, 170}, {98, 199}})
            EXPECT_TRUE(Painted(img, x, y) && !Painted(img, x, y - 4)
                        && (y > 195 || !Painted(img, x, y + 4)))
                << width << ": " << x;
    }
    // A triangle far larger than the device whose long edge crosses it diagonally.
    const QImage tri = Draw({100, 100}, NullPen, Solid(Blue), [](PainterDevice& dev) {
        dev.polygon(std::vector<QPointF>{{-1e7, -1e7 + 1}, {1e7, 1e7 + 1}, {-1e7, 1e7}});
    });
    EXPECT_TRUE(Painted(tri, 10, 50) && Painted(tri, 40, 45) && !Painted(tri, 50, 40)
                && !Painted(tri, 90, 10));
}

TEST_F(Devices, FramedShapesKeepOutlineAndFillInTheirBox)
{
    // An inside-frame ring of `width` pixels in red (none for 0), the brush inside it.
    struct Case { bool ellipse; QRect box; double width; bool filled; };
    for (const Case& c :
         {Case{true, {20, 20, 60, 40}, 1, false}, Case{true, {20, 20, 60, 40}, 7, false},
          Case{true, {10, 10, 80, 80}, 5, true}, Case{true, {40, 40, 3, 3}, 0, true},
          Case{false, {10, 10, 20, 20}, 1, true}}) {
        const DevicePen pen =
            c.width > 0 ? Pen(c.width, Red, PenJoin::Bevel, PenCap::Flat, true) : NullPen;
        const QImage img =
            Draw({100, 100}, pen, c.filled ? Solid(Blue) : DeviceBrush{}, [&](PainterDevice& dev) {
                c.ellipse ? dev.ellipse(c.box) : dev.rectangle(c.box);
            });
        SCOPED_TRACE(testing::Message() << c.ellipse << " " << c.width);
        EXPECT_EQ(PaintedBounds(img), c.box);
        const int x = c.box.center().x(), w = int(c.width);
        const QRgb inside = Rgb(c.filled ? Blue : White), ring = Rgb(w ? Red : White);
        // Down the middle: the ring (or outside), the inside, the centre, the ring at the bottom.
        EXPECT_EQ((std::array{img.pixel(x, c.box.top() + w - 1), img.pixel(x, c.box.top() + w + 1),
                              img.pixel(c.box.center()), img.pixel(x, c.box.bottom() - w + 1)}),
                  (std::array{ring, inside, inside, ring}));
        EXPECT_EQ(img.pixel(c.box.bottomRight()) == Rgb(Red), w && !c.ellipse);
    }
}

TEST_F(Devices, HatchesKeepPeriodDirectionOriginAndBackgroundOnEveryPath)
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
                    dev.setBackground(opaque ? BackgroundMode::Opaque : BackgroundMode::Transparent,
                                      Blue);
                    dev.polygon(std::vector<QPointF>{{4, 4}, {60, 4}, {60, 60}, {4, 60}});
                };
                const QImage img = target
                    ? Draw({64, 64}, paint, QImage::Format(target))
                    : DrawSvg(Path(QString("hatch%1.svg").arg(int(style))), {64, 64}, paint);
                int mismatches = 0;
                for (int y = 0; y < 64; ++y)
                    for (int x = 0; x < 64; ++x) {
                        const bool inside = QRect(4, 4, 56, 56).contains(x, y),
                                   lit = inside && HatchLit(style, origin, x, y);
                        const QRgb want = Rgb(lit ? Red : inside && opaque ? Blue : White),
                                   got = img.pixel(x, y);
                        mismatches += target ? got != want : (qGreen(got) < 128) != lit;
                    }
                EXPECT_EQ(mismatches, 0)
                    << "target " << target << " style " << int(style) << " opaque " << opaque;
            }
}

TEST_F(Devices, ClipPathsIntersectWithinTheBaseClipAndRestoreDropsTheLaterOne)
{
    QImage img = Draw({100, 100}, [](PainterDevice&) {});
    PainterDevice dev(&img);
    dev.setPen(NullPen);
    const auto clipTo = [&](QRectF r) {
        return dev.beginPath(), dev.rectangle(r), dev.endPath(), dev.clipToPath();
    };
    // Fills the whole device, on white, and says where it painted.
    const auto fill = [&](DeviceColor c) {
        return img.fill(Qt::white), dev.setBrush(Solid(c)), dev.rectangle({0, 0, 100, 100}),
               PaintedBounds(img);
    };
    dev.setBaseClip(QRegion(0, 0, 50, 100));
    ASSERT_TRUE(clipTo(QRectF(25, 0, 50, 100)));
    EXPECT_FALSE(dev.clipToPath()); // the path is used up
    EXPECT_EQ(fill(Blue), QRect(25, 0, 25, 100));
    // Dropping the clip path returns to the base clip, never to the whole device.
    dev.resetClip();
    EXPECT_EQ(fill(Red), QRect(0, 0, 50, 100));

    dev.clearBaseClip();
    ASSERT_TRUE(clipTo(QRectF(10, 10, 60, 60)));
    dev.save();
    ASSERT_TRUE(clipTo(QRectF(40, 40, 60, 60)));
    EXPECT_EQ(fill(Blue), QRect(40, 40, 30, 30));
    dev.restore();
    EXPECT_EQ(fill(Blue), QRect(10, 10, 60, 60));
}

TEST_F(Devices, XorTwiceRestoresTheImageAndBlitsAlwaysCopy)
{
    QImage img = Draw({120, 120}, Pen(3, Red, PenJoin::Round, PenCap::Round), Solid({10, 200, 30}),
                      [](PainterDevice& dev) {
                          dev.ellipse(QRectF(5, 5, 100, 70));
                          Line(dev, {{0, 119}, {119, 0}});
                      });
    const QImage before = img.copy();
    PainterDevice dev(&img);
    ASSERT_TRUE(dev.canXor() && dev.setRasterOp(RasterOp::Xor));
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
    EXPECT_TRUE(img != before && img.pixel(115, 115) == qRgb(0, 0, 0));
    marks();
    EXPECT_EQ(img, before);

    // An image is copied and scaled even under XOR.
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)};
    const QImage src(reinterpret_cast<const uchar*>(colours), 2, 2, QImage::Format_RGB32);
    const QImage blit = Draw({20, 20}, [&](PainterDevice& d) {
        d.setRasterOp(RasterOp::Xor);
        d.drawImage(QRectF(4, 4, 8, 8), src, QRect(0, 0, 2, 2));
    });
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(blit.pixel(4 + 7 * (i % 2), 4 + 7 * (i / 2)), colours[i]) << i;
    EXPECT_EQ(PaintedBounds(blit), QRect(4, 4, 8, 8));
}

TEST_F(Devices, GlyphsTurnCounterClockwiseAboutTheOrigin)
{
    const QString file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ASSERT_TRUE(QFile::exists(file)) << "needs DejaVu Sans (Debian package fonts-dejavu-core)";
    const QRawFont font(file, 40);
    const auto bounds = [&](double angle) {
        return PaintedBounds(Draw({100, 100}, [&](PainterDevice& dev) {
            dev.drawGlyphs(font, font.glyphIndexesForString("l").toVector(),
                           std::vector<QPointF>{{0, 0}}, {50, 50}, angle, Black);
        }));
    };
    const QRect upright = bounds(0);
    EXPECT_TRUE(upright.height() > 3 * upright.width() && upright.bottom() <= 50);
    // Turned a quarter counter-clockwise, the letter lies on its back to the left.
    const QRect turned = bounds(90);
    EXPECT_TRUE(turned.width() > 3 * turned.height() && turned.right() <= 50);
}

// Lines, a fill with a hole that runs the same way as its outer ring, a framed ellipse, a hatched
// fill confined by a clip path, all under a base clip that cuts off the right side.
static void TestDrawing(Device& dev)
{
    dev.setBaseClip(QRegion(0, 0, 180, 150));
    dev.setPen(NullPen);
    dev.setBrush(Solid({0, 0, 200}));
    dev.polygon(std::vector<QPointF>{{10, 10}, {90, 10}, {90, 70}, {10, 70},
                                     {30, 25}, {70, 25}, {70, 55}, {30, 55}},
                std::vector<int>{4, 4});
    dev.setPen(Pen(6, {220, 0, 0}, PenJoin::Mitre));
    Line(dev, {{110, 20}, {140, 60}, {170, 20}});
    Line(dev, {{160, 60}, {195, 60}});
    dev.setPen(Pen(5, {0, 150, 0}, PenJoin::Round, PenCap::Round, true));
    dev.setBrush(Solid({250, 220, 0}));
    dev.ellipse(QRectF(10, 85, 70, 50));
    dev.beginPath();
    dev.polygon(std::vector<QPointF>{{135, 80}, {175, 110}, {135, 140}, {95, 110}});
    dev.endPath();
    ASSERT_TRUE(dev.clipToPath());
    dev.setPen(NullPen);
    dev.setBrush(Hatch(HatchStyle::Horizontal, {120, 0, 120}));
    dev.setBackground(BackgroundMode::Transparent, White);
    dev.rectangle(QRectF(90, 75, 110, 75));
    dev.resetClip();
    dev.setPen(Pen(1));
    Line(dev, {{2, 2}, {197, 2}, {197, 147}});
}

TEST_F(Devices, SvgWritesEvenOddFillsAndMitresRenderedLikeTheRasterImage)
{
    const QImage rendered = DrawSvg(Path("drawing.svg"), {200, 150}, TestDrawing);
    const QString svg = QString::fromUtf8(ReadFile(Path("drawing.svg")));
    for (const char* part : {"<svg", "<path", "fill-rule=\"evenodd\"", "stroke-linejoin=\"miter\"",
                             "stroke-miterlimit=\"10\""})
        EXPECT_TRUE(svg.contains(part)) << part;
    const QImage raster = Draw({200, 150}, [](PainterDevice& dev) { TestDrawing(dev); });
    int differ = 0;
    for (int i = 0; i < 200 * 150; ++i) {
        const QRgb a = raster.pixel(i % 200, i / 200), b = rendered.pixel(i % 200, i / 200);
        differ += std::abs(qRed(a) - qRed(b)) > 64 || std::abs(qGreen(a) - qGreen(b)) > 64
            || std::abs(qBlue(a) - qBlue(b)) > 64;
    }
    EXPECT_LE(differ, 200 * 150 * 2 / 100) << differ << " pixels differ";
    // Nothing of the hatch outside the diamond or the base clip, the hole white; the line and the
    // hatch within them.
    for (QPoint p :
         {QPoint(95, 144), QPoint(100, 80), QPoint(185, 88), QPoint(185, 60), QPoint(50, 40)})
        EXPECT_EQ(rendered.pixel(p), Rgb(White)) << p.x() << "," << p.y();
    EXPECT_TRUE(rendered.pixel(175, 60) != Rgb(White) && rendered.pixel(135, 96) != Rgb(White));
}

TEST_F(Devices, RecordingOfAShortDrawingGivesGoldenLinesAndOnlyARasterTakesXor)
{
    RecordingDevice rec(QSize(200, 100), false);
    rec.setPen(Pen(2.5, Red, PenJoin::Mitre, PenCap::Flat, true));
    rec.setBrush(Hatch(HatchStyle::BDiagonal, Blue));
    rec.setBrushOrigin(QPoint(3, 0));
    rec.setBackground(BackgroundMode::Transparent, White);
    EXPECT_FALSE(rec.setRasterOp(RasterOp::Xor));
    rec.setFillRule(FillRule::Winding);
    rec.setBaseClip(QRegion(0, 0, 50, 40));
    const std::vector<QPointF> rings{{0, 0}, {40, 0}, {40, 30}, {0, 30}, {5, 5}, {10, 5}, {5, 10}};
    rec.beginPath();
    rec.polygon(rings, std::vector<int>{4, 3});
    rec.endPath();
    EXPECT_TRUE(rec.fillPath());
    EXPECT_FALSE(rec.fillPath());
    Line(rec, {{0, 0}, {10.5, -2}, {-0.0, 1e7}});
    rec.polygon(rings, std::vector<int>{4, 4});
    rec.ellipse(QRectF(1, 2, 10, 20));
    rec.save();
    EXPECT_FALSE(rec.clipToPath());
    rec.setPen(NullPen);
    rec.rectangle(QRectF(0, 0, 3, 3));
    rec.restore();
    rec.restore();
    rec.setPixel(QPoint(7, 8), {1, 2, 3});
    rec.drawImage(QRectF(0, 0, 20, 20), QImage(4, 4, QImage::Format_RGB32), QRect(1, 1, 2, 2));
    rec.resetClip();
    rec.clearBaseClip();
    EXPECT_EQ(rec.text(),
              "pen solid 2.5 rgb(255,0,0) mitre flat frame\nbrush hatch bdiagonal rgb(0,0,255)\n"
              "brushorigin 3,0\nbackground transparent rgb(255,255,255)\nrop xor refused\n"
              "fillrule winding\nbaseclip 0,0,50,40\nbeginpath\n"
              "polygon 0,0 40,0 40,30 0,30 | 5,5 10,5 5,10\nendpath\nfillpath\nfillpath refused\n"
              "polyline 0,0 10.5,-2 0,10000000\npolygon refused\nellipse 1,2,11,22\nsave\n"
              "clippath refused\npen null\nrectangle 0,0,3,3\nrestore\nrestore unmatched\n"
              "pixel 7,8 rgb(1,2,3)\nimage 0,0,20,20 from 1,1,3,3 of 4x4\nresetclip\n"
              "baseclip none\n");

    // A raster device takes XOR.
    RecordingDevice raster;
    EXPECT_TRUE(raster.canXor() && raster.setRasterOp(RasterOp::Xor));
    EXPECT_EQ(raster.text(), "rop xor\n");
}

TEST(SamePoint, AgreesWithTheToolkitsComparisonOfPoints)
{
    // Equal to 12 digits, zero compared absolutely, NaN never equal: the quick test of points
    // far apart must not tell apart any pair the toolkit takes as one.
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const double values[] = {0,     -0.0,       1e-13, -1e-13, 2e-12,       1,     1 + 1e-13, 1 + 1e-11,
                             -1,    1e12,       1e12 + 0.5, 1e12 + 1, 3.5e15, 3.5e15 + 2, 15999.5, 15999.5 + 1e-9,
                             1e300, 1e300 * (1 + 1e-13), nan, inf,   -inf};
    for (const double ax : values)
        for (const double bx : values)
            for (const double y : {0.0, 7.25, -1e-14}) {
                const QPointF a(ax, y), b(bx, y), c(y, ax), d(y, bx);
                EXPECT_EQ(SamePoint(a, b), a == b) << ax << " " << bx << " " << y;
                EXPECT_EQ(SamePoint(c, d), c == d) << ax << " " << bx << " " << y;
            }
}

} // namespace zemo
