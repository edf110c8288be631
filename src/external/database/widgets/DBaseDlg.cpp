#include "external/database/widgets/DBaseDlg.h"

#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "external/database/DBase.h"
#include "external/database/DbSys.h"
#include "external/database/DbTable.h"
#include "shell/widgets/DialogRows.h"

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zemo {

namespace {

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

QString DbfFilter()
{
    return Text(TextKey::DBaseFiles) + QStringLiteral(" (*.dbf)|*.dbf|") + Text(TextKey::AllFiles)
           + QStringLiteral(" (*.*)|*.*");
}

QString MapFolder()
{
    const SetupRecord* s = Index.ActiveZmd ? Stp() : nullptr;
    return s && !s->MapPath.empty() ? QFileInfo(QString::fromStdString(s->MapPath)).absolutePath() : QString();
}

class TDbNewFieldDlg : public QDialog {
public:
    explicit TDbNewFieldDlg(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("DbNewFieldDlg"));
        setWindowTitle(Plain(TextKey::FieldName));
        auto* layout = new QVBoxLayout(this);
        auto* group = new QGroupBox(this);
        group->setObjectName(QStringLiteral("InsertGrp"));
        auto* gl = new QVBoxLayout(group);
        before_ = new QRadioButton(Plain(TextKey::BeforeField), group);
        before_->setObjectName(QStringLiteral("BeforeFieldB"));
        after_ = new QRadioButton(Plain(TextKey::AfterField), group);
        after_->setObjectName(QStringLiteral("AfterFieldB"));
        after_->setChecked(true);
        gl->addWidget(before_);
        gl->addWidget(after_);
        layout->addWidget(group);
        auto* grid = new QGridLayout;
        name_ = new QLineEdit(this);
        name_->setObjectName(QStringLiteral("NameB"));
        name_->setMaxLength(DbfMaxFieldNameChars);
        grid->addWidget(new QLabel(Plain(TextKey::NameMax10) + u':', this), 0, 0);
        grid->addWidget(name_, 0, 1);
        type_ = new QComboBox(this);
        type_->setObjectName(QStringLiteral("TypeB"));
        type_->addItem(QStringLiteral("Character"));
        type_->setCurrentIndex(0);
        grid->addWidget(new QLabel(Plain(TextKey::Type) + u':', this), 1, 0);
        grid->addWidget(type_, 1, 1);
        const SpinRow length = AddSpinRow(grid, this, Plain(TextKey::Length), QStringLiteral("Length"), MinFieldLength,
                                          MaxFieldLength, 0, 1, QString());
        length_ = length.edit;
        lengthSpin_ = length.spin;
        length_->setText(QString::number(DefaultFieldLength));
        layout->addLayout(grid);
        AddDialogButtons(this, layout, true, [] { return NewFieldHelpContext; });
        name_->setFocus();
    }
    void accept() override
    {
        const FieldNameCheck c = CheckNewFieldName(name_->text());
        if (!c.Ok) {
            ErrorMsg(c.Key, c.Param, NewFieldHelpContext);
            name_->setFocus();
            return;
        }
        if (!CheckRealEdit(length_, Plain(TextKey::Length), MinFieldLength, MaxFieldLength))
            return;
        field_ = {c.Name, type_->currentText().at(0).toLatin1(), int(lengthSpin_->Value()), 0};
        QDialog::accept();
    }
    TableField Field() const { return field_; }
    bool After() const { return after_->isChecked(); }

private:
    QRadioButton* before_;
    QRadioButton* after_;
    QLineEdit* name_;
    QComboBox* type_;
    QLineEdit* length_;
    TRealUpDown* lengthSpin_;
    TableField field_;
};

class TDBaseDlg : public QDialog {
public:
    explicit TDBaseDlg(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("DBaseDlg"));
        setWindowTitle(Plain(TextKey::DBaseTable));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(Plain(TextKey::Fields) + u':', this));
        fields_ = new QTableWidget(1, 4, this);
        fields_->setObjectName(QStringLiteral("FieldsB"));
        fields_->setHorizontalHeaderLabels(
            {Plain(TextKey::FieldName), Plain(TextKey::Type), Plain(TextKey::Length), Plain(TextKey::Decimals)});
        fields_->verticalHeader()->hide();
        // Every column as wide as its caption and values.
        fields_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        fields_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        fields_->setSelectionBehavior(QAbstractItemView::SelectRows);
        layout->addWidget(fields_);
        auto* row = new QHBoxLayout;
        const auto button = [&](TextKey caption, const char* name, void (TDBaseDlg::*slot)()) {
            auto* b = new QPushButton(Plain(caption), this);
            b->setObjectName(QLatin1String(name));
            connect(b, &QPushButton::clicked, this, slot);
            row->addWidget(b);
            return b;
        };
        button(TextKey::New, "NewTableBtn", &TDBaseDlg::NewTable);
        button(TextKey::OpenTable, "OpenTableBtn", &TDBaseDlg::OpenTable);
        add_ = button(TextKey::Add, "AddBtn", &TDBaseDlg::AddField);
        remove_ = button(TextKey::Remove, "RemoveBtn", &TDBaseDlg::RemoveField);
        layout->addLayout(row);
        AddDialogButtons(this, layout, true, [] { return DBaseDlgHelpContext; });
        Show();
    }

    void accept() override
    {
        if (mode_ == Mode::New) {
            // The new table gets its file now; Cancel in the save dialog keeps this one open.
            QString name = MapFolder() + QStringLiteral("/*.dbf");
            if (!DBaseSaveNewTable(name))
                return;
        }
        QDialog::accept();
    }

private:
    enum class Mode { None, New, Opened };

    void Show()
    {
        const std::vector<TableField> fields = mode_ == Mode::None ? std::vector<TableField>{} : DBaseHeaderFields();
        fields_->setRowCount(std::max<int>(1, int(fields.size())));
        for (int r = 0; r < fields_->rowCount(); ++r)
            for (int c = 0; c < 4; ++c)
                fields_->setItem(r, c, new QTableWidgetItem());
        for (int r = 0; r < int(fields.size()); ++r) {
            const TableField& f = fields[size_t(r)];
            const QString texts[] = {f.Name, QString(QChar(f.Type)), QString::number(f.Length),
                                     QString::number(f.Decimals)};
            for (int c = 0; c < 4; ++c)
                fields_->item(r, c)->setText(texts[c]);
        }
        add_->setEnabled(mode_ != Mode::None);
        remove_->setEnabled(mode_ != Mode::None && !fields.empty());
        count_ = int(fields.size());
        // Wide enough for all four columns, the last one (Decimals) included.
        fields_->setMinimumWidth(fields_->horizontalHeader()->length() + 2 * fields_->frameWidth()
                                 + fields_->verticalScrollBar()->sizeHint().width());
    }
    bool Reopen() { return DbOpenTable(DbKindDBase, folder_, table_); }
    void NewTable()
    {
        DbClose();
        DBaseNewLinkTable();
        mode_ = Mode::New;
        Show();
    }
    void OpenTable()
    {
        QString name = (mode_ != Mode::None && !MapFolder().isEmpty() ? MapFolder() : ProgramConfig.MapFolder)
                       + QStringLiteral("/*.dbf");
        if (!ExecOpenDialog(Plain(TextKey::OpenDBaseFile), DbfFilter(), QStringLiteral("dbf"), DBaseDlgHelpContext,
                            name))
            return;
        const QFileInfo info(name);
        folder_ = info.absolutePath();
        table_ = info.completeBaseName();
        mode_ = Reopen() ? Mode::Opened : Mode::None;
        Show();
    }
    void AddField()
    {
        const int r = std::max(0, fields_->currentRow());
        TDbNewFieldDlg dlg(this);
        if (dlg.exec() != QDialog::Accepted)
            return;
        const TableField f = dlg.Field();
        const int position = std::min(count_, dlg.After() ? r + 1 : r);
        if (mode_ == Mode::New)
            InsertFieldInMemory(position, f);
        else if (DBaseInsertFieldAt(position, f.Name, f.Type, f.Length) && !Reopen())
            mode_ = Mode::None;
        Show();
    }
    void RemoveField()
    {
        const int r = fields_->currentRow();
        if (r < 0 || r >= count_)
            return;
        if (OkCancelMsg(TextKey::DeleteField, fields_->item(r, 0)->text(), DBaseDlgHelpContext) != IdOk)
            return;
        if (mode_ == Mode::New)
            RemoveFieldInMemory(r);
        else if (DBaseRemoveField(r) && !Reopen())
            mode_ = Mode::None;
        Show();
    }

    QTableWidget* fields_;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    Mode mode_ = Mode::None;
    QString folder_, table_;
    int count_ = 0;
};

} // namespace

void ShowDBaseDialog(QWidget* parent)
{
    GetData();
    TDBaseDlg dlg(parent);
    dlg.exec();
    ResetDbLinks();
    ShowObjectRecord();
}

} // namespace zemo
