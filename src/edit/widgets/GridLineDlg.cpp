#include "edit/widgets/GridLineDlg.h"

#include "core/StringX.h"
#include "document/Index.h"

#include <QCheckBox>
#include <QLabel>

namespace zemo {

GridLineDlgUnitState GridLineDlgState;

namespace {

constexpr double MinDistMm = 1;
constexpr double MaxDistMm = 200;
constexpr double MaxDegrees = 360;
constexpr double MaxOffsetMm = 2000;

} // namespace

void ResetGridLineDlgUnit()
{
    GridLineDlgState = GridLineDlgUnitState{};
}

TGridLineDlg::TGridLineDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("GridLineDlg"), TextKey::GridLines, GridLineHelpContext)
{
    const QString mm = QStringLiteral("mm");
    horDist_ = AddSpin(TextKey::HorDistance, QStringLiteral("HorDist"), MinDistMm, MaxDistMm, 4, 5,
                       mm);
    verDist_ = AddSpin(TextKey::VerDistance, QStringLiteral("VerDist"), MinDistMm, MaxDistMm, 4, 5,
                       mm);
    angle_ = AddSpin(TextKey::Angle, QStringLiteral("Angle"), -MaxDegrees, MaxDegrees, 2, 1,
                     PlainText(TextKey::Degrees));
    AddWidget(CounterClockwisePicture());
    horOfs_ = AddSpin(TextKey::HorOffset, QStringLiteral("HorOfs"), -MaxOffsetMm, MaxOffsetMm, 2, 5,
                      mm);
    verOfs_ = AddSpin(TextKey::VerOffset, QStringLiteral("VerOfs"), -MaxOffsetMm, MaxOffsetMm, 2, 5,
                      mm);
    verLineB_ = AddCheck(TextKey::VerLine, QStringLiteral("VerLineB"));
    horLineB_ = AddCheck(TextKey::HorLine, QStringLiteral("HorLineB"));
    // Which symbol the lines get.
    QString symbol;
    if (const SymbolBytes* s = CurrentSymbolRecord())
        symbol = TenthsToStr(SymI16(*s, SymNumber)) + u' ' + SymbolDescription(*s);
    auto* linesCreatedL = new QLabel(PlainText(TextKey::LinesCreated) + u' ' + symbol, this);
    linesCreatedL->setObjectName(QStringLiteral("LinesCreatedL"));
    AddWidget(linesCreatedL);
    AddButtons();

    GridLineValues v;
    GridLineDefaults(v);
    horDist_.SetValue(v.HorDistMm);
    verDist_.SetValue(v.VerDistMm);
    angle_.SetValue(v.Degrees);
    horOfs_.SetValue(GridLineDlgState.HorOffsetMm);
    verOfs_.SetValue(GridLineDlgState.VerOffsetMm);
    verLineB_->setChecked(true);
    horLineB_->setChecked(true);
}

void TGridLineDlg::accept()
{
    for (const SpinField* f : {&horOfs_, &verOfs_, &horDist_, &verDist_, &angle_})
        if (!f->Check())
            return;
    values_.HorDistMm = horDist_.Value();
    values_.VerDistMm = verDist_.Value();
    values_.Degrees = angle_.Value();
    values_.HorOffsetMm = horOfs_.Value();
    values_.VerOffsetMm = verOfs_.Value();
    values_.VerLines = verLineB_->isChecked();
    values_.HorLines = horLineB_->isChecked();
    GridLineDlgState = {values_.HorOffsetMm, values_.VerOffsetMm};
    QDialog::accept();
}

bool ExecGridLineDlg(QWidget* parent, GridLineValues& v)
{
    return ExecMapDlg<TGridLineDlg>(parent, v);
}

} // namespace zemo
