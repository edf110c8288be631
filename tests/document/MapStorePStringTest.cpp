// The parameter-string store: reserved lengths, rewriting, growth, deletion and long strings.
#include "MapStoreFixture.h"

#include "core/LangTexts.h"

using namespace zemo;
using namespace zemo::test;

namespace {

TestMapWriter StringsMap(int count)
{
    TestMapWriter w(8);
    for (int i = 0; i < count; ++i)
        w.strings.push_back(TestPString::Make(2, 0, "c" + std::to_string(i)));
    return w;
}

} // namespace

TEST_F(MapStoreTest, ReservedLengthHasRoomForTheTerminator)
{
    Open(TestMapWriter(8));
    const size_t end = FileBytes().size();
    const int a = AddPString(QString(63, 'a'), 8, 0);
    const int b = AddPString(QString(64, 'b'), 2, 5);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    const auto f = FileBytes();
    // First string block at the old end, linked from header offset 32.
    EXPECT_EQ(size_t(GetI32(f, hdr::StringIndex)), end);
    const size_t e0 = end + 4, e1 = end + 4 + 16;
    EXPECT_EQ(size_t(GetI32(f, e0)), end + 4100);
    EXPECT_EQ(GetI32(f, e0 + 4), 64);
    EXPECT_EQ(GetI32(f, e0 + 8), 8);
    EXPECT_EQ(GetI32(f, e0 + 12), 0);
    EXPECT_EQ(size_t(GetI32(f, e1)), end + 4100 + 64);
    EXPECT_EQ(GetI32(f, e1 + 4), 128);
    EXPECT_EQ(GetI32(f, e1 + 8), 2);
    EXPECT_EQ(GetI32(f, e1 + 12), 5);
    EXPECT_EQ(f[end + 4100 + 62], 'a');
    EXPECT_EQ(f[end + 4100 + 63], 0);
    EXPECT_EQ(f.size(), end + 4100 + 64 + 128);
}

TEST_F(MapStoreTest, RewriteKeepsPlaceUntilTheTextNoLongerFits)
{
    Open(StringsMap(2));
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
    Reopen();
    EXPECT_EQ(ReadPString(0), QString(64, 'y'));
    EXPECT_EQ(Z().Courses.Strings(0), QString(64, 'y'));
}

TEST_F(MapStoreTest, The257thStringMakesTheSecondStringBlock)
{
    Open(StringsMap(256));
    const int32_t first = layout.stringBlocks[0];
    const size_t end = FileBytes().size();
    EXPECT_EQ(AddPString(QStringLiteral("next"), 2, 0), 256);
    const auto f = FileBytes();
    EXPECT_EQ(GetI32(f, hdr::StringIndex), first);
    EXPECT_EQ(size_t(GetI32(f, size_t(first))), end);
    EXPECT_EQ(size_t(GetI32(f, end + 4)), end + 4100);
    Reopen();
    ASSERT_EQ(Z().Courses.Count(), 257);
    EXPECT_EQ(Z().Courses.GetNumber(256), 256);
    EXPECT_EQ(Z().Courses.Strings(256), QStringLiteral("next"));
}

TEST_F(MapStoreTest, TypedStringsAreRewrittenOrAddedOnlyWithText)
{
    Open(TestMapWriter::Sample(8));
    const auto before = FileBytes();
    EXPECT_TRUE(SaveTypedPString(QString(), 1026));
    EXPECT_EQ(FileBytes(), before);
    EXPECT_TRUE(SaveTypedPString(QStringLiteral("\tv0"), 1030));
    EXPECT_EQ(FileBytes().size(), before.size());  // rewritten in place
    EXPECT_TRUE(SaveTypedPString(QStringLiteral("\tp1"), 1026));
    Reopen();
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(1030))], QStringLiteral("\tv0"));
    EXPECT_EQ(Z().MapSettings[size_t(MapSettingsSlot(1026))], QStringLiteral("\tp1"));
}

TEST_F(MapStoreTest, ADeletedSlotIsNotReusedUntilReopened)
{
    Open(StringsMap(1));
    ASSERT_TRUE(DeletePString(0));
    EXPECT_EQ(Z().StringBlocks[0].Entries[0].Type, -2);
    EXPECT_EQ(GetI32(FileBytes(), layout.StringEntryPos(0) + 8), 0);
    EXPECT_EQ(AddPString(QStringLiteral("c9"), 2, 0), 1);
    Reopen();
    EXPECT_EQ(Z().Courses.Count(), 1);
    // Now free with the same length: reused in place.
    EXPECT_EQ(AddPString(QStringLiteral("zz"), 3, 0), 0);
    EXPECT_EQ(Z().StringBlocks[0].Entries[0].Pos, layout.stringRecords[0]);
    ASSERT_TRUE(ClearPString(0));
    EXPECT_EQ(Z().StringBlocks[0].Entries[0].Type, 0);
}

TEST_F(MapStoreTest, LongStringsReadBack)
{
    Open(TestMapWriter(8));
    const QString course = QStringLiteral("Long\t") + QString(5000, 'c');
    const int n = AddPString(course, 2, 0);
    const QString huge(MaxPStringBytes + 10, 'h');
    AddPString(huge, 2, 0);
    Reopen();
    ASSERT_EQ(Z().Courses.Count(), 1);  // the one beyond the bound stays in the file only
    EXPECT_EQ(Z().Courses.GetNumber(0), n);
    EXPECT_EQ(Z().Courses.Strings(0), course);
}

TEST_F(MapStoreTest, BadStringNumbersAreInternalErrors)
{
    Open(StringsMap(1));
    const auto before = FileBytes();
    EXPECT_FALSE(SavePString(256, QStringLiteral("x")));
    EXPECT_FALSE(DeletePString(-1));
    EXPECT_FALSE(ClearPString(999));
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 3);
    EXPECT_EQ(messages.Last().helpContext, 3);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(MapStoreTest, FindPStringChecksTheGivenPositionFirst)
{
    TestMapWriter w(8);
    w.fileType = 3;
    w.strings.push_back(TestPString::Make(1, 4, "A"));
    w.strings.push_back(TestPString::Make(1, 7, "B"));
    Open(w);
    int pos = 1;
    EXPECT_TRUE(FindPString(7, 1, Z().CsObjects, pos));
    EXPECT_EQ(pos, 1);
    pos = 1;
    EXPECT_TRUE(FindPString(4, 1, Z().CsObjects, pos));
    EXPECT_EQ(pos, 0);
    EXPECT_FALSE(FindPString(5, 1, Z().CsObjects, pos));
    EXPECT_EQ(pos, -1);
}

TEST_F(MapStoreTest, LoaderSortsStringsIntoTheirLists)
{
    TestMapWriter w(8);
    w.strings.push_back(TestPString::Make(3, 0, "Map.ZMD"));
    w.strings.push_back(TestPString::Make(3, 0, "H21\tc1"));
    w.strings.push_back(TestPString::Make(4, 0, "dataset"));
    w.strings.push_back(TestPString::Make(5, 3, "link"));
    w.strings.push_back(TestPString::Make(7, 3, "A"));
    w.strings.push_back(TestPString::Make(8, 0, "t.tif"));
    Open(w);
    EXPECT_EQ(Z().InternetMaps.Count(), 1);
    EXPECT_EQ(Z().Classes.Count(), 1);
    EXPECT_EQ(Z().Datasets.Count(), 1);
    EXPECT_TRUE(Z().DatasetsPresent);
    EXPECT_EQ(Z().ObjectLinks.Count(), 1);
    EXPECT_EQ(Z().CsObjectLinks.Count(), 0);  // only in course-setting maps
    EXPECT_EQ(Z().Templates.Count(), 1);
}
