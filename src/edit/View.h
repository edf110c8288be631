// View: pans and zooms the current document window (tool mode 1). The hand drags the map, a
// click or a dragged rectangle zooms in, a frame shows what a chosen zoom will cover, the
// history of earlier views zooms out, and the whole map or one object can be brought into
// view. The view itself lives in the map's setup: every change is written back.
#pragma once

#include "core/Cord.h"

#include <QPoint>

namespace zemo {

enum ViewToolState : int {
    ViewPanWaiting = 0,
    ViewPanning = 1,
    ViewZoomWaiting = 2,
    ViewZoomDragging = 3,
    ViewFrameFollowing = 4,
    ViewFramePressed = 5,
};

struct ViewUnitState {
    int ViewState = ViewPanWaiting;
    int ViewPreviousMode = 0;
    int ViewPreviousCursor = 0;
    QPoint PanPoint;            // client pixels of the last pan step
    Cord ZoomRect[2];
    bool ZoomRectShown = false;
    double ZoomFactor = 1;
    int FrameHalfWidth = 0;     // pixels
    int FrameHalfHeight = 0;
    QPoint FrameCentre;         // client pixels
    bool FrameShown = false;
    bool SavedAutoScroll = true;
    bool TimerOn = false;
};

extern ViewUnitState ViewTool;

void ResetViewUnit();
// Enters the view tool's procedures in the tool table (tool mode 1).
void RegisterViewTool();

// ---- Entry points ----
void StartMoveView();
void ZoomIn();
void ZoomToFactor(double factor);
void StartZoomFrame(double factor);
void SetZoom(double factor);
void ZoomOut();
void ViewEntire();
void CenterOnObject(int n);
void MoveViewTo();
// The real-world position (metres) as a map position: 0 when it lies in the map area,
// 1 when x lies outside (HorPosOutside), 2 when y does (VerPosOutside), 3 when it cannot be
// converted at all.
int ViewPositionFromRealWorld(double east, double north, Cord& out);
// Moves the view there; false (nothing moved) outside the map area.
bool MoveViewToPosition(double east, double north);

// ---- Tool procedures ----
void ViewEnd();
void ViewMouseDown();
void ViewMoveErase();
void ViewMoveDraw();
void ViewMouseUp();
void ViewKeyPress(int ch);
void ViewTimerTick();
// XORs the zoom frame or rectangle the tool shows once more: hides it before a scroll, and
// shows it again after the scroll or where a paint covered it.
void RedrawViewFeedback();

} // namespace zemo
