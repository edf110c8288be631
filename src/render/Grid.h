// The coordinate grid drawn three ways: over the document window (XOR, dotted), as labels on
// the two rulers beside it, and as lines through the output layer for printing. A real-world
// grid is a distance in metres at the map scale, turned by the map's angle; otherwise a plain
// paper grid in millimetres.
#pragma once

#include "core/Cord.h"
#include "core/Setup.h"

#include <QString>

#include <functional>

#include <vector>

class QPainter;

namespace zemo {

class Device;

struct GridGeometry {
    double Spacing = 0;     // mm on the map
    bool Turned = false;
    double Sin = 0;         // of -(grid angle)
    double Cos = 1;
    bool Steep = false;     // |sin| > |cos|
    bool RealWorld = false;
    double RealDistance = 0;  // m
    double OffsetEast = 0;
    double OffsetNorth = 0;
};

GridGeometry MakeGridGeometry(const SetupRecord& s, bool symbolGraphicsMode);

// The two end points of grid line k of family 0 (the "vertical" one) or 1 inside `r`;
// false when the line does not meet the rectangle.
bool GridLine(const GridGeometry& g, int family, int k, const CordRect& r, Cord& a, Cord& b);
// Lines run k = -n .. n.
int GridLineCount(const GridGeometry& g);

// Over the window, on a device set up for XOR; nothing for a spacing of 0.05 mm or less.
void DrawScreenGrid(Device& dc, const GridGeometry& g);

// One label of a ruler: its device position along the ruler and its text.
struct RulerLabel {
    int Pos = 0;
    QString Text;
};
// labelWidth: the device width of a label's text (for thinning).
std::vector<RulerLabel> RulerLabels(const GridGeometry& g, bool horizontal, int length,
                                    const std::function<int(const QString&)>& labelWidth);
void PaintHorizontalRuler(QPainter& p, const GridGeometry& g, int width, int height);
void PaintVerticalRuler(QPainter& p, const GridGeometry& g, int width, int height);

// Thinning of the labels: every how many lines a label w wide is written when lines are s
// apart along the edge (same units): 1 every line, 5, 10, 50 or 100, or 0 for none at all.
int GridLabelStep(double w, double s);
// The label of line k: metres east (along the top) or north (along the left) with a
// real-world grid, else the paper coordinate in millimetres.
QString GridLabelText(const GridGeometry& g, int k, bool top);

// The print grid's labels: "Arial" at 9 points at the print scale, normal weight, every
// character advancing by the digit width.
inline constexpr int PrintGridFontWeight = 400;
// Font size in tenths of a point; 0 when the setup's scales give no usable size.
int PrintGridFontSize(const SetupRecord& s);
// The labels' distance from the edges: 9 points at the print scale, coordinate units.
int32_t PrintGridMargin(const SetupRecord& s);

// One label of the print grid: its first character's baseline origin, angle (0 along the
// upper edge, 900 along the left one) and text.
struct PrintGridLabel {
    Cord Pos{};
    int Angle = 0;
    QString Text;
};
std::vector<PrintGridLabel> PrintGridLabels(const GridGeometry& g, const CordRect& area, int32_t margin,
                                            int32_t digitWidth);

// The grid lines as output paths (printing and EPS) with their coordinate labels along the
// upper and left edges of `area`, in the output layer's current colour.
void DrawPrintGrid(const SetupRecord& s, const CordRect& area);

} // namespace zemo
