// Objects read during a rectangle scan, which reads the records it visits next along with the
// one asked for: each reads as the file holds it, with gaps between the records, out of
// order, and after a change between two reads.
#include "../support/TestMapWriter.h"
#include "document/Index.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class ScanRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetIndexState();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        SetCurrentMap(nullptr);
        Index.MapOpen = false;
    }
    void Open(const TestMapWriter& w)
    {
        const std::string path = dir.filePath("map.zmd").toStdString();
        ASSERT_TRUE(WriteFileBytes(path, w.Build()));
        zmd.WorkFile.Open(QString::fromStdString(path));
        SetCurrentMap(&zmd);
        LoadMap();
        Index.MapOpen = true;
    }
    QTemporaryDir dir;
    TZmd zmd;
};

// Object i (1-based) of symbol 10 x (1 + (i + 1) % 2): i + 1 points from (i mm, 0) on, 1 mm apart.
TestMapWriter Lines(int count)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Line(10, 0));
    w.symbols.push_back(TestSymbol::Line(20, 1));
    for (int i = 1; i <= count; ++i) {
        std::vector<TestCord> cords;
        for (int k = 0; k <= i; ++k)
            cords.push_back({(i + k) * Mm, 0});
        w.objects.push_back(TestObject::Line(int16_t(10 * (1 + (i + 1) % 2)), cords));
    }
    return w;
}

// Each object the scan for the colour finds, read: its number, count and last point's x.
std::vector<std::vector<int>> ReadScan(int colour, int stopAfter = 0)
{
    std::vector<std::vector<int>> read;
    while (NextElementInRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit}, colour)) {
        const int n = Index.CurIndexNo;
        EXPECT_TRUE(ReadElement(n, Index.DrawElement));
        const ElementRecord& e = Index.DrawElement;
        read.push_back({n, e.nItem, e.nItem ? e.Slots[size_t(e.nItem - 1)].x / Mm : -1});
        if (n == stopAfter)
            break;
    }
    return read;
}

TEST_F(ScanRead, EachObjectReadsAsStoredAcrossGapsAndAfterChanges)
{
    Open(Lines(7));
    StartElementScan(0);
    EXPECT_EQ(ReadScan(-1), (std::vector<std::vector<int>>{
                                {1, 2, 2}, {2, 3, 4}, {3, 4, 6}, {4, 5, 8}, {5, 6, 10}, {6, 7, 12}, {7, 8, 14}}));
    // Colour 1: every second record, the others lie between.
    StartElementScan(0);
    EXPECT_EQ(ReadScan(1), (std::vector<std::vector<int>>{{2, 3, 4}, {4, 5, 8}, {6, 7, 12}}));

    // After object 1 is read: object 2 changes in place, object 3 grows and moves to the end
    // of the file.
    StartElementScan(0);
    ASSERT_EQ(ReadScan(-1, 1).size(), 1u);
    for (const int n : {3, 2}) {
        ASSERT_TRUE(ReadElement(n, Index.CurElement));
        ElementRecord& e = Index.CurElement;
        if (n == 3)
            e.Slots[size_t(e.nItem++)] = {40 * Mm, 0};
        else
            e.Slots[size_t(e.nItem - 1)] = {50 * Mm, 0};
        ASSERT_TRUE(SaveElement(n));
    }
    EXPECT_EQ(ReadScan(-1), (std::vector<std::vector<int>>{
                                {2, 3, 50}, {3, 5, 40}, {4, 5, 8}, {5, 6, 10}, {6, 7, 12}, {7, 8, 14}}));
}

} // namespace
} // namespace zemo::test
