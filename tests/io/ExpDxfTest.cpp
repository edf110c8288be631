// The DXF writer: numbers by scale, layers by number or table, vertices with flattened
// Bezier segments and holes as polylines of their own, texts; the file read back by GDAL's
// ogrinfo and by our own reader; and the temporary file an Esc leaves behind: none.
#include "IoFixture.h"
#include "core/Errors.h"
#include "symbols/CrtTable.h"
#include "io/ExpDxf.h"
#include "io/ImpDxf.h"
#include "render/Scale.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>

namespace zemo::test {
namespace {

QString Samples()
{
    const QString s = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(s);
    return QDir(s).absolutePath();
}

// The groups of a file: (code, value) pairs.
std::vector<std::pair<int, QByteArray>> GroupsOf(const QByteArray& text)
{
    std::vector<std::pair<int, QByteArray>> out;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        out.push_back({lines[i].trimmed().toInt(), lines[i + 1].chopped(lines[i + 1].endsWith('\r') ? 1 : 0)});
    return out;
}

int Count(const std::vector<std::pair<int, QByteArray>>& g, int code, const QByteArray& value)
{
    return int(std::count(g.begin(), g.end(), std::pair{code, value}));
}

QByteArray Ogrinfo(const QString& file)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("ogrinfo"), {QStringLiteral("-ro"), QStringLiteral("-al"), QStringLiteral("-q"), file});
    if (!p.waitForFinished(60000))
        return {};
    return p.readAll();
}

class ExpDxfTest : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010), TestSymbol::Area(4050), TestSymbol::Point(1015),
                     TestSymbol::Text(2010, "Arial", 120)};
        // A line with a Bezier segment from its second point, one flagged on its first
        // and last points (ignored), an area with two holes, a point turned 45 degrees, texts.
        w.objects = {
            TestObject::Line(1010, {{0, 0}, {10 * Mm, 0}, {(20 * Mm) | 1, 10 * Mm}, {(30 * Mm) | 2, 10 * Mm}, {40 * Mm, 0}}),
            TestObject::Line(1010, {{(0) | 1, 0}, {10 * Mm, 0}, {(20 * Mm) | 1, 0}, {30 * Mm, 0}}),
            TestObject::Area(4050, {{0, 0}, {50 * Mm, 0}, {50 * Mm, 50 * Mm}, {0, 50 * Mm},
                                    {Mm, Mm | 2}, {2 * Mm, Mm}, {2 * Mm, 2 * Mm},
                                    {10 * Mm, 10 * Mm | 2}, {12 * Mm, 10 * Mm}, {12 * Mm, 12 * Mm}}),
            TestObject::Point(1015, 5 * Mm, -7 * Mm, 450),
            TestObject::Text(2010, 0, 0, ""),
            TestObject::Text(2010, 0, 0, "First\r\nSecond"),
        };
        ASSERT_NE(Open(w), nullptr);
    }
    QByteArray Export(const QString& name, const ExpDxfOptions& o, const std::vector<LayerEntry>& table = {})
    {
        ExportFile f;
        EXPECT_TRUE(f.Begin(name));
        EXPECT_TRUE(WriteDxfFile(f, o, table));
        EXPECT_TRUE(f.Commit());
        return Read(name);
    }
};

TEST(DxfNumbers, FactorAndDecimalsByScale)
{
    struct Case {
        bool gis;
        double scale;
        double factor;
        int decimals;
    };
    const Case cases[] = {{true, 15000, 0.15, 2}, {true, 1000, 0.01, 2}, {true, 500, 0.005, 4},
                          {true, 10, 0.0001, 4}, {true, 5, 0.00005, 8}, {false, 15000, 0.01, 2}, {false, 5, 0.01, 2}};
    for (const Case& c : cases) {
        const DxfNumbers n = DxfNumbersFor(c.gis, c.scale);
        EXPECT_DOUBLE_EQ(n.Factor, c.factor) << c.scale;
        EXPECT_EQ(n.Decimals, c.decimals) << c.scale;
        EXPECT_EQ(n.RealWorld, c.gis);
    }
}

TEST_F(ExpDxfTest, MillimetresLayersVerticesAndTexts)
{
    const QString file = Samples() + QStringLiteral("/objects-mm.dxf");
    ExpDxfOptions o;
    o.Gis = false;
    const QByteArray text = Export(file, o, {{1015, PointObject, "Trees and bushes"}});
    const auto g = GroupsOf(text);
    EXPECT_TRUE(text.startsWith("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$EXTMIN\r\n 10\r\n"));
    EXPECT_TRUE(text.endsWith("  0\r\nENDSEC\r\n  0\r\nEOF\r\n"));
    // Two lines, and three closed polylines for the area and its holes.
    EXPECT_EQ(Count(g, 0, "POLYLINE"), 5);
    EXPECT_EQ(Count(g, 0, "SEQEND"), 5);
    EXPECT_EQ(Count(g, 70, "1"), 3);
    EXPECT_EQ(Count(g, 8, "Trees and bushes"), 1);
    EXPECT_EQ(Count(g, 8, "2010"), 2);
    // The point in mm with 2 decimals and its angle.
    const QByteArray point = "  0\r\nPOINT\r\n  8\r\nTrees and bushes\r\n 10\r\n5.00\r\n 20\r\n-7.00\r\n 50\r\n45.0\r\n";
    EXPECT_TRUE(text.contains(point));
    // Texts: the empty one as " ", the other up to its line break.
    EXPECT_EQ(Count(g, 1, " "), 1);
    EXPECT_EQ(Count(g, 1, "First"), 1);
    // The first line's segment is flattened (more than its 5 points), the second line's flags
    // on its first point and last two points are ignored (its 4 points as they are).
    int vertices = 0;
    for (size_t i = 0; i < g.size() && g[i] != std::pair{0, QByteArray("SEQEND")}; ++i)
        vertices += g[i] == std::pair{0, QByteArray("VERTEX")};
    EXPECT_GT(vertices, 5);
    EXPECT_EQ(Count(g, 8, "1010"), 2 + vertices + 4) << "the heads and the vertices of the lines";
    const QByteArray second = "  0\r\nVERTEX\r\n  8\r\n1010\r\n 10\r\n0.00\r\n 20\r\n0.00\r\n  0\r\nVERTEX\r\n  8\r\n1010\r\n"
                              " 10\r\n10.00\r\n 20\r\n0.00\r\n  0\r\nVERTEX\r\n  8\r\n1010\r\n 10\r\n20.00\r\n 20\r\n0.00\r\n"
                              "  0\r\nVERTEX\r\n  8\r\n1010\r\n 10\r\n30.00\r\n 20\r\n0.00\r\n  0\r\nSEQEND\r\n";
    EXPECT_TRUE(text.contains(second));

    const QByteArray info = Ogrinfo(file);
    ASSERT_FALSE(info.isEmpty()) << "ogrinfo did not run";
    EXPECT_EQ(info.count("Layer (String) = 1010"), 2) << info.constData();
    EXPECT_EQ(info.count("Layer (String) = Trees and bushes"), 1);
    EXPECT_EQ(info.count("Text (String) = First"), 1);
    EXPECT_EQ(info.count("POINT (5 -7"), 1);
}

TEST_F(ExpDxfTest, RealWorldCoordinatesOfATurnedMap)
{
    struct Case {
        double scale;
        int decimals;
    };
    for (const Case c : {Case{15000, 2}, Case{500, 4}, Case{5, 8}}) {
        SCOPED_TRACE(c.scale);
        SetupRecord& s = *Stp();
        s.MapScale = c.scale;
        s.RealWorldOffsetX = 600000;
        s.RealWorldOffsetY = 5200000;
        s.RealWorldAngle = 12.5;
        const QString file = Samples() + QStringLiteral("/turned-real-world-%1.dxf").arg(c.scale);
        const QByteArray text = Export(file, ExpDxfOptions{});
        double e = 0, n = 0;
        ASSERT_TRUE(CordToRealWorld({5 * Mm, -7 * Mm}, {c.scale, 600000, 5200000, 12.5}, e, n));
        // The point's pair: exactly the decimals, within half the last one of the transform.
        const auto g = GroupsOf(text);
        const auto at = std::find(g.begin(), g.end(), std::pair{0, QByteArray("POINT")});
        ASSERT_LT(std::distance(at, g.end()), std::ptrdiff_t(g.size())) << "no point";
        ASSERT_GE(std::distance(at, g.end()), 5);
        ASSERT_EQ(at[2].first, 10);
        ASSERT_EQ(at[3].first, 20);
        for (const auto& [value, want] : {std::pair{at[2].second, e}, std::pair{at[3].second, n}}) {
            EXPECT_EQ(value.size() - value.indexOf('.') - 1, c.decimals) << value.constData();
            EXPECT_NEAR(value.toDouble(), want, 0.5001 * std::pow(10.0, -c.decimals)) << value.constData();
        }
        EXPECT_EQ(at[4], (std::pair{50, QByteArray("32.5")})) << "45 degrees less the map's 12.5";
        if (c.scale == 15000) {
            const QByteArray info = Ogrinfo(file);
            EXPECT_EQ(info.count("Layer (String) = 1015"), 1) << info.constData();
            const QRegularExpression re(QStringLiteral("POINT \\(([-0-9.]+) ([-0-9.]+)"));
            const auto m = re.match(QString::fromLatin1(info));
            ASSERT_TRUE(m.hasMatch());
            EXPECT_NEAR(m.captured(1).toDouble(), e, 0.006);
            EXPECT_NEAR(m.captured(2).toDouble(), n, 0.006);
        }
    }
}

TEST_F(ExpDxfTest, ExportedWithATableComesBackThroughTheSameTable)
{
    const QString file = Samples() + QStringLiteral("/objects-layers.dxf");
    ExpDxfOptions o;
    o.Gis = false;
    const std::vector<LayerEntry> table = {{1010, LineObject, "roads"}, {4050, AreaObject, "lakes"},
                                           {1015, PointObject, "trees"}};
    const QByteArray text = Export(file, o, table);
    ResetOpenUnit();
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(1010), TestSymbol::Area(4050), TestSymbol::Point(1015)};
    ASSERT_NE(Open(w, QStringLiteral("back.zmd")), nullptr);
    DxfImportSettings s;
    s.Factor = 100;
    ASSERT_GT(ImportDxfEntities(text, s, table), 0);
    std::vector<std::pair<int, std::vector<Cord>>> got;
    for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
        if (GetIndex(n) && ReadElement(n, AuxElement1))
            got.push_back({AuxElement1.Symbol, {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem}});
    ASSERT_GE(got.size(), 6u);
    EXPECT_EQ(got[1], (std::pair<int, std::vector<Cord>>{1010, {{0, 0}, {10 * Mm, 0}, {20 * Mm, 0}, {30 * Mm, 0}}}));
    EXPECT_EQ(got[2].first, 4050);
    EXPECT_EQ(got[2].second, (std::vector<Cord>{{0, 0}, {50 * Mm, 0}, {50 * Mm, 50 * Mm}, {0, 50 * Mm}, {0, 0}}))
        << "each ring comes back as its own closed area";
    EXPECT_EQ(got[3].second, (std::vector<Cord>{{Mm, Mm}, {2 * Mm, Mm}, {2 * Mm, 2 * Mm}, {Mm, Mm}}));
    EXPECT_EQ(got[5], (std::pair<int, std::vector<Cord>>{1015, {{5 * Mm, -7 * Mm}}}));
}

TEST_F(ExpDxfTest, EscLeavesNoFile)
{
    const QString file = InMaps(QStringLiteral("stopped.dxf"));
    escAt = 2;
    ExportFile f;
    ASSERT_TRUE(f.Begin(file));
    EXPECT_FALSE(WriteDxfFile(f, ExpDxfOptions{}, {}));
    f.Abandon();
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_EQ(FilesInMaps(), QStringList{QStringLiteral("map.zmd")});
}

} // namespace
} // namespace zemo::test
