// The Assign dialogs driven offscreen through the Database menu: rules loaded from a condition
// file and edited in the rule editor, run as one undo step and saved again; texts and angles
// from a chosen field.
#include "../shell/ModalDialog.h"
#include "DbLinkFixture.h"

#include "core/Messages.h"
#include "document/Undo.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class AssignDlg : public DbLinkFixture {
protected:
    void SetUp() override
    {
        DbLinkFixture::SetUp();
        ASSERT_TRUE(OpenLinked());
        Frame().UpdateCommandStates();
    }
    static int SymbolOf(int n)
    {
        ReadElement(n, CurElement);
        return CurElement.Symbol;
    }
    static QByteArray FileText(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(AssignDlg, RulesFromAFileAndTheEditorRunAsOneStepAndAreSaved)
{
    const QString cnt = TempPath(QStringLiteral("rules.cnt"));
    QFile f(cnt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("55.5 TYPE = road\r\nskipped\r\n");
    f.close();
    dialogs.QueueAnswer(true, cnt);
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("saved.cnt")));
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::AssignSym); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("AssignSymDlg"));
        auto* tab = d.findChild<QTableWidget*>(QStringLiteral("TabB"));
        d.findChild<QPushButton*>(QStringLiteral("LoadBtn"))->click();
        ASSERT_EQ(tab->rowCount(), 1);
        EXPECT_EQ(tab->item(0, 0)->text(), QStringLiteral("55.5"));
        // The editor refuses a condition that does not parse.
        const bool editor = AnswerDialog<QDialog>(
            [&] { d.findChild<QPushButton*>(QStringLiteral("AddBtn"))->click(); }, [&](QDialog& e) {
                EXPECT_EQ(e.objectName(), QStringLiteral("EditCondDlg"));
                auto* symbol = e.findChild<QComboBox*>(QStringLiteral("SymbolB"));
                EXPECT_EQ(symbol->count(), 5);
                symbol->setCurrentIndex(2);
                e.findChild<QLineEdit*>(QStringLiteral("ConditionB"))->setText(QStringLiteral("TYPE is x"));
                Press(e, "OKBtn");
                EXPECT_TRUE(e.isVisible());
                EXPECT_EQ(messages.Last().key, TextKey::CondOpExpected);
                e.findChild<QLineEdit*>(QStringLiteral("ConditionB"))->setText(QStringLiteral("TYPE = forest"));
                Press(e, "OKBtn");
            });
        EXPECT_TRUE(editor);
        ASSERT_EQ(tab->rowCount(), 2);
        EXPECT_TRUE(tab->item(1, 0)->text().startsWith(QStringLiteral("3.0")));
        d.findChild<QPushButton*>(QStringLiteral("SaveAsBtn"))->click();
        Press(d, "OKBtn");
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(FileText(TempPath(QStringLiteral("saved.cnt"))), QByteArray("55.5 TYPE = road\r\n3.0 TYPE = forest\r\n"));
    // The road gets a number the map lacks; the forest point does not take an area symbol.
    EXPECT_EQ(SymbolOf(2), 555);
    EXPECT_EQ(SymbolOf(1), 10);
    EXPECT_EQ(SymbolOf(3), 30);
    Frame().UpdateCommandStates();
    Trigger(Cmd::EditUndo);
    EXPECT_EQ(SymbolOf(2), 20);
    Frame().UpdateCommandStates();
    EXPECT_FALSE(CanUndo());
}

TEST_F(AssignDlg, TextsAndAnglesFromTheChosenField)
{
    bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::AssignText); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("AssignTextDlg"));
        auto* field = d.findChild<QComboBox*>(QStringLiteral("FieldB"));
        EXPECT_EQ(field->count(), 7);
        field->setCurrentText(QStringLiteral("TXT"));
        Press(d, "OKBtn");
    });
    ASSERT_TRUE(seen);
    ReadElement(1, CurElement);
    EXPECT_EQ(CurElement.ObjectType, TextObject);
    Frame().UpdateCommandStates();
    seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::AssignAngle); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("AssignAngleDlg"));
        d.findChild<QComboBox*>(QStringLiteral("FieldB"))->setCurrentText(QStringLiteral("ANG"));
        Press(d, "OKBtn");
    });
    ASSERT_TRUE(seen);
    ReadElement(4, CurElement);
    EXPECT_EQ(CurElement.Angle, -125);
    // Two commands, two steps.
    UndoEdit();
    ReadElement(4, CurElement);
    EXPECT_EQ(CurElement.Angle, 0);
    ReadElement(1, CurElement);
    EXPECT_EQ(CurElement.ObjectType, TextObject);
    UndoEdit();
    ReadElement(1, CurElement);
    EXPECT_EQ(CurElement.ObjectType, PointObject);
}

} // namespace
