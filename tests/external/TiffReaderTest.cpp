// The TIFF template reader against libtiff: files written by libtiff and rewritten by tiffcp in
// every compression, byte order, fill order and strip size the reader takes, decoded by both;
// malformed and unsupported files built entry by entry.
#include "TiffKit.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "external/Bmp.h"
#include "external/RasterLoad.h"
#include "external/Tiff.h"

#include <tiffio.h>

using namespace zemo;
using namespace zemo::test;

namespace {

struct Kind {
    const char* name;
    int bits;
    int samples;
    int photometric;
};

constexpr Kind Kinds[] = {
    {"bilevel white is zero", 1, 1, PHOTOMETRIC_MINISWHITE},
    {"bilevel black is zero", 1, 1, PHOTOMETRIC_MINISBLACK},
    {"4-bit grey", 4, 1, PHOTOMETRIC_MINISBLACK},
    {"4-bit palette", 4, 1, PHOTOMETRIC_PALETTE},
    {"8-bit grey white is zero", 8, 1, PHOTOMETRIC_MINISWHITE},
    {"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK},
    {"8-bit palette", 8, 1, PHOTOMETRIC_PALETTE},
    {"RGB", 8, 3, PHOTOMETRIC_RGB},
    {"RGBA", 8, 4, PHOTOMETRIC_RGB},
};

// Rows of a picture of the kind whose neighbouring bytes differ in small steps, as scans do.
LibTiffImage Picture(const Kind& k, int width, int height)
{
    LibTiffImage m;
    m.width = width;
    m.height = height;
    m.bitsPerSample = k.bits;
    m.samples = k.samples;
    m.photometric = k.photometric;
    m.extraAlpha = k.samples == 4;
    for (int y = 0; y < height; ++y)
        for (int64_t i = 0; i < m.RowBytes(); ++i)
            m.rows.push_back(m.extraAlpha && i % 4 == 3 ? 0xFF : uint8_t(i * 5 + y * 17 + (i * y) % 7));
    if (k.photometric == PHOTOMETRIC_PALETTE) {
        const int n = 1 << k.bits;
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < n; ++i)
                m.colorMap.push_back(uint16_t((i * (37 + 50 * c) + 11 * c) % 256 * 257));
    }
    return m;
}

class TiffReader : public RasterTest {};

TEST_F(TiffReader, PixelsEqualLibtiffForEveryKindCompressionByteOrderFillOrderAndStripSize)
{
    const std::vector<QStringList> variants = {
        {"-c", "none"},
        {"-c", "lzw"},
        {"-c", "lzw:2"},
        {"-c", "packbits"},
        {"-c", "lzw", "-B"},
        {"-c", "none", "-B", "-r", "2"},
        {"-c", "packbits", "-f", "lsb2msb"},
        {"-c", "none", "-f", "lsb2msb"},
        {"-c", "lzw:2", "-r", "3"},
    };
    int compared = 0;
    for (const Kind& k : Kinds)
        for (int width : {1, 7, 9, 33}) {
            const QString base = Path(QStringLiteral("base.tif"));
            ASSERT_TRUE(WriteLibTiff(base, Picture(k, width, 7)));
            for (const QStringList& v : variants) {
                // Horizontal differencing is for whole bytes only.
                if (v.contains(QStringLiteral("lzw:2")) && k.bits < 8)
                    continue;
                SCOPED_TRACE(QStringLiteral("%1, width %2, tiffcp %3").arg(k.name).arg(width).arg(v.join(u' ')).toStdString());
                const QString out = Path(QStringLiteral("out.tif"));
                ASSERT_TRUE(RunTool(QStringLiteral("tiffcp"), v + QStringList{base, out}));
                auto t = Read(ReadTiffFile, out);
                ASSERT_NE(t, nullptr);
                EXPECT_EQ(t->BitsPerPixel, k.samples >= 3 ? 24 : k.bits);
                EXPECT_EQ(ExpandTemplate(*t), LibTiffPicture(out));
                QFile::remove(out);
                ++compared;
            }
        }
    EXPECT_EQ(compared, 4 * (4 * 7 + 5 * 9)); // widths x (kinds under 8 bits x variants + the rest)
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(TiffReader, BigEndianReadsAsItsLittleEndianTwin)
{
    // Every value the reader takes, in a SHORT of one value where a writer may put one.
    for (bool big : {false, true}) {
        TiffBuilder b(big);
        b.Shorts(256, {3}).Shorts(257, {2}).Shorts(258, {8}).Shorts(259, {1}).Shorts(262, {0});
        b.Shorts(277, {1}).Shorts(278, {2}).Shorts(279, {6}).Strip(QByteArray::fromHex("00407f80c0ff"));
        ASSERT_TRUE(WriteBytes(big ? QStringLiteral("mm.tif") : QStringLiteral("ii.tif"), b.Bytes()));
    }
    auto ii = Read(ReadTiffFile, Path(QStringLiteral("ii.tif")));
    auto mm = Read(ReadTiffFile, Path(QStringLiteral("mm.tif")));
    ASSERT_NE(ii, nullptr);
    ASSERT_NE(mm, nullptr);
    EXPECT_EQ(mm->Width, 3);
    EXPECT_EQ(mm->Height, 2);
    EXPECT_EQ(ExpandTemplate(*mm), ExpandTemplate(*ii));
    EXPECT_EQ(ExpandTemplate(*mm), LibTiffPicture(Path(QStringLiteral("mm.tif"))));
    EXPECT_EQ(ExpandTemplate(*mm).pixels[0], 0xFFFFFFu); // white is zero
}

TEST_F(TiffReader, LibtiffsPaletteAndRgbaFilesAndFourBitGreyLevels)
{
    // A colour map of 16-bit entries gives its high bytes; 4-bit grey runs in steps of 17.
    LibTiffImage m = Picture(Kinds[3], 4, 1);
    m.rows = {0x01, 0x2F};
    ASSERT_TRUE(WriteLibTiff(Path(QStringLiteral("p4.tif")), m));
    auto t = Read(ReadTiffFile, Path(QStringLiteral("p4.tif")));
    ASSERT_NE(t, nullptr);
    for (int i : {0, 1, 2, 15})
        EXPECT_EQ(t->Green[size_t(i)], m.colorMap[size_t(16 + i)] >> 8) << i;

    LibTiffImage g = Picture(Kinds[2], 4, 1);
    g.rows = {0x01, 0x2F};
    ASSERT_TRUE(WriteLibTiff(Path(QStringLiteral("g4.tif")), g));
    t = Read(ReadTiffFile, Path(QStringLiteral("g4.tif")));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(ExpandTemplate(*t).pixels, (std::vector<uint32_t>{0x000000, 0x111111, 0x222222, 0xFFFFFF}));
}

TEST_F(TiffReader, RefusesWhatItCannotReadWithItsMessageBeforeAnyPixel)
{
    const auto grey = [] { return TiffBuilder().Grey(4, 4); };
    QByteArray badMagic = grey().Bytes();
    badMagic[2] = 43;
    QByteArray dirPastEnd = grey().Bytes();
    dirPastEnd[7] = 0x7F;
    const struct {
        const char* name;
        QByteArray bytes;
        TextKey message;
        int helpContext;
    } rows[] = {
        {"magic", badMagic, TextKey::InvalidTiff, 0},
        {"byte order", QByteArray("XX*\0\x08\0\0\0", 8), TextKey::InvalidTiff, 0},
        {"directory past the end", dirPastEnd, TextKey::InvalidTiff, 0},
        {"strip counts", grey().Longs(278, {2}).Bytes(), TextKey::TiffError, 0},
        {"byte counts", grey().Longs(279, {8, 8}).Bytes(), TextKey::TiffError, 0},
        {"strip past the end", grey().Longs(273, {0x7FFFFF00}).Bytes(), TextKey::TiffError, 0},
        {"no width", grey().Longs(256, {0}).Bytes(), TextKey::TiffError, 0},
        {"compression 7", grey().Shorts(259, {7}).Bytes(), TextKey::CompressionNotSupp, CompressionNotSuppHelpContext},
        {"4-bit CCITT", grey().Shorts(258, {4}).Shorts(259, {4}).Bytes(), TextKey::TiffVariantNotSupp,
         TiffVariantNotSuppHelpContext},
        {"16-bit RGB", grey().Shorts(258, {16, 16, 16}).Shorts(277, {3}).Shorts(262, {2}).Bytes(),
         TextKey::TiffVariantNotSupp, TiffVariantNotSuppHelpContext},
        {"mixed RGB", grey().Shorts(258, {8, 8, 16}).Shorts(277, {3}).Shorts(262, {2}).Bytes(),
         TextKey::TiffVariantNotSupp, TiffVariantNotSuppHelpContext},
        {"separate planes", grey().Shorts(258, {8, 8, 8}).Shorts(277, {3}).Shorts(262, {2}).Shorts(284, {2}).Bytes(),
         TextKey::TiffVariantNotSupp, TiffVariantNotSuppHelpContext},
        {"CMYK", grey().Shorts(262, {5}).Bytes(), TextKey::TiffVariantNotSupp, TiffVariantNotSuppHelpContext},
        {"predictor on 4 bits", grey().Shorts(258, {4}).Shorts(259, {5}).Shorts(317, {2}).Bytes(),
         TextKey::TiffVariantNotSupp, TiffVariantNotSuppHelpContext},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(WriteBytes(QStringLiteral("bad.tif"), r.bytes));
        messages.Clear();
        TTmp t;
        TemplateUnit.CurrentTemplate = &t;
        EXPECT_FALSE(ReadTiffFile(Path(QStringLiteral("bad.tif")), TemplateLoadSilent));
        EXPECT_FALSE(t.HasPixels());
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, r.message);
        EXPECT_EQ(messages.Last().helpContext, r.helpContext);
        EXPECT_TRUE(messages.Last().params.endsWith(Path(QStringLiteral("bad.tif"))));
    }
    EXPECT_EQ(messages.Last().params, Path(QStringLiteral("bad.tif")));
    // The compression's number in its place in the text, the file's name after it.
    ASSERT_TRUE(WriteBytes(QStringLiteral("c7.tif"), grey().Shorts(259, {7}).Bytes()));
    EXPECT_FALSE(Read(ReadTiffFile, Path(QStringLiteral("c7.tif"))));
    EXPECT_EQ(messages.Last().params, QStringLiteral("7;\r\n") + Path(QStringLiteral("c7.tif")));

    // A strip that holds 4 of the 40000 rows of 4096 bytes it claims: read when the user says
    // so, those rows, said to be all there was, and memory for one band of rows (a megabyte)
    // instead of 160 MB.
    ASSERT_TRUE(WriteBytes(QStringLiteral("tall.tif"), TiffBuilder().Grey(4096, 4).Longs(257, {40000}).Longs(278, {40000}).Bytes()));
    messages.Clear();
    messages.QueueAnswer(IdOk);
    auto tall = Read(ReadTiffFile, Path(QStringLiteral("tall.tif")));
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->HeldRows(), 4);
    EXPECT_EQ(tall->HeldBytes(), 256 * 4096);
    EXPECT_EQ(tall->Row(3)[2], 3 + 2);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::LargeTemplate);
    EXPECT_EQ(messages.Last().params, Path(QStringLiteral("tall.tif")) + QStringLiteral(";4096;40000;157"));
    EXPECT_EQ(KeptStatusText(), MergeMsgParams(Text(TextKey::PartialPicture), Path(QStringLiteral("tall.tif")) + QStringLiteral(";4;40000")));
}

TEST_F(TiffReader, DecodedDataStayInsideTheirStripAndAColourMapIsCut)
{
    // Strips that decode to more than their rows: the extra bytes go nowhere.
    TiffBuilder b;
    b.Longs(256, {2}).Longs(257, {3}).Shorts(258, {8}).Shorts(259, {32773}).Shorts(262, {3}).Longs(278, {2});
    // Strip 1: 6 bytes of 0x11 for 2 rows of 2; strip 2: 127 + 1 literal bytes for 1 row.
    QByteArray literal(129, '\x22');
    literal[0] = 127;
    b.Strip(QByteArray::fromHex("fb11")).Strip(literal).Longs(279, {2, uint32_t(literal.size())});
    std::vector<uint32_t> map(3 * 300, 0xFFFF);
    b.Shorts(320, map);
    ASSERT_TRUE(WriteBytes(QStringLiteral("over.tif"), b.Bytes()));
    auto t = Read(ReadTiffFile, Path(QStringLiteral("over.tif")));
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->HeldRows(), 3);
    EXPECT_EQ(std::vector<uint8_t>(t->Row(0), t->Row(0) + 6), (std::vector<uint8_t>{0x11, 0x11, 0x11, 0x11, 0x22, 0x22}));
    EXPECT_EQ(t->Red[255], 0xFF);
}

TEST_F(TiffReader, PixelMemoryBeyondTheLimitIsTempMemory)
{
    ASSERT_TRUE(WriteBytes(QStringLiteral("g.tif"), TiffBuilder().Grey(16, 16).Bytes()));
    RasterLimits.MaxPixelBytes = 255;
    EXPECT_EQ(Read(ReadTiffFile, Path(QStringLiteral("g.tif"))), nullptr);
    RasterLimits = {};
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::TempMemory);
}

TEST_F(TiffReader, EscWhileLoadingAsksAndOkStopsTheLoad)
{
    ASSERT_TRUE(WriteBytes(QStringLiteral("g.tif"), TiffBuilder().Grey(4, 6).Longs(278, {2}).Longs(279, {8, 8, 8})
                                                        .Strip(QByteArray(8, '\1')).Strip(QByteArray(8, '\2')).Bytes()));
    ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), QByteArray("P6\n2 3\n255\n") + QByteArray(18, '\x30')));
    ASSERT_TRUE(RunTool(QStringLiteral("convert"), {Path(QStringLiteral("in.ppm")), Path(QStringLiteral("g.bmp"))}));
    const std::pair<const char*, RasterReader> files[] = {{"g.tif", ReadTiffFile}, {"g.bmp", ReadBmpFile}};
    for (const auto& [name, reader] : files) {
        SCOPED_TRACE(name);
        for (int answer : {int(IdOk), int(IdCancel)}) {
            // Esc pressed once, while the first rows or strip are read.
            bool pressed = false;
            CorePorts().PumpKeyMessages.Bind([&pressed] {
                if (!std::exchange(pressed, true))
                    AbortRequested = true;
            });
            messages.Clear();
            messages.QueueAnswer(answer);
            auto t = Read(reader, Path(QLatin1String(name)));
            EXPECT_EQ(messages.CountOf(TextKey::CloseTemp), 1);
            EXPECT_EQ(t != nullptr, answer == IdCancel);
            EXPECT_FALSE(AbortRequested && answer == IdCancel);
        }
    }
    CorePorts().PumpKeyMessages.Unbind();
}

} // namespace
