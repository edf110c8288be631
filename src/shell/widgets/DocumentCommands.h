// The map store's commands in the main frame: File > New, Open, Close, Save, Save As, File
// information, the recent files, colours and symbols from another map, and the start-up,
// recovery and shut-down hooks of the open documents.
#pragma once

namespace zemo {

void RegisterDocumentCommands();

} // namespace zemo
