#include "symbols/widgets/SymDlg.h"

#include "core/CodePage.h"
#include "core/FieldChecks.h"
#include "core/Help.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "document/Index.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/AreaSymDlg.h"
#include "symbols/widgets/EditIconDlg.h"
#include "symbols/widgets/LTextSymDlg.h"
#include "symbols/widgets/LineSymDlg.h"
#include "symbols/widgets/PointSymDlg.h"
#include "symbols/widgets/RectSymDlg.h"
#include "symbols/widgets/TextSymDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zemo {

QString SymDlgText(TextKey k)
{
    return Text(k).remove(u'&');
}

std::vector<ComboColor> MapComboColors()
{
    std::vector<ComboColor> colors;
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return colors;
    const int count = std::clamp<int>(z->ColorBlock.ColorCount, 0, MaxColors);
    for (int i = 0; i < count; ++i) {
        const ColorRecord& c = z->ColorBlock.Colors[size_t(i)];
        const std::string name = ShortFieldText(c.Name);
        colors.push_back({c.Number, DecodeCodePage(1252, name.data(), qsizetype(name.size()))});
    }
    return colors;
}

QWidget* SymbolDialogParent()
{
    return MainFrame();
}

QDialogButtonBox* AddDialogButtons(QDialog* dlg, QBoxLayout* column, std::function<int()> helpContext)
{
    auto* buttons = new QDialogButtonBox(dlg);
    QPushButton* ok = buttons->addButton(SymDlgText(TextKey::Ok), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    buttons->addButton(SymDlgText(TextKey::Cancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    QPushButton* help = buttons->addButton(SymDlgText(TextKey::Help), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("HelpBtn"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, dlg,
                     [context = std::move(helpContext)] { ShowHelpContext(context()); });
    column->addWidget(buttons);
    return buttons;
}

QGridLayout* AddFieldGrid(QWidget* parent, QBoxLayout* column)
{
    auto* fields = new QWidget(parent);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    column->addWidget(fields);
    return grid;
}

namespace {

// A row of a field grid: label, edit, spin control and unit.
void AddFieldRow(QGridLayout* grid, QWidget* owner, const QString& label, QLineEdit* edit,
                 QWidget* spin, const QString& unit)
{
    edit->setMaximumWidth(80);
    const int row = grid->rowCount();
    auto* l = new QLabel(label + u':', owner);
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(spin, row, 2);
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, owner), row, 3);
}

// What a control shows, as far as a field is stored from it; invalid for other widgets.
QVariant ControlState(const QWidget* w)
{
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->isEditable() ? QVariant(c->currentText()) : QVariant(c->currentIndex());
    if (auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable())
        return b->isChecked();
    return {};
}

} // namespace

// ---- Pages ----

bool TSymTabBar::MayLeave()
{
    return !CanLeave || CanLeave();
}

void TSymTabBar::mousePressEvent(QMouseEvent* e)
{
    const int at = tabAt(e->position().toPoint());
    if (at >= 0 && at != currentIndex() && !MayLeave())
        return;
    QTabBar::mousePressEvent(e);
}

void TSymTabBar::keyPressEvent(QKeyEvent* e)
{
    const int k = e->key();
    if ((k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Home || k == Qt::Key_End)
        && !MayLeave())
        return;
    QTabBar::keyPressEvent(e);
}

void TSymTabBar::wheelEvent(QWheelEvent* e)
{
    if (!MayLeave())
        return;
    QTabBar::wheelEvent(e);
}

TSymPageControl::TSymPageControl(QWidget* parent) : QTabWidget(parent), bar_(new TSymTabBar(this))
{
    setTabBar(bar_);
    // Every page's tab in sight: the dialog grows to hold them.
    setUsesScrollButtons(false);
    bar_->CanLeave = [this] { return !check_ || check_(currentIndex()); };
}

void TSymPageControl::SetLeaveCheck(std::function<bool(int page)> check)
{
    check_ = std::move(check);
}

QWidget* TSymPageControl::AddPage(const QString& name, TextKey caption, int helpContext)
{
    auto* page = new QWidget(this);
    page->setObjectName(name);
    addTab(page, Text(caption));
    contexts_.push_back(helpContext);
    return page;
}

int TSymPageControl::HelpContext() const
{
    const int i = currentIndex();
    return i >= 0 && size_t(i) < contexts_.size() ? contexts_[size_t(i)] : 0;
}

void TSymPageControl::keyPressEvent(QKeyEvent* e)
{
    // Ctrl+Tab and Ctrl+PageDown change the page from anywhere in it.
    const bool pageKey = (e->modifiers() & Qt::ControlModifier)
        && (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab || e->key() == Qt::Key_PageUp
            || e->key() == Qt::Key_PageDown);
    if (pageKey && check_ && !check_(currentIndex()))
        return;
    QTabWidget::keyPressEvent(e);
}

// ---- Fields ----

bool TSymbolDlg::RealField::Check(TSymPageControl* pages) const
{
    return CheckRealUpDownPage(spin, label, unit, pages, pages ? page : nullptr);
}

double TSymbolDlg::RealField::Value() const
{
    return spin->Value();
}

void TSymbolDlg::RealField::SetValue(double v) const
{
    spin->SetValue(v);
}

bool TSymbolDlg::IntField::Check(TSymPageControl* pages) const
{
    const bool ok = CheckIntSpinText(edit->text(), label, spin->Min(), spin->Max()).ok;
    if (!ok) {
        if (pages && page)
            pages->setCurrentWidget(page);
        edit->setFocus();
    }
    return ok;
}

int TSymbolDlg::IntField::Value() const
{
    return spin->Value();
}

void TSymbolDlg::IntField::SetValue(int v) const
{
    spin->SetValue(v);
}

int16_t TSymbolDlg::Hundredths(double mm)
{
    return int16_t(std::clamp(std::nearbyint(mm * 100), -32768.0, 32767.0));
}

// ---- The dialog ----

TSymbolDlg::TSymbolDlg(QWidget* parent, const QString& name, TextKey caption, int helpContext)
    : QDialog(parent), column_(new QVBoxLayout(this)), helpContext_(helpContext)
{
    setObjectName(name);
    setWindowTitle(SymDlgText(caption));
}

void TSymbolDlg::AddNumberRows(QGridLayout* grid)
{
    SymNumB = new QLineEdit(this);
    SymNumB->setObjectName(QStringLiteral("SymNumB"));
    SymNumB->setMaximumWidth(80);
    DescriptionB = new QLineEdit(this);
    DescriptionB->setObjectName(QStringLiteral("DescriptionB"));
    DescriptionB->setMaxLength(int(String31Bytes) - 1);
    auto* numL = new QLabel(SymDlgText(TextKey::SymNum) + u':', this);
    numL->setBuddy(SymNumB);
    auto* descL = new QLabel(SymDlgText(TextKey::Description) + u':', this);
    descL->setBuddy(DescriptionB);
    grid->addWidget(numL, 0, 0);
    grid->addWidget(SymNumB, 0, 1, Qt::AlignLeft);
    grid->addWidget(descL, 1, 0);
    grid->addWidget(DescriptionB, 1, 1);
}

TSymPageControl* TSymbolDlg::MakePages()
{
    Pages = new TSymPageControl(this);
    Pages->setObjectName(QStringLiteral("PageControl"));
    Pages->SetLeaveCheck([this](int page) { return CheckPage(page); });
    column_->addWidget(Pages);
    return Pages;
}

TSymbolDlg::RealField TSymbolDlg::AddMmField(QGridLayout* grid, const QString& name, TextKey label,
                                             int maxHundredths, QWidget* page)
{
    return AddRealField(grid, name, label, 0, maxHundredths / 100.0, 2, QStringLiteral("mm"), page);
}

TSymbolDlg::RealField TSymbolDlg::AddRealField(QGridLayout* grid, const QString& name, TextKey label,
                                               double min, double max, int decimals,
                                               const QString& unit, QWidget* page)
{
    RealField f;
    QWidget* owner = grid->parentWidget() ? grid->parentWidget() : this;
    f.label = SymDlgText(label);
    f.unit = unit;
    f.page = page;
    f.edit = new QLineEdit(owner);
    f.edit->setObjectName(name + u'E');
    f.spin = new TRealUpDown(owner);
    f.spin->setObjectName(name + u'B');
    f.spin->SetAssociate(f.edit);
    f.spin->SetMinValue(min);
    f.spin->SetMaxValue(max);
    f.spin->SetDecimals(decimals);
    f.spin->SetIncrement(decimals >= 2 ? 0.05 : 1.0);
    AddFieldRow(grid, owner, f.label, f.edit, f.spin, f.unit);
    return f;
}

TSymbolDlg::IntField TSymbolDlg::AddIntField(QGridLayout* grid, const QString& name, TextKey label,
                                             int min, int max, const QString& unit, QWidget* page)
{
    IntField f;
    QWidget* owner = grid->parentWidget() ? grid->parentWidget() : this;
    f.label = SymDlgText(label);
    f.page = page;
    f.edit = new QLineEdit(owner);
    f.edit->setObjectName(name + u'E');
    f.spin = new TIntUpDown(owner);
    f.spin->setObjectName(name + u'B');
    f.spin->SetAssociate(f.edit);
    f.spin->SetRange(min, max);
    AddFieldRow(grid, owner, f.label, f.edit, f.spin, unit);
    return f;
}

QComboBox* TSymbolDlg::AddColorCombo(QGridLayout* grid, const QString& name, TextKey label)
{
    QWidget* owner = grid->parentWidget() ? grid->parentWidget() : this;
    auto* combo = new QComboBox(owner);
    combo->setObjectName(name);
    const int row = grid->rowCount();
    auto* l = new QLabel(SymDlgText(label) + u':', owner);
    l->setBuddy(combo);
    grid->addWidget(l, row, 0);
    grid->addWidget(combo, row, 1, 1, 3);
    return combo;
}

QPushButton* TSymbolDlg::MakeEditButton(QWidget* parent, const QString& name, TextKey caption,
                                        int list, std::function<void()> before)
{
    auto* b = new QPushButton(Text(caption) + QStringLiteral("..."), parent);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, list, before = std::move(before)] {
        if (!CheckAll())
            return;
        if (before)
            before();
        ReadFields();
        Session().EditedList = list;
        done(SymbolDlgEdit);
    });
    return b;
}

void TSymbolDlg::AddButtons()
{
    QDialogButtonBox* buttons = AddDialogButtons(this, column_, [this] {
        const int page = Pages ? Pages->HelpContext() : 0;
        return page > 0 ? page : helpContext_;
    });
    IconBtn = buttons->addButton(SymDlgText(TextKey::Icon) + QStringLiteral("..."),
                                 QDialogButtonBox::ActionRole);
    IconBtn->setObjectName(QStringLiteral("IconBtn"));
    connect(IconBtn, &QPushButton::clicked, this, &TSymbolDlg::OpenIconEditor);
}

void TSymbolDlg::OpenIconEditor()
{
    ExecEditIconDlg(this, Work());
}

bool TSymbolDlg::CheckNumber()
{
    std::vector<int> numbers;
    if (const TZmd* z = Index.ActiveZmd)
        for (const SymbolBytes& r : z->Symbols)
            numbers.push_back(SymI16(r, SymNumber));
    if (!CheckSymbolNumber(SymNumB, true, Session().Position, numbers, &number_)) {
        if (Pages)
            SymNumB->setFocus();
        return false;
    }
    return true;
}

void TSymbolDlg::RememberShown()
{
    shown_.clear();
    for (const QWidget* w : findChildren<QWidget*>())
        if (QVariant v = ControlState(w); v.isValid())
            shown_.emplace(w, std::move(v));
}

bool TSymbolDlg::Edited(const QWidget* control) const
{
    if (!session_ || session_->Position < 0 || !control)
        return true;
    const auto it = shown_.find(control);
    return it == shown_.end() || it->second != ControlState(control);
}

bool TSymbolDlg::Edited(const QButtonGroup* group) const
{
    const QList<QAbstractButton*> buttons = group->buttons();
    return std::any_of(buttons.begin(), buttons.end(), [this](const QAbstractButton* b) { return Edited(b); });
}

bool TSymbolDlg::CheckAll()
{
    if (Edited(SymNumB) && !CheckNumber())
        return false;
    if (!Pages)
        return CheckPage(-1);
    // The page shown first, so that a message names a field the user sees.
    if (!CheckPage(Pages->currentIndex()))
        return false;
    for (int p = 0; p < Pages->count(); ++p)
        if (p != Pages->currentIndex() && !CheckPage(p))
            return false;
    return true;
}

void TSymbolDlg::accept()
{
    if (!CheckAll())
        return;
    ReadFields();
    done(SymbolDlgOk);
}

int TSymbolDlg::Run(SymbolEditSession& s)
{
    session_ = &s;
    SymNumB->setText(TenthsToStr(SymI16(Work(), SymNumber)));
    DescriptionB->setText(SymbolDescription(Work()));
    FillFields();
    RememberShown();
    SymNumB->setFocus();
    SymNumB->selectAll();
    const int result = exec();
    if (result == SymbolDlgOk || result == SymbolDlgEdit) {
        if (Edited(SymNumB))
            SetSymI16(Work(), SymNumber, int16_t(number_));
        if (Edited(DescriptionB)) {
            const QByteArray d = EncodeCodePage(1252, DescriptionB->text());
            SetShortFieldText(std::span(Work()).subspan(SymDescription, String31Bytes), d.toStdString());
        }
        return result;
    }
    return SymbolDlgCancel;
}

int ExecSymbolDialog(SymbolEditSession& s)
{
    switch (s.Kind) {
    case SymbolEditorKind::Point: {
        TPointSymDlg dlg(SymbolDialogParent());
        return dlg.Run(s);
    }
    case SymbolEditorKind::Line: {
        TLineSymDlg dlg(SymbolDialogParent());
        return dlg.Run(s);
    }
    case SymbolEditorKind::Area: {
        TAreaSymDlg dlg(SymbolDialogParent());
        return dlg.Run(s);
    }
    case SymbolEditorKind::Text: {
        TTextSymDlg dlg(SymbolDialogParent());
        return dlg.Run(s);
    }
    case SymbolEditorKind::LineText: {
        TLTextSymDlg dlg(SymbolDialogParent());
        return dlg.Run(s);
    }
    case SymbolEditorKind::Rect: {
        TRectSymDlg dlg(SymbolDialogParent());
        return dlg.Run(s);
    }
    default:
        return SymbolDlgCancel;
    }
}

} // namespace zemo
