#include "render/Lines.h"

#include "core/ByteIO.h"
#include "core/Element.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "core/Numeric.h"
#include "render/Bezier.h"
#include "render/GraphSys.h"
#include "render/PathWalk.h"
#include "render/Points.h"
#include "render/Scale.h"
#include "render/Texts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace zemo {

LinesState Lines;

namespace {

int I16(std::span<const uint8_t> rec, size_t offset)
{
    if (offset + 2 > rec.size())
        return 0;
    return LoadLE<int16_t>(rec.data() + offset);
}

int Length(std::span<const uint8_t> rec, size_t offset) { return std::max(I16(rec, offset), 0); }

int ObjectCordCount()
{
    return int(std::min<size_t>({size_t(DrawElement.nItem), size_t(MaxElementItems), ElementSlotCapacity}));
}

// Output points carry only the curve flags in x.
Cord Clean(Cord c, int32_t xFlags = 0) { return {Masked(c.x) | xFlags, Masked(c.y)}; }

void StartOutputPath(Cord c)
{
    const Cord p = Clean(c);
    GraphMoveTo(p.x, p.y);
}

void AppendOutput(Cord c)
{
    const int n = Graph.WorkPoints2Count;
    if (n > 0 && !(c.x & (FirstBezierFlag | SecondBezierFlag))) {
        const Cord last = WorkPoints2[size_t(n - 1)];
        if (!(last.x & (FirstBezierFlag | SecondBezierFlag)) && Masked(last.x) == Masked(c.x)
            && Masked(last.y) == Masked(c.y))
            return;
    }
    GraphLineTo(c.x, c.y);
}

void RememberPathStart()
{
    if (!Lines.RememberStart || Graph.WorkPoints2Count < 2)
        return;
    const int keep = Graph.WorkPoints2Count >= 4 && (WorkPoints2[1].x & FirstBezierFlag) ? 4 : 2;
    for (int i = 0; i < keep; ++i)
        Lines.StartMemory[size_t(i)] = WorkPoints2[size_t(i)];
    Lines.StartMemoryCount = keep;
    Lines.RememberStart = false;
}

// A closed line gets a join at its start: its first segment is drawn once more.
void CloseUpOutputPath()
{
    const int n = Graph.WorkPoints2Count;
    if (n < 2 || Lines.StartMemoryCount < 2)
        return;
    const Cord last = WorkPoints2[size_t(n - 1)];
    const Cord first = Lines.StartMemory[0];
    if (Masked(last.x) != Masked(first.x) || Masked(last.y) != Masked(first.y))
        return;
    for (int i = 1; i < Lines.StartMemoryCount; ++i)
        GraphLineTo(Lines.StartMemory[size_t(i)].x, Lines.StartMemory[size_t(i)].y);
}

// The object's Cords as they are (curves kept) become the output path.
void ObjectCordsToOutputPath()
{
    const int n = ObjectCordCount();
    const Cord* p = DrawElement.Cords();
    Graph.WorkPoints2Count = 0;
    EnsureWorkPoints2(n);
    for (int i = 0; i < n; ++i)
        WorkPoints2[size_t(i)] = {p[i].x, p[i].y & ~HoleFlag};
    Graph.WorkPoints2Count = n;
}

// ---- Dash fit of a part, bounded ----

struct PartFit {
    int64_t L = 0;
    int64_t sStart = 0, startLen = 0, n = 0, endLen = 0, sEnd = 0;
    double s = 0;
};

PartFit FitPart(int part, int32_t a, int32_t c, int32_t b, int32_t dEnd, int32_t dStart, int minSym)
{
    PathWalkState& w = PathWalk;
    w.PartIndex = part;
    BeginLinePart(a, c, b, dEnd, dStart, minSym);
    PartFit f;
    f.L = part >= 0 && part < w.PartCount ? w.PartLengths[size_t(part)] : 0;
    f.sStart = w.StartDist;
    f.startLen = w.StartLen;
    f.n = w.DashCount;
    f.endLen = w.EndLen;
    f.sEnd = w.EndDist;
    f.s = w.DashScale;
    if (f.n > Lines.StepsLeft) {
        f.n = std::max<int64_t>(Lines.StepsLeft, 0);
        const int64_t total = f.sStart + f.startLen + f.n * a + f.endLen + f.sEnd;
        const int64_t free = f.L - (f.n + 1) * c;
        f.s = total > 0 && free > 0 ? double(free) / double(total) : 0;
        w.DashCount = int32_t(f.n);
        w.DashScale = f.s;
    }
    Lines.StepsLeft -= f.n;
    return f;
}

// Back to the start of the current part without changing its fit.
void RewindPart()
{
    PathWalkState& w = PathWalk;
    const int32_t keep[5] = {w.StartDist, w.StartLen, w.DashCount, w.EndLen, w.EndDist};
    const double s = w.DashScale;
    BeginLinePart(0, 0, 0, 0, 0, 0);
    w.StartDist = keep[0];
    w.StartLen = keep[1];
    w.DashCount = keep[2];
    w.EndLen = keep[3];
    w.EndDist = keep[4];
    w.DashScale = s;
}

// WalkPathTo that may also go back along the part.
void WalkAlong(int64_t d)
{
    d = std::clamp<int64_t>(d, 0, INT32_MAX);
    if (d < PathWalk.Walked)
        RewindPart();
    WalkPathTo(int32_t(d));
}

int64_t RoundL(double v) { return int64_t(std::nearbyint(v)); }

// ---- Main line ----

void CutDashGap(int64_t from, int64_t to, int64_t gap, double s, int style, int width)
{
    if (gap <= 0 || to <= from + gap || s <= 0.5)
        return;
    AddPathTo(int32_t((from + to - gap) / 2));
    GraphStroke(width, style);
    WalkAlong((from + to + gap) / 2);
    StartOutputPath(PathWalk.Current);
}

void DrawDashedMainLine(const LineSymbolFields& sym)
{
    const int64_t a = sym.MainLength, C = sym.MainGap, D = sym.SecGap, E = sym.EndGap;
    const int width = sym.LineWidth, style = sym.LineStyle();
    PrepareLinePath(DrawElement);
    const PathWalkState& w = PathWalk;
    const int parts = w.PartCount;
    const int64_t longest = w.LongestPart;
    bool pen = false;
    // The stroke at the end of a dash: always with room for the gaps; otherwise only on the
    // longest part, and never when the symbol allows a part without gaps.
    const auto endDash = [&](const PartFit& f, int64_t to, int64_t slack) {
        if (C > 0 && pen && (f.s > 0.5 || (sym.MinSym >= 0 && f.L > longest - slack))) {
            AddPathTo(int32_t(to));
            GraphStroke(width, style);
            pen = false;
        }
    };
    for (int p = 0; p < parts; ++p) {
        const PartFit f = FitPart(p, int32_t(a), int32_t(C), sym.EndLength, sym.DistToEnd,
                                  sym.DistFromStart, sym.MinSym);
        if (f.L - f.sStart - f.sEnd <= 0)
            continue;
        const int64_t p0 = RoundL(f.sStart * f.s);
        const int64_t p1 = RoundL((f.sStart + f.startLen) * f.s);
        if (!pen) {
            WalkAlong(p0);
            StartOutputPath(w.Current);
            pen = true;
        }
        CutDashGap(p0, p1, E, f.s, style, width);
        endDash(f, p1, 10);
        int64_t last = p1;
        if (f.n > 0 && a * f.s > 0) {
            for (int64_t k = 1; k <= f.n; ++k) {
                const int64_t q0 = last + C;
                const int64_t q1 = RoundL((f.sStart + f.startLen + k * a) * f.s + double(k * C));
                if (!pen && C >= 1) {
                    WalkAlong(q0);
                    StartOutputPath(w.Current);
                    pen = true;
                }
                CutDashGap(q0, q1, D, f.s, style, width);
                endDash(f, q1, 5);
                last = q1;
            }
        }
        const int64_t r0 = pen ? last : last + C;
        const int64_t r1 = f.L - RoundL(f.sEnd * f.s);
        if (r0 < r1) {
            if (!pen) {
                WalkAlong(r0);
                StartOutputPath(w.Current);
                pen = true;
            }
            CutDashGap(r0, r1, E, f.s, style, width);
            AddPathTo(int32_t(r1));   // runs on into the next part's start dash
        }
    }
    if (pen)
        GraphStroke(width, style);
    Lines.PenDown = false;
}

// Tip length t and half point h of a pointed end; `tip` is this end's distance, `other` the
// other end's.
void PointedTip(int64_t tip, int64_t other, int64_t L, bool onePart, int64_t& t, int64_t& h)
{
    if (!onePart) {
        t = L >= 3 * tip / 2 ? tip : 2 * tip / 3;
    } else if ((tip + other) * 3 <= 2 * L) {
        t = tip;
    } else {
        t = RoundL(2.0 * tip / 3.0 * double(L) / double(tip + other));
    }
    h = t / 2;
}

bool WideEnoughForTips(int w) { return w * 256.0 * std::abs(Scale.ViewScaleX) >= 1.5; }

void FillPolygon(std::initializer_list<Cord> pts)
{
    Graph.WorkPoints2Count = 0;
    for (Cord c : pts)
        GraphLineTo(Masked(c.x), Masked(c.y));
    GraphFill(false);
}

void PointedStart(const LineSymbolFields& sym, int64_t L, bool onePart)
{
    int64_t t, h;
    PointedTip(sym.DistFromStart, sym.DistToEnd, L, onePart, t, h);
    const int w = sym.LineWidth;
    const Cord P = PathWalk.Current;
    if (!WideEnoughForTips(w)) {
        StartOutputPath(P);
        AddPathTo(int32_t(t));
        return;
    }
    Cord a1, b1, a2, b2;
    WalkAlong(h);
    WalkOffsetPoints(int32_t(RoundL(w / 3.0)), a1, b1);
    WalkAlong(t);
    WalkOffsetPoints(w / 2, a2, b2);
    const Cord at = PathWalk.Current;
    FillPolygon({P, a1, a2, b2, b1});
    StartOutputPath(at);
}

void PointedEnd(const LineSymbolFields& sym, int64_t L, bool onePart)
{
    int64_t t, h;
    PointedTip(sym.DistToEnd, sym.DistFromStart, L, onePart, t, h);
    const int w = sym.LineWidth;
    if (!WideEnoughForTips(w)) {
        AddPathTo(int32_t(L));
        GraphStroke(w, 1);
        return;
    }
    AddPathTo(int32_t(L - t));
    GraphStroke(w, 1);
    Cord a1, b1, a2, b2;
    WalkOffsetPoints(w / 2, a2, b2);
    WalkAlong(L - h);
    WalkOffsetPoints(int32_t(RoundL(w / 3.0)), a1, b1);
    const Cord e = DrawElement.Cords()[ObjectCordCount() - 1];
    FillPolygon({a2, a1, e, b1, b2});
}

void DrawSolidMainLine(const LineSymbolFields& sym)
{
    const int width = sym.LineWidth, style = sym.LineStyle();
    if (sym.DistFromStart == 0 && sym.DistToEnd == 0) {
        ObjectCordsToOutputPath();
        Lines.RememberStart = true;
        RememberPathStart();
        if (style != 1)
            CloseUpOutputPath();
        GraphStroke(width, style);
        return;
    }
    PrepareLinePath(DrawElement);
    const int parts = PathWalk.PartCount;
    const bool pointed = sym.PointedEnds();
    for (int p = 0; p < parts; ++p) {
        const PartFit f = FitPart(p, sym.MainLength, sym.MainGap, sym.EndLength, sym.DistToEnd,
                                  sym.DistFromStart, sym.MinSym);
        if (p == 0) {
            if (pointed && sym.DistFromStart >= 1) {
                PointedStart(sym, f.L, parts == 1);
            } else {
                WalkAlong(sym.DistFromStart);
                StartOutputPath(PathWalk.Current);
            }
        }
        if (p < parts - 1) {
            AddPathTo(int32_t(f.L));
        } else if (!pointed || sym.DistToEnd < 1) {
            AddPathTo(int32_t(std::max<int64_t>(f.L - sym.DistToEnd, 0)));
            GraphStroke(width, style);
        } else {
            PointedEnd(sym, f.L, parts == 1);
        }
    }
}

// ---- Symbols along the line ----

void DrawListHere(const LineSymbolFields& sym, int list, bool scaleDiameters)
{
    double sinA, cosA;
    PathDirectionHere(sinA, cosA);
    Lines.DirSin = sinA;
    Lines.DirCos = cosA;
    DrawElementListAt(sym.Lists[size_t(list)], sym.Counts[size_t(list)], scaleDiameters);
}

void DrawLineSymbols(const LineSymbolFields& sym)
{
    const int64_t a = sym.MainLength, C = sym.MainGap;
    PrepareLinePath(DrawElement);
    if (sym.DecMode > 0 && a < 1)
        return;
    const PathWalkState& w = PathWalk;
    const int parts = w.PartCount;
    const int64_t longest = w.LongestPart;
    const double f = (100 - sym.DecLast) / 100.0;
    for (int p = 0; p < parts; ++p) {
        const bool decEnd = sym.DecMode > 0 && p == parts - 1;
        const bool decStart = sym.DecMode == 2 && p == 0;
        const bool dec = decEnd || decStart;
        const int64_t fitA = dec ? RoundL((sym.DecLast + 100) * double(a) / 200.0) : a;
        const PartFit fit = FitPart(p, int32_t(fitA), int32_t(C), sym.EndLength, sym.DistToEnd,
                                    sym.DistFromStart, sym.MinSym);
        const int64_t L = fit.L, n = fit.n;
        const double s = fit.s;
        // Zone of the symbols: from the middle of the first gap to the middle of the last;
        // `step` is the undecreased dash length that fills it.
        const int64_t zoneStart = fit.sStart + fit.startLen + C / 2;
        const int64_t zoneEnd = L - fit.endLen - fit.sEnd - C / 2;
        double step = 0;
        if (dec && n > 0)
            step = double(zoneEnd - zoneStart - n * C) / double(n) / (1 - f / 2);
        if (L - fit.sStart - fit.sEnd < 1)
            continue;
        if (p == 0 && sym.Counts[StartSymList] >= 1) {
            Lines.AcrossScale = 1;
            DrawListHere(sym, StartSymList, true);
        }
        if (!(s <= 0.5 && (sym.MinSym < 0 || L <= longest - 5))) {
            for (int64_t k = 0; k <= n; ++k) {
                int64_t P;
                double across = 1;
                const int64_t m = n - k;
                if (dec && n > 0 && decStart && decEnd) {
                    // One part decreasing to both ends, symmetric about the zone's middle.
                    const double mid = (zoneStart + zoneEnd) / 2.0;
                    if (2 * k > n) {
                        const double u = k - n / 2.0;
                        across = 1 - u * 2 * f / double(n);
                        P = RoundL(mid + (u - u * u * f / double(n)) * step + u * double(C));
                    } else {
                        const double v = n / 2.0 - k;
                        across = 2 * k == n ? 1 : 1 - v * 2 * f / double(n);
                        P = RoundL(mid - (v - v * v * f / double(n)) * step - v * double(C));
                    }
                } else if (dec && n > 0 && decStart) {
                    across = k >= n ? 1 : 1 - double(m) * f / double(n);
                    P = zoneEnd - m * C - RoundL((m - double(m) * m * f / (2.0 * n)) * step);
                } else if (dec && n > 0) {
                    across = k < 1 ? 1 : 1 - double(k) * f / double(n);
                    P = zoneStart + k * C + RoundL((k - double(k) * k * f / (2.0 * n)) * step);
                } else {
                    P = RoundL((k * a + fit.sStart + fit.startLen) * s) + k * C + C / 2;
                }
                Lines.AcrossScale = across;
                if (sym.NPrimSym >= 1) {
                    for (int j = 0; j < sym.NPrimSym; ++j) {
                        WalkAlong(P + RoundL((j - (sym.NPrimSym - 1) / 2.0) * sym.PrimSymDist));
                        DrawListHere(sym, MainSymList, true);
                    }
                }
                if (sym.Counts[SecSymList] > 0 && k < n) {
                    WalkAlong(P + RoundL(double(a / 2) * across));
                    DrawListHere(sym, SecSymList, true);
                }
            }
        }
        if (p == parts - 1 && sym.Counts[EndSymList] >= 1) {
            WalkAlong(L);
            Lines.AcrossScale = 1;
            DrawListHere(sym, EndSymList, true);
        }
    }
    Lines.AcrossScale = 1;
}

void DrawCornerSymbols(const LineSymbolFields& sym)
{
    const int n = ObjectCordCount();
    const Cord* pts = DrawElement.Cords();
    for (int i = 0; i < n; ++i) {
        const double factor = CornerAngleAt(pts, n, i);
        if (!(pts[i].y & CornerFlag))
            continue;
        PathWalk.Current = Clean(pts[i]);
        Lines.DirSin = PathWalk.BisectorSin;
        Lines.DirCos = PathWalk.BisectorCos;
        Lines.AcrossScale = factor;
        DrawElementListAt(sym.Lists[CornerSymList], sym.Counts[CornerSymList], false);
    }
    Lines.AcrossScale = 1;
}

// ---- Double line ----

void StrokeOffsetOutput(int32_t offset, int width)
{
    const int n = Graph.WorkPoints2Count;
    if (n < 2)
        return;
    OffsetWorkPath(WorkPoints2.data(), n, offset);
    GraphStroke(width, 0);
}

// Index of the end of the prepared path's segment that starts at j.
int SegmentEndIndex(int j)
{
    const bool curve = (PathWalk.PathPoints[size_t(j + 1)].x & FirstBezierFlag) && j < PathWalk.PathPointCount - 3;
    return curve ? j + 3 : j + 1;
}

// Appends the prepared path's segment that starts at j (j moves to its end).
void AppendPathSegment(int& j)
{
    const std::vector<Cord>& pp = PathWalk.PathPoints;
    const int count = PathWalk.PathPointCount;
    if ((pp[size_t(j + 1)].x & FirstBezierFlag) && j < count - 3) {
        AppendOutput(Clean(pp[size_t(j + 1)], FirstBezierFlag));
        AppendOutput(Clean(pp[size_t(j + 2)], SecondBezierFlag));
        AppendOutput(Clean(pp[size_t(j + 3)]));
        j += 3;
    } else {
        AppendOutput(Clean(pp[size_t(j + 1)]));
        ++j;
    }
}

void DrawOffsetLine(int side, int32_t offset, int width)
{
    if (width < 1)
        return;
    PrepareLinePath(DrawElement);
    const std::vector<Cord>& pp = PathWalk.PathPoints;
    const int count = PathWalk.PathPointCount;
    bool open = false;
    for (int j = 0; j < count - 1;) {
        const bool off = side == 1 ? (pp[size_t(j)].x & NoLeftLineFlag) : (pp[size_t(j)].y & NoRightLineFlag);
        if (off) {
            if (open)
                StrokeOffsetOutput(offset, width);
            open = false;
            j = SegmentEndIndex(j);
            continue;
        }
        if (!open) {
            StartOutputPath(pp[size_t(j)]);
            open = true;
        }
        AppendPathSegment(j);
    }
    if (open)
        StrokeOffsetOutput(offset, width);
}

void DrawDashedOffsetLine(const LineSymbolFields& sym, int32_t offset, int dashLen, int width, int gap)
{
    PrepareLinePath(DrawElement);
    const int parts = PathWalk.PartCount;
    if (PathWalk.PathPointCount < 2)
        return;
    StartOutputPath(PathWalk.PathPoints[0]);
    for (int p = 0; p < parts; ++p) {
        PartFit f = FitPart(p, dashLen, gap, 0, 0, 0, sym.MinSym);
        const int64_t L = f.L;
        int64_t n = f.n;
        if (n == 0 && L > dashLen / 4)
            n = 1;
        if (n < 2 && gap < L)
            n = 2;
        if (n >= 1) {
            for (int64_t k = 1; k <= n; ++k) {
                const int64_t pos = RoundL(double(L + gap) * double(k) / double(n));
                AddPathTo(int32_t(std::max<int64_t>(pos - gap, 0)));
                if (k < n) {
                    StrokeOffsetOutput(offset, width);
                    WalkAlong(pos);
                    StartOutputPath(PathWalk.Current);
                }
            }
        } else {
            AddPathTo(int32_t(L));
        }
    }
    StrokeOffsetOutput(offset, width);
}

void FillDoubleLine(int32_t left, int32_t right)
{
    PrepareLinePath(DrawElement);
    const std::vector<Cord>& pp = PathWalk.PathPoints;
    const int count = PathWalk.PathPointCount;
    if (count < 2)
        return;
    std::vector<Cord> lefts(static_cast<size_t>(count)), rights(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        PathAngleAt(pp.data(), i, left, count, right, lefts[size_t(i)], rights[size_t(i)]);
    const auto curveFlags = [](Cord c) { return c.x & (FirstBezierFlag | SecondBezierFlag); };
    const auto swapped = [&](Cord c) {
        const int32_t fl = curveFlags(c);
        const int32_t to = fl == FirstBezierFlag ? SecondBezierFlag : fl == SecondBezierFlag ? FirstBezierFlag : 0;
        return Clean(c, to);
    };
    std::vector<Cord> poly;
    int i0 = 0;
    while (i0 < count - 1) {
        int i1 = i0 + 1;
        while (i1 < count - 1 && (i1 - i0 + 1 < 30 || curveFlags(pp[size_t(i1)]) != 0))
            ++i1;
        poly.clear();
        for (int i = i0; i <= i1; ++i)
            poly.push_back(Clean(lefts[size_t(i)], curveFlags(lefts[size_t(i)])));
        for (int i = i1; i >= i0; --i)
            poly.push_back(swapped(rights[size_t(i)]));
        GraphFillArea(poly.data(), int(poly.size()), false);
        i0 = i1;
    }
}

void DrawDoubleLine(const LineSymbolFields& sym)
{
    const int cur = Graph.CurrentColor;
    if (sym.DblLeftWidth >= 1 && sym.DblLeftColor == cur) {
        const int32_t off = -(sym.DblWidth + sym.DblLeftWidth) / 2;
        if (sym.DblMode == 1)
            DrawOffsetLine(1, off, sym.DblLeftWidth);
        else
            DrawDashedOffsetLine(sym, off, sym.DblLength, sym.DblLeftWidth, sym.DblGap);
    }
    if (sym.DblRightWidth >= 1 && sym.DblRightColor == cur) {
        const int32_t off = (sym.DblWidth + sym.DblRightWidth) / 2;
        if (sym.DblMode == 1 || sym.DblMode == 2)
            DrawOffsetLine(2, off, sym.DblRightWidth);
        else
            DrawDashedOffsetLine(sym, off, sym.DblLength, sym.DblRightWidth, sym.DblGap);
    }
    if (sym.DblWidth > 0 && sym.DblFillColor == cur && (sym.DblFlags & 1))
        FillDoubleLine(-sym.DblWidth / 2, sym.DblWidth / 2);
}

} // namespace

void ResetLinesState() { Lines = LinesState{}; }

void BuildSideLinePath(const ElementRecord& e, int32_t offset)
{
    PrepareLinePath(e);
    const int count = PathWalk.PathPointCount;
    Graph.WorkPoints2Count = 0;
    if (count < 1)
        return;
    StartOutputPath(PathWalk.PathPoints[0]);
    for (int j = 0; j < count - 1;)
        AppendPathSegment(j);
    if (Graph.WorkPoints2Count >= 2)
        OffsetWorkPath(WorkPoints2.data(), Graph.WorkPoints2Count, offset);
}

bool LineSymbolUsable(std::span<const uint8_t> rec)
{
    if (rec.size() < size_t(LineSymbolFixedBytes))
        return false;
    if (I16(rec, SymObjectType) != LineObject)
        return false;
    const int size = I16(rec, SymSize);
    int64_t slots = 0;
    for (int i = 0; i < LineSymbolListCount; ++i) {
        const int c = I16(rec, LsMainSymCount + 2 * size_t(i));
        if (c < 0)
            return false;
        slots += c;
    }
    return size >= LineSymbolFixedBytes && int64_t(size) == LineSymbolFixedBytes + 8 * slots
        && rec.size() >= size_t(size);
}

LineSymbolFields ReadLineSymbol(std::span<const uint8_t> rec)
{
    LineSymbolFields s;
    s.LineColor = I16(rec, LsLineColor);
    s.LineWidth = I16(rec, LsLineWidth);
    s.LineStyleBits = I16(rec, LsLineStyleBits);
    s.DistFromStart = Length(rec, LsDistFromStart);
    s.DistToEnd = Length(rec, LsDistToEnd);
    s.MainLength = Length(rec, LsMainLength);
    s.EndLength = Length(rec, LsEndLength);
    s.MainGap = Length(rec, LsMainGap);
    s.SecGap = Length(rec, LsSecGap);
    s.EndGap = Length(rec, LsEndGap);
    s.MinSym = std::clamp(I16(rec, LsMinSym), -1, 1);
    s.NPrimSym = std::clamp(I16(rec, LsNPrimSym), 0, 5);
    s.PrimSymDist = Length(rec, LsPrimSymDist);
    s.DblMode = I16(rec, LsDblMode);
    s.DblFlags = I16(rec, LsDblFlags);
    s.DblFillColor = I16(rec, LsDblFillColor);
    s.DblLeftColor = I16(rec, LsDblLeftColor);
    s.DblRightColor = I16(rec, LsDblRightColor);
    s.DblWidth = Length(rec, LsDblWidth);
    s.DblLeftWidth = I16(rec, LsDblLeftWidth);
    s.DblRightWidth = I16(rec, LsDblRightWidth);
    s.DblLength = Length(rec, LsDblLength);
    s.DblGap = Length(rec, LsDblGap);
    s.DecMode = I16(rec, LsDecMode);
    // Outside 0..100 the decrease would divide by zero (-100) or mirror the symbols (< 0).
    s.DecLast = std::clamp(I16(rec, LsDecLast), 0, 100);
    s.FrColor = I16(rec, LsFrColor);
    s.FrWidth = I16(rec, LsFrWidth);
    s.FrStyle = I16(rec, LsFrStyle);
    size_t at = LsElementLists;
    for (int i = 0; i < LineSymbolListCount; ++i) {
        const int c = std::max(I16(rec, LsMainSymCount + 2 * size_t(i)), 0);
        const size_t bytes = size_t(c) * 8;
        if (at + bytes > rec.size()) {
            s.Counts[size_t(i)] = 0;
            continue;
        }
        s.Counts[size_t(i)] = c;
        s.Lists[size_t(i)] = rec.subspan(at, bytes);
        at += bytes;
    }
    return s;
}

void DrawLineObject()
{
    if (DrawElement.nItem < 2)
        return;
    if (SymbolGraphicsEditing()) {
        DrawPlainLineElement();
        return;
    }
    const std::span<const uint8_t> rec = SymbolSpan(DrawSymbol);
    const int subType = rec.size() > SymTextFlag ? rec[SymTextFlag] : -1;
    if (subType == 0 && LineSymbolUsable(rec)) {
        DrawLineSymbolObject(ReadLineSymbol(rec));
        return;
    }
    if ((subType == 0 || subType == 1) && DrawElement.nText > 0) {
        DrawLineTextObject();
        return;
    }
    DrawGreyLine();
}

void DrawPlainLineElement()
{
    ObjectCordsToOutputPath();
    const int style = DrawElement.Word12;
    Lines.RememberStart = true;
    RememberPathStart();
    if (style != 1)
        CloseUpOutputPath();
    GraphStroke(uint16_t(DrawElement.Word10), style);
}

void DrawGreyLine()
{
    const uint32_t saved = Graph.OutputCmyk;
    Graph.OutputCmyk = Graph.GreyCmyk;
    ObjectCordsToOutputPath();
    GraphStroke(1, 0);
    Graph.OutputCmyk = saved;
}

void DrawLineSymbolObject(const LineSymbolFields& sym)
{
    const int cur = Graph.CurrentColor;
    Lines.StepsLeft = MaxLineStepsPerObject;
    Lines.AcrossScale = 1;
    Lines.PenDown = false;
    if (ObjectCordCount() < 2)
        return;
    if (sym.FrWidth > 0 && sym.FrColor == cur) {
        ObjectCordsToOutputPath();
        GraphStroke(sym.FrWidth, sym.FrStyle);
    }
    if (sym.LineWidth > 0 && sym.LineColor == cur) {
        if (sym.MainGap != 0 || sym.SecGap != 0 || sym.EndGap != 0)
            DrawDashedMainLine(sym);
        else
            DrawSolidMainLine(sym);
    }
    if (sym.NPrimSym >= 1 || sym.Counts[SecSymList] >= 1 || sym.Counts[StartSymList] >= 1
        || sym.Counts[EndSymList] >= 1)
        DrawLineSymbols(sym);
    if (sym.Counts[CornerSymList] > 0)
        DrawCornerSymbols(sym);
    if (sym.DblMode != 0)
        DrawDoubleLine(sym);
}

void DrawElementListAt(std::span<const uint8_t> list, int slots, bool scaleDiameters)
{
    if (list.empty() || slots <= 0)
        return;
    ElementPlacement place;
    place.Origin = Clean(PathWalk.Current);
    place.Cos = Lines.DirCos;
    place.Sin = Lines.DirSin;
    place.AcrossScale = Lines.AcrossScale;
    place.ScaleDiameters = scaleDiameters;
    DrawElementList(list, slots, place);
}

void AddPathTo(int32_t d)
{
    PathWalkState& w = PathWalk;
    double t0 = w.SegIsCurve ? w.CurT : 0;
    const auto curvePoints = [&](double ta, double tb, bool toEnd) {
        double x[4] = {double(Masked(w.SegStart.x)), double(Masked(w.SegC1.x)),
                       double(Masked(w.SegC2.x)), double(Masked(w.SegEnd.x))};
        double y[4] = {double(Masked(w.SegStart.y)), double(Masked(w.SegC1.y)),
                       double(Masked(w.SegC2.y)), double(Masked(w.SegEnd.y))};
        double sx[4], sy[4];
        BezierSubCurve(x, y, ta, tb, sx, sy);
        AppendOutput({Masked(SafeRound(sx[1])) | FirstBezierFlag, Masked(SafeRound(sy[1]))});
        AppendOutput({Masked(SafeRound(sx[2])) | SecondBezierFlag, Masked(SafeRound(sy[2]))});
        AppendOutput(toEnd ? Clean(w.SegEnd) : Clean(w.Current));
    };
    // Segments that end before d are appended whole (or their rest).
    while ((int64_t(d) > int64_t(w.Walked) + w.SegLength || w.SegLength == 0) && w.Index < w.PartLast) {
        if (w.SegIsCurve && t0 < 1) {
            if (t0 <= 0) {
                AppendOutput(Clean(w.SegC1, FirstBezierFlag));
                AppendOutput(Clean(w.SegC2, SecondBezierFlag));
                AppendOutput(Clean(w.SegEnd));
            } else {
                curvePoints(t0, 1, true);
            }
        } else {
            AppendOutput(Clean(w.SegEnd));
        }
        NextPathSegment();
        t0 = 0;
    }
    const bool curve = w.SegIsCurve;
    const int index = w.Index;
    WalkPathTo(d);
    if (curve && w.SegIsCurve && w.Index == index && w.CurT > t0)
        curvePoints(t0, w.CurT, false);
    else
        AppendOutput(Clean(w.Current));
    RememberPathStart();
}

} // namespace zemo
