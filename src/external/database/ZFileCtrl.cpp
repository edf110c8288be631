#include "external/database/ZFileCtrl.h"

#include "core/FileDialogs.h"
#include "core/Messages.h"

#include <QDir>
#include <QFileInfo>

namespace zemo {

namespace {

QString Slashed(const QString& folder)
{
    QString f = folder;
    f.replace(u'\\', u'/');
    return f;
}

} // namespace

bool DirectoryExists(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(Slashed(folder)).isDir();
}

bool SelectDirectory(QString& folder, int options, int helpContext)
{
    QString chosen = Slashed(folder);
    if (!ExecFolderDialog(Text(TextKey::SelectFolder), helpContext, chosen))
        return false;
    if (!DirectoryExists(chosen)) {
        if (!(options & SelectDirAllowCreate))
            return false;
        if ((options & SelectDirPrompt) && OkCancelMsg(TextKey::FolderNotFound, chosen) != IdOk)
            return false;
        if ((options & SelectDirPerformCreate) && !QDir().mkpath(chosen)) {
            ErrorMsg(TextKey::CannotCreateDir, chosen);
            return false;
        }
    }
    folder = chosen;
    return true;
}

} // namespace zemo
