#include "render/Points.h"

#include "core/Element.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "render/AreaSplt.h"
#include "render/GraphSys.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace zemo {

namespace {

int U16At(const uint8_t* p) { return int(p[0]) | (int(p[1]) << 8); }
int16_t I16At(const uint8_t* p) { return int16_t(uint16_t(U16At(p))); }
int32_t I32At(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16)
                   | (uint32_t(p[3]) << 24));
}

// Element symbol numbers of symbol-graphics editing that the point painter shows.
constexpr int EditedCircleSymbol = 32755;
constexpr int EditedDotSymbol = 32756;
// Half the arms of the grey cross: 0.30 mm.
constexpr int32_t CrossArm = 7680;

// One element Cord relative to the list origin: stretched across, then turned.
Cord PlaceRelative(Cord c, const ElementPlacement& place)
{
    if (place.AcrossScale != 1.0)
        c.y = Masked(SafeRound(double(Masked(c.y)) * place.AcrossScale)) | Flags(c.y);
    if (place.Cos != 1.0 || place.Sin != 0.0)
        RotatePoints(0, 0, &c, 1, place.Cos, place.Sin, &c);
    return c;
}

Cord Moved(Cord c, Cord origin)
{
    ShiftCord(c, origin, Cord{0, 0});
    return c;
}

int ScaledDiameter(int d, const ElementPlacement& place)
{
    if (place.ScaleDiameters && place.AcrossScale != 1.0)
        return int(std::clamp(std::nearbyint(d * place.AcrossScale), 0.0, 65535.0));
    return d;
}

// A circle element with gaps: the arcs between the gaps, each stroked on its own.
void DrawGappedCircle(Cord centre, int width, int diameter, const ElementPlacement& place)
{
    const double radius = double(diameter - width) * 128.0;
    const double toRad = std::numbers::pi / 1800.0;
    for (int j = 0; j < place.GapCount; ++j) {
        const Cord& gap = place.Gaps[j];
        const Cord& next = place.Gaps[(j + 1) % place.GapCount];
        const double from = (double(gap.y) + place.GapBaseAngle) * toRad;
        const double to = (double(next.x) + place.GapBaseAngle) * toRad;
        Cord arc[ArcToBezierMaxCords];
        const int n = ArcToBezier(centre, arc, from, to, radius);
        EnsureWorkPoints2(n);
        std::copy_n(arc, n, WorkPoints2.begin());
        Graph.WorkPoints2Count = n;
        GraphStroke(width, 0);
    }
}

} // namespace

Cord SymbolElementView::At(int i) const
{
    const uint8_t* p = CordBytes + size_t(i) * StoredCordBytes;
    return Cord{I32At(p), I32At(p + StoredCordY)};
}

bool NextSymbolElement(std::span<const uint8_t> list, int slots, int& slot,
                       SymbolElementView& element)
{
    const int64_t limit = std::min<int64_t>(std::max(slots, 0), int64_t(list.size() / 8));
    if (slot < 0 || slot + SymbolElementHeadSlots > limit)
        return false;
    const uint8_t* p = list.data() + size_t(slot) * 8;
    const int count = I16At(p + ElemCount);
    if (count < 0 || slot + int64_t(count) + SymbolElementHeadSlots > limit)
        return false;
    element.Kind = U16At(p + ElemKind);
    element.Style = U16At(p + ElemStyle);
    element.Color = U16At(p + ElemColor);
    element.Width = U16At(p + ElemWidth);
    element.Diameter = U16At(p + ElemDiameter);
    element.Count = count;
    element.CordBytes = p + ElemCords;
    slot += count + SymbolElementHeadSlots;
    return true;
}

void DrawElementList(std::span<const uint8_t> list, int slots, const ElementPlacement& place)
{
    const Cord origin{Masked(place.Origin.x), Masked(place.Origin.y)};
    std::vector<Cord> pts;
    int slot = 0;
    SymbolElementView e;
    while (NextSymbolElement(list, slots, slot, e)) {
        if (e.Color != Graph.CurrentColor)
            continue;
        switch (e.Kind) {
        case ElementLine: {
            if (e.Count < 2)
                break;
            EnsureWorkPoints2(e.Count);
            for (int i = 0; i < e.Count; ++i)
                WorkPoints2[size_t(i)] = Moved(PlaceRelative(e.At(i), place), origin);
            Graph.WorkPoints2Count = e.Count;
            GraphStroke(e.Width, e.Style);
            break;
        }
        case ElementArea: {
            if (e.Count < 3)
                break;
            pts.resize(size_t(e.Count));
            for (int i = 0; i < e.Count; ++i)
                pts[size_t(i)] = PlaceRelative(e.At(i), place);
            SplitArea(pts.data(), e.Count, [origin](const Cord* piece, int n) {
                EnsureWorkPoints2(n);
                for (int i = 0; i < n; ++i)
                    WorkPoints2[size_t(i)] = Moved(piece[i], origin);
                Graph.WorkPoints2Count = n;
                return GraphFill(false);
            });
            break;
        }
        case ElementCircle:
        case ElementDot: {
            if (e.Count < 1)
                break;
            Cord c = Moved(PlaceRelative(e.At(0), place), origin);
            c = {Masked(c.x), Masked(c.y)};
            const int d = ScaledDiameter(e.Diameter, place);
            if (e.Kind == ElementDot)
                GraphDot(c.x, c.y, d);
            else if (place.Gaps && place.GapCount > 0)
                DrawGappedCircle(c, e.Width, d, place);
            else
                GraphCircle(c.x, c.y, e.Width, d);
            break;
        }
        default:
            break;
        }
    }
}

void DrawElementListAtAngle(std::span<const uint8_t> list, int slots, Cord origin, int angle)
{
    ElementPlacement place;
    place.Origin = origin;
    if (angle != 0) {
        const double a = angle / 1800.0 * std::numbers::pi;
        place.Cos = std::cos(a);
        place.Sin = std::sin(a);
    }
    DrawElementList(list, slots, place);
}

std::span<const uint8_t> SymbolSpan(const uint8_t* rec)
{
    if (!rec)
        return {};
    const int size = I16At(rec + SymSize);
    if (size < 2)
        return {};
    return {rec, size_t(size)};
}

bool PointSymbolUsable(std::span<const uint8_t> rec)
{
    if (rec.size() < size_t(PointSymbolFixedBytes))
        return false;
    const int size = I16At(rec.data() + SymSize);
    const int slots = I16At(rec.data() + PointSymbolSlotsOffset);
    return slots >= 0 && slots <= MaxElementListSlots && size >= PointSymbolFixedBytes
           && size == PointSymbolFixedBytes + 8 * slots && rec.size() >= size_t(size);
}

bool SymbolGraphicsEditing()
{
    return Index.SymbolGraphics && Index.SymbolGraphics->Active;
}

void DrawPointObject()
{
    if (DrawElement.nItem < 1)
        return;
    if (SymbolGraphicsEditing()) {
        DrawEditedPointElement();
        return;
    }
    if (PointSymbolUsable(SymbolSpan(DrawSymbol)))
        DrawPointSymbol();
    else
        DrawMissingPointCross();
}

void DrawEditedPointElement()
{
    const Cord p = DrawElement.Cords()[0];
    if (DrawElement.Symbol == EditedCircleSymbol)
        GraphCircle(Masked(p.x), Masked(p.y), uint16_t(DrawElement.Word10), uint16_t(DrawElement.Word14));
    else if (DrawElement.Symbol == EditedDotSymbol)
        GraphDot(Masked(p.x), Masked(p.y), uint16_t(DrawElement.Word14));
}

void DrawMissingPointCross()
{
    if (DrawElement.nItem < 1)
        return;
    const Cord p = DrawElement.Cords()[0];
    const int64_t x = Masked(p.x), y = Masked(p.y);
    const auto clampCoord = [](int64_t v) {
        return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax));
    };
    const uint32_t saved = Graph.OutputCmyk;
    Graph.OutputCmyk = Graph.GreyCmyk;
    GraphMoveTo(clampCoord(x + CrossArm), int32_t(y));
    GraphLineTo(clampCoord(x - CrossArm), int32_t(y));
    GraphStroke(15, 0);
    GraphMoveTo(int32_t(x), clampCoord(y - CrossArm));
    GraphLineTo(int32_t(x), clampCoord(y + CrossArm));
    GraphStroke(15, 0);
    Graph.OutputCmyk = saved;
}

void DrawPointSymbol()
{
    const std::span<const uint8_t> rec = SymbolSpan(DrawSymbol);
    if (!PointSymbolUsable(rec) || DrawElement.nItem < 1)
        return;
    const int slots = I16At(rec.data() + PointSymbolSlotsOffset);
    ElementPlacement place;
    place.Origin = DrawElement.Cords()[0];
    const int angle = DrawElement.Angle;
    if (angle != 0) {
        const double a = angle / 1800.0 * std::numbers::pi;
        place.Cos = std::cos(a);
        place.Sin = std::sin(a);
    }
    if (DrawElement.nItem > 1) {
        place.Gaps = DrawElement.Cords() + 1;
        place.GapCount = DrawElement.nItem - 1;
        place.GapBaseAngle = angle;
    }
    DrawElementList(rec.subspan(PointSymbolFixedBytes), slots, place);
}

} // namespace zemo
