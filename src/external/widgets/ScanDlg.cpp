#include "external/widgets/ScanDlg.h"

#include <QComboBox>
#include <QListWidget>

#include <cmath>

namespace zemo {

namespace {
constexpr int DefaultResolution = 300;
}

TScanDlg::TScanDlg(QWidget* parent, const ScanSettings& settings)
    : TMapDlgForm(parent, QStringLiteral("ScanDlg"), TextKey::Acquire, ScanHelpContext), values_(settings)
{
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("ModeB"));
    mode_->addItems(settings.Modes);
    mode_->setEnabled(!settings.Modes.isEmpty());
    AddRow(TextKey::Mode, mode_);
    resolution_ = AddSpin(TextKey::Resolution, QStringLiteral("Resol"), 25, 4800, 0, 50, QStringLiteral("dpi"));
    AddButtons();
    const int at = int(settings.Modes.indexOf(settings.Mode));
    mode_->setCurrentIndex(std::max(at, 0));
    resolution_.SetValue(settings.Resolution > 0 ? settings.Resolution : DefaultResolution);
}

void TScanDlg::accept()
{
    if (!resolution_.Check())
        return;
    values_.Mode = mode_->currentText();
    values_.Resolution = int(std::lround(resolution_.Value()));
    QDialog::accept();
}

TScanSourceDlg::TScanSourceDlg(QWidget* parent, const QStringList& devices, int index)
    : TMapDlgForm(parent, QStringLiteral("ScanSourceDlg"), TextKey::SelectSource, ScanHelpContext)
{
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("SourceB"));
    list_->addItems(devices);
    list_->setCurrentRow(index);
    AddWidget(list_);
    AddButtons();
}

int TScanSourceDlg::Index() const { return list_->currentRow(); }

bool ExecScanDlg(QWidget* parent, ScanSettings& settings)
{
    TScanDlg dlg(parent, settings);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    settings = dlg.Values();
    return true;
}

bool ExecScanSourceDlg(QWidget* parent, const QStringList& devices, int& index)
{
    TScanSourceDlg dlg(parent, devices, index);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    index = dlg.Index();
    return true;
}

} // namespace zemo
