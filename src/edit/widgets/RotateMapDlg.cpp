#include "edit/widgets/RotateMapDlg.h"

#include <QCheckBox>
#include <QLabel>

namespace zemo {

namespace {

constexpr double MaxDegrees = 360;

} // namespace

TRotateMapDlg::TRotateMapDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("RotateMapDlg"), TextKey::RotateMap, RotateMapHelpContext)
{
    angle_ = AddSpin(TextKey::Angle, QStringLiteral("Angle"), -MaxDegrees, MaxDegrees, 2, 5,
                     PlainText(TextKey::Degrees));
    AddWidget(CounterClockwisePicture());
    rotSym_ = AddCheck(TextKey::RotateSym, QStringLiteral("RotSymB"));
    AddButtons();
    angle_.SetValue(0);
}

void TRotateMapDlg::accept()
{
    if (!angle_.Check())
        return;
    values_ = {angle_.Value(), rotSym_->isChecked()};
    QDialog::accept();
}

bool ExecRotateMapDlg(QWidget* parent, RotateMapValues& v)
{
    return ExecMapDlg<TRotateMapDlg>(parent, v);
}

} // namespace zemo
