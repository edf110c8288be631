// Texts: the one text engine for point texts (object type 4), text boxes (type 5 with text)
// and line texts (type 2 with a line-text symbol). One layout runs in several modes: the two
// drawing passes, the extent the object stores, caret placement, an anchor point and export
// runs. Text is UTF-16 during layout.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "symbols/store/SymbolLayout.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zemo {

// Layout modes.
enum TextLayoutMode : int {
    TextDrawMode = 0,       // characters, shadows, outlines and the framing rectangle
    TextLineBelowMode = 1,  // the rule under each paragraph
    TextExtentMode = 2,     // extent Cords; also records the caret
    TextCaretHitMode = 3,   // caret from CursorMapPos
    TextCaretLineMode = 4,  // caret to the kept line at the kept x (up and down keys)
    TextAnchorMode = 5,     // line texts: the point at the middle of the text
    TextExportMode = 6,     // export runs
};

inline constexpr int MaxTextChars = 8191;

// Hands one exported object (in CurElement) on.
using TextExportFn = std::function<void(ElementRecord& e)>;

struct TextsState {
    std::u16string TextBuffer;     // the text being laid out
    std::u16string TypingBuffer;   // kept for the text-typing tool

    std::vector<uint8_t> Symbol;   // copy of the symbol in use
    bool Substitute = false;
    uint32_t SavedCmyk = 0;
    bool LineText = false;
    bool Box = false;

    // Spacings in coordinate units.
    int32_t CharSpace = 0;
    int32_t WordSpace = 0;
    int32_t LineSpace = 0;

    // The current line.
    int LineEnd = 0;        // first index of the next line
    int LineDrawEnd = 0;    // one past the last laid-out character (a consumed space follows)
    int32_t LineStartX = 0;
    int32_t LeftMargin = 0;
    int32_t JustExtra = 0;
    int32_t JustRemainder = 0;
    int AfterLastTab = 0;

    double CosA = 1, SinA = 0;
    Cord Origin{};
    int32_t MinX = 0, MaxX = 0;

    // Caret (text editing).
    int CaretIndex = 0;
    int AnchorIndex = 0;
    int CaretLine = 0;
    int32_t CaretX = 0, CaretY = 0;
    int CaretLineLast = 0;
    int AnchorLine = 0;
    int32_t AnchorX = 0, AnchorY = 0;
    Cord CaretPoint{};           // line texts
    double CaretDirection = 0;   // line texts, radians
    std::array<Cord, 8> CaretOutline{};
    int CaretOutlineCount = 0;
    Cord CursorMapPos{};         // mode 3
    bool CaretLineOnly = false;  // the typing tool's redraw: characters of CaretLine only

    // Line texts.
    Cord TextStart{}, TextEnd{}, AnchorPoint{};

    TextExportFn ExportCallback;
};

extern TextsState Texts;

void ResetTextsState();

// The text-metric height (ascent plus descent) of the font a text symbol names, 0.01 mm.
int TextSymbolHeight(std::span<const uint8_t> rec);

void PrepareTextSymbol(const ElementRecord& e);
void SetupTextFont(const ElementRecord& e);
void RestoreTextColor();
void LayoutText(ElementRecord& e, int mode);
void LayoutPlainText(ElementRecord& e, int mode);
void LayoutLineText(ElementRecord& e, int mode);
// The painter of type 4 objects and of type 5 objects with text (DrawElement).
void DrawTextObject();
void DrawTextObject(ElementRecord& e);
// The line painter's call for a line text (DrawElement).
void DrawLineTextObject();
void MeasureTextObject(ElementRecord& e);
void TextAnchorPoint(Cord& out);
void ExportTextObject(const TextExportFn& callback);
void ExportLineText(const TextExportFn& callback);
void CollapseTextSelection();
void BuildTextCaretOutline(const ElementRecord& e);

// Caret placement by mouse in a line text (e): does `mouse` hit the point `middle` on the path
// at the middle of a character, and how far from it? The editing tools register their
// picking test here; empty: a hit within the pick tolerance by the fast metric.
using TextCaretHitFn = std::function<bool(Cord mouse, Cord middle, const ElementRecord& e, int64_t& distance)>;
TextCaretHitFn& TextCaretHitTest();

// The next tab stop after x (coordinate units) of the current symbol and line.
int32_t NextTabStop(int32_t x);

} // namespace zemo
