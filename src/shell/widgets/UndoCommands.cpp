#include "shell/widgets/UndoCommands.h"

#include "document/Undo.h"
#include "shell/CommandFrame.h"

namespace zemo {

void RegisterUndoCommands()
{
    RegisterWorker(Cmd::EditUndo, [] { UndoEdit(); });
    RegisterWorker(Cmd::UndoBtn, [] { UndoEdit(); });
    RegisterWorker(Cmd::EditRedo, [] { RedoEdit(); });
}

} // namespace zemo
