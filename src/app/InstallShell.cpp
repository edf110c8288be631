#include "app/Install.h"

#include "shell/widgets/DocumentCommands.h"
#include "shell/widgets/ViewCommands.h"

namespace zemo {

void InstallShell()
{
    RegisterDocumentCommands();
    RegisterViewCommands();
}

} // namespace zemo
