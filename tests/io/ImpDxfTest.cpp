// The DXF reader on literal group text: every entity kind, arcs and bulges as Bezier segments,
// blocks, layer tables, the coordinate limits, and drawings built to overrun or recurse.
#include "IoFixture.h"
#include "core/Errors.h"
#include "symbols/CrtTable.h"
#include "io/ImpDxf.h"
#include "io/ImportReport.h"

#include <QCoreApplication>
#include <QProcess>

#include <cmath>
#include <initializer_list>
#include <tuple>
#include <utility>

namespace zemo::test {
namespace {

struct Obj {
    int16_t symbol = 0;
    uint8_t type = 0;
    int16_t angle = 0;
    std::vector<Cord> pts;
    QByteArray layer;
    QByteArray text;
};

using GroupList = std::initializer_list<std::pair<int, const char*>>;

QByteArray Groups(GroupList g)
{
    QByteArray out;
    for (const auto& [code, value] : g)
        out += QByteArray::number(code).rightJustified(3, ' ') + '\n' + value + '\n';
    return out;
}

QByteArray Entities(const QByteArray& body)
{
    return Groups({{0, "SECTION"}, {2, "ENTITIES"}}) + body + Groups({{0, "ENDSEC"}, {0, "EOF"}});
}

Cord P(int x, int y, int xf = 0, int yf = 0)
{
    return {x * 256 | xf, y * 256 | yf};
}

class ImpDxfTest : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010), TestSymbol::Area(4050), TestSymbol::Point(1120),
                     TestSymbol::Text(2010)};
        ASSERT_NE(Open(w), nullptr);
    }
    // The number of objects appended, -1 when the import ended with the silent abort.
    int Import(const QByteArray& dxf, DxfImportSettings s = {}, const std::vector<LayerEntry>& table = {})
    {
        try {
            return ImportDxfEntities(dxf, s, table);
        } catch (const EAbort&) {
            return -1;
        }
    }
    static std::vector<Obj> Objects()
    {
        std::vector<Obj> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            ElementRecord& e = AuxElement1;
            if (!GetIndex(n) || !ReadElement(n, e))
                continue;
            Obj o{e.Symbol, e.ObjectType, e.Angle, {e.Cords(), e.Cords() + e.nItem}, {}, {}};
            o.layer = QByteArray(reinterpret_cast<const char*>(e.LayerName.data() + 1), e.LayerName[0]);
            if (e.nText > 0)
                o.text = QByteArray(reinterpret_cast<const char*>(e.TextBytes()));
            out.push_back(std::move(o));
        }
        return out;
    }
    static int Flagged(const std::vector<Cord>& pts, int flag)
    {
        int n = 0;
        for (Cord c : pts)
            n += (c.x & flag) ? 1 : 0;
        return n;
    }
};

TEST_F(ImpDxfTest, ArcsCirclesAndBulgesBecomeBezierSegments)
{
    struct Case {
        const char* name;
        QByteArray groups;
        double factor;
        size_t points;
        std::vector<std::pair<size_t, Cord>> at;   // point index, expected value
    };
    const std::vector<Case> cases = {
        {"arc 350 to 10 is one segment",
         Groups({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "1000"}, {50, "350"}, {51, "10"}}), 1, 4,
         {{0, P(985, -174)}, {3, P(985, 174)}}},
        {"circle of 10 m at 1:10000 has a radius of 1 mm",
         Groups({{0, "CIRCLE"}, {10, "0"}, {20, "0"}, {40, "10"}}), 10, 13,
         {{0, P(100, 0)}, {1, P(100, 57, FirstBezierFlag)}, {3, P(0, 100)}, {6, P(-100, 0)}, {12, P(100, 0)}}},
        {"bulge 1 is a half circle in two segments",
         Groups({{0, "LWPOLYLINE"}, {90, "2"}, {70, "0"}, {10, "0"}, {20, "0"}, {42, "1"}, {10, "200"}, {20, "0"}}),
         1, 7, {{0, P(0, 0)}, {3, P(100, -100)}, {6, P(200, 0)}}},
        {"bulge above 1 takes four segments",
         Groups({{0, "LWPOLYLINE"}, {10, "0"}, {20, "0"}, {42, "-2"}, {10, "200"}, {20, "0"}}), 1, 13,
         {{0, P(0, 0)}, {12, P(200, 0)}}},
        {"a closed bulged two-vertex polyline is a circle",
         Groups({{0, "LWPOLYLINE"}, {70, "1"}, {10, "0"}, {20, "0"}, {42, "1"}, {10, "200"}, {20, "0"}, {42, "1"}}),
         1, 13, {{3, P(100, -100)}, {6, P(200, 0)}, {9, P(100, 100)}, {12, P(0, 0)}}},
        {"a closed polyline that ends on its start gets no second copy",
         Groups({{0, "LWPOLYLINE"}, {70, "1"}, {10, "0"}, {20, "0"}, {10, "50"}, {20, "0"}, {10, "0"}, {20, "0"}}),
         1, 3, {{2, P(0, 0)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetOpenUnit();
        SetUp();
        DxfImportSettings s;
        s.Factor = c.factor;
        ASSERT_EQ(Import(Entities(c.groups), s), 1);
        const auto objs = Objects();
        ASSERT_EQ(objs.size(), 1u);
        EXPECT_EQ(objs[0].pts.size(), c.points);
        EXPECT_EQ(objs[0].symbol, -1);
        for (const auto& [i, want] : c.at) {
            ASSERT_LT(i, objs[0].pts.size());
            EXPECT_EQ(objs[0].pts[i], want) << "point " << i;
        }
        EXPECT_EQ(Flagged(objs[0].pts, FirstBezierFlag), int(c.points - 1) / 3);
        EXPECT_EQ(Flagged(objs[0].pts, SecondBezierFlag), int(c.points - 1) / 3);
    }
}

TEST_F(ImpDxfTest, EntitiesKeepTheirPointsInOutlineOrder)
{
    const QByteArray body =
        Groups({{0, "TRACE"}, {8, "t"}, {10, "0"}, {20, "0"}, {11, "100"}, {21, "0"}, {12, "0"}, {22, "100"},
                {13, "100"}, {23, "100"}})
        + Groups({{0, "TEXT"}, {8, "names"}, {10, "5"}, {20, "6"}, {1, "Hill"}, {50, "45"}})
        + Groups({{0, "POINT"}, {8, "trees"}, {10, "7"}, {20, "8"}, {50, "400"}})
        // Spline-fit: only the frame points (flag 16) count, the fitted ones (8) do not.
        + Groups({{0, "POLYLINE"}, {66, "1"}, {70, "4"}, {0, "VERTEX"}, {10, "0"}, {20, "0"}, {70, "16"},
                  {0, "VERTEX"}, {10, "99"}, {20, "99"}, {70, "8"}, {0, "VERTEX"}, {10, "300"}, {20, "0"},
                  {70, "16"}, {0, "VERTEX"}, {10, "300"}, {20, "300"}, {70, "16"}, {0, "VERTEX"}, {10, "0"},
                  {20, "300"}, {70, "16"}, {0, "VERTEX"}, {10, "0"}, {20, "600"}, {70, "16"}, {0, "SEQEND"}});
    ASSERT_EQ(Import(Entities(body)), 4);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 4u);
    EXPECT_EQ(o[0].type, AreaObject);
    EXPECT_EQ(o[0].pts, (std::vector<Cord>{P(0, 0), P(100, 0), P(100, 100), P(0, 100)}));
    EXPECT_EQ(o[0].layer, "t");
    EXPECT_EQ(o[1].type, TextObject);
    EXPECT_EQ(o[1].pts, (std::vector<Cord>{P(5, 6), {}, {}, {}, {}}));
    EXPECT_EQ(o[1].text, "Hill");
    EXPECT_EQ(o[1].angle, 450);
    EXPECT_EQ(o[2].type, PointObject);
    EXPECT_EQ(o[2].angle, 0) << "an angle outside -360..360 is not taken";
    ASSERT_EQ(o[3].pts.size(), 13u);
    EXPECT_EQ(o[3].pts[0], P(0, 0));
    EXPECT_EQ(o[3].pts[1], P(100, 0, FirstBezierFlag));
    EXPECT_EQ(o[3].pts[3], P(250, 50)) << "between the Bezier points (200,0) and (300,100)";
    EXPECT_EQ(o[3].pts[12], P(0, 600));
}

TEST_F(ImpDxfTest, PolyfaceFacesEndAtZeroAndAtVerticesNeverCollected)
{
    const QByteArray body = Groups({{0, "POLYLINE"}, {70, "64"}, {0, "VERTEX"}, {10, "0"}, {20, "0"}, {70, "192"},
                                    {0, "VERTEX"}, {10, "10"}, {20, "0"}, {70, "192"}, {0, "VERTEX"}, {10, "10"},
                                    {20, "10"}, {70, "192"}, {0, "VERTEX"}, {10, "0"}, {20, "10"}, {70, "192"},
                                    {0, "VERTEX"}, {70, "128"}, {71, "1"}, {72, "-2"}, {73, "3"}, {74, "4"},
                                    {0, "VERTEX"}, {70, "128"}, {71, "2"}, {72, "99"}, {73, "3"}, {74, "4"},
                                    {0, "SEQEND"}});
    ASSERT_EQ(Import(Entities(body)), 2);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0].pts, (std::vector<Cord>{P(0, 0), P(10, 0), P(10, 10), P(0, 10), P(0, 0), P(10, 0)}));
    EXPECT_EQ(o[1].pts, (std::vector<Cord>{P(10, 10), P(0, 10), P(10, 10)}));
}

TEST_F(ImpDxfTest, BlocksAreInsertedAtTheirBasePointAndNeverIntoThemselves)
{
    const QByteArray blocks =
        Groups({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {8, "0"}, {2, "B"}, {70, "0"}, {10, "5"}, {20, "5"},
                {0, "POINT"}, {10, "5"}, {20, "5"}, {0, "LINE"}, {10, "5"}, {20, "5"}, {11, "15"}, {21, "5"},
                {0, "ENDBLK"}, {0, "BLOCK"}, {2, "SELF"}, {10, "0"}, {20, "0"}, {0, "INSERT"}, {2, "SELF"},
                {10, "1"}, {20, "1"}, {0, "POINT"}, {10, "0"}, {20, "0"}, {0, "ENDBLK"}, {0, "ENDSEC"}});
    const QByteArray ents = Entities(Groups({{0, "INSERT"}, {2, "B"}, {10, "100"}, {20, "200"}, {0, "INSERT"},
                                             {2, "SELF"}, {10, "-50"}, {20, "0"}, {0, "INSERT"}, {2, "NONE"},
                                             {0, "POINT"}, {10, "1"}, {20, "2"}}));
    ASSERT_EQ(Import(blocks + ents), 4);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 4u);
    EXPECT_EQ(o[0].pts, (std::vector<Cord>{P(100, 200)}));
    EXPECT_EQ(o[1].pts, (std::vector<Cord>{P(100, 200), P(110, 200)}));
    // SELF once: its own INSERT is skipped, its point comes in at the insertion point.
    EXPECT_EQ(o[2].pts, (std::vector<Cord>{P(-50, 0)}));
    EXPECT_EQ(o[3].pts, (std::vector<Cord>{P(1, 2)})) << "the offset is back after the blocks";

    // With InsertB every reference is a point.
    ResetOpenUnit();
    SetUp();
    DxfImportSettings s;
    s.InsertAsPoint = true;
    ASSERT_EQ(Import(blocks + ents, s), 4);
    EXPECT_EQ(Objects()[0].pts, (std::vector<Cord>{P(100, 200)}));
}

TEST_F(ImpDxfTest, LayerTableGivesSymbolsAndTypes)
{
    const std::vector<LayerEntry> table = {
        {1010, LineObject, "water"}, {4050, AreaObject, "water"}, {1120, PointObject, "trees"}};
    const QByteArray body = Groups({{0, "LINE"}, {8, "water"}, {10, "0"}, {20, "0"}, {11, "5"}, {21, "5"},
                                    {0, "POINT"}, {8, "trees"}, {10, "1"}, {20, "1"},
                                    {0, "POINT"}, {8, "Trees"}, {10, "1"}, {20, "1"},
                                    {0, "TEXT"}, {8, "water"}, {10, "1"}, {20, "1"}, {1, "x"}});
    ASSERT_EQ(Import(Entities(body), {}, table), 4);
    const auto o = Objects();
    EXPECT_EQ(std::pair(o[0].symbol, o[0].type), std::pair(int16_t(4050), uint8_t(AreaObject)))
        << "the last match wins: the line becomes an area";
    EXPECT_EQ(o[0].layer, "");
    EXPECT_EQ(o[1].symbol, 1120);
    EXPECT_EQ(std::pair(o[2].symbol, o[2].layer), std::pair(int16_t(-1), QByteArray("Trees")));
    EXPECT_EQ(o[3].symbol, -1) << "no text entry for the layer";
}

TEST_F(ImpDxfTest, CoordinatesOutsideThePaperAreDropped)
{
    struct Case {
        const char* x;
        double angle;
        bool kept;
    };
    const Case cases[] = {{"150000", 0, true}, {"250000", 0, false}, {"400000", 0, false},
                          {"nan", 0, false}, {"1e400", 0, false}, {"150000", 90, true}, {"-199999", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        ResetOpenUnit();
        SetUp();
        DxfImportSettings s;
        s.Angle = c.angle;
        Import(Entities(Groups({{0, "POINT"}, {10, c.x}, {20, "0"}, {50, "10"}})), s);
        const auto o = Objects();
        ASSERT_EQ(o.size(), c.kept ? 1u : 0u);
        if (c.kept && c.angle == 90) {
            EXPECT_EQ(o[0].pts[0], P(0, 150000));
            EXPECT_EQ(o[0].angle, 1000);
        }
    }
}

TEST_F(ImpDxfTest, HatchPathsGiveHolesAndArcEdgesNotTheirCentres)
{
    const QByteArray body = Groups({
        {0, "HATCH"}, {8, "lake"}, {10, "0"}, {20, "0"}, {30, "0"}, {2, "SOLID"}, {70, "1"}, {91, "2"},
        // An edge path: two lines and a half circle of radius 50 about (50, 100).
        {92, "1"}, {93, "3"}, {72, "1"}, {10, "0"}, {20, "0"}, {11, "100"}, {21, "0"},
        {72, "1"}, {10, "100"}, {20, "0"}, {11, "100"}, {21, "100"},
        {72, "2"}, {10, "50"}, {20, "100"}, {40, "50"}, {50, "0"}, {51, "180"}, {73, "1"}, {97, "0"},
        // A polyline path: the hole.
        {92, "2"}, {72, "0"}, {73, "1"}, {93, "3"}, {10, "40"}, {20, "40"}, {10, "60"}, {20, "40"},
        {10, "50"}, {20, "60"}, {97, "0"}, {75, "0"}, {76, "1"}, {98, "1"}, {10, "7"}, {20, "7"}});
    ASSERT_EQ(Import(Entities(body)), 1);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 1u);
    const auto& p = o[0].pts;
    EXPECT_EQ(o[0].type, AreaObject);
    // (0,0) (100,0) (100,100) then 180 degrees in 3 segments to (0,100), then the hole.
    ASSERT_EQ(p.size(), 3u + 9u + 3u);
    EXPECT_EQ(p[2], P(100, 100));
    EXPECT_EQ(p[11], P(0, 100));
    for (Cord c : p)
        EXPECT_FALSE(Masked(c.x) == 50 * 256 && Masked(c.y) == 100 * 256) << "the centre is no outline point";
    EXPECT_EQ(p[12], P(40, 40, 0, HoleFlag));
    EXPECT_EQ(p[14], P(50, 60)) << "the seed point after 98 is not taken";
}

TEST_F(ImpDxfTest, PointsAreCappedForEveryEntityKind)
{
    QByteArray lw = Groups({{0, "LWPOLYLINE"}, {90, "40000"}, {70, "0"}});
    for (int i = 0; i < 40000; ++i)
        lw += " 10\n" + QByteArray::number(i % 1000) + "\n 20\n" + QByteArray::number(i / 1000) + "\n 42\n0.5\n";
    QByteArray spline = Groups({{0, "SPLINE"}, {70, "8"}});
    for (int i = 0; i < 670; ++i)
        spline += " 10\n" + QByteArray::number(i) + "\n 20\n" + QByteArray::number(i % 7) + "\n";
    ASSERT_EQ(Import(Entities(lw + spline)), 1);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 1u) << "a spline of 670 control points is dropped";
    EXPECT_EQ(o[0].pts.size(), size_t(MaxElementItems));
}

// A polyline that brings no object is counted under its own reason: a mesh is not read, a
// lone vertex is damage, a fit spline of too many points is too long.
TEST_F(ImpDxfTest, PolylinesLeftOutAreCountedByTheirReason)
{
    const QByteArray vertex = Groups({{0, "VERTEX"}, {10, "1"}, {20, "2"}, {70, "16"}});
    QByteArray fit = Groups({{0, "POLYLINE"}, {70, "4"}});
    for (int i = 0; i <= MaxOpenSplinePoints; ++i)
        fit += vertex;
    const QByteArray body = Groups({{0, "POLYLINE"}, {70, "16"}}) + vertex + vertex + vertex + Groups({{0, "SEQEND"}})
                            + Groups({{0, "POLYLINE"}, {70, "0"}}) + vertex + Groups({{0, "SEQEND"}}) + fit
                            + Groups({{0, "SEQEND"}});
    ImportReport r;
    ASSERT_EQ(ImportDxfEntities(Entities(body), {}, {}, &r), 0);
    EXPECT_EQ(r.Skipped(TextKey::UnreadDrawingRecords), 1);
    EXPECT_EQ(r.Skipped(TextKey::DamagedRecords), 1);
    EXPECT_EQ(r.Skipped(TextKey::ObjectsWithTooManyPoints), 1);
    EXPECT_EQ(r.SkippedCount(), 3);
}

// Entities of kinds not read are counted by their names, but only as many names as a report
// can show: the rest are counted together.
TEST_F(ImpDxfTest, KindsNotReadAreNamedUpToAScreenful)
{
    QByteArray body;
    for (int k = 0; k < 1000; ++k)
        body += Groups({{0, QByteArray("KIND" + QByteArray::number(k)).constData()}, {8, "0"}});
    ImportReport r;
    ASSERT_EQ(ImportDxfEntities(Entities(body), {}, {}, &r), 0);
    EXPECT_EQ(r.Skipped(TextKey::UnreadDrawingRecords), 1000);
    ASSERT_EQ(r.LeftOut.size(), ImportReport::MaxNamedLines + 1);
    EXPECT_EQ(r.LeftOut.front().kind, QStringLiteral("KIND0"));
    EXPECT_EQ(r.LeftOut.back().kind, QString());
    EXPECT_EQ(r.LeftOut.back().n, 1000 - int(ImportReport::MaxNamedLines));
}

TEST_F(ImpDxfTest, ABadCodeLineKeepsWhatCameIn)
{
    const QByteArray dxf = Groups({{0, "SECTION"}, {2, "ENTITIES"}, {0, "POINT"}, {10, "1"}, {20, "1"}, {0, "POINT"}})
        + "x1\n10\n";
    EXPECT_EQ(Import(dxf), -1);
    EXPECT_EQ(Objects().size(), 1u);
    ASSERT_GT(messages.Count(), 0);
    EXPECT_EQ(messages.Last().key, TextKey::DxfError);
}

TEST_F(ImpDxfTest, OemTextsAreConverted)
{
    DxfImportSettings s;
    s.Oem = true;
    ASSERT_EQ(Import(Entities(Groups({{0, "TEXT"}, {10, "0"}, {20, "0"}, {1, "M\x81hle"}})), s), 1);
    EXPECT_EQ(Objects()[0].text, "M\xFChle");
}

TEST_F(ImpDxfTest, HeaderScanFindsExtentsAndTheFirstEntity)
{
    const QByteArray head = Groups({{0, "SECTION"}, {2, "HEADER"}, {9, "$EXTMIN"}, {10, "1000"}, {20, "2000"},
                                    {9, "$EXTMAX"}, {10, "3000"}, {20, "6000"}, {0, "ENDSEC"}});
    DxfHeaderInfo h;
    ASSERT_TRUE(ScanDxfHeader(head + Entities({}), h));
    EXPECT_TRUE(h.HasExtents);
    EXPECT_EQ(std::pair(h.OffsetX, h.OffsetY), std::pair(2000.0, 4000.0));
    ASSERT_TRUE(ScanDxfHeader(head + Entities(Groups({{0, "ARC"}, {10, "9"}, {20, "9"}, {0, "LINE"}, {10, "7"},
                                                      {20, "8"}})),
                              h));
    EXPECT_EQ(std::pair(h.OffsetX, h.OffsetY), std::pair(7.0, 8.0));
    ASSERT_TRUE(ScanDxfHeader(Entities({}), h));
    EXPECT_FALSE(h.HasExtents);

    EXPECT_TRUE(IsDxfFile("a.DXF", "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n"));
    EXPECT_FALSE(IsDxfFile("a.txt", "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n"));
    EXPECT_FALSE(IsDxfFile("a.dxf", "  0\nSECTION\n  X\nHEADER\n  9\n$ACADVER\n"));
    EXPECT_FALSE(IsDxfFile("a.dxf", "  0\nSECTION\n"));
}

// A drawing of a real writer: GDAL's DXF driver writes TABLES, BLOCKS and OBJECTS sections
// around the entities, points as POINT, lines as LWPOLYLINE and polygons as HATCH.
TEST_F(ImpDxfTest, ADrawingWrittenByOgr2ogrComesInByItsLayerTable)
{
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    const QString json = InMaps(QStringLiteral("features.geojson"));
    WriteFile(json, R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"Layer":"trees"},"geometry":{"type":"Point","coordinates":[1000.5,2000.25]}},
{"type":"Feature","properties":{"Layer":"roads"},"geometry":{"type":"LineString","coordinates":[[1000,2000],[1010,2005],[1020,1999.5]]}},
{"type":"Feature","properties":{"Layer":"lakes"},"geometry":{"type":"Polygon","coordinates":[
 [[1000,2000],[1040,2000],[1040,2040],[1000,2040],[1000,2000]],[[1010,2010],[1020,2010],[1020,2020],[1010,2010]]]}},
{"type":"Feature","properties":{"Layer":"unlisted"},"geometry":{"type":"Point","coordinates":[1001,2001]}}]})");
    const QString dxf = QDir(samples).absoluteFilePath(QStringLiteral("ogr2ogr-layers.dxf"));
    QFile::remove(dxf);
    QProcess ogr;
    ogr.start(QStringLiteral("ogr2ogr"), {QStringLiteral("-f"), QStringLiteral("DXF"), dxf, json});
    ASSERT_TRUE(ogr.waitForFinished(60000));
    ASSERT_EQ(ogr.exitCode(), 0) << ogr.readAllStandardError().constData();
    const QByteArray data = Read(dxf);
    ASSERT_TRUE(data.contains("BLOCKS") && data.contains("OBJECTS") && data.contains("HATCH"));
    DxfHeaderInfo h;
    ASSERT_TRUE(ScanDxfHeader(data, h));
    DxfImportSettings s;
    s.OffsetX = 1000;
    s.OffsetY = 2000;
    s.Factor = 100;  // a drawing unit is a millimetre on paper
    const auto table = ParseCrtForMap("112 trees\r\n101 roads\r\n405 lakes\r\n");
    ASSERT_EQ(table.size(), 3u);
    ASSERT_EQ(Import(data, s, table), 4);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 4u);
    EXPECT_EQ(std::tuple(o[0].symbol, o[0].type, o[0].pts), std::tuple(int16_t(1120), uint8_t(PointObject), std::vector<Cord>{P(50, 25)}));
    EXPECT_EQ(std::tuple(o[1].symbol, o[1].pts), std::tuple(int16_t(1010), std::vector<Cord>{P(0, 0), P(1000, 500), P(2000, -50)}));
    EXPECT_EQ(std::tuple(o[2].symbol, o[2].type), std::tuple(int16_t(4050), uint8_t(AreaObject)));
    EXPECT_EQ(o[2].pts, (std::vector<Cord>{P(0, 0), P(4000, 0), P(4000, 4000), P(0, 4000), P(0, 0), P(1000, 1000, 0, HoleFlag),
                                           P(2000, 1000), P(2000, 2000), P(1000, 1000)}));
    EXPECT_EQ(std::tuple(o[3].symbol, o[3].layer), std::tuple(int16_t(-1), QByteArray("unlisted")));
}

TEST(CrtLines, NumberBlanksAndTheRestOfTheLine)
{
    struct Case {
        const char* line;
        bool ok;
        double number;
        const char* layer;
    };
    const Case cases[] = {
        {"101.5  Roads main", true, 101.5, "Roads main"}, {"  12 a  ", true, 12, "a"},
        {"0 zero", false, 0, ""}, {"1000 big", false, 0, ""}, {"999.9 top", true, 999.9, "top"},
        {"12.0", false, 0, ""}, {"12.0   ", false, 0, ""}, {"x1 name", false, 0, ""}, {"1,5 name", false, 0, ""},
        {"nan name", false, 0, ""}, {"-5 neg", false, 0, ""},
        {"7 0123456789012345678901234567890123456789", true, 7, "0123456789012345678901234567890"},
        // What the cut leaves at the end goes, as a written table would lose it.
        {"7 012345678901234567890123456789 x", true, 7, "012345678901234567890123456789"},
        {"7 \r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\rx", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double n = 0;
        QByteArray layer;
        ASSERT_EQ(ParseCrtLine(c.line, n, layer), c.ok);
        if (c.ok) {
            EXPECT_EQ(n, c.number);
            EXPECT_EQ(layer, c.layer);
        }
    }
    EXPECT_EQ(CrtFileText({{QStringLiteral("101.5"), "Roads main"}}), "101.5 Roads main\r\n");
}

TEST_F(ImpDxfTest, TableLinesNeedASymbolOfTheMapAndTheLaterLineWins)
{
    const auto t = ParseCrtForMap("101 water\r\n405 water\n112 trees\r0.05 x\n777 nothing\n101 water\n");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1], (LayerEntry{4050, AreaObject, "water"}));
    LayerEntry m;
    ASSERT_TRUE(MatchLayer(t, "water", LineObject, m));
    EXPECT_EQ(m.Symbol10, 1010) << "the later line for the same layer and type";
    ASSERT_TRUE(MatchLayer(t, "water", AreaObject, m));
    EXPECT_EQ(m.Symbol10, 4050);
    EXPECT_FALSE(MatchLayer(t, "Water", LineObject, m));
}

} // namespace
} // namespace zemo::test
