// DrFree: the freehand and straight-line tool (tool mode 3). With the straight method each
// segment is a press, a drag and a release; a click without a drag ends the line, and a lone
// first click asks for the second point by length and angle. Freehand, the first press fixes
// the start and the pointer's path is recorded while the button is up; each further press
// closes that run, and the runs are thinned (or turned into curves) when the line ends.
// Like the curve tool it also draws cutting lines and holes.
//
// The line grows in CurElement; the part drawn so far is EditSys's draft, the rubber band
// from RubberFrom to RubberTo is the tool's own XOR figure.
#pragma once

#include "core/Cord.h"

#include <vector>

namespace zemo {

enum FreeStateValue : int {
    FreeIdle = 0,
    FreeSegment = 1,     // button down: the band runs from RubberFrom to the pointer
    FreeFollowing = 2,   // following another line
    FreeRecording = 3,   // freehand, button up: the pointer's path becomes points
    StraightPlaced = 4,  // straight, button up after a segment
};

// The tool's topics: straight, freehand; the Draw Line dialog.
inline constexpr int StraightHelpContext = 230;
inline constexpr int FreehandHelpContext = 231;
inline constexpr int DrawLineHelpContext = 245;

// A stretch of recorded points, first to last index; last is -1 while the run is open.
struct RecordedRun {
    int first = 0;
    int last = -1;
};

struct DrFreeState {
    int FreeState = FreeIdle;
    int FreeToolFlag = 0;      // 0 new object, 1 cutting line, 2 hole
    bool StraightMode = false;
    bool Continuing = false;
    Cord RubberFrom;
    Cord RubberTo;
    bool BandShown = false;
    Cord PressPoint;
    bool FirstStroke = true;
    // Every press of a freehand line opens a run: the list grows with the line.
    std::vector<RecordedRun> FreehandRuns;
    int StartCount = 0;
    int ToolCursor = 0;
};

extern DrFreeState DrFree;

void ResetDrFree();
// Enters the tool's seven procedures in the tool table (tool mode 3).
void RegisterFreeTool();

void FreeStart(int flag, bool straight);
void FreeEnd();
void FreeMouseDown();
void FreeMoveBefore();
void FreeMoveAfter();
void FreeMouseUp();
void FreeKey(int ch);
void FreeTerminateLine();

// The Draw Line dialog: on OK a point at its length and angle from the last point is
// appended; one outside the map area is refused with LineOut. True when a point was added.
bool RunDrawLineDialog();
// A length of the drawing dialogs in 0.01 mm on paper: metres on a real-world map (false
// when its scale gives none), else millimetres.
bool DialogLength(double value, double& hundredths);
// The new point at `length` (metres on a real-world map, else millimetres) and `angle`
// (degrees, counter-clockwise from north) from `from`; false when it leaves the map area.
bool DrawLinePoint(Cord from, double length, double angle, Cord& to);

// Thins the points first..last of CurElement by the smoothing strength 0..2: points within
// the strength's tolerance of the chord are dropped, and from strength 1 on the kept ones are
// nudged toward it. Corner, dash, hole and curve points and their neighbours stay. Returns
// the run's new last index.
int SmoothFreehandLine(int first, int last, int strength);

} // namespace zemo
