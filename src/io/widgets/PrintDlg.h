// File > Print's dialog: a thin view over io/Print.h's options. General: printer and its
// properties, colour map or separations, range, scales, copies, print to file; Options:
// intensity, line width and the grid.
#pragma once

#include "io/Print.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace zemo {

class TIntUpDown;

class TPrintDlg : public QDialog {
public:
    TPrintDlg(QWidget* parent, PrintOptions& options);
    // The help context of the page shown.
    int HelpContext() const;
    bool Printed() const { return printed_; }

private:
    bool Validate();
    void Collect();
    void Save();
    void Partial();
    void OnePage();
    void Print();
    void CloseDialog();
    // Print to file is offered where it means something; the user's choice is kept meanwhile.
    void ShowToFile();

    PrintOptions& options_;
    QTabWidget* pages_;
    QWidget* generalTab_;
    QWidget* optionsTab_;
    QComboBox* printerB_;
    QRadioButton* colorMapB_;
    QRadioButton* spotSepB_;
    QListWidget* separationB_;
    QRadioButton* entireB_;
    QRadioButton* partialB_;
    QRadioButton* onePageB_;
    QComboBox* printScaleB_;
    QLineEdit* copiesE_;
    TIntUpDown* copiesB_;
    QCheckBox* toFileB_;
    QLineEdit* intensityE_;
    TIntUpDown* intensityB_;
    QLineEdit* lineWidthE_;
    TIntUpDown* lineWidthB_;
    QCheckBox* gridB_;
    QComboBox* gridColorB_;
    int shownPage_ = 0;
    bool printed_ = false;
    bool wantsFile_ = false;
};

// Shows the dialog; true when Print was pressed (the settings are saved in every case).
bool ExecPrintDlg(QWidget* parent, PrintOptions& options);

} // namespace zemo
