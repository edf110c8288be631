// Symbol > New: the type of the new symbol, one of six; a type whose editor is not there
// cannot be chosen.
#pragma once

#include <QDialog>

#include <array>

class QButtonGroup;

namespace zemo {

inline constexpr int NewSymbolHelpContext = 159;

class TNewSymDlg : public QDialog {
public:
    TNewSymDlg(QWidget* parent, const std::array<bool, 6>& available);
    // The chosen entry, -1 when none.
    int Chosen() const;

private:
    QButtonGroup* SymTpB;
};

// The dialog over the main frame: the chosen entry on OK, else -1.
int ExecNewSymDlg(const std::array<bool, 6>& available);

} // namespace zemo
