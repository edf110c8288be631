#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QPainter>

namespace zemo {

ToolbarColors ToolbarColors::Of(const QPalette& p)
{
    // The system's colours, whatever state the control is in.
    const QPalette::ColorGroup g = QPalette::Active;
    ToolbarColors c;
    c.face = p.color(g, QPalette::Button);
    c.highlight = p.color(g, QPalette::Light);
    c.light = p.color(g, QPalette::Midlight);
    c.shadow = p.color(g, QPalette::Dark);
    c.darkShadow = p.color(g, QPalette::Shadow);
    c.text = p.color(g, QPalette::ButtonText);
    return c;
}

void DrawThinEdge(QPainter& p, QRect r, QColor topLeft, QColor bottomRight)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void DrawRaisedInner(QPainter& p, QRect r, const ToolbarColors& c)
{
    DrawThinEdge(p, r, c.highlight, c.shadow);
}

void DrawSunkenOuter(QPainter& p, QRect r, const ToolbarColors& c)
{
    DrawThinEdge(p, r, c.shadow, c.highlight);
}

void DrawRaisedSoft(QPainter& p, QRect r, const ToolbarColors& c)
{
    DrawThinEdge(p, r, c.highlight, c.darkShadow);
    DrawThinEdge(p, r.adjusted(1, 1, -1, -1), c.light, c.shadow);
}

void DrawSunkenSoft(QPainter& p, QRect r, const ToolbarColors& c)
{
    DrawThinEdge(p, r, c.shadow, c.highlight);
    DrawThinEdge(p, r.adjusted(1, 1, -1, -1), c.darkShadow, c.light);
}

void DrawEtchedVertical(QPainter& p, int x, int top, int bottom, const ToolbarColors& c)
{
    p.fillRect(QRect(x, top, 1, bottom - top + 1), c.shadow);
    p.fillRect(QRect(x + 1, top, 1, bottom - top + 1), c.highlight);
}

void DrawEtchedHorizontal(QPainter& p, int y, int left, int right, const ToolbarColors& c)
{
    p.fillRect(QRect(left, y, right - left + 1, 1), c.shadow);
    p.fillRect(QRect(left, y + 1, right - left + 1, 1), c.highlight);
}

QBrush HeldDownBrush(const ToolbarColors& c)
{
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, ((x ^ y) & 1) == 0 ? c.highlight.rgb() : c.face.rgb());
    return QBrush(tile);
}

QImage EmbossedGlyph(const QImage& glyph, const ToolbarColors& c)
{
    const QImage src = glyph.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.width() + 1, src.height() + 1, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const auto shape = [&](int x, int y) {
        const QRgb px = src.pixel(x, y);
        if (qAlpha(px) < 128)
            return false;
        const QRgb rgb = px & 0xFFFFFF;
        return rgb != 0xFFFFFF && rgb != 0xC0C0C0;
    };
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (shape(x, y))
                out.setPixel(x + 1, y + 1, c.highlight.rgb());
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (shape(x, y))
                out.setPixel(x, y, c.shadow.rgb());
    return out;
}

} // namespace zemo
