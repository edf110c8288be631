#include "edit/Work.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/FileClass.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/MovePt.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/View.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Grid.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/TemplateDraw.h"

#include <QPainter>

#include <algorithm>
#include <exception>

namespace zemo {

WorkState Work;

SymbolBytes* CurrentSymbol(MapView& v)
{
    if (v.SymbolGraphicsMode)
        return v.GraphicsSymbol.size() >= size_t(SymbolHeadBytes) ? &v.GraphicsSymbol : nullptr;
    return v.Document == Index.ActiveZmd ? CurrentSymbolRecord() : nullptr;
}

SymbolBytes* CurrentSymbol()
{
    return Work.ActiveView ? CurrentSymbol(*Work.ActiveView) : nullptr;
}

namespace {

std::vector<MapView*>& ViewList()
{
    static std::vector<MapView*> views;
    return views;
}

bool Registered(const MapView* v)
{
    const auto& views = ViewList();
    return std::find(views.begin(), views.end(), v) != views.end();
}

void SetPaintBusy(bool on)
{
    Work.PaintBusy = on;
    EditPorts().PaintBusyChanged(on);
}

bool CommandRunning()
{
    return EditPorts().CommandBusy();
}

bool AppIsActive()
{
    return EditPorts().AppActive();
}

PixRect Clipped(PixRect r, int w, int h)
{
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, w);
    r.bottom = std::min(r.bottom, h);
    return r;
}

bool Contains(const PixRect& outer, const PixRect& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right
        && inner.bottom <= outer.bottom;
}

PixRect Union(const PixRect& a, const PixRect& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// The window's map and view become the current ones; the old ones are put back on leaving.
class CurrentSwitch {
public:
    explicit CurrentSwitch(MapView& v)
        : view_(Work.ActiveView), zmd_(Index.ActiveZmd), graphics_(Index.SymbolGraphics), ring_(ActiveUndoRing())
    {
        MakeCurrent(v);
    }
    ~CurrentSwitch()
    {
        const bool other = Work.ActiveView != view_;
        Work.ActiveView = view_;
        SetCurrentMap(zmd_);
        Index.SymbolGraphics = graphics_;
        SetActiveUndoRing(ring_);
        if (other)
            UseActiveViewTransform();
    }
    // The view's map, symbol graphics and undo ring become the current ones.
    static void MakeCurrent(MapView& v)
    {
        Work.ActiveView = &v;
        SetCurrentMap(v.Document);
        Index.SymbolGraphics = &v.SymbolGraphics;
        SetActiveUndoRing(&v.Undo);
    }

private:
    MapView* view_;
    TZmd* zmd_;
    SymbolGraphicsBuffer* graphics_;
    UndoRing* ring_;
};

void FillWhite(Device& dc, const PixRect& r)
{
    dc.setPen(NullPen);
    dc.setBrush({BrushStyle::Solid, {255, 255, 255}, HatchStyle::Horizontal});
    dc.rectangle(QRectF(r.ToQRect()));
}

// Every used colour of the map from the last entry of the table to the first.
void OwnObjectPasses(MapView& v, Device& dc)
{
    TZmd& z = *v.Document;
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    // One walk of the index for all the colours.
    ElementsInRect listed;
    const bool haveList = CollectElementsInRect(Graph.ClipRect, listed);
    for (int i = count - 1; i >= 0; --i) {
        const ColorRecord& c = z.ColorBlock.Colors[size_t(i)];
        Graph.CurrentColor = c.Number;
        if (i == 0 && c.Number <= 255)
            z.UsedColors.set(c.Number);
        if (AbortRequested || c.Number > 255 || !z.UsedColors.test(c.Number))
            continue;
        Graph.OutputCmyk = ScreenCorrectedColor(PackCmyk(c.Cmyk));
        if (v.SymbolGraphicsMode && v.PatternPreview && i == v.PatternBackgroundColor) {
            dc.setPen(NullPen);
            dc.setBrush({BrushStyle::Solid, ColorToDevice(Graph.OutputCmyk), HatchStyle::Horizontal});
            dc.rectangle(QRectF(0, 0, v.ClientWidth, v.ClientHeight));
        }
        DrawColorPass(haveList ? &listed : nullptr);
    }
}

// The paint's pass over the shown map templates, last first, each in its colours dimmed by its
// d; the window's map is made current again after each.
void MapTemplatePasses(MapView& v)
{
    TZmd* const own = v.Document;
    const bool ownOpen = Index.MapOpen;
    for (int t = own->Templates.Count() - 1; t >= 0 && !AbortRequested; --t) {
        QString full;
        int dim = 0;
        if (!DocumentPorts().ActiveZmdTemp(t, full, dim))
            continue;
        const bool open = OpenMapFile(full, full, true, true);
        if (open) {
            const TZmd& m = *Index.ActiveZmd;
            const int count = std::clamp<int>(m.ColorBlock.ColorCount, 0, MaxColors);
            for (int i = count - 1; i >= 0; --i) {
                const ColorRecord& c = m.ColorBlock.Colors[size_t(i)];
                Graph.CurrentColor = c.Number;
                Graph.OutputCmyk = ScreenCorrectedColor(DimmedCmyk(PackCmyk(c.Cmyk), dim));
                if (!AbortRequested && c.Number <= 255 && m.UsedColors.test(c.Number))
                    DrawColorPass();
            }
        }
        SetCurrentMap(own);
        Index.MapOpen = ownOpen;
        if (open)
            CloseMapFile(full);
    }
}

// The edited symbol's elements again at the neighbouring pattern cells, in grey.
void PatternRepeats(MapView& v)
{
    const int w = v.PatternWidth, h = v.PatternHeight;
    if (AbortRequested || !v.SymbolGraphicsMode || !v.PatternPreview || w <= 0 || h <= 0)
        return;
    std::vector<QPoint> cells;
    if (v.PatternHalfShift)
        cells = {{-w / 2, -h}, {w / 2, -h}, {-w / 2, h}, {w / 2, h}};
    else
        for (int k = -1; k <= 1; ++k)
            cells.insert(cells.end(), {{k * w, -h}, {k * w, h}});
    cells.insert(cells.end(), {{-w, 0}, {w, 0}});
    TZmd& z = *v.Document;
    const Cord origin = Scale.ViewOrigin;
    const int count = std::clamp<int>(z.ColorBlock.ColorCount, 0, MaxColors);
    for (const QPoint& c : cells) {
        const double ox = 256.0 * c.x(), oy = 256.0 * c.y();
        Scale.ViewOrigin = {SafeRound(origin.x + ox * v.PatternCos - oy * v.PatternSin),
                            SafeRound(origin.y + oy * v.PatternCos + ox * v.PatternSin)};
        for (int i = count - 1; i >= 0 && !AbortRequested; --i) {
            const int number = z.ColorBlock.Colors[size_t(i)].Number;
            if (number > 255 || !z.UsedColors.test(size_t(number)))
                continue;
            Graph.CurrentColor = number;
            Graph.OutputCmyk = Graph.GreyCmyk;
            DrawColorPass();
        }
        Scale.ViewOrigin = origin;
        if (AbortRequested)
            break;
    }
}

} // namespace

ImageMapWindow::ImageMapWindow(int width, int height)
    : image(width, height, QImage::Format_RGB32)
{
    image.fill(Qt::white);
}

EditPortSet& EditPorts()
{
    static EditPortSet ports;
    return ports;
}

void ResetWorkUnit()
{
    Work = WorkState{};
    ViewList().clear();
    for (int m = 0; m < ToolModeCount; ++m)
        RegisterTool(m, {});
    ResetEditSys();
    ResetTextEdit();
    ResetDrCurve();
    ResetMovePt();
}

bool CommandIsRunning()
{
    return CommandRunning();
}

bool WorkBusy()
{
    return Work.PaintBusy || CommandRunning();
}

// ---- Windows ----

void RegisterMapView(MapView* v)
{
    if (!Registered(v))
        ViewList().push_back(v);
}

void UnregisterMapView(MapView* v)
{
    auto& views = ViewList();
    views.erase(std::remove(views.begin(), views.end(), v), views.end());
    if (EditSys.DCView == v)
        ReleaseEditDC();
    if (Work.ActiveView == v)
        Work.ActiveView = nullptr;
    // The window's steps go with it.
    if (ActiveUndoRing() == &v->Undo)
        SetActiveUndoRing(nullptr);
    ClearUndo(v->Undo);
}

const std::vector<MapView*>& MapViews() { return ViewList(); }

void InitMapView(MapView& v, MapWindow* form)
{
    v = MapView{};
    v.Form = form;
    v.Document = Index.ActiveZmd;
    if (v.Document && v.Document->Header.Version != CurrentMapVersion) {
        v.Document->Modified = 1;
        v.Document->Header.Version = CurrentMapVersion;
    }
    RegisterMapView(&v);
}

void LeaveActiveView()
{
    MapView* old = Work.ActiveView;
    if (!old || !old->Document)
        return;
    // The map becoming current may already be the store's current one: the old window's
    // own map, view and transform are put back while its tool and marks go.
    const bool wasOpen = Index.MapOpen;
    {
        CurrentSwitch own(*old);
        Index.MapOpen = old->MapShown;
        if (old->MapShown)
            UpdateViewOf(*old);
        EndCurrentTool();
        ResetDbLinks();
        DropSelection();
    }
    Index.MapOpen = wasOpen;
}

bool CreateMapWindow(const QString& caption)
{
    Index.MapOpen = false;
    const bool made = EditPorts().CreateWindow(caption.isEmpty() ? Text(TextKey::Untitled) : caption);
    if (made && Work.ActiveView)
        Work.ActiveView->RepaintAfterDrag = false;
    return made;
}

void ActivateMapWindow(MapView& v)
{
    CurrentSwitch::MakeCurrent(v);
}

void FormActivate(MapView& v)
{
    const bool switched = Work.ActiveView != &v;
    if (switched) {
        // The old window's selection goes with its marks; the new map starts without one.
        if (Work.ActiveView)
            Work.ActiveView->SwallowClick = false;
        LeaveActiveView();
        // The click that activated the window reaches no tool.
        v.SwallowClick = true;
        if (v.Form)
            v.Form->SetScrollTimer(true);
        const int wm = ProgramConfig.WorkMode;
        if (wm == 27 || wm == 28 || wm == 31 || wm == 32 || wm == 33)
            ProgramConfig.WorkMode = WorkModes::EditPoint;
    }
    if (v.MapShown) {
        ActivateMapWindow(v);
        // The pointer is mapped with this window's view from now on, not with that of the
        // window painted last.
        UpdateViewOf(v);
        Index.MapOpen = true;
        if (switched)
            PrepareCoursePanel();
        ShowCurrentSymbolStatus();
    }
    InvalidatePending(v);
    if (v.Form)
        v.Form->FocusSurface();
    StartCurrentTool();
}

void FormResize(MapView& v, int width, int height)
{
    v.ClientWidth = std::max(width, 0);
    v.ClientHeight = std::max(height, 0);
    if (v.Form)
        v.Form->InvalidateRect({0, 0, v.ClientWidth, v.ClientHeight});
}

ViewParams ViewParamsOf(const MapView& v)
{
    ViewParams p;
    if (v.Document) {
        const SetupRecord& s = v.Document->Setup;
        p.Zoom = s.Zoom;
        p.CenterX = s.ViewCenterX;
        p.CenterY = s.ViewCenterY;
    }
    p.Width = v.ClientWidth;
    p.Height = v.ClientHeight;
    p.SelectTolerance = ProgramConfig.SelectTolerance;
    return p;
}

bool UpdateViewOf(MapView& v)
{
    if (!v.Document)
        return false;
    SetupRecord& s = v.Document->Setup;
    ViewParams p = ViewParamsOf(v);
    if (!UpdateViewTransform(p))
        return false;
    s.Zoom = p.Zoom;
    s.ViewCenterX = p.CenterX;
    s.ViewCenterY = p.CenterY;
    if (v.Form)
        v.Form->SetScrollPositions(p.HScrollPos, p.VScrollPos);
    return true;
}

void UseActiveViewTransform()
{
    if (MapView* a = Work.ActiveView; a && a->MapShown)
        UpdateViewOf(*a);
}

// ---- Painting ----

void PollUserInput()
{
    const bool waiting = EditPorts().PollInput();
    if (waiting && !AbortRequested) {
        AbortRequested = true;
        Work.PaintInterrupted = true;
    }
}

void PollEscape()
{
    DispatchKeyMessages();
}

void WhenPaintEnds(std::function<void()> work)
{
    if (Work.PaintBusy)
        Work.AfterPaint.push_back(std::move(work));
    else
        work();
}

void StopPaint()
{
    if (Work.PaintBusy && !AbortRequested) {
        AbortRequested = true;
        Work.PaintInterrupted = true;
    }
}

void PaintBehindDialog(bool up)
{
    if (!up) {
        Work.DialogsUp = std::max(Work.DialogsUp - 1, 0);
        return;
    }
    ++Work.DialogsUp;
    // The paint messages come after the dialog's own, once it is shown.
    for (MapView* v : ViewList())
        InvalidatePending(*v);
}

namespace {

// A command runs, but the window may paint meanwhile.
bool PaintsInCommand(const MapView& v)
{
    return v.PaintInCommand || Work.DialogsUp > 0;
}

} // namespace

void WorkWinWmPaint(MapView& v, const PixRect& rect)
{
    if (!v.MapShown) {
        v.PendingValid = false;
        return;
    }
    const PixRect r = Clipped(rect, v.ClientWidth, v.ClientHeight);
    if (r.Empty() || !v.Form)
        return;
    if (v.PendingValid) {
        v.PendingRect = Clipped(v.PendingRect, v.ClientWidth, v.ClientHeight);
        if (v.PendingRect.Empty())
            v.PendingValid = false;
    }
    if (Work.PaintBusy) {
        // A paint of another window runs: this one waits for the next invalidation.
        v.PendingRect = v.PendingValid ? Union(v.PendingRect, r) : r;
        v.PendingValid = true;
        v.RepaintWhenIdle = true;
        return;
    }
    if (!v.PendingValid || Contains(r, v.PendingRect)) {
        v.PendingRect = r;
        v.PendingValid = true;
        if (AppIsActive() && (!CommandRunning() || PaintsInCommand(v)) && Work.ButtonUp)
            PaintMapWindow(v);
        else if (!Work.ButtonUp)
            v.RepaintWhenIdle = true;  // the release paints it
    } else {
        v.PendingRect = Union(v.PendingRect, r);
    }
}

void DrawColorPass(ElementsInRect* listed)
{
    StartElementScan(0);
    if (listed && !(listed->rect == Graph.ClipRect))
        listed = nullptr;
    if (listed)
        listed->at = 0;
    const auto next = [listed] {
        return listed ? NextListedElement(*listed, Graph.CurrentColor)
                      : NextElementInRect(Graph.ClipRect, Graph.CurrentColor);
    };
    while (!AbortRequested && next()) {
        const int n = Index.CurIndexNo;
        SymbolBytes* sym = nullptr;
        GetSymbol(Index.CurIndex.Symbol, sym);
        if (sym && (SymU8(*sym, SymStatus) & SymbolStatusMask) < 2 && ReadElement(n, DrawElement)) {
            Index.DrawSymbol = sym;
            DrawSymbol = sym->data();
            DrawObjectByType();
        }
        PollUserInput();
    }
}

void PaintMapWindow(MapView& v)
{
    if (!v.Form || !v.Document)
        return;
    // A paint inside a command leaves the command's own Esc as it found it.
    const bool inCommand = CommandRunning();
    const bool commandAbort = AbortRequested;
    SetPaintBusy(true);
    AbortRequested = false;
    Work.PaintInterrupted = false;
    const PixRect r = v.PendingRect;
    if (r == PixRect{0, 0, v.ClientWidth, v.ClientHeight})
        ++Work.FullPaints;
    // The marks shown belong to the current view, whichever window the window system has
    // activated meanwhile: repainted anywhere else they would be erased by half later.
    const bool ownsMarks = Work.ActiveView == &v;
    {
        CurrentSwitch current(v);
        try {
            SetOutputAdjust(100, 100, v.Document->Setup.HatchView);
            Graph.OutputMode = ScreenOutput;
            Graph.OutputColorMode = CompositeColors;
            ReleaseEditDC();
            PainterDevice dc(&v.Form->SurfaceToFill(r));
            // Like a paint DC: nothing outside the rectangle changes, marks there stay right.
            dc.setBaseClip(QRegion(r.ToQRect()));
            Graph.OutputDC = &dc;
            FillWhite(dc, r);
            UpdateViewOf(v);
            const QPoint corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
            Cord c[2];
            DeviceToCord(corners, c, 2);
            Graph.ClipRect = {std::min(c[0].x, c[1].x), std::min(c[0].y, c[1].y),
                              std::max(c[0].x, c[1].x), std::max(c[0].y, c[1].y)};
            ShowStatusNow(Text(TextKey::Redrawing) + QStringLiteral("..."));
            ShowHintNow(Text(TextKey::PressEsc));
            PrepareTemplateDrawing(true);
            if (TemplateDraw.RasterFirst)
                DrawTemplates(r.ToQRect(), false, 1, PollUserInput, true);
            BeginDrawing(false);
            if (TemplateDraw.MapTemplatesAfter && !v.SymbolGraphicsMode)
                MapTemplatePasses(v);
            if (TemplateDraw.MapDrawnSeparately)
                OwnObjectPasses(v, dc);
            PatternRepeats(v);
            if (!v.SymbolGraphicsMode && v.ArrowMarkerOn) {
                RedrawView rv;
                rv.Dc = &dc;
                rv.ArrowPoint = v.ArrowPoint;
                DrawArrowMarker(dc, rv);
            }

            UsePaintDC(&dc, &v);
            if (ProgramConfig.ScreenGrid)
                DrawScreenGrid(dc, MakeGridGeometry(v.Document->Setup, v.SymbolGraphicsMode));
            v.Form->InvalidateRulers();
            if (ownsMarks) {
                Mark();
                RedrawViewFeedback();
            }
            EndPaintDC();
            if (!AbortRequested)
                v.PendingValid = false;
            EndDrawing();
            Graph.OutputDC = nullptr;
        } catch (...) {
            // The paint's device is gone with its scope.
            if (!EditSys.OwnedDC) {
                EditSys.EditDC = nullptr;
                EditSys.DCView = nullptr;
            }
            Graph.OutputDC = nullptr;
            EndDrawing();
            ReportUnexpected("Work", "PaintMapWindow");
        }
        RestoreStatusText();
        RestoreRightStatus();
    }
    const bool escaped = AbortRequested && !Work.PaintInterrupted;
    if (inCommand)
        AbortRequested = commandAbort;
    SetPaintBusy(false);
    // What the paint read is on screen now: the file's pages need not stay in memory for it.
    TFileClass::LetAllReadPagesGo();
    v.Form->SurfaceChanged(r);
    v.RepaintWhenIdle = v.PendingValid && !escaped;
    EditPorts().AfterPaint();
    if (v.RepaintWhenIdle) {
        MapView* p = &v;
        EditPorts().WhenIdle([p] {
            if (Registered(p))
                RepaintPendingWhenIdle(*p);
        });
    }
    // The work may start a paint of its own, which then runs what comes meanwhile.
    while (!Work.PaintBusy && !Work.AfterPaint.empty()) {
        auto waiting = std::move(Work.AfterPaint);
        Work.AfterPaint.clear();
        for (auto& work : waiting)
            GuardEvent("Work", "AfterPaint", work);
    }
}

void InvalidatePending(MapView& v)
{
    if (v.PendingValid && v.Form)
        v.Form->InvalidateRect(v.PendingRect);
}

void RepaintAllPending()
{
    for (MapView* v : ViewList()) {
        InvalidatePending(*v);
        // The command may have moved or zoomed the view: the rulers follow.
        if (v->Form)
            v->Form->InvalidateRulers();
    }
}

void RepaintPendingWhenIdle(MapView& v)
{
    if (!v.RepaintWhenIdle || !v.PendingValid) {
        v.RepaintWhenIdle = false;
        return;
    }
    // Held buttons and running commands repaint on their own at their end.
    if (!Work.ButtonUp || Work.PaintBusy || (CommandRunning() && !PaintsInCommand(v)))
        return;
    v.RepaintWhenIdle = false;
    InvalidatePending(v);
}

// ---- Scrolling ----

namespace {

// Moves the image content by (sx, sy) and fills what is uncovered white.
void ShiftSurface(QImage& img, int sx, int sy)
{
    const QImage old = img.copy();
    img.fill(Qt::white);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(sx, sy), old);
}

} // namespace

void ScrollWindowBy(MapView& v, int dx, int dy, bool withMarks)
{
    if (v.Form)
        v.Form->FocusSurface();
    if (!v.MapShown || !v.Form || !v.Document)
        return;
    MapView* active = Work.ActiveView;
    const bool marks = withMarks && active == &v;
    if (marks) {
        HideMark();
        RedrawViewFeedback();
    }
    ReleaseEditDC();
    UpdateViewOf(v);
    SetupRecord& s = v.Document->Setup;
    const int64_t wantX = int64_t(s.ViewCenterX) + SafeRound(dx / Scale.ViewScaleX);
    const int64_t wantY = int64_t(s.ViewCenterY) + SafeRound(dy / Scale.ViewScaleY);
    s.ViewCenterX = int32_t(std::clamp<int64_t>(wantX, SafeRoundMin, SafeRoundMax));
    s.ViewCenterY = int32_t(std::clamp<int64_t>(wantY, SafeRoundMin, SafeRoundMax));
    UpdateViewOf(v);
    if (s.ViewCenterX != wantX)
        dx -= SafeRound(double(wantX - s.ViewCenterX) * Scale.ViewScaleX);
    if (s.ViewCenterY != wantY)
        dy -= SafeRound(double(wantY - s.ViewCenterY) * Scale.ViewScaleY);
    if (dx != 0 || dy != 0) {
        const int w = v.ClientWidth, h = v.ClientHeight;
        ShiftSurface(v.Form->Surface(), -dx, -dy);
        if (dx > 0)
            v.Form->InvalidateRect({std::max(w - dx, 0), 0, w, h});
        else if (dx < 0)
            v.Form->InvalidateRect({0, 0, std::min(-dx, w), h});
        if (dy > 0)
            v.Form->InvalidateRect({0, std::max(h - dy, 0), w, h});
        else if (dy < 0)
            v.Form->InvalidateRect({0, 0, w, std::min(-dy, h)});
        if (v.PendingValid)
            v.PendingRect = {v.PendingRect.left - dx, v.PendingRect.top - dy,
                             v.PendingRect.right - dx, v.PendingRect.bottom - dy};
        v.Form->SurfaceChanged({0, 0, w, h});
        v.Form->InvalidateRulers();
    }
    UpdateViewOf(v);
    if (marks) {
        Mark();
        RedrawViewFeedback();
        ReleaseEditDC();
    }
    if (active != &v)
        UseActiveViewTransform();
}

void ScrollViewBy(int dx, int dy)
{
    if (Work.ActiveView)
        ScrollWindowBy(*Work.ActiveView, dx, dy, true);
}

void SetViewOffset(MapView& v, int32_t x, int32_t y)
{
    if (!v.Document)
        return;
    v.Document->Setup.ViewCenterX = x;
    v.Document->Setup.ViewCenterY = y;
    if (v.Form)
        v.Form->InvalidateRect({0, 0, v.ClientWidth, v.ClientHeight});
}

void WheelScroll(MapView& v, int delta, QPoint at)
{
    if (WorkBusy())
        return;
    // A turn during a drag would redraw the marks of the stored object over the dragged ones.
    if (!Work.ButtonUp)
        return;
    if (at.x() < 0 || at.y() < 0 || at.x() > v.ClientWidth || at.y() > v.ClientHeight)
        return;
    if (Work.ToolMode == ToolModes::Rotate)
        EndCurrentTool();
    InvalidatePending(v);
    const int64_t step = int64_t(v.ClientHeight) * delta / 1200;
    ScrollWindowBy(v, 0, int(-step), true);
}

namespace {

void ScrollBar(MapView& v, ScrollCode code, int pos, bool vertical)
{
    if (Work.ToolMode == ToolModes::Rotate)
        EndCurrentTool();
    if (WorkBusy())
        return;
    if (vertical)
        InvalidatePending(v);
    const int s = (vertical ? v.ClientHeight : v.ClientWidth) / 10;
    auto scroll = [&](int step) {
        if (vertical)
            ScrollWindowBy(v, 0, step, true);
        else
            ScrollWindowBy(v, step, 0, true);
    };
    switch (code) {
    case ScrollCode::LineUp: scroll(-s); break;
    case ScrollCode::LineDown: scroll(s); break;
    case ScrollCode::PageUp: scroll(-9 * s); break;
    case ScrollCode::PageDown: scroll(9 * s); break;
    case ScrollCode::Thumb:
        if (v.Document) {
            const SetupRecord& st = v.Document->Setup;
            const int32_t mm = int32_t(std::clamp<int64_t>(int64_t(pos) * 25600, SafeRoundMin, SafeRoundMax));
            if (vertical)
                SetViewOffset(v, st.ViewCenterX, -mm);
            else
                SetViewOffset(v, mm, st.ViewCenterY);
        }
        break;
    case ScrollCode::EndScroll: InvalidatePending(v); break;
    }
    if (v.Form)
        v.Form->FocusSurface();
}

} // namespace

void HScrollScroll(MapView& v, ScrollCode code, int pos) { ScrollBar(v, code, pos, false); }
void VScrollScroll(MapView& v, ScrollCode code, int pos) { ScrollBar(v, code, pos, true); }

void ScrollTimerTimer(MapView& v)
{
    // Timers still run while a paint polls its input.
    if (Work.PaintBusy)
        return;
    // The timer of a window that is no longer the active one would take the focus back to it.
    if (Work.ActiveView != &v) {
        v.SwallowClick = false;
        if (v.Form)
            v.Form->SetScrollTimer(false);
        return;
    }
    if (v.SwallowClick) {
        v.SwallowClick = false;
        if (v.Form)
            v.Form->SetScrollTimer(false);
    }
    const QPoint p = v.LastMousePoint;
    const int dx = p.x() > v.ClientWidth ? 10 : p.x() < 0 ? -10 : 0;
    const int dy = p.y() > v.ClientHeight ? 10 : p.y() < 0 ? -10 : 0;
    ScrollWindowBy(v, dx, dy, false);
    v.RepaintAfterDrag = true;
}

} // namespace zemo
