// Help > About ZEMO.
#pragma once

#include <QDialog>

namespace zemo {

class TAboutDlg : public QDialog {
public:
    explicit TAboutDlg(QWidget* parent);
};

void ShowAbout(QWidget* parent);

} // namespace zemo
