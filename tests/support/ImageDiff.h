// Where two paints of one window differ.
#pragma once

#include <QImage>
#include <QRect>

namespace zemo::test {

// The smallest rectangle holding every pixel in which the images differ; empty when none does.
inline QRect DifferingPixels(const QImage& a, const QImage& b)
{
    QRect diff;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                diff |= QRect(x, y, 1, 1);
    return diff;
}

} // namespace zemo::test
