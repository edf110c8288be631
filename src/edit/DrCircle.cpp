#include "edit/DrCircle.h"

#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/DrCurve.h"
#include "edit/DrFree.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/Work.h"
#include "platform/Device.h"
#include "render/Bezier.h"
#include "render/Scale.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace zemo {

DrCircleState DrCircle;

namespace {

constexpr int ClickPixels = 3;
// The preview's flattening: depth and tolerance (0.01 mm).
constexpr int PreviewDepth = 4;
constexpr int PreviewTolerance = 4;

ElementRecord& E() { return Index.CurElement; }
int N() { return E().nItem; }
void SetN(int n) { E().nItem = uint16_t(std::max(n, 0)); }

void Idle()
{
    DrCircle.CircleState = 0;
    SetStatusText(Text(TextKey::DragDiam));
}

} // namespace

std::array<Cord, OutlinePoints> BuildOutline(Cord centre, double a, double b, double angle, bool ellipse)
{
    struct Row {
        double fx, fy;
        int32_t xFlag, yFlag;
    };
    constexpr double k = 0.55;
    const int32_t corner = ellipse ? CornerFlag : 0;
    const Row rows[OutlinePoints] = {
        {-1, 0, 0, 0},  {-1, -k, FirstBezierFlag, 0}, {-k, -1, SecondBezierFlag, 0}, {0, -1, 0, 0},
        {k, -1, FirstBezierFlag, 0}, {1, -k, SecondBezierFlag, 0}, {1, 0, 0, corner},
        {1, k, FirstBezierFlag, 0}, {k, 1, SecondBezierFlag, 0}, {0, 1, 0, 0},
        {-k, 1, FirstBezierFlag, 0}, {-1, k, SecondBezierFlag, 0}, {-1, 0, 0, 0}};
    std::array<Cord, OutlinePoints> out;
    for (int i = 0; i < OutlinePoints; ++i) {
        const Row& r = rows[i];
        out[size_t(i)] = {Masked(SafeRound(centre.x + r.fx * a)) | r.xFlag,
                          Masked(SafeRound(centre.y + r.fy * b)) | r.yFlag};
    }
    RotatePoints(centre.x, centre.y, out.data(), OutlinePoints, std::cos(angle), std::sin(angle), out.data());
    return out;
}

void XorOutline(const std::array<Cord, OutlinePoints>& outline)
{
    Device* dc = GetEditDC();
    if (!dc)
        return;
    std::vector<QPointF> line{QPointF(CordToDevice(Cord{Masked(outline[0].x), Masked(outline[0].y)}))};
    Cord pieces[1 << PreviewDepth];
    for (int s = 0; s + 3 < OutlinePoints; s += 3) {
        const int n = FlattenBezier(outline.data() + s, pieces, PreviewDepth, PreviewTolerance);
        for (int i = 0; i < n; ++i)
            line.emplace_back(CordToDevice(Cord{Masked(pieces[i].x), Masked(pieces[i].y)}));
    }
    dc->polyline(line);
}

void OutlinePreview::Show()
{
    if (!Shown) {
        XorOutline(Outline);
        Shown = true;
    }
}

void OutlinePreview::Hide()
{
    if (Shown) {
        XorOutline(Outline);
        Shown = false;
    }
}

void StoreOutline(const std::array<Cord, OutlinePoints>& outline, bool hole, int startCount)
{
    std::copy(outline.begin(), outline.end(), E().Cords() + N());
    SetN(N() + OutlinePoints);
    if (hole) {
        StoreIntoSelected(startCount, true, false);
        DocumentPorts().UpdateUndoButtons();
    } else {
        StoreNewObject();
    }
}

void ResetDrCircle()
{
    DrCircle = DrCircleState{};
}

void RegisterCircleTool()
{
    RegisterTool(ToolModes::Circle, {[](const ToolStartArgs& a) { CircleStart(a.cut); }, &CircleEnd,
                                     &CircleMouseDown, &CircleMoveBefore, &CircleMoveAfter, &CircleMouseUp,
                                     &CircleKey});
}

void CircleStart(int flag)
{
    Work.ToolMode = ToolModes::Circle;
    DrCircle.CircleState = 0;
    DrCircle.CircleHole = flag > 0;
    DrCircle.Preview.Shown = false;
    GuardEvent("DrCircle", "CircleStart", [flag] {
        BeginDrawingTool(flag, DrawCircleCursor, DrawCircleCutCursor, CircleHelpContext);
        SetStatusText(Text(TextKey::DragDiam));
    });
}

void CircleEnd()
{
    if (Work.ToolMode != ToolModes::Circle)
        return;
    Work.ToolMode = ToolModes::None;
    GuardEvent("DrCircle", "CircleEnd", [] {
        // A circle still being dragged is not stored.
        if (DrCircle.CircleState == 1) {
            DrCircle.Preview.Hide();
            SetN(DrCircle.StartCount);
            DrCircle.CircleState = 0;
        }
    });
    EndDrawingTool(DrCircle.CircleHole);
}

void CircleMouseDown()
{
    GuardEvent("DrCircle", "CircleMouseDown", [] {
        if (TypingTakesPress())
            return;
        if (DrCircle.CircleState != 0)
            return;
        if (DrCircle.CircleHole) {
            if (!BeginSelectedEdit())
                return;
            DrCircle.StartCount = N();
        } else {
            if (!BeginNewObject())
                return;
            EditPorts().UpdateToolButtons();
            DrCircle.StartCount = 0;
        }
        if (N() > DrawingPointLimit(!DrCircle.CircleHole) - OutlineRoom) {
            EditPorts().Beep();
            MaxPointsError();
            return;
        }
        DrCircle.CircleA = DrCircle.CircleB = DrawCursor();
        DrCircle.CircleFromCentre = Work.ShiftDown;
        BuildCircle();
        DrCircle.Preview.Show();
        DrCircle.CircleState = 1;
    });
}

void CircleMoveBefore()
{
    if (EditSys.TypingActive)
        return;
    GuardEvent("DrCircle", "CircleMoveBefore", [] { DrCircle.Preview.Hide(); });
}

void CircleMoveAfter()
{
    GuardEvent("DrCircle", "CircleMoveAfter", [] {
        if (TypingTakesMove())
            return;
        SetToolCursor(DrCircle.CircleHole ? DrawCircleCutCursor : DrawCircleCursor);
        if (DrCircle.CircleState == 1) {
            DrCircle.CircleB = DrawCursor();
            BuildCircle();
            DrCircle.Preview.Show();
        }
    });
}

void CircleMouseUp()
{
    if (EditSys.TypingActive) {
        TypingMouseUp();
        return;
    }
    GuardEvent("DrCircle", "CircleMouseUp", [] {
        if (DrCircle.CircleState != 1)
            return;
        DrCircle.Preview.Hide();
        if (!PixelsApart(DrCircle.CircleA, DrawCursor(), ClickPixels) && !RunDrawCircleDialog()) {
            SetN(DrCircle.StartCount);
            Idle();
            return;
        }
        StoreOutline(DrCircle.Preview.Outline, DrCircle.CircleHole, DrCircle.StartCount);
        Idle();
    });
}

void CircleKey(int ch)
{
    GuardEvent("DrCircle", "CircleKey", [ch] {
        if (DrCircle.CircleState == 0)
            IdleToolKey(ch);
    });
}

void BuildCircle()
{
    const Cord a = DrCircle.CircleA, b = DrCircle.CircleB;
    Cord centre = a;
    double r = PointDistance(a, b);
    if (!DrCircle.CircleFromCentre) {
        centre = {a.x / 2 + b.x / 2, a.y / 2 + b.y / 2};
        r /= 2;
    }
    DrCircle.Preview.Outline = BuildOutline(centre, r, r, DirectionAngle(a, b) + std::numbers::pi / 2, false);
}

bool RunDrawCircleDialog()
{
    double radius = 0;
    if (!EditPorts().DrawCircleDialog(radius))
        return false;
    double hundredths = 0;
    const bool scaled = DialogLength(radius, hundredths);
    const int64_t r = int64_t(SafeRound(hundredths)) * UnitsPerHundredthMm;
    const Cord a = DrCircle.CircleA;
    const auto inside = [](int64_t v) { return v >= -MapAreaLimit && v <= MapAreaLimit; };
    if (!scaled || !inside(a.x - r) || !inside(a.x + r) || !inside(a.y - r) || !inside(a.y + r)) {
        ErrorMsg(TextKey::CircleOut);
        return false;
    }
    DrCircle.CircleB = {a.x, int32_t(a.y + r)};
    DrCircle.CircleFromCentre = true;
    BuildCircle();
    return true;
}

} // namespace zemo
