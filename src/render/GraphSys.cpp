#include "render/GraphSys.h"

#include "core/Config.h"
#include "core/Element.h"
#include "core/FileClass.h"
#include "core/LangTexts.h"
#include "core/CodePage.h"
#include "core/Numeric.h"
#include "platform/Device.h"
#include "render/AreaSplt.h"
#include "render/Bezier.h"
#include "render/Scale.h"
#include "symbols/store/IconCodec.h"
#include "symbols/store/SymbolStore.h"

#include "core/Folders.h"
#include "document/Index.h"

#include <QIODevice>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zemo {

GraphSysState Graph;

void FileOutputSink::Write(QByteArrayView bytes) { m_file.Write(bytes); }

void IODeviceOutputSink::Write(QByteArrayView bytes)
{
    if (m_device.write(bytes.data(), bytes.size()) != bytes.size())
        m_failed = true;
}

namespace {

constexpr uint32_t BlackCmyk = 200u << 24;

bool IsDeviceMode() { return Graph.OutputMode >= ScreenOutput && Graph.OutputMode <= PictureOutput; }
bool IsTextMode() { return Graph.OutputMode >= PostScriptOutput && Graph.OutputMode <= SvgOutput; }
Device* Dc() { return IsDeviceMode() ? Graph.OutputDC : nullptr; }

// Each of C, M, Y and K times pct / 100, rounded.
uint32_t ScaleCmyk(uint32_t cmyk, int pct)
{
    uint32_t out = 0;
    for (int s = 0; s < 32; s += 8) {
        const double v = std::nearbyint(double((cmyk >> s) & 0xFF) * pct / 100.0);
        out |= uint32_t(std::clamp(v, 0.0, 255.0)) << s;
    }
    return out;
}

// nearbyint in the default mode, to the bit (sign of zero included), without a library call:
// adding and taking away 2^52 leaves the nearest whole number, halves to even.
double Round(double v)
{
    constexpr double shift = 4503599627370496.0;
    if (!(std::abs(v) < shift))
        return std::nearbyint(v);
#if defined(__SSE2__)
    // The processor's conversion rounds by the current mode, as nearbyint does: one step.
    return std::copysign(double(_mm_cvtsd_si64(_mm_set_sd(v))), v);
#else
    return std::copysign(v >= 0 ? (v + shift) - shift : (v - shift) + shift, v);
#endif
}

// Device ClipRect, normalised.
QRectF DeviceClipBox()
{
    const QPointF a = CordToDeviceF({Graph.ClipRect.x1, Graph.ClipRect.y1});
    const QPointF b = CordToDeviceF({Graph.ClipRect.x2, Graph.ClipRect.y2});
    return QRectF(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                  QPointF(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

// Liang-Barsky: cuts a-b to r; false when nothing is left.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF a0 = a;
    if (t0 > 0)
        a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
    if (t1 < 1)
        b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
    return true;
}

// One side of the cut below: the points of the ring on the kept side of e, and where its edges
// cross e.
template <int Side>
void ClipRingSide(const std::vector<QPointF>& cur, std::vector<QPointF>& next, double e)
{
    const auto inside = [e](QPointF p) {
        if constexpr (Side == 0)
            return p.x() >= e;
        else if constexpr (Side == 1)
            return p.x() <= e;
        else if constexpr (Side == 2)
            return p.y() >= e;
        else
            return p.y() <= e;
    };
    const auto cross = [e](QPointF a, QPointF b) {
        const double t = Side < 2 ? (e - a.x()) / (b.x() - a.x()) : (e - a.y()) / (b.y() - a.y());
        return QPointF(a.x() + t * (b.x() - a.x()), a.y() + t * (b.y() - a.y()));
    };
    next.clear();
    const size_t n = cur.size();
    bool ia = inside(cur[0]);
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = cur[i], b = cur[i + 1 < n ? i + 1 : 0];
        const bool ib = inside(b);
        if (ia)
            next.push_back(a);
        if (ia != ib)
            next.push_back(cross(a, b));
        ia = ib;
    }
}

// Sutherland-Hodgman against a rectangle, in place. The ring's inside (odd-even) within the
// rectangle is kept exactly; the cut edges run along the rectangle's sides. The points made
// there stay unrounded, on the edges they cut.
void ClipRing(std::vector<QPointF>& ring, const QRectF& r)
{
    static std::vector<QPointF> next;
    const auto side = [&](auto cut, double e) {
        if (ring.empty())
            return;
        cut(ring, next, e);
        ring.swap(next);
    };
    side(ClipRingSide<0>, r.left());
    side(ClipRingSide<1>, r.right());
    side(ClipRingSide<2>, r.top());
    side(ClipRingSide<3>, r.bottom());
}

// The margin round the visible box within which geometry is kept: wide enough for a pen of
// width dw with mitred joins.
QRectF WidenedBox(const QRectF& clip, double dw)
{
    const double m = dw * (MitreLimit / 2 + 1) + 2;
    return clip.adjusted(-m, -m, m, m);
}

QRectF WidenedBox(double dw) { return WidenedBox(DeviceClipBox(), dw); }

DeviceBrush CachedBrush()
{
    DeviceBrush brush;
    if (!Graph.BrushOn)
        return brush;
    uint32_t cmyk = Graph.BrushCmyk;
    if (Graph.OutputIntensity < 100)
        cmyk = ScaleCmyk(cmyk, Graph.OutputIntensity);
    brush.style = BrushStyle::Solid;
    brush.color = ColorToDevice(cmyk);
    return brush;
}

void SetDevicePen(int width, int style, bool on)
{
    Device* dc = Dc();
    if (!dc)
        return;
    if (Graph.OutputCmyk == Graph.PenCmyk && width == Graph.PenWidth && style == Graph.PenStyle
        && on == Graph.PenOn)
        return;
    Graph.PenStyle = style;
    if (on) {
        DevicePen pen;
        pen.color = ColorToDevice(Graph.OutputCmyk);
        pen.width = width;
        if (Graph.OutputMode == PictureOutput) {
            pen.join = PenJoin::Round;
            pen.cap = PenCap::Round;
        } else {
            pen.insideFrame = true;
            pen.join = style == 1 ? PenJoin::Round : style == 4 ? PenJoin::Mitre : PenJoin::Bevel;
            pen.cap = style == 1 ? PenCap::Round : PenCap::Flat;
        }
        dc->setPen(pen);
    } else {
        dc->setPen(NullPen);
    }
    Graph.PenOn = on;
    Graph.PenCmyk = Graph.OutputCmyk;
    Graph.PenWidth = width;
}

void SetDeviceBrush(bool on)
{
    Device* dc = Dc();
    if (!dc)
        return;
    if (Graph.OutputCmyk == Graph.BrushCmyk && on == Graph.BrushOn)
        return;
    Graph.BrushOn = on;
    Graph.BrushCmyk = Graph.OutputCmyk;
    dc->setBrush(CachedBrush());
}

bool HasHoles(const Cord* p, int n)
{
    for (int i = 1; i < n; ++i)
        if (p[i].y & HoleFlag)
            return true;
    return false;
}

// The rings of the path on the device, each within reach of the visible box: a ring wholly
// within it as it is, one across it clipped exactly, one wholly beyond it left out (it changes
// nothing there). Rings of fewer than 3 points are left out; a clip ring first loses a spike
// at its start. False when no ring is left. The points and sizes hold until the next call; a
// lone ring taken as it is stays where the path put it.
bool DeviceRings(bool forClip, std::span<const QPointF>& points, std::span<const int>& sizes)
{
    PathToDevice(Scale.FlattenTolerance);
    const QRectF clip = DeviceClipBox();
    const QRectF box = WidenedBox(clip, 1);
    static std::vector<QPointF> cut, rings;
    static std::vector<int> ringSizes;
    rings.clear();
    ringSizes.clear();
    // The first ring taken as it is, not copied while it may stay alone.
    const QPointF* alone = nullptr;
    int aloneSize = 0;
    const auto add = [&](const QPointF* from, int n, bool inPlace) {
        if (inPlace && !alone && ringSizes.empty()) {
            alone = from;
            aloneSize = n;
            return;
        }
        if (alone) {
            rings.insert(rings.end(), alone, alone + aloneSize);
            ringSizes.push_back(aloneSize);
            alone = nullptr;
        }
        rings.insert(rings.end(), from, from + n);
        ringSizes.push_back(n);
    };
    const QPointF* ring = Graph.DevicePoints.data();
    for (const int size : Graph.DeviceRingSizes) {
        if (size <= 0)
            continue;
        const QPointF* const s = ring;
        ring += size;
        // The ring closed by its first point again, r(size), taken in from both ends while a
        // clip ring's ends form a spike, then without the closing points; it stays within
        // s[0, size).
        const auto r = [s, size](int i) { return i == size ? s[0] : s[i]; };
        int b = 0, e = size + 1;
        while (forClip && e - b >= 4 && r(e - 2) == r(b + 1)) {
            --e;
            ++b;
        }
        while (e - b > 1 && r(e - 1) == r(b))
            --e;
        if (e - b < 3)
            continue;
        double x1 = s[b].x(), x2 = x1, y1 = s[b].y(), y2 = y1;
        for (int i = b + 1; i < e; ++i) {
            x1 = std::min(x1, s[i].x());
            x2 = std::max(x2, s[i].x());
            y1 = std::min(y1, s[i].y());
            y2 = std::max(y2, s[i].y());
        }
        if (x2 < 0 || y2 < 0 || x1 > clip.right() || y1 > clip.bottom())
            continue;
        if (x1 >= box.left() && x2 <= box.right() && y1 >= box.top() && y2 <= box.bottom()) {
            add(s + b, e - b, true);
            continue;
        }
        cut.assign(s + b, s + e);
        ClipRing(cut, box);
        if (cut.size() < 3)
            continue;
        // Copied: the next cut overwrites these points.
        add(cut.data(), int(cut.size()), false);
    }
    if (alone) {
        static int size;
        size = aloneSize;
        points = std::span<const QPointF>(alone, size_t(aloneSize));
        sizes = std::span<const int>(&size, 1);
        return true;
    }
    points = rings;
    sizes = ringSizes;
    return !ringSizes.empty();
}

// ---- Mode 7 ----

void PutU16(uint8_t* p, int v)
{
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t((v >> 8) & 0xFF);
}

void PutI32(uint8_t* p, int32_t v)
{
    const auto u = uint32_t(v);
    for (int k = 0; k < 4; ++k)
        p[k] = uint8_t(u >> (8 * k));
}

int32_t RelativeToOrigin(int32_t v, int32_t origin)
{
    const int64_t d = int64_t(v) - origin;
    return int32_t(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
}

// One SymbolElement into the buffer; dropped without room for all of it.
void AppendSymbolElement(int kind, int style, int width, int diameter, const Cord* pts, int n)
{
    if (n < 0 || Graph.SymbolElementSlots < 0
        || Graph.SymbolElementSlots + n + 2 > SymbolElementBufferSlots)
        return;
    uint8_t* p = Graph.SymbolElementBuffer.data() + size_t(Graph.SymbolElementSlots) * 8;
    std::memset(p, 0, size_t(n + 2) * 8);
    PutU16(p, kind);
    PutU16(p + 2, style);
    PutU16(p + 4, Graph.CurrentColor);
    PutU16(p + 6, width);
    PutU16(p + 8, diameter);
    PutU16(p + 10, n);
    for (int i = 0; i < n; ++i) {
        PutI32(p + 16 + 8 * i, RelativeToOrigin(pts[i].x, Scale.ViewOrigin.x));
        PutI32(p + 20 + 8 * i, RelativeToOrigin(pts[i].y, Scale.ViewOrigin.y));
    }
    Graph.SymbolElementSlots += n + 2;
}

// ---- Mode 8 ----

constexpr size_t NewLineSymbolBytes = 424;
constexpr size_t NewAreaSymbolBytes = 380;

void NewMapObject(bool stroke, int width, int style)
{
    const int n = Graph.WorkPoints2Count;
    if (n < 2)
        return;
    const int source = DrawElement.Symbol;
    SymbolBytes rec(stroke ? NewLineSymbolBytes : NewAreaSymbolBytes, 0);
    SetSymI16(rec, SymSize, int16_t(rec.size()));
    SetSymI16(rec, SymNumber, int16_t(source));
    SetSymI16(rec, SymObjectType, stroke ? LineObject : AreaObject);
    if (stroke)
        SetSymI16(rec, SymExtent, int16_t(std::clamp(width / 2 + 1, 0, 32767)));
    ColorSet colors;
    if (Graph.CurrentColor >= 0 && Graph.CurrentColor < MaxColors)
        colors.set(size_t(Graph.CurrentColor));
    SetSymColors(rec, colors);
    QByteArray description =
        EncodeCodePage(1252, Text(stroke ? TextKey::Line : TextKey::Area)).left(31);
    SetShortFieldText(std::span(rec).subspan(SymDescription, 32), description.toStdString());
    // The source symbol's icon with its corner marked, so that made symbols stand out in the
    // symbol box. Decoded into an image of our own: the shared work bitmap may belong to an
    // open icon editor, whose picture must neither be overwritten nor end up in this icon.
    QImage icon = BlankIcon();
    if (DrawSymbol) {
        const std::span<const uint8_t> head(DrawSymbol, SymbolHeadBytes);
        if (SymI16(head, SymSize) >= SymbolHeadBytes)
            DecodeRecordIcon(head, icon);
    }
    MarkIconCorner(icon);
    const SymbolStore* iconStore = CurrentSymbolStore();
    EncodeRecordIcon(icon, rec, iconStore ? iconStore->Header.Version : CurrentMapVersion);
    if (stroke) {
        SetSymI16(rec, 348, int16_t(Graph.CurrentColor));
        SetSymI16(rec, 350, int16_t(std::clamp(width, -32768, 32767)));
        SetSymI16(rec, 352, int16_t(style));
    } else {
        SetSymI16(rec, 350, -1);
        SetSymI16(rec, 352, int16_t(Graph.CurrentColor));
    }

    int number = 0;
    if (SymbolStore* store = CurrentSymbolStore()) {
        const int before = store->SymbolCount();
        number = store->FindOrAddSymbol(rec, -1);
        if (store->SymbolCount() > before) {
            // Keep the list ordered: the new entry goes forward past the entries numbered
            // between the source symbol and itself.
            const int lo = std::min(source, number), hi = std::max(source, number);
            int i = store->SymbolCount() - 1;
            while (i > 0) {
                const int prev = SymI16(store->Symbols[size_t(i - 1)], SymNumber);
                if (prev <= lo || prev >= hi)
                    break;
                std::swap(store->Symbols[size_t(i - 1)], store->Symbols[size_t(i)]);
                --i;
            }
            store->BuildNumberTable();
        }
    }

    static ElementRecord element; // 256 KB: kept off the stack
    element.Symbol = int16_t(number);
    element.ObjectType = stroke ? LineObject : AreaObject;
    element.Flags = 0;
    element.nItem = uint16_t(std::min<int>(n, MaxElementItems));
    element.nText = 0;
    element.Angle = element.Word10 = element.Word12 = element.Word14 = 0;
    element.LayerName.fill(0);
    std::copy_n(WorkPoints2.data(), element.nItem, element.Slots.data());
    if (number >= 1 && Graph.AppendElementHook)
        Graph.AppendElementHook(element);

    // The symbol array may have moved: fetch the source symbol again.
    if (SymbolStore* store = CurrentSymbolStore()) {
        if (source >= 1 && source <= MaxSymbolNumber) {
            const int at = store->NumberTable[size_t(source)];
            if (at >= 0 && at < store->SymbolCount())
                DrawSymbol = store->Symbols[size_t(at)].data();
        }
    }
}

// ---- Strokes ----

void DrawRun(const std::vector<QPointF>& run, int dw, int style)
{
    Device* dc = Dc();
    if (style == 1 || dw < 4) {
        dc->polyline(run);
        return;
    }
    dc->beginPath();
    dc->polyline(run);
    dc->endPath();
    dc->strokePath();
}

QPointF Halves1(QPointF v) { return QPointF(std::trunc(v.x() / 2), std::trunc(v.y() / 2)); }

// Printer and picture strokes of a geometric width: filled quadrilaterals per segment.
void DrawQuadRun(const std::vector<QPointF>& run, int dw, int style)
{
    Device* dc = Dc();
    SetDevicePen(dw, style, false);
    SetDeviceBrush(true);
    const auto perp = [dw](QPointF a, QPointF b) {
        const double dx = b.x() - a.x(), dy = b.y() - a.y();
        const double len = std::hypot(dx, dy);
        return QPointF(Round(-dy / len * dw), Round(dx / len * dw));
    };
    const auto quad = [dc](QPointF a1, QPointF b1, QPointF b2, QPointF a2) {
        const QPointF q[4] = {a1, b1, b2, a2};
        dc->polygon(q);
    };
    // Segments of non-zero length only.
    std::vector<QPointF> p;
    for (const QPointF& q : run)
        if (p.empty() || q != p.back())
            p.push_back(q);
    if (p.size() < 2)
        return;
    if (style == 0) {
        QPointF prevN;
        for (size_t i = 0; i + 1 < p.size(); ++i) {
            const QPointF n = perp(p[i], p[i + 1]);
            const QPointF h1 = Halves1(n), h2 = n - h1;
            if (i > 0) {
                const QPointF g1 = Halves1(prevN), g2 = prevN - g1;
                quad(p[i] + g1, p[i] + h1, p[i] - h2, p[i] - g2);
            }
            quad(p[i] + h1, p[i + 1] + h1, p[i + 1] - h2, p[i] - h2);
            prevN = n;
        }
        return;
    }
    // Mitred: the edge at each inner point is shared by both segments.
    QPointF startEdge = perp(p[0], p[1]);
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        QPointF endEdge;
        if (i + 2 < p.size()) {
            const QPointF d1 = p[i + 1] - p[i], d2 = p[i + 2] - p[i + 1];
            const double l1 = std::hypot(d1.x(), d1.y()), l2 = std::hypot(d2.x(), d2.y());
            double s = (d1.x() * d2.y() - d1.y() * d2.x()) / (l1 * l2);
            const double dot = d1.x() * d2.x() + d1.y() * d2.y();
            if (s >= 0 && s < 0.1)
                s = 0.1;
            else if (s < 0 && s > -0.1)
                s = -0.1;
            if (std::abs(s) <= 0.11 && dot >= 0) {
                endEdge = perp(p[i + 1], p[i + 2]);
            } else {
                const QPointF u = d2 / l2 - d1 / l1;
                endEdge = QPointF(Round(u.x() * dw / s), Round(u.y() * dw / s));
            }
        } else {
            endEdge = perp(p[i], p[i + 1]);
        }
        const QPointF a1 = Halves1(startEdge), a2 = startEdge - a1;
        const QPointF b1 = Halves1(endEdge), b2 = endEdge - b1;
        quad(p[i] + a1, p[i + 1] + b1, p[i + 1] - b2, p[i] - a2);
        startEdge = endEdge;
    }
}

void StrokeBackEnd(int width, int style)
{
    const int w = width + Graph.LineWidthCorrection - 100;
    const int mode = Graph.OutputMode;
    if (mode > SvgOutput)
        return;
    if (IsTextMode()) {
        TextStroke(width, w, style);
        return;
    }
    if (!Graph.OutputDC)
        return;
    const double dwf = Round(w * Scale.ViewScaleX * 256);
    const int dw = int(std::clamp(dwf, 1.0, 1e8));
    PathToDevice(std::max(dw / 2, Scale.FlattenTolerance));
    const std::vector<QPointF>& pts = Graph.DevicePoints;
    if (pts.size() < 2)
        return;
    const bool quads = (mode == PrinterOutput || mode == PictureOutput) && style != 1 && dw >= 4;
    if (!quads)
        SetDevicePen(dw, style, true);
    // Cut the line into runs inside the widened box, in double precision, then round.
    const QRectF box = WidenedBox(dw);
    // Most lines lie wholly within the box: then every segment is kept as it is, one run.
    double x1 = pts[0].x(), x2 = x1, y1 = pts[0].y(), y2 = y1;
#if defined(__SSE2__)
    {
        // Both coordinates at once; a point compared as std::min and std::max compare it.
        __m128d low = _mm_set_pd(y1, x1), high = low;
        for (const QPointF& p : pts) {
            const __m128d at = _mm_set_pd(p.y(), p.x());
            low = _mm_min_pd(at, low);
            high = _mm_max_pd(at, high);
        }
        double lows[2], highs[2];
        _mm_storeu_pd(lows, low);
        _mm_storeu_pd(highs, high);
        x1 = lows[0];
        y1 = lows[1];
        x2 = highs[0];
        y2 = highs[1];
    }
#else
    for (const QPointF& p : pts) {
        x1 = std::min(x1, p.x());
        x2 = std::max(x2, p.x());
        y1 = std::min(y1, p.y());
        y2 = std::max(y2, p.y());
    }
#endif
    if (x1 >= box.left() && x2 <= box.right() && y1 >= box.top() && y2 <= box.bottom()) {
        if (quads)
            DrawQuadRun(pts, dw, style);
        else
            DrawRun(pts, dw, style);
        return;
    }
    // Cut the line into runs inside the widened box, in double precision, then round.
    static std::vector<QPointF> run;  // kept: no allocation per stroke
    run.clear();
    const auto flush = [&] {
        if (run.size() >= 2) {
            if (quads)
                DrawQuadRun(run, dw, style);
            else
                DrawRun(run, dw, style);
        }
        run.clear();
    };
    for (size_t k = 0; k + 1 < pts.size(); ++k) {
        QPointF a = pts[k], b = pts[k + 1];
        if ((a.x() < box.left() && b.x() < box.left()) || (a.x() > box.right() && b.x() > box.right())
            || (a.y() < box.top() && b.y() < box.top())
            || (a.y() > box.bottom() && b.y() > box.bottom())) {
            flush();
            continue;
        }
        const QPointF a0 = a, b0 = b;
        if (!ClipSegment(a, b, box)) {
            flush();
            continue;
        }
        a = QPointF(Round(a.x()), Round(a.y()));
        b = QPointF(Round(b.x()), Round(b.y()));
        if (run.empty() || run.back() != a || a != a0) {
            flush();
            run.push_back(a);
        }
        run.push_back(b);
        if (b != b0)
            flush();
    }
    flush();
}

// 0x00BBGGRR to a device colour.
DeviceColor FromColorRef(uint32_t rgb)
{
    return DeviceColor{uint8_t(rgb & 0xFF), uint8_t((rgb >> 8) & 0xFF), uint8_t((rgb >> 16) & 0xFF)};
}

int GammaAt(int v)
{
    if (v < 1)
        return 0;
    if (v > 255)
        return 255;
    return Graph.ScreenGammaTable[size_t(v + 512)];
}

} // namespace

// ---- State ----

void ResetGraphSysState()
{
    Graph = GraphSysState{};
    InitGraphSys();
}

void InitGraphSys()
{
    CreateScreenPalette();
    Graph.GreyCmyk = RgbToCmyk(0x00C0C0C0);
    InitScreenColorTables();
}

void SetOutputAdjust(int lineWidthCorrection, int outputIntensity, bool hatchedAreas)
{
    Graph.LineWidthCorrection =
        lineWidthCorrection >= 10 && lineWidthCorrection <= 150 ? lineWidthCorrection : 100;
    Graph.OutputIntensity = outputIntensity >= 10 && outputIntensity <= 100 ? outputIntensity : 100;
    Graph.HatchedAreas = hatchedAreas;
}

void BeginDrawing(bool usePalette)
{
    Graph.UsePalette = usePalette;
    Graph.PenWidth = 1;
    Graph.PenStyle = -1;
    Graph.PenCmyk = BlackCmyk;
    Graph.PenOn = true;
    Graph.BrushCmyk = BlackCmyk;
    Graph.BrushOn = true;
    Graph.SvgClipDepth = 0;
    Graph.Drawing = true;
    ResetFontCache();
    Device* dc = Dc();
    if (!dc)
        return;
    dc->save();
    DevicePen pen;
    pen.color = ColorToDevice(BlackCmyk);
    pen.width = 1;
    pen.join = PenJoin::Round;
    pen.cap = PenCap::Round;
    pen.insideFrame = Graph.OutputMode != PictureOutput;
    dc->setPen(pen);
    // At the output intensity like every later brush of the same cached colour.
    dc->setBrush(CachedBrush());
    dc->setFillRule(FillRule::OddEven);
    dc->resetClip();
}

void EndDrawing()
{
    if (Graph.OutputMode == SvgOutput)
        while (Graph.SvgClipDepth > 0) {
            WriteOutputLine("</g>");
            --Graph.SvgClipDepth;
        }
    if (Graph.Drawing) {
        if (Device* dc = Dc())
            dc->restore();
    }
    Graph.Drawing = false;
    ReleaseMeasuringContext();
}

// ---- Colours ----

void InitScreenColorTables()
{
    const int screenGamma = std::clamp(ProgramConfig.ScreenGamma, -100, 100);
    const int screenColor = std::clamp(ProgramConfig.ScreenColor, -100, 100);
    const double gamma = std::exp(screenGamma / 200.0);
    auto& table = Graph.ScreenGammaTable;
    for (int v = -512; v <= 511; ++v) {
        int out;
        if (v <= 0)
            out = 0;
        else if (v >= 256)
            out = 255;
        else
            out = int(std::clamp(Round(std::exp(std::log(v / 255.0) / gamma) * 255), 0.0, 255.0));
        table[size_t(v + 512)] = uint8_t(out);
    }
    const double f = -screenColor / 200.0;
    for (int i = 0; i < 256; ++i) {
        Graph.ScreenColorTableA[size_t(i)] = int16_t(Round(i * f));
        Graph.ScreenColorTableB[size_t(i)] = int16_t(Round(i * (1 - f)));
    }
    Graph.ScreenTablesReady = true;
}

uint32_t ScreenCorrectedColor(uint32_t cmyk)
{
    if (!Graph.ScreenTablesReady)
        InitScreenColorTables();
    const auto part = [cmyk](int shift, int add) {
        return (int((cmyk >> shift) & 0xFF) * 51 + add) / 40;
    };
    const int k = part(24, 15);
    const int r = std::max(0, 255 - part(0, 20) - k);
    const int g = std::max(0, 255 - part(8, 20) - k);
    const int b = std::max(0, 255 - part(16, 20) - k);
    const auto& A = Graph.ScreenColorTableA;
    const auto& B = Graph.ScreenColorTableB;
    const int R = GammaAt(r);
    const int G = GammaAt(B[size_t(g)] + A[size_t(r)]);
    const int Bl = GammaAt(B[size_t(b)] + A[size_t(r)]);
    return RgbToCmyk(uint32_t(R) | uint32_t(G) << 8 | uint32_t(Bl) << 16);
}

DeviceColor ColorToDevice(uint32_t cmyk) { return FromColorRef(CmykToRgb(cmyk)); }

void CreateScreenPalette() {}
void FreeScreenPalette() {}

// ---- Path ----

void EnsureWorkPoints2(int n)
{
    if (n <= int(WorkPoints2.size()))
        return;
    const size_t want = (size_t(n) + WorkPointsGrowth - 1) / WorkPointsGrowth * WorkPointsGrowth;
    WorkPoints2.resize(want);
}

void GraphMoveTo(int32_t x, int32_t y)
{
    EnsureWorkPoints2(1);
    WorkPoints2[0] = {x, y};
    Graph.WorkPoints2Count = 1;
}

void GraphLineTo(int32_t x, int32_t y)
{
    const int n = std::max(Graph.WorkPoints2Count, 0);
    if (size_t(n) >= WorkPoints2.size())
        EnsureWorkPoints2(n + 1);
    WorkPoints2[size_t(n)] = {x, y};
    Graph.WorkPoints2Count = n + 1;
}

void GraphRotate(int32_t cx, int32_t cy, int angle)
{
    const double a = angle / 10.0 * std::numbers::pi / 180.0;
    GraphRotateCosSin(cx, cy, std::cos(a), std::sin(a));
}

void GraphRotateCosSin(int32_t cx, int32_t cy, double cosA, double sinA)
{
    const int n = std::clamp(Graph.WorkPoints2Count, 0, int(WorkPoints2.size()));
    RotatePoints(cx, cy, WorkPoints2.data(), n, cosA, sinA, WorkPoints2.data());
}

void CirclePath(int32_t x, int32_t y, int diameter)
{
    const int64_t cx = Masked(x), cy = Masked(y);
    const double r = double(diameter / 2) * 256;
    const double k = 0.55 * r;
    const auto at = [](double v) { return Masked(SafeRound(v)); };
    const double X[13] = {cx - r, cx - r, cx - k, double(cx), cx + k, cx + r, cx + r,
                          cx + r, cx + k, double(cx), cx - k, cx - r, cx - r};
    const double Y[13] = {double(cy), cy - k, cy - r, cy - r, cy - r, cy - k, double(cy),
                          cy + k, cy + r, cy + r, cy + r, cy + k, double(cy)};
    EnsureWorkPoints2(13);
    for (int i = 0; i < 13; ++i) {
        Cord c{at(X[i]), at(Y[i])};
        if (i % 3 == 1)
            c.x |= FirstBezierFlag;
        else if (i % 3 == 2)
            c.x |= SecondBezierFlag;
        WorkPoints2[size_t(i)] = c;
    }
    Graph.WorkPoints2Count = 13;
}

QPointF CordToDeviceF(Cord c)
{
    return QPointF(double(int64_t(Masked(c.x)) - Scale.ViewOrigin.x) * Scale.ViewScaleX,
                   double(int64_t(Masked(c.y)) - Scale.ViewOrigin.y) * Scale.ViewScaleY);
}

void PathToDevice(int tolerance)
{
    std::vector<QPointF>& out = Graph.DevicePoints;
    std::vector<int>& rings = Graph.DeviceRingSizes;
    out.clear();
    rings.clear();
    const int n = std::clamp(Graph.WorkPoints2Count, 0, int(WorkPoints2.size()));
    if (n == 0)
        return;
    const Cord* p = WorkPoints2.data();
    const int64_t ox = Scale.ViewOrigin.x, oy = Scale.ViewOrigin.y;
    const double sx = Scale.ViewScaleX, sy = Scale.ViewScaleY;
    // As CordToDeviceF, rounded; written out so that the loop keeps it inline.
    const auto device = [=](Cord c) {
        return QPointF(Round(double(int64_t(Masked(c.x)) - ox) * sx), Round(double(int64_t(Masked(c.y)) - oy) * sy));
    };
    // Whole numbers below 1e12 that differ never compare equal to 12 digits, as the toolkit
    // compares points: only beyond them is its comparison needed.
    const auto add = [&](QPointF d) {
        const QPointF last = out.back();
        if (d.x() == last.x() && d.y() == last.y())
            return;
        if ((std::abs(d.x()) < 1e12 && std::abs(d.y()) < 1e12) || d != last)
            out.push_back(d);
    };
    size_t ringStart = 0;
    out.reserve(size_t(n));
    out.push_back(device(p[0]));
    // Kept: its points are made anew by each curve, not cleared at every call.
    static Cord flat[1 << 5];
#if defined(__SSE2__)
    // Both coordinates of a plain point at once, as `device` makes them: exact differences of
    // 32-bit numbers, one product each, rounded by the processor's packed conversion in the
    // same mode, the sign of a zero kept; beyond 2^30 by `device` itself.
    static_assert(sizeof(Cord) == 8);
    const __m128i coordMask = _mm_set1_epi32(CoordMask);
    const __m128d origin = _mm_set_pd(double(oy), double(ox)), scale = _mm_set_pd(sy, sx);
    const __m128d signBit = _mm_set1_pd(-0.0), limit = _mm_set1_pd(1073741824.0);
#endif
    for (int i = 1; i < n;) {
#if defined(__SSE2__)
        if (!(p[i].y & HoleFlag) && !(p[i].x & FirstBezierFlag)) {
            const __m128i at = _mm_and_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i)), coordMask);
            const __m128d v = _mm_mul_pd(_mm_sub_pd(_mm_cvtepi32_pd(at), origin), scale);
            if (_mm_movemask_pd(_mm_cmplt_pd(_mm_andnot_pd(signBit, v), limit)) == 3) {
                const __m128d whole = _mm_or_pd(_mm_cvtepi32_pd(_mm_cvtpd_epi32(v)), _mm_and_pd(v, signBit));
                // Whole numbers this small that differ are told apart exactly.
                const QPointF last = out.back();
                if (_mm_movemask_pd(_mm_cmpeq_pd(whole, _mm_set_pd(last.y(), last.x()))) != 3) {
                    double xy[2];
                    _mm_storeu_pd(xy, whole);
                    out.emplace_back(xy[0], xy[1]);
                }
                ++i;
                continue;
            }
        }
#endif
        if (p[i].y & HoleFlag) {
            rings.push_back(int(out.size() - ringStart));
            ringStart = out.size();
            out.push_back(device(p[i]));
            ++i;
            continue;
        }
        // A curve ends within its ring, as the area cutter takes it.
        if (i < n - 2 && (p[i].x & FirstBezierFlag) && !((p[i + 1].y | p[i + 2].y) & HoleFlag)) {
            const int k = FlattenBezier(p + i - 1, flat, 5, tolerance);
            for (int j = 0; j < k; ++j)
                add(device(flat[j]));
            i += 3;
        } else {
            add(device(p[i]));
            ++i;
        }
    }
    rings.push_back(int(out.size() - ringStart));
}

// ---- Primitives ----

void GraphStroke(int width, int lineStyle)
{
    int n = std::clamp(Graph.WorkPoints2Count, 0, int(WorkPoints2.size()));
    if (n < 2 || width == 0)
        return;
    for (int i = 0; i < n; ++i)
        WorkPoints2[size_t(i)].y &= ~HoleFlag;
    if (Graph.OutputMode == SymbolElementOutput) {
        AppendSymbolElement(1, lineStyle, width, 0, WorkPoints2.data(), n);
        return;
    }
    if (Graph.OutputMode == NewObjectOutput) {
        NewMapObject(true, width, lineStyle);
        return;
    }
    if (Graph.OutputMode < 0 || Graph.OutputMode > SvgOutput)
        return;
    // A closed line repeats its first segment so that the start gets its join.
    if (CordsEqual(WorkPoints2[0], WorkPoints2[size_t(n - 1)])) {
        const int extra = (WorkPoints2[1].x & FirstBezierFlag) && n >= 4 ? 3 : 1;
        EnsureWorkPoints2(n + extra);
        for (int k = 0; k < extra; ++k)
            WorkPoints2[size_t(n + k)] = WorkPoints2[size_t(1 + k)];
        n += extra;
        Graph.WorkPoints2Count = n;
    }
    if (n <= 127) {
        Graph.WorkPoints2Count = n;
        StrokeBackEnd(width, lineStyle);
        return;
    }
    // Long lines go out in overlapping chunks that end on segment ends.
    const int total = n;
    std::vector<Cord> all(WorkPoints2.begin(), WorkPoints2.begin() + total);
    int start = 0;
    while (total - start > 127) {
        int len = 64;
        if (all[size_t(start + len - 1)].x & FirstBezierFlag)
            ++len;
        if (all[size_t(start + len - 1)].x & SecondBezierFlag)
            ++len;
        std::copy_n(all.begin() + start, len, WorkPoints2.begin());
        Graph.WorkPoints2Count = len;
        StrokeBackEnd(width, lineStyle);
        int next = start + len - 2;
        while (next > start && (all[size_t(next)].x & (FirstBezierFlag | SecondBezierFlag)))
            --next;
        start = next;
    }
    std::copy(all.begin() + start, all.end(), WorkPoints2.begin());
    Graph.WorkPoints2Count = total - start;
    StrokeBackEnd(width, lineStyle);
}

bool GraphFill(bool hatchAllowed)
{
    const int n = std::clamp(Graph.WorkPoints2Count, 0, int(WorkPoints2.size()));
    if (n < 3)
        return true;
    const Cord* p = WorkPoints2.data();
    const bool holes = HasHoles(p, n);
    switch (Graph.OutputMode) {
    case SymbolElementOutput:
        AppendSymbolElement(2, 0, 0, 0, p, n);
        return true;
    case NewObjectOutput:
        NewMapObject(false, 0, 0);
        return true;
    case PostScriptOutput:
    case IllustratorOutput:
    case SvgOutput:
        return TextFill(holes);
    default:
        break;
    }
    if (!IsDeviceMode() || !Graph.OutputDC)
        return true;
    // The device takes every ring at once, of any size, filled by the odd-even rule. Pieces
    // cut apart would each put the points made on the cuts onto whole pixels, off the edges
    // they cut: a nearly level edge would step by a pixel row over a long stretch.
    std::span<const QPointF> rings;
    std::span<const int> sizes;
    if (!DeviceRings(false, rings, sizes))
        return true;
    Device* dc = Graph.OutputDC;
    if (!Graph.HatchedAreas || !hatchAllowed) {
        SetDeviceBrush(true);
        SetDevicePen(1, 0, false);
        dc->polygon(rings, sizes);
        SetDevicePen(1, 0, true);
        return true;
    }
    static constexpr HatchStyle Hatches[4] = {HatchStyle::Horizontal, HatchStyle::Vertical,
                                              HatchStyle::FDiagonal, HatchStyle::BDiagonal};
    const int color = Graph.CurrentColor;
    const int shift = (color >> 2) & 7;
    dc->setBrush(DeviceBrush{BrushStyle::Hatch, ColorToDevice(Graph.OutputCmyk), Hatches[color & 3]});
    dc->setBrushOrigin((color & 1) ? QPoint(shift, 0) : QPoint(0, shift));
    dc->setBackground(BackgroundMode::Transparent, DeviceColor{255, 255, 255});
    dc->beginPath();
    dc->polygon(rings, sizes);
    dc->endPath();
    const bool ok = dc->fillPath();
    dc->setBrush(CachedBrush());
    dc->setBackground(BackgroundMode::Opaque, DeviceColor{255, 255, 255});
    return ok;
}

void GraphFillArea(const Cord* points, int count, bool hatchAllowed)
{
    if (!points || count < 3)
        return;
    // A device takes the whole area at once: no pieces to cut, nor a copy for them. An outline
    // that lives in WorkPoints2 goes the way of the pieces, on a copy of its own.
    const bool inWorkPoints =
        !WorkPoints2.empty() && points >= WorkPoints2.data() && points < WorkPoints2.data() + WorkPoints2.size();
    bool refusedWhole = false;
    if (IsDeviceMode() && Graph.OutputDC && !inWorkPoints) {
        EnsureWorkPoints2(count);
        std::copy_n(points, count, WorkPoints2.begin());
        WorkPoints2[0].y &= ~HoleFlag;
        Graph.WorkPoints2Count = count;
        if (GraphFill(hatchAllowed))
            return;
        refusedWhole = true;
    }
    SplitArea(points, count, [hatchAllowed, &refusedWhole](const Cord* piece, int n) {
        if (std::exchange(refusedWhole, false))
            return false;
        EnsureWorkPoints2(n);
        std::copy_n(piece, n, WorkPoints2.begin());
        Graph.WorkPoints2Count = n;
        return GraphFill(hatchAllowed);
    });
}

void GraphDot(int32_t x, int32_t y, int diameter)
{
    if (diameter <= 0)
        return;
    const int d = std::max(diameter + Graph.LineWidthCorrection - 100, 3);
    switch (Graph.OutputMode) {
    case SymbolElementOutput: {
        const Cord c{x, y};
        AppendSymbolElement(4, 0, 0, d, &c, 1);
        return;
    }
    case NewObjectOutput:
        CirclePath(x, y, d);
        NewMapObject(false, 0, 0);
        return;
    case PostScriptOutput:
    case IllustratorOutput:
    case SvgOutput:
        TextDot(x, y, d);
        return;
    default:
        break;
    }
    Device* dc = Dc();
    if (!dc)
        return;
    const int64_t h = int64_t(d) * 256;
    const CordRect& cr = Graph.ClipRect;
    if (x + h < cr.x1 || x - h > cr.x2 || y + h < cr.y1 || y - h > cr.y2)
        return;
    const QPointF c = CordToDeviceF({x, y});
    const double cx = Round(c.x()), cy = Round(c.y());
    const double dx = std::abs(Round(d * Scale.ViewScaleX * 256));
    const double dy = std::abs(Round(d * Scale.ViewScaleY * 256));
    if (dx > 3) {
        SetDevicePen(1, 0, false);
        SetDeviceBrush(true);
        dc->ellipse(QRectF(cx - std::trunc(dx / 2), cy - std::trunc(dy / 2), dx, dy));
    } else if (dx >= 2) {
        if (std::abs(cx) < 1e9 && std::abs(cy) < 1e9)
            dc->setPixel(QPoint(int(cx), int(cy)), ColorToDevice(Graph.OutputCmyk));
    }
}

void GraphCircle(int32_t x, int32_t y, int width, int diameter)
{
    if (diameter <= 0)
        return;
    if (width >= diameter) {
        GraphDot(x, y, diameter);
        return;
    }
    switch (Graph.OutputMode) {
    case SymbolElementOutput: {
        const Cord c{x, y};
        AppendSymbolElement(3, 0, width, diameter, &c, 1);
        return;
    }
    case NewObjectOutput:
        CirclePath(x, y, diameter - width);
        GraphStroke(width, 0);
        return;
    case PostScriptOutput:
    case IllustratorOutput:
    case SvgOutput:
        TextCircle(x, y, width, diameter);
        return;
    default:
        break;
    }
    Device* dc = Dc();
    if (!dc)
        return;
    const int64_t h = int64_t(diameter) * 256;
    const CordRect& cr = Graph.ClipRect;
    if (x + h <= cr.x1 || x - h >= cr.x2 || y + h <= cr.y1 || y - h >= cr.y2)
        return;
    SetDevicePen(int(std::clamp(std::abs(Round(width * Scale.ViewScaleX * 256)), 0.0, 1e8)), 0, true);
    SetDeviceBrush(false);
    const QPointF c = CordToDeviceF({x, y});
    const double cx = Round(c.x()), cy = Round(c.y());
    const double dx = std::abs(Round(diameter * Scale.ViewScaleX * 256));
    const double dy = std::abs(Round(diameter * Scale.ViewScaleY * 256));
    dc->ellipse(QRectF(cx - std::trunc(dx / 2), cy - std::trunc(dy / 2), dx, dy));
}

int GraphClip()
{
    const int n = std::clamp(Graph.WorkPoints2Count, 0, int(WorkPoints2.size()));
    if (n < 3)
        return 2;
    const bool device = !IsTextMode() && IsDeviceMode() && Graph.OutputDC;
    // The device clips to every ring at once, as it fills (see GraphFill).
    if (!device && (HasHoles(WorkPoints2.data(), n) || n > 64))
        return 0;
    if (IsTextMode())
        return TextClip();
    if (!device)
        return 1;
    std::span<const QPointF> rings;
    std::span<const int> sizes;
    if (!DeviceRings(true, rings, sizes))
        return 2;
    Device* dc = Graph.OutputDC;
    dc->beginPath();
    dc->polygon(rings, sizes);
    dc->endPath();
    return dc->clipToPath() ? 1 : 0;
}

void GraphResetClip()
{
    if (IsTextMode()) {
        TextResetClip();
        return;
    }
    if (Device* dc = Dc())
        dc->resetClip();
}

} // namespace zemo
