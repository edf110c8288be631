#include "app/Install.h"

#include "render/Texts.h"

namespace zemo {

void InstallDocument()
{
    InitTexts();
}

} // namespace zemo
