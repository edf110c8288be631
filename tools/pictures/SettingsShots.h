// Screenshots of the dialogs of the options and help menus, each on its own: the preferences
// page by page, the scales and the map information of the open map, the about box and the
// missing-fonts list.
#pragma once

#include "EditorShots.h"

class QDialog;

namespace zemo {

void SettingsDialogShots(const ShotSink& sink);
// The dialog shown on its own, grabbed from the screen and saved under the name; a picture
// of hardly any colours is a failure.
void ShootDialog(const ShotSink& sink, QDialog& d, const QString& name);

} // namespace zemo
