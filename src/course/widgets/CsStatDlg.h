// Course > Control statistics: the starts and controls with their runner counts, and the
// courses passing the one clicked.
#pragma once

class QWidget;

namespace zemo {

void ExecCsStatDlg(QWidget* parent);

} // namespace zemo
