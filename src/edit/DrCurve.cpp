#include "edit/DrCurve.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "edit/Cursors.h"
#include "edit/CutArea.h"
#include "edit/EditSys.h"
#include "edit/Follow.h"
#include "edit/MovePt.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "render/Bezier.h"
#include "render/Scale.h"

#include <cmath>
#include <cstdlib>
#include <exception>

namespace zemo {

DrCurveState DrCurve;

namespace {

// A line text keeps room for one run of text (8 slots) beside its points.
constexpr int TextRunSlots = 8;


ElementRecord& E() { return Index.CurElement; }
int N() { return E().nItem; }
Cord& P(int k) { return E().Cords()[k]; }
void SetN(int n) { E().nItem = uint16_t(std::max(n, 0)); }

bool IsFirst(int k) { return k >= 0 && (P(k).x & FirstBezierFlag); }
bool IsSecond(int k) { return k >= 0 && (P(k).x & SecondBezierFlag); }
bool IsCorner(int k) { return k >= 0 && (P(k).y & CornerFlag); }

Cord Cursor()
{
    return DrawCursor();
}

bool Near(Cord a, Cord b)
{
    return NearPress(a, b);
}

double Dist(Cord a, Cord b)
{
    return std::hypot(double(Masked(a.x)) - Masked(b.x), double(Masked(a.y)) - Masked(b.y));
}

// `target` := anchor + length along the direction `dx, dy` (flags of target kept).
void Along(Cord anchor, double dx, double dy, double length, Cord& target)
{
    const double d = std::hypot(dx, dy);
    if (!(d > 0))
        return;
    target.x = Masked(RoundToGrid(Masked(anchor.x) + dx / d * length)) | Flags(target.x);
    target.y = Masked(RoundToGrid(Masked(anchor.y) + dy / d * length)) | Flags(target.y);
}

bool LineTextSymbol(const SymbolBytes* s)
{
    return s && SymI16(*s, SymObjectType) == LineObject && SymU8(*s, SymTextFlag) == 1;
}

void Beep()
{
    EditPorts().Beep();
}

void HelpContext(int c)
{
    EditPorts().SetHelpContext(c);
}

void ToolButtons()
{
    EditPorts().UpdateToolButtons();
}

void UndoButtons()
{
    DocumentPorts().UpdateUndoButtons();
}

// ---- Feedback ----

void DevLine(Cord a, Cord b)
{
    XorSegment(a, b);
}

// The draft from index k on (the part of MarkDraft that lies there).
void DraftFrom(int k)
{
    if (!EditSys.DraftShown)
        return;
    const int keep = EditSys.DraftStart;
    EditSys.DraftStart = std::max(k, keep);
    MarkDraft();
    EditSys.DraftStart = keep;
}

// What the tool adds to the draft in each state: the handle or rubber line being dragged.
void Extras()
{
    const int n = N();
    switch (DrCurve.CurveState) {
    case FirstDirection:
    case NewPointDirection:
    case FollowingLine:
    case CornerDirection:
    case StraightPointDirection:
        if (n >= 1)
            DevLine(P(n - 1), P(n));
        break;
    case MovingPoint:
        if (n >= 2)
            DevLine(P(n - 2), P(n - 1));
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
    if (DrCurve.CurveState == MovingPoint) {
        DraftFrom(DrCurve.MoveTailStart);
        MovePointBefore();
    }
    Extras();
}

// The last segment can be re-shaped at the press (a smooth last anchor after a curve).
bool ReshapeAllowed()
{
    const int n = N();
    return n > EditSys.DraftStart + 4 && !IsCorner(n - 2) && IsFirst(n - 4);
}

void InitNewObject()
{
    ElementRecord& e = E();
    const SymbolBytes* s = Index.CurSymbol;
    e.Symbol = s ? SymI16(*s, SymNumber) : 0;
    e.ObjectType = s ? uint8_t(SymI16(*s, SymObjectType)) : uint8_t(LineObject);
    e.Flags = 0;
    e.nItem = 0;
    e.nText = 0;
    e.Angle = e.Word10 = e.Word12 = e.Word14 = 0;
    e.LayerName.fill(0);
}

// The incoming control point of the new point turned against the drag.
void UpdateNewPointControl(Cord cursor)
{
    const int n = N();
    const Cord anchor = P(n - 1);
    if (Near(cursor, anchor))
        return;
    if (ProgramConfig.CurveMode == 1)
        DrCurve.HandleLength = Dist(cursor, anchor);
    Along(anchor, -(double(Masked(cursor.x)) - Masked(anchor.x)), -(double(Masked(cursor.y)) - Masked(anchor.y)),
          DrCurve.HandleLength, P(n - 2));
}

void Abandon()
{
    Feedback();
    SetN(DrCurve.StartCount);
    if (DrCurve.Continuing)
        UnmarkContinuedLine();
    if (DrCurve.CurveToolFlag == 1)
        CancelCutArea();
    ClearStatusText();
    EditSys.DraftShown = false;
    DrCurve.CurveState = CurveIdle;
}

void StartHandle(Cord at, int state)
{
    P(N()) = {at.x | FirstBezierFlag, at.y};
    DrCurve.CurveState = state;
    SetStatusText(Text(TextKey::IndicateDir));
}

void DownIdle()
{
    ElementRecord& e = E();
    const Cord press = Cursor();
    DrCurve.Continuing = false;
    const int flag = DrCurve.CurveToolFlag;
    if (flag == 1) {
        // The cutting line must start on the area's outline.
        if (!BeginCutArea())
            return;
        e.nItem = 0;
        DrCurve.StartCount = EditSys.DraftStart = 0;
    } else if (flag == 2) {
        if (!BeginSelectedEdit())
            return;
        DrCurve.StartCount = EditSys.DraftStart = e.nItem;
    } else if (Work.ShiftDown && BeginContinueLine()) {
        DrCurve.Continuing = true;
        DrCurve.StartCount = e.nItem;
        EditSys.DraftStart = e.nItem - 1;
    } else {
        if (!BeginNewObject())
            return;
        DrCurve.StartCount = EditSys.DraftStart = 0;
    }
    if (e.nItem > CurvePointLimit()) {
        MaxPointsError();
        if (DrCurve.Continuing)
            UnmarkContinuedLine();
        if (flag == 1)
            CancelCutArea();
        return;
    }
    EditSys.DraftShown = true;
    if (Work.CtrlDown && BeginFollow()) {
        P(N()) = press;
        DrCurve.CurveState = FollowingLine;
    } else {
        if (!DrCurve.Continuing) {
            P(N()) = press;
            SetN(N() + 1);
        }
        StartHandle(press, FirstDirection);
    }
    Feedback();
}

void DownPointPlaced()
{
    const Cord press = Cursor();
    int n = N();
    if (ReshapeAllowed() && (Near(press, P(n - 4)) || Near(press, P(n - 3)))) {
        int hit = -1;
        for (int k : {n - 5, n - 4, n - 3, n - 2})
            if (Near(press, P(k)))
                hit = k;
        Pick.HitVertexIndex = hit;
        DrCurve.MoveTailStart = n - 5;
        if (n - 8 >= EditSys.DraftStart && IsFirst(n - 7) && IsSecond(n - 6))
            DrCurve.MoveTailStart = n - 8;
        DraftFrom(DrCurve.MoveTailStart);
        BeginMovePoint();
        DrCurve.CurveState = MovingPoint;
        Extras();
        return;
    }
    if (n > CurvePointLimit()) {
        Beep();
        MaxPointsError();
        TerminateLine();
        return;
    }
    Feedback();
    if (Work.CtrlDown && BeginFollow()) {
        P(n) = press;
        DrCurve.CurveState = FollowingLine;
    } else if (Near(press, P(n - 2))) {
        SetN(--n);
        P(n - 1).y |= CornerFlag;
        StartHandle(press, CornerDirection);
    } else {
        const Cord anchor = P(n - 2);
        DrCurve.HandleLength = 0.4 * Dist(anchor, press);
        if (ProgramConfig.CurveMode == 0) {
            const Cord h = P(n - 1);
            Along(anchor, double(Masked(h.x)) - Masked(anchor.x), double(Masked(h.y)) - Masked(anchor.y),
                  DrCurve.HandleLength, P(n - 1));
        }
        P(n) = {press.x | SecondBezierFlag, press.y};
        P(n + 1) = press;
        SetN(n + 2);
        DrCurve.BezierShown = false;
        StartHandle(press, NewPointDirection);
    }
    Feedback();
}

void DownFollowDone()
{
    const Cord press = Cursor();
    const int n = N();
    if (n > CurvePointLimit()) {
        Beep();
        MaxPointsError();
        TerminateLine();
        return;
    }
    Feedback();
    if (Work.CtrlDown && BeginFollow()) {
        P(n) = press;
        DrCurve.CurveState = FollowingLine;
    } else if (!Near(press, P(n - 1))) {
        P(n) = press;
        SetN(n + 1);
        StartHandle(press, StraightPointDirection);
    } else {
        StartHandle(press, CornerDirection);
    }
    Feedback();
}

// A handle released away from its anchor becomes part of the line.
void KeepHandle(Cord release)
{
    Feedback();
    P(N()) = {release.x | FirstBezierFlag, release.y};
    if (DrCurve.CurveState == NewPointDirection)
        UpdateNewPointControl(release);
    SetN(N() + 1);
    DrCurve.CurveState = PointPlaced;
    Feedback();
}

// Drops `count` coordinates and finishes the line.
void EndWithout(int count)
{
    Feedback();
    SetN(N() - count);
    EditSys.DraftShown = false;
    TerminateLine();
}

} // namespace


Cord DrawCursor()
{
    return {Masked(Work.CursorMapPos.x), Masked(Work.CursorMapPos.y)};
}

bool NearPress(Cord a, Cord b)
{
    const int64_t t = Scale.PickTolerance;
    return std::llabs(int64_t(Masked(a.x)) - Masked(b.x)) <= t
           && std::llabs(int64_t(Masked(a.y)) - Masked(b.y)) <= t;
}

bool PixelsApart(Cord a, Cord b, int px)
{
    const QPoint p = CordToDevice(Cord{Masked(a.x), Masked(a.y)});
    const QPoint q = CordToDevice(Cord{Masked(b.x), Masked(b.y)});
    return std::abs(p.x() - q.x()) > px || std::abs(p.y() - q.y()) > px;
}

void XorSegment(Cord a, Cord b)
{
    const QPoint p = CordToDevice(Cord{Masked(a.x), Masked(a.y)});
    const QPoint q = CordToDevice(Cord{Masked(b.x), Masked(b.y)});
    Line(p.x(), p.y(), q.x(), q.y());
}

void BeginDrawingTool(int flag, int cursor, int cutCursor, int helpContext)
{
    if (flag == 0) {
        Index.CurSymbol = CurrentSymbol();
        SetToolCursor(cursor);
        HelpContext(helpContext);
        return;
    }
    if (Index.SelectedIndex > 0) {
        ReadElement(Index.SelectedIndex, E());
        GetSymbol(E().Symbol, Index.CurSymbol);
        MarkElement(E());
    }
    SetToolCursor(cutCursor);
    HelpContext(flag == 1 ? CurveCutHelpContext : CurveHoleHelpContext);
}

void EndDrawingTool(bool intoObject)
{
    GuardEvent("DrCurve", "EndDrawingTool", [intoObject] {
        if (EditSys.TypingActive)
            EndTyping();
        if (intoObject)
            UnmarkElement(E());
    });
    SetToolCursor(StandardCursor);
    ClearStatusText();
}

bool TypingTakesPress()
{
    if (!EditSys.TypingActive)
        return false;
    if (PressOnTypingText()) {
        TypingMouseDown();
        return true;
    }
    EndTyping();
    return false;
}

bool TypingTakesMove()
{
    if (!EditSys.TypingActive || !PressOnTypingText())
        return false;
    SetToolCursor(InsertTextCursor);
    TypingMouseMove();
    return true;
}

void IdleToolKey(int ch)
{
    if (EditSys.TypingActive) {
        TypingKey(char16_t(ch));
    } else if (ch == 27) {
        // Escape between drawings lets go of the object drawn last.
        DropSelection();
        ToolButtons();
    }
}

void XorRectangle(const CordRect& r)
{
    const Cord a{r.x1, r.y1}, b{r.x2, r.y1}, c{r.x2, r.y2}, d{r.x1, r.y2};
    XorSegment(a, b);
    XorSegment(b, c);
    XorSegment(c, d);
    XorSegment(d, a);
}

void MaxPointsError()
{
    ErrorMsg(TextKey::MaxPoints, {}, MaxPointsHelpContext);
}

int DrawingPointLimit(bool newObject)
{
    const SymbolBytes* s = newObject ? Index.CurSymbol : nullptr;
    return LineTextSymbol(s) ? MaxElementItems - TextRunSlots - 4 : MaxElementItems - 4;
}

bool BeginNewObject()
{
    if (!Index.CurSymbol)
        return false;
    BeginElementEdit(0);
    InitNewObject();
    // A symbol's element takes its colour, width and style from the quick editor; a value
    // out of range there ignores the press.
    if (Work.ActiveView && Work.ActiveView->SymbolGraphicsMode
        && !EditPorts().ReadGraphicObjectParams(E()))
        return false;
    DropSelection();
    return true;
}

bool BeginSelectedEdit()
{
    if (Index.SelectedIndex <= 0)
        return false;
    if (!EditSys.ElementChanged) {
        GetIndex(Index.SelectedIndex);
        BeginElementEdit(Index.SelectedIndex);
        EditSys.EditOldRect = Index.KeptIndex.Rect;
        EditSys.EditBackupValid = true;
    }
    EditSys.ElementChanged = true;
    return true;
}

int StoreNewObject()
{
    ElementRecord& e = E();
    const bool lineText = LineTextSymbol(Index.CurSymbol) && e.ObjectType == LineObject;
    if (lineText) {
        e.nText = 1;
        e.Slots[e.nItem] = Cord{};
    }
    const int minimum = e.ObjectType == AreaObject ? 3 : e.ObjectType == LineObject ? 2 : 1;
    if (e.nItem < minimum) {
        e.nText = 0;
        DropSelection();
        DropEmptyUndoStep();
        return 0;
    }
    if (!AppendElement()) {
        DropSelection();
        DropEmptyUndoStep();
        return 0;
    }
    const int no = Index.CurIndexNo;
    SelectOnly(no);
    if (SymbolBytes* s = CurrentSymbol())
        Index.CurSymbol = s;
    GetIndex(no);
    const CordRect rect = Index.CurIndex.Rect;
    if (!ProgramConfig.RedrawBackground)
        RedrawCurrent(false);
    else
        UpdateRect(rect);
    Index.SelectedHoleStart = 0;
    const bool kept = CheckCsObject();
    if (!kept) {
        DropSelection();
        DeleteElement(no);
        UpdateRect(rect);
    } else if (GetIndex(no) && !(Index.CurIndex.Rect == rect)) {
        // The check gave the object its text (a course title's): all of it is painted.
        const CordRect& now = Index.CurIndex.Rect;
        UpdateRect({std::min(rect.x1, now.x1), std::min(rect.y1, now.y1), std::max(rect.x2, now.x2),
                    std::max(rect.y2, now.y2)});
    }
    FlushMapFile();
    ToolButtons();
    if (lineText && kept && Index.SelectedIndex == no) {
        ReadElement(no, E());
        StartTyping();
    }
    return kept ? no : 0;
}

void StoreIntoSelected(int startCount, bool hole, bool continuing)
{
    ElementRecord& e = E();
    const int sel = Index.SelectedIndex;
    if (sel <= 0)
        return;
    ReadElement(sel, Index.AuxElement1);
    UnmarkElement(Index.AuxElement1);
    if (hole && e.nItem > startCount)
        P(startCount).y |= HoleFlag;
    if (continuing)
        FinishContinueLine();
    const bool unchanged = hole ? e.nItem - startCount < 3 : e.nItem <= startCount;
    if (unchanged) {
        ReadElement(sel, e);
        // Nothing was added (a cancelled Draw line dialog): the edit that began takes its
        // start back, so that the next one begins a step of its own.
        if (DropEmptyUndoStep())
            EditSys.ElementChanged = false;
    } else if (SaveElement(sel)) {
        GetSymbol(e.Symbol, Index.CurSymbol);
        Index.SelectedHoleStart = 0;
        EditSys.ElementChanged = true;
        UpdateElement();
        ReadElement(sel, e);
    }
    if (hole)
        MarkElement(e);
}

void ResetDrCurve()
{
    DrCurve = DrCurveState{};
}

int CurvePointLimit()
{
    return DrawingPointLimit(DrCurve.CurveToolFlag == 0);
}

void RegisterCurveTool()
{
    RegisterTool(ToolModes::Curve, {[](const ToolStartArgs& a) { CurveStart(a.cut); }, &CurveEnd,
                                    &CurveMouseDown, &CurveMoveBefore, &CurveMoveAfter,
                                    &CurveMouseUp, &CurveKey});
}

void CurveStart(int flag)
{
    Work.ToolMode = ToolModes::Curve;
    DrCurve.CurveState = CurveIdle;
    DrCurve.CurveToolFlag = flag;
    DrCurve.Continuing = false;
    GuardEvent("DrCurve", "CurveStart", [flag] {
        if (flag == 0) {
            Index.CurSymbol = CurrentSymbol();
            DrCurve.ToolCursor = DrawCurveCursor;
            HelpContext(CurveHelpContext);
        } else {
            if (Index.SelectedIndex > 0) {
                ReadElement(Index.SelectedIndex, E());
                GetSymbol(E().Symbol, Index.CurSymbol);
                MarkElement(E());
            }
            DrCurve.ToolCursor = DrawCurveCutCursor;
            HelpContext(flag == 1 ? CurveCutHelpContext : CurveHoleHelpContext);
        }
        SetToolCursor(DrCurve.ToolCursor);
        SetStatusText(Text(TextKey::NewCurve));
    });
}

void CurveEnd()
{
    if (Work.ToolMode != ToolModes::Curve)
        return;
    GuardEvent("DrCurve", "CurveEnd", [] {
        if (DrCurve.CurveState > CurveIdle)
            TerminateLine();
        if (EditSys.TypingActive)
            EndTyping();
        if (DrCurve.CurveToolFlag > 0 || DrCurve.Continuing)
            UnmarkElement(E());
    });
    SetToolCursor(StandardCursor);
    Work.ToolMode = ToolModes::None;
    ClearStatusText();
}

void CurveMouseDown()
{
    GuardEvent("DrCurve", "CurveMouseDown", [] {
        if (EditSys.TypingActive) {
            if (PressOnTypingText()) {
                TypingMouseDown();
                return;
            }
            EndTyping();
        }
        switch (DrCurve.CurveState) {
        case CurveIdle: DownIdle(); break;
        case PointPlaced: DownPointPlaced(); break;
        case FollowDone: DownFollowDone(); break;
        default: break;
        }
    });
}

void CurveMoveBefore()
{
    if (EditSys.TypingActive)
        return;
    GuardEvent("DrCurve", "CurveMoveBefore", [] {
        switch (DrCurve.CurveState) {
        case NewPointDirection:
            DraftFrom(N() - 4);
            Extras();
            break;
        case MovingPoint:
            Extras();
            MovePointBefore();
            break;
        case FirstDirection:
        case FollowingLine:
        case CornerDirection:
        case StraightPointDirection:
            Extras();
            break;
        default:
            break;
        }
    });
}

void CurveMoveAfter()
{
    GuardEvent("DrCurve", "CurveMoveAfter", [] {
        const Cord c = Cursor();
        const int n = N();
        if (EditSys.TypingActive && PressOnTypingText()) {
            SetToolCursor(InsertTextCursor);
            TypingMouseMove();
            return;
        }
        int cursor = DrCurve.ToolCursor;
        if (DrCurve.CurveState == PointPlaced && ReshapeAllowed() && (Near(c, P(n - 4)) || Near(c, P(n - 3))))
            cursor = EditPointCursor;
        SetToolCursor(cursor);
        switch (DrCurve.CurveState) {
        case FirstDirection:
        case CornerDirection:
        case StraightPointDirection:
            P(n) = {c.x | FirstBezierFlag, c.y};
            Extras();
            break;
        case NewPointDirection:
            P(n) = {c.x | FirstBezierFlag, c.y};
            UpdateNewPointControl(c);
            DrCurve.BezierShown = true;
            DraftFrom(n - 4);
            Extras();
            break;
        case FollowingLine:
            P(n) = c;
            Extras();
            break;
        case MovingPoint:
            MovePointAfter();
            Extras();
            break;
        default:
            break;
        }
    });
}

void CurveMouseUp()
{
    if (EditSys.TypingActive) {
        TypingMouseUp();
        return;
    }
    GuardEvent("DrCurve", "CurveMouseUp", [] {
        const Cord c = Cursor();
        const int n = N();
        switch (DrCurve.CurveState) {
        case FirstDirection:
        case NewPointDirection:
        case CornerDirection:
        case StraightPointDirection:
            // A release on the point just set (no drag) ends the drawing; how much of the
            // unfinished segment goes depends on what was being set.
            if (!Near(c, P(n - 1)))
                KeepHandle(c);
            else if (DrCurve.CurveState == FirstDirection)
                Abandon();
            else
                EndWithout(DrCurve.CurveState == NewPointDirection ? 3
                           : DrCurve.CurveState == CornerDirection ? 0
                                                                    : 1);
            break;
        case FollowingLine:
            Feedback();
            if (EndFollow()) {
                DrCurve.CurveState = FollowDone;
                Feedback();
            } else {
                Beep();
                MaxPointsError();
                EditSys.DraftShown = false;
                DrCurve.CurveState = FollowDone;
                TerminateLine();
            }
            break;
        case MovingPoint:
            Feedback();
            DrCurve.CurveState = PointPlaced;
            Feedback();
            break;
        default:
            break;
        }
    });
}

void CurveKey(int ch)
{
    GuardEvent("DrCurve", "CurveKey", [ch] {
        if (EditSys.TypingActive && DrCurve.CurveState == CurveIdle) {
            TypingKey(char16_t(ch));
            return;
        }
        const int state = DrCurve.CurveState;
        // Escape between lines lets go of the object drawn last.
        if (ch == 27 && state == CurveIdle) {
            DropSelection();
            ToolButtons();
            return;
        }
        if (ch != 8 || (state != PointPlaced && state != FollowDone))
            return;
        const int n = N();
        const int start = EditSys.DraftStart;
        if (n > start + 1 && IsFirst(n - 1)) {
            Feedback();
            if (n > start + 4 && IsCorner(n - 2) && IsSecond(n - 3)) {
                const Cord a = P(n - 2), in = P(n - 3);
                P(n - 1) = {Masked(SafeRound(2.0 * Masked(a.x) - Masked(in.x))) | FirstBezierFlag,
                            Masked(SafeRound(2.0 * Masked(a.y) - Masked(in.y)))};
                P(n - 2).y &= ~CornerFlag;
                DrCurve.CurveState = PointPlaced;
            } else {
                SetN(n - 1);
                if (n - 1 > start + 3 && IsSecond(n - 3)) {
                    SetN(n - 3);
                    DrCurve.CurveState = PointPlaced;
                } else {
                    DrCurve.CurveState = FollowDone;
                }
            }
            Feedback();
        } else if (n > start + 1) {
            Feedback();
            SetN(n - 1);
            DrCurve.CurveState = FollowDone;
            Feedback();
        } else {
            Feedback();
            EditSys.DraftShown = false;
            DrCurve.CurveState = CurveIdle;
            // Nothing left of a cutting line: the cut is given up.
            if (DrCurve.CurveToolFlag == 1)
                CancelCutArea();
            else
                SetN(DrCurve.StartCount);
            ClearStatusText();
        }
    });
}

void TerminateLine()
{
    GuardEvent("DrCurve", "TerminateLine", [] {
        if (EditSys.DraftShown)
            Feedback();
        if (DrCurve.CurveState == FollowingLine)
            CancelFollow();
        DrCurve.CurveState = CurveIdle;
        EditSys.DraftShown = false;
        if (N() > 0 && IsFirst(N() - 1))
            SetN(N() - 1);
        ClearStatusText();
        if (ProgramConfig.AutoJoin && DrCurve.CurveToolFlag == 0)
            AutoJoin();
        if (DrCurve.CurveToolFlag == 1) {
            CutAreaAlongLine();
        } else if (DrCurve.CurveToolFlag == 0 && !DrCurve.Continuing) {
            StoreNewObject();
        } else {
            StoreIntoSelected(DrCurve.StartCount, DrCurve.CurveToolFlag == 2, DrCurve.Continuing);
        }
        UndoButtons();
    });
}

} // namespace zemo
