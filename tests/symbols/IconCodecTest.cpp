#include "symbols/store/IconCodec.h"

#include "core/Lzw.h"
#include "../support/LzwTestStreams.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace zemo {
namespace {

using Field = std::array<uint8_t, IconFieldBytes>;

Field FilledField(uint8_t filler)
{
    Field f;
    f.fill(filler);
    return f;
}

// Expected streams are packed here from hand-derived code lists (all 9 bits wide).
std::vector<uint8_t> Pack9(const std::vector<unsigned>& codes)
{
    test::LzwCodePacker packer(false);
    for (unsigned c : codes)
        packer.Put(c, 9);
    return packer.Bytes();
}

void PutStream(Field& f, const std::vector<uint8_t>& stream)
{
    ASSERT_LE(stream.size(), IconStreamLimit);
    std::copy(stream.begin(), stream.end(), f.begin() + IconStreamStart);
}

std::vector<unsigned> Range(unsigned from, unsigned to)
{
    std::vector<unsigned> v;
    for (unsigned c = from; c <= to; ++c)
        v.push_back(c);
    return v;
}

std::vector<unsigned> Concat(std::initializer_list<std::vector<unsigned>> parts)
{
    std::vector<unsigned> v;
    for (const auto& p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

// 484 black pixels (cube index 0): strings of length 1..30 (codes 0, 258..286) take 465
// pixels, the last 19 are entry 275; then the end code. 32 codes: exactly 36 bytes.
std::vector<unsigned> BlackCodes()
{
    return Concat({{0}, Range(258, 286), {275, 257}});
}

// Bottom row red (index 100), the rest white (124): 22 reds as strings 1..6 (codes 100,
// 258..262) plus a single 100; then 462 whites as strings 1..29 (124, 265..292) and a last
// one of 27 (entry 290). 38 codes: 342 bits, 43 bytes.
std::vector<unsigned> RedRowCodes()
{
    return Concat({{100}, Range(258, 262), {100, 124}, Range(265, 292), {290, 257}});
}

QImage RedRowIcon()
{
    QImage img = BlankIcon();
    for (int x = 0; x < IconSize; ++x)
        img.setPixel(x, IconSize - 1, qRgb(255, 0, 0));
    return img;
}

QRgb Px(const QImage& img, int x, int y)
{
    return img.pixel(x, y) | 0xFF000000u;
}

constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Black = qRgb(0, 0, 0);

// A picture whose first `noisy` stored pixels (bottom row first) are random cube colours.
QImage NoisyIcon(int noisy, uint32_t seed)
{
    std::mt19937 rng(seed);
    QImage img = BlankIcon();
    img.fill(Black);
    for (int n = 0; n < noisy; ++n)
        img.setPixel(n % IconSize, IconSize - 1 - n / IconSize, CubeColor(int(rng() % 125)));
    return img;
}

// Stream length for the cube indices of a picture, from the LZW unit itself.
size_t StreamLength(const QImage& img)
{
    size_t count = 0;
    LzwEncoder enc([&count](uint8_t) { ++count; return true; });
    enc.LzwEncodeInit(8, false);
    for (int n = 0; n < IconPixels; ++n)
        enc.LzwEncodeByte(uint8_t(CubeIndex(img.pixel(n % IconSize, IconSize - 1 - n / IconSize))));
    enc.LzwEncodeFinish();
    return count;
}

// ---- Colour mappings ----

TEST(IconCodec, ColourMappingsRoundAtTheirBoundaries)
{
    // The cube: 25 r + 5 g + b of levels (c + 32) >> 6, which step at 32, 96, 160 and 224.
    const struct {
        QRgb rgb;
        int cube;
    } toCube[] = {
        {qRgb(255, 0, 0), 100},  {qRgb(200, 100, 50), 86}, {qRgb(0, 0, 0), 0},
        {qRgb(255, 255, 255), 124}, {qRgb(0, 0, 31), 0},  {qRgb(0, 0, 32), 1},
        {qRgb(0, 95, 0), 5},     {qRgb(0, 96, 0), 10},     {qRgb(159, 0, 0), 50},
        {qRgb(160, 0, 0), 75},   {qRgb(0, 0, 223), 3},     {qRgb(0, 0, 224), 4},
    };
    for (const auto& r : toCube)
        EXPECT_EQ(CubeIndex(r.rgb), r.cube) << std::hex << r.rgb;
    const struct {
        int index;
        QRgb cube, palette; // palette checked from 13 on and out of range
    } colours[] = {
        {100, qRgb(255, 0, 0), White},   {86, qRgb(192, 128, 64), White},
        {124, White, White},             {24, qRgb(0, 255, 255), White},
        {5, qRgb(0, 64, 0), 0}, {13, qRgb(0, 128, 192), qRgb(255, 0, 255)},
        {125, White, White},             {16, qRgb(0, 192, 64), White},
        {255, White, White},             {-1, White, White},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(CubeColor(c.index), c.cube) << c.index;
        if (c.index < 0 || c.index >= 13) {
            EXPECT_EQ(PaletteColor(c.index), c.palette) << c.index;
        }
    }
    for (int v = 0; v < 125; ++v)
        EXPECT_EQ(CubeIndex(CubeColor(v)), v) << v;
    // The palette: its colours survive the cube; the first of two equally near wins.
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(CubeColor(CubeIndex(IconPalette[size_t(i)])), IconPalette[size_t(i)]) << i;
        EXPECT_EQ(NearestPaletteIndex(PaletteColor(i)), i) << i;
    }
    EXPECT_EQ(NearestPaletteIndex(qRgb(130, 130, 130)), 7);
    EXPECT_EQ(NearestPaletteIndex(qRgb(64, 0, 0)), 0);      // black and maroon equally near
    EXPECT_EQ(NearestPaletteIndex(qRgb(160, 160, 160)), 7); // grey and silver equally near
    EXPECT_EQ(NearestPaletteIndex(qRgb(250, 5, 5)), 9);
}

// ---- Plain form ----

TEST(IconCodec, PlainDecodeNibbleOrderAndBottomUpRows)
{
    Field f = FilledField(0x00);
    f[0] = 0x9F;   // stored row 0 = bottom line: x0 red, x1 white
    f[10] = 0x1C;  // x20 maroon, x21 blue
    f[11] = 0xFF;  // not a pixel
    f[12] = 0x87;  // row 1: x0 silver, x1 grey
    f[252] = 0x4E; // row 21 = top line: x0 navy, x1 cyan
    QImage img;
    EXPECT_EQ(DecodeIconField(f, false, img), IconDecodeResult::Complete);
    ASSERT_EQ(img.size(), QSize(22, 22));
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(Px(img, 0, 21), qRgb(255, 0, 0));
    EXPECT_EQ(Px(img, 1, 21), White);
    EXPECT_EQ(Px(img, 20, 21), qRgb(128, 0, 0));
    EXPECT_EQ(Px(img, 21, 21), qRgb(0, 0, 255));
    EXPECT_EQ(Px(img, 0, 20), qRgb(192, 192, 192));
    EXPECT_EQ(Px(img, 1, 20), qRgb(128, 128, 128));
    EXPECT_EQ(Px(img, 0, 0), qRgb(0, 0, 128));
    EXPECT_EQ(Px(img, 1, 0), qRgb(0, 255, 255));
    EXPECT_EQ(Px(img, 2, 21), Black);
    EXPECT_EQ(Px(img, 5, 10), Black);

    // All bytes 255: white, whatever the image was.
    img = QImage(3, 3, QImage::Format_ARGB32);
    EXPECT_EQ(DecodeIconField(FilledField(255), false, img), IconDecodeResult::Complete);
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            ASSERT_EQ(Px(img, x, y), White) << x << "," << y;
}

TEST(IconCodec, PlainEncodeWritesElevenBytesARowAndLeavesTheTwelfth)
{
    Field f = FilledField(0x5A);
    EXPECT_EQ(EncodeIconField(BlankIcon(), false, f), IconForm::Plain);
    for (size_t i = 0; i < IconFieldBytes; ++i)
        ASSERT_EQ(f[i], i % 12 == 11 ? 0x5A : 0xFF) << i;

    QImage img = BlankIcon();
    img.setPixel(0, 21, qRgb(130, 130, 130)); // bottom left -> 7
    img.setPixel(1, 21, qRgb(250, 5, 5));     // -> 9
    img.setPixel(21, 0, qRgb(0, 0, 255));     // top right -> 12
    img.setPixel(3, 20, qRgb(0, 0, 0));       // row 1, low nibble of byte 13
    f = FilledField(0x5A);
    EncodeIconField(img, false, f);
    EXPECT_EQ(f[0], 0x79);
    EXPECT_EQ(f[1], 0xFF);
    EXPECT_EQ(f[13], 0xF0);
    EXPECT_EQ(f[262], 0xFC);
    EXPECT_EQ(f[263], 0x5A);
}

// ---- Compressed form ----

TEST(IconCodec, CompressedEncodeGoldenStreamAndUnusedBytesKept)
{
    const std::vector<uint8_t> expected = Pack9(RedRowCodes());
    ASSERT_EQ(expected.size(), 43u);
    Field f = FilledField(0xA5);
    EXPECT_EQ(EncodeIconField(RedRowIcon(), true, f), IconForm::Compressed);
    for (size_t i = 0; i < IconFieldBytes; ++i) {
        const bool inStream = i >= IconStreamStart && i < IconStreamStart + expected.size();
        ASSERT_EQ(f[i], inStream ? expected[i - IconStreamStart] : 0xA5) << i;
    }

    const std::vector<uint8_t> black = Pack9(BlackCodes());
    ASSERT_EQ(black.size(), 36u);
    QImage dark = BlankIcon();
    dark.fill(qRgb(20, 20, 20)); // rounds to level 0
    f = FilledField(0xA5);
    EXPECT_EQ(EncodeIconField(dark, true, f), IconForm::Compressed);
    EXPECT_TRUE(std::equal(black.begin(), black.end(), f.begin() + IconStreamStart));
    EXPECT_EQ(f[IconStreamStart + 36], 0xA5);
}

TEST(IconCodec, CompressedDecodeGoldenStreamBottomRowFirst)
{
    Field f = FilledField(0x33);
    PutStream(f, Pack9(RedRowCodes()));
    QImage img;
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Complete);
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            ASSERT_EQ(Px(img, x, y), y == 21 ? qRgb(255, 0, 0) : White) << x << "," << y;
}

TEST(IconCodec, StreamsWithClearCodesDecode)
{
    // Another writer may start with a clear code or clear midway.
    Field f = FilledField(0);
    PutStream(f, Pack9(Concat({{256}, BlackCodes()})));
    QImage img;
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Complete);
    EXPECT_EQ(Px(img, 21, 0), Black);

    // 21 black pixels (strings 1..6), a clear, then 463 white ones: strings 1..29 (124,
    // 258..285) and one of 28 (entry 284).
    f = FilledField(0);
    PutStream(f, Pack9(Concat({{0}, Range(258, 262), {256, 124}, Range(258, 285), {284, 257}})));
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Complete);
    EXPECT_EQ(Px(img, 20, 21), Black);
    EXPECT_EQ(Px(img, 21, 21), White);
    EXPECT_EQ(Px(img, 0, 0), White);
}

// ---- Noisy pictures and the size limit ----

TEST(IconCodec, CompressedFormUsedExactlyWhileTheStreamFits)
{
    // Growing noise: the form switches where the stream passes 248 bytes (it must end by
    // field byte 263, end code and last partial byte included).
    bool sawCompressed = false, sawPlain = false, sawFull = false;
    for (int noisy = 150; noisy <= 260; ++noisy) {
        const QImage img = NoisyIcon(noisy, 3);
        const size_t length = StreamLength(img);
        Field f = FilledField(0x77);
        const IconForm form = EncodeIconField(img, true, f);
        ASSERT_EQ(form, length <= IconStreamLimit ? IconForm::Compressed : IconForm::Plain)
            << noisy << " pixels, " << length << " bytes";
        QImage back;
        ASSERT_EQ(DecodeIconField(f, form == IconForm::Compressed, back), IconDecodeResult::Complete);
        for (int y = 0; y < IconSize; ++y)
            for (int x = 0; x < IconSize; ++x) {
                const QRgb want = form == IconForm::Compressed
                                      ? CubeColor(CubeIndex(img.pixel(x, y)))
                                      : PaletteColor(NearestPaletteIndex(img.pixel(x, y)));
                ASSERT_EQ(Px(back, x, y), want) << noisy << ": " << x << "," << y;
            }
        // A refused stream leaves no trace: byte 11 of each row is as it was.
        for (size_t i = 11; form == IconForm::Plain && i < IconFieldBytes; i += 12)
            ASSERT_EQ(f[i], 0x77) << noisy << ": " << i;
        sawCompressed |= form == IconForm::Compressed;
        sawPlain |= form == IconForm::Plain;
        sawFull |= length == IconStreamLimit;
    }
    EXPECT_TRUE(sawCompressed);
    EXPECT_TRUE(sawPlain);
    EXPECT_TRUE(sawFull) << "no picture filled the field exactly";
}

// ---- Damaged fields ----

TEST(IconCodec, DamagedStreamKeepsThePixelsBeforeTheDamage)
{
    std::vector<unsigned> codes = BlackCodes();
    codes[5] = 500; // above the next free code (263): invalid
    Field f = FilledField(0);
    PutStream(f, Pack9(codes));
    QImage img = BlankIcon();
    img.fill(qRgb(1, 2, 3)); // earlier contents must not show through
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Damaged);
    // Codes 0, 258..261 gave 1 + 2 + 3 + 4 + 5 = 15 pixels of the bottom row.
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            ASSERT_EQ(Px(img, x, y), y == 21 && x < 15 ? Black : White) << x << "," << y;
}

TEST(IconCodec, GarbageAndShortStreamsDecodeToADefinedIcon)
{
    QImage img;
    // First code 511: invalid at once.
    EXPECT_EQ(DecodeIconField(FilledField(0xFF), true, img), IconDecodeResult::Damaged);
    EXPECT_EQ(Px(img, 0, 21), White);

    // Zeros are 220 codes 0 (9 bits each in 248 bytes), then the field ends.
    EXPECT_EQ(DecodeIconField(FilledField(0), true, img), IconDecodeResult::Damaged);
    for (int y = 0; y < IconSize; ++y)
        ASSERT_EQ(Px(img, 3, y), y >= 12 ? Black : White) << y;

    // An end code before the last pixel.
    Field f = FilledField(0);
    PutStream(f, Pack9({0, 258, 257}));
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Damaged);
    EXPECT_EQ(Px(img, 2, 21), Black);
    EXPECT_EQ(Px(img, 3, 21), White);

    // The code being defined right after a start: nothing to build it from.
    f = FilledField(0);
    PutStream(f, Pack9({258, 0, 257}));
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Damaged);
    EXPECT_EQ(Px(img, 0, 21), White);

    // A field cut short: the plain form decodes its whole rows, the stream what it holds.
    Field black = FilledField(0);
    EXPECT_EQ(DecodeIconField(std::span(black).first(30), false, img), IconDecodeResult::Damaged);
    EXPECT_EQ(Px(img, 0, 20), Black); // row 1 starts at byte 12
    EXPECT_EQ(Px(img, 0, 19), Black); // row 2 starts at byte 24, 6 bytes = 12 pixels
    EXPECT_EQ(Px(img, 11, 19), Black);
    EXPECT_EQ(Px(img, 12, 19), White);
    EXPECT_EQ(DecodeIconField({}, true, img), IconDecodeResult::Damaged);
    EXPECT_EQ(img.size(), QSize(22, 22));
    f = FilledField(0);
    PutStream(f, Pack9(BlackCodes()));
    EXPECT_EQ(DecodeIconField(std::span(f).first(16 + 36), true, img), IconDecodeResult::Complete);
    EXPECT_EQ(DecodeIconField(std::span(f).first(16 + 20), true, img), IconDecodeResult::Damaged);
}

// ---- Records and the work bitmap ----

std::vector<uint8_t> Record(size_t size, uint8_t flags)
{
    std::vector<uint8_t> rec(size, 0);
    rec[0] = uint8_t(size);
    rec[1] = uint8_t(size >> 8);
    rec[7] = flags;
    for (size_t i = 84; i < 348 && i < size; ++i)
        rec[i] = 0xFF;
    return rec;
}

TEST(IconCodec, RecordIconFormFollowsTheFormatVersion)
{
    std::vector<uint8_t> rec = Record(352, 0x01);
    const std::vector<uint8_t> stream = Pack9(RedRowCodes());
    ASSERT_TRUE(EncodeRecordIcon(RedRowIcon(), rec, 8));
    EXPECT_EQ(rec[7], 0x03);
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), rec.begin() + 100)); // 84 + 16
    EXPECT_EQ(rec[100 + stream.size()], 0xFF);
    QImage img;
    EXPECT_EQ(DecodeRecordIcon(rec, img), IconDecodeResult::Complete);
    EXPECT_EQ(Px(img, 4, 21), qRgb(255, 0, 0));
    EXPECT_EQ(Px(img, 4, 20), White);

    // Saving as version 7: decode and encode again turns it plain.
    ASSERT_TRUE(EncodeRecordIcon(img, rec, 7));
    EXPECT_EQ(rec[7], 0x01);
    EXPECT_EQ(rec[84 + 0], 0x99);  // bottom row red
    EXPECT_EQ(rec[84 + 12], 0xFF); // row 1 white
    EXPECT_EQ(DecodeRecordIcon(rec, img), IconDecodeResult::Complete);
    EXPECT_EQ(Px(img, 21, 21), qRgb(255, 0, 0));
    EXPECT_EQ(rec[348], 0);

    // Version 8 with a noisy icon: plain, flag cleared.
    rec[7] = 0x03;
    ASSERT_TRUE(EncodeRecordIcon(NoisyIcon(IconPixels, 9), rec, 8));
    EXPECT_EQ(rec[7], 0x01);
}

TEST(IconCodec, ShortRecordsAreNeitherOverrunNorWritten)
{
    std::vector<uint8_t> rec = Record(347, 0x02);
    const std::vector<uint8_t> before = rec;
    EXPECT_FALSE(EncodeRecordIcon(RedRowIcon(), rec, 8));
    EXPECT_EQ(rec, before);
    QImage img;
    EXPECT_EQ(DecodeRecordIcon(std::span(rec).first(100), img), IconDecodeResult::Damaged);
    EXPECT_EQ(Px(img, 0, 21), White);
    EXPECT_EQ(DecodeRecordIcon(std::span(rec).first(5), img), IconDecodeResult::Damaged);
    EXPECT_EQ(DecodeRecordIcon({}, img), IconDecodeResult::Damaged);
    EXPECT_EQ(img.size(), QSize(22, 22));
}

TEST(IconCodec, WorkBitmapIsLeftAloneWhileTheEditorHasIt)
{
    ResetIconCodec();
    std::vector<uint8_t> rec = Record(352, 0);
    rec[84] = 0x00; // bottom-left pixels black
    IconCodec().EditorOpen = true;
    IconCodec().WorkBitmap.setPixel(0, 21, qRgb(0, 255, 0));
    EXPECT_EQ(DecodeSymbolIcon(rec), IconDecodeResult::Skipped);
    EXPECT_EQ(Px(IconCodec().WorkBitmap, 0, 21), qRgb(0, 255, 0));

    // The editor's picture is what gets encoded.
    std::vector<uint8_t> out = Record(352, 0x02);
    ASSERT_TRUE(EncodeSymbolIcon(out, 7));
    EXPECT_EQ(out[84], 0xAF);
    EXPECT_EQ(out[7], 0x00);

    IconCodec().EditorOpen = false;
    EXPECT_EQ(DecodeSymbolIcon(rec), IconDecodeResult::Complete);
    EXPECT_EQ(Px(IconCodec().WorkBitmap, 0, 21), Black);
    EXPECT_EQ(Px(IconCodec().WorkBitmap, 2, 21), White);
}

TEST(IconCodec, CornerMarkIsATriangleOfSevenRows)
{
    QImage img = BlankIcon();
    MarkIconCorner(img);
    constexpr QRgb grey = qRgb(128, 128, 128);
    int count = 0;
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x) {
            const bool marked = y < 7 && x >= 15 + y;
            EXPECT_EQ(Px(img, x, y), marked ? grey : White) << x << "," << y;
            count += marked;
        }
    EXPECT_EQ(count, 28);

    ResetIconCodec();
    MarkIconCorner();
    EXPECT_EQ(Px(IconCodec().WorkBitmap, 21, 6), grey);
    EXPECT_EQ(Px(IconCodec().WorkBitmap, 20, 6), White);
}

TEST(IconCodec, OtherImageFormatsAndSizesAreAccepted)
{
    QImage small(10, 5, QImage::Format_ARGB32);
    small.fill(qRgba(255, 0, 0, 255));
    Field f = FilledField(0);
    EncodeIconField(small, false, f);
    EXPECT_EQ(f[252], 0x99); // top row, first pixels red
    EXPECT_EQ(f[256], 0x99); // x 8, 9 red
    EXPECT_EQ(f[257], 0xFF); // x 10, 11 outside
    EXPECT_EQ(f[0], 0xFF);   // bottom row outside the picture
    EXPECT_EQ(EncodeIconField(QImage(), true, f), IconForm::Compressed);
    QImage img;
    EXPECT_EQ(DecodeIconField(f, true, img), IconDecodeResult::Complete);
    EXPECT_EQ(Px(img, 5, 5), White);
}

} // namespace
} // namespace zemo
