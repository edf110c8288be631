// The map store's commands in the main frame: File > New, Open, Close, Save, Save As, File
// information, the recent files, and colours and symbols from another map.
#pragma once

namespace zemo {

void RegisterDocumentCommands();

} // namespace zemo
