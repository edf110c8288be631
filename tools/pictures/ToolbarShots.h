// Screenshots of the main frame's toolbars away from their designed place: both in two rows of
// the left dock, and one floating in three lines.
#pragma once

#include "EditorShots.h"

namespace zemo {

void ToolbarShots(TMainFm& frame, const ShotSink& sink);

} // namespace zemo
