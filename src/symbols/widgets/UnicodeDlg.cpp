#include "symbols/widgets/UnicodeDlg.h"

#include "symbols/TextScript.h"

#include <QComboBox>
#include <QLabel>

namespace zemo {

TUnicodeDlg::TUnicodeDlg(QWidget* parent, const QStringList& scripts)
    : TMapDlgForm(parent, QStringLiteral("UnicodeDlg"), TextKey::TextScript, TextScriptHelpContext)
{
    AddWidget(new QLabel(PlainText(TextKey::SelectScript), this));
    ScriptB = new QComboBox(this);
    ScriptB->setObjectName(QStringLiteral("ScriptB"));
    ScriptB->addItems(scripts);
    ScriptB->setCurrentIndex(scripts.isEmpty() ? -1 : 0);
    AddRow(TextKey::Script, ScriptB);
    AddButtons();
}

int TUnicodeDlg::Chosen() const
{
    return ScriptB->currentIndex();
}

int ExecUnicodeDlg(QWidget* parent, const QStringList& scripts)
{
    TUnicodeDlg dlg(parent, scripts);
    return dlg.exec() == QDialog::Accepted ? dlg.Chosen() : -1;
}

} // namespace zemo
