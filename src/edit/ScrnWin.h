// ScrnWin: the rectangle the user sets on the map with the mouse (tool mode 18) for printing,
// a course-only sheet or one-page print, an export range or a partial map. It is moved as a
// whole or resized by an edge or a corner, its size shown in the status line, and stored in
// the map's setup when the tool ends.
#pragma once

#include "core/Cord.h"

#include <QString>


namespace zemo {

enum ScreenWinVariantKind : int {
    ScreenWinPrint = 0,
    ScreenWinFixedSheet = 1,   // course-only sheet and one-page print: moved only
    ScreenWinExport = 2,
    ScreenWinExport2 = 3,
    ScreenWinPartialMap = 4,
};

// What lies under the cursor: edge bits, corners combined, 15 inside.
enum ScreenWinPart : int {
    ScreenWinLeft = 1,
    ScreenWinBottom = 2,
    ScreenWinRight = 4,
    ScreenWinTop = 8,
    ScreenWinInside = 15,
};

// The topics of the tool by variant: print ranges, export ranges, the partial map.
inline constexpr int PrintRangeHelpContext = 66;
inline constexpr int ExportRangeHelpContext = 175;
inline constexpr int PartialMapHelpContext = 67;

struct ScrnWinUnitState {
    int ScreenWinVariant = 0;
    bool ScreenWinResizable = true;
    int ScreenWinState = 0;    // 0 idle, 1 moving, 2 resizing
    int ScreenWinHit = 0;
};

extern ScrnWinUnitState ScrnWin;

void ResetScrnWinUnit();
// Enters the tool's procedures in the tool table (tool mode 18).
void RegisterScreenWinTool();

void StartScreenWin(int variant);
void ScreenWinEnd();
void ScreenWinMouseDown();
void ScreenWinMoveErase();
void ScreenWinMoveDraw();
void ScreenWinMouseUp();

// The part of the rectangle under Work.CursorMapPos (sets ScreenWinHit and the cursor).
int ScreenWinHitTest();
// The size text of the status line.
QString ScreenWinSizeText();
void ShowScreenWinSize();

} // namespace zemo
