// The course-only dialog: a thin view over CourseOnlyEdit (course/CourseOnly.h). The scales
// are shown and stored as typed.
#pragma once

#include "course/CourseOnly.h"
#include "edit/widgets/MapDlgForm.h"

class QCheckBox;

namespace zemo {

class TCourseOnlyDlg : public TMapDlgForm {
public:
    TCourseOnlyDlg(QWidget* parent, CourseOnlyEdit& edit);
    void accept() override;
    CourseOnlyAnswer Answer() const { return answer_; }

private:
    CourseOnlyFields Shown() const;
    void Show(const CourseOnlyFields& f);
    bool StoreChecked();

    CourseOnlyEdit& edit_;
    SpinField horScal_;
    SpinField verScal_;
    SpinField left_;
    SpinField bottom_;
    QCheckBox* blackB_;
    QCheckBox* mirrorB_;
    CourseOnlyAnswer answer_ = CourseOnlyAnswer::Cancel;
};

CourseOnlyAnswer ExecCourseOnlyDlg(QWidget* parent, CourseOnlyEdit& edit);

} // namespace zemo
