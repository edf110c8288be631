// What the main frame's widgets need from the libraries above the shell.
#pragma once

#include "core/Port.h"

namespace zemo {

class TMainFm;
struct MainFramePanels;

struct ShellWidgetsPortSet {
    // Puts the symbol box into a frame's symbol panel as the frame is built. Least: the
    // panel stays empty.
    Port<void(TMainFm& frame, MainFramePanels& panels)> FillSymbolPanel{
        "shell_widgets.FillSymbolPanel", [](TMainFm&, MainFramePanels&) {}};
    // Puts the record grid and its buttons into a frame's database panel. Least: the panel
    // stays empty (and hidden).
    Port<void(TMainFm& frame, MainFramePanels& panels)> FillDbPanel{
        "shell_widgets.FillDbPanel", [](TMainFm&, MainFramePanels&) {}};
    // Puts the course tabs into a frame's course panel. Least: the panel stays empty (and
    // hidden).
    Port<void(TMainFm& frame, MainFramePanels& panels)> FillCsPanel{
        "shell_widgets.FillCsPanel", [](TMainFm&, MainFramePanels&) {}};
    // The quick symbol editor's Close button: ends symbol-graphics editing. Least: nothing
    // (there is no such editing to end).
    Port<void()> EndSymbolGraphicsEdit{"shell_widgets.EndSymbolGraphicsEdit", [] {}};
    // The start-up of the units below the shell, once this start stays (it handed no map to
    // a running instance) and the texts are read. Least: nothing.
    Port<void()> StartUnits{"shell_widgets.StartUnits", [] {}};
};

ShellWidgetsPortSet& ShellWidgetsPorts();

} // namespace zemo
