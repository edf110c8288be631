// File > Print control descriptions: the courses to print, the printer, symbol or text
// sheets, box size, title and copies. Print prints and closes; Close keeps valid settings.
#pragma once

class QWidget;

namespace zemo {

void ExecCdPrintDlg(QWidget* parent);

} // namespace zemo
