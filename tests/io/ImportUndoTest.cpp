// File > Import in the running program is one undo step, whatever the format: drawings that
// ezdxf, Inkscape and pstoedit write, another map, and shape files from ogr2ogr, whose units
// come from their .prj and whose change of the map's scale and placement is asked first and
// taken back with the objects. A damaged DXF says where it stopped and what came in; a
// multipatch set says why nothing could be read.
#include "../support/MapSnapshot.h"
#include "../support/ProgramFixture.h"
#include "../support/RasterRefs.h"
#include "document/Index.h"
#include "io/shape/widgets/ShapeDlgs.h"
#include "io/widgets/ImportDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <functional>

namespace zemo::test {
namespace {

constexpr const char* DrawDxf = R"(import sys, ezdxf
doc = ezdxf.new("R2000")
msp = doc.modelspace()
msp.add_line((600000, 5200000), (600040, 5200010), dxfattribs={"layer": "roads"})
msp.add_lwpolyline([(600000, 5200020), (600020, 5200020), (600020, 5200040)])
msp.add_circle((600050, 5200050), 5)
msp.add_text("Hill", dxfattribs={"insert": (600030, 5200030)})
msp.add_line((600010, 5200000), (600010, 5200040))
doc.saveas(sys.argv[1])
)";

constexpr const char* Drawing = R"(<svg xmlns="http://www.w3.org/2000/svg" width="120mm" height="80mm" viewBox="0 0 120 80">
 <path d="M10 10 H40 V50 H10 Z M20 20 V40 H30 V20 Z" fill="#000" fill-rule="evenodd"/>
 <path d="M10 60 C30 50 50 70 70 60" fill="none" stroke="#000" stroke-width="0.5"/>
 <line x1="10" y1="75" x2="110" y2="75" stroke="#000" stroke-width="0.3"/>
</svg>
)";

struct Placement {
    double scale = 0, x = 0, y = 0, angle = 0;
    friend bool operator==(const Placement&, const Placement&) = default;
};

std::ostream& operator<<(std::ostream& os, const Placement& p)
{
    return os << "1:" << p.scale << " at " << p.x << " / " << p.y << " turned " << p.angle;
}

Placement MapPlacement()
{
    const SetupRecord& s = *Stp();
    return {s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle};
}

class ImportUndo : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010), TestSymbol::Point(1120)};
        w.objects = {TestObject::Point(1120, 25600, 25600)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // File > Import of the file; its format's dialog (if any) gets `steps` and is accepted.
    void Import(const QString& path, const std::function<void(QDialog&)>& steps = {})
    {
        dialogs.QueueAnswer(true, path);
        QTimer::singleShot(0, [steps] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                if (steps)
                    steps(*dlg);
                dlg->accept();
            }
        });
        Frame().UpdateCommandStates();
        Trigger(Cmd::FileImport);
    }
    bool UndoEnabled()
    {
        Frame().UpdateCommandStates();
        return Frame().Action(Cmd::EditUndo)->isEnabled();
    }
    MapSnapshot Snap() { return SnapCurrentMap(TempPath(QStringLiteral("snap.zmd"))); }
    static std::vector<std::vector<Cord>> Points(int after)
    {
        std::vector<std::vector<Cord>> out;
        for (int n = after + 1; n <= Index.ActiveZmd->HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, AuxElement1))
                out.push_back({AuxElement1.Cords(), AuxElement1.Cords() + AuxElement1.nItem});
        return out;
    }
    // ogr2ogr's shape file set of the GeoJSON features, in the coordinate system given.
    QString Ogr(const QString& name, const QString& features, const QStringList& options)
    {
        const QString json = TempPath(name + QStringLiteral(".geojson"));
        Write(json, "{\"type\":\"FeatureCollection\",\"features\":[" + features.toUtf8() + "]}");
        const QString shp = TempPath(name + QStringLiteral(".shp"));
        EXPECT_TRUE(RunTool(QStringLiteral("ogr2ogr"),
                            QStringList{QStringLiteral("-f"), QStringLiteral("ESRI Shapefile")} + options
                                + QStringList{shp, json}));
        return shp;
    }
};

// Each drawing comes in, Undo is offered at once, and one Undo leaves the map's objects and
// strings as they were (the symbols brought along stay, as after a paste).
TEST_F(ImportUndo, EveryKindOfImportIsOneUndoStep)
{
    const QString dxf = TempPath(QStringLiteral("ezdxf.dxf"));
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, DrawDxf));
    const QString svg = TempPath(QStringLiteral("drawing.svg"));
    Write(svg, Drawing);
    ASSERT_TRUE(RunTool(QStringLiteral("inkscape"), {svg, QStringLiteral("--export-type=emf,wmf,eps")}));
    const QString eps = TempPath(QStringLiteral("drawing.eps"));
    const QString ai = TempPath(QStringLiteral("drawing.ai"));
    ASSERT_TRUE(RunTool(QStringLiteral("pstoedit"), {QStringLiteral("-f"), QStringLiteral("ps2ai"), eps, ai}));
    TestMapWriter other(8);
    other.symbols = {TestSymbol::Point(1120), TestSymbol::Line(2010)};
    other.objects = {TestObject::Point(1120, 0, 0), TestObject::Line(2010, {{0, 0}, {51200, 0}})};
    const QString map = TempPath(QStringLiteral("other.zmd"));
    ASSERT_TRUE(other.WriteTo(QFile::encodeName(map).toStdString()));

    const struct {
        QString path;
        int objects;  // at least
    } files[] = {{dxf, 5}, {ai, 3}, {TempPath(QStringLiteral("drawing.wmf")), 1},
                 {TempPath(QStringLiteral("drawing.emf")), 1}, {map, 2}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.path.toStdString());
        const MapSnapshot before = Snap();
        const Placement placed = MapPlacement();
        const int highest = Index.ActiveZmd->HighestObject;
        messages.Clear();
        Import(f.path);
        ASSERT_GE(Index.ActiveZmd->HighestObject - highest, f.objects);
        ASSERT_TRUE(UndoEnabled());
        Trigger(Cmd::EditUndo);
        EXPECT_EQ(Snap(), before);
        EXPECT_EQ(MapPlacement(), placed);
        EXPECT_FALSE(UndoEnabled()) << "one step took it all back";
    }
}

// A DXF import that sets the map's scale and takes the drawing's offset as the map's own
// (asked first): Undo takes back both with the objects, Redo does all again.
TEST_F(ImportUndo, ADxfImportsScaleAndPlacementGoBackWithIt)
{
    const QString dxf = TempPath(QStringLiteral("ezdxf.dxf"));
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, DrawDxf));
    const MapSnapshot before = Snap();
    const Placement placed = MapPlacement();
    messages.QueueAnswer(IdYes);
    Import(dxf, [](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("MapScaleB"))->setEditText(QStringLiteral("5000"));
        d.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->setText(QStringLiteral("600000"));
        d.findChild<QLineEdit*>(QStringLiteral("VerOfsB"))->setText(QStringLiteral("5200000"));
        d.findChild<QCheckBox*>(QStringLiteral("ImpCordB"))->setChecked(true);
    });
    ASSERT_EQ(messages.CountOf(TextKey::ImportChangesPlacement), 1) << "asked first, Yes";
    const Placement taken{5000, 600000, 5200000, 0};
    ASSERT_EQ(MapPlacement(), taken);
    // 1:5000: 20 hundredths of a millimetre per metre from the offset.
    ASSERT_EQ(Points(1).front(), (std::vector<Cord>{{0, 0}, {800 * 256, 200 * 256}}));
    const MapSnapshot after = Snap();
    ASSERT_TRUE(UndoEnabled());
    Trigger(Cmd::EditUndo);
    EXPECT_EQ(Snap(), before);
    EXPECT_EQ(MapPlacement(), placed);
    Trigger(Cmd::EditRedo);
    EXPECT_EQ(Snap(), after);
    EXPECT_EQ(MapPlacement(), taken);
}

// A DXF damaged in the middle of its entities: what came before stays and is counted, the
// report names the line where the reading stopped, and one Undo takes it back.
TEST_F(ImportUndo, ADamagedDxfSaysWhereItStoppedAndWhatCameIn)
{
    const QString dxf = TempPath(QStringLiteral("ezdxf.dxf"));
    ASSERT_TRUE(RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-"), dxf}, DrawDxf));
    QByteArray bytes = Read(dxf);
    // The circle's centre's code line made no number.
    const qsizetype code = bytes.indexOf("\n 10\n", bytes.indexOf("\nCIRCLE")) + 1;
    ASSERT_GT(code, 0);
    bytes.replace(code, 3, " 1O");
    const int line = int(bytes.left(code).count('\n')) + 1;
    const QString damaged = TempPath(QStringLiteral("damaged.dxf"));
    Write(damaged, bytes);
    const MapSnapshot before = Snap();
    messages.Clear();
    Import(damaged);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
    EXPECT_TRUE(MessageText(messages.Last())
                    .endsWith(QStringLiteral("damaged.dxf \r\nLine objects: 2\r\nLeft out:\r\nDamaged records: 1\r\n"
                                             "The file is damaged at line %1 and the rest of it was not read.")
                                  .arg(line)))
        << MessageText(messages.Last()).toStdString();
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 3);
    ASSERT_TRUE(UndoEnabled());
    Trigger(Cmd::EditUndo);
    EXPECT_EQ(Snap(), before);

    // Damaged in its header (after the six lines that make it a DXF): said before any
    // dialog, nothing comes in.
    bytes = Read(dxf);
    qsizetype seventh = 0;
    for (int i = 0; i < 6; ++i)
        seventh = bytes.indexOf('\n', seventh) + 1;
    bytes.insert(seventh, "nine\n");
    Write(damaged, bytes);
    messages.Clear();
    Import(damaged);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_TRUE(MessageText(messages.Last())
                    .contains(Text(TextKey::ImportReportNothing)
                              + QStringLiteral("\r\nThe file is damaged at line 7 and the rest of it was not read.")))
        << MessageText(messages.Last()).toStdString();
}

// A set 40 m wide whose .prj says metres: the units are metres, the map's scale fits and stays,
// and the new offset is asked for. No: the points come in by the offset chosen, the map keeps its
// placement. Yes: the map takes the offset, and Undo takes it back with the points.
TEST_F(ImportUndo, AShapeSetInMetresAsksBeforeItPlacesTheMap)
{
    const QString features =
        QStringLiteral("{\"type\":\"Feature\",\"properties\":{\"NAME\":\"a\"},\"geometry\":{\"type\":\"Point\","
                       "\"coordinates\":[600010,5200020]}},{\"type\":\"Feature\",\"properties\":{\"NAME\":\"b\"},"
                       "\"geometry\":{\"type\":\"Point\",\"coordinates\":[600050,5200050]}}");
    const QString shp = Ogr(QStringLiteral("pts"), features, {QStringLiteral("-a_srs"), QStringLiteral("EPSG:32633")});
    ASSERT_TRUE(Read(shp.chopped(4) + QStringLiteral(".prj")).contains("UNIT[\"Meter\",1.0]]"));
    const Placement placed = MapPlacement();
    ASSERT_EQ(placed, (Placement{15000, 0, 0, 0}));
    for (const int answer : {int(IdNo), int(IdYes)}) {
        SCOPED_TRACE(answer);
        const MapSnapshot before = Snap();
        const int highest = Index.ActiveZmd->HighestObject;
        messages.Clear();
        messages.QueueAnswer(answer);
        Import(shp, [](QDialog& d) {
            EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("UnitsB"))->currentText(), QStringLiteral("m"));
            EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("MapScaleB"))->currentText(), QStringLiteral("15000"));
            EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->text(), QStringLiteral("600030"));
            EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("VerOfsB"))->text(), QStringLiteral("5200035"));
        });
        ASSERT_EQ(messages.CountOf(TextKey::ImportChangesPlacement), 1);
        EXPECT_EQ(messages.Entries()[0].msg.kind, MsgKind::YesNoCancel);
        const QString asked = MessageText(messages.Entries()[0].msg);
        EXPECT_TRUE(asked.contains(QStringLiteral("\r\nHorizontal offset: 0 -> 600030\r\nVertical offset: 0 -> 5200035\r\n")))
            << asked.toStdString();
        EXPECT_FALSE(asked.contains(Text(TextKey::MapScale))) << "the scale stays";
        // 1:15000: 6.67 hundredths of a millimetre per metre from the set's centre.
        EXPECT_EQ(Points(highest), (std::vector<std::vector<Cord>>{{{-133 * 256, -100 * 256}}, {{133 * 256, 100 * 256}}}));
        EXPECT_EQ(MapPlacement(), answer == IdYes ? (Placement{15000, 600030, 5200035, 0}) : placed);
        ASSERT_TRUE(UndoEnabled());
        Trigger(Cmd::EditUndo);
        EXPECT_EQ(Snap().objects, before.objects);
        EXPECT_EQ(MapPlacement(), placed);
    }
}

// A .prj in US survey feet: the unit is the .prj's own, offered beside the three others, and
// the points are placed by it.
TEST_F(ImportUndo, AShapeSetInFeetTakesItsUnitFromThePrj)
{
    const QString features = QStringLiteral("{\"type\":\"Feature\",\"properties\":{\"NAME\":\"a\"},\"geometry\":{\"type\":"
                                            "\"Point\",\"coordinates\":[1000000,200000]}}");
    const QString shp = Ogr(QStringLiteral("feet"), features, {QStringLiteral("-a_srs"), QStringLiteral("EPSG:2263")});
    messages.QueueAnswer(IdNo);
    Import(shp, [](QDialog& d) {
        auto* units = d.findChild<QComboBox*>(QStringLiteral("UnitsB"));
        ASSERT_EQ(units->count(), 4);
        EXPECT_EQ(units->currentText(), QStringLiteral("US survey foot"));
        d.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->setText(QStringLiteral("999000"));
        d.findChild<QLineEdit*>(QStringLiteral("VerOfsB"))->setText(QStringLiteral("200000"));
        d.findChild<QComboBox*>(QStringLiteral("MapScaleB"))->setEditText(QStringLiteral("10000"));
    });
    // 1000 ft = 304.8006 m, at 1:10000 30.48 mm.
    EXPECT_EQ(Points(1), (std::vector<std::vector<Cord>>{{{3048 * 256, 0}}}));
}

// A multipatch set, as ogr2ogr writes one, says that its shape type is not read.
TEST_F(ImportUndo, AMultipatchSetSaysItsTypeIsNotRead)
{
    const QString features = QStringLiteral("{\"type\":\"Feature\",\"properties\":{\"NAME\":\"a\"},\"geometry\":{\"type\":"
                                            "\"Polygon\",\"coordinates\":[[[0,0,1],[10,0,1],[10,10,2],[0,0,1]]]}}");
    const QString shp = Ogr(QStringLiteral("patch"), features, {QStringLiteral("-lco"), QStringLiteral("SHPT=MULTIPATCH")});
    messages.Clear();
    Import(shp);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
    EXPECT_TRUE(MessageText(messages.Last())
                    .endsWith(Text(TextKey::ImportReportNothing) + QStringLiteral("\r\n") + Text(TextKey::ImportReportLeftOut)
                              + QStringLiteral("\r\nShapes of a type that is not read (MultiPatch): 1")))
        << MessageText(messages.Last()).toStdString();
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 1);
    EXPECT_FALSE(UndoEnabled());
}

} // namespace
} // namespace zemo::test
