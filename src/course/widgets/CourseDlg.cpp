#include "course/widgets/CourseDlg.h"

#include "core/Messages.h"
#include "course/CourseEdit.h"
#include "course/Courses.h"
#include "course/Variation.h"
#include "document/Index.h"

#include "core/widgets/SpinControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QShowEvent>

namespace zemo {

namespace {

// The list's selection of the Class dialog outlives it: a new class starts on the course
// chosen last.
int LastClassCourseItem = 0;

void FocusOn(QLineEdit* e)
{
    e->setFocus();
    e->selectAll();
}

} // namespace

TCourseDlg::TCourseDlg(QWidget* parent, const CourseProps& shown, int edited, int storedLegs, bool hasVariation)
    : TMapDlgForm(parent, QStringLiteral("CourseDlg"), TextKey::Course, CourseHelpContext), values_(shown),
      edited_(edited), storedLegs_(storedLegs), hasVariation_(hasVariation)
{
    nameB_ = new QLineEdit(shown.Name, this);
    nameB_->setObjectName(QStringLiteral("NameB"));
    AddRow(TextKey::Name, nameB_);
    extraB_ = AddSpin(TextKey::ExtraLength, QStringLiteral("Extra"), 0, 50, 2, 0.01, QStringLiteral("km"));
    extraB_.SetValue(shown.ExtraKm);
    climbB_ = AddSpin(TextKey::Climb, QStringLiteral("Climb"), 0, 10000, 0, 10, QStringLiteral("m"));
    climbB_.SetValue(shown.ClimbM);
    runnersB_ = AddSpin(TextKey::NumOfRunners, QStringLiteral("Runners"), 0, 1000, 0, 10, {});
    runnersB_.SetValue(shown.Runners);
    typeB_ = new QComboBox(this);
    typeB_->setObjectName(QStringLiteral("TypeB"));
    for (TextKey k : {TextKey::RelayOff, TextKey::NormalRelay, TextKey::OneManRelay})
        typeB_->addItem(PlainText(k));
    typeB_->setCurrentIndex(shown.Kind == CourseKind::Relay ? 1 : shown.Kind == CourseKind::OneManRelay ? 2 : 0);
    AddRow(TextKey::Type, typeB_);
    legsB_ = AddSpin(TextKey::NumLegs, QStringLiteral("Legs"), 0, MaxVariationLegs, 0, 1, {});
    legsB_.SetValue(IsRelay(shown.Kind) ? shown.Legs : 0);
    fromB_ = AddSpin(TextKey::From, QStringLiteral("From"), 1, MaxStartNumber, 0, 1, {});
    fromB_.SetValue(shown.FirstStart);
    toB_ = AddSpin(TextKey::To, QStringLiteral("To"), 1, MaxStartNumber, 0, 1, {});
    toB_.SetValue(shown.LastStart);
    connect(typeB_, &QComboBox::currentIndexChanged, this, [this] { kindChanged(); });
    kindChanged();
    AddButtons();
}

void TCourseDlg::kindChanged()
{
    const bool relay = typeB_->currentIndex() > 0;
    legsB_.edit->setEnabled(relay);
    legsB_.spin->setEnabled(relay);
}

void TCourseDlg::accept()
{
    CourseProps p = values_;
    p.Name = CleanCourseName(nameB_->text());
    const int kind = typeB_->currentIndex();
    p.Kind = kind == 1 ? CourseKind::Relay : kind == 2 ? CourseKind::OneManRelay : CourseKind::Normal;
    if (p.Name.isEmpty()) {
        ErrorMsg(TextKey::NoCourseName, {}, CourseHelpContext);
        FocusOn(nameB_);
        return;
    }
    if (!extraB_.Check() || !climbB_.Check() || !runnersB_.Check())
        return;
    if (IsRelay(p.Kind) && (!legsB_.Check() || !fromB_.Check() || !toB_.Check()))
        return;
    p.ExtraKm = extraB_.Value();
    p.ClimbM = climbB_.Value();
    p.Runners = int(runnersB_.Value());
    p.Legs = int(legsB_.Value());
    p.FirstStart = int(fromB_.Value());
    p.LastStart = int(toB_.Value());
    const DialogRefusal r = CheckCourseDialog(p, edited_, storedLegs_, hasVariation_);
    if (!r.Accepted()) {
        ErrorMsg(r.Key, r.Param.isEmpty() ? MsgParamList{} : MsgParamList{r.Param}, CourseHelpContext);
        if (r.Focus == CourseField::Name)
            FocusOn(nameB_);
        else if (r.Focus == CourseField::LastStart)
            FocusOn(toB_.edit);
        else if (r.Focus == CourseField::Legs)
            FocusOn(legsB_.edit);
        else
            typeB_->setFocus();
        return;
    }
    values_ = p;
    TMapDlgForm::accept();
}

bool ExecCourseDlg(QWidget* parent, CourseProps& p, int edited, int storedLegs, bool hasVariation)
{
    TCourseDlg dlg(parent, p, edited, storedLegs, hasVariation);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    p = dlg.Values();
    return true;
}

TCsClassDlg::TCsClassDlg(QWidget* parent, const QString& name, int course, int edited)
    : TMapDlgForm(parent, QStringLiteral("CsClassDlg"), TextKey::Class, ClassHelpContext), name_(name),
      course_(course), edited_(edited)
{
    nameB_ = new QLineEdit(name, this);
    nameB_->setObjectName(QStringLiteral("NameB"));
    AddRow(TextKey::Name, nameB_);
    courseB_ = new QListWidget(this);
    courseB_->setObjectName(QStringLiteral("CourseB"));
    courseB_->addItem(QStringLiteral("< ") + Text(TextKey::CourseNone) + QStringLiteral(" >"));
    if (const TZmd* z = CourseSettingMap())
        for (int i = 0; i < z->Courses.Count(); ++i)
            courseB_->addItem(GetParamName(z->Courses.Strings(i)));
    int item = 0;
    if (edited >= 0)
        item = course + 1;
    else if (LastClassCourseItem < courseB_->count())
        item = LastClassCourseItem;
    courseB_->setCurrentRow(std::max(0, item));
    AddRow(TextKey::Course, courseB_);
    connect(courseB_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    AddButtons();
    nameB_->setFocus();
}

void TCsClassDlg::accept()
{
    const int course = std::max(0, courseB_->currentRow()) - 1;
    const DialogRefusal r = CheckClassDialog(nameB_->text(), course, edited_);
    if (!r.Accepted()) {
        ErrorMsg(r.Key, {}, ClassHelpContext);
        if (r.Focus == CourseField::Name)
            FocusOn(nameB_);
        return;
    }
    name_ = CleanCourseName(nameB_->text());
    course_ = course;
    LastClassCourseItem = course + 1;
    TMapDlgForm::accept();
}

bool ExecCsClassDlg(QWidget* parent, QString& name, int& course, int edited)
{
    TCsClassDlg dlg(parent, name, course, edited);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    name = dlg.Name();
    course = dlg.Course();
    return true;
}

} // namespace zemo
