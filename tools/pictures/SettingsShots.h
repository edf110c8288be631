// Screenshots of the dialogs of the options and help menus, each on its own: the preferences
// page by page, the scales and the map information of the open map, the about box and the
// missing-fonts list.
#pragma once

#include "EditorShots.h"

namespace zemo {

void SettingsDialogShots(const ShotSink& sink);

} // namespace zemo
