// The course panel's diagram and its caret: the layout of a course's control sequence with
// its relay branches (positions for the painter and for the caret a click picks), and the
// edits at the caret (a course object, a variation, removal). Also the checks of the Course
// and Class dialogs and the course list's items. All of it works on the record texts; the
// panel and dialogs are views over it.
#pragma once

#include "core/LangTexts.h"
#include "course/CsData.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace zemo {

// ---- The caret ----
// A caret p stands before the field whose TAB is at p - 1; the text's length + 1 is the end.
inline int CaretAtEnd(const QString& course)
{
    return int(course.size()) + 1;
}
// A caret that is no field start is taken as the end.
int ValidCaret(const QString& course, int caret);
// The click that asks for the end of the course.
inline constexpr int CaretEndClick = 32000;

// ---- The diagram ----
inline constexpr int DiagramLine = 14;      // pixels per course object
inline constexpr int DiagramNumberX = 10;   // running numbers on the main line
inline constexpr int DiagramCodeX = 35;     // centre of the codes on the main line
inline constexpr int DiagramMainLineEnd = 50; // left of it: the main line
inline constexpr int DiagramBranchGap = 25;
inline constexpr int DiagramColumnRight = 40; // a column's room right of its codes' centre
inline constexpr int DiagramClosestPitch = 20; // columns fitted to a narrow panel

struct DiagramText {
    int X = 0; // centre
    int Y = 0; // top
    QString Text;
    bool Blue = false; // leg numbers of a leg branch
};
struct DiagramLineSeg {
    QPoint From;
    QPoint To;
    bool Blue = false; // lines of leg variations
};
struct CourseDiagram {
    std::vector<DiagramText> Texts;
    std::vector<DiagramLineSeg> Lines;
    int Width = 0;
    int Height = 0;
    // Where the click put the caret, and the legs that run there.
    int Caret = 0;
    QPoint CaretAt;
    QString CaretLegs;
    int CaretLegCount = 1;
};
// Lays out a course's sequence; the last position in layout order with x - 12 < click x and
// y - 7 < click y holds the caret (the first position when none does). A layout wider than
// `fit` pixels (0: any width) brings its columns closer, down to what their codes need.
CourseDiagram LayoutCourse(const QString& course, QPoint click, int fit = 0);
// The same layout with the caret given: its drawing position and the legs there.
CourseDiagram LayoutCourseAtCaret(const QString& course, int caret, int fit = 0);

// ---- Edits at the caret ----
// Inserts `field` (TAB, type letter, code) before the caret's field; false when the field
// before the caret is the same one. The caret moves behind the new field.
bool InsertCourseField(QString& course, int& caret, const QString& field);
// Whether a variation may go in at the caret: no variation end before it nor start after it
// without a course object between.
bool CanInsertVariation(const QString& course, int caret);
// The default leg variation for a leg list ("1-2-3": each leg a branch of its own).
QString DefaultLegVariation(const QString& legs);
// Inserts a variation's markers at the caret; the caret goes behind its first branch marker.
void InsertCourseVariation(QString& course, int& caret, const QString& variation);

enum class RemoveResult { Nothing, Removed, Refused, Cancelled };
// Removes the course object before the caret, or the variation that ends there (after
// `confirmSplit` says yes); from the start of a branch the whole variation. A control between
// two variations is refused.
RemoveResult RemoveCourseField(QString& course, int& caret, const std::function<bool()>& confirmSplit);

// ---- Dialog checks ----
// Names as stored: control characters become blanks (a pasted TAB, CR or LF would split the
// record), blanks trimmed.
QString CleanCourseName(const QString& typed);

enum class CourseField { None, Name, Kind, Legs, LastStart };
struct DialogRefusal {
    TextKey Key = TextKey::Count; // Count: accepted
    QString Param;
    CourseField Focus = CourseField::None;
    bool Accepted() const { return Key == TextKey::Count; }
};
// The Course dialog's OK for a course (-1 new); `storedLegs` and `hasVariation` describe the
// edited course. The ranges are the fields' own.
DialogRefusal CheckCourseDialog(const CourseProps& v, int editedCourse, int storedLegs, bool hasVariation);
// The Class dialog's OK for a class (-1 new) running a course (-1 none).
DialogRefusal CheckClassDialog(const QString& name, int course, int editedClass);
// True when a course holds a variation marker.
bool CourseHasVariation(const QString& course);

// The course list: "<All controls>", then each course, ": " and its classes joined by "-".
QStringList CourseListItems();

} // namespace zemo
