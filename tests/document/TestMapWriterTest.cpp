// The test-only map writer against hand-computed offsets: every other test of the folder
// trusts its layout. The readers are written out byte by byte so that they do not lean on
// the writer's own helpers.
#include "../support/TestMapWriter.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zemo::test;

namespace {

uint32_t u16(const std::vector<uint8_t>& b, size_t at) { return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8; }
int32_t i16(const std::vector<uint8_t>& b, size_t at) { return int16_t(uint16_t(u16(b, at))); }
int32_t i32(const std::vector<uint8_t>& b, size_t at) { return int32_t(u16(b, at) | u16(b, at + 2) << 16); }
double f64(const std::vector<uint8_t>& b, size_t at)
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = u << 8 | b.at(at + size_t(i));
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}
std::string bytesAt(const std::vector<uint8_t>& b, size_t at, size_t n)
{
    return std::string(b.begin() + long(at), b.begin() + long(at + n));
}

} // namespace

TEST(TestMapWriter, OneMapHasEveryFieldAtItsLiteralOffset)
{
    // One colour, one point symbol, one point object, one string, an information text.
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(15));
    w.objects.push_back(TestObject::Point(15, 0x12345600, -0x200, 900));
    w.strings.push_back(TestPString::Make(2, 1, "abc"));
    w.info = "Hello";
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    // 19272 + 1348 setup = 20620; info 256 -> 20876; symbol block 1028 -> 21904;
    // point symbol 352 -> 22256; object block 6148 -> 28404; record 40 -> 28444;
    // string block 4100 -> 32544; string record 64 -> 32608.
    ASSERT_EQ(b.size(), 32608u);

    // Header.
    EXPECT_EQ(b[0], 0x71);
    EXPECT_EQ(b[1], 0x5E);
    const std::pair<size_t, int32_t> header[] = {{8, 20876}, {12, 22256}, {16, 19272}, {20, 1348},
                                                 {24, 20620}, {28, 256}, {32, 28444}, {36, 0},
                                                 {40, 0}, {44, 0}};
    for (const auto& [at, v] : header)
        EXPECT_EQ(i32(b, at), v) << at;
    EXPECT_EQ(u16(b, 2), 2u);
    EXPECT_EQ(u16(b, 4), 8u);
    EXPECT_EQ(u16(b, 6), 0u);

    // Colour block: counts, then colour 0 at 48 + 24; colour 1 unused.
    EXPECT_EQ(i16(b, 48), 1);
    EXPECT_EQ(i16(b, 50), 0);
    EXPECT_EQ(u16(b, 72), 0u);
    EXPECT_EQ(b[79], 200);
    EXPECT_EQ(b[80], 5);
    EXPECT_EQ(bytesAt(b, 81, 5), "Black");
    EXPECT_EQ(b[112], 255);
    EXPECT_EQ(b[143], 255);
    EXPECT_EQ(b[144], 0);

    // Setup defaults.
    const std::pair<size_t, double> doubles[] = {{8, 10.0}, {24, 15000.0}, {56, 1000.0}, {888, 15000.0}, {924, 4.0}};
    for (const auto& [at, v] : doubles)
        EXPECT_EQ(f64(b, 19272 + at), v) << at;
    EXPECT_EQ(u16(b, 19272 + 20), 11u);
    EXPECT_EQ(i16(b, 19272 + 838), 300);
    EXPECT_EQ(i32(b, 19272 + 864), -1280000);
    EXPECT_EQ(i32(b, 19272 + 876), 1280000);
    EXPECT_EQ(i16(b, 19272 + 884), 1000);
    EXPECT_EQ(b[19272 + 1082], 0);  // untitled

    EXPECT_EQ(bytesAt(b, 20620, 6), std::string("Hello\0", 6));

    // Symbol index block and record.
    EXPECT_EQ(i32(b, 20876), 0);
    EXPECT_EQ(i32(b, 20880), 21904);
    EXPECT_EQ(i32(b, 20884), 0);
    EXPECT_EQ(i16(b, 21904), 352);
    EXPECT_EQ(i16(b, 21904 + 2), 15);
    EXPECT_EQ(i16(b, 21904 + 4), 1);
    EXPECT_EQ(b[21904 + 6], 0);
    EXPECT_EQ(i32(b, 21904 + 16), 21904);
    EXPECT_EQ(b[21904 + 52], 8);
    EXPECT_EQ(bytesAt(b, 21904 + 53, 8), "Point 15");
    EXPECT_EQ(b[21904 + 84], 255);
    EXPECT_EQ(b[21904 + 347], 255);
    EXPECT_EQ(i16(b, 21904 + 348), 0);

    // Object index block: entry 0 at 22256 + 4, entry 1 empty.
    const std::pair<size_t, int32_t> entry[] = {{22256, 0}, {22260, 0x12345600}, {22264, -0x200},
                                                {22268, 0x12345600}, {22272, -0x200}, {22276, 28404}};
    for (const auto& [at, v] : entry)
        EXPECT_EQ(i32(b, at), v) << at;
    EXPECT_EQ(u16(b, 22280), 1u);  // slots in version 8
    EXPECT_EQ(u16(b, 22282), 15u);
    EXPECT_EQ(u16(b, 22284 + 20), 0u);

    // Element record.
    EXPECT_EQ(i16(b, 28404), 15);
    EXPECT_EQ(b[28406], 1);
    EXPECT_EQ(b[28407], 0);
    EXPECT_EQ(u16(b, 28408), 1u);
    EXPECT_EQ(u16(b, 28410), 0u);
    EXPECT_EQ(i16(b, 28412), 900);
    EXPECT_EQ(i32(b, 28436), 0x12345600);
    EXPECT_EQ(i32(b, 28440), -0x200);

    // String index block and record.
    const std::pair<size_t, int32_t> string[] = {{28444, 0}, {28448, 32544}, {28452, 64},
                                                 {28456, 2}, {28460, 1}, {28464, 0}};
    for (const auto& [at, v] : string)
        EXPECT_EQ(i32(b, at), v) << at;
    EXPECT_EQ(bytesAt(b, 32544, 4), std::string("abc\0", 4));
    EXPECT_EQ(b[32607], 0);

    // The layout reports the same places.
    EXPECT_EQ(l.symbolBlocks, std::vector<int32_t>{20876});
    EXPECT_EQ(l.objectRecords, std::vector<int32_t>{28404});
    EXPECT_EQ(l.ObjectEntryPos(0), 22260u);
    EXPECT_EQ(l.StringEntryPos(1), 28448u + 16);
    EXPECT_EQ(l.SymbolSlotPos(0), 20880u);
}
