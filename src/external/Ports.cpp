#include "external/Ports.h"

namespace zemo {

ExternalPortSet& ExternalPorts()
{
    static ExternalPortSet ports;
    return ports;
}

} // namespace zemo
