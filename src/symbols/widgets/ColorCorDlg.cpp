#include "symbols/widgets/ColorCorDlg.h"

#include "symbols/SpotColors.h"
#include "symbols/widgets/SymDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace zemo {

namespace {

QSlider* Bar(QWidget* owner, QGridLayout* grid, const QString& name, TextKey label, int value)
{
    const int row = grid->rowCount();
    auto* bar = new QSlider(Qt::Horizontal, owner);
    bar->setObjectName(name);
    bar->setRange(-100, 100);
    bar->setPageStep(10);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(20);
    bar->setMinimumWidth(220);
    bar->setValue(value);
    auto* shown = new QLabel(QString::number(value), owner);
    shown->setMinimumWidth(30);
    QObject::connect(bar, &QSlider::valueChanged, shown, [shown](int v) { shown->setNum(v); });
    grid->addWidget(new QLabel(SymDlgText(label) + u':', owner), row, 0);
    grid->addWidget(bar, row, 1);
    grid->addWidget(shown, row, 2);
    return bar;
}

} // namespace

TColorCorDlg::TColorCorDlg(int color, int gamma, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ColorCorDlg"));
    setWindowTitle(SymDlgText(TextKey::ColorCor));
    auto* column = new QVBoxLayout(this);
    QGridLayout* grid = AddFieldGrid(this, column);
    colorB_ = Bar(this, grid, QStringLiteral("ColorB"), TextKey::Color, color);
    gammaB_ = Bar(this, grid, QStringLiteral("GammaB"), TextKey::Intensity, gamma);
    QDialogButtonBox* buttons = AddDialogButtons(this, column, [] { return ColorCorHelpContext; });
    QPushButton* standard =
        buttons->addButton(SymDlgText(TextKey::Standard), QDialogButtonBox::ResetRole);
    standard->setObjectName(QStringLiteral("StandardBtn"));
    connect(standard, &QPushButton::clicked, this, &TColorCorDlg::Standard);
}

int TColorCorDlg::Color() const
{
    return colorB_->value();
}

int TColorCorDlg::Gamma() const
{
    return gammaB_->value();
}

void TColorCorDlg::Standard()
{
    colorB_->setValue(StandardScreenColor);
    gammaB_->setValue(StandardScreenGamma);
}

bool ExecColorCorDlg(QWidget* parent, int& color, int& gamma)
{
    TColorCorDlg d(color, gamma, parent);
    if (d.exec() != QDialog::Accepted)
        return false;
    color = d.Color();
    gamma = d.Gamma();
    return true;
}

} // namespace zemo
