// The cell labels of the rectangle painter's grid, drawn one character at a time with the
// output layer's map font.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <string>

namespace zemo {

// The labels' font: "Arial", 15 pt, bold.
inline constexpr int RectLabelFontSize = 150;   // tenths of a point
inline constexpr int RectLabelFontWeight = 700;

// Draws `text` (8-bit, code page 1252) with its baseline starting at `pos`: each character's
// position is turned about `centre` by `angle` (tenths of a degree) and the character is drawn
// at that angle, in the output layer's current colour.
void DrawRectLabel(const std::string& text, Cord pos, Cord centre, int angle);

// The box of all cell numbers of a rectangle object (turned with it); false when its symbol
// draws none.
bool RectLabelsBox(const ElementRecord& e, CordRect& box);

} // namespace zemo
