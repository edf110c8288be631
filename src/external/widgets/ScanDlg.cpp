#include "external/widgets/ScanDlg.h"

#include <QComboBox>
#include <QListWidget>

#include <algorithm>
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
    // The sample depth beside the mode: "8 bit", "16 bit", ...
    depth_ = new QComboBox(this);
    depth_->setObjectName(QStringLiteral("DepthB"));
    for (int bits : settings.Depths)
        depth_->addItem(QStringLiteral("%1 bit").arg(bits), bits);
    depth_->setEnabled(!settings.Depths.empty());
    depth_->setCurrentIndex(std::max(0, depth_->findData(settings.Depth)));
    AddRow(TextKey::Mode, mode_, depth_);
    resolution_ = AddSpin(TextKey::Resolution, QStringLiteral("Resol"), 25, 4800, 0, 50, QStringLiteral("dpi"));
    if (settings.BedWidth > 0 && settings.BedHeight > 0) {
        const QString mm = QStringLiteral("mm");
        area_.push_back(AddSpin(TextKey::Left, QStringLiteral("AreaLeft"), 0, settings.BedWidth - 1, 0, 1, mm));
        area_.push_back(AddSpin(TextKey::Top, QStringLiteral("AreaTop"), 0, settings.BedHeight - 1, 0, 1, mm));
        area_.push_back(AddSpin(TextKey::Width, QStringLiteral("AreaWidth"), 1, settings.BedWidth, 0, 1, mm));
        area_.push_back(AddSpin(TextKey::Height, QStringLiteral("AreaHeight"), 1, settings.BedHeight, 0, 1, mm));
        const int values[] = {settings.Left, settings.Top,
                              settings.Width > 0 ? settings.Width : settings.BedWidth - settings.Left,
                              settings.Height > 0 ? settings.Height : settings.BedHeight - settings.Top};
        for (size_t i = 0; i < area_.size(); ++i)
            area_[i].SetValue(values[i]);
    }
    AddButtons();
    const int at = int(settings.Modes.indexOf(settings.Mode));
    mode_->setCurrentIndex(std::max(at, 0));
    resolution_.SetValue(settings.Resolution > 0 ? settings.Resolution : DefaultResolution);
}

void TScanDlg::accept()
{
    if (!resolution_.Check())
        return;
    for (const SpinField& f : area_)
        if (!f.Check())
            return;
    values_.Mode = mode_->currentText();
    values_.Resolution = int(std::lround(resolution_.Value()));
    values_.Depth = depth_->currentData().toInt();
    if (area_.size() == 4) {
        // The area kept on the bed: what does not fit is cut at its far edges.
        values_.Left = int(std::lround(area_[0].Value()));
        values_.Top = int(std::lround(area_[1].Value()));
        values_.Width = std::min(int(std::lround(area_[2].Value())), values_.BedWidth - values_.Left);
        values_.Height = std::min(int(std::lround(area_[3].Value())), values_.BedHeight - values_.Top);
    }
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
