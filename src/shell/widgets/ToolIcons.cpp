#include "shell/widgets/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zemo {

namespace {

constexpr int Size = 24;

void Label(QPainter& p, const QString& text)
{
    QFont f = p.font();
    f.setPixelSize(text.size() > 2 ? 8 : 11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, Size, Size), Qt::AlignCenter, text);
}

void Page(QPainter& p)
{
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(5, 2), QPoint(15, 2), QPoint(19, 6), QPoint(19, 21),
                            QPoint(5, 21)}));
}

void Magnifier(QPainter& p, const QString& sign)
{
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRect(3, 3, 13, 13));
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(15, 15, 21, 21);
    p.setPen(QPen(Qt::black, 1.5));
    if (sign == QLatin1String("+") || sign == QLatin1String("-"))
        p.drawLine(6, 9, 13, 9);
    if (sign == QLatin1String("+"))
        p.drawLine(9, 6, 9, 13);
    if (sign == QLatin1String("E"))
        p.drawRect(6, 6, 7, 7);
}

void Draw(QPainter& p, Cmd c)
{
    const QPen line(QColor(20, 20, 20), 1.5);
    const QPen accent(QColor(180, 30, 30), 2);
    p.setPen(line);
    switch (c) {
    case Cmd::NewBtn:
        Page(p);
        break;
    case Cmd::OpenBtn:
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(2, 8, 20, 13);
        p.drawRect(2, 5, 8, 3);
        break;
    case Cmd::SaveBtn:
        p.setBrush(QColor(70, 90, 160));
        p.drawRect(3, 3, 18, 18);
        p.setBrush(Qt::white);
        p.drawRect(7, 3, 10, 7);
        break;
    case Cmd::PrintBtn:
        p.setBrush(Qt::white);
        p.drawRect(7, 3, 10, 7);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(3, 10, 18, 8);
        break;
    case Cmd::UndoBtn:
    case Cmd::RedoBtn: {
        const bool undo = c == Cmd::UndoBtn;
        p.setPen(QPen(QColor(30, 90, 30), 2.5));
        p.drawArc(QRect(5, 6, 14, 12), undo ? 0 : 180 * 16, undo ? 180 * 16 : -180 * 16);
        const int x = undo ? 5 : 19;
        p.drawLine(x, 12, x - 3, 8);
        p.drawLine(x, 12, x + 3, 8);
        break;
    }
    case Cmd::DeleteBtn:
        p.setPen(QPen(QColor(200, 20, 20), 3));
        p.drawLine(5, 5, 19, 19);
        p.drawLine(19, 5, 5, 19);
        break;
    case Cmd::MoveBtn:
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(12, 3, 12, 21);
        p.drawLine(3, 12, 21, 12);
        break;
    case Cmd::ZoomInBtn: Magnifier(p, QStringLiteral("+")); break;
    case Cmd::ZoomOutBtn: Magnifier(p, QStringLiteral("-")); break;
    case Cmd::ZoomEntireBtn: Magnifier(p, QStringLiteral("E")); break;
    case Cmd::GridBtn:
        for (int i = 4; i <= 20; i += 8) {
            p.drawLine(i, 3, i, 21);
            p.drawLine(3, i, 21, i);
        }
        break;
    case Cmd::EditPointBtn:
    case Cmd::EditObjBtn: {
        QPainterPath arrow;
        arrow.moveTo(5, 3);
        arrow.lineTo(5, 19);
        arrow.lineTo(9, 15);
        arrow.lineTo(13, 21);
        arrow.lineTo(15, 20);
        arrow.lineTo(11, 14);
        arrow.lineTo(17, 14);
        arrow.closeSubpath();
        p.setBrush(c == Cmd::EditObjBtn ? QColor(Qt::black) : QColor(Qt::white));
        p.drawPath(arrow);
        if (c == Cmd::EditPointBtn) {
            p.setBrush(QColor(180, 30, 30));
            p.drawRect(16, 4, 5, 5);
        }
        break;
    }
    case Cmd::CurveBtn: {
        QPainterPath curve;
        curve.moveTo(3, 19);
        curve.cubicTo(6, 2, 16, 24, 21, 5);
        p.setPen(accent);
        p.drawPath(curve);
        break;
    }
    case Cmd::EllipseBtn:
        p.setPen(accent);
        p.drawEllipse(QRect(2, 6, 20, 12));
        break;
    case Cmd::CircleBtn:
        p.setPen(accent);
        p.drawEllipse(QRect(4, 4, 16, 16));
        break;
    case Cmd::RectangularBtn:
        p.setPen(accent);
        p.drawPolyline(QPolygon({QPoint(3, 20), QPoint(3, 5), QPoint(14, 5), QPoint(14, 14),
                                 QPoint(21, 14)}));
        break;
    case Cmd::StraightBtn:
        p.setPen(accent);
        p.drawPolyline(QPolygon({QPoint(3, 20), QPoint(9, 6), QPoint(15, 16), QPoint(21, 4)}));
        break;
    case Cmd::FreehandBtn: {
        QPainterPath free;
        free.moveTo(3, 14);
        free.cubicTo(5, 4, 8, 22, 11, 12);
        free.cubicTo(13, 4, 17, 20, 21, 8);
        p.setPen(accent);
        p.drawPath(free);
        break;
    }
    case Cmd::CutBtn:
        p.drawEllipse(QRect(3, 14, 6, 6));
        p.drawEllipse(QRect(15, 14, 6, 6));
        p.drawLine(7, 14, 17, 3);
        p.drawLine(17, 14, 7, 3);
        break;
    case Cmd::CutHoleBtn:
        p.setBrush(QColor(120, 170, 120));
        p.drawRect(3, 3, 18, 18);
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(8, 8, 8, 8));
        break;
    case Cmd::RotateBtn:
        p.setPen(QPen(QColor(30, 30, 160), 2));
        p.drawArc(QRect(4, 4, 16, 16), 30 * 16, 300 * 16);
        p.drawLine(19, 7, 20, 2);
        p.drawLine(19, 7, 14, 6);
        break;
    case Cmd::MoveParallelBtn:
        p.setPen(accent);
        p.drawLine(3, 16, 21, 6);
        p.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
        p.drawLine(3, 21, 21, 11);
        break;
    default: {
        // The remaining buttons carry a short label of what they do.
        static const struct {
            Cmd c;
            const char* text;
        } labels[] = {
            {Cmd::DuplicateBtn, "2x"}, {Cmd::ChangeBtn, "S"}, {Cmd::ChangeAllSymBtn, "S*"},
            {Cmd::FillBtn, "F"},       {Cmd::ReverseBtn, "<>"}, {Cmd::JoinBtn, "J"},
            {Cmd::MergeBtn, "M"},      {Cmd::ToCurveBtn, "~"},  {Cmd::ToGraphicsBtn, "G"},
            {Cmd::MeasureBtn, "mm"},   {Cmd::AutoJoinBtn, "AJ"}, {Cmd::Smooth0Btn, "0"},
            {Cmd::Smooth1Btn, "1"},    {Cmd::Smooth2Btn, "2"},  {Cmd::DirectionBtn, "->"},
            {Cmd::NormalPtBtn, "o"},   {Cmd::CornerPtBtn, "v"}, {Cmd::DashPtBtn, "-"},
            {Cmd::RemovePtBtn, "x"},
        };
        for (const auto& l : labels)
            if (l.c == c) {
                p.setBrush(QColor(235, 235, 235));
                p.drawRoundedRect(QRect(2, 2, 20, 20), 4, 4);
                Label(p, QString::fromLatin1(l.text));
            }
        break;
    }
    }
}

// A pale grey copy for a disabled button. The toolkit's own fading leaves black lines dark
// grey: a disabled zoom or hand button looked like one that works.
QPixmap Faded(const QPixmap& pixmap)
{
    QImage img = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int light = DisabledDarkest + qGray(row[x]) * (255 - DisabledDarkest) / 255;
            row[x] = qRgba(light, light, light, qAlpha(row[x]));
        }
    }
    return QPixmap::fromImage(img);
}

template <class Painter>
QIcon Picture(Painter draw)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    QIcon icon(pixmap);
    icon.addPixmap(Faded(pixmap), QIcon::Disabled);
    return icon;
}

} // namespace

QIcon ButtonIcon(Cmd button)
{
    return Picture([button](QPainter& p) { Draw(p, button); });
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(250, 250, 240));
        p.drawRect(QRectF(2.5, 2.5, 27, 27));
        p.setPen(QPen(QColor(60, 140, 60), 2));
        p.drawLine(QPointF(4, 24), QPointF(14, 18));
        p.drawLine(QPointF(14, 18), QPointF(28, 22));
        p.setPen(QPen(QColor(190, 40, 40), 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(17, 13), 8, 8);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon DrawImageIcon(DrawImage image)
{
    switch (image) {
    case DrawImage::None: return QIcon();
    case DrawImage::Curve: return ButtonIcon(Cmd::CurveBtn);
    case DrawImage::Ellipse: return ButtonIcon(Cmd::EllipseBtn);
    case DrawImage::Circle: return ButtonIcon(Cmd::CircleBtn);
    case DrawImage::Rectangular: return ButtonIcon(Cmd::RectangularBtn);
    case DrawImage::Straight: return ButtonIcon(Cmd::StraightBtn);
    case DrawImage::Freehand: return ButtonIcon(Cmd::FreehandBtn);
    case DrawImage::Point:
        return Picture([](QPainter& p) {
            p.setPen(QPen(QColor(180, 30, 30), 2));
            p.setBrush(QColor(180, 30, 30));
            p.drawEllipse(QRect(8, 8, 8, 8));
        });
    case DrawImage::Text:
        return Picture([](QPainter& p) {
            p.setPen(QColor(20, 20, 20));
            QFont f = p.font();
            f.setPixelSize(16);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRect(0, 0, Size, Size), Qt::AlignCenter, QStringLiteral("T"));
        });
    case DrawImage::Rectangle:
        return Picture([](QPainter& p) {
            p.setPen(QPen(QColor(180, 30, 30), 2));
            p.drawRect(QRect(3, 6, 18, 12));
        });
    }
    return QIcon();
}

} // namespace zemo
