// What course setting needs from above its engine: its dialogs and the Objects tab of the
// course panel (course_widgets). Each port does the documented least until the wiring root
// binds it.
#pragma once

#include "core/Cord.h"
#include "core/Port.h"
#include "course/CourseOnly.h"
#include "course/CsPrint.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {
struct CourseProps;
}

namespace zemo {

struct CoursePortSet {
    // The Course Object dialog for a type (0..6) on a code, editing the object at a list
    // index (-1: a new one); true on OK with the code accepted. Least: cancelled, so a new
    // object of a course symbol is not kept and no code changes.
    Port<bool(int type, int editedIndex, QString& code)> RunCsObjectDialog{
        "course.RunCsObjectDialog", [](int, int, QString&) { return false; }};
    // The Insert Variation dialog on the default leg variation for a number of legs; true on
    // OK with the markers to insert. Least: cancelled, nothing is inserted.
    Port<bool(QString& text, int legs)> RunVariationDialog{
        "course.RunVariationDialog", [](QString&, int) { return false; }};
    // The course-object list or the selected object's properties changed: the Objects tab
    // shows them again. Least: there is no tab to show them.
    Port<void()> CsPanelChanged{"course.CsPanelChanged", [] {}};
    // The Control Statistics dialog over the current map. Least: nothing is shown.
    Port<void()> RunCsStatDlg{"course.RunCsStatDlg", [] {}};
    // The Print Control Descriptions dialog over the current map, which prints from its Print
    // button. Least: nothing is shown, nothing printed.
    Port<void()> RunCdPrintDlg{"course.RunCdPrintDlg", [] {}};
    // The Export Course Maps dialog over the course selector's items (0 all controls): true
    // on OK with the chosen ones. Least: cancelled, nothing is written.
    Port<bool(const QStringList& items, std::vector<bool>& chosen)> RunExpCsMapsDlg{
        "course.RunExpCsMapsDlg", [](const QStringList&, std::vector<bool>&) { return false; }};
    // The Export Courses dialog: true on OK with the choice (by course 0, by class 1). Least:
    // cancelled, nothing is written.
    Port<bool(int& by)> RunExpCourseDlg{"course.RunExpCourseDlg", [](int&) { return false; }};
    // The Course dialog on a course (-1 new) with its stored legs and whether it holds a
    // variation; true on OK with the properties. Least: cancelled, no course changes.
    Port<bool(CourseProps& p, int edited, int storedLegs, bool hasVariation)> RunCourseDialog{
        "course.RunCourseDialog", [](CourseProps&, int, int, bool) { return false; }};
    // The Class dialog on a class (-1 new): its name and course (-1 none); true on OK.
    // Least: cancelled, no class changes.
    Port<bool(QString& name, int& course, int edited)> RunClassDialog{
        "course.RunClassDialog", [](QString&, int&, int) { return false; }};
    // The current course, its caret or the classes changed: the Courses and Classes tabs show
    // them again. Least: there are no tabs.
    Port<void()> CoursesChanged{"course.CoursesChanged", [] {}};
    // The course print dialog on its options: true when Print was pressed (the settings
    // saved in every case). Least: closed, nothing prints.
    Port<bool(CsPrintOptions& options)> RunCsPrintDialog{"course.RunCsPrintDialog",
                                                         [](CsPrintOptions&) { return false; }};
    // The course-only dialog on the edit: its fields on OK and Define. Least: cancelled.
    Port<CourseOnlyAnswer(CourseOnlyEdit& edit)> RunCourseOnlyDialog{
        "course.RunCourseOnlyDialog", [](CourseOnlyEdit&) { return CourseOnlyAnswer::Cancel; }};
    // The control-description sheet of a course (an index into the course list) for a leg
    // and team (0 and 0: the preview), its top-left corner at a description box's point; the
    // text sheet when asked. The generator calls it with the map's preview flag on and an
    // empty link text, so what the builder appends stays in memory only; the description
    // symbols are scaled to the box size already. Least: no sheet is built and the box
    // stays hidden.
    Port<void(int course, int leg, int team, bool textSheet, Cord topLeft)> BuildPreviewSheet{
        "course.BuildPreviewSheet", [](int, int, int, bool, Cord) {}};
};

CoursePortSet& CoursePorts();

} // namespace zemo
