// The object functions in the Edit menu, the edit toolbar and the Extras menu: clipboard,
// delete, duplicate, reverse, join, fill, change symbol, to graphics and to curves.
#pragma once

namespace zemo {

void RegisterObjectCommands();

} // namespace zemo
