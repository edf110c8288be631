#include "render/Rects.h"

#include "core/Folders.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "PointsTestUtil.h"

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::ptest;

namespace {

class RectPainter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        MapUnitTransform();
        StartCollecting();
        Graph.CurrentColor = 4;
    }
    void TearDown() override
    {
        DrawSymbol = DefaultSymbol.data();
    }
    void Draw(const std::vector<uint8_t>& rec, std::initializer_list<Cord> cords, int angle = 0)
    {
        symbol = rec;
        DrawSymbol = symbol.data();
        SetObject(DrawElement, 20, 5, cords, angle);
        DrawRectangleObject();
    }
    std::vector<uint8_t> symbol;
};

// Corners of an unturned 30 x 20 mm rectangle at (10, 10) mm.
const Cord LL{10 * Mm, 10 * Mm}, LR{40 * Mm, 10 * Mm}, UR{40 * Mm, 30 * Mm}, UL{10 * Mm, 30 * Mm};

} // namespace

TEST_F(RectPainter, RadiusIsCutToHalfTheShortSide)
{
    Draw(RectSymbol(20, 4, 35, 5000, 0, 0, 0), {LL, LR, UR, UL});
    const auto got = CollectedElements();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].width, 35);
    EXPECT_EQ(got[0].style, 1);
    // r = 10 mm: the left and right sides are half circles; the path starts at (x1 + r, y1).
    const auto& c = got[0].cords;
    ASSERT_EQ(c.size(), 17u);
    EXPECT_EQ(c[0], (Cord{20 * Mm, 10 * Mm}));
    EXPECT_EQ(c[1], (Cord{30 * Mm, 10 * Mm}));
    EXPECT_EQ(c[2].x & FirstBezierFlag, FirstBezierFlag);
    EXPECT_EQ(Masked(c[2].x), 40 * Mm - Masked(int32_t(std::nearbyint(0.45 * 10 * Mm))));
    EXPECT_EQ(c[3].x & SecondBezierFlag, SecondBezierFlag);
    EXPECT_EQ(c[4], (Cord{40 * Mm, 20 * Mm}));
    EXPECT_EQ(c[5], (Cord{40 * Mm, 20 * Mm}));   // the straight side has no length
    EXPECT_EQ(c[16], c[0]);
}

TEST_F(RectPainter, CornersInTheWrongOrderAreNormalised)
{
    Draw(RectSymbol(20, 4, 35, 300, 0, 0, 0), {LL, LR, UR, UL});
    const auto right = CollectedElements();
    for (auto order : {std::vector<Cord>{UR, UL, LL, LR}, std::vector<Cord>{LR, LL, UL, UR}}) {
        Graph.SymbolElementSlots = 0;
        symbol = RectSymbol(20, 4, 35, 300, 0, 0, 0);
        DrawSymbol = symbol.data();
        SetObject(DrawElement, 20, 5, {order[0], order[1], order[2], order[3]});
        DrawRectangleObject();
        const auto got = CollectedElements();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].cords, right[0].cords);
    }
    RectFrame f;
    SetObject(DrawElement, 20, 5, {UR, UL, LL, LR}, 300);
    ASSERT_TRUE(RectangleFrame(DrawElement, f));
    EXPECT_LT(f.X1, f.X2);
    EXPECT_LT(f.Y1, f.Y2);
    EXPECT_GE(RectCornerRadiusUnits(f, 300), 0);
}

TEST_F(RectPainter, GridLinesAndLabelsNumberedFromTheBottom)
{
    // 3 x 2 cells of 10 mm; numbered from the bottom; the last two cells read "X".
    const auto rec = RectSymbol(20, 4, 35, 0, 1 | 4, 1000, 1000, 2, "X");
    Draw(rec, {LL, LR, UR, UL});
    const auto got = CollectedElements();
    // The outline and the inner lines, then the labels' characters (RectLabelsTest).
    ASSERT_GT(got.size(), 1u + 2 + 1);
    EXPECT_EQ(got[1].width, 13);
    EXPECT_EQ(got[1].cords, (std::vector<Cord>{{20 * Mm, 10 * Mm}, {20 * Mm, 30 * Mm}}));
    EXPECT_EQ(got[2].cords, (std::vector<Cord>{{30 * Mm, 10 * Mm}, {30 * Mm, 30 * Mm}}));
    EXPECT_EQ(got[3].width, 14);
    EXPECT_EQ(got[3].cords, (std::vector<Cord>{{10 * Mm, 20 * Mm}, {40 * Mm, 20 * Mm}}));
    RectFrame f;
    ASSERT_TRUE(RectangleFrame(DrawElement, f));
    const auto labels = RectGridLabels(f, rec);
    ASSERT_EQ(labels.size(), 6u);
    const char* expected[6] = {"4", "X", "X", "1", "2", "3"};   // top row first
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(labels[size_t(i)].Text, expected[i]) << i;
    // Top-left label: 0.07 of a cell in, 0.05 of a cell down, then 4.2 mm to the baseline.
    EXPECT_EQ(labels[0].Pos, (Cord{10 * Mm + 17920, 30 * Mm - 12800 - 107520}));

    // Numbered from the top, nothing unnumbered.
    const auto top = RectGridLabels(RectFrame{LL.x, LL.y, UR.x, UR.y}, RectSymbol(20, 4, 35, 0, 1, 1000, 1000));
    ASSERT_EQ(top.size(), 6u);
    EXPECT_EQ(top[0].Text, "1");
    EXPECT_EQ(top[5].Text, "6");
}

TEST_F(RectPainter, TurnedGridLabelsGetCentreAndAngle)
{
    Cord c[4] = {LL, LR, UR, UL};
    const Cord m{25 * Mm, 20 * Mm};
    // Quarter turn about the centre.
    Cord t[4];
    for (int i = 0; i < 4; ++i)
        t[i] = {m.x - (c[i].y - m.y), m.y + (c[i].x - m.x)};
    const auto rec = RectSymbol(20, 4, 35, 0, 1, 1000, 0);
    Draw(rec, {t[0], t[1], t[2], t[3]}, 900);
    // The labels turn about the centre by the object's angle.
    RectFrame f;
    ASSERT_TRUE(RectangleFrame(DrawElement, f));
    EXPECT_EQ(f.Centre, m);
    EXPECT_EQ(f.Angle, 900);
    EXPECT_EQ(RectGridLabels(f, rec).size(), 3u);
    const auto got = CollectedElements();
    ASSERT_GT(got.size(), 3u);   // outline, two inner lines, then the labels' characters
    // The first inner line x = 20 mm turns to y = 15 mm, running from x = 35 to x = 15 mm.
    EXPECT_EQ(got[1].cords, (std::vector<Cord>{{35 * Mm, 15 * Mm}, {15 * Mm, 15 * Mm}}));
}

TEST_F(RectPainter, TinyCellsOnALargeRectangleAreBounded)
{
    // 0.01 mm cells on a 1 m rectangle: 10^10 cells asked for.
    const Cord a{0, 0}, b{1000 * Mm, 1000 * Mm};
    Draw(RectSymbol(20, 4, 35, 0, 1, 1, 1), {a, {b.x, a.y}, b, {a.x, b.y}});
    EXPECT_EQ(CollectedElements().size(), 1u);   // the outline only, no labels
    // Within the line bound but above the label bound: lines, no labels.
    RectFrame f{0, 0, 1000 * Mm, 1000 * Mm};
    const auto cells = RectGridCells(f, RectSymbol(20, 4, 35, 0, 1, 500, 500));
    Graph.SymbolElementSlots = 0;
    Draw(RectSymbol(20, 4, 35, 0, 1, 500, 500), {a, {b.x, a.y}, b, {a.x, b.y}});
    const auto got = CollectedElements();
    ASSERT_GT(got.size(), 1u);
    for (size_t i = 1; i < got.size(); ++i)   // inner lines only, no label characters
        EXPECT_TRUE(got[i].width == 13 || got[i].width == 14) << i;
    EXPECT_EQ(cells.Columns * cells.Rows, 200 * 200);
    EXPECT_TRUE(RectGridLabels(f, RectSymbol(20, 4, 35, 0, 1, 500, 500)).empty());
    EXPECT_EQ(RectGridLabels(f, RectSymbol(20, 4, 35, 0, 1, 1000, 1000)).size(), 10000u);
}

TEST_F(RectPainter, WrongSymbolGivesGreyDefaultAndTextBoxesAreLeftToTheTextPainter)
{
    std::vector<uint8_t> wrong = RectSymbol(20, 4, 35, 500, 1, 1000, 1000);
    Put16(wrong, 4, 3);   // not a rectangle symbol
    Draw(wrong, {LL, LR, UR, UL});
    auto got = CollectedElements();
    ASSERT_EQ(got.size(), 1u);   // no grid, no radius
    EXPECT_EQ(got[0].width, 15);
    EXPECT_EQ(got[0].cords.size(), 5u);

    // Another colour's pass draws nothing of a good symbol.
    Graph.SymbolElementSlots = 0;
    Graph.CurrentColor = 5;
    Draw(RectSymbol(20, 4, 35, 0, 0, 0, 0), {LL, LR, UR, UL});
    EXPECT_TRUE(CollectedElements().empty());

    // Equal opposite corners, or a text box: no outline.
    Graph.CurrentColor = 4;
    Draw(RectSymbol(20, 4, 35, 0, 0, 0, 0), {LL, LR, LL, UL});
    EXPECT_TRUE(CollectedElements().empty());
    symbol = RectSymbol(20, 4, 35, 0, 0, 0, 0);
    DrawSymbol = symbol.data();
    SetObject(DrawElement, 20, 5, {LL, LR, UR, UL});
    DrawElement.nText = 2;
    DrawRectangleObject();
    EXPECT_TRUE(CollectedElements().empty());
}
