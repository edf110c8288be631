// The View menu, the view buttons of the toolbar and the map's pop-up view items joined to
// the view tool: zoom in and out, the entire map, moving the view (the hand), moving it to a
// position, the fixed zooms and Redraw; the spot-colour, transparent and hatched views.
#pragma once

namespace zemo {

void RegisterViewCommands();

} // namespace zemo
