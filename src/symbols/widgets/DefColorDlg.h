// The colour dialog of Symbol > Colors: one colour of the working table with its name, CMYK
// and RGB (each an edit and a track bar, 0 to 100 %), overprint and a preview; Previous, Next,
// New and Delete step through the table, Close keeps the colour. Leaving a colour checks the
// seven fields and stores the name, the CMYK as typed and the overprint.
#pragma once

#include "symbols/Colors.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;

namespace zemo {

// White, the letter "A", a thin and a thick line, a block and a hatched block over it, all in
// the colour's screen colour; with overprint the hatch mixes with the block below.
class TColorPreview : public QWidget {
public:
    explicit TColorPreview(QWidget* parent = nullptr);
    void SetColor(const QColor& c, bool overprint);
    QColor Color() const { return color_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
    bool overprint_ = false;
};

class TDefColorDlg : public QDialog {
public:
    TDefColorDlg(ColorTable& table, int current, QWidget* parent = nullptr);

    int Current() const { return current_; }
    // The seven fields checked, then the colour stored; false with a message and the focus on
    // the field.
    bool LeaveColor();
    void Previous();
    void Next();
    void New();
    void Delete();

    void accept() override;
    void reject() override;

private:
    enum Field { Cyan, Magenta, Yellow, Black, Red, Green, Blue, FieldCount };

    void ShowColor(int i);
    void FieldEdited(int field);
    void ShowFields(int except);
    void UpdateButtons();

    ColorTable& table_;
    int current_;
    ColorFields fields_;
    bool filling_ = false;
    QLineEdit* nameB_;
    std::array<QLineEdit*, FieldCount> edits_{};
    std::array<QSlider*, FieldCount> bars_{};
    std::array<QString, FieldCount> labels_;
    QCheckBox* overPrintB_;
    TColorPreview* preview_;
    QPushButton* previousBtn_;
    QPushButton* nextBtn_;
    QPushButton* newBtn_;
    QPushButton* deleteBtn_;
};

// Runs the dialog on colour `current`; afterwards `current` is the colour it ended on.
void ExecDefColorDlg(QWidget* parent, ColorTable& table, int& current);

} // namespace zemo
