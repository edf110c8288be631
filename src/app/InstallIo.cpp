#include "app/Install.h"

#include "edit/Ports.h"
#include "external/database/AssignSym.h"
#include "external/database/DbObject.h"
#include "io/ImpEmf.h"
#include "io/ImpWmf.h"
#include "io/Ports.h"
#include "io/widgets/ExpDxfDlg.h"
#include "io/widgets/ExpRangeDlg.h"
#include "io/widgets/ExportDlgs.h"
#include "io/widgets/PrintDlg.h"
#include "io/widgets/PrintRangeDlg.h"
#include "io/widgets/QtPrinters.h"
#include "shell/Ports.h"
#include "io/widgets/ImportDlgs.h"
#include "io/widgets/KivDlgs.h"
#include "io/widgets/RasterExpDlgs.h"
#include "io/widgets/TiffDlgs.h"
#include "io/shape/Ports.h"
#include "io/shape/widgets/ShapeDlgs.h"

#include <QApplication>

namespace zemo {

void InstallIo()
{
    // The export dialogs, over the active window.
    const auto top = [] { return QApplication::activeWindow(); };
    IoPortSet& io = IoPorts();
    io.RunExportRangeDialog.Bind([top](ExportRangeEdit& e) { return ExecExpRangeDlg(top(), e); });
    io.RunOnePageDialog.Bind([top](OnePageEdit& e) { return ExecOnePageDlg(top(), e); });
    io.RunPrintRangeDialog.Bind([top](PrintRangeEdit& e) { return ExecPrintRangeDlg(top(), e); });
    io.RunEpsDialog.Bind([top](EpsOptions& o) { return ExecExpEpsDlg(top(), o); });
    io.RunAiDialog.Bind([top](AiOptions& o) { return ExecExpAiDlg(top(), o); });
    io.RunPartialDialog.Bind([top](PartialEdit& e) { return ExecPartialDlg(top(), e); });
    // The system's printers, listed once for the run.
    static QtPrinters printers;
    io.Printers.Bind([] { return static_cast<PrinterSystem*>(&printers); });
    io.RunPrintDialog.Bind([top](PrintOptions& o) { return ExecPrintDlg(top(), o); });
    ShellPorts().PrintersAvailable.Bind(PrintersAvailable);
    io.RunExpDxfDialog.Bind([top](ExpDxfOptions& o) { return ExecExpDxfDlg(top(), o); });
    io.RunImportDialog.Bind([top](ImportMapOptions& o) { return ExecImportDlg(top(), o); });
    io.RunImpDxfDialog.Bind([top](ImpDxfOptions& o) { return ExecImpDxfDlg(top(), o); });
    io.RunBmpDialog.Bind([top](RasterExpOptions& o) { return ExecExpBmpDlg(top(), o); });
    io.RunGifDialog.Bind([top](RasterExpOptions& o) { return ExecExpGifDlg(top(), o); });
    io.RunJpegDialog.Bind([top](RasterExpOptions& o) { return ExecExpJpegDlg(top(), o); });
    io.RunTiffDialog.Bind([top](TiffOptions& o) { return ExecExpTiffDlg(top(), o); });
    io.RunTilesDialog.Bind([top](TileSize& t) { return ExecTilesDlg(top(), t); });
    io.RunSvgDialog.Bind([top](SvgOptions& o) { return ExecExpSvgDlg(top(), o); });
    io.RunKivDialog.Bind([top](KivOptions& o) { return ExecExpKivDlg(top(), o); });
    io.RunKivMapsDialog.Bind([top](KivMapsEdit& e) { return ExecKivMapsDlg(top(), e); });
    // The internet map's find box and hotspots read the database layer's datasets.
    io.OpenDataset.Bind([](const QString& dataset) { return DbDataset(dataset); });
    io.DatasetHasField.Bind([](const QString& field) { return DatasetHasField(field); });
    io.DatasetFields.Bind([](const QString& dataset) {
        int preselect = 0;
        return DatasetFieldNames(dataset, preselect);
    });
    io.CollectLinkedValues.Bind([](const QString& dataset, const QString& field, TNumStringList& values) {
        return CollectLinkedValues(dataset, field, values);
    });
    RegisterIoWorkers();
    // Edit > Paste hands metafile pictures of other programs to their importers.
    EditPorts().ImportMetafile.Bind([](const QByteArray& picture, bool enhanced) {
        int count = 0;
        const bool read = enhanced ? ImportEmfHandle(picture, &count) : ImportWmfHandle(picture, &count);
        return read && count > 0;
    });
    ShapePorts().RunImpShapeDialog.Bind([top](ImpShapeOptions& o) { return ExecImpShapeDlg(top(), o); });
    ShapePorts().RunExpShapeDialog.Bind([top](ExpShapeOptions& o) { return ExecExpShapeDlg(top(), o); });
    RegisterShapeWorkers();
}

} // namespace zemo
