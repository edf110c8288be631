#include "app/Install.h"

#include "core/Ports.h"
#include "core/widgets/QtServices.h"
#include "document/Index.h"
#include "document/Open.h"

namespace zemo {

void InstallCore()
{
    InstallCoreUiServices();
    CorePorts().CurrentMapPath.Bind([] { return DocumentPath(Index.ActiveZmd); });
}

} // namespace zemo
