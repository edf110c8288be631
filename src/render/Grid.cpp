#include "render/Grid.h"

#include "core/Numeric.h"
#include "platform/Device.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

namespace {

// 2000 mm is the half size of the map area; 1.5 covers the turn.
constexpr double HalfMapMm = 2000;

int64_t Div256(int32_t v)
{
    return v / 256;
}

QString PaperLabel(double mm)
{
    return QString::number(mm, 'g', 10);
}

} // namespace

GridGeometry MakeGridGeometry(const SetupRecord& s, bool symbolGraphicsMode)
{
    GridGeometry g;
    g.RealWorld = s.RealWorldCoords != 0 && !symbolGraphicsMode;
    g.OffsetEast = s.RealWorldOffsetX;
    g.OffsetNorth = s.RealWorldOffsetY;
    g.RealDistance = s.RealWorldGridDistance;
    if (g.RealWorld && s.MapScale > 0 && std::isfinite(s.MapScale)) {
        g.Spacing = s.RealWorldGridDistance / s.MapScale * 1000;
        const double a = -s.RealWorldAngle / 180 * std::numbers::pi;
        if (std::isfinite(a) && a != 0) {
            g.Turned = true;
            g.Sin = std::sin(a);
            g.Cos = std::cos(a);
        }
    } else {
        g.RealWorld = false;
        g.Spacing = s.PaperGridDistance;
    }
    if (!std::isfinite(g.Spacing))
        g.Spacing = 0;
    g.Steep = std::abs(g.Sin) > std::abs(g.Cos);
    return g;
}

int GridLineCount(const GridGeometry& g)
{
    if (g.Spacing <= 0.05)
        return -1;
    return int(std::nearbyint(HalfMapMm / g.Spacing * 1.5));
}

bool GridLine(const GridGeometry& g, int family, int k, const CordRect& r, Cord& a, Cord& b)
{
    const double p = k * g.Spacing * 100; // 0.01 mm
    auto meets = [](double u, double v, int32_t lo, int32_t hi) {
        return std::min(u, v) <= hi && std::max(u, v) >= lo;
    };
    if (!g.Turned) {
        const int32_t v = SafeRound(p * 256);
        if (family == 0) {
            a = {v, r.y1};
            b = {v, r.y2};
            return v >= r.x1 && v <= r.x2;
        }
        a = {r.x1, v};
        b = {r.x2, v};
        return v >= r.y1 && v <= r.y2;
    }
    const double s = g.Sin, c = g.Cos;
    // Family 0: x cos - y sin = p; family 1: x sin + y cos = p (0.01 mm).
    const bool byY = (family == 0) != g.Steep; // solved for x at the rectangle's y edges
    if (byY) {
        auto xAt = [&](int32_t y) {
            const double yy = double(Div256(y));
            return family == 0 ? (p + yy * s) / c : (p - yy * c) / s;
        };
        const double x1 = xAt(r.y1) * 256, x2 = xAt(r.y2) * 256;
        a = {SafeRound(x1), r.y1};
        b = {SafeRound(x2), r.y2};
        return meets(x1, x2, r.x1, r.x2);
    }
    auto yAt = [&](int32_t x) {
        const double xx = double(Div256(x));
        return family == 0 ? (xx * c - p) / s : (p - xx * s) / c;
    };
    const double y1 = yAt(r.x1) * 256, y2 = yAt(r.x2) * 256;
    a = {r.x1, SafeRound(y1)};
    b = {r.x2, SafeRound(y2)};
    return meets(y1, y2, r.y1, r.y2);
}

void DrawScreenGrid(Device& dc, const GridGeometry& g)
{
    const int n = GridLineCount(g);
    if (n < 0)
        return;
    dc.save();
    dc.setPen({PenStyle::Dot, {255, 255, 255}, 1, PenJoin::Bevel, PenCap::Flat, false});
    dc.setBrush({});
    dc.setRasterOp(RasterOp::Xor);
    dc.setBackground(BackgroundMode::Transparent, {255, 255, 255});
    const CordRect r = Scale.DrawRect;
    for (int family = 0; family < 2; ++family)
        for (int k = -n; k <= n; ++k) {
            Cord a, b;
            if (!GridLine(g, family, k, r, a, b))
                continue;
            const QPoint pa = CordToDevice(a), pb = CordToDevice(b);
            const QPointF pts[2] = {QPointF(pa), QPointF(pb)};
            dc.polyline(pts);
        }
    dc.restore();
}

int GridLabelStep(double w, double s)
{
    if (!(w >= s))
        return 1;
    if (w / 4.0 < s)
        return 5;
    if (w / 8.0 < s)
        return 10;
    if (w / 40.0 < s)
        return 50;
    if (w / 80.0 < s)
        return 100;
    return 0;
}

QString GridLabelText(const GridGeometry& g, int k, bool top)
{
    if (!g.RealWorld)
        return PaperLabel(k * g.Spacing);
    const double v = std::nearbyint(k * g.RealDistance + (top ? g.OffsetEast : g.OffsetNorth));
    // Adding 0 turns a rounded -0 into 0, which must not read "-0".
    return QString::number(v + 0.0, 'f', 0);
}

std::vector<RulerLabel> RulerLabels(const GridGeometry& g, bool horizontal, int length,
                                    const std::function<int(const QString&)>& labelWidth)
{
    std::vector<RulerLabel> out;
    const int n = GridLineCount(g);
    if (n < 0 || length <= 0)
        return out;
    const int family = horizontal ? (g.Steep ? 1 : 0) : (g.Steep ? 0 : 1);
    const double scale = std::abs(horizontal ? Scale.ViewScaleX : Scale.ViewScaleY);
    const double turn = g.Turned ? std::abs(g.Steep ? g.Sin : g.Cos) : 1.0;
    const double s = g.Spacing * 25600 * scale / (turn > 0 ? turn : 1.0);
    const CordRect r = Scale.DrawRect;
    // Where each line crosses the window's top edge (horizontal) or left edge (vertical).
    const CordRect edge = horizontal ? CordRect{r.x1, r.y2, r.x2, r.y2} : CordRect{r.x1, r.y1, r.x1, r.y2};
    int step = 1;
    bool any = true;
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = -n; k <= n; ++k) {
            Cord a, b;
            if (!GridLine(g, family, k, {r.x1 - 1, r.y1 - 1, r.x2 + 1, r.y2 + 1}, a, b))
                continue;
            // The crossing with the ruler's edge.
            double along;
            if (horizontal) {
                const double t = (a.y == b.y) ? 0 : double(int64_t(edge.y1) - a.y) / double(int64_t(b.y) - a.y);
                along = (a.x + t * (double(b.x) - a.x) - Scale.ViewOrigin.x) * Scale.ViewScaleX;
            } else {
                const double t = (a.x == b.x) ? 0 : double(int64_t(edge.x1) - a.x) / double(int64_t(b.x) - a.x);
                along = (a.y + t * (double(b.y) - a.y) - Scale.ViewOrigin.y) * Scale.ViewScaleY;
            }
            const int pos = SafeRoundSmall(along);
            if (pos < 0 || pos >= length)
                continue;
            const QString text = GridLabelText(g, k, horizontal);
            if (pass == 0) {
                // The widest label decides the thinning.
                const int w = labelWidth ? labelWidth(text) : 0;
                const int st = GridLabelStep(w, s);
                if (st == 0)
                    any = false;
                step = std::max(step, st);
                continue;
            }
            if (!any || k % step != 0)
                continue;
            out.push_back({pos, text});
        }
    }
    return out;
}

namespace {

void PaintRuler(QPainter& p, const GridGeometry& g, int width, int height, bool horizontal)
{
    const QColor face(240, 240, 240);
    p.fillRect(0, 0, width, height, face);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(Qt::black);
    const QFontMetrics fm(f);
    auto widthOf = [&](const QString& t) { return fm.horizontalAdvance(t); };
    const auto labels = RulerLabels(g, horizontal, horizontal ? width : height, widthOf);
    for (const RulerLabel& l : labels) {
        const int w = widthOf(l.Text);
        if (horizontal) {
            p.drawText(QPoint(l.Pos - w / 2, -1 + fm.ascent()), l.Text);
        } else {
            p.save();
            p.translate(-1 + fm.ascent(), l.Pos + w / 2);
            p.rotate(-90);
            p.drawText(QPoint(0, 0), l.Text);
            p.restore();
        }
    }
    // The two-pixel edge along the start of the ruler.
    p.setPen(QColor(160, 160, 160));
    if (horizontal)
        p.drawLine(0, 0, 0, height - 1);
    else
        p.drawLine(0, 0, width - 1, 0);
    p.setPen(Qt::white);
    if (horizontal)
        p.drawLine(1, 0, 1, height - 1);
    else
        p.drawLine(0, 1, width - 1, 1);
}

} // namespace

void PaintHorizontalRuler(QPainter& p, const GridGeometry& g, int width, int height)
{
    PaintRuler(p, g, width, height, true);
}

void PaintVerticalRuler(QPainter& p, const GridGeometry& g, int width, int height)
{
    PaintRuler(p, g, width, height, false);
}

int PrintGridFontSize(const SetupRecord& s)
{
    const double size = std::nearbyint(90 / s.MapScale * s.PrintScale);
    if (!std::isfinite(size) || size < 1 || size > SafeRoundSmallMax)
        return 0;
    return int(size);
}

int32_t PrintGridMargin(const SetupRecord& s)
{
    const double m = std::nearbyint(9 / s.MapScale * s.PrintScale / 72 * 2540) * 256;
    if (!std::isfinite(m) || m < 0)
        return 0;
    return SafeRound(m);
}

std::vector<PrintGridLabel> PrintGridLabels(const GridGeometry& g, const CordRect& area, int32_t margin,
                                            int32_t digitWidth)
{
    std::vector<PrintGridLabel> out;
    const int n = GridLineCount(g);
    if (n < 0 || digitWidth <= 0)
        return out;
    const double turn = g.Turned ? std::abs(g.Steep ? g.Sin : g.Cos) : 1.0;
    const double spacing = g.Spacing * 25600 / (turn > 0 ? turn : 1.0);
    struct Candidate {
        int k;
        double at;   // where the line crosses the edge
        QString text;
        int64_t width;
    };
    for (const bool top : {true, false}) {
        // The family that is nearer upright is labelled along the top.
        const int family = top ? (g.Steep ? 1 : 0) : (g.Steep ? 0 : 1);
        std::vector<Candidate> found;
        int step = 1;
        for (int k = -n; k <= n; ++k) {
            Cord a, b;
            if (!GridLine(g, family, k, area, a, b))
                continue;
            double at;
            if (top) {
                if (a.y == b.y)
                    continue;
                const double t = (double(area.y2) - a.y) / (double(b.y) - a.y);
                at = a.x + t * (double(b.x) - a.x);
                if (at < area.x1 || at > area.x2)
                    continue;
            } else {
                if (a.x == b.x)
                    continue;
                const double t = (double(area.x1) - a.x) / (double(b.x) - a.x);
                at = a.y + t * (double(b.y) - a.y);
                if (at < area.y1 || at > area.y2)
                    continue;
            }
            QString text = GridLabelText(g, k, top);
            const int64_t width = int64_t(text.size()) * digitWidth;
            // The widest label decides the thinning, as on the rulers.
            const int st = GridLabelStep(double(width), spacing);
            if (st == 0) {
                step = 0;
                break;
            }
            step = std::max(step, st);
            found.push_back({k, at, std::move(text), width});
        }
        if (step == 0)
            continue;
        for (Candidate& c : found) {
            if (c.k % step != 0)
                continue;
            PrintGridLabel label;
            const int64_t start = int64_t(SafeRound(c.at)) - c.width / 2;
            if (top) {
                label.Pos = {Masked(SafeRound(double(start))), Masked(SafeRound(double(area.y2) - margin))};
                label.Angle = 0;
            } else {
                label.Pos = {Masked(SafeRound(double(area.x1) + margin)), Masked(SafeRound(double(start)))};
                label.Angle = 900;
            }
            label.Text = std::move(c.text);
            out.push_back(std::move(label));
        }
    }
    return out;
}

void DrawPrintGrid(const SetupRecord& s, const CordRect& area)
{
    const GridGeometry g = MakeGridGeometry(s, false);
    const int n = GridLineCount(g);
    if (n < 0)
        return;
    // Lines and labels in the grid colour; black when the map has no such colour.
    const uint32_t saved = Graph.OutputCmyk;
    Graph.OutputCmyk = MapColorCmyk(s.PrintGridColor, 200u << 24);
    struct RestoreColor {
        uint32_t cmyk;
        ~RestoreColor() { Graph.OutputCmyk = cmyk; }
    } restore{saved};
    if (Graph.OutputMode == PostScriptOutput) {
        const uint32_t c = Graph.OutputCmyk;
        WriteOutputLine(QByteArray::number(c & 0xFF) + ' ' + QByteArray::number((c >> 8) & 0xFF) + ' '
                        + QByteArray::number((c >> 16) & 0xFF) + ' '
                        + QByteArray::number((c >> 24) & 0xFF) + " cmyk");
    }
    for (int family = 0; family < 2; ++family)
        for (int k = -n; k <= n; ++k) {
            Cord a, b;
            if (!GridLine(g, family, k, area, a, b))
                continue;
            Graph.WorkPoints2Count = 0;
            GraphMoveTo(a.x, a.y);
            GraphLineTo(b.x, b.y);
            GraphStroke(1, 0);
        }

    const int size = PrintGridFontSize(s);
    if (size <= 0)
        return;
    SelectMapFont(QStringLiteral("Arial"), size, PrintGridFontWeight, false);
    ApplyMapFont();
    const int32_t digit = MapFont.DigitWidth;
    for (const PrintGridLabel& label : PrintGridLabels(g, area, PrintGridMargin(s), digit)) {
        MeasureText(std::u16string_view(reinterpret_cast<const char16_t*>(label.Text.utf16()),
                                        size_t(label.Text.size())));
        const MapFontState& m = MapFont;
        int64_t along = label.Angle == 0 ? label.Pos.x : label.Pos.y;
        for (size_t i = 0; i < m.TextClasses.size() && m.TextClasses[i] != TextEndClass; ++i) {
            if (m.TextClasses[i] >= 33) {
                const int32_t p = Masked(SafeRound(double(along)));
                if (label.Angle == 0)
                    DrawMapChar(p, label.Pos.y, 0, m.TextChars[i]);
                else
                    DrawMapChar(label.Pos.x, p, label.Angle, m.TextChars[i]);
            }
            along += digit;
        }
    }
}

} // namespace zemo
