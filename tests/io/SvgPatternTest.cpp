// The SVG export's area patterns: structure patterns beside hatch patterns, each id once, a
// symbol with both getting both, tiles anchored on the map's origin (where the painters count
// their rows and cells from), a structure too large for its tile left out; and rsvg-convert
// drawing the hatched and structured areas as the bitmap export draws them.
#include "BlendCompare.h"
#include "MarkerMap.h"
#include "SvgDrawings.h"
#include "io/ExpBmp.h"
#include "io/ExpSvg.h"
#include "symbols/store/SymbolLayout.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <numbers>

namespace zemo::test {
namespace {

class SvgPatterns : public MarkerMapTest {
protected:
    static TestObject Square(int16_t symbol, int x, int y, int size, int angle = 0)
    {
        TestObject o = TestObject::Area(symbol, {{x * Mm, y * Mm}, {(x + size) * Mm, y * Mm},
                                                 {(x + size) * Mm, (y - size) * Mm}, {x * Mm, (y - size) * Mm}});
        o.angle = int16_t(angle);
        return o;
    }
    // An area symbol without fill: a structure of `elements` on cells of w x h (0.01 mm).
    static TestSymbol Structured(int16_t number10, int mode, int w, int h, int angle, const std::vector<TestElement>& elements)
    {
        TestSymbol s = TestSymbol::Area(number10, 0, elements);
        s.SetI16(AreaFillOn, 0);
        s.SetI16(AreaStructMode, int16_t(mode));
        s.SetI16(AreaStructWidth, int16_t(w));
        s.SetI16(AreaStructHeight, int16_t(h));
        s.SetI16(AreaStructAngle, int16_t(angle));
        return s;
    }
    static void Hatch(TestSymbol& s, int mode, int color, int width, int dist, int angle1, int angle2 = 0)
    {
        s.SetI16(AreaFillOn, 0);
        s.SetI16(AreaHatchMode, int16_t(mode));
        s.SetI16(AreaHatchColor, int16_t(color));
        s.SetI16(AreaHatchLineWidth, int16_t(width));
        s.SetI16(AreaHatchDist, int16_t(dist));
        s.SetI16(AreaHatchAngle1, int16_t(angle1));
        s.SetI16(AreaHatchAngle2, int16_t(angle2));
        s.AddColor(color);
    }
    static TestMapWriter TwoColours()
    {
        TestMapWriter w(8);
        w.colors = {TestColor(), TestColor::Cmyk(1, "Blue", 200, 0, 0, 0)};
        return w;
    }
};

TEST_F(SvgPatterns, StructuresBesideHatchesEachIdOnceOnTheMapsOrigin)
{
    TestMapWriter w = TwoColours();
    const TestElement dot = TestElement::Dot(1, 60);
    const TestElement stroke = TestElement::Polyline(0, 20, {{-Mm / 2, 0}, {Mm / 2, 0}});
    // Offset rows at 30 degrees; a hatch and a structure together; elements of two colours; a
    // cell of 0.01 mm with an element reaching 40 mm, which no tile can hold.
    TestSymbol both = Structured(3020, 1, 150, 150, 0, {TestElement::Circle(1, 80, 15)});
    Hatch(both, 1, 0, 15, 60, 450);
    w.symbols = {Structured(3010, 2, 200, 200, 300, {dot}), both, Structured(3030, 1, 250, 250, 0, {dot, stroke}),
                 Structured(3040, 1, 1, 1, 0, {TestElement::Polyline(1, 10, {{0, 0}, {40 * Mm, 0}})})};
    w.objects = {Square(3010, 2, -2, 10), Square(3010, 14, -2, 10), Square(3010, 26, -2, 10, 150),
                 Square(3020, 2, -14, 10), Square(3030, 14, -14, 10), Square(3040, 26, -14, 10)};
    ASSERT_NE(Open(w), nullptr);
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    const QString path = Samples() + QStringLiteral("/structures.svg");
    ASSERT_TRUE(WriteSvgFile(path));
    const QString text = QString::fromLatin1(Read(path));
    EXPECT_TRUE(RunTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--nonet"), path}));

    // Colours from the last (blue) to the first; in each, objects in the order they are found.
    QStringList ids;
    const QRegularExpression head(QStringLiteral(
        "<pattern id=\"([^\"]+)\" patternUnits=\"userSpaceOnUse\" ?\\r?\\n?patternTransform=\"rotate\\(([-0-9.]+)\\)( matrix\\(1 0 0 -1 0 0\\))?\" "
        "x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([0-9.]+)\" height=\"([0-9.]+)\" viewBox=\"0 0 ([0-9.]+) ([0-9.]+)\" >"));
    const double ox = -double(extent.x1) / Mm, oy = double(extent.y2) / Mm;
    for (auto it = head.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        ids << m.captured(1);
        SCOPED_TRACE(m.captured(1).toStdString());
        // The tile's corner, through the pattern's flip and turn, lands on the map's origin.
        const double a = m.captured(2).toDouble() * std::numbers::pi / 180;
        const double x = m.captured(4).toDouble(), y = m.captured(5).toDouble() * (m.captured(3).isEmpty() ? 1 : -1);
        EXPECT_NEAR(std::cos(a) * x - std::sin(a) * y, ox, 0.01);
        EXPECT_NEAR(std::sin(a) * x + std::cos(a) * y, oy, 0.01);
        EXPECT_EQ(m.captured(6), m.captured(8));
        EXPECT_EQ(m.captured(7), m.captured(9));
        EXPECT_EQ(m.captured(3).isEmpty(), m.captured(1).startsWith(QLatin1String("Hatch")));
    }
    EXPECT_EQ(ids, (QStringList{"Pattern301.0c1ang300", "Pattern301.0c1ang450", "Pattern302.0c1ang0", "Pattern303.0c1ang0",
                                "Hatch302.0c0ang450", "Pattern303.0c0ang0"}));
    // Offset rows: a tile two cells high, turned back by the structure's angle.
    EXPECT_TRUE(text.contains(QLatin1String("patternTransform=\"rotate(-30.00) matrix(1 0 0 -1 0 0)\"")));
    const QRegularExpression sizes(QStringLiteral("<pattern id=\"Pattern301.0c1ang300\"[^>]* width=\"2.00\" height=\"4.00\""));
    EXPECT_TRUE(sizes.match(text).hasMatch());
    // Each area refers to its patterns, the one without a tile to none.
    for (const auto& [id, uses] : std::vector<std::pair<QString, int>>{
             {"Pattern301.0c1ang300", 2}, {"Pattern301.0c1ang450", 1}, {"Pattern302.0c1ang0", 1}, {"Hatch302.0c0ang450", 1},
             {"Pattern303.0c0ang0", 1}, {"Pattern303.0c1ang0", 1}, {"Pattern304.0c1ang0", 0}})
        EXPECT_EQ(text.count(QStringLiteral("url(#%1)").arg(id)), uses) << id.toStdString();
    EXPECT_EQ(messages.Count(), 0);
}

double Ink(const QImage& image, const QRect& r)
{
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    return sum / (255.0 * r.width() * r.height());
}

TEST_F(SvgPatterns, RsvgDrawsHatchesAndStructuresAsTheBitmapExport)
{
    TestMapWriter w = TwoColours();
    TestSymbol crossed = TestSymbol::Area(4010, 0);
    Hatch(crossed, 2, 1, 20, 80, 450, 1350);
    TestSymbol both = Structured(4040, 1, 300, 300, 0, {TestElement::Dot(0, 80)});
    Hatch(both, 1, 1, 20, 100, 0);
    TestElement offCentre = TestElement::Dot(1, 60);
    offCentre.cords = {{Mm * 7 / 10, -Mm * 9 / 10}};
    w.symbols = {crossed,
                 Structured(4020, 2, 200, 250, 300,
                            {offCentre, TestElement::Polyline(0, 20, {{-Mm * 6 / 10, -Mm * 4 / 10}, {Mm * 6 / 10, Mm * 4 / 10}})}),
                 Structured(4030, 1, 300, 200, 0, {TestElement::Circle(0, 120, 20)}), both};
    // Four squares of 26 mm, two of them turned as objects.
    w.objects = {Square(4010, 2, -2, 26), Square(4020, 32, -2, 26), Square(4030, 2, -32, 26, 150),
                 Square(4040, 32, -32, 26, 300)};
    ASSERT_NE(Open(w), nullptr);
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    const TwoDrawings drawn = DrawSvgAndBitmap(Samples(), QStringLiteral("hatches-and-structures"), Dpi);
    const QImage& ours = drawn.ours;
    const QImage& theirs = drawn.theirs;
    ASSERT_FALSE(theirs.isNull());
    EXPECT_LE(std::abs(ours.width() - theirs.width()), 1);
    EXPECT_LE(std::abs(ours.height() - theirs.height()), 1);
    // Each square on its own, 10 pixels a millimetre, its edges left aside: patterns in place
    // and of the same weight.
    for (const auto& [x, y] : {std::pair(2, -2), std::pair(32, -2), std::pair(2, -32), std::pair(32, -32)}) {
        SCOPED_TRACE(x * 100 - y);
        const int left = int(std::lround(double(x * Mm - extent.x1) / (Mm / 10)));
        const int top = int(std::lround(double(extent.y2 - y * Mm) / (Mm / 10)));
        const QRect r(left + 10, top + 10, 240, 240);
        ASSERT_TRUE(QRect(QPoint(0, 0), theirs.size()).contains(r));
        const double ink = Ink(ours, r);
        EXPECT_GT(ink, 0.05);
        EXPECT_NEAR(Ink(theirs, r), ink, 0.03);
        EXPECT_LE(Unexplained(ours, theirs, r), r.width() * r.height() / 50);
    }
}

} // namespace
} // namespace zemo::test
