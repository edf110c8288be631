#include "io/widgets/KivDlgs.h"

#include "core/Help.h"
#include "core/LangTexts.h"
#include "edit/widgets/MapDlgForm.h"
#include "io/Ports.h"
#include "shell/widgets/DialogRows.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zemo {

namespace {

QCheckBox* Check(QWidget* parent, const QString& caption, const char* name, bool on)
{
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setChecked(on);
    return b;
}

QSpinBox* Spin(QWidget* parent, const char* name, int min, int max, int value)
{
    auto* s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

} // namespace

// ---- TFieldCombo ----

TFieldCombo::TFieldCombo(QWidget* parent, QComboBox* dataset) : QComboBox(parent), dataset_(dataset)
{
    setEditable(true);
}

void TFieldCombo::showPopup()
{
    Fill();
    QComboBox::showPopup();
}

void TFieldCombo::Fill()
{
    const QString typed = currentText();
    clear();
    if (!dataset_->currentText().isEmpty())
        addItems(IoPorts().DatasetFields(dataset_->currentText()));
    setEditText(typed);
}

// ---- TExpKivDlg ----

TExpKivDlg::TExpKivDlg(QWidget* parent, KivOptions& options)
    : QDialog(parent), options_(options), pages_(new QTabWidget(this))
{
    setObjectName(QStringLiteral("ExpKivDlg"));
    setWindowTitle(PlainText(TextKey::ExportKiv));
    auto* layout = new QVBoxLayout(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(GeneralPage(), PlainText(TextKey::General));
    pages_->addTab(DatasetPage("FindSheet", TextKey::AddFindBox, findBoxB_, datasetFindB_, nameFieldB_, "DatasetFindB",
                               "NameFieldB", TextKey::NameField, options_.FindBox, options_.FindDataset,
                               options_.NameField),
                   PlainText(TextKey::Find));
    pages_->addTab(DatasetPage("HotspotsSheet", TextKey::AddHotspots, hotspotB_, datasetLinkB_, linkFieldB_,
                               "DatasetLinkB", "LinkFieldB", TextKey::LinkField, options_.Hotspots,
                               options_.LinkDataset, options_.LinkField),
                   PlainText(TextKey::Hotspots));
    findBoxB_->setObjectName(QStringLiteral("FindBoxB"));
    hotspotB_->setObjectName(QStringLiteral("HotspotB"));
    layout->addWidget(pages_);
    AddDialogButtons(this, layout, true, [this] { return HelpContext(); });
    pages_->setCurrentIndex(0);
}

int TExpKivDlg::HelpContext() const
{
    static constexpr int byPage[] = {KivGeneralHelpContext, KivFindHelpContext, KivHotspotsHelpContext};
    const int page = pages_->currentIndex();
    return page >= 0 && page < 3 ? byPage[page] : ExpKivHelpContext;
}

QWidget* TExpKivDlg::GeneralPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("GeneralSheet"));
    auto* l = new QVBoxLayout(page);
    l->setAlignment(Qt::AlignTop);

    auto* size = new QGroupBox(PlainText(TextKey::AppletSize), page);
    size->setObjectName(QStringLiteral("SizeB"));
    auto* sizeGrid = new QGridLayout(size);
    widthB_ = Spin(size, "WidthB", MinAppletSide, MaxAppletSide, options_.Width);
    heightB_ = Spin(size, "HeightB", MinAppletSide, MaxAppletSide, options_.Height);
    int row = 0;
    for (QSpinBox* s : {widthB_, heightB_}) {
        sizeGrid->addWidget(s, row, 0);
        sizeGrid->addWidget(new QLabel(PlainText(TextKey::Pixels), size), row, 1);
        ++row;
    }
    l->addWidget(size);

    auto* grid = new QGridLayout;
    resolB_ = new QLineEdit(options_.Resolution, page);
    resolB_->setObjectName(QStringLiteral("ResolB"));
    auto* resolLabel = new QLabel(PlainText(TextKey::Resolution) + u':', page);
    resolLabel->setBuddy(resolB_);
    grid->addWidget(resolLabel, 0, 0);
    grid->addWidget(resolB_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("dpi"), page), 0, 2);
    zoomB_ = Spin(page, "ZoomB", MinKivLevels, MaxKivLevels, options_.Levels);
    auto* zoomLabel = new QLabel(PlainText(TextKey::ZoomLevels) + u':', page);
    zoomLabel->setBuddy(zoomB_);
    grid->addWidget(zoomLabel, 1, 0);
    grid->addWidget(zoomB_, 1, 1);
    l->addLayout(grid);

    // The form's own caption: the language file has no text for it.
    antialiasB_ = Check(page, QStringLiteral("Anti-aliasing"), "AntialiasB", options_.AntiAlias);
    colorCorB_ = Check(page, PlainText(TextKey::OptionsColorCor), "ColorCorB", options_.ColorCorrection);
    zoomOutB_ = Check(page, Text(TextKey::ZoomOutButton), "ZoomOutB", options_.ZoomOut);
    htmlB_ = Check(page, Text(TextKey::HtmlOnly), "HtmlB", options_.HtmlOnly);
    for (QCheckBox* b : {antialiasB_, colorCorB_, zoomOutB_, htmlB_})
        l->addWidget(b);
    return page;
}

QWidget* TExpKivDlg::DatasetPage(const char* name, TextKey box, QCheckBox*& check, QComboBox*& dataset,
                                 TFieldCombo*& field, const char* datasetName, const char* fieldName,
                                 TextKey fieldLabel, bool on, const QString& chosen, const QString& chosenField)
{
    auto* page = new QWidget(this);
    page->setObjectName(QLatin1String(name));
    auto* l = new QVBoxLayout(page);
    l->setAlignment(Qt::AlignTop);
    const bool any = !options_.Datasets.isEmpty();
    check = Check(page, Text(box), "", on && any);
    l->addWidget(check);
    auto* grid = new QGridLayout;
    dataset = new QComboBox(page);
    dataset->setObjectName(QLatin1String(datasetName));
    dataset->addItems(options_.Datasets);
    if (const int i = int(options_.Datasets.indexOf(chosen)); i >= 0)
        dataset->setCurrentIndex(i);
    field = new TFieldCombo(page, dataset);
    field->setObjectName(QLatin1String(fieldName));
    field->setEditText(chosenField);
    const struct {
        TextKey label;
        QWidget* w;
    } rows[] = {{TextKey::Dataset, dataset}, {fieldLabel, field}};
    int r = 0;
    for (const auto& row : rows) {
        auto* label = new QLabel(PlainText(row.label) + u':', page);
        label->setBuddy(row.w);
        label->setEnabled(any);
        grid->addWidget(label, r, 0);
        grid->addWidget(row.w, r, 1);
        ++r;
    }
    l->addLayout(grid);
    // Without datasets there is nothing to find or link.
    for (QWidget* w : {static_cast<QWidget*>(check), static_cast<QWidget*>(dataset), static_cast<QWidget*>(field)})
        w->setEnabled(any);
    // Another dataset has other fields.
    connect(dataset, &QComboBox::currentTextChanged, field, [field] { field->clear(); });
    return page;
}

void TExpKivDlg::Collect(KivOptions& o) const
{
    o.Width = widthB_->value();
    o.Height = heightB_->value();
    o.Resolution = resolB_->text().trimmed();
    o.Levels = zoomB_->value();
    o.AntiAlias = antialiasB_->isChecked();
    o.ColorCorrection = colorCorB_->isChecked();
    o.ZoomOut = zoomOutB_->isChecked();
    o.HtmlOnly = htmlB_->isChecked();
    o.FindBox = findBoxB_->isChecked();
    o.FindDataset = datasetFindB_->currentText();
    o.NameField = nameFieldB_->currentText().trimmed();
    o.Hotspots = hotspotB_->isChecked();
    o.LinkDataset = datasetLinkB_->currentText();
    o.LinkField = linkFieldB_->currentText().trimmed();
}

void TExpKivDlg::accept()
{
    KivOptions o = options_;
    Collect(o);
    const KivField bad = CheckKivDialog(o);
    if (bad != KivField::None) {
        pages_->setCurrentIndex(int(PageOfField(bad)));
        QWidget* focus = nullptr;
        switch (bad) {
        case KivField::Width: focus = widthB_; break;
        case KivField::Height: focus = heightB_; break;
        case KivField::Resolution: focus = resolB_; break;
        case KivField::Levels: focus = zoomB_; break;
        case KivField::FindDataset: focus = datasetFindB_; break;
        case KivField::NameField: focus = nameFieldB_; break;
        case KivField::LinkDataset: focus = datasetLinkB_; break;
        case KivField::LinkField: focus = linkFieldB_; break;
        case KivField::None: break;
        }
        if (focus)
            focus->setFocus();
        return;
    }
    options_ = o;
    QDialog::accept();
}

bool ExecExpKivDlg(QWidget* parent, KivOptions& options)
{
    TExpKivDlg dlg(parent, options);
    return dlg.exec() == QDialog::Accepted;
}

// ---- TKivMapsDlg ----

TKivMapsDlg::TKivMapsDlg(QWidget* parent, KivMapsEdit& edit)
    : QDialog(parent), edit_(edit), work_(edit), mapsB_(new QTableWidget(this))
{
    setObjectName(QStringLiteral("KivMapsDlg"));
    setWindowTitle(PlainText(TextKey::MapFilesKiv));
    auto* layout = new QVBoxLayout(this);
    mapsB_->setObjectName(QStringLiteral("MapsB"));
    mapsB_->setColumnCount(2);
    mapsB_->setHorizontalHeaderLabels({PlainText(TextKey::Zoom), PlainText(TextKey::MapFile)});
    mapsB_->verticalHeader()->hide();
    mapsB_->horizontalHeader()->setStretchLastSection(true);
    mapsB_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mapsB_->setSelectionMode(QAbstractItemView::SingleSelection);
    mapsB_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mapsB_->setMinimumWidth(480);
    layout->addWidget(mapsB_);
    auto* change = new QPushButton(Text(TextKey::Change) + QStringLiteral("..."), this);
    change->setObjectName(QStringLiteral("ChangeBtn"));
    change->setAutoDefault(false);
    layout->addWidget(change, 0, Qt::AlignLeft);
    AddDialogButtons(this, layout, true, [] { return KivMapsHelpContext; });
    ShowRows();
    mapsB_->setCurrentCell(0, 1);
    connect(change, &QPushButton::clicked, this, [this] { Change(mapsB_->currentRow()); });
    connect(mapsB_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Change(row); });
}

void TKivMapsDlg::ShowRows()
{
    mapsB_->setRowCount(int(work_.Rows.size()));
    for (int r = 0; r < work_.Rows.size(); ++r) {
        mapsB_->setItem(r, 0, new QTableWidgetItem(QString::number(r)));
        mapsB_->setItem(r, 1, new QTableWidgetItem(KivMapShown(work_, r)));
    }
    mapsB_->resizeColumnToContents(0);
}

void TKivMapsDlg::Change(int row)
{
    if (ChooseKivMap(work_, row))
        mapsB_->item(row, 1)->setText(KivMapShown(work_, row));
}

void TKivMapsDlg::accept()
{
    if (!CheckKivMaps(work_))
        return;
    edit_ = work_;
    QDialog::accept();
}

bool ExecKivMapsDlg(QWidget* parent, KivMapsEdit& edit)
{
    TKivMapsDlg dlg(parent, edit);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
