// Database > Datasets driven offscreen: a new dataset on a new link table or an existing
// source, checks that keep the dialog on the failing page, Remove with the dataset's links,
// and Cancel leaving the map's string store as it was.
#include "../shell/ModalDialog.h"
#include "DbLinkFixture.h"

#include "core/FileDialogs.h"
#include "core/Messages.h"
#include "external/database/DbSys.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class DatasetDlg : public DbLinkFixture {
protected:
    void SetUp() override
    {
        DbLinkFixture::SetUp();
        ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID"));
        Frame().UpdateCommandStates();
    }
    // What a drop-down list offers once opened.
    static QStringList Offered(QDialog& d, const char* name)
    {
        auto* b = d.findChild<QComboBox*>(QLatin1String(name));
        b->showPopup();
        b->hidePopup();
        QStringList l;
        for (int i = 0; i < b->count(); ++i)
            l << b->itemText(i);
        return l;
    }
    static QStringList Listed(QDialog& d, const char* name)
    {
        auto* b = d.findChild<QComboBox*>(QLatin1String(name));
        QStringList l;
        for (int i = 0; i < b->count(); ++i)
            l << b->itemText(i);
        return l;
    }
    static QStringList Definitions()
    {
        QStringList l;
        for (const auto& item : Index.ActiveZmd->Datasets.Items())
            l << item.Text;
        return l;
    }
    // New in the dialog, answered with a name and the existing-source choice (or a new table).
    void New(QDialog& d, const QString& name, bool newTable)
    {
        AnswerDialog<QDialog>([&] { d.findChild<QPushButton*>(QStringLiteral("NewBtn"))->click(); }, [&](QDialog& n) {
            EXPECT_EQ(n.objectName(), QStringLiteral("DbDsNewDlg"));
            EXPECT_EQ(n.findChild<QLineEdit*>(QStringLiteral("NameB"))->text(), Text(TextKey::Dataset) + QStringLiteral(" 1"));
            n.findChild<QLineEdit*>(QStringLiteral("NameB"))->setText(name);
            n.findChild<QRadioButton*>(newTable ? QStringLiteral("NewDBaseB") : QStringLiteral("ExistingSourceB"))
                ->setChecked(true);
            Press(n, "OKBtn");
        });
    }
};

TEST_F(DatasetDlg, CancelAfterNewAndRemoveLeavesTheMapAsItWas)
{
    const QStringList before = StoredStrings();
    messages.SetDefaultAnswer(IdOk);
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("DatasetDlg"));
        auto* list = d.findChild<QListWidget*>(QStringLiteral("ListB"));
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("TableB"))->currentText(), QStringLiteral("parcels"));
        New(d, QStringLiteral("Roads"), false);
        ASSERT_EQ(list->count(), 2);
        list->setCurrentRow(0);
        d.findChild<QPushButton*>(QStringLiteral("RemoveBtn"))->click();
        EXPECT_EQ(messages.Last().key, TextKey::RemoveLinks);
        EXPECT_EQ(list->count(), 1);
        Press(d, "CancelBtn");
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(StoredStrings(), before);
    EXPECT_EQ(Definitions(), QStringList{QStringLiteral("Parcels\te\ttparcels\tkID")});
    EXPECT_EQ(Links().size(), 4);
}

TEST_F(DatasetDlg, ChecksKeepTheDialogAndOkWritesDefinitionsAndRemovesLinks)
{
    messages.SetDefaultAnswer(IdOk);
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("made.dbf")));
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("ListB"));
        auto* pages = d.findChild<QTabWidget*>(QStringLiteral("PageControl"));
        New(d, QStringLiteral("Roads"), false);
        d.findChild<QComboBox*>(QStringLiteral("TableB"))->setCurrentText(QStringLiteral("parcels"));
        d.findChild<QComboBox*>(QStringLiteral("KeyB"))->setCurrentText(QStringLiteral("NOPE"));
        pages->setCurrentIndex(2);
        Press(d, "OKBtn");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messages.Last().key, TextKey::FieldNotFound);
        EXPECT_EQ(messages.Last().params, QStringLiteral("NOPE"));
        EXPECT_EQ(pages->currentIndex(), 0);
        // Another dataset cannot be chosen while this one fails.
        list->setCurrentRow(0);
        EXPECT_EQ(list->currentRow(), 1);
        d.findChild<QComboBox*>(QStringLiteral("KeyB"))->setCurrentText(QStringLiteral("ID"));
        New(d, QStringLiteral("Made"), true);
        list->setCurrentRow(0);
        d.findChild<QPushButton*>(QStringLiteral("RemoveBtn"))->click();
        Press(d, "OKBtn");
        EXPECT_FALSE(d.isVisible());
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(Definitions(), (QStringList{QStringLiteral("Roads\te\ttparcels\tkID"),
                                          QStringLiteral("Made\te\ttmade\tkID\tySYMBOL\txTEXT")}));
    EXPECT_TRUE(QFile::exists(TempPath(QStringLiteral("made.dbf"))));
    EXPECT_TRUE(Links().isEmpty()) << "the removed dataset's links went with it";
    EXPECT_TRUE(Index.ActiveZmd->DatasetsPresent);
}

TEST_F(DatasetDlg, ListsComeFromTheFolderAndTableAndBrowsePicksTheFolder)
{
    const QStringList fields = {"ID", "TYPE", "SIZE", "SYM", "TXT", "ANG", "REF"};
    ResetDbSys();
    QTemporaryDir other;
    ASSERT_TRUE(Parcels().WriteTo(other.filePath(QStringLiteral("roads.dbf"))));
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        EXPECT_TRUE(Db.OdbcInitialised) << "the driver manager is ready when the dialog opens";
        auto* table = d.findChild<QComboBox*>(QStringLiteral("TableB"));
        auto* folder = d.findChild<QLineEdit*>(QStringLiteral("FolderB"));
        // Nothing is read before a list drops down.
        EXPECT_TRUE(Listed(d, "KeyB").isEmpty());
        EXPECT_EQ(Offered(d, "TableB"), QStringList{QStringLiteral("parcels")});
        EXPECT_EQ(table->currentText(), QStringLiteral("parcels")) << "opening a list keeps the shown text";
        EXPECT_EQ(Offered(d, "KeyB"), fields);
        for (const char* special : {"SymbolFieldB", "TextFieldB", "SizeFieldB"})
            EXPECT_EQ(Offered(d, special), fields) << special;
        // Another table empties the key and size lists, a known one fills them at once.
        table->setCurrentText(QStringLiteral("nosuch"));
        EXPECT_TRUE(Listed(d, "KeyB").isEmpty());
        EXPECT_TRUE(Listed(d, "SizeFieldB").isEmpty());
        table->setCurrentText(QStringLiteral("parcels"));
        EXPECT_EQ(Listed(d, "KeyB"), fields);
        EXPECT_EQ(Listed(d, "SizeFieldB"), fields);
        // A folder that is not there offers nothing; a picked one offers its tables.
        folder->setText(TempPath(QStringLiteral("missing")));
        EXPECT_TRUE(Offered(d, "TableB").isEmpty());
        dialogs.QueueAnswer(false, other.path());
        Press(d, "BrowseBtn");
        EXPECT_EQ(folder->text(), TempPath(QStringLiteral("missing")));
        dialogs.QueueAnswer(true, other.path());
        Press(d, "BrowseBtn");
        EXPECT_EQ(QDir::cleanPath(folder->text()), QDir::cleanPath(other.path()));
        EXPECT_EQ(Offered(d, "TableB"), QStringList{QStringLiteral("roads")});
        // The map's own folder is kept empty, to move with the map.
        dialogs.QueueAnswer(true, TempPath(QString()));
        Press(d, "BrowseBtn");
        EXPECT_TRUE(folder->text().isEmpty());
        EXPECT_TRUE(d.findChild<QRadioButton*>(QStringLiteral("DBaseB"))->isChecked());
        // The dBase button opens the table dialog over this one.
        const bool dbase = AnswerDialog<QDialog>([&] { Press(d, "DBaseBtn"); }, [&](QDialog& t) {
            EXPECT_EQ(t.objectName(), QStringLiteral("DBaseDlg"));
            t.reject();
        });
        EXPECT_TRUE(dbase);
        EXPECT_TRUE(d.isVisible());
        Press(d, "CancelBtn");
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(messages.Count(), 0) << (messages.Count() ? MessageText(messages.Last()).toStdString() : "");
}

TEST_F(DatasetDlg, SecondaryTablesAreChosenFromTheSourceAndStoredInGridOrder)
{
    ASSERT_TRUE(Parcels().WriteTo(TempPath(QStringLiteral("owners.dbf"))));
    messages.SetDefaultAnswer(IdOk);
    const auto button = [](QDialog& d, const char* name) { return d.findChild<QPushButton*>(QLatin1String(name)); };
    const auto combo = [](QDialog& d, const char* name) { return d.findChild<QComboBox*>(QLatin1String(name)); };
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        auto* grid = d.findChild<QTableWidget*>(QStringLiteral("SecTabB"));
        const auto row = [&](int r) {
            QStringList l;
            for (int c = 0; c < 3; ++c)
                l << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
            return l;
        };
        EXPECT_FALSE(button(d, "SecEditBtn")->isEnabled());
        EXPECT_FALSE(button(d, "SecRemoveBtn")->isEnabled());
        // The shown dataset must store first: a wrong key field stops Add before its dialog.
        combo(d, "KeyB")->setCurrentText(QStringLiteral("NOPE"));
        EXPECT_FALSE(AnswerDialog<QDialog>([&] { button(d, "SecAddBtn")->click(); }, [](QDialog&) {}));
        EXPECT_EQ(messages.Last().key, TextKey::FieldNotFound);
        combo(d, "KeyB")->setCurrentText(QStringLiteral("ID"));
        // Add: the last field of the main table and the first table are proposed; the key
        // list follows the table, and OK needs a key.
        EXPECT_TRUE(AnswerDialog<QDialog>([&] { button(d, "SecAddBtn")->click(); }, [&](QDialog& t) {
            EXPECT_EQ(t.objectName(), QStringLiteral("SecTabDlg"));
            EXPECT_EQ(combo(t, "RefKeyB")->currentText(), QStringLiteral("REF"));
            EXPECT_EQ(combo(t, "SecTableB")->currentIndex(), 0);
            EXPECT_EQ(combo(t, "SecTableB")->count(), 2);
            combo(t, "SecTableB")->setCurrentText(QStringLiteral("owners"));
            EXPECT_EQ(combo(t, "SecKeyB")->currentText(), QStringLiteral("ID"));
            combo(t, "SecKeyB")->setCurrentIndex(-1);
            Press(t, "OKBtn");
            EXPECT_TRUE(t.isVisible());
            EXPECT_EQ(messages.Last().key, TextKey::NoKeySelected);
            combo(t, "SecKeyB")->setCurrentText(QStringLiteral("TYPE"));
            Press(t, "OKBtn");
            EXPECT_FALSE(t.isVisible());
        }));
        EXPECT_EQ(grid->rowCount(), 1);
        EXPECT_EQ(row(0), (QStringList{"REF", "owners", "TYPE"}));
        EXPECT_TRUE(button(d, "SecEditBtn")->isEnabled());
        // A cancelled Add leaves no row behind; an accepted one appends.
        EXPECT_TRUE(AnswerDialog<QDialog>([&] { button(d, "SecAddBtn")->click(); }, [](QDialog& t) { t.reject(); }));
        EXPECT_EQ(grid->rowCount(), 1);
        EXPECT_TRUE(AnswerDialog<QDialog>([&] { button(d, "SecAddBtn")->click(); }, [&](QDialog& t) {
            combo(t, "RefKeyB")->setCurrentText(QStringLiteral("SYM"));
            combo(t, "SecTableB")->setCurrentText(QStringLiteral("parcels"));
            Press(t, "OKBtn");
        }));
        ASSERT_EQ(grid->rowCount(), 2);
        EXPECT_EQ(row(1), (QStringList{"SYM", "parcels", "ID"}));
        // Edit shows the selected row's values.
        grid->setCurrentCell(0, 1);
        EXPECT_TRUE(AnswerDialog<QDialog>([&] { button(d, "SecEditBtn")->click(); }, [&](QDialog& t) {
            EXPECT_EQ(combo(t, "RefKeyB")->currentText(), QStringLiteral("REF"));
            EXPECT_EQ(combo(t, "SecTableB")->currentText(), QStringLiteral("owners"));
            EXPECT_EQ(combo(t, "SecKeyB")->currentText(), QStringLiteral("TYPE"));
            combo(t, "SecKeyB")->setCurrentText(QStringLiteral("SIZE"));
            Press(t, "OKBtn");
        }));
        EXPECT_EQ(row(0), (QStringList{"REF", "owners", "SIZE"}));
        Press(d, "OKBtn");
        EXPECT_FALSE(d.isVisible());
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(Definitions(), QStringList{QStringLiteral("Parcels\te\ttparcels\tkID\trREF\tsowners\tmSIZE\trSYM\tsparcels\tmID")});
    // Remove moves the rows below up; the last one removed leaves an empty row.
    const bool again = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDataset); }, [&](QDialog& d) {
        auto* grid = d.findChild<QTableWidget*>(QStringLiteral("SecTabB"));
        ASSERT_EQ(grid->rowCount(), 2);
        grid->setCurrentCell(0, 0);
        button(d, "SecRemoveBtn")->click();
        ASSERT_EQ(grid->rowCount(), 1);
        EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("SYM"));
        button(d, "SecRemoveBtn")->click();
        EXPECT_EQ(grid->rowCount(), 1);
        EXPECT_FALSE(button(d, "SecRemoveBtn")->isEnabled());
        Press(d, "OKBtn");
    });
    ASSERT_TRUE(again);
    EXPECT_EQ(Definitions(), QStringList{QStringLiteral("Parcels\te\ttparcels\tkID")});
}

} // namespace
