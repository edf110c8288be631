#include "edit/EdPoint.h"

#include "core/Config.h"
#include "core/EventGuard.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/Parallel.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Bezier.h"
#include "render/PathWalk.h"
#include "render/Scale.h"
#include "symbols/store/SymbolLayout.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace zemo {

EdPointUnitState EdPoint;

namespace {

constexpr int32_t ControlFlags = FirstBezierFlag | SecondBezierFlag;

struct ModeLook {
    TextKey status;
    int cursor;
    int help;
};

// By mode 1..6.
constexpr ModeLook Looks[6] = {
    {TextKey::MarkInsPt, NormalPointCursor, 217}, {TextKey::MarkInsPt, CornerPointCursor, 215},
    {TextKey::MarkInsPt, DashPointCursor, 52},    {TextKey::MarkRemPt, RemovePointCursor, 214},
    {TextKey::IndicateDir, RotatePatternCursor, 221}, {TextKey::DragPoint, MoveParallelCursor, 132},
};

ElementRecord& E() { return Index.CurElement; }

bool IsControl(Cord c) { return (c.x & ControlFlags) != 0; }
bool IsFirst(const ElementRecord& e, int i) { return i >= 0 && i < e.nItem && (e.Cords()[i].x & FirstBezierFlag); }
bool IsSecond(const ElementRecord& e, int i) { return i >= 0 && i < e.nItem && (e.Cords()[i].x & SecondBezierFlag); }

Cord Pointer()
{
    return {Masked(Work.CursorMapPos.x), Masked(Work.CursorMapPos.y)};
}

QPoint Dev(Cord c)
{
    return CordToDevice(Cord{Masked(c.x), Masked(c.y)});
}

bool Near(Cord a, Cord b)
{
    const int64_t t = Scale.PickTolerance;
    return std::llabs(int64_t(Masked(a.x)) - Masked(b.x)) <= t && std::llabs(int64_t(Masked(a.y)) - Masked(b.y)) <= t;
}

void ReadSelected()
{
    ReadElement(Index.SelectedIndex, E());
    GetSymbol(E().Symbol, Index.CurSymbol);
}

bool LineOrArea(const ElementRecord& e)
{
    return e.ObjectType == LineObject || e.ObjectType == AreaObject;
}

// `change` tried on a copy of the selected object; when it changes something, the object is
// changed so as one undo step, with its marks.
bool ChangeSelected(const std::function<bool(ElementRecord&)>& change)
{
    ElementRecord& trial = Index.AuxElement1;
    CopyRecord(E(), trial);
    if (!change(trial))
        return false;
    BeginSelectedEdit();
    UnmarkElement(E());
    ElementRecord& before = Index.AuxElement2;
    CopyRecord(E(), before);
    CopyRecord(trial, E());
    const bool saved = SaveSelectedChange(before);
    if (saved)
        RedrawSelectedChange(true);
    MarkElement(E());
    DocumentPorts().UpdateUndoButtons();
    return saved;
}

// The selected object's point under `at`; -1 for none.
int VertexAt(Cord at)
{
    if (Index.SelectedIndex <= 0)
        return -1;
    ReadSelected();
    return HitVertex(at, Scale.PickTolerance) ? Pick.HitVertexIndex : -1;
}

bool MakeKind(Cord at, int32_t kind)
{
    const int i = VertexAt(at);
    return i >= 0 && ChangeSelected([i, kind](ElementRecord& e) { return SetPointKind(e, i, kind); });
}

void DeleteAt(ElementRecord& e, int i)
{
    DeleteCord(e, i);
}

// ---- Direction ----

void DrawDirection()
{
    const QPoint a = Dev(EdPoint.DirStart), b = Dev(EdPoint.DirEnd);
    Line(a.x(), a.y(), b.x(), b.y());
}

void HideDirection()
{
    if (EdPoint.DirShown)
        DrawDirection();
    EdPoint.DirShown = false;
}

// ---- Move parallel ----

bool Ring()
{
    return Index.AuxElement2.ObjectType == AreaObject;
}

// The line being moved: its segments, a ring's closing segment and its points.
void DrawRange()
{
    const ElementRecord& e = E();
    const int n = e.nItem;
    for (int i = 0; i + 1 < n;) {
        if (i + 3 < n && IsFirst(e, i + 1)) {
            MarkBezier(e, i);
            i += 3;
        } else {
            MarkLine(e, i);
            ++i;
        }
    }
    if (Ring() && n > 2) {
        const QPoint a = Dev(e.Cords()[n - 1]), b = Dev(e.Cords()[0]);
        Line(a.x(), a.y(), b.x(), b.y());
    }
    for (int i = 0; i < n; ++i)
        MarkPoint(e, i);
}

void HideRange()
{
    if (EdPoint.ParallelShown)
        DrawRange();
    EdPoint.ParallelShown = false;
}

// The pointer's distance along the vertex's normal, in 0.01 mm.
int32_t ParallelDistance()
{
    const Cord p = Pointer(), v = EdPoint.ParallelVertex;
    const int64_t dx = int64_t(p.x) - v.x, dy = int64_t(p.y) - v.y;
    const int64_t d = (dx * EdPoint.NormalX / 256 + dy * EdPoint.NormalY / 256) / 256;
    return int32_t(std::clamp<int64_t>(d, -int64_t(MapAreaLimit), MapAreaLimit));
}

bool BeginParallel(Cord at)
{
    const int i = VertexAt(at);
    if (i < 0 || !LineOrArea(E()) || IsControl(E().Cords()[i]))
        return false;
    BeginSelectedEdit();
    UnmarkElement(E());
    ElementRecord& whole = Index.AuxElement2;
    CopyRecord(E(), whole);
    const Cord* p = whole.Cords();
    const int n = whole.nItem;
    int first = 0, last = n - 1;
    if (whole.ObjectType == AreaObject) {
        first = i;
        while (first > 0 && !(p[first].y & HoleFlag))
            --first;
        last = i + 1;
        while (last < n && !(p[last].y & HoleFlag))
            ++last;
        --last;
    }
    EdPoint.RingFirst = first;
    EdPoint.RingLast = last;
    EdPoint.ParallelVertex = {Masked(p[i].x), Masked(p[i].y)};
    Cord left, right;
    for (int j = 0; j <= i - first; ++j)
        PathAngleAt(p + first, j, 256, last - first + 1, 0, left, right);
    EdPoint.NormalX = int32_t((int64_t(Masked(left.x)) - Masked(p[i].x)) / 256);
    EdPoint.NormalY = int32_t((int64_t(Masked(left.y)) - Masked(p[i].y)) / 256);
    PrepareParallelRange(whole, first, last, Index.AuxElement1);
    CopyRecord(Index.AuxElement1, E());
    DrawRange();
    EdPoint.ParallelShown = true;
    return true;
}

void EndParallel()
{
    HideRange();
    ElementRecord& whole = Index.AuxElement2;
    ElementRecord& e = E();
    const int32_t d = ParallelDistance();
    if (d == 0 || !ParallelLine(Index.AuxElement1, d, Ring(), e)) {
        if (d != 0)
            EditBeep();
        CopyRecord(whole, e);
        MarkElement(e);
        return;
    }
    // The moved line spliced back between the object's other points and its text.
    std::vector<Cord> all(whole.Cords(), whole.Cords() + EdPoint.RingFirst);
    all.insert(all.end(), e.Cords(), e.Cords() + e.nItem);
    all.insert(all.end(), whole.Cords() + EdPoint.RingLast + 1, whole.Cords() + whole.nItem);
    const size_t text = whole.nText;
    if (all.size() > size_t(MaxElementItems) || all.size() + text > ElementSlotCapacity) {
        EditBeep();
        CopyRecord(whole, e);
        MarkElement(e);
        return;
    }
    CopyRecord(whole, e);
    std::copy(whole.Slots.begin() + whole.nItem, whole.Slots.begin() + whole.nItem + ptrdiff_t(text),
              e.Slots.begin() + ptrdiff_t(all.size()));
    std::copy(all.begin(), all.end(), e.Cords());
    e.nItem = uint16_t(all.size());
    if (SaveSelectedChange(whole))
        RedrawSelectedChange(true);
    MarkElement(e);
    DocumentPorts().UpdateUndoButtons();
}

} // namespace

void ResetEdPoint()
{
    EdPoint = EdPointUnitState{};
}

void RegisterPointEditTool()
{
    RegisterTool(ToolModes::PointEdit, {[](const ToolStartArgs& a) { EdPointStart(a.operation); }, &EdPointEnd,
                                        &EdPointMouseDown, &EdPointMoveBefore, &EdPointMoveAfter,
                                        &EdPointMouseUp, {}});
}

void EdPointStart(int mode)
{
    if (mode < NormalPointMode || mode > MoveParallelMode)
        return;
    GuardEvent("EdPoint", "EdPointStart", [mode] {
        const bool single = Index.SelectedIndex > 0;
        if (single) {
            ReadSelected();
            if (mode != DirectionMode && !LineOrArea(E()))
                return;
            if (!EditSys.MarksShown)
                MarkElement(E());
        } else {
            if (mode != DirectionMode || Index.SelectionCount < 2)
                return;
            if (!EditSys.MultiMarksShown)
                MarkMulti(0, 0);
        }
        Work.ToolMode = ToolModes::PointEdit;
        EdPoint.EdPointMode = mode;
        EdPoint.EdPointPressed = false;
        EdPoint.DirShown = EdPoint.ParallelShown = false;
        const ModeLook& look = Looks[mode - 1];
        SetStatusText(Text(look.status));
        SetToolCursor(look.cursor);
        EditPorts().SetHelpContext(look.help);
    });
}

void EdPointEnd()
{
    if (Work.ToolMode != ToolModes::PointEdit)
        return;
    GuardEvent("EdPoint", "EdPointEnd", [] {
        HideDirection();
        if (EdPoint.ParallelShown) {
            HideRange();
            CopyRecord(Index.AuxElement2, E());
        }
        UnmarkSelection();
        FinishPendingChange();
    });
    EdPoint.EdPointPressed = false;
    Work.ToolMode = ToolModes::None;
    ClearStatusText();
    SetToolCursor(StandardCursor);
}

void EdPointMouseDown()
{
    if (EdPoint.EdPointPressed)
        return;
    GuardEvent("EdPoint", "EdPointMouseDown", [] {
        const Cord p = Pointer();
        switch (EdPoint.EdPointMode) {
        case DirectionMode:
            EdPoint.DirStart = EdPoint.DirEnd = p;
            EdPoint.EdPointPressed = true;
            break;
        case MoveParallelMode:
            EdPoint.EdPointPressed = BeginParallel(p);
            break;
        default:
            EdPoint.EdPointPressed = true;
            break;
        }
    });
}

void EdPointMoveBefore()
{
    if (!EdPoint.EdPointPressed)
        return;
    GuardEvent("EdPoint", "EdPointMoveBefore", [] {
        if (EdPoint.EdPointMode == DirectionMode)
            HideDirection();
        else if (EdPoint.EdPointMode == MoveParallelMode)
            HideRange();
    });
}

void EdPointMoveAfter()
{
    if (!EdPoint.EdPointPressed)
        return;
    GuardEvent("EdPoint", "EdPointMoveAfter", [] {
        if (EdPoint.EdPointMode == DirectionMode) {
            EdPoint.DirEnd = Pointer();
            DrawDirection();
            EdPoint.DirShown = true;
        } else if (EdPoint.EdPointMode == MoveParallelMode) {
            // A move that would leave too few points shows the last one that did not.
            ParallelLine(Index.AuxElement1, ParallelDistance(), Ring(), E());
            DrawRange();
            EdPoint.ParallelShown = true;
        }
    });
}

void EdPointMouseUp()
{
    if (!EdPoint.EdPointPressed)
        return;
    EdPoint.EdPointPressed = false;
    GuardEvent("EdPoint", "EdPointMouseUp", [] {
        const Cord at = Pointer();
        switch (EdPoint.EdPointMode) {
        case NormalPointMode:
            if (VertexAt(at) >= 0)
                MakeNormalPoint(at);
            else
                InsertPoint(0, at);
            break;
        case CornerPointMode:
            if (VertexAt(at) >= 0)
                MakeCornerPoint(at);
            else
                InsertPoint(CornerFlag, at);
            break;
        case DashPointMode:
            if (VertexAt(at) >= 0)
                MakeDashPoint(at);
            else
                InsertPoint(DashFlag, at);
            break;
        case RemovePointMode:
            RemovePoint(at);
            break;
        case DirectionMode:
            HideDirection();
            SetDirection();
            break;
        case MoveParallelMode:
            EndParallel();
            break;
        default:
            break;
        }
    });
}

bool CanSetDirection()
{
    if (!Index.ActiveZmd || !Index.MapOpen)
        return false;
    auto directed = [](int n) {
        ElementRecord& e = Index.DrawElement;
        if (!ReadElement(n, e))
            return false;
        return e.ObjectType == PointObject || e.ObjectType == AreaObject || e.ObjectType == TextObject
               || (e.ObjectType == RectangleObject && e.nText > 0);
    };
    if (Index.SelectedIndex > 0)
        return Index.SelectedHoleStart == 0 && directed(Index.SelectedIndex);
    if (Index.SelectionCount < 2)
        return false;
    for (int n : SelectedObjects())
        if (directed(n))
            return true;
    return false;
}

bool SetPointKind(ElementRecord& e, int i, int32_t kind)
{
    if (i < 0 || i >= e.nItem)
        return false;
    Cord& c = e.Cords()[i];
    if (kind != 0 && IsControl(c))
        return false;
    const int32_t y = (c.y & ~(CornerFlag | DashFlag)) | kind;
    if (y == c.y)
        return false;
    c.y = y;
    return true;
}

bool RemoveAnchor(ElementRecord& e, int i)
{
    const int n = e.nItem;
    if (e.ObjectType == LineObject) {
        if (n < 3 || (n == 4 && IsFirst(e, 1)))
            return false;
    } else if (e.ObjectType != AreaObject || n < 4) {
        return false;
    }
    if (i < 0 || i >= n || IsControl(e.Cords()[i]))
        return false;
    Cord* p = e.Cords();
    if (i > 0 && (p[i].y & HoleFlag)) {
        // The first point of a hole: the ring starts at its next anchor.
        DeleteAt(e, i);
        while (i < e.nItem && IsControl(p[i]))
            DeleteAt(e, i);
        if (i < e.nItem)
            p[i].y |= HoleFlag;
    } else {
        DeleteAt(e, i);
        // A curve segment left without its end goes with it.
        while ((i == e.nItem || (p[i].y & HoleFlag)) && i > 0 && IsControl(p[i - 1]))
            DeleteAt(e, --i);
        if (IsFirst(e, i) && IsSecond(e, i - 1) && i >= 3 && i < e.nItem - 2) {
            // Two curve segments become one, its control points at 0.4 of the new chord.
            DeleteAt(e, i);
            DeleteAt(e, i - 1);
            const Cord a = p[i - 3], b = p[i];
            const double chord = PointDistance(Cord{Masked(a.x), Masked(a.y)}, Cord{Masked(b.x), Masked(b.y)});
            PointAtAngle(a, DirectionAngle(a, p[i - 2]), 0.4 * chord, p[i - 2]);
            PointAtAngle(b, DirectionAngle(b, p[i - 1]), 0.4 * chord, p[i - 1]);
        }
    }
    // No control points at the ends, no ring of a single point, no hole flag on the first.
    while (e.nItem > 0 && IsControl(p[e.nItem - 1]))
        DeleteAt(e, e.nItem - 1);
    while (e.nItem > 0 && IsControl(p[0]))
        DeleteAt(e, 0);
    for (int k = 0; k < e.nItem;) {
        const int end = RingEnd(p, e.nItem, k);
        if (end - k == 1 && e.nItem > 1)
            DeleteAt(e, k);
        else
            k = end;
    }
    if (e.nItem > 0)
        p[0].y &= ~HoleFlag;
    return true;
}

std::optional<int16_t> DirectionFor(const ElementRecord& e, const SymbolBytes* sym, Cord from, Cord to)
{
    switch (e.ObjectType) {
    case PointObject:
        return int16_t(LGetDirection(from, to));
    case TextObject:
        return int16_t(LGetHorDir(from, to));
    case AreaObject:
        if (!sym || sym->size() < size_t(AreaSymbolFixedBytes))
            return std::nullopt;
        if (SymI16(*sym, AreaHatchMode) >= 1)
            return TurnedAngle(LGetHorDir(from, to), -int64_t(SymI16(*sym, AreaHatchAngle1)));
        if (SymI16(*sym, AreaStructMode) > 0)
            return TurnedAngle(LGetHorDir(from, to), -int64_t(SymI16(*sym, AreaStructAngle)));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool InsertPoint(int32_t flag, Cord at)
{
    if (Index.SelectedIndex <= 0)
        return false;
    ReadSelected();
    if (!LineOrArea(E()) || !HitOutline(at, E()))
        return false;
    const int segment = Pick.HitSegment;
    const double t = Pick.HitT;
    return ChangeSelected([segment, t, flag](ElementRecord& e) {
        const int n = e.nItem;
        const bool curve = segment + 3 < n && IsFirst(e, segment + 1);
        int i = segment;
        if (!SplitSegmentAt(e, i, t) || e.nItem == n)
            return false;
        Cord& added = e.Cords()[curve ? segment + 3 : segment + 1];
        added.y = (added.y & ~(CornerFlag | DashFlag)) | flag;
        return true;
    });
}

bool MakeNormalPoint(Cord at)
{
    return MakeKind(at, 0);
}

bool MakeCornerPoint(Cord at)
{
    return MakeKind(at, CornerFlag);
}

bool MakeDashPoint(Cord at)
{
    return MakeKind(at, DashFlag);
}

bool RemovePoint(Cord at)
{
    int i = VertexAt(at);
    if (i < 0 || !LineOrArea(E()))
        return false;
    const ElementRecord& e = E();
    // A control point counts for its anchor when the press is near that too.
    if (IsFirst(e, i)) {
        if (!Near(at, e.Cords()[i - 1]))
            return false;
        --i;
    } else if (IsSecond(e, i)) {
        if (i + 1 >= e.nItem || !Near(at, e.Cords()[i + 1]))
            return false;
        ++i;
    }
    return ChangeSelected([i](ElementRecord& r) { return RemoveAnchor(r, i); });
}

void SetDirection()
{
    const Cord from = EdPoint.DirStart, to = EdPoint.DirEnd;
    auto turn = [from, to](ElementRecord& e) {
        SymbolBytes* sym = nullptr;
        GetSymbol(e.Symbol, sym);
        if (const std::optional<int16_t> a = DirectionFor(e, sym, from, to)) {
            e.Angle = *a;
            return true;
        }
        return false;
    };
    if (Index.SelectedIndex > 0) {
        ReadSelected();
        ChangeSelected(turn);
    } else if (Index.SelectionCount >= 2) {
        const bool frames = EditSys.MultiMarksShown;
        if (frames)
            UnmarkMulti(0, 0);
        ChangeSelection([&turn](ElementRecord& e) { turn(e); });
        if (frames)
            MarkMulti(0, 0);
    }
    DocumentPorts().UpdateUndoButtons();
}

} // namespace zemo
