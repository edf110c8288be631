// What the document windows need from the main frame: where a new window goes, the map's
// pop-up menu, and the frame's layout before a paint inside a command.
#pragma once

#include "core/Port.h"

#include <QPoint>

namespace zemo {

class TMdiChild;

// The least: a window of its own.
void ShowOwnWindow(TMdiChild* child);

struct EditWidgetsPortSet {
    Port<void(TMdiChild*)> AddWindow{"edit_widgets.AddWindow", ShowOwnWindow};
    Port<void(QPoint globalPos)> ShowWorkPopUp{"edit_widgets.ShowWorkPopUp", [](QPoint) {}};
    // The frame laid out now as it stays for the state as it is (the panels a map shows), so
    // that a window painting inside a command paints at the size it keeps. The least: nothing
    // around the window changes.
    Port<void()> LayOutFrame{"edit_widgets.LayOutFrame", [] {}};
};

EditWidgetsPortSet& EditWidgetsPorts();

} // namespace zemo
