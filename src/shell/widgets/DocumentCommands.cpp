#include "shell/widgets/DocumentCommands.h"

#include "core/Status.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/widgets/BackupDlg.h"
#include "document/widgets/DocumentDialogs.h"
#include "document/widgets/RestoreDlg.h"
#include "edit/Work.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace zemo {

void RegisterDocumentCommands()
{
    RegisterWorker(Cmd::FileNew, [] { NewMap(MainFrame()); });
    RegisterWorker(Cmd::FileOpen, [] { OpenMapDialog(); });
    RegisterWorker(Cmd::FileSave, [] { SaveMap(false); });
    RegisterWorker(Cmd::FileSaveAs, [] { SaveMap(true); });
    RegisterWorker(Cmd::FileInfo, [] { EditFileInfo(MainFrame()); });
    RegisterWorker(Cmd::FileBackup, [] { BackupMapCommand(MainFrame()); });
    RegisterWorker(Cmd::FileRestore, [] { RestoreMapCommand(MainFrame()); });
    const Cmd recent[] = {Cmd::FileList1, Cmd::FileList2, Cmd::FileList3, Cmd::FileList4, Cmd::FileList5};
    for (int n = 1; n <= 5; ++n)
        RegisterWorker(recent[n - 1], [n] { OpenRecentMap(n); });
    RegisterWorker(Cmd::SymbolLoadCol, [] { LoadColorsFromMap(); });
    RegisterWorker(Cmd::SymbolLoad, [] { LoadSymbolsFromMap(); });
    // The window's own close asks about unsaved changes; a map without a window (none
    // registered yet) is asked the same before it is closed as a document.
    RegisterWorker(Cmd::FileClose, [] {
        EndTool();
        TMainFm* fm = MainFrame();
        if (QMdiSubWindow* w = fm ? fm->MdiArea()->activeSubWindow() : nullptr) {
            w->close();
        } else if (TZmd* z = Index.ActiveZmd) {
            if (!ConfirmCloseDocument(*z))
                return;
            const QString path = DocumentPath(z);
            CloseDocument(z);
            AddRecentFile(path);
        }
    });
}

} // namespace zemo
