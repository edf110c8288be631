// Screenshots of the print dialog, both of its pages, on the open map's settings. Nothing is
// stored and nothing prints.
#pragma once

#include "EditorShots.h"

namespace zemo {

void PrintDialogShots(const ShotSink& sink);

} // namespace zemo
