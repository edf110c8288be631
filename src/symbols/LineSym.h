// The line symbol editor's records: the working copy with its five element lists, the
// record built back from it, and the rules of the fields the dialog shows.
#pragma once

#include "symbols/SymEdit.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zemo {

// The help contexts of the dialog's pages, in page order.
enum LineSymbolPage : int { LsMainPage, LsDistancePage, LsSymbolPage, LsDoublePage, LsDecreasePage, LsFramingPage };
inline constexpr std::array<int, 6> LineSymbolHelpContexts = {75, 76, 77, 78, 79, 119};

// The largest lengths (0.01 mm): widths and gaps, the other lengths.
inline constexpr int LineWidthMax = 2000;
inline constexpr int LineLengthMax = 5000;

// The preferred drawing tool (+12): entries 0 none .. 6 freehand; other values show 0.
inline constexpr int LineToolEntries = 7;
int LineToolEntry(int stored);
// Minimum number of gaps or symbols (+368): entries "0", "1", "2" stand for -1, 0, 1;
// a value outside -1..1 shows entry 1.
inline constexpr int MinSymEntries = 3;
int MinSymEntry(int stored);
inline int MinSymOfEntry(int entry) { return entry - 1; }
inline constexpr int MaxPrimarySymbols = 5;
inline constexpr int MaxDecreaseLast = 100;
inline constexpr int DoubleLineModes = 4;
inline constexpr uint8_t MarkedRouteType = 3;   // course-object type of a marked route

// Line style bits (+352, +410) and the style buttons 0..2.
int LineStyleOfBits(int bits);          // bit 1: style 1, bit 4: style 2, else 0
int LineStyleBits(int style);           // 0, 1, 4
// The word with its style bits (1 and 4) set for the style button; its other bits kept.
int WithLineStyle(int bits, int style);

// The working copy of a line record: the fixed part and the five lists. A record shorter
// than the fixed part gives a new symbol; a list running past its record is dropped, the
// rest of the record stays (so that the symbol keeps its number).
SymbolEditSession OpenLineSymbol(const SymbolBytes* rec, int pos,
                                 std::span<const int16_t> numberTable);
// The record to store: fixed part, slot counts, the lists in order, derived fields. Empty
// when the lists together would not fit in a record.
SymbolBytes BuildLineSymbol(const SymbolEditSession& s);

void EditLineSymbol(const SymbolBytes* rec, int pos);

} // namespace zemo
