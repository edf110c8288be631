#include "platform/PainterDevice.h"

#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPathStroker>
#include <QRawFont>
#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

QColor toQColor(DeviceColor c) { return QColor(c.r, c.g, c.b); }

bool hatchHasPixel(HatchStyle style, int x, int y)
{
    const bool horizontal = y == 0;
    const bool vertical = x == 0;
    const bool fdiagonal = ((x - y) & 7) == 0; // "\" with y down
    const bool bdiagonal = ((x + y) & 7) == 0; // "/"
    switch (style) {
    case HatchStyle::Horizontal: return horizontal;
    case HatchStyle::Vertical: return vertical;
    case HatchStyle::FDiagonal: return fdiagonal;
    case HatchStyle::BDiagonal: return bdiagonal;
    case HatchStyle::Cross: return horizontal || vertical;
    case HatchStyle::DiagCross: return fdiagonal || bdiagonal;
    }
    return false;
}

// One period of the hatch with its lines through (0, 0); gaps are see-through unless opaque.
QImage hatchTile(HatchStyle style, DeviceColor color, std::optional<DeviceColor> background)
{
    QImage tile(HatchPeriod, HatchPeriod, QImage::Format_ARGB32_Premultiplied);
    const QRgb on = qRgb(color.r, color.g, color.b);
    const QRgb off = background ? qRgb(background->r, background->g, background->b) : 0u;
    for (int y = 0; y < HatchPeriod; ++y)
        for (int x = 0; x < HatchPeriod; ++x)
            tile.setPixel(x, y, hatchHasPixel(style, x, y) ? on : off);
    return tile;
}

// The same hatch as geometry, for engines without pixel patterns: strips one unit wide whose
// pixel centres are those of the raster tile, over the given box.
QPainterPath hatchStrips(HatchStyle style, QPoint origin, const QRectF& box)
{
    QPainterPath strips;
    const double x0 = std::floor(box.left()) - HatchPeriod;
    const double x1 = std::ceil(box.right()) + HatchPeriod;
    const double y0 = std::floor(box.top()) - HatchPeriod;
    const double y1 = std::ceil(box.bottom()) + HatchPeriod;
    const auto firstOf = [](double from, int anchor) {
        const double k = std::floor((from - anchor) / HatchPeriod);
        return anchor + k * HatchPeriod;
    };
    const bool horizontal = style == HatchStyle::Horizontal || style == HatchStyle::Cross;
    const bool vertical = style == HatchStyle::Vertical || style == HatchStyle::Cross;
    const bool fdiagonal = style == HatchStyle::FDiagonal || style == HatchStyle::DiagCross;
    const bool bdiagonal = style == HatchStyle::BDiagonal || style == HatchStyle::DiagCross;
    if (horizontal)
        for (double y = firstOf(y0, origin.y()); y < y1; y += HatchPeriod)
            strips.addRect(QRectF(x0, y, x1 - x0, 1));
    if (vertical)
        for (double x = firstOf(x0, origin.x()); x < x1; x += HatchPeriod)
            strips.addRect(QRectF(x, y0, 1, y1 - y0));
    // Diagonals: pixel (px, py) is on when px - py (or px + py) meets the origin's value
    // modulo the period; its centre lies on x - y = px - py (x + y = px + py + 1).
    const double height = y1 - y0;
    if (fdiagonal) {
        const int anchor = origin.x() - origin.y();
        for (double c = firstOf(x0 - y1, anchor); c < x1 - y0; c += HatchPeriod) {
            QPolygonF band;
            band << QPointF(y0 + c - 0.5, y0) << QPointF(y0 + c + 0.5, y0)
                 << QPointF(y0 + height + c + 0.5, y1) << QPointF(y0 + height + c - 0.5, y1);
            strips.addPolygon(band);
            strips.closeSubpath();
        }
    }
    if (bdiagonal) {
        const int anchor = origin.x() + origin.y();
        for (double c = firstOf(x0 + y0, anchor); c < x1 + y1; c += HatchPeriod) {
            QPolygonF band;
            band << QPointF(c - y0 + 0.5, y0) << QPointF(c - y0 + 1.5, y0)
                 << QPointF(c - y1 + 1.5, y1) << QPointF(c - y1 + 0.5, y1);
            strips.addPolygon(band);
            strips.closeSubpath();
        }
    }
    strips.setFillRule(Qt::WindingFill);
    return strips;
}

QPen geometricPen(const DevicePen& pen, double width, DeviceColor color, bool dotted)
{
    QPen q(toQColor(color));
    q.setWidthF(width);
    q.setCapStyle(pen.cap == PenCap::Round    ? Qt::RoundCap
                  : pen.cap == PenCap::Square ? Qt::SquareCap
                                              : Qt::FlatCap);
    // SvgMiterJoin bevels beyond the limit (plain MiterJoin would cut the tip off instead).
    q.setJoinStyle(pen.join == PenJoin::Round   ? Qt::RoundJoin
                   : pen.join == PenJoin::Mitre ? Qt::SvgMiterJoin
                                                : Qt::BevelJoin);
    q.setMiterLimit(MitreLimit);
    if (dotted)
        q.setDashPattern({3.0 / std::max(width, 1.0), 3.0 / std::max(width, 1.0)});
    return q;
}

constexpr double PixelCentre = 0.5 - 1.0 / 32;

QPainterPath linePath(std::span<const QPointF> points)
{
    QPainterPath line(points[0]);
    for (size_t i = 1; i < points.size(); ++i)
        line.lineTo(points[i]);
    return line;
}

// Rings whose sizes add up to the points.
QPainterPath ringsPath(std::span<const QPointF> points, std::span<const int> rings)
{
    QPainterPath area;
    size_t at = 0;
    for (int n : rings) {
        if (n == 0)
            continue;
        area.moveTo(points[at]);
        for (int i = 1; i < n; ++i)
            area.lineTo(points[at + static_cast<size_t>(i)]);
        area.closeSubpath();
        at += static_cast<size_t>(n);
    }
    return area;
}

// Points a painter path accepts (it drops others): lines with others go the path way.
// A function object, so that the checks over a figure's points keep it inline.
constexpr auto pathTakes = [](QPointF p) { return std::abs(p.x()) < 1e128 && std::abs(p.y()) < 1e128; };

} // namespace

PainterDevice::PainterDevice(QPaintDevice* target)
{
    if (!target)
        return;
    m_size = QSize(target->width(), target->height());
    if (!m_painter.begin(target))
        return;
    const QPaintEngine* engine = m_painter.paintEngine();
    m_raster = engine && engine->type() == QPaintEngine::Raster;
    m_softClip = engine && engine->type() == QPaintEngine::SVG;
    if (m_raster && target->devType() == QInternal::Image && m_painter.deviceTransform().isIdentity())
        m_rows = RowPlotter(*static_cast<QImage*>(target));
    applyRenderState();
    applyClip();
}

void PainterDevice::setDrawingArea(const QRect& area)
{
    m_painter.resetTransform();
    m_painter.translate(area.topLeft());
    m_size = area.size();
    applyClip();
}

PainterDevice::~PainterDevice()
{
    if (m_painter.isActive())
        m_painter.end();
}

bool PainterDevice::finish()
{
    return m_painter.isActive() && m_painter.end();
}

void PainterDevice::setPen(const DevicePen& pen)
{
    m_state.pen = pen;
    if (!std::isfinite(m_state.pen.width) || m_state.pen.width < 0)
        m_state.pen.width = 1;
}

void PainterDevice::setBrush(const DeviceBrush& brush) { m_state.brush = brush; }

void PainterDevice::setBrushOrigin(QPoint origin)
{
    m_state.brushOrigin = origin;
    applyRenderState();
}

void PainterDevice::setBackground(BackgroundMode mode, DeviceColor color)
{
    m_state.backgroundMode = mode;
    m_state.background = color;
}

bool PainterDevice::setRasterOp(RasterOp op)
{
    const bool ok = op == RasterOp::Copy || m_raster;
    m_state.rop = ok ? op : RasterOp::Copy;
    applyRenderState();
    return ok;
}

void PainterDevice::setFillRule(FillRule rule) { m_state.fillRule = rule; }

void PainterDevice::setAntialiasing(bool on)
{
    m_state.antialiasing = on;
    applyRenderState();
}

void PainterDevice::save() { m_stack.push_back(m_state); }

void PainterDevice::restore()
{
    if (m_stack.empty())
        return;
    m_state = std::move(m_stack.back());
    m_stack.pop_back();
    applyRenderState();
    applyClip();
}

void PainterDevice::setBaseClip(const QRegion& region)
{
    m_baseClip = region;
    applyClip();
}

void PainterDevice::clearBaseClip()
{
    m_baseClip.reset();
    applyClip();
}

bool PainterDevice::clipToPath()
{
    if (m_pathState != PathState::Ended)
        return false;
    m_pathState = PathState::None;
    ClipPath clip;
    clip.rule = qtFillRule();
    if (m_path.isEmpty() && std::all_of(m_figurePoints.begin(), m_figurePoints.end(), pathTakes)) {
        // Figures only, with every point a painter path keeps: each polygon's rings and each
        // polyline, closed, are the rings of the clip.
        clip.figures.swap(m_figures);
        clip.points.swap(m_figurePoints);
        clip.figureRings.swap(m_figureRings);
        for (const PathFigure& f : clip.figures) {
            if (f.polygon)
                clip.rings.insert(clip.rings.end(), clip.figureRings.begin() + std::ptrdiff_t(f.firstRing),
                                  clip.figureRings.begin() + std::ptrdiff_t(f.firstRing + f.ringCount));
            else
                clip.rings.push_back(int(f.pointCount));
        }
    } else {
        QPainterPath path = builtPath();
        path.setFillRule(clip.rule);
        clip.path = std::move(path);
    }
    m_path = QPainterPath();
    m_state.clipPaths.push_back(std::move(clip));
    applyClip();
    return true;
}

const QPainterPath& PainterDevice::painterPath(const ClipPath& clip)
{
    if (!clip.path) {
        // As builtPath would have made it.
        QPainterPath path;
        for (const PathFigure& f : clip.figures) {
            const std::span<const QPointF> points(clip.points.data() + f.firstPoint, f.pointCount);
            const std::span<const int> rings = std::span<const int>(clip.figureRings).subspan(f.firstRing, f.ringCount);
            path.addPath(f.polygon ? ringsPath(points, rings) : linePath(points));
        }
        path.setFillRule(clip.rule);
        clip.path = std::move(path);
    }
    return *clip.path;
}

void PainterDevice::resetClip()
{
    m_state.clipPaths.clear();
    applyClip();
}

void PainterDevice::beginPath()
{
    m_path = QPainterPath();
    m_figures.clear();
    m_figurePoints.clear();
    m_figureRings.clear();
    m_pathState = PathState::Open;
}

void PainterDevice::endPath()
{
    if (m_pathState == PathState::Open)
        m_pathState = PathState::Ended;
}

bool PainterDevice::strokePath()
{
    if (m_pathState != PathState::Ended)
        return false;
    m_pathState = PathState::None;
    if (m_path.isEmpty() && wideRowsFit()
        && std::all_of(m_figurePoints.begin(), m_figurePoints.end(), pathTakes)) {
        // Only figures so far: polylines, and polygons whose rings are closed figures.
        static thread_local std::vector<RowPlotter::StrokeFigure> figures;
        figures.clear();
        for (const PathFigure& f : m_figures) {
            const std::span<const QPointF> points(m_figurePoints.data() + f.firstPoint, f.pointCount);
            if (!f.polygon) {
                figures.push_back({points, false});
                continue;
            }
            size_t at = 0;
            for (size_t r = 0; r < f.ringCount; ++r) {
                const auto n = size_t(m_figureRings[f.firstRing + r]);
                figures.push_back({points.subspan(at, n), true});
                at += n;
            }
        }
        if (strokeWideRows(figures)) {
            m_figures.clear();
            m_figurePoints.clear();
            m_figureRings.clear();
            return true;
        }
    }
    strokeOutline(builtPath());
    m_path = QPainterPath();
    return true;
}

bool PainterDevice::fillPath()
{
    if (m_pathState != PathState::Ended)
        return false;
    m_pathState = PathState::None;
    if (m_path.isEmpty() && m_state.brush.style != BrushStyle::Null && !m_softClip && rowsFit()) {
        // Only figures so far: each of them is a ring.
        static thread_local std::vector<int> rings;
        rings.clear();
        for (const PathFigure& f : m_figures) {
            if (f.polygon)
                rings.insert(rings.end(), m_figureRings.begin() + std::ptrdiff_t(f.firstRing),
                             m_figureRings.begin() + std::ptrdiff_t(f.firstRing + f.ringCount));
            else
                rings.push_back(int(f.pointCount));
        }
        if (fillRows(m_figurePoints, rings, m_state.fillRule)) {
            m_figures.clear();
            m_figurePoints.clear();
            m_figureRings.clear();
            return true;
        }
    }
    QPainterPath& area = builtPath();
    area.setFillRule(qtFillRule());
    fillArea(area);
    m_path = QPainterPath();
    return true;
}

void PainterDevice::polyline(std::span<const QPointF> points)
{
    if (points.size() < 2)
        return;
    if (m_pathState != PathState::Open && m_state.pen.style != PenStyle::Null && m_state.pen.width <= 1
        && rowsFit() && std::all_of(points.begin(), points.end(), pathTakes)) {
        const std::span<const QPointF> figure[1] = {points};
        plotRows(figure, m_state.pen.color, m_state.pen.style == PenStyle::Dot);
        return;
    }
    if (m_pathState == PathState::Open) {
        m_figures.push_back({false, m_figurePoints.size(), points.size(), 0, 0});
        m_figurePoints.insert(m_figurePoints.end(), points.begin(), points.end());
        return;
    }
    if (wideRowsFit() && std::all_of(points.begin(), points.end(), pathTakes)) {
        const RowPlotter::StrokeFigure figure[1] = {{points, false}};
        if (strokeWideRows(figure))
            return;
    }
    strokeOutline(linePath(points));
}

void PainterDevice::polygon(std::span<const QPointF> points, std::span<const int> ringSizes)
{
    if (points.empty())
        return;
    const int whole = static_cast<int>(std::min<size_t>(points.size(), INT32_MAX));
    const std::span<const int> rings = ringSizes.empty() ? std::span<const int>(&whole, 1) : ringSizes;
    size_t total = 0;
    for (int n : rings) {
        if (n < 0)
            return;
        total += static_cast<size_t>(n);
    }
    if (total != points.size())
        return;
    if (m_pathState == PathState::Open) {
        m_figures.push_back({true, m_figurePoints.size(), points.size(), m_figureRings.size(), rings.size()});
        m_figurePoints.insert(m_figurePoints.end(), points.begin(), points.end());
        m_figureRings.insert(m_figureRings.end(), rings.begin(), rings.end());
        return;
    }
    // A fill without an outline needs no other check: the rows take only points well within
    // what a path takes.
    if (m_state.pen.style == PenStyle::Null && m_state.brush.style != BrushStyle::Null && rowsFit()
        && fillRows(points, rings, m_state.fillRule))
        return;
    const bool rows = rowsFit() && std::all_of(points.begin(), points.end(), pathTakes);
    const bool filled = m_state.brush.style == BrushStyle::Null || (rows && fillRows(points, rings, m_state.fillRule));
    if (m_state.pen.style == PenStyle::Null && filled)
        return;
    if (filled && rows && wideRowsFit()) {
        static thread_local std::vector<RowPlotter::StrokeFigure> figures;
        figures.clear();
        for (size_t at = 0; int n : rings) {
            figures.push_back({points.subspan(at, size_t(n)), true});
            at += size_t(n);
        }
        if (strokeWideRows(figures))
            return;
    }
    QPainterPath area = ringsPath(points, rings);
    area.setFillRule(qtFillRule());
    if (!filled)
        fillArea(area);
    strokeOutline(area);
}

void PainterDevice::ellipse(const QRectF& box) { drawFramedShape(box, true); }

void PainterDevice::rectangle(const QRectF& box) { drawFramedShape(box, false); }

void PainterDevice::setPixel(QPoint at, DeviceColor color)
{
    if (rowsFit()) {
        const QPointF dot[2] = {at, at + QPoint(1, 0)};
        m_rows.polyline(dot, LinePixels::All, color, m_state.rop);
        return;
    }
    QPainterPath dot;
    dot.addRect(QRectF(at, QSizeF(1, 1)));
    fillSolid(dot, color);
}

void PainterDevice::drawGlyphs(const QRawFont& font, std::span<const uint32_t> glyphs,
                               std::span<const QPointF> positions, QPointF origin,
                               double angleDegrees, DeviceColor color)
{
    if (!font.isValid() || glyphs.empty() || glyphs.size() != positions.size() ||
        !std::isfinite(angleDegrees))
        return;
    QTransform turn;
    turn.translate(origin.x(), origin.y());
    turn.rotate(-angleDegrees);
    if (!m_raster || m_softClip) {
        // Outlines keep vector output independent of the fonts where it is shown.
        QPainterPath outlines;
        outlines.setFillRule(Qt::WindingFill);
        for (size_t i = 0; i < glyphs.size(); ++i)
            outlines.addPath(font.pathForGlyph(glyphs[i]).translated(positions[i]));
        QPainterPath turned = turn.map(outlines);
        turned.setFillRule(Qt::WindingFill);
        fillSolid(turned, color);
        return;
    }
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(QList<quint32>(glyphs.begin(), glyphs.end()));
    run.setPositions(QList<QPointF>(positions.begin(), positions.end()));
    QPainter& p = painter();
    p.save();
    p.setTransform(turn, true);
    p.setPen(toQColor(color));
    p.drawGlyphRun(QPointF(0, 0), run);
    p.restore();
}

void PainterDevice::drawImage(const QRectF& target, const QImage& image, const QRect& source)
{
    if (image.isNull() || source.isEmpty() || !target.isValid())
        return;
    // A blit is a plain copy whatever the raster op.
    QPainter& p = painter();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(target, image, source);
    applyRenderState();
}

void PainterDevice::applyRenderState()
{
    m_painterStateDue = true;
}

QPainter& PainterDevice::painter()
{
    if (!m_painter.isActive())
        return m_painter;
    if (m_painterStateDue) {
        m_painterStateDue = false;
        m_painter.setRenderHint(QPainter::Antialiasing, m_state.antialiasing);
        m_painter.setRenderHint(QPainter::TextAntialiasing, m_state.antialiasing);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        m_painter.setCompositionMode(m_state.rop == RasterOp::Xor ? QPainter::RasterOp_SourceXorDestination
                                                                  : QPainter::CompositionMode_SourceOver);
        m_painter.setBrushOrigin(m_state.brushOrigin);
    }
    if (m_painterClipDue) {
        m_painterClipDue = false;
        if (!m_baseClip && m_state.clipPaths.empty()) {
            m_painter.setClipping(false);
        } else {
            m_painter.setClipRegion(m_baseClip ? *m_baseClip : QRegion(QRect(QPoint(0, 0), m_size)));
            for (const ClipPath& clip : m_state.clipPaths)
                m_painter.setClipPath(painterPath(clip), Qt::IntersectClip);
        }
    }
    return m_painter;
}

void PainterDevice::applyClip()
{
    if (!m_painter.isActive())
        return;
    if (m_softClip) {
        // The engine ignores clips: keep the clip as geometry and cut every shape with it.
        m_softClipPath.reset();
        if (m_baseClip) {
            QPainterPath base;
            base.addRegion(*m_baseClip);
            m_softClipPath = base;
        }
        for (const ClipPath& clip : m_state.clipPaths)
            m_softClipPath = m_softClipPath ? m_softClipPath->intersected(painterPath(clip)) : painterPath(clip);
        return;
    }
    m_rowsClip = m_rows.attached() && m_state.clipPaths.size() <= 1;
    if (m_rowsClip)
        m_rows.setClip(m_baseClip);
    if (m_rowsClip && !m_state.clipPaths.empty()) {
        // One clip path of straight edges (an area's outline) is followed in the rows too.
        const ClipPath& clip = m_state.clipPaths.front();
        const FillRule rule = clip.rule == Qt::WindingFill ? FillRule::Winding : FillRule::OddEven;
        m_rowsClip = clip.path ? straightRings(*clip.path) && m_rows.setClipPath(m_ringPoints, m_ringSizes, rule)
                               : m_rows.setClipPath(clip.points, clip.rings, rule);
    }
    // The toolkit's clip costs a scan of every path: made when the painter draws next.
    m_painterClipDue = true;
}

Qt::FillRule PainterDevice::qtFillRule() const
{
    return m_state.fillRule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill;
}

void PainterDevice::strokeOutline(const QPainterPath& centre)
{
    const DevicePen& pen = m_state.pen;
    if (pen.style == PenStyle::Null || centre.isEmpty())
        return;
    const bool dotted = pen.style == PenStyle::Dot;
    const bool onePixel = pen.width <= 1;
    const auto draw = [&](DeviceColor color, bool dots) {
        if (onePixel && m_raster) {
            plotOnePixelLines(centre.toSubpathPolygons(), color, dots);
            return;
        }
        // Geometric strokes are centred on the pixels the 1-pixel lines light. Just short of
        // the centres, so that edges never run through pixel centres: a flat end then
        // covers its start pixel and leaves out its end pixel, like LineTo.
        const QPen q = geometricPen(pen, std::max(pen.width, 1.0), color, dots);
        const QPainterPath shifted = centre.translated(PixelCentre, PixelCentre);
        if (m_softClipPath) {
            QPainterPathStroker stroker(q);
            QPainterPath outline = stroker.createStroke(shifted);
            // A stroke wholly inside the clip stays a stroke in the picture.
            if (!m_softClipPath->contains(outline.boundingRect())) {
                outline.setFillRule(Qt::WindingFill);
                fillSolid(outline, color);
                return;
            }
        }
        QPainter& p = painter();
        p.setPen(q);
        p.setBrush(Qt::NoBrush);
        p.drawPath(shifted);
    };
    if (dotted && m_state.backgroundMode == BackgroundMode::Opaque && !(onePixel && m_raster))
        draw(m_state.background, false);
    draw(pen.color, dotted);
}

bool PainterDevice::rowsFit() const
{
    return m_rowsClip && !m_state.antialiasing && (m_state.rop == RasterOp::Copy || m_rows.canXor());
}

void PainterDevice::plotRows(std::span<const std::span<const QPointF>> figures, DeviceColor color, bool dots)
{
    // Every figure's dots first, then every figure's gaps, like the points drawn below.
    const auto pass = [&](LinePixels which, DeviceColor c) {
        for (const std::span<const QPointF> figure : figures)
            m_rows.polyline(figure, which, c, m_state.rop);
    };
    pass(dots ? LinePixels::DotsOn : LinePixels::All, color);
    if (dots && m_state.backgroundMode == BackgroundMode::Opaque)
        pass(LinePixels::DotsOff, m_state.background);
}

void PainterDevice::plotOnePixelLines(const QList<QPolygonF>& figures, DeviceColor color, bool dots)
{
    if (rowsFit()) {
        std::vector<std::span<const QPointF>> spans;
        for (const QPolygonF& figure : figures)
            spans.emplace_back(figure.constData(), size_t(figure.size()));
        plotRows(spans, color, dots);
        return;
    }
    const QRect bounds(QPoint(-1, -1), m_size + QSize(2, 2));
    std::vector<QPoint> on;
    std::vector<QPoint> off;
    for (const QPolygonF& figure : figures) {
        int64_t phase = 0;
        for (qsizetype i = 1; i < figure.size(); ++i)
            phase += StepLine(figure[i - 1], figure[i], bounds, [&](int x, int y, int64_t step) {
                (!dots || DotIsOn(phase, step) ? on : off).emplace_back(x, y);
            });
    }
    const auto plot = [this](const std::vector<QPoint>& pixels, DeviceColor c) {
        if (pixels.empty())
            return;
        QPen q(toQColor(c), 1);
        q.setCosmetic(true);
        QPainter& p = painter();
        p.setPen(q);
        p.drawPoints(pixels.data(), static_cast<int>(pixels.size()));
    };
    plot(on, color);
    if (dots && m_state.backgroundMode == BackgroundMode::Opaque)
        plot(off, m_state.background);
}

void PainterDevice::fillArea(const QPainterPath& area)
{
    switch (m_state.brush.style) {
    case BrushStyle::Null: return;
    case BrushStyle::Solid: fillSolid(area, m_state.brush.color); return;
    case BrushStyle::Hatch: fillHatch(area); return;
    }
}

void PainterDevice::fillSolid(const QPainterPath& area, DeviceColor color)
{
    if (m_softClipPath && !m_softClipPath->contains(area.boundingRect())) {
        const QPainterPath cut = area.intersected(*m_softClipPath);
        if (!cut.isEmpty())
            painter().fillPath(cut, toQColor(color));
        return;
    }
    painter().fillPath(area, toQColor(color));
}

void PainterDevice::fillHatch(const QPainterPath& area)
{
    const DeviceBrush& brush = m_state.brush;
    const bool opaque = m_state.backgroundMode == BackgroundMode::Opaque;
    if (!m_softClip) {
        if (rowsFit() && fillHatchRows(area, opaque))
            return;
        const QImage tile = hatchTile(brush.hatch, brush.color,
                                      opaque ? std::optional(m_state.background) : std::nullopt);
        painter().fillPath(area, QBrush(tile));
        return;
    }
    if (opaque)
        fillSolid(area, m_state.background);
    const QPainterPath lines =
        hatchStrips(brush.hatch, m_state.brushOrigin, area.boundingRect()).intersected(area);
    fillSolid(lines, brush.color);
}

QPainterPath& PainterDevice::builtPath()
{
    for (const PathFigure& f : m_figures) {
        const std::span<const QPointF> points(m_figurePoints.data() + f.firstPoint, f.pointCount);
        const std::span<const int> rings = std::span<const int>(m_figureRings).subspan(f.firstRing, f.ringCount);
        m_path.addPath(f.polygon ? ringsPath(points, rings) : linePath(points));
    }
    m_figures.clear();
    m_figurePoints.clear();
    m_figureRings.clear();
    return m_path;
}

bool PainterDevice::wideRowsFit() const
{
    const DevicePen& pen = m_state.pen;
    return pen.style == PenStyle::Solid && pen.width > 1 && pen.cap != PenCap::Square && !m_softClip && rowsFit();
}

bool PainterDevice::strokeWideRows(std::span<const RowPlotter::StrokeFigure> figures)
{
    // Centred where the toolkit's strokes are (see strokeOutline).
    const DevicePen& pen = m_state.pen;
    return m_rows.strokeWide(figures, QPointF(PixelCentre, PixelCentre), pen.width, pen.join, pen.cap == PenCap::Round,
                             pen.color, m_state.rop);
}

bool PainterDevice::fillRows(std::span<const QPointF> points, std::span<const int> rings, FillRule rule)
{
    if (m_state.brush.style == BrushStyle::Solid)
        return m_rows.fillSolid(points, rings, rule, m_state.brush.color, m_state.rop);
    return fillHatchRows(points, rings, rule, m_state.backgroundMode == BackgroundMode::Opaque);
}

bool PainterDevice::fillHatchRows(std::span<const QPointF> points, std::span<const int> rings, FillRule rule,
                                  bool opaque)
{
    const DeviceBrush& brush = m_state.brush;
    RowPlotter::Hatch hatch{brush.hatch, m_state.brushOrigin, brush.color,
                            opaque ? std::optional(m_state.background) : std::nullopt};
    return m_rows.fillHatch(points, rings, rule, hatch, m_state.rop);
}

bool PainterDevice::straightRings(const QPainterPath& path)
{
    // Straight edges only: curves are flattened by the engine in its own way.
    m_ringPoints.clear();
    m_ringSizes.clear();
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.isMoveTo() || m_ringSizes.empty())
            m_ringSizes.push_back(0);
        else if (!e.isLineTo())
            return false;
        m_ringPoints.emplace_back(e.x, e.y);
        ++m_ringSizes.back();
    }
    return true;
}

bool PainterDevice::fillHatchRows(const QPainterPath& area, bool opaque)
{
    return straightRings(area)
        && fillHatchRows(m_ringPoints, m_ringSizes,
                         area.fillRule() == Qt::WindingFill ? FillRule::Winding : FillRule::OddEven, opaque);
}

void PainterDevice::drawFramedShape(const QRectF& box, bool isEllipse)
{
    const QRectF b = box.normalized();
    if (b.isEmpty() || !std::isfinite(b.width()) || !std::isfinite(b.height()))
        return;
    const auto shape = [isEllipse](const QRectF& r) {
        QPainterPath p;
        if (r.width() > 0 && r.height() > 0) {
            if (isEllipse)
                p.addEllipse(r);
            else
                p.addRect(r);
        }
        return p;
    };
    if (m_pathState == PathState::Open) {
        builtPath().addPath(shape(b));
        return;
    }
    const DevicePen& pen = m_state.pen;
    if (pen.style == PenStyle::Null) {
        if (fillShapeRows(b, isEllipse))
            return;
        QPainterPath inside = shape(b);
        fillArea(inside);
        return;
    }
    const double w = std::max(pen.width, 1.0);
    // The outline's centre line runs through the centres of the box's edge pixels; an
    // inside-frame pen moves it inward so that the whole width stays in the box.
    const double inset = pen.insideFrame ? w / 2 : 0.5;
    const QRectF centre = b.adjusted(inset, inset, -inset, -inset);
    const QRectF outer = centre.adjusted(-w / 2, -w / 2, w / 2, w / 2);
    const QRectF inner = centre.adjusted(w / 2, w / 2, -w / 2, -w / 2);
    QPainterPath inside = shape(inner);
    if (!fillShapeRows(inner, isEllipse))
        fillArea(inside);
    if (pen.style == PenStyle::Dot) {
        // Shift back: strokeOutline centres on pixel centres itself.
        strokeOutline(shape(centre).translated(-PixelCentre, -PixelCentre));
        return;
    }
    // A solid outline is the ring between two shapes: exact on pixels, and drawn once
    // under XOR.
    if (fillShapeRingRows(outer, inner, pen.color, isEllipse))
        return;
    QPainterPath ring = shape(outer);
    ring.addPath(inside);
    ring.setFillRule(Qt::OddEvenFill);
    fillSolid(ring, pen.color);
}

void PainterDevice::appendEllipse(const QRectF& box, std::vector<QPointF>& points, std::vector<int>& rings)
{
    QPointF whole;
    const EllipseOutline& e = ellipseOutline(box, whole);
    for (const QPointF& p : e.points)
        points.push_back(p + whole);
    rings.push_back(int(e.points.size()));
}

PainterDevice::EllipseOutline& PainterDevice::ellipseOutline(const QRectF& box, QPointF& whole)
{
    whole = QPointF(std::floor(box.x()), std::floor(box.y()));
    const QPointF fraction = box.topLeft() - whole;
    // Exact comparisons: the toolkit's own for sizes and points allow for rounding.
    const std::array<double, 4> key{box.width(), box.height(), fraction.x(), fraction.y()};
    auto found = std::find_if(m_ellipses.begin(), m_ellipses.end(),
                              [&](const EllipseOutline& e) { return e.key == key; });
    if (found == m_ellipses.end()) {
        if (m_ellipses.size() == 16)
            m_ellipses.erase(m_ellipses.begin());
        QPainterPath path;
        path.addEllipse(QRectF(fraction, box.size()));
        // The engine flattens curves finer than a path's own polygons do: at twice the size
        // they are its polygons.
        constexpr double Finer = 2;
        const QList<QPolygonF> polygons = path.toSubpathPolygons(QTransform::fromScale(Finer, Finer));
        EllipseOutline made{key, {}, false, {}};
        if (!polygons.isEmpty())
            for (const QPointF& p : polygons.front())
                made.points.push_back(p / Finer);
        m_ellipses.push_back(std::move(made));
        found = m_ellipses.end() - 1;
    }
    return *found;
}

void PainterDevice::shapeRings(std::initializer_list<QRectF> boxes, bool isEllipse)
{
    m_shapePoints.clear();
    m_shapeRings.clear();
    for (const QRectF& box : boxes) {
        if (!(box.width() > 0 && box.height() > 0))
            continue;
        if (isEllipse) {
            appendEllipse(box, m_shapePoints, m_shapeRings);
        } else {
            m_shapePoints.insert(m_shapePoints.end(),
                                 {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()});
            m_shapeRings.push_back(4);
        }
    }
}

bool PainterDevice::fillShapeRows(const QRectF& box, bool isEllipse)
{
    if (m_state.brush.style == BrushStyle::Null || !(box.width() > 0 && box.height() > 0))
        return true;
    if (!rowsFit())
        return false;
    if (isEllipse && m_state.brush.style == BrushStyle::Solid) {
        // A map's dots: the pixels of each size and fraction scanned once, then moved.
        QPointF whole;
        EllipseOutline& e = ellipseOutline(box, whole);
        if (!e.scanned) {
            e.fill = m_rows.scanConvex(e.points);
            e.scanned = true;
        }
        if (std::abs(whole.x()) < 1e6 && std::abs(whole.y()) < 1e6
            && m_rows.fillRuns(e.fill, QPoint(int(whole.x()), int(whole.y())), m_state.brush.color, m_state.rop))
            return true;
    }
    shapeRings({box}, isEllipse);
    return fillRows(m_shapePoints, m_shapeRings, FillRule::OddEven);
}

bool PainterDevice::fillShapeRingRows(const QRectF& outer, const QRectF& inner, DeviceColor color, bool isEllipse)
{
    if (!rowsFit())
        return false;
    shapeRings({outer, inner}, isEllipse);
    return m_rows.fillSolid(m_shapePoints, m_shapeRings, FillRule::OddEven, color, m_state.rop);
}

} // namespace zemo
