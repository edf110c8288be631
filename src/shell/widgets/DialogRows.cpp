#include "shell/widgets/DialogRows.h"

#include "core/Help.h"
#include "core/widgets/SpinControls.h"
#include "edit/widgets/MapDlgForm.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

SpinRow AddSpinRow(QGridLayout* grid, QWidget* owner, const QString& label, const QString& name,
                   double min, double max, int decimals, double step, const QString& unit)
{
    SpinRow r;
    r.edit = new QLineEdit(owner);
    r.edit->setObjectName(name + u'E');
    r.spin = new TRealUpDown(owner);
    r.spin->setObjectName(name + u'B');
    r.spin->SetMinValue(min);
    r.spin->SetMaxValue(max);
    r.spin->SetDecimals(decimals);
    r.spin->SetIncrement(step);
    r.spin->SetAssociate(r.edit);
    auto* l = new QLabel(label + u':', owner);
    l->setBuddy(r.edit);
    const int row = grid->rowCount();
    grid->addWidget(l, row, 0);
    grid->addWidget(r.edit, row, 1);
    grid->addWidget(r.spin, row, 2);
    grid->addWidget(new QLabel(unit, owner), row, 3);
    return r;
}

DialogButtons AddDialogButtons(QDialog* dlg, QVBoxLayout* layout, bool withCancel,
                               std::function<int()> helpContext)
{
    DialogButtons b;
    auto* box = new QDialogButtonBox(dlg);
    b.ok = box->addButton(PlainText(TextKey::Ok), QDialogButtonBox::AcceptRole);
    b.ok->setObjectName(QStringLiteral("OKBtn"));
    b.ok->setDefault(true);
    if (withCancel) {
        b.cancel = box->addButton(PlainText(TextKey::Cancel), QDialogButtonBox::RejectRole);
        b.cancel->setObjectName(QStringLiteral("CancelBtn"));
    }
    b.help = box->addButton(PlainText(TextKey::Help), QDialogButtonBox::HelpRole);
    b.help->setObjectName(QStringLiteral("HelpBtn"));
    layout->addWidget(box);
    QObject::connect(box, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    QObject::connect(b.help, &QPushButton::clicked, dlg,
                     [context = std::move(helpContext)] { ShowHelpContext(context()); });
    return b;
}

} // namespace zemo
