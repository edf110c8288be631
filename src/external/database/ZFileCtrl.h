// ZFileCtrl: the folder picker of the Datasets dialog and the test that a folder exists, over
// the program's folder dialog (its own new-folder button included).
#pragma once

#include <QString>

namespace zemo {

// Options of SelectDirectory: a folder that does not exist yet may be chosen, is made, and the
// user is asked before it is.
enum SelectDirOption : int {
    SelectDirAllowCreate = 1,
    SelectDirPerformCreate = 2,
    SelectDirPrompt = 4,
};

// A modal folder dialog starting at folder ("\" read as "/"); true with the chosen folder.
bool SelectDirectory(QString& folder, int options, int helpContext);
bool DirectoryExists(const QString& folder);

} // namespace zemo
