#include "TemplateShots.h"

#include "SettingsShots.h"

#include "core/LangTexts.h"
#include "core/Setup.h"
#include "external/widgets/TempOptDlg.h"
#include "external/widgets/TempResolDlg.h"
#include "external/widgets/TemplateDlg.h"
#include "external/widgets/TiffDlg.h"

#include <QListWidget>

namespace zemo {

void TemplateDialogShots(const ShotSink& sink)
{
    const auto shoot = [&](QDialog& d, const QString& name) { ShootDialog(sink, d, name); };
    TempOptValues raster;
    raster.name = QStringLiteral("scan-north.tif");
    raster.separations = {QStringLiteral("Black"), QStringLiteral("Brown")};
    raster.dim = 30;
    raster.transparent = true;
    raster.assign = true;
    raster.spot = 1;
    {
        TTempOptDlg d(nullptr, raster);
        shoot(d, QStringLiteral("template-options-raster.png"));
    }
    TempOptValues map;
    map.name = QStringLiteral("neighbour.zmd");
    map.mapTemplate = true;
    map.separations = raster.separations;
    map.dim = 50;
    map.render = true;
    {
        TTempOptDlg d(nullptr, map);
        shoot(d, QStringLiteral("template-options-map.png"));
    }
    TemplateListRequest close;
    close.caption = Text(TextKey::CloseTemplate);
    close.names = {QStringLiteral("scan-north.tif"), QStringLiteral("neighbour.zmd"), QStringLiteral("old.bmp")};
    close.several = true;
    {
        TTemplateDlg d(nullptr, close);
        if (auto* list = d.findChild<QListWidget*>())
            list->item(2)->setSelected(true);
        shoot(d, QStringLiteral("template-close.png"));
    }
    SetupRecord setup = DefaultSetupRecord();
    setup.MapScale = 15000;
    {
        TTempResolDlg d(nullptr, TempResolFieldsOf(0, setup, {}));
        shoot(d, QStringLiteral("template-resolution.png"));
    }
    TiffGeoref g;
    g.ScaleX = g.ScaleY = 0.5;
    g.CentreX = 612345;
    g.CentreY = 5219876;
    {
        TTiffDlg d(nullptr, TiffDlgFieldsOf(g, 8000, 6000, setup));
        shoot(d, QStringLiteral("template-georeference.png"));
    }
}

} // namespace zemo
