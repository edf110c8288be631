// Placing a new raster template: the resolution dialog's fields, checks and placement, the
// georeference of GeoTIFF tags and world files, the georeference dialog's fields and placement,
// and both dialogs shown offscreen.
#include "TemplateFixture.h"
#include "TiffKit.h"
#include "core/FieldChecks.h"
#include "core/Setup.h"
#include "core/StringX.h"
#include "external/Ports.h"
#include "external/Bmp.h"
#include "external/Gif.h"
#include "external/Jpeg.h"
#include "external/TempResol.h"
#include "external/Tiff.h"
#include "external/TiffGeo.h"
#include "external/widgets/TempResolDlg.h"
#include "external/widgets/TiffDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>
#include <numbers>

using namespace zemo;
using namespace zemo::test;

namespace {

class Placement : public TemplateTest {
protected:
    // An open map of scale 10000 whose view is centred at (3 mm, -2 mm), with a record to place.
    TZmd* OpenMap()
    {
        TZmd* z = Open(WriteMap(MapWith({}), InMaps(QStringLiteral("m.zmd"))));
        z->Setup.MapScale = 10000;
        z->Setup.ViewCenterX = 3 * Mm;
        z->Setup.ViewCenterY = -2 * Mm;
        TemplateUnit.CurrentTemplate = &tmp;
        return z;
    }
    void TearDown() override
    {
        TemplateUnit.CurrentTemplate = nullptr;
        TemplateTest::TearDown();
    }
    QString Path(const QString& name) const { return Folder() + u'/' + name; }
    bool WriteBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    TTmp tmp;
};

TEST_F(Placement, ResolutionFieldsShowTheFilesDpiInRangeOnly)
{
    SetupRecord s = DefaultSetupRecord();
    s.MapScale = 15000;
    const struct {
        int dpi;
        bool none;
        const char* resol;
    } rows[] = {{300, false, "300"}, {25, true, "0"}, {0, true, "0"}, {49, true, "0"},
                {50, false, "50"}, {2540, false, "2540"}, {2541, true, "0"}};
    for (const auto& r : rows) {
        const TempResolFields f = TempResolFieldsOf(r.dpi, s, {});
        EXPECT_EQ(f.noResolution, r.none) << r.dpi;
        EXPECT_EQ(f.resol, QString::fromLatin1(r.resol)) << r.dpi;
        EXPECT_EQ(f.angle, QStringLiteral("0.0"));
        EXPECT_EQ(f.mapScale, ScaleComboText(15000));
        EXPECT_EQ(f.draftScale, ScaleComboText(15000));
    }
    EXPECT_EQ(TempResolFieldsOf(300, s, QStringLiteral("\ts5000")).draftScale, ScaleComboText(5000));
}

TEST_F(Placement, ResolutionChecksRunInTheDialogsOrder)
{
    const TempResolFields good{false, "300", "10000", "12.5", "10000"};
    const auto with = [&good](auto change) {
        TempResolFields f = good;
        change(f);
        return f;
    };
    const struct {
        const char* name;
        TempResolFields fields;
        TempResolField failing;
    } rows[] = {
        {"good", good, TempResolField::None},
        {"map scale 0 before a bad dpi", with([](auto& f) { f.mapScale = "0", f.resol = "1"; }), TempResolField::MapScale},
        {"map scale above 10^8", with([](auto& f) { f.mapScale = "100000001"; }), TempResolField::MapScale},
        {"dpi 49", with([](auto& f) { f.resol = "49"; }), TempResolField::Resol},
        {"dpi 2541", with([](auto& f) { f.resol = "2541"; }), TempResolField::Resol},
        {"dpi not whole", with([](auto& f) { f.resol = "100.5"; }), TempResolField::Resol},
        {"draft below a tenth", with([](auto& f) { f.draftScale = "999"; }), TempResolField::DraftScale},
        {"draft above ten times", with([](auto& f) { f.draftScale = "100001"; }), TempResolField::DraftScale},
        {"draft against the typed map scale", with([](auto& f) { f.mapScale = "1000", f.draftScale = "10001"; }),
         TempResolField::DraftScale},
        {"angle", with([](auto& f) { f.angle = "north"; }), TempResolField::Angle},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        messages.Clear();
        EXPECT_EQ(CheckTempResolFields(r.fields), r.failing);
        EXPECT_EQ(messages.Count(), r.failing == TempResolField::None ? 0 : 1);
    }
    EXPECT_EQ(CheckTempResolFields(with([](auto& f) { f.draftScale = "1000", f.resol = "2540"; })), TempResolField::None);
}

TEST_F(Placement, ResolutionPlacesAtTheViewsCentreAndStoresOnlyOnOk)
{
    TZmd* z = OpenMap();
    const int slot = MapSettingsSlot(TempResolSettingsType);
    ASSERT_GE(slot, 0);
    // Cancel after typing a new map scale: nothing changes.
    ExternalPorts().RunTempResol.Bind([](TempResolFields& f) {
        f.mapScale = QStringLiteral("15000");
        return false;
    });
    EXPECT_FALSE(AskTemplateResolution(300));
    EXPECT_EQ(z->Setup.MapScale, 10000);
    EXPECT_EQ(z->MapSettings[size_t(slot)], QString());

    // A 300-dpi scan of a 1:10000 drawing in the 1:10000 map, turned by 30 degrees.
    TempResolFields shown;
    ExternalPorts().RunTempResol.Bind([&shown](TempResolFields& f) {
        shown = f;
        f.resol = QStringLiteral("300");
        f.angle = QStringLiteral("30");
        return true;
    });
    EXPECT_TRUE(AskTemplateResolution(300));
    EXPECT_EQ(shown.resol, QStringLiteral("300"));
    EXPECT_DOUBLE_EQ(tmp.U, 2540.0 / 300);
    EXPECT_NEAR(tmp.U, 8.46666667, 1e-8);
    EXPECT_DOUBLE_EQ(tmp.V, tmp.U);
    EXPECT_DOUBLE_EQ(tmp.Angle, std::numbers::pi / 6);
    EXPECT_EQ(tmp.X, 3 * Mm);
    EXPECT_EQ(tmp.Y, -2 * Mm);
    EXPECT_EQ(tmp.SpotColor, -1);
    EXPECT_EQ(GetParamFloat(z->MapSettings[size_t(slot)], u's', 0), 10000);

    // A 1:5000 drawing and a new map scale of 1:20000: the scale is stored with the rest.
    ExternalPorts().RunTempResol.Bind([](TempResolFields& f) {
        f.resol = QStringLiteral("100");
        f.draftScale = QStringLiteral("5000");
        f.mapScale = QStringLiteral("20000");
        return true;
    });
    EXPECT_TRUE(AskTemplateResolution(0));
    EXPECT_EQ(z->Setup.MapScale, 20000);
    EXPECT_DOUBLE_EQ(tmp.U, 25.4 * 5000 / 20000);
    EXPECT_EQ(GetParamFloat(z->MapSettings[size_t(slot)], u's', 0), 5000);
}

// A 30-degree turn, 2 m columns and 3 m rows, the top-left corner at (500000, 5300000).
constexpr double Turn = std::numbers::pi / 6;
constexpr double Sx = 2, Sy = 3;
constexpr int W = 400, H = 300;
const double A = Sx * std::cos(Turn), D = Sx * std::sin(Turn), B = Sy * std::sin(Turn), E = -Sy * std::cos(Turn);
constexpr double CornerX = 500000, CornerY = 5300000;

TEST_F(Placement, TurnedGeoTiffPlacesAsItsWorldFile)
{
    const TiffGeoref tags = GeorefFromTags(W, H, {}, {},
                                           {A, B, 0, CornerX, D, E, 0, CornerY, 0, 0, 0, 0, 0, 0, 0, 1});
    // The world file names the top-left pixel's centre.
    ASSERT_TRUE(WriteBytes(QStringLiteral("t.tfw"), QStringLiteral("%1\n%2\n%3\n%4\n%5\n%6\n")
                                                       .arg(A, 0, 'g', 17).arg(D, 0, 'g', 17).arg(B, 0, 'g', 17)
                                                       .arg(E, 0, 'g', 17).arg(CornerX + (A + B) / 2, 0, 'g', 17)
                                                       .arg(CornerY + (D + E) / 2, 0, 'g', 17).toLatin1()));
    TiffGeoref world;
    ASSERT_TRUE(ReadWorldFile(Path(QStringLiteral("t.tfw")), W, H, world));
    // The image's middle, from its corner along half of both sides.
    const double cx = CornerX + A * W / 2 + B * H / 2, cy = CornerY + D * W / 2 + E * H / 2;
    for (const TiffGeoref& g : {tags, world}) {
        EXPECT_NEAR(g.ScaleX, Sx, 1e-9);
        EXPECT_NEAR(g.ScaleY, Sy, 1e-9);
        EXPECT_NEAR(g.Angle, -Turn, 1e-12);
        EXPECT_NEAR(g.CentreX, cx, 1e-6);
        EXPECT_NEAR(g.CentreY, cy, 1e-6);
    }
    // Pixel scale and tie point: the tie point is the top-left corner.
    const TiffGeoref tied = GeorefFromTags(W, H, {2, 3, 0}, {0, 0, 0, CornerX, CornerY, 0}, {});
    EXPECT_EQ(tied.CentreX, CornerX + W * 2 / 2);
    EXPECT_EQ(tied.CentreY, CornerY - H * 3 / 2);
    EXPECT_EQ(tied.Angle, 0);
    // A pixel scale wins over a transformation.
    EXPECT_EQ(GeorefFromTags(W, H, {2, 3, 0}, {}, {5, 0, 0, 0, 0, 5, 0, 0}).ScaleX, 2);
}

TEST_F(Placement, WorldFilesByNameAndALineThatIsNoNumber)
{
    const QString tif = Path(QStringLiteral("scan.tif"));
    EXPECT_EQ(WorldFileOf(tif), QString());
    ASSERT_TRUE(WriteBytes(QStringLiteral("scan.tifw"), "1\n0\n0\n-1\n100.5\n200.5\n"));
    EXPECT_EQ(WorldFileOf(tif), Path(QStringLiteral("scan.tifw")));
    ASSERT_TRUE(WriteBytes(QStringLiteral("scan.TFW"), "1\n0\n0\n-1\n100.5\n200.5\n"));
    EXPECT_EQ(WorldFileOf(tif), Path(QStringLiteral("scan.TFW")));
    ASSERT_TRUE(WriteBytes(QStringLiteral("scan.tfw"), " 2 \n0\n0\n-2\n100\n200\n"));
    EXPECT_EQ(WorldFileOf(tif), Path(QStringLiteral("scan.tfw")));
    TiffGeoref g;
    ASSERT_TRUE(ReadWorldFile(Path(QStringLiteral("scan.tfw")), 11, 21, g));
    EXPECT_EQ(g.ScaleX, 2);
    EXPECT_EQ(g.CentreX, 100 + 10);
    EXPECT_EQ(g.CentreY, 200 - 20);
    for (const char* bad : {"1\n0\n0\n-1\n100\n", "1\n0\nzero\n-1\n100\n200\n", "1\n0\n0\n-1\n100\nnan\n", "1,5\n0\n0\n-1\n1\n2\n"}) {
        ASSERT_TRUE(WriteBytes(QStringLiteral("bad.tfw"), bad));
        EXPECT_FALSE(ReadWorldFile(Path(QStringLiteral("bad.tfw")), 10, 10, g)) << bad;
    }
}

TEST_F(Placement, NewTiffTemplateIsPlacedByItsWorldFileOverItsTags)
{
    TZmd* z = OpenMap();
    std::optional<TiffDlgFields> tiffShown;
    bool resolShown = false;
    ExternalPorts().RunTiffDlg.Bind([&tiffShown](TiffDlgFields& f) {
        tiffShown = f;
        return true;
    });
    ExternalPorts().RunTempResol.Bind([&resolShown](TempResolFields&) { return resolShown = true; });
    const QString tif = Path(QStringLiteral("geo.tif"));
    TiffBuilder b;
    b.Grey(10, 20).Doubles(33550, {5, 5, 0}).Doubles(33922, {0, 0, 0, 1000, 2000, 0});
    ASSERT_TRUE(WriteBytes(QStringLiteral("geo.tif"), b.Bytes()));

    // The tags alone.
    ASSERT_TRUE(ReadTiffFile(tif, TemplateLoadAsk));
    ASSERT_TRUE(tiffShown);
    EXPECT_EQ(tiffShown->sizeH, Text(TextKey::Horizontally) + QStringLiteral(": 1000..1050,  5.00 m/Pixel"));
    EXPECT_TRUE(tiffShown->newOffset);
    EXPECT_EQ(z->Setup.RealWorldOffsetX, 1000);
    EXPECT_NE(z->Setup.RealWorldCoords, 0);

    // A world file beside it wins.
    ASSERT_TRUE(WriteBytes(QStringLiteral("geo.tfw"), "2\n0\n0\n-2\n1001\n1999\n"));
    tiffShown.reset();
    tmp = TTmp{};
    ASSERT_TRUE(ReadTiffFile(tif, TemplateLoadAsk));
    ASSERT_TRUE(tiffShown);
    EXPECT_EQ(tiffShown->sizeH, Text(TextKey::Horizontally) + QStringLiteral(": 1000..1020,  2.00 m/Pixel"));
    EXPECT_EQ(tiffShown->sizeV, Text(TextKey::Vertically) + QStringLiteral(": 1960..2000,  2.00 m/Pixel"));
    EXPECT_FALSE(tiffShown->newOffset); // the map has its offset now
    EXPECT_EQ(tiffShown->horOfs, QStringLiteral("1000"));
    EXPECT_EQ(tiffShown->verOfs, QStringLiteral("2000"));
    EXPECT_EQ(z->Setup.RealWorldOffsetX, 1000);
    EXPECT_DOUBLE_EQ(tmp.U, 2.0 / 10000 * 100000);
    EXPECT_FALSE(resolShown);

    // A world file that cannot be read: its message, and the resolution dialog places it.
    ASSERT_TRUE(WriteBytes(QStringLiteral("geo.tfw"), "2\n0\n0\n-2\n1001\nnorth\n"));
    tiffShown.reset();
    messages.Clear();
    ASSERT_TRUE(ReadTiffFile(tif, TemplateLoadAsk));
    EXPECT_FALSE(tiffShown);
    EXPECT_TRUE(resolShown);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::TfwError);
    EXPECT_EQ(messages.Last().params, Path(QStringLiteral("geo.tfw")));

    // Cancel in either dialog loads nothing.
    ExternalPorts().RunTempResol.Bind([](TempResolFields&) { return false; });
    EXPECT_FALSE(ReadTiffFile(tif, TemplateLoadAsk));
    QFile::remove(Path(QStringLiteral("geo.tfw")));
    ExternalPorts().RunTiffDlg.Bind([](TiffDlgFields&) { return false; });
    EXPECT_FALSE(ReadTiffFile(tif, TemplateLoadAsk));
}

TEST_F(Placement, BmpAndGifAskTheResolutionAndCancelLoadsNothing)
{
    OpenMap();
    QByteArray ppm("P6\n3 2\n255\n");
    ppm.append(QByteArray(18, '\x40'));
    ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), ppm));
    for (const char* name : {"pic.gif", "pic.bmp"}) {
        SCOPED_TRACE(name);
        const QString path = Path(QLatin1String(name));
        ASSERT_TRUE(RunTool(QStringLiteral("convert"), {Path(QStringLiteral("in.ppm")), path}));
        const RasterReader reader = QString::fromLatin1(name).endsWith(".gif") ? ReadGifFile : ReadBmpFile;
        std::optional<TempResolFields> shown;
        bool answer = false;
        ExternalPorts().RunTempResol.Bind([&](TempResolFields& f) {
            shown = f;
            f.resol = QStringLiteral("200");
            return answer;
        });
        tmp = TTmp{};
        EXPECT_FALSE(reader(path, TemplateLoadAsk));
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->resol, QStringLiteral("0")); // a GIF has none; this bitmap says none
        answer = true;
        EXPECT_TRUE(reader(path, TemplateLoadAsk));
        EXPECT_DOUBLE_EQ(tmp.U, 12.7);
        EXPECT_TRUE(tmp.HasPixels());
    }
    // A bitmap of 300 dpi stores 11811 pixels a metre, 299.9994 dpi: shown as 300.
    const QString bmp300 = Path(QStringLiteral("pic300.bmp"));
    ASSERT_TRUE(RunTool(QStringLiteral("convert"), {Path(QStringLiteral("in.ppm")), QStringLiteral("-units"),
                                                    QStringLiteral("PixelsPerInch"), QStringLiteral("-density"),
                                                    QStringLiteral("300"), bmp300}));
    std::optional<TempResolFields> shown;
    ExternalPorts().RunTempResol.Bind([&](TempResolFields& f) {
        shown = f;
        return false;
    });
    EXPECT_FALSE(ReadBmpFile(bmp300, TemplateLoadAsk));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->resol, QStringLiteral("300"));
}

TEST_F(Placement, GeoreferenceDialogFieldsAndWhatOkStores)
{
    TiffGeoref g;
    g.ScaleX = 0.5;
    g.ScaleY = 0.25;
    g.CentreX = 612345.6;
    g.CentreY = 5219876.5;
    g.Angle = -0.1;
    SetupRecord s = DefaultSetupRecord();
    s.MapScale = 10000;
    s.RealWorldOffsetY = 7;
    TiffDlgFields f = TiffDlgFieldsOf(g, 100, 80, s);
    EXPECT_EQ(f.sizeH, Text(TextKey::Horizontally) + QStringLiteral(": 612321..612371,  0.50 m/Pixel"));
    EXPECT_EQ(f.sizeV, Text(TextKey::Vertically) + QStringLiteral(": 5219867..5219887,  0.25 m/Pixel"));
    EXPECT_EQ(f.horOfs, QStringLiteral("612000"));
    EXPECT_EQ(f.verOfs, QStringLiteral("5220000"));
    EXPECT_EQ(f.angle, QStringLiteral("-5.73"));
    EXPECT_TRUE(f.newOffset);
    EXPECT_EQ(f.existing, QStringLiteral("(0 / 7 / 0)"));
    s.RealWorldOffsetX = 1;
    EXPECT_FALSE(TiffDlgFieldsOf(g, 100, 80, s).newOffset);

    // Checks in order: offsets, angle, map scale.
    const struct {
        TiffDlgFields f;
        TiffDlgField failing;
    } checks[] = {
        {f, TiffDlgField::None},
        {[f] { auto x = f; x.horOfs = "east", x.angle = "x"; return x; }(), TiffDlgField::HorOfs},
        {[f] { auto x = f; x.verOfs = "1e9"; return x; }(), TiffDlgField::VerOfs},
        {[f] { auto x = f; x.angle = "x", x.mapScale = "0"; return x; }(), TiffDlgField::Angle},
        {[f] { auto x = f; x.mapScale = "0"; return x; }(), TiffDlgField::MapScale},
    };
    for (const auto& c : checks)
        EXPECT_EQ(CheckTiffDlgFields(c.f), c.failing);

    // A new offset: the map takes offset, angle (into -360..360), a grid and the scale.
    f.angle = QStringLiteral("400");
    f.mapScale = QStringLiteral("5000");
    s = DefaultSetupRecord();
    s.MapScale = 10000;
    TTmp t;
    PlaceGeoreferenced(f, g, s, t);
    EXPECT_EQ(s.RealWorldOffsetX, 612000);
    EXPECT_EQ(s.RealWorldOffsetY, 5220000);
    EXPECT_EQ(s.RealWorldAngle, 40);
    EXPECT_EQ(s.RealWorldGridDistance, 1000);
    EXPECT_EQ(s.MapScale, 5000);
    EXPECT_NE(s.RealWorldCoords, 0);
    EXPECT_DOUBLE_EQ(t.U, 0.5 / 5000 * 1e5);
    EXPECT_DOUBLE_EQ(t.V, 0.25 / 5000 * 1e5);
    EXPECT_DOUBLE_EQ(t.Angle, 40 * std::numbers::pi / 180 + 0.1);
    // The centre lands where the map's real-world system puts it.
    Cord c{};
    ASSERT_TRUE(RealWorldToCord(g.CentreX, g.CentreY, RealWorldRef{5000, 612000, 5220000, 40}, c));
    EXPECT_EQ(t.X, c.x);
    EXPECT_EQ(t.Y, c.y);
    // The existing offset: the map keeps its system and scale.
    f.newOffset = false;
    s.RealWorldGridDistance = 250;
    const SetupRecord before = s;
    PlaceGeoreferenced(f, g, s, t);
    EXPECT_EQ(s.RealWorldOffsetX, before.RealWorldOffsetX);
    EXPECT_EQ(s.MapScale, before.MapScale);
    EXPECT_EQ(s.RealWorldGridDistance, 250);
}

TEST_F(Placement, DialogsOffscreen)
{
    TempResolFields rf{true, "0", "10000", "0.0", "10000"};
    {
        TTempResolDlg dlg(nullptr, rf);
        EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("NoTempResolL"))->text(), Text(TextKey::NoTempResol));
        auto* resol = dlg.findChild<QComboBox*>(QStringLiteral("ResolB"));
        EXPECT_EQ(resol->currentText(), QStringLiteral("0"));
        EXPECT_EQ(resol->count(), 5);
        // OK with 0 dpi: its message, and the dialog stays.
        dlg.show();
        dlg.accept();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(messages.Count(), 1);
        resol->setEditText(QStringLiteral("150"));
        dlg.findChild<QLineEdit*>(QStringLiteral("AngleB"))->setText(QStringLiteral("-3.5"));
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        const TempResolFields got = dlg.Fields();
        EXPECT_EQ(got.resol, QStringLiteral("150"));
        EXPECT_EQ(got.angle, QStringLiteral("-3.5"));
    }
    rf.noResolution = false;
    rf.resol = "300";
    TTempResolDlg withDpi(nullptr, rf);
    EXPECT_EQ(withDpi.findChild<QLabel*>(QStringLiteral("NoTempResolL"))->text(), QString());

    TiffDlgFields tf{"H: 1..2", "V: 3..4", false, "1000", "2000", "0.00", "10000", "(5 / 6 / 0)"};
    TTiffDlg tiff(nullptr, tf);
    EXPECT_EQ(tiff.findChild<QLabel*>(QStringLiteral("SizeHL"))->text(), QStringLiteral("H: 1..2"));
    EXPECT_EQ(tiff.findChild<QLabel*>(QStringLiteral("ExistingOfsL"))->text(), QStringLiteral("(5 / 6 / 0)"));
    EXPECT_TRUE(tiff.findChild<QRadioButton*>(QStringLiteral("ExistingOfsB"))->isChecked());
    tiff.findChild<QRadioButton*>(QStringLiteral("NewOfsB"))->setChecked(true);
    tiff.findChild<QLineEdit*>(QStringLiteral("HorOfsB"))->setText(QStringLiteral("3000"));
    const TiffDlgFields got = tiff.Fields();
    EXPECT_TRUE(got.newOffset);
    EXPECT_EQ(got.horOfs, QStringLiteral("3000"));
    EXPECT_EQ(got.sizeV, QStringLiteral("V: 3..4"));
}

} // namespace

TEST_F(Placement, JpegAsksTheResolutionOfItsDensityAndCancelLeavesTheRasterUntouched)
{
    OpenMap();
    QByteArray ppm("P6\n3 2\n255\n");
    ppm.append(QByteArray(18, '\x40'));
    ASSERT_TRUE(WriteBytes(QStringLiteral("in.ppm"), ppm));
    const QString path = Path(QStringLiteral("pic.jpg"));
    ASSERT_TRUE(RunTool(QStringLiteral("cjpeg"), {QStringLiteral("-outfile"), path, Path(QStringLiteral("in.ppm"))}));
    // cjpeg writes no density: 0 dpi. The raster before: 1 x 1 grey, 8 bits.
    tmp = TTmp{};
    tmp.Width = 1;
    tmp.Height = 1;
    tmp.BitsPerPixel = 8;
    ASSERT_TRUE(tmp.AllocatePixels());
    tmp.Row(0)[0] = 0x77;
    std::optional<TempResolFields> shown;
    bool answer = false;
    ExternalPorts().RunTempResol.Bind([&](TempResolFields& f) {
        shown = f;
        f.resol = QStringLiteral("200");
        return answer;
    });
    EXPECT_FALSE(ReadJpegFile(path, TemplateLoadAsk));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->resol, QStringLiteral("0"));
    EXPECT_EQ(tmp.Width, 1);
    EXPECT_EQ(tmp.Height, 1);
    EXPECT_EQ(tmp.BitsPerPixel, 8);
    EXPECT_EQ(tmp.Row(0)[0], 0x77);
    answer = true;
    ASSERT_TRUE(ReadJpegFile(path, TemplateLoadAsk));
    EXPECT_EQ(tmp.Width, 3);
    EXPECT_EQ(tmp.BitsPerPixel, 24);
    EXPECT_DOUBLE_EQ(tmp.U, 12.7);

    // The same file's JFIF header set to 118 dots per centimetre: 299.72 dpi, shown as 300.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray jpeg = f.readAll();
    f.close();
    ASSERT_EQ(jpeg.mid(6, 5), QByteArray("JFIF\0", 5));
    jpeg[13] = 2;
    jpeg[14] = jpeg[16] = 0;
    jpeg[15] = jpeg[17] = 118;
    ASSERT_TRUE(WriteBytes(QStringLiteral("pic.jpg"), jpeg));
    answer = false;
    EXPECT_FALSE(ReadJpegFile(path, TemplateLoadAsk));
    EXPECT_EQ(shown->resol, QStringLiteral("300"));
}
