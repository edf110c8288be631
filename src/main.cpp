// zemo: the map editor's executable.
#include "shell/widgets/Program.h"
#include "symbols/widgets/SymbolFeatures.h"

int main(int argc, char* argv[])
{
    // The libraries above the shell join the main frame before it is built.
    zemo::InstallSymbolFeatures();
    return zemo::RunProgram(argc, argv);
}
