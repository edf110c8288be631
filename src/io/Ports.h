// What the import, export and printing features need from the libraries above them: their
// dialogs (io widgets). Each port does the documented least until the wiring root binds it.
#pragma once

#include "core/Port.h"
#include "io/ExpAi.h"
#include "io/ExpDxf.h"
#include "io/ExpEps.h"
#include "io/ExpGif.h"
#include "io/ExpKiv.h"
#include "io/ExpSvg.h"
#include "io/ExpTiff.h"
#include "io/ExpRange.h"
#include "io/Export.h"
#include "io/ImpDxf.h"
#include "io/Import.h"
#include "io/Partial.h"
#include "io/Print.h"
#include "io/PrintRange.h"
#include "io/PrintSys.h"

namespace zemo {

struct IoPortSet {
    // The export range dialog on the edit; how it closed. Least: no dialog, cancelled.
    Port<RangeAnswer(ExportRangeEdit& edit)> RunExportRangeDialog{
        "io.RunExportRangeDialog", [](ExportRangeEdit&) { return RangeAnswer::Cancel; }};
    // The one-page dialog: the edit's fields on OK and Define. Least: cancelled.
    Port<RangeAnswer(OnePageEdit& edit)> RunOnePageDialog{
        "io.RunOnePageDialog", [](OnePageEdit&) { return RangeAnswer::Cancel; }};
    // The print-range dialog on the edit: its fields on OK and Define. Least: cancelled.
    Port<RangeAnswer(PrintRangeEdit& edit)> RunPrintRangeDialog{
        "io.RunPrintRangeDialog", [](PrintRangeEdit&) { return RangeAnswer::Cancel; }};
    // The EPS dialog: true on OK with the options. Least: cancelled, nothing is exported.
    Port<bool(EpsOptions& options)> RunEpsDialog{"io.RunEpsDialog", [](EpsOptions&) { return false; }};
    // The Illustrator dialog: true on OK with the colour kind chosen. Least: cancelled.
    Port<bool(AiOptions& options)> RunAiDialog{"io.RunAiDialog", [](AiOptions&) { return false; }};
    // The dialogs of the BMP, GIF and JPEG exports: true on OK with the options. Least:
    // cancelled, nothing is exported.
    Port<bool(RasterExpOptions& options)> RunBmpDialog{"io.RunBmpDialog", [](RasterExpOptions&) { return false; }};
    Port<bool(RasterExpOptions& options)> RunGifDialog{"io.RunGifDialog", [](RasterExpOptions&) { return false; }};
    Port<bool(RasterExpOptions& options)> RunJpegDialog{"io.RunJpegDialog", [](RasterExpOptions&) { return false; }};
    // The TIFF dialog: true on OK with the options. Least: cancelled.
    Port<bool(TiffOptions& options)> RunTiffDialog{"io.RunTiffDialog", [](TiffOptions&) { return false; }};
    // The tile size dialog: true on OK with the size. Least: cancelled, the size stays.
    Port<bool(TileSize& size)> RunTilesDialog{"io.RunTilesDialog", [](TileSize&) { return false; }};
    // The SVG dialog: true on OK with the compression choice. Least: cancelled.
    Port<bool(SvgOptions& options)> RunSvgDialog{"io.RunSvgDialog", [](SvgOptions&) { return false; }};
    // The partial-map dialog: the boundary chosen. Least: cancelled.
    Port<RangeAnswer(PartialEdit& edit)> RunPartialDialog{
        "io.RunPartialDialog", [](PartialEdit&) { return RangeAnswer::Cancel; }};
    // The system's printers and their jobs. Least: no printer, so nothing prints.
    Port<PrinterSystem*()> Printers{"io.Printers", []() -> PrinterSystem* { return nullptr; }};
    // File > Print on a course-setting map: its courses printed. Least: not offered there.
    Port<void()> PrintCourseMap{"io.PrintCourseMap", [] {}};
    // The print dialog: true when Print was pressed (its settings saved). Least: closed.
    Port<bool(PrintOptions& options)> RunPrintDialog{"io.RunPrintDialog",
                                                      [](PrintOptions&) { return false; }};
    // The map import dialog: true on OK with the placing. Least: cancelled, nothing imported.
    Port<bool(ImportMapOptions& options)> RunImportDialog{"io.RunImportDialog",
                                                          [](ImportMapOptions&) { return false; }};
    // The DXF export dialog: true on OK with the options (a layer table may be loaded from
    // it). Least: cancelled, nothing is exported.
    Port<bool(ExpDxfOptions& options)> RunExpDxfDialog{"io.RunExpDxfDialog", [](ExpDxfOptions&) { return false; }};
    // The DXF import dialog: true on OK with the choices. Least: cancelled, nothing imported.
    Port<bool(ImpDxfOptions& options)> RunImpDxfDialog{"io.RunImpDxfDialog",
                                                       [](ImpDxfOptions&) { return false; }};
    // The internet map dialog: true on OK with the options. Least: cancelled.
    Port<bool(KivOptions& options)> RunKivDialog{"io.RunKivDialog", [](KivOptions&) { return false; }};
    // The level-map dialog: true on OK with its rows. Least: cancelled, nothing is exported.
    Port<bool(KivMapsEdit& edit)> RunKivMapsDialog{"io.RunKivMapsDialog", [](KivMapsEdit&) { return false; }};
    // The database layer: a dataset of the map opened by name (with its own message when it
    // cannot be), whether the open one has a field, its fields, and the field's values of the
    // records linked to objects (each with its link's string number). Least: no dataset opens.
    Port<bool(const QString& dataset)> OpenDataset{"io.OpenDataset", [](const QString&) { return false; }};
    Port<bool(const QString& field)> DatasetHasField{"io.DatasetHasField", [](const QString&) { return false; }};
    Port<QStringList(const QString& dataset)> DatasetFields{"io.DatasetFields",
                                                           [](const QString&) { return QStringList(); }};
    Port<bool(const QString& dataset, const QString& field, TNumStringList& values)> CollectLinkedValues{
        "io.CollectLinkedValues", [](const QString&, const QString&, TNumStringList&) { return false; }};
};

IoPortSet& IoPorts();

// Registers the export workers with the command frame, each available while its dialog is
// there to ask.
void RegisterIoWorkers();

} // namespace zemo
