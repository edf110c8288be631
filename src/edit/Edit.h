// Edit: the edit tool (tool mode 10), the default tool of the edit-point and edit-object
// buttons. It selects by click and by a rubber rectangle, moves points, objects, holes and a
// multiple selection, resizes rectangle objects edge by edge, stretches by the frame's eight
// handles (StchObj), inserts and removes points by Shift+Ctrl and Ctrl clicks, starts typing
// into texts and nudges the selection by the arrow keys.
//
// Every gesture is one undo step: a single object through BeginElementEdit and its save, a
// multiple selection as one combined step with the per-object recording off. A change that
// would put a point beyond the map area is refused with a beep and leaves the objects as they
// were. The feedback is XOR on the edit device (EditSys).
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <functional>
#include <vector>

namespace zemo {

enum EditStateValue : int {
    EditIdle = 0,
    SelectFrame = 1,
    MovingVertex = 2,
    MovingObject = 3,
    ResizingRectangle = 4,
    MovingSelection = 5,
    Stretching = 6,
    InsertPointClick = 7,
    RemovePointClick = 8,
};

// The tool's topics: edit object, edit point.
inline constexpr int EditObjectHelpContext = 224;
inline constexpr int EditPointHelpContext = 225;

// Edges of a rectangle object that follow the pointer.
enum RectEdge : int { LeftEdge = 1, BottomEdge = 2, RightEdge = 4, TopEdge = 8 };

struct EditToolState {
    int EditState = EditIdle;
    Cord FrameStart;
    Cord FrameEnd;
    Cord MoveStart;         // press of a multiple selection's move, and of every other drag
    Cord LastPos;
    Cord RectCentre;
    double RectSin = 0;
    double RectCos = 1;
    Cord RectCorners[4];    // turned back into the rectangle's own frame
    int RectEdges = 0;
    // What of the drag's feedback is on the screen: the rubber rectangle or the moving
    // point's figure, and the offset (pixels) of a moved selection's frames.
    bool FeedbackShown = false;
    int ShownDx = 0;
    int ShownDy = 0;
    bool CourseMarksHidden = false;  // the course marks were taken off for a change
};

extern EditToolState EditTool;

void ResetEditTool();
// Enters the tool's seven procedures in the tool table (tool mode 10).
void RegisterEditTool();

void EditStart();
void EditEnd();
void EditMouseDown();
void EditMoveBefore();
void EditMoveAfter();
void EditMouseUp();
void EditKey(int ch);
// An arrow key (a Qt key code) without modifiers while no drag runs: the selection moves by
// one screen pixel, rounded to whole 0.01 mm (no move when that rounds to 0).
void NudgeSelection(int qtKey);
// The marked object has text, the press (Work.CursorMapPos) is on none of its points but on
// a line text's path or inside a text or a rectangle.
bool HitEditableText();

// ---- Shared by the editing tools ----
// Saves CurElement, changed from `before`, as the selected object. Refused (a beep,
// CurElement back to `before`, false) when a changed point lies beyond the map area;
// false without a save when nothing changed.
bool SaveSelectedChange(const ElementRecord& before);
// The change redraw of the selected object, unless the preferences defer it to the end of
// the edit; with `force` also a deferred one.
void RedrawSelectedChange(bool force);
// The redraw of a change left waiting (deferred by the preferences, or an edit begun and not
// saved), now; the kept copy then belongs to no object. Before the selection or the tool
// changes.
void FinishPendingChange();
// Changes every selected object by `change` (on CurElement) as one undo step: the objects'
// copies, or with `move` a move by (dx, dy). Refused whole, with a beep, when a changed
// point would leave the map area. The selection's frames must be off; the box, the redraw
// and the undo buttons follow. False when refused.
bool ChangeSelection(const std::function<void(ElementRecord&)>& change, const Cord* move = nullptr);
// The marks of the selection, as the objects are stored, leave the screen (no drag runs).
void UnmarkSelection();
// The numbers of the selected objects in index order.
std::vector<int> SelectedObjects();
void EditBeep();

} // namespace zemo
