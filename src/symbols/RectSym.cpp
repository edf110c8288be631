#include "symbols/RectSym.h"

#include "document/Index.h"

namespace zemo {

int GridFlagsOf(bool gridOn, bool fromBottom)
{
    return (gridOn ? RectGridOnBit | 2 : 0) | (fromBottom ? RectNumberFromBottomBit : 0);
}

SymbolEditSession OpenRectSymbol(const SymbolBytes* rec, int pos, std::span<const int16_t> numberTable)
{
    std::span<const uint8_t> stored;
    return OpenSymbolWork(SymbolEditorKind::Rect, rec, pos, numberTable, &stored);
}

SymbolBytes BuildRectSymbol(const SymbolEditSession& s)
{
    if (s.Work.size() < size_t(RectSymbolBytes))
        return {};
    SymbolBytes rec(s.Work.begin(), s.Work.begin() + RectSymbolBytes);
    SetSymI16(rec, SymSize, int16_t(RectSymbolBytes));
    SetSymI16(rec, SymObjectType, RectangleObject);
    SetSymU8(rec, SymTextFlag, 0);
    ColorSet set;
    const int color = SymI16(rec, RectLineColor);
    if (color >= 0 && color <= 255)
        set.set(size_t(color));
    SetSymColors(rec, set);
    SetSymI16(rec, SymExtent, int16_t(SymI16(rec, RectLineWidth) / 2 + RectExtentMargin));
    return rec;
}

void EditRectSymbol(const SymbolBytes* rec, int pos)
{
    if (!Index.ActiveZmd)
        return;
    RunSymbolEditor(std::make_shared<SymbolEditSession>(
        OpenRectSymbol(rec, pos, Index.ActiveZmd->NumberTable)));
}

} // namespace zemo
