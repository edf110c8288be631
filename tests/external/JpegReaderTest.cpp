// The JPEG template reader against libjpeg-turbo's own tools: baseline, progressive and
// greyscale files made by cjpeg and jpegtran decode to exactly what djpeg decodes; a file that
// ends early decodes as djpeg decodes it, saying how much it held; a damaged header and a CMYK file
// fail with the library's message, without ending the program.
#include "RasterKit.h"
#include "core/Status.h"
#include "external/Jpeg.h"

#include <QProcess>

using namespace zemo;
using namespace zemo::test;

namespace {

// A P6 picture with smooth gradients and hard edges, so that every kind of block occurs.
QByteArray GradientPpm(int w, int h)
{
    QByteArray b = QByteArray("P6\n") + QByteArray::number(w) + ' ' + QByteArray::number(h) + "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool edge = (x / 9 + y / 7) % 2 == 0;
            b.append(char(x * 255 / w)).append(char(edge ? 30 : 220)).append(char(y * 255 / h));
        }
    return b;
}

class JpegReader : public RasterTest {
protected:
    void SetUp() override
    {
        RasterTest::SetUp();
        ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), GradientPpm(53, 37)));
    }
    // djpeg's decoding of the file, as a picture; it ends with status 2 after a warning.
    RgbPicture Djpeg(const QString& jpeg)
    {
        const QString out = jpeg + QStringLiteral(".pnm");
        QProcess djpeg;
        djpeg.start(QStringLiteral("djpeg"), {QStringLiteral("-outfile"), out, jpeg});
        EXPECT_TRUE(djpeg.waitForFinished(60000));
        EXPECT_LE(djpeg.exitCode(), 2);
        return QtPicture(out);
    }
};

TEST_F(JpegReader, BaselineProgressiveAndGreyFilesEqualDjpegsOutput)
{
    const QString in = Path(QStringLiteral("in.ppm"));
    const QString base = Path(QStringLiteral("base.jpg"));
    ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-outfile"), base, in}));
    const struct {
        const char* name;
        QString tool;
        QStringList args;
    } cases[] = {
        {"base.jpg", {}, {}},
        {"progressive.jpg", QStringLiteral("cjpeg"), {QStringLiteral("-progressive"), in}},
        {"grey.jpg", QStringLiteral("cjpeg"), {QStringLiteral("-grayscale"), in}},
        {"greyprog.jpeg", QStringLiteral("cjpeg"), {QStringLiteral("-grayscale"), QStringLiteral("-progressive"), in}},
        {"tran.jpg", QStringLiteral("jpegtran"), {QStringLiteral("-progressive"), base}},
        {"quality.jpg", QStringLiteral("cjpeg"), {QStringLiteral("-quality"), QStringLiteral("20"), QStringLiteral("-sample"), QStringLiteral("2x2"), in}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Path(QLatin1String(c.name));
        if (!c.tool.isEmpty()) {
            ASSERT_TRUE(RunTool(c.tool, QStringList{QStringLiteral("-outfile"), path} + c.args));
        }
        auto t = Read(ReadJpegFile, path);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->BitsPerPixel, 24);
        EXPECT_EQ(t->Width, 53);
        EXPECT_EQ(t->Height, 37);
        const RgbPicture ours = ExpandTemplate(*t);
        const RgbPicture theirs = Djpeg(path);
        ASSERT_EQ(theirs.width, 53);
        EXPECT_EQ(ours, theirs);
        // Grey pictures come out as three equal bytes.
        if (QString::fromLatin1(c.name).startsWith(QLatin1String("grey"))) {
            for (uint32_t p : ours.pixels)
                ASSERT_EQ(p, (p & 0xFF) * 0x010101u);
        }
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(JpegReader, AShortFileDecodesAsTheLibraryDecodesItAndSaysHowMuchWasRead)
{
    // Tall enough that half its data hold whole rows of blocks.
    ASSERT_TRUE(WriteBytes(QStringLiteral("tall.ppm"), GradientPpm(53, 200)));
    const QString base = Path(QStringLiteral("base.jpg"));
    ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-outfile"), base, Path(QStringLiteral("tall.ppm"))}));
    QFile f(base);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    ASSERT_TRUE(WriteBytes(QStringLiteral("short.jpg"), whole.left(whole.size() / 2)));
    const QString path = Path(QStringLiteral("short.jpg"));
    auto t = Read(ReadJpegFile, path);
    ASSERT_NE(t, nullptr);
    // The rows the data reached are held, as djpeg decodes them; nothing is held below.
    const RgbPicture ours = ExpandTemplate(*t), theirs = Djpeg(path);
    const int rows = t->HeldRows();
    ASSERT_EQ(theirs.height, t->Height);
    EXPECT_LT(rows, t->Height);
    EXPECT_GT(rows, 0);
    EXPECT_TRUE(std::equal(ours.pixels.begin(), ours.pixels.end(), theirs.pixels.begin()));
    // Read as its map opens: the status line says how many rows the file held, no box.
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(KeptStatusText(), MergeMsgParams(Text(TextKey::PartialPicture),
                                               path + QStringLiteral(";%1;%2").arg(rows).arg(t->Height)));
    // djpeg fills the rows past the end with the library's grey: they begin within the next two
    // rows of blocks (the decoder reads a little ahead of the blocks it has finished).
    int firstGrey = t->Height;
    for (int y = t->Height - 1; y >= 0 && theirs.At(0, y) == 0x808080u; --y)
        firstGrey = y;
    EXPECT_LT(firstGrey, t->Height);
    EXPECT_LE(rows, firstGrey);
    EXPECT_GT(rows + 32, firstGrey);
}

TEST_F(JpegReader, DamagedHeadersAndCmykFailWithTheLibrarysMessage)
{
    const QString cmyk = Path(QStringLiteral("cmyk.jpg"));
    ASSERT_TRUE(RunTool(QStringLiteral("convert"), {Path(QStringLiteral("in.ppm")), QStringLiteral("-colorspace"),
                                                    QStringLiteral("CMYK"), cmyk}));
    const struct {
        const char* name;
        QByteArray bytes;  // empty: the file made above
        const char* says;
    } cases[] = {
        {"empty.jpg", QByteArray(), "Empty input file"},
        {"notjpeg.jpg", QByteArray("GIF89a and more"), "Not a JPEG file"},
        // A frame header with 0 x 0 pixels.
        {"zero.jpg", QByteArray::fromHex("ffd8ffc0000b080000000301220011ffd9"), "Empty JPEG image"},
        {"cmyk.jpg", QByteArray(), "Unsupported color conversion"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.Clear();
        if (!QLatin1String(c.name).startsWith(QLatin1String("cmyk"))) {
            ASSERT_TRUE(WriteBytes(QLatin1String(c.name), c.bytes));
        }
        EXPECT_EQ(Read(ReadJpegFile, Path(QLatin1String(c.name))), nullptr);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().kind, MsgKind::Error);
        EXPECT_TRUE(messages.Last().label.contains(QLatin1String(c.says))) << messages.Last().label.toStdString();
    }
}

} // namespace

namespace {

// A header that claims 60000 x 60000 pixels: width x 3 x height passes 32 bits and the template
// limit, and is refused with TempMemory before any memory is taken.
TEST_F(JpegReader, AHugeHeaderIsRefusedWithTempMemory)
{
    const QString base = Path(QStringLiteral("base.jpg"));
    ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-outfile"), base, Path(QStringLiteral("in.ppm"))}));
    QFile f(base);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    // The baseline frame header: FF C0, length, precision, height, width (big-endian).
    const qsizetype sof = bytes.indexOf(QByteArray::fromHex("ffc0"));
    ASSERT_GT(sof, 0);
    bytes[sof + 5] = char(0xEA);
    bytes[sof + 6] = char(0x60);
    bytes[sof + 7] = char(0xEA);
    bytes[sof + 8] = char(0x60);
    ASSERT_TRUE(WriteBytes(QStringLiteral("huge.jpg"), bytes));
    EXPECT_EQ(Read(ReadJpegFile, Path(QStringLiteral("huge.jpg"))), nullptr);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::TempMemory);
}

// A frame header claims the picture's size before any picture data: a file too short to code
// that many blocks is refused before the library or the record takes memory, while a large
// plain picture that codes in a few bytes, Huffman or arithmetic, still reads.
TEST_F(JpegReader, AFileTooShortForItsSizeIsRefusedBeforeMemoryIsTaken)
{
    // Start of image, a grey frame of 65036 x 13321 (or 16 x 65000) pixels, a scan header, and
    // nothing more: 25 bytes.
    for (const auto& [frame, size] : {std::pair{"3409fe0c", "65036 x 13321"}, std::pair{"fde80010", "16 x 65000"}}) {
        messages.Clear();
        ASSERT_TRUE(WriteBytes(QStringLiteral("claim.jpg"), QByteArray::fromHex(QByteArray("ffd8ffc0000b08") + frame
                                                                                + "01011100ffda000801010000003f00")));
        EXPECT_EQ(Read(ReadJpegFile, Path(QStringLiteral("claim.jpg"))), nullptr);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().kind, MsgKind::Error);
        EXPECT_TRUE(messages.Last().label.contains(QLatin1String(size))) << messages.Last().label.toStdString();
    }

    QByteArray white = "P5\n1600 1200\n255\n";
    white.append(QByteArray(1600 * 1200, char(0xFF)));
    ASSERT_TRUE(WriteBytes(QStringLiteral("white.pgm"), white));
    for (const char* coding : {"-optimize", "-arithmetic"}) {
        SCOPED_TRACE(coding);
        messages.Clear();
        const QString path = Path(QStringLiteral("white%1.jpg").arg(QLatin1String(coding)));
        ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QLatin1String(coding), QStringLiteral("-outfile"), path,
                                                      Path(QStringLiteral("white.pgm"))}));
        auto t = Read(ReadJpegFile, path);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_EQ(ExpandTemplate(*t).pixels.back(), 0xFFFFFFu);
    }
}

} // namespace
