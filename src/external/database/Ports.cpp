#include "external/database/Ports.h"

namespace zemo {

DatabasePortSet& DatabasePorts()
{
    static DatabasePortSet ports;
    return ports;
}

} // namespace zemo
