#include "edit/widgets/DrCircleDlg.h"

#include "edit/DrCircle.h"
#include "edit/widgets/DrawLineDlg.h"

#include <QLineEdit>
#include <QShowEvent>

namespace zemo {

// The dialog has no topic of its own: the circle tool's page explains it.
TDrCircleDlg::TDrCircleDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("DrCircleDlg"), TextKey::DrawCircle, CircleHelpContext)
{
    const LengthRange r = DialogLengthRange(1, 1000);
    radiusB_ = AddSpin(TextKey::Radius, QStringLiteral("Radius"), -r.max, r.max, 2, 1, r.unit);
    AddButtons();
}

void TDrCircleDlg::showEvent(QShowEvent* event)
{
    TMapDlgForm::showEvent(event);
    radiusB_.SetValue(0);
    radiusB_.edit->setFocus();
    radiusB_.edit->selectAll();
}

void TDrCircleDlg::accept()
{
    if (!radiusB_.Check())
        return;
    radius_ = radiusB_.Value();
    TMapDlgForm::accept();
}

bool ExecDrCircleDlg(QWidget* parent, double& radius)
{
    TDrCircleDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    radius = dlg.Radius();
    return true;
}

} // namespace zemo
