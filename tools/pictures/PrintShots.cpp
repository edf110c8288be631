#include "PrintShots.h"

#include "SettingsShots.h"

#include "document/Index.h"
#include "io/widgets/PrintDlg.h"

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
}

} // namespace zemo
