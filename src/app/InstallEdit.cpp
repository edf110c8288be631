#include "app/Install.h"

#include "shell/widgets/DocumentLinks.h"

namespace zemo {

void InstallEdit()
{
    LinkDocumentWindows();
}

} // namespace zemo
