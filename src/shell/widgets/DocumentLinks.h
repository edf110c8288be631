// The main frame's side of the document windows: the MDI area that holds them, the map's
// pop-up menu, the view timer and the frame's help context.
#pragma once

#include <QPoint>

class QMdiArea;

namespace zemo {

class TMdiChild;

// A window made active in the MDI area becomes the active view.
void ActivateDocumentWindowsWith(QMdiArea* mdiArea);
// A new document window goes into the MDI area, maximized.
void AddDocumentWindow(TMdiChild* child);
bool IsActiveDocumentWindow(const TMdiChild* child);
void ShowWorkPopUpAt(QPoint globalPos);
// The main frame's view timer, made when first needed; its tick goes to the view tool.
void SetViewTimer(bool on, int intervalMs);
int FrameHelpContext();
void SetFrameHelpContext(int context);

} // namespace zemo
