// The pieces of backup and restore that need no program: "backinfo.txt" read and written,
// the removable flag of a block device, what Overwrite deletes on a volume, and which
// targets lie in a volume folder.
#include "document/Backup.h"
#include "document/Restore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

} // namespace

TEST(BackupInfo, LinesAreReadByTheirKeys)
{
    const QString longPath = QStringLiteral("/maps/") + QString(300, u'a') + QStringLiteral("/end.zmd");
    struct Case {
        const char* name;
        QByteArray bytes;
        QString file, date, time, piece;
        int disk, last;
    } cases[] = {
        {"golden", "[Backup Info]\r\nFile=/maps/forest.zmd\r\nDate=7 Dec 2026\r\nTime=09:41:05 UTC\r\nDisk=2\r\nLast=1\r\n",
         "/maps/forest.zmd", "7 Dec 2026", "09:41:05 UTC", "forest.zmd", 2, 1},
        {"bare LF and CR, no section", "Disk=3\nLast=0\rFile=C:\\MAPS\\OLD.ZMD", "C:\\MAPS\\OLD.ZMD", "", "", "OLD.ZMD", 3, 0},
        {"a long path is read whole", "File=" + longPath.toLatin1() + "\r\n", longPath, "", "", "end.zmd", 0, 0},
        {"only the last component names the piece", "File=..\\..\\x/evil.zmd\r\n", "..\\..\\x/evil.zmd", "", "", "evil.zmd", 0, 0},
        {"a folder names none", "File=/maps/..\r\n", "/maps/..", "", "", "", 0, 0},
        {"dot names none", "File=.\r\n", ".", "", "", "", 0, 0},
        {"a trailing separator names none", "File=C:\\maps\\\r\n", "C:\\maps\\", "", "", "", 0, 0},
        {"numbers that do not read give 0", "Disk=2x\r\nLast=\r\n", "", "", "", "", 0, 0},
        {"numbers take ten characters", "Disk=00000000042\r\nLast= 1 \r\n", "", "", "", "", 4, 1},
        {"keys are case-sensitive", "file=/a.zmd\r\nDISK=4\r\n", "", "", "", "", 0, 0},
        {"code page 1252", "File=/maps/Z\xfcrich.zmd\r\n", QStringLiteral(u"/maps/Z\u00fcrich.zmd"), "", "", QStringLiteral(u"Z\u00fcrich.zmd"), 0, 0},
        {"UTF-8", "File=/maps/\xd0\x9a\xd0\xb0.zmd\r\n", QStringLiteral(u"/maps/\u041a\u0430.zmd"), "", "", QStringLiteral(u"\u041a\u0430.zmd"), 0, 0},
        {"empty", "", "", "", "", "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BackupInfo i = ReadBackupInfo(c.bytes);
        EXPECT_EQ(i.File, c.file);
        EXPECT_EQ(i.Date, c.date);
        EXPECT_EQ(i.Time, c.time);
        EXPECT_EQ(i.PieceName(), c.piece);
        EXPECT_EQ(i.Disk, c.disk);
        EXPECT_EQ(i.Last, c.last);
    }
}

TEST(BackupInfo, IsWrittenAsSixCrLfLinesThatReadBackTheSame)
{
    BackupInfo i;
    i.File = QStringLiteral("/home/ann/maps/forest.zmd");
    i.Date = QStringLiteral("7 Dec 2026");
    i.Time = QStringLiteral("09:41:05 UTC");
    i.Disk = 12;
    i.Last = 1;
    EXPECT_EQ(BackupInfoText(i), QByteArray("[Backup Info]\r\nFile=/home/ann/maps/forest.zmd\r\nDate=7 Dec 2026\r\n"
                                            "Time=09:41:05 UTC\r\nDisk=12\r\nLast=1\r\n"));
    for (const QString& path : {QStringLiteral(u"/maps/Z\u00fcrich.zmd"), QStringLiteral(u"/maps/\u041a\u0430.zmd")}) {
        i.File = path;
        EXPECT_EQ(ReadBackupInfo(BackupInfoText(i)).File, path);
    }
    // Code page 1252 where it is enough: one byte for the u with diaeresis.
    i.File = QStringLiteral(u"Z\u00fcrich.zmd");
    EXPECT_TRUE(BackupInfoText(i).contains("File=Z\xfcrich.zmd\r\n"));
}

TEST(BackupVolumes, TheRemovableFlagIsTheDevicesOrItsDisks)
{
    QTemporaryDir sys;
    const QString root = sys.path();
    // Partitions are entries inside their disk's folder, as the kernel lays them out.
    Write(root + QStringLiteral("/devices/sdb/removable"), "1\n");
    QDir().mkpath(root + QStringLiteral("/devices/sdb/sdb1"));
    Write(root + QStringLiteral("/devices/sda/removable"), "0\n");
    QDir().mkpath(root + QStringLiteral("/devices/sda/sda2"));
    Write(root + QStringLiteral("/devices/mmcblk0/removable"), "0\n");
    Write(root + QStringLiteral("/devices/sr0/removable"), "1\n");
    QDir().mkpath(root + QStringLiteral("/block"));
    for (const char* link : {"sdb/sdb1", "sda/sda2", "sr0", "mmcblk0", "sdb"})
        ASSERT_TRUE(QFile::link(root + QStringLiteral("/devices/") + QLatin1String(link),
                                root + QStringLiteral("/block/") + QFileInfo(QLatin1String(link)).fileName()));
    const QString block = root + QStringLiteral("/block");
    const std::pair<const char*, bool> cases[] = {
        {"/dev/sdb1", true}, {"/dev/sdb", true}, {"/dev/sr0", true}, {"/dev/sda2", false},
        {"/dev/mmcblk0", false}, {"/dev/sdz9", false}, {"tmpfs", false}, {"", false},
    };
    for (const auto& [device, removable] : cases)
        EXPECT_EQ(IsRemovableDevice(QLatin1String(device), block), removable) << device;
}

TEST(BackupVolumes, OverwriteDeletesOnlyTheListedTopLevelFiles)
{
    QTemporaryDir dir;
    const QString v = dir.path();
    Write(v + QStringLiteral("/notes.txt"), "n");
    Write(v + QStringLiteral("/photo.jpg"), "p");
    Write(v + QStringLiteral("/keep.txt"), "k");
    Write(v + QStringLiteral("/sub/inner.txt"), "i");
    ASSERT_TRUE(QFile::link(v + QStringLiteral("/keep.txt"), v + QStringLiteral("/link.txt")));
    // A name that leaves the folder is never followed.
    Write(dir.path() + QStringLiteral("/../outside-") + QFileInfo(v).fileName(), "o");
    const QString outside = QFileInfo(dir.path() + QStringLiteral("/../outside-") + QFileInfo(v).fileName())
                                .absoluteFilePath();
    EXPECT_TRUE(ClearBackupDisk(v, {QStringLiteral("notes.txt"), QStringLiteral("photo.jpg"), QStringLiteral("sub"),
                                    QStringLiteral("link.txt"), QStringLiteral("../outside-") + QFileInfo(v).fileName(),
                                    QStringLiteral(".."), QStringLiteral("gone.txt")}));
    EXPECT_FALSE(QFileInfo::exists(v + QStringLiteral("/notes.txt")));
    EXPECT_FALSE(QFileInfo::exists(v + QStringLiteral("/photo.jpg")));
    EXPECT_TRUE(QFileInfo::exists(v + QStringLiteral("/keep.txt")));
    EXPECT_TRUE(QFileInfo::exists(v + QStringLiteral("/sub/inner.txt")));
    EXPECT_TRUE(QFileInfo(v + QStringLiteral("/link.txt")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside));
    QFile::remove(outside);
}

TEST(BackupVolumes, TargetsInsideTheVolumeFolderAreFound)
{
    QTemporaryDir dir;
    const QString vol = dir.path() + QStringLiteral("/vol");
    const QString drive = dir.path() + QStringLiteral("/drive");
    QDir().mkpath(vol + QStringLiteral("/maps"));
    QDir().mkpath(dir.path() + QStringLiteral("/volume2"));
    ASSERT_TRUE(QFile::link(vol, drive));
    const std::pair<QString, bool> cases[] = {
        {drive + QStringLiteral("/x.zmd"), true},
        {vol + QStringLiteral("/maps/x.zmd"), true},
        {drive + QStringLiteral("/new/deeper/x.zmd"), true},
        {dir.path() + QStringLiteral("/volume2/x.zmd"), false},
        {dir.path() + QStringLiteral("/x.zmd"), false},
    };
    for (const auto& [target, inside] : cases)
        EXPECT_EQ(InsideVolume(target, drive), inside) << target.toStdString();
    EXPECT_FALSE(InsideVolume(dir.path() + QStringLiteral("/x.zmd"), dir.path() + QStringLiteral("/missing")));
}
