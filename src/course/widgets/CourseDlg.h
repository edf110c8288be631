// The Course dialog (new course, properties, duplicate) and the Class dialog.
#pragma once

#include "course/CsData.h"
#include "edit/widgets/MapDlgForm.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace zemo {

class TCourseDlg : public TMapDlgForm {
public:
    // edited: the course's index, -1 for a new one (also a duplicate).
    TCourseDlg(QWidget* parent, const CourseProps& shown, int edited, int storedLegs, bool hasVariation);
    const CourseProps& Values() const { return values_; }
    void accept() override;

private:
    void kindChanged();

    CourseProps values_;
    int edited_;
    int storedLegs_;
    bool hasVariation_;
    QLineEdit* nameB_ = nullptr;
    SpinField extraB_;
    SpinField climbB_;
    SpinField runnersB_;
    QComboBox* typeB_ = nullptr;
    SpinField legsB_;
    SpinField fromB_;
    SpinField toB_;
};
bool ExecCourseDlg(QWidget* parent, CourseProps& p, int edited, int storedLegs, bool hasVariation);

class TCsClassDlg : public TMapDlgForm {
public:
    TCsClassDlg(QWidget* parent, const QString& name, int course, int edited);
    QString Name() const { return name_; }
    int Course() const { return course_; }
    void accept() override;

private:
    QString name_;
    int course_;
    int edited_;
    QLineEdit* nameB_ = nullptr;
    QListWidget* courseB_ = nullptr;
};
bool ExecCsClassDlg(QWidget* parent, QString& name, int& course, int edited);

} // namespace zemo
