// File > Export BMP, GIF and JPEG in the running program: the dialogs refuse 49 and 2541 dpi
// and stay open, the BMP dialog's size preview follows the resolution, OK writes the file the
// save dialog named at the size the resolution gives.
#include "../support/ProgramFixture.h"
#include "core/Config.h"
#include "core/Cord.h"
#include "core/FieldChecks.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "io/ExpBmp.h"
#include "io/ExpRaster.h"
#include "io/Export.h"
#include "io/widgets/RasterExpDlgs.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTimer>

namespace zemo::test {
namespace {

constexpr int32_t Mm = 25600;

class RasterExportMenus : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
        const std::vector<Cord> line{{-20 * Mm, 0}, {0, 10 * Mm}, {20 * Mm, -5 * Mm}};
        ASSERT_TRUE(InitElement(CurElement, 1010, LineObject, uint16_t(line.size()), 0, 0));
        std::copy(line.begin(), line.end(), CurElement.Cords());
        ASSERT_TRUE(AppendElement());
    }
};

TEST_F(RasterExportMenus, DialogsRefuseResolutionsOutOfRangeAndOkWritesTheFile)
{
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    const struct {
        Cmd cmd;
        const char* file;
    } cases[] = {{Cmd::FileExportBmp, "out.bmp"}, {Cmd::FileExportGif, "out.gif"}, {Cmd::FileExportJpeg, "out.jpg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c.cmd)->isEnabled());
        const QString target = TempPath(QLatin1String(c.file));
        dialogs.QueueAnswer(true, target);
        messages.Clear();
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TRasterExpDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            ran = true;
            auto* resol = dlg->findChild<QComboBox*>(QStringLiteral("ResolB"));
            EXPECT_EQ(resol->currentText(), QStringLiteral("150"));
            EXPECT_TRUE(dlg->findChild<QCheckBox*>(QStringLiteral("AntialiasB"))->isChecked());
            EXPECT_TRUE(dlg->findChild<QCheckBox*>(QStringLiteral("ColorCorB"))->isChecked());
            for (const char* refused : {"49", "2541", "1x"}) {
                resol->setEditText(QLatin1String(refused));
                dlg->accept();
                EXPECT_TRUE(dlg->isVisible()) << refused;
            }
            EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 2);
            for (const char* accepted : {"2540", "50"}) {
                resol->setEditText(QLatin1String(accepted));
                EXPECT_TRUE(CheckDpiText(resol->currentText(), QString(), 50, 2540).ok);
            }
            resol->setEditText(QStringLiteral("100"));
            dlg->findChild<QCheckBox*>(QStringLiteral("AntialiasB"))->setChecked(false);
            dlg->accept();
            EXPECT_FALSE(dlg->isVisible());
        });
        Trigger(c.cmd);
        EXPECT_TRUE(ran);
        const QImage image(target);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), RasterSize(extent, 100));
    }
}

TEST_F(RasterExportMenus, TheBmpPreviewFollowsTheResolution)
{
    CordRect extent;
    ASSERT_TRUE(ExportExtent(false, extent));
    RasterExpOptions o;
    TExpBmpDlg dlg(nullptr, o);
    auto* resol = dlg.findChild<QComboBox*>(QStringLiteral("ResolB"));
    auto* size = dlg.findChild<QLabel*>(QStringLiteral("FileSizeB"));
    const QSize at150 = RasterSize(extent, 150);
    EXPECT_EQ(size->text(), QString::number(int64_t(at150.width()) * 3 * at150.height() + 54));
    resol->setEditText(QStringLiteral("300"));
    const QSize at300 = RasterSize(extent, 300);
    EXPECT_EQ(size->text(), QString::number(int64_t(at300.width()) * 3 * at300.height() + 54));
    resol->setEditText(QStringLiteral("3oo"));
    EXPECT_EQ(size->text(), QString());
}

// The map is untitled: each export proposes "Untitled" with its extension in the map folder,
// or in the remembered export folder, which the SVG export neither reads nor sets.
TEST_F(RasterExportMenus, AnUntitledMapProposesItsNameInTheMapFolder)
{
    const QString mapFolder = QDir::cleanPath(GetMapFolder());
    const QString elsewhere = QDir::cleanPath(TempPath(QStringLiteral("elsewhere")));
    const struct {
        Cmd cmd;
        const char* name;
        bool svg;
    } cases[] = {{Cmd::FileExportBmp, "Untitled.bmp", false}, {Cmd::FileExportGif, "Untitled.gif", false},
                 {Cmd::FileExportJpeg, "Untitled.jpg", false}, {Cmd::FileExportTiff, "Untitled.tif", false},
                 {Cmd::FileExportSvg, "Untitled.svg", true}};
    for (const QString& exportFolder : {QString(), elsewhere}) {
        ProgramConfig.ExportFolder = exportFolder;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + exportFolder.toStdString());
            // The options dialog takes OK, the save dialog Cancel.
            QTimer::singleShot(0, [] {
                if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    dlg->accept();
            });
            const size_t asked = dialogs.Requests().size();
            dialogs.QueueAnswer(false);
            Frame().UpdateCommandStates();
            Trigger(c.cmd);
            ASSERT_EQ(dialogs.Requests().size(), asked + 1);
            const FileDialogRequest& r = dialogs.Requests().back();
            EXPECT_EQ(r.fileName, QLatin1String(c.name));
            EXPECT_EQ(QDir::cleanPath(r.initialFolder), exportFolder.isEmpty() || c.svg ? mapFolder : exportFolder);
            EXPECT_EQ(ProgramConfig.ExportFolder, exportFolder);
        }
    }
    EXPECT_EQ(messages.Count(), 0);
}

} // namespace
} // namespace zemo::test
