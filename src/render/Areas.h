// The area painter (object type 3): solid fill, hatch lines and structure patterns, each in
// its own colour pass, the patterns clipped to the pieces SplitArea cuts the area into.
#pragma once

#include "core/Cord.h"
#include "symbols/store/SymbolLayout.h"

#include <cstdint>
#include <set>
#include <span>
#include <string>

namespace zemo {

// A structure finer than this many cells in one piece is not drawn: a cell far below a
// device unit would ask for millions of cells that all merge into one smear.
inline constexpr int64_t MaxStructureCellsPerPiece = 262144;

// The pattern definitions an exporter has written (EPS "/Pat" procedures, Illustrator and
// SVG patterns). The exporter clears it before its run and fills it while writing its
// definitions; the area painter refers only to names found here and adds its own "/Pat"
// procedures. Separation: the spot-colour separation being written (Illustrator), -1 none.
struct ExportPatternState {
    std::set<std::string> Names;
    int Separation = -1;
};
extern ExportPatternState ExportPatternNames;

// Names of the pattern definitions, shared by the painter and the exporters.
// symbol: number x 10, as stored in objects.
std::string PsPatternName(int symbol, int color);
// "40.1 Hatch 3" or "40.1 Pattern 3", with ".2" for separation 2.
std::string AiPatternName(int symbol, bool hatch, int color, int separation);
// "Hatch40.1c3ang450" / "Pattern40.1c3ang450"; angle in tenths of a degree.
std::string SvgPatternName(int symbol, bool hatch, int color, int angle);

// An area symbol record is interpreted only when its size is exactly 380 + 8 x StructSlots.
bool AreaSymbolUsable(std::span<const uint8_t> rec);

// Painter for object type 3: DrawElement with DrawSymbol.
void DrawAreaObject();
void DrawAreaSymbolParts();
void DrawAreaOutlineAndFill();
void DrawGreyArea();
// The accept step of SplitArea for the patterns of one piece.
bool AreaPatternPiece(const Cord* points, int count);
void DrawHatch(const Cord* points, int count, int angle);
void DrawHatchLines(const Cord* points, int count, int width, int angle, int distance);
// Turns the piece about the map origin by minus the angle; the bounding box of the result.
CordRect HatchFrame(const Cord* points, int count, int angle);
void DrawStructurePattern(const Cord* points, int count);
void DrawStructureCell(int32_t x, int32_t y);

} // namespace zemo
