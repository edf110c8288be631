// What the core's controls need from the libraries above them.
#pragma once

#include "core/Port.h"

#include <QCursor>

namespace zemo {

struct CoreWidgetsPortSet {
    // The program's own cursor of a number from 1 up (the document window's tools). Least:
    // the arrow.
    Port<QCursor(int number)> OwnCursor{"core_widgets.OwnCursor",
                                        [](int) { return QCursor(Qt::ArrowCursor); }};
};

CoreWidgetsPortSet& CoreWidgetsPorts();

} // namespace zemo
