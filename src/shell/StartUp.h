// The program's start-up and the opening of maps it does on its own: the map named on the
// command line, the configured start-up map and the recovery of working copies left by an
// earlier run. The map store and the document windows register the hooks; until they do,
// the steps do nothing.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace zemo {

// True when no other running instance was found at start-up.
extern bool NoOtherInstance;
// Set until the main frame's first showing has run the start-up opening.
extern bool FirstPaintPending;
// Alt is held down over the main frame.
extern bool AltDown;

struct StartupHooks {
    std::function<void()> restoreToolbarLayout;
    std::function<void()> hideSymbolPanels;
    std::function<void()> clearMapOpen;
    // Offers each working copy left by an earlier run for recovery, removes the rest.
    std::function<void()> recoverWorkingCopies;
    // Opens a map (a map already open only comes to the front); false when it failed.
    std::function<bool(const QString&)> openMapByName;
};

// The document library's part of the hooks (recovery and opening) is registered once;
// the main frame adds its own (toolbar layout, panels).
void SetRecoverWorkingCopiesHook(std::function<void()> hook);
void SetOpenMapHook(std::function<bool(const QString&)> hook);
const std::function<bool(const QString&)>& OpenMapHook();
const std::function<void()>& RecoverWorkingCopiesHook();

// The map of the command line: the parameters joined with single blanks (a path with
// blanks given unquoted arrives whole), made absolute against the given folder. Empty when
// there are no parameters.
QString CommandLineFile(const QStringList& params, const QString& currentFolder);

// The start-up opening of the first showing, run inside the command frame by the caller:
// toolbar layout, panels, recovery (first instance only), then the command-line map or,
// without one, the configured start-up map (AutoLoad and first instance only); last the
// configured start-up file is cleared.
void StartupOpen(const StartupHooks& hooks, const QString& commandLineFile);

} // namespace zemo

namespace zemo {

// At shut-down, after the document windows closed: the working files of the maps still
// open are closed and deleted (a map edited in place keeps its file). Registered by the map
// store.
void SetShutdownDocumentsHook(std::function<void()> hook);
void ShutdownDocuments();

} // namespace zemo
