#include "render/Redraw.h"

#include "core/Element.h"
#include "core/Folders.h"
#include "core/Numeric.h"
#include "core/Setup.h"
#include "core/Status.h"
#include "document/Index.h"
#include "platform/Device.h"
#include "render/Areas.h"
#include "render/GraphSys.h"
#include "render/Lines.h"
#include "render/Points.h"
#include "render/Rects.h"
#include "render/Scale.h"
#include "render/Texts.h"
#include "symbols/store/SymbolRecords.h"

#include <algorithm>
#include <cmath>

namespace zemo {

uint32_t PackCmyk(const std::array<uint8_t, 4>& c)
{
    return uint32_t(c[0]) | (uint32_t(c[1]) << 8) | (uint32_t(c[2]) << 16) | (uint32_t(c[3]) << 24);
}

uint32_t MapColorCmyk(int number, uint32_t fallback)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return fallback;
    const int count = std::clamp<int>(z->ColorBlock.ColorCount, 0, int(z->ColorBlock.Colors.size()));
    for (int i = 0; i < count; ++i)
        if (z->ColorBlock.Colors[size_t(i)].Number == number)
            return PackCmyk(z->ColorBlock.Colors[size_t(i)].Cmyk);
    return fallback;
}

namespace {

const SetupRecord* MapSetup() { return Index.ActiveZmd ? &Index.ActiveZmd->Setup : nullptr; }

void CopyIntoDrawElement(const ElementRecord& e)
{
    if (&e == &DrawElement)
        return;
    DrawElement.Symbol = e.Symbol;
    DrawElement.ObjectType = e.ObjectType;
    DrawElement.Flags = e.Flags;
    DrawElement.nItem = e.nItem;
    DrawElement.nText = e.nText;
    DrawElement.Angle = e.Angle;
    DrawElement.Word10 = e.Word10;
    DrawElement.Word12 = e.Word12;
    DrawElement.Word14 = e.Word14;
    DrawElement.LayerName = e.LayerName;
    const size_t n = std::min(e.SlotCount(), ElementSlotCapacity);
    std::copy_n(e.Slots.begin(), n, DrawElement.Slots.begin());
}

// The set-up shared by erasing and painting; false without a surface.
bool BeginViewDrawing(const RedrawView& view)
{
    if (!view.Dc)
        return false;
    CopyIntoDrawElement(Index.CurElement);
    Graph.ClipRect = Scale.DrawRect;
    const SetupRecord* setup = MapSetup();
    SetOutputAdjust(100, 100, setup && setup->HatchView);
    Graph.OutputMode = ScreenOutput;
    SymbolBytes* rec = nullptr;
    GetSymbol(DrawElement.Symbol, rec);
    DrawSymbol = rec ? rec->data() : DefaultSymbol.data();
    Graph.OutputDC = view.Dc;
    BeginDrawing(false);
    return true;
}

// The edited element again at the neighbouring pattern cells.
void DrawRepeats(const RedrawView& view, uint32_t ink)
{
    Cord offsets[8];
    const int n = PatternRepeatOffsets(view, offsets);
    const Cord saved = Scale.ViewOrigin;
    for (int i = 0; i < n; ++i) {
        const double dx = 256.0 * offsets[i].x, dy = 256.0 * offsets[i].y;
        Scale.ViewOrigin.x = SafeRound(double(saved.x) + std::nearbyint(dx * view.PatternCos - dy * view.PatternSin));
        Scale.ViewOrigin.y = SafeRound(double(saved.y) + std::nearbyint(dx * view.PatternSin + dy * view.PatternCos));
        DrawObjectColorPasses([ink](uint32_t) { return ink; });
    }
    Scale.ViewOrigin = saved;
}

} // namespace

void DrawObjectByType()
{
    switch (DrawElement.ObjectType) {
    case PointObject:
        DrawPointObject();
        break;
    case LineObject:
        DrawLineObject();
        break;
    case AreaObject:
        DrawAreaObject();
        break;
    case TextObject:
        DrawTextObject();
        break;
    case RectangleObject:
        DrawRectangleObject();
        break;
    default:
        break;
    }
}

bool SymbolHasColor(const uint8_t* symbol, int color)
{
    if (!symbol || color < 0 || color >= MaxColors)
        return false;
    const std::span<const uint8_t> rec = SymbolSpan(symbol);
    if (rec.size() < SymColorSet + SymColorSetBytes)
        return false;
    return SymColors(rec).test(size_t(color));
}

void DrawObjectColorPasses(const std::function<uint32_t(uint32_t cmyk)>& cmykOf)
{
    if (!Index.ActiveZmd)
        return;
    const SymbolHeaderBlock& block = Index.ActiveZmd->ColorBlock;
    const int count = std::clamp<int>(block.ColorCount, 0, MaxColors);
    for (int i = count - 1; i >= 0; --i) {
        const ColorRecord& c = block.Colors[size_t(i)];
        if (!SymbolHasColor(DrawSymbol, c.Number))
            continue;
        Graph.CurrentColor = c.Number;
        Graph.OutputCmyk = cmykOf(PackCmyk(c.Cmyk));
        DrawObjectByType();
    }
}

int PatternRepeatOffsets(const RedrawView& view, Cord* o)
{
    if (!view.SymbolGraphics || !view.ShowRepeats || view.CellWidth <= 0 || view.CellHeight <= 0)
        return 0;
    const int W = view.CellWidth, H = view.CellHeight;
    if (view.OffsetRows) {
        const Cord r[6] = {{-W / 2, -H}, {W / 2, -H}, {-W / 2, H}, {W / 2, H}, {-W, 0}, {W, 0}};
        std::copy_n(r, 6, o);
        return 6;
    }
    const Cord r[8] = {{-W, -H}, {-W, H}, {0, -H}, {0, H}, {W, -H}, {W, H}, {-W, 0}, {W, 0}};
    std::copy_n(r, 8, o);
    return 8;
}

void EraseElement(const RedrawView& view)
{
    if (!BeginViewDrawing(view))
        return;
    const uint32_t grey = Graph.GreyCmyk;
    Graph.OutputCmyk = 0;
    Graph.GreyCmyk = 0;
    DrawObjectColorPasses([](uint32_t) { return 0u; });
    DrawRepeats(view, 0);
    Graph.GreyCmyk = grey;
    EndDrawing();
    Graph.OutputDC = nullptr;
}

void PaintElement(const RedrawView& view)
{
    if (!BeginViewDrawing(view))
        return;
    DrawObjectColorPasses([](uint32_t cmyk) { return ScreenCorrectedColor(cmyk); });
    DrawRepeats(view, Graph.GreyCmyk);
    EndDrawing();
    Graph.OutputDC = nullptr;
}

void DrawTemplateColorPass(const std::function<void()>& progress, bool& drawn)
{
    StartElementScan(1);
    while (!AbortRequested && NextElementInRect(Graph.ClipRect, Graph.CurrentColor)) {
        SymbolBytes* rec = nullptr;
        if (GetSymbol(Index.CurIndex.Symbol, rec) && rec
            && (SymU8(*rec, SymStatus) & SymbolStatusMask) < 2
            && ReadElement(Index.CurIndexNo, DrawElement)) {
            DrawSymbol = rec->data();
            DrawObjectByType();
            drawn = true;
        }
        if (progress)
            progress();
    }
}

void DrawArrowMarker(Device& dc, const RedrawView& view)
{
    const QPoint p = CordToDevice(view.ArrowPoint);
    if (!(p.x() > -18 && p.x() < 10000 && p.y() >= -33 && p.y() < 10000))
        return;
    static constexpr int Offsets[8][2] = {{0, 0}, {0, 13}, {3, 10}, {6, 17},
                                          {9, 15}, {5, 9}, {9, 9}, {0, 0}};
    std::vector<QPointF> poly;
    for (const auto& d : Offsets)
        poly.emplace_back(p.x() - 2 * d[0], p.y() - 2 * d[1]);
    dc.save();
    DevicePen pen;
    pen.color = DeviceColor{0, 0, 0};
    pen.width = 1;
    dc.setPen(pen);
    dc.setBrush(DeviceBrush{BrushStyle::Solid, DeviceColor{255, 255, 255}, HatchStyle::Horizontal});
    dc.polygon(poly);
    dc.restore();
}

} // namespace zemo
