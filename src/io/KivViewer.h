// KivViewer: the map viewer the internet map's page carries in its own script, so that the
// page shows the map in a browser without plug-in or network. It reads the level file's bytes
// (embedded in the page: a page opened from disk may not fetch the files beside it) and the
// tiles beside the page, and takes the place of the applet element whose parameters it reads.
// It offers the levels (click and wheel, the zoom-out button when the page asks for one),
// moving the map by dragging or with the arrow keys, the pointer the find box sets and the
// hotspots with their links, through the calls the page's scripts make on the applet.
// An address ending in "#level,x,y" shows that place, one in "#find=name" picks the name
// from the find box.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace zemo {

// The page's script lines: the viewer, then its start over the applet named "map" with the
// level file's bytes.
QStringList KivViewerLines(const QByteArray& levelFile);

} // namespace zemo
