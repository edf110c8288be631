// Set-up shared by the output layer tests: a map-to-pixel transform of 1 device unit per
// 0.01 mm with y up, and helpers to build paths in device terms.
#pragma once

#include "core/Config.h"
#include "core/Folders.h"
#include "render/GraphSys.h"
#include "render/Scale.h"

#include <QImage>

#include <cmath>

namespace zemo::gstest {

// A map point that lands on device pixel corner (px, py) of an image `height` pixels high.
inline Cord At(double px, double py, int height = 100)
{
    return Cord{Masked(int32_t(std::lround(px * 256))), Masked(int32_t(std::lround((height - py) * 256)))};
}

// 1 device unit per 0.01 mm; the whole image is the clip rectangle.
inline void PixelTransform(int width, int height)
{
    ResetScaleState();
    Scale.ViewOrigin = Cord{0, height * 256};
    Scale.ViewScaleX = 1.0 / 256;
    Scale.ViewScaleY = -1.0 / 256;
    Scale.DrawRect = CordRect{0, 0, width * 256, height * 256};
    Scale.FlattenTolerance = 1;
    Graph.ClipRect = Scale.DrawRect;
}

inline void Path(std::initializer_list<Cord> points)
{
    Graph.WorkPoints2Count = 0;
    for (Cord c : points)
        GraphLineTo(c.x, c.y);
}

inline QImage WhiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
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

inline int PaintedCount(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += Painted(img, x, y);
    return n;
}

inline constexpr uint32_t Black = 200u << 24;

// The layer at its start-up state with the default colour settings.
inline void ResetAll()
{
    ProgramConfig = ConfigRecord{};
    ResetGraphSysState();
    Graph.OutputCmyk = Black;
}

} // namespace zemo::gstest
