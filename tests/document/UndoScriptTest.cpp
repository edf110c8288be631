// Undo and redo scripts over every kind of step: after each undo and redo a fresh load of
// the working file must hold, object by object, the index fields, records and strings it held
// before (or after) the action.
#include "UndoFixture.h"

#include "core/LangTexts.h"

#include <algorithm>
#include <cstring>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t mm = 25600;

// Reads object n, keeps the undo copy and changes it as `edit` says.
void EditObject(int n, const std::function<void(ElementRecord&)>& edit)
{
    ASSERT_TRUE(ReadElement(n, Index.CurElement));
    BeginElementEdit(n);
    edit(Index.CurElement);
    ASSERT_TRUE(SaveElement(n));
}

} // namespace

TEST_F(UndoTest, AppendIsTakenBackAndRestoredWithItsNumber)
{
    OpenNormalized(TestMapWriter::Sample(8));
    int n = 0;
    CheckUndoRedo([&] {
        RecordUndo(UndoStart, 0);
        MakeLine(20, 6, 3 * mm);
        ASSERT_TRUE(AppendElement());
        n = Index.CurIndexNo;
    });
    EXPECT_EQ(n, Z().HighestObject);
    EXPECT_EQ(ring.Steps[size_t(ring.Current)].Kind, UndoAppend);
    EXPECT_EQ(ring.Steps[size_t(ring.Current)].Object, n);
    // The same number holds the object after redo.
    ASSERT_TRUE(GetIndex(n));
    EXPECT_EQ(Index.CurIndex.Symbol, 20);
}

TEST_F(UndoTest, AppendIntoAReusedCourseMapSlot)
{
    OpenNormalized(CourseSample());
    CheckUndoRedo([&] {
        RecordUndo(UndoStart, 0);
        MakePoint(10, 3 * mm, 4 * mm);
        ASSERT_TRUE(AppendElement());
        // The deleted point of the sample has the same length: its slot is taken again.
        EXPECT_EQ(Index.CurIndexNo, 7);
    });
}

TEST_F(UndoTest, ChangeOfEachObjectTypeExchangesItsCopy)
{
    OpenNormalized(TestMapWriter::Sample(8));
    // Point turned, line grown (its record moves), area shrunk, text changed, rectangle moved.
    CheckUndoRedo([&] { EditObject(1, [](ElementRecord& e) { e.Angle = 900; }); });
    CheckUndoRedo([&] {
        EditObject(2, [](ElementRecord& e) {
            const int old = e.nItem;
            e.nItem = 9;
            for (int i = old; i < 9; ++i)
                e.Slots[size_t(i)] = {i * mm, i * 2 * mm};
        });
    });
    CheckUndoRedo([&] { EditObject(3, [](ElementRecord& e) { e.nItem = 4; }); });
    CheckUndoRedo([&] {
        EditObject(4, [](ElementRecord& e) {
            const char text[] = "Hilltop summit";
            std::memcpy(e.TextBytes(), text, sizeof text);
            e.nText = uint16_t(sizeof text / 8 + 1);
        });
    });
    CheckUndoRedo([&] {
        EditObject(6, [](ElementRecord& e) {
            for (int i = 0; i < e.nItem; ++i)
                e.Slots[size_t(i)].x += 5 * mm;
        });
    });
}

TEST_F(UndoTest, RedoRightAfterUndoWritesTheChangedStateExactly)
{
    OpenNormalized(TestMapWriter::Sample(8));
    EditObject(2, [](ElementRecord& e) { e.Slots[1] = {7 * mm, 8 * mm}; });
    ASSERT_TRUE(ReadElement(2, Index.AuxElement1));
    const auto changed = ElementRecordBytes(Index.AuxElement1, Index.AuxElement1.nItem);
    UndoEdit();
    ASSERT_TRUE(ReadElement(2, Index.AuxElement1));
    EXPECT_NE(ElementRecordBytes(Index.AuxElement1, Index.AuxElement1.nItem), changed);
    RedoEdit();
    ASSERT_TRUE(ReadElement(2, Index.AuxElement1));
    EXPECT_EQ(ElementRecordBytes(Index.AuxElement1, Index.AuxElement1.nItem), changed);
}

TEST_F(UndoTest, DeleteOfACourseObjectBringsItsStringBack)
{
    OpenNormalized(CourseSample());
    ASSERT_EQ(Z().CsObjects.Count(), 1);
    CheckUndoRedo([&] {
        RecordUndo(UndoStart, 1);
        DeleteElement(1);
    });
    // After the last redo the object is gone with its string; one more undo brings both.
    EXPECT_EQ(Z().CsObjects.Count(), 0);
    UndoEdit();
    EXPECT_EQ(Z().CsObjects.Count(), 1);
    EXPECT_TRUE(GetIndex(1));
}

TEST_F(UndoTest, AnActionOfSeveralStepsIsTakenBackWhole)
{
    OpenNormalized(CourseSample());
    const MapSnapshot start = Snap();
    CheckUndoRedo([&] {
        EditObject(2, [](ElementRecord& e) { e.Slots[0] = {-mm, -mm}; });
        DeleteElement(1);
        MakePoint(10, 0, 0);
        ASSERT_TRUE(AppendElement());
        DeleteElement(3);
    });
    // A second action on top: undo walks back one action at a time.
    const MapSnapshot afterFirst = Snap();
    RecordUndo(UndoStart, 4);
    DeleteElement(4);
    UndoEdit();
    EXPECT_EQ(Snap(), afterFirst);
    UndoEdit();
    EXPECT_EQ(Snap(), start);
    EXPECT_FALSE(CanUndo());
    RedoEdit();
    EXPECT_EQ(Snap(), afterFirst);
    RedoEdit();
    EXPECT_FALSE(GetIndex(4));
}

TEST_F(UndoTest, PastedObjectsAreDeletedAndComeBackSelected)
{
    OpenNormalized(TestMapWriter::Sample(8));
    const int first = Z().HighestObject + 1;
    CheckUndoRedo([&] {
        RecordUndo(UndoStart, 0);
        {
            UndoSuspend quiet;
            ClearSelection();
            for (int i = 0; i < 3; ++i) {
                MakePoint(10, i * mm, i * mm);
                ASSERT_TRUE(AppendElement());
                ToggleSelection(Index.CurIndexNo);
            }
        }
        RecordUndo(UndoAddMany, -1);
    });
    EXPECT_EQ(Index.SelectionCount, 3);
    for (int n = first; n < first + 3; ++n)
        EXPECT_TRUE(IsSelected(n));
    UndoEdit();
    EXPECT_EQ(Index.SelectionCount, 0);
}

TEST_F(UndoTest, MovedSelectionMovesBackByTheDistance)
{
    OpenNormalized(TestMapWriter::Sample(8));
    const int32_t dx = 3 * mm, dy = -2 * mm;
    CheckUndoRedo([&] {
        Select({1, 2, 6});
        RecordUndo(UndoStart, -1);
        {
            UndoSuspend quiet;
            for (int n : {1, 2, 6}) {
                ASSERT_TRUE(ReadElement(n, Index.CurElement));
                for (int i = 0; i < Index.CurElement.nItem; ++i) {
                    Index.CurElement.Slots[size_t(i)].x += dx;
                    Index.CurElement.Slots[size_t(i)].y += dy;
                }
                ASSERT_TRUE(SaveElement(n));
            }
        }
        Select({1, 2, 6});
        // Bits below a coordinate unit in the distance are no part of the move.
        RecordUndo(UndoMoveMany, -1, dx | 0x55, dy | 0x2A);
    });
    EXPECT_EQ(Index.SelectionCount, 3);
    // Flag bits of the line's Bezier points survive the moves.
    ASSERT_TRUE(ReadElement(2, Index.CurElement));
    EXPECT_EQ(Index.CurElement.Slots[1].x & FlagMask, FirstBezierFlag);
}

TEST_F(UndoTest, SelectionExchangeRestoresChangedAndMergedAwayObjects)
{
    OpenNormalized(CourseSample());
    CheckUndoRedo([&] {
        Select({1, 2, 3});
        BeginElementEdit(-1);  // start and the copies of the selection
        {
            UndoSuspend quiet;
            ASSERT_TRUE(ReadElement(2, Index.CurElement));
            Index.CurElement.nItem = 6;
            Index.CurElement.Slots[4] = {40 * mm, 0};
            Index.CurElement.Slots[5] = {40 * mm, 9 * mm};
            ASSERT_TRUE(SaveElement(2));
            DeleteElement(1);
            DeleteElement(3);
        }
    });
    // Redo and undo select the objects written back.
    UndoEdit();
    EXPECT_EQ(Index.SelectionCount, 3);
    EXPECT_EQ(Z().CsObjects.Count(), 1);
    RedoEdit();
    EXPECT_EQ(Index.SelectionCount, 1);
    EXPECT_TRUE(IsSelected(2));
}

TEST_F(UndoTest, MultiDeleteIsRestoredAndSelectedWhole)
{
    OpenNormalized(CourseSample());
    CheckUndoRedo([&] {
        Select({1, 3, 5});
        RecordUndo(UndoStart, -1);
        RecordUndo(UndoDeleteMany, -1);
        UndoSuspend quiet;
        for (int n : {1, 3, 5})
            DeleteElement(n);
        ClearSelection();
    });
    UndoEdit();
    EXPECT_EQ(Index.SelectionCount, 3);
    EXPECT_TRUE(IsSelected(1) && IsSelected(3) && IsSelected(5));
}

TEST_F(UndoTest, UndoRedrawsTheObjectsItChanges)
{
    OpenNormalized(TestMapWriter::Sample(8));
    const CordRect before = Z().Entry(1).Rect;
    EditObject(1, [](ElementRecord& e) { e.Slots[0] = {90 * mm, 90 * mm}; });
    const CordRect after = Z().Entry(1).Rect;
    redrawn.clear();
    UndoEdit();
    ASSERT_FALSE(redrawn.empty());
    CordRect all = redrawn[0];
    for (const CordRect& r : redrawn)
        all = {std::min(all.x1, r.x1), std::min(all.y1, r.y1), std::max(all.x2, r.x2), std::max(all.y2, r.y2)};
    for (const CordRect& r : {before, after}) {
        EXPECT_LE(all.x1, r.x1);
        EXPECT_LE(all.y1, r.y1);
        EXPECT_GE(all.x2, r.x2);
        EXPECT_GE(all.y2, r.y2);
    }
}

TEST_F(UndoTest, NothingIsRecordedWhileUndoIsDisabled)
{
    OpenNormalized(TestMapWriter::Sample(8));
    {
        UndoSuspend quiet;
        RecordUndo(UndoStart, 1);
        DeleteElement(1);
    }
    EXPECT_TRUE(UndoEnabled);
    EXPECT_EQ(ring.Current, 0);
    EXPECT_FALSE(CanUndo());
    // Undo itself records nothing while it works.
    RecordUndo(UndoStart, 2);
    DeleteElement(2);
    const int last = ring.Last;
    UndoEdit();
    EXPECT_EQ(ring.Last, last);
    EXPECT_TRUE(UndoEnabled);
}

TEST_F(UndoTest, NoStepsWithoutAnOpenMapOrRing)
{
    OpenNormalized(TestMapWriter::Sample(8));
    SetActiveUndoRing(nullptr);
    RecordUndo(UndoStart, 1);
    DeleteElement(1);
    EXPECT_FALSE(CanUndo());
    SetActiveUndoRing(&ring);
    EXPECT_EQ(ring.Current, 0);
    RecordUndo(UndoStart, 2);
    DeleteElement(2);
    Index.MapOpen = false;
    EXPECT_FALSE(CanUndo());
    UndoEdit();  // does nothing
    Index.MapOpen = true;
    EXPECT_FALSE(GetIndex(2));
    EXPECT_TRUE(CanUndo());
}
