#include "io/widgets/TiffDlgs.h"

#include "io/widgets/PrintDlgParts.h"
#include "core/StringX.h"
#include "io/ExpRange.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zemo {

namespace {

constexpr int TiffRangeCaller = 2;

QCheckBox* Check(QWidget* parent, const QString& caption, const char* name)
{
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QGroupBox* Group(QWidget* parent, const char* name, TextKey caption, QRadioButton* a, QRadioButton* b)
{
    auto* g = new QGroupBox(PlainText(caption), parent);
    g->setObjectName(QString::fromLatin1(name));
    auto* box = new QVBoxLayout(g);
    auto* exclusive = new QButtonGroup(g);
    for (QRadioButton* r : {a, b}) {
        r->setParent(g);
        box->addWidget(r);
        exclusive->addButton(r);
    }
    return g;
}

// A check box with its set-up button beside it.
QWidget* WithButton(QWidget* parent, QCheckBox* box, QPushButton* button)
{
    auto* row = new QWidget(parent);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    box->setParent(row);
    button->setParent(row);
    h->addWidget(box);
    h->addWidget(button);
    return row;
}

QPushButton* SetupButton(QWidget* parent, const char* name)
{
    auto* b = new QPushButton(PlainText(TextKey::SetupBtn) + QStringLiteral("..."), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TExpTiffDlg::TExpTiffDlg(QWidget* parent, TiffOptions& options)
    : TMapDlgForm(parent, QStringLiteral("ExpTiffDlg"), TextKey::ExportTiff, ExpTiffHelpContext), options_(options)
{
    colorB_ = DlgRadio(this, TextKey::ColorTiff, "ColorB");
    spotB_ = DlgRadio(this, TextKey::SpotColorSep, "SpotB");
    AddWidget(Group(this, "ExportGrp", TextKey::Export, colorB_, spotB_));
    combineB_ = Check(this, Text(TextKey::Combine), "CombineB");
    AddWidget(combineB_);
    separationB_ = new QListWidget(this);
    separationB_->setObjectName(QStringLiteral("SeparationB"));
    separationB_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int i = 0; i < options_.SeparationNames.size(); ++i) {
        separationB_->addItem(options_.SeparationNames[i]);
        separationB_->item(i)->setSelected(i < int(options_.Selected.size()) && options_.Selected[size_t(i)]);
    }
    AddRow(TextKey::SpotColors, separationB_);
    spotB_->setEnabled(!options_.SeparationNames.isEmpty());
    (options_.Separations && spotB_->isEnabled() ? spotB_ : colorB_)->setChecked(true);
    combineB_->setChecked(options_.Combine);

    noGeoB_ = DlgRadio(this, TextKey::TiffNoGeo, "NoGeoB");
    geoB_ = DlgRadio(this, TextKey::GeoTiff, "GeoB");
    AddWidget(Group(this, "TypeGrp", TextKey::TiffType, noGeoB_, geoB_));
    resolB_ = new QComboBox(this);
    resolB_->setObjectName(QStringLiteral("ResolB"));
    resolB_->setEditable(true);
    for (const char* item : {"75", "100", "150", "200", "300"})
        resolB_->addItem(QString::fromLatin1(item));
    resolB_->setEditText(options_.Resolution);
    AddRow(TextKey::Resolution, resolB_, new QLabel(QStringLiteral("dpi"), this));
    pixelSizeB_ = new QLineEdit(this);
    pixelSizeB_->setObjectName(QStringLiteral("PixelSizeB"));
    // Shown with the locale's decimal separator; either is taken back.
    pixelSizeB_->setText(QString(options_.PixelSize).replace(u'.', QLocale().decimalPoint()));
    AddRow(TextKey::PixelSize, pixelSizeB_, new QLabel(QStringLiteral("m"), this));
    tfwB_ = Check(this, Text(TextKey::CreateTfw), "TfwB");
    tfwB_->setChecked(options_.Tfw);
    AddWidget(tfwB_);
    (options_.Geo ? geoB_ : noGeoB_)->setChecked(true);

    partialB_ = Check(this, Text(TextKey::PartialMap), "PartialB");
    partialB_->setChecked(options_.Partial);
    auto* setup = SetupButton(this, "SetupBtn");
    AddWidget(WithButton(this, partialB_, setup));
    tilesB_ = Check(this, Text(TextKey::Tiles), "TilesB");
    tilesB_->setChecked(options_.Tiles);
    auto* tilesSetup = SetupButton(this, "TilesSetupBtn");
    AddWidget(WithButton(this, tilesB_, tilesSetup));
    // The form's own caption: the language file has no text for it.
    antialiasB_ = Check(this, QStringLiteral("Anti-aliasing"), "AntialiasB");
    antialiasB_->setChecked(options_.AntiAlias);
    AddWidget(antialiasB_);
    bwB_ = Check(this, Text(TextKey::BlackAndWhite), "BwB");
    bwB_->setChecked(options_.BlackWhite);
    AddWidget(bwB_);
    colorCorB_ = Check(this, PlainText(TextKey::OptionsColorCor), "ColorCorB");
    colorCorB_->setChecked(options_.ColorCorrection);
    AddWidget(colorCorB_);
    lzwB_ = Check(this, Text(TextKey::LzwCompressed), "LzwB");
    lzwB_->setChecked(options_.Lzw);
    AddWidget(lzwB_);
    AddButtons();

    // Typing a resolution means dpi; a pixel size or a world file means georeferencing.
    connect(resolB_, &QComboBox::editTextChanged, this, [this] { noGeoB_->setChecked(true); });
    connect(resolB_, &QComboBox::activated, this, [this] { noGeoB_->setChecked(true); });
    connect(pixelSizeB_, &QLineEdit::textEdited, this, [this] { geoB_->setChecked(true); });
    connect(tfwB_, &QCheckBox::clicked, this, [this] { geoB_->setChecked(true); });
    connect(separationB_, &QListWidget::itemClicked, this, [this] {
        if (spotB_->isEnabled())
            spotB_->setChecked(true);
    });
    connect(tilesSetup, &QPushButton::clicked, this, [this] {
        if (EditTiles())
            tilesB_->setChecked(true);
    });
    connect(setup, &QPushButton::clicked, this, [this] { SetupRange(); });
    (options_.Geo ? static_cast<QWidget*>(pixelSizeB_) : resolB_)->setFocus();
}

void TExpTiffDlg::Collect(TiffOptions& o) const
{
    o.Separations = spotB_->isChecked();
    o.Combine = combineB_->isChecked();
    o.Selected.assign(size_t(separationB_->count()), false);
    for (int i = 0; i < separationB_->count(); ++i)
        o.Selected[size_t(i)] = separationB_->item(i)->isSelected();
    o.Geo = geoB_->isChecked();
    o.Resolution = resolB_->currentText().trimmed();
    o.PixelSize = pixelSizeB_->text().trimmed().replace(u',', u'.');
    o.Tfw = tfwB_->isChecked();
    o.Partial = partialB_->isChecked();
    o.Tiles = tilesB_->isChecked();
    o.AntiAlias = antialiasB_->isChecked();
    o.BlackWhite = bwB_->isChecked();
    o.ColorCorrection = colorCorB_->isChecked();
    o.Lzw = lzwB_->isChecked();
}

bool TExpTiffDlg::Validate()
{
    TiffOptions o = options_;
    Collect(o);
    switch (CheckTiffDialog(o)) {
    case TiffField::None: return true;
    case TiffField::Resolution: resolB_->setFocus(); return false;
    case TiffField::PixelSize: pixelSizeB_->setFocus(); return false;
    }
    return false;
}

void TExpTiffDlg::SetupRange()
{
    if (!Validate())
        return;
    const RangeAnswer answer = EditExportRange(TiffRangeCaller);
    if (answer != RangeAnswer::Cancel)
        partialB_->setChecked(true);
    Collect(options_);
    SaveTiffSettings(options_);
    // The user places the rectangle on the map now: this dialog closes without exporting.
    if (answer == RangeAnswer::Define)
        reject();
}

void TExpTiffDlg::accept()
{
    if (!Validate())
        return;
    Collect(options_);
    QDialog::accept();
}

bool ExecExpTiffDlg(QWidget* parent, TiffOptions& options)
{
    TExpTiffDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

TTilesDlg::TTilesDlg(QWidget* parent, TileSize& size)
    : TMapDlgForm(parent, QStringLiteral("TilesDlg"), TextKey::SetupTiles, TilesHelpContext), size_(size)
{
    auto* group = new QGroupBox(PlainText(TextKey::TileSize), this);
    group->setObjectName(QStringLiteral("TileSize"));
    auto* v = new QVBoxLayout(group);
    const auto spin = [&](TextKey label, const char* name, int value) {
        auto* row = new QWidget(group);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        auto* b = new QSpinBox(row);
        b->setObjectName(QString::fromLatin1(name));
        b->setRange(MinTileSide, MaxTileSide);
        b->setValue(value);
        h->addWidget(new QLabel(PlainText(label) + u':', row));
        h->addWidget(b);
        h->addWidget(new QLabel(PlainText(TextKey::Pixels), row));
        v->addWidget(row);
        return b;
    };
    widthB_ = spin(TextKey::Width, "WidthB", size_.Width);
    heightB_ = spin(TextKey::Height, "HeightB", size_.Height);
    AddWidget(group);
    AddButtons();
}

void TTilesDlg::accept()
{
    size_.Width = widthB_->value();
    size_.Height = heightB_->value();
    QDialog::accept();
}

bool ExecTilesDlg(QWidget* parent, TileSize& size)
{
    TTilesDlg dlg(parent, size);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
