#include "edit/DrFree.h"

#include "core/Config.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/CutArea.h"
#include "edit/DrCurve.h"
#include "edit/EditSys.h"
#include "edit/Follow.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/TextEdit.h"
#include "edit/ToCurve.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zemo {

DrFreeState DrFree;

namespace {

// A click: the release within this many pixels of the press; the recording step.
constexpr int ClickPixels = 3;
constexpr int RecordPixels = 2;

ElementRecord& E() { return Index.CurElement; }
int N() { return E().nItem; }
Cord& P(int k) { return E().Cords()[k]; }
void SetN(int n) { E().nItem = uint16_t(std::max(n, 0)); }

int Limit()
{
    return DrawingPointLimit(DrFree.FreeToolFlag == 0 && !DrFree.Continuing);
}

void Append(Cord c)
{
    P(N()) = c;
    SetN(N() + 1);
}

// ---- Feedback ----

void Band()
{
    XorSegment(DrFree.RubberFrom, DrFree.RubberTo);
}

void ShowBand()
{
    if (!DrFree.BandShown) {
        Band();
        DrFree.BandShown = true;
    }
}

void HideBand()
{
    if (DrFree.BandShown) {
        Band();
        DrFree.BandShown = false;
    }
}

// The draft as a whole (XOR: a second call removes it).
void Draft()
{
    if (EditSys.DraftShown)
        MarkDraft();
}

// Segment i to i + 1, just counted, drawn as the whole draft draws it: after a curve segment
// (from following) the draft also marks that segment's points.
void DraftSegment(int i)
{
    if (!EditSys.DraftShown || i < std::max(EditSys.DraftStart, 0))
        return;
    const ElementRecord& e = E();
    MarkLine(e, i);
    if (i >= 2 && (P(i - 2).x & FirstBezierFlag) && i > EditSys.DraftStart + 2 && !(P(i).y & CornerFlag))
        for (int k = i - 3; k < i; ++k)
            MarkPoint(e, k);
}

void AppendDrawn(Cord c)
{
    Append(c);
    DraftSegment(N() - 2);
}

// ---- Freehand runs ----

void OpenRun(int first)
{
    DrFree.FreehandRuns.push_back({first, -1});
}

void CloseRun(int last)
{
    if (!DrFree.FreehandRuns.empty() && DrFree.FreehandRuns.back().last < 0)
        DrFree.FreehandRuns.back().last = std::max(last, DrFree.FreehandRuns.back().first);
}

void TooManyPoints()
{
    EditPorts().Beep();
    MaxPointsError();
}

// Ctrl: the press follows another line. The draft goes while the line changes.
bool StartFollowing()
{
    if (!Work.CtrlDown)
        return false;
    Draft();
    const bool following = BeginFollow();
    Draft();
    return following;
}

// ---- Mouse down by state ----

void DownIdle()
{
    ElementRecord& e = E();
    const Cord press = DrawCursor();
    DrFree.Continuing = false;
    const int flag = DrFree.FreeToolFlag;
    if (flag == 1) {
        // The cutting line must start on the area's outline.
        if (!BeginCutArea())
            return;
        e.nItem = 0;
        DrFree.StartCount = 0;
    } else if (flag == 2) {
        if (!BeginSelectedEdit())
            return;
        DrFree.StartCount = e.nItem;
    } else if (Work.ShiftDown && BeginContinueLine()) {
        DrFree.Continuing = true;
        DrFree.StartCount = e.nItem;
    } else {
        if (!BeginNewObject())
            return;
        DrFree.StartCount = 0;
    }
    if (N() > Limit()) {
        TooManyPoints();
        if (DrFree.Continuing)
            UnmarkContinuedLine();
        if (flag == 1)
            CancelCutArea();
        return;
    }
    SetStatusText(Text(TextKey::Drawing) + QStringLiteral("..."));
    DrFree.RubberFrom = DrFree.RubberTo = DrFree.PressPoint = press;
    DrFree.FirstStroke = true;
    DrFree.FreehandRuns.clear();
    if (StartFollowing()) {
        if (N() > 0)
            DrFree.RubberFrom = P(N() - 1);
        DrFree.FreeState = FreeFollowing;
    } else {
        if (DrFree.Continuing)
            DrFree.RubberFrom = P(N() - 1);
        else
            Append(press);
        DrFree.FreeState = FreeSegment;
    }
    EditSys.DraftStart = std::max(N() - 1, 0);
    EditSys.DraftShown = true;
    ShowBand();
}

void DownRecording()
{
    const Cord press = DrawCursor();
    HideBand();
    if (N() > Limit()) {
        TooManyPoints();
        CloseRun(N() - 1);
        FreeTerminateLine();
        return;
    }
    if (PixelsApart(DrFree.RubberFrom, press, RecordPixels) && !CordsEqual(press, P(N() - 1)))
        AppendDrawn(press);
    CloseRun(N() - 1);
    DrFree.FirstStroke = false;
    DrFree.PressPoint = DrFree.RubberFrom = DrFree.RubberTo = press;
    if (StartFollowing()) {
        DrFree.RubberFrom = P(N() - 1);
        DrFree.FreeState = FreeFollowing;
    } else {
        DrFree.FreeState = FreeSegment;
    }
    ShowBand();
}

void DownPlaced()
{
    if (N() > Limit()) {
        TooManyPoints();
        FreeTerminateLine();
        return;
    }
    const Cord press = DrawCursor();
    DrFree.PressPoint = press;
    DrFree.RubberFrom = P(N() - 1);
    DrFree.RubberTo = press;
    DrFree.FreeState = StartFollowing() ? FreeFollowing : FreeSegment;
    ShowBand();
}

// The pointer's path while the button is up: a point where the path bends.
void Record()
{
    if (N() > Limit()) {
        TooManyPoints();
        CloseRun(N() - 1);
        FreeTerminateLine();
        return;
    }
    const Cord c = DrawCursor();
    const QPoint f = CordToDevice(DrFree.RubberFrom), t = CordToDevice(DrFree.RubberTo), p = CordToDevice(c);
    const bool oneX = f.x() == t.x() && t.x() == p.x();
    const bool oneY = f.y() == t.y() && t.y() == p.y();
    if (PixelsApart(DrFree.RubberTo, c, RecordPixels) && !oneX && !oneY && !(t * 2 == f + p)) {
        // The band's far end becomes a point, unless it is the last point already.
        if (!CordsEqual(DrFree.RubberTo, P(N() - 1)))
            AppendDrawn(DrFree.RubberTo);
        DrFree.RubberFrom = DrFree.RubberTo;
        DrFree.RubberTo = c;
    }
    ShowBand();
}

// ---- Mouse up by state ----

void UpFollowing()
{
    HideBand();
    Draft();
    const bool followed = EndFollow();
    Draft();
    if (!followed) {
        TooManyPoints();
        FreeTerminateLine();
        return;
    }
    OpenRun(N() - 1);
    DrFree.RubberFrom = DrFree.RubberTo = P(N() - 1);
    if (DrFree.StraightMode) {
        DrFree.FreeState = StraightPlaced;
    } else {
        DrFree.FreeState = FreeRecording;
        ShowBand();
    }
}

void UpSegment()
{
    const Cord c = DrawCursor();
    const bool ends = DrFree.StraightMode ? !PixelsApart(c, DrFree.PressPoint, ClickPixels)
                                          : !DrFree.FirstStroke && !PixelsApart(c, DrFree.RubberFrom, ClickPixels);
    if (ends) {
        HideBand();
        if (N() == EditSys.DraftStart + 1 && !Work.ShiftDown && !Work.CtrlDown)
            RunDrawLineDialog();
        FreeTerminateLine();
        return;
    }
    if (DrFree.StraightMode) {
        HideBand();
        AppendDrawn({DrFree.RubberTo.x, DrFree.RubberTo.y | CornerFlag});
        DrFree.FreeState = StraightPlaced;
        return;
    }
    if (PixelsApart(c, DrFree.RubberFrom, ClickPixels)) {
        HideBand();
        AppendDrawn(c);
        DrFree.RubberFrom = DrFree.RubberTo = c;
    }
    OpenRun(N() - 1);
    DrFree.FreeState = FreeRecording;
    ShowBand();
}

// Backspace after a straight segment: the last point goes; after the first, the drawing.
void Backspace()
{
    const int n = N();
    if (n > EditSys.DraftStart + 1) {
        Draft();
        SetN(n - 1);
        if (N() > 0 && (P(N() - 1).x & SecondBezierFlag))
            SetN(N() - 2);
        Draft();
        return;
    }
    Draft();
    EditSys.DraftShown = false;
    // Nothing left of a cutting line: the cut is given up.
    if (DrFree.FreeToolFlag == 1)
        CancelCutArea();
    else
        SetN(DrFree.StartCount);
    if (DrFree.Continuing)
        UnmarkContinuedLine();
    DrFree.FreeState = FreeIdle;
    ClearStatusText();
}

void Smooth()
{
    CloseRun(N() - 1);
    if (ProgramConfig.FreehandToCurve) {
        // Every run, however many presses the line took.
        ToCurve.FreehandRuns.clear();
        for (const RecordedRun& r : DrFree.FreehandRuns)
            if (r.last >= 0 && r.last < N())
                ToCurve.FreehandRuns.push_back({r.first, r.last});
        FreehandRunsToCurve();
        return;
    }
    // The last run first: thinning a run moves only the points behind it.
    for (auto r = DrFree.FreehandRuns.rbegin(); r != DrFree.FreehandRuns.rend(); ++r)
        if (r->last >= 0 && r->last < N())
            SmoothFreehandLine(r->first, r->last, ProgramConfig.Smoothing);
}

} // namespace

void ResetDrFree()
{
    DrFree = DrFreeState{};
}

void RegisterFreeTool()
{
    RegisterTool(ToolModes::Freehand, {[](const ToolStartArgs& a) { FreeStart(a.cut, a.straight != 0); },
                                       &FreeEnd, &FreeMouseDown, &FreeMoveBefore, &FreeMoveAfter,
                                       &FreeMouseUp, &FreeKey});
}

void FreeStart(int flag, bool straight)
{
    Work.ToolMode = ToolModes::Freehand;
    DrFree.FreeState = FreeIdle;
    DrFree.FreeToolFlag = flag;
    DrFree.StraightMode = straight;
    DrFree.Continuing = false;
    DrFree.BandShown = false;
    DrFree.FreehandRuns.clear();
    const int cursor = straight ? DrawStraightCursor : DrawFreehandCursor;
    const int cutCursor = straight ? DrawStraightCutCursor : DrawFreehandCutCursor;
    DrFree.ToolCursor = flag == 0 ? cursor : cutCursor;
    GuardEvent("DrFree", "FreeStart", [=] {
        BeginDrawingTool(flag, cursor, cutCursor, straight ? StraightHelpContext : FreehandHelpContext);
    });
}

void FreeEnd()
{
    if (Work.ToolMode != ToolModes::Freehand)
        return;
    Work.ToolMode = ToolModes::None;
    GuardEvent("DrFree", "FreeEnd", [] {
        if (DrFree.FreeState != FreeIdle) {
            CloseRun(N() - 1);
            FreeTerminateLine();
        }
    });
    EndDrawingTool(DrFree.FreeToolFlag > 0 || DrFree.Continuing);
}

void FreeMouseDown()
{
    GuardEvent("DrFree", "FreeMouseDown", [] {
        if (TypingTakesPress())
            return;
        switch (DrFree.FreeState) {
        case FreeIdle: DownIdle(); break;
        case FreeRecording: DownRecording(); break;
        case StraightPlaced: DownPlaced(); break;
        default: break;
        }
    });
}

void FreeMoveBefore()
{
    if (EditSys.TypingActive)
        return;
    GuardEvent("DrFree", "FreeMoveBefore", [] { HideBand(); });
}

void FreeMoveAfter()
{
    GuardEvent("DrFree", "FreeMoveAfter", [] {
        if (TypingTakesMove())
            return;
        SetToolCursor(DrFree.ToolCursor);
        switch (DrFree.FreeState) {
        case FreeSegment:
        case FreeFollowing:
            DrFree.RubberTo = DrawCursor();
            ShowBand();
            break;
        case FreeRecording:
            Record();
            break;
        default:
            break;
        }
    });
}

void FreeMouseUp()
{
    if (EditSys.TypingActive) {
        TypingMouseUp();
        return;
    }
    GuardEvent("DrFree", "FreeMouseUp", [] {
        switch (DrFree.FreeState) {
        case FreeFollowing: UpFollowing(); break;
        case FreeSegment: UpSegment(); break;
        default: break;
        }
    });
}

void FreeKey(int ch)
{
    GuardEvent("DrFree", "FreeKey", [ch] {
        const int state = DrFree.FreeState;
        if (state == FreeIdle)
            IdleToolKey(ch);
        else if (ch == 8 && DrFree.StraightMode && state == StraightPlaced)
            Backspace();
    });
}

void FreeTerminateLine()
{
    GuardEvent("DrFree", "FreeTerminateLine", [] {
        if (DrFree.FreeState == FreeFollowing)
            CancelFollow();
        DrFree.FreeState = FreeIdle;
        ClearStatusText();
        HideBand();
        Draft();
        EditSys.DraftShown = false;
        if (!DrFree.StraightMode) {
            SetStatusText(Text(TextKey::Smoothing) + QStringLiteral("..."));
            Smooth();
        }
        DrFree.FreehandRuns.clear();
        const int flag = DrFree.FreeToolFlag;
        if (ProgramConfig.AutoJoin && flag == 0)
            AutoJoin();
        if (flag == 1) {
            CutAreaAlongLine();
        } else if (flag == 0 && !DrFree.Continuing) {
            if (N() > 0)
                P(N() - 1).y &= ~CornerFlag;
            StoreNewObject();
        } else {
            if (N() > DrFree.StartCount) {
                P(N() - 1).y &= ~CornerFlag;
                if (DrFree.Continuing && DrFree.StraightMode)
                    P(DrFree.StartCount).y |= CornerFlag;
            }
            StoreIntoSelected(DrFree.StartCount, flag == 2, DrFree.Continuing);
        }
        DocumentPorts().UpdateUndoButtons();
        ClearStatusText();
    });
}

bool DialogLength(double value, double& hundredths)
{
    const SetupRecord* s = Stp();
    if (!s || s->RealWorldCoords == 0) {
        hundredths = value * 100;
        return true;
    }
    if (!(s->MapScale > 0))
        return false;
    hundredths = value / s->MapScale * 100000;
    return true;
}

bool DrawLinePoint(Cord from, double length, double angle, Cord& to)
{
    double l = 0;
    if (!DialogLength(length, l))
        return false;
    const SetupRecord* s = Stp();
    if (s && s->RealWorldCoords != 0)
        angle += s->RealWorldAngle;
    const double a = angle / 180 * std::numbers::pi;
    const int64_t x = int64_t(Masked(from.x)) - int64_t(SafeRound(std::sin(a) * l)) * UnitsPerHundredthMm;
    const int64_t y = int64_t(Masked(from.y)) + int64_t(SafeRound(std::cos(a) * l)) * UnitsPerHundredthMm;
    if (x < -MapAreaLimit || x > MapAreaLimit || y < -MapAreaLimit || y > MapAreaLimit)
        return false;
    to = {int32_t(x), int32_t(y)};
    return true;
}

bool RunDrawLineDialog()
{
    if (N() < 1)
        return false;
    double length = 0, angle = 0;
    if (!EditPorts().DrawLineDialog(length, angle))
        return false;
    Cord to;
    if (!DrawLinePoint(P(N() - 1), length, angle, to)) {
        ErrorMsg(TextKey::LineOut);
        return false;
    }
    AppendDrawn(to);
    return true;
}

int SmoothFreehandLine(int first, int last, int strength)
{
    ElementRecord& e = E();
    if (first < 0 || last >= e.nItem || last - first < 2)
        return last;
    const int passes = strength >= 2 ? 4 : strength == 1 ? 2 : 1;
    const int64_t tolerance = strength >= 2 ? 640 : strength == 1 ? 448 : 256;
    Cord* p = e.Cords();
    // Points whose place the shape depends on: they stay without a test.
    const auto fixed = [p](int i) {
        constexpr int32_t ownY = CornerFlag | DashFlag | HoleFlag;
        constexpr int32_t curve = FirstBezierFlag | SecondBezierFlag;
        return (p[i].y & ownY) || (p[i].x & curve) || (p[i + 1].x & FirstBezierFlag) || (p[i + 1].y & HoleFlag)
               || (p[i - 1].x & SecondBezierFlag) || ((p[i].x ^ p[i - 1].x) & NoLeftLineFlag)
               || ((p[i].y ^ p[i - 1].y) & NoRightLineFlag);
    };
    const auto step = [](int32_t v, double d) {
        if (d > UnitsPerHundredthMm)
            return int32_t(std::min<int64_t>(int64_t(v) + UnitsPerHundredthMm, INT32_MAX));
        if (d < -UnitsPerHundredthMm)
            return int32_t(std::max<int64_t>(int64_t(v) - UnitsPerHundredthMm, INT32_MIN));
        return v;
    };
    for (int pass = 0; pass < passes && last - first >= 2; ++pass) {
        int k = first;
        for (int i = first + 1; i < last; ++i) {
            Cord kept = p[i];
            if (!fixed(i)) {
                const int64_t dx1 = int64_t(Masked(p[i].x)) - Masked(p[k].x);
                const int64_t dy1 = int64_t(Masked(p[i].y)) - Masked(p[k].y);
                const int64_t dx2 = int64_t(Masked(p[i + 1].x)) - Masked(p[k].x);
                const int64_t dy2 = int64_t(Masked(p[i + 1].y)) - Masked(p[k].y);
                if ((std::llabs(dx1) < 512 && std::llabs(dy1) < 512) || (dx2 == dx1 && dy2 == dy1)
                    || (dx1 == 0 && dx2 == 0) || (dy1 == 0 && dy2 == 0))
                    continue;
                // How far the point lies off the chord from the last kept point to the next
                // one, across and along.
                const double ex = dy2 != 0 ? double(dx2) / double(dy2) * double(dy1) - double(dx1)
                                           : double(dx2 / 2 - dx1);
                const double ey = dx2 != 0 ? double(dy2) / double(dx2) * double(dx1) - double(dy1)
                                           : double(dy2 / 2 - dy1);
                if ((dy2 != 0 && std::abs(ex) <= double(tolerance))
                    || (dx2 != 0 && std::abs(ey) <= double(tolerance)))
                    continue;
                if (strength >= 1) {
                    if (std::abs(ex) < std::abs(ey)) {
                        kept.x = step(kept.x, ex);
                        kept.y = step(kept.y, double(dy2 / 2 - dy1));
                    } else {
                        kept.y = step(kept.y, ey);
                        kept.x = step(kept.x, double(dx2 / 2 - dx1));
                    }
                }
            }
            p[++k] = kept;
        }
        p[++k] = p[last];
        const int removed = last - k;
        if (removed > 0) {
            const int tail = int(e.SlotCount()) - (last + 1);
            std::copy(p + last + 1, p + last + 1 + tail, p + k + 1);
            e.nItem = uint16_t(e.nItem - removed);
        }
        last = k;
    }
    return last;
}

} // namespace zemo
