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
#include "shell/widgets/DialogRows.h"
#include "symbols/Ports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

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

QComboBox* Combo(QWidget* owner, const char* name)
{
    auto* b = new QComboBox(owner);
    b->setObjectName(QLatin1String(name));
    b->setEditable(true);
    return b;
}

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
        form->addRow(Plain(TextKey::Folder) + u':', folder_);
        source_ = Combo(page, "DataSourceB");
        form->addRow(Plain(TextKey::DataSource) + u':', source_);
        table_ = Combo(page, "TableB");
        form->addRow(Plain(TextKey::Table) + u':', table_);
        key_ = Combo(page, "KeyB");
        form->addRow(Plain(TextKey::KeyField) + u':', key_);
        pages_->addTab(page, Plain(TextKey::General));
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
        auto* remove = new QPushButton(Plain(TextKey::Remove), page);
        remove->setObjectName(QStringLiteral("SecRemoveBtn"));
        l->addWidget(add);
        l->addWidget(remove);
        connect(add, &QPushButton::clicked, this, [this] { sec_->setRowCount(sec_->rowCount() + 1); });
        connect(remove, &QPushButton::clicked, this, [this] {
            if (sec_->rowCount() > 1 && sec_->currentRow() >= 0)
                sec_->removeRow(sec_->currentRow());
        });
        pages_->addTab(page, Plain(TextKey::SecondaryTables));
    }
    void BuildSpecial()
    {
        auto* page = new QWidget;
        auto* form = new QFormLayout(page);
        const auto row = [&](TextKey label, const char* check, const char* box, QCheckBox*& c, QComboBox*& b) {
            c = new QCheckBox(Plain(label), page);
            c->setObjectName(QLatin1String(check));
            b = Combo(page, box);
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

    void Show(int i)
    {
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
        for (int r = 0; r < sec_->rowCount(); ++r) {
            const auto cell = [&](int c) { return sec_->item(r, c) ? sec_->item(r, c)->text() : QString(); };
            f.Secondary.push_back({cell(0), cell(1), cell(2)});
        }
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
    QComboBox *source_ = nullptr, *table_ = nullptr, *key_ = nullptr;
    QTableWidget* sec_ = nullptr;
    QCheckBox *symbolOn_ = nullptr, *textOn_ = nullptr, *sizeOn_ = nullptr;
    QComboBox *symbol_ = nullptr, *text_ = nullptr, *size_ = nullptr;
    QComboBox *lengthUnit_ = nullptr, *areaUnit_ = nullptr;
    QSpinBox* decimals_ = nullptr;
};

} // namespace

void EditDatasets(QWidget* parent)
{
    GetData();
    if (!Index.MapOpen || !Index.ActiveZmd || !EnsureMapSaved())
        return;
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
