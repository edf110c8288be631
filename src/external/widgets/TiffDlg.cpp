#include "external/widgets/TiffDlg.h"

#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemo {

namespace {

QLabel* NamedLabel(const QString& text, const QString& name, QWidget* owner)
{
    auto* l = new QLabel(text, owner);
    l->setObjectName(name);
    return l;
}

QLineEdit* Edit(const QString& text, const QString& name, QWidget* owner)
{
    auto* e = new QLineEdit(text, owner);
    e->setObjectName(name);
    return e;
}

} // namespace

TTiffDlg::TTiffDlg(QWidget* parent, const TiffDlgFields& fields)
    : TMapDlgForm(parent, QStringLiteral("TiffDlg"), TextKey::TiffGeo, TiffDlgHelpContext), shown_(fields)
{
    auto* size = new QGroupBox(PlainText(TextKey::TiffSize), this);
    size->setObjectName(QStringLiteral("SizeB"));
    auto* sl = new QVBoxLayout(size);
    sl->addWidget(NamedLabel(fields.sizeH, QStringLiteral("SizeHL"), size));
    sl->addWidget(NamedLabel(fields.sizeV, QStringLiteral("SizeVL"), size));
    AddWidget(size);

    auto* offset = new QGroupBox(PlainText(TextKey::Offset), this);
    offset->setObjectName(QStringLiteral("OffsetB"));
    auto* grid = new QGridLayout(offset);
    newOfsB_ = new QRadioButton(Text(TextKey::NewOffset), offset);
    newOfsB_->setObjectName(QStringLiteral("NewOfsB"));
    existingOfsB_ = new QRadioButton(Text(TextKey::ExistingOffset), offset);
    existingOfsB_->setObjectName(QStringLiteral("ExistingOfsB"));
    (fields.newOffset ? newOfsB_ : existingOfsB_)->setChecked(true);
    grid->addWidget(newOfsB_, 0, 0, 1, 3);
    horOfsB_ = Edit(fields.horOfs, QStringLiteral("HorOfsB"), offset);
    verOfsB_ = Edit(fields.verOfs, QStringLiteral("VerOfsB"), offset);
    angleB_ = Edit(fields.angle, QStringLiteral("AngleB"), offset);
    mapScaleB_ = new QComboBox(offset);
    mapScaleB_->setObjectName(QStringLiteral("MapScaleB"));
    double scale = 0;
    TryPointStrToFloat(fields.mapScale, scale);
    FillScaleCombo(mapScaleB_, scale);
    mapScaleB_->setEditText(fields.mapScale);
    const QString m = QStringLiteral("m");
    const struct {
        TextKey label;
        QWidget* field;
        QString unit;
    } rows[] = {{TextKey::HorOffset, horOfsB_, m},
                {TextKey::VerOffset, verOfsB_, m},
                {TextKey::Angle, angleB_, PlainText(TextKey::Degrees)},
                {TextKey::MapScale, mapScaleB_, {}}};
    int row = 1;
    for (const auto& r : rows) {
        auto* l = new QLabel(PlainText(r.label) + u':', offset);
        l->setBuddy(r.field);
        grid->addWidget(l, row, 0);
        grid->addWidget(r.field, row, 1);
        grid->addWidget(new QLabel(r.unit, offset), row, 2);
        ++row;
    }
    grid->addWidget(existingOfsB_, row, 0, 1, 3);
    grid->addWidget(NamedLabel(fields.existing, QStringLiteral("ExistingOfsL"), offset), row + 1, 0, 1, 3);
    AddWidget(offset);
    AddButtons();
}

TiffDlgFields TTiffDlg::Fields() const
{
    TiffDlgFields f = shown_;
    f.newOffset = newOfsB_->isChecked();
    f.horOfs = horOfsB_->text();
    f.verOfs = verOfsB_->text();
    f.angle = angleB_->text();
    f.mapScale = mapScaleB_->currentText();
    return f;
}

void TTiffDlg::accept()
{
    QWidget* field = nullptr;
    switch (CheckTiffDlgFields(Fields())) {
    case TiffDlgField::None: QDialog::accept(); return;
    case TiffDlgField::HorOfs: field = horOfsB_; break;
    case TiffDlgField::VerOfs: field = verOfsB_; break;
    case TiffDlgField::Angle: field = angleB_; break;
    case TiffDlgField::MapScale: field = mapScaleB_; break;
    }
    field->setFocus();
}

bool ExecTiffDlg(QWidget* parent, TiffDlgFields& fields)
{
    TTiffDlg dlg(parent, fields);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    fields = dlg.Fields();
    return true;
}

} // namespace zemo
