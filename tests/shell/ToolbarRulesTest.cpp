// The docking toolbars' rules without a window: rows of a dock, where a drop lands, how a
// floating window stays reachable, how a toolbar lays out its controls, the sizes a floating
// toolbar steps through, the saved layout's values, the floating frame and the button face.
#include "shell/toolbars/ButtonLayout.h"
#include "shell/toolbars/DockRows.h"
#include "shell/toolbars/DragRules.h"
#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/ToolbarLayout.h"
#include "shell/toolbars/ToolbarStore.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace zemo;

namespace {

TEST(DockRows, ARowsEdgesOpenANewRowOrBelongToTheNextOne)
{
    const std::vector<int> two{22, 22}; // rows 0..25 and 26..51 with their frames
    const struct {
        int position;
        RowHit hit;
    } rows[] = {
        {-3, {0, true}}, {0, {0, true}},  {5, {0, true}},  {6, {0, false}},  {20, {0, false}},
        {21, {1, true}}, {31, {1, true}}, {32, {1, false}}, {46, {1, false}}, {47, {2, true}},
        {57, {2, true}}, {58, {2, false}}, {5000, {2, false}},
    };
    for (const auto& r : rows) {
        const RowHit got = RowOfPoint(two, r.position);
        EXPECT_EQ(got.Row, r.hit.Row) << r.position;
        EXPECT_EQ(got.NewRow, r.hit.NewRow) << r.position;
    }
    EXPECT_EQ(RowOfPoint({}, 5), (RowHit{0, true})) << "an empty dock";
    EXPECT_EQ(RowOfPoint({}, 6), (RowHit{0, false}));
}

TEST(DockRows, ArrangingNumbersTheRowsKeepsEachRowInOrderAndPlacesTheWindows)
{
    struct Bar {
        int row, pos, length, rowSize;
        bool fullSize;
        int wantRow, wantPos;
    };
    constexpr int Wide = 10000;
    const struct {
        const char* name;
        int length; // the dock's client length
        bool oneRow;
        std::vector<Bar> bars;
        std::vector<int> rowSizes;
    } cases[] = {
        {"rows 0 and 2 become 0 and 1", Wide, false,
         {{0, 0, 100, 22, false, 0, 0}, {2, 0, 50, 22, false, 1, 0}},
         {22, 22}},
        {"same row and position: side by side in list order", Wide, false,
         {{0, 0, 100, 22, false, 0, 0}, {0, 0, 60, 30, false, 0, 100}},
         {30}},
        {"positions order a row; gaps stay; -8 is the row's start", Wide, false,
         {{0, 300, 100, 22, false, 0, 300}, {0, 24, 40, 22, false, 0, 24}, {1, -8, 70, 5, false, 1, 0}},
         {22, 8}},
        {"one that would overlap the one before starts where it ends", Wide, false,
         {{0, 0, 520, 22, false, 0, 0}, {0, 500, 80, 22, false, 0, 520}, {1, 24, 400, 22, false, 1, 24}},
         {22, 22}},
        {"numbers far apart, negative ones first", Wide, false,
         {{2147483647, 5, 10, 22, false, 2, 5}, {-7, 0, 10, 22, false, 0, 0}, {40, 0, 10, 22, false, 1, 0}},
         {22, 22, 22}},
        {"a full-size window beside another in row 0 moves it and every later row down", Wide, false,
         {{0, 0, 100, 22, false, 1, 0}, {0, 200, 50, 30, true, 0, 0}, {1, 40, 80, 22, false, 2, 40}},
         {30, 22, 22}},
        {"a full-size window alone in its row stays", Wide, false,
         {{0, 0, 100, 22, false, 0, 0}, {1, 30, 50, 22, true, 1, 0}},
         {22, 22}},
        {"two full-size windows in one row take a row each", Wide, false,
         {{0, 0, 100, 22, true, 0, 0}, {0, 10, 50, 22, true, 1, 0}, {0, 20, 50, 22, false, 2, 20}},
         {22, 22, 22}},
        {"one row: every window in row 0, in row order", Wide, true,
         {{0, 0, 100, 22, false, 0, 0}, {1, 0, 100, 22, false, 0, 100}, {3, 50, 50, 26, false, 0, 200}},
         {26}},
        {"one row: a full-size window shares it", Wide, true,
         {{0, 0, 100, 22, false, 0, 0}, {1, 0, 100, 22, true, 0, 100}},
         {22}},
        {"a row past the dock's end: its last window is pulled back to the end", 250, false,
         {{0, 0, 100, 22, false, 0, 0}, {0, 200, 100, 22, false, 0, 150}},
         {22}},
        {"pulled back as far as the windows before allow; the rest overflows", 250, false,
         {{0, 0, 100, 22, false, 0, 0}, {0, 120, 100, 22, false, 0, 100}, {0, 180, 100, 22, false, 0, 200}},
         {22}},
        {"only the row that overhangs is pulled back", 250, false,
         {{0, 100, 100, 22, false, 0, 100}, {1, 200, 100, 22, false, 1, 150}},
         {22, 22}},
    };
    for (const auto& c : cases) {
        std::vector<DockedBar> model;
        for (const Bar& b : c.bars)
            model.push_back({b.row, b.pos, b.length, b.rowSize, b.fullSize, QRect()});
        std::vector<DockedBar*> list;
        for (DockedBar& b : model)
            list.push_back(&b);
        const DockRowsLayout got = ArrangeRows(list, {c.length, c.oneRow, false});
        EXPECT_EQ(got.RowSizes, c.rowSizes) << c.name;
        // Rows follow one another, each with the 2-pixel frame on both sides.
        int offset = 0;
        std::vector<int> rowOffsets;
        for (int size : c.rowSizes) {
            rowOffsets.push_back(offset);
            offset += size + 2 * DockedFrame;
        }
        EXPECT_EQ(got.Thickness, offset) << c.name;
        for (size_t i = 0; i < model.size(); ++i) {
            const Bar& b = c.bars[i];
            EXPECT_EQ(model[i].DockRow, b.wantRow) << c.name << " bar " << i;
            EXPECT_EQ(model[i].DockPos, b.wantPos) << c.name << " bar " << i;
            const QRect place(b.wantPos, rowOffsets[size_t(b.wantRow)], b.fullSize && !c.oneRow ? c.length : b.length,
                              c.rowSizes[size_t(b.wantRow)] + 2 * DockedFrame);
            EXPECT_EQ(model[i].Place, place) << c.name << " bar " << i;
        }
    }
}

TEST(DockRows, AnEmptyDockIsNoThicknessOrOnePixelWithFixAlign)
{
    std::vector<DockedBar*> none;
    EXPECT_EQ(ArrangeRows(none, {500, false, false}).Thickness, 0);
    EXPECT_EQ(ArrangeRows(none, {500, false, true}).Thickness, 1);
    EXPECT_TRUE(ArrangeRows(none, {500, true, true}).RowSizes.empty());
    // FixAlign gives nothing to a dock with windows.
    DockedBar one{0, 0, 100, 22, false, QRect()};
    std::vector<DockedBar*> list{&one};
    EXPECT_EQ(ArrangeRows(list, {500, false, true}).Thickness, 26);
}

TEST(DragRules, ADockTakesAWindowWithinTheReachOfItsGrab)
{
    // A top dock with one row of 26 pixels under a menu bar, the window 300 by 26.
    const QRect top(0, 100, 800, 26);
    const QSize start(300, 26);
    const struct {
        const char* name;
        QRect dock;
        DockPosition pos;
        QPoint grab;
        QPoint cursor;
        bool accepts;
    } rows[] = {
        {"grabbed at its bottom edge, 20 below", top, DockPosition::Top, {10, 25}, {100, 145}, true},
        {"grabbed at its bottom edge, 21 below", top, DockPosition::Top, {10, 25}, {100, 146}, false},
        {"grabbed at its top edge, 20 above", top, DockPosition::Top, {10, 0}, {100, 80}, true},
        {"grabbed at its top edge, 21 above", top, DockPosition::Top, {10, 0}, {100, 79}, false},
        {"grabbed at its top edge, 1 below", top, DockPosition::Top, {10, 0}, {100, 126}, false},
        {"grabbed at its left, 32 left", top, DockPosition::Top, {0, 10}, {-32, 110}, true},
        {"grabbed at its left, 33 left", top, DockPosition::Top, {0, 10}, {-33, 110}, false},
        {"grabbed at its right, 32 right", top, DockPosition::Top, {299, 10}, {831, 110}, true},
        {"an empty dock is one pixel to hit", QRect(0, 100, 800, 0), DockPosition::Top, {10, 25}, {100, 120}, true},
        {"an empty dock, 21 below its line", QRect(0, 100, 800, 0), DockPosition::Top, {10, 25}, {100, 121}, false},
        {"a side dock wants the cursor beside it", QRect(0, 126, 30, 400), DockPosition::Left, {10, 0}, {20, 120}, false},
        {"a side dock beside it", QRect(0, 126, 30, 400), DockPosition::Left, {10, 0}, {20, 130}, true},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DockAccepts(r.dock, r.pos, {r.grab, start}, r.cursor, start), r.accepts) << r.name;

    // The outline keeps the grab's share of the window.
    EXPECT_EQ(PlaceOutline({{150, 13}, {301, 27}}, {500, 300}, QSize(101, 27)), QRect(450, 287, 101, 27));
    EXPECT_EQ(PlaceOutline({{0, 0}, {1, 1}}, {5, 6}, QSize(10, 10)), QRect(5, 6, 10, 10));
}

TEST(DragRules, ADockOnTheWorkAreasEdgeReachesIntoTheWindowInstead)
{
    // A maximised window's empty docks on a 1024 by 768 screen, the window 300 by 26 before
    // the drag and 30 by 300 in a side dock.
    const QRect area(0, 0, 1024, 768);
    const QSize start(300, 26);
    const QRect left(0, 100, 0, 600);
    const QRect right(1024, 100, 0, 600);
    const QRect top(0, 0, 1024, 0);
    const struct {
        const char* name;
        QRect dock;
        DockPosition pos;
        QPoint grab;
        QPoint cursor;
        QSize outline;
        bool accepts;
    } rows[] = {
        {"left, grabbed at its grip, 32 in", left, DockPosition::Left, {4, 10}, {32, 300}, {30, 300}, true},
        {"left, 33 in", left, DockPosition::Left, {4, 10}, {33, 300}, {30, 300}, false},
        {"left, on the edge", left, DockPosition::Left, {4, 10}, {0, 300}, {30, 300}, true},
        {"left, away from the edge: outside, the outline reaching it", QRect(200, 100, 0, 600), DockPosition::Left, {4, 10}, {171, 300}, {30, 300}, true},
        {"left, hanging 40 off the screen: no reach inside", QRect(-40, 100, 0, 600), DockPosition::Left, {4, 10}, {0, 300}, {30, 300}, false},
        {"left, 2 inside the edge: the reach up to 32 in", QRect(2, 100, 0, 600), DockPosition::Left, {4, 10}, {32, 300}, {30, 300}, true},
        {"left, 25 inside the edge, less than its own reach: up to 32 in", QRect(25, 100, 0, 600), DockPosition::Left, {4, 10}, {32, 300}, {30, 300}, true},
        {"left, away from the edge: 32 inside", QRect(200, 100, 0, 600), DockPosition::Left, {4, 10}, {232, 300}, {30, 300}, false},
        {"right, grabbed at its far end, 32 in", right, DockPosition::Right, {299, 10}, {991, 300}, {30, 300}, true},
        {"right, 33 in", right, DockPosition::Right, {299, 10}, {990, 300}, {30, 300}, false},
        {"top, grabbed at its top edge, 20 in", top, DockPosition::Top, {10, 0}, {100, 20}, start, true},
        {"top, 21 in", top, DockPosition::Top, {10, 0}, {100, 21}, start, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DockAccepts(r.dock, r.pos, {r.grab, start}, r.cursor, r.outline, area), r.accepts) << r.name;
}

TEST(DragRules, AFloatingOutlineKeepsItsReachOnTheWorkArea)
{
    const QRect area(0, 0, 1280, 800);
    const int f = FloatFrame;
    const int c = FloatCaption;
    const QSize s(200, 60);
    const struct {
        const char* name;
        QPoint at;
        QPoint want;
    } rows[] = {
        {"inside stays", {100, 100}, {100, 100}},
        {"off the bottom: the frame and 5 more rows stay", {100, 2000}, {100, 799 - f - 4}},
        {"off the right", {5000, 100}, {1279 - f - 4, 100}},
        {"off the left", {-5000, 100}, {f + 4 - 199, 100}},
        {"above the top: 4 pixels of caption stay", {100, -5000}, {100, -(f + c) + 4}},
        {"just at the caption's limit", {100, -(f + c) + 4}, {100, -(f + c) + 4}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(KeepFloatingOutline(QRect(r.at, s), area, f, c).topLeft(), r.want) << r.name;
    const QRect kept = KeepFloatingOutline(QRect(QPoint(100, -5000), s), area, f, c);
    EXPECT_EQ(kept.top() + f + c - area.top(), 4) << "caption rows on the screen";
    EXPECT_EQ(ClampToArea({-5, 900}, area), QPoint(0, 799));
}

TEST(DragRules, MoveOnScreenBringsAWindowOffEveryScreenOnto)
{
    const std::vector<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
    const struct {
        const char* name;
        QRect window;
        bool onlyWhenOff;
        QPoint want;
    } rows[] = {
        {"overlapping stays", QRect(1250, 780, 100, 50), true, {1250, 780}},
        {"overlapping is pulled in", QRect(1250, 780, 100, 50), false, {1180, 750}},
        {"off every screen: the nearest takes it", QRect(-5000, -5000, 100, 50), true, {0, 0}},
        {"off to the right of the second", QRect(9000, 300, 100, 50), true, {2204, 300}},
        {"bigger than the screen: its top-left stays on", QRect(-100, 900, 2000, 1000), true, {0, 0}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(MoveOnScreen(r.window, screens, r.onlyWhenOff).topLeft(), r.want) << r.name;
}

// A, B | C, D | E: five buttons of 23 by 22 in three groups.
std::vector<ToolbarControl> FiveInThreeGroups(bool blankSecond = false)
{
    ToolbarControl b;
    ToolbarControl sep;
    sep.separator = true;
    ToolbarControl blank = sep;
    blank.blank = blankSecond;
    return {b, b, sep, b, b, blank, b};
}

TEST(ToolbarLayout, OrderControlsInEachDockType)
{
    const auto controls = FiveInThreeGroups();
    const struct {
        const char* name;
        DockType type;
        int floatRightX;
        int cross;
        QSize size;
        std::vector<QRect> places;
    } rows[] = {
        {"docked never wraps", DockType::Horizontal, 50, 0, {127, 22},
         {{0, 0, 23, 22}, {23, 0, 23, 22}, {46, 0, 6, 22}, {52, 0, 23, 22}, {75, 0, 23, 22}, {98, 0, 6, 22}, {104, 0, 23, 22}}},
        {"in a thicker row, centred across", DockType::Horizontal, 0, 30, {127, 22},
         {{0, 4, 23, 22}, {23, 4, 23, 22}, {46, 0, 6, 30}, {52, 4, 23, 22}, {75, 4, 23, 22}, {98, 0, 6, 30}, {104, 4, 23, 22}}},
        {"a side dock: top to bottom, separators SizeVert", DockType::Vertical, 0, 0, {23, 122},
         {{0, 0, 23, 22}, {0, 22, 23, 22}, {0, 44, 23, 6}, {0, 50, 23, 22}, {0, 72, 23, 22}, {0, 94, 23, 6}, {0, 100, 23, 22}}},
        {"floating, FloatRightX 0: one line", DockType::Floating, 0, 0, {135, 25},
         {{4, 2, 23, 22}, {27, 2, 23, 22}, {50, 2, 6, 22}, {56, 2, 23, 22}, {79, 2, 23, 22}, {102, 2, 6, 22}, {108, 2, 23, 22}}},
        {"a wrap zeroes its separator", DockType::Floating, 106, 0, {106, 53},
         {{4, 2, 23, 22}, {27, 2, 23, 22}, {50, 2, 6, 22}, {56, 2, 23, 22}, {79, 2, 23, 22}, {102, 2, 0, 22}, {4, 30, 23, 22}}},
        {"below the widest plus 8 the widest plus 8 counts", DockType::Floating, 1, 0, {31, 125},
         {{4, 2, 23, 22}, {4, 24, 23, 22}, {27, 24, 0, 22}, {4, 52, 23, 22}, {4, 74, 23, 22}, {27, 74, 0, 22}, {4, 102, 23, 22}}},
    };
    for (const auto& r : rows) {
        const ToolbarArrangement a = OrderControls(controls, r.type, r.floatRightX, r.cross);
        EXPECT_EQ(a.size, r.size) << r.name;
        EXPECT_EQ(a.places, r.places) << r.name;
    }
    // The lines between the lines, blank when their separator is.
    EXPECT_EQ(OrderControls(controls, DockType::Floating, 106).lineSeps, (std::vector<LineSep>{{30, false}}));
    EXPECT_EQ(OrderControls(FiveInThreeGroups(true), DockType::Floating, 106).lineSeps,
              (std::vector<LineSep>{{30, true}}));
    EXPECT_EQ(OrderControls(controls, DockType::Floating, 1).lineSeps,
              (std::vector<LineSep>{{52, false}, {102, false}}));
    EXPECT_TRUE(OrderControls(controls, DockType::Horizontal, 50).lineSeps.empty());
}

TEST(ToolbarLayout, EmptyAndHiddenControlsAndRowSizes)
{
    EXPECT_EQ(OrderControls({}, DockType::Horizontal, 0).size, QSize(8, 8)) << "no controls: 8";
    EXPECT_EQ(OrderControls({}, DockType::Floating, 0).size, QSize(16, 11));
    ToolbarControl hidden;
    hidden.shown = false;
    ToolbarControl tall;
    tall.size = QSize(15, 30);
    EXPECT_EQ(OrderControls(std::vector<ToolbarControl>{hidden}, DockType::Vertical, 0).size, QSize(8, 8));
    EXPECT_EQ(MinimumRowSize(std::vector<ToolbarControl>{hidden, tall}, DockType::Horizontal), 30);
    EXPECT_EQ(MinimumRowSize(std::vector<ToolbarControl>{hidden, tall}, DockType::Vertical), 15);
    ToolbarControl narrow;
    narrow.size = QSize(3, 4);
    EXPECT_EQ(MinimumRowSize(std::vector<ToolbarControl>{narrow}, DockType::Horizontal), 8) << "at least 8";
}

TEST(ToolbarLayout, AFloatingToolbarStepsThroughItsSizesWithTheSnapTolerance)
{
    const QSize extra = FloatFrameExtra();
    const std::vector<FloatSize> sizes = PossibleFloatSizes(FiveInThreeGroups(), extra);
    const std::vector<FloatSize> expected{{QSize(135, 25) + extra, 0},
                                          {QSize(83, 53) + extra, 83},
                                          {QSize(54, 81) + extra, 54},
                                          {QSize(31, 125) + extra, 31}};
    ASSERT_EQ(sizes, expected);

    // The right edge of the one-line toolbar dragged slowly to the left, then back.
    FloatSizeStepper right(sizes, sizes[0].outer, true);
    EXPECT_EQ(right.Tolerance(), 12);
    const int w = sizes[0].outer.width();
    const struct {
        int distance;
        int width;
    } steps[] = {
        {w, w},       {w - 12, w},  {w - 13, 91}, {w - 12, 91}, {91, 91}, {90, 62}, {62, 62},
        {61, 39},     {10, 39},     {w - 1, 91},  {w, w},       {w + 12, w}, {w + 13, w},
    };
    for (const auto& s : steps)
        EXPECT_EQ(right.Step(s.distance).outer.width(), s.width) << "distance " << s.distance;

    // A middle size snaps within one pixel less than its neighbours' distance.
    FloatSizeStepper middle(sizes, sizes[2].outer, true);
    EXPECT_EQ(middle.Tolerance(), 12);
    FloatSizeStepper bottom(sizes, sizes[1].outer, false);
    EXPECT_EQ(bottom.Tolerance(), 12);
    std::vector<FloatSize> close{{QSize(100, 30), 0}, {QSize(95, 40), 90}, {QSize(80, 50), 75}};
    EXPECT_EQ(FloatSizeStepper(close, QSize(95, 40), true).Tolerance(), 4);
    EXPECT_EQ(FloatSizeStepper(close, QSize(95, 40), false).Tolerance(), 9);
    EXPECT_EQ(FloatSizeStepper(close, QSize(70, 70), true).Tolerance(), 12) << "not listed";
}

TEST(ToolbarStore, SectionsAreReadByTheirRules)
{
    using Values = std::map<std::string, std::string>;
    const struct {
        const char* name;
        Values values;
        LoadedPlace how;
        bool visible;
        QString dock;
        int row, pos, left, top, wrap;
    } rows[] = {
        {"no section", {}, LoadedPlace::Ignored, true, "Dock971", 1, 24, 0, 0, 0},
        {"revision 1", {{"Rev", "1"}, {"Visible", "0"}, {"DockedTo", "+"}}, LoadedPlace::Ignored, true, "Dock971", 1, 24, 0, 0, 0},
        {"only visible", {{"Rev", "2"}, {"Visible", "0"}, {"DockedTo", ""}, {"DockRow", "5"}}, LoadedPlace::VisibleOnly, false, "Dock971", 1, 24, 0, 0, 0},
        {"unknown dock", {{"Rev", "2"}, {"Visible", "1"}, {"DockedTo", "Dock9"}}, LoadedPlace::VisibleOnly, true, "Dock971", 1, 24, 0, 0, 0},
        {"floating", {{"Rev", "2"}, {"Visible", "1"}, {"DockedTo", "+"}, {"DockRow", "3"}, {"DockPos", "7"}, {"FloatLeft", "300"}, {"FloatTop", "200"}, {"FloatRightX", "90"}},
         LoadedPlace::Floating, true, "Dock971", 3, 7, 300, 200, 90},
        {"docked left", {{"Rev", " 2 "}, {"Visible", "7"}, {"DockedTo", "Dock973"}, {"DockRow", "1"}, {"DockPos", "-8"}},
         LoadedPlace::Docked, true, "Dock973", 1, -8, 0, 0, 0},
        {"unreadable numbers keep what the window has", {{"Rev", "2"}, {"Visible", "yes"}, {"DockedTo", "Dock972"}, {"DockRow", "1x"}, {"DockPos", "nan"}, {"FloatLeft", "99999999999"}},
         LoadedPlace::Docked, true, "Dock972", 1, 24, 0, 0, 0},
        {"far places are brought near", {{"Rev", "2"}, {"DockedTo", "+"}, {"FloatLeft", "-2000000000"}, {"FloatTop", "2000000000"}},
         LoadedPlace::Floating, true, "Dock971", 1, 24, -FarthestFloatPosition, FarthestFloatPosition, 0},
        {"revision with garbage", {{"Rev", "2a"}, {"DockedTo", "+"}}, LoadedPlace::Ignored, true, "Dock971", 1, 24, 0, 0, 0},
    };
    for (const auto& r : rows) {
        ToolWindowPlace p;
        p.dock = QStringLiteral("Dock971");
        p.dockRow = 1;
        p.dockPos = 24;
        p.hasFloatRightX = true;
        const auto read = [&](const char* value, QString& text) {
            const auto it = r.values.find(value);
            if (it == r.values.end())
                return false;
            text = QString::fromStdString(it->second);
            return true;
        };
        const LoadedPlace how = ReadToolWindowPlace(
            read, [](const QString& d) { return d == QLatin1String("Dock972") || d == QLatin1String("Dock973"); }, p);
        EXPECT_EQ(how, r.how) << r.name;
        EXPECT_EQ(p.visible, r.visible) << r.name;
        EXPECT_EQ(p.dock, r.dock) << r.name;
        EXPECT_EQ(p.dockRow, r.row) << r.name;
        EXPECT_EQ(p.dockPos, r.pos) << r.name;
        EXPECT_EQ(p.floatLeft, r.left) << r.name;
        EXPECT_EQ(p.floatTop, r.top) << r.name;
        EXPECT_EQ(p.floatRightX, r.wrap) << r.name;
    }
}

TEST(ToolbarStore, ASectionIsWrittenInItsOrderAndReadBack)
{
    ToolWindowPlace p;
    p.visible = false;
    p.floating = true;
    p.dockRow = 2;
    p.dockPos = 40;
    p.floatLeft = -30;
    p.floatTop = 200;
    p.floatRightX = 83;
    p.hasFloatRightX = true;
    std::vector<std::pair<std::string, QString>> written;
    WriteToolWindowPlace([&](const char* v, const QString& t) { written.emplace_back(v, t); }, p);
    const std::vector<std::pair<std::string, QString>> expected{
        {"Rev", "2"}, {"Visible", "0"}, {"DockedTo", "+"}, {"DockRow", "2"}, {"DockPos", "40"},
        {"FloatLeft", "-30"}, {"FloatTop", "200"}, {"FloatRightX", "83"}};
    EXPECT_EQ(written, expected);
    p.hasFloatRightX = false;
    written.clear();
    WriteToolWindowPlace([&](const char* v, const QString& t) { written.emplace_back(v, t); }, p);
    EXPECT_EQ(written.size(), 7u) << "a tool window that is no toolbar has no wrap width";
}

TEST(FloatingFrame, APointMeansAnEdgeTheCloseButtonOrTheClient)
{
    const QSize outer(143, 48);
    const QRect close = FloatCloseRect(outer);
    EXPECT_EQ(close.right(), outer.width() - FloatFrame - 3) << "2 pixels inside the caption's end";
    const struct {
        QPoint at;
        bool resizable, closeButton;
        FloatHit hit;
    } rows[] = {
        {{0, 20}, true, true, FloatHit::Left},       {{3, 20}, true, true, FloatHit::Left},
        {{4, 20}, true, true, FloatHit::Client},     {{142, 20}, true, true, FloatHit::Right},
        {{139, 20}, true, true, FloatHit::Right},    {{138, 20}, true, true, FloatHit::Client},
        {{50, 0}, true, true, FloatHit::Top},        {{50, 47}, true, true, FloatHit::Bottom},
        {{50, 8}, true, true, FloatHit::Client},     {close.center(), true, true, FloatHit::Close},
        {close.center(), true, false, FloatHit::Client}, {{0, 20}, false, true, FloatHit::Client},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FloatHitTest(outer, r.at, r.resizable, r.closeButton), r.hit)
            << r.at.x() << "," << r.at.y();
    EXPECT_EQ(FloatClientRect(outer), QRect(FloatFrame, FloatFrame + FloatCaption, 135, 25));
}

TEST(FloatingFrame, ALongCaptionIsCutWithDots)
{
    const auto width = [](const QString& t) { return int(t.size()) * 5; }; // 5 pixels a character
    const struct {
        const char* text;
        int room;
        const char* shown;
    } rows[] = {
        {"Standard", 40, "Standard"}, {"Standard", 39, "Stan..."}, {"Standard", 35, "Stan..."},
        {"Standard", 34, "Sta..."},   {"Standard", 5, "S..."},     {"ab", 5, "a..."},
        {"a", 4, "a..."},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CutCaption(QString::fromLatin1(r.text), r.room, width), QString::fromLatin1(r.shown))
            << r.text << " in " << r.room;
}

TEST(ButtonLayout, GlyphCaptionAndArrowFindTheirPlaces)
{
    const struct {
        const char* name;
        ButtonContent c;
        QRect glyph, caption, arrow;
    } rows[] = {
        {"a glyph alone is centred", {{21, 20}, {16, 16}, {}, false}, {2, 2, 16, 16}, {}, {}},
        {"glyph left of the caption, centred", {{60, 20}, {16, 16}, {20, 10}, false}, {10, 2, 16, 16}, {30, 5, 20, 10}, {}},
        {"glyph right with a margin", {{60, 20}, {16, 16}, {20, 10}, false, GlyphLayout::Right, 3}, {41, 2, 16, 16}, {17, 5, 20, 10}, {}},
        {"glyph on top, caption below", {{40, 40}, {16, 16}, {20, 10}, false, GlyphLayout::Top}, {12, 5, 16, 16}, {10, 25, 20, 10}, {}},
        {"glyph at the bottom", {{40, 40}, {16, 16}, {20, 10}, false, GlyphLayout::Bottom}, {12, 19, 16, 16}, {10, 5, 20, 10}, {}},
        {"margin and spacing spread", {{60, 20}, {16, 16}, {20, 10}, false, GlyphLayout::Left, -1, -1}, {8, 2, 16, 16}, {32, 5, 20, 10}, {}},
        {"a drop-down arrow after the caption", {{60, 20}, {16, 16}, {20, 10}, true}, {5, 2, 16, 16}, {25, 5, 20, 10}, {45, 8, 9, 3}},
        {"no glyph: top counts as left", {{40, 20}, {}, {20, 10}, false, GlyphLayout::Top}, {}, {10, 5, 20, 10}, {}},
    };
    for (const auto& r : rows) {
        const ButtonContentPlaces p = PlaceButtonContent(r.c);
        EXPECT_EQ(p.glyph, r.glyph) << r.name;
        EXPECT_EQ(p.caption, r.caption) << r.name;
        EXPECT_EQ(p.arrow, r.arrow) << r.name;
    }
    ButtonContent wrap{{60, 20}, {16, 16}, {}, true};
    EXPECT_EQ(CaptionWrapWidth(wrap), 60 - 9 - 20 - 8);
}

} // namespace
