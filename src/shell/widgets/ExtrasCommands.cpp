#include "shell/widgets/ExtrasCommands.h"

#include "document/Subset.h"
#include "document/widgets/OptimizeDlg.h"
#include "edit/ChangeSym.h"
#include "edit/GridLine.h"
#include "edit/MapTrans.h"
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
    RegisterWorker(Cmd::ExtrasOptimize, [] { OptimizeAndReport(MainFrame()); });
    RegisterWorker(Cmd::ExtrasExportSym, ExportSymbols);
}

} // namespace zemo
