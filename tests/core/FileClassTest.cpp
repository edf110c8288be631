#include "core/FileClass.h"
#include "core/Ports.h"

#include "core/Errors.h"
#include "core/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

using namespace zemo;

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

// Sets an old modification time so that any write shows.
void AgeFile(const QString& path)
{
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct timespec MTime(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim;
}

bool SameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

class FileObject : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    // Reads every line and the Position after each.
    std::vector<std::pair<QByteArray, int64_t>> AllLines(const QString& path)
    {
        std::vector<std::pair<QByteArray, int64_t>> out;
        TFileClass f;
        f.OpenRead(path);
        while (!f.Eof()) {
            QByteArray s;
            EXPECT_TRUE(f.ReadLn(s));
            out.emplace_back(s, f.Position());
            if (out.size() > 100000)
                break;
        }
        return out;
    }

    QTemporaryDir dir;
    RecordingMessages messages;
};

} // namespace

// ---- ReadLn ----

TEST_F(FileObject, ReadLnEndsLinesAtCrLfAndCrLf)
{
    const QString p = Path("lines.txt");
    WriteBytes(p, QByteArray("a\r\nb\rc\n\nd"));
    const auto lines = AllLines(p);
    ASSERT_EQ(lines.size(), 5u);
    const char* expect[] = {"a", "b", "c", "", "d"};
    const int64_t pos[] = {3, 5, 7, 8, 9};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[i].first, QByteArray(expect[i])) << i;
        EXPECT_EQ(lines[i].second, pos[i]) << i;
    }

    TFileClass f;
    f.OpenRead(p);
    QByteArray s;
    for (int i = 0; i < 5; ++i)
        f.ReadLn(s);
    EXPECT_TRUE(f.Eof());
    s = "junk";
    EXPECT_TRUE(f.ReadLn(s));
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(f.Position(), 9);

    TFileClass closed;
    s = "kept";
    EXPECT_FALSE(closed.ReadLn(s));
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, ReadLnJoinsCrLfAcrossReadAhead)
{
    // The CR is the last byte of the first 128-byte fill, its LF the first of the next.
    const QByteArray first(127, 'x');
    const QString p = Path("boundary.txt");
    WriteBytes(p, first + "\r\nsecond\r\n" + QByteArray(100, 'y') + "\r");
    const auto lines = AllLines(p);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].first, first);
    EXPECT_EQ(lines[0].second, 129);
    EXPECT_EQ(lines[1].first, "second");
    EXPECT_EQ(lines[1].second, 137);
    // A lone CR as the very last byte still ends the line, and no empty line follows.
    EXPECT_EQ(lines[2].first, QByteArray(100, 'y'));
    EXPECT_EQ(lines[2].second, 238);
}

TEST_F(FileObject, ReadLnPositionsMatchLineStartsForAnyLayout)
{
    // Lines of every length around the read-ahead size, so that breaks fall on every
    // offset within a fill, mixed CR LF, CR and LF.
    std::mt19937 rng(42);
    QByteArray data;
    std::vector<QByteArray> expect;
    std::vector<int64_t> starts;
    const char* breaks[] = {"\r\n", "\r\n", "\r", "\n"};
    for (int i = 0; i < 400; ++i) {
        const int len = int(rng() % 200);
        QByteArray line(len, char('a' + i % 26));
        data += line;
        data += breaks[rng() % 4];
        expect.push_back(line);
        starts.push_back(data.size());
    }
    data += "last";
    expect.push_back("last");
    starts.push_back(data.size());
    const QString p = Path("mixed.txt");
    WriteBytes(p, data);
    const auto lines = AllLines(p);
    ASSERT_EQ(lines.size(), expect.size());
    for (size_t i = 0; i < expect.size(); ++i) {
        ASSERT_EQ(lines[i].first, expect[i]) << "line " << i;
        ASSERT_EQ(lines[i].second, starts[i]) << "line " << i;
    }
}

TEST_F(FileObject, ReadLnCutsLongLinesAndSkipsTheirRest)
{
    QByteArray longLine;
    for (int i = 0; i < 300; ++i)
        longLine += char('0' + i % 10);
    const QString p = Path("long.txt");
    WriteBytes(p, longLine + "\r\nnext\nshort");
    const auto lines = AllLines(p);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].first, longLine.left(255));
    EXPECT_EQ(lines[0].second, 302);
    EXPECT_EQ(lines[1].first, "next");
    EXPECT_EQ(lines[1].second, 307);
    EXPECT_EQ(lines[2].first, "short");

    // A long last line without a break.
    WriteBytes(p, longLine);
    const auto tail = AllLines(p);
    ASSERT_EQ(tail.size(), 1u);
    EXPECT_EQ(tail[0].first, longLine.left(255));
    EXPECT_EQ(tail[0].second, 300);
}

TEST_F(FileObject, ReadAndWriteAfterReadLnActAtPosition)
{
    const QString p = Path("mixed-access.bin");
    WriteBytes(p, QByteArray("head\r\nABCDEFGH\r\ntail\r\n"));
    TFileClass f;
    f.Open(p);
    QByteArray s;
    f.ReadLn(s);
    ASSERT_EQ(s, "head");
    char buf[4] = {};
    ASSERT_TRUE(f.Read(buf, 3));
    EXPECT_EQ(QByteArray(buf, 3), "ABC");
    EXPECT_EQ(f.Position(), 9);
    // The read-ahead is gone: the next line starts where Read stopped.
    f.ReadLn(s);
    EXPECT_EQ(s, "DEFGH");
    ASSERT_TRUE(f.Write("TA", 2));
    EXPECT_EQ(f.Position(), 18);
    f.ReadLn(s);
    EXPECT_EQ(s, "il");
    f.Close();
    EXPECT_EQ(ReadBytes(p), QByteArray("head\r\nABCDEFGH\r\nTAil\r\n"));
}

// ---- Reads, writes and their failures ----

TEST_F(FileObject, ReadPastTheEndShowsCannotReadOnceAndAborts)
{
    const QString p = Path("short.bin");
    WriteBytes(p, "12345");
    TFileClass f;
    f.OpenRead(p);
    char buf[16];
    EXPECT_EQ(f.ReadBlock(buf, 16), 5);
    EXPECT_EQ(f.Position(), 5);
    EXPECT_EQ(f.ReadBlock(buf, 16), 0);
    EXPECT_EQ(messages.Count(), 0);

    f.Seek(2);
    EXPECT_THROW(f.Read(buf, 4), EAbort);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotRead);
    EXPECT_EQ(messages.Last().kind, MsgKind::Error);
    EXPECT_EQ(messages.Last().params, f.FileName());
    EXPECT_EQ(messages.Last().helpContext, 0);

    // Writing to a read-only handle is a write failure.
    f.Close();
    TFileClass g;
    g.OpenRead(p);
    EXPECT_THROW(g.Write("x", 1), EAbort);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    EXPECT_EQ(ReadBytes(p), "12345");
}

TEST_F(FileObject, ReadLnFailureShowsCannotReadAndAborts)
{
    // A FIFO opens without hanging, but cannot be read at a position.
    const QString fifo = Path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TFileClass f;
    f.OpenRead(fifo);
    QByteArray s;
    EXPECT_THROW(f.ReadLn(s), EAbort);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotRead);
    EXPECT_EQ(messages.Last().params, f.FileName());

    // A handle lost under the object.
    const QString p = Path("text.txt");
    WriteBytes(p, "line\r\n");
    TFileClass g;
    g.OpenRead(p);
    ASSERT_EQ(::close(g.Handle()), 0);
    EXPECT_THROW(g.ReadLn(s), EAbort);
    EXPECT_EQ(messages.CountOf(TextKey::CannotRead), 2);
    g.Close();
    EXPECT_EQ(messages.Count(), 2);
}

TEST_F(FileObject, ClosedObjectRefusesQuietly)
{
    TFileClass f;
    char buf[4];
    EXPECT_FALSE(f.Read(buf, 4));
    EXPECT_EQ(f.ReadBlock(buf, 4), 0);
    EXPECT_FALSE(f.Write(buf, 4));
    EXPECT_EQ(f.Size(), 0);
    EXPECT_FALSE(f.AppendFile(Path("none")));
    EXPECT_THROW(f.Seek(0), EAbort);
    EXPECT_FALSE(f.SaveCopy(Path("copy")));
    f.Flush();
    f.Close();
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_FALSE(QFile::exists(Path("copy")));
}

TEST_F(FileObject, OpenSeekAndSizeFailuresAbortSilently)
{
    TFileClass f;
    EXPECT_THROW(f.Open(Path("missing")), EAbort);
    EXPECT_THROW(f.OpenRead(Path("missing")), EAbort);
    EXPECT_THROW(f.Open(QString()), EAbort);
    EXPECT_THROW(f.OpenRead(dir.path()), EAbort); // a folder is no file
    EXPECT_THROW(f.Rewrite(Path("no/such/folder/x")), EAbort);
    EXPECT_FALSE(f.IsOpen());
    f.Rewrite(Path("x"));
    EXPECT_THROW(f.Seek(-1), EAbort);
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_FALSE(QFile::exists(Path("missing")));
}

TEST_F(FileObject, WritingToAFullDeviceShowsOneCannotWriteThenAborts)
{
    ASSERT_TRUE(QFile::exists("/dev/full"));
    TFileClass f;
    f.Open("/dev/full");
    EXPECT_THROW(f.WriteLn("a line that never lands"), EAbort);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotWrite);
    EXPECT_EQ(messages.Last().kind, MsgKind::Error);
    EXPECT_EQ(messages.Last().params, "/dev/full");
    // The caller's clean-up closes the file: no second message.
    f.Close();
    EXPECT_EQ(messages.Count(), 1);

    // The copy helpers report the same one message and return False.
    const QString src = Path("src.bin");
    WriteBytes(src, QByteArray(40000, 'q'));
    messages.Clear();
    EXPECT_FALSE(CopyWholeFile(src, "/dev/full"));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotWrite);
    EXPECT_EQ(messages.Last().params, "/dev/full");
    EXPECT_EQ(ReadBytes(src), QByteArray(40000, 'q'));
}

TEST_F(FileObject, FailedSyncAtCloseOrFlushIsReported)
{
    // The descriptor vanishes under the object, so its sync fails as on a dying disk.
    const QString p = Path("sync.bin");
    TFileClass f;
    f.Rewrite(p);
    f.Write("data", 4);
    ASSERT_EQ(::close(f.Handle()), 0);
    EXPECT_THROW(f.Close(), EAbort);
    EXPECT_FALSE(f.IsOpen());
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::CannotWrite);
    EXPECT_EQ(messages.Last().params, f.FileName());

    TFileClass g;
    g.Rewrite(p);
    g.Write("data", 4);
    ASSERT_EQ(::close(g.Handle()), 0);
    EXPECT_THROW(g.Flush(), EAbort);
    EXPECT_EQ(messages.Count(), 2);
    g.Close(); // already reported
    EXPECT_EQ(messages.Count(), 2);

    // A clean write, flush and close report nothing.
    TFileClass h;
    h.Rewrite(p);
    h.WriteLn("ok");
    h.Flush();
    h.Close();
    EXPECT_EQ(messages.Count(), 2);
    EXPECT_EQ(ReadBytes(p), "ok\r\n");
}

TEST_F(FileObject, SizesAndPositionsAreSixtyFourBit)
{
    const QString p = Path("sparse.bin");
    TFileClass f;
    f.Rewrite(p);
    const int64_t far = (int64_t(5) << 30) + 7; // beyond 4 GiB, sparse
    f.Seek(far);
    ASSERT_TRUE(f.Write("Z", 1));
    EXPECT_EQ(f.Position(), far + 1);
    EXPECT_EQ(f.Size(), far + 1);
    f.Seek(far);
    char c = 0;
    ASSERT_TRUE(f.Read(&c, 1));
    EXPECT_EQ(c, 'Z');
    f.CloseAndDelete();
    EXPECT_FALSE(QFile::exists(p));
}

// The size is kept by the object: taken at the open, grown only by writes past the end.
TEST_F(FileObject, SizeFollowsWritesWithinAndPastTheEnd)
{
    const QString p = Path("kept.bin");
    WriteBytes(p, "0123456789");
    TFileClass f;
    f.Open(p);
    EXPECT_EQ(f.Size(), 10);
    struct Step {
        int64_t at;
        const char* bytes;
        int64_t size;
    };
    // Inside, across the end, at the end, beyond it (a hole), inside again.
    for (const Step& s : {Step{2, "ab", 10}, Step{8, "abc", 11}, Step{11, "a", 12}, Step{20, "a", 21},
                          Step{0, "ab", 21}}) {
        f.Seek(s.at);
        ASSERT_TRUE(f.Write(s.bytes, int64_t(std::strlen(s.bytes))));
        EXPECT_EQ(f.Size(), s.size) << s.at;
        EXPECT_EQ(f.Size(), QFileInfo(p).size()) << s.at;
    }
    f.Rewrite(p);
    EXPECT_EQ(f.Size(), 0);
    f.Write("xyz", 3);
    EXPECT_EQ(f.Size(), 3);
}

TEST_F(FileObject, RewriteCreatesOrEmptiesAndWriteLnEndsWithCrLf)
{
    const QString p = Path("new.txt");
    TFileClass f;
    f.Rewrite(p);
    EXPECT_EQ(f.FileName(), QDir::cleanPath(p));
    EXPECT_FALSE(f.IsReadOnly());
    f.WriteLn("one");
    f.WriteLn("");
    f.Close();
    EXPECT_EQ(ReadBytes(p), QByteArray("one\r\n\r\n"));
    f.Rewrite(p);
    EXPECT_EQ(f.Size(), 0);
    f.Close();
    EXPECT_EQ(ReadBytes(p), QByteArray());
    f.OpenRead(p);
    EXPECT_TRUE(f.IsReadOnly());
}

TEST_F(FileObject, PathsOfMaximumLengthWork)
{
    // Build a folder chain so that the whole file name is exactly 4095 bytes.
    QString folder = QDir::cleanPath(dir.path());
    const int target = 4095;
    while (target - folder.size() - 1 > 250) {
        folder += "/" + QString(200, QChar('d'));
        ASSERT_TRUE(QDir().mkdir(folder));
    }
    const QString p = folder + "/" + QString(target - folder.size() - 1, QChar('f'));
    ASSERT_EQ(QFile::encodeName(p).size(), target);
    TFileClass f;
    f.Rewrite(p);
    EXPECT_EQ(f.FileName(), p);
    f.WriteLn("deep");
    f.Close();
    f.OpenRead(p);
    QByteArray s;
    f.ReadLn(s);
    EXPECT_EQ(s, "deep");
    EXPECT_TRUE(FileInUse(p));
    f.Close();
    EXPECT_FALSE(FileInUse(p));
    EXPECT_EQ(messages.Count(), 0);
}

// ---- Exclusive access ----

TEST_F(FileObject, TwoHandlesInOneProcessExcludeEachOther)
{
    const QString p = Path("map.zmd");
    WriteBytes(p, "MAPDATA!");
    TFileClass a;
    a.OpenRead(p);
    TFileClass b;
    EXPECT_THROW(b.Open(p), EAbort);
    EXPECT_THROW(b.OpenRead(p), EAbort);
    EXPECT_FALSE(b.OpenChecked(p));
    EXPECT_FALSE(b.IsOpen());
    EXPECT_TRUE(FileInUse(p));
    a.Close();
    EXPECT_FALSE(FileInUse(p));
    b.Open(p);
    EXPECT_TRUE(b.IsOpen());
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, OpeningASecondFileClosesTheFirst)
{
    const QString a = Path("a.bin");
    const QString b = Path("b.bin");
    WriteBytes(a, "AAAA");
    WriteBytes(b, "BBBBBB");
    TFileClass f;
    f.Open(a);
    f.Seek(2);
    ASSERT_TRUE(FileInUse(a));
    f.OpenRead(b);
    EXPECT_FALSE(FileInUse(a));
    EXPECT_EQ(f.FileName(), QDir::cleanPath(b));
    EXPECT_EQ(f.Position(), 0);
    EXPECT_EQ(f.Size(), 6);
    // A failed open leaves the object closed, not holding the previous file.
    EXPECT_THROW(f.Open(Path("missing")), EAbort);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(FileInUse(b));
}

TEST_F(FileObject, InUseTestsReadTheLockAndWriteNothing)
{
    const QString p = Path("map.zmd");
    WriteBytes(p, "0123456789");
    AgeFile(p);
    const auto before = MTime(p);

    EXPECT_FALSE(FileInUse(p));
    TFileClass f;
    ASSERT_TRUE(f.OpenChecked(p));
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.Position(), 0);
    EXPECT_TRUE(FileInUse(p));
    f.Close(); // nothing written: nothing to sync
    EXPECT_EQ(ReadBytes(p), "0123456789");
    EXPECT_TRUE(SameTime(MTime(p), before));

    // Missing files are not in use and cannot be opened.
    EXPECT_FALSE(FileInUse(Path("missing.zmd")));
    EXPECT_FALSE(FileInUse(Path("no/folder/missing.zmd")));
    EXPECT_FALSE(f.OpenChecked(Path("missing.zmd")));
    EXPECT_FALSE(f.IsOpen());

    // Fewer than 4 bytes: neither usable nor free.
    const QString tiny = Path("tiny.zmd");
    WriteBytes(tiny, "ab");
    EXPECT_FALSE(f.OpenChecked(tiny));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(FileInUse(tiny));
    EXPECT_EQ(ReadBytes(tiny), "ab");

    // A folder cannot be opened for writing, even by root.
    EXPECT_TRUE(FileInUse(dir.path()));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, InUseTreatsAnUnwritableFileAsInUse)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open any file for writing; the permission case needs a normal user";
    const QString p = Path("readonly.zmd");
    WriteBytes(p, "0123456789");
    ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0444), 0);
    EXPECT_TRUE(FileInUse(p));
    TFileClass f;
    EXPECT_FALSE(f.OpenChecked(p));
    f.OpenRead(p);
    EXPECT_TRUE(f.IsOpen());
}

// ---- Copies ----

TEST_F(FileObject, CopyingOntoAFileOpenElsewhereLeavesItIntact)
{
    const QString work = Path("work.zmd");
    const QString src = Path("src.zmd");
    WriteBytes(work, "working copy contents");
    WriteBytes(src, "other contents");
    TFileClass holder;
    holder.Open(work);

    EXPECT_FALSE(CopyWholeFile(src, work));
    TFileClass other;
    EXPECT_THROW(other.Rewrite(work), EAbort);
    holder.Close();
    EXPECT_EQ(ReadBytes(work), "working copy contents");
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, CopyingAFileOntoItselfFailsAndLeavesItIntact)
{
    const QString p = Path("map.zmd");
    const QString link = Path("link.zmd");
    const QString sym = Path("sym.zmd");
    const QByteArray content(20000, 'm');
    WriteBytes(p, content);
    ASSERT_EQ(::link(QFile::encodeName(p).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(QFile::link(p, sym));

    EXPECT_FALSE(CopyWholeFile(p, p));
    EXPECT_FALSE(CopyWholeFile(p, link));
    EXPECT_FALSE(CopyWholeFile(sym, p));
    TFileClass f;
    f.Open(p);
    EXPECT_FALSE(f.SaveCopy(p));
    EXPECT_FALSE(f.SaveCopy(link));
    EXPECT_FALSE(f.SaveCopy(sym));
    EXPECT_FALSE(f.SaveCopy(dir.path() + "/./map.zmd"));
    f.Close();
    EXPECT_EQ(ReadBytes(p), content);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, WholeFileCopiesAndAppends)
{
    const QString empty = Path("empty.bin");
    const QString big = Path("big.bin");
    WriteBytes(empty, QByteArray());
    QByteArray data;
    for (int i = 0; i < 40000; ++i) // more than two copy blocks, not a multiple of one
        data += char(i * 7);
    WriteBytes(big, data);

    EXPECT_TRUE(CopyWholeFile(empty, Path("empty-copy.bin")));
    EXPECT_TRUE(QFile::exists(Path("empty-copy.bin")));
    EXPECT_EQ(ReadBytes(Path("empty-copy.bin")), QByteArray());
    WriteBytes(Path("old.bin"), "previous longer content");
    EXPECT_TRUE(CopyWholeFile(big, Path("old.bin")));
    EXPECT_EQ(ReadBytes(Path("old.bin")), data);
    EXPECT_FALSE(CopyWholeFile(Path("missing"), Path("never.bin")));
    EXPECT_FALSE(QFile::exists(Path("never.bin")));

    TFileClass f;
    f.Rewrite(Path("joined.bin"));
    f.Write("<<", 2);
    EXPECT_TRUE(f.AppendFile(empty));
    EXPECT_EQ(f.Position(), 2);
    EXPECT_TRUE(f.AppendFile(big));
    EXPECT_EQ(f.Position(), 2 + data.size());
    f.Write(">>", 2);
    EXPECT_THROW(f.AppendFile(Path("missing")), EAbort);
    // SaveCopy leaves the source at its end.
    EXPECT_TRUE(f.SaveCopy(Path("saved.bin")));
    EXPECT_EQ(f.Position(), f.Size());
    f.Close();
    EXPECT_EQ(ReadBytes(Path("joined.bin")), "<<" + data + ">>");
    EXPECT_EQ(ReadBytes(Path("saved.bin")), "<<" + data + ">>");
    EXPECT_EQ(messages.Count(), 0);
}

// ---- Two processes ----

// Runs only as the child of the two-process tests: holds a file open, or probes one.
TEST(FileObjectHelper, ChildProcess)
{
    const QByteArray mode = qgetenv("ZEMO_FILEOBJ_HELPER");
    if (mode.isEmpty())
        GTEST_SKIP() << "helper process of the FileObject.FileHeld* tests; runs only when started by them";
    const QString path = QString::fromLocal8Bit(qgetenv("ZEMO_FILEOBJ_PATH"));
    RecordingMessages messages;
    if (mode == "hold") {
        TFileClass f;
        f.Open(path);
        std::cout << "\nHELD" << std::endl;
        std::string line;
        std::getline(std::cin, line);
        f.Close();
    } else {
        const bool inUse = FileInUse(path);
        bool aborted = false;
        TFileClass f;
        try {
            f.Open(path);
        } catch (const EAbort&) {
            aborted = true;
        }
        std::cout << "\nRESULT inuse=" << inUse << " aborted=" << aborted
                  << " messages=" << messages.Count() << std::endl;
    }
}

namespace {

QProcess* StartHelper(const QString& mode, const QString& path)
{
    auto* proc = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEMO_FILEOBJ_HELPER", mode);
    env.insert("ZEMO_FILEOBJ_PATH", path);
    proc->setProcessEnvironment(env);
    proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc->start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=FileObjectHelper.ChildProcess"});
    return proc;
}

// Output of the helper until marker appears (or it ends).
QByteArray WaitFor(QProcess& proc, const QByteArray& marker)
{
    QByteArray out;
    while (!out.contains(marker)) {
        if (!proc.waitForReadyRead(30000))
            break;
        out += proc.readAllStandardOutput();
    }
    return out;
}

} // namespace

TEST_F(FileObject, FileHeldByAnotherProcessIsInUseAndUntouched)
{
    const QString p = Path("shared.zmd");
    const QString src = Path("src.zmd");
    WriteBytes(p, "the other process has this map open");
    WriteBytes(src, "replacement");
    AgeFile(p);
    const auto before = MTime(p);

    std::unique_ptr<QProcess> child(StartHelper("hold", p));
    ASSERT_TRUE(child->waitForStarted(30000));
    const QByteArray out = WaitFor(*child, "HELD");
    ASSERT_TRUE(out.contains("HELD")) << out.toStdString();

    EXPECT_TRUE(FileInUse(p));
    TFileClass f;
    EXPECT_THROW(f.Open(p), EAbort);
    EXPECT_THROW(f.OpenRead(p), EAbort);
    EXPECT_FALSE(f.OpenChecked(p));
    EXPECT_THROW(f.Rewrite(p), EAbort);
    EXPECT_FALSE(CopyWholeFile(src, p));
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(ReadBytes(p), "the other process has this map open");
    EXPECT_TRUE(SameTime(MTime(p), before));

    child->write("\n");
    child->closeWriteChannel();
    ASSERT_TRUE(child->waitForFinished(30000));
    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_FALSE(FileInUse(p));
    f.Open(p);
    EXPECT_TRUE(f.IsOpen());
}

TEST_F(FileObject, FileHeldHereIsInUseForAnOtherProcess)
{
    const QString p = Path("mine.zmd");
    WriteBytes(p, "held by the test process");
    AgeFile(p);
    const auto before = MTime(p);
    TFileClass f;
    f.Open(p);

    std::unique_ptr<QProcess> child(StartHelper("probe", p));
    ASSERT_TRUE(child->waitForFinished(60000));
    const QByteArray out = child->readAllStandardOutput();
    EXPECT_TRUE(out.contains("RESULT inuse=1 aborted=1 messages=0")) << out.toStdString();
    EXPECT_EQ(child->exitCode(), 0);
    f.Close();
    EXPECT_EQ(ReadBytes(p), "held by the test process");
    EXPECT_TRUE(SameTime(MTime(p), before));

    // Released: the other process gets it.
    std::unique_ptr<QProcess> again(StartHelper("probe", p));
    ASSERT_TRUE(again->waitForFinished(60000));
    EXPECT_TRUE(again->readAllStandardOutput().contains("RESULT inuse=0 aborted=0"));
}

// ---- Names and folders ----

TEST_F(FileObject, LongFileNameRestoresStoredCaseForEitherSeparator)
{
    const QString base = QDir::cleanPath(dir.path());
    ASSERT_TRUE(QDir().mkpath(base + "/Maps/Forest Area"));
    WriteBytes(base + "/Maps/Forest Area/Sprint.ZMD", "x");

    EXPECT_EQ(GetLongFileName(base + "/maps/forest area/sprint.zmd"),
              base + "/Maps/Forest Area/Sprint.ZMD");
    EXPECT_EQ(GetLongFileName(base + "\\MAPS\\Forest AREA\\sprint.Zmd"),
              base + "/Maps/Forest Area/Sprint.ZMD");
    // Parts that exist nowhere stay as given; the found parts before them are corrected.
    EXPECT_EQ(GetLongFileName(base + "/maps/New/file.zmd"), base + "/Maps/New/file.zmd");
    // One trailing separator goes; the root stays.
    EXPECT_EQ(GetLongFileName(base + "/maps/"), base + "/Maps");
    EXPECT_EQ(GetLongFileName("/"), "/");
    EXPECT_EQ(GetLongFileName(QString()), QString());

    // An exact match wins over a case variant.
    WriteBytes(base + "/Maps/sprint.zmd", "y");
    WriteBytes(base + "/Maps/SPRINT.zmd", "z");
    EXPECT_EQ(GetLongFileName(base + "/maps/sprint.zmd"), base + "/Maps/sprint.zmd");
    EXPECT_EQ(GetLongFileName(base + "/maps/Sprint.zmd"), base + "/Maps/SPRINT.zmd");
}

TEST_F(FileObject, BareNamesExpandToTheMapFolder)
{
    EXPECT_EQ(ExpandToMapFolder("course.txt", "/home/u/maps/sprint.zmd"), "/home/u/maps/course.txt");
    EXPECT_EQ(ExpandToMapFolder("course.txt", "C:\\maps\\sprint.zmd"), "C:\\maps\\course.txt");
    EXPECT_EQ(ExpandToMapFolder("sub/course.txt", "/home/u/maps/sprint.zmd"), "sub/course.txt");
    EXPECT_EQ(ExpandToMapFolder("sub\\course.txt", "/home/u/maps/sprint.zmd"), "sub\\course.txt");
    EXPECT_EQ(ExpandToMapFolder("course.txt", QString()), "course.txt");

    EXPECT_EQ(ExpandToMapFolder("course.txt"), "course.txt");
    CorePorts().CurrentMapPath.Bind([] { return QStringLiteral("/data/club/map.zmd"); });
    EXPECT_EQ(ExpandToMapFolder("course.txt"), "/data/club/course.txt");
    CorePorts().CurrentMapPath.Unbind();
    EXPECT_EQ(ExpandToMapFolder("course.txt"), "course.txt");
}

TEST_F(FileObject, FreeSpaceAndCurrentFolder)
{
    // The reference is the volume's own figure: it has to be readable and not full.
    const QStorageInfo volume(dir.path());
    ASSERT_TRUE(volume.isValid() && volume.isReady()) << dir.path().toStdString();
    const qint64 expect = volume.bytesAvailable() >> 20;
    ASSERT_GT(expect, 0) << "needs some free space on " << volume.rootPath().toStdString();
    const int64_t got = DiskFreeMB(dir.path());
    EXPECT_LE(std::llabs(got - expect), 64) << got << " vs " << expect;
    // A folder still to be made: the volume of the nearest existing one.
    EXPECT_LE(std::llabs(DiskFreeMB(dir.path() + "/not/yet/there") - expect), 64);

    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(Path("work")));
    ChangeToFileFolder(Path("work/map.zmd"));
    EXPECT_EQ(QDir::currentPath(), QDir(Path("work")).canonicalPath());
    ChangeToFileFolder("map.zmd"); // no folder part: nothing changes
    EXPECT_EQ(QDir::currentPath(), QDir(Path("work")).canonicalPath());
    ChangeToFileFolder(Path("gone/map.zmd")); // errors are ignored
    EXPECT_EQ(QDir::currentPath(), QDir(Path("work")).canonicalPath());
    QDir::setCurrent(before);
}
