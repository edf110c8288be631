#include "shell/toolbars/FloatingFrame.h"

namespace zemo {

namespace {

constexpr int CloseButtonSize = FloatCaption - 4;

} // namespace

QRect FloatClientRect(QSize outer)
{
    return QRect(QPoint(0, 0), outer)
        .adjusted(FloatFrame, FloatFrame + FloatCaption, -FloatFrame, -FloatFrame);
}

QRect FloatCaptionRect(QSize outer)
{
    return QRect(FloatFrame, FloatFrame, outer.width() - 2 * FloatFrame, FloatCaption - 1);
}

QRect FloatCloseRect(QSize outer)
{
    const QRect caption = FloatCaptionRect(outer);
    return QRect(caption.right() - 1 - CloseButtonSize,
                 caption.top() + (caption.height() - CloseButtonSize) / 2, CloseButtonSize,
                 CloseButtonSize);
}

FloatHit FloatHitTest(QSize outer, QPoint p, bool resizable, bool closeButton)
{
    if (resizable) {
        if (p.x() < FloatFrame)
            return FloatHit::Left;
        if (p.x() >= outer.width() - FloatFrame)
            return FloatHit::Right;
        if (p.y() < FloatFrame)
            return FloatHit::Top;
        if (p.y() >= outer.height() - FloatFrame)
            return FloatHit::Bottom;
    }
    if (closeButton && FloatCloseRect(outer).contains(p))
        return FloatHit::Close;
    return FloatHit::Client;
}

QString CutCaption(const QString& text, int width, const std::function<int(const QString&)>& textWidth)
{
    if (textWidth(text) <= width)
        return text;
    QString cut = text + QStringLiteral("...");
    while (cut.size() >= 5 && textWidth(cut) > width)
        cut.remove(cut.size() - 4, 1);
    return cut;
}

} // namespace zemo
