// File > Export course maps: for each chosen course (or all controls) an ordinary map beside
// the map that holds exactly what the course's preview shows, with only the symbols it uses.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

inline constexpr int ExportCsMapsHelpContext = 346;

// "Cs_" + the course's name with every character other than a digit, a letter A to Z or a to
// z, "-" or "_" made "_", + ".zmd"; "Cs_All.zmd" for all controls (course -1).
QString CourseMapName(int course);
// The file names of the chosen entries (0 all controls, i course i - 1) in order: a name that
// an earlier entry of the same export already has (letter case aside) gets "_2", "_3", ...
// before ".zmd", so that one export never writes over its own files.
QStringList CourseMapNames(const std::vector<int>& entries);

// Writes the course map of a course (-1 all controls) into `path`; false when it could not be
// made or written.
bool ExportCourseMap(int course, const QString& path);
// The chosen entries of the course selector checked, then written in order into the map's
// folder; the first map that cannot be written stops the others. The number written.
int ExportCourseMapsOf(const std::vector<bool>& chosen);
// The command: the dialog, then the maps.
void ExportCourseMaps();

} // namespace zemo
