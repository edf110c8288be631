#include "edit/Follow.h"

#include "core/Numeric.h"
#include "document/Index.h"
#include "edit/Cut.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/Pick.h"
#include "edit/Reverse.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace zemo {

FollowUnitState Follow;

namespace {

constexpr int32_t CurveFlags = FirstBezierFlag | SecondBezierFlag;

ElementRecord& Followed() { return Index.AuxElement1; }

// The object being continued as it is stored and was marked; the text it carried.
ElementRecord& ContinueMarks()
{
    static ElementRecord e;
    return e;
}
std::vector<Cord>& ContinueText()
{
    static std::vector<Cord> slots;
    return slots;
}

int Highest()
{
    if (Index.SymbolGraphics && Index.SymbolGraphics->Active)
        return CountSymbolGraphicsElements();
    return Index.ActiveZmd ? Index.ActiveZmd->HighestObject : 0;
}

CordRect Around(Cord p, int64_t tol)
{
    auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return {clamp(int64_t(p.x) - tol), clamp(int64_t(p.y) - tol), clamp(int64_t(p.x) + tol), clamp(int64_t(p.y) + tol)};
}

bool Within(Cord a, Cord b, int64_t tol)
{
    return std::llabs(int64_t(Masked(a.x)) - Masked(b.x)) <= tol && std::llabs(int64_t(Masked(a.y)) - Masked(b.y)) <= tol;
}

// The object's symbol while its outline is searched (the searches widen by CurSymbol).
class SymbolOf {
public:
    explicit SymbolOf(int number) : kept_(Index.CurSymbol)
    {
        SymbolBytes* s = nullptr;
        GetSymbol(number, s);
        if (s)
            Index.CurSymbol = s;
    }
    ~SymbolOf() { Index.CurSymbol = kept_; }
    SymbolOf(const SymbolOf&) = delete;
    SymbolOf& operator=(const SymbolOf&) = delete;

private:
    SymbolBytes* kept_;
};

Cord Plain(Cord c)
{
    return {c.x & ~NoLeftLineFlag, c.y & ~(NoRightLineFlag | HoleFlag)};
}

Cord Swapped(Cord c)
{
    const int32_t f = c.x & CurveFlags;
    const int32_t swapped = f == FirstBezierFlag ? SecondBezierFlag : f == SecondBezierFlag ? FirstBezierFlag : f;
    return {(c.x & ~CurveFlags) | swapped, c.y};
}

// Points [from, to) moved to the front of e's Cords.
void MoveToFront(ElementRecord& e, int from, int to)
{
    Cord* p = e.Cords();
    std::rotate(p, p + from, p + to);
}

} // namespace

void ResetFollowUnit()
{
    Follow = FollowUnitState{};
    ContinueText().clear();
}

bool BeginFollow()
{
    if (!Index.ActiveZmd)
        return false;
    const Cord press = DrawCursor();
    const int highest = Highest();
    if (highest <= 0)
        return false;
    if (Pick.PickStart <= 0 || Pick.PickStart > highest)
        Pick.PickStart = highest;
    ElementRecord& f = Followed();
    bool hit = false;
    int segment = 0;
    double t = 0;
    StartElementScan(Pick.PickStart);
    while (!hit && NextElementInRect(Around(press, Scale.PickTolerance), -1)) {
        const int n = Index.CurIndexNo;
        if (!ReadElement(n, f) || f.nItem < 2 || (f.ObjectType != LineObject && f.ObjectType != AreaObject))
            continue;
        SymbolBytes* s = nullptr;
        GetSymbol(f.Symbol, s);
        if (s && (SymU8(*s, SymStatus) & SymbolStatusMask) >= 2)
            continue;
        const SymbolOf symbol(f.Symbol);
        if (!HitOutline(press, f))
            continue;
        hit = true;
        Pick.PickStart = n;
        segment = Pick.HitSegment;
        t = Pick.HitT;
        Follow.FollowSymbolNumber = f.Symbol;
        // A double line's side line when it lies nearer than the middle line.
        int64_t side = 0;
        if (f.ObjectType == LineObject && HitDoubleLineSide(press, f, side)
            && side < FastDistance(press, OutlinePointAt(f, segment, t))) {
            CopyRecord(Index.AuxElement2, f);
            segment = Pick.SideSegment;
            t = Pick.SideT;
        }
    }
    if (!hit)
        return false;
    f.nText = 0;
    const int k = SplitAtHit(f, segment, t);
    if (k < 0)
        return false;
    Follow.FollowStart = k;

    // The line being drawn meets the follow start.
    ElementRecord& e = Index.CurElement;
    int n = e.nItem;
    if (n > EditSys.DraftStart && n > 0 && (e.Cords()[n - 1].x & FirstBezierFlag))
        --n;
    const Cord start = f.Cords()[k];
    if (n > 0 && NearPress(e.Cords()[n - 1], start)) {
        Cord& last = e.Cords()[n - 1];
        last = {Masked(start.x) | (Flags(last.x) & ~CurveFlags), Masked(start.y) | Flags(last.y) | CornerFlag};
    } else if (n < MaxElementItems - 2) {
        e.Cords()[n] = {Masked(start.x), Masked(start.y) | (n > 0 ? CornerFlag : 0)};
        ++n;
    }
    e.nItem = uint16_t(n);
    if (f.ObjectType == AreaObject)
        PrepareRingFollow();
    Follow.FollowMarksShown = EditSys.MarksShown;
    MarkElement(f);
    Follow.FollowMarked = true;
    return true;
}

void PrepareRingFollow()
{
    ElementRecord& f = Followed();
    Cord* p = f.Cords();
    int k = Follow.FollowStart;
    if (k < 0 || k >= f.nItem)
        return;
    int s = k;
    while (s > 0 && !(p[s].y & HoleFlag))
        --s;
    const int e = RingEnd(p, f.nItem, s);
    MoveToFront(f, s, e);
    int n = e - s;
    f.nItem = uint16_t(n);
    k -= s;
    Follow.FollowStart = k;
    p[0].y &= ~HoleFlag;

    // Segment lengths from the follow start once round (a curve from its start to its end).
    std::vector<int> anchors;
    for (int i = 0; i < n;)
        anchors.push_back(i), i += (i + 3 < n && (p[i + 1].x & FirstBezierFlag)) ? 3 : 1;
    const int count = int(anchors.size());
    const int from = int(std::find(anchors.begin(), anchors.end(), k) - anchors.begin());
    if (from >= count || count < 2)
        return;
    auto length = [&](int a) {
        const Cord u = p[anchors[size_t(a)]], v = p[anchors[size_t((a + 1) % count)]];
        const int64_t dx = std::llabs(int64_t(Masked(u.x)) - Masked(v.x)) / 256;
        const int64_t dy = std::llabs(int64_t(Masked(u.y)) - Masked(v.y)) / 256;
        return std::max(dx, dy) + std::min(dx, dy) / 2;
    };
    int64_t total = 0;
    for (int a = 0; a < count; ++a)
        total += length(a);
    int64_t walked = 0;
    int half = from;
    for (int step = 0; step < count; ++step) {
        const int a = (from + step) % count;
        walked += length(a);
        half = (a + 1) % count;
        if (2 * walked >= total)
            break;
    }
    const int h = anchors[size_t(half)];
    if (h == 0 || h == k)
        return;
    // The ring anew from h; a curve that ended on h now ends on a copy of it at the end.
    const bool curveIntoH = h >= 3 && (p[h - 1].x & SecondBezierFlag);
    std::rotate(p, p + h, p + n);
    if (curveIntoH && n < MaxElementItems) {
        p[n] = p[0];
        ++n;
    }
    f.nItem = uint16_t(n);
    Follow.FollowStart = (k - h + (e - s)) % (e - s);
}

void CancelFollow()
{
    if (!Follow.FollowMarked)
        return;
    UnmarkElement(Followed());
    EditSys.MarksShown = Follow.FollowMarksShown;
    Follow.FollowMarked = false;
}

bool EndFollow()
{
    CancelFollow();
    ElementRecord& f = Followed();
    ElementRecord& e = Index.CurElement;
    if (e.nItem < 1 || f.nItem < 2)
        return true;
    const Cord release = DrawCursor();
    int segment = 0;
    double t = 0;
    {
        const SymbolOf symbol(Follow.FollowSymbolNumber);
        if (!HitOutline(release, f) || NearPress(release, e.Cords()[e.nItem - 1]))
            return true;
        segment = Pick.HitSegment;
        t = Pick.HitT;
    }
    const int before = f.nItem;
    const int k = SplitAtHit(f, segment, t);
    if (k < 0)
        return true;
    int start = Follow.FollowStart;
    if (segment < start)
        start += f.nItem - before;
    const int most = std::min(DrawingPointLimit(true) + 2, MaxElementItems - 2);
    auto add = [&](Cord c) {
        if (e.nItem >= most || ((c.x & FirstBezierFlag) && e.nItem >= most - 2))
            return false;
        e.Cords()[e.nItem] = Plain(c);
        ++e.nItem;
        return true;
    };
    bool room = true;
    if (k > start) {
        for (int i = start + 1; i <= k && room; ++i)
            room = add(f.Cords()[i]);
    } else {
        for (int i = start - 1; i >= k && room; --i)
            room = add(Swapped(f.Cords()[i]));
    }
    e.Cords()[e.nItem - 1].y |= CornerFlag;
    return room;
}

bool BeginContinueLine()
{
    const SymbolBytes* cur = Index.CurSymbol;
    if (!Index.ActiveZmd || !cur || cur->size() < size_t(SymbolHeadBytes))
        return false;
    const int type = SymI16(*cur, SymObjectType);
    const int number = SymI16(*cur, SymNumber);
    if (type != LineObject && type != AreaObject)
        return false;
    int64_t tol = Scale.PickTolerance;
    if (type == LineObject && SymU8(*cur, SymTextFlag) != 1 && cur->size() >= size_t(LineSymbolFixedBytes)) {
        tol = std::max<int64_t>(tol, int64_t(SymI16(*cur, LsLineWidth)) * 256);
        if (SymI16(*cur, LsDblMode) != 0)
            tol = std::max<int64_t>(tol, int64_t(SymI16(*cur, LsDblWidth)) * 256);
    }
    const Cord press = DrawCursor();
    const int highest = Highest();
    if (highest <= 0)
        return false;
    if (Pick.PickStart <= 0 || Pick.PickStart > highest)
        Pick.PickStart = highest;
    ElementRecord& e = Index.CurElement;
    static ElementRecord candidate;  // 256 KB: off the stack
    int found = 0;
    bool atLast = false;
    StartElementScan(Pick.PickStart);
    while (!found && NextElementInRect(Around(press, tol), -1)) {
        const int n = Index.CurIndexNo;
        if (!ReadElement(n, candidate) || candidate.ObjectType != type || candidate.Symbol != number
            || candidate.nItem < 2)
            continue;
        const int ringEnd = type == AreaObject ? LineItems(candidate) : candidate.nItem;
        const Cord* p = candidate.Cords();
        if (Within(press, p[ringEnd - 1], tol))
            atLast = true;
        else if (!Within(press, p[0], tol))
            continue;
        found = n;
        Pick.PickStart = n;
    }
    if (!found)
        return false;
    if (EditSys.ElementChanged)
        UpdateElement();
    DropSelection();
    Index.SelectedIndex = found;
    CopyRecord(candidate, e);
    if (!BeginSelectedEdit())
        return false;
    CopyRecord(e, ContinueMarks());
    MarkElement(e);
    // The text of a line text waits beside the line while its points grow.
    ContinueText().assign(e.Cords() + e.nItem, e.Cords() + std::min(e.SlotCount(), ElementSlotCapacity));
    e.nText = 0;
    Follow.ContinueReversed = !atLast;
    Follow.ContinueHolePoints = 0;
    if (type == LineObject) {
        if (!atLast)
            ReverseLine(e);
        return true;
    }
    const int ringEnd = LineItems(e);
    if (!atLast)
        ReverseRing(e.Cords(), e.nItem, 0);
    if (ringEnd < e.nItem) {
        Cord* p = e.Cords();
        p[0].y |= HoleFlag;
        std::rotate(p, p + ringEnd, p + e.nItem);
        Follow.ContinueHolePoints = e.nItem - ringEnd;
    }
    return true;
}

void FinishContinueLine()
{
    ElementRecord& e = Index.CurElement;
    Cord* p = e.Cords();
    if (Follow.ContinueHolePoints > 0 && Follow.ContinueHolePoints < e.nItem) {
        const int holes = Follow.ContinueHolePoints;
        std::rotate(p, p + holes, p + e.nItem);
        p[0].y &= ~HoleFlag;
        p[e.nItem - holes].y |= HoleFlag;
    }
    if (Follow.ContinueReversed) {
        if (e.ObjectType == LineObject)
            ReverseLine(e);
        else
            ReverseRing(p, e.nItem, 0);
    }
    // The text back behind the points, when it still fits.
    const std::vector<Cord>& text = ContinueText();
    if (!text.empty() && e.nItem + text.size() <= ElementSlotCapacity) {
        std::copy(text.begin(), text.end(), p + e.nItem);
        e.nText = uint16_t(text.size());
    }
    ContinueText().clear();
    Follow.ContinueHolePoints = 0;
    Follow.ContinueReversed = false;
}

void UnmarkContinuedLine()
{
    UnmarkElement(ContinueMarks());
}

} // namespace zemo
