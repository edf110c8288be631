// zemo: the map editor's executable.
#include "app/Wiring.h"
#include "shell/widgets/Program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    zemo::InstallProgram();
    return zemo::RunProgram(app);
}
