// The shape-file import: sets ogr2ogr writes from GeoJSON at test time, one per geometry type,
// and sets of the test writer with forged counts, indices and short tables; the new table read
// back by python3-dbfread; the proposed scale and the table's key fields.
#include "../external/DbfTestFile.h"
#include "IoFixture.h"
#include "ShapeTestSet.h"

#include "core/Element.h"
#include "core/StringX.h"
#include "io/Import.h"
#include "io/shape/ImpShape.h"
#include "io/shape/Ports.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zemo::test {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(ImpShapeScale, ProposalGrowsUntilTheBoxFitsAndStopsAtItsLimit)
{
    const struct {
        ShapeBox box;
        double unit, typed, expected;
    } cases[] = {
        {{0, 0, 60000, 1000}, 1, 15000, 50000},     // 60000 / 1.5 = 40000: the next of the series
        {{0, 0, 60000, 1000}, 1, 45000, 45000},     // the typed scale fits and stays
        {{0, 0, 60, 1}, 1000, 15000, 50000},        // km
        {{0, 0, 1, 1}, 1, 0, 10},                   // the series starts at 10
        {{0, 0, 15, 15}, 1, 0, 10},                 // 1.5 m at 1:10 fits exactly
        {{0, 0, 15.1, 1}, 1, 0, 25},
        {{0, 0, 1e12, 1}, 1, 0, 1e8},               // never fits: the last scale
        {{NaN, 0, 1, 1}, 1, 15000, 1e8},            // no numbers never fit
        {{0, 0, Inf, 1}, 1, 15000, 1e8},
        {{-Inf, 0, Inf, 1}, 1000000, 15000, 1e8},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProposeShapeScale(c.box, c.unit, c.typed), c.expected) << c.box.MaxX << " typed " << c.typed;
}

TEST(ImpShapeScale, DialogDefaultsFollowTheBoxAndTheTable)
{
    const struct {
        ShapeBox box;
        QStringList fields;
        double mapOffsetX;
        QString hor, ver;
        int unit, key;
        bool newOffset;
    } cases[] = {
        {{600100, 5200100, 601900, 5200700}, {"NAME", "HEIGHT"}, 0, "601000", "5200000", 0, -1, true},
        {{10.5, 20.5, 11.5, 21.5}, {"PARCEL_ID", "ID"}, 5, "11", "21", 1, 0, false},
        {{0, 0, 99, 700}, {"Lid", "ID1"}, 0, "0", "0", 1, 1, true},
    };
    for (const auto& c : cases) {
        ImpShapeOptions o;
        o.Box = c.box;
        o.Fields = c.fields;
        ProposeShapeOptions(o, 15000, c.mapOffsetX, 0, 0);
        EXPECT_EQ(o.HorOffset, c.hor);
        EXPECT_EQ(o.VerOffset, c.ver);
        EXPECT_EQ(o.Unit, c.unit);
        EXPECT_EQ(o.KeyField, c.key);
        EXPECT_EQ(o.NewOffset, c.newOffset);
    }
}

// The linear unit is the projected system's own, never its geographic base's degrees.
TEST(ImpShapeScale, PrjUnitsAreTheProjectedSystemsOwn)
{
    const struct {
        const char* wkt;
        double unit;
        const char* name;
    } cases[] = {
        {R"(PROJCS["UTM",GEOGCS["GCS",DATUM["D",SPHEROID["S",6378137.0,298.25]],UNIT["Degree",0.0174532925199433]],)"
         R"(PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",500000.0],UNIT["Meter",1.0]])", 1, "Meter"},
        {R"(PROJCS["x", GEOGCS["g", UNIT["Degree", 0.01745]], UNIT["US survey foot", 0.304800609601219, AUTHORITY["EPSG","9003"]]])",
         0.304800609601219, "US survey foot"},
        {R"(PROJCRS["x",BASEGEOGCRS["g",ANGLEUNIT["degree",0.0174532925199433]],CS[Cartesian,2],LENGTHUNIT["kilometre",1000]])",
         1000, "kilometre"},
        {R"(LOCAL_CS["site",UNIT["metre",1]])", 1, "metre"},
        {R"(GEOGCS["GCS_WGS_1984",DATUM["D",SPHEROID["S",6378137.0,298.25]],UNIT["Degree",0.0174532925199433]])", 0, ""},
        {R"(PROJCS["no unit",GEOGCS["g",UNIT["Degree",0.017]]])", 0, ""},
        {R"(PROJCS["bad",UNIT["metre",-1]])", 0, ""},
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        QString name;
        EXPECT_EQ(PrjLinearUnit(c.wkt, &name), c.unit) << c.wkt;
        EXPECT_EQ(name, QString::fromLatin1(c.name)) << c.wkt;
    }
    // Geographic systems, in either generation of the text, and their names; a projected one
    // built on a geographic one is not.
    const struct {
        const char* wkt;
        const char* name;
    } geographic[] = {
        {R"(GEOGCS["GCS_WGS_1984",DATUM["D",SPHEROID["S",6378137.0,298.25]],UNIT["Degree",0.0174532925199433]])", "GCS_WGS_1984"},
        {R"( geogcrs ["WGS 84",DATUM["World Geodetic System 1984"]])", "WGS 84"},
        {R"(GEODCRS["ETRS89",DATUM["European Terrestrial Reference System 1989"]])", "ETRS89"},
        {R"(PROJCS["UTM",GEOGCS["GCS",UNIT["Degree",0.01745]],UNIT["Meter",1.0]])", nullptr},
        {R"(LOCAL_CS["site",UNIT["metre",1]])", nullptr},
        {"GEOGCS", nullptr},
    };
    for (const auto& g : geographic) {
        QString name;
        EXPECT_EQ(PrjIsGeographic(g.wkt, &name), g.name != nullptr) << g.wkt;
        EXPECT_EQ(name, QString::fromLatin1(g.name)) << g.wkt;
    }
    // The .prj's unit decides the dialog's, one of its three where it is one of them.
    for (const auto& [unit, index] : {std::pair{1.0, 0}, std::pair{1000.0, 1}, std::pair{0.3048, ShapeUnitOfPrj}}) {
        ImpShapeOptions o;
        o.Box = {0, 0, 40, 40};
        o.PrjUnit = unit;
        ProposeShapeOptions(o, 15000, 0, 0, 0);
        EXPECT_EQ(o.Unit, index) << unit;
    }
}

TEST(ImpShapeTable, KeyFieldNamesAndDamagedHeads)
{
    const struct {
        std::vector<std::string> fields;
        const char* key;
    } names[] = {{{"NAME"}, "ID"}, {{"ID", "ID1"}, "ID2"}, {{"id", "NAME"}, "ID1"}, {{"ID1", "ID"}, "ID2"}};
    for (const auto& n : names) {
        TestDbf d;
        for (const std::string& f : n.fields)
            d.fields.push_back({f, 5});
        ShapeTable t;
        ASSERT_TRUE(ReadShapeTable(d.Bytes(), t));
        EXPECT_EQ(NewKeyFieldName(t.Names), QString::fromLatin1(n.key));
    }

    const auto table = [] {
        TestDbf d;
        d.fields = {{"NAME", 6}, {"NUM", 4, 'N'}};
        d.records = {{{"ab", "1"}}, {{"cd", "2"}}};
        return d;
    };
    ShapeTable t;
    ASSERT_TRUE(ReadShapeTable(table().Bytes(), t));
    EXPECT_EQ(t.Offsets, (std::vector<int>{1, 7}));
    EXPECT_EQ(t.Records, 2);
    TestDbf counted = table();
    counted.recordCount = 1000;  // the file holds two
    ASSERT_TRUE(ReadShapeTable(counted.Bytes(), t));
    EXPECT_EQ(t.Records, 2);

    TestDbf noTerminator = table();
    noTerminator.terminator = false;
    TestDbf shortRecords = table();
    shortRecords.recordLength = 10;  // the fields need 11
    TestDbf shortHeader = table();
    shortHeader.headerLength = 70;  // ends inside the second descriptor
    TestDbf zeroRecords = table();
    zeroRecords.recordLength = 0;
    TestDbf wide = table();
    wide.recordLength = 65530;  // no room for a key field
    const QByteArray bad[] = {noTerminator.Bytes(), shortRecords.Bytes(), shortHeader.Bytes(), zeroRecords.Bytes(),
                              wide.Bytes(), table().Bytes().left(80)};
    for (const QByteArray& b : bad)
        EXPECT_FALSE(ReadShapeTable(b, t)) << b.left(40).toHex().toStdString();
    EXPECT_FALSE(ReadShapeTable(QByteArray(20, '\0'), t));
}

TEST(ImpShapeFile, RecognisedByExtensionAndCode)
{
    QByteArray code(4, '\0');
    PutBE32(code, 0, 9994);
    EXPECT_TRUE(IsShapeFile(QStringLiteral("a/b.shp"), code));
    EXPECT_TRUE(IsShapeFile(QStringLiteral("B.SHP"), code));
    EXPECT_FALSE(IsShapeFile(QStringLiteral("b.shx"), code));
    EXPECT_FALSE(IsShapeFile(QStringLiteral("b.shp"), code.left(3)));
    PutLE32(code, 0, 9994);
    EXPECT_FALSE(IsShapeFile(QStringLiteral("b.shp"), code));
}

struct Obj {
    int type = 0;
    std::vector<Cord> cords;
};

class ImpShape : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10)};
        ASSERT_NE(Open(w), nullptr);
        QDir().mkpath(Folder(QStringLiteral("shapes")));
    }

    ShapeImportResult Import(const ShapeFileSet& set) { return Import(set, Settings()); }
    ShapeImportResult Import(const ShapeFileSet& set, ShapeImportSettings s)
    {
        s.TablePath = InMaps(s.Dataset + QStringLiteral(".dbf"));
        return ImportShapeSet(set, s);
    }
    static ShapeImportSettings Settings(double ox = 600000, double oy = 5200000, double scale = 10000)
    {
        ShapeImportSettings s;
        s.OffsetX = ox;
        s.OffsetY = oy;
        s.MapScale = scale;
        s.Dataset = QStringLiteral("set");
        return s;
    }
    static ShapeFileSet Set(const TestShapeSet& shapes, const TestDbf& dbf)
    {
        auto [shp, shx] = shapes.Files();
        return {shp, shx, dbf.Bytes()};
    }
    static TestDbf Table(int records)
    {
        TestDbf d;
        d.fields = {{"NAME", 8}};
        for (int i = 0; i < records; ++i)
            d.records.push_back({{"n" + std::to_string(i + 1)}});
        return d;
    }
    static std::vector<Obj> Objects()
    {
        std::vector<Obj> out;
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                out.push_back({AuxElement1.ObjectType, {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem}});
        return out;
    }
    // Each link as object number, a blank and the text.
    static QStringList Links()
    {
        const TZmd& z = *Index.ActiveZmd;
        QStringList out;
        for (int i = 0; i < z.ObjectLinks.Count(); ++i) {
            const int number = z.ObjectLinks.GetNumber(i);
            out << QString::number(z.StringBlocks[size_t(number >> 8)].Entries[size_t(number & 255)].Object) + u' '
                       + z.ObjectLinks.Strings(i);
        }
        return out;
    }
    // ogr2ogr's shape file set of the GeoJSON, as one geometry type.
    ShapeFileSet Ogr(const QString& name, const QString& geometry, const QByteArray& json)
    {
        const QString folder = Folder(QStringLiteral("shapes"));
        WriteFile(folder + u'/' + name + QStringLiteral(".geojson"), json);
        QString error;
        RunTool(QStringLiteral("ogr2ogr"),
                {QStringLiteral("-f"), QStringLiteral("ESRI Shapefile"), QStringLiteral("-nlt"), geometry,
                 folder + u'/' + name + QStringLiteral(".shp"), folder + u'/' + name + QStringLiteral(".geojson")},
                &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const QString base = folder + u'/' + name;
        return {Read(base + QStringLiteral(".shp")), Read(base + QStringLiteral(".shx")),
                Read(base + QStringLiteral(".dbf"))};
    }
    static QByteArray Features(const QStringList& features)
    {
        return "{\"type\":\"FeatureCollection\",\"features\":[" + features.join(u',').toUtf8() + "]}";
    }
    static QString Feature(const QString& name, int height, const QString& geometry)
    {
        return QStringLiteral("{\"type\":\"Feature\",\"properties\":{\"NAME\":\"%1\",\"HEIGHT\":%2},\"geometry\":%3}")
            .arg(name)
            .arg(height)
            .arg(geometry);
    }
};

Cord C(int32_t x, int32_t y)
{
    return {x * 256, y * 256};
}

TEST_F(ImpShape, OgrSetsOfEachGeometryType)
{
    // 1:10000 in metres: 10 hundredths of a millimetre per metre from the offset.
    const ShapeFileSet points = Ogr(QStringLiteral("points"), QStringLiteral("POINT"),
                                    Features({Feature(QStringLiteral("B\u00e4ch"), 12,
                                                      QStringLiteral("{\"type\":\"Point\",\"coordinates\":[600100.5,5200200.25]}")),
                                              Feature(QStringLiteral("Top"), 3,
                                                      QStringLiteral("{\"type\":\"Point\",\"coordinates\":[599990,5199980]}"))}));
    ShapeImportResult r = Import(points);
    EXPECT_EQ(r.Objects, 2);
    EXPECT_EQ(r.RecordsWritten, 2);
    std::vector<Obj> objects = Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].type, PointObject);
    // Halves to even: 2002.5 is 2002.
    EXPECT_EQ(objects[0].cords, (std::vector<Cord>{C(1005, 2002)}));
    EXPECT_EQ(objects[1].cords, (std::vector<Cord>{C(-100, -200)}));
    EXPECT_EQ(Links(), (QStringList{"1 1\tdset", "2 2\tdset"}));
    QString error;
    const QString rows = DbfreadRecords(InMaps(QStringLiteral("set.dbf")), &error);
    EXPECT_EQ(rows, QStringLiteral("fields:ID|NAME|HEIGHT\n-1|B\u00e4ch|12\n-2|Top|3\n")) << error.toStdString();
    // The new dataset names the table and its key.
    ASSERT_EQ(Index.ActiveZmd->Datasets.Count(), 1);
    EXPECT_EQ(Index.ActiveZmd->Datasets.Strings(0), QStringLiteral("set\te\ttset\tkID"));
    EXPECT_TRUE(Index.ActiveZmd->DatasetsPresent);

    const ShapeFileSet multi = Ogr(QStringLiteral("multi"), QStringLiteral("MULTIPOINT"),
                                   Features({Feature(QStringLiteral("M"), 1,
                                                     QStringLiteral("{\"type\":\"MultiPoint\",\"coordinates\":"
                                                                    "[[600010,5200020],[600030,5200040],[600050,5200060]]}"))}));
    ShapeImportSettings s = Settings();
    s.Dataset = QStringLiteral("multi");
    r = Import(multi, s);
    EXPECT_EQ(r.Objects, 3);
    objects = Objects();
    ASSERT_EQ(objects.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(objects[size_t(2 + i)].cords, (std::vector<Cord>{C(100 + 200 * i, 200 + 200 * i)}));
    EXPECT_EQ(Links().mid(2), (QStringList{"3 1\tdmulti", "4 1\tdmulti", "5 1\tdmulti"}));

    const ShapeFileSet lines = Ogr(QStringLiteral("lines"), QStringLiteral("MULTILINESTRING"),
                                   Features({Feature(QStringLiteral("L"), 1,
                                                     QStringLiteral("{\"type\":\"MultiLineString\",\"coordinates\":"
                                                                    "[[[600000,5200000],[600100,5200000]],"
                                                                    "[[600200,5200100],[600300,5200200],[600400,5200100]]]}"))}));
    s.Dataset = QStringLiteral("lines");
    r = Import(lines, s);
    EXPECT_EQ(r.Objects, 2);
    objects = Objects();
    ASSERT_EQ(objects.size(), 7u);
    EXPECT_EQ(objects[5].type, LineObject);
    EXPECT_EQ(objects[5].cords, (std::vector<Cord>{C(0, 0), C(1000, 0)}));
    EXPECT_EQ(objects[6].cords, (std::vector<Cord>{C(2000, 1000), C(3000, 2000), C(4000, 1000)}));

    const ShapeFileSet polygons = Ogr(
        QStringLiteral("polygons"), QStringLiteral("POLYGON"),
        Features({Feature(QStringLiteral("P"), 1,
                          QStringLiteral("{\"type\":\"Polygon\",\"coordinates\":"
                                         "[[[600000,5200000],[600400,5200000],[600400,5200400],[600000,5200400],[600000,5200000]],"
                                         "[[600100,5200100],[600200,5200100],[600200,5200200],[600100,5200200],[600100,5200100]]]}")),
                  Feature(QStringLiteral("Q"), 2,
                          QStringLiteral("{\"type\":\"Polygon\",\"coordinates\":"
                                         "[[[600500,5200000],[600600,5200000],[600600,5200100],[600500,5200000]]]}"))}));
    s.Dataset = QStringLiteral("polygons");
    r = Import(polygons, s);
    EXPECT_EQ(r.Objects, 2);
    objects = Objects();
    ASSERT_EQ(objects.size(), 9u);
    const Obj& holed = objects[7];
    EXPECT_EQ(holed.type, AreaObject);
    ASSERT_EQ(holed.cords.size(), 8u);  // rings kept open
    std::vector<Cord> outer(holed.cords.begin(), holed.cords.begin() + 4);
    std::vector<Cord> hole(holed.cords.begin() + 4, holed.cords.end());
    EXPECT_TRUE(hole[0].y & HoleFlag);
    hole[0].y &= ~int32_t(HoleFlag);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(i == 4, bool(holed.cords[i].y & HoleFlag)) << i;
    const auto sorted = [](std::vector<Cord> v) {
        std::sort(v.begin(), v.end(), [](Cord a, Cord b) { return std::pair(a.x, a.y) < std::pair(b.x, b.y); });
        return v;
    };
    EXPECT_EQ(sorted(outer), (std::vector<Cord>{C(0, 0), C(0, 4000), C(4000, 0), C(4000, 4000)}));
    EXPECT_EQ(sorted(hole), (std::vector<Cord>{C(1000, 1000), C(1000, 2000), C(2000, 1000), C(2000, 2000)}));
    EXPECT_EQ(sorted(objects[8].cords), (std::vector<Cord>{C(5000, 0), C(6000, 0), C(6000, 1000)}));
    EXPECT_EQ(Index.ActiveZmd->Datasets.Count(), 4);
}

TEST_F(ImpShape, UnitsAndAngleTurnAroundTheOffset)
{
    TestShapeSet km;
    km.shapes = {{1, {}, {{600.1005, 5200.2}}}, {1, {}, {{600.01, 5199.99}}}};
    ShapeImportSettings s = Settings(600, 5200);
    s.Unit = 1000;
    EXPECT_EQ(Import(Set(km, Table(2)), s).Objects, 2);
    EXPECT_EQ(Objects()[0].cords, (std::vector<Cord>{C(1005, 2000)}));
    EXPECT_EQ(Objects()[1].cords, (std::vector<Cord>{C(100, -100)}));

    TestShapeSet turned;
    turned.shapes = {{1, {}, {{600100, 5200000}}}, {1, {}, {{600000, 5200050}}}};
    s = Settings();
    s.Angle = 90;
    s.Dataset = QStringLiteral("turned");
    EXPECT_EQ(Import(Set(turned, Table(2)), s).Objects, 2);
    // Counter-clockwise: east goes north, north goes west.
    EXPECT_EQ(Objects()[2].cords, (std::vector<Cord>{C(0, 1000)}));
    EXPECT_EQ(Objects()[3].cords, (std::vector<Cord>{C(-500, 0)}));
}

TEST_F(ImpShape, LongPartsAreCutIntoPiecesSharingTheirEnds)
{
    TestShapeSet set;
    TestShape line{3, {0}, {}};
    for (int i = 0; i < 40000; ++i)
        line.points.push_back({600000 + i * 0.01, 5200000});
    set.shapes = {line};
    EXPECT_EQ(Import(Set(set, Table(1))).Objects, 2);
    const std::vector<Obj> objects = Objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].cords.size(), 16384u);
    EXPECT_EQ(objects[1].cords.size(), 23617u);
    EXPECT_EQ(objects[0].cords.back(), objects[1].cords.front());
    EXPECT_EQ(objects[1].cords.back(), C(4000, 0));  // 399.99 m at 10 per metre, rounded
    EXPECT_EQ(Links(), (QStringList{"1 1\tdset", "2 1\tdset"}));
}

TEST_F(ImpShape, ForgedCountsIndicesAndIndexRecordsSkipTheirRecord)
{
    const TestShape good{3, {0, 2}, {{600000, 5200000}, {600010, 5200000}, {600020, 5200000}, {600030, 5200000}}};
    const auto forged = [&](auto change) {
        TestShape s = good;
        change(s);
        return s;
    };
    const TestShape cases[] = {
        forged([](TestShape& s) { s.partCount = 0x7FFFFFFF; }),
        forged([](TestShape& s) { s.pointCount = 0x7FFFFFFF; }),
        forged([](TestShape& s) { s.pointCount = -1; }),
        forged([](TestShape& s) { s.partCount = 0; }),
        forged([](TestShape& s) { s.parts = {2, 0}; }),       // falling
        forged([](TestShape& s) { s.parts = {0, 0}; }),       // not rising
        forged([](TestShape& s) { s.parts = {0, 4}; }),       // past the points
        forged([](TestShape& s) { s.parts = {-1, 2}; }),
        forged([](TestShape& s) { s.shxOffsetWords = 0x7FFFFFF0; }),
        forged([](TestShape& s) { s.shxOffsetWords = -4; }),
        forged([](TestShape& s) { s.shxOffsetWords = 10; }),  // inside the header
        forged([](TestShape& s) { s.shxLengthWords = 0x7FFFFFFF; }),
        forged([](TestShape& s) { s.shxLengthWords = 30; }),  // shorter than its counts
        forged([](TestShape& s) { s.type = 8; s.pointCount = 1 << 28; }),
        forged([](TestShape& s) { s.type = 1; s.shxLengthWords = 8; }),
    };
    int i = 0;
    for (const TestShape& bad : cases) {
        TestShapeSet set;
        set.shapes = {bad, good};
        ShapeImportSettings s = Settings();
        s.Dataset = QStringLiteral("f") + QString::number(i++);
        const int before = Index.ActiveZmd->HighestObject;
        const ShapeImportResult r = Import(Set(set, Table(2)), s);
        EXPECT_EQ(r.Damaged, 1) << i;
        EXPECT_EQ(r.Objects, 2) << i;  // the good record's two parts
        EXPECT_EQ(r.RecordsWritten, 2) << i;
        EXPECT_EQ(Index.ActiveZmd->HighestObject, before + 2) << i;
    }
    // The sound record itself.
    EXPECT_EQ(Objects().back().cords, (std::vector<Cord>{C(200, 0), C(300, 0)}));
}

TEST_F(ImpShape, ATableShorterThanTheShapesGivesBlankRecordsAndStatesTheCount)
{
    TestShapeSet set;
    set.shapes = {{1, {}, {{600000, 5200000}}}, {1, {}, {{600010, 5200000}}}, {1, {}, {{600020, 5200000}}}};
    TestDbf keyed;
    keyed.fields = {{"ID", 4}, {"ID1", 3}, {"NAME", 6}};
    keyed.records = {{{"k7", "x", "one"}}};
    keyed.recordCount = 5;  // more than the file holds

    EXPECT_EQ(Import(Set(set, keyed)).RecordsWritten, 3);
    QString error;
    EXPECT_EQ(DbfreadRecords(InMaps(QStringLiteral("set.dbf")), &error),
              QStringLiteral("fields:ID2|ID|ID1|NAME\n-1|k7|x|one\n-2|||\n-3|||\n"))
        << error.toStdString();
    EXPECT_EQ(U32At(ReadAll(InMaps(QStringLiteral("set.dbf"))), 4), 3);

    ShapeImportSettings s = Settings();
    s.Dataset = QStringLiteral("keyed");
    s.ExistingKey = true;
    s.KeyField = 0;
    EXPECT_EQ(Import(Set(set, keyed), s).RecordsWritten, 3);
    const QByteArray copy = ReadAll(InMaps(QStringLiteral("keyed.dbf")));
    EXPECT_EQ(U32At(copy, 4), 3);
    // The head as it was, the count aside.
    QByteArray source = keyed.Bytes();
    EXPECT_EQ(copy.mid(8, U16At(source, 8) - 8), source.mid(8, U16At(source, 8) - 8));
    EXPECT_EQ(DbfreadRecords(InMaps(QStringLiteral("keyed.dbf")), &error),
              QStringLiteral("fields:ID|ID1|NAME\n-k7|x|one\n-||\n-||\n"));
    // Blank keys link nothing.
    EXPECT_EQ(Links().mid(3), (QStringList{"4 k7\tdkeyed"}));
    EXPECT_EQ(Index.ActiveZmd->Datasets.Strings(1), QStringLiteral("keyed\te\ttkeyed\tkID"));
}

TEST_F(ImpShape, ShapesReachingPastTheWindowStayOut)
{
    TestShapeSet set;
    set.shapes = {
        // 1:10000: the window reaches 20 km from the offset.
        {5, {0, 4}, {{600000, 5200000}, {600100, 5200000}, {600100, 5200100}, {600000, 5200000},
                     {619000, 5200000}, {620001, 5200000}, {620001, 5200100}, {619000, 5200000}}},
        {1, {}, {{600000 + NaN, 5200000}}},
        {1, {}, {{600000, 5200000 - Inf}}},
        {8, {}, {{600000, 5200000}, {580000, 5200000}, {579999, 5200000}}},
        {1, {}, {{620000, 5180000}}},
    };
    const ShapeImportResult r = Import(Set(set, Table(5)));
    EXPECT_EQ(r.Outside, 4);
    EXPECT_EQ(r.Objects, 1);
    EXPECT_EQ(Objects()[0].cords, (std::vector<Cord>{C(200000, -200000)}));
}

class ImpShapeCommand : public ImpShape {
protected:
    void SetUp() override
    {
        ImpShape::SetUp();
        InitImpShapeUnit();
        ShapePorts().RunImpShapeDialog.Bind([this](ImpShapeOptions& o) {
            shown = o;
            o.MapScale = 10000;
            o.HorOffset = QStringLiteral("600000");
            o.VerOffset = QStringLiteral("5200000");
            o.Angle = QStringLiteral("370");
            return true;
        });
    }
    QString Write(const TestShapeSet& set, const TestDbf& dbf, const QString& name = QStringLiteral("in"))
    {
        const QString base = Folder(QStringLiteral("shapes")) + u'/' + name;
        auto [shp, shx] = set.Files();
        WriteFile(base + QStringLiteral(".shp"), shp);
        WriteFile(base + QStringLiteral(".shx"), shx);
        EXPECT_TRUE(dbf.WriteTo(base + QStringLiteral(".dbf")));
        return base + QStringLiteral(".shp");
    }
    ImpShapeOptions shown;
};

TEST_F(ImpShapeCommand, APolygonPartlyOutsideIsSkippedWithOneWarningAndTheSetupTakesTheOffset)
{
    TestShapeSet set;
    set.fileType = 5;
    const double box[4] = {600000, 5200000, 630000, 5200100};
    std::copy(box, box + 4, set.box);
    set.shapes = {{5, {0}, {{600000, 5200000}, {600100, 5200000}, {600100, 5200100}, {600000, 5200000}}},
                  {5, {0, 4}, {{600000, 5200000}, {600100, 5200000}, {600100, 5200100}, {600000, 5200000},
                               {625000, 5200000}, {630000, 5200000}, {630000, 5200100}, {625000, 5200000}}},
                  {5, {0}, {{610000, 5200000}, {640000, 5200000}, {640000, 5200100}, {610000, 5200000}}}};
    // The map's own file is in its folder: the dataset takes the next name.
    WriteFile(InMaps(QStringLiteral("in.dbf")), "x");
    ImportFileByName(Write(set, Table(3)));
    // The dialog's proposals: the centre rounded to whole kilometres, a scale that fits.
    EXPECT_EQ(shown.HorOffset, QStringLiteral("615000"));
    EXPECT_EQ(shown.VerOffset, QStringLiteral("5200000"));
    EXPECT_EQ(shown.MapScale, 25000);
    EXPECT_EQ(shown.Unit, 0);
    EXPECT_EQ(shown.KeyField, -1);
    EXPECT_EQ(shown.Fields, QStringList{QStringLiteral("NAME")});
    ASSERT_EQ(Objects().size(), 1u);
    // The change of the map's scale and placement is asked first (Yes), each value as it was
    // and as it becomes.
    ASSERT_EQ(messages.Count(), 2u);
    const ShownMessage& ask = messages.Entries()[0].msg;
    EXPECT_EQ(ask.kind, MsgKind::YesNoCancel);
    EXPECT_EQ(MessageText(ask), Text(TextKey::ImportChangesPlacement) + QStringLiteral("\r\n") + Text(TextKey::MapScale)
                                    + QStringLiteral(": 1:15000 -> 1:10000\r\n") + Text(TextKey::HorOffset)
                                    + QStringLiteral(": 0 -> 600000\r\n") + Text(TextKey::VerOffset)
                                    + QStringLiteral(": 0 -> 5200000\r\n") + Text(TextKey::Angle)
                                    + QStringLiteral(": 0 -> 10\r\n") + Text(TextKey::ImportChangesPlacementAsk))
        << MessageText(ask).toStdString();
    const ShownMessage& m = messages.Entries()[1].msg;
    EXPECT_EQ(m.kind, MsgKind::Warning);
    EXPECT_EQ(m.key, TextKey::ImportReportRead);
    EXPECT_TRUE(MessageText(m).endsWith(Text(TextKey::AreaObjects) + QStringLiteral(": 1\r\n") + Text(TextKey::ImportReportLeftOut)
                                        + QStringLiteral("\r\n") + Text(TextKey::ObjectsReachingOutside) + QStringLiteral(": 2")))
        << MessageText(m).toStdString();
    EXPECT_EQ(Index.ActiveZmd->Datasets.Strings(0), QStringLiteral("in1\te\ttin1\tkID"));
    const SetupRecord& st = *Stp();
    EXPECT_EQ(st.MapScale, 10000);
    EXPECT_EQ(st.RealWorldOffsetX, 600000);
    EXPECT_EQ(st.RealWorldOffsetY, 5200000);
    EXPECT_EQ(st.RealWorldAngle, 10);  // 370 brought below 360
    EXPECT_GE(st.RealWorldGridDistance / st.MapScale, 0.02);
    EXPECT_LT(st.RealWorldGridDistance / 10 / st.MapScale, 0.02);
}

TEST_F(ImpShapeCommand, AMissingIndexOrTableIsFileNotFound)
{
    TestShapeSet set;
    set.shapes = {{1, {}, {{600000, 5200000}}}};
    for (const char* gone : {".shx", ".dbf"}) {
        messages.Clear();
        const QString shp = Write(set, Table(1));
        QFile::remove(shp.chopped(4) + QString::fromLatin1(gone));
        ImportFileByName(shp);
        ASSERT_EQ(messages.Count(), 1u) << gone;
        EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::FileNotFound);
        EXPECT_EQ(messages.Entries()[0].msg.helpContext, ShapeFileNotFoundHelpContext);
        EXPECT_TRUE(messages.Entries()[0].msg.params.endsWith(QString::fromLatin1(gone)));
        EXPECT_EQ(Index.ActiveZmd->HighestObject, 0);
    }
    // A table without its terminator stops before the dialog.
    TestDbf broken = Table(1);
    broken.terminator = false;
    messages.Clear();
    ImportFileByName(Write(set, broken));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::ErrorInDBase);
}

} // namespace
} // namespace zemo::test
