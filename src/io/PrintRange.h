// PrintRange: the partial map a print covers (the setup's print rectangle) and the overlap of
// neighbouring pages, as the print-range dialog edits them. Both print dialogs open it. The
// edit works on its own copy of the setup: what the dialog shows while it is typed into (the
// page grid of the preview, the size on the sheet) never reaches the map until OK or Define.
#pragma once

#include "core/Cord.h"
#include "core/LangTexts.h"
#include "core/Setup.h"
#include "io/ExpRange.h"
#include "io/Print.h"

#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <vector>

namespace zemo {

inline constexpr int PrintRangeDlgHelpContext = 339;
// Page overlaps span 0 .. 100 mm.
inline constexpr double MaxPageOverlapMm = 100;
// The preview never spans more than 4000 mm of map paper.
inline constexpr int64_t MaxPreviewSpan = 102400000;

struct PrintRangeFields {
    double Left = 0;
    double Right = 0;
    double Bottom = 0;
    double Top = 0;
    double HorOverlap = 0;  // mm
    double VerOverlap = 0;
    friend bool operator==(const PrintRangeFields&, const PrintRangeFields&) = default;
};

// What the preview box shows, in box pixels.
struct PrintRangePicture {
    QRectF Extent;                       // filled white
    std::vector<QPolygonF> Pages;        // each page's folded outline, closed
    std::vector<QPolygonF> Folds;        // the two short lines closing each fold
    QRectF PrintRect;                    // dotted
    double Span = 0;                     // map units across the box
    Cord Centre{};
};

class PrintRangeEdit {
public:
    // The page of the last checked printer (PrintSys); the caller checks it first.
    explicit PrintRangeEdit(const SetupRecord& setup);

    // The fields as the dialog shows them first.
    PrintRangeFields Fields() const;
    // The setup with the fields stored: the edit's own copy, the map's setup untouched.
    const SetupRecord& Setup() const { return setup_; }
    void Store(const PrintRangeFields& f);
    // The rectangle and overlaps the fields give, whatever they hold (saturated).
    static CordRect RectOf(const PrintRangeFields& f);
    // RightBound or TopBound for the field that must change; TextKey::Count when in order.
    static TextKey CheckOrder(const PrintRangeFields& f);

    // The extent of the objects and shown templates; the overlaps stay.
    PrintRangeFields EntireMap(const PrintRangeFields& shown) const;
    // One printer page centred where the shown rectangle is, moved inside the map area.
    PrintRangeFields OnePage(const PrintRangeFields& shown) const;

    // "w x h mm" of the printer page, whole mm.
    QString PageSizeText() const;
    // The rectangle's size on the sheet at the print scale, one decimal.
    QString PrintSizeText(const PrintRangeFields& f) const;
    PrintPageLayout Layout(const PrintRangeFields& f) const;
    PrintRangePicture Picture(const PrintRangeFields& f, QSize box) const;

private:
    SetupRecord setup_;
};

// The dialog on the current map; OK and Define store the rectangle and overlaps and write the
// setup; Define also selects the tool that drags the rectangle on the map (both dialogs
// close then).
RangeAnswer EditPrintRange();

} // namespace zemo
