#include "shell/toolbars/widgets/Dock97.h"

#include "shell/toolbars/widgets/FrameStyle.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace zemo {

namespace {

// The window system's toolbar that holds a dock in its area: no frame, margins, handle or
// spacing of its own, so that the area is exactly as thick as the dock.
class HolderStyle : public FrameStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        switch (metric) {
        case PM_ToolBarFrameWidth:
        case PM_ToolBarItemMargin:
        case PM_ToolBarItemSpacing:
        case PM_ToolBarHandleExtent:
        case PM_ToolBarSeparatorExtent:
        case PM_ToolBarExtensionExtent: return 0;
        default: return FrameStyle::pixelMetric(metric, option, widget);
        }
    }
};

int Lines(TDockBoundLines lines, DockBoundLine a, DockBoundLine b)
{
    return (lines.testFlag(a) ? 1 : 0) + (lines.testFlag(b) ? 1 : 0);
}

} // namespace

TDock97::TDock97(QMainWindow* form, DockPosition position, const QString& name)
    : form_(form), position_(position)
{
    setObjectName(name);
    color_ = ToolbarColors::Of(palette()).face;
    holder_ = new QToolBar(form);
    holder_->setObjectName(name + QStringLiteral("Holder"));
    auto* style = new HolderStyle;
    style->setParent(holder_);
    holder_->setStyle(style);
    holder_->setMovable(false);
    holder_->setFloatable(false);
    holder_->setAllowedAreas(Area());
    holder_->setContextMenuPolicy(Qt::PreventContextMenu);
    // The form's toolbar menu would show and hide it behind the dock's back.
    holder_->toggleViewAction()->setVisible(false);
    if (Vertical())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    else
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    holder_->addWidget(this);
    form->addToolBar(Area(), holder_);
    // Empty: no room taken.
    holder_->hide();
}

void TDock97::SetPosition(DockPosition position)
{
    if (position == position_)
        return;
    for (const TToolbar97* bar : ToolbarsOf(form_))
        if (bar->DockedTo() == this)
            throw std::logic_error("Cannot change Position of a TDock97 if it already contains controls");
    position_ = position;
    if (Vertical())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    else
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    holder_->setAllowedAreas(Area());
    // Added again, the holder moves to the new side's area and takes its orientation.
    form_->addToolBar(Area(), holder_);
    ArrangeToolbars();
    ThicknessChanged();
}

Qt::ToolBarArea TDock97::Area() const
{
    switch (position_) {
    case DockPosition::Top: return Qt::TopToolBarArea;
    case DockPosition::Bottom: return Qt::BottomToolBarArea;
    case DockPosition::Left: return Qt::LeftToolBarArea;
    case DockPosition::Right: return Qt::RightToolBarArea;
    }
    return Qt::TopToolBarArea;
}

void TDock97::SetAllowDrag(bool allow)
{
    if (allow == allowDrag_)
        return;
    allowDrag_ = allow;
    // The grips come and go.
    for (TToolbar97* bar : list_)
        bar->UpdateSize();
    ArrangeToolbars();
}

// ---- Looks ----

void TDock97::SetColor(const QColor& color)
{
    color_ = color;
    transparent_ = QImage();
    RepaintAll();
}

void TDock97::SetBackground(const QImage& picture)
{
    background_ = picture;
    transparent_ = QImage();
    RepaintAll();
}

void TDock97::SetBackgroundOnToolbars(bool on)
{
    backgroundOnToolbars_ = on;
    RepaintAll();
}

void TDock97::SetBackgroundTransparent(bool on)
{
    backgroundTransparent_ = on;
    transparent_ = QImage();
    RepaintAll();
}

const QImage& TDock97::ShownBackground() const
{
    if (!backgroundTransparent_ || background_.isNull())
        return background_;
    if (transparent_.isNull()) {
        QImage copy = background_.convertToFormat(QImage::Format_RGB32);
        const QRgb key = copy.pixel(0, copy.height() - 1);
        const QRgb colour = color_.rgb();
        for (int y = 0; y < copy.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
            for (int x = 0; x < copy.width(); ++x)
                if (line[x] == key)
                    line[x] = colour;
        }
        transparent_ = copy;
    }
    return transparent_;
}

void TDock97::PaintBackground(QPainter& p, const QWidget* window, QRect r) const
{
    const QImage& picture = ShownBackground();
    if (picture.isNull()) {
        p.fillRect(r, color_);
        return;
    }
    const QPoint origin = ClientArea().topLeft();
    p.save();
    p.setBrushOrigin(window == this ? origin : window->mapFrom(this, origin));
    p.fillRect(r, QBrush(picture));
    p.restore();
}

void TDock97::SetBoundLines(TDockBoundLines lines)
{
    boundLines_ = lines;
    ArrangeToolbars();
    ThicknessChanged();
    update();
}

void TDock97::SetFixAlign(bool on)
{
    fixAlign_ = on;
    ArrangeToolbars();
}

void TDock97::SetLimitToOneRow(bool on)
{
    limitToOneRow_ = on;
    ArrangeToolbars();
}

void TDock97::SetVisible(bool visible)
{
    visible_ = visible;
    ThicknessChanged();
}

void TDock97::RepaintAll()
{
    update();
    for (TToolbar97* bar : list_)
        bar->Host()->update();
}

TDockBoundLines TDock97::DrawnLines() const
{
    return list_.empty() ? TDockBoundLines() : boundLines_;
}

// ---- Layout ----

void TDock97::InsertRemoveBar(bool inserting, TToolbar97* bar, bool visible)
{
    const auto it = std::find(list_.begin(), list_.end(), bar);
    const bool wasIn = it != list_.end();
    if (wasIn)
        list_.erase(it);
    const bool appended = inserting && visible;
    if (appended)
        list_.push_back(bar);
    if (!appended && !wasIn)
        return;
    if (!appended)
        bar->Host()->hide();
    ArrangeToolbars();
    bar->UpdateSize();
    Q_EMIT OnInsertRemoveBar(inserting, bar);
}

void TDock97::BeginUpdate()
{
    ++suspended_;
}

void TDock97::EndUpdate()
{
    if (suspended_ > 0 && --suspended_ == 0 && pending_)
        ArrangeToolbars();
}

bool TDock97::RequestDock(TToolbar97* bar)
{
    bool accept = true;
    Q_EMIT OnRequestDock(bar, accept);
    return accept;
}

void TDock97::ArrangeToolbars()
{
    if (suspended_ > 0) {
        pending_ = true;
        return;
    }
    ++suspended_;
    const int before = OuterThickness();
    std::vector<DockedBar> model(list_.size());
    std::vector<DockedBar*> order;
    for (size_t i = 0; i < list_.size(); ++i) {
        model[i] = {list_[i]->DockRow(), list_[i]->DockPos(), list_[i]->DockedLength(this),
                    list_[i]->RowSizeIn(this), list_[i]->FullSize(), QRect()};
        order.push_back(&model[i]);
    }
    // Until the window system has placed the dock its length is not known: nothing is
    // pulled back from an end it does not have.
    const QRect client = ClientArea();
    DockRowsOptions options;
    options.ClientLength = !holder_->isVisible() ? INT_MAX / 2 : Vertical() ? client.height() : client.width();
    options.LimitToOneRow = limitToOneRow_;
    options.FixAlign = fixAlign_;
    const DockRowsLayout layout = ArrangeRows(order, options);
    rowSizes_ = layout.RowSizes;
    thickness_ = list_.empty() ? 0 : layout.Thickness;
    std::vector<TToolbar97*> arranged;
    for (DockedBar* b : order) {
        TToolbar97* bar = list_[size_t(b - model.data())];
        bar->SetRowAndPos(b->DockRow, b->DockPos);
        const QRect& p = b->Place;
        const QRect r = Vertical() ? QRect(client.left() + p.y(), client.top() + p.x(), p.height(), p.width())
                                   : QRect(client.left() + p.x(), client.top() + p.y(), p.width(), p.height());
        arranged.push_back(bar);
        bar->PlaceDocked(this, r);
    }
    list_ = arranged;
    if (OuterThickness() != before || holder_->isVisible() != (visible_ && OuterThickness() > 0))
        ThicknessChanged();
    --suspended_;
    pending_ = false;
}

void TDock97::ThicknessChanged()
{
    updateGeometry();
    holder_->setVisible(visible_ && OuterThickness() > 0);
}

int TDock97::OuterThickness() const
{
    if (list_.empty())
        return fixAlign_ ? 1 : 0;
    const TDockBoundLines lines = DrawnLines();
    return thickness_ + (Vertical() ? Lines(lines, blLeft, blRight) : Lines(lines, blTop, blBottom));
}

QRect TDock97::ClientArea() const
{
    const TDockBoundLines lines = DrawnLines();
    return rect().adjusted(lines.testFlag(blLeft) ? 1 : 0, lines.testFlag(blTop) ? 1 : 0,
                           lines.testFlag(blRight) ? -1 : 0, lines.testFlag(blBottom) ? -1 : 0);
}

QSize TDock97::sizeHint() const
{
    return Vertical() ? QSize(OuterThickness(), 0) : QSize(0, OuterThickness());
}

QSize TDock97::minimumSizeHint() const
{
    return sizeHint();
}

void TDock97::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintBackground(p, this, rect());
    const TDockBoundLines lines = DrawnLines();
    if (width() <= 1 || height() <= 1 || !lines)
        return;
    const ToolbarColors c = ToolbarColors::Of(palette());
    if (lines.testFlag(blTop))
        p.fillRect(QRect(0, 0, width(), 1), c.shadow);
    if (lines.testFlag(blLeft))
        p.fillRect(QRect(0, 0, 1, height()), c.shadow);
    if (lines.testFlag(blBottom))
        p.fillRect(QRect(0, height() - 1, width(), 1), c.highlight);
    if (lines.testFlag(blRight))
        p.fillRect(QRect(width() - 1, 0, 1, height()), c.highlight);
}

void TDock97::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeToolbars();
    Q_EMIT OnResize();
}

void TDock97::contextMenuEvent(QContextMenuEvent* event)
{
    // Not the form's own toolbar menu: the dock's, or none.
    event->accept();
    if (popupMenu_)
        popupMenu_->popup(event->globalPos());
}

QRect TDock97::ClientRect() const
{
    if (holder_->isVisible()) {
        const QRect client = ClientArea();
        const QRect r(mapTo(form_, client.topLeft()), client.size());
        // The window system may not have taken a new thickness yet.
        const int t = list_.empty() ? OuterThickness() : thickness_;
        return Vertical() ? QRect(r.topLeft(), QSize(t, r.height())) : QRect(r.topLeft(), QSize(r.width(), t));
    }
    // Not shown: a line at the form's edge, between the docks that are.
    QRect inner = form_->rect();
    if (QWidget* menu = form_->menuWidget(); menu && !menu->isHidden())
        inner.setTop(menu->geometry().bottom() + 1);
    if (auto* status = form_->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
        status && !status->isHidden())
        inner.setBottom(status->geometry().top() - 1);
    int top = 0;
    int bottom = 0;
    for (TDock97* d : DocksOf(form_)) {
        const int t = d->visible_ ? d->OuterThickness() : 0;
        if (d->Position() == DockPosition::Top)
            top = t;
        else if (d->Position() == DockPosition::Bottom)
            bottom = t;
    }
    const int sideHeight = std::max(inner.height() - top - bottom, 0);
    switch (position_) {
    case DockPosition::Top: return QRect(inner.left(), inner.top(), inner.width(), 0);
    case DockPosition::Bottom: return QRect(inner.left(), inner.bottom() + 1, inner.width(), 0);
    case DockPosition::Left: return QRect(inner.left(), inner.top() + top, 0, sideHeight);
    case DockPosition::Right: return QRect(inner.right() + 1, inner.top() + top, 0, sideHeight);
    }
    return {};
}

QRect TDock97::ScreenRect() const
{
    const QRect r = ClientRect();
    return QRect(form_->mapToGlobal(r.topLeft()), r.size());
}

RowHit TDock97::RowOfPoint(int across) const
{
    return zemo::RowOfPoint(list_.empty() ? std::span<const int>() : std::span<const int>(rowSizes_),
                            across);
}

std::vector<TDock97*> DocksOf(const QObject* form)
{
    std::vector<TDock97*> docks;
    if (!form)
        return docks;
    for (TDock97* d : form->findChildren<TDock97*>())
        docks.push_back(d);
    std::stable_sort(docks.begin(), docks.end(), [](const TDock97* a, const TDock97* b) {
        return int(a->Position()) < int(b->Position());
    });
    return docks;
}

} // namespace zemo
