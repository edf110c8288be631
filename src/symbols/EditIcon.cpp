#include "symbols/EditIcon.h"

#include "platform/PainterDevice.h"
#include "symbols/store/IconCodec.h"

#include <algorithm>

namespace zemo {

const std::array<QRgb, IconColorColumns * IconColorRows> IconEditorColors = {
    qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 0, 0),     qRgb(255, 0, 0),     qRgb(192, 0, 0),     qRgb(255, 128, 0),
    qRgb(128, 128, 0),   qRgb(255, 255, 0),   qRgb(192, 192, 0),   qRgb(255, 192, 0),
    qRgb(0, 128, 0),     qRgb(0, 255, 0),     qRgb(0, 192, 0),     qRgb(128, 255, 128),
    qRgb(0, 0, 128),     qRgb(0, 0, 255),     qRgb(0, 128, 255),   qRgb(0, 192, 255),
    qRgb(0, 128, 128),   qRgb(0, 255, 255),   qRgb(128, 0, 128),   qRgb(255, 0, 255),
    qRgb(255, 0, 128),   qRgb(255, 128, 64)};

namespace {

bool Inside(QPoint p)
{
    return p.x() >= 0 && p.x() < IconSize && p.y() >= 0 && p.y() < IconSize;
}

QPoint Clamped(QPoint p)
{
    return {std::clamp(p.x(), 0, IconSize - 1), std::clamp(p.y(), 0, IconSize - 1)};
}

DeviceColor ToDevice(QRgb c)
{
    return {uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))};
}

} // namespace

IconEditor::IconEditor() : image_(BlankIcon()) {}

void IconEditor::Load(std::span<const uint8_t> record)
{
    DecodeRecordIcon(record, image_);
    dragging_ = false;
}

bool IconEditor::Store(std::span<uint8_t> record, int formatVersion) const
{
    return EncodeRecordIcon(image_, record, formatVersion);
}

void IconEditor::SetTool(IconTool t)
{
    tool_ = t;
    dragging_ = false;
}

void IconEditor::SetColorNumber(int n)
{
    if (n >= 0 && n < int(IconEditorColors.size()))
        color_ = n;
}

void IconEditor::MouseDown(QPoint at)
{
    if (tool_ == IconTool::Pen) {
        if (!Inside(at))
            return;
        image_.setPixel(at, Color());
    }
    dragging_ = true;
    start_ = last_ = at;
}

void IconEditor::MouseMove(QPoint at)
{
    if (!dragging_ || at == last_)
        return;
    last_ = at;
    if (tool_ == IconTool::Pen && Inside(at))
        image_.setPixel(at, Color());
}

void IconEditor::MouseUp(QPoint at)
{
    if (!dragging_)
        return;
    dragging_ = false;
    if (tool_ == IconTool::Pen)
        return;
    DrawShape(image_, tool_, Clamped(start_), Clamped(at), Color());
}

QImage IconEditor::Shown() const
{
    if (!dragging_ || tool_ == IconTool::Pen)
        return image_;
    // The outline of the shape so far, each of its pixels inverted.
    QImage mask(IconSize, IconSize, QImage::Format_RGB32);
    mask.fill(Qt::white);
    const IconTool outline = tool_ == IconTool::FullRect ? IconTool::Rect
                           : tool_ == IconTool::FullEllipse ? IconTool::Ellipse : tool_;
    DrawShape(mask, outline, Clamped(start_), Clamped(last_), qRgb(0, 0, 0));
    QImage shown = image_;
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            if (mask.pixel(x, y) != qRgb(255, 255, 255))
                shown.setPixel(x, y, shown.pixel(x, y) ^ 0x00FFFFFF);
    return shown;
}

void IconEditor::DrawShape(QImage& image, IconTool tool, QPoint a, QPoint b, QRgb color)
{
    a = Clamped(a);
    b = Clamped(b);
    PainterDevice dc(&image);
    if (!dc.isActive())
        return;
    const DeviceColor c = ToDevice(color);
    dc.setAntialiasing(false);
    dc.setPen({PenStyle::Solid, c, 1, PenJoin::Bevel, PenCap::Flat, false});
    const bool filled = tool == IconTool::FullRect || tool == IconTool::FullEllipse;
    dc.setBrush(filled ? DeviceBrush{BrushStyle::Solid, c, HatchStyle::Horizontal} : DeviceBrush{});
    const QRectF box(std::min(a.x(), b.x()), std::min(a.y(), b.y()),
                     std::abs(a.x() - b.x()) + 1, std::abs(a.y() - b.y()) + 1);
    switch (tool) {
    case IconTool::Line: {
        const QPointF line[2] = {a, b};
        dc.polyline(line);
        // A 1-pixel line leaves out its end pixel.
        dc.setPixel(b, c);
        break;
    }
    case IconTool::Rect:
    case IconTool::FullRect:
        dc.rectangle(box);
        break;
    case IconTool::Ellipse:
    case IconTool::FullEllipse:
        dc.ellipse(box);
        break;
    case IconTool::Pen:
        dc.setPixel(b, c);
        break;
    }
    dc.finish();
}

void IconEditor::RotateClockwise()
{
    // Four-pixel cycles over one quarter: (x, y) goes to (n - y, x).
    constexpr int n = IconSize - 1;
    for (int y = 0; y < IconSize / 2; ++y) {
        for (int x = 0; x < IconSize / 2; ++x) {
            const QRgb a = image_.pixel(x, y);
            image_.setPixel(x, y, image_.pixel(y, n - x));
            image_.setPixel(y, n - x, image_.pixel(n - x, n - y));
            image_.setPixel(n - x, n - y, image_.pixel(n - y, x));
            image_.setPixel(n - y, x, a);
        }
    }
}

void IconEditor::RotateCounterClockwise()
{
    constexpr int n = IconSize - 1;
    for (int y = 0; y < IconSize / 2; ++y) {
        for (int x = 0; x < IconSize / 2; ++x) {
            const QRgb a = image_.pixel(x, y);
            image_.setPixel(x, y, image_.pixel(n - y, x));
            image_.setPixel(n - y, x, image_.pixel(n - x, n - y));
            image_.setPixel(n - x, n - y, image_.pixel(y, n - x));
            image_.setPixel(y, n - x, a);
        }
    }
}

} // namespace zemo
