#include "core/FileClass.h"

#include "CoreFixture.h"
#include "core/Errors.h"
#include "core/Ports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStorageInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace zemo {
namespace {

using FileObject = test::CoreTest;

// Sets an old modification time so that any write shows; returns it.
int64_t AgeFile(const QString& path)
{
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

int64_t MTime(const QString& path) { return QFileInfo(path).lastModified().toSecsSinceEpoch(); }

// Every line of the file and the Position after each.
std::vector<std::pair<QByteArray, int64_t>> AllLines(const QString& path)
{
    std::vector<std::pair<QByteArray, int64_t>> out;
    TFileClass f;
    f.OpenRead(path);
    while (!f.Eof() && out.size() < 100000) {
        QByteArray s;
        EXPECT_TRUE(f.ReadLn(s));
        out.emplace_back(s, f.Position());
    }
    return out;
}

TEST_F(FileObject, ReadLnEndsLinesAtCrLfCrOrLfAndCutsLongOnes)
{
    const QByteArray x127(127, 'x'), y100(100, 'y');
    QByteArray digits;
    for (int i = 0; i < 300; ++i)
        digits += char('0' + i % 10);
    struct Row {
        QByteArray file;
        std::vector<std::pair<QByteArray, int64_t>> lines;
    };
    const Row rows[] = {
        {"a\r\nb\rc\n\nd", {{"a", 3}, {"b", 5}, {"c", 7}, {"", 8}, {"d", 9}}},
        // The CR ends the first 128-byte fill, its LF starts the next; a lone CR at the end
        // ends the last line and no empty line follows.
        {x127 + "\r\nsecond\r\n" + y100 + "\r", {{x127, 129}, {"second", 137}, {y100, 238}}},
        {digits + "\r\nnext\nshort", {{digits.left(255), 302}, {"next", 307}, {"short", 312}}},
        {digits, {{digits.left(255), 300}}},
    };
    for (const Row& r : rows) {
        WriteBytes(Path("lines.txt"), r.file);
        EXPECT_EQ(AllLines(Path("lines.txt")), r.lines) << r.file.left(20).toStdString();
    }

    // Lines of every length around the read-ahead size, so that breaks fall on every offset
    // within a fill, mixed CR LF, CR and LF.
    std::mt19937 rng(42);
    QByteArray data;
    std::vector<std::pair<QByteArray, int64_t>> expect;
    const char* breaks[] = {"\r\n", "\r\n", "\r", "\n"};
    for (int i = 0; i < 400; ++i) {
        const QByteArray line(int(rng() % 200), char('a' + i % 26));
        data += line + breaks[rng() % 4];
        expect.emplace_back(line, data.size());
    }
    WriteBytes(Path("mixed.txt"), data);
    EXPECT_EQ(AllLines(Path("mixed.txt")), expect);

    TFileClass f;
    f.OpenRead(Path("mixed.txt"));
    QByteArray s = "junk";
    f.Seek(data.size());
    EXPECT_TRUE(f.ReadLn(s));  // at the end: an empty line
    EXPECT_TRUE(s.isEmpty());
    EXPECT_TRUE(f.Eof());
    TFileClass closed;
    s = "kept";
    EXPECT_FALSE(closed.ReadLn(s));
    EXPECT_EQ(s, "kept");
}

TEST_F(FileObject, ReadAndWriteAfterReadLnActAtPosition)
{
    const QString p = Path("mixed-access.bin");
    WriteBytes(p, "head\r\nABCDEFGH\r\ntail\r\n");
    TFileClass f;
    f.Open(p);
    QByteArray s;
    f.ReadLn(s);
    char buf[4] = {};
    ASSERT_TRUE(f.Read(buf, 3));
    EXPECT_EQ(QByteArray(buf, 3), "ABC");
    EXPECT_EQ(f.Position(), 9);
    f.ReadLn(s);  // the read-ahead is gone: the line starts where Read stopped
    EXPECT_EQ(s, "DEFGH");
    ASSERT_TRUE(f.Write("TA", 2));
    f.ReadLn(s);
    EXPECT_EQ(s, "il");
    f.Close();
    EXPECT_EQ(ReadBytes(p), "head\r\nABCDEFGH\r\nTAil\r\n");
    EXPECT_EQ(messages.Count(), 0);
}

// One failure per row: what it throws, and the one message it shows (or none).
TEST_F(FileObject, FailuresShowAtMostOneMessageAndAbort)
{
    struct Row {
        const char* what;
        std::function<QString(FileObject&)> act;  // the file the message must name
        TextKey key;                              // Count: silent
    };
    const auto lostHandle = [](FileObject& t, bool read) {
        const QString p = t.Path("lost.bin");
        WriteBytes(p, "line\r\n");
        TFileClass f;
        read ? f.OpenRead(p) : f.Rewrite(p);
        if (!read)
            f.Write("data", 4);
        EXPECT_EQ(::close(f.Handle()), 0);  // the descriptor vanishes as on a dying disk
        QByteArray s;
        EXPECT_THROW(read ? void(f.ReadLn(s)) : f.Close(), EAbort);
        EXPECT_FALSE(read ? false : f.IsOpen());
        return QDir::cleanPath(p);
    };
    const Row rows[] = {
        {"read past the end", [](FileObject& t) {
             WriteBytes(t.Path("short.bin"), "12345");
             TFileClass f;
             f.OpenRead(t.Path("short.bin"));
             char buf[16];
             EXPECT_EQ(f.ReadBlock(buf, 16), 5);
             EXPECT_EQ(f.ReadBlock(buf, 16), 0);
             f.Seek(2);
             EXPECT_THROW(f.Read(buf, 4), EAbort);
             return f.FileName();
         }, TextKey::CannotRead},
        {"write on a read-only handle", [](FileObject& t) {
             WriteBytes(t.Path("ro.bin"), "12345");
             TFileClass f;
             f.OpenRead(t.Path("ro.bin"));
             EXPECT_THROW(f.Write("x", 1), EAbort);
             EXPECT_EQ(ReadBytes(t.Path("ro.bin")), "12345");
             return f.FileName();
         }, TextKey::CannotWrite},
        {"ReadLn of a FIFO", [](FileObject& t) {  // opens without hanging, cannot be read at a position
             EXPECT_EQ(::mkfifo(QFile::encodeName(t.Path("pipe")).constData(), 0600), 0);
             TFileClass f;
             f.OpenRead(t.Path("pipe"));
             QByteArray s;
             EXPECT_THROW(f.ReadLn(s), EAbort);
             return f.FileName();
         }, TextKey::CannotRead},
        {"ReadLn of a lost handle", [&](FileObject& t) { return lostHandle(t, true); }, TextKey::CannotRead},
        {"sync of a lost handle at close", [&](FileObject& t) { return lostHandle(t, false); },
         TextKey::CannotWrite},
        {"flush of a lost handle, then close", [](FileObject& t) {
             TFileClass f;
             f.Rewrite(t.Path("flush.bin"));
             f.Write("data", 4);
             EXPECT_EQ(::close(f.Handle()), 0);
             EXPECT_THROW(f.Flush(), EAbort);
             f.Close();  // already reported
             return f.FileName();
         }, TextKey::CannotWrite},
        {"a full device, then close", [](FileObject&) {
             TFileClass f;
             f.Open("/dev/full");
             EXPECT_THROW(f.WriteLn("a line that never lands"), EAbort);
             f.Close();
             return QStringLiteral("/dev/full");
         }, TextKey::CannotWrite},
        {"a copy onto a full device", [](FileObject& t) {
             WriteBytes(t.Path("src.bin"), QByteArray(40000, 'q'));
             EXPECT_FALSE(CopyWholeFile(t.Path("src.bin"), "/dev/full"));
             return QStringLiteral("/dev/full");
         }, TextKey::CannotWrite},
        {"a closed object", [](FileObject& t) {
             TFileClass f;
             char buf[4];
             EXPECT_FALSE(f.Read(buf, 4));
             EXPECT_EQ(f.ReadBlock(buf, 4), 0);
             EXPECT_FALSE(f.Write(buf, 4));
             EXPECT_FALSE(f.AppendFile(t.Path("none")));
             EXPECT_THROW(f.Seek(0), EAbort);
             EXPECT_FALSE(f.SaveCopy(t.Path("copy")));
             f.Flush();
             f.Close();
             return QString();
         }, TextKey::Count},
        {"opens that cannot be", [](FileObject& t) {
             TFileClass f;
             EXPECT_THROW(f.Open(t.Path("missing")), EAbort);
             EXPECT_THROW(f.OpenRead(t.Path("missing")), EAbort);
             EXPECT_THROW(f.Open(QString()), EAbort);
             EXPECT_THROW(f.OpenRead(t.dir.path()), EAbort);  // a folder is no file
             EXPECT_THROW(f.Rewrite(t.Path("no/such/folder/x")), EAbort);
             EXPECT_FALSE(f.IsOpen());
             f.Rewrite(t.Path("x"));
             EXPECT_THROW(f.Seek(-1), EAbort);
             EXPECT_FALSE(QFile::exists(t.Path("missing")));
             return QString();
         }, TextKey::Count},
    };
    for (const Row& r : rows) {
        messages.Clear();
        const QString name = r.act(*this);
        if (r.key == TextKey::Count) {
            EXPECT_EQ(messages.Count(), 0) << r.what;
            continue;
        }
        ASSERT_EQ(messages.Count(), 1) << r.what;
        EXPECT_EQ(messages.Last().key, r.key) << r.what;
        EXPECT_EQ(messages.Last().kind, MsgKind::Error) << r.what;
        EXPECT_EQ(messages.Last().params, name) << r.what;
    }
}

TEST_F(FileObject, SizesAndPositionsAreSixtyFourBitAndFollowWrites)
{
    const QString p = Path("kept.bin");
    WriteBytes(p, "0123456789");
    TFileClass f;
    f.Open(p);
    struct Step { int64_t at; const char* bytes; int64_t size; };
    // Inside, across the end, at the end, beyond it (a hole), inside again, beyond 4 GiB.
    const int64_t far = (int64_t(5) << 30) + 7;
    for (Step s : {Step{2, "ab", 10}, {8, "abc", 11}, {11, "a", 12}, {20, "a", 21}, {0, "ab", 21},
                   {far, "Z", far + 1}}) {
        f.Seek(s.at);
        ASSERT_TRUE(f.Write(s.bytes, int64_t(std::strlen(s.bytes))));
        EXPECT_EQ(f.Position(), s.at + int64_t(std::strlen(s.bytes)));
        EXPECT_EQ(f.Size(), s.size) << s.at;
        EXPECT_EQ(f.Size(), QFileInfo(p).size()) << s.at;
    }
    f.Seek(far);
    char c = 0;
    ASSERT_TRUE(f.Read(&c, 1));
    EXPECT_EQ(c, 'Z');
    // Cut back to its first bytes: only to a smaller size, the position kept inside.
    f.Truncate(far + 5);
    EXPECT_EQ(f.Size(), far + 1);
    f.Truncate(12);
    EXPECT_EQ(f.Size(), 12);
    EXPECT_EQ(QFileInfo(p).size(), 12);
    EXPECT_EQ(f.Position(), 12);
    f.Seek(0);
    char head[12];
    ASSERT_TRUE(f.Read(head, 12));
    EXPECT_EQ(QByteArray(head, 12), QByteArray("abab4567abca"));

    f.Rewrite(p);
    EXPECT_EQ(f.Size(), 0);
    EXPECT_FALSE(f.IsReadOnly());
    f.WriteLn("one");
    f.WriteLn("");
    f.Close();
    EXPECT_EQ(ReadBytes(p), "one\r\n\r\n");
    f.OpenRead(p);
    EXPECT_TRUE(f.IsReadOnly());
    f.CloseAndDelete();
    EXPECT_FALSE(QFile::exists(p));
}

TEST_F(FileObject, PathsOfMaximumLengthWork)
{
    // A folder chain so that the whole file name is exactly 4095 bytes.
    QString folder = QDir::cleanPath(dir.path());
    while (4095 - folder.size() - 1 > 250) {
        folder += "/" + QString(200, QChar('d'));
        ASSERT_TRUE(QDir().mkdir(folder));
    }
    const QString p = folder + "/" + QString(4095 - folder.size() - 1, QChar('f'));
    ASSERT_EQ(QFile::encodeName(p).size(), 4095);
    TFileClass f;
    f.Rewrite(p);
    EXPECT_EQ(f.FileName(), p);
    f.WriteLn("deep");
    f.Close();
    EXPECT_EQ(AllLines(p), (std::vector<std::pair<QByteArray, int64_t>>{{"deep", 6}}));
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, OneHandleAtATimeAndInUseTestsWriteNothing)
{
    const QString p = Path("map.zmd");
    WriteBytes(p, "0123456789");
    const int64_t before = AgeFile(p);
    EXPECT_FALSE(FileInUse(p));
    TFileClass a, b;
    ASSERT_TRUE(a.OpenChecked(p));
    EXPECT_TRUE(FileInUse(p));
    EXPECT_THROW(b.Open(p), EAbort);
    EXPECT_THROW(b.OpenRead(p), EAbort);
    EXPECT_FALSE(b.OpenChecked(p));
    a.Close();  // nothing written: nothing to sync
    EXPECT_FALSE(FileInUse(p));
    EXPECT_EQ(MTime(p), before);

    // Opening a second file closes the first; a failed open leaves the object closed.
    WriteBytes(Path("b.bin"), "BBBBBB");
    a.Open(p);
    a.Seek(2);
    a.OpenRead(Path("b.bin"));
    EXPECT_FALSE(FileInUse(p));
    EXPECT_EQ(a.FileName(), QDir::cleanPath(Path("b.bin")));
    EXPECT_EQ(a.Position(), 0);
    EXPECT_EQ(a.Size(), 6);
    EXPECT_THROW(a.Open(Path("missing")), EAbort);
    EXPECT_FALSE(a.IsOpen());

    // Missing files are free and cannot be opened; fewer than 4 bytes: neither; a folder is in use.
    EXPECT_FALSE(FileInUse(Path("no/folder/missing.zmd")));
    EXPECT_FALSE(a.OpenChecked(Path("missing.zmd")));
    WriteBytes(Path("tiny.zmd"), "ab");
    EXPECT_FALSE(a.OpenChecked(Path("tiny.zmd")));
    EXPECT_TRUE(FileInUse(Path("tiny.zmd")));
    EXPECT_TRUE(FileInUse(dir.path()));
    if (::geteuid() != 0) {  // root may open any file for writing
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0444), 0);
        EXPECT_TRUE(FileInUse(p));
    }
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, CopiesRefuseTheirSourceAndFilesHeldElsewhere)
{
    const QString p = Path("map.zmd");
    const QByteArray content(20000, 'm');
    WriteBytes(p, content);
    ASSERT_EQ(::link(QFile::encodeName(p).constData(), QFile::encodeName(Path("link.zmd")).constData()), 0);
    ASSERT_TRUE(QFile::link(p, Path("sym.zmd")));
    EXPECT_FALSE(CopyWholeFile(p, p));
    EXPECT_FALSE(CopyWholeFile(p, Path("link.zmd")));
    EXPECT_FALSE(CopyWholeFile(Path("sym.zmd"), p));
    TFileClass f;
    f.Open(p);
    for (const QString& same : {p, Path("link.zmd"), Path("sym.zmd"), dir.path() + "/./map.zmd"})
        EXPECT_FALSE(f.SaveCopy(same)) << same.toStdString();
    // Held by f: neither a copy nor another object may empty it.
    WriteBytes(Path("other.zmd"), "other");
    EXPECT_FALSE(CopyWholeFile(Path("other.zmd"), p));
    TFileClass other;
    EXPECT_THROW(other.Rewrite(p), EAbort);
    f.Close();
    EXPECT_EQ(ReadBytes(p), content);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, WholeFileCopiesAndAppends)
{
    QByteArray data;
    for (int i = 0; i < 40000; ++i)  // more than two copy blocks, not a multiple of one
        data += char(i * 7);
    WriteBytes(Path("empty.bin"), QByteArray());
    WriteBytes(Path("big.bin"), data);
    EXPECT_TRUE(CopyWholeFile(Path("empty.bin"), Path("empty-copy.bin")));
    EXPECT_EQ(ReadBytes(Path("empty-copy.bin")), QByteArray());
    WriteBytes(Path("old.bin"), "previous longer content");
    EXPECT_TRUE(CopyWholeFile(Path("big.bin"), Path("old.bin")));
    EXPECT_EQ(ReadBytes(Path("old.bin")), data);
    EXPECT_FALSE(CopyWholeFile(Path("missing"), Path("never.bin")));
    EXPECT_FALSE(QFile::exists(Path("never.bin")));

    TFileClass f;
    f.Rewrite(Path("joined.bin"));
    f.Write("<<", 2);
    EXPECT_TRUE(f.AppendFile(Path("empty.bin")));
    EXPECT_TRUE(f.AppendFile(Path("big.bin")));
    EXPECT_EQ(f.Position(), 2 + data.size());
    f.Write(">>", 2);
    EXPECT_THROW(f.AppendFile(Path("missing")), EAbort);
    EXPECT_TRUE(f.SaveCopy(Path("saved.bin")));
    EXPECT_EQ(f.Position(), f.Size());  // the source is left at its end
    f.Close();
    EXPECT_EQ(ReadBytes(Path("joined.bin")), "<<" + data + ">>");
    EXPECT_EQ(ReadBytes(Path("saved.bin")), "<<" + data + ">>");
    EXPECT_EQ(messages.Count(), 0);
}

// Runs only as the child of the two-process test: holds a file open, or probes one.
TEST(FileObjectHelper, ChildProcess)
{
    const QByteArray mode = qgetenv("ZEMO_FILEOBJ_HELPER");
    if (mode.isEmpty())
        GTEST_SKIP() << "helper process of FileObject.LocksHoldAcrossProcesses; runs only when started by it";
    const QString path = QString::fromLocal8Bit(qgetenv("ZEMO_FILEOBJ_PATH"));
    RecordingMessages messages;
    TFileClass f;
    if (mode == "hold") {
        f.Open(path);
        std::cout << "\nHELD" << std::endl;
        std::string line;
        std::getline(std::cin, line);
        return;
    }
    const bool inUse = FileInUse(path);
    bool aborted = false;
    try {
        f.Open(path);
    } catch (const EAbort&) {
        aborted = true;
    }
    std::cout << "\nRESULT inuse=" << inUse << " aborted=" << aborted << " messages=" << messages.Count()
              << std::endl;
}

std::unique_ptr<QProcess> StartHelper(const QString& mode, const QString& path)
{
    auto proc = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEMO_FILEOBJ_HELPER", mode);
    env.insert("ZEMO_FILEOBJ_PATH", path);
    proc->setProcessEnvironment(env);
    proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=FileObjectHelper.ChildProcess"});
    return proc;
}

QByteArray ProbeResult(const QString& path)
{
    auto probe = StartHelper("probe", path);
    EXPECT_TRUE(probe->waitForFinished(60000));
    return probe->readAllStandardOutput();
}

TEST_F(FileObject, LocksHoldAcrossProcesses)
{
    const QString p = Path("shared.zmd");
    WriteBytes(p, "the other process has this map open");
    WriteBytes(Path("src.zmd"), "replacement");
    const int64_t before = AgeFile(p);

    auto child = StartHelper("hold", p);
    QByteArray out;
    while (!out.contains("HELD") && child->waitForReadyRead(30000))
        out += child->readAllStandardOutput();
    ASSERT_TRUE(out.contains("HELD")) << out.toStdString();
    EXPECT_TRUE(FileInUse(p));
    TFileClass f;
    EXPECT_THROW(f.Open(p), EAbort);
    EXPECT_THROW(f.OpenRead(p), EAbort);
    EXPECT_FALSE(f.OpenChecked(p));
    EXPECT_THROW(f.Rewrite(p), EAbort);
    EXPECT_FALSE(CopyWholeFile(Path("src.zmd"), p));
    child->write("\n");
    child->closeWriteChannel();
    ASSERT_TRUE(child->waitForFinished(30000));
    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(ReadBytes(p), "the other process has this map open");
    EXPECT_EQ(MTime(p), before);

    // Held here: in use for the other process, free once released.
    f.Open(p);
    EXPECT_TRUE(ProbeResult(p).contains("RESULT inuse=1 aborted=1 messages=0"));
    f.Close();
    EXPECT_TRUE(ProbeResult(p).contains("RESULT inuse=0 aborted=0"));
    EXPECT_EQ(MTime(p), before);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(FileObject, NamesAndFolders)
{
    const QString base = QDir::cleanPath(dir.path());
    ASSERT_TRUE(QDir().mkpath(base + "/Maps/Forest Area"));
    WriteBytes(base + "/Maps/Forest Area/Sprint.ZMD", "x");
    WriteBytes(base + "/Maps/sprint.zmd", "y");
    WriteBytes(base + "/Maps/SPRINT.zmd", "z");
    struct Row { QString in, out; };
    // Stored case for either separator; unknown parts stay as given; an exact match wins.
    for (const Row& r : {Row{base + "/maps/forest area/sprint.zmd", base + "/Maps/Forest Area/Sprint.ZMD"},
                         {base + "\\MAPS\\Forest AREA\\sprint.Zmd", base + "/Maps/Forest Area/Sprint.ZMD"},
                         {base + "/maps/New/file.zmd", base + "/Maps/New/file.zmd"}, {base + "/maps/", base + "/Maps"},
                         {"/", "/"}, {QString(), QString()}, {base + "/maps/sprint.zmd", base + "/Maps/sprint.zmd"},
                         {base + "/maps/Sprint.zmd", base + "/Maps/SPRINT.zmd"}})
        EXPECT_EQ(GetLongFileName(r.in), r.out) << r.in.toStdString();

    EXPECT_EQ(ExpandToMapFolder("course.txt", "/home/u/maps/sprint.zmd"), "/home/u/maps/course.txt");
    EXPECT_EQ(ExpandToMapFolder("course.txt", "C:\\maps\\sprint.zmd"), "C:\\maps\\course.txt");
    EXPECT_EQ(ExpandToMapFolder("sub\\course.txt", "/home/u/maps/sprint.zmd"), "sub\\course.txt");
    EXPECT_EQ(ExpandToMapFolder("course.txt"), "course.txt");
    CorePorts().CurrentMapPath.Bind([] { return QStringLiteral("/data/club/map.zmd"); });
    EXPECT_EQ(ExpandToMapFolder("course.txt"), "/data/club/course.txt");
    CorePorts().CurrentMapPath.Unbind();

    // The reference is the volume's own figure; a folder still to be made: its nearest parent.
    const QStorageInfo volume(dir.path());
    const qint64 free = volume.bytesAvailable() >> 20;
    ASSERT_GT(free, 0) << "needs some free space on " << volume.rootPath().toStdString();
    EXPECT_LE(std::llabs(DiskFreeMB(dir.path()) - free), 64);
    EXPECT_LE(std::llabs(DiskFreeMB(dir.path() + "/not/yet/there") - free), 64);

    const QString work = QDir(base).canonicalPath() + "/work";
    ASSERT_TRUE(QDir().mkpath(work));
    for (const QString& name : {work + "/map.zmd", QString("map.zmd"), base + "/gone/map.zmd"}) {
        ChangeToFileFolder(name);  // no folder part, or a missing one: nothing changes
        EXPECT_EQ(QDir::currentPath(), work) << name.toStdString();
    }
}

} // namespace
} // namespace zemo
