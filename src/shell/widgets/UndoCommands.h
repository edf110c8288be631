// Edit > Undo and Edit > Redo and the undo buttons: the active document window's undo ring.
#pragma once

namespace zemo {

void RegisterUndoCommands();

} // namespace zemo
