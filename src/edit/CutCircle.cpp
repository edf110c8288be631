#include "edit/CutCircle.h"

#include "core/EventGuard.h"
#include "core/LangTexts.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Cursors.h"
#include "edit/Cut.h"
#include "edit/DrCurve.h"
#include "edit/Edit.h"
#include "edit/EditSys.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "render/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zemo {

CutCircleUnitState CutCircle;

namespace {

constexpr int Turn = 3600;
constexpr int HalfTurn = 1800;

ElementRecord& E() { return Index.CurElement; }

int Wrap(int v)
{
    const int r = v % Turn;
    return r < 0 ? r + Turn : r;
}

int Length(const CircleGap& g)
{
    return g.End - g.Start;
}

void Band()
{
    XorSegment(CutCircle.CutFrom, CutCircle.CutTo);
}

void HideBand()
{
    if (CutCircle.BandShown)
        Band();
    CutCircle.BandShown = false;
}

void ShowBand()
{
    if (!CutCircle.BandShown)
        Band();
    CutCircle.BandShown = true;
}

// From the centre to p, counter-clockwise from east, less the object's angle (tenths).
int AngleAt(Cord p)
{
    const double dx = double(Masked(p.x)) - CutCircle.CircleCentre.x;
    const double dy = double(Masked(p.y)) - CutCircle.CircleCentre.y;
    return int(std::nearbyint(VectorAngle(dx, dy) * HalfTurn / std::numbers::pi)) - E().Angle;
}

bool OnRing(Cord p)
{
    const double d = std::hypot(double(Masked(p.x)) - CutCircle.CircleCentre.x,
                                double(Masked(p.y)) - CutCircle.CircleCentre.y) / 256;
    return std::fabs(d - CutCircle.CircleRadius) <= CutCircle.CircleTolerance;
}

std::vector<CircleGap> GapsOf(const ElementRecord& e)
{
    std::vector<CircleGap> gaps;
    for (int k = 1; k < e.nItem; ++k)
        gaps.push_back({e.Cords()[k].x, e.Cords()[k].y});
    return gaps;
}

// The gaps saved into the selected object as one undo step.
void SaveGaps(const std::vector<CircleGap>& gaps)
{
    const int sel = Index.SelectedIndex;
    ElementRecord& e = E();
    if (sel <= 0 || !ReadElement(sel, e) || !GetIndex(sel))
        return;
    const CordRect old = Index.CurIndex.Rect;
    UnmarkElement(e);
    BeginElementEdit(sel);
    const int n = int(std::min<size_t>(1 + gaps.size(), MaxElementItems));
    for (int k = 1; k < n; ++k)
        e.Cords()[k] = {gaps[size_t(k - 1)].Start, gaps[size_t(k - 1)].End};
    e.nItem = uint16_t(n);
    e.nText = 0;
    CordRect redraw = old;
    if (SaveElement(sel) && GetIndex(sel))
        ExtendRect(redraw, Index.CurIndex.Rect);
    UpdateRect(redraw);
    FlushMapFile();
    ReadElement(sel, e);
    MarkElement(e);
    DocumentPorts().UpdateUndoButtons();
}

} // namespace

void ResetCutCircleUnit()
{
    CutCircle = CutCircleUnitState{};
}

void NormalizeCircleGaps(std::vector<CircleGap>& gaps)
{
    std::vector<CircleGap> all;
    for (CircleGap g : gaps) {
        g.End = g.Start + Wrap(g.End - g.Start);
        if (Length(g) > HalfTurn)
            g = {g.End, g.Start + Turn};
        if (Length(g) == 0)
            continue;
        const int shift = Wrap(g.Start) - g.Start;
        all.push_back({g.Start + shift, g.End + shift});
    }
    std::sort(all.begin(), all.end(), [](const CircleGap& a, const CircleGap& b) { return a.Start < b.Start; });
    gaps.clear();
    for (const CircleGap& g : all) {
        if (!gaps.empty() && g.Start <= gaps.back().End)
            gaps.back().End = std::max(gaps.back().End, g.End);
        else
            gaps.push_back(g);
    }
    // The last gap reaching round past the first one's start.
    while (gaps.size() >= 2 && gaps.back().End - Turn >= gaps.front().Start) {
        const CircleGap last = gaps.back();
        gaps.pop_back();
        gaps.front() = {last.Start - Turn, std::max(gaps.front().End, last.End - Turn)};
    }
    if (std::any_of(gaps.begin(), gaps.end(), [](const CircleGap& g) { return Length(g) >= Turn; }))
        gaps.clear();
}

void CircleCutStart()
{
    const int sel = Index.SelectedIndex;
    if (sel <= 0 || !ReadElement(sel, E()) || E().nItem < 1)
        return;
    SymbolBytes* s = nullptr;
    GetSymbol(E().Symbol, s);
    if (!s || !IsCuttableCircle(E(), *s))
        return;
    Index.CurSymbol = s;
    Work.ToolMode = ToolModes::CutCircle;
    CutCircle.CircleCutState = 0;
    CutCircle.BandShown = false;
    GuardEvent("CutCircle", "CircleCutStart", [s] {
        const ElementRecord& e = E();
        const uint8_t* el = s->data() + PointSymbolFixedBytes;
        const auto u16 = [el](size_t at) { return int(el[at] | el[at + 1] << 8); };
        const auto i32 = [el](size_t at) {
            return int32_t(uint32_t(el[at]) | uint32_t(el[at + 1]) << 8 | uint32_t(el[at + 2]) << 16
                           | uint32_t(el[at + 3]) << 24);
        };
        const int width = u16(ElemWidth), diameter = u16(ElemDiameter);
        // The circle's centre: the element's first Cord turned with the object about its point.
        Cord offset{Masked(i32(ElemCords)), Masked(i32(ElemCords + StoredCordY))};
        if (u16(ElemCount) < 1)
            offset = {};
        const Cord at{Masked(e.Cords()[0].x), Masked(e.Cords()[0].y)};
        const double a = e.Angle * std::numbers::pi / HalfTurn;
        Cord centre{Masked(SafeRound(double(at.x) + offset.x * std::cos(a) - offset.y * std::sin(a))),
                    Masked(SafeRound(double(at.y) + offset.x * std::sin(a) + offset.y * std::cos(a)))};
        CutCircle.CircleCentre = centre;
        CutCircle.CircleRadius = (diameter - width) / 2;
        CutCircle.CircleTolerance = width / 2 + Scale.PickTolerance / 256;
        if (!EditSys.MarksShown)
            MarkElement(e);
        SetStatusText(Text(TextKey::MarkCutPt));
        SetToolCursor(CutCursor);
        EditPorts().SetHelpContext(CutHelpContext);
    });
}

void CircleCutEnd()
{
    if (Work.ToolMode != ToolModes::CutCircle)
        return;
    GuardEvent("CutCircle", "CircleCutEnd", [] {
        HideBand();
        CutCircle.CircleCutState = 0;
        UnmarkSelection();
        FinishPendingChange();
    });
    EditSys.MarksShown = false;
    Work.ToolMode = ToolModes::None;
    SetToolCursor(StandardCursor);
    ClearStatusText();
}

void CircleCutMouseDown()
{
    GuardEvent("CutCircle", "CircleCutMouseDown", [] {
        const Cord press = DrawCursor();
        if (CutCircle.CircleCutState != 0 || !OnRing(press))
            return;
        CutCircle.StartAngle = AngleAt(press);
        CutCircle.CircleCutState = 1;
        CutCircle.CutFrom = CutCircle.CutTo = press;
        ShowBand();
    });
}

void CircleCutMoveBefore()
{
    GuardEvent("CutCircle", "CircleCutMoveBefore", [] { HideBand(); });
}

void CircleCutMoveAfter()
{
    GuardEvent("CutCircle", "CircleCutMoveAfter", [] {
        SetToolCursor(CutCursor);
        if (CutCircle.CircleCutState == 0)
            return;
        CutCircle.CutTo = DrawCursor();
        ShowBand();
    });
}

void CircleCutMouseUp()
{
    GuardEvent("CutCircle", "CircleCutMouseUp", [] {
        if (CutCircle.CircleCutState == 0)
            return;
        HideBand();
        CutCircle.CircleCutState = 0;
        const Cord release = DrawCursor();
        if (!OnRing(release) || Index.SelectedIndex <= 0 || !ReadElement(Index.SelectedIndex, E()))
            return;
        const int a = AngleAt(release);
        std::vector<CircleGap> gaps = GapsOf(E());
        const int64_t tol = Scale.PickTolerance;
        const bool drag = std::llabs(int64_t(Masked(release.x)) - Masked(CutCircle.CutFrom.x)) > tol
                          || std::llabs(int64_t(Masked(release.y)) - Masked(CutCircle.CutFrom.y)) > tol;
        if (drag) {
            if (Wrap(a - CutCircle.StartAngle) == 0)
                return;
            gaps.push_back({CutCircle.StartAngle, a});
            NormalizeCircleGaps(gaps);
            SaveGaps(gaps);
            return;
        }
        // A click in a gap closes it.
        for (int k = int(gaps.size()) - 1; k >= 0; --k) {
            const CircleGap& g = gaps[size_t(k)];
            const int at = g.Start + Wrap(a - g.Start);
            if (at > g.Start && at < g.End) {
                gaps.erase(gaps.begin() + k);
                SaveGaps(gaps);
                return;
            }
        }
    });
}

} // namespace zemo
