#include "edit/Cut.h"

#include "core/EventGuard.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Cursors.h"
#include "edit/CutCircle.h"
#include "edit/DrCurve.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/AreaRings.h"
#include "render/Bezier.h"
#include "render/PathWalk.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zemo {

CutUnitState CutTool;

namespace {

// A release within this many pixels of the press is a click.
constexpr int ClickPixels = 4;

ElementRecord& E() { return Index.CurElement; }

// The object as the press left it, shown while the button is held.
ElementRecord& Pressed()
{
    static ElementRecord e;
    return e;
}
// The cut object being built.
ElementRecord& Piece()
{
    static ElementRecord e;
    return e;
}

void Band()
{
    XorSegment(CutTool.CutFrom, CutTool.CutTo);
}

void HideBand()
{
    if (CutTool.BandShown)
        Band();
    CutTool.BandShown = false;
}

void ShowBand()
{
    if (!CutTool.BandShown)
        Band();
    CutTool.BandShown = true;
}

void UnmarkPressed()
{
    if (CutTool.Marked)
        UnmarkElement(Pressed());
    CutTool.Marked = false;
}

bool ReadSelectedLine()
{
    if (Index.SelectedIndex <= 0 || !ReadElement(Index.SelectedIndex, E()))
        return false;
    GetSymbol(E().Symbol, Index.CurSymbol);
    return E().ObjectType == LineObject && E().nItem >= 2;
}

// The place on the open line e nearest to p, whatever the distance.
void NearestOnLine(Cord p, const ElementRecord& e, int& segment, double& t)
{
    const Cord* v = e.Cords();
    const int n = e.nItem;
    int64_t best = INT64_MAX;
    segment = 0;
    t = 0;
    constexpr int64_t Far = int64_t(1) << 40;
    for (int i = 0; i < n; ++i) {
        if (v[i].x & (FirstBezierFlag | SecondBezierFlag))
            continue;
        const int64_t dv = ApproxDistance(Cord{Masked(p.x), Masked(p.y)}, Cord{Masked(v[i].x), Masked(v[i].y)});
        if (dv < best) {
            best = dv;
            segment = i;
            t = 0;
        }
        if (i == n - 1)
            break;
        int side = 0;
        double tt = 0;
        int64_t d = 0;
        if (i + 3 < n && (v[i + 1].x & FirstBezierFlag)) {
            d = NearestOnBezier(p, v + i, Far, side, tt);
            if (d < 8 * Far && d < best) {
                best = d;
                segment = i;
                t = tt;
            }
            continue;
        }
        d = DistanceToSegment(p, v[i], v[i + 1], side, tt, Far);
        if (d < 2 * Far && d < best) {
            best = d;
            segment = i;
            t = tt;
        }
    }
}

// Splits e at two places (in any order) and gives the two indices, the lower first. False
// when there is no room.
bool SplitTwice(ElementRecord& e, int seg1, double t1, int seg2, double t2, int& first, int& last)
{
    const bool secondLater = seg2 > seg1 || (seg2 == seg1 && t2 > t1);
    const int laterSeg = secondLater ? seg2 : seg1, earlierSeg = secondLater ? seg1 : seg2;
    const double laterT = secondLater ? t2 : t1;
    double earlierT = secondLater ? t1 : t2;
    // On one segment the earlier place lies on the first part of the segment cut at the later.
    if (earlierSeg == laterSeg && laterT > 0)
        earlierT /= laterT;
    last = SplitAtHit(e, laterSeg, laterT);
    if (last < 0)
        return false;
    const int before = e.nItem;
    first = SplitAtHit(e, earlierSeg, earlierT);
    if (first < 0)
        return false;
    last += e.nItem - before;
    if (first > last)
        std::swap(first, last);
    return true;
}

// Cords [from, to) of src with its text as a new object in dst (src's head).
void TakePiece(const ElementRecord& src, int from, int to, ElementRecord& dst)
{
    CopyRecord(src, dst);
    const Cord* p = src.Cords();
    const int text = int(std::min<size_t>(src.nText, ElementSlotCapacity - src.nItem));
    std::copy(p + from, p + to, dst.Cords());
    std::copy(p + src.nItem, p + src.nItem + text, dst.Cords() + (to - from));
    dst.nItem = uint16_t(to - from);
    dst.nText = uint16_t(text);
}

// The line's start shortened by d (0.01 mm): cut where the walk reaches it, the points before
// it dropped.
void ShortenStart(ElementRecord& e, int32_t d)
{
    const Cord* p = e.Cords();
    double walked = 0;
    for (int i = 0; i < e.nItem - 1;) {
        const bool curve = i + 3 < e.nItem && (p[i + 1].x & FirstBezierFlag);
        const int next = curve ? i + 3 : i + 1;
        const double len = PathLength(p + i, next - i + 1);
        if (walked + len >= d && len > 0) {
            double t = (d - walked) / len;
            if (curve) {
                // The parameter where the curve's length from its start reaches the rest.
                double lo = 0, hi = 1;
                for (int k = 0; k < 40; ++k) {
                    const double mid = (lo + hi) / 2;
                    Cord c[4] = {p[i], p[i + 1], p[i + 2], p[i + 3]};
                    Cord c1, c2, at;
                    SplitBezierFirstHalf(c, mid, c1, c2, at);
                    const Cord half[4] = {p[i], c1, c2, at};
                    (walked + PathLength(half, 4) < d ? lo : hi) = mid;
                }
                t = (lo + hi) / 2;
            }
            const int k = SplitAtHit(e, i, t);
            if (k > 0) {
                Cord* q = e.Cords();
                const int slots = int(e.SlotCount());
                std::move(q + k, q + slots, q);
                e.nItem = uint16_t(e.nItem - k);
            }
            return;
        }
        walked += len;
        i = next;
    }
}

// The symbol's distance for a gap at a click with Shift: the main gap of a dashed line.
int32_t ClickGap(const SymbolBytes* s)
{
    if (!s || s->size() < size_t(LineSymbolFixedBytes) || SymI16(*s, SymObjectType) != LineObject
        || SymU8(*s, SymTextFlag) == 1)
        return 0;
    return std::max<int32_t>(SymI16(*s, LsMainGap), 0);
}

void Finish(int selected, const CordRect& redraw)
{
    UpdateRect(redraw);
    EditSys.ElementChanged = false;
    FlushMapFile();
    if (selected > 0) {
        GetIndex(selected);
        SelectOnly(selected);
        ReadElement(selected, E());
        GetSymbol(E().Symbol, Index.CurSymbol);
        MarkElement(E());
    } else {
        DropSelection();
    }
    DocumentPorts().UpdateUndoButtons();
    EditPorts().UpdateToolButtons();
}

// The rectangle of object n as the store holds it now.
CordRect RectOf(int n, const CordRect& with)
{
    CordRect r = with;
    if (n > 0 && GetIndex(n))
        ExtendRect(r, Index.CurIndex.Rect);
    return r;
}

void ReleaseOnLine(Cord release, bool click)
{
    const int sel = Index.SelectedIndex;
    ElementRecord& e = E();
    if (!ReadSelectedLine()) {
        DropSelection();
        return;
    }
    GetIndex(sel);
    const CordRect old = Index.CurIndex.Rect;
    ElementRecord& work = Pressed();
    CopyRecord(e, work);
    int first = 0, last = 0;
    bool split = false;
    if (!click && HitOutline(release, e)) {
        split = SplitTwice(work, CutTool.PressSegment, CutTool.PressT, Pick.HitSegment, Pick.HitT, first, last);
    } else {
        first = last = SplitAtHit(work, CutTool.PressSegment, CutTool.PressT);
        split = first >= 0;
    }
    // A click on an end, or no room to cut: the line stays as it is.
    if (!split || (first == last && (first == 0 || first == work.nItem - 1))) {
        if (!split)
            EditBeep();
        MarkElement(e);
        return;
    }
    // Undo takes back the whole cut: the object as it was is kept now.
    BeginElementEdit(sel);
    int keep = 0;
    CordRect redraw = old;
    if (first >= 1) {
        TakePiece(work, 0, first + 1, e);
        if (SaveElement(sel)) {
            keep = sel;
            redraw = RectOf(sel, redraw);
        }
    } else {
        DeleteElement(sel);
    }
    TakePiece(work, last, work.nItem, Piece());
    if (click && (Work.ShiftDown) && Piece().nItem > 1)
        if (const int32_t gap = ClickGap(Index.CurSymbol))
            ShortenStart(Piece(), gap);
    if (Piece().nItem > 1) {
        CopyRecord(Piece(), e);
        if (AppendElement()) {
            keep = Index.CurIndexNo;
            redraw = RectOf(keep, redraw);
        }
    }
    Finish(keep, redraw);
}

void ReleaseOnSideLine(Cord release, bool click)
{
    const int sel = Index.SelectedIndex;
    ElementRecord& e = E();
    if (!ReadSelectedLine()) {
        DropSelection();
        return;
    }
    int64_t distance = 0;
    if (click || !HitDoubleLineSide(release, e, distance) || Pick.DoubleLineSide != CutTool.CutSide) {
        MarkElement(e);
        return;
    }
    // The side line's two places, taken across to the line itself.
    int seg1 = 0, seg2 = 0;
    double t1 = 0, t2 = 0;
    NearestOnLine(CutTool.CutFrom, e, seg1, t1);
    NearestOnLine(release, e, seg2, t2);
    ElementRecord& work = Pressed();
    CopyRecord(e, work);
    int first = 0, last = 0;
    if (!SplitTwice(work, seg1, t1, seg2, t2, first, last) || first == last) {
        MarkElement(e);
        return;
    }
    for (int i = first; i < last; ++i) {
        Cord& c = work.Cords()[i];
        if (CutTool.CutSide == 1)
            c.x |= NoLeftLineFlag;
        else
            c.y |= NoRightLineFlag;
    }
    GetIndex(sel);
    const CordRect old = Index.CurIndex.Rect;
    BeginElementEdit(sel);
    DeleteElement(sel);
    CopyRecord(work, e);
    int made = 0;
    if (AppendElement())
        made = Index.CurIndexNo;
    Finish(made, RectOf(made, old));
}

} // namespace

int SplitAtHit(ElementRecord& e, int segment, double t)
{
    const int n = e.nItem;
    if (segment < 0 || segment >= n)
        return -1;
    const Cord* p = e.Cords();
    const bool curve = segment + 3 < n && (p[segment + 1].x & FirstBezierFlag);
    int i = segment;
    if (!SplitSegmentAt(e, i, t))
        return -1;
    if (e.nItem > n)
        return curve ? segment + 3 : segment + 1;
    return i;
}

bool IsCuttableCircle(const ElementRecord& e, const SymbolBytes& s)
{
    constexpr size_t least = PointSymbolFixedBytes + 3 * 8;
    return e.ObjectType == PointObject && s.size() >= least && (s.size() - PointSymbolFixedBytes) % 8 == 0
           && SymI16(s, SymObjectType) == PointObject
           && (s[PointSymbolFixedBytes + ElemKind] | s[PointSymbolFixedBytes + ElemKind + 1] << 8) == ElementCircle;
}

bool IsCuttableCircle()
{
    const int n = Index.SelectedIndex;
    TZmd* z = Index.ActiveZmd;
    if (n <= 0 || !z || !Index.MapOpen || n > z->HighestObject || (Index.SymbolGraphics && Index.SymbolGraphics->Active))
        return false;
    const ObjectIndexEntry& entry = z->Entry(n);
    if (!EntryLive(entry))
        return false;
    SymbolBytes* s = nullptr;
    if (!GetSymbol(entry.Symbol, s) || !s)
        return false;
    ElementRecord head;
    head.ObjectType = PointObject;
    return SymI16(*s, SymObjectType) == PointObject && IsCuttableCircle(head, *s);
}

void ResetCutUnit()
{
    CutTool = CutUnitState{};
}

void RegisterCutTools()
{
    RegisterTool(ToolModes::CutLine, {[](const ToolStartArgs&) { CutStart(); }, &CutEnd, &CutMouseDown,
                                      &CutMoveBefore, &CutMoveAfter, &CutMouseUp, {}});
    RegisterTool(ToolModes::CutCircle, {[](const ToolStartArgs&) { CircleCutStart(); }, &CircleCutEnd,
                                        &CircleCutMouseDown, &CircleCutMoveBefore, &CircleCutMoveAfter,
                                        &CircleCutMouseUp, {}});
}

void CutStart()
{
    if (Index.SelectedIndex <= 0)
        return;
    Work.ToolMode = ToolModes::CutLine;
    CutTool.CutState = CutIdle;
    CutTool.BandShown = false;
    CutTool.Marked = false;
    GuardEvent("Cut", "CutStart", [] {
        ReadElement(Index.SelectedIndex, E());
        GetSymbol(E().Symbol, Index.CurSymbol);
        if (!EditSys.MarksShown)
            MarkElement(E());
        SetStatusText(Text(TextKey::MarkCutPt));
        SetToolCursor(CutCursor);
        EditPorts().SetHelpContext(CutHelpContext);
    });
}

void CutEnd()
{
    if (Work.ToolMode != ToolModes::CutLine)
        return;
    GuardEvent("Cut", "CutEnd", [] {
        HideBand();
        UnmarkPressed();
        CutTool.CutState = CutIdle;
        UnmarkSelection();
        FinishPendingChange();
    });
    EditSys.MarksShown = false;
    Work.ToolMode = ToolModes::None;
    SetToolCursor(StandardCursor);
    ClearStatusText();
}

void CutMouseDown()
{
    GuardEvent("Cut", "CutMouseDown", [] {
        if (CutTool.CutState != CutIdle || !ReadSelectedLine())
            return;
        ElementRecord& e = E();
        const Cord press = DrawCursor();
        const bool onLine = HitOutline(press, e);
        const int segment = Pick.HitSegment;
        const double t = Pick.HitT;
        const int64_t lineDistance = onLine ? FastDistance(press, OutlinePointAt(e, segment, t)) : INT64_MAX;
        int64_t sideDistance = 0;
        const bool onSide = HitDoubleLineSide(press, e, sideDistance);
        const SymbolBytes* s = Index.CurSymbol;
        const int mode = s && s->size() >= size_t(LineSymbolFixedBytes) ? SymI16(*s, LsDblMode) : 0;
        const bool side = onSide && (mode < 2 || Pick.DoubleLineSide == 2) && (!onLine || lineDistance > sideDistance);
        if (!side && !onLine)
            return;
        if (EditSys.MarksShown)
            UnmarkElement(e);
        ElementRecord& shown = Pressed();
        if (side) {
            CopyRecord(Index.AuxElement2, shown);
            SplitAtHit(shown, Pick.SideSegment, Pick.SideT);
            CutTool.CutSide = Pick.DoubleLineSide;
            CutTool.CutState = CuttingSideLine;
        } else {
            CopyRecord(e, shown);
            SplitAtHit(shown, segment, t);
            CutTool.PressSegment = segment;
            CutTool.PressT = t;
            CutTool.CutState = CuttingLine;
        }
        MarkElement(shown);
        CutTool.Marked = true;
        CutTool.CutFrom = CutTool.CutTo = press;
        CutTool.BandShown = false;
        ShowBand();
    });
}

void CutMoveBefore()
{
    GuardEvent("Cut", "CutMoveBefore", [] { HideBand(); });
}

void CutMoveAfter()
{
    GuardEvent("Cut", "CutMoveAfter", [] {
        SetToolCursor(CutCursor);
        if (CutTool.CutState == CutIdle)
            return;
        CutTool.CutTo = DrawCursor();
        ShowBand();
    });
}

void CutMouseUp()
{
    GuardEvent("Cut", "CutMouseUp", [] {
        const int state = CutTool.CutState;
        if (state == CutIdle)
            return;
        HideBand();
        UnmarkPressed();
        CutTool.CutState = CutIdle;
        const Cord release = DrawCursor();
        const bool click = !PixelsApart(release, CutTool.CutFrom, ClickPixels);
        if (state == CuttingLine)
            ReleaseOnLine(release, click);
        else
            ReleaseOnSideLine(release, click);
        // Nothing left to cut: the tool gives way.
        if (Index.SelectedIndex <= 0)
            CutEnd();
    });
}

Cord OutlinePointAt(const ElementRecord& e, int i, double t)
{
    const Cord* p = e.Cords();
    const int n = e.nItem;
    if (i < 0 || i >= n)
        return {};
    if (i + 3 < n && (p[i + 1].x & FirstBezierFlag)) {
        double x[4], y[4];
        for (int k = 0; k < 4; ++k) {
            x[k] = Masked(p[i + k].x);
            y[k] = Masked(p[i + k].y);
        }
        double px, py;
        BezierPointAt(x, y, t, px, py);
        return {RoundToGrid(px), RoundToGrid(py)};
    }
    int j = i + 1;
    if (j >= n || (p[j].y & HoleFlag)) {
        j = i;
        while (j > 0 && !(p[j].y & HoleFlag))
            --j;
    }
    const double x = Masked(p[i].x) + t * (double(Masked(p[j].x)) - Masked(p[i].x));
    const double y = Masked(p[i].y) + t * (double(Masked(p[j].y)) - Masked(p[i].y));
    return {RoundToGrid(x), RoundToGrid(y)};
}

} // namespace zemo
