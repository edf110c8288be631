#include "symbols/widgets/SpotColorsDlg.h"

#include "core/Help.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "core/widgets/SpinControls.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/SymDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

// A row of label, edit (with a spin control when asked) and unit.
QLineEdit* FieldRow(QWidget* owner, QGridLayout* grid, const QString& name, const QString& label,
                    const QString& unit, double min = 0, double max = 0)
{
    const int row = grid->rowCount();
    auto* edit = new QLineEdit(owner);
    edit->setObjectName(name);
    edit->setMaximumWidth(80);
    auto* l = new QLabel(label + u':', owner);
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1);
    if (max > min) {
        auto* spin = new TRealUpDown(owner);
        spin->SetAssociate(edit);
        spin->SetMinValue(min);
        spin->SetMaxValue(max);
        spin->SetDecimals(1);
        spin->SetIncrement(1);
        grid->addWidget(spin, row, 2);
    }
    grid->addWidget(new QLabel(unit, owner), row, 3);
    return edit;
}

} // namespace

TSpotColorsDlg::TSpotColorsDlg(SpotColorsEdit& edit, QWidget* parent)
    : QDialog(parent), edit_(edit), listB_(new QListWidget(this))
{
    setObjectName(QStringLiteral("SpotColorsDlg"));
    setWindowTitle(SymDlgText(TextKey::SpotColorsT));
    auto* row = new QHBoxLayout(this);
    listB_->setObjectName(QStringLiteral("ListB"));
    listB_->setMinimumWidth(120);
    row->addWidget(listB_);
    connect(listB_, &QListWidget::currentRowChanged, this, [this](int r) {
        if (r >= 0 && r != current_)
            Choose(r);
    });

    auto* middle = new QVBoxLayout;
    row->addLayout(middle, 1);
    QGridLayout* grid = AddFieldGrid(this, middle);
    nameB_ = FieldRow(this, grid, QStringLiteral("NameB"), SymDlgText(TextKey::Name), QString());
    nameB_->setMaxLength(MaxSeparationNameChars);
    freqB_ = FieldRow(this, grid, QStringLiteral("FreqB"), SymDlgText(TextKey::HalfFreq),
                      QStringLiteral("lpi"), MinSeparationLpi, MaxSeparationLpi);
    angleB_ = FieldRow(this, grid, QStringLiteral("AngleB"), SymDlgText(TextKey::HalfAng),
                       SymDlgText(TextKey::Degrees), -MaxSeparationAngle, MaxSeparationAngle);
    auto* look = new QGroupBox(SymDlgText(TextKey::Appearance), this);
    auto* lookGrid = new QGridLayout(look);
    static constexpr std::array<TextKey, 4> keys = {TextKey::Cyan, TextKey::Magenta,
                                                    TextKey::Yellow, TextKey::Black};
    static constexpr std::array<const char*, 4> names = {"CyanB", "MagentaB", "YellowB", "BlackB"};
    for (size_t k = 0; k < 4; ++k)
        cmykB_[k] = FieldRow(look, lookGrid, QString::fromLatin1(names[k]), SymDlgText(keys[k]),
                             QStringLiteral("%"), 0, 100);
    middle->addWidget(look);
    middle->addStretch(1);

    auto* buttons = new QVBoxLayout;
    row->addLayout(buttons);
    const auto button = [&](const char* name, const QString& text) {
        return AddSideButton(this, buttons, QString::fromLatin1(name), text);
    };
    newBtn_ = button("NewBtn", SymDlgText(TextKey::New));
    deleteBtn_ = button("DeleteBtn", SymDlgText(TextKey::Delete));
    buttons->addStretch(1);
    QPushButton* close = button("CloseBtn", SymDlgText(TextKey::Close));
    close->setDefault(true);
    QPushButton* help = button("HelpBtn", SymDlgText(TextKey::Help));
    connect(newBtn_, &QPushButton::clicked, this, &TSpotColorsDlg::New);
    connect(deleteBtn_, &QPushButton::clicked, this, &TSpotColorsDlg::Delete);
    connect(close, &QPushButton::clicked, this, &TSpotColorsDlg::accept);
    connect(help, &QPushButton::clicked, this, [] { ShowHelpContext(SpotColorsHelpContext); });

    current_ = edit_.Remembered();
    FillList();
}

void TSpotColorsDlg::FillList()
{
    const QSignalBlocker quiet(listB_);
    listB_->clear();
    listB_->addItems(edit_.Entries());
    current_ = std::clamp(current_, 0, listB_->count() - 1);
    listB_->setCurrentRow(current_);
    ShowSeparation(current_);
}

void TSpotColorsDlg::ShowSeparation(int i)
{
    const SeparationTexts t = edit_.Texts(i);
    nameB_->setText(t.Name);
    freqB_->setText(t.Lpi);
    angleB_->setText(t.Angle);
    for (size_t k = 0; k < 4; ++k)
        cmykB_[k]->setText(t.Cmyk[k]);
    UpdateButtons();
}

void TSpotColorsDlg::UpdateButtons()
{
    newBtn_->setEnabled(edit_.CanAdd());
    deleteBtn_->setEnabled(edit_.CanDelete());
}

bool TSpotColorsDlg::StoreCurrent()
{
    SeparationTexts t{nameB_->text(), freqB_->text(), angleB_->text(), {}};
    for (size_t k = 0; k < 4; ++k)
        t.Cmyk[k] = cmykB_[k]->text();
    QLineEdit* failed = nullptr;
    switch (edit_.Store(current_, t)) {
    case SpotColorsEdit::Field::None:
        break;
    case SpotColorsEdit::Field::Name: failed = nameB_; break;
    case SpotColorsEdit::Field::Lpi: failed = freqB_; break;
    case SpotColorsEdit::Field::Angle: failed = angleB_; break;
    case SpotColorsEdit::Field::Cyan: failed = cmykB_[0]; break;
    case SpotColorsEdit::Field::Magenta: failed = cmykB_[1]; break;
    case SpotColorsEdit::Field::Yellow: failed = cmykB_[2]; break;
    case SpotColorsEdit::Field::Black: failed = cmykB_[3]; break;
    }
    if (failed) {
        failed->setFocus();
        failed->selectAll();
        return false;
    }
    // The entry shows the name as stored.
    if (edit_.Count() > 0 && current_ < listB_->count()) {
        listB_->item(current_)->setText(edit_.Values(current_).Name);
        nameB_->setText(edit_.Values(current_).Name);
    }
    UpdateButtons();
    return true;
}

void TSpotColorsDlg::Choose(int i)
{
    if (!StoreCurrent()) {
        const QSignalBlocker quiet(listB_);
        listB_->setCurrentRow(current_);
        return;
    }
    current_ = i;
    FillList();
}

void TSpotColorsDlg::New()
{
    if (!edit_.CanAdd() || !StoreCurrent())
        return;
    if (edit_.Count() == 0) {
        // Nothing to add behind until the prepared separation has a name.
        ErrorMsg(TextKey::SepNameEmpty);
        nameB_->setFocus();
        return;
    }
    current_ = edit_.Add(current_);
    FillList();
    nameB_->setFocus();
}

void TSpotColorsDlg::Delete()
{
    if (!edit_.CanDelete())
        return;
    current_ = edit_.Delete(current_);
    FillList();
}

void TSpotColorsDlg::accept()
{
    if (!StoreCurrent())
        return;
    edit_.Remember(current_);
    QDialog::accept();
}

// The dialog has no Cancel: closing the window is Close.
void TSpotColorsDlg::reject()
{
    if (!StoreCurrent())
        return;
    edit_.Remember(current_);
    QDialog::reject();
}

void ExecSpotColorsDlg(QWidget* parent, SpotColorsEdit& edit)
{
    TSpotColorsDlg d(edit, parent);
    d.exec();
}

} // namespace zemo
