// The name index dialog (TNameIndexDlg): the grid's origin, cell sizes and angle, and the
// labelling style.
#pragma once

class QWidget;

namespace zemo {

struct NameIndexValues;

bool ExecNameIndexDlg(QWidget* parent, NameIndexValues& values);

} // namespace zemo
