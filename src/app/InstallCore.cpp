#include "app/Install.h"

#include "core/widgets/QtServices.h"

namespace zemo {

void InstallCore()
{
    InstallCoreUiServices();
}

} // namespace zemo
