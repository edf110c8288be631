#include "symbols/widgets/LineSymDlg.h"

#include "core/FieldChecks.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "document/Index.h"
#include "symbols/LineSym.h"
#include "symbols/PointSym.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

QGroupBox* Group(QWidget* parent, const char* name, TextKey caption)
{
    auto* g = new QGroupBox(SymDlgText(caption), parent);
    g->setObjectName(QLatin1String(name));
    return g;
}

QComboBox* Combo(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, TextKey caption)
{
    auto* c = new QCheckBox(Text(caption), parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

void SetStyle(QButtonGroup* group, int bits)
{
    group->button(LineStyleOfBits(bits))->setChecked(true);
}

} // namespace

void TLineSymDlg::AddLength(QGridLayout* grid, const char* name, TextKey label, size_t offset,
                            int max, int page)
{
    lengths_.push_back({AddMmField(grid, QLatin1String(name), label, max, Pages->widget(page)), offset, page});
}

QButtonGroup* TLineSymDlg::AddStyleGroup(QWidget* page, const char* prefix, QLayout* into)
{
    QGroupBox* box = Group(page, (std::string(prefix) + "StyleGrp").c_str(), TextKey::LineStyle);
    auto* row = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::number(i), box);
        r->setObjectName(QStringLiteral("%1Style%2B").arg(QLatin1String(prefix)).arg(i));
        group->addButton(r, i);
        row->addWidget(r);
    }
    into->addWidget(box);
    return group;
}

TLineSymDlg::TLineSymDlg(QWidget* parent)
    : TSymbolDlg(parent, QStringLiteral("LineSymDlg"), TextKey::LineSymbol,
                 LineSymbolHelpContexts[LsMainPage])
{
    auto* head = new QGridLayout;
    AddNumberRows(head);
    Column()->addLayout(head);
    MakePages();
    QWidget* main = Pages->AddPage(QStringLiteral("MainSheet"), TextKey::MainLine, LineSymbolHelpContexts[LsMainPage]);
    QWidget* dist = Pages->AddPage(QStringLiteral("DistSheet"), TextKey::Distances, LineSymbolHelpContexts[LsDistancePage]);
    QWidget* syms = Pages->AddPage(QStringLiteral("SymbolSheet"), TextKey::Symbols, LineSymbolHelpContexts[LsSymbolPage]);
    QWidget* dbl = Pages->AddPage(QStringLiteral("DoubleSheet"), TextKey::DoubleLine, LineSymbolHelpContexts[LsDoublePage]);
    QWidget* dec = Pages->AddPage(QStringLiteral("DecreaseSheet"), TextKey::Decrease, LineSymbolHelpContexts[LsDecreasePage]);
    QWidget* fr = Pages->AddPage(QStringLiteral("FramingSheet"), TextKey::Framing, LineSymbolHelpContexts[LsFramingPage]);

    // Main line.
    {
        auto* column = new QVBoxLayout(main);
        auto* top = new QGridLayout;
        ToolB = Combo(main, "ToolB");
        for (TextKey k : {TextKey::NonePreferredTool, TextKey::CurveHint, TextKey::EllipseHint,
                          TextKey::CircleHint, TextKey::RectangularHint, TextKey::StraightHint,
                          TextKey::FreehandHint})
            ToolB->addItem(SymDlgText(k));
        top->addWidget(new QLabel(SymDlgText(TextKey::PreferredTool) + u':', main), 0, 0);
        top->addWidget(ToolB, 0, 1);
        column->addLayout(top);
        CsModeB = CheckBox(main, "CsModeB", TextKey::CsMarkedRoute);
        column->addWidget(CsModeB);
        QGridLayout* g = AddFieldGrid(main, column);
        LineColorB = AddColorCombo(g, QStringLiteral("LineColorB"), TextKey::LineColor);
        AddLength(g, "LineWidth", TextKey::LineWidth, LsLineWidth, LineWidthMax, LsMainPage);
        StyleB = AddStyleGroup(main, "", column);
        PointedB = CheckBox(main, "PointedB", TextKey::PointedEnds);
        column->addWidget(PointedB);
        QGridLayout* e = AddFieldGrid(main, column);
        AddLength(e, "DistFromStart", TextKey::DistFromStart, LsDistFromStart, LineLengthMax, LsMainPage);
        AddLength(e, "DistToEnd", TextKey::DistToEnd, LsDistToEnd, LineLengthMax, LsMainPage);
        column->addStretch(1);
    }
    // Distances.
    {
        auto* column = new QVBoxLayout(dist);
        QGridLayout* g = AddFieldGrid(dist, column);
        AddLength(g, "MainLength", TextKey::MainLength, LsMainLength, LineLengthMax, LsDistancePage);
        AddLength(g, "EndLength", TextKey::EndLength, LsEndLength, LineLengthMax, LsDistancePage);
        QGroupBox* gaps = Group(dist, "GapsGrp", TextKey::Gaps);
        auto* gg = new QGridLayout(gaps);
        AddLength(gg, "MainGap", TextKey::MainGap, LsMainGap, LineWidthMax, LsDistancePage);
        AddLength(gg, "SecGap", TextKey::SecGap, LsSecGap, LineWidthMax, LsDistancePage);
        AddLength(gg, "EndGap", TextKey::EndGap, LsEndGap, LineWidthMax, LsDistancePage);
        column->addWidget(gaps);
        auto* min = new QHBoxLayout;
        MinSymB = Combo(dist, "MinSymB");
        for (int i = 0; i < MinSymEntries; ++i)
            MinSymB->addItem(QString::number(i));
        min->addWidget(new QLabel(SymDlgText(TextKey::Min) + u':', dist));
        min->addWidget(MinSymB);
        min->addWidget(new QLabel(SymDlgText(TextKey::GapSym), dist));
        min->addStretch(1);
        column->addLayout(min);
        column->addStretch(1);
    }
    // Symbols.
    {
        auto* column = new QVBoxLayout(syms);
        QGroupBox* mainSym = Group(syms, "MainSymGrp", TextKey::MainSymbol);
        auto* mg = new QGridLayout(mainSym);
        NPrimSymB = AddIntField(mg, QStringLiteral("NPrimSym"), TextKey::nOfSymbols, 0,
                                MaxPrimarySymbols, {}, syms);
        const int countRow = mg->rowCount() - 1;
        AddLength(mg, "PrimSymDist", TextKey::Distance, LsPrimSymDist, LineLengthMax, LsSymbolPage);
        listButtons_[MainSymList] = MakeEditButton(mainSym, QStringLiteral("PrimSymBtn"), TextKey::Edit1,
                                                   MainSymList, [this] {
            if (NPrimSymB.Value() < 1)
                NPrimSymB.SetValue(1);
        });
        mg->addWidget(listButtons_[MainSymList], countRow, 4);
        column->addWidget(mainSym);
        static constexpr const char* Names[] = {"", "SecSym", "CornerSym", "StartSym", "EndSym"};
        static constexpr TextKey Captions[] = {TextKey::MainSymbol, TextKey::SecSym, TextKey::CornerSym,
                                               TextKey::StartSym, TextKey::EndSym};
        auto* others = new QGridLayout;
        for (int k = SecSymList; k < LineSymbolListCount; ++k) {
            const QString name = QLatin1String(Names[k]);
            auto* box = new QCheckBox(SymDlgText(Captions[k]), syms);
            box->setObjectName(name + u'B');
            listBoxes_[size_t(k)] = box;
            listButtons_[size_t(k)] = MakeEditButton(syms, name + QStringLiteral("Btn"), TextKey::Edit1, k,
                                                     [box] { box->setChecked(true); });
            others->addWidget(box, k, 0);
            others->addWidget(listButtons_[size_t(k)], k, 1);
        }
        column->addLayout(others);
        column->addStretch(1);
    }
    // Double line.
    {
        auto* column = new QVBoxLayout(dbl);
        QGridLayout* g = AddFieldGrid(dbl, column);
        DblModeB = Combo(dbl, "DblModeB");
        DblModeB->addItems(Text(TextKey::DblModeChoices).split(u';'));
        g->addWidget(new QLabel(SymDlgText(TextKey::Mode) + u':', dbl), 0, 0);
        g->addWidget(DblModeB, 0, 1, 1, 3);
        AddLength(g, "DblWidth", TextKey::Width, LsDblWidth, LineWidthMax, LsDoublePage);
        DblFillB = CheckBox(dbl, "DblFillB", TextKey::Fill);
        column->addWidget(DblFillB);
        DblFillColorB = AddColorCombo(AddFieldGrid(dbl, column), QStringLiteral("DblFillColorB"), TextKey::FillColor);
        QGroupBox* left = Group(dbl, "LeftGrp", TextKey::LeftLine);
        auto* lg = new QGridLayout(left);
        DblLeftColorB = AddColorCombo(lg, QStringLiteral("DblLeftColorB"), TextKey::Color);
        AddLength(lg, "DblLeftWidth", TextKey::Width, LsDblLeftWidth, LineWidthMax, LsDoublePage);
        QGroupBox* right = Group(dbl, "RightGrp", TextKey::RightLine);
        auto* rg = new QGridLayout(right);
        DblRightColorB = AddColorCombo(rg, QStringLiteral("DblRightColorB"), TextKey::Color);
        AddLength(rg, "DblRightWidth", TextKey::Width, LsDblRightWidth, LineWidthMax, LsDoublePage);
        auto* sides = new QHBoxLayout;
        sides->addWidget(left);
        sides->addWidget(right);
        column->addLayout(sides);
        QGroupBox* dashed = Group(dbl, "DashedGrp", TextKey::Dashed);
        auto* dg = new QGridLayout(dashed);
        AddLength(dg, "DblLength", TextKey::Length, LsDblLength, LineLengthMax, LsDoublePage);
        AddLength(dg, "DblGap", TextKey::Gap, LsDblGap, LineLengthMax, LsDoublePage);
        column->addWidget(dashed);
        column->addStretch(1);
    }
    // Decrease.
    {
        auto* column = new QVBoxLayout(dec);
        DecModeB = new QButtonGroup(dec);
        static constexpr const char* Names[] = {"DecOffB", "DecSingleB", "DecDoubleB"};
        static constexpr TextKey Captions[] = {TextKey::Off, TextKey::Line, TextKey::DoubleLine};
        for (int i = 0; i < 3; ++i) {
            auto* r = new QRadioButton(SymDlgText(Captions[i]), dec);
            r->setObjectName(QLatin1String(Names[i]));
            DecModeB->addButton(r, i);
            column->addWidget(r);
        }
        DecLastB = AddIntField(AddFieldGrid(dec, column), QStringLiteral("DecLast"), TextKey::LastSymbol, 0, MaxDecreaseLast,
                               SymDlgText(TextKey::OfNormalSize), dec);
        column->addStretch(1);
    }
    // Framing.
    {
        auto* column = new QVBoxLayout(fr);
        QGridLayout* g = AddFieldGrid(fr, column);
        FrColorB = AddColorCombo(g, QStringLiteral("FrColorB"), TextKey::Color);
        AddLength(g, "FrWidth", TextKey::Width, LsFrWidth, LineLengthMax, LsFramingPage);
        FrStyleB = AddStyleGroup(fr, "Fr", column);
        column->addStretch(1);
    }
    AddButtons();
}

void TLineSymDlg::FillFields()
{
    const SymbolBytes& w = Work();
    const SymbolEditSession& s = Session();
    ToolB->setCurrentIndex(LineToolEntry(SymU8(w, SymTool)));
    const bool courseMap = Index.ActiveZmd && Index.ActiveZmd->CourseMap;
    CsModeB->setVisible(courseMap);
    CsModeB->setChecked(SymU8(w, SymCsRole) == CsRoleCourse);
    const std::vector<ComboColor> colors = MapComboColors();
    const std::pair<QComboBox*, size_t> combos[] = {
        {LineColorB, LsLineColor}, {DblFillColorB, LsDblFillColor}, {DblLeftColorB, LsDblLeftColor},
        {DblRightColorB, LsDblRightColor}, {FrColorB, LsFrColor}};
    for (const auto& [combo, offset] : combos)
        FillColorCombo(combo, colors, SymI16(w, offset));
    for (const Length& l : lengths_)
        l.field.SetValue(SymI16(w, l.offset) / 100.0);
    SetStyle(StyleB, SymI16(w, LsLineStyleBits));
    PointedB->setChecked(SymI16(w, LsLineStyleBits) & PointedEndsBit);
    MinSymB->setCurrentIndex(MinSymEntry(SymI16(w, LsMinSym)));
    NPrimSymB.SetValue(s.Lists[MainSymList].Empty() ? 0 : SymI16(w, LsNPrimSym));
    for (int k = 0; k < LineSymbolListCount; ++k) {
        if (QCheckBox* box = listBoxes_[size_t(k)])
            box->setChecked(!s.Lists[size_t(k)].Empty());
        listButtons_[size_t(k)]->setEnabled(s.Lists[size_t(k)].Editable);
    }
    const int mode = SymI16(w, LsDblMode);
    DblModeB->setCurrentIndex(mode >= 0 && mode < DoubleLineModes ? mode : 0);
    DblFillB->setChecked(SymI16(w, LsDblFlags) != 0);
    const int decrease = SymI16(w, LsDecMode);
    DecModeB->button(decrease >= 0 && decrease <= 2 ? decrease : 0)->setChecked(true);
    DecLastB.SetValue(SymI16(w, LsDecLast));
    SetStyle(FrStyleB, SymI16(w, LsFrStyle));
}

bool TLineSymDlg::CheckPage(int page)
{
    for (const Length& l : lengths_)
        if (l.page == page && !Check(l.field))
            return false;
    if (page == LsSymbolPage && !Check(NPrimSymB))
        return false;
    if (page == LsDecreasePage && !Check(DecLastB))
        return false;
    return true;
}

void TLineSymDlg::ReadFields()
{
    SymbolBytes& w = Work();
    SymbolEditSession& s = Session();
    if (Edited(ToolB))
        SetSymU8(w, SymTool, uint8_t(std::max(ToolB->currentIndex(), 0)));
    if (!CsModeB->isHidden() && Edited(CsModeB)) {
        if (CsModeB->isChecked()) {
            SetSymU8(w, SymCsRole, CsRoleCourse);
            SetSymU8(w, SymCsType, MarkedRouteType);
        } else {
            SetSymU8(w, SymCsRole, CsRoleNone);
        }
    }
    const std::pair<QComboBox*, size_t> combos[] = {
        {LineColorB, LsLineColor}, {DblFillColorB, LsDblFillColor}, {DblLeftColorB, LsDblLeftColor},
        {DblRightColorB, LsDblRightColor}, {FrColorB, LsFrColor}};
    for (const auto& [combo, offset] : combos)
        if (Edited(combo))
            SetSymI16(w, offset, int16_t(GetComboColor(combo)));
    for (const Length& l : lengths_)
        if (Edited(l.field))
            SetSymI16(w, l.offset, Hundredths(l.field.Value()));
    // The style buttons and the pointed ends own their bits of the word, no other.
    int bits = SymI16(w, LsLineStyleBits);
    if (Edited(StyleB))
        bits = WithLineStyle(bits, StyleB->checkedId());
    if (Edited(PointedB))
        bits = PointedB->isChecked() ? bits | PointedEndsBit : bits & ~PointedEndsBit;
    SetSymI16(w, LsLineStyleBits, int16_t(bits));
    if (Edited(MinSymB))
        SetSymI16(w, LsMinSym, int16_t(MinSymOfEntry(std::max(MinSymB->currentIndex(), 0))));
    if (Edited(NPrimSymB)) {
        SetSymI16(w, LsNPrimSym, int16_t(NPrimSymB.Value()));
        // The main symbol switched off loses its graphics.
        if (NPrimSymB.Value() == 0)
            s.Lists[MainSymList] = {};
    }
    if (Edited(DblModeB))
        SetSymI16(w, LsDblMode, int16_t(std::max(DblModeB->currentIndex(), 0)));
    if (Edited(DblFillB))
        SetSymI16(w, LsDblFlags, DblFillB->isChecked() ? 1 : 0);
    if (Edited(DecModeB))
        SetSymI16(w, LsDecMode, int16_t(std::max(DecModeB->checkedId(), 0)));
    if (Edited(DecLastB))
        SetSymI16(w, LsDecLast, int16_t(DecLastB.Value()));
    if (Edited(FrStyleB))
        SetSymI16(w, LsFrStyle, int16_t(WithLineStyle(SymI16(w, LsFrStyle), FrStyleB->checkedId())));
    for (int k = SecSymList; k < LineSymbolListCount; ++k)
        if (Edited(listBoxes_[size_t(k)]) && !listBoxes_[size_t(k)]->isChecked())
            s.Lists[size_t(k)] = {};
}

} // namespace zemo
