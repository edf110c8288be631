// The DXF reader on literal group text: every entity kind, arcs and bulges as Bezier segments,
// blocks, layer tables, the coordinate limits, and drawings built to overrun or recurse.
#include "IoFixture.h"
#include "../support/RasterRefs.h"
#include "core/Errors.h"
#include "symbols/CrtTable.h"
#include "io/ImpDxf.h"
#include "io/ImportReport.h"

#include <QCoreApplication>
#include <QProcess>

#include <array>
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
        {"an arc to 450 degrees ends at 90, a quarter in two segments",
         Groups({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "1000"}, {50, "0"}, {51, "450"}}), 1, 7,
         {{0, P(1000, 0)}, {3, P(707, 707)}, {6, P(0, 1000)}}},
        {"an arc of a whole turn and more is a circle, not a second turn",
         Groups({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "1000"}, {50, "-90"}, {51, "630"}}), 1, 16,
         {{0, P(0, -1000)}, {15, P(0, -1000)}}},
        {"circle of 10 m at 1:10000 has a radius of 1 mm",
         Groups({{0, "CIRCLE"}, {10, "0"}, {20, "0"}, {40, "10"}}), 10, 13,
         {{0, P(100, 0)}, {1, P(100, 55, FirstBezierFlag)}, {2, P(55, 100, SecondBezierFlag)}, {3, P(0, 100)}, {6, P(-100, 0)}, {12, P(100, 0)}}},
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
    // The frame of five points as a cubic B-spline of even knots from its first point to its
    // last: two segments meeting at (225, 225).
    EXPECT_EQ(o[3].pts, (std::vector<Cord>{P(0, 0), P(300, 0, FirstBezierFlag), P(300, 150, SecondBezierFlag),
                                           P(225, 225), P(150, 300, FirstBezierFlag), P(0, 300, SecondBezierFlag),
                                           P(0, 600)}));
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

// A code line that is no number ends the reading there: what came before stays, the entity
// it cuts off does not come in (counted as damaged), and the report names the line (counted over CR LF, CR and LF
// line ends alike).
TEST_F(ImpDxfTest, ABadCodeLineKeepsWhatCameInAndNamesItsLine)
{
    for (const QByteArray end : {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r")}) {
        QByteArray dxf = Groups({{0, "SECTION"}, {2, "ENTITIES"}, {0, "POINT"}, {10, "1"}, {20, "1"}, {0, "POINT"},
                                 {10, "2"}})
            + "x1\n10\n" + Groups({{0, "POINT"}, {10, "3"}, {20, "3"}, {0, "ENDSEC"}, {0, "EOF"}});
        dxf.replace("\n", end);
        const int before = int(Objects().size());
        ImportReport r;
        EXPECT_EQ(ImportDxfEntities(dxf, {}, {}, &r), 1);
        EXPECT_EQ(int(Objects().size()) - before, 1);
        EXPECT_EQ(r.DamagedAtLine, 15);
        EXPECT_EQ(r.ReadCount(), 1);
        EXPECT_EQ(r.Skipped(TextKey::DamagedRecords), 1) << "the point it cuts off";
        EXPECT_EQ(messages.Count(), 0);
    }
    // Damaged in its header: nothing of the drawing can come in.
    DxfHeaderInfo h;
    EXPECT_FALSE(ScanDxfHeader(Groups({{0, "SECTION"}, {2, "HEADER"}}) + "9x\n$EXTMIN\n" + Entities({}), h));
    EXPECT_EQ(h.DamagedAtLine, 5);
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

// Drawings that ezdxf writes, left under samples/ for other programs to read.
QString WriteEzdxf(const char* script, const QString& name, const QString& version = {})
{
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    const QString dxf = QDir(samples).absoluteFilePath(name);
    QFile::remove(dxf);
    QStringList args{QStringLiteral("-"), dxf};
    if (!version.isEmpty())
        args << version;
    return RunTool(QStringLiteral("/usr/bin/python3"), args, script) ? dxf : QString();
}

// A rational B-spline at u by de Boor's algorithm, in homogeneous coordinates.
struct Nurbs {
    int p;
    std::vector<double> t, w;
    std::vector<QPointF> cv;

    QPointF At(double u) const
    {
        const int n = int(cv.size());
        int k = p;
        while (k < n - 1 && u >= t[size_t(k + 1)])
            ++k;
        std::vector<std::array<double, 3>> d;
        for (int j = 0; j <= p; ++j) {
            const size_t i = size_t(j + k - p);
            const double wi = w.empty() ? 1 : w[i];
            d.push_back({cv[i].x() * wi, cv[i].y() * wi, wi});
        }
        for (int r = 1; r <= p; ++r)
            for (int j = p; j >= r; --j) {
                const double a = (u - t[size_t(j + k - p)]) / (t[size_t(j + 1 + k - r)] - t[size_t(j + k - p)]);
                for (int c = 0; c < 3; ++c)
                    d[size_t(j)][size_t(c)] = (1 - a) * d[size_t(j - 1)][size_t(c)] + a * d[size_t(j)][size_t(c)];
            }
        return {d[size_t(p)][0] / d[size_t(p)][2], d[size_t(p)][1] / d[size_t(p)][2]};
    }
    std::vector<QPointF> Samples(int n, const std::function<QPointF(QPointF)>& place) const
    {
        std::vector<QPointF> out;
        const double a = t[size_t(p)], b = t[cv.size()];
        for (int i = 0; i <= n; ++i)
            out.push_back(place(At(a + (b - a) * i / n)));
        return out;
    }
};

// An object's outline as points along its straight and cubic segments.
std::vector<QPointF> Trace(const std::vector<Cord>& pts)
{
    const auto at = [&](size_t i) { return QPointF(Masked(pts[i].x) / 256, Masked(pts[i].y) / 256); };
    std::vector<QPointF> out{at(0)};
    for (size_t i = 1; i < pts.size();) {
        if ((pts[i].x & FirstBezierFlag) && i + 2 < pts.size()) {
            const QPointF p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
            for (int k = 1; k <= 64; ++k) {
                const double s = k / 64.0, m = 1 - s;
                out.push_back(m * m * m * p0 + 3 * m * m * s * p1 + 3 * m * s * s * p2 + s * s * s * p3);
            }
            i += 3;
        } else {
            out.push_back(at(i++));
        }
    }
    return out;
}

// The furthest any point of `a` lies from the polyline `b`.
double Furthest(const std::vector<QPointF>& a, const std::vector<QPointF>& b)
{
    double worst = 0;
    for (QPointF p : a) {
        double best = 1e300;
        for (size_t i = 1; i < b.size(); ++i) {
            const QPointF d = b[i] - b[i - 1];
            const double len2 = QPointF::dotProduct(d, d);
            const double s = len2 > 0 ? std::clamp(QPointF::dotProduct(p - b[i - 1], d) / len2, 0.0, 1.0) : 0;
            const QPointF q = b[i - 1] + s * d;
            best = std::min(best, std::hypot(p.x() - q.x(), p.y() - q.y()));
        }
        worst = std::max(worst, best);
    }
    return worst;
}

// Where a block's point lands through a reference: scaled and turned about the base point,
// moved to the insertion point and along the turned columns and rows.
struct Placement {
    QPointF at;
    double sx = 1, sy = 1, degrees = 0;
    double dx = 0, dy = 0;   // the copy's column and row offsets
    QPointF base;

    QPointF operator()(QPointF p) const
    {
        const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
        const double x = (p.x() - base.x()) * sx + dx, y = (p.y() - base.y()) * sy + dy;
        return at + QPointF(c * x - s * y, s * x + c * y);
    }
};

constexpr const char* SplineDrawing = R"(import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
msp.add_open_spline([(0, 0), (10, 20), (30, -10), (50, 30), (70, 0), (80, 10)], degree=3,
                    knots=[0, 0, 0, 0, 1, 5, 6, 6, 6, 6])
msp.add_rational_spline([(0, 40), (10, 60), (30, 30), (50, 70)], [1, 2, 0.5, 1], degree=2,
                        knots=[0, 0, 0, 2, 3, 3, 3])
msp.add_open_spline([(0, 80), (20, 100), (40, 80), (60, 100), (80, 80), (90, 95)], degree=4,
                    knots=[0, 0, 0, 0, 0, 0.3, 1, 1, 1, 1, 1])
b = doc.blocks.new(name="CURVE", base_point=(10, 5))
b.add_open_spline([(0, 0), (10, 20), (30, -10), (50, 30), (70, 0), (80, 10)], degree=3,
                  knots=[0, 0, 0, 0, 1, 5, 6, 6, 6, 6])
msp.add_blockref("CURVE", (150, 20), dxfattribs={"xscale": 1.5, "yscale": -0.5, "rotation": 30})
msp.add_spline([(0, 120), (10, 130), (25, 120), (40, 135)])
doc.saveas(sys.argv[1])
)";

// Splines with uneven knots, weights and a degree above 3 come in on the curve their knots
// make (checked against de Boor's evaluation to 0.01 mm on paper), also through a turned,
// unevenly scaled and mirrored block; a spline known only by points on it passes through them
// and the report says how it was drawn.
TEST_F(ImpDxfTest, SplinesOfEzdxfKeepTheirKnotsAndWeights)
{
    const QString dxf = WriteEzdxf(SplineDrawing, QStringLiteral("ezdxf-splines-R2000.dxf"));
    ASSERT_FALSE(dxf.isEmpty());
    DxfImportSettings s;
    s.Factor = 100;  // a drawing unit is a millimetre on paper
    ImportReport r;
    ASSERT_EQ(ImportDxfEntities(Read(dxf), s, {}, &r), 5);
    const auto o = Objects();
    ASSERT_EQ(o.size(), 5u);
    const auto paper = [](QPointF p) { return p * 100; };
    const Nurbs cubic{3, {0, 0, 0, 0, 1, 5, 6, 6, 6, 6}, {}, {{0, 0}, {10, 20}, {30, -10}, {50, 30}, {70, 0}, {80, 10}}};
    const Placement turned{{150, 20}, 1.5, -0.5, 30, 0, 0, {10, 5}};
    const struct {
        const char* name;
        Nurbs curve;
        std::function<QPointF(QPointF)> place;
    } cases[] = {
        {"cubic with uneven knots", cubic, paper},
        {"rational quadratic", {2, {0, 0, 0, 2, 3, 3, 3}, {1, 2, 0.5, 1}, {{0, 40}, {10, 60}, {30, 30}, {50, 70}}}, paper},
        {"degree 4", {4, {0, 0, 0, 0, 0, 0.3, 1, 1, 1, 1, 1}, {}, {{0, 80}, {20, 100}, {40, 80}, {60, 100}, {80, 80}, {90, 95}}},
         paper},
        {"cubic in a turned block", cubic, [&](QPointF p) { return paper(turned(p)); }},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const auto want = cases[i].curve.Samples(4000, cases[i].place);
        const auto got = Trace(o[i].pts);
        EXPECT_EQ(o[i].pts.front(), P(int(std::lround(want.front().x())), int(std::lround(want.front().y()))));
        EXPECT_EQ(o[i].pts.back(), P(int(std::lround(want.back().x())), int(std::lround(want.back().y()))));
        EXPECT_LE(Furthest(got, want), 1.0);
        EXPECT_LE(Furthest(want, got), 1.0);
    }
    // Its two inner knots make three segments, which meet on the curve at knots 1 and 5.
    EXPECT_EQ(o[0].pts.size(), 10u);
    EXPECT_EQ(o[0].pts[3], P(1787, 1053));
    EXPECT_EQ(o[0].pts[6], P(6213, 947));

    const std::vector<Cord> fit{P(0, 12000), P(1000, 13000), P(2500, 12000), P(4000, 13500)};
    ASSERT_EQ(o[4].pts.size(), 10u);
    for (size_t k = 0; k < fit.size(); ++k)
        EXPECT_EQ(o[4].pts[3 * k], fit[k]);
    EXPECT_TRUE(r.Whole());
    ASSERT_EQ(r.Simplified.size(), 1u);
    EXPECT_EQ(r.Simplified[0].why, TextKey::SplinesThroughFitPoints);
    EXPECT_EQ(r.Simplified[0].kind, QStringLiteral("SPLINE"));
}

constexpr const char* R12SplineDrawing = R"(import sys, ezdxf
from ezdxf.render import R12Spline
doc = ezdxf.new("R12")
msp = doc.modelspace()
frame = [(0, 0), (30, 0), (30, 30), (0, 30), (0, 60), (20, 70)]
for degree, closed in ((3, False), (2, False), (3, True)):
    R12Spline(frame, degree=degree, closed=closed).render(msp, segments=40)
doc.saveas(sys.argv[1])
# The points ezdxf fitted on each curve, a line each.
for e in msp.query("POLYLINE"):
    print(" ".join(f"{v.dxf.location[0]} {v.dxf.location[1]}" for v in e.vertices if v.dxf.flags & 8))
)";

// R12 has no SPLINE: its spline-fit polylines (a frame of control points, quadratic or cubic,
// open or closed) come in on the curve whose points the writer fitted into the file.
TEST_F(ImpDxfTest, SplineFitPolylinesOfR12RunThroughTheirWritersPoints)
{
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    const QString dxf = QDir(samples).absoluteFilePath(QStringLiteral("ezdxf-spline-fit-R12.dxf"));
    QByteArray out;
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, R12SplineDrawing, &out));
    std::vector<std::vector<QPointF>> fitted;
    for (const QByteArray& line : out.trimmed().split('\n')) {
        const QList<QByteArray> v = line.split(' ');
        auto& pts = fitted.emplace_back();
        for (qsizetype k = 0; k + 1 < v.size(); k += 2)
            pts.emplace_back(v[k].toDouble() * 100, v[k + 1].toDouble() * 100);
    }
    ASSERT_EQ(fitted.size(), 3u);
    DxfImportSettings s;
    s.Factor = 100;
    ASSERT_EQ(Import(Read(dxf), s), 3);
    const auto o = Objects();
    const char* names[] = {"open cubic", "open quadratic", "closed cubic"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_GT(fitted[i].size(), 30u);
        EXPECT_LE(Furthest(fitted[i], Trace(o[i].pts)), 1.0);
    }
    EXPECT_EQ(o[0].pts.front(), P(0, 0));
    EXPECT_EQ(o[0].pts.back(), P(2000, 7000));
    EXPECT_EQ(o[2].pts.front(), o[2].pts.back()) << "the closed curve runs round to its start";
}

constexpr const char* HatchSplineDrawing = R"(import sys, ezdxf
doc = ezdxf.new(sys.argv[2])
h = doc.modelspace().add_hatch()
p = h.paths.add_edge_path()
p.add_spline(control_points=[(0, 0), (10, 20), (30, -10), (50, 30), (70, 0), (80, 10)],
             knot_values=[0, 0, 0, 0, 1, 5, 6, 6, 6, 6], degree=3)
p.add_line((80, 10), (0, 0))
p = h.paths.add_edge_path()
p.add_spline(fit_points=[(20, 2), (40, 8), (60, 4)], start_tangent=(1, 0), end_tangent=(0, -1))
p.add_line((60, 4), (20, 2))
doc.saveas(sys.argv[1])
)";

// A hatch bounded by spline edges: the edge with uneven knots on the curve they make, the
// edge given by points on it through them in the directions given, in either version's groups.
TEST_F(ImpDxfTest, HatchSplineEdgesFollowTheirKnots)
{
    const Nurbs cubic{3, {0, 0, 0, 0, 1, 5, 6, 6, 6, 6}, {}, {{0, 0}, {10, 20}, {30, -10}, {50, 30}, {70, 0}, {80, 10}}};
    const auto want = cubic.Samples(4000, [](QPointF p) { return p * 100; });
    for (const QString version : {QStringLiteral("R2000"), QStringLiteral("R2010")}) {
        SCOPED_TRACE(version.toStdString());
        ResetOpenUnit();
        SetUp();
        const QString dxf = WriteEzdxf(HatchSplineDrawing, QStringLiteral("ezdxf-hatch-splines-%1.dxf").arg(version), version);
        ASSERT_FALSE(dxf.isEmpty());
        DxfImportSettings s;
        s.Factor = 100;
        ImportReport r;
        ASSERT_EQ(ImportDxfEntities(Read(dxf), s, {}, &r), 1);
        const auto o = Objects();
        ASSERT_EQ(o.size(), 1u);
        EXPECT_EQ(o[0].type, AreaObject);
        const auto& p = o[0].pts;
        const auto hole = std::find_if(p.begin(), p.end(), [](Cord c) { return Flags(c.y) & HoleFlag; });
        ASSERT_NE(hole, p.end());
        // The outline: the spline's three segments, then the line back to its start.
        const std::vector<Cord> outline(p.begin(), hole);
        ASSERT_EQ(outline.size(), 11u);
        EXPECT_EQ(outline[10], P(0, 0));
        const auto got = Trace({outline.begin(), outline.begin() + 10});
        EXPECT_LE(Furthest(got, want), 1.0);
        EXPECT_LE(Furthest(want, got), 1.0);
        // The hole: through (20, 2), (40, 8) and (60, 4), leaving to the right and ending downward.
        const std::vector<Cord> second(hole, p.end());
        ASSERT_EQ(second.size(), 8u);
        EXPECT_EQ(second[0], P(2000, 200, 0, HoleFlag));
        EXPECT_EQ(second[3], P(4000, 800));
        EXPECT_EQ(second[6], P(6000, 400));
        EXPECT_EQ(Masked(second[1].y), Masked(second[0].y));
        EXPECT_GT(Masked(second[1].x), Masked(second[0].x));
        EXPECT_EQ(Masked(second[5].x), Masked(second[6].x));
        EXPECT_GT(Masked(second[5].y), Masked(second[6].y));
        ASSERT_EQ(r.Simplified.size(), 1u);
        EXPECT_EQ(std::pair(r.Simplified[0].why, r.Simplified[0].kind),
                  std::pair(TextKey::SplinesThroughFitPoints, QStringLiteral("HATCH")));
    }
}

// Control points with knots that do not fit them are drawn with even knots, and the report
// says so; a spline of damaged numbers is left out as damaged.
TEST_F(ImpDxfTest, SplineKnotsThatDoNotFitAreNamed)
{
    const QByteArray knotsShort = Groups({{0, "SPLINE"}, {71, "3"}, {40, "0"}, {40, "0"}, {40, "1"}, {10, "0"},
                                          {20, "0"}, {10, "10"}, {20, "10"}, {10, "20"}, {20, "0"}, {10, "30"},
                                          {20, "10"}});
    const QByteArray falling = Groups({{0, "SPLINE"}, {71, "1"}, {40, "0"}, {40, "2"}, {40, "1"}, {40, "3"},
                                       {10, "0"}, {20, "0"}, {10, "10"}, {20, "10"}});
    const QByteArray damaged = Groups({{0, "SPLINE"}, {71, "1"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"},
                                       {10, "0"}, {20, "x"}, {10, "10"}, {20, "10"}});
    const QByteArray line = Groups({{0, "SPLINE"}, {71, "1"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"},
                                    {10, "0"}, {20, "0"}, {10, "10"}, {20, "10"}});
    // Fit points with the directions the curve leaves and reaches them in.
    const QByteArray fit = Groups({{0, "SPLINE"}, {12, "0"}, {22, "-2"}, {13, "1"}, {23, "0"}, {11, "0"}, {21, "0"},
                                   {11, "100"}, {21, "0"}});
    ImportReport r;
    ASSERT_EQ(ImportDxfEntities(Entities(knotsShort + falling + damaged + line + fit), {}, {}, &r), 4);
    const auto o = Objects();
    ASSERT_EQ(o[3].pts.size(), 4u);
    EXPECT_EQ(o[3].pts[1], P(0, -33, FirstBezierFlag)) << "down from the start, a third of the chord";
    EXPECT_EQ(o[3].pts[2], P(67, 0, SecondBezierFlag));
    EXPECT_EQ(o[0].pts.size(), 4u) << "four control points are one segment";
    EXPECT_EQ(o[1].pts, (std::vector<Cord>{P(0, 0), P(10, 10)}));
    EXPECT_EQ(o[2].pts, (std::vector<Cord>{P(0, 0), P(10, 10)})) << "degree 1 is straight";
    ASSERT_EQ(r.Simplified.size(), 2u);
    EXPECT_EQ(std::pair(r.Simplified[0].why, r.Simplified[0].n), std::pair(TextKey::SplinesWithoutTheirKnots, 2));
    EXPECT_EQ(r.Simplified[1].why, TextKey::SplinesThroughFitPoints);
    EXPECT_EQ(r.Skipped(TextKey::DamagedRecords), 1);
}

constexpr const char* InsertDrawing = R"(import sys, ezdxf
doc = ezdxf.new(sys.argv[2])
msp = doc.modelspace()
b = doc.blocks.new(name="MARK", base_point=(1, 2))
b.add_line((1, 2), (11, 2))
b.add_polyline2d([(1, 2, 0, 0, 1), (5, 2, 0, 0, 0), (5, 6, 0, 0, 0)], format="xyseb")
b.add_circle((6, 2), 2)
b.add_text("T", dxfattribs={"insert": (3, 4), "rotation": 10})
msp.add_blockref("MARK", (100, 50), dxfattribs={"xscale": 2, "yscale": 2, "rotation": 45})
msp.add_blockref("MARK", (200, 50), dxfattribs={"xscale": -1, "yscale": 2, "rotation": 30,
                 "column_count": 2, "row_count": 3, "column_spacing": 20, "row_spacing": 15})
doc.saveas(sys.argv[1])
)";

// A block placed at twice its size and turned by 45 degrees, and a mirrored, unevenly scaled
// array of it, come in point by point where the references put them, in both DXF versions.
TEST_F(ImpDxfTest, InsertsOfEzdxfPlaceTheirBlocksScaledTurnedAndArrayed)
{
    for (const QString version : {QStringLiteral("R12"), QStringLiteral("R2000")}) {
        SCOPED_TRACE(version.toStdString());
        ResetOpenUnit();
        SetUp();
        const QString dxf = WriteEzdxf(InsertDrawing, QStringLiteral("ezdxf-inserts-%1.dxf").arg(version), version);
        ASSERT_FALSE(dxf.isEmpty());
        DxfImportSettings s;
        s.Factor = 100;
        ImportReport r;
        ASSERT_EQ(ImportDxfEntities(Read(dxf), s, {}, &r), 28);
        EXPECT_TRUE(r.Whole() && r.Simplified.empty());
        const auto o = Objects();
        ASSERT_EQ(o.size(), 28u);
        std::vector<Placement> places{{{100, 50}, 2, 2, 45, 0, 0, {1, 2}}};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 2; ++col)
                places.push_back({{200, 50}, -1, 2, 30, 20.0 * col, 15.0 * row, {1, 2}});
        for (size_t k = 0; k < places.size(); ++k) {
            SCOPED_TRACE(k);
            const auto at = [&](double x, double y) {
                const QPointF p = places[k](QPointF(x, y)) * 100;
                return P(int(std::lround(p.x())), int(std::lround(p.y())));
            };
            const auto near = [](Cord got, Cord want) {
                return std::abs(Masked(got.x) - Masked(want.x)) <= 256 && std::abs(Masked(got.y) - Masked(want.y)) <= 256
                       && (got.x & 0xFF) == (want.x & 0xFF);
            };
            const Obj* b = &o[4 * k];
            EXPECT_EQ(b[0].pts, (std::vector<Cord>{at(1, 2), at(11, 2)}));
            // The bulged polyline: its vertices exact, the half circle's middle on the mapped arc.
            ASSERT_EQ(b[1].pts.size(), 8u);
            EXPECT_EQ(b[1].pts[0], at(1, 2));
            EXPECT_EQ(b[1].pts[6], at(5, 2));
            EXPECT_EQ(b[1].pts[7], at(5, 6));
            EXPECT_PRED2(near, b[1].pts[3], at(3, 0));
            ASSERT_EQ(b[2].pts.size(), 13u);
            for (int q = 0; q <= 4; ++q)
                EXPECT_PRED2(near, b[2].pts[size_t(3 * q)], at(6 + 2 * std::cos(q * std::numbers::pi / 2),
                                                                2 + 2 * std::sin(q * std::numbers::pi / 2)));
            EXPECT_EQ(b[3].type, TextObject);
            EXPECT_EQ(b[3].pts[0], at(3, 4));
            const QPointF dir = places[k](QPointF(3 + std::cos(10 * std::numbers::pi / 180), 4 + std::sin(10 * std::numbers::pi / 180)))
                                - places[k](QPointF(3, 4));
            EXPECT_EQ(b[3].angle, int(std::lround(std::atan2(dir.y(), dir.x()) * 1800 / std::numbers::pi)));
        }
        EXPECT_EQ(o[3].angle, 550) << "10 degrees in the block, 45 more by the reference";
    }
}

constexpr const char* PlanesDrawing = R"(import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
b = doc.blocks.new(name="B", base_point=(1, 0))
b.add_line((1, 0), (5, 2))
b.add_arc((3, 0), 2, 0, 90)
a = msp.add_arc((10, 5), 4, 30, 120, dxfattribs={"extrusion": (0, 0, -1)})
c = msp.add_circle((20, 0, 3), 3, dxfattribs={"extrusion": (0, 0.6, 0.8)})
lw = msp.add_lwpolyline([(0, 0, 0.5), (10, 0, 0), (10, 10)], format="xyb",
                        dxfattribs={"extrusion": (0, 0, -1), "elevation": 2})
i = msp.add_blockref("B", (30, 10), dxfattribs={"extrusion": (0, 0, -1), "rotation": 30, "xscale": 2})
doc.saveas(sys.argv[1])
# Where ezdxf puts them in the drawing, each point a line.
points = [a.start_point, a.end_point] + list(c.vertices([0, 90, 180, 270])) + list(lw.vertices_in_wcs())
for e in i.virtual_entities():
    points += [e.dxf.start, e.dxf.end] if e.dxftype() == "LINE" else [e.start_point, e.end_point]
for p in points:
    print(p[0], p[1])
)";

// Arcs, circles, polylines and block references drawn in planes of their own (a mirrored one,
// a tilted one) come in as seen from above: their points where ezdxf itself puts them.
TEST_F(ImpDxfTest, EntitiesInTheirOwnPlanesComeInWhereEzdxfPutsThem)
{
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    const QString dxf = QDir(samples).absoluteFilePath(QStringLiteral("ezdxf-extrusions-R2000.dxf"));
    QByteArray out;
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, PlanesDrawing, &out));
    std::vector<std::pair<double, double>> want;
    for (const QByteArray& line : out.split('\n'))
        if (const QList<QByteArray> xy = line.split(' '); xy.size() == 2)
            want.emplace_back(xy[0].toDouble() * 100, xy[1].toDouble() * 100);
    ASSERT_EQ(want.size(), 13u);
    DxfImportSettings s;
    s.Factor = 100;
    ImportReport r;
    ASSERT_EQ(ImportDxfEntities(Read(dxf), s, {}, &r), 5);
    const auto o = Objects();
    // Object, point: the arc's ends, the circle's quarters, the polyline's vertices, the
    // block's line and arc ends.
    const std::pair<size_t, size_t> at[] = {{0, 0}, {0, 6}, {1, 0}, {1, 3}, {1, 6}, {1, 9}, {2, 0},
                                            {2, 6}, {2, 7}, {3, 0}, {3, 1}, {4, 0}, {4, 6}};
    for (size_t k = 0; k < want.size(); ++k) {
        SCOPED_TRACE(k);
        const auto [i, j] = at[k];
        ASSERT_LT(j, o[i].pts.size());
        EXPECT_NEAR(Masked(o[i].pts[j].x) / 256, want[k].first, 1);
        EXPECT_NEAR(Masked(o[i].pts[j].y) / 256, want[k].second, 1);
    }
    EXPECT_TRUE(r.Whole() && r.Simplified.empty());
}

// An array of more copies than any drawing needs places the first ones and counts the rest.
TEST_F(ImpDxfTest, HugeInsertArraysAreCut)
{
    const QByteArray blocks = Groups({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "B"}, {10, "0"}, {20, "0"},
                                      {0, "POINT"}, {10, "0"}, {20, "0"}, {0, "ENDBLK"}, {0, "ENDSEC"}});
    ImportReport r;
    ASSERT_EQ(ImportDxfEntities(blocks + Entities(Groups({{0, "INSERT"}, {2, "B"}, {10, "0"}, {20, "0"},
                                                          {70, "100"}, {71, "100"}, {44, "1"}, {45, "1"}})),
                                {}, {}, &r),
              MaxInsertCopies);
    EXPECT_EQ(r.Skipped(TextKey::BlockCopiesBeyondLimit), 10000 - MaxInsertCopies);
    const auto o = Objects();
    EXPECT_EQ(o[101].pts[0], P(1, 1)) << "row 1, column 1";

    // An array of a block holding an array: the copies multiply, and are bounded together.
    ResetOpenUnit();
    SetUp();
    const QByteArray nested =
        Groups({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "A"}, {10, "0"}, {20, "0"}, {0, "POINT"}, {10, "0"},
                {20, "0"}, {0, "ENDBLK"}, {0, "BLOCK"}, {2, "B"}, {10, "0"}, {20, "0"}, {0, "INSERT"}, {2, "A"},
                {10, "0"}, {20, "0"}, {70, "100"}, {71, "100"}, {44, "1"}, {45, "1"}, {0, "ENDBLK"}, {0, "ENDSEC"}});
    ASSERT_EQ(ImportDxfEntities(nested + Entities(Groups({{0, "INSERT"}, {2, "B"}, {10, "0"}, {20, "0"}, {70, "100"},
                                                            {44, "1000"}})),
                                {}, {}, &r),
              MaxInsertCopies / 100 * 100);
    EXPECT_EQ(r.Skipped(TextKey::BlockCopiesBeyondLimit), 100 * (10000 - MaxInsertCopies / 100));

    // Counts past what the report can show stop there, however many references add to them.
    ResetOpenUnit();
    SetUp();
    const QByteArray huge = Groups({{0, "INSERT"}, {2, "B"}, {10, "0"}, {20, "0"}, {70, "100000"}, {71, "100000"}});
    ImportDxfEntities(nested + Entities(huge + huge), {}, {}, &r);
    EXPECT_EQ(r.Skipped(TextKey::BlockCopiesBeyondLimit), INT32_MAX);

    // Sixteen blocks each referring 50 times to the next and once back to the first, left out
    // whole once an empty block's copies have used up what one import places: the copies are
    // counted once per block and depth, not once per way of reaching it.
    ResetOpenUnit();
    SetUp();
    QByteArray chain = Groups({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "E"}, {10, "0"}, {20, "0"}, {0, "ENDBLK"}});
    for (int k = 0; k < 16; ++k) {
        const QByteArray name = "B" + QByteArray::number(k), next = "B" + QByteArray::number(k + 1);
        chain += Groups({{0, "BLOCK"}, {2, name.constData()}, {10, "0"}, {20, "0"}, {0, "POINT"}, {10, "0"}, {20, "0"},
                         {0, "INSERT"}, {2, "B0"}, {10, "0"}, {20, "0"}});
        for (int i = 0; i < 50 && k < 15; ++i)
            chain += Groups({{0, "INSERT"}, {2, next.constData()}, {10, "0"}, {20, "0"}});
        chain += Groups({{0, "ENDBLK"}});
    }
    chain += Groups({{0, "ENDSEC"}});
    QByteArray empties;
    for (int64_t k = 0; k < MaxBlockCopies / 4096; ++k)
        empties += Groups({{0, "INSERT"}, {2, "E"}, {10, "0"}, {20, "0"}, {70, "64"}, {71, "64"}});
    ImportDxfEntities(chain + Entities(empties + Groups({{0, "INSERT"}, {2, "B0"}, {10, "0"}, {20, "0"}})), {}, {}, &r);
    EXPECT_EQ(r.ReadCount(), 0);
    EXPECT_EQ(r.Skipped(TextKey::BlockCopiesBeyondLimit), INT32_MAX);
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
