#include "external/widgets/AdjGpsDlg.h"

#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "external/AdjGps.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace zemo {

namespace {

int PointCount() { return std::clamp(int(Stp()->GpsAdjustPointCount), 0, MaxGpsAdjustPoints); }

QPushButton* Button(QWidget* parent, TextKey k, const QString& name)
{
    auto* b = new QPushButton(Text(k), parent);
    b->setObjectName(name);
    return b;
}

} // namespace

TAdjustGpsDlg::TAdjustGpsDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("AdjustGpsDlg"), TextKey::AdjustGps, AdjustGpsHelpContext)
{
    points_ = new QListWidget(this);
    points_->setObjectName(QStringLiteral("AdjPtB"));
    AddRow(TextKey::AdjPoints, points_);
    angle_ = AddSpin(TextKey::Angle, QStringLiteral("Angle"), -360, 360, 2, 1, QStringLiteral("\u00b0"));
    new_ = Button(this, TextKey::New, QStringLiteral("NewBtn"));
    delete_ = Button(this, TextKey::Delete, QStringLiteral("DeleteBtn"));
    rename_ = Button(this, TextKey::Rename, QStringLiteral("RenameBtn"));
    AddWidget(new_);
    AddWidget(delete_);
    AddWidget(rename_);
    AddButtons();
    angle_.SetValue(Stp()->GpsAngle);
    angleShown_ = angle_.edit->text();
    new_->setEnabled(GpsNewPointAllowed());
    Fill(0);
    connect(new_, &QPushButton::clicked, this, [this] {
        newPressed_ = true;
        accept();
    });
    connect(delete_, &QPushButton::clicked, this, [this] { Delete(); });
    connect(rename_, &QPushButton::clicked, this, [this] { Rename(); });
}

void TAdjustGpsDlg::Fill(int select)
{
    points_->clear();
    const int n = PointCount();
    for (int i = 0; i < n; ++i)
        points_->addItem(GpsPointName(i));
    if (n > 0)
        points_->setCurrentRow(std::clamp(select, 0, n - 1));
    delete_->setEnabled(n > 0);
    rename_->setEnabled(n > 0);
}

void TAdjustGpsDlg::Delete()
{
    const int i = points_->currentRow();
    if (i < 0 || OkCancelMsg(TextKey::DelAdjustPt) != IdOk)
        return;
    DeleteGpsPoint(i);
    WriteSetup();
    Fill(i);
    new_->setEnabled(GpsNewPointAllowed());
}

void TAdjustGpsDlg::Rename()
{
    const int i = points_->currentRow();
    if (i < 0)
        return;
    QString name = GpsPointName(i);
    if (!ExternalPorts().RunRnGps(name))
        return;
    SetGpsPointName(i, name);
    WriteSetup();
    Fill(i);
}

AdjustGpsResult TAdjustGpsDlg::Result() const
{
    // A value that cannot be read, or the one shown, keeps the stored angle.
    const bool typed = angle_.edit->text() != angleShown_;
    const double a = typed && angle_.Check() ? angle_.Value() : Stp()->GpsAngle;
    return {a, newPressed_};
}

TRnGpsDlg::TRnGpsDlg(QWidget* parent, const QString& name)
    : TMapDlgForm(parent, QStringLiteral("RnGpsDlg"), TextKey::Rename, AdjustGpsHelpContext)
{
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("NameB"));
    name_->setMaxLength(GpsPointNameLength);
    name_->setText(name);
    AddRow(TextKey::Name, name_);
    AddButtons();
}

QString TRnGpsDlg::Name() const { return name_->text(); }

AdjustGpsResult ExecAdjustGpsDlg(QWidget* parent)
{
    TAdjustGpsDlg dlg(parent);
    dlg.exec();
    return dlg.Result();
}

bool ExecRnGpsDlg(QWidget* parent, QString& name)
{
    TRnGpsDlg dlg(parent, name);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    name = dlg.Name();
    return true;
}

} // namespace zemo
