// The current symbol and the selection in the running program: every way of choosing a symbol
// reaches every view of it, and every way of dropping the selection leaves nothing selected
// and no mark on the screen.
#include "ShellFixture.h"
#include "../support/ImageDiff.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "shell/CommandState.h"
#include "core/widgets/QtStatusBar.h"
#include "shell/widgets/Panels.h"
#include "symbols/SymbolBoxModel.h"

#include <QEvent>
#include <QLabel>
#include <QMdiSubWindow>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

class CurrentState : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ProgramConfig.AutoSelectSym = true;
    }
    // Point 101, lines 201 and 202, area 301, text 401, rectangle 501, then 300 points 601..900
    // so that the box has to scroll; a line, an area with a hole and a point on the view.
    QString WriteMap(const QString& name, int currentIndex)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), TestSymbol::Line(202),
                     TestSymbol::Area(301),  TestSymbol::Text(401), TestSymbol::Rect(501)};
        for (int k = 1; k <= 300; ++k)
            w.symbols.push_back(TestSymbol::Point(int16_t(600 + k)));
        w.objects.push_back(TestObject::Line(202, {{-30 * Mm, -20 * Mm}, {30 * Mm, -20 * Mm}}));
        w.objects.push_back(TestObject::Area(301, {{0, 0}, {20 * Mm, 0}, {20 * Mm, 20 * Mm}, {0, 0},
                                                   {5 * Mm, 5 * Mm | 2}, {15 * Mm, 5 * Mm},
                                                   {10 * Mm, 15 * Mm}, {5 * Mm, 5 * Mm}}));
        w.objects.push_back(TestObject::Point(101, -20 * Mm, 10 * Mm));
        w.objects.push_back(TestObject::Point(900, -20 * Mm, -5 * Mm));
        w.setup[setup::CurrentSymbolIndex] = uint8_t(currentIndex);
        w.setup[setup::CurrentSymbolIndex + 1] = uint8_t(currentIndex >> 8);
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
        return path;
    }
    static int PositionOf(int number)
    {
        const TZmd& z = *Index.ActiveZmd;
        for (int k = 0; k < z.SymbolCount(); ++k)
            if (SymI16(z.Symbols[size_t(k)], SymNumber) == number)
                return k;
        return -1;
    }
    // The owner and every view of it agree on the symbol numbered `number` (0: none).
    void ExpectCurrent(int number, const char* way)
    {
        SCOPED_TRACE(way);
        Settle();
        TZmd& z = *Index.ActiveZmd;
        const int pos = number ? PositionOf(number) : -1;
        ASSERT_TRUE(number == 0 || pos >= 0);
        EXPECT_EQ(CurrentSymbolPos(), pos);
        EXPECT_EQ(z.Setup.CurrentSymbolIndex, pos);
        SymbolBytes* rec = pos >= 0 ? &z.Symbols[size_t(pos)] : nullptr;
        EXPECT_EQ(CurrentSymbol(), rec) << "the window draws with it";

        const QString status = PanelsOf(Frame())->Status->Panel(StatusPanel::Right)->text();
        if (rec)
            EXPECT_TRUE(status.startsWith(QStringLiteral("%1.%2 ").arg(number / 10).arg(number % 10)))
                << status.toStdString();
        else
            EXPECT_TRUE(status.isEmpty()) << status.toStdString();

        TSymbolBox* box = SymbolBoxOf(Frame());
        ASSERT_NE(box, nullptr);
        for (int k = 0; k < z.SymbolCount(); ++k)
            EXPECT_EQ(CellMarksOf(k).currentMark, k == pos) << "box cell " << k;
        if (pos >= 0)
            EXPECT_TRUE(box->viewport()->rect().contains(box->CellRect(pos))) << "scrolled to it";

        const ShellState s = CurrentDocumentState();
        EXPECT_EQ(s.currentSymbolIndex, pos);
        EXPECT_EQ(s.hasCurrentSymbol, rec != nullptr);
        EXPECT_EQ(s.currentSymbolType, rec ? SymI16(*rec, SymObjectType) : 0);
        // The map menu's drawing item follows it.
        Frame().UpdateCommandStates();
    }
    // The edit tool's selection step at a map point, or around the whole map.
    static void PickAtPoint(Cord p)
    {
        Work.CursorMapPos = p;
        SelectByRect({p.x, p.y, p.x, p.y});
    }
    static void PickAll()
    {
        SelectByRect({-100 * Mm, -100 * Mm, 100 * Mm, 100 * Mm});
    }
    void CurveTool()
    {
        Trigger(Cmd::CurveBtn);
        ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
    }
    // Nothing selected in the store, no mark flagged, and no mark left on the window: a full
    // repaint of it shows the same pixels.
    void ExpectNoSelection(bool checkScreen, const char* way)
    {
        SCOPED_TRACE(way);
        Settle();
        EXPECT_EQ(Index.SelectedIndex, 0);
        EXPECT_EQ(Index.SelectionCount, 0);
        EXPECT_EQ(Index.SelectedHoleStart, 0);
        EXPECT_FALSE(EditSys.MarksShown);
        EXPECT_FALSE(EditSys.MultiMarksShown);
        EXPECT_FALSE(EditSys.StretchShown);
        if (Index.ActiveZmd)
            for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n)
                EXPECT_FALSE(IsSelected(n)) << "object " << n;
        if (!checkScreen || !ActiveChild())
            return;
        const QImage shown = ActiveChild()->Surface().copy();
        Trigger(Cmd::ViewRedraw);
        Settle();
        const QRect diff = DifferingPixels(ActiveChild()->Surface(), shown);
        EXPECT_TRUE(diff.isEmpty()) << diff.x() << "," << diff.y() << " " << diff.width() << "x" << diff.height();
    }
};

} // namespace

TEST_F(CurrentState, EveryWayOfChoosingTheSymbolReachesEveryViewOfIt)
{
    const struct Row {
        const char* way;
        int openAt;                   // the setup's index in the file
        std::function<void()> act;
        int expected;                 // the number that is current afterwards, 0 none
    } rows[] = {
        {"open", 250, [] {}, 845},
        {"box", 0, [this] { ChooseSymbol(2); }, 202},
        {"menu: select all", 1, [this] { Choose(Cmd::SymbolSelAll); }, 0},
        {"pick", 0, [] { PickAtPoint({19 * Mm, 1 * Mm}); }, 301},
        {"pick, scrolled to", 0, [] { PickAtPoint({-20 * Mm, -5 * Mm}); }, 900},
        {"delete", 2,
         [this] {
             messages.QueueAnswer(IdOk);
             Choose(Cmd::SymbolDelete);
         },
         301},
        {"move", 1,
         [this] {
             TSymbolBox* box = SymbolBoxOf(Frame());
             DragPoint(box->viewport(), box->CellRect(1).center(), box->CellRect(4).center());
         },
         201},
    };
    int k = 0;
    for (const Row& r : rows) {
        if (ActiveChild())
            Trigger(Cmd::FileClose);
        ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("current%1.zmd").arg(k++), r.openAt))) << r.way;
        r.act();
        ExpectCurrent(r.expected, r.way);
    }
    // The moved symbol went behind the third one.
    EXPECT_EQ(PositionOf(201), 3);
}

TEST_F(CurrentState, EveryWayOfDroppingTheSelectionLeavesNoObjectHoleOrMark)
{
    const Cord inHole{10 * Mm, 8 * Mm};
    const struct Row {
        const char* way;
        bool many;      // a multi-selection with frames, else one object with its vertex marks
        std::function<void()> drop;
        bool screen;    // the window that showed the marks is still there to look at
    } rows[] = {
        {"escape", false, [this] { Key(Surface(), Qt::Key_Escape); }, true},
        {"escape, many", true, [this] { Key(Surface(), Qt::Key_Escape); }, true},
        {"undo", false, [this] { Key(Surface(), Qt::Key_Z, Qt::ControlModifier); },
         true},
        {"protected symbol", false, [this] { Choose(Cmd::SymbolProtect); }, true},
        {"a new line", true,
         [this] {
             Mouse(Surface(), QEvent::MouseButtonPress, {40, 40}, Qt::LeftButton, Qt::LeftButton);
         },
         false},
        {"another map opened", false,
         [this] { ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("b.zmd"), 0))); },
         false},
        {"window closed", true, [this] { Trigger(Cmd::FileClose); }, false},
    };
    int k = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.way);
        for (int i = Windows(); i > 0; --i)
            Trigger(Cmd::FileClose);
        ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("sel%1.zmd").arg(k++), 1)));
        CurveTool();
        // A line drawn first gives undo a step; the curve tool stays idle after it.
        for (QPoint p : {QPoint{60, 60}, QPoint{120, 70}})
            DragPoint(Surface(), p, p + QPoint(20, 5));
        Click(Surface(), {140, 75});
        ASSERT_EQ(DrCurve.CurveState, CurveIdle);
        Trigger(Cmd::ViewRedraw);
        Settle();
        const QImage unmarked = ActiveChild()->Surface().copy();
        ProgramConfig.WorkMode = WorkModes::EditObject;
        ProgramConfig.ObjectStretch = true;
        if (r.many) {
            PickAll();
            ASSERT_GE(Index.SelectionCount, 2);
            EXPECT_TRUE(EditSys.MultiMarksShown);
        } else {
            PickAtPoint(inHole);
            ASSERT_EQ(Index.SelectedIndex, 2);
            ASSERT_EQ(Index.SelectedHoleStart, 4);
            EXPECT_TRUE(EditSys.MarksShown);
        }
        EXPECT_TRUE(EditSys.StretchShown);
        ASSERT_FALSE(ActiveChild()->Surface() == unmarked) << "the marks are on the window";
        r.drop();
        ExpectNoSelection(r.screen, r.way);
    }
}

TEST_F(CurrentState, SwitchingWindowsDropsTheSelectionOfTheWindowLeft)
{
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("one.zmd"), 0)));
    ASSERT_TRUE(OpenMap(WriteMap(QStringLiteral("two.zmd"), 0)));
    ASSERT_EQ(Windows(), 2);
    QMdiSubWindow* second = Frame().MdiArea()->subWindowList().value(1);
    Activate(second);
    Trigger(Cmd::ViewRedraw);
    Settle();
    const QImage unmarked = ActiveChild()->Surface().copy();
    ProgramConfig.WorkMode = WorkModes::EditObject;
    ProgramConfig.ObjectStretch = true;
    PickAll();
    ASSERT_GE(Index.SelectionCount, 2);
    TZmd* left = Index.ActiveZmd;
    TMdiChild* leftChild = ActiveChild();

    QMdiSubWindow* first = Frame().MdiArea()->subWindowList().value(0);
    ASSERT_NE(first, second);
    Activate(first);
    ASSERT_NE(Frame().MdiArea()->activeSubWindow(), second);
    ASSERT_NE(Index.ActiveZmd, left);
    ExpectNoSelection(true, "the window come to the front");
    for (const auto& block : left->ObjectBlocks)
        EXPECT_FALSE(block->Selected.any()) << "the map left keeps no selection bits";
    // Back in the window left behind: no frame comes back with it.
    Activate(second);
    ASSERT_EQ(ActiveChild(), leftChild);
    EXPECT_TRUE(leftChild->Surface() == unmarked);
    ExpectNoSelection(true, "the window left, active again");
}
