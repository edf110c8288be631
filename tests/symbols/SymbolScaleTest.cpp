// Scaling a symbol record: which fields of each type change, how they round, and records too
// short for their own counts left alone. Expected records are the originals patched at
// literal offsets.
#include "../support/TestMapWriter.h"
#include "symbols/store/SymbolRecords.h"
#include "symbols/store/SymbolScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using namespace zemo::test;

namespace {

// The record as the map file stores it.
std::vector<uint8_t> Stored(const TestSymbol& s)
{
    TestMapWriter w(8);
    w.symbols = {s};
    TestMapLayout l;
    const std::vector<uint8_t> file = w.Build(&l);
    const auto at = file.begin() + l.symbolRecords[0];
    return {at, at + long(s.Size())};
}

constexpr int32_t U = 256;  // 0.01 mm in coordinate units

// A circle at (1 mm, -0.03 mm) with a corner flag in y, and a line element with flags in x.
std::vector<TestElement> Elements()
{
    TestElement circle = TestElement::Circle(1, 101, 7);
    circle.cords = {{100 * U, -3 * U | 1}};
    TestElement line = TestElement::Polyline(2, 35, {{-10 * U | 4, 0}, {20 * U, 5 * U}});
    return {circle, line};
}

// Patches the elements above, scaled by 1.5, into a record whose list starts at `list`.
void PatchScaledElements(std::vector<uint8_t>& r, size_t list)
{
    PutI16(r, list + 6, 10);     // circle: width 7 -> 10.5 -> 10
    PutI16(r, list + 8, 152);    // diameter 101 -> 151.5 -> 152
    PutI32(r, list + 16, 150 * U);
    PutI32(r, list + 20, -5 * U | 1);  // -4.5 units -> -1152, masked -1280, flag kept
    const size_t line = list + 24;
    PutI16(r, line + 6, 52);     // 52.5 -> 52
    PutI32(r, line + 16, -15 * U | 4);
    PutI32(r, line + 20, 0);
    PutI32(r, line + 24, 30 * U);
    PutI32(r, line + 28, 7 * U);  // 7.5 units (1920), masked to 7
}

struct Case {
    std::string name;
    std::function<TestSymbol()> make;
    std::function<void(std::vector<uint8_t>&)> patch;  // the expected changes, factor 1.5
};

} // namespace

TEST(SymbolScale, EachTypeScalesItsLengthsAndNothingElse)
{
    const std::vector<Case> cases = {
        {"point",
         [] {
             TestSymbol s = TestSymbol::Point(10, Elements());
             s.extent = 151;
             return s;
         },
         [](std::vector<uint8_t>& r) {
             PutI16(r, 8, 226);  // from the scaled list: the circle's 150 + 152 / 2
             PatchScaledElements(r, 352);
         }},
        {"line",
         [] {
             TestSymbol s = TestSymbol::Line(20, 3, 35, Elements());
             s.extent = 151;
             for (size_t off = 354; off <= 366; off += 2)
                 s.SetI16(off, int16_t(off - 301));  // 53 .. 65
             s.SetI16(368, 1);
             s.SetI16(372, 41);
             s.SetI16(374, 2);
             s.SetI16(384, 60);
             s.SetI16(386, 11);
             s.SetI16(388, 13);
             s.SetI16(390, 200);
             s.SetI16(392, -15);
             s.SetI16(402, 50);
             s.SetI16(406, 4);
             s.SetI16(408, 25);
             return s;
         },
         [](std::vector<uint8_t>& r) {
             PutI16(r, 8, 226);    // the main symbol reaches further than the lines
             PutI16(r, 350, 52);
             const int16_t scaled[] = {80, 82, 86, 88, 92, 94, 98};  // 53 .. 65 x 1.5, to even
             for (size_t i = 0; i < 7; ++i)
                 PutI16(r, 354 + 2 * i, scaled[i]);
             PutI16(r, 372, 62);   // 61.5 -> 62
             PutI16(r, 384, 90);
             PutI16(r, 386, 16);   // 16.5 -> 16
             PutI16(r, 388, 20);   // 19.5 -> 20
             PutI16(r, 390, 300);
             PutI16(r, 392, -22);  // -22.5 -> -22
             PutI16(r, 408, 38);   // 37.5 -> 38
             PatchScaledElements(r, 424);
             r[20] = 0x1F;  // the double line's and the framing's colours 0 and 4 join
         }},
        {"line text",
         [] {
             TestSymbol s = TestSymbol::LineText(30);
             s.extent = 31;
             s.SetI16(430, 9);
             s.SetI16(436, 5);
             s.SetI16(438, -7);
             return s;
         },
         [](std::vector<uint8_t>& r) {
             PutI16(r, 8, 635);    // 18 pt in 0.01 mm, from the new font size
             PutI16(r, 382, 180);
             PutI16(r, 430, 14);   // 13.5 -> 14
             PutI16(r, 436, 8);    // 7.5 -> 8
             PutI16(r, 438, -10);  // -10.5 -> -10
         }},
        {"area",
         [] {
             TestSymbol s = TestSymbol::Area(40, 2, Elements());
             s.SetI16(354, 2);
             s.SetI16(358, 15);
             s.SetI16(360, 101);
             s.SetI16(362, 450);
             s.SetI16(374, 300);
             return s;
         },
         [](std::vector<uint8_t>& r) {
             PutI16(r, 358, 22);   // 22.5 -> 22
             PutI16(r, 360, 152);  // 151.5 -> 152
             PutI16(r, 370, 300);
             PutI16(r, 372, 300);
             PatchScaledElements(r, 380);
             r[20] |= 1;  // the cross hatch's colour 0 joins the set
         }},
        {"text",
         [] {
             TestSymbol s = TestSymbol::Text(50);
             s.extent = 99;
             s.SetI16(396, 21);
             s.SetI16(398, 100);
             s.SetI16(400, -40);
             s.SetI16(402, 2);
             s.SetI32(404, 1000);
             s.SetI32(408, 2001);
             s.SetI32(412, 777);  // beyond the count: stays
             s.SetI16(532, -1);
             s.SetI16(536, 9);
             s.SetI16(538, 30);
             s.SetU8(542, 3);
             s.SetI16(568, 50);
             s.SetI16(574, 50);
             s.SetI16(578, 17);
             s.SetI16(584, 3);
             s.SetI16(586, -3);
             return s;
         },
         [](std::vector<uint8_t>& r) {
             PutI16(r, 8, 635);     // the height of the font at its new size
             PutI16(r, 382, 180);
             PutI16(r, 396, 32);    // 31.5 -> 32
             PutI16(r, 398, 150);
             PutI16(r, 400, -60);
             PutI32(r, 404, 1500);
             PutI32(r, 408, 3002);  // 3001.5 -> 3002
             PutI16(r, 536, 14);    // 13.5 -> 14
             PutI16(r, 538, 45);
             PutI16(r, 578, 26);    // 25.5 -> 26
             PutI16(r, 584, 4);     // 4.5 -> 4
             PutI16(r, 586, -4);
         }},
        {"rectangle",
         [] {
             TestSymbol s = TestSymbol::Rect(60, 1, 25);
             s.SetI16(352, 100);
             s.SetI16(354, 5);
             s.SetI16(356, 501);
             s.SetI16(358, 499);
             s.SetI16(364, 2);
             return s;
         },
         [](std::vector<uint8_t>& r) {
             PutI16(r, 8, 19);     // half the new line width
             PutI16(r, 350, 38);   // 37.5 -> 38
             PutI16(r, 352, 150);
             PutI16(r, 356, 752);  // 751.5 -> 752
             PutI16(r, 358, 748);  // 748.5 -> 748
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> rec = Stored(c.make());
        std::vector<uint8_t> expected = rec;
        c.patch(expected);
        EXPECT_TRUE(zemo::ScaleSymbol(rec, 1.5));
        EXPECT_EQ(rec, expected);
    }
}

TEST(SymbolScale, LimitsAndRecordsShorterThanTheirCounts)
{
    // 16-bit lengths stop at 32767 and -32764; the main width at the 20 mm the repair after
    // reading allows.
    TestSymbol big = TestSymbol::Line(10, 0, 20000);
    big.SetI16(384, 20000);
    big.SetI16(392, -30000);
    std::vector<uint8_t> rec = Stored(big);
    EXPECT_TRUE(zemo::ScaleSymbol(rec, 2));
    EXPECT_EQ(GetI16(rec, 350), 2000);
    EXPECT_EQ(GetI16(rec, 384), 32767);
    EXPECT_EQ(GetI16(rec, 392), -32764);

    // Counts that promise more than the record holds: nothing changes.
    const std::vector<std::pair<TestSymbol, size_t>> damaged = {
        {TestSymbol::Point(10, Elements()), 348},
        {TestSymbol::Line(20, 0, 35, Elements()), 416},
        {TestSymbol::Area(30, 0, Elements()), 378},
    };
    for (const auto& [sym, countAt] : damaged) {
        std::vector<uint8_t> r = Stored(sym);
        PutI16(r, countAt, int16_t(GetI16(r, countAt) + 1));
        const std::vector<uint8_t> before = r;
        EXPECT_FALSE(zemo::ScaleSymbol(r, 2)) << countAt;
        EXPECT_EQ(r, before) << countAt;
    }
    std::vector<uint8_t> text = Stored(TestSymbol::Text(40));
    text.resize(587);
    const std::vector<uint8_t> before = text;
    EXPECT_FALSE(zemo::ScaleSymbol(text, 2));
    EXPECT_EQ(text, before);

    // A list element running past its list ends the walk; the rest of the record is scaled.
    std::vector<uint8_t> point = Stored(TestSymbol::Point(10, Elements()));
    PutI16(point, 352 + 24 + 10, 9);  // the line element claims nine Cords
    EXPECT_TRUE(zemo::ScaleSymbol(point, 2));
    EXPECT_EQ(GetI16(point, 352 + 8), 202);                // the circle is scaled
    EXPECT_EQ(GetI16(point, 352 + 24 + 6), 35);            // the broken line is not
    EXPECT_EQ(GetI32(point, 352 + 24 + 16), -10 * U | 4);
}

TEST(SymbolScale, LineFieldsStayInTheRangesTheRepairAfterReadingKeeps)
{
    TestSymbol s = TestSymbol::Line(10, 0, 1500);
    for (size_t off = 354; off <= 360; off += 2)
        s.SetI16(off, 3000);
    for (size_t off = 362; off <= 366; off += 2)
        s.SetI16(off, 1500);
    s.SetI16(372, 4000);
    s.SetI16(384, 1500);  // no range of its own
    std::vector<uint8_t> rec = Stored(s);
    ASSERT_TRUE(zemo::ScaleSymbol(rec, 2));
    EXPECT_EQ(GetI16(rec, 350), 2000);
    for (size_t off = 354; off <= 360; off += 2)
        EXPECT_EQ(GetI16(rec, off), 5000) << off;
    for (size_t off = 362; off <= 366; off += 2)
        EXPECT_EQ(GetI16(rec, off), 2000) << off;
    EXPECT_EQ(GetI16(rec, 372), 5000);
    EXPECT_EQ(GetI16(rec, 384), 3000);
    // Within the ranges the factor applies unlimited.
    std::vector<uint8_t> small = Stored(s);
    ASSERT_TRUE(zemo::ScaleSymbol(small, 0.5));
    EXPECT_EQ(GetI16(small, 350), 750);
    EXPECT_EQ(GetI16(small, 354), 1500);
    EXPECT_EQ(GetI16(small, 362), 750);
    EXPECT_EQ(GetI16(small, 372), 2000);
}

TEST(SymbolScale, AScaledRecordIsOneTheRepairAfterReadingLeavesAlone)
{
    TestSymbol text = TestSymbol::Text(50);
    text.SetU8(542, 2);     // framing line: the extent grows by twice its width
    text.SetI16(578, 30);
    TestSymbol rect = TestSymbol::Rect(60, 1, 25);
    TestSymbol line = TestSymbol::Line(20, 3, 35, Elements());
    line.SetI16(374, 1);
    line.SetI16(384, 80);
    line.SetI16(386, 30);
    const std::vector<TestSymbol> symbols = {
        TestSymbol::Point(10, Elements()),   line, TestSymbol::LineText(30),
        TestSymbol::Area(40, 2, Elements()), text, rect};
    for (const TestSymbol& s : symbols) {
        for (double f : {0.2, 0.5, 1.5, 2.0, 5.0}) {
            SCOPED_TRACE(std::to_string(s.type) + " x " + std::to_string(f));
            zemo::SymbolBytes rec = Stored(s);
            zemo::NormalizeSymbol(rec);  // as read from a file
            const zemo::SymbolBytes read = rec;
            ASSERT_TRUE(zemo::ScaleSymbol(rec, f));
            EXPECT_NE(rec, read);
            zemo::SymbolBytes again = rec;
            zemo::NormalizeSymbol(again);
            EXPECT_EQ(again, rec);
        }
    }
    // The text symbol's extent is its new font's height with the framing line.
    zemo::SymbolBytes rec = Stored(text);
    ASSERT_TRUE(zemo::ScaleSymbol(rec, 2));
    EXPECT_EQ(GetI16(rec, 382), 240);
    EXPECT_EQ(GetI16(rec, 8), 847 + 2 * 60);
}

TEST(SymbolScale, CoordinatesAndTabPositionsSaturateInsteadOfWrapping)
{
    TestElement far = TestElement::Polyline(1, 10, {{0x7FFFFF00 | 2, int32_t(0x80000000u) | 1},
                                                   {-3 * U, 0x40000000 | 9}});
    std::vector<uint8_t> point = Stored(TestSymbol::Point(10, {far}));
    ASSERT_TRUE(zemo::ScaleSymbol(point, 5));
    EXPECT_EQ(GetI32(point, 352 + 16), 0x3FFFFF00 | 2);
    EXPECT_EQ(GetI32(point, 352 + 20), int32_t(0xC0000000u) | 1);
    EXPECT_EQ(GetI32(point, 352 + 24), -15 * U);
    EXPECT_EQ(GetI32(point, 352 + 28), 0x3FFFFF00 | 9);

    TestSymbol text = TestSymbol::Text(50);
    text.SetI16(402, 40);  // more than the 32 positions there are: 32 are scaled
    for (size_t i = 0; i < 32; ++i)
        text.SetI32(404 + 4 * i, int32_t(i % 2 ? -1000000000 : 1000000000));
    std::vector<uint8_t> rec = Stored(text);
    ASSERT_TRUE(zemo::ScaleSymbol(rec, 4.5));
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(GetI32(rec, 404 + 4 * i), i % 2 ? -1073741824 : 1073741823) << i;
    EXPECT_EQ(GetI16(rec, 532), 0);  // the field after the tabs is untouched
}

TEST(SymbolScale, NegativeCountsShortSizeWordsAndBadFactorsLeaveTheRecord)
{
    struct Damage {
        std::string name;
        TestSymbol symbol;
        std::function<void(std::vector<uint8_t>&)> damage;
        double factor = 2;
    };
    const std::vector<Damage> cases = {
        {"point slots -1", TestSymbol::Point(10, Elements()),
         [](std::vector<uint8_t>& r) { PutI16(r, 348, -1); }},
        {"area slots -8", TestSymbol::Area(30, 0, Elements()),
         [](std::vector<uint8_t>& r) { PutI16(r, 378, -8); }},
        // The sum of the five counts fits the record; one of them is negative.
        {"line list -2", TestSymbol::Line(20, 0, 35, Elements()),
         [](std::vector<uint8_t>& r) {
             PutI16(r, 414, -2);
             PutI16(r, 416, 2);
         }},
        // The size word says the list is not in the record.
        {"size word short", TestSymbol::Point(10, Elements()),
         [](std::vector<uint8_t>& r) { PutI16(r, 0, 360); }},
        {"size word below a head", TestSymbol::Rect(60),
         [](std::vector<uint8_t>& r) { PutI16(r, 0, 300); }},
        {"unknown type", TestSymbol::Rect(60), [](std::vector<uint8_t>& r) { PutI16(r, 4, 6); }},
        {"factor 0", TestSymbol::Rect(60), [](std::vector<uint8_t>&) {}, 0},
        {"factor -1", TestSymbol::Rect(60), [](std::vector<uint8_t>&) {}, -1},
        {"factor NaN", TestSymbol::Rect(60), [](std::vector<uint8_t>&) {}, std::nan("")},
        {"factor infinite", TestSymbol::Rect(60), [](std::vector<uint8_t>&) {}, HUGE_VAL},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> r = Stored(c.symbol);
        c.damage(r);
        const std::vector<uint8_t> before = r;
        EXPECT_FALSE(zemo::ScaleSymbol(r, c.factor));
        EXPECT_EQ(r, before);
    }
    // Bytes behind the size word belong to no field and stay.
    std::vector<uint8_t> rect = Stored(TestSymbol::Rect(60, 1, 40));
    rect.resize(rect.size() + 8, 0x55);
    ASSERT_TRUE(zemo::ScaleSymbol(rect, 2));
    EXPECT_EQ(GetI16(rect, 350), 80);
    EXPECT_EQ(std::vector<uint8_t>(rect.end() - 8, rect.end()), std::vector<uint8_t>(8, 0x55));
}
