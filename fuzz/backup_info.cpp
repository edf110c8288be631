// A volume's "backinfo.txt", arbitrary: its fields read, the piece name taken from the stored
// path, and the information written again reads back to the same fields. The piece name
// never leads out of the volume.
#include "document/Backup.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    const BackupInfo info = ReadBackupInfo(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString piece = info.PieceName();
    if (piece.contains(u'/') || piece.contains(u'\\') || piece == QLatin1String(".") || piece == QLatin1String(".."))
        std::abort();
    if (info.Date.size() > 64 || info.Time.size() > 64)
        std::abort();
    const BackupInfo again = ReadBackupInfo(BackupInfoText(info));
    if (again.File != info.File || again.Date != info.Date || again.Time != info.Time || again.Disk != info.Disk
        || again.Last != info.Last || again.PieceName() != piece)
        std::abort();
    return 0;
}
