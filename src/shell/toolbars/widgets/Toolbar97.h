// A toolbar: a row of buttons and separators that sits in a dock or floats in a small window of
// its own. Docked, it lives in a toolbar of the window system that never moves by itself,
// behind a grip; its place is its dock, row and position there. Floating, its controls wrap
// into lines at its wrap width FloatRightX. Either way it can be dragged to another dock or to
// the screen, and its place is saved with the form's settings.
#pragma once

#include "shell/toolbars/DockRows.h"
#include "shell/toolbars/ToolbarLayout.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/toolbars/widgets/ToolbarButton97.h"

#include <QPoint>
#include <QPointer>
#include <QToolBar>
#include <QWidget>

#include <vector>

class QAction;
class QMainWindow;
class QWidgetAction;

namespace zemo {

class TToolbar97;

// How far from its dock a toolbar that never floated opens when it is floated.
inline constexpr int BesideDockGap = 4;

// A piece of a toolbar that is no control: a press on it drags the toolbar, a double-click
// floats a docked toolbar and docks a floating one.
class TToolbarPiece : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarPiece(TToolbar97* bar) : bar_(bar) {}
    // Its extent across the line (the toolbar's row size).
    void SetCross(int cross);

protected:
    // In the toolbar of a left or right dock.
    bool InVerticalDock() const;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    TToolbar97* bar_;
    int cross_ = 22;
};

// The separator between two groups of a toolbar's controls: an etched line across the line of
// controls, unless Blank; none at the end of a wrapped line.
class TToolbarSep97 : public TToolbarPiece {
    Q_OBJECT
public:
    explicit TToolbarSep97(TToolbar97* bar);

    int SizeHorz() const { return sizeHorz_; }
    int SizeVert() const { return sizeVert_; }
    // At least 1.
    void SetSizeHorz(int size);
    void SetSizeVert(int size);
    bool Blank() const { return blank_; }
    void SetBlank(bool blank);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int sizeHorz_ = SeparatorSize;
    int sizeVert_ = SeparatorSize;
    bool blank_ = false;
};

// The grip of a docked toolbar: two raised bars it is dragged by.
class TToolbarGrip : public TToolbarPiece {
    Q_OBJECT
public:
    explicit TToolbarGrip(TToolbar97* bar);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The window system's toolbar that holds a docked toolbar in its dock's line. It is never
// moved by the window system: the toolbar's own drag places it.
class TDockedHost : public QToolBar {
    Q_OBJECT
public:
    TDockedHost(TToolbar97* bar, QMainWindow* form);
    TToolbar97* Bar() const { return bar_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TToolbar97* bar_;
};

class TToolbar97 : public QObject {
    Q_OBJECT
public:
    // A toolbar of the form, not yet docked and not shown (SetDockedTo places it).
    TToolbar97(QMainWindow* form, const QString& name, const QString& caption);
    ~TToolbar97() override;

    QMainWindow* Form() const { return form_; }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    // ---- Controls, in the order they were added ----
    TToolbarButton97* AddButton(QAction* action, QSize size = ToolbarButtonSize);
    TToolbarSep97* AddSeparator();
    void AddControl(QWidget* control);
    std::vector<QWidget*> Controls() const;
    TToolbarButton97* ButtonFor(const QAction* action) const;

    // ---- Where it is ----
    TDock97* DockedTo() const { return dock_; }
    bool Docked() const { return dock_ != nullptr; }
    // Docks it in the dock at its DockRow and DockPos; nullptr floats it at its
    // FloatingPosition.
    void SetDockedTo(TDock97* dock);
    int DockRow() const { return dockRow_; }
    int DockPos() const { return dockPos_; }
    void SetDockRow(int row);
    void SetDockPos(int pos);
    // The dock's layout writes the row and the packed position back.
    void SetRowAndPos(int row, int pos);
    // The floating window's outer top-left on the screen.
    QPoint FloatingPosition() const { return floatingPosition_; }
    void SetFloatingPosition(QPoint p);
    // The floating wrap width; 0 is one line.
    int FloatRightX() const { return floatRightX_; }
    void SetFloatRightX(int x);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    TDock97* DefaultDock() const { return defaultDock_; }
    void SetDefaultDock(TDock97* dock) { defaultDock_ = dock; }
    bool DockableTo(DockPosition p) const { return (dockableTo_ >> int(p)) & 1u; }
    void SetDockableTo(DockPosition p, bool allowed);
    bool ActivateParent() const { return activateParent_; }
    void SetActivateParent(bool on) { activateParent_ = on; }
    bool HideWhenInactive() const { return hideWhenInactive_; }
    void SetHideWhenInactive(bool on);
    bool CloseButton() const { return closeButton_; }
    void SetCloseButton(bool on);
    bool DragHandle() const { return dragHandle_; }
    void SetDragHandle(bool on);
    bool Resizable() const { return resizable_; }

    // ---- Sizes ----
    // The controls as the layout sees them.
    std::vector<ToolbarControl> Describe() const;
    QSize ClientSizeFor(DockType type, const TDock97* dock) const;
    // The outer size in a dock (frame and grip included), or floating for nullptr.
    QSize OuterSizeFor(const TDock97* dock) const;
    int DockedLength(const TDock97* dock) const;
    int RowSizeIn(const TDock97* dock) const;
    // Recomputes its sizes after a change of its controls or its dock.
    void UpdateSize();

    // ---- Windows ----
    TDockedHost* Host() const { return host_; }
    TFloatingWindow* FloatingWindow() const { return floating_; }
    // The outer rectangle on the screen: the docked host's or the floating window's.
    QRect OuterScreenRect() const;

    // ---- What the user does ----
    // A left press that may drag it: grabber holds the mouse until the drag ends.
    void BeginMoving(QWidget* grabber, QPoint pressGlobal, Qt::KeyboardModifiers mods = {});
    // Double-click on the docked toolbar: it floats at its FloatingPosition, or beside its dock
    // when it has never floated.
    void FloatByDoubleClick();
    // The floating window's top-left just off the dock's inner edge, level with the toolbar.
    QPoint BesideDock() const;
    // Double-click on the floating window: it docks first in row 0 of its DefaultDock.
    void DockByDoubleClick();
    // Accepting a drag: to a dock at the outline, or floating at the outline's top-left.
    void DropAt(TDock97* dock, QRect outline);
    // Keeps a floating window on the screens' work areas; with onlyWhenOff only when it
    // overlaps none.
    void MoveOnScreen(bool onlyWhenOff);
    // The close button hides it.
    void CloseByButton();
    // Shows or hides the floating window by the rules: visible, the form shown and not
    // minimised, and with HideWhenInactive the application active.
    void UpdateFloatingVisibility();
    void UpdateFloatingVisibility(Qt::ApplicationState state);
    // Places the controls of the floating window.
    void ArrangeFloating();

Q_SIGNALS:
    void closed();
    void visibleChanged(bool visible);
    void dockChanged();
    void moved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        QWidget* widget;
        QWidgetAction* action;
    };
    void Float();
    void TakeControlsToHost();
    DockType TypeOf(const TDock97* dock) const;
    int CrossIn(const TDock97* dock) const;

    QMainWindow* form_;
    QString caption_;
    TDockedHost* host_;
    TToolbarGrip* grip_;
    QWidgetAction* gripAction_;
    QPointer<TFloatingWindow> floating_;
    std::vector<Control> controls_;
    TDock97* dock_ = nullptr;
    TDock97* defaultDock_ = nullptr;
    int dockRow_ = 0;
    int dockPos_ = -1;
    QPoint floatingPosition_;
    bool floatedBefore_ = false; // floatingPosition_ is a place it floated at
    int floatRightX_ = 0;
    bool visible_ = true;
    unsigned dockableTo_ = 0xF;
    bool activateParent_ = true;
    bool hideWhenInactive_ = true;
    bool closeButton_ = true;
    bool dragHandle_ = true;
    bool resizable_ = true;
    bool changing_ = false; // a parent change runs: the floating window stays hidden
};

// The toolbars of a form.
std::vector<TToolbar97*> ToolbarsOf(const QObject* form);

} // namespace zemo
