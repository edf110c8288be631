#include "edit/widgets/MoveMapDlg.h"

namespace zemo {

namespace {

constexpr double MaxMoveMm = 4000;

} // namespace

TMoveMapDlg::TMoveMapDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("MoveMapDlg"), TextKey::MoveMap, MoveMapHelpContext)
{
    const QString mm = QStringLiteral("mm");
    hor_ = AddSpin(TextKey::HorMove, QStringLiteral("HorMove"), -MaxMoveMm, MaxMoveMm, 2, 1, mm);
    ver_ = AddSpin(TextKey::VerMove, QStringLiteral("VerMove"), -MaxMoveMm, MaxMoveMm, 2, 1, mm);
    AddButtons();
    hor_.SetValue(0);
    ver_.SetValue(0);
}

void TMoveMapDlg::accept()
{
    if (!hor_.Check() || !ver_.Check())
        return;
    values_ = {hor_.Value(), ver_.Value()};
    QDialog::accept();
}

bool ExecMoveMapDlg(QWidget* parent, MoveMapValues& v)
{
    return ExecMapDlg<TMoveMapDlg>(parent, v);
}

} // namespace zemo
