// Database > Datasets (TDatasetDlg with its General, Secondary tables and Special fields pages,
// and TDbDsNewDlg for a new dataset). The dialog edits a copy of the map's definitions; OK
// writes them, Cancel leaves the map as it was.
#pragma once

class QWidget;

namespace zemo {

void EditDatasets(QWidget* parent);

} // namespace zemo
