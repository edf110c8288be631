// The BMP template reader against ImageMagick's files and Qt's reader, and on files built byte
// by byte: top-down rows, compressed and malformed bitmaps, the palette rules.
#include "RasterKit.h"
#include "external/Bmp.h"
#include "external/RasterLoad.h"

using namespace zemo;
using namespace zemo::test;

namespace {

// A P6 picture of w x h pixels in `colours` colours, each a mix of its index.
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

struct BmpFields {
    int headerSize = 40;
    int width = 2;
    int height = 2;              // negative: top-down
    int bits = 24;
    uint32_t compression = 0;
    int32_t pixelsPerMetre = 0;
    std::vector<uint32_t> table; // 0xRRGGBB
    QByteArray rows;             // as stored, padded
};

// A bitmap as the format lays it out: file header, info header, colour table, rows.
QByteArray BuildBmp(const BmpFields& s)
{
    QByteArray info;
    PutLe(info, uint32_t(s.headerSize), 4);
    if (s.headerSize == 12) {
        PutLe(info, uint32_t(s.width), 2);
        PutLe(info, uint32_t(s.height), 2);
        PutLe(info, 1, 2);
        PutLe(info, uint32_t(s.bits), 2);
    } else {
        PutLe(info, uint32_t(s.width), 4);
        PutLe(info, uint32_t(s.height), 4);
        PutLe(info, 1, 2);
        PutLe(info, uint32_t(s.bits), 2);
        PutLe(info, s.compression, 4);
        PutLe(info, uint32_t(s.rows.size()), 4);
        PutLe(info, uint32_t(s.pixelsPerMetre), 4);
        PutLe(info, uint32_t(s.pixelsPerMetre), 4);
        PutLe(info, uint32_t(s.table.size()), 4);
        PutLe(info, 0, 4);
        info.append(QByteArray(s.headerSize - info.size(), '\x55')); // masks, colour space: not a table
    }
    for (uint32_t c : s.table) {
        PutLe(info, c & 0xFF, 1);
        PutLe(info, c >> 8 & 0xFF, 1);
        PutLe(info, c >> 16 & 0xFF, 1);
        if (s.headerSize != 12)
            PutLe(info, 0, 1);
    }
    QByteArray b("BM");
    PutLe(b, uint32_t(14 + info.size() + s.rows.size()), 4);
    PutLe(b, 0, 4);
    PutLe(b, uint32_t(14 + info.size()), 4);
    return b + info + s.rows;
}

class BmpReader : public RasterTest {};

TEST_F(BmpReader, PixelsEqualQtsReaderForEveryHeaderDepthAndWidth)
{
    struct Kind {
        int colours; // 0: true colour
        int bits;
    };
    const Kind kinds[] = {{2, 1}, {16, 4}, {256, 8}, {0, 24}};
    const struct {
        const char* format;
        int headerSize;
    } formats[] = {{"BMP3", 40}, {"BMP2", 12}, {"BMP", 124}};
    for (const auto& f : formats)
        for (const Kind& k : kinds)
            for (int width : {1, 7, 9, 33}) {
                SCOPED_TRACE(QStringLiteral("%1 %2 bits, width %3").arg(f.format).arg(k.bits).arg(width).toStdString());
                ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), Ppm(width, 5, k.colours ? k.colours : 256)));
                const QString out = Path(QStringLiteral("%1-%2-%3.bmp").arg(f.format).arg(k.bits).arg(width));
                ASSERT_TRUE(RunTool(QStringLiteral("convert"),
                                    {Path(QStringLiteral("in.ppm")), QStringLiteral("-type"),
                                     k.colours ? QStringLiteral("Palette") : QStringLiteral("TrueColor"),
                                     QStringLiteral("-compress"), QStringLiteral("None"),
                                     QLatin1String(f.format) + u':' + out}));
                QFile file(out);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                const QByteArray bytes = file.readAll();
                // The writer made the kind this case is about.
                ASSERT_EQ(uint8_t(bytes[14]), f.headerSize);
                const int bitsAt = f.headerSize == 12 ? 24 : 28;
                if (width > 1 || k.bits == 24)
                    ASSERT_EQ(uint8_t(bytes[bitsAt]), k.bits);
                auto t = Read(ReadBmpFile, out);
                ASSERT_NE(t, nullptr);
                EXPECT_EQ(ExpandTemplate(*t), QtPicture(out));
                EXPECT_EQ(t->BitsPerPixel, int(uint8_t(bytes[bitsAt])));
            }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(BmpReader, TopDownRowsReadTheRightWayUp)
{
    // Two 24-bit rows of one pixel: red stored first.
    BmpFields s;
    s.width = 1;
    s.height = -2;
    s.rows = QByteArray::fromHex("0000ff00" "ff000000");
    ASSERT_TRUE(WriteBytes(QStringLiteral("down.bmp"), BuildBmp(s)));
    s.height = 2;
    ASSERT_TRUE(WriteBytes(QStringLiteral("up.bmp"), BuildBmp(s)));
    auto down = Read(ReadBmpFile, Path(QStringLiteral("down.bmp")));
    auto up = Read(ReadBmpFile, Path(QStringLiteral("up.bmp")));
    ASSERT_NE(down, nullptr);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(ExpandTemplate(*down).pixels, (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
    EXPECT_EQ(ExpandTemplate(*up).pixels, (std::vector<uint32_t>{0x0000FF, 0xFF0000}));
    EXPECT_EQ(ExpandTemplate(*down), QtPicture(Path(QStringLiteral("down.bmp"))));
}

TEST_F(BmpReader, PaletteRulesForOneAndFourBits)
{
    // 4 bits: colour 3 is red; index 48 (3 in the high nibble) draws red too.
    BmpFields s;
    s.bits = 4;
    s.width = 2;
    s.height = 1;
    s.table = {0x000000, 0x00FF00, 0x0000FF, 0xFF0000};
    s.rows = QByteArray::fromHex("31000000");
    ASSERT_TRUE(WriteBytes(QStringLiteral("four.bmp"), BuildBmp(s)));
    auto t = Read(ReadBmpFile, Path(QStringLiteral("four.bmp")));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Red[48], 0xFF);
    EXPECT_EQ(t->Green[48], 0);
    EXPECT_EQ(t->Blue[48], 0);
    EXPECT_EQ(t->Green[16], 0xFF);
    EXPECT_EQ(ExpandTemplate(*t).pixels, (std::vector<uint32_t>{0xFF0000, 0x00FF00}));

    // 1 bit: every entry from 2 on is entry 1.
    s.bits = 1;
    s.table = {0x102030, 0xA0B0C0};
    s.rows = QByteArray::fromHex("40000000");
    ASSERT_TRUE(WriteBytes(QStringLiteral("one.bmp"), BuildBmp(s)));
    t = Read(ReadBmpFile, Path(QStringLiteral("one.bmp")));
    ASSERT_NE(t, nullptr);
    for (int i : {2, 128, 255})
        EXPECT_EQ(t->Red[size_t(i)] << 16 | t->Green[size_t(i)] << 8 | t->Blue[size_t(i)], 0xA0B0C0) << i;
    EXPECT_EQ(ExpandTemplate(*t).pixels, (std::vector<uint32_t>{0x102030, 0xA0B0C0}));
}

TEST_F(BmpReader, RefusesWhatItCannotReadWithItsMessage)
{
    // ImageMagick writes 8-bit bitmaps run-length coded unless told otherwise.
    ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), Ppm(33, 5, 256)));
    ASSERT_TRUE(RunTool(QStringLiteral("convert"), {Path(QStringLiteral("in.ppm")), QStringLiteral("-type"),
                                                    QStringLiteral("Palette"), QStringLiteral("BMP3:") + Path(QStringLiteral("rle.bmp"))}));

    BmpFields base;
    base.rows = QByteArray(16, '\0');
    const auto with = [&base](auto change) {
        BmpFields s = base;
        change(s);
        return BuildBmp(s);
    };
    QByteArray badSignature = BuildBmp(base);
    badSignature[1] = 'X';
    QByteArray hugeHeader = BuildBmp(base);
    hugeHeader[14] = hugeHeader[15] = hugeHeader[16] = hugeHeader[17] = '\xFF';
    QByteArray offsetPastEnd = BuildBmp(base);
    offsetPastEnd[10] = offsetPastEnd[11] = '\x7F';
    struct Row {
        const char* name;
        QByteArray bytes;
        TextKey message;
    } rows[] = {
        {"bit fields", with([](BmpFields& s) { s.bits = 16, s.compression = 3; }), TextKey::BmpNotSupported},
        {"RLE4", with([](BmpFields& s) { s.bits = 4, s.compression = 2, s.table = {0, 0}; }), TextKey::BmpNotSupported},
        {"32 bits", with([](BmpFields& s) { s.bits = 32; }), TextKey::BmpNotSupported},
        {"signature", badSignature, TextKey::InvalidBmp},
        {"header size", hugeHeader, TextKey::InvalidBmp},
        {"pixel offset", offsetPastEnd, TextKey::InvalidBmp},
        {"rows missing", with([](BmpFields& s) { s.height = 5; }), TextKey::InvalidBmp},
        {"huge and short", with([](BmpFields& s) { s.width = 0x7FFFFFFF, s.height = -0x7FFFFFFF; }), TextKey::InvalidBmp},
        {"no height", with([](BmpFields& s) { s.height = 0; }), TextKey::InvalidBmp},
        {"too short", QByteArray("BM\0\0", 4), TextKey::InvalidBmp},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(WriteBytes(QStringLiteral("bad.bmp"), r.bytes));
        messages.Clear();
        EXPECT_EQ(Read(ReadBmpFile, Path(QStringLiteral("bad.bmp"))), nullptr);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, r.message);
    }
    messages.Clear();
    EXPECT_EQ(Read(ReadBmpFile, Path(QStringLiteral("rle.bmp"))), nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::BmpNotSupported), 1);
}

TEST_F(BmpReader, PixelMemoryBeyondTheLimitIsTempMemory)
{
    BmpFields s;
    s.width = 64;
    s.height = 64;
    s.rows = QByteArray(64 * 64 * 3, '\x10');
    ASSERT_TRUE(WriteBytes(QStringLiteral("big.bmp"), BuildBmp(s)));
    RasterLimits.MaxPixelBytes = 64 * 64 * 3 - 1;
    EXPECT_EQ(Read(ReadBmpFile, Path(QStringLiteral("big.bmp"))), nullptr);
    RasterLimits = {};
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::TempMemory);
    EXPECT_EQ(messages.Last().helpContext, TempMemoryHelpContext);
    EXPECT_NE(Read(ReadBmpFile, Path(QStringLiteral("big.bmp"))), nullptr);
}

// A file holds its rows, so only a side longer than a template can have asks; Cancel reads
// nothing.
TEST_F(BmpReader, ASideBeyondTheLongestAsks)
{
    BmpFields s;
    s.width = 64;
    s.height = 2;
    s.rows = QByteArray(64 * 2 * 3, '\x10');
    ASSERT_TRUE(WriteBytes(QStringLiteral("wide.bmp"), BuildBmp(s)));
    const QString path = Path(QStringLiteral("wide.bmp"));
    RasterLimits.MaxSide = 64;
    EXPECT_NE(Read(ReadBmpFile, path), nullptr);
    EXPECT_EQ(messages.Count(), 0);
    RasterLimits.MaxSide = 63;
    for (int answer : {int(IdCancel), int(IdOk)}) {
        messages.Clear();
        messages.QueueAnswer(answer);
        const auto t = Read(ReadBmpFile, path);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::LargeTemplate);
        EXPECT_EQ(messages.Last().params, path + QStringLiteral(";64;2;1"));
        EXPECT_EQ(t != nullptr, answer == IdOk);
    }
    RasterLimits = {};
}

} // namespace
