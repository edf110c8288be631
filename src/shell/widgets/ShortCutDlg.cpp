#include "shell/widgets/ShortCutDlg.h"

#include "core/Help.h"
#include "core/LangTexts.h"
#include "core/StringX.h"
#include "shell/MenuModel.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>

namespace zemo {

namespace {

constexpr int ShortCutDlgHelp = 236;

QString Plain(TextKey k)
{
    return RemoveAmpersands(Text(k));
}

// Whether an action of the frame outside the configurable commands holds the key: the
// window system would fire neither of two actions sharing it.
bool HeldByFrame(const QKeySequence& key)
{
    TMainFm* fm = MainFrame();
    if (!fm || key.isEmpty())
        return false;
    std::set<const QAction*> configurable;
    for (int i = 0; i < ShortCutCount; ++i) {
        const ShortCutTarget& t = ShortCutTargetOf(i);
        for (Cmd c : {t.item, t.twin})
            if (c != Cmd::None)
                configurable.insert(fm->Action(c));
    }
    for (const QAction* a : fm->findChildren<QAction*>())
        if (!configurable.count(a) && a->shortcuts().contains(key))
            return true;
    for (const QShortcut* s : fm->findChildren<QShortcut*>())
        if (s->key() == key)
            return true;
    // A map window's own menu closes it with these, also while none is open.
    return QKeySequence::keyBindings(QKeySequence::Close).contains(key);
}

} // namespace

void TKeyChoiceList::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        if (QListWidgetItem* item = itemAt(event->position().toPoint()))
            Q_EMIT chosen(row(item));
}

void TKeyChoiceList::keyPressEvent(QKeyEvent* event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0)
        Q_EMIT chosen(currentRow());
}

TShortCutDlg::TShortCutDlg(QWidget* parent, std::function<bool(const QKeySequence&)> heldElsewhere)
    : QDialog(parent), editor_(ProgramConfig.ShortCutTexts, std::move(heldElsewhere))
{
    setObjectName(QStringLiteral("ShortCutDlg"));
    setWindowTitle(Plain(TextKey::Shortcuts));
    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* commandsLabel = new QLabel(Text(TextKey::Commands) + u':', this);
    commands_ = new QTreeWidget(this);
    commands_->setObjectName(QStringLiteral("CommandList"));
    commands_->setColumnCount(2);
    commands_->setHeaderHidden(true);
    commands_->setRootIsDecorated(false);
    commands_->setMinimumWidth(360);
    commands_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    commands_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    commands_->header()->setStretchLastSection(false);
    commandsLabel->setBuddy(commands_);
    left->addWidget(commandsLabel);
    left->addWidget(commands_);
    auto* right = new QVBoxLayout;
    auto* keysLabel = new QLabel(Text(TextKey::Shortcut) + u':', this);
    keys_ = new TKeyChoiceList(this);
    keys_->setObjectName(QStringLiteral("KeyList"));
    for (int i = 0; i < ShortCutChoiceCount; ++i)
        keys_->addItem(ShortCutChoiceShown(i));
    keysLabel->setBuddy(keys_);
    right->addWidget(keysLabel);
    right->addWidget(keys_);
    auto* standard = new QPushButton(Text(TextKey::Standard), this);
    standard->setObjectName(QStringLiteral("StandardBtn"));
    auto* allStandard = new QPushButton(Text(TextKey::AllStandard), this);
    allStandard->setObjectName(QStringLiteral("AllStandardBtn"));
    right->addWidget(standard);
    right->addWidget(allStandard);
    lists->addLayout(left, 3);
    lists->addLayout(right, 1);
    layout->addLayout(lists);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(Plain(TextKey::Close), QDialogButtonBox::AcceptRole);
    close->setObjectName(QStringLiteral("CloseBtn"));
    close->setDefault(true);
    QPushButton* help = buttons->addButton(Plain(TextKey::Help), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpBtn"));
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(ShortCutDlgHelp); });
    connect(commands_, &QTreeWidget::currentItemChanged, this, [this] { CommandSelected(); });
    connect(keys_, &TKeyChoiceList::chosen, this, &TShortCutDlg::KeyChosen);
    connect(standard, &QPushButton::clicked, this, &TShortCutDlg::Standard);
    connect(allStandard, &QPushButton::clicked, this, &TShortCutDlg::AllStandard);
}

void TShortCutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Fill();
}

void TShortCutDlg::Fill()
{
    const int selected = editor_.Selected();
    commands_->blockSignals(true);
    commands_->clear();
    for (int i = 0; i < ShortCutCount; ++i)
        new QTreeWidgetItem(commands_, {ShortCutCommandText(i), editor_.Shown(i)});
    commands_->blockSignals(false);
    if (selected >= 0) {
        commands_->setCurrentItem(commands_->topLevelItem(selected));
    } else {
        keys_->setCurrentRow(-1);
        keys_->clearSelection();
    }
}

void TShortCutDlg::UpdateLine(int index)
{
    if (QTreeWidgetItem* item = commands_->topLevelItem(index))
        item->setText(1, editor_.Shown(index));
}

void TShortCutDlg::CommandSelected()
{
    const int index = commands_->indexOfTopLevelItem(commands_->currentItem());
    editor_.Select(index);
    ShowKeyOf(index);
}

void TShortCutDlg::ShowKeyOf(int index)
{
    const int choice = index < 0 ? -1 : ShortCutChoiceOf(ProgramConfig.ShortCutTexts[size_t(index)]);
    keys_->blockSignals(true);
    if (choice < 0) {
        keys_->setCurrentRow(-1);
        keys_->clearSelection();
    } else {
        keys_->setCurrentRow(choice);
    }
    keys_->blockSignals(false);
}

void TShortCutDlg::KeyChosen(int row)
{
    if (editor_.Choose(row) == ShortCutEditor::Outcome::Changed)
        UpdateLine(editor_.Selected());
    ShowKeyOf(editor_.Selected());
}

void TShortCutDlg::Standard()
{
    if (editor_.Standard() == ShortCutEditor::Outcome::Changed)
        UpdateLine(editor_.Selected());
    ShowKeyOf(editor_.Selected());
}

void TShortCutDlg::AllStandard()
{
    editor_.AllStandard();
    Fill();
}

void ShowShortCutDlg()
{
    TMainFm* fm = MainFrame();
    TShortCutDlg dlg(fm, HeldByFrame);
    dlg.exec();
    if (fm)
        fm->ApplyShortCuts();
}

} // namespace zemo
