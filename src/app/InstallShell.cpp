#include "app/Install.h"

#include "shell/widgets/DocumentCommands.h"
#include "shell/widgets/DocumentLinks.h"
#include "shell/widgets/ViewCommands.h"

namespace zemo {

void InstallShell()
{
    LinkDocumentWindows();
    RegisterDocumentCommands();
    RegisterViewCommands();
}

} // namespace zemo
