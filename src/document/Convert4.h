// Maps of format versions 3 and 4 rebuilt as current maps. They have no symbols of their own:
// a new map takes the standard set "zemo4.sym" of the data folder, every old object gets its
// symbol number converted (symbols for old kinds the set lacks are made on the way), and the
// old setup block finally sets the setup and adjusts some of the loaded symbols. Version 3
// keeps its objects in a ".elt" file and their index in a ".idx" file beside it; version 4 is
// one file. The object records are those of version 5 (Convert5.h) with a few more fields.
#pragma once

#include "core/Setup.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zemo {

// Old lengths (1/1440 inch) to 0.01 mm: MulDiv(x, 127, 72).
int32_t Version4Length(int32_t x);

// ---- Files ----
// Version 3 index (".idx"): +2 u16 221; 16-byte entries i >= 1 at i x 16.
// Version 4: +8 i32 N, the index is the first N x 16 bytes; the data area starts at N x 16.
// The 347-byte setup block is at the start of the ".elt" file or of the data area.
inline constexpr size_t V3IdxMarkField = 2;
inline constexpr uint16_t V3IdxMark = 221;
inline constexpr size_t V4CountField = 8;
inline constexpr size_t V4IndexEntryBytes = 16;
inline constexpr int V4MaxRecordUnits = 2003;

// Record fields of versions 3 and 4 beyond version 5's (Convert5.h).
//   rectangles: +12, +14 first corner; +16, +18 opposite corner; +20 width class (700) or
//   columns (750); +22 width (700) or rows (750); +26 colour shade; +28 corner radius.
//   texts: +32 weight switch, +34 size in points, +36 paragraph spacing, +38 tab width,
//   +40 line-below switch, +42 line-below width class, +46 line-below distance, +48 text
//   colour class, +50 line-below colour class; the characters from entry 17 (+76) on.
namespace v4obj {
inline constexpr size_t ClassBits = 6, Class14Byte = 7, DoubleWidth = 10, X1 = 12, Y1 = 14, X2 = 16,
                        Y2 = 18, WidthClass = 20, Width = 22, Shade = 26, Radius = 28, Weight = 32,
                        Size = 34, ParaSpace = 36, Tab = 38, LineBelow = 40, LineBelowClass = 42,
                        LineBelowDist = 46, TextColor = 48, LineBelowColor = 50, Characters = 76;
inline constexpr int MaxTextChars = 2047;
}

// ---- Setup block (347 bytes) ----
namespace v4setup {
inline constexpr size_t Bytes = 347;
inline constexpr size_t ZoomClass = 8, X0 = 10, Y0 = 12, X1 = 14, Y1 = 16, X2 = 18, Y2 = 20,
                        SymbolSize = 162, RangeX = 170, RangeY = 172, RangeHalfW = 174,
                        RangeHalfH = 176, PrintScaleClass = 182, PrintGrid = 184,
                        TemplateScaleClass = 270, GridClass = 278, Colour15 = 286,
                        Lines500 = 288, Lines200 = 290, MapScale = 337, Lines100 = 343,
                        Areas310 = 345;
}

// The standard set's colour of a class (0, 1, 2, 5, 6, 7 or 14) and shade k = 1..3; 0 for
// anything else.
int ColorOfTable(int colourClass, int k);
// The class taken from the record's bits: +7 bit 6, then +6 bits 7, 6, 5, 2, 1, 0.
int ColorOfObject(std::span<const uint8_t> record, int k);
// An old OEM text (code page 437) as code page 1252, with the old program's own overrides.
std::string OemTextToAnsi(const std::string& text);

// The file of the standard symbol set.
QString StandardSymbolFile();

bool ConvertVersion3Map(const QString& eltName);
bool ConvertVersion4Map(const QString& name);
// Converts the old record (its len x 4 bytes, changed in place) and appends it.
bool ConvertVersion4Object(std::span<uint8_t> record);
// Fills the current map's setup from the old block and adjusts the loaded symbols.
void ConvertVersion4Setup(std::span<const uint8_t> old);

} // namespace zemo
