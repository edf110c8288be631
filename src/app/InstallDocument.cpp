#include "app/Install.h"

#include "core/Ports.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/widgets/BackupDlg.h"
#include "document/widgets/RestoreDlg.h"

#include <QApplication>

namespace zemo {

void InstallDocument()
{
    CorePorts().CurrentMapPath.Bind([] { return DocumentPath(Index.ActiveZmd); });
    CorePorts().CurrentZoom.Bind([](double& zoom) {
        if (!Index.MapOpen || !Index.ActiveZmd)
            return false;
        zoom = Index.ActiveZmd->Setup.Zoom;
        return true;
    });
    // The backup's and the restore's questions over the window that is up.
    DocumentPorts().RunDiskNotEmptyDlg.Bind([](const QStringList& foreign) {
        return ExecDiskNotEmptyDlg(QApplication::activeWindow(), foreign);
    });
    DocumentPorts().RunRestoreNextDlg.Bind([](int disk) {
        return ExecRestoreNextDlg(QApplication::activeWindow(), disk);
    });
}

} // namespace zemo
