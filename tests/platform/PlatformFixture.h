// What the platform tests share: a scratch folder (also the settings home), white images and
// their pixels, pens and brushes, the hatch rule, and the independent programs that render
// the files we write.
#pragma once

#include "platform/PainterDevice.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace zemo {

inline constexpr DeviceColor Black{0, 0, 0};
inline constexpr DeviceColor Red{255, 0, 0};
inline constexpr DeviceColor Blue{0, 0, 255};
inline constexpr DeviceColor White{255, 255, 255};

inline QRgb Rgb(DeviceColor c) { return qRgb(c.r, c.g, c.b); }

inline DevicePen Pen(double width, DeviceColor color = Black, PenJoin join = PenJoin::Bevel,
                     PenCap cap = PenCap::Flat, PenStyle style = PenStyle::Solid)
{
    return DevicePen{style, color, width, join, cap, false};
}
inline DeviceBrush Solid(DeviceColor c) { return {BrushStyle::Solid, c, HatchStyle::Horizontal}; }
inline DeviceBrush Hatch(HatchStyle s, DeviceColor c) { return {BrushStyle::Hatch, c, s}; }

inline constexpr HatchStyle AllHatches[] = {HatchStyle::Horizontal, HatchStyle::Vertical,
                                            HatchStyle::FDiagonal,  HatchStyle::BDiagonal,
                                            HatchStyle::Cross,      HatchStyle::DiagCross};

// Whether a hatch lights pixel (x, y): its lines run every 8 pixels through the origin, the
// forward diagonal as "\" with y down.
inline bool HatchLit(HatchStyle style, QPoint origin, int x, int y)
{
    const auto on = [](int v) { return ((v % HatchPeriod) + HatchPeriod) % HatchPeriod == 0; };
    const int dx = x - origin.x(), dy = y - origin.y();
    switch (style) {
    case HatchStyle::Horizontal: return on(dy);
    case HatchStyle::Vertical: return on(dx);
    case HatchStyle::FDiagonal: return on(dx - dy);
    case HatchStyle::BDiagonal: return on(dx + dy);
    case HatchStyle::Cross: return on(dx) || on(dy);
    case HatchStyle::DiagCross: return on(dx - dy) || on(dx + dy);
    }
    return false;
}

inline void Line(Device& dev, std::initializer_list<QPointF> points)
{
    const std::vector<QPointF> v(points);
    dev.polyline(v);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

// A white image drawn on through a device of its own.
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
inline bool Painted(const QImage& img, int x, int y) { return img.pixel(x, y) != qRgb(255, 255, 255); }
inline QRect PaintedBounds(const QImage& img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (Painted(img, x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

// Runs an outside program that writes the PNG `png`; a null image, with a failure, when it
// is missing or fails.
inline QImage Rendered(const char* program, const char* package, const QStringList& args,
                       const QString& png)
{
    const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(program));
    if (tool.isEmpty()) {
        ADD_FAILURE() << "needs " << program << " (Debian package " << package << ")";
        return {};
    }
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program << ": " << p.readAllStandardError().toStdString();
        return {};
    }
    return QImage(png).convertToFormat(QImage::Format_RGB32);
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
