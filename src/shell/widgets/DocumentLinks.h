// The main frame's side of the document windows: the MDI area that holds them, the map's
// pop-up menu, the view timer and the frame's help context.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QMdiArea;

namespace zemo {

class TMdiChild;

// A window made active in the MDI area becomes the active view; after the last one closed,
// ForgetClosedMap.
void ActivateDocumentWindowsWith(QMdiArea* mdiArea);
// No map is left: the status line lets go of the operation text, the pointer position and
// the current symbol, and the toolbars, menus and symbol panels are brought up to date.
void ForgetClosedMap();
// A new document window goes into the MDI area, maximized.
void AddDocumentWindow(TMdiChild* child);
// The toolbars, menus and symbol panels brought up to date with the state as it is now, and
// the frame laid out at once for them, its document windows with it.
void LayOutFrameForState();

// The size a document window has when it is not maximised: most of the area.
QSize UsableWindowSize(QSize area);
// Cascaded windows, bottom one first: each one a title bar's height (step) below and right
// of the one before, all of one size, as large as the area leaves. The offsets span at most
// a third of the area each way; more windows start again at the top, a little further right.
std::vector<QRect> CascadeGeometry(QSize area, int count, int step);
// Window > Cascade: the windows shown (not minimised) stacked by CascadeGeometry in their
// stacking order, the active one on top.
void CascadeDocumentWindows(QMdiArea* mdiArea);
void ShowWorkPopUpAt(QPoint globalPos);
// The main frame's view timer, made when first needed; its tick goes to the view tool.
void SetViewTimer(bool on, int intervalMs);
int FrameHelpContext();
void SetFrameHelpContext(int context);

} // namespace zemo
