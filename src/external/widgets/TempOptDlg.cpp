#include "external/widgets/TempOptDlg.h"

#include "external/Template.h"

#include <QCheckBox>
#include <QComboBox>

namespace zemo {

TTempOptDlg::TTempOptDlg(QWidget* parent, const TempOptValues& values)
    : TMapDlgForm(parent, QStringLiteral("TempOptDlg"), TextKey::TempOpt, TemplateOptionsHelpContext),
      values_(values)
{
    setWindowTitle(TempOptCaption(values.name).remove(u'&'));
    dim_ = AddSpin(TextKey::Dim, QStringLiteral("Dim"), 0, 100, 0, 10, QStringLiteral("%"));
    transparent_ = AddCheck(TextKey::Transparent, QStringLiteral("TranspB"));
    assign_ = AddCheck(TextKey::AssignToSpot, QStringLiteral("AssignB"));
    spot_ = new QComboBox(this);
    spot_->setObjectName(QStringLiteral("SpotB"));
    spot_->addItems(values.separations);
    AddWidget(spot_);
    render_ = AddCheck(TextKey::RenderSpot, QStringLiteral("RenderB"));
    AddButtons();

    dim_.SetValue(values.dim);
    transparent_->setChecked(values.transparent);
    const bool assignable = values.AssignEnabled();
    assign_->setEnabled(assignable);
    spot_->setEnabled(assignable);
    assign_->setChecked(assignable && values.assign);
    spot_->setCurrentIndex(values.separations.isEmpty() ? -1 : values.assign ? values.spot : 0);
    render_->setEnabled(values.RenderEnabled());
    render_->setChecked(values.RenderEnabled() && values.render);
    // Choosing a spot colour assigns it.
    connect(spot_, &QComboBox::activated, this, [this] { assign_->setChecked(true); });
}

void TTempOptDlg::accept()
{
    if (!dim_.Check())
        return;
    values_.dim = int(std::lround(dim_.Value()));
    values_.transparent = transparent_->isChecked();
    values_.assign = assign_->isEnabled() && assign_->isChecked();
    values_.spot = std::max(spot_->currentIndex(), 0);
    values_.render = render_->isEnabled() && render_->isChecked();
    QDialog::accept();
}

bool ExecTempOptDlg(QWidget* parent, TempOptValues& values)
{
    TTempOptDlg dlg(parent, values);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    values = dlg.Values();
    return true;
}

} // namespace zemo
