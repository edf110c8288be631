// What the database features need from the libraries above them: the record grid of the main
// frame's database panel and the dialogs (database widgets). Each port does the documented
// least until the wiring root binds it.
#pragma once

#include "core/Port.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

// The record grid: one row per field of the linked record.
struct DbGridRow {
    QString Name;
    QString Marker;  // "*": the field refers to a secondary table
    QString Value;   // as shown and edited
    QString Stored;  // as read from the record
};

struct DbGridModel {
    std::vector<DbGridRow> Rows;
    bool Visible = false;
};

// The Link dialog: the map's datasets, the chosen one, the key and New record.
struct LinkDlgValues {
    QStringList Datasets;
    int Dataset = 0;
    QString Key;
    bool NewRecord = true;
};
enum class LinkDlgResult { Cancel, Ok, Remove };

// The Find dialog and the Create links dialog: a dataset (and a key).
struct DatasetChoice {
    QStringList Datasets;
    int Dataset = 0;
    QString Key;
};

struct DatabasePortSet {
    // The panel shows the grid as it now is. Least: no panel, nothing shown.
    Port<void(const DbGridModel& grid)> ShowDbGrid{"database.ShowDbGrid", [](const DbGridModel&) {}};
    // Least of the dialogs: Cancel.
    Port<LinkDlgResult(LinkDlgValues& values)> RunLinkDlg{
        "database.RunLinkDlg", [](LinkDlgValues&) { return LinkDlgResult::Cancel; }};
    Port<bool(DatasetChoice& choice)> RunFindDlg{"database.RunFindDlg", [](DatasetChoice&) { return false; }};
    Port<bool(DatasetChoice& choice)> RunCreateLinksDlg{"database.RunCreateLinksDlg",
                                                        [](DatasetChoice&) { return false; }};
    // The ODBC data-source file in our own editor; true when saved. Least: not shown.
    Port<bool(const QString& path)> EditDataSourceFile{"database.EditDataSourceFile",
                                                       [](const QString&) { return false; }};
    // The table window over the current record of a secondary table. Least: not shown.
    Port<void(const QString& table)> ShowSecondaryRecord{"database.ShowSecondaryRecord", [](const QString&) {}};
};

DatabasePortSet& DatabasePorts();

} // namespace zemo
