// Windows metafiles built at their record layouts: the transform from the headers and the
// map-mode and extent records, the skipped clip runs, style names, texts at their own
// positions, bitmaps, the selection rule and damaged records, origins and saved states;
// Inkscape's metafiles point by point against their drawing. wmf2svg reads each fixture too.
#include "MetafileFixture.h"
#include "../support/RasterRefs.h"
#include "../support/WmfBuilder.h"
#include "io/ImpEmf.h"
#include "io/ImpWmf.h"
#include "io/Import.h"

#include <QCoreApplication>
#include <QProcess>

namespace zemo::test {
namespace {

class ImpWmfTest : public MetafileTest {
protected:
    // Leaves the fixture under samples/ and has wmf2svg draw it; returns its SVG.
    QByteArray Drawn(const WmfBuilder& b, const QString& name)
    {
        const QString path = Samples() + u'/' + name;
        WriteFile(path, b.Bytes());
        QProcess p;
        p.start(QStringLiteral("wmf2svg"), {path});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        return p.readAllStandardOutput();
    }
};

TEST(ImpWmf, FormatTestNeedsExtensionAndAHeader)
{
    const QByteArray placeable = WmfBuilder(0, 0, 10, 10, 72).Bytes();
    const QByteArray standard = WmfBuilder().Bytes();
    QByteArray wrongSize = standard;
    wrongSize[2] = 8;
    const struct {
        const char* name;
        QByteArray head;
        bool ok;
    } cases[] = {{"a.wmf", placeable, true},  {"a.WMF", standard, true}, {"a.emf", standard, false},
                 {"a.wmf", wrongSize, false}, {"a.wmf", "\xD7\xCD", false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsWmfFile(QString::fromLatin1(c.name), c.head), c.ok) << c.name;
}

TEST_F(ImpWmfTest, ABoxAtAnInchPerThousandFourHundredUnitsIsCentred)
{
    WmfBuilder b(0, 0, 1440, 720, 1440);
    b.Record(259, {8}).Record(524, {720, 1440}).Poly(804, {{0, 0}, {1440, 0}, {1440, 720}, {0, 720}});
    const QByteArray svg = Drawn(b, QStringLiteral("wmf-box-1440upi.wmf"));
    EXPECT_TRUE(svg.contains("<polygon") || svg.contains("<path")) << svg.left(400).constData();
    int count = 0;
    ASSERT_TRUE(ImportWmfHandle(b.Bytes(), &count));
    EXPECT_EQ(count, 1);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0].type, AreaObject);
    EXPECT_EQ(o[0].layer, "WMF 1");
    EXPECT_EQ(o[0].pts, (std::vector<Cord>{{Cx - 1270 * 256, Cy + 635 * 256}, {Cx + 1270 * 256, Cy + 635 * 256},
                                           {Cx + 1270 * 256, Cy - 635 * 256}, {Cx - 1270 * 256, Cy - 635 * 256}}));
}

TEST_F(ImpWmfTest, RecordsGiveStylesSkipsTextsAndBitmaps)
{
    WmfBuilder b(0, 0, 720, 720, 72);
    std::vector<int> textOut = {3};
    for (int w : WmfBuilder::Chars("abc"))
        textOut.push_back(w);
    textOut.push_back(144);  // y
    textOut.push_back(72);   // x
    std::vector<int> extText = {0, 72, 2, 0};
    for (int w : WmfBuilder::Chars("xy"))
        extText.push_back(w);
    // A 1 x 1 picture of 24 bits stretched over 10 x 10 units.
    QByteArray dib(40, '\0');
    for (auto [at, v] : {std::pair{0, 40}, {4, 1}, {8, 1}, {12, 1}, {14, 24}, {20, 4}})
        dib[at] = char(v);
    dib += QByteArray("\x00\x00\xff\x00", 4);
    std::vector<int> stretch = {0x0020, 0x00CC, 0, 1, 1, 0, 0, 10, 10, 0, 0};
    for (int w : WmfBuilder::Chars(dib))
        stretch.push_back(w);
    const std::initializer_list<int> pen = {0, 1, 0, 0, 0};
    b.Objects(3)
        .Poly(805, {{0, 0}, {72, 0}})
        .Record(30, {})
        .Record(1045, {50, 50, 0, 0})
        .Poly(805, {{0, 0}, {10, 10}})
        .Record(295, {-1})
        .Record(762, pen)
        .Record(762, pen)
        .Record(762, pen)
        .Record(301, {0})
        .Record(301, {1})
        .Record(301, {2})
        .Poly(804, {{0, 0}, {72, 0}, {72, 72}})
        .Record(532, {700, 700})
        .Record(1313, textOut)
        .Record(2610, extText)
        .Record(3907, stretch);
    Drawn(b, QStringLiteral("wmf-records.wmf"));
    ASSERT_TRUE(ImportWmfHandle(b.Bytes()));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 4u);
    // Without a map-mode record one unit is one point; the drawing, 1 inch wide and 2 high,
    // is centred on the view.
    const int32_t ox = Cx - 1270 * 256, oy = Cy + 2540 * 256;
    EXPECT_EQ(o[0].pts, (std::vector<Cord>{{ox, oy}, {ox + 2540 * 256, oy}}));
    EXPECT_EQ(o[0].layer, "WMF 1");
    EXPECT_EQ(o[1].layer, "WMF 4");
    EXPECT_EQ(o[2].type, TextObject);
    EXPECT_EQ(o[2].text, "abc");
    EXPECT_EQ(o[2].pts, std::vector<Cord>(5, Cord{ox + 2540 * 256, oy - 5080 * 256}));
    EXPECT_EQ(o[3].text, "xy");
    EXPECT_EQ(o[3].pts, std::vector<Cord>(5, Cord{ox + 2540 * 256, oy}));
    EXPECT_EQ(messages.CountOf(TextKey::CannotImportBitmap), 1);
    EXPECT_EQ(Index.SelectionCount, 4);
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(Objects().size(), 0u);
}

// Logical units of 0.01 mm (y downward) checked point for point: a pen stroke whose points
// have x and y apart, a poly-polygon's hole, outlines drawn with the null brush, boxes.
TEST_F(ImpWmfTest, StrokesHolesOutlinesAndBoxesComeInPointForPoint)
{
    WmfBuilder b(0, 0, 1000, 1000, 2540);
    b.Objects(2)
        .Record(259, {8})
        .Record(524, {1000, 1000})
        .Record(532, {30, 700})      // move to (700, 30): y before x
        .Record(531, {90, 20})       // line to (20, 90)
        .Record(531, {400, 350})
        .Record(1336, {2, 4, 3, 0, 0, 500, 0, 500, 300, 0, 300, 100, 50, 200, 60, 150, 250})
        .Record(764, {1, 0, 0, 0})   // the null brush
        .Record(301, {0})
        .Poly(804, {{600, 600}, {900, 600}, {900, 800}})
        .Record(1051, {990, 980, 910, 820})  // bottom, right, top, left
        .Record(764, {0, 0, 0, 0})   // a solid brush
        .Record(301, {1})
        .Record(1048, {300, 200, 100, 0});
    Drawn(b, QStringLiteral("wmf-strokes-holes-outlines.wmf"));
    ASSERT_TRUE(ImportWmfHandle(b.Bytes()));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 5u);
    const Cord origin = o[0].pts[0];
    std::vector<std::vector<std::pair<int, int>>> got;
    for (const auto& obj : o) {
        auto& pts = got.emplace_back();
        for (Cord c : obj.pts)
            pts.emplace_back((Masked(c.x) - Masked(origin.x)) / 256, -(Masked(c.y) - Masked(origin.y)) / 256);
    }
    // Back in logical units, from (700, 30).
    const auto from = [](std::initializer_list<std::pair<int, int>> pts) {
        std::vector<std::pair<int, int>> out;
        for (auto [x, y] : pts)
            out.emplace_back(x - 700, y - 30);
        return out;
    };
    EXPECT_EQ(o[0].type, LineObject);
    EXPECT_EQ(got[0], from({{700, 30}, {20, 90}, {350, 400}}));
    EXPECT_EQ(o[1].type, AreaObject);
    EXPECT_EQ(got[1], from({{0, 0}, {500, 0}, {500, 300}, {0, 300}, {100, 50}, {200, 60}, {150, 250}}));
    std::vector<int32_t> holes;
    for (Cord c : o[1].pts)
        holes.push_back(Flags(c.y) & HoleFlag);
    EXPECT_EQ(holes, (std::vector<int32_t>{0, 0, 0, 0, HoleFlag, 0, 0}));
    // With the null brush the pen draws outlines: closed lines.
    EXPECT_EQ(o[2].type, LineObject);
    EXPECT_EQ(got[2], from({{600, 600}, {900, 600}, {900, 800}, {600, 600}}));
    EXPECT_EQ(o[3].type, LineObject);
    EXPECT_EQ(got[3], from({{820, 910}, {980, 910}, {980, 990}, {820, 990}, {820, 910}}));
    // The ellipse in its box, filled: four curves from its top back to its top.
    EXPECT_EQ(o[4].type, AreaObject);
    ASSERT_EQ(o[4].pts.size(), 13u);
    EXPECT_EQ(got[4][0], from({{100, 100}}).front());
    EXPECT_EQ(got[4][3], from({{200, 200}}).front());
    EXPECT_EQ(got[4][6], from({{100, 300}}).front());
    EXPECT_EQ(got[4][9], from({{0, 200}}).front());
    EXPECT_EQ(got[4][12], got[4][0]);
}

// The origins of window and viewport, set and offset, and extents scaled, move what follows
// them; a saved state comes back at its restore. Modelled on GDI's documented mapping: device
// = (logical - window origin) x viewport extent / window extent + viewport origin.
TEST_F(ImpWmfTest, OriginsScaledExtentsAndSavedStatesMoveWhatFollows)
{
    struct State {
        double wox = 0, woy = 0, vox = 0, voy = 0, wx = 1000, wy = 1000, vx = 1000, vy = 1000;
    } g;
    std::vector<std::vector<std::pair<double, double>>> want;
    WmfBuilder b(0, 0, 1000, 1000, 2540);  // a device unit is 0.01 mm
    b.Record(259, {8}).Record(524, {1000, 1000});
    const auto line = [&](std::initializer_list<std::pair<int, int>> pts) {
        b.Poly(805, pts);
        auto& w = want.emplace_back();
        for (auto [x, y] : pts)
            w.emplace_back((x - g.wox) * g.vx / g.wx + g.vox, -((y - g.woy) * g.vy / g.wy + g.voy));
    };
    line({{0, 0}, {100, 40}});
    b.Record(523, {50, -100});  // window origin (-100, 50): y before x
    g.wox = -100, g.woy = 50;
    line({{0, 0}, {100, 40}});
    b.Record(30, {});
    b.Record(527, {10, 20});    // offset by (20, 10)
    g.wox += 20, g.woy += 10;
    b.Record(525, {-30, 70});   // viewport origin (70, -30)
    g.vox = 70, g.voy = -30;
    b.Record(1040, {1, 2, 4, 1}); // window extent x 1/4, y 2/1
    g.wx /= 4, g.wy *= 2;
    line({{0, 0}, {100, 40}});
    b.Record(295, {-1});
    g = State{};
    g.wox = -100, g.woy = 50;
    line({{10, 10}, {30, 10}});
    b.Record(529, {5, 5}).Record(1042, {1, 3, 1, 2});  // viewport offset (5, 5), extent x 2, y 3
    g.vox += 5, g.voy += 5, g.vx *= 2, g.vy *= 3;
    line({{0, 0}, {100, 40}});
    Drawn(b, QStringLiteral("wmf-origins-saved-states.wmf"));
    ASSERT_TRUE(ImportWmfHandle(b.Bytes()));
    const auto o = Objects();
    ASSERT_EQ(o.size(), want.size());
    for (size_t i = 0; i < o.size(); ++i)
        for (size_t k = 0; k < o[i].pts.size(); ++k) {
            SCOPED_TRACE(testing::Message() << "object " << i << " point " << k);
            ASSERT_EQ(o[i].pts.size(), want[i].size());
            EXPECT_NEAR((Masked(o[i].pts[k].x) - Masked(o[0].pts[0].x)) / 256, want[i][k].first - want[0][0].first, 1);
            EXPECT_NEAR((Masked(o[i].pts[k].y) - Masked(o[0].pts[0].y)) / 256, want[i][k].second - want[0][0].second, 1);
        }
}

// Inkscape's metafiles of a shape with a hole and a stroke: each point where the drawing has
// it, the hole's points one by one in their order, within the writers' 1/1200 inch.
TEST_F(ImpWmfTest, InkscapesMetafilesKeepEveryPointOfTheDrawing)
{
    const QString svg = InMaps(QStringLiteral("hole.svg"));
    WriteFile(svg, R"(<svg xmlns="http://www.w3.org/2000/svg" width="120mm" height="80mm" viewBox="0 0 120 80">
 <path d="M10 10 H40 V50 H10 Z M20 20 V40 H32 V25 Z" fill="#000" fill-rule="evenodd"/>
 <path d="M50 10 L80 17 L70 50" fill="none" stroke="#000" stroke-width="0.5"/>
</svg>
)");
    // In millimetres, y downward as drawn.
    const std::vector<std::vector<std::pair<double, double>>> source{
        {{10, 10}, {40, 10}, {40, 50}, {10, 50}, {20, 20}, {20, 40}, {32, 40}, {32, 25}}, {{50, 10}, {80, 17}, {70, 50}}};
    const struct {
        const char* ext;
        bool (*import)(const QByteArray&, int*, const QString&);
    } kinds[] = {{"wmf", ImportWmfHandle}, {"emf", ImportEmfHandle}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.ext);
        ResetOpenUnit();
        SetUp();
        const QString out = Samples() + QStringLiteral("/metafile-inkscape-hole.") + QLatin1String(kind.ext);
        QFile::remove(out);
        ASSERT_TRUE(RunTool(QStringLiteral("inkscape"), {svg, QStringLiteral("--export-filename=") + out}));
        ASSERT_TRUE(kind.import(Read(out), nullptr, {}));
        const auto o = Objects();
        ASSERT_EQ(o.size(), 2u);
        EXPECT_EQ(o[0].type, AreaObject);
        EXPECT_EQ(o[1].type, LineObject);
        for (size_t i = 0; i < 2; ++i) {
            ASSERT_EQ(o[i].pts.size(), source[i].size());
            for (size_t k = 0; k < source[i].size(); ++k) {
                SCOPED_TRACE(testing::Message() << "object " << i << " point " << k);
                const Cord c = o[i].pts[k], c0 = o[0].pts[0];
                EXPECT_NEAR((Masked(c.x) - Masked(c0.x)) / 256, (source[i][k].first - 10) * 100, 3);
                EXPECT_NEAR((Masked(c.y) - Masked(c0.y)) / 256, -(source[i][k].second - 10) * 100, 3);
                EXPECT_EQ(Flags(c.y) & HoleFlag, i == 0 && k == 4 ? HoleFlag : 0);
            }
        }
    }
}

TEST_F(ImpWmfTest, AThousandObjectsStaySelectedNotMore)
{
    for (int n : {1000, 1001}) {
        WmfBuilder b;
        for (int k = 0; k < n; ++k)
            b.Poly(805, {{0, k}, {10, k}});
        const int before = Index.ActiveZmd->HighestObject;
        ASSERT_TRUE(ImportWmfHandle(b.Bytes()));
        EXPECT_EQ(Index.ActiveZmd->HighestObject - before, n);
        EXPECT_EQ(Index.SelectionCount, n == 1000 ? 1000 : 0) << n;
    }
}

TEST_F(ImpWmfTest, DamagedRecordsEndOrSkipCleanly)
{
    const QByteArray good = WmfBuilder().Poly(805, {{0, 0}, {10, 10}}).Bytes();
    const struct {
        const char* what;
        QByteArray bytes;
        bool opens;
        int objects;
    } cases[] = {
        {"no header", QByteArray("\x01\x00\x08\x00", 4) + QByteArray(20, '\0'), false, 0},
        {"header cut", good.left(10), false, 0},
        {"size 0", good.left(18) + QByteArray::fromHex("00000000250300000000") + good.mid(18), true, 0},
        {"size 2", good.left(18) + QByteArray::fromHex("020000002503") + good.mid(18), true, 0},
        {"past the end", good.left(18) + QByteArray::fromHex("ffffff002503020000000000"), true, 0},
        {"forged count", WmfBuilder().Record(805, {500, 0, 0, 1, 1}).Poly(805, {{0, 0}, {1, 1}}).Bytes(), true, 1},
        {"forged text", WmfBuilder().Record(1313, {400, 0x6161, 0, 0}).Record(2610, {0, 0, 90, 0, 0x6161}).Bytes(), true, 0},
        {"zero extents", WmfBuilder().Record(259, {8}).Record(524, {0, 5}).Record(526, {5, 0}).Poly(805, {{0, 0}, {1, 1}}).Bytes(), true, 1},
        {"outside the map", WmfBuilder(0, 0, 1, 1, 1).Record(259, {8}).Poly(805, {{0, 0}, {30000, 0}}).Bytes(), true, 0},
    };
    for (const auto& c : cases) {
        const int before = Index.ActiveZmd->HighestObject;
        messages.Clear();
        EXPECT_EQ(ImportWmfHandle(c.bytes), c.opens) << c.what;
        EXPECT_EQ(messages.CountOf(TextKey::CannotOpenWmf), c.opens ? 0 : 1) << c.what;
        EXPECT_EQ(Index.ActiveZmd->HighestObject - before, c.objects) << c.what;
    }
}

// A pen takes the lowest free slot of the table, however its slots were freed.
TEST_F(ImpWmfTest, ANewObjectTakesTheLowestFreeSlot)
{
    const std::initializer_list<int> null = {5, 0, 0, 0, 0}, solid = {0, 1, 0, 0, 0};
    WmfBuilder b;
    b.Record(762, null).Record(762, solid).Record(762, solid).Record(496, {0}).Record(496, {2});
    // Into slot 0: drawn with, the line is not there.
    b.Record(762, null).Record(301, {0}).Poly(805, {{0, 0}, {10, 10}});
    // Into slot 2: the line is there.
    b.Record(762, solid).Record(301, {2}).Poly(805, {{0, 0}, {20, 20}, {20, 0}});
    ASSERT_TRUE(ImportWmfHandle(b.Bytes()));
    const auto o = Objects();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0].pts.size(), 3u);
}

// Data that stops before the end record is cut even where it stops between two records.
TEST_F(ImpWmfTest, DataStoppingBeforeTheEndRecordIsReportedCut)
{
    const QByteArray whole = WmfBuilder().Poly(805, {{0, 0}, {10, 10}}).Poly(805, {{0, 0}, {10, 10}}).Bytes();
    EXPECT_EQ(Brought(ImportWmfHandle, whole), std::pair(2, false));
    EXPECT_EQ(Brought(ImportWmfHandle, whole.chopped(6)), std::pair(2, true)) << "without the end record";
    EXPECT_EQ(Brought(ImportWmfHandle, whole.chopped(6 + 16)), std::pair(1, true)) << "after the first line";
}

TEST_F(ImpWmfTest, AMapThatTakesNoMoreObjectsSaysSoOnce)
{
    const QByteArray lines = WmfBuilder().Poly(805, {{0, 0}, {10, 10}}).Poly(805, {{0, 0}, {10, 10}}).Bytes();
    Index.ActiveZmd->HighestObject = MaxObjectNumber;
    EXPECT_EQ(Brought(ImportWmfHandle, lines).first, 0);
    EXPECT_EQ(messages.CountOf(TextKey::MaxObjects), 1);
}

TEST_F(ImpWmfTest, FileImportTakesAMetafile)
{
    ResetImportUnit();
    InitImportUnit();
    InitImpWmfUnit();
    WriteFile(InMaps("drawing.wmf"), WmfBuilder().Poly(804, {{0, 0}, {10, 0}, {10, 10}}).Bytes());
    ImportFileByName(InMaps("drawing.wmf"));
    EXPECT_EQ(Objects().size(), 1u);
}

} // namespace
} // namespace zemo::test
