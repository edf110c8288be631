#include "symbols/widgets/UnicodeDlg.h"

#include "symbols/TextScript.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>

namespace zemo {

TUnicodeDlg::TUnicodeDlg(QWidget* parent, const QStringList& scripts)
    : TMapDlgForm(parent, QStringLiteral("UnicodeDlg"), TextKey::TextScript, TextScriptHelpContext)
{
    ScriptB = new QComboBox(this);
    ScriptB->setObjectName(QStringLiteral("ScriptB"));
    ScriptB->addItems(scripts);
    ScriptB->setCurrentIndex(scripts.isEmpty() ? -1 : 0);
    AddRow(TextKey::Script, ScriptB);
    // The prompt above the list.
    if (auto* box = qobject_cast<QBoxLayout*>(layout()))
        box->insertWidget(0, new QLabel(PlainText(TextKey::SelectScript), this));
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
