// File > Restore: a backup put back together, from removable volumes (pieces joined in the
// order their "backinfo.txt" gives) or from one file in any folder. The joined map opens in a
// new working copy under the name the user chose and is saved there at once; a join that is
// given up leaves no working copy behind.
#pragma once

#include "document/Backup.h"

#include <QString>

namespace zemo {

inline constexpr int RestoreHelp = 135;
inline constexpr int RestoreNextHelp = 142;
inline constexpr int RestoreDiskHelp = 141;
inline constexpr int RestoreTargetHelp = 136;
inline constexpr int RestoreDrivesHelp = 144;
// The answers of the "next volume" dialog.
inline constexpr int RestoreNextOk = 1, RestoreNextAllDone = 6, RestoreNextCancel = 2;

// The information of the volume at root: its "backinfo.txt", else its first "*.zmd" file
// (no date, time or numbers). False (after RestoreNoFileFound or CannotReadDisk) when the
// volume names no piece or cannot be read; `piece` is then empty.
bool ReadBackupInfo(const QString& root, BackupInfo& info, QString& piece);

// The choice of the restore dialog.
struct RestoreChoice {
    bool FromVolume = true;
    QString Folder; // the volume folder
    QString File;   // the backup file of another location
};
// File > Restore after its dialog: asks for the target, joins, opens and saves the map.
void RestoreMap(const RestoreChoice& choice);

// The pieces joined into a new working copy opened as target with its window, then saved to
// target. False when nothing was opened (the copy is gone then). root follows the volumes.
bool JoinBackupPieces(QString& root, const QString& source, bool fromVolume, bool checkNumbers,
                      const QString& target);

// target lies in the volume folder at root (or is it).
bool InsideVolume(const QString& target, const QString& root);

} // namespace zemo
