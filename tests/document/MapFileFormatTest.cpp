// Reading every block of a map file and writing each record at its literal offsets.
#include "MapStoreFixture.h"

#include "core/Errors.h"
#include "core/LangTexts.h"

using namespace zemo;
using namespace zemo::test;

namespace {
constexpr int32_t mm = kUnitsPerMm;
}

TEST_F(MapStoreTest, Version8SampleLoadsEveryBlock)
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

    // Colours and separations.
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
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(SymI16(z.Symbols[size_t(i)], SymNumber), numbers[i]);
        EXPECT_EQ(SymI32(z.Symbols[size_t(i)], SymFilePos), layout.symbolRecords[size_t(i)]);
        EXPECT_EQ(z.NumberTable[size_t(numbers[i])], i);
    }
    EXPECT_EQ(SymU8(z.Symbols[3], SymStatus), 1);
    EXPECT_EQ(SymI16(z.Symbols[0], SymExtent), 200 / 2 + 0);  // circle of 2 mm at the origin

    // Objects: 9 entries, the deleted one empty in memory, the course-only one marked.
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
    const ElementRecord& wide = Index.CurElement;
    EXPECT_EQ(wide.Flags & ElementUtf16Flag, 1);
    const char16_t* t = reinterpret_cast<const char16_t*>(wide.TextBytes());
    EXPECT_EQ(std::u16string(t), u"\u00c5land \u4e2d");

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

TEST_F(MapStoreTest, OlderVersionsReadEntryLengthsInBytes)
{
    for (int version : {6, 7}) {
        SCOPED_TRACE(version);
        TestMapWriter w = TestMapWriter::Sample(version);
        w.stringsInOldVersions = true;  // a stray string index must be ignored
        w.strings.push_back(TestPString::Make(2, 0, "never read"));
        Open(w);
        EXPECT_EQ(Z().HighestObject, 7);
        EXPECT_EQ(Z().Header.StringIndexPos, 0);
        EXPECT_EQ(Z().Courses.Count(), 0);
        // The area has 7 Cords: 32 + 56 bytes in the file, 7 slots in memory.
        EXPECT_EQ(Z().Entry(3).Length, 7);
        ASSERT_TRUE(ReadElement(3, Index.CurElement));
        EXPECT_EQ(Index.CurElement.nItem, 7);
        EXPECT_EQ(Index.CurElement.Slots[4].y & HoleFlag, HoleFlag);
        Close();
    }
}

TEST_F(MapStoreTest, Version7EntryLengthsBelowFortyBytesAreEmpty)
{
    TestMapWriter w(7);
    w.symbols.push_back(TestSymbol::Point(10));
    w.objects.push_back(TestObject::Point(10, 0, 0));
    w.objects.push_back(TestObject::Point(10, 0, 0));
    w.objects[0].entryLength = 31;
    w.objects[1].entryLength = 40;
    Open(w);
    EXPECT_EQ(Z().Entry(1).Length, 0);
    EXPECT_EQ(Z().Entry(1).Symbol, 0);
    EXPECT_EQ(Z().Entry(2).Length, 1);
}

TEST_F(MapStoreTest, NotAMapIsRefusedWithFormatMessage)
{
    for (uint16_t version : {2, 9}) {
        TestMapWriter w(8);
        w.headerVersion = version;
        ASSERT_TRUE(WriteFileBytes(path, w.Build()));
        messages.Clear();
        EXPECT_THROW(OpenFile(), EAbort);
        EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
    }
    TestMapWriter w(8);
    w.mark = 0x5E72;
    ASSERT_TRUE(WriteFileBytes(path, w.Build()));
    messages.Clear();
    EXPECT_THROW(OpenFile(), EAbort);
    EXPECT_EQ(messages.CountOf(TextKey::FormatNotCorr), 1);
}

TEST_F(MapStoreTest, AppendedObjectLandsAtLiteralOffsets)
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

TEST_F(MapStoreTest, TextSlotsFollowTheTextLength)
{
    Open(TestMapWriter::Sample(8));
    struct Case {
        size_t chars;
        bool wide;
        int slots;
    };
    for (Case c : {Case{0, false, 8}, Case{63, false, 8}, Case{64, false, 16},
                   Case{31, true, 8}, Case{32, true, 16}, Case{20000, false, 2048},
                   Case{9000, true, 2048}}) {
        SCOPED_TRACE(testing::Message() << c.chars << (c.wide ? " wide" : ""));
        ElementRecord& e = Index.CurElement;
        e = ElementRecord{};
        e.Symbol = 40;
        e.ObjectType = TextObject;
        e.nItem = 1;
        if (c.wide) {
            e.Flags = ElementUtf16Flag;
            char16_t* t = reinterpret_cast<char16_t*>(e.TextBytes());
            for (size_t i = 0; i < c.chars; ++i)
                t[i] = u'\u00e9';
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

TEST_F(MapStoreTest, SetupAndHeaderAreWrittenAtTheirOffsets)
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

TEST_F(MapStoreTest, InformationTextGrowsOnlyWhenItMustMove)
{
    Open(TestMapWriter::Sample(8));
    const int32_t pos = Z().Header.InfoPos;
    WriteInfoText(QByteArray(255, 'x'));
    auto b = FileBytes();
    EXPECT_EQ(GetI32(b, hdr::InfoPos), pos);
    EXPECT_EQ(GetI32(b, hdr::InfoSize), 256);
    EXPECT_EQ(b[size_t(pos) + 255], 0);
    const size_t end = b.size();
    WriteInfoText(QByteArray(256, 'y'));
    b = FileBytes();
    EXPECT_EQ(size_t(GetI32(b, hdr::InfoPos)), end);
    EXPECT_EQ(GetI32(b, hdr::InfoSize), 512);
    Reopen();
    EXPECT_EQ(ReadInfoText(), QByteArray(256, 'y'));
}

TEST_F(MapStoreTest, ColourBlockIsWrittenFieldByField)
{
    Open(TestMapWriter::Sample(8));
    Z().ColorBlock.ColorCount = 5;
    Z().ColorBlock.Colors[4].Number = 9;
    Z().ColorBlock.Colors[4].Overprint = -1;
    Z().ColorBlock.Colors[4].Cmyk = {1, 2, 3, 4};
    SetShortFieldText(Z().ColorBlock.Colors[4].Name, "Purple");
    Z().ColorBlock.Colors[4].Separations[31] = 77;
    SetShortFieldText(Z().ColorBlock.Separations[1].Name, "Grey");
    Z().ColorBlock.Separations[1].Screen2 = 450;
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
    TestMapLayout l;
    const auto original = TestMapWriter::Sample(8).Build(&l);
    EXPECT_TRUE(std::equal(original.begin() + 48 + 4, original.begin() + long(c4), b.begin() + 48 + 4));
}
