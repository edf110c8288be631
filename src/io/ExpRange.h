// ExpRange and OnePage: the part of the map a partial export or a one-page print covers. Both
// edit the setup's print rectangle (x1 left, y1 bottom, x2 right, y2 top, map coordinates) and
// can hand over to the screen-window tool, with which the user places the rectangle on the map
// (their Define buttons select its tool button and close the dialogs).
//
// The dialogs themselves are thin views (io widgets) over the edits below, which hold the
// rectangle, convert it to the fields in their unit and back, and check the fields' order.
#pragma once

#include "core/Cord.h"
#include "core/LangTexts.h"
#include "core/Setup.h"

#include <QString>

namespace zemo {

inline constexpr int ExpRangeHelpContext = 335;
inline constexpr int OnePageHelpContext = 343;

// How a range dialog closed: Define also closes the dialog that called it, so that the user
// places the rectangle with the mouse.
enum class RangeAnswer { Cancel, Ok, Define };

// The callers of the export range: the EPS dialog (mode 1) places it with tool button 29,
// every other caller with 30.
inline constexpr int EpsRangeCaller = 1;

enum class RangeUnit { Paper, RealWorld };

struct RangeFields {
    double Left = 0;
    double Right = 0;
    double Bottom = 0;
    double Top = 0;
    friend bool operator==(const RangeFields&, const RangeFields&) = default;
};

// The fields' allowed values in the current unit.
struct RangeLimits {
    double XMin = 0;
    double XMax = 0;
    double YMin = 0;
    double YMax = 0;
};

// The paper fields span -2000 .. 2000 mm.
inline constexpr double PaperRangeMm = 2000;

class ExportRangeEdit {
public:
    explicit ExportRangeEdit(const SetupRecord& setup);

    // Real-world metres are offered on a map whose grid is not turned.
    bool RealWorldOffered() const { return realWorldOffered_; }
    RangeUnit Unit() const { return unit_; }
    QString UnitLabel() const;
    const CordRect& Rect() const { return rect_; }
    RangeFields Fields() const;
    RangeLimits Limits() const;

    // The fields into the rectangle, read in the current unit.
    void Store(const RangeFields& f);
    // The fields shown are stored in the old unit, then the unit changes.
    void SetUnit(RangeUnit unit, const RangeFields& shown);
    // The whole map and its shown templates.
    void EntireMap();
    // TextKey::Count when Right lies right of Left and Top above Bottom; else RightBound or
    // TopBound, for the field that must change.
    static TextKey CheckOrder(const RangeFields& f);

private:
    SetupRecord setup_;
    CordRect rect_;
    RangeUnit unit_ = RangeUnit::Paper;
    bool realWorldOffered_ = false;
};

// The export range dialog on the current map; on OK (and Define) the rectangle is stored and
// the setup written. Define selects the screen-window tool of the caller.
RangeAnswer EditExportRange(int callerMode);

// ---- One page ----
// The one-page fields span the map area, -2000 .. 2000 mm: the setup's check sets a corner
// beyond it to 0 when the setup is next written.
inline constexpr double OnePageRangeMm = 2000;

class OnePageEdit {
public:
    // The page of the last checked printer (PrintSys) at the setup's map and print scale.
    explicit OnePageEdit(const SetupRecord& setup);

    double Left() const { return left_; }
    double Bottom() const { return bottom_; }
    // map scale / print scale (1 when the print scale is not set).
    double Ratio() const { return ratio_; }
    // The page's rectangle: its lower-left corner from the fields, its size the printer's page.
    CordRect Store(double left, double bottom);
    // The page centred on the map and its templates: the fields it gives.
    void Reset(double& left, double& bottom) const;

private:
    SetupRecord setup_;
    double left_ = 0;
    double bottom_ = 0;
    double ratio_ = 1;
};

// The one-page dialog on the current map; on OK (and Define) the rectangle is stored and the
// setup written. Define selects the tool that places the page.
RangeAnswer ShowOnePageDialog();

// round(mm x 100) shifted left 8 bits, saturated.
int32_t MmToCord(double mm);

} // namespace zemo
