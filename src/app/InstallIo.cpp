#include "app/Install.h"

#include "io/Ports.h"
#include "io/widgets/ExpRangeDlg.h"
#include "io/widgets/ExportDlgs.h"

#include <QApplication>

namespace zemo {

void InstallIo()
{
    // The export dialogs, over the active window.
    const auto top = [] { return QApplication::activeWindow(); };
    IoPortSet& io = IoPorts();
    io.RunExportRangeDialog.Bind([top](ExportRangeEdit& e) { return ExecExpRangeDlg(top(), e); });
    io.RunOnePageDialog.Bind([top](OnePageEdit& e) { return ExecOnePageDlg(top(), e); });
    io.RunEpsDialog.Bind([top](EpsOptions& o) { return ExecExpEpsDlg(top(), o); });
    io.RunAiDialog.Bind([top](AiOptions& o) { return ExecExpAiDlg(top(), o); });
    io.RunPartialDialog.Bind([top](PartialEdit& e) { return ExecPartialDlg(top(), e); });
    RegisterIoWorkers();
}

} // namespace zemo
