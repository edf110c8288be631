#include "external/database/widgets/DatasetDlg.h"

#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "external/database/DBase.h"
#include "external/database/Dataset.h"
#include "external/database/DbSys.h"
#include "external/database/ZFileCtrl.h"
#include "external/database/widgets/DBaseDlg.h"
#include "shell/widgets/DialogRows.h"
#include "symbols/Ports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace zemo {

namespace {

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

QString MapFolder()
{
    return QFileInfo(QString::fromStdString(Stp()->MapPath)).absolutePath();
}

// Replaces a combo box's list and keeps what it shows; no change is signalled.
void FillList(QComboBox* b, const QStringList& items)
{
    const QSignalBlocker block(b);
    const QString text = b->currentText();
    b->clear();
    b->addItems(items);
    b->setCurrentText(text);
}

// An editable combo box whose list is read from the database as it drops down, so that a
// source is asked only when the user looks.
class DropCombo : public QComboBox {
public:
    DropCombo(QWidget* owner, const char* name) : QComboBox(owner)
    {
        setObjectName(QLatin1String(name));
        setEditable(true);
    }
    std::function<QStringList()> items;

    void showPopup() override
    {
        if (items)
            FillList(this, items());
        QComboBox::showPopup();
    }
};


// TDbDsNewDlg: a name not in the list, and a new link table or an existing source.
bool NewDataset(QWidget* parent, const QStringList& names, QString& definition)
{
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("DbDsNewDlg"));
    dlg.setWindowTitle(Plain(TextKey::Dataset));
    auto* layout = new QVBoxLayout(&dlg);
    auto* name = new QLineEdit(ProposeDatasetName(names), &dlg);
    name->setObjectName(QStringLiteral("NameB"));
    layout->addWidget(name);
    auto* newDBase = new QRadioButton(Plain(TextKey::NewDBase), &dlg);
    newDBase->setObjectName(QStringLiteral("NewDBaseB"));
    newDBase->setChecked(true);
    auto* existing = new QRadioButton(Plain(TextKey::ExistingSource), &dlg);
    existing->setObjectName(QStringLiteral("ExistingSourceB"));
    layout->addWidget(newDBase);
    layout->addWidget(existing);
    AddDialogButtons(&dlg, layout, true, [] { return NewDatasetHelpContext; });
    for (;;) {
        if (dlg.exec() != QDialog::Accepted)
            return false;
        const QString n = TrimBlanks(name->text());
        if (n.isEmpty()) {
            ErrorMsg(TextKey::NoDatasetName, {}, NewDatasetHelpContext);
            continue;
        }
        if (names.contains(n)) {
            ErrorMsg(TextKey::DatasetExists, n, NewDatasetHelpContext);
            continue;
        }
        definition = ParamNameStr(n);
        if (existing->isChecked())
            return true;
        QString file = QFileInfo(QString::fromStdString(Stp()->MapPath)).path() + u'/'
                       + QFileInfo(QString::fromStdString(Stp()->MapPath)).completeBaseName() + QStringLiteral(".dbf");
        if (!DBaseCreateLinkTable(file))
            return false;
        const QFileInfo table(file);
        if (table.absolutePath() != MapFolder())
            definition += TextParamStr(u'e', table.absolutePath());
        definition += TextParamStr(u't', table.completeBaseName()) + QStringLiteral("\tkID\tySYMBOL\txTEXT");
        return true;
    }
}

// The secondary-table dialog: its OK passes the check first, and a failed check keeps it open.
class TSecTabDlg : public QDialog {
public:
    using QDialog::QDialog;
    std::function<bool()> check;
    void accept() override
    {
        if (!check || check())
            QDialog::accept();
    }
};

// A reference field of the main table, a table of the same source and its key field.
bool EditSecondaryTable(QWidget* parent, int kind, const QString& source, const QString& mainTable,
                        SecondaryTable& sec)
{
    TSecTabDlg dlg(parent);
    dlg.setObjectName(QStringLiteral("SecTabDlg"));
    dlg.setWindowTitle(Plain(TextKey::SecondaryTable));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    const auto combo = [&](const char* name, TextKey label) {
        auto* b = new QComboBox(&dlg);
        b->setObjectName(QLatin1String(name));
        form->addRow(Plain(label) + u':', b);
        return b;
    };
    QComboBox* ref = combo("RefKeyB", TextKey::ReferenceField);
    QComboBox* table = combo("SecTableB", TextKey::SecondaryTable);
    QComboBox* key = combo("SecKeyB", TextKey::KeyField);
    layout->addLayout(form);
    // The given entry, else the fallback place (-1: the last).
    const auto choose = [](QComboBox* b, const QString& given, int fallback) {
        const int i = b->findText(given);
        b->setCurrentIndex(i >= 0 ? i : fallback < 0 ? b->count() - 1 : fallback);
    };
    ref->addItems(DbHasTable(kind, source, mainTable) ? DbFields(kind, source, mainTable) : QStringList());
    choose(ref, sec.RefField, -1);
    table->addItems(DatasetTables(kind, source));
    choose(table, sec.Table, 0);
    const auto loadKeys = [&, kind, source](const QString& keep) {
        key->clear();
        if (!table->currentText().isEmpty())
            key->addItems(DbFields(kind, source, table->currentText()));
        choose(key, keep, 0);
    };
    loadKeys(sec.KeyField);
    QObject::connect(table, &QComboBox::currentTextChanged, &dlg, [&] { loadKeys(QString()); });
    AddDialogButtons(&dlg, layout, true, [] { return SecondaryTableHelpContext; });
    dlg.check = [key] {
        if (!key->currentText().isEmpty())
            return true;
        ErrorMsg(TextKey::NoKeySelected, {}, SecondaryTableHelpContext);
        key->setFocus();
        return false;
    };
    if (dlg.exec() != QDialog::Accepted)
        return false;
    sec = {ref->currentText(), table->currentText(), key->currentText()};
    return true;
}

class TDatasetDlg : public QDialog {
public:
    explicit TDatasetDlg(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("DatasetDlg"));
        setWindowTitle(Plain(TextKey::DbDataset));
        auto* layout = new QVBoxLayout(this);
        auto* top = new QHBoxLayout;
        auto* left = new QVBoxLayout;
        list_ = new QListWidget(this);
        list_->setObjectName(QStringLiteral("ListB"));
        left->addWidget(list_);
        auto* newBtn = new QPushButton(Plain(TextKey::New), this);
        newBtn->setObjectName(QStringLiteral("NewBtn"));
        auto* removeBtn = new QPushButton(Plain(TextKey::Remove), this);
        removeBtn->setObjectName(QStringLiteral("RemoveBtn"));
        left->addWidget(newBtn);
        left->addWidget(removeBtn);
        top->addLayout(left);
        pages_ = new QTabWidget(this);
        pages_->setObjectName(QStringLiteral("PageControl"));
        top->addWidget(pages_, 1);
        layout->addLayout(top);
        BuildGeneral();
        BuildSecondary();
        BuildSpecial();
        AddDialogButtons(this, layout, true, [this] {
            const int pages[] = {DatasetGeneralHelpContext, DatasetSecondaryHelpContext, DatasetSpecialHelpContext};
            return pages[std::clamp(pages_->currentIndex(), 0, 2)];
        });
        connect(newBtn, &QPushButton::clicked, this, [this] { New(); });
        connect(removeBtn, &QPushButton::clicked, this, [this] { Remove(); });
        for (const QString& n : session_.Names())
            list_->addItem(n);
        connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { Select(row); });
        list_->setCurrentRow(list_->count() > 0 ? 0 : -1);
        Show(shown_);
    }

    void accept() override
    {
        if (shown_ >= 0 && !Store())
            return;
        session_.Apply();
        QDialog::accept();
    }

private:
    void BuildGeneral()
    {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        dbase_ = new QRadioButton(Plain(TextKey::DBaseTable), page);
        dbase_->setObjectName(QStringLiteral("DBaseB"));
        odbc_ = new QRadioButton(Plain(TextKey::OdbcSource), page);
        odbc_->setObjectName(QStringLiteral("OdbcB"));
        form->addRow(dbase_);
        form->addRow(odbc_);
        folder_ = new QLineEdit(page);
        folder_->setObjectName(QStringLiteral("FolderB"));
        auto* browse = new QPushButton(Plain(TextKey::Browse), page);
        browse->setObjectName(QStringLiteral("BrowseBtn"));
        auto* folderRow = new QHBoxLayout;
        folderRow->addWidget(folder_, 1);
        folderRow->addWidget(browse);
        form->addRow(Plain(TextKey::Folder) + u':', folderRow);
        source_ = new DropCombo(page, "DataSourceB");
        form->addRow(Plain(TextKey::DataSource) + u':', source_);
        table_ = new DropCombo(page, "TableB");
        form->addRow(Plain(TextKey::Table) + u':', table_);
        key_ = new DropCombo(page, "KeyB");
        form->addRow(Plain(TextKey::KeyField) + u':', key_);
        // The same captions as the Database menu's commands they run.
        auto* dbaseBtn = new QPushButton(QStringLiteral("dBase..."), page);
        dbaseBtn->setObjectName(QStringLiteral("DBaseBtn"));
        auto* odbcBtn = new QPushButton(QStringLiteral("ODBC..."), page);
        odbcBtn->setObjectName(QStringLiteral("OdbcBtn"));
        auto* tools = new QHBoxLayout;
        tools->addWidget(dbaseBtn);
        tools->addWidget(odbcBtn);
        tools->addStretch(1);
        form->addRow(tools);
        pages_->addTab(page, Plain(TextKey::General));

        source_->items = [this] {
            const QStringList names = DbDataSources();
            odbc_->setChecked(true);
            return names;
        };
        table_->items = [this] { return SourceExists() ? DatasetTables(Kind(), Source()) : QStringList(); };
        key_->items = [this] { return MainFields(); };
        connect(table_, &QComboBox::currentTextChanged, this, [this] {
            const QStringList fields = MainFields();
            FillList(key_, fields);
            FillList(size_, fields);
        });
        connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
        connect(dbaseBtn, &QPushButton::clicked, this, [this] { ShowDBaseDialog(this); });
        connect(odbcBtn, &QPushButton::clicked, this, [this] { ManageOdbcSources(this); });
    }
    void BuildSecondary()
    {
        auto* page = new QWidget;
        auto* l = new QVBoxLayout(page);
        sec_ = new QTableWidget(1, 3, page);
        sec_->setObjectName(QStringLiteral("SecTabB"));
        sec_->setHorizontalHeaderLabels({Plain(TextKey::ReferenceField), Plain(TextKey::Table), Plain(TextKey::KeyField)});
        l->addWidget(sec_);
        auto* add = new QPushButton(Plain(TextKey::Add), page);
        add->setObjectName(QStringLiteral("SecAddBtn"));
        secEdit_ = new QPushButton(Plain(TextKey::Edit), page);
        secEdit_->setObjectName(QStringLiteral("SecEditBtn"));
        secRemove_ = new QPushButton(Plain(TextKey::Remove), page);
        secRemove_->setObjectName(QStringLiteral("SecRemoveBtn"));
        l->addWidget(add);
        l->addWidget(secEdit_);
        l->addWidget(secRemove_);
        connect(add, &QPushButton::clicked, this, [this] { EditSecondary(true); });
        connect(secEdit_, &QPushButton::clicked, this, [this] { EditSecondary(false); });
        connect(secRemove_, &QPushButton::clicked, this, [this] { RemoveSecondary(); });
        connect(sec_, &QTableWidget::itemChanged, this, [this] { UpdateSecButtons(); });
        pages_->addTab(page, Plain(TextKey::SecondaryTables));
    }
    void BuildSpecial()
    {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        const auto row = [&](TextKey label, const char* check, const char* box, QCheckBox*& c, DropCombo*& b) {
            c = new QCheckBox(Plain(label), page);
            c->setObjectName(QLatin1String(check));
            b = new DropCombo(page, box);
            b->items = [this] { return MainFields(); };
            form->addRow(c, b);
            connect(c, &QCheckBox::toggled, b, &QWidget::setEnabled);
        };
        row(TextKey::SymbolField, "SymbolFieldChk", "SymbolFieldB", symbolOn_, symbol_);
        row(TextKey::TextField, "TextFieldChk", "TextFieldB", textOn_, text_);
        row(TextKey::SizeField, "SizeFieldChk", "SizeFieldB", sizeOn_, size_);
        lengthUnit_ = new QComboBox(page);
        lengthUnit_->setObjectName(QStringLiteral("LengthUB"));
        lengthUnit_->addItems({QStringLiteral("1 km"), QStringLiteral("1 m")});
        areaUnit_ = new QComboBox(page);
        areaUnit_->setObjectName(QStringLiteral("AreaUB"));
        areaUnit_->addItems({QStringLiteral("1 km2"), QStringLiteral("0.01 km2"), QStringLiteral("100 m2"),
                             QStringLiteral("1 m2")});
        decimals_ = new QSpinBox(page);
        decimals_->setObjectName(QStringLiteral("DecimalsB"));
        decimals_->setRange(1, 20);
        decimals_->setValue(4);
        form->addRow(Plain(TextKey::UnitLength) + u':', lengthUnit_);
        form->addRow(Plain(TextKey::UnitArea) + u':', areaUnit_);
        form->addRow(Plain(TextKey::Decimals) + u':', decimals_);
        pages_->addTab(page, Plain(TextKey::SpecialFields));
    }

    int Kind() const { return odbc_->isChecked() ? DbKindOdbc : DbKindDBase; }
    // The source as a definition names it: an empty folder is the map's own.
    QString Source() const
    {
        return odbc_->isChecked() ? source_->currentText() : WithoutTrailingSeparators(folder_->text());
    }
    bool SourceExists() const
    {
        if (odbc_->isChecked())
            return !source_->currentText().isEmpty() && DbSourceExists(DbKindOdbc, Source());
        return Source().isEmpty() || QFileInfo(DBaseFolder(Source())).isDir();
    }
    // The fields of the main table, none while the source or the table is not there.
    QStringList MainFields() const
    {
        const QString table = table_->currentText();
        if (table.isEmpty() || !SourceExists() || !DbHasTable(Kind(), Source(), table))
            return {};
        return DbFields(Kind(), Source(), table);
    }

    void Browse()
    {
        QString folder = Source().isEmpty() ? MapFolder() : DBaseFolder(Source());
        if (!SelectDirectory(folder, SelectDirAllowCreate | SelectDirPerformCreate | SelectDirPrompt, 0))
            return;
        dbase_->setChecked(true);
        // The map's own folder is stored empty, so that the dataset moves with the map.
        folder_->setText(QDir::cleanPath(folder) == QDir::cleanPath(MapFolder()) ? QString() : folder);
    }

    QString SecCell(int row, int column) const
    {
        const QTableWidgetItem* item = sec_->item(row, column);
        return item ? item->text() : QString();
    }
    bool SecRowFilled(int row) const
    {
        return !SecCell(row, 0).isEmpty() || !SecCell(row, 1).isEmpty() || !SecCell(row, 2).isEmpty();
    }
    // Edit and Remove need a filled row; an empty last row is where Add writes.
    void UpdateSecButtons()
    {
        bool any = false;
        for (int r = 0; r < sec_->rowCount(); ++r)
            any = any || SecRowFilled(r);
        secEdit_->setEnabled(shown_ >= 0 && any);
        secRemove_->setEnabled(shown_ >= 0 && any);
    }

    // Add fills the empty last row (or a new one), Edit the selected row (the first when none
    // is); the dataset must store first, so that the lists come from a source that is there.
    void EditSecondary(bool add)
    {
        if (shown_ < 0 || !Store())
            return;
        int row = std::max(0, sec_->currentRow());
        if (add) {
            row = sec_->rowCount() - 1;
            if (SecRowFilled(row))
                sec_->setRowCount(++row + 1);
        }
        SecondaryTable s{SecCell(row, 0), SecCell(row, 1), SecCell(row, 2)};
        if (!EditSecondaryTable(this, Kind(), Source(), table_->currentText(), s)) {
            if (add && !SecRowFilled(row) && sec_->rowCount() > 1)
                sec_->removeRow(row);
            return;
        }
        const QString cells[] = {s.RefField, s.Table, s.KeyField};
        for (int c = 0; c < 3; ++c)
            sec_->setItem(row, c, new QTableWidgetItem(cells[c]));
        UpdateSecButtons();
    }

    // The rows below move up; the grid keeps one row, emptied when it was the last.
    void RemoveSecondary()
    {
        const int row = std::max(0, sec_->currentRow());
        if (sec_->rowCount() > 1)
            sec_->removeRow(row);
        else
            sec_->clearContents();
        UpdateSecButtons();
    }

    void Show(int i)
    {
        const QSignalBlocker block(table_);
        shown_ = i;
        const bool any = i >= 0;
        for (QWidget* w : std::initializer_list<QWidget*>{source_, table_, key_, folder_, sizeOn_})
            w->setEnabled(any);
        const DatasetFields f = any ? ParseDatasetDefinition(session_.Items()[size_t(i)].Text) : DatasetFields{};
        (f.Odbc ? odbc_ : dbase_)->setChecked(true);
        folder_->setText(f.Folder);
        source_->setCurrentText(f.Source);
        table_->setCurrentText(f.Table);
        key_->setCurrentText(f.Key);
        sec_->clearContents();
        sec_->setRowCount(std::max<int>(1, int(f.Secondary.size())));
        for (int r = 0; r < int(f.Secondary.size()); ++r) {
            const SecondaryTable& s = f.Secondary[size_t(r)];
            const QString cells[] = {s.RefField, s.Table, s.KeyField};
            for (int c = 0; c < 3; ++c)
                sec_->setItem(r, c, new QTableWidgetItem(cells[c]));
        }
        const auto special = [](QCheckBox* c, QComboBox* b, bool on, const QString& field) {
            c->setChecked(on);
            b->setCurrentText(field);
            b->setEnabled(on);
        };
        special(symbolOn_, symbol_, f.SymbolOn, f.SymbolField);
        special(textOn_, text_, f.TextOn, f.TextField);
        special(sizeOn_, size_, f.SizeOn, f.SizeField);
        UpdateSecButtons();
        lengthUnit_->setCurrentIndex(f.LengthUnit);
        areaUnit_->setCurrentIndex(f.AreaUnit);
        if (f.Decimals > 0)
            decimals_->setValue(f.Decimals);
    }

    DatasetFields Shown() const
    {
        DatasetFields f;
        f.Name = session_.Names().value(shown_);
        f.Odbc = odbc_->isChecked();
        f.Folder = folder_->text();
        f.Source = source_->currentText();
        f.Table = table_->currentText();
        f.Key = key_->currentText();
        for (int r = 0; r < sec_->rowCount(); ++r)
            f.Secondary.push_back({SecCell(r, 0), SecCell(r, 1), SecCell(r, 2)});
        f.SymbolOn = symbolOn_->isChecked();
        f.SymbolField = symbol_->currentText();
        f.TextOn = textOn_->isChecked();
        f.TextField = text_->currentText();
        f.SizeOn = sizeOn_->isChecked();
        f.SizeField = size_->currentText();
        f.LengthUnit = lengthUnit_->currentIndex();
        f.AreaUnit = areaUnit_->currentIndex();
        f.Decimals = decimals_->value();
        return f;
    }

    // The shown dataset checked and kept in the copy; a failure shows its page and field.
    bool Store()
    {
        QString def;
        const DatasetCheck c = BuildDatasetDefinition(Shown(), def);
        if (c.Ok) {
            session_.Replace(shown_, def);
            return true;
        }
        ErrorMsg(c.Key, c.Param, DatasetsHelpContext);
        pages_->setCurrentIndex(int(c.Page));
        QWidget* focus[] = {folder_, source_, table_, key_, symbol_, text_, size_};
        focus[int(c.Focus)]->setFocus();
        return false;
    }

    void Select(int row)
    {
        if (selecting_ || row == shown_)
            return;
        if (shown_ >= 0 && !Store()) {
            selecting_ = true;
            list_->setCurrentRow(shown_);
            selecting_ = false;
            return;
        }
        Show(row);
    }

    void New()
    {
        ResetDbLinks();
        QString def;
        if (!NewDataset(this, session_.Names(), def))
            return;
        const int i = session_.Add(def);
        list_->addItem(GetParamName(def));
        list_->setCurrentRow(i);
        pages_->setCurrentIndex(0);
    }

    void Remove()
    {
        const int i = list_->currentRow();
        if (i < 0 || OkCancelMsg(TextKey::RemoveLinks, list_->item(i)->text(), DatasetsHelpContext) != IdOk)
            return;
        session_.Remove(i);
        selecting_ = true;
        delete list_->takeItem(i);
        selecting_ = false;
        shown_ = -1;
        list_->setCurrentRow(std::min(i, list_->count() - 1));
        if (list_->count() == 0)
            Show(-1);
        ResetDbLinks();
    }

    DatasetSession session_;
    int shown_ = -1;
    bool selecting_ = false;
    QListWidget* list_;
    QTabWidget* pages_;
    QRadioButton* dbase_ = nullptr;
    QRadioButton* odbc_ = nullptr;
    QLineEdit* folder_ = nullptr;
    DropCombo *source_ = nullptr, *table_ = nullptr, *key_ = nullptr;
    QTableWidget* sec_ = nullptr;
    QPushButton *secEdit_ = nullptr, *secRemove_ = nullptr;
    QCheckBox *symbolOn_ = nullptr, *textOn_ = nullptr, *sizeOn_ = nullptr;
    DropCombo *symbol_ = nullptr, *text_ = nullptr, *size_ = nullptr;
    QComboBox *lengthUnit_ = nullptr, *areaUnit_ = nullptr;
    QSpinBox* decimals_ = nullptr;
};

} // namespace

void EditDatasets(QWidget* parent)
{
    GetData();
    if (!Index.MapOpen || !Index.ActiveZmd || !EnsureMapSaved())
        return;
    InitOdbc();
    ResetDbLinks();
    {
        TDatasetDlg dlg(parent);
        if (dlg.exec() == QDialog::Accepted)
            SymbolsPorts().RefreshSymbolBox();
    }
    ResetDbLinks();
    ShowObjectRecord();
}

} // namespace zemo
