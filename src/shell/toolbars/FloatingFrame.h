// The frame of a floating tool window: its sizes, what a point on it means, and the caption
// cut to its bar.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

namespace zemo {

// The sizing frame around a floating window and its small caption (the line under the
// caption included).
inline constexpr int FloatFrame = 4;
inline constexpr int FloatCaption = 15;

// Outer size minus client size of a floating window.
inline QSize FloatFrameExtra()
{
    return {2 * FloatFrame, 2 * FloatFrame + FloatCaption};
}
// The client area within the outer rectangle (0, 0, outer).
QRect FloatClientRect(QSize outer);
// The caption bar, without the line under it.
QRect FloatCaptionRect(QSize outer);
// The close button at the caption's right end.
QRect FloatCloseRect(QSize outer);

enum class FloatHit { Client, Left, Right, Top, Bottom, Close };

// What a point of the outer window means: a sizing edge of a resizable window, the close
// button, or else the client area (a press there, the caption included, drags the window).
FloatHit FloatHitTest(QSize outer, QPoint p, bool resizable, bool closeButton);

// The caption as it fits into width: a text too long gets "..." and loses the character before
// it until it fits or is shorter than 5 characters.
QString CutCaption(const QString& text, int width, const std::function<int(const QString&)>& textWidth);

} // namespace zemo
