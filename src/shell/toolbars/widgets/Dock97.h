// A dock: one side of a main window where tool windows sit in rows. The dock is a window of
// its own, held in the window system's toolbar area of that side, and places its tool windows
// itself: each row at its offset across the dock, each window at its DockPos along it. Behind
// them it shows its colour or a tiled picture, and one-pixel 3-D lines on the edges asked for.
#pragma once

#include "shell/toolbars/DockRows.h"

#include <QColor>
#include <QFlags>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

class QMainWindow;
class QMenu;
class QPainter;
class QToolBar;

namespace zemo {

class TToolbar97;

// The edges of a dock that carry a line.
enum DockBoundLine : unsigned { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
Q_DECLARE_FLAGS(TDockBoundLines, DockBoundLine)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDockBoundLines)

class TDock97 : public QWidget {
    Q_OBJECT
public:
    TDock97(QMainWindow* form, DockPosition position, const QString& name);

    QMainWindow* Form() const { return form_; }
    DockPosition Position() const { return position_; }
    // Moves an empty dock to another side of its form. A dock that holds a tool window, shown
    // or hidden, keeps its side: that is a programming error (std::logic_error).
    void SetPosition(DockPosition position);
    Qt::ToolBarArea Area() const;
    bool Vertical() const { return IsVerticalDock(position_); }
    // Tool windows may be dragged out of it and dropped into it.
    bool AllowDrag() const { return allowDrag_; }
    void SetAllowDrag(bool allow);

    // ---- Looks ----
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    // A picture tiled behind the dock, and with BackgroundOnToolbars behind its docked tool
    // windows too, running on seamlessly from one to the other. A null image: the colour.
    const QImage& Background() const { return background_; }
    void SetBackground(const QImage& picture);
    bool BackgroundOnToolbars() const { return backgroundOnToolbars_; }
    void SetBackgroundOnToolbars(bool on);
    // The picture's bottom-left colour becomes the dock's colour.
    bool BackgroundTransparent() const { return backgroundTransparent_; }
    void SetBackgroundTransparent(bool on);
    // The picture as shown: with BackgroundTransparent a copy, made once and kept until the
    // picture, the transparency or the colour change.
    const QImage& ShownBackground() const;
    // Its docked tool windows show the picture behind their controls.
    bool ShowsBackgroundOnToolbars() const { return backgroundOnToolbars_ && !background_.isNull(); }
    // Fills r of a window of the dock (the dock or a docked tool window) with the picture or
    // the colour; the tiles start at the dock's client origin.
    void PaintBackground(QPainter& p, const QWidget* window, QRect r) const;
    // Lines on these edges, the client area shrunk by them.
    TDockBoundLines BoundLines() const { return boundLines_; }
    void SetBoundLines(TDockBoundLines lines);
    // An empty dock keeps a thickness of 1 pixel instead of 0.
    bool FixAlign() const { return fixAlign_; }
    void SetFixAlign(bool on);
    // Every docked tool window in row 0.
    bool LimitToOneRow() const { return limitToOneRow_; }
    void SetLimitToOneRow(bool on);
    // Shown on a right-click on the dock beside its tool windows; null: none.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // Shows or hides the dock with its tool windows.
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // ---- Layout ----
    // The shown tool windows that take part in its layout, in row order after a layout.
    const std::vector<TToolbar97*>& DockList() const { return list_; }
    // Takes the tool window out of the list, and appends it again when inserting a visible
    // one; lays the dock out when the list changed.
    void InsertRemoveBar(bool inserting, TToolbar97* bar, bool visible);
    void ArrangeToolbars();
    // Layouts wait while suspended; the last EndUpdate runs a pending one.
    void BeginUpdate();
    void EndUpdate();
    // Whether the tool window may come in: OnRequestDock's answer.
    bool RequestDock(TToolbar97* bar);

    // Each row's thickness (frame excluded) as of the last layout.
    const std::vector<int>& RowSizes() const { return rowSizes_; }
    // The client thickness: its rows with their frames; 0 when empty.
    int Thickness() const { return thickness_; }
    // The whole thickness: the client's and the bound lines across it; 1 for an empty dock
    // with FixAlign.
    int OuterThickness() const;
    // The client area in the dock's own coordinates (inside the bound lines).
    QRect ClientArea() const;
    // The dock's client rectangle in the form's coordinates and on the screen.
    QRect ClientRect() const;
    QRect ScreenRect() const;
    // The row at a position across the dock (client coordinates).
    RowHit RowOfPoint(int across) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // After a tool window came into the list or left it.
    void OnInsertRemoveBar(bool inserting, TToolbar97* bar);
    // While a tool window is dragged over the dock: accept false refuses it.
    void OnRequestDock(TToolbar97* bar, bool& accept);
    // After the dock's size changed.
    void OnResize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The bound lines drawn: none on a dock 1 pixel thin or less.
    TDockBoundLines DrawnLines() const;
    // The dock and every docked tool window painted again.
    void RepaintAll();
    void ThicknessChanged();

    QMainWindow* form_;
    QToolBar* holder_;
    DockPosition position_;
    bool allowDrag_ = true;
    QColor color_;
    QImage background_;
    mutable QImage transparent_;
    bool backgroundOnToolbars_ = true;
    bool backgroundTransparent_ = false;
    TDockBoundLines boundLines_;
    bool fixAlign_ = false;
    bool limitToOneRow_ = false;
    bool visible_ = true;
    QPointer<QMenu> popupMenu_;
    std::vector<TToolbar97*> list_;
    std::vector<int> rowSizes_;
    int thickness_ = 0;
    int suspended_ = 0;
    bool pending_ = false;
};

// The docks of a form in the order a dragged window tries them: top, bottom, left, right.
std::vector<TDock97*> DocksOf(const QObject* form);

} // namespace zemo
