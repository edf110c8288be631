#include "shell/HelpRouting.h"

namespace zemo {

namespace {

std::function<int()> ActiveHook;
std::function<void(int)> ShowHook;

int FirstContext(const std::vector<int>& chain)
{
    for (int c : chain)
        if (c > 0)
            return c;
    return 0;
}

} // namespace

void SetActiveHelpContextHook(std::function<int()> hook)
{
    ActiveHook = std::move(hook);
}

int ActiveHelpContextNow()
{
    return ActiveHook ? ActiveHook() : 0;
}

void SetShowHelpHook(std::function<void(int)> hook)
{
    ShowHook = std::move(hook);
}

bool HelpAvailable()
{
    return bool(ShowHook);
}

void ShowHelp(int context)
{
    if (ShowHook && context > 0)
        ShowHook(context);
}

int ResolveHelpContext(int activeContext, const std::vector<int>& menuChain,
                       const std::vector<int>& widgetChain)
{
    if (activeContext >= 1)
        return activeContext;
    if (!menuChain.empty())
        return FirstContext(menuChain);
    return FirstContext(widgetChain);
}

} // namespace zemo
