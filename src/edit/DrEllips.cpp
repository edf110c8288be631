#include "edit/DrEllips.h"

#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "render/Bezier.h"

#include <cmath>
#include <numbers>

namespace zemo {

DrEllipsState DrEllips;

namespace {

ElementRecord& E() { return Index.CurElement; }
int N() { return E().nItem; }
Cord& P(int k) { return E().Cords()[k]; }
void SetN(int n) { E().nItem = uint16_t(std::max(n, 0)); }

// The axis (the draft once its end is placed) and the line being dragged (XOR: a second
// call removes them).
void AxisFeedback()
{
    if (EditSys.DraftShown)
        MarkDraft();
    if (DrEllips.EllipseState == AxisDrag)
        XorSegment(P(N() - 1), P(N()));
}

void Idle()
{
    DrEllips.EllipseState = EllipseIdle;
    SetStatusText(Text(TextKey::DragLongerAx));
}

// Whatever is drawn goes, nothing is stored.
void Abandon()
{
    if (DrEllips.EllipseState == WidthDrag)
        DrEllips.Preview.Hide();
    else
        AxisFeedback();
    EditSys.DraftShown = false;
    SetN(DrEllips.StartCount);
    Idle();
}

void DownIdle()
{
    if (DrEllips.EllipseHole) {
        if (!BeginSelectedEdit())
            return;
        DrEllips.StartCount = N();
    } else {
        if (!BeginNewObject())
            return;
        EditPorts().UpdateToolButtons();
        DrEllips.StartCount = 0;
    }
    EditSys.DraftStart = DrEllips.StartCount;
    if (N() > DrawingPointLimit(!DrEllips.EllipseHole) - OutlineRoom) {
        EditPorts().Beep();
        MaxPointsError();
        return;
    }
    const Cord press = DrawCursor();
    P(N()) = press;
    SetN(N() + 1);
    P(N()) = press;
    EditSys.DraftShown = true;
    DrEllips.EllipseState = AxisDrag;
    AxisFeedback();
}

void UpAxis()
{
    AxisFeedback();
    const int n = N();
    if (NearPress(P(n), P(n - 1))) {
        EditSys.DraftShown = false;
        SetN(DrEllips.StartCount);
        Idle();
        return;
    }
    SetN(n + 1);
    const Cord s = P(n - 1), e = P(n);
    DrEllips.EllipseAngle = DirectionAngle(s, e) + std::numbers::pi / 2;
    DrEllips.EllipseSin = std::sin(DrEllips.EllipseAngle);
    DrEllips.EllipseCos = std::cos(DrEllips.EllipseAngle);
    const Cord c{Masked(s.x / 2 + e.x / 2), Masked(s.y / 2 + e.y / 2)};
    DrEllips.EllipseCentre = c;
    DrEllips.EllipseA = std::abs((double(e.y) - c.y) * DrEllips.EllipseSin + (double(e.x) - c.x) * DrEllips.EllipseCos);
    DrEllips.EllipseState = AxisPlaced;
    SetStatusText(Text(TextKey::DragWidth));
    AxisFeedback();
}

} // namespace

void ResetDrEllips()
{
    DrEllips = DrEllipsState{};
}

void RegisterEllipseTool()
{
    RegisterTool(ToolModes::Ellipse, {[](const ToolStartArgs& a) { EllipseStart(a.cut); }, &EllipseEnd,
                                      &EllipseMouseDown, &EllipseMoveBefore, &EllipseMoveAfter,
                                      &EllipseMouseUp, &EllipseKey});
}

void EllipseStart(int flag)
{
    Work.ToolMode = ToolModes::Ellipse;
    DrEllips.EllipseState = EllipseIdle;
    DrEllips.EllipseHole = flag > 0;
    DrEllips.Preview.Shown = false;
    GuardEvent("DrEllips", "EllipseStart", [flag] {
        BeginDrawingTool(flag, DrawEllipseCursor, DrawEllipseCutCursor, EllipseHelpContext);
        SetStatusText(Text(TextKey::DragLongerAx));
    });
}

void EllipseEnd()
{
    if (Work.ToolMode != ToolModes::Ellipse)
        return;
    Work.ToolMode = ToolModes::None;
    GuardEvent("DrEllips", "EllipseEnd", [] {
        if (DrEllips.EllipseState != EllipseIdle)
            Abandon();
    });
    EndDrawingTool(DrEllips.EllipseHole);
}

void EllipseMouseDown()
{
    GuardEvent("DrEllips", "EllipseMouseDown", [] {
        if (TypingTakesPress())
            return;
        switch (DrEllips.EllipseState) {
        case EllipseIdle:
            DownIdle();
            break;
        case AxisPlaced:
            AxisFeedback();
            EditSys.DraftShown = false;
            SetN(N() - 2);
            DrEllips.EllipseState = WidthDrag;
            BuildEllipse();
            DrEllips.Preview.Show();
            break;
        default:
            break;
        }
    });
}

void EllipseMoveBefore()
{
    if (EditSys.TypingActive)
        return;
    GuardEvent("DrEllips", "EllipseMoveBefore", [] {
        if (DrEllips.EllipseState == AxisDrag)
            XorSegment(P(N() - 1), P(N()));
        else if (DrEllips.EllipseState == WidthDrag)
            DrEllips.Preview.Hide();
    });
}

void EllipseMoveAfter()
{
    GuardEvent("DrEllips", "EllipseMoveAfter", [] {
        if (TypingTakesMove())
            return;
        SetToolCursor(DrEllips.EllipseHole ? DrawEllipseCutCursor : DrawEllipseCursor);
        if (DrEllips.EllipseState == AxisDrag) {
            P(N()) = DrawCursor();
            XorSegment(P(N() - 1), P(N()));
        } else if (DrEllips.EllipseState == WidthDrag) {
            BuildEllipse();
            DrEllips.Preview.Show();
        }
    });
}

void EllipseMouseUp()
{
    if (EditSys.TypingActive) {
        TypingMouseUp();
        return;
    }
    GuardEvent("DrEllips", "EllipseMouseUp", [] {
        if (DrEllips.EllipseState == AxisDrag) {
            UpAxis();
        } else if (DrEllips.EllipseState == WidthDrag) {
            DrEllips.Preview.Hide();
            Idle();
            StoreOutline(DrEllips.Preview.Outline, DrEllips.EllipseHole, DrEllips.StartCount);
        }
    });
}

void EllipseKey(int ch)
{
    GuardEvent("DrEllips", "EllipseKey", [ch] {
        if (DrEllips.EllipseState == EllipseIdle)
            IdleToolKey(ch);
    });
}

void BuildEllipse()
{
    const Cord c = DrEllips.EllipseCentre, p = DrawCursor();
    DrEllips.EllipseB = std::abs((double(p.y) - c.y) * DrEllips.EllipseCos - (double(p.x) - c.x) * DrEllips.EllipseSin);
    DrEllips.Preview.Outline = BuildOutline(c, DrEllips.EllipseA, DrEllips.EllipseB, DrEllips.EllipseAngle, true);
}

} // namespace zemo
