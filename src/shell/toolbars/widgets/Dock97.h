// A dock: one side of a main window where toolbars sit in rows. The window system's toolbar
// area of that side shows the rows: each row is one of its lines, packed in the order of the
// toolbars' DockPos; rows count from a horizontal dock's top and a vertical dock's left.
#pragma once

#include "shell/toolbars/DockRows.h"

#include <QObject>
#include <QRect>

#include <vector>

class QMainWindow;

namespace zemo {

class TToolbar97;

class TDock97 : public QObject {
    Q_OBJECT
public:
    TDock97(QMainWindow* form, DockPosition position, const QString& name);

    QMainWindow* Form() const { return form_; }
    DockPosition Position() const { return position_; }
    Qt::ToolBarArea Area() const;
    bool Vertical() const { return IsVerticalDock(position_); }
    // Tool windows may be dragged out of it and dropped into it.
    bool AllowDrag() const { return allowDrag_; }
    void SetAllowDrag(bool allow);

    // The shown tool windows that take part in its layout, in row order after a layout.
    const std::vector<TToolbar97*>& DockList() const { return list_; }
    // Takes the tool window out of the list, and appends it again when inserting a visible
    // one; lays the dock out when the list changed.
    void InsertRemoveBar(bool inserting, TToolbar97* bar, bool visible);
    void ArrangeToolbars();
    // Layouts wait while suspended; the last EndUpdate runs a pending one.
    void BeginUpdate();
    void EndUpdate();

    // Each row's thickness (frame excluded) as of the last layout.
    const std::vector<int>& RowSizes() const { return rowSizes_; }
    // The dock's thickness: its rows with their frames; 0 when empty.
    int Thickness() const;
    // The dock's client rectangle in the form's coordinates and on the screen.
    QRect ClientRect() const;
    QRect ScreenRect() const;
    // The row at a position across the dock (client coordinates).
    RowHit RowOfPoint(int across) const;

Q_SIGNALS:
    void insertRemoveBar(bool inserting, TToolbar97* bar);

private:
    QMainWindow* form_;
    DockPosition position_;
    bool allowDrag_ = true;
    std::vector<TToolbar97*> list_;
    std::vector<int> rowSizes_;
    int suspended_ = 0;
    bool pending_ = false;
};

// The docks of a form in the order a dragged window tries them: top, bottom, left, right.
std::vector<TDock97*> DocksOf(const QObject* form);

} // namespace zemo
