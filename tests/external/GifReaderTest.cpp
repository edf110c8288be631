// The GIF template reader against ImageMagick's and gifbuild's files (Qt's reader, or the
// raster a gifbuild text declares, as the truth), and on malformed files built byte by byte.
#include "RasterKit.h"
#include "external/Gif.h"

using namespace zemo;
using namespace zemo::test;

namespace {

QByteArray Ppm(int w, int h, int colours)
{
    QByteArray b = QByteArray("P6\n") + QByteArray::number(w) + ' ' + QByteArray::number(h) + "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = (x * 3 + y * 5) % colours;
            b.append(char(i * 37 % 256)).append(char((i * 91 + 7) % 256)).append(char((255 - i * 13) % 256));
        }
    return b;
}

// A 1 x 1 GIF of index 0 with a code size of 2: clear (4), 0, end (5) in 3-bit codes.
QByteArray TinyGif()
{
    return QByteArray::fromHex("474946383961" "01000100" "800000"
                               "000000" "ffffff"
                               "2c" "00000000" "01000100" "00"
                               "02" "024401" "00" "3b");
}
constexpr int TinyCodeSizeAt = 29;
constexpr int TinyImageAt = 19;

class GifReader : public RasterTest {
protected:
    QString Build(const QString& name, const QByteArray& text)
    {
        EXPECT_TRUE(WriteBytes(name + QStringLiteral(".txt"), text));
        EXPECT_TRUE(RunTool(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("gifbuild '%1' > '%2'")
                                                                          .arg(Path(name + QStringLiteral(".txt")), Path(name))}));
        return Path(name);
    }
};

TEST_F(GifReader, PixelsEqualQtsReaderForTwoSixteenAnd256ColoursPlainAndInterlaced)
{
    for (int colours : {2, 16, 256})
        for (bool interlaced : {false, true})
            for (int width : {1, 7, 9, 33}) {
                SCOPED_TRACE(QStringLiteral("%1 colours, width %2%3").arg(colours).arg(width).arg(interlaced ? ", interlaced" : "").toStdString());
                ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), Ppm(width, 11, colours)));
                const QString out = Path(QStringLiteral("c%1-%2-%3.gif").arg(colours).arg(width).arg(interlaced));
                ASSERT_TRUE(RunTool(QStringLiteral("convert"),
                                    {Path(QStringLiteral("in.ppm")), QStringLiteral("-interlace"),
                                     interlaced ? QStringLiteral("GIF") : QStringLiteral("None"), out}));
                QFile file(out);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                const QByteArray bytes = file.readAll();
                const int n = bytes[10] & 7;
                auto t = Read(ReadGifFile, out);
                ASSERT_NE(t, nullptr);
                EXPECT_EQ(t->BitsPerPixel, n == 0 ? 1 : n <= 3 ? 4 : 8);
                EXPECT_EQ(ExpandTemplate(*t), QtPicture(out));
            }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(GifReader, LastImageIsKeptWithItsOwnSizeAndTablePastExtensions)
{
    const QString path = Build(QStringLiteral("two.gif"), "screen width 4\nscreen height 2\n"
                                                          "screen map\n\trgb 0 0 0 is a\n\trgb 255 255 255 is b\nend\n"
                                                          "image\nimage bits 4 by 2\nabab\nbaba\n"
                                                          "comment\nhello there\nend\n"
                                                          "graphics control\n\tdelay 5\nend\n"
                                                          "image\nimage map\n\trgb 255 0 0 is a\n\trgb 0 255 0 is b\n"
                                                          "\trgb 0 0 255 is c\n\trgb 255 255 0 is d\nend\n"
                                                          "image bits 7 by 3\nabdcabc\ndddaaab\nbcabcad\n");
    auto t = Read(ReadGifFile, path);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Width, 7);
    EXPECT_EQ(t->Height, 3);
    EXPECT_EQ(t->BitsPerPixel, 4);
    const uint32_t a = 0xFF0000, b = 0x00FF00, c = 0x0000FF, d = 0xFFFF00;
    EXPECT_EQ(ExpandTemplate(*t).pixels, (std::vector<uint32_t>{a, b, d, c, a, b, c, //
                                                                d, d, d, a, a, a, b, //
                                                                b, c, a, b, c, a, d}));
    // The odd last pixel of a 4-bit row is stored in its high nibble.
    EXPECT_EQ(t->Row(2)[3], 0x30);
}

TEST_F(GifReader, InterlacedTenRowsLandInPassOrder)
{
    QByteArray text = "screen width 3\nscreen height 10\nscreen map\n";
    for (int i = 0; i < 10; ++i)
        text += "\trgb " + QByteArray::number(i * 20) + " 0 0 is " + QByteArray::number(i) + "\n";
    text += "end\nimage\nimage interlaced\nimage bits 3 by 10\n";
    for (int i = 0; i < 10; ++i)
        text += QByteArray(3, char('0' + i)) + "\n";
    const QString path = Build(QStringLiteral("interlaced.gif"), text);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // The file holds its rows in the order 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
    ASSERT_TRUE(bytes.indexOf(char(0x2C)) > 0);
    auto t = Read(ReadGifFile, path);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Height, 10);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(t->Row(y)[0] >> 4, y) << y;
    EXPECT_EQ(ExpandTemplate(*t), QtPicture(path));
}

TEST_F(GifReader, MalformedFilesGiveTheirMessage)
{
    ASSERT_TRUE(WriteBytes(QStringLiteral("tiny.gif"), TinyGif()));
    auto tiny = Read(ReadGifFile, Path(QStringLiteral("tiny.gif")));
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(ExpandTemplate(*tiny).pixels, std::vector<uint32_t>{0});
    EXPECT_EQ(messages.Count(), 0);

    const auto patched = [](int at, QByteArray with) {
        QByteArray b = TinyGif();
        b.replace(at, with.size(), with);
        return b;
    };
    QByteArray cut = TinyGif();
    cut.chop(4);
    const struct {
        const char* name;
        QByteArray bytes;
        TextKey message;
    } rows[] = {
        {"signature", patched(3, "88a"), TextKey::GifError},
        {"unknown block", patched(TinyImageAt, "\x99"), TextKey::GifError},
        {"code size 1", patched(TinyCodeSizeAt, "\x01"), TextKey::ErrorGif},
        {"code size 9", patched(TinyCodeSizeAt, "\x09"), TextKey::ErrorGif},
        {"cut before its first row", cut, TextKey::PictureUnread},
        {"no image", TinyGif().left(TinyImageAt) + "\x3b", TextKey::GifError},
        {"short", QByteArray("GIF89a"), TextKey::GifError},
        // A 65535 x 65535 image from a few bytes of data: more pixels than the codes can give.
        {"too large", patched(TinyImageAt + 5, QByteArray::fromHex("ffffffff")), TextKey::ErrorGif},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(WriteBytes(QStringLiteral("bad.gif"), r.bytes));
        messages.Clear();
        EXPECT_EQ(Read(ReadGifFile, Path(QStringLiteral("bad.gif"))), nullptr);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, r.message);
        EXPECT_EQ(messages.Last().params, Path(QStringLiteral("bad.gif")));
    }
}

} // namespace
