#include "core/widgets/OwnControls.h"

#include "core/widgets/Ports.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QRubberBand>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace zemo {

// ---- TWorkWin ----

namespace {
Qt::CursorShape StandardCursor(int n)
{
    switch (n) {
    case -1: return Qt::BlankCursor;
    case -3: return Qt::CrossCursor;
    case -4: return Qt::IBeamCursor;
    case -5: case -22: return Qt::SizeAllCursor;
    case -6: return Qt::SizeBDiagCursor;
    case -7: return Qt::SizeVerCursor;
    case -8: return Qt::SizeFDiagCursor;
    case -9: return Qt::SizeHorCursor;
    case -10: return Qt::UpArrowCursor;
    case -11: case -17: return Qt::WaitCursor;
    case -12: case -16: return Qt::DragMoveCursor;
    case -13: case -18: return Qt::ForbiddenCursor;
    case -14: return Qt::SplitHCursor;
    case -15: return Qt::SplitVCursor;
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}
} // namespace

TWorkWin::TWorkWin(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TWorkWin::SetCursorNumber(int n)
{
    cursorNumber_ = n;
    if (n >= 1)
        setCursor(CoreWidgetsPorts().OwnCursor(n));
    else
        setCursor(StandardCursor(n));
}

void TWorkWin::paintEvent(QPaintEvent* e)
{
    if (OnWmPaint)
        OnWmPaint(e);
    else
        QWidget::paintEvent(e);
}

void TWorkWin::mousePressEvent(QMouseEvent* e) { if (OnMouseDown) OnMouseDown(e); }
void TWorkWin::mouseMoveEvent(QMouseEvent* e) { if (OnMouseMove) OnMouseMove(e); }
void TWorkWin::mouseReleaseEvent(QMouseEvent* e) { if (OnMouseUp) OnMouseUp(e); }
void TWorkWin::mouseDoubleClickEvent(QMouseEvent* e) { if (OnDblClick) OnDblClick(e); }
void TWorkWin::wheelEvent(QWheelEvent* e) { if (OnMouseWheel) OnMouseWheel(e); else QWidget::wheelEvent(e); }

void TWorkWin::keyPressEvent(QKeyEvent* e)
{
    if (OnKeyDown)
        OnKeyDown(e);
    else
        QWidget::keyPressEvent(e);
}

void TWorkWin::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    if (OnExit)
        OnExit();
}

// ---- TZScrollBar ----

TZScrollBar::TZScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::TabFocus);
    QAbstractSlider::setRange(min_, max_);
    QAbstractSlider::setValue(position_);
    resize(121, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    connect(this, &QAbstractSlider::actionTriggered, this, &TZScrollBar::action);
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        scroll(ThumbPosition, sliderPosition());
        setSliderPosition(position_);
        QAbstractSlider::setValue(position_);
        scroll(EndScroll, position_);
    });
}

void TZScrollBar::SetParams(int position, int min, int max)
{
    if (min > max)
        throw EInvalidOperation("Invalid Scroll Range.");
    position = std::clamp(position, min, max);
    const bool rangeChanged = min != min_ || max != max_;
    const bool positionChanged = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    if (rangeChanged) {
        const QSignalBlocker block(this);
        QAbstractSlider::setRange(min, max);
    }
    if (positionChanged || rangeChanged) {
        const QSignalBlocker block(this);
        QAbstractSlider::setValue(position);
    }
    if (positionChanged && OnChange)
        OnChange();
}

void TZScrollBar::SetKind(Qt::Orientation kind)
{
    if (kind == orientation())
        return;
    const QSize s = size();
    setOrientation(kind);
    resize(s.height(), s.width());
}

void TZScrollBar::scroll(int code, int pos)
{
    int p = std::clamp(pos, -32768, 32767);
    if (OnScroll)
        OnScroll(code, p);
}

void TZScrollBar::action(int a)
{
    int code;
    switch (a) {
    case SliderSingleStepAdd: code = LineDown; break;
    case SliderSingleStepSub: code = LineUp; break;
    case SliderPageStepAdd: code = PageDown; break;
    case SliderPageStepSub: code = PageUp; break;
    case SliderToMinimum: code = Top; break;
    case SliderToMaximum: code = Bottom; break;
    case SliderMove: code = ThumbTrack; break;
    default: return;
    }
    const int requested = sliderPosition();
    // Stay where the owner put us; Qt applies sliderPosition() after this signal.
    setSliderPosition(position_);
    scroll(code, requested);
    setSliderPosition(position_);
}

// ---- THintGrid ----

THintGrid::THintGrid(QWidget* parent)
    : QTableWidget(parent), hints_(*this), timer_(new QTimer(this)),
      tip_(new QLabel(nullptr, Qt::ToolTip))
{
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    timer_->setInterval(GridHintTimer::TickMs);
    connect(timer_, &QTimer::timeout, this, [this] { TickAt(QCursor::pos()); });
    tip_->setWordWrap(true);
    tip_->setMargin(2);
    tip_->setAutoFillBackground(true);
    QPalette pal = tip_->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ToolTipText));
    tip_->setPalette(pal);
}

THintGrid::~THintGrid() { delete tip_; }

void THintGrid::TickAt(QPoint globalPos)
{
    const bool inside = viewport()->rect().contains(viewport()->mapFromGlobal(globalPos));
    hints_.Tick(inside, globalPos);
}

void THintGrid::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons() == Qt::NoButton) {
        const QPoint p = e->position().toPoint();
        hints_.MouseMove(columnAt(p.x()), rowAt(p.y()));
    }
    QTableWidget::mouseMoveEvent(e);
}

void THintGrid::buttonAt(QPoint p) { hints_.Button(columnAt(p.x()), rowAt(p.y())); }

void THintGrid::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
        buttonAt(e->position().toPoint());
    QTableWidget::mousePressEvent(e);
}

void THintGrid::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
        buttonAt(e->position().toPoint());
    QTableWidget::mouseReleaseEvent(e);
}

void THintGrid::StartTimer() { timer_->start(); }
void THintGrid::StopTimer() { timer_->stop(); }

QString THintGrid::HintText(int col, int row)
{
    QString text;
    if (OnGridHint)
        OnGridHint(col, row, text);
    return text;
}

void THintGrid::ShowHint(const QString& text, QPoint screenPos)
{
    tip_->setText(text);
    tip_->setMaximumWidth(300);
    tip_->adjustSize();
    tip_->move(screenPos);
    tip_->show();
}

void THintGrid::HideHint() { tip_->hide(); }

// ---- TZSplitter ----

TZSplitter::TZSplitter(QWidget* parent) : QWidget(parent)
{
    Color = palette().color(QPalette::Window);
    resize(3, height());
    setCursor(Qt::SplitHCursor);
}

void TZSplitter::SetAlignment(Align a)
{
    const bool wasHorizontal = horizontalSplit();
    align_ = a;
    if (wasHorizontal != horizontalSplit()) {
        const Qt::CursorShape c = cursor().shape();
        if (c == Qt::SplitHCursor || c == Qt::SplitVCursor)
            setCursor(horizontalSplit() ? Qt::SplitHCursor : Qt::SplitVCursor);
    }
}

QWidget* TZSplitter::FindControl() const
{
    if (control_)
        return control_;
    QWidget* parent = parentWidget();
    if (!parent)
        return nullptr;
    const QRect me = geometry();
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w == this || !w->isVisibleTo(parent) || w->isWindow())
            continue;
        const QRect g = w->geometry();
        bool touches = false;
        switch (align_) {
        case AlignLeft: touches = g.right() + 1 == me.left() && g.top() < me.bottom() + 1 && g.bottom() >= me.top(); break;
        case AlignRight: touches = g.left() == me.right() + 1 && g.top() < me.bottom() + 1 && g.bottom() >= me.top(); break;
        case AlignTop: touches = g.bottom() + 1 == me.top() && g.left() < me.right() + 1 && g.right() >= me.left(); break;
        case AlignBottom: touches = g.top() == me.bottom() + 1 && g.left() < me.right() + 1 && g.right() >= me.left(); break;
        }
        if (touches)
            return w;
    }
    return nullptr;
}

int TZSplitter::sizeOf(QWidget* w) const
{
    return horizontalSplit() ? w->width() : w->height();
}

bool TZSplitter::BeginDrag()
{
    dragging_ = FindControl();
    if (!dragging_)
        return false;
    startSize_ = newSize_ = sizeOf(dragging_);
    if (Style == RsLine || Style == RsPattern) {
        if (!line_)
            line_ = new QRubberBand(QRubberBand::Line, parentWidget());
        line_->setGeometry(geometry());
        line_->show();
    }
    return true;
}

void TZSplitter::DragBy(int delta)
{
    if (!dragging_)
        return;
    // The neighbour on the left or top grows when the bar moves away from it.
    const int signedDelta = (align_ == AlignLeft || align_ == AlignTop) ? delta : -delta;
    const int extent = horizontalSplit() ? parentWidget()->width() : parentWidget()->height();
    int size = SplitterClampSize(startSize_ + signedDelta, MinSize, extent, AutoSnap);
    bool accept = true;
    if (OnCanResize)
        OnCanResize(size, accept);
    if (!accept)
        return;
    newSize_ = size;
    if (Style == RsUpdate) {
        apply(newSize_);
    } else if (line_) {
        QRect g = geometry();
        const int moved = newSize_ - startSize_;
        const int d = (align_ == AlignLeft || align_ == AlignTop) ? moved : -moved;
        line_->setGeometry(horizontalSplit() ? g.translated(d, 0) : g.translated(0, d));
    }
}

void TZSplitter::EndDrag()
{
    if (!dragging_)
        return;
    if (line_)
        line_->hide();
    apply(newSize_);
    dragging_ = nullptr;
    if (OnMoved)
        OnMoved();
}

void TZSplitter::CancelDrag()
{
    if (!dragging_)
        return;
    if (line_)
        line_->hide();
    if (Style == RsUpdate)
        apply(startSize_);
    dragging_ = nullptr;
}

void TZSplitter::apply(int size)
{
    if (!dragging_)
        return;
    QWidget* w = dragging_;
    const QRect g = w->geometry();
    QRect n = g;
    switch (align_) {
    case AlignLeft: n.setWidth(size); break;
    case AlignTop: n.setHeight(size); break;
    case AlignRight: n.setLeft(g.right() + 1 - size); break;
    case AlignBottom: n.setTop(g.bottom() + 1 - size); break;
    }
    if (parentWidget() && parentWidget()->layout()) {
        if (horizontalSplit())
            w->setFixedWidth(size);
        else
            w->setFixedHeight(size);
    } else {
        w->setGeometry(n);
        // The bar follows the edge it splits.
        QRect me = geometry();
        switch (align_) {
        case AlignLeft: me.moveLeft(n.right() + 1); break;
        case AlignTop: me.moveTop(n.bottom() + 1); break;
        case AlignRight: me.moveRight(n.left() - 1); break;
        case AlignBottom: me.moveBottom(n.top() - 1); break;
        }
        setGeometry(me);
    }
    if (Style == RsUpdate && OnMoved)
        OnMoved();
}

void TZSplitter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color);
    if (Beveled) {
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (OnPaint)
        OnPaint(p);
}

void TZSplitter::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    pressPos_ = e->globalPosition().toPoint();
    if (BeginDrag()) {
        setFocus();
        grabKeyboard();
    }
}

void TZSplitter::mouseMoveEvent(QMouseEvent* e)
{
    if (!dragging_)
        return;
    const QPoint d = e->globalPosition().toPoint() - pressPos_;
    DragBy(horizontalSplit() ? d.x() : d.y());
}

void TZSplitter::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !dragging_)
        return;
    releaseKeyboard();
    EndDrag();
}

void TZSplitter::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && dragging_) {
        releaseKeyboard();
        CancelDrag();
        return;
    }
    QWidget::keyPressEvent(e);
}

} // namespace zemo
