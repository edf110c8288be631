// MapTrans: the whole-map transforms of the Extras menu. Move, stretch and rotate turn every
// object of the current map at once: the values come from a dialog (edit/Ports.h), the map's
// extent is tested against the map area first, the objects are transformed one by one in the
// working file, and the undo ring is emptied afterwards, since its steps no longer fit the map.
//
// The pass they share (the out-of-area question, progress, undo recording off, the windows
// painted anew) also serves the symbol and scale changes (ChangeSym).
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "core/LangTexts.h"

#include <functional>

namespace zemo {

inline constexpr int OutOfAreaHelpContext = 50;

struct MoveMapValues {
    double HorMm = 0;
    double VerMm = 0;
};

struct StretchMapValues {
    double HorPercent = 100;
    double VerPercent = 100;
    bool MirrorHor = false;
    bool MirrorVer = false;
};

struct RotateMapValues {
    double Degrees = 0;          // counter-clockwise, about the map origin
    bool RotateSymbols = false;  // every symbol turns, not only the rotatable ones
};

// ---- One object (an element record, transformed in place) ----
// Each returns false when a point would leave the map area; the object is then removed.
// The points are the first of a point object, all of any other; flag bits stay.
// dx, dy: whole steps of 256. A point that would leave keeps its old place.
bool MoveObjectPoints(ElementRecord& e, int32_t dx, int32_t dy);
// Each coordinate times its factor about the origin (the result masked), a point that would
// leave kept. A mirrored rectangle keeps its corners in drawing order.
bool StretchObjectPoints(ElementRecord& e, double fx, double fy);
bool ScaleObjectPoints(ElementRecord& e, double f);
// Turns about the origin by the angle of cosA and sinA, t being the same angle in tenths of a
// degree. With turnAngle (a rotatable symbol, or every symbol turns) the object's angle grows
// by t and a rectangle turns with all its corners; without it the angle stays and a rectangle
// keeps its orientation: all its corners move as its first point does.
bool RotateObjectPoints(ElementRecord& e, double cosA, double sinA, int t, bool turnAngle);
// An angle in tenths of a degree brought into -1800..1800 by whole turns.
int NormalizeAngle(int tenths);

// ---- The shared pass ----
// The map's objects' extent, every corner taken through `map` (coordinate units), stays in the
// map area; otherwise the user is asked (OutOfArea). True to go on. A map without objects
// never asks.
bool ConfirmMapArea(const std::function<void(double& x, double& y)>& map);

// What a pass does with an object it was handed.
enum class ObjectChange { Keep, Save, Delete };
struct MapPassResult {
    int Changed = 0;  // saved or deleted
    int Deleted = 0;
};
// Every live object of the current map read into CurElement and handed to `change`, which
// says what becomes of it. Undo recording is off; progress shows the objects changed under
// the caption. With `canStop` the pass lets Esc through after each object and stops once it
// was pressed.
MapPassResult ChangeAllObjects(TextKey caption, TextKey countMessage, bool canStop,
                               const std::function<ObjectChange(ElementRecord&)>& change);
// Ends a whole-map change when it goes out of scope, also when a file error cut the pass
// short: the undo ring is emptied, since its steps would write the old geometry back over the
// changed map, and every window of the map is painted anew.
class WholeMapChange {
public:
    WholeMapChange() = default;
    ~WholeMapChange();
    WholeMapChange(const WholeMapChange&) = delete;
    WholeMapChange& operator=(const WholeMapChange&) = delete;
};
// The pass's answer for an object that can stay (saved) or cannot (deleted).
inline ObjectChange KeptIf(bool inside)
{
    return inside ? ObjectChange::Save : ObjectChange::Delete;
}
// Every window of the current map painted anew.
void RepaintMapWindows();

// ---- The commands ----
// The runs with given values (the dialogs' OK).
void MoveMapBy(const MoveMapValues& v);
void StretchMapBy(const StretchMapValues& v);
void RotateMapBy(const RotateMapValues& v);
// Extras > Move map, Stretch map, Rotate map: the dialog, then the run.
void MoveMap();
void StretchMap();
void RotateMap();

} // namespace zemo
