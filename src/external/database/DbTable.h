// The table dialogs' work on dBase tables: a new field's name checked, and fields inserted or
// removed, on the table's file or, for a new table that has no file yet, on its header in
// memory alone.
#pragma once

#include "core/LangTexts.h"

#include <QString>

#include <vector>

namespace zemo {

inline constexpr int DBaseDlgHelpContext = 284;
inline constexpr int NewFieldHelpContext = 300;
inline constexpr int MinFieldLength = 1;
inline constexpr int MaxFieldLength = 254;
inline constexpr int DefaultFieldLength = 64;

// The name as it is stored (blanks trimmed), or the first check it fails: NoFieldName,
// FieldNameLetter, FieldNameSpaces, SemicolonNotAllowed, CharNotAllowed (with the character).
struct FieldNameCheck {
    bool Ok = false;
    QString Name;
    TextKey Key = TextKey::Count;
    QString Param;
};
FieldNameCheck CheckNewFieldName(const QString& typed);

struct TableField {
    QString Name;
    char Type = 'C';
    int Length = 0;
    int Decimals = 0;
    friend bool operator==(const TableField&, const TableField&) = default;
};

// The fields of the header built or opened in the dBase layer.
std::vector<TableField> DBaseHeaderFields();
// The built header of a new table (no file) with a field inserted before `position` (the count
// appends) or removed.
void InsertFieldInMemory(int position, const TableField& f);
void RemoveFieldInMemory(int field);

} // namespace zemo
