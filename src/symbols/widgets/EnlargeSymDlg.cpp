#include "symbols/widgets/EnlargeSymDlg.h"

#include <QCheckBox>

namespace zemo {

TEnlargeSymDlg::TEnlargeSymDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("EnlargeSymDlg"), TextKey::EnlargeSymbol,
                  EnlargeSymbolHelpContext)
{
    factorB_ = AddSpin(TextKey::Factor, QStringLiteral("Factor"), MinEnlargePercent,
                       MaxEnlargePercent, 1, 10, QStringLiteral("%"));
    factorB_.SetValue(100);
    allSymB_ = AddCheck(TextKey::AllSym, QStringLiteral("AllSymB"));
    AddButtons();
}

void TEnlargeSymDlg::accept()
{
    if (!factorB_.Check())
        return;
    values_ = {factorB_.Value(), allSymB_->isChecked()};
    QDialog::accept();
}

bool ExecEnlargeSymDlg(QWidget* parent, EnlargeValues& v)
{
    return ExecMapDlg<TEnlargeSymDlg>(parent, v);
}

} // namespace zemo
