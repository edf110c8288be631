#include "shell/toolbars/widgets/Dock97.h"

#include "shell/toolbars/widgets/Toolbar97.h"

#include <QMainWindow>
#include <QStatusBar>

#include <algorithm>

namespace zemo {

TDock97::TDock97(QMainWindow* form, DockPosition position, const QString& name)
    : QObject(form), form_(form), position_(position)
{
    setObjectName(name);
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
        form_->removeToolBar(bar->Host());
    ArrangeToolbars();
    bar->UpdateSize();
    Q_EMIT insertRemoveBar(inserting, bar);
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

void TDock97::ArrangeToolbars()
{
    if (suspended_ > 0) {
        pending_ = true;
        return;
    }
    ++suspended_;
    std::vector<DockedBar> model(list_.size());
    std::vector<DockedBar*> order;
    for (size_t i = 0; i < list_.size(); ++i) {
        model[i] = {list_[i]->DockRow(), list_[i]->DockPos(), list_[i]->DockedLength(this),
                    list_[i]->RowSizeIn(this)};
        order.push_back(&model[i]);
    }
    rowSizes_ = ArrangeRows(order);
    std::vector<TToolbar97*> arranged;
    for (DockedBar* b : order) {
        TToolbar97* bar = list_[size_t(b - model.data())];
        bar->SetRowAndPos(b->DockRow, b->DockPos);
        arranged.push_back(bar);
    }
    list_ = arranged;

    // The window system counts its lines from the form's edge inwards.
    const int rows = int(rowSizes_.size());
    const bool fromEdge = position_ == DockPosition::Bottom || position_ == DockPosition::Right;
    for (int n = 0; n < rows; ++n) {
        const int row = fromEdge ? rows - 1 - n : n;
        if (n > 0)
            form_->addToolBarBreak(Area());
        for (TToolbar97* bar : list_) {
            if (bar->DockRow() != row)
                continue;
            form_->addToolBar(Area(), bar->Host());
            if (bar->Host()->isHidden())
                bar->Host()->show();
        }
    }
    --suspended_;
    pending_ = false;
}

int TDock97::Thickness() const
{
    if (list_.empty())
        return 0;
    int t = 0;
    for (int s : rowSizes_)
        t += s + 2 * DockedFrame;
    return t;
}

QRect TDock97::ClientRect() const
{
    QRect inner = form_->rect();
    if (QWidget* menu = form_->menuWidget(); menu && !menu->isHidden())
        inner.setTop(menu->geometry().bottom() + 1);
    if (auto* status = form_->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
        status && !status->isHidden())
        inner.setBottom(status->geometry().top() - 1);
    int top = 0;
    int bottom = 0;
    for (TDock97* d : DocksOf(form_)) {
        if (d->Position() == DockPosition::Top)
            top = d->Thickness();
        else if (d->Position() == DockPosition::Bottom)
            bottom = d->Thickness();
    }
    const int t = Thickness();
    const int sideHeight = std::max(inner.height() - top - bottom, 0);
    switch (position_) {
    case DockPosition::Top: return QRect(inner.left(), inner.top(), inner.width(), t);
    case DockPosition::Bottom: return QRect(inner.left(), inner.bottom() + 1 - t, inner.width(), t);
    case DockPosition::Left: return QRect(inner.left(), inner.top() + top, t, sideHeight);
    case DockPosition::Right: return QRect(inner.right() + 1 - t, inner.top() + top, t, sideHeight);
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
    for (TDock97* d : form->findChildren<TDock97*>(Qt::FindDirectChildrenOnly))
        docks.push_back(d);
    std::stable_sort(docks.begin(), docks.end(), [](const TDock97* a, const TDock97* b) {
        return int(a->Position()) < int(b->Position());
    });
    return docks;
}

} // namespace zemo
