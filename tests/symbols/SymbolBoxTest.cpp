// The symbol box: its grid, choosing and selecting with the mouse, dragging symbols to a new
// place, the sorts and selection commands, the settings string, and the cells' marks.
#include "SymbolsFixture.h"
#include "../support/ProgramFixture.h"
#include "edit/DrCurve.h"
#include "symbols/Ports.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/store/IconCodec.h"
#include "symbols/widgets/SymbolBox.h"

#include "core/widgets/OwnControls.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace zemo;
using namespace zemo::test;

namespace {

class SymbolBoxTest : public SymbolsTest {
protected:
    void SetUp() override
    {
        SymbolsTest::SetUp();
        ResetSymbolBox();
        ProgramConfig = ConfigRecord{};
    }
    // Symbols numbered 10, 20, ...: list order as the original positions.
    void OpenCount(int n)
    {
        TestMapWriter w(8);
        for (int k = 0; k < n; ++k)
            w.symbols.push_back(TestSymbol::Point(int16_t(10 * (k + 1))));
        Open(w);
    }
    std::vector<int> Order() const
    {
        std::vector<int> v;
        for (int n : Numbers())
            v.push_back(n / 10 - 1);
        return v;
    }
    void Click(int pos, ClickKeys keys = {})
    {
        SymbolBoxLeftDown(pos, keys);
        SymbolBoxLeftUp();
    }
};

} // namespace

TEST(SymbolBoxGrid, ColumnsRowsAndTheScrollBarAtTheirBoundaries)
{
    // Cells of 23 pixels, 3 of the width for the frame, a scroll bar of 17.
    const struct {
        int width, height, symbols;
        int columns, rows;
        bool scrollBar;
    } rows[] = {
        {95, 69, 8, 4, 2, false},   // 95 pixels hold 4 columns; 2 of 3 rows used
        {95, 69, 12, 3, 4, true},   // 12 fill the 3 rows exactly: the bar, then 3 columns
        {95, 69, 11, 3, 4, true},
        {95, 68, 8, 3, 3, true},    // 2 whole rows of height: 2 rows of symbols reach them
        {95, 92, 12, 4, 3, false},
        {94, 69, 8, 3, 3, true},    // one pixel less: 3 columns reach the rows
        {10, 10, 5, 1, 5, true},    // never fewer than one column
        {95, 69, 0, 4, 0, false},   // an empty list has no rows
    };
    for (const auto& r : rows) {
        const SymbolBoxGrid g = LayoutSymbolGrid(r.width, r.height, r.symbols, 17);
        EXPECT_EQ(g.columns, r.columns) << r.width << "x" << r.height << ", " << r.symbols;
        EXPECT_EQ(g.rows, r.rows) << r.width << "x" << r.height << ", " << r.symbols;
        EXPECT_EQ(g.scrollBar, r.scrollBar) << r.width << "x" << r.height << ", " << r.symbols;
    }
    // Cells to list positions: 10 symbols in 3 columns, the last in row 3.
    const SymbolBoxGrid g = LayoutSymbolGrid(95, 69, 10, 17);
    ASSERT_EQ(g.columns, 3);
    const struct {
        int column, row, pos;
    } cells[] = {{2, 1, 5}, {0, 3, 9}, {1, 3, -1}, {0, 4, -1}, {3, 0, -1}, {-1, 0, -1}, {0, -1, -1}};
    for (const auto& c : cells)
        EXPECT_EQ(SymbolAtCell(g, c.column, c.row, 10), c.pos) << c.column << "," << c.row;
}

TEST(SymbolBoxGrid, DragOrders)
{
    EXPECT_EQ(MovedOrder(10, 3, 7), (std::vector<int>{0, 1, 2, 4, 5, 6, 3, 7, 8, 9}));
    EXPECT_EQ(MovedOrder(5, 4, 0), (std::vector<int>{4, 0, 1, 2, 3}));
    EXPECT_EQ(MovedOrder(5, 0, 5), (std::vector<int>{1, 2, 3, 4, 0}));
    EXPECT_EQ(MovedOrder(3, 0, 9), (std::vector<int>{0, 1, 2}));  // out of range: unchanged
    const std::vector<bool> sel{false, true, false, true, false, false, true, false};
    EXPECT_EQ(GatheredOrder(sel, 5), (std::vector<int>{0, 2, 4, 1, 3, 6, 5, 7}));
    EXPECT_EQ(GatheredOrder(sel, 0), (std::vector<int>{1, 3, 6, 0, 2, 4, 5, 7}));
    EXPECT_EQ(GatheredOrder(sel, 8), (std::vector<int>{0, 2, 4, 5, 7, 1, 3, 6}));
}

TEST_F(SymbolBoxTest, DraggingSymbol3BeforeSymbol7ReordersTheFileIndex)
{
    OpenCount(10);
    SymbolBoxLeftDown(3, {});
    EXPECT_EQ(CurrentSymbolPos(), 3);
    EXPECT_TRUE(SymbolBoxDragMove(7));
    EXPECT_FALSE(SymbolBoxDragMove(7));
    EXPECT_TRUE(SymbolBoxLeftUp());
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2, 4, 5, 6, 3, 7, 8, 9}));
    EXPECT_EQ(CurrentSymbolPos(), 6);
    EXPECT_EQ(zmd->NumberTable[40], 6);
    Reopen();
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2, 4, 5, 6, 3, 7, 8, 9}));
    EXPECT_EQ(Stp()->CurrentSymbolIndex, 6);  // the setup was written too

    // A drop on itself or just behind itself changes nothing; the end of the list moves it last.
    SymbolBoxLeftDown(2, {});
    SymbolBoxDragMove(3);
    EXPECT_FALSE(SymbolBoxLeftUp());
    SymbolBoxLeftDown(0, {});
    SymbolBoxDragMove(99);
    EXPECT_TRUE(SymbolBoxLeftUp());
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 4, 5, 6, 3, 7, 8, 9, 0}));
    EXPECT_EQ(CurrentSymbolPos(), 9);
}

TEST_F(SymbolBoxTest, ShiftAndCtrlBuildTheMultiSelection)
{
    OpenCount(8);
    Click(5);
    Click(2, {true, false});
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(CurrentSymbolPos(), -1);
    EXPECT_EQ(Stp()->CurrentSymbolIndex, -1);

    Click(1);  // a plain click outside the selection clears it
    EXPECT_TRUE(SelectedPositions().empty());
    EXPECT_EQ(CurrentSymbolPos(), 1);
    Click(4, {false, true});
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{1, 4}));
    EXPECT_EQ(CurrentSymbolPos(), -1);
    Click(6, {false, true});
    Click(4, {false, true});
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{1, 6}));

    // A plain click on a member keeps the selection; releasing it there makes it current.
    SymbolBoxLeftDown(6, {});
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{1, 6}));
    EXPECT_FALSE(SymbolBoxLeftUp());
    EXPECT_TRUE(SelectedPositions().empty());
    EXPECT_EQ(CurrentSymbolPos(), 6);
}

TEST_F(SymbolBoxTest, DraggingAMultiSelectionGathersItAtTheMark)
{
    OpenCount(8);
    Click(1);
    Click(3, {false, true});
    Click(6, {false, true});
    ASSERT_EQ(SelectedPositions(), (std::vector<int>{1, 3, 6}));
    SymbolBoxLeftDown(3, {});
    SymbolBoxDragMove(5);
    EXPECT_TRUE(SymbolBoxLeftUp());
    EXPECT_EQ(Order(), (std::vector<int>{0, 2, 4, 1, 3, 6, 5, 7}));
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(SymBox().Anchor, 4);
    Reopen();
    EXPECT_EQ(Order(), (std::vector<int>{0, 2, 4, 1, 3, 6, 5, 7}));
}

TEST_F(SymbolBoxTest, ChoosingASymbolSetsItsDrawingMethod)
{
    TestMapWriter w(8);
    for (uint8_t tool : {5, 0, 1, 6}) {
        TestSymbol s = TestSymbol::Line(int16_t(10 + tool));
        s.tool = tool;
        w.symbols.push_back(s);
    }
    Open(w);
    // Of the drawing tools only the curve tool is there.
    RegisterCurveTool();
    ProgramConfig.WorkMode = WorkModes::Straight;
    ProgramConfig.LineMode = WorkModes::Straight;
    Click(2);
    EXPECT_EQ(ProgramConfig.LineMode, WorkModes::Curve);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    Click(1);  // no preference: nothing changes
    EXPECT_EQ(ProgramConfig.LineMode, WorkModes::Curve);
    Click(0);  // straight lines: no such tool yet, the curve tool stays
    EXPECT_EQ(ProgramConfig.LineMode, WorkModes::Curve);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::Curve);
    ProgramConfig.WorkMode = WorkModes::EditObject;  // editing: only the method is remembered
    ProgramConfig.LineMode = WorkModes::Straight;
    Click(2);
    EXPECT_EQ(ProgramConfig.LineMode, WorkModes::Curve);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditObject);
    EXPECT_EQ(DrawingMethodOfTool(2), 9);
    EXPECT_EQ(DrawingMethodOfTool(3), 8);
    EXPECT_EQ(DrawingMethodOfTool(4), 7);
    EXPECT_EQ(DrawingMethodOfTool(7), 0);
}

TEST_F(SymbolBoxTest, SortsByNumberAndByColour)
{
    TestMapWriter w(8);
    w.colors = {TestColor::Cmyk(3, "Brown", 0, 0, 0, 100), TestColor::Cmyk(1, "Black", 0, 0, 0, 200),
                TestColor::Cmyk(2, "Blue", 200, 0, 0, 0)};
    const std::pair<int16_t, int> syms[] = {{50, 2}, {20, 1}, {40, 3}, {25, 2}, {10, -1}, {30, 1}};
    for (auto [n, c] : syms) {
        // The colour set is derived from the graphics when the map is read.
        w.symbols.push_back(c >= 0 ? TestSymbol::Point(n, {TestElement::Dot(uint16_t(c), 30)})
                                   : TestSymbol::Point(n));
    }
    Open(w);
    // Colours in table order: brown, then black, then blue.
    SetCurrentSymbolPos(2);
    SortSymbolsByColor();
    EXPECT_EQ(Numbers(), (std::vector<int>{40, 20, 30, 25, 50, 10}));
    EXPECT_EQ(CurrentSymbolPos(), 0);  // the current symbol moved with its record
    SortSymbolsByNumber();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 25, 30, 40, 50}));
    EXPECT_EQ(CurrentSymbolPos(), 0);
    Reopen();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 25, 30, 40, 50}));
}

TEST_F(SymbolBoxTest, SelectionCommandsResolveToOneCurrentSymbol)
{
    TestMapWriter w(8);
    for (int16_t n : {10, 20, 30, 40})
        w.symbols.push_back(TestSymbol::Point(n));
    w.objects.push_back(TestObject::Point(30, 0, 0));
    Open(w);
    SelectUsedSymbols();
    EXPECT_EQ(CurrentSymbolPos(), 2);  // exactly one: it becomes current
    EXPECT_TRUE(SelectedPositions().empty());
    SelectUnusedSymbols();
    EXPECT_EQ(CurrentSymbolPos(), -1);
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{0, 1, 3}));
    InvertSymbolSelection();
    EXPECT_EQ(CurrentSymbolPos(), 2);
    InvertSymbolSelection();  // with a current symbol: all the others
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{0, 1, 3}));
    SelectAllSymbols();
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(CurrentSymbolPos(), -1);
    EXPECT_TRUE(ShowSymbolInBox(40));
    EXPECT_EQ(CurrentSymbolPos(), 3);
    EXPECT_TRUE(SelectedPositions().empty());
    EXPECT_FALSE(ShowSymbolInBox(41));
    EXPECT_EQ(SymbolBoxHint(3).left(4), QStringLiteral("4.0 "));
}

TEST_F(SymbolBoxTest, RightClickChoosesUnlessSelectedOrPreviewing)
{
    OpenCount(4);
    EXPECT_TRUE(SymbolBoxRightDown(2));
    EXPECT_EQ(CurrentSymbolPos(), 2);
    Click(0, {false, true});
    ASSERT_EQ(SelectedPositions(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(SymbolBoxRightDown(0));  // a member: the selection stays
    EXPECT_EQ(SelectedPositions(), (std::vector<int>{0, 2}));
    zmd->CoursePreviewOn = 1;
    EXPECT_FALSE(SymbolBoxRightDown(3));
    zmd->CoursePreviewOn = 0;
    Close();
    EXPECT_FALSE(SymbolBoxRightDown(1));  // no map: nothing
}

TEST(SymbolBoxSettings, WidthAndHeightFieldsAreRepairedAndWrittenBack)
{
    PString s;
    EXPECT_EQ(SymPanelWidthSetting(s, 17, 1000), 136);
    EXPECT_EQ(GetParamInt(s, QLatin1Char('v'), 0), 136);
    SetParam(s, QLatin1Char('v'), QStringLiteral("900"));
    EXPECT_EQ(SymPanelWidthSetting(s, 17, 800), 750);  // capped at the window minus 50
    EXPECT_EQ(GetParamInt(s, QLatin1Char('v'), 0), 750);
    EXPECT_EQ(SymBoxHeightSetting(s, 300), 53);
    EXPECT_EQ(GetParamInt(s, QLatin1Char('h'), 0), 53);
    SetParam(s, QLatin1Char('h'), QStringLiteral("247"));
    EXPECT_EQ(SymBoxHeightSetting(s, 300), 247);
    EXPECT_EQ(SymBoxHeightSetting(s, 299), 53);
    SetParam(s, QLatin1Char('h'), QStringLiteral("26"));
    EXPECT_EQ(SymBoxHeightSetting(s, 300), 53);

    SymbolPanelInput in;
    PString t;
    EXPECT_FALSE(ComputeSymbolPanelLayout(in, t).symPanel);
    in.mapOpen = true;
    in.graphicsEditing = true;
    SymbolPanelLayout l = ComputeSymbolPanelLayout(in, t);
    EXPECT_TRUE(l.editPanel && !l.symPanel);
    in = {true, false, true, false, 17, 1000, 400};
    l = ComputeSymbolPanelLayout(in, t);
    EXPECT_TRUE(l.symPanel && l.csPanel && !l.dbPanel && l.boxSplitter);
    EXPECT_EQ(l.panelWidth, 250);
    EXPECT_EQ(l.minWidth, 250);
    EXPECT_EQ(l.boxHeight, 53);
    in = {true, false, false, false, 17, 1000, 400};
    l = ComputeSymbolPanelLayout(in, t);
    EXPECT_FALSE(l.boxSplitter);
    EXPECT_EQ(l.boxHeight, 400);
    EXPECT_EQ(l.minWidth, 44);
}

TEST(SymbolBoxCell, MarksInvertTheIcon)
{
    const QImage white = BlankIcon();
    auto px = [](const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
    QImage c = DrawSymbolCell(white, {});
    EXPECT_EQ(c.size(), QSize(23, 23));
    EXPECT_EQ(px(c, 10, 10), 0xFFFFFFu);

    c = DrawSymbolCell(white, {.protectedMark = true});
    EXPECT_EQ(px(c, 10, 10), 0x7F7F7Fu);  // white xor grey 128
    EXPECT_EQ(px(c, 5, 15), 0x7F7F7Fu);
    EXPECT_EQ(px(c, 5, 5), 0xFFFFFFu);

    c = DrawSymbolCell(white, {.hiddenMark = true});
    EXPECT_EQ(px(c, 5, 15), 0x7F7F7Fu);
    EXPECT_EQ(px(c, 5, 5), 0x7F7F7Fu);
    EXPECT_EQ(px(c, 10, 10), 0xFFFFFFu);  // where they cross the inversions cancel

    c = DrawSymbolCell(white, {.selectedMark = true});
    for (QPoint p : {QPoint(0, 0), QPoint(4, 4), QPoint(17, 0), QPoint(21, 21), QPoint(0, 21)})
        EXPECT_EQ(px(c, p.x(), p.y()), 0u) << p.x() << "," << p.y();
    EXPECT_EQ(px(c, 5, 5), 0xFFFFFFu);
    EXPECT_EQ(px(c, 10, 0), 0xFFFFFFu);

    c = DrawSymbolCell(white, {.currentMark = true});
    for (QPoint p : {QPoint(0, 0), QPoint(21, 21), QPoint(1, 10), QPoint(2, 2), QPoint(19, 19)})
        EXPECT_EQ(px(c, p.x(), p.y()), 0u) << p.x() << "," << p.y();
    EXPECT_EQ(px(c, 3, 3), 0xFFFFFFu);
    EXPECT_EQ(px(c, 22, 22), 0xFFFFFFu);  // the cell's gap

    QImage black(22, 22, QImage::Format_RGB32);
    black.fill(Qt::black);
    c = DrawSymbolCell(black, {.insertBar = true});
    EXPECT_EQ(px(c, 2, 10), 0xFFFFFFu);
    EXPECT_EQ(px(c, 2, 2), 0u);
    EXPECT_EQ(px(c, 6, 10), 0u);
}

TEST_F(SymbolBoxTest, WidgetShowsIconsAndFollowsTheMouse)
{
    TestMapWriter w(8);
    for (int k = 0; k < 10; ++k) {
        TestSymbol s = TestSymbol::Point(int16_t(10 * (k + 1)));
        s.icon.fill(0x00);  // plain form: all black
        w.symbols.push_back(s);
    }
    Open(w);
    SetSymU8(zmd->Symbols[1], SymStatus, 1);
    TSymbolBox box;
    box.resize(95 + 2 * box.frameWidth(), 200);
    box.LayoutSymbolBox();
    ASSERT_GE(box.Grid().columns, 3);
    const int cols = box.Grid().columns;

    auto press = [&](int pos, Qt::KeyboardModifiers mods, QEvent::Type type) {
        const QPoint at = box.CellRect(pos).center();
        QMouseEvent e(type, at, box.viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
        QApplication::sendEvent(box.viewport(), &e);
    };
    press(cols + 1, Qt::NoModifier, QEvent::MouseButtonPress);
    press(cols + 1, Qt::NoModifier, QEvent::MouseButtonRelease);
    EXPECT_EQ(CurrentSymbolPos(), cols + 1);
    press(0, Qt::ShiftModifier, QEvent::MouseButtonPress);
    press(0, Qt::ShiftModifier, QEvent::MouseButtonRelease);
    EXPECT_EQ(CurrentSymbolPos(), -1);
    EXPECT_EQ(SymU8(zmd->Symbols[size_t(cols)], SymSelected), 1);

    const QImage shot = box.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto at = [&](int pos, int x, int y) {
        const QPoint o = box.CellRect(pos).topLeft();
        return shot.pixel(o.x() + x, o.y() + y) & 0xFFFFFF;
    };
    EXPECT_EQ(at(2, 10, 10), 0u);              // the black icon
    EXPECT_EQ(at(1, 10, 10), 0x808080u);       // protected: black xor grey
    EXPECT_EQ(at(0, 1, 1), 0xFFFFFFu);         // selected: corner blocks inverted
    EXPECT_EQ(at(0, 10, 10), 0u);
    EXPECT_EQ(at(2, 22, 10), 0xFFFFFFu);       // gap between cells
    // Beyond the last symbol the box is white.
    const QPoint empty = box.CellRect(10).center();
    if (box.viewport()->rect().contains(empty)) {
        EXPECT_EQ(shot.pixel(empty) & 0xFFFFFF, 0xFFFFFFu);
    }
    EXPECT_EQ(box.PositionAt(box.CellRect(3).center()), 3);
    EXPECT_EQ(box.PositionAt(empty, true), 10);
}

// ---- The splitters of the symbol panel in the running program ----

namespace {

class SymbolPanelFrameTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        // The map is its own working file: what the panel stores is in it at once.
        ProgramConfig.AutoSave = true;
    }
    void OpenCount(int n)
    {
        TestMapWriter w(8);
        for (int k = 0; k < n; ++k)
            w.symbols.push_back(TestSymbol::Point(int16_t(10 * (k + 1))));
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("box.zmd")));
        Refresh();
    }
    void Refresh()
    {
        SymbolsPorts().RefreshSymbolBox();
        Settle();
        panels = PanelsOf(Frame());
        ASSERT_NE(panels, nullptr);
    }
    // Pressed in the bar's middle, moved by each offset, released.
    void Drag(QWidget* bar, std::initializer_list<QPoint> offsets)
    {
        const QPoint at = bar->rect().center();
        QPoint last;
        Mouse(bar, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        for (QPoint d : offsets)
            Mouse(bar, QEvent::MouseMove, at + (last = d), Qt::NoButton, Qt::LeftButton);
        Mouse(bar, QEvent::MouseButtonRelease, at + last, Qt::LeftButton, Qt::NoButton);
        Settle();
    }
    int Field(char code) const
    {
        return GetParamInt(Index.ActiveZmd->MapSettings[size_t(MapSettingsSlot(SymBoxSettingsType))],
                           QLatin1Char(code), -1);
    }
    // The string as the map file holds it: the map closed and opened again.
    int StoredField(char code)
    {
        Trigger(Cmd::FileClose);
        EXPECT_TRUE(OpenMap(TempPath(QStringLiteral("box.zmd"))));
        Refresh();
        return Field(code);
    }

    MainFramePanels* panels = nullptr;
};

} // namespace

TEST_F(SymbolPanelFrameTest, PanelWidthFollowsItsSplitterIsStoredCappedAndRestored)
{
    OpenCount(10);
    ASSERT_TRUE(panels->SymSplitter->isVisible());
    const int start = Field('v');
    ASSERT_GT(start, 0);
    EXPECT_EQ(panels->SymDock->width(), start);

    // Dragging the bar left widens the panel; the string follows, and a refresh keeps it.
    Drag(panels->SymSplitter, {QPoint(-10, 0), QPoint(-40, 3)});
    EXPECT_EQ(panels->SymDock->width(), start + 40);
    EXPECT_EQ(Field('v'), start + 40);
    EXPECT_EQ(panels->SymSplitter->geometry().left(), panels->SymDock->geometry().left());
    Refresh();
    EXPECT_EQ(panels->SymDock->width(), start + 40);

    // Never wider than the window less 50, and the next refresh accepts that width.
    Drag(panels->SymSplitter, {QPoint(-5000, 0)});
    EXPECT_EQ(panels->SymDock->width(), Frame().width() - 50);
    Refresh();
    EXPECT_EQ(Field('v'), Frame().width() - 50);

    Drag(panels->SymSplitter, {QPoint(5000, 0), QPoint(100, 0)});
    const int dragged = panels->SymDock->width();
    EXPECT_EQ(dragged, Frame().width() - 150);
    EXPECT_EQ(StoredField('v'), dragged);
    EXPECT_EQ(panels->SymDock->width(), dragged);

    // Escape cancels a drag: nothing changes on screen or in the file.
    QWidget* bar = panels->SymSplitter;
    Mouse(bar, QEvent::MouseButtonPress, bar->rect().center(), Qt::LeftButton, Qt::LeftButton);
    Mouse(bar, QEvent::MouseMove, bar->rect().center() + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(bar, &esc);
    Settle();
    EXPECT_EQ(panels->SymDock->width(), dragged);
    EXPECT_EQ(StoredField('v'), dragged);
}

TEST_F(SymbolPanelFrameTest, BoxHeightFollowsItsSplitterIsStoredCappedAndRestored)
{
    OpenCount(30);
    panels->DbPanelBuilt = true; // as database links fill it
    Index.ActiveZmd->DatasetsPresent = 1;
    Refresh();
    TZSplitter* bar = panels->SymBoxSplitterBar;
    QWidget* holder = panels->SymbolBoxHolder;
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(Field('h'), 53);
    EXPECT_EQ(holder->height(), 53);

    Drag(bar, {QPoint(0, 40)});
    EXPECT_EQ(holder->height(), 93);
    EXPECT_EQ(Field('h'), 93);
    EXPECT_EQ(bar->geometry().top(), holder->mapTo(panels->SymPanel, QPoint(0, 93)).y());

    // Dragged to the bottom it stops where the string still accepts it, so a refresh keeps
    // the height instead of falling back to 53.
    Drag(bar, {QPoint(0, 5000)});
    const int most = panels->SymPanel->height() - 53;
    EXPECT_EQ(holder->height(), most);
    Refresh();
    EXPECT_EQ(Field('h'), most);
    EXPECT_EQ(holder->height(), most);

    // Snapped shut, the box comes back at the height stored last.
    Drag(bar, {QPoint(0, -20), QPoint(0, -5000)});
    EXPECT_EQ(Field('h'), most - 20);
    EXPECT_EQ(holder->height(), most - 20);

    Drag(bar, {QPoint(0, -100)});
    const int dragged = holder->height();
    EXPECT_EQ(dragged, most - 120);
    EXPECT_EQ(StoredField('h'), dragged);
    Index.ActiveZmd->DatasetsPresent = 1;
    Refresh();
    EXPECT_EQ(panels->SymbolBoxHolder->height(), dragged);
    // Without a lower panel the box takes the whole panel and the bar goes.
    Index.ActiveZmd->DatasetsPresent = 0;
    Refresh();
    EXPECT_FALSE(panels->SymBoxSplitterBar->isVisible());
    EXPECT_GT(panels->SymbolBoxHolder->height(), dragged);
}

TEST_F(SymbolBoxTest, SplitterPositionsGoToTheCurrentMapsString)
{
    // Without a map nothing is stored and the height stays.
    Close();
    SaveSymSplitterPos(300);
    EXPECT_FALSE(SaveSymBoxSettings());
    EXPECT_EQ(ApplySymBoxSplitterPos(0), 0);

    OpenCount(3);
    const size_t slot = size_t(MapSettingsSlot(SymBoxSettingsType));
    zmd->MapSettings[slot].clear();
    // A collapsed box without a stored height opens at 30; the string is stored.
    EXPECT_EQ(ApplySymBoxSplitterPos(0), 30);
    SaveSymSplitterPos(300);
    SaveSymBoxSplitterPos(120);
    EXPECT_EQ(ApplySymBoxSplitterPos(0), 120);
    EXPECT_EQ(ApplySymBoxSplitterPos(77), 77);
    Reopen();
    EXPECT_EQ(GetParamInt(zmd->MapSettings[slot], QLatin1Char('v'), -1), 300);
    EXPECT_EQ(GetParamInt(zmd->MapSettings[slot], QLatin1Char('h'), -1), 120);
}
