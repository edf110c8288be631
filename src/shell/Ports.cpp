#include "shell/Ports.h"

namespace zemo {

ShellPortSet& ShellPorts()
{
    static ShellPortSet ports;
    return ports;
}

} // namespace zemo
