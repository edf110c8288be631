// The ODBC data-source file in a plain text editor of our own: the driver manager of this
// system has no dialog, and a desktop may have no program for the file.
#pragma once

#include <QString>

class QWidget;

namespace zemo {

// Shows the file's text; OK writes it back whole (false when the user cancelled or the write
// failed, which is reported).
bool ExecOdbcIniDlg(QWidget* parent, const QString& path);

} // namespace zemo
