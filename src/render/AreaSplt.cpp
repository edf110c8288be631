#include "render/AreaSplt.h"

#include "render/HalfPlane.h"

#include <algorithm>
#include <utility>

namespace zemo {

namespace {

__extension__ typedef __int128 Int128;

using Ring = std::vector<FramePt>;

constexpr int32_t BezierFlags = FirstBezierFlag | SecondBezierFlag;
// Below this extent a box cannot be cut in two smaller grid-aligned halves.
constexpr int64_t MinCutExtent = 512;

// A ring of the input runs from its first index to the point before the next ring start.
int NextRingStart(const std::vector<FramePt>& pts, int i)
{
    int j = i + 1;
    while (j < int(pts.size()) && !(pts[j].fy & HoleFlag))
        ++j;
    return j;
}

// Runs of kept boundary that start and end on the cut line, and rings kept whole.
struct HalfPieces {
    std::vector<Ring> runs;
    std::vector<Ring> wholes;
};

void ClipRing(const std::vector<FramePt>& pts, int s, int e, int64_t c, HalfPieces& out)
{
    Ring cur;
    bool open = false;
    bool anyBreak = false;
    bool firstAtStart = false;
    const size_t firstRun = out.runs.size();
    auto close = [&] {
        if (open)
            out.runs.push_back(std::move(cur));
        cur.clear();
        open = false;
        anyBreak = true;
    };
    KeptPart parts[MaxKeptParts];
    int i = s;
    bool done = false;
    while (!done) {
        FramePt seg[4];
        int n;
        // The same ring scan as everywhere: a curve needs its two control points and end point
        // inside the ring; the last point closes back to the first with a straight segment.
        if (i + 3 < e && (pts[i + 1].fx & FirstBezierFlag)) {
            seg[0] = pts[i];
            seg[1] = pts[i + 1];
            seg[2] = pts[i + 2];
            seg[3] = pts[i + 3];
            n = 4;
        } else {
            seg[0] = pts[i];
            seg[1] = pts[i + 1 < e ? i + 1 : s];
            n = 2;
            done = i + 1 >= e;
        }
        const bool firstSegment = i == s;
        i += n - 1;
        const int np = ClipSegment(seg, n, c, parts);
        if (np == 0) {
            close();
            continue;
        }
        for (int k = 0; k < np; ++k) {
            const KeptPart& p = parts[k];
            if (p.startsAtCut)
                close();
            if (!open) {
                cur.assign(1, p.pts[0]);
                open = true;
                if (firstSegment && k == 0 && !p.startsAtCut)
                    firstAtStart = true;
            }
            cur.insert(cur.end(), p.pts + 1, p.pts + p.n);
            if (p.endsAtCut)
                close();
        }
    }
    if (!open)
        return;
    if (!anyBreak) {
        cur.pop_back();  // the closing segment's end is the ring's first point again
        out.wholes.push_back(std::move(cur));
    } else if (firstAtStart) {
        Ring& first = out.runs[firstRun];
        cur.insert(cur.end(), first.begin() + 1, first.end());
        first = std::move(cur);
    } else {
        out.runs.push_back(std::move(cur));
    }
}

void AppendRun(Ring& ring, const Ring& run, bool forward)
{
    if (forward) {
        ring.insert(ring.end(), run.begin(), run.end());
        return;
    }
    for (auto it = run.rbegin(); it != run.rend(); ++it) {
        FramePt p = *it;
        const int32_t f = p.fx & BezierFlags;
        if (f)
            p.fx = (p.fx & ~BezierFlags) | (f == FirstBezierFlag ? SecondBezierFlag : FirstBezierFlag);
        ring.push_back(p);
    }
}

// Joins the runs into closed rings along the cut line. Inside the kept half, the line's part
// that lies inside the area is the span between the 1st and 2nd, 3rd and 4th ... crossing in
// order along the line (even-odd), so each run end is linked to its partner in that order.
std::vector<Ring> JoinRuns(const std::vector<Ring>& runs)
{
    struct End {
        int64_t y;
        int run;
        bool isEnd;
    };
    std::vector<End> ends;
    ends.reserve(runs.size() * 2);
    for (int r = 0; r < int(runs.size()); ++r) {
        ends.push_back({runs[r].front().y, r, false});
        ends.push_back({runs[r].back().y, r, true});
    }
    std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) {
        if (a.y != b.y)
            return a.y < b.y;
        if (a.run != b.run)
            return a.run < b.run;
        return a.isEnd < b.isEnd;
    });
    // partner[run * 2 + isEnd] = the end it is linked to.
    std::vector<int> partner(ends.size());
    for (size_t k = 0; k < ends.size(); k += 2) {
        const int a = ends[k].run * 2 + ends[k].isEnd;
        const int b = ends[k + 1].run * 2 + ends[k + 1].isEnd;
        partner[a] = b;
        partner[b] = a;
    }
    std::vector<Ring> rings;
    std::vector<bool> used(runs.size(), false);
    for (int r0 = 0; r0 < int(runs.size()); ++r0) {
        if (used[r0])
            continue;
        Ring ring;
        int r = r0;
        bool forward = true;
        while (!used[r]) {
            used[r] = true;
            AppendRun(ring, runs[r], forward);
            const int exitEnd = r * 2 + (forward ? 1 : 0);
            const int next = partner[exitEnd];
            r = next / 2;
            forward = (next & 1) == 0;  // entering at its start: walk it forward
        }
        rings.push_back(std::move(ring));
    }
    return rings;
}

// True when all points lie on one straight line (no area at all).
bool Degenerate(const Ring& ring)
{
    if (ring.size() < 3)
        return true;
    const FramePt& a = ring[0];
    size_t k = 1;
    while (k < ring.size() && ring[k].x == a.x && ring[k].y == a.y)
        ++k;
    if (k == ring.size())
        return true;
    const int64_t dx = ring[k].x - a.x, dy = ring[k].y - a.y;
    for (size_t j = k + 1; j < ring.size(); ++j) {
        const Int128 cross = Int128(ring[j].x - a.x) * dy - Int128(ring[j].y - a.y) * dx;
        if (cross != 0)
            return false;
    }
    return true;
}

// False when a refused piece was dropped uncut.
bool SplitOwned(std::vector<Cord>&& pts, const AreaAcceptFn& accept, int depth)
{
    if (pts.empty())
        return true;
    pts[0].y &= ~HoleFlag;
    const int n = int(pts.size());
    if (accept(pts.data(), n))
        return true;
    if (depth >= MaxSplitDepth)
        return false;
    int64_t x1 = Masked(pts[0].x), x2 = x1, y1 = Masked(pts[0].y), y2 = y1;
    for (const Cord& p : pts) {
        x1 = std::min<int64_t>(x1, Masked(p.x));
        x2 = std::max<int64_t>(x2, Masked(p.x));
        y1 = std::min<int64_t>(y1, Masked(p.y));
        y2 = std::max<int64_t>(y2, Masked(p.y));
    }
    const int64_t w = x2 - x1, h = y2 - y1;
    bool alongX = h <= w;
    if ((alongX ? w : h) < MinCutExtent)
        alongX = !alongX;
    if ((alongX ? w : h) < MinCutExtent)
        return false;  // too small to cut into two smaller halves
    const int64_t mid = alongX ? (x1 + x2) / 2 : (y1 + y2) / 2;
    const int32_t cut = Masked(int32_t(mid));
    const int first = alongX ? KeepXBelow : KeepYBelow;
    const int second = alongX ? KeepXAbove : KeepYAbove;
    bool whole = true;
    for (int side : {first, second}) {
        std::vector<Cord> half = ClipAreaAtAxis(pts.data(), n, cut, side);
        if (!half.empty())
            whole = SplitOwned(std::move(half), accept, depth + 1) && whole;
    }
    return whole;
}

} // namespace

std::vector<Cord> ClipAreaAtAxis(const Cord* points, int count, int32_t cut, int side)
{
    side &= 3;
    std::vector<FramePt> pts(std::max(count, 0));
    for (int i = 0; i < count; ++i)
        pts[i] = Turn(ToFrame(points[i]), side);
    const int64_t c = FloorGrid(side == KeepXBelow || side == KeepYBelow ? int64_t(cut) : -int64_t(cut));

    HalfPieces pieces;
    for (int s = 0; s < count;) {
        const int e = NextRingStart(pts, s);
        ClipRing(pts, s, e, c, pieces);
        s = e;
    }
    std::vector<Ring> rings = JoinRuns(pieces.runs);
    for (Ring& r : pieces.wholes)
        rings.push_back(std::move(r));

    std::vector<Cord> out;
    const int back = (4 - side) & 3;
    for (const Ring& ring : rings) {
        if (Degenerate(ring))
            continue;
        for (size_t k = 0; k < ring.size(); ++k) {
            const FramePt p = Turn(ring[k], back);
            int32_t fy = p.fy & ~HoleFlag;
            if (p.cut)
                fy |= CornerFlag;
            if (k == 0 && !out.empty())
                fy |= HoleFlag;
            out.push_back({int32_t(p.x) | p.fx, int32_t(p.y) | fy});
        }
    }
    return out;
}

void ClipAtAxis(const Cord* points, int count, int32_t cut, int side, const AreaAcceptFn& accept,
                int depth)
{
    std::vector<Cord> half = ClipAreaAtAxis(points, count, cut, side);
    if (!half.empty())
        SplitOwned(std::move(half), accept, depth + 1);
}

bool SplitArea(const Cord* points, int count, const AreaAcceptFn& accept, int depth)
{
    if (count <= 0)
        return true;
    return SplitOwned(std::vector<Cord>(points, points + count), accept, depth);
}

} // namespace zemo
