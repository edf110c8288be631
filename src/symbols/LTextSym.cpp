#include "symbols/LTextSym.h"

#include "document/Index.h"
#include "symbols/TextSym.h"

#include <algorithm>

namespace zemo {

SymbolEditSession OpenLineTextSymbol(const SymbolBytes* rec, int pos, std::span<const int16_t> numberTable)
{
    std::span<const uint8_t> stored;
    return OpenSymbolWork(SymbolEditorKind::LineText, rec, pos, numberTable, &stored);
}

void CalcLineTextSymbolInfo(std::span<uint8_t> rec)
{
    ColorSet set;
    const auto add = [&](int c) {
        if (c >= 0 && c <= 255)
            set.set(size_t(c));
    };
    add(SymI16(rec, TsTextColor));
    if (SymU8(rec, LtFramingMode) > FramingOff)
        add(SymI16(rec, LtFramingColor));
    SetSymColors(rec, set);
    SetSymI16(rec, SymExtent,
              int16_t(std::clamp(FontSizeToHundredths(SymI16(rec, TsFontSize)), int(INT16_MIN), int(INT16_MAX))));
}

SymbolBytes BuildLineTextSymbol(const SymbolEditSession& s)
{
    if (s.Work.size() < LineTextSymbolBytes)
        return {};
    SymbolBytes rec(s.Work.begin(), s.Work.begin() + ptrdiff_t(LineTextSymbolBytes));
    SetSymI16(rec, SymSize, int16_t(LineTextSymbolBytes));
    SetSymI16(rec, SymObjectType, LineObject);
    SetSymU8(rec, SymTextFlag, 1);
    SetSymI16(rec, LtOldFramingFont, 0);
    CalcLineTextSymbolInfo(rec);
    return rec;
}

void EditLineTextSymbol(const SymbolBytes* rec, int pos)
{
    if (!Index.ActiveZmd)
        return;
    RunSymbolEditor(std::make_shared<SymbolEditSession>(
        OpenLineTextSymbol(rec, pos, Index.ActiveZmd->NumberTable)));
}

} // namespace zemo
