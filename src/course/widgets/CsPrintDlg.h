// File > Print's dialog on a course-setting map: a thin view over course/CsPrint.h's options.
// General: printer, scales, copies, courses and range with its two Setup buttons; Options:
// intensity, line widths and the grid; Relay: legs and start numbers.
#pragma once

#include "course/CsPrint.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTabWidget;

namespace zemo {

class TIntUpDown;

class TCsPrintDlg : public QDialog {
public:
    TCsPrintDlg(QWidget* parent, CsPrintOptions& options);
    // The help context of the page shown.
    int HelpContext() const;
    bool Printed() const { return printed_; }

private:
    bool Validate();
    void Collect();
    void Save();
    void Setup(QRadioButton* range, bool partial);
    void Print();
    void CloseDialog();
    void ShowPage(QWidget* page);

    CsPrintOptions& options_;
    QTabWidget* pages_;
    QWidget* generalTab_;
    QWidget* optionsTab_;
    QWidget* relayTab_ = nullptr;
    QComboBox* printerB_;
    QComboBox* printScaleB_;
    QLineEdit* copiesE_;
    TIntUpDown* copiesB_;
    QListWidget* coursesB_;
    QRadioButton* entireB_;
    QRadioButton* partialB_;
    QRadioButton* courseOnlyB_;
    QLineEdit* intensityE_;
    TIntUpDown* intensityB_;
    QLineEdit* lineWidthE_;
    TIntUpDown* lineWidthB_;
    QCheckBox* gridB_;
    QComboBox* gridColorB_;
    QRadioButton* allLegB_ = nullptr;
    QRadioButton* selLegB_ = nullptr;
    QLineEdit* legNumE_ = nullptr;
    TIntUpDown* legNumB_ = nullptr;
    QRadioButton* allNumB_ = nullptr;
    QRadioButton* selNumB_ = nullptr;
    QLineEdit* startNumE_ = nullptr;
    int shownPage_ = 0;
    bool printed_ = false;
};

// Shows the dialog; true when Print was pressed (the settings are saved in every case).
bool ExecCsPrintDlg(QWidget* parent, CsPrintOptions& options);

} // namespace zemo
