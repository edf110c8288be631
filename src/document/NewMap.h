// File > New: an untitled map whose colours and symbols come from a symbol-set map, and the
// free information text of a map (File > File information).
#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

// The folder of the shipped symbol-set maps.
QString SymbolSetFolder();
// The usable symbol-set maps of a folder, sorted by name: for a course-setting map the
// version-8 course-setting maps, else the version 6 and 7 maps and the ordinary version-8
// maps.
QStringList ListSymbolSetFiles(const QString& folder, bool courseSetting);
// The information text stored in a map file ("" when there is none or it is not a map).
QString ReadFileInfoOf(const QString& file);

// The empty working copy of a new map on the current document.
bool CreateEmptyMap();
// A new untitled map with the colours, symbols and setup of the symbol-set file.
bool CreateNewMap(const QString& symbolSetFile, bool courseSetting);

// The current map's information text, with "\n" line breaks.
QString GetFileInfoText();
// Stores the text (at most 32767 characters) as the current map's information text.
void SetFileInfoText(const QString& text);

} // namespace zemo
