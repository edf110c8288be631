// Options > Open GPS (TOpenGpsDlg): the receiver's port, speed and quality rules; its Test
// button shows the raw data in TTestGpsDlg.
#pragma once

#include "edit/widgets/MapDlgForm.h"

#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;

namespace zemo {

// The serial devices present in dev (ttyS*, ttyUSB*, ttyACM*, rfcomm*), as paths, sorted.
QStringList SerialDevices(const QString& dev = QStringLiteral("/dev"));
// The device a stored port name selects: "COMn" is the n-th serial port.
QString PortChoice(const QString& stored);

class TOpenGpsDlg : public TMapDlgForm {
public:
    explicit TOpenGpsDlg(QWidget* parent);
    void accept() override;
    // The fields into the configuration, written.
    void StoreFields();

private:
    QComboBox* port_;
    QComboBox* speed_;
    QCheckBox* filter_;
    QCheckBox* min4Sat_;
    QCheckBox* dgps_;
};

class TTestGpsDlg : public TMapDlgForm {
public:
    explicit TTestGpsDlg(QWidget* parent);
    // Shows the last line and the position read from it.
    void Refresh();

private:
    QLabel* data_;
    QLabel* lat_;
    QLabel* long_;
    QLabel* mode_;
};

bool ExecOpenGpsDlg(QWidget* parent);
void ExecTestGpsDlg(QWidget* parent);
// The open test dialog, refreshed (when one is up).
void RefreshTestGpsDlg();

} // namespace zemo
