#include "edit/Cursors.h"

#include "edit/Work.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <optional>

namespace zemo {

namespace {

constexpr std::array<const char*, CursorCount> Names{
    "MOVECROSS",    "MOVEEW",         "MOVENS",        "MOVENE",          "MOVENW",
    "EDITOBJECT",   "EDITPOINT",      "ANCHOR",        "ROTATE",          "NORMALPOINT",
    "CORNERPOINT",  "DASHPOINT",      "REMOVEPOINT",   "ROTATEPATTERN",   "CUT",
    "DRAWCURVE",    "DRAWELLIPSE",    "DRAWCIRCLE",    "DRAW45",          "DRAWFREEHAND",
    "DRAWSTRAIGHT", "DRAWPOINT",      "DRAWRECT",      "DRAWTEXT",        "MOVEVIEW",
    "ZOOM",         "ADJTEMPLATE",    "ADJSCREEN",     "ADJGPS",          "MOVEPARALLEL",
    "DRAWCURVECUT", "DRAWELLIPSECUT", "DRAWCIRCLECUT", "DRAW45CUT",       "DRAWFREEHANDCUT",
    "DRAWSTRAIGHTCUT", "INSERTTEXT"};

// Every picture is a 32 x 32 outline in black with a white halo so that it shows on any map.
struct Sketch {
    QPainterPath path;
    QPoint hot{15, 15};
};

void Cross(QPainterPath& p, int cx, int cy, int r)
{
    p.moveTo(cx - r, cy);
    p.lineTo(cx + r, cy);
    p.moveTo(cx, cy - r);
    p.lineTo(cx, cy + r);
}

void Arrow(QPainterPath& p, int x, int y)
{
    p.moveTo(x, y);
    p.lineTo(x, y + 16);
    p.lineTo(x + 4, y + 12);
    p.lineTo(x + 7, y + 18);
    p.lineTo(x + 9, y + 17);
    p.lineTo(x + 6, y + 11);
    p.lineTo(x + 11, y + 11);
    p.closeSubpath();
}

void DoubleArrow(QPainterPath& p, QPointF a, QPointF b)
{
    p.moveTo(a);
    p.lineTo(b);
    const QPointF d = (b - a) / 5;
    const QPointF n(-d.y(), d.x());
    for (auto [tip, dir] : {std::pair{a, d}, std::pair{b, -d}}) {
        p.moveTo(tip + dir + n);
        p.lineTo(tip);
        p.lineTo(tip + dir - n);
    }
}

// The drawing tools: a cross at the hot spot and a small picture of the tool below right.
void ToolBadge(QPainterPath& p, int kind)
{
    const QRectF box(19, 19, 11, 11);
    switch (kind) {
    case 0: // curve
        p.moveTo(19, 30);
        p.cubicTo(19, 18, 30, 30, 30, 19);
        break;
    case 1: // ellipse
        p.addEllipse(QRectF(18, 21, 13, 8));
        break;
    case 2: // circle
        p.addEllipse(box);
        break;
    case 3: // 45 degrees
        p.moveTo(19, 30);
        p.lineTo(19, 24);
        p.lineTo(25, 24);
        p.lineTo(25, 19);
        p.lineTo(30, 19);
        break;
    case 4: // freehand
        p.moveTo(19, 28);
        p.quadTo(22, 18, 24, 25);
        p.quadTo(27, 31, 30, 20);
        break;
    case 5: // straight
        p.moveTo(19, 30);
        p.lineTo(30, 19);
        break;
    case 6: // point
        p.addEllipse(QRectF(22, 22, 5, 5));
        break;
    case 7: // rectangle
        p.addRect(box);
        break;
    case 8: // text
        p.moveTo(19, 19);
        p.lineTo(30, 19);
        p.moveTo(24.5, 19);
        p.lineTo(24.5, 30);
        break;
    }
}

void Scissors(QPainterPath& p)
{
    p.addEllipse(QRectF(1, 24, 5, 5));
    p.addEllipse(QRectF(8, 24, 5, 5));
    p.moveTo(5, 24);
    p.lineTo(11, 16);
    p.moveTo(9, 24);
    p.lineTo(3, 16);
}

Sketch Draw(int index)
{
    Sketch s;
    QPainterPath& p = s.path;
    switch (index) {
    case MoveCrossCursor:
        DoubleArrow(p, {3, 15}, {27, 15});
        DoubleArrow(p, {15, 3}, {15, 27});
        break;
    case MoveEWCursor: DoubleArrow(p, {3, 15}, {27, 15}); break;
    case MoveNSCursor: DoubleArrow(p, {15, 3}, {15, 27}); break;
    case MoveNECursor: DoubleArrow(p, {5, 25}, {25, 5}); break;
    case MoveNWCursor: DoubleArrow(p, {5, 5}, {25, 25}); break;
    case EditObjectCursor:
        Arrow(p, 1, 1);
        p.addRect(QRectF(16, 18, 10, 8));
        s.hot = {1, 1};
        break;
    case EditPointCursor:
        Arrow(p, 1, 1);
        p.addRect(QRectF(17, 19, 6, 6));
        s.hot = {1, 1};
        break;
    case AnchorCursor:
        Cross(p, 15, 15, 10);
        p.addEllipse(QRectF(10, 10, 10, 10));
        break;
    case RotateCursor:
        p.arcMoveTo(QRectF(5, 5, 20, 20), 30);
        p.arcTo(QRectF(5, 5, 20, 20), 30, 300);
        p.moveTo(25, 9);
        p.lineTo(24, 16);
        p.lineTo(18, 12);
        break;
    case NormalPointCursor: case CornerPointCursor: case DashPointCursor:
    case RemovePointCursor: { // point operations
        Arrow(p, 1, 1);
        s.hot = {1, 1};
        const QRectF m(18, 18, 8, 8);
        if (index == NormalPointCursor)
            p.addEllipse(m);
        else if (index == CornerPointCursor)
            p.addRect(m);
        else if (index == DashPointCursor) {
            p.moveTo(22, 17);
            p.lineTo(27, 22);
            p.lineTo(22, 27);
            p.lineTo(17, 22);
            p.closeSubpath();
        } else {
            p.moveTo(18, 18);
            p.lineTo(27, 27);
            p.moveTo(27, 18);
            p.lineTo(18, 27);
        }
        break;
    }
    case RotatePatternCursor:
        p.addRect(QRectF(6, 6, 18, 18));
        p.moveTo(6, 15);
        p.lineTo(24, 15);
        p.moveTo(15, 6);
        p.lineTo(15, 24);
        break;
    case CutCursor:
        Scissors(p);
        Cross(p, 15, 15, 6);
        break;
    case DrawCurveCursor: case DrawEllipseCursor: case DrawCircleCursor: case Draw45Cursor:
    case DrawFreehandCursor: case DrawStraightCursor: case DrawPointCursor: case DrawRectCursor:
    case DrawTextCursor:
        Cross(p, 10, 10, 8);
        ToolBadge(p, index - DrawCurveCursor);
        s.hot = {10, 10};
        break;
    case MoveViewCursor: // an open hand, drawn as four fingers and a palm
        p.addRoundedRect(QRectF(8, 14, 16, 12), 4, 4);
        for (int f = 0; f < 4; ++f)
            p.addRoundedRect(QRectF(8 + 4 * f, 5, 3, 10), 1.5, 1.5);
        break;
    case ZoomCursor:
        p.addEllipse(QRectF(3, 3, 16, 16));
        p.moveTo(17, 17);
        p.lineTo(28, 28);
        p.moveTo(7, 11);
        p.lineTo(15, 11);
        p.moveTo(11, 7);
        p.lineTo(11, 15);
        s.hot = {11, 11};
        break;
    case AdjTemplateCursor: case AdjScreenCursor: case AdjGpsCursor: {
        Cross(p, 15, 15, 12);
        if (index == AdjTemplateCursor)
            p.addRect(QRectF(9, 9, 12, 12));
        else if (index == AdjScreenCursor)
            p.addRect(QRectF(5, 8, 20, 14));
        else
            p.addEllipse(QRectF(9, 9, 12, 12));
        break;
    }
    case MoveParallelCursor:
        p.moveTo(4, 22);
        p.lineTo(26, 22);
        p.moveTo(4, 28);
        p.lineTo(26, 28);
        Cross(p, 15, 10, 7);
        s.hot = {15, 10};
        break;
    // The cutting tools.
    case DrawCurveCutCursor: case DrawEllipseCutCursor: case DrawCircleCutCursor:
    case Draw45CutCursor: case DrawFreehandCutCursor: case DrawStraightCutCursor:
        Cross(p, 10, 10, 8);
        ToolBadge(p, index - DrawCurveCutCursor);
        p.moveTo(2, 30);
        p.lineTo(8, 22);
        p.moveTo(8, 30);
        p.lineTo(2, 22);
        s.hot = {10, 10};
        break;
    case InsertTextCursor: // an I-beam
        p.moveTo(11, 4);
        p.lineTo(19, 4);
        p.moveTo(15, 4);
        p.lineTo(15, 26);
        p.moveTo(11, 26);
        p.lineTo(19, 26);
        break;
    }
    return s;
}

std::array<std::optional<QCursor>, CursorCount + 1>& Table()
{
    static std::array<std::optional<QCursor>, CursorCount + 1> table;
    return table;
}

QCursor Build(int index)
{
    const Sketch s = Draw(index);
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(s.path);
    p.setPen(QPen(Qt::black, 1));
    p.drawPath(s.path);
    p.end();
    return QCursor(QPixmap::fromImage(img), s.hot.x(), s.hot.y());
}

} // namespace

const char* CursorName(int index)
{
    return index >= 1 && index <= CursorCount ? Names[size_t(index - 1)] : nullptr;
}

QCursor ToolCursor(int index)
{
    if (index < 1 || index > CursorCount)
        return QCursor(Qt::ArrowCursor);
    auto& slot = Table()[size_t(index)];
    if (!slot)
        slot = Build(index);
    return *slot;
}

void SetToolCursor(int index)
{
    MapView* v = Work.ActiveView;
    if (!Index.MapOpen || !v || !v->Form)
        return;
    v->Form->SetSurfaceCursor(index);
}

} // namespace zemo
