#include "shell/widgets/ExtrasCommands.h"

#include "document/Subset.h"
#include "document/widgets/OptimizeDlg.h"
#include "edit/ChangeSym.h"
#include "edit/GridLine.h"
#include "edit/MapTrans.h"
#include "edit/Pick.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

namespace zemo {

void RegisterExtrasCommands()
{
    RegisterWorker(Cmd::ExtrasMove, MoveMap);
    RegisterWorker(Cmd::ExtrasStretch, StretchMap);
    RegisterWorker(Cmd::ExtrasRotate, RotateMap);
    RegisterWorker(Cmd::ExtrasChangeSym, ChangeSymbols);
    RegisterWorker(Cmd::ExtrasChangeScale, ChangeScale);
    RegisterWorker(Cmd::ExtrasGridLine, CreateGridLines);
    // Objects get new numbers: nothing stays selected.
    RegisterWorker(Cmd::ExtrasOptimize, [] {
        DropSelection();
        OptimizeAndReport(MainFrame());
    });
    RegisterWorker(Cmd::ExtrasExportSym, ExportSymbols);
}

} // namespace zemo
