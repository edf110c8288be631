// The dBase table dialog and the new-field dialog: names checked in order and stored trimmed,
// fields inserted first and last and removed on a new table in memory, the table saved at its
// literal offsets, a cancelled save keeping the dialog, and the only field of a table file
// removed.
#include "../shell/ModalDialog.h"
#include "../support/ProgramFixture.h"
#include "DbfTestFile.h"

#include "core/Messages.h"
#include "external/database/DBase.h"
#include "external/database/DbTable.h"
#include "shell/widgets/MainFm.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

TEST(NewFieldName, ChecksInTheirOrderAndStoresTheNameTrimmed)
{
    const struct {
        const char* typed;
        TextKey key;
        const char* result;  // the name stored, or the parameter of the message
    } cases[] = {
        {"", TextKey::NoFieldName, ""},
        {"   ", TextKey::NoFieldName, ""},
        {"abc", TextKey::FieldNameLetter, ""},
        {"1AB", TextKey::FieldNameLetter, ""},
        {"_AB", TextKey::FieldNameLetter, ""},
        {"A B", TextKey::FieldNameSpaces, ""},
        {"A;B", TextKey::SemicolonNotAllowed, ""},
        {"A; B", TextKey::FieldNameSpaces, ""},
        {"Abc", TextKey::CharNotAllowed, "b"},
        {"A_B", TextKey::CharNotAllowed, "_"},
        {"AB\xC3\x84", TextKey::CharNotAllowed, "\xC3\x84"},
        {"  NOTE ", TextKey::Count, "NOTE"},
        {"A1", TextKey::Count, "A1"},
        {"Z", TextKey::Count, "Z"},
    };
    for (const auto& c : cases) {
        const FieldNameCheck r = CheckNewFieldName(QString::fromUtf8(c.typed));
        EXPECT_EQ(r.Ok, c.key == TextKey::Count) << c.typed;
        EXPECT_EQ(r.Key, c.key) << c.typed;
        EXPECT_EQ(r.Ok ? r.Name : r.Param, QString::fromUtf8(c.result)) << c.typed;
    }
}

TEST(NewFieldName, ANewTableIsRestructuredInMemory)
{
    ResetDBaseUnit();
    DBaseNewLinkTable();
    InsertFieldInMemory(0, {QStringLiteral("FIRST"), 'C', 5, 0});
    InsertFieldInMemory(99, {QStringLiteral("LAST"), 'C', 7, 0});
    RemoveFieldInMemory(2);
    RemoveFieldInMemory(9);
    const std::vector<TableField> fields = DBaseHeaderFields();
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields.front(), (TableField{QStringLiteral("FIRST"), 'C', 5, 0}));
    EXPECT_EQ(fields[1].Name, QStringLiteral("ID"));
    EXPECT_EQ(fields[2].Name, QStringLiteral("TEXT"));
    EXPECT_EQ(fields.back(), (TableField{QStringLiteral("LAST"), 'C', 7, 0}));
    const QByteArray b = DBaseHeaderBytes();
    EXPECT_EQ(U16At(b, 8), 32 + 32 * 5 + 1);
    EXPECT_EQ(U16At(b, 10), 1 + 5 + 16 + 48 + 80 + 7);
    for (int i = 0; i < 5; ++i)
        RemoveFieldInMemory(0);
    EXPECT_EQ(U16At(DBaseHeaderBytes(), 8), 33);
    EXPECT_EQ(U16At(DBaseHeaderBytes(), 10), 1);
}

class DBaseDlgFlow : public ProgramFixture {
protected:
    static QTableWidget* Fields(QDialog& d) { return d.findChild<QTableWidget*>(QStringLiteral("FieldsB")); }
    static void Click(QDialog& d, const char* name) { d.findChild<QPushButton*>(QLatin1String(name))->click(); }
    static QStringList Names(QDialog& d)
    {
        QStringList l;
        for (int r = 0; r < Fields(d)->rowCount(); ++r)
            l << Fields(d)->item(r, 0)->text();
        return l;
    }
    // The new-field dialog opened by Add, answered with a name, before or after.
    void AddField(QDialog& d, const QString& name, bool before)
    {
        AnswerDialog<QDialog>([&] { Click(d, "AddBtn"); }, [&](QDialog& f) {
            EXPECT_EQ(f.objectName(), QStringLiteral("DbNewFieldDlg"));
            EXPECT_TRUE(f.findChild<QRadioButton*>(QStringLiteral("AfterFieldB"))->isChecked());
            EXPECT_EQ(f.findChild<QLineEdit*>(QStringLiteral("LengthE"))->text(), QStringLiteral("64"));
            f.findChild<QLineEdit*>(QStringLiteral("NameB"))->setText(QStringLiteral("abc"));
            Press(f, "OKBtn");
            EXPECT_TRUE(f.isVisible());
            EXPECT_EQ(messages.Last().key, TextKey::FieldNameLetter);
            f.findChild<QRadioButton*>(before ? QStringLiteral("BeforeFieldB") : QStringLiteral("AfterFieldB"))
                ->setChecked(true);
            f.findChild<QLineEdit*>(QStringLiteral("NameB"))->setText(name);
            Press(f, "OKBtn");
        });
    }
};

TEST_F(DBaseDlgFlow, ANewTableIsEditedInMemoryAndSavedOnOk)
{
    const QString file = TempPath(QStringLiteral("made.dbf"));
    dialogs.QueueAnswer(false);
    dialogs.QueueAnswer(true, file);
    messages.SetDefaultAnswer(IdOk);
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDBase); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("DBaseDlg"));
        EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("AddBtn"))->isEnabled());
        Click(d, "NewTableBtn");
        EXPECT_EQ(Names(d), (QStringList{QStringLiteral("ID"), QStringLiteral("SYMBOL"), QStringLiteral("TEXT"),
                                          QStringLiteral("URL")}));
        // Every column caption fits, the last one (Decimals) too, inside the visible table.
        QHeaderView* header = Fields(d)->horizontalHeader();
        QApplication::processEvents();
        for (int c = 0; c < 4; ++c) {
            const QString caption = Fields(d)->horizontalHeaderItem(c)->text();
            EXPECT_GE(header->sectionSize(c), header->fontMetrics().horizontalAdvance(caption)) << caption.toStdString();
        }
        EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3), Fields(d)->viewport()->width());
        Fields(d)->selectRow(0);
        AddField(d, QStringLiteral(" FIRST "), true);
        Fields(d)->selectRow(4);
        AddField(d, QStringLiteral("LAST"), false);
        Fields(d)->selectRow(1);
        Click(d, "RemoveBtn");
        EXPECT_EQ(Names(d), (QStringList{QStringLiteral("FIRST"), QStringLiteral("SYMBOL"), QStringLiteral("TEXT"),
                                          QStringLiteral("URL"), QStringLiteral("LAST")}));
        EXPECT_FALSE(QFile::exists(file)) << "nothing is written before OK";
        Press(d, "OKBtn");
        EXPECT_TRUE(d.isVisible()) << "a cancelled save keeps the dialog";
        Press(d, "OKBtn");
        EXPECT_FALSE(d.isVisible());
    });
    ASSERT_TRUE(seen);
    const QByteArray b = ReadAll(file);
    ASSERT_EQ(U16At(b, 8), 32 + 32 * 5 + 1);
    EXPECT_EQ(U16At(b, 10), 1 + 64 + 8 + 48 + 80 + 64);
    EXPECT_EQ(b.mid(32, 6), QByteArray("FIRST\0", 6));
    EXPECT_EQ(b.mid(32 + 32 * 4, 5), QByteArray("LAST\0", 5));
    EXPECT_EQ(uint8_t(b[32 + 32 * 4 + 16]), 64);
    EXPECT_EQ(uint8_t(b[32 + 32 * 5]), 0x0D);
}

TEST_F(DBaseDlgFlow, RemovingTheOnlyFieldOfATableFile)
{
    TestDbf t;
    t.fields = {{"ONLY", 4}};
    t.records = {{{"ab"}}, {{"cd"}}};
    const QString file = TempPath(QStringLiteral("one.dbf"));
    ASSERT_TRUE(t.WriteTo(file));
    dialogs.QueueAnswer(true, file);
    messages.SetDefaultAnswer(IdOk);
    AnswerDialog<QDialog>([&] { Trigger(Cmd::DbDBase); }, [&](QDialog& d) {
        Click(d, "OpenTableBtn");
        ASSERT_EQ(Names(d), QStringList{QStringLiteral("ONLY")});
        Fields(d)->selectRow(0);
        Click(d, "RemoveBtn");
        EXPECT_EQ(messages.Last().key, TextKey::DeleteField);
        EXPECT_EQ(messages.Last().params, QStringLiteral("ONLY"));
        EXPECT_EQ(Names(d), QStringList{QString()});
        EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("RemoveBtn"))->isEnabled());
        EXPECT_TRUE(d.findChild<QPushButton*>(QStringLiteral("AddBtn"))->isEnabled());
        Press(d, "OKBtn");
    });
    const QByteArray b = ReadAll(file);
    EXPECT_EQ(U16At(b, 8), 33);
    EXPECT_EQ(U16At(b, 10), 1);
    EXPECT_EQ(U32At(b, 4), 2);
}

} // namespace
