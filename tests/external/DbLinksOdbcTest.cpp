// Object links over the SQLite ODBC driver with the test's own odbcinst.ini and odbc.ini, and
// a dBase dataset in the map's own folder following map and table to another folder.
#include "../shell/ModalDialog.h"
#include "DbLinkFixture.h"
#include "OdbcTestKit.h"

#include "edit/Pick.h"
#include "edit/View.h"
#include "external/database/DbSys.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class DbLinksOdbc : public DbLinkFixture {
protected:
    void SetUp() override
    {
        DbLinkFixture::SetUp();
        static void* const setup = ::dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
        ASSERT_NE(setup, nullptr);
        const QString driver = SqliteDriver();
        ASSERT_FALSE(driver.isEmpty()) << "libsqliteodbc is not installed";
        PointOdbcAt(odbc, odbc.filePath("odbc.ini"));
        ASSERT_TRUE(WriteText(odbc.filePath("odbcinst.ini"),
                              "[SQLite3]\nDriver=" + QFile::encodeName(driver) + "\nDontDLClose=1\n"));
        ASSERT_TRUE(WriteText(odbc.filePath("odbc.ini"),
                              "[Survey]\nDriver=SQLite3\nDatabase=" + QFile::encodeName(Database()) + "\n"));
        QString error;
        RunTool(QStringLiteral("sqlite3"), {Database()}, &error,
                "CREATE TABLE parcels (id INTEGER PRIMARY KEY, type TEXT, size TEXT);\n"
                "INSERT INTO parcels VALUES (1, 'forest', ''), (2, 'road', '');\n");
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }
    void TearDown() override
    {
        ResetDbSys();
        DbLinkFixture::TearDown();
    }
    QString Database() const { return odbc.filePath("survey.sqlite"); }
    QString Query(const QString& sql) const { return RunTool(QStringLiteral("sqlite3"), {Database(), sql}).trimmed(); }

    QTemporaryDir odbc;
};

TEST_F(DbLinksOdbc, RecordsOfADataSourceAreShownWrittenAndCreated)
{
    ASSERT_TRUE(OpenWritten(Map("Survey\tdSurvey\ttparcels\tkid\tfsize\tl1\ta1\tc2", {Link(2, "2", "Survey")}),
                            QStringLiteral("map.zmd")));
    Select(2);
    db::ShowObjectRecord();
    ASSERT_TRUE(DbObject.Grid.Visible);
    ASSERT_EQ(DbObject.Grid.Rows.size(), 3u);
    EXPECT_EQ(DbObject.Grid.Rows[1].Value, QStringLiteral("road"));
    EXPECT_EQ(DbObject.Grid.Rows[2].Value, QStringLiteral("0.10"));
    DbObject.Grid.Rows[1].Value = QStringLiteral("track");
    db::GetData();
    EXPECT_EQ(Query(QStringLiteral("SELECT type || '|' || size FROM parcels WHERE id = 2")), QStringLiteral("track|0.10"));
    EXPECT_EQ(Query(QStringLiteral("SELECT type FROM parcels WHERE id = 1")), QStringLiteral("forest"));
    // Create links for the area symbol: a new row past the rows there.
    SetCurrentSymbolPos(2);
    EXPECT_EQ(CreateDbLinks(QStringLiteral("Survey")), 1);
    EXPECT_TRUE(Links().contains(QStringLiteral("3\tdSurvey")));
    EXPECT_EQ(Query(QStringLiteral("SELECT count(*) FROM parcels")), QStringLiteral("3"));
    EXPECT_EQ(messages.Count(), 0);
}

// Text typed into the record grid goes into a data source's column whole when the column
// takes it (1,000 characters into a TEXT column, read back by sqlite3); a column with a
// declared length refuses a longer one by name and length and keeps its value.
TEST_F(DbLinksOdbc, TypedTextIsStoredWholeOrRefusedByFieldAndLength)
{
    ASSERT_TRUE(Query(QStringLiteral("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT, label VARCHAR(20));"
                                     "INSERT INTO notes VALUES (1, 'short', 'tag');")).isEmpty());
    ASSERT_TRUE(OpenWritten(Map("Notes\tdSurvey\ttnotes\tkid", {Link(1, "1", "Notes")}), QStringLiteral("map.zmd")));
    CenterOnObject(1);
    Settle();
    QTableWidget* grid = Grid();
    ASSERT_NE(grid, nullptr);
    ASSERT_TRUE(grid->isVisible());
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("short"));
    QString body;
    for (int i = 0; i < 125; ++i)
        body += QStringLiteral("Grüße %1.").arg(i % 10);
    ASSERT_EQ(body.size(), 1000);
    TypeInGrid(1, body);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Query(QStringLiteral("SELECT body FROM notes WHERE id = 1")), body);
    EXPECT_EQ(Query(QStringLiteral("SELECT length(body) FROM notes WHERE id = 1")), QStringLiteral("1000"));
    EXPECT_EQ(grid->item(1, 2)->text(), body);

    TypeInGrid(2, QString(25, u'x'));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::OdbcTextTooLong);
    EXPECT_EQ(messages.Last().params, QString(25, u'x') + QStringLiteral(";label;20;25"));
    EXPECT_EQ(Query(QStringLiteral("SELECT label FROM notes WHERE id = 1")), QStringLiteral("tag"));
    EXPECT_EQ(grid->item(2, 2)->text(), QStringLiteral("tag")) << "back to the stored value";
    TypeInGrid(2, QString(20, u'y'));
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Query(QStringLiteral("SELECT label FROM notes WHERE id = 1")), QString(20, u'y'));
    // Shown again from the source, the long value is whole.
    DropSelection();
    Settle();
    CenterOnObject(1);
    Settle();
    EXPECT_EQ(grid->item(1, 2)->text(), body);
}

TEST_F(DbLinksOdbc, ADatasetInTheMapsFolderFollowsMapAndTable)
{
    TestMapWriter w = Map("Parcels\te\ttparcels\tkID", {Link(2, "2")});
    QTemporaryDir moved;
    ASSERT_TRUE(Parcels().WriteTo(moved.filePath(QStringLiteral("parcels.dbf"))));
    ASSERT_TRUE(w.WriteTo(QFile::encodeName(moved.filePath(QStringLiteral("map.zmd"))).toStdString()));
    ASSERT_TRUE(OpenMap(moved.filePath(QStringLiteral("map.zmd"))));
    Select(2);
    db::ShowObjectRecord();
    ASSERT_TRUE(DbObject.Grid.Visible);
    EXPECT_EQ(DbObject.Grid.Rows[1].Value, QStringLiteral("road"));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(DbLinksOdbc, TheDatasetsDialogListsTheDataSourceAndHandsTheSourcesToTheEditor)
{
    ASSERT_TRUE(OpenWritten(Map("Survey\tdSurvey\ttparcels\tkid", {}), QStringLiteral("map.zmd")));
    Frame().UpdateCommandStates();
    const auto offered = [](QDialog& d, const char* name) {
        auto* b = d.findChild<QComboBox*>(QLatin1String(name));
        b->showPopup();
        b->hidePopup();
        QStringList l;
        for (int i = 0; i < b->count(); ++i)
            l << b->itemText(i);
        return l;
    };
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        d.findChild<QRadioButton*>(QStringLiteral("DBaseB"))->setChecked(true);
        EXPECT_EQ(offered(d, "DataSourceB"), QStringList{QStringLiteral("Survey")});
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("OdbcB"))->isChecked()) << "a source list means ODBC";
        EXPECT_EQ(offered(d, "TableB"), QStringList{QStringLiteral("parcels")});
        EXPECT_EQ(offered(d, "KeyB"), (QStringList{"id", "type", "size"}));
        d.findChild<QComboBox*>(QStringLiteral("DataSourceB"))->setCurrentText(QStringLiteral("Elsewhere"));
        EXPECT_TRUE(offered(d, "TableB").isEmpty());
        EXPECT_TRUE(offered(d, "KeyB").isEmpty());
        // The data-source file in our own editor.
        QString shown;
        EXPECT_TRUE(AnswerDialog<QDialog>([&] { Press(d, "OdbcBtn"); },
                                          [&](QDialog& e) { shown = e.findChild<QLabel*>(QStringLiteral("PathL"))->text(); }));
        EXPECT_EQ(shown, odbc.filePath("odbc.ini"));
        Press(d, "CancelBtn");
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(messages.Count(), 0) << (messages.Count() ? MessageText(messages.Last()).toStdString() : "");
}

// A data source whose driver cannot load: its table list says why, with the driver manager's
// words, once each time it drops down, and the next source lists its tables again.
TEST_F(DbLinksOdbc, TheTableListOfASourceWhoseDriverDoesNotLoadSaysWhy)
{
    ASSERT_TRUE(WriteText(odbc.filePath("odbcinst.ini"), "[SQLite3]\nDriver=" + QFile::encodeName(SqliteDriver())
                                                             + "\nDontDLClose=1\n[Broken]\nDriver=/nonexistent/libzemo-no-driver.so\n"));
    ASSERT_TRUE(WriteText(odbc.filePath("odbc.ini"), "[Survey]\nDriver=SQLite3\nDatabase=" + QFile::encodeName(Database())
                                                         + "\n[Gone]\nDriver=Broken\n"));
    ASSERT_TRUE(OpenWritten(Map("Survey\tdSurvey\ttparcels\tkid", {}), QStringLiteral("map.zmd")));
    Frame().UpdateCommandStates();
    const auto tables = [](QDialog& d) {
        auto* b = d.findChild<QComboBox*>(QStringLiteral("TableB"));
        b->showPopup();
        b->hidePopup();
        return b->count();
    };
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("DataSourceB"))->setCurrentText(QStringLiteral("Gone"));
        messages.Clear();
        EXPECT_EQ(tables(d), 0);
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::CannotConnectOdbc);
        EXPECT_TRUE(messages.Last().params.contains(QStringLiteral("libzemo-no-driver.so")))
            << messages.Last().params.toStdString();
        EXPECT_EQ(tables(d), 0);
        EXPECT_EQ(messages.Count(), 2) << "said at every look";
        d.findChild<QComboBox*>(QStringLiteral("DataSourceB"))->setCurrentText(QStringLiteral("Survey"));
        EXPECT_EQ(tables(d), 1);
        EXPECT_EQ(messages.Count(), 2);
        Press(d, "CancelBtn");
    });
    ASSERT_TRUE(seen);
}

} // namespace
