#include "io/widgets/ExpDxfDlg.h"

#include "symbols/CrtTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

TExpDxfDlg::TExpDxfDlg(QWidget* parent, ExpDxfOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ExpDxfDlg"), TextKey::ExportDXF, ExpDxfHelpContext), options_(options)
{
    auto* cord = new QGroupBox(PlainText(TextKey::Coordinates), this);
    cord->setObjectName(QStringLiteral("CordB"));
    auto* v = new QVBoxLayout(cord);
    gisB_ = new QRadioButton(Text(TextKey::Gis), cord);
    gisB_->setObjectName(QStringLiteral("GisB"));
    mmB_ = new QRadioButton(QStringLiteral("&mm"), cord);
    mmB_->setObjectName(QStringLiteral("MmB"));
    v->addWidget(gisB_);
    v->addWidget(mmB_);
    AddWidget(cord);
    // Each showing starts on real-world coordinates and without a table.
    gisB_->setChecked(true);
    auto* crt = new QPushButton(Text(TextKey::LoadCrtFile), this);
    crt->setObjectName(QStringLiteral("CrtBtn"));
    crt->setAutoDefault(false);
    crtFileB_ = new QLabel(this);
    crtFileB_->setObjectName(QStringLiteral("CrtFileB"));
    AddWidget(crt);
    AddWidget(crtFileB_);
    oemB_ = AddCheck(TextKey::AnsiToOem, QStringLiteral("AnsiToEomB"));
    selSymB_ = AddCheck(TextKey::ObjectsSelSym, QStringLiteral("SelSymB"));
    oemB_->setChecked(options_.Oem);
    selSymB_->setChecked(options_.SelectedOnly);
    connect(crt, &QPushButton::clicked, this, [this] {
        if (LoadCrtFile())
            crtFileB_->setText(QStringLiteral("CRT: ") + QFileInfo(CrtTable.FileName).fileName());
    });
    AddButtons();
}

void TExpDxfDlg::accept()
{
    options_.Gis = gisB_->isChecked();
    options_.Oem = oemB_->isChecked();
    options_.SelectedOnly = selSymB_->isChecked();
    QDialog::accept();
}

bool ExecExpDxfDlg(QWidget* parent, ExpDxfOptions& options)
{
    TExpDxfDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
