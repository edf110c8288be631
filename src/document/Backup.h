// File > Backup: the open map copied to a file in any folder, or split over removable volumes
// in pieces that each fill what a volume has free. Every volume gets its piece under the map's
// file name and a "backinfo.txt" that lets File > Restore join the pieces in order.
//
// A volume is a folder (where a removable medium is mounted). Its "backinfo.txt" is written
// only once its piece is whole, so that an old one never vouches for a half piece, and a
// volume this run has already written is refused for the next piece.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace zemo {

class TZmd;

inline constexpr int BackupHelp = 127;
inline constexpr int DiskNotEmptyHelp = 134;
inline constexpr int CannotReadDiskHelp = 131;
inline constexpr int InsertNextDiskHelp = 133;
// BackupDrive: 0 and 1 back up to volumes (BackupFolder the last one), 2 to another location.
inline constexpr int32_t BackupToOtherLocation = 2;
// What a volume keeps free beyond the piece, and the largest block written at once.
inline constexpr int64_t BackupReserve = 1000;
inline constexpr int64_t BackupBlock = 256000;
inline constexpr char BackupInfoName[] = "backinfo.txt";
inline constexpr char UntitledBackupName[] = "Untitled.zmd";
// A "backinfo.txt" longer than this is not one of ours; only its start is read.
inline constexpr qsizetype MaxBackupInfoBytes = 65536;
// The answers of the "not empty" dialog.
inline constexpr int DiskNotEmptyOk = 1, DiskNotEmptyOverwrite = 6, DiskNotEmptyCancel = 2;

// The content of one "backinfo.txt".
struct BackupInfo {
    QString File;   // the map's path as it was when backed up
    QString Date;
    QString Time;
    int Disk = 0;   // from 1; 0 when not given
    int Last = 0;   // 1 on the volume that holds the end of the map
    // The piece's name on the volume: the last component of File, either separator; empty
    // when File names none ("", ".", "..").
    QString PieceName() const;
};

// The lines of "backinfo.txt" (CR LF): UTF-8 where the path needs more than code page 1252.
QByteArray BackupInfoText(const BackupInfo& info);
// Reads the bytes of a "backinfo.txt": the lines "File=", "Date=", "Time=", "Disk=", "Last=";
// the file whole, date and time up to 64 characters, numbers up to 10; numbers that do not
// read give 0.
BackupInfo ReadBackupInfo(QByteArrayView bytes);

// A removable volume mounted now, writable.
struct BackupVolume {
    QString Folder;
    QString Label;
};
std::vector<BackupVolume> RemovableVolumes();
// Whether the block device (as "/dev/sdb1") is marked removable under sysBlock (its own entry,
// else that of the disk it is a partition of).
bool IsRemovableDevice(const QString& device, const QString& sysBlock = QStringLiteral("/sys/class/block"));

// Free bytes of the volume holding folder; 0 when it cannot be found.
int64_t FolderBytesAvailable(const QString& folder);

struct BackupState {
    // Free bytes for a piece; tests give their volumes a size.
    std::function<int64_t(const QString& folder)> DiskFree = FolderBytesAvailable;
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
};
extern BackupState Backups;
void ResetBackupUnit();

// The piece's name on each volume: the map's file name, or Untitled.zmd.
QString BackupFileName(const TZmd& z);

// After an "insert next" answer: the volume folder is still there, or the user names the
// folder where the new medium is mounted. False when the user gave up.
bool FindVolumeFolder(QString& root, int helpContext);

// Whether the volume at root may take piece `disk`: foreign files bring the "not empty"
// dialog (OK looks again, Overwrite deletes the files it listed, Cancel gives up), a volume
// this run wrote is refused. False when the user gave up. `written` holds the "backinfo.txt"
// files this run wrote.
struct WrittenInfo {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    QByteArray Bytes;
};
bool CheckBackupDisk(QString& root, const QString& fileName, int disk,
                     const std::vector<WrittenInfo>& written);
// Deletes the listed entries of root that are regular files at its top level; nothing else.
bool ClearBackupDisk(const QString& root, const QStringList& listed);

// The working file of the current map, split over volumes starting at root; true when the
// last piece was written. root follows the volumes to where the last one was.
bool BackupToDisks(QString& root);

// The choice of the backup dialog.
struct BackupChoice {
    bool ToVolume = true;
    QString Folder; // the volume folder
};
// File > Backup after its dialog: to volumes with the closing message, or to a file chosen
// in the save dialog (replaced only once whole; never the working file).
void BackupMap(const BackupChoice& choice);
// The other location: the working file of the current map copied to target. False (reported)
// when refused or failed; the settings change only on success.
bool BackupToFile(const QString& target);

} // namespace zemo
