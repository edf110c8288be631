// The database panel in the running program: the record grid follows the selection, its size
// rule, its button cells, and the Link, Find and Create links dialogs driven offscreen.
#include "../shell/ModalDialog.h"
#include "../support/TestMapReader.h"
#include "DbLinkFixture.h"
#include "OdbcTestKit.h"

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

// A table GDAL wrote in UTF-8 with a number field (8 wide, 2 decimals) and two text fields of
// 10 bytes. Each refused value is said once, its cell shows the stored value again, and every
// other edit is written, whatever was refused before it.
TEST_F(DbPanelFlow, ARefusedValueIsSaidOnceAndNoOtherEditIsLost)
{
    ASSERT_TRUE(WriteText(TempPath(QStringLiteral("heights.csv")),
                          "ID,HEIGHT,NAME,NOTE\n1,12.5,Oak,old\n2,3,Pine,\n"));
    ASSERT_TRUE(WriteText(TempPath(QStringLiteral("heights.csvt")), "Integer(6),Real(8.2),String(10),String(10)\n"));
    QString error;
    RunTool(QStringLiteral("ogr2ogr"), {"-f", "ESRI Shapefile", "-lco", "ENCODING=UTF-8", TempPath("gdal"),
                                        TempPath("heights.csv")}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QString table = TempPath(QStringLiteral("gdal/heights.dbf"));
    ASSERT_TRUE(OpenWritten(Map("Heights\te" + TempPath("gdal").toStdString() + "\ttheights\tkID", {Link(1, "1", "Heights")}),
                            QStringLiteral("map.zmd")));
    CenterOnObject(1);
    Settle();
    ASSERT_TRUE(Grid()->isVisible());
    ASSERT_EQ(Grid()->rowCount(), 4);
    EXPECT_EQ(Grid()->item(1, 2)->text(), QStringLiteral("12.50"));
    // As the user types: an editor over the cell, Enter.
    QByteArray before = ReadAll(table);
    TypeInGrid(1, QStringLiteral("abc"));
    ASSERT_EQ(messages.Count(), 1) << "said once";
    EXPECT_EQ(messages.Last().key, TextKey::DbValueRefused);
    EXPECT_EQ(messages.Last().params, QStringLiteral("abc;HEIGHT;N(8,2)"));
    EXPECT_EQ(Grid()->item(1, 2)->text(), QStringLiteral("12.50")) << "back to the stored value";
    EXPECT_EQ(ReadAll(table), before);
    // The next edit is written and the refusal does not come back.
    TypeInGrid(2, QStringLiteral("zz"));
    EXPECT_EQ(messages.Count(), 0);
    QString read = DbfreadRecords(table, &error, QStringLiteral("utf-8"));
    EXPECT_TRUE(read.contains("-1|12.5|zz|old\n")) << read.toStdString() << error.toStdString();
    // Text longer than its field, in bytes of the table's code page, is refused by name and
    // length: 15 letters, and 7 two-byte letters in 10 bytes; 5 of them fit.
    before = ReadAll(table);
    TypeInGrid(2, QStringLiteral("abcdefghijklmno"));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::DbTextTooLong);
    EXPECT_EQ(messages.Last().params, QStringLiteral("abcdefghijklmno;NAME;10;15;UTF-8"));
    EXPECT_EQ(Grid()->item(2, 2)->text(), QStringLiteral("zz"));
    TypeInGrid(3, QString(7, QChar(0x451)));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().params, QString(7, QChar(0x451)) + QStringLiteral(";NOTE;10;14;UTF-8"));
    EXPECT_EQ(Grid()->item(3, 2)->text(), QStringLiteral("old"));
    EXPECT_EQ(ReadAll(table), before);
    TypeInGrid(3, QString(5, QChar(0x451)));
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Grid()->item(3, 2)->text(), QString(5, QChar(0x451)));
    // Two edits waiting when the selection goes: the refused one is said, the other written.
    messages.Clear();
    DbObject.Grid.Rows[1].Value = QStringLiteral("1e3");
    DbObject.Grid.Rows[2].Value = QStringLiteral("Birch");
    DropSelection();
    Settle();
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::DbValueRefused);
    read = DbfreadRecords(table, &error, QStringLiteral("utf-8"));
    EXPECT_TRUE(read.contains("-1|12.5|Birch|" + QString(5, QChar(0x451)) + "\n")) << read.toStdString();
    CenterOnObject(1);
    Settle();
    EXPECT_EQ(messages.Count(), 1) << "nothing said again";
    EXPECT_EQ(Grid()->item(2, 2)->text(), QStringLiteral("Birch"));
}

// A table GDAL wrote in Shift-JIS: the grid shows its Japanese text as it is, typed Japanese
// text is written in Shift-JIS bytes at the field's place, a letter Shift-JIS lacks is refused
// naming code page 932, and text longer than the field in bytes is refused. A table in a code
// page the system cannot convert says so once, when a record of it is first shown.
TEST_F(DbPanelFlow, TablesInTheirOwnCodePageShowAndTakeTheirText)
{
    ASSERT_TRUE(WriteText(TempPath(QStringLiteral("places.csv")), "ID,NAME\n1,\xE6\x9D\xB1\xE4\xBA\xAC\n"));
    ASSERT_TRUE(WriteText(TempPath(QStringLiteral("places.csvt")), "Integer(4),String(12)\n"));
    QString error;
    RunTool(QStringLiteral("ogr2ogr"), {"-f", "ESRI Shapefile", "-lco", "ENCODING=CP932", TempPath("sjis"),
                                        TempPath("places.csv")}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QString table = TempPath(QStringLiteral("sjis/places.dbf"));
    TestDbf odd = Parcels();
    odd.language = 0xF0;
    ASSERT_TRUE(odd.WriteTo(TempPath(QStringLiteral("odd.dbf"))));
    const QByteArray oddBytes = ReadAll(TempPath(QStringLiteral("odd.dbf")));
    TestMapWriter w = Map("Places\te" + TempPath("sjis").toStdString() + "\ttplaces\tkID",
                          {Link(1, "1", "Places"), Link(2, "1", "Odd"), Link(3, "2", "Odd")});
    w.strings.push_back(TestPString::Make(4, 0, "Odd\te\ttodd\tkID"));
    ASSERT_TRUE(OpenWritten(w, QStringLiteral("map.zmd")));
    CenterOnObject(1);
    Settle();
    ASSERT_TRUE(Grid()->isVisible());
    ASSERT_EQ(Grid()->rowCount(), 2);
    EXPECT_EQ(Grid()->item(1, 2)->text(), QString::fromUtf8("東京"));
    EXPECT_EQ(messages.Count(), 0);
    const QByteArray before = ReadAll(table);
    const int at = U16At(before, 8) + 1 + uint8_t(before[32 + 16]);
    ASSERT_EQ(uint8_t(before[64 + 16]), 12);
    TypeInGrid(1, QString::fromUtf8("富士山"));
    EXPECT_EQ(messages.Count(), 0);
    const QByteArray after = ReadAll(table);
    EXPECT_EQ(after.mid(at, 12), QByteArray("\x95\x78\x8E\x6D\x8E\x52      "));
    EXPECT_EQ(after.left(at), before.left(at));
    QString read = DbfreadRecords(table, &error, QStringLiteral("cp932"));
    EXPECT_TRUE(read.contains(QString::fromUtf8("-1|富士山\n"))) << read.toStdString() << error.toStdString();
    TypeInGrid(1, QString::fromUtf8("서울"));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::DbCodePageRefused);
    EXPECT_EQ(messages.Last().params, QString::fromUtf8("서울;NAME;932"));
    TypeInGrid(1, QString::fromUtf8("富士山富士山高"));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::DbTextTooLong);
    EXPECT_EQ(messages.Last().params, QString::fromUtf8("富士山富士山高;NAME;12;14;932"));
    EXPECT_EQ(Grid()->item(1, 2)->text(), QString::fromUtf8("富士山"));
    EXPECT_EQ(ReadAll(table), after);

    // The other table: said when its first record shows, not at the next.
    messages.Clear();
    CenterOnObject(2);
    Settle();
    ASSERT_TRUE(Grid()->isVisible());
    EXPECT_EQ(Grid()->item(1, 2)->text(), QStringLiteral("forest"));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::DbCodePageUnknown);
    EXPECT_EQ(messages.Last().params, TempPath(QStringLiteral("odd.dbf")) + QStringLiteral(";0xF0 (language driver)"));
    CenterOnObject(1);
    Settle();
    CenterOnObject(3);
    Settle();
    EXPECT_EQ(Grid()->item(1, 2)->text(), QStringLiteral("road"));
    EXPECT_EQ(messages.Count(), 1);
    EXPECT_EQ(ReadAll(TempPath(QStringLiteral("odd.dbf"))), oddBytes) << "looking changes nothing";
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

// OK on a link as the dialog showed it leaves the map as it was: no change, no question at
// Close, the file's bytes kept. A link to another record is a change and is saved.
TEST_F(DbPanelFlow, LinkDialogClosedWithOkOnTheLinkItShowedChangesNothing)
{
    ASSERT_TRUE(OpenLinked());
    const QString path = TempPath(QStringLiteral("map.zmd"));
    const QByteArray before = ReadAll(path);
    const QByteArray table = ReadAll(TempPath(QStringLiteral("parcels.dbf")));
    const auto link = [&](const QString& key) {
        CenterOnObject(1);
        Settle();
        const bool seen = AnswerDialog<QDialog>([&] { Button("DbLinkBtn")->click(); }, [&](QDialog& d) {
            auto* keyB = d.findChild<QLineEdit*>(QStringLiteral("KeyB"));
            EXPECT_EQ(keyB->text(), QStringLiteral("1"));
            EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("NewRecB"))->isChecked());
            keyB->setText(key);
            Press(d, "OKBtn");
            EXPECT_FALSE(d.isVisible());
        });
        EXPECT_TRUE(seen);
        Settle();
    };
    link(QStringLiteral("1"));
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    EXPECT_TRUE(Links().contains(QStringLiteral("1\tdParcels")));
    EXPECT_TRUE(Grid()->isVisible()) << "the record is shown";
    messages.Clear();
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(Index.ActiveZmd, nullptr);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(ReadAll(path), before);

    // Another record: changed, and saved with the link.
    ASSERT_TRUE(OpenMap(path));
    link(QStringLiteral("3"));
    EXPECT_TRUE(Index.ActiveZmd->Modified);
    Trigger(Cmd::FileSave);
    Settle();
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    const ReadMap m = ReadMapFile(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(m.Sound()) << m.Problems();
    std::vector<std::string> linksOfOne;
    std::string settings;
    for (const ReadString& s : m.strings) {
        if (s.type == ObjectLinkType && s.object == 1)
            linksOfOne.push_back(s.text);
        if (s.type == 1034)  // the link dialog's settings
            settings = s.text;
    }
    EXPECT_EQ(linksOfOne, std::vector<std::string>{"3\tdParcels"});
    EXPECT_EQ(settings, "\tdParcels\tl3\tn0");
    EXPECT_EQ(Records(), 4) << "an existing record, none added";
    EXPECT_EQ(ReadAll(TempPath(QStringLiteral("parcels.dbf"))).size(), table.size());
}
