#include "shell/StartUp.h"

#include "core/Config.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Undo.h"

#include <QDir>

namespace zemo {

bool NoOtherInstance = true;
bool FirstPaintPending = true;
bool AltDown = false;

QString CommandLineFile(const QStringList& params, const QString& currentFolder)
{
    const QString joined = params.join(u' ');
    if (joined.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(currentFolder).absoluteFilePath(joined));
}

void StartupOpen(const QString& commandLineFile)
{
    // Without the file, lists of objects are not recorded; editing goes on.
    CreateUndoFile(NoOtherInstance);
    Index.MapOpen = false;
    if (NoOtherInstance)
        RecoverWorkingCopies();

    QString file = commandLineFile;
    if (file.isEmpty() && ProgramConfig.AutoLoad && NoOtherInstance)
        file = ProgramConfig.File;
    if (!file.isEmpty())
        OpenMapByName(file);
    ProgramConfig.File.clear();
}

void ShutdownDocuments()
{
    CloseAllDocuments();
    CloseUndoFile();
}

} // namespace zemo
