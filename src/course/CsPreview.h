// The course preview and the course generator: one course (or all controls) shown on the map
// as it will be printed. The course's own objects are shown and every other course object is
// hidden; the generator adds what a course map needs and the map does not hold (the start
// triangle turned to the first control, connection lines, control numbers, course titles,
// relay start numbers, description sheets). Generated objects live in memory only: the store
// writes their index entries empty, and the next read of the index drops them.
//
// A generated line or number the user moves in the preview is kept for its course: its link
// loses the "~" that marks an untouched one, it stays hidden outside its course's preview and
// stands in for a new one the next time. Printing and exporting run the same generator.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"

#include <QString>

#include <set>

namespace zemo {

// Symbols of generated objects (numbers x 10).
inline constexpr int ConnectionLineSymbol = 8310;
inline constexpr int ControlNumberSymbol = 8300;
inline constexpr int ControlCodeSymbol = 8301;
// The previewed course name of the view of all controls.
inline const QString AllControlsName = QStringLiteral("<All>");

// Drawing states of the generator.
enum PreviewDrawState : int {
    DrawNothing = 0,
    DrawAfterStart = 1,
    DrawAfterControl = 2,
    DrawAfterRoute = 4,
    DrawAfterJoin = 5,
};

struct PreviewObject {
    bool Exists = false;
    Cord Point{};         // where the next leg starts (a route's last point)
    int Symbol = 0;       // x 10
    int Gap = 0;          // 0.01 mm: the symbol's extent and the line distance
    int NumberDistance = 0; // 0.01 mm: the extent and the number distance
    QString Code;
};

struct CsPreviewState {
    bool ButtonDown = false;  // CoursePreviewBtn
    QString Name;             // the previewed course ("<All>" for all controls)
    bool Refreshing = false;
    // The generator of one course.
    int State = DrawNothing;
    PreviewObject Previous;
    double Incoming = 0;      // radians, the leg that came into the previous object
    int Number = 1;           // the next running control number
    int SavedNumber = 1;
    int SavedState = DrawNothing;
    bool PrintCodes = false;
    int LineDistance = 0;     // 0.01 mm
    int NumberDistance = 0;   // 0.01 mm
    // The tags stored by this generation: a control passed twice (the fork of a team
    // variation's branches) gets one number, and a leg run twice one line.
    std::set<QString> Placed;
};
extern CsPreviewState CsPreview;
void ResetCsPreview();

// The preview switched on or off for the current course and generated anew; commands wait
// meanwhile. It is on while the Courses tab shows, the preview button is down and the course
// passes its check. The store's call of the same name (document/ServiceHooks.h) reaches it
// through its port.
namespace course {
void RefreshCoursePreview();
// While the preview is on only the objects it links to its course may be picked; a picked
// one's link text (without "~") becomes the text the store links what it saves with, so that
// a moved number or line is kept for the course.
bool PreviewAllows(int n);
// The preview of the active map ended before its file is copied or closed (the button stays
// down for the next refresh); the map stays as changed as it was. True when one was on.
bool EndCoursePreview();
} // namespace course

// The objects of one course (an index into the course list) for a leg and team; leg 0 and
// team 0 draw every branch and no start numbers. The map's preview flag must be on, so that
// what is stored stays in memory. False when a store failed.
bool GeneratePreview(int course, int leg, int team);
// The view of all controls: starts, controls, finishes and marked routes with their codes.
bool PreviewAllControls();
// Drops the untouched generated objects and their links, hides the kept ones.
void EndPreview();
// EndPreview, then the index and symbols read back from the working file: every generated
// object has gone and the description symbols have their own size again.
void DropGeneratedObjects();
// A map just read, outside a preview: untouched generated objects with their links, and
// hidden objects of a generated symbol that no link owns, erased; how many.
int RemoveLeftPreviewObjects();
// Stores CurElement as the previewed course's object of this tag: a kept object of the tag is
// shown instead (a number taking over CurElement's text), else CurElement is appended linked
// and marked as generated. False when the store failed.
bool AppendPreviewObject(const QString& tag);
// Appends CurElement as a generated object: the working file's end before the first one of a
// preview, a print or an export is where the file is cut back when they are dropped.
bool StoreGeneratedElement();

// ---- Geometry of the generator, for its tests ----
// The tag of a connection line and of a control's number or code.
QString LineTag(const QString& from, const QString& to);
QString NumberTag(const QString& code);
// The direction of a control's number: between the incoming leg and the leg out, turned to
// the side away from the leg out.
double NumberDirection(double incoming, double outgoing);
// The point of a text box (corners bottom-left, bottom-right, top-right, top-left) that goes
// on the number's anchor for a direction.
Cord NumberReference(const Cord box[4], double direction);
// The start triangle's angle (0.1 degree) for the first leg's direction.
int StartTriangleAngle(double direction);
// Sets an object's text as 8-bit text with slots for its length and the terminator.
void SetElementText8(ElementRecord& e, const QString& text);
// The title of a course (an index into the course list) in a title mode.
QString CourseTitleText(int course, int mode);

} // namespace zemo
