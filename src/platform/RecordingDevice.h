// RecordingDevice: a Device that draws nothing and writes one text line per call, so that
// tests can assert exactly which drawing calls a painter made.
#pragma once

#include "platform/Device.h"

#include <string>
#include <vector>

namespace zemo {

class RecordingDevice final : public Device {
public:
    // canXor says whether the recorded device pretends to be a raster image.
    explicit RecordingDevice(QSize size = QSize(1000, 1000), bool canXor = true);

    const std::vector<std::string>& lines() const { return m_lines; }
    // All lines, each ended by a line feed.
    std::string text() const;
    void clear() { m_lines.clear(); }

    QSize size() const override { return m_size; }
    bool canXor() const override { return m_canXor; }

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
    enum class PathState { None, Open, Ended };
    bool usePath(const char* what);

    QSize m_size;
    bool m_canXor;
    int m_depth = 0;
    PathState m_pathState = PathState::None;
    std::vector<std::string> m_lines;
};

} // namespace zemo
