#include "app/Install.h"

#include "core/Ports.h"
#include "document/Index.h"
#include "document/Open.h"

namespace zemo {

void InstallDocument()
{
    CorePorts().CurrentMapPath.Bind([] { return DocumentPath(Index.ActiveZmd); });
}

} // namespace zemo
