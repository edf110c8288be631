// The area, text, line-text and rectangle editors' records without a dialog: the records built
// back from a working copy read at literal offsets (derived fields, kept words), the extent
// rules, the tab list, weights and the capital height.
#include "EditorRecords.h"
#include "SymbolsFixture.h"
#include "platform/Fonts.h"
#include "symbols/AreaSym.h"
#include "symbols/LTextSym.h"
#include "symbols/RectSym.h"
#include "symbols/TextSym.h"

#include <QRawFont>

#include <cmath>

using namespace zemo;
using namespace zemo::test;

namespace {

const std::vector<int16_t>& Table()
{
    static const std::vector<int16_t> t = [] {
        std::vector<int16_t> v(10000, -1);
        v[10] = 0;
        return v;
    }();
    return t;
}

SymbolBytes Rec(const TestSymbol& s)
{
    const std::vector<uint8_t> r = RecordBytes(s);
    return SymbolBytes(r.begin(), r.end());
}

std::vector<int> Colors(const SymbolBytes& rec)
{
    std::vector<int> v;
    for (int c = 0; c < 256; ++c)
        if (rec.at(20 + size_t(c) / 8) >> (c % 8) & 1)
            v.push_back(c);
    return v;
}

// size x 127 / 36 in whole numbers, halves to the even neighbour.
int Hundredths(int tenthsOfPoint)
{
    const int num = tenthsOfPoint * 127, whole = num / 36, twiceRest = 2 * (num % 36);
    if (twiceRest < 36)
        return whole;
    if (twiceRest > 36)
        return whole + 1;
    return whole % 2 == 0 ? whole : whole + 1;
}

} // namespace

// ---- Area ----

TEST(AreaSymbolModel, ColourSetsFollowFillHatchAndStructure)
{
    struct Case {
        const char* what;
        bool fill;
        int hatch;
        int structure;
        std::vector<int> colors;
    };
    // Fill colour 1, hatch colour 3, structure elements of colour 4.
    const Case cases[] = {
        {"hatch only", false, 1, 0, {3}},
        {"fill and cross hatch", true, 2, 0, {1, 3}},
        {"fill, no hatch", true, 0, 0, {1}},
        {"structure", false, 0, 1, {4}},
        {"structure off keeps no element colour", false, 0, 0, {}},
        {"everything", true, 1, 2, {1, 3, 4}},
    };
    for (const Case& c : cases) {
        TestSymbol s = TestSymbol::Area(301, 1, {TestElement::Dot(4, 50)});
        s.SetI16(350, c.fill ? -1 : 0);
        s.SetI16(354, int16_t(c.hatch));
        s.SetI16(356, 3);
        s.SetI16(368, int16_t(c.structure));
        const SymbolBytes rec = Rec(s);
        const SymbolBytes out = BuildAreaSymbol(OpenAreaSymbol(&rec, 0, Table()));
        EXPECT_EQ(Colors(out), c.colors) << c.what;
        EXPECT_EQ(GetI16(out, 8), 0) << c.what;
    }
}

TEST(AreaSymbolModel, WithoutAStructureTheElementsGoAndTheKeptWordsStay)
{
    TestSymbol s = TestSymbol::Area(301, 2, {TestElement::Dot(4, 50), TestElement::Circle(3, 80)});
    s.SetI16(348, 0x1234);
    s.SetI16(366, 0x2345);
    s.SetI16(376, 0x3456);
    const SymbolBytes rec = Rec(s);
    SymbolEditSession work = OpenAreaSymbol(&rec, 0, Table());
    ASSERT_EQ(work.Lists[0].Slots(), 6);

    const SymbolBytes with = BuildAreaSymbol(work);
    EXPECT_EQ(with, rec);  // nothing changed: stored as it was
    SetSymI16(work.Work, AreaStructMode, StructNone);
    const SymbolBytes without = BuildAreaSymbol(work);
    ASSERT_EQ(without.size(), 380u);
    EXPECT_EQ(GetI16(without, 0), 380);
    EXPECT_EQ(GetI16(without, 378), 0);
    EXPECT_EQ(GetI16(without, 4), 3);
    EXPECT_EQ(without[6], 0);
    for (size_t kept : {348, 366, 376})
        EXPECT_EQ(GetI16(without, kept), GetI16(rec, kept)) << kept;
}

TEST(AreaSymbolModel, EditingTheStructureGivesTheCellASizeAndAGrid)
{
    struct Case {
        int16_t mode, width, height;
        int16_t wantMode, wantWidth, wantHeight;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 100, 100}, {2, 0, 250, 2, 100, 250}, {1, 300, 0, 1, 300, 100}, {2, 1, 1, 2, 1, 1},
    };
    for (const Case& c : cases) {
        SymbolBytes w = NewSymbolRecord(SymbolEditorKind::Area, Table());
        SetSymI16(w, AreaStructMode, c.mode);
        SetSymI16(w, AreaStructWidth, c.width);
        SetSymI16(w, AreaStructHeight, c.height);
        PrepareStructureEdit(w);
        EXPECT_EQ(SymI16(w, AreaStructMode), c.wantMode) << c.mode << " " << c.width << " " << c.height;
        EXPECT_EQ(SymI16(w, AreaStructWidth), c.wantWidth);
        EXPECT_EQ(SymI16(w, AreaStructHeight), c.wantHeight);
    }
}

TEST(AreaSymbolModel, ThePatternCellHasTheFillColoursPlaceAndTheAngle)
{
    SymbolHeaderBlock colors;
    colors.ColorCount = 3;
    colors.Colors[0].Number = 7;
    colors.Colors[1].Number = 2;
    colors.Colors[2].Number = 9;
    SymbolBytes w = NewSymbolRecord(SymbolEditorKind::Area, Table());
    SetSymI16(w, AreaFillOn, -1);
    SetSymI16(w, AreaFillColor, 9);
    SetSymI16(w, AreaStructMode, StructOffset);
    SetSymI16(w, AreaStructWidth, 150);
    SetSymI16(w, AreaStructHeight, 250);
    SetSymI16(w, AreaStructAngle, 900);
    AreaPattern p = AreaPatternOf(w, colors);
    EXPECT_EQ(p.BackgroundColor, 2);
    EXPECT_TRUE(p.OffsetRows);
    EXPECT_EQ(p.Width, 150);
    EXPECT_EQ(p.Height, 250);
    EXPECT_NEAR(p.Sin, 1, 1e-12);
    EXPECT_NEAR(p.Cos, 0, 1e-12);
    // Without fill, or a fill colour the table lacks: no background.
    SetSymI16(w, AreaFillColor, 5);
    EXPECT_EQ(AreaPatternOf(w, colors).BackgroundColor, -1);
    SetSymI16(w, AreaFillColor, 7);
    EXPECT_EQ(AreaPatternOf(w, colors).BackgroundColor, 0);
    SetSymI16(w, AreaFillOn, 0);
    EXPECT_EQ(AreaPatternOf(w, colors).BackgroundColor, -1);
}

// ---- Rectangle ----

TEST(RectSymbolModel, ExtentColoursAndGridFlags)
{
    struct Case {
        int16_t width;
        int16_t color;
        int extent;
        std::vector<int> colors;
    };
    const Case cases[] = {{25, 3, 12 + 8, {3}}, {0, 0, 8, {0}}, {2000, 255, 1008, {255}}, {7, -1, 11, {}}};
    for (const Case& c : cases) {
        TestSymbol s = TestSymbol::Rect(501, c.color, c.width);
        s.SetI16(360, 0x0F0F);
        s.SetI16(362, 0x7070);
        const SymbolBytes rec = Rec(s);
        const SymbolBytes out = BuildRectSymbol(OpenRectSymbol(&rec, 0, Table()));
        ASSERT_EQ(out.size(), 416u);
        EXPECT_EQ(GetI16(out, 8), c.extent) << c.width;
        EXPECT_EQ(Colors(out), c.colors) << c.width;
        EXPECT_EQ(GetI16(out, 360), 0x0F0F);
        EXPECT_EQ(GetI16(out, 362), 0x7070);
        EXPECT_EQ(GetI16(out, 4), 5);
    }
    // The repair after reading leaves the 8 out.
    SymbolBytes repaired = Rec(TestSymbol::Rect(501, 0, 25));
    NormalizeSymbol(repaired);
    EXPECT_EQ(GetI16(repaired, 8), 12);

    EXPECT_EQ(GridFlagsOf(true, true), 7);
    EXPECT_EQ(GridFlagsOf(true, false), 3);
    EXPECT_EQ(GridFlagsOf(false, true), 4);
    EXPECT_EQ(GridFlagsOf(false, false), 0);
    EXPECT_FALSE(RectGridShown(4));
    EXPECT_TRUE(RectFromBottom(4));
    EXPECT_TRUE(RectGridShown(3));
    EXPECT_FALSE(RectFromBottom(3));
}

// ---- Line text ----

TEST(LineTextSymbolModel, ExtentIsTheSizeTimes127Over36RoundedHalfToEven)
{
    EXPECT_EQ(FontSizeToHundredths(120), 423);
    EXPECT_EQ(FontSizeToHundredths(18), 64);    // 63.5
    EXPECT_EQ(FontSizeToHundredths(54), 190);   // 190.5
    EXPECT_EQ(FontSizeToHundredths(-18), -64);
    for (int size = 10; size <= 1280; ++size) {
        SymbolBytes rec = Rec(TestSymbol::LineText(401, "Arial", int16_t(size)));
        SetSymI16(rec, SymExtent, 0);
        SymbolEditSession s = OpenLineTextSymbol(&rec, 0, Table());
        ASSERT_EQ(GetI16(BuildLineTextSymbol(s), 8), Hundredths(size)) << size;
        // The repair after reading sets the same.
        NormalizeSymbol(rec);
        ASSERT_EQ(GetI16(rec, 8), Hundredths(size)) << size;
    }
}

TEST(LineTextSymbolModel, TheFramingColourCountsOnlyWhileFramedAndTheKeptBytesStay)
{
    struct Case {
        uint8_t mode;
        int16_t font, framing;
        std::vector<int> colors;
    };
    const Case cases[] = {{0, 2, 5, {2}}, {1, 2, 5, {2, 5}}, {2, 2, 5, {2, 5}}, {2, -1, 5, {5}}, {1, 3, -2, {3}}};
    for (const Case& c : cases) {
        TestSymbol s = TestSymbol::LineText(401, "Arial", 120, c.font);
        s.flags = 0x5A;
        s.SetU8(394, c.mode);
        s.SetU8(395, 0x77);
        s.SetI16(396, 0x0102);
        for (size_t o = 398; o < 428; ++o)
            s.SetU8(o, uint8_t(o));
        s.SetI16(428, c.framing);
        s.SetI16(432, 0x4321);
        s.SetI16(434, -0x1234);
        const SymbolBytes rec = Rec(s);
        const SymbolBytes out = BuildLineTextSymbol(OpenLineTextSymbol(&rec, 0, Table()));
        ASSERT_EQ(out.size(), 440u);
        EXPECT_EQ(Colors(out), c.colors) << int(c.mode);
        EXPECT_EQ(GetI16(out, 396), 0);
        EXPECT_EQ(out[7], 0x5A);
        EXPECT_EQ(out[6], 1);
        EXPECT_EQ(GetI16(out, 4), 2);
        EXPECT_TRUE(std::equal(out.begin() + 395, out.begin() + 396, rec.begin() + 395));
        EXPECT_TRUE(std::equal(out.begin() + 398, out.begin() + 428, rec.begin() + 398));
        EXPECT_EQ(GetI16(out, 432), 0x4321);
        EXPECT_EQ(GetI16(out, 434), -0x1234);
    }
}

// ---- Text ----

TEST(TextSymbolModel, ColoursExtentAndKeptWords)
{
    TestSymbol s = TestSymbol::Text(401, "Arial", 120, 2);
    s.SetI16(534, 3);   // line below colour, off
    s.SetI16(576, 4);   // framing colour, framing off
    s.SetI16(578, 50);  // 0.50 mm
    s.SetI16(540, 0x1111);
    s.SetI16(580, 0x2222);
    s.SetI16(582, 0x3333);
    s.SetShortString(544, "Old framing font", 31);
    const SymbolBytes rec = Rec(s);
    SymbolEditSession work = OpenTextSymbol(&rec, 0, Table());
    const SymbolBytes plain = BuildTextSymbol(work);
    EXPECT_EQ(Colors(plain), std::vector<int>{2});
    EXPECT_EQ(GetI16(plain, 544), 0);
    for (size_t kept : {540, 580, 582})
        EXPECT_EQ(GetI16(plain, kept), GetI16(rec, kept)) << kept;
    EXPECT_TRUE(std::equal(plain.begin() + 546, plain.begin() + 568, rec.begin() + 546));

    struct Case {
        const char* what;
        int16_t lineBelow;
        uint8_t framing;
        int extentAdded;
        std::vector<int> colors;
    };
    const Case cases[] = {{"line below on", -1, 0, 0, {2, 3}},
                          {"shadow", 0, 1, 0, {2, 4}},
                          {"line framing of 0.50 mm", 0, 2, 100, {2, 4}},
                          {"rectangle", -1, 3, 0, {2, 3, 4}}};
    for (const Case& c : cases) {
        SetSymI16(work.Work, TsLineBelowOn, c.lineBelow);
        SetSymU8(work.Work, TsFramingMode, c.framing);
        const SymbolBytes out = BuildTextSymbol(work);
        EXPECT_EQ(Colors(out), c.colors) << c.what;
        EXPECT_EQ(GetI16(out, 8) - GetI16(plain, 8), c.extentAdded) << c.what;
    }
}

TEST(TextSymbolModel, AThousandPointFontSaturatesTheExtent)
{
    for (int16_t framing : {0, 2000}) {
        TestSymbol s = TestSymbol::Text(401, "Arial", 10000, 0);
        s.SetU8(542, 2);
        s.SetI16(578, framing);
        const SymbolBytes rec = Rec(s);
        const SymbolBytes out = BuildTextSymbol(OpenTextSymbol(&rec, 0, Table()));
        EXPECT_EQ(GetI16(out, 8), 32767) << framing;
    }
}

TEST(TextSymbolModel, TabsGoInAscendingOrderOnceEachUpTo32)
{
    std::vector<int32_t> tabs{1000, 2000};
    EXPECT_TRUE(AddTab(tabs, 1250));
    EXPECT_EQ(tabs, (std::vector<int32_t>{1000, 1250, 2000}));
    EXPECT_FALSE(AddTab(tabs, 1250));
    EXPECT_FALSE(AddTab(tabs, 0));
    EXPECT_TRUE(AddTab(tabs, 500));
    EXPECT_TRUE(AddTab(tabs, 50000));
    EXPECT_EQ(tabs, (std::vector<int32_t>{500, 1000, 1250, 2000, 50000}));
    std::vector<int32_t> full;
    for (int k = 1; k <= 32; ++k)
        ASSERT_TRUE(AddTab(full, 100 * k));
    EXPECT_FALSE(AddTab(full, 50));
    EXPECT_EQ(full.size(), 32u);

    // Stored counts outside 0..32 are taken within it; positions come as stored.
    struct Case {
        int16_t count;
        size_t read;
    };
    for (Case c : {Case{3, 3}, {32, 32}, {33, 32}, {32767, 32}, {-1, 0}, {-32768, 0}}) {
        TestSymbol s = TestSymbol::Text(401);
        s.SetI16(402, c.count);
        for (int k = 0; k < 32; ++k)
            s.SetI32(404 + 4 * size_t(k), 100 * (32 - k));
        const SymbolBytes rec = Rec(s);
        const std::vector<int32_t> read = ReadTabs(rec);
        ASSERT_EQ(read.size(), c.read) << c.count;
        for (size_t k = 0; k < read.size(); ++k)
            EXPECT_EQ(read[k], 100 * (32 - int(k)));
        SymbolBytes back = rec;
        WriteTabs(back, read);
        EXPECT_EQ(GetI16(back, 402), int(c.read));
        for (size_t k = 0; k < 32; ++k)
            EXPECT_EQ(GetI32(back, 404 + 4 * k), k < c.read ? 100 * (32 - int(k)) : 0);
    }
}

TEST(TextSymbolModel, WeightsAboveFiveHundredFiftyShowBoldAndStoreSevenHundred)
{
    for (auto [stored, bold] : {std::pair{600, true}, {551, true}, {550, false}, {400, false}, {1000, true}, {0, false}})
        EXPECT_EQ(ShowsBold(stored), bold) << stored;
    EXPECT_EQ(StoredWeight(true), 700);
    EXPECT_EQ(StoredWeight(false), 400);
}

TEST(TextSymbolModel, TheCapitalHeightIsTheBlackBoxOfAOverTheEm)
{
    for (const char* family : {"Liberation Sans", "DejaVu Serif", "Liberation Mono"}) {
        const ResolvedFont f = FontService::Instance().FindFont(QString::fromLatin1(family), false, false);
        ASSERT_EQ(f.family, QString::fromLatin1(family)) << "needs fonts-liberation2 and fonts-dejavu-core";
        // The ink of "A" by the toolkit's own reading of the file, at a pixel size of the em.
        const QRawFont raw(f.filePath, f.unitsPerEm, QFont::PreferNoHinting);
        const double ink = raw.boundingRect(raw.glyphIndexesForString(QStringLiteral("A")).at(0)).height();
        for (int size : {10, 120, 365, 10000}) {
            const int expected = int(std::nearbyint(size * 254.0 / 72.0 * ink / f.unitsPerEm));
            EXPECT_NEAR(CapitalHeight(QString::fromLatin1(family), size, 400, false), expected, 1) << family << size;
        }
        // A typed height of 3.00 mm sets a size whose capitals are that high.
        const double perTenth = CapitalHeightPerTenth(f);
        const std::optional<int> size = SizeForCapitalHeight(perTenth, 300);
        ASSERT_TRUE(size) << family;
        EXPECT_NEAR(CapitalHeight(QString::fromLatin1(family), *size, 400, false), 300, 1) << family;
    }
    // A face without capitals: no height, and a typed height sets no size.
    ResolvedFont symbol = FontService::Instance().FindFont(QStringLiteral("Liberation Sans"), false, false);
    symbol.symbol = true;
    EXPECT_EQ(CapitalHeightPerTenth(symbol), 0);
    EXPECT_EQ(SizeForCapitalHeight(0, 300), std::nullopt);
    EXPECT_EQ(CapitalHeightPerTenth(ResolvedFont{}), 0);
    // The Windows name measures its substitute.
    EXPECT_EQ(CapitalHeight(QStringLiteral("Arial"), 120, 400, false),
              CapitalHeight(QStringLiteral("Liberation Sans"), 120, 400, false));
}
