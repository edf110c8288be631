// What the core library needs from the libraries above it.
#pragma once

#include "core/Port.h"

#include <QString>

namespace zemo {

struct CorePortSet {
    // The path of the map being worked on; empty for an untitled map or none.
    Port<QString()> CurrentMapPath{"core.CurrentMapPath", [] { return QString(); }};
};

CorePortSet& CorePorts();

} // namespace zemo
