#include "edit/StchObj.h"

#include "core/EventGuard.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/DrCurve.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/Pick.h"
#include "edit/Work.h"
#include "render/Bezier.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zemo {

StchObjState StchObj;

namespace {

bool Single()
{
    return Index.SelectedIndex > 0;
}

int32_t Clamp32(double v)
{
    return int32_t(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

// The selection's rectangles at the current factors (XOR: a second call removes them).
void DrawRects()
{
    for (int n : SelectedObjects()) {
        if (!GetIndex(n))
            continue;
        const CordRect r = StretchedRect(Index.CurIndex.Rect, StchObj);
        const QPoint a = CordToDevice(Cord{r.x1, r.y1}), b = CordToDevice(Cord{r.x2, r.y2});
        XorRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.y(), b.y()), std::max(a.x(), b.x()));
    }
}

} // namespace

void ResetStchObj()
{
    StchObj = StchObjState{};
}

void StretchSetUp(const CordRect& f, int handle, bool aboutCentre, Cord p, StchObjState& s)
{
    const int64_t cx = Masked(int32_t((int64_t(f.x1) + f.x2) / 2));
    const int64_t cy = Masked(int32_t((int64_t(f.y1) + f.y2) / 2));
    bool sx = true, sy = true;
    int64_t ax = cx, ay = cy;
    if (aboutCentre) {
        sx = handle != 1 && handle != 5;
        sy = handle != 3 && handle != 7;
    } else {
        // The side opposite to the handle stays.
        switch (handle) {
        case 0: ax = f.x2; ay = f.y2; break;
        case 1: ay = f.y2; sx = false; break;
        case 2: ax = f.x1; ay = f.y2; break;
        case 3: ax = f.x1; sy = false; break;
        case 4: ax = f.x1; ay = f.y1; break;
        case 5: ay = f.y1; sx = false; break;
        case 6: ax = f.x2; ay = f.y1; break;
        default: ax = f.x2; sy = false; break;
        }
    }
    s.Handle = handle;
    s.AnchorX = ax;
    s.AnchorY = ay;
    s.RefX = sx ? Masked(p.x) - ax : 0;
    s.RefY = sy ? Masked(p.y) - ay : 0;
    s.FactorX = s.FactorY = 1;
}

void StretchFactors(const StchObjState& s, Cord p, double& fx, double& fy)
{
    fx = s.RefX != 0 ? double(Masked(p.x) - s.AnchorX) / double(s.RefX) : 1.0;
    fy = s.RefY != 0 ? double(Masked(p.y) - s.AnchorY) / double(s.RefY) : 1.0;
    if (s.Handle % 2 == 0) {
        const double m = std::min(std::fabs(fx), std::fabs(fy));
        fx = std::copysign(m, fx);
        fy = std::copysign(m, fy);
    }
}

CordRect StretchedRect(const CordRect& r, const StchObjState& s)
{
    auto x = [&](int32_t v) { return Clamp32(double(s.AnchorX) + (double(v) - double(s.AnchorX)) * s.FactorX); };
    auto y = [&](int32_t v) { return Clamp32(double(s.AnchorY) + (double(v) - double(s.AnchorY)) * s.FactorY); };
    CordRect out{x(r.x1), y(r.y1), x(r.x2), y(r.y2)};
    NormalizeRect(out);
    return out;
}

void BeginStretch()
{
    GuardEvent("StchObj", "BeginStretch", [] {
        if (Single()) {
            ReadElement(Index.SelectedIndex, Index.CurElement);
            BeginSelectedEdit();
            CopyRecord(Index.CurElement, Index.AuxElement1);
            UnmarkElement(Index.CurElement);
        } else {
            UnmarkMulti(0, 0);
        }
        StretchSetUp(EditSys.StretchBox, Pick.HitHandle, Work.ShiftDown, Work.CursorMapPos, StchObj);
        UnmarkStretch();
        StchObj.PreviewShown = false;
    });
    UpdateStretch();
}

void UpdateStretch()
{
    GuardEvent("StchObj", "UpdateStretch", [] {
        StretchFactors(StchObj, Work.CursorMapPos, StchObj.FactorX, StchObj.FactorY);
        if (Single()) {
            const ElementRecord& copy = Index.AuxElement1;
            StretchPoints(copy, Index.CurElement, MovedRange(copy, Index.SelectedHoleStart), StchObj.AnchorX,
                          StchObj.AnchorY, StchObj.FactorX, StchObj.FactorY);
            MarkElement(Index.CurElement);
        } else {
            DrawRects();
        }
        StchObj.PreviewShown = true;
    });
}

void EraseStretch()
{
    if (!StchObj.PreviewShown)
        return;
    GuardEvent("StchObj", "EraseStretch", [] {
        if (Single())
            UnmarkElement(Index.CurElement);
        else
            DrawRects();
    });
    StchObj.PreviewShown = false;
}

void EndStretch()
{
    EraseStretch();
    GuardEvent("StchObj", "EndStretch", [] {
        if (Single()) {
            if (SaveSelectedChange(Index.AuxElement1))
                RedrawSelectedChange(false);
            MarkElement(Index.CurElement);
            MarkStretch();
            DocumentPorts().UpdateUndoButtons();
            return;
        }
        const StchObjState s = StchObj;
        ChangeSelection([&s](ElementRecord& e) {
            StretchPoints(e, e, {0, MovedCount(e)}, s.AnchorX, s.AnchorY, s.FactorX, s.FactorY);
        });
        MarkMulti(0, 0);
        MarkStretch();
    });
}

void CancelStretch()
{
    EraseStretch();
    if (Single())
        CopyRecord(Index.AuxElement1, Index.CurElement);
}

} // namespace zemo
