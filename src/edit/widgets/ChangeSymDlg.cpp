#include "edit/widgets/ChangeSymDlg.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "core/widgets/QtFieldChecks.h"
#include "document/Index.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

namespace zemo {

namespace {

// A layer name is a string[15].
constexpr int MaxLayerName = 15;

} // namespace

TChangeSymDlg::TChangeSymDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("ChangeSymDlg"), TextKey::ChangeSym, ChangeSymHelpContext)
{
    auto* from = new QGroupBox(PlainText(TextKey::ChangeAllObj), this);
    from->setObjectName(QStringLiteral("FromSymB"));
    auto* grid = new QGridLayout(from);
    symNumItem_ = new QRadioButton(Text(TextKey::SymNum), from);
    symNumItem_->setObjectName(QStringLiteral("SymNumItem"));
    layerItem_ = new QRadioButton(Text(TextKey::Layer), from);
    layerItem_->setObjectName(QStringLiteral("LayerItem"));
    fromSymNumB_ = new QLineEdit(from);
    fromSymNumB_->setObjectName(QStringLiteral("FromSymNumB"));
    dxfLayerB_ = new QLineEdit(from);
    dxfLayerB_->setObjectName(QStringLiteral("DxfLayerB"));
    dxfLayerB_->setMaxLength(MaxLayerName);
    grid->addWidget(symNumItem_, 0, 0);
    grid->addWidget(fromSymNumB_, 0, 1);
    grid->addWidget(layerItem_, 1, 0);
    grid->addWidget(dxfLayerB_, 1, 1);
    for (QLineEdit* e : {fromSymNumB_, dxfLayerB_})
        e->installEventFilter(this);
    AddWidget(from);
    toSymB_ = new QLineEdit(this);
    toSymB_->setObjectName(QStringLiteral("ToSymB"));
    AddRow(TextKey::ToSymbol, toSymB_);
    AddButtons();

    const ChangeSymValues v = ChangeSymDefaults();
    (v.ByLayer ? layerItem_ : symNumItem_)->setChecked(true);
    fromSymNumB_->setText(TenthsToStr(v.ByLayer ? 0 : v.From));
    dxfLayerB_->setText(v.Layer);
    toSymB_->setText(TenthsToStr(v.To));
}

void TChangeSymDlg::showEvent(QShowEvent* event)
{
    TMapDlgForm::showEvent(event);
    QLineEdit* chosen = layerItem_->isChecked() ? dxfLayerB_ : fromSymNumB_;
    chosen->setFocus();
    chosen->selectAll();
}

bool TChangeSymDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress)
        (watched == dxfLayerB_ ? layerItem_ : symNumItem_)->setChecked(true);
    return TMapDlgForm::eventFilter(watched, event);
}

void TChangeSymDlg::accept()
{
    ChangeSymValues v;
    v.ByLayer = layerItem_->isChecked();
    if (v.ByLayer)
        v.Layer = dxfLayerB_->text();
    else if (!CheckSymbolNumber(fromSymNumB_, false, -1, {}, &v.From))
        return;
    if (!CheckSymbolNumber(toSymB_, false, -1, {}, &v.To))
        return;
    SymbolBytes* target = nullptr;
    if (!GetSymbol(v.To, target)) {
        ErrorMsg(TextKey::ChangeSymNotFound, TenthsToStr(v.To), ChangeSymNotFoundHelpContext);
        toSymB_->setFocus();
        toSymB_->selectAll();
        return;
    }
    values_ = v;
    QDialog::accept();
}

bool ExecChangeSymDlg(QWidget* parent, ChangeSymValues& v)
{
    return ExecMapDlg<TChangeSymDlg>(parent, v);
}

} // namespace zemo
