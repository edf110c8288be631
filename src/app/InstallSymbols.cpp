#include "app/Install.h"

#include "symbols/widgets/SymbolFeatures.h"

namespace zemo {

void InstallSymbols()
{
    InstallSymbolFeatures();
}

} // namespace zemo
