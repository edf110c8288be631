#include "io/widgets/ExportDlgs.h"

#include "io/widgets/PrintDlgParts.h"
#include "core/FieldChecks.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "io/widgets/RangeRows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

// The new scale of an export lies within this factor of the map's scale either way.
constexpr double MaxScaleFactor = 10;

// A group box of exclusive radio buttons.
QGroupBox* RadioGroup(QWidget* parent, const char* name, TextKey caption,
                      std::initializer_list<QRadioButton*> buttons)
{
    auto* g = new QGroupBox(caption == TextKey::Count ? QString() : PlainText(caption), parent);
    g->setObjectName(QString::fromLatin1(name));
    auto* box = new QVBoxLayout(g);
    auto* exclusive = new QButtonGroup(g);
    for (QRadioButton* b : buttons) {
        b->setParent(g);
        box->addWidget(b);
        exclusive->addButton(b);
    }
    return g;
}

} // namespace

// ---- EPS ----

TExpEpsDlg::TExpEpsDlg(QWidget* parent, EpsOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ExpEpsDlg"), TextKey::ExportEps, ExpEpsHelpContext),
      options_(options)
{
    resolB_ = new QComboBox(this);
    resolB_->setObjectName(QStringLiteral("ResolB"));
    resolB_->setEditable(true);
    for (const char* item : {"75", "100", "150", "200", "300"})
        resolB_->addItem(QString::fromLatin1(item));
    resolB_->setEditText(QString::number(options_.Resolution));
    AddRow(TextKey::RasterResol, resolB_, new QLabel(QStringLiteral("dpi"), this));

    colorB_ = DlgRadio(this, TextKey::ColorEps, "ColorB");
    spotB_ = DlgRadio(this, TextKey::SpotColorSep, "SpotB");
    AddWidget(RadioGroup(this, "ExportGrp", TextKey::Export, {colorB_, spotB_}));
    separationB_ = new QListWidget(this);
    separationB_->setObjectName(QStringLiteral("SeparationB"));
    separationB_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int i = 0; i < options_.SeparationNames.size(); ++i) {
        separationB_->addItem(options_.SeparationNames[i]);
        separationB_->item(i)->setSelected(i < int(options_.Selected.size()) && options_.Selected[size_t(i)]);
    }
    AddWidget(separationB_);
    const bool separations = !options_.SeparationNames.isEmpty();
    (options_.Separations && separations ? spotB_ : colorB_)->setChecked(true);
    // Choosing separations means exporting them.
    connect(separationB_, &QListWidget::itemClicked, this, [this] {
        if (separationB_->count() > 0)
            spotB_->setChecked(true);
    });

    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    partialB_ = new QCheckBox(Text(TextKey::PartialMap), row);
    partialB_->setObjectName(QStringLiteral("PartialB"));
    partialB_->setChecked(options_.Partial);
    auto* setup = DlgButton(row, TextKey::SetupBtn, "SetupBtn");
    h->addWidget(partialB_);
    h->addWidget(setup);
    AddWidget(row);
    connect(setup, &QPushButton::clicked, this, [this] { SetupRange(); });

    auto* mapScaleB = new QLabel(ScaleComboText(options_.MapScale), this);
    mapScaleB->setObjectName(QStringLiteral("MapScaleB"));
    AddRow(TextKey::MapScale, mapScaleB);
    expScaleB_ = new QComboBox(this);
    expScaleB_->setObjectName(QStringLiteral("ExpScaleB"));
    FillScaleCombo(expScaleB_, options_.ExportScale);
    AddRow(TextKey::ExportScale, expScaleB_);
    AddButtons();
}

bool TExpEpsDlg::Validate()
{
    if (!CheckDpiEdit(resolB_->lineEdit(), PlainText(TextKey::RasterResol), MinEpsResolution,
                      MaxEpsResolution))
        return false;
    return CheckRealEdit(expScaleB_->lineEdit(), PlainText(TextKey::ExportScale),
                         options_.MapScale / MaxScaleFactor, options_.MapScale * MaxScaleFactor);
}

void TExpEpsDlg::Collect()
{
    int resolution = options_.Resolution;
    if (TryTrimStrToInt(resolB_->currentText(), resolution))
        options_.Resolution = resolution;
    double scale = 0;
    if (TryPointStrToFloat(expScaleB_->currentText(), scale))
        options_.ExportScale = scale;
    options_.Separations = spotB_->isChecked();
    options_.Selected.assign(size_t(separationB_->count()), false);
    for (int i = 0; i < separationB_->count(); ++i)
        options_.Selected[size_t(i)] = separationB_->item(i)->isSelected();
    options_.Partial = partialB_->isChecked();
}

void TExpEpsDlg::SetupRange()
{
    if (!Validate())
        return;
    const RangeAnswer answer = EditExportRange(EpsRangeCaller);
    if (answer != RangeAnswer::Cancel)
        partialB_->setChecked(true);
    Collect();
    SaveEpsOptions(options_);
    // The user places the rectangle on the map now: this dialog closes without exporting.
    if (answer == RangeAnswer::Define)
        reject();
}

void TExpEpsDlg::accept()
{
    if (!Validate())
        return;
    Collect();
    QDialog::accept();
}

bool ExecExpEpsDlg(QWidget* parent, EpsOptions& options)
{
    TExpEpsDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

// ---- Illustrator ----

TExpAiDlg::TExpAiDlg(QWidget* parent, AiOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ExpAiDlg"), TextKey::ExportAI, ExpAiHelpContext),
      options_(options)
{
    cmykB_ = DlgRadio(this, TextKey::CmykColors, "CmykB");
    spotB_ = DlgRadio(this, TextKey::SpotColors, "SpotB");
    AddWidget(RadioGroup(this, "ColorsB", TextKey::Count, {cmykB_, spotB_}));
    spotB_->setEnabled(options_.SpotAllowed);
    (options_.SpotColors && options_.SpotAllowed ? spotB_ : cmykB_)->setChecked(true);
    AddButtons();
}

void TExpAiDlg::accept()
{
    options_.SpotColors = spotB_->isChecked() && options_.SpotAllowed;
    QDialog::accept();
}

bool ExecExpAiDlg(QWidget* parent, AiOptions& options)
{
    TExpAiDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

// ---- Partial map ----

TPartialDlg::TPartialDlg(QWidget* parent, PartialEdit& edit)
    : TMapDlgForm(parent, QStringLiteral("PartialDlg"), TextKey::ExportPartial, PartialHelpContext),
      edit_(edit), rows_(new TRangeRows(this))
{
    auto* boundsB = new QGroupBox(PlainText(TextKey::Bounds), this);
    boundsB->setObjectName(QStringLiteral("BoundsB"));
    auto* v = new QVBoxLayout(boundsB);
    rows_->setParent(boundsB);
    v->addWidget(rows_);
    auto* entire = DlgButton(boundsB, TextKey::EntireMap, "EntireMapBtn");
    v->addWidget(entire);
    AddWidget(boundsB);
    rectBoundB_ = DlgRadio(this, TextKey::RectBounds, "RectBoundB");
    objBoundB_ = DlgRadio(this, TextKey::ObjBounds, "ObjBoundB");
    AddWidget(RadioGroup(this, "BoundKindB", TextKey::Count, {rectBoundB_, objBoundB_}));
    objBoundB_->setEnabled(edit_.ObjectAllowed());
    rectBoundB_->setChecked(true);
    auto* define = DlgButton(this, TextKey::DefineBounds, "DefineBtn");
    AddWidget(define);
    AddButtons();

    rows_->SetLimits({-PartialRangeMm, PartialRangeMm, -PartialRangeMm, PartialRangeMm},
                     QStringLiteral("mm"));
    rows_->SetFields(edit_.Fields());
    shown_ = rows_->Fields();
    connect(entire, &QPushButton::clicked, this, [this] {
        edit_.EntireMap();
        rows_->SetFields(edit_.Fields());
        rectBoundB_->setChecked(true);
    });
    connect(define, &QPushButton::clicked, this, [this] {
        if (!StoreChecked())
            return;
        answer_ = RangeAnswer::Define;
        QDialog::accept();
    });
}

bool TPartialDlg::StoreChecked()
{
    if (!rows_->Check())
        return false;
    // Fields left as shown keep the range as the map holds it, unrounded.
    if (rows_->Fields() != shown_)
        edit_.Store(rows_->Fields());
    edit_.ObjectBoundary = objBoundB_->isChecked() && edit_.ObjectAllowed();
    return true;
}

void TPartialDlg::accept()
{
    if (!StoreChecked())
        return;
    answer_ = RangeAnswer::Ok;
    QDialog::accept();
}

RangeAnswer ExecPartialDlg(QWidget* parent, PartialEdit& edit)
{
    TPartialDlg dlg(parent, edit);
    return dlg.exec() == QDialog::Accepted ? dlg.Answer() : RangeAnswer::Cancel;
}

} // namespace zemo
