// The input side of the document window: mouse and keys turned into calls of the current
// tool, the cursor position in the status line, and the editing keys.
#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Undo.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/ObjClip.h"
#include "edit/ObjFunc.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <cmath>
#include <cstdlib>
#include <exception>

namespace zemo {

namespace {

bool Inside(const MapView& v, QPoint p)
{
    return p.x() >= 0 && p.y() >= 0 && p.x() < v.ClientWidth && p.y() < v.ClientHeight;
}

void Modifiers(ShiftState s)
{
    Work.ShiftDown = s.shift;
    Work.CtrlDown = s.ctrl;
    Work.AltDown = s.alt;
}

// Alt with the left button keeps the move on the row or column of the press.
QPoint AltConstrained(const MapView& v, QPoint p, bool leftHeld)
{
    if (!Work.AltDown || !leftHeld)
        return p;
    const QPoint d = v.DownMousePoint;
    if (std::abs(p.x() - d.x()) <= std::abs(p.y() - d.y()))
        return {d.x(), p.y()};
    return {p.x(), d.y()};
}

// Input reaches the tools only through the current window, mapped with its own view
// whichever window painted or scrolled last.
bool OwnView(MapView& v)
{
    if (&v != Work.ActiveView)
        return false;
    if (v.MapShown)
        UpdateViewOf(v);
    return true;
}

QString Fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

void DispatchMoveErase()
{
    const ToolProcs& t = ToolOf(Work.ToolMode);
    if (t.MoveErase)
        t.MoveErase();
    Work.PreviousCursorMapPos = Work.CursorMapPos;
}

void DispatchMoveDraw()
{
    const ToolProcs& t = ToolOf(Work.ToolMode);
    if (t.MoveDraw)
        t.MoveDraw();
}

void ShowCursorPosition()
{
    MapView* v = Work.ActiveView;
    if (!v || !v->Document)
        return;
    const SetupRecord& s = v->Document->Setup;
    const Cord c = Work.CursorMapPos;
    QString text;
    if (s.RealWorldCoords == 0 || v->SymbolGraphicsMode) {
        text = Fixed(c.x / 25600.0, 2) + QStringLiteral("   ") + Fixed(c.y / 25600.0, 2);
    } else {
        const double r = s.MapScale > 0 ? s.Zoom / s.MapScale : 0;
        const int d = r > 0.0032 ? 2 : r > 0.00032 ? 1 : 0;
        double e = 0, n = 0;
        CordToRealWorld(c, {s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle}, e, n);
        text = Fixed(e, d) + QStringLiteral("   ") + Fixed(n, d);
    }
    ShowCoordText(text);
}

void WorkWinMouseDown(MapView& v, MouseBtn b, QPoint p, ShiftState s)
{
    if (!Index.MapOpen)
        return;
    if (!OwnView(v)) {
        // A press on another window only makes it current (the window system would); the
        // current window's tool never sees it.
        if (v.Form)
            v.Form->BringToFront();
        return;
    }
    if (v.SwallowClick)
        return;
    GuardEvent("Work", "WorkWinMouseDown", [&] {
        Work.ButtonUp = false;
        v.LastMousePoint = p;
        v.DownMousePoint = p;
        Modifiers(s);
        if (v.MapShown)
            Work.CursorMapPos = DeviceToCord(p);
        if (b == MouseBtn::Left && !Work.PaintBusy) {
            const ToolProcs& t = ToolOf(Work.ToolMode);
            if (t.MouseDown)
                t.MouseDown();
        }
        if (b == MouseBtn::Right && ProgramConfig.ContextMenu) {
            if (v.Form)
                v.Form->ShowPopUp({p.x() - 1, p.y()});
            Work.ButtonUp = true;
        }
        v.PrevMousePoint = v.LastMousePoint;
        Work.PreviousCursorMapPos = Work.CursorMapPos;
    });
}

void WorkWinMouseMove(MapView& v, QPoint p, ShiftState s, bool leftHeld)
{
    if (v.SwallowClick || !v.MapShown || !OwnView(v) || !(Scale.ViewScaleX > 0) || !(Scale.ViewScaleY < 0))
        return;
    GuardEvent("Work", "WorkWinMouseMove", [&] {
        if (Work.ButtonUp || !ProgramConfig.AutoScroll || Inside(v, v.PrevMousePoint))
            DispatchMoveErase();
        v.LastMousePoint = p;
        v.PrevMousePoint = v.LastMousePoint;
        Modifiers(s);
        const QPoint q = AltConstrained(v, p, leftHeld);
        Work.CursorMapPos = DeviceToCord(q);
        if (!Work.ButtonUp && ProgramConfig.AutoScroll && !Inside(v, p)) {
            if (leftHeld && v.Form)
                v.Form->SetScrollTimer(true);
            return;
        }
        if (v.Form)
            v.Form->SetScrollTimer(false);
        ShowCursorPosition();
        DispatchMoveDraw();
    });
}

void WorkWinMouseUp(MapView& v, MouseBtn b, QPoint p, ShiftState s)
{
    (void)p;
    if (v.SwallowClick) {
        v.SwallowClick = false;
        if (v.Form)
            v.Form->SetScrollTimer(false);
        return;
    }
    if (!OwnView(v)) {
        // Whatever the press was, no button is held any more.
        Work.ButtonUp = true;
        if (v.Form)
            v.Form->SetScrollTimer(false);
        return;
    }
    GuardEvent("Work", "WorkWinMouseUp", [&] {
        Work.ButtonUp = true;
        if (v.Form)
            v.Form->SetScrollTimer(false);
        Modifiers(s);
        if (ProgramConfig.AutoScroll && !Inside(v, v.LastMousePoint) && v.MapShown) {
            const QPoint last = AltConstrained(v, v.LastMousePoint, b == MouseBtn::Left);
            Work.CursorMapPos = DeviceToCord(last);
            Work.PreviousCursorMapPos = DeviceToCord(v.PrevMousePoint);
            DispatchMoveDraw();
        }
        if (b == MouseBtn::Left && !Work.PaintBusy) {
            const ToolProcs& t = ToolOf(Work.ToolMode);
            if (t.MouseUp)
                t.MouseUp();
        }
        if (b == MouseBtn::Right && !ProgramConfig.ContextMenu)
            ToggleDrawEdit();
        Work.PreviousCursorMapPos = Work.CursorMapPos;
        if (v.RepaintAfterDrag && v.PendingValid)
            InvalidatePending(v);
        v.RepaintAfterDrag = false;
        ReleaseEditDC();
        if (Work.ToolMode == ToolModes::None)
            StartCurrentTool();
        // A paint stopped while the button was held waits for this release.
        RepaintPendingWhenIdle(v);
    });
}

void WorkWinDblClick(MapView& v)
{
    (void)v;
    GuardEvent("Work", "WorkWinDblClick", [&] {
        EditPorts().InsertPickedCsObject();
        ReleaseEditDC();
    });
}

void FormKeyDown(MapView& v, int key, ShiftState s)
{
    if (key == Qt::Key_Escape)
        AbortRequested = true;
    if (WorkBusy())
        return;
    OwnView(v);
    GuardEvent("Work", "FormKeyDown", [&] {
        const bool capture = v.Form && v.Form->HasMouseCapture();
        if (key == Qt::Key_Alt && !capture && Work.ToolMode == ToolModes::CutLine) {
            EndCurrentTool();
            Work.SavedWorkMode = WorkModes::Cut;
            ProgramConfig.WorkMode = WorkModes::EditPoint;
            StartCurrentTool();
        } else if (key == Qt::Key_Backspace && s.alt && !s.ctrl && !s.shift) {
            // Edit > Undo by key: nothing runs (the tool stays) when there is nothing to undo.
            if (CanUndo())
                RunInCommandFrame(UndoWindowEdit);
        } else if (EditSys.TypingActive) {
            // Caret keys and the text clipboard; characters come through the key procedure.
            TypingKeyDown(key, s.shift, s.ctrl, s.alt);
        } else {
            const bool none = !s.alt && !s.ctrl && !s.shift;
            if (Work.ToolMode == ToolModes::Edit && none)
                NudgeSelection(key);
            // Without a selection the keys leave the tool alone, as the menu items do.
            const bool selected = Index.SelectedIndex > 0 || Index.SelectionCount >= 2;
            if (key == Qt::Key_Insert && s.ctrl && !s.shift && !s.alt && selected)
                RunInCommandFrame([] { CopyObjects(); });
            else if (key == Qt::Key_Insert && s.shift && !s.ctrl && !s.alt)
                RunInCommandFrame(PasteObjects);
            else if (key == Qt::Key_Delete && s.shift && !s.ctrl && !s.alt && selected)
                RunInCommandFrame(CutObjects);
            else if (key == Qt::Key_Delete && none && selected)
                RunInCommandFrame(DeleteObjects);
        }
        ReleaseEditDC();
    });
}

void FormKeyUp(MapView& v, int key, ShiftState s)
{
    (void)s;
    if (WorkBusy())
        return;
    const bool capture = v.Form && v.Form->HasMouseCapture();
    if (key == Qt::Key_Alt && !capture && Work.SavedWorkMode != WorkModes::None) {
        GuardEvent("Work", "FormKeyUp", [&] {
            EndCurrentTool();
            ProgramConfig.WorkMode = Work.SavedWorkMode;
            Work.SavedWorkMode = WorkModes::None;
            StartCurrentTool();
        });
    }
}

void FormKeyPress(MapView& v, int ch)
{
    if (ch == 27)
        AbortRequested = true;
    if (WorkBusy())
        return;
    OwnView(v);
    GuardEvent("Work", "FormKeyPress", [&] {
        const ToolProcs& t = ToolOf(Work.ToolMode);
        if (t.KeyPress)
            t.KeyPress(ch);
        if (Work.ToolMode == ToolModes::None)
            StartCurrentTool();
        ReleaseEditDC();
    });
}

} // namespace zemo
