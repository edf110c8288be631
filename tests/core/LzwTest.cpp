// The LZW codec: golden streams, width changes and table clears against an independent code
// packer, crafted invalid streams, and both forms against Qt's GIF reader and libtiff.
#include "core/Lzw.h"

#include "../support/GifTestFile.h"
#include "../support/LzwTestStreams.h"
#include "../support/TiffLzwStrips.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

namespace zemo {
namespace {

using Bytes = std::vector<uint8_t>;
using test::LzwCodePacker;

// Our encoder over a whole buffer, fed in pieces of `chunk` bytes (0: byte by byte).
Bytes Encode(const Bytes& data, bool tiff, int codeSize = 8, bool writeClear = true, size_t chunk = 0)
{
    Bytes out;
    LzwEncoder e([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    bool ok = tiff ? e.TiffLzwEncodeInit() : e.LzwEncodeInit(codeSize, writeClear);
    for (size_t i = 0; ok && i < data.size();) {
        const size_t n = chunk ? std::min(chunk, data.size() - i) : 1;
        ok = tiff ? e.TiffLzwEncodeBytes(&data[i], n) : e.LzwEncodeBytes(&data[i], n);
        i += n;
    }
    ok = (tiff ? e.TiffLzwEncodeFinish() : e.LzwEncodeFinish()) && ok;
    return ok ? out : Bytes();
}

struct Decoded {
    Bytes bytes;
    bool ended = false;   // the end code was met
    bool failed = false;  // an invalid code was met
    size_t consumed = 0;  // input bytes fed until the decoder said stop
};

Decoded Decode(const Bytes& stream, bool tiff, int codeSize = 8)
{
    Decoded r;
    LzwDecoder d([&r](uint8_t b) { r.bytes.push_back(b); });
    if (!d.LzwDecodeInit(codeSize)) {
        r.failed = true;
        return r;
    }
    while (r.consumed < stream.size() && (tiff ? d.TiffLzwDecodeByte(stream[r.consumed++])
                                               : d.LzwDecodeByte(stream[r.consumed++]))) {
    }
    r.ended = d.EndSeen();
    r.failed = d.Failed();
    return r;
}

// Width of the j-th code (1-based) since a start or a clear, as every decoder reads it: the
// GIF form widens when the next free code reaches 2^w, the TIFF form one code earlier.
int WidthAt(bool tiff, unsigned j, int codeSize = 8)
{
    return std::min(12, int(std::bit_width(tiff ? 257u + j : (1u << codeSize) + j)));
}

// The stream an encoder must write for input whose codes are all single bytes: a clear, the
// bytes, a clear at width 12 after every full table (3839 codes in GIF form, 3837 in TIFF
// form), the end code.
Bytes LiteralStream(const Bytes& data, bool tiff)
{
    LzwCodePacker packer(tiff);
    packer.Put(256, 9);
    unsigned j = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        packer.Put(data[i], WidthAt(tiff, ++j));
        if (j == (tiff ? 3837u : 3839u) && i + 1 < data.size()) {
            packer.Put(256, 12);
            j = 0;
        }
    }
    packer.Put(257, WidthAt(tiff, j + 1));
    return packer.Bytes();
}

TEST(Lzw, GoldenStreamsOfBothForms)
{
    EXPECT_EQ(Encode({0x41}, false), (Bytes{0x00, 0x83, 0x04, 0x04}));
    EXPECT_EQ(Encode({0x41}, true), (Bytes{0x80, 0x10, 0x60, 0x20}));
    // A, B, AB, then ABA: code 260 is the entry the decoder is about to define.
    const Bytes abababa = {'A', 'B', 'A', 'B', 'A', 'B', 'A'};
    for (bool tiff : {false, true}) {
        LzwCodePacker packer(tiff);
        for (unsigned code : {256u, 65u, 66u, 258u, 260u, 257u})
            packer.Put(code, 9);
        EXPECT_EQ(Encode(abababa, tiff), packer.Bytes()) << tiff;
        EXPECT_EQ(Decode(packer.Bytes(), tiff).bytes, abababa);
    }
    // Code size 2: clear 4, end 5; the fourth code is written at width 4, once entry 8 exists.
    const Bytes small = {0, 1, 2, 3, 0, 0, 2, 2, 1, 1};
    LzwCodePacker packer(false);
    packer.Put(4, 3);
    for (unsigned j = 1; j <= small.size(); ++j)
        packer.Put(small[j - 1], WidthAt(false, j, 2));
    packer.Put(5, WidthAt(false, unsigned(small.size()) + 1, 2));
    EXPECT_EQ(Encode(small, false, 2), packer.Bytes());
}

TEST(Lzw, WidthsGrowTheFullTableClearsAndTheEndCodeFollowsTheLastWidening)
{
    // The decoder makes one more entry on the last data code and may widen for it: lengths
    // around 512, 1024, 2048 entries and a full table put the end code on that edge.
    const Bytes all = test::DistinctPairBytes(9000);
    for (size_t length : {1, 253, 254, 255, 256, 765, 766, 767, 1789, 1790, 1791, 3836, 3837, 3838, 3839, 3840,
                          7674, 7675, 7676, 7677, 7678, 7679, 9000}) {
        const Bytes data(all.begin(), all.begin() + long(length));
        for (bool tiff : {false, true}) {
            const Bytes stream = Encode(data, tiff);
            EXPECT_EQ(stream, LiteralStream(data, tiff)) << "length " << length << " tiff " << tiff;
            const Decoded d = Decode(stream, tiff);
            EXPECT_TRUE(d.ended) << "length " << length << " tiff " << tiff;
            EXPECT_EQ(d.bytes, data);
        }
    }
}

TEST(Lzw, MisuseIsRefusedAndARefusedOutputEndsTheRunQuietly)
{
    for (int size : {-1, 0, 1, 9, 12}) {
        int calls = 0;
        LzwEncoder e([&calls](uint8_t) { return ++calls > 0; });
        EXPECT_FALSE(e.LzwEncodeInit(size, true)) << size;
        EXPECT_FALSE(e.LzwEncodeByte(0));
        LzwDecoder d([&calls](uint8_t) { ++calls; });
        EXPECT_FALSE(d.LzwDecodeInit(size)) << size;
        EXPECT_FALSE(d.LzwDecodeByte(0x41));
        EXPECT_EQ(calls, 0);
    }
    Bytes out;
    LzwEncoder e([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    EXPECT_FALSE(e.LzwEncodeByte(1));  // no init
    ASSERT_TRUE(e.LzwEncodeInit(4, true));
    EXPECT_FALSE(e.TiffLzwEncodeByte(1));  // the other form
    EXPECT_TRUE(e.LzwEncodeByte(15));
    const size_t before = out.size();
    EXPECT_FALSE(e.LzwEncodeByte(16));  // outside the code size: the run is dead
    EXPECT_FALSE(e.LzwEncodeByte(1));
    EXPECT_FALSE(e.LzwEncodeFinish());
    EXPECT_EQ(out.size(), before);
    ASSERT_TRUE(e.LzwEncodeInit(8, false));  // a new run starts clean
    EXPECT_TRUE(e.LzwEncodeByte(255));

    // Refused in the middle: exactly the accepted bytes were sent, the start of the full stream.
    const Bytes data = test::HighEntropyBytes(5000, 7);
    for (bool tiff : {false, true}) {
        Bytes sent;
        int attempts = 0;
        LzwEncoder r([&](uint8_t b) {
            if (++attempts > 100)
                return false;
            sent.push_back(b);
            return true;
        });
        ASSERT_TRUE(tiff ? r.TiffLzwEncodeInit() : r.LzwEncodeInit(8, true));
        for (uint8_t b : data)
            (void)(tiff ? r.TiffLzwEncodeByte(b) : r.LzwEncodeByte(b));
        EXPECT_FALSE(tiff ? r.TiffLzwEncodeFinish() : r.LzwEncodeFinish());
        EXPECT_EQ(attempts, 101);
        const Bytes full = Encode(data, tiff);
        EXPECT_EQ(sent, Bytes(full.begin(), full.begin() + 100));
    }
}

TEST(Lzw, DecoderStopsAtTheEndCodeAndAtCodesNotDefinedYet)
{
    const Bytes hello = {'h', 'e', 'l', 'l', 'o', ' ', 'h', 'e', 'l', 'l', 'o'};
    Bytes stream = Encode(hello, false);
    const size_t length = stream.size();
    stream.insert(stream.end(), {0xFF, 0x00, 0x12});
    const Decoded d = Decode(stream, false);
    EXPECT_EQ(d.bytes, hello);
    EXPECT_TRUE(d.ended);
    EXPECT_FALSE(d.failed);
    EXPECT_EQ(d.consumed, length);

    struct Crafted {
        const char* name;
        int codeSize;
        std::vector<std::pair<unsigned, int>> codes;  // code, width
        Bytes expected;
    };
    const Crafted cases[] = {
        {"code above next free", 8, {{256, 9}, {65, 9}, {300, 9}, {66, 9}}, {65}},
        {"highest code, table nearly empty", 8, {{256, 9}, {65, 9}, {511, 9}}, {65}},
        {"next free as first code", 8, {{258, 9}, {65, 9}}, {}},
        {"next free right after clear", 8, {{256, 9}, {258, 9}, {258, 9}}, {}},
        {"next free after a later clear", 8, {{256, 9}, {65, 9}, {66, 9}, {256, 9}, {258, 9}}, {65, 66}},
        {"next free after clear, code size 2", 2, {{4, 3}, {6, 3}, {6, 3}, {7, 3}}, {}},
        {"above next free, code size 2", 2, {{4, 3}, {1, 3}, {7, 3}}, {1}},
    };
    for (const Crafted& c : cases) {
        for (bool tiff : {false, true}) {
            if (tiff && c.codeSize != 8)
                continue;
            LzwCodePacker packer(tiff);
            for (auto [code, width] : c.codes)
                packer.Put(code, width);
            for (int i = 0; i < 8; ++i)  // padding that would decode as more codes
                packer.Put(0, 8);
            const Decoded r = Decode(packer.Bytes(), tiff, c.codeSize);
            EXPECT_TRUE(r.failed) << c.name << " tiff " << tiff;
            EXPECT_FALSE(r.ended) << c.name;
            EXPECT_LT(r.consumed, packer.Bytes().size()) << c.name;
            EXPECT_EQ(r.bytes, c.expected) << c.name << " tiff " << tiff;
        }
    }
}

TEST(Lzw, FullTablesAndLongestChainsStayInBounds)
{
    // A full table without a clear keeps width 12 and adds nothing: a single byte, the last
    // entry (4095, the last two bytes), another byte, the end code.
    const Bytes data = test::DistinctPairBytes(3839);
    for (bool tiff : {false, true}) {
        LzwCodePacker packer(tiff);
        packer.Put(256, 9);
        for (unsigned j = 1; j <= data.size(); ++j)
            packer.Put(data[j - 1], WidthAt(tiff, j));
        for (unsigned code : {7u, 4095u, 9u, 4095u, 257u})
            packer.Put(code, 12);
        Bytes expected = data;
        for (uint8_t b : {7, 9}) {
            expected.push_back(b);
            expected.insert(expected.end(), data.end() - 2, data.end());
        }
        const Decoded d = Decode(packer.Bytes(), tiff);
        EXPECT_TRUE(d.ended) << tiff;
        EXPECT_EQ(d.bytes, expected) << tiff;
    }

    // Every code after the first is the entry being defined, so string k is k bytes long: with
    // code size 2 the last code outputs 4091 bytes, the longest string there is.
    for (auto [codeSize, tiff] : {std::pair{2, false}, {8, false}, {8, true}}) {
        const unsigned clear = 1u << codeSize;
        LzwCodePacker packer(tiff);
        packer.Put(clear, codeSize + 1);
        packer.Put(0, codeSize + 1);
        unsigned j = 2;
        for (unsigned code = clear + 2; code < LzwMaxCodes; ++code, ++j)
            packer.Put(code, WidthAt(tiff, j, codeSize));
        for (unsigned code : {clear + 2, 4000u, clear + 1})  // strings defined long before
            packer.Put(code, 12);
        const uint64_t codes = j - 1;
        const Decoded d = Decode(packer.Bytes(), tiff, codeSize);
        EXPECT_TRUE(d.ended) << codeSize;
        EXPECT_EQ(d.bytes.size(), codes * (codes + 1) / 2 + 2 + (4000 - clear)) << codeSize;
        EXPECT_EQ(std::count(d.bytes.begin(), d.bytes.end(), 0), long(d.bytes.size()));
    }
}

TEST(Lzw, BufferCallsMatchByteCallsAndStringOutputGetsWholeStrings)
{
    const Bytes data = test::LowEntropyBytes(300000, 41);
    for (bool tiff : {false, true}) {
        const Bytes stream = Encode(data, tiff);
        EXPECT_TRUE(Encode(data, tiff, 8, true, 2999) == stream) << tiff;
        Bytes out;
        size_t calls = 0;
        BasicLzwDecoder d([&](const uint8_t* p, size_t n) {
            ++calls;
            out.insert(out.end(), p, p + n);
        });
        ASSERT_TRUE(d.LzwDecodeInit(8));
        for (size_t pos = 0; pos < stream.size(); pos += 1777)
            if (!(tiff ? d.TiffLzwDecodeBytes(&stream[pos], std::min<size_t>(1777, stream.size() - pos))
                       : d.LzwDecodeBytes(&stream[pos], std::min<size_t>(1777, stream.size() - pos))))
                break;
        EXPECT_TRUE(d.EndSeen());
        EXPECT_TRUE(out == data) << tiff;
        EXPECT_LT(calls, data.size() / 4);
    }
    // The icon codec's stream has no leading clear code.
    const Decoded d = Decode(Encode(data, false, 8, false), false);
    EXPECT_TRUE(d.ended);
    EXPECT_TRUE(d.bytes == data);
}

TEST(Lzw, GifFormStreamsDecodePixelExactWithQt)
{
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("gif"));
    struct Case { int width, height, codeSize; bool writeClear, lowEntropy; };
    for (Case c : {Case{800, 700, 8, true, true}, {640, 512, 8, true, false}, {300, 200, 8, false, true},
                   {257, 130, 2, true, false}, {200, 150, 3, true, true}, {211, 190, 5, true, false}}) {
        const size_t count = size_t(c.width) * size_t(c.height);
        const Bytes pixels = c.lowEntropy ? test::LowEntropyBytes(count, 21, c.codeSize)
                                          : test::HighEntropyBytes(count, 22, c.codeSize);
        std::vector<uint32_t> palette;
        for (uint32_t i = 0; i < (1u << c.codeSize); ++i)
            palette.push_back(i << 16 | (255 - i) << 8 | ((i * 7) & 0xFF));
        const Bytes file = test::MakeGifFile(c.width, c.height, palette, c.codeSize,
                                             Encode(pixels, false, c.codeSize, c.writeClear));
        QByteArray bytes(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, "gif");
        const QImage image = reader.read();
        ASSERT_EQ(image.size(), QSize(c.width, c.height)) << reader.errorString().toStdString();
        size_t wrong = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                wrong += (image.pixel(x, y) & 0xFFFFFFu) != palette[pixels[size_t(y) * size_t(c.width) + size_t(x)]];
        EXPECT_EQ(wrong, 0u) << c.codeSize << " bits, " << c.width << "x" << c.height;
    }
}

TEST(Lzw, TiffFormStripsReadPixelExactWithLibtiffAndTheOtherWay)
{
    QTemporaryDir dir;
    struct Case { int width, height, rowsPerStrip; Bytes pixels; };
    const Case cases[] = {{1024, 600, 256, test::LowEntropyBytes(1024 * 600, 31)},
                          {777, 500, 200, test::HighEntropyBytes(777 * 500, 32)},
                          {512, 16, 16, test::DistinctPairBytes(512 * 16)}};
    for (const Case& c : cases) {
        const int strips = (c.height + c.rowsPerStrip - 1) / c.rowsPerStrip;
        const auto strip = [&c](int s) {
            const size_t begin = size_t(s) * size_t(c.rowsPerStrip) * size_t(c.width);
            const size_t end = std::min(c.pixels.size(), begin + size_t(c.rowsPerStrip) * size_t(c.width));
            return Bytes(c.pixels.begin() + long(begin), c.pixels.begin() + long(end));
        };
        test::TiffStrips ours;
        for (int s = 0; s < strips; ++s)
            ours.push_back(Encode(strip(s), true));
        const std::string path = dir.filePath("ours.tif").toStdString();
        ASSERT_TRUE(test::WriteTiffRawLzwStrips(path, c.width, c.height, c.rowsPerStrip, ours));
        const auto decoded = test::ReadTiffDecodedStrips(path);
        ASSERT_EQ(decoded.size(), size_t(strips));

        const std::string theirs = dir.filePath("libtiff.tif").toStdString();
        ASSERT_TRUE(test::WriteTiffLzwImage(theirs, c.width, c.height, c.rowsPerStrip, c.pixels));
        const auto raw = test::ReadTiffRawStrips(theirs);
        ASSERT_EQ(raw.size(), size_t(strips));
        for (int s = 0; s < strips; ++s) {
            EXPECT_TRUE(decoded[size_t(s)] == strip(s)) << c.width << " strip " << s;
            const Decoded d = Decode(raw[size_t(s)], true);
            EXPECT_TRUE(d.ended) << c.width << " strip " << s;
            EXPECT_TRUE(d.bytes == strip(s)) << c.width << " strip " << s;
        }
    }
}

} // namespace
} // namespace zemo
