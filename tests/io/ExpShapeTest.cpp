// The shape-file export: sets read by ogrinfo (GDAL) and by literal offsets, the attributes
// read by python3-dbfread, the dataset mode over a dBase table beside the map, Esc and an
// unknown dataset leaving no file, and the way back through the import.
#include "../external/DbfTestFile.h"
#include "IoFixture.h"
#include "ShapeTestSet.h"

#include "core/Element.h"
#include "io/shape/ExpShape.h"
#include "io/shape/ImpShape.h"
#include "io/shape/Ports.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cmath>

namespace zemo::test {
namespace {

// 1 mm on paper, and 1 m at 1:10000 (0.1 mm).
constexpr int32_t M = Mm / 10;

class ExpShape : public IoTest {
protected:
    void SetUp() override
    {
        IoTest::SetUp();
        ResetExpShapeUnit();
        QDir().mkpath(Folder(QStringLiteral("out")));
    }
    static TestMapWriter Map(std::vector<TestObject> objects)
    {
        TestMapWriter w(8);
        PutF64(w.setup, setup::MapScale, 10000);
        PutF64(w.setup, setup::RealWorldOffsetX, 600000);
        PutF64(w.setup, setup::RealWorldOffsetY, 5200000);
        w.symbols = {TestSymbol::Point(1234), TestSymbol::Line(20), TestSymbol::Area(30), TestSymbol::Text(40)};
        w.objects = std::move(objects);
        return w;
    }
    QString Out(const QString& name) const { return Folder(QStringLiteral("out")) + u'/' + name; }
    // ogrinfo's summary and features of a set; the set is kept under samples/.
    static QString Ogrinfo(const QString& shp, const QString& sample = {})
    {
        if (!sample.isEmpty()) {
            const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples/");
            QDir().mkpath(samples);
            for (const char* ext : {".shp", ".shx", ".dbf"}) {
                QFile::remove(samples + sample + QString::fromLatin1(ext));
                QFile::copy(shp.chopped(4) + QString::fromLatin1(ext), samples + sample + QString::fromLatin1(ext));
            }
        }
        QString error;
        const QString out = RunTool(QStringLiteral("ogrinfo"), {QStringLiteral("-al"), QStringLiteral("-ro"), shp}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return out;
    }
    static int FeatureCount(const QString& info)
    {
        const auto m = QRegularExpression(QStringLiteral("Feature Count: (\\d+)")).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    static QString Geometry(const QString& info)
    {
        const auto m = QRegularExpression(QStringLiteral("\\nGeometry: ([^\\n]+)")).match(info);
        return m.captured(1);
    }
};

TEST_F(ExpShape, FourSetsByTheCommandReadByOgrinfo)
{
    ASSERT_NE(Open(Map({TestObject::Point(1234, 0, 0), TestObject::Point(1234, 10 * M, 20 * M),
                        TestObject::Area(30, {{0, 0}, {100 * M, 0}, {100 * M, 100 * M}, {0, 100 * M}}),
                        TestObject::Point(1234, -30 * M, 5 * M)})),
              nullptr);
    bool shown = false;
    ShapePorts().RunExpShapeDialog.Bind([&](ExpShapeOptions& o) {
        shown = true;
        EXPECT_EQ(o.Kinds, (std::array<bool, 4>{true, true, true, true}));
        EXPECT_TRUE(o.Datasets.isEmpty());
        return true;
    });
    for (const char* s : {"_pt.shp", "_ln.shp", "_ar.shp", "_tx.shp"})
        dialogs.QueueAnswer(true, Out(QStringLiteral("map") + QString::fromLatin1(s)));
    zemo::ExportShape();
    EXPECT_TRUE(shown);
    // The proposed names: the map's with the kind's ending.
    ASSERT_EQ(dialogs.Requests().size(), 4u);
    EXPECT_TRUE(dialogs.Requests()[0].fileName.endsWith(QStringLiteral("map_pt.shp")));
    EXPECT_TRUE(dialogs.Requests()[3].fileName.endsWith(QStringLiteral("map_tx.shp")));
    // Each set's headers carry its own shapes' extent (an empty set none).
    const struct {
        const char* file;
        int count;
        const char* geometry;
        const char* extent;
    } sets[] = {{"map_pt.shp", 3, "Point", "(599970.000000, 5200000.000000) - (600010.000000, 5200020.000000)"},
                {"map_ln.shp", 0, "Line String", "(0.000000, 0.000000) - (0.000000, 0.000000)"},
                {"map_ar.shp", 1, "Polygon", "(600000.000000, 5200000.000000) - (600100.000000, 5200100.000000)"},
                {"map_tx.shp", 0, "Point", "(0.000000, 0.000000) - (0.000000, 0.000000)"}};
    for (const auto& s : sets) {
        const QString info = Ogrinfo(Out(QString::fromLatin1(s.file)), QStringLiteral("shape-") + QString::fromLatin1(s.file).chopped(4));
        EXPECT_EQ(FeatureCount(info), s.count) << s.file;
        EXPECT_EQ(Geometry(info), QString::fromLatin1(s.geometry)) << s.file;
        EXPECT_TRUE(info.contains(QStringLiteral("Extent: ") + QString::fromLatin1(s.extent))) << info.toStdString();
        const QByteArray shx = Read(Out(QString::fromLatin1(s.file).chopped(4) + QStringLiteral(".shx")));
        const QByteArray shp = Read(Out(QString::fromLatin1(s.file)));
        EXPECT_EQ(shx.mid(36, 32), shp.mid(36, 32)) << s.file;
    }
    // Real-world metres: 0.1 mm at 1:10000 is 1 m.
    EXPECT_TRUE(Ogrinfo(Out(QStringLiteral("map_pt.shp"))).contains(QStringLiteral("POINT (600010 5200020)")));
    EXPECT_EQ(Read(Out(QStringLiteral("map_ln.shx"))).size(), 100);
    EXPECT_EQ(FilesInMaps(), QStringList{"map.zmd"});
}

TEST_F(ExpShape, IndexRecordsAndHeadersByLiteralBytes)
{
    ASSERT_NE(Open(Map({TestObject::Point(1234, 0, 0), TestObject::Point(1234, M, 0), TestObject::Point(1234, 0, M)})),
              nullptr);
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Points, Out(QStringLiteral("p.shp")), {}));
    const QByteArray shx = Read(Out(QStringLiteral("p.shx")));
    const QByteArray shp = Read(Out(QStringLiteral("p.shp")));
    ASSERT_EQ(shx.size(), 100 + 3 * 8);
    ASSERT_EQ(shp.size(), 100 + 3 * 28);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(BE32At(shx, 100 + 8 * i), 50 + 14 * i);
        EXPECT_EQ(BE32At(shx, 104 + 8 * i), 10);
        EXPECT_EQ(BE32At(shp, 100 + 28 * i), i + 1);  // record numbers from 1
        EXPECT_EQ(LE32At(shp, 108 + 28 * i), 1);
    }
    EXPECT_EQ(DoubleAt(shp, 100 + 28 + 12), 600001.0);
    for (const QByteArray& f : {shp, shx}) {
        EXPECT_EQ(BE32At(f, 0), 9994);
        EXPECT_EQ(BE32At(f, 24), f.size() / 2);
        EXPECT_EQ(LE32At(f, 28), 1000);
        EXPECT_EQ(LE32At(f, 32), 1);
    }
    const QByteArray dbf = Read(Out(QStringLiteral("p.dbf")));
    EXPECT_EQ(U32At(dbf, 4), 3);
    EXPECT_EQ(uint8_t(dbf[29]), 0x57);
    EXPECT_EQ(dbf.back(), '\x1A');
}

TEST_F(ExpShape, SymbolAngleAndTextAttributes)
{
    TestObject text = TestObject::Text16(40, 0, 0, u"\u00e4");
    text.angle = 300;
    ASSERT_NE(Open(Map({TestObject::Point(1234, 0, 0, 450), text})), nullptr);
    Stp()->RealWorldAngle = 2.5;
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Points, Out(QStringLiteral("a_pt.shp")), {}));
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Texts, Out(QStringLiteral("a_tx.shp")), {}));
    const QString points = Ogrinfo(Out(QStringLiteral("a_pt.shp")), QStringLiteral("shape-attributes_pt"));
    EXPECT_TRUE(points.contains(QStringLiteral("SYMBOL (Real) = 123.4"))) << points.toStdString();
    EXPECT_TRUE(points.contains(QStringLiteral("ANGLE (Real) = 42.5")));
    EXPECT_TRUE(points.contains(QStringLiteral("ID (Integer")) || points.contains(QStringLiteral("ID (Real")));
    const QString texts = Ogrinfo(Out(QStringLiteral("a_tx.shp")), QStringLiteral("shape-attributes_tx"));
    EXPECT_EQ(FeatureCount(texts), 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("TEXT (String) = \u00e4"))) << texts.toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("ANGLE (Real) = 27.5")));
    QString error;
    EXPECT_EQ(DbfreadRecords(Out(QStringLiteral("a_tx.dbf")), &error), QStringLiteral("fields:ID|SYMBOL|ANGLE|TEXT\n-1|4.0|27.5|\u00e4\n"))
        << error.toStdString();
}

TEST_F(ExpShape, RingsAreClosedTurnedAndTooShortOnesLeftOut)
{
    const std::vector<TestCord> square = {{0, 0}, {10 * M, 0}, {10 * M, 10 * M}, {0, 10 * M}};
    const std::vector<TestCord> hole = {{2 * M, 2 * M | HoleFlag}, {2 * M, 4 * M}, {4 * M, 4 * M}, {4 * M, 2 * M}};
    std::vector<TestCord> anticlockwise = square;
    anticlockwise.insert(anticlockwise.end(), hole.begin(), hole.end());
    std::vector<TestCord> clockwise(square.rbegin(), square.rend());
    std::vector<TestCord> holeTurned = {{2 * M, 2 * M | HoleFlag}, {4 * M, 2 * M}, {4 * M, 4 * M}, {2 * M, 4 * M}};
    clockwise.insert(clockwise.end(), holeTurned.begin(), holeTurned.end());
    std::vector<TestCord> shortHole = square;
    shortHole.push_back({5 * M, 5 * M | HoleFlag});
    shortHole.push_back({6 * M, 6 * M});
    ASSERT_NE(Open(Map({TestObject::Area(30, anticlockwise), TestObject::Area(30, clockwise),
                        TestObject::Area(30, {{0, 0}, {M, M}}), TestObject::Area(30, shortHole),
                        TestObject::Line(20, {{0, 0}}), TestObject::Line(20, {{0, 0}, {M, 0}})})),
              nullptr);
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Areas, Out(QStringLiteral("r_ar.shp")), {}));
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Lines, Out(QStringLiteral("r_ln.shp")), {}));
    const QByteArray shp = Read(Out(QStringLiteral("r_ar.shp")));
    const QByteArray shx = Read(Out(QStringLiteral("r_ar.shx")));
    ASSERT_EQ(shx.size(), 100 + 3 * 8);  // the two-point area stays out
    // Twice the signed area of a ring: positive anticlockwise.
    const auto ringArea = [&](qsizetype points, int from, int to) {
        double a = 0;
        for (int i = from; i + 1 < to; ++i)
            a += DoubleAt(shp, points + 16 * i) * DoubleAt(shp, points + 16 * (i + 1) + 8)
                 - DoubleAt(shp, points + 16 * (i + 1)) * DoubleAt(shp, points + 16 * i + 8);
        return a;
    };
    for (int r = 0; r < 3; ++r) {
        const qsizetype at = 2 * BE32At(shx, 100 + 8 * r) + 8;
        const int parts = LE32At(shp, at + 36), points = LE32At(shp, at + 40);
        ASSERT_EQ(LE32At(shp, at), 5);
        EXPECT_EQ(BE32At(shx, 104 + 8 * r), 22 + 2 * parts + 8 * points);
        // The record's box: west, south, east and north of the square.
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(DoubleAt(shp, at + 4 + 8 * k), (k % 2 ? 5200000.0 : 600000.0) + (k < 2 ? 0 : 10)) << r << " " << k;
        const qsizetype pts = at + 44 + 4 * parts;
        std::vector<int> first;
        for (int p = 0; p < parts; ++p)
            first.push_back(LE32At(shp, at + 44 + 4 * p));
        first.push_back(points);
        if (r < 2) {
            ASSERT_EQ(parts, 2) << r;
            EXPECT_EQ(points, 4 + 4 + 2) << r;
            EXPECT_EQ(first[1], 5) << r;
        } else {
            EXPECT_EQ(parts, 1);  // the two-point hole stays out
            EXPECT_EQ(points, 5);
        }
        for (int p = 0; p < parts; ++p) {
            // Closed, the outline clockwise, holes anticlockwise.
            EXPECT_EQ(DoubleAt(shp, pts + 16 * first[p]), DoubleAt(shp, pts + 16 * (first[p + 1] - 1)));
            EXPECT_EQ(DoubleAt(shp, pts + 16 * first[p] + 8), DoubleAt(shp, pts + 16 * (first[p + 1] - 1) + 8));
            const double a = ringArea(pts, first[p], first[p + 1]);
            EXPECT_TRUE(p == 0 ? a < 0 : a > 0) << r << " part " << p << " " << a;
        }
    }
    EXPECT_EQ(Read(Out(QStringLiteral("r_ln.shx"))).size(), 100 + 8);  // the one-point line stays out
    const QString info = Ogrinfo(Out(QStringLiteral("r_ar.shp")), QStringLiteral("shape-holes_ar"));
    EXPECT_EQ(FeatureCount(info), 3);
    EXPECT_TRUE(info.contains(QStringLiteral("POLYGON ((600000 5200000,600000 5200010,600010 5200010,600010 5200000,"
                                             "600000 5200000),(600002 5200002,600004 5200002,600004 5200004,"
                                             "600002 5200004,600002 5200002))")))
        << info.toStdString();
}

TEST_F(ExpShape, CurvesAreFlattenedWithoutRepeatingTheirEnds)
{
    // A straight start, a curve, a second curve from its end, a straight end.
    const std::vector<TestCord> line = {{0, 0},
                                        {10 * M, 0},
                                        {15 * M | FirstBezierFlag, 10 * M},
                                        {25 * M | SecondBezierFlag, 10 * M},
                                        {30 * M, 0},
                                        {30 * M | FirstBezierFlag, -10 * M},
                                        {40 * M | SecondBezierFlag, -10 * M},
                                        {40 * M, 0},
                                        {50 * M, 0}};
    ASSERT_NE(Open(Map({TestObject::Line(20, line)})), nullptr);
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Lines, Out(QStringLiteral("c_ln.shp")), {}));
    const QByteArray shp = Read(Out(QStringLiteral("c_ln.shp")));
    const int points = LE32At(shp, 108 + 40);
    const qsizetype at = 108 + 48;
    ASSERT_GT(points, 6);
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i < points; ++i)
        p.push_back({DoubleAt(shp, at + 16 * i), DoubleAt(shp, at + 16 * i + 8)});
    for (size_t i = 1; i < p.size(); ++i)
        EXPECT_NE(p[i], p[i - 1]) << i;
    EXPECT_EQ(p.front(), std::pair(600000.0, 5200000.0));
    EXPECT_EQ(p[1], std::pair(600010.0, 5200000.0));
    EXPECT_EQ(p.back(), std::pair(600050.0, 5200000.0));
    // Both curve ends are there once; the curves bulge to either side.
    EXPECT_EQ(std::count(p.begin(), p.end(), std::pair(600030.0, 5200000.0)), 1);
    EXPECT_EQ(std::count(p.begin(), p.end(), std::pair(600040.0, 5200000.0)), 1);
    EXPECT_GT(std::max_element(p.begin(), p.end(), [](auto a, auto b) { return a.second < b.second; })->second, 5200005.0);
    EXPECT_LT(std::min_element(p.begin(), p.end(), [](auto a, auto b) { return a.second < b.second; })->second, 5199995.0);
}

TEST_F(ExpShape, DatasetModeCarriesTheLinkedRecords)
{
    TestDbf parcels;
    parcels.fields = {{"KEY", 4}, {"NAME", 10}};
    parcels.records = {{{"a1", "Oak"}}, {{"b2", "Pine"}}, {{"c3", "Lake"}}};
    // Bytes after the terminator (as some writers leave) are not carried over.
    parcels.extraHeaderBytes = QByteArray(263, '\0');
    ASSERT_TRUE(parcels.WriteTo(InMaps(QStringLiteral("parcels.dbf"))));
    TestMapWriter w = Map({TestObject::Point(1234, 0, 0), TestObject::Point(1234, M, 0), TestObject::Point(1234, 2 * M, 0)});
    w.strings = {TestPString::Make(4, 0, "Parcels\te\ttparcels\tkKEY"), TestPString::Make(5, 3, "c3\tdParcels"),
                 TestPString::Make(5, 1, "b2\tdParcels"), TestPString::Make(5, 2, "zz\tdParcels")};
    ASSERT_NE(Open(w), nullptr);
    ExpShapeOptions o;
    o.DatasetMode = true;
    o.Datasets = {QStringLiteral("Parcels")};
    ASSERT_TRUE(WriteShapeSet(ShapeSetKind::Points, Out(QStringLiteral("d_pt.shp")), o));
    QString error;
    // In link order; a link whose record is gone is left out.
    EXPECT_EQ(DbfreadRecords(Out(QStringLiteral("d_pt.dbf")), &error), QStringLiteral("fields:KEY|NAME\n-c3|Lake\n-b2|Pine\n"))
        << error.toStdString();
    const QByteArray shp = Read(Out(QStringLiteral("d_pt.shp")));
    EXPECT_EQ(DoubleAt(shp, 100 + 12), 600002.0);
    EXPECT_EQ(DoubleAt(shp, 128 + 12), 600000.0);

    // An unknown dataset writes nothing at all.
    messages.Clear();
    o.Datasets = {QStringLiteral("Gone")};
    EXPECT_FALSE(WriteShapeSet(ShapeSetKind::Points, Out(QStringLiteral("g_pt.shp")), o));
    EXPECT_EQ(messages.CountOf(TextKey::DatasetNotFound), 1);
    EXPECT_EQ(QDir(Folder(QStringLiteral("out"))).entryList({QStringLiteral("g_*")}, QDir::Files), QStringList());
}

TEST_F(ExpShape, EscAndFailuresLeaveNoHalfSet)
{
    ASSERT_NE(Open(Map({TestObject::Point(1234, 0, 0), TestObject::Point(1234, M, 0), TestObject::Point(1234, 0, M)})),
              nullptr);
    // An older set of that name stays as it was.
    WriteFile(Out(QStringLiteral("e_pt.shp")), "old");
    escAt = 2;
    EXPECT_FALSE(WriteShapeSet(ShapeSetKind::Points, Out(QStringLiteral("e_pt.shp")), {}));
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_EQ(QDir(Folder(QStringLiteral("out"))).entryList(QDir::Files), QStringList{"e_pt.shp"});
    EXPECT_EQ(Read(Out(QStringLiteral("e_pt.shp"))), QByteArray("old"));
    // A folder that is not there: reported, nothing written, the next kinds not asked for.
    escAt = 0;
    messages.Clear();
    ShapePorts().RunExpShapeDialog.Bind([](ExpShapeOptions&) { return true; });
    dialogs.QueueAnswer(true, Folder(QStringLiteral("none")) + QStringLiteral("/x_pt.shp"));
    zemo::ExportShape();
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_GE(messages.Count(), 1);
}

TEST_F(ExpShape, ExportThenImportGivesTheGeometryBack)
{
    const std::vector<TestCord> area = {{0, 0}, {0, 40 * M}, {40 * M, 40 * M}, {40 * M, 0},
                                        {10 * M, 10 * M | HoleFlag}, {20 * M, 10 * M}, {20 * M, 20 * M}, {10 * M, 20 * M}};
    ASSERT_NE(Open(Map({TestObject::Area(30, area), TestObject::Line(20, {{0, 0}, {30 * M, 5 * M}, {-7 * M, 9 * M}}),
                        TestObject::Point(1234, 3 * M, -4 * M)})),
              nullptr);
    for (auto [kind, name] : {std::pair{ShapeSetKind::Areas, "t_ar.shp"}, std::pair{ShapeSetKind::Lines, "t_ln.shp"},
                              std::pair{ShapeSetKind::Points, "t_pt.shp"}})
        ASSERT_TRUE(WriteShapeSet(kind, Out(QString::fromLatin1(name)), {}));
    std::vector<std::pair<int, std::vector<Cord>>> before;
    for (int n = 1; n <= 3; ++n) {
        ASSERT_TRUE(ReadElement(n, AuxElement1));
        before.push_back({AuxElement1.ObjectType, {AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem}});
    }
    for (const char* name : {"t_ar", "t_ln", "t_pt"}) {
        const QString base = Out(QString::fromLatin1(name));
        ShapeImportSettings s;
        s.OffsetX = 600000;
        s.OffsetY = 5200000;
        s.MapScale = 10000;
        s.Dataset = QString::fromLatin1(name);
        s.TablePath = InMaps(s.Dataset + QStringLiteral(".dbf"));
        const ShapeImportResult r = ImportShapeSet({Read(base + QStringLiteral(".shp")), Read(base + QStringLiteral(".shx")),
                                                    Read(base + QStringLiteral(".dbf"))},
                                                   s);
        EXPECT_EQ(r.Objects, 1) << name;
    }
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 6);
    for (int n = 4; n <= 6; ++n) {
        ASSERT_TRUE(ReadElement(n, AuxElement1));
        EXPECT_EQ(AuxElement1.ObjectType, before[size_t(n - 4)].first);
        const std::vector<Cord> back(AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem);
        // The outline was clockwise and the hole anticlockwise already: both come back as
        // they were, open again, the hole's flag on its first point.
        EXPECT_EQ(back, before[size_t(n - 4)].second) << n;
    }
}

} // namespace
} // namespace zemo::test
