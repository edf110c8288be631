// The colours each object index block records at a load, from a table of the symbols' colour sets made once.
#include "DocumentFixture.h"

namespace zemo::test {
namespace {

TEST_F(DocTest, BlockColoursAreThoseOfTheSymbolsOfTheirLiveObjects)
{
    TestMapWriter w = ColouredSymbolsMap();  // the area has two colours
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

// Each block's rectangle is the union of its live objects' rectangles alone, its count theirs;
// a delete shrinks it. A list collected by colour finds what the index scan finds, also where
// one symbol runs on over a block's end into a block that lacks one of its colours.
TEST_F(DocTest, BlockRectanglesAndColourListsFollowTheirLiveObjects)
{
    TestMapWriter w = ColouredSymbolsMap();  // the area has two colours
    const auto object = [](int16_t symbol, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        TestObject o = TestObject::Line(symbol, {{x1, y1}, {x2, y2}});
        o.bounds = TestRect{x1, y1, x2, y2};
        return o;
    };
    // Block 0: symbol 10, the widest one deleted, then a run of symbol 30 that goes on into
    // block 1; block 1 ends with symbol 20. Block 2 holds deleted objects only.
    for (int i = 0; i < 256; ++i) {
        TestObject o = i < 200 ? object(10, i * 1000, -i * 500, i * 1000 + 700, 300)
                               : object(30, -i * 100, 5000, -i * 100 + 50, 6000 + i);
        o.deleted = i == 7;
        if (i == 7)
            o.bounds = TestRect{-9000000, -9000000, 9000000, 9000000};
        w.objects.push_back(o);
    }
    for (int i = 0; i < 256; ++i)
        w.objects.push_back(i < 40 ? object(30, i, i, i + 10, i + 20) : object(20, 7 * i, -3 * i, 7 * i + 5, 0));
    for (int i = 0; i < 256; ++i) {
        TestObject o = object(10, 1, 2, 3, 4);
        o.deleted = true;
        w.objects.push_back(o);
    }
    Open(w);
    ASSERT_EQ(Z().ObjectBlocks.size(), 3u);

    // What each block must hold, from the entries as loaded.
    const auto expectSummaries = [&](const char* when) {
        for (size_t b = 0; b < Z().ObjectBlocks.size(); ++b) {
            const ObjectIndexBlock& block = *Z().ObjectBlocks[b];
            int live = 0;
            CordRect u{};
            for (const ObjectIndexEntry& e : block.Entries) {
                if (!EntryLive(e))
                    continue;
                u = live++ == 0 ? e.Rect
                                : CordRect{std::min(u.x1, e.Rect.x1), std::min(u.y1, e.Rect.y1),
                                           std::max(u.x2, e.Rect.x2), std::max(u.y2, e.Rect.y2)};
            }
            EXPECT_EQ(block.LiveCount, live) << when << " block " << b;
            if (live > 0)
                EXPECT_EQ(block.Summary, u) << when << " block " << b;
        }
    };
    expectSummaries("loaded");
    EXPECT_EQ(Z().ObjectBlocks[0]->LiveCount, 255);
    EXPECT_EQ(Z().ObjectBlocks[0]->Summary, (CordRect{-25500, -99500, 199700, 6255}));
    EXPECT_EQ(Z().ObjectBlocks[2]->LiveCount, 0);

    // The object that reaches furthest right and down goes: the block shrinks to the rest.
    DeleteElement(200);
    EXPECT_EQ(Z().ObjectBlocks[0]->Summary, (CordRect{-25500, -99000, 198700, 6255}));
    expectSummaries("after a delete");

    ElementsInRect list;
    for (const CordRect& r : {AllMap, CordRect{-21000, 0, 30, 6100}, CordRect{0, -1000, 2000, 100}}) {
        ASSERT_TRUE(CollectElementsInRect(r, list));
        EXPECT_EQ(list.numbers, Scan(r));
        for (const int colour : {0, 3, 7, 9}) {
            std::vector<int> listed;
            list.at = 0;
            while (NextListedElement(list, colour))
                listed.push_back(Index.CurIndexNo);
            EXPECT_EQ(listed, Scan(r, colour)) << "colour " << colour;
        }
    }
    // Colour 9 is symbol 30's alone: listed in blocks 0 and 1, not past the run's end.
    ASSERT_TRUE(CollectElementsInRect(AllMap, list));
    EXPECT_EQ(list.byColour[9].size(), 56u + 40u);
    EXPECT_EQ(list.byColour[9].back(), 296);
}

} // namespace
} // namespace zemo::test
