// The program's own mouse cursors, 1..37 by name, drawn in code at first use.
#pragma once

#include <QCursor>

namespace zemo {

inline constexpr int CursorCount = 37;

// "MOVECROSS" .. "INSERTTEXT"; nullptr outside 1..37.
const char* CursorName(int index);
// The program's own cursor 1..37 (the arrow outside). The drawing surface shows the
// standard cursors of 0 and the negative indexes itself.
QCursor ToolCursor(int index);
// Shows cursor n on the current window's drawing surface (only while a map window is current).
void SetToolCursor(int index);

} // namespace zemo
