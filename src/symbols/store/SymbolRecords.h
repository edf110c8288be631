// Symbol records as the map file stores them, the colour block that precedes them, and the
// repairs and derived fields computed from a record's own bytes.
//
// A symbol record is held as its bytes: the common 348-byte head, then the part of its type.
// Fields are read and written at their offsets (SymbolLayout.h) through the helpers below.
#pragma once

#include "symbols/store/SymbolLayout.h"

#include <QString>

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zemo {

using SymbolBytes = std::vector<uint8_t>;

inline constexpr int MinSymbolBytes = 349;      // a readable record has some type part
inline constexpr int MaxSymbolBytes = 20904;
inline constexpr int MaxSymbols = 9999;
inline constexpr int MaxSymbolNumber = 9999;    // number x 10

inline constexpr uint8_t SymbolUsedBit = 0x10;
inline constexpr uint8_t SymbolStatusMask = 0x07;

// Field access inside a record; a field outside the record reads as 0 and is not written.
int16_t SymI16(std::span<const uint8_t> rec, size_t offset);
int32_t SymI32(std::span<const uint8_t> rec, size_t offset);
uint8_t SymU8(std::span<const uint8_t> rec, size_t offset);
void SetSymI16(std::span<uint8_t> rec, size_t offset, int16_t v);
void SetSymI32(std::span<uint8_t> rec, size_t offset, int32_t v);
void SetSymU8(std::span<uint8_t> rec, size_t offset, uint8_t v);

// One bit per colour number 0..255 (byte n / 8, bit n % 8 in the stored 32 bytes).
using ColorSet = std::bitset<256>;
ColorSet SymColors(std::span<const uint8_t> rec);
void SetSymColors(std::span<uint8_t> rec, const ColorSet& set);

// ---- The colour block at file offset 48 ----
inline constexpr int SymbolHeaderBlockBytes = 19224;
inline constexpr int MaxColors = 256;
inline constexpr int MaxSeparations = 32;
inline constexpr int DefaultSeparationScreen = 1500;

// Names are kept as their stored short-string fields (length byte, characters, and whatever
// follows, carried unchanged); ShortFieldText and SetShortFieldText read and set them.
struct ColorRecord {
    uint16_t Number = 0;
    int16_t Overprint = 0;
    std::array<uint8_t, 4> Cmyk{};        // half percent
    std::array<uint8_t, 32> Name{};       // string[31], 8-bit text
    std::array<uint8_t, 32> Separations{}; // half percent; above 200 = not in that separation
};

struct SeparationRecord {
    std::array<uint8_t, 16> Name{};       // string[15]
    std::array<uint8_t, 4> Cmyk{};
    int16_t Screen = 0;
    int16_t Screen2 = 0;
};

std::string ShortFieldText(std::span<const uint8_t> field);
void SetShortFieldText(std::span<uint8_t> field, const std::string& text);
// The description field as text (empty for a record too short to hold it).
QString SymbolDescription(std::span<const uint8_t> rec);

struct SymbolHeaderBlock {
    int16_t ColorCount = 0;
    int16_t SeparationCount = 0;
    std::array<uint8_t, 20> Reserved{};    // carried unchanged
    std::array<ColorRecord, MaxColors> Colors{};
    std::array<SeparationRecord, MaxSeparations> Separations{};
};

// 19224 bytes in, field by field. A shorter span leaves the missing fields zero.
SymbolHeaderBlock ReadSymbolHeaderBytes(std::span<const uint8_t> bytes);
std::array<uint8_t, SymbolHeaderBlockBytes> WriteSymbolHeaderBytes(const SymbolHeaderBlock& b);
// The reader's repairs: counts into range, separation screens and display colours.
void CheckSymbolHeader(SymbolHeaderBlock& b);

// ---- Element lists (point graphics, line symbol lists, area structures) ----
// Walks a list of `slots` 8-byte slots; stops at a negative count or an element that would
// run past the list (or past `list`).
int ElementListExtent(std::span<const uint8_t> list, int slots);
ColorSet ElementListColors(std::span<const uint8_t> list, int slots);

// The offsets of every colour number the record holds: the 16-bit colour fields of its type
// and the colour word of each element of its element lists, in use or not.
std::vector<size_t> SymbolColourFields(std::span<const uint8_t> rec);

// ---- Font sizes ----
// Tenths of a point in 0.01 mm (x 127 / 36), rounded half to even: the extent of a line-text
// symbol, as its editor stores it and the repair after reading sets it.
int FontSizeToHundredths(int tenthsOfPoint);

// ---- Repairs after reading or importing ----
// The text-metric height in 0.01 mm of the font a text symbol names (name, size, weight,
// italic), through the port TextSymbolHeight (symbols/store/Ports.h): the font layer
// measures it; until it is bound, the em height of the size.
int TextSymbolFontHeight(std::span<const uint8_t> rec);

// Pads the size to a multiple of 4 (at most MaxSymbolBytes), fixes fields by type and
// recomputes the derived head fields. `rec` is resized to the new size.
void NormalizeSymbol(SymbolBytes& rec);

// Derived head fields by type, as the editors compute them on storing.
void CalcPointSymbolInfo(std::span<uint8_t> rec);
void CalcLineSymbolInfo(std::span<uint8_t> rec);
void CalcAreaSymbolInfo(std::span<uint8_t> rec);
int CalcTextSymbolExtent(std::span<const uint8_t> rec);
// Every derived head field (extent, colour set) of the record's type, exactly as the repair
// after reading sets them: a record changed in memory and written reads back unchanged.
void CalcSymbolInfo(std::span<uint8_t> rec);

} // namespace zemo
