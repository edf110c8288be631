// Screenshots of the colour dialogs on the open map: the colour table and the colour dialog,
// the spot-colour separations and their view options, the transparent view options, the
// colour correction and Enlarge symbols. Nothing is stored.
#pragma once

#include "EditorShots.h"

namespace zemo {

void ColourDialogShots(const ShotSink& sink);

} // namespace zemo
