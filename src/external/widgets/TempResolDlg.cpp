#include "external/widgets/TempResolDlg.h"

#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace zemo {

namespace {

QComboBox* Combo(QWidget* owner, const QString& name)
{
    auto* c = new QComboBox(owner);
    c->setObjectName(name);
    c->setEditable(true);
    return c;
}

double Scale(const QString& text)
{
    double v = 0;
    TryPointStrToFloat(text, v);
    return v;
}

} // namespace

TTempResolDlg::TTempResolDlg(QWidget* parent, const TempResolFields& fields)
    : TMapDlgForm(parent, QStringLiteral("TempResolDlg"), TextKey::Template, TempResolHelpContext)
{
    noTempResolL_ = new QLabel(fields.noResolution ? Text(TextKey::NoTempResol) : QString(), this);
    noTempResolL_->setObjectName(QStringLiteral("NoTempResolL"));
    AddWidget(noTempResolL_);
    resolB_ = Combo(this, QStringLiteral("ResolB"));
    for (int dpi : TemplateResolutions)
        resolB_->addItem(QString::number(dpi));
    resolB_->setEditText(fields.resol);
    AddRow(TextKey::Resolution, resolB_, new QLabel(QStringLiteral("dpi"), this));
    draftScaleB_ = Combo(this, QStringLiteral("DraftScaleB"));
    FillScaleCombo(draftScaleB_, Scale(fields.draftScale));
    draftScaleB_->setEditText(fields.draftScale);
    AddRow(TextKey::DraftScale, draftScaleB_);
    angleB_ = new QLineEdit(fields.angle, this);
    angleB_->setObjectName(QStringLiteral("AngleB"));
    AddRow(TextKey::Angle, angleB_, CounterClockwisePicture());
    mapScaleB_ = Combo(this, QStringLiteral("MapScaleB"));
    FillScaleCombo(mapScaleB_, Scale(fields.mapScale));
    mapScaleB_->setEditText(fields.mapScale);
    AddRow(TextKey::MapScale, mapScaleB_);
    AddButtons();
}

TempResolFields TTempResolDlg::Fields() const
{
    TempResolFields f;
    f.noResolution = !noTempResolL_->text().isEmpty();
    f.resol = resolB_->currentText();
    f.draftScale = draftScaleB_->currentText();
    f.angle = angleB_->text();
    f.mapScale = mapScaleB_->currentText();
    return f;
}

void TTempResolDlg::accept()
{
    QWidget* field = nullptr;
    switch (CheckTempResolFields(Fields())) {
    case TempResolField::None: QDialog::accept(); return;
    case TempResolField::MapScale: field = mapScaleB_; break;
    case TempResolField::Resol: field = resolB_; break;
    case TempResolField::DraftScale: field = draftScaleB_; break;
    case TempResolField::Angle: field = angleB_; break;
    }
    field->setFocus();
}

bool ExecTempResolDlg(QWidget* parent, TempResolFields& fields)
{
    TTempResolDlg dlg(parent, fields);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    fields = dlg.Fields();
    return true;
}

} // namespace zemo
