// The database panel in the running program: the record grid follows the selection, its size
// rule, its button cells, and the Link, Find and Create links dialogs driven offscreen.
#include "../shell/ModalDialog.h"
#include "DbLinkFixture.h"

#include "core/Config.h"
#include "edit/Pick.h"
#include "edit/View.h"
#include "external/database/widgets/DbPanel.h"
#include "shell/widgets/Panels.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

using namespace zemo;
using namespace zemo::test;

namespace {

TEST(DbGridSize, AllRowsWhenTheyFitElseTheGridScrolls)
{
    const struct {
        int rows, space;
        DbGridSize expected;
    } cases[] = {{3, 3 * 17 + 16, {3 * 17 + 8, 200 - 60 - 8}},
                 {3, 3 * 17 + 15, {3 * 17 + 7, 200 - 60 - 8 - 15}},
                 {10, 100, {92, 200 - 60 - 8 - 15}},
                 {0, 16, {8, 200 - 60 - 8}},
                 {0, 15, {7, 200 - 60 - 8 - 15}}};
    for (const auto& c : cases) {
        const DbGridSize s = DbGridLayout(c.rows, c.space, 200, 60, 15);
        EXPECT_EQ(s.Height, c.expected.Height) << c.rows << " rows in " << c.space;
        EXPECT_EQ(s.ValueWidth, c.expected.ValueWidth) << c.rows << " rows in " << c.space;
    }
}

TEST(DbGridButton, RaisedEdgesAroundTheFace)
{
    QImage img(20, 17, QImage::Format_RGB32);
    img.fill(Qt::red);
    QPainter p(&img);
    DrawDbGridButton(p, QRect(0, 0, 20, 17));
    p.end();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(19, 16), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(1, 8), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(18, 15), QColor(128, 128, 128));
    EXPECT_EQ(img.pixelColor(18, 8), QColor(128, 128, 128));
    EXPECT_EQ(img.pixelColor(10, 8), QApplication::palette().color(QPalette::Button));
}

class DbPanelFlow : public DbLinkFixture {
protected:
    MainFramePanels& Panels() { return *PanelsOf(Frame()); }
    QTableWidget* Grid() { return Panels().DbPanel->findChild<QTableWidget*>(QStringLiteral("DbGrid")); }
    QPushButton* Button(const char* name)
    {
        return Panels().DbPanel->findChild<QPushButton*>(QLatin1String(name));
    }
};

TEST_F(DbPanelFlow, TheGridFollowsTheSelectionAndWritesEditsBack)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID\trREF\tsparcels\tmID"));
    Settle();
    EXPECT_TRUE(Panels().DbPanelBuilt);
    EXPECT_TRUE(Panels().DbPanel->isVisible()) << "a map with datasets shows the panel";
    ASSERT_NE(Grid(), nullptr);
    CenterOnObject(3);
    Settle();
    ASSERT_TRUE(Grid()->isVisible());
    ASSERT_EQ(Grid()->rowCount(), 7);
    EXPECT_EQ(Grid()->item(1, 0)->text(), QStringLiteral("TYPE"));
    EXPECT_EQ(Grid()->item(1, 2)->text(), QStringLiteral("forest"));
    EXPECT_EQ(Grid()->item(6, 1)->text(), QStringLiteral("*"));
    EXPECT_EQ(Grid()->rowHeight(0), DbGridRowHeight);
    // Only the value column is edited.
    EXPECT_FALSE(Grid()->item(1, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(Grid()->item(1, 2)->flags() & Qt::ItemIsEditable);
    Grid()->item(1, 2)->setText(QStringLiteral("meadow"));
    Settle();
    EXPECT_EQ(Stored(2, QStringLiteral("TYPE")), QStringLiteral("meadow"));
    // The selection gone, the grid goes.
    DropSelection();
    Settle();
    EXPECT_FALSE(Grid()->isVisible());
    // An object without link shows none.
    CenterOnObject(5);
    Settle();
    EXPECT_FALSE(Grid()->isVisible());
}

TEST_F(DbPanelFlow, TheReferenceButtonOpensTheSecondaryRecordAndWritesChangesOnly)
{
    // Record 1's REF names record "A1"... of a table keyed by TYPE: the forest record 1.
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID\trTXT\tsparcels\tmTXT"));
    CenterOnObject(1);
    Settle();
    ASSERT_TRUE(Grid()->isVisible());
    const QByteArray before = ReadAll(TempPath(QStringLiteral("parcels.dbf")));
    int row = -1;
    for (int r = 0; r < Grid()->rowCount(); ++r)
        if (Grid()->item(r, 0)->text() == QStringLiteral("TXT"))
            row = r;
    ASSERT_GE(row, 0);
    const QRect cell = Grid()->visualItemRect(Grid()->item(row, 1));
    bool seen = AnswerDialog<QDialog>([&] { Click(Grid()->viewport(), cell.center()); }, [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), Text(TextKey::SecondaryTable) + QStringLiteral(" - parcels"));
        auto* tab = d.findChild<QTableWidget*>(QStringLiteral("TabB"));
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->item(4, 1)->text(), QStringLiteral("Oak"));
        tab->item(5, 1)->setText(QStringLiteral("12"));
        Press(d, "OKBtn");
    });
    EXPECT_TRUE(seen);
    EXPECT_EQ(Stored(0, QStringLiteral("ANG")), QStringLiteral("12"));
    EXPECT_EQ(Stored(0, QStringLiteral("TYPE")), QStringLiteral("forest"));
    EXPECT_NE(ReadAll(TempPath(QStringLiteral("parcels.dbf"))), before);
    EXPECT_TRUE(Grid()->isVisible()) << "the main record shows again";
}

TEST_F(DbPanelFlow, LinkButtonRunsTheLinkDialog)
{
    ASSERT_TRUE(OpenLinked());
    CenterOnObject(5);
    Settle();
    messages.SetDefaultAnswer(IdOk);
    const bool seen = AnswerDialog<QDialog>([&] { Button("DbLinkBtn")->click(); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("DbObjectDlg"));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("KeyB"))->text(), QStringLiteral("1"));
        EXPECT_TRUE(d.findChild<QCheckBox*>(QStringLiteral("NewRecB"))->isChecked());
        d.findChild<QLineEdit*>(QStringLiteral("KeyB"))->setText(QStringLiteral("x\ty"));
        Press(d, "OKBtn");
        EXPECT_TRUE(d.isVisible()) << "a key with a TAB is refused";
        d.findChild<QLineEdit*>(QStringLiteral("KeyB"))->setText(QStringLiteral("12"));
        Press(d, "OKBtn");
        EXPECT_FALSE(d.isVisible());
    });
    ASSERT_TRUE(seen);
    EXPECT_TRUE(Links().contains(QStringLiteral("12\tdParcels")));
    EXPECT_EQ(Records(), 5);
    Settle();
    EXPECT_TRUE(Grid()->isVisible());
    // Remove: the link goes and the grid hides.
    AnswerDialog<QDialog>([&] { Button("DbLinkBtn")->click(); }, [&](QDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("KeyB"))->text(), QStringLiteral("12"));
        d.findChild<QPushButton*>(QStringLiteral("RemoveBtn"))->click();
    });
    Settle();
    EXPECT_FALSE(Links().contains(QStringLiteral("12\tdParcels")));
    EXPECT_FALSE(Grid()->isVisible());
}

TEST_F(DbPanelFlow, FindAndCreateLinksThroughTheirDialogs)
{
    ASSERT_TRUE(OpenLinked("Parcels\te\ttparcels\tkID", {Link(1, "3"), Link(5, "3")}));
    AnswerDialog<QDialog>([&] { Button("DbFindBtn")->click(); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("DbFindDlg"));
        d.findChild<QLineEdit*>(QStringLiteral("KeyB"))->setText(QStringLiteral("3"));
        Press(d, "OKBtn");
    });
    Settle();
    EXPECT_EQ(Index.SelectedIndex, 5);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditPoint);
    DropSelection();
    SetCurrentSymbolPos(1);
    Frame().UpdateCommandStates();
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbCreateLinks); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("DbCreateDlg"));
        EXPECT_EQ(d.findChild<QComboBox*>(QStringLiteral("DatasetB"))->currentText(), QStringLiteral("Parcels"));
        Press(d, "OKBtn");
    });
    EXPECT_TRUE(seen);
    EXPECT_TRUE(Links().contains(QStringLiteral("5\tdParcels")));
    EXPECT_EQ(Links().size(), 3);
}

} // namespace
