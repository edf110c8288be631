// File > Backup and File > Restore in the running program. Removable volumes are folders
// behind a symbolic link that the test points at the next one whenever the program asks for
// it; each has 100,000 bytes free. The pieces are checked by cat and cmp, each
// "backinfo.txt" by python3's configparser.
#include "ShellFixture.h"

#include "../support/MapSnapshot.h"

#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Status.h"
#include "document/Backup.h"
#include "document/Restore.h"
#include "document/widgets/BackupDlg.h"
#include "document/widgets/RestoreDlg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeZone>
#include <QTimer>
#include <QLineEdit>

#include <csignal>
#include <deque>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int64_t VolumeFree = 100000;
const QByteArray Stamp = "Date=7 Dec 2026\r\nTime=09:41:05 UTC\r\n";

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Left under <build>/samples for people and other programs to look at.
void KeepSample(const QString& file, const QString& name)
{
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
    QDir().mkpath(samples);
    QFile::remove(samples + u'/' + name);
    EXPECT_TRUE(QFile::copy(file, samples + u'/' + name));
}

int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return -1;
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Every "insert volume" question moves the drive link to the next folder of the script (an
// empty entry leaves it where it is, Gone takes it away) and may press Esc for the writing
// that follows.
const QString Gone = QStringLiteral("<gone>");

class VolumeMessages : public RecordingMessages {
public:
    explicit VolumeMessages(QString link) : link_(std::move(link)) { SetDefaultAnswer(IdOk); }
    std::deque<QString> next;
    bool escOnNext = false;
    int Show(const ShownMessage& m) override
    {
        if (m.key == TextKey::InsertNextDisk && !next.empty()) {
            const QString to = next.front();
            next.pop_front();
            if (!to.isEmpty()) {
                QFile::remove(link_);
                if (to != Gone)
                    EXPECT_TRUE(QFile::link(to, link_));
            }
            if (escOnNext) {
                escOnNext = false;
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (w->isVisible()) {
                        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                        break;
                    }
            }
        }
        return RecordingMessages::Show(m);
    }
    std::vector<QString> Shown(TextKey key) const
    {
        std::vector<QString> r;
        for (const Entry& e : Entries())
            if (e.msg.key == key)
                r.push_back(MessageText(e.msg));
        return r;
    }

private:
    QString link_;
};

class BackupFlow : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        QLocale::setDefault(QLocale::c());
        Backups.DiskFree = [](const QString&) { return VolumeFree; };
        Backups.Now = [] { return QDateTime(QDate(2026, 12, 7), QTime(9, 41, 5), QTimeZone::utc()); };
        for (int i = 1; i <= 4; ++i)
            QDir().mkpath(Vol(i));
        ASSERT_TRUE(QFile::link(Vol(1), Drive()));
        volumes = std::make_unique<VolumeMessages>(Drive());
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [this] { AnswerDialogs(); });
        poll.start();
    }
    void TearDown() override
    {
        poll.stop();
        volumes.reset();
        QLocale::setDefault(QLocale::c());
        ShellTest::TearDown();
    }

    QString Vol(int i) const { return TempPath(QStringLiteral("vol%1").arg(i)); }
    QString Drive() const { return TempPath(QStringLiteral("drive")); }

    // A map whose working copy has exactly `size` bytes: its file padded so far that what the
    // open adds makes it up.
    bool OpenMapOfSize(const QString& name, int64_t size)
    {
        const QString path = WriteSample(name);
        const int64_t written = QFileInfo(path).size();
        int64_t added = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int64_t fileSize = size - added;
            if (fileSize < written || !QFile::resize(path, fileSize) || !OpenMap(path))
                return false;
            const int64_t work = Index.ActiveZmd->WorkFile.Size();
            if (work == size)
                return true;
            // The open repairs the sample's font names and writes those symbols anew.
            added = work - fileSize;
            Index.ActiveZmd->Modified = 0;
            CloseMap();
            WriteSample(name);
        }
        return false;
    }
    // The sample's repaired font names leave it modified: closed without the question.
    void CloseMap()
    {
        if (Index.ActiveZmd)
            Index.ActiveZmd->Modified = 0;
        Choose(Cmd::FileClose);
    }
    QByteArray WorkingBytes() const
    {
        const std::vector<uint8_t> b = WorkingFileBytes(*Index.ActiveZmd);
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    }

    // File > Backup to the volume behind the drive link, or to a file.
    void Backup(bool toVolume = true)
    {
        backupToVolume = toVolume;
        Choose(Cmd::FileBackup);
    }
    void Restore(bool fromVolume, const QString& target, const QString& file = {})
    {
        restoreFromVolume = fromVolume;
        restoreFile = file;
        dialogs.QueueAnswer(true, target);
        Choose(Cmd::FileRestore);
    }

    QStringList TempFiles() const
    {
        return QDir(StateFolder()).entryList({QStringLiteral("temp*.~md")}, QDir::Files);
    }
    static QByteArray Info(int disk, int last, const QString& file)
    {
        return "[Backup Info]\r\nFile=" + file.toUtf8() + "\r\n" + Stamp + "Disk=" + QByteArray::number(disk)
               + "\r\nLast=" + QByteArray::number(last) + "\r\n";
    }

    std::unique_ptr<VolumeMessages> volumes;
    QTimer poll;
    bool backupToVolume = true;
    bool restoreFromVolume = true;
    QString restoreFile;
    std::deque<const char*> notEmptyAnswers; // button names
    std::deque<const char*> nextAnswers;
    QStringList notEmptyShown;
    int nextShown = 0;

private:
    void AnswerDialogs()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* d = dynamic_cast<TBackupDlg*>(w)) {
            d->DriveB()->ChooseFolder(Drive());
            d->findChild<QRadioButton*>(backupToVolume ? QStringLiteral("DisketteB") : QStringLiteral("OtherB"))
                ->setChecked(true);
            d->findChild<QPushButton*>(QStringLiteral("StartBtn"))->click();
        } else if (auto* d = dynamic_cast<TRestoreDlg*>(w)) {
            d->findChild<TVolumeBox*>(QStringLiteral("DriveB"))->ChooseFolder(Drive());
            d->findChild<QLineEdit*>(QStringLiteral("FileNameB"))->setText(restoreFile);
            d->findChild<QRadioButton*>(restoreFromVolume ? QStringLiteral("DisketteB") : QStringLiteral("OtherB"))
                ->setChecked(true);
            d->findChild<QPushButton*>(QStringLiteral("StartBtn"))->click();
        } else if (auto* d = dynamic_cast<TDiskNotEmptyDlg*>(w)) {
            notEmptyShown << d->findChild<QPlainTextEdit*>(QStringLiteral("FilesB"))->toPlainText();
            const char* b = notEmptyAnswers.empty() ? "CancelBtn" : notEmptyAnswers.front();
            if (!notEmptyAnswers.empty())
                notEmptyAnswers.pop_front();
            d->findChild<QPushButton*>(QLatin1String(b))->click();
        } else if (auto* d = dynamic_cast<TRestoreNextDlg*>(w)) {
            ++nextShown;
            const char* b = nextAnswers.empty() ? "CancelBtn" : nextAnswers.front();
            if (!nextAnswers.empty()) {
                nextAnswers.pop_front();
                // OK means the next medium is in.
                if (QLatin1String(b) == QLatin1String("OkBtn")) {
                    QFile::remove(Drive());
                    EXPECT_TRUE(QFile::link(Vol(nextShown + 1), Drive()));
                }
            }
            d->findChild<QPushButton*>(QLatin1String(b))->click();
        }
    }
};

TEST_F(BackupFlow, AMapSplitsOverVolumesWhosePiecesJoinToItsWorkingFile)
{
    const struct Case {
        const char* name;
        int64_t size;
        std::vector<int64_t> pieces;
    } cases[] = {
        {"three pieces", 250000, {99000, 99000, 52000}},
        {"exactly the room: an empty second piece ends it", 99000, {99000, 0}},
        {"a small map is one piece", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 1; i <= 3; ++i) {
            QDir(Vol(i)).removeRecursively();
            QDir().mkpath(Vol(i));
        }
        const QString name = QStringLiteral("forest%1.zmd").arg(c.size);
        const QString path = TempPath(name);
        if (c.size > 0) {
            ASSERT_TRUE(OpenMapOfSize(name, c.size));
        } else {
            WriteSample(name);
            ASSERT_TRUE(OpenMap(path));
        }
        const QByteArray work = WorkingBytes();
        const std::vector<int64_t> pieces = c.size > 0 ? c.pieces : std::vector<int64_t>{int64_t(work.size())};
        volumes->Clear();
        QFile::remove(Drive());
        ASSERT_TRUE(QFile::link(Vol(1), Drive()));
        for (size_t i = 2; i <= pieces.size(); ++i)
            volumes->next.push_back(Vol(int(i)));
        Backup();

        EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
        EXPECT_EQ(volumes->CountOf(TextKey::BackupAborted), 0);
        std::vector<QString> asked = volumes->Shown(TextKey::InsertNextDisk);
        ASSERT_EQ(asked.size(), pieces.size() - 1);
        for (size_t i = 0; i < asked.size(); ++i)
            EXPECT_TRUE(asked[i].endsWith(QStringLiteral(" %1").arg(i + 2))) << asked[i].toStdString();
        QStringList catArgs;
        for (size_t i = 0; i < pieces.size(); ++i) {
            const QString vol = Vol(int(i + 1));
            EXPECT_EQ(QFileInfo(vol + u'/' + name).size(), pieces[i]) << i;
            const bool last = i + 1 == pieces.size();
            EXPECT_EQ(Bytes(vol + QStringLiteral("/backinfo.txt")), Info(int(i + 1), last ? 1 : 0, path));
            catArgs << vol + u'/' + name;
            // An independent reader of the information.
            QByteArray read;
            ASSERT_EQ(RunProgram(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral("-c"),
                           QStringLiteral("import configparser,sys\n"
                                          "c=configparser.ConfigParser(interpolation=None)\n"
                                          "c.read(sys.argv[1])\n"
                                          "s=c['Backup Info']\n"
                                          "print(s['File'],s['Disk'],s['Last'],sep='|')"),
                           vol + QStringLiteral("/backinfo.txt")},
                          &read),
                      0);
            EXPECT_EQ(QString::fromUtf8(read).trimmed(), QStringLiteral("%1|%2|%3").arg(path).arg(i + 1).arg(last ? 1 : 0));
            if (c.size == 250000)
                KeepSample(vol + QStringLiteral("/backinfo.txt"), QStringLiteral("backup-volume%1-backinfo.txt").arg(i + 1));
        }
        EXPECT_FALSE(QFileInfo::exists(Vol(int(pieces.size() + 1)) + u'/' + name));
        // The pieces joined by cat are the working file.
        const QString joined = TempPath(QStringLiteral("joined.bin"));
        const QStringList shArgs = QStringList{QStringLiteral("-c"), QStringLiteral("cat \"$@\" > ") + joined,
                                               QStringLiteral("sh")} + catArgs;
        ASSERT_EQ(RunProgram(QStringLiteral("/bin/sh"), shArgs), 0);
        EXPECT_EQ(RunProgram(QStringLiteral("cmp"), {joined, Index.ActiveZmd->WorkFile.FileName()}), 0);
        EXPECT_EQ(ProgramConfig.BackupDrive, 0);
        EXPECT_EQ(ProgramConfig.BackupFolder, Drive());
        CloseMap();
    }
}

TEST_F(BackupFlow, AVolumeWithOtherFilesIsAskedAboutAndOverwriteKeepsItsFolders)
{
    ASSERT_TRUE(OpenSample(QStringLiteral("forest.zmd")));
    WriteBytes(Vol(1) + QStringLiteral("/notes.txt"), "n");
    WriteBytes(Vol(1) + QStringLiteral("/sub/inner.txt"), "i");
    // An older backup of the same map is no other file.
    WriteBytes(Vol(1) + QStringLiteral("/forest.zmd"), "old piece");
    WriteBytes(Vol(1) + QStringLiteral("/backinfo.txt"), Info(2, 1, QStringLiteral("/old/forest.zmd")));

    // Cancel gives up: nothing is written.
    notEmptyAnswers = {"CancelBtn"};
    Backup();
    EXPECT_EQ(notEmptyShown, QStringList{QStringLiteral("notes.txt sub")});
    EXPECT_EQ(volumes->CountOf(TextKey::BackupAborted), 1);
    EXPECT_EQ(Bytes(Vol(1) + QStringLiteral("/forest.zmd")), "old piece");

    // OK looks again; Overwrite deletes the listed files only.
    notEmptyShown.clear();
    notEmptyAnswers = {"OkBtn", "OverwriteBtn"};
    volumes->Clear();
    Backup();
    EXPECT_EQ(notEmptyShown.size(), 2);
    EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
    EXPECT_FALSE(QFileInfo::exists(Vol(1) + QStringLiteral("/notes.txt")));
    EXPECT_EQ(Bytes(Vol(1) + QStringLiteral("/sub/inner.txt")), "i");
    EXPECT_EQ(Bytes(Vol(1) + QStringLiteral("/forest.zmd")), WorkingBytes());
    EXPECT_EQ(Bytes(Vol(1) + QStringLiteral("/backinfo.txt")), Info(1, 1, TempPath(QStringLiteral("forest.zmd"))));

    // Now only the subfolder is there: it is still asked about, but the old backup is not.
    QDir(Vol(1) + QStringLiteral("/sub")).removeRecursively();
    notEmptyShown.clear();
    volumes->Clear();
    Backup();
    EXPECT_TRUE(notEmptyShown.isEmpty());
    EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
}

TEST_F(BackupFlow, TheVolumeJustWrittenIsRefusedForTheNextPiece)
{
    ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 150000));
    // The same medium again, then the right one.
    volumes->next = {QString(), Vol(2)};
    Backup();
    const std::vector<QString> asked = volumes->Shown(TextKey::InsertNextDisk);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_FALSE(asked[0].contains(Text(TextKey::RestoreDiskNumber)));
    EXPECT_TRUE(asked[1].contains(Text(TextKey::RestoreDiskNumber))) << asked[1].toStdString();
    EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
    EXPECT_EQ(QFileInfo(Vol(1) + QStringLiteral("/forest.zmd")).size(), 99000);
    EXPECT_EQ(QFileInfo(Vol(2) + QStringLiteral("/forest.zmd")).size(), 51000);
    EXPECT_TRUE(Bytes(Vol(1) + QStringLiteral("/backinfo.txt")).contains("Disk=1\r\nLast=0"));
}

TEST_F(BackupFlow, AMissingFullOrVanishedVolumeIsAskedForAgain)
{
    ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 150000));
    // The drive shows nothing at first; volume 3 is full.
    QFile::remove(Drive());
    ASSERT_TRUE(QFile::link(TempPath(QStringLiteral("nothing")), Drive()));
    Backups.DiskFree = [this](const QString& folder) {
        return QFileInfo(folder).canonicalFilePath() == QFileInfo(Vol(3)).canonicalFilePath() ? BackupReserve : VolumeFree;
    };
    // Volume 1 comes after the first question; for piece 2 the full volume 3 is offered, then
    // the medium comes up in another folder, which the user names.
    volumes->next = {Vol(1), Vol(3), Gone};
    dialogs.QueueAnswer(true, Vol(2));
    Backup();
    EXPECT_EQ(volumes->CountOf(TextKey::CannotReadDisk), 1);
    EXPECT_EQ(volumes->CountOf(TextKey::InsertEmptyDisk), 1);
    EXPECT_EQ(volumes->CountOf(TextKey::InsertNextDisk), 3);
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests().back().kind, FileDialogRequest::Folder);
    EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
    EXPECT_EQ(QFileInfo(Vol(1) + QStringLiteral("/forest.zmd")).size(), 99000);
    EXPECT_EQ(QFileInfo(Vol(2) + QStringLiteral("/forest.zmd")).size(), 51000);
    EXPECT_FALSE(QFileInfo::exists(Vol(3) + QStringLiteral("/forest.zmd")));
    EXPECT_FALSE(QFileInfo::exists(Vol(3) + QStringLiteral("/backinfo.txt")));
    // The folder the user named is the one offered next time.
    EXPECT_EQ(ProgramConfig.BackupFolder, Vol(2));
    // An empty volume folder is no reason to ask.
    volumes->Clear();
    QDir(Vol(1)).removeRecursively();
    QDir().mkpath(Vol(1));
    ASSERT_TRUE(QFile::link(Vol(1), Drive()));
    Backups.DiskFree = [](const QString&) { return int64_t(1) << 40; };
    Backup();
    EXPECT_EQ(volumes->Count(), 1) << MessageText(volumes->Last()).toStdString();
    EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
}

TEST_F(BackupFlow, AStoppedBackupSaysSoAndItsSetRestoresNothing)
{
    const QString target = TempPath(QStringLiteral("restored.zmd"));
    for (const bool esc : {true, false}) {
        SCOPED_TRACE(esc ? "Esc on volume 2" : "write failure");
        for (int i = 1; i <= 2; ++i) {
            QDir(Vol(i)).removeRecursively();
            QDir().mkpath(Vol(i));
        }
        QFile::remove(Drive());
        ASSERT_TRUE(QFile::link(Vol(1), Drive()));
        ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 150000));
        Index.ActiveZmd->WorkFile.MakeOwnCopy();  // made before the limit below
        volumes->Clear();
        if (esc) {
            // An old "backinfo.txt" on volume 2 must not vouch for what is left there.
            WriteBytes(Vol(2) + QStringLiteral("/backinfo.txt"), Info(2, 1, TempPath(QStringLiteral("forest.zmd"))));
            volumes->next = {Vol(2)};
            volumes->escOnNext = true;
            Backup();
            EXPECT_EQ(volumes->CountOf(TextKey::CannotWrite), 0);
        } else {
            // Files may not grow beyond 50,000 bytes while the backup writes.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit old {};
            ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
            rlimit small = old;
            small.rlim_cur = 50000;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
            Backup();
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
            EXPECT_EQ(volumes->CountOf(TextKey::CannotWrite), 1);
        }
        EXPECT_EQ(volumes->CountOf(TextKey::BackupAborted), 1);
        EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 0);
        const int stoppedOn = esc ? 2 : 1;
        EXPECT_FALSE(QFileInfo::exists(Vol(stoppedOn) + QStringLiteral("/backinfo.txt")));
        EXPECT_FALSE(QFileInfo::exists(Vol(stoppedOn) + QStringLiteral("/forest.zmd")));
        CloseMap();
        ASSERT_FALSE(Index.ActiveZmd);
        ASSERT_TRUE(TempFiles().isEmpty()) << TempFiles().join(u' ').toStdString();

        // Restoring the set asks for volume 2 until the user gives up.
        QFile::remove(Drive());
        ASSERT_TRUE(QFile::link(Vol(1), Drive()));
        volumes->Clear();
        volumes->next = {Vol(2), QString()};
        volumes->QueueAnswer(IdOk);
        volumes->QueueAnswer(IdCancel);
        Restore(true, target);
        EXPECT_EQ(volumes->CountOf(TextKey::RestoreAborted), esc ? 1 : 0);
        EXPECT_FALSE(Index.ActiveZmd);
        EXPECT_EQ(Windows(), 0);
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_TRUE(TempFiles().isEmpty()) << TempFiles().join(u' ').toStdString();
    }
    // The next start finds no lost work.
    volumes->Clear();
    Frame().close();
    Restart();
    Settle(20);
    EXPECT_EQ(volumes->CountOf(TextKey::SessionAborted), 0);
    EXPECT_EQ(Windows(), 0);
}

TEST_F(BackupFlow, ThreeVolumesRestoreToTheChosenFileAndOpenAgainEqual)
{
    ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 250000));
    const QByteArray work = WorkingBytes();
    volumes->next = {Vol(2), Vol(3)};
    Backup();
    ASSERT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
    CloseMap();
    ASSERT_FALSE(Index.ActiveZmd);

    // Back in the place it came from; volume 3 offered when 2 is due is asked again.
    ASSERT_TRUE(QFile::remove(TempPath(QStringLiteral("forest.zmd"))));
    QFile::remove(Drive());
    ASSERT_TRUE(QFile::link(Vol(1), Drive()));
    volumes->Clear();
    volumes->next = {Vol(3), Vol(2), Vol(3)};
    Restore(true, TempPath(QStringLiteral("forest.zmd")));
    const std::vector<QString> asked = volumes->Shown(TextKey::InsertNextDisk);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_TRUE(asked[0].endsWith(QStringLiteral(" 2")));
    EXPECT_TRUE(asked[1].contains(Text(TextKey::RestoreDiskNumber)) && asked[1].endsWith(QStringLiteral(" 2")))
        << asked[1].toStdString();
    EXPECT_TRUE(asked[2].endsWith(QStringLiteral(" 3")));
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_EQ(Windows(), 1);
    EXPECT_FALSE(Index.ActiveZmd->Modified);
    EXPECT_EQ(DocumentPath(Index.ActiveZmd), TempPath(QStringLiteral("forest.zmd")));
    // Saved at once, byte for byte the map that was backed up.
    EXPECT_EQ(Bytes(TempPath(QStringLiteral("forest.zmd"))), work);
    KeepSample(TempPath(QStringLiteral("forest.zmd")), QStringLiteral("restored-from-three-volumes.zmd"));
    EXPECT_EQ(TempFiles().size(), 1);
    CloseMap();
    ASSERT_TRUE(OpenMap(TempPath(QStringLiteral("forest.zmd"))));
    EXPECT_EQ(WorkingBytes(), work);
}

TEST_F(BackupFlow, AnUntitledMapIsBackedUpUnderItsCaptionAndRestoresToo)
{
    ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
    ASSERT_TRUE(DocumentPath(Index.ActiveZmd).isEmpty());
    const int symbols = Index.ActiveZmd->SymbolCount();
    ASSERT_GT(symbols, 0);
    // However large the set, it goes in pieces of 99,000 bytes.
    const int64_t size = Index.ActiveZmd->WorkFile.Size();
    const int pieces = int(size / 99000) + 1;
    for (int i = 2; i <= pieces; ++i) {
        QDir().mkpath(Vol(i));
        volumes->next.push_back(Vol(i));
    }
    Backup();
    ASSERT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
    EXPECT_TRUE(QFileInfo::exists(Vol(1) + QStringLiteral("/Untitled.zmd")));
    EXPECT_TRUE(Bytes(Vol(1) + QStringLiteral("/backinfo.txt")).contains("\r\nFile=Untitled.zmd\r\n"));
    CloseMap();

    QFile::remove(Drive());
    ASSERT_TRUE(QFile::link(Vol(1), Drive()));
    volumes->Clear();
    for (int i = 2; i <= pieces; ++i)
        volumes->next.push_back(Vol(i));
    Restore(true, TempPath(QStringLiteral("named.zmd")));
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_EQ(Index.ActiveZmd->SymbolCount(), symbols);
    EXPECT_EQ(QFileInfo(TempPath(QStringLiteral("named.zmd"))).size(), size);
}

TEST_F(BackupFlow, AVolumeWithoutInformationRestoresItsMapAndAsksForMore)
{
    ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 40000));
    const QByteArray work = WorkingBytes();
    CloseMap();
    // A map copied by hand in two halves, no "backinfo.txt".
    WriteBytes(Vol(1) + QStringLiteral("/copy.zmd"), work.left(25000));
    WriteBytes(Vol(2) + QStringLiteral("/copy.zmd"), work.mid(25000));
    const struct Case {
        const char* name;
        std::deque<const char*> answers;
        bool opened;
    } cases[] = {
        {"OK, then All done", {"OkBtn", "AllDoneBtn"}, true},
        {"Cancel", {"CancelBtn"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = TempPath(QStringLiteral("copy-%1.zmd").arg(c.answers.size()));
        QFile::remove(Drive());
        ASSERT_TRUE(QFile::link(Vol(1), Drive()));
        volumes->Clear();
        nextShown = 0;
        nextAnswers = c.answers;
        Restore(true, target);
        EXPECT_EQ(nextShown, int(c.answers.size()));
        EXPECT_EQ(bool(Index.ActiveZmd), c.opened);
        EXPECT_EQ(volumes->CountOf(TextKey::RestoreAborted), c.opened ? 0 : 1);
        if (c.opened) {
            EXPECT_EQ(Bytes(target).size(), work.size());
            EXPECT_EQ(DocumentPath(Index.ActiveZmd), target);
            CloseMap();
        } else {
            EXPECT_FALSE(QFileInfo::exists(target));
        }
        EXPECT_TRUE(TempFiles().isEmpty());
    }
}

TEST_F(BackupFlow, RestoreRefusesTargetsOnTheVolumeAndMapsThatAreOpen)
{
    ASSERT_TRUE(OpenSample(QStringLiteral("open.zmd")));
    WriteBytes(Vol(1) + QStringLiteral("/forest.zmd"), Bytes(TempPath(QStringLiteral("open.zmd"))));
    WriteBytes(Vol(1) + QStringLiteral("/backinfo.txt"), Info(1, 1, QStringLiteral("/maps/forest.zmd")));
    const struct Case {
        QString target;
        TextKey refusal;
    } cases[] = {
        {Drive() + QStringLiteral("/maps/forest.zmd"), TextKey::RestoreDifferentDrives},
        {Vol(1) + QStringLiteral("/forest2.zmd"), TextKey::RestoreDifferentDrives},
        {TempPath(QStringLiteral("open.zmd")), TextKey::FileInUse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        volumes->Clear();
        Restore(true, c.target);
        EXPECT_EQ(volumes->CountOf(c.refusal), 1);
        EXPECT_EQ(Windows(), 1);
        EXPECT_TRUE(TempFiles().isEmpty());  // the open map is only looked at
    }
}

TEST_F(BackupFlow, OnlyTheLastComponentOfTheStoredPathNamesThePiece)
{
    ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 40000));
    const QByteArray work = WorkingBytes();
    CloseMap();
    WriteBytes(Vol(1) + QStringLiteral("/evil.zmd"), work);
    WriteBytes(Vol(1) + QStringLiteral("/backinfo.txt"),
               "[Backup Info]\r\nFile=..\\..\\x/evil.zmd\r\nDisk=1\r\nLast=1\r\n");
    // What the path would reach from the volume.
    WriteBytes(TempPath(QStringLiteral("x/evil.zmd")), "not a map");
    Restore(true, TempPath(QStringLiteral("evil-restored.zmd")));
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_EQ(volumes->Count(), 0) << MessageText(volumes->Last()).toStdString();
    EXPECT_EQ(Bytes(TempPath(QStringLiteral("evil-restored.zmd"))).size(), work.size());
}

TEST_F(BackupFlow, APipeOrALinkOnAVolumeIsNeitherWaitedForNorWrittenThrough)
{
    const QByteArray fifo = QFile::encodeName(Vol(1) + QStringLiteral("/forest.zmd"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // A backup finds under the map's name no file of its own, and writes neither into the
    // pipe nor through a link of that name; the third volume takes the piece.
    const QString outside = TempPath(QStringLiteral("outside.zmd"));
    WriteBytes(outside, "not to be overwritten");
    ASSERT_TRUE(QFile::link(outside, Vol(2) + QStringLiteral("/forest.zmd")));
    ASSERT_TRUE(OpenSample(QStringLiteral("forest.zmd")));
    notEmptyAnswers = {"OverwriteBtn", "OverwriteBtn"};
    volumes->next = {Vol(2), Vol(3)};
    Backup();
    EXPECT_EQ(notEmptyShown, (QStringList{QStringLiteral("forest.zmd"), QStringLiteral("forest.zmd")}));
    EXPECT_EQ(volumes->CountOf(TextKey::BackupCannotWrite), 2);
    EXPECT_EQ(volumes->CountOf(TextKey::BackupOk), 1);
    EXPECT_EQ(Bytes(outside), "not to be overwritten");
    EXPECT_EQ(Bytes(Vol(3) + QStringLiteral("/forest.zmd")), WorkingBytes());
    CloseMap();

    // The restore does not wait on the pipe either.
    const struct Case {
        const char* name;
        QByteArray info;
        TextKey said;
    } cases[] = {
        {"named by the information", "File=/maps/forest.zmd\r\nDisk=1\r\nLast=1\r\n", TextKey::CannotRead},
        {"the only map on the volume", {}, TextKey::RestoreNoFileFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Drive());
        ASSERT_TRUE(QFile::link(Vol(1), Drive()));
        QFile::remove(Vol(1) + QStringLiteral("/backinfo.txt"));
        if (!c.info.isEmpty())
            WriteBytes(Vol(1) + QStringLiteral("/backinfo.txt"), c.info);
        volumes->Clear();
        Restore(true, TempPath(QStringLiteral("restored.zmd")));
        EXPECT_EQ(volumes->CountOf(c.said), 1);
        EXPECT_FALSE(Index.ActiveZmd);
        EXPECT_TRUE(TempFiles().isEmpty());
    }
}

TEST_F(BackupFlow, AnotherLocationIsOneCopyReplacedOnlyWhenWhole)
{
    ASSERT_TRUE(OpenMapOfSize(QStringLiteral("forest.zmd"), 120000));
    const QByteArray work = WorkingBytes();
    const QString target = TempPath(QStringLiteral("backups/forest-copy.zmd"));
    QDir().mkpath(TempPath(QStringLiteral("backups")));
    dialogs.QueueAnswer(true, target);
    Backup(false);
    EXPECT_EQ(Bytes(target), work);
    EXPECT_EQ(ProgramConfig.BackupDrive, BackupToOtherLocation);
    EXPECT_EQ(ProgramConfig.BackupFile, target);
    EXPECT_EQ(volumes->Count(), 0);

    // A failed copy leaves the previous backup and the settings as they were.
    WriteBytes(target, "previous backup");
    ProgramConfig.BackupDrive = 0;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 50000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    dialogs.QueueAnswer(true, target);
    Backup(false);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    // The second proposal is in the folder of the first backup.
    EXPECT_EQ(dialogs.Requests().back().initialFolder, TempPath(QStringLiteral("backups")));
    EXPECT_EQ(volumes->CountOf(TextKey::CannotWrite), 1);
    EXPECT_EQ(Bytes(target), "previous backup");
    EXPECT_EQ(ProgramConfig.BackupDrive, 0);
    EXPECT_EQ(QDir(TempPath(QStringLiteral("backups"))).entryList(QDir::Files), QStringList{QStringLiteral("forest-copy.zmd")});

    // Never onto the working file: with AutoSave that is the map itself.
    CloseMap();
    ProgramConfig.AutoSave = true;
    ASSERT_TRUE(OpenMap(TempPath(QStringLiteral("forest.zmd"))));
    ASSERT_EQ(Index.ActiveZmd->WorkFile.FileName(), TempPath(QStringLiteral("forest.zmd")));
    volumes->Clear();
    dialogs.QueueAnswer(true, TempPath(QStringLiteral("forest.zmd")));
    Backup(false);
    EXPECT_EQ(volumes->CountOf(TextKey::FileInUse), 1);
    EXPECT_EQ(Bytes(TempPath(QStringLiteral("forest.zmd"))).size(), 120000);

    // Restoring it: one copy, no questions.
    WriteBytes(target, work);
    CloseMap();
    ProgramConfig.AutoSave = false;
    volumes->Clear();
    Restore(false, TempPath(QStringLiteral("from-copy.zmd")), target);
    ASSERT_TRUE(Index.ActiveZmd);
    EXPECT_EQ(volumes->CountOf(TextKey::InsertNextDisk), 0);
    EXPECT_EQ(nextShown, 0);
    EXPECT_EQ(Bytes(TempPath(QStringLiteral("from-copy.zmd"))).size(), 120000);
}

} // namespace

namespace {

// A damaged backup restored from another location is named as the user chose it: the warning
// and the window's title name the backup, never the joined working copy, and no file claims
// to hold what was never written.
TEST_F(BackupFlow, ADamagedBackupIsNamedAsTheUserChoseIt)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(201)};
    for (int i = 0; i < 3; ++i)
        w.objects.push_back(TestObject::Line(201, {{0, i * 25600}, {25600, i * 25600}}));
    w.objects[2].entryPosition = FilePos::FromEnd(-8);
    const QString backup = TempPath(QStringLiteral("copies/club.zmd"));
    QDir().mkpath(TempPath(QStringLiteral("copies")));
    ASSERT_TRUE(w.WriteTo(QFile::encodeName(backup).toStdString()));
    const QString target = TempPath(QStringLiteral("club-restored.zmd"));
    volumes->Clear();
    Restore(false, target, backup);
    ASSERT_TRUE(Index.ActiveZmd);
    ASSERT_EQ(volumes->CountOf(TextKey::DamagedMap), 1);
    for (const auto& e : volumes->Entries())
        if (e.msg.key == TextKey::DamagedMap)
            EXPECT_TRUE(e.msg.params.startsWith(backup + QStringLiteral("\r\n;"))) << e.msg.params.toStdString();
    ASSERT_NE(ActiveChild(), nullptr);
    EXPECT_EQ(ActiveChild()->windowTitle(), DamagedCopyCaption(backup));
    EXPECT_FALSE(ActiveChild()->windowTitle().contains(QStringLiteral(".~md")));
    EXPECT_FALSE(QFile::exists(target)) << "what could be read is kept only by saving it";
    CloseMap();
}

} // namespace
