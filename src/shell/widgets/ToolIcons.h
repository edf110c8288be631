// The toolbar buttons' pictures, drawn in code so that they scale with the screen.
#pragma once

#include "shell/CommandState.h"
#include "shell/MenuModel.h"

#include <QIcon>

namespace zemo {

QIcon ButtonIcon(Cmd button);
// The draw item's picture: a drawing button's, or one of an object kind.
QIcon DrawImageIcon(DrawImage image);

} // namespace zemo
