// RowPlotter: 1-pixel lines and hatch fills written straight into the rows of a 32-bit image,
// with the pixels the raster paint engine gives for the same calls, at a fraction of its cost
// per pixel. The QPainter device uses it where its target allows; it falls back otherwise.
#pragma once

#include "platform/Device.h"

#include <QPointF>
#include <QRect>
#include <QRegion>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <utility>
#include <vector>

class QImage;

namespace zemo {

// Nearest whole pixel (halves to even), kept where 64-bit line arithmetic cannot overflow.
inline int64_t LinePixelOf(double v)
{
    constexpr double limit = 1e9;
    if (!(v > -limit))
        return -static_cast<int64_t>(limit);
    if (!(v < limit))
        return static_cast<int64_t>(limit);
    // Adding and taking away 2^52 rounds like nearbyint in the default mode, without a call.
    constexpr double shift = 4503599627370496.0;
    return static_cast<int64_t>(v >= 0 ? (v + shift) - shift : (v - shift) + shift);
}

// The pixels of a 1-pixel line from pixel (x0, y0) to pixel (x1, y1) without the end pixel, as
// LineTo plots them in any direction: step i of n lights the pixel whose minor coordinate is
// the nearest to the exact line, halves rounding up. Calls plot(x, y, i) for the pixels inside
// bounds, in order; far-away parts cost nothing. Returns n, the line's length in pixels.
template <class Plot>
int64_t StepLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const QRect& bounds, Plot&& plot)
{
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t n = std::max(std::abs(dx), std::abs(dy));
    if (n == 0 || bounds.isEmpty())
        return n;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int64_t start = xMajor ? x0 : y0;
    const int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int64_t lowEdge = xMajor ? bounds.left() : bounds.top();
    const int64_t highEdge = xMajor ? bounds.right() : bounds.bottom();
    const int64_t minorLow = xMajor ? bounds.top() : bounds.left();
    const int64_t minorHigh = xMajor ? bounds.bottom() : bounds.right();
    // Steps i for which the major coordinate start + i * step lies within the edges.
    const int64_t from = std::max<int64_t>(step > 0 ? lowEdge - start : start - highEdge, 0);
    const int64_t to = std::min<int64_t>(step > 0 ? highEdge - start : start - lowEdge, n - 1);
    if (from > to)
        return n;
    const int64_t minorDelta = xMajor ? dy : dx;
    const int64_t minorStart = xMajor ? y0 : x0;
    // minor(i) = minorStart + floor((2 i minorDelta + n) / 2n), kept as quotient and remainder;
    // a line starting inside needs no division.
    const int64_t den = 2 * n;
    int64_t q = 0;
    int64_t r = n;
    if (from > 0) {
        const int64_t num = 2 * from * minorDelta + n;
        q = num / den;
        r = num % den;
        if (r < 0) {
            r += den;
            --q;
        }
    }
    int64_t minor = minorStart + q;
    int64_t major = start + from * step;
    for (int64_t i = from; i <= to; ++i) {
        if (minor >= minorLow && minor <= minorHigh) {
            if (xMajor)
                plot(int(major), int(minor), i);
            else
                plot(int(minor), int(major), i);
        }
        major += step;
        r += 2 * minorDelta;
        if (r >= den) {
            r -= den;
            ++minor;
        } else if (r < 0) {
            r += den;
            --minor;
        }
    }
    return n;
}

template <class Plot>
int64_t StepLine(QPointF a, QPointF b, const QRect& bounds, Plot&& plot)
{
    return StepLine(LinePixelOf(a.x()), LinePixelOf(a.y()), LinePixelOf(b.x()), LinePixelOf(b.y()), bounds,
                    std::forward<Plot>(plot));
}

// Dotted 1-pixel lines: 3 pixels on, 3 off, running on along a figure.
inline constexpr int DotRun = 3;
inline bool DotIsOn(int64_t phase, int64_t i) { return (phase + i) % (2 * DotRun) < DotRun; }

// Which pixels of a line a plot writes: all, or the on or the off pixels of a dotted line.
enum class LinePixels { All, DotsOn, DotsOff };

// An edge of the scan converter (see RowPlotter.cpp): crossing at the row's centre in 16.16.
struct ScanEdge {
    int64_t x;      // 16.16, at row top
    int64_t delta;  // per row
    int top;
    int bottom;
    int winding;
};

// The edges of a scan, kept between calls: clearing keeps the storage, so that adding an edge
// is a store, not a call.
class ScanEdgeList {
public:
    void clear() { m_count = 0; }
    bool empty() const { return m_count == 0; }
    size_t size() const { return m_count; }
    [[gnu::always_inline]] void push_back(const ScanEdge& e)
    {
        if (m_count == m_store.size()) [[unlikely]]
            grow();
        m_store[m_count++] = e;
    }
    ScanEdge* begin() { return m_store.data(); }
    ScanEdge* end() { return m_store.data() + m_count; }
    const ScanEdge* begin() const { return m_store.data(); }
    const ScanEdge* end() const { return m_store.data() + m_count; }
    ScanEdge& front() { return m_store.front(); }
    ScanEdge& operator[](size_t i) { return m_store[i]; }

private:
    [[gnu::noinline]] void grow() { m_store.resize(std::max<size_t>(64, 2 * m_store.size())); }
    std::vector<ScanEdge> m_store;
    size_t m_count = 0;
};

class RowPlotter {
public:
    // Whether the image's rows can be written directly (a 32-bit format, no scaling).
    static bool Accepts(const QImage& image);

    // Unusable until attached.
    RowPlotter() = default;
    // Takes the rows of the image as they are now (those a painter that began on it draws into).
    explicit RowPlotter(QImage& image);

    bool attached() const { return m_bits != nullptr; }
    // XOR as the raster engine does it needs an opaque format.
    bool canXor() const { return m_xorFormat; }
    // Whether the pieces of thin strokes come from the shape cache (on at first); off, each is
    // scanned anew, the pixels the same.
    void setShapeCache(bool on) { m_shapeCache = on; }
    // Whether rows crossed two or four times are filled from the crossings kept with the row
    // (on at first); off, every row's crossings are bucketed and sorted, the pixels the same.
    void setRowEnds(bool on) { m_rowEndsOn = on; }

    // The clip: the whole image, or the part of it within the region.
    void setClip(const std::optional<QRegion>& region);
    // Narrows the clip to the pixels the rings fill by the rule; false, with the clip left as
    // the region's, beyond the exact range.
    bool setClipPath(std::span<const QPointF> points, std::span<const int> ringSizes, FillRule rule);

    // Connected 1-pixel lines through the points, each without its end pixel; dots run on
    // from line to line.
    void polyline(std::span<const QPointF> points, LinePixels which, DeviceColor color, RasterOp rop);

    struct Hatch {
        HatchStyle style = HatchStyle::Horizontal;
        QPoint origin;
        DeviceColor color;
        std::optional<DeviceColor> background;  // opaque gaps
    };
    // Fills the closed rings with the hatch, pixel centres inside by the fill rule. False, with
    // nothing drawn, for coordinates beyond what the raster engine rasterises exactly alike.
    bool fillHatch(std::span<const QPointF> points, std::span<const int> ringSizes, FillRule rule,
                   const Hatch& hatch, RasterOp rop);
    // The same, filled with one colour.
    bool fillSolid(std::span<const QPointF> points, std::span<const int> ringSizes, FillRule rule,
                   DeviceColor color, RasterOp rop);

    // A convex ring's fill scanned once, to be put down again moved by whole pixels: the box it
    // may light and its runs, relative to where it was scanned.
    struct ConvexRuns {
        bool usable = false;        // moving it is exact
        int box[4] = {};            // left, right, top, bottom
        std::vector<int16_t> runs;  // row, first column, column after
    };
    // The runs the ring fills by either rule, scanned where it lies; unusable where it is not
    // convex or lies so far out that moving it would not be exact.
    ConvexRuns scanConvex(std::span<const QPointF> ring);
    // The runs moved by `by`, in the colour: for a copy within the clip's one rectangle, else
    // false with nothing drawn (and so while the shape cache is off).
    bool fillRuns(const ConvexRuns& shape, QPoint by, DeviceColor color, RasterOp rop);

    // A figure of a stroke; a closed one is joined where it ends and starts, and so is any
    // figure whose last point is its first.
    struct StrokeFigure {
        std::span<const QPointF> points;
        bool closed = false;
    };
    // Strokes wider than one pixel with flat or round caps, each figure moved by shift: the
    // pixels whose centres lie inside the outline, each once under XOR. False for coordinates
    // beyond the exact range (a copy may have drawn part of the stroke by then).
    bool strokeWide(std::span<const StrokeFigure> figures, QPointF shift, double width, PenJoin join,
                    bool roundCaps, DeviceColor color, RasterOp rop);

private:
    // The rings' edges into m_edges; false beyond the exact range.
    bool addRings(std::span<const QPointF> points, std::span<const int> ringSizes);
    // One pass down the rows of m_edges: span(row, y, x0, x1) for each run inside by the rule,
    // within the clip.
    template <class Span>
    void scanEdges(FillRule rule, Span&& span);
    // span(row, y, x0, x1) for the parts of the run [from, to) of row y within the clip.
    // Rows first to last, relative to top, from their sorted crossings: emit(y, x0, x1) for each
    // run inside by the rule.
    template <class Emit>
    void sortedRows(const ScanEdgeList& edges, int top, int64_t first, int64_t last, int mask, Emit&& emit);
    template <class Span>
    void clipped(int y, int from, int to, Span&& span);
    // A convex ring filled as the scan pass would fill it alone; false beyond the exact range.
    bool fillConvex(std::span<const QPointF> ring, uint32_t color);
    void fillScanned(FillRule rule, DeviceColor color, RasterOp rop);

    uint32_t* row(int y) const { return reinterpret_cast<uint32_t*>(m_bits + y * m_stride); }
    // The runs of row y within a clip path, as pairs of the first column and the one after.
    std::span<const int32_t> maskRuns(int y) const;

    unsigned char* m_bits = nullptr;
    qsizetype m_stride = 0;
    QRect m_rect;
    bool m_xorFormat = false;
    std::vector<QRect> m_clip;   // disjoint, within the image
    QRect m_clipBounds;
    // A clip path: the runs inside it, and where each row's runs start, from row m_maskTop.
    bool m_masked = false;
    // One rectangle, the clip bounds, without a clip path: a run needs no more than them.
    bool m_plainClip = false;
    int m_maskTop = 0;
    std::vector<int32_t> m_maskRows;
    std::vector<int32_t> m_maskRuns;
    // Scratch of the scan pass, kept between calls.
    ScanEdgeList m_edges;
    std::vector<int64_t> m_fixedPoints;  // the points of addRings in 26.6
    std::vector<ScanEdge*> m_active;
    // A row's number of crossings and the first four: column and, in the lowest bit, whether
    // the crossing winds up.
    struct RowCrossings {
        int32_t count;
        int32_t keys[4];
    };
    std::vector<RowCrossings> m_rowCrossings;
    bool m_rowEndsOn = true;
    std::vector<int32_t> m_windings;
    std::vector<int32_t> m_rowStarts;
    std::vector<int32_t> m_fill;
    std::vector<int64_t> m_crossings;
    std::vector<QPointF> m_convexEdges;
    // The pieces of a map's thin strokes come in a few shapes, again and again, at whole-pixel
    // offsets: a segment's pieces (or a cap's) follow from its direction, the next segment's,
    // the width and join, and where in its pixel it starts. Each such shape is scanned once and
    // its runs moved to where it recurs (see RowPlotter.cpp).
    struct StrokeClass {  // what the shapes of a stroke's segments share
        double half = 0, fx = 0, fy = 0;
        int join = 0;
        friend bool operator==(const StrokeClass&, const StrokeClass&) = default;
    };
    struct StrokeShape {
        uint64_t key = 0;       // the class and the directions (see strokeWide); 0 a free slot
        uint32_t runsAt = 0;    // in the cache's runs: the box the clip must hold (left, right, top,
                                // bottom, relative to the start's pixel), then each run's row,
                                // first column and column after
        uint32_t runCount = 0;  // UnusableShape: its pieces are scanned where they lie; NotYet:
                                // not met often enough to be scanned (runsAt 1 where met before)
    };
    static constexpr uint32_t UnusableShape = UINT32_MAX, NotYet = UINT32_MAX - 1;
    // A shape is scanned once its key has been met this often; before, its pieces are filled
    // where they lie. Most pieces of lines that wander in long steps never recur, and filling
    // one costs less than scanning its shape.
    static constexpr uint64_t ScanAtSighting = 4;
    static constexpr int SightingBits = 16;
    static constexpr int ShapeSlotBits = 16;
    static constexpr size_t MaxStrokeShapes = size_t(1) << (ShapeSlotBits - 1), MaxStrokeClasses = 64;
    static constexpr int ShapeReach = 32;  // the longest segment and widest stroke kept
    // The number of the class, new or known.
    int strokeClass(const StrokeClass& c);
    // The shape of the key, in the shared table or in its own slot `end`; when new and met
    // often enough, scan() adds its box and runs, or says false where moving them would not
    // be exact.
    template <class Scan>
    const StrokeShape& strokeShape(uint64_t key, Scan&& scan, StrokeShape* end = nullptr);
    template <class Scan>
    const StrokeShape& scanShape(StrokeShape& shape, uint64_t key, Scan&& scan);
    void clearShapes();
    void clearSides();
    // The shape of the key; when new, scanned from the stroke's piece moved to start at `from`.
    template <class Pieces, class Piece>
    const StrokeShape& pieceShape(uint64_t key, Pieces& pieces, const Piece& piece, QPointF from, QPointF d,
                                  QPointF dNext, StrokeShape* end = nullptr);
    // The shape's runs put down with its start's pixel at `at`; false, with nothing drawn, where
    // its pieces must be filled where they lie.
    bool putShape(const StrokeShape& shape, QPoint at, uint32_t color);
    // A figure whose points all lie on whole pixels, moved by shiftPixel and the class's
    // fraction, through the shape cache in one pass: -1, with nothing drawn, for another
    // figure, else whether all its pieces were drawn.
    template <class Pieces, class Fill>
    int strokeWholeFigure(const StrokeFigure& figure, QPoint shiftPixel, const StrokeClass& shiftClass, uint32_t color,
                          Pieces& pieces, Fill&& fill);
    // The ring's runs added to the shape being made, scanned with its start in pixel (0, 0), and
    // its 26.6 bounds to the box; false where moving them would not be exact. With halves,
    // corners exactly on a half of a 26.6 step are taken, rounded up (metHalf then set).
    bool addShapeRuns(std::span<const QPointF> ring, int64_t box[4], bool halves, bool& metHalf);
    // A segment's piece that takes the bend at its end in is filled on each row from its
    // leftmost to its rightmost crossing, and so is the union of the row ends of any split of
    // its edges: those that follow from the segment's own direction, the side of the bend and
    // whether it has a joint at its start make a shape of few kinds, which keeps the ends of
    // every row they cross; those of the bend, which turn with the next segment too, are
    // scanned where they lie. Such shapes are few and each met often: a new one is scanned at
    // once, from the segment moved to start at `from`, into the slot (and returned): where it
    // starts in the cache's side runs, or UnusableShape.
    template <class Pieces>
    uint32_t sideShape(uint32_t& slot, Pieces& pieces, QPointF from, QPoint d, bool jointAtStart, bool outerAlong);
    // The ends of every row the edges (pairs of points) cross, from rowTop on, as addShapeRuns
    // scans a ring's, with their bounds added to the box.
    bool addSideRows(std::span<const QPointF> edges, int64_t box[4], bool halves, bool& metHalf,
                     std::vector<int32_t>& rows, int& rowTop);
    // The side shapes' slots of the class, by SideSlot, NoSideYet where none is made yet.
    static constexpr uint32_t NoSideYet = UINT32_MAX - 2;
    static constexpr int SideSpan = 2 * ShapeReach + 1;
    static size_t SideSlot(QPoint d, bool jointAtStart, bool outerAlong)
    {
        return size_t(((int(jointAtStart) << 1 | int(outerAlong)) * SideSpan + d.x() + ShapeReach) * SideSpan + d.y()
                      + ShapeReach);
    }
    uint32_t* sideSlots(int strokeClass);
    // The slots of the class's caps (kind 4) and segments without a joint at their end (kinds
    // 0 and 1), by EndSlot: their shapes follow from their direction alone, and come again
    // and again. Each counts its sightings in runsAt until its shape is made.
    static size_t EndSlot(QPoint d, int kind)
    {
        return size_t(((kind & 4 ? 2 : kind) * SideSpan + d.x() + ShapeReach) * SideSpan + d.y() + ShapeReach);
    }
    StrokeShape* endSlots(int strokeClass);
    bool m_shapeCache = true;
    // The shapes follow from their keys alone, whatever image they are put into: kept from
    // paint to paint, where the same map's strokes come back.
    struct ShapeCache {
        std::vector<StrokeClass> classes;
        size_t lastClass = 0;
        std::vector<StrokeShape> shapes;  // open addressing by key
        size_t count = 0;
        std::vector<int16_t> runs;
        // How often keys without a shape have been met: the key with the count in its top
        // byte, one a slot, a key met anew taking the slot of another.
        std::vector<uint64_t> sightings;
        // Per class, how often a segment's whole piece was looked up and found: where it is
        // seldom found (lines that wander in long steps), the lookup's misses cost more than
        // they save, and the piece is made from its side's shape and its bend at once.
        struct Odds {
            uint32_t tries = 0, hits = 0;
        };
        std::array<Odds, MaxStrokeClasses> odds{};
        // The side shapes (see sideShape): each class's slots, and their bytes.
        std::array<std::vector<uint32_t>, MaxStrokeClasses> sideSlots;
        std::array<std::vector<StrokeShape>, MaxStrokeClasses> endSlots;
        std::vector<int8_t> sideRuns;
    };
    static ShapeCache& SharedShapes();
    ShapeCache* m_cache = &SharedShapes();
    std::vector<QPoint> m_strokePoints;  // a figure's centre line on whole pixels
};

} // namespace zemo
