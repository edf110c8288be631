// File > Print control descriptions: the dialog's values and settings, the layout of the
// chosen sheets in columns across pages (sheets of all controls first, then each course's
// sheet as many times as copies are asked), and the pages printed through the printing
// system, each page's sheets generated as objects in memory only and printed as the map.
#pragma once

#include "core/Cord.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zemo {

inline constexpr int CdPrintHelpContext = 278;
inline constexpr int MinCdCopies = 1;
inline constexpr int MaxCdCopies = 9999;

enum CdPrintKind : int { SymbolSheets = 0, TextSheets = 1 };

struct CdPrintOptions {
    QStringList Printers;
    int Printer = 0;
    QStringList Items;            // "<All controls>", then the courses
    std::vector<bool> Selected;
    int Kind = SymbolSheets;
    double BoxSize = 6;           // mm
    QString Title;
    int Copies = 1;
};

// The dialog's values for the current map: the first course selected (else the first item),
// the kept printer when it is still there, title and box size of the settings string.
CdPrintOptions CdPrintDialogOptions();
// Every course selected, the item of all controls never.
void SelectAllCourses(CdPrintOptions& o);
// The settings string rebuilt and saved, and the printer's name kept in the configuration.
void StoreCdPrintSettings(const CdPrintOptions& o);

// One sheet, or one column of the sheets of all controls, as placed on a page: its top-left
// corner and size in coordinate units from the page's top-left corner (y downwards).
struct PlacedSheet {
    enum Kind : int { CourseSheet, ControlsColumn } What = CourseSheet;
    int Index = -1;      // course index, or the first object of an all-controls column
    int Page = 0;        // from 0
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool Alone = false;  // larger than the page: alone on it, clipped
};

// Lays the chosen sheets out on pages of this printable size (coordinate units), each sheet
// with its drawing wholly inside; the number of pages is one more than the last sheet's page.
std::vector<PlacedSheet> LayOutSheets(const CdPrintOptions& o, int32_t printableWidth, int32_t printableHeight);

struct CdPrintState {
    std::vector<PlacedSheet> Placed;  // of the last print
    int Pages = 0;
};
extern CdPrintState CdPrint;
void ResetCdPrint();

// The Print button: the selected courses checked, the settings stored, the job run. False
// when nothing was printed because a course failed its check or the job did not start.
bool PrintDescriptionSheets(const CdPrintOptions& o);
// The command: a saved map, then the dialog.
void PrintControlDescriptions();

} // namespace zemo
