#include "edit/DrPoint.h"

#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/DrFree.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zemo {

DrPointState DrPoint;

namespace {

// A drag up to this many pixels leaves a point unturned; a rectangle click.
constexpr int TurnPixels = 12;
constexpr int ClickPixels = 3;

ElementRecord& E() { return Index.CurElement; }

// The tool's figure in its state (XOR: a second call removes it).
void Figure()
{
    if (DrPoint.PlaceState == PlacingPoint)
        XorSegment(DrPoint.PlaceStart, DrPoint.PlaceEnd);
    else if (DrPoint.PlaceState == PlacingRectangle)
        XorRectangle(DrPoint.PlaceRect);
}

void PlacePoint()
{
    BeginElementEdit(0);
    DropSelection();
    ElementRecord& e = E();
    e.nItem = 1;
    e.nText = 0;
    e.Cords()[0] = DrPoint.PlaceStart;
    // A symbol's element keeps the colour the press read into the angle's word; only map
    // objects are turned by the drag.
    const bool graphics = Work.ActiveView && Work.ActiveView->SymbolGraphicsMode;
    if (!graphics) {
        e.Angle = 0;
        if (PixelsApart(DrPoint.PlaceStart, DrPoint.PlaceEnd, TurnPixels))
            e.Angle = int16_t(PointDragAngle(DrPoint.PlaceStart, DrPoint.PlaceEnd));
    }
    StoreNewObject();
}

void PlaceRectangle()
{
    const CordRect& r = DrPoint.PlaceRect;
    const int32_t x1 = std::min(r.x1, r.x2), x2 = std::max(r.x1, r.x2);
    const int32_t y1 = std::min(r.y1, r.y2), y2 = std::max(r.y1, r.y2);
    BeginElementEdit(0);
    DropSelection();
    ElementRecord& e = E();
    e.ObjectType = RectangleObject;
    e.nItem = 4;
    e.nText = 0;
    e.Angle = 0;
    Cord* p = e.Cords();
    p[0] = {x1, y1};
    p[1] = {x2, y1};
    p[2] = {x2, y2};
    p[3] = {x1, y2};
    StoreNewObject();
}

} // namespace

void ResetDrPoint()
{
    DrPoint = DrPointState{};
}

void RegisterPointTool()
{
    RegisterTool(ToolModes::PlacePoint, {[](const ToolStartArgs&) { PointStart(); }, &PointEnd, &PointMouseDown,
                                         &PointMoveBefore, &PointMoveAfter, &PointMouseUp, {}});
}

void PointStart()
{
    Work.ToolMode = ToolModes::PlacePoint;
    DrPoint.PlaceState = PlaceIdle;
    GuardEvent("DrPoint", "PointStart", [] {
        Index.CurSymbol = CurrentSymbol();
        DrPoint.RectangleSymbol = Index.CurSymbol && SymI16(*Index.CurSymbol, SymObjectType) == RectangleObject;
        SetToolCursor(DrPoint.RectangleSymbol ? DrawRectCursor : DrawPointCursor);
        EditPorts().SetHelpContext(DrPoint.RectangleSymbol ? RectangleHelpContext : PointHelpContext);
    });
}

void PointEnd()
{
    if (Work.ToolMode != ToolModes::PlacePoint)
        return;
    Work.ToolMode = ToolModes::None;
    // A point or rectangle still being dragged is not placed.
    GuardEvent("DrPoint", "PointEnd", [] { Figure(); });
    DrPoint.PlaceState = PlaceIdle;
    SetToolCursor(StandardCursor);
}

void PointMouseDown()
{
    GuardEvent("DrPoint", "PointMouseDown", [] {
        if (DrPoint.PlaceState != PlaceIdle || !Index.CurSymbol)
            return;
        DropSelection();
        ElementRecord& e = E();
        const SymbolBytes& s = *Index.CurSymbol;
        e.Symbol = SymI16(s, SymNumber);
        e.ObjectType = uint8_t(SymI16(s, SymObjectType));
        e.Flags = 0;
        e.nItem = 1;
        e.nText = 0;
        e.Angle = e.Word10 = e.Word12 = e.Word14 = 0;
        e.LayerName.fill(0);
        if (Work.ActiveView && Work.ActiveView->SymbolGraphicsMode
            && !EditPorts().ReadGraphicObjectParams(e))
            return;
        const Cord press = DrawCursor();
        e.Cords()[0] = press;
        if (DrPoint.RectangleSymbol) {
            DrPoint.PlaceRect = {press.x, press.y, press.x, press.y};
            DrPoint.PlaceState = PlacingRectangle;
        } else {
            DrPoint.PlaceStart = DrPoint.PlaceEnd = press;
            DrPoint.PlaceState = PlacingPoint;
        }
        Figure();
    });
}

void PointMoveBefore()
{
    GuardEvent("DrPoint", "PointMoveBefore", [] { Figure(); });
}

void PointMoveAfter()
{
    GuardEvent("DrPoint", "PointMoveAfter", [] {
        const Cord c = DrawCursor();
        if (DrPoint.PlaceState == PlacingPoint) {
            DrPoint.PlaceEnd = c;
        } else if (DrPoint.PlaceState == PlacingRectangle) {
            DrPoint.PlaceRect.x2 = c.x;
            DrPoint.PlaceRect.y2 = c.y;
        }
        Figure();
    });
}

void PointMouseUp()
{
    GuardEvent("DrPoint", "PointMouseUp", [] {
        const int state = DrPoint.PlaceState;
        Figure();
        DrPoint.PlaceState = PlaceIdle;
        if (state == PlacingPoint) {
            PlacePoint();
        } else if (state == PlacingRectangle) {
            const CordRect& r = DrPoint.PlaceRect;
            const bool click = !PixelsApart({r.x1, r.y1}, DrawCursor(), ClickPixels);
            if (!click || RunDrawRectDialog())
                PlaceRectangle();
        }
    });
}

int PointDragAngle(Cord from, Cord to)
{
    const int64_t dx = int64_t(Masked(to.x)) - Masked(from.x);
    const int64_t dy = int64_t(Masked(to.y)) - Masked(from.y);
    constexpr int64_t still = 3 * UnitsPerHundredthMm;
    if (std::llabs(dx) <= still && std::llabs(dy) <= still)
        return 0;
    if (dx == 0)
        return dy > 0 ? 0 : -1800;
    int angle = int(std::nearbyint(std::atan(double(dy) / double(dx)) * 1800 / std::numbers::pi)) - 900;
    if (dx < 0)
        angle += 1800;
    return angle;
}

bool RunDrawRectDialog()
{
    DrawRectAnswer answer;
    if (!EditPorts().DrawRectDialog(answer))
        return false;
    CordRect& r = DrPoint.PlaceRect;
    if (answer.aroundMap) {
        // A map without objects or shown templates has no extent to draw round.
        CordRect extent;
        if (!GetFullExtent(extent))
            return false;
        r = extent;
        return true;
    }
    double w = 0, h = 0;
    const bool scaled = DialogLength(answer.width, w) && DialogLength(answer.height, h);
    const int64_t x = int64_t(Masked(r.x1)) + int64_t(SafeRound(w)) * UnitsPerHundredthMm;
    const int64_t y = int64_t(Masked(r.y1)) + int64_t(SafeRound(h)) * UnitsPerHundredthMm;
    if (!scaled || x < -MapAreaLimit || x > MapAreaLimit || y < -MapAreaLimit || y > MapAreaLimit) {
        ErrorMsg(TextKey::RectOut);
        return false;
    }
    r.x2 = int32_t(x);
    r.y2 = int32_t(y);
    return true;
}

} // namespace zemo
