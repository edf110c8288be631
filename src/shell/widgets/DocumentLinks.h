// The document windows and their tools joined to the main frame: the command frame's tool
// hooks, the busy flags, the MDI area that holds the windows and the map's pop-up menu.
#pragma once

class QMdiArea;
class QMenu;
class QWidget;

namespace zemo {

void LinkDocumentWindowsTo(QMdiArea* mdiArea, QMenu* workPopUp, QWidget* mainFrame);

} // namespace zemo
