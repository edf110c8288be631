// The undo ring and its file: every kind of step taken back and done again, checked against
// fresh loads of the working file; the ring's limit and action boundaries; the symbol-graphics
// steps; the anonymous undo file.
#include "DocumentFixture.h"

#include "core/ByteIO.h"
#include "core/LangTexts.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zemo;
using namespace zemo::test;

namespace {


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



// Reads object n, keeps the undo copy and changes it as `edit` says.
void EditObject(int n, const std::function<void(ElementRecord&)>& edit)
{
    ASSERT_TRUE(ReadElement(n, Index.CurElement));
    BeginElementEdit(n);
    edit(Index.CurElement);
    ASSERT_TRUE(SaveElement(n));
}


QStringList StateFiles()
{
    return QDir(StateFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

int64_t UndoFileBytes()
{
    struct stat st {};
    EXPECT_EQ(::fstat(UndoUnit.FileHandle, &st), 0);
    return int64_t(st.st_size);
}

} // namespace





// Each kind of step: the action, then undo, redo, undo, redo against fresh loads; then what
// only this kind shows (numbers kept, strings and selections brought back).
TEST_F(DocTest, EachKindOfStepIsTakenBackAndDoneAgain)
{
    struct Row {
        const char* name;
        bool course;
        std::function<void()> action, after;
    };
    int n = 0;
    const int32_t dx = 3 * mm, dy = -2 * mm;
    const std::vector<Row> rows{
        {"append", false,
         [&] {
             RecordUndo(UndoStart, 0);
             MakeLine(20, 6, 3 * mm);
             ASSERT_TRUE(AppendElement());
             n = Index.CurIndexNo;
         },
         [&] {
             EXPECT_EQ(n, Z().HighestObject);
             EXPECT_EQ(ring.Steps[size_t(ring.Current)].Kind, UndoAppend);
             EXPECT_EQ(ring.Steps[size_t(ring.Current)].Object, n);
             ASSERT_TRUE(GetIndex(n));  // the same number holds the object after redo
             EXPECT_EQ(Index.CurIndex.Symbol, 20);
         }},
        {"append into the deleted point's slot of a course map", true,
         [] {
             RecordUndo(UndoStart, 0);
             MakePoint(10, 3 * mm, 4 * mm);
             ASSERT_TRUE(AppendElement());
             EXPECT_EQ(Index.CurIndexNo, 7);
         }, [] {}},
        // Point turned, line grown (its record moves), area shrunk, text changed, rectangle moved.
        {"change a point", false, [] { EditObject(1, [](ElementRecord& e) { e.Angle = 900; }); }, [] {}},
        {"grow a line", false,
         [] {
             EditObject(2, [](ElementRecord& e) {
                 for (int i = e.nItem; i < 9; ++i)
                     e.Slots[size_t(i)] = {i * mm, i * 2 * mm};
                 e.nItem = 9;
             });
         }, [] {}},
        {"shrink an area", false, [] { EditObject(3, [](ElementRecord& e) { e.nItem = 4; }); }, [] {}},
        {"change a text", false,
         [] {
             EditObject(4, [](ElementRecord& e) {
                 const char text[] = "Hilltop summit";
                 std::memcpy(e.TextBytes(), text, sizeof text);
                 e.nText = uint16_t(sizeof text / 8 + 1);
             });
         }, [] {}},
        {"move a rectangle", false,
         [] {
             EditObject(6, [](ElementRecord& e) {
                 for (int i = 0; i < e.nItem; ++i)
                     e.Slots[size_t(i)].x += 5 * mm;
             });
         }, [] {}},
        {"delete a course object", true,
         [] {
             RecordUndo(UndoStart, 1);
             DeleteElement(1);
         },
         [this] {
             EXPECT_EQ(Z().CsObjects.Count(), 0);
             UndoEdit();  // brings the object with its string
             EXPECT_EQ(Z().CsObjects.Count(), 1);
             EXPECT_TRUE(GetIndex(1));
         }},
        {"paste", false,
         [&] {
             n = Z().HighestObject + 1;
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
         },
         [&] {
             EXPECT_EQ(Index.SelectionCount, 3);
             for (int k = n; k < n + 3; ++k)
                 EXPECT_TRUE(IsSelected(k));
             UndoEdit();
             EXPECT_EQ(Index.SelectionCount, 0);
         }},
        {"move the selection", false,
         [&] {
             Select({1, 2, 6});
             RecordUndo(UndoStart, -1);
             {
                 UndoSuspend quiet;
                 for (int k : {1, 2, 6}) {
                     ASSERT_TRUE(ReadElement(k, Index.CurElement));
                     for (int i = 0; i < Index.CurElement.nItem; ++i) {
                         Index.CurElement.Slots[size_t(i)].x += dx;
                         Index.CurElement.Slots[size_t(i)].y += dy;
                     }
                     ASSERT_TRUE(SaveElement(k));
                 }
             }
             Select({1, 2, 6});
             // Bits below a coordinate unit in the distance are no part of the move.
             RecordUndo(UndoMoveMany, -1, dx | 0x55, dy | 0x2A);
         },
         [] {
             EXPECT_EQ(Index.SelectionCount, 3);
             // Flag bits of the line's Bezier points survive the moves.
             ASSERT_TRUE(ReadElement(2, Index.CurElement));
             EXPECT_EQ(Index.CurElement.Slots[1].x & FlagMask, FirstBezierFlag);
         }},
        {"exchange a selection merged into one", true,
         [] {
             Select({1, 2, 3});
             BeginElementEdit(-1);  // start and the copies of the selection
             UndoSuspend quiet;
             ASSERT_TRUE(ReadElement(2, Index.CurElement));
             Index.CurElement.nItem = 6;
             Index.CurElement.Slots[4] = {40 * mm, 0};
             Index.CurElement.Slots[5] = {40 * mm, 9 * mm};
             ASSERT_TRUE(SaveElement(2));
             DeleteElement(1);
             DeleteElement(3);
         },
         [this] {
             // Undo and redo select the objects written back.
             UndoEdit();
             EXPECT_EQ(Index.SelectionCount, 3);
             EXPECT_EQ(Z().CsObjects.Count(), 1);
             RedoEdit();
             EXPECT_EQ(Index.SelectionCount, 1);
             EXPECT_TRUE(IsSelected(2));
         }},
        {"delete many", true,
         [] {
             Select({1, 3, 5});
             RecordUndo(UndoStart, -1);
             RecordUndo(UndoDeleteMany, -1);
             UndoSuspend quiet;
             for (int k : {1, 3, 5})
                 DeleteElement(k);
             ClearSelection();
         },
         [] {
             UndoEdit();
             EXPECT_EQ(Index.SelectionCount, 3);
             EXPECT_TRUE(IsSelected(1) && IsSelected(3) && IsSelected(5));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearUndo();
        OpenWithUndo(row.course ? CourseSample() : TestMapWriter::Sample(8));
        CheckUndoRedo(row.action);
        ASSERT_FALSE(HasFatalFailure());
        row.after();
    }
}

TEST_F(DocTest, AnActionOfSeveralStepsIsTakenBackWhole)
{
    OpenWithUndo(CourseSample());
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





// An import that sets the map's scale and real-world placement records the setup before the
// change: undo and redo exchange those fields in the file, and leave the view where it is now.
TEST_F(DocTest, ASetupStepTakesBackTheScaleAndPlacementButNotTheView)
{
    OpenWithUndo(TestMapWriter::Sample(8));
    SetupRecord& st = Z().Setup;
    st.MapScale = 15000;
    st.RealWorldOffsetX = 0;
    st.RealWorldGridDistance = 1000;
    ASSERT_TRUE(WriteSetup());
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoSetup, 0);
    st.MapScale = 500;
    st.RealWorldOffsetX = 612345.5;
    st.RealWorldOffsetY = 5123456.25;
    st.RealWorldAngle = 2.5;
    st.RealWorldGridDistance = 10;
    st.RealWorldCoords = 1;
    ASSERT_TRUE(WriteSetup());
    {
        UndoSuspend quiet;
        MakePoint(10, 0, 0);
        ASSERT_TRUE(AppendElement());
        ClearSelection();
        ToggleSelection(Index.CurIndexNo);
    }
    const int n = Index.CurIndexNo;
    RecordUndo(UndoAddMany, -1);
    st.ViewCenterX = 7 * mm;  // the view moves after the import
    // The setup record in the working file, at its literal offsets.
    const auto stored = [this](size_t at) {
        const std::vector<uint8_t> b = ReadAll(Z().WorkFile.FileName());
        const size_t pos = size_t(LoadLE<int32_t>(b.data() + 16)) + at;
        double v;
        std::memcpy(&v, b.data() + pos, 8);
        return v;
    };
    const auto expect = [&](double scale, double x, double y, double angle, double grid, int coords) {
        FlushMapFile();
        EXPECT_EQ(stored(24), scale);
        EXPECT_EQ(stored(32), x);
        EXPECT_EQ(stored(40), y);
        EXPECT_EQ(stored(48), angle);
        EXPECT_EQ(stored(56), grid);
        EXPECT_EQ(st.MapScale, scale);
        EXPECT_EQ(st.RealWorldCoords, coords);
        EXPECT_EQ(st.ViewCenterX, 7 * mm) << "the view is no part of it";
    };
    UndoEdit();
    expect(15000, 0, 0, 0, 1000, 0);
    EXPECT_FALSE(GetIndex(n));
    RedoEdit();
    expect(500, 612345.5, 5123456.25, 2.5, 10, 1);
    EXPECT_TRUE(GetIndex(n));
    UndoEdit();
    expect(15000, 0, 0, 0, 1000, 0);
}

TEST_F(DocTest, UndoRedrawsTheObjectsItChangesAndAStepsRectangleCanBeWidened)
{
    OpenWithUndo(TestMapWriter::Sample(8));
    const CordRect before = Z().Entry(1).Rect;
    EditObject(1, [](ElementRecord& e) { e.Slots[0] = {90 * mm, 90 * mm}; });
    const CordRect after = Z().Entry(1).Rect;
    const CordRect r0 = ring.Steps[size_t(ring.Current)].Rect;
    ExtendUndoRect({-100 * mm, -100 * mm, -99 * mm, -99 * mm});
    EXPECT_EQ(ring.Steps[size_t(ring.Current)].Rect, (CordRect{-100 * mm, -100 * mm, r0.x2, r0.y2}));
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

TEST_F(DocTest, NothingIsRecordedWhileUndoIsOffOrHasNoRingOrMap)
{
    OpenWithUndo(TestMapWriter::Sample(8));
    {
        UndoSuspend quiet;
        RecordUndo(UndoStart, 1);
        DeleteElement(1);
    }
    EXPECT_TRUE(UndoEnabled);
    EXPECT_EQ(ring.Current, 0);
    EXPECT_FALSE(CanUndo());
    SetActiveUndoRing(nullptr);
    RecordUndo(UndoStart, 2);
    DeleteElement(2);
    EXPECT_FALSE(CanUndo());
    SetActiveUndoRing(&ring);
    EXPECT_EQ(ring.Current, 0);
    RecordUndo(UndoStart, 3);
    DeleteElement(3);
    Index.MapOpen = false;
    EXPECT_FALSE(CanUndo());
    UndoEdit();  // does nothing
    Index.MapOpen = true;
    EXPECT_FALSE(GetIndex(3));
    // Undo itself records nothing while it works.
    const int last = ring.Last;
    UndoEdit();
    EXPECT_EQ(ring.Last, last);
    EXPECT_TRUE(UndoEnabled);
    EXPECT_TRUE(GetIndex(3));
}

TEST_F(DocTest, TheThirtySecondStepPushesTheOldestActionOut)
{
    OpenWithUndo(TestMapWriter::Sample(8));
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

TEST_F(DocTest, AnActionOf31StepsFitsButOneOf32DoesNot)
{
    OpenWithUndo(TestMapWriter::Sample(8));
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

TEST_F(DocTest, AStartWithoutChangesIsNoStepAndANewActionDropsTheRedoSteps)
{
    OpenWithUndo(TestMapWriter::Sample(8));
    BeginElementEdit(2);  // a tool started and stored nothing
    EXPECT_FALSE(CanUndo());
    MovePoint(1, 5 * mm);
    const MapSnapshot moved = Snap();
    BeginElementEdit(2);
    BeginElementEdit(2);
    ASSERT_TRUE(CanUndo());
    UndoEdit();  // the first Undo takes back the move
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    EXPECT_EQ(Masked(Index.CurElement.Slots[0].x), 10 * mm);
    EXPECT_FALSE(CanUndo());
    ASSERT_TRUE(CanRedo());
    RedoEdit();
    EXPECT_EQ(Snap(), moved);
    EXPECT_FALSE(CanRedo());

    UndoEdit();
    ASSERT_TRUE(CanRedo());
    MovePoint(1, 9 * mm);
    EXPECT_FALSE(CanRedo());
    UndoEdit();
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    EXPECT_EQ(Masked(Index.CurElement.Slots[0].x), 10 * mm);  // the sample's own position
    EXPECT_FALSE(CanUndo());
}

// In symbol-graphics mode an action keeps one snapshot of the buffer with its selection; the
// map's steps wait, and ending the mode drops the buffer's steps.
TEST_F(DocTest, SymbolGraphicsActionsKeepOneSnapshotEachAndEndWithTheMode)
{
    OpenWithUndo(TestMapWriter::Sample(8));
    RecordUndo(UndoStart, 1);
    DeleteElement(1);
    const int mapStep = ring.Current;

    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    EXPECT_FALSE(CanUndo());
    int repaints = 0;
    DocumentPorts().RepaintWindow.Bind([&] { ++repaints; });
    {
        UndoSuspend quiet;
        for (int i = 0; i < 3; ++i) {
            MakeGraphicsLine(i * mm, 10 * (i + 2));
            ASSERT_TRUE(AppendElement());
        }
    }
    const auto before = UsedBytes(g);
    RecordUndo(UndoStart, 0);
    MakeGraphicsLine(3 * mm, 40);
    ASSERT_TRUE(AppendElement());
    ASSERT_TRUE(ReadElement(1, Index.CurElement));
    Index.CurElement.Word10 = 99;
    ASSERT_TRUE(SaveElement(1));
    DeleteElement(2);
    const auto after = UsedBytes(g);
    // One start and one snapshot for the whole action.
    EXPECT_EQ(ring.Current, mapStep + 2);
    EXPECT_EQ(ring.Steps[size_t(mapStep + 1)].Kind, UndoStart);
    EXPECT_EQ(ring.Steps[size_t(mapStep + 2)].Kind, UndoGraphics);
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_EQ(UsedBytes(g), before);
    EXPECT_EQ(CountSymbolGraphicsElements(), 3);
    EXPECT_EQ(repaints, 1);
    EXPECT_FALSE(CanUndo());
    ASSERT_TRUE(CanRedo());
    RedoEdit();
    EXPECT_EQ(UsedBytes(g), after);
    EXPECT_EQ(CountSymbolGraphicsElements(), 3);
    EXPECT_EQ(repaints, 2);

    // The selected elements are kept with the snapshot: a list of numbers ending in 0, or
    // the one selected element's number.
    ClearSelection();
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
    ClearSelection();
    Index.SelectedIndex = 2;
    Index.SelectionCount = 1;
    Index.GraphicsSelection[1] = 1;
    RecordUndo(UndoStart, 0);
    DeleteElement(1);
    EXPECT_EQ(ring.Steps[size_t(ring.Current)].Object, 2);

    g.Active = false;
    SkipEmptyUndoSteps();
    EXPECT_EQ(ring.Last, mapStep);
    EXPECT_EQ(ring.Current, mapStep);
    ASSERT_TRUE(CanUndo());
    UndoEdit();
    EXPECT_TRUE(GetIndex(1));
}

TEST_F(DocTest, TheUndoFileHasNoNameAndStaleOnesGoOnlyWhenThisIsTheOnlyInstance)
{
    const QString folder = StateFolder();
    for (const char* name : {"undo0000.tmp", "undo0042.tmp", "notes.txt", "temp0000.~md"}) {
        QFile f(folder + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    ASSERT_TRUE(CreateUndoFile(false));
    EXPECT_EQ(StateFiles().size(), 4);
    ASSERT_TRUE(CreateUndoFile(true));
    const QStringList left{"notes.txt", "temp0000.~md"};
    EXPECT_EQ(StateFiles(), left);
    OpenWithUndo(TestMapWriter::Sample(8));
    Select({1, 2});
    BeginElementEdit(-1);
    EXPECT_GT(UndoFileBytes(), 0);  // the copies are there, under no name
    EXPECT_EQ(StateFiles(), left);
    CloseUndoFile();
    EXPECT_EQ(StateFiles(), left);
}

TEST_F(DocTest, AListThatCannotBeWrittenClearsTheRing)
{
    OpenWithUndo(TestMapWriter::Sample(8));
    RecordUndo(UndoStart, 1);
    DeleteElement(1);
    ASSERT_TRUE(CanUndo());
    // A handle that refuses writes stands for a full or failing device.
    const int good = UndoUnit.FileHandle;
    const QString ro = dir.filePath("ro");
    ASSERT_TRUE(WriteFileBytes(ro.toStdString(), {1, 2, 3}));
    UndoUnit.FileHandle = ::open(QFile::encodeName(ro).constData(), O_RDONLY);
    ASSERT_GE(UndoUnit.FileHandle, 0);
    Select({2, 3});
    RecordUndo(UndoStart, -1);
    RecordUndo(UndoDeleteMany, -1);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    EXPECT_FALSE(CanUndo());
    EXPECT_EQ(ring.Current, 0);
    // Reported once: a second failure stays silent.
    RecordUndo(UndoStart, -1);
    RecordUndo(UndoDeleteMany, -1);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    ::close(UndoUnit.FileHandle);
    UndoUnit.FileHandle = good;
}

