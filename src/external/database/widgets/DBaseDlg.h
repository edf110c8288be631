// The dBase table dialog (TDBaseDlg): a new link table or an opened one, its fields listed,
// inserted (TDbNewFieldDlg) and removed.
#pragma once

class QWidget;

namespace zemo {

// Database > dBase table: commits the record grid, runs the dialog, shows the record again.
void ShowDBaseDialog(QWidget* parent);

} // namespace zemo
