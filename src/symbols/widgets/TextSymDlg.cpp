#include "symbols/widgets/TextSymDlg.h"

#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "document/Index.h"
#include "platform/Fonts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace zemo {

namespace {

int Tenths(double v)
{
    return int(std::nearbyint(v * 10));
}

// The sizes of the three preview boxes.
const QSize FontPreviewSize(320, 72);
const QSize ParagraphPreviewSize(220, 150);
const QSize LineBelowPreviewSize(220, 72);

} // namespace

// ---- TSymPreview ----

TSymPreview::TSymPreview(QWidget* parent, Painter paint, QSize size)
    : QWidget(parent), paint_(std::move(paint)), size_(size)
{
    setMinimumSize(size);
}

void TSymPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint_(p, QRectF(rect().adjusted(1, 1, -1, -1)));
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- The font rows ----

void TFontSymDlg::AddFontFields(QWidget* page, QBoxLayout* column, int sizeMax, int heightMax)
{
    QGridLayout* g = AddFieldGrid(page, column);
    FontNameB = Named<QComboBox>("FontNameB", page);
    FontNameB->setEditable(true);
    FontNameB->setInsertPolicy(QComboBox::NoInsert);
    auto* nameL = new QLabel(SymDlgText(TextKey::FontName) + u':', page);
    nameL->setBuddy(FontNameB);
    g->addWidget(nameL, 0, 0);
    g->addWidget(FontNameB, 0, 1, 1, 3);
    FontColorB = AddColorCombo(g, QStringLiteral("FontColorB"), TextKey::Color);
    FontSizeB = AddRealField(g, QStringLiteral("FontSize"), TextKey::Size, TextSizeMin / 10.0, sizeMax / 10.0, 1,
                             QStringLiteral("pt"), page);
    CharHeightB = AddMmField(g, QStringLiteral("CharHeight"), TextKey::CharHeight, heightMax, page);
    auto* style = new QHBoxLayout;
    BoldB = Named<QCheckBox>("BoldB", Text(TextKey::Bold), page);
    ItalicB = Named<QCheckBox>("ItalicB", Text(TextKey::Italic), page);
    style->addWidget(BoldB);
    style->addWidget(ItalicB);
    style->addStretch(1);
    column->addLayout(style);
    FontPreview = Named<TSymPreview>("FontPreview", page,
                                     [this](QPainter& p, const QRectF& r) { PaintFontSample(p, r, Sample()); },
                                     FontPreviewSize);
    column->addWidget(FontPreview);

    // The size and the capital height follow each other as the user changes either.
    connect(FontSizeB.edit, &QLineEdit::textEdited, this, [this] { ShowCharHeight(); });
    connect(FontSizeB.spin, &UpDownBase::Clicked, this, [this] { ShowCharHeight(); });
    connect(CharHeightB.edit, &QLineEdit::textEdited, this, [this] { CharHeightTyped(); });
    connect(CharHeightB.spin, &UpDownBase::Clicked, this, [this] { CharHeightTyped(); });
    connect(FontNameB, &QComboBox::currentTextChanged, this, [this] { ShowCharHeight(); });
    for (QCheckBox* b : {BoldB, ItalicB})
        connect(b, &QCheckBox::toggled, this, [this] { ShowCharHeight(); });
    for (QWidget* w : {static_cast<QWidget*>(FontNameB), static_cast<QWidget*>(FontColorB),
                       static_cast<QWidget*>(FontSizeB.edit), static_cast<QWidget*>(BoldB),
                       static_cast<QWidget*>(ItalicB)})
        Watch(w, {FontPreview});
}

void TFontSymDlg::AddSpacingFields(QGridLayout* grid, QWidget* page)
{
    const QString percent = SymDlgText(TextKey::OfSpaceChar);
    CharSpaceB = AddIntField(grid, QStringLiteral("CharSpace"), TextKey::CharSpace, 0, TextSpacingMax, percent, page);
    WordSpaceB = AddIntField(grid, QStringLiteral("WordSpace"), TextKey::WordSpace, 0, TextSpacingMax, percent, page);
    Watch(CharSpaceB.edit, {FontPreview});
    Watch(WordSpaceB.edit, {FontPreview});
}

void TFontSymDlg::Watch(QWidget* field, std::vector<QWidget*> previews)
{
    const auto repaint = [previews] {
        for (QWidget* p : previews)
            if (p)
                p->update();
    };
    if (auto* e = qobject_cast<QLineEdit*>(field))
        connect(e, &QLineEdit::textChanged, this, repaint);
    else if (auto* c = qobject_cast<QComboBox*>(field))
        connect(c, &QComboBox::currentTextChanged, this, repaint);
    else if (auto* b = qobject_cast<QAbstractButton*>(field))
        connect(b, &QAbstractButton::toggled, this, repaint);
}

FontSample TFontSymDlg::Sample() const
{
    FontSample s;
    s.font = FontNameB->currentText().trimmed();
    if (s.font.isEmpty())
        s.font = PreviewFallback;
    s.size = Tenths(FontSizeB.Value());
    s.weight = StoredWeight(BoldB->isChecked());
    s.italic = ItalicB->isChecked();
    s.charSpace = CharSpaceB.spin ? CharSpaceB.Value() : 0;
    s.wordSpace = WordSpaceB.spin ? WordSpaceB.Value() : 100;
    s.color = ScreenColorOf(GetComboColor(FontColorB));
    s.dpi = FontPreview ? FontPreview->logicalDpiY() : 96;
    return s;
}

double TFontSymDlg::PerTenth() const
{
    return CapitalHeightPerTenth(FontNameB->currentText().trimmed(), StoredWeight(BoldB->isChecked()),
                                 ItalicB->isChecked());
}

void TFontSymDlg::ShowCharHeight()
{
    const double perTenth = PerTenth();
    if (perTenth > 0)
        CharHeightB.SetValue(CapitalHeightOfSize(perTenth, Tenths(FontSizeB.Value())) / 100.0);
    else
        CharHeightB.edit->clear();
}

void TFontSymDlg::CharHeightTyped()
{
    double mm = 0;
    if (!TryPointStrToFloat(CharHeightB.edit->text().trimmed(), mm) || !(mm > 0))
        return;
    const std::optional<int> size = SizeForCapitalHeight(PerTenth(), int(std::nearbyint(mm * 100)));
    if (!size) {
        CharHeightB.edit->clear();
        return;
    }
    FontSizeB.SetValue(*size / 10.0);
}

void TFontSymDlg::FillFontFields()
{
    const SymbolBytes& w = Work();
    FillFontCombo(FontNameB, FontService::Instance().FontList(), SymbolFontName(w));
    FillColorCombo(FontColorB, MapComboColors(), SymI16(w, TsTextColor));
    FontSizeB.SetValue(SymI16(w, TsFontSize) / 10.0);
    BoldB->setChecked(ShowsBold(SymI16(w, TsFontWeight)));
    ItalicB->setChecked(SymU8(w, TsItalic) != 0);
    CharSpaceB.SetValue(SymI16(w, TsCharSpacing));
    WordSpaceB.SetValue(SymI16(w, TsWordSpacing));
    ShowCharHeight();
}

bool TFontSymDlg::CheckFontFields()
{
    if (Edited(FontNameB) && !CheckFontCombo(FontNameB, FontService::Instance().FontList())) {
        if (Pages)
            Pages->setCurrentWidget(FontSizeB.page);
        FontNameB->setFocus();
        return false;
    }
    return Check(FontSizeB) && Check(CharHeightB);
}

bool TFontSymDlg::CheckSpacingFields()
{
    return Check(CharSpaceB) && Check(WordSpaceB);
}

void TFontSymDlg::ReadFontFields()
{
    SymbolBytes& w = Work();
    if (Edited(FontNameB))
        SetSymbolFontName(w, FontNameB->currentText().trimmed());
    if (Edited(FontColorB))
        SetSymI16(w, TsTextColor, int16_t(GetComboColor(FontColorB)));
    if (Edited(FontSizeB))
        SetSymI16(w, TsFontSize, int16_t(Tenths(FontSizeB.Value())));
    if (Edited(BoldB))
        SetSymI16(w, TsFontWeight, StoredWeight(BoldB->isChecked()));
    if (Edited(ItalicB))
        SetSymU8(w, TsItalic, ItalicB->isChecked() ? 1 : 0);
    if (Edited(CharSpaceB))
        SetSymI16(w, TsCharSpacing, int16_t(CharSpaceB.Value()));
    if (Edited(WordSpaceB))
        SetSymI16(w, TsWordSpacing, int16_t(WordSpaceB.Value()));
}

// ---- The text symbol dialog ----

TTextSymDlg::TTextSymDlg(QWidget* parent)
    : TFontSymDlg(parent, QStringLiteral("TextSymDlg"), TextKey::TextSymbol, TextSymbolHelpContexts[TsGeneralPage])
{
    auto* head = new QGridLayout;
    AddNumberRows(head);
    Column()->addLayout(head);
    MakePages();
    QWidget* general = Pages->AddPage(QStringLiteral("GeneralSheet"), TextKey::General,
                                      TextSymbolHelpContexts[TsGeneralPage]);
    QWidget* paragraph = Pages->AddPage(QStringLiteral("ParagraphSheet"), TextKey::Paragraph,
                                        TextSymbolHelpContexts[TsParagraphPage]);
    QWidget* tabs = Pages->AddPage(QStringLiteral("TabSheet"), TextKey::Tabulator, TextSymbolHelpContexts[TsTabPage]);
    QWidget* below = Pages->AddPage(QStringLiteral("LineBelowSheet"), TextKey::LineBelow,
                                    TextSymbolHelpContexts[TsLineBelowPage]);
    QWidget* framing = Pages->AddPage(QStringLiteral("FramingSheet"), TextKey::Framing,
                                      TextSymbolHelpContexts[TsFramingPage]);
    const QString mm = QStringLiteral("mm");

    // General.
    {
        auto* column = new QVBoxLayout(general);
        AddFontFields(general, column, TextSizeMax, TextCharHeightMax);
        NorthB = Named<QCheckBox>("NorthB", Text(TextKey::OrientNorth), general);
        column->addWidget(NorthB);
        CourseGrp = Named<QGroupBox>("CourseGrp", SymDlgText(TextKey::CourseSetting), general);
        auto* course = new QHBoxLayout(CourseGrp);
        CsModeB = Named<QCheckBox>("CsModeB", SymDlgText(TextKey::CourseSettingSym), CourseGrp);
        CsObjTypeB = Named<QComboBox>("CsObjTypeB", CourseGrp);
        for (TextKey k : {TextKey::CourseTitle, TextKey::StartNumber})
            CsObjTypeB->addItem(SymDlgText(k));
        course->addWidget(CsModeB);
        course->addWidget(CsObjTypeB);
        course->addStretch(1);
        column->addWidget(CourseGrp);
        connect(CsObjTypeB, &QComboBox::activated, CsModeB, [this] { CsModeB->setChecked(true); });
        column->addStretch(1);
    }
    // Paragraph.
    {
        auto* row = new QHBoxLayout(paragraph);
        auto* column = new QVBoxLayout;
        QGridLayout* g = AddFieldGrid(paragraph, column);
        AddSpacingFields(g, paragraph);
        AlignmentB = Named<QComboBox>("AlignmentB", paragraph);
        AlignmentB->addItems(Text(TextKey::TextAlign).split(u';'));
        const int r = g->rowCount();
        g->addWidget(new QLabel(SymDlgText(TextKey::Alignment) + u':', paragraph), r, 0);
        g->addWidget(AlignmentB, r, 1, 1, 3);
        LineSpaceB = AddIntField(g, QStringLiteral("LineSpace"), TextKey::LineSpace, LineSpacingMin, LineSpacingMax,
                                 SymDlgText(TextKey::OfFontSize), paragraph);
        ParaSpaceB = AddRealField(g, QStringLiteral("ParaSpace"), TextKey::ParaSpace, ParaSpaceMin / 100.0,
                                  ParaSpaceMax / 100.0, 2, mm, paragraph);
        IndentFirstB = AddMmField(g, QStringLiteral("IndentFirst"), TextKey::IndentFirst, IndentMax, paragraph);
        IndentOtherB = AddMmField(g, QStringLiteral("IndentOther"), TextKey::IndentOther, IndentMax, paragraph);
        column->addStretch(1);
        row->addLayout(column);
        ParagraphPreview = Named<TSymPreview>(
            "ParagraphPreview", paragraph,
            [this](QPainter& p, const QRectF& box) {
                PaintParagraphSample(p, box, {std::max(AlignmentB->currentIndex(), 0), LineSpaceB.Value(),
                                              Hundredths(ParaSpaceB.Value()), Hundredths(IndentFirstB.Value()),
                                              Hundredths(IndentOtherB.Value())});
            },
            ParagraphPreviewSize);
        row->addWidget(ParagraphPreview, 0, Qt::AlignTop);
        for (QWidget* w : {static_cast<QWidget*>(AlignmentB), static_cast<QWidget*>(LineSpaceB.edit),
                           static_cast<QWidget*>(ParaSpaceB.edit), static_cast<QWidget*>(IndentFirstB.edit),
                           static_cast<QWidget*>(IndentOtherB.edit)})
            Watch(w, {ParagraphPreview});
    }
    // Tabulators.
    {
        auto* row = new QHBoxLayout(tabs);
        auto* column = new QVBoxLayout;
        PositionB = AddRealField(AddFieldGrid(tabs, column), QStringLiteral("Position"), TextKey::Position, 0,
                                 TabPositionMax / 100.0, 1, mm, tabs);
        auto* add = Named<QPushButton>("AddBtn", Text(TextKey::Add), tabs);
        auto* del = Named<QPushButton>("DeleteBtn", Text(TextKey::Delete), tabs);
        column->addWidget(add);
        column->addWidget(del);
        column->addStretch(1);
        row->addLayout(column);
        TabListB = Named<QListWidget>("TabListB", tabs);
        row->addWidget(TabListB);
        connect(add, &QPushButton::clicked, this, [this] { AddTabClick(); });
        connect(del, &QPushButton::clicked, this, [this] { DeleteTabClick(); });
    }
    // Line below.
    {
        auto* row = new QHBoxLayout(below);
        auto* column = new QVBoxLayout;
        LBOnB = Named<QCheckBox>("LBOnB", Text(TextKey::On), below);
        column->addWidget(LBOnB);
        QGridLayout* g = AddFieldGrid(below, column);
        LBColorB = AddColorCombo(g, QStringLiteral("LBColorB"), TextKey::Color);
        LBWidthB = AddMmField(g, QStringLiteral("LBWidth"), TextKey::Width, LineBelowWidthMax, below);
        LBDistB = AddMmField(g, QStringLiteral("LBDist"), TextKey::DistFromText, LineBelowDistMax, below);
        column->addStretch(1);
        row->addLayout(column);
        LineBelowPreview = Named<TSymPreview>(
            "LineBelowPreview", below,
            [this](QPainter& p, const QRectF& box) {
                PaintLineBelowSample(p, box, {LBOnB->isChecked(), Hundredths(LBWidthB.Value()),
                                              Hundredths(LBDistB.Value()), ScreenColorOf(GetComboColor(LBColorB))});
            },
            LineBelowPreviewSize);
        row->addWidget(LineBelowPreview, 0, Qt::AlignTop);
        for (QWidget* w : {static_cast<QWidget*>(LBOnB), static_cast<QWidget*>(LBColorB),
                           static_cast<QWidget*>(LBWidthB.edit), static_cast<QWidget*>(LBDistB.edit)})
            Watch(w, {LineBelowPreview});
    }
    // Framing.
    {
        auto* column = new QVBoxLayout(framing);
        auto* modes = new QHBoxLayout;
        FramingB = new QButtonGroup(framing);
        static constexpr const char* Names[] = {"FrOffB", "FrShadowB", "FrLineB", "FrRectB"};
        static constexpr TextKey Captions[] = {TextKey::Off, TextKey::Shadow, TextKey::Line, TextKey::Rectangle};
        for (int i = 0; i < 4; ++i) {
            auto* r = Named<QRadioButton>(Names[i], SymDlgText(Captions[i]), framing);
            FramingB->addButton(r, i);
            modes->addWidget(r);
        }
        modes->addStretch(1);
        column->addLayout(modes);
        QGridLayout* g = AddFieldGrid(framing, column);
        FrColorB = AddColorCombo(g, QStringLiteral("FrColorB"), TextKey::Color);
        FrWidthB = AddMmField(g, QStringLiteral("FrWidth"), TextKey::Width, FramingWidthMax, framing);
        const double border = FrameBorderMax / 100.0, shadow = ShadowOffsetMax / 100.0;
        const std::tuple<const char*, TextKey, size_t, double> signedLengths[] = {
            {"FrLeft", TextKey::Left, TsFrameLeft, border},    {"FrBottom", TextKey::Bottom, TsFrameBottom, border},
            {"FrRight", TextKey::Right, TsFrameRight, border}, {"FrTop", TextKey::Top, TsFrameTop, border},
            {"FrOfx", TextKey::Horizontally, TsShadowX, shadow}, {"FrOfy", TextKey::Vertically, TsShadowY, shadow}};
        for (const auto& [name, label, offset, max] : signedLengths)
            framing_.emplace_back(AddRealField(g, QLatin1String(name), label, -max, max, 2, mm, framing), offset);
        column->addStretch(1);
    }
    AddButtons();
}

void TTextSymDlg::FillFields()
{
    const SymbolBytes& w = Work();
    FillFontFields();
    NorthB->setChecked((SymU8(w, SymFlags) & SymRotatableFlag) == 0);
    const bool courseMap = Index.ActiveZmd && Index.ActiveZmd->CourseMap;
    CourseGrp->setVisible(courseMap);
    CsModeB->setChecked(SymU8(w, SymCsRole) == CsTextRole);
    CsObjTypeB->setCurrentIndex(CsTextTypeEntry(SymU8(w, SymCsType)));
    const int align = SymI16(w, TsAlignment);
    AlignmentB->setCurrentIndex(align >= 0 && align < TextAlignEntries ? align : 0);
    LineSpaceB.SetValue(SymI16(w, TsLineSpacing));
    ParaSpaceB.SetValue(SymI16(w, TsParaSpace) / 100.0);
    IndentFirstB.SetValue(SymI16(w, TsFirstIndent) / 100.0);
    IndentOtherB.SetValue(SymI16(w, TsOtherIndent) / 100.0);
    tabs_ = ReadTabs(w);
    PositionB.edit->clear();
    FillTabList();
    LBOnB->setChecked(SymI16(w, TsLineBelowOn) != 0);
    const std::vector<ComboColor> colors = MapComboColors();
    FillColorCombo(LBColorB, colors, SymI16(w, TsLineBelowColor));
    LBWidthB.SetValue(SymI16(w, TsLineBelowWidth) / 100.0);
    LBDistB.SetValue(SymI16(w, TsLineBelowDist) / 100.0);
    const int mode = SymU8(w, TsFramingMode);
    FramingB->button(mode <= FramingRect ? mode : FramingOff)->setChecked(true);
    FillColorCombo(FrColorB, colors, SymI16(w, TsFramingColor));
    FrWidthB.SetValue(SymI16(w, TsFramingWidth) / 100.0);
    for (const auto& [field, offset] : framing_)
        field.SetValue(SymI16(w, offset) / 100.0);
}

bool TTextSymDlg::CheckPage(int page)
{
    switch (page) {
    case TsGeneralPage:
        return CheckFontFields();
    case TsParagraphPage:
        return CheckSpacingFields() && Check(LineSpaceB) && Check(ParaSpaceB) && Check(IndentFirstB)
            && Check(IndentOtherB);
    case TsTabPage:
        return Check(PositionB);
    case TsLineBelowPage:
        return Check(LBWidthB) && Check(LBDistB);
    case TsFramingPage:
        if (!Check(FrWidthB))
            return false;
        for (const auto& [field, offset] : framing_)
            if (!Check(field))
                return false;
        return true;
    default:
        return true;
    }
}

void TTextSymDlg::ReadFields()
{
    SymbolBytes& w = Work();
    ReadFontFields();
    if (Edited(NorthB))
        SetSymU8(w, SymFlags, WithNorth(SymU8(w, SymFlags), NorthB->isChecked()));
    // Other maps neither show nor change the course fields; the role and the type are one
    // choice.
    if (!CourseGrp->isHidden() && (Edited(CsModeB) || Edited(CsObjTypeB))) {
        SetSymU8(w, SymCsRole, CsModeB->isChecked() ? CsTextRole : 0);
        SetSymU8(w, SymCsType, uint8_t(CsTextTypeOfEntry(CsObjTypeB->currentIndex())));
    }
    if (Edited(AlignmentB))
        SetSymI16(w, TsAlignment, int16_t(std::max(AlignmentB->currentIndex(), 0)));
    if (Edited(LineSpaceB))
        SetSymI16(w, TsLineSpacing, int16_t(LineSpaceB.Value()));
    if (Session().Position < 0 || tabs_ != ReadTabs(w))
        WriteTabs(w, tabs_);
    if (Edited(LBOnB))
        SetSymI16(w, TsLineBelowOn, LBOnB->isChecked() ? -1 : 0);
    if (Edited(LBColorB))
        SetSymI16(w, TsLineBelowColor, int16_t(GetComboColor(LBColorB)));
    if (Edited(FramingB))
        SetSymU8(w, TsFramingMode, uint8_t(std::max(FramingB->checkedId(), 0)));
    if (Edited(FrColorB))
        SetSymI16(w, TsFramingColor, int16_t(GetComboColor(FrColorB)));
    std::vector<std::pair<const RealField*, size_t>> lengths = {
        {&ParaSpaceB, TsParaSpace}, {&IndentFirstB, TsFirstIndent}, {&IndentOtherB, TsOtherIndent},
        {&LBWidthB, TsLineBelowWidth}, {&LBDistB, TsLineBelowDist}, {&FrWidthB, TsFramingWidth}};
    for (const auto& [field, offset] : framing_)
        lengths.emplace_back(&field, offset);
    for (const auto& [field, offset] : lengths)
        if (Edited(*field))
            SetSymI16(w, offset, Hundredths(field->Value()));
}

void TTextSymDlg::FillTabList()
{
    TabListB->clear();
    for (int32_t t : tabs_)
        TabListB->addItem(FloatToFixedStr(1, t / 100.0));
}

void TTextSymDlg::AddTabClick()
{
    if (!PositionB.Check(Pages))
        return;
    if (AddTab(tabs_, int32_t(std::nearbyint(PositionB.Value() * 100))))
        FillTabList();
}

void TTextSymDlg::DeleteTabClick()
{
    const int row = TabListB->currentRow();
    if (row < 0 || size_t(row) >= tabs_.size())
        return;
    tabs_.erase(tabs_.begin() + row);
    FillTabList();
}

} // namespace zemo
