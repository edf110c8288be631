#include "shell/toolbars/widgets/Toolbar97.h"

#include "shell/toolbars/DragRules.h"
#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QWidgetAction>

#include <algorithm>

namespace zemo {

namespace {

// The docked toolbar's metrics: a 2-pixel frame, no gaps between the controls, no handle of
// the window system's own (the grip is ours).
class DockedHostStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        switch (metric) {
        case PM_ToolBarFrameWidth: return DockedFrame;
        case PM_ToolBarItemMargin:
        case PM_ToolBarItemSpacing:
        case PM_ToolBarHandleExtent:
        case PM_ToolBarSeparatorExtent: return 0;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

// ---- TToolbarPiece ----

void TToolbarPiece::SetCross(int cross)
{
    cross_ = cross;
    updateGeometry();
}

bool TToolbarPiece::InVerticalDock() const
{
    auto* host = qobject_cast<const QToolBar*>(parentWidget());
    return host && host->orientation() == Qt::Vertical;
}

void TToolbarPiece::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        bar_->BeginMoving(this, event->globalPosition().toPoint(), event->modifiers());
}

void TToolbarPiece::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (bar_->Docked())
        bar_->FloatByDoubleClick();
    else
        bar_->DockByDoubleClick();
}

// ---- TToolbarSep97 ----

TToolbarSep97::TToolbarSep97(TToolbar97* bar) : TToolbarPiece(bar)
{
    setObjectName(QStringLiteral("Separator"));
}

void TToolbarSep97::SetSizeHorz(int size)
{
    sizeHorz_ = std::max(size, 1);
    updateGeometry();
    bar_->UpdateSize();
}

void TToolbarSep97::SetSizeVert(int size)
{
    sizeVert_ = std::max(size, 1);
    updateGeometry();
    bar_->UpdateSize();
}

void TToolbarSep97::SetBlank(bool blank)
{
    blank_ = blank;
    update();
}

QSize TToolbarSep97::sizeHint() const
{
    return InVerticalDock() ? QSize(cross_, sizeVert_) : QSize(sizeHorz_, cross_);
}

void TToolbarSep97::paintEvent(QPaintEvent*)
{
    if (blank_ || width() <= 0 || height() <= 0)
        return;
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    // Across the line of controls: a horizontal line in a left or right dock.
    if (InVerticalDock())
        DrawEtchedHorizontal(p, height() / 2 - 1, 0, width() - 1, c);
    else
        DrawEtchedVertical(p, width() / 2 - 1, 0, height() - 1, c);
}

// ---- TToolbarGrip ----

TToolbarGrip::TToolbarGrip(TToolbar97* bar) : TToolbarPiece(bar)
{
    setObjectName(QStringLiteral("Grip"));
}

QSize TToolbarGrip::sizeHint() const
{
    return InVerticalDock() ? QSize(cross_, GripSize) : QSize(GripSize, cross_);
}

void TToolbarGrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    p.fillRect(rect(), c.face);
    // Two raised bars 3 pixels thick at 4 and 7 from the toolbar's edge (the grip starts
    // inside the 2-pixel frame).
    for (int offset : {2, 5}) {
        const QRect bar = InVerticalDock() ? QRect(1, offset, width() - 2, 3)
                                           : QRect(offset, 1, 3, height() - 2);
        DrawRaisedInner(p, bar, c);
        // Each ends in one highlight pixel.
        p.fillRect(QRect(bar.bottomRight(), QSize(1, 1)), c.highlight);
    }
}

// ---- TDockedHost ----

TDockedHost::TDockedHost(TToolbar97* bar, QMainWindow* form) : QToolBar(form), bar_(bar)
{
    setObjectName(bar->objectName() + QStringLiteral("Host"));
    auto* style = new DockedHostStyle;
    style->setParent(this);
    setStyle(style);
    setMovable(false);
    setFloatable(false);
    setAllowedAreas(Qt::AllToolBarAreas);
    setContextMenuPolicy(Qt::PreventContextMenu);
    // The form's toolbar menu would show and hide it behind the toolbar's back.
    toggleViewAction()->setVisible(false);
    hide();
}

void TDockedHost::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    p.fillRect(rect(), c.face);
    DrawRaisedInner(p, rect(), c);
}

void TDockedHost::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && bar_->DockedTo() && bar_->DockedTo()->AllowDrag())
        bar_->BeginMoving(this, event->globalPosition().toPoint(), event->modifiers());
}

void TDockedHost::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        bar_->FloatByDoubleClick();
}

// ---- TToolbar97 ----

TToolbar97::TToolbar97(QMainWindow* form, const QString& name, const QString& caption)
    : QObject(form), form_(form), caption_(caption)
{
    setObjectName(name);
    host_ = new TDockedHost(this, form);
    host_->setWindowTitle(caption);
    grip_ = new TToolbarGrip(this);
    gripAction_ = new QWidgetAction(this);
    gripAction_->setDefaultWidget(grip_);
    host_->addAction(gripAction_);
    connect(host_, &QToolBar::orientationChanged, this, [this] {
        UpdateSize();
        for (QWidget* w : Controls())
            w->update();
    });
    form->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { UpdateFloatingVisibility(state); });
}

TToolbar97::~TToolbar97()
{
    if (form_)
        form_->removeEventFilter(this);
    delete floating_.data();
}

void TToolbar97::SetCaption(const QString& caption)
{
    caption_ = caption;
    host_->setWindowTitle(caption);
    if (floating_)
        floating_->update();
}

TToolbarButton97* TToolbar97::AddButton(QAction* action, QSize size)
{
    auto* b = new TToolbarButton97;
    b->setObjectName(action ? action->objectName() : QString());
    b->SetButtonSize(size);
    b->SetAction(action);
    AddControl(b);
    return b;
}

TToolbarSep97* TToolbar97::AddSeparator()
{
    auto* s = new TToolbarSep97(this);
    AddControl(s);
    return s;
}

void TToolbar97::AddControl(QWidget* control)
{
    auto* action = new QWidgetAction(this);
    action->setDefaultWidget(control);
    controls_.push_back({control, action});
    if (floating_) {
        control->setParent(floating_->Client());
        control->show();
        ArrangeFloating();
    } else {
        host_->addAction(action);
    }
    UpdateSize();
    if (dock_)
        dock_->ArrangeToolbars();
}

std::vector<QWidget*> TToolbar97::Controls() const
{
    std::vector<QWidget*> out;
    for (const Control& c : controls_)
        out.push_back(c.widget);
    return out;
}

TToolbarButton97* TToolbar97::ButtonFor(const QAction* action) const
{
    for (const Control& c : controls_)
        if (auto* b = qobject_cast<TToolbarButton97*>(c.widget); b && b->Action() == action)
            return b;
    return nullptr;
}

std::vector<ToolbarControl> TToolbar97::Describe() const
{
    std::vector<ToolbarControl> out;
    for (const Control& c : controls_) {
        ToolbarControl d;
        if (auto* sep = qobject_cast<TToolbarSep97*>(c.widget)) {
            d.separator = true;
            d.sizeHorz = sep->SizeHorz();
            d.sizeVert = sep->SizeVert();
            d.blank = sep->Blank();
        } else {
            d.size = c.widget->sizeHint();
        }
        d.shown = c.action->isVisible();
        out.push_back(d);
    }
    return out;
}

DockType TToolbar97::TypeOf(const TDock97* dock) const
{
    if (!dock)
        return DockType::Floating;
    return dock->Vertical() ? DockType::Vertical : DockType::Horizontal;
}

int TToolbar97::CrossIn(const TDock97* dock) const
{
    // Its row's thickness in the dock it sits in.
    if (!dock || dock != dock_)
        return 0;
    const auto& rows = dock->RowSizes();
    return dockRow_ >= 0 && dockRow_ < int(rows.size()) ? rows[size_t(dockRow_)] : 0;
}

QSize TToolbar97::ClientSizeFor(DockType type, const TDock97* dock) const
{
    return OrderControls(Describe(), type, floatRightX_, CrossIn(dock)).size;
}

QSize TToolbar97::OuterSizeFor(const TDock97* dock) const
{
    const DockType type = TypeOf(dock);
    const QSize client = ClientSizeFor(type, dock);
    if (!dock)
        return client + FloatFrameExtra();
    const int grip = dock->AllowDrag() && dragHandle_ ? GripSize : 0;
    const int frame = 2 * DockedFrame;
    return type == DockType::Vertical ? QSize(client.width() + frame, client.height() + frame + grip)
                                      : QSize(client.width() + frame + grip, client.height() + frame);
}

int TToolbar97::DockedLength(const TDock97* dock) const
{
    const QSize s = OuterSizeFor(dock);
    return dock && dock->Vertical() ? s.height() : s.width();
}

int TToolbar97::RowSizeIn(const TDock97* dock) const
{
    const DockType type = TypeOf(dock);
    return MinimumRowSize(Describe(), type);
}

void TToolbar97::UpdateSize()
{
    const bool gripShown = dock_ && dock_->AllowDrag() && dragHandle_;
    gripAction_->setVisible(gripShown);
    const int rowSize = RowSizeIn(dock_);
    grip_->SetCross(rowSize);
    for (const Control& c : controls_)
        if (auto* sep = qobject_cast<TToolbarSep97*>(c.widget))
            sep->SetCross(rowSize);
    if (dock_) {
        // The window system gives a line's last toolbar the rest of the line: it keeps its
        // own length.
        const int length = DockedLength(dock_);
        if (dock_->Vertical())
            host_->setMaximumSize(QWIDGETSIZE_MAX, length);
        else
            host_->setMaximumSize(length, QWIDGETSIZE_MAX);
    }
    if (floating_)
        ArrangeFloating();
}

void TToolbar97::SetDockRow(int row)
{
    dockRow_ = row;
    if (dock_)
        dock_->ArrangeToolbars();
}

void TToolbar97::SetDockPos(int pos)
{
    dockPos_ = pos;
    if (dock_)
        dock_->ArrangeToolbars();
}

void TToolbar97::SetRowAndPos(int row, int pos)
{
    dockRow_ = row;
    dockPos_ = pos;
}

void TToolbar97::SetFloatingPosition(QPoint p)
{
    floatingPosition_ = p;
    // A saved layout of a toolbar that never floated holds the default 0, 0.
    if (p != QPoint(0, 0))
        floatedBefore_ = true;
    if (floating_) {
        floating_->move(p);
        Q_EMIT moved();
    }
}

void TToolbar97::SetFloatRightX(int x)
{
    floatRightX_ = x;
    if (floating_)
        ArrangeFloating();
}

void TToolbar97::SetDockableTo(DockPosition p, bool allowed)
{
    if (allowed)
        dockableTo_ |= 1u << int(p);
    else
        dockableTo_ &= ~(1u << int(p));
}

void TToolbar97::SetHideWhenInactive(bool on)
{
    hideWhenInactive_ = on;
    UpdateFloatingVisibility();
}

void TToolbar97::SetCloseButton(bool on)
{
    closeButton_ = on;
    if (floating_)
        floating_->update();
}

void TToolbar97::SetDragHandle(bool on)
{
    dragHandle_ = on;
    UpdateSize();
    if (dock_)
        dock_->ArrangeToolbars();
}

void TToolbar97::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (dock_)
        dock_->InsertRemoveBar(visible, this, visible);
    UpdateFloatingVisibility();
    Q_EMIT visibleChanged(visible);
}

void TToolbar97::SetDockedTo(TDock97* dock)
{
    if (!dock) {
        Float();
        return;
    }
    if (dock == dock_ && !floating_) {
        dock->ArrangeToolbars();
        return;
    }
    changing_ = true;
    dock->BeginUpdate();
    TDock97* old = dock_;
    if (floating_)
        TakeControlsToHost();
    if (old && old != dock)
        old->InsertRemoveBar(false, this, false);
    dock_ = dock;
    UpdateSize();
    dock->InsertRemoveBar(true, this, visible_);
    dock->EndUpdate();
    changing_ = false;
    Q_EMIT dockChanged();
}

void TToolbar97::TakeControlsToHost()
{
    // Each control goes back into the docked toolbar, in its order.
    for (const Control& c : controls_)
        host_->addAction(c.action);
    TFloatingWindow* window = floating_;
    floating_ = nullptr;
    window->hide();
    window->deleteLater();
}

void TToolbar97::Float()
{
    if (floating_) {
        MoveOnScreen(true);
        return;
    }
    changing_ = true;
    TDock97* old = dock_;
    dock_ = nullptr;
    if (old)
        old->InsertRemoveBar(false, this, false);
    for (const Control& c : controls_)
        host_->removeAction(c.action);
    auto* window = new TFloatingWindow(this, form_);
    floating_ = window;
    floatedBefore_ = true;
    for (const Control& c : controls_) {
        c.widget->setParent(window->Client());
        c.widget->setVisible(c.action->isVisible());
    }
    UpdateSize();
    window->move(floatingPosition_);
    changing_ = false;
    UpdateFloatingVisibility();
    Q_EMIT dockChanged();
}

void TToolbar97::ArrangeFloating()
{
    if (!floating_)
        return;
    const ToolbarArrangement a = OrderControls(Describe(), DockType::Floating,
                                               floatRightX_);
    for (size_t i = 0; i < controls_.size(); ++i) {
        QWidget* w = controls_[i].widget;
        if (!controls_[i].action->isVisible()) {
            w->hide();
            continue;
        }
        w->setGeometry(a.places[i]);
        w->setVisible(!a.places[i].isEmpty());
    }
    floating_->Client()->SetLineSeps(a.lineSeps);
    floating_->SetClientSize(a.size);
}

QRect TToolbar97::OuterScreenRect() const
{
    if (floating_)
        return floating_->geometry();
    if (dock_ && !host_->isHidden())
        return QRect(host_->mapToGlobal(QPoint(0, 0)), host_->size());
    return {};
}

void TToolbar97::BeginMoving(QWidget* grabber, QPoint pressGlobal, Qt::KeyboardModifiers mods)
{
    if (dock_ && !dock_->AllowDrag())
        return;
    StartDrag(this, grabber, pressGlobal, mods);
}

void TToolbar97::FloatByDoubleClick()
{
    if (!dock_)
        return;
    if (!floatedBefore_)
        floatingPosition_ = BesideDock();
    Float();
    MoveOnScreen(true);
}

QPoint TToolbar97::BesideDock() const
{
    const QRect bar = OuterScreenRect();
    if (!dock_ || bar.isEmpty())
        return floatingPosition_;
    const QRect dock = dock_->ScreenRect();
    const QSize size = OuterSizeFor(nullptr);
    switch (dock_->Position()) {
    case DockPosition::Top: return {bar.left(), dock.bottom() + 1 + BesideDockGap};
    case DockPosition::Bottom: return {bar.left(), dock.top() - BesideDockGap - size.height()};
    case DockPosition::Left: return {dock.right() + 1 + BesideDockGap, bar.top()};
    case DockPosition::Right: return {dock.left() - BesideDockGap - size.width(), bar.top()};
    }
    return floatingPosition_;
}

void TToolbar97::DockByDoubleClick()
{
    if (dock_ || !defaultDock_)
        return;
    dockRow_ = 0;
    dockPos_ = -8; // first in row 0
    SetDockedTo(defaultDock_);
}

void TToolbar97::DropAt(TDock97* dock, QRect outline)
{
    if (!dock) {
        floatingPosition_ = outline.topLeft();
        if (dock_)
            Float();
        else if (floating_)
            floating_->move(floatingPosition_);
        Q_EMIT moved();
        MoveOnScreen(true);
        return;
    }
    const QRect dockRect = dock->ScreenRect();
    const int across = dock->Vertical() ? outline.center().x() - dockRect.left()
                                        : outline.center().y() - dockRect.top();
    const RowHit hit = dock->RowOfPoint(across);
    if (hit.NewRow)
        for (TToolbar97* bar : dock->DockList())
            if (bar->dockRow_ >= hit.Row)
                ++bar->dockRow_;
    dockRow_ = hit.Row;
    dockPos_ = dock->Vertical() ? outline.top() - dockRect.top() : outline.left() - dockRect.left();
    SetDockedTo(dock);
    Q_EMIT moved();
}

void TToolbar97::MoveOnScreen(bool onlyWhenOff)
{
    if (!floating_)
        return;
    std::vector<QRect> areas;
    for (QScreen* s : QGuiApplication::screens())
        areas.push_back(s->availableGeometry());
    const QRect now = floating_->geometry();
    const QRect moved = zemo::MoveOnScreen(now, areas, onlyWhenOff);
    if (moved != now) {
        floating_->move(moved.topLeft());
        floatingPosition_ = moved.topLeft();
        Q_EMIT this->moved();
    }
}

void TToolbar97::CloseByButton()
{
    SetVisible(false);
    Q_EMIT closed();
}

void TToolbar97::UpdateFloatingVisibility()
{
    UpdateFloatingVisibility(QGuiApplication::applicationState());
}

void TToolbar97::UpdateFloatingVisibility(Qt::ApplicationState state)
{
    if (!floating_)
        return;
    const bool appActive = state == Qt::ApplicationActive;
    const bool show = visible_ && !changing_ && form_->isVisible() && !form_->isMinimized() &&
                      (!hideWhenInactive_ || appActive);
    if (show != floating_->isVisible())
        floating_->setVisible(show);
    floating_->update();
}

bool TToolbar97::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == form_) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            UpdateFloatingVisibility();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::vector<TToolbar97*> ToolbarsOf(const QObject* form)
{
    std::vector<TToolbar97*> out;
    if (!form)
        return out;
    for (TToolbar97* t : form->findChildren<TToolbar97*>(Qt::FindDirectChildrenOnly))
        out.push_back(t);
    return out;
}

} // namespace zemo
