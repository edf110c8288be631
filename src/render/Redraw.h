// The drivers around the object painters: the dispatch by object type, erasing and painting
// the one object under edit straight into the document window, one colour pass of a map used
// as a template, and the arrow marker.
#pragma once

#include "core/Cord.h"

#include <array>
#include <cstdint>
#include <functional>

namespace zemo {

class Device;

// What the drivers need of the document window's view.
struct RedrawView {
    Device* Dc = nullptr;          // the window's drawing surface
    bool SymbolGraphics = false;   // symbol-graphics editing
    bool ShowRepeats = false;      // repeat the edited element as an area pattern would
    int CellWidth = 0;             // pattern cell, 0.01 mm
    int CellHeight = 0;
    bool OffsetRows = false;
    double PatternCos = 1.0;       // turn of the pattern
    double PatternSin = 0.0;
    Cord ArrowPoint{};             // where the arrow marker points
};

// Paints DrawElement with DrawSymbol for CurrentColor by its object type; an unknown type
// draws nothing.
void DrawObjectByType();

// Whether a colour number takes part in a symbol's colours (numbers of 256 and above never).
bool SymbolHasColor(const uint8_t* symbol, int color);

// Runs the colour passes of DrawElement with DrawSymbol over the current map's colour table,
// last entry first. `cmykOf` gives the ink of each pass (OutputCmyk).
void DrawObjectColorPasses(const std::function<uint32_t(uint32_t cmyk)>& cmykOf);

// Removes the picture of the store's current object from the view by drawing it without ink.
void EraseElement(const RedrawView& view);
// Draws the store's current object in the view in its colours.
void PaintElement(const RedrawView& view);

// The offsets (0.01 mm) at which symbol-graphics editing repeats the edited element.
int PatternRepeatOffsets(const RedrawView& view, Cord* offsets);

// One colour pass (CurrentColor) of the current map within ClipRect, for template drawing:
// visible objects only. `progress` is called after every object found; `drawn` is set when
// something was drawn. Stops at AbortRequested.
void DrawTemplateColorPass(const std::function<void()>& progress, bool& drawn);

// The arrow marker at the view's arrow point, when its device point is near the window.
void DrawArrowMarker(Device& dc, const RedrawView& view);

// Packed CMYK (C in the low byte) of a colour record's four components.
uint32_t PackCmyk(const std::array<uint8_t, 4>& c);
// The CMYK of the current map's colour with this number; fallback when there is none.
uint32_t MapColorCmyk(int number, uint32_t fallback);

} // namespace zemo
