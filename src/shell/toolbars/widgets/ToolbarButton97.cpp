#include "shell/toolbars/widgets/ToolbarButton97.h"

#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>

namespace zemo {

namespace {

class QtButtonTimer : public ButtonTimer {
public:
    QtButtonTimer()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (OnTick)
                OnTick();
        });
    }
    void Start(int ms) override { timer_.start(ms); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }
    int Interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

ButtonTimerFactory& TimerFactory()
{
    static ButtonTimerFactory factory;
    return factory;
}

std::unique_ptr<ButtonTimer> MakeTimer()
{
    if (TimerFactory())
        return TimerFactory()();
    return std::make_unique<QtButtonTimer>();
}

// The button under the pointer, and the timer that notices when the pointer has gone.
struct HotTracking {
    QPointer<TToolbarButton97> hot;
    QTimer* timer = nullptr;
    int buttons = 0;
};

HotTracking& HotState()
{
    static HotTracking h;
    return h;
}

bool AppActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace

void SetButtonTimerFactory(ButtonTimerFactory factory)
{
    TimerFactory() = std::move(factory);
}

TToolbarButton97::TToolbarButton97(QWidget* parent) : QWidget(parent)
{
    setFixedSize(size_);
    // The click that closes a drop-down menu must not open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    HotTracking& h = HotState();
    if (h.buttons++ == 0) {
        h.timer = new QTimer;
        h.timer->setInterval(HotCheckMs);
        QObject::connect(h.timer, &QTimer::timeout, [] {
            TToolbarButton97* b = HotState().hot;
            if (b && QApplication::widgetAt(QCursor::pos()) != b)
                b->LeaveHot();
        });
        QObject::connect(qApp, &QGuiApplication::applicationStateChanged, h.timer,
                         [](Qt::ApplicationState state) {
                             TToolbarButton97* b = HotState().hot;
                             if (b && state != Qt::ApplicationActive && !b->borderWhenInactive_)
                                 b->LeaveHot();
                         });
    }
}

TToolbarButton97::~TToolbarButton97()
{
    HotTracking& h = HotState();
    if (h.hot == this)
        h.hot = nullptr;
    if (--h.buttons == 0) {
        delete h.timer;
        h.timer = nullptr;
    }
}

void TToolbarButton97::SetAction(QAction* action)
{
    if (action_)
        disconnect(action_, nullptr, this, nullptr);
    action_ = action;
    if (action_)
        connect(action_, &QAction::changed, this, &TToolbarButton97::SyncFromAction);
    SyncFromAction();
}

void TToolbarButton97::SyncFromAction()
{
    if (!action_)
        return;
    glyph_ = action_->icon();
    setToolTip(action_->toolTip());
    setStatusTip(action_->statusTip());
    setEnabled(action_->isEnabled());
    update();
}

bool TToolbarButton97::Down() const
{
    if (action_)
        return action_->isCheckable() && action_->isChecked();
    return down_;
}

void TToolbarButton97::SetDown(bool down)
{
    if (groupIndex_ == 0 || down == Down())
        return;
    if (!down && !allowAllUp_)
        return;
    if (action_)
        action_->setChecked(down);
    down_ = down;
    if (down)
        ReleaseGroup();
    update();
}

void TToolbarButton97::ReleaseGroup()
{
    if (!parentWidget() || groupIndex_ == 0)
        return;
    for (TToolbarButton97* b : parentWidget()->findChildren<TToolbarButton97*>(Qt::FindDirectChildrenOnly)) {
        if (b == this || b->groupIndex_ != groupIndex_ || !b->Down())
            continue;
        if (b->action_)
            b->action_->setChecked(false);
        b->down_ = false;
        b->update();
    }
}

void TToolbarButton97::SetGroupIndex(int index)
{
    groupIndex_ = index;
    SetAllowAllUp(allowAllUp_);
}

void TToolbarButton97::SetAllowAllUp(bool allow)
{
    allowAllUp_ = allow;
    if (!parentWidget() || groupIndex_ == 0)
        return;
    for (TToolbarButton97* b : parentWidget()->findChildren<TToolbarButton97*>(Qt::FindDirectChildrenOnly))
        if (b != this && b->groupIndex_ == groupIndex_)
            b->allowAllUp_ = allow;
    if (Down())
        ReleaseGroup();
}

void TToolbarButton97::SetDropdownCombo(bool on)
{
    if (on == combo_)
        return;
    combo_ = on;
    SetButtonSize(QSize(std::max(size_.width() + (on ? DropdownComboWidth : -DropdownComboWidth), 1),
                        size_.height()));
}

void TToolbarButton97::SetGlyph(const QIcon& glyph, QSize size)
{
    glyph_ = glyph;
    glyphSize_ = size;
    update();
}

void TToolbarButton97::SetCaption(const QString& caption)
{
    caption_ = caption;
    UpdateMnemonic();
    update();
}

void TToolbarButton97::UpdateMnemonic()
{
    const QKeySequence key = QKeySequence::mnemonic(caption_);
    if (key.isEmpty() || displayMode_ == DisplayMode::GlyphOnly) {
        delete mnemonic_;
        mnemonic_ = nullptr;
        return;
    }
    if (!mnemonic_) {
        mnemonic_ = new QShortcut(this);
        mnemonic_->setContext(Qt::WindowShortcut);
        connect(mnemonic_, &QShortcut::activated, this, [this] {
            if (isEnabled() && isVisible())
                Click();
        });
    }
    mnemonic_->setKey(key);
}

void TToolbarButton97::SetMargin(int margin)
{
    if (margin < -1)
        return;
    margin_ = margin;
    update();
}

void TToolbarButton97::SetButtonSize(QSize size)
{
    size_ = size;
    setFixedSize(size);
    updateGeometry();
}

TToolbarButton97::DrawState TToolbarButton97::State() const
{
    if (!isEnabled())
        return DrawState::Disabled;
    if (pressed_)
        return DrawState::Pressed;
    if (Down())
        return DrawState::Exclusive;
    if (HotState().hot == this)
        return DrawState::Hot;
    return DrawState::Up;
}

bool TToolbarButton97::Hot() const
{
    return HotState().hot == this;
}

void TToolbarButton97::BecomeHot()
{
    HotTracking& h = HotState();
    if (h.hot == this || !isEnabled())
        return;
    if (h.hot)
        h.hot->LeaveHot();
    if (!AppActive() && !borderWhenInactive_)
        return;
    h.hot = this;
    if (h.timer)
        h.timer->start();
    Q_EMIT mouseEntered();
    update();
}

void TToolbarButton97::LeaveHot()
{
    HotTracking& h = HotState();
    if (h.hot != this)
        return;
    h.hot = nullptr;
    if (h.timer)
        h.timer->stop();
    Q_EMIT mouseExited();
    update();
}

bool TToolbarButton97::Inside(QPoint p) const
{
    QRect r = rect();
    if (combo_)
        r.setWidth(r.width() - DropdownComboWidth);
    return r.contains(p);
}

void TToolbarButton97::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    BecomeHot();
}

void TToolbarButton97::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    LeaveHot();
}

void TToolbarButton97::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled()) {
        LeaveHot();
        pressed_ = false;
        dragging_ = false;
        repeat_.reset();
        if (QWidget::mouseGrabber() == this)
            releaseMouse();
    }
    update();
}

void TToolbarButton97::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled())
        return;
    BecomeHot();
    if (event->button() != Qt::LeftButton)
        return; // the press event only
    menuIsDown_ = menu_ && (!combo_ || event->position().x() >= width() - DropdownComboWidth);
    if (!Down())
        pressed_ = true;
    update();
    if (!menuIsDown_) {
        dragging_ = true;
        inside_ = true;
    }
    if (menuIsDown_) {
        Click();
    } else if (repeating_) {
        Click();
        repeat_ = MakeTimer();
        repeat_->OnTick = [this] { RepeatTick(); };
        repeat_->Start(repeatDelay_);
    }
}

void TToolbarButton97::RepeatTick()
{
    if (!repeat_)
        return;
    repeat_->Start(repeatInterval_);
    if (dragging_ && inside_ && isEnabled())
        Click();
    else
        repeat_->Stop();
}

void TToolbarButton97::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) {
        if (rect().contains(event->position().toPoint()))
            BecomeHot();
        return;
    }
    inside_ = Inside(event->position().toPoint());
    if (inside_ && repeat_ && !repeat_->Active())
        repeat_->Start(repeatInterval_);
    const bool pressed = !Down() && inside_;
    if (pressed != pressed_) {
        pressed_ = pressed;
        update();
    }
}

void TToolbarButton97::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        dragging_ = false;
        LeaveHot();
    }
    if (event->button() != Qt::LeftButton || !dragging_) {
        repeat_.reset();
        return;
    }
    dragging_ = false;
    const bool inside = Inside(event->position().toPoint());
    if (inside && !repeating_) {
        repeat_.reset();
        Click();
        return;
    }
    repeat_.reset();
    pressed_ = false;
    update();
}

void TToolbarButton97::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && Down())
        Q_EMIT doubleClicked();
    mousePressEvent(event);
}

void TToolbarButton97::Click()
{
    if (inClick_)
        return;
    QPointer<TToolbarButton97> self(this);
    inClick_ = true;
    pressed_ = true; // drawn pressed while the click runs
    repaint();
    const bool menuClick = menu_ && (!combo_ || menuIsDown_);
    if (action_) {
        if (!menuClick || !combo_)
            action_->trigger();
    } else {
        if (groupIndex_ != 0)
            SetDown(!Down());
        if (!menuClick || !combo_) {
            if (modalResult_ != 0)
                if (auto* dialog = qobject_cast<QDialog*>(window()))
                    dialog->done(modalResult_);
            Q_EMIT clicked();
        }
    }
    if (self && menuClick)
        PopupMenu();
    if (!self)
        return;
    menuIsDown_ = false;
    inClick_ = false;
    if (!dragging_ || !repeating_)
        pressed_ = false;
    if (QApplication::widgetAt(QCursor::pos()) != this)
        LeaveHot();
    update();
}

QPoint TToolbarButton97::MenuPosition(QSize menuSize) const
{
    const DockPosition* side = nullptr;
    DockPosition where = DockPosition::Top;
    if (auto* host = qobject_cast<TDockedHost*>(parentWidget()); host && host->Bar() &&
                                                                host->Bar()->DockedTo()) {
        where = host->Bar()->DockedTo()->Position();
        side = &where;
    }
    if (side && *side == DockPosition::Left)
        return mapToGlobal(QPoint(width(), 0));
    if (side && *side == DockPosition::Right)
        return mapToGlobal(QPoint(0, 0)) - QPoint(menuSize.width(), 0);
    return mapToGlobal(QPoint(0, height()));
}

void TToolbarButton97::PopupMenu()
{
    QMenu* menu = menu_;
    if (!menu)
        return;
    menu->exec(MenuPosition(menu->sizeHint()));
}

void TToolbarButton97::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    const DrawState state = State();
    const bool hot = Hot();
    if (opaque_ || !flat_)
        p.fillRect(rect(), c.face);
    const bool down = state == DrawState::Pressed || state == DrawState::Exclusive;
    QRect face = rect();
    QRect arrowPart;
    if (combo_) {
        arrowPart = QRect(width() - DropdownComboWidth, 0, DropdownComboWidth, height());
        face.setWidth(face.width() - DropdownComboWidth);
    }
    const bool border = !noBorder_ && (!flat_ || down || (hot && isEnabled()));
    if (border) {
        if (flat_) {
            if (down)
                DrawSunkenOuter(p, face, c);
            else
                DrawRaisedInner(p, face, c);
        } else if (down) {
            DrawSunkenSoft(p, face, c);
        } else {
            DrawRaisedSoft(p, face, c);
        }
        if (combo_) {
            if (menuIsDown_)
                DrawSunkenOuter(p, arrowPart, c);
            else if (flat_)
                DrawRaisedInner(p, arrowPart, c);
            else
                DrawRaisedSoft(p, arrowPart, c);
        }
    }
    const int inset = flat_ ? 1 : 2;
    face.adjust(inset, inset, -inset, -inset);
    if (state == DrawState::Exclusive && !(flat_ && hot))
        p.fillRect(face, HeldDownBrush(c));
    const bool shift = down && !(combo_ && menuIsDown_);
    PaintContent(p, face, shift ? QPoint(1, 1) : QPoint(0, 0));

    if (combo_) {
        // A triangle 5 wide and 3 high, 13 pixels from the right edge at half the height.
        const int x = width() - 13 + (menuIsDown_ ? 1 : 0) + 4;
        const int y = height() / 2 - 1 + (menuIsDown_ ? 1 : 0);
        const auto triangle = [&](QPoint at, QColor col) {
            for (int row = 0; row < 3; ++row)
                p.fillRect(QRect(at.x() + row, at.y() + row, 5 - 2 * row, 1), col);
        };
        if (isEnabled()) {
            triangle(QPoint(x, y), c.text);
        } else {
            triangle(QPoint(x + 1, y + 1), c.highlight);
            triangle(QPoint(x, y), c.shadow);
        }
    }
}

void TToolbarButton97::PaintContent(QPainter& p, QRect face, QPoint shift)
{
    const ToolbarColors c = ToolbarColors::Of(palette());
    ButtonContent content;
    content.face = face.size();
    const bool showGlyph = displayMode_ != DisplayMode::TextOnly && !glyph_.isNull();
    const bool showCaption = displayMode_ != DisplayMode::GlyphOnly && !caption_.isEmpty();
    content.glyph = showGlyph ? glyphSize_ : QSize();
    content.arrow = menu_ && !combo_ && dropdownArrow_;
    content.layout = layout_;
    content.margin = margin_;
    content.spacing = spacing_;
    const QFontMetrics fm(font());
    const int textFlags = Qt::TextShowMnemonic | (wordWrap_ ? Qt::TextWordWrap : Qt::TextSingleLine);
    if (showCaption) {
        const int wrap = wordWrap_ ? CaptionWrapWidth(content) : 32767;
        content.caption = fm.boundingRect(QRect(0, 0, wrap, 32767), textFlags, caption_).size();
    }
    const ButtonContentPlaces places = PlaceButtonContent(content);
    const QPoint origin = face.topLeft() + shift;
    if (showGlyph) {
        const QPoint at = places.glyph.topLeft() + origin;
        // A picture that brings its own disabled image shows it: embossing turns a filled
        // picture into a grey block that looks like any other.
        if (isEnabled())
            p.drawImage(at, glyph_.pixmap(glyphSize_).toImage());
        else if (!glyph_.availableSizes(QIcon::Disabled).isEmpty())
            p.drawPixmap(at, glyph_.pixmap(glyphSize_, QIcon::Disabled));
        else
            p.drawImage(at, EmbossedGlyph(glyph_.pixmap(glyphSize_).toImage(), c));
    }
    if (showCaption) {
        const QRect r = places.caption.translated(origin);
        if (isEnabled()) {
            p.setPen(c.text);
            p.drawText(r, textFlags | Qt::AlignCenter, caption_);
        } else {
            p.setPen(c.highlight);
            p.drawText(r.translated(1, 1), textFlags | Qt::AlignCenter, caption_);
            p.setPen(c.shadow);
            p.drawText(r, textFlags | Qt::AlignCenter, caption_);
        }
    }
    if (content.arrow) {
        const QRect a = places.arrow.translated(origin);
        const QColor col = isEnabled() ? c.text : c.shadow;
        // A small triangle in its 9 by 3 room.
        for (int row = 0; row < 3; ++row)
            p.fillRect(QRect(a.left() + 2 + row, a.top() + row, 5 - 2 * row, 1), col);
    }
}

} // namespace zemo
