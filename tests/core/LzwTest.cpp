// The LZW codec: exact streams, width changes, table clears, crafted invalid streams and
// large round trips in both forms. Independent readers are in LzwInteropTest.cpp.
#include "core/Lzw.h"

#include "LzwTestCodec.h"
#include "../support/LzwTestStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>

namespace zemo {
namespace {

using test::DecodeGifForm;
using test::DecodeStream;
using test::DecodeTiffForm;
using test::EncodeGifForm;
using test::EncodeTiffForm;
using test::LzwCodePacker;

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// Width of the j-th code (1-based) since a start or a clear, as every decoder reads it: the
// GIF form widens when the next free code reaches 2^w, the TIFF form one code earlier.
int gifWidthAt(int codeSize, unsigned j)
{
    return std::min(12, int(std::bit_width((1u << codeSize) + j)));
}

int tiffWidthAt(unsigned j)
{
    return std::min(12, int(std::bit_width(257u + j)));
}

// The stream an encoder must write for input whose codes are all single bytes (see
// DistinctPairBytes): a clear code, then the bytes, with a clear at width 12 after every
// full table (3839 codes in the GIF form, 3837 in the TIFF form), then the end code.
Bytes literalStream(const Bytes& data, bool tiff)
{
    LzwCodePacker packer(tiff);
    const unsigned perTable = tiff ? 3837 : 3839;
    auto widthAt = [tiff](unsigned j) { return tiff ? tiffWidthAt(j) : gifWidthAt(8, j); };
    packer.Put(256, 9);
    unsigned j = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        packer.Put(data[i], widthAt(++j));
        if (j == perTable && i + 1 < data.size()) {
            packer.Put(256, 12);
            j = 0;
        }
    }
    packer.Put(257, widthAt(j + 1));
    return packer.Bytes();
}

TEST(LzwWorkedExample, SingleByteGivesTheDocumentedBytesInBothForms)
{
    Bytes gif;
    LzwEncoder encoder([&gif](uint8_t b) {
        gif.push_back(b);
        return true;
    });
    ASSERT_TRUE(encoder.LzwEncodeInit(8, true));
    ASSERT_TRUE(encoder.LzwEncodeByte(0x41));
    ASSERT_TRUE(encoder.LzwEncodeFinish());
    EXPECT_EQ(gif, (Bytes{0x00, 0x83, 0x04, 0x04}));

    Bytes tiff;
    encoder.output() = [&tiff](uint8_t b) {
        tiff.push_back(b);
        return true;
    };
    ASSERT_TRUE(encoder.TiffLzwEncodeInit());
    ASSERT_TRUE(encoder.TiffLzwEncodeByte(0x41));
    ASSERT_TRUE(encoder.TiffLzwEncodeFinish());
    EXPECT_EQ(tiff, (Bytes{0x80, 0x10, 0x60, 0x20}));

    auto g = DecodeGifForm(gif);
    EXPECT_EQ(g.bytes, Bytes{0x41});
    EXPECT_TRUE(g.ended);
    auto t = DecodeTiffForm(tiff);
    EXPECT_EQ(t.bytes, Bytes{0x41});
    EXPECT_TRUE(t.ended);
}

TEST(LzwEncoder, AbabababReusesTheEntryBeingDefined)
{
    const Bytes input = bytesOf("ABABABA");
    // A, B, AB, then ABA: code 260 is the entry the decoder is about to define.
    for (bool tiff : {false, true}) {
        LzwCodePacker packer(tiff);
        for (unsigned code : {256u, 65u, 66u, 258u, 260u, 257u})
            packer.Put(code, 9);
        const Bytes stream = tiff ? EncodeTiffForm(input) : EncodeGifForm(input, 8);
        EXPECT_EQ(stream, packer.Bytes()) << "tiff " << tiff;
        auto decoded = DecodeStream(stream, 8, tiff);
        EXPECT_EQ(decoded.bytes, input);
        EXPECT_TRUE(decoded.ended);
    }
}

TEST(LzwEncoder, WidthsGrowAndTheFullTableClearsAtWidth12)
{
    // 9000 single-byte codes: widths 9..12, two full tables, each closed by a clear code at
    // width 12 and followed by codes at width 9 again.
    const Bytes data = test::DistinctPairBytes(9000);
    for (bool tiff : {false, true}) {
        const Bytes stream = tiff ? EncodeTiffForm(data) : EncodeGifForm(data, 8);
        EXPECT_EQ(stream, literalStream(data, tiff)) << "tiff " << tiff;
        auto decoded = DecodeStream(stream, 8, tiff);
        EXPECT_EQ(decoded.bytes, data);
        EXPECT_TRUE(decoded.ended);
    }
}

TEST(LzwEncoder, EndCodeFollowsTheDecodersLastWidening)
{
    // The decoder makes one more entry on the last data code and may widen for it; lengths
    // around 512, 1024, 2048 entries and a full table put the end code on that edge.
    const Bytes all = test::DistinctPairBytes(7700);
    for (size_t length : {1, 2, 3, 253, 254, 255, 256, 257, 765, 766, 767, 768, 1789, 1790, 1791,
                          1792, 3836, 3837, 3838, 3839, 3840, 7674, 7675, 7676, 7677, 7678, 7679}) {
        const Bytes data(all.begin(), all.begin() + long(length));
        for (bool tiff : {false, true}) {
            const Bytes stream = tiff ? EncodeTiffForm(data) : EncodeGifForm(data, 8);
            EXPECT_EQ(stream, literalStream(data, tiff)) << "length " << length << " tiff " << tiff;
            auto decoded = DecodeStream(stream, 8, tiff);
            EXPECT_TRUE(decoded.ended) << "length " << length << " tiff " << tiff;
            EXPECT_EQ(decoded.bytes, data);
        }
    }
}

TEST(LzwEncoder, SmallCodeSizesWidenFromTheirOwnStart)
{
    // Code size 2: clear 4, end 5, first entry 6, width 3. No pair repeats in the data, so
    // every code is a single byte; the fourth is written at width 4, once entry 8 exists.
    const Bytes data = {0, 1, 2, 3, 0, 0, 2, 2, 1, 1};
    LzwCodePacker packer(false);
    packer.Put(4, 3);
    for (unsigned j = 1; j <= data.size(); ++j)
        packer.Put(data[j - 1], gifWidthAt(2, j));
    packer.Put(5, gifWidthAt(2, unsigned(data.size()) + 1));
    const Bytes stream = EncodeGifForm(data, 2);
    EXPECT_EQ(stream, packer.Bytes());
    EXPECT_EQ(gifWidthAt(2, 4), 4);
    auto decoded = DecodeGifForm(stream, 2);
    EXPECT_EQ(decoded.bytes, data);
    EXPECT_TRUE(decoded.ended);
}

TEST(LzwEncoder, InitAcceptsCodeSizesTwoToEightOnly)
{
    for (int size : {-1, 0, 1, 9, 12}) {
        int calls = 0;
        LzwEncoder encoder([&calls](uint8_t) { return ++calls > 0; });
        EXPECT_FALSE(encoder.LzwEncodeInit(size, true)) << size;
        EXPECT_FALSE(encoder.LzwEncodeByte(0));
        EXPECT_FALSE(encoder.LzwEncodeFinish());
        EXPECT_EQ(calls, 0);
    }
    for (int size = 2; size <= 8; ++size) {
        const Bytes data = test::HighEntropyBytes(20000, uint32_t(size), size);
        const Bytes stream = EncodeGifForm(data, size);
        ASSERT_FALSE(stream.empty()) << size;
        auto decoded = DecodeGifForm(stream, size);
        EXPECT_EQ(decoded.bytes, data) << size;
        EXPECT_TRUE(decoded.ended);
    }
}

TEST(LzwEncoder, ByteOutsideTheCodeSizeIsRefused)
{
    Bytes out;
    LzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    ASSERT_TRUE(encoder.LzwEncodeInit(4, true));
    for (uint8_t b = 0; b < 16; ++b)
        EXPECT_TRUE(encoder.LzwEncodeByte(b));
    const size_t before = out.size();
    EXPECT_FALSE(encoder.LzwEncodeByte(16));
    EXPECT_TRUE(encoder.Failed());
    // The run is dead: nothing more is accepted or written, not even by Finish.
    EXPECT_FALSE(encoder.LzwEncodeByte(1));
    EXPECT_FALSE(encoder.LzwEncodeFinish());
    EXPECT_EQ(out.size(), before);

    // A new run starts clean; code size 8 takes every byte.
    ASSERT_TRUE(encoder.LzwEncodeInit(8, false));
    EXPECT_TRUE(encoder.LzwEncodeByte(255));
    EXPECT_TRUE(encoder.LzwEncodeFinish());
}

TEST(LzwEncoder, RefusedOutputEndsTheRunQuietly)
{
    // Refused at once: the leading clear code cannot be written.
    int calls = 0;
    LzwEncoder refusing([&calls](uint8_t) {
        ++calls;
        return false;
    });
    EXPECT_FALSE(refusing.LzwEncodeInit(8, true));
    for (uint8_t b : bytesOf("ABCDEF"))
        EXPECT_FALSE(refusing.LzwEncodeByte(b));
    EXPECT_FALSE(refusing.LzwEncodeFinish());
    EXPECT_EQ(calls, 1);

    // Without a leading clear the first code is only written on the second byte.
    calls = 0;
    EXPECT_TRUE(refusing.LzwEncodeInit(8, false));
    EXPECT_TRUE(refusing.LzwEncodeByte('A'));
    EXPECT_FALSE(refusing.LzwEncodeByte('B'));
    EXPECT_FALSE(refusing.LzwEncodeByte('C'));
    EXPECT_FALSE(refusing.LzwEncodeFinish());
    EXPECT_EQ(calls, 1);

    // Refused in the middle, in both forms: exactly the accepted bytes were sent, and they
    // are the start of the full stream.
    const Bytes data = test::HighEntropyBytes(5000, 7);
    for (bool tiff : {false, true}) {
        const Bytes full = tiff ? EncodeTiffForm(data) : EncodeGifForm(data, 8);
        Bytes sent;
        int attempts = 0;
        LzwEncoder encoder([&](uint8_t b) {
            if (++attempts > 100)
                return false;
            sent.push_back(b);
            return true;
        });
        ASSERT_TRUE(tiff ? encoder.TiffLzwEncodeInit() : encoder.LzwEncodeInit(8, true));
        size_t refusedAt = data.size();
        for (size_t i = 0; i < data.size(); ++i)
            if (!(tiff ? encoder.TiffLzwEncodeByte(data[i]) : encoder.LzwEncodeByte(data[i]))) {
                refusedAt = i;
                break;
            }
        ASSERT_LT(refusedAt, data.size());
        for (size_t i = refusedAt; i < data.size(); ++i)
            EXPECT_FALSE(tiff ? encoder.TiffLzwEncodeByte(data[i]) : encoder.LzwEncodeByte(data[i]));
        EXPECT_FALSE(tiff ? encoder.TiffLzwEncodeFinish() : encoder.LzwEncodeFinish());
        EXPECT_EQ(attempts, 101);
        EXPECT_EQ(sent, Bytes(full.begin(), full.begin() + 100));
    }
}

TEST(LzwCodec, CallsOfTheOtherFormOrWithoutInitAreRefused)
{
    Bytes out;
    LzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    EXPECT_FALSE(encoder.LzwEncodeByte(1));
    EXPECT_FALSE(encoder.TiffLzwEncodeFinish());
    ASSERT_TRUE(encoder.LzwEncodeInit(8, true));
    EXPECT_FALSE(encoder.TiffLzwEncodeByte(1));
    EXPECT_FALSE(encoder.TiffLzwEncodeFinish());
    EXPECT_TRUE(encoder.LzwEncodeByte(0x41));
    EXPECT_TRUE(encoder.LzwEncodeFinish());
    EXPECT_EQ(out, (Bytes{0x00, 0x83, 0x04, 0x04}));

    LzwDecoder decoder([](uint8_t) {});
    EXPECT_FALSE(decoder.LzwDecodeByte(0));
    ASSERT_TRUE(decoder.LzwDecodeInit(8));
    EXPECT_TRUE(decoder.LzwDecodeByte(0x00));
    EXPECT_FALSE(decoder.TiffLzwDecodeByte(0x83));
}

TEST(LzwDecoder, InitAcceptsCodeSizesTwoToEightOnly)
{
    for (int size : {-5, 0, 1, 9, 13, 256}) {
        int calls = 0;
        LzwDecoder decoder([&calls](uint8_t) { ++calls; });
        EXPECT_FALSE(decoder.LzwDecodeInit(size)) << size;
        EXPECT_FALSE(decoder.LzwDecodeByte(0x41));
        EXPECT_FALSE(decoder.TiffLzwDecodeByte(0x41));
        EXPECT_TRUE(decoder.Failed());
        EXPECT_EQ(calls, 0);
    }
    LzwDecoder decoder([](uint8_t) {});
    for (int size = 2; size <= 8; ++size)
        EXPECT_TRUE(decoder.LzwDecodeInit(size)) << size;
}

TEST(LzwDecoder, StopsAtTheEndCodeAndIgnoresWhatFollows)
{
    Bytes stream = EncodeGifForm(bytesOf("hello hello hello"), 8);
    const size_t length = stream.size();
    stream.insert(stream.end(), {0xFF, 0x00, 0x12});
    auto decoded = DecodeGifForm(stream);
    EXPECT_EQ(decoded.bytes, bytesOf("hello hello hello"));
    EXPECT_TRUE(decoded.ended);
    EXPECT_FALSE(decoded.failed);
    EXPECT_EQ(decoded.consumed, length);
}

// One crafted stream: codes with their widths, the bytes expected before the decoder stops.
struct CraftedStream {
    const char* name;
    int codeSize;
    std::vector<std::pair<unsigned, int>> codes;
    Bytes expected;
};

TEST(LzwDecoder, RejectsCodesThatAreNotDefinedYet)
{
    const std::vector<CraftedStream> cases = {
        {"code above next free", 8, {{256, 9}, {65, 9}, {300, 9}, {66, 9}}, {65}},
        {"highest code, table nearly empty", 8, {{256, 9}, {65, 9}, {511, 9}}, {65}},
        {"next free as first code", 8, {{258, 9}, {65, 9}}, {}},
        {"next free right after clear", 8, {{256, 9}, {258, 9}, {258, 9}, {258, 9}}, {}},
        {"next free after a later clear", 8,
         {{256, 9}, {65, 9}, {66, 9}, {256, 9}, {258, 9}, {259, 9}}, {65, 66}},
        {"next free after clear, code size 2", 2, {{4, 3}, {6, 3}, {6, 3}, {7, 3}}, {}},
        {"end code after a clear is fine but above next free is not", 2,
         {{4, 3}, {1, 3}, {7, 3}}, {1}},
    };
    for (const auto& c : cases) {
        for (bool tiff : {false, true}) {
            if (tiff && c.codeSize != 8)
                continue;
            LzwCodePacker packer(tiff);
            for (auto [code, width] : c.codes)
                packer.Put(code, width);
            // Padding that would decode as more codes if the decoder went on.
            for (int i = 0; i < 8; ++i)
                packer.Put(0, 8);
            Bytes out;
            LzwDecoder decoder([&out](uint8_t b) { out.push_back(b); });
            ASSERT_TRUE(decoder.LzwDecodeInit(c.codeSize));
            bool stopped = false;
            for (uint8_t b : packer.Bytes())
                if (!(tiff ? decoder.TiffLzwDecodeByte(b) : decoder.LzwDecodeByte(b))) {
                    stopped = true;
                    break;
                }
            EXPECT_TRUE(stopped) << c.name << " tiff " << tiff;
            EXPECT_TRUE(decoder.Failed()) << c.name;
            EXPECT_FALSE(decoder.EndSeen()) << c.name;
            EXPECT_EQ(out, c.expected) << c.name << " tiff " << tiff;
            EXPECT_FALSE(tiff ? decoder.TiffLzwDecodeByte(0) : decoder.LzwDecodeByte(0));
        }
    }
}

TEST(LzwDecoder, FullTableWithoutClearKeepsWidth12AndAddsNothing)
{
    // Single-byte codes fill the table; then more codes come at width 12 without a clear:
    // a single byte, the last entry (4095) and another byte, then the end code.
    const Bytes data = test::DistinctPairBytes(3839);
    for (bool tiff : {false, true}) {
        LzwCodePacker packer(tiff);
        packer.Put(256, 9);
        for (unsigned j = 1; j <= data.size(); ++j)
            packer.Put(data[j - 1], tiff ? tiffWidthAt(j) : gifWidthAt(8, j));
        // Entry 4095 was made on the last code: the last two bytes.
        for (unsigned code : {7u, 4095u, 9u, 4095u, 257u})
            packer.Put(code, 12);
        Bytes expected = data;
        expected.push_back(7);
        expected.insert(expected.end(), data.end() - 2, data.end());
        expected.push_back(9);
        expected.insert(expected.end(), data.end() - 2, data.end());

        auto decoded = DecodeStream(packer.Bytes(), 8, tiff);
        EXPECT_TRUE(decoded.ended) << "tiff " << tiff;
        EXPECT_EQ(decoded.bytes, expected) << "tiff " << tiff;
    }
}

TEST(LzwDecoder, LongestChainsStayInsideTheStack)
{
    // Every code after the first is the entry being defined, so string k is k bytes long:
    // with code size 2 the last code (4095) outputs 4091 bytes, the longest string there is.
    struct Case {
        int codeSize;
        bool tiff;
    };
    for (Case c : {Case{2, false}, Case{8, false}, Case{8, true}}) {
        const unsigned clear = 1u << c.codeSize;
        LzwCodePacker packer(c.tiff);
        packer.Put(clear, c.codeSize + 1);
        packer.Put(0, c.codeSize + 1);
        unsigned j = 2;
        for (unsigned code = clear + 2; code < LzwMaxCodes; ++code, ++j)
            packer.Put(code, c.tiff ? tiffWidthAt(j) : gifWidthAt(c.codeSize, j));
        // Two strings defined long before, far outside the decoder's recent output.
        packer.Put(clear + 2, 12);
        packer.Put(4000, 12);
        packer.Put(clear + 1, 12);
        const uint64_t codes = j - 1;

        uint64_t count = 0, nonZero = 0;
        LzwDecoder decoder([&](uint8_t b) {
            ++count;
            nonZero += b != 0;
        });
        ASSERT_TRUE(decoder.LzwDecodeInit(c.codeSize));
        for (uint8_t b : packer.Bytes())
            if (!(c.tiff ? decoder.TiffLzwDecodeByte(b) : decoder.LzwDecodeByte(b)))
                break;
        EXPECT_TRUE(decoder.EndSeen()) << c.codeSize;
        EXPECT_EQ(count, codes * (codes + 1) / 2 + 2 + (4000 - clear)) << c.codeSize;
        EXPECT_EQ(nonZero, 0u);
    }
}

TEST(LzwDecoder, StringOutputGetsWholeStrings)
{
    // A decoder whose output takes (pointer, count) receives each string in one call.
    const Bytes data = test::LowEntropyBytes(100000, 3);
    const Bytes stream = EncodeTiffForm(data);
    Bytes out;
    size_t calls = 0;
    BasicLzwDecoder decoder([&](const uint8_t* p, size_t n) {
        ++calls;
        out.insert(out.end(), p, p + n);
    });
    ASSERT_TRUE(decoder.LzwDecodeInit(8));
    for (uint8_t b : stream)
        if (!decoder.TiffLzwDecodeByte(b))
            break;
    EXPECT_TRUE(decoder.EndSeen());
    EXPECT_EQ(out, data);
    EXPECT_LT(calls, data.size() / 4);
}

TEST(LzwRoundTrip, MegabytesOfLowAndHighEntropyDataInBothForms)
{
    struct Input {
        const char* name;
        Bytes data;
    };
    const Input inputs[] = {
        {"low entropy", test::LowEntropyBytes(1536 * 1024, 11)},
        {"high entropy", test::HighEntropyBytes(1024 * 1024, 12)},
    };
    for (const auto& input : inputs) {
        for (bool tiff : {false, true}) {
            const Bytes stream = tiff ? EncodeTiffForm(input.data) : EncodeGifForm(input.data, 8);
            ASSERT_FALSE(stream.empty());
            // At least stream bits / 12 codes, at most 3840 codes per table: several clears.
            EXPECT_GT(stream.size() * 8 / 12, 4 * 3840u) << input.name;
            auto decoded = DecodeStream(stream, 8, tiff);
            EXPECT_TRUE(decoded.ended) << input.name << " tiff " << tiff;
            EXPECT_TRUE(decoded.bytes == input.data) << input.name << " tiff " << tiff;
        }
    }
    // The stream of the icon codec has no leading clear code.
    const Bytes stream = EncodeGifForm(inputs[0].data, 8, false);
    auto decoded = DecodeGifForm(stream);
    EXPECT_TRUE(decoded.ended);
    EXPECT_TRUE(decoded.bytes == inputs[0].data);
}

TEST(LzwRoundTrip, LongRunsReuseStringsDefinedFarBack)
{
    // Runs of about 100 KB of three short patterns, in turn: each run reuses the longest
    // strings of its pattern, defined runs (hundreds of KB of output) earlier in the same table.
    Bytes data;
    uint32_t r = 1;
    for (unsigned run = 0; data.size() < 3 * 1024 * 1024; ++run) {
        r = r * 1103515245u + 12345u;
        const uint8_t base = uint8_t(run % 3 * 50);
        const uint8_t pattern[4] = {uint8_t(base + 1), uint8_t(base + 2), uint8_t(base + 7),
                                    uint8_t(base + 3)};
        for (size_t i = 0, n = 90000 + (r >> 8) % 20000; i < n; ++i)
            data.push_back(pattern[i % 4]);
        data.push_back(uint8_t(r >> 24));
    }
    for (bool tiff : {false, true}) {
        const Bytes stream = tiff ? EncodeTiffForm(data) : EncodeGifForm(data, 8);
        auto decoded = DecodeStream(stream, 8, tiff);
        EXPECT_TRUE(decoded.ended) << "tiff " << tiff;
        EXPECT_TRUE(decoded.bytes == data) << "tiff " << tiff;
    }
}

TEST(LzwCodec, BufferCallsMatchByteCalls)
{
    const Bytes data = test::LowEntropyBytes(300000, 41);
    const Bytes gif = EncodeGifForm(data, 8);
    const Bytes tiff = EncodeTiffForm(data);
    uint32_t r = 7;
    auto chunk = [&r](size_t left) {
        r = r * 1103515245u + 12345u;
        return std::min<size_t>(left, (r >> 16) % 3000);
    };
    for (bool isTiff : {false, true}) {
        Bytes out;
        LzwEncoder encoder([&out](uint8_t b) {
            out.push_back(b);
            return true;
        });
        ASSERT_TRUE(isTiff ? encoder.TiffLzwEncodeInit() : encoder.LzwEncodeInit(8, true));
        for (size_t pos = 0; pos < data.size();) {
            const size_t n = chunk(data.size() - pos);
            ASSERT_TRUE(isTiff ? encoder.TiffLzwEncodeBytes(data.data() + pos, n)
                               : encoder.LzwEncodeBytes(data.data() + pos, n));
            pos += n;
        }
        ASSERT_TRUE(isTiff ? encoder.TiffLzwEncodeFinish() : encoder.LzwEncodeFinish());
        EXPECT_TRUE(out == (isTiff ? tiff : gif)) << "tiff " << isTiff;

        Bytes decoded;
        LzwDecoder decoder([&decoded](uint8_t b) { decoded.push_back(b); });
        ASSERT_TRUE(decoder.LzwDecodeInit(8));
        bool going = true;
        for (size_t pos = 0; pos < out.size() && going;) {
            const size_t n = chunk(out.size() - pos);
            going = isTiff ? decoder.TiffLzwDecodeBytes(out.data() + pos, n)
                           : decoder.LzwDecodeBytes(out.data() + pos, n);
            pos += n;
        }
        EXPECT_FALSE(going);
        EXPECT_TRUE(decoder.EndSeen());
        EXPECT_TRUE(decoded == data) << "tiff " << isTiff;
    }
    // A byte outside the code size stops a buffer call too.
    Bytes out;
    LzwEncoder encoder([&out](uint8_t b) {
        out.push_back(b);
        return true;
    });
    ASSERT_TRUE(encoder.LzwEncodeInit(3, true));
    const Bytes bad = {1, 2, 3, 8, 1};
    EXPECT_FALSE(encoder.LzwEncodeBytes(bad.data(), bad.size()));
    EXPECT_FALSE(encoder.LzwEncodeFinish());
}

TEST(LzwCodeWidth, CountsBitsUpToTwelve)
{
    EXPECT_EQ(LzwCodeWidth(0), 0);
    EXPECT_EQ(LzwCodeWidth(1), 1);
    EXPECT_EQ(LzwCodeWidth(511), 9);
    EXPECT_EQ(LzwCodeWidth(512), 10);
    EXPECT_EQ(LzwCodeWidth(4095), 12);
    EXPECT_EQ(LzwCodeWidth(4096), 0);
}

} // namespace
} // namespace zemo
