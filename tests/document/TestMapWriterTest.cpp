// Checks of the test-only map writer itself: bytes at hand-computed offsets, and every damage
// knob producing the damage it claims. The readers here are written out byte by byte so that
// they do not lean on the writer's own helpers.
#include "../support/TestMapWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

using namespace zemo::test;

namespace {

uint32_t u16(const std::vector<uint8_t>& b, size_t at) { return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8; }
int32_t i16(const std::vector<uint8_t>& b, size_t at) { return int16_t(uint16_t(u16(b, at))); }
int32_t i32(const std::vector<uint8_t>& b, size_t at)
{
    return int32_t(uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
                   uint32_t(b.at(at + 3)) << 24);
}
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

// One colour, one point symbol, one point object, one string, an information text.
TestMapWriter minimalV8()
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(15));
    w.objects.push_back(TestObject::Point(15, 0x12345600, -0x200, 900));
    w.strings.push_back(TestPString::Make(2, 1, "abc"));
    w.info = "Hello";
    return w;
}

} // namespace

TEST(TestMapWriter, MinimalVersion8FileHasEveryFieldAtItsLiteralOffset)
{
    const std::vector<uint8_t> b = minimalV8().Build();
    // 19272 + 1348 setup = 20620; info 256 -> 20876; symbol block 1028 -> 21904;
    // point symbol 352 -> 22256; object block 6148 -> 28404; record 40 -> 28444;
    // string block 4100 -> 32544; string record 64 -> 32608.
    ASSERT_EQ(b.size(), 32608u);

    // Header.
    EXPECT_EQ(b[0], 0x71);
    EXPECT_EQ(b[1], 0x5E);
    EXPECT_EQ(u16(b, 2), 2u);
    EXPECT_EQ(u16(b, 4), 8u);
    EXPECT_EQ(u16(b, 6), 0u);
    EXPECT_EQ(i32(b, 8), 20876);
    EXPECT_EQ(i32(b, 12), 22256);
    EXPECT_EQ(i32(b, 16), 19272);
    EXPECT_EQ(i32(b, 20), 1348);
    EXPECT_EQ(i32(b, 24), 20620);
    EXPECT_EQ(i32(b, 28), 256);
    EXPECT_EQ(i32(b, 32), 28444);
    for (size_t i = 36; i < 48; ++i)
        EXPECT_EQ(b[i], 0) << i;

    // Colour block: counts, then colour 0 at 48 + 24.
    EXPECT_EQ(i16(b, 48), 1);
    EXPECT_EQ(i16(b, 50), 0);
    EXPECT_EQ(u16(b, 72), 0u);
    EXPECT_EQ(b[76 + 3], 200);
    EXPECT_EQ(b[80], 5);
    EXPECT_EQ(bytesAt(b, 81, 5), "Black");
    EXPECT_EQ(b[112], 255);
    EXPECT_EQ(b[143], 255);
    EXPECT_EQ(b[144], 0);  // colour 1 unused

    // Setup defaults.
    EXPECT_EQ(f64(b, 19272 + 8), 10.0);
    EXPECT_EQ(u16(b, 19272 + 20), 11u);
    EXPECT_EQ(f64(b, 19272 + 24), 15000.0);
    EXPECT_EQ(f64(b, 19272 + 56), 1000.0);
    EXPECT_EQ(i16(b, 19272 + 838), 300);
    EXPECT_EQ(i32(b, 19272 + 864), -1280000);
    EXPECT_EQ(i32(b, 19272 + 876), 1280000);
    EXPECT_EQ(i16(b, 19272 + 884), 1000);
    EXPECT_EQ(f64(b, 19272 + 888), 15000.0);
    EXPECT_EQ(f64(b, 19272 + 924), 4.0);
    EXPECT_EQ(b[19272 + 1082], 0);  // untitled

    // Information text and its NUL.
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

    // Object index block: entry 0 at 22256 + 4.
    EXPECT_EQ(i32(b, 22256), 0);
    EXPECT_EQ(i32(b, 22260), 0x12345600);
    EXPECT_EQ(i32(b, 22264), -0x200);
    EXPECT_EQ(i32(b, 22268), 0x12345600);
    EXPECT_EQ(i32(b, 22272), -0x200);
    EXPECT_EQ(i32(b, 22276), 28404);
    EXPECT_EQ(u16(b, 22280), 1u);  // slots in version 8
    EXPECT_EQ(u16(b, 22282), 15u);
    EXPECT_EQ(u16(b, 22284 + 20), 0u);  // entry 1 empty

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
    EXPECT_EQ(i32(b, 28444), 0);
    EXPECT_EQ(i32(b, 28448), 32544);
    EXPECT_EQ(i32(b, 28452), 64);
    EXPECT_EQ(i32(b, 28456), 2);
    EXPECT_EQ(i32(b, 28460), 1);
    EXPECT_EQ(i32(b, 28464), 0);
    EXPECT_EQ(bytesAt(b, 32544, 4), std::string("abc\0", 4));
    EXPECT_EQ(b[32607], 0);

    // The layout reports the same places.
    TestMapLayout l;
    minimalV8().Build(&l);
    EXPECT_EQ(l.symbolBlocks, std::vector<int32_t>{20876});
    EXPECT_EQ(l.objectRecords, std::vector<int32_t>{28404});
    EXPECT_EQ(l.ObjectEntryPos(0), 22260u);
    EXPECT_EQ(l.StringEntryPos(1), 28448u + 16);
    EXPECT_EQ(l.SymbolSlotPos(0), 20880u);
}

TEST(TestMapWriter, OlderVersionsStoreByteLengthsAndNoStringStore)
{
    for (int v : {6, 7}) {
        TestMapWriter w(v);
        w.symbols.push_back(TestSymbol::Text(40));
        w.objects.push_back(TestObject::Text(40, 0, 0, std::string(63, 'a')));
        w.strings.push_back(TestPString::Make(2, 0, "ignored"));
        TestMapLayout l;
        const std::vector<uint8_t> b = w.Build(&l);
        EXPECT_EQ(u16(b, 2), v == 7 ? 7u : 0u);
        EXPECT_EQ(u16(b, 4), uint32_t(v));
        EXPECT_EQ(u16(b, 6), 5u);
        EXPECT_EQ(i32(b, 32), 0);
        EXPECT_TRUE(l.stringBlocks.empty());
        // 1 coordinate + 8 text slots: 32 + 8 x 9 bytes.
        EXPECT_EQ(u16(b, l.ObjectEntryPos(0) + 20), 104u);
        EXPECT_EQ(b.size(), size_t(l.objectRecords[0]) + 104);
    }
    // The string store can be forced into an old file to check that a reader ignores it.
    TestMapWriter w(7);
    w.stringsInOldVersions = true;
    w.strings.push_back(TestPString::Make(2, 0, "x"));
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    ASSERT_EQ(l.stringBlocks.size(), 1u);
    EXPECT_EQ(i32(b, 32), l.stringBlocks[0]);
}

TEST(TestMapWriter, TextSlotsAtTheirBoundaries)
{
    TestMapWriter w(8);
    w.objects.push_back(TestObject::Text(40, 0, 0, std::string(63, 'a')));
    w.objects.push_back(TestObject::Text(40, 0, 0, std::string(64, 'b')));
    w.objects.push_back(TestObject::Text16(40, 0, 0, std::u16string(31, u'\u4e2d')));
    w.objects.push_back(TestObject::Text16(40, 0, 0, std::u16string(32, u'c')));
    w.objects.push_back(TestObject::Text(40, 0, 0, ""));
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    const uint32_t expected[] = {8, 16, 8, 16, 8};
    for (size_t i = 0; i < 5; ++i) {
        const size_t r = size_t(l.objectRecords[i]);
        EXPECT_EQ(u16(b, r + 6), expected[i]) << i;
        EXPECT_EQ(u16(b, l.ObjectEntryPos(i) + 20), 1 + expected[i]) << i;
        EXPECT_EQ(b[r + 3], i == 2 || i == 3 ? 1 : 0) << i;
        // The record is 64-byte aligned text behind one coordinate, ending in zero.
        const size_t end = r + 32 + 8 + 8 * expected[i];
        EXPECT_EQ(end, i + 1 < 5 ? size_t(l.objectRecords[i + 1]) : b.size());
        EXPECT_EQ(b[end - 1], 0);
        if (i == 2 || i == 3) {
            EXPECT_EQ(u16(b, end - 2), 0u);
        }
    }
    const size_t t0 = size_t(l.objectRecords[0]) + 40;
    EXPECT_EQ(b[t0 + 62], 'a');
    EXPECT_EQ(b[t0 + 63], 0);
    const size_t t2 = size_t(l.objectRecords[2]) + 40;
    EXPECT_EQ(u16(b, t2), 0x4e2du);
    EXPECT_EQ(u16(b, t2 + 60), 0x4e2du);
    EXPECT_EQ(u16(b, t2 + 62), 0u);
}

TEST(TestMapWriter, The257thObjectStringAndSymbolStartASecondBlock)
{
    TestMapWriter w(8);
    for (int i = 0; i < 257; ++i) {
        w.symbols.push_back(TestSymbol::Point(int16_t(10 + i)));
        w.objects.push_back(TestObject::Point(10, i, i));
        w.strings.push_back(TestPString::Make(2, 0, std::to_string(i)));
    }
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    ASSERT_EQ(l.symbolBlocks.size(), 2u);
    ASSERT_EQ(l.objectBlocks.size(), 2u);
    ASSERT_EQ(l.stringBlocks.size(), 2u);

    // Blocks chain in order and end in 0; a new block comes directly behind the 256th
    // record and the 257th record directly behind the new block.
    EXPECT_EQ(i32(b, size_t(l.objectBlocks[0])), l.objectBlocks[1]);
    EXPECT_EQ(i32(b, size_t(l.objectBlocks[1])), 0);
    EXPECT_EQ(l.objectBlocks[1], l.objectRecords[255] + 40);
    EXPECT_EQ(l.objectRecords[256], l.objectBlocks[1] + 6148);
    EXPECT_EQ(i32(b, size_t(l.objectBlocks[1]) + 4 + 16), l.objectRecords[256]);
    EXPECT_EQ(i32(b, size_t(l.objectBlocks[1]) + 4 + 24 + 16), 0);

    EXPECT_EQ(i32(b, size_t(l.symbolBlocks[0])), l.symbolBlocks[1]);
    EXPECT_EQ(l.symbolBlocks[1], l.symbolRecords[255] + 352);
    EXPECT_EQ(i32(b, size_t(l.symbolBlocks[1]) + 4), l.symbolRecords[256]);
    EXPECT_EQ(i32(b, size_t(l.symbolBlocks[0]) + 4 + 4 * 255), l.symbolRecords[255]);

    EXPECT_EQ(i32(b, size_t(l.stringBlocks[0])), l.stringBlocks[1]);
    EXPECT_EQ(l.stringBlocks[1], l.stringRecords[255] + 64);
    EXPECT_EQ(i32(b, size_t(l.stringBlocks[1]) + 4), l.stringRecords[256]);
    EXPECT_EQ(bytesAt(b, size_t(l.stringRecords[256]), 4), std::string("256\0", 4));

    // Order of growth: symbols, then objects, then strings.
    EXPECT_LT(l.symbolRecords.back(), l.objectBlocks[0]);
    EXPECT_LT(l.objectRecords.back(), l.stringBlocks[0]);
}

TEST(TestMapWriter, ChainEndKnobsWriteTheClaimedNextPointer)
{
    auto build = [](ChainEnd e, int objects) {
        TestMapWriter w(8);
        for (int i = 0; i < objects; ++i) {
            w.symbols.push_back(TestSymbol::Point(int16_t(10 + i)));
            w.objects.push_back(TestObject::Point(10, 0, 0));
            w.strings.push_back(TestPString::Make(2, 0, "s"));
        }
        w.symbolChainEnd = w.objectChainEnd = w.stringChainEnd = e;
        TestMapLayout l;
        std::vector<uint8_t> b = w.Build(&l);
        return std::make_pair(b, l);
    };
    for (int n : {1, 300}) {
        struct Case {
            ChainEnd e;
            int32_t (*want)(const TestMapLayout&, const std::vector<int32_t>&);
        };
        const Case cases[] = {
            {ChainEnd::Zero, [](const TestMapLayout&, const std::vector<int32_t>&) { return 0; }},
            {ChainEnd::ToFirst, [](const TestMapLayout&, const std::vector<int32_t>& v) { return v.front(); }},
            {ChainEnd::ToSelf, [](const TestMapLayout&, const std::vector<int32_t>& v) { return v.back(); }},
            {ChainEnd::Negative, [](const TestMapLayout&, const std::vector<int32_t>&) { return -4; }},
            {ChainEnd::PastEnd, [](const TestMapLayout& l, const std::vector<int32_t>&) { return int32_t(l.fileSize + 16); }},
            {ChainEnd::IntoFixed, [](const TestMapLayout&, const std::vector<int32_t>&) { return 100; }},
        };
        for (const Case& c : cases) {
            auto [b, l] = build(c.e, n);
            for (const auto* chain : {&l.symbolBlocks, &l.objectBlocks, &l.stringBlocks}) {
                ASSERT_EQ(chain->size(), n == 1 ? 1u : 2u);
                EXPECT_EQ(i32(b, size_t(chain->back())), c.want(l, *chain)) << int(c.e) << " " << n;
                if (n > 1) {  // only the last block is damaged
                    EXPECT_EQ(i32(b, size_t(chain->front())), chain->back());
                }
            }
        }
    }
}

TEST(TestMapWriter, PointerOverridesResolveAgainstTheWholeFile)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.objects[0].entryPosition = FilePos::At(100);
    w.objects[1].entryPosition = FilePos::FromEnd(-8);
    w.objects[2].entryPosition = FilePos::At(-64);
    w.symbols[0].indexPosition = FilePos::FromEnd(0);
    w.strings[0].position = FilePos::At(0);
    w.strings[1].reservedLength = FilePos::FromEnd(0);
    w.setupPos = FilePos::At(-1);
    w.setupSize = FilePos::At(100000);
    w.infoSize = FilePos::At(40000);
    w.stringIndexPos = FilePos::FromEnd(4);
    w.objectIndexPos = FilePos::At(48);
    w.trailing = {1, 2, 3};
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    const int32_t size = int32_t(b.size());
    ASSERT_EQ(size_t(size), l.fileSize);
    EXPECT_EQ(i32(b, l.ObjectEntryPos(0) + 16), 100);
    EXPECT_EQ(i32(b, l.ObjectEntryPos(1) + 16), size - 8);
    EXPECT_EQ(i32(b, l.ObjectEntryPos(2) + 16), -64);
    EXPECT_EQ(i32(b, l.SymbolSlotPos(0)), size);
    EXPECT_EQ(i32(b, l.StringEntryPos(0)), 0);
    EXPECT_EQ(i32(b, l.StringEntryPos(1) + 4), size);
    EXPECT_EQ(i32(b, 16), -1);
    EXPECT_EQ(i32(b, 20), 100000);
    EXPECT_EQ(i32(b, 28), 40000);
    EXPECT_EQ(i32(b, 32), size + 4);
    EXPECT_EQ(i32(b, 12), 48);
    EXPECT_EQ(b[b.size() - 1], 3);
    // The records themselves stay where the layout says; only the pointers lie.
    EXPECT_EQ(i16(b, size_t(l.objectRecords[0])), 10);
    EXPECT_EQ(i16(b, size_t(l.symbolRecords[0]) + 2), 10);
    // A literal value beyond 32 bits saturates rather than wrapping.
    EXPECT_EQ(FilePos::At(int64_t(1) << 40).Resolve(0), INT32_MAX);
    EXPECT_EQ(FilePos::FromEnd(-10).Resolve(4), -6);
}

TEST(TestMapWriter, CountsLengthsAndSymbolWordsCanLie)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Rect(60, 0, 25));  // extent 20 = 5120 units
    TestObject o = TestObject::Text(60, 0x1000 | 0x3, 0x2000 | 0x8, "abc");
    o.nItemField = 5000;
    o.nTextField = 0xFFFF;
    w.objects.push_back(o);
    TestObject len0 = TestObject::Point(60, 0, 0);
    len0.entryLength = 0;
    w.objects.push_back(len0);
    TestObject del = TestObject::Point(60, 0, 0);
    del.deleted = true;
    w.objects.push_back(del);
    TestObject cs = TestObject::Point(60, 0, 0);
    cs.courseOnly = true;
    w.objects.push_back(cs);
    w.objects.push_back(TestObject::Point(-25, 0, 0));
    w.objects.push_back(TestObject::EmptySlot());
    TestObject raw = TestObject::Point(60, 0, 0);
    raw.entrySymbolWord = 0x8000;
    raw.bounds = TestRect{1, 2, 3, 4};
    w.objects.push_back(raw);
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);

    const size_t e0 = l.ObjectEntryPos(0), r0 = size_t(l.objectRecords[0]);
    EXPECT_EQ(u16(b, r0 + 4), 5000u);
    EXPECT_EQ(u16(b, r0 + 6), 0xFFFFu);
    EXPECT_EQ(u16(b, e0 + 20), 9u);  // the true length
    EXPECT_EQ(l.objectRecords[1] - l.objectRecords[0], 32 + 72);
    // Bounds: flags masked off, then widened by the symbol's extent.
    EXPECT_EQ(i32(b, e0 + 0), 0x1000 - 5120);
    EXPECT_EQ(i32(b, e0 + 4), 0x2000 - 5120);
    EXPECT_EQ(i32(b, e0 + 8), 0x1000 + 5120);
    EXPECT_EQ(i32(b, e0 + 12), 0x2000 + 5120);
    EXPECT_EQ(i32(b, r0 + 32), 0x1003);  // the record keeps the flags

    EXPECT_EQ(u16(b, l.ObjectEntryPos(1) + 20), 0u);
    EXPECT_EQ(u16(b, l.ObjectEntryPos(1) + 22), 60u);
    EXPECT_EQ(u16(b, l.ObjectEntryPos(2) + 20), 1u);
    EXPECT_EQ(u16(b, l.ObjectEntryPos(2) + 22), 0u);
    EXPECT_EQ(u16(b, l.ObjectEntryPos(3) + 22), 0x4000u + 60);
    EXPECT_EQ(u16(b, l.ObjectEntryPos(4) + 22), 0x10000u - 25);
    EXPECT_EQ(i16(b, size_t(l.objectRecords[4])), -25);
    for (size_t k = 0; k < 24; ++k)
        EXPECT_EQ(b[l.ObjectEntryPos(5) + k], 0) << k;
    EXPECT_EQ(l.objectRecords[5], 0);
    EXPECT_EQ(u16(b, l.ObjectEntryPos(6) + 22), 0x8000u);
    EXPECT_EQ(i32(b, l.ObjectEntryPos(6) + 8), 3);
    EXPECT_EQ(l.objectRecords[6], l.objectRecords[4] + 40);

    // Version 7: a raw length of 31 bytes.
    TestMapWriter v7(7);
    TestObject s = TestObject::Point(10, 0, 0);
    s.entryLength = 31;
    v7.objects.push_back(s);
    v7.objects.push_back(TestObject::Point(10, 0, 0));
    const std::vector<uint8_t> b7 = v7.Build(&l);
    EXPECT_EQ(u16(b7, l.ObjectEntryPos(0) + 20), 31u);
    EXPECT_EQ(u16(b7, l.ObjectEntryPos(1) + 20), 40u);
}

TEST(TestMapWriter, UnterminatedTextsHoldNoZeroByte)
{
    TestMapWriter w(8);
    TestObject t8 = TestObject::Text(40, 0, 0, "abc");
    t8.terminate = false;
    w.objects.push_back(t8);
    TestObject full = TestObject::Text(40, 0, 0, std::string(64, 'q'));
    full.textSlots = 8;  // 64 characters in 64 bytes: no room for the terminator
    w.objects.push_back(full);
    TestObject t16 = TestObject::Text16(40, 0, 0, u"ab");
    t16.terminate = false;
    w.objects.push_back(t16);
    TestPString s = TestPString::Make(2, 0, "xyz");
    s.terminate = false;
    w.strings.push_back(s);
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    for (size_t i = 0; i < 3; ++i) {
        const size_t t = size_t(l.objectRecords[i]) + 40;
        EXPECT_EQ(u16(b, size_t(l.objectRecords[i]) + 6), 8u);
        for (size_t k = 0; k < 64; k += i == 2 ? 2 : 1)  // UTF-16: no 16-bit zero
            EXPECT_NE(i == 2 ? u16(b, t + k) : b[t + k], 0u) << i << " " << k;
    }
    EXPECT_EQ(bytesAt(b, size_t(l.objectRecords[0]) + 40, 4), "abcx");
    EXPECT_EQ(u16(b, size_t(l.objectRecords[2]) + 44), uint32_t('x'));
    const size_t sr = size_t(l.stringRecords[0]);
    EXPECT_EQ(i32(b, l.StringEntryPos(0) + 4), 64);
    for (size_t k = 0; k < 64; ++k)
        EXPECT_NE(b[sr + k], 0) << k;
    EXPECT_EQ(b.size(), sr + 64);
}

TEST(TestMapWriter, SymbolSizeDamageAndFreeSlots)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Raw(10, 1, 348));
    w.symbols.push_back(TestSymbol::Raw(20, 3, 20905));
    w.symbols.push_back(TestSymbol::FreeSlot(-1));
    TestSymbol liar = TestSymbol::Point(30);
    liar.sizeWord = 20000;
    liar.positionField = 7;
    liar.selected = 1;
    liar.status = 0x12;
    w.symbols.push_back(liar);
    TestMapLayout l;
    const std::vector<uint8_t> b = w.Build(&l);
    const size_t s0 = size_t(l.symbolRecords[0]);
    EXPECT_EQ(i16(b, s0), 348);
    EXPECT_EQ(l.symbolRecords[1], l.symbolRecords[0] + 348);
    EXPECT_EQ(i16(b, size_t(l.symbolRecords[1])), 20905);
    EXPECT_EQ(l.symbolRecords[3], l.symbolRecords[1] + 20905);
    EXPECT_EQ(i32(b, l.SymbolSlotPos(2)), -1);
    EXPECT_EQ(l.symbolRecords[2], 0);
    const size_t s3 = size_t(l.symbolRecords[3]);
    EXPECT_EQ(i16(b, s3), 20000);
    EXPECT_EQ(i32(b, s3 + 16), 7);
    EXPECT_EQ(b[s3 + 10], 1);
    EXPECT_EQ(b[s3 + 11], 0x12);
    EXPECT_EQ(b.size(), s3 + 352);
}

TEST(TestMapWriter, ColourBlockCountsAndRecords)
{
    TestMapWriter w(8);
    w.colors.push_back(TestColor::Cmyk(7, "A very long colour name that is cut at 31", 1, 2, 3, 4));
    TestSeparation sep;
    sep.name = "Spot separation name";
    sep.cmyk = {9, 8, 7, 6};
    sep.screen = 20;
    sep.screen2 = -3;
    w.separations = {sep};
    w.colorBlockReserved[0] = 0xAB;
    std::vector<uint8_t> b = w.Build();
    EXPECT_EQ(i16(b, 48), 2);
    EXPECT_EQ(i16(b, 50), 1);
    EXPECT_EQ(b[52], 0xAB);
    EXPECT_EQ(u16(b, 144), 7u);
    EXPECT_EQ(bytesAt(b, 148, 4), std::string("\1\2\3\4", 4));
    EXPECT_EQ(b[152], 31);
    EXPECT_EQ(bytesAt(b, 153, 31), std::string("A very long colour name that is cut at 31").substr(0, 31));
    const size_t s = 48 + 18456;
    EXPECT_EQ(b[s], 15);
    EXPECT_EQ(bytesAt(b, s + 1, 15), "Spot separation");
    EXPECT_EQ(bytesAt(b, s + 16, 4), std::string("\x09\x08\x07\x06", 4));
    EXPECT_EQ(i16(b, s + 20), 20);
    EXPECT_EQ(i16(b, s + 22), -3);

    for (int16_t n : {int16_t(0), int16_t(300), int16_t(-5)}) {
        w.colorCount = n;
        w.separationCount = int16_t(n + 1);
        b = w.Build();
        EXPECT_EQ(i16(b, 48), n);
        EXPECT_EQ(i16(b, 50), n + 1);
        EXPECT_EQ(u16(b, 144), 7u);  // the table itself is unchanged
    }
}

TEST(TestMapWriter, TruncationAndBlockBoundaries)
{
    const TestMapWriter w = TestMapWriter::Sample(8);
    TestMapLayout l;
    const std::vector<uint8_t> full = w.Build(&l);
    const std::vector<size_t> bounds = l.Boundaries();
    ASSERT_GE(bounds.size(), 10u);
    EXPECT_EQ(bounds.front(), 0u);
    EXPECT_EQ(bounds.back(), full.size());
    EXPECT_TRUE(std::is_sorted(bounds.begin(), bounds.end()));
    EXPECT_EQ(std::set<size_t>(bounds.begin(), bounds.end()).size(), bounds.size());
    const std::set<size_t> set(bounds.begin(), bounds.end());
    for (size_t must : {size_t(48), size_t(19272), size_t(l.setupPos + l.setupSize),
                        size_t(l.symbolBlocks[0]), size_t(l.symbolBlocks[0]) + 1028,
                        size_t(l.objectBlocks[0]) + 6148, size_t(l.stringBlocks[0]) + 4100,
                        size_t(l.objectRecords[3]), size_t(l.stringRecords.back())})
        EXPECT_TRUE(set.count(must)) << must;

    for (size_t cut : bounds) {
        TestMapWriter t = w;
        t.truncateAt = cut;
        const std::vector<uint8_t> b = t.Build();
        ASSERT_EQ(b.size(), cut);
        EXPECT_TRUE(std::equal(b.begin(), b.end(), full.begin()));
    }
    EXPECT_EQ(Truncated(full, 5).size(), 5u);
    EXPECT_EQ(Truncated(full, full.size() + 10).size(), full.size());
}

TEST(TestMapWriter, SymbolBuildersGiveMinimalRecordsWithDerivedFields)
{
    struct Want {
        TestSymbol s;
        size_t size;
        int16_t type;
        uint8_t textFlag;
        int16_t extent;
    };
    const Want wants[] = {
        {TestSymbol::Point(10), 352, 1, 0, 0},
        // Circle of 2 mm diameter centred 1 mm from the origin: 100 + 100.
        {TestSymbol::Point(11, {[] { auto e = TestElement::Circle(3, 200); e.cords = {{25600, 0}}; return e; }()}), 352 + 24, 1, 0, 200},
        {TestSymbol::Line(20, 1, 35), 424, 2, 0, 17},
        {TestSymbol::Line(21, 0, 18, {TestElement::Dot(2, 60)}), 424 + 24, 2, 0, 30},
        {TestSymbol::Area(30, 2), 380, 3, 0, 0},
        {TestSymbol::Area(31, 3, {TestElement::Dot(0, 40), TestElement::Dot(5, 40)}), 380 + 48, 3, 0, 0},
        {TestSymbol::Text(40), 588, 4, 1, 0},
        {TestSymbol::LineText(50), 440, 2, 1, 423},
        {TestSymbol::Rect(60, 0, 25), 416, 5, 0, 20},
    };
    for (const Want& w : wants) {
        TestMapWriter m(8);
        m.symbols.push_back(w.s);
        TestMapLayout l;
        const std::vector<uint8_t> b = m.Build(&l);
        const size_t r = size_t(l.symbolRecords[0]);
        EXPECT_EQ(b.size() - r, w.size) << w.s.number10;
        EXPECT_EQ(i16(b, r), int32_t(w.size)) << w.s.number10;
        EXPECT_EQ(i16(b, r + 4), w.type) << w.s.number10;
        EXPECT_EQ(b[r + 6], w.textFlag) << w.s.number10;
        EXPECT_EQ(i16(b, r + 8), w.extent) << w.s.number10;
    }
    // Element list layout of a point symbol: slot count at 348, the list from 352.
    const TestSymbol p = wants[1].s;
    EXPECT_EQ(p.I16(348), 3);
    EXPECT_EQ(p.I16(352), 3);       // circle
    EXPECT_EQ(p.I16(352 + 4), 3);   // colour
    EXPECT_EQ(p.I16(352 + 6), 10);  // width
    EXPECT_EQ(p.I16(352 + 8), 200); // diameter
    EXPECT_EQ(p.I16(352 + 10), 1);  // one coordinate
    EXPECT_EQ(p.colorSet[0], 0x08);
    // Line with a main symbol: its slot count at 412, the list from 424, two colours.
    const TestSymbol ln = wants[3].s;
    EXPECT_EQ(ln.I16(412), 3);
    EXPECT_EQ(ln.I16(424), 4);
    EXPECT_EQ(ln.colorSet[0], 0x05);
    // Area structure at 378 and 380; text font at 348, size 382.
    EXPECT_EQ(wants[5].s.I16(378), 6);
    EXPECT_EQ(wants[5].s.I16(380 + 24 + 4), 5);
    EXPECT_EQ(wants[5].s.colorSet[0], 0x29);
    EXPECT_EQ(wants[6].s.body[0], 5);
    EXPECT_EQ(wants[6].s.I16(382), 120);
    EXPECT_EQ(wants[6].s.I16(394), 120);
    EXPECT_THROW(TestSymbol().SetI16(100, 1), std::out_of_range);
}

TEST(TestMapWriter, SampleMapsHoldConsistentChainsInEveryVersion)
{
    // Walk each sample as a careful reader would and check that every pointer and length
    // stays inside the file and agrees with the record it points to.
    for (int v : {6, 7, 8}) {
        const std::vector<uint8_t> b = TestMapWriter::Sample(v).Build();
        auto inside = [&](int64_t pos, int64_t len) {
            return pos > 0 && len >= 0 && pos + len <= int64_t(b.size());
        };
        int symbolsSeen = 0;
        for (int32_t blk = i32(b, 8); blk != 0; blk = i32(b, size_t(blk))) {
            ASSERT_TRUE(inside(blk, 1028)) << v;
            for (size_t k = 0; k < 256; ++k) {
                const int32_t p = i32(b, size_t(blk) + 4 + 4 * k);
                if (p <= 0)
                    continue;
                ASSERT_TRUE(inside(p, 348));
                EXPECT_TRUE(inside(p, i16(b, size_t(p))));
                EXPECT_EQ(i32(b, size_t(p) + 16), p);
                ++symbolsSeen;
            }
        }
        EXPECT_EQ(symbolsSeen, 8) << v;
        int objectsSeen = 0;
        for (int32_t blk = i32(b, 12); blk != 0; blk = i32(b, size_t(blk))) {
            ASSERT_TRUE(inside(blk, 6148)) << v;
            for (size_t k = 0; k < 256; ++k) {
                const size_t e = size_t(blk) + 4 + 24 * k;
                const uint32_t len = u16(b, e + 20);
                if (len == 0)
                    continue;
                const int32_t p = i32(b, e + 16);
                const uint32_t slots = v == 8 ? len : (len - 32) / 8;
                ASSERT_TRUE(inside(p, 32 + 8 * int64_t(slots)));
                EXPECT_EQ(u16(b, size_t(p) + 4) + u16(b, size_t(p) + 6), slots);
                const uint32_t word = u16(b, e + 22);
                if (word != 0) {
                    EXPECT_EQ(int32_t(word & 0x3FFF), i16(b, size_t(p)));
                }
                ++objectsSeen;
            }
        }
        EXPECT_EQ(objectsSeen, v == 8 ? 9 : 7) << v;
        int stringsSeen = 0;
        for (int32_t blk = v == 8 ? i32(b, 32) : 0; blk != 0; blk = i32(b, size_t(blk))) {
            ASSERT_TRUE(inside(blk, 4100));
            for (size_t k = 0; k < 256; ++k) {
                const size_t e = size_t(blk) + 4 + 16 * k;
                if (i32(b, e + 8) == 0)
                    continue;
                const int32_t p = i32(b, e), len = i32(b, e + 4);
                ASSERT_TRUE(inside(p, len));
                EXPECT_EQ(len % 64, 0);
                EXPECT_EQ(b[size_t(p + len - 1)], 0);
                ++stringsSeen;
            }
        }
        EXPECT_EQ(stringsSeen, v == 8 ? 3 : 0);
        EXPECT_TRUE(inside(i32(b, 24), i32(b, 28)));
        EXPECT_EQ(i32(b, 28) % 256, 0);
        EXPECT_EQ(bytesAt(b, size_t(i32(b, 16)) + 1083, 16), "/maps/sample.zmd");
    }
}

TEST(TestMapWriter, WritesFilesAndSeeds)
{
    const auto seeds = MapSeedFiles();
    ASSERT_GE(seeds.size(), 10u);
    std::set<std::string> names;
    for (const auto& [name, bytes] : seeds) {
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_LE(bytes.size(), 60u * 1024) << name;
        EXPECT_GE(bytes.size(), 48u) << name;
    }
    // Written files hold exactly the built bytes.
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "mapwriter";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "sample.zmd").string();
    ASSERT_TRUE(TestMapWriter::Sample(8).WriteTo(path));
    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> back((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, TestMapWriter::Sample(8).Build());
    EXPECT_FALSE(WriteFileBytes((dir / "missing" / "x.zmd").string(), back));

    // ZEMO_WRITE_SEEDS=<dir> refreshes the fuzz seed corpus.
    if (const char* out = std::getenv("ZEMO_WRITE_SEEDS")) {
        std::filesystem::create_directories(out);
        for (const auto& [name, bytes] : seeds)
            EXPECT_TRUE(WriteFileBytes((std::filesystem::path(out) / name).string(), bytes)) << name;
    }
}
