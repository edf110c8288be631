// DBase: the dBase side of the database layer. One dBase III table (".dbf") is open at a time:
// its tables are listed by folder, a record is found by the text of a key field, one field of
// the found record is rewritten, a record holding only a key is appended, and a field is
// inserted or removed by rewriting the whole table. The same header builder and record buffer
// make the attribute tables of the shape-file export. Fields are read as text; a value the user
// writes into a date, number or logical field is checked against its type first, and text is
// read and written in the table's code page (its .cpg file, else its language driver byte).
//
// Header, 32 bytes, little-endian:
// | Offset | Size | Meaning                                                          |
// |--------|------|------------------------------------------------------------------|
// | 0      | 1    | version (3 written)                                              |
// | 1      | 3    | date of the last change: year - 1900, month, day                |
// | 4      | 4    | number of records, unsigned                                      |
// | 8      | 2    | header length: 32 + 32 x fields + 1                              |
// | 10     | 2    | record length: 1 (deletion flag) + the field lengths            |
// | 12     | 17   | reserved                                                         |
// | 29     | 1    | language driver: the code page of the text; 0x57 (1252) written  |
// | 30     | 2    | reserved                                                         |
// Field descriptors of 32 bytes follow from offset 32, ended by the byte 0x0D:
// | 0      | 11   | name, NUL-padded, at most 10 characters                          |
// | 11     | 1    | type character ("C" for the fields the program makes)            |
// | 12     | 4    | in memory: the field's offset in the record (first field 1)      |
// | 16     | 1    | field length                                                     |
// | 17     | 1    | decimal count                                                    |
// | 18     | 14   | reserved                                                         |
// Records start at the header length; byte 0 of a record is "*" when it is deleted.
#pragma once

#include "core/CodePage.h"
#include "core/FileClass.h"
#include "core/LangTexts.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace zemo {

inline constexpr int DbfVersion = 0;
inline constexpr int DbfYear = 1;
inline constexpr int DbfMonth = 2;
inline constexpr int DbfDay = 3;
inline constexpr int DbfRecordCount = 4;
inline constexpr int DbfHeaderLength = 8;
inline constexpr int DbfRecordLength = 10;
inline constexpr int DbfLanguage = 29;
inline constexpr int DbfHeaderSize = 32;

inline constexpr int DbfFieldName = 0;
inline constexpr int DbfFieldNameSize = 11;
inline constexpr int DbfFieldType = 11;
inline constexpr int DbfFieldAddress = 12;
inline constexpr int DbfFieldLength = 16;
inline constexpr int DbfFieldDecimals = 17;
inline constexpr int DbfDescriptorSize = 32;

inline constexpr uint8_t DbfTerminator = 0x0D;
inline constexpr uint8_t DbfDeleted = '*';
inline constexpr uint8_t DbfLanguageAnsi = 0x57;
// The code page number that stands for UTF-8 (from a .cpg file only).
inline constexpr int DbfUtf8 = CodePageUtf8;
// A table whose code page the system cannot convert.
inline constexpr int DbfUnknownCodePage = 0;
inline constexpr int DbfMaxFieldNameChars = 10;
// Both lengths are 16-bit fields.
inline constexpr int DbfMaxRecordLength = 65535;
inline constexpr int DbfMaxHeaderLength = 65535;
// The shortest header that holds its terminator.
inline constexpr int DbfMinHeaderLength = DbfHeaderSize + 1;

using DbfDescriptor = std::array<uint8_t, DbfDescriptorSize>;

struct DBaseUnitState {
    std::array<uint8_t, DbfHeaderSize> Header{};
    std::vector<DbfDescriptor> Fields;
    // Each field's offset inside a record, from the lengths (a built header's descriptors
    // carry none).
    std::vector<int> Offsets;
    // One record as the file holds it, sized by the header's record length.
    std::vector<uint8_t> Record = std::vector<uint8_t>(1, ' ');
    // The code page of the open table's text (DbfUtf8 for UTF-8, DbfUnknownCodePage when the
    // system cannot convert it: then read as 1252, and only ASCII is written), its converter,
    // and how messages name it.
    int CodePage = 1252;
    CodePageConverter Codec{1252};
    QString CodePageName = QStringLiteral("1252");
    // Tables whose unknown code page has been said.
    QSet<QString> UnknownCodePageSaid;
    TFileClass File;
    // The open table; after a folder was listed without opening one, that folder + "/~~~.dbf".
    QString Path;
    // Records the file really holds: the header's count, bounded by the file's size.
    int64_t RecordsInFile = 0;
    // The key cache: for this file and key field, the key of every record in record order
    // (deleted ones included), and the first record of each key compared without case.
    QString KeyCacheFile;
    QString KeyCacheField;
    QStringList KeyList;
    QHash<QString, int64_t> KeyFirst;
    // The record last found by key: the target of field writes; -1 none.
    int64_t CurrentRecord = -1;
};

extern DBaseUnitState DBaseUnit;

// The code page of a table: named by the text of its .cpg file ("CP850", "UTF-8", "ANSI 1251",
// "Shift_JIS", ...) when that names one the program or the system converts, else given by its
// language driver byte; 1252 when neither says anything, DbfUnknownCodePage when what they say
// cannot be converted.
int DbfCodePage(uint8_t language, const QByteArray& cpg);
// How messages name a table's code page: its number, "UTF-8", or for an unknown one the .cpg
// file's text or the language driver byte.
QString DbfCodePageName(int codePage, uint8_t language, const QByteArray& cpg);

// A value as the field stores it: a date as YYYYMMDD (also typed YYYY-MM-DD), a number with
// the field's decimals right-aligned, a logical as T or F; text in the table's code page.
// False when the value does not suit the field's type, length and decimals, holds a letter
// the code page lacks, or is text longer in that code page's bytes than the field (it is never
// cut); refusal then names why (a language text with its parameters).
struct DbfRefusal {
    TextKey key = TextKey::Count;
    QString params;
};
bool DBaseStoredValue(int field, const QString& text, QByteArray& bytes, DbfRefusal* refusal = nullptr);

// Closes the table and empties every list and cache (tests, and the start of a run).
void ResetDBaseUnit();

// A folder as stored ("\" read as "/") made absolute: a folder without a separator, the empty
// one included, lies in the open map's folder. No trailing "/".
QString DBaseFolder(const QString& folder);

void DBaseClose();
// Fills the layer's table names with the ".dbf" files (any letter case) of the folder, names
// without extension; the dBase kind becomes current.
void DBaseListTables(const QString& folder);
// Opens folder/table.dbf (the extension in any case). A damaged table shows ErrorInDBase and
// gives false; a file that cannot be opened shows CannotOpen and ends the command.
bool DBaseOpenTable(const QString& folder, const QString& table);

// The text of a field of the record buffer: up to a NUL, blanks trimmed.
QString DBaseGetText(int field);
// Blanks, then the text's bytes from the field's first byte, cut at the field length.
void DBasePutText(int field, const QString& text);
// Blanks, then the value with the field's decimals, right-aligned; what does not fit is cut
// on the left.
void DBasePutNumber(int field, double value);

bool DBaseFindRecord(const QString& folder, const QString& table, const QString& keyField,
                     const QString& keyValue);
// Stores the value in the field of the record last found and writes that record back; a
// value the field cannot take is refused with a message and nothing is written.
bool DBaseWriteField(int field, const QString& text);
bool DBaseAppendRecord(const QString& folder, const QString& table, const QString& keyField,
                       const QString& keyValue);

// ---- Building new tables ----
// Closes the table; a header of version 3 with today's date, no fields.
void DBaseNewHeader();
// A descriptor with the name (10 characters, ASCII letters upper-cased), type, length and
// decimals; header and record grow by it.
void DBaseAddField(const QString& name, char type, int length, int decimals);
// The open ODBC table's columns as character fields (dBase: the open header stays).
void DBaseTransferHeader();
// The open ODBC record's values into the record buffer (dBase: it holds the record already).
void DBaseTransferRecord();
void DBaseNewLinkTable();
// Header, descriptors and terminator as a table file starts.
QByteArray DBaseHeaderBytes();
// Writes the built header as a new table without records (replacing the file whole).
bool DBaseWriteNewTable(const QString& fileName);
// The save dialog, then DBaseWriteNewTable; fileName becomes the chosen name.
bool DBaseSaveNewTable(QString& fileName);
bool DBaseCreateLinkTable(QString& fileName);

// ---- Restructuring the open table ----
// Inserts a character field before field `position` (the field count appends it) or removes
// one; the table is written beside itself and renamed over, and then closed. False, with the
// table as it was, when the new record would be too long or anything fails.
bool DBaseInsertFieldAt(int position, const QString& name, char type, int length);
bool DBaseRemoveField(int field);

} // namespace zemo
