// Shape file sets whose ".prj" ogr2ogr wrote, imported by File > Import in the running program:
// a geographic system is refused with a message naming it, the map left as it was; sets in
// kilometres and in US survey feet placed by a new offset store the map's offsets in metres;
// a ".prj" far longer than any system's text is read only as far as one reaches.
#include "../external/ModalScript.h"
#include "../support/FileState.h"
#include "../support/ProgramFixture.h"
#include "../support/RasterRefs.h"

#include "document/Index.h"
#include "io/shape/ImpShape.h"
#include "io/shape/widgets/ShapeDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>

namespace zemo::test {
namespace {

class ShapeSystems : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10)};
        w.objects = {TestObject::Point(10, 0, 0)};
        map = TempPath(QStringLiteral("target.zmd"));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(map).toStdString()));
        ASSERT_TRUE(OpenMap(map));
    }
    // ogr2ogr's set of points given in UTM zone 32 metres, written in the system `srs` (none:
    // as they stand, labelled as GeoJSON's longitudes and latitudes).
    QString Ogr(const QString& name, const QString& srs, const QString& points)
    {
        const QString json = TempPath(name + QStringLiteral(".geojson"));
        QFile f(json);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"properties\":"
                               "{\"NAME\":\"a\"},\"geometry\":{\"type\":\"MultiPoint\",\"coordinates\":[%1]}}]}")
                    .arg(points)
                    .toUtf8());
        f.close();
        const QString shp = TempPath(name + QStringLiteral(".shp"));
        QStringList args{QStringLiteral("-f"), QStringLiteral("ESRI Shapefile")};
        if (!srs.isEmpty())
            args << QStringLiteral("-s_srs") << QStringLiteral("EPSG:32632") << QStringLiteral("-t_srs") << srs;
        EXPECT_TRUE(RunTool(QStringLiteral("ogr2ogr"), args << shp << json));
        return shp;
    }
    // File > Import of the set; `dialog` works the shape dialog, which is then accepted.
    // False when the dialog did not come.
    bool Import(const QString& shp, const std::function<void(TImpShapeDlg&)>& dialog)
    {
        dialogs.QueueAnswer(true, shp);
        Frame().UpdateCommandStates();
        ModalScript script;
        script.Then<TImpShapeDlg>([&](TImpShapeDlg& d) {
            dialog(d);
            if (d.isVisible())
                d.accept();
        });
        Trigger(Cmd::FileImport);
        Settle();
        EXPECT_TRUE(script.Unexpected().isEmpty()) << script.Unexpected().join(u' ').toStdString();
        return script.Done();
    }
    static void Type(TImpShapeDlg& d, const char* field, const QString& text)
    {
        d.findChild<QLineEdit*>(QString::fromLatin1(field))->setText(text);
    }
    static QString UnitShown(TImpShapeDlg& d)
    {
        return d.findChild<QComboBox*>(QStringLiteral("UnitsB"))->currentText();
    }

    QString map;
};

// EPSG:4326 as ogr2ogr writes it: the import says what the system is and that it is not
// read, before its dialog; nothing of the map changes. Coordinates that cannot be angles,
// labelled so by a converter, come in as a set without a system does.
TEST_F(ShapeSystems, AGeographicSystemIsNamedAndNotImported)
{
    const QString labelled = Ogr(QStringLiteral("labelled"), {}, QStringLiteral("[600100,5199800],[599000,5199000]"));
    ASSERT_TRUE(FileBytes(TempPath(QStringLiteral("labelled.prj"))).startsWith("GEOGCS["));
    EXPECT_TRUE(Import(labelled, [](TImpShapeDlg& d) {
        EXPECT_EQ(UnitShown(d), QStringLiteral("m")) << "by its size";
        d.reject();
    }));

    const QString shp = Ogr(QStringLiteral("world"), QStringLiteral("EPSG:4326"),
                            QStringLiteral("[500000,5200000],[520000,5250000]"));
    ASSERT_TRUE(QFile::exists(TempPath(QStringLiteral("world.prj"))));
    const QByteArray before = FileBytes(map);
    const int objects = Index.ActiveZmd->HighestObject;
    messages.Clear();
    EXPECT_FALSE(Import(shp, [](TImpShapeDlg&) {})) << "no dialog";
    ASSERT_EQ(messages.Count(), 1);
    const ShownMessage& m = messages.Last();
    EXPECT_EQ(m.key, TextKey::ShapeSetGeographic);
    EXPECT_EQ(m.kind, MsgKind::Error);
    EXPECT_EQ(m.params, QStringLiteral("world.shp;GCS_WGS_1984"));
    EXPECT_EQ(m.helpContext, ImpShapeHelpContext);
    EXPECT_EQ(Index.ActiveZmd->HighestObject, objects);
    EXPECT_EQ(Index.ActiveZmd->Datasets.Count(), 0);
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("world1.dbf")))) << "no dataset table";
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(FileBytes(map), before);
}

// The same place, 600000 m east and 5199600 m north, in kilometres and in US survey feet
// (1968500 and 17059021 ft): typed as the new offset in the set's unit, it becomes the map's
// real-world offset in metres, and a point 100 m east and 200 m north of it lands 10 mm and
// 20 mm from the map's origin at 1:10000.
TEST_F(ShapeSystems, OffsetsTypedInKilometresOrFeetAreStoredInMetres)
{
    const struct {
        const char* name;
        const char* srs;
        const char* unit;
        const char* x;
        const char* y;
        double metresPerUnit;
    } sets[] = {
        {"km", "+proj=utm +zone=32 +datum=WGS84 +units=km +no_defs", "km", "600", "5199.6", 1000},
        {"usft", "+proj=utm +zone=32 +datum=WGS84 +units=us-ft +no_defs", "US survey foot", "1968500", "17059021",
         0.304800609601219},
    };
    for (const auto& s : sets) {
        SCOPED_TRACE(s.name);
        const QString shp = Ogr(QString::fromLatin1(s.name), QString::fromLatin1(s.srs),
                                QStringLiteral("[600100,5199800],[599000,5199000]"));
        const int before = Index.ActiveZmd->HighestObject;
        ASSERT_TRUE(Import(shp, [&](TImpShapeDlg& d) {
            EXPECT_EQ(UnitShown(d), QString::fromLatin1(s.unit)) << "the unit the .prj names";
            d.findChild<QRadioButton*>(QStringLiteral("NewOfsB"))->setChecked(true);
            Type(d, "HorOfsB", QString::fromLatin1(s.x));
            Type(d, "VerOfsB", QString::fromLatin1(s.y));
            d.findChild<QComboBox*>(QStringLiteral("MapScaleB"))->setEditText(QStringLiteral("10000"));
        }));
        const SetupRecord& st = *Stp();
        EXPECT_EQ(st.MapScale, 10000);
        EXPECT_NEAR(st.RealWorldOffsetX, 600000, 1e-6);
        EXPECT_NEAR(st.RealWorldOffsetY, 5199600, 1e-6);
        ASSERT_EQ(Index.ActiveZmd->HighestObject, before + 2);
        ASSERT_TRUE(ReadElement(before + 1, AuxElement1));
        EXPECT_EQ(AuxElement1.Cords()[0], (Cord{1000 * 256, 2000 * 256}));
        ASSERT_TRUE(ReadElement(before + 2, AuxElement1));
        EXPECT_EQ(AuxElement1.Cords()[0], (Cord{-10000 * 256, -6000 * 256}));
        // The next set starts from a map without a real-world offset.
        Trigger(Cmd::EditUndo);
        Settle();
        ASSERT_EQ(Stp()->RealWorldOffsetX, 0);
    }
}

// A ".prj" that begins as a projected system in US survey feet but names its unit only after
// 3 MB of blanks is read as far as a system's text reaches: the unit is not found, and the
// dialog proposes one by the size of the set, as for a set without one.
TEST_F(ShapeSystems, AHugePrjIsReadOnlyAsFarAsASystemReaches)
{
    const QString shp = Ogr(QStringLiteral("huge"), QStringLiteral("+proj=utm +zone=32 +datum=WGS84 +units=us-ft +no_defs"),
                            QStringLiteral("[600100,5199800],[599000,5199000]"));
    QFile prj(TempPath(QStringLiteral("huge.prj")));
    ASSERT_TRUE(prj.open(QIODevice::WriteOnly | QIODevice::Truncate));
    prj.write("PROJCS[\"padded\"," + QByteArray(3 << 20, ' ') + "UNIT[\"US survey foot\",0.304800609601219]]");
    prj.close();
    ASSERT_GT(prj.size(), 2 * MaxPrjBytes);
    // The set is 3609 ft wide: metres by its size. The unit read from the text would have
    // been offered by its own name.
    QString shown;
    ASSERT_TRUE(Import(shp, [&](TImpShapeDlg& d) { shown = UnitShown(d); }));
    EXPECT_EQ(shown, QStringLiteral("m"));
}

} // namespace
} // namespace zemo::test
