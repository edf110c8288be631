#include "edit/Dr45.h"

#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "platform/Device.h"
#include "render/Bezier.h"
#include "render/Scale.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zemo {

Dr45State Dr45;

namespace {

ElementRecord& E() { return Index.CurElement; }
int N() { return E().nItem; }
Cord& P(int k) { return E().Cords()[k]; }
void SetN(int n) { E().nItem = uint16_t(std::max(n, 0)); }

// A corner and its closing corner keep two slots past the count, and the finish adds both.
int Limit()
{
    return DrawingPointLimit(!Dr45.RectLineHole) - 1;
}

Cord Plain(Cord c)
{
    return {Masked(c.x), Masked(c.y)};
}

Cord ToFrame(Cord c)
{
    Cord out;
    const Cord in = Plain(c);
    RotatePointsBack(Dr45.RefOrigin.x, Dr45.RefOrigin.y, &in, 1, Dr45.RefCos, Dr45.RefSin, &out);
    return out;
}

Cord FromFrame(Cord c)
{
    Cord out;
    RotatePoints(Dr45.RefOrigin.x, Dr45.RefOrigin.y, &c, 1, Dr45.RefCos, Dr45.RefSin, &out);
    return out;
}

// The closing corner for a corner whose frame position has this v.
Cord ClosingCorner(int32_t v)
{
    return FromFrame({Masked(Dr45.RefOrigin.x), v});
}

void DottedPolyline(Cord a, Cord b, Cord c)
{
    Device* dc = GetEditDC();
    if (!dc)
        return;
    const DevicePen solid{PenStyle::Solid, {255, 255, 255}, 1, PenJoin::Bevel, PenCap::Flat, false};
    DevicePen dotted = solid;
    dotted.style = PenStyle::Dot;
    dc->setPen(dotted);
    const QPoint pts[3] = {CordToDevice(Plain(a)), CordToDevice(Plain(b)), CordToDevice(Plain(c))};
    const QPointF line[3] = {pts[0], pts[1], pts[2]};
    dc->polyline(line);
    dc->setPen(solid);
}

// What the tool shows besides the draft: the side being dragged and, from the second corner
// on, the dotted way back to the start.
void Extras()
{
    const int n = N();
    switch (Dr45.RectLineState) {
    case FirstSideDrag:
        XorSegment(P(n - 1), P(n));
        break;
    case NextCornerDrag:
        XorSegment(P(n - 1), P(n));
        DottedPolyline(P(n), P(n + 1), P(n + 2));
        break;
    default:
        break;
    }
}

// Everything the tool shows (XOR: a second call removes it).
void Feedback()
{
    if (EditSys.DraftShown)
        MarkDraft();
    Extras();
}

void DownIdle()
{
    if (Dr45.RectLineHole) {
        if (!BeginSelectedEdit())
            return;
        Dr45.StartCount = N();
    } else {
        if (!BeginNewObject())
            return;
        Index.SelectedHoleStart = 0;
        Dr45.StartCount = 0;
    }
    EditSys.DraftStart = Dr45.StartCount;
    if (N() > Limit()) {
        EditPorts().Beep();
        MaxPointsError();
        return;
    }
    const Cord press = DrawCursor();
    P(N()) = press;
    SetN(N() + 1);
    P(N()) = press;
    Dr45.RectLineState = FirstSideDrag;
    Extras();
}

void DownPlaced()
{
    if (N() > Limit()) {
        EditPorts().Beep();
        MaxPointsError();
        FinishRectLine();
        return;
    }
    Dr45.LastInFrame = ToFrame(P(N() - 1));
    P(N() + 2) = Plain(P(EditSys.DraftStart));
    ConstrainCorner();
    Dr45.CornerPress = DrawCursor();
    Dr45.RectLineState = NextCornerDrag;
    Extras();
}

void UpFirstSide()
{
    Feedback();
    const int n = N();
    if (NearPress(P(n), P(n - 1))) {
        EditSys.DraftShown = false;
        SetN(Dr45.StartCount);
        Dr45.RectLineState = RectLineIdle;
        SetStatusText(Text(TextKey::DragFirst));
        return;
    }
    SetN(n + 1);
    EditSys.DraftShown = true;
    Dr45.RefAngle = DirectionAngle(P(n - 1), P(n)) + std::numbers::pi / 2;
    Dr45.RefSin = std::sin(Dr45.RefAngle);
    Dr45.RefCos = std::cos(Dr45.RefAngle);
    Dr45.RefOrigin = Plain(P(n - 1));
    Dr45.RectLineState = CornerPlaced;
    SetStatusText(Text(TextKey::DragNext));
    Feedback();
}

// The corner being dragged was not placed: the figure closes from the last placed one.
void CloseFromLastCorner()
{
    Extras();
    Dr45.RectLineState = CornerPlaced;
    P(N()) = ClosingCorner(ToFrame(P(N() - 1)).y);
    P(N() + 1) = Plain(P(EditSys.DraftStart));
    FinishRectLine();
}

void UpNextCorner()
{
    if (NearPress(Dr45.CornerPress, DrawCursor())) {
        CloseFromLastCorner();
        return;
    }
    Feedback();
    SetN(N() + 1);
    Dr45.RectLineState = CornerPlaced;
    SetStatusText(Text(TextKey::DragNext));
    Feedback();
}

} // namespace

void ResetDr45()
{
    Dr45 = Dr45State{};
}

void RegisterRectLineTool()
{
    RegisterTool(ToolModes::Rectangular, {[](const ToolStartArgs& a) { RectLineStart(a.cut); }, &RectLineEnd,
                                          &RectLineMouseDown, &RectLineMoveBefore, &RectLineMoveAfter,
                                          &RectLineMouseUp, &RectLineKey});
}

void RectLineStart(int flag)
{
    Work.ToolMode = ToolModes::Rectangular;
    Dr45.RectLineState = RectLineIdle;
    Dr45.RectLineHole = flag > 0;
    Dr45.RectLineCursor = flag > 0 ? Draw45CutCursor : Draw45Cursor;
    GuardEvent("Dr45", "RectLineStart", [flag] {
        BeginDrawingTool(flag, Draw45Cursor, Draw45CutCursor, RectangularHelpContext);
        SetStatusText(Text(TextKey::DragFirst));
    });
}

void RectLineEnd()
{
    if (Work.ToolMode != ToolModes::Rectangular)
        return;
    Work.ToolMode = ToolModes::None;
    GuardEvent("Dr45", "RectLineEnd", [] {
        if (Dr45.RectLineState == NextCornerDrag)
            CloseFromLastCorner();
        else if (Dr45.RectLineState != RectLineIdle)
            FinishRectLine();
    });
    EndDrawingTool(Dr45.RectLineHole);
}

void RectLineMouseDown()
{
    GuardEvent("Dr45", "RectLineMouseDown", [] {
        if (TypingTakesPress())
            return;
        switch (Dr45.RectLineState) {
        case RectLineIdle: DownIdle(); break;
        case CornerPlaced: DownPlaced(); break;
        default: break;
        }
    });
}

void RectLineMoveBefore()
{
    if (EditSys.TypingActive)
        return;
    GuardEvent("Dr45", "RectLineMoveBefore", [] { Extras(); });
}

void RectLineMoveAfter()
{
    GuardEvent("Dr45", "RectLineMoveAfter", [] {
        if (TypingTakesMove())
            return;
        SetToolCursor(Dr45.RectLineCursor);
        switch (Dr45.RectLineState) {
        case FirstSideDrag: P(N()) = DrawCursor(); break;
        case NextCornerDrag: ConstrainCorner(); break;
        default: break;
        }
        Extras();
    });
}

void RectLineMouseUp()
{
    if (EditSys.TypingActive) {
        TypingMouseUp();
        return;
    }
    GuardEvent("Dr45", "RectLineMouseUp", [] {
        switch (Dr45.RectLineState) {
        case FirstSideDrag: UpFirstSide(); break;
        case NextCornerDrag: UpNextCorner(); break;
        default: break;
        }
    });
}

void RectLineKey(int ch)
{
    GuardEvent("Dr45", "RectLineKey", [ch] {
        if (Dr45.RectLineState == RectLineIdle)
            IdleToolKey(ch);
    });
}

void ConstrainCorner()
{
    const Cord c = ToFrame(DrawCursor());
    int32_t u = c.x, v = c.y;
    const Cord last = Dr45.LastInFrame;
    if (std::llabs(int64_t(u) - last.x) <= std::llabs(int64_t(v) - last.y))
        u = last.x;
    else
        v = last.y;
    P(N()) = FromFrame({u, v});
    P(N() + 1) = ClosingCorner(v);
}

void FinishRectLine()
{
    GuardEvent("Dr45", "FinishRectLine", [] {
        Feedback();
        EditSys.DraftShown = false;
        const int start = EditSys.DraftStart;
        if (N() > start + 2) {
            SetN(N() + 2);
            for (int i = start + 1; i <= N() - 2; ++i)
                P(i).y |= CornerFlag;
            if (Dr45.RectLineHole) {
                StoreIntoSelected(Dr45.StartCount, true, false);
                DocumentPorts().UpdateUndoButtons();
            } else {
                StoreNewObject();
            }
        } else {
            SetN(Dr45.StartCount);
        }
        Dr45.RectLineState = RectLineIdle;
        SetStatusText(Text(TextKey::DragFirst));
    });
}

} // namespace zemo
