// Template > Acquire's scan dialog (mode, depth, resolution and the area of the bed) and Select
// source's device list.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "external/Scan.h"

#include <vector>

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
    QComboBox* depth_;
    SpinField resolution_;
    // Left, top, width and height; none when the device names no bed.
    std::vector<SpinField> area_;
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
