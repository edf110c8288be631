#include "shell/StartUp.h"

#include "core/Config.h"

#include <QDir>

namespace zemo {

bool NoOtherInstance = true;
bool FirstPaintPending = true;
bool AltDown = false;

namespace {

std::function<void()> RecoverHook;
std::function<bool(const QString&)> OpenHook;

} // namespace

void SetRecoverWorkingCopiesHook(std::function<void()> hook)
{
    RecoverHook = std::move(hook);
}

void SetOpenMapHook(std::function<bool(const QString&)> hook)
{
    OpenHook = std::move(hook);
}

const std::function<bool(const QString&)>& OpenMapHook()
{
    return OpenHook;
}

const std::function<void()>& RecoverWorkingCopiesHook()
{
    return RecoverHook;
}

QString CommandLineFile(const QStringList& params, const QString& currentFolder)
{
    const QString joined = params.join(u' ');
    if (joined.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(currentFolder).absoluteFilePath(joined));
}

void StartupOpen(const StartupHooks& hooks, const QString& commandLineFile)
{
    if (hooks.restoreToolbarLayout)
        hooks.restoreToolbarLayout();
    if (hooks.hideSymbolPanels)
        hooks.hideSymbolPanels();
    if (hooks.clearMapOpen)
        hooks.clearMapOpen();
    if (NoOtherInstance && hooks.recoverWorkingCopies)
        hooks.recoverWorkingCopies();

    QString file = commandLineFile;
    if (file.isEmpty() && ProgramConfig.AutoLoad && NoOtherInstance)
        file = ProgramConfig.File;
    if (!file.isEmpty() && hooks.openMapByName)
        hooks.openMapByName(file);
    ProgramConfig.File.clear();
}

} // namespace zemo

namespace zemo {

namespace {
std::function<void()> ShutdownHook;
}

void SetShutdownDocumentsHook(std::function<void()> hook)
{
    ShutdownHook = std::move(hook);
}

void ShutdownDocuments()
{
    if (ShutdownHook)
        ShutdownHook();
}

} // namespace zemo
