// EdPoint: the point-editing tools (tool mode 12) on the selected line or area: normal,
// corner and dash point (set the kind of a point, or insert a point of that kind on the
// outline), remove point, direction (the angle of point, text and patterned area objects by a
// dragged line, also for a multiple selection) and move parallel (a line or one ring of an
// area dragged parallel to itself, unit Parallel). Insert and remove are also the edit tool's
// Shift+Ctrl and Ctrl clicks.
//
// Each change is one undo step of the selected object (or of the selection, for direction).
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "symbols/store/SymbolStore.h"

#include <cstdint>
#include <optional>

namespace zemo {

enum EdPointModeValue : int {
    NormalPointMode = 1,
    CornerPointMode = 2,
    DashPointMode = 3,
    RemovePointMode = 4,
    DirectionMode = 5,
    MoveParallelMode = 6,
};

struct EdPointUnitState {
    int EdPointMode = 0;
    bool EdPointPressed = false;
    Cord DirStart;
    Cord DirEnd;
    bool DirShown = false;
    int RingFirst = 0;
    int RingLast = 0;
    Cord ParallelVertex;
    int32_t NormalX = 0;      // ParallelNormal (0.01 mm x 256 per unit of offset)
    int32_t NormalY = 0;
    bool ParallelShown = false;
};

extern EdPointUnitState EdPoint;

void ResetEdPoint();
// Enters the tools' procedures in the tool table (tool mode 12).
void RegisterPointEditTool();

void EdPointStart(int mode);
void EdPointEnd();
void EdPointMouseDown();
void EdPointMoveBefore();
void EdPointMoveAfter();
void EdPointMouseUp();

// The Direction button: the single object (no hole selected) or a selected object is a point,
// area or text object, or a rectangle with text.
bool CanSetDirection();

// ---- Point operations on the selected object, each an undo step; false: nothing changed ----
bool InsertPoint(int32_t flag, Cord at);
bool MakeNormalPoint(Cord at);
bool MakeCornerPoint(Cord at);
bool MakeDashPoint(Cord at);
bool RemovePoint(Cord at);
// The direction line DirStart-DirEnd given to the selected object or objects.
void SetDirection();

// ---- The changes themselves ----
// Point i gets a kind: 0 normal, CornerFlag or DashFlag; false for a control point (only a
// normal point can be made of one).
bool SetPointKind(ElementRecord& e, int i, int32_t kind);
// Removes anchor i with what depends on it; false when the object would become too small
// or i is no anchor.
bool RemoveAnchor(ElementRecord& e, int i);
// The angle the direction line from `from` to `to` gives the object (symbol `sym`); none
// for objects without a direction.
std::optional<int16_t> DirectionFor(const ElementRecord& e, const SymbolBytes* sym, Cord from, Cord to);

} // namespace zemo
