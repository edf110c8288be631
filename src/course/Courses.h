// Courses and classes of the course panel: the current course and its caret, the Course and
// Class dialogs' results stored (new, properties, duplicate, delete, rename carried into
// classes and links), the course list, stepping, and the edits of the Courses tab. The tabs
// are views over CsCourses; the dialogs come through the course ports.
#pragma once

#include "course/CourseEdit.h"

#include <QPoint>
#include <QString>
#include <QStringList>

namespace zemo {

enum CsPage : int { CsObjectsPage = 0, CsCoursesPage = 1, CsClassesPage = 2 };
inline constexpr int CourseHelpContext = 270;
inline constexpr int ClassHelpContext = 312;

struct CoursesState {
    int Page = CsObjectsPage;    // the panel's page (CsPageControl)
    int Caret = 0;               // in the current course's text
    int Remembered = 0;          // the caret the user last placed
    QPoint Click{CaretEndClick, CaretEndClick}; // asks the next layout to place the caret
    CourseDiagram Diagram;       // the last layout of the current course
    int FitWidth = 0;            // the diagram's room in the panel, pixels (0: any width)
    QString LengthText;          // CourseLengthB
    bool VariationEnabled = false;
    int SelectedClass = -1;
    bool PanelShown = false;     // the course panel is on screen
    int KeptItem = 0;            // the course list's item while another page shows
};
extern CoursesState CsCourses;
void ResetCourses();

// The current map when it is a course-setting map.
class TZmd;
TZmd* CourseSettingMap();
// The current course's record, empty for all controls.
QString CurrentCourseText();

// ---- Courses ----
// The course list's item of the current course (0: all controls).
int CurrentCourseItem();
// Stores the properties into a course's record (rebuilt, saved, list re-sorted) and makes it
// the current course; false when the store refused.
bool StoreCourseProps(int course, const CourseProps& p);
void NewCourse();
void EditCourse();
void DuplicateCourse();
void DeleteCurrentCourse();
// Erases the objects and records of every link of a course.
void DeleteCourseLinks(const QString& name);
// The course list refilled, the caret to the end, the marks or the preview shown.
void UpdateCourses();
void SelectCourse(int listIndex);
// 0 all controls, 1 previous, 2 next, 3 last.
void StepCourse(int how);
void ChangeCsPage(int page);
bool CourseTabVisible();
// After a map was opened or its window activated: its courses sorted, all controls shown.
void PrepareCourses();
// A course-setting map just read: the objects a preview left behind removed, and the courses
// that lack a start, a finish or a named object reported by name, each in one message. The
// map stays unchanged for its user.
void CheckCourseMapRead();

// ---- The diagram and its caret ----
// The layout of the current course, the caret a pending click asks for, the length and the
// variation button's state.
void LayoutCurrentCourse();
// Objects moved: the diagram and the length shown again.
void RelayoutCourse();
void SetCourseCaretPoint(QPoint p);
void InsertCourseControl();
void InsertSelectedCsObject();
void InsertPickedCsObject();
void RemoveCourseControl();
void InsertVariationAtCaret();
void LocateCsObjectInCourse();

// ---- Classes ----
// Class name TAB course name, one per class.
QStringList ClassListItems();
void UpdateClassList();
// Stores a class (-1 new) running a course (-1 none); its list index, -1 when refused.
int StoreClass(int edited, const QString& name, int course);
void NewClass();
void EditClass();
void DeleteSelectedClass();

} // namespace zemo
