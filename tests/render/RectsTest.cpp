// The rectangle painter in output mode 7 (outline, radius, grid lines, bounds) and the cell
// labels of its grid as the output layer draws them: characters, size, angle and bound.
#include "Fixture.h"

#include "platform/Fonts.h"
#include "render/RectLabels.h"
#include "render/Rects.h"

using namespace zemo;
using namespace zemo::rtest;

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

namespace {

// 0.1 mm per device unit, y down; map (0, 0) lands on device (20, 420).
constexpr double Unit = 2560;
constexpr int ImageW = 640, ImageH = 440;

QPointF Dev(double x, double y) { return QPointF(x / Unit + 20, 420 - y / Unit); }

class RectLabels : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLayer();
        ResetMapFontState();
        FontService::ResetInstance();
        ResetScaleState();
        Scale.ViewOrigin = Cord{int32_t(-20 * Unit), int32_t(420 * Unit)};
        Scale.ViewScaleX = 1 / Unit;
        Scale.ViewScaleY = -1 / Unit;
        Scale.DrawRect = CordRect{int32_t(-20 * Unit), int32_t(-20 * Unit), int32_t(620 * Unit), int32_t(420 * Unit)};
        Scale.FlattenTolerance = 1;
        Graph.ClipRect = Scale.DrawRect;
        Graph.CurrentColor = 4;
    }
    void TearDown() override
    {
        DrawSymbol = DefaultSymbol.data();
        ResetMapFontState();
    }
    void Draw(Device& dc, int mode, const std::vector<uint8_t>& rec, std::initializer_list<Cord> cords, int angle = 0)
    {
        symbol = rec;
        DrawSymbol = symbol.data();
        SetObject(DrawElement, 20, 5, cords, angle);
        Graph.OutputDC = &dc;
        Graph.OutputMode = mode;
        BeginDrawing(false);
        DrawRectangleObject();
        EndDrawing();
    }
    // The glyph index of a character in the labels' font.
    uint32_t GlyphOf(char32_t ch)
    {
        SelectMapFont(QStringLiteral("Arial"), RectLabelFontSize, RectLabelFontWeight, false);
        ApplyMapFont();
        return MapFont.Font.GlyphIndex(ch);
    }
    std::vector<uint8_t> symbol;
};

// A 60 x 40 mm rectangle at the map origin: 3 x 2 cells of 20 mm.
const Cord LL0{0, 0}, LR0{60 * Mm, 0}, UR0{60 * Mm, 40 * Mm}, UL0{0, 40 * Mm};

} // namespace

TEST_F(RectLabels, CharactersLandAtTheLaidOutPositionsInBoldFifteenPoint)
{
    RecordingDevice rec(QSize(ImageW, ImageH));
    // Numbered from the bottom; the last two numbers (5 and 6) read "AB".
    Draw(rec, ScreenOutput, RectSymbol(20, 4, 35, 0, 1 | 4, 2000, 2000, 2, "AB"), {LL0, LR0, UR0, UL0});
    const std::vector<Glyph> got = Glyphs(rec);
    // Top row 4, AB, AB; bottom row 1, 2, 3.
    const char32_t chars[] = {U'4', U'A', U'B', U'A', U'B', U'1', U'2', U'3'};
    ASSERT_EQ(got.size(), std::size(chars));

    ASSERT_TRUE(MapFont.Font.IsValid());
    EXPECT_TRUE(MapFont.Font.filePath.contains(QStringLiteral("Bold"))) << MapFont.Font.filePath.toStdString();
    EXPECT_EQ(MapFont.FontName, QStringLiteral("Arial"));
    EXPECT_EQ(MapFont.FontSize, 150);
    int em = 0;
    const int advA = DesignAdvance(MapFont.Font.filePath, 'A', em);
    ASSERT_GT(em, 0);
    // 15 pt = 529.2 hundredths of a millimetre: 52.9 device units here.
    const double emUnits = 150 / 72.0 * 254.0;
    const double advADevice = advA * emUnits / em * 256 / Unit;

    // Label origins from the cell layout: x1 + w (c + 0.07), y2 - h (r + 0.05) - 4.2 mm.
    struct Expect { double x, y; };
    std::vector<Expect> want;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            const double x = std::nearbyint(60.0 * Mm / 3 * (c + 0.07));
            const double y = std::nearbyint(40.0 * Mm - 40.0 * Mm / 2 * (r + 0.05)) - 107520;
            want.push_back({x, y});
        }
    const int labelOf[] = {0, 1, 1, 2, 2, 3, 4, 5};
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].family, "Liberation Sans");
        EXPECT_EQ(got[i].pixels, 53);
        EXPECT_EQ(got[i].angle, 0);
        EXPECT_EQ(got[i].color, "rgb(0,0,0)");
        EXPECT_EQ(got[i].glyph, GlyphOf(chars[i]));
        const Expect& w = want[size_t(labelOf[i])];
        const bool second = i == 2 || i == 4;   // the B after an A
        const QPointF d = Dev(w.x, w.y);
        EXPECT_NEAR(got[i].x, d.x() + (second ? advADevice : 0), 1.0);
        EXPECT_EQ(got[i].y, std::nearbyint(d.y()));
    }
}

TEST_F(RectLabels, TurnedGridTurnsEachCharacterAboutTheCentre)
{
    RecordingDevice rec(QSize(ImageW, ImageH));
    // A 40 x 40 mm square centred at (30, 20) mm turned a quarter turn: its corners map onto
    // themselves in another order, and the centre is (30, 20) mm.
    const Cord a{10 * Mm, 0}, b{50 * Mm, 0}, c{50 * Mm, 40 * Mm}, d{10 * Mm, 40 * Mm};
    Draw(rec, ScreenOutput, RectSymbol(20, 4, 35, 0, 1, 4000, 4000, 1, "AB"), {b, c, d, a}, 900);
    RectFrame f;
    ASSERT_TRUE(RectangleFrame(DrawElement, f));
    EXPECT_EQ(f.Centre, (Cord{30 * Mm, 20 * Mm}));
    EXPECT_EQ(f.Angle, 900);
    const std::vector<Glyph> got = Glyphs(rec);
    ASSERT_EQ(got.size(), 2u);
    ASSERT_TRUE(MapFont.Font.IsValid());
    int em = 0;
    const int advA = DesignAdvance(MapFont.Font.filePath, 'A', em);
    const double adv = advA * (150 / 72.0 * 254.0) / em * 256;

    const double mx = 30.0 * Mm, my = 20.0 * Mm;
    // Unturned, the one label starts at (x1 + 0.07 w, y2 - 0.05 h - 4.2 mm).
    const double x = std::nearbyint(10.0 * Mm + 40.0 * Mm * 0.07);
    const double y = std::nearbyint(40.0 * Mm - 40.0 * Mm * 0.05) - 107520;
    for (int i = 0; i < 2; ++i) {
        const double cx = x + i * adv;
        // A quarter turn counter-clockwise: (dx, dy) -> (-dy, dx).
        const QPointF want = Dev(mx - (y - my), my + (cx - mx));
        EXPECT_EQ(got[size_t(i)].angle, 90);
        EXPECT_NEAR(got[size_t(i)].x, want.x(), 1.0) << i;
        EXPECT_NEAR(got[size_t(i)].y, want.y(), 1.0) << i;
    }
    EXPECT_EQ(got[0].glyph, GlyphOf(U'A'));
    EXPECT_EQ(got[1].glyph, GlyphOf(U'B'));
    // The second character goes up the page, not along it.
    EXPECT_LT(got[1].y, got[0].y - 20);
}

TEST_F(RectLabels, TooManyCellsDrawNoLabelsButTheBoundItselfDoes)
{
    // 100 x 100 mm in 1 mm cells: exactly the bound; 101 columns: one column too many. At
    // 0.2 mm per device unit every label lies inside the view.
    Scale.ViewOrigin = Cord{-20 * 5120, 620 * 5120};
    Scale.ViewScaleX = 1 / 5120.0;
    Scale.ViewScaleY = -1 / 5120.0;
    Scale.DrawRect = CordRect{-20 * 5120, -20 * 5120, 620 * 5120, 620 * 5120};
    Graph.ClipRect = Scale.DrawRect;
    RecordingDevice rec(QSize(640, 640));
    const Cord ll{0, 0}, lr{100 * Mm, 0}, ur{100 * Mm, 100 * Mm}, ul{0, 100 * Mm};
    Draw(rec, ScreenOutput, RectSymbol(20, 4, 35, 0, 1, 100, 100), {ll, lr, ur, ul});
    // Nine single digits, 90 two-digit numbers, 900 of three digits, 9000 of four, "10000".
    EXPECT_EQ(Glyphs(rec).size(), size_t(9 + 90 * 2 + 900 * 3 + 9000 * 4 + 5));

    rec.clear();
    const Cord lr2{101 * Mm, 0}, ur2{101 * Mm, 100 * Mm};
    Draw(rec, ScreenOutput, RectSymbol(20, 4, 35, 0, 1, 100, 100), {ll, lr2, ur2, ul});
    EXPECT_TRUE(Glyphs(rec).empty());
    // The grid lines themselves are still there.
    EXPECT_GT(Recorded(rec).size(), 150u);
}
