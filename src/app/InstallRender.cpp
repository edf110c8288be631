#include "app/Install.h"

namespace zemo {

void InstallRender() {}

} // namespace zemo
