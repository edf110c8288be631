// The undo file: anonymous, stale files of earlier runs removed, and what is read back from it
// bounded by the file and the buffers, a damaged list or copy refused whole.
#include "UndoFixture.h"

#include "core/ByteIO.h"
#include "core/Folders.h"
#include "core/LangTexts.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t mm = 25600;

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

void PatchI32(int64_t pos, int32_t v)
{
    uint8_t b[4];
    StoreLE(b, v);
    ASSERT_EQ(::pwrite(UndoUnit.FileHandle, b, 4, off_t(pos)), 4);
}

void PatchU16(int64_t pos, uint16_t v)
{
    uint8_t b[2];
    StoreLE(b, v);
    ASSERT_EQ(::pwrite(UndoUnit.FileHandle, b, 2, off_t(pos)), 2);
}

} // namespace

TEST_F(UndoTest, TheUndoFileLeavesNothingInTheStateFolder)
{
    OpenNormalized(TestMapWriter::Sample(8));
    EXPECT_TRUE(StateFiles().isEmpty());
    Select({1, 2});
    BeginElementEdit(-1);
    EXPECT_GT(UndoFileBytes(), 0);  // the copies are there, under no name
    EXPECT_TRUE(StateFiles().isEmpty());
    CloseUndoFile();
    EXPECT_TRUE(StateFiles().isEmpty());
}

TEST_F(UndoTest, StaleUndoFilesGoOnlyWhenThisIsTheOnlyInstance)
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
    EXPECT_EQ(StateFiles(), (QStringList{"notes.txt", "temp0000.~md"}));
}

TEST_F(UndoTest, AListThatCannotBeWrittenClearsTheRing)
{
    OpenNormalized(TestMapWriter::Sample(8));
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

// A kind-6 step over objects 1, 2 and 3 of the course sample, the objects then changed and
// deleted; `damage` spoils the undo file; undo must leave the map as it is.
class UndoDamageTest : public UndoTest {
protected:
    void RunDamaged(const std::function<void(int64_t copies, int64_t size)>& damage)
    {
        OpenNormalized(CourseSample());
        ClearUndo();
        ASSERT_TRUE(CreateUndoFile(false));
        Select({1, 2, 3});
        BeginElementEdit(-1);
        const int64_t copies = ring.Steps[size_t(ring.Current)].FilePos;
        ASSERT_EQ(copies, 0);
        {
            UndoSuspend quiet;
            ASSERT_TRUE(ReadElement(2, Index.CurElement));
            Index.CurElement.Slots[0] = {77 * mm, 77 * mm};
            ASSERT_TRUE(SaveElement(2));
            DeleteElement(1);
            DeleteElement(3);
        }
        const MapSnapshot after = Snap();
        const int64_t size = UndoFileBytes();
        damage(copies, size);
        messages.Clear();
        ASSERT_TRUE(CanUndo());
        UndoEdit();
        EXPECT_EQ(Snap(), after);
        EXPECT_EQ(messages.CountOf(TextKey::InternalError), 1);
        EXPECT_EQ(Index.SelectionCount, 0);
    }
};

// The first copy: number at +0, index entry at +4 (length +24, symbol +26), record head at +28
// (nItem +32, nText +34).
TEST_F(UndoDamageTest, ATruncatedCopyIsRefusedWhole)
{
    RunDamaged([](int64_t, int64_t size) { ASSERT_EQ(::ftruncate(UndoUnit.FileHandle, off_t(size - 12)), 0); });
}

TEST_F(UndoDamageTest, AMissingTerminatorIsRefused)
{
    RunDamaged([](int64_t, int64_t size) { ASSERT_EQ(::ftruncate(UndoUnit.FileHandle, off_t(size - 4)), 0); });
}

TEST_F(UndoDamageTest, ALengthAboveTheElementBufferIsRefused)
{
    RunDamaged([](int64_t copies, int64_t) { PatchU16(copies + 24, 0xFFFF); });
}

TEST_F(UndoDamageTest, ALengthRunningPastTheFileIsRefused)
{
    RunDamaged([](int64_t copies, int64_t) { PatchU16(copies + 24, 30000); });
}

TEST_F(UndoDamageTest, CountsAboveTheStoredLengthAreRefused)
{
    RunDamaged([](int64_t copies, int64_t) { PatchU16(copies + 32, 200); });
}

TEST_F(UndoDamageTest, ANumberThatIsNoObjectIsRefused)
{
    RunDamaged([](int64_t copies, int64_t) { PatchI32(copies, 1 << 24); });
}

TEST_F(UndoTest, DamagedListsAreRefusedWhole)
{
    for (int variant = 0; variant < 3; ++variant) {
        OpenNormalized(CourseSample());
        ClearUndo();
        ASSERT_TRUE(CreateUndoFile(false));
        Select({1, 3});
        RecordUndo(UndoStart, -1);
        RecordUndo(UndoDeleteMany, -1);
        {
            UndoSuspend quiet;
            DeleteElement(1);
            DeleteElement(3);
        }
        const MapSnapshot after = Snap();
        const int64_t list = ring.Steps[size_t(ring.Current)].FilePos;
        ASSERT_EQ(UndoFileBytes(), list + 12);
        switch (variant) {
        case 0: PatchI32(list + 4, Z().HighestObject + 1); break;
        case 1: PatchI32(list, -5); break;
        case 2: ASSERT_EQ(::ftruncate(UndoUnit.FileHandle, off_t(list + 8)), 0); break;
        }
        messages.Clear();
        UndoEdit();
        EXPECT_EQ(Snap(), after) << "variant " << variant;
        EXPECT_EQ(messages.CountOf(TextKey::InternalError), 1) << "variant " << variant;
    }
}

TEST_F(UndoTest, ADamagedKeptCopyOfAChangeIsRefused)
{
    OpenNormalized(TestMapWriter::Sample(8));
    ASSERT_TRUE(ReadElement(2, Index.CurElement));
    BeginElementEdit(2);
    Index.CurElement.Slots[0] = {5 * mm, 5 * mm};
    ASSERT_TRUE(SaveElement(2));
    const MapSnapshot after = Snap();
    UndoStep& s = ring.Steps[size_t(ring.Current)];
    ASSERT_EQ(s.Kind, UndoChange);
    // nItem claims more Cords than the copy holds.
    StoreLE(s.Data.data() + 4, uint16_t(500));
    UndoEdit();
    EXPECT_EQ(Snap(), after);
    EXPECT_EQ(messages.CountOf(TextKey::InternalError), 1);
}
