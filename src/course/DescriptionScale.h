// The size of the control-description boxes drawn on a course map: the description symbols
// scaled in memory to the box size of the course options (the next read of the symbols
// undoes it).
#pragma once

#include <cstdint>

namespace zemo {

// 6 mm in coordinate units (256 per 0.01 mm).
inline constexpr int32_t StandardBoxUnits = 600 * 256;

struct DescriptionScaleState {
    int32_t BoxSize = StandardBoxUnits;
};
extern DescriptionScaleState CsBox;

// For a size from 3 to 10 mm other than 6, the box becomes that size and every description
// symbol (course role 2, and the sheet's own symbols) is scaled by size / 6; other sizes
// leave the box at 6 mm and the symbols as they are. Returns how many symbols were scaled.
int ScaleDescriptionSymbols(double sizeMm);
// True for the fixed symbols of description sheets (numbers x 10).
bool IsSheetSymbol(int number10);

} // namespace zemo
