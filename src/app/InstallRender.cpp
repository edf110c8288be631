#include "app/Install.h"

#include "render/Texts.h"

namespace zemo {

void InstallRender()
{
    InitTexts();
}

} // namespace zemo
