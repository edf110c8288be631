// Two renderings of one picture, one anti-aliased: the pixels of either that no blend of the
// other's 3 x 3 neighbourhood explains. An edge drawn with or without anti-aliasing, or a
// pixel off, is a blend; a missing line or dot, or one out of place, is not. A quarter of the
// range is allowed beyond the blend: a thin anti-aliased line never reaches its full colour.
#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>

namespace zemo::test {

inline int Unexplained(const QImage& a, const QImage& b, const QRect& r)
{
    const auto within = [](const QImage& from, const QImage& to, int x, int y) {
        const QRgb c = from.pixel(x, y);
        for (int shift : {16, 8, 0}) {
            int lo = 255, hi = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int v = int(to.pixel(x + dx, y + dy) >> shift) & 0xFF;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            const int v = int(c >> shift) & 0xFF;
            if (v < lo - 64 || v > hi + 64)
                return false;
        }
        return true;
    };
    int n = 0;
    for (int y = r.top() + 1; y < r.bottom(); ++y)
        for (int x = r.left() + 1; x < r.right(); ++x)
            n += !within(a, b, x, y) || !within(b, a, x, y);
    return n;
}

} // namespace zemo::test
