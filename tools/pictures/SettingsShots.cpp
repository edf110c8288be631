#include "SettingsShots.h"

#include "document/Index.h"
#include "shell/MapInfo.h"
#include "shell/widgets/AboutDlg.h"
#include "shell/widgets/ChkFontsDlg.h"
#include "shell/widgets/MapInfoDlg.h"
#include "shell/widgets/PreferencesDlg.h"
#include "shell/widgets/ScalesDlg.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QTabWidget>

namespace zemo {

void ShootDialog(const ShotSink& sink, QDialog& d, const QString& name)
{
    d.show();
    sink.settle(400);
    const QRect r = d.frameGeometry();
    const QImage img =
        QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
    d.hide();
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            colours.insert(img.pixel(x, y));
    if (img.isNull() || !sink.save(img, name))
        sink.fail(name + QStringLiteral(" is not saved"));
    else if (colours.size() <= 3)
        sink.fail(name + QStringLiteral(" is nearly blank"));
}

void SettingsDialogShots(const ShotSink& sink)
{
    const auto shoot = [&](QDialog& d, const QString& name) { ShootDialog(sink, d, name); };
    TPreferencesDlg prefs(nullptr);
    auto* pages = prefs.findChild<QTabWidget*>();
    for (const char* page : {"general", "additional", "warnings"}) {
        shoot(prefs, QStringLiteral("preferences-%1.png").arg(QLatin1String(page)));
        pages->setCurrentIndex(pages->currentIndex() + 1);
    }
    if (Index.ActiveZmd) {
        TScalesDlg scales(nullptr, Index.ActiveZmd->Setup);
        shoot(scales, QStringLiteral("scales.png"));
    }
    TMapInfoDlg info(nullptr, MapInfoOf(ReadMachineFacts()));
    shoot(info, QStringLiteral("map-information.png"));
    TAboutDlg about(nullptr);
    shoot(about, QStringLiteral("about.png"));
    TChkFontsDlg fonts(nullptr, {QStringLiteral("40.0: Frutiger 55"), QStringLiteral("41.0: Frutiger 55"),
                                 QStringLiteral("52.1: Univers Condensed")});
    shoot(fonts, QStringLiteral("missing-fonts.png"));
}

} // namespace zemo
