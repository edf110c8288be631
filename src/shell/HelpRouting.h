// Which help page F1 opens: the item of an open menu (or the menu it sits in), else the
// control under the pointer and its parents, up to the main frame, whose context the running
// tool sets. A message box's context, while one is up, wins over both.
#pragma once

#include "core/Help.h"

#include <vector>

namespace zemo {

// The pages of the Help menu's own items.
inline constexpr int MenuHelpContext = 110;
inline constexpr int ToolbarHelpContext = 204;

// Help opens only when the program has a help service.
bool HelpAvailable();
// Opens the page of a context (a message box's context while one is up).
void ShowHelp(int context);
// The help's contents (its index) and the program's home page.
void ShowHelpIndex();
void ShowHomePage();

// menuChain: the highlighted item of the open menu and the menus above it (empty when no
// menu is open); widgetChain: the control under the pointer and its parents. The first
// context above 0 wins; 0 when there is none.
int ResolveHelpContext(const std::vector<int>& menuChain, const std::vector<int>& widgetChain);

} // namespace zemo
