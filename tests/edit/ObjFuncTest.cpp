// The object functions: each command, on one object and on several, is one undo action; the
// exact results worked out by hand; a deleted hole taken back exactly.
#include "ObjectFixture.h"

#include "edit/Reverse.h"
#include "symbols/store/IconCodec.h"

namespace zemo::test {
namespace {

using ObjectFunctions = ObjectTest;

// Symbol list positions in ObjectMap().
constexpr int PointPos = 0, LinePos = 1, AreaPos = 2;

TEST_F(ObjectFunctions, EachCommandOnOneOrManyObjectsIsOneUndoAction)
{
    TestMapWriter w = ObjectMap();
    // Two lines whose ends almost meet, for Join.
    w.objects.push_back(TestObject::Line(20, {{30 * Mm, 0}, {40 * Mm, 0}}));
    w.objects.push_back(TestObject::Line(20, {{40 * Mm + 2 * 256, 5 * 256}, {50 * Mm, 10 * Mm}}));
    ShowMap(w);
    const int joinable = 7;
    ProgramConfig.JoinTolerance = 25;
    struct Row {
        const char* name;
        std::vector<int> selected;
        int symbolPos;
        std::function<void()> command;
    };
    const std::vector<Row> rows{
        {"delete one", {GapLineObj}, -1, DeleteObjects},
        {"delete several", {GapLineObj, HoledAreaObj, PointTextObj}, -1, DeleteObjects},
        {"cut one", {TextBoxObj}, -1, CutObjects},
        {"cut several", {CutCircleObj, LineTextObj}, -1, CutObjects},
        {"duplicate one", {HoledAreaObj}, -1, DuplicateObjects},
        {"duplicate several", {CutCircleObj, GapLineObj, PointTextObj}, -1, DuplicateObjects},
        {"reverse one", {GapLineObj}, -1, ReverseObjects},
        {"reverse several", {GapLineObj, LineTextObj, HoledAreaObj}, -1, ReverseObjects},
        {"join one", {joinable}, -1, JoinObject},
        {"fill one area with a line", {HoledAreaObj}, LinePos, FillObjects},
        {"fill several with an area", {GapLineObj, HoledAreaObj, PointTextObj}, AreaPos, FillObjects},
        {"change one line to an area", {GapLineObj}, AreaPos, ChangeObjectSymbol},
        {"change one point to a line: deleted", {CutCircleObj}, LinePos, ChangeObjectSymbol},
        {"change several to a line", {CutCircleObj, GapLineObj, HoledAreaObj}, LinePos, ChangeObjectSymbol},
        {"one to graphics", {GapLineObj}, -1, ObjectsToGraphics},
        {"several to graphics", {CutCircleObj, HoledAreaObj, TextBoxObj}, -1, ObjectsToGraphics},
    };
    for (bool redrawBackground : {true, false}) {
        SCOPED_TRACE(redrawBackground ? "areas redrawn" : "pictures erased and painted on top");
        ProgramConfig.RedrawBackground = redrawBackground;
        for (const Row& r : rows) {
            SCOPED_TRACE(r.name);
            ClearSelection();
            for (int n : r.selected) {
                ASSERT_TRUE(GetIndex(n));
                ToggleSelection(n);
            }
            S().CurrentSymbolIndex = int16_t(r.symbolPos);
            CheckUndo(r.command);
            // The next row starts from the map as it was.
            UndoWindowEdit();
        }
    }
    EXPECT_EQ(messages.Count(), 0);
}

// A hole is removed with its own undo copy: taking it back restores that area, not the copy
// an earlier edit left behind.
TEST_F(ObjectFunctions, DeleteWithAHoleSelectedRemovesThatRingOnly)
{
    ShowMap(ObjectMap());
    Select({GapLineObj});
    ReverseObjects();  // an earlier edit keeps the line's copy
    const std::vector<Cord> area = CordsOf(HoledAreaObj);
    Select({HoledAreaObj});
    Index.SelectedHoleStart = HoleStart;
    CheckUndo(DeleteObjects);
    EXPECT_EQ(CordsOf(HoledAreaObj), std::vector<Cord>(area.begin(), area.begin() + HoleStart));
    EXPECT_EQ(Live(), 6);
}

TEST_F(ObjectFunctions, ReverseKeepsTheGapsOnTheirStretchesAndTwiceGivesTheSameBytes)
{
    ShowMap(ObjectMap());
    const ElementRecord before = Stored(GapLineObj);
    const std::vector<uint8_t> bytes = ElementRecordBytes(before, before.nItem);
    Select({GapLineObj});
    ReverseObjects();
    // Segment 0-1 had no left side, 1-2 no right side: now 2-3 has no right side, 1-2 no left.
    const std::vector<Cord> reversed = CordsOf(GapLineObj);
    ASSERT_EQ(reversed.size(), 4u);
    EXPECT_EQ(Masked(reversed[0].x), Masked(before.Cords()[3].x));
    EXPECT_EQ(reversed[0].x & NoLeftLineFlag, 0);
    EXPECT_EQ(reversed[1].x & NoLeftLineFlag, NoLeftLineFlag);
    EXPECT_EQ(reversed[1].y & NoRightLineFlag, 0);
    EXPECT_EQ(reversed[2].y & NoRightLineFlag, NoRightLineFlag);
    EXPECT_EQ(Flags(reversed[3].x) | Flags(reversed[3].y), 0);
    ReverseObjects();
    const ElementRecord& again = Stored(GapLineObj);
    EXPECT_EQ(ElementRecordBytes(again, again.nItem), bytes);
}

TEST_F(ObjectFunctions, ALineSymbolFilledOnAnAreaWithTwoHolesGivesThreeClosedLines)
{
    TestMapWriter w = ObjectMap();
    w.objects = {TestObject::Area(30, {{0, 0}, {20 * Mm, 0 | CornerFlag}, {20 * Mm, 20 * Mm}, {0, 20 * Mm},
                                       {2 * Mm, 2 * Mm | HoleFlag}, {5 * Mm, 2 * Mm}, {5 * Mm, 5 * Mm},
                                       {10 * Mm, 10 * Mm | HoleFlag | CornerFlag | DashFlag}, {15 * Mm, 10 * Mm},
                                       {15 * Mm, 15 * Mm}, {10 * Mm, 10 * Mm}})};
    ShowMap(w);
    const std::vector<Cord> area = CordsOf(1);
    Select({1});
    S().CurrentSymbolIndex = LinePos;
    FillObjects();
    ASSERT_EQ(zmd->HighestObject, 4);
    const std::vector<std::vector<Cord>> rings{
        {{0, 0}, {20 * Mm, 0 | CornerFlag}, {20 * Mm, 20 * Mm}, {0, 20 * Mm}, {0, 0}},
        {{2 * Mm, 2 * Mm}, {5 * Mm, 2 * Mm}, {5 * Mm, 5 * Mm}, {2 * Mm, 2 * Mm}},
        // Only the corner flag of y stays; the ring was closed already.
        {{10 * Mm, 10 * Mm | CornerFlag}, {15 * Mm, 10 * Mm}, {15 * Mm, 15 * Mm}, {10 * Mm, 10 * Mm}},
    };
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Stored(2 + k).ObjectType, LineObject);
        EXPECT_EQ(Stored(2 + k).Symbol, 20);
        EXPECT_EQ(CordsOf(2 + k), rings[size_t(k)]);
    }
    EXPECT_EQ(CordsOf(1), area);  // the source stays
    EXPECT_EQ(Index.SelectionCount, 3);
    // The hole alone: one area of its own, without its hole flag.
    Select({1});
    Index.SelectedHoleStart = 4;
    S().CurrentSymbolIndex = AreaPos;
    FillObjects();
    ASSERT_EQ(zmd->HighestObject, 5);
    EXPECT_EQ(Stored(5).ObjectType, AreaObject);
    EXPECT_EQ(CordsOf(5), (std::vector<Cord>{{2 * Mm, 2 * Mm}, {5 * Mm, 2 * Mm}, {5 * Mm, 5 * Mm}}));
    EXPECT_EQ(Index.SelectedIndex, 5);
    EXPECT_EQ(Index.SelectedHoleStart, 0);
}

TEST_F(ObjectFunctions, ChangeSymbolFollowsTheTypeRules)
{
    ShowMap(ObjectMap());
    struct Row {
        const char* name;
        int object, symbolPos;
        bool kept;
        int type;
        int nItem;
    };
    const std::vector<Row> rows{
        {"a line becomes an area", GapLineObj, AreaPos, true, AreaObject, 4},
        {"an area becomes a line of its outer ring", HoledAreaObj, LinePos, true, LineObject, HoleStart},
        {"a text box takes a text symbol", TextBoxObj, 3, true, RectangleObject, 4},
        {"a point given a line symbol is deleted", CutCircleObj, LinePos, false, 0, 0},
        {"a point text given an area symbol is deleted", PointTextObj, AreaPos, false, 0, 0},
        {"a line text given a plain line keeps no text", LineTextObj, LinePos, true, LineObject, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Select({r.object});
        S().CurrentSymbolIndex = int16_t(r.symbolPos);
        ChangeObjectSymbol();
        ASSERT_EQ(EntryLive(zmd->Entry(r.object)), r.kept);
        if (!r.kept) {
            EXPECT_EQ(Index.SelectedIndex, 0);
            continue;
        }
        const ElementRecord& e = Stored(r.object);
        EXPECT_EQ(e.Symbol, SymI16(zmd->Symbols[size_t(r.symbolPos)], SymNumber));
        EXPECT_EQ(e.ObjectType, r.type);
        EXPECT_EQ(e.nItem, r.nItem);
    }
    EXPECT_EQ(Stored(LineTextObj).nText, 0);
    EXPECT_GT(Stored(TextBoxObj).nText, 0);
}

TEST_F(ObjectFunctions, DuplicateOffsetsThirtyPixelsRightAndDownAtEveryZoom)
{
    ShowMap(ObjectMap());
    for (double zoom : {1.0, 4.0}) {
        SCOPED_TRACE(zoom);
        S().Zoom = zoom;
        UpdateViewOf(*view);
        for (bool several : {false, true}) {
            if (several)
                Select({GapLineObj, CutCircleObj});
            else
                Select({GapLineObj});
            const int first = zmd->HighestObject + 1;
            DuplicateObjects();
            EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditObject);
            // In number order: the circle's copy before the line's.
            const std::vector<Cord> copy = CordsOf(several ? first + 1 : first);
            const std::vector<Cord> line = CordsOf(GapLineObj);
            ASSERT_EQ(copy.size(), line.size());
            for (size_t i = 0; i < line.size(); ++i)
                EXPECT_EQ(CordToDevice(copy[i]) - CordToDevice(line[i]), QPoint(30, 30)) << i;
            EXPECT_EQ(Index.SelectionCount, several ? 2 : 1);
            if (several) {  // the circle's gaps stay as they are
                const std::vector<Cord> circle = CordsOf(CutCircleObj), circleCopy = CordsOf(first);
                EXPECT_EQ(CordToDevice(circleCopy[0]) - CordToDevice(circle[0]), QPoint(30, 30));
                EXPECT_EQ(std::vector<Cord>(circleCopy.begin() + 1, circleCopy.end()),
                          std::vector<Cord>(circle.begin() + 1, circle.end()));
            }
        }
    }
}

TEST_F(ObjectFunctions, ADashedLineToGraphicsGivesLinesOfANewSymbolWithTheGreyCorner)
{
    TestMapWriter w = ObjectMap();
    TestSymbol dashed = TestSymbol::Line(70, 0, 40);
    dashed.SetI16(kLineMainLength, 300);
    dashed.SetI16(kLineMainGap, 100);
    w.symbols.push_back(dashed);
    w.objects = {TestObject::Line(70, {{0, 0}, {40 * Mm, 0}})};
    ShowMap(w);
    Select({1});
    const int symbols = zmd->SymbolCount();
    ObjectsToGraphics();
    EXPECT_FALSE(EntryLive(zmd->Entry(1)));
    ASSERT_EQ(zmd->SymbolCount(), symbols + 1);
    const std::vector<int> made = LiveObjects();
    ASSERT_GE(made.size(), 8u);  // a dash every 4 mm
    const int number = Stored(made[0]).Symbol;
    EXPECT_NE(number, 70);
    for (int n : made) {
        EXPECT_EQ(Stored(n).ObjectType, LineObject);
        EXPECT_EQ(Stored(n).Symbol, number);
        EXPECT_TRUE(IsSelected(n));
    }
    SymbolBytes* s = nullptr;
    ASSERT_TRUE(GetSymbol(number, s));
    EXPECT_EQ(SymI16(*s, SymObjectType), LineObject);
    EXPECT_EQ(SymI16(*s, 350), 40);  // the line width
    QImage icon;
    DecodeRecordIcon(*s, icon);
    EXPECT_EQ(icon.pixel(IconSize - 1, 0), qRgb(128, 128, 128));
    EXPECT_EQ(icon.pixel(IconSize - 1, 6), qRgb(128, 128, 128));
}

// In a symbol's graphics without the panel's parameters (the symbol editors make them), Fill
// and Change leave every element as it is.
TEST_F(ObjectFunctions, WithoutThePanelsParametersFillAndChangeLeaveTheElements)
{
    ShowMap(ObjectMap());
    Select({GapLineObj, HoledAreaObj});
    ASSERT_TRUE(CopyObjects());
    EnterSymbolGraphics();
    PasteObjects();
    const std::vector<uint8_t> before = GraphicsBytes();
    for (auto command : {FillObjects, ChangeObjectSymbol}) {
        StartElementScan(0);
        Select({1});
        command();
        EXPECT_EQ(GraphicsBytes(), before);
    }
}

} // namespace
} // namespace zemo::test
