#include "edit/Pick.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/AreaRings.h"
#include "render/GraphSys.h"
#include "render/Lines.h"
#include "render/Rects.h"
#include "render/Scale.h"
#include "render/Texts.h"

#include <algorithm>
#include <cmath>

namespace zemo {

PickUnitState Pick;

namespace {

using Wide = __int128;

struct P64 {
    int64_t x = 0;
    int64_t y = 0;
};

P64 Bare(Cord c)
{
    return {Masked(c.x), Masked(c.y)};
}

int64_t Fast(P64 a, P64 b)
{
    const int64_t dx = a.x > b.x ? a.x - b.x : b.x - a.x;
    const int64_t dy = a.y > b.y ? a.y - b.y : b.y - a.y;
    return dy >= dx ? dy + dx / 2 : dx + dy / 2;
}

// (a - p) x (b - a) in the form the side rule uses: positive is side 1.
Wide SideCross(P64 p, P64 a, P64 b)
{
    return Wide(a.x - p.x) * (b.y - a.y) + Wide(p.y - a.y) * (b.x - a.x);
}

uint8_t SideOf(Wide cross)
{
    return cross <= 0 ? 2 : 1;
}

bool GraphicsOn()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

const SymbolBytes& Sym()
{
    return Index.CurSymbol ? *Index.CurSymbol : Index.DefaultSymbol;
}

int SymStatusOf(const SymbolBytes& s)
{
    return SymU8(s, SymStatus) & SymbolStatusMask;
}

void BezierSearch(P64 p, const P64* c, int64_t tol, double t0, double t1, int depth, int64_t& best,
                  double& t, uint8_t& side)
{
    int64_t x1 = c[0].x, x2 = c[0].x, y1 = c[0].y, y2 = c[0].y;
    for (int k = 1; k < 4; ++k) {
        x1 = std::min(x1, c[k].x);
        x2 = std::max(x2, c[k].x);
        y1 = std::min(y1, c[k].y);
        y2 = std::max(y2, c[k].y);
    }
    if (p.x < x1 - tol || p.x > x2 + tol || p.y < y1 - tol || p.y > y2 + tol)
        return;
    if (depth < 15 && (x2 - x1 > 1024 || y2 - y1 > 1024)) {
        auto mid = [](P64 a, P64 b) { return P64{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
        const P64 m01 = mid(c[0], c[1]), m12 = mid(c[1], c[2]), m23 = mid(c[2], c[3]);
        const P64 a = mid(m01, m12), b = mid(m12, m23);
        const P64 m = mid(a, b);
        const P64 left[4] = {c[0], m01, a, m};
        const P64 right[4] = {m, b, m23, c[3]};
        const double tm = (t0 + t1) / 2;
        BezierSearch(p, left, tol, t0, tm, depth + 1, best, t, side);
        BezierSearch(p, right, tol, tm, t1, depth + 1, best, t, side);
        return;
    }
    const P64 chordMid{c[0].x / 2 + c[3].x / 2, c[0].y / 2 + c[3].y / 2};
    const int64_t d = Fast(p, chordMid);
    if (d < best) {
        best = d;
        t = (t0 + t1) / 2;
        side = SideOf(SideCross(p, c[0], c[3]));
    }
}

// p inside the turn at vertex i: in front of both adjacent segments.
bool InWedge(P64 p, P64 prev, P64 at, P64 next)
{
    const Wide d1 = Wide(p.x - at.x) * (prev.x - at.x) + Wide(p.y - at.y) * (prev.y - at.y);
    const Wide d2 = Wide(p.x - at.x) * (next.x - at.x) + Wide(p.y - at.y) * (next.y - at.y);
    return d1 > 0 && d2 > 0;
}

struct Outline {
    int64_t best = 0;
    bool wedge = false;
};

// The outline search over every vertex and segment; plainVertices: a vertex counts anywhere
// (otherwise only inside the turn of its two segments).
Outline SearchOutline(Cord pc, const Cord* v, int n, int64_t tol, bool plainVertices, bool closed)
{
    Outline r;
    r.best = 2 * tol;
    const P64 p = Bare(pc);
    int ringStart = 0;
    for (int i = 0; i < n; ++i) {
        const P64 vi = Bare(v[i]);
        const int64_t dv = Fast(p, vi);
        if (dv < r.best) {
            if (plainVertices) {
                r.best = dv;
                Pick.HitSegment = i;
                Pick.HitT = 0;
            } else if (i > 0 && i + 1 < n && InWedge(p, Bare(v[i - 1]), vi, Bare(v[i + 1]))) {
                r.best = dv;
                Pick.HitSegment = i;
                Pick.HitT = 0;
                r.wedge = true;
            }
        }
        if (i == 0 || (v[i].y & HoleFlag))
            ringStart = i;
        if (i + 1 < n && (v[i + 1].x & FirstBezierFlag) && i < n - 3) {
            const P64 c[4] = {vi, Bare(v[i + 1]), Bare(v[i + 2]), Bare(v[i + 3])};
            double t = 0;
            uint8_t side = 0;
            int64_t best = 2 * tol;
            BezierSearch(p, c, tol, 0, 1, 1, best, t, side);
            if (best < r.best) {
                r.best = best;
                Pick.HitSegment = i;
                Pick.HitT = t;
                Pick.HitSide = side;
            }
            i += 2;
            continue;
        }
        int j = i + 1;
        if (i == n - 1 || (v[i + 1].y & HoleFlag)) {
            if (!closed)
                continue;
            j = ringStart;
        }
        double t = 0;
        uint8_t side = 0;
        const int64_t d = SegmentDistance(pc, v[i], v[j], tol, side, t);
        if (d < r.best) {
            r.best = d;
            Pick.HitSegment = i;
            Pick.HitT = t;
            Pick.HitSide = side;
        }
    }
    if (n > 0) {
        const int64_t d = Fast(p, Bare(v[n - 1]));
        if (d < r.best) {
            r.best = d;
            Pick.HitSegment = n - 1;
            Pick.HitT = 0;
        }
    }
    return r;
}

bool IsClosed(const ElementRecord& e)
{
    return e.ObjectType == AreaObject || e.ObjectType == RectangleObject;
}

// Inside the ring of n points (even-odd, curves flattened).
bool InRing(Cord p, const Cord* ring, int n)
{
    return n >= 3 && PointInOtherRings(p, ring, n, -1);
}

bool WithinBox(Cord a, Cord b, int64_t tol)
{
    const P64 pa = Bare(a), pb = Bare(b);
    return std::llabs(pa.x - pb.x) <= tol && std::llabs(pa.y - pb.y) <= tol;
}

int HighestNumber()
{
    if (GraphicsOn())
        return CountSymbolGraphicsElements();
    return Index.ActiveZmd ? Index.ActiveZmd->HighestObject : 0;
}

int LiveCount()
{
    return GraphicsOn() ? CountSymbolGraphicsElements() : CountObjects();
}

bool CoursePreview()
{
    return Index.ActiveZmd && Index.ActiveZmd->CoursePreviewOn;
}

}  // namespace

void ShowObjectSymbol(const ElementRecord& e)
{
    // An element of a symbol's graphics is shown in the quick editor; the status line keeps
    // the map's own symbol.
    if (GraphicsOn()) {
        EditPorts().ShowGraphicsElement(e);
        return;
    }
    SymbolBytes* s = nullptr;
    const bool found = GetSymbol(e.Symbol, s);
    QString description;
    if (found && s) {
        description = SymbolDescription(*s);
        if (ProgramConfig.AutoSelectSym && !GraphicsOn()
            && EditPorts().ShowSymbolInBox(uint16_t(e.Symbol) & ~CourseOnlyMark))
            ProgramConfig.LineMode = LineModeForPreferredTool(SymU8(*s, SymTool), ProgramConfig.LineMode);
    }
    const uint8_t len = std::min<uint8_t>(e.LayerName[0], 15);
    const QString layer = DecodeCodePage(0, reinterpret_cast<const char*>(e.LayerName.data() + 1), len);
    ShowObjectSymbolStatus(e.Symbol, found, description, layer);
    // The database panel follows the selection.
    ShowObjectRecord();
}

namespace {

// The index rectangle shrunk to the frame drawn around a selected object.
CordRect FrameOf(const ObjectIndexEntry& entry)
{
    SymbolBytes* sym = nullptr;
    GetSymbol(entry.Symbol, sym);
    const int type = sym ? SymI16(*sym, SymObjectType) : 0;
    int64_t e = 0;
    if (sym && type != PointObject) {
        const int k = type == AreaObject ? 1 : 3;
        e = Masked(SafeRound(double(SymI16(*sym, SymExtent)) * 256 - std::nearbyint(k / Scale.ViewScaleX)));
    }
    const CordRect r = entry.Rect;
    auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return {clamp(r.x1 + e), clamp(r.y1 + e), clamp(r.x2 - e), clamp(r.y2 - e)};
}

bool InRect64(const CordRect& r, Cord c)
{
    const int64_t x = Masked(c.x), y = Masked(c.y);
    return x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2;
}

} // namespace


void ResetPickUnit()
{
    Pick = PickUnitState{};
}

int64_t FastDistance(Cord a, Cord b)
{
    return Fast(Bare(a), Bare(b));
}

int64_t SegmentDistance(Cord pc, Cord ac, Cord bc, int64_t tol, uint8_t& side, double& t)
{
    int64_t result = 2 * tol;
    const P64 p = Bare(pc), a = Bare(ac), b = Bare(bc);
    const int64_t length = Fast(a, b);
    if (length == 0)
        return result;
    if (Fast(p, a) >= tol + length && Fast(p, b) >= tol + length)
        return result;
    const int64_t bx = b.x - a.x, by = b.y - a.y;
    const Wide dotA = Wide(p.x - a.x) * bx + Wide(p.y - a.y) * by;
    const Wide dotB = Wide(p.x - b.x) * bx + Wide(p.y - b.y) * by;
    if (dotA < 0 || dotB >= 0)
        return result;
    const Wide cross = SideCross(p, a, b);
    const double d = std::fabs(std::nearbyint(double(cross) / double(length)));
    if (d <= double(tol)) {
        result = int64_t(d);
        const double len2 = double(Wide(bx) * bx + Wide(by) * by);
        t = std::min(1.0, double(dotA) / len2);
        side = SideOf(cross);
    }
    return result;
}

int64_t BezierDistance(Cord p, const Cord* c, int64_t tol, double& t, uint8_t& side)
{
    const P64 pts[4] = {Bare(c[0]), Bare(c[1]), Bare(c[2]), Bare(c[3])};
    int64_t best = 2 * tol;
    BezierSearch(Bare(p), pts, tol, 0, 1, 1, best, t, side);
    return best;
}

bool HitOutline(Cord p, const ElementRecord& e)
{
    const SymbolBytes& s = Sym();
    const int64_t pickTol = Scale.PickTolerance;
    int64_t tol = pickTol;
    bool lineText = false;
    const auto widen = [&](int64_t v) { tol = std::max(tol, v); };
    if (e.ObjectType == LineObject) {
        if (GraphicsOn()) {
            widen(int64_t(e.Word10) * 128);
        } else if (SymI16(s, SymObjectType) == LineObject && SymU8(s, SymTextFlag) == 1) {
            lineText = true;
            if (s.size() == 440) {
                const double size = SymI16(s, TsFontSize);
                widen(int64_t(std::nearbyint(size / 720 * 2540 * 0.7)) * 256);
            } else {
                widen(198 * 256);
            }
        } else if (SymI16(s, SymObjectType) == LineObject && s.size() >= LineSymbolFixedBytes) {
            widen(int64_t(SymI16(s, LsLineWidth)) * 128);
            if (SymI16(s, LsDblMode) != 0)
                widen(int64_t(SymI16(s, LsDblWidth)) * 128);
            widen(int64_t(SymI16(s, LsFrWidth)) * 128);
        }
    } else if (e.ObjectType == RectangleObject && !GraphicsOn() && s.size() >= size_t(RectSymbolBytes)
               && SymU8(s, SymTextFlag) == 0 && e.nText == 0) {
        widen(int64_t(SymI16(s, RectLineWidth)) * 128);
    }
    const Outline r = SearchOutline(p, e.Cords(), e.nItem, tol, !lineText, IsClosed(e));
    if (lineText)
        return r.best < pickTol || (r.wedge && r.best < tol);
    return r.best < tol;
}

bool HitOutlineFixed(Cord p, const ElementRecord& e)
{
    return SearchOutline(p, e.Cords(), e.nItem, 1024, true, IsClosed(e)).best < 1024;
}

namespace {

bool IsControlPoint(Cord c)
{
    return (c.x & (FirstBezierFlag | SecondBezierFlag)) != 0;
}

// The hit side line from WorkPoints2 into AuxElement2; hit: the side line's vertex that starts
// the hit piece. Returns the index of the first point copied.
int KeepSideLine(const ElementRecord& e, int n, int hit)
{
    constexpr int Half = MaxElementItems / 2;
    constexpr int Most = int(std::min<size_t>(MaxElementItems, ElementSlotCapacity));
    int from = 0, to = n;
    if (n > Most) {
        from = std::clamp(hit - Half, 0, n);
        to = std::min(n, from + Most);
    }
    const Cord* pts = WorkPoints2.data();
    while (from < to && IsControlPoint(pts[from]))
        ++from;
    while (to > from && IsControlPoint(pts[to - 1]))
        --to;
    // e may be AuxElement2 itself: its head is read before anything is written.
    const int16_t symbol = e.Symbol;
    const auto layer = e.LayerName;
    ElementRecord& a = Index.AuxElement2;
    a.Symbol = symbol;
    a.ObjectType = LineObject;
    a.Flags = 0;
    a.nItem = uint16_t(to - from);
    a.nText = 0;
    a.Angle = 0;
    a.Word10 = a.Word12 = a.Word14 = 0;
    a.LayerName = layer;
    std::copy(pts + from, pts + to, a.Cords());
    return from;
}

} // namespace

bool HitDoubleLineSide(Cord p, const ElementRecord& e, int64_t& distance)
{
    Pick.DoubleLineSide = 0;
    distance = INT64_MAX;
    const SymbolBytes& s = Sym();
    if (e.ObjectType != LineObject || e.nItem < 2 || GraphicsOn() || SymI16(s, SymObjectType) != LineObject
        || SymU8(s, SymTextFlag) == 1 || s.size() < size_t(LineSymbolFixedBytes) || SymI16(s, LsDblMode) == 0)
        return false;
    const int32_t width = std::max<int32_t>(SymI16(s, LsDblWidth), 0);
    const int32_t leftWidth = std::max<int32_t>(SymI16(s, LsDblLeftWidth), 0);
    const int32_t rightWidth = std::max<int32_t>(SymI16(s, LsDblRightWidth), 0);
    struct Side {
        int side;
        int32_t offset;
        int32_t lineWidth;
    };
    const Side sides[2] = {{1, -(width + leftWidth) / 2, leftWidth}, {2, width / 2 + rightWidth / 2, rightWidth}};
    // The outline's hit stays for the caller, who compares it with the side line's.
    const int segment = Pick.HitSegment;
    const double t = Pick.HitT;
    const uint8_t hitSide = Pick.HitSide;
    bool found = false;
    for (const Side& side : sides) {
        // A side line of no width is not drawn and cannot be hit.
        if (side.lineWidth < 1)
            continue;
        const int64_t tol = std::max<int64_t>(Scale.PickTolerance, int64_t(side.lineWidth) * 128);
        BuildSideLinePath(e, side.offset);
        const int n = std::min(Graph.WorkPoints2Count, int(WorkPoints2.size()));
        if (n < 2)
            continue;
        const Outline r = SearchOutline(p, WorkPoints2.data(), n, tol, true, false);
        distance = std::min(distance, r.best);
        if (r.best < tol) {
            distance = r.best;
            const int from = KeepSideLine(e, n, Pick.HitSegment);
            Pick.SideSegment = std::clamp(Pick.HitSegment - from, 0, std::max(int(Index.AuxElement2.nItem) - 1, 0));
            Pick.SideT = Pick.HitT;
            Pick.SideHitSide = Pick.HitSide;
            Pick.DoubleLineSide = side.side;
            found = true;
            break;
        }
    }
    Pick.HitSegment = segment;
    Pick.HitT = t;
    Pick.HitSide = hitSide;
    return found;
}

bool HitPoint(Cord p)
{
    const ElementRecord& e = Index.CurElement;
    if (e.nItem == 0)
        return false;
    int64_t r = GraphicsOn() ? int64_t(e.Word14) * 128 : int64_t(SymI16(Sym(), SymExtent)) * 128;
    r = std::max<int64_t>(r, Scale.PickTolerance);
    return FastDistance(p, e.Cords()[0]) <= r;
}

bool HitArea(Cord p, const ElementRecord& e)
{
    Index.SelectedHoleStart = 0;
    const int n = e.nItem;
    const Cord* v = e.Cords();
    if (e.ObjectType != TextObject) {
        for (int i = 1; i < n - 1; ++i) {
            if (!(v[i].y & HoleFlag))
                continue;
            const int end = RingEnd(v, n, i);
            if (InRing(p, v + i, end - i)) {
                Index.SelectedHoleStart = i;
                return true;
            }
        }
    }
    if (n < 3)
        return n > 0 && WithinBox(p, v[0], Scale.PickTolerance);
    if (e.ObjectType == TextObject)
        return InRing(p, v + 1, n - 1);
    return PointInOtherRings(p, v, n, -1);
}

bool HitVertex(Cord p, int32_t tol)
{
    Pick.HitVertexIndex = -1;
    if (!EditSys.MarksShown)
        return false;
    const ElementRecord& e = Index.CurElement;
    const int n = e.nItem;
    if (n == 0)
        return false;
    if (e.ObjectType == RectangleObject) {
        if (HitOutline(p, e))
            Pick.HitVertexIndex = Pick.HitSegment;
    } else if (e.ObjectType == TextObject) {
        if (WithinBox(p, e.Cords()[0], tol))
            Pick.HitVertexIndex = 0;
    } else {
        int from = 0, to = n;
        const int hole = Index.SelectedHoleStart;
        if (e.ObjectType == AreaObject && hole > 0 && hole < n) {
            from = hole;
            to = RingEnd(e.Cords(), n, hole);
        }
        for (int i = from; i < to; ++i)
            if (WithinBox(p, e.Cords()[i], tol)) {
                Pick.HitVertexIndex = i;
                break;
            }
    }
    return Pick.HitVertexIndex >= 0;
}

bool PreviewTagged(int n)
{
    const auto& tagged = Index.ActiveZmd->TaggedObjects;
    return std::find(tagged.begin(), tagged.end(), n) != tagged.end();
}

bool PreviewAllows(int n)
{
    if (!CoursePreview())
        return true;
    return EditPorts().PreviewAllows(n);
}

bool PickAt(Cord p)
{
    if (!Index.ActiveZmd || LiveCount() == 0)
        return false;
    const int highest = HighestNumber();
    if (Pick.PickStart <= 0 || Pick.PickStart > highest)
        Pick.PickStart = highest;
    const int64_t tol = Scale.PickTolerance;
    auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    const CordRect area{clamp(int64_t(p.x) - tol), clamp(int64_t(p.y) - tol), clamp(int64_t(p.x) + tol),
                        clamp(int64_t(p.y) + tol)};
    ElementRecord& e = Index.CurElement;
    StartElementScan(Pick.PickStart);
    while (NextElementInRect(area, -1)) {
        const int n = Index.CurIndexNo;
        Pick.PickStart = n;
        if (!ReadElement(n, e) || e.nItem == 0)
            continue;
        GetSymbol(e.Symbol, Index.CurSymbol);
        if (SymStatusOf(Sym()) != 0)
            continue;
        bool hit = false;
        switch (e.ObjectType) {
        case PointObject: hit = HitPoint(p); break;
        case LineObject: hit = HitOutline(p, e); break;
        case AreaObject:
        case TextObject: hit = HitArea(p, e); break;
        case RectangleObject: hit = e.nText > 0 ? HitArea(p, e) : HitOutline(p, e); break;
        default: break;
        }
        if (hit && PreviewAllows(n)) {
            if (e.ObjectType != AreaObject)
                Index.SelectedHoleStart = 0;
            Index.SelectedIndex = n;
            return true;
        }
    }
    Index.SelectedHoleStart = 0;
    return false;
}

bool ObjectInRect(const CordRect& r)
{
    const ElementRecord& e = Index.CurElement;
    if (RectContains(r, Index.CurIndex.Rect))
        return true;
    const int n = e.nItem;
    const Cord* v = e.Cords();
    constexpr int32_t ControlFlags = FirstBezierFlag | SecondBezierFlag;
    if (ProgramConfig.SelectMode == 0) {
        for (int i = 0; i < n; ++i)
            if (!(v[i].x & ControlFlags) && InRect64(r, v[i]))
                return true;
        return false;
    }
    if (n == 0)
        return false;
    for (int i = 0; i < n; ++i) {
        if (v[i].x & ControlFlags)
            continue;
        if (!InRect64(r, v[i]))
            return false;
        if (i + 3 < n && (v[i + 1].x & FirstBezierFlag)) {
            const P64 a = Bare(v[i]), b = Bare(v[i + 1]), c = Bare(v[i + 2]), d = Bare(v[i + 3]);
            const double mx = (double(a.x) + 3.0 * double(b.x) + 3.0 * double(c.x) + double(d.x)) / 8;
            const double my = (double(a.y) + 3.0 * double(b.y) + 3.0 * double(c.y) + double(d.y)) / 8;
            if (mx < r.x1 || mx > r.x2 || my < r.y1 || my > r.y2)
                return false;
        }
    }
    return true;
}

void SetSelectionBox()
{
    if (Index.SelectionCount >= 2) {
        bool first = true;
        StartElementScan(0);
        while (NextSelectedElement()) {
            if (first)
                EditSys.StretchBox = Index.CurIndex.Rect;
            else
                ExtendRect(EditSys.StretchBox, Index.CurIndex.Rect);
            first = false;
        }
    } else if (Index.SelectedIndex > 0 && GetIndex(Index.SelectedIndex)) {
        EditSys.StretchBox = Index.CurIndex.Rect;
    }
}

bool CursorInSelection()
{
    if (CoursePreview() || !Index.ActiveZmd)
        return false;
    const Cord c = Work.CursorMapPos;
    if (Index.SelectionCount > 0) {
        StartElementScan(0);
        while (NextSelectedElement())
            if (InRect64(FrameOf(Index.CurIndex), c))
                return true;
        return false;
    }
    return Index.SelectedIndex > 0 && GetIndex(Index.SelectedIndex) && InRect64(FrameOf(Index.CurIndex), c);
}

void DropSelection()
{
    const MapView* v = Work.ActiveView;
    if (Index.MapOpen && Index.ActiveZmd && v && v->MapShown && v->Form && v->Document == Index.ActiveZmd) {
        if (EditSys.MarksShown && Index.SelectedIndex > 0 && ReadElement(Index.SelectedIndex, Index.DrawElement))
            UnmarkElement(Index.DrawElement);
        if (EditSys.MultiMarksShown)
            UnmarkMulti(0, 0);
        UnmarkStretch();
    }
    EditSys.MarksShown = EditSys.MultiMarksShown = EditSys.StretchShown = false;
    ClearSelection();
    ShowObjectRecord();
}

void SelectByRect(CordRect r)
{
    if (!Index.ActiveZmd)
        return;
    const int before = Index.SelectedIndex;
    NormalizeRect(r);
    if (EditSys.StretchShown)
        UnmarkStretch();

    if (!EditSys.MultiMarksShown) {
        ClearSelectionBits();
        EditSys.StretchBox = r;
        if (EditSys.MarksShown && before > 0) {
            if (ReadElement(before, Index.DrawElement))
                UnmarkElement(Index.DrawElement);
            EditSys.MarksShown = false;
            if (GetIndex(before)) {
                ToggleSelection(before);
                EditSys.StretchBox = Index.CurIndex.Rect;
            }
        }
    } else {
        UnmarkMulti(0, 0);
    }

    if (double(int64_t(r.x2) - r.x1) * Scale.ViewScaleX < 10) {
        // A click.
        if (PickAt(Work.CursorMapPos)) {
            const int n = Index.SelectedIndex;
            const int hole = Index.SelectedHoleStart;
            if (GetIndex(n)) {
                if (Index.SelectionCount > 0)
                    ExtendRect(EditSys.StretchBox, Index.CurIndex.Rect);
                else
                    EditSys.StretchBox = Index.CurIndex.Rect;
                ToggleSelection(n);
            }
            Index.SelectedHoleStart = hole;
        }
    } else {
        Index.SelectedHoleStart = 0;
        ElementRecord& e = Index.CurElement;
        StartElementScan(0);
        while (NextElementInRect(r, -1)) {
            const int n = Index.CurIndexNo;
            const ObjectIndexEntry entry = Index.CurIndex;
            SymbolBytes* sym = nullptr;
            GetSymbol(entry.Symbol, sym);
            if (!sym || SymStatusOf(*sym) != 0)
                continue;
            // Every caught object passes the course preview's filter, not only a lone one.
            if (!PreviewAllows(n))
                continue;
            if (!ReadElement(n, e))
                continue;
            Index.CurIndex = entry;
            Index.CurIndexNo = n;
            if (!ObjectInRect(r))
                continue;
            ToggleSelection(n);
        }
        ExtendRect(EditSys.StretchBox, r);
    }

    const int count = Index.SelectionCount;
    if (count == 1) {
        StartElementScan(0);
        int n = 0;
        if (NextSelectedElement())
            n = Index.CurIndexNo;
        const int hole = Index.SelectedHoleStart;
        ClearSelectionBits();
        TZmd& z = *Index.ActiveZmd;
        const bool keep = n > 0 && !(z.CourseMap && z.CoursePreviewOn && !PreviewAllows(n));
        Index.SelectionCount = 0;
        EditSys.MultiMarksShown = false;
        if (keep) {
            Index.SelectedIndex = n;
            Index.SelectedHoleStart = hole;
            SetSelectionBox();
            ReadElement(n, Index.CurElement);
            GetSymbol(Index.CurElement.Symbol, Index.CurSymbol);
            MarkElement(Index.CurElement);
            MarkStretch();
            EditSys.MarksShown = true;
            ShowObjectSymbol(Index.CurElement);
            if (z.CourseMap) {
                StoreCsObjectProps();
                EditPorts().CsObjectSelected(n, n != before);
                ShowCsObjectProps();
            }
        } else {
            Index.SelectedIndex = 0;
            Index.SelectedHoleStart = 0;
            EditSys.MarksShown = false;
        }
    } else if (count <= 0) {
        // Nothing caught: the marks went above, the store's part goes here.
        ClearSelection();
        EditSys.MarksShown = false;
        EditSys.MultiMarksShown = false;
    } else {
        EditSys.MarksShown = false;
        Index.SelectedIndex = 0;
        Index.SelectedHoleStart = 0;
        SetSelectionBox();
        MarkMulti(0, 0);
        MarkStretch();
        EditSys.MultiMarksShown = true;
    }
}

bool HitStretchHandle()
{
    Pick.HitHandle = -1;
    if (!EditSys.StretchShown)
        return false;
    const int64_t e = Masked(SafeRound(8 / Scale.ViewScaleX));
    const int64_t tol = Masked(SafeRound(3 / Scale.ViewScaleX));
    const CordRect& b = EditSys.StretchBox;
    const int64_t mx = (int64_t(b.x1) + b.x2) / 2, my = (int64_t(b.y1) + b.y2) / 2;
    const P64 handles[8] = {{b.x1 - e, b.y1 - e}, {mx, b.y1 - e},     {b.x2 + e, b.y1 - e},
                            {b.x2 + e, my},       {b.x2 + e, b.y2 + e}, {mx, b.y2 + e},
                            {b.x1 - e, b.y2 + e}, {b.x1 - e, my}};
    const P64 c = Bare(Work.CursorMapPos);
    for (int i = 0; i < 8; ++i)
        if (std::llabs(c.x - handles[i].x) <= tol && std::llabs(c.y - handles[i].y) <= tol)
            Pick.HitHandle = i;
    return Pick.HitHandle >= 0;
}

} // namespace zemo
