// Measure: Edit > Measure reports the length of the selected lines or the area of the selected
// areas in real-world units (by the map's scale) in a small dialog, and puts the number on the
// clipboard as text. A selected hole measures the hole.
#pragma once

#include <QString>

namespace zemo {

// The dialog's topic.
inline constexpr int MeasureHelpContext = 153;

struct MeasureUnitState {
    int MeasureKind = 0;  // 2 lines, 3 areas; set by CanMeasure
};

extern MeasureUnitState Measure;

void ResetMeasureUnit();

// What the result dialog shows.
struct MeasureReport {
    double Scale = 0;       // the map's scale
    QString ResultLabel;    // "Length:" or "Area"
    QString Number;         // the value with the locale's separator, 3 or 6 decimals
    QString Result;         // the number with its unit
};

// A single current object, or two or more selected objects of one type: lines or areas. Sets
// Measure.MeasureKind.
bool CanMeasure();
// Sums the selected objects: 0.01 mm along lines, or square 0.01 mm of areas (the selected
// hole's ring alone when one is selected). False when CanMeasure is.
bool MeasureSum(double& sum);
// The report of a sum at the map's scale, numbers as the locale writes them.
MeasureReport MeasureReportOf(double sum, int kind, double scale);
// Edit > Measure and its button: the sum, the number to the clipboard, the dialog.
void MeasureObjects();

} // namespace zemo
