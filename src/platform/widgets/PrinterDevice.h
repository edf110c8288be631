// PrinterDevice: the Device over a printer (or a PDF file through QPrinter). Device units are
// the printer's dots at its resolution; a printer has no raster operations, so XOR is refused.
#pragma once

#include "platform/Device.h"
#include "platform/PainterDevice.h"

class QPrinter;

namespace zemo {

class PrinterDevice final : public Device {
public:
    // Starts the print job on the printer (set up by the caller); check isActive. The printer
    // must outlive the device. With an area (dots on the sheet), device units count from its
    // top-left corner and the device is its size, on every page.
    explicit PrinterDevice(QPrinter& printer, const QRect& area = {});

    bool isActive() const { return m_device.isActive(); }
    // Dots per inch: device units per inch.
    int resolution() const { return m_resolution; }
    // Ends the page and starts the next one; false when the job failed.
    bool newPage();
    // Ends the job (a PDF file is written now); false when the engine failed.
    bool finish();

    QSize size() const override { return m_device.size(); }
    bool canXor() const override { return false; }

    void setPen(const DevicePen& pen) override { m_device.setPen(pen); }
    void setBrush(const DeviceBrush& brush) override { m_device.setBrush(brush); }
    void setBrushOrigin(QPoint origin) override { m_device.setBrushOrigin(origin); }
    void setBackground(BackgroundMode mode, DeviceColor color) override
    {
        m_device.setBackground(mode, color);
    }
    bool setRasterOp(RasterOp op) override;
    void setFillRule(FillRule rule) override { m_device.setFillRule(rule); }
    void setAntialiasing(bool on) override { m_device.setAntialiasing(on); }
    void save() override { m_device.save(); }
    void restore() override { m_device.restore(); }

    void setBaseClip(const QRegion& region) override { m_device.setBaseClip(region); }
    void clearBaseClip() override { m_device.clearBaseClip(); }
    bool clipToPath() override { return m_device.clipToPath(); }
    void resetClip() override { m_device.resetClip(); }

    void beginPath() override { m_device.beginPath(); }
    void endPath() override { m_device.endPath(); }
    bool strokePath() override { return m_device.strokePath(); }
    bool fillPath() override { return m_device.fillPath(); }

    void polyline(std::span<const QPointF> points) override { m_device.polyline(points); }
    void polygon(std::span<const QPointF> points, std::span<const int> ringSizes = {}) override
    {
        m_device.polygon(points, ringSizes);
    }
    void ellipse(const QRectF& box) override { m_device.ellipse(box); }
    void rectangle(const QRectF& box) override { m_device.rectangle(box); }
    void setPixel(QPoint at, DeviceColor color) override { m_device.setPixel(at, color); }
    void drawGlyphs(const QRawFont& font, std::span<const uint32_t> glyphs,
                    std::span<const QPointF> positions, QPointF origin, double angleDegrees,
                    DeviceColor color) override
    {
        m_device.drawGlyphs(font, glyphs, positions, origin, angleDegrees, color);
    }
    void drawImage(const QRectF& target, const QImage& image, const QRect& source) override
    {
        m_device.drawImage(target, image, source);
    }

private:
    QPrinter& m_printer;
    int m_resolution;
    QRect m_area;
    PainterDevice m_device;
};

} // namespace zemo
