// The toolbar buttons' pictures, drawn in code so that they scale with the screen.
#pragma once

#include "shell/MenuModel.h"

#include <QIcon>

namespace zemo {

QIcon ButtonIcon(Cmd button);

} // namespace zemo
