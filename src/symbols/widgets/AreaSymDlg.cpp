#include "symbols/widgets/AreaSymDlg.h"

#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "symbols/AreaSym.h"
#include "symbols/LineSym.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace zemo {

namespace {

void PaintHatch(QPainter& p, const QRect& r, bool cross)
{
    p.setPen(QPen(Qt::black, 1));
    for (int x = r.left() - r.height(); x < r.right(); x += 6) {
        p.drawLine(x, r.bottom(), x + r.height(), r.top());
        if (cross)
            p.drawLine(x, r.top(), x + r.height(), r.bottom());
    }
}

void PaintStructure(QPainter& p, const QRect& r, bool offset)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    int row = 0;
    for (int y = r.top() + 4; y < r.bottom(); y += 8, ++row)
        for (int x = r.left() + 4 + (offset && row % 2 ? 4 : 0); x < r.right(); x += 8)
            p.drawEllipse(QPoint(x, y), 2, 2);
}

int Tenths(double v)
{
    return int(std::nearbyint(v * 10));
}

} // namespace

// ---- TChoicePicture ----

TChoicePicture::TChoicePicture(QWidget* parent, QAbstractButton* choice, Painter paint)
    : QWidget(parent), choice_(choice), paint_(std::move(paint))
{
    setFixedSize(sizeHint());
}

void TChoicePicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(r, Qt::white);
    p.save();
    p.setClipRect(r);
    paint_(p, r);
    p.restore();
    p.setPen(palette().color(QPalette::Dark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void TChoicePicture::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && choice_->isEnabled())
        choice_->setChecked(true);
}

// ---- The dialog ----

QButtonGroup* TAreaSymDlg::AddChoices(QWidget* page, QLayout* into, const char* group, TextKey caption,
                                      const std::array<const char*, 3>& names, TextKey noneText,
                                      const std::array<TChoicePicture::Painter, 2>& pictures)
{
    auto* box = Named<QGroupBox>(group, SymDlgText(caption), page);
    auto* row = new QHBoxLayout(box);
    auto* buttons = new QButtonGroup(box);
    for (int i = 0; i < 3; ++i) {
        auto* r = Named<QRadioButton>(names[size_t(i)], i == 0 ? Text(noneText) : QString(), box);
        buttons->addButton(r, i);
        row->addWidget(r);
        if (i > 0) {
            auto* picture = new TChoicePicture(box, r, pictures[size_t(i - 1)]);
            picture->setObjectName(QLatin1String(names[size_t(i)]).chopped(1) + QStringLiteral("Pic"));
            row->addWidget(picture);
        }
        row->addSpacing(8);
    }
    row->addStretch(1);
    into->addWidget(box);
    return buttons;
}

TAreaSymDlg::TAreaSymDlg(QWidget* parent)
    : TSymbolDlg(parent, QStringLiteral("AreaSymDlg"), TextKey::AreaSymbol,
                 AreaSymbolHelpContexts[AsGeneralPage])
{
    auto* head = new QGridLayout;
    AddNumberRows(head);
    Column()->addLayout(head);
    MakePages();
    QWidget* general = Pages->AddPage(QStringLiteral("GeneralSheet"), TextKey::General,
                                      AreaSymbolHelpContexts[AsGeneralPage]);
    QWidget* hatch = Pages->AddPage(QStringLiteral("HatchSheet"), TextKey::Hatch, AreaSymbolHelpContexts[AsHatchPage]);
    QWidget* structure = Pages->AddPage(QStringLiteral("StructureSheet"), TextKey::Structure,
                                        AreaSymbolHelpContexts[AsStructurePage]);
    const QString degrees = SymDlgText(TextKey::Degrees);
    const double angleMax = AreaAngleMax / 10.0;

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
        FillOnB = Named<QCheckBox>("FillOnB", Text(TextKey::FillBackground), general);
        column->addWidget(FillOnB);
        FillColorB = AddColorCombo(AddFieldGrid(general, column), QStringLiteral("FillColorB"), TextKey::FillColor);
        NorthB = Named<QCheckBox>("NorthB", Text(TextKey::StructureNorth), general);
        column->addWidget(NorthB);
        column->addStretch(1);
    }
    // Hatch.
    {
        auto* column = new QVBoxLayout(hatch);
        HatchB = AddChoices(hatch, column, "HatchGrp", TextKey::Hatch, {"HatchNoneB", "HatchSingleB", "HatchCrossB"},
                            TextKey::NoHatch,
                            {[](QPainter& p, const QRect& r) { PaintHatch(p, r, false); },
                             [](QPainter& p, const QRect& r) { PaintHatch(p, r, true); }});
        QGridLayout* g = AddFieldGrid(hatch, column);
        HatchColorB = AddColorCombo(g, QStringLiteral("HatchColorB"), TextKey::Color);
        HatchLineWidthB = AddMmField(g, QStringLiteral("HatchLineWidth"), TextKey::LineWidth, HatchWidthMax, hatch);
        HatchDistB = AddMmField(g, QStringLiteral("HatchDist"), TextKey::DistanceA, HatchDistMax, hatch);
        HatchAngle1B = AddRealField(g, QStringLiteral("HatchAngle1"), TextKey::Angle1, -angleMax, angleMax, 1,
                                    degrees, hatch);
        HatchAngle2B = AddRealField(g, QStringLiteral("HatchAngle2"), TextKey::Angle2, -angleMax, angleMax, 1,
                                    degrees, hatch);
        column->addStretch(1);
    }
    // Structure.
    {
        auto* column = new QVBoxLayout(structure);
        StructB = AddChoices(structure, column, "StructGrp", TextKey::Structure, {"NoneB", "RectB", "OffsetB"},
                             TextKey::NoStructure,
                             {[](QPainter& p, const QRect& r) { PaintStructure(p, r, false); },
                              [](QPainter& p, const QRect& r) { PaintStructure(p, r, true); }});
        QGridLayout* g = AddFieldGrid(structure, column);
        StructWidthB = AddMmField(g, QStringLiteral("StructWidth"), TextKey::Width, StructSizeMax, structure);
        StructHeightB = AddMmField(g, QStringLiteral("StructHeight"), TextKey::Height, StructSizeMax, structure);
        StructAngleB = AddRealField(g, QStringLiteral("StructAngle"), TextKey::Angle, -angleMax, angleMax, 1,
                                    degrees, structure);
        EditBtn = MakeEditButton(structure, QStringLiteral("EditBtn"), TextKey::Edit, 0, [this] {
            // The cell the window shows must have a size and a grid.
            ReadFields();
            PrepareStructureEdit(Work());
            StructWidthB.SetValue(SymI16(Work(), AreaStructWidth) / 100.0);
            StructHeightB.SetValue(SymI16(Work(), AreaStructHeight) / 100.0);
            StructB->button(SymI16(Work(), AreaStructMode))->setChecked(true);
        });
        auto* row = new QHBoxLayout;
        row->addWidget(EditBtn);
        row->addStretch(1);
        column->addLayout(row);
        column->addStretch(1);
    }
    AddButtons();
}

void TAreaSymDlg::FillFields()
{
    const SymbolBytes& w = Work();
    ToolB->setCurrentIndex(LineToolEntry(SymU8(w, SymTool)));
    const std::vector<ComboColor> colors = MapComboColors();
    FillOnB->setChecked(SymI16(w, AreaFillOn) != 0);
    FillColorCombo(FillColorB, colors, SymI16(w, AreaFillColor));
    NorthB->setChecked((SymU8(w, SymFlags) & SymRotatableFlag) == 0);
    HatchB->button(AreaModeEntry(SymI16(w, AreaHatchMode)))->setChecked(true);
    FillColorCombo(HatchColorB, colors, SymI16(w, AreaHatchColor));
    HatchLineWidthB.SetValue(SymI16(w, AreaHatchLineWidth) / 100.0);
    HatchDistB.SetValue(SymI16(w, AreaHatchDist) / 100.0);
    HatchAngle1B.SetValue(SymI16(w, AreaHatchAngle1) / 10.0);
    HatchAngle2B.SetValue(SymI16(w, AreaHatchAngle2) / 10.0);
    StructB->button(AreaModeEntry(SymI16(w, AreaStructMode)))->setChecked(true);
    StructWidthB.SetValue(SymI16(w, AreaStructWidth) / 100.0);
    StructHeightB.SetValue(SymI16(w, AreaStructHeight) / 100.0);
    StructAngleB.SetValue(SymI16(w, AreaStructAngle) / 10.0);
    EditBtn->setEnabled(Session().Lists[0].Editable);
}

bool TAreaSymDlg::CheckPage(int page)
{
    switch (page) {
    case AsHatchPage:
        return Check(HatchLineWidthB) && Check(HatchDistB) && Check(HatchAngle1B) && Check(HatchAngle2B);
    case AsStructurePage:
        return Check(StructWidthB) && Check(StructHeightB) && Check(StructAngleB);
    default:
        return true;
    }
}

void TAreaSymDlg::ReadFields()
{
    SymbolBytes& w = Work();
    if (Edited(ToolB))
        SetSymU8(w, SymTool, uint8_t(std::max(ToolB->currentIndex(), 0)));
    if (Edited(FillOnB))
        SetSymI16(w, AreaFillOn, FillOnB->isChecked() ? -1 : 0);
    if (Edited(FillColorB))
        SetSymI16(w, AreaFillColor, int16_t(GetComboColor(FillColorB)));
    if (Edited(NorthB))
        SetSymU8(w, SymFlags, WithNorth(SymU8(w, SymFlags), NorthB->isChecked()));
    if (Edited(HatchB))
        SetSymI16(w, AreaHatchMode, int16_t(std::max(HatchB->checkedId(), 0)));
    if (Edited(HatchColorB))
        SetSymI16(w, AreaHatchColor, int16_t(GetComboColor(HatchColorB)));
    const std::pair<const RealField&, size_t> lengths[] = {
        {HatchLineWidthB, AreaHatchLineWidth}, {HatchDistB, AreaHatchDist},
        {StructWidthB, AreaStructWidth}, {StructHeightB, AreaStructHeight}};
    for (const auto& [field, offset] : lengths)
        if (Edited(field))
            SetSymI16(w, offset, Hundredths(field.Value()));
    const std::pair<const RealField&, size_t> angles[] = {
        {HatchAngle1B, AreaHatchAngle1}, {HatchAngle2B, AreaHatchAngle2}, {StructAngleB, AreaStructAngle}};
    for (const auto& [field, offset] : angles)
        if (Edited(field))
            SetSymI16(w, offset, int16_t(Tenths(field.Value())));
    if (Edited(StructB))
        SetSymI16(w, AreaStructMode, int16_t(std::max(StructB->checkedId(), 0)));
}

} // namespace zemo
