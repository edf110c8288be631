#include "edit/widgets/MoveViewDlg.h"

#include "core/Cord.h"
#include "core/Help.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "edit/View.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zemo {

MoveViewDlgUnitState MoveViewDlgState;

namespace {

constexpr int ViewDlgHelp = 330;
// Metres to the millimetre: enough for any map, and short in the field.
constexpr int ShownDecimals = 3;

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

} // namespace

void ResetMoveViewDlgUnit()
{
    MoveViewDlgState = MoveViewDlgUnitState{};
}

TViewDlg::TViewDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ViewDlg"));
    setWindowTitle(Plain(TextKey::MoveViewTo));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const auto addRow = [&](int row, TextKey label, const QString& name, double value) {
        auto* l = new QLabel(Plain(label) + u':', this);
        auto* edit = new QLineEdit(FloatToTrimStr(0, ShownDecimals, value), this);
        edit->setObjectName(name);
        l->setBuddy(edit);
        grid->addWidget(l, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("m"), this), row, 2);
        return edit;
    };
    horB_ = addRow(0, TextKey::HorPosition, QStringLiteral("HorPosB"), MoveViewDlgState.East);
    verB_ = addRow(1, TextKey::VerPosition, QStringLiteral("VerPosB"), MoveViewDlgState.North);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Plain(TextKey::Ok), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    buttons->addButton(Plain(TextKey::Cancel), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CancelBtn"));
    QPushButton* help = buttons->addButton(Plain(TextKey::Help), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpBtn"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TViewDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(ViewDlgHelp); });
}

void TViewDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    horB_->setFocus();
    horB_->selectAll();
}

void TViewDlg::accept()
{
    if (!CheckNumberEdit(horB_, Plain(TextKey::HorPosition)) || !CheckNumberEdit(verB_, Plain(TextKey::VerPosition)))
        return;
    double east = 0, north = 0;
    if (!TryPointStrToFloat(horB_->text(), east) || !TryPointStrToFloat(verB_->text(), north))
        return;
    Cord c;
    switch (ViewPositionFromRealWorld(east, north, c)) {
    case 0:
        break;
    case 2:
        ErrorMsg(TextKey::VerPosOutside);
        verB_->setFocus();
        verB_->selectAll();
        return;
    default:
        // Also a map whose scale or grid gives no position at all: nothing can be shown there.
        ErrorMsg(TextKey::HorPosOutside);
        horB_->setFocus();
        horB_->selectAll();
        return;
    }
    east_ = east;
    north_ = north;
    MoveViewDlgState.East = east;
    MoveViewDlgState.North = north;
    QDialog::accept();
}

bool ExecViewDlg(QWidget* parent, double& east, double& north)
{
    TViewDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    east = dlg.East();
    north = dlg.North();
    return true;
}

} // namespace zemo
