// Cell labels of the rectangle grid drawn through the output layer: which characters land
// where, at which size and angle, that they put ink into their cells, and the label bound.
#include "render/RectLabels.h"

#include "core/Folders.h"
#include "document/Index.h"
#include "platform/Fonts.h"
#include "platform/PainterDevice.h"
#include "platform/RecordingDevice.h"
#include "render/GraphSys.h"
#include "render/Rects.h"
#include "PointsTestUtil.h"

#include <QFile>
#include <QImage>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

using namespace zemo;
using namespace zemo::ptest;

namespace {

// 0.1 mm per device unit, y down; map (0, 0) lands on device (20, 420).
constexpr double Unit = 2560;
constexpr int ImageW = 640, ImageH = 440;

QPointF Dev(double x, double y) { return QPointF(x / Unit + 20, 420 - y / Unit); }

struct Glyph {
    std::string family;
    double pixels = 0, x = 0, y = 0, angle = 0;
    std::string color;
    uint32_t glyph = 0;
};

std::vector<Glyph> Glyphs(const RecordingDevice& rec)
{
    std::vector<Glyph> out;
    for (const std::string& l : rec.lines()) {
        if (l.rfind("glyphs \"", 0) != 0)
            continue;
        Glyph g;
        const size_t q = l.find('"', 8);
        g.family = l.substr(8, q - 8);
        char color[64] = {};
        unsigned id = 0;
        double px = 0, py = 0;
        const int got = std::sscanf(l.c_str() + q + 1, " %lf at %lf,%lf angle %lf %63s %u@%lf,%lf", &g.pixels,
                                    &g.x, &g.y, &g.angle, color, &id, &px, &py);
        EXPECT_EQ(got, 8) << l;
        g.color = color;
        g.glyph = id;
        out.push_back(g);
    }
    return out;
}

// The advance of a character in the font file's own units, read with FreeType.
int DesignAdvance(const QString& path, char ch, int& unitsPerEm)
{
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    int adv = 0;
    if (FT_Init_FreeType(&lib) == 0 && FT_New_Face(lib, QFile::encodeName(path).constData(), 0, &face) == 0) {
        unitsPerEm = face->units_per_EM;
        if (FT_Load_Char(face, FT_ULong(ch), FT_LOAD_NO_SCALE) == 0)
            adv = int(face->glyph->advance.x);
        FT_Done_Face(face);
    }
    if (lib)
        FT_Done_FreeType(lib);
    return adv;
}

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
const Cord LL{0, 0}, LR{60 * Mm, 0}, UR{60 * Mm, 40 * Mm}, UL{0, 40 * Mm};

} // namespace

TEST_F(RectLabels, CharactersLandAtTheLaidOutPositionsInBoldFifteenPoint)
{
    RecordingDevice rec(QSize(ImageW, ImageH));
    // Numbered from the bottom; the last two numbers (5 and 6) read "AB".
    Draw(rec, ScreenOutput, RectSymbol(20, 4, 35, 0, 1 | 4, 2000, 2000, 2, "AB"), {LL, LR, UR, UL});
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

TEST_F(RectLabels, EveryLabelledCellGetsInkOnScreenAndAsOutlines)
{
    const auto sym = RectSymbol(20, 4, 35, 0, 1, 2000, 2000);
    // The box of a label's first character: from the label origin up by the cap height.
    const auto inkInLabel = [](const QImage& img, int r, int c) {
        const QPointF o = Dev(std::nearbyint(60.0 * Mm / 3 * (c + 0.07)),
                              std::nearbyint(40.0 * Mm - 40.0 * Mm / 2 * (r + 0.05)) - 107520);
        int n = 0;
        for (int y = int(o.y()) - 36; y <= int(o.y()); ++y)
            for (int x = int(o.x()); x < int(o.x()) + 26; ++x)
                n += img.pixel(x, y) != qRgb(255, 255, 255);
        return n;
    };
    for (const int mode : {ScreenOutput, PrinterOutput}) {
        SCOPED_TRACE(mode);
        QImage img(ImageW, ImageH, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            PainterDevice dev(&img);
            ASSERT_TRUE(dev.isActive());
            Draw(dev, mode, sym, {LL, LR, UR, UL});
        }
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c)
                EXPECT_GT(inkInLabel(img, r, c), 60) << "cell " << r << "," << c;
        // The same grid with every cell unnumbered and no text for them leaves the same
        // boxes white: the ink is the labels'.
        QImage bare(ImageW, ImageH, QImage::Format_RGB32);
        bare.fill(Qt::white);
        {
            PainterDevice dev(&bare);
            Draw(dev, mode, RectSymbol(20, 4, 35, 0, 1, 2000, 2000, 6), {LL, LR, UR, UL});
        }
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(inkInLabel(bare, r, c), 0);
    }
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
    EXPECT_GT(Recorded(rec.lines(), "polyline").size(), 150u);
}
