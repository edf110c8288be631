#include "platform/RowPlotter.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zemo {

namespace {

uint32_t argbOf(DeviceColor c) { return 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

// The raster engine's scan converter, redone step for step so that fills light the same
// pixels: 26.6 input points, rows sampled at their centres (a row belongs to an edge when the
// edge's top lies above its centre and its bottom at or below it), crossings in 16.16 stepped
// by a truncated slope, a pixel inside when its crossing count (or winding) left of it says so.
// Edges beyond the left or right of the clip box become vertical edges on it.

// Coordinates up to this size keep the engine's 32-bit fixed point from overflowing, where it
// would give pixels that only redoing its overflow could match.
constexpr double CoordLimit = 16000;

// Each edge goes to the sink, sink(edge).
template <class Sink>
class ScanEdges {
public:
    ScanEdges(const QRect& box, Sink sink)
        : m_top(box.top()), m_bottom(box.bottom()), m_leftFP(int64_t(box.left()) << 16),
          m_rightFP(int64_t(box.right() + 1) << 16), m_sink(sink)
    {
    }

    // False when the slope leaves the engine's fixed-point range.
    bool add(int64_t ax, int64_t ay, int64_t bx, int64_t by)
    {
        int winding = 1;
        if (ay > by) {
            std::swap(ax, bx);
            std::swap(ay, by);
            winding = -1;
        }
        int iTop = std::max<int>(m_top, int((ay + 32) >> 6));
        int iBottom = std::min<int>(m_bottom, int((by - 32) >> 6));
        if (iTop > iBottom)
            return true;
        const int64_t aFP = 32768 + (ax << 10);
        if (bx == ax) {
            m_sink(ScanEdge{std::clamp(aFP, m_leftFP, m_rightFP), 0, iTop, iBottom, winding});
            return true;
        }
        const double slope = double(bx - ax) / double(by - ay);
        const double scaled = slope * 65536.;
        if (!(std::abs(scaled) < 2147483647.0))
            return false;
        const int64_t slopeFP = int64_t(int32_t(scaled));
        int64_t xFP = aFP + ((slopeFP * ((int64_t(iTop) << 16) + 32768 - (ay << 10))) >> 16);
        // Most edges lie within the box from end to end.
        const int64_t lastFP = xFP + slopeFP * (iBottom - iTop);
        if (std::min(xFP, lastFP) > m_leftFP && std::max(xFP, lastFP) < m_rightFP) {
            m_sink(ScanEdge{xFP, slopeFP, iTop, iBottom, winding});
            return true;
        }
        if (clip(xFP, iTop, iBottom, slopeFP, m_leftFP, winding))
            return true;
        if (clip(xFP, iTop, iBottom, slopeFP, m_rightFP, winding))
            return true;
        m_sink(ScanEdge{xFP, slopeFP, iTop, iBottom, winding});
        return true;
    }

private:
    // Cuts the part of the edge beyond one side of the box into a vertical edge on that side;
    // true when nothing of the edge is left.
    bool clip(int64_t& xFP, int& iTop, int& iBottom, int64_t slopeFP, int64_t edgeFP, int winding)
    {
        const bool right = edgeFP == m_rightFP;
        if (xFP == edgeFP) {
            if ((slopeFP > 0) ^ right)
                return false;
            m_sink(ScanEdge{edgeFP, 0, iTop, iBottom, winding});
            return true;
        }
        const int64_t lastFP = xFP + slopeFP * (iBottom - iTop);
        if (lastFP == edgeFP) {
            if ((slopeFP < 0) ^ right)
                return false;
            m_sink(ScanEdge{edgeFP, 0, iTop, iBottom, winding});
            return true;
        }
        if ((lastFP < edgeFP) ^ (xFP < edgeFP)) {
            const int64_t deltaY = int64_t(int32_t(double(edgeFP - xFP) / (double(slopeFP) / 65536.)));
            if ((xFP < edgeFP) ^ right) {
                const int iHeight = int((deltaY + 1) >> 16);
                const int iMiddle = iTop + iHeight;
                m_sink(ScanEdge{edgeFP, 0, iTop, iMiddle, winding});
                if (iMiddle == iBottom)
                    return true;
                xFP += slopeFP * (iHeight + 1);
                iTop = iMiddle + 1;
            } else {
                const int iHeight = int(deltaY >> 16);
                const int iMiddle = iTop + iHeight;
                if (iMiddle != iBottom) {
                    m_sink(ScanEdge{edgeFP, 0, iMiddle + 1, iBottom, winding});
                    iBottom = iMiddle;
                }
            }
            return false;
        }
        if ((xFP < edgeFP) ^ right) {
            m_sink(ScanEdge{edgeFP, 0, iTop, iBottom, winding});
            return true;
        }
        return false;
    }

    int m_top;
    int m_bottom;
    int64_t m_leftFP;
    int64_t m_rightFP;
    Sink m_sink;
};

// 26.6 fixed point, halves away from zero (within the coordinate limit, so no overflow).
int64_t fixed26(double v)
{
    const double t = v * 64;
    // As t >= 0 ? t + 0.5 : t - 0.5, truncated (-0 too goes to 0), without a branch.
    return int64_t(t + std::copysign(0.5, t));
}

// Writes the hatch's pixels of the span [x0, x1) of row y; in the gaps the background, if any
// (off: none).
void hatchSpan(uint32_t* row, int x0, int x1, int y, const RowPlotter::Hatch& h, uint32_t on,
               const uint32_t* off, bool xorOp)
{
    const auto put = [xorOp](uint32_t& p, uint32_t c) {
        if (xorOp)
            p ^= c & 0x00FFFFFFu;
        else
            p = c;
    };
    const int ry = (y - h.origin.y()) & (HatchPeriod - 1);
    const bool horizontal = (h.style == HatchStyle::Horizontal || h.style == HatchStyle::Cross) && ry == 0;
    if (horizontal) {
        for (int x = x0; x < x1; ++x)
            put(row[x], on);
        return;
    }
    // The columns of this row that the pattern lights, modulo the period.
    int columns[2];
    int count = 0;
    switch (h.style) {
    case HatchStyle::Horizontal: break;
    case HatchStyle::Vertical:
    case HatchStyle::Cross: columns[count++] = h.origin.x(); break;
    case HatchStyle::FDiagonal: columns[count++] = h.origin.x() + ry; break;
    case HatchStyle::BDiagonal: columns[count++] = h.origin.x() - ry; break;
    case HatchStyle::DiagCross:
        columns[count++] = h.origin.x() + ry;
        if (ry != 0 && ry != HatchPeriod / 2)
            columns[count++] = h.origin.x() - ry;
        break;
    }
    if (off) {
        if (xorOp) {
            for (int x = x0; x < x1; ++x) {
                bool lit = false;
                for (int k = 0; k < count; ++k)
                    lit = lit || ((x - columns[k]) & (HatchPeriod - 1)) == 0;
                put(row[x], lit ? on : *off);
            }
            return;
        }
        for (int x = x0; x < x1; ++x)
            row[x] = *off;
    }
    for (int k = 0; k < count; ++k)
        for (int x = x0 + ((columns[k] - x0) & (HatchPeriod - 1)); x < x1; x += HatchPeriod)
            put(row[x], on);
}

} // namespace

bool RowPlotter::Accepts(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        return false;
    }
    return !image.isNull() && image.devicePixelRatio() == 1.0 && image.width() <= CoordLimit
        && image.height() <= CoordLimit;
}

RowPlotter::RowPlotter(QImage& image)
{
    if (!Accepts(image))
        return;
    m_bits = image.bits();
    m_stride = image.bytesPerLine();
    m_rect = image.rect();
    m_xorFormat = image.format() == QImage::Format_RGB32;
    setClip(std::nullopt);
}

void RowPlotter::setClip(const std::optional<QRegion>& region)
{
    m_clip.clear();
    if (!region) {
        m_clip.push_back(m_rect);
    } else {
        for (const QRect& r : *region) {
            const QRect inside = r & m_rect;
            if (!inside.isEmpty())
                m_clip.push_back(inside);
        }
    }
    m_clipBounds = QRect();
    for (const QRect& r : m_clip)
        m_clipBounds |= r;
    m_masked = false;
    m_plainClip = m_clip.size() == 1;
}

bool RowPlotter::setClipPath(std::span<const QPointF> points, std::span<const int> ringSizes, FillRule rule)
{
    m_masked = false;
    m_edges.clear();
    if (!addRings(points, ringSizes))
        return false;
    // The runs inside the path and the clip so far, as column pairs, and where each row's
    // runs start: the scan goes row by row from the top.
    std::vector<int32_t>& runs = m_maskRuns;
    std::vector<int32_t>& rows = m_maskRows;
    runs.clear();
    rows.clear();
    m_maskTop = 0;
    int left = INT32_MAX, right = INT32_MIN;
    scanEdges(rule, [&](uint32_t*, int y, int x0, int x1) {
        if (runs.empty())
            m_maskTop = y;
        while (m_maskTop + int(rows.size()) <= y)
            rows.push_back(int32_t(runs.size() / 2));
        runs.push_back(x0);
        runs.push_back(x1);
        left = std::min(left, x0);
        right = std::max(right, x1);
    });
    rows.push_back(int32_t(runs.size() / 2));
    m_clipBounds = runs.empty() ? QRect() : QRect(left, m_maskTop, right - left, int(rows.size()) - 1);
    m_masked = true;
    m_plainClip = false;
    return true;
}

std::span<const int32_t> RowPlotter::maskRuns(int y) const
{
    const int r = y - m_maskTop;
    if (r < 0 || r + 1 >= int(m_maskRows.size()))
        return {};
    return std::span<const int32_t>(m_maskRuns).subspan(size_t(2 * m_maskRows[size_t(r)]),
                                                        size_t(2 * (m_maskRows[size_t(r) + 1] - m_maskRows[size_t(r)])));
}

void RowPlotter::polyline(std::span<const QPointF> points, LinePixels which, DeviceColor color, RasterOp rop)
{
    if (points.empty())
        return;
    const uint32_t c = argbOf(color);
    const bool xorOp = rop == RasterOp::Xor;
    int64_t phase = 0;
    int64_t x0 = LinePixelOf(points[0].x()), y0 = LinePixelOf(points[0].y());
    for (size_t k = 1; k < points.size(); ++k) {
        const int64_t x1 = LinePixelOf(points[k].x()), y1 = LinePixelOf(points[k].y());
        // Lines wholly beyond one side of the clip only move the dots on.
        const bool away = (x0 < m_clipBounds.left() && x1 < m_clipBounds.left())
            || (x0 > m_clipBounds.right() && x1 > m_clipBounds.right())
            || (y0 < m_clipBounds.top() && y1 < m_clipBounds.top())
            || (y0 > m_clipBounds.bottom() && y1 > m_clipBounds.bottom());
        const auto plot = [&](int x, int y, int64_t i) {
            if (which != LinePixels::All && DotIsOn(phase, i) != (which == LinePixels::DotsOn))
                return;
            uint32_t& p = row(y)[x];
            if (xorOp)
                p ^= c & 0x00FFFFFFu;
            else
                p = c;
        };
        if (!away && m_masked)
            StepLine(x0, y0, x1, y1, m_clipBounds, [&](int x, int y, int64_t i) {
                const std::span<const int32_t> runs = maskRuns(y);
                for (size_t k = 0; k < runs.size(); k += 2)
                    if (x >= runs[k] && x < runs[k + 1]) {
                        plot(x, y, i);
                        return;
                    }
            });
        else if (!away)
            for (const QRect& clip : m_clip)
                StepLine(x0, y0, x1, y1, clip, plot);
        phase += std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        x0 = x1;
        y0 = y1;
    }
}

bool RowPlotter::addRings(std::span<const QPointF> points, std::span<const int> ringSizes)
{
    // Every point checked and put in 26.6 once, x and y side by side.
    std::vector<int64_t>& fixed = m_fixedPoints;
    if (fixed.size() < 2 * points.size())
        fixed.resize(2 * points.size());
    bool within = true;
    for (size_t i = 0; i < points.size(); ++i) {
        const double x = points[i].x(), y = points[i].y();
        within &= std::abs(x) <= CoordLimit && std::abs(y) <= CoordLimit;
        fixed[2 * i] = fixed26(x);
        fixed[2 * i + 1] = fixed26(y);
    }
    if (!within)
        return false;
    ScanEdges scan(m_clipBounds, [this](const ScanEdge& e) { m_edges.push_back(e); });
    const int64_t* ring = fixed.data();
    for (int n : ringSizes) {
        if (n <= 0)
            continue;
        const int64_t* const end = ring + 2 * n;
        for (const int64_t* p = ring; p != end; p += 2) {
            const int64_t* q = p + 2 == end ? ring : p + 2;
            if (!scan.add(p[0], p[1], q[0], q[1]))
                return false;
        }
        ring = end;
    }
    return true;
}

template <class Span>
[[gnu::always_inline]] inline void RowPlotter::clipped(int y, int from, int to, Span&& span)
{
    if (m_plainClip) {
        if (y < m_clipBounds.top() || y > m_clipBounds.bottom())
            return;
        const int x0 = std::max(from, m_clipBounds.left());
        const int x1 = std::min(to, m_clipBounds.right() + 1);
        if (x0 < x1)
            span(row(y), y, x0, x1);
        return;
    }
    if (m_masked) {
        const std::span<const int32_t> runs = maskRuns(y);
        for (size_t k = 0; k < runs.size(); k += 2) {
            const int x0 = std::max(from, runs[k]);
            const int x1 = std::min(to, runs[k + 1]);
            if (x0 < x1)
                span(row(y), y, x0, x1);
        }
        return;
    }
    for (const QRect& clip : m_clip) {
        if (y < clip.top() || y > clip.bottom())
            continue;
        const int x0 = std::max(from, clip.left());
        const int x1 = std::min(to, clip.right() + 1);
        if (x0 < x1)
            span(row(y), y, x0, x1);
    }
}

template <class Emit>
void RowPlotter::sortedRows(const ScanEdgeList& edges, int top, int64_t first, int64_t last, int mask, Emit&& emit)
{
    // Each row's crossings go into a bucket of their own and are ordered there, a handful each;
    // no active list to keep.
    const int yFirst = int(top + first), yLast = int(top + last);
    std::vector<int32_t>& starts = m_rowStarts;
    std::vector<int64_t>& keys = m_crossings;
    starts.assign(size_t(last - first + 2), 0);
    for (const ScanEdge& e : edges)
        for (int y = std::max(e.top, yFirst), end = std::min(e.bottom, yLast); y <= end; ++y)
            ++starts[size_t(y - yFirst) + 1];
    for (size_t r = 1; r < starts.size(); ++r)
        starts[r] += starts[r - 1];
    keys.resize(size_t(starts.back()));
    // A crossing is its column and, in the lowest bit, whether it winds up.
    m_fill.assign(starts.begin(), starts.end() - 1);
    for (const ScanEdge& e : edges) {
        const int from = std::max(e.top, yFirst), to = std::min(e.bottom, yLast);
        if (from > to)
            continue;
        int64_t x = e.x + e.delta * (from - e.top);
        const int64_t up = e.winding > 0 ? 1 : 0;
        for (int y = from; y <= to; ++y, x += e.delta)
            keys[size_t(m_fill[size_t(y - yFirst)]++)] = ((x >> 16) << 1) | up;
    }
    for (int y = yFirst; y <= yLast; ++y) {
        int64_t* begin = keys.data() + starts[size_t(y - yFirst)];
        int64_t* end = keys.data() + starts[size_t(y - yFirst) + 1];
        if (end - begin > 24)
            std::sort(begin, end);
        else
            for (int64_t* i = begin + 1; i < end; ++i) {
                const int64_t key = *i;
                int64_t* j = i;
                for (; j > begin && *(j - 1) > key; --j)
                    *j = *(j - 1);
                *j = key;
            }
        int winding = 0;
        int from = 0;
        for (const int64_t* k = begin; k < end; ++k) {
            const int x = int(*k >> 1);
            if ((winding & mask) && x > from)
                emit(y, from, x);
            from = x;
            winding += (*k & 1) ? 1 : -1;
        }
    }
}

template <class Span>
void RowPlotter::scanEdges(FillRule rule, Span&& span)
{
    ScanEdgeList& edges = m_edges;
    if (edges.empty())
        return;
    const int mask = rule == FillRule::OddEven ? 1 : ~0;
    const auto emit = [&](int y, int from, int to) __attribute__((always_inline)) { clipped(y, from, to, span); };
    // Small figures, in two ways that give the same pixels as the active edges below, faster.
    int top = edges.front().top, bottom = edges.front().bottom;
    int64_t left = edges.front().x, right = left, crossings = 0;
    for (const ScanEdge& e : edges) {
        const int64_t last = e.x + e.delta * (e.bottom - e.top);
        top = std::min(top, e.top);
        bottom = std::max(bottom, e.bottom);
        left = std::min(left, std::min(e.x, last));
        right = std::max(right, std::max(e.x, last));
        crossings += e.bottom - e.top + 1;
    }
    const int c0 = int(left >> 16), c1 = int(right >> 16);
    const int64_t columns = int64_t(c1) - c0 + 1;
    const int64_t rows = int64_t(bottom) - top + 1;
    // Many crossings in a small box (a stroke's outline crosses its rows again and again): each
    // crossing adds its winding to its column in a box of counters, and a running sum along
    // each row, between the row's first and last crossing, says which pixels are inside. The
    // sum passes over every counter of that stretch: with a few crossings a row (a small area)
    // the buckets below cost less.
    const bool buckets = crossings <= 16 * rows && crossings <= (int64_t(1) << 22);
    const int64_t cells = columns * rows;
    if (cells <= (buckets ? 6 * crossings : 16 * crossings + 2048) && cells <= (int64_t(1) << 22)) {
        // The counters stay zero between figures: the scan clears each one it reads.
        std::vector<int32_t>& sums = m_windings;
        std::vector<int32_t>& reach = m_rowStarts;  // each row's first and last column
        if (sums.size() < size_t(columns * rows))
            sums.resize(size_t(columns * rows), 0);
        reach.assign(size_t(2 * rows), 0);
        for (int64_t r = 0; r < rows; ++r)
            reach[size_t(2 * r)] = int32_t(columns);
        for (const ScanEdge& e : edges) {
            int32_t* cell = sums.data() + (e.top - top) * columns - c0;
            int32_t* ends = reach.data() + 2 * (e.top - top);
            int64_t x = e.x;
            for (int y = e.top; y <= e.bottom; ++y, cell += columns, ends += 2, x += e.delta) {
                const auto c = int32_t(x >> 16);
                cell[c] += e.winding;
                ends[0] = std::min(ends[0], c - c0);
                ends[1] = std::max(ends[1], c - c0);
            }
        }
        for (int64_t r = 0; r < rows; ++r) {
            int32_t* cell = sums.data() + r * columns;
            int winding = 0;
            int from = 0;
            for (int c = reach[size_t(2 * r)], end = reach[size_t(2 * r + 1)]; c <= end; ++c) {
                if (cell[c] == 0)
                    continue;
                const bool inside = (winding & mask) != 0;
                winding += std::exchange(cell[c], 0);
                if (inside != ((winding & mask) != 0)) {
                    if (inside)
                        emit(int(top + r), c0 + from, c0 + c);
                    else
                        from = c;
                }
            }
        }
        return;
    }
    if (buckets) {
        if (!m_rowEndsOn) {
            sortedRows(edges, top, 0, rows - 1, mask, emit);
            return;
        }
        // Most rows of an area are crossed twice, some (near the top and bottom of a ragged
        // outline, or through a hole) four times: each row keeps its count of crossings and
        // the first four, as the buckets below key them, and rows of up to four crossings are
        // ordered on the spot. Rows crossed more often are sorted, a run of them at a time.
        std::vector<RowCrossings>& crossed = m_rowCrossings;
        if (crossed.size() < size_t(rows))
            crossed.resize(size_t(rows));
        for (int64_t r = 0; r < rows; ++r)
            crossed[size_t(r)].count = 0;
        for (const ScanEdge& e : edges) {
            RowCrossings* at = crossed.data() + (e.top - top);
            RowCrossings* const stop = at + (e.bottom - e.top + 1);
            const int64_t delta = e.delta;
            const int32_t up = e.winding > 0 ? 1 : 0;
            for (int64_t x = e.x; at != stop; ++at, x += delta) {
                const int32_t k = at->count;
                at->keys[k & 3] = int32_t(x >> 16) * 2 + up;
                at->count = k + 1;
            }
        }
        // Each run costs a pass over the edges: past a few, the rest are sorted in one.
        int runsLeft = 8;
        for (int64_t r = 0; r < rows; ++r) {
            RowCrossings& row = crossed[size_t(r)];
            const int y = int(top + r);
            if (row.count == 2) {
                // Once down and once up (every ring crosses a row as often down as up): what
                // lies between is inside by either rule.
                const int32_t a = row.keys[0] >> 1, b = row.keys[1] >> 1;
                if (a != b)
                    emit(y, std::min(a, b), std::max(a, b));
                continue;
            }
            if (row.count == 4) {
                int32_t* const keys = row.keys;
                for (int i = 1; i < 4; ++i)
                    for (int j = i; j > 0 && keys[j - 1] > keys[j]; --j)
                        std::swap(keys[j - 1], keys[j]);
                int winding = 0;
                int from = 0;
                for (int i = 0; i < 4; ++i) {
                    const int x = keys[i] >> 1;
                    if ((winding & mask) && x > from)
                        emit(y, from, x);
                    from = x;
                    winding += (keys[i] & 1) ? 1 : -1;
                }
                continue;
            }
            if (row.count == 0)
                continue;
            const auto simple = [](int count) { return count == 0 || count == 2 || count == 4; };
            if (--runsLeft == 0) {
                sortedRows(edges, top, r, rows - 1, mask, emit);
                return;
            }
            const int64_t first = r;
            while (r + 1 < rows && !simple(crossed[size_t(r + 1)].count))
                ++r;
            sortedRows(edges, top, first, r, mask, emit);
        }
        return;
    }
    std::sort(edges.begin(), edges.end(), [](const ScanEdge& l, const ScanEdge& r) { return l.top < r.top; });
    // The active edges, kept in the order of their crossings: after each row's step the order
    // changes only where edges cross, so an insertion pass restores it.
    std::vector<ScanEdge*>& active = m_active;
    active.clear();
    size_t next = 0;
    int y = edges.front().top;
    for (;;) {
        if (active.empty()) {
            if (next == edges.size())
                break;
            y = std::max(y, edges[next].top);
        }
        while (next < edges.size() && edges[next].top <= y) {
            ScanEdge* e = &edges[next++];
            auto at = active.end();
            while (at != active.begin() && (*(at - 1))->x > e->x)
                --at;
            active.insert(at, e);
        }
        int winding = 0;
        int from = 0;
        for (const ScanEdge* e : active) {
            const int x = int(e->x >> 16);
            if ((winding & mask) && x > from)
                emit(y, from, x);
            from = x;
            winding += e->winding;
        }
        size_t kept = 0;
        for (ScanEdge* e : active) {
            if (e->bottom <= y)
                continue;
            e->x += e->delta;
            ScanEdge** at = active.data() + kept++;
            *at = e;
            while (at != active.data() && (*(at - 1))->x > e->x) {
                *at = *(at - 1);
                *--at = e;
            }
        }
        active.resize(kept);
        ++y;
    }
}

bool RowPlotter::fillHatch(std::span<const QPointF> points, std::span<const int> ringSizes, FillRule rule,
                           const Hatch& hatch, RasterOp rop)
{
    m_edges.clear();
    if (!addRings(points, ringSizes))
        return false;
    const uint32_t on = argbOf(hatch.color);
    const std::optional<uint32_t> off =
        hatch.background ? std::optional(argbOf(*hatch.background)) : std::nullopt;
    const bool xorOp = rop == RasterOp::Xor;
    scanEdges(rule, [&](uint32_t* r, int y, int x0, int x1) {
        hatchSpan(r, x0, x1, y, hatch, on, off ? &*off : nullptr, xorOp);
    });
    return true;
}

bool RowPlotter::fillSolid(std::span<const QPointF> points, std::span<const int> ringSizes, FillRule rule,
                           DeviceColor color, RasterOp rop)
{
    m_edges.clear();
    if (!addRings(points, ringSizes))
        return false;
    fillScanned(rule, color, rop);
    return true;
}

namespace {

// Arcs of round joins and caps are cut into chords that stray from the circle by at most this.
constexpr double ArcTolerance = 1.0 / 16;

double Cross(QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); }

double Dot(QPointF a, QPointF b) { return a.x() * b.x() + a.y() * b.y(); }

// The turn between the points of a stroke's round joins and caps: chords of the circle of half
// the width that stray from it by at most the tolerance.
struct ArcStep {
    double radius = 0, cos = 1, sin = 0;
};

// The step for the radius; a map's strokes come in a few widths, each made once in a row.
const ArcStep& ArcStepFor(double radius)
{
    static thread_local ArcStep last;
    if (last.radius != radius) {
        const double angle = radius > ArcTolerance ? 2 * std::acos(1 - ArcTolerance / radius) : M_PI / 2;
        last = {radius, std::cos(angle), std::sin(angle)};
    }
    return last;
}

// The points of an arc about c from c + u to c + v (at most half a turn), leaving u towards the
// direction d, without its first and last point: on the circle, like the toolkit's own
// flattened arcs.
void AppendArc(QPointF c, QPointF u, QPointF v, QPointF d, const ArcStep& step, std::vector<QPointF>& out)
{
    const double way = Cross(u, d) >= 0 ? 1 : -1;
    const double sin = step.sin * way;
    QPointF w = u;
    for (int k = 0; k < 1024; ++k) {
        w = QPointF(w.x() * step.cos - w.y() * sin, w.x() * sin + w.y() * step.cos);
        // Past v: the rest of the turn to it goes the other way.
        if (Cross(w, v) * way <= 0)
            return;
        out.push_back(c + w);
    }
}

// The centre line of a stroke's figure without repeated points, and each segment's normal of
// half the width, made from its normalised direction; with the stroke's pen.
class StrokeCentre {
public:
    StrokeCentre(double halfWidth, PenJoin join, bool roundCaps) { reset(halfWidth, join, roundCaps); }

    // Another stroke, with the buffers kept.
    void reset(double halfWidth, PenJoin join, bool roundCaps)
    {
        m_half = halfWidth;
        m_arc = ArcStepFor(halfWidth);
        m_mitreLimit = halfWidth * MitreLimit;
        m_join = join;
        m_roundCaps = roundCaps;
    }

    // False when fewer than two points are left. Exact: the points lie at one fraction of a
    // pixel within the coordinate limit, where those that differ do so by whole pixels.
    // Without normals, normalOf makes each where it is needed.
    bool set(std::span<const QPointF> figure, QPointF shift, bool closeIt, bool exact = false, bool normals = true)
    {
        m_centre.clear();
        for (const QPointF& p : figure) {
            const QPointF q = p + shift;
            if (m_centre.empty()
                || (exact ? q.x() != m_centre.back().x() || q.y() != m_centre.back().y()
                          : !SamePoint(q, m_centre.back())))
                m_centre.push_back(q);
        }
        if (closeIt && m_centre.size() > 1 && !SamePoint(m_centre.back(), m_centre.front()))
            m_centre.push_back(m_centre.front());
        if (m_centre.size() < 2)
            return false;
        // Going backward a segment's normal is exactly the negated one: each is made once.
        m_normals.clear();
        if (normals)
            for (size_t i = 0; i + 1 < m_centre.size(); ++i)
                m_normals.push_back(normalOf(m_centre[i + 1] - m_centre[i]));
        m_closed = m_centre.size() > 2 && SamePoint(m_centre.back(), m_centre.front());
        return true;
    }

    // The normal of half the width of a segment going d.
    QPointF normalOf(QPointF d) const
    {
        const double scale = m_half / std::sqrt(d.x() * d.x() + d.y() * d.y());
        return QPointF(d.y() * scale, -d.x() * scale);
    }

protected:
    double m_half;
    ArcStep m_arc;
    double m_mitreLimit;
    PenJoin m_join;
    bool m_roundCaps;
    std::vector<QPointF> m_centre;
    std::vector<QPointF> m_normals;
    bool m_closed = false;
};

// Where the outer sides of two segments meet beyond a joint, unless further than the limit.
std::optional<QPointF> MitreTip(QPointF fromStart, QPointF fromEnd, QPointF toStart, QPointF toEnd,
                                QPointF joint, double limit)
{
    const QPointF a = fromEnd - fromStart;
    const QPointF b = toStart - toEnd;
    const QPointF c = fromStart - toStart;
    const double denominator = a.y() * b.x() - a.x() * b.y();
    if (denominator == 0 || !std::isfinite(denominator))
        return std::nullopt;
    const double along = (b.y() * c.x() - b.x() * c.y()) / denominator;
    const QPointF tip = fromStart + a * along;
    const QPointF reach = tip - joint;
    if (std::sqrt(reach.x() * reach.x() + reach.y() * reach.y()) > limit)
        return std::nullopt;
    return tip;
}

// The outline of a wide stroke, as the rings of one non-zero fill. Each segment is the
// quadrilateral of its two sides, each offset by half the width along the normal; at a joint
// the side on the outer bend is closed by the bevel edge (or runs through the mitre point or
// round the arc), while the inner side passes through the joint itself, which leaves exactly
// the union of the quadrilaterals and the join pieces. One side is traced forward, the other
// backward, so that every piece turns the same way; round caps go round the ends.
class StrokeOutline : StrokeCentre {
public:
    StrokeOutline(double halfWidth, PenJoin join, bool roundCaps, std::vector<QPointF>& points,
                  std::vector<int>& rings)
        : StrokeCentre(halfWidth, join, roundCaps), m_out(points), m_rings(rings)
    {
    }

    void add(std::span<const QPointF> figure, QPointF shift, bool closeIt)
    {
        if (!set(figure, shift, closeIt))
            return;
        const size_t first = m_out.size();
        side(false);
        if (m_closed) {
            m_rings.push_back(int(m_out.size() - first));
            const size_t second = m_out.size();
            side(true);
            m_rings.push_back(int(m_out.size() - second));
            return;
        }
        const size_t last = m_centre.size() - 1;
        if (m_roundCaps)
            AppendArc(m_centre[last], m_normals[last - 1], -m_normals[last - 1], m_centre[last] - m_centre[last - 1],
                      m_arc, m_out);
        side(true);
        if (m_roundCaps)
            AppendArc(m_centre[0], -m_normals[0], m_normals[0], m_centre[0] - m_centre[1], m_arc, m_out);
        m_rings.push_back(int(m_out.size() - first));
    }

private:
    struct Offset {
        QPointF start, end, normal, direction;  // the direction not normalised
    };

    void side(bool backward)
    {
        const size_t n = m_centre.size();
        const auto at = [&](size_t i) { return backward ? m_centre[n - 1 - i] : m_centre[i]; };
        Offset previous{};
        Offset firstOffset{};
        for (size_t i = 0; i + 1 < n; ++i) {
            const QPointF a = at(i), b = at(i + 1);
            const QPointF normal = backward ? -m_normals[n - 2 - i] : m_normals[i];
            const Offset o{a + normal, b + normal, normal, b - a};
            if (i == 0)
                firstOffset = o;
            else
                join(previous, o, at(i));
            m_out.push_back(o.start);
            m_out.push_back(o.end);
            previous = o;
        }
        if (m_closed) {
            // The ring closes back to the first offset point.
            join(previous, firstOffset, at(0));
        }
    }

    // From the previous side's end towards the next side's start.
    void join(const Offset& from, const Offset& to, QPointF joint)
    {
        if (from.end == to.start)
            return;
        // The next segment turning towards this side: the inner bend.
        if (Dot(to.direction, from.normal) > 0) {
            m_out.push_back(joint);
            return;
        }
        if (m_join == PenJoin::Round) {
            AppendArc(joint, from.end - joint, to.start - joint, from.direction, m_arc, m_out);
        } else if (m_join == PenJoin::Mitre) {
            if (const auto tip = MitreTip(from.start, from.end, to.start, to.end, joint, m_mitreLimit))
                m_out.push_back(*tip);
        }
    }

    std::vector<QPointF>& m_out;
    std::vector<int>& m_rings;
};

// The same stroke as pieces whose union it is: each segment's quadrilateral, at each joint the
// piece that fills the outer bend (bevel triangle, mitre quadrilateral or round fan), and half
// discs for round caps. Where two pieces meet they share the very same edge (a segment's end is
// cut at its joint), so that no pixel between them is left out. A segment takes the piece at its
// end into its own where the next segment covers the notch this leaves at the joint: filled from
// its leftmost to its rightmost crossing on each row, the piece stays within the stroke.
class StrokePieces : StrokeCentre {
public:
    using StrokeCentre::StrokeCentre;
    using StrokeCentre::reset;
    using StrokeCentre::normalOf;

    // A segment from a to b with its normal, and the next segment's direction and normal where
    // it has a joint at its end.
    struct Segment {
        QPointF a, b, n, dNext, nNext;
        bool jointAtStart = false, jointAtEnd = false;
    };
    // A round cap about c from c + u round to c - u, leaving u towards d.
    struct Cap {
        QPointF c, u, d;
    };

    // fill(ring) for each piece, unless drawn(*this, segment or cap) has drawn all of that
    // segment's or cap's pieces itself; false as soon as a fill is.
    template <class Fill, class Drawn>
    bool add(std::span<const QPointF> figure, QPointF shift, bool closeIt, bool exact, Fill&& fill, Drawn&& drawn)
    {
        // Most segments come from the shape cache, which needs no normals: each is made when
        // a piece is filled.
        if (!set(figure, shift, closeIt, exact, false))
            return true;
        const size_t segments = m_centre.size() - 1;
        for (size_t i = 0; i < segments; ++i) {
            Segment s{m_centre[i], m_centre[i + 1], {}, {}, {}, m_closed || i > 0, m_closed || i + 1 < segments};
            if (s.jointAtEnd) {
                const size_t next = (i + 1) % segments;
                s.dNext = m_centre[next + 1] - m_centre[next];
            }
            if (drawn(*this, s))
                continue;
            s.n = normalOf(s.b - s.a);
            if (s.jointAtEnd)
                s.nNext = normalOf(s.dNext);
            if (!segment(s, fill))
                return false;
        }
        if (m_closed || !m_roundCaps)
            return true;
        for (const bool atEnd : {false, true}) {
            const size_t i = atEnd ? segments - 1 : 0;
            const QPointF n = normalOf(m_centre[i + 1] - m_centre[i]);
            const Cap k{m_centre[atEnd ? segments : 0], atEnd ? n : -n,
                        atEnd ? m_centre[segments] - m_centre[segments - 1] : m_centre[0] - m_centre[1]};
            if (!drawn(*this, k) && !cap(k, fill))
                return false;
        }
        return true;
    }

    // The pieces of one segment: its own, with the outer bend at its end taken in or apart.
    template <class Fill>
    bool segment(const Segment& s, Fill&& fill)
    {
        // The outer bend's points from the end of this side to the start of the next.
        const double outer = s.jointAtEnd ? outerBend(s) : 0;
        const bool merged = mergesBend(s, outer);
        m_piece.clear();
        m_piece.push_back(s.a + s.n);
        if (merged && outer > 0)
            m_piece.insert(m_piece.end(), m_bend.begin(), m_bend.end());
        else
            m_piece.push_back(s.b + s.n);
        if (s.jointAtEnd)
            m_piece.push_back(s.b);
        if (merged && outer < 0)
            m_piece.insert(m_piece.end(), m_bend.rbegin(), m_bend.rend());
        else
            m_piece.push_back(s.b - s.n);
        m_piece.push_back(s.a - s.n);
        if (s.jointAtStart)
            m_piece.push_back(s.a);
        if (!fill(std::span<const QPointF>(m_piece)))
            return false;
        if (outer != 0 && !merged) {
            m_bend.push_back(s.b);
            if (!fill(std::span<const QPointF>(m_bend)))
                return false;
        }
        return true;
    }

    template <class Fill>
    bool cap(const Cap& k, Fill&& fill)
    {
        m_piece.clear();
        m_piece.push_back(k.c + k.u);
        AppendArc(k.c, k.u, -k.u, k.d, m_arc, m_piece);
        m_piece.push_back(k.c - k.u);
        return fill(std::span<const QPointF>(m_piece));
    }

    // Where a segment with a joint at its end meets the next: the side of its outer bend (1
    // along the normal, -1 against it, 0 for none) with the bend's points (from the segment's
    // side round to the next one's), and whether its piece takes the bend in.
    double bend(const Segment& s) { return outerBend(s); }
    const std::vector<QPointF>& bendPoints() const { return m_bend; }
    static bool mergesBend(const Segment& s, double outer)
    {
        return outer != 0 && Dot(s.n * -outer, s.dNext) <= Dot(s.dNext, s.dNext);
    }

    double half() const { return m_half; }
    PenJoin join() const { return m_join; }
    bool roundCaps() const { return m_roundCaps; }

private:
    // Where the segment meets the next, the points round the outer bend into m_bend, from the
    // segment's side to the next one's; the side they are on (1 along the normal, -1 against
    // it), 0 for none.
    double outerBend(const Segment& s)
    {
        const QPointF b = s.b;
        const QPointF d = b - s.a, dNext = s.dNext;
        // The outer side is the one the next segment turns away from.
        const double outer = Dot(dNext, s.n) > 0 ? -1 : 1;
        const QPointF u = s.n * outer, v = s.nNext * outer;
        if (u == v)
            return 0;
        m_bend.clear();
        m_bend.push_back(b + u);
        if (m_join == PenJoin::Round) {
            AppendArc(b, u, v, d, m_arc, m_bend);
        } else if (m_join == PenJoin::Mitre) {
            if (const auto tip = MitreTip(b - d + u, b + u, b + v, b + dNext + v, b, m_mitreLimit))
                m_bend.push_back(*tip);
        }
        m_bend.push_back(b + v);
        return outer;
    }

    std::vector<QPointF> m_piece;
    std::vector<QPointF> m_bend;
};

} // namespace

namespace {

// A sink for ScanEdges that keeps the first and the last column its edges cross on each of
// `rows` rows from `top` on: ends[2 r] and ends[2 r + 1] for row top + r (INT32_MAX and
// INT32_MIN on a row without any).
class RowEnds {
public:
    RowEnds(int32_t* ends, int top, size_t rows) : m_ends(ends), m_top(top)
    {
        for (size_t r = 0; r < 2 * rows; r += 2) {
            ends[r] = INT32_MAX;
            ends[r + 1] = INT32_MIN;
        }
    }
    void operator()(const ScanEdge& e) const
    {
        int64_t x = e.x;
        int32_t* at = m_ends + 2 * (e.top - m_top);
        for (int y = e.top; y <= e.bottom; ++y, x += e.delta, at += 2) {
            const auto c = int32_t(x >> 16);
            at[0] = std::min(at[0], c);
            at[1] = std::max(at[1], c);
        }
    }

private:
    int32_t* m_ends;
    int m_top;
};

// The first and the last column that the edges of a convex ring of 26.6 points, point(i) for
// i < n, cross on each row from top to bottom within the box: ends[2 r] and ends[2 r + 1] for
// row top + r (INT32_MAX and INT32_MIN on a row without any). False beyond the exact range.
template <class Point>
bool ConvexRowEnds(size_t n, Point point, const QRect& box, int top, int bottom, std::vector<int32_t>& ends)
{
    ends.resize(size_t(2 * (bottom - top + 1)));
    ScanEdges scan(box, RowEnds(ends.data(), top, size_t(bottom - top + 1)));
    auto [px, py] = point(n - 1);
    for (size_t i = 0; i < n; ++i) {
        const auto [qx, qy] = point(i);
        if (!scan.add(px, py, qx, qy))
            return false;
        px = qx;
        py = qy;
    }
    return true;
}

// 26.6 of v, unless v * 64 lies so near a half that v moved by whole pixels (and rounded to a
// double again, within 2^-39 below 2^14) might round the other way.
bool SteadyFixed26(double v, int64_t& out)
{
    const double t = v * 64;
    if (!(std::abs(v) < 1024) || std::abs(t - std::floor(t) - 0.5) < 1e-8)
        return false;
    out = fixed26(v);
    return true;
}

// 26.6 of v where v * 64 lies exactly on a half, rounded up (as fixed26 rounds a positive one).
bool HalfFixed26(double v, int64_t& out)
{
    const double t = v * 64;
    if (!(std::abs(v) < 1024) || t - std::floor(t) != 0.5)
        return false;
    out = int64_t(std::floor(t)) + 1;
    return true;
}

// The points in 26.6 (xs, ys), with their bounds added to the box, and the rows from top to
// bottom whose centres their span holds; false where one is not exact (see SteadyFixed26).
// With halves, one exactly on a half of a 26.6 step is taken, rounded up (metHalf then set).
bool FixedPoints(std::span<const QPointF> points, int64_t* xs, int64_t* ys, int64_t box[4], bool halves,
                 bool& metHalf, int& top, int& bottom)
{
    const auto fixed = [&](double v, int64_t& out) {
        if (SteadyFixed26(v, out))
            return true;
        if (!halves || !HalfFixed26(v, out))
            return false;
        metHalf = true;
        return true;
    };
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    for (size_t i = 0; i < points.size(); ++i) {
        if (!fixed(points[i].x(), xs[i]) || !fixed(points[i].y(), ys[i]))
            return false;
        box[0] = std::min(box[0], xs[i]);
        box[1] = std::max(box[1], xs[i]);
        minY = std::min(minY, ys[i]);
        maxY = std::max(maxY, ys[i]);
    }
    box[2] = std::min(box[2], minY);
    box[3] = std::max(box[3], maxY);
    top = int((minY + 32) >> 6);
    bottom = int((maxY - 32) >> 6);
    return true;
}

void FillRun(uint32_t color, uint32_t* row, int x0, int x1) { std::fill(row + x0, row + x1, color); }

#if defined(__x86_64__)
// A long run in stores of eight pixels, where the processor has them.
[[gnu::target("avx2")]] [[gnu::noinline]] void FillEights(uint32_t* r, int n, uint32_t color)
{
    const __m256i eight = _mm256_set1_epi32(int(color));
    for (int k = 0; k < n - 8; k += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + k), eight);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + n - 8), eight);
}

const bool HasEights = __builtin_cpu_supports("avx2");
#endif

// One colour into runs of pixels, most of them a few pixels long (a thin stroke's): stores that
// may overlap instead of a step per pixel.
class RunFill {
public:
    explicit RunFill(uint32_t color) : m_color(color)
    {
#if defined(__SSE2__)
        m_four = _mm_set1_epi32(int(color));
#endif
    }

    // The n > 0 pixels from r on.
    [[gnu::always_inline]] void operator()(uint32_t* r, int n) const
    {
        if (n <= 3) {
            r[0] = m_color;
            r[n >> 1] = m_color;
            r[n - 1] = m_color;
            return;
        }
#if defined(__x86_64__)
        if (n >= 32 && HasEights) {
            FillEights(r, n, m_color);
            return;
        }
#endif
#if defined(__SSE2__)
        for (int k = 0; k < n - 4; k += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(r + k), m_four);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + n - 4), m_four);
#else
        std::fill(r, r + n, m_color);
#endif
    }

private:
    uint32_t m_color;
#if defined(__SSE2__)
    __m128i m_four;
#endif
};

} // namespace

void RowPlotter::fillScanned(FillRule rule, DeviceColor color, RasterOp rop)
{
    const uint32_t c = argbOf(color);
    if (rop == RasterOp::Xor) {
        const uint32_t flip = c & 0x00FFFFFFu;
        scanEdges(rule, [flip](uint32_t* r, int, int x0, int x1) {
            for (int x = x0; x < x1; ++x)
                r[x] ^= flip;
        });
        return;
    }
    const RunFill fill(c);
    scanEdges(rule, [&fill](uint32_t* r, int, int x0, int x1) __attribute__((always_inline)) { fill(r + x0, x1 - x0); });
}

bool RowPlotter::fillConvex(std::span<const QPointF> ring, uint32_t color)
{
    QPointF low(CoordLimit, CoordLimit), high(-CoordLimit, -CoordLimit);
    for (const QPointF& p : ring) {
        if (!(std::abs(p.x()) <= CoordLimit && std::abs(p.y()) <= CoordLimit))
            return false;
        low = QPointF(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
        high = QPointF(std::max(high.x(), p.x()), std::max(high.y(), p.y()));
    }
    // Most pieces of a long line lie beyond the clip.
    if (high.x() < m_clipBounds.left() || low.x() > m_clipBounds.right() + 1 || high.y() < m_clipBounds.top()
        || low.y() > m_clipBounds.bottom() + 1)
        return true;
    // A convex ring crosses each row twice: the pixels between the crossings are inside.
    const int top = std::max(m_clipBounds.top(), int((fixed26(low.y()) + 32) >> 6));
    const int bottom = std::min(m_clipBounds.bottom(), int((fixed26(high.y()) - 32) >> 6));
    if (top > bottom)
        return true;
    std::vector<int32_t>& ends = m_rowStarts;
    const auto point = [ring](size_t i) { return std::pair(fixed26(ring[i].x()), fixed26(ring[i].y())); };
    if (!ConvexRowEnds(ring.size(), point, m_clipBounds, top, bottom, ends))
        return false;
    for (int y = top; y <= bottom; ++y) {
        const int32_t* at = ends.data() + 2 * (y - top);
        if (at[0] < at[1])
            clipped(y, at[0], at[1], [color](uint32_t* r, int, int x0, int x1) { FillRun(color, r, x0, x1); });
    }
    return true;
}

RowPlotter::ConvexRuns RowPlotter::scanConvex(std::span<const QPointF> ring)
{
    ConvexRuns shape;
    const size_t n = ring.size();
    if (n < 3 || n > 1024)
        return shape;
    // Convex: every corner turns the same way, once round (edges of no length passed over).
    std::vector<QPointF>& edges = m_convexEdges;
    edges.clear();
    for (size_t i = 0; i < n; ++i)
        if (const QPointF d = ring[(i + 1) % n] - ring[i]; d.x() != 0 || d.y() != 0)
            edges.push_back(d);
    double turn = 0, angle = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        const QPointF u = edges[i], v = edges[(i + 1) % edges.size()];
        const double cross = Cross(u, v);
        if (cross == 0 && Dot(u, v) < 0)
            return shape;  // turning back
        if (turn * cross < 0)
            return shape;
        if (cross != 0)
            turn = cross;
        angle += std::atan2(cross, Dot(u, v));
    }
    if (std::abs(std::abs(angle) - 2 * M_PI) > 1e-6)
        return shape;
    std::vector<int64_t> xs(n), ys(n);
    int64_t box[4] = {INT64_MAX, INT64_MIN, INT64_MAX, INT64_MIN};
    for (size_t i = 0; i < n; ++i) {
        if (!SteadyFixed26(ring[i].x(), xs[i]) || !SteadyFixed26(ring[i].y(), ys[i]))
            return shape;
        box[0] = std::min(box[0], xs[i]);
        box[1] = std::max(box[1], xs[i]);
        box[2] = std::min(box[2], ys[i]);
        box[3] = std::max(box[3], ys[i]);
    }
    const int top = int((box[2] + 32) >> 6), bottom = int((box[3] - 32) >> 6);
    // Within these the clip box cuts nothing, with a pixel to spare on either side.
    shape.box[0] = int(box[0] >> 6) - 1;
    shape.box[1] = int(box[1] >> 6) + 1;
    shape.box[2] = top;
    shape.box[3] = bottom;
    shape.usable = true;
    if (top > bottom)
        return shape;
    const auto point = [&](size_t i) { return std::pair(xs[i], ys[i]); };
    const QRect whole(shape.box[0] - 1, top - 1, shape.box[1] - shape.box[0] + 3, bottom - top + 3);
    if (!ConvexRowEnds(n, point, whole, top, bottom, m_rowStarts)) {
        shape.usable = false;
        return shape;
    }
    for (int y = top; y <= bottom; ++y) {
        const int32_t* at = m_rowStarts.data() + 2 * (y - top);
        if (at[0] < at[1])
            shape.runs.insert(shape.runs.end(), {int16_t(y), int16_t(at[0]), int16_t(at[1])});
    }
    return shape;
}

bool RowPlotter::fillRuns(const ConvexRuns& shape, QPoint by, DeviceColor color, RasterOp rop)
{
    if (!shape.usable || !m_shapeCache || !m_plainClip || rop != RasterOp::Copy)
        return false;
    const int x = by.x(), y = by.y();
    if (x + shape.box[0] < m_clipBounds.left() || x + shape.box[1] > m_clipBounds.right()
        || y + shape.box[2] < m_clipBounds.top() || y + shape.box[3] > m_clipBounds.bottom())
        return false;
    const uint32_t c = argbOf(color);
    for (size_t k = 0; k + 2 < shape.runs.size(); k += 3) {
        uint32_t* r = row(y + shape.runs[k]) + x;
        std::fill(r + shape.runs[k + 1], r + shape.runs[k + 2], c);
    }
    return true;
}

RowPlotter::ShapeCache& RowPlotter::SharedShapes()
{
    static thread_local ShapeCache cache;
    return cache;
}

int RowPlotter::strokeClass(const StrokeClass& c)
{
    if (m_cache->lastClass < m_cache->classes.size() && m_cache->classes[m_cache->lastClass] == c)
        return int(m_cache->lastClass);
    const auto known = std::find(m_cache->classes.begin(), m_cache->classes.end(), c);
    if (known != m_cache->classes.end()) {
        m_cache->lastClass = size_t(known - m_cache->classes.begin());
        return int(m_cache->lastClass);
    }
    if (m_cache->classes.size() == MaxStrokeClasses) {
        // The shapes go with the classes they were made for.
        m_cache->classes.clear();
        m_cache->odds.fill({});
        clearShapes();
        clearSides();
    }
    m_cache->classes.push_back(c);
    m_cache->lastClass = m_cache->classes.size() - 1;
    return int(m_cache->lastClass);
}

void RowPlotter::clearSides()
{
    for (std::vector<uint32_t>& slots : m_cache->sideSlots)
        slots.clear();
    m_cache->sideRuns.clear();
}

uint32_t* RowPlotter::sideSlots(int strokeClass)
{
    // Bounded: past this many bytes every class starts again.
    constexpr size_t MaxSideBytes = size_t(16) << 20;
    if (m_cache->sideRuns.size() > MaxSideBytes)
        clearSides();
    std::vector<uint32_t>& slots = m_cache->sideSlots[size_t(strokeClass)];
    if (slots.empty())
        slots.assign(size_t(4 * SideSpan * SideSpan), NoSideYet);
    return slots.data();
}

void RowPlotter::clearShapes()
{
    std::fill(m_cache->shapes.begin(), m_cache->shapes.end(), StrokeShape{});
    m_cache->count = 0;
    m_cache->runs.clear();
    for (std::vector<StrokeShape>& slots : m_cache->endSlots)
        std::fill(slots.begin(), slots.end(), StrokeShape{0, 0, NotYet});
}

RowPlotter::StrokeShape* RowPlotter::endSlots(int strokeClass)
{
    // Bounded: past this many runs every shape is made again.
    constexpr size_t MaxRunValues = size_t(8) << 20;
    if (m_cache->runs.size() > MaxRunValues)
        clearShapes();
    std::vector<StrokeShape>& slots = m_cache->endSlots[size_t(strokeClass)];
    if (slots.empty())
        slots.assign(size_t(3 * SideSpan * SideSpan), StrokeShape{0, 0, NotYet});
    return slots.data();
}

template <class Scan>
const RowPlotter::StrokeShape& RowPlotter::strokeShape(uint64_t key, Scan&& scan, StrokeShape* end)
{
    if (end) {
        // Its own slot counts its sightings.
        if (end->runCount != NotYet)
            return *end;
        if (++end->runsAt < ScanAtSighting)
            return *end;
        return scanShape(*end, key, scan);
    }
    constexpr size_t mask = (size_t(1) << ShapeSlotBits) - 1;
    if (m_cache->shapes.empty())
        m_cache->shapes.resize(mask + 1);
    const size_t home = size_t((key * 0x9E3779B97F4A7C15ull) >> (64 - ShapeSlotBits));
    size_t slot = home;
    for (; m_cache->shapes[slot].key != 0; slot = (slot + 1) & mask)
        if (m_cache->shapes[slot].key == key)
            return m_cache->shapes[slot];
    if (m_cache->sightings.empty())
        m_cache->sightings.resize(size_t(1) << SightingBits);
    constexpr uint64_t keyBits = (uint64_t(1) << 56) - 1;
    uint64_t& sighting = m_cache->sightings[size_t((key * 0xC2B2AE3D27D4EB4Full) >> (64 - SightingBits))];
    const uint64_t seen = (sighting & keyBits) == key ? (sighting >> 56) + 1 : 1;
    if (seen < ScanAtSighting) {
        sighting = key | seen << 56;
        static const StrokeShape notYet{0, 0, NotYet}, metBefore{0, 1, NotYet};
        return seen > 1 ? metBefore : notYet;
    }
    sighting = 0;
    if (m_cache->count == MaxStrokeShapes) {
        // Full: start again rather than walk long chains.
        clearShapes();
        slot = home;
    }
    ++m_cache->count;
    return scanShape(m_cache->shapes[slot], key, scan);
}

template <class Scan>
const RowPlotter::StrokeShape& RowPlotter::scanShape(StrokeShape& s, uint64_t key, Scan&& scan)
{
    s.key = key;
    s.runsAt = uint32_t(m_cache->runs.size());
    m_cache->runs.resize(m_cache->runs.size() + 4);
    if (scan(s.runsAt)) {
        s.runCount = uint32_t((m_cache->runs.size() - s.runsAt - 4) / 3);
    } else {
        m_cache->runs.resize(s.runsAt);
        s.runCount = UnusableShape;
    }
    return s;
}

bool RowPlotter::addShapeRuns(std::span<const QPointF> ring, int64_t box[4], bool halves, bool& metHalf)
{
    constexpr size_t MaxPoints = 64;
    int64_t xs[MaxPoints], ys[MaxPoints];
    const size_t n = ring.size();
    int top = 0, bottom = 0;
    if (n == 0 || n > MaxPoints || !FixedPoints(ring, xs, ys, box, halves, metHalf, top, bottom))
        return false;
    if (top > bottom)
        return true;
    const auto point = [&](size_t i) { return std::pair(xs[i], ys[i]); };
    // A box that cuts nothing of a ring within ShapeReach of pixel (0, 0).
    const QRect whole(-4 * ShapeReach, -4 * ShapeReach, 8 * ShapeReach, 8 * ShapeReach);
    if (!ConvexRowEnds(n, point, whole, top, bottom, m_rowStarts))
        return false;
    for (int y = top; y <= bottom; ++y) {
        const int32_t* at = m_rowStarts.data() + 2 * (y - top);
        if (at[0] < at[1])
            m_cache->runs.insert(m_cache->runs.end(), {int16_t(y), int16_t(at[0]), int16_t(at[1])});
    }
    return true;
}

template <class Pieces, class Piece>
const RowPlotter::StrokeShape& RowPlotter::pieceShape(uint64_t key, Pieces& pieces, const Piece& piece, QPointF from,
                                                      QPointF d, QPointF dNext, StrokeShape* end)
{
    return strokeShape(key, [&](uint32_t boxAt) {
        Piece there = piece;
        if constexpr (std::is_same_v<Piece, typename Pieces::Cap>) {
            there.c = from;
        } else {
            there.a = from;
            there.b = from + d;
            there.dNext = dNext;
            // The normals follow from the directions alone, made as for the stroke.
            there.n = pieces.normalOf(d);
            if (there.jointAtEnd)
                there.nNext = pieces.normalOf(dNext);
        }
        const auto make = [&](const auto& add) {
            if constexpr (std::is_same_v<Piece, typename Pieces::Cap>)
                pieces.cap(there, add);
            else
                pieces.segment(there, add);
        };
        // Every corner is the sum of a point on the pixel grid and an offset that follows from
        // the directions alone, rounded once. Scanned where all of them lie right of and below
        // pixel (1, 1), a start of few binary places moved there exactly, a corner exactly on
        // a half of a 26.6 step stays on it wherever the piece is put further right and down
        // (the sums there are no finer), and rounds up there as here: such corners are taken
        // for pieces the clip keeps beyond that.
        const auto fewPlaces = [](double v) {
            const double t = v * 1073741824.0;
            return std::abs(v) < 1024 && t == std::floor(t);
        };
        const bool halves = fewPlaces(from.x()) && fewPlaces(from.y());
        QPoint moved;
        if (halves) {
            QPointF low(CoordLimit, CoordLimit);
            make([&](std::span<const QPointF> ring) {
                for (const QPointF& p : ring)
                    low = QPointF(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
                return true;
            });
            if (!(std::abs(low.x()) < 4 * ShapeReach && std::abs(low.y()) < 4 * ShapeReach))
                return false;
            moved = QPoint(1 - int(std::floor(low.x())), 1 - int(std::floor(low.y())));
            if constexpr (std::is_same_v<Piece, typename Pieces::Cap>) {
                there.c += QPointF(moved);
            } else {
                there.a += QPointF(moved);
                there.b += QPointF(moved);
            }
        }
        int64_t box[4] = {INT64_MAX, INT64_MIN, INT64_MAX, INT64_MIN};
        bool exact = true, metHalf = false;
        make([&](std::span<const QPointF> ring) {
            exact = exact && addShapeRuns(ring, box, halves, metHalf);
            return true;
        });
        if (!exact || box[0] > box[1])
            return false;
        for (size_t k = boxAt + 4; k + 2 < m_cache->runs.size(); k += 3) {
            m_cache->runs[k] = int16_t(m_cache->runs[k] - moved.y());
            m_cache->runs[k + 1] = int16_t(m_cache->runs[k + 1] - moved.x());
            m_cache->runs[k + 2] = int16_t(m_cache->runs[k + 2] - moved.x());
        }
        // Within these the clip box cuts nothing, with a pixel to spare on either side; with
        // a corner on a half, the piece lies no further left or up than where it was scanned.
        int16_t* within = m_cache->runs.data() + boxAt;
        within[0] = int16_t((box[0] >> 6) - 1 - moved.x());
        within[1] = int16_t((box[1] >> 6) + 1 - moved.x());
        within[2] = int16_t(((box[2] + 32) >> 6) - moved.y());
        within[3] = int16_t(((box[3] - 32) >> 6) - moved.y());
        if (metHalf) {
            within[0] = int16_t(std::min<int>(within[0], -moved.x()));
            within[2] = int16_t(std::min<int>(within[2], -moved.y()));
        }
        return true;
    }, end);
}

bool RowPlotter::addSideRows(std::span<const QPointF> edges, int64_t box[4], bool halves, bool& metHalf,
                             std::vector<int32_t>& rows, int& rowTop)
{
    constexpr size_t MaxPoints = 16;
    int64_t xs[MaxPoints], ys[MaxPoints];
    const size_t n = edges.size();
    int top = 0, bottom = 0;
    if (n == 0 || n > MaxPoints || n % 2 != 0 || !FixedPoints(edges, xs, ys, box, halves, metHalf, top, bottom))
        return false;
    rowTop = top;
    rows.clear();
    if (top > bottom)
        return true;
    rows.resize(size_t(2 * (bottom - top + 1)));
    const QRect whole(-4 * ShapeReach, -4 * ShapeReach, 8 * ShapeReach, 8 * ShapeReach);
    ScanEdges scan(whole, RowEnds(rows.data(), top, size_t(bottom - top + 1)));
    for (size_t i = 0; i < n; i += 2)
        if (!scan.add(xs[i], ys[i], xs[i + 1], ys[i + 1]))
            return false;
    return true;
}

template <class Pieces>
uint32_t RowPlotter::sideShape(uint32_t& slot, Pieces& pieces, QPointF from, QPoint d, bool jointAtStart,
                               bool outerAlong)
{
    slot = UnusableShape;
    const QPointF n = pieces.normalOf(QPointF(d));
    // The segment's own edges as its piece has them (see StrokePieces::segment): its two
    // sides, its start (through the start when it has a joint there), and at its end the
    // half from the joint to the side away from the bend.
    std::array<QPointF, 10> edges;
    const auto make = [&](QPointF a) {
        const QPointF b = a + QPointF(d);
        const QPointF aLeft = a + n, bLeft = b + n, bRight = b - n, aRight = a - n;
        size_t k = 0;
        const auto edge = [&](QPointF p, QPointF q) {
            edges[k++] = p;
            edges[k++] = q;
        };
        edge(aLeft, bLeft);
        if (outerAlong)
            edge(b, bRight);
        else
            edge(bLeft, b);
        edge(bRight, aRight);
        if (jointAtStart) {
            edge(aRight, a);
            edge(a, aLeft);
        } else {
            edge(aRight, aLeft);
        }
        return std::span<const QPointF>(edges.data(), k);
    };
    // Scanned right of and below pixel (1, 1), as pieceShape scans a piece.
    const auto fewPlaces = [](double v) {
        const double t = v * 1073741824.0;
        return std::abs(v) < 1024 && t == std::floor(t);
    };
    const bool halves = fewPlaces(from.x()) && fewPlaces(from.y());
    QPoint moved;
    if (halves) {
        QPointF low(CoordLimit, CoordLimit);
        for (const QPointF& p : make(from))
            low = QPointF(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
        if (!(std::abs(low.x()) < 4 * ShapeReach && std::abs(low.y()) < 4 * ShapeReach))
            return slot;
        moved = QPoint(1 - int(std::floor(low.x())), 1 - int(std::floor(low.y())));
    }
    int64_t box[4] = {INT64_MAX, INT64_MIN, INT64_MAX, INT64_MIN};
    bool metHalf = false;
    std::vector<int32_t>& ends = m_rowStarts;
    int rowTop = 0;
    if (!addSideRows(make(from + QPointF(moved)), box, halves, metHalf, ends, rowTop) || box[0] > box[1])
        return slot;
    // Within these the clip box cuts nothing, with a pixel to spare on either side; with a
    // corner on a half, the side lies no further left or up than where it was scanned.
    int within[4] = {int((box[0] >> 6) - 1 - moved.x()), int((box[1] >> 6) + 1 - moved.x()),
                     int(((box[2] + 32) >> 6) - moved.y()), int(((box[3] - 32) >> 6) - moved.y())};
    if (metHalf) {
        within[0] = std::min(within[0], -moved.x());
        within[2] = std::min(within[2], -moved.y());
    }
    // Kept in bytes: the box, the first row and the number of rows, then each row's first
    // column and the column after (the first beyond the second on a row no edge crosses).
    const size_t rows = ends.size() / 2;
    const auto fits = [](int v) { return v >= INT8_MIN && v <= INT8_MAX; };
    if (rows > UINT8_MAX || !fits(rowTop - moved.y()))
        return slot;
    std::vector<int8_t>& kept = m_cache->sideRuns;
    const size_t at = kept.size();
    kept.resize(at + 6 + 2 * rows);
    int8_t* out = kept.data() + at;
    for (int v : within) {
        if (!fits(v))
            return kept.resize(at), slot;
        *out++ = int8_t(v);
    }
    *out++ = int8_t(rowTop - moved.y());
    *out++ = int8_t(uint8_t(rows));
    for (size_t r = 0; r < rows; ++r) {
        int x0 = ends[2 * r], x1 = ends[2 * r + 1];
        if (x0 > x1) {
            x0 = 1;
            x1 = 0;
        } else {
            x0 -= moved.x();
            x1 -= moved.x();
        }
        if (!fits(x0) || !fits(x1))
            return kept.resize(at), slot;
        *out++ = int8_t(x0);
        *out++ = int8_t(x1);
    }
    slot = uint32_t(at);
    return slot;
}

bool RowPlotter::putShape(const StrokeShape& shape, QPoint at, uint32_t color)
{
    if (shape.runCount >= NotYet)
        return false;
    const int x = at.x(), y = at.y();
    const int16_t* run = m_cache->runs.data() + shape.runsAt;
    if (x + run[0] < m_clipBounds.left() || x + run[1] > m_clipBounds.right() || y + run[2] < m_clipBounds.top()
        || y + run[3] > m_clipBounds.bottom())
        return false;
    run += 4;
    const int16_t* const end = run + 3 * size_t(shape.runCount);
    if (m_plainClip) {
        // Within the clip's one rectangle: straight into the rows.
        const RunFill fill(color);
        for (; run != end; run += 3)
            fill(row(y + run[0]) + x + run[1], run[2] - run[1]);
        return true;
    }
    for (; run != end; run += 3)
        clipped(y + run[0], x + run[1], x + run[2],
                [color](uint32_t* r, int, int x0, int x1) { FillRun(color, r, x0, x1); });
    return true;
}

template <class Pieces, class Fill>
int RowPlotter::strokeWholeFigure(const StrokeFigure& figure, QPoint shiftPixel, const StrokeClass& shiftClass,
                                  uint32_t color, Pieces& pieces, Fill&& fill)
{
    // The centre line without repeated points, each point by its pixel: a point on a whole
    // pixel, moved by the shift, lies exactly at the shift's fraction of that pixel.
    const QPointF fraction(shiftClass.fx, shiftClass.fy);
    const QPointF shift = fraction + QPointF(shiftPixel);
    std::vector<QPoint>& centre = m_strokePoints;
    if (centre.size() <= figure.points.size())
        centre.resize(figure.points.size() + 1);
    QPoint* const at = centre.data();
    size_t count = 0;
    for (const QPointF& p : figure.points) {
        if (!(std::abs(p.x() + shift.x()) < CoordLimit && std::abs(p.y() + shift.y()) < CoordLimit))
            return -1;
        const int x = int(p.x()), y = int(p.y());
        if (double(x) != p.x() || double(y) != p.y())
            return -1;
        const QPoint q(x + shiftPixel.x(), y + shiftPixel.y());
        if (count == 0 || q != at[count - 1])
            at[count++] = q;
    }
    if (figure.closed && count > 1 && at[count - 1] != at[0])
        at[count++] = at[0];
    if (count < 2)
        return 1;
    const uint64_t classKey = uint64_t(strokeClass(shiftClass) + 1);
    // Kept in locals until the figure is done: the rows' stores might alias them.
    ShapeCache::Odds& classOdds = m_cache->odds[classKey - 1];
    uint32_t tries = classOdds.tries, hits = classOdds.hits;
    bool recurring = 2 * hits >= tries || tries < 64;
    const size_t segments = count - 1;
    const bool closed = segments > 1 && at[0] == at[segments];

    // Kept in locals: the rows' stores might alias the members.
    const int left = m_clipBounds.left(), right = m_clipBounds.right(), top = m_clipBounds.top(),
              bottom = m_clipBounds.bottom();
    unsigned char* const bits = m_bits;
    const qsizetype stride = m_stride;
    const bool plainClip = m_plainClip;
    constexpr size_t slotMask = (size_t(1) << ShapeSlotBits) - 1;
    const StrokeShape* const slots = m_cache->shapes.data();
    const RunFill runFill(color);
    const auto within = [](QPoint d) {
        return unsigned(d.x() + ShapeReach) <= 2 * ShapeReach && unsigned(d.y() + ShapeReach) <= 2 * ShapeReach;
    };
    const auto exact = [&](QPoint p) { return QPointF(p.x() + fraction.x(), p.y() + fraction.y()); };
    // A shape not met before: scanned from its piece once met often enough.
    const auto made = [&](uint64_t key, int kind, QPoint d, QPoint dNext, StrokeShape* end)
                          __attribute__((noinline)) -> const StrokeShape& {
        if (kind == 4)
            return pieceShape(key, pieces, typename Pieces::Cap{{}, pieces.normalOf(d), d}, fraction, d, dNext, end);
        typename Pieces::Segment s;
        s.jointAtStart = kind & 1;
        s.jointAtEnd = kind & 2;
        return pieceShape(key, pieces, s, fraction, d, dNext, end);
    };
    // The shapes of caps and last segments by their direction alone.
    StrokeShape* const ends = endSlots(int(classKey - 1));
    // The shape of the piece (kind: joints at its start and end, or 4 for a cap) put down at
    // p: Put, else Known where its key has been met before, New where not; unless put, its
    // pieces must be filled where they lie.
    enum Outcome { New, Known, Put };
    const auto put = [&](int kind, QPoint p, QPoint d, QPoint dNext) __attribute__((always_inline)) -> Outcome {
        const uint64_t key = classKey | uint64_t(kind) << 16 | uint64_t(uint8_t(d.x())) << 24
            | uint64_t(uint8_t(d.y())) << 32 | uint64_t(uint8_t(dNext.x())) << 40 | uint64_t(uint8_t(dNext.y())) << 48;
        const StrokeShape* shape;
        if (!(kind & 2)) {
            StrokeShape* end = ends + EndSlot(d, kind);
            shape = end->runCount != NotYet ? end : &made(key, kind, d, dNext, end);
        } else {
            shape = slots + ((key * 0x9E3779B97F4A7C15ull) >> (64 - ShapeSlotBits));
            while (shape->key != key) {
                if (shape->key == 0) [[unlikely]]
                    break;
                shape = slots + ((size_t(shape - slots) + 1) & slotMask);
            }
            if (shape->key == 0) [[unlikely]]
                shape = &made(key, kind, d, dNext, nullptr);
        }
        if (shape->runCount == NotYet)
            return shape->runsAt ? Known : New;
        if (shape->runCount == UnusableShape)
            return Known;
        const int16_t* run = m_cache->runs.data() + shape->runsAt;
        const int x = p.x(), y = p.y();
        if (x + run[0] < left || x + run[1] > right || y + run[2] < top || y + run[3] > bottom)
            return Known;
        const int16_t* const end = run + 4 + 3 * size_t(shape->runCount);
        run += 4;
        if (plainClip) {
            unsigned char* const corner = bits + y * stride + 4 * qsizetype(x);
            for (; run != end; run += 3)
                runFill(reinterpret_cast<uint32_t*>(corner + run[0] * stride) + run[1], run[2] - run[1]);
            return Put;
        }
        for (; run != end; run += 3)
            clipped(y + run[0], x + run[1], x + run[2],
                    [color](uint32_t* r, int, int x0, int x1) { FillRun(color, r, x0, x1); });
        return Put;
    };

    // The shapes of the class's segments' sides (see sideShape) by direction; one not met
    // before is made.
    uint32_t* const sides = sideSlots(int(classKey - 1));
    const auto sided = [&](uint32_t& slot, QPoint d, bool jointAtStart, bool outerAlong)
                           __attribute__((noinline)) {
        return sideShape(slot, pieces, fraction, d, jointAtStart, outerAlong);
    };
    // The segment s starting in pixel p, with the bend at its end taken into its piece: the
    // row ends of its side's shape and of the bend's edges scanned where they lie, filled
    // between; false, with nothing drawn, where its piece must be filled where it lies.
    const auto joined = [&](const typename Pieces::Segment& s, QPoint p, QPoint d) {
        const double outer = pieces.bend(s);
        if (!Pieces::mergesBend(s, outer))
            return false;
        uint32_t& slot = sides[SideSlot(d, s.jointAtStart, outer > 0)];
        const uint32_t side = slot != NoSideYet ? slot : sided(slot, d, s.jointAtStart, outer > 0);
        if (side == UnusableShape)
            return false;
        const int8_t* run = m_cache->sideRuns.data() + side;
        const int x = p.x(), y = p.y();
        if (x + run[0] < left || x + run[1] > right || y + run[2] < top || y + run[3] > bottom)
            return false;
        // The bend's corners and the joint, a pixel or more within the clip: the scan cuts
        // none of their edges, as it cuts none of the piece's where it fills the piece whole.
        const std::vector<QPointF>& bend = pieces.bendPoints();
        constexpr size_t MaxBend = 64;
        const size_t m = bend.size() + 1;
        if (m > MaxBend)
            return false;
        int64_t xs[MaxBend], ys[MaxBend];
        int64_t lowY = INT64_MAX, highY = INT64_MIN;
        for (size_t k = 0; k < m; ++k) {
            const QPointF q = k + 1 < m ? bend[k] : s.b;
            if (!(q.x() >= left + 1 && q.x() <= right && q.y() >= top + 1 && q.y() <= bottom))
                return false;
            xs[k] = fixed26(q.x());
            ys[k] = fixed26(q.y());
            lowY = std::min(lowY, ys[k]);
            highY = std::max(highY, ys[k]);
        }
        // Only the rows the bend reaches need both: the others are filled from the side's
        // runs as they come.
        const int bendTop = int((lowY + 32) >> 6), bendBottom = int((highY - 32) >> 6);
        constexpr int MaxRows = 4 * ShapeReach;
        if (bendBottom - bendTop >= MaxRows)
            return false;
        const unsigned bendRows = bendBottom >= bendTop ? unsigned(bendBottom - bendTop + 1) : 0;
        int32_t ends[2 * MaxRows];
        ScanEdges scan(m_clipBounds, RowEnds(ends, bendTop, bendRows));
        for (size_t k = 0; k + 1 < m; ++k)
            if (!scan.add(xs[k], ys[k], xs[k + 1], ys[k + 1]))
                return false;
        const auto fillRow = [&](int rowY, int x0, int x1) __attribute__((always_inline)) {
            if (plainClip)
                runFill(reinterpret_cast<uint32_t*>(bits + rowY * stride) + x0, x1 - x0);
            else
                clipped(rowY, x0, x1, [color](uint32_t* row, int, int from, int to) { FillRun(color, row, from, to); });
        };
        const int firstRow = y + run[4];
        const int8_t* const end = run + 6 + 2 * size_t(uint8_t(run[5]));
        run += 6;
        for (int rowY = firstRow; run != end; run += 2, ++rowY) {
            const int x0 = x + run[0], x1 = x + run[1];
            if (unsigned(rowY - bendTop) < bendRows) {
                if (x0 > x1)
                    continue;
                int32_t* at = ends + 2 * (rowY - bendTop);
                at[0] = std::min(at[0], x0);
                at[1] = std::max(at[1], x1);
            } else if (x0 < x1) {
                fillRow(rowY, x0, x1);
            }
        }
        for (unsigned r = 0; r < bendRows; ++r)
            if (ends[2 * r] < ends[2 * r + 1])
                fillRow(bendTop + int(r), ends[2 * r], ends[2 * r + 1]);
        return true;
    };

    QPoint d = at[1] - at[0];
    for (size_t i = 0; i < segments; ++i) {
        const bool last = i + 1 == segments;
        const bool jointAtStart = closed || i > 0, jointAtEnd = closed || !last;
        QPoint dNext;
        if (jointAtEnd)
            dNext = last ? at[1] - at[0] : at[i + 2] - at[i + 1];
        const bool kept = within(d) && within(dNext);
        const int kind = int(jointAtStart) | int(jointAtEnd) << 1;
        // Where pieces seldom recur, those of one in 16 shapes are still looked up, each time
        // they come: the odds stay known, and the shapes that recur are still kept.
        const auto sampled = [&] {
            const uint64_t shape = uint64_t(uint32_t(d.x() << 24 | (d.y() & 0xFF) << 16 | (dNext.x() & 0xFF) << 8
                                                     | (dNext.y() & 0xFF)));
            return (shape * 0xD6E8FEB86659FD93ull) >> 60 == 0;
        };
        const bool lookFirst = kept && (!jointAtEnd || recurring || sampled());
        bool drawn = false;
        if (lookFirst) {
            const Outcome outcome = put(kind, at[i], d, dNext);
            drawn = outcome == Put;
            if (jointAtEnd) {
                hits += outcome != New;
                if (++tries == 4096) {
                    tries /= 2;
                    hits /= 2;
                }
                recurring = 2 * hits >= tries || tries < 64;
            }
        }
        if (!drawn) {
            typename Pieces::Segment s;
            s.a = exact(at[i]);
            s.b = exact(at[i + 1]);
            s.n = pieces.normalOf(d);
            s.dNext = dNext;
            if (jointAtEnd)
                s.nNext = pieces.normalOf(dNext);
            s.jointAtStart = jointAtStart;
            s.jointAtEnd = jointAtEnd;
            if (!(kept && jointAtEnd && joined(s, at[i], d)) && !pieces.segment(s, fill)) {
                classOdds = {tries, hits};
                return 0;
            }
        }
        d = dNext;
    }
    classOdds = {tries, hits};
    if (closed || !pieces.roundCaps())
        return 1;
    for (const bool atEnd : {false, true}) {
        const QPoint c = at[atEnd ? segments : 0];
        const QPoint out = atEnd ? c - at[segments - 1] : c - at[1];
        if (within(out) && put(4, c, out, QPoint()) == Put)
            continue;
        // Either cap turns from the normal of its way out.
        if (!pieces.cap(typename Pieces::Cap{exact(c), pieces.normalOf(out), out}, fill))
            return 0;
    }
    return 1;
}

bool RowPlotter::strokeWide(std::span<const StrokeFigure> figures, QPointF shift, double width, PenJoin join,
                            bool roundCaps, DeviceColor color, RasterOp rop)
{
    if (!(width > 1 && width < CoordLimit))
        return false;
    // Painting a pixel twice does no harm to a copy: each piece goes straight into the rows,
    // unless most segments are shorter than the width, where the pieces overlap so much that
    // one pass over the outline paints fewer pixels.
    size_t segments = 0, longSegments = 0;
    if (rop == RasterOp::Copy)
        for (const StrokeFigure& f : figures)
            for (size_t i = 1; i < f.points.size(); ++i) {
                const QPointF d = f.points[i] - f.points[i - 1];
                ++segments;
                longSegments += Dot(d, d) >= width * width;
            }
    if (rop == RasterOp::Copy && 2 * longSegments >= segments) {
        // Most strokes are short: their buffers stay for the next.
        static thread_local StrokePieces pieces(1, join, roundCaps);
        pieces.reset(width / 2, join, roundCaps);
        const uint32_t c = argbOf(color);
        const auto fill = [&](std::span<const QPointF> ring) { return fillConvex(ring, c); };
        // A mitre's tip is found from where its segments lie, not from their directions alone.
        const bool shaped = m_shapeCache && join != PenJoin::Mitre && width <= ShapeReach;
        // A segment or cap from the shape cache where it starts, runs and turns on whole pixels
        // from where its shape was scanned, and the clip cuts nothing of it.
        const auto floorOf = [](double v) {
            const int k = int(v);
            return double(k) > v ? k - 1 : k;
        };
        // A figure whose points all lie at one fraction of a pixel (a map's, on whole pixels)
        // has one class, and its segments' directions are whole and exact.
        int figureClass = -1;
        QPointF figureFrom;
        const auto uniformClass = [&](std::span<const QPointF> points) {
            double fx = 0, fy = 0;
            for (size_t i = 0; i < points.size(); ++i) {
                const QPointF q = points[i] + shift;
                if (!(std::abs(q.x()) < CoordLimit && std::abs(q.y()) < CoordLimit))
                    return -1;
                const double gx = q.x() - floorOf(q.x()), gy = q.y() - floorOf(q.y());
                if (i == 0) {
                    fx = gx;
                    fy = gy;
                } else if (gx != fx || gy != fy) {
                    return -1;
                }
            }
            figureFrom = QPointF(fx, fy);
            return strokeClass({width / 2, fx, fy, int(join)});
        };
        const auto byte = [](double v) { return uint64_t(uint8_t(int8_t(v))); };
        const auto drawn = [&](StrokePieces& p, const auto& piece) {
            using Piece = std::decay_t<decltype(piece)>;
            constexpr bool isCap = std::is_same_v<Piece, StrokePieces::Cap>;
            if (!shaped)
                return false;
            int kind = 4;
            QPointF start, d, dNext;
            if constexpr (isCap) {
                start = piece.c;
                d = piece.d;
            } else {
                start = piece.a;
                d = piece.b - piece.a;
                dNext = piece.dNext;
                kind = int(piece.jointAtStart) | int(piece.jointAtEnd) << 1;
            }
            int x, y, cls;
            QPointF from;
            if (figureClass >= 0) {
                // Whole directions, exact: only their reach to check.
                if (!(std::abs(d.x()) <= ShapeReach && std::abs(d.y()) <= ShapeReach
                      && std::abs(dNext.x()) <= ShapeReach && std::abs(dNext.y()) <= ShapeReach))
                    return false;
                from = figureFrom;
                x = int(start.x() - from.x());
                y = int(start.y() - from.y());
                cls = figureClass;
            } else {
                // Moved by d the start must land on the end exactly.
                if constexpr (!isCap)
                    if (start.x() + d.x() != piece.b.x() || start.y() + d.y() != piece.b.y())
                        return false;
                // Within the reach first: then the conversions are exact.
                const auto whole = [](QPointF v) {
                    return std::abs(v.x()) <= ShapeReach && std::abs(v.y()) <= ShapeReach
                        && double(int(v.x())) == v.x() && double(int(v.y())) == v.y();
                };
                if (!whole(d) || !whole(dNext) || !(std::abs(start.x()) < CoordLimit && std::abs(start.y()) < CoordLimit))
                    return false;
                x = floorOf(start.x());
                y = floorOf(start.y());
                from = QPointF(start.x() - x, start.y() - y);
                const StrokeClass want{p.half(), from.x(), from.y(), int(p.join())};
                cls = m_cache->lastClass < m_cache->classes.size() && m_cache->classes[m_cache->lastClass] == want
                    ? int(m_cache->lastClass)
                    : strokeClass(want);
            }
            const uint64_t key = uint64_t(cls + 1) | uint64_t(kind) << 16 | byte(d.x()) << 24 | byte(d.y()) << 32
                | byte(dNext.x()) << 40 | byte(dNext.y()) << 48;
            return putShape(pieceShape(key, p, piece, from, d, dNext), QPoint(x, y), c);
        };
        // A shift of few binary places (the device's pixel centre) puts every point on a whole
        // pixel at the shift's fraction of a pixel, exactly.
        const auto fewPlaces = [](double v) {
            const double t = v * 1024;
            return std::abs(v) < 1024 && t == std::floor(t);
        };
        const bool wholeSteps = shaped && fewPlaces(shift.x()) && fewPlaces(shift.y());
        const QPoint shiftPixel(floorOf(shift.x()), floorOf(shift.y()));
        const StrokeClass shiftClass{width / 2, shift.x() - shiftPixel.x(), shift.y() - shiftPixel.y(), int(join)};
        if (wholeSteps && m_cache->shapes.empty())
            m_cache->shapes.resize(size_t(1) << ShapeSlotBits);
        for (const StrokeFigure& f : figures) {
            if (wholeSteps) {
                if (const int whole = strokeWholeFigure(f, shiftPixel, shiftClass, c, pieces, fill); whole >= 0) {
                    if (whole == 0)
                        return false;
                    continue;
                }
            }
            figureClass = shaped ? uniformClass(f.points) : -1;
            if (!pieces.add(f.points, shift, f.closed, figureClass >= 0, fill, drawn))
                return false;
        }
        return true;
    }
    static thread_local std::vector<QPointF> outline;
    static thread_local std::vector<int> rings;
    outline.clear();
    rings.clear();
    StrokeOutline stroke(width / 2, join, roundCaps, outline, rings);
    for (const StrokeFigure& f : figures)
        stroke.add(f.points, shift, f.closed);
    m_edges.clear();
    if (!addRings(outline, rings))
        return false;
    fillScanned(FillRule::Winding, color, rop);
    return true;
}

} // namespace zemo
