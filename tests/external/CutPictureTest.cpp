// Pictures cut short, as by a broken download: GIF, TIFF and JPEG files made by ImageMagick, GDAL
// and cjpeg, cut at 90 %, keep the rows read before the cut, equal to the whole file's rows, hold
// nothing below them, and say how many rows of how many were read; a file read whole says nothing
// of the kind.
#include "RasterKit.h"
#include "core/LangTexts.h"
#include "core/Status.h"
#include "external/Gif.h"
#include "external/Jpeg.h"
#include "external/Tiff.h"

#include <cstring>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int W = 64, H = 48;

class CutPicture : public RasterTest {
protected:
    void SetUp() override
    {
        RasterTest::SetUp();
        QByteArray ppm = "P6\n64 48\n255\n", pgm = "P5\n64 48\n255\n", bilevel = "P5\n64 48\n1\n";
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                ppm.append(char((x * 7 + y * 3) % 251)).append(char((x * y) % 253)).append(char((x + 5 * y) % 241));
                pgm.append(char((x * 3 + y * 5) % 256));
                bilevel.append(char((x / 5 + y / 3) % 3 == 0 || x == y ? 1 : 0));
            }
        ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), ppm));
        ASSERT_TRUE(WriteBytes(QStringLiteral("in.pgm"), pgm));
        ASSERT_TRUE(WriteBytes(QStringLiteral("bw.pgm"), bilevel));
    }
    QByteArray Contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

struct Maker {
    const char* file;
    const char* tool;
    QStringList args; // the input, then the output are appended (cjpeg: -outfile first)
    const char* input;
    RasterReader reader;
};

QStringList Gdal(const char* compression, int rowsPerStrip)
{
    return {QStringLiteral("-q"), QStringLiteral("-co"), QStringLiteral("COMPRESS=%1").arg(QLatin1String(compression)),
            QStringLiteral("-co"), QStringLiteral("BLOCKYSIZE=%1").arg(rowsPerStrip)};
}

QStringList Fax(const char* compression)
{
    return Gdal(compression, 8) + QStringList{QStringLiteral("-co"), QStringLiteral("NBITS=1")};
}

const Maker Makers[] = {
    {"plain.gif", "convert", {}, "in.ppm", ReadGifFile},
    {"lzw.tif", "gdal_translate", Gdal("LZW", 8), "in.ppm", ReadTiffFile},
    {"lzw-one-strip.tif", "gdal_translate", Gdal("LZW", 48), "in.ppm", ReadTiffFile},
    {"packbits.tif", "gdal_translate", Gdal("PACKBITS", 8), "in.ppm", ReadTiffFile},
    {"plain.tif", "gdal_translate", Gdal("NONE", 5), "in.pgm", ReadTiffFile},
    {"fax4.tif", "gdal_translate", Fax("CCITTFAX4"), "bw.pgm", ReadTiffFile},
    {"fax3.tif", "gdal_translate", Fax("CCITTFAX3"), "bw.pgm", ReadTiffFile},
    {"faxrle.tif", "gdal_translate", Fax("CCITTRLE"), "bw.pgm", ReadTiffFile},
    {"grey.jpg", "cjpeg", {QStringLiteral("-grayscale")}, "in.pgm", ReadJpegFile},
    {"colour.jpg", "cjpeg", {QStringLiteral("-sample"), QStringLiteral("1x1")}, "in.ppm", ReadJpegFile},
};

TEST_F(CutPicture, RowsBeforeTheCutEqualTheWholeFilesAndTheNoteCountsThem)
{
    for (const Maker& m : Makers) {
        SCOPED_TRACE(m.file);
        const QString whole = Path(QLatin1String(m.file)), input = Path(QLatin1String(m.input));
        const QStringList args = QLatin1String(m.tool) == QLatin1String("cjpeg")
                                     ? m.args + QStringList{QStringLiteral("-outfile"), whole, input}
                                     : m.args + QStringList{input, whole};
        ASSERT_TRUE(RunTool(QLatin1String(m.tool), args));
        messages.Clear();
        ClearStatusText();
        const auto all = Read(m.reader, whole);
        ASSERT_NE(all, nullptr);
        ASSERT_EQ(all->HeldRows(), H);
        // Read whole: no word of rows.
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_EQ(KeptStatusText(), QString());

        const QByteArray bytes = Contents(whole);
        const QString cutPath = Path(QStringLiteral("cut-") + QLatin1String(m.file));
        ASSERT_TRUE(WriteBytes(QStringLiteral("cut-") + QLatin1String(m.file), bytes.left(bytes.size() * 9 / 10)));
        const auto cut = Read(m.reader, cutPath);
        ASSERT_NE(cut, nullptr);
        const int rows = cut->HeldRows();
        EXPECT_GT(rows, H / 2);
        EXPECT_LT(rows, H);
        ASSERT_EQ(cut->RowBytes(), all->RowBytes());
        for (int y = 0; y < rows; ++y)
            ASSERT_EQ(std::memcmp(cut->Row(y), all->Row(y), size_t(all->RowBytes())), 0) << "row " << y;
        // Read as its map opens: the status line only, with the rows held.
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_EQ(KeptStatusText(), MergeMsgParams(Text(TextKey::PartialPicture),
                                                   cutPath + QStringLiteral(";%1;%2").arg(rows).arg(H)));
    }
}

// Files whose picture data are whole but whose ends are missing (the GIF's trailer, the JPEG's
// end marker) are read whole: all rows, and no note of rows read.
TEST_F(CutPicture, AFileWithOnlyItsEndMissingIsReadWholeWithoutARowCount)
{
    const struct {
        const char* file;
        const char* tool;
        RasterReader reader;
        int cut;
    } cases[] = {
        {"whole.gif", "convert", ReadGifFile, 1},
        {"whole.jpg", "cjpeg", ReadJpegFile, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = Path(QLatin1String(c.file));
        ASSERT_TRUE(RunTool(QLatin1String(c.tool), QLatin1String(c.tool) == QLatin1String("cjpeg")
                                                       ? QStringList{QStringLiteral("-outfile"), path, Path(QStringLiteral("in.ppm"))}
                                                       : QStringList{Path(QStringLiteral("in.ppm")), path}));
        const auto all = Read(c.reader, path);
        ASSERT_NE(all, nullptr);
        const QByteArray bytes = Contents(path);
        ASSERT_TRUE(WriteBytes(QLatin1String(c.file), bytes.left(bytes.size() - c.cut)));
        messages.Clear();
        ClearStatusText();
        const auto t = Read(c.reader, path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->HeldRows(), H);
        for (int y = 0; y < H; ++y)
            ASSERT_EQ(std::memcmp(t->Row(y), all->Row(y), size_t(all->RowBytes())), 0) << "row " << y;
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_FALSE(KeptStatusText().contains(QLatin1String(" rows "))) << KeptStatusText().toStdString();
    }
}

} // namespace
