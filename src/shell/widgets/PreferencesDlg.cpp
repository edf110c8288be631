#include "shell/widgets/PreferencesDlg.h"

#include "core/Config.h"
#include "core/widgets/QtFieldChecks.h"
#include "core/widgets/SpinControls.h"
#include "edit/widgets/MapDlgForm.h"
#include "shell/Preferences.h"
#include "shell/widgets/DialogRows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zemo {

namespace {

const QString Mm = QStringLiteral("mm");

QVBoxLayout* PageLayout(QWidget* page)
{
    auto* l = new QVBoxLayout(page);
    l->setAlignment(Qt::AlignTop);
    return l;
}

} // namespace

TPreferencesDlg::TPreferencesDlg(QWidget* parent)
    : QDialog(parent), pages_(new QTabWidget(this)), helpContext_(PreferencesHelpContext)
{
    setObjectName(QStringLiteral("PreferencesDlg"));
    setWindowTitle(PlainText(TextKey::Preferences));
    auto* layout = new QVBoxLayout(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(GeneralPage(), PlainText(TextKey::General));
    pages_->addTab(AdditionalPage(), PlainText(TextKey::Additional));
    pages_->addTab(WarningsPage(), PlainText(TextKey::Warnings));
    layout->addWidget(pages_);
    AddDialogButtons(this, layout, true, [this] { return helpContext_; });
    pages_->setCurrentIndex(0);
    connect(pages_, &QTabWidget::currentChanged, this,
            [this](int page) { helpContext_ = PrefsPageHelpContext(PrefsPage(page)); });
}

void TPreferencesDlg::AddChecks(QWidget* parent, QVBoxLayout* layout, PrefsPage page)
{
    const auto& table = PrefsChecks();
    checks_.resize(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].page != page)
            continue;
        auto* box = new QCheckBox(Text(table[i].caption), parent);
        box->setObjectName(QLatin1String(table[i].control));
        box->setChecked(ProgramConfig.*table[i].field);
        layout->addWidget(box);
        checks_[i] = box;
    }
}

QWidget* TPreferencesDlg::GeneralPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("GeneralSheet"));
    AddChecks(page, PageLayout(page), PrefsPage::General);
    return page;
}

QButtonGroup* TPreferencesDlg::RadioGroup(QWidget* page, const char* name, TextKey caption,
                                          TextKey first, TextKey second, int checked)
{
    auto* box = new QGroupBox(PlainText(caption), page);
    box->setObjectName(QLatin1String(name));
    auto* l = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    int id = 0;
    for (TextKey key : {first, second}) {
        auto* radio = new QRadioButton(Text(key), box);
        group->addButton(radio, id++);
        l->addWidget(radio);
    }
    group->button(checked == 1 ? 1 : 0)->setChecked(true);
    page->layout()->addWidget(box);
    return group;
}

QWidget* TPreferencesDlg::AdditionalPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("AdditionalSheet"));
    additional_ = page;
    QVBoxLayout* l = PageLayout(page);
    auto* tolerances = new QGroupBox(PlainText(TextKey::Tolerances), page);
    auto* grid = new QGridLayout(tolerances);
    selectTolB_ = new QComboBox(tolerances);
    selectTolB_->setObjectName(QStringLiteral("SelectTolB"));
    selectTolB_->addItems(SelectToleranceChoices());
    selectTolB_->setCurrentIndex(SelectToleranceChoice(ProgramConfig.SelectTolerance));
    auto* selectLabel = new QLabel(PlainText(TextKey::Select) + u':', tolerances);
    selectLabel->setBuddy(selectTolB_);
    grid->addWidget(selectLabel, 0, 0);
    grid->addWidget(selectTolB_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(PlainText(TextKey::Pixels), tolerances), 0, 3);
    const SpinRow join = AddSpinRow(grid, tolerances, PlainText(TextKey::Joining), QStringLiteral("JoinTol"),
                                    0, JoinToleranceMaxMm, JoinToleranceDecimals, JoinToleranceStepMm, Mm);
    joinTolE_ = join.edit;
    joinTolB_ = join.spin;
    joinTolB_->SetValue(JoinToleranceMm(ProgramConfig.JoinTolerance));
    l->addWidget(tolerances);
    selectModeB_ = RadioGroup(page, "SelectModeB", TextKey::SelObjects, TextKey::SelAllObjects,
                              TextKey::SelOnlyInside, ProgramConfig.SelectMode);
    curveModeB_ = RadioGroup(page, "CurveModeB", TextKey::DrawingCurves, TextKey::ZemoMode,
                             TextKey::IllustratorMode, ProgramConfig.CurveMode);
    return page;
}

QWidget* TPreferencesDlg::WarningsPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("WarningsSheet"));
    QVBoxLayout* l = PageLayout(page);
    auto* hidden = new QGroupBox(PlainText(TextKey::HiddenSymbols), page);
    AddChecks(hidden, new QVBoxLayout(hidden), PrefsPage::Warnings);
    l->addWidget(hidden);
    return page;
}

void TPreferencesDlg::accept()
{
    if (!CheckRealUpDownPage(joinTolB_, PlainText(TextKey::Joining), Mm, pages_, additional_))
        return;
    const auto& table = PrefsChecks();
    for (size_t i = 0; i < table.size(); ++i)
        ProgramConfig.*table[i].field = checks_[i]->isChecked();
    ProgramConfig.SelectTolerance = SelectToleranceOf(selectTolB_->currentText());
    ProgramConfig.JoinTolerance = JoinToleranceOf(joinTolB_->Value());
    ProgramConfig.SelectMode = selectModeB_->checkedId();
    ProgramConfig.CurveMode = curveModeB_->checkedId();
    WriteConfig();
    QDialog::accept();
}

bool RunPreferences(QWidget* parent)
{
    TPreferencesDlg dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace zemo
