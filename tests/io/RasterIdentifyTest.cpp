// Every raster export of the corner-marker map at two resolutions as ImageMagick sees it:
// identify reads the format and the exact size; the lossless colour files decode to the
// markers in place with the diagonal unbroken.
#include "MarkerMap.h"
#include "io/ExpBmp.h"
#include "io/ExpGif.h"
#include "io/ExpJpeg.h"
#include "io/ExpTiff.h"

#include <QProcess>

#include <functional>

namespace zemo::test {
namespace {

class RasterIdentify : public MarkerMapTest {
protected:
    static QByteArray Output(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
        return p.readAllStandardOutput();
    }
};

TEST_F(RasterIdentify, SizesAndMarkersAsImageMagickReadsThem)
{
    OpenMarkerMap();
    const auto tiff = [this](int bits, bool lzw) {
        return [this, bits, lzw](const QString& name, int dpi) {
            TiffJob j;
            j.Rect = extent;
            j.Bits = bits;
            j.FileName = name;
            j.Lzw = lzw;
            j.Dpi = dpi;
            return WriteTiff(j);
        };
    };
    const struct {
        const char* name;
        const char* format;
        bool exact;  // lossless colour: the markers decode exactly
        std::function<bool(const QString&, int)> write;
    } cases[] = {
        {"bmp", "BMP3", true,
         [this](const QString& n, int dpi) { return RenderBmp(extent, n, false, false, dpi) == RasterResult::Written; }},
        {"gif", "GIF", true,
         [this](const QString& n, int dpi) { return RenderGif(extent, n, false, false, false, dpi) == RasterResult::Written; }},
        {"jpg", "JPEG", false,
         [this](const QString& n, int dpi) { return RenderJpeg(extent, n, false, false, false, dpi) == RasterResult::Written; }},
        {"tif", "TIFF", true, tiff(24, false)},
        {"lzw.tif", "TIFF", true, tiff(24, true)},
        {"grey.tif", "TIFF", false, tiff(8, true)},
        {"bw.tif", "TIFF", false, tiff(1, false)},
    };
    for (const auto& c : cases)
        for (const int dpi : {Dpi, 3 * Dpi}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(dpi));
            const QString path = Samples() + QStringLiteral("/markers-identify-%1dpi.%2").arg(dpi).arg(QLatin1String(c.name));
            ASSERT_TRUE(c.write(path, dpi));
            const int w = W * dpi / Dpi, h = H * dpi / Dpi;
            const QByteArray seen = Output(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%m %w %h"), path});
            EXPECT_EQ(seen, QByteArray(c.format) + ' ' + QByteArray::number(w) + ' ' + QByteArray::number(h));
            if (!c.exact)
                continue;
            const QImage decoded = QImage::fromData(
                Output(QStringLiteral("convert"), {path, QStringLiteral("ppm:-")}), "PPM");
            ASSERT_EQ(decoded.size(), QSize(w, h));
            EXPECT_EQ(WrongPixels(decoded.convertToFormat(QImage::Format_RGB32)), 0);
        }
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
} // namespace zemo::test
