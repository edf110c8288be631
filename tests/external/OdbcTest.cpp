// ODBC data sources through unixODBC and the SQLite ODBC driver, with the tests' own
// odbcinst.ini and odbc.ini, over a database the sqlite3 tool builds; and the program without
// the driver manager, or with one that lacks an entry point.
#include "../support/ProgramFixture.h"
#include "DbfTestFile.h"
#include "ModalScript.h"
#include "OdbcTestKit.h"

#include "core/Messages.h"
#include "external/database/DBase.h"
#include "external/database/Dataset.h"
#include "external/database/DbSys.h"
#include "external/database/OdbcSql.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace zemo;
using namespace zemo::test;

namespace {

const QString Source = QStringLiteral("ZemoTest");

class OdbcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ResetDbSys();
        ResetDBaseUnit();
        // The SQLite driver loads the driver manager's set-up library for every connection and
        // lets it go again; kept loaded, what it keeps for the process stays attributable.
        static void* const setup = ::dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
        ASSERT_NE(setup, nullptr);
        const QString driver = SqliteDriver();
        ASSERT_FALSE(driver.isEmpty()) << "libsqliteodbc is not installed";
        PointOdbcAt(dir, dir.filePath("odbc.ini"));
        ASSERT_TRUE(WriteText(dir.filePath("odbcinst.ini"), "[SQLite3]\nDriver=" + QFile::encodeName(driver) + "\nDontDLClose=1\n"));
        ASSERT_TRUE(WriteText(dir.filePath("odbc.ini"), "[" + Source.toUtf8() + "]\nDriver=SQLite3\nDatabase="
                                                            + QFile::encodeName(Database()) + "\n"));
        const QByteArray e = QString(300, QChar(0xE9)).toUtf8();
        QByteArray emoji;
        for (int i = 0; i < 300; ++i)
            emoji += "\xF0\x9F\x98\x80";
        const QByteArray script =
            "CREATE TABLE people (id INTEGER PRIMARY KEY, name TEXT, note TEXT);\n"
            "INSERT INTO people VALUES (5, 'Anna', 'a'), (6, 'Bert', 'b'), (7, 'Cora', 'c');\n"
            "CREATE TABLE codes (code TEXT, label TEXT);\n"
            "INSERT INTO codes VALUES ('A1', 'first'), ('B2', 'second');\n"
            "CREATE TABLE empty (k INTEGER, v TEXT);\n"
            "CREATE TABLE bin (k INTEGER, b BLOB, t TEXT);\n"
            "INSERT INTO bin VALUES (1, X'00410203', 'after');\n"
            "CREATE TABLE long_values (k INTEGER, v TEXT);\n"
            "INSERT INTO long_values VALUES (1, '" + e + "'), (2, '" + emoji + "'),"
            " (3, 'a' || char(9) || 'b' || char(13, 10) || 'c');\n"
            "CREATE TABLE two (a TEXT, b TEXT);\n"
            "INSERT INTO two VALUES ('x', 'y');\n"
            "CREATE TABLE \"we\"\"ird\" (\"a\"\"b\" TEXT, c TEXT);\n"
            "INSERT INTO \"we\"\"ird\" VALUES ('q', 'r');\n";
        QString error;
        RunTool(QStringLiteral("sqlite3"), {Database()}, &error, script);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }
    void TearDown() override { ResetDbSys(); }

    QString Database() const { return dir.filePath("test.sqlite"); }
    QString Query(const QString& sql) const
    {
        QString error;
        const QString out = RunTool(QStringLiteral("sqlite3"), {Database(), sql}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return out;
    }

    QTemporaryDir dir;
    RecordingMessages messages;
};

TEST_F(OdbcTest, SourcesAndTablesAreListed)
{
    EXPECT_EQ(DbDataSources(), QStringList({Source}));
    EXPECT_TRUE(DbSourceExists(DbKindOdbc, Source));
    EXPECT_FALSE(DbSourceExists(DbKindOdbc, "Other"));
    QStringList tables = DbTables(DbKindOdbc, Source);
    tables.sort();
    EXPECT_EQ(tables, QStringList({"bin", "codes", "empty", "long_values", "people", "two", "we\"ird"}));
    EXPECT_EQ(Db.DbKind, DbKindOdbc);
    EXPECT_TRUE(DbHasTable(DbKindOdbc, Source, "people"));
    EXPECT_FALSE(DbHasTable(DbKindOdbc, Source, "People")) << "a data source's names are its own";
    EXPECT_EQ(messages.Count(), 0);

    ASSERT_TRUE(WriteText(dir.filePath("odbc.ini"), ""));
    ResetDbSys();
    EXPECT_TRUE(DbDataSources().isEmpty());
}

// A data source whose driver cannot load is refused by the dataset check with the driver
// manager's own words, not as a table that was not found.
TEST_F(OdbcTest, ASourceWhoseDriverDoesNotLoadSaysWhy)
{
    ASSERT_TRUE(WriteText(dir.filePath("odbcinst.ini"), "[Broken]\nDriver=/nonexistent/libzemo-no-driver.so\n"));
    ASSERT_TRUE(WriteText(dir.filePath("odbc.ini"), "[Gone]\nDriver=Broken\n"));
    ResetDbSys();
    DatasetFields f;
    f.Name = "D";
    f.Odbc = true;
    f.Source = "Gone";
    f.Table = "people";
    f.Key = "id";
    QString definition;
    const DatasetCheck check = BuildDatasetDefinition(f, definition);
    EXPECT_FALSE(check.Ok);
    EXPECT_EQ(check.Key, TextKey::CannotConnectOdbc);
    EXPECT_TRUE(check.Param.contains("libzemo-no-driver.so")) << check.Param.toStdString();
    EXPECT_EQ(check.Focus, DatasetControl::Source);
    // A source that connects and lacks the table is still a table not found.
    ResetDbSys();
    ASSERT_TRUE(WriteText(dir.filePath("odbcinst.ini"), "[SQLite3]\nDriver=" + QFile::encodeName(SqliteDriver()) + "\nDontDLClose=1\n"));
    ASSERT_TRUE(WriteText(dir.filePath("odbc.ini"), "[" + Source.toUtf8() + "]\nDriver=SQLite3\nDatabase=" + QFile::encodeName(Database()) + "\n"));
    f.Source = Source;
    f.Table = "nothere";
    EXPECT_EQ(BuildDatasetDefinition(f, definition).Key, TextKey::TableNotFound);
}

// Tables open with their fields and first row, whatever was bound for the table list before;
// an empty table has its fields but no record; a fixed binary column shows nothing.
TEST_F(OdbcTest, TablesOpenWithFieldsAndFirstRow)
{
    struct Case {
        const char* table;
        bool row;
        QStringList fields;
        QStringList values;
    };
    const Case cases[] = {
        {"two", true, {"a", "b"}, {"x", "y"}},
        {"people", true, {"id", "name", "note"}, {"5", "Anna", "a"}},
        {"empty", false, {"k", "v"}, {"", ""}},
        {"bin", true, {"k", "b", "t"}, {"1", "", "after"}},
        {"we\"ird", true, {"a\"b", "c"}, {"q", "r"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DbOpenTable(DbKindOdbc, Source, c.table), c.row) << c.table;
        EXPECT_EQ(Db.FieldNames, c.fields) << c.table;
        ASSERT_EQ(DbFieldCount(), c.fields.size()) << c.table;
        for (int i = 0; i < DbFieldCount(); ++i) {
            EXPECT_EQ(DbFieldName(i), c.fields[i]) << c.table;
            EXPECT_EQ(DbFieldValue(i), c.values[i]) << c.table << " field " << i;
        }
    }
    ASSERT_TRUE(DbOpenTable(DbKindOdbc, Source, "bin"));
    EXPECT_EQ(Db.Columns[1].Type, SQL_BINARY);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(DbFields(DbKindOdbc, Source, "codes"), QStringList({"code", "label"}));
    int index = -1;
    EXPECT_TRUE(DbFieldIndex(DbKindOdbc, Source, "people", index, "note"));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(DbHasField(DbKindOdbc, Source, "people", "missing"));
    EXPECT_FALSE(DbOpenTable(DbKindOdbc, Source, "nosuch"));
}

// Values are read whole, however long, and a character cut between two pieces of the
// driver's answer comes out whole.
TEST_F(OdbcTest, LongValuesAreReadWholeAndControlCharactersBlank)
{
    ASSERT_TRUE(Query("INSERT INTO long_values VALUES (4, printf('%.3000c', 'x') || '" + QString(3000, QChar(0xE9)) + "')").isEmpty());
    struct Case {
        const char* key;
        QString value;
    };
    QString emoji;
    for (int i = 0; i < 300; ++i)
        emoji += QString::fromUtf8("\xF0\x9F\x98\x80");
    const Case cases[] = {
        {"1", QString(300, QChar(0xE9))},
        {"2", emoji},
        {"3", "a b  c"},
        {"4", QString(3000, u'x') + QString(3000, QChar(0xE9))},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(DbFindRecord(DbKindOdbc, Source, "long_values", "k", c.key)) << c.key;
        EXPECT_EQ(DbFieldValue(1), c.value) << c.key;
    }
    EXPECT_EQ(Db.KeyFieldIndex, 0);
    EXPECT_EQ(Db.KeyValue, "4");
}

// Text goes into a character column whole when the column's length takes it, counted in
// characters; a longer one is refused by field name and length and the row keeps its value.
// Columns of other types are the driver's to judge.
TEST_F(OdbcTest, TextIsStoredWholeOrRefusedByFieldAndLength)
{
    ASSERT_TRUE(Query("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT, label VARCHAR(20), code CHAR(4), "
                      "n INTEGER, wide NVARCHAR(10)); INSERT INTO notes VALUES (1, 'b', 'l', 'c', 1, 'w');"
                      "CREATE TABLE tags (tag VARCHAR(4), note TEXT);").isEmpty());
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    struct Case {
        int field;
        QString value;
        const char* column;
        int limit; // 0: stored
        int chars;
    };
    const Case cases[] = {
        {1, QString(995, u'x') + QString::fromUtf8("Grüße"), "body", 0, 0},
        {2, QString(20, u'q'), "label", 0, 0},
        {2, QString(21, u'q'), "label", 20, 21},
        {2, smile.repeated(20), "label", 0, 0},
        {2, smile.repeated(21), "label", 20, 21},
        {3, "ABCD", "code", 0, 0},
        {3, "ABCDE", "code", 4, 5},
        {4, "12345678901", "n", 0, 0},
        {5, QString(11, QChar(0x451)), "wide", 10, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column + std::to_string(c.value.size()));
        messages.Clear();
        ASSERT_TRUE(DbFindRecord(DbKindOdbc, Source, "notes", "id", "1"));
        const QString before = Query(QStringLiteral("SELECT %1 FROM notes").arg(c.column));
        const QString shown = DbFieldValue(c.field);
        EXPECT_EQ(DbSetFieldValue(c.field, c.value), c.limit == 0);
        if (c.limit == 0) {
            EXPECT_EQ(messages.Count(), 0);
            EXPECT_EQ(Query(QStringLiteral("SELECT %1 FROM notes").arg(c.column)), c.value + u'\n');
            EXPECT_EQ(DbFieldValue(c.field), c.value);
            ASSERT_TRUE(DbFindRecord(DbKindOdbc, Source, "notes", "id", "1"));
            EXPECT_EQ(DbFieldValue(c.field), c.value) << "read back whole";
        } else {
            ASSERT_EQ(messages.Count(), 1);
            EXPECT_EQ(messages.Last().key, TextKey::OdbcTextTooLong);
            EXPECT_EQ(messages.Last().params, QStringLiteral("%1;%2;%3;%4").arg(c.value, c.column).arg(c.limit).arg(c.chars));
            EXPECT_EQ(Query(QStringLiteral("SELECT %1 FROM notes").arg(c.column)), before);
            EXPECT_EQ(DbFieldValue(c.field), shown);
        }
    }
    EXPECT_EQ(Query("SELECT length(body) FROM notes"), "1000\n");
    // A new key is held to its column the same way.
    messages.Clear();
    EXPECT_FALSE(DbAppendKey(DbKindOdbc, Source, "tags", "tag", "ABCDE"));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().params, "ABCDE;tag;4;5");
    EXPECT_TRUE(DbAppendKey(DbKindOdbc, Source, "tags", "tag", "ABCD"));
    EXPECT_EQ(Query("SELECT tag FROM tags"), "ABCD\n");
}

// Keys and values travel as parameters: an apostrophe is a letter, a text key matches, and a
// key with SQL in it names no row.
TEST_F(OdbcTest, UpdatesAndInsertsTouchExactlyTheRowTheyName)
{
    struct Case {
        const char* table;
        const char* keyField;
        QString key;
        int field;
        QString value;
        bool found;
        const char* select;
        QString rows;
    };
    const Case cases[] = {
        {"people", "id", "6", 1, "O'Brien \"Bob\"", true, "SELECT id, name FROM people ORDER BY id",
         "5|Anna\n6|O'Brien \"Bob\"\n7|Cora\n"},
        {"codes", "code", "b2", 1, "", false, "SELECT * FROM codes ORDER BY code", "A1|first\nB2|second\n"},
        {"codes", "code", "B2", 1, "it's", true, "SELECT * FROM codes ORDER BY code", "A1|first\nB2|it's\n"},
        {"people", "id", "5 OR 1=1", 1, "hacked", false, "SELECT id, name FROM people ORDER BY id",
         "5|Anna\n6|O'Brien \"Bob\"\n7|Cora\n"},
        {"codes", "code", "A1", 0, "A'1", true, "SELECT * FROM codes ORDER BY code", "A'1|first\nB2|it's\n"},
    };
    for (const Case& c : cases) {
        messages.Clear();
        EXPECT_EQ(DbFindRecord(DbKindOdbc, Source, c.table, c.keyField, c.key), c.found) << c.key.toStdString();
        if (!c.value.isEmpty()) {
            EXPECT_EQ(DbSetFieldValue(c.field, c.value), c.found) << c.key.toStdString();
            EXPECT_EQ(messages.CountOf(TextKey::CannotUpdateTable), c.found ? 0 : 1);
        }
        EXPECT_EQ(Query(c.select), c.rows) << c.key.toStdString();
    }
    // The key written last names the record from then on.
    EXPECT_EQ(Db.KeyValue, "A'1");
    ASSERT_TRUE(DbSetFieldValue(1, "renamed"));
    EXPECT_EQ(Query("SELECT label FROM codes WHERE code = 'A''1'"), "renamed\n");

    messages.Clear();
    ASSERT_TRUE(DbAppendKey(DbKindOdbc, Source, "codes", "code", "O'Neil"));
    ASSERT_TRUE(DbAppendKey(DbKindOdbc, Source, "codes", "code", "x'); DROP TABLE codes; --"));
    EXPECT_FALSE(DbAppendKey(DbKindOdbc, Source, "codes", "nofield", "z"));
    EXPECT_EQ(Query("SELECT code, label IS NULL FROM codes ORDER BY rowid"),
              "A'1|0\nB2|0\nO'Neil|1\nx'); DROP TABLE codes; --|1\n");
    EXPECT_EQ(messages.Count(), 0);
    ASSERT_TRUE(DbFindRecord(DbKindOdbc, Source, "codes", "code", "O'Neil"));
    EXPECT_EQ(DbFieldValue(0), "O'Neil");
}

TEST_F(OdbcTest, SameSourceAndTableAreNotQueriedAgain)
{
    ASSERT_TRUE(DbOpenTable(DbKindOdbc, Source, "people"));
    void* const stmt = Db.Stmt;
    Query("DELETE FROM people");
    EXPECT_TRUE(DbOpenTable(DbKindOdbc, Source, "people")) << "already open";
    EXPECT_EQ(Db.Stmt, stmt);
    EXPECT_FALSE(DbFindRecord(DbKindOdbc, Source, "people", "id", "5"));
    DbClose();
    EXPECT_EQ(Db.DbKind, DbKindNone);
    EXPECT_FALSE(Db.Connected);
}

// The shape export's attribute table from an ODBC record: one character field per column,
// the lengths the driver reports within one byte, and the record's values.
TEST_F(OdbcTest, AnOdbcRecordBecomesADBaseRecord)
{
    ASSERT_TRUE(Query("CREATE TABLE shapes (id INTEGER, label VARCHAR(300), code CHAR(4), free);"
                      "INSERT INTO shapes VALUES (42, 'Grüße', 'AB', 'f');").isEmpty());
    ASSERT_TRUE(DbFindRecord(DbKindOdbc, Source, "shapes", "id", "42"));
    struct Field {
        const char* name;
        int reported;   // by the driver
        int length;     // in the table
        QByteArray value;
    };
    const Field fields[] = {
        {"ID", 10, 10, "42"},
        {"LABEL", 300, 254, "Gr\xFC\xDF" "e"},
        {"CODE", 4, 4, "AB"},
        {"FREE", 255, 254, "f"},
    };
    DBaseTransferHeader();
    ASSERT_EQ(DBaseUnit.Fields.size(), std::size(fields));
    QByteArray expected(" ");
    for (size_t i = 0; i < std::size(fields); ++i) {
        const Field& f = fields[i];
        EXPECT_EQ(Db.Columns[i].Length, f.reported) << f.name;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(DBaseUnit.Fields[i].data()), 11),
                  QByteArray(f.name).leftJustified(11, '\0'));
        EXPECT_EQ(DBaseUnit.Fields[i][11], 'C');
        EXPECT_EQ(DBaseUnit.Fields[i][16], f.length) << f.name;
        expected += f.value.leftJustified(f.length, ' ');
    }
    DBaseTransferRecord();
    const QByteArray rec(reinterpret_cast<const char*>(DBaseUnit.Record.data()), qsizetype(DBaseUnit.Record.size()));
    EXPECT_EQ(rec, expected);
    EXPECT_EQ(messages.Count(), 0);

    // A column whose length the source does not report gets 12 characters.
    Db.Columns[0].Length = 0;
    DBaseTransferHeader();
    EXPECT_EQ(DBaseUnit.Fields[0][16], 12);

    DbClose();
    DBaseTransferHeader();
    DBaseTransferRecord();
    ASSERT_EQ(messages.Count(), 2);
    EXPECT_EQ(messages.Entries()[0].msg.label, ": DBaseTransferHeader");
    EXPECT_EQ(messages.Entries()[1].msg.label, ": DBaseTransferRecord");
}

TEST(OdbcNames, TableListQuotingAndDriverText)
{
    struct Listed {
        const char* name;
        const char* type;
        bool listed;
    };
    for (const Listed& c : {Listed{"Sheet1$", "SYSTEM TABLE", true}, Listed{"MSysObjects", "SYSTEM TABLE", false},
                            Listed{"t", "TABLE", true}, Listed{"v", "VIEW", true}, Listed{"x$", "TABLE", true},
                            Listed{"s", "SYSTEM TABLES", true}, Listed{"", "TABLE", false}})
        EXPECT_EQ(IsListedTable(c.name, c.type), c.listed) << c.name << " " << c.type;

    EXPECT_EQ(QuoteSqlName("plain"), "\"plain\"");
    EXPECT_EQ(QuoteSqlName("a\"b\"\""), "\"a\"\"b\"\"\"\"\"");

    struct Text {
        QByteArray bytes;
        QString text;
    };
    const Text texts[] = {
        {QByteArray("ab\xC3", 3), "ab"},                        // cut inside a character
        {QByteArray("\xE2\x82", 2), ""},
        {QByteArray("x\xE2\x82\xAC", 4), QString::fromUtf8("x€")},
        {QByteArray("ab\0cd", 5), "ab"},
        {QByteArray("\xF0\x9F\x98\x80", 4), QString::fromUtf8("😀")},
    };
    for (const Text& t : texts)
        EXPECT_EQ(DecodeDriverText(t.bytes.constData(), t.bytes.size()), t.text) << t.bytes.toHex().toStdString();
    EXPECT_EQ(CleanDbValue(QString(254, 'a') + QString::fromUtf8("\t😀\r\n😀")), QString(254, 'a') + QString::fromUtf8(" 😀  😀"));
}

// Without the driver manager every ODBC operation says so or answers false, and none of them
// calls into the missing library.
TEST(OdbcMissing, WithoutTheDriverManagerEveryCallIsSafe)
{
    RecordingMessages messages;
    ResetDbSys();
    OdbcSql.LibraryName = QStringLiteral("libzemo-no-such-odbc.so.2");
    EXPECT_FALSE(InitOdbc());
    ASSERT_EQ(messages.CountOf(TextKey::CannotConnectOdbc), 1);
    EXPECT_TRUE(messages.Last().params.contains("libzemo-no-such-odbc.so.2")) << messages.Last().params.toStdString();
    EXPECT_FALSE(OdbcLoaded());
    EXPECT_TRUE(DbDataSources().isEmpty());
    EXPECT_FALSE(DbSourceExists(DbKindOdbc, Source));
    EXPECT_TRUE(DbTables(DbKindOdbc, Source).isEmpty());
    EXPECT_FALSE(DbOpenTable(DbKindOdbc, Source, "people"));
    EXPECT_FALSE(DbFindRecord(DbKindOdbc, Source, "people", "id", "5"));
    EXPECT_FALSE(DbAppendKey(DbKindOdbc, Source, "people", "id", "9"));
    EXPECT_FALSE(DbSetFieldValue(0, "x"));
    ManageOdbcSources(nullptr);
    DbClose();
    EXPECT_FALSE(OdbcLoaded());
    EXPECT_EQ(Db.DbKind, DbKindNone);
    EXPECT_EQ(messages.CountOf(TextKey::CannotConnectOdbc), messages.Count());
    ResetDbSys();
}

TEST(OdbcMissing, ALibraryWithoutAnEntryPointIsNamed)
{
    RecordingMessages messages;
    ResetDbSys();
    OdbcSql.LibraryName = QStringLiteral(ZEMO_ODBC_STUB);
    EXPECT_THROW(LoadOdbc(), OdbcLoadError);
    try {
        LoadOdbc();
    } catch (const OdbcLoadError& e) {
        const QString text = QString::fromStdString(e.what());
        EXPECT_TRUE(text.startsWith("Error Getting adress for SQLPrimaryKeys\r")) << e.what();
        EXPECT_TRUE(text.contains("SQLPrimaryKeys", Qt::CaseSensitive) && text.size() > 41) << e.what();
    }
    EXPECT_FALSE(OdbcLoaded());
    EXPECT_FALSE(InitOdbc());
    ASSERT_EQ(messages.CountOf(TextKey::CannotConnectOdbc), 1);
    EXPECT_TRUE(messages.Last().params.startsWith("Error Getting adress for SQLPrimaryKeys\r"));
    ResetDbSys();
}

// Database > ODBC in the running program: Debian's driver manager has no dialog, so the
// user's data-source file is made and handed to the desktop's editor.
class OdbcProgramTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(odbcDir.isValid());
        PointOdbcAt(odbcDir, odbcDir.filePath("user-odbc.ini"));
        ProgramFixture::SetUp();
    }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        ProgramFixture::TearDown();
        ResetDbSys();
    }
    QTemporaryDir odbcDir;
};

TEST_F(OdbcProgramTest, DatabaseOdbcOpensTheDataSourceFileInTheEditor)
{
    const QString file = odbcDir.filePath("user-odbc.ini");
    ASSERT_FALSE(QFile::exists(file));
    ASSERT_TRUE(HasWorker(Cmd::DbOdbc));
    // Our own editor, whatever the desktop has: it names the file and saves what was typed.
    QString shownPath;
    {
        ModalScript script;
        script.Then<QDialog>([&](QDialog& d) {
            shownPath = d.findChild<QLabel*>("PathL")->text();
            d.findChild<QPlainTextEdit*>("TextE")->setPlainText("[Mine]\nDriver=SQLite3\n");
            d.findChild<QPushButton*>("OkBtn")->click();
        });
        Trigger(Cmd::DbOdbc);
        Settle();
        EXPECT_TRUE(script.Done());
        EXPECT_TRUE(script.Unexpected().isEmpty());
    }
    EXPECT_EQ(messages.Count(), 0) << (messages.Count() ? MessageText(messages.Last()).toStdString() : "");
    EXPECT_EQ(shownPath, file);
    EXPECT_EQ(ReadAll(file), QByteArray("[Mine]\nDriver=SQLite3\n"));
    EXPECT_EQ(Db.LastReturn, 0);
    EXPECT_FALSE(Db.Connected);
    // Cancel leaves the file as it was.
    ModalScript cancel;
    cancel.Then<QDialog>([](QDialog& d) {
        d.findChild<QPlainTextEdit*>("TextE")->setPlainText("changed");
        d.reject();
    });
    Trigger(Cmd::DbOdbc);
    Settle();
    EXPECT_TRUE(cancel.Done());
    EXPECT_EQ(ReadAll(file), QByteArray("[Mine]\nDriver=SQLite3\n"));
}

TEST_F(OdbcProgramTest, DatabaseOdbcWithoutTheDriverManagerSaysItCannotConnect)
{
    QTextBrowser editor;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &editor, "setSource");
    OdbcSql.LibraryName = QStringLiteral("libzemo-no-such-odbc.so.2");
    Trigger(Cmd::DbOdbc);
    Settle();
    EXPECT_EQ(messages.CountOf(TextKey::CannotConnectOdbc), 1);
    EXPECT_TRUE(editor.source().isEmpty());
    EXPECT_FALSE(QFile::exists(odbcDir.filePath("user-odbc.ini")));
}

} // namespace
