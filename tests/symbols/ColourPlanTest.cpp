// Symbols from another map take this map's colours: each colour they use is found by its name,
// or added beside the colours it lay between, never taken for a colour of equal values
// elsewhere in the order; a table without room or a spot colour this map lacks refuses the
// whole lot. Every colour number of every symbol type follows.
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

TEST(ColourPlan, MatchesByNameAndAddsTheRestBetweenTheirNeighbours)
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
    EXPECT_EQ(plan.To[11], 4) << "the same values under another name are another colour";
    EXPECT_EQ(plan.To[7], 1);
    EXPECT_EQ(plan.To[9], 2);
    EXPECT_EQ(plan.To[13], 13) << "no colour there, none here";
    EXPECT_EQ(plan.To[12], -1) << "not used";
    // Brown came after Blue, Green after Brown, Yellow after Green: each goes in after the
    // colour its neighbour became.
    EXPECT_EQ(Numbers(plan.Here), (std::vector<int>{0, 3, 1, 2, 4, 5, 8}));
    EXPECT_EQ(ShortFieldText(plan.Here.Colors[2].Name), "Brown");
    EXPECT_EQ(plan.Here.Colors[2].Cmyk, Brown);
    EXPECT_EQ(ShortFieldText(plan.Here.Colors[4].Name), "Yellow");
    EXPECT_EQ(plan.Added, 3);
    using K = ColourPlan::Kind;
    ASSERT_EQ(plan.Lines.size(), 4u);
    const std::vector<std::tuple<K, int, int>> lines{{K::ValuesDiffer, 5, 3}, {K::Added, 7, 1}, {K::Added, 9, 2},
                                                     {K::Added, 11, 4}};
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

// A colour without a namesake keeps its place among the others: right below the colour above
// it in the source (the nearest one that is here), or right above the one below it when none
// above is here. A black under the browns stays under the browns, not on top with the black
// of equal values.
TEST(ColourPlan, AColourWithoutANamesakeKeepsItsPlaceInTheOrder)
{
    const std::array<uint8_t, 4> Brown50{0, 100, 200, 40}, Brown20{0, 40, 80, 16};
    const SymbolHeaderBlock source = Table({Colour(0, "Black 100%", K100), Colour(6, "Grey", K50),
                                            Colour(1, "Brown 50%", Brown50), Colour(2, "Brown 20%", Brown20),
                                            Colour(3, "Black below light browns", K100), Colour(4, "Purple", Cyan90),
                                            Colour(5, "Blue", Cyan)});
    const SymbolHeaderBlock here = Table({Colour(0, "Black 100%", K100), Colour(1, "Yellow", Yellow),
                                          Colour(7, "Brown 50%", Brown50), Colour(3, "Brown 20%", Brown20),
                                          Colour(4, "Blue", Cyan)});
    const struct Case {
        const char* name;
        std::vector<int> used;
        std::vector<std::pair<int, int>> to;  // source number, number here
        std::vector<int> order;               // numbers here, top first
    } cases[] = {
        {"under the light browns", {3}, {{3, 2}}, {0, 1, 7, 3, 2, 4}},
        {"with the browns and the black it was under", {0, 1, 2, 3}, {{0, 0}, {1, 7}, {2, 3}, {3, 2}},
         {0, 1, 7, 3, 2, 4}},
        // Purple lay below the black under the browns, which is added first.
        {"below a colour added before it", {3, 4}, {{3, 2}, {4, 5}}, {0, 1, 7, 3, 2, 5, 4}},
        // Grey lay between the black and the browns; the black above it is not used but here.
        {"below an unused colour that is here", {6}, {{6, 2}}, {0, 2, 1, 7, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ColorSet used;
        for (int n : c.used)
            used.set(size_t(n));
        const ColourPlan plan = PlanColours(source, here, used);
        ASSERT_FALSE(plan.Refused());
        for (auto [from, to] : c.to)
            EXPECT_EQ(plan.To[size_t(from)], to) << from;
        EXPECT_EQ(Numbers(plan.Here), c.order);
        for (auto [from, to] : c.to) {
            int at = 0;
            while (at < plan.Here.ColorCount && plan.Here.Colors[size_t(at)].Number != to)
                ++at;
            ASSERT_LT(at, plan.Here.ColorCount);
            const ColorRecord* src = nullptr;
            for (int i = 0; i < source.ColorCount; ++i)
                if (source.Colors[size_t(i)].Number == from)
                    src = &source.Colors[size_t(i)];
            EXPECT_EQ(ShortFieldText(plan.Here.Colors[size_t(at)].Name), ShortFieldText(src->Name)) << from;
            EXPECT_EQ(plan.Here.Colors[size_t(at)].Cmyk, src->Cmyk) << from;
        }
    }

    // None above it here: right above the nearest one below it that is.
    const SymbolHeaderBlock below = Table({Colour(9, "Spruce", Green), Colour(8, "Purple", Cyan90),
                                           Colour(1, "Brown 50%", Brown50)});
    const ColourPlan above = PlanColours(below, here, Used({8}));
    EXPECT_EQ(Numbers(above.Here), (std::vector<int>{0, 1, 2, 7, 3, 4}));
    EXPECT_EQ(above.To[8], 2);
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
