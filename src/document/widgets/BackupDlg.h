// The dialogs of File > Backup: where to back up to, and the question about a volume that
// holds other files. The volume box lists the removable volumes mounted now, the last volume
// folder and "Browse..." for any other folder.
#pragma once

#include "document/Backup.h"

#include "core/LangTexts.h"

#include <QComboBox>
#include <QDialog>
#include <QStringList>

#include <initializer_list>

class QBoxLayout;
class QLabel;
class QRadioButton;

namespace zemo {

// A row of buttons that each close the dialog with their own answer (the first is the
// default), and Help. Esc answers 0.
struct AnswerButton {
    TextKey Text;
    const char* Name;
    int Answer;
};
void AddAnswerButtons(QDialog& dlg, QBoxLayout& layout, std::initializer_list<AnswerButton> buttons,
                      int helpContext);

class TVolumeBox : public QComboBox {
public:
    // lastFolder is listed too (first when it is no mounted volume); helpContext is the
    // folder dialog's.
    TVolumeBox(QWidget* parent, const QString& lastFolder, int helpContext);
    // The chosen folder; empty when there is none.
    QString Folder() const;
    // Adds a folder (once) and chooses it.
    void ChooseFolder(const QString& folder);

private:
    void Browse();
    int browseIndex() const { return count() - 1; }
    int helpContext_;
    int previous_ = -1;
};

class TBackupDlg : public QDialog {
public:
    TBackupDlg(QWidget* parent, int64_t fileSize);
    BackupChoice Choice() const;
    TVolumeBox* DriveB() const { return driveB_; }

private:
    void UpdateInsert();
    void TryStart();
    QRadioButton* disketteB_ = nullptr;
    QRadioButton* otherB_ = nullptr;
    TVolumeBox* driveB_ = nullptr;
    QLabel* insertL_ = nullptr;
};

// 1 look again, 6 overwrite, 2 (also Esc) give up.
class TDiskNotEmptyDlg : public QDialog {
public:
    TDiskNotEmptyDlg(QWidget* parent, const QStringList& foreign);
};

int ExecDiskNotEmptyDlg(QWidget* parent, const QStringList& foreign);

// File > Backup: the dialog, then the backup.
void BackupMapCommand(QWidget* parent);

} // namespace zemo
