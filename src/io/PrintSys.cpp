#include "io/PrintSys.h"

namespace zemo {

PrintSysState PrintSys;

void ResetPrintSysUnit()
{
    PrintSys = PrintSysState{};
}

} // namespace zemo
