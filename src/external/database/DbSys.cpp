#include "external/database/DbSys.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "external/database/DBase.h"
#include "external/database/OdbcSql.h"
#include "external/database/ZFileCtrl.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace zemo {

DbSysState Db;

namespace {

// Values are read in pieces of this size, as long as they are.
constexpr int ValueChunkBytes = 4096;
constexpr int NameBufferBytes = 1024;
constexpr int TypeBufferBytes = 64;
// Data source names are at most 32 characters; descriptions are not read.
constexpr int SourceNameBytes = 256;
constexpr int SourceDescriptionBytes = 256;

// What the driver fills at a fetch: bound while one statement runs, unbound after it.
struct FetchBuffers {
    std::array<char, NameBufferBytes> TableName{};
    std::array<char, TypeBufferBytes> TableType{};
    SQLLEN TableNameInd = 0;
    SQLLEN TableTypeInd = 0;
};

FetchBuffers& Buffers()
{
    static FetchBuffers buffers;
    return buffers;
}

const OdbcApi& Api() { return OdbcSql.Api; }
SQLHENV Env() { return static_cast<SQLHENV>(Db.Env); }
SQLHDBC Conn() { return static_cast<SQLHDBC>(Db.Conn); }
SQLHSTMT Stmt() { return static_cast<SQLHSTMT>(Db.Stmt); }

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// A guarded call: any other answer shows "SQL Error " and the code, and ends the operation.
void Check(SQLRETURN rc)
{
    Db.LastReturn = rc;
    if (Succeeded(rc))
        return;
    ShownMessage m;
    m.kind = MsgKind::Error;
    m.label = QStringLiteral("SQL Error ") + QString::number(rc);
    ShowMsg(m);
    throw EAbort();
}

// The statement handle free for the next statement: cursor closed, columns and parameters
// unbound, so nothing bound for a wider result is written at a later fetch.
void ResetStatement()
{
    if (!Stmt())
        return;
    Api().SQLFreeStmt(Stmt(), SQL_CLOSE);
    Api().SQLFreeStmt(Stmt(), SQL_UNBIND);
    Api().SQLFreeStmt(Stmt(), SQL_RESET_PARAMS);
}

// Binds a text parameter; bytes and indicator must live until the statement has run.
void BindText(SQLUSMALLINT n, const QByteArray& bytes, SQLLEN& indicator)
{
    indicator = SQLLEN(bytes.size());
    Check(Api().SQLBindParameter(Stmt(), n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                 SQLULEN(std::max<qsizetype>(1, bytes.size())), 0,
                                 const_cast<char*>(bytes.constData()), SQLLEN(bytes.size() + 1),
                                 &indicator));
}

// Prepares and runs a statement with text parameters; false when the driver refuses it.
bool Execute(const QString& sql, const std::vector<QByteArray>& params)
{
    ResetStatement();
    QByteArray text = sql.toUtf8();
    if (!Succeeded(Api().SQLPrepare(Stmt(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS)))
        return false;
    std::vector<SQLLEN> indicators(params.size());
    for (size_t i = 0; i < params.size(); ++i)
        BindText(SQLUSMALLINT(i + 1), params[i], indicators[i]);
    const SQLRETURN rc = Api().SQLExecute(Stmt());
    Db.LastReturn = rc;
    return Succeeded(rc);
}

QString CutChars(const QString& text, int maxChars)
{
    int chars = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (chars == maxChars)
            return text.left(i);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++chars;
    }
    return text;
}

// The text a bound buffer holds after a fetch.
QString FetchedText(const char* buffer, int size, SQLLEN indicator)
{
    if (indicator == SQL_NULL_DATA)
        return {};
    return DecodeDriverText(buffer, size);
}

// A column of the fetched row as text, whole: read in pieces until the driver has given all
// of it (memory only for what arrived). Null reads as empty.
QString ColumnText(SQLUSMALLINT column)
{
    QByteArray bytes;
    std::array<char, ValueChunkBytes> chunk{};
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = Api().SQLGetData(Stmt(), column, SQL_C_CHAR, chunk.data(), SQLLEN(chunk.size()), &indicator);
        if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA)
            break;
        Check(rc);
        // Each piece ends with a NUL; a piece that filled the buffer is followed by more.
        const qsizetype room = qsizetype(chunk.size()) - 1;
        const qsizetype got = indicator >= 0 && indicator <= room ? qsizetype(indicator) : room;
        bytes.append(chunk.data(), got);
        if (rc == SQL_SUCCESS || got < room)
            break;
    }
    return QString::fromUtf8(bytes);
}

// Character columns hold at most their length in characters; other types, and a length the
// driver does not tell, are the driver's to judge.
bool IsCharacterType(int32_t type)
{
    switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return true;
    default:
        return false;
    }
}

// True when the column takes the value whole; else says so by field name and length.
bool FitsColumn(const DbColumn& col, const QString& value)
{
    if (!IsCharacterType(col.Type) || col.Length <= 0)
        return true;
    const qsizetype chars = value.toUcs4().size();
    if (chars <= col.Length)
        return true;
    ErrorMsg(TextKey::OdbcTextTooLong, CleanParamText(value) + u';' + CleanParamText(col.Name) + u';'
                                           + QString::number(col.Length) + u';' + QString::number(chars));
    return false;
}

// The connection's diagnostic records, one per line ("[unixODBC][Driver Manager]Can't open
// lib ..."), or the return code when there are none.
QString ConnectionDiagnostics()
{
    QStringList lines;
    for (SQLSMALLINT i = 1; i <= 8; ++i) {
        std::array<char, 6> state{};
        std::array<char, SQL_MAX_MESSAGE_LENGTH + 1> text{};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!Succeeded(Api().SQLGetDiagRec(SQL_HANDLE_DBC, Conn(), i, reinterpret_cast<SQLCHAR*>(state.data()), &native,
                                           reinterpret_cast<SQLCHAR*>(text.data()), SQLSMALLINT(text.size()), &length)))
            break;
        lines << DecodeDriverText(text.data(), int64_t(text.size()));
    }
    return lines.isEmpty() ? QStringLiteral("SQL Error ") + QString::number(Db.LastReturn) : lines.join(u'\n');
}

void FreeOdbcHandles()
{
    if (OdbcLoaded()) {
        if (Db.Conn)
            Api().SQLFreeHandle(SQL_HANDLE_DBC, Conn());
        if (Db.Env)
            Api().SQLFreeHandle(SQL_HANDLE_ENV, Env());
    }
    Db.Conn = nullptr;
    Db.Env = nullptr;
}

void FailInit(const QString& why)
{
    FreeOdbcHandles();
    UnloadOdbc();
    ErrorMsg(TextKey::CannotConnectOdbc, why);
}

} // namespace

void ResetDbSys()
{
    DbClose();
    DoneOdbc();
    OdbcSql = OdbcSqlState{};
    Db = DbSysState{};
    Buffers() = FetchBuffers{};
}

void EnsureColumns(int count)
{
    if (int(Db.Columns.size()) < count)
        Db.Columns.resize(size_t((count + 63) / 64 * 64));
}

QString DecodeDriverText(const char* bytes, int64_t size)
{
    const int64_t n = int64_t(::strnlen(bytes, size_t(std::max<int64_t>(0, size))));
    int64_t end = n;
    // A value cut at the buffer's end may end inside a character: that character goes.
    int64_t lead = n - 1;
    while (lead >= 0 && lead > n - 4 && (uint8_t(bytes[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead >= 0) {
        const uint8_t b = uint8_t(bytes[lead]);
        const int64_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (lead + need > n)
            end = lead;
    }
    return CutChars(QString::fromUtf8(bytes, qsizetype(end)), DbMaxValueChars);
}

QString CleanDbValue(const QString& text)
{
    QString s = text;
    for (QChar& c : s)
        if (c.unicode() < 32)
            c = u' ';
    return s;
}

QString QuoteSqlName(const QString& name)
{
    QString inner = name;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

bool IsListedTable(const QString& name, const QString& type)
{
    if (name.isEmpty())
        return false;
    return type != QStringLiteral("SYSTEM TABLE") || name.endsWith(u'$');
}

bool InitOdbc()
{
    if (Db.OdbcInitialised)
        return true;
    try {
        LoadOdbc();
    } catch (const OdbcLoadError& e) {
        FailInit(QString::fromStdString(e.what()));
        return false;
    }
    const auto need = [](SQLRETURN rc) {
        Db.LastReturn = rc;
        if (!Succeeded(rc))
            throw OdbcLoadError(QStringLiteral("SQL Error ") + QString::number(rc));
    };
    try {
        SQLHANDLE env = nullptr;
        need(Api().SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env));
        Db.Env = env;
        need(Api().SQLSetEnvAttr(Env(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
        SQLHANDLE conn = nullptr;
        need(Api().SQLAllocHandle(SQL_HANDLE_DBC, Env(), &conn));
        Db.Conn = conn;
        need(Api().SQLSetConnectAttr(Conn(), SQL_ATTR_ODBC_CURSORS,
                                     reinterpret_cast<SQLPOINTER>(SQL_CUR_USE_DRIVER), SQL_IS_UINTEGER));
    } catch (const OdbcLoadError& e) {
        FailInit(QString::fromStdString(e.what()));
        return false;
    }
    Db.OpenSource.clear();
    Db.OpenTable.clear();
    EnsureColumns(64);
    Db.OdbcInitialised = true;
    // The driver manager is let go before the process ends.
    static const bool atExit = std::atexit([] { DoneOdbc(); }) == 0;
    (void)atExit;
    return true;
}

void DoneOdbc()
{
    if (Db.OdbcInitialised) {
        OdbcDisconnect();
        FreeOdbcHandles();
        Db.OdbcInitialised = false;
    }
    UnloadOdbc();
}

void ListDataSources()
{
    Db.DataSourceNames.clear();
    if (!InitOdbc())
        return;
    std::array<char, SourceNameBytes> name{};
    std::array<char, SourceDescriptionBytes> description{};
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        const SQLRETURN rc = Api().SQLDataSources(
            Env(), direction, reinterpret_cast<SQLCHAR*>(name.data()), SQLSMALLINT(name.size()), &nameLength,
            reinterpret_cast<SQLCHAR*>(description.data()), SQLSMALLINT(description.size()), &descriptionLength);
        if (!Succeeded(rc))
            break;
        Db.DataSourceNames.append(DecodeDriverText(name.data(), int64_t(name.size())));
        direction = SQL_FETCH_NEXT;
    }
}

void OdbcDisconnect()
{
    if (Db.Connected && OdbcLoaded()) {
        if (Db.Stmt)
            Api().SQLFreeHandle(SQL_HANDLE_STMT, Stmt());
        Api().SQLDisconnect(Conn());
    }
    Db.Stmt = nullptr;
    Db.Connected = false;
    Db.OpenSource.clear();
    Db.OpenTable.clear();
    Db.DbKind = DbKindNone;
}

bool OdbcConnect(const QString& source)
{
    if (Db.DbKind == DbKindOdbc && Db.Connected && source == Db.OpenSource)
        return true;
    OdbcDisconnect();
    Db.TableNames.clear();
    Db.ConnectError.clear();
    if (!InitOdbc())
        return false;
    QByteArray dsn = source.toUtf8();
    const SQLRETURN rc = Api().SQLConnect(Conn(), reinterpret_cast<SQLCHAR*>(dsn.data()), SQL_NTS,
                                          nullptr, 0, nullptr, 0);
    Db.LastReturn = rc;
    if (!Succeeded(rc)) {
        Db.ConnectError = ConnectionDiagnostics();
        return false;
    }
    Db.Connected = true;
    FetchBuffers& b = Buffers();
    try {
        SQLHANDLE stmt = nullptr;
        Check(Api().SQLAllocHandle(SQL_HANDLE_STMT, Conn(), &stmt));
        Db.Stmt = stmt;
        Check(Api().SQLTables(Stmt(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
        SQLSMALLINT columns = 0;
        Check(Api().SQLNumResultCols(Stmt(), &columns));
        if (columns >= 4) {
            Check(Api().SQLBindCol(Stmt(), 3, SQL_C_CHAR, b.TableName.data(), SQLLEN(b.TableName.size()), &b.TableNameInd));
            Check(Api().SQLBindCol(Stmt(), 4, SQL_C_CHAR, b.TableType.data(), SQLLEN(b.TableType.size()), &b.TableTypeInd));
            while (Succeeded(Api().SQLFetch(Stmt()))) {
                const QString name = FetchedText(b.TableName.data(), int(b.TableName.size()), b.TableNameInd);
                const QString type = FetchedText(b.TableType.data(), int(b.TableType.size()), b.TableTypeInd);
                if (IsListedTable(name, type))
                    Db.TableNames.append(name);
            }
        }
        Check(Api().SQLCloseCursor(Stmt()));
        ResetStatement();
    } catch (const EAbort&) {
        ResetStatement();
        return false;
    }
    Db.DbKind = DbKindOdbc;
    Db.OpenSource = source;
    Db.OpenTable.clear();
    return true;
}

bool OdbcSelect(const QString& source, const QString& table, const QString& keyField,
                const QString& keyValue)
{
    if (!DbHasTable(DbKindOdbc, source, table))
        return false;
    Db.FieldNames.clear();
    Db.FieldCount = 0;
    Db.OpenTable.clear();
    Db.KeyFieldIndex = -1;
    Db.KeyValue.clear();
    bool found = false;
    try {
        QString sql = QStringLiteral("SELECT * FROM ") + QuoteSqlName(table);
        std::vector<QByteArray> params;
        if (!keyValue.isEmpty()) {
            sql += QStringLiteral(" WHERE ") + QuoteSqlName(keyField) + QStringLiteral(" = ?");
            params.push_back(keyValue.toUtf8());
        }
        if (!Execute(sql, params)) {
            ResetStatement();
            return false;
        }
        SQLSMALLINT columns = 0;
        Check(Api().SQLNumResultCols(Stmt(), &columns));
        const int count = std::max<int>(0, columns);
        EnsureColumns(count);
        Db.FieldCount = int16_t(count);
        for (int i = 0; i < count; ++i) {
            const SQLUSMALLINT n = SQLUSMALLINT(i + 1);
            DbColumn& col = Db.Columns[size_t(i)];
            std::array<char, NameBufferBytes> name{};
            SQLSMALLINT nameLength = 0;
            Check(Api().SQLColAttribute(Stmt(), n, SQL_DESC_NAME, name.data(), SQLSMALLINT(name.size()), &nameLength, nullptr));
            col.Name = DecodeDriverText(name.data(), int64_t(name.size()));
            Db.FieldNames.append(col.Name);
            SQLLEN type = 0, length = 0;
            if (!Succeeded(Api().SQLColAttribute(Stmt(), n, SQL_DESC_TYPE, nullptr, 0, nullptr, &type)))
                type = 0;
            if (!Succeeded(Api().SQLColAttribute(Stmt(), n, SQL_DESC_LENGTH, nullptr, 0, nullptr, &length)))
                length = 0;
            col.Type = int32_t(type);
            col.Length = int32_t(std::clamp<SQLLEN>(length, INT32_MIN, INT32_MAX));
            col.Value.clear();
        }
        // Values are taken whole after the fetch, in column order, rather than bound to
        // buffers of a size fixed beforehand; a fixed binary column shows no value.
        found = Succeeded(Api().SQLFetch(Stmt()));
        if (found)
            for (int i = 0; i < count; ++i)
                if (Db.Columns[size_t(i)].Type != SQL_BINARY)
                    Db.Columns[size_t(i)].Value = ColumnText(SQLUSMALLINT(i + 1));
        Api().SQLCloseCursor(Stmt());
        ResetStatement();
    } catch (const EAbort&) {
        ResetStatement();
        return false;
    }
    Db.DbKind = DbKindOdbc;
    Db.OpenTable = table;
    Db.KeyFieldIndex = int(Db.FieldNames.indexOf(keyField));
    Db.KeyValue = keyValue;
    return found;
}

bool UpdateOdbcKey(int field, const QString& value)
{
    const QString table = Db.OpenTable;
    if (!Db.Connected || table.isEmpty() || field < 0 || field >= Db.FieldCount || Db.KeyFieldIndex < 0
        || Db.KeyFieldIndex >= Db.FieldCount) {
        ErrorMsg(TextKey::CannotUpdateTable, table);
        return false;
    }
    bool done = false;
    try {
        const QString sql = QStringLiteral("UPDATE ") + QuoteSqlName(table) + QStringLiteral(" SET ")
            + QuoteSqlName(Db.Columns[size_t(field)].Name) + QStringLiteral(" = ? WHERE (")
            + QuoteSqlName(Db.Columns[size_t(Db.KeyFieldIndex)].Name) + QStringLiteral(" = ?)");
        done = Execute(sql, {value.toUtf8(), Db.KeyValue.toUtf8()});
        ResetStatement();
    } catch (const EAbort&) {
        ResetStatement();
        return false;
    } catch (const std::exception&) {
        ErrorMsg(QStringLiteral(": DbSys.UpdateOdbcKey"));
        return false;
    }
    if (!done) {
        ErrorMsg(TextKey::CannotUpdateTable, table);
        return false;
    }
    // The record keeps its name when its key is what changed.
    if (field == Db.KeyFieldIndex)
        Db.KeyValue = value;
    return true;
}

bool OdbcInsertKey(const QString& source, const QString& table, const QString& keyField,
                   const QString& keyValue)
{
    int key = -1;
    if (!DbFieldIndex(DbKindOdbc, source, table, key, keyField) || !FitsColumn(Db.Columns[size_t(key)], keyValue))
        return false;
    bool done = false;
    try {
        const QString sql = QStringLiteral("INSERT INTO ") + QuoteSqlName(table) + QStringLiteral(" (")
            + QuoteSqlName(keyField) + QStringLiteral(") VALUES (?)");
        done = Execute(sql, {keyValue.toUtf8()});
        ResetStatement();
    } catch (const EAbort&) {
        ResetStatement();
        return false;
    }
    if (!done)
        ErrorMsg(TextKey::CannotInsertRecord, table);
    return done;
}

QStringList DbDataSources()
{
    ListDataSources();
    return Db.DataSourceNames;
}

bool DbSourceExists(int kind, const QString& source)
{
    if (kind == DbKindOdbc) {
        ListDataSources();
        return Db.DataSourceNames.contains(source);
    }
    return source.isEmpty() || DirectoryExists(source);
}

QStringList DbTables(int kind, const QString& source)
{
    if (kind == DbKindOdbc)
        OdbcConnect(source);
    else
        DBaseListTables(source);
    return Db.TableNames;
}

bool DbHasTable(int kind, const QString& source, const QString& table)
{
    // Table files are named in any case, as they were on the systems that made them.
    const Qt::CaseSensitivity cs = kind == DbKindOdbc ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return DbTables(kind, source).contains(table, cs);
}

bool DbOpenTable(int kind, const QString& source, const QString& table)
{
    if (kind == DbKindOdbc) {
        if (Db.DbKind == DbKindOdbc && Db.Connected && Db.OpenSource == source && Db.OpenTable == table)
            return true;
        return OdbcSelect(source, table, QString(), QString());
    }
    return DBaseOpenTable(source, table);
}

QStringList DbFields(int kind, const QString& source, const QString& table)
{
    DbOpenTable(kind, source, table);
    return Db.FieldNames;
}

bool DbFieldIndex(int kind, const QString& source, const QString& table, int& index,
                  const QString& field)
{
    DbOpenTable(kind, source, table);
    index = int(Db.FieldNames.indexOf(field));
    return index >= 0;
}

bool DbHasField(int kind, const QString& source, const QString& table, const QString& field)
{
    int index = -1;
    return DbFieldIndex(kind, source, table, index, field);
}

bool DbFindRecord(int kind, const QString& source, const QString& table, const QString& keyField,
                  const QString& keyValue)
{
    if (kind == DbKindOdbc)
        return OdbcSelect(source, table, keyField, keyValue);
    return DBaseFindRecord(source, table, keyField, keyValue);
}

int16_t DbFieldCount() { return Db.FieldCount; }

QString DbFieldName(int field)
{
    if (field < 0 || field >= Db.FieldCount || field >= int(Db.Columns.size()))
        return {};
    return Db.Columns[size_t(field)].Name;
}

QString DbFieldValue(int field)
{
    if (field < 0 || field >= Db.FieldCount || field >= int(Db.Columns.size()))
        return {};
    return CleanDbValue(Db.Columns[size_t(field)].Value);
}

bool DbSetFieldValue(int field, const QString& text)
{
    if (field < 0 || field >= Db.FieldCount || field >= int(Db.Columns.size()))
        return false;
    if (Db.DbKind == DbKindDBase) {
        // Written whole or refused, never cut: a refused value leaves the column as the table
        // holds it, a written one shows as the table now holds it ("-3.5" as "-3.50").
        if (!DBaseWriteField(field, CleanDbValue(text)))
            return false;
        Db.Columns[size_t(field)].Value = DBaseGetText(field);
        return true;
    }
    // Stored whole when the column takes it, else refused: never cut.
    const QString value = CleanDbValue(text);
    if (!FitsColumn(Db.Columns[size_t(field)], value) || !UpdateOdbcKey(field, value))
        return false;
    Db.Columns[size_t(field)].Value = value;
    return true;
}

bool DbAppendKey(int kind, const QString& source, const QString& table, const QString& keyField,
                 const QString& keyValue)
{
    if (kind == DbKindOdbc)
        return OdbcInsertKey(source, table, keyField, keyValue);
    return DBaseAppendRecord(source, table, keyField, keyValue);
}

void DbClose()
{
    OdbcDisconnect();
    DBaseClose();
}

void ManageOdbcSources(void* parent)
{
    if (!InitOdbc())
        return;
    OdbcDisconnect();
    try {
        Db.LastReturn = ManageDataSources(parent) ? 1 : 0;
    } catch (const OdbcLoadError& e) {
        Db.LastReturn = 0;
        ShownMessage m;
        m.kind = MsgKind::Error;
        m.label = QString::fromStdString(e.what());
        ShowMsg(m);
        EditDataSourceFile();
    }
}

} // namespace zemo
