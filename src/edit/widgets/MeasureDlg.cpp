#include "edit/widgets/MeasureDlg.h"

#include "core/Help.h"
#include "core/LangTexts.h"
#include "edit/widgets/MapDlgForm.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zemo {

namespace {

QLabel* Named(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

TMeasureDlg::TMeasureDlg(QWidget* parent, const MeasureReport& report) : QDialog(parent)
{
    setObjectName(QStringLiteral("MeasureDlg"));
    setWindowTitle(PlainText(TextKey::MeasureResult));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    grid->addWidget(Named(this, "ScaleL", PlainText(TextKey::MapScale) + u':'), 0, 0);
    grid->addWidget(Named(this, "ScaleB", locale.toString(report.Scale, 'f', 0)), 0, 1);
    grid->addWidget(Named(this, "ResultL", report.ResultLabel), 1, 0);
    grid->addWidget(Named(this, "ResultB", report.Result), 1, 1);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(this);
    okBtn_ = buttons->addButton(PlainText(TextKey::Ok), QDialogButtonBox::AcceptRole);
    okBtn_->setObjectName(QStringLiteral("OkBtn"));
    okBtn_->setDefault(true);
    QPushButton* help = buttons->addButton(PlainText(TextKey::Help), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpBtn"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(MeasureHelpContext); });
}

void TMeasureDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    okBtn_->setFocus();
}

void ExecMeasureDlg(QWidget* parent, const MeasureReport& report)
{
    TMeasureDlg dlg(parent, report);
    dlg.exec();
}

} // namespace zemo
