// What the document windows' engine needs from the libraries above it: the main frame's
// command frame, busy flags, tool buttons, help context and view timer (shell); the window
// system's side of its own windows (edit widgets); and the features of the libraries above
// (metafile import, course setting, the symbol box, symbol graphics).
// Each port does the documented least until the wiring root binds it.
#pragma once

#include "core/Element.h"
#include "core/Help.h"
#include "core/Port.h"
#include "edit/ChangeSym.h"
#include "edit/GridLine.h"
#include "edit/MapTrans.h"
#include "edit/Measure.h"
#include "edit/Work.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <functional>

namespace zemo {

// The least of a port that has one of its own (Pick.cpp): n is one of the objects the course
// preview tagged.
bool PreviewTagged(int n);

// What the Draw Rectangle dialog hands back.
struct DrawRectAnswer {
    bool aroundMap = false;
    double width = 0;
    double height = 0;
};

struct EditPortSet {
    // ---- The main frame (shell) ----
    // A command runs; least: the engine's own flag.
    Port<bool()> CommandBusy{"edit.CommandBusy", [] { return Work.CommandBusy; }};
    // Sets that flag (while a closing window asks its question).
    Port<void(bool)> SetCommandBusy{"edit.SetCommandBusy", [](bool on) { Work.CommandBusy = on; }};
    // Mirrors Work.PaintBusy into the frame's guard.
    Port<void(bool)> PaintBusyChanged{"edit.PaintBusyChanged", [](bool) {}};
    // Runs work inside BeginCommand / EndCommand; least: the engine's own frame.
    Port<void(const std::function<void()>&)> RunInFrame{"edit.RunInFrame", RunInOwnCommandFrame};
    Port<void()> UpdateToolButtons{"edit.UpdateToolButtons", [] {}};
    Port<void(int)> SetHelpContext{"edit.SetHelpContext", [](int) {}};
    // The main frame's help context now.
    Port<int()> HelpContext{"edit.HelpContext", [] { return MainFrameHelpContext; }};
    Port<bool()> AppActive{"edit.AppActive", [] { return true; }};
    // The main frame's view timer: enabled or not, with its interval.
    Port<void(bool on, int intervalMs)> SetViewTimer{"edit.SetViewTimer", [](bool, int) {}};

    // ---- The window system (edit widgets) ----
    // True when a key (other than Shift, Ctrl, Alt) or a mouse press is waiting.
    Port<bool()> PollInput{"edit.PollInput", [] { return false; }};
    // After every paint: held input goes back to the windows.
    Port<void()> AfterPaint{"edit.AfterPaint", [] {}};
    // Runs the function once the pending events were handled. Least: without an event loop
    // nothing is ever idle; typing commits when it ends, a stopped paint waits for the next.
    Port<void(std::function<void()>)> WhenIdle{"edit.WhenIdle", [](std::function<void()>) {}};
    // A document window for the current map; false when it could not be made.
    Port<bool(const QString& caption)> CreateWindow{"edit.CreateWindow", [](const QString&) { return false; }};
    // The cursor shown on the active drawing surface now (to give it back at the end).
    Port<int()> SurfaceCursor{"edit.SurfaceCursor", [] { return 0; }};
    // The mouse position in the active surface's client pixels; least: the last one seen.
    Port<QPoint()> CursorClientPos{"edit.CursorClientPos", [] {
        return Work.ActiveView ? Work.ActiveView->LastMousePoint : QPoint();
    }};
    // The move-view-to dialog: true on OK with the real-world position in metres.
    Port<bool(double& east, double& north)> RunViewDialog{"edit.RunViewDialog",
                                                          [](double&, double&) { return false; }};
    Port<void()> Beep{"edit.Beep", [] {}};
    // The drawing tools' dialogs, each false on Cancel (the least: nothing is added).
    // Draw Line: a length (metres on a real-world map, else millimetres) and an angle in
    // degrees, counter-clockwise from north.
    Port<bool(double& length, double& angle)> DrawLineDialog{"edit.DrawLineDialog",
                                                             [](double&, double&) { return false; }};
    // Draw Circle: a radius, in the length unit of Draw Line.
    Port<bool(double& radius)> DrawCircleDialog{"edit.DrawCircleDialog", [](double&) { return false; }};
    // Draw Rectangle: around the whole map, or a width and height in the same unit.
    Port<bool(DrawRectAnswer& answer)> DrawRectDialog{"edit.DrawRectDialog",
                                                      [](DrawRectAnswer&) { return false; }};
    // The Rotate Objects dialog: true on OK with the angle in degrees (counter-clockwise).
    Port<bool(double& degrees)> RunRotateDialog{"edit.RunRotateDialog", [](double&) { return false; }};
    // The keyboard's input runs right to left.
    Port<bool()> InputRightToLeft{"edit.InputRightToLeft", [] { return false; }};

    // ---- Edit functions (keys of the document window) ----
    // A metafile picture of another program pasted as map objects centred on the view
    // (enhanced: EMF, else WMF); false when nothing was imported. Least: there is no
    // importer, nothing is pasted (and Paste is not offered for such a picture).
    Port<bool(const QByteArray& picture, bool enhanced)> ImportMetafile{
        "edit.ImportMetafile", [](const QByteArray&, bool) { return false; }};

    // ---- Edit > Measure ----
    // The result dialog. Least: no dialog; the number is on the clipboard all the same.
    Port<void(const MeasureReport&)> ShowMeasureResult{"edit.ShowMeasureResult", [](const MeasureReport&) {}};

    // ---- Course setting ----
    Port<bool()> CourseTabVisible{"edit.CourseTabVisible", [] { return false; }};
    // A double click inserts the picked course object.
    Port<void()> InsertPickedCsObject{"edit.InsertPickedCsObject", [] {}};
    // The object number of the course object with this code; 0 when there is none.
    Port<int(const QString& code)> FindCsObject{"edit.FindCsObject", [](const QString&) { return 0; }};
    // While the course preview is on: may object n be picked? Least: it must be one of the
    // objects the preview tagged.
    Port<bool(int n)> PreviewAllows{"edit.PreviewAllows", PreviewTagged};
    // A single object was selected on a course-setting map (changed: another one than before).
    Port<void(int n, bool changed)> CsObjectSelected{"edit.CsObjectSelected", [](int, bool) {}};

    // ---- The symbol box ----
    // Picking an object with the preference on makes its symbol (stored number) the box's
    // current one; false when the map has no such symbol.
    Port<bool(int number)> ShowSymbolInBox{"edit.ShowSymbolInBox", [](int) { return false; }};

    // ---- Symbol graphics ----
    Port<void()> EndSymbolGraphicsEdit{"edit.EndSymbolGraphicsEdit", [] {}};

    // ---- The whole-map dialogs (edit widgets) ----
    // Each fills the values and is true on OK. Least: no dialog, so the command changes nothing.
    Port<bool(MoveMapValues&)> RunMoveMapDialog{"edit.RunMoveMapDialog",
                                                [](MoveMapValues&) { return false; }};
    Port<bool(StretchMapValues&)> RunStretchMapDialog{"edit.RunStretchMapDialog",
                                                      [](StretchMapValues&) { return false; }};
    Port<bool(RotateMapValues&)> RunRotateMapDialog{"edit.RunRotateMapDialog",
                                                    [](RotateMapValues&) { return false; }};
    Port<bool(ChangeSymValues&)> RunChangeSymDialog{"edit.RunChangeSymDialog",
                                                    [](ChangeSymValues&) { return false; }};
    Port<bool(ChangeScaleValues&)> RunChangeScaleDialog{"edit.RunChangeScaleDialog",
                                                        [](ChangeScaleValues&) { return false; }};
    Port<bool(GridLineValues&)> RunGridLineDialog{"edit.RunGridLineDialog",
                                                  [](GridLineValues&) { return false; }};
    // The element parameters of the symbol-graphics panel (colour, width, diameter in
    // mm x 100, line style) into the head of e; false when one is out of range. Least: no
    // panel, so an edit function makes or changes no element.
    Port<bool(ElementRecord& e)> ReadGraphicObjectParams{"edit.ReadGraphicObjectParams",
                                                         [](ElementRecord&) { return false; }};
    // The other way, for a selected element: its kind's button pressed, its colour, width,
    // diameter and line style shown. Least: no panel, nothing to show.
    Port<void(const ElementRecord& e)> ShowGraphicsElement{"edit.ShowGraphicsElement",
                                                           [](const ElementRecord&) {}};
};

EditPortSet& EditPorts();

} // namespace zemo
