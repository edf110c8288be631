// The drawing the toolbars share: the system colours of the face, its light and its shadow,
// 3-D edges, the etched line, the held-down pattern and the embossed picture of a disabled
// button. Every line is whole pixels; nothing is smoothed.
#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPalette>
#include <QRect>

class QPainter;

namespace zemo {

struct ToolbarColors {
    QColor face;       // button face
    QColor highlight;  // button highlight
    QColor light;      // 3-D light
    QColor shadow;     // button shadow
    QColor darkShadow; // 3-D dark shadow
    QColor text;
    static ToolbarColors Of(const QPalette& p);
};

// One-pixel edges around r: raised has the highlight on top and left, the shadow on bottom
// and right; sunken the other way round.
void DrawThinEdge(QPainter& p, QRect r, QColor topLeft, QColor bottomRight);
void DrawRaisedInner(QPainter& p, QRect r, const ToolbarColors& c);
void DrawSunkenOuter(QPainter& p, QRect r, const ToolbarColors& c);
// Two-pixel soft edges of a button that is not flat.
void DrawRaisedSoft(QPainter& p, QRect r, const ToolbarColors& c);
void DrawSunkenSoft(QPainter& p, QRect r, const ToolbarColors& c);

// An etched line: shadow, and beside it (right of a vertical one, below a horizontal one)
// highlight.
void DrawEtchedVertical(QPainter& p, int x, int top, int bottom, const ToolbarColors& c);
void DrawEtchedHorizontal(QPainter& p, int y, int left, int right, const ToolbarColors& c);

// The 8 by 8 pattern of a button held down: face, with highlight where x and y are both even
// or both odd.
QBrush HeldDownBrush(const ToolbarColors& c);

// A disabled picture: the picture's shape (its pixels that are not transparent, white or
// light grey 0xC0C0C0) in the highlight one pixel right and down, then in the shadow in place.
QImage EmbossedGlyph(const QImage& glyph, const ToolbarColors& c);

} // namespace zemo
