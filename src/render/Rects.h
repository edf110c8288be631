// The rectangle painter (object type 5): a rotated rectangle drawn as a plain or rounded
// outline, optionally divided into a grid of numbered cells.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "symbols/store/SymbolLayout.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zemo {

// A grid finer than this many columns or rows draws neither inner lines nor labels, and more
// cells than MaxRectGridLabels get no labels: a tiny cell size on a large rectangle would
// otherwise ask for billions of lines and texts.
inline constexpr int64_t MaxRectGridLines = 2000;
inline constexpr int64_t MaxRectGridLabels = 10000;

// All zero except size 416 and line width 0.15 mm; stands in for a wrong rectangle symbol.
extern std::array<uint8_t, RectSymbolBytes> DefaultRectSymbol;
void InitRectSymbols();

// The rectangle before its turn: corners (x1, y1) lower left and (x2, y2) upper right
// (normalised, whatever order the object gives them), centre M and the angle.
struct RectFrame {
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    Cord Centre{};
    int Angle = 0;   // tenths of a degree
};
// False when the object has fewer than four Cords or Cord 2 equals Cord 0.
bool RectangleFrame(const ElementRecord& e, RectFrame& frame);
// The effective corner radius in coordinate units (at most half of each side).
int32_t RectCornerRadiusUnits(const RectFrame& frame, int radius);

// Columns and rows of the grid (0 when the grid is off; bounded, see above).
struct RectGridSize {
    int64_t Columns = 0;
    int64_t Rows = 0;
};
RectGridSize RectGridCells(const RectFrame& frame, std::span<const uint8_t> rec);

// One cell label: its baseline start before the turn and its text.
struct RectGridLabel {
    Cord Pos{};
    std::string Text;
};
// The labels of the grid in drawing order (rows from the top, columns from the left); empty
// when the grid has no cells or more than MaxRectGridLabels.
std::vector<RectGridLabel> RectGridLabels(const RectFrame& frame, std::span<const uint8_t> rec);

// Painter for object type 5: DrawElement with DrawSymbol.
void DrawRectangleObject();
void DrawRectangleSymbol();

} // namespace zemo
