// Screenshots of the export dialogs: EPS, Illustrator, the export range, one page and the
// partial map, on the open map's setup. Nothing is stored.
#pragma once

#include "EditorShots.h"

namespace zemo {

void ExportDialogShots(const ShotSink& sink);

} // namespace zemo
