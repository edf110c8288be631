// Maps of format version 5 rebuilt as current maps: a fresh working file with the colours and
// symbols made from the old symbol block, the setup from the old setup block and every old
// object appended. The old file is only read. The object converter also serves versions 3
// and 4 (Convert4.h), whose object records have the same layout.
//
// Old files are little-endian; coordinates are in 1/1440 inch, symbol lengths in 1/2880 inch.
// Every count, position and index read from the old file is checked in 64 bits against the
// file and the buffer it fills.
#pragma once

#include "core/Setup.h"
#include "symbols/store/SymbolRecords.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

namespace zemo {

// ---- Numbers of the old formats ----
// a x b / c in 64 bits, rounded to the nearest with halves away from zero; -1 when c is 0
// or the result leaves 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
// A 6-byte real: byte 0 the exponent biased by 129 (0: zero), bytes 1..5 the 39-bit mantissa
// below an implied leading 1, low byte first, the sign in the top bit of byte 5.
double Real48ToDouble(std::span<const uint8_t, 6> bytes);
double Real48At(std::span<const uint8_t> block, size_t offset);
// Old coordinate to map coordinate: (x x 127 div 72) x 256.
int32_t Version5Coord(int16_t x);
// Old symbol length (1/2880 inch) to 0.01 mm: MulDiv(x, 127, 144).
int32_t Version5Length(int32_t x);
// A computed 16-bit field kept within SafeRoundSmall's bounds.
int16_t Sat16(int64_t v);
// The code page of an old text's character set, the East Asian double-byte ones included,
// and their lead bytes by the fixed ranges of code pages 932, 936, 949 and 950.
int OldTextCodePage(int charset);
bool IsDbcsLeadByte(int codePage, uint8_t c);

// ---- Version-5 file (offsets from the start of the file) ----
//   offset  size  meaning
//        0     2  u16 mark 0x5E71
//        2     2  u16 204
//        4     2  u16 version 5
//        8     4  i32 D, start of the data area (end of the object index)
//       12     4  i32 position of the symbol block
//  i x 24     24  object index entry i (i >= 1, while i x 24 < D)
//        D   166  setup block
// D + 4 x pos      object records
inline constexpr uint16_t Version5Second = 204;
inline constexpr size_t V5HeaderBytes = 24;
inline constexpr size_t V5DataStart = 8;
inline constexpr size_t V5SymbolBlockPos = 12;
inline constexpr size_t V5IndexEntryBytes = 24;

// Object index entry: +8 i32 pos (4-byte units from D), +12 u16 len (4-byte units).
// Versions 3 and 4 use the same two fields in 16-byte entries.
inline constexpr size_t OldEntryPos = 8;
inline constexpr size_t OldEntryLen = 12;
inline constexpr int32_t OldFirstRecordPos = 256;
inline constexpr int V5MaxRecordUnits = 2000;

// ---- Old object record (versions 3 to 5) ----
//   offset  size  meaning
//        0     2  i16 symbol number x 10
//        2     1  u8 object type 1..5
//        4     2  i16 n, number of 4-byte entries
//        6     2  colour class bits (versions 3 and 4)
//        8     2  i16 angle, 0.1 degree
//       10     2  i16 text entries; double-line width (versions 3 and 4)
//       12 4 x n  entries i16 x, i16 y; x below -32764 is a marker
// A text's five points are followed by its 8-bit, NUL-terminated characters from +32.
inline constexpr size_t OrSymbol = 0;
inline constexpr size_t OrType = 2;
inline constexpr size_t OrCount = 4;
inline constexpr size_t OrClassBits = 6;
inline constexpr size_t OrAngle = 8;
inline constexpr size_t OrWord10 = 10;
inline constexpr size_t OrEntries = 12;
inline constexpr size_t OrText = 32;
inline constexpr int OrTextPoints = 5;
inline constexpr int16_t HoleMarker = -32768;
inline constexpr int16_t CornerMarker = -32767;
inline constexpr int16_t BezierMarker = -32766;
inline constexpr int16_t MarkerLimit = -32764;      // x below it is a marker
inline constexpr int16_t CornerBeforeCode = -32767; // a Bezier marker's y: the point before is a corner
// The largest old record, in bytes (versions 3 and 4 allow 2003 units).
inline constexpr size_t OldRecordBufferBytes = 8012;

// ---- Colour block at the symbol block (4880 bytes) ----
//   offset  size  meaning
//       12     2  i16 number of symbols (above 400: none)
//       14     2  i16 entries of the coordinate table (above 4096: 4096)
//       16  3712  32 colour entries of 116 bytes
//     3728  1152  32 separation entries of 36 bytes
// then n x 192-byte symbol records, n x 288-byte icon records and the coordinate table.
inline constexpr size_t V5ColorBlockBytes = 4880;
inline constexpr size_t V5SymbolCountField = 12;
inline constexpr size_t V5TableCountField = 14;
inline constexpr size_t V5Colors = 16;
inline constexpr size_t V5ColorEntryBytes = 116;
inline constexpr size_t V5Separations = 3728;
inline constexpr size_t V5SeparationEntryBytes = 36;
inline constexpr int V5MaxSymbols = 400;
inline constexpr int V5MaxTableEntries = 4096;
inline constexpr size_t V5TableBytes = 16384;
inline constexpr size_t V5SymbolBytes = 192;
inline constexpr size_t V5IconBytes = 288;

// Colour entry: +0 u16 number, +4 char[32] name, +36 i32 RGB (red low), +52 32 x i16 percent.
inline constexpr size_t V5ColorNumber = 0;
inline constexpr size_t V5ColorName = 4;
inline constexpr size_t V5ColorRgb = 36;
inline constexpr size_t V5ColorPercent = 52;
// Separation entry: +0 char[32] name, +32 u16, +34 u16.
inline constexpr size_t V5SepName = 0;
inline constexpr size_t V5SepWord1 = 32;
inline constexpr size_t V5SepWord2 = 34;

// Symbol record (192 bytes), all i16 unless said.
//   +0 number x 10, +2 type, +4 subtype, +6 flag word F, +8 4-byte colour set, +14 extent,
//   +16 char[32] description; by type: +64 T (text: font name at T x 4 in the table),
//   +96 theta (text: line-below switch), +98 theta2 (text: weight), +100 (text: italic),
//   +112 c1, +114 c2, +128 R, +144 w1, +146 w2, +148 w3, +160 a, +162 b, +164 d, +166 e,
//   +176 s, +178 s2. Point kind 0: eight element slots of +64 first entry, +80 count,
//   +96 kind, +112 colour, +128 line style, +144 width (8 x i16 each).
namespace v5sym {
inline constexpr size_t Number = 0, Type = 2, Subtype = 4, Flags = 6, ColorSet = 8, Extent = 14,
                        Description = 16, FontIndex = 64, Theta = 96, Theta2 = 98, Italic = 100,
                        C1 = 112, C2 = 114, R = 128, W1 = 144, W2 = 146, W3 = 148, A = 160,
                        B = 162, D = 164, E = 166, S = 176, S2 = 178;
inline constexpr size_t SlotFirst = 64, SlotCount = 80, SlotKind = 96, SlotColor = 112,
                        SlotStyle = 128, SlotWidth = 144;
inline constexpr int Slots = 8;
}

// ---- Setup block (166 bytes) ----
namespace v5setup {
inline constexpr size_t Bytes = 166;
inline constexpr size_t ZoomStep = 8, ViewX = 10, ViewY = 12, GridDistance = 14,
                        CurrentSymbol = 26, RangeX = 28, RangeY = 30, RangeHalfW = 32,
                        RangeHalfH = 34, PrintGrid = 36, PrintGridColor = 38, OverlapX = 40,
                        OverlapY = 42, MapScale = 44, TemplateScale = 50, PrintScale = 56,
                        TemplateX = 62, TemplateY = 64, TemplateFile = 66, TemplateMode = 146,
                        TemplateResolution = 148, TemplateAngle = 150, Word156 = 156,
                        Word158 = 158, TemplateAngle2 = 160;
inline constexpr size_t TemplateFileBytes = 80;
}

// ---- Conversion ----
// Builds the working file of the current map (Index.ActiveZmd, whose colours, symbols and
// index start empty) from the version-5 map and fills it. True when it ran to the end; the
// working file then holds a current map for LoadMap.
bool ConvertVersion5Map(const QString& name);
// The setup from the old 166-byte block.
void ConvertVersion5Setup(std::span<const uint8_t> old, SetupRecord& s);
// Colours and symbols of the current map from the old file; false when the file cannot give
// them (a symbol block outside it).
bool ConvertVersion5Symbols(const QString& name);
// One old symbol record as a current one (colours of style-4 symbols may join the table).
SymbolBytes ConvertVersion5Symbol(std::span<const uint8_t> old, std::span<const uint8_t> icon,
                                  std::span<const uint8_t> table);
// Converts one old object record (its len x 4 bytes; n beyond them is cut) into CurElement
// and appends it; false only when AppendElement fails. Records without points are left out.
bool ConvertVersion5Object(std::span<const uint8_t> record);

} // namespace zemo
