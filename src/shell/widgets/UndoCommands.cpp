#include "shell/widgets/UndoCommands.h"

#include "edit/Work.h"
#include "shell/CommandFrame.h"

namespace zemo {

void RegisterUndoCommands()
{
    RegisterWorker(Cmd::EditUndo, UndoWindowEdit);
    RegisterWorker(Cmd::UndoBtn, UndoWindowEdit);
    RegisterWorker(Cmd::EditRedo, RedoWindowEdit);
}

} // namespace zemo
