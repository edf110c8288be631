// DrText: placing texts (tool mode 9). A click places a point text, a drag a text box over
// the dragged rectangle; typing then starts on it (TextEdit). A text left empty goes again
// when typing ends.
#pragma once

#include "core/Cord.h"

namespace zemo {

// A drag narrower than this (pixels) places a point text, whatever its height.
inline constexpr int TextBoxPixels = 12;
// The text slots a new text starts with.
inline constexpr int NewTextSlots = 8;

struct DrTextState {
    int TextPlaceState = 0;  // 0 idle, 1 dragging
    CordRect TextRect;       // first corner the press, second the pointer
};

extern DrTextState DrText;

void ResetDrText();
// Enters the tool's seven procedures in the tool table (tool mode 9).
void RegisterTextTool();

void TextToolStart();
void TextToolEnd();
void TextToolMouseDown();
void TextToolMoveBefore();
void TextToolMoveAfter();
void TextToolMouseUp();
void TextToolKey(int ch);

} // namespace zemo
