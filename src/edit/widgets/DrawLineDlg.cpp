#include "edit/widgets/DrawLineDlg.h"

#include "document/Index.h"
#include "edit/DrFree.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

namespace zemo {

LengthRange DialogLengthRange(double scaleFactor, double mm)
{
    const SetupRecord* s = Stp();
    if (s && s->RealWorldCoords != 0)
        return {scaleFactor * s->MapScale, QStringLiteral("m")};
    return {mm, QStringLiteral("mm")};
}

TDrawLineDlg::TDrawLineDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("DrawLineDlg"), TextKey::DrawLine, DrawLineHelpContext)
{
    const LengthRange length = DialogLengthRange(2, 2000);
    lengthB_ = AddSpin(TextKey::Length, QStringLiteral("Length"), -length.max, length.max, 2, 1, length.unit);
    angleB_ = AddSpin(TextKey::Angle, QStringLiteral("Angle"), -360, 360, 2, 0.1, PlainText(TextKey::Degrees));
    AddWidget(CounterClockwisePicture());
    AddButtons();
}

void TDrawLineDlg::showEvent(QShowEvent* event)
{
    TMapDlgForm::showEvent(event);
    lengthB_.SetValue(0);
    angleB_.SetValue(0);
    lengthB_.edit->setFocus();
    lengthB_.edit->selectAll();
}

void TDrawLineDlg::accept()
{
    if (!angleB_.Check() || !lengthB_.Check())
        return;
    length_ = lengthB_.Value();
    angle_ = angleB_.Value();
    TMapDlgForm::accept();
}

bool ExecDrawLineDlg(QWidget* parent, double& length, double& angle)
{
    TDrawLineDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    length = dlg.Length();
    angle = dlg.Angle();
    return true;
}

} // namespace zemo
