#include "symbols/widgets/ConvLayDlg.h"

#include "core/Messages.h"
#include "core/StringX.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace zemo {

namespace {

QPushButton* Button(QWidget* parent, TextKey caption, const char* name)
{
    auto* b = new QPushButton(Text(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}


} // namespace

TConvLayDlg::TConvLayDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("ConvLayDlg"), TextKey::ConvertLayers, ConvLayHelpContext)
{
    tabB_ = new QTableWidget(this);
    tabB_->setObjectName(QStringLiteral("TabB"));
    tabB_->setColumnCount(2);
    tabB_->setHorizontalHeaderLabels({PlainText(TextKey::FromLayer), PlainText(TextKey::ToSymbol)});
    tabB_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabB_->setSelectionMode(QAbstractItemView::SingleSelection);
    tabB_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabB_->horizontalHeader()->setStretchLastSection(true);
    AddWidget(tabB_);
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* add = Button(row, TextKey::Add, "AddBtn");
    auto* edit = Button(row, TextKey::EditReference, "EditBtn");
    auto* remove = Button(row, TextKey::Delete, "RemoveBtn");
    auto* load = Button(row, TextKey::LoadCrtFile, "LoadBtn");
    auto* save = Button(row, TextKey::SaveCrtFile, "SaveBtn");
    auto* saveAs = Button(row, TextKey::SaveAsBtn, "SaveAsBtn");
    for (QPushButton* b : {add, edit, remove, load, save, saveAs})
        h->addWidget(b);
    AddWidget(row);
    AddButtons();
    connect(add, &QPushButton::clicked, this, [this] { AddRef(); });
    connect(edit, &QPushButton::clicked, this, [this] { EditRef(); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveRef(); });
    connect(load, &QPushButton::clicked, this, [this] {
        if (LoadLayerTable())
            Show();
    });
    connect(save, &QPushButton::clicked, this, [] { SaveLayerTable(false); });
    connect(saveAs, &QPushButton::clicked, this, [] { SaveLayerTable(true); });
    Show();
}

void TConvLayDlg::Show()
{
    if (ConvLay.Rows.empty())
        ConvLay.Rows.emplace_back();
    tabB_->setRowCount(int(ConvLay.Rows.size()));
    for (int r = 0; r < int(ConvLay.Rows.size()); ++r) {
        tabB_->setItem(r, 0, new QTableWidgetItem(ConvLay.Rows[size_t(r)].Layer));
        tabB_->setItem(r, 1, new QTableWidgetItem(ConvLay.Rows[size_t(r)].Symbol));
    }
}

int TConvLayDlg::SelectedRow() const
{
    const int r = tabB_->currentRow();
    return r >= 0 && r < int(ConvLay.Rows.size()) ? r : 0;
}

void TConvLayDlg::AddRef()
{
    LayerRef ref;
    if (!ExecEditRefDlg(this, ConvLay.Rows, ref))
        return;
    LayerRef& last = ConvLay.Rows.back();
    if (last.Layer.isEmpty() && last.Symbol.isEmpty())
        last = ref;
    else
        ConvLay.Rows.push_back(ref);
    Show();
    tabB_->selectRow(int(ConvLay.Rows.size()) - 1);
}

void TConvLayDlg::EditRef()
{
    const int r = SelectedRow();
    LayerRef ref = ConvLay.Rows[size_t(r)];
    if (!ExecEditRefDlg(this, ConvLay.Rows, ref))
        return;
    ConvLay.Rows[size_t(r)] = ref;
    Show();
    tabB_->selectRow(r);
}

void TConvLayDlg::RemoveRef()
{
    const int r = SelectedRow();
    ConvLay.Rows.erase(ConvLay.Rows.begin() + r);
    Show();
}

bool ExecConvLayDlg(QWidget* parent)
{
    TConvLayDlg dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

TEditRefDlg::TEditRefDlg(QWidget* parent, const std::vector<LayerRef>& rows, const LayerRef& ref)
    : TMapDlgForm(parent, QStringLiteral("EditRefDlg"), TextKey::EditReference, EditRefHelpContext)
{
    layerB_ = new QListWidget(this);
    layerB_->setObjectName(QStringLiteral("LayerB"));
    symbolB_ = new QListWidget(this);
    symbolB_->setObjectName(QStringLiteral("SymbolB"));
    AddRow(TextKey::Layer, layerB_);
    AddRow(TextKey::ToSymbol, symbolB_);
    AddButtons();
    const auto used = [&rows](const QString& layer) {
        return std::any_of(rows.begin(), rows.end(), [&](const LayerRef& r) { return r.Layer == layer; });
    };
    QStringList layers = MapLayers();
    if (!ref.Layer.isEmpty() && !layers.contains(ref.Layer))
        layers << ref.Layer;
    for (const QString& l : layers) {
        layerB_->addItem((used(l) ? QStringLiteral("* ") : QStringLiteral("  ")) + l);
        if (l == ref.Layer)
            layerB_->setCurrentRow(layerB_->count() - 1);
    }
    const QString want = FirstWord(ref.Symbol.trimmed());
    bool found = false;
    for (const QString& s : SymbolChoices()) {
        symbolB_->addItem(s);
        if (!want.isEmpty() && FirstWord(s.trimmed()) == want) {
            symbolB_->setCurrentRow(symbolB_->count() - 1);
            found = true;
        }
    }
    if (!found && !ref.Symbol.isEmpty()) {
        symbolB_->addItem(ref.Symbol);
        symbolB_->setCurrentRow(symbolB_->count() - 1);
    }
}

LayerRef TEditRefDlg::Result() const
{
    LayerRef r;
    if (QListWidgetItem* l = layerB_->currentItem())
        r.Layer = l->text().mid(2);
    if (QListWidgetItem* s = symbolB_->currentItem())
        r.Symbol = s->text();
    return r;
}

bool ExecEditRefDlg(QWidget* parent, const std::vector<LayerRef>& rows, LayerRef& ref)
{
    if (MapLayers().isEmpty()) {
        InfoMsg(TextKey::NoImportedLayers);
        return false;
    }
    TEditRefDlg dlg(parent, rows, ref);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    ref = dlg.Result();
    return true;
}

} // namespace zemo
