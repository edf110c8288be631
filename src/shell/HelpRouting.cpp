#include "shell/HelpRouting.h"

#include "core/Help.h"

namespace zemo {

namespace {

int FirstContext(const std::vector<int>& chain)
{
    for (int c : chain)
        if (c > 0)
            return c;
    return 0;
}

} // namespace

bool HelpAvailable()
{
    return CurrentHelpService() != nullptr;
}

void ShowHelp(int context)
{
    ShowHelpContext(context);
}

void ShowHelpIndex()
{
    if (HelpService* help = CurrentHelpService())
        help->ShowPage(QString::fromLatin1(HelpIndexPage));
}

void ShowHomePage()
{
    if (HelpService* help = CurrentHelpService())
        help->ShowPage(QString::fromLatin1(HelpHomePage));
}

int ResolveHelpContext(const std::vector<int>& menuChain, const std::vector<int>& widgetChain)
{
    if (!menuChain.empty())
        return FirstContext(menuChain);
    return FirstContext(widgetChain);
}

} // namespace zemo
