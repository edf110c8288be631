// Version-3 and 4 maps opened by converting them onto the standard set zemo4.sym: symbol
// numbers, generated symbols, colour classes, old texts, the setup and the symbols it
// adjusts, read back from the converted map; the ".elt" and ".idx" pair; the whole road.
#include "DocumentFixture.h"

#include "../support/OldMapWriter.h"
#include "../support/TestMapReader.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "document/Convert4.h"
#include "document/Convert5.h"
#include "symbols/store/IconCodec.h"

#include <QDir>
#include <QFile>

namespace zemo::test {
namespace {

constexpr int32_t U = 256;
constexpr int32_t V72 = 127 * U, V144 = 254 * U;

class Convert4 : public DocTest {
protected:
    bool OpenV4(const Version4Writer& w, const QString& name = "old4.zmd")
    {
        file = WriteBytes(w.Build(), name);
        return Reread(OpenMapByName(file));
    }
    bool Reread(bool opened)
    {
        if (opened)
            map = ReadMapFile(QFile::encodeName(Z().WorkFile.FileName()).toStdString());
        return opened;
    }
    const std::vector<uint8_t>& Sym(int16_t number10)
    {
        const ReadSymbol* s = map.Symbol(number10);
        static const std::vector<uint8_t> none;
        EXPECT_NE(s, nullptr) << "symbol " << number10;
        return s ? s->bytes : none;
    }
    const ReadColor* Colour(uint16_t number) const
    {
        for (const ReadColor& c : map.colors)
            if (c.number == number)
                return &c;
        return nullptr;
    }
    QString file;
    ReadMap map;
};

// ---- Colour classes and old texts ----

TEST(Convert4Rules, ColourClassesTakeTheirBitsInOrder)
{
    const struct {
        uint8_t bits, byte7;
        int k, colour;
    } rows[] = {
        {0x01, 0, 1, 0},  {0x01, 0, 2, 19}, {0x01, 0, 3, 1},  {0x02, 0, 1, 2},  {0x04, 0, 2, 7},
        {0x20, 0, 3, 18}, {0x40, 0, 1, 4},  {0x80, 0, 2, 23}, {0x00, 0x40, 1, 9}, {0xFF, 0x40, 3, 16},
        {0xFF, 0, 1, 22}, {0x63, 0, 1, 4},  {0x27, 0, 2, 17}, {0x07, 0, 3, 8},  {0x03, 0, 1, 2},
        {0x00, 0, 1, 0},  {0x80, 0, 0, 0},  {0x80, 0, 4, 0},  {0x08, 0, 1, 0},
    };
    for (const auto& r : rows) {
        std::vector<uint8_t> rec(16, 0);
        rec[6] = r.bits;
        rec[7] = r.byte7;
        EXPECT_EQ(ColorOfObject(rec, r.k), r.colour) << int(r.bits) << " " << int(r.byte7) << " " << r.k;
    }
    EXPECT_EQ(ColorOfTable(14, 2), 10);
    EXPECT_EQ(ColorOfTable(3, 1), 0);
    EXPECT_EQ(ColorOfTable(5, 0), 0);
    EXPECT_EQ(Version4Length(1), 2);
    EXPECT_EQ(Version4Length(-1), -2);
    EXPECT_EQ(Version4Length(72), 127);
}

TEST(Convert4Rules, OemTextsBecomeCodePage1252WithTheOldOverrides)
{
    const struct {
        std::string oem, ansi;
    } rows[] = {
        {"\xE6\x9B\xD6", "S\xF8\xCD"},
        {"\xE7\xE9\xEC\xED\xE0", "s\xDA\xFD\xDD\xD3"},
        {"\xA7\xA6\x9D\xB5", "zZ\xD8\xC1"},
        {"\x81\x94\x84", "\xFC\xF6\xE4"},  // the ordinary OEM letters
        {"Hill", "Hill"},
        {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(OemTextToAnsi(r.oem), r.ansi) << r.oem;
}

// ---- The standard set ----

TEST_F(Convert4, TheStandardSetLoadsWithEveryNamedSymbolAtItsSize)
{
    Open(TestMapWriter(8));
    ASSERT_TRUE(LoadSymbolFile(StandardSymbolFile()));
    const SymbolHeaderBlock& cb = Z().ColorBlock;
    for (int c = 0; c <= 24; ++c)
        EXPECT_TRUE(ColourDefined(cb, c)) << c;
    const struct {
        int number10, type;
        size_t minSize;
    } rows[] = {
        {1010, 2, 424}, {1020, 2, 424}, {1030, 2, 424}, {2010, 2, 424}, {2020, 3, 380}, {2030, 2, 424},
        {2080, 2, 424}, {2120, 3, 380}, {3010, 3, 380}, {3011, 2, 424}, {3020, 3, 380}, {3050, 2, 424},
        {3060, 2, 424}, {3100, 3, 380}, {3110, 3, 408}, {4010, 3, 380}, {4030, 3, 380}, {4060, 3, 380},
        {4080, 3, 380}, {4100, 3, 380}, {4140, 2, 424}, {5040, 2, 424}, {5050, 2, 424}, {5060, 2, 424},
        {5070, 2, 424}, {5080, 2, 424}, {5300, 3, 380}, {5380, 1, 353}, {5390, 1, 353}, {5400, 1, 353},
        {5410, 1, 353}, {5420, 1, 353}, {6011, 2, 424},
    };
    for (const auto& r : rows) {
        SymbolBytes* s = nullptr;
        ASSERT_TRUE(GetSymbol(int16_t(r.number10), s)) << r.number10;
        EXPECT_EQ(SymI16(*s, SymObjectType), r.type) << r.number10;
        EXPECT_GE(s->size(), r.minSize) << r.number10;
        EXPECT_TRUE(SymbolUsable(*s, cb)) << r.number10;
    }
    // The adjustments that ask for exactly 424 bytes find them.
    SymbolBytes* s = nullptr;
    ASSERT_TRUE(GetSymbol(1010, s));
    EXPECT_EQ(s->size(), 424u);
    ASSERT_TRUE(GetSymbol(1030, s));
    EXPECT_EQ(s->size(), 424u);
}

// ---- Objects ----

OldObject V4Line(int16_t old, std::vector<OldEntry> entries = {Pt(0, 0), Pt(72, 72)})
{
    return OldObject::Line(old, std::move(entries));
}

TEST_F(Convert4, SymbolNumbersAnglesAndStandardSymbols)
{
    Version4Writer w;
    const struct {
        int16_t old;
        uint8_t type;
        int16_t angle;
        int16_t symbol;
        int16_t storedAngle;
    } rows[] = {
        {1403, 1, 45, 4031, 0}, {25, 1, 45, 250, 0},   {1121, 1, 0, 1211, 0},   {1112, 1, 30, 1121, 300},
        {1406, 1, 90, 4061, 0}, {609, 1, -45, 6090, -450}, {1103, 2, 0, 1030, 0}, {1031, 2, 0, 311, 0},
        {2208, 2, 0, 2080, 0},  {2082, 2, 0, 822, 0},   {301, 3, 0, 3020, 0},    {1301, 3, 0, 3010, 0},
    };
    for (const auto& r : rows) {
        OldObject o = OldObject::Point(r.old, 72, 144);
        o.type = r.type;
        o.angle = r.angle;
        if (r.type != 1)
            o.entries.push_back(Pt(0, 0));
        w.objects.push_back(o);
    }
    ASSERT_TRUE(OpenV4(w));
    ASSERT_EQ(map.objects.size(), std::size(rows));
    for (size_t k = 0; k < std::size(rows); ++k) {
        EXPECT_EQ(map.objects[k].symbol, rows[k].symbol) << rows[k].old;
        EXPECT_EQ(map.objects[k].angle, rows[k].storedAngle) << rows[k].old;
    }
    EXPECT_EQ(map.objects[0].cords[0].x, V72);
    EXPECT_EQ(map.objects[0].cords[0].y, V144);
    EXPECT_TRUE(map.Sound()) << map.Problems();
}

TEST_F(Convert4, AreasAndLinesOfColourClasses)
{
    Version4Writer w;
    const auto area = [](int16_t old, uint8_t bits, uint8_t byte7 = 0) {
        OldObject o = OldObject::Area(old, {Pt(0, 0), Pt(72, 0), Pt(0, 72)});
        o.classBits = bits;
        o.byte7 = byte7;
        return o;
    };
    const auto line = [](int16_t old, uint8_t bits) {
        OldObject o = V4Line(old);
        o.classBits = bits;
        return o;
    };
    w.objects = {
        area(63, 0, 0x40),     // 630, class 14 shade 2: colour 10 -> 403.0
        area(63, 0x40),        // class 6 shade 2: colour 5 -> 530.0
        area(64, 0x40),        // 640, shade 1: colour 4 -> 780.4
        area(62, 0x40),        // 620, shade 3: colour 21 -> 780.21
        area(64, 0x40),        // colour 4 again: the same symbol
        area(63, 0x80, 0x40),  // class 14 first: colour 10 -> 403.0
        area(64, 0, 0x40),     // colour 9 -> 401.0
        area(5062, 0x40),      // 625, between the kinds: c = 0 -> 202.0
        area(625, 0x40),       // 6250 is not an area kind: unchanged
        line(51, 0x02),        // 510, colour 2: 760.2 -> 306.0
        line(52, 0x01),        // 520, colour 0: 764.0 -> 301.1
        line(53, 0x04),        // 530, colour 6: a line 768.6 of width 0.25
        line(54, 0x80),        // 540, colour 22: 774.2 of width 0.35
        line(1051, 0x01),      // 511: number and width 0
    };
    ASSERT_TRUE(OpenV4(w));
    ASSERT_EQ(map.objects.size(), 14u);
    const int16_t want[] = {4030, 5300, 7804, 7821, 7804, 4030, 4010, 2020, 6250, 3060, 3011, 7686, 7742};
    for (size_t k = 0; k < std::size(want); ++k)
        EXPECT_EQ(map.objects[k].symbol, want[k]) << k;
    const std::vector<uint8_t>& a4 = Sym(7804);
    ASSERT_EQ(a4.size(), 380u);
    EXPECT_EQ(GetI16(a4, 350), -1);
    EXPECT_EQ(GetI16(a4, 352), 4);
    EXPECT_EQ(ShortFieldText(std::span<const uint8_t>(a4).subspan(52, 32)), Text(TextKey::Area).toStdString());
    EXPECT_EQ(GetI16(Sym(7821), 352), 21);
    const std::vector<uint8_t>& l6 = Sym(7686);
    ASSERT_EQ(l6.size(), 424u);
    EXPECT_EQ(GetI16(l6, 348), 6);
    EXPECT_EQ(GetI16(l6, 350), 25);
    EXPECT_EQ(GetI16(Sym(7742), 350), 35);
    // The line of number 0 got a free number and no width.
    const int16_t free = map.objects[13].symbol;
    EXPECT_GT(free, 0);
    EXPECT_EQ(GetI16(Sym(free), 350), 0);
    // Each generated symbol got the icon of its kind.
    QImage icon;
    DecodeIconField(std::span<const uint8_t>(a4).subspan(84, 264), false, icon);
    EXPECT_NE(icon.pixel(10, 10), qRgb(255, 255, 255));
    int colours4 = 0;
    for (const ReadSymbol& s : map.symbols)
        colours4 += s.number10 == 7804;
    EXPECT_EQ(colours4, 1);
}

TEST_F(Convert4, TextsRectanglesDoubleLinesAndCornerMarkers)
{
    Version4Writer w;
    // A 20-entry text: the points, its fields, then the characters of entries 17 to 20.
    OldObject text = OldObject::Area(40, {Pt(0, 0), Pt(0, -72), Pt(144, -72), Pt(144, 72), Pt(0, 72)});
    text.type = 4;
    text.strings = {"\xE6\x9B", "\xD6y"};
    text.words = {{32, 1}, {34, 12}, {36, 72}, {38, 144}, {40, 2}, {42, 3}, {46, 72}, {48, 1}, {50, 14}, {90, 0}};
    text.nField = 20;
    text.angle = 0;
    w.objects.push_back(text);
    // Without the line below: a text, its angle in tenths.
    OldObject turned = text;
    turned.angle = 30;
    turned.words.push_back({40, 1});
    w.objects.push_back(turned);
    // A frame of width class 5 with its own width and the shade of its class from +26.
    OldObject frame = OldObject::Line(70, {Pt(0, 0), Pt(144, 72)});
    frame.type = 5;
    frame.classBits = 0x04;
    frame.angle = 10;
    frame.words = {{20, 5}, {22, 36}, {26, 2}, {28, 72}};
    w.objects.push_back(frame);
    OldObject punch = OldObject::Line(75, {Pt(0, 0), Pt(1440, 720)});
    punch.type = 5;
    punch.classBits = 0x01;
    punch.words = {{20, 3}, {22, 0}};
    w.objects.push_back(punch);
    OldObject river = V4Line(304);
    river.word10 = 72;
    w.objects.push_back(river);
    w.objects.push_back(V4Line(106, {Pt(0, 0), CornerMark(), Pt(72, 0), CornerMark(), Pt(144, 0), CornerMark()}));
    ASSERT_TRUE(OpenV4(w));
    ASSERT_EQ(map.objects.size(), 6u);
    const ReadObject upright = map.objects[1];
    EXPECT_EQ(upright.type, 4);
    EXPECT_EQ(upright.angle, 300);
    EXPECT_EQ(upright.cords.size(), 5u);
    EXPECT_EQ(upright.Text8(), "S\xF8\xCDy");
    map.objects.erase(map.objects.begin() + 1);
    const ReadObject& t = map.objects[0];
    // Its symbol draws a line below: a frame of four points (measured by the least of the
    // font port here).
    EXPECT_EQ(t.symbol, 8100);
    EXPECT_EQ(t.type, 5);
    EXPECT_EQ(t.cords.size(), 4u);
    EXPECT_EQ(t.Text8(), "S\xF8\xCDy");
    const std::vector<uint8_t>& ts = Sym(8100);
    ASSERT_EQ(ts.size(), 588u);
    EXPECT_EQ(ShortFieldText(std::span<const uint8_t>(ts).subspan(348, 32)), "Arial");
    EXPECT_EQ(ShortFieldText(std::span<const uint8_t>(ts).subspan(52, 32)),
              Text(TextKey::Text).toStdString() + " 12pt");
    // Size 120, normal weight, colour of class 1, a tab of L4(144), a line below of class 3
    // width 0.25 in colour of class 14, 127 - 12 from the text, paragraph space from L4(72).
    const int16_t para = int16_t(127 - 508 - 25 - 115);
    for (const auto& [at, v] : std::vector<std::pair<size_t, int16_t>>{
             {382, 120}, {384, 400}, {380, 2}, {402, 1}, {532, -1}, {534, 9}, {536, 25}, {538, 115},
             {390, 100}, {394, 120}, {396, para}})
        EXPECT_EQ(GetI16(ts, at), v) << at;
    EXPECT_EQ(GetI32(ts, 404), 254);

    const ReadObject& f = map.objects[1];
    EXPECT_EQ(f.symbol, 8600);
    EXPECT_EQ(f.angle, 0);
    ASSERT_EQ(f.cords.size(), 4u);
    EXPECT_EQ(f.cords[1].x, V144);
    EXPECT_EQ(f.cords[1].y, 0);
    EXPECT_EQ(f.cords[2].y, V72);
    EXPECT_EQ(f.cords[3].x, 0);
    const std::vector<uint8_t>& fs = Sym(8600);
    EXPECT_EQ(GetI16(fs, 348), 7);   // class 2, shade 2
    EXPECT_EQ(GetI16(fs, 350), 64);  // L4(36)
    EXPECT_EQ(GetI16(fs, 352), 127);

    const std::vector<uint8_t>& ps = Sym(8900);
    EXPECT_EQ(map.objects[2].symbol, 8900);
    EXPECT_EQ(GetI16(ps, 348), 0);
    EXPECT_EQ(GetI16(ps, 350), 13);
    EXPECT_EQ(GetI16(ps, 354), 3);
    EXPECT_EQ(GetI16(ps, 356), 847);   // L4(480)
    EXPECT_EQ(GetI16(ps, 358), 1800);  // no rows

    const std::vector<uint8_t>& rs = Sym(3040);
    EXPECT_EQ(map.objects[3].symbol, 3040);
    for (const auto& [at, v] : std::vector<std::pair<size_t, int16_t>>{
             {374, 1}, {376, 1}, {378, 2}, {380, 0}, {382, 0}, {384, 127}, {386, 18}, {388, 18}})
        EXPECT_EQ(GetI16(rs, at), v) << at;

    // Only the last corner marker stays; it marks nothing after it.
    const ReadObject& c = map.objects[4];
    ASSERT_EQ(c.cords.size(), 3u);
    EXPECT_EQ(c.cords[1].y, 0);
    EXPECT_EQ(c.cords[2].y, 0);
    EXPECT_TRUE(map.Sound()) << map.Problems();
}

// ---- Setup and the adjusted symbols ----

TEST_F(Convert4, SetupFieldsAndColour15)
{
    const struct {
        int16_t zoomClass;
        double zoom;
        int32_t x, y;
    } zooms[] = {{0, 0.5, V72, V144}, {1, 1, V72, V144}, {2, 4, V72 + V144, V144 + V72}, {3, 16, V72 + V144 + V72, V144 + V72 + V72}};
    for (const auto& z : zooms) {
        Version4Writer w;
        OldSetup347& s = w.setup;
        for (const auto& [at, v] : std::vector<std::pair<size_t, int16_t>>{
                 {8, z.zoomClass}, {10, 72}, {12, 144}, {14, 144}, {16, 72}, {18, 72}, {20, 72},
                 {170, 144}, {172, 72}, {174, 72}, {176, 144}, {184, 2}, {278, 2}, {182, 2}, {270, 4}, {286, 3}})
            s.I16(at, v);
        s.Real(337, 10000);
        ASSERT_TRUE(OpenV4(w));
        const SetupRecord& r = Z().Setup;
        EXPECT_EQ(r.Zoom, z.zoom);
        EXPECT_EQ(r.ViewCenterX, z.x);
        EXPECT_EQ(r.ViewCenterY, z.y);
        EXPECT_EQ(r.PrintRange, (CordRect{V144 - V72, V72 - V144, V144 + V72, V72 + V144}));
        EXPECT_TRUE(r.PrintGrid);
        EXPECT_NEAR(r.PaperGridDistance, 50.0 / 3.0, 1e-9);
        EXPECT_EQ(r.MapScale, 10000);
        EXPECT_NEAR(r.PrintScale, 10000 / 1.5, 1e-6);
        // Colour 15 takes colour 4's CMYK and is printed in separation 2.
        const ReadColor* c15 = Colour(15);
        const ReadColor* c4 = Colour(4);
        ASSERT_TRUE(c15 && c4);
        EXPECT_EQ(c15->cmyk, c4->cmyk);
        for (int i = 0; i < Z().ColorBlock.ColorCount; ++i)
            if (Z().ColorBlock.Colors[size_t(i)].Number == 15)
                EXPECT_EQ(Z().ColorBlock.Colors[size_t(i)].Separations[2], 100);
        CloseAllDocuments();
    }
    // A scale out of range is 1:15000; colour 15 without colour.
    Version4Writer w;
    w.setup.Real(337, 0.5);
    w.setup.I16(286, 1);
    ASSERT_TRUE(OpenV4(w));
    EXPECT_EQ(Z().Setup.MapScale, 15000);
    ASSERT_NE(Colour(15), nullptr);
    EXPECT_EQ(Colour(15)->cmyk, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(Convert4, EveryAdjustmentRowAndTheScaling)
{
    // Each row: the setup switch, the symbol and the field it sets.
    Version4Writer w;
    for (const auto& [at, v] : std::vector<std::pair<size_t, int16_t>>{{288, 2}, {345, 2}, {343, 8}, {290, 2}})
        w.setup.I16(at, v);
    ASSERT_TRUE(OpenV4(w));
    const struct {
        int16_t number10;
        size_t at;
        int16_t value;
    } rows[] = {
        {5060, 350, 18}, {5040, 350, 25}, {5050, 350, 25}, {5070, 350, 13}, {5080, 350, 13},
        {3100, 358, 9},  {3100, 360, 23}, {3110, 370, 90}, {3110, 372, 35}, {3110, 386, 9},
        {1010, 350, 14}, {1030, 350, 14}, {2010, 360, 35}, {2030, 360, 35},
    };
    for (const auto& r : rows)
        EXPECT_EQ(GetI16(Sym(r.number10), r.at), r.value) << r.number10 << " +" << r.at;
    EXPECT_EQ(GetI32(Sym(3110), 396), -8192);
    EXPECT_EQ(GetI32(Sym(3110), 404), 8192);
    for (int16_t n : {5380, 5390, 5400, 5410, 5420}) {
        const std::vector<uint8_t>& p = Sym(n);
        EXPECT_EQ(GetI16(p, 358), 13) << n;
    }
    EXPECT_EQ(GetI16(Sym(5390), 358 + 8 * 4), 13);
    CloseAllDocuments();

    // Without the switches nothing changes.
    Version4Writer plain;
    ASSERT_TRUE(OpenV4(plain, "plain.zmd"));
    EXPECT_EQ(GetI16(Sym(5060), 350), 25);
    EXPECT_EQ(GetI16(Sym(1010), 350), 13);
    EXPECT_EQ(GetI16(Sym(3110), 370), 100);
    const int16_t road = GetI16(Sym(5040), 350), marsh = GetI16(Sym(3100), 360);
    const int16_t tower = GetI16(Sym(5380), 358);
    CloseAllDocuments();

    // Symbol size classes 2 and 3: points, lines and areas grow by 1.5 and 1.25.
    for (const auto& [sizeClass, factor] : std::vector<std::pair<int16_t, double>>{{2, 1.5}, {3, 1.25}}) {
        Version4Writer big;
        big.setup.I16(162, sizeClass);
        ASSERT_TRUE(OpenV4(big, "big.zmd"));
        EXPECT_EQ(GetI16(Sym(5040), 350), int16_t(std::nearbyint(road * factor))) << factor;
        EXPECT_EQ(GetI16(Sym(3100), 360), int16_t(std::nearbyint(marsh * factor))) << factor;
        EXPECT_EQ(GetI16(Sym(5380), 358), int16_t(std::nearbyint(tower * factor))) << factor;
        CloseAllDocuments();
    }
}

TEST_F(Convert4, ShortRecordsAndOtherTypesAreNotAdjusted)
{
    // A map whose own symbols stand in for the loaded set: 101.0 longer than 424 bytes,
    // 311.0 without its structure, 506.0 and 201.0 line texts, 310.0 a point.
    TestMapWriter m(8);
    m.symbols = {TestSymbol::Line(1010, 0, 20, {TestElement::Dot(0, 50)}), TestSymbol::Area(3110),
                 TestSymbol::LineText(5060), TestSymbol::LineText(2010), TestSymbol::Point(3100)};
    Open(m);
    std::vector<uint8_t> old(347, 0);
    PutI16(old, 343, 5);
    PutI16(old, 345, 2);
    PutI16(old, 288, 2);
    PutI16(old, 290, 2);
    PutI16(old, 270, 4);
    PutReal48(old, 337, 12000);
    const std::vector<SymbolBytes> before = Z().Symbols;
    ConvertVersion4Setup(old);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(Z().Symbols[i], before[i]) << i;
    EXPECT_EQ(Z().Setup.MapScale, 12000);
    EXPECT_EQ(Z().Setup.TemplateScaleX, 4000);
    EXPECT_EQ(Z().Setup.TemplateScaleY, 4000);
}

// ---- Version 3 ----

TEST_F(Convert4, Version3PairsOpenByTheirEltFile)
{
    Version3Writer w;
    w.objects = {OldObject::Point(1403, 72, 72), V4Line(1031)};
    w.setup.I16(8, 1);
    const auto [elt, idx] = w.Build();
    const QString eltPath = WriteBytes(elt, "MAP.ELT");
    WriteBytes(idx, "MAP.IDX");
    ASSERT_TRUE(Reread(OpenMapByName(eltPath)));
    EXPECT_EQ(map.objects.size(), 2u);
    EXPECT_EQ(map.objects[0].symbol, 4031);
    EXPECT_EQ(Z().Setup.Zoom, 1);
    EXPECT_TRUE(map.Sound()) << map.Problems();
    CloseAllDocuments();

    // The index in another letter case.
    const QString mixed = WriteBytes(elt, "forest.elt");
    WriteBytes(idx, "Forest.IDX");
    EXPECT_TRUE(OpenMapByName(mixed));
    CloseAllDocuments();

    const struct {
        const char* what;
        QString elt, idx;
        uint16_t word;
        TextKey message;
    } refusals[] = {
        {"no index", "alone.elt", "", 221, TextKey::FileNotFound},
        {"index without 221", "bad.elt", "bad.idx", 222, TextKey::FormatNotCorr},
        {"another extension", "other.map", "other.idx", 221, TextKey::FormatNotCorr},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        Version3Writer v = w;
        v.idxWord = r.word;
        const auto [e, i] = v.Build();
        const QString path = WriteBytes(e, r.elt);
        if (!r.idx.isEmpty())
            WriteBytes(i, r.idx);
        messages.Clear();
        EXPECT_FALSE(OpenMapByName(path));
        EXPECT_EQ(messages.Last().key, r.message);
        EXPECT_TRUE(WorkingCopies().isEmpty());
        EXPECT_TRUE(Opening.OpenDocuments.empty());
    }
}

// ---- Damage ----

TEST_F(Convert4, CountsAndPositionsOfVersion4AreChecked)
{
    const struct {
        const char* what;
        std::function<void(Version4Writer&)> damage;
        bool opens;
    } rows[] = {
        {"a count whose index overflows", [](Version4Writer& w) { w.countField = 0x7FFFFFFF; }, false},
        {"a count past the end", [](Version4Writer& w) { w.countField = 1 << 20; }, false},
        {"a negative count", [](Version4Writer& w) { w.countField = -1; }, false},
        {"no count", [](Version4Writer& w) { w.countField = 0; }, false},
        {"a record position near 2^31", [](Version4Writer& w) { w.objects[0].posField = 0x7FFFFFFE; }, true},
        {"a length past 2003", [](Version4Writer& w) { w.objects[0].lenField = 2004; }, true},
        {"n beyond the record", [](Version4Writer& w) { w.objects[0].nField = 100; }, true},
        {"a text past its record", [](Version4Writer& w) {
             OldObject t = OldObject::Area(40, {Pt(0, 0), Pt(0, 0), Pt(9, 0), Pt(9, 9), Pt(0, 9)});
             t.type = 4;
             t.strings = {std::string(40, 'x')};
             t.nField = 27;
             w.objects.push_back(t);
         }, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Version4Writer w;
        w.objects = {V4Line(2082), OldObject::Point(1403, 1, 1)};
        r.damage(w);
        messages.Clear();
        const bool opened = OpenV4(w, "damaged4.zmd");
        EXPECT_EQ(opened, r.opens);
        if (opened)
            EXPECT_TRUE(map.Sound()) << map.Problems();
        else
            EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
        CloseAllDocuments();
        EXPECT_TRUE(WorkingCopies().isEmpty());
    }
}

// The question says so: a converted map is saved under a new name, never over its old file.
TEST_F(Convert4, ConvertedMapsAreSavedUnderANewName)
{
    Version4Writer w4;
    w4.objects = {OldObject::Point(1403, 72, 72)};
    Version3Writer w3;
    w3.objects = w4.objects;
    const auto [elt, idx] = w3.Build();
    WriteBytes(idx, "keep3.idx");
    const QString paths[] = {WriteBytes(w4.Build(), "keep4.zmd"), WriteBytes(elt, "keep3.elt")};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const std::vector<uint8_t> before = ReadAll(path);
        ASSERT_TRUE(OpenMapByName(path));
        EXPECT_TRUE(DocumentPath(Index.ActiveZmd).isEmpty());
        EXPECT_EQ(Z().Modified, 1);
        dialogs.QueueAnswer(false);
        EXPECT_FALSE(SaveMap(false));
        const QString saved = path + ".new.zmd";
        dialogs.QueueAnswer(true, saved);
        ASSERT_TRUE(SaveMap(false));
        EXPECT_EQ(ReadAll(path), before);
        EXPECT_EQ(ReadMapFile(QFile::encodeName(saved).toStdString()).header.version, 8);
        EXPECT_EQ(DocumentPath(Index.ActiveZmd), saved);
        CloseAllDocuments();
    }
}

// ---- The whole road ----

TEST_F(Convert4, BothVersionsOpenSaveAndReloadEqual)
{
    Version4Writer w4;
    for (int16_t k = 0; k < 20; ++k) {
        OldObject o = V4Line(k % 2 ? 2082 : 51, {Pt(k, 0), Pt(72, k), CornerMark(), Pt(144, 0)});
        o.classBits = uint8_t(1 << (k % 3));
        w4.objects.push_back(o);
    }
    w4.objects.push_back(OldObject::Area(64, {Pt(0, 0), Pt(72, 0), Pt(0, 72)}));
    w4.setup.I16(162, 2);
    Version3Writer w3;
    w3.objects = w4.objects;
    const auto [elt, idx] = w3.Build();
    WriteBytes(idx, "road3.idx");
    const QString paths[] = {WriteBytes(w4.Build(), "road4.zmd"), WriteBytes(elt, "road3.elt")};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const std::vector<uint8_t> before = ReadAll(path);
        ASSERT_TRUE(OpenMapByName(path));
        const QString saved = path + ".zmd";
        dialogs.QueueAnswer(true, saved);
        ASSERT_TRUE(SaveMap(true));
        const ReadMap first = ReadMapFile(QFile::encodeName(saved).toStdString());
        EXPECT_TRUE(first.Sound()) << first.Problems();
        EXPECT_EQ(first.objects.size(), 21u);
        CloseAllDocuments();
        EXPECT_EQ(ReadAll(path), before);
        ASSERT_TRUE(OpenMapByName(saved));
        ASSERT_TRUE(SaveMap(false));
        CloseAllDocuments();
        const ReadMap second = ReadMapFile(QFile::encodeName(saved).toStdString());
        ASSERT_EQ(second.objects.size(), first.objects.size());
        for (size_t k = 0; k < first.objects.size(); ++k) {
            EXPECT_EQ(second.objects[k].symbol, first.objects[k].symbol);
            ASSERT_EQ(second.objects[k].cords.size(), first.objects[k].cords.size());
            for (size_t j = 0; j < first.objects[k].cords.size(); ++j)
                EXPECT_EQ(second.objects[k].cords[j].x, first.objects[k].cords[j].x);
        }
        ASSERT_EQ(second.symbols.size(), first.symbols.size());
        for (size_t k = 0; k < first.symbols.size(); ++k)
            EXPECT_EQ(second.symbols[k].bytes, first.symbols[k].bytes) << k;
        const QString samples = DataFolder() + QStringLiteral("samples/");
        QDir().mkpath(samples);
        const QString sample = samples + (path.endsWith(".elt") ? "converted-version3.zmd" : "converted-version4.zmd");
        QFile::remove(sample);
        EXPECT_TRUE(QFile::copy(saved, sample));
    }
    // Esc in the object pass: nothing opens, no working copy stays.
    int polls = 0;
    CorePorts().PumpKeyMessages.Bind([&] {
        if (++polls == 3)
            AbortRequested = true;
    });
    EXPECT_FALSE(OpenMapByName(paths[0]));
    CorePorts().PumpKeyMessages.Unbind();
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_TRUE(Opening.OpenDocuments.empty());
}

} // namespace
} // namespace zemo::test
