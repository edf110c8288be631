// Reading every block of a map file, and writing each record, index block and string at its
// literal offsets.
#include "DocumentFixture.h"

#include "core/Errors.h"
#include "core/LangTexts.h"

using namespace zemo;
using namespace zemo::test;

TEST_F(DocTest, Version8SampleLoadsEveryBlock)
{
    Open(TestMapWriter::Sample(8));
    TZmd& z = Z();
    EXPECT_EQ(z.Header.Version, 8);
    EXPECT_EQ(z.Header.FileType, 2);
    EXPECT_EQ(z.Header.SetupPos, 19272);
    EXPECT_EQ(z.Header.SymbolIndexPos, layout.symbolBlocks[0]);
    EXPECT_EQ(z.Header.ObjectIndexPos, layout.objectBlocks[0]);
    EXPECT_EQ(z.Header.StringIndexPos, layout.stringBlocks[0]);
    EXPECT_FALSE(z.CourseMap);

    EXPECT_EQ(z.ColorBlock.ColorCount, 4);
    EXPECT_EQ(z.ColorBlock.SeparationCount, 1);
    EXPECT_EQ(ShortFieldText(z.ColorBlock.Colors[1].Name), "Blue");
    EXPECT_EQ(z.ColorBlock.Colors[1].Cmyk, (std::array<uint8_t, 4>{200, 60, 0, 0}));
    EXPECT_EQ(z.ColorBlock.Colors[0].Separations[0], 0);
    EXPECT_EQ(ShortFieldText(z.ColorBlock.Separations[0].Name), "Brown");
    EXPECT_EQ(z.ColorBlock.Separations[0].Screen, 1500);

    // Symbols in chain order, each knowing its own position.
    ASSERT_EQ(z.SymbolCount(), 8);
    const int numbers[] = {10, 20, 21, 30, 31, 40, 50, 60};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(SymI16(z.Symbols[i], SymNumber), numbers[i]);
        EXPECT_EQ(SymI32(z.Symbols[i], SymFilePos), layout.symbolRecords[i]);
        EXPECT_EQ(z.NumberTable[size_t(numbers[i])], int(i));
    }
    EXPECT_EQ(SymU8(z.Symbols[3], SymStatus), 1);
    EXPECT_EQ(SymI16(z.Symbols[0], SymExtent), 100);  // circle of 2 mm at the origin

    // Objects: the deleted one empty in memory, the course-only one marked.
    EXPECT_EQ(z.HighestObject, 9);
    EXPECT_EQ(z.Entry(7).Symbol, 0);
    EXPECT_NE(z.Entry(7).Length, 0);
    EXPECT_EQ(z.Entry(9).Symbol, 10 | CourseOnlyMark);
    EXPECT_EQ(CountObjects(), 7);
    ASSERT_TRUE(ReadElement(2, Index.CurElement));
    const ElementRecord& line = Index.CurElement;
    EXPECT_EQ(line.Symbol, 20);
    EXPECT_EQ(line.ObjectType, LineObject);
    ASSERT_EQ(line.nItem, 4);
    EXPECT_EQ(line.Slots[1], (Cord{5 * mm | 1, 0}));
    EXPECT_EQ(line.Slots[2], (Cord{10 * mm | 2, 5 * mm}));
    EXPECT_EQ(line.Slots[3], (Cord{10 * mm, 10 * mm | 1}));
    ASSERT_TRUE(ReadElement(4, Index.CurElement));
    EXPECT_EQ(Index.CurElement.nText, 8);
    EXPECT_STREQ(reinterpret_cast<const char*>(Index.CurElement.TextBytes()), "Hill");
    ASSERT_TRUE(ReadElement(8, Index.CurElement));
    EXPECT_EQ(Index.CurElement.Flags & ElementUtf16Flag, 1);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(Index.CurElement.TextBytes())), u"\u00c5land \u4e2d");

    // Strings by type, the settings string in its slot.
    ASSERT_EQ(z.Courses.Count(), 1);
    EXPECT_EQ(z.Courses.Strings(0), QStringLiteral("Course A\t1\t2"));
    EXPECT_EQ(z.Courses.GetNumber(0), 0);
    ASSERT_EQ(z.CsObjects.Count(), 1);
    EXPECT_EQ(z.CsObjects.GetNumber(0), 1);
    EXPECT_EQ(z.MapSettings[size_t(MapSettingsSlot(1030))], QStringLiteral("\tv1\th0"));
    EXPECT_EQ(QString::fromStdString(z.Setup.MapPath), QStringLiteral("/maps/sample.zmd"));
    EXPECT_EQ(ReadInfoText(), QByteArray("Sample map for tests"));
}

TEST_F(DocTest, OlderVersionsReadEntryLengthsInBytes)
{
    for (int version : {6, 7}) {
        SCOPED_TRACE(version);
        TestMapWriter w = TestMapWriter::Sample(version);
        w.stringsInOldVersions = true;  // a stray string index must be ignored
        w.strings.push_back(TestPString::Make(2, 0, "never read"));
        // Lengths below one Cord (40 bytes) are empty; 40 is one slot.
        w.objects.push_back(TestObject::Point(10, 0, 0));
        w.objects.back().entryLength = 31;
        w.objects.push_back(TestObject::Point(10, 0, 0));
        w.objects.back().entryLength = 40;
        Open(w);
        EXPECT_EQ(Z().HighestObject, 9);
        EXPECT_EQ(Z().Header.StringIndexPos, 0);
        EXPECT_EQ(Z().Courses.Count(), 0);
        // The area has 7 Cords: 32 + 56 bytes in the file, 7 slots in memory.
        EXPECT_EQ(Z().Entry(3).Length, 7);
        ASSERT_TRUE(ReadElement(3, Index.CurElement));
        EXPECT_EQ(Index.CurElement.nItem, 7);
        EXPECT_EQ(Index.CurElement.Slots[4].y & HoleFlag, HoleFlag);
        EXPECT_EQ(Z().Entry(8).Length, 0);
        EXPECT_EQ(Z().Entry(8).Symbol, 0);
        EXPECT_EQ(Z().Entry(9).Length, 1);
    }
}

TEST_F(DocTest, NotAMapIsRefusedWithFormatMessage)
{
    for (uint16_t version : {2, 9, 0}) {
        TestMapWriter w(8);
        if (version)
            w.headerVersion = version;
        else
            w.mark = 0x5E72;
        ASSERT_TRUE(WriteFileBytes(path, w.Build()));
        messages.Clear();
        EXPECT_THROW(OpenFile(), EAbort) << version;
        EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
    }
}

TEST_F(DocTest, AppendedObjectLandsAtLiteralOffsets)
{
    Open(TestMapWriter::Sample(8));
    const size_t before = FileBytes().size();
    MakeLine(20, 3, 256 * 100);
    Index.CurElement.Angle = -7;
    Index.CurElement.Slots[1].x |= FirstBezierFlag;
    ASSERT_TRUE(AppendElement());
    EXPECT_EQ(Index.CurIndexNo, 10);

    const auto b = FileBytes();
    ASSERT_EQ(b.size(), before + 32 + 3 * 8);
    const size_t entry = layout.ObjectEntryPos(9);
    // Line symbol 2.0 has extent 17 (0.35 mm / 2): the rectangle is widened by 17 x 256.
    EXPECT_EQ(GetI32(b, entry + 0), -17 * 256);
    EXPECT_EQ(GetI32(b, entry + 4), -200 * 256 - 17 * 256);
    EXPECT_EQ(GetI32(b, entry + 8), 200 * 256 + 17 * 256);
    EXPECT_EQ(GetI32(b, entry + 12), 17 * 256);
    EXPECT_EQ(size_t(GetI32(b, entry + 16)), before);
    EXPECT_EQ(GetU16(b, entry + 20), 3);
    EXPECT_EQ(GetU16(b, entry + 22), 20);
    const size_t rec = before;
    EXPECT_EQ(GetI16(b, rec + 0), 20);
    EXPECT_EQ(b[rec + 2], LineObject);
    EXPECT_EQ(b[rec + 3], 0);
    EXPECT_EQ(GetU16(b, rec + 4), 3);
    EXPECT_EQ(GetU16(b, rec + 6), 0);
    EXPECT_EQ(GetI16(b, rec + 8), -7);
    EXPECT_EQ(GetI32(b, rec + 32 + 8), 25600 | FirstBezierFlag);
    EXPECT_EQ(GetI32(b, rec + 32 + 12), -25600);
    EXPECT_EQ(GetI32(b, rec + 32 + 16), 51200);
}

TEST_F(DocTest, TextSlotsFollowTheTextLength)
{
    Open(TestMapWriter::Sample(8));
    struct Case {
        size_t chars;
        bool wide;
        int slots;
    };
    for (Case c : {Case{0, false, 8}, Case{63, false, 8}, Case{64, false, 16}, Case{31, true, 8},
                   Case{32, true, 16}, Case{20000, false, 2048}, Case{9000, true, 2048}}) {
        SCOPED_TRACE(testing::Message() << c.chars << (c.wide ? " wide" : ""));
        MakeText(40, "");
        ElementRecord& e = Index.CurElement;
        if (c.wide) {
            e.Flags = ElementUtf16Flag;
            char16_t* t = reinterpret_cast<char16_t*>(e.TextBytes());
            std::fill(t, t + c.chars, u'\u00e9');
        } else {
            std::memset(e.TextBytes(), 'a', c.chars);
        }
        e.nText = uint16_t(std::min<size_t>(c.chars / (c.wide ? 4 : 8) + 1, 2048));
        ASSERT_TRUE(AppendElement());
        const int n = Index.CurIndexNo;
        const auto b = FileBytes();
        const size_t rec = size_t(Z().Entry(n).Pos);
        EXPECT_EQ(GetU16(b, rec + 6), c.slots);
        EXPECT_EQ(Z().Entry(n).Length, 1 + c.slots);
        // The record ends in a zero character; a capped text is cut to make room for it.
        const size_t end = rec + 32 + 8 + size_t(c.slots) * 8;
        EXPECT_EQ(b[end - 1], 0);
        if (c.wide) {
            EXPECT_EQ(b[end - 2], 0);
        }
        const size_t kept = std::min(c.chars, size_t(c.slots) * 8 / (c.wide ? 2 : 1) - 1);
        if (kept > 0) {
            EXPECT_EQ(b[rec + 40 + kept * (c.wide ? 2 : 1) - 1], c.wide ? 0x00 : 'a');
        }
    }
}

TEST_F(DocTest, SetupAndHeaderAreWrittenAtTheirOffsets)
{
    Open(TestMapWriter::Sample(8));
    Z().Setup.MapScale = 10000;
    Z().Setup.MapPath = "/elsewhere/m.zmd";
    ASSERT_TRUE(WriteSetup());
    auto b = FileBytes();
    EXPECT_EQ(GetI32(b, hdr::SetupPos), 19272);
    EXPECT_EQ(GetI32(b, hdr::SetupSize), 1348);
    EXPECT_EQ(GetF64(b, 19272 + setup::MapScale), 10000.0);
    EXPECT_EQ(b[19272 + setup::MapPath], 16);

    // A setup shorter than 1348 bytes moves to the end of the file.
    TestMapWriter w = TestMapWriter::Sample(8);
    w.setup = Truncated(w.setup, 600);
    Open(w);
    const size_t end = FileBytes().size();
    ASSERT_TRUE(WriteSetup());
    b = FileBytes();
    EXPECT_EQ(size_t(GetI32(b, hdr::SetupPos)), end);
    EXPECT_EQ(GetI32(b, hdr::SetupSize), 1348);
    EXPECT_EQ(b.size(), end + 1348);
}

TEST_F(DocTest, ColourBlockIsWrittenFieldByField)
{
    Open(TestMapWriter::Sample(8));
    SymbolHeaderBlock& c = Z().ColorBlock;
    c.ColorCount = 5;
    c.Colors[4].Number = 9;
    c.Colors[4].Overprint = -1;
    c.Colors[4].Cmyk = {1, 2, 3, 4};
    SetShortFieldText(c.Colors[4].Name, "Purple");
    c.Colors[4].Separations[31] = 77;
    SetShortFieldText(c.Separations[1].Name, "Grey");
    c.Separations[1].Screen2 = 450;
    WriteSymbolIndex();
    const auto b = FileBytes();
    const size_t c4 = TestMapLayout::ColorRecordPos(4);
    EXPECT_EQ(GetI16(b, 48), 5);
    EXPECT_EQ(GetU16(b, c4), 9);
    EXPECT_EQ(GetI16(b, c4 + 2), -1);
    EXPECT_EQ(b[c4 + 4], 1);
    EXPECT_EQ(b[c4 + 7], 4);
    EXPECT_EQ(b[c4 + 8], 6);
    EXPECT_EQ(std::string(b.begin() + long(c4 + 9), b.begin() + long(c4 + 15)), "Purple");
    EXPECT_EQ(b[c4 + 40 + 31], 77);
    const size_t s1 = TestMapLayout::SeparationPos(1);
    EXPECT_EQ(b[s1], 4);
    EXPECT_EQ(GetI16(b, s1 + 22), 450);
    // Everything of the old block that was not changed is byte for byte the same.
    const auto original = TestMapWriter::Sample(8).Build();
    EXPECT_TRUE(std::equal(original.begin() + 48 + 4, original.begin() + long(c4), b.begin() + 48 + 4));
}

// The first object or string of a map starts its chain at the end of the file; the 257th
// starts a second index block linked from the first, its record right behind the block.
TEST_F(DocTest, IndexBlocksStartAndGrowAtTheEndOfTheFile)
{
    Open(TestMapWriter(8));
    size_t end = FileBytes().size();
    AppendPoint(0, 0, 0);
    EXPECT_EQ(AddPString(QString(63, 'a'), 8, 0), 0);
    EXPECT_EQ(AddPString(QString(64, 'b'), 2, 5), 1);
    auto b = FileBytes();
    EXPECT_EQ(size_t(GetI32(b, hdr::ObjectIndex)), end);
    EXPECT_EQ(size_t(GetI32(b, end + 4 + 16)), end + 6148);
    // Strings reserve room for their terminator: 63 characters in 64 bytes, 64 in 128.
    const size_t s = end + 6148 + 40, e0 = s + 4, e1 = s + 4 + 16;
    EXPECT_EQ(size_t(GetI32(b, hdr::StringIndex)), s);
    const std::pair<size_t, int32_t> entries[] = {{e0, int32_t(s + 4100)}, {e0 + 4, 64}, {e0 + 8, 8}, {e0 + 12, 0},
                                                  {e1, int32_t(s + 4100 + 64)}, {e1 + 4, 128}, {e1 + 8, 2}, {e1 + 12, 5}};
    for (const auto& [at, v] : entries)
        EXPECT_EQ(GetI32(b, at), v) << at - s;
    EXPECT_EQ(b[s + 4100 + 62], 'a');
    EXPECT_EQ(b[s + 4100 + 63], 0);
    EXPECT_EQ(b.size(), s + 4100 + 64 + 128);

    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(10));
    w.objects.assign(256, TestObject::Point(10, 0, 0));
    w.strings.assign(256, TestPString::Make(2, 0, "c"));
    Open(w);
    end = FileBytes().size();
    MakePoint(10, 256, 512);
    ASSERT_TRUE(AppendElement());
    EXPECT_EQ(Index.CurIndexNo, 257);
    EXPECT_EQ(Z().BlockCount(), 2);
    EXPECT_EQ(AddPString(QStringLiteral("next"), 2, 0), 256);
    b = FileBytes();
    const size_t strings = end + 6148 + 40;
    EXPECT_EQ(GetI32(b, hdr::ObjectIndex), layout.objectBlocks[0]);  // the header keeps the first block
    EXPECT_EQ(size_t(GetI32(b, size_t(layout.objectBlocks[0]))), end);
    EXPECT_EQ(GetI32(b, end), 0);
    EXPECT_EQ(size_t(GetI32(b, end + 4 + 16)), end + 6148);
    EXPECT_EQ(GetU16(b, end + 4 + 22), 10);
    EXPECT_EQ(GetI32(b, hdr::StringIndex), layout.stringBlocks[0]);
    EXPECT_EQ(size_t(GetI32(b, size_t(layout.stringBlocks[0]))), strings);
    EXPECT_EQ(size_t(GetI32(b, strings + 4)), strings + 4100);
    Reopen();
    EXPECT_EQ(Z().HighestObject, 257);
    ASSERT_TRUE(ReadElement(257, Index.CurElement));
    EXPECT_EQ(Index.CurElement.Slots[0], (Cord{256, 512}));
    ASSERT_EQ(Z().Courses.Count(), 257);
    EXPECT_EQ(Z().Courses.Strings(256), QStringLiteral("next"));
}

TEST_F(DocTest, AStringKeepsItsPlaceUntilItNoLongerFits)
{
    TestMapWriter w(8);
    w.strings = {TestPString::Make(2, 0, "c0"), TestPString::Make(2, 0, "c1")};
    Open(w);
    const int32_t pos = layout.stringRecords[0];
    ASSERT_TRUE(SavePString(0, QString(63, 'x')));
    auto f = FileBytes();
    EXPECT_EQ(GetI32(f, layout.StringEntryPos(0)), pos);
    EXPECT_EQ(f[size_t(pos) + 63], 0);
    const size_t end = f.size();
    ASSERT_TRUE(SavePString(0, QString(64, 'y')));
    f = FileBytes();
    EXPECT_EQ(size_t(GetI32(f, layout.StringEntryPos(0))), end);
    EXPECT_EQ(GetI32(f, layout.StringEntryPos(0) + 4), 128);
    EXPECT_EQ(f.size(), end + 128);

    // Typed strings are rewritten in place, or added only with text.
    EXPECT_TRUE(SaveTypedPString(QString(), 1026));
    EXPECT_EQ(FileBytes().size(), end + 128);
    EXPECT_TRUE(SaveTypedPString(QStringLiteral("\tp1"), 1026));
    const size_t typed = FileBytes().size();
    EXPECT_TRUE(SaveTypedPString(QStringLiteral("\tp0"), 1026));
    EXPECT_EQ(FileBytes().size(), typed);

    // A deleted slot is not reused until the map is read again; then one of its length is.
    ASSERT_TRUE(DeletePString(1));
    EXPECT_EQ(Z().StringBlocks[0].Entries[1].Type, -2);
    EXPECT_EQ(GetI32(FileBytes(), layout.StringEntryPos(1) + 8), 0);
    EXPECT_EQ(AddPString(QStringLiteral("c9"), 2, 0), 3);
    Reopen();
    EXPECT_EQ(Z().Courses.Count(), 2);
    EXPECT_EQ(Z().Courses.Strings(0), QString(64, 'y'));
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(1026))], QStringLiteral("\tp0"));
    EXPECT_EQ(AddPString(QStringLiteral("zz"), 3, 0), 1);
    EXPECT_EQ(Z().StringBlocks[0].Entries[1].Pos, layout.stringRecords[1]);
    ASSERT_TRUE(ClearPString(1));
    EXPECT_EQ(Z().StringBlocks[0].Entries[1].Type, 0);

    // Bad numbers are internal errors that change nothing.
    const auto before = FileBytes();
    EXPECT_FALSE(SavePString(256, QStringLiteral("x")));
    EXPECT_FALSE(DeletePString(-1));
    EXPECT_FALSE(ClearPString(999));
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 3);
    EXPECT_EQ(messages.Last().helpContext, 3);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(DocTest, AddedStringsTakeTheFirstFreeSlotOfTheirLengthInAnyBlock)
{
    TestMapWriter w(8);
    Open(w);
    // Three blocks full of strings of one length, then gaps cleared in the first two.
    for (int i = 0; i < 3 * 256; ++i)
        ASSERT_EQ(AddPString(QStringLiteral("s%1").arg(i), 2, 0), i);
    EXPECT_EQ(AddPString(QStringLiteral("next"), 2, 0), 3 * 256);
    ASSERT_TRUE(ClearPString(300));
    ASSERT_TRUE(ClearPString(10));
    EXPECT_EQ(AddPString(QStringLiteral("a"), 2, 0), 10);
    EXPECT_EQ(AddPString(QStringLiteral("b"), 2, 0), 300);
    // A cleared slot too short for the text is passed over, and taken by a text that fits.
    ASSERT_TRUE(ClearPString(20));
    EXPECT_EQ(AddPString(QString(100, 'L'), 2, 0), 3 * 256 + 1);
    EXPECT_EQ(AddPString(QStringLiteral("c"), 2, 0), 20);
    // Read again, the numbers and texts are those written.
    Reopen();
    EXPECT_EQ(Z().Courses.Count(), 3 * 256 + 2);
    EXPECT_EQ(Z().StringBlocks.size(), 4u);
    ASSERT_TRUE(ClearPString(5));
    EXPECT_EQ(AddPString(QStringLiteral("d"), 2, 0), 5);
    EXPECT_EQ(AddPString(QStringLiteral("e"), 2, 0), 3 * 256 + 2);
}

TEST_F(DocTest, TheLoaderSortsStringsIntoTheirListsWithinTheLengthBound)
{
    TestMapWriter w(8);
    w.strings = {TestPString::Make(3, 0, "Map.ZMD"), TestPString::Make(3, 0, "H21\tc1"),
                 TestPString::Make(4, 0, "dataset"), TestPString::Make(5, 3, "link"),
                 TestPString::Make(7, 3, "A"), TestPString::Make(8, 0, "t.tif"),
                 TestPString::Make(1, 4, "A"), TestPString::Make(1, 7, "B")};
    Open(w);
    const QString course = QStringLiteral("Long\t") + QString(5000, 'c');
    const int n = AddPString(course, 2, 0);
    AddPString(QString(MaxPStringBytes + 10, 'h'), 2, 0);
    Reopen();
    EXPECT_EQ(Z().InternetMaps.Count(), 1);
    EXPECT_EQ(Z().Classes.Count(), 1);
    EXPECT_EQ(Z().Datasets.Count(), 1);
    EXPECT_TRUE(Z().DatasetsPresent);
    EXPECT_EQ(Z().ObjectLinks.Count(), 1);
    EXPECT_EQ(Z().Templates.Count(), 1);
    ASSERT_EQ(Z().Courses.Count(), 1);  // the one beyond the bound stays in the file only
    EXPECT_EQ(Z().Courses.GetNumber(0), n);
    EXPECT_EQ(Z().Courses.Strings(0), course);
    // Course-object links only in course-setting maps.
    EXPECT_EQ(Z().CsObjectLinks.Count(), 0);
    w.fileType = 3;
    Open(w);
    EXPECT_EQ(Z().CsObjectLinks.Count(), 1);
    // A search checks the given position first.
    int pos = 1;
    EXPECT_TRUE(FindPString(7, 1, Z().CsObjects, pos));
    EXPECT_EQ(pos, 1);
    EXPECT_TRUE(FindPString(4, 1, Z().CsObjects, pos));
    EXPECT_EQ(pos, 0);
    EXPECT_FALSE(FindPString(5, 1, Z().CsObjects, pos));
    EXPECT_EQ(pos, -1);
}
