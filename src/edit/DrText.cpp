#include "edit/DrText.h"

#include "core/EventGuard.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <algorithm>
#include <cstdlib>

namespace zemo {

DrTextState DrText;

namespace {

ElementRecord& E() { return Index.CurElement; }

void RubberRect()
{
    XorRectangle(DrText.TextRect);
}

// A point text at the press, or a text box over the dragged rectangle; empty either way.
void BuildText()
{
    const CordRect& r = DrText.TextRect;
    ElementRecord& e = E();
    const SymbolBytes* s = Index.CurSymbol;
    e.Symbol = s ? SymI16(*s, SymNumber) : 0;
    e.Flags = 0;
    e.Angle = e.Word10 = e.Word12 = e.Word14 = 0;
    e.LayerName.fill(0);
    const int width = std::abs(CordToDevice(Cord{r.x2, r.y1}).x() - CordToDevice(Cord{r.x1, r.y1}).x());
    Cord* p = e.Cords();
    if (width < TextBoxPixels) {
        // The layout sets the other four points to the text's extent.
        e.ObjectType = TextObject;
        e.nItem = 5;
        std::fill(p, p + 5, Cord{r.x1, r.y1});
    } else {
        const int32_t x1 = std::min(r.x1, r.x2), x2 = std::max(r.x1, r.x2);
        const int32_t y1 = std::min(r.y1, r.y2), y2 = std::max(r.y1, r.y2);
        e.ObjectType = RectangleObject;
        e.nItem = 4;
        p[0] = {x1, y1};
        p[1] = {x2, y1};
        p[2] = {x2, y2};
        p[3] = {x1, y2};
    }
    e.nText = NewTextSlots;
    std::fill(p + e.nItem, p + e.nItem + NewTextSlots, Cord{});
}

} // namespace

void ResetDrText()
{
    DrText = DrTextState{};
}

void RegisterTextTool()
{
    RegisterTool(ToolModes::PlaceText, {[](const ToolStartArgs&) { TextToolStart(); }, &TextToolEnd,
                                        &TextToolMouseDown, &TextToolMoveBefore, &TextToolMoveAfter,
                                        &TextToolMouseUp, &TextToolKey});
}

void TextToolStart()
{
    Work.ToolMode = ToolModes::PlaceText;
    DrText.TextPlaceState = 0;
    GuardEvent("DrText", "TextToolStart", [] {
        Index.CurSymbol = CurrentSymbol();
        SetToolCursor(DrawTextCursor);
    });
}

void TextToolEnd()
{
    if (Work.ToolMode != ToolModes::PlaceText)
        return;
    GuardEvent("DrText", "TextToolEnd", [] {
        // A box still being dragged is not placed.
        if (DrText.TextPlaceState == 1)
            RubberRect();
        DrText.TextPlaceState = 0;
    });
    Work.ToolMode = ToolModes::None;
    EndDrawingTool(false);
}

void TextToolMouseDown()
{
    GuardEvent("DrText", "TextToolMouseDown", [] {
        if (TypingTakesPress())
            return;
        if (DrText.TextPlaceState != 0 || !Index.CurSymbol)
            return;
        const Cord press = DrawCursor();
        DrText.TextRect = {press.x, press.y, press.x, press.y};
        DrText.TextPlaceState = 1;
        RubberRect();
    });
}

void TextToolMoveBefore()
{
    if (DrText.TextPlaceState != 1)
        return;
    GuardEvent("DrText", "TextToolMoveBefore", [] { RubberRect(); });
}

void TextToolMoveAfter()
{
    GuardEvent("DrText", "TextToolMoveAfter", [] {
        if (TypingTakesMove())
            return;
        SetToolCursor(DrawTextCursor);
        if (DrText.TextPlaceState == 1) {
            const Cord c = DrawCursor();
            DrText.TextRect.x2 = c.x;
            DrText.TextRect.y2 = c.y;
            RubberRect();
        }
    });
}

void TextToolMouseUp()
{
    if (EditSys.TypingActive) {
        TypingMouseUp();
        return;
    }
    GuardEvent("DrText", "TextToolMouseUp", [] {
        if (DrText.TextPlaceState != 1)
            return;
        RubberRect();
        DrText.TextPlaceState = 0;
        BeginElementEdit(0);
        DropSelection();
        BuildText();
        const int no = StoreNewObject();
        if (no > 0 && Index.SelectedIndex == no) {
            DocumentPorts().UpdateUndoButtons();
            ReadElement(no, E());
            StartTyping();
        }
    });
}

void TextToolKey(int ch)
{
    GuardEvent("DrText", "TextToolKey", [ch] {
        if (DrText.TextPlaceState == 0)
            IdleToolKey(ch);
    });
}

} // namespace zemo
