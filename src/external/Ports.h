// What the external-data features need from the libraries above them: their dialogs (external
// widgets). Each port does the documented least until the wiring root binds it.
#pragma once

#include "core/Port.h"
#include "external/TempOpt.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

struct NameIndexValues;
struct ScanSettings;
struct TempResolFields;
// The map's GPS angle, what the adjustment dialog shows first.
double StoredGpsAngle();
struct TiffDlgFields;

// The template list of the Template menu: names offered (bare file names), one or several
// to choose, the first preselected.
struct TemplateListRequest {
    QString caption;
    QStringList names;
    bool several = false;
};

// What the GPS adjustment dialog leaves: the angle typed, and whether New was pressed.
struct AdjustGpsResult {
    double Angle = 0;
    bool NewPoint = false;
};

struct ExternalPortSet {
    // The positions in names chosen, in list order; none on Cancel. Least: no dialog, nothing
    // is chosen.
    Port<std::vector<int>(const TemplateListRequest& request)> RunTemplateList{
        "external.RunTemplateList", [](const TemplateListRequest&) { return std::vector<int>{}; }};
    // The template options dialog: true on OK with the values changed. Least: Cancel.
    Port<bool(TempOptValues& values)> RunTemplateOptions{"external.RunTemplateOptions",
                                                         [](TempOptValues&) { return false; }};
    // The template resolution dialog: true on OK with its checked fields. Least: Cancel.
    Port<bool(TempResolFields& fields)> RunTempResol{"external.RunTempResol",
                                                     [](TempResolFields&) { return false; }};
    // The georeference dialog of a TIFF template: true on OK with its checked fields. Least:
    // Cancel.
    Port<bool(TiffDlgFields& fields)> RunTiffDlg{"external.RunTiffDlg", [](TiffDlgFields&) { return false; }};
    // The name index dialog: true on OK with its values. Least: Cancel.
    Port<bool(NameIndexValues& values)> RunNameIndexDlg{"external.RunNameIndexDlg",
                                                       [](NameIndexValues&) { return false; }};
    // The GPS dialog over the configuration: true on OK with its fields stored. Least: Cancel.
    Port<bool()> RunOpenGps{"external.RunOpenGps", [] { return false; }};
    // The GPS test dialog, shown until closed. Least: no dialog.
    Port<void()> RunTestGps{"external.RunTestGps", [] {}};
    // A line reached the open test dialog. Least: nothing shows it.
    Port<void()> GpsTestChanged{"external.GpsTestChanged", [] {}};
    // The GPS adjustment dialog over the map's points. Least: closed at once, the angle kept.
    Port<AdjustGpsResult()> RunAdjustGps{"external.RunAdjustGps", [] { return AdjustGpsResult{StoredGpsAngle(), false}; }};
    // A point's new name (at most 15 characters): true on OK. Least: Cancel.
    Port<bool(QString& name)> RunRnGps{"external.RunRnGps", [](QString&) { return false; }};
    // Select source: the device chosen of the list (its position in index). Least: Cancel.
    Port<bool(const QStringList& devices, int& index)> RunScanSource{
        "external.RunScanSource", [](const QStringList&, int&) { return false; }};
    // The scan dialog: mode and resolution; true on Scan. Least: Cancel.
    Port<bool(ScanSettings& settings)> RunScanDlg{"external.RunScanDlg", [](ScanSettings&) { return false; }};
};

ExternalPortSet& ExternalPorts();

} // namespace zemo
