// Symbols name their colours by number. Symbols taken from another map (pasted, or brought
// along by importing it) keep those numbers, so where the two colour tables give a number to
// different colours the symbols draw in this map's colour: the user is told which.
#pragma once

#include "symbols/store/SymbolRecords.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace zemo {

// The clipboard block of the copying map's colour table: the colour block as the map file
// stores it.
inline constexpr const char* ColourTableMimeType = "application/x-zemo6-colours";
QByteArray PackColourTable(const SymbolHeaderBlock& b);
// False for a block of another size; the counts are brought into range.
bool UnpackColourTable(QByteArrayView block, SymbolHeaderBlock& b);

struct ColourNameDifference {
    int Number = 0;
    QString Source;    // its name in the source
    QString Here;      // its name in this map; empty when this map has no such colour
    bool Missing = false;
};

// The colours of `used` that the source names (case and outer blanks aside) otherwise than
// `here` does, or that `here` lacks, by number. Numbers the source has no colour for are
// not the source's colours and are left out.
std::vector<ColourNameDifference> ColourNameDifferences(const SymbolHeaderBlock& source,
                                                        const SymbolHeaderBlock& here, const ColorSet& used);
// One warning naming each difference; nothing when there is none.
void WarnColoursByNumber(const std::vector<ColourNameDifference>& d, const QString& source);

} // namespace zemo
