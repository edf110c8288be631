// The point painter (object type 1) and the element-list drawing it shares with the line and
// area painters: a list of SymbolElements (line, area, circle, dot) drawn at a map position,
// turned and optionally stretched across, only the elements of CurrentColor.
#pragma once

#include "core/Cord.h"
#include "symbols/store/SymbolLayout.h"

#include <cstdint>
#include <span>

namespace zemo {

// One element of a list, decoded in place (the Cords stay in the list's bytes).
struct SymbolElementView {
    int Kind = 0;
    int Style = 0;      // LineStyle
    int Color = 0;
    int Width = 0;      // 0.01 mm
    int Diameter = 0;   // 0.01 mm
    int Count = 0;      // Cords
    const uint8_t* CordBytes = nullptr;

    Cord At(int i) const;
};

// Walks a list of `slots` slots in `list`: gives the element at `slot` and advances `slot`.
// False at the end, at a negative Cord count, or at an element that would run past the slot
// count or past the bytes of `list`.
bool NextSymbolElement(std::span<const uint8_t> list, int slots, int& slot,
                       SymbolElementView& element);

// How an element list is placed: at Origin (flags ignored), turned counter-clockwise by the
// angle of Cos/Sin about it, y (across a line) multiplied by AcrossScale first (only when it is
// not exactly 1). ScaleDiameters also scales circle and dot diameters by AcrossScale.
struct ElementPlacement {
    Cord Origin{};
    double Cos = 1.0;
    double Sin = 0.0;
    double AcrossScale = 1.0;
    bool ScaleDiameters = false;
    // Circle gaps of a point object: pairs (start, end) in tenths of a degree relative to
    // GapBaseAngle (the object's angle). Null or GapCount 0: whole circles.
    const Cord* Gaps = nullptr;
    int GapCount = 0;
    int GapBaseAngle = 0;
};

// Draws the elements of CurrentColor of one list through the output layer's primitives.
void DrawElementList(std::span<const uint8_t> list, int slots, const ElementPlacement& place);
// The same at an angle in tenths of a degree, counter-clockwise, scale 1.
void DrawElementListAtAngle(std::span<const uint8_t> list, int slots, Cord origin, int angle);

// A point symbol record is interpreted only when its size is exactly 352 + 8 x its slot count
// (at most MaxElementListSlots). `rec` spans at least the record's stated size.
bool PointSymbolUsable(std::span<const uint8_t> rec);
// The record at `rec` as a span of its own stated size (empty when null or below 2 bytes).
std::span<const uint8_t> SymbolSpan(const uint8_t* rec);

// Painter for object type 1: DrawElement with DrawSymbol.
void DrawPointObject();
// Symbol-graphics editing: the edited circle (symbol 32755) or dot (32756).
void DrawEditedPointElement();
// The grey cross for a point object whose symbol cannot be used.
void DrawMissingPointCross();
void DrawPointSymbol();

// Whether the current view is in symbol-graphics editing (the store's symbol-graphics buffer is
// set and active): objects are then the edited symbol's elements.
bool SymbolGraphicsEditing();

} // namespace zemo
