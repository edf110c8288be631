// Symbol > Colors: the grid and the colour dialog offscreen by their widgets over a working
// copy of a map's table, the conversions between CMYK and RGB, New and Delete, and what OK
// and Cancel leave in the map and its file, read at literal offsets.
#include "DialogParts.h"
#include "SymbolsFixture.h"

#include "symbols/Colors.h"
#include "symbols/Ports.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/DefColorDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QWheelEvent>

using namespace zemo;
using namespace zemo::test;

namespace {

// A click of the mouse on a cell of the grid.
void ClickCell(QTableWidget* g, int row, int column)
{
    const QPointF at = g->visualItemRect(g->item(row, column)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, g->viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &e);
    }
}

// Colours numbered 0 to 4 in that order, two separations; colour 2 lies in the first at 37.5 %
// and in the second at 38 %.
TestMapWriter FiveColours()
{
    TestMapWriter w(8);
    w.colors.clear();
    const char* names[] = {"Black", "Blue", "Brown", "Yellow", "Green"};
    for (uint16_t n = 0; n < 5; ++n)
        w.colors.push_back(TestColor::Cmyk(n, names[n], uint8_t(20 * n), uint8_t(10 * n), 0,
                                           uint8_t(200 - 40 * n)));
    w.colors[2].separationPercent[0] = 75;
    w.colors[2].separationPercent[1] = 76;
    w.colors[3].overprint = -1;
    w.separations = {TestSeparation{}, TestSeparation{}};
    w.separations[0].name = "Spot1";
    w.separations[1].name = "\xC9" "cru";  // code page 1252
    return w;
}

class ColorsTest : public SymbolsTest {
protected:
    void SetUp() override
    {
        SymbolsTest::SetUp();
        ASSERT_TRUE(LoadTexts());
        Open(FiveColours());
    }
    static double Value(QWidget& d, const char* name) { return Edit(d, name)->text().toDouble(); }
    static std::vector<int> Numbers(const ColorTable& t)
    {
        std::vector<int> v;
        for (int i = 0; i < t.Count(); ++i)
            v.push_back(t.At(i).Number);
        return v;
    }
    std::vector<uint8_t> ColorBlockInFile() const
    {
        const auto b = FileBytes();
        return {b.begin() + 48, b.begin() + 48 + 19224};
    }
    // Runs the colour table's worker with the dialog's part played by `dialog`.
    void RunWorker(std::function<bool(ColorTable&)> dialog)
    {
        SymbolsPorts().RunColorsDialog.Bind(std::move(dialog));
        EditColorTable();
        SymbolsPorts().RunColorsDialog.Unbind();
    }
};

} // namespace

TEST(ColorCells, SeparationCellsShowAndStoreHalfPercents)
{
    struct Case {
        const char* typed;
        bool ok;
        uint8_t stored;
        const char* shown;
    };
    const Case cases[] = {
        {"37.5", true, 75, "37.5"}, {"38", true, 76, "38"},   {"", true, 255, ""},
        {"   12", true, 24, "12"},  {"0", true, 0, "0"},      {"100", true, 200, "100"},
        {"0.25", true, 0, "0"},     {"0.75", true, 2, "1"},   {"100.5", false, 0, ""},
        {"abc", false, 0, ""},      {"-1", false, 0, ""},     {"nan", false, 0, ""},
        {"12 %", false, 0, ""},
    };
    for (const Case& c : cases) {
        uint8_t v = 99;
        EXPECT_EQ(ParseSeparationCell(QString::fromLatin1(c.typed), v), c.ok) << c.typed;
        if (!c.ok)
            continue;
        EXPECT_EQ(v, c.stored) << c.typed;
        EXPECT_EQ(SeparationCellText(v), QString::fromLatin1(c.shown)) << c.typed;
    }
    EXPECT_EQ(SeparationCellText(201), QString());
}

TEST(ColorCells, RgbAndCmykFollowEachOther)
{
    struct Case {
        std::array<double, 3> rgb;
        std::array<double, 4> cmyk;
    };
    const Case cases[] = {
        {{100, 50, 0}, {0, 50, 100, 0}},
        {{20, 20, 20}, {0, 0, 0, 80}},
        {{100, 100, 100}, {0, 0, 0, 0}},
        {{30, 60, 90}, {60, 30, 0, 10}},
    };
    for (const Case& c : cases) {
        ColorFields f;
        for (int i = 0; i < 3; ++i)
            f.SetRgb(i, c.rgb[size_t(i)]);
        EXPECT_EQ(f.Cmyk, c.cmyk);
    }
    // A rich black shows its RGB as black, never below 0; CMYK stays as typed.
    ColorRecord rich;
    rich.Cmyk = {120, 0, 0, 200};
    ColorFields f = ColorFields::Of(rich);
    EXPECT_EQ(f.Rgb, (std::array<double, 3>{0, 0, 0}));
    f.SetCmyk(3, 50);
    EXPECT_EQ(f.Rgb, (std::array<double, 3>{0, 50, 50}));
    f.StoreCmyk(rich);
    EXPECT_EQ(rich.Cmyk, (std::array<uint8_t, 4>{120, 0, 0, 100}));
}

TEST_F(ColorsTest, TheGridShowsTheTableAndKeepsABadCellUntilItIsMended)
{
    ColorTable table(Z().ColorBlock);
    TColorsDlg d(table);
    d.show();
    QTableWidget* g = d.Grid();
    ASSERT_EQ(g->rowCount(), 5);
    ASSERT_EQ(g->columnCount(), 6);
    EXPECT_EQ(g->horizontalHeaderItem(4)->text(), QStringLiteral("Spot1"));
    EXPECT_EQ(g->horizontalHeaderItem(5)->text(), QString::fromUtf8("Écru"));
    EXPECT_EQ(g->item(3, 0)->text(), QStringLiteral("3"));
    EXPECT_EQ(g->item(3, 1)->text(), QStringLiteral("Yellow"));
    EXPECT_EQ(g->item(2, 4)->text(), QStringLiteral("37.5"));
    EXPECT_EQ(g->item(2, 5)->text(), QStringLiteral("38"));
    EXPECT_EQ(g->item(1, 4)->text(), QString());
    for (int c : {2, 3})
        EXPECT_FALSE(g->item(0, c)->flags() & Qt::ItemIsSelectable) << c;
    EXPECT_TRUE(g->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(g->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(g->rowHeight(0), 16);
    EXPECT_EQ(g->columnWidth(1), 162);

    for (const char* bad : {"100.5", "abc"}) {
        messages.Clear();
        g->item(4, 5)->setText(QString::fromLatin1(bad));
        d.accept();
        EXPECT_TRUE(d.isVisible()) << bad;
        ASSERT_EQ(messages.Count(), 1) << bad;
        EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
        EXPECT_EQ(messages.Last().params, QStringLiteral("Value;0;100;%"));
        EXPECT_EQ(g->currentRow(), 4);
        EXPECT_EQ(g->currentColumn(), 5);
        EXPECT_EQ(table.At(4).Separations[1], 255) << "nothing stored";
    }
    g->item(4, 5)->setText(QStringLiteral("38"));
    g->item(0, 4)->setText(QStringLiteral("37.5"));
    g->item(0, 1)->setText(QStringLiteral("Schwarz"));
    d.accept();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(table.At(4).Separations[1], 76);
    EXPECT_EQ(table.At(0).Separations[0], 75);
    EXPECT_EQ(ColorName(table.At(0)), QStringLiteral("Schwarz"));
}

TEST_F(ColorsTest, OverprintClicksMovesAndTheWheelKeepEveryNumber)
{
    ColorTable table(Z().ColorBlock);
    TColorsDlg d(table);
    d.show();
    QTableWidget* g = d.Grid();
    ClickCell(g, 1, TColorsDlg::OverprintCol);
    EXPECT_EQ(table.At(1).Overprint, -1);
    ClickCell(g, 3, TColorsDlg::OverprintCol);
    EXPECT_EQ(table.At(3).Overprint, 0);

    g->setCurrentCell(1, 1);
    Button(d, "MoveDnBtn")->click();
    EXPECT_EQ(Numbers(table), (std::vector<int>{0, 2, 1, 3, 4}));
    EXPECT_EQ(g->currentRow(), 2);
    EXPECT_EQ(g->item(2, 1)->text(), QStringLiteral("Blue"));
    EXPECT_EQ(table.At(2).Overprint, -1) << "the whole record moves";
    g->setCurrentCell(0, 1);
    Button(d, "MoveUpBtn")->click();
    EXPECT_EQ(Numbers(table), (std::vector<int>{0, 2, 1, 3, 4}));
    Button(d, "MoveUpBtn")->click();  // still at the top
    EXPECT_EQ(g->currentRow(), 0);
    g->setCurrentCell(4, 1);
    Button(d, "MoveUpBtn")->click();
    EXPECT_EQ(Numbers(table), (std::vector<int>{0, 2, 1, 4, 3}));

    // A move stores the grid first: a bad cell keeps the order.
    g->item(0, 4)->setText(QStringLiteral("abc"));
    g->setCurrentCell(2, 1);
    Button(d, "MoveDnBtn")->click();
    EXPECT_EQ(Numbers(table), (std::vector<int>{0, 2, 1, 4, 3}));
    g->item(0, 4)->setText(QString());

    // One notch of the wheel, one row.
    g->setCurrentCell(2, 1);
    for (int dy : {-120, -360, 120}) {
        QWheelEvent wheel(QPointF(20, 20), g->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(),
                          QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g->viewport(), &wheel);
    }
    EXPECT_EQ(g->currentRow(), 3);
}

TEST_F(ColorsTest, TheColourDialogConvertsStoresAndLeavesARichBlack)
{
    ColorTable table(Z().ColorBlock);
    table.At(1).Cmyk = {120, 0, 0, 200};  // cyan 60, black 100
    TDefColorDlg d(table, 0);
    d.show();
    EXPECT_EQ(Edit(d, "NameB")->text(), QStringLiteral("Black"));
    EXPECT_EQ(Value(d, "BlackB"), 100);
    EXPECT_FALSE(Button(d, "PreviousBtn")->isEnabled());

    // RGB typed gives CMYK; the track bars follow in tenths of a percent.
    Edit(d, "RedB")->setText(QStringLiteral("100"));
    Edit(d, "GreenB")->setText(QStringLiteral("50"));
    Edit(d, "BlueB")->setText(QStringLiteral("0"));
    EXPECT_EQ(Value(d, "CyanB"), 0);
    EXPECT_EQ(Value(d, "MagentaB"), 50);
    EXPECT_EQ(Value(d, "YellowB"), 100);
    EXPECT_EQ(Value(d, "BlackB"), 0);
    EXPECT_EQ(d.findChild<QSlider*>(QStringLiteral("YellowTB"))->value(), 1000);
    for (const char* f : {"RedB", "GreenB", "BlueB"})
        Edit(d, f)->setText(QStringLiteral("20"));
    EXPECT_EQ(Value(d, "BlackB"), 80);
    EXPECT_EQ(Value(d, "CyanB"), 0);
    // A track bar moved types its field.
    d.findChild<QSlider*>(QStringLiteral("CyanTB"))->setValue(375);
    EXPECT_EQ(Edit(d, "CyanB")->text(), QStringLiteral("37.5"));
    EXPECT_EQ(Value(d, "RedB"), 0) << "100 - 37.5 - 80, shown as 0";

    // Out of range keeps the colour; the message names the field.
    Edit(d, "MagentaB")->setText(QStringLiteral("100.1"));
    Button(d, "NextBtn")->click();
    EXPECT_EQ(d.Current(), 0);
    EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
    EXPECT_EQ(messages.Last().params, QStringLiteral("Magenta;0;100;%"));
    Edit(d, "MagentaB")->setText(QStringLiteral("0"));
    d.findChild<QCheckBox*>(QStringLiteral("OverPrintB"))->setChecked(true);
    Edit(d, "NameB")->setText(QStringLiteral("Dark"));
    Button(d, "NextBtn")->click();
    EXPECT_EQ(d.Current(), 1);
    EXPECT_EQ(table.At(0).Cmyk, (std::array<uint8_t, 4>{75, 0, 0, 160}));
    EXPECT_EQ(table.At(0).Overprint, -1);
    EXPECT_EQ(ColorName(table.At(0)), QStringLiteral("Dark"));

    // The rich black shows black RGB and can be left: it stays cyan 60, black 100.
    for (const char* f : {"RedB", "GreenB", "BlueB"})
        EXPECT_EQ(Value(d, f), 0) << f;
    messages.Clear();
    Button(d, "NextBtn")->click();
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(d.Current(), 2);
    Button(d, "PreviousBtn")->click();
    Button(d, "PreviousBtn")->click();
    d.accept();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(table.At(1).Cmyk, (std::array<uint8_t, 4>{120, 0, 0, 200}));
}

TEST_F(ColorsTest, NewTakesTheSmallestFreeNumberAndDeleteTheColourBefore)
{
    ColorTable table(Z().ColorBlock);
    TDefColorDlg d(table, 3);
    d.show();
    Button(d, "DeleteBtn")->click();
    EXPECT_EQ(Numbers(table), (std::vector<int>{0, 1, 2, 4}));
    EXPECT_EQ(d.Current(), 2);
    EXPECT_EQ(Edit(d, "NameB")->text(), QStringLiteral("Brown"));
    Button(d, "NewBtn")->click();
    EXPECT_EQ(Numbers(table), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(d.Current(), 3);
    const ColorRecord& fresh = table.At(3);
    EXPECT_EQ(fresh.Cmyk, (std::array<uint8_t, 4>{}));
    EXPECT_EQ(fresh.Overprint, 0);
    EXPECT_EQ(ColorName(fresh), QString());
    EXPECT_EQ(std::count(fresh.Separations.begin(), fresh.Separations.end(), 255), 32);
    // Deleting the first colour makes the next one, now first, current.
    TDefColorDlg first(table, 0);
    Button(first, "DeleteBtn")->click();
    EXPECT_EQ(first.Current(), 0);
    EXPECT_EQ(Numbers(table), (std::vector<int>{1, 2, 3, 4}));

    // New while there are fewer than 256 colours, Delete while there are two.
    ColorTable full(Z().ColorBlock);
    while (full.AddAfter(full.Count() - 1) >= 0) {
    }
    EXPECT_EQ(full.Count(), 256);
    EXPECT_EQ(full.At(255).Number, 255);
    TDefColorDlg atFull(full, 255);
    EXPECT_FALSE(Button(atFull, "NewBtn")->isEnabled());
    EXPECT_FALSE(Button(atFull, "NextBtn")->isEnabled());
    ColorTable one(Z().ColorBlock);
    while (one.Delete(0) >= 0) {
    }
    EXPECT_EQ(one.Count(), 1);
    TDefColorDlg single(one, 0);
    EXPECT_FALSE(Button(single, "DeleteBtn")->isEnabled());
}

TEST_F(ColorsTest, OkWritesEachRecordAtItsOffsetAndCancelLeavesFileAndMapAsTheyWere)
{
    const auto fileBefore = FileBytes();
    const auto blockBefore = WriteSymbolHeaderBytes(Z().ColorBlock);
    // Moves, edits, New and Delete, then Cancel.
    RunWorker([](ColorTable& t) {
        t.Move(1, 1);
        t.At(0).Cmyk = {1, 2, 3, 4};
        SetColorName(t.At(2), QStringLiteral("Changed"));
        t.AddAfter(0);
        t.Delete(4);
        return false;
    });
    EXPECT_EQ(FileBytes(), fileBefore);
    EXPECT_EQ(WriteSymbolHeaderBytes(Z().ColorBlock), blockBefore);
    EXPECT_FALSE(Z().Modified);

    // The same with OK through the grid: the file holds the new table field by field.
    RunWorker([](ColorTable& t) {
        TColorsDlg d(t);
        d.show();
        d.Grid()->setCurrentCell(1, 1);
        d.MoveSelected(1);
        d.Grid()->item(0, 4)->setText(QStringLiteral("12.5"));
        d.Grid()->item(4, 1)->setText(QStringLiteral("Olive"));
        ClickCell(d.Grid(), 0, TColorsDlg::OverprintCol);
        d.accept();
        return !d.isVisible();
    });
    const auto b = FileBytes();
    EXPECT_EQ(GetI16(b, 48), 5);
    EXPECT_EQ(GetI16(b, 50), 2);
    const std::vector<uint16_t> numbers = {0, 2, 1, 3, 4};
    for (size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        const size_t at = 48 + 24 + 72 * k;
        const int n = numbers[k];
        EXPECT_EQ(GetU16(b, at), n);
        EXPECT_EQ(GetI16(b, at + 2), k == 0 || n == 3 ? -1 : 0);
        EXPECT_EQ(b[at + 4], 20 * n);
        EXPECT_EQ(b[at + 5], 10 * n);
        EXPECT_EQ(b[at + 6], 0);
        EXPECT_EQ(b[at + 7], 200 - 40 * n);
        const std::string name =
            k == 4 ? "Olive"
                   : std::vector<std::string>{"Black", "Blue", "Brown", "Yellow"}[size_t(n)];
        EXPECT_EQ(b[at + 8], name.size());
        EXPECT_EQ(std::string(b.begin() + long(at + 9), b.begin() + long(at + 9 + name.size())),
                  name);
        EXPECT_EQ(b[at + 40], k == 0 ? 25 : n == 2 ? 75 : 255);
        EXPECT_EQ(b[at + 41], n == 2 ? 76 : 255);
        EXPECT_EQ(b[at + 42], 255);
    }
    EXPECT_TRUE(Z().Modified);
    const auto inMemory = WriteSymbolHeaderBytes(Z().ColorBlock);
    EXPECT_EQ(std::vector<uint8_t>(inMemory.begin(), inMemory.end()), ColorBlockInFile());
}
