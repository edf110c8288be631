// Symbol > Spot colors: the list of the map's separations and the fields of the current one
// (name, halftone frequency and angle, the CMYK it shows in). Switching entries, New and Close
// store the current separation first; a field that fails keeps it current.
#pragma once

#include "symbols/SpotColors.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace zemo {

class TSpotColorsDlg : public QDialog {
public:
    TSpotColorsDlg(SpotColorsEdit& edit, QWidget* parent = nullptr);

    int Current() const { return current_; }
    // Stores the fields as the current separation; false with the focus on the field that
    // failed.
    bool StoreCurrent();
    void New();
    void Delete();
    // Another entry of the list, after the current one is stored.
    void Choose(int i);

    void accept() override;
    void reject() override;

private:
    void FillList();
    void ShowSeparation(int i);
    void UpdateButtons();

    SpotColorsEdit& edit_;
    int current_ = 0;
    QListWidget* listB_;
    QLineEdit* nameB_;
    QLineEdit* freqB_;
    QLineEdit* angleB_;
    std::array<QLineEdit*, 4> cmykB_{};
    QPushButton* newBtn_;
    QPushButton* deleteBtn_;
};

void ExecSpotColorsDlg(QWidget* parent, SpotColorsEdit& edit);

} // namespace zemo
