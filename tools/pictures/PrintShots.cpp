#include "PrintShots.h"

#include "SettingsShots.h"

#include "document/Index.h"
#include "io/PrintSys.h"
#include "io/widgets/PrintDlg.h"
#include "io/widgets/PrintRangeDlg.h"

#include <QTabWidget>

namespace zemo {

void PrintDialogShots(const ShotSink& sink)
{
    const SetupRecord* s = Stp();
    if (!s)
        return;
    PrintOptions o;
    o.Printers = {QStringLiteral("Office"), QStringLiteral("PostScript")};
    o.SeparationNames = {QStringLiteral("Black"), QStringLiteral("Brown"), QStringLiteral("Blue")};
    o.Selected = {true, false, true};
    o.MapScale = s->MapScale;
    o.PrintScale = s->MapScale;
    o.Copies = 2;
    o.Grid = true;
    TPrintDlg d(nullptr, o);
    ShootDialog(sink, d, QStringLiteral("print-general.png"));
    d.findChild<QTabWidget*>(QStringLiteral("PageControl"))->setCurrentIndex(1);
    ShootDialog(sink, d, QStringLiteral("print-options.png"));

    // The partial map over an A4 page at the map scale: 3 pages across and 2 down.
    PrintSysState page = PrintSys;
    PrintSys.LOGPIXELSX = PrintSys.LOGPIXELSY = 600;
    PrintSys.HORZSIZE = 190;
    PrintSys.VERTSIZE = 277;
    SetupRecord range = *s;
    range.PrintScale = s->MapScale;
    range.PrintRange = {0, 0, 500 * 25600, 500 * 25600};
    range.PrintOverlapX = 500;
    range.PrintOverlapY = 700;
    PrintRangeEdit edit(range);
    TPrintRangeDlg r(nullptr, edit);
    ShootDialog(sink, r, QStringLiteral("print-range.png"));
    PrintSys = page;
}

} // namespace zemo
