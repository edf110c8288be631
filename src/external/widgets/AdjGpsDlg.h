// Options > Adjust GPS (TAdjustGpsDlg): the map's adjustment points with Delete and Rename
// (TRnGpsDlg), the GPS angle, and New, which starts the adjust tool.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "external/Ports.h"

class QListWidget;
class QLineEdit;
class QPushButton;

namespace zemo {

class TAdjustGpsDlg : public TMapDlgForm {
public:
    explicit TAdjustGpsDlg(QWidget* parent);
    // The angle typed (the stored one when it cannot be read or was left as shown), and
    // whether New closed the dialog.
    AdjustGpsResult Result() const;

private:
    void Fill(int select);
    void Delete();
    void Rename();

    QListWidget* points_;
    SpinField angle_;
    QPushButton* new_;
    QPushButton* delete_;
    QPushButton* rename_;
    bool newPressed_ = false;
    QString angleShown_;
};

class TRnGpsDlg : public TMapDlgForm {
public:
    TRnGpsDlg(QWidget* parent, const QString& name);
    QString Name() const;

private:
    QLineEdit* name_;
};

AdjustGpsResult ExecAdjustGpsDlg(QWidget* parent);
bool ExecRnGpsDlg(QWidget* parent, QString& name);

} // namespace zemo
