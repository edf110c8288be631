// The dialogs of File > Restore: where the backup comes from (with what a volume's
// "backinfo.txt" says about it), and the question for the next volume of a backup whose
// volumes carry no numbers.
#pragma once

#include "document/Restore.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zemo {

class TVolumeBox;

class TRestoreDlg : public QDialog {
public:
    explicit TRestoreDlg(QWidget* parent);
    RestoreChoice Choice() const;
    // The Info button: the volume's information into the four labels.
    void ShowInfo();

private:
    void Browse();
    void TryStart();
    QRadioButton* disketteB_ = nullptr;
    QRadioButton* otherB_ = nullptr;
    TVolumeBox* driveB_ = nullptr;
    QLineEdit* fileNameB_ = nullptr;
    QPushButton* infoBtn_ = nullptr;
    QLabel* fileB_ = nullptr;
    QLabel* dateB_ = nullptr;
    QLabel* timeB_ = nullptr;
    QLabel* diskB_ = nullptr;
};

// 1 volume `disk` follows, 6 all done, 2 (also Esc) give up.
class TRestoreNextDlg : public QDialog {
public:
    TRestoreNextDlg(QWidget* parent, int disk);
};

int ExecRestoreNextDlg(QWidget* parent, int disk);

// File > Restore: the dialog, then the restore.
void RestoreMapCommand(QWidget* parent);

} // namespace zemo
