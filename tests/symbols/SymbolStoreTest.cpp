// The symbol store: repairs and derived fields of records, numbering, and the symbol index
// chain in the working file.
#include "SymbolsFixture.h"
#include "symbols/store/Ports.h"

using namespace zemo;
using namespace zemo::test;

namespace {

SymbolBytes RecordOf(const TestSymbol& s)
{
    TestMapWriter w(8);
    w.symbols.push_back(s);
    TestMapLayout l;
    const auto b = w.Build(&l);
    const size_t pos = size_t(l.symbolRecords[0]);
    return SymbolBytes(b.begin() + long(pos), b.begin() + long(pos + s.Size()));
}

SymbolBytes PointRecord(int16_t number, const std::vector<TestElement>& elements = {})
{
    return RecordOf(TestSymbol::Point(number, elements));
}

// The store alone on the written file.
class SymbolStoreTest : public SymbolsTest {
protected:
    void Open(const TestMapWriter& w)
    {
        ASSERT_TRUE(w.WriteTo(path, &layout));
        store.reset(); // the file's lock goes with it
    store = OpenStore();
    }
    std::vector<int> Numbers() const { return NumbersOf(*store); }

    std::unique_ptr<SymbolStore> store;
};

} // namespace

TEST(SymbolRecords, ElementListExtentAndColours)
{
    TestElement circle = TestElement::Circle(3, 200, 10);
    circle.cords = {{100 * 256, 0}};
    auto list = ElementListBytes({circle});
    EXPECT_EQ(ElementListExtent(list, 3), 200);  // 1 mm from the origin + 1 mm radius
    TestElement line = TestElement::Polyline(7, 31, {{0, 0}, {300 * 256, 400 * 256}});
    list = ElementListBytes({circle, line});
    EXPECT_EQ(ElementListExtent(list, 7), 515);  // 500 + 31 / 2
    const ColorSet c = ElementListColors(list, 7);
    EXPECT_TRUE(c.test(3));
    EXPECT_TRUE(c.test(7));
    EXPECT_EQ(c.count(), 2u);
    // The second element runs past a list of 6 slots: only the first counts.
    EXPECT_EQ(ElementListExtent(list, 6), 200);
    EXPECT_EQ(ElementListColors(list, 6).count(), 1u);
    // A negative count ends the list; slots beyond the bytes are not read.
    line.cordCount = uint16_t(-1);
    list = ElementListBytes({line, circle});
    EXPECT_EQ(ElementListExtent(list, 7), 0);
    EXPECT_EQ(ElementListExtent(std::span(list).first(16), 1000), 0);
    EXPECT_EQ(ElementListExtent({}, 0), 0);
}

TEST(SymbolRecords, NormalizeInsertsTheMissingWordOfOldPointAndLineRecords)
{
    SymbolBytes p = PointRecord(10, {TestElement::Dot(4, 50)});
    // An old point record lacks the word at 350: its elements start at 350.
    p.erase(p.begin() + 350, p.begin() + 352);
    SetSymI16(p, SymSize, int16_t(p.size()));
    SetSymI32(p, SymFilePos, 30000);
    SetSymI16(p, SymExtent, 999);
    NormalizeSymbol(p);
    EXPECT_EQ(p.size() % 4, 0u);
    EXPECT_EQ(SymI16(p, SymSize), int16_t(p.size()));
    EXPECT_EQ(SymI16(p, 350), 0);
    EXPECT_EQ(SymI16(p, 352), 4);  // the dot element's kind, back at its place
    EXPECT_EQ(SymI32(p, SymFilePos), 0);
    EXPECT_EQ(SymI16(p, SymExtent), 25);
    EXPECT_TRUE(SymColors(p).test(4));

    SymbolBytes l = RecordOf(TestSymbol::Line(20, 1, 35));
    l.resize(422);
    SetSymI16(l, SymSize, 422);
    NormalizeSymbol(l);
    EXPECT_EQ(l.size(), 424u);
    EXPECT_EQ(SymI16(l, SymExtent), 17);

    // Other odd sizes are padded at the end.
    SymbolBytes a = RecordOf(TestSymbol::Area(30, 2));
    a.resize(381);
    SetSymI16(a, SymSize, 381);
    NormalizeSymbol(a);
    EXPECT_EQ(a.size(), 384u);
}

TEST(SymbolRecords, NormalizeRepairsLineFieldsAndElementFlags)
{
    TestElement e = TestElement::Polyline(2, 20, {{0 | 1, 0 | 2}, {256 * 10 | 2, 256 * 10 | 3}, {256 * 20 | 1, 256 * 20 | 8}});
    TestSymbol s = TestSymbol::Line(20, 300, 3000, {e});  // colour and width out of range
    s.SetI16(362, -5);
    s.SetI16(368, 2);
    s.SetI16(370, 9);
    SymbolBytes r = RecordOf(s);
    NormalizeSymbol(r);
    EXPECT_EQ(SymI16(r, 348), 0);
    EXPECT_EQ(SymI16(r, 350), 0);
    EXPECT_EQ(SymI16(r, 362), 0);
    EXPECT_EQ(SymI16(r, 368), 0);
    EXPECT_EQ(SymI16(r, 370), 0);
    const size_t c0 = 424 + 16;
    EXPECT_EQ(SymI32(r, c0), 0);             // first Cord: no flags
    EXPECT_EQ(SymI32(r, c0 + 4), 0);
    EXPECT_EQ(SymI32(r, c0 + 8), 256 * 10 | 2);   // inner Cord of a line: HoleFlag only goes
    EXPECT_EQ(SymI32(r, c0 + 12), 256 * 10 | 1);
    EXPECT_EQ(SymI32(r, c0 + 16), 256 * 20);      // last Cord: no flags
    EXPECT_EQ(SymI32(r, c0 + 20), 256 * 20);
    // Width 0: no main colour; the list gives colour 2 and the extent.
    EXPECT_FALSE(SymColors(r).test(0));
    EXPECT_TRUE(SymColors(r).test(2));
    EXPECT_EQ(SymI16(r, SymExtent), 38);  // round(|(20, 20)|) + 20 / 2
}

TEST(SymbolRecords, DerivedFieldsByType)
{
    // Double line: 0.35 mm main, 1.00 mm between side lines of 0.10 mm.
    TestSymbol line = TestSymbol::Line(20, 1, 35);
    line.SetI16(374, 1);
    line.SetI16(378, 5);
    line.SetI16(384, 100);
    line.SetI16(386, 10);
    line.SetI16(388, 10);
    line.SetI16(380, 6);
    line.SetI16(382, 7);
    SymbolBytes r = RecordOf(line);
    NormalizeSymbol(r);
    EXPECT_EQ(SymI16(r, SymExtent), 60);
    for (int c : {1, 5, 6, 7})
        EXPECT_TRUE(SymColors(r).test(size_t(c))) << c;

    TestSymbol area = TestSymbol::Area(30, 2, {TestElement::Dot(9, 40)});
    area.SetI16(350, 0);  // fill off
    area.SetI16(354, 1);
    area.SetI16(356, 4);
    area.SetI16(368, 1);
    r = RecordOf(area);
    NormalizeSymbol(r);
    EXPECT_EQ(SymI16(r, SymExtent), 0);
    EXPECT_FALSE(SymColors(r).test(2));
    EXPECT_TRUE(SymColors(r).test(4));
    EXPECT_TRUE(SymColors(r).test(9));

    r = RecordOf(TestSymbol::LineText(50, "Arial", 120, 1));
    SetSymU8(r, 394, 1);
    SetSymI16(r, 396, 7);
    NormalizeSymbol(r);
    EXPECT_EQ(SymI16(r, SymExtent), 423);  // 12 pt
    EXPECT_EQ(SymU8(r, 394), 2);
    EXPECT_EQ(SymI16(r, 396), 0);

    r = RecordOf(TestSymbol::Text(40, "Arial", 100, 0));
    SetSymU8(r, 542, 1);
    SetSymI16(r, 544, 3);
    SetSymI16(r, 578, 50);
    SymbolStorePorts().TextSymbolHeight.Bind([](std::span<const uint8_t>) { return 400; });
    NormalizeSymbol(r);
    SymbolStorePorts().TextSymbolHeight.Unbind();
    EXPECT_EQ(SymU8(r, 542), 2);
    EXPECT_EQ(SymI16(r, 544), 0);
    EXPECT_EQ(SymI16(r, SymExtent), 400 + 100);  // line framing of 0.50 mm adds 100

    r = RecordOf(TestSymbol::Rect(60, 0, 25));
    NormalizeSymbol(r);
    EXPECT_EQ(SymI16(r, SymExtent), 12);
}

TEST_F(SymbolStoreTest, ReadsTheChainAndNumbersFreeSymbols)
{
    Open(Numbered({1010, 1011, 1012, 1013, 9999, 5}));
    ASSERT_EQ(store->SymbolCount(), 6);
    // A copy keeps its number when free, else takes the next free one above, wrapping at 999.9.
    SymbolBytes copy = store->Symbols[0];
    ASSERT_TRUE(store->AppendSymbolRecord(copy));
    store->AssignFreeSymbolNumber(6);
    EXPECT_EQ(SymI16(store->Symbols[6], SymNumber), 1014);
    SetSymI16(copy, SymNumber, 9999);
    ASSERT_TRUE(store->AppendSymbolRecord(copy));
    store->AssignFreeSymbolNumber(7);
    EXPECT_EQ(SymI16(store->Symbols[7], SymNumber), 1);
    SetSymI16(copy, SymNumber, 20000 / 2);  // 1000.0 is clamped to 999.9, taken, wraps
    ASSERT_TRUE(store->AppendSymbolRecord(copy));
    store->AssignFreeSymbolNumber(8);
    EXPECT_EQ(SymI16(store->Symbols[8], SymNumber), 2);
    EXPECT_EQ(store->NumberTable[2], 8);
}

TEST_F(SymbolStoreTest, AddNewSymbolAppendsRecordAndRewritesIndex)
{
    Open(Numbered({10, 20}));
    const size_t end = FileBytes().size();
    SymbolBytes rec = store->Symbols[0];
    SetSymU8(rec, SymSelected, 1);
    SetSymU8(rec, SymStatus, 2 | SymbolUsedBit);
    EXPECT_EQ(store->AddNewSymbol(rec), 11);
    const auto b = FileBytes();
    EXPECT_EQ(SymI32(store->Symbols[2], SymFilePos), int32_t(end));
    EXPECT_EQ(GetI16(b, end + 2), 11);
    EXPECT_EQ(b[end + 10], 0);   // selected is memory only
    EXPECT_EQ(b[end + 11], 0);   // status cleared for a new symbol
    EXPECT_EQ(GetI32(b, layout.SymbolSlotPos(2)), int32_t(end));
    EXPECT_EQ(GetI32(b, layout.SymbolSlotPos(1)), layout.symbolRecords[1]);
    EXPECT_EQ(store->NumberTable[11], 2);
    EXPECT_EQ(store->Modified, 1);
}

TEST_F(SymbolStoreTest, InsertSymbolGoesBehindThePositionWithTheTableFollowing)
{
    Open(Numbered({10, 20, 30}));
    SymbolBytes rec = store->Symbols[1];
    EXPECT_EQ(store->InsertSymbol(rec, 1), 21);
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 21, 30}));
    EXPECT_EQ(store->NumberTable[30], 3);
    EXPECT_EQ(store->InsertSymbol(rec, 4), 0);
    store->WriteSymbolIndex();
    const auto b = FileBytes();
    EXPECT_EQ(GetI32(b, layout.SymbolSlotPos(2)), SymI32(store->Symbols[2], SymFilePos));
    EXPECT_EQ(GetI32(b, layout.SymbolSlotPos(3)), layout.symbolRecords[2]);
}

TEST_F(SymbolStoreTest, FindOrAddMatchesTheNearestEqualSymbol)
{
    Open(Numbered({100, 115, 130}));
    SymbolBytes rec = store->Symbols[1];
    SetSymI16(rec, SymNumber, 121);
    EXPECT_EQ(store->FindOrAddSymbol(rec, -1), 115);  // 6 from 115, 9 from 130
    SetSymI16(rec, SymNumber, 160);
    EXPECT_EQ(store->FindOrAddSymbol(rec, -1), 160);  // nothing within 20: added
    EXPECT_EQ(store->SymbolCount(), 4);
    SetSymI16(rec, SymNumber, 118);
    rec[SymCsRole] = 1;                               // differs in a compared byte
    EXPECT_EQ(store->FindOrAddSymbol(rec, 0), 118);
    EXPECT_EQ(Numbers(), (std::vector<int>{100, 118, 115, 130, 160}));
}

TEST_F(SymbolStoreTest, OverwriteMovesAGrownRecordAndKeepsAShrunkOne)
{
    Open(Numbered({10, 20}));
    SymbolBytes rec = PointRecord(10, {TestElement::Dot(1, 30)});
    const size_t end = FileBytes().size();
    store->OverwriteSymbol(rec, 0);
    EXPECT_EQ(SymI32(store->Symbols[0], SymFilePos), int32_t(end));
    EXPECT_EQ(GetI32(FileBytes(), layout.SymbolSlotPos(0)), int32_t(end));
    store->OverwriteSymbol(PointRecord(10), 0);
    EXPECT_EQ(SymI32(store->Symbols[0], SymFilePos), int32_t(end));
    EXPECT_EQ(store->Symbols[0].size(), 352u);
}

TEST_F(SymbolStoreTest, IndexOf300SymbolsThenFewerKeepsTheChainLinked)
{
    TestMapWriter w(8);
    for (int i = 1; i <= 300; ++i)
        w.symbols.push_back(TestSymbol::Point(int16_t(i)));
    Open(w);
    ASSERT_EQ(store->SymbolCount(), 300);
    ASSERT_EQ(layout.symbolBlocks.size(), 2u);
    // Rewritten whole: the last slot of the first block and the first of the second too.
    store->WriteSymbolIndex();
    const auto all = FileBytes();
    for (size_t k = 0; k < 300; ++k)
        ASSERT_EQ(GetI32(all, layout.SymbolSlotPos(k)), SymI32(store->Symbols[k], SymFilePos)) << k;
    store->Symbols.erase(store->Symbols.begin() + 100, store->Symbols.begin() + 200);
    store->WriteSymbolIndex();
    const auto b = FileBytes();
    const size_t b0 = size_t(layout.symbolBlocks[0]), b1 = size_t(layout.symbolBlocks[1]);
    EXPECT_EQ(GetI32(b, 8), int32_t(b0));
    EXPECT_EQ(size_t(GetI32(b, b0)), b1);  // still linked
    for (size_t k = 0; k < 200; ++k)
        EXPECT_EQ(GetI32(b, b0 + 4 + 4 * k), SymI32(store->Symbols[k], SymFilePos));
    for (size_t k = 200; k < 256; ++k)
        EXPECT_EQ(GetI32(b, b0 + 4 + 4 * k), 0);
    for (size_t k = 0; k < 256; ++k)
        ASSERT_EQ(GetI32(b, b1 + 4 + 4 * k), 0);
    EXPECT_EQ(store->NumberTable[150], -1);
    EXPECT_EQ(store->NumberTable[250], 149);

    // Reading again gives the 200 in order.
    const std::vector<int> kept = Numbers();
    store.reset(); // the file's lock goes with it
    store = OpenStore();
    EXPECT_EQ(Numbers(), kept);
}

TEST_F(SymbolStoreTest, CyclicOrBadChainsAreRepairedByTheIndexRewrite)
{
    TestMapWriter w = Numbered({10});
    w.symbolChainEnd = ChainEnd::ToSelf;
    Open(w);
    ASSERT_EQ(store->SymbolCount(), 1);
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(store->AppendSymbolRecord(store->Symbols[0]));
        SetSymI32(store->Symbols.back(), SymFilePos, 0);  // each copy gets a record of its own
    }
    store->WriteSymbolIndex();  // the self link is not followed again: a new block is made
    const auto b = FileBytes();
    const size_t b0 = size_t(layout.symbolBlocks[0]);
    const size_t b1 = size_t(GetI32(b, b0));
    EXPECT_NE(b1, b0);
    EXPECT_EQ(GetI32(b, b1), 0);
    store.reset(); // the file's lock goes with it
    store = OpenStore();
    EXPECT_EQ(store->SymbolCount(), 301);
}

TEST_F(SymbolStoreTest, RecordsOverTheSetupOrNamedTwiceAreSkipped)
{
    // Where the records of a sound map lie, then the same map with two slots lying.
    TestMapLayout sound;
    ASSERT_TRUE(Numbered({10, 20, 30}).WriteTo((path + ".sound"), &sound));
    TestMapWriter w = Numbered({10, 20, 30});
    // Symbol 20 inside the setup record (rewritten in place on every open), symbol 30 naming
    // the record of symbol 10 a second time.
    w.symbols[1].indexPosition = FilePos::At(sound.setupPos + 100);
    w.symbols[2].indexPosition = FilePos::At(sound.symbolRecords[0]);
    Open(w);
    ASSERT_EQ(layout.setupPos, sound.setupPos);
    ASSERT_EQ(store->SymbolCount(), 1);
    EXPECT_EQ(SymI16(store->Symbols[0], SymNumber), 10);
    EXPECT_EQ(SymI32(store->Symbols[0], SymFilePos), sound.symbolRecords[0]);
}
