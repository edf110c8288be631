// Options > Colour correction: two track bars from -100 to 100 for the screen colours, and
// Standard for the values the program starts with.
#pragma once

#include <QDialog>

class QSlider;

namespace zemo {

class TColorCorDlg : public QDialog {
public:
    TColorCorDlg(int color, int gamma, QWidget* parent = nullptr);
    int Color() const;
    int Gamma() const;
    void Standard();

private:
    QSlider* colorB_;
    QSlider* gammaB_;
};

bool ExecColorCorDlg(QWidget* parent, int& color, int& gamma);

} // namespace zemo
