#include "io/widgets/PrintDlg.h"
#include "io/widgets/PrintDlgParts.h"

#include "core/Help.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "edit/widgets/MapDlgForm.h"
#include "io/PrintRange.h"
#include "io/PrintSys.h"
#include "io/ExpRange.h"
#include "symbols/widgets/SymDlg.h"

#include <QButtonGroup>
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


TPrintDlg::TPrintDlg(QWidget* parent, PrintOptions& options) : QDialog(parent), options_(options)
{
    setObjectName(QStringLiteral("PrintDlg"));
    setWindowTitle(PlainText(TextKey::Print));
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
    // Another printer drops what was set for the one before.
    connect(printerB_, &QComboBox::currentIndexChanged, this, [this](int i) {
        SelectPrinter(i);
        ShowToFile();
    });

    colorMapB_ = Named(new QRadioButton(Text(TextKey::ColorMap)), "ColorMapB");
    spotSepB_ = Named(new QRadioButton(Text(TextKey::SpotColorSep)), "SpotSepB");
    general->addWidget(DlgGroup(generalTab_, "PrintGrp", TextKey::Print, {colorMapB_, spotSepB_}));
    separationB_ = Named(new QListWidget(generalTab_), "SeparationB");
    separationB_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int i = 0; i < options_.SeparationNames.size(); ++i) {
        separationB_->addItem(options_.SeparationNames[i]);
        separationB_->item(i)->setSelected(i < int(options_.Selected.size()) && options_.Selected[size_t(i)]);
    }
    general->addWidget(separationB_);
    (options_.Separations ? spotSepB_ : colorMapB_)->setChecked(true);
    connect(spotSepB_, &QRadioButton::clicked, this, [this] { separationB_->setFocus(); });

    entireB_ = Named(new QRadioButton(Text(TextKey::EntireMap)), "EntireB");
    partialB_ = Named(new QRadioButton(Text(TextKey::PartialMap)), "PartialB");
    onePageB_ = Named(new QRadioButton(Text(TextKey::OnePage)), "OnePageB");
    auto* partialBtn = DlgButton(nullptr, TextKey::SetupBtn, "PartialBtn");
    auto* onePageBtn = DlgButton(nullptr, TextKey::SetupBtn, "OnePageBtn");
    auto* rangeGrp = DlgGroup(generalTab_, "RangeGrp", TextKey::Range, {entireB_, partialB_, partialBtn, onePageB_, onePageBtn});
    general->addWidget(rangeGrp);
    (options_.Range == PartialMapRange ? partialB_ : options_.Range == OnePageRange ? onePageB_ : entireB_)
        ->setChecked(true);
    connect(partialBtn, &QPushButton::clicked, this, [this] { Partial(); });
    connect(onePageBtn, &QPushButton::clicked, this, [this] { OnePage(); });

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
    toFileB_ = Named(new QCheckBox(Text(TextKey::PrintToFile), generalTab_), "ToFileB");
    toFileB_->setChecked(options_.ToFile);
    wantsFile_ = options_.ToFile;
    connect(toFileB_, &QCheckBox::toggled, this, [this](bool on) {
        if (toFileB_->isEnabled())
            wantsFile_ = on;
    });
    ShowToFile();
    general->addWidget(toFileB_);
    pages_->addTab(generalTab_, PlainText(TextKey::General));

    // ---- Options ----
    optionsTab_ = Named(new QWidget(pages_), "OptionsTab");
    auto* opts = new QVBoxLayout(optionsTab_);
    auto* og = new QGridLayout;
    intensityB_ = IntRow(og, optionsTab_, TextKey::Intensity, "Intensity", MinPrintIntensity,
                         MaxPrintIntensity, PrintPercentStep, options_.Intensity, intensityE_, QStringLiteral("%"));
    lineWidthB_ = IntRow(og, optionsTab_, TextKey::LineWidth, "LineWidth", MinPrintLineWidth,
                         MaxPrintLineWidth, PrintPercentStep, options_.LineWidth, lineWidthE_, QStringLiteral("%"));
    opts->addLayout(og);
    gridB_ = Named(new QCheckBox(Text(TextKey::PrintGrid)), "GridB");
    gridB_->setChecked(options_.Grid);
    gridColorB_ = Named(new QComboBox, "GridColorB");
    FillColorCombo(gridColorB_, MapComboColors(), options_.GridColor);
    KeepShown(gridColorB_);
    opts->addWidget(DlgGroup(optionsTab_, "GridGrp", TextKey::GridColor, {gridB_, gridColorB_}));
    opts->addStretch();
    pages_->addTab(optionsTab_, PlainText(TextKey::Options));
    // A field out of range keeps its page.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == shownPage_)
            return;
        const int target = page;
        pages_->blockSignals(true);
        pages_->setCurrentIndex(shownPage_);
        const bool ok = Validate();
        if (ok) {
            pages_->setCurrentIndex(target);
            shownPage_ = target;
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

void TPrintDlg::ShowToFile()
{
    // The choice stays for the printers where it means something.
    const bool offered = OffersPrintToFile(printerB_->currentIndex());
    toFileB_->setEnabled(offered);
    toFileB_->setChecked(offered && wantsFile_);
}

int TPrintDlg::HelpContext() const
{
    return pages_->currentWidget() == optionsTab_ ? PrintOptionsHelpContext : PrintGeneralHelpContext;
}

bool TPrintDlg::Validate()
{
    if (!CheckRealEdit(printScaleB_->lineEdit(), PlainText(TextKey::PrintScale), options_.MapScale / 10,
                       options_.MapScale * 10)) {
        pages_->setCurrentWidget(generalTab_);
        shownPage_ = 0;
        return false;
    }
    if (!CheckIntUpDown(copiesB_, PlainText(TextKey::Copies), {})) {
        pages_->setCurrentWidget(generalTab_);
        shownPage_ = 0;
        return false;
    }
    for (TIntUpDown* spin : {intensityB_, lineWidthB_})
        if (!CheckIntUpDown(spin, PlainText(spin == intensityB_ ? TextKey::Intensity : TextKey::LineWidth), {})) {
            pages_->setCurrentWidget(optionsTab_);
            shownPage_ = 1;
            return false;
        }
    return true;
}

void TPrintDlg::Collect()
{
    options_.Printer = printerB_->currentIndex();
    options_.Separations = spotSepB_->isChecked();
    options_.Selected.assign(size_t(separationB_->count()), false);
    for (int i = 0; i < separationB_->count(); ++i)
        options_.Selected[size_t(i)] = separationB_->item(i)->isSelected();
    options_.Range = partialB_->isChecked() ? PartialMapRange : onePageB_->isChecked() ? OnePageRange : EntireMapRange;
    double scale = 0;
    if (!LeftAsShown(printScaleB_) && TryPointStrToFloat(printScaleB_->currentText(), scale))
        options_.PrintScale = scale;
    options_.Copies = copiesB_->Value();
    options_.ToFile = wantsFile_;
    options_.Intensity = intensityB_->Value();
    options_.LineWidth = lineWidthB_->Value();
    options_.Grid = gridB_->isChecked();
    if (!LeftAsShown(gridColorB_))
        options_.GridColor = GetComboColor(gridColorB_);
}

void TPrintDlg::Save()
{
    Collect();
    SavePrintOptions(options_);
}

void TPrintDlg::Partial()
{
    if (!Validate())
        return;
    partialB_->setChecked(true);
    Save();
    if (!CheckPrinter(options_.Printer))
        return;
    // Define drags the rectangle on the map: this dialog closes without printing.
    if (EditPrintRange() == RangeAnswer::Define)
        reject();
}

void TPrintDlg::OnePage()
{
    if (!Validate())
        return;
    onePageB_->setChecked(true);
    Save();
    if (!CheckPrinter(options_.Printer))
        return;
    // Define places the page on the map: this dialog closes without printing.
    if (ShowOnePageDialog() == RangeAnswer::Define)
        reject();
}

void TPrintDlg::Print()
{
    if (!Validate())
        return;
    Save();
    printed_ = true;
    accept();
}

void TPrintDlg::CloseDialog()
{
    if (!Validate())
        return;
    Save();
    reject();
}

bool ExecPrintDlg(QWidget* parent, PrintOptions& options)
{
    TPrintDlg dlg(parent, options);
    dlg.exec();
    return dlg.Printed();
}

} // namespace zemo
