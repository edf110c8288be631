#include "io/widgets/RangeRows.h"

#include "core/Messages.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "edit/widgets/MapDlgForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace zemo {

namespace {

enum FieldIndex { LeftField, RightField, BottomField, TopField };

} // namespace

TRangeRows::TRangeRows(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    const struct {
        TextKey key;
        const char* name;
    } rows[4] = {{TextKey::Left, "Left"}, {TextKey::Right, "Right"}, {TextKey::Bottom, "Bottom"},
                 {TextKey::Top, "Top"}};
    for (int i = 0; i < 4; ++i) {
        labels_[size_t(i)] = PlainText(rows[i].key);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(rows[i].name) + u'E');
        auto* spin = new TRealUpDown(this);
        spin->setObjectName(QString::fromLatin1(rows[i].name) + u'B');
        spin->SetAssociate(edit);
        spin->SetDecimals(2);
        spin->SetIncrement(5);
        auto* unit = new QLabel(this);
        unit->setObjectName(QStringLiteral("mmL%1").arg(i));
        auto* label = new QLabel(labels_[size_t(i)] + u':', this);
        label->setBuddy(edit);
        grid->addWidget(label, i, 0);
        grid->addWidget(edit, i, 1);
        grid->addWidget(spin, i, 2);
        grid->addWidget(unit, i, 3);
        edits_[size_t(i)] = edit;
        spins_[size_t(i)] = spin;
        units_[size_t(i)] = unit;
    }
}

void TRangeRows::SetLimits(const RangeLimits& l, const QString& unit)
{
    for (int i = 0; i < 4; ++i) {
        const bool x = i == LeftField || i == RightField;
        spins_[size_t(i)]->SetMinValue(x ? l.XMin : l.YMin);
        spins_[size_t(i)]->SetMaxValue(x ? l.XMax : l.YMax);
        units_[size_t(i)]->setText(unit);
    }
}

void TRangeRows::SetFields(const RangeFields& f)
{
    spins_[LeftField]->SetValue(f.Left);
    spins_[RightField]->SetValue(f.Right);
    spins_[BottomField]->SetValue(f.Bottom);
    spins_[TopField]->SetValue(f.Top);
}

RangeFields TRangeRows::Fields() const
{
    return {spins_[LeftField]->Value(), spins_[RightField]->Value(), spins_[BottomField]->Value(),
            spins_[TopField]->Value()};
}

bool TRangeRows::Check() const
{
    for (int i = 0; i < 4; ++i)
        if (!CheckRealUpDown(spins_[size_t(i)], labels_[size_t(i)], units_[size_t(i)]->text()))
            return false;
    const TextKey order = ExportRangeEdit::CheckOrder(Fields());
    if (order == TextKey::Count)
        return true;
    ErrorMsg(order);
    edits_[order == TextKey::RightBound ? RightField : TopField]->setFocus();
    return false;
}

} // namespace zemo
