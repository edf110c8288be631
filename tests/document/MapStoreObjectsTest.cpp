// The object store: saving in place or moved, the limits of append and save, delete and
// restore, scans, selection, and the symbol-graphics buffer that stands in for the map.
#include "DocumentFixture.h"

#include "core/ByteIO.h"
#include "core/LangTexts.h"

using namespace zemo;
using namespace zemo::test;

namespace {

TestMapWriter PointsMap(int count, uint16_t fileType = 2)
{
    TestMapWriter w(8);
    w.fileType = fileType;
    w.symbols.push_back(TestSymbol::Point(10));
    for (int i = 0; i < count; ++i)
        w.objects.push_back(TestObject::Point(10, i * 25600, 0));
    return w;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, size_t at, size_t n)
{
    return {b.begin() + long(at), b.begin() + long(at + n)};
}

} // namespace

// An object that grows moves to the end of the file unless it is the last record there; its
// old bytes and the next object stay as they were. One that shrinks keeps its room.
TEST_F(DocTest, AGrownObjectMovesUnlessLastAndNeverWritesOverTheNext)
{
    struct Row {
        int object, slots;
        bool moves;
    };
    for (Row r : {Row{1, 1, false}, Row{1, 2, true}, Row{1, 3, true}, Row{2, 2, false}, Row{2, 5, false}}) {
        SCOPED_TRACE(testing::Message() << "object " << r.object << " to " << r.slots << " slots");
        Open(PointsMap(2));
        const auto before = FileBytes();
        const int32_t pos = Z().Entry(r.object).Pos;
        MakeLine(10, r.slots, 256);
        ASSERT_TRUE(SaveElement(r.object));
        const auto b = FileBytes();
        const size_t moved = r.moves ? before.size() : size_t(pos);
        EXPECT_EQ(size_t(Z().Entry(r.object).Pos), moved);
        EXPECT_EQ(size_t(GetI32(b, layout.ObjectEntryPos(size_t(r.object - 1)) + 16)), moved);
        EXPECT_EQ(Z().Entry(r.object).Length, r.slots);
        EXPECT_EQ(b.size(), std::max(before.size(), moved + 32 + 8 * size_t(r.slots)));
        const size_t other = size_t(layout.objectRecords[size_t(2 - r.object)]);
        EXPECT_EQ(Slice(b, other, 40), Slice(before, other, 40)) << "the other object";
        if (r.moves) {
            EXPECT_EQ(Slice(b, size_t(pos), 40), Slice(before, size_t(pos), 40));
        }
        MakePoint(10, 7 * 256, 7 * 256);
        ASSERT_TRUE(SaveElement(r.object));
        EXPECT_EQ(size_t(Z().Entry(r.object).Pos), moved);
        EXPECT_EQ(Z().Entry(r.object).Length, r.slots);
        Reopen();
        for (int n : {1, 2}) {
            ASSERT_TRUE(ReadElement(n, Index.CurElement));
            EXPECT_EQ(Index.CurElement.nItem, 1);
            EXPECT_EQ(Index.CurElement.ObjectType, PointObject);
            EXPECT_EQ(Index.CurElement.Slots[0], (n == r.object ? Cord{7 * 256, 7 * 256} : Cord{(n - 1) * 25600, 0}));
        }
    }
}

TEST_F(DocTest, AppendAndSaveTakeCountsUpToTheirLimitsAndRefuseTheRest)
{
    struct Row {
        const char* name;
        int object;  // saved as this number; 0: appended
        std::function<void()> make;
        bool ok;
    };
    auto line = [](int items) { return [items] { MakeLine(10, 1, 1); Index.CurElement.nItem = uint16_t(items); }; };
    // A text whose slots are counted after it is made: past the record limit.
    auto longText = [] { MakeText(40, "abc"); Index.CurElement.nItem = MaxElementItems; Index.CurElement.nText = 0; };
    const std::vector<Row> rows{
        {"number above the highest", 3, line(1), false},
        {"number 0", -1, line(1), false},
        {"no points, saved", 1, line(0), false},
        {"no points, appended", 0, line(0), false},
        {"long text, saved", 1, longText, false},
        {"long text, appended", 0, longText, false},
        {"one point over the most, saved", 1, line(MaxElementItems + 1), false},
        {"the most points, saved", 1, line(MaxElementItems), true},
        {"the most points, appended", 0, line(MaxElementItems), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Open(PointsMap(2));
        const auto before = FileBytes();
        messages.Clear();
        row.make();
        const int items = Index.CurElement.nItem;
        EXPECT_EQ(row.object == 0 ? AppendElement() : SaveElement(std::max(row.object, 0)), row.ok);
        EXPECT_EQ(messages.CountOf(TextKey::InternalError), row.ok ? 0 : 1);
        if (!row.ok) {
            EXPECT_EQ(FileBytes(), before);
            EXPECT_EQ(Z().HighestObject, 2);
            continue;
        }
        Reopen();
        ASSERT_TRUE(ReadElement(row.object == 0 ? 3 : 1, Index.CurElement));
        EXPECT_EQ(Index.CurElement.nItem, items);
    }

    // Every number the loader keeps is in use.
    Open(PointsMap(1));
    const auto before = FileBytes();
    Z().HighestObject = MaxObjectNumber;
    MakePoint(10, 0, 0);
    EXPECT_FALSE(AppendElement());
    EXPECT_EQ(messages.CountOf(TextKey::MaxObjects), 1);
    EXPECT_EQ(messages.Last().helpContext, 35);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(DocTest, DeleteWritesZeroAndRestoreBringsObjectAndStringBack)
{
    Open(CourseSample());
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

// The course mark lives in the index entry only: an undone delete gives it back (else the
// object of one course shows on the map, and a save writes it so), and gives it to no other.
TEST_F(DocTest, AnUndoneDeleteKeepsACourseOnlyObjectToItsCourse)
{
    TestMapWriter w = PointsMap(2, 3);
    w.objects[1].courseOnly = true;
    Open(w);
    ASSERT_EQ(Z().Entry(2).Symbol, 10 | CourseOnlyMark);
    ASSERT_EQ(CountObjects(), 1);
    for (int round = 0; round < 2; ++round) {
        DeleteElement(2);
        DeleteElement(1);
        ASSERT_TRUE(RestoreElement(1));
        ASSERT_TRUE(RestoreElement(2));
        EXPECT_EQ(Z().Entry(1).Symbol, 10);
        EXPECT_EQ(Z().Entry(2).Symbol, 10 | CourseOnlyMark);
        EXPECT_EQ(GetU16(FileBytes(), layout.ObjectEntryPos(1) + 22), 10 | CourseOnlyMark);
        EXPECT_EQ(CountObjects(), 1) << "the course-only object stays out of the map";
    }
}

// A deleted object reads back empty; only a course-setting map reuses its slot for an object
// of the same length.
TEST_F(DocTest, ADeletedSlotIsReusedOnlyInACourseMap)
{
    for (uint16_t type : {2, 3}) {
        Open(PointsMap(3, type));
        DeleteElement(2);
        Reopen();
        EXPECT_EQ(Z().Entry(2).Symbol, 0);
        EXPECT_FALSE(GetIndex(2));
        const auto size = FileBytes().size();
        AppendPoint(10, 5, 5);
        EXPECT_EQ(Index.CurIndexNo, type == 3 ? 2 : 4);
        if (type == 3) {
            EXPECT_EQ(Z().Entry(2).Pos, layout.objectRecords[1]);
            EXPECT_EQ(FileBytes().size(), size);
        }
    }
}

TEST_F(DocTest, RectangleScanSkipsCourseOnlyAndFiltersByColourBit)
{
    Open(TestMapWriter::Sample(8));
    EXPECT_EQ(Scan(), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
    // Colour 1 (blue): the line 2.0 and the line text 5.0.
    EXPECT_EQ(Scan(AllMap, 1), (std::vector<int>{2, 5}));
    EXPECT_TRUE(Scan(AllMap, 256).empty());
    // A scan from object 4 wraps round and ends with it.
    EXPECT_EQ(Scan(AllMap, -1, 4), (std::vector<int>{5, 6, 8, 1, 2, 3, 4}));
    // ... and ends there also where object 4 is not found, each object found once.
    EXPECT_EQ(Scan(AllMap, 1, 4), (std::vector<int>{5, 2}));
    // Only objects whose widened rectangle meets the point (10 mm, 20 mm).
    EXPECT_EQ(Scan({10 * mm, 20 * mm, 10 * mm, 20 * mm}), (std::vector<int>{1, 3, 6}));
    EXPECT_TRUE(GetIndex(9));  // the course-only object is still there by number
    CordRect extent;
    ASSERT_TRUE(GetMapExtent(extent));
    EXPECT_LE(extent.x1, -3 * mm - 12800);

    // The colour test reads one bit of the symbol's set: its byte and its place in the byte.
    TestMapWriter w(8);
    const int colours[] = {8, 13, 250};
    for (int i = 0; i < 3; ++i) {
        w.symbols.push_back(TestSymbol::Line(int16_t(10 * (i + 1)), int16_t(colours[i])));
        w.objects.push_back(TestObject::Line(int16_t(10 * (i + 1)), {{0, 0}, {25600, 0}}));
    }
    Open(w);
    for (const auto& [colour, want] : std::vector<std::pair<int, std::vector<int>>>{
             {8, {1}}, {13, {2}}, {250, {3}}, {1, {}}, {9, {}}, {12, {}}, {16, {}}, {251, {}}})
        EXPECT_EQ(Scan(AllMap, colour), want) << colour;
}

TEST_F(DocTest, ScansSkipWholeBlocksAcrossTheBlockBoundary)
{
    Open(PointsMap(600));
    const auto found = Scan({300 * 25600, -100, 520 * 25600, 100});
    ASSERT_EQ(found.size(), 221u) << found.front() << " " << found.back();
    EXPECT_EQ(found.front(), 301);
    EXPECT_EQ(found.back(), 521);
    // An end number inside a skipped block still ends the scan.
    EXPECT_EQ(Scan({-100, -100, 100, 100}, -1, 300).size(), 1u);
    EXPECT_TRUE(Index.ScanFinished);
}

TEST_F(DocTest, SelectionBitsCountsAndRectangle)
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

TEST_F(DocTest, CoursePreviewWritesTaggedAndHiddenSymbolWords)
{
    Open(PointsMap(1, 3));
    Z().CoursePreviewOn = 1;
    Z().CurrentCourseTag = QStringLiteral("A");
    AppendPoint(10, 0, 0);
    const int n = Index.CurIndexNo;
    EXPECT_EQ(GetU16(FileBytes(), layout.ObjectEntryPos(size_t(n - 1)) + 22), 10 | CourseOnlyMark);
    EXPECT_EQ(Z().Entry(n).Symbol, 10);
    ASSERT_EQ(Z().CsObjectLinks.Count(), 1);
    EXPECT_EQ(Z().TaggedObjects, std::vector<int>{n});
    // Without a tag the written word is 0: preview-only objects vanish on reindexing.
    Z().CurrentCourseTag.clear();
    GetIndex(1);
    WriteIndexEntry(1);
    EXPECT_EQ(GetU16(FileBytes(), layout.ObjectEntryPos(0) + 22), 0);
    ReindexFromFile();
    EXPECT_EQ(Z().Entry(1).Symbol, 0);
}

TEST_F(DocTest, ANewSymbolExtentRewritesItsObjectsRectangles)
{
    Open(PointsMap(2));
    SetSymI16(Z().Symbols[0], SymExtent, 50);
    UpdateObjectsOfSymbols(10, 10);
    EXPECT_EQ(GetI32(FileBytes(), layout.ObjectEntryPos(1)), 25600 - 50 * 256);
    EXPECT_EQ(Z().Entry(2).Rect.x2, 25600 + 50 * 256);
    MarkUsedSymbols();
    EXPECT_EQ(SymU8(Z().Symbols[0], SymStatus) & SymbolUsedBit, SymbolUsedBit);
}

TEST_F(DocTest, SymbolGraphicsModeWorksOnTheViewsElements)
{
    Open(PointsMap(3));
    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    const auto before = FileBytes();

    // A line element (colour 5, width 0.30 mm) and a dot (colour 2, 1.00 mm).
    ElementRecord& e = Index.CurElement;
    MakeLine(int16_t(32752 + 1), 2, 0);
    e.Angle = 5;
    e.Word10 = 30;
    e.Slots[1] = {256 * 100, 256 * 50};
    ASSERT_TRUE(AppendElement());
    MakePoint(int16_t(32752 + 4), -256 * 10, 0);
    e.ObjectType = 0;
    e.Angle = 2;
    e.Word14 = 100;
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
    EXPECT_EQ(Scan(AllMap, 2), std::vector<int>{2});

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
    EXPECT_EQ(Index.SelectedIndex, 1);
    EXPECT_EQ(LoadLE<uint16_t>(g.Slots.data()), 4);

    // More than 512 slots: refused with a message.
    MakePoint(int16_t(32752 + 2), 0, 0);
    e.nItem = 510;
    EXPECT_FALSE(AppendElement());
    EXPECT_EQ(messages.CountOf(TextKey::SymbolTooComplex), 1);
    CordRect r;
    EXPECT_TRUE(GetMapExtent(r));
    EXPECT_EQ(r.x1, -256 * 10 - 51 * 256);
    EXPECT_EQ(FileBytes(), before);  // the map file is not touched

    // The selected element keeps its number unless one before it goes.
    struct Row {
        int selected, deleted, after;
    };
    for (Row row : {Row{2, 1, 1}, Row{2, 2, 2}, Row{2, 3, 2}}) {
        while (CountSymbolGraphicsElements() < 3) {
            MakeLine(int16_t(32752 + 1), 2, 256);
            ASSERT_TRUE(AppendElement());
        }
        GetIndex(row.selected);
        SelectOnly(row.selected);
        DeleteElement(row.deleted);
        EXPECT_EQ(Index.SelectedIndex, row.after) << row.deleted;
    }
    Index.SymbolGraphics = nullptr;
}
