#include "external/database/widgets/AssignDlg.h"

#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "external/database/AssignSym.h"
#include "external/database/DbObject.h"
#include "shell/widgets/DialogRows.h"

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace zemo {

namespace {

QString Plain(TextKey k)
{
    return Text(k).remove(u'&');
}

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

QStringList DatasetNames()
{
    QStringList names;
    if (const TZmd* z = Map())
        for (const auto& item : z->Datasets.Items())
            names << GetParamName(item.Text);
    return names;
}

QComboBox* DatasetBox(QWidget* owner)
{
    auto* box = new QComboBox(owner);
    box->setObjectName(QStringLiteral("DatasetB"));
    box->addItems(DatasetNames());
    return box;
}

QPushButton* Button(QWidget* owner, TextKey caption, const char* name)
{
    auto* b = new QPushButton(Plain(caption), owner);
    b->setObjectName(QLatin1String(name));
    return b;
}

// OK runs the command; it closes the dialog only when the command could run.
class CommandDialog : public QDialog {
public:
    using QDialog::QDialog;
    std::function<bool()> Execute;
    void accept() override
    {
        if (!Execute || Execute())
            QDialog::accept();
    }
};

// The rules stay while the same map file is current; the condition file is remembered.
struct RuleMemory {
    std::vector<AssignRule> Rules;
    std::string MapPath;
    QString FileName;
};

RuleMemory& Memory()
{
    static RuleMemory m;
    return m;
}

QString CntFilter()
{
    return Text(TextKey::ConditionFiles) + QStringLiteral(" (*.cnt)|*.cnt|") + Text(TextKey::AllFiles)
           + QStringLiteral(" (*.*)|*.*");
}

QString MapFolder()
{
    const SetupRecord* s = Stp();
    return s && !s->MapPath.empty() ? QFileInfo(QString::fromStdString(s->MapPath)).absolutePath() : QString();
}

bool EditRule(QWidget* parent, AssignRule& rule)
{
    CommandDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("EditCondDlg"));
    dlg.setWindowTitle(Plain(TextKey::Condition));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    auto* symbol = new QComboBox(&dlg);
    symbol->setObjectName(QStringLiteral("SymbolB"));
    const QStringList texts = RuleSymbolTexts();
    symbol->addItems(texts);
    const QString word = FirstWord(TrimBlanks(rule.SymbolText));
    int at = 0;
    if (!word.isEmpty()) {
        at = -1;
        for (int i = 0; i < texts.size() && at < 0; ++i)
            if (FirstWord(texts[i]) == word)
                at = i;
        if (at < 0) {
            symbol->addItem(rule.SymbolText);
            at = symbol->count() - 1;
        }
    }
    symbol->setCurrentIndex(at);
    auto* condition = new QLineEdit(rule.Condition, &dlg);
    condition->setObjectName(QStringLiteral("ConditionB"));
    form->addRow(Plain(TextKey::ToSymbol) + u':', symbol);
    form->addRow(Plain(TextKey::Condition) + u':', condition);
    layout->addLayout(form);
    AddDialogButtons(&dlg, layout, true, [] { return EditCondHelpContext; });
    dlg.Execute = [&] { return ParseCondition(condition->text()); };
    if (dlg.exec() != QDialog::Accepted)
        return false;
    rule = {symbol->currentText(), condition->text()};
    return true;
}

class TAssignSymDlg : public CommandDialog {
public:
    explicit TAssignSymDlg(QWidget* parent) : CommandDialog(parent)
    {
        setObjectName(QStringLiteral("AssignSymDlg"));
        setWindowTitle(Plain(TextKey::AssignSym));
        auto* layout = new QVBoxLayout(this);
        dataset_ = DatasetBox(this);
        layout->addWidget(dataset_);
        tab_ = new QTableWidget(0, 2, this);
        tab_->setObjectName(QStringLiteral("TabB"));
        tab_->setHorizontalHeaderLabels({Plain(TextKey::ToSymbol), Plain(TextKey::Condition)});
        tab_->verticalHeader()->hide();
        tab_->setSelectionBehavior(QAbstractItemView::SelectRows);
        tab_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tab_->horizontalHeader()->setStretchLastSection(true);
        layout->addWidget(tab_);
        auto* row = new QHBoxLayout;
        const struct {
            TextKey caption;
            const char* name;
            void (TAssignSymDlg::*slot)();
        } buttons[] = {{TextKey::Add, "AddBtn", &TAssignSymDlg::Add},
                       {TextKey::Edit, "EditBtn", &TAssignSymDlg::Edit},
                       {TextKey::Remove, "RemoveBtn", &TAssignSymDlg::Remove},
                       {TextKey::Load, "LoadBtn", &TAssignSymDlg::Load},
                       {TextKey::Save, "SaveBtn", &TAssignSymDlg::Save},
                       {TextKey::SaveAsBtn, "SaveAsBtn", &TAssignSymDlg::SaveAs}};
        for (const auto& b : buttons) {
            QPushButton* p = Button(this, b.caption, b.name);
            connect(p, &QPushButton::clicked, this, b.slot);
            row->addWidget(p);
        }
        layout->addLayout(row);
        AddDialogButtons(this, layout, true, [] { return AssignSymHelpContext; });
        Show(Memory().Rules);
        Execute = [this] {
            Memory().Rules = Rules();
            return ApplySymbolRules(dataset_->currentText(), Memory().Rules);
        };
    }

private:
    std::vector<AssignRule> Rules() const
    {
        std::vector<AssignRule> rules;
        for (int r = 0; r < tab_->rowCount(); ++r)
            rules.push_back({tab_->item(r, 0)->text(), tab_->item(r, 1)->text()});
        return rules;
    }
    void Show(const std::vector<AssignRule>& rules)
    {
        tab_->setRowCount(int(rules.size()));
        for (int r = 0; r < int(rules.size()); ++r) {
            tab_->setItem(r, 0, new QTableWidgetItem(rules[size_t(r)].SymbolText));
            tab_->setItem(r, 1, new QTableWidgetItem(rules[size_t(r)].Condition));
        }
    }
    void Add()
    {
        AssignRule rule;
        if (!EditRule(this, rule))
            return;
        std::vector<AssignRule> rules = Rules();
        rules.push_back(rule);
        Show(rules);
        tab_->selectRow(int(rules.size()) - 1);
    }
    void Edit()
    {
        const int r = std::max(0, tab_->currentRow());
        std::vector<AssignRule> rules = Rules();
        if (r >= int(rules.size()) || !EditRule(this, rules[size_t(r)]))
            return;
        Show(rules);
        tab_->selectRow(r);
    }
    void Remove()
    {
        std::vector<AssignRule> rules = Rules();
        const int r = tab_->currentRow();
        if (r < 0 || r >= int(rules.size()))
            return;
        rules.erase(rules.begin() + r);
        Show(rules);
    }
    void Load()
    {
        QString name = MapFolder() + QStringLiteral("/*.cnt");
        if (!ExecOpenDialog(Text(TextKey::LoadConditionFile), CntFilter(), QStringLiteral("cnt"), AssignSymHelpContext,
                            name))
            return;
        std::vector<AssignRule> rules;
        if (!LoadCntFile(name, rules))
            return;
        Memory().FileName = name;
        Show(rules);
    }
    void Save()
    {
        if (Memory().FileName.isEmpty())
            SaveAs();
        else
            SaveCntFile(Memory().FileName, Rules());
    }
    void SaveAs()
    {
        QString name = Memory().FileName.isEmpty() ? MapFolder() + QStringLiteral("/*.cnt") : Memory().FileName;
        if (!ExecSaveDialog(Text(TextKey::SaveConditionFile), CntFilter(), QStringLiteral("cnt"),
                            AssignSymHelpContext, name))
            return;
        if (SaveCntFile(name, Rules()))
            Memory().FileName = name;
    }

    QComboBox* dataset_;
    QTableWidget* tab_;
};

// Texts and angles: a dataset and one of its fields.
void AssignFromField(QWidget* parent, TextKey caption, TextKey fieldLabel, const char* name, int helpContext,
                     const std::function<bool(const QString&, const QString&)>& apply)
{
    CommandDialog dlg(parent);
    dlg.setObjectName(QLatin1String(name));
    dlg.setWindowTitle(Plain(caption));
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    QComboBox* dataset = DatasetBox(&dlg);
    auto* field = new QComboBox(&dlg);
    field->setObjectName(QStringLiteral("FieldB"));
    const auto fill = [&] {
        int pre = 0;
        field->clear();
        field->addItems(DatasetFieldNames(dataset->currentText(), pre));
        field->setCurrentIndex(pre);
    };
    QObject::connect(dataset, &QComboBox::currentIndexChanged, &dlg, fill);
    fill();
    form->addRow(Plain(TextKey::Dataset) + u':', dataset);
    form->addRow(Plain(fieldLabel) + u':', field);
    layout->addLayout(form);
    AddDialogButtons(&dlg, layout, true, [helpContext] { return helpContext; });
    dlg.Execute = [&] { return apply(dataset->currentText(), field->currentText()); };
    dlg.exec();
}

} // namespace

void AssignSymbols(QWidget* parent)
{
    TZmd* z = Map();
    if (!z || z->Datasets.Count() == 0)
        return;
    GetData();
    if (Memory().MapPath != Stp()->MapPath) {
        Memory().Rules.clear();
        Memory().MapPath = Stp()->MapPath;
    }
    TAssignSymDlg dlg(parent);
    dlg.exec();
    ShowObjectRecord();
}

void AssignTexts(QWidget* parent)
{
    if (!Map())
        return;
    GetData();
    AssignFromField(parent, TextKey::AssignText, TextKey::TextField, "AssignTextDlg", AssignTextHelpContext,
                    [](const QString& d, const QString& f) { return ApplyTexts(d, f); });
    ShowObjectRecord();
}

void AssignAngles(QWidget* parent)
{
    if (!Map())
        return;
    GetData();
    AssignFromField(parent, TextKey::AssignAngle, TextKey::AngleField, "AssignAngleDlg", AssignAngleHelpContext,
                    [](const QString& d, const QString& f) { return ApplyAngles(d, f); });
    ShowObjectRecord();
}

} // namespace zemo
