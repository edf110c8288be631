#include "edit/widgets/StretchMapDlg.h"

#include <QCheckBox>

namespace zemo {

namespace {

constexpr double MinPercent = 10;
constexpr double MaxPercent = 1000;

} // namespace

TStretchMapDlg::TStretchMapDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("StretchMapDlg"), TextKey::StretchMap,
                  StretchMapHelpContext)
{
    const QString percent = QStringLiteral("%");
    hor_ = AddSpin(TextKey::HorStretch, QStringLiteral("HorStretch"), MinPercent, MaxPercent, 0, 1,
                   percent);
    ver_ = AddSpin(TextKey::VerStretch, QStringLiteral("VerStretch"), MinPercent, MaxPercent, 0, 1,
                   percent);
    mirrorHor_ = AddCheck(TextKey::MirrorHor, QStringLiteral("MirrorHorB"));
    mirrorVer_ = AddCheck(TextKey::MirrorVer, QStringLiteral("MirrorVerB"));
    AddButtons();
    hor_.SetValue(100);
    ver_.SetValue(100);
}

void TStretchMapDlg::accept()
{
    if (!hor_.Check() || !ver_.Check())
        return;
    values_ = {hor_.Value(), ver_.Value(), mirrorHor_->isChecked(), mirrorVer_->isChecked()};
    QDialog::accept();
}

bool ExecStretchMapDlg(QWidget* parent, StretchMapValues& v)
{
    return ExecMapDlg<TStretchMapDlg>(parent, v);
}

} // namespace zemo
