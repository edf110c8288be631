// The SVG export: the document's size line, texts made safe for XML (xmllint), hatch patterns
// written once per id (two for a crossed hatch), the objects by colour and symbol, the gzip
// frame of ".svgz" (gzip -t, zcat), and File > Export SVG's command with its dialog.
#include "MarkerMap.h"
#include "SvgDrawings.h"
#include "io/ExpBmp.h"
#include "io/ExpSvg.h"
#include "io/Ports.h"
#include "symbols/store/SymbolLayout.h"

#include <QRegularExpression>

namespace zemo::test {
namespace {

class SvgExport : public MarkerMapTest {
protected:
    // A map of a template 210 x 297 mm (pixels of 1 mm), a line symbol whose description has
    // XML's special characters, and hatched areas: single at 45 degrees twice and once turned
    // by 30 degrees more, and crossed.
    void OpenA4Map()
    {
        const QString raster = InMaps(QStringLiteral("a4.tpx"));
        ASSERT_TRUE(WriteTestRaster(raster, TestRaster::Grey(210, 297, 24)));
        TestMapWriter w(8);
        TestColor black;
        TestColor blue = TestColor::Cmyk(1, "Blue", 200, 0, 0, 0);
        w.colors = {black, blue};
        TestSymbol line = TestSymbol::Line(10, 0, 50);
        line.description = "A & B <C> \"D\"";
        const auto hatched = [](int16_t number10, int mode) {
            TestSymbol a = TestSymbol::Area(number10, 0);
            a.SetI16(AreaHatchMode, int16_t(mode));
            a.SetI16(AreaHatchColor, 1);
            a.SetI16(AreaHatchLineWidth, 20);
            a.SetI16(AreaHatchDist, 80);
            a.SetI16(AreaHatchAngle1, 450);
            a.SetI16(AreaHatchAngle2, 1350);
            a.AddColor(1);
            return a;
        };
        w.symbols = {line, hatched(2010, 1), hatched(2020, 2)};
        const auto square = [](int16_t symbol, int x, int angle) {
            TestObject o = TestObject::Area(symbol, {{x * Mm, -20 * Mm}, {(x + 10) * Mm, -20 * Mm}, {(x + 10) * Mm, -10 * Mm}, {x * Mm, -10 * Mm}});
            o.angle = int16_t(angle);
            return o;
        };
        w.objects = {TestObject::Line(10, {{10 * Mm, -100 * Mm}, {100 * Mm, -200 * Mm}}), square(2010, 10, 0),
                     square(2010, 30, 0), square(2010, 50, 300), square(2020, 70, 0)};
        w.strings.push_back(TestPString::Make(8, 0, Placed(raster, 210, 297, 100)));
        ASSERT_NE(Open(w), nullptr);
    }
};

TEST_F(SvgExport, XmlTextsAndTheGzipFrame)
{
    const struct {
        std::string in, out;
    } texts[] = {{"plain", "plain"}, {"a & b", "a &amp; b"}, {"<x>", "&lt;x&gt;"}, {"\"q\"", "&quot;q&quot;"}, {"", ""}};
    for (const auto& t : texts)
        EXPECT_EQ(EscapeXmlText(t.in), t.out);

    EXPECT_TRUE(GzipBytes(QByteArray()).isEmpty());
    QByteArray doc;
    for (int i = 0; i < 2000; ++i)
        doc += "<path d=\"M" + QByteArray::number(i) + " 0 L10 10\" />\r\n";
    const QByteArray gz = GzipBytes(doc);
    ASSERT_GT(gz.size(), 18);
    EXPECT_EQ(gz.left(10), QByteArray::fromHex("1f8b0800000000000000"));
    EXPECT_EQ(Le32(gz, int(gz.size() - 4)), uint32_t(doc.size()));
    const QString path = InMaps(QStringLiteral("doc.svgz"));
    WriteFile(path, gz);
    EXPECT_TRUE(RunTool(QStringLiteral("gzip"), {QStringLiteral("-t"), path}));
    QByteArray back;
    EXPECT_TRUE(RunTool(QStringLiteral("zcat"), {path}, {}, &back));
    EXPECT_EQ(back, doc);
}

TEST_F(SvgExport, TheDocumentIsSizedWellFormedAndWritesEachPatternOnce)
{
    OpenA4Map();
    const QString path = Samples() + QStringLiteral("/hatched-a4.svg");
    ASSERT_TRUE(WriteSvgFile(path));
    const QString text = QString::fromLatin1(Read(path));
    EXPECT_TRUE(text.contains(QLatin1String(
        "<svg width=\"21.00cm\" height=\"29.70cm\" viewBox=\"0 0 210.00 297.00\" style=\"fill:none;stroke-width:0;fill-rule:evenodd\" >")))
        << text.left(600).toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("<g id=\"1.0 A &amp; B &lt;C&gt; &quot;D&quot; 0 0\" >")));
    EXPECT_TRUE(RunTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--nonet"), path}));
    // Each id once: two squares at 45 degrees share one, the turned one has its own, the
    // crossed hatch two.
    QStringList ids;
    const QRegularExpression pattern(QStringLiteral("<pattern id=\"([^\"]+)\""));
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        ids << it.next().captured(1);
    EXPECT_EQ(ids, (QStringList{"Hatch201.0c1ang450", "Hatch201.0c1ang750", "Hatch202.0c1ang450", "Hatch202.0c1ang1350"}));
    // The areas refer to them.
    EXPECT_EQ(text.count(QLatin1String("url(#Hatch201.0c1ang450)")), 2);
    EXPECT_EQ(text.count(QLatin1String("url(#Hatch202.0c1ang1350)")), 1);
    EXPECT_TRUE(text.endsWith(QLatin1String("</svg>\r\n")));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(SvgExport, TheCommandWritesSvgzAndRemovesTheSvg)
{
    OpenA4Map();
    bool compress = true;
    IoPorts().RunSvgDialog.Bind([&compress](SvgOptions& o) {
        o.Compress = compress;
        return true;
    });
    const QString svg = InMaps(QStringLiteral("out.svg"));
    dialogs.QueueAnswer(true, svg);
    ExportSvg();
    // The map's own name was proposed.
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].fileName, QStringLiteral("map.svg"));
    EXPECT_FALSE(QFile::exists(svg));
    const QString svgz = InMaps(QStringLiteral("out.svgz"));
    ASSERT_TRUE(QFile::exists(svgz));
    EXPECT_TRUE(RunTool(QStringLiteral("gzip"), {QStringLiteral("-t"), svgz}));
    QByteArray unpacked;
    EXPECT_TRUE(RunTool(QStringLiteral("zcat"), {svgz}, {}, &unpacked));
    compress = false;
    dialogs.QueueAnswer(true, svg);
    ExportSvg();
    EXPECT_EQ(Read(svg), unpacked);
}

} // namespace
} // namespace zemo::test

namespace zemo::test {
namespace {

// rsvg-convert draws the document as the raster road draws the map: apart from the pixels at
// the edges of shapes (anti-aliasing against none), at most 2 % differ.
TEST_F(SvgExport, RsvgDrawsWhatTheBitmapExportDraws)
{
    TestMapWriter w(8);
    TestColor black;
    TestColor blue = TestColor::Cmyk(1, "Blue", 200, 0, 0, 0);
    w.colors = {black, blue};
    TestSymbol area = TestSymbol::Area(20, 1);
    w.symbols = {TestSymbol::Line(10, 0, 100), area};
    w.objects = {TestObject::Area(20, {{2 * Mm, -2 * Mm}, {30 * Mm, -2 * Mm}, {30 * Mm, -18 * Mm}, {2 * Mm, -18 * Mm}}),
                 TestObject::Line(10, {{0, 0}, {40 * Mm, -20 * Mm}})};
    ASSERT_NE(Open(w), nullptr);
    const TwoDrawings drawn = DrawSvgAndBitmap(Samples(), QStringLiteral("line-and-area"), Dpi);
    const QImage& ours = drawn.ours;
    const QImage& theirs = drawn.theirs;
    ASSERT_FALSE(theirs.isNull());
    EXPECT_LE(std::abs(ours.width() - theirs.width()), 1);
    EXPECT_LE(std::abs(ours.height() - theirs.height()), 1);
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <= 60;
    };
    int differ = 0, compared = 0;
    const int w2 = std::min(ours.width(), theirs.width()), h2 = std::min(ours.height(), theirs.height());
    for (int y = 1; y + 1 < h2; ++y)
        for (int x = 1; x + 1 < w2; ++x) {
            ++compared;
            if (near(ours.pixel(x, y), theirs.pixel(x, y)))
                continue;
            // An edge: some neighbour of ours has the colour rsvg drew.
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx)
                    edge = near(ours.pixel(x + dx, y + dy), theirs.pixel(x, y));
            if (!edge)
                ++differ;
        }
    EXPECT_LE(differ, compared / 50) << differ << " of " << compared;
}

// Esc while the objects are written: the message once, no progress left, and neither the
// ".svg" (written whole or not at all) nor a ".svgz".
TEST_F(SvgExport, EscLeavesNeitherSvgNorSvgz)
{
    OpenA4Map();
    IoPorts().RunSvgDialog.Bind([](SvgOptions& o) { return o.Compress = true; });
    const QString svg = InMaps(QStringLiteral("esc.svg"));
    dialogs.QueueAnswer(true, svg);
    escAt = 2;
    ExportSvg();
    EXPECT_GE(polls, 2);
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_FALSE(ProgressRunning());
    EXPECT_FALSE(QFile::exists(svg));
    EXPECT_FALSE(QFile::exists(InMaps(QStringLiteral("esc.svgz"))));
}

// A hidden symbol writes neither its objects nor its patterns; a colour no object uses writes
// no group; the groups come last colour first.
TEST_F(SvgExport, HiddenSymbolsAndUnusedColoursWriteNoGroup)
{
    TestMapWriter w(8);
    w.colors = {TestColor(), TestColor::Cmyk(1, "Blue", 200, 0, 0, 0), TestColor::Cmyk(2, "Red", 0, 200, 200, 0)};
    TestSymbol hidden = TestSymbol::Area(20, 1);
    hidden.status = 2;
    hidden.SetI16(AreaHatchMode, 1);
    hidden.SetI16(AreaHatchColor, 0);
    hidden.SetI16(AreaHatchLineWidth, 20);
    hidden.SetI16(AreaHatchDist, 80);
    w.symbols = {TestSymbol::Line(10, 0, 50), hidden, TestSymbol::Line(30, 1, 50)};
    w.objects = {TestObject::Line(10, {{0, 0}, {20 * Mm, -10 * Mm}}),
                 TestObject::Area(20, {{0, 0}, {10 * Mm, 0}, {10 * Mm, -10 * Mm}}),
                 TestObject::Line(30, {{0, -10 * Mm}, {20 * Mm, 0}})};
    ASSERT_NE(Open(w), nullptr);
    const QString path = Samples() + QStringLiteral("/hidden-symbol.svg");
    ASSERT_TRUE(WriteSvgFile(path));
    const QString text = QString::fromLatin1(Read(path));
    QStringList groups;
    const QRegularExpression head(QStringLiteral("<g id=\"([^\"]+)\" >"));
    for (auto it = head.globalMatch(text); it.hasNext();)
        groups << it.next().captured(1);
    EXPECT_EQ(groups, (QStringList{"3.0 Line 30 0 1", "1.0 Line 10 0 0"}));
    EXPECT_FALSE(text.contains(QLatin1String("<pattern")));
    EXPECT_FALSE(text.contains(QLatin1String("url(#")));
}

} // namespace
} // namespace zemo::test
