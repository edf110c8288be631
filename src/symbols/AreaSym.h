// The area symbol editor's records: the working copy with the structure's element list, the
// record built back from it, and the structure cell handed to the window that edits the
// structure's graphics.
#pragma once

#include "symbols/SymEdit.h"

#include <array>
#include <cstdint>

namespace zemo {

struct MapView;

// The dialog's pages and their help contexts, in page order.
enum AreaSymbolPage : int { AsGeneralPage, AsHatchPage, AsStructurePage };
inline constexpr std::array<int, 3> AreaSymbolHelpContexts = {91, 92, 93};

// Hatch modes (+354) and structure modes (+368), the entries of their radio groups.
enum AreaHatchModes : int { HatchNone, HatchSingle, HatchCross };
enum AreaStructModes : int { StructNone, StructRect, StructOffset };

// Ranges of the fields (0.01 mm, tenths of a degree).
inline constexpr int HatchWidthMax = 2000;
inline constexpr int HatchDistMax = 5000;
inline constexpr int StructSizeMax = 5000;
inline constexpr int AreaAngleMax = 3600;
// A cell of width or height 0 gets this size before its graphics are edited.
inline constexpr int StructDefaultSize = 100;

// The entry of a stored mode; a value outside the choices shows the first.
int AreaModeEntry(int stored);

// The working copy of an area record: the fixed part and the structure's list.
SymbolEditSession OpenAreaSymbol(const SymbolBytes* rec, int pos,
                                 std::span<const int16_t> numberTable);
// The record to store: type 3, byte +6 0, the structure's list while a structure is on
// (dropped otherwise), size 380 + 8 x slots, extent 0 and the colour set. Empty when the
// list would not fit in a record.
SymbolBytes BuildAreaSymbol(const SymbolEditSession& s);

// Edit...: a cell of width or height 0 gets StructDefaultSize, no structure becomes the
// rectangular one (the fields of the working copy, read from the dialog first).
void PrepareStructureEdit(SymbolBytes& work);

// The structure cell as the window shows it while its graphics are edited: the fill colour's
// place in the colour table (-1 without fill or when the table lacks it), offset rows, the
// cell and its angle.
struct AreaPattern {
    int BackgroundColor = -1;
    bool OffsetRows = false;
    int Width = 0;   // 0.01 mm
    int Height = 0;
    double Sin = 0;
    double Cos = 1;
};
AreaPattern AreaPatternOf(const SymbolBytes& work, const SymbolHeaderBlock& colors);
// The view repeats the session's structure cell (area symbols), or shows no pattern.
void ShowAreaPattern(MapView& v, const SymbolEditSession* s);

void EditAreaSymbol(const SymbolBytes* rec, int pos);

} // namespace zemo
