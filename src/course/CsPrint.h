// CsPrint: File > Print on a course-setting map. The course print dialog's values, the jobs
// its choices make (one per course, leg and start number), and one job: the pages of the
// range (entire map, partial map, or the course alone onto an already printed sheet), each
// drawn by the printing system's page routine over the course preview built for it.
#pragma once

#include "course/CourseOnly.h"
#include "course/CsData.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

namespace zemo {

inline constexpr int CsPrintHelpContext = 338;
inline constexpr int CsPrintOptionsHelpContext = 341;
inline constexpr int CsPrintRelayHelpContext = 342;

enum CsPrintRange : int { CsEntireMap = 0, CsPartialMap = 1, CsCourseAlone = 2 };

// The relay page's choice.
struct CsLegChoice {
    bool AllLegs = true;
    int Leg = 1;
    bool AllNumbers = true;
    QString Numbers = QStringLiteral("1");  // one start number, or two joined by "-"
};

// One start number, or two around the first "-": false when a part is no number.
bool ParseStartNumbers(const QString& text, int& from, int& to);

struct CsPrintJob {
    int Entry = 0;        // 0 all controls, i course i - 1
    int Leg = 0;          // 0 for a normal course
    int StartNumber = 0;
    friend bool operator==(const CsPrintJob&, const CsPrintJob&) = default;
};

// The jobs of one checked entry in order: leg by leg, start numbers increasing; a normal
// course (and all controls) makes one job with leg 0 and number 0. A leg beyond the course's
// legs makes none; so do start numbers outside its first .. last. Stops when `visit`
// returns false, and then returns false. The numbers must parse (the dialog checks them).
bool ForEachCourseJob(int entry, const CheckedCourse& relay, const CsLegChoice& choice,
                      const std::function<bool(const CsPrintJob&)>& visit);

// An entry of the course list that passed its check, with what the check kept.
struct CheckedEntry {
    int Entry = 0;
    CheckedCourse Course;
};
// Every job of the entries, entry by entry in list order.
bool ForEachPrintJob(std::span<const CheckedEntry> entries, const CsLegChoice& choice,
                     const std::function<bool(const CsPrintJob&)>& visit);

// What the dialog shows and edits.
struct CsPrintOptions {
    QStringList Printers;
    int Printer = 0;
    double MapScale = 0;
    double PrintScale = 0;
    int Copies = 1;
    QStringList Entries;          // the course selector's entries
    std::vector<bool> Selected;
    int Range = CsEntireMap;
    int Intensity = 100;
    int LineWidth = 100;
    bool Grid = false;
    int GridColor = 0;
    bool Relay = true;            // the relay page is shown
    CsLegChoice Legs;
};

// The choices the dialog keeps between showings.
struct CsPrintState {
    int Copies = 1;
    // The chosen courses by name (a rename, a deletion or a reopen moves their places).
    bool SelectionKept = false;
    bool AllControlsKept = false;
    QStringList CoursesKept;
    // The print scales the user agreed to print at although they are not the map scale: by
    // map file and pair of scales, for the run. An untitled map, which has no file to be known
    // by, is asked each time.
    struct AgreedScale {
        QString File;
        double Print = 0;
        double Map = 0;
        friend bool operator==(const AgreedScale&, const AgreedScale&) = default;
    };
    std::vector<AgreedScale> ScalesAgreed;
    int Range = CsEntireMap;
    CsLegChoice Legs;
};
extern CsPrintState CsPrt;
void ResetCsPrintUnit();

// The dialog's values for the current map (intensity and line width out of range shown as
// 100), and its settings saved (Close, Print and the Setup buttons). The courses preselected:
// the current one while the Courses tab shows, else those chosen last that still exist, else
// all controls.
CsPrintOptions CsPrintDialogOptions();
void SaveCsPrintOptions(const CsPrintOptions& o);

// A print scale other than the map scale prints the maps larger or smaller than the map:
// asked once for a map and pair of scales; false when the user declines.
bool ConfirmPrintScale(const CsPrintOptions& o);
// File > Print on a course-setting map: the dialog; its Print button prints.
void PrintCourseSetting();
// Print after saving: the hidden-symbol question, every chosen course checked (one failing
// prints nothing), then each job over the preview built for its course, leg and team; the
// preview of the current course afterwards.
void PrintCourses(const CsPrintOptions& o);
// A job's name: the course, and for a relay the team and leg as its start number shows them
// ("Relay 101.2"); all controls by their entry's text.
QString CourseJobName(const CsPrintJob& j);
// One job over the current map as it stands (the preview built): its pages, the copies;
// false when it did not start or a page failed.
bool PrintCourseJob(const CsPrintOptions& o, const QString& courseName);

} // namespace zemo
