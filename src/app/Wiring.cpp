#include "app/Wiring.h"

#include "app/Install.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "render/Scale.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace zemo {

void InstallProgram()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    InstallCore();
    InstallDocument();
    InstallRender();
    InstallEdit();
    InstallShell();
    InstallSymbols();
    InstallIo();
    InstallExternal();
    InstallCourse();
}

void StartUnits()
{
    InitIndexUnit();
    // Objects whose symbol is gone paint in this grey; before it is set they paint white.
    InitGraphSys();
    InitFonts();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const auto ppi = [](double dpi) { return int16_t(std::clamp(std::lround(dpi), 24L, 960L)); };
        Scale.ScreenPixelsPerInchX = ppi(screen->logicalDotsPerInchX());
        Scale.ScreenPixelsPerInchY = ppi(screen->logicalDotsPerInchY());
    }
}

} // namespace zemo
