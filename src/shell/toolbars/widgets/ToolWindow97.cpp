#include "shell/toolbars/widgets/ToolWindow97.h"

#include "platform/Settings.h"
#include "shell/toolbars/DragRules.h"
#include "shell/toolbars/FloatingFrame.h"
#include "shell/toolbars/ToolbarStore.h"
#include "shell/toolbars/widgets/Dock97.h"
#include "shell/toolbars/widgets/Toolbar97.h"
#include "shell/toolbars/widgets/ToolbarPaint.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScreen>

#include <memory>
#include <optional>
#include <stdexcept>

namespace zemo {

namespace {

QRect WorkAreaAt(QPoint p)
{
    QScreen* s = QGuiApplication::screenAt(p);
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect();
}

// The 50 % pattern of the outline: alternate pixels black and white.
QBrush OutlineBrush()
{
    QImage tile(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, ((x ^ y) & 1) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return QBrush(tile);
}

std::optional<ToolWindowTracking> Tracking;

// A loop over the mouse grab: the grabbing widget's input goes to it until it ends.
class TrackingLoop : public QObject {
public:
    TrackingLoop(TToolbar97* bar, QWidget* grabber, QPoint pressGlobal, bool ctrl)
        : bar_(bar), grabber_(grabber), press_(pressGlobal), last_(pressGlobal), ctrl_(ctrl)
    {
        outline_ = std::make_unique<TToolWindowOutline>();
        grabber->installEventFilter(this);
        grabber->grabMouse();
        grabber->grabKeyboard();
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState s) {
                    if (s != Qt::ApplicationActive)
                        Finish(false);
                });
        connect(grabber, &QObject::destroyed, this, [this] { Finish(false); });
    }
protected:
    virtual void Move(QPoint cursor, bool ctrl) = 0;
    virtual void Accept() = 0;

    void Show(QRect outline, int thickness, TDock97* dock)
    {
        outline_->SetOutline(outline, thickness);
        Tracking = ToolWindowTracking{outline, dock, sizing_};
    }

    void Finish(bool accept)
    {
        if (done_)
            return;
        done_ = true;
        if (grabber_) {
            grabber_->removeEventFilter(this);
            if (QWidget::mouseGrabber() == grabber_)
                grabber_->releaseMouse();
            if (QWidget::keyboardGrabber() == grabber_)
                grabber_->releaseKeyboard();
        }
        outline_.reset();
        if (accept && bar_)
            Accept();
        Tracking.reset();
        deleteLater();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(event);
            last_ = m->globalPosition().toPoint();
            ctrl_ = m->modifiers() & Qt::ControlModifier;
            Move(last_, ctrl_);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(event);
            if (m->button() == Qt::LeftButton) {
                last_ = m->globalPosition().toPoint();
                ctrl_ = m->modifiers() & Qt::ControlModifier;
                Move(last_, ctrl_);
                Finish(true);
            }
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                Finish(false);
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(event);
            if (event->type() == QEvent::KeyPress && k->key() == Qt::Key_Escape)
                Finish(false);
            else if (k->key() == Qt::Key_Control) {
                ctrl_ = event->type() == QEvent::KeyPress;
                Move(last_, ctrl_);
            }
            return true;
        }
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            event->accept();
            return true;
        default:
            return false;
        }
    }

    QPointer<TToolbar97> bar_;
    QPointer<QWidget> grabber_;
    QPoint press_;
    QPoint last_;
    bool ctrl_ = false;
    bool sizing_ = false;
    bool done_ = false;
    std::unique_ptr<TToolWindowOutline> outline_;
};

class DragLoop : public TrackingLoop {
public:
    DragLoop(TToolbar97* bar, QWidget* grabber, QPoint press, bool ctrl)
        : TrackingLoop(bar, grabber, press, ctrl)
    {
        const QRect outer = bar->OuterScreenRect();
        grab_ = {press - outer.topLeft(), outer.size()};
        QMainWindow* form = bar->Form();
        for (TDock97* d : DocksOf(form))
            if (d->AllowDrag() && bar->DockableTo(d->Position()) && form->isVisible())
                candidates_.push_back({d, d == bar->DockedTo() ? outer.size() : bar->OuterSizeFor(d),
                                       d->ScreenRect(), WorkAreaAt(d->ScreenRect().center())});
        floatSize_ = bar->OuterSizeFor(nullptr);
        Move(last_, ctrl_);
    }

private:
    struct Candidate {
        TDock97* dock;
        QSize size;
        QRect rect;
        QRect workArea;
    };

    void Move(QPoint cursor, bool ctrl) override
    {
        target_ = nullptr;
        if (!ctrl)
            for (const Candidate& c : candidates_)
                if (DockAccepts(c.rect, c.dock->Position(), grab_, cursor, c.size, c.workArea)
                    && c.dock->RequestDock(bar_)) {
                    target_ = c.dock;
                    outline_ = PlaceOutline(grab_, cursor, c.size);
                    Show(outline_, 1, target_);
                    return;
                }
        const QRect area = WorkAreaAt(cursor);
        const QPoint onArea = ClampToArea(cursor, area);
        outline_ = KeepFloatingOutline(PlaceOutline(grab_, onArea, floatSize_), area, FloatFrame,
                                       FloatCaption);
        Show(outline_, FloatFrame, nullptr);
    }

    void Accept() override { bar_->DropAt(target_, outline_); }

    DragGrab grab_;
    std::vector<Candidate> candidates_;
    QSize floatSize_;
    TDock97* target_ = nullptr;
    QRect outline_;
};

class SizeLoop : public TrackingLoop {
public:
    SizeLoop(TToolbar97* bar, QWidget* grabber, QPoint press, FloatHit edge)
        : TrackingLoop(bar, grabber, press, false), edge_(edge),
          horizontal_(edge == FloatHit::Left || edge == FloatHit::Right),
          start_(bar->OuterScreenRect()),
          stepper_(PossibleFloatSizes(bar->Describe(), FloatFrameExtra()),
                   start_.size(), horizontal_)
    {
        sizing_ = true;
        chosen_ = {start_.size(), bar->FloatRightX()};
        Show(start_, FloatFrame, nullptr);
    }

private:
    void Move(QPoint cursor, bool) override
    {
        const QPoint travel = cursor - press_;
        int distance = 0;
        switch (edge_) {
        case FloatHit::Right: distance = start_.width() + travel.x(); break;
        case FloatHit::Left: distance = start_.width() - travel.x(); break;
        case FloatHit::Bottom: distance = start_.height() + travel.y(); break;
        default: distance = start_.height() - travel.y(); break;
        }
        chosen_ = stepper_.Step(distance);
        // The dragged edge moves; the opposite edges stay.
        QRect r(start_.topLeft(), chosen_.outer);
        if (edge_ == FloatHit::Left)
            r.moveRight(start_.right());
        if (edge_ == FloatHit::Top)
            r.moveBottom(start_.bottom());
        rect_ = r;
        Show(r, FloatFrame, nullptr);
    }

    void Accept() override
    {
        if (!rect_.isValid())
            return;
        bar_->SetFloatRightX(chosen_.wrap);
        bar_->SetFloatingPosition(rect_.topLeft());
        bar_->MoveOnScreen(false);
    }

    FloatHit edge_;
    bool horizontal_;
    QRect start_;
    FloatSizeStepper stepper_;
    FloatSize chosen_;
    QRect rect_;
};

} // namespace

const ToolWindowTracking* CurrentTracking()
{
    return Tracking ? &*Tracking : nullptr;
}

void StartDrag(TToolbar97* bar, QWidget* grabber, QPoint pressGlobal, Qt::KeyboardModifiers mods)
{
    if (Tracking || !bar || !grabber)
        return;
    new DragLoop(bar, grabber, pressGlobal, mods & Qt::ControlModifier);
}

void StartSizing(TToolbar97* bar, QWidget* grabber, QPoint pressGlobal, int edge)
{
    if (Tracking || !bar || !grabber || !bar->FloatingWindow())
        return;
    new SizeLoop(bar, grabber, pressGlobal, static_cast<FloatHit>(edge));
}

// ---- TToolWindowOutline ----

TToolWindowOutline::TToolWindowOutline()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
{
    setObjectName(QStringLiteral("ToolWindowOutline"));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TToolWindowOutline::SetOutline(QRect screenRect, int thickness)
{
    outline_ = screenRect;
    thickness_ = std::max(thickness, 1);
    setGeometry(screenRect);
    // Only the frame band is part of the window: what lies under it stays visible.
    const QRect whole(QPoint(0, 0), screenRect.size());
    setMask(QRegion(whole).subtracted(
        QRegion(whole.adjusted(thickness_, thickness_, -thickness_, -thickness_))));
    if (!isVisible())
        show();
    update();
}

void TToolWindowOutline::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), OutlineBrush());
}

// ---- TFloatingClient ----

TFloatingClient::TFloatingClient(TToolbar97* bar, QWidget* parent) : QWidget(parent), bar_(bar)
{
    setObjectName(QStringLiteral("FloatingClient"));
}

void TFloatingClient::SetLineSeps(std::vector<LineSep> seps)
{
    seps_ = std::move(seps);
    update();
}

void TFloatingClient::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    p.fillRect(rect(), bar_->Color());
    // Between wrapped lines, unless their separator is blank.
    for (const LineSep& s : seps_) {
        if (s.blank)
            continue;
        p.fillRect(QRect(1, s.offset - 4, width() - 1, 1), c.shadow);
        p.fillRect(QRect(1, s.offset - 3, width() - 1, 1), c.highlight);
    }
}

void TFloatingClient::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (bar_->ActivateParent())
        bar_->Form()->activateWindow();
    bar_->BeginMoving(this, event->globalPosition().toPoint(), event->modifiers());
}

void TFloatingClient::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        bar_->DockByDoubleClick();
}

void TFloatingClient::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    bar_->ShowPopupMenu(event->globalPos());
}

void TFloatingClient::dragEnterEvent(QDragEnterEvent* event)
{
    if (bar_->DragOver(event->mimeData(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFloatingClient::dragMoveEvent(QDragMoveEvent* event)
{
    if (bar_->DragOver(event->mimeData(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFloatingClient::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    bar_->DragDrop(event->mimeData(), event->position().toPoint());
}

// ---- TFloatingWindow ----

TFloatingWindow::TFloatingWindow(TToolbar97* bar, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      bar_(bar)
{
    setObjectName(bar->objectName() + QStringLiteral("Floating"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(bar->Caption());
    client_ = new TFloatingClient(bar, this);
    setMouseTracking(true);
}

void TFloatingWindow::SetClientSize(QSize size)
{
    resize(size + FloatFrameExtra());
    client_->setGeometry(FloatClientRect(this->size()));
}

void TFloatingWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    client_->setGeometry(FloatClientRect(size()));
}

QString TFloatingWindow::ShownCaption() const
{
    const QRect caption = FloatCaptionRect(size());
    int right = caption.right() - 2;
    if (bar_->CloseButton())
        right = FloatCloseRect(size()).left() - 2;
    const QFontMetrics fm(font());
    return CutCaption(bar_->Caption(), right - (caption.left() + 2),
                      [&](const QString& t) { return fm.horizontalAdvance(t); });
}

void TFloatingWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ToolbarColors c = ToolbarColors::Of(palette());
    p.fillRect(rect(), c.face);
    DrawRaisedSoft(p, rect(), c);
    const bool active = QGuiApplication::applicationState() == Qt::ApplicationActive ||
                        bar_->HideWhenInactive();
    const QRect caption = FloatCaptionRect(size());
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
    const QColor bar = active ? palette().color(group, QPalette::Highlight) : c.shadow;
    const QColor text = active ? palette().color(group, QPalette::HighlightedText) : c.face;
    p.fillRect(caption, bar);
    p.setPen(text);
    p.drawText(caption.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               ShownCaption());
    if (bar_->CloseButton()) {
        const QRect close = FloatCloseRect(size());
        p.fillRect(close, c.face);
        if (closeDown_)
            DrawSunkenOuter(p, close, c);
        else
            DrawRaisedInner(p, close, c);
        // The cross of a caption's close glyph.
        const QRect glyph = close.adjusted(3, 3, -3, -3).translated(closeDown_ ? 1 : 0, closeDown_ ? 1 : 0);
        for (int i = 0; i < glyph.width(); ++i) {
            p.fillRect(QRect(glyph.left() + i, glyph.top() + i, 1, 1), c.text);
            p.fillRect(QRect(glyph.right() - i, glyph.top() + i, 1, 1), c.text);
        }
    }
}

void TFloatingWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    raise();
    // The form stays the active window.
    if (bar_->ActivateParent())
        bar_->Form()->activateWindow();
    const FloatHit hit = FloatHitTest(size(), event->position().toPoint(), bar_->Resizable(),
                                      bar_->CloseButton());
    switch (hit) {
    case FloatHit::Close:
        closeTracking_ = true;
        closeDown_ = true;
        update();
        break;
    case FloatHit::Client:
        bar_->BeginMoving(this, event->globalPosition().toPoint(), event->modifiers());
        break;
    default:
        StartSizing(bar_, this, event->globalPosition().toPoint(), int(hit));
        break;
    }
}

void TFloatingWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!closeTracking_)
        return;
    const bool over = FloatCloseRect(size()).contains(event->position().toPoint());
    if (over != closeDown_) {
        closeDown_ = over;
        update();
    }
}

void TFloatingWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!closeTracking_ || event->button() != Qt::LeftButton)
        return;
    closeTracking_ = false;
    const bool over = FloatCloseRect(size()).contains(event->position().toPoint());
    closeDown_ = false;
    update();
    if (over)
        bar_->CloseByButton();
}

void TFloatingWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (FloatHitTest(size(), event->position().toPoint(), bar_->Resizable(), bar_->CloseButton()) ==
        FloatHit::Client)
        bar_->DockByDoubleClick();
}

void TFloatingWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        bar_->Form()->activateWindow();
        bar_->Form()->setFocus();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- Saved layout ----

namespace {

QString SectionOf(const QString& key, const TToolbar97* bar)
{
    if (bar->objectName().isEmpty())
        throw std::logic_error("Cannot save tool window's position because Name property is not set");
    return key + QLatin1Char('/') + bar->objectName() + QLatin1Char('/');
}

} // namespace

void LoadToolbarLayout(QObject* form, const Settings& store, const QString& key)
{
    const std::vector<TDock97*> docks = DocksOf(form);
    const auto findDock = [&](const QString& name) -> TDock97* {
        for (TDock97* d : docks)
            if (d->objectName() == name && d->AllowDrag())
                return d;
        return nullptr;
    };
    for (TDock97* d : docks)
        d->BeginUpdate();
    for (TToolbar97* bar : ToolbarsOf(form)) {
        const QString section = SectionOf(key, bar);
        const auto read = [&](const char* value, QString& text) {
            return store.ReadString(section + QLatin1String(value), text);
        };
        ToolWindowPlace place;
        place.visible = bar->Visible();
        place.dockRow = bar->DockRow();
        place.dockPos = bar->DockPos();
        place.hasFloatRightX = true;
        const LoadedPlace how = ReadToolWindowPlace(
            read, [&](const QString& name) { return findDock(name) != nullptr; }, place);
        if (how == LoadedPlace::Ignored)
            continue;
        bar->SetVisible(place.visible);
        if (how == LoadedPlace::VisibleOnly)
            continue;
        bar->SetRowAndPos(place.dockRow, place.dockPos);
        bar->SetFloatRightX(place.floatRightX);
        bar->SetFloatingPosition(QPoint(place.floatLeft, place.floatTop));
        if (how == LoadedPlace::Floating) {
            bar->SetDockedTo(nullptr);
            bar->MoveOnScreen(true);
        } else {
            bar->SetDockedTo(findDock(place.dock));
        }
    }
    for (TDock97* d : docks)
        d->EndUpdate();
}

void SaveToolbarLayout(QObject* form, Settings& store, const QString& key)
{
    for (TToolbar97* bar : ToolbarsOf(form)) {
        const QString section = SectionOf(key, bar);
        ToolWindowPlace place;
        place.visible = bar->Visible();
        place.floating = !bar->Docked();
        if (TDock97* d = bar->DockedTo(); d && d->AllowDrag()) {
            if (d->objectName().isEmpty())
                throw std::logic_error(
                    "Cannot save tool window's position because DockedTo's Name property not set");
            place.dock = d->objectName();
        }
        place.dockRow = bar->DockRow();
        place.dockPos = bar->DockPos();
        place.floatLeft = bar->FloatingPosition().x();
        place.floatTop = bar->FloatingPosition().y();
        place.floatRightX = bar->FloatRightX();
        place.hasFloatRightX = true;
        WriteToolWindowPlace(
            [&](const char* value, const QString& text) {
                store.WriteString(section + QLatin1String(value), text);
            },
            place);
    }
}

} // namespace zemo
