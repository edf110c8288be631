#include "app/Wiring.h"

#include "app/Install.h"

namespace zemo {

void InstallProgram()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    InstallCore();
    InstallDocument();
    InstallRender();
    InstallEdit();
    InstallShell();
    InstallSymbols();
}

} // namespace zemo
