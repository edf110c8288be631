// Symbol > Colors: the map's colour table edited on a working copy. The grid dialog shows a
// row per colour (number, name, overprint, swatch, a percentage per spot-colour separation);
// the colour dialog edits one colour with CMYK and RGB, steps through the colours, adds and
// deletes. OK writes the copy into the map at once; Cancel drops it, so the map and its file
// stay exactly as they were.
//
// Percentages are held in half percent (0..200); 255 in a separation means "not printed there".
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QString>

#include <array>
#include <span>
#include <vector>

namespace zemo {

inline constexpr int ColorsHelpContext = 169;
inline constexpr int DefColorHelpContext = 170;
inline constexpr int MaxColorNameBytes = 31;
inline constexpr uint8_t NotInSeparation = 255;

// A separation cell: empty for a colour not in the separation (above 200), one decimal for an
// odd number of half percent ("37.5"), else a whole number ("38").
QString SeparationCellText(uint8_t halfPercent);
// A cell as typed, leading blanks removed: empty gives 255, a number from 0 to 100 gives
// round(value x 2). False for anything else.
bool ParseSeparationCell(const QString& text, uint8_t& halfPercent);

// A name field of the colour block (a short string of code page 1252) as text.
QString NameFieldText(std::span<const uint8_t> field);
// A colour's name as text, and set from text (at most 31 bytes); setting the name a record
// already has leaves its field as it is.
QString ColorName(const ColorRecord& c);
void SetColorName(ColorRecord& c, const QString& name);

class ColorTable {
public:
    // The copy of the map's block, its counts brought into range (at least one colour).
    explicit ColorTable(const SymbolHeaderBlock& block);

    SymbolHeaderBlock Block;

    int Count() const { return Block.ColorCount; }
    int Separations() const { return Block.SeparationCount; }
    ColorRecord& At(int i) { return Block.Colors[size_t(i)]; }
    const ColorRecord& At(int i) const { return Block.Colors[size_t(i)]; }

    void ToggleOverprint(int i);
    // Swaps the whole record of colour i (number included) with its neighbour above (-1) or
    // below (+1); false at either end.
    bool Move(int i, int delta);
    // The smallest colour number no colour has, counting from 0.
    int SmallestFreeNumber() const;
    bool CanAdd() const { return Count() < MaxColors; }
    bool CanDelete() const { return Count() > 1; }
    // A record of zeros after colour i, its separations 255, with the smallest free number;
    // returns its position, -1 when the table is full.
    int AddAfter(int i);
    // Removes colour i; returns the colour that becomes current (the previous one), -1 when
    // it is the last colour left.
    int Delete(int i);

    // The grid's editable texts of one row.
    struct GridRow {
        QString name;
        std::vector<QString> cells;  // one per separation
    };
    // Where storing the grid failed: row and separation.
    struct BadCell {
        int row = -1;
        int separation = -1;
        explicit operator bool() const { return row >= 0; }
    };
    // Every cell checked first: the first one that is neither empty nor a number from 0 to 100
    // shows MustBetween ("Value;0;100;%") and nothing is stored. Otherwise names and
    // separation values are taken.
    BadCell StoreGrid(const std::vector<GridRow>& rows);
};

// The seven fields of the colour dialog, in percent. CMYK is what is stored; RGB is derived
// from it (clamped to 0..100, so that a rich black shows as black), or typed and then gives
// the CMYK.
struct ColorFields {
    std::array<double, 4> Cmyk{};  // cyan, magenta, yellow, black
    std::array<double, 3> Rgb{};   // red, green, blue

    static ColorFields Of(const ColorRecord& c);
    // Red = 100 - cyan - black, and so on, each limited to 0..100.
    void SetCmyk(int i, double percent);
    // c = 100 - red ..., black = the least of them, the rest less black.
    void SetRgb(int i, double percent);
    // round(percent x 2) into the record.
    void StoreCmyk(ColorRecord& c) const;
};

// A percentage field: empty (0) or a number from 0 to 100; else NoNumber or MustBetween with
// the label and ";0;100;%", false.
bool CheckPercentText(const QString& text, const QString& label, double* value = nullptr);

// The worker of Symbol > Colors: the dialog (port RunColorsDialog) on a copy of the map's
// table; on OK the table is written (the colour block with the symbol index) and the map
// drawn again.
void EditColorTable();
// Registers Symbol > Colors with the command frame.
void RegisterColorsWorker();

} // namespace zemo
