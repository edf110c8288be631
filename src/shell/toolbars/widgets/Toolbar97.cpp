#include "shell/toolbars/widgets/Toolbar97.h"

#include "shell/toolbars/DragRules.h"
#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace zemo {

// ---- TToolbarPiece ----

void TToolbarPiece::SetCross(int cross)
{
    cross_ = cross;
    updateGeometry();
}

bool TToolbarPiece::InVerticalDock() const
{
    auto* host = qobject_cast<const TDockedHost*>(parentWidget());
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
    Resized();
}

void TToolbarSep97::SetSizeVert(int size)
{
    sizeVert_ = std::max(size, 1);
    updateGeometry();
    Resized();
}

void TToolbarSep97::Resized()
{
    // The toolbar takes its new length, and its dock makes room for it.
    bar_->UpdateSize();
    if (TDock97* dock = bar_->DockedTo())
        dock->ArrangeToolbars();
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
    // On the toolbar's own ground: its colour or the dock's picture.
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
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

TDockedHost::TDockedHost(TToolbar97* bar) : bar_(bar)
{
    setObjectName(bar->objectName() + QStringLiteral("Host"));
    setAcceptDrops(true);
    hide();
}

void TDockedHost::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    TDock97* dock = bar_->DockedTo();
    if (dock && dock->ShowsBackgroundOnToolbars())
        dock->PaintBackground(p, this, rect());
    else
        p.fillRect(rect(), bar_->Color());
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

void TDockedHost::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    bar_->ShowPopupMenu(event->globalPos());
}

void TDockedHost::dragEnterEvent(QDragEnterEvent* event)
{
    if (bar_->DragOver(event->mimeData(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDockedHost::dragMoveEvent(QDragMoveEvent* event)
{
    if (bar_->DragOver(event->mimeData(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDockedHost::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    bar_->DragDrop(event->mimeData(), event->position().toPoint());
}

// ---- TToolbar97 ----

TToolbar97::TToolbar97(QMainWindow* form, const QString& name, const QString& caption)
    : QObject(form), form_(form), caption_(caption)
{
    setObjectName(name);
    color_ = ToolbarColors::Of(form->palette()).face;
    host_ = new TDockedHost(this);
    host_->setWindowTitle(caption);
    host_->installEventFilter(this);
    grip_ = new TToolbarGrip(this);
    grip_->setParent(host_);
    form->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { UpdateFloatingVisibility(state); });
}

TToolbar97::~TToolbar97()
{
    if (form_)
        form_->removeEventFilter(this);
    delete floating_.data();
    delete host_.data();
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
    controls_.push_back({control});
    control->setParent(floating_ ? static_cast<QWidget*>(floating_->Client()) : host_);
    control->installEventFilter(this);
    UpdateSize();
    if (dock_)
        dock_->ArrangeToolbars();
    ChainTabOrder();
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

bool TToolbar97::ControlVisible(const QWidget* control) const
{
    for (const Control& c : controls_)
        if (c.widget == control)
            return ShownIn(c, CurrentType());
    return false;
}

void TToolbar97::SetControlVisible(QWidget* control, bool visible)
{
    for (Control& c : controls_)
        if (c.widget == control)
            c.visible = visible;
    UpdateSize();
    if (dock_)
        dock_->ArrangeToolbars();
}

void TToolbar97::SetSlaveControl(QWidget* forTopBottom, QWidget* forLeftRight)
{
    slaves_.push_back({forTopBottom, forLeftRight});
    UpdateSize();
    if (dock_)
        dock_->ArrangeToolbars();
}

bool TToolbar97::ShownIn(const Control& c, DockType type) const
{
    for (const SlavePair& s : slaves_) {
        if (c.widget == s.topBottom)
            return type != DockType::Vertical;
        if (c.widget == s.leftRight)
            return type == DockType::Vertical;
    }
    return c.visible;
}

std::vector<ToolbarControl> TToolbar97::Describe(DockType type) const
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
            // A control without a preferred size keeps the one it has.
            const QSize hint = c.widget->sizeHint();
            d.size = hint.isValid() ? hint : c.widget->size();
        }
        d.shown = ShownIn(c, type);
        out.push_back(d);
    }
    return out;
}

std::vector<ToolbarControl> TToolbar97::Describe() const
{
    return Describe(CurrentType());
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
    return OrderControls(Describe(type), type, floatRightX_, CrossIn(dock)).size;
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
    return MinimumRowSize(Describe(type), type);
}

void TToolbar97::UpdateSize()
{
    if (dock_)
        ArrangeDocked();
    if (floating_)
        ArrangeFloating();
}

void TToolbar97::PlaceDocked(TDock97* dock, QRect r)
{
    if (dock != dock_)
        return;
    if (host_->parentWidget() != dock)
        host_->setParent(dock);
    host_->SetOrientation(dock->Vertical() ? Qt::Vertical : Qt::Horizontal);
    host_->setGeometry(r);
    ArrangeDocked();
    if (host_->isHidden())
        host_->show();
    NoteSize();
}

void TToolbar97::ArrangeDocked()
{
    if (!dock_)
        return;
    const DockType type = CurrentType();
    const bool gripShown = dock_->AllowDrag() && dragHandle_;
    const int cross = CrossIn(dock_) > 0 ? CrossIn(dock_) : RowSizeIn(dock_);
    const bool vertical = type == DockType::Vertical;
    // The grip, then the controls, inside the frame.
    const QPoint origin = vertical ? QPoint(DockedFrame, DockedFrame + (gripShown ? GripSize : 0))
                                   : QPoint(DockedFrame + (gripShown ? GripSize : 0), DockedFrame);
    grip_->setVisible(gripShown);
    grip_->SetCross(cross);
    grip_->setGeometry(vertical ? QRect(DockedFrame, DockedFrame, cross, GripSize)
                                : QRect(DockedFrame, DockedFrame, GripSize, cross));
    const ToolbarArrangement a = OrderControls(Describe(type), type, floatRightX_, cross);
    for (size_t i = 0; i < controls_.size(); ++i) {
        QWidget* w = controls_[i].widget;
        if (auto* sep = qobject_cast<TToolbarSep97*>(w))
            sep->SetCross(cross);
        if (!ShownIn(controls_[i], type)) {
            w->hide();
            continue;
        }
        w->setGeometry(a.places[i].translated(origin));
        w->setVisible(!a.places[i].isEmpty());
    }
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

void TToolbar97::SetFullSize(bool on)
{
    fullSize_ = on;
    if (dock_)
        dock_->ArrangeToolbars();
}

void TToolbar97::SetFloatingPosition(QPoint p)
{
    floatingPosition_ = p;
    // A saved layout of a toolbar that never floated holds the default 0, 0.
    if (p != QPoint(0, 0))
        floatedBefore_ = true;
    if (floating_) {
        floating_->move(p);
        Q_EMIT OnMove();
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

void TToolbar97::SetColor(const QColor& color)
{
    color_ = color;
    host_->update();
    if (floating_)
        floating_->Client()->update();
}

void TToolbar97::SetShowHint(bool on)
{
    showHint_ = on;
    parentShowHint_ = false;
}

void TToolbar97::SetTabOrder(int order)
{
    tabOrder_ = order;
    ChainTabOrder();
}

void TToolbar97::ChainTabOrder()
{
    // The focusable controls of the form's toolbars, toolbar by toolbar in their TabOrder
    // (ties in creation order), each toolbar's in its control order.
    std::vector<TToolbar97*> bars = ToolbarsOf(form_);
    std::stable_sort(bars.begin(), bars.end(),
                     [](const TToolbar97* a, const TToolbar97* b) { return a->tabOrder_ < b->tabOrder_; });
    QWidget* last = nullptr;
    for (TToolbar97* bar : bars)
        for (const Control& c : bar->controls_) {
            if (c.widget->focusPolicy() == Qt::NoFocus)
                continue;
            if (last && last->window() == c.widget->window())
                QWidget::setTabOrder(last, c.widget);
            last = c.widget;
        }
}

void TToolbar97::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (dock_)
        dock_->InsertRemoveBar(visible, this, visible);
    UpdateFloatingVisibility();
    Q_EMIT OnVisibleChanged(visible);
}

void TToolbar97::MoveControlsTo(QWidget* parent)
{
    for (const Control& c : controls_)
        c.widget->setParent(parent);
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
    Q_EMIT OnDockChanging();
    if (dock_ || floating_)
        Q_EMIT OnRecreating();
    changing_ = true;
    dock->BeginUpdate();
    TDock97* old = dock_;
    if (floating_) {
        TFloatingWindow* window = floating_;
        floating_ = nullptr;
        window->hide();
        window->deleteLater();
    }
    if (old && old != dock)
        old->InsertRemoveBar(false, this, false);
    MoveControlsTo(host_);
    dock_ = dock;
    host_->setParent(dock);
    host_->SetOrientation(dock->Vertical() ? Qt::Vertical : Qt::Horizontal);
    dock->InsertRemoveBar(true, this, visible_);
    dock->EndUpdate();
    changing_ = false;
    ChainTabOrder();
    Q_EMIT OnMove();
    Q_EMIT OnRecreated();
    Q_EMIT OnDockChanged();
}

void TToolbar97::Float()
{
    if (floating_) {
        MoveOnScreen(true);
        return;
    }
    Q_EMIT OnDockChanging();
    if (dock_)
        Q_EMIT OnRecreating();
    changing_ = true;
    TDock97* old = dock_;
    dock_ = nullptr;
    if (old)
        old->InsertRemoveBar(false, this, false);
    host_->hide();
    auto* window = new TFloatingWindow(this, form_);
    floating_ = window;
    floatedBefore_ = true;
    window->installEventFilter(this);
    window->Client()->setAcceptDrops(true);
    MoveControlsTo(window->Client());
    UpdateSize();
    window->move(floatingPosition_);
    changing_ = false;
    UpdateFloatingVisibility();
    NoteSize();
    ChainTabOrder();
    Q_EMIT OnMove();
    Q_EMIT OnRecreated();
    Q_EMIT OnDockChanged();
}

void TToolbar97::ArrangeFloating()
{
    if (!floating_)
        return;
    const std::vector<ToolbarControl> described = Describe(DockType::Floating);
    const ToolbarArrangement a = OrderControls(described, DockType::Floating, floatRightX_);
    for (size_t i = 0; i < controls_.size(); ++i) {
        QWidget* w = controls_[i].widget;
        if (!described[i].shown) {
            w->hide();
            continue;
        }
        w->setGeometry(a.places[i]);
        w->setVisible(!a.places[i].isEmpty());
    }
    floating_->Client()->SetLineSeps(a.lineSeps);
    floating_->SetClientSize(a.size);
    NoteSize();
}

void TToolbar97::NoteSize()
{
    const QSize now = floating_ ? floating_->size() : dock_ ? host_->size() : QSize();
    if (now.isEmpty() || now == lastSize_)
        return;
    lastSize_ = now;
    Q_EMIT OnResize();
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
        if (dock_) {
            Float();
        } else if (floating_) {
            floating_->move(floatingPosition_);
            Q_EMIT OnMove();
        }
        MoveOnScreen(true);
        return;
    }
    const QRect dockRect = dock->ScreenRect();
    const int across = dock->Vertical() ? outline.center().x() - dockRect.left()
                                        : outline.center().y() - dockRect.top();
    RowHit hit = dock->RowOfPoint(across);
    // A window that takes a whole row goes to a new row after one that holds others.
    if (fullSize_ && !hit.NewRow) {
        const auto& list = dock->DockList();
        const bool others = std::any_of(list.begin(), list.end(), [&](const TToolbar97* b) {
            return b != this && b->dockRow_ == hit.Row;
        });
        if (others)
            hit = {hit.Row + 1, true};
    }
    if (hit.NewRow)
        for (TToolbar97* bar : dock->DockList())
            if (bar != this && bar->dockRow_ >= hit.Row)
                ++bar->dockRow_;
    dockRow_ = hit.Row;
    dockPos_ = dock->Vertical() ? outline.top() - dockRect.top() : outline.left() - dockRect.left();
    if (dock == dock_ && !floating_) {
        dock->ArrangeToolbars();
        Q_EMIT OnMove();
    } else {
        SetDockedTo(dock);
    }
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
        Q_EMIT OnMove();
    }
}

void TToolbar97::CloseByButton()
{
    SetVisible(false);
    Q_EMIT OnClose();
}

void TToolbar97::ShowPopupMenu(QPoint global)
{
    if (popupMenu_)
        popupMenu_->popup(global);
}

bool TToolbar97::DragOver(const QMimeData* data, QPoint at)
{
    bool accept = false;
    Q_EMIT OnDragOver(data, at, accept);
    return accept;
}

void TToolbar97::DragDrop(const QMimeData* data, QPoint at)
{
    Q_EMIT OnDragDrop(data, at);
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
    } else if (event->type() == QEvent::ToolTip && !ShowHint()) {
        // A control's tip stays away.
        return true;
    } else if (event->type() == QEvent::Resize && (watched == host_ || watched == floating_)) {
        NoteSize();
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
