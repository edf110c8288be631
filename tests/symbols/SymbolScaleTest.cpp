// Scaling a symbol record: which fields of each type change, how they round, and records too
// short for their own counts left alone. Expected records are the originals patched at
// literal offsets.
#include "../support/TestMapWriter.h"
#include "symbols/store/SymbolScale.h"

#include <gtest/gtest.h>

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
             PutI16(r, 8, 226);  // 226.5 -> 226
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
             PutI16(r, 8, 226);
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
             PutI16(r, 8, 46);     // 46.5 -> 46
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
    // 16-bit lengths stop at 32767 and -32764.
    TestSymbol big = TestSymbol::Line(10, 0, 20000);
    big.SetI16(392, -30000);
    std::vector<uint8_t> rec = Stored(big);
    EXPECT_TRUE(zemo::ScaleSymbol(rec, 2));
    EXPECT_EQ(GetI16(rec, 350), 32767);
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
