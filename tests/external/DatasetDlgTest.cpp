// Database > Datasets driven offscreen: a new dataset on a new link table or an existing
// source, checks that keep the dialog on the failing page, Remove with the dataset's links,
// and Cancel leaving the map's string store as it was.
#include "../shell/ModalDialog.h"
#include "DbLinkFixture.h"

#include "core/Messages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

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

} // namespace
