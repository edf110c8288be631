#include "io/Ports.h"

#include "document/Index.h"
#include "io/ExpBmp.h"
#include "io/ExpJpeg.h"
#include "io/ImpAi.h"
#include "io/ImpEmf.h"
#include "io/ImpWmf.h"
#include "io/Import.h"
#include "shell/CommandFrame.h"

namespace zemo {

IoPortSet& IoPorts()
{
    static IoPortSet ports;
    return ports;
}

void RegisterIoWorkers()
{
    const auto with = [](const PortBase& port) {
        return [&port] { return Index.ActiveZmd != nullptr && port.Bound(); };
    };
    IoPortSet& p = IoPorts();
    RegisterWorker(Cmd::FileExportEps, ExportEps, with(p.RunEpsDialog));
    RegisterWorker(Cmd::FileExportAi, ExportAi, with(p.RunAiDialog));
    RegisterWorker(Cmd::ExtrasPartial, ExportPartialMap, with(p.RunPartialDialog));
    RegisterWorker(Cmd::FileExportPdf, ExportPdf);
    // Course-setting maps print their courses.
    const auto printable = [&p] {
        const TZmd* z = Index.ActiveZmd;
        return z != nullptr && (z->CourseMap ? p.PrintCourseMap.Bound() : p.RunPrintDialog.Bound());
    };
    const auto print = [&p] {
        if (Index.ActiveZmd->CourseMap)
            p.PrintCourseMap();
        else
            ShowPrintDialog();
    };
    RegisterWorker(Cmd::FilePrint, print, printable);
    RegisterWorker(Cmd::FileExportDxf, ExportDxf, with(p.RunExpDxfDialog));
    InitImportUnit();
    InitImpAiUnit();
    InitImpWmfUnit();
    InitImpEmfUnit();
    RegisterWorker(Cmd::FileImport, ImportFile, [] { return Index.ActiveZmd != nullptr; });
    RegisterWorker(Cmd::FileExportBmp, ExportBmp, with(p.RunBmpDialog));
    RegisterWorker(Cmd::FileExportGif, ExportGif, with(p.RunGifDialog));
    RegisterWorker(Cmd::FileExportJpeg, ExportJpeg, with(p.RunJpegDialog));
    RegisterWorker(Cmd::FileExportTiff, ExportTiff, with(p.RunTiffDialog));
    // Its menu item stays hidden; the command works.
    RegisterWorker(Cmd::FileExportSvg, ExportSvg, with(p.RunSvgDialog));
    RegisterWorker(Cmd::FileExportKiv, ExportKiv, with(p.RunKivDialog));
}

} // namespace zemo
