// The flat toolbar button: a border only while the pointer is over it or while it is down,
// exclusive groups and toggles, auto-repeat, and an optional drop-down menu (on the whole
// button, or on an 11-pixel arrow part at its right). Linked to an action, it shows the
// action's picture, hint and enabled state, is down while the action is checked, and a click
// triggers the action.
#pragma once

#include "shell/toolbars/ButtonLayout.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QShortcut;

namespace zemo {

// The repeat timer of a held button; tests run it on a clock of their own.
class ButtonTimer {
public:
    virtual ~ButtonTimer() = default;
    // (Re)starts with this interval.
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
    virtual int Interval() const = 0;
    std::function<void()> OnTick;
};
using ButtonTimerFactory = std::function<std::unique_ptr<ButtonTimer>()>;
// An empty factory gives the QTimer one.
void SetButtonTimerFactory(ButtonTimerFactory factory);

// The width of a combo button's arrow part.
inline constexpr int DropdownComboWidth = 11;
// The size of a new button.
inline constexpr QSize ToolbarButtonSize{23, 22};
// How often the button under the pointer checks that the pointer is still there.
inline constexpr int HotCheckMs = 125;

class TToolbarButton97 : public QWidget {
    Q_OBJECT
public:
    enum class DrawState { Up = 0, Disabled = 1, Pressed = 2, Exclusive = 3, Hot = 4 };
    enum class DisplayMode { Both, GlyphOnly, TextOnly };

    explicit TToolbarButton97(QWidget* parent = nullptr);
    ~TToolbarButton97() override;

    // The action whose picture, hint, enabled and checked state the button shows; a click
    // triggers it.
    void SetAction(QAction* action);
    QAction* Action() const { return action_; }

    bool Down() const;
    // A button outside a group stays up; a down button whose group does not allow all up
    // cannot be set up; going down releases the other down buttons of its group.
    void SetDown(bool down);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);

    bool Flat() const { return flat_; }
    void SetFlat(bool on) { flat_ = on; update(); }
    void SetNoBorder(bool on) { noBorder_ = on; update(); }
    void SetOpaque(bool on) { opaque_ = on; update(); }
    void SetShowBorderWhenInactive(bool on) { borderWhenInactive_ = on; }

    bool Repeating() const { return repeating_; }
    void SetRepeating(bool on) { repeating_ = on; }
    void SetRepeatDelay(int ms) { repeatDelay_ = ms; }
    void SetRepeatInterval(int ms) { repeatInterval_ = ms; }

    void SetDropdownMenu(QMenu* menu) { menu_ = menu; update(); }
    QMenu* DropdownMenu() const { return menu_; }
    void SetDropdownArrow(bool on) { dropdownArrow_ = on; update(); }
    // Widens the button by the arrow part, or narrows it again.
    void SetDropdownCombo(bool on);
    bool DropdownCombo() const { return combo_; }

    void SetGlyph(const QIcon& glyph, QSize size = QSize(16, 16));
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }
    void SetDisplayMode(DisplayMode mode) { displayMode_ = mode; update(); }
    void SetLayout(GlyphLayout layout) { layout_ = layout; update(); }
    // Below -1 is ignored.
    void SetMargin(int margin);
    void SetSpacing(int spacing) { spacing_ = spacing; update(); }
    void SetWordWrap(bool on) { wordWrap_ = on; update(); }
    void SetModalResult(int result) { modalResult_ = result; }

    // The size it keeps (a new button is 23 by 22).
    void SetButtonSize(QSize size);
    QSize sizeHint() const override { return size_; }

    DrawState State() const;
    bool Hot() const;

    // What a press, a release or the end of a drop-down menu does, also from the keyboard.
    void Click();

Q_SIGNALS:
    void clicked();
    void doubleClicked();
    void mouseEntered();
    void mouseExited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SyncFromAction();
    void BecomeHot();
    void LeaveHot();
    bool Inside(QPoint p) const;
    void RepeatTick();
    void PopupMenu();
    void ReleaseGroup();
    QPoint MenuPosition(QSize menuSize) const;
    void PaintContent(class QPainter& p, QRect face, QPoint shift);
    void UpdateMnemonic();

    QPointer<QAction> action_;
    bool down_ = false; // without an action
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool flat_ = true;
    bool noBorder_ = false;
    bool opaque_ = true;
    bool borderWhenInactive_ = false;
    bool repeating_ = false;
    int repeatDelay_ = 400;
    int repeatInterval_ = 100;
    QPointer<QMenu> menu_;
    bool dropdownArrow_ = true;
    bool combo_ = false;
    QIcon glyph_;
    QSize glyphSize_{16, 16};
    QString caption_;
    DisplayMode displayMode_ = DisplayMode::Both;
    GlyphLayout layout_ = GlyphLayout::Left;
    int margin_ = -1;
    int spacing_ = 4;
    bool wordWrap_ = false;
    int modalResult_ = 0;
    QSize size_ = ToolbarButtonSize;

    bool pressed_ = false;  // drawn down while the left button holds it
    bool dragging_ = false; // the left button was pressed on it and is still held
    bool inside_ = false;
    bool menuIsDown_ = false;
    bool inClick_ = false;
    std::unique_ptr<ButtonTimer> repeat_;
    QShortcut* mnemonic_ = nullptr;
};

} // namespace zemo
