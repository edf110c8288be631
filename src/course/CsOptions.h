// The course options of a course-setting map: how the preview and the printouts lay out
// control numbers, connection lines, course titles and the description boxes on the map.
// They are kept as the map's settings string of type 1031, always written whole:
//   TAB c<0|1>  TAB n<mm>  TAB l<mm>  TAB t<0..2>  TAB s<mm>
#pragma once

#include <QString>

namespace zemo {

inline constexpr int CourseOptionsType = 1031;
inline constexpr int CourseOptionsHelpContext = 14;

// Title modes: the classes (else the course name), the course and its classes, the course.
enum CourseTitleMode : int { TitleAuto = 0, TitleBoth = 1, TitleCourseOnly = 2 };

inline constexpr double MaxCourseDistance = 50; // mm, numbers and lines
inline constexpr double MinBoxSize = 3, MaxBoxSize = 10, StandardBoxSize = 6; // mm

struct CourseOptions {
    bool PrintCodes = false;
    double NumberDistance = 1.0; // mm from the circle to its number
    double LineDistance = 0.0;   // mm from the circle to the connection line
    int Title = TitleAuto;
    double BoxSize = StandardBoxSize;
    friend bool operator==(const CourseOptions&, const CourseOptions&) = default;
};

// The options of a settings string; a missing field takes its default, a title mode outside
// 0..2 reads as 0, a box size outside 3..10 mm as 6 mm.
CourseOptions ParseCourseOptions(const QString& text);
// The whole string, numbers with two decimals and ".".
QString CourseOptionsText(const CourseOptions& o);

// The active map's options (the defaults without a map).
CourseOptions CurrentCourseOptions();
// Writes and saves the active map's string; an active preview is shown anew. False when the
// store refused it.
bool StoreCourseOptions(const CourseOptions& o);
// Every course-specific object (a generated number or line the user moved) is erased with
// its link; an active preview is shown anew. Returns how many links went.
int ResetCourseObjects();

} // namespace zemo
