// dBase tables: listing, opening, finding by key, writing fields, appending keys, new tables
// and restructuring, with the bytes checked at literal offsets and by python3-dbfread.
#include "DbfTestFile.h"
#include "OdbcTestKit.h"

#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "external/database/DBase.h"
#include "external/database/DbSys.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class DBaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ResetDbSys();
        ResetDBaseUnit();
    }
    void TearDown() override
    {
        ResetDbSys();
        ResetDBaseUnit();
    }
    QString Folder() const { return dir.path(); }
    QString Table(const QString& name) const { return dir.filePath(name + QStringLiteral(".dbf")); }
    void Write(const QString& name, const TestDbf& t) const { ASSERT_TRUE(t.WriteTo(Table(name))); }
    static QString Samples()
    {
        const QString s = DataFolder() + QStringLiteral("samples/");
        QDir().mkpath(s);
        return s;
    }
    int Field(const QString& name) const { return int(Db.FieldNames.indexOf(name)); }
    // The folder, named after the encoding, where GDAL's ogr2ogr wrote "<name>.dbf" in that
    // encoding from one record: key "k1" and the name.
    QString GdalTable(const QString& name, const char* encoding, const char* value) const
    {
        const QString csv = dir.filePath(name + QStringLiteral(".csv"));
        EXPECT_TRUE(WriteText(csv, QByteArray("key,name\nk1,") + value + "\n"));
        const QString out = dir.filePath(QString::fromLatin1(encoding).replace(u'/', u'_'));
        QString error;
        RunTool(QStringLiteral("ogr2ogr"), {"-f", "ESRI Shapefile", out, csv, "-lco", QStringLiteral("ENCODING=") + encoding}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return out;
    }

    QTemporaryDir dir;
    RecordingMessages messages;
    RecordingFileDialogs dialogs;
};

// The header's date of the last update (year - 1900, month, day) is the day of the write: the day
// before it or after it, for a test that runs over midnight.
void ExpectWrittenOn(const QByteArray& b, QDate before, const char* what = "")
{
    const QDate written(1900 + uint8_t(b[1]), uint8_t(b[2]), uint8_t(b[3]));
    EXPECT_TRUE(written == before || written == QDate::currentDate())
        << what << ": " << written.toString(Qt::ISODate).toStdString();
}

TestDbf People()
{
    TestDbf t;
    t.fields = {{"ID", 6}, {"NAME", 12}, {"NOTE", 8}};
    t.records = {{{"1", "Anna", "x"}}, {{"2", "Bert", "y"}}, {{"3", "Cora", "z"}}};
    return t;
}

TEST_F(DBaseTest, LinkTableIsSavedAtItsLiteralOffsets)
{
    const QString name = Table(QStringLiteral("links"));
    const QDate before = QDate::currentDate();
    dialogs.QueueAnswer(true, name);
    QString chosen = dir.filePath(QStringLiteral("proposed.dbf"));
    ASSERT_TRUE(DBaseCreateLinkTable(chosen));
    EXPECT_EQ(chosen, name);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].kind, FileDialogRequest::Save);
    EXPECT_EQ(dialogs.Requests()[0].title, Text(TextKey::SaveDBaseFile));
    EXPECT_EQ(dialogs.Requests()[0].filter, Text(TextKey::DBaseFiles) + " (*.dbf)|*.dbf|" + Text(TextKey::AllFiles) + " (*.*)|*.*");
    EXPECT_EQ(dialogs.Requests()[0].defaultExt, "dbf");

    const QByteArray b = ReadAll(name);
    ASSERT_EQ(b.size(), 161);
    EXPECT_EQ(uint8_t(b[0]), 3);
    ExpectWrittenOn(b, before);
    EXPECT_EQ(U32At(b, 4), 0);
    EXPECT_EQ(U16At(b, 8), 161);
    EXPECT_EQ(U16At(b, 10), 153);
    EXPECT_EQ(uint8_t(b[29]), 0x57);
    const struct { const char* name; int length; } fields[] = {{"ID", 16}, {"SYMBOL", 8}, {"TEXT", 48}, {"URL", 80}};
    for (int i = 0; i < 4; ++i) {
        const int at = 32 + 32 * i;
        EXPECT_EQ(b.mid(at, 11), QByteArray(fields[i].name).leftJustified(11, '\0')) << i;
        EXPECT_EQ(b[at + 11], 'C');
        EXPECT_EQ(U32At(b, at + 12), 0) << "a new field carries no address";
        EXPECT_EQ(uint8_t(b[at + 16]), fields[i].length);
        EXPECT_EQ(b.mid(at + 17, 15), QByteArray(15, '\0'));
    }
    EXPECT_EQ(uint8_t(b[160]), 0x0D);
    QFile::remove(Samples() + "link-table-new.dbf");
    QFile::copy(name, Samples() + "link-table-new.dbf");

    QString error;
    const QString read = DbfreadRecords(name, &error);
    EXPECT_EQ(read, "fields:ID|SYMBOL|TEXT|URL\n") << error.toStdString();
}

TEST_F(DBaseTest, CancelledSaveWritesNothing)
{
    dialogs.QueueAnswer(false);
    QString chosen = Table(QStringLiteral("never"));
    EXPECT_FALSE(DBaseCreateLinkTable(chosen));
    EXPECT_FALSE(QFile::exists(Table(QStringLiteral("never"))));
}

// Appends, finds and writes on a table with a deleted record and text in code page 1252, read
// back by an independent reader.
TEST_F(DBaseTest, AppendsAndWritesAreReadByDbfread)
{
    TestDbf t;
    t.fields = {{"ID", 16}, {"SYMBOL", 8}, {"TEXT", 48}, {"URL", 80}};
    t.records = {{{"7", "101.0", "old", ""}, true}, {{"8", "", "", ""}}};
    Write(QStringLiteral("links"), t);
    const QString folder = Folder();
    ASSERT_TRUE(DBaseAppendRecord(folder, "links", "ID", "9"));
    ASSERT_TRUE(DBaseAppendRecord(folder, "links", "ID", "10"));
    ASSERT_TRUE(DBaseFindRecord(folder, "links", "ID", "9"));
    ASSERT_TRUE(DBaseWriteField(Field("TEXT"), QString::fromUtf8("Grüße, “Zürich” – ±5")));
    ASSERT_TRUE(DBaseWriteField(Field("SYMBOL"), "203.1"));
    ASSERT_TRUE(DBaseFindRecord(folder, "links", "ID", "10"));
    // 100 bytes do not go into 80 and are not cut to fit; 80 fill it.
    EXPECT_FALSE(DBaseWriteField(Field("URL"), QString("https://example.org/").repeated(5)));
    EXPECT_EQ(messages.CountOf(TextKey::DbTextTooLong), 1);
    ASSERT_TRUE(DBaseWriteField(Field("URL"), QString("https://example.org/").repeated(4)));
    EXPECT_FALSE(DBaseFindRecord(folder, "links", "ID", "7")) << "deleted";
    DBaseClose();

    const QByteArray b = ReadAll(Table("links"));
    EXPECT_EQ(U32At(b, 4), 4);
    EXPECT_EQ(b.mid(1, 3), QByteArray("\x63\x0C\x1F", 3)) << "appending keeps the date";
    QFile::remove(Samples() + "link-table-appended.dbf");
    QFile::copy(Table("links"), Samples() + "link-table-appended.dbf");

    QString error;
    const QString read = DbfreadRecords(Table("links"), &error);
    const QString url = QString("https://example.org/").repeated(4);
    EXPECT_EQ(read, QString::fromUtf8("fields:ID|SYMBOL|TEXT|URL\n"
                                      "-8|||\n"
                                      "-9|203.1|Grüße, “Zürich” – ±5|\n"
                                      "-10|||") + url + "\n"
                        "*7|101.0|old|\n")
        << error.toStdString();
}

TEST_F(DBaseTest, TablesAreListedAndOpenedInAnyLetterCase)
{
    for (const char* name : {"alpha.dbf", "Beta.DBF", "gamma.Dbf", "notes.txt", "dbf"})
        ASSERT_TRUE(People().WriteTo(dir.filePath(name)));
    QDir().mkpath(dir.filePath("folder.dbf"));
    DBaseListTables(Folder());
    EXPECT_EQ(Db.TableNames, QStringList({"alpha", "Beta", "gamma"}));
    EXPECT_EQ(Db.DbKind, DbKindDBase);
    EXPECT_EQ(DBaseUnit.Path, Folder() + "/~~~.dbf");
    // A folder stored with "\" reads as one with "/".
    QString stored = Folder() + "\\";
    stored.replace('/', '\\');
    EXPECT_EQ(DBaseFolder(stored), Folder());
    ASSERT_TRUE(DBaseOpenTable(stored, "BETA"));
    EXPECT_EQ(DBaseUnit.Path, dir.filePath("Beta.DBF"));
    EXPECT_EQ(Db.FieldNames, QStringList({"ID", "NAME", "NOTE"}));
    EXPECT_TRUE(DbHasTable(DbKindDBase, Folder(), "GAMMA"));
    EXPECT_FALSE(DbHasTable(DbKindDBase, Folder(), "notes"));
    EXPECT_TRUE(DbSourceExists(DbKindDBase, Folder()));
    EXPECT_TRUE(DbSourceExists(DbKindDBase, QString()));
    EXPECT_FALSE(DbSourceExists(DbKindDBase, dir.filePath("none")));
}

TEST_F(DBaseTest, TableThatCannotBeOpenedEndsTheCommandWithItsName)
{
    EXPECT_THROW(DBaseOpenTable(Folder(), "missing"), EAbort);
    ASSERT_EQ(messages.CountOf(TextKey::CannotOpen), 1);
    EXPECT_EQ(messages.Last().params, Table("missing"));
    EXPECT_TRUE(DBaseUnit.Path.isEmpty());
}

// Header lengths: the fields are counted from the header length but end at the terminator.
TEST_F(DBaseTest, FieldCountFollowsHeaderLengthAndStopsAtTheTerminator)
{
    struct Case {
        const char* what;
        int fields;
        int headerLength; // -1: as written
        bool terminator;
        QByteArray extra;
        QStringList expected;
    };
    const QByteArray backlink(263, '\0');
    const Case cases[] = {
        {"header 33: no fields", 0, 33, true, {}, {}},
        {"one field", 1, -1, true, {}, {"F0"}},
        {"odd length rounds down", 2, 32 + 64 + 1 + 31, true, {}, {"F0", "F1"}},
        {"bytes after the terminator", 2, -1, true, backlink, {"F0", "F1"}},
        {"bytes like a descriptor after it", 1, -1, true, QByteArray("PHANTOM\0\0\0\0C", 12).leftJustified(64, '\0'), {"F0"}},
        {"no terminator", 2, 32 + 64, false, QByteArray(1, ' '), {"F0"}},
    };
    for (const Case& c : cases) {
        TestDbf t;
        for (int i = 0; i < c.fields; ++i)
            t.fields.push_back({"F" + std::to_string(i), 4});
        t.records = {{{"a", "b"}}};
        t.headerLength = c.headerLength;
        t.terminator = c.terminator;
        t.extraHeaderBytes = c.extra;
        Write("t", t);
        ResetDBaseUnit();
        ASSERT_TRUE(DBaseOpenTable(Folder(), "t")) << c.what;
        EXPECT_EQ(Db.FieldNames, c.expected) << c.what;
        EXPECT_EQ(Db.FieldCount, c.expected.size()) << c.what;
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(DBaseTest, KeysAreFoundFirstWithoutRegardToCase)
{
    TestDbf t;
    t.fields = {{"CODE", 6}, {"V", 4}};
    t.records = {{{"Ab1", "one"}}, {{"AB1", "two"}}, {{"x9", "del"}, true}, {{"X9", "live"}}, {{"", "blank"}}};
    Write("keys", t);
    struct Case {
        const char* key;
        bool found;
        const char* value;
    };
    const Case cases[] = {
        {"Ab1", true, "one"}, {"ab1", true, "one"}, {"AB1", true, "one"},
        {"X9", false, ""},  // the first one is deleted; the live one after it is not looked for
        {"zz", false, ""},
    };
    for (const Case& c : cases) {
        const bool found = DBaseFindRecord(Folder(), "keys", "CODE", c.key);
        EXPECT_EQ(found, c.found) << c.key;
        if (found) {
            EXPECT_EQ(DbFieldValue(1), c.value) << c.key;
            EXPECT_EQ(Db.KeyFieldIndex, 0);
            EXPECT_EQ(Db.KeyValue, c.key);
        }
    }
    EXPECT_FALSE(DBaseFindRecord(Folder(), "keys", "NOFIELD", "Ab1"));
    EXPECT_FALSE(DBaseAppendRecord(Folder(), "keys", "NOFIELD", "Ab1"));
    EXPECT_EQ(ReadAll(Table("keys")), t.Bytes()) << "a missing key field touches nothing";
}

// A written key field is found under its new text, and appended keys join the cache.
TEST_F(DBaseTest, KeyCacheFollowsWritesAndAppends)
{
    Write("p", People());
    ASSERT_TRUE(DBaseFindRecord(Folder(), "p", "ID", "2"));
    ASSERT_TRUE(DBaseWriteField(0, "20"));
    EXPECT_FALSE(DBaseFindRecord(Folder(), "p", "ID", "2"));
    ASSERT_TRUE(DBaseFindRecord(Folder(), "p", "ID", "20"));
    EXPECT_EQ(DbFieldValue(1), "Bert");
    ASSERT_TRUE(DBaseAppendRecord(Folder(), "p", "ID", "4"));
    ASSERT_TRUE(DBaseFindRecord(Folder(), "p", "ID", "4"));
    EXPECT_EQ(DbFieldValue(1), "");
    ASSERT_TRUE(DBaseWriteField(1, "Dora"));
    ResetDBaseUnit();
    ASSERT_TRUE(DBaseFindRecord(Folder(), "p", "ID", "4"));
    EXPECT_EQ(DbFieldValue(1), "Dora");
    EXPECT_FALSE(DBaseWriteField(7, "x")) << "no such field";
}

// A field write changes the found record only, whatever the record buffer held since the find:
// an appended key, or a deleted record found under its key.
TEST_F(DBaseTest, FieldWritesChangeOnlyTheFoundRecord)
{
    struct Case {
        const char* what;
        const char* between;   // a key appended, or looked for, between the find and the write
        bool append;
        std::vector<TestDbfRecord> expected;
    };
    const Case cases[] = {
        {"after an append", "4", true,
         {{{"1", "Zed", "x"}}, {{"2", "Bert", "y"}}, {{"3", "Cora", "z"}, true}, {{"4", "", ""}}}},
        {"after a deleted record was found", "3", false,
         {{{"1", "Zed", "x"}}, {{"2", "Bert", "y"}}, {{"3", "Cora", "z"}, true}}},
    };
    for (const Case& c : cases) {
        TestDbf t = People();
        t.records[2].deleted = true;
        Write("w", t);
        ResetDBaseUnit();
        ASSERT_TRUE(DBaseFindRecord(Folder(), "w", "ID", "1")) << c.what;
        if (c.append)
            ASSERT_TRUE(DBaseAppendRecord(Folder(), "w", "ID", c.between)) << c.what;
        else
            ASSERT_FALSE(DBaseFindRecord(Folder(), "w", "ID", c.between)) << c.what;
        ASSERT_TRUE(DBaseWriteField(Field("NAME"), "Zed")) << c.what;
        TestDbf expected = t;
        expected.records = c.expected;
        EXPECT_EQ(ReadAll(Table("w")), expected.Bytes()) << c.what;
    }
}

TEST_F(DBaseTest, NumbersAndTextsFillTheirFields)
{
    struct Case {
        int length;
        int decimals;
        double number;
        const char* text; // nullptr: the number is written
        const char* stored;
    };
    const Case cases[] = {
        {5, 2, 12.5, nullptr, "12.50"},       // fills the field exactly
        {4, 2, 123.456, nullptr, "3.46"},     // the rightmost characters stay
        {8, 0, 42, nullptr, "      42"},
        {6, 1, -0.25, nullptr, "  -0.3"},
        {3, 0, 7, nullptr, "  7"},
        {5, 0, 0, "abcdefg", "abcde"},        // cut at the field length
        {5, 0, 0, "ab", "ab   "},             // padded with blanks
        {4, 0, 0, "", "    "},
    };
    for (const Case& c : cases) {
        DBaseNewHeader();
        DBaseAddField("pad", 'C', 2, 0);
        DBaseAddField("f", 'N', c.length, c.decimals);
        DBaseAddField("tail", 'C', 2, 0);
        std::fill(DBaseUnit.Record.begin(), DBaseUnit.Record.end(), uint8_t('#'));
        if (c.text)
            DBasePutText(1, c.text);
        else
            DBasePutNumber(1, c.number);
        const QByteArray rec(reinterpret_cast<const char*>(DBaseUnit.Record.data()), qsizetype(DBaseUnit.Record.size()));
        EXPECT_EQ(rec, "###" + QByteArray(c.stored) + "##") << c.stored;
    }
    // Names: ten characters, ASCII letters upper-cased.
    DBaseNewHeader();
    DBaseAddField(QString::fromUtf8("längername_x"), 'C', 3, 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(DBaseUnit.Fields[0].data()), 11),
              QByteArray("L\xE4NGERNAME\0", 11));
}

// A table whose language byte marks OEM text (0x1B: code page 437) reads its letters in that
// code page and keeps them OEM when one field is written; a character it cannot hold is
// refused, and the record stays as it was.
TEST_F(DBaseTest, OemTablesStayOemWhenAFieldIsWritten)
{
    TestDbf t;
    t.language = 0x1B;
    t.fields = {{"K", 3}, {"A", 6}, {"B", 6}};
    t.records = {{{"k1", "\x8E\x99\x81", "\x92\x91\x9D"}}};
    Write("oem", t);
    ASSERT_TRUE(DBaseFindRecord(Folder(), "oem", "K", "k1"));
    EXPECT_EQ(DbFieldValue(1), QString::fromUtf8("ÄÖü"));
    EXPECT_EQ(DbFieldValue(2), QString::fromUtf8("Ææ¥"));
    const int rec = 32 + 3 * 32 + 1;
    const QByteArray before = ReadAll(Table("oem"));
    EXPECT_FALSE(DBaseWriteField(1, QString::fromUtf8("Äx’é")));
    EXPECT_EQ(ReadAll(Table("oem")), before);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::DbCodePageRefused);
    EXPECT_EQ(messages.Last().params, QString::fromUtf8("Äx’é;A;437"));
    ASSERT_TRUE(DBaseWriteField(1, QString::fromUtf8("Äxé")));
    EXPECT_EQ(ReadAll(Table("oem")).mid(rec, 1 + 3 + 6 + 6), QByteArray(" k1 \x8Ex\x82   \x92\x91\x9D   ", 16));
    ResetDBaseUnit();
    ASSERT_TRUE(DBaseFindRecord(Folder(), "oem", "K", "k1"));
    EXPECT_EQ(DbFieldValue(1), QString::fromUtf8("Äxé"));
}

// Restructuring: fields inserted first, last and in between, removed down to none, an empty
// table; the new field reads empty and every other value stays.
TEST_F(DBaseTest, InsertingAndRemovingFieldsRewritesEveryRecord)
{
    struct Case {
        const char* what;
        bool insert;
        int position;
        QStringList fields;
        std::vector<QStringList> values;
    };
    const Case cases[] = {
        {"insert first", true, 0, {"NEW", "ID", "NAME", "NOTE"}, {{"", "1", "Anna", "x"}, {"", "2", "Bert", "y"}, {"", "3", "Cora", "z"}}},
        {"insert last", true, 3, {"ID", "NAME", "NOTE", "NEW"}, {{"1", "Anna", "x", ""}, {"2", "Bert", "y", ""}, {"3", "Cora", "z", ""}}},
        {"insert between", true, 1, {"ID", "NEW", "NAME", "NOTE"}, {{"1", "", "Anna", "x"}, {"2", "", "Bert", "y"}, {"3", "", "Cora", "z"}}},
        {"remove first", false, 0, {"NAME", "NOTE"}, {{"Anna", "x"}, {"Bert", "y"}, {"Cora", "z"}}},
        {"remove last", false, 2, {"ID", "NAME"}, {{"1", "Anna"}, {"2", "Bert"}, {"3", "Cora"}}},
    };
    for (const Case& c : cases) {
        Write("r", People());
        ResetDBaseUnit();
        const QDate before = QDate::currentDate();
        ASSERT_TRUE(DBaseOpenTable(Folder(), "r"));
        ASSERT_TRUE(c.insert ? DBaseInsertFieldAt(c.position, "new", 'C', 5) : DBaseRemoveField(c.position)) << c.what;
        EXPECT_TRUE(DBaseUnit.Path.isEmpty()) << "closed after restructuring";
        const QByteArray b = ReadAll(Table("r"));
        const int n = int(c.fields.size());
        EXPECT_EQ(U16At(b, 8), 32 * n + 33) << c.what;
        EXPECT_EQ(U16At(b, 10), c.insert ? 1 + 6 + 12 + 8 + 5 : 1 + 6 + 12 + 8 - (c.position == 0 ? 6 : 8)) << c.what;
        EXPECT_EQ(U32At(b, 4), 3);
        ExpectWrittenOn(b, before, c.what);
        EXPECT_EQ(uint8_t(b[32 * n + 32]), 0x0D);
        if (c.insert) {
            const int at = 32 + 32 * c.position;
            EXPECT_EQ(b.mid(at, 4), QByteArray("NEW\0", 4));
            EXPECT_EQ(U32At(b, at + 12), 0) << "a new field carries no address";
            // The new field holds NULs in every record.
            int offset = 1;
            for (int i = 0; i < c.position; ++i)
                offset += QList<int>({6, 12, 8})[i];
            EXPECT_EQ(b.mid(32 * n + 33 + offset, 5), QByteArray(5, '\0')) << c.what;
        }
        ASSERT_TRUE(DBaseOpenTable(Folder(), "r"));
        EXPECT_EQ(Db.FieldNames, c.fields) << c.what;
        for (size_t r = 0; r < c.values.size(); ++r) {
            ASSERT_TRUE(DBaseFindRecord(Folder(), "r", c.fields[c.insert && c.position == 0 ? 1 : 0], c.values[r][c.insert && c.position == 0 ? 1 : 0])) << c.what;
            for (int f = 0; f < n; ++f)
                EXPECT_EQ(DbFieldValue(f), c.values[r][size_t(f)]) << c.what << " record " << r << " field " << f;
        }
        QString error;
        EXPECT_FALSE(DbfreadRecords(Table("r"), &error).isEmpty()) << c.what << error.toStdString();
    }
}

TEST_F(DBaseTest, RemovingTheOnlyFieldAndRestructuringAnEmptyTable)
{
    TestDbf one;
    one.fields = {{"ONLY", 4}};
    one.records = {{{"a"}}, {{"b"}, true}};
    Write("one", one);
    ASSERT_TRUE(DBaseOpenTable(Folder(), "one"));
    ASSERT_TRUE(DBaseRemoveField(0));
    QByteArray b = ReadAll(Table("one"));
    EXPECT_EQ(U16At(b, 8), 33);
    EXPECT_EQ(U16At(b, 10), 1);
    EXPECT_EQ(b.mid(32), QByteArray("\x0D *", 3)) << "each record keeps its deletion flag";

    TestDbf empty;
    empty.fields = {{"A", 3}};
    Write("empty", empty);
    ASSERT_TRUE(DBaseOpenTable(Folder(), "empty"));
    ASSERT_TRUE(DBaseInsertFieldAt(1, "b", 'C', 7));
    b = ReadAll(Table("empty"));
    EXPECT_EQ(b.size(), 32 + 64 + 1);
    EXPECT_EQ(U16At(b, 10), 11);
    QFile::remove(Samples() + "restructured-empty.dbf");
    QFile::copy(Table("empty"), Samples() + "restructured-empty.dbf");
}

// A record longer than 65,535 bytes cannot be written: the table stays as it was.
TEST_F(DBaseTest, RestructuringRefusesTooLongRecords)
{
    TestDbf t;
    for (int i = 0; i < 257; ++i)
        t.fields.push_back({"F" + std::to_string(i), 255});
    t.records = {{{"a"}}};
    ASSERT_EQ(1 + 257 * 255, 65536);
    t.fields.back().length = 254; // 65,535 bytes: the longest record
    Write("wide", t);
    ASSERT_TRUE(DBaseOpenTable(Folder(), "wide"));
    EXPECT_FALSE(DBaseInsertFieldAt(0, "X", 'C', 1));
    EXPECT_EQ(messages.CountOf(TextKey::MustBetween), 1);
    EXPECT_FALSE(DBaseInsertFieldAt(0, "X", 'C', 255));
    EXPECT_EQ(ReadAll(Table("wide")), t.Bytes());
}

// A write that fails while the new table is written (the file-size limit stands in for a full
// disk) leaves the table byte for byte as it was, and no file beside it.
TEST_F(DBaseTest, FailedRestructuringLeavesTheTableUntouched)
{
    TestDbf t;
    t.fields = {{"ID", 10}, {"TEXT", 200}};
    for (int i = 0; i < 400; ++i)
        t.records.push_back({{std::to_string(i), std::string(150, char('a' + i % 26))}});
    Write("big", t);
    const QByteArray before = ReadAll(Table("big"));
    ASSERT_TRUE(DBaseOpenTable(Folder(), "big"));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    const bool done = DBaseInsertFieldAt(1, "MORE", 'C', 40);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(done);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    EXPECT_EQ(ReadAll(Table("big")), before);
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files | QDir::Hidden), QStringList({"big.dbf"}));
    ResetDBaseUnit();
    ASSERT_TRUE(DBaseFindRecord(Folder(), "big", "ID", "399"));
    EXPECT_EQ(DbFieldValue(1), QString(150, QChar(u'a' + 399 % 26)));
}

// Damaged tables: refused with ErrorInDBase, or read within what the file holds.
TEST_F(DBaseTest, MalformedTablesAreRefusedOrReadSafely)
{
    struct Case {
        const char* what;
        TestDbf table;
        qsizetype cut;       // bytes dropped from the end
        bool opens;
        const char* key;     // looked for in field 0
        bool found;
    };
    TestDbf wideRecord;
    wideRecord.fields = {{"K", 4}, {"BIG", 250}};
    for (int i = 0; i < 18; ++i)
        wideRecord.fields.push_back({"X" + std::to_string(i), 250});
    wideRecord.recordLength = 5000;
    wideRecord.records = {{{"k1", "v"}}, {{"k2", "w"}}};
    TestDbf pastLimit;
    for (int i = 0; i < 260; ++i)
        pastLimit.fields.push_back({"F" + std::to_string(i), 255});
    pastLimit.recordLength = 65535;
    TestDbf headerPast = People();
    headerPast.headerLength = 4000;
    TestDbf recordsPast = People();
    recordsPast.recordCount = 1000;
    TestDbf shortRecord = People();
    shortRecord.recordLength = 20;
    TestDbf zeroRecord = People();
    zeroRecord.recordLength = 0;
    TestDbf tinyHeader = People();
    tinyHeader.headerLength = 20;
    TestDbf noTerminator = People();
    noTerminator.terminator = false;
    noTerminator.headerLength = 32 + 3 * 32 + 1;
    TestDbf extra = People();
    extra.extraHeaderBytes = QByteArray(300, 'Z');
    const Case cases[] = {
        {"record length 5000", wideRecord, 0, true, "k2", true},
        {"fields past 65,535", pastLimit, 0, false, "", false},
        {"header past the end", headerPast, 200, false, "", false},
        {"records past the end", recordsPast, 0, true, "3", true},
        {"last record cut short", People(), 5, true, "3", false},
        {"record shorter than its fields", shortRecord, 0, false, "", false},
        {"record length 0", zeroRecord, 0, false, "", false},
        {"header shorter than its head", tinyHeader, 0, false, "", false},
        {"no terminator", noTerminator, 0, true, "2", true},
        {"extra header bytes", extra, 0, true, "2", true},
        {"shorter than a header", People(), People().Bytes().size() - 20, false, "", false},
    };
    for (const Case& c : cases) {
        QByteArray bytes = c.table.Bytes();
        bytes.chop(c.cut);
        QFile f(Table("bad"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        ResetDBaseUnit();
        messages.Clear();
        EXPECT_EQ(DBaseOpenTable(Folder(), "bad"), c.opens) << c.what;
        EXPECT_EQ(messages.CountOf(TextKey::ErrorInDBase), c.opens ? 0 : 1) << c.what;
        if (!c.opens) {
            EXPECT_EQ(messages.Last().params, Table("bad")) << c.what;
            EXPECT_FALSE(DBaseFindRecord(Folder(), "bad", "ID", "1")) << c.what;
            continue;
        }
        EXPECT_EQ(DBaseFindRecord(Folder(), "bad", Db.FieldNames.value(0), c.key), c.found) << c.what;
        // An appended record lands after the last whole record, and the count says so.
        ASSERT_TRUE(DBaseAppendRecord(Folder(), "bad", Db.FieldNames.value(0), "new")) << c.what;
        const int64_t records = DBaseUnit.RecordsInFile;
        const QByteArray after = ReadAll(Table("bad"));
        EXPECT_EQ(U32At(after, 4), records) << c.what;
        EXPECT_GE(after.size(), U16At(after, 8) + records * U16At(after, 10)) << c.what;
        ASSERT_TRUE(DBaseFindRecord(Folder(), "bad", Db.FieldNames.value(0), "new")) << c.what;
    }
}

// Tables that GDAL's ogr2ogr writes from a CSV file open with their fields and values.
TEST_F(DBaseTest, TablesWrittenByOgr2ogrOpen)
{
    const QString csv = dir.filePath("places.csv");
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("name,code,note\nAlpha,1,first\nBeta,2,\"Gr\xC3\xBC\xC3\x9F" "e\"\nGamma,3,\n");
    f.close();
    const QString out = dir.filePath("ogr");
    QString error;
    RunTool(QStringLiteral("ogr2ogr"), {"-f", "ESRI Shapefile", out, csv}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    DBaseListTables(out);
    EXPECT_EQ(Db.TableNames, QStringList({"places"}));
    ASSERT_TRUE(DBaseFindRecord(out, "places", "code", "2"));
    EXPECT_EQ(Db.FieldNames, QStringList({"name", "code", "note"}));
    EXPECT_EQ(DbFieldValue(0), "Beta");
    EXPECT_EQ(DbFieldValue(2), QString::fromUtf8("Grüße"));
    ASSERT_TRUE(DBaseFindRecord(out, "places", "name", "gamma"));
    EXPECT_EQ(DbFieldValue(1), "3");
    EXPECT_EQ(DbFieldValue(2), "");
    QFile::remove(Samples() + "ogr2ogr-places.dbf");
    QFile::copy(out + "/places.dbf", Samples() + "ogr2ogr-places.dbf");
}

// Values set through the layer lose their control characters; text is written whole or
// refused, never cut, not at 255 characters either.
TEST_F(DBaseTest, LayerValuesAreCleanedBeforeTheyAreWritten)
{
    TestDbf t;
    t.fields = {{"ID", 4}, {"TEXT", 254}, {"ALL", 255}, {"FLAG", 1}};
    t.records = {{{"1", "x", "", "Y"}}};
    Write("v", t);
    ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), "v", "ID", "1"));
    ASSERT_TRUE(DbSetFieldValue(1, "a\tb\r\nc"));
    EXPECT_EQ(Db.Columns[1].Value, "a b  c");
    const QByteArray before = ReadAll(Table("v"));
    EXPECT_FALSE(DbSetFieldValue(1, QString(255, 'q')));
    EXPECT_FALSE(DbSetFieldValue(2, QString(300, 'q')));
    EXPECT_EQ(messages.CountOf(TextKey::DbTextTooLong), 2);
    EXPECT_EQ(messages.Last().params, QString(300, 'q') + QStringLiteral(";ALL;255;300;1252"));
    // A field of one byte is said in the singular.
    EXPECT_FALSE(DbSetFieldValue(3, QStringLiteral("YN")));
    EXPECT_EQ(messages.Last().key, TextKey::DbTextTooLongByte);
    EXPECT_EQ(messages.Last().params, QStringLiteral("YN;FLAG;1;2;1252"));
    EXPECT_EQ(ReadAll(Table("v")), before);
    EXPECT_EQ(Db.Columns[1].Value, "a b  c") << "the column keeps what the table holds";
    // Blanks at the end are padding: they do not count.
    ASSERT_TRUE(DbSetFieldValue(1, QString(254, 'q') + QStringLiteral("   ")));
    ASSERT_TRUE(DbSetFieldValue(2, QString(255, 'r')));
    Db.Columns[1].Value = "tab\there";
    EXPECT_EQ(DbFieldValue(1), "tab here");
    EXPECT_FALSE(DbSetFieldValue(5, "x"));
    ResetDBaseUnit();
    ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), "v", "ID", "1"));
    EXPECT_EQ(DbFieldValue(1), QString(254, 'q'));
    EXPECT_EQ(DbFieldValue(2), QString(255, 'r'));
}

// Values written into date, number and logical fields are checked against the field's type,
// length and decimals: a good one is stored in the field's own form and another reader reads
// it back; a bad one is refused with the field's name and type, and the file stays as it was.
TEST_F(DBaseTest, TypedFieldsTakeOnlyValuesOfTheirType)
{
    TestDbf t;
    t.fields = {{"ID", 4}, {"DAY", 8, 'D'}, {"HEIGHT", 7, 'N', 2}, {"COUNT", 3, 'N'}, {"OK", 1, 'L'}, {"BIN", 4, 'I'}};
    t.records = {{{"1", "19991231", "   1.00", "  7", "F", ""}}};
    Write("typed", t);
    struct Case {
        int field;
        QString value;
        const char* stored; // nullptr: refused
        const char* type = "";
    };
    const Case cases[] = {
        {1, "2022-01-02", "20220102"},
        {1, "2024/02/29", "20240229"},
        {1, "20230315", "20230315"},
        {1, "2023-02-29", nullptr, "D (YYYYMMDD)"},
        {1, "2022-01-", nullptr, "D (YYYYMMDD)"},
        {1, "02.01.2022", nullptr, "D (YYYYMMDD)"},
        {1, "", "        "},
        {2, "-3.5", "  -3.50"},
        {2, "0012.340", "  12.34"},
        {2, "9999.99", "9999.99"},
        {2, "abc", nullptr, "N(7,2)"},
        {2, "1.255", nullptr, "N(7,2)"},
        {2, "10000.5", nullptr, "N(7,2)"},
        {2, "1e3", nullptr, "N(7,2)"},
        {2, "nan", nullptr, "N(7,2)"},
        {3, "999", "999"},
        {3, "-0", "  0"},
        {3, "1000", nullptr, "N(3,0)"},
        {3, "2.5", nullptr, "N(3,0)"},
        {4, "yes", "T"},
        {4, "F", "F"},
        {4, "maybe", nullptr, "L (T/F)"},
        {5, "12", nullptr, "I(4)"},
    };
    const int at[] = {1, 5, 13, 20, 23, 24};
    ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), "typed", "ID", "1"));
    for (const Case& c : cases) {
        messages.Clear();
        const QByteArray before = ReadAll(Table("typed"));
        const bool stored = DbSetFieldValue(c.field, c.value);
        const QByteArray after = ReadAll(Table("typed"));
        const int rec = 32 + 6 * 32 + 1;
        if (c.stored) {
            EXPECT_TRUE(stored) << c.value.toStdString();
            EXPECT_EQ(messages.Count(), 0) << c.value.toStdString();
            EXPECT_EQ(after.mid(rec + at[c.field], int(strlen(c.stored))), QByteArray(c.stored)) << c.value.toStdString();
        } else {
            EXPECT_FALSE(stored) << c.value.toStdString();
            EXPECT_EQ(after, before) << c.value.toStdString();
            ASSERT_EQ(messages.Count(), 1) << c.value.toStdString();
            EXPECT_EQ(messages.Last().key, TextKey::DbValueRefused);
            EXPECT_EQ(messages.Last().params, c.value + ";" + Db.FieldNames[c.field] + ";" + c.type);
        }
    }
    // A key written into a number field is checked the same way.
    EXPECT_FALSE(DBaseAppendRecord(Folder(), "typed", "COUNT", "x1"));
    ASSERT_TRUE(DBaseAppendRecord(Folder(), "typed", "COUNT", "42"));
    ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), "typed", "ID", "1"));
    ASSERT_TRUE(DbSetFieldValue(1, "2022-01-02"));
    ASSERT_TRUE(DbSetFieldValue(2, "-3.5"));
    ASSERT_TRUE(DbSetFieldValue(4, "yes"));
    QString error;
    const QString read = DbfreadRecords(Table("typed"), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(read.contains("-1|2022-01-02|-3.5|0|True|")) << read.toStdString();
    EXPECT_TRUE(read.contains("-|None|None|42|None|")) << read.toStdString();
    QFile::remove(Samples() + "dbase-typed-fields.dbf");
    QFile::copy(Table("typed"), Samples() + "dbase-typed-fields.dbf");
}

// Tables GDAL writes in the double-byte East Asian code pages (named by a .cpg file, or by
// the language byte alone) read exactly; typed text is written in the code page's bytes at the
// field's place, which another reader reads back; a letter the code page lacks is refused
// naming it, and the field's length counts bytes.
TEST_F(DBaseTest, DoubleByteTablesReadAndWriteInTheirOwnCodePage)
{
    struct Case {
        const char* encoding; // GDAL's option
        const char* python;   // the reader's codec
        const char* name;     // stored by GDAL, UTF-8 here
        const char* written;
        QByteArray bytes;     // of written in the code page
        const char* refused;
        const char* codePage; // as a refusal names it
    };
    const Case cases[] = {
        {"CP932", "cp932", "東京タワー", "富士山", "\x95\x78\x8E\x6D\x8E\x52", "한", "932"},
        {"LDID/19", "cp932", "東京タワー", "富士山", "\x95\x78\x8E\x6D\x8E\x52", "한", "932"},
        {"CP936", "gbk", "上海", "北京", "\xB1\xB1\xBE\xA9", "한", "936"},
        {"CP949", "cp949", "부산", "서울", "\xBC\xAD\xBF\xEF", "ภ", "949"},
        {"CP950", "cp950", "台北", "高雄", "\xB0\xAA\xB6\xAF", "ภ", "950"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        messages.Clear();
        const QString out = GdalTable("mb", c.encoding, c.name);
        const QString table = out + "/mb.dbf";
        QString error;
        EXPECT_EQ(QFile::exists(out + "/mb.cpg"), QByteArray(c.encoding).startsWith("CP"));
        ResetDBaseUnit();
        const QByteArray original = ReadAll(table);
        ASSERT_TRUE(DbFindRecord(DbKindDBase, out, "mb", "key", "k1"));
        EXPECT_EQ(DbFieldValue(1), QString::fromUtf8(c.name));
        EXPECT_EQ(messages.Count(), 0);
        EXPECT_EQ(ReadAll(table), original) << "reading changes nothing";

        const QString lacking = QString::fromUtf8(c.refused);
        EXPECT_FALSE(DbSetFieldValue(1, QString::fromUtf8(c.written) + lacking));
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::DbCodePageRefused);
        EXPECT_EQ(messages.Last().params, QString::fromUtf8(c.written) + lacking + ";name;" + c.codePage);
        EXPECT_EQ(ReadAll(table), original);

        ASSERT_TRUE(DbSetFieldValue(1, QString::fromUtf8(c.written)));
        const QByteArray b = ReadAll(table);
        const int header = U16At(b, 8);
        const int keyWidth = uint8_t(b[32 + 16]);
        const int width = uint8_t(b[64 + 16]);
        ASSERT_EQ(width, 80);
        EXPECT_EQ(b.mid(header + 1 + keyWidth, width), c.bytes.leftJustified(width, ' '));
        EXPECT_EQ(b.left(header + 1 + keyWidth), original.left(header + 1 + keyWidth)) << "nothing else moves";
        QString read = DbfreadRecords(table, &error, c.python);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(read.contains("-k1|" + QString::fromUtf8(c.written) + "\n")) << read.toStdString();

        // 40 letters of two bytes fill the 80 bytes; one byte more is refused, not cut.
        const QChar letter = QString::fromUtf8(c.written).at(0);
        messages.Clear();
        EXPECT_FALSE(DbSetFieldValue(1, u'a' + QString(40, letter)));
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::DbTextTooLong);
        EXPECT_EQ(messages.Last().params.section(u';', 1), QStringLiteral("name;80;81;") + c.codePage);
        EXPECT_EQ(ReadAll(table), b);
        ASSERT_TRUE(DbSetFieldValue(1, QString(40, letter)));
        EXPECT_EQ(ReadAll(table).mid(header + 1 + keyWidth, width), c.bytes.left(2).repeated(40));
        read = DbfreadRecords(table, &error, c.python);
        EXPECT_TRUE(read.contains("-k1|" + QString(40, letter) + "\n")) << read.toStdString();
    }
    QFile::remove(Samples() + "dbase-cp932-written.dbf");
    QFile::copy(dir.filePath("CP932/mb.dbf"), Samples() + "dbase-cp932-written.dbf");
}

// A table whose code page the system cannot convert says so when it is first opened, by the
// name its .cpg file or its language byte gives; its text reads as 1252, plain ASCII is
// written, and anything else is refused naming the table's code page.
TEST_F(DBaseTest, ATableInAnUnknownCodePageSaysSoOnceAndTakesOnlyAscii)
{
    TestDbf t;
    t.fields = {{"ID", 4}, {"NAME", 10}};
    t.records = {{{"1", "\xE9t\xE9"}}};
    t.language = 0xF0;
    Write("odd", t);
    t.language = 0x00;
    Write("named", t);
    ASSERT_TRUE(WriteText(dir.filePath("named.cpg"), "CP99999\r\n"));
    struct Case {
        const char* table;
        const char* name;
    };
    for (const Case& c : {Case{"odd", "0xF0 (language driver)"}, Case{"named", "CP99999"}}) {
        SCOPED_TRACE(c.table);
        messages.Clear();
        const QByteArray original = ReadAll(Table(c.table));
        ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), c.table, "ID", "1"));
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().kind, MsgKind::Warning);
        EXPECT_EQ(messages.Last().key, TextKey::DbCodePageUnknown);
        EXPECT_EQ(messages.Last().params, Table(c.table) + ";" + c.name);
        EXPECT_EQ(DbFieldValue(1), QString::fromUtf8("été"));
        EXPECT_EQ(ReadAll(Table(c.table)), original);
        EXPECT_FALSE(DbSetFieldValue(1, QString::fromUtf8("étè")));
        ASSERT_EQ(messages.Count(), 2);
        EXPECT_EQ(messages.Last().key, TextKey::DbCodePageRefused);
        EXPECT_EQ(messages.Last().params, QString::fromUtf8("étè;NAME;") + c.name);
        EXPECT_EQ(ReadAll(Table(c.table)), original);
        ASSERT_TRUE(DbSetFieldValue(1, "plain"));
        EXPECT_EQ(ReadAll(Table(c.table)).mid(32 + 2 * 32 + 1 + 1 + 4, 10), QByteArray("plain     "));
    }
    // Opened again, another table in between: said once a table.
    messages.Clear();
    ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), "odd", "ID", "1"));
    ASSERT_TRUE(DbFindRecord(DbKindDBase, Folder(), "named", "ID", "1"));
    EXPECT_EQ(messages.Count(), 0);
}

TEST(DBaseCodePage, ComesFromTheCpgFileElseTheLanguageByte)
{
    constexpr int unknown = DbfUnknownCodePage;
    struct Case {
        const char* cpg;
        uint8_t language;
        int codePage;
        const char* name; // as messages name it
    };
    const Case cases[] = {
        {"", 0x57, 1252, "1252"}, {"", 0x00, 1252, "1252"}, {"", 0x01, 437, "437"}, {"", 0x1B, 437, "437"},
        {"", 0x02, 850, "850"}, {"", 0x16, 850, "850"}, {"", 0x64, 852, "852"}, {"", 0x23, 852, "852"},
        {"", 0x65, 866, "866"}, {"", 0x26, 866, "866"}, {"", 0xC8, 1250, "1250"}, {"", 0xC9, 1251, "1251"},
        {"", 0x03, 1252, "1252"}, {"", 0x13, 932, "932"}, {"", 0x7B, 932, "932"}, {"", 0x4D, 936, "936"},
        {"", 0x79, 949, "949"}, {"", 0x4F, 950, "950"}, {"", 0x66, 865, "865"},
        {"UTF-8\n", 0x57, DbfUtf8, "UTF-8"}, {"utf8", 0x00, DbfUtf8, "UTF-8"}, {"CP850", 0x57, 850, "850"},
        {"ANSI 1251", 0x00, 1251, "1251"}, {"OEM 866\r\n", 0x00, 866, "866"}, {"windows-1250", 0x00, 1250, "1250"},
        {"IBM852", 0x02, 852, "852"}, {"1252", 0x65, 1252, "1252"}, {"ISO-8859-1", 0x65, 28591, "28591"},
        {"CP932", 0x02, 932, "932"}, {"SHIFT_JIS", 0x00, 932, "932"}, {"GBK", 0x00, 936, "936"},
        // What nothing converts falls back on the language byte, else is unknown.
        {"garbage", 0x57, 1252, "1252"}, {"CP99999", 0xC9, 1251, "1251"}, {"garbage", 0x00, unknown, "garbage"},
        {"CP037\r\n", 0x00, unknown, "CP037"}, {"", 0xF0, unknown, "0xF0 (language driver)"},
        {"", 0x98, unknown, "0x98 (language driver)"}, {"x;y", 0x00, unknown, "x y"},
    };
    for (const Case& c : cases) {
        const int codePage = DbfCodePage(c.language, c.cpg);
        EXPECT_EQ(codePage, c.codePage) << c.cpg << " " << int(c.language);
        EXPECT_EQ(DbfCodePageName(codePage, c.language, c.cpg), c.name) << c.cpg << " " << int(c.language);
    }
}

// Tables that GDAL writes in DOS and Windows code pages and in UTF-8 (named by a .cpg file or
// by the language byte) read in their code page, take a value in it that GDAL reads back, and
// refuse a value with letters the code page lacks.
TEST_F(DBaseTest, TablesReadAndWriteInTheirOwnCodePage)
{
    struct Case {
        const char* encoding; // GDAL's option
        const char* python;   // the reader's codec
        const char* name;     // stored by GDAL, UTF-8 here
        const char* written;
        const char* refused;
        const char* codePage; // as a refusal names it
    };
    const Case cases[] = {
        {"CP850", "cp850", "HÖHE", "Ørsted", "Łódź", "850"},
        {"LDID/2", "cp850", "HÖHE", "Ærø", "Москва", "850"},
        {"CP437", "cp437", "Grüße", "Zürich", "Ørsted", "437"},
        {"CP852", "cp852", "Łódź", "Brno Žižkov", "Москва", "852"},
        {"CP866", "cp866", "Москва", "Тверь", "Łódź", "866"},
        {"CP1250", "cp1250", "Łódź", "Kraków", "Москва", "1250"},
        {"CP1251", "cp1251", "Москва", "Омск", "Łódź", "1251"},
        {"CP1252", "cp1252", "Grüße", "Niño", "Łódź", "1252"},
        {"UTF-8", "utf-8", "Łódź Москва", "Ærø Омск", nullptr, "UTF-8"},
    };
    for (const Case& c : cases) {
        const QString out = GdalTable("cp", c.encoding, c.name);
        QString error;
        ResetDBaseUnit();
        ASSERT_TRUE(DbFindRecord(DbKindDBase, out, "cp", "key", "k1")) << c.encoding;
        EXPECT_EQ(DbFieldValue(1), QString::fromUtf8(c.name)) << c.encoding;
        messages.Clear();
        if (c.refused) {
            const QByteArray before = ReadAll(out + "/cp.dbf");
            EXPECT_FALSE(DbSetFieldValue(1, QString::fromUtf8(c.refused))) << c.encoding;
            EXPECT_EQ(ReadAll(out + "/cp.dbf"), before) << c.encoding;
            ASSERT_EQ(messages.Count(), 1) << c.encoding;
            EXPECT_EQ(messages.Last().key, TextKey::DbCodePageRefused) << c.encoding;
        }
        ASSERT_TRUE(DbSetFieldValue(1, QString::fromUtf8(c.written))) << c.encoding;
        const QString read = DbfreadRecords(out + "/cp.dbf", &error, c.python);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(read.contains("-k1|" + QString::fromUtf8(c.written) + "\n")) << c.encoding << read.toStdString();
        // Text longer than its field in the code page's bytes is refused, not cut: a letter
        // takes one byte in a DOS or Windows code page, two in UTF-8.
        const int width = uint8_t(ReadAll(out + "/cp.dbf")[64 + 16]);
        const bool utf8 = !c.refused;
        const QChar letter = QString::fromUtf8(c.written).at(0);
        const int fits = utf8 ? width / 2 : width;
        const QString lead = utf8 && width % 2 ? QStringLiteral("a") : QString();
        messages.Clear();
        const QByteArray before = ReadAll(out + "/cp.dbf");
        EXPECT_FALSE(DbSetFieldValue(1, lead + QString(fits + 1, letter))) << c.encoding;
        EXPECT_EQ(ReadAll(out + "/cp.dbf"), before) << c.encoding;
        ASSERT_EQ(messages.Count(), 1) << c.encoding;
        EXPECT_EQ(messages.Last().key, TextKey::DbTextTooLong) << c.encoding;
        const int bytes = int(lead.size()) + (fits + 1) * (utf8 ? 2 : 1);
        EXPECT_EQ(messages.Last().params.section(u';', 1), QStringLiteral("name;%1;%2;%3").arg(width).arg(bytes).arg(c.codePage))
            << c.encoding;
        ASSERT_TRUE(DbSetFieldValue(1, lead + QString(fits, letter))) << c.encoding;
        const QString full = DbfreadRecords(out + "/cp.dbf", &error, c.python);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(full.contains("-k1|" + lead + QString(fits, letter) + "\n")) << c.encoding << full.toStdString();
    }
}

} // namespace
