// View > Transparent view options: no colour kept opaque, or every colour from the top of the
// table down to the chosen one.
#pragma once

#include "core/FieldChecks.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QRadioButton;

namespace zemo {

class TTranspOptDlg : public QDialog {
public:
    // opaque: the number of the colour chosen before, -1 none.
    TTranspOptDlg(const std::vector<ComboColor>& colours, int opaque, QWidget* parent = nullptr);
    QListWidget* List() const { return colorsB_; }
    // The chosen colour's number, -1 for none.
    int Opaque() const;
    // What Opaque() was when the dialog opened.
    int Shown() const { return shown_; }

private:
    int shown_ = -1;
    std::vector<ComboColor> colours_;
    QRadioButton* noColor_;
    QRadioButton* fromTopTo_;
    QListWidget* colorsB_;
};

bool ExecTranspOptDlg(QWidget* parent, const std::vector<ComboColor>& colours, int& opaque);

} // namespace zemo
