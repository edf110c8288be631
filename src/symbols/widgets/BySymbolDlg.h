// Extras > Select objects by symbol and Delete objects by symbol: which objects, by the
// selected symbols, an imported layer or a missing symbol.
#pragma once

#include "edit/widgets/MapDlgForm.h"
#include "symbols/BySymbol.h"

class QButtonGroup;
class QLineEdit;

namespace zemo {

class TBySymbolDlg : public TMapDlgForm {
public:
    // deleting: the caption and group of Delete objects by symbol.
    TBySymbolDlg(QWidget* parent, bool deleting, const BySymbolRequest& last);
    BySymbolRequest Request() const;

private:
    QButtonGroup* SelectGrp;
    QLineEdit* LayerB;
};

// True on OK with the choice in r; r is what the dialog shows first.
bool ExecBySymbolDlg(QWidget* parent, bool deleting, BySymbolRequest& r);

} // namespace zemo
