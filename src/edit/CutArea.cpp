#include "edit/CutArea.h"

#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cut.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "render/PolyClip.h"

#include <algorithm>
#include <vector>

namespace zemo {

CutAreaUnitState CutArea;

namespace {

// Beyond this an object of the cut could not take a point more.
constexpr int MostCutPoints = MaxElementItems - 2;

ElementRecord& Line()
{
    static ElementRecord e;
    return e;
}

void Refuse(TextKey key, int context)
{
    ErrorMsg(key, {}, context);
    const int sel = Index.SelectedIndex;
    if (sel > 0 && ReadElement(sel, Index.CurElement)) {
        GetSymbol(Index.CurElement.Symbol, Index.CurSymbol);
        MarkElement(Index.CurElement);
    }
}

Cord Corner(Cord c)
{
    return {Masked(c.x), Masked(c.y) | CornerFlag};
}

Cord Reversed(Cord c)
{
    const int32_t f = c.x & (FirstBezierFlag | SecondBezierFlag);
    const int32_t swapped = f == FirstBezierFlag ? SecondBezierFlag : f == SecondBezierFlag ? FirstBezierFlag : f;
    return {(c.x & ~(FirstBezierFlag | SecondBezierFlag)) | swapped, c.y & ~HoleFlag};
}

// The cutting line with its ends exactly on the ring's start and on the point it ends at.
void AddLine(std::vector<Cord>& out, const ElementRecord& line, Cord start, Cord end)
{
    out.push_back(Corner(start));
    for (int i = 1; i < line.nItem - 1; ++i)
        out.push_back({line.Cords()[i].x, line.Cords()[i].y & ~HoleFlag});
    out.push_back(Corner(end));
}

// A closing point on the first one is left out when a straight segment leads to it.
void DropClosingCopy(std::vector<Cord>& out)
{
    if (out.size() > 3 && CordsEqual(out.back(), out.front()) && !(out[out.size() - 2].x & SecondBezierFlag))
        out.pop_back();
}

// The holes of the buffer (from `outer` on) whose first point lies inside the outline.
void AddHolesInside(std::vector<Cord>& out, const ElementRecord& b, int outer)
{
    const std::vector<Cord> ring = out;
    const Cord* p = b.Cords();
    for (int h = outer; h < b.nItem; h = RingEnd(p, b.nItem, h))
        if (PointInArea(p[h], ring.data(), int(ring.size())))
            out.insert(out.end(), p + h, p + RingEnd(p, b.nItem, h));
}

void Store(ElementRecord& e, const ElementRecord& head, const std::vector<Cord>& points)
{
    CopyRecord(head, e);
    std::copy(points.begin(), points.end(), e.Cords());
    e.nItem = uint16_t(points.size());
    e.nText = 0;
}

} // namespace

ElementRecord& CutAreaBuffer()
{
    static ElementRecord e;
    return e;
}

void ResetCutAreaUnit()
{
    CutArea = CutAreaUnitState{};
}

bool BeginCutArea()
{
    const int sel = Index.SelectedIndex;
    ElementRecord& b = CutAreaBuffer();
    const Cord press = DrawCursor();
    const auto refuse = [] {
        EditPorts().Beep();
        ErrorMsg(TextKey::CutAreaMsg, {}, CutAreaHelpContext);
        return false;
    };
    if (sel <= 0 || !ReadElement(sel, b) || b.ObjectType != AreaObject || b.nItem < 3)
        return refuse();
    if (!HitOutline(press, b) || Pick.HitSegment >= LineItems(b))
        return refuse();
    if (EditSys.MarksShown)
        UnmarkElement(b);
    const int k = SplitAtHit(b, Pick.HitSegment, Pick.HitT);
    const int outer = LineItems(b);
    if (k < 0 || b.nItem + 1 > MostCutPoints) {
        MarkElement(b);
        MaxPointsError();
        return false;
    }
    // The outer ring from the press round to the press again, then the holes.
    const Cord* p = b.Cords();
    std::vector<Cord> ring(p + k, p + outer);
    ring.insert(ring.end(), p, p + k);
    ring.push_back(p[k]);
    ring.front().y &= ~HoleFlag;
    ring.back().y &= ~HoleFlag;
    ring.insert(ring.end(), p + outer, p + b.nItem);
    std::copy(ring.begin(), ring.end(), b.Cords());
    b.nItem = uint16_t(ring.size());
    b.nText = 0;
    MarkElement(b);
    CutArea.Marked = true;
    CutArea.Active = true;
    CutArea.Area = sel;
    return true;
}

void CancelCutArea()
{
    if (CutArea.Marked)
        UnmarkElement(CutAreaBuffer());
    CutArea.Marked = false;
    CutArea.Active = false;
    const int sel = Index.SelectedIndex;
    if (sel > 0 && ReadElement(sel, Index.CurElement))
        MarkElement(Index.CurElement);
}

void CutAreaAlongLine()
{
    ElementRecord& b = CutAreaBuffer();
    ElementRecord& line = Line();
    CopyRecord(Index.CurElement, line);
    if (CutArea.Marked)
        UnmarkElement(b);
    CutArea.Marked = false;
    if (!CutArea.Active)
        return;
    CutArea.Active = false;
    const int sel = CutArea.Area;
    if (sel <= 0 || sel != Index.SelectedIndex)
        return;
    const int n = line.nItem;
    if (n < 2) {
        Refuse(TextKey::CutAreaMsg, CutAreaHelpContext);
        return;
    }
    const Cord end = line.Cords()[n - 1];
    int outer = LineItems(b);
    if (!HitOutline(end, b) || Pick.HitSegment >= outer - 1 || CordsEqual(end, b.Cords()[0])) {
        Refuse(TextKey::CutAreaMsg, CutAreaHelpContext);
        return;
    }
    const int e = SplitAtHit(b, Pick.HitSegment, Pick.HitT);
    outer = LineItems(b);
    if (e < 0) {
        Refuse(TextKey::MaxPoints, MaxPointsHelpContext);
        return;
    }
    if (e == 0 || e >= outer - 1) {
        Refuse(TextKey::CutAreaMsg, CutAreaHelpContext);
        return;
    }
    const Cord* p = b.Cords();
    // The side after the line's end: the ring from there on back to the start.
    std::vector<Cord> first;
    AddLine(first, line, p[0], p[e]);
    first.insert(first.end(), p + e + 1, p + outer);
    DropClosingCopy(first);
    // The other side: the ring from the line's end back to the start, the other way round.
    std::vector<Cord> second;
    AddLine(second, line, p[0], p[e]);
    for (int i = e - 1; i >= 0; --i)
        second.push_back(Reversed(p[i]));
    DropClosingCopy(second);
    AddHolesInside(first, b, outer);
    AddHolesInside(second, b, outer);
    if (int(first.size()) >= MostCutPoints || int(second.size()) >= MostCutPoints) {
        Refuse(TextKey::MaxPoints, MaxPointsHelpContext);
        return;
    }

    // One undo step: the area as it was kept, then changed and the other side appended.
    ElementRecord& cur = Index.CurElement;
    if (!ReadElement(sel, cur) || !GetIndex(sel))
        return;
    CordRect redraw = Index.CurIndex.Rect;
    BeginElementEdit(sel);
    Store(cur, b, first);
    if (SaveElement(sel) && GetIndex(sel))
        ExtendRect(redraw, Index.CurIndex.Rect);
    Store(cur, b, second);
    if (AppendElement()) {
        const int made = Index.CurIndexNo;
        ExtendRect(redraw, Index.CurIndex.Rect);
        SelectOnly(made);
    }
    EditSys.ElementChanged = false;
    UpdateRect(redraw);
    FlushMapFile();
    if (ReadElement(Index.SelectedIndex, cur)) {
        GetSymbol(cur.Symbol, Index.CurSymbol);
        MarkElement(cur);
    }
    DocumentPorts().UpdateUndoButtons();
    EditPorts().UpdateToolButtons();
}

} // namespace zemo
