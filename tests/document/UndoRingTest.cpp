// The ring of 32 steps: its limit, the action boundaries, and the symbol-graphics steps.
#include "UndoFixture.h"

#include "core/ByteIO.h"

#include <unistd.h>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t mm = 25600;

void MovePoint(int n, int32_t x)
{
    ASSERT_TRUE(ReadElement(n, Index.CurElement));
    BeginElementEdit(n);
    Index.CurElement.Slots[0].x = x;
    ASSERT_TRUE(SaveElement(n));
}

// One line element of the symbol-graphics buffer in CurElement.
void MakeGraphicsLine(int32_t x, int width)
{
    ElementRecord& e = Index.CurElement;
    e = ElementRecord{};
    e.Symbol = int16_t(32752 + 1);
    e.ObjectType = LineObject;
    e.Angle = 2;  // colour
    e.Word10 = int16_t(width);
    e.nItem = 2;
    e.Slots[0] = {x, 0};
    e.Slots[1] = {x + mm, mm};
}

std::vector<uint8_t> UsedBytes(const SymbolGraphicsBuffer& g)
{
    return {g.Slots.begin(), g.Slots.begin() + g.UsedSlots * 8};
}

} // namespace

TEST_F(UndoTest, TheThirtySecondStepPushesTheOldestActionOut)
{
    OpenNormalized(TestMapWriter::Sample(8));
    std::vector<MapSnapshot> states{Snap()};
    // 16 actions of two steps each (start, change).
    for (int k = 0; k < 16; ++k) {
        MovePoint(1, (k + 1) * mm);
        states.push_back(Snap());
        if (k == 14) {
            // 31 steps: the ring is full, nothing lost yet.
            EXPECT_EQ(ring.First, 0);
            EXPECT_EQ(ring.Current, 30);
        }
    }
    EXPECT_EQ(ring.Current, 0);  // wrapped
    EXPECT_EQ(ring.Last, 0);
    EXPECT_EQ(ring.First, 1);    // moved on over the first action's start
    for (int k = 15; k >= 1; --k) {
        ASSERT_TRUE(CanUndo()) << k;
        UndoEdit();
        ASSERT_EQ(Snap(), states[size_t(k)]) << "undo to " << k;
    }
    // The first action lost its start step: it can no longer be taken back.
    EXPECT_FALSE(CanUndo());
    EXPECT_EQ(Snap(), states[1]);
    for (int k = 2; k <= 16; ++k) {
        ASSERT_TRUE(CanRedo());
        RedoEdit();
        ASSERT_EQ(Snap(), states[size_t(k)]) << "redo to " << k;
    }
    EXPECT_FALSE(CanRedo());
}

TEST_F(UndoTest, AnActionOf31StepsFitsButOneOf32DoesNot)
{
    OpenNormalized(TestMapWriter::Sample(8));
    const int highest = Z().HighestObject;
    const MapSnapshot start = Snap();
    RecordUndo(UndoStart, 0);
    for (int i = 0; i < 30; ++i) {
        MakePoint(10, i * mm, 0);
        ASSERT_TRUE(AppendElement());
    }
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(Z().HighestObject, highest + 30);  // empty slots now
    for (int n = highest + 1; n <= highest + 30; ++n)
        EXPECT_FALSE(GetIndex(n)) << n;
    EXPECT_EQ(Snap(), start);

    ClearUndo();
    EXPECT_EQ(ring.First + ring.Last + ring.Current, 0);
    RecordUndo(UndoStart, 0);
    for (int i = 0; i < 31; ++i) {
        MakePoint(10, i * mm, mm);
        ASSERT_TRUE(AppendElement());
    }
    EXPECT_FALSE(CanUndo());
    UndoEdit();  // refused by CanUndo: nothing changes
    EXPECT_TRUE(GetIndex(Z().HighestObject));
}

TEST_F(UndoTest, ANewActionAfterUndoDropsTheRedoSteps)
{
    OpenNormalized(TestMapWriter::Sample(8));
    MovePoint(1, 5 * mm);
    UndoEdit();
    ASSERT_TRUE(CanRedo());
    MovePoint(1, 9 * mm);
    EXPECT_FALSE(CanRedo());
    UndoEdit();
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    EXPECT_EQ(Masked(Index.CurElement.Slots[0].x), 10 * mm);  // the sample's own position
    EXPECT_FALSE(CanUndo());
}

TEST_F(UndoTest, AStartWithoutChangesLeavesNothingToUndo)
{
    OpenNormalized(TestMapWriter::Sample(8));
    BeginElementEdit(2);  // a tool started and stored nothing
    EXPECT_FALSE(CanUndo());
    MovePoint(1, 5 * mm);
    const MapSnapshot moved = Snap();
    BeginElementEdit(2);
    BeginElementEdit(2);
    ASSERT_TRUE(CanUndo());
    UndoEdit();           // the first Undo takes back the move
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    EXPECT_EQ(Masked(Index.CurElement.Slots[0].x), 10 * mm);
    EXPECT_FALSE(CanUndo());
    ASSERT_TRUE(CanRedo());
    RedoEdit();
    EXPECT_EQ(Snap(), moved);
    EXPECT_FALSE(CanRedo());
}

TEST_F(UndoTest, SymbolGraphicsActionsKeepOneSnapshotEach)
{
    OpenNormalized(TestMapWriter::Sample(8));
    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    int repaints = 0;
    DocumentPorts().RepaintWindow.Bind([&] { ++repaints; });
    {
        UndoSuspend quiet;
        MakeGraphicsLine(0, 20);
        ASSERT_TRUE(AppendElement());
        MakeGraphicsLine(mm, 30);
        ASSERT_TRUE(AppendElement());
    }
    const auto before = UsedBytes(g);
    RecordUndo(UndoStart, 0);
    MakeGraphicsLine(2 * mm, 40);
    ASSERT_TRUE(AppendElement());
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    Index.CurElement.Word10 = 99;
    ASSERT_TRUE(SaveElement(1));
    DeleteElement(2);
    const auto after = UsedBytes(g);
    // One start and one snapshot for the whole action.
    EXPECT_EQ(ring.Current, 2);
    EXPECT_EQ(ring.Steps[1].Kind, UndoStart);
    EXPECT_EQ(ring.Steps[2].Kind, UndoGraphics);

    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(UsedBytes(g), before);
    EXPECT_EQ(CountSymbolGraphicsElements(), 2);
    EXPECT_EQ(repaints, 1);
    EXPECT_FALSE(CanUndo());
    ASSERT_TRUE(CanRedo());
    RedoEdit();
    EXPECT_EQ(UsedBytes(g), after);
    EXPECT_EQ(CountSymbolGraphicsElements(), 2);
    EXPECT_EQ(repaints, 2);
}

TEST_F(UndoTest, EndingSymbolGraphicsDropsItsSteps)
{
    OpenNormalized(TestMapWriter::Sample(8));
    RecordUndo(UndoStart, 1);
    DeleteElement(1);
    const int mapStep = ring.Current;

    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    // In symbol-graphics mode the map's steps cannot be taken back.
    EXPECT_FALSE(CanUndo());
    for (int i = 0; i < 2; ++i) {
        RecordUndo(UndoStart, 0);
        MakeGraphicsLine(i * mm, 10);
        ASSERT_TRUE(AppendElement());
    }
    EXPECT_EQ(ring.Current, mapStep + 4);
    g.Active = false;
    SkipEmptyUndoSteps();
    EXPECT_EQ(ring.Last, mapStep);
    EXPECT_EQ(ring.Current, mapStep);
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_TRUE(GetIndex(1));
}

TEST_F(UndoTest, SymbolGraphicsStepKeepsTheSelectedElements)
{
    OpenNormalized(TestMapWriter::Sample(8));
    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    {
        UndoSuspend quiet;
        for (int i = 0; i < 3; ++i) {
            MakeGraphicsLine(i * mm, 10);
            ASSERT_TRUE(AppendElement());
        }
    }
    Index.GraphicsSelection[0] = 1;
    Index.GraphicsSelection[2] = 1;
    Index.SelectionCount = 2;
    Index.SelectedIndex = 0;
    RecordUndo(UndoStart, 0);
    DeleteElement(3);
    const UndoStep& s = ring.Steps[size_t(ring.Current)];
    EXPECT_EQ(s.Kind, UndoGraphics);
    EXPECT_EQ(s.Object, -1);
    ASSERT_GE(s.FilePos, 0);
    uint8_t list[12];
    ASSERT_EQ(::pread(UndoUnit.FileHandle, list, sizeof list, off_t(s.FilePos)), 12);
    EXPECT_EQ(LoadLE<int32_t>(list), 1);
    EXPECT_EQ(LoadLE<int32_t>(list + 4), 3);
    EXPECT_EQ(LoadLE<int32_t>(list + 8), 0);

    // One selected element is kept by its number.
    ClearSelection();
    Index.SelectedIndex = 2;
    Index.SelectionCount = 1;
    Index.GraphicsSelection[1] = 1;
    RecordUndo(UndoStart, 0);
    DeleteElement(1);
    EXPECT_EQ(ring.Steps[size_t(ring.Current)].Object, 2);
}

TEST_F(UndoTest, ExtendUndoRectWidensTheCurrentStep)
{
    OpenNormalized(TestMapWriter::Sample(8));
    RecordUndo(UndoStart, 1);
    DeleteElement(1);
    const CordRect r0 = ring.Steps[size_t(ring.Current)].Rect;
    ExtendUndoRect({-100 * mm, -100 * mm, -99 * mm, -99 * mm});
    const CordRect r1 = ring.Steps[size_t(ring.Current)].Rect;
    EXPECT_EQ(r1.x1, -100 * mm);
    EXPECT_EQ(r1.y1, -100 * mm);
    EXPECT_EQ(r1.x2, r0.x2);
    EXPECT_EQ(r1.y2, r0.y2);
}
