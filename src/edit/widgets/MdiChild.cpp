#include "edit/widgets/MdiChild.h"
#include "edit/widgets/MdiCloseQuery.h"
#include "edit/widgets/Ports.h"

#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/widgets/EscapeFilter.h"
#include "edit/Cursors.h"
#include "document/Open.h"
#include "edit/EditSys.h"
#include "edit/TextEdit.h"
#include "render/Grid.h"
#include "render/Scale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <vector>

namespace zemo {

namespace {

const QEvent::Type PaintMessage = QEvent::Type(QEvent::registerEventType());

std::vector<QPointer<TMdiChild>>& Children()
{
    static std::vector<QPointer<TMdiChild>> children;
    return children;
}

ShiftState StateOf(Qt::KeyboardModifiers m)
{
    return {bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier), bool(m & Qt::AltModifier)};
}

MouseBtn ButtonOf(Qt::MouseButton b)
{
    return b == Qt::LeftButton ? MouseBtn::Left : b == Qt::RightButton ? MouseBtn::Right : MouseBtn::Middle;
}

} // namespace

// ---- The surface's events ----

void TMdiChild::WireSurface()
{
    TWorkWin* w = workWin_;
    w->setObjectName(QStringLiteral("WorkWin"));
    w->OnWmPaint = [this](QPaintEvent* event) {
        // Only a copy: an exposure never starts a map paint. An image not made yet for the
        // size is white, and the paint it waits for will make it.
        QPainter p(workWin_);
        if (image_.size() == imageSize_)
            p.drawImage(event->rect(), image_, event->rect());
        else
            p.fillRect(event->rect(), Qt::white);
    };
    w->OnMouseDown = [this](QMouseEvent* event) {
        GuardEvent("Work", "WorkWinMouseDown", [&] {
            WorkWinMouseDown(view_, ButtonOf(event->button()), event->position().toPoint(),
                             StateOf(event->modifiers()));
        });
    };
    w->OnMouseMove = [this](QMouseEvent* event) {
        GuardEvent("Work", "WorkWinMouseMove", [&] {
            WorkWinMouseMove(view_, event->position().toPoint(), StateOf(event->modifiers()),
                             bool(event->buttons() & Qt::LeftButton));
        });
    };
    w->OnMouseUp = [this](QMouseEvent* event) {
        GuardEvent("Work", "WorkWinMouseUp", [&] {
            WorkWinMouseUp(view_, ButtonOf(event->button()), event->position().toPoint(),
                           StateOf(event->modifiers()));
        });
    };
    w->OnDblClick = [this](QMouseEvent*) { GuardEvent("Work", "WorkWinDblClick", [&] { WorkWinDblClick(view_); }); };
    w->OnMouseWheel = [this](QWheelEvent* event) {
        GuardEvent("Work", "WheelScroll", [&] {
            WheelScroll(view_, event->angleDelta().y(), event->position().toPoint());
        });
        event->accept();
    };
    w->OnKeyDown = [this](QKeyEvent* event) { SurfaceKeyPress(event); };
    // Input methods deliver their committed text to the typing part.
    w->setAttribute(Qt::WA_InputMethodEnabled, true);
    w->installEventFilter(this);
}

bool TMdiChild::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != workWin_)
        return QWidget::eventFilter(watched, event);
    // Input held back during a paint comes posted, past the window system's blocking: while
    // a dialog a tool opened is up, it must not reach the tool that waits for the dialog.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (QApplication::activeModalWidget())
            return true;
        break;
    default:
        break;
    }
    if (event->type() == QEvent::InputMethod) {
        auto* im = static_cast<QInputMethodEvent*>(event);
        GuardEvent("Work", "InputMethod", [&] {
            if (EditSys.TypingActive && !WorkBusy() && !im->commitString().isEmpty())
                TypingText(im->commitString());
        });
        event->accept();
        return true;
    }
    if (event->type() == QEvent::InputMethodQuery) {
        auto* q = static_cast<QInputMethodQueryEvent*>(event);
        if (q->queries() & Qt::ImEnabled)
            q->setValue(Qt::ImEnabled, EditSys.TypingActive);
        if (q->queries() & Qt::ImCursorRectangle) {
            QRect r;
            for (const QPoint& p : EditSys.CaretPoints)
                r = r.isNull() ? QRect(p, QSize(1, 1)) : r.united(QRect(p, QSize(1, 1)));
            q->setValue(Qt::ImCursorRectangle, r);
        }
        q->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- TRulerBox ----

TRulerBox::TRulerBox(TMdiChild* form, bool horizontal)
    : QWidget(form), form_(form), horizontal_(horizontal)
{
    setObjectName(horizontal ? QStringLiteral("HorScale") : QStringLiteral("VerScale"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TRulerBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    MapView& v = form_->View();
    if (!v.MapShown || !v.Document) {
        p.fillRect(rect(), QColor(240, 240, 240));
        return;
    }
    // Painted whenever the window system asks, also behind a command's dialog and during
    // another window's paint: with this window's own transform, which the printing, the
    // exports and the paint that may be running get back unchanged.
    GuardEvent("Work", horizontal_ ? "HorScalePaint" : "VerScalePaint", [&] {
        struct Keep {
            ScaleState running = Scale;
            ~Keep() { Scale = running; }
        } keep;
        ViewParams params = ViewParamsOf(v);
        if (UpdateViewTransform(params)) {
            const GridGeometry g = MakeGridGeometry(v.Document->Setup, v.SymbolGraphicsMode);
            if (horizontal_)
                PaintHorizontalRuler(p, g, width(), height());
            else
                PaintVerticalRuler(p, g, width(), height());
        } else {
            p.fillRect(rect(), QColor(240, 240, 240));
        }
    });
}

// ---- TMdiChild ----

TMdiChild::TMdiChild(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MdiChild"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    verScale_ = new TRulerBox(this, false);
    horScale_ = new TRulerBox(this, true);
    workWin_ = new TWorkWin(this);
    WireSurface();
    vScroll_ = new TZScrollBar(this);
    vScroll_->SetKind(Qt::Vertical);
    hScroll_ = new TZScrollBar(this);
    for (TZScrollBar* s : {vScroll_, hScroll_}) {
        s->SetParams(0, -2000, 2000);
        s->setFocusPolicy(Qt::NoFocus);
    }
    hScroll_->OnScroll = [this](int code, int& pos) { ScrollRequest(false, code, pos); };
    vScroll_->OnScroll = [this](int code, int& pos) { ScrollRequest(true, code, pos); };
    scrollTimer_ = new QTimer(this);
    scrollTimer_->setInterval(100);
    connect(scrollTimer_, &QTimer::timeout, this, [this] {
        GuardEvent("Work", "ScrollTimerTimer", [&] { ScrollTimerTimer(view_); });
    });
    InitMapView(view_, this);
    Index.SymbolGraphics = &view_.SymbolGraphics;
    Children().emplace_back(this);
    resize(400, 300);
    Layout();
}

TMdiChild::~TMdiChild()
{
    UnregisterMapView(&view_);
    if (Index.SymbolGraphics == &view_.SymbolGraphics)
        Index.SymbolGraphics = nullptr;
    auto& c = Children();
    c.erase(std::remove_if(c.begin(), c.end(), [this](const QPointer<TMdiChild>& p) { return !p || p == this; }),
            c.end());
}

void TMdiChild::Layout()
{
    const int sbw = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int w = std::max(width() - 10 - sbw, 0);
    const int h = std::max(height() - 11 - sbw, 0);
    verScale_->setGeometry(0, 0, 10, height() + 1);
    horScale_->setGeometry(10, 0, std::max(width() - 10, 0), 11);
    workWin_->setGeometry(10, 11, w, h);
    hScroll_->setGeometry(10, 11 + h, w + 1, sbw);
    vScroll_->setGeometry(10 + w, 11, sbw, h + 1);
    const QSize size(std::max(w, 1), std::max(h, 1));
    if (size != imageSize_) {
        ReleaseEditDC();
        // A painter draws into the image while its input poll lets the resize through: the
        // image goes with its data and the painter's engine, so it is replaced after the paint.
        if (image_.paintingActive()) {
            StopPaint();
            if (!layoutAfterPaint_) {
                layoutAfterPaint_ = true;
                const auto again = [self = QPointer<TMdiChild>(this)] {
                    if (self) {
                        self->layoutAfterPaint_ = false;
                        self->Layout();
                    }
                };
                // Not a map paint: one object redrawn, which lets Esc through now and then.
                if (Work.PaintBusy)
                    WhenPaintEnds(again);
                else
                    QTimer::singleShot(0, this, again);
            }
            return;
        }
        imageSize_ = size;
    }
    FormResize(view_, w, h);
}

QImage& TMdiChild::SizedImage(bool white)
{
    // An image a painter draws into stays until that paint has ended (Layout comes again).
    if (image_.size() != imageSize_ && !image_.paintingActive()) {
        image_ = QImage(imageSize_, QImage::Format_RGB32);
        if (white)
            image_.fill(Qt::white);
    }
    return image_;
}

QImage& TMdiChild::Surface()
{
    return SizedImage(true);
}

QImage& TMdiChild::SurfaceToFill(const PixRect& r)
{
    return SizedImage(!(r == PixRect{0, 0, imageSize_.width(), imageSize_.height()}));
}

void TMdiChild::resizeEvent(QResizeEvent*)
{
    GuardEvent("Work", "FormResize", [&] { Layout(); });
}

void TMdiChild::Activate()
{
    // The window system activates also inside a paint's input poll: the paint keeps its
    // current map, view and tool to its end.
    WhenPaintEnds([self = QPointer<TMdiChild>(this)] {
        const auto& views = MapViews();
        if (self && std::find(views.begin(), views.end(), &self->view_) != views.end())
            GuardEvent("Work", "FormActivate", [&] { FormActivate(self->view_); });
    });
}

void TMdiChild::InvalidateRect(const PixRect& r)
{
    const QRect q = r.ToQRect().intersected(QRect(0, 0, view_.ClientWidth, view_.ClientHeight));
    if (q.isEmpty())
        return;
    updateRegion_ += q;
    PostPaint();
}

void TMdiChild::PostPaint()
{
    if (paintPosted_)
        return;
    paintPosted_ = true;
    QCoreApplication::postEvent(this, new QEvent(PaintMessage), Qt::LowEventPriority);
}

void TMdiChild::HandlePaintMessage()
{
    paintPosted_ = false;
    if (updateRegion_.isEmpty())
        return;
    if (Work.PaintBusy) {
        // Another paint polls its input: this one comes after it.
        deferred_ = true;
        return;
    }
    const QRect r = updateRegion_.boundingRect();
    updateRegion_ = QRegion();
    // Input that comes while the map paints waits for the paint's end, whoever lets the
    // queue run meanwhile: a key or a press stops the paint and is then handled.
    EscapeFilter* held = EscapeFilter::Install();
    held->SetHolding(true);
    GuardEvent("Work", "WorkWinWmPaint", [&] { WorkWinWmPaint(view_, PixRect::From(r)); });
    held->SetHolding(false);
    workWin_->update(r);
}

void TMdiChild::PaintDuringCommand(bool on)
{
    view_.PaintInCommand = on;
    if (!on)
        return;
    // At the size the window keeps, though the frame would lay itself out only after the
    // command: painted at any other, the map would be painted again at the next resize.
    EditWidgetsPorts().LayOutFrame();
    Layout();
    HandlePaintMessage();
    workWin_->repaint();
}

void TMdiChild::RepostDeferred()
{
    for (const QPointer<TMdiChild>& c : Children())
        if (c && c->deferred_) {
            c->deferred_ = false;
            c->PostPaint();
        }
}

bool TMdiChild::event(QEvent* e)
{
    if (e->type() == PaintMessage) {
        HandlePaintMessage();
        return true;
    }
    if (e->type() == QEvent::WindowActivate && !parentWidget())
        Activate();
    return QWidget::event(e);
}

void TMdiChild::SurfaceChanged(const PixRect& r)
{
    workWin_->update(r.ToQRect());
}

void TMdiChild::InvalidateRulers()
{
    horScale_->update();
    verScale_->update();
}

void TMdiChild::SetSurfaceCursor(int index)
{
    workWin_->SetCursorNumber(index);
}

void TMdiChild::FocusSurface()
{
    workWin_->setFocus(Qt::OtherFocusReason);
}

void TMdiChild::BringToFront()
{
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (sub && sub->mdiArea())
        sub->mdiArea()->setActiveSubWindow(sub);
    else
        activateWindow();
}

void TMdiChild::SetScrollTimer(bool on)
{
    if (on && !scrollTimer_->isActive())
        scrollTimer_->start();
    else if (!on)
        scrollTimer_->stop();
}

bool TMdiChild::ScrollTimerOn() const { return scrollTimer_->isActive(); }

bool TMdiChild::HasMouseCapture() const
{
    return QWidget::mouseGrabber() == workWin_;
}

void TMdiChild::SetScrollPositions(int h, int v)
{
    hScroll_->SetPosition(std::clamp(h, -2000, 2000));
    vScroll_->SetPosition(std::clamp(v, -2000, 2000));
}

void TMdiChild::ShowPopUp(QPoint clientPoint)
{
    EditWidgetsPorts().ShowWorkPopUp(workWin_->mapToGlobal(clientPoint));
}

void TMdiChild::ScrollRequest(bool vertical, int code, int pos)
{
    ScrollCode c;
    switch (code) {
    case TZScrollBar::LineUp: c = ScrollCode::LineUp; break;
    case TZScrollBar::LineDown: c = ScrollCode::LineDown; break;
    case TZScrollBar::PageUp: c = ScrollCode::PageUp; break;
    case TZScrollBar::PageDown: c = ScrollCode::PageDown; break;
    case TZScrollBar::ThumbPosition:
    case TZScrollBar::ThumbTrack: c = ScrollCode::Thumb; break;
    case TZScrollBar::EndScroll: c = ScrollCode::EndScroll; break;
    default: return;
    }
    GuardEvent("Work", vertical ? "VScrollScroll" : "HScrollScroll", [&] {
        if (vertical)
            VScrollScroll(view_, c, pos);
        else
            HScrollScroll(view_, c, pos);
    });
}

void TMdiChild::SurfaceKeyPress(QKeyEvent* event)
{
    GuardEvent("Work", "FormKeyDown", [&] {
        FormKeyDown(view_, event->key(), StateOf(event->modifiers()));
        const QString t = event->text();
        if (EditSys.TypingActive) {
            // Typing takes every unit of the text: a surrogate pair is two.
            for (QChar c : t)
                FormKeyPress(view_, c.unicode());
        } else if (!t.isEmpty()) {
            FormKeyPress(view_, t.at(0).unicode());
        }
    });
    event->accept();
}

void TMdiChild::SurfaceKeyRelease(QKeyEvent* event)
{
    GuardEvent("Work", "FormKeyUp", [&] { FormKeyUp(view_, event->key(), StateOf(event->modifiers())); });
    event->accept();
}

void TMdiChild::keyPressEvent(QKeyEvent* event) { SurfaceKeyPress(event); }
void TMdiChild::keyReleaseEvent(QKeyEvent* event) { SurfaceKeyRelease(event); }

bool TMdiChild::QueryClose()
{
    if (closeAgreed_)
        return true;
    // An unexpected failure keeps the window: its map stays open rather than lost.
    bool allowed = false;
    GuardEvent("Work", "FormCloseQuery", [&] { allowed = FormCloseQuery(view_); });
    closeAgreed_ = allowed;
    return allowed;
}

void TMdiChild::closeEvent(QCloseEvent* event)
{
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    closeAgreed_ = false;
    GuardEvent("Work", "FormClose", [&] { FormClose(view_); });
    // Whatever happened above, the closed window no longer stands for its map.
    view_.MapShown = false;
    if (Work.ActiveView == &view_)
        Index.MapOpen = false;
    UnregisterMapView(&view_);
    event->accept();
}

bool QueryCloseDocumentWindows(const QList<QWidget*>& windows, const std::function<void(QWidget*)>& onAsk)
{
    std::vector<QPointer<TMdiChild>> asked;
    for (QWidget* w : windows) {
        auto* child = qobject_cast<TMdiChild*>(w);
        if (!child)
            continue;
        if (onAsk)
            onAsk(child);
        asked.emplace_back(child);
        if (!child->QueryClose()) {
            for (const QPointer<TMdiChild>& c : asked)
                if (c)
                    c->ForgetCloseAnswer();
            return false;
        }
    }
    return true;
}

EditWidgetsPortSet& EditWidgetsPorts()
{
    static EditWidgetsPortSet ports;
    return ports;
}

void ShowOwnWindow(TMdiChild* child)
{
    child->show();
}

bool CreateDocumentWindow(const QString& caption)
{
    auto* w = new TMdiChild;
    w->setWindowTitle(caption);
    EditWidgetsPorts().AddWindow(w);
    ActivateMapWindow(w->View());
    return true;
}

TMdiChild* ActiveDocumentWindow()
{
    return Work.ActiveView ? dynamic_cast<TMdiChild*>(Work.ActiveView->Form) : nullptr;
}

bool PollHeldInput()
{
    EscapeFilter* f = EscapeFilter::Install();
    return f && f->PollForInput();
}

void ReleaseHeldInput()
{
    if (EscapeFilter* f = EscapeFilter::Install())
        f->ReplayHeld();
    TMdiChild::RepostDeferred();
}

std::vector<QPointer<TMdiChild>> WindowsOf(const TZmd& doc)
{
    std::vector<QPointer<TMdiChild>> of;
    for (const QPointer<TMdiChild>& c : Children())
        if (c && c->View().Document == &doc)
            of.push_back(c);
    return of;
}

} // namespace zemo
