// The dialogs of File > New and File > File information.
#pragma once

#include <QString>

class QWidget;

namespace zemo {

// The symbol-set choice of a new map; true on OK with a chosen file.
bool ExecNewFileDlg(QWidget* parent, QString& symbolSetFile, bool& courseSetting);
// File > New: the dialog, then the new map.
void NewMap(QWidget* parent);
// File > File information on the current map.
void EditFileInfo(QWidget* parent);

} // namespace zemo
