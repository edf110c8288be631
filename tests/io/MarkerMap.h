// The map the raster format tests export: a raster template of 70 x 50 pixels of 0.1 mm with
// red, green, blue and yellow corner markers and a black diagonal, opened the way File > Open
// opens it; with bands of 48 x 32 pixels every export crosses strip and cell seams.
#pragma once

#include "../support/RasterRefs.h"
#include "IoFixture.h"
#include "io/ExpRaster.h"
#include "io/Export.h"

#include <QCoreApplication>
#include <QImage>

#include <cstdlib>

namespace zemo::test {

constexpr int W = 70;
constexpr int H = 50;
// At 254 dpi one output pixel is 0.1 mm, one template pixel as placed.
constexpr int Dpi = 254;

inline QRgb Marker(int x, int y)
{
    const bool left = x < 3, right = x >= W - 3, top = y < 3, bottom = y >= H - 3;
    if (top && left) return qRgb(255, 0, 0);
    if (top && right) return qRgb(0, 255, 0);
    if (bottom && left) return qRgb(0, 0, 255);
    if (bottom && right) return qRgb(255, 255, 0);
    if (x == y + 3) return qRgb(0, 0, 0);
    return qRgb(255, 255, 255);
}

inline QString Samples()
{
    const QString s = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(s);
    return QDir(s).absolutePath();
}

inline uint32_t Le32(const QByteArray& b, int at)
{
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
inline int Le16(const QByteArray& b, int at) { return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8; }

class MarkerMapTest : public IoTest {
protected:
    void OpenMarkerMap()
    {
        TestRaster r = TestRaster::Grey(W, H, 24);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const QRgb c = Marker(x, y);
                uint8_t* p = r.Row(y) + 3 * x;
                p[0] = uint8_t(qBlue(c));
                p[1] = uint8_t(qGreen(c));
                p[2] = uint8_t(qRed(c));
            }
        const QString raster = InMaps(QStringLiteral("markers.tpx"));
        ASSERT_TRUE(WriteTestRaster(raster, r));
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 50)};
        w.strings.push_back(TestPString::Make(8, 0, Placed(raster, W, H)));
        ASSERT_NE(Open(w), nullptr);
        ASSERT_TRUE(ExportExtent(false, extent));
    }
    // Pixels of `image` that differ from the markers scaled to its size (each output pixel
    // takes the template pixel under its centre).
    static int WrongPixels(const QImage& image, int tolerance = 0)
    {
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb want = Marker(x * W / image.width(), y * H / image.height());
                const QRgb got = image.pixel(x, y);
                if (std::abs(qRed(got) - qRed(want)) > tolerance || std::abs(qGreen(got) - qGreen(want)) > tolerance
                    || std::abs(qBlue(got) - qBlue(want)) > tolerance)
                    ++wrong;
            }
        return wrong;
    }
    CordRect extent;
};


} // namespace zemo::test
