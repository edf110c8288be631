// The line painter (object type 2): the layered line symbol drawn along DrawElement for the
// current colour pass: framing, solid or dashed main line with pointed ends, symbols along the
// line (with decrease), corner symbols, and the double line with its fill.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "symbols/store/SymbolLayout.h"

#include <array>
#include <cstdint>
#include <span>

namespace zemo {

// A line symbol record read into plain values. Lengths that are negative in the record are
// taken as 0, NPrimSym is kept to 0..5, MinSym to -1..1 and DecLast to 0..100.
struct LineSymbolFields {
    int LineColor = 0, LineWidth = 0, LineStyleBits = 0;
    int DistFromStart = 0, DistToEnd = 0;
    int MainLength = 0, EndLength = 0, MainGap = 0, SecGap = 0, EndGap = 0;
    int MinSym = 0, NPrimSym = 0, PrimSymDist = 0;
    int DblMode = 0, DblFlags = 0, DblFillColor = 0, DblLeftColor = 0, DblRightColor = 0;
    int DblWidth = 0, DblLeftWidth = 0, DblRightWidth = 0, DblLength = 0, DblGap = 0;
    int DecMode = 0, DecLast = 100;
    int FrColor = 0, FrWidth = 0, FrStyle = 0;
    std::array<int, LineSymbolListCount> Counts{};   // slots of each list
    std::array<std::span<const uint8_t>, LineSymbolListCount> Lists{};  // bytes inside the record

    int LineStyle() const { return LineStyleBits & 5; }
    bool PointedEnds() const { return (LineStyleBits & PointedEndsBit) != 0; }
};

// Usable only when the record is a line symbol whose stated size is exactly 424 + 8 x the sum
// of its five list sizes, none of them negative, and `rec` holds that many bytes.
bool LineSymbolUsable(std::span<const uint8_t> rec);
// The fields of a usable record (see LineSymbolUsable).
LineSymbolFields ReadLineSymbol(std::span<const uint8_t> rec);

// Dashes (or symbol positions) laid out per object at most; a part that would need more gets
// as many as remain, its dashes stretched to fill it. A symbol with dashes of 0.01 mm on a
// long line cannot make one paint run for minutes.
inline constexpr int64_t MaxLineStepsPerObject = 1 << 18;

// The painter's state, one painting at a time.
struct LinesState {
    double AcrossScale = 1.0;   // multiplies y (across) of elements drawn along the line
    double DirSin = 0.0, DirCos = 1.0;
    // Path-start memory for closing up a closed solid line.
    bool RememberStart = false;
    std::array<Cord, 4> StartMemory{};
    int StartMemoryCount = 0;
    bool PenDown = false;
    int64_t StepsLeft = MaxLineStepsPerObject;
};

extern LinesState Lines;
void ResetLinesState();

// Painter for object type 2: DrawElement with DrawSymbol, parts of CurrentColor only. A line
// with text whose symbol is a line-text symbol (or a damaged line symbol) goes to the text
// painter; without text it gets the grey line.
void DrawLineObject();
// Symbol-graphics editing: the edited element stroked with its own width and style.
void DrawPlainLineElement();
// The thin grey substitute for a line whose symbol cannot be used.
void DrawGreyLine();
// The layers of a usable line symbol.
void DrawLineSymbolObject(const LineSymbolFields& sym);

// Draws a list of SymbolElements at the walker's point, turned by DirCos/DirSin, y scaled by
// AcrossScale (and diameters too when asked).
void DrawElementListAt(std::span<const uint8_t> list, int slots, bool scaleDiameters);

// The whole side line of a double line as the painter strokes it: the object's path prepared
// by the path walker (curves cut into short pieces) put into WorkPoints2 and moved sideways by
// offset (0.01 mm; negative: left of the direction of travel). A path of fewer than two
// points is left where it is.
void BuildSideLinePath(const ElementRecord& e, int32_t offset);

// Appends the path from the walker's position up to distance d of the current part to the
// output path (curves entered or left part-way as the matching piece) and leaves the walker
// at d.
void AddPathTo(int32_t d);

} // namespace zemo
