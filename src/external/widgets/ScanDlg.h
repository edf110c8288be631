// Template > Acquire's scan dialog (mode and resolution) and Select source's device list.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "external/Scan.h"

class QComboBox;
class QListWidget;

namespace zemo {

class TScanDlg : public TMapDlgForm {
public:
    TScanDlg(QWidget* parent, const ScanSettings& settings);
    void accept() override;
    ScanSettings Values() const { return values_; }

private:
    ScanSettings values_;
    QComboBox* mode_;
    SpinField resolution_;
};

class TScanSourceDlg : public TMapDlgForm {
public:
    TScanSourceDlg(QWidget* parent, const QStringList& devices, int index);
    int Index() const;

private:
    QListWidget* list_;
};

bool ExecScanDlg(QWidget* parent, ScanSettings& settings);
bool ExecScanSourceDlg(QWidget* parent, const QStringList& devices, int& index);

} // namespace zemo
