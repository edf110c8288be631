#include "symbols/widgets/LTextSymDlg.h"

#include "core/widgets/QtFieldChecks.h"
#include "symbols/LTextSym.h"
#include "symbols/LineSym.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

TLTextSymDlg::TLTextSymDlg(QWidget* parent)
    : TFontSymDlg(parent, QStringLiteral("LTextSymDlg"), TextKey::LTextSymbol,
                  LineTextSymbolHelpContexts[LtGeneralPage])
{
    PreviewFallback = QLatin1String(LineTextPreviewFont);
    auto* head = new QGridLayout;
    AddNumberRows(head);
    Column()->addLayout(head);
    MakePages();
    QWidget* general = Pages->AddPage(QStringLiteral("GeneralSheet"), TextKey::General,
                                      LineTextSymbolHelpContexts[LtGeneralPage]);
    QWidget* spacing = Pages->AddPage(QStringLiteral("SpacingSheet"), TextKey::Spacing,
                                      LineTextSymbolHelpContexts[LtSpacingPage]);
    QWidget* framing = Pages->AddPage(QStringLiteral("FramingSheet"), TextKey::Framing,
                                      LineTextSymbolHelpContexts[LtFramingPage]);
    // General.
    {
        auto* column = new QVBoxLayout(general);
        auto* top = new QGridLayout;
        ToolB = Named<QComboBox>("ToolB", general);
        for (TextKey k : {TextKey::NonePreferredTool, TextKey::CurveHint, TextKey::EllipseHint,
                          TextKey::CircleHint, TextKey::RectangularHint, TextKey::StraightHint,
                          TextKey::FreehandHint})
            ToolB->addItem(SymDlgText(k));
        top->addWidget(new QLabel(SymDlgText(TextKey::PreferredTool) + u':', general), 0, 0);
        top->addWidget(ToolB, 0, 1);
        column->addLayout(top);
        AddFontFields(general, column, LineTextSizeMax, LineTextCharHeightMax);
        column->addStretch(1);
    }
    // Spacing.
    {
        auto* column = new QVBoxLayout(spacing);
        QGridLayout* g = AddFieldGrid(spacing, column);
        AddSpacingFields(g, spacing);
        AlignmentB = Named<QComboBox>("AlignmentB", spacing);
        AlignmentB->addItems(Text(TextKey::LTextAlign).split(u';'));
        const int r = g->rowCount();
        g->addWidget(new QLabel(SymDlgText(TextKey::Alignment) + u':', spacing), r, 0);
        g->addWidget(AlignmentB, r, 1, 1, 3);
        column->addStretch(1);
    }
    // Framing.
    {
        auto* column = new QVBoxLayout(framing);
        auto* modes = new QHBoxLayout;
        FramingB = new QButtonGroup(framing);
        static constexpr const char* Names[] = {"FrOffB", "FrShadowB", "FrLineB"};
        static constexpr TextKey Captions[] = {TextKey::Off, TextKey::Shadow, TextKey::Line};
        for (int i = 0; i < LineTextFramingModes; ++i) {
            auto* r = Named<QRadioButton>(Names[i], SymDlgText(Captions[i]), framing);
            FramingB->addButton(r, i);
            modes->addWidget(r);
        }
        modes->addStretch(1);
        column->addLayout(modes);
        QGridLayout* g = AddFieldGrid(framing, column);
        FrColorB = AddColorCombo(g, QStringLiteral("FrColorB"), TextKey::Color);
        FrWidthB = AddMmField(g, QStringLiteral("FrWidth"), TextKey::Width, FramingWidthMax, framing);
        const double shadow = ShadowOffsetMax / 100.0;
        const QString mm = QStringLiteral("mm");
        FrOfxB = AddRealField(g, QStringLiteral("FrOfx"), TextKey::Horizontally, -shadow, shadow, 2, mm, framing);
        FrOfyB = AddRealField(g, QStringLiteral("FrOfy"), TextKey::Vertically, -shadow, shadow, 2, mm, framing);
        column->addStretch(1);
    }
    AddButtons();
}

void TLTextSymDlg::FillFields()
{
    const SymbolBytes& w = Work();
    ToolB->setCurrentIndex(LineToolEntry(SymU8(w, SymTool)));
    FillFontFields();
    const int align = SymI16(w, TsAlignment);
    AlignmentB->setCurrentIndex(align >= 0 && align < TextAlignEntries ? align : 0);
    const int mode = SymU8(w, LtFramingMode);
    FramingB->button(mode < LineTextFramingModes ? mode : FramingOff)->setChecked(true);
    FillColorCombo(FrColorB, MapComboColors(), SymI16(w, LtFramingColor));
    FrWidthB.SetValue(SymI16(w, LtFramingWidth) / 100.0);
    FrOfxB.SetValue(SymI16(w, LtShadowX) / 100.0);
    FrOfyB.SetValue(SymI16(w, LtShadowY) / 100.0);
}

bool TLTextSymDlg::CheckPage(int page)
{
    switch (page) {
    case LtGeneralPage:
        return CheckFontFields();
    case LtSpacingPage:
        return CheckSpacingFields();
    case LtFramingPage:
        return Check(FrWidthB) && Check(FrOfxB) && Check(FrOfyB);
    default:
        return true;
    }
}

void TLTextSymDlg::ReadFields()
{
    SymbolBytes& w = Work();
    if (Edited(ToolB))
        SetSymU8(w, SymTool, uint8_t(std::max(ToolB->currentIndex(), 0)));
    ReadFontFields();
    if (Edited(AlignmentB))
        SetSymI16(w, TsAlignment, int16_t(std::max(AlignmentB->currentIndex(), 0)));
    if (Edited(FramingB))
        SetSymU8(w, LtFramingMode, uint8_t(std::max(FramingB->checkedId(), 0)));
    if (Edited(FrColorB))
        SetSymI16(w, LtFramingColor, int16_t(GetComboColor(FrColorB)));
    const std::pair<const RealField&, size_t> lengths[] = {
        {FrWidthB, LtFramingWidth}, {FrOfxB, LtShadowX}, {FrOfyB, LtShadowY}};
    for (const auto& [field, offset] : lengths)
        if (Edited(field))
            SetSymI16(w, offset, Hundredths(field.Value()));
}

} // namespace zemo
