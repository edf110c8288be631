// The fonts of text and line-text symbols checked against the fonts installed on the machine:
// a face name ("Arial Bold") becomes its family's name, a character set the font does not
// offer becomes the font's own, and the fonts that are not found at all are listed to the
// user. Run after a map is opened, after symbols are loaded from another map and after another
// map is imported, over the symbols concerned.
#pragma once

#include "platform/Fonts.h"
#include "symbols/store/SymbolRecords.h"

#include <QStringList>

#include <span>
#include <vector>

namespace zemo {

inline constexpr int ChkFontsHelpContext = 183;

// A record the check looks at: a line-text symbol of at least 440 bytes or a text symbol of
// at least 588, by its size field and its length alike.
bool NamesFont(std::span<const uint8_t> rec);

// Checks the records at list positions first .. last (cut to the list) against the lists and
// repairs their names and sets in place; returns one line per record whose font is missing,
// its number with one decimal, ": " and the name ("40.0: Frutiger"), in list order.
QStringList CheckSymbolFonts(std::vector<SymbolBytes>& symbols, int first, int last,
                             const InstalledFonts& fonts);

// The same on the current map against the fonts listed at start-up; the missing fonts go to
// the missing-fonts dialog. The map file keeps the names it was given, so that it reads the
// same on a machine that has those fonts; saving a repaired symbol is up to the caller.
void CheckFonts(int first, int last);

} // namespace zemo
