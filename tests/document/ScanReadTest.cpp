// A rectangle scan's read takes along the records the scan visits next: each object still
// reads as the file holds it, across gaps, out of order and after a change between reads.
// A scan of a list collected once finds what the scan of the index finds.
#include "DocumentFixture.h"

namespace zemo::test {
namespace {

// {number, points, last x in mm} of each object the scan for the colour reads, up to `stop`.
std::vector<std::vector<int>> ReadScan(int colour, int stop = 0)
{
    std::vector<std::vector<int>> read;
    while (NextElementInRect(AllMap, colour)) {
        const int n = Index.CurIndexNo;
        EXPECT_TRUE(ReadElement(n, Index.DrawElement));
        const ElementRecord& e = Index.DrawElement;
        read.push_back({n, e.nItem, e.Slots[size_t(std::max(e.nItem - 1, 0))].x / mm});
        if (n == stop)
            break;
    }
    return read;
}

TEST_F(DocTest, AScanReadsEachObjectAsStoredAcrossGapsAndAfterAChange)
{
    // Object i: i + 1 points up to 2i mm, in colour (i + 1) mod 2.
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(10, 0), TestSymbol::Line(20, 1)};
    for (int i = 1; i <= 7; ++i) {
        std::vector<TestCord> cords;
        for (int k = 0; k <= i; ++k)
            cords.push_back({(i + k) * mm, 0});
        w.objects.push_back(TestObject::Line(int16_t(10 + 10 * ((i + 1) % 2)), cords));
    }
    Open(w);
    StartElementScan(0);
    EXPECT_EQ(ReadScan(1), (std::vector<std::vector<int>>{{2, 3, 4}, {4, 5, 8}, {6, 7, 12}}));

    // After object 1 is read: object 3 grows and moves to the end, object 2 changes in place.
    StartElementScan(0);
    ReadScan(-1, 1);
    for (const int n : {3, 2}) {
        ASSERT_TRUE(ReadElement(n, Index.CurElement));
        ElementRecord& e = Index.CurElement;
        e.Slots[size_t(n == 3 ? e.nItem++ : e.nItem - 1)] = {(10 * n + 10) * mm, 0};
        ASSERT_TRUE(SaveElement(n));
    }
    EXPECT_EQ(ReadScan(-1), (std::vector<std::vector<int>>{
                                {2, 3, 30}, {3, 5, 40}, {4, 5, 8}, {5, 6, 10}, {6, 7, 12}, {7, 8, 14}}));
}

TEST_F(DocTest, AListedScanFindsAndReadsWhatTheIndexScanDoes)
{
    // Over two blocks: lines of two colours, an area of two, a deleted and a course-only
    // object, one of an undefined symbol (the default symbol's colour 0), empty slots.
    TestMapWriter w = ColouredSymbolsMap();  // the area has two colours
    std::vector<std::vector<TestCord>> cords;
    for (int i = 0; i < 300; ++i) {
        const int32_t x = (i * 37 % 100) * mm;
        TestObject o = i % 3 == 2 ? TestObject::Area(30, {{x, 0}, {x + mm, 0}, {x + mm, mm}, {x, 0}})
                                  : TestObject::Line(i % 3 ? 20 : 10, {{x, 0}, {x + 2 * mm, mm}});
        o.deleted = i % 41 == 7;
        o.courseOnly = i == 50;
        if (i == 260)
            o.symbol10 = 990;
        w.objects.push_back(i % 53 == 11 ? TestObject::EmptySlot() : o);
        cords.push_back(o.cords);
    }
    Open(w);
    ElementsInRect list;
    for (const CordRect& r : {AllMap, CordRect{20 * mm, 0, 40 * mm, mm / 2}, CordRect{500 * mm, 0, 600 * mm, mm}}) {
        ASSERT_TRUE(CollectElementsInRect(r, list));
        EXPECT_EQ(list.numbers, Scan(r));
        for (const int colour : {-1, 0, 3, 7, 9, 256}) {
            std::vector<int> listed;
            list.at = 0;
            while (NextListedElement(list, colour)) {
                listed.push_back(Index.CurIndexNo);
                EXPECT_EQ(Index.CurIndex, Z().Entry(Index.CurIndexNo));
                // Read with those found next, as written.
                const ElementRecord& e = Index.DrawElement;
                ASSERT_TRUE(ReadElement(Index.CurIndexNo, Index.DrawElement));
                const std::vector<TestCord>& want = cords[size_t(Index.CurIndexNo - 1)];
                ASSERT_EQ(e.nItem, want.size());
                for (size_t k = 0; k < want.size(); ++k)
                    EXPECT_TRUE(e.Slots[k].x == want[k].x && e.Slots[k].y == want[k].y) << Index.CurIndexNo;
            }
            EXPECT_EQ(listed, Scan(r, colour)) << "colour " << colour;
        }
    }
    // A list gone before its last find is read: the read does not look into it.
    {
        ElementsInRect gone;
        ASSERT_TRUE(CollectElementsInRect(AllMap, gone));
        ASSERT_TRUE(NextListedElement(gone, 7));
    }
    const int found = Index.CurIndexNo;
    EXPECT_TRUE(ReadElement(found, Index.DrawElement));
    EXPECT_EQ(Index.DrawElement.Symbol, Z().Entry(found).Symbol);
}

} // namespace
} // namespace zemo::test
