#include "symbols/widgets/GraphicsPanel.h"

#include "core/Element.h"
#include "core/FieldChecks.h"
#include "core/widgets/QtFieldChecks.h"
#include "edit/Work.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "symbols/widgets/SymDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>

#include <cmath>

namespace zemo {

namespace {

MainFramePanels* Panels()
{
    TMainFm* frame = MainFrame();
    return frame ? PanelsOf(*frame) : nullptr;
}

// A spin box's value in 0.01 mm; false with the range shown when its text is out of range.
bool ReadHundredths(QDoubleSpinBox* spin, TextKey label, int16_t& out)
{
    if (!spin->hasAcceptableInput()) {
        ShowMustBetween(SymDlgText(label), spin, spin->decimals(), spin->minimum(), spin->maximum());
        return false;
    }
    out = int16_t(std::nearbyint(spin->value() * 100));
    return true;
}

} // namespace

void PrepareGraphicsPanel()
{
    MainFramePanels* p = Panels();
    if (!p)
        return;
    const int before = GetComboColor(p->SymColB);
    FillColorCombo(p->SymColB, MapComboColors(), before);
    MapView* v = Work.ActiveView;
    if (!v)
        return;
    // The kind drawn before in this window, else a line.
    const int number = v->GraphicsSymbol.size() >= size_t(SymbolHeadBytes) ? SymI16(v->GraphicsSymbol, SymNumber) : 0;
    const int kind = number - PseudoSymbolBase;
    ChooseGraphicsElement(kind >= 1 && kind <= 4 ? GraphicsElementKind(kind) : GraphicsElementKind::Line);
}

bool ReadGraphicObjectParams(ElementRecord& e)
{
    MainFramePanels* p = Panels();
    if (!p)
        return false;
    int16_t width = 0, diameter = 0;
    if (!ReadHundredths(p->SymWidthE, TextKey::LineWidth, width)
        || !ReadHundredths(p->SymDiamE, TextKey::Diameter, diameter))
        return false;
    static constexpr int16_t Styles[] = {0, 1, 4};
    const int style = p->SymStyleB->checkedId();
    e.Angle = int16_t(GetComboColor(p->SymColB));
    e.Word10 = width;
    e.Word14 = diameter;
    e.Word12 = style >= 0 && style < 3 ? Styles[style] : 0;
    return true;
}

void ShowGraphicsElement(const ElementRecord& e)
{
    MainFramePanels* p = Panels();
    const int kind = e.Symbol - PseudoSymbolBase;
    if (!p || kind < 1 || kind > 4)
        return;
    ChooseGraphicsElement(GraphicsElementKind(kind));
    const int entry = p->SymColB->findData(int(e.Angle));
    if (entry >= 0)
        p->SymColB->setCurrentIndex(entry);
    p->SymWidthE->setValue(e.Word10 / 100.0);
    p->SymDiamE->setValue(e.Word14 / 100.0);
    const int style = e.Word12 == 1 ? 1 : e.Word12 == 4 ? 2 : 0;
    if (QAbstractButton* b = p->SymStyleB->button(style))
        b->setChecked(true);
}

} // namespace zemo
