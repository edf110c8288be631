// What the document windows need from the main frame: where a new window goes, and the map's
// pop-up menu.
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
};

EditWidgetsPortSet& EditWidgetsPorts();

} // namespace zemo
