// Text typing into the text of the current object (CurElement, number Index.SelectedIndex):
// a text object, a line-text object or a rectangle with text. The text is edited in a UTF-16
// buffer (Texts.TypingBuffer) with a caret and a selection (Texts.CaretIndex and AnchorIndex);
// changes reach the object once per burst of keys, when the application is idle.
//
// Layout, caret placement and the caret outline are the text painter's (render/Texts.h).
#pragma once

#include "core/Element.h"

#include <QString>

#include <functional>

namespace zemo {

struct TextEditState {
    bool TextDragSelecting = false;
    bool TypingChanged = false;      // the object's text was written since StartTyping
    bool EditPending = false;        // a change or caret move waits for the idle commit
    bool TextDirty = false;          // the buffer changed since the last commit
    bool CommitScheduled = false;
    bool RightToLeft = false;        // the input runs right to left
    char16_t PendingHighSurrogate = 0;
    bool ColumnKept = false;         // Up and Down keep the column of their first step
    int32_t KeptColumnX = 0;
    // Taken at the first change after a commit: the caret's line, its baseline and the end
    // of that line from the last layout, and the text length. When only the end moved, and
    // by the change in length, the change stayed within that line.
    int SnapLine = 0;
    int32_t SnapLineY = 0;
    int SnapLineEnd = 0;
    int SnapLength = 0;
};

extern TextEditState TextEdit;

void ResetTextEdit();

// The most characters the object's text may hold: 8191, less when the object's points leave
// less room in an object (a text grows in runs of 32 characters).
int MaxTypingChars(const ElementRecord& e);

void StartTyping();
void EndTyping();
// The press (Work.CursorMapPos) lies on the typed object by the picking test of its type:
// the path of a line text, the box of a text.
bool PressOnTypingText();
void TypingMouseDown();
void TypingMouseMove();
void TypingMouseUp();
// One typed UTF-16 unit (a surrogate pair comes as two calls).
void TypingKey(char16_t c);
// Committed text of an input method (or a key's whole text).
void TypingText(const QString& text);
// Keys of the window's key-down handler while typing; true when the key was used.
bool TypingKeyDown(int qtKey, bool shift, bool ctrl, bool alt);
void MoveCaret(int qtKey, bool shift);
void DeleteText();
void CopyText();
void CutText();
void PasteText();
// Writes pending changes into the object; called when the application is idle. With
// background redraw off the old picture is erased and the new one painted in place (only
// the caret's line when the change stayed within it), else the changed area is invalidated.
void CommitTyping();

// The clipboard text as it may be inserted: line ends as CR LF (text objects) or dropped
// with TAB and the other control characters (line texts), lone surrogates dropped.
std::u16string CleanPastedText(const QString& text, bool lineText);

} // namespace zemo
