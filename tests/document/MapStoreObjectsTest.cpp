// The object store: growth, saving in place or moved, delete and restore, scans, selection
// and the limits of append and save.
#include "MapStoreFixture.h"

#include "core/ByteIO.h"
#include "core/LangTexts.h"

using namespace zemo;
using namespace zemo::test;

namespace {

TestMapWriter PointsMap(int count)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(10));
    for (int i = 0; i < count; ++i)
        w.objects.push_back(TestObject::Point(10, i * 25600, 0));
    return w;
}

} // namespace

TEST_F(MapStoreTest, The257thObjectMakesTheSecondIndexBlock)
{
    Open(PointsMap(255));
    const int32_t first = layout.objectBlocks[0];
    MakePoint(10, 0, 0);
    ASSERT_TRUE(AppendElement());  // 256: still the first block
    EXPECT_EQ(Z().BlockCount(), 1);
    auto b = FileBytes();
    const size_t end = b.size();
    EXPECT_EQ(GetI32(b, size_t(first)), 0);

    MakePoint(10, 256, 512);
    ASSERT_TRUE(AppendElement());
    EXPECT_EQ(Index.CurIndexNo, 257);
    EXPECT_EQ(Z().BlockCount(), 2);
    b = FileBytes();
    EXPECT_EQ(GetI32(b, hdr::ObjectIndex), first);        // the header keeps the first block
    EXPECT_EQ(size_t(GetI32(b, size_t(first))), end);      // linked from the previous block
    EXPECT_EQ(GetI32(b, end), 0);                           // its own next field
    EXPECT_EQ(size_t(GetI32(b, end + 4 + 16)), end + 6148); // record right behind the block
    EXPECT_EQ(GetU16(b, end + 4 + 22), 10);
    EXPECT_EQ(b.size(), end + 6148 + 40);

    Reopen();
    EXPECT_EQ(Z().HighestObject, 257);
    ASSERT_TRUE(ReadElement(257, Index.CurElement));
    EXPECT_EQ(Index.CurElement.Slots[0], (Cord{256, 512}));
}

TEST_F(MapStoreTest, TheFirstObjectOfAnEmptyMapWritesTheHeader)
{
    Open(TestMapWriter(8));
    const size_t end = FileBytes().size();
    MakePoint(0, 0, 0);
    ASSERT_TRUE(AppendElement());
    const auto b = FileBytes();
    EXPECT_EQ(size_t(GetI32(b, hdr::ObjectIndex)), end);
    EXPECT_EQ(size_t(GetI32(b, end + 4 + 16)), end + 6148);
}

TEST_F(MapStoreTest, AGrownObjectStaysInPlaceOnlyWhenLastInTheFile)
{
    Open(PointsMap(2));
    // Object 2 is the last record of the file: it grows in place.
    ASSERT_TRUE(ReadElement(2, Index.CurElement));
    const int32_t pos2 = Z().Entry(2).Pos;
    MakeLine(10, 5, 256);
    ASSERT_TRUE(SaveElement(2));
    EXPECT_EQ(Z().Entry(2).Pos, pos2);
    EXPECT_EQ(Z().Entry(2).Length, 5);
    EXPECT_EQ(FileBytes().size(), size_t(pos2) + 32 + 40);

    // Object 1 is followed by object 2: it moves to the end, its old bytes stay.
    const int32_t pos1 = Z().Entry(1).Pos;
    const auto before = FileBytes();
    MakeLine(10, 3, 256);
    ASSERT_TRUE(SaveElement(1));
    const auto b = FileBytes();
    EXPECT_EQ(size_t(Z().Entry(1).Pos), before.size());
    EXPECT_EQ(GetI32(b, layout.ObjectEntryPos(0) + 16), int32_t(before.size()));
    EXPECT_TRUE(std::equal(before.begin() + pos1, before.begin() + pos1 + 40, b.begin() + pos1));

    // A record that shrinks keeps its reserved length.
    MakePoint(10, 7, 7);
    ASSERT_TRUE(SaveElement(1));
    EXPECT_EQ(size_t(Z().Entry(1).Pos), before.size());
    EXPECT_EQ(Z().Entry(1).Length, 3);
    Reopen();
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    EXPECT_EQ(Index.CurElement.nItem, 1);
    EXPECT_EQ(Index.CurElement.ObjectType, PointObject);
}

TEST_F(MapStoreTest, SaveRefusesBadNumbersAndCounts)
{
    Open(PointsMap(2));
    const auto before = FileBytes();
    MakePoint(10, 0, 0);
    EXPECT_FALSE(SaveElement(3));
    EXPECT_FALSE(SaveElement(0));
    Index.CurElement.nItem = 0;
    EXPECT_FALSE(SaveElement(1));
    EXPECT_FALSE(AppendElement());
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 4);
    // A text that grows past the record limit once its slots are counted is refused as well.
    MakeText(40, "abc");
    Index.CurElement.nItem = MaxElementItems;
    Index.CurElement.nText = 0;
    EXPECT_FALSE(AppendElement());
    EXPECT_FALSE(SaveElement(1));
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(Z().HighestObject, 2);
}

TEST_F(MapStoreTest, MaxObjectsRefusesAtTheLoaderLimit)
{
    Open(PointsMap(1));
    const auto before = FileBytes();
    Z().HighestObject = MaxObjectNumber;  // every number the loader keeps is in use
    MakePoint(10, 0, 0);
    EXPECT_FALSE(AppendElement());
    EXPECT_EQ(messages.CountOf(TextKey::MaxObjects), 1);
    EXPECT_EQ(messages.Last().helpContext, 35);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(MapStoreTest, DeleteWritesZeroAndRestoreBringsObjectAndStringBack)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.fileType = 3;  // course-setting map: object 1 has a course-object string
    Open(w);
    ASSERT_TRUE(Z().CourseMap);
    ASSERT_EQ(Z().CsObjects.Count(), 1);
    DeleteElement(1);
    EXPECT_EQ(Z().Entry(1).Symbol, DeletedSymbol);
    EXPECT_FALSE(GetIndex(1));
    auto b = FileBytes();
    EXPECT_EQ(GetU16(b, layout.ObjectEntryPos(0) + 22), 0);
    EXPECT_EQ(GetI32(b, layout.ObjectEntryPos(0) + 16), layout.objectRecords[0]);
    // The course-object string is deleted restorably: 0 in the file, negated in memory.
    EXPECT_EQ(Z().CsObjects.Count(), 0);
    EXPECT_EQ(GetI32(b, layout.StringEntryPos(1) + 8), 0);
    EXPECT_EQ(Z().StringBlocks[0].Entries[1].Type, -1);
    EXPECT_EQ(CountObjects(), 6);

    ASSERT_TRUE(RestoreElement(1));
    EXPECT_EQ(Z().Entry(1).Symbol, 10);
    b = FileBytes();
    EXPECT_EQ(GetU16(b, layout.ObjectEntryPos(0) + 22), 10);
    EXPECT_EQ(GetI32(b, layout.StringEntryPos(1) + 8), 1);
    ASSERT_EQ(Z().CsObjects.Count(), 1);
    EXPECT_EQ(Z().CsObjects.Strings(0), QStringLiteral("Start\tS1"));
    EXPECT_EQ(CountObjects(), 7);
}

TEST_F(MapStoreTest, ADeletedObjectReadsBackEmptyAfterReopening)
{
    Open(PointsMap(3));
    DeleteElement(2);
    Reopen();
    EXPECT_EQ(Z().Entry(2).Symbol, 0);
    EXPECT_FALSE(GetIndex(2));
    // Its slot is not reused by an ordinary map: the next object is number 4.
    MakePoint(10, 0, 0);
    ASSERT_TRUE(AppendElement());
    EXPECT_EQ(Index.CurIndexNo, 4);
}

TEST_F(MapStoreTest, ACourseMapReusesAnEmptySlotOfTheSameLength)
{
    TestMapWriter w = PointsMap(3);
    w.fileType = 3;
    w.objects[1].deleted = true;
    Open(w);
    const auto size = FileBytes().size();
    MakePoint(10, 5, 5);
    ASSERT_TRUE(AppendElement());
    EXPECT_EQ(Index.CurIndexNo, 2);
    EXPECT_EQ(Z().Entry(2).Pos, layout.objectRecords[1]);
    EXPECT_EQ(FileBytes().size(), size);
}

TEST_F(MapStoreTest, RectangleScanSkipsCourseOnlyAndFiltersByColour)
{
    Open(TestMapWriter::Sample(8));
    auto collect = [](const CordRect& r, int colour, int start = 0) {
        std::vector<int> found;
        StartElementScan(start);
        while (NextElementInRect(r, colour))
            found.push_back(Index.CurIndexNo);
        return found;
    };
    const CordRect all{-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit};
    EXPECT_EQ(collect(all, -1), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
    // Colour 1 (blue): the line 2.0 and the line text 5.0.
    EXPECT_EQ(collect(all, 1), (std::vector<int>{2, 5}));
    EXPECT_TRUE(collect(all, 256).empty());
    // A scan from object 4 wraps round and ends with it.
    EXPECT_EQ(collect(all, -1, 4), (std::vector<int>{5, 6, 8, 1, 2, 3, 4}));
    // Only objects whose widened rectangle meets the point (10 mm, 20 mm).
    const CordRect p{10 * kUnitsPerMm, 20 * kUnitsPerMm, 10 * kUnitsPerMm, 20 * kUnitsPerMm};
    EXPECT_EQ(collect(p, -1), (std::vector<int>{1, 3, 6}));
    // The course-only object is still there by number.
    EXPECT_TRUE(GetIndex(9));

    CordRect extent;
    ASSERT_TRUE(GetMapExtent(extent));
    EXPECT_LE(extent.x1, -3 * kUnitsPerMm - 12800);
}

// The colour test reads one bit of the symbol's set: its byte and its place in the byte.
TEST_F(MapStoreTest, ColourScanFindsEachColourOfTheSetByItsOwnBit)
{
    TestMapWriter w(8);
    const int colours[] = {8, 13, 250};
    for (int i = 0; i < 3; ++i) {
        w.symbols.push_back(TestSymbol::Line(int16_t(10 * (i + 1)), int16_t(colours[i])));
        w.objects.push_back(TestObject::Line(int16_t(10 * (i + 1)), {{0, 0}, {25600, 0}}));
    }
    Open(w);
    const CordRect all{-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit};
    for (const auto& [colour, want] : std::vector<std::pair<int, std::vector<int>>>{
             {8, {1}}, {13, {2}}, {250, {3}}, {1, {}}, {9, {}}, {12, {}}, {16, {}}, {251, {}}}) {
        std::vector<int> found;
        StartElementScan(0);
        while (NextElementInRect(all, colour))
            found.push_back(Index.CurIndexNo);
        EXPECT_EQ(found, want) << colour;
    }
}

TEST_F(MapStoreTest, ScansSkipWholeBlocksAcrossTheBlockBoundary)
{
    TestMapWriter w = PointsMap(600);
    Open(w);
    std::vector<int> found;
    const CordRect r{300 * 25600, -100, 520 * 25600, 100};
    StartElementScan(0);
    while (NextElementInRect(r, -1))
        found.push_back(Index.CurIndexNo);
    ASSERT_EQ(found.size(), 221u);
    EXPECT_EQ(found.front(), 301);
    EXPECT_EQ(found.back(), 521);
    // An end number inside a skipped block still ends the scan.
    StartElementScan(300);
    int visits = 0;
    while (NextElementInRect({-100, -100, 100, 100}, -1))
        ++visits;
    EXPECT_EQ(visits, 1);
    EXPECT_TRUE(Index.ScanFinished);
}

TEST_F(MapStoreTest, SelectionBitsCountsAndRectangle)
{
    Open(PointsMap(300));
    GetIndex(3);
    SelectOnly(3);
    EXPECT_EQ(Index.SelectedIndex, 3);
    EXPECT_EQ(Index.SelectionCount, 1);
    GetIndex(290);
    ToggleSelection(290);
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(Index.SelectionCount, 2);
    EXPECT_EQ(Index.SelectionRect.x2, Z().Entry(290).Rect.x2);
    EXPECT_TRUE(IsSelected(290));
    EXPECT_FALSE(IsSelected(4));
    EXPECT_FALSE(IsSelected(301));
    std::vector<int> sel;
    StartElementScan(0);
    while (NextSelectedElement())
        sel.push_back(Index.CurIndexNo);
    EXPECT_EQ(sel, (std::vector<int>{3, 290}));
    ToggleSelection(290);
    EXPECT_EQ(Index.SelectionCount, 1);
    ClearSelection();
    EXPECT_FALSE(IsSelected(3));
    EXPECT_EQ(Index.SelectionCount, 0);
}

TEST_F(MapStoreTest, CoursePreviewWritesTaggedAndHiddenSymbolWords)
{
    TestMapWriter w = PointsMap(1);
    w.fileType = 3;
    Open(w);
    Z().CoursePreviewOn = 1;
    Z().CurrentCourseTag = QStringLiteral("A");
    MakePoint(10, 0, 0);
    ASSERT_TRUE(AppendElement());
    const int n = Index.CurIndexNo;
    auto b = FileBytes();
    EXPECT_EQ(GetU16(b, layout.ObjectEntryPos(size_t(n - 1)) + 22), 10 | CourseOnlyMark);
    EXPECT_EQ(Z().Entry(n).Symbol, 10);
    ASSERT_EQ(Z().CsObjectLinks.Count(), 1);
    EXPECT_EQ(Z().TaggedObjects, std::vector<int>{n});
    // Without a tag the written word is 0: preview-only objects vanish on reindexing.
    Z().CurrentCourseTag.clear();
    GetIndex(1);
    WriteIndexEntry(1);
    b = FileBytes();
    EXPECT_EQ(GetU16(b, layout.ObjectEntryPos(0) + 22), 0);
    ReindexFromFile();
    EXPECT_EQ(Z().Entry(1).Symbol, 0);
}

TEST_F(MapStoreTest, UpdateObjectsOfSymbolsRewritesRectangles)
{
    Open(PointsMap(2));
    // Symbol 1.0 gets an extent; its objects' rectangles follow.
    SetSymI16(Z().Symbols[0], SymExtent, 50);
    UpdateObjectsOfSymbols(10, 10);
    const auto b = FileBytes();
    EXPECT_EQ(GetI32(b, layout.ObjectEntryPos(1)), 25600 - 50 * 256);
    EXPECT_EQ(Z().Entry(2).Rect.x2, 25600 + 50 * 256);
    MarkUsedSymbols();
    EXPECT_EQ(SymU8(Z().Symbols[0], SymStatus) & SymbolUsedBit, SymbolUsedBit);
}

TEST_F(MapStoreTest, SymbolGraphicsModeWorksOnTheViewsElements)
{
    Open(PointsMap(3));
    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    const auto before = FileBytes();

    // A line element (colour 5, width 0.30 mm) and a dot (colour 2, 1.00 mm).
    ElementRecord& e = Index.CurElement;
    e = ElementRecord{};
    e.Symbol = int16_t(32752 + 1);
    e.ObjectType = LineObject;
    e.Angle = 5;
    e.Word10 = 30;
    e.nItem = 2;
    e.Slots[0] = {0, 0};
    e.Slots[1] = {256 * 100, 256 * 50};
    ASSERT_TRUE(AppendElement());
    e = ElementRecord{};
    e.Symbol = int16_t(32752 + 4);
    e.Angle = 2;
    e.Word14 = 100;
    e.nItem = 1;
    e.Slots[0] = {-256 * 10, 0};
    ASSERT_TRUE(AppendElement());
    EXPECT_EQ(CountSymbolGraphicsElements(), 2);
    EXPECT_EQ(g.UsedSlots, 4 + 3);
    // Element layout in the buffer: the dot's head at slot 4.
    EXPECT_EQ(LoadLE<uint16_t>(g.Slots.data() + 32), 4);
    EXPECT_EQ(LoadLE<uint16_t>(g.Slots.data() + 32 + 4), 2);
    EXPECT_EQ(LoadLE<uint16_t>(g.Slots.data() + 32 + 8), 100);
    EXPECT_EQ(LoadLE<uint16_t>(g.Slots.data() + 32 + 10), 1);

    ASSERT_TRUE(GetIndex(1));
    EXPECT_EQ(Index.CurIndex.Symbol, 32753);
    EXPECT_EQ(Index.CurIndex.Rect, (CordRect{-16 * 256, -16 * 256, 116 * 256, 66 * 256}));
    ASSERT_TRUE(ReadElement(2, Index.DrawElement));
    EXPECT_EQ(Index.DrawElement.ObjectType, PointObject);
    EXPECT_EQ(Index.DrawElement.Word14, 100);

    std::vector<int> found;
    StartElementScan(0);
    while (NextElementInRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit}, 2))
        found.push_back(Index.CurIndexNo);
    EXPECT_EQ(found, std::vector<int>{2});

    // Growing the first element moves the second; deleting it moves it back.
    ReadElement(1, Index.CurElement);
    Index.CurElement.nItem = 3;
    Index.CurElement.Slots[2] = {0, 256};
    ASSERT_TRUE(SaveElement(1));
    EXPECT_EQ(g.UsedSlots, 5 + 3);
    GetIndex(2);
    SelectOnly(2);
    DeleteElement(1);
    EXPECT_EQ(CountSymbolGraphicsElements(), 1);
    EXPECT_TRUE(IsSelected(1));
    EXPECT_EQ(LoadLE<uint16_t>(g.Slots.data()), 4);

    // More than 512 slots: refused with a message.
    e = ElementRecord{};
    e.Symbol = int16_t(32752 + 2);
    e.nItem = 510;
    EXPECT_FALSE(AppendElement());
    EXPECT_EQ(messages.CountOf(TextKey::SymbolTooComplex), 1);

    CordRect r;
    EXPECT_TRUE(GetMapExtent(r));
    EXPECT_EQ(r.x1, -256 * 10 - 51 * 256);
    EXPECT_EQ(FileBytes(), before);  // the map file is not touched
    Index.SymbolGraphics = nullptr;
}
