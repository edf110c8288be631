// The symbol subsystem joined to the main frame: the symbol box in the symbol panel, the
// Symbol menu's workers, and the box kept up to date with the map.
#pragma once

namespace zemo {

class TMainFm;
class TSymbolBox;

// Registers with the frame's panels; call once before the main frame is built.
void InstallSymbolFeatures();
// The box of a frame built after InstallSymbolFeatures; nullptr otherwise.
TSymbolBox* SymbolBoxOf(const TMainFm& frame);

} // namespace zemo
