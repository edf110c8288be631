// DbSys: one set of operations over the two kinds of database source, a folder of dBase tables
// (DBase) and an ODBC data source. One source and one table are open at a time; the current
// record is held field by field in the columns, from which every database feature reads and
// writes values as text. Of an ODBC result only the first row is read; values and names travel
// as bound parameters and quoted names, never spliced into the statement's text.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace zemo {

inline constexpr int DbKindNone = -1;
inline constexpr int DbKindDBase = 0;
inline constexpr int DbKindOdbc = 1;

// Names and other short texts of the driver are cut at this many characters.
inline constexpr int DbMaxValueChars = 255;

struct DbColumn {
    int32_t Type = 0;     // the ODBC SQL type; 0 when not reported (and for dBase)
    int32_t Length = 0;   // the length the source reports; 0 when not reported
    QString Name;
    QString Value;        // the current record's value, whole
};

struct DbSysState {
    int DbKind = DbKindNone;
    // ODBC handles (SQLHENV, SQLHDBC, SQLHSTMT), kept opaque here.
    void* Env = nullptr;
    void* Conn = nullptr;
    void* Stmt = nullptr;
    bool Connected = false;
    bool OdbcInitialised = false;
    int LastReturn = 0;
    // Why the last ODBC connection failed, as the driver manager or the driver said it.
    QString ConnectError;
    QString OpenSource;   // ODBC
    QString OpenTable;    // ODBC
    int KeyFieldIndex = -1;
    QString KeyValue;
    QStringList DataSourceNames;
    QStringList TableNames;
    QStringList FieldNames;
    int16_t FieldCount = 0;
    std::vector<DbColumn> Columns = std::vector<DbColumn>(64);
};

extern DbSysState Db;

// Everything closed and emptied, the driver manager freed (tests, and the end of a run).
void ResetDbSys();
// The columns hold at least count entries, grown in steps of 64.
void EnsureColumns(int count);

// ---- ODBC ----
bool InitOdbc();
void DoneOdbc();
void ListDataSources();
void OdbcDisconnect();
bool OdbcConnect(const QString& source);
bool OdbcSelect(const QString& source, const QString& table, const QString& keyField,
                const QString& keyValue);
bool UpdateOdbcKey(int field, const QString& value);
bool OdbcInsertKey(const QString& source, const QString& table, const QString& keyField,
                   const QString& keyValue);
// Whether a row of the driver's table list names a table to offer: system tables only when
// their name ends in "$" (worksheets).
bool IsListedTable(const QString& name, const QString& type);
// A name between double quotes, inner double quotes doubled.
QString QuoteSqlName(const QString& name);
// A driver's UTF-8 answer: up to its NUL within size bytes, an incomplete last character
// dropped, cut at DbMaxValueChars characters (never inside one).
QString DecodeDriverText(const char* bytes, int64_t size);
// Characters below 32 as blanks.
QString CleanDbValue(const QString& text);

// ---- Both kinds ----
QStringList DbDataSources();
bool DbSourceExists(int kind, const QString& source);
QStringList DbTables(int kind, const QString& source);
bool DbHasTable(int kind, const QString& source, const QString& table);
bool DbOpenTable(int kind, const QString& source, const QString& table);
QStringList DbFields(int kind, const QString& source, const QString& table);
bool DbFieldIndex(int kind, const QString& source, const QString& table, int& index,
                  const QString& field);
bool DbHasField(int kind, const QString& source, const QString& table, const QString& field);
bool DbFindRecord(int kind, const QString& source, const QString& table, const QString& keyField,
                  const QString& keyValue);
int16_t DbFieldCount();
QString DbFieldName(int field);
QString DbFieldValue(int field);
// Control characters become blanks; the field takes the value whole or refuses it with a
// message (a dBase field by its type and bytes, an ODBC character column by the length the
// driver gives it). True when it was written.
bool DbSetFieldValue(int field, const QString& text);
bool DbAppendKey(int kind, const QString& source, const QString& table, const QString& keyField,
                 const QString& keyValue);
void DbClose();
// Database > ODBC: the driver manager's data-source administration with the parent window.
void ManageOdbcSources(void* parent);

} // namespace zemo
