#include "edit/widgets/ChangeScaleDlg.h"

#include "core/FieldChecks.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "document/Index.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace zemo {

namespace {

// The new scale lies within this factor of the current one either way.
constexpr double MaxScaleChange = 10;

} // namespace

TChangeScaleDlg::TChangeScaleDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("ChangeScaleDlg"), TextKey::ChangeScale,
                  ChangeScaleHelpContext),
      scale_(Stp() ? Stp()->MapScale : 0)
{
    auto* actScaleB = new QLabel(ScaleComboText(scale_), this);
    actScaleB->setObjectName(QStringLiteral("ActScaleB"));
    AddRow(TextKey::ActScale, actScaleB);
    newScaleB_ = new QComboBox(this);
    newScaleB_->setObjectName(QStringLiteral("NewScaleB"));
    FillScaleCombo(newScaleB_, scale_);
    AddRow(TextKey::NewScale, newScaleB_);
    enlargeSymB_ = AddCheck(TextKey::EnlargeSym, QStringLiteral("EnlargeSymB"));
    enlargeSymB_->setChecked(true);
    AddButtons();
}

void TChangeScaleDlg::accept()
{
    QLineEdit* edit = newScaleB_->lineEdit();
    if (!CheckRealEdit(edit, PlainText(TextKey::NewScale), scale_ / MaxScaleChange,
                       scale_ * MaxScaleChange))
        return;
    double scale = 0;
    if (!TryPointStrToFloat(edit->text(), scale))
        return;
    values_ = {scale, enlargeSymB_->isChecked()};
    QDialog::accept();
}

bool ExecChangeScaleDlg(QWidget* parent, ChangeScaleValues& v)
{
    return ExecMapDlg<TChangeScaleDlg>(parent, v);
}

} // namespace zemo
