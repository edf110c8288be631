// File > Export courses: by course or by class.
#pragma once

class QWidget;

namespace zemo {

// True on OK with the choice in `by` (ExportCoursesBy).
bool ExecExpCourseDlg(QWidget* parent, int& by);

} // namespace zemo
