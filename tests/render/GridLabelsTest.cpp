// The coordinate labels of the printed grid: texts, positions and angles along the upper and
// left edges, their font and margin at the print scale, thinning, and the characters the
// output layer draws for them.
#include "Fixture.h"

#include "core/Setup.h"
#include "platform/Fonts.h"
#include "render/Grid.h"

#include <numbers>

using namespace zemo;
using namespace zemo::rtest;

namespace {

// 0.25 mm per device unit, y down; map (0, 0) lands on device (20, 420).
constexpr double Unit = 6400;

QPointF Dev(double x, double y) { return QPointF(x / Unit + 20, 420 - y / Unit); }

SetupRecord RealWorldSetup(double distance, double east, double north, double angle = 0)
{
    SetupRecord s;
    s.RealWorldCoords = 1;
    s.MapScale = 10000;
    s.PrintScale = 10000;
    s.PaperGridDistance = 10;
    s.RealWorldGridDistance = distance;
    s.RealWorldOffsetX = east;
    s.RealWorldOffsetY = north;
    s.RealWorldAngle = angle;
    return s;
}

SetupRecord PaperSetup(double mm)
{
    SetupRecord s = RealWorldSetup(100, 0, 0);
    s.RealWorldCoords = 0;
    s.PaperGridDistance = mm;
    return s;
}

std::vector<std::string> Texts(const std::vector<PrintGridLabel>& labels, int angle)
{
    std::vector<std::string> out;
    for (const PrintGridLabel& l : labels)
        if (l.Angle == angle)
            out.push_back(l.Text.toStdString());
    return out;
}

const CordRect Area{0, 0, 150 * Mm, 100 * Mm};

class GridLabels : public ::testing::Test {
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
    }
    void TearDown() override { ResetMapFontState(); }
    std::vector<Glyph> Draw(RecordingDevice& rec, const SetupRecord& s, int mode = ScreenOutput)
    {
        Graph.OutputDC = &rec;
        Graph.OutputMode = mode;
        BeginDrawing(false);
        rec.clear();
        DrawPrintGrid(s, Area);
        EndDrawing();
        return Glyphs(rec);
    }
};

} // namespace

TEST_F(GridLabels, RealWorldLabelsAlongTheUpperAndLeftEdges)
{
    // 100 m at 1:10000: a line every 10 mm; 200 m east and 50 m north at the map origin.
    const SetupRecord s = RealWorldSetup(100, 200, 50);
    EXPECT_EQ(PrintGridFontSize(s), 90);
    // 9 points = 317.5 hundredths of a millimetre, rounded half to even.
    EXPECT_EQ(PrintGridMargin(s), 318 * 256);

    const int32_t digit = 45000, m = PrintGridMargin(s);
    const auto labels = PrintGridLabels(MakeGridGeometry(s, false), Area, m, digit);
    std::vector<std::string> top, left;
    for (int k = 0; k <= 15; ++k)
        top.push_back(std::to_string(200 + 100 * k));
    for (int k = 0; k <= 10; ++k)
        left.push_back(std::to_string(50 + 100 * k));
    EXPECT_EQ(Texts(labels, 0), top);
    EXPECT_EQ(Texts(labels, 900), left);
    for (const PrintGridLabel& l : labels) {
        const int64_t width = int64_t(l.Text.size()) * digit;
        if (l.Angle == 0) {
            const int k = (l.Text.toInt() - 200) / 100;
            EXPECT_EQ(l.Pos, (Cord{Masked(int32_t(k * 10 * Mm - width / 2)), Area.y2 - m})) << l.Text.toStdString();
        } else {
            const int k = (l.Text.toInt() - 50) / 100;
            EXPECT_EQ(l.Pos, (Cord{Area.x1 + m, Masked(int32_t(k * 10 * Mm - width / 2))})) << l.Text.toStdString();
        }
    }
}

TEST_F(GridLabels, DrawnCharacterByCharacterAtTheDigitWidth)
{
    const SetupRecord s = RealWorldSetup(100, 200, 50);
    RecordingDevice rec(QSize(640, 440));
    const std::vector<Glyph> got = Draw(rec, s);

    // Regular "Arial" (Liberation Sans) at 9 points; its digit width read with FreeType.
    ASSERT_TRUE(MapFont.Font.IsValid());
    EXPECT_FALSE(MapFont.Font.filePath.contains(QStringLiteral("Bold")));
    EXPECT_EQ(MapFont.FontName, QStringLiteral("Arial"));
    EXPECT_EQ(MapFont.FontSize, 90);
    int em = 0;
    const double digit = DesignAdvance(MapFont.Font.filePath, U'8', em) * (90 / 72.0 * 254.0) / em * 256;
    EXPECT_NEAR(MapFont.DigitWidth, digit, 1.0);

    // 200 .. 1700 along the top (8 of three digits, 8 of four), 50 .. 1050 along the left.
    ASSERT_EQ(got.size(), size_t(8 * 3 + 8 * 4 + 2 + 9 * 3 + 4));
    const auto glyphOf = [](char32_t c) { return MapFont.Font.GlyphIndex(c); };
    const int32_t m = 318 * 256;
    // "1000" is the label of the line at 80 mm; "50" that of the line at 0 mm.
    bool sawTop = false, sawLeft = false;
    for (size_t i = 0; i + 3 < got.size(); ++i) {
        const QPointF start = Dev(80.0 * Mm - 2 * digit, Area.y2 - m);
        if (got[i].angle != 0 || std::abs(got[i].x - start.x()) > 1.0)
            continue;
        sawTop = true;
        for (size_t j = 0; j < 4; ++j) {
            const QPointF at = Dev(80.0 * Mm - 2 * digit + double(j) * digit, Area.y2 - m);
            EXPECT_EQ(got[i + j].glyph, glyphOf(j == 0 ? U'1' : U'0'));
            EXPECT_NEAR(got[i + j].x, at.x(), 1.0);
            EXPECT_EQ(got[i + j].y, std::nearbyint(at.y()));
            EXPECT_EQ(got[i + j].angle, 0);
            // 9 points = 317.5 hundredths of a millimetre: 12.7 device units.
            EXPECT_EQ(got[i + j].pixels, 13);
        }
        break;
    }
    for (size_t i = 0; i + 1 < got.size(); ++i) {
        const QPointF start = Dev(Area.x1 + m, -digit);
        if (got[i].angle != 90 || std::abs(got[i].y - start.y()) > 1.0)
            continue;
        sawLeft = true;
        EXPECT_EQ(got[i].glyph, glyphOf(U'5'));
        EXPECT_EQ(got[i + 1].glyph, glyphOf(U'0'));
        EXPECT_EQ(got[i].x, std::nearbyint(start.x()));
        EXPECT_EQ(got[i + 1].x, got[i].x);
        // Read upwards: the second character above the first.
        EXPECT_NEAR(got[i + 1].y, start.y() - digit / Unit, 1.0);
        break;
    }
    EXPECT_TRUE(sawTop);
    EXPECT_TRUE(sawLeft);

    // Printed: the characters are filled outlines.
    RecordingDevice printer(QSize(640, 440));
    EXPECT_TRUE(Draw(printer, s, PrinterOutput).empty());
    EXPECT_NE(printer.text().find("polygon"), std::string::npos);
}

TEST_F(GridLabels, NarrowLinesLabelOnlyEveryFifthTenthOrNone)
{
    const int32_t digit = 45000;
    const CordRect area{0, 0, 100 * Mm, 100 * Mm};
    const auto texts = [&](double mm) {
        const SetupRecord s = PaperSetup(mm);
        return Texts(PrintGridLabels(MakeGridGeometry(s, false), area, PrintGridMargin(s), digit), 0);
    };
    // 3 mm: "99" is 90000 wide against 76800; a quarter of it fits, so every 5th line.
    EXPECT_EQ(texts(3), (std::vector<std::string>{"0", "15", "30", "45", "60", "75", "90"}));
    // 1 mm: "100" (135000) against 25600: an eighth fits, so every 10th line.
    std::vector<std::string> tens;
    for (int v = 0; v <= 100; v += 10)
        tens.push_back(std::to_string(v));
    EXPECT_EQ(texts(1), tens);
    // Wide enough: every line.
    EXPECT_EQ(texts(20), (std::vector<std::string>{"0", "20", "40", "60", "80", "100"}));
    // 0.06 mm: "99.96" is more than 80 spacings wide: no labels at all, on either edge.
    const SetupRecord fine = PaperSetup(0.06);
    EXPECT_TRUE(PrintGridLabels(MakeGridGeometry(fine, false), area, PrintGridMargin(fine), digit).empty());

    EXPECT_EQ(GridLabelStep(10, 11), 1);
    EXPECT_EQ(GridLabelStep(40, 10), 10);   // a quarter is not less than the spacing
    EXPECT_EQ(GridLabelStep(799, 10), 100);
    EXPECT_EQ(GridLabelStep(800, 10), 0);
}

TEST_F(GridLabels, TurnedGridLabelsSitWhereTheirLinesCrossTheEdges)
{
    // Turned by 60 degrees: the steep case, the second family runs to the upper edge.
    const SetupRecord s = RealWorldSetup(100, 0, 0, 60);
    const GridGeometry g = MakeGridGeometry(s, false);
    ASSERT_TRUE(g.Steep);
    const int32_t digit = 45000, m = PrintGridMargin(s);
    const auto labels = PrintGridLabels(g, Area, m, digit);
    const double a = -60.0 / 180 * std::numbers::pi, sn = std::sin(a), cs = std::cos(a);
    int top = 0, left = 0;
    for (const PrintGridLabel& l : labels) {
        const int k = l.Text.toInt() / 100;
        const double p = k * 10.0 * 100;   // 0.01 mm from the origin
        const double half = double(int64_t(l.Text.size()) * digit / 2);
        if (l.Angle == 0) {
            ++top;
            EXPECT_EQ(l.Pos.y, Area.y2 - m);
            // x sin + y cos = p along the upper edge.
            const double x = (l.Pos.x + half) / 256, y = Area.y2 / 256.0;
            EXPECT_NEAR(x * sn + y * cs, p, 2.0) << l.Text.toStdString();
        } else {
            ++left;
            EXPECT_EQ(l.Angle, 900);
            EXPECT_EQ(l.Pos.x, Area.x1 + m);
            // x cos - y sin = p along the left edge.
            const double x = Area.x1 / 256.0, y = (l.Pos.y + half) / 256;
            EXPECT_NEAR(x * cs - y * sn, p, 2.0) << l.Text.toStdString();
        }
    }
    // The lines are 10 mm apart, 11.5 mm along either edge: along the upper edge
    // p = 50 - 0.866 x runs from -79.9 to 50 mm (k = -7 .. 5), along the left one
    // p = 0.866 y from 0 to 86.6 mm (k = 0 .. 8).
    EXPECT_EQ(top, 13);
    EXPECT_EQ(left, 9);
}

TEST_F(GridLabels, SizeAndMarginFollowThePrintScaleAndZeroReadsPlain)
{
    SetupRecord s = RealWorldSetup(100, 0, 0);
    s.PrintScale = 20000;
    EXPECT_EQ(PrintGridFontSize(s), 180);
    EXPECT_EQ(PrintGridMargin(s), 635 * 256);
    s.PrintScale = 5000;
    EXPECT_EQ(PrintGridFontSize(s), 45);
    EXPECT_EQ(PrintGridMargin(s), 159 * 256);   // 158.75
    // Sizes of 22.5 and 67.5 points go to the even neighbour.
    s.PrintScale = 2500;
    EXPECT_EQ(PrintGridFontSize(s), 22);
    s.PrintScale = 7500;
    EXPECT_EQ(PrintGridFontSize(s), 68);
    // A setup whose scales make no sense gets lines but no labels.
    s.MapScale = 0;
    EXPECT_EQ(PrintGridFontSize(s), 0);
    RecordingDevice rec(QSize(640, 440));
    s.MapScale = 10000;
    s.PrintScale = std::nan("");
    EXPECT_TRUE(Draw(rec, s).empty());
    EXPECT_NE(rec.text().find("polyline"), std::string::npos);

    const GridGeometry g = MakeGridGeometry(RealWorldSetup(100, -0.3, 0.4), false);
    EXPECT_EQ(GridLabelText(g, 0, true).toStdString(), "0");
    EXPECT_EQ(GridLabelText(g, -1, true).toStdString(), "-100");
    EXPECT_EQ(GridLabelText(g, 2, false).toStdString(), "200");
    EXPECT_EQ(GridLabelText(MakeGridGeometry(PaperSetup(0.5), false), 3, true).toStdString(), "1.5");
    // Labels are whole metres to the nearest, halves to even.
    const GridGeometry half = MakeGridGeometry(RealWorldSetup(100, 0.5, -0.75), false);
    EXPECT_EQ(GridLabelText(half, 1, true).toStdString(), "100");
    EXPECT_EQ(GridLabelText(half, 3, true).toStdString(), "300");
    EXPECT_EQ(GridLabelText(half, -1, false).toStdString(), "-101");
}

namespace {

using CmykLines = TextSink;

} // namespace

TEST_F(GridLabels, LinesAndLabelsTakeTheGridColourAndPostScriptNamesItFirst)
{
    TZmd zmd;
    zmd.ColorBlock.ColorCount = 2;
    zmd.ColorBlock.Colors[0].Number = 0;
    zmd.ColorBlock.Colors[0].Cmyk = {0, 0, 0, 200};
    zmd.ColorBlock.Colors[1].Number = 7;
    zmd.ColorBlock.Colors[1].Cmyk = {200, 20, 0, 10};
    SetCurrentMap(&zmd);
    SetupRecord s = RealWorldSetup(100, 200, 50);
    s.PrintGridColor = 7;

    // On a device the pen and the glyphs are cyan-ish, and the layer's colour comes back.
    RecordingDevice rec(QSize(640, 440));
    Graph.OutputCmyk = 123;
    const std::vector<Glyph> glyphs = Draw(rec, s);
    EXPECT_EQ(Graph.OutputCmyk, 123u);
    ASSERT_FALSE(glyphs.empty());
    const std::string cyan = Rgb(200u | (20u << 8) | (10u << 24));
    int penLines = 0;
    for (const std::string& l : rec.lines())
        if (l.rfind("pen ", 0) == 0) {
            ++penLines;
            EXPECT_NE(l.find(cyan), std::string::npos) << l;
        }
    EXPECT_GT(penLines, 0);

    // PostScript: the colour's four values and "cmyk" before the first path.
    CmykLines sink;
    Graph.OutputFile = &sink;
    Graph.OutputMode = PostScriptOutput;
    BeginDrawing(false);
    sink.text.clear();
    DrawPrintGrid(s, Area);
    EndDrawing();
    Graph.OutputFile = nullptr;
    ASSERT_EQ(sink.text.rfind("200 20 0 10 cmyk\r\n", 0), 0u) << sink.text.substr(0, 80);

    // A colour number the map does not have draws in black.
    s.PrintGridColor = 99;
    sink.text.clear();
    Graph.OutputFile = &sink;
    BeginDrawing(false);
    sink.text.clear();
    DrawPrintGrid(s, Area);
    EndDrawing();
    Graph.OutputFile = nullptr;
    EXPECT_EQ(sink.text.rfind("0 0 0 200 cmyk\r\n", 0), 0u) << sink.text.substr(0, 80);
    SetCurrentMap(nullptr);
}
