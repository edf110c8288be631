// Screenshots of the Template menu's dialogs: the options of a raster template that may take a
// spot colour, those of a map template, and the list that Close offers. Nothing is stored.
#pragma once

#include "EditorShots.h"

namespace zemo {

void TemplateDialogShots(const ShotSink& sink);

} // namespace zemo
