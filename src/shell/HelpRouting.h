// Which help page F1 opens: the running dialog's or tool's context first, then the item of
// an open menu (or the menu it sits in), then the control under the pointer and its parents.
#pragma once

#include <functional>
#include <vector>

namespace zemo {

inline constexpr int MainFrameHelpContext = 101;

// The help context of the dialog or tool that is running (0 or less: none); answered by the
// core's help unit once registered.
void SetActiveHelpContextHook(std::function<int()> hook);
int ActiveHelpContextNow();

// Opens the help page of a context; until the help system registers, nothing opens and
// the help commands stay disabled.
void SetShowHelpHook(std::function<void(int)> hook);
bool HelpAvailable();
void ShowHelp(int context);

// menuChain: the highlighted item of the open menu and the menus above it (empty when no
// menu is open); widgetChain: the control under the pointer and its parents. The first
// context above 0 wins; 0 when there is none.
int ResolveHelpContext(int activeContext, const std::vector<int>& menuChain,
                       const std::vector<int>& widgetChain);

} // namespace zemo
