// The rectangle symbol editor's records: the working copy, the record built back from it with
// its derived fields, and the rules of its grid flags.
#pragma once

#include "symbols/SymEdit.h"

#include <cstdint>

namespace zemo {

inline constexpr int RectSymbolHelpContext = 98;

// Ranges of the fields (0.01 mm; cells).
inline constexpr int RectLineWidthMax = 2000;
inline constexpr int RectRadiusMax = 5000;
inline constexpr int RectCellMax = 5000;
inline constexpr int RectUnnumberedMax = 100;
inline constexpr int RectTextChars = 3;
// What the editor adds to half the line width for the extent (the repair after reading
// does not).
inline constexpr int RectExtentMargin = 8;

// The grid flags (+354) of the two check boxes: 3 with the grid on, plus 4 numbered from
// the bottom (also with the grid off).
int GridFlagsOf(bool gridOn, bool fromBottom);
inline bool RectGridShown(int flags) { return (flags & RectGridOnBit) != 0; }
inline bool RectFromBottom(int flags) { return (flags & RectNumberFromBottomBit) != 0; }

SymbolEditSession OpenRectSymbol(const SymbolBytes* rec, int pos,
                                 std::span<const int16_t> numberTable);
// The record to store: size 416, type 5, byte +6 0, the colour set of the line colour and the
// extent line width / 2 + 8.
SymbolBytes BuildRectSymbol(const SymbolEditSession& s);

void EditRectSymbol(const SymbolBytes* rec, int pos);

} // namespace zemo
