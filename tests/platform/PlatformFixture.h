// What the platform tests share: a scratch folder (also the settings home), white images and their
// pixels, pens and brushes, the hatch rule, and the programs that render our files.
#pragma once

#include "platform/PainterDevice.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>

namespace zemo {

inline constexpr DeviceColor Black{0, 0, 0}, Red{255, 0, 0}, Blue{0, 0, 255}, White{255, 255, 255};
inline constexpr HatchStyle AllHatches[] = {HatchStyle::Horizontal, HatchStyle::Vertical,
                                            HatchStyle::FDiagonal,  HatchStyle::BDiagonal,
                                            HatchStyle::Cross,      HatchStyle::DiagCross};

inline QRgb Rgb(DeviceColor c) { return qRgb(c.r, c.g, c.b); }
// An image of random opaque pixels, so that a pixel left out or painted twice shows.
inline QImage NoiseImage(std::mt19937& rng, int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage img(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, 0xFF000000u | rng() % 0x1000000u);
    return img;
}
inline DevicePen Pen(double width, DeviceColor color = Black, PenJoin join = PenJoin::Bevel,
                     PenCap cap = PenCap::Flat, bool insideFrame = false)
{
    return DevicePen{PenStyle::Solid, color, width, join, cap, insideFrame};
}
inline DeviceBrush Solid(DeviceColor c) { return {BrushStyle::Solid, c, HatchStyle::Horizontal}; }
inline DeviceBrush Hatch(HatchStyle s, DeviceColor c) { return {BrushStyle::Hatch, c, s}; }
inline void Line(Device& dev, std::initializer_list<QPointF> points)
{
    dev.polyline(std::vector<QPointF>(points));
}

// Whether a hatch lights pixel (x, y): lines every 8 pixels through the origin, the forward
// diagonal running as "\" with y down.
inline bool HatchLit(HatchStyle style, QPoint origin, int x, int y)
{
    const auto on = [](int v) { return (v % HatchPeriod + HatchPeriod) % HatchPeriod == 0; };
    const int dx = x - origin.x(), dy = y - origin.y();
    const bool h = on(dy), v = on(dx), f = on(dx - dy), b = on(dx + dy);
    const bool lit[] = {h, v, f, b, h || v, f || b};
    return lit[int(style)];
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size());
}

// A white image drawn on through a device of its own, as RGB32.
inline QImage Draw(QSize size, const std::function<void(PainterDevice&)>& paint,
                   QImage::Format format = QImage::Format_RGB32)
{
    QImage img(size, format);
    img.fill(Qt::white);
    PainterDevice dev(&img);
    EXPECT_TRUE(dev.isActive());
    paint(dev);
    dev.finish();
    return img.convertToFormat(QImage::Format_RGB32);
}
inline QImage Draw(QSize size, const DevicePen& pen, const DeviceBrush& brush,
                   const std::function<void(PainterDevice&)>& paint,
                   QImage::Format format = QImage::Format_RGB32)
{
    return Draw(
        size, [&](PainterDevice& dev) { dev.setPen(pen), dev.setBrush(brush), paint(dev); },
        format);
}
inline bool Painted(const QImage& img, int x, int y)
{
    return img.pixel(x, y) != qRgb(255, 255, 255);
}
inline QRect PaintedBounds(const QImage& img)
{
    QRect r;
    for (int i = 0; i < img.width() * img.height(); ++i)
        r |= Painted(img, i % img.width(), i / img.width())
                 ? QRect(i % img.width(), i / img.width(), 1, 1)
                 : QRect();
    return r;
}

// The PNG `png` that an outside program writes; null, with a failure, when it cannot.
inline QImage Rendered(const char* program, const char* package, const QStringList& args,
                       const QString& png)
{
    const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(program));
    QProcess p;
    p.start(tool, args);
    if (tool.isEmpty() || !p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit
        || p.exitCode()) {
        ADD_FAILURE() << program << " (Debian package " << package
                      << "): " << p.readAllStandardError().toStdString();
        return {};
    }
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

// Draws through a device over QSvgGenerator; the file rendered on white by rsvg-convert.
inline QImage DrawSvg(const QString& file, QSize size, const std::function<void(Device&)>& paint)
{
    {
        QSvgGenerator gen;
        gen.setFileName(file);
        gen.setSize(size);
        gen.setViewBox(QRect(QPoint(), size));
        PainterDevice dev(&gen);
        EXPECT_TRUE(dev.isActive() && !dev.canXor() && !dev.setRasterOp(RasterOp::Xor));
        paint(dev);
        EXPECT_TRUE(dev.finish());
    }
    const QString w = QString::number(size.width()), h = QString::number(size.height());
    return Rendered("rsvg-convert", "librsvg2-bin",
                    {"-w", w, "-h", h, "-b", "white", "-o", file + ".png", file}, file + ".png");
}

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

} // namespace zemo
