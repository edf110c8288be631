#include "edit/Rotate.h"

#include "core/EventGuard.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/EditTransform.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "platform/Device.h"
#include "render/Scale.h"

#include <QPoint>

#include <algorithm>
#include <cmath>
#include <vector>

namespace zemo {

RotateUnitState RotateTool;

namespace {

ElementRecord& E() { return Index.CurElement; }

bool Single()
{
    return Index.SelectedIndex > 0;
}

Cord Pointer()
{
    return {Masked(Work.CursorMapPos.x), Masked(Work.CursorMapPos.y)};
}

void ReadSelected()
{
    ReadElement(Index.SelectedIndex, E());
    GetSymbol(E().Symbol, Index.CurSymbol);
}

void TurnAngles(int turn)
{
    TurnSinCos(turn, RotateTool.RotateSin, RotateTool.RotateCos);
}

void HideAnchor()
{
    if (EditSys.AnchorShown)
        MarkAnchor();
    EditSys.AnchorShown = false;
}

// The frame of a selected object (as the selection's frames lie) turned about the centre.
void DrawTurnedFrame(const ObjectIndexEntry& entry)
{
    SymbolBytes* sym = nullptr;
    GetSymbol(entry.Symbol, sym);
    const int type = sym ? SymI16(*sym, SymObjectType) : 0;
    int64_t e = 0;
    if (sym && type != PointObject) {
        const int k = type == AreaObject ? 1 : 3;
        e = Masked(SafeRound(double(SymI16(*sym, SymExtent)) * 256 - std::nearbyint(k / Scale.ViewScaleX)));
    }
    const CordRect& r = entry.Rect;
    auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax)); };
    Cord c[4] = {{clamp(r.x1 + e), clamp(r.y1 + e)}, {clamp(r.x1 + e), clamp(r.y2 - e)},
                 {clamp(r.x2 - e), clamp(r.y2 - e)}, {clamp(r.x2 - e), clamp(r.y1 + e)}};
    const Cord centre = RotateTool.RotateCentre;
    RotatePoints(centre.x, centre.y, c, 4, RotateTool.RotateCos, RotateTool.RotateSin, c);
    std::vector<QPointF> pts;
    for (const Cord& p : c)
        pts.emplace_back(CordToDevice(p));
    pts.push_back(pts.front());
    if (Device* dc = GetEditDC())
        dc->polyline(pts);
}

// Turns an object's positions (a point object: its one) about `centre`, and its angle.
void TurnObject(ElementRecord& e, Cord centre, double cosA, double sinA, int turn)
{
    TurnPoints(e, e, {0, MovedCount(e)}, centre, cosA, sinA);
    if (AngleTurns(e))
        e.Angle = TurnedAngle(e.Angle, turn);
}

void ErasePreview()
{
    if (!RotateTool.PreviewShown)
        return;
    if (Single())
        UnmarkElement(E());
    else
        PreviewRotation(RotateTool.RotateAngle);
    RotateTool.PreviewShown = false;
}

void Finish()
{
    const int turn = RotateTool.RotateAngle - RotateTool.RotateStartAngle;
    TurnAngles(turn);
    if (Single()) {
        UnmarkElement(E());
        RotateTool.PreviewShown = false;
        if (SaveSelectedChange(Index.AuxElement1))
            RedrawSelectedChange(true);
        MarkElement(E());
        DocumentPorts().UpdateUndoButtons();
        return;
    }
    ErasePreview();
    const Cord centre = RotateTool.RotateCentre;
    const double c = RotateTool.RotateCos, s = RotateTool.RotateSin;
    ChangeSelection([centre, c, s, turn](ElementRecord& e) { TurnObject(e, centre, c, s, turn); });
    MarkMulti(0, 0);
}

} // namespace

void ResetRotateTool()
{
    RotateTool = RotateUnitState{};
}

void RegisterRotateTool()
{
    RegisterTool(ToolModes::Rotate, {[](const ToolStartArgs&) { RotateStart(); }, &RotateEnd, &RotateMouseDown,
                                     &RotateMoveBefore, &RotateMoveAfter, &RotateMouseUp, {}});
}

void RotateStart()
{
    if (!Single() && Index.SelectionCount < 2)
        return;
    Work.ToolMode = ToolModes::Rotate;
    RotateTool.RotateState = WaitingForCentre;
    RotateTool.PreviewShown = false;
    GuardEvent("Rotate", "RotateStart", [] {
        if (Single()) {
            ReadSelected();
            if (!EditSys.MarksShown)
                MarkElement(E());
        } else if (!EditSys.MultiMarksShown) {
            MarkMulti(0, 0);
        }
        SetToolCursor(AnchorCursor);
        SetStatusText(Text(TextKey::MarkCenter));
        EditPorts().SetHelpContext(RotateHelpContext);
    });
}

void RotateEnd()
{
    if (Work.ToolMode != ToolModes::Rotate)
        return;
    GuardEvent("Rotate", "RotateEnd", [] {
        HideAnchor();
        if (RotateTool.RotateState == Rotating) {
            ErasePreview();
            if (Single())
                CopyRecord(Index.AuxElement1, E());
        }
        ClearStatusText();
        UnmarkSelection();
        FinishPendingChange();
    });
    RotateTool.RotateState = WaitingForCentre;
    Work.ToolMode = ToolModes::None;
    SetToolCursor(StandardCursor);
}

void RotateMouseDown()
{
    GuardEvent("Rotate", "RotateMouseDown", [] {
        const Cord p = Pointer();
        if (RotateTool.RotateState == WaitingForCentre) {
            RotateTool.RotateCentre = p;
            EditSys.AnchorPos = p;
            MarkAnchor();
            EditSys.AnchorShown = true;
            RotateTool.RotateState = CentrePressed;
        } else if (RotateTool.RotateState == CentrePlaced) {
            if (Single()) {
                ReadSelected();
                BeginSelectedEdit();
                CopyRecord(E(), Index.AuxElement1);
                // The marks shown are the object turned by nothing.
                RotateTool.PreviewShown = EditSys.MarksShown;
            } else {
                if (EditSys.MultiMarksShown)
                    UnmarkMulti(0, 0);
                RotateTool.PreviewShown = false;
            }
            RotateTool.RotatePoint = p;
            RotateTool.RotateStartAngle = RotateTool.RotateAngle = LGetHorDir(RotateTool.RotateCentre, p);
            RotateTool.RotateState = Rotating;
        }
    });
}

void RotateMoveBefore()
{
    if (RotateTool.RotateState != Rotating)
        return;
    GuardEvent("Rotate", "RotateMoveBefore", [] { ErasePreview(); });
}

void RotateMoveAfter()
{
    if (RotateTool.RotateState != Rotating)
        return;
    GuardEvent("Rotate", "RotateMoveAfter", [] {
        RotateTool.RotatePoint = Pointer();
        RotateTool.RotateAngle = LGetHorDir(RotateTool.RotateCentre, RotateTool.RotatePoint);
        PreviewRotation(RotateTool.RotateAngle);
        RotateTool.PreviewShown = true;
    });
}

void RotateMouseUp()
{
    GuardEvent("Rotate", "RotateMouseUp", [] {
        if (RotateTool.RotateState == CentrePressed) {
            RotateTool.RotateState = CentrePlaced;
            SetToolCursor(RotateCursor);
            SetStatusText(Text(TextKey::RotateObj));
        } else if (RotateTool.RotateState == Rotating) {
            HideAnchor();
            SetToolCursor(AnchorCursor);
            RotateTool.RotateState = WaitingForCentre;
            Finish();
            SetStatusText(Text(TextKey::MarkCenter));
        }
    });
}

void PreviewRotation(int angle)
{
    GuardEvent("Rotate", "PreviewRotation", [angle] {
        const int turn = angle - RotateTool.RotateStartAngle;
        TurnAngles(turn);
        if (Single()) {
            const ElementRecord& copy = Index.AuxElement1;
            CopyRecord(copy, E());
            TurnPoints(copy, E(), MovedRange(copy, Index.SelectedHoleStart), RotateTool.RotateCentre,
                       RotateTool.RotateCos, RotateTool.RotateSin);
            if (AngleTurns(copy))
                E().Angle = TurnedAngle(copy.Angle, turn);
            MarkElement(E());
            return;
        }
        for (int n : SelectedObjects())
            if (GetIndex(n))
                DrawTurnedFrame(Index.CurIndex);
    });
}

void RotateByAngle()
{
    double degrees = 0;
    if (EditPorts().RunRotateDialog(degrees))
        RotateSelectionBy(degrees);
}

void RotateSelectionBy(double degrees)
{
    GuardEvent("Rotate", "RotateByAngle", [degrees] {
        const double tenths = degrees * 10;
        double sinA = 0, cosA = 1;
        TurnSinCos(tenths, sinA, cosA);
        const int turn = int(std::nearbyint(tenths));
        const Cord origin{0, 0};
        HideMark();
        if (Single()) {
            ReadSelected();
            BeginSelectedEdit();
            CopyRecord(E(), Index.AuxElement1);
            TurnObject(E(), origin, cosA, sinA, turn);
            if (SaveSelectedChange(Index.AuxElement1))
                RedrawSelectedChange(true);
            DocumentPorts().UpdateUndoButtons();
        } else if (Index.SelectionCount >= 2) {
            ChangeSelection([origin, cosA, sinA, turn](ElementRecord& e) { TurnObject(e, origin, cosA, sinA, turn); });
        }
        Mark();
    });
}

} // namespace zemo
