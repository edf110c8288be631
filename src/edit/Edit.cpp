#include "edit/Edit.h"

#include "core/Config.h"
#include "core/EventGuard.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/EdPoint.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/MovePt.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/StchObj.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <QPoint>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zemo {

EditToolState EditTool;

namespace {

ElementRecord& E() { return Index.CurElement; }

bool EditPointMode()
{
    return ProgramConfig.WorkMode == WorkModes::EditPoint;
}

bool CoursePreview()
{
    return Index.ActiveZmd && Index.ActiveZmd->CoursePreviewOn;
}

// A single object is selected and its vertex marks are on the screen.
bool SingleMarked()
{
    return Index.SelectedIndex > 0 && EditSys.MarksShown;
}

bool MultiSelected()
{
    return Index.SelectedIndex <= 0 && Index.SelectionCount >= 2;
}

// The selected object into CurElement, with its symbol as CurSymbol.
void ReadSelected()
{
    ReadElement(Index.SelectedIndex, E());
    GetSymbol(E().Symbol, Index.CurSymbol);
}

void ToolButtons()
{
    EditPorts().UpdateToolButtons();
}

void UndoButtons()
{
    DocumentPorts().UpdateUndoButtons();
}

QPoint Dev(Cord c)
{
    return CordToDevice(Cord{Masked(c.x), Masked(c.y)});
}

Cord Pointer()
{
    return {Masked(Work.CursorMapPos.x), Masked(Work.CursorMapPos.y)};
}

bool Near(Cord a, Cord b, int64_t tol)
{
    return std::llabs(int64_t(Masked(a.x)) - Masked(b.x)) <= tol
           && std::llabs(int64_t(Masked(a.y)) - Masked(b.y)) <= tol;
}

void DrawFrame()
{
    const QPoint a = Dev(EditTool.FrameStart), b = Dev(EditTool.FrameEnd);
    XorRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.y(), b.y()), std::max(a.x(), b.x()));
}

// The frames of a moved selection at the pointer's offset from the press, in pixels.
void DrawMovedFrames(bool show)
{
    if (show) {
        const QPoint d = Dev(Pointer()) - Dev(EditTool.MoveStart);
        EditTool.ShownDx = d.x();
        EditTool.ShownDy = d.y();
        MarkMulti(d.x(), d.y());
    } else if (EditSys.MultiMarksShown) {
        UnmarkMulti(EditTool.ShownDx, EditTool.ShownDy);
    }
}

void HideCourse()
{
    EditTool.CourseMarksHidden = EditSys.CourseMarksShown;
    HideCourseMarks();
}

void ShowCourseAgain()
{
    if (EditTool.CourseMarksHidden)
        ShowCourseMarks();
    EditTool.CourseMarksHidden = false;
}

// ---- Rectangle objects ----

constexpr int CornerEdges[4] = {LeftEdge | BottomEdge, BottomEdge | RightEdge, RightEdge | TopEdge,
                                LeftEdge | TopEdge};
constexpr int SegmentEdge[4] = {BottomEdge, RightEdge, TopEdge, LeftEdge};

void SetUpRectangle(Cord press)
{
    const Cord* c = E().Cords();
    int64_t cx = 0, cy = 0;
    for (int k = 0; k < 4; ++k) {
        cx += Masked(c[k].x) / 4;
        cy += Masked(c[k].y) / 4;
    }
    EditTool.RectCentre = {int32_t(cx), int32_t(cy)};
    TurnSinCos(E().Angle, EditTool.RectSin, EditTool.RectCos);
    RotatePointsBack(int32_t(cx), int32_t(cy), c, 4, EditTool.RectCos, EditTool.RectSin, EditTool.RectCorners);
    EditTool.RectEdges = SegmentEdge[std::clamp(Pick.HitVertexIndex, 0, 3)];
    for (int k = 0; k < 4; ++k)
        if (Near(press, c[k], Scale.PickTolerance))
            EditTool.RectEdges = CornerEdges[k];
}

// The corners in the rectangle's own frame with the moving edges at the pointer.
void ResizedCorners(Cord w[4])
{
    const Cord centre = EditTool.RectCentre;
    Cord p = Pointer();
    RotatePointsBack(centre.x, centre.y, &p, 1, EditTool.RectCos, EditTool.RectSin, &p);
    std::copy(EditTool.RectCorners, EditTool.RectCorners + 4, w);
    auto setX = [&](int k) { w[k].x = Masked(p.x) | Flags(w[k].x); };
    auto setY = [&](int k) { w[k].y = Masked(p.y) | Flags(w[k].y); };
    const int edges = EditTool.RectEdges;
    if (edges & LeftEdge) { setX(0); setX(3); }
    if (edges & BottomEdge) { setY(0); setY(1); }
    if (edges & RightEdge) { setX(1); setX(2); }
    if (edges & TopEdge) { setY(2); setY(3); }
}

void ResizeRectangle()
{
    Cord w[4];
    ResizedCorners(w);
    const Cord centre = EditTool.RectCentre;
    for (int k = 0; k < 4; ++k)
        if (EditTool.RectEdges & CornerEdges[k])
            RotatePoints(centre.x, centre.y, &w[k], 1, EditTool.RectCos, EditTool.RectSin, &E().Cords()[k]);
}

// A drag across the opposite edge keeps the corners in their order.
void KeepCornerOrder()
{
    Cord w[4];
    ResizedCorners(w);
    Cord* c = E().Cords();
    if (Masked(w[0].x) > Masked(w[1].x)) {
        std::swap(c[0], c[1]);
        std::swap(c[2], c[3]);
        std::swap(w[0], w[1]);
        std::swap(w[2], w[3]);
    }
    if (Masked(w[0].y) > Masked(w[3].y)) {
        std::swap(c[0], c[3]);
        std::swap(c[1], c[2]);
    }
}

// ---- Presses ----

void StartTypingAtPress()
{
    ReadSelected();
    BeginSelectedEdit();
    UnmarkElement(E());
    UnmarkStretch();
    StartTyping();
    TypingMouseDown();
}

// The press on a point of the marked object.
void BeginPointDrag()
{
    const int vertex = Pick.HitVertexIndex;
    ReadSelected();
    Pick.HitVertexIndex = vertex;
    BeginSelectedEdit();
    CopyRecord(E(), Index.AuxElement1);
    UnmarkStretch();
    if (!EditPointMode()) {
        EditTool.EditState = MovingObject;
    } else if (E().ObjectType == RectangleObject && E().nItem >= 4) {
        SetUpRectangle(EditTool.MoveStart);
        EditTool.EditState = ResizingRectangle;
    } else {
        UnmarkElement(E());
        EditTool.EditState = MovingVertex;
        BeginMovePoint();
        EditTool.FeedbackShown = true;
    }
}

void Press()
{
    const bool shift = Work.ShiftDown, ctrl = Work.CtrlDown, alt = Work.AltDown;
    const bool none = !shift && !ctrl && !alt;
    const Cord p = Pointer();
    if (Index.SelectedIndex > 0 && !EditSys.TypingActive)
        ReadSelected();
    EditTool.MoveStart = EditTool.LastPos = p;
    EditTool.FeedbackShown = false;
    if (EditSys.TypingActive) {
        if (HitEditableText()) {
            TypingMouseDown();
            return;
        }
        EndTyping();
    }
    const bool marked = SingleMarked();
    if (marked && none && HitVertex(p, Scale.PickTolerance)) {
        BeginPointDrag();
        return;
    }
    if (!ctrl && !alt && HitStretchHandle()) {
        EditTool.EditState = Stretching;
        BeginStretch();
        return;
    }
    if (!CoursePreview() && marked && !alt && HitEditableText()) {
        StartTypingAtPress();
        return;
    }
    // Just beside a point: a slip of the hand, not a new selection.
    if (marked && none && HitVertex(p, int32_t(std::nearbyint(1.3 * Scale.PickTolerance))))
        return;
    if (marked && shift && ctrl && !alt) {
        EditTool.EditState = InsertPointClick;
        return;
    }
    if (marked && ctrl && !shift && !alt) {
        EditTool.EditState = RemovePointClick;
        return;
    }
    if (MultiSelected() && EditSys.MultiMarksShown && !shift && CursorInSelection()) {
        UnmarkStretch();
        EditTool.EditState = MovingSelection;
        EditTool.ShownDx = EditTool.ShownDy = 0;
        SetToolCursor(MoveCrossCursor);
        return;
    }
    ClearStatusText();
    UnmarkStretch();
    EditTool.EditState = SelectFrame;
    EditTool.FrameStart = EditTool.FrameEnd = p;
    DrawFrame();
    EditTool.FeedbackShown = true;
    if (Work.ActiveView && Work.ActiveView->Form)
        Work.ActiveView->Form->FocusSurface();
}

// ---- Releases ----

void ReleaseFrame()
{
    FinishPendingChange();
    if (EditTool.FeedbackShown)
        DrawFrame();
    EditTool.FeedbackShown = false;
    EditTool.EditState = EditIdle;
    if (!Work.ShiftDown)
        DropSelection();
    SelectByRect({EditTool.FrameStart.x, EditTool.FrameStart.y, Pointer().x, Pointer().y});
    const int count = Index.SelectionCount >= 2 ? Index.SelectionCount : Index.SelectedIndex > 0 ? 1 : 0;
    if (count > 0)
        ShowSelectedCount(count);
    ToolButtons();
}

// Releases of a point, object or rectangle drag.
void ReleaseObjectDrag()
{
    const int state = EditTool.EditState;
    EditTool.EditState = EditIdle;
    if (state == MovingVertex && EditTool.FeedbackShown)
        EndMovePoint();
    EditTool.FeedbackShown = false;
    HideCourse();
    UnmarkElement(E());
    if (state == ResizingRectangle)
        KeepCornerOrder();
    if (SaveSelectedChange(Index.AuxElement1))
        RedrawSelectedChange(state != MovingVertex);
    MarkElement(E());
    MarkStretch();
    ShowCourseAgain();
    RepaintCourse();
    UndoButtons();
}

void ReleaseSelectionMove()
{
    EditTool.EditState = EditIdle;
    DrawMovedFrames(false);
    const Cord p = Pointer();
    const Cord d{p.x - EditTool.MoveStart.x, p.y - EditTool.MoveStart.y};
    if (d.x != 0 || d.y != 0)
        ChangeSelection([d](ElementRecord& e) { MoveElement(e, d.x, d.y); }, &d);
    MarkMulti(0, 0);
    MarkStretch();
    SetToolCursor(MoveCrossCursor);
}

void ReleasePointClick(bool insert)
{
    EditTool.EditState = EditIdle;
    const int type = E().ObjectType;
    if (Index.SelectedIndex <= 0 || (type != LineObject && type != AreaObject))
        return;
    UnmarkStretch();
    if (insert)
        InsertPoint(0, EditTool.MoveStart);
    else
        RemovePoint(EditTool.MoveStart);
    MarkStretch();
}

// The drag ends with the tool: its feedback goes and the objects stay as stored.
void CancelDrag()
{
    switch (EditTool.EditState) {
    case SelectFrame:
        if (EditTool.FeedbackShown)
            DrawFrame();
        break;
    case MovingVertex:
        if (EditTool.FeedbackShown)
            MovePointBefore();
        CopyRecord(Index.AuxElement1, E());
        break;
    case MovingObject:
    case ResizingRectangle:
        UnmarkElement(E());
        CopyRecord(Index.AuxElement1, E());
        break;
    case MovingSelection:
        DrawMovedFrames(false);
        break;
    case Stretching:
        CancelStretch();
        break;
    default:
        break;
    }
    EditTool.FeedbackShown = false;
    EditTool.EditState = EditIdle;
    ShowCourseAgain();
}

// The cursor by what lies under the pointer.
void IdleCursor()
{
    int cursor = EditPointMode() ? EditPointCursor : EditObjectCursor;
    if (MultiSelected() && EditSys.MultiMarksShown && !Work.ShiftDown && CursorInSelection()) {
        cursor = MoveCrossCursor;
    } else if (!CoursePreview() && !Work.AltDown && HitEditableText()) {
        cursor = InsertTextCursor;
    } else if (HitStretchHandle()) {
        static constexpr int ByHandle[4] = {MoveNECursor, MoveNSCursor, MoveNWCursor, MoveEWCursor};
        cursor = ByHandle[Pick.HitHandle % 4];
    }
    SetToolCursor(cursor);
}

// One screen pixel in whole 0.01 mm, as coordinate units.
int32_t NudgeStep()
{
    if (!(Scale.ViewScaleX > 0))
        return 0;
    const double hundredths = 1.0 / Scale.ViewScaleX / UnitsPerHundredthMm;
    return int32_t(std::min(std::nearbyint(hundredths), 1e6)) * UnitsPerHundredthMm;
}

} // namespace

void ResetEditTool()
{
    EditTool = EditToolState{};
}

void RegisterEditTool()
{
    RegisterTool(ToolModes::Edit, {[](const ToolStartArgs&) { EditStart(); }, &EditEnd, &EditMouseDown,
                                   &EditMoveBefore, &EditMoveAfter, &EditMouseUp, &EditKey});
}

void FinishPendingChange()
{
    if (!EditSys.ElementChanged)
        return;
    if (Index.SelectedIndex > 0 && GetIndex(Index.SelectedIndex)) {
        UpdateElement();
    } else {
        UpdateRect(EditSys.EditOldRect);
        EditSys.ElementChanged = false;
    }
}

void UnmarkSelection()
{
    if (EditSys.MarksShown && Index.SelectedIndex > 0 && ReadElement(Index.SelectedIndex, Index.DrawElement))
        UnmarkElement(Index.DrawElement);
    if (EditSys.MultiMarksShown)
        UnmarkMulti(0, 0);
}

void EditBeep()
{
    EditPorts().Beep();
}

std::vector<int> SelectedObjects()
{
    std::vector<int> numbers;
    if (!Index.ActiveZmd)
        return numbers;
    StartElementScan(0);
    while (NextSelectedElement())
        numbers.push_back(Index.CurIndexNo);
    return numbers;
}

bool SaveSelectedChange(const ElementRecord& before)
{
    ElementRecord& e = E();
    if (!ChangeKeptInMapArea(before, e)) {
        EditBeep();
        CopyRecord(before, e);
        return false;
    }
    if (SameRecord(before, e) || !SaveElement(Index.SelectedIndex))
        return false;
    EditSys.ElementChanged = true;
    return true;
}

void RedrawSelectedChange(bool force)
{
    if (!EditSys.ElementChanged || (!force && DelayedUpdate()))
        return;
    UpdateElement();
    if (Index.SelectedIndex > 0)
        ReadSelected();
}

bool ChangeSelection(const std::function<void(ElementRecord&)>& change, const Cord* move)
{
    ElementRecord& e = E();
    ElementRecord& before = Index.AuxElement1;
    const std::vector<int> numbers = SelectedObjects();
    // First the whole change is tried: it is done for all objects or for none.
    bool any = false;
    for (int n : numbers) {
        if (!ReadElement(n, before))
            continue;
        CopyRecord(before, e);
        change(e);
        if (!ChangeKeptInMapArea(before, e)) {
            EditBeep();
            return false;
        }
        any = any || !SameRecord(before, e);
    }
    if (!any)
        return false;
    SetSelectionBox();
    EditSys.EditOldRect = EditSys.StretchBox;
    if (move) {
        RecordUndo(UndoStart, -1);
        RecordUndo(UndoMoveMany, -1, move->x, move->y);
    } else {
        BeginElementEdit(-1);
    }
    {
        UndoSuspend off;
        for (int n : numbers) {
            if (!ReadElement(n, before))
                continue;
            CopyRecord(before, e);
            change(e);
            if (!SameRecord(before, e))
                SaveElement(n);
        }
    }
    SetSelectionBox();
    ExtendUndoRect(EditSys.StretchBox);
    UpdateMulti();
    UndoButtons();
    return true;
}

bool HitEditableText()
{
    if (!SingleMarked())
        return false;
    const ElementRecord& e = E();
    const bool lineText = e.ObjectType == LineObject;
    if (e.nText == 0 || (!lineText && e.ObjectType != TextObject && e.ObjectType != RectangleObject))
        return false;
    const Cord p = Work.CursorMapPos;
    const int keepVertex = Pick.HitVertexIndex;
    const bool onPoint = HitVertex(p, Scale.PickTolerance);
    Pick.HitVertexIndex = keepVertex;
    if (onPoint)
        return false;
    GetSymbol(e.Symbol, Index.CurSymbol);
    const int keepHole = Index.SelectedHoleStart;
    const bool hit = lineText ? HitOutline(p, e) : HitArea(p, e);
    Index.SelectedHoleStart = keepHole;
    return hit;
}

void EditStart()
{
    Work.ToolMode = ToolModes::Edit;
    EditTool.EditState = EditIdle;
    EditTool.FeedbackShown = false;
    GuardEvent("Edit", "EditStart", [] {
        if (EditSys.TypingActive)
            EndTyping();
        if (Index.SelectedIndex > 0) {
            ReadSelected();
            if (!EditSys.MarksShown)
                MarkElement(E());
            if (!EditSys.StretchShown)
                MarkStretch();
        } else if (Index.SelectionCount >= 2) {
            SetSelectionBox();
            if (!EditSys.MultiMarksShown)
                MarkMulti(0, 0);
            if (!EditSys.StretchShown)
                MarkStretch();
        }
        const bool point = EditPointMode();
        SetToolCursor(point ? EditPointCursor : EditObjectCursor);
        EditPorts().SetHelpContext(point ? EditPointHelpContext : EditObjectHelpContext);
    });
}

void EditEnd()
{
    if (Work.ToolMode != ToolModes::Edit)
        return;
    GuardEvent("Edit", "EditEnd", [] {
        ClearStatusText();
        CancelDrag();
        if (EditSys.TypingActive)
            EndTyping();
        UnmarkSelection();
        UnmarkStretch();
        FinishPendingChange();
    });
    EditSys.MarksShown = EditSys.MultiMarksShown = EditSys.StretchShown = false;
    Work.ToolMode = ToolModes::None;
    SetToolCursor(StandardCursor);
}

void EditMouseDown()
{
    GuardEvent("Edit", "EditMouseDown", [] { Press(); });
}

void EditMoveBefore()
{
    if (EditSys.TypingActive)
        return;
    GuardEvent("Edit", "EditMoveBefore", [] {
        switch (EditTool.EditState) {
        case SelectFrame:
            if (EditTool.FeedbackShown)
                DrawFrame();
            EditTool.FeedbackShown = false;
            break;
        case MovingVertex:
            if (EditTool.FeedbackShown)
                MovePointBefore();
            EditTool.FeedbackShown = false;
            break;
        case MovingObject:
        case ResizingRectangle:
            UnmarkElement(E());
            break;
        case MovingSelection:
            DrawMovedFrames(false);
            break;
        case Stretching:
            EraseStretch();
            break;
        default:
            break;
        }
        EditTool.LastPos = Pointer();
    });
}

void EditMoveAfter()
{
    GuardEvent("Edit", "EditMoveAfter", [] {
        if (EditSys.TypingActive) {
            if (HitEditableText())
                SetToolCursor(InsertTextCursor);
            TypingMouseMove();
            return;
        }
        const Cord p = Pointer();
        switch (EditTool.EditState) {
        case EditIdle:
            IdleCursor();
            break;
        case SelectFrame:
            EditTool.FrameEnd = p;
            DrawFrame();
            EditTool.FeedbackShown = true;
            break;
        case MovingVertex:
            MovePointAfter();
            EditTool.FeedbackShown = true;
            break;
        case MovingObject: {
            const ElementRecord& copy = Index.AuxElement1;
            ShiftPoints(copy, E(), MovedRange(copy, Index.SelectedHoleStart), int64_t(p.x) - EditTool.MoveStart.x,
                        int64_t(p.y) - EditTool.MoveStart.y);
            MarkElement(E());
            break;
        }
        case ResizingRectangle:
            ResizeRectangle();
            MarkElement(E());
            break;
        case MovingSelection:
            DrawMovedFrames(true);
            break;
        case Stretching:
            UpdateStretch();
            break;
        default:
            break;
        }
    });
}

void EditMouseUp()
{
    GuardEvent("Edit", "EditMouseUp", [] {
        switch (EditTool.EditState) {
        case SelectFrame: ReleaseFrame(); break;
        case MovingVertex:
        case MovingObject:
        case ResizingRectangle: ReleaseObjectDrag(); break;
        case MovingSelection: ReleaseSelectionMove(); break;
        case Stretching:
            EditTool.EditState = EditIdle;
            EndStretch();
            break;
        case InsertPointClick: ReleasePointClick(true); break;
        case RemovePointClick: ReleasePointClick(false); break;
        default:
            if (EditSys.TypingActive)
                TypingMouseUp();
            break;
        }
        MapView* v = Work.ActiveView;
        if (v && v->ArrowMarkerOn) {
            v->ArrowMarkerOn = false;
            if (v->Form)
                v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
        }
    });
}

void EditKey(int ch)
{
    if (EditTool.EditState != EditIdle)
        return;
    GuardEvent("Edit", "EditKey", [ch] {
        if (EditSys.TypingActive) {
            TypingKey(char16_t(ch));
            return;
        }
        if (ch == 27) {
            FinishPendingChange();
            DropSelection();
            ToolButtons();
            return;
        }
        const ElementRecord& e = E();
        const bool text = e.ObjectType == TextObject || (e.ObjectType == RectangleObject && e.nText > 0);
        if (!SingleMarked() || !text)
            return;
        ReadSelected();
        BeginSelectedEdit();
        UnmarkElement(E());
        UnmarkStretch();
        StartTyping();
        TypingKey(char16_t(ch));
    });
}

void NudgeSelection(int qtKey)
{
    if (Work.ToolMode != ToolModes::Edit || EditTool.EditState != EditIdle || EditSys.TypingActive)
        return;
    GuardEvent("Edit", "NudgeSelection", [qtKey] {
        const int32_t step = NudgeStep();
        int32_t dx = 0, dy = 0;
        switch (qtKey) {
        case Qt::Key_Left: dx = -step; break;
        case Qt::Key_Right: dx = step; break;
        case Qt::Key_Up: dy = step; break;
        case Qt::Key_Down: dy = -step; break;
        default: return;
        }
        if (dx == 0 && dy == 0)
            return;
        if (Index.SelectedIndex > 0) {
            ReadSelected();
            HideCourse();
            BeginSelectedEdit();
            CopyRecord(E(), Index.AuxElement1);
            UnmarkElement(E());
            UnmarkStretch();
            MoveElement(E(), dx, dy);
            if (SaveSelectedChange(Index.AuxElement1))
                RedrawSelectedChange(false);
            MarkElement(E());
            MarkStretch();
            ShowCourseAgain();
            RepaintCourse();
        } else if (MultiSelected()) {
            const bool frames = EditSys.MultiMarksShown;
            if (frames)
                UnmarkMulti(0, 0);
            UnmarkStretch();
            const Cord d{dx, dy};
            ChangeSelection([d](ElementRecord& e) { MoveElement(e, d.x, d.y); }, &d);
            if (frames)
                MarkMulti(0, 0);
            MarkStretch();
        }
        UndoButtons();
    });
}

} // namespace zemo
