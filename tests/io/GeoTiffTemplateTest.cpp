// A georeferenced TIFF export read back by Template > Open: at 0 and 30 degrees, from its
// GeoTIFF tags and from its world file, the template lies on the rectangle it was made of;
// listgeo reads its keys.
#include "../support/ProgramFixture.h"
#include "core/Config.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "external/widgets/TiffDlg.h"
#include "io/ExpTiff.h"
#include "io/Export.h"
#include "shell/widgets/MainFm.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <numbers>

using namespace zemo;
using namespace zemo::test;

namespace {

class GeoTiffTemplate : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(10, 0, 40)};
        w.objects = {TestObject::Line(10, {{5 * kUnitsPerMm, -3 * kUnitsPerMm}, {25 * kUnitsPerMm, -12 * kUnitsPerMm}})};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("map.zmd")));
        SetupRecord& s = Index.ActiveZmd->Setup;
        s.MapScale = 10000;
        s.RealWorldOffsetX = 600000;
        s.RealWorldOffsetY = 5200000;
        s.RealWorldCoords = 0xFFFF;  // shown in real-world coordinates
    }
    // Template > Open of the file with the georeference dialog's OK; whether it kept the map's
    // own offset.
    bool OpenAccepted(const QString& path, bool& existingOffset)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TTiffDlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            ran = true;
            existingOffset = dlg->findChild<QRadioButton*>(QStringLiteral("ExistingOfsB"))->isChecked();
            dlg->accept();
        });
        dialogs.QueueAnswer(true, path);
        Frame().UpdateCommandStates();
        Trigger(Cmd::TemplateOpen);
        Settle();
        return ran;
    }
};

TEST_F(GeoTiffTemplate, TheExportReadBackLiesOnItsRectangle)
{
    CordRect rect;
    ASSERT_TRUE(ExportExtent(false, rect));
    int opened = 0;
    for (const double angle : {0.0, 30.0})
        for (const bool worldFile : {false, true}) {
            SCOPED_TRACE(angle + worldFile);
            Index.ActiveZmd->Setup.RealWorldAngle = angle;
            TiffJob j;
            j.Rect = rect;
            j.FileName = TempPath(QStringLiteral("export-%1-%2.tif").arg(int(angle)).arg(int(worldFile)));
            j.Lzw = true;
            j.Geo = true;
            j.Tfw = worldFile;
            j.PixelSize = 1;  // 1 m at 1:10000: 254 dpi, 0.1 mm a pixel on the map
            j.Dpi = 254;
            ASSERT_TRUE(WriteTiff(j));
            ASSERT_EQ(QFile::exists(j.FileName.chopped(4) + QStringLiteral(".tfw")), worldFile);
            // libgeotiff reads the key directory: projected, pixels are areas; the turned
            // export carries a transformation in place of scale and tie point.
            QProcess listgeo;
            listgeo.start(QStringLiteral("listgeo"), {j.FileName});
            ASSERT_TRUE(listgeo.waitForFinished(60000));
            const QString keys = QString::fromLatin1(listgeo.readAllStandardOutput());
            EXPECT_TRUE(keys.contains(QLatin1String("Key_Revision: 1.0"))) << keys.toStdString();
            EXPECT_TRUE(keys.contains(QLatin1String("GTModelTypeGeoKey (Short,1): ModelTypeProjected")));
            EXPECT_TRUE(keys.contains(QLatin1String("GTRasterTypeGeoKey (Short,1): RasterPixelIsArea")));
            EXPECT_EQ(keys.contains(QLatin1String("ModelTransformationTag")), angle != 0);
            EXPECT_EQ(keys.contains(QLatin1String("ModelTiepointTag")), angle == 0);
            bool existing = false;
            ASSERT_TRUE(OpenAccepted(j.FileName, existing));
            EXPECT_TRUE(existing);
            const auto& items = Index.ActiveZmd->Templates.Items();
            ASSERT_EQ(int(items.size()), ++opened);
            // The newest template comes first.
            const QString t = items.front().Text;
            EXPECT_TRUE(t.startsWith(QFileInfo(j.FileName).fileName() + u'\t')) << t.toStdString();
            // The map's system stays as it was.
            EXPECT_EQ(Index.ActiveZmd->Setup.RealWorldAngle, angle);
            EXPECT_EQ(Index.ActiveZmd->Setup.RealWorldOffsetX, 600000);

            // Centre, pixel size and turn on the map, in 0.01 mm; the image is whole pixels of
            // the rectangle, so its corners lie within half a pixel (5) of the rectangle's.
            const double cx = GetParamInt(t, u'x', 0), cy = GetParamInt(t, u'y', 0);
            const double u = GetParamFloat(t, u'u', 0), v = GetParamFloat(t, u'v', 0);
            const double a = GetParamFloat(t, u'a', 99) * std::numbers::pi / 180;
            EXPECT_NEAR(u, 10, 1e-6);
            EXPECT_NEAR(v, 10, 1e-6);
            EXPECT_NEAR(a, 0, 1e-6);
            const int width = int(std::nearbyint((rect.x2 - rect.x1) / 256 / 10.0));
            const int height = int(std::nearbyint((rect.y2 - rect.y1) / 256 / 10.0));
            for (const auto& [sx, sy] : {std::pair(-1, 1), std::pair(1, 1), std::pair(-1, -1), std::pair(1, -1)}) {
                const double hx = sx * width * u / 2, hy = sy * height * v / 2;
                const double mx = cx + hx * std::cos(a) - hy * std::sin(a);
                const double my = cy + hx * std::sin(a) + hy * std::cos(a);
                EXPECT_NEAR(mx, (sx < 0 ? rect.x1 : rect.x2) / 256.0, 6) << sx << "," << sy;
                EXPECT_NEAR(my, (sy < 0 ? rect.y1 : rect.y2) / 256.0, 6) << sx << "," << sy;
            }
        }
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
