#include "ExportShots.h"

#include "SettingsShots.h"

#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "io/PrintSys.h"
#include "io/widgets/ExpRangeDlg.h"
#include "io/widgets/ExportDlgs.h"

namespace zemo {

void ExportDialogShots(const ShotSink& sink)
{
    if (!Stp())
        return;
    const auto shoot = [&](QDialog& d, const QString& name) { ShootDialog(sink, d, name); };
    SetupRecord setup = *Stp();
    setup.PrintRange = {-100 * 25600, -80 * 25600, 150 * 25600, 90 * 25600};
    setup.PartialRange = setup.PrintRange;
    EpsOptions eps = EpsDialogOptions();
    eps.SeparationNames = {QStringLiteral("Black"), QStringLiteral("Brown"), QStringLiteral("Blue")};
    eps.Selected = {true, false, true};
    eps.Separations = true;
    {
        TExpEpsDlg d(nullptr, eps);
        shoot(d, QStringLiteral("export-eps.png"));
    }
    AiOptions ai;
    ai.SpotAllowed = true;
    ai.SpotColors = true;
    {
        TExpAiDlg d(nullptr, ai);
        shoot(d, QStringLiteral("export-ai.png"));
    }
    ExportRangeEdit range(setup);
    {
        TExpRangeDlg d(nullptr, range);
        shoot(d, QStringLiteral("export-range.png"));
    }
    const PrintSysState printer = PrintSys;
    PrintSys.HORZSIZE = 190;
    PrintSys.VERTSIZE = 277;
    OnePageEdit page(setup);
    {
        TOnePageDlg d(nullptr, page);
        shoot(d, QStringLiteral("one-page.png"));
    }
    PrintSys = printer;
    PartialEdit partial(setup, false);
    {
        TPartialDlg d(nullptr, partial);
        shoot(d, QStringLiteral("partial-map.png"));
    }
}

} // namespace zemo
