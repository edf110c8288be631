// A rectangle scan's read takes along the records the scan visits next: each object still
// reads as the file holds it, across gaps, out of order and after a change between reads.
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

} // namespace
} // namespace zemo::test
