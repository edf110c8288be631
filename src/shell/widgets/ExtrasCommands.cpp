#include "shell/widgets/ExtrasCommands.h"

#include "edit/ChangeSym.h"
#include "edit/GridLine.h"
#include "edit/MapTrans.h"
#include "shell/CommandFrame.h"

namespace zemo {

void RegisterExtrasCommands()
{
    RegisterWorker(Cmd::ExtrasMove, MoveMap);
    RegisterWorker(Cmd::ExtrasStretch, StretchMap);
    RegisterWorker(Cmd::ExtrasRotate, RotateMap);
    RegisterWorker(Cmd::ExtrasChangeSym, ChangeSymbols);
    RegisterWorker(Cmd::ExtrasChangeScale, ChangeScale);
    RegisterWorker(Cmd::ExtrasGridLine, CreateGridLines);
}

} // namespace zemo
