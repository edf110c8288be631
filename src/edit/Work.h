// The document window's engine: the view record of each window, its painting colour by colour
// into the window's image, the pending rectangle of an interrupted paint, scrolling, the
// input handlers that feed the current tool, and the tool-mode state with its dispatch table.
//
// The window itself (a widget) lives in edit/widgets; here it is the MapWindow interface, so
// that the paint loop, scrolling and the edit marks run and are tested without widgets.
// What it needs of the main frame and of the window system is in edit/Ports.h; the shell calls
// EndCurrentTool, StartCurrentTool and RepaintAllPending directly.
#pragma once

#include "core/Cord.h"
#include "document/Index.h"
#include "document/Undo.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <memory>
#include <vector>

namespace zemo {

class Device;
struct SymbolEditSession;
struct ViewParams;

// A client rectangle as the window system keeps it: right and bottom are exclusive.
struct PixRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    static PixRect From(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
    friend bool operator==(const PixRect&, const PixRect&) = default;
};

// What the engine needs of a document window. The widget implements it; tests and the
// benchmark may use ImageMapWindow.
class MapWindow {
public:
    virtual ~MapWindow() = default;
    // The RGB32 image that stands for the window's drawing surface.
    virtual QImage& Surface() = 0;
    // The same, about to have the rectangle filled (a paint): what it covers need not be
    // made white first.
    virtual QImage& SurfaceToFill(const PixRect& /*r*/) { return Surface(); }
    // Adds the rectangle to the window's update region; a paint follows from the event loop.
    virtual void InvalidateRect(const PixRect& r) = 0;
    // Pixels of the image changed outside a paint: the screen copy has to follow.
    virtual void SurfaceChanged(const PixRect& r) = 0;
    virtual void InvalidateRulers() {}
    virtual void SetSurfaceCursor(int /*index*/) {}
    virtual void FocusSurface() {}
    // The window becomes the active document window, as a click on it makes it.
    virtual void BringToFront() {}
    virtual void SetScrollTimer(bool /*on*/) {}
    virtual bool ScrollTimerOn() const { return false; }
    virtual bool HasMouseCapture() const { return false; }
    virtual void SetScrollPositions(int /*h*/, int /*v*/) {}
    // The pop-up menu of the map at a client point.
    virtual void ShowPopUp(QPoint /*clientPoint*/) {}
};

// A window without a screen: the image and a record of invalidations (benchmark, tests).
class ImageMapWindow : public MapWindow {
public:
    ImageMapWindow(int width, int height);
    QImage& Surface() override { return image; }
    void InvalidateRect(const PixRect& r) override { invalidated.push_back(r); }
    void SurfaceChanged(const PixRect&) override {}
    QImage image;
    std::vector<PixRect> invalidated;
};

// The view record of one document window.
struct MapView {
    MapWindow* Form = nullptr;
    TZmd* Document = nullptr;
    bool MapShown = false;
    int ClientWidth = 0;
    int ClientHeight = 0;
    PixRect PendingRect;
    bool PendingValid = false;
    // Painted inside the running command too (while the opening of its map asks something).
    bool PaintInCommand = false;
    bool ArrowMarkerOn = false;
    Cord ArrowPoint;
    bool SymbolGraphicsMode = false;
    // The element kind chosen in the symbol-graphics panel, drawn as a pseudo-symbol.
    SymbolBytes GraphicsSymbol;
    bool PatternPreview = false;
    int PatternBackgroundColor = 0;
    bool PatternHalfShift = false;
    int PatternWidth = 0;    // 0.01 mm
    int PatternHeight = 0;
    double PatternSin = 0;
    double PatternCos = 1;
    SymbolGraphicsBuffer SymbolGraphics;
    // The symbol editor's working copy while the window edits its graphics (symbols).
    std::shared_ptr<SymbolEditSession> SymbolEdit;
    // The window's own undo steps; active while the view is the current one.
    UndoRing Undo;

    // The window's input fields.
    bool SwallowClick = false;      // the activating click does nothing
    bool RepaintAfterDrag = false;  // an auto-scroll tick scrolled: repaint at mouse up
    QPoint LastMousePoint;
    QPoint PrevMousePoint;
    QPoint DownMousePoint;
    // A paint was stopped by input: its rectangle is painted again once the input was
    // handled and no button is held. Not after Esc: the rest waits for the next command.
    bool RepaintWhenIdle = false;
};

// Process-wide state of the document windows and tools.
struct WorkState {
    MapView* ActiveView = nullptr;
    bool PaintBusy = false;
    // Input other than Esc stopped the paint (Esc sets AbortRequested on its own).
    bool PaintInterrupted = false;
    bool CommandBusy = false;   // the engine's own flag, while the shell's is not bound
    bool ButtonUp = true;
    bool ShiftDown = false;
    bool CtrlDown = false;
    bool AltDown = false;
    Cord CursorMapPos;
    Cord PreviousCursorMapPos;
    int SavedWorkMode = 0;
    int ToolMode = 0;
    // What came while a map painted and waits for the paint's end (WhenPaintEnds).
    std::vector<std::function<void()>> AfterPaint;
    // Paints begun over the whole of their window (an open paints its map once).
    int FullPaints = 0;
    // Dialogs that open a command are up: the windows paint behind them (PaintBehindDialog).
    int DialogsUp = 0;
};

extern WorkState Work;

// The symbol a drawing tool of the window uses: the symbol-graphics panel's pseudo-symbol
// while the window edits a symbol's graphics, else the map's current symbol (null: none).
SymbolBytes* CurrentSymbol(MapView& v);
SymbolBytes* CurrentSymbol();

// The state and the tool table back to the start-up state (tests).
void ResetWorkUnit();

// ---- Windows ----
// The window system registers and forgets its windows' views.
void RegisterMapView(MapView* v);
void UnregisterMapView(MapView* v);
const std::vector<MapView*>& MapViews();
// A new view on the current map (FormCreate): zeroed, the document marked upgraded.
void InitMapView(MapView& v, MapWindow* form);
// The current window stops being current: its tool ends and its selection goes with its marks,
// each drawn in that window whatever map the store holds current meanwhile.
void LeaveActiveView();
bool CreateMapWindow(const QString& caption);
void ActivateMapWindow(MapView& v);
// FormActivate: the window became the main frame's active document window.
void FormActivate(MapView& v);
void FormResize(MapView& v, int width, int height);

// ---- Closing ----
// Before a map with unsaved changes closes, the user is asked (Yes saves, No discards,
// Cancel keeps it open). The document must be the current one. True when it may close;
// a map without changes, or one edited in its own file, closes without a question.
bool ConfirmCloseDocument(TZmd& z);
inline constexpr int FileModifiedHelpContext = 146;  // the question's topic
// FormCloseQuery: true when the window may close. A window whose map is shown is made
// current; while a paint or a command runs the close is refused. When closing is allowed
// the map goes to the top of the recent files; otherwise the tool starts again.
bool FormCloseQuery(MapView& v);
// FormClose: the window lets go of its document (the last window of a map closes it and
// deletes its working copy) and its buffers.
void FormClose(MapView& v);

// What the window's transform is made from: its map's zoom and centre, its size.
ViewParams ViewParamsOf(const MapView& v);
// The window's transform brought up to date from its map's setup.
bool UpdateViewOf(MapView& v);
// The process-wide transform is the current window's again, after another window's view was
// used for its paint, its rulers or its scrolling: the pointer and the marks are mapped with it.
void UseActiveViewTransform();

// ---- Painting ----
// The paint message of the surface for the update rectangle r.
void WorkWinWmPaint(MapView& v, const PixRect& r);
void PaintMapWindow(MapView& v);
// The objects of the current colour in the clip rectangle; those of `listed` alone when it
// holds that rectangle's objects.
void DrawColorPass(ElementsInRect* listed = nullptr);
void PollUserInput();
void PollEscape();
// A paint's input poll lets the window system's events and the timers run. What would change
// the paint's window, surface, current map, view or tool under it (a new size, another active
// window, the program losing or gaining the focus, idle work) runs now when no map paints,
// else right after the paint's end, in the order it came.
void WhenPaintEnds(std::function<void()> work);
// The running paint stops at its next poll (what it would still draw is out of date) and
// its rest is painted again when the program is idle.
void StopPaint();
// A dialog that opens a command comes up (true) or goes (false). While one is up the windows
// paint although the command runs, and what an interrupted paint left is painted again at
// once, behind the dialog.
void PaintBehindDialog(bool up);
// EndCommand's repaint: every window invalidates its pending rectangle.
void RepaintAllPending();
void InvalidatePending(MapView& v);
// Paints a pending rectangle left by an interrupted paint when nothing is held or running.
void RepaintPendingWhenIdle(MapView& v);
bool WorkBusy();
// A command runs (the shell's flag once linked).
bool CommandIsRunning();

// ---- Scrolling ----
void ScrollWindowBy(MapView& v, int dx, int dy, bool withMarks);
void ScrollViewBy(int dx, int dy);
void SetViewOffset(MapView& v, int32_t x, int32_t y);
// delta: wheel units (120 a notch); at: surface point.
void WheelScroll(MapView& v, int delta, QPoint at);
enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, Thumb, EndScroll };
void HScrollScroll(MapView& v, ScrollCode code, int pos);
void VScrollScroll(MapView& v, ScrollCode code, int pos);
void ScrollTimerTimer(MapView& v);

// ---- Input ----
enum class MouseBtn { Left, Right, Middle };
struct ShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};
void WorkWinMouseDown(MapView& v, MouseBtn b, QPoint p, ShiftState s);
void WorkWinMouseMove(MapView& v, QPoint p, ShiftState s, bool leftHeld);
void WorkWinMouseUp(MapView& v, MouseBtn b, QPoint p, ShiftState s);
void WorkWinDblClick(MapView& v);
// key: a Qt key code.
void FormKeyDown(MapView& v, int key, ShiftState s);
void FormKeyUp(MapView& v, int key, ShiftState s);
void FormKeyPress(MapView& v, int ch);
void ShowCursorPosition();
void DispatchMoveErase();
void DispatchMoveDraw();

// ---- Tools ----
struct ToolStartArgs {
    int cut = 0;        // drawing tools: 0 draw, 1 cut an area, 2 cut a hole
    int straight = 0;   // freehand tool: 0 freehand, 1 straight
    int operation = 0;  // point editing 1..6
    int variant = 0;    // screen window 0..4
};
// The seven procedures of a tool; an empty one ignores its event. Start sets Work.ToolMode,
// End sets it to 0.
struct ToolProcs {
    std::function<void(const ToolStartArgs&)> Start;
    std::function<void()> End;
    std::function<void()> MouseDown;
    std::function<void()> MoveErase;
    std::function<void()> MoveDraw;
    std::function<void()> MouseUp;
    std::function<void(int ch)> KeyPress;
};
// The running tool (Work.ToolMode), one per slot of the tool table.
namespace ToolModes {
inline constexpr int None = 0;
inline constexpr int View = 1;
inline constexpr int PlacePoint = 2;
inline constexpr int Freehand = 3;  // freehand and straight
inline constexpr int Rectangular = 5;
inline constexpr int Circle = 6;
inline constexpr int Ellipse = 7;
inline constexpr int Curve = 8;
inline constexpr int PlaceText = 9;
inline constexpr int Edit = 10;  // edit object and edit point
inline constexpr int Rotate = 11;
inline constexpr int PointEdit = 12;
inline constexpr int CutLine = 13;
inline constexpr int CutCircle = 14;
inline constexpr int Template = 16;
inline constexpr int ScreenWindow = 18;
inline constexpr int GpsAdjust = 19;
} // namespace ToolModes
inline constexpr int ToolModeCount = 20;
void RegisterTool(int toolMode, ToolProcs procs);
const ToolProcs& ToolOf(int toolMode);

// The frame operations: StartTool and EndTool of the command frame.
void StartCurrentTool();
void EndCurrentTool();
void ToggleDrawEdit();
// A tool button: ends the tool, selects the mode (and the drawing method for 5..10), starts.
void SelectWorkMode(int workMode);
// Runs work inside the command frame (the shell's once bound).
void RunInCommandFrame(const std::function<void()>& work);
// Edit > Undo and Redo: the selection and its marks go first, the store then takes back or
// repeats one action.
void UndoWindowEdit();
void RedoWindowEdit();
// The engine's own frame: no other command runs meanwhile, the tool ends and starts again.
void RunInOwnCommandFrame(const std::function<void()>& work);

} // namespace zemo
