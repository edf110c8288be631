#include "course/widgets/CsPrintDlg.h"

#include "core/Help.h"
#include "core/FieldChecks.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "edit/widgets/MapDlgForm.h"
#include "io/Print.h"
#include "io/PrintRange.h"
#include "io/PrintSys.h"
#include "io/widgets/PrintDlgParts.h"
#include "symbols/widgets/SymDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zemo {

TCsPrintDlg::TCsPrintDlg(QWidget* parent, CsPrintOptions& options) : QDialog(parent), options_(options)
{
    setObjectName(QStringLiteral("CsPrintDlg"));
    setWindowTitle(PlainText(TextKey::PrintCourses));
    auto* layout = new QVBoxLayout(this);
    pages_ = Named(new QTabWidget(this), "PageControl");
    layout->addWidget(pages_);

    // ---- General ----
    generalTab_ = Named(new QWidget(pages_), "GeneralTab");
    auto* general = new QVBoxLayout(generalTab_);
    auto* printerRow = new QHBoxLayout;
    printerB_ = Named(new QComboBox(generalTab_), "PrinterB");
    printerB_->addItems(options_.Printers);
    printerB_->setCurrentIndex(options_.Printer);
    auto* properties = DlgButton(generalTab_, TextKey::Properties, "PropertiesBtn");
    printerRow->addWidget(new QLabel(PlainText(TextKey::PrinterLabel) + u':', generalTab_));
    printerRow->addWidget(printerB_, 1);
    printerRow->addWidget(properties);
    general->addLayout(printerRow);
    connect(properties, &QPushButton::clicked, this, [this] { EditPrinterProperties(printerB_->currentIndex()); });
    connect(printerB_, &QComboBox::currentIndexChanged, this, [](int i) { SelectPrinter(i); });

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(PlainText(TextKey::MapScale) + u':', generalTab_), 0, 0);
    grid->addWidget(Named(new QLabel(ScaleComboText(options_.MapScale), generalTab_), "MapScaleB"), 0, 1);
    printScaleB_ = Named(new QComboBox(generalTab_), "PrintScaleB");
    FillScaleCombo(printScaleB_, options_.PrintScale);
    KeepShown(printScaleB_);
    grid->addWidget(new QLabel(PlainText(TextKey::PrintScale) + u':', generalTab_), 1, 0);
    grid->addWidget(printScaleB_, 1, 1);
    copiesB_ = IntRow(grid, generalTab_, TextKey::Copies, "Copies", MinPrintCopies, MaxPrintCopies, 1,
                      options_.Copies, copiesE_);
    general->addLayout(grid);

    general->addWidget(new QLabel(PlainText(TextKey::Courses) + u':', generalTab_));
    coursesB_ = Named(new QListWidget(generalTab_), "CoursesB");
    coursesB_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int i = 0; i < options_.Entries.size(); ++i) {
        coursesB_->addItem(options_.Entries[i]);
        coursesB_->item(i)->setSelected(i < int(options_.Selected.size()) && options_.Selected[size_t(i)]);
    }
    general->addWidget(coursesB_);
    auto* all = DlgButton(generalTab_, TextKey::SelectAll, "AllBtn");
    general->addWidget(all);
    connect(all, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < coursesB_->count(); ++i)
            coursesB_->item(i)->setSelected(i > 0);
    });

    entireB_ = Named(new QRadioButton(PlainText(TextKey::ViewEntire)), "EntireB");
    partialB_ = Named(new QRadioButton(Text(TextKey::PartialMap)), "PartialB");
    courseOnlyB_ = Named(new QRadioButton(Text(TextKey::PrCourseOnly)), "CourseOnlyB");
    auto* partialSetup = DlgButton(nullptr, TextKey::Setup, "PartialSetupBtn");
    auto* courseSetup = DlgButton(nullptr, TextKey::Setup, "CourseSetupBtn");
    general->addWidget(DlgGroup(generalTab_, "RangeGrp", TextKey::Range,
                                {entireB_, partialB_, partialSetup, courseOnlyB_, courseSetup}));
    (options_.Range == CsPartialMap ? partialB_ : options_.Range == CsCourseAlone ? courseOnlyB_ : entireB_)
        ->setChecked(true);
    connect(partialSetup, &QPushButton::clicked, this, [this] { Setup(partialB_, true); });
    connect(courseSetup, &QPushButton::clicked, this, [this] { Setup(courseOnlyB_, false); });
    pages_->addTab(generalTab_, PlainText(TextKey::General));

    // ---- Options ----
    optionsTab_ = Named(new QWidget(pages_), "OptionsTab");
    auto* opts = new QVBoxLayout(optionsTab_);
    auto* og = new QGridLayout;
    intensityB_ = IntRow(og, optionsTab_, TextKey::Intensity, "Intensity", MinPrintIntensity, MaxPrintIntensity,
                         PrintPercentStep, options_.Intensity, intensityE_, QStringLiteral("%"));
    lineWidthB_ = IntRow(og, optionsTab_, TextKey::LineWidths, "LineWidth", MinPrintLineWidth, MaxPrintLineWidth,
                         PrintPercentStep, options_.LineWidth, lineWidthE_, QStringLiteral("%"));
    opts->addLayout(og);
    gridB_ = Named(new QCheckBox(Text(TextKey::PrintGrid)), "GridB");
    gridB_->setChecked(options_.Grid);
    gridColorB_ = Named(new QComboBox, "GridColorB");
    FillColorCombo(gridColorB_, MapComboColors(), options_.GridColor);
    KeepShown(gridColorB_);
    opts->addWidget(DlgGroup(optionsTab_, "GridGrp", TextKey::Grid, {gridB_, gridColorB_}));
    opts->addStretch();
    pages_->addTab(optionsTab_, PlainText(TextKey::Options));

    // ---- Relay ----
    if (options_.Relay) {
        relayTab_ = Named(new QWidget(pages_), "RelayTab");
        auto* relay = new QVBoxLayout(relayTab_);
        allLegB_ = Named(new QRadioButton(Text(TextKey::AllLegs)), "AllLegB");
        selLegB_ = Named(new QRadioButton(Text(TextKey::Leg) + u':'), "SelLegB");
        auto* legRow = new QWidget;
        auto* lg = new QGridLayout(legRow);
        lg->setContentsMargins(0, 0, 0, 0);
        legNumB_ = IntRow(lg, legRow, TextKey::Leg, "LegNum", 1, MaxStartNumber, 1, options_.Legs.Leg, legNumE_);
        relay->addWidget(DlgGroup(relayTab_, "LegGrp", TextKey::Legs, {allLegB_, selLegB_, legRow}));
        allNumB_ = Named(new QRadioButton(Text(TextKey::AllNum)), "AllNumB");
        selNumB_ = Named(new QRadioButton(Text(TextKey::Numbers) + u':'), "SelNumB");
        startNumE_ = Named(new QLineEdit(options_.Legs.Numbers), "StartNumE");
        auto* hint = Named(new QLabel(PlainText(TextKey::EnterNum)), "EnterNumL");
        relay->addWidget(DlgGroup(relayTab_, "NumGrp", TextKey::StartNumbers, {allNumB_, selNumB_, startNumE_, hint}));
        relay->addStretch();
        (options_.Legs.AllLegs ? allLegB_ : selLegB_)->setChecked(true);
        (options_.Legs.AllNumbers ? allNumB_ : selNumB_)->setChecked(true);
        pages_->addTab(relayTab_, PlainText(TextKey::Relay));
    }
    // Leaving a page checks its fields first; a field out of range keeps its page.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == shownPage_)
            return;
        pages_->blockSignals(true);
        pages_->setCurrentIndex(shownPage_);
        if (Validate()) {
            pages_->setCurrentIndex(page);
            shownPage_ = page;
        }
        pages_->blockSignals(false);
    });

    auto* buttons = new QDialogButtonBox(this);
    auto* print = Named(buttons->addButton(PlainText(TextKey::Print), QDialogButtonBox::AcceptRole), "PrintBtn");
    auto* close = Named(buttons->addButton(PlainText(TextKey::Close), QDialogButtonBox::RejectRole), "CloseBtn");
    auto* help = Named(buttons->addButton(PlainText(TextKey::Help), QDialogButtonBox::HelpRole), "HelpBtn");
    print->setDefault(true);
    layout->addWidget(buttons);
    disconnect(buttons, nullptr, this, nullptr);
    connect(print, &QPushButton::clicked, this, [this] { Print(); });
    connect(close, &QPushButton::clicked, this, [this] { CloseDialog(); });
    connect(help, &QPushButton::clicked, this, [this] { ShowHelpContext(HelpContext()); });
}

int TCsPrintDlg::HelpContext() const
{
    QWidget* page = pages_->currentWidget();
    return page == optionsTab_ ? CsPrintOptionsHelpContext
         : page == relayTab_ && relayTab_ ? CsPrintRelayHelpContext
                                          : CsPrintHelpContext;
}

void TCsPrintDlg::ShowPage(QWidget* page)
{
    pages_->blockSignals(true);
    pages_->setCurrentWidget(page);
    shownPage_ = pages_->currentIndex();
    pages_->blockSignals(false);
}

bool TCsPrintDlg::Validate()
{
    if (!CheckRealEdit(printScaleB_->lineEdit(), PlainText(TextKey::PrintScale), options_.MapScale / 10,
                       options_.MapScale * 10)
        || !CheckIntUpDown(copiesB_, PlainText(TextKey::Copies), {})) {
        ShowPage(generalTab_);
        return false;
    }
    if (!CheckIntUpDown(intensityB_, PlainText(TextKey::Intensity), {})
        || !CheckIntUpDown(lineWidthB_, PlainText(TextKey::LineWidths), {})) {
        ShowPage(optionsTab_);
        return false;
    }
    if (!relayTab_)
        return true;
    if (selLegB_->isChecked() && !CheckIntUpDown(legNumB_, PlainText(TextKey::Leg), {})) {
        ShowPage(relayTab_);
        return false;
    }
    int from = 0, to = 0;
    if (selNumB_->isChecked() && !ParseStartNumbers(startNumE_->text(), from, to)) {
        ShowPage(relayTab_);
        ShowNoNumber(PlainText(TextKey::Numbers));
        startNumE_->setFocus();
        return false;
    }
    return true;
}

void TCsPrintDlg::Collect()
{
    options_.Printer = printerB_->currentIndex();
    double scale = 0;
    if (!LeftAsShown(printScaleB_) && TryPointStrToFloat(printScaleB_->currentText(), scale))
        options_.PrintScale = scale;
    options_.Copies = copiesB_->Value();
    options_.Selected.assign(size_t(coursesB_->count()), false);
    for (int i = 0; i < coursesB_->count(); ++i)
        options_.Selected[size_t(i)] = coursesB_->item(i)->isSelected();
    options_.Range = partialB_->isChecked() ? CsPartialMap : courseOnlyB_->isChecked() ? CsCourseAlone : CsEntireMap;
    options_.Intensity = intensityB_->Value();
    options_.LineWidth = lineWidthB_->Value();
    options_.Grid = gridB_->isChecked();
    if (!LeftAsShown(gridColorB_))
        options_.GridColor = GetComboColor(gridColorB_);
    if (relayTab_) {
        options_.Legs.AllLegs = allLegB_->isChecked();
        options_.Legs.Leg = legNumB_->Value();
        options_.Legs.AllNumbers = allNumB_->isChecked();
        options_.Legs.Numbers = startNumE_->text();
    }
}

void TCsPrintDlg::Save()
{
    Collect();
    SaveCsPrintOptions(options_);
}

void TCsPrintDlg::Setup(QRadioButton* range, bool partial)
{
    if (!Validate())
        return;
    range->setChecked(true);
    Save();
    if (!CheckPrinter(options_.Printer))
        return;
    // Define places the rectangle on the map: this dialog closes without printing.
    const bool define = partial ? EditPrintRange() == RangeAnswer::Define
                                : EditCourseOnlyPrint() == CourseOnlyAnswer::Define;
    if (define)
        reject();
}

void TCsPrintDlg::Print()
{
    if (!Validate())
        return;
    Save();
    // Declined: the dialog stays for another print scale.
    if (!ConfirmPrintScale(options_)) {
        printScaleB_->setFocus();
        return;
    }
    printed_ = true;
    accept();
}

void TCsPrintDlg::CloseDialog()
{
    if (!Validate())
        return;
    Save();
    reject();
}

bool ExecCsPrintDlg(QWidget* parent, CsPrintOptions& options)
{
    TCsPrintDlg dlg(parent, options);
    dlg.exec();
    return dlg.Printed();
}

} // namespace zemo
