#include "edit/MapTrans.h"

#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace zemo {

namespace {

constexpr double AreaLimit = MapAreaLimit;
constexpr int ProgressStep = 10;

bool Inside(int64_t v)
{
    return v >= -MapAreaLimit && v <= MapAreaLimit;
}

bool Inside(Cord c)
{
    return Inside(Masked(c.x)) && Inside(Masked(c.y));
}

// The points a transform moves: a point object's first, any other object's all.
int MovedPoints(const ElementRecord& e)
{
    return e.ObjectType == PointObject ? std::min<int>(e.nItem, 1) : e.nItem;
}

// Ends the progress display also when a file error ends the pass.
class ProgressScope {
public:
    ProgressScope(TextKey caption, TextKey countMessage, int total, bool canStop)
    {
        StartProgress(caption, countMessage, total, ProgressStep, canStop);
    }
    ~ProgressScope() { EndProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};

} // namespace

// ---- One object ----

bool MoveObjectPoints(ElementRecord& e, int32_t dx, int32_t dy)
{
    bool ok = true;
    Cord* c = e.Cords();
    for (int i = 0, n = MovedPoints(e); i < n; ++i) {
        // dx and dy have no flag bits: the point's own stay as they are.
        const int64_t x = int64_t(c[i].x) + dx, y = int64_t(c[i].y) + dy;
        if (Inside(x & ~int64_t(FlagMask)) && Inside(y & ~int64_t(FlagMask)))
            c[i] = {int32_t(x), int32_t(y)};
        else
            ok = false;
    }
    return ok;
}

bool StretchObjectPoints(ElementRecord& e, double fx, double fy)
{
    bool ok = true;
    Cord* c = e.Cords();
    for (int i = 0, n = MovedPoints(e); i < n; ++i) {
        const double x = double(Masked(c[i].x)) * fx, y = double(Masked(c[i].y)) * fy;
        if (std::abs(x) <= AreaLimit && std::abs(y) <= AreaLimit)
            c[i] = {Masked(SafeRound(x)) | Flags(c[i].x), Masked(SafeRound(y)) | Flags(c[i].y)};
        else
            ok = false;
    }
    if (e.ObjectType == RectangleObject && e.nItem >= 4) {
        if (fx < 0) {
            std::swap(c[0], c[1]);
            std::swap(c[2], c[3]);
        }
        if (fy < 0) {
            std::swap(c[0], c[3]);
            std::swap(c[1], c[2]);
        }
    }
    return ok;
}

bool ScaleObjectPoints(ElementRecord& e, double f)
{
    return StretchObjectPoints(e, f, f);
}

int NormalizeAngle(int tenths)
{
    tenths %= 3600;
    if (tenths > 1800)
        tenths -= 3600;
    else if (tenths < -1800)
        tenths += 3600;
    return tenths;
}

bool RotateObjectPoints(ElementRecord& e, double cosA, double sinA, int t, bool turnAngle)
{
    Cord* c = e.Cords();
    const int n = MovedPoints(e);
    if (e.ObjectType == RectangleObject && n >= 4 && !turnAngle) {
        // The corners keep their orientation: they follow the first one.
        const Cord first = c[0];
        RotatePoints(0, 0, c, 1, cosA, sinA, c);
        for (int i = 1; i < 4; ++i)
            ShiftCord(c[i], c[0], first);
    } else {
        RotatePoints(0, 0, c, n, cosA, sinA, c);
    }
    bool ok = true;
    for (int i = 0; i < n; ++i)
        ok = ok && Inside(c[i]);
    int angle = NormalizeAngle(e.Angle);
    if (turnAngle)
        angle = NormalizeAngle(angle + t);
    e.Angle = int16_t(angle);
    return ok;
}

// ---- The shared pass ----

bool ConfirmMapArea(const std::function<void(double& x, double& y)>& map)
{
    CordRect r;
    if (!GetMapExtent(r))
        return true;
    const double corners[4][2] = {{double(r.x1), double(r.y1)}, {double(r.x2), double(r.y1)},
                                  {double(r.x2), double(r.y2)}, {double(r.x1), double(r.y2)}};
    bool stays = true;
    for (const auto& corner : corners) {
        double x = corner[0], y = corner[1];
        map(x, y);
        stays = stays && std::abs(x) <= AreaLimit && std::abs(y) <= AreaLimit;
    }
    return stays || OkCancelMsg(TextKey::OutOfArea, {}, OutOfAreaHelpContext) == IdOk;
}

MapPassResult ChangeAllObjects(TextKey caption, TextKey countMessage, bool canStop,
                               const std::function<ObjectChange(ElementRecord&)>& change)
{
    MapPassResult result;
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return result;
    const int highest = z->HighestObject;
    UndoSuspend noUndo;
    ProgressScope progress(caption, countMessage, highest, canStop);
    for (int n = 1; n <= highest && !(canStop && AbortRequested); ++n) {
        if (!GetIndex(n) || !ReadElement(n, CurElement) || CurElement.nItem == 0)
            continue;
        switch (change(CurElement)) {
        case ObjectChange::Keep:
            break;
        case ObjectChange::Save:
            SaveElement(n);
            ++result.Changed;
            break;
        case ObjectChange::Delete:
            DeleteElement(n);
            ++result.Changed;
            ++result.Deleted;
            break;
        }
        UpdateProgress(result.Changed, n);
        if (canStop)
            DispatchKeyMessages();
    }
    FlushMapFile();
    return result;
}

void RepaintMapWindows()
{
    for (MapView* v : MapViews())
        if (v->Form && v->Document && v->Document == Index.ActiveZmd)
            v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
}

WholeMapChange::~WholeMapChange()
{
    ClearUndo();
    RepaintMapWindows();
}

// ---- The commands ----

void MoveMapBy(const MoveMapValues& v)
{
    if (!Index.ActiveZmd)
        return;
    const int32_t dx = int32_t(int64_t(SafeRound(v.HorMm * 100)) * UnitsPerHundredthMm);
    const int32_t dy = int32_t(int64_t(SafeRound(v.VerMm * 100)) * UnitsPerHundredthMm);
    // Moved by nothing: no change of the map.
    if (dx == 0 && dy == 0)
        return;
    if (!ConfirmMapArea([&](double& x, double& y) {
            x += dx;
            y += dy;
        }))
        return;
    DropSelection();
    WholeMapChange change;
    ChangeAllObjects(TextKey::MoveMap, TextKey::ObjMoved, false,
                     [&](ElementRecord& e) { return KeptIf(MoveObjectPoints(e, dx, dy)); });
}

void StretchMapBy(const StretchMapValues& v)
{
    if (!Index.ActiveZmd)
        return;
    const double fx = v.HorPercent / 100 * (v.MirrorHor ? -1 : 1);
    const double fy = v.VerPercent / 100 * (v.MirrorVer ? -1 : 1);
    if (fx == 1 && fy == 1)
        return;
    if (!ConfirmMapArea([&](double& x, double& y) {
            x *= fx;
            y *= fy;
        }))
        return;
    WholeMapChange change;
    const MapPassResult done = ChangeAllObjects(
        TextKey::StretchMap, TextKey::ObjStretched, false,
        [&](ElementRecord& e) { return KeptIf(StretchObjectPoints(e, fx, fy)); });
    // The selection stays with its objects; one that lost an object goes.
    if (done.Deleted > 0) {
        DropSelection();
    } else if (Index.SelectedIndex > 0 || Index.SelectionCount > 0) {
        SetSelectionBox();
        if (Index.SelectedIndex > 0)
            ReadElement(Index.SelectedIndex, CurElement);
    }
}

void RotateMapBy(const RotateMapValues& v)
{
    TZmd* z = Index.ActiveZmd;
    if (!z || v.Degrees == 0)
        return;
    const double a = v.Degrees / 180 * std::numbers::pi;
    const double s = std::sin(a), c = std::cos(a);
    const int t = SafeRoundSmall(v.Degrees * 10);
    if (!ConfirmMapArea([&](double& x, double& y) {
            const double rx = x * c - y * s;
            y = x * s + y * c;
            x = rx;
        }))
        return;
    DropSelection();
    WholeMapChange change;
    ChangeAllObjects(TextKey::RotateMap, TextKey::ObjRotated, false, [&](ElementRecord& e) {
        SymbolBytes* sym = nullptr;
        // An imported object without a symbol, or one whose symbol is missing, has nothing
        // that could turn.
        const bool found = e.Symbol > 0 && GetSymbol(e.Symbol, sym);
        const bool rotatable = found && (SymU8(*sym, SymFlags) & SymRotatableFlag);
        return KeptIf(RotateObjectPoints(e, c, s, t, rotatable || v.RotateSymbols));
    });
    z->Setup.RealWorldAngle = WrapSetupAngle(z->Setup.RealWorldAngle + v.Degrees);
    WriteSetup();
}

void MoveMap()
{
    MoveMapValues v;
    if (Index.ActiveZmd && EditPorts().RunMoveMapDialog(v))
        MoveMapBy(v);
}

void StretchMap()
{
    StretchMapValues v;
    if (Index.ActiveZmd && EditPorts().RunStretchMapDialog(v))
        StretchMapBy(v);
}

void RotateMap()
{
    RotateMapValues v;
    if (Index.ActiveZmd && EditPorts().RunRotateMapDialog(v))
        RotateMapBy(v);
}

} // namespace zemo
