#include "edit/widgets/MapDlgForm.h"

#include "core/Help.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

QString PlainText(TextKey k)
{
    return Text(k).remove(u'&');
}

double TMapDlgForm::SpinField::Value() const
{
    return spin->Value();
}

void TMapDlgForm::SpinField::SetValue(double v) const
{
    spin->SetValue(v);
}

bool TMapDlgForm::SpinField::Check() const
{
    return CheckRealUpDown(spin, label, unit);
}

TMapDlgForm::TMapDlgForm(QWidget* parent, const QString& name, TextKey caption, int helpContext)
    : QDialog(parent), layout_(new QVBoxLayout(this)), grid_(new QGridLayout),
      helpContext_(helpContext)
{
    setObjectName(name);
    setWindowTitle(PlainText(caption));
    layout_->addLayout(grid_);
}

TMapDlgForm::SpinField TMapDlgForm::AddSpin(TextKey label, const QString& name, double min,
                                            double max, int decimals, double increment,
                                            const QString& unit)
{
    SpinField f;
    f.label = PlainText(label);
    f.unit = unit;
    f.edit = new QLineEdit(this);
    f.edit->setObjectName(name + u'E');
    f.spin = new TRealUpDown(this);
    f.spin->setObjectName(name + u'B');
    f.spin->SetAssociate(f.edit);
    f.spin->SetMinValue(min);
    f.spin->SetMaxValue(max);
    f.spin->SetDecimals(decimals);
    f.spin->SetIncrement(increment);
    const int row = grid_->rowCount();
    auto* l = new QLabel(f.label + u':', this);
    l->setBuddy(f.edit);
    grid_->addWidget(l, row, 0);
    grid_->addWidget(f.edit, row, 1);
    grid_->addWidget(f.spin, row, 2);
    grid_->addWidget(new QLabel(unit, this), row, 3);
    return f;
}

void TMapDlgForm::AddRow(TextKey label, QWidget* field, QWidget* unit)
{
    const int row = grid_->rowCount();
    auto* l = new QLabel(PlainText(label) + u':', this);
    l->setBuddy(field);
    grid_->addWidget(l, row, 0);
    grid_->addWidget(field, row, 1, 1, unit ? 2 : 3);
    if (unit)
        grid_->addWidget(unit, row, 3);
}

QCheckBox* TMapDlgForm::AddCheck(TextKey caption, const QString& name)
{
    auto* box = new QCheckBox(Text(caption), this);
    box->setObjectName(name);
    layout_->addWidget(box);
    return box;
}

void TMapDlgForm::AddWidget(QWidget* w)
{
    layout_->addWidget(w);
}

void TMapDlgForm::AddButtons()
{
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(PlainText(TextKey::Ok), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    buttons->addButton(PlainText(TextKey::Cancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    QPushButton* help = buttons->addButton(PlainText(TextKey::Help), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpBtn"));
    layout_->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [context = helpContext_] { ShowHelpContext(context); });
}

QLabel* TMapDlgForm::CounterClockwisePicture()
{
    constexpr int size = 20;
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1.5));
        const QRectF box(3, 3, size - 6, size - 6);
        // Three quarters of a circle from the right, turning up: the head at its end.
        QPainterPath arc;
        arc.arcMoveTo(box, 0);
        arc.arcTo(box, 0, 270);
        p.drawPath(arc);
        const QPointF end = arc.currentPosition();
        p.drawLine(end, end + QPointF(-4, -3));
        p.drawLine(end, end + QPointF(-4, 3));
    }
    auto* l = new QLabel(this);
    l->setObjectName(QStringLiteral("CCWB"));
    l->setPixmap(pm);
    return l;
}

} // namespace zemo
