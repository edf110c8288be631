// Damaged map files end in a clean failure message or in skipped entries, never in a crash, a
// hang or a read outside the file.
#include "MapStoreFixture.h"

#include "core/Errors.h"
#include "core/LangTexts.h"

using namespace zemo;
using namespace zemo::test;

namespace {

// Touches everything a loaded map offers: every object read, a full scan, every string.
void Exercise()
{
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        ReadElement(n, Index.DrawElement);
    StartElementScan(0);
    int guard = 0;
    while (NextElementInRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit}, -1))
        ASSERT_LT(++guard, 1 << 20);
    for (int s = 0; s < int(z.StringBlocks.size()) * 256; ++s)
        ReadPString(s);
    CordRect r;
    GetMapExtent(r);
}

} // namespace

TEST_F(MapStoreTest, EverySeedFileLoadsOrFailsCleanly)
{
    for (const auto& [name, bytes] : MapSeedFiles()) {
        SCOPED_TRACE(name);
        messages.Clear();
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        try {
            OpenFile();
            Exercise();
        } catch (const EAbort&) {
            EXPECT_GE(messages.Count(), 1) << "an abort must follow a message";
        }
        Close();
    }
}

TEST_F(MapStoreTest, CyclicChainsAreReadOnce)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.symbolChainEnd = ChainEnd::ToFirst;
    w.objectChainEnd = ChainEnd::ToSelf;
    w.stringChainEnd = ChainEnd::ToFirst;
    Open(w);
    EXPECT_EQ(Z().SymbolCount(), 8);
    EXPECT_EQ(Z().BlockCount(), 1);
    EXPECT_EQ(Z().HighestObject, 9);
    EXPECT_EQ(Z().StringBlocks.size(), 1u);
    EXPECT_EQ(Z().Courses.Count(), 1);
    EXPECT_FALSE(Z().Skipped.Any()) << "a cycle loses nothing";
}

TEST_F(MapStoreTest, LongCyclicObjectChainStopsAtTheFirstRepeat)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(10));
    for (int i = 0; i < 700; ++i)
        w.objects.push_back(TestObject::Point(10, 0, 0));
    w.objectChainEnd = ChainEnd::ToFirst;
    Open(w);
    EXPECT_EQ(Z().BlockCount(), 3);
    EXPECT_EQ(Z().HighestObject, 700);
}

TEST_F(MapStoreTest, BadChainEndsEndTheChain)
{
    for (ChainEnd end : {ChainEnd::Negative, ChainEnd::PastEnd, ChainEnd::IntoFixed}) {
        TestMapWriter w = TestMapWriter::Sample(8);
        w.symbolChainEnd = w.objectChainEnd = w.stringChainEnd = end;
        Open(w);
        EXPECT_EQ(Z().SymbolCount(), 8);
        EXPECT_EQ(Z().BlockCount(), 1);
        EXPECT_EQ(Z().StringBlocks.size(), 1u);
        EXPECT_TRUE(Z().Skipped.SymbolChainCut && Z().Skipped.ObjectChainCut && Z().Skipped.StringChainCut);
        // A new block is linked in over the bad pointer.
        for (int i = 0; i < 256; ++i) {
            MakePoint(10, 0, 0);
            ASSERT_TRUE(AppendElement());
        }
        Reopen();
        EXPECT_EQ(Z().BlockCount(), 2);
        EXPECT_EQ(Z().HighestObject, 265);
    }
}

TEST_F(MapStoreTest, HeaderPointersOutsideTheFileAreIgnored)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.setupPos = FilePos::FromEnd(-100);
    w.infoPos = FilePos::At(-8);
    w.infoSize = FilePos::At(40000);
    w.stringIndexPos = FilePos::FromEnd(4);
    w.objectIndexPos = FilePos::At(60);  // into the colour block
    Open(w);
    EXPECT_EQ(Z().BlockCount(), 0);
    EXPECT_EQ(Z().StringBlocks.size(), 0u);
    EXPECT_EQ(ReadInfoText(), QByteArray());
    EXPECT_EQ(Z().SymbolCount(), 8);
    // The setup's last 100 bytes read over the defaults; the rest stays default and in range.
    EXPECT_GT(Z().Setup.MapScale, 0);
    // The map stays usable: a first object starts a new chain.
    MakePoint(10, 0, 0);
    ASSERT_TRUE(AppendElement());
    Reopen();
    EXPECT_EQ(Z().HighestObject, 1);
}

TEST_F(MapStoreTest, DamagedEntriesAreSkippedAndCountsClamped)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.objects[0].entryPosition = FilePos::At(200);      // into the colour block
    w.objects[1].entryPosition = FilePos::FromEnd(-8);  // record runs past the end
    w.objects[2].nItemField = 5000;                     // above the stored length
    w.objects[3].terminate = false;                     // text without terminator
    w.objects[3].nTextField = 300;
    w.objects[4].entryPosition = FilePos::At(-64);
    w.objects[5].entryPosition = FilePos::At(19272 + 64);  // inside the setup record
    w.objects[7].terminate = false;
    Open(w);
    ASSERT_EQ(Z().Header.SetupPos, 19272);
    EXPECT_FALSE(ReadElement(1, Index.CurElement));
    EXPECT_EQ(Index.CurElement.nItem, 0);
    EXPECT_FALSE(ReadElement(2, Index.CurElement));
    EXPECT_FALSE(ReadElement(5, Index.CurElement));
    EXPECT_FALSE(ReadElement(6, Index.CurElement));
    EXPECT_EQ(CountObjects(), 3);
    EXPECT_EQ(Z().Skipped.Objects, 4) << "the deleted object is no loss";

    ASSERT_TRUE(ReadElement(3, Index.CurElement));
    EXPECT_EQ(Index.CurElement.nItem, 7);  // clamped to the stored length
    EXPECT_EQ(Index.CurElement.nText, 0);

    ASSERT_TRUE(ReadElement(4, Index.CurElement));
    const ElementRecord& t = Index.CurElement;
    ASSERT_EQ(t.nText, 8);  // the stored length has 1 + 8 slots
    EXPECT_EQ(t.TextBytes()[63], 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(t.TextBytes())), 63u);

    ASSERT_TRUE(ReadElement(8, Index.CurElement));
    const char16_t* wide = reinterpret_cast<const char16_t*>(Index.CurElement.TextBytes());
    EXPECT_EQ(wide[Index.CurElement.nText * 4 - 1], 0);

    // A skipped entry does not stop a paint's scan.
    std::vector<int> found;
    StartElementScan(0);
    while (NextElementInRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit}, -1))
        found.push_back(Index.CurIndexNo);
    EXPECT_EQ(found, (std::vector<int>{3, 4, 8}));
}

TEST_F(MapStoreTest, DamagedStringSlotsAreFreeAndUnterminatedTextsEndAtTheRecord)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.strings[0].terminate = false;
    w.strings[1].position = FilePos::FromEnd(-10);
    w.strings[1].reservedLength = FilePos::At(0x7FFFFFC0);
    w.strings[3].position = FilePos::At(0);
    w.strings[3].reservedLength = FilePos::At(64);
    Open(w);
    ASSERT_EQ(Z().Courses.Count(), 1);
    EXPECT_EQ(Z().Courses.Strings(0).size(), 64);  // the record, no further
    EXPECT_EQ(Z().CsObjects.Count(), 0);
    EXPECT_EQ(Z().StringBlocks[0].Entries[1], PStringIndexEntry{});
    EXPECT_EQ(Z().Skipped.Strings, 2);
    // Writing a settings string never lands in the header.
    const auto head = FileBytes();
    ASSERT_TRUE(SaveTypedPString(QStringLiteral("\tv2"), 1030));
    const auto after = FileBytes();
    EXPECT_TRUE(std::equal(head.begin(), head.begin() + 19272, after.begin() + 0));
}

TEST_F(MapStoreTest, SymbolSizesOutsideTheRangeAreSkipped)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Raw(10, 1, 348));
    w.symbols.push_back(TestSymbol::Point(20));
    w.symbols.push_back(TestSymbol::Raw(30, 3, 20905));
    w.symbols.push_back(TestSymbol::Raw(35, 3, 20904));
    TestSymbol liar = TestSymbol::Line(40);
    liar.sizeWord = 20000;
    w.symbols.push_back(liar);
    w.symbols.push_back(TestSymbol::FreeSlot(-1));
    TestSymbol fixedPart = TestSymbol::Point(50);
    fixedPart.indexPosition = FilePos::At(1000);
    w.symbols.push_back(fixedPart);
    Open(w);
    ASSERT_EQ(Z().SymbolCount(), 2);
    EXPECT_EQ(SymI16(Z().Symbols[0], SymNumber), 20);
    EXPECT_EQ(SymI16(Z().Symbols[1], SymNumber), 35);
    EXPECT_EQ(Z().Symbols[1].size(), 20904u);
    EXPECT_EQ(Z().Skipped.Symbols, 4) << "a free slot is no loss";
}

TEST_F(MapStoreTest, ColourCountsOutOfRangeAreRepaired)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.colorCount = 300;
    w.separationCount = 40;
    Open(w);
    EXPECT_EQ(Z().ColorBlock.ColorCount, 1);
    EXPECT_EQ(Z().ColorBlock.SeparationCount, 0);
    w.colorCount = 0;
    w.separationCount = 1;
    w.separations[0].screen = 20;
    w.separations[0].cmyk = {0, 0, 0, 0};
    w.colors[2].separationPercent[0] = 200;
    w.colorCount.reset();
    Open(w);
    EXPECT_EQ(Z().ColorBlock.ColorCount, 4);
    EXPECT_EQ(Z().ColorBlock.Separations[0].Screen, 1500);
    // The last colour printed in full in the separation lends it its display colour.
    EXPECT_EQ(Z().ColorBlock.Separations[0].Cmyk, Z().ColorBlock.Colors[2].Cmyk);
    w.colorCount = 0;
    Open(w);
    EXPECT_EQ(Z().ColorBlock.ColorCount, 1);
}

TEST_F(MapStoreTest, TruncationAtEveryBlockEdgeLoadsWhatIsWhole)
{
    TestMapLayout l;
    const auto full = TestMapWriter::Sample(8).Build(&l);
    for (size_t cut : l.Boundaries()) {
        for (size_t at : {cut, cut + 1, cut > 0 ? cut - 1 : 0}) {
            if (at > full.size())
                continue;
            SCOPED_TRACE(at);
            messages.Clear();
            ASSERT_TRUE(WriteFileBytes(path, Truncated(full, at)));
            try {
                OpenFile();
                Exercise();
                EXPECT_GE(at, size_t(MapHeaderBytes));
                EXPECT_EQ(Z().Skipped.Any(), at < full.size());
                // Whatever was whole is there; nothing beyond the cut is taken.
                for (int n = 1; n <= Z().HighestObject; ++n) {
                    if (Z().Entry(n).Length) {
                        EXPECT_LE(size_t(Z().Entry(n).Pos) + 32 + 8 * Z().Entry(n).Length, at);
                    }
                }
            } catch (const EAbort&) {
                EXPECT_LT(at, size_t(MapHeaderBytes));
                EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
            }
            Close();
        }
    }
}
