// Options > Preferences and Scales, Help > Map information and About ZEMO.
#pragma once

namespace zemo {

void RegisterSettingsCommands();

} // namespace zemo
