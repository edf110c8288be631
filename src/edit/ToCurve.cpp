#include "edit/ToCurve.h"

#include "core/Config.h"
#include "core/Element.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/ObjFunc.h"
#include "edit/Pick.h"
#include "render/Bezier.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <set>

namespace zemo {

ToCurveState ToCurve;

namespace {

constexpr double Pi = std::numbers::pi;
// Below this depth a piece of the curve is halved further when it is larger than the
// tolerance.
constexpr int NearTestDepth = 15;

Cord Bare(Cord c) { return {Masked(c.x), Masked(c.y)}; }

const Cord* Src() { return CurElement.Cords(); }

bool HasTangent(double a) { return a >= -900; }

// Into (-pi, pi].
double Wrap(double a)
{
    a = std::remainder(a, 2 * Pi);
    return a <= -Pi ? a + 2 * Pi : a;
}

struct SplitPoint {
    int k = 0;
    double tangent = 0;
};

// The point of a..b farthest from the chord (from Cord a when the run is closed), and the
// direction the curve takes there.
SplitPoint SplitRun(int a, int b)
{
    const Cord* p = Src();
    const double ax = Masked(p[a].x), ay = Masked(p[a].y);
    SplitPoint s{a + 1, 0};
    double best = -1;
    double c;
    if (!CordsEqual(p[a], p[b])) {
        c = DirectionAngle(p[a], p[b]);
        const double cs = std::cos(c), sn = std::sin(c);
        for (int i = a + 1; i < b; ++i) {
            const double d = std::fabs((Masked(p[i].x) - ax) * cs + (Masked(p[i].y) - ay) * sn);
            if (d > best) {
                best = d;
                s.k = i;
            }
        }
    } else {
        for (int i = a + 1; i < b; ++i) {
            const double d = PointDistance(Bare(p[a]), Bare(p[i]));
            if (d > best) {
                best = d;
                s.k = i;
            }
        }
        const double toK = DirectionAngle(p[a], p[s.k]);
        c = toK <= 0 ? toK + Pi / 2 : toK - Pi / 2;
    }
    const double local = DirectionAngle(p[s.k - 1], p[s.k + 1]);
    s.tangent = std::fabs(Wrap(c - local)) > Pi / 2 ? Wrap(c + Pi) : c;
    return s;
}

bool NearPiece(Cord p, const Cord* c, int64_t tol, int depth)
{
    int64_t x1 = c[0].x, x2 = x1, y1 = c[0].y, y2 = y1;
    for (int i = 1; i < 4; ++i) {
        x1 = std::min<int64_t>(x1, c[i].x);
        x2 = std::max<int64_t>(x2, c[i].x);
        y1 = std::min<int64_t>(y1, c[i].y);
        y2 = std::max<int64_t>(y2, c[i].y);
    }
    if (p.x < x1 - tol || p.x > x2 + tol || p.y < y1 - tol || p.y > y2 + tol)
        return false;
    const Cord m01 = MidPoint(c[0], c[1]), m12 = MidPoint(c[1], c[2]), m23 = MidPoint(c[2], c[3]);
    const Cord m012 = MidPoint(m01, m12), m123 = MidPoint(m12, m23);
    const Cord m = MidPoint(m012, m123);
    if (depth < NearTestDepth && (x2 - x1 > tol || y2 - y1 > tol)) {
        const Cord left[4] = {c[0], m01, m012, m};
        const Cord right[4] = {m, m123, m23, c[3]};
        return NearPiece(p, left, tol, depth + 1) || NearPiece(p, right, tol, depth + 1);
    }
    // Measured from points on the curve (the piece's ends and its middle), not from the
    // middle of its chord, which may lie off the curve by the piece's size: a point found
    // near is within the tolerance of the curve.
    auto within = [&](Cord q) {
        return std::llabs(int64_t(p.x) - q.x) <= tol && std::llabs(int64_t(p.y) - q.y) <= tol;
    };
    return within(m) || within(c[0]) || within(c[3]);
}

// The Cords of CurElement with its outer ring (or the selected hole) converted.
void BuildConverted(int holeStart)
{
    const Cord* p = Src();
    const int n = CurElement.nItem;
    auto straightAfter = [&](int i) { return i + 1 < n && !(p[i + 1].x & FirstBezierFlag); };
    auto holeAfter = [&](int i) { return i + 1 < n && (p[i + 1].y & HoleFlag); };
    auto sameSides = [&](int i) {
        return (p[i - 1].x & NoLeftLineFlag) == (p[i].x & NoLeftLineFlag)
               && (p[i - 1].y & NoRightLineFlag) == (p[i].y & NoRightLineFlag);
    };
    std::vector<Cord>& out = ToCurve.Result;
    out.clear();
    out.push_back(p[0]);
    int run = straightAfter(0) && !holeAfter(0) && holeStart <= 0 ? 0 : -1;
    bool lastRing = false;
    for (int i = 1; i < n; ++i) {
        bool ended = false;
        if (run >= 0) {
            const bool goesOn = i != n - 1 && !(p[i].y & CornerFlag) && !holeAfter(i) && straightAfter(i)
                                && sameSides(i);
            if (!goesOn) {
                if (i - run < 2)
                    out.push_back(p[i]);
                else
                    FitCurve(run, i, NoTangent, NoTangent);
                run = -1;
                ended = true;
            }
        }
        if (run < 0 && !ended)
            out.push_back(p[i]);
        if (i >= holeStart && holeAfter(i))
            lastRing = true;
        if (run < 0 && i != n - 1 && i >= holeStart && !lastRing && straightAfter(i)
            && !(p[i].x & (FirstBezierFlag | SecondBezierFlag)) && !holeAfter(i))
            run = i;
    }
}

void BuildFreehandRuns()
{
    const Cord* p = Src();
    const int n = CurElement.nItem;
    std::vector<Cord>& out = ToCurve.Result;
    out.clear();
    out.push_back(p[0]);
    int next = 1;
    for (const FreehandRun& r : ToCurve.FreehandRuns) {
        // A run before what was copied, or outside the object, is not one the tool drew.
        if (r.First < next - 1 || r.Last <= r.First || r.Last >= n)
            continue;
        out.insert(out.end(), p + next, p + r.First + 1);
        if (r.Last > r.First + 1)
            FitCurve(r.First, r.Last, NoTangent, NoTangent);
        else
            out.push_back(p[r.Last]);
        next = r.Last + 1;
    }
    if (next < n)
        out.insert(out.end(), p + next, p + n);
}

// Builds at the preference's tolerance, raised while the result is too large for an object
// and still shrinks; then puts the result into CurElement.
template <typename Build>
ConvertResult Convert(Build build)
{
    ElementRecord& e = CurElement;
    if ((e.ObjectType != LineObject && e.ObjectType != AreaObject) || e.nItem < 2
        || e.SlotCount() > ElementSlotCapacity)
        return ConvertResult::Unchanged;
    int64_t tolerance = CurveTolerance(ProgramConfig.Smoothing);
    size_t previous = std::numeric_limits<size_t>::max();
    while (true) {
        ToCurve.Tolerance = int32_t(std::min<int64_t>(tolerance, std::numeric_limits<int32_t>::max()));
        build();
        const size_t size = ToCurve.Result.size();
        if (size + e.nText <= size_t(MaxElementItems))
            break;
        // Runs of two segments give two curves at any tolerance: the result stops shrinking.
        if (size >= previous)
            return ConvertResult::TooLarge;
        previous = size;
        tolerance += ToleranceStep;
    }
    const std::vector<Cord>& r = ToCurve.Result;
    if (r.size() == e.nItem && std::equal(r.begin(), r.end(), e.Cords()))
        return ConvertResult::Unchanged;
    const std::vector<Cord> text(e.Slots.begin() + e.nItem, e.Slots.begin() + e.nItem + e.nText);
    std::copy(r.begin(), r.end(), e.Slots.begin());
    std::copy(text.begin(), text.end(), e.Slots.begin() + long(r.size()));
    e.nItem = uint16_t(r.size());
    return ConvertResult::Converted;
}

void ReportTooLarge()
{
    ErrorMsg(TextKey::MaxPoints, {}, MaxPointsHelpContext);
}

} // namespace

void ResetToCurveUnit()
{
    ToCurve = ToCurveState{};
}

int32_t CurveTolerance(int smoothing)
{
    switch (smoothing) {
    case 0: return 1280;
    case 2: return 5120;
    default: return 2560;
    }
}

bool NearBezier(Cord p, const Cord* c, int32_t tolerance)
{
    const Cord piece[4] = {Bare(c[0]), Bare(c[1]), Bare(c[2]), Bare(c[3])};
    return NearPiece(Bare(p), piece, tolerance, 1);
}

bool FitSegment(int a, int b, double startAngle, double endAngle)
{
    const Cord* p = Src();
    const double chord = DirectionAngle(p[a], p[b]);
    const double length = 0.4 * PointDistance(Bare(p[a]), Bare(p[b]));
    if (!HasTangent(startAngle) && !HasTangent(endAngle))
        startAngle = endAngle = chord;
    else if (!HasTangent(startAngle))
        startAngle = 2 * chord - endAngle;
    else if (!HasTangent(endAngle))
        endAngle = 2 * chord - startAngle;
    // The control points carry the side flags of the segment's start.
    const int32_t sideX = p[a].x & NoLeftLineFlag, sideY = p[a].y & NoRightLineFlag;
    Cord c1{FirstBezierFlag | sideX, sideY};
    Cord c2{SecondBezierFlag | sideX, sideY};
    PointAtAngle(p[a], startAngle, length, c1);
    PointAtAngle(p[b], endAngle, -length, c2);
    const Cord curve[4] = {p[a], c1, c2, p[b]};
    for (int i = a + 1; i < b; ++i)
        if (!NearBezier(p[i], curve, ToCurve.Tolerance))
            return false;
    ToCurve.Result.push_back(c1);
    ToCurve.Result.push_back(c2);
    ToCurve.Result.push_back(p[b]);
    return true;
}

void FitCurve(int a, int b, double startAngle, double endAngle)
{
    if (b <= a)
        return;
    // Each range first tries one segment, else it is split; the left part is finished before
    // the right one starts, as the result is appended in order.
    struct Range {
        int a, b;
        double start, end;
        bool trySegment;
    };
    std::vector<Range> stack{{a, b, startAngle, endAngle, b < a + 2}};
    while (!stack.empty()) {
        const Range r = stack.back();
        stack.pop_back();
        if (r.trySegment && FitSegment(r.a, r.b, r.start, r.end))
            continue;
        const SplitPoint s = SplitRun(r.a, r.b);
        stack.push_back({s.k, r.b, s.tangent, r.end, true});
        stack.push_back({r.a, s.k, r.start, s.tangent, true});
    }
}

ConvertResult ConvertToCurve()
{
    const int hole = Index.SelectedHoleStart;
    return Convert([hole] { BuildConverted(hole > 0 && hole < CurElement.nItem ? hole : 0); });
}

ConvertResult FreehandRunsToCurve()
{
    const ConvertResult r = Convert(BuildFreehandRuns);
    if (r == ConvertResult::TooLarge)
        ReportTooLarge();
    return r;
}

void ObjectsToCurve()
{
    if (!Index.MapOpen || !Index.ActiveZmd)
        return;
    if (Index.SelectionCount < 2) {
        const int n = Index.SelectedIndex;
        if (n <= 0 || !BeginObjectEdit(n))
            return;
        const ConvertResult r = ConvertToCurve();
        if (r == ConvertResult::TooLarge)
            ReportTooLarge();
        if (r == ConvertResult::Converted)
            SaveObjectEdit(n);
        return;
    }
    Index.SelectedHoleStart = 0;
    const std::vector<int> objects = ObjectTargets();
    CordRect area = Index.SelectionRect;
    BeginElementEdit(-1);
    bool tooLarge = false;
    {
        UndoSuspend combined;
        for (int n : objects) {
            if (!ReadElement(n, CurElement))
                continue;
            ExtendRect(area, Index.CurIndex.Rect);
            const ConvertResult r = ConvertToCurve();
            tooLarge = tooLarge || r == ConvertResult::TooLarge;
            if (r == ConvertResult::Converted && SaveElement(n))
                ExtendRect(area, Index.CurIndex.Rect);
        }
    }
    UpdateRect(area);
    FlushMapFile();
    if (tooLarge)
        ReportTooLarge();
}

void SymbolObjectsToCurve()
{
    TZmd* z = Index.MapOpen ? Index.ActiveZmd : nullptr;
    if (!z || OkCancelMsg(TextKey::ToCurveSym, {}, ToCurveSymHelpContext) != IdOk)
        return;
    const int current = CurrentSymbolPos();
    if (z->SymbolCount() > 0 && current >= 0 && current < z->SymbolCount())
        for (int i = 0; i < z->SymbolCount(); ++i)
            z->Symbols[size_t(i)][SymSelected] = i == current ? 1 : 0;
    std::set<int> marked;
    for (const SymbolBytes& s : z->Symbols)
        if (SymU8(s, SymSelected))
            marked.insert(SymI16(s, SymNumber));
    DropSelection();
    std::vector<int> objects;
    for (int n = 1; n <= z->HighestObject; ++n) {
        const ObjectIndexEntry& e = z->Entry(n);
        int symbol = int16_t(e.Symbol);
        if (symbol > 0)
            symbol &= ~int(CourseOnlyMark);
        if (EntryLive(e) && marked.count(symbol))
            objects.push_back(n);
    }
    if (objects.empty())
        return;
    // One undo step: the objects' copies kept as those of a selection.
    for (int n : objects)
        if (GetIndex(n))
            ToggleSelection(n);
    BeginElementEdit(-1);
    ClearSelection();

    UndoSuspend combined;
    StartProgress(Text(TextKey::ObjConverted), Text(TextKey::ObjConverted) + QStringLiteral(" ;"),
                  z->HighestObject, 20, true);
    int converted = 0;
    bool tooLarge = false;
    for (int n : objects) {
        if (ReadElement(n, CurElement)) {
            const ConvertResult r = ConvertToCurve();
            tooLarge = tooLarge || r == ConvertResult::TooLarge;
            if (r == ConvertResult::Converted && SaveElement(n))
                ++converted;
        }
        UpdateProgress(converted, n);
        DispatchKeyMessages();
        if (AbortRequested)
            break;
    }
    EndProgress();
    FlushMapFile();
    DocumentPorts().RepaintWindow();
    if (tooLarge)
        ReportTooLarge();
}

} // namespace zemo
