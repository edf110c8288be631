#include "course/widgets/CourseOnlyDlg.h"

#include "core/widgets/SpinControls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

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

TCourseOnlyDlg::TCourseOnlyDlg(QWidget* parent, CourseOnlyEdit& edit)
    : TMapDlgForm(parent, QStringLiteral("CourseOnlyDlg"), TextKey::CourseOnly, CourseOnlyHelpContext), edit_(edit)
{
    const QString percent = QStringLiteral("%"), mm = QStringLiteral("mm");
    horScal_ = AddSpin(TextKey::HorScaling, QStringLiteral("HorScal"), MinCourseOnlyPercent, MaxCourseOnlyPercent, 2, 1, percent);
    verScal_ = AddSpin(TextKey::VerScaling, QStringLiteral("VerScal"), MinCourseOnlyPercent, MaxCourseOnlyPercent, 2, 1, percent);
    left_ = AddSpin(TextKey::Left, QStringLiteral("Left"), -CourseOnlyEdgeMm, CourseOnlyEdgeMm, 2, 5, mm);
    bottom_ = AddSpin(TextKey::Bottom, QStringLiteral("Bottom"), -CourseOnlyEdgeMm, CourseOnlyEdgeMm, 2, 5, mm);
    blackB_ = AddCheck(TextKey::PrintBlack, QStringLiteral("BlackB"));
    mirrorB_ = AddCheck(TextKey::Mirror, QStringLiteral("MirrorB"));
    auto* reset = Button(this, TextKey::Reset, "ResetBtn");
    auto* define = Button(this, TextKey::Define, "DefineBtn");
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(reset);
    h->addWidget(define);
    AddWidget(row);
    AddButtons();
    Show(edit_.Fields());
    connect(reset, &QPushButton::clicked, this, [this] { Show(edit_.Reset(Shown())); });
    connect(define, &QPushButton::clicked, this, [this] {
        if (!StoreChecked())
            return;
        answer_ = CourseOnlyAnswer::Define;
        QDialog::accept();
    });
    horScal_.edit->setFocus();
}

CourseOnlyFields TCourseOnlyDlg::Shown() const
{
    CourseOnlyFields f;
    f.HorScale = horScal_.edit->text();
    f.VerScale = verScal_.edit->text();
    f.Left = left_.Value();
    f.Bottom = bottom_.Value();
    f.Black = blackB_->isChecked();
    f.Mirror = mirrorB_->isChecked();
    return f;
}

void TCourseOnlyDlg::Show(const CourseOnlyFields& f)
{
    horScal_.edit->setText(f.HorScale);
    verScal_.edit->setText(f.VerScale);
    left_.SetValue(f.Left);
    bottom_.SetValue(f.Bottom);
    blackB_->setChecked(f.Black);
    mirrorB_->setChecked(f.Mirror);
}

bool TCourseOnlyDlg::StoreChecked()
{
    for (const SpinField* f : {&horScal_, &verScal_, &left_, &bottom_})
        if (!f->Check())
            return false;
    edit_.Store(Shown());
    return true;
}

void TCourseOnlyDlg::accept()
{
    if (!StoreChecked())
        return;
    answer_ = CourseOnlyAnswer::Ok;
    QDialog::accept();
}

CourseOnlyAnswer ExecCourseOnlyDlg(QWidget* parent, CourseOnlyEdit& edit)
{
    TCourseOnlyDlg dlg(parent, edit);
    return dlg.exec() == QDialog::Accepted ? dlg.Answer() : CourseOnlyAnswer::Cancel;
}

} // namespace zemo
