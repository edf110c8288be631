// The tool-mode state: which tool runs, how a tool button or the command frame starts and
// ends it, and the table of every tool's seven procedures.
#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "document/ServiceHooks.h"
#include "document/Undo.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"

#include <array>
#include <exception>

namespace zemo {

namespace {

std::array<ToolProcs, ToolModeCount>& Table()
{
    static std::array<ToolProcs, ToolModeCount> table;
    return table;
}

void StartMode(int mode, const ToolStartArgs& args = {})
{
    const ToolProcs& t = ToolOf(mode);
    if (t.Start)
        t.Start(args);
}

void ToolButtons()
{
    EditPorts().UpdateToolButtons();
}

void HelpContext(int context)
{
    EditPorts().SetHelpContext(context);
}

// The drawing tool of a drawing method, in draw, cut-area or cut-hole mode.
void StartDrawing(int lineMode, int cut)
{
    switch (lineMode) {
    case WorkModes::Freehand: StartMode(ToolModes::Freehand, {cut, 0, 0, 0}); break;
    case WorkModes::Straight: StartMode(ToolModes::Freehand, {cut, 1, 0, 0}); break;
    case WorkModes::Rectangular: StartMode(ToolModes::Rectangular, {cut, 0, 0, 0}); break;
    case WorkModes::Circle: StartMode(ToolModes::Circle, {cut, 0, 0, 0}); break;
    case WorkModes::Ellipse: StartMode(ToolModes::Ellipse, {cut, 0, 0, 0}); break;
    case WorkModes::Curve: StartMode(ToolModes::Curve, {cut, 0, 0, 0}); break;
    default: break;
    }
}

int SymbolType(const SymbolBytes* s)
{
    return s ? SymI16(*s, SymObjectType) : 0;
}

} // namespace

void RegisterTool(int toolMode, ToolProcs procs)
{
    if (toolMode >= 0 && toolMode < ToolModeCount)
        Table()[size_t(toolMode)] = std::move(procs);
}

const ToolProcs& ToolOf(int toolMode)
{
    static const ToolProcs none;
    if (toolMode < 0 || toolMode >= ToolModeCount)
        return none;
    return Table()[size_t(toolMode)];
}

void StartCurrentTool()
{
    if (Work.ToolMode != ToolModes::None)
        return;
    if (Index.MapOpen && CommandIsRunning())
        return;
    ToolButtons();
    HelpContext(MainFrameHelpContext);
    MapView* v = Work.ActiveView;
    if (!Index.MapOpen || !v || !v->Document)
        return;
    try {
        ReleaseEditDC();
        TZmd& z = *v->Document;
        UpdateViewOf(*v);

        const int wm = ProgramConfig.WorkMode;
        const int lm = ProgramConfig.LineMode;
        if (wm <= WorkModes::Curve) {
            const SymbolBytes* s = CurrentSymbol(*v);
            if (!z.CoursePreviewOn && s && (SymU8(*s, SymStatus) & SymbolStatusMask) == 0) {
                switch (SymbolType(s)) {
                case 1: case 5: StartMode(ToolModes::PlacePoint); break;
                case 4: StartMode(ToolModes::PlaceText); break;
                case 2: case 3: StartDrawing(lm, 0); break;
                default: break;
                }
            }
        } else {
            const bool single = Index.SelectedIndex > 0;
            if (single) {
                ReadElement(Index.SelectedIndex, Index.CurElement);
                GetSymbol(Index.CurElement.Symbol, Index.CurSymbol);
            }
            const bool any = single || Index.SelectionCount > 0;
            switch (wm) {
            case WorkModes::EditPoint: case WorkModes::EditObject:
                StartMode(ToolModes::Edit);
                break;
            case WorkModes::Cut:
                if (single) {
                    const int type = SymbolType(Index.CurSymbol);
                    if (type == 1)
                        StartMode(ToolModes::CutCircle);
                    else if (type == 2)
                        StartMode(ToolModes::CutLine);
                    else if (lm == WorkModes::Freehand)
                        StartMode(ToolModes::Freehand, {1, 0, 0, 0});
                    else if (lm == WorkModes::Curve)
                        StartMode(ToolModes::Curve, {1, 0, 0, 0});
                    else
                        StartMode(ToolModes::Freehand, {1, 1, 0, 0});
                }
                break;
            case WorkModes::CutHole:
                if (single)
                    StartDrawing(lm, 2);
                break;
            case WorkModes::Rotate:
                if (any)
                    StartMode(ToolModes::Rotate);
                break;
            case WorkModes::Direction:
                if (any)
                    StartMode(ToolModes::PointEdit, {0, 0, 5, 0});
                break;
            case WorkModes::NormalPoint: case WorkModes::CornerPoint: case WorkModes::DashPoint:
            case WorkModes::RemovePoint: case WorkModes::MoveParallel:
                if (single) {
                    const int op = wm == WorkModes::MoveParallel ? 6 : wm - WorkModes::Direction;
                    StartMode(ToolModes::PointEdit, {0, 0, op, 0});
                }
                break;
            case WorkModes::PrintRange: case WorkModes::CourseRange: case WorkModes::ExportRange:
            case WorkModes::ExportRangeAlt: case WorkModes::PartialMap:
                StartMode(ToolModes::ScreenWindow, {0, 0, 0, wm - WorkModes::PrintRange});
                break;
            case WorkModes::TemplateAdjust: StartMode(ToolModes::Template); break;
            case WorkModes::GpsAdjust: StartMode(ToolModes::GpsAdjust); break;
            default: break;
            }
        }
        // The edit tool stands in for any tool that cannot start.
        if (Work.ToolMode == ToolModes::None) {
            ProgramConfig.WorkMode = WorkModes::EditPoint;
            ToolButtons();
            StartMode(ToolModes::Edit);
        }
        if (!v->SymbolGraphicsMode && EditPorts().CourseTabVisible())
            ShowCourseMarks();
        if (v->Form)
            v->Form->FocusSurface();
    } catch (...) {
        ReportUnexpected("Work", "StartTool");
    }
}

void EndCurrentTool()
{
    if (!Index.MapOpen)
        return;
    try {
        GetData();
        StoreCsObjectProps();
        HideCourseMarks();
        // The view tool gives back the tool it interrupted, which then ends as well: a line
        // being drawn is stored, not left as a draft.
        if (Work.ToolMode == ToolModes::View) {
            if (const ToolProcs& view = ToolOf(ToolModes::View); view.End)
                view.End();
            if (Work.ToolMode == ToolModes::View)
                Work.ToolMode = ToolModes::None;
        }
        const ToolProcs& t = ToolOf(Work.ToolMode);
        if (t.End)
            t.End();
        Work.ToolMode = ToolModes::None;
        ReleaseEditDC();
        SetToolCursor(StandardCursor);
        HelpContext(MainFrameHelpContext);
    } catch (...) {
        Work.ToolMode = ToolModes::None;
        ReportUnexpected("Work", "EndTool");
    }
}

void ToggleDrawEdit()
{
    MapView* v = Work.ActiveView;
    if (v && v->Form && v->Form->HasMouseCapture())
        return;
    EndCurrentTool();
    if (Index.SelectionCount > 1)
        DropSelection();
    ProgramConfig.WorkMode = ProgramConfig.WorkMode >= WorkModes::EditPoint ? ProgramConfig.LineMode
                                                                             : WorkModes::EditPoint;
    ToolButtons();
    StartCurrentTool();
}

void SelectWorkMode(int workMode)
{
    if (WorkBusy())
        return;
    EndCurrentTool();
    ProgramConfig.WorkMode = workMode;
    if (workMode >= WorkModes::Freehand && workMode <= WorkModes::Curve)
        ProgramConfig.LineMode = workMode;
    StartCurrentTool();
}

void RunInCommandFrame(const std::function<void()>& work)
{
    EditPorts().RunInFrame(work);
}

void RunInOwnCommandFrame(const std::function<void()>& work)
{
    if (WorkBusy())
        return;
    EndCurrentTool();
    Work.CommandBusy = true;
    GuardEvent("Work", "Command", work);
    Work.CommandBusy = false;
    RepaintAllPending();
    StartCurrentTool();
}

void UndoWindowEdit()
{
    DropSelection();
    UndoEdit();
}

void RedoWindowEdit()
{
    DropSelection();
    RedoEdit();
}

} // namespace zemo
