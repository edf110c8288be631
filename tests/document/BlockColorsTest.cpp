// The colours each object index block records at a load, from a table of the symbols' colour sets made once.
#include "DocumentFixture.h"

namespace zemo::test {
namespace {

TEST_F(DocTest, BlockColoursAreThoseOfTheSymbolsOfTheirLiveObjects)
{
    TestMapWriter w;
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(3, "Blue", 200, 0, 0, 0),
                TestColor::Cmyk(7, "Brown", 0, 100, 200, 40), TestColor::Cmyk(9, "Green", 150, 0, 180, 0)};
    w.symbols = {TestSymbol::Line(10, 3), TestSymbol::Line(20, 7), TestSymbol::Area(30, 9)};
    w.symbols[2].AddColor(7);  // an area of two colours
    // Block 0: symbols 2 and 3, and one object of symbol 1. Block 1: a deleted object of symbol 3
    // and an object whose symbol is not defined (drawn with the default symbol, colour 0 here). Block 2: symbol 2.
    for (int i = 0; i < 256; ++i) {
        w.objects.push_back(TestObject::Line(i == 100 ? 10 : i % 2 ? 20 : 30, {{i, 0}, {i, 100}}));
    }
    TestObject gone = TestObject::Line(30, {{0, 0}, {5, 5}});
    gone.deleted = true;
    w.objects.push_back(gone);
    w.objects.push_back(TestObject::Line(990, {{0, 0}, {5, 5}}));
    for (int i = 2; i < 256; ++i)
        w.objects.push_back(TestObject::EmptySlot());
    w.objects.push_back(TestObject::Line(20, {{0, 0}, {5, 5}}));
    Open(w);

    const auto colours = [](std::initializer_list<int> list) {
        ColorSet s;
        for (int c : list)
            s.set(size_t(c));
        return s;
    };
    ASSERT_EQ(Z().ObjectBlocks.size(), 3u);
    const ColorSet want[] = {colours({3, 7, 9}), colours({0}), colours({7})};
    for (size_t b = 0; b < 3; ++b)
        EXPECT_EQ(Z().ObjectBlocks[b]->Colors, want[b]) << "block " << b;
    EXPECT_EQ(Z().UsedColors, colours({0, 3, 7, 9}));
    // A scan by colour finds the blocks through them.
    EXPECT_EQ(Scan(AllMap, 0), std::vector<int>{258});

    // Read again from the file: the same.
    ReindexFromFile();
    for (size_t b = 0; b < 3; ++b)
        EXPECT_EQ(Z().ObjectBlocks[b]->Colors, want[b]) << "block " << b << " read again";
}

} // namespace
} // namespace zemo::test
