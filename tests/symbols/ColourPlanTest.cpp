// Symbols from another map take this map's colours: each colour they use is found by name and
// values, or added beside the colours it lay between; a table without room or a spot colour
// this map lacks refuses the whole lot. Every colour number of every symbol type follows.
#include "../support/TestMapWriter.h"
#include "core/LangTexts.h"
#include "symbols/store/ColourNumbers.h"

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

ColorRecord Colour(uint16_t number, const std::string& name, std::array<uint8_t, 4> cmyk)
{
    ColorRecord c;
    c.Number = number;
    c.Cmyk = cmyk;
    SetShortFieldText(c.Name, name);
    c.Separations.fill(255);
    return c;
}

SymbolHeaderBlock Table(std::initializer_list<ColorRecord> colours)
{
    SymbolHeaderBlock b;
    for (const ColorRecord& c : colours)
        b.Colors[size_t(b.ColorCount++)] = c;
    return b;
}

std::vector<int> Numbers(const SymbolHeaderBlock& b)
{
    std::vector<int> out;
    for (int i = 0; i < b.ColorCount; ++i)
        out.push_back(b.Colors[size_t(i)].Number);
    return out;
}

ColorSet Used(std::initializer_list<int> numbers)
{
    ColorSet s;
    for (int n : numbers)
        s.set(size_t(n));
    return s;
}

SymbolBytes RecordOf(const TestSymbol& s)
{
    TestMapWriter w(8);
    w.symbols.push_back(s);
    TestMapLayout l;
    const auto b = w.Build(&l);
    const size_t pos = size_t(l.symbolRecords[0]);
    return SymbolBytes(b.begin() + long(pos), b.begin() + long(pos + s.Size()));
}

int16_t I16(const SymbolBytes& r, size_t at)
{
    return int16_t(r[at] | r[at + 1] << 8);
}

const std::array<uint8_t, 4> K100{0, 0, 0, 200}, K50{0, 0, 0, 100}, Cyan{200, 0, 0, 0}, Cyan90{180, 0, 0, 0},
    Brown{0, 100, 200, 40}, Green{150, 0, 200, 0}, Yellow{0, 0, 200, 0};

TEST(ColourPlan, MatchesByNameThenValuesAndAddsTheRestBetweenTheirNeighbours)
{
    const SymbolHeaderBlock source = Table({Colour(0, "Black", K100), Colour(5, "Blue", Cyan), Colour(7, "Brown", Brown),
                                            Colour(9, "Green", Green), Colour(11, "Yellow", Yellow),
                                            Colour(12, "Unused", Cyan90)});
    const SymbolHeaderBlock here = Table({Colour(0, "black ", K100), Colour(3, "BLUE", Cyan90), Colour(5, "Grey", K50),
                                          Colour(8, "Gelb", Yellow)});
    // 13 has no colour in the source.
    const ColourPlan plan = PlanColours(source, here, Used({0, 5, 7, 9, 11, 13}));
    ASSERT_FALSE(plan.Refused());
    EXPECT_EQ(plan.To[0], 0) << "name and values";
    EXPECT_EQ(plan.To[5], 3) << "the name, never the number";
    EXPECT_EQ(plan.To[11], 8) << "the values under another name";
    EXPECT_EQ(plan.To[7], 1);
    EXPECT_EQ(plan.To[9], 2);
    EXPECT_EQ(plan.To[13], 13) << "no colour there, none here";
    EXPECT_EQ(plan.To[12], -1) << "not used";
    // Brown came after Blue, Green after Brown: each goes in after the colour its neighbour became.
    EXPECT_EQ(Numbers(plan.Here), (std::vector<int>{0, 3, 1, 2, 5, 8}));
    EXPECT_EQ(ShortFieldText(plan.Here.Colors[2].Name), "Brown");
    EXPECT_EQ(plan.Here.Colors[2].Cmyk, Brown);
    EXPECT_EQ(plan.Added, 2);
    using K = ColourPlan::Kind;
    ASSERT_EQ(plan.Lines.size(), 4u);
    const std::vector<std::tuple<K, int, int>> lines{{K::ValuesDiffer, 5, 3}, {K::OtherName, 11, 8}, {K::Added, 7, 1},
                                                     {K::Added, 9, 2}};
    for (size_t k = 0; k < lines.size(); ++k)
        EXPECT_EQ(std::tuple(plan.Lines[k].kind, plan.Lines[k].from, plan.Lines[k].to), lines[k]) << k;

    // The same table: every colour itself, nothing to say; of two alike the same number wins.
    const SymbolHeaderBlock twins = Table({Colour(0, "Black", K100), Colour(9, "Black", K100)});
    const ColourPlan same = PlanColours(twins, twins, Used({0, 9}));
    EXPECT_EQ(same.To[0], 0);
    EXPECT_EQ(same.To[9], 9);
    EXPECT_TRUE(same.Lines.empty());
    EXPECT_EQ(Numbers(same.Here), (std::vector<int>{0, 9}));

    // A number the source has no colour for but this map has is moved to a free one; the first
    // added colour with no neighbour before it goes first.
    const ColourPlan undefined = PlanColours(Table({Colour(4, "Red", Cyan)}), Table({Colour(0, "Black", K100),
                                                                                     Colour(1, "Grey", K50)}),
                                             Used({1, 4}));
    EXPECT_EQ(undefined.To[4], 2);
    EXPECT_EQ(undefined.To[1], 3);
    EXPECT_EQ(Numbers(undefined.Here), (std::vector<int>{2, 0, 1}));
}

TEST(ColourPlan, NoRoomOrAMissingSpotColourRefusesEverything)
{
    SymbolHeaderBlock full;
    for (int n = 0; n < MaxColors; ++n)
        full.Colors[size_t(full.ColorCount++)] = Colour(uint16_t(n), "C" + std::to_string(n), K50);
    const SymbolHeaderBlock source = Table({Colour(3, "C3", K50), Colour(7, "New", Cyan)});
    EXPECT_FALSE(PlanColours(source, full, Used({3})).Refused()) << "a match needs no room";
    const ColourPlan noRoom = PlanColours(source, full, Used({3, 7}));
    EXPECT_EQ(noRoom.Why, ColourPlan::Refusal::TableFull);
    // One colour missing is said in the singular.
    ASSERT_TRUE(LoadTexts());
    EXPECT_EQ(PlanColours(source, full, Used({3, 7})).WhyText,
              QStringLiteral("They need 1 colour this map does not have, and its colour table has room for 0 more."));
    const SymbolHeaderBlock two = Table({Colour(7, "New", Cyan), Colour(8, "Newer", Yellow)});
    EXPECT_EQ(PlanColours(two, full, Used({7, 8})).WhyText,
              QStringLiteral("They need 2 colours this map does not have, and its colour table has room for 0 more."));

    SymbolHeaderBlock spot = Table({Colour(7, "Gold ink", Yellow)});
    spot.SeparationCount = 2;
    SetShortFieldText(spot.Separations[0].Name, "Blue");
    SetShortFieldText(spot.Separations[1].Name, "Gold");
    spot.Colors[0].Separations[1] = 200;
    spot.Colors[0].Separations[0] = 201;  // above 200: not printed there
    const SymbolHeaderBlock none = Table({Colour(0, "Black", K100)});
    EXPECT_EQ(PlanColours(spot, none, Used({7})).Why, ColourPlan::Refusal::SeparationMissing);
    // Where this map has the spot colour, under another case and place, the percentage moves to it.
    SymbolHeaderBlock gold = none;
    gold.SeparationCount = 1;
    SetShortFieldText(gold.Separations[0].Name, "GOLD");
    gold.Colors[0].Separations[0] = 255;
    const ColourPlan taken = PlanColours(spot, gold, Used({7}));
    ASSERT_FALSE(taken.Refused());
    ASSERT_EQ(taken.Here.ColorCount, 2);
    EXPECT_EQ(ShortFieldText(taken.Here.Colors[0].Name), "Gold ink") << "no colour before it in the source: first";
    EXPECT_EQ(taken.Here.Colors[0].Separations[0], 200);
    EXPECT_EQ(taken.Here.Colors[0].Separations[1], 255);
    // Printed in the spot colour, a colour of the same name and CMYK here that is not, differs.
    SymbolHeaderBlock plain = gold;
    plain.Colors[0] = Colour(2, "Gold ink", Yellow);
    plain.Colors[0].Separations.fill(255);
    const ColourPlan differs = PlanColours(spot, plain, Used({7}));
    ASSERT_EQ(differs.Lines.size(), 1u);
    EXPECT_EQ(differs.Lines[0].kind, ColourPlan::Kind::ValuesDiffer);
}

TEST(ColourPlan, EveryColourFieldOfEverySymbolTypeFollows)
{
    ColourPlan plan;
    for (int n = 0; n < MaxColors; ++n)
        plan.To[size_t(n)] = int16_t((n + 100) % MaxColors);
    plan.To[50] = -1;  // not planned: stays

    TestSymbol line = TestSymbol::Line(1010, 1, 35, {TestElement::Dot(2, 60), TestElement::Circle(3, 80)});
    line.SetI16(374, 1);   // double line: fill, left and right colours with widths
    line.SetI16(378, 4);
    line.SetI16(380, 5);
    line.SetI16(382, 50);
    line.SetI16(384, 100);
    line.SetI16(386, 10);
    line.SetI16(388, 10);
    line.SetI16(406, 7);   // framing colour and width
    line.SetI16(408, 20);
    TestSymbol area = TestSymbol::Area(1020, 8, {TestElement::Dot(9, 40)});
    area.SetI16(354, 1);
    area.SetI16(356, 10);
    area.SetI16(368, 1);
    TestSymbol text = TestSymbol::Text(1030, "Arial", 120, 11);
    text.SetI16(534, 12);
    text.SetI16(576, 13);
    TestSymbol lineText = TestSymbol::LineText(1040, "Arial", 120, 14);
    lineText.SetI16(428, 15);
    const struct {
        TestSymbol s;
        std::vector<std::pair<size_t, int>> fields;  // offset, colour before
    } cases[] = {
        {TestSymbol::Point(1000, {TestElement::Dot(20, 50), TestElement::Polyline(21, 10, {{0, 0}, {256, 256}})}),
         {{352 + 4, 20}, {352 + 24 + 4, 21}}},
        {line, {{348, 1}, {378, 4}, {380, 5}, {382, 50}, {406, 7}, {424 + 4, 2}, {424 + 24 + 4, 3}}},
        {area, {{352, 8}, {356, 10}, {380 + 4, 9}}},
        {text, {{380, 11}, {534, 12}, {576, 13}}},
        {lineText, {{380, 14}, {428, 15}}},
        {TestSymbol::Rect(1050, 16), {{348, 16}}},
    };
    for (const auto& c : cases) {
        SymbolBytes rec = RecordOf(c.s);
        for (auto [at, colour] : c.fields)
            ASSERT_EQ(I16(rec, at), colour) << c.s.number10 << " at " << at;
        const ColorSet before = SymColors(rec);
        MapSymbolColours(rec, plan);
        ColorSet expected;
        for (int n = 0; n < MaxColors; ++n)
            if (before.test(size_t(n)))
                expected.set(size_t(n == 50 ? 50 : (n + 100) % MaxColors));
        for (auto [at, colour] : c.fields)
            EXPECT_EQ(I16(rec, at), colour == 50 ? 50 : colour + 100) << c.s.number10 << " at " << at;
        EXPECT_EQ(SymColors(rec), expected) << c.s.number10;
        EXPECT_GT(before.count(), 0u) << c.s.number10;
    }
}

} // namespace
