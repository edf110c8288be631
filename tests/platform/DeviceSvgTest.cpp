// The QPainter device over QSvgGenerator: the picture it writes, checked by text and by an
// independent renderer against the same drawing on a raster image.
#include "platform/PainterDevice.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace zemo;

namespace {

constexpr int W = 200;
constexpr int H = 150;

// Lines, a fill with a hole that runs the same way as its outer ring, a framed ellipse,
// a hatched fill confined by a clip path, all under a base clip that cuts off the right side.
void testDrawing(Device& dev)
{
    dev.setBaseClip(QRegion(0, 0, 180, H));
    DevicePen pen = NullPen;
    dev.setPen(pen);
    DeviceBrush brush{BrushStyle::Solid, {0, 0, 200}, HatchStyle::Horizontal};
    dev.setBrush(brush);
    const std::vector<QPointF> holed{{10, 10}, {90, 10}, {90, 70}, {10, 70},
                                     {30, 25}, {70, 25}, {70, 55}, {30, 55}};
    dev.polygon(holed, std::vector<int>{4, 4});

    pen = DevicePen{PenStyle::Solid, {220, 0, 0}, 6, PenJoin::Mitre, PenCap::Flat, false};
    dev.setPen(pen);
    const std::vector<QPointF> zigzag{{110, 20}, {140, 60}, {170, 20}};
    dev.polyline(zigzag);
    const std::vector<QPointF> across{{160, 60}, {195, 60}};
    dev.polyline(across);

    pen = DevicePen{PenStyle::Solid, {0, 150, 0}, 5, PenJoin::Round, PenCap::Round, true};
    dev.setPen(pen);
    dev.setBrush(DeviceBrush{BrushStyle::Solid, {250, 220, 0}, HatchStyle::Horizontal});
    dev.ellipse(QRectF(10, 85, 70, 50));

    dev.beginPath();
    const std::vector<QPointF> diamond{{135, 80}, {175, 110}, {135, 140}, {95, 110}};
    dev.polygon(diamond);
    dev.endPath();
    ASSERT_TRUE(dev.clipToPath());
    dev.setPen(NullPen);
    dev.setBrush(DeviceBrush{BrushStyle::Hatch, {120, 0, 120}, HatchStyle::Horizontal});
    dev.setBackground(BackgroundMode::Transparent, {255, 255, 255});
    dev.rectangle(QRectF(90, 75, 110, 75));
    dev.resetClip();

    dev.setPen(DevicePen{PenStyle::Solid, {0, 0, 0}, 1});
    const std::vector<QPointF> frame{{2, 2}, {197, 2}, {197, 147}};
    dev.polyline(frame);
}

QString rsvgConvert()
{
    return QStandardPaths::findExecutable("rsvg-convert");
}

// Renders the SVG file with rsvg-convert at its own size on white.
QImage render(const QString& rsvg, const QString& svg, QSize size)
{
    const QString png = svg + ".png";
    QProcess proc;
    proc.start(rsvg, {"-w", QString::number(size.width()), "-h", QString::number(size.height()),
                      "-b", "white", "-o", png, svg});
    if (!proc.waitForFinished(30000) || proc.exitCode() != 0) {
        ADD_FAILURE() << proc.readAllStandardError().toStdString();
        return {};
    }
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

QString drawSvg(const QString& file)
{
    QSvgGenerator gen;
    gen.setFileName(file);
    gen.setSize(QSize(W, H));
    gen.setViewBox(QRect(0, 0, W, H));
    PainterDevice dev(&gen);
    EXPECT_TRUE(dev.isActive());
    EXPECT_FALSE(dev.canXor());
    EXPECT_FALSE(dev.setRasterOp(RasterOp::Xor));
    testDrawing(dev);
    EXPECT_TRUE(dev.finish());
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(DeviceSvg, WritesEvenOddFillsAndMitredStrokes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString svg = drawSvg(dir.filePath("drawing.svg"));
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("fill-rule=\"evenodd\""));
    EXPECT_TRUE(svg.contains("stroke-linejoin=\"miter\""));
    EXPECT_TRUE(svg.contains("stroke-miterlimit=\"10\""));
    EXPECT_TRUE(svg.contains("<path"));
    EXPECT_TRUE(svg.contains("rgb(220,0,0)") || svg.contains("#dc0000"));
}

TEST(DeviceSvg, RendersLikeTheSameDrawingOnAnImage)
{
    const QString rsvg = rsvgConvert();
    ASSERT_FALSE(rsvg.isEmpty()) << "needs rsvg-convert (Debian package librsvg2-bin)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    drawSvg(dir.filePath("drawing.svg"));
    const QImage rendered = render(rsvg, dir.filePath("drawing.svg"), QSize(W, H));
    ASSERT_EQ(rendered.size(), QSize(W, H));

    QImage raster(W, H, QImage::Format_RGB32);
    raster.fill(Qt::white);
    {
        PainterDevice dev(&raster);
        testDrawing(dev);
    }
    int differ = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const QRgb a = raster.pixel(x, y), b = rendered.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 64 || std::abs(qGreen(a) - qGreen(b)) > 64 ||
                std::abs(qBlue(a) - qBlue(b)) > 64)
                ++differ;
        }
    EXPECT_LE(differ, W * H * 2 / 100) << differ << " pixels differ";
    // The clip holds in the picture: nothing of the hatch outside the diamond or the base
    // clip, the hole stays white, the hatch shows inside.
    const QRgb white = qRgb(255, 255, 255);
    EXPECT_EQ(rendered.pixel(95, 144), white);
    EXPECT_EQ(rendered.pixel(100, 80), white);
    EXPECT_EQ(rendered.pixel(185, 88), white);
    EXPECT_EQ(rendered.pixel(185, 60), white);
    EXPECT_NE(rendered.pixel(175, 60), white);
    EXPECT_EQ(rendered.pixel(50, 40), white);
    EXPECT_EQ(raster.pixel(135, 88), qRgb(120, 0, 120));
    int hatch = 0;
    for (int y = 100; y < 120; ++y)
        hatch += rendered.pixel(135, y) != white;
    EXPECT_GE(hatch, 2);
    EXPECT_LE(hatch, 4);
}

TEST(DeviceSvg, HatchLinesKeepPeriodDirectionAndOrigin)
{
    const QString rsvg = rsvgConvert();
    ASSERT_FALSE(rsvg.isEmpty()) << "needs rsvg-convert (Debian package librsvg2-bin)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QPoint origin(3, 5);
    const auto expected = [&](HatchStyle style, int x, int y) {
        const auto m = [](int v) { return ((v % 8) + 8) % 8 == 0; };
        const int dx = x - origin.x(), dy = y - origin.y();
        switch (style) {
        case HatchStyle::Horizontal: return m(dy);
        case HatchStyle::Vertical: return m(dx);
        case HatchStyle::FDiagonal: return m(dx - dy);
        case HatchStyle::BDiagonal: return m(dx + dy);
        case HatchStyle::Cross: return m(dx) || m(dy);
        case HatchStyle::DiagCross: return m(dx - dy) || m(dx + dy);
        }
        return false;
    };
    for (HatchStyle style : {HatchStyle::Horizontal, HatchStyle::Vertical, HatchStyle::FDiagonal,
                             HatchStyle::BDiagonal, HatchStyle::Cross, HatchStyle::DiagCross}) {
        const QString file = dir.filePath(QString("hatch%1.svg").arg(int(style)));
        {
            QSvgGenerator gen;
            gen.setFileName(file);
            gen.setSize(QSize(64, 64));
            gen.setViewBox(QRect(0, 0, 64, 64));
            PainterDevice dev(&gen);
            dev.setPen(NullPen);
            dev.setBrush(DeviceBrush{BrushStyle::Hatch, {255, 0, 0}, style});
            dev.setBrushOrigin(origin);
            dev.setBackground(BackgroundMode::Transparent, {0, 0, 0});
            dev.rectangle(QRectF(4, 4, 56, 56));
        }
        const QImage img = render(rsvg, file, QSize(64, 64));
        ASSERT_EQ(img.size(), QSize(64, 64));
        int mismatches = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inside = x >= 4 && x < 60 && y >= 4 && y < 60;
                // Antialiased diagonals still cover most of their own pixels.
                const bool on = qGreen(img.pixel(x, y)) < 128;
                mismatches += on != (inside && expected(style, x, y));
            }
        EXPECT_EQ(mismatches, 0) << "hatch style " << int(style);
    }
}
