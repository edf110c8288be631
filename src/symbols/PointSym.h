// The point symbol editor's records: the working copy opened from a stored record, the
// record built back from it, and the course-setting fields the dialog shows.
#pragma once

#include "symbols/SymEdit.h"

#include <cstdint>

namespace zemo {

inline constexpr int PointSymbolHelpContext = 74;

// Course-setting role (+13) and the entries of the course-object type list (+14).
enum PointCsRole : uint8_t { CsRoleNone = 0, CsRoleCourse = 1, CsRoleDescription = 2 };
// The list's entries stand for the types 0 start, 1 control, 2 finish, 4 descriptions.
int CsObjTypeEntry(int storedType);    // any other type shows entry 0
int CsObjTypeOfEntry(int entry);       // no entry (-1) stores 0
inline constexpr int CsObjTypeEntries = 4;

// The control-description columns C to H of +15: bit 32 for C down to bit 1 for H.
inline constexpr int CdColumnCount = 6;
inline constexpr uint8_t CdColumnBit(int column) { return uint8_t(32 >> column); }

// The working copy of a point record: the fixed part and its element list (a record that is
// missing or shorter than the fixed part gives a new symbol).
SymbolEditSession OpenPointSymbol(const SymbolBytes* rec, int pos,
                                  std::span<const int16_t> numberTable);
// The record to store: the fixed part, the list, its slot count and size, the derived
// extent and colour set. Object type 1, byte +6 0.
SymbolBytes BuildPointSymbol(const SymbolEditSession& s);

// Symbol > Edit on a point symbol (rec null: a new one).
void EditPointSymbol(const SymbolBytes* rec, int pos);

} // namespace zemo
