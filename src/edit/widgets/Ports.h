// What the document windows need from the main frame: where a new window goes, whether a
// window is the active one, and the map's pop-up menu.
#pragma once

#include "core/Port.h"

#include <QPoint>

namespace zemo {

class TMdiChild;

// The leasts: a window of its own; the window whose view is the active one.
void ShowOwnWindow(TMdiChild* child);
bool OwnViewActive(const TMdiChild* child);

struct EditWidgetsPortSet {
    Port<void(TMdiChild*)> AddWindow{"edit_widgets.AddWindow", ShowOwnWindow};
    Port<bool(const TMdiChild*)> IsActiveChild{"edit_widgets.IsActiveChild", OwnViewActive};
    Port<void(QPoint globalPos)> ShowWorkPopUp{"edit_widgets.ShowWorkPopUp", [](QPoint) {}};
};

EditWidgetsPortSet& EditWidgetsPorts();

} // namespace zemo
