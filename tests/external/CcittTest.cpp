// The CCITT fax decoder: every coding libtiff writes at the fax width and at a width that
// needs the extended make-up codes, decoded as libtiff decodes it; and code streams written
// bit by bit for the cases a writer does not make.
#include "TiffKit.h"
#include "external/Ccitt.h"
#include "external/Tiff.h"

#include <tiffio.h>

using namespace zemo;
using namespace zemo::test;

namespace {

// A bilevel picture (a set bit black) with white rows, black rows, single-pixel stripes and
// runs from 1 pixel to past 2560.
LibTiffImage FaxPage(int width, int height)
{
    LibTiffImage m;
    m.width = width;
    m.height = height;
    m.bitsPerSample = 1;
    m.photometric = PHOTOMETRIC_MINISWHITE;
    m.rows.assign(size_t(m.RowBytes() * height), 0);
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int y = 0; y < height; ++y) {
        uint8_t* row = m.rows.data() + y * m.RowBytes();
        const auto set = [row](int x) { row[x / 8] |= uint8_t(0x80 >> (x % 8)); };
        switch (y % 8) {
        case 0: break;
        case 1: for (int x = 0; x < width; ++x) set(x); break;
        case 2: for (int x = 1; x < width; x += 2) set(x); break;
        default: {
            bool black = y % 2;
            for (int x = 0; x < width;) {
                const uint32_t kind = next(3);
                const int run = int(kind == 0 ? 1 + next(70) : kind == 1 ? 64 + next(1800) : 1700 + next(1300));
                for (int i = x; i < std::min(width, x + run); ++i)
                    if (black)
                        set(i);
                x += run;
                black = !black;
            }
        }
        }
    }
    return m;
}

class Ccitt : public RasterTest {};

TEST_F(Ccitt, EveryCodingEqualsLibtiffAtFaxAndWideWidths)
{
    const std::vector<QStringList> variants = {
        {"-c", "g3:1d"},
        {"-c", "g3:2d"},
        {"-c", "g3:2d:fill"},
        {"-c", "g3:1d:fill", "-r", "4"},
        {"-c", "g4"},
        {"-c", "g4", "-f", "lsb2msb"},
        {"-c", "g3:2d", "-f", "lsb2msb", "-r", "5"},
        {"-c", "g4", "-r", "7", "-B"},
    };
    int compared = 0;
    for (int width : {1728, 5000}) {
        const QString base = Path(QStringLiteral("base.tif"));
        LibTiffImage page = FaxPage(width, 24);
        ASSERT_TRUE(WriteLibTiff(base, page));
        const RgbPicture truth = LibTiffPicture(base);
        ASSERT_EQ(truth.width, width);
        const auto check = [&](const QString& path, const std::string& what) {
            SCOPED_TRACE(QStringLiteral("width %1, ").arg(width).toStdString() + what);
            auto t = Read(ReadTiffFile, path);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->BitsPerPixel, 1);
            const RgbPicture ours = ExpandTemplate(*t);
            EXPECT_EQ(ours, LibTiffPicture(path));
            EXPECT_EQ(ours, truth);
            ++compared;
        };
        for (const QStringList& v : variants) {
            const QString out = Path(QStringLiteral("fax.tif"));
            ASSERT_TRUE(RunTool(QStringLiteral("tiffcp"), v + QStringList{base, out}));
            check(out, v.join(u' ').toStdString());
        }
        // Modified Huffman rows (compression 2), which tiffcp does not write.
        for (int rowsPerStrip : {0, 5}) {
            page.compression = COMPRESSION_CCITTRLE;
            page.rowsPerStrip = rowsPerStrip;
            ASSERT_TRUE(WriteLibTiff(Path(QStringLiteral("rle.tif")), page));
            check(Path(QStringLiteral("rle.tif")), "compression 2, strips of " + std::to_string(rowsPerStrip));
        }
    }
    EXPECT_EQ(compared, 2 * 10);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(Ccitt, ACorruptStripIsReportedOnceAndTheNextStripsDecode)
{
    const QString base = Path(QStringLiteral("base.tif"));
    ASSERT_TRUE(WriteLibTiff(base, FaxPage(1728, 16)));
    const QString g4 = Path(QStringLiteral("g4.tif"));
    ASSERT_TRUE(RunTool(QStringLiteral("tiffcp"), {"-c", "g4", "-r", "4", base, g4}));
    const RgbPicture truth = LibTiffPicture(g4);
    // Strips 0 and 2 overwritten with zeros: no code begins with seven of them.
    TIFF* tif = TIFFOpen(QFile::encodeName(g4).constData(), "r");
    ASSERT_NE(tif, nullptr);
    uint64_t* offsets = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets));
    const uint64_t strip0 = offsets[0], strip2 = offsets[2];
    TIFFClose(tif);
    QFile f(g4);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    for (uint64_t at : {strip0, strip2}) {
        f.seek(qint64(at));
        f.write(QByteArray(3, '\0'));
    }
    f.close();

    auto t = Read(ReadTiffFile, g4);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::ErrorCcitt), 1);
    const RgbPicture ours = ExpandTemplate(*t);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 1728; x += 1)
            if (y / 4 % 2 == 1)
                ASSERT_EQ(ours.At(x, y), truth.At(x, y)) << x << ", " << y;
            else
                ASSERT_EQ(ours.At(x, y), 0xFFFFFFu) << "the corrupt strip's rows stay white " << x << ", " << y;
}

// Codes written bit by bit, the first bit highest.
struct Bits {
    std::vector<uint8_t> bytes;
    int used = 0;
    Bits& operator<<(const char* code)
    {
        for (; *code; ++code) {
            if (used % 8 == 0)
                bytes.push_back(0);
            if (*code == '1')
                bytes.back() |= uint8_t(0x80 >> (used % 8));
            ++used;
        }
        return *this;
    }
};

constexpr const char* Eol = "000000000001";

// Decodes `rows` rows of 16 pixels; the rows' bytes, and whether the data were sound.
std::pair<std::vector<uint8_t>, bool> Decode(int mode, uint32_t options, int rows, const Bits& b)
{
    std::vector<uint8_t> out(size_t(2 * rows), 0);
    CcittDecoder d;
    d.StartCcittStrip(mode, 16, rows, options, out, 2);
    bool ok = d.DecodeCcitt(b.bytes.data(), b.bytes.size());
    const uint8_t zeros[3] = {};
    ok = d.DecodeCcitt(zeros, 3) && ok;
    EXPECT_TRUE(d.Done());
    return {out, ok && d.RowsDone() == rows};
}

TEST_F(Ccitt, HandWrittenCodeStreams)
{
    // White 4 then black 12, as one-dimensional T.4 rows; fill bits before the end-of-line
    // codes change nothing.
    Bits plain, filled;
    plain << Eol << "1011" << "0000111" << Eol << "1011" << "0000111";
    filled << "0000000" << Eol << "1011" << "0000111" << "00000" << Eol << "1011" << "0000111";
    const std::vector<uint8_t> rows{0x0F, 0xFF, 0x0F, 0xFF};
    EXPECT_EQ(Decode(CcittT4, 4, 2, plain), std::make_pair(rows, true));
    EXPECT_EQ(Decode(CcittT4, 4, 2, filled), std::make_pair(rows, true));
    // Fill that fills the whole bit buffer (64 zeros and more) is dropped whole.
    Bits longFill;
    longFill << std::string(100, '0').c_str() << "1" << "1011" << "0000111" << std::string(64, '0').c_str() << Eol
             << "1011" << "0000111";
    EXPECT_EQ(Decode(CcittT4, 4, 2, longFill), std::make_pair(rows, true));
    // Tag bits: a one-dimensional row, then the same row coded against it (vertical 0 twice).
    Bits tagged;
    tagged << Eol << "1" << "1011" << "0000111" << Eol << "0" << "1" << "1";
    EXPECT_EQ(Decode(CcittT4, 1, 2, tagged), std::make_pair(rows, true));

    // Vertical 0 over an all-white reference row is a white row, in T.6 and in 2-D T.4.
    Bits v0;
    v0 << "1" << "1";
    EXPECT_EQ(Decode(CcittT6, 0, 2, v0), std::make_pair(std::vector<uint8_t>(4, 0), true));
    Bits v0t4;
    v0t4 << Eol << "0" << "1" << Eol << "0" << "1";
    EXPECT_EQ(Decode(CcittT4, 1, 2, v0t4), std::make_pair(std::vector<uint8_t>(4, 0), true));

    // Modified Huffman: each row from a fresh byte.
    Bits mh;
    mh << "1011" << "0000111" << "00000" << "1011" << "0000111";
    EXPECT_EQ(Decode(CcittModifiedHuffman, 0, 2, mh), std::make_pair(rows, true));

    // Runs of 1792 and more need the extended make-up codes: 1792 + 8 white, then 200 black.
    std::vector<uint8_t> wide(250, 0);
    CcittDecoder d;
    d.StartCcittStrip(CcittModifiedHuffman, 2000, 1, 0, wide, 250);
    Bits w;
    w << "00000001000" << "10011" << "000011001001" << "000101";
    EXPECT_TRUE(d.DecodeCcitt(w.bytes.data(), w.bytes.size()));
    EXPECT_EQ(d.RowsDone(), 1);
    EXPECT_EQ(wide[224], 0x00);
    EXPECT_EQ(wide[225], 0xFF);
    EXPECT_EQ(wide[249], 0xFF);
}

TEST_F(Ccitt, CorruptStreamsFailWithoutWritingOutsideTheRows)
{
    // Row 1: horizontal, white 1, black 1, then vertical 0 to the end: changes at 1, 2, 16.
    // Row 2: b1 is 1; vertical left 3 would put a1 at -2.
    Bits left;
    left << "001" << "000111" << "010" << "1" << "0000010";
    EXPECT_FALSE(Decode(CcittT6, 0, 2, left).second);
    // Row 1 changes at 4, 8 and 16; row 2 runs white 3 and black 0 to a0 = 3, where b1 is 4:
    // vertical left 3 would go back to 1.
    Bits behind;
    behind << "001" << "1011" << "000101" << "1" << "001" << "1000" << "0000110111" << "0000010";
    EXPECT_FALSE(Decode(CcittT6, 0, 2, behind).second);
    Bits ahead = behind;
    ahead.bytes.clear(), ahead.used = 0;
    ahead << "001" << "1011" << "000101" << "1" << "001" << "1000" << "0000110111" << "1" << "1" << "1";
    EXPECT_TRUE(Decode(CcittT6, 0, 2, ahead).second);
    // Horizontal codes of two empty runs add changes without moving: at most width + 2 a row.
    Bits empty8, empty10;
    for (int i = 0; i < 8; ++i)
        empty8 << "001" << "00110101" << "0000110111";
    for (int i = 0; i < 10; ++i)
        empty10 << "001" << "00110101" << "0000110111";
    empty8 << "1";
    empty10 << "1";
    EXPECT_TRUE(Decode(CcittT6, 0, 1, empty8).second);
    EXPECT_FALSE(Decode(CcittT6, 0, 1, empty10).second);
    // A white run past the row's width.
    Bits past;
    past << "10011" << "0000111" << "1011";
    EXPECT_FALSE(Decode(CcittModifiedHuffman, 0, 1, past).second);
    // Seven zeros match no mode code.
    Bits none;
    none << "0000000" << "1";
    EXPECT_FALSE(Decode(CcittT6, 0, 1, none).second);
    // A failed strip counts its rows as done and takes no more bytes.
    std::vector<uint8_t> out(2, 0);
    CcittDecoder d;
    d.StartCcittStrip(CcittT6, 16, 1, 0, out, 2);
    EXPECT_FALSE(d.DecodeCcitt(none.bytes.data(), none.bytes.size()));
    EXPECT_TRUE(d.Done());
    EXPECT_EQ(d.RowsDone(), 1);
    // Rows beyond the memory given are decoded and dropped.
    std::vector<uint8_t> small(2, 0);
    d.StartCcittStrip(CcittModifiedHuffman, 16, 2, 0, small, 2);
    Bits two;
    two << "1011" << "0000111" << "00000" << "1011" << "0000111";
    EXPECT_TRUE(d.DecodeCcitt(two.bytes.data(), two.bytes.size()));
    EXPECT_EQ(d.RowsDone(), 2);
}

} // namespace
