// The quick symbol editor of the main frame while a symbol's graphics are edited: its colour
// list holds the map's colours, and the drawing tools read the element's colour, width,
// diameter and line style from it.
#pragma once

namespace zemo {

struct ElementRecord;

// Symbol-graphics editing starts: the colour list is filled from the map (the colour chosen
// before stays chosen where the map has it), and the window draws the element kind of the
// pressed drawing button (a line when none was chosen yet).
void PrepareGraphicsPanel();
// Into the head of e: colour, line width and diameter (mm x 100), line style 0, 1 or 4.
// False, with the field's range shown, when a width or diameter is out of range.
bool ReadGraphicObjectParams(ElementRecord& e);
// The panel set from a selected element: its kind's button (which the window then draws),
// colour, width, diameter and line style.
void ShowGraphicsElement(const ElementRecord& e);

} // namespace zemo
