// Control statistics: how many runners pass each start and control of a course-setting map,
// and which courses pass it.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace zemo {

inline constexpr int CsStatHelpContext = 61;

// Runners of one course passing the course object `code`: the course's runners (field R)
// times the legs that run each place where it passes. `passes` counts those places.
int64_t CountInCourse(const QString& course, const QString& code, int& passes);
// Runners passing the course object `code` on every course of the current map; with `courses`
// given, the name of each course is appended once for every place where it passes.
int64_t CountControlUse(const QString& code, QStringList* courses = nullptr);
// One item per start and control of the current map in list order: code, TAB, runner count.
QStringList ControlStatItems();
// The courses passing the course object of an item (the code before its TAB).
QStringList CoursesOfStatItem(const QString& item);

// Course > Control statistics.
void ShowCourseStatistics();

} // namespace zemo
