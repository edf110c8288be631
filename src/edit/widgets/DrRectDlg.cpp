#include "edit/widgets/DrRectDlg.h"

#include "edit/DrPoint.h"
#include "edit/widgets/DrawLineDlg.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>

namespace zemo {

DrRectDlgUnitState DrRectDlgState;

void ResetDrRectDlgUnit()
{
    DrRectDlgState = DrRectDlgUnitState{};
}

TDrRectDlg::TDrRectDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("DrRectDlg"), TextKey::DrawRect, DrawRectHelpContext)
{
    cursorB_ = new QRadioButton(Text(TextKey::FromCursor), this);
    cursorB_->setObjectName(QStringLiteral("CursorB"));
    AddRow(TextKey::Rectangle, cursorB_);
    const LengthRange r = DialogLengthRange(1, 1000);
    widthB_ = AddSpin(TextKey::Width, QStringLiteral("Width"), -r.max, r.max, 2, 1, r.unit);
    heightB_ = AddSpin(TextKey::Height, QStringLiteral("Height"), -r.max, r.max, 2, 1, r.unit);
    entireB_ = new QRadioButton(Text(TextKey::AroundEntireMap), this);
    entireB_->setObjectName(QStringLiteral("EntireB"));
    AddWidget(entireB_);
    AddButtons();
}

void TDrRectDlg::showEvent(QShowEvent* event)
{
    TMapDlgForm::showEvent(event);
    cursorB_->setChecked(true);
    widthB_.SetValue(DrRectDlgState.Width);
    heightB_.SetValue(DrRectDlgState.Height);
    widthB_.edit->setFocus();
    widthB_.edit->selectAll();
}

void TDrRectDlg::accept()
{
    answer_ = {};
    if (entireB_->isChecked()) {
        answer_.aroundMap = true;
        TMapDlgForm::accept();
        return;
    }
    if (!widthB_.Check() || !heightB_.Check())
        return;
    answer_.width = DrRectDlgState.Width = widthB_.Value();
    answer_.height = DrRectDlgState.Height = heightB_.Value();
    TMapDlgForm::accept();
}

bool ExecDrRectDlg(QWidget* parent, DrawRectAnswer& answer)
{
    return ExecMapDlg<TDrRectDlg>(parent, answer);
}

} // namespace zemo
