// Big files are read from a mapping: every read gives the bytes pread gives, writes made after
// the mapping show, a file cut short by another program fails its reads instead of ending the
// program, and a deferred file reads its own copy once it has one.
#include "core/FileClass.h"

#include "CoreFixture.h"
#include "../support/FileState.h"
#include "core/Errors.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <random>

namespace zemo {
namespace {

using FileMapping = test::CoreTest;

constexpr int64_t MiB = 1 << 20;

QByteArray RandomBytes(int64_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray b(qsizetype(size), Qt::Uninitialized);
    for (auto& c : b)
        c = char(gen());
    return b;
}

// What the kernel reads at pos, through a handle of its own.
QByteArray PreadBytes(const QString& path, int64_t pos, int64_t count)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    EXPECT_GE(fd, 0);
    QByteArray b(qsizetype(count), '\0');
    const ssize_t got = ::pread(fd, b.data(), size_t(count), off_t(pos));
    ::close(fd);
    b.resize(got < 0 ? 0 : qsizetype(got));
    return b;
}

void PwriteBytes(const QString& path, int64_t pos, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.constData(), size_t(bytes.size()), off_t(pos)), bytes.size());
    ::close(fd);
}

// Another program cuts the file short, whatever this process holds.
void CutByAnotherProgram(const QString& path, int64_t size)
{
    QProcess p;
    p.start(QStringLiteral("truncate"), {QStringLiteral("-s"), QString::number(size), path});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    ASSERT_EQ(QFileInfo(path).size(), size);
}

QByteArray ReadThrough(TFileClass& f, int64_t pos, int64_t count)
{
    QByteArray b(qsizetype(count), '\0');
    f.Seek(pos);
    b.resize(qsizetype(f.ReadBlock(b.data(), count)));
    return b;
}

TEST_F(FileMapping, MappedReadsGiveWhatPreadGivesAtEveryPlace)
{
    const int64_t size = 3 * MiB + 123;
    const QString p = Path("big.bin");
    WriteBytes(p, RandomBytes(size, 7));
    TFileClass f;
    f.OpenRead(p);
    ASSERT_TRUE(f.ReadsMapped());
    // Page edges, the last bytes, a read running past the end (short), one at the end (none).
    const std::pair<int64_t, int64_t> reads[] = {
        {0, 48},        {4095, 2},          {4096, 4096},      {MiB - 7, 300},     {123457, 65536},
        {size - 1, 1},  {size - 100, 100},  {size - 50, 4096}, {size, 16},         {0, size},
        {2 * MiB, 1},   {size - 4096, 4096}};
    for (const auto& [pos, count] : reads)
        EXPECT_EQ(ReadThrough(f, pos, count), PreadBytes(p, pos, count)) << pos << " " << count;
    // Exact reads and lines across the mapping.
    char four[4];
    f.Seek(size - 4);
    ASSERT_TRUE(f.Read(four, 4));
    EXPECT_EQ(QByteArray(four, 4), PreadBytes(p, size - 4, 4));
    EXPECT_EQ(f.Position(), size);
    EXPECT_THROW(f.Read(four, 1), EAbort);

    // A small file is read by pread, to the same bytes.
    const QString small = Path("small.bin");
    WriteBytes(small, RandomBytes(TFileClass::MinMappedSize - 1, 8));
    TFileClass s;
    s.OpenRead(small);
    EXPECT_FALSE(s.ReadsMapped());
    EXPECT_EQ(ReadThrough(s, 1000, 5000), PreadBytes(small, 1000, 5000));
}

TEST_F(FileMapping, WritesAfterTheMappingAreReadBackAsWrittenAlsoWhereTheFileGrew)
{
    const QString p = Path("work.bin");
    const QByteArray original = RandomBytes(2 * MiB, 9);
    WriteBytes(p, original);
    TFileClass f;
    f.Open(p);
    ASSERT_TRUE(f.ReadsMapped());
    EXPECT_EQ(ReadThrough(f, 5000, 100), original.mid(5000, 100));

    // Through the file object, and by another handle on the same file.
    f.Seek(5010);
    ASSERT_TRUE(f.Write("changed", 7));
    PwriteBytes(p, 70000, "elsewhere");
    QByteArray want = original.mid(5000, 100);
    want.replace(10, 7, "changed");
    EXPECT_EQ(ReadThrough(f, 5000, 100), want);
    EXPECT_EQ(ReadThrough(f, 70000, 9), "elsewhere");

    // Appended at the end, then far beyond the room the mapping kept for growth.
    const QByteArray tail = RandomBytes(300000, 10), far = RandomBytes(5000, 11);
    f.Seek(f.Size());
    ASSERT_TRUE(f.Write(tail.constData(), tail.size()));
    const int64_t farAt = 2 * MiB + 64 * MiB + 77;
    f.Seek(farAt);
    ASSERT_TRUE(f.Write(far.constData(), far.size()));
    EXPECT_EQ(f.Size(), farAt + far.size());
    EXPECT_EQ(ReadThrough(f, 2 * MiB - 10, 310), original.right(10) + tail.left(300));
    EXPECT_EQ(ReadThrough(f, farAt - 3, 5003), QByteArray(3, '\0') + far);
    EXPECT_EQ(ReadThrough(f, 2 * MiB + 299990, 20), tail.right(10) + QByteArray(10, '\0'));

    // Cut short by the file object itself, then grown again: the old bytes do not come back.
    f.Truncate(MiB);
    EXPECT_EQ(ReadThrough(f, MiB - 5, 100), original.mid(int(MiB - 5), 5));
    f.Seek(MiB + 100);
    ASSERT_TRUE(f.Write("x", 1));
    EXPECT_EQ(ReadThrough(f, MiB - 1, 103), original.mid(int(MiB - 1), 1) + QByteArray(100, '\0') + "x");
    f.Close();
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileMapping, PagesLetGoAfterReadsAreReadAgainExactlyWithTheWritesMadeSince)
{
    // A file read whole, and a work file read and written in part.
    const int64_t size = 8 * MiB + 123;
    const QString p = Path("read.bin"), w = Path("written.bin");
    const QByteArray bytes = RandomBytes(size, 12), workBytes = RandomBytes(4 * MiB, 13);
    WriteBytes(p, bytes);
    WriteBytes(w, workBytes);
    TFileClass f, work;
    f.OpenRead(p);
    work.Open(w);
    ASSERT_TRUE(f.ReadsMapped() && work.ReadsMapped());
    for (int64_t at = 0; at < size; at += 65536)
        ASSERT_EQ(ReadThrough(f, at, 65536), bytes.mid(at, 65536));
    EXPECT_GT(test::MappedResidentBytes(p), size / 2);
    EXPECT_EQ(ReadThrough(work, 3 * MiB, 1000), workBytes.mid(3 * MiB, 1000));
    const int64_t workResident = test::MappedResidentBytes(w);
    EXPECT_GT(workResident, 0);

    // One file's pages go, the other's stay.
    f.LetReadPagesGo();
    EXPECT_LE(test::MappedResidentBytes(p), 16 * 4096);
    EXPECT_EQ(test::MappedResidentBytes(w), workResident);

    // Written meanwhile, by the file object and by another handle; then every page goes.
    work.Seek(3 * MiB + 10);
    ASSERT_TRUE(work.Write("changed", 7));
    PwriteBytes(w, 100, "elsewhere");
    QByteArray want = workBytes.mid(3 * MiB, 1000);
    want.replace(10, 7, "changed");
    EXPECT_EQ(ReadThrough(work, 3 * MiB, 1000), want);
    TFileClass::LetAllReadPagesGo();
    EXPECT_LE(test::MappedResidentBytes(w), 16 * 4096);

    // Read again: the same bytes at page edges, across them and at the end.
    const std::pair<int64_t, int64_t> reads[] = {{0, 48}, {4095, 2}, {MiB - 7, 300}, {5 * MiB, 65536},
                                                 {size - 1, 1}, {size - 50, 4096}};
    for (const auto& [pos, count] : reads)
        EXPECT_EQ(ReadThrough(f, pos, count), PreadBytes(p, pos, count)) << pos << " " << count;
    EXPECT_EQ(ReadThrough(work, 3 * MiB, 1000), want);
    EXPECT_EQ(ReadThrough(work, 95, 20), workBytes.mid(95, 5) + "elsewhere" + workBytes.mid(109, 6));
    EXPECT_GT(test::MappedResidentBytes(p), 0);

    // A file closed after its reads is no longer one whose pages can go.
    {
        const QString c = Path("closed.bin");
        WriteBytes(c, bytes.left(2 * MiB));
        TFileClass closed;
        closed.OpenRead(c);
        ASSERT_TRUE(closed.ReadsMapped());
        EXPECT_EQ(ReadThrough(closed, MiB, 16), bytes.mid(MiB, 16));
    }
    TFileClass::LetAllReadPagesGo();
    EXPECT_LE(test::MappedResidentBytes(p), 16 * 4096);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileMapping, AFileCutShortByAnotherProgramFailsItsReadsAndNothingElse)
{
    const QString p = Path("cut.bin");
    const QByteArray original = RandomBytes(4 * MiB, 12);
    WriteBytes(p, original);
    TFileClass f;
    f.OpenRead(p);
    ASSERT_TRUE(f.ReadsMapped());
    EXPECT_EQ(ReadThrough(f, 3 * MiB, 64), original.mid(3 * MiB, 64));  // the page is mapped now

    const int64_t cut = MiB + 1000;
    CutByAnotherProgram(p, cut);
    // The file object does not know: it still counts the old size, so the reads go to the
    // mapping and fault there.
    EXPECT_EQ(f.Size(), 4 * MiB);
    char buffer[256];
    EXPECT_FALSE(f.ReadAtOrSkip(buffer, 64, 3 * MiB));
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 1);
    EXPECT_FALSE(f.ReadAtOrSkip(buffer, 256, cut - 100));  // runs past the cut
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 1);   // said once
    // What is left reads as before, up to the cut.
    ASSERT_TRUE(f.ReadAtOrSkip(buffer, 256, cut - 256));
    EXPECT_EQ(QByteArray(buffer, 256), original.mid(int(cut - 256), 256));
    EXPECT_EQ(ReadThrough(f, cut - 10, 100), original.mid(int(cut - 10), 10));
    f.Seek(2 * MiB);
    EXPECT_THROW(f.Read(buffer, 8), EAbort);
    EXPECT_EQ(messages.Count(), 1);

    // Cut inside a page that stays mapped: no fault there, the rest of the page reads as
    // zeros; the file object asks the system before it reads on.
    const QString q = Path("cut2.bin");
    WriteBytes(q, original);
    TFileClass g;
    g.OpenRead(q);
    ASSERT_TRUE(g.ReadsMapped());
    CutByAnotherProgram(q, cut);
    g.RecheckSize();
    EXPECT_EQ(ReadThrough(g, cut - 10, 100), original.mid(int(cut - 10), 10));
    EXPECT_FALSE(g.ReadAtOrSkip(buffer, 20, cut - 10));
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 2);
}

// Run only as the child of the test below, in a process of its own: its handler must be there
// before the file object's first mapping. Prints what each fault reached.
TEST(FileMappingHelper, FaultChild)
{
    const QByteArray folder = qgetenv("ZEMO_FILEMAP_HELPER");
    if (folder.isEmpty())
        GTEST_SKIP() << "helper process of FileMapping.AFaultOutsideAReadGoesOnToTheHandlerThatWasThere";
    static sigjmp_buf back;
    static volatile sig_atomic_t reached = 0;
    struct sigaction own {};
    own.sa_handler = [](int) {
        reached = reached + 1;
        siglongjmp(back, 1);
    };
    sigemptyset(&own.sa_mask);
    ASSERT_EQ(::sigaction(SIGBUS, &own, nullptr), 0);

    // A mapped read puts the file object's guard over this handler.
    const QString p = QString::fromLocal8Bit(folder) + "/mapped.bin", q = QString::fromLocal8Bit(folder) + "/other.bin";
    test::CoreTest::WriteBytes(p, RandomBytes(2 * MiB, 13));
    test::CoreTest::WriteBytes(q, RandomBytes(2 * MiB, 14));
    TFileClass f;
    f.OpenRead(p);
    ASSERT_TRUE(f.ReadsMapped());
    ASSERT_EQ(ReadThrough(f, 100, 10), PreadBytes(p, 100, 10));

    // A fault of a mapping of this process's own is not the file object's to catch.
    const int fd = ::open(QFile::encodeName(q).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    void* m = ::mmap(nullptr, 2 * MiB, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    ASSERT_NE(m, MAP_FAILED);
    ASSERT_EQ(::truncate(QFile::encodeName(q).constData(), 4096), 0);
    volatile char seen = 1;
    if (sigsetjmp(back, 1) == 0)
        seen = static_cast<volatile const char*>(m)[MiB];
    ::munmap(m, 2 * MiB);
    const int ownFaults = reached;
    // The file object's own faults stay its own.
    ASSERT_EQ(::truncate(QFile::encodeName(p).constData(), 4096), 0);
    char buffer[16];
    const bool read = f.ReadAtOrSkip(buffer, 16, MiB);
    std::printf("\nRESULT own=%d seen=%d after=%d read=%d\n", ownFaults, int(seen), int(reached), int(read));
    std::fflush(stdout);
}

TEST_F(FileMapping, AFaultOutsideAReadGoesOnToTheHandlerThatWasThere)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEMO_FILEMAP_HELPER", dir.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=FileMappingHelper.FaultChild"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("RESULT own=1 seen=1 after=1 read=0")) << out.toStdString();
}

TEST_F(FileMapping, ADeferredFileReadsItsSourceWithHeldWritesThenOnlyItsOwnCopy)
{
    const QString source = Path("map.zmd"), copyName = Path("copy.~md");
    const QByteArray original = RandomBytes(3 * MiB, 15);
    WriteBytes(source, original);
    TFileClass f;
    ASSERT_TRUE(f.OpenDeferred(source, 48, [&](TFileClass& c) { c.Rewrite(copyName); }));
    ASSERT_TRUE(f.ReadsMapped());
    EXPECT_EQ(ReadThrough(f, MiB, 1000), original.mid(MiB, 1000));
    {
        HeldWrites held(f);
        f.Seek(MiB + 10);
        ASSERT_TRUE(f.Write("held", 4));
    }
    QByteArray want = original.mid(MiB, 1000);
    want.replace(10, 4, "held");
    EXPECT_EQ(ReadThrough(f, MiB, 1000), want);
    EXPECT_EQ(PreadBytes(source, MiB + 10, 4), original.mid(MiB + 10, 4));
    // Reads that end where the held bytes begin, begin where they end, or take one of them.
    EXPECT_EQ(ReadThrough(f, MiB + 5, 5), original.mid(MiB + 5, 5));
    EXPECT_EQ(ReadThrough(f, MiB + 14, 5), original.mid(MiB + 14, 5));
    EXPECT_EQ(ReadThrough(f, MiB + 13, 2), "d" + original.mid(MiB + 14, 1));
    EXPECT_EQ(ReadThrough(f, MiB + 9, 2), original.mid(MiB + 9, 1) + "h");

    // The first write that is not held makes the copy: from then on reads come from it alone.
    f.Seek(2 * MiB);
    ASSERT_TRUE(f.Write("copied", 6));
    ASSERT_FALSE(f.Deferred());
    EXPECT_EQ(f.FileName(), QDir::cleanPath(copyName));
    EXPECT_TRUE(f.ReadsMapped());
    PwriteBytes(source, MiB, "the source changed later");
    EXPECT_EQ(ReadThrough(f, MiB, 1000), want);
    EXPECT_EQ(ReadThrough(f, 2 * MiB - 2, 10), original.mid(2 * MiB - 2, 2) + "copied" + original.mid(2 * MiB + 6, 2));
    PwriteBytes(copyName, 3 * MiB - 5, "end!!");
    EXPECT_EQ(ReadThrough(f, 3 * MiB - 8, 100), original.mid(3 * MiB - 8, 3) + "end!!");
    f.Close();
    EXPECT_EQ(PreadBytes(copyName, MiB + 10, 4), "held");
    EXPECT_EQ(messages.Count(), 0);
}

// Held writes read back as if written in their order, whether a record is written again at its
// place and size (which replaces it), overlaps others or is compacted among thousands: the
// reads and the copy made at the first write that is not held both give the bytes the writes
// give in turn.
TEST_F(FileMapping, HeldWritesReadBackInTheOrderWrittenThroughReplacementsAndOverlaps)
{
    const QString source = Path("map.zmd"), copyName = Path("copy.~md");
    const QByteArray original = RandomBytes(64 * 1024, 16);
    WriteBytes(source, original);
    TFileClass f;
    ASSERT_TRUE(f.OpenDeferred(source, 48, [&](TFileClass& c) { c.Rewrite(copyName); }));
    QByteArray want = original;
    std::mt19937 gen(17);
    {
        HeldWrites held(f);
        for (int i = 0; i < 5000; ++i) {
            // Records of three sizes at a few places, so that many are written again and many
            // overlap a record of another size.
            const int64_t at = 1000 + 8 * int64_t(gen() % 40), size = 8 << (gen() % 3);
            const QByteArray bytes = RandomBytes(size, unsigned(i));
            f.Seek(at);
            ASSERT_TRUE(f.Write(bytes.constData(), size));
            want.replace(qsizetype(at), qsizetype(size), bytes);
        }
    }
    EXPECT_EQ(ReadThrough(f, 0, want.size()), want);
    f.Seek(60000);
    ASSERT_TRUE(f.Write("own", 3));
    ASSERT_FALSE(f.Deferred());
    want.replace(60000, 3, "own");
    f.Close();
    EXPECT_EQ(PreadBytes(copyName, 0, want.size()), want);
}

} // namespace
} // namespace zemo
