#include "core/widgets/Ports.h"

namespace zemo {

CoreWidgetsPortSet& CoreWidgetsPorts()
{
    static CoreWidgetsPortSet ports;
    return ports;
}

} // namespace zemo
