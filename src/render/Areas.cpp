#include "render/Areas.h"

#include "core/Element.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "core/Setup.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "render/AreaSplt.h"
#include "render/Bezier.h"
#include "render/GraphSys.h"
#include "render/Points.h"
#include "render/Scale.h"
#include "symbols/store/SymbolRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace zemo {

ExportPatternState ExportPatternNames;

namespace {

// The pattern state of the piece being painted.
struct PatternState {
    double Cos = 1.0, Sin = 0.0;   // hatch or grid angle
    std::vector<Cord> Turned;      // the piece turned back by that angle
    CordRect Box{};                // its bounding box
};
PatternState Pattern;

constexpr char Q = '"';

// The open map's setup; none (no message) while no map is open, as in symbol previews.
const SetupRecord* MapSetup() { return Index.ActiveZmd ? &Index.ActiveZmd->Setup : nullptr; }

std::span<const uint8_t> AreaRecord() { return SymbolSpan(DrawSymbol); }
int Field(size_t offset) { return SymI16(AreaRecord(), offset); }

int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax)); }

void CosSinOf(int angle, double& c, double& s)
{
    if (angle == 0) {
        c = 1.0;
        s = 0.0;
        return;
    }
    const double a = angle / 1800.0 * std::numbers::pi;
    c = std::cos(a);
    s = std::sin(a);
}

void ToWorkPoints(const Cord* points, int count)
{
    EnsureWorkPoints2(count);
    std::copy_n(points, count, WorkPoints2.begin());
    Graph.WorkPoints2Count = count;
}

// Outputs without a working clip: patterns are cut to the piece geometrically.
bool ClipIsGeometric()
{
    return Graph.OutputMode == SymbolElementOutput || Graph.OutputMode == NewObjectOutput;
}

// The turned piece with its curves flattened, ring starts kept as HoleFlag.
std::vector<Cord> FlatTurnedPiece()
{
    std::vector<Cord> flat;
    const std::vector<Cord>& p = Pattern.Turned;
    const int n = int(p.size());
    const int tol = std::max(Scale.FlattenTolerance, 1);
    for (int i = 0; i < n;) {
        if (i >= 1 && i + 2 < n && (p[size_t(i)].x & FirstBezierFlag)) {
            const Cord seg[4] = {p[size_t(i - 1)], p[size_t(i)], p[size_t(i + 1)], p[size_t(i + 2)]};
            std::vector<Cord> pts;
            FlattenBezierTo(seg, pts, 8, tol);
            for (const Cord& c : pts)
                flat.push_back({Masked(c.x), Masked(c.y)});
            i += 3;
        } else {
            flat.push_back({Masked(p[size_t(i)].x), Masked(p[size_t(i)].y) | (p[size_t(i)].y & HoleFlag)});
            ++i;
        }
    }
    return flat;
}

// x values where the line at height y crosses the rings of a flattened outline, sorted.
std::vector<double> RowCrossings(const std::vector<Cord>& flat, int64_t y)
{
    std::vector<double> xs;
    const int n = int(flat.size());
    for (int start = 0; start < n;) {
        int end = start + 1;
        while (end < n && !(flat[size_t(end)].y & HoleFlag))
            ++end;
        for (int i = start; i < end; ++i) {
            const Cord a = flat[size_t(i)];
            const Cord b = flat[size_t(i + 1 < end ? i + 1 : start)];
            const int64_t ay = Masked(a.y), by = Masked(b.y);
            if ((ay <= y) == (by <= y))
                continue;
            xs.push_back(double(Masked(a.x))
                         + double(y - ay) * (double(Masked(b.x)) - Masked(a.x)) / double(by - ay));
        }
        start = end;
    }
    std::sort(xs.begin(), xs.end());
    return xs;
}

bool InsideFlat(const std::vector<Cord>& flat, int64_t x, int64_t y)
{
    int below = 0;
    for (double cx : RowCrossings(flat, y))
        below += cx < double(x) ? 1 : 0;
    return below % 2 == 1;
}

// The rectangle turned back by the pattern angle: its bounding box in the pattern frame.
CordRect TurnedBox(const CordRect& r)
{
    Cord c[4] = {{Masked(r.x1), Masked(r.y1)}, {Masked(r.x2), Masked(r.y1)},
                 {Masked(r.x2), Masked(r.y2)}, {Masked(r.x1), Masked(r.y2)}};
    RotatePointsBack(0, 0, c, 4, Pattern.Cos, Pattern.Sin, c);
    CordRect b{c[0].x, c[0].y, c[0].x, c[0].y};
    for (const Cord& p : c) {
        b.x1 = std::min(b.x1, p.x);
        b.y1 = std::min(b.y1, p.y);
        b.x2 = std::max(b.x2, p.x);
        b.y2 = std::max(b.y2, p.y);
    }
    return b;
}

bool HatchApplies()
{
    const int mode = Field(AreaHatchMode);
    return (mode == 1 || mode == 2) && Field(AreaHatchColor) == Graph.CurrentColor
           && Field(AreaHatchLineWidth) >= 1 && Field(AreaHatchDist) >= 0;
}

bool StructureApplies()
{
    const int mode = Field(AreaStructMode);
    return (mode == 1 || mode == 2) && Field(AreaStructWidth) >= 1 && Field(AreaStructHeight) >= 1;
}

std::span<const uint8_t> StructureList(int& slots)
{
    const std::span<const uint8_t> rec = AreaRecord();
    slots = Field(AreaStructSlots);
    if (rec.size() < size_t(AreaSymbolFixedBytes) || slots < 0 || slots > MaxElementListSlots
        || rec.size() < size_t(AreaSymbolFixedBytes) + size_t(slots) * 8) {
        slots = 0;
        return {};
    }
    return rec.subspan(AreaSymbolFixedBytes, size_t(slots) * 8);
}

bool StructureHasColor(int color)
{
    int slots = 0;
    const std::span<const uint8_t> list = StructureList(slots);
    int slot = 0;
    SymbolElementView e;
    while (NextSymbolElement(list, slots, slot, e))
        if (e.Color == color)
            return true;
    return false;
}

std::string PsNumber(double v, int digits) { return FloatToPointStr(digits, v).toStdString(); }

// The piece in WorkPoints2 as an SVG path, then the group the caller opened is closed.
void WriteSvgFillPath()
{
    WriteSvgFillPathElement();
    WriteOutputLine("</g>");
}

// Illustrator (5) and SVG (6): the piece filled with the exporter's named patterns.
void PatternReferences(const Cord* points, int count)
{
    const int symbol = DrawElement.Symbol;
    const int objAngle = DrawElement.Angle;
    const auto reference = [&](bool hatch, int angle) {
        if (Graph.OutputMode == IllustratorOutput) {
            const std::string name =
                AiPatternName(symbol, hatch, Graph.CurrentColor, ExportPatternNames.Separation);
            if (!ExportPatternNames.Names.count(name))
                return;
            const double x = -double(Scale.ViewOrigin.x) * Scale.ViewScaleX * 72 / 2540;
            const double y = -double(Scale.ViewOrigin.y) * Scale.ViewScaleY * 72 / 2540;
            WriteOutputLine("(" + name + ") " + PsNumber(x, 2) + " " + PsNumber(y, 2) + " 1 1 "
                            + PsNumber(angle / 10.0, 1) + " 0 0 0 0 [1 0 0 1 0 0] p");
            ToWorkPoints(points, count);
            GraphFill(false);   // the Illustrator fill path
        } else {
            const std::string name = SvgPatternName(symbol, hatch, Graph.CurrentColor, angle);
            if (!ExportPatternNames.Names.count(name))
                return;
            WriteOutputLine(std::string("<g fill=") + Q + "url(#" + name + ")" + Q + " >");
            ToWorkPoints(points, count);
            WriteSvgFillPath();
        }
    };
    if (HatchApplies()) {
        reference(true, Field(AreaHatchAngle1) + objAngle);
        if (Field(AreaHatchMode) == 2)
            reference(true, Field(AreaHatchAngle2) + objAngle);
    }
    if (StructureApplies())
        reference(false, Field(AreaStructAngle) + objAngle);
}

// PostScript: the cell once as a procedure, the grid as loops.
void WritePsStructure(int angle, int64_t r0, int64_t r1, int64_t c0, int64_t c1)
{
    const int W = Field(AreaStructWidth), H = Field(AreaStructHeight);
    const std::string name = PsPatternName(DrawElement.Symbol, Graph.CurrentColor);
    if (!ExportPatternNames.Names.count(name)) {
        WriteOutputLine("/Pat" + name + "{");
        // The procedure draws around its own origin; the loops put it in place.
        const Cord savedOrigin = Scale.ViewOrigin;
        Scale.ViewOrigin = {0, 0};
        DrawStructureCell(0, 0);
        Scale.ViewOrigin = savedOrigin;
        WriteOutputLine("}bind def");
        ExportPatternNames.Names.insert(name);
    }
    const int psAngle = Scale.ViewScaleY <= 0 ? -angle : angle;
    WriteOutputLine(std::to_string(psAngle) + " " + FormatPsPoint({0, 0}) + "rt");
    const double sx = Scale.ViewScaleX * 256, sy = Scale.ViewScaleY * 256;
    const auto loops = [&](double yStart, double dy, double xStart) {
        WriteOutputLine(PsNumber(yStart, 0) + " " + PsNumber(dy, 3) + " "
                        + PsNumber(double(r1) * H * sy, 0) + "{");
        WriteOutputLine(PsNumber(xStart, 0) + " " + PsNumber(W * sx, 3) + " "
                        + PsNumber(double(c1) * W * sx, 0) + "{gsave 1 index translate Pat" + name
                        + " grestore}for");
        WriteOutputLine("pop}for");
    };
    if (Field(AreaStructMode) == 1) {
        loops(double(r0) * H * sy, H * sy, double(c0) * W * sx);
    } else {
        loops(double(r0 & ~int64_t(1)) * H * sy, 2.0 * H * sy, double(c0) * W * sx);
        loops(double(r0 | 1) * H * sy, 2.0 * H * sy, (double(c0) - 0.5) * W * sx);
    }
    WriteOutputLine("re");
}

} // namespace

std::string PsPatternName(int symbol, int color)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%03d", std::clamp(symbol, 0, 99999), std::clamp(color, 0, 999));
    return buf;
}

std::string AiPatternName(int symbol, bool hatch, int color, int separation)
{
    std::string name = FloatToPointStr(1, symbol / 10.0).toStdString()
                       + (hatch ? " Hatch " : " Pattern ") + std::to_string(color);
    if (separation >= 0) {
        name += '.';
        name += std::to_string(separation);
    }
    return name;
}

std::string SvgPatternName(int symbol, bool hatch, int color, int angle)
{
    return std::string(hatch ? "Hatch" : "Pattern") + FloatToPointStr(1, symbol / 10.0).toStdString()
           + "c" + std::to_string(color) + "ang" + std::to_string(angle);
}

bool AreaSymbolUsable(std::span<const uint8_t> rec)
{
    if (rec.size() < size_t(AreaSymbolFixedBytes))
        return false;
    const int size = SymI16(rec, SymSize);
    const int slots = SymI16(rec, AreaStructSlots);
    return slots >= 0 && slots <= MaxElementListSlots && size == AreaSymbolFixedBytes + 8 * slots
           && rec.size() >= size_t(size);
}

void DrawAreaObject()
{
    if (DrawElement.nItem < 3)
        return;
    if (SymbolGraphicsEditing()) {
        DrawAreaOutlineAndFill();
        return;
    }
    if (!AreaSymbolUsable(AreaRecord())) {
        DrawGreyArea();
        return;
    }
    DrawAreaSymbolParts();
}

void DrawAreaSymbolParts()
{
    const bool fillOn = Field(AreaFillOn) != 0;
    if (fillOn && Field(AreaFillColor) == Graph.CurrentColor) {
        DrawAreaOutlineAndFill();
        return;
    }
    const SetupRecord* setup = MapSetup();
    if (setup && setup->HatchView && Graph.OutputMode == ScreenOutput) {
        if (!fillOn)
            DrawAreaOutlineAndFill();
        return;
    }
    // Nothing of this colour in the patterns: no pieces to cut.
    if (!HatchApplies() && !(StructureApplies() && StructureHasColor(Graph.CurrentColor)))
        return;
    const std::vector<Cord> outline(DrawElement.Cords(), DrawElement.Cords() + DrawElement.nItem);
    SplitArea(outline.data(), int(outline.size()), AreaPatternPiece, 0);
}

void DrawAreaOutlineAndFill()
{
    const int n = DrawElement.nItem;
    const Cord* p = DrawElement.Cords();
    const SetupRecord* setup = MapSetup();
    if (setup && setup->HatchView && Graph.OutputMode == ScreenOutput) {
        for (int start = 0; start < n;) {
            const int end = RingEnd(p, n, start);
            GraphMoveTo(p[start].x, p[start].y & ~HoleFlag);
            for (int i = start + 1; i < end; ++i)
                GraphLineTo(p[i].x, p[i].y);
            GraphLineTo(p[start].x, p[start].y & ~HoleFlag);
            GraphStroke(1, 0);
            start = std::max(end, start + 1);
        }
    }
    GraphFillArea(p, n, true);
}

void DrawGreyArea()
{
    const uint32_t saved = Graph.OutputCmyk;
    Graph.OutputCmyk = Graph.GreyCmyk;
    DrawAreaOutlineAndFill();
    Graph.OutputCmyk = saved;
}

bool AreaPatternPiece(const Cord* points, int count)
{
    const std::vector<Cord> piece(points, points + std::max(count, 0));
    if (Graph.OutputMode == IllustratorOutput || Graph.OutputMode == SvgOutput) {
        if (count < 3)
            return true;
        if (count > 1024)
            return false;
        PatternReferences(piece.data(), count);
        return true;
    }
    ToWorkPoints(piece.data(), count);
    const int clip = GraphClip();
    if (clip == 0)
        return false;
    if (clip == 2)
        return true;
    if (HatchApplies()) {
        DrawHatch(piece.data(), count, Field(AreaHatchAngle1));
        if (Field(AreaHatchMode) == 2)
            DrawHatch(piece.data(), count, Field(AreaHatchAngle2));
    }
    if (StructureApplies())
        DrawStructurePattern(piece.data(), count);
    GraphResetClip();
    return true;
}

void DrawHatch(const Cord* points, int count, int angle)
{
    const int dist = Field(AreaHatchDist);
    if (std::abs(dist * Scale.ViewScaleY * 256) >= 1)
        DrawHatchLines(points, count, Field(AreaHatchLineWidth), DrawElement.Angle + angle, dist);
    else
        GraphFillArea(points, count, true);
}

CordRect HatchFrame(const Cord* points, int count, int angle)
{
    CosSinOf(angle, Pattern.Cos, Pattern.Sin);
    Pattern.Turned.assign(points, points + std::max(count, 0));
    RotatePointsBack(0, 0, Pattern.Turned.data(), count, Pattern.Cos, Pattern.Sin,
                     Pattern.Turned.data());
    CordRect b{};
    for (int i = 0; i < count; ++i) {
        const int32_t x = Masked(Pattern.Turned[size_t(i)].x), y = Masked(Pattern.Turned[size_t(i)].y);
        if (i == 0) {
            b = {x, y, x, y};
            continue;
        }
        b.x1 = std::min(b.x1, x);
        b.y1 = std::min(b.y1, y);
        b.x2 = std::max(b.x2, x);
        b.y2 = std::max(b.y2, y);
    }
    Pattern.Box = b;
    return b;
}

void DrawHatchLines(const Cord* points, int count, int width, int angle, int distance)
{
    if (count < 3 || width < 1 || distance < 0)
        return;
    const CordRect box = HatchFrame(points, count, angle);
    const int64_t p = int64_t(width) + distance;
    int64_t r0 = ((box.y1 / 256) - width / 2) / p - 1;
    int64_t r1 = ((box.y2 / 256) + width / 2) / p + 1;
    // Rows that cannot reach the visible part are left out.
    const CordRect clip = TurnedBox(Graph.ClipRect);
    r0 = std::max(r0, ((clip.y1 / 256) - width / 2) / p - 1);
    r1 = std::min(r1, ((clip.y2 / 256) + width / 2) / p + 1);
    const bool geometric = ClipIsGeometric();
    const std::vector<Cord> flat = geometric ? FlatTurnedPiece() : std::vector<Cord>();
    for (int64_t r = r0; r <= r1; ++r) {
        const int64_t y = r * p * 256;
        if (y < SafeRoundMin || y > SafeRoundMax)
            continue;
        const auto stroke = [&](int64_t xa, int64_t xb) {
            GraphMoveTo(Masked(Clamp32(xa)), Masked(int32_t(y)));
            GraphLineTo(Masked(Clamp32(xb)), Masked(int32_t(y)));
            GraphRotateCosSin(0, 0, Pattern.Cos, Pattern.Sin);
            GraphStroke(width, 0);
        };
        if (!geometric) {
            stroke(box.x1, box.x2);
            continue;
        }
        const std::vector<double> xs = RowCrossings(flat, y);
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            const int64_t xa = SafeRound(xs[i]), xb = SafeRound(xs[i + 1]);
            if (Masked(Clamp32(xa)) != Masked(Clamp32(xb)))
                stroke(xa, xb);
        }
    }
}

void DrawStructurePattern(const Cord* points, int count)
{
    if (count < 3)
        return;
    const int objAngle = DrawElement.Angle;
    const int A = objAngle + Field(AreaStructAngle);
    const CordRect box = HatchFrame(points, count, A);
    int slots = 0;
    const std::span<const uint8_t> list = StructureList(slots);
    const int64_t e = ElementListExtent(list, slots);
    if (double(e) * 256 * std::abs(Scale.ViewScaleX) < 0.5)
        return;
    const int64_t W = Field(AreaStructWidth), H = Field(AreaStructHeight);
    if (W < 1 || H < 1)
        return;
    const bool offsetRows = Field(AreaStructMode) == 2;
    int64_t r0 = ((box.y1 / 256) - e) / H - 1;
    int64_t r1 = ((box.y2 / 256) + e) / H + 1;
    int64_t c0 = ((box.x1 / 256) - e) / W - 1;
    int64_t c1 = ((box.x2 / 256) + e) / W + 2;
    if (Graph.OutputMode == PostScriptOutput) {
        WritePsStructure(A, r0, r1, c0, c1);
        return;
    }
    // Cells that cannot reach the visible part are left out before any element work.
    const CordRect clip = TurnedBox(Graph.ClipRect);
    r0 = std::max(r0, ((clip.y1 / 256) - e) / H - 1);
    r1 = std::min(r1, ((clip.y2 / 256) + e) / H + 1);
    c0 = std::max(c0, ((clip.x1 / 256) - e) / W - 1);
    c1 = std::min(c1, ((clip.x2 / 256) + e) / W + 2);
    if (r1 < r0 || c1 < c0)
        return;
    if ((r1 - r0 + 1) * (c1 - c0 + 1) > MaxStructureCellsPerPiece)
        return;
    const double cosA = Pattern.Cos, sinA = Pattern.Sin;
    const bool hitTest = Graph.OutputMode == NewObjectOutput;
    const std::vector<Cord> flat = hitTest ? FlatTurnedPiece() : std::vector<Cord>();
    const CordRect& cr = Graph.ClipRect;
    const int64_t grow = e * 256;
    for (int64_t r = r0; r <= r1 && !AbortRequested; ++r) {
        const int64_t y = r * H * 256;
        for (int64_t c = c0; c <= c1; ++c) {
            int64_t x = c * W;
            if (offsetRows && (r & 1))
                x -= W / 2;
            x *= 256;
            if (hitTest && !InsideFlat(flat, x, y))
                continue;
            Cord o{Masked(Clamp32(x)), Masked(Clamp32(y))};
            RotatePoints(0, 0, &o, 1, cosA, sinA, &o);
            if (!hitTest
                && (o.x < cr.x1 - grow || o.x > cr.x2 + grow || o.y < cr.y1 - grow || o.y > cr.y2 + grow))
                continue;
            DrawStructureCell(o.x, o.y);
        }
        if (Graph.OutputMode == ScreenOutput)
            DispatchKeyMessages();
    }
}

void DrawStructureCell(int32_t x, int32_t y)
{
    const std::span<const uint8_t> rec = AreaRecord();
    const int slots = Field(AreaStructSlots);
    if (rec.size() < size_t(AreaSymbolFixedBytes) || slots < 0 || slots > MaxElementListSlots
        || rec.size() < size_t(AreaSymbolFixedBytes) + size_t(slots) * 8)
        return;
    ElementPlacement place;
    place.Origin = {x, y};
    if (Graph.OutputMode == PostScriptOutput) {
        // Turned back by the structure angle: the grid's own turn leaves the object angle.
        CosSinOf(Field(AreaStructAngle), place.Cos, place.Sin);
        place.Sin = -place.Sin;
    } else {
        CosSinOf(DrawElement.Angle, place.Cos, place.Sin);
    }
    DrawElementList(rec.subspan(AreaSymbolFixedBytes, size_t(slots) * 8), slots, place);
}

} // namespace zemo
