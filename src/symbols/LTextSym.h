// The line-text symbol editor's records: the working copy, the record built back from it with
// its extent from the font size and its colour set.
#pragma once

#include "symbols/SymEdit.h"

#include <array>

namespace zemo {

// The dialog's pages and their help contexts, in page order.
enum LineTextSymbolPage : int { LtGeneralPage, LtSpacingPage, LtFramingPage };
inline constexpr std::array<int, 3> LineTextSymbolHelpContexts = {237, 56, 13};

// Ranges: the font size in tenths of a point, the character height in 0.01 mm.
inline constexpr int LineTextSizeMax = 1280;
inline constexpr int LineTextCharHeightMax = 5000;
inline constexpr int LineTextFramingModes = 3;   // off, shadow, line
// The font the preview writes in while no name is entered.
inline constexpr char LineTextPreviewFont[] = "Times New Roman";

SymbolEditSession OpenLineTextSymbol(const SymbolBytes* rec, int pos,
                                     std::span<const int16_t> numberTable);
// Colour set (the font colour, and the framing colour while framed; negative colours left
// out) and the extent of the font size.
void CalcLineTextSymbolInfo(std::span<uint8_t> rec);
// The record to store: size 440, type 2, byte +6 1, +396 0 and the derived fields; the flags
// as stored.
SymbolBytes BuildLineTextSymbol(const SymbolEditSession& s);

void EditLineTextSymbol(const SymbolBytes* rec, int pos);

} // namespace zemo
