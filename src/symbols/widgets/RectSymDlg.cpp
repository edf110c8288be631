#include "symbols/widgets/RectSymDlg.h"

#include "core/CodePage.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "symbols/RectSym.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zemo {

TRectSymDlg::TRectSymDlg(QWidget* parent)
    : TSymbolDlg(parent, QStringLiteral("RectSymDlg"), TextKey::RectSymbol, RectSymbolHelpContext)
{
    auto* head = new QGridLayout;
    AddNumberRows(head);
    Column()->addLayout(head);
    NorthB = Named<QCheckBox>("NorthB", Text(TextKey::OrientNorth), this);
    Column()->addWidget(NorthB);
    QGridLayout* line = AddFieldGrid(this, Column());
    LineColorB = AddColorCombo(line, QStringLiteral("LineColorB"), TextKey::LineColor);
    LineWidthB = AddMmField(line, QStringLiteral("LineWidth"), TextKey::LineWidth, RectLineWidthMax, nullptr);
    RadiusB = AddMmField(line, QStringLiteral("Radius"), TextKey::CornerRadius, RectRadiusMax, nullptr);

    auto* grid = Named<QGroupBox>("GridGrp", SymDlgText(TextKey::Grid), this);
    auto* column = new QVBoxLayout(grid);
    GridOnB = Named<QCheckBox>("GridOnB", Text(TextKey::GridOn), grid);
    column->addWidget(GridOnB);
    QGridLayout* cells = AddFieldGrid(grid, column);
    CellWidthB = AddMmField(cells, QStringLiteral("CellWidth"), TextKey::CellWidth, RectCellMax, nullptr);
    CellHeightB = AddMmField(cells, QStringLiteral("CellHeight"), TextKey::CellHeight, RectCellMax, nullptr);
    NumBottomB = Named<QCheckBox>("NumBottomB", Text(TextKey::NumBottom), grid);
    column->addWidget(NumBottomB);
    Column()->addWidget(grid);

    auto* unnumbered = Named<QGroupBox>("UnnumberedGrp", SymDlgText(TextKey::UnnumberedCells), this);
    auto* u = new QGridLayout(unnumbered);
    NumberB = AddIntField(u, QStringLiteral("Number"), TextKey::NumberOf, 0, RectUnnumberedMax, {}, nullptr);
    TextB = Named<QLineEdit>("TextB", unnumbered);
    TextB->setMaxLength(RectTextChars);
    TextB->setMaximumWidth(80);
    auto* textL = new QLabel(SymDlgText(TextKey::Text) + u':', unnumbered);
    textL->setBuddy(TextB);
    const int row = u->rowCount();
    u->addWidget(textL, row, 0);
    u->addWidget(TextB, row, 1);
    Column()->addWidget(unnumbered);
    AddButtons();
}

void TRectSymDlg::FillFields()
{
    const SymbolBytes& w = Work();
    NorthB->setChecked((SymU8(w, SymFlags) & SymRotatableFlag) == 0);
    FillColorCombo(LineColorB, MapComboColors(), SymI16(w, RectLineColor));
    LineWidthB.SetValue(SymI16(w, RectLineWidth) / 100.0);
    RadiusB.SetValue(SymI16(w, RectCornerRadius) / 100.0);
    const int flags = SymI16(w, RectGridFlags);
    GridOnB->setChecked(RectGridShown(flags));
    NumBottomB->setChecked(RectFromBottom(flags));
    CellWidthB.SetValue(SymI16(w, RectCellWidth) / 100.0);
    CellHeightB.SetValue(SymI16(w, RectCellHeight) / 100.0);
    NumberB.SetValue(SymI16(w, RectUnnumberedCells));
    const std::string text = ShortFieldText(std::span(w).subspan(RectUnnumberedText, RectUnnumberedTextBytes));
    TextB->setText(DecodeCodePage(1252, text.data(), qsizetype(text.size())));
    adjustSize();
}

bool TRectSymDlg::CheckPage(int)
{
    return Check(LineWidthB) && Check(RadiusB) && Check(CellWidthB) && Check(CellHeightB) && Check(NumberB);
}

void TRectSymDlg::ReadFields()
{
    SymbolBytes& w = Work();
    if (Edited(NorthB))
        SetSymU8(w, SymFlags, WithNorth(SymU8(w, SymFlags), NorthB->isChecked()));
    if (Edited(LineColorB))
        SetSymI16(w, RectLineColor, int16_t(GetComboColor(LineColorB)));
    const std::pair<const RealField&, size_t> lengths[] = {
        {LineWidthB, RectLineWidth}, {RadiusB, RectCornerRadius}, {CellWidthB, RectCellWidth},
        {CellHeightB, RectCellHeight}};
    for (const auto& [field, offset] : lengths)
        if (Edited(field))
            SetSymI16(w, offset, Hundredths(field.Value()));
    // Each box owns its bits of the flags.
    int flags = SymI16(w, RectGridFlags);
    if (Edited(GridOnB))
        flags = (flags & ~GridFlagsOf(true, false)) | GridFlagsOf(GridOnB->isChecked(), false);
    if (Edited(NumBottomB))
        flags = (flags & ~RectNumberFromBottomBit) | GridFlagsOf(false, NumBottomB->isChecked());
    SetSymI16(w, RectGridFlags, int16_t(flags));
    if (Edited(NumberB))
        SetSymI16(w, RectUnnumberedCells, int16_t(NumberB.Value()));
    if (Edited(TextB))
        SetShortFieldText(std::span(w).subspan(RectUnnumberedText, RectUnnumberedTextBytes),
                          EncodeCodePage(1252, TextB->text().left(RectTextChars)).toStdString());
}

} // namespace zemo
