// A test-only writer of the old map formats 3, 4 and 5 at their literal byte layouts, with its
// own little-endian helpers and Real48 encoder: nothing of the program's converter is used,
// so a fault there cannot hide behind the same fault here.
//
//   Version5Writer w;
//   w.symbols.push_back(V5Symbol::Make(10, 2, 0));      // number x 10, type, subtype
//   w.symbols[0].Set(V5Symbol::W1, 20);
//   w.objects.push_back(OldObject::Line(10, {Pt(0, 0), CornerMark(5), Pt(1440, 0)}));
//   std::vector<uint8_t> bytes = w.Build();
//
// Version4Writer builds the one-file format, Version3Writer the ".elt" and ".idx" pair. Every
// count and position that a damaged file may get wrong has an override.
#pragma once

#include "TestMapWriter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zemo::test {

// A 6-byte real (exponent biased by 129 in byte 0, 39-bit mantissa low byte first, sign in
// the top bit of byte 5) of a finite value; 0 for 0.
std::array<uint8_t, 6> Real48(double v);
void PutReal48(std::vector<uint8_t>& b, size_t at, double v);

// ---- Entries of old objects and coordinate tables ----
struct OldEntry {
    int16_t x = 0;
    int16_t y = 0;
};
inline OldEntry Pt(int16_t x, int16_t y) { return {x, y}; }
// The next point starts a hole.
inline OldEntry HoleMark() { return {-32768, 0}; }
// The next point is a corner; code is the double-line code for it.
inline OldEntry CornerMark(int16_t code = 0) { return {-32767, code}; }
// The next two points are control points; code -32767 makes the point before a corner, any
// other value is a double-line code for the point before.
inline OldEntry BezierMark(int16_t code = 0) { return {-32766, code}; }

// ---- Old objects (one layout for versions 3 to 5) ----
struct OldObject {
    int16_t symbol10 = 10;    // +0 (versions 3 and 4: the old number, e.g. 1403)
    uint8_t type = 1;         // +2
    uint8_t classBits = 0;    // +6 (versions 3 and 4)
    uint8_t byte7 = 0;        // +7 (bit 6: class 14)
    int16_t angle = 0;        // +8
    int16_t word10 = 0;       // +10
    std::vector<OldEntry> entries;  // from +12
    std::string text;         // version 5 texts: from +32, behind five points, NUL-terminated
    std::vector<std::string> strings;  // versions 3 and 4 texts: NUL-terminated from entry 17
    std::vector<std::pair<size_t, int16_t>> words;  // further i16 fields at record offsets

    // Overrides: the stored n, the index entry's length and position (4-byte units).
    std::optional<int16_t> nField;
    std::optional<uint16_t> lenField;
    std::optional<int32_t> posField;
    bool inIndex = true;      // false: no record, the entry stays zero

    std::vector<uint8_t> Bytes() const;  // a multiple of 4 bytes, at least 16

    static OldObject Point(int16_t symbol10, int16_t x, int16_t y);
    static OldObject Line(int16_t symbol10, std::vector<OldEntry> entries);
    static OldObject Area(int16_t symbol10, std::vector<OldEntry> entries);
    // Version 5: anchor and four box corners, then the text.
    static OldObject Text(int16_t symbol10, std::array<OldEntry, 5> points, std::string text);
};

// ---- Version 5 ----
struct V5Symbol {
    std::array<uint8_t, 192> rec{};
    std::array<uint8_t, 288> icon{};
    // Field offsets of the 192-byte record.
    static constexpr size_t Number = 0, Type = 2, Subtype = 4, Flags = 6, ColorSet = 8,
                            Extent = 14, Description = 16, FontIndex = 64, Theta = 96,
                            Theta2 = 98, Italic = 100, C1 = 112, C2 = 114, R = 128, W1 = 144,
                            W2 = 146, W3 = 148, A = 160, B = 162, D = 164, E = 166, S = 176,
                            S2 = 178;
    void Set(size_t at, int16_t v);
    void SetDescription(const std::string& s);
    // Point kind 0: element slot k (0..7).
    void SetSlot(int k, int16_t first, int16_t count, int16_t kind, uint16_t color, uint16_t style,
                 int16_t width);
    static V5Symbol Make(int16_t number10, int16_t type, int16_t subtype);
};

struct V5Color {
    uint16_t number = 0;
    std::string name = "Black";
    uint32_t rgb = 0;                 // red in the low byte
    std::array<int16_t, 32> percent{};
};

struct V5Separation {
    std::string name;
    uint16_t word1 = 0, word2 = 0;
};

class Version5Writer {
public:
    Version5Writer();

    uint16_t mark = kMapMark, second = 204, version = 5;
    std::vector<uint8_t> setup;       // 166 bytes
    std::vector<V5Color> colors;      // up to 32; the rest zero
    std::vector<V5Separation> separations;
    std::vector<V5Symbol> symbols;
    std::vector<OldEntry> table;      // the coordinate table
    std::vector<uint8_t> tableBytes;  // appended to the table (font names)
    std::vector<OldObject> objects;

    // Overrides.
    std::optional<int32_t> dataStart, symbolBlockPos;
    std::optional<int16_t> symbolCount, tableCount;
    size_t indexSlots = 0;            // more index entries than objects (all zero)
    std::optional<size_t> truncateAt;

    // Setup fields of the 166-byte block.
    void SetupI16(size_t at, int16_t v);
    void SetupReal(size_t at, double v);

    // Where the table's byte k lies counts from; a font name at table byte 4 x T.
    int16_t AddTableText(const std::string& s);
    std::vector<uint8_t> Build() const;
};

// ---- Versions 3 and 4 ----
struct OldSetup347 {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(347, 0);
    void I16(size_t at, int16_t v);
    void Real(size_t at, double v);
};

class Version4Writer {
public:
    std::vector<OldObject> objects;
    OldSetup347 setup;
    std::optional<int32_t> countField;  // N as stored
    size_t indexSlots = 0;
    std::vector<uint8_t> Build() const;
};

class Version3Writer {
public:
    std::vector<OldObject> objects;
    OldSetup347 setup;
    uint16_t idxWord = 221;
    size_t indexSlots = 0;
    // The ".elt" file (mark and version 3 where a map header has them) and the ".idx".
    std::pair<std::vector<uint8_t>, std::vector<uint8_t>> Build() const;
};

} // namespace zemo::test
