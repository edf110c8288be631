#include "core/widgets/SpinControls.h"

#include "core/SpinRules.h"
#include "core/StringX.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zemo {

UpDownBase::UpDownBase(QWidget* parent) : QWidget(parent)
{
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        col->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Click(true); });
    connect(down_, &QToolButton::clicked, this, [this] { Click(false); });
    setFixedWidth(17);
}

void UpDownBase::SetAssociate(QLineEdit* edit)
{
    if (watched_)
        watched_->removeEventFilter(this);
    watched_ = edit;
    edit_ = edit;
    if (!edit)
        return;
    edit->installEventFilter(this);
    if (edit->parentWidget() == parentWidget()) {
        const QRect g = edit->geometry();
        setGeometry(g.right() + 1, g.top(), width(), g.height());
    }
}

void UpDownBase::Click(bool up)
{
    if (QLineEdit* e = Associate())
        e->setFocus();
    Step(up);
    Q_EMIT Clicked(up);
}

bool UpDownBase::eventFilter(QObject* o, QEvent* e)
{
    if (watched_ && o == watched_.data() && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Click(key == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

void TIntUpDown::SetRange(int min, int max)
{
    min_ = std::clamp(min, -32768, 32767);
    max_ = std::clamp(max, -32768, 32767);
    position_ = IntSpinClamp(position_, min_, max_);
}

int TIntUpDown::Value() const
{
    int v = 0;
    if (Associate() && TryTrimStrToInt(Associate()->text(), v))
        return IntSpinClamp(v, min_, max_);
    return position_;
}

void TIntUpDown::SetValue(int v)
{
    position_ = IntSpinClamp(v, min_, max_);
    if (Associate())
        Associate()->setText(QString::number(position_));
}

void TIntUpDown::Step(bool up)
{
    const int64_t v = int64_t(Value()) + (up ? int64_t(increment_) : -int64_t(increment_));
    SetValue(int(std::clamp<int64_t>(v, -32768, 32767)));
}

double TRealUpDown::Value() const
{
    if (!Associate())
        return 0;
    return RealSpinRead(Associate()->text(), minValue_, maxValue_);
}

void TRealUpDown::SetValue(double v)
{
    if (Associate())
        Associate()->setText(RealSpinText(v, minValue_, maxValue_, decimals_));
}

void TRealUpDown::Step(bool up)
{
    double v = 0;
    if (RealSpinStep(Value(), increment_, up, minValue_, maxValue_, v))
        SetValue(v);
}

} // namespace zemo
