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
struct TempResolFields;
struct TiffDlgFields;

// The template list of the Template menu: names offered (bare file names), one or several
// to choose, the first preselected.
struct TemplateListRequest {
    QString caption;
    QStringList names;
    bool several = false;
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
};

ExternalPortSet& ExternalPorts();

} // namespace zemo
