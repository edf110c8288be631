#include "course/widgets/CsOptionsDlg.h"

#include "document/Index.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zemo {

TCsOptionsDlg::TCsOptionsDlg(QWidget* parent, const CourseOptions& shown)
    : TMapDlgForm(parent, QStringLiteral("CsOptionsDlg"), TextKey::CourseOptions, CourseOptionsHelpContext),
      values_(shown)
{
    const QString mm = QStringLiteral("mm");
    printCodesB_ = AddCheck(TextKey::PrintControlCodes, QStringLiteral("PrintCodesB"));
    printCodesB_->setChecked(shown.PrintCodes);
    distNumB_ = AddSpin(TextKey::DistanceNum, QStringLiteral("DistNum"), 0, MaxCourseDistance, 2, 1, mm);
    distNumB_.SetValue(shown.NumberDistance);
    distLineB_ = AddSpin(TextKey::DistanceLine, QStringLiteral("DistLine"), 0, MaxCourseDistance, 2, 1, mm);
    distLineB_.SetValue(shown.LineDistance);

    auto* titleBox = new QGroupBox(PlainText(TextKey::CourseTitle), this);
    titleBox->setObjectName(QStringLiteral("TitleB"));
    auto* tl = new QVBoxLayout(titleBox);
    titleB_ = new QButtonGroup(titleBox);
    const TextKey items[] = {TextKey::TitleAuto, TextKey::TitleBoth, TextKey::TitleCourseOnly};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(Text(items[i]), titleBox);
        r->setObjectName(QStringLiteral("TitleItem%1").arg(i));
        titleB_->addButton(r, i);
        tl->addWidget(r);
    }
    titleB_->button(shown.Title)->setChecked(true);
    AddWidget(titleBox);

    sizeB_ = AddSpin(TextKey::BoxSize, QStringLiteral("Size"), MinBoxSize, MaxBoxSize, 2, 1, mm);
    sizeB_.SetValue(shown.BoxSize);
    // The box size belongs to the descriptions drawn on the map.
    sizeB_.edit->setToolTip(PlainText(TextKey::CdOnMap));

    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* standard = new QPushButton(Text(TextKey::Standard), row);
    standard->setObjectName(QStringLiteral("StandardBtn"));
    auto* reset = new QPushButton(Text(TextKey::ResetAll), row);
    reset->setObjectName(QStringLiteral("ResetBtn"));
    h->addWidget(standard);
    h->addWidget(reset);
    h->addStretch(1);
    AddWidget(row);
    connect(standard, &QPushButton::clicked, this, [this] { sizeB_.SetValue(StandardBoxSize); });
    // The reset acts at once: Cancel does not bring the objects back.
    connect(reset, &QPushButton::clicked, this, [] { ResetCourseObjects(); });
    AddButtons();
}

void TCsOptionsDlg::accept()
{
    if (!distNumB_.Check() || !distLineB_.Check() || !sizeB_.Check())
        return;
    values_.PrintCodes = printCodesB_->isChecked();
    values_.NumberDistance = distNumB_.Value();
    values_.LineDistance = distLineB_.Value();
    values_.Title = std::max(0, titleB_->checkedId());
    values_.BoxSize = sizeB_.Value();
    TMapDlgForm::accept();
}

void EditCourseOptions()
{
    if (!Index.ActiveZmd || !Index.ActiveZmd->CourseMap)
        return;
    TCsOptionsDlg dlg(QApplication::activeWindow(), CurrentCourseOptions());
    if (dlg.exec() == QDialog::Accepted)
        StoreCourseOptions(dlg.Values());
}

} // namespace zemo
