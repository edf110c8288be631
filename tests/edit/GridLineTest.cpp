// Grid lines over the map: which of the candidate lines become objects (counted here from the
// map's extent), the two families, the one undo step and the symbols that cannot draw them.
#include "WholeMapFixture.h"

#include "edit/GridLine.h"

#include <set>

namespace zemo::test {
namespace {

class GridLineTest : public WholeMapTest {
protected:
    void SetUp() override
    {
        WholeMapTest::SetUp();
        OpenKinds();
        S().CurrentSymbolIndex = 2;  // the line symbol
    }
    // Where the lines made after object `first` lie: the y of each horizontal line and the
    // x of each vertical one; every line is a two-point line of the current symbol.
    void Lines(int first, std::multiset<int32_t>& ys, std::multiset<int32_t>& xs)
    {
        for (int n = first + 1; n <= zmd->HighestObject; ++n) {
            const FileObject o = *ObjectInFile(FlushedBytes(), n);
            ASSERT_EQ(o.type, LineObject);
            ASSERT_EQ(o.symbol, LineSym);
            ASSERT_EQ(o.cords.size(), 2u);
            if (o.cords[0].y == o.cords[1].y)
                ys.insert(o.cords[0].y);
            else if (o.cords[0].x == o.cords[1].x)
                xs.insert(o.cords[0].x);
            else
                ADD_FAILURE() << "a slanted line";
        }
    }
    // The positions o + k d (k = -n .. n, d in mm, o in units) that lie within [lo, hi].
    static std::multiset<int32_t> Expected(int32_t o, double d, int32_t lo, int32_t hi)
    {
        std::multiset<int32_t> out;
        const int n = int(std::nearbyint(2000 / d * 3));
        for (int k = -n; k <= n; ++k) {
            const int64_t v = o + int64_t(std::nearbyint(k * d * 100)) * U;
            if (v >= lo && v <= hi)
                out.insert(int32_t(v));
        }
        return out;
    }
};

TEST_F(GridLineTest, OfTheCandidatesExactlyTheLinesMeetingTheExtentAreMade)
{
    CordRect r;
    ASSERT_TRUE(GetMapExtent(r));
    struct Row {
        const char* name;
        GridLineValues v;
        double horizontalSpacing, verticalSpacing;  // after the turn
    };
    const Row rows[] = {
        {"10 mm", {10, 10, 0, 0.5, 0.25, true, true}, 10, 10},
        {"7 and 10 mm", {10, 7, 0, 0.5, 0.25, true, true}, 7, 10},
        // A quarter turn: the horizontal family (7 mm apart) stands upright.
        {"turned 90 degrees", {10, 7, 90, 0.5, 0.25, true, true}, 10, 7},
        {"vertical lines only", {10, 7, 0, 0.5, 0.25, true, false}, 0, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int first = zmd->HighestObject;
        const int made = CreateGridLinesWith(row.v);
        std::multiset<int32_t> ys, xs;
        Lines(first, ys, xs);
        const int32_t x0 = int32_t(row.v.HorOffsetMm * 100) * U, y0 = int32_t(row.v.VerOffsetMm * 100) * U;
        const std::multiset<int32_t> wantYs =
            row.horizontalSpacing ? Expected(y0, row.horizontalSpacing, r.y1, r.y2) : std::multiset<int32_t>{};
        const std::multiset<int32_t> wantXs = Expected(x0, row.verticalSpacing, r.x1, r.x2);
        EXPECT_EQ(ys, wantYs);
        EXPECT_EQ(xs, wantXs);
        EXPECT_EQ(made, int(ys.size() + xs.size()));
        EXPECT_GT(made, 10);
        EXPECT_EQ(Index.SelectionCount, 0);
        // One undo takes every line back.
        UndoWindowEdit();
        EXPECT_EQ(Live(), KindCount);
    }
}

TEST_F(GridLineTest, WithBothFamiliesOffOnlyAnEmptyUndoStepIsLeft)
{
    EXPECT_FALSE(CanUndo());
    EXPECT_EQ(CreateGridLinesWith({10, 10, 0, 0, 0, false, false}), 0);
    EXPECT_EQ(zmd->HighestObject, KindCount);
    EXPECT_TRUE(CanUndo());
    UndoWindowEdit();
    EXPECT_EQ(Live(), KindCount);
}

TEST_F(GridLineTest, AMapWithoutObjectsGetsNoLines)
{
    TestMapWriter w = KindsMap();
    w.objects.clear();
    CloseMap();
    OpenKinds(w);
    S().CurrentSymbolIndex = 2;
    EXPECT_EQ(CreateGridLinesWith({10, 10, 0, 0, 0, true, true}), 0);
    EXPECT_EQ(zmd->HighestObject, 0);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(GridLineTest, OnlyAPlainLineSymbolDrawsThem)
{
    int dialogs = 0;
    EditPorts().RunGridLineDialog.Bind([&](GridLineValues& v) {
        ++dialogs;
        v = {50, 50, 0, 0, 0, true, true};
        return true;
    });
    // The area, the line-text symbol, none.
    for (int pos : {3, 7, -1}) {
        SCOPED_TRACE(pos);
        messages.Clear();
        S().CurrentSymbolIndex = int16_t(pos);
        CreateGridLines();
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::LineSymRequired);
        EXPECT_EQ(dialogs, 0);
        EXPECT_EQ(zmd->HighestObject, KindCount);
    }
    S().CurrentSymbolIndex = 2;
    messages.Clear();
    CreateGridLines();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_GT(zmd->HighestObject, KindCount);
}

} // namespace
} // namespace zemo::test
