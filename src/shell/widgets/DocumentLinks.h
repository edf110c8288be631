// The document windows and their tools joined to the main frame: the command frame's tool
// hooks, the busy flags, the MDI area that holds the windows and the map's pop-up menu.
#pragma once

class QMdiArea;

namespace zemo {

// Binds what the document windows need of the frame; the frame is looked up when asked.
void LinkDocumentWindows();
// A window made active in the MDI area becomes the active view.
void ActivateDocumentWindowsWith(QMdiArea* mdiArea);

} // namespace zemo
