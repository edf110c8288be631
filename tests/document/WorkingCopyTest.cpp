// A map is read where it is until its first change; that change makes the working copy.
#include "DocumentFixture.h"

#include "../support/MapFileObjects.h"

#include "core/ByteIO.h"
#include "core/Errors.h"
#include "core/LangTexts.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemo::test {

namespace {

constexpr time_t OldTime = 1000000000;

// The map file's modification time is set far back, so that any write shows.
QString WriteDated(const QString& path)
{
    const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    return path;
}

// Every object the store reads is the one the file holds at its literal offsets.
::testing::AssertionResult ReadsAsIn(const std::vector<uint8_t>& file)
{
    for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
        const auto o = ObjectInFile(file, n);
        if (!o)
            continue;
        ElementRecord& e = Index.CurElement;
        if (!ReadElement(n, e) || e.Symbol != o->symbol || e.nItem != o->nItem || e.nText != o->nText)
            return ::testing::AssertionFailure() << "object " << n;
        for (size_t i = 0; i < o->cords.size(); ++i)
            if (e.Slots[i].x != o->cords[i].x || e.Slots[i].y != o->cords[i].y)
                return ::testing::AssertionFailure() << "object " << n << " point " << i;
    }
    return ::testing::AssertionSuccess();
}

SetupRecord StoredSetup()
{
    std::vector<uint8_t> bytes(SetupRecordBytes);
    Index.ActiveZmd->ReadBytesAt(Index.ActiveZmd->Header.SetupPos, bytes);
    return ReadSetupBytes(bytes);
}

} // namespace

TEST_F(DocTest, AMapOnlyLookedAtGetsNoWorkingCopyAndItsFileKeepsItsBytesAndTime)
{
    const QString path = WriteDated(Write(TestMapWriter::Sample(8), "viewed.zmd"));
    const auto original = ReadAll(path);
    ASSERT_TRUE(OpenMapByName(path));
    EXPECT_GT(CountObjects(), 0);
    EXPECT_TRUE(ReadsAsIn(original));
    // A zoom stores its view: kept in memory, read back from there.
    Z().Setup.Zoom = 8;
    ASSERT_TRUE(WriteViewSetup());
    EXPECT_EQ(StoredSetup().Zoom, 8);
    EXPECT_TRUE(Z().WorkFile.FileName().isEmpty());
    EXPECT_TRUE(WorkingCopies().isEmpty());
    CloseMapFile(path);
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(ModifiedAt(path), OldTime);
}

TEST_F(DocTest, TheFirstChangeMakesTheCopyWithWhatWasHeldAndTheMapFileWaitsForTheSave)
{
    const QString path = WriteDated(Write(TestMapWriter::Sample(8), "edited.zmd"));
    const auto original = ReadAll(path);
    ASSERT_TRUE(OpenMapByName(path));
    const int highest = Z().HighestObject;
    Z().Setup.Zoom = 8;
    ASSERT_TRUE(WriteViewSetup());
    AppendPoint(10, 700, -900);
    ASSERT_EQ(WorkingCopies().size(), 1);
    EXPECT_EQ(StateFolder() + WorkingCopies()[0], Z().WorkFile.FileName());
    // The copy holds the map as read, the open's header and setup and the held view.
    const auto copy = ReadAll(Z().WorkFile.FileName());
    ASSERT_GT(copy.size(), original.size());
    EXPECT_EQ(GetU16(copy, hdr::Mark), MapFileMark);
    EXPECT_EQ(GetI16(copy, hdr::Version), 8);
    EXPECT_EQ(GetU16(copy, hdr::FileType), 2);
    const size_t setupAt = size_t(GetI32(copy, hdr::SetupPos));
    EXPECT_EQ(GetF64(copy, setupAt + setup::Zoom), 8.0);
    const std::string shown = path.toStdString();
    EXPECT_EQ(std::string(copy.begin() + long(setupAt + setup::MapPath) + 1,
                          copy.begin() + long(setupAt + setup::MapPath) + 1 + copy[setupAt + setup::MapPath]),
              shown);
    for (int n = 1; n <= highest; ++n) {
        const auto was = ObjectInFile(original, n), now = ObjectInFile(copy, n);
        ASSERT_EQ(was.has_value(), now.has_value()) << n;
        if (was) {
            EXPECT_TRUE(was->symbol == now->symbol && was->cords == now->cords) << n;
        }
    }
    const auto added = ObjectInFile(copy, highest + 1);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->cords, std::vector<Cord>({{700, -900}}));
    EXPECT_TRUE(ReadsAsIn(copy));
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(ModifiedAt(path), OldTime);

    ASSERT_TRUE(SaveMap(false));
    EXPECT_EQ(ReadAll(path), copy);
    CloseMapFile(path);
    EXPECT_TRUE(WorkingCopies().isEmpty());
}

TEST_F(DocTest, AMapWrittenInPlaceByAnotherProgramBeforeTheFirstChangeIsNotCopied)
{
    const QString path = WriteDated(Write(TestMapWriter::Sample(8), "changed.zmd"));
    ASSERT_TRUE(OpenMapByName(path));
    {
        QFile other(path);
        ASSERT_TRUE(other.open(QIODevice::ReadWrite));
        other.seek(other.size() - 1);
        other.write("\x5A", 1);
    }
    MakePoint(10, 0, 0);
    bool appended = true;
    try {
        appended = AppendElement();
    } catch (const EAbort&) {
        appended = false;
    }
    EXPECT_FALSE(appended);
    EXPECT_EQ(messages.Last().key, TextKey::CannotRead);
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ReadAll(path).back(), 0x5A);
}

} // namespace zemo::test
