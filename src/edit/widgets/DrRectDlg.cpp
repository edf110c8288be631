#include "edit/widgets/DrRectDlg.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "edit/DrPoint.h"
#include "edit/widgets/DrawLineDlg.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>

#include <cmath>

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
    // A side of 0 would store a flat rectangle.
    const auto nonZero = [](const SpinField& f) {
        if (std::nearbyint(f.Value() * 100) != 0)
            return true;
        ErrorMsg(TextKey::NotZero, RemoveColon(f.label));
        f.edit->setFocus();
        return false;
    };
    if (!widthB_.Check() || !nonZero(widthB_) || !heightB_.Check() || !nonZero(heightB_))
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
