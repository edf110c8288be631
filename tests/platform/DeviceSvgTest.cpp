// The QPainter device over QSvgGenerator: the file it writes, rendered by rsvg-convert and
// compared with the same drawing on a raster image.
#include "PlatformFixture.h"

#include <cstdlib>

namespace zemo {
namespace {

using DeviceSvg = PlatformTest;

// Lines, a fill with a hole that runs the same way as its outer ring, a framed ellipse, a
// hatched fill confined by a clip path, all under a base clip that cuts off the right side.
void TestDrawing(Device& dev)
{
    dev.setBaseClip(QRegion(0, 0, 180, 150));
    dev.setPen(NullPen);
    dev.setBrush(Solid({0, 0, 200}));
    dev.polygon(std::vector<QPointF>{{10, 10}, {90, 10}, {90, 70}, {10, 70}, {30, 25}, {70, 25}, {70, 55}, {30, 55}},
                std::vector<int>{4, 4});
    dev.setPen(Pen(6, {220, 0, 0}, PenJoin::Mitre));
    Line(dev, {{110, 20}, {140, 60}, {170, 20}});
    Line(dev, {{160, 60}, {195, 60}});
    DevicePen ring = Pen(5, {0, 150, 0}, PenJoin::Round, PenCap::Round);
    ring.insideFrame = true;
    dev.setPen(ring);
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

TEST_F(DeviceSvg, WritesEvenOddFillsAndMitresRenderedLikeTheRasterImage)
{
    const QImage rendered = DrawSvg(Path("drawing.svg"), {200, 150}, TestDrawing);
    const QString svg = QString::fromUtf8(ReadFile(Path("drawing.svg")));
    for (const char* part : {"<svg", "<path", "fill-rule=\"evenodd\"", "stroke-linejoin=\"miter\"", "stroke-miterlimit=\"10\""})
        EXPECT_TRUE(svg.contains(part)) << part;
    EXPECT_TRUE(svg.contains("rgb(220,0,0)") || svg.contains("#dc0000"));
    ASSERT_EQ(rendered.size(), QSize(200, 150));
    const QImage raster = Draw({200, 150}, [](PainterDevice& dev) { TestDrawing(dev); });
    int differ = 0;
    for (int i = 0; i < 200 * 150; ++i) {
        const QRgb a = raster.pixel(i % 200, i / 200), b = rendered.pixel(i % 200, i / 200);
        differ += std::abs(qRed(a) - qRed(b)) > 64 || std::abs(qGreen(a) - qGreen(b)) > 64 || std::abs(qBlue(a) - qBlue(b)) > 64;
    }
    EXPECT_LE(differ, 200 * 150 * 2 / 100) << differ << " pixels differ";
    // Nothing of the hatch outside the diamond or the base clip; the hole stays white.
    for (QPoint p : {QPoint(95, 144), QPoint(100, 80), QPoint(185, 88), QPoint(185, 60), QPoint(50, 40)})
        EXPECT_EQ(rendered.pixel(p), Rgb(White)) << p.x() << "," << p.y();
    EXPECT_NE(rendered.pixel(175, 60), Rgb(White));
    EXPECT_EQ(raster.pixel(135, 88), qRgb(120, 0, 120));
    int hatch = 0;
    for (int y = 100; y < 120; ++y)
        hatch += rendered.pixel(135, y) != Rgb(White);
    EXPECT_TRUE(hatch >= 2 && hatch <= 4) << hatch;
}

} // namespace
} // namespace zemo
