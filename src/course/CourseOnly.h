// CourseOnly: the course alone printed onto sheets that already carry the printed map. Its
// settings share the print settings string (type 1026) with the print dialog, whose field r
// stays: b print in black, m mirror, s and t the horizontal and vertical scale in percent as
// typed. The sheet's lower-left corner is the setup's print rectangle's first corner; its
// other corner is one printer page at the scales.
#pragma once

#include "core/Cord.h"
#include "core/Setup.h"

#include <QString>

namespace zemo {

inline constexpr int CourseOnlyHelpContext = 340;
inline constexpr double MinCourseOnlyPercent = 10;
inline constexpr double MaxCourseOnlyPercent = 1000;
// The sheet's corner lies within the map area, -2000 .. 2000 mm.
inline constexpr double CourseOnlyEdgeMm = 2000;

struct CourseOnlySettings {
    bool Black = false;
    bool Mirror = false;
    QString HorScale = QStringLiteral("100");  // "." as decimal point
    QString VerScale = QStringLiteral("100");
};

// Absent fields read as off and "100".
CourseOnlySettings ReadCourseOnlySettings(const QString& text);
// b, m, s, t rebuilt in this order; any other field of the old string (the print dialog's r)
// kept after them.
QString WriteCourseOnlySettings(const QString& old, const CourseOnlySettings& s);
// A stored percentage: a number within 10 .. 1000, else 100 (a string from a file may hold
// 0 or no number, which would make a factor of 0).
double CourseOnlyPercent(const QString& text);

// The factors of the sheet: percent / 100 x map scale / print scale.
struct CourseOnlyFactors {
    double X = 1;
    double Y = 1;
};
CourseOnlyFactors CourseOnlyFactorsOf(double horPercent, double verPercent, const SetupRecord& setup);
// The sheet with its lower-left corner at (leftMm, bottomMm): one printer page (whole mm) at
// the factors, its far corner kept within the map area.
CordRect CourseOnlySheet(double leftMm, double bottomMm, CourseOnlyFactors f, int horzMm, int vertMm);
// The centre of the printed page: the rectangle's lower-left corner plus half a page.
Cord CourseOnlyPageCentre(const CordRect& printRect, CourseOnlyFactors f, int horzMm, int vertMm);

// What the dialog shows and edits.
struct CourseOnlyFields {
    QString HorScale;  // as shown, with the locale's separator
    QString VerScale;
    double Left = 0;
    double Bottom = 0;
    bool Black = false;
    bool Mirror = false;
};

class CourseOnlyEdit {
public:
    // The map's settings string and setup; the page of the last checked printer (PrintSys).
    CourseOnlyEdit(const QString& settings, const SetupRecord& setup);

    CourseOnlyFields Fields() const;
    // The fields checked by the dialog: the settings string and the sheet they give.
    void Store(const CourseOnlyFields& f);
    const QString& Settings() const { return settings_; }
    const CordRect& Sheet() const { return sheet_; }
    // Scales back to 100, the sheet at the shown scales centred on the map's full extent.
    CourseOnlyFields Reset(const CourseOnlyFields& shown) const;

private:
    QString settings_;
    SetupRecord setup_;
    CordRect sheet_;
};

// How the course-only dialog closed.
enum class CourseOnlyAnswer { Cancel, Ok, Define };

// The dialog on the current map; OK and Define save the settings string and the sheet (the
// setup written); Define also selects the tool that places the sheet on the map.
CourseOnlyAnswer EditCourseOnlyPrint();

} // namespace zemo
