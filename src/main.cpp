// zemo: the map editor's executable.
#include "shell/widgets/Program.h"

int main(int argc, char* argv[])
{
    return zemo::RunProgram(argc, argv);
}
