#include "symbols/AreaSym.h"

#include "document/Index.h"
#include "edit/Work.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zemo {

int AreaModeEntry(int stored)
{
    return stored >= 0 && stored <= 2 ? stored : 0;
}

SymbolEditSession OpenAreaSymbol(const SymbolBytes* rec, int pos, std::span<const int16_t> numberTable)
{
    std::span<const uint8_t> stored;
    SymbolEditSession s = OpenSymbolWork(SymbolEditorKind::Area, rec, pos, numberTable, &stored);
    if (!stored.empty())
        s.Lists[0] = TakeElementList(stored, AreaSymbolFixedBytes, SymI16(stored, AreaStructSlots),
                                     &s.ListDropped);
    return s;
}

SymbolBytes BuildAreaSymbol(const SymbolEditSession& s)
{
    if (s.Work.size() < size_t(AreaSymbolFixedBytes))
        return {};
    // Without a structure its elements go.
    static const ElementList none;
    const ElementList& list = SymI16(s.Work, AreaStructMode) >= StructRect ? s.Lists[0] : none;
    const size_t size = size_t(AreaSymbolFixedBytes) + list.Bytes.size();
    if (size > size_t(MaxSymbolBytes))
        return {};
    SymbolBytes rec(s.Work.begin(), s.Work.begin() + AreaSymbolFixedBytes);
    rec.insert(rec.end(), list.Bytes.begin(), list.Bytes.end());
    SetSymI16(rec, SymSize, int16_t(size));
    SetSymI16(rec, SymObjectType, AreaObject);
    SetSymU8(rec, SymTextFlag, 0);
    SetSymI16(rec, AreaStructSlots, int16_t(list.Slots()));
    CalcAreaSymbolInfo(rec);
    return rec;
}

void PrepareStructureEdit(SymbolBytes& work)
{
    for (size_t o : {AreaStructWidth, AreaStructHeight})
        if (SymI16(work, o) == 0)
            SetSymI16(work, o, StructDefaultSize);
    if (SymI16(work, AreaStructMode) == StructNone)
        SetSymI16(work, AreaStructMode, StructRect);
}

AreaPattern AreaPatternOf(const SymbolBytes& work, const SymbolHeaderBlock& colors)
{
    AreaPattern p;
    if (SymI16(work, AreaFillOn) != 0) {
        const int fill = SymI16(work, AreaFillColor);
        const int count = std::clamp<int>(colors.ColorCount, 0, MaxColors);
        for (int i = 0; i < count; ++i)
            if (colors.Colors[size_t(i)].Number == fill) {
                p.BackgroundColor = i;
                break;
            }
    }
    p.OffsetRows = SymI16(work, AreaStructMode) == StructOffset;
    p.Width = SymI16(work, AreaStructWidth);
    p.Height = SymI16(work, AreaStructHeight);
    const double a = SymI16(work, AreaStructAngle) / 10.0 * std::numbers::pi / 180.0;
    p.Sin = std::sin(a);
    p.Cos = std::cos(a);
    return p;
}

void ShowAreaPattern(MapView& v, const SymbolEditSession* s)
{
    const bool on = s && s->Kind == SymbolEditorKind::Area && v.Document;
    const AreaPattern p = on ? AreaPatternOf(s->Work, v.Document->ColorBlock) : AreaPattern{};
    v.PatternPreview = on;
    v.PatternBackgroundColor = p.BackgroundColor;
    v.PatternHalfShift = p.OffsetRows;
    v.PatternWidth = p.Width;
    v.PatternHeight = p.Height;
    v.PatternSin = p.Sin;
    v.PatternCos = p.Cos;
    // The map's extent in this mode reaches half a cell beyond the elements.
    v.SymbolGraphics.RepeatPattern = on;
    v.SymbolGraphics.CellWidth = p.Width;
    v.SymbolGraphics.CellHeight = p.Height;
}

void EditAreaSymbol(const SymbolBytes* rec, int pos)
{
    if (!Index.ActiveZmd)
        return;
    RunSymbolEditor(std::make_shared<SymbolEditSession>(
        OpenAreaSymbol(rec, pos, Index.ActiveZmd->NumberTable)));
}

} // namespace zemo
