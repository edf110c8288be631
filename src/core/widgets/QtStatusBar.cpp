#include "core/widgets/QtStatusBar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace zemo {

ProgressBox::ProgressBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

void ProgressBox::SetBarWidth(int width)
{
    width_ = width;
    repaint();
}

void ProgressBox::paintEvent(QPaintEvent*)
{
    ++paints_;
    QPainter p(this);
    const int w = qBound(0, width_, width());
    p.fillRect(QRect(0, 0, w, height()), QColor(0, 0, 128));
    p.fillRect(QRect(w, 0, width() - w, height()), palette().color(QPalette::Button));
}

StatusLine::StatusLine(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* l = new QLabel(this);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);
        if (i < int(StatusPanelWidths.size()))
            l->setFixedWidth(StatusPanelWidths[size_t(i)]);
        row->addWidget(l, i == 3 ? 1 : 0);
        panels_[size_t(i)] = l;
    }
    box_ = new ProgressBox(Panel(StatusPanel::Center));
    box_->setGeometry(Panel(StatusPanel::Center)->contentsRect());
    Panel(StatusPanel::Center)->installEventFilter(this);
}

StatusLine::~StatusLine()
{
    if (CurrentStatusDisplay() == this)
        SetStatusDisplay(nullptr);
}

void StatusLine::Install() { SetStatusDisplay(this); }

bool StatusLine::eventFilter(QObject* o, QEvent* e)
{
    if (o == Panel(StatusPanel::Center) && e->type() == QEvent::Resize)
        box_->setGeometry(Panel(StatusPanel::Center)->contentsRect());
    return QWidget::eventFilter(o, e);
}

void StatusLine::SetPanelText(StatusPanel panel, const QString& text, bool now)
{
    QLabel* l = Panel(panel);
    l->setText(text);
    if (now)
        l->repaint();
}

void StatusLine::ShowProgressBox(bool visible)
{
    box_->setGeometry(Panel(StatusPanel::Center)->contentsRect());
    box_->SetBarWidth(0);
    box_->setVisible(visible);
    Panel(StatusPanel::Center)->repaint();
}

int StatusLine::ProgressBoxWidth() const { return box_->width(); }

void StatusLine::DrawProgressBar(int width) { box_->SetBarWidth(width); }

void QtBusyCursor::SetBusy(bool busy)
{
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace zemo
