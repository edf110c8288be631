// The program's start-up and the opening of maps it does on its own: the map named on the
// command line, the configured start-up map and the recovery of working copies left by an
// earlier run.
#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

// True when no other running instance was found at start-up.
extern bool NoOtherInstance;
// Set until the main frame's first showing has run the start-up opening.
extern bool FirstPaintPending;
// Alt is held down over the main frame.
extern bool AltDown;

// The map of the command line: the parameters joined with single blanks (a path with
// blanks given unquoted arrives whole), made absolute against the given folder. Empty when
// there are no parameters.
QString CommandLineFile(const QStringList& params, const QString& currentFolder);

// The map store's part of the first showing, run inside the command frame by the frame
// after it restored its toolbars and hid its panels: the undo file (stale ones removed by
// the first instance), no map open, recovery (first instance only), then the command-line
// map or, without one, the configured start-up map (AutoLoad and first instance only); last
// the configured start-up file is cleared.
void StartupOpen(const QString& commandLineFile);

// At shut-down, after the document windows closed: the working files of the maps still
// open are closed and deleted (a map edited in place keeps its file), and the undo file.
void ShutdownDocuments();

} // namespace zemo
