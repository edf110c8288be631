// Course > Options: the course options of the active map, and the reset of every
// course-specific object.
#pragma once

#include "course/CsOptions.h"
#include "edit/widgets/MapDlgForm.h"

class QButtonGroup;
class QCheckBox;

namespace zemo {

class TCsOptionsDlg : public TMapDlgForm {
public:
    TCsOptionsDlg(QWidget* parent, const CourseOptions& shown);
    const CourseOptions& Values() const { return values_; }
    void accept() override;

private:
    CourseOptions values_;
    QCheckBox* printCodesB_ = nullptr;
    SpinField distNumB_;
    SpinField distLineB_;
    QButtonGroup* titleB_ = nullptr;
    SpinField sizeB_;
};

// The command: the dialog on the active map's options; OK stores them.
void EditCourseOptions();

} // namespace zemo
