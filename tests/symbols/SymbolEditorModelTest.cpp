// The symbol editors' records without a dialog: new symbols and their numbers, the working
// copy of point and line records with their element lists, and the records built back, read
// at literal offsets.
#include "EditorRecords.h"
#include "SymbolsFixture.h"
#include "symbols/LineSym.h"
#include "symbols/PointSym.h"
#include "symbols/SymEdit.h"

#include <array>
#include <numeric>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int16_t Free = -1;

std::vector<int16_t> TableWithTaken(std::initializer_list<std::pair<int, int>> ranges)
{
    std::vector<int16_t> t(10000, Free);
    for (auto [from, to] : ranges)
        for (int n = from; n <= to; ++n)
            t[size_t(n)] = 0;
    return t;
}

SymbolBytes Rec(const TestSymbol& s)
{
    const std::vector<uint8_t> r = RecordBytes(s);
    return SymbolBytes(r.begin(), r.end());
}

// A polyline of n - 2 points, so that the element takes n slots.
TestElement ElementOfSlots(int n, uint16_t color = 2)
{
    std::vector<TestCord> cords(size_t(n - 2), TestCord{256 * 100, 0});
    return TestElement::Polyline(color, 10, cords);
}

} // namespace

TEST(SymbolEditorModel, FirstFreeNumberCountsUpFromOneThenBelowIt)
{
    struct Case {
        const char* what;
        std::vector<int16_t> table;
        int expected;
    };
    const Case cases[] = {
        {"1.0 to 1.4 taken", TableWithTaken({{10, 14}}), 15},
        {"nothing taken", TableWithTaken({}), 10},
        {"0.5 free, 1.0 free", TableWithTaken({{1, 4}}), 10},
        {"1.0 to 999.9 taken", TableWithTaken({{10, 9999}}), 1},
        {"all but 0.7 taken", TableWithTaken({{1, 6}, {8, 9999}}), 7},
        {"every number taken", TableWithTaken({{1, 9999}}), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstFreeSymbolNumber(c.table), c.expected) << c.what;
}

TEST(SymbolEditorModel, NewRecordsHaveTheirFixedSizeAWhiteIconAndTheirDefaults)
{
    const std::vector<int16_t> table = TableWithTaken({{10, 14}});
    struct Case {
        SymbolEditorKind kind;
        int size;
        int16_t type;
        uint8_t textFlag;
    };
    const Case cases[] = {{SymbolEditorKind::Point, 352, 1, 0}, {SymbolEditorKind::Line, 424, 2, 0},
                          {SymbolEditorKind::Area, 380, 3, 0}, {SymbolEditorKind::Text, 588, 4, 1},
                          {SymbolEditorKind::LineText, 440, 2, 1}, {SymbolEditorKind::Rect, 416, 5, 0}};
    for (const Case& c : cases) {
        const SymbolBytes r = NewSymbolRecord(c.kind, table);
        const std::vector<uint8_t> b(r.begin(), r.end());
        ASSERT_EQ(int(b.size()), c.size);
        EXPECT_EQ(GetI16(b, 0), c.size);
        EXPECT_EQ(GetI16(b, 2), 15);
        EXPECT_EQ(GetI16(b, 4), c.type);
        EXPECT_EQ(b[6], c.textFlag);
        EXPECT_EQ(b[7], 0);
        for (size_t i = 84; i < 348; ++i)
            ASSERT_EQ(b[i], 255) << i;
        EXPECT_EQ(GetI16(b, 8), 0);
    }
    const SymbolBytes text = NewSymbolRecord(SymbolEditorKind::Text, table);
    EXPECT_EQ(ShortFieldText(std::span(text).subspan(348, 32)), "Times New Roman");
    const std::vector<uint8_t> t(text.begin(), text.end());
    EXPECT_EQ(GetI16(t, 382), 120);
    EXPECT_EQ(GetI16(t, 390), 100);
    EXPECT_EQ(GetI16(t, 394), 120);
    const SymbolBytes lineText = NewSymbolRecord(SymbolEditorKind::LineText, table);
    EXPECT_EQ(ShortFieldText(std::span(lineText).subspan(348, 32)), "Arial");
    const std::vector<uint8_t> lt(lineText.begin(), lineText.end());
    EXPECT_EQ(GetI16(lt, 382), 120);
    EXPECT_EQ(GetI16(lt, 390), 100);
}

TEST(SymbolEditorModel, ElementListsAreTakenKeptOrDroppedByTheirSlotsAndTheRecord)
{
    std::vector<uint8_t> rec(352 + 8 * 600, 7);
    struct Case {
        const char* what;
        int slots;
        size_t recordSize;
        bool dropped;
        int taken;
        bool editable;
    };
    const Case cases[] = {
        {"empty", 0, 352, false, 0, true},
        {"512 slots", 512, 352 + 8 * 512, false, 512, true},
        {"513 slots that fit are kept", 513, 352 + 8 * 513, false, 513, false},
        {"one slot past the record", 11, 352 + 8 * 10, true, 0, true},
        {"negative count", -1, 352, true, 0, true},
        {"32767 slots", 32767, rec.size(), true, 0, true},
    };
    for (const Case& c : cases) {
        bool dropped = false;
        const ElementList l = TakeElementList(std::span(rec).first(c.recordSize), 352, c.slots, &dropped);
        EXPECT_EQ(dropped, c.dropped) << c.what;
        EXPECT_EQ(l.Slots(), c.taken) << c.what;
        EXPECT_EQ(l.Editable, c.editable) << c.what;
    }
}

TEST(SymbolEditorModel, PointRecordsBuiltFromTheirGraphics)
{
    // No graphics: 352 bytes, extent 0, no colours.
    {
        SymbolEditSession s = OpenPointSymbol(nullptr, -1, TableWithTaken({}));
        const SymbolBytes r = BuildPointSymbol(s);
        const std::vector<uint8_t> b(r.begin(), r.end());
        ASSERT_EQ(b.size(), 352u);
        EXPECT_EQ(GetI16(b, 0), 352);
        EXPECT_EQ(GetI16(b, 348), 0);
        EXPECT_EQ(GetI16(b, 8), 0);
        for (size_t i = 20; i < 52; ++i)
            EXPECT_EQ(b[i], 0) << i;
    }
    // A circle of 2.00 mm centred 1.00 mm from the origin reaches 200.
    {
        TestElement circle = TestElement::Circle(3, 200);
        circle.cords = {{256 * 100, 0}};
        const TestSymbol point = TestSymbol::Point(120, {circle});
        const SymbolBytes stored = Rec(point);
        SymbolEditSession s = OpenPointSymbol(&stored, 4, TableWithTaken({}));
        EXPECT_EQ(s.Position, 4);
        EXPECT_TRUE(s.Lists[0].Editable);
        const SymbolBytes r = BuildPointSymbol(s);
        const std::vector<uint8_t> b(r.begin(), r.end());
        ASSERT_EQ(b.size(), 352u + 8 * 3);
        EXPECT_EQ(GetI16(b, 2), 120);
        EXPECT_EQ(GetI16(b, 348), 3);
        EXPECT_EQ(GetI16(b, 8), 200);
        EXPECT_EQ(b[20], 1 << 3);
        EXPECT_TRUE(std::equal(b.begin() + 352, b.end(), stored.begin() + 352));
    }
}

TEST(SymbolEditorModel, APointListOverTheBufferIsKeptWholeAndOneRunningPastItsRecordIsDropped)
{
    // 513 slots that fit the record: stored again unchanged, its graphics not editable.
    TestSymbol big = TestSymbol::Point(50, {ElementOfSlots(300), ElementOfSlots(213)});
    big.description = "Big";
    const SymbolBytes stored = Rec(big);
    ASSERT_EQ(stored.size(), 352u + 8 * 513);
    SymbolEditSession s = OpenPointSymbol(&stored, 0, TableWithTaken({}));
    EXPECT_FALSE(s.Lists[0].Editable);
    EXPECT_FALSE(s.ListDropped);
    SetShortFieldText(std::span(s.Work).subspan(52, 32), "Changed");
    const SymbolBytes again = BuildPointSymbol(s);
    ASSERT_EQ(again.size(), stored.size());
    EXPECT_TRUE(std::equal(again.begin() + 352, again.end(), stored.begin() + 352));
    EXPECT_EQ(SymI16(again, 348), 513);

    // A count that runs past the record: the list goes, the number and the rest stay.
    TestSymbol past = TestSymbol::Point(60, {ElementOfSlots(4)});
    past.SetI16(348, 40);
    const SymbolBytes pastRec = Rec(past);
    SymbolEditSession p = OpenPointSymbol(&pastRec, 2, TableWithTaken({}));
    EXPECT_TRUE(p.ListDropped);
    const std::vector<uint8_t> b = [&] { const SymbolBytes r = BuildPointSymbol(p); return std::vector<uint8_t>(r.begin(), r.end()); }();
    EXPECT_EQ(b.size(), 352u);
    EXPECT_EQ(GetI16(b, 2), 60);
    EXPECT_EQ(GetI16(b, 348), 0);
    EXPECT_EQ(ShortFieldText(std::span(b).subspan(52, 32)), "Point 60");
}

TEST(SymbolEditorModel, ShortRecordsOpenAsNewSymbols)
{
    const std::vector<int16_t> table = TableWithTaken({{10, 20}});
    const SymbolBytes shortPoint = Rec(TestSymbol::Raw(70, 1, 350));
    const SymbolEditSession p = OpenPointSymbol(&shortPoint, 3, table);
    EXPECT_EQ(SymI16(p.Work, 2), 21);
    EXPECT_EQ(p.Position, 3);
    const SymbolBytes shortLine = Rec(TestSymbol::Raw(70, 2, 420));
    const SymbolEditSession l = OpenLineSymbol(&shortLine, 3, table);
    EXPECT_EQ(SymI16(l.Work, 2), 21);
    EXPECT_EQ(l.Work.size(), 424u);
}

TEST(SymbolEditorModel, LineRecordsKeepTheirWordsAndComputeExtentAndColours)
{
    // 0.35 mm main line, a double line 1.00 mm wide with side lines of 0.10 mm: extent 60.
    TestSymbol dbl = LineWithLists(80, {});
    dbl.SetI16(374, 1);
    dbl.SetI16(384, 100);
    dbl.SetI16(386, 10);
    dbl.SetI16(388, 10);
    dbl.SetI16(380, 4);
    dbl.SetI16(382, 5);
    const SymbolBytes dblRec = Rec(dbl);
    const SymbolBytes r1 = BuildLineSymbol(OpenLineSymbol(&dblRec, 0, TableWithTaken({})));
    const std::vector<uint8_t> b1(r1.begin(), r1.end());
    EXPECT_EQ(GetI16(b1, 8), 60);
    EXPECT_EQ(b1[20], (1 << 0) | (1 << 1) | (1 << 4) | (1 << 5));  // fill 0, main 1, sides 4 and 5
    EXPECT_EQ(GetI16(b1, 394), 0x1357);
    EXPECT_EQ(GetI16(b1, 396), 0x2468);
    EXPECT_EQ(GetI16(b1, 398), 0x0ACE);
    EXPECT_EQ(GetI16(b1, 404), 0x0BDF);

    // Width 0 with a main symbol: only the list's colours.
    TestSymbol noLine = LineWithLists(81, {{TestElement::Dot(6, 50)}});
    noLine.SetI16(350, 0);
    const SymbolBytes noLineRec = Rec(noLine);
    const SymbolBytes r2 = BuildLineSymbol(OpenLineSymbol(&noLineRec, 0, TableWithTaken({})));
    const std::vector<uint8_t> b2(r2.begin(), r2.end());
    EXPECT_EQ(b2[20], 1 << 6);  // colour 1 of the main line is not used
    for (size_t i = 21; i < 52; ++i)
        EXPECT_EQ(b2[i], 0) << i;
}

TEST(SymbolEditorModel, LineListsGoBackInOrderAndAnEmptiedListShrinksTheRecord)
{
    const std::vector<std::vector<TestElement>> lists = {
        {TestElement::Dot(1, 40)}, {TestElement::Circle(2, 60)}, {ElementOfSlots(5, 3)},
        {TestElement::Dot(4, 30)}, {TestElement::Dot(5, 20)}};
    const TestSymbol line = LineWithLists(90, lists);
    const SymbolBytes stored = Rec(line);
    SymbolEditSession s = OpenLineSymbol(&stored, 1, TableWithTaken({}));
    ASSERT_FALSE(s.ListDropped);
    const int slots[5] = {3, 3, 5, 3, 3};
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(s.Lists[size_t(k)].Slots(), slots[k]) << k;
    const SymbolBytes same = BuildLineSymbol(s);
    EXPECT_EQ(std::vector<uint8_t>(same.begin() + 424, same.end()),
              std::vector<uint8_t>(stored.begin() + 424, stored.end()));

    s.Lists[CornerSymList] = {};
    const SymbolBytes r = BuildLineSymbol(s);
    const std::vector<uint8_t> b(r.begin(), r.end());
    ASSERT_EQ(b.size(), stored.size() - 8 * 5);
    EXPECT_EQ(GetI16(b, 0), int16_t(b.size()));
    EXPECT_EQ(GetI16(b, 412), 3);
    EXPECT_EQ(GetI16(b, 414), 3);
    EXPECT_EQ(GetI16(b, 416), 0);
    EXPECT_EQ(GetI16(b, 418), 3);
    EXPECT_EQ(GetI16(b, 420), 3);
    EXPECT_EQ(GetI16(b, 422), 0);
    // The start list now follows the secondary one.
    EXPECT_EQ(GetU16(b, 424 + 8 * 6 + 4), 4);
    EXPECT_FALSE(SymColors(r).test(3));
}

TEST(SymbolEditorModel, ALineListRunningPastItsRecordIsDroppedWithTheListsBehindIt)
{
    TestSymbol line = LineWithLists(95, {{TestElement::Dot(1, 40)}, {TestElement::Dot(2, 40)},
                                         {TestElement::Dot(3, 40)}});
    line.SetI16(414, 50);  // the secondary list claims more than the record holds
    const SymbolBytes stored = Rec(line);
    SymbolEditSession s = OpenLineSymbol(&stored, 0, TableWithTaken({{95, 95}}));
    EXPECT_TRUE(s.ListDropped);
    EXPECT_EQ(s.Lists[MainSymList].Slots(), 3);
    EXPECT_TRUE(s.Lists[SecSymList].Empty());
    EXPECT_TRUE(s.Lists[CornerSymList].Empty());
    const SymbolBytes r = BuildLineSymbol(s);
    const std::vector<uint8_t> b(r.begin(), r.end());
    EXPECT_EQ(GetI16(b, 2), 95);  // not made new, so not renumbered
    EXPECT_EQ(b.size(), 424u + 8 * 3);
    EXPECT_EQ(GetI16(b, 350), 35);
    EXPECT_EQ(GetI16(b, 394), 0x1357);
}

TEST(SymbolEditorModel, ListsTooLargeForOneRecordAreNotBuilt)
{
    SymbolEditSession s = OpenLineSymbol(nullptr, -1, TableWithTaken({}));
    for (int k = 0; k < 5; ++k)
        s.Lists[size_t(k)].Bytes.assign(8 * 512, 0);
    EXPECT_EQ(BuildLineSymbol(s).size(), size_t(MaxSymbolBytes));
    s.Lists[0].Bytes.assign(8 * 513, 0);
    EXPECT_TRUE(BuildLineSymbol(s).empty());
}

TEST(SymbolEditorModel, DialogEntriesMapBothWays)
{
    struct TypeCase {
        int stored;
        int entry;
    };
    for (const TypeCase c : {TypeCase{0, 0}, {1, 1}, {2, 2}, {4, 3}, {3, 0}, {9, 0}})
        EXPECT_EQ(CsObjTypeEntry(c.stored), c.entry) << c.stored;
    for (const TypeCase c : {TypeCase{0, 0}, {1, 1}, {2, 2}, {4, 3}, {0, -1}})
        EXPECT_EQ(CsObjTypeOfEntry(c.entry), c.stored) << c.entry;
    for (const TypeCase c : {TypeCase{-1, 0}, {0, 1}, {1, 2}, {2, 1}, {-2, 1}})
        EXPECT_EQ(MinSymEntry(c.stored), c.entry) << c.stored;
    for (const TypeCase c : {TypeCase{0, 0}, {1, 1}, {6, 6}, {7, 0}, {255, 0}})
        EXPECT_EQ(LineToolEntry(c.stored), c.entry) << c.stored;
    for (const TypeCase c : {TypeCase{0, 0}, {1, 1}, {4, 2}, {5, 1}, {2, 0}})
        EXPECT_EQ(LineStyleOfBits(c.stored), c.entry) << c.stored;
    for (const TypeCase c : {TypeCase{0, 0}, {1, 1}, {4, 2}})
        EXPECT_EQ(LineStyleBits(c.entry), c.stored) << c.entry;
}

// ---- On a map ----

class SymbolEditorMap : public SymbolsTest {};

TEST_F(SymbolEditorMap, ANewSymbolNeedsAFreeNumberAndRoomInTheList)
{
    // 1.0 .. 999.9 and 0.1 .. 0.9 all taken: no number is left.
    {
        TestMapWriter w(8);
        for (int16_t n = 1; n <= 9999; ++n)
            w.symbols.push_back(TestSymbol::Raw(n, 1, 352));
        Open(w);
        ASSERT_EQ(Z().SymbolCount(), 9999);
        EXPECT_FALSE(CanCreateSymbol());
    }
    // 9999 symbols of which two share a number: a number is free, but the list is full.
    {
        TestMapWriter w(8);
        for (int16_t n = 1; n <= 9999; ++n)
            w.symbols.push_back(TestSymbol::Raw(n == 9999 ? 9998 : n, 1, 352));
        Open(w);
        ASSERT_EQ(Z().SymbolCount(), 9999);
        ASSERT_EQ(FirstFreeSymbolNumber(Z().NumberTable), 9999);
        EXPECT_FALSE(CanCreateSymbol());
    }
    // One symbol fewer: a new one can be made.
    {
        TestMapWriter w(8);
        for (int16_t n = 1; n <= 9998; ++n)
            w.symbols.push_back(TestSymbol::Raw(n, 1, 352));
        Open(w);
        EXPECT_TRUE(CanCreateSymbol());
    }
}
