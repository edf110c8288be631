#include "edit/widgets/RotateDlg.h"

#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zemo {

RotateDlgUnitState RotateDlgState;

namespace {

constexpr double MostDegrees = 360;
constexpr double Step = 5;
constexpr int Decimals = 2;

// An arc with its arrow head: the counter-clockwise sense of a positive angle.
QPixmap CounterClockwise()
{
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    const QRectF arc(6, 6, 20, 20);
    p.drawArc(arc, 300 * 16, 240 * 16);
    // The arc ends at 180 degrees turned on from 300: the head points down there.
    QPainterPath head;
    head.moveTo(6, 16);
    head.lineTo(2, 11);
    head.lineTo(10, 11);
    head.closeSubpath();
    p.fillPath(head, Qt::black);
    return pix;
}

} // namespace

void ResetRotateDlgUnit()
{
    RotateDlgState = RotateDlgUnitState{};
}

TRotateDlg::TRotateDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RotateDlg"));
    setWindowTitle(QStringLiteral("Rotate Objects"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Angle:"), this);
    angleE_ = new QLineEdit(FloatToTrimStr(0, Decimals, RotateDlgState.Angle), this);
    angleE_->setObjectName(QStringLiteral("AngleE"));
    label->setBuddy(angleE_);
    angleB_ = new TRealUpDown(this);
    angleB_->setObjectName(QStringLiteral("AngleB"));
    angleB_->SetMinValue(-MostDegrees);
    angleB_->SetMaxValue(MostDegrees);
    angleB_->SetDecimals(Decimals);
    angleB_->SetIncrement(Step);
    angleB_->SetAssociate(angleE_);
    auto* sense = new QLabel(this);
    sense->setObjectName(QStringLiteral("CCWB"));
    sense->setPixmap(CounterClockwise());
    row->addWidget(label);
    row->addWidget(angleE_);
    row->addWidget(angleB_);
    row->addWidget(new QLabel(QStringLiteral("deg"), this));
    row->addWidget(sense);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TRotateDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TRotateDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    angleE_->setFocus();
    angleE_->selectAll();
}

void TRotateDlg::accept()
{
    if (!CheckRealUpDown(angleB_, QStringLiteral("Angle"), QStringLiteral("deg")))
        return;
    angle_ = angleB_->Value();
    RotateDlgState.Angle = angle_;
    QDialog::accept();
}

bool ExecRotateDlg(QWidget* parent, double& degrees)
{
    TRotateDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    degrees = dlg.Angle();
    return true;
}

} // namespace zemo
