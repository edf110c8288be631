// The TIFF export: the corner-marker map in RGB, grey and black and white, with and without
// LZW, as libtiff, tiffdump and GDAL read it; the directory's entries at their literal
// offsets; GeoTIFF tags and world files at 0 and 30 degrees against the map's own real-world
// transform; tiles, separations in files of their own, the 4 GiB limit, Esc; the dialog.
#include "MarkerMap.h"
#include "io/ExpBmp.h"
#include "io/ExpTiff.h"
#include "io/Ports.h"
#include "io/widgets/TiffDlgs.h"
#include "render/Scale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include <map>

namespace zemo::test {
namespace {

struct TiffEntry {
    int type = 0;
    uint32_t count = 0;
    uint32_t value = 0;  // a short in the first two bytes
};

// The first directory of a little-endian TIFF, by tag; empty when the head is wrong.
std::map<int, TiffEntry> Directory(const QByteArray& b, uint32_t* at = nullptr)
{
    std::map<int, TiffEntry> d;
    if (b.size() < 8 || b.left(4) != QByteArray("II*\0", 4))
        return d;
    const uint32_t ifd = Le32(b, 4);
    if (at)
        *at = ifd;
    const int n = Le16(b, int(ifd));
    for (int i = 0; i < n; ++i) {
        const int e = int(ifd) + 2 + 12 * i;
        TiffEntry t{Le16(b, e + 2), Le32(b, e + 4), Le32(b, e + 8)};
        if (t.type == 3 && t.count == 1)
            t.value &= 0xFFFF;
        d[Le16(b, e)] = t;
    }
    return d;
}

class TiffExport : public MarkerMapTest {
protected:
    TiffJob Job(const QString& name, int bits, double dpi, bool lzw = false)
    {
        TiffJob j;
        j.Rect = extent;
        j.Bits = bits;
        j.FileName = name;
        j.Lzw = lzw;
        j.Dpi = dpi;
        return j;
    }
    // The program's standard output (its complaints about a projection-less CRS go elsewhere).
    static QString Run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString();
        return QString::fromLocal8Bit(p.readAll());
    }
};

TEST_F(TiffExport, RgbStripsAndDirectoryAsLibtiffReadsThemWithAndWithoutLzw)
{
    OpenMarkerMap();
    // 300 dpi on 70 x 50 template pixels of 0.1 mm: 83 x 59 pixels, four strips of 16 rows.
    // 50 dpi: 14 x 10 pixels, one strip.
    for (const int dpi : {300, 50})
        for (const bool lzw : {false, true}) {
            SCOPED_TRACE(QStringLiteral("%1 dpi%2").arg(dpi).arg(lzw ? " LZW" : "").toStdString());
            const QString path = Samples() + QStringLiteral("/markers-%1dpi%2.tif").arg(dpi).arg(lzw ? "-lzw" : "");
            ASSERT_TRUE(WriteTiff(Job(path, 24, dpi, lzw)));
            const QByteArray b = Read(path);
            uint32_t ifd = 0;
            const auto d = Directory(b, &ifd);
            ASSERT_EQ(d.size(), 12u);
            EXPECT_EQ(ifd % 2, 0u);
            const QSize size(int(ExactRasterPixels(extent.x1, extent.x2, dpi)), int(ExactRasterPixels(extent.y1, extent.y2, dpi)));
            EXPECT_EQ(d.at(256).value, uint32_t(size.width()));
            EXPECT_EQ(d.at(257).value, uint32_t(size.height()));
            EXPECT_EQ(d.at(258).count, 3u);
            EXPECT_EQ(Le16(b, int(d.at(258).value)), 8);
            EXPECT_EQ(d.at(259).value, lzw ? 5u : 1u);
            EXPECT_EQ(d.at(262).value, 2u);
            EXPECT_EQ(d.at(277).value, 3u);
            EXPECT_EQ(d.at(278).value, uint32_t(std::min(16, size.height())));
            const uint32_t strips = uint32_t((size.height() + 15) / 16);
            EXPECT_EQ(d.at(273).count, strips);
            EXPECT_EQ(d.at(279).count, strips);
            if (strips == 1) {
                // Inline: the strip starts right after the head.
                EXPECT_EQ(d.at(273).value, 8u);
                if (!lzw) {
                    EXPECT_EQ(d.at(279).value, uint32_t(size.width() * 3 * size.height()));
                }
            } else {
                for (uint32_t i = 0; i < strips; ++i)
                    EXPECT_EQ(Le32(b, int(d.at(273).value + 4 * i)) % 2, 0u) << "strip " << i;
            }
            // The resolution: 3000 x dpi / 3000, in inches.
            EXPECT_EQ(Le32(b, int(d.at(282).value)), uint32_t(3000 * dpi));
            EXPECT_EQ(Le32(b, int(d.at(282).value + 4)), 3000u);
            EXPECT_EQ(d.at(283).value, d.at(282).value + 8);
            EXPECT_EQ(d.at(296).value, 2u);

            const RgbPicture tiff = LibTiffPicture(path);
            ASSERT_EQ(tiff.width, size.width());
            const QString bmp = InMaps(QStringLiteral("same.bmp"));
            ASSERT_EQ(RenderBmp(extent, bmp, false, false, dpi), RasterResult::Written);
            EXPECT_EQ(tiff, QtPicture(bmp));
            // tiffdump lists one line an entry after the directory's line.
            const QStringList dump = Run(QStringLiteral("tiffdump"), {path}).split(u'\n', Qt::SkipEmptyParts);
            ASSERT_GE(dump.size(), 3);
            EXPECT_TRUE(dump[2].startsWith(QStringLiteral("Directory 0: offset %1 ").arg(ifd))) << dump[2].toStdString();
            EXPECT_EQ(dump.size() - 3, 12);
        }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(TiffExport, GreyAndBlackAndWhiteRows)
{
    // Pixels in the band's order: blue, green, red.
    const struct {
        std::vector<uint8_t> bgr;
        int bits;
        std::vector<uint8_t> want;
    } cases[] = {
        {{127, 200, 200, 128, 128, 128}, 1, {0x80}},          // (200, 200, 127) black, grey 128 white
        {std::vector<uint8_t>(30, 0), 1, {0xFF, 0xC0}},          // 10 pixels in 2 bytes, padded with 0
        {{10, 20, 30, 255, 0, 0}, 8, {10, 255}},                 // the first byte is the level
        {{10, 20, 30}, 24, {30, 20, 10}},                        // red, green, blue
    };
    for (const auto& c : cases) {
        const int width = int(c.bgr.size() / 3);
        std::vector<uint8_t> out(c.want.size(), 0x55);
        TiffStripWriter::ConvertRow(c.bgr.data(), width, c.bits, out.data());
        EXPECT_EQ(out, c.want) << c.bits << " bits, " << width << " pixels";
    }

    OpenMarkerMap();
    const struct {
        int bits;
        size_t entries;
        int photometric;
    } kinds[] = {{8, 11, 1}, {1, 10, 0}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.bits);
        const QString path = Samples() + QStringLiteral("/markers-%1bit.tif").arg(k.bits);
        ASSERT_TRUE(WriteTiff(Job(path, k.bits, Dpi, true)));
        const auto d = Directory(Read(path));
        EXPECT_EQ(d.size(), k.entries);
        EXPECT_EQ(d.at(262).value, uint32_t(k.photometric));
        EXPECT_EQ(d.count(258), k.bits == 8 ? 1u : 0u);
        const RgbPicture p = LibTiffPicture(path);
        ASSERT_EQ(p.width, W);
        // The diagonal is black; white stays white; the blue marker is dark in the blue-led
        // grey, the red one light.
        EXPECT_EQ(p.pixels[size_t(10 * W + 13)], 0u);
        EXPECT_EQ(p.pixels[size_t(10 * W + 30)], 0xFFFFFFu);
        if (k.bits == 8) {
            EXPECT_EQ(p.pixels[size_t((H - 1) * W)], 0xFFFFFFu);
            EXPECT_EQ(p.pixels[0], 0u);
        }
    }
}

TEST_F(TiffExport, GeoTiffCornersAsGdalReadsThemAtZeroAndThirtyDegrees)
{
    OpenMarkerMap();
    TZmd& z = *Index.ActiveZmd;
    z.Setup.MapScale = 10000;
    z.Setup.RealWorldOffsetX = 600000;
    z.Setup.RealWorldOffsetY = 5200000;
    for (const double angle : {0.0, 30.0}) {
        SCOPED_TRACE(angle);
        z.Setup.RealWorldAngle = angle;
        // 1 m pixels at 1:10000: 254 dpi.
        TiffOptions o;
        o.Geo = true;
        o.PixelSize = QStringLiteral("1");
        TiffJob j = Job(Samples() + QStringLiteral("/markers-geo-%1.tif").arg(int(angle)), 24, 0);
        j.Dpi = z.Setup.MapScale * (0.0254 / 1.0);
        EXPECT_DOUBLE_EQ(j.Dpi, 254);
        j.Geo = j.Tfw = true;
        j.PixelSize = 1;
        ASSERT_TRUE(WriteTiff(j));
        const auto d = Directory(Read(j.FileName));
        EXPECT_EQ(d.size(), angle == 0 ? 15u : 14u);
        EXPECT_EQ(d.count(34264), angle == 0 ? 0u : 1u);

        const RealWorldRef ref{z.Setup.MapScale, z.Setup.RealWorldOffsetX, z.Setup.RealWorldOffsetY, angle};
        const auto corner = [&](int32_t x, int32_t y) {
            double e = 0, n = 0;
            EXPECT_TRUE(CordToRealWorld({x, y}, ref, e, n));
            return std::pair(e, n);
        };
        const std::map<QString, std::pair<double, double>> want{
            {QStringLiteral("upperLeft"), corner(extent.x1, extent.y2)},
            {QStringLiteral("upperRight"), corner(extent.x2, extent.y2)},
            {QStringLiteral("lowerLeft"), corner(extent.x1, extent.y1)},
            {QStringLiteral("lowerRight"), corner(extent.x2, extent.y1)}};
        // From the GeoTIFF tags, and from the world file alone.
        for (const char* source : {"", "WORLDFILE"}) {
            SCOPED_TRACE(source);
            QStringList args{QStringLiteral("-json")};
            if (*source)
                args << QStringLiteral("-oo") << QStringLiteral("GEOREF_SOURCES=WORLDFILE");
            const QJsonObject info = QJsonDocument::fromJson(Run(QStringLiteral("gdalinfo"), args << j.FileName).toUtf8()).object();
            const QJsonObject corners = info.value(QLatin1String("cornerCoordinates")).toObject();
            ASSERT_FALSE(corners.isEmpty());
            for (const auto& [name, en] : want) {
                const QJsonArray c = corners.value(name).toArray();
                EXPECT_NEAR(c[0].toDouble(), en.first, 0.5) << name.toStdString();
                EXPECT_NEAR(c[1].toDouble(), en.second, 0.5) << name.toStdString();
            }
        }
    }
}

TEST_F(TiffExport, TilesStepByTheirPixelsAndTheDpi)
{
    const CordRect r{0, 0, 100 * Mm, 50 * Mm};
    const TilePlan p = PlanTiles(r, TileSize{400, 300}, 254);
    EXPECT_EQ(p.StepX, 40 * Mm);
    EXPECT_EQ(p.StepY, 30 * Mm);
    EXPECT_EQ(p.Columns, 3);
    EXPECT_EQ(p.Rows, 2);
    EXPECT_EQ(PlanTiles(CordRect{0, 0, 80 * Mm, 30 * Mm}, TileSize{400, 300}, 254).Columns, 2);

    // File > Export TIFF with tiles of 40 x 30 pixels over the 70 x 50 marker map at 254 dpi:
    // columns 0 and 1, rows 0 and 1, each tile of the full size.
    OpenMarkerMap();
    SaveTileSize({40, 30});
    EXPECT_EQ(TiffTileSize().Width, 40);
    IoPorts().RunTiffDialog.Bind([](TiffOptions& o) {
        o.Resolution = QStringLiteral("254");
        o.Tiles = true;
        o.AntiAlias = o.ColorCorrection = false;
        return true;
    });
    dialogs.QueueAnswer(true, InMaps(QStringLiteral("tile_0_0.tif")));
    ExportTiff();
    for (const char* name : {"tile_0_0.tif", "tile_1_0.tif", "tile_0_1.tif", "tile_1_1.tif"}) {
        SCOPED_TRACE(name);
        const auto d = Directory(Read(InMaps(QLatin1String(name))));
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(d.at(256).value, 40u);
        EXPECT_EQ(d.at(257).value, 30u);
    }
    EXPECT_FALSE(QFile::exists(InMaps(QStringLiteral("tile_2_0.tif"))));
    // The bottom-left tile holds the blue marker at its left, 10 rows from its top.
    const RgbPicture bottomLeft = LibTiffPicture(InMaps(QStringLiteral("tile_0_0.tif")));
    EXPECT_EQ(bottomLeft.pixels[size_t(29 * 40)], 0x0000FFu);
    // The settings strings keep what the dialog stored.
    EXPECT_EQ(TiffDialogOptions().Tiles, true);
    EXPECT_EQ(TiffDialogOptions().Resolution, QStringLiteral("254"));
    EXPECT_EQ(TiffSettingsString(TiffDialogOptions()),
              QStringLiteral("\to0\tb0\tg0\tr254\ts10.00\tp0\tt1\ta0\tl0\tc1"));
}

TEST_F(TiffExport, RefusedBeyondFourGigabytesAndEscLeavesNothing)
{
    OpenMarkerMap();
    // 0.01 m pixels at 1:15000: 38100 dpi; the 7 x 5 mm map is 10500 x 7500 pixels, 236 MB of
    // RGB: written offsets stay below 4 GiB. A 100 x 100 mm rectangle would not.
    TiffJob big = Job(InMaps(QStringLiteral("big.tif")), 24, 38100);
    big.Rect = {0, 0, 100 * Mm, 100 * Mm};
    EXPECT_FALSE(WriteTiff(big));
    EXPECT_EQ(messages.CountOf(TextKey::BmpResTooHigh), 1);
    // 1 bit with LZW at 150 x 150 mm: 6.3 GB in LZW's worst case.
    big.Bits = 1;
    big.Lzw = true;
    big.Rect = {0, 0, 150 * Mm, 150 * Mm};
    EXPECT_FALSE(WriteTiff(big));
    EXPECT_EQ(messages.CountOf(TextKey::BmpResTooHigh), 2);

    escAt = 2;
    EXPECT_FALSE(WriteTiff(Job(InMaps(QStringLiteral("esc.tif")), 24, Dpi)));
    EXPECT_EQ(messages.CountOf(TextKey::ExportAborted), 1);
    EXPECT_EQ(FilesInMaps(), (QStringList{"map.zmd", "markers.tpx"}));
}

TEST_F(TiffExport, SeparationsGoToFilesOfTheirOwnNames)
{
    TestMapWriter w(8);
    TestColor black;
    black.number = 0;
    black.separationPercent[0] = 200;
    TestColor blue = TestColor::Cmyk(1, "Blue", 200, 0, 0, 0);
    blue.separationPercent[1] = 200;
    w.colors = {black, blue};
    TestSeparation s0;
    s0.name = "Black";
    TestSeparation s1;
    s1.name = "Blue";
    TestSeparation s2;
    s2.name = "";
    w.separations = {s0, s1, s2};
    w.symbols = {TestSymbol::Line(10, 0, 50), TestSymbol::Line(20, 1, 50)};
    w.objects = {TestObject::Line(10, {{0, 0}, {5 * Mm, 0}}), TestObject::Line(20, {{0, -2 * Mm}, {5 * Mm, -2 * Mm}})};
    ASSERT_NE(Open(w), nullptr);
    IoPorts().RunTiffDialog.Bind([](TiffOptions& o) {
        o.Separations = true;
        o.Selected = {true, true, true};
        o.Resolution = QStringLiteral("254");
        return true;
    });
    dialogs.QueueAnswer(true, InMaps(QStringLiteral("Black.tif")));
    ExportTiff();
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(FilesInMaps(), (QStringList{"Black.tif", "Blue.tif", "map.zmd"}));
    for (const char* name : {"Black.tif", "Blue.tif"}) {
        const auto d = Directory(Read(InMaps(QLatin1String(name))));
        ASSERT_EQ(d.size(), 11u) << name;
        EXPECT_EQ(d.at(262).value, 1u);
    }
}

TEST_F(TiffExport, TheDialogSwitchesBetweenDpiAndPixelSizeAndChecksTheOneChosen)
{
    OpenMarkerMap();
    TiffOptions o = TiffDialogOptions();
    EXPECT_EQ(o.Resolution, QStringLiteral("300"));
    EXPECT_EQ(o.PixelSize, QStringLiteral("10.00"));
    TExpTiffDlg dlg(nullptr, o);
    auto* noGeo = dlg.findChild<QRadioButton*>(QStringLiteral("NoGeoB"));
    auto* geo = dlg.findChild<QRadioButton*>(QStringLiteral("GeoB"));
    auto* resol = dlg.findChild<QComboBox*>(QStringLiteral("ResolB"));
    auto* pixel = dlg.findChild<QLineEdit*>(QStringLiteral("PixelSizeB"));
    auto* tfw = dlg.findChild<QCheckBox*>(QStringLiteral("TfwB"));
    EXPECT_TRUE(noGeo->isChecked());
    EXPECT_FALSE(dlg.findChild<QRadioButton*>(QStringLiteral("SpotB"))->isEnabled());
    tfw->click();
    EXPECT_TRUE(geo->isChecked());
    resol->setEditText(QStringLiteral("150"));
    EXPECT_TRUE(noGeo->isChecked());
    // As typing does.
    Q_EMIT pixel->textEdited(QStringLiteral("12"));
    EXPECT_TRUE(geo->isChecked());
    // A pixel size that is no number, then 0: the dialog stays.
    pixel->setText(QStringLiteral("abc"));
    dlg.accept();
    EXPECT_EQ(messages.Count(), 1);
    pixel->setText(QStringLiteral("0"));
    dlg.accept();
    EXPECT_EQ(messages.CountOf(TextKey::MustPositive), 1);
    // Dpi chosen: the pixel size is not looked at, the resolution is.
    noGeo->setChecked(true);
    resol->setEditText(QStringLiteral("49"));
    dlg.accept();
    EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
    resol->setEditText(QStringLiteral("2540"));
    dlg.accept();
    EXPECT_EQ(messages.Count(), 3);
    EXPECT_EQ(o.Resolution, QStringLiteral("2540"));
    EXPECT_FALSE(o.Geo);
    EXPECT_TRUE(o.Tfw);
}

} // namespace
} // namespace zemo::test
