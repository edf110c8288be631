// File > Export courses: the map's courses as semicolon-separated lines, one per course (or per
// class) and, for relays, per team and leg.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zemo {

inline constexpr int ExportCoursesHelpContext = 282;
enum ExportCoursesBy { ExportByCourse = 0, ExportByClass = 1 };

// A name as a field: its ";" would start a new one, so it is written as ",".
QString CourseExportField(const QString& text);
// The lines of one course (an index into the course list) under a class name (empty by
// course): class, course, start number (and ".leg" for a relay), the course length with its
// details. Empty when the course fails its check (its message shown).
QStringList CourseExportLines(int course, const QString& className);
// Every line of the map's courses, by course or by class, each ended by CR LF, in code page
// 1252; false when a course fails its check.
bool BuildCoursesText(int by, QByteArray& bytes);
// Writes the text to a new file beside fileName and renames it over it; false (reported) when
// a course fails its check or the file cannot be written, and then fileName is untouched.
bool WriteCoursesText(const QString& fileName, int by);
// The dialog's OK: by class needs a class (else NoClassesDefined, and the dialog stays).
bool AcceptExportCoursesBy(int by);

// File > Export courses.
void ExportCoursesText();

} // namespace zemo
