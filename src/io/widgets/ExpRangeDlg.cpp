#include "io/widgets/ExpRangeDlg.h"

#include "io/widgets/RangeRows.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

// ---- Export range ----

TExpRangeDlg::TExpRangeDlg(QWidget* parent, ExportRangeEdit& edit)
    : TMapDlgForm(parent, QStringLiteral("ExpRangeDlg"), TextKey::SetupPartialExp, ExpRangeHelpContext),
      edit_(edit), rows_(new TRangeRows(this))
{
    AddWidget(rows_);
    auto* cordB = new QGroupBox(this);
    cordB->setObjectName(QStringLiteral("CordB"));
    auto* box = new QVBoxLayout(cordB);
    paperB_ = new QRadioButton(Text(TextKey::Paper), cordB);
    paperB_->setObjectName(QStringLiteral("PaperB"));
    realWorldB_ = new QRadioButton(Text(TextKey::RealWorld), cordB);
    realWorldB_->setObjectName(QStringLiteral("RealWorldB"));
    box->addWidget(paperB_);
    box->addWidget(realWorldB_);
    auto* group = new QButtonGroup(this);
    group->addButton(paperB_);
    group->addButton(realWorldB_);
    AddWidget(cordB);
    auto* entire = Button(this, TextKey::EntireMap, "EntireMapBtn");
    auto* define = Button(this, TextKey::Define, "DefineBtn");
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(entire);
    h->addWidget(define);
    AddWidget(row);
    AddButtons();

    realWorldB_->setEnabled(edit_.RealWorldOffered());
    (edit_.Unit() == RangeUnit::Paper ? paperB_ : realWorldB_)->setChecked(true);
    // The fields go into the rectangle in the unit they were shown in, then come back in the
    // other one.
    connect(paperB_, &QRadioButton::clicked, this, [this] { SwitchUnit(RangeUnit::Paper); });
    connect(realWorldB_, &QRadioButton::clicked, this, [this] { SwitchUnit(RangeUnit::RealWorld); });
    connect(entire, &QPushButton::clicked, this, [this] { EntireMap(); });
    connect(define, &QPushButton::clicked, this, [this] { Define(); });
    Load();
    rows_->Edit(0)->setFocus();
}

void TExpRangeDlg::Load()
{
    rows_->SetLimits(edit_.Limits(), edit_.UnitLabel());
    rows_->SetFields(edit_.Fields());
}

void TExpRangeDlg::SwitchUnit(RangeUnit unit)
{
    if (unit == edit_.Unit())
        return;
    edit_.SetUnit(unit, rows_->Fields());
    (edit_.Unit() == RangeUnit::Paper ? paperB_ : realWorldB_)->setChecked(true);
    Load();
}

void TExpRangeDlg::EntireMap()
{
    edit_.EntireMap();
    Load();
}

bool TExpRangeDlg::StoreChecked()
{
    if (!rows_->Check())
        return false;
    edit_.Store(rows_->Fields());
    return true;
}

void TExpRangeDlg::Define()
{
    if (!StoreChecked())
        return;
    answer_ = RangeAnswer::Define;
    QDialog::accept();
}

void TExpRangeDlg::accept()
{
    if (!StoreChecked())
        return;
    answer_ = RangeAnswer::Ok;
    QDialog::accept();
}

RangeAnswer ExecExpRangeDlg(QWidget* parent, ExportRangeEdit& edit)
{
    TExpRangeDlg dlg(parent, edit);
    return dlg.exec() == QDialog::Accepted ? dlg.Answer() : RangeAnswer::Cancel;
}

// ---- One page ----

TOnePageDlg::TOnePageDlg(QWidget* parent, OnePageEdit& edit)
    : TMapDlgForm(parent, QStringLiteral("OnePageDlg"), TextKey::SetupOnePage, OnePageHelpContext),
      edit_(edit)
{
    const QString mm = QStringLiteral("mm");
    left_ = AddSpin(TextKey::Left, QStringLiteral("Left"), -OnePageRangeMm, OnePageRangeMm, 2, 5, mm);
    bottom_ = AddSpin(TextKey::Bottom, QStringLiteral("Bottom"), -OnePageRangeMm, OnePageRangeMm, 2, 5, mm);
    auto* reset = Button(this, TextKey::Reset, "ResetBtn");
    auto* define = Button(this, TextKey::Define, "DefineBtn");
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(reset);
    h->addWidget(define);
    AddWidget(row);
    AddButtons();
    left_.SetValue(edit_.Left());
    bottom_.SetValue(edit_.Bottom());
    connect(reset, &QPushButton::clicked, this, [this] {
        double left = 0, bottom = 0;
        edit_.Reset(left, bottom);
        left_.SetValue(left);
        bottom_.SetValue(bottom);
    });
    connect(define, &QPushButton::clicked, this, [this] {
        if (!StoreChecked())
            return;
        answer_ = RangeAnswer::Define;
        QDialog::accept();
    });
}

bool TOnePageDlg::StoreChecked()
{
    if (!left_.Check() || !bottom_.Check())
        return false;
    edit_.Store(left_.Value(), bottom_.Value());
    return true;
}

void TOnePageDlg::accept()
{
    if (!StoreChecked())
        return;
    answer_ = RangeAnswer::Ok;
    QDialog::accept();
}

RangeAnswer ExecOnePageDlg(QWidget* parent, OnePageEdit& edit)
{
    TOnePageDlg dlg(parent, edit);
    return dlg.exec() == QDialog::Accepted ? dlg.Answer() : RangeAnswer::Cancel;
}

} // namespace zemo
