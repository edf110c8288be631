// The tool-mode state: which tool runs, how a tool button or the command frame starts and
// ends it, and the table of every tool's seven procedures.
#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "document/ServiceHooks.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Work.h"

#include <array>
#include <exception>

namespace zemo {

namespace {

constexpr int ViewToolMode = 1;

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
    case 5: StartMode(3, {cut, 0, 0, 0}); break;
    case 6: StartMode(3, {cut, 1, 0, 0}); break;
    case 7: StartMode(5, {cut, 0, 0, 0}); break;
    case 8: StartMode(6, {cut, 0, 0, 0}); break;
    case 9: StartMode(7, {cut, 0, 0, 0}); break;
    case 10: StartMode(8, {cut, 0, 0, 0}); break;
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
    if (Work.ToolMode != 0)
        return;
    if (Index.MapOpen && CommandIsRunning())
        return;
    ToolButtons();
    HelpContext(MainHelpContext);
    MapView* v = Work.ActiveView;
    if (!Index.MapOpen || !v || !v->Document)
        return;
    try {
        ReleaseEditDC();
        TZmd& z = *v->Document;
        const int idx = z.Setup.CurrentSymbolIndex;
        if (v->SymbolGraphicsMode) {
            SymbolBytes* s = nullptr;
            GetSymbol(0, s);
            v->CurrentSymbol = s;
        } else if (z.SymbolCount() > 0 && idx >= 0 && idx < z.SymbolCount()) {
            v->CurrentSymbol = &z.Symbols[size_t(idx)];
        } else {
            v->CurrentSymbol = nullptr;
        }
        UpdateViewOf(*v);

        const int wm = ProgramConfig.WorkMode;
        const int lm = ProgramConfig.LineMode;
        if (wm <= 10) {
            const SymbolBytes* s = v->CurrentSymbol;
            if (!z.CoursePreviewOn && s && (SymU8(*s, SymStatus) & SymbolStatusMask) == 0) {
                switch (SymbolType(s)) {
                case 1: case 5: StartMode(2); break;
                case 4: StartMode(9); break;
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
            case 11: case 12: StartMode(10); break;
            case 13:
                if (single) {
                    const int type = SymbolType(Index.CurSymbol);
                    if (type == 1)
                        StartMode(14);
                    else if (type == 2)
                        StartMode(13);
                    else if (lm == 5)
                        StartMode(3, {1, 0, 0, 0});
                    else if (lm == 10)
                        StartMode(8, {1, 0, 0, 0});
                    else
                        StartMode(3, {1, 1, 0, 0});
                }
                break;
            case 14:
                if (single)
                    StartDrawing(lm, 2);
                break;
            case 15:
                if (any)
                    StartMode(11);
                break;
            case 16:
                if (any)
                    StartMode(12, {0, 0, 5, 0});
                break;
            case 17: case 18: case 19: case 20: case 26:
                if (single)
                    StartMode(12, {0, 0, wm == 26 ? 6 : wm - 16, 0});
                break;
            case 27: case 28: case 29: case 30: case 31: StartMode(18, {0, 0, 0, wm - 27}); break;
            case 32: StartMode(16); break;
            case 33: StartMode(19); break;
            default: break;
            }
        }
        // The edit tool stands in for any tool that cannot start.
        if (Work.ToolMode == 0) {
            ProgramConfig.WorkMode = 11;
            ToolButtons();
            StartMode(10);
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
        if (Work.ToolMode == ViewToolMode) {
            if (const ToolProcs& view = ToolOf(ViewToolMode); view.End)
                view.End();
            if (Work.ToolMode == ViewToolMode)
                Work.ToolMode = 0;
        }
        const ToolProcs& t = ToolOf(Work.ToolMode);
        if (t.End)
            t.End();
        Work.ToolMode = 0;
        ReleaseEditDC();
        SetToolCursor(0);
        HelpContext(MainHelpContext);
    } catch (...) {
        Work.ToolMode = 0;
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
        ClearSelection();
    ProgramConfig.WorkMode = ProgramConfig.WorkMode >= 11 ? ProgramConfig.LineMode : 11;
    ToolButtons();
    StartCurrentTool();
}

void SelectWorkMode(int workMode)
{
    if (WorkBusy())
        return;
    EndCurrentTool();
    ProgramConfig.WorkMode = workMode;
    if (workMode >= 5 && workMode <= 10)
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

} // namespace zemo
