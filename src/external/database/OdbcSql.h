// OdbcSql: the ODBC driver manager (unixODBC) bound at run time, so that the program starts and
// works on a machine without it until an ODBC data source is used. The entry points are taken
// by name from "libodbc.so.2"; their types are those of the driver manager's own headers.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <QString>

#include <stdexcept>

namespace zemo {

// A library that cannot be loaded or lacks an entry point; the text says which and why.
struct OdbcLoadError : std::runtime_error {
    explicit OdbcLoadError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// The entry points the database layer may call, in the order they are taken.
#define ZEMO_ODBC_ENTRY_POINTS(X) \
    X(SQLAllocHandle) X(SQLSetEnvAttr) X(SQLFreeHandle) X(SQLGetInfo) X(SQLProcedures) \
    X(SQLColumns) X(SQLSpecialColumns) X(SQLGetDiagRec) X(SQLConnect) X(SQLDisconnect) \
    X(SQLDriverConnect) X(SQLExecDirect) X(SQLPrepare) X(SQLCloseCursor) X(SQLExecute) \
    X(SQLFetch) X(SQLNumResultCols) X(SQLDescribeCol) X(SQLFetchScroll) X(SQLExtendedFetch) \
    X(SQLGetData) X(SQLSetStmtAttr) X(SQLGetStmtAttr) X(SQLBulkOperations) X(SQLPutData) \
    X(SQLBindCol) X(SQLSetPos) X(SQLDataSources) X(SQLDrivers) X(SQLSetConnectAttr) \
    X(SQLGetCursorName) X(SQLSetCursorName) X(SQLRowCount) X(SQLBindParameter) X(SQLFreeStmt) \
    X(SQLColAttribute) X(SQLEndTran) X(SQLTables) X(SQLPrimaryKeys)

inline constexpr int OdbcEntryPointCount = 39;

struct OdbcApi {
#define ZEMO_ODBC_POINTER(name) decltype(&::name) name = nullptr;
    ZEMO_ODBC_ENTRY_POINTS(ZEMO_ODBC_POINTER)
#undef ZEMO_ODBC_POINTER
};

struct OdbcSqlState {
    // The libraries' names; tests point them elsewhere.
    QString LibraryName = QStringLiteral("libodbc.so.2");
    QString SetupLibraryName = QStringLiteral("libodbcinst.so.2");
    void* Library = nullptr;
    void* SetupLibrary = nullptr;
    OdbcApi Api;
};

extern OdbcSqlState OdbcSql;

// Loads the driver manager and takes every entry point; loading twice does nothing. Raises
// OdbcLoadError ("Error Getting adress for " + name + CR + the loader's text for a missing
// one); the library is not kept then.
void LoadOdbc();
bool OdbcLoaded();
// Frees both libraries; their handles and the entry points become empty.
void UnloadOdbc();

// The driver manager's data-source administration with the parent window (opaque): loads the
// set-up library on first use (OdbcLoadError when it or its entry point is missing) and
// returns the entry point's result. Debian's driver manager has no dialog behind it and
// answers false; then the user's data-source file opens in our own editor.
bool ManageDataSources(void* parent);
// The user's data-source file: ODBCINI, else ~/.odbc.ini.
QString OdbcDataSourceFile();
// Makes the file when it is missing and shows it in our own editor (a desktop may have no
// program for it); true when it was saved.
bool EditDataSourceFile();

} // namespace zemo
