// EditSys: every mark of an edit on top of the painted map (vertices of the selected object,
// selection frames, the stretch box, the line being drawn, course legs, the GPS position, the
// screen window, the anchor), drawn in XOR so that drawing a mark twice removes it. Also how
// a changed object gets back to the screen, and the auto-join of line ends.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace zemo {

class Device;
class PainterDevice;
struct MapView;

struct EditSysState {
    // The cached edit device of the active window (or the paint's device during a paint).
    Device* EditDC = nullptr;
    std::unique_ptr<PainterDevice> OwnedDC;
    MapView* DCView = nullptr;

    bool MarksShown = false;
    bool MultiMarksShown = false;
    bool DraftShown = false;
    bool StretchShown = false;
    bool CourseMarksShown = false;
    bool GpsMarkShown = false;
    // The GPS position is old (no data of late, or the receiver lost): the mark says so.
    bool GpsMarkOld = false;
    bool ScreenWinShown = false;
    bool AnchorShown = false;

    int DraftStart = 0;
    CordRect StretchBox;
    Cord GpsPosition;
    // The template adjust tool's pass points in the order clicked: a point on the template,
    // then the map point it belongs at.
    std::vector<Cord> PassPoints;
    bool PassPointsShown = false;
    Cord ScreenWinRect[2];
    Cord AnchorPos;

    bool ElementChanged = false;
    bool EditBackupValid = false;
    CordRect EditOldRect;

    // Text typing (the text tool sets these).
    bool TypingActive = false;
    std::vector<QPoint> CaretPoints;

    // The course legs read their objects here, never into CurElement: a repaint while a
    // line is being drawn must leave that line alone.
    ElementRecord CourseElement;
    // The course whose legs are shown, as it was when they were shown: hiding them draws the
    // same legs again, whatever the current course has become since.
    QString MarkedCourse;
};

extern EditSysState EditSys;

// Erases CurElement (white) or paints it in its colours straight into the active window.
void RedrawCurrent(bool erase);

void ResetEditSys();

// ---- The edit device ----
Device* GetEditDC();
void ReleaseEditDC();
// During a paint the paint's device serves as the edit device.
void UsePaintDC(Device* dc, MapView* v);
void EndPaintDC();

// ---- Primitives (device pixels) ----
void Line(int x1, int y1, int x2, int y2);
void XorRect(int left, int top, int bottom, int right);
void MarkPoint(const ElementRecord& e, int i);
void MarkCaret();
void MarkText(const ElementRecord& e);
void MarkRect(const ElementRecord& e);
void MarkElement(const ElementRecord& e);
void UnmarkElement(const ElementRecord& e);
void MarkMultiElt(int dx, int dy);
void MarkMulti(int dx, int dy);
void UnmarkMulti(int dx, int dy);
void MarkStretch();
void UnmarkStretch();
void MarkLine(const ElementRecord& e, int i);
void MarkBezier(const ElementRecord& e, int i);
void MarkDraft();
// The legs of the shown course (MarkedCourse).
void MarkCs();
// The current course's legs shown, unless a preview shows the course.
void ShowCourseMarks();
void HideCourseMarks();
void MarkGps();
void UnmarkGps();
// The pass points: each template point a square, each map point a circle joined to its
// template point by a line.
void MarkPassPoints();
void UnmarkPassPoints();
void MarkScreenWin();
void MarkAnchor();
void Mark();
void HideMark();

// ---- Updates ----
void UpdateRect(const CordRect& r);
void UpdateElement();
void UpdateMulti();
void HideElement();
bool DelayedUpdate();

// ---- Line helpers and join ----
int LineItems(const ElementRecord& e);
int LGetDirection(Cord p0, Cord p1);
int LGetHorDir(Cord p0, Cord p1);
// Joins vertex i of CurElement to the nearest end of a line with the same symbol, or to
// its own first vertex; true when the vertex moved. closedOnSelf tells which.
bool Join(int i, int ownIndexNo, bool* closedOnSelf = nullptr);
void JoinMain(int ownIndexNo);
void AutoJoin();

} // namespace zemo
