#include "app/Install.h"

#include "core/Ports.h"
#include "core/widgets/EscapeFilter.h"
#include "core/widgets/QtServices.h"

namespace zemo {

void InstallCore()
{
    InstallCoreUiServices();
    CorePorts().PumpKeyMessages.Bind(&EscapeFilter::PumpInstalled);
}

} // namespace zemo
