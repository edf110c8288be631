// The symbol features joined to the main frame: the symbol box in the symbol panel, kept
// up to date with the map.
#pragma once

namespace zemo {

class TMainFm;
class TSymbolBox;
struct MainFramePanels;

// Puts the symbol box into a frame's symbol panel (as the frame is built).
void AttachSymbolBox(TMainFm& frame, MainFramePanels& panels);
// The main frame's symbol panel laid out again with the map, the current symbol in view;
// and the box repainted.
void RefreshFrameSymbolBox();
void RepaintFrameSymbolBox();
// Another symbol became current: the box scrolls to it and marks it, the buttons follow.
void ShowFrameCurrentSymbol();
// The box of a frame; nullptr when it has none.
TSymbolBox* SymbolBoxOf(const TMainFm& frame);

} // namespace zemo
