// Device: the drawing surface the output layer talks to. A small, GDI-like interface of our
// own: selected pen and brush, a path bracket, clip paths under an owner's base clip, XOR.
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <cmath>
#include <cstdint>
#include <span>

class QImage;
class QRawFont;

namespace zemo {

// A device colour: red, green, blue. Map colours (CMYK) and stored 0x00BBGGRR values are
// converted once, before they reach a device.
struct DeviceColor {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const DeviceColor&, const DeviceColor&) = default;
};

// a == b as the toolkit compares points (equal to 12 digits), most pairs, far apart, told apart
// at once: coordinates differing by more than 1e-12 of 1 + both sizes never compare equal.
inline bool SamePoint(QPointF a, QPointF b)
{
    const auto far = [](double u, double v) {
        return std::abs(u - v) > 1e-12 * (1 + std::abs(u) + std::abs(v));
    };
    if (far(a.x(), b.x()) || far(a.y(), b.y()))
        return false;
    return a == b;
}

enum class PenStyle { Solid, Dot, Null };
enum class PenJoin { Round, Bevel, Mitre };
enum class PenCap { Round, Flat, Square };

// Widths are in device units. A width of 1 or less draws 1-pixel lines that leave out the end
// pixel of every line, like LineTo. Mitre joins bevel where the mitre would be longer than
// MitreLimit times the width. An inside-frame pen keeps ellipse and rectangle outlines wholly
// inside their box.
struct DevicePen {
    PenStyle style = PenStyle::Solid;
    DeviceColor color;
    double width = 1;
    PenJoin join = PenJoin::Bevel;
    PenCap cap = PenCap::Flat;
    bool insideFrame = false;
    friend bool operator==(const DevicePen&, const DevicePen&) = default;
};

inline constexpr double MitreLimit = 10;

// The pen that draws nothing.
inline constexpr DevicePen NullPen{PenStyle::Null, {}, 1, PenJoin::Bevel, PenCap::Flat, false};

// Hatches repeat every 8 device pixels; their lines pass through the brush origin.
enum class HatchStyle { Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };
enum class BrushStyle { Null, Solid, Hatch };

struct DeviceBrush {
    BrushStyle style = BrushStyle::Null;
    DeviceColor color;
    HatchStyle hatch = HatchStyle::Horizontal;
    friend bool operator==(const DeviceBrush&, const DeviceBrush&) = default;
};

inline constexpr int HatchPeriod = 8;

enum class FillRule { OddEven, Winding };
enum class RasterOp { Copy, Xor };
enum class BackgroundMode { Transparent, Opaque };

// Coordinates are device units in double precision; callers round where they need whole
// pixels. An integer coordinate is a pixel corner: the box (0, 0, 10, 10) covers pixels 0..9,
// and a 1-pixel line through integer points lights the pixels right of and below them.
// Polygon rings and path figures follow the selected fill rule (odd-even unless changed).
class Device {
public:
    virtual ~Device() = default;

    // Size of the drawing surface in device units.
    virtual QSize size() const = 0;
    // Whether the XOR raster operation is available (raster images only).
    virtual bool canXor() const = 0;

    // Selects the pen for lines and outlines.
    virtual void setPen(const DevicePen& pen) = 0;
    // Selects the brush for fills.
    virtual void setBrush(const DeviceBrush& brush) = 0;
    // Anchors hatch patterns: their lines pass through this device point.
    virtual void setBrushOrigin(QPoint origin) = 0;
    // Background behind hatch lines and between dots of a dotted pen.
    virtual void setBackground(BackgroundMode mode, DeviceColor color) = 0;
    // Copy or XOR for everything drawn after; false (and Copy) when the device cannot XOR.
    virtual bool setRasterOp(RasterOp op) = 0;
    // Fill rule of polygons, path fills and clip paths.
    virtual void setFillRule(FillRule rule) = 0;
    // Antialiased edges; off by default, and to stay off wherever pixels are counted or XORed.
    virtual void setAntialiasing(bool on) = 0;
    // Pushes pen, brush, origin, background, raster op, fill rule, antialiasing and clip.
    virtual void save() = 0;
    // Pops what the matching save pushed; does nothing without one.
    virtual void restore() = 0;

    // The owner's clip (the paint region); nothing is ever drawn outside it.
    virtual void setBaseClip(const QRegion& region) = 0;
    // Removes the owner's clip: the whole device.
    virtual void clearBaseClip() = 0;
    // Intersects the clip with the ended path (the path is used up); false without one.
    virtual bool clipToPath() = 0;
    // Drops every clip path: the base clip alone.
    virtual void resetClip() = 0;

    // Starts a path: polyline, polygon, ellipse and rectangle add figures to it instead of
    // drawing until endPath.
    virtual void beginPath() = 0;
    // Ends the path for strokePath, fillPath or clipToPath.
    virtual void endPath() = 0;
    // Strokes the ended path with the pen (joins apply between its segments); false without one.
    virtual bool strokePath() = 0;
    // Fills the ended path with the brush, open figures closed; false without one.
    virtual bool fillPath() = 0;

    // Connected lines through the points, drawn with the pen.
    virtual void polyline(std::span<const QPointF> points) = 0;
    // Closed rings (ringSizes points each; empty: one ring of all points) filled with the
    // brush and outlined with the pen. Sizes that do not add up to the points draw nothing.
    virtual void polygon(std::span<const QPointF> points, std::span<const int> ringSizes = {}) = 0;
    // Ellipse inscribed in the box, filled with the brush and outlined with the pen.
    virtual void ellipse(const QRectF& box) = 0;
    // Rectangle, filled with the brush and outlined with the pen.
    virtual void rectangle(const QRectF& box) = 0;
    // One pixel in the given colour (under the raster op and clip).
    virtual void setPixel(QPoint at, DeviceColor color) = 0;
    // Glyphs of a font: positions are relative to the origin on the baseline, then the run is
    // turned counter-clockwise by angleDegrees about the origin.
    virtual void drawGlyphs(const QRawFont& font, std::span<const uint32_t> glyphs,
                            std::span<const QPointF> positions, QPointF origin,
                            double angleDegrees, DeviceColor color) = 0;
    // Copies the source part of the image onto the target box, scaled (always a plain copy).
    virtual void drawImage(const QRectF& target, const QImage& image, const QRect& source) = 0;
};

} // namespace zemo
