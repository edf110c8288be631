// Edit > Merge on lines, areas and texts: what joins and what stays, the point limit, the text
// limit, and one undo action for the whole merge.
#include "CutFixture.h"

namespace zemo::test {
namespace {

using MergeTest = CutTest;

TestObject Square(double x, double y, double side)
{
    const int32_t x1 = int32_t(x * Mm), y1 = int32_t(y * Mm), s = int32_t(side * Mm);
    return TestObject::Area(CutTest::AreaN, {{x1, y1}, {x1 + s, y1}, {x1 + s, y1 + s}, {x1, y1 + s}});
}

TEST_F(MergeTest, WhatMayBeMerged)
{
    TestObject lineText = TestObject::LineText(LineTextN, {{0, 20 * Mm}, {10 * Mm, 20 * Mm}}, "Brook");
    OpenCutMap({TestObject::Line(LineN, {{0, 0}, {10 * Mm, 0}}),              // 1
                TestObject::Line(LineN, {{0, 2 * Mm}, {10 * Mm, 2 * Mm}}),      // 2
                TestObject::Line(OtherLineN, {{0, 4 * Mm}, {10 * Mm, 4 * Mm}}), // 3
                Square(20, 0, 5), Square(30, 0, 5),                             // 4, 5
                TestObject::Text(TextN, 0, 30 * Mm, "A"), TestObject::Text(TextN, 0, 35 * Mm, "B"),  // 6, 7
                lineText, lineText,                                                                // 8, 9
                TestObject::Point(CircleN, 50 * Mm, 0), TestObject::Point(CircleN, 60 * Mm, 0)});  // 10, 11
    const struct {
        std::vector<int> objects;
        bool can;
        int kind;
    } rows[] = {
        {{1, 2}, true, MergeLineKind},   {{1}, false, 0},          {{1, 3}, false, 0},
        {{4, 5}, true, MergeAreaKind},   {{1, 4}, false, 0},       {{6, 7}, true, MergeTextKind},
        {{8, 9}, false, 0},              {{10, 11}, false, 0},     {{1, 2, 4}, false, 0},
    };
    for (const auto& r : rows) {
        EndCurrentTool();
        DropSelection();
        for (int n : r.objects) {
            ASSERT_TRUE(GetIndex(n));
            ToggleSelection(n);
        }
        if (r.objects.size() == 1)
            ClearSelectionBits();
        EXPECT_EQ(CanMerge(), r.can) << r.objects.size() << " from " << r.objects.front();
        EXPECT_EQ(Merge.MergeKind, r.kind) << r.objects.size() << " from " << r.objects.front();
    }
}

TEST_F(MergeTest, LinesWhoseEndsMeetBecomeOneAndOthersStay)
{
    const Cord a = AtMm(0, 0), b = AtMm(10, 0), c = AtMm(10, 10), d = AtMm(0, 10);
    OpenCutMap({TestObject::Line(LineN, {{a.x, a.y}, {b.x, b.y}}), TestObject::Line(LineN, {{b.x, b.y}, {c.x, c.y}}),
                TestObject::Line(LineN, {{d.x, d.y}, {c.x, c.y}}),
                // 0.3 mm from the first line's start and 0.2 mm from the third's end.
                TestObject::Line(LineN, {{-30 * Mm, 0}, {a.x - 30 * 256, a.y}}),
                TestObject::Line(LineN, {{d.x - 20 * 256, d.y + 20 * 256}, {-20 * Mm, 20 * Mm}})});
    SelectObjects({1, 2, 3, 4, 5});
    ASSERT_TRUE(CanMerge());
    int selected = 0;
    CheckUndoRedo(Snap(), [&] {
        MergeObjects();
        selected = Index.SelectionCount;
    }, UndoWindowEdit, RedoWindowEdit);
    // A-B, B-C and D-C (drawn the other way) are one line A-B-C-D with the line 0.2 mm off D
    // on its end; the line 0.3 mm off A stays apart.
    ASSERT_EQ(LiveObjects(), (std::vector<int>{1, 4}));
    EXPECT_EQ(PlainPointsOf(1), (std::vector<Cord>{a, b, c, AtMm(0, 10), AtMm(-20, 20)}));
    EXPECT_EQ(PlainPointsOf(4), (std::vector<Cord>{AtMm(-30, 0), {a.x - 30 * 256, a.y}}));
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(MergeTest, TwoOverlappingSquaresBecomeOneArea)
{
    OpenCutMap({Square(0, 0, 10), Square(5, 5, 10), Square(40, 0, 5)});
    SelectObjects({1, 2, 3});
    ASSERT_TRUE(CanMerge());
    int selected = 0;
    CheckUndoRedo(Snap(), [&] {
        MergeObjects();
        selected = Index.SelectionCount;
    }, UndoWindowEdit, RedoWindowEdit);
    EXPECT_EQ(selected, 2);
    // The overlapping two make one area, the third one of its own.
    const std::vector<int> live = LiveObjects();
    ASSERT_EQ(live.size(), 2u);
    std::vector<Cord> outline = PlainPointsOf(live[0]);
    std::sort(outline.begin(), outline.end(), [](Cord p, Cord q) { return p.x != q.x ? p.x < q.x : p.y < q.y; });
    EXPECT_EQ(outline, (std::vector<Cord>{AtMm(0, 0), AtMm(0, 10), AtMm(5, 10), AtMm(5, 15), AtMm(10, 0),
                                          AtMm(10, 5), AtMm(15, 5), AtMm(15, 15)}));
    EXPECT_DOUBLE_EQ(PolygonArea(Stored(live[0]).Cords(), Stored(live[0]).nItem), 175.0 * 10000);
    EXPECT_EQ(PlainPointsOf(live[1]).size(), 4u);
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(MergeTest, AreasBeyondOneObjectsPointsAreRefusedAndTheMapStaysByteForByte)
{
    // Two combs of 17,000 points each, overlapping.
    auto comb = [](double x0) {
        std::vector<TestCord> p;
        for (int k = 0; k < 8499; ++k) {
            p.push_back({int32_t((x0 + k * 0.02) * Mm), 0});
            p.push_back({int32_t((x0 + k * 0.02 + 0.01) * Mm), Mm});
        }
        p.push_back({int32_t((x0 + 170) * Mm), 20 * Mm});
        p.push_back({int32_t(x0 * Mm), 20 * Mm});
        return TestObject::Area(AreaN, p);
    };
    OpenCutMap({comb(0), comb(5)});
    const std::vector<uint8_t> bytes = FlushedBytes();
    SelectObjects({1, 2});
    ASSERT_TRUE(CanMerge());
    MergeObjects();
    EXPECT_EQ(messages.CountOf(TextKey::TooManyMerge), 1);
    EXPECT_EQ(messages.Last().helpContext, MergeHelpContext);
    EXPECT_EQ(FlushedBytes(), bytes);
    EXPECT_FALSE(CanUndo());
}

// A bowtie's second loop runs the other way round: the union's rings cannot be traced.
TEST_F(MergeTest, AreasWhoseUnionCannotBeTracedStayAsTheyWere)
{
    OpenCutMap({TestObject::Area(AreaN, {{0, 0}, {20 * Mm, 20 * Mm}, {20 * Mm, 0}, {0, 20 * Mm}}),
                TestObject::Area(AreaN, {{-5 * Mm, 8 * Mm}, {25 * Mm, 8 * Mm}, {25 * Mm, 12 * Mm}, {-5 * Mm, 12 * Mm}})});
    const std::vector<uint8_t> bytes = FlushedBytes();
    SelectObjects({1, 2});
    EXPECT_FALSE(MergeAreas());
    EXPECT_EQ(messages.CountOf(TextKey::CannotMergeAreas), 1);
    EXPECT_EQ(FlushedBytes(), bytes);
    EXPECT_FALSE(CanUndo());
    EXPECT_TRUE(ShowsAFreshPaint());
}

TEST_F(MergeTest, TextsBecomeOneFromTheTopDownWithLineBreaks)
{
    OpenCutMap({TestObject::Text(TextN, 0, 0, "low"), TestObject::Text(TextN, 0, 20 * Mm, "top"),
                TestObject::Text(TextN, 0, 10 * Mm, "mid"), TestObject::Text(TextN, 30 * Mm, 10 * Mm, "beside")});
    SelectObjects({1, 2, 3, 4});
    ASSERT_TRUE(CanMerge());
    int selected = 0;
    CheckUndoRedo(Snap(), [&] {
        MergeObjects();
        selected = Index.SelectedIndex;
    }, UndoWindowEdit, RedoWindowEdit);
    const std::vector<int> live = LiveObjects();
    ASSERT_EQ(live.size(), 1u);
    // Texts at one height are all kept, in the order they were selected.
    EXPECT_EQ(TextOf(Stored(live[0])), u"top\r\nmid\r\nbeside\r\nlow");
    EXPECT_EQ(Plain(Stored(live[0]).Cords()[0]), AtMm(0, 20));
    EXPECT_EQ(selected, live[0]);
    EXPECT_EQ(CurrentSymbolPos(), TextPos);
}

TEST_F(MergeTest, TextsThatDoNotFitStayObjectsOfTheirOwn)
{
    OpenCutMap({TestObject::Text(TextN, 0, 20 * Mm, std::string(5000, 'a')),
                TestObject::Text(TextN, 0, 10 * Mm, std::string(3000, 'b')),
                TestObject::Text(TextN, 0, 0, std::string(4000, 'c'))});
    SelectObjects({1, 2, 3});
    MergeObjects();
    const std::vector<int> live = LiveObjects();
    ASSERT_EQ(live, (std::vector<int>{3, 4}));
    EXPECT_EQ(TextOf(Stored(4)), std::u16string(5000, u'a') + u"\r\n" + std::u16string(3000, u'b'));
    EXPECT_EQ(TextOf(Stored(3)), std::u16string(4000, u'c'));
    // Undo brings the two merged back; the third was never touched.
    UndoWindowEdit();
    EXPECT_EQ(LiveObjects(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(TextOf(Stored(1)), std::u16string(5000, u'a'));
}

} // namespace
} // namespace zemo::test
