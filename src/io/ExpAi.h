// ExpAi: the whole map as an Adobe Illustrator 5 document. Each colour of each symbol becomes
// a layer of its own, named after the symbol, so that the drawing can be edited by symbol;
// hatched and patterned area symbols become pattern definitions the area painter refers to.
// Colours are process CMYK, or on request spot colours named after the map's separations
// with their tints. The objects are written by their painters in output mode 5.
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QString>

#include <vector>

namespace zemo {

inline constexpr int ExpAiHelpContext = 143;
// The hatch pattern's tile: 12.7 mm wide, and as many hatch periods high as reach 7.5 mm.
inline constexpr int AiHatchTileWidth = 325120;
inline constexpr int AiHatchTileMinHeight = 192000;

struct AiOptions {
    bool SpotColors = false;   // spot colours named after the separations
    bool SpotAllowed = false;  // the map has separations
};

struct ExpAiState {
    bool SpotColors = false;   // the last choice, shown again
};

extern ExpAiState Ai;

void ResetExpAiUnit();

// File > Export AI.
void ExportAi();

// The separations a colour is printed in (percentage below 201), darkest first: darkness is
// the separation's ink weighted by how much light each takes (C 0.3, M 0.59, Y 0.11, K 1),
// times the colour's percentage.
std::vector<int> SpotPasses(const ColorRecord& c, const SymbolHeaderBlock& block);

} // namespace zemo
