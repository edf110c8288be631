// The whole-map commands of the Extras menu that exist: optimize and repair, move, stretch and
// rotate the map, change symbols (also the toolbar's button), change the scale, create grid
// lines, export objects by symbol.
#pragma once

namespace zemo {

void RegisterExtrasCommands();

} // namespace zemo
