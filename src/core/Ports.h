// What the core library needs from the libraries above it.
#pragma once

#include "core/Port.h"

#include <QString>

namespace zemo {

struct CorePortSet {
    // The path of the map being worked on; empty for an untitled map or none.
    Port<QString()> CurrentMapPath{"core.CurrentMapPath", [] { return QString(); }};
    // The current map's zoom; false when no map is open (the map store). Least: no zoom.
    Port<bool(double& zoom)> CurrentZoom{"core.CurrentZoom", [](double&) { return false; }};
    // Lets pending key presses reach the windows so that Esc can set AbortRequested; other
    // input stays held back (the user interface). Least: nothing.
    Port<void()> PumpKeyMessages{"core.PumpKeyMessages", [] {}};
    // A dialog that opens a command is up (true) or gone (false): meanwhile the map windows
    // behind it finish the paints that input cut short and paint what they are shown (the
    // document windows). Least: nothing; the map is painted when the command ends.
    Port<void(bool up)> PaintBehindDialog{"core.PaintBehindDialog", [](bool) {}};
};

CorePortSet& CorePorts();

} // namespace zemo
