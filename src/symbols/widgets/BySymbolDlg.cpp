#include "symbols/widgets/BySymbolDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

namespace zemo {

namespace {

// The layer name field of an object: a short string of 15 characters.
constexpr int LayerNameChars = 15;

} // namespace

TBySymbolDlg::TBySymbolDlg(QWidget* parent, bool deleting, const BySymbolRequest& last)
    : TMapDlgForm(parent, QStringLiteral("BySymbolDlg"), deleting ? TextKey::DeleteBySymbol : TextKey::SelectBySymbol,
                  deleting ? DeleteBySymbolHelpContext : SelectBySymbolHelpContext)
{
    auto* group = new QGroupBox(PlainText(deleting ? TextKey::DeleteObj : TextKey::SelectObj), this);
    group->setObjectName(QStringLiteral("SelectGrp"));
    auto* grid = new QGridLayout(group);
    SelectGrp = new QButtonGroup(group);
    const std::pair<const char*, QString> entries[] = {
        {"AllObjectsWithSymB", Text(TextKey::AllObjectsWithSym)},
        {"AllObjectsInLayerB", Text(TextKey::AllObjectsInLayer) + u':'},
        {"UndefinedObjectsB", Text(TextKey::UndefinedObjects)}};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(entries[i].second, group);
        r->setObjectName(QLatin1String(entries[i].first));
        SelectGrp->addButton(r, i);
        grid->addWidget(r, i, 0);
    }
    LayerB = new QLineEdit(group);
    LayerB->setObjectName(QStringLiteral("LayerB"));
    LayerB->setMaxLength(LayerNameChars);
    grid->addWidget(LayerB, 1, 1);
    AddWidget(group);
    AddButtons();
    SelectGrp->button(int(last.choice))->setChecked(true);
    LayerB->setText(last.layer);
    // Typing a layer chooses the layer.
    connect(LayerB, &QLineEdit::textEdited, this, [this] { SelectGrp->button(int(BySymbolChoice::InLayer))->setChecked(true); });
}

BySymbolRequest TBySymbolDlg::Request() const
{
    return {BySymbolChoice(std::max(SelectGrp->checkedId(), 0)), LayerB->text()};
}

bool ExecBySymbolDlg(QWidget* parent, bool deleting, BySymbolRequest& r)
{
    TBySymbolDlg dlg(parent, deleting, r);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    r = dlg.Request();
    return true;
}

} // namespace zemo
