#include "app/Install.h"

namespace zemo {

void InstallEdit() {}

} // namespace zemo
