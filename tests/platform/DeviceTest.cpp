// Pixel rules of the QPainter device on raster images: fills, pens, hatches, clips and XOR.
#include "platform/PainterDevice.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRawFont>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace zemo;

namespace {

constexpr DeviceColor Black{0, 0, 0};
constexpr DeviceColor Red{255, 0, 0};
constexpr DeviceColor Blue{0, 0, 255};
constexpr DeviceColor White{255, 255, 255};

QImage whiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

bool painted(const QImage& img, int x, int y) { return img.pixel(x, y) != qRgb(255, 255, 255); }

QRect paintedBounds(const QImage& img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (painted(img, x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

DevicePen solidPen(double width, PenJoin join = PenJoin::Bevel, PenCap cap = PenCap::Flat,
                   DeviceColor color = Black)
{
    DevicePen pen;
    pen.color = color;
    pen.width = width;
    pen.join = join;
    pen.cap = cap;
    return pen;
}

DeviceBrush solidBrush(DeviceColor color)
{
    DeviceBrush brush;
    brush.style = BrushStyle::Solid;
    brush.color = color;
    return brush;
}

DevicePen nullPen()
{
    DevicePen pen;
    pen.style = PenStyle::Null;
    return pen;
}

void line(Device& dev, std::initializer_list<QPointF> points)
{
    const std::vector<QPointF> v(points);
    dev.polyline(v);
}

} // namespace

TEST(DeviceFill, OddEvenLeavesSameDirectionHoleWhiteAndWindingFillsIt)
{
    // Outer ring and hole both clockwise: only odd-even keeps the hole.
    const std::vector<QPointF> pts{{10, 10}, {90, 10}, {90, 90}, {10, 90},
                                   {30, 30}, {70, 30}, {70, 70}, {30, 70}};
    const std::vector<int> rings{4, 4};
    for (FillRule rule : {FillRule::OddEven, FillRule::Winding}) {
        QImage img = whiteImage(100, 100);
        {
            PainterDevice dev(&img);
            ASSERT_TRUE(dev.isActive());
            dev.setPen(nullPen());
            dev.setBrush(solidBrush(Blue));
            if (rule == FillRule::Winding)
                dev.setFillRule(rule);
            dev.polygon(pts, rings);
        }
        EXPECT_TRUE(painted(img, 20, 20));
        EXPECT_EQ(painted(img, 50, 50), rule == FillRule::Winding);
        // The box's right and bottom edges are not covered.
        EXPECT_EQ(paintedBounds(img), QRect(10, 10, 80, 80));
    }
}

TEST(DeviceFill, RingSizesThatDoNotAddUpDrawNothing)
{
    const std::vector<QPointF> pts{{10, 10}, {90, 10}, {90, 90}, {10, 90}};
    QImage img = whiteImage(100, 100);
    {
        PainterDevice dev(&img);
        dev.setBrush(solidBrush(Blue));
        dev.polygon(pts, std::vector<int>{3, 3});
        dev.polygon(pts, std::vector<int>{5, -1});
    }
    EXPECT_TRUE(paintedBounds(img).isNull());
}

TEST(DevicePen, MitreBevelsBeyondTenTimesTheWidth)
{
    // Two legs meeting at V with the join's outside pointing to +x. The mitre length is
    // width / sin(angle / 2): 9.57 widths at 12 degrees, 10.43 at 11 degrees.
    constexpr double w = 10;
    const QPointF v(200, 100);
    const auto draw = [&](double angleDegrees) {
        QImage img = whiteImage(300, 200);
        PainterDevice dev(&img);
        dev.setPen(solidPen(w, PenJoin::Mitre));
        const double half = angleDegrees / 2 * std::numbers::pi / 180;
        const QPointF leg(-150 * std::cos(half), 150 * std::sin(half));
        line(dev, {v + QPointF(leg.x(), -leg.y()), v, v + leg});
        dev.finish();
        return img;
    };
    const auto tip = [&](double angleDegrees) {
        return w / 2 / std::sin(angleDegrees / 2 * std::numbers::pi / 180);
    };
    const QImage mitred = draw(12);
    EXPECT_TRUE(painted(mitred, int(v.x() + 0.9 * tip(12)), int(v.y())));
    EXPECT_FALSE(painted(mitred, int(v.x() + tip(12) + 2), int(v.y())));
    const QImage bevelled = draw(11);
    // A bevel ends about w/2 beyond the vertex; a cut-off mitre would reach further.
    EXPECT_TRUE(painted(bevelled, int(v.x()), int(v.y())));
    EXPECT_FALSE(painted(bevelled, int(v.x() + 8), int(v.y())));
}

TEST(DevicePen, CapsAndJoins)
{
    // A horizontal leg from (50, 50) to (100, 50), then down to (100, 100); width 10.
    struct Case {
        PenCap cap;
        PenJoin join;
        bool beforeStart;   // pixel (46, 50): a square or round cap reaches it
        bool capCorner;     // pixel (46, 46): only the square cap
        bool nearCorner;    // pixel (103, 47): round and mitre joins, not bevel
        bool outerCorner;   // pixel (104, 46): the mitre alone
    };
    const Case cases[] = {
        {PenCap::Flat, PenJoin::Bevel, false, false, false, false},
        {PenCap::Square, PenJoin::Mitre, true, true, true, true},
        {PenCap::Round, PenJoin::Round, true, false, true, false},
    };
    for (const Case& c : cases) {
        QImage img = whiteImage(160, 160);
        {
            PainterDevice dev(&img);
            dev.setPen(solidPen(10, c.join, c.cap));
            line(dev, {{50, 50}, {100, 50}, {100, 100}});
        }
        SCOPED_TRACE(int(c.cap) * 10 + int(c.join));
        EXPECT_TRUE(painted(img, 50, 50));
        EXPECT_TRUE(painted(img, 75, 46));
        EXPECT_FALSE(painted(img, 75, 44));
        EXPECT_EQ(painted(img, 46, 50), c.beforeStart);
        EXPECT_EQ(painted(img, 46, 46), c.capCorner);
        EXPECT_EQ(painted(img, 103, 47), c.nearCorner);
        EXPECT_EQ(painted(img, 104, 46), c.outerCorner);
        EXPECT_FALSE(painted(img, 44, 50));
    }
}

TEST(DevicePen, OnePixelLineLeavesOutItsEndPixel)
{
    QImage img = whiteImage(50, 50);
    {
        PainterDevice dev(&img);
        dev.setPen(solidPen(1));
        line(dev, {{10, 10}, {20, 10}});
        line(dev, {{10, 20}, {20, 30}});
        line(dev, {{30, 10}, {40, 10}, {40, 20}});
    }
    for (int x = 10; x < 20; ++x)
        EXPECT_TRUE(painted(img, x, 10)) << x;
    EXPECT_FALSE(painted(img, 20, 10));
    EXPECT_FALSE(painted(img, 9, 10));
    EXPECT_TRUE(painted(img, 10, 20));
    EXPECT_TRUE(painted(img, 19, 29));
    EXPECT_FALSE(painted(img, 20, 30));
    // A corner inside a polyline is drawn; only the very last point is left out.
    EXPECT_TRUE(painted(img, 40, 10));
    EXPECT_TRUE(painted(img, 40, 19));
    EXPECT_FALSE(painted(img, 40, 20));
}

TEST(DevicePen, XorPolylinePlotsItsCornerOnce)
{
    QImage img = whiteImage(50, 50);
    {
        PainterDevice dev(&img);
        ASSERT_TRUE(dev.setRasterOp(RasterOp::Xor));
        dev.setPen(solidPen(1, PenJoin::Bevel, PenCap::Flat, White));
        line(dev, {{10, 10}, {30, 10}, {30, 30}, {10, 30}});
    }
    // White XOR white is black; a pixel plotted twice would turn white again.
    EXPECT_EQ(img.pixel(30, 10), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(30, 30), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(20, 10), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(10, 30), qRgb(255, 255, 255));
}

TEST(DeviceShape, InsideFramePenKeepsTheEllipseInItsBox)
{
    const QRect box(20, 20, 60, 40);
    for (double width : {1.0, 7.0}) {
        QImage img = whiteImage(100, 80);
        {
            PainterDevice dev(&img);
            DevicePen pen = solidPen(width);
            pen.insideFrame = true;
            dev.setPen(pen);
            dev.ellipse(box);
        }
        SCOPED_TRACE(width);
        EXPECT_EQ(paintedBounds(img), box);
        const int ring = int(width);
        EXPECT_TRUE(painted(img, 50, 20 + ring - 1));
        EXPECT_FALSE(painted(img, 50, 20 + ring + 1));
        EXPECT_TRUE(painted(img, 50, 59 - ring + 1));
        EXPECT_FALSE(painted(img, 50, 40)); // null brush: hollow
    }
}

TEST(DeviceShape, EllipseFillsInsideTheRingOnly)
{
    // Pen ring in red, brush in blue: no pixel of the ring is blue, the centre is.
    QImage img = whiteImage(100, 100);
    {
        PainterDevice dev(&img);
        DevicePen pen = solidPen(5, PenJoin::Bevel, PenCap::Flat, Red);
        pen.insideFrame = true;
        dev.setPen(pen);
        dev.setBrush(solidBrush(Blue));
        dev.ellipse(QRectF(10, 10, 80, 80));
        dev.setPen(nullPen());
        dev.ellipse(QRectF(95, 95, 3, 3));
    }
    EXPECT_EQ(img.pixel(50, 50), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(50, 12), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(50, 16), qRgb(0, 0, 255));
    EXPECT_EQ(paintedBounds(img), QRect(10, 10, 88, 88));
}

TEST(DeviceShape, RectangleFrameAndFill)
{
    QImage img = whiteImage(60, 60);
    {
        PainterDevice dev(&img);
        dev.setPen(solidPen(1, PenJoin::Bevel, PenCap::Flat, Red));
        dev.setBrush(solidBrush(Blue));
        dev.rectangle(QRectF(10, 10, 20, 20));
    }
    EXPECT_EQ(paintedBounds(img), QRect(10, 10, 20, 20));
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(29, 29), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(11, 11), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(28, 28), qRgb(0, 0, 255));
}

TEST(DeviceHatch, PeriodDirectionAndOrigin)
{
    const QPoint origin(3, 5);
    const auto expected = [&](HatchStyle style, int x, int y) {
        const int dx = x - origin.x();
        const int dy = y - origin.y();
        const auto m = [](int v) { return ((v % 8) + 8) % 8 == 0; };
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
        QImage img = whiteImage(64, 64);
        {
            PainterDevice dev(&img);
            dev.setPen(nullPen());
            DeviceBrush brush;
            brush.style = BrushStyle::Hatch;
            brush.hatch = style;
            brush.color = Red;
            dev.setBrush(brush);
            dev.setBrushOrigin(origin);
            dev.setBackground(BackgroundMode::Transparent, Blue);
            const std::vector<QPointF> square{{4, 4}, {60, 4}, {60, 60}, {4, 60}};
            dev.polygon(square);
        }
        int mismatches = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inside = x >= 4 && x < 60 && y >= 4 && y < 60;
                const QRgb want = inside && expected(style, x, y) ? qRgb(255, 0, 0) : qRgb(255, 255, 255);
                mismatches += img.pixel(x, y) != want;
            }
        EXPECT_EQ(mismatches, 0) << "hatch style " << int(style);
    }
}

TEST(DeviceHatch, OpaqueBackgroundFillsTheGaps)
{
    QImage img = whiteImage(16, 16);
    {
        PainterDevice dev(&img);
        dev.setPen(nullPen());
        DeviceBrush brush;
        brush.style = BrushStyle::Hatch;
        brush.hatch = HatchStyle::Vertical;
        brush.color = Red;
        dev.setBrush(brush);
        dev.setBackground(BackgroundMode::Opaque, Blue);
        dev.rectangle(QRectF(0, 0, 16, 16));
    }
    EXPECT_EQ(img.pixel(8, 3), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(9, 3), qRgb(0, 0, 255));
}

TEST(DeviceClip, ClipPathConfinesFillWithinTheBaseClip)
{
    QImage img = whiteImage(100, 100);
    PainterDevice dev(&img);
    dev.setPen(nullPen());
    dev.setBaseClip(QRegion(0, 0, 50, 100));
    dev.beginPath();
    const std::vector<QPointF> band{{25, 0}, {75, 0}, {75, 100}, {25, 100}};
    dev.polygon(band);
    dev.endPath();
    ASSERT_TRUE(dev.clipToPath());
    EXPECT_FALSE(dev.clipToPath()); // the path is used up
    dev.setBrush(solidBrush(Blue));
    dev.rectangle(QRectF(0, 0, 100, 100));
    EXPECT_EQ(paintedBounds(img), QRect(25, 0, 25, 100));

    // Dropping the clip path returns to the base clip, never to the whole device.
    dev.resetClip();
    dev.setBrush(solidBrush(Red));
    dev.rectangle(QRectF(0, 0, 100, 100));
    EXPECT_EQ(paintedBounds(img), QRect(0, 0, 50, 100));
    EXPECT_EQ(img.pixel(30, 50), qRgb(255, 0, 0));
}

TEST(DeviceClip, ClipsIntersectAndRestoreDropsTheLaterOne)
{
    QImage img = whiteImage(100, 100);
    PainterDevice dev(&img);
    dev.setPen(nullPen());
    dev.setBrush(solidBrush(Blue));
    const auto clipTo = [&](QRectF r) {
        dev.beginPath();
        dev.rectangle(r);
        dev.endPath();
        return dev.clipToPath();
    };
    ASSERT_TRUE(clipTo(QRectF(10, 10, 60, 60)));
    dev.save();
    ASSERT_TRUE(clipTo(QRectF(40, 40, 60, 60)));
    dev.rectangle(QRectF(0, 0, 100, 100));
    EXPECT_EQ(paintedBounds(img), QRect(40, 40, 30, 30));
    dev.restore();
    img.fill(Qt::white);
    dev.rectangle(QRectF(0, 0, 100, 100));
    EXPECT_EQ(paintedBounds(img), QRect(10, 10, 60, 60));
}

TEST(DeviceRop, XorTwiceRestoresTheImage)
{
    QImage img = whiteImage(120, 120);
    {
        PainterDevice dev(&img);
        dev.setPen(solidPen(3, PenJoin::Round, PenCap::Round, Red));
        dev.setBrush(solidBrush(DeviceColor{10, 200, 30}));
        dev.ellipse(QRectF(5, 5, 100, 70));
        line(dev, {{0, 119}, {119, 0}});
    }
    const QImage before = img.copy();
    const auto marks = [](Device& dev) {
        dev.setPen(solidPen(1, PenJoin::Bevel, PenCap::Flat, White));
        dev.setBrush(DeviceBrush{});
        line(dev, {{0, 0}, {60, 90}, {119, 10}, {0, 0}});
        dev.rectangle(QRectF(20, 20, 40, 30));
        dev.setPen(solidPen(6, PenJoin::Mitre, PenCap::Square, White));
        line(dev, {{10, 100}, {50, 60}, {90, 100}});
        dev.setPen(nullPen());
        dev.setBrush(solidBrush(White));
        const std::vector<QPointF> caret{{70, 70}, {80, 70}, {75, 90}};
        dev.polygon(caret);
        dev.setPixel(QPoint(115, 115), White);
    };
    PainterDevice dev(&img);
    ASSERT_TRUE(dev.canXor());
    ASSERT_TRUE(dev.setRasterOp(RasterOp::Xor));
    marks(dev);
    EXPECT_NE(img, before);
    EXPECT_EQ(img.pixel(115, 115), qRgb(0, 0, 0));
    marks(dev);
    EXPECT_EQ(img, before);
}

TEST(DeviceImage, BlitCopiesAndScalesWhateverTheRop)
{
    QImage src(2, 2, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 0));
    src.setPixel(1, 0, qRgb(0, 255, 0));
    src.setPixel(0, 1, qRgb(0, 0, 255));
    src.setPixel(1, 1, qRgb(9, 9, 9));
    QImage img = whiteImage(20, 20);
    {
        PainterDevice dev(&img);
        dev.setRasterOp(RasterOp::Xor);
        dev.drawImage(QRectF(4, 4, 8, 8), src, QRect(0, 0, 2, 2));
    }
    EXPECT_EQ(img.pixel(4, 4), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(11, 4), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(4, 11), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(11, 11), qRgb(9, 9, 9));
    EXPECT_EQ(paintedBounds(img), QRect(4, 4, 8, 8));
}

TEST(DeviceText, GlyphsTurnCounterClockwiseAboutTheOrigin)
{
    const QString file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ASSERT_TRUE(QFile::exists(file)) << "needs DejaVu Sans (Debian package fonts-dejavu-core)";
    QRawFont font(file, 40);
    ASSERT_TRUE(font.isValid());
    const QList<quint32> ids = font.glyphIndexesForString("l");
    ASSERT_EQ(ids.size(), 1);
    const std::vector<uint32_t> glyphs{ids[0]};
    const std::vector<QPointF> at{{0, 0}};
    const auto draw = [&](double angle) {
        QImage img = whiteImage(100, 100);
        PainterDevice dev(&img);
        dev.drawGlyphs(font, glyphs, at, QPointF(50, 50), angle, Black);
        dev.finish();
        return paintedBounds(img);
    };
    const QRect upright = draw(0);
    ASSERT_FALSE(upright.isNull());
    EXPECT_GT(upright.height(), 3 * upright.width());
    EXPECT_LE(upright.bottom(), 50);
    // Turned a quarter counter-clockwise, the letter lies on its back to the left.
    const QRect turned = draw(90);
    EXPECT_GT(turned.width(), 3 * turned.height());
    EXPECT_LE(turned.right(), 50);
}

TEST(DevicePen, DottedLineShowsTheBackgroundInItsGapsWhenOpaque)
{
    QImage img = whiteImage(30, 10);
    {
        PainterDevice dev(&img);
        DevicePen pen = solidPen(1, PenJoin::Bevel, PenCap::Flat, Red);
        pen.style = PenStyle::Dot;
        dev.setPen(pen);
        dev.setBackground(BackgroundMode::Opaque, Blue);
        line(dev, {{0, 2}, {12, 2}});
        dev.setBackground(BackgroundMode::Transparent, Blue);
        line(dev, {{12, 5}, {0, 5}});
    }
    const QRgb r = qRgb(255, 0, 0), b = qRgb(0, 0, 255), w = qRgb(255, 255, 255);
    const QRgb opaque[] = {r, r, r, b, b, b, r, r, r, b, b, b, w};
    for (int x = 0; x <= 12; ++x)
        EXPECT_EQ(img.pixel(x, 2), opaque[x]) << x;
    // Drawn right to left: the dots start at the first point.
    for (int x = 12; x >= 0; --x)
        EXPECT_EQ(img.pixel(x, 5), x == 0 ? w : opaque[12 - x] == b ? w : r) << x;
}

TEST(DevicePen, LinesRunningFarOffTheDeviceKeepTheirSlope)
{
    // One end a million pixels away: the visible part still runs at slope 1/2.
    for (double width : {1.0, 3.0}) {
        QImage img = whiteImage(200, 200);
        {
            PainterDevice dev(&img);
            dev.setPen(solidPen(width));
            line(dev, {{0, 20}, {2e6, 20 + 1e6}});
            line(dev, {{-3e6, 150 - 1.5e6}, {100, 200}});
        }
        SCOPED_TRACE(width);
        for (int x : {0, 60, 120, 198}) {
            EXPECT_TRUE(painted(img, x, 20 + x / 2)) << x;
            EXPECT_FALSE(painted(img, x, 20 + x / 2 + 4)) << x;
            EXPECT_FALSE(painted(img, x, 20 + x / 2 - 4)) << x;
        }
        for (int x : {0, 40, 98}) {
            EXPECT_TRUE(painted(img, x, 150 + x / 2)) << x;
            EXPECT_FALSE(painted(img, x, 150 + x / 2 - 4)) << x;
        }
    }
}

TEST(DeviceFill, HugePolygonFillsTheDeviceWithinItsEdges)
{
    QImage img = whiteImage(100, 100);
    {
        PainterDevice dev(&img);
        dev.setPen(nullPen());
        dev.setBrush(solidBrush(Blue));
        // A triangle far larger than the device whose long edge crosses it diagonally.
        const std::vector<QPointF> tri{{-1e7, -1e7 + 1}, {1e7, 1e7 + 1}, {-1e7, 1e7}};
        dev.polygon(tri);
    }
    EXPECT_TRUE(painted(img, 10, 50));
    EXPECT_TRUE(painted(img, 40, 45));
    EXPECT_FALSE(painted(img, 50, 40));
    EXPECT_FALSE(painted(img, 90, 10));
}
