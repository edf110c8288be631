// The BMP, GIF and JPEG exports of a map with a raster template of corner markers and a
// diagonal, rendered through bands of 48 x 32 pixels so that every export crosses strip and
// cell seams: header fields at their literal offsets, the pixels as Qt's readers, gif2rgb and
// djpeg decode them, the median cut on histograms made up for it, and Esc leaving no file.
#include "MarkerMap.h"
#include "io/ExpBmp.h"
#include "io/ExpGif.h"
#include "io/ExpJpeg.h"

#include <QCoreApplication>
#include <QImage>

namespace zemo::test {
namespace {

class RasterFormats : public MarkerMapTest {};

TEST_F(RasterFormats, BmpHeaderFieldsAndPixelsAtTwoResolutions)
{
    OpenMarkerMap();
    for (const int dpi : {Dpi, 2 * Dpi}) {
        SCOPED_TRACE(dpi);
        const QString path = Samples() + QStringLiteral("/markers-%1dpi.bmp").arg(dpi);
        ASSERT_EQ(RenderBmp(extent, path, false, false, dpi), RasterResult::Written);
        const QByteArray b = Read(path);
        const int w = W * dpi / Dpi, h = H * dpi / Dpi;
        const int row = (w * 3 + 3) & ~3;
        ASSERT_EQ(b.size(), 54 + row * h);
        EXPECT_EQ(b.left(2), "BM");
        EXPECT_EQ(Le32(b, 2), uint32_t(b.size()));
        EXPECT_EQ(Le32(b, 10), 54u);
        EXPECT_EQ(Le32(b, 14), 40u);
        EXPECT_EQ(Le32(b, 18), uint32_t(w));
        EXPECT_EQ(Le32(b, 22), uint32_t(h));
        EXPECT_EQ(Le16(b, 26), 1);
        EXPECT_EQ(Le16(b, 28), 24);
        EXPECT_EQ(Le32(b, 30), 0u);
        EXPECT_EQ(Le32(b, 34), uint32_t(row * h));
        EXPECT_EQ(Le32(b, 38), uint32_t(BmpPixelsPerMetre(dpi)));
        EXPECT_EQ(Le32(b, 42), uint32_t(BmpPixelsPerMetre(dpi)));
        // The first row stored is the bottom one: blue at its left.
        EXPECT_EQ(b.mid(54, 3), QByteArray::fromHex("ff0000"));
        const QImage image(path);
        ASSERT_EQ(image.size(), QSize(w, h));
        EXPECT_EQ(WrongPixels(image), 0);
        const RgbPicture magick = QtPicture(path);
        EXPECT_EQ(magick.width, w);
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(RasterFormats, BmpSizesAndThePreview)
{
    const struct {
        int mm;
        int dpi;
        int pixels;
        int row;
        int perMetre;
    } cases[] = {{100, 150, 591, 1776, 5906}, {100, 2540, 10000, 30000, 100000}, {1, 50, 2, 8, 1969}};
    for (const auto& c : cases) {
        EXPECT_EQ(RasterPixels(0, c.mm * Mm, c.dpi), c.pixels);
        EXPECT_EQ((c.pixels * 3 + 3) & ~3, c.row);
        EXPECT_EQ(BmpPixelsPerMetre(c.dpi), c.perMetre);
    }
    EXPECT_EQ(BmpFileSizeText(QStringLiteral("254")), QString());  // no map
    OpenMarkerMap();
    EXPECT_EQ(BmpFileSizeText(QStringLiteral("254")), QString::number(W * 3 * H + 54));
    EXPECT_EQ(BmpFileSizeText(QStringLiteral(" 508 ")), QString::number(2 * W * 3 * 2 * H + 54));
    EXPECT_EQ(BmpFileSizeText(QStringLiteral("25x")), QString());
}

// ---- GIF ----

struct GifBlocks {
    bool ok = false;
    std::vector<int> sizes;
    int end = 0;  // offset after the zero block
};

// The sub-blocks of the image data after the fixed head.
GifBlocks ParseBlocks(const QByteArray& b)
{
    GifBlocks r;
    int at = 792;
    while (at < b.size()) {
        const int n = uint8_t(b[at]);
        ++at;
        if (n == 0) {
            r.end = at;
            r.ok = true;
            return r;
        }
        r.sizes.push_back(n);
        at += n;
    }
    return r;
}

TEST_F(RasterFormats, GifDecodesByQtAndGif2rgbWithExactMarkersAndTwoEntriesUsed)
{
    OpenMarkerMap();
    for (const int dpi : {Dpi, 3 * Dpi}) {
        SCOPED_TRACE(dpi);
        const QString path = Samples() + QStringLiteral("/markers-%1dpi.gif").arg(dpi);
        ASSERT_EQ(RenderGif(extent, path, false, true, false, dpi), RasterResult::Written);
        const QByteArray b = Read(path);
        EXPECT_EQ(b.left(6), "GIF87a");
        EXPECT_EQ(Le16(b, 6), W * dpi / Dpi);
        EXPECT_EQ(Le16(b, 8), H * dpi / Dpi);
        EXPECT_EQ(uint8_t(b[10]), 0xF7);
        EXPECT_EQ(uint8_t(b[781]), 0x2C);
        EXPECT_EQ(uint8_t(b[791]), 8);
        const GifBlocks blocks = ParseBlocks(b);
        ASSERT_TRUE(blocks.ok);
        ASSERT_FALSE(blocks.sizes.empty());
        for (size_t i = 0; i + 1 < blocks.sizes.size(); ++i)
            ASSERT_EQ(blocks.sizes[i], 255);
        EXPECT_LT(blocks.sizes.back(), 256);
        EXPECT_EQ(blocks.end, b.size() - 1);
        EXPECT_EQ(b.back(), ';');
        // Six colours: the palette holds them exactly, the rest is black.
        const QByteArray palette = b.mid(13, 768);
        int black = 0;
        for (int i = 0; i < 256; ++i)
            if (palette.mid(3 * i, 3) == QByteArray(3, '\0'))
                ++black;
        EXPECT_EQ(black, 256 - 5);  // black itself is one of the six

        const QImage image(path);
        ASSERT_EQ(image.size(), QSize(Le16(b, 6), Le16(b, 8)));
        EXPECT_EQ(WrongPixels(image.convertToFormat(QImage::Format_RGB32)), 0);
        // gif2rgb writes the raw pixels, red, green and blue.
        const QString rgb = path + QStringLiteral(".rgb");
        ASSERT_TRUE(RunTool(QStringLiteral("gif2rgb"), {QStringLiteral("-1"), QStringLiteral("-o"), rgb, path}));
        const QByteArray raw = Read(rgb);
        ASSERT_EQ(raw.size(), image.width() * image.height() * 3);
        QImage theirs(reinterpret_cast<const uchar*>(raw.constData()), image.width(), image.height(),
                      image.width() * 3, QImage::Format_RGB888);
        EXPECT_EQ(WrongPixels(theirs.convertToFormat(QImage::Format_RGB32)), 0);
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(RasterFormats, GifRendersOnceWhenOneCellHoldsItAndTwiceWithTheSamePixelsOtherwise)
{
    OpenMarkerMap();
    const auto run = [this](int dpi, const QString& name, int& passes, QByteArray& pixels) {
        GifStripWriter writer;
        RasterSettings s;
        s.Dpi = dpi;
        ASSERT_EQ(ExportRaster(extent, s, writer, InMaps(name)), RasterResult::Written);
        passes = writer.PassesMade();
        const QImage image(InMaps(name));
        pixels = QByteArray(reinterpret_cast<const char*>(image.convertToFormat(QImage::Format_RGB32).constBits()),
                            image.width() * image.height() * 4);
    };
    int passes = 0;
    QByteArray small, large;
    // 20 x 14 pixels fit one cell of 24 x 16.
    run(Dpi * 2 / 7, QStringLiteral("small.gif"), passes, small);
    EXPECT_EQ(passes, 1);
    run(Dpi, QStringLiteral("large.gif"), passes, large);
    EXPECT_EQ(passes, 2);
    // Counting and writing saw the same pixels: every pixel found its exact colour.
    EXPECT_EQ(WrongPixels(QImage(InMaps(QStringLiteral("large.gif"))).convertToFormat(QImage::Format_RGB32)), 0);
}

TEST_F(RasterFormats, MedianCutOnMadeUpHistograms)
{
    struct Cell {
        int r, g, b;
        uint64_t n;
    };
    const struct {
        const char* name;
        std::vector<Cell> cells;
        int boxes;
        std::vector<std::array<int, 4>> entries;  // index, red, green, blue
    } cases[] = {
        {"one cell is one box", {{5, 6, 7, 1000}}, 1, {{0, 40, 48, 56}, {1, 0, 0, 0}}},
        // 16000 x 16000 white pixels: the weighted sum passes 32 bits.
        {"white of the largest image", {{31, 31, 31, 256000000}}, 1, {{0, 255, 255, 255}}},
        // The split box keeps the upper part in its place; the lower one is appended. Green is
        // the longest range here, its median slice the last but one.
        {"two colours, two entries", {{31, 31, 31, 900}, {0, 0, 31, 100}}, 2, {{0, 255, 255, 255}, {1, 0, 0, 255}, {2, 0, 0, 0}, {255, 0, 0, 0}}},
        {"split at the median", {{0, 0, 0, 3}, {0, 0, 1, 1}}, 2, {{0, 0, 0, 8}, {1, 0, 0, 0}}},
        // Nothing counted: the box shrinks onto its last slices.
        {"empty histogram", {}, 1, {{0, 255, 255, 255}, {1, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GifColorTable t;
        for (const Cell& cell : c.cells)
            t.AddToCell(cell.r, cell.g, cell.b, cell.n);
        EXPECT_EQ(t.ReduceGifColors(), c.boxes);
        for (const auto& e : c.entries) {
            EXPECT_EQ(t.Palette()[size_t(3 * e[0])], e[1]) << "entry " << e[0];
            EXPECT_EQ(t.Palette()[size_t(3 * e[0] + 1)], e[2]) << "entry " << e[0];
            EXPECT_EQ(t.Palette()[size_t(3 * e[0] + 2)], e[3]) << "entry " << e[0];
        }
    }
    // Pixels: white stays exact, 4,4,4 lies in cell 0 and takes its box's colour.
    GifColorTable t;
    for (int i = 0; i < 10; ++i) {
        t.CountGifColor(255, 255, 255);
        t.CountGifColor(4, 4, 4);
    }
    t.CountGifColor(0, 0, 200);  // blue, green, red
    ASSERT_EQ(t.ReduceGifColors(), 3);
    const auto colour = [&t](uint8_t b, uint8_t g, uint8_t r) {
        const int i = t.GifColorIndex(b, g, r);
        return std::array<int, 3>{t.Palette()[size_t(3 * i)], t.Palette()[size_t(3 * i + 1)], t.Palette()[size_t(3 * i + 2)]};
    };
    EXPECT_EQ(colour(255, 255, 255), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(colour(4, 4, 4), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(colour(0, 0, 200), (std::array<int, 3>{200, 0, 0}));
    // Ties keep the lower index.
    EXPECT_EQ(t.NearestGifColor(0, 0, 0), t.GifColorIndex(4, 4, 4));
}

TEST_F(RasterFormats, EscOrAFailedWriteLeavesNoGifJpegOrBmp)
{
    OpenMarkerMap();
    for (const char* name : {"esc.gif", "esc.jpg", "esc.bmp"}) {
        SCOPED_TRACE(name);
        escAt = 3;
        polls = 0;
        messages.Clear();
        const QString path = InMaps(QLatin1String(name));
        RasterResult r;
        if (path.endsWith(QLatin1String(".gif")))
            r = RenderGif(extent, path, false, true, false, Dpi);
        else if (path.endsWith(QLatin1String(".jpg")))
            r = RenderJpeg(extent, path, false, true, false, Dpi);
        else
            r = RenderBmp(extent, path, false, false, Dpi);
        EXPECT_EQ(r, RasterResult::Aborted);
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
        EXPECT_FALSE(ProgressRunning());
    }
    EXPECT_EQ(FilesInMaps(), (QStringList{"map.zmd", "markers.tpx"}));
    // A folder that cannot be written: the message names the file, nothing is left.
    escAt = 0;
    messages.Clear();
    const QString nowhere = Folder(QStringLiteral("missing/x")) + QStringLiteral("/a.gif");
    EXPECT_EQ(RenderGif(extent, nowhere, false, true, false, Dpi), RasterResult::Failed);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    EXPECT_FALSE(QFile::exists(nowhere));
}

// ---- JPEG ----

// The mean colour of a square of the decoded picture.
std::array<double, 3> Mean(const QImage& image, int x0, int y0, int size)
{
    std::array<double, 3> sum{};
    for (int y = y0; y < y0 + size; ++y)
        for (int x = x0; x < x0 + size; ++x) {
            const QRgb p = image.pixel(x, y);
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
        }
    for (double& v : sum)
        v /= size * size;
    return sum;
}

TEST_F(RasterFormats, JpegDecodesByDjpegWithItsSizeNoDensityAndTheMarkersInPlace)
{
    OpenMarkerMap();
    for (const int dpi : {Dpi * 4, Dpi * 8}) {
        SCOPED_TRACE(dpi);
        const int w = W * dpi / Dpi, h = H * dpi / Dpi;
        const QString path = Samples() + QStringLiteral("/markers-%1dpi.jpg").arg(dpi);
        ASSERT_EQ(RenderJpeg(extent, path, false, true, false, dpi), RasterResult::Written);
        const QString bmp = InMaps(QStringLiteral("same.bmp"));
        ASSERT_EQ(RenderBmp(extent, bmp, false, false, dpi), RasterResult::Written);
        const QByteArray b = Read(path);
        // SOI, then the JFIF segment: its density unit (0) at offset 13 of the file.
        ASSERT_EQ(b.left(4), QByteArray::fromHex("ffd8ffe0"));
        EXPECT_EQ(b.mid(6, 5), QByteArray("JFIF\0", 5));
        EXPECT_EQ(uint8_t(b[13]), 0);
        const QString ppm = path + QStringLiteral(".ppm");
        ASSERT_TRUE(RunTool(QStringLiteral("djpeg"), {QStringLiteral("-outfile"), ppm, path}));
        const QImage image(ppm);
        ASSERT_EQ(image.size(), QSize(w, h));
        // The corner markers' mean colours inside their edges (where the compression rings)
        // against the bitmap's: swapped channels put blue top left.
        const QImage exact(bmp);
        const int m = 3 * dpi / Dpi;
        for (const QPoint corner : {QPoint(0, 0), QPoint(w - m, 0), QPoint(0, h - m), QPoint(w - m, h - m)}) {
            const auto got = Mean(image, corner.x() + m / 4, corner.y() + m / 4, m / 2);
            const auto want = Mean(exact, corner.x() + m / 4, corner.y() + m / 4, m / 2);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(got[size_t(k)], want[size_t(k)], 8) << "corner " << corner.x() << "," << corner.y();
        }
        // The diagonal: dark on every row it crosses.
        const int k = dpi / Dpi;  // output pixels a template pixel
        for (int y = 3 * k; y < h - 3 * k; y += k) {
            const int x = k * (y / k + 3) + k / 2;
            EXPECT_LT(qGray(image.pixel(x, y)), 128) << "row " << y;
        }
    }
}

} // namespace
} // namespace zemo::test
