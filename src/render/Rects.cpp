#include "render/Rects.h"

#include "core/Folders.h"
#include "document/Index.h"
#include "core/Numeric.h"
#include "render/GraphSys.h"
#include "render/Points.h"
#include "render/RectLabels.h"
#include "render/Texts.h"
#include "symbols/store/SymbolRecords.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

std::array<uint8_t, RectSymbolBytes> DefaultRectSymbol{};

namespace {

int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, SafeRoundMin, SafeRoundMax)); }
int32_t RoundMasked(double v) { return Masked(SafeRound(v)); }

void Line(int32_t ax, int32_t ay, int32_t bx, int32_t by, const RectFrame& f, int width)
{
    GraphMoveTo(ax, ay);
    GraphLineTo(bx, by);
    if (f.Angle != 0)
        GraphRotate(f.Centre.x, f.Centre.y, f.Angle);
    GraphStroke(width, 1);
}

void OutlinePath(const RectFrame& f, int32_t r)
{
    const int32_t x1 = f.X1, y1 = f.Y1, x2 = f.X2, y2 = f.Y2;
    if (r <= 0) {
        GraphMoveTo(x1, y1);
        GraphLineTo(x2, y1);
        GraphLineTo(x2, y2);
        GraphLineTo(x1, y2);
        GraphLineTo(x1, y1);
        return;
    }
    const int32_t k = Masked(int32_t(std::nearbyint(0.45 * r)));
    const auto c1 = [](int32_t x, int32_t y) { GraphLineTo(x | FirstBezierFlag, y); };
    const auto c2 = [](int32_t x, int32_t y) { GraphLineTo(x | SecondBezierFlag, y); };
    GraphMoveTo(x1 + r, y1);
    GraphLineTo(x2 - r, y1);
    c1(x2 - k, y1);
    c2(x2, y1 + k);
    GraphLineTo(x2, y1 + r);
    GraphLineTo(x2, y2 - r);
    c1(x2, y2 - k);
    c2(x2 - k, y2);
    GraphLineTo(x2 - r, y2);
    GraphLineTo(x1 + r, y2);
    c1(x1 + k, y2);
    c2(x1, y2 - k);
    GraphLineTo(x1, y2 - r);
    GraphLineTo(x1, y1 + r);
    c1(x1, y1 + k);
    c2(x1 + k, y1);
    GraphLineTo(x1 + r, y1);
}

} // namespace

void InitRectSymbols()
{
    DefaultRectSymbol.fill(0);
    SetSymI16(DefaultRectSymbol, SymSize, RectSymbolBytes);
    SetSymI16(DefaultRectSymbol, RectLineWidth, 15);
}

bool RectangleFrame(const ElementRecord& e, RectFrame& f)
{
    if (e.nItem < 4)
        return false;
    const Cord* c = e.Cords();
    if (CordsEqual(c[0], c[2]))
        return false;
    Cord a{Masked(c[0].x), Masked(c[0].y)};
    Cord b{Masked(c[2].x), Masked(c[2].y)};
    f.Angle = e.Angle;
    if (e.Angle != 0) {
        int64_t mx = 0, my = 0;
        for (int i = 0; i < 4; ++i) {
            mx += Masked(c[i].x) / 4;
            my += Masked(c[i].y) / 4;
        }
        f.Centre = {Masked(Clamp32(mx)), Masked(Clamp32(my))};
        const double ang = e.Angle / 1800.0 * std::numbers::pi;
        RotatePointsBack(f.Centre.x, f.Centre.y, &a, 1, std::cos(ang), std::sin(ang), &a);
        RotatePointsBack(f.Centre.x, f.Centre.y, &b, 1, std::cos(ang), std::sin(ang), &b);
    } else {
        f.Centre = {Masked(Clamp32((int64_t(a.x) + b.x) / 2)), Masked(Clamp32((int64_t(a.y) + b.y) / 2))};
    }
    // Corners given the other way round would make the radius negative and the cell numbers
    // run backwards.
    f.X1 = std::min(a.x, b.x);
    f.X2 = std::max(a.x, b.x);
    f.Y1 = std::min(a.y, b.y);
    f.Y2 = std::max(a.y, b.y);
    return true;
}

int32_t RectCornerRadiusUnits(const RectFrame& f, int radius)
{
    int64_t r = int64_t(std::max(radius, 0)) * 256;
    const int64_t halfW = int64_t(f.X2 / 2) - f.X1 / 2;
    const int64_t halfH = int64_t(f.Y2 / 2) - f.Y1 / 2;
    r = std::min(r, halfW);
    r = std::min(r, halfH);
    return Masked(int32_t(std::max<int64_t>(r, 0)));
}

RectGridSize RectGridCells(const RectFrame& f, std::span<const uint8_t> rec)
{
    RectGridSize g;
    if (!(SymI16(rec, RectGridFlags) & RectGridOnBit))
        return g;
    const int cw = SymI16(rec, RectCellWidth), ch = SymI16(rec, RectCellHeight);
    const double w = double(f.X2) - f.X1, h = double(f.Y2) - f.Y1;
    const double nx = cw > 0 ? std::nearbyint(w / cw / 256) : 1;
    const double ny = ch > 0 ? std::nearbyint(h / ch / 256) : 1;
    if (nx > MaxRectGridLines || ny > MaxRectGridLines)
        return g;
    g.Columns = int64_t(nx);
    g.Rows = int64_t(ny);
    return g;
}

std::vector<RectGridLabel> RectGridLabels(const RectFrame& f, std::span<const uint8_t> rec)
{
    std::vector<RectGridLabel> out;
    const RectGridSize g = RectGridCells(f, rec);
    const int64_t nx = g.Columns, ny = g.Rows;
    if (nx < 1 || ny < 1 || nx * ny > MaxRectGridLabels)
        return out;
    const bool fromBottom = SymI16(rec, RectGridFlags) & RectNumberFromBottomBit;
    const int64_t unnumbered = SymI16(rec, RectUnnumberedCells);
    const std::string fixedText =
        rec.size() >= RectUnnumberedText + 4 ? ShortFieldText(rec.subspan(RectUnnumberedText, 4)) : std::string();
    const double cellW = (double(f.X2) - f.X1) / double(nx);
    const double cellH = (double(f.Y2) - f.Y1) / double(ny);
    out.reserve(size_t(nx * ny));
    for (int64_t r = 0; r < ny; ++r) {
        for (int64_t c = 0; c < nx; ++c) {
            RectGridLabel label;
            label.Pos.x = SafeRound(f.X1 + cellW * (double(c) + 0.07));
            label.Pos.y = Clamp32(int64_t(SafeRound(f.Y2 - cellH * (double(r) + 0.05))) - 107520);
            const int64_t number = (fromBottom ? ny - r - 1 : r) * nx + c + 1;
            label.Text = number > nx * ny - unnumbered ? fixedText : std::to_string(number);
            out.push_back(std::move(label));
        }
    }
    return out;
}

void DrawRectangleObject()
{
    if (DrawElement.nText > 0) {
        DrawTextObject();
        return;
    }
    DrawRectangleSymbol();
}

void DrawRectangleSymbol()
{
    std::span<const uint8_t> rec = SymbolSpan(DrawSymbol);
    const bool usable = rec.size() == size_t(RectSymbolBytes)
                        && SymI16(rec, SymObjectType) == RectangleObject;
    if (usable && SymI16(rec, RectLineColor) != Graph.CurrentColor)
        return;
    if (!usable && SymI16(DefaultRectSymbol, SymSize) != RectSymbolBytes)
        InitRectSymbols();
    RectFrame f;
    if (!RectangleFrame(DrawElement, f))
        return;
    const uint32_t saved = Graph.OutputCmyk;
    if (!usable) {
        rec = DefaultRectSymbol;
        Graph.OutputCmyk = Graph.GreyCmyk;
    }

    OutlinePath(f, RectCornerRadiusUnits(f, SymI16(rec, RectCornerRadius)));
    if (f.Angle != 0)
        GraphRotate(f.Centre.x, f.Centre.y, f.Angle);
    GraphStroke(SymI16(rec, RectLineWidth), 1);

    const RectGridSize g = RectGridCells(f, rec);
    if (g.Columns >= 1 && g.Rows >= 1) {
        const double cellW = (double(f.X2) - f.X1) / double(g.Columns);
        const double cellH = (double(f.Y2) - f.Y1) / double(g.Rows);
        for (int64_t i = 1; i < g.Columns; ++i) {
            const int32_t x = RoundMasked(f.X1 + cellW * double(i));
            Line(x, f.Y1, x, f.Y2, f, 13);
        }
        for (int64_t j = 1; j < g.Rows; ++j) {
            const int32_t y = RoundMasked(f.Y1 + cellH * double(j));
            Line(f.X1, y, f.X2, y, f, 14);
        }
        for (const RectGridLabel& label : RectGridLabels(f, rec))
            DrawRectLabel(label.Text, label.Pos, f.Centre, f.Angle);
    }
    Graph.OutputCmyk = saved;
}

} // namespace zemo
