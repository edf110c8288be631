// The toolbar buttons' pictures and the program's icon, drawn in code so that they scale
// with the screen.
#pragma once

#include "shell/CommandState.h"
#include "shell/MenuModel.h"

#include <QIcon>

namespace zemo {

// The grey of the darkest line of a disabled button's picture.
inline constexpr int DisabledDarkest = 170;

QIcon ButtonIcon(Cmd button);
// The program's own icon, on the main frame, its map windows and its dialogs: a control
// circle on a map sheet.
QIcon ProgramIcon();
// The draw item's picture: a drawing button's, or one of an object kind.
QIcon DrawImageIcon(DrawImage image);

} // namespace zemo
