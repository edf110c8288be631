#include "symbols/widgets/NewSymDlg.h"

#include "core/Help.h"
#include "core/LangTexts.h"
#include "symbols/widgets/SymDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

TNewSymDlg::TNewSymDlg(QWidget* parent, const std::array<bool, 6>& available) : QDialog(parent)
{
    setObjectName(QStringLiteral("NewSymDlg"));
    setWindowTitle(SymDlgText(TextKey::NewSymbol));
    auto* column = new QVBoxLayout(this);
    auto* box = new QGroupBox(SymDlgText(TextKey::SymbolType), this);
    box->setObjectName(QStringLiteral("SymTpB"));
    auto* items = new QVBoxLayout(box);
    SymTpB = new QButtonGroup(box);
    static constexpr TextKey Captions[] = {TextKey::NewPointSym, TextKey::NewLineSym, TextKey::NewAreaSym,
                                           TextKey::NewTextSym, TextKey::NewLineTextSym, TextKey::NewRectSym};
    for (int i = 0; i < int(available.size()); ++i) {
        auto* r = new QRadioButton(Text(Captions[i]), box);
        r->setObjectName(QStringLiteral("SymTp%1").arg(i));
        r->setEnabled(available[size_t(i)]);
        SymTpB->addButton(r, i);
        items->addWidget(r);
    }
    // Item 0 on every showing, or the first that can be chosen.
    for (int i = 0; i < int(available.size()); ++i)
        if (available[size_t(i)]) {
            SymTpB->button(i)->setChecked(true);
            break;
        }
    column->addWidget(box);
    AddDialogButtons(this, column, [] { return NewSymbolHelpContext; });
}

int TNewSymDlg::Chosen() const
{
    QAbstractButton* b = SymTpB->checkedButton();
    return b && b->isEnabled() ? SymTpB->id(b) : -1;
}

int ExecNewSymDlg(const std::array<bool, 6>& available)
{
    TNewSymDlg dlg(SymbolDialogParent(), available);
    return dlg.exec() == QDialog::Accepted ? dlg.Chosen() : -1;
}

} // namespace zemo
