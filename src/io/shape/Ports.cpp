#include "io/shape/Ports.h"

#include "document/Index.h"
#include "shell/CommandFrame.h"

namespace zemo {

ShapePortSet& ShapePorts()
{
    static ShapePortSet ports;
    return ports;
}

void RegisterShapeWorkers()
{
    InitImpShapeUnit();
    RegisterWorker(Cmd::FileExportShape, ExportShape,
                   [] { return Index.ActiveZmd != nullptr && ShapePorts().RunExpShapeDialog.Bound(); });
}

} // namespace zemo
