#include "app/Install.h"

#include "core/Ports.h"
#include "document/Index.h"
#include "document/Open.h"

namespace zemo {

void InstallDocument()
{
    CorePorts().CurrentMapPath.Bind([] { return DocumentPath(Index.ActiveZmd); });
    CorePorts().CurrentZoom.Bind([](double& zoom) {
        if (!Index.MapOpen || !Index.ActiveZmd)
            return false;
        zoom = Index.ActiveZmd->Setup.Zoom;
        return true;
    });
}

} // namespace zemo
