// Damaged map files and damaged undo files end in a clean failure message, in skipped entries
// or in a refused step, never in a crash, a hang or a read outside the file.
#include "DocumentFixture.h"

#include "core/ByteIO.h"
#include "core/Errors.h"
#include "core/LangTexts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace zemo;
using namespace zemo::test;

namespace {

// Touches everything a loaded map offers: every object read, a full scan, every string.
void Exercise()
{
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        ReadElement(n, Index.DrawElement);
    StartElementScan(0);
    int guard = 0;
    while (NextElementInRect(AllMap, -1))
        ASSERT_LT(++guard, 1 << 20);
    for (int s = 0; s < int(z.StringBlocks.size()) * 256; ++s)
        ReadPString(s);
    CordRect r;
    GetMapExtent(r);
}

} // namespace

TEST_F(DocTest, EverySeedFileAndEveryTruncationLoadsOrFailsCleanly)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files = MapSeedFiles();
    // ZEMO_WRITE_SEEDS=<dir> refreshes the fuzz seed corpus.
    if (const char* out = std::getenv("ZEMO_WRITE_SEEDS")) {
        for (const auto& [name, bytes] : files)
            EXPECT_TRUE(WriteFileBytes((std::filesystem::path(out) / name).string(), bytes)) << name;
    }
    TestMapLayout l;
    const auto full = TestMapWriter::Sample(8).Build(&l);
    const size_t seeds = files.size();
    for (size_t cut : l.Boundaries())
        for (size_t at : {cut, cut + 1, cut > 0 ? cut - 1 : 0})
            if (at <= full.size())
                files.emplace_back(std::to_string(at), Truncated(full, at));
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& [name, bytes] = files[i];
        SCOPED_TRACE(name);
        messages.Clear();
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        try {
            OpenFile();
            Exercise();
            if (i < seeds)
                continue;
            // A cut sample: whatever was whole is there; nothing beyond the cut is taken.
            EXPECT_GE(bytes.size(), size_t(MapHeaderBytes));
            EXPECT_EQ(Z().Skipped.Any(), bytes.size() < full.size());
            for (int n = 1; n <= Z().HighestObject; ++n) {
                if (Z().Entry(n).Length) {
                    EXPECT_LE(size_t(Z().Entry(n).Pos) + 32 + 8 * Z().Entry(n).Length, bytes.size());
                }
            }
        } catch (const EAbort&) {
            EXPECT_GE(messages.Count(), 1) << "an abort must follow a message";
            if (i >= seeds) {
                EXPECT_LT(bytes.size(), size_t(MapHeaderBytes));
                EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
            }
        }
        Close();
    }
}

TEST_F(DocTest, DamagedMapsKeepWhatIsWholeAndCountWhatIsSkipped)
{
    struct Want {
        int symbols, highest, objects, stringBlocks;
        LoadSkips skipped;
    };
    struct Row {
        const char* name;
        std::function<void(TestMapWriter&)> spoil;
        Want want;
        std::function<void()> check;  // what only this damage shows
    };
    const LoadSkips none{}, cut{0, 0, 0, true, true, true};
    auto ends = [](ChainEnd e) {
        return [e](TestMapWriter& w) { w.symbolChainEnd = w.objectChainEnd = w.stringChainEnd = e; };
    };
    // After a cut chain a new block is linked in over the bad pointer.
    auto relinks = [this] {
        for (int i = 0; i < 256; ++i)
            AppendPoint(10, 0, 0);
        Reopen();
        EXPECT_EQ(Z().BlockCount(), 2);
        EXPECT_EQ(Z().HighestObject, 265);
    };
    const std::vector<Row> rows{
        {"cyclic chains are read once",
         [](TestMapWriter& w) {
             w.symbolChainEnd = w.stringChainEnd = ChainEnd::ToFirst;
             w.objectChainEnd = ChainEnd::ToSelf;
         },
         {8, 9, 7, 1, none}, [this] { EXPECT_EQ(Z().Courses.Count(), 1); }},
        {"negative chain end", ends(ChainEnd::Negative), {8, 9, 7, 1, cut}, relinks},
        {"chain end past the file", ends(ChainEnd::PastEnd), {8, 9, 7, 1, cut}, relinks},
        {"chain end into the colour block", ends(ChainEnd::IntoFixed), {8, 9, 7, 1, cut}, relinks},
        {"header pointers outside the file",
         [](TestMapWriter& w) {
             w.setupPos = FilePos::FromEnd(-100);
             w.infoPos = FilePos::At(-8);
             w.infoSize = FilePos::At(40000);
             w.stringIndexPos = FilePos::FromEnd(4);
             w.objectIndexPos = FilePos::At(60);  // into the colour block
         },
         {8, 0, 0, 0, none},
         [this] {
             EXPECT_EQ(ReadInfoText(), QByteArray());
             EXPECT_GT(Z().Setup.MapScale, 0);  // the setup's last bytes read over the defaults
             AppendPoint(10, 0, 0);  // a first object starts a new chain
             Reopen();
             EXPECT_EQ(Z().HighestObject, 1);
         }},
        {"damaged object entries",
         [](TestMapWriter& w) {
             w.objects[0].entryPosition = FilePos::At(200);      // into the colour block
             w.objects[1].entryPosition = FilePos::FromEnd(-8);  // record runs past the end
             w.objects[2].nItemField = 5000;                     // above the stored length
             w.objects[3].terminate = false;                     // text without terminator
             w.objects[3].nTextField = 300;
             w.objects[4].entryPosition = FilePos::At(-64);
             w.objects[5].entryPosition = FilePos::At(19272 + 64);  // inside the setup
             w.objects[7].terminate = false;
         },
         {8, 9, 3, 1, {4, 0, 0}},  // the deleted object is no loss
         [this] {
             for (int n : {1, 2, 5, 6})
                 EXPECT_FALSE(ReadElement(n, Index.CurElement)) << n;
             EXPECT_EQ(Index.CurElement.nItem, 0);
             ASSERT_TRUE(ReadElement(3, Index.CurElement));
             EXPECT_EQ(Index.CurElement.nItem, 7);  // clamped to the stored length
             EXPECT_EQ(Index.CurElement.nText, 0);
             ASSERT_TRUE(ReadElement(4, Index.CurElement));
             ASSERT_EQ(Index.CurElement.nText, 8);  // the stored length has 1 + 8 slots
             EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(Index.CurElement.TextBytes())), 63u);
             ASSERT_TRUE(ReadElement(8, Index.CurElement));
             const auto* wide = reinterpret_cast<const char16_t*>(Index.CurElement.TextBytes());
             EXPECT_EQ(wide[Index.CurElement.nText * 4 - 1], 0);
             EXPECT_EQ(Scan(), (std::vector<int>{3, 4, 8}));  // a skipped entry does not stop a scan
         }},
        {"damaged string slots",
         [](TestMapWriter& w) {
             w.strings[0].terminate = false;
             w.strings[1].position = FilePos::FromEnd(-10);
             w.strings[1].reservedLength = FilePos::At(0x7FFFFFC0);
             w.strings[3].position = FilePos::At(0);
             w.strings[3].reservedLength = FilePos::At(64);
         },
         {8, 9, 7, 1, {0, 0, 2}},
         [this] {
             ASSERT_EQ(Z().Courses.Count(), 1);
             EXPECT_EQ(Z().Courses.Strings(0).size(), 64);  // the record, no further
             EXPECT_EQ(Z().CsObjects.Count(), 0);
             EXPECT_EQ(Z().StringBlocks[0].Entries[1], PStringIndexEntry{});
             // Writing a settings string never lands in the header.
             const auto head = FileBytes();
             ASSERT_TRUE(SaveTypedPString(QStringLiteral("\tv2"), 1030));
             const auto after = FileBytes();
             EXPECT_TRUE(std::equal(head.begin(), head.begin() + 19272, after.begin()));
         }},
        {"symbol sizes outside the range",
         [](TestMapWriter& w) {
             w.objects.clear();
             w.strings.clear();
             TestSymbol liar = TestSymbol::Line(40);
             liar.sizeWord = 20000;
             TestSymbol fixedPart = TestSymbol::Point(50);
             fixedPart.indexPosition = FilePos::At(1000);
             w.symbols = {TestSymbol::Raw(10, 1, 348), TestSymbol::Point(20), TestSymbol::Raw(30, 3, 20905),
                          TestSymbol::Raw(35, 3, 20904), liar, TestSymbol::FreeSlot(-1), fixedPart};
         },
         {2, 0, 0, 0, {0, 2, 0}},  // a free slot is no loss; sizes 348 and 20905 are no damage
         [this] {
             EXPECT_EQ(Z().Skipped.RuleSymbols, (std::vector<SkippedSymbol>{{10, 348}, {30, 20905}}));
             EXPECT_EQ(SymI16(Z().Symbols[0], SymNumber), 20);
             EXPECT_EQ(SymI16(Z().Symbols[1], SymNumber), 35);
             EXPECT_EQ(Z().Symbols[1].size(), 20904u);
         }},
        {"colour counts above the table",
         [](TestMapWriter& w) {
             w.colorCount = 300;
             w.separationCount = 40;
         },
         {8, 9, 7, 1, none},
         [this] {
             EXPECT_EQ(Z().ColorBlock.ColorCount, 1);
             EXPECT_EQ(Z().ColorBlock.SeparationCount, 0);
         }},
        {"no colours", [](TestMapWriter& w) { w.colorCount = 0; }, {8, 9, 7, 1, none},
         [this] { EXPECT_EQ(Z().ColorBlock.ColorCount, 1); }},
        {"a separation without screen or display colour",
         [](TestMapWriter& w) {
             w.separations[0].screen = 20;
             w.separations[0].cmyk = {0, 0, 0, 0};
             w.colors[2].separationPercent[0] = 200;
         },
         {8, 9, 7, 1, none},
         [this] {
             EXPECT_EQ(Z().ColorBlock.ColorCount, 4);
             EXPECT_EQ(Z().ColorBlock.Separations[0].Screen, 1500);
             // The last colour printed in full in the separation lends it its display colour.
             EXPECT_EQ(Z().ColorBlock.Separations[0].Cmyk, Z().ColorBlock.Colors[2].Cmyk);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMapWriter w = TestMapWriter::Sample(8);
        row.spoil(w);
        Open(w);
        EXPECT_EQ(Z().SymbolCount(), row.want.symbols);
        EXPECT_EQ(Z().HighestObject, row.want.highest);
        EXPECT_EQ(CountObjects(), row.want.objects);
        EXPECT_EQ(Z().StringBlocks.size(), size_t(row.want.stringBlocks));
        const LoadSkips& s = Z().Skipped;
        EXPECT_EQ(s.Objects, row.want.skipped.Objects);
        EXPECT_EQ(s.Symbols, row.want.skipped.Symbols);
        EXPECT_EQ(s.Strings, row.want.skipped.Strings);
        EXPECT_EQ(s.ObjectChainCut && s.SymbolChainCut && s.StringChainCut, row.want.skipped.ObjectChainCut);
        row.check();
        ASSERT_FALSE(HasFatalFailure());
    }
}

TEST_F(DocTest, ALongCyclicObjectChainStopsAtTheFirstRepeat)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(10));
    w.objects.assign(700, TestObject::Point(10, 0, 0));
    w.objectChainEnd = ChainEnd::ToFirst;
    Open(w);
    EXPECT_EQ(Z().BlockCount(), 3);
    EXPECT_EQ(Z().HighestObject, 700);
}

// A step over objects 1, 2 and 3 of the course sample, the objects then changed and deleted;
// each row spoils what undo reads back; undo must leave the map as it is and say so once.
TEST_F(DocTest, ADamagedUndoStepIsRefusedWhole)
{
    auto patch = [](int64_t pos, auto v) {
        uint8_t b[sizeof v];
        StoreLE(b, v);
        ASSERT_EQ(::pwrite(UndoUnit.FileHandle, b, sizeof v, off_t(pos)), off_t(sizeof v));
    };
    auto cutTo = [](int64_t size) { ASSERT_EQ(::ftruncate(UndoUnit.FileHandle, off_t(size)), 0); };
    enum Step { Exchange, DeleteMany, Change };
    struct Row {
        const char* name;
        Step step;
        // Spoils the step: `at` is where its list or copies start in the undo file, `end` the file's size.
        std::function<void(int64_t at, int64_t end)> spoil;
    };
    // The first copy: number at +0, index entry at +4 (length +24), record head at +28 (nItem +32).
    const std::vector<Row> rows{
        {"a truncated copy", Exchange, [&](int64_t, int64_t end) { cutTo(end - 12); }},
        {"a missing terminator", Exchange, [&](int64_t, int64_t end) { cutTo(end - 4); }},
        {"a length above the element buffer", Exchange, [&](int64_t at, int64_t) { patch(at + 24, uint16_t(0xFFFF)); }},
        {"a length running past the file", Exchange, [&](int64_t at, int64_t) { patch(at + 24, uint16_t(30000)); }},
        {"counts above the stored length", Exchange, [&](int64_t at, int64_t) { patch(at + 32, uint16_t(200)); }},
        {"a number that is no object", Exchange, [&](int64_t at, int64_t) { patch(at, int32_t(1 << 24)); }},
        {"a list entry above the highest object", DeleteMany,
         [&](int64_t at, int64_t) { patch(at + 4, int32_t(Z().HighestObject + 1)); }},
        {"a negative list entry", DeleteMany, [&](int64_t at, int64_t) { patch(at, int32_t(-5)); }},
        {"a list without its terminator", DeleteMany, [&](int64_t at, int64_t) { cutTo(at + 8); }},
        {"a kept copy claiming more points than it holds", Change,
         [&](int64_t, int64_t) { StoreLE(ring.Steps[size_t(ring.Current)].Data.data() + 4, uint16_t(500)); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearUndo();
        OpenWithUndo(CourseSample());
        if (row.step == Change) {
            ASSERT_TRUE(ReadElement(2, Index.CurElement));
            BeginElementEdit(2);
            Index.CurElement.Slots[0] = {5 * mm, 5 * mm};
            ASSERT_TRUE(SaveElement(2));
            ASSERT_EQ(ring.Steps[size_t(ring.Current)].Kind, UndoChange);
        } else {
            Select({1, 2, 3});
            if (row.step == Exchange) {
                BeginElementEdit(-1);  // start and the copies of the selection
            } else {
                RecordUndo(UndoStart, -1);
                RecordUndo(UndoDeleteMany, -1);
            }
            UndoSuspend quiet;
            ASSERT_TRUE(ReadElement(2, Index.CurElement));
            Index.CurElement.Slots[0] = {77 * mm, 77 * mm};
            ASSERT_TRUE(SaveElement(2));
            DeleteElement(1);
            DeleteElement(3);
        }
        const MapSnapshot after = Snap();
        struct stat st {};
        ASSERT_EQ(::fstat(UndoUnit.FileHandle, &st), 0);
        row.spoil(ring.Steps[size_t(ring.Current)].FilePos, int64_t(st.st_size));
        messages.Clear();
        ASSERT_TRUE(CanUndo());
        UndoEdit();
        EXPECT_EQ(Snap(), after);
        EXPECT_EQ(messages.CountOf(TextKey::InternalError), 1);
        if (row.step == Exchange) {
            EXPECT_EQ(Index.SelectionCount, 0);
        }
        ASSERT_FALSE(HasFatalFailure());
    }
}
