// PainterDevice: the Device over a QPainter on any paint device (QImage, QSvgGenerator,
// a printer). GDI-like pixel rules hold on raster images: odd-even fills, 1-pixel lines
// without their end pixel, inside-frame ellipses, hatch patterns anchored at the brush origin.
#pragma once

#include "platform/Device.h"
#include "platform/RowPlotter.h"

#include <QPainter>
#include <QPainterPath>
#include <array>
#include <initializer_list>
#include <optional>
#include <vector>

class QPaintDevice;

namespace zemo {

class PainterDevice final : public Device {
public:
    // Starts painting on the target; check isActive. The target must outlive the device.
    explicit PainterDevice(QPaintDevice* target);
    ~PainterDevice() override;
    PainterDevice(const PainterDevice&) = delete;
    PainterDevice& operator=(const PainterDevice&) = delete;

    bool isActive() const { return m_painter.isActive(); }
    // Drawing goes into this part of a target drawn through the painter (a printer's sheet):
    // device point (0, 0) is its top-left corner, and size() is its size.
    void setDrawingArea(const QRect& area);
    // Ends painting (a QSvgGenerator writes its file now); false when the engine failed.
    bool finish();

    QSize size() const override { return m_size; }
    bool canXor() const override { return m_raster; }

    void setPen(const DevicePen& pen) override;
    void setBrush(const DeviceBrush& brush) override;
    void setBrushOrigin(QPoint origin) override;
    void setBackground(BackgroundMode mode, DeviceColor color) override;
    bool setRasterOp(RasterOp op) override;
    void setFillRule(FillRule rule) override;
    void setAntialiasing(bool on) override;
    void save() override;
    void restore() override;

    void setBaseClip(const QRegion& region) override;
    void clearBaseClip() override;
    bool clipToPath() override;
    void resetClip() override;

    void beginPath() override;
    void endPath() override;
    bool strokePath() override;
    bool fillPath() override;

    void polyline(std::span<const QPointF> points) override;
    void polygon(std::span<const QPointF> points, std::span<const int> ringSizes = {}) override;
    void ellipse(const QRectF& box) override;
    void rectangle(const QRectF& box) override;
    void setPixel(QPoint at, DeviceColor color) override;
    void drawGlyphs(const QRawFont& font, std::span<const uint32_t> glyphs,
                    std::span<const QPointF> positions, QPointF origin, double angleDegrees,
                    DeviceColor color) override;
    void drawImage(const QRectF& target, const QImage& image, const QRect& source) override;

private:
    // Polylines and polygons of the open path are kept as points until a painter path is
    // needed (a hatch fills straight from them); each becomes a ring for a fill.
    struct PathFigure {
        bool polygon;
        size_t firstPoint;
        size_t pointCount;
        size_t firstRing;
        size_t ringCount;
    };
    // A clip path. One made of figures alone (an area's outline) keeps them, and the rings the
    // rows clip to; its painter path is made only where the toolkit clips. Any other has its
    // painter path at once.
    struct ClipPath {
        std::vector<PathFigure> figures;
        std::vector<QPointF> points;
        std::vector<int> figureRings;
        std::vector<int> rings;
        Qt::FillRule rule = Qt::OddEvenFill;
        mutable std::optional<QPainterPath> path;
    };
    static const QPainterPath& painterPath(const ClipPath& clip);
    struct State {
        DevicePen pen;
        DeviceBrush brush;
        QPoint brushOrigin;
        BackgroundMode backgroundMode = BackgroundMode::Opaque;
        DeviceColor background{255, 255, 255};
        RasterOp rop = RasterOp::Copy;
        FillRule fillRule = FillRule::OddEven;
        bool antialiasing = false;
        std::vector<ClipPath> clipPaths;
    };
    enum class PathState { None, Open, Ended };

    // The state and the clip take effect in the rows at once, and in the painter once it
    // draws: most of a map goes straight into the rows.
    void applyRenderState();
    void applyClip();
    QPainter& painter();
    void strokeOutline(const QPainterPath& centre);
    void plotOnePixelLines(const QList<QPolygonF>& figures, DeviceColor color, bool dots);
    // Whether 1-pixel lines and hatches go straight into the image's rows now.
    bool rowsFit() const;
    void plotRows(std::span<const std::span<const QPointF>> figures, DeviceColor color, bool dots);
    bool fillHatchRows(const QPainterPath& area, bool opaque);
    // The path's rings into m_ringPoints and m_ringSizes; false where it has curves.
    bool straightRings(const QPainterPath& path);
    // Solid and hatched fills of point rings straight into the rows; false where they do not go.
    bool fillRows(std::span<const QPointF> points, std::span<const int> rings, FillRule rule);
    // Whether strokes of the pen wider than one pixel go straight into the rows now.
    bool wideRowsFit() const;
    bool strokeWideRows(std::span<const RowPlotter::StrokeFigure> figures);
    bool fillHatchRows(std::span<const QPointF> points, std::span<const int> rings, FillRule rule, bool opaque);
    // The open path's figures made into m_path, where a painter path is needed.
    QPainterPath& builtPath();
    void fillArea(const QPainterPath& area);
    void fillSolid(const QPainterPath& area, DeviceColor color);
    void fillHatch(const QPainterPath& area);
    void drawFramedShape(const QRectF& box, bool ellipse);
    // An ellipse's or rectangle's inside filled with the brush, and its ring (between outer
    // and inner) filled with a colour, straight into the rows; false where they do not go there.
    bool fillShapeRows(const QRectF& box, bool isEllipse);
    bool fillShapeRingRows(const QRectF& outer, const QRectF& inner, DeviceColor color, bool isEllipse);
    // Appends the ellipse in the box as one ring of points.
    void appendEllipse(const QRectF& box, std::vector<QPointF>& points, std::vector<int>& rings);
    // The ellipses or rectangles of the boxes that are not empty, as the rings below.
    void shapeRings(std::initializer_list<QRectF> boxes, bool isEllipse);
    Qt::FillRule qtFillRule() const;

    QPainter m_painter;
    bool m_painterStateDue = false;
    bool m_painterClipDue = false;
    QSize m_size;
    bool m_raster = false;
    // The engine ignores clipping (SVG): clip and hatch are turned into geometry here.
    bool m_softClip = false;
    State m_state;
    std::vector<State> m_stack;
    std::optional<QRegion> m_baseClip;
    std::optional<QPainterPath> m_softClipPath;
    PathState m_pathState = PathState::None;
    QPainterPath m_path;
    std::vector<PathFigure> m_figures;
    std::vector<QPointF> m_figurePoints;
    std::vector<int> m_figureRings;
    // Raster images in a 32-bit format: the rows themselves, and whether the clip is one the
    // row plotter follows (at most one clip path, of straight edges).
    RowPlotter m_rows;
    bool m_rowsClip = false;
    std::vector<QPointF> m_ringPoints;
    std::vector<int> m_ringSizes;
    // Ellipses flattened as the raster engine flattens them, by size and the fraction of
    // their corner's position: a map's point symbols repeat a handful of them. Newest last.
    struct EllipseOutline {
        std::array<double, 4> key;  // width, height, fractions of x and y
        std::vector<QPointF> points;
        bool scanned = false;        // its fill's runs made
        RowPlotter::ConvexRuns fill;
    };
    // The outline of the box's size and fraction, made when new; whole: the box's corner less
    // the fraction.
    EllipseOutline& ellipseOutline(const QRectF& box, QPointF& whole);
    std::vector<EllipseOutline> m_ellipses;
    std::vector<QPointF> m_shapePoints;
    std::vector<int> m_shapeRings;
};

} // namespace zemo
