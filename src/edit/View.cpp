#include "edit/View.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zemo {

ViewUnitState ViewTool;

namespace {

constexpr double MinZoom = 0.01;
constexpr double MaxZoom = 32;

MapView* ActiveMapView()
{
    MapView* v = Work.ActiveView;
    return v && v->Document && Index.MapOpen ? v : nullptr;
}

// The setup keeps zooms of 0.01 to 32 only (a value outside becomes the default on writing).
double ClampZoom(double z)
{
    return std::isfinite(z) ? std::clamp(z, MinZoom, MaxZoom) : MinZoom;
}

void Timer(bool on)
{
    ViewTool.TimerOn = on;
    EditPorts().SetViewTimer(on, 100);
}

QPoint CursorNow()
{
    return EditPorts().CursorClientPos();
}

bool InsideSurface(const MapView& v, QPoint p)
{
    return p.x() >= 0 && p.y() >= 0 && p.x() <= v.ClientWidth && p.y() <= v.ClientHeight;
}

void Repaint(MapView& v)
{
    if (v.Form)
        v.Form->InvalidateRect({0, 0, v.ClientWidth, v.ClientHeight});
}

// The new view into the setup (limited by the transform), written, the window repainted.
void StoreView(MapView& v)
{
    SetupRecord& s = v.Document->Setup;
    s.Zoom = ClampZoom(s.Zoom);
    UpdateViewOf(v);
    s.Zoom = ClampZoom(s.Zoom);
    WriteViewSetup();
    ShowZoom();
    Repaint(v);
}

void PushHistory(SetupRecord& s)
{
    for (size_t i = s.ViewHistory.size() - 1; i > 0; --i)
        s.ViewHistory[i] = s.ViewHistory[i - 1];
    s.ViewHistory[0] = {s.Zoom, s.ViewCenterX, s.ViewCenterY};
    s.ViewHistoryCount = std::clamp(s.ViewHistoryCount + 1, 1, int(s.ViewHistory.size()));
}

void DrawFrame()
{
    const QPoint c = ViewTool.FrameCentre;
    const int w = ViewTool.FrameHalfWidth, h = ViewTool.FrameHalfHeight;
    XorRect(c.x() - w, c.y() - h, c.y() + h, c.x() + w);
}

void EraseFrame()
{
    if (ViewTool.FrameShown) {
        DrawFrame();
        ViewTool.FrameShown = false;
    }
}

void DrawZoomRect()
{
    const QPoint a = CordToDevice(ViewTool.ZoomRect[0]);
    const QPoint b = CordToDevice(ViewTool.ZoomRect[1]);
    XorRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.y(), b.y()), std::max(a.x(), b.x()));
}

void EraseZoomRect()
{
    if (ViewTool.ZoomRectShown) {
        DrawZoomRect();
        ViewTool.ZoomRectShown = false;
    }
}

void EndRunningView()
{
    if (Work.ToolMode == ToolModes::View)
        ViewEnd();
}

// Every entry point that starts the tool: the tool it interrupts comes back at its end.
bool EnterViewTool(int state, int cursor)
{
    EndRunningView();
    MapView* v = ActiveMapView();
    if (!v)
        return false;
    ViewTool.ViewPreviousMode = Work.ToolMode;
    Work.ToolMode = ToolModes::View;
    ViewTool.ViewPreviousCursor = EditPorts().SurfaceCursor();
    ViewTool.ViewState = state;
    ViewTool.FrameShown = false;
    ViewTool.ZoomRectShown = false;
    UpdateViewOf(*v);
    SetToolCursor(cursor);
    return true;
}

int32_t Clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace


void ResetViewUnit()
{
    ViewTool = ViewUnitState{};
}

void RegisterViewTool()
{
    RegisterTool(ToolModes::View, {[](const ToolStartArgs&) { StartMoveView(); }, ViewEnd,
                                   ViewMouseDown, ViewMoveErase, ViewMoveDraw, ViewMouseUp,
                                   ViewKeyPress});
}

// ---- Entry points ----

void StartMoveView()
{
    if (!EnterViewTool(ViewPanWaiting, MoveViewCursor))
        return;
    SetStatusText(Text(TextKey::MoveView));
}

void ZoomIn()
{
    EnterViewTool(ViewZoomWaiting, ZoomCursor);
}

void ZoomToFactor(double factor)
{
    MapView* v = ActiveMapView();
    if (!v || !std::isfinite(factor) || factor <= 0)
        return;
    const double zoom = v->Document->Setup.Zoom;
    if (factor > zoom)
        StartZoomFrame(factor);
    else if (factor == zoom)
        StartMoveView();
    else
        SetZoom(factor);
}

void StartZoomFrame(double factor)
{
    if (!std::isfinite(factor) || factor <= 0 || !EnterViewTool(ViewFrameFollowing, ZoomCursor))
        return;
    MapView& v = *Work.ActiveView;
    const double zoom = v.Document->Setup.Zoom;
    ViewTool.ZoomFactor = ClampZoom(factor);
    ViewTool.FrameHalfWidth = int(std::nearbyint(v.ClientWidth / 2.0 * zoom / ViewTool.ZoomFactor));
    ViewTool.FrameHalfHeight = int(std::nearbyint(v.ClientHeight / 2.0 * zoom / ViewTool.ZoomFactor));
    Timer(true);
    const QPoint at = CursorNow();
    if (InsideSurface(v, at)) {
        ViewTool.FrameCentre = at;
        DrawFrame();
        ViewTool.FrameShown = true;
    }
}

void SetZoom(double factor)
{
    EndRunningView();
    MapView* v = ActiveMapView();
    if (!v || !std::isfinite(factor) || factor <= 0)
        return;
    SetupRecord& s = v->Document->Setup;
    s.Zoom = ClampZoom(factor);
    s.ViewHistoryCount = 0;
    StoreView(*v);
}

void ZoomOut()
{
    EndRunningView();
    MapView* v = ActiveMapView();
    if (!v)
        return;
    SetupRecord& s = v->Document->Setup;
    const int count = std::clamp(s.ViewHistoryCount, 0, int(s.ViewHistory.size()));
    if (count == 0) {
        s.Zoom = s.Zoom / 2;
    } else {
        const ViewHistoryEntry e = s.ViewHistory[0];
        s.Zoom = e.Zoom;
        s.ViewCenterX = e.CenterX;
        s.ViewCenterY = e.CenterY;
        for (size_t i = 0; i + 1 < s.ViewHistory.size(); ++i)
            s.ViewHistory[i] = s.ViewHistory[i + 1];
        s.ViewHistory.back() = {};
        s.ViewHistoryCount = count - 1;
    }
    StoreView(*v);
}

void ViewEntire()
{
    const bool screenWin = Work.ToolMode == ToolModes::ScreenWindow;
    EndRunningView();
    MapView* v = ActiveMapView();
    if (!v || v->ClientWidth <= 0 || v->ClientHeight <= 0)
        return;
    CordRect r;
    GetFullExtent(r);
    if (screenWin && EditSys.ScreenWinShown) {
        const Cord a = EditSys.ScreenWinRect[0], b = EditSys.ScreenWinRect[1];
        ExtendRect(r, {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
    }
    const double cw = v->ClientWidth, ch = v->ClientHeight;
    const double w = double(r.x2) - r.x1, h = double(r.y2) - r.y1;
    const int64_t m = h / ch >= w / cw ? Masked(SafeRound(h * 0.01)) : SafeRound(w * 0.01);
    const int64_t x1 = std::max<int64_t>(r.x1 - m, -MapAreaLimit), x2 = std::min<int64_t>(r.x2 + m, MapAreaLimit);
    const int64_t y1 = std::max<int64_t>(r.y1 - m, -MapAreaLimit), y2 = std::min<int64_t>(r.y2 + m, MapAreaLimit);
    if (x2 <= x1 || y2 <= y1)
        return;
    SetupRecord& s = v->Document->Setup;
    s.ViewCenterX = Masked(int32_t((x1 + x2) / 2));
    s.ViewCenterY = Masked(int32_t((y1 + y2) / 2));
    s.Zoom = std::min(cw / double(x2 - x1), ch / double(y2 - y1)) * 32 * 256;
    s.ViewHistoryCount = 0;
    StoreView(*v);
}

void CenterOnObject(int n)
{
    MapView* v = ActiveMapView();
    if (!v || n <= 0 || !ReadElement(n, Index.CurElement) || !GetIndex(n))
        return;
    DropSelection();
    Index.SelectedIndex = n;
    const ElementRecord& e = Index.CurElement;
    GetSymbol(e.Symbol, Index.CurSymbol);
    CordRect rect = Index.CurIndex.Rect;
    EditSys.StretchBox = rect;
    ShowObjectSymbol(e);
    int64_t cx, cy;
    if (e.ObjectType == PointObject && e.nItem > 0) {
        cx = Masked(e.Cords()[0].x);
        cy = Masked(e.Cords()[0].y);
        const int64_t ext = int64_t(Index.CurSymbol ? SymI16(*Index.CurSymbol, SymExtent) : 0) * 256;
        rect = {Clamp32(cx - ext), Clamp32(cy - ext), Clamp32(cx + ext), Clamp32(cy + ext)};
    } else {
        cx = Masked(int32_t((int64_t(rect.x1) + rect.x2) / 2));
        cy = Masked(int32_t((int64_t(rect.y1) + rect.y2) / 2));
    }
    UpdateViewOf(*v);
    const double mx = 10 / Scale.ViewScaleX, my = 10 / std::abs(Scale.ViewScaleY);
    const CordRect& d = Scale.DrawRect;
    const bool inside = rect.x1 >= d.x1 + mx && rect.x2 <= d.x2 - mx && rect.y1 >= d.y1 + my
                        && rect.y2 <= d.y2 - my;
    if (inside)
        return;
    SetupRecord& s = v->Document->Setup;
    s.ViewCenterX = int32_t(cx);
    s.ViewCenterY = int32_t(cy);
    StoreView(*v);
}

int ViewPositionFromRealWorld(double east, double north, Cord& out)
{
    const SetupRecord* s = Stp();
    if (!s)
        return 3;
    const RealWorldRef ref{s->MapScale, s->RealWorldOffsetX, s->RealWorldOffsetY, s->RealWorldAngle};
    Cord c;
    if (!RealWorldToCord(east, north, ref, c))
        return 3;
    if (c.x < -MapAreaLimit || c.x > MapAreaLimit)
        return 1;
    if (c.y < -MapAreaLimit || c.y > MapAreaLimit)
        return 2;
    out = c;
    return 0;
}

bool MoveViewToPosition(double east, double north)
{
    MapView* v = ActiveMapView();
    Cord c;
    if (!v || ViewPositionFromRealWorld(east, north, c) != 0)
        return false;
    SetupRecord& s = v->Document->Setup;
    s.ViewCenterX = c.x;
    s.ViewCenterY = c.y;
    StoreView(*v);
    return true;
}

void MoveViewTo()
{
    EndRunningView();
    double east = 0, north = 0;
    if (ActiveMapView() && EditPorts().RunViewDialog(east, north))
        MoveViewToPosition(east, north);
}

// ---- Tool procedures ----

void ViewEnd()
{
    if (Work.ToolMode != ToolModes::View)
        return;
    ClearStatusText();
    if (ViewTool.ViewState == ViewPanning)
        ProgramConfig.AutoScroll = ViewTool.SavedAutoScroll;
    EraseFrame();
    EraseZoomRect();
    Work.ToolMode = ViewTool.ViewPreviousMode;
    if (MapView* v = ActiveMapView())
        UpdateViewOf(*v);
    SetToolCursor(ViewTool.ViewPreviousCursor);
    Timer(false);
}

void ViewMouseDown()
{
    MapView* v = ActiveMapView();
    if (!v)
        return;
    switch (ViewTool.ViewState) {
    case ViewPanWaiting:
        ViewTool.PanPoint = CursorNow();
        ViewTool.ViewState = ViewPanning;
        Timer(false);
        ViewTool.SavedAutoScroll = ProgramConfig.AutoScroll;
        ProgramConfig.AutoScroll = false;
        break;
    case ViewZoomWaiting:
        ViewTool.ZoomRect[0] = ViewTool.ZoomRect[1] = Work.CursorMapPos;
        ViewTool.ViewState = ViewZoomDragging;
        break;
    case ViewFrameFollowing: ViewTool.ViewState = ViewFramePressed; break;
    default: break;
    }
}

void ViewMoveErase()
{
    switch (ViewTool.ViewState) {
    case ViewZoomDragging: EraseZoomRect(); break;
    case ViewFrameFollowing:
    case ViewFramePressed: EraseFrame(); break;
    default: break;
    }
}

void ViewMoveDraw()
{
    switch (ViewTool.ViewState) {
    case ViewPanning: {
        const QPoint now = CursorNow();
        const QPoint d = ViewTool.PanPoint - now;
        ViewTool.PanPoint = now;
        if (!d.isNull())
            ScrollViewBy(d.x(), d.y());
        break;
    }
    case ViewZoomDragging:
        ViewTool.ZoomRect[1] = Work.CursorMapPos;
        DrawZoomRect();
        ViewTool.ZoomRectShown = true;
        break;
    case ViewFrameFollowing:
    case ViewFramePressed:
        ViewTool.FrameCentre = CursorNow();
        DrawFrame();
        ViewTool.FrameShown = true;
        Timer(true);
        break;
    default: break;
    }
}

void ViewMouseUp()
{
    MapView* v = ActiveMapView();
    if (!v)
        return;
    SetupRecord& s = v->Document->Setup;
    switch (ViewTool.ViewState) {
    case ViewPanning:
        Repaint(*v);
        ViewEnd();
        break;
    case ViewZoomDragging: {
        if (s.Zoom < MaxZoom)
            PushHistory(s);
        EraseZoomRect();
        UpdateViewOf(*v);
        const QPoint a = CordToDevice(ViewTool.ZoomRect[0]);
        const QPoint b = CordToDevice(ViewTool.ZoomRect[1]);
        const int w = std::abs(b.x() - a.x()), h = std::abs(b.y() - a.y());
        double zoom = s.Zoom;
        if (w < 4 && h < 4) {
            zoom *= 2;
        } else {
            const double fx = w == 0 ? 1 : std::abs(double(v->ClientWidth) / w);
            const double fy = h == 0 ? 1 : std::abs(double(v->ClientHeight) / h);
            zoom *= std::min(fx, fy);
        }
        s.Zoom = std::min(zoom, MaxZoom);
        const Cord r0 = ViewTool.ZoomRect[0], r1 = ViewTool.ZoomRect[1];
        s.ViewCenterX = Masked(int32_t((int64_t(r0.x) + r1.x) / 2));
        s.ViewCenterY = Masked(int32_t((int64_t(r0.y) + r1.y) / 2));
        ViewEnd();
        StoreView(*v);
        break;
    }
    case ViewFramePressed:
        EraseFrame();
        PushHistory(s);
        s.ViewCenterX = Work.CursorMapPos.x;
        s.ViewCenterY = Work.CursorMapPos.y;
        s.Zoom = ViewTool.ZoomFactor;
        ViewEnd();
        StoreView(*v);
        break;
    default: break;
    }
}

void ViewKeyPress(int ch)
{
    if (ch == 27)
        ViewEnd();
}

void RedrawViewFeedback()
{
    if (Work.ToolMode != ToolModes::View)
        return;
    if (ViewTool.FrameShown)
        DrawFrame();
    if (ViewTool.ZoomRectShown)
        DrawZoomRect();
}

void ViewTimerTick()
{
    MapView* v = ActiveMapView();
    if (!v || ViewTool.ViewState != ViewFrameFollowing || !ViewTool.FrameShown)
        return;
    const QPoint at = CursorNow();
    if (at.x() < 0 || at.x() > v->ClientWidth || at.y() < 0 || at.y() > v->ClientHeight) {
        EraseFrame();
        Timer(false);
    }
}

} // namespace zemo
