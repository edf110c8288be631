// A toolbar: a row of buttons and separators that sits in a dock or floats in a small window of
// its own. Docked, it is a window of its dock behind a grip; its place is its dock, row and
// position there. Floating, its controls wrap
// into lines at its wrap width FloatRightX. Either way it can be dragged to another dock or to
// the screen, and its place is saved with the form's settings.
#pragma once

#include "shell/toolbars/DockRows.h"
#include "shell/toolbars/ToolbarLayout.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/ToolWindow97.h"
#include "shell/toolbars/widgets/ToolbarButton97.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QMimeData;

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
    void Resized();

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

// The window of a docked toolbar in its dock: its frame, grip and controls. It is never moved
// by the window system: the dock's layout places it.
class TDockedHost : public QWidget {
    Q_OBJECT
public:
    explicit TDockedHost(TToolbar97* bar);
    TToolbar97* Bar() const { return bar_; }
    // Vertical in a left or right dock.
    Qt::Orientation orientation() const { return orientation_; }
    void SetOrientation(Qt::Orientation o) { orientation_ = o; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TToolbar97* bar_;
    Qt::Orientation orientation_ = Qt::Horizontal;
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
    // A control not in a slave pair takes part as this says.
    bool ControlVisible(const QWidget* control) const;
    void SetControlVisible(QWidget* control, bool visible);
    // A slave pair: of the two controls exactly one is shown, forTopBottom when floating or in
    // a top or bottom dock, forLeftRight in a left or right dock. Both must be controls of the
    // toolbar.
    void SetSlaveControl(QWidget* forTopBottom, QWidget* forLeftRight);

    // ---- Where it is ----
    TDock97* DockedTo() const { return dock_; }
    bool Docked() const { return dock_ != nullptr; }
    // Docks it in the dock at its DockRow and DockPos; nullptr floats it at its
    // FloatingPosition. A change of parent calls, in this order: OnDockChanging,
    // OnRecreating (when it had a parent), OnResize (when its size changes), OnMove,
    // OnRecreated and OnDockChanged.
    void SetDockedTo(TDock97* dock);
    int DockRow() const { return dockRow_; }
    int DockPos() const { return dockPos_; }
    void SetDockRow(int row);
    void SetDockPos(int pos);
    // The dock's layout writes the row and the position back.
    void SetRowAndPos(int row, int pos);
    // Alone in its row, over the dock's whole length.
    bool FullSize() const { return fullSize_; }
    void SetFullSize(bool on);
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
    // Behind its controls, where the dock shows no picture.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    // Its controls show their hints as tips; with ParentShowHint as the form does (always).
    // Setting ShowHint takes it from the form.
    bool ShowHint() const { return parentShowHint_ || showHint_; }
    void SetShowHint(bool on);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool on) { parentShowHint_ = on; }
    // Shown on a right-click on the toolbar beside its controls; null: none.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // Its place among the form's toolbars when the keyboard focus goes round their controls.
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order);

    // ---- Sizes ----
    // The controls as the layout sees them in a dock type: each taking part when it would be
    // shown there.
    std::vector<ToolbarControl> Describe(DockType type) const;
    std::vector<ToolbarControl> Describe() const;
    QSize ClientSizeFor(DockType type, const TDock97* dock) const;
    // The outer size in a dock (frame and grip included), or floating for nullptr.
    QSize OuterSizeFor(const TDock97* dock) const;
    int DockedLength(const TDock97* dock) const;
    int RowSizeIn(const TDock97* dock) const;
    // Recomputes its sizes after a change of its controls or its dock.
    void UpdateSize();
    // The dock's layout puts the docked window there (the dock's coordinates).
    void PlaceDocked(TDock97* dock, QRect r);

    // ---- Windows ----
    TDockedHost* Host() const { return host_.data(); }
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
    // A right-click beside the controls (screen position).
    void ShowPopupMenu(QPoint global);
    // Something dragged over it or dropped on it, at a point of its window (host or floating
    // client): true when OnDragOver accepts it.
    bool DragOver(const QMimeData* data, QPoint at);
    void DragDrop(const QMimeData* data, QPoint at);

Q_SIGNALS:
    // After the close button hid it.
    void OnClose();
    void OnVisibleChanged(bool visible);
    // Before and after its parent (a dock or its floating window) changes.
    void OnDockChanging();
    void OnDockChanged();
    // Around the re-creation of its window on a change of parent.
    void OnRecreating();
    void OnRecreated();
    void OnMove();
    // After its outer size changed.
    void OnResize();
    // Something dragged over it (at, in its window): accept takes it.
    void OnDragOver(const QMimeData* data, QPoint at, bool& accept);
    void OnDragDrop(const QMimeData* data, QPoint at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        QWidget* widget;
        bool visible = true;
    };
    struct SlavePair {
        QPointer<QWidget> topBottom;
        QPointer<QWidget> leftRight;
    };
    void Float();
    // The parent change's part between OnRecreating and OnMove.
    void MoveControlsTo(QWidget* parent);
    // Shows and places the docked controls for the row's thickness.
    void ArrangeDocked();
    DockType TypeOf(const TDock97* dock) const;
    DockType CurrentType() const { return TypeOf(dock_); }
    int CrossIn(const TDock97* dock) const;
    // Whether a control takes part in a dock type: a slave by the type, any other by its flag.
    bool ShownIn(const Control& c, DockType type) const;
    void NoteSize();
    void ChainTabOrder();

    QMainWindow* form_;
    QString caption_;
    QPointer<TDockedHost> host_;
    TToolbarGrip* grip_;
    QPointer<TFloatingWindow> floating_;
    std::vector<Control> controls_;
    std::vector<SlavePair> slaves_;
    TDock97* dock_ = nullptr;
    TDock97* defaultDock_ = nullptr;
    int dockRow_ = 0;
    int dockPos_ = -1;
    bool fullSize_ = false;
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
    QColor color_;
    bool showHint_ = true;
    bool parentShowHint_ = true;
    QPointer<QMenu> popupMenu_;
    int tabOrder_ = 0;
    QSize lastSize_;
    bool changing_ = false; // a parent change runs: the floating window stays hidden
};

// The toolbars of a form.
std::vector<TToolbar97*> ToolbarsOf(const QObject* form);

} // namespace zemo
